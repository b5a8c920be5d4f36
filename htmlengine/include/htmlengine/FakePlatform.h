// A platform with fixed metrics that draws into a list: layout and painting tested headless.
// Every character of a font of size S is S / 2 pixels wide (bold: one more), the ascent is
// S * 4 / 5 and the descent the rest. Pictures are decoded from the text "PIC w h".
#pragma once
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
#include "Platform.h"

namespace HtmlEngine {

class FakePlatform : public IPlatform {
public:
    struct Op {
        enum Kind { Text, Fill, Line, Picture } kind;
        Rect rect;             // Fill, Picture: the rectangle; Line: the two ends; Text: x, baseline
        uint32_t color = 0;
        std::wstring text;     // Text
        int font = 0;
    };
    std::vector<Op> ops;
    std::vector<FontSpec> fonts;

    static int CharWidth(const FontSpec& f) { return f.sizePx / 2 + (f.bold ? 1 : 0); }

    int MakeFont(const FontSpec& spec) override {
        for (size_t i = 0; i < fonts.size(); ++i)
            if (fonts[i] == spec) return int(i);
        fonts.push_back(spec);
        return int(fonts.size() - 1);
    }
    FontMetrics Metrics(int font) override {
        FontMetrics m;
        int s = fonts.at(size_t(font)).sizePx;
        m.ascent = s * 4 / 5;
        m.descent = s - m.ascent;
        return m;
    }
    int TextWidth(int font, const wchar_t*, size_t length) override {
        return int(length) * CharWidth(fonts.at(size_t(font)));
    }
    void TextExtents(int font, const wchar_t*, size_t length, int* ends) override {
        int w = CharWidth(fonts.at(size_t(font)));
        for (size_t i = 0; i < length; ++i) ends[i] = int(i + 1) * w;
    }
    void DrawString(int font, int x, int y, const wchar_t* text, size_t length, uint32_t color) override {
        Op op{Op::Text, Rect{x, y, x, y}, color, std::wstring(text, length), font};
        ops.push_back(op);
    }
    void FillRect(const Rect& rect, uint32_t color) override {
        Rect r = Clipped(rect);
        if (!r.IsEmpty()) ops.push_back(Op{Op::Fill, r, color, {}, 0});
    }
    void DrawLine(int x1, int y1, int x2, int y2, uint32_t color) override {
        ops.push_back(Op{Op::Line, Rect{x1, y1, x2, y2}, color, {}, 0});
    }
    void DrawPicture(const IPicture&, const Rect& dest) override {
        ops.push_back(Op{Op::Picture, dest, 0, {}, 0});
    }
    void PushClip(const Rect& rect) override {
        Rect r = rect;
        if (!clips_.empty()) {
            const Rect& c = clips_.back();
            r = Rect{std::max(r.left, c.left), std::max(r.top, c.top), std::min(r.right, c.right), std::min(r.bottom, c.bottom)};
        }
        clips_.push_back(r);
    }
    void PopClip() override { if (!clips_.empty()) clips_.pop_back(); }
    PicturePtr DecodeImage(const void* bytes, size_t size) override {
        std::string s(static_cast<const char*>(bytes), size);
        int w = 0, h = 0;
        if (std::sscanf(s.c_str(), "PIC %d %d", &w, &h) != 2 || w <= 0 || h <= 0) return nullptr;
        return std::make_shared<Pic>(w, h);
    }

    // The texts drawn, in order, joined by "|".
    std::wstring Texts() const {
        std::wstring out;
        for (const Op& op : ops)
            if (op.kind == Op::Text) out += (out.empty() ? L"" : L"|") + op.text;
        return out;
    }

private:
    struct Pic : IPicture {
        int w, h;
        Pic(int w_, int h_) : w(w_), h(h_) {}
        int Width() const override { return w; }
        int Height() const override { return h; }
    };
    Rect Clipped(const Rect& r) const {
        if (clips_.empty()) return r;
        const Rect& c = clips_.back();
        return Rect{std::max(r.left, c.left), std::max(r.top, c.top), std::min(r.right, c.right), std::min(r.bottom, c.bottom)};
    }
    std::vector<Rect> clips_;
};

} // namespace HtmlEngine
