// The one seam between the engine and the platform: fonts, text measuring and drawing,
// rectangles, lines and images (named apart from the Windows macros CreateFont and DrawText).
// Layout and painting call nothing else, so they run headless
// over FakePlatform with exact numbers; GdiPlatform draws into a window, a bitmap or a printer.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace HtmlEngine {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool Intersects(const Rect& o) const { return left < o.right && o.left < right && top < o.bottom && o.top < bottom; }
};

struct FontSpec {
    std::wstring family;   // first family of the list, unquoted; empty: the platform's default
    int sizePx = 16;
    bool bold = false;
    bool italic = false;
    bool operator==(const FontSpec& o) const {
        return sizePx == o.sizePx && bold == o.bold && italic == o.italic && family == o.family;
    }
};

struct FontMetrics {
    int ascent = 0;    // above the baseline
    int descent = 0;   // below it
    int Height() const { return ascent + descent; }
};

// A decoded picture the platform can draw; made from file bytes by IPlatform::DecodeImage.
struct IPicture {
    virtual ~IPicture() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
};
using PicturePtr = std::shared_ptr<IPicture>;

// Colours are 0x00RRGGBB.
struct IPlatform {
    virtual ~IPlatform() = default;
    // Fonts are numbered by the platform, which keeps each one for its own life; the same spec
    // gives the same number.
    virtual int MakeFont(const FontSpec& spec) = 0;
    virtual FontMetrics Metrics(int font) = 0;
    virtual int TextWidth(int font, const wchar_t* text, size_t length) = 0;
    // ends[i] receives the width of the first i + 1 characters.
    virtual void TextExtents(int font, const wchar_t* text, size_t length, int* ends) = 0;
    // x, y: the left end of the baseline.
    virtual void DrawString(int font, int x, int y, const wchar_t* text, size_t length, uint32_t color) = 0;
    virtual void FillRect(const Rect& rect, uint32_t color) = 0;
    virtual void DrawLine(int x1, int y1, int x2, int y2, uint32_t color) = 0;   // one pixel wide
    virtual void DrawPicture(const IPicture& picture, const Rect& dest) = 0;
    // Painting is clipped to the intersection of the pushed rectangles.
    virtual void PushClip(const Rect& rect) = 0;
    virtual void PopClip() = 0;
    // Null when the bytes are no picture the platform knows.
    virtual PicturePtr DecodeImage(const void* bytes, size_t size) = 0;
};

} // namespace HtmlEngine
