// The platform over GDI (text, rectangles, lines) and GDI+ (decoding pictures).
#pragma once
#include <windows.h>
#include <vector>
#include "Platform.h"

namespace HtmlEngine {

class GdiPlatform : public IPlatform {
public:
    // Measures with a memory DC compatible with the screen until a target is set.
    GdiPlatform();
    ~GdiPlatform() override;
    GdiPlatform(const GdiPlatform&) = delete;
    GdiPlatform& operator=(const GdiPlatform&) = delete;

    // The DC drawn into (and measured with); null goes back to the memory DC. The caller keeps
    // the DC and may change it between paints; fonts are selected anew on each change.
    void SetTarget(HDC dc);
    HDC Target() const { return dc_; }

    int MakeFont(const FontSpec& spec) override;
    FontMetrics Metrics(int font) override;
    int TextWidth(int font, const wchar_t* text, size_t length) override;
    void TextExtents(int font, const wchar_t* text, size_t length, int* ends) override;
    void DrawString(int font, int x, int y, const wchar_t* text, size_t length, uint32_t color) override;
    void FillRect(const Rect& rect, uint32_t color) override;
    void DrawLine(int x1, int y1, int x2, int y2, uint32_t color) override;
    void DrawPicture(const IPicture& picture, const Rect& dest) override;
    void PushClip(const Rect& rect) override;
    void PopClip() override;
    PicturePtr DecodeImage(const void* bytes, size_t size) override;

    // The family GDI is asked for: CSS generic names become real ones.
    static std::wstring FaceName(const std::wstring& family);
    // The pitch and family bits of a family (LOGFONT's lfPitchAndFamily).
    static BYTE FamilyHint(const std::wstring& family);
    // Pictures larger than this many pixels keep their size but are not decoded (drawn as a box).
    static const unsigned long long kMaxDecodedPixels = 24ull * 1024 * 1024;

private:
    struct Font {
        FontSpec spec;
        HFONT handle;
        FontMetrics metrics;
    };
    void Select(int font);
    std::vector<Font> fonts_;
    HDC memory_ = nullptr;
    HDC dc_ = nullptr;
    int selected_ = -1;
    HGDIOBJ original_ = nullptr;
    int clipDepth_ = 0;
    std::vector<int> ends_, advances_;   // DrawString's measures, kept to be reused
};

} // namespace HtmlEngine
