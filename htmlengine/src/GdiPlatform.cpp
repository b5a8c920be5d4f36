// GDI draws and measures; GDI+ (flat API) decodes pictures into 32-bit DIB sections.
#include "htmlengine/GdiPlatform.h"
#include <gdiplus.h>
#include <shlwapi.h>
#include <algorithm>
#include <cwctype>
#include <mutex>

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace HtmlEngine {

namespace {

COLORREF ToColorRef(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

bool StartGdiPlus() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        ULONG_PTR token = 0;
        GdiplusStartupInput input;
        input.GdiplusVersion = 1;
        input.DebugEventCallback = nullptr;
        input.SuppressBackgroundThread = FALSE;
        input.SuppressExternalCodecs = FALSE;
        started = GdiplusStartup(&token, &input, nullptr) == Ok;
    });
    return started;
}

struct GdiPicture : IPicture {
    int width = 0, height = 0;
    HBITMAP bitmap = nullptr;   // premultiplied 32-bit, top-down; null when too large to decode
    ~GdiPicture() override {
        if (bitmap) DeleteObject(bitmap);
    }
    int Width() const override { return width; }
    int Height() const override { return height; }
};

// The size a picture's header claims (PNG, GIF, BMP, JPEG), read before any decoder sees it:
// a header claiming tens of thousands of pixels each way is never decoded.
bool ClaimedSize(const unsigned char* p, size_t n, unsigned long* w, unsigned long* h) {
    auto be32 = [&](size_t i) { return (unsigned long)p[i] << 24 | (unsigned long)p[i + 1] << 16 | p[i + 2] << 8 | p[i + 3]; };
    if (n >= 24 && p[0] == 0x89 && p[1] == 'P' && p[2] == 'N' && p[3] == 'G') {
        *w = be32(16);
        *h = be32(20);
        return true;
    }
    if (n >= 10 && p[0] == 'G' && p[1] == 'I' && p[2] == 'F') {
        *w = p[6] | p[7] << 8;
        *h = p[8] | p[9] << 8;
        return true;
    }
    if (n >= 26 && p[0] == 'B' && p[1] == 'M') {
        long bw = long(p[18] | p[19] << 8 | p[20] << 16 | (unsigned long)p[21] << 24);
        long bh = long(p[22] | p[23] << 8 | p[24] << 16 | (unsigned long)p[25] << 24);
        *w = (unsigned long)(bw < 0 ? -bw : bw);
        *h = (unsigned long)(bh < 0 ? -bh : bh);
        return true;
    }
    if (n >= 4 && p[0] == 0xFF && p[1] == 0xD8) {
        size_t i = 2;
        while (i + 9 < n) {
            if (p[i] != 0xFF) { ++i; continue; }
            unsigned char m = p[i + 1];
            if (m == 0xFF) { ++i; continue; }
            if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
                *h = (unsigned long)p[i + 5] << 8 | p[i + 6];
                *w = (unsigned long)p[i + 7] << 8 | p[i + 8];
                return true;
            }
            if (m == 0xD8 || m == 0x01 || (m >= 0xD0 && m <= 0xD7)) { i += 2; continue; }
            i += 2 + ((size_t)p[i + 2] << 8 | p[i + 3]);
        }
    }
    return false;
}

} // namespace

GdiPlatform::GdiPlatform() {
    memory_ = CreateCompatibleDC(nullptr);
    dc_ = memory_;
}

GdiPlatform::~GdiPlatform() {
    SetTarget(nullptr);
    if (original_) SelectObject(memory_, original_);
    for (Font& f : fonts_) DeleteObject(f.handle);
    if (memory_) DeleteDC(memory_);
}

void GdiPlatform::SetTarget(HDC dc) {
    while (clipDepth_ > 0) PopClip();
    if (dc_ && original_) SelectObject(dc_, original_);
    original_ = nullptr;
    selected_ = -1;
    dc_ = dc ? dc : memory_;
}

std::wstring GdiPlatform::FaceName(const std::wstring& family) {
    std::wstring f;
    for (wchar_t c : family) f += wchar_t(std::towlower(c));
    if (f.empty() || f == L"serif") return L"Times New Roman";
    if (f == L"sans-serif") return L"Arial";
    if (f == L"monospace") return L"Courier New";
    if (f == L"cursive") return L"Comic Sans MS";
    return family.substr(0, LF_FACESIZE - 1);
}

BYTE GdiPlatform::FamilyHint(const std::wstring& family) {
    std::wstring f;
    for (wchar_t c : family) f += wchar_t(std::towlower(c));
    auto has = [&](const wchar_t* part) { return f.find(part) != std::wstring::npos; };
    if (f == L"monospace" || has(L"courier") || has(L"mono") || has(L"consol")) return FIXED_PITCH | FF_MODERN;
    if (f.empty() || f == L"serif" || has(L"times") || has(L"georgia")) return VARIABLE_PITCH | FF_ROMAN;
    if (f == L"cursive" || has(L"comic")) return VARIABLE_PITCH | FF_SCRIPT;
    if (f == L"sans-serif" || has(L"arial") || has(L"helvetica") || has(L"tahoma") || has(L"verdana"))
        return VARIABLE_PITCH | FF_SWISS;
    return DEFAULT_PITCH | FF_DONTCARE;
}

int GdiPlatform::MakeFont(const FontSpec& spec) {
    for (size_t i = 0; i < fonts_.size(); ++i)
        if (fonts_[i].spec == spec) return int(i);
    LOGFONTW lf = {};
    lf.lfHeight = -std::max(1, std::min(spec.sizePx, 2000));
    lf.lfWeight = spec.bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = spec.italic ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    std::wstring face = FaceName(spec.family);
    wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    // the kind of face, so a system without the named one maps to one alike (a missing
    // Courier New to another fixed-pitch face, not to the default sans-serif one)
    lf.lfPitchAndFamily = FamilyHint(spec.family);
    Font f{spec, CreateFontIndirectW(&lf), {}};
    if (!f.handle) f.handle = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HGDIOBJ old = SelectObject(memory_, f.handle);
    TEXTMETRICW tm = {};
    GetTextMetricsW(memory_, &tm);
    SelectObject(memory_, old);
    f.metrics.ascent = tm.tmAscent;
    f.metrics.descent = tm.tmDescent;
    fonts_.push_back(f);
    selected_ = -1;
    return int(fonts_.size() - 1);
}

void GdiPlatform::Select(int font) {
    if (font == selected_ || font < 0 || size_t(font) >= fonts_.size()) return;
    HGDIOBJ old = SelectObject(dc_, fonts_[size_t(font)].handle);
    if (!original_) original_ = old;
    selected_ = font;
}

FontMetrics GdiPlatform::Metrics(int font) {
    if (font < 0 || size_t(font) >= fonts_.size()) return FontMetrics{};
    return fonts_[size_t(font)].metrics;
}

int GdiPlatform::TextWidth(int font, const wchar_t* text, size_t length) {
    if (!length) return 0;
    Select(font);
    SIZE size = {};
    int total = 0;
    // GDI takes int counts; long runs are measured in pieces
    while (length) {
        int n = int(std::min<size_t>(length, 32768));
        GetTextExtentPoint32W(dc_, text, n, &size);
        total += size.cx;
        text += n;
        length -= size_t(n);
    }
    return total;
}

void GdiPlatform::TextExtents(int font, const wchar_t* text, size_t length, int* ends) {
    Select(font);
    int base = 0;
    while (length) {
        int n = int(std::min<size_t>(length, 32768));
        SIZE size = {};
        int fit = 0;
        GetTextExtentExPointW(dc_, text, n, 0, &fit, ends, &size);
        for (int i = 0; i < n; ++i) ends[i] += base;
        base = ends[n - 1];
        text += n;
        ends += n;
        length -= size_t(n);
    }
}

void GdiPlatform::DrawString(int font, int x, int y, const wchar_t* text, size_t length, uint32_t color) {
    Select(font);
    SetBkMode(dc_, TRANSPARENT);
    SetTextColor(dc_, ToColorRef(color));
    SetTextAlign(dc_, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    // each character goes where measuring put it: drawn without advances, a long run can drift
    // a few pixels from the sum of its measured words, into the next item
    while (length) {
        int n = int(std::min<size_t>(length, 8192));
        ends_.resize(size_t(n));
        advances_.resize(size_t(n));
        SIZE size = {};
        int fit = 0;
        if (!GetTextExtentExPointW(dc_, text, n, 0, &fit, ends_.data(), &size)) {
            ExtTextOutW(dc_, x, y, 0, nullptr, text, UINT(n), nullptr);
            if (size_t(n) < length) x += TextWidth(font, text, size_t(n));
        } else {
            for (int i = 0; i < n; ++i) advances_[size_t(i)] = ends_[size_t(i)] - (i ? ends_[size_t(i - 1)] : 0);
            ExtTextOutW(dc_, x, y, 0, nullptr, text, UINT(n), advances_.data());
            x += ends_[size_t(n - 1)];
        }
        text += n;
        length -= size_t(n);
    }
}

void GdiPlatform::FillRect(const Rect& rect, uint32_t color) {
    if (rect.IsEmpty()) return;
    RECT r = {rect.left, rect.top, rect.right, rect.bottom};
    COLORREF old = SetBkColor(dc_, ToColorRef(color));
    ExtTextOutW(dc_, 0, 0, ETO_OPAQUE, &r, L"", 0, nullptr);
    SetBkColor(dc_, old);
}

void GdiPlatform::DrawLine(int x1, int y1, int x2, int y2, uint32_t color) {
    HGDIOBJ oldPen = SelectObject(dc_, GetStockObject(DC_PEN));
    COLORREF oldColor = SetDCPenColor(dc_, ToColorRef(color));
    MoveToEx(dc_, x1, y1, nullptr);
    LineTo(dc_, x2, y2);
    SetPixelV(dc_, x2, y2, ToColorRef(color));   // LineTo leaves the last pixel out
    SetDCPenColor(dc_, oldColor);
    SelectObject(dc_, oldPen);
}

void GdiPlatform::DrawPicture(const IPicture& picture, const Rect& dest) {
    const GdiPicture& p = static_cast<const GdiPicture&>(picture);
    if (dest.IsEmpty()) return;
    if (!p.bitmap) {   // too large to decode: a grey box of its size
        FillRect(dest, 0xE0E0E0);
        return;
    }
    HDC src = CreateCompatibleDC(dc_);
    HGDIOBJ old = SelectObject(src, p.bitmap);
    // only the visible part is stretched: huge pictures scaled down stay cheap to draw
    RECT clip;
    int kind = GetClipBox(dc_, &clip);
    Rect d = dest;
    if (kind != ERROR && kind != NULLREGION) {
        d.left = std::max(d.left, int(clip.left));
        d.top = std::max(d.top, int(clip.top));
        d.right = std::min(d.right, int(clip.right));
        d.bottom = std::min(d.bottom, int(clip.bottom));
    }
    if (!d.IsEmpty()) {
        double sx = double(p.width) / dest.Width(), sy = double(p.height) / dest.Height();
        int srcX = int((d.left - dest.left) * sx), srcY = int((d.top - dest.top) * sy);
        int srcW = std::max(1, int(d.Width() * sx + 0.5)), srcH = std::max(1, int(d.Height() * sy + 0.5));
        srcW = std::min(srcW, p.width - srcX);
        srcH = std::min(srcH, p.height - srcY);
        if (srcW > 0 && srcH > 0) {
            BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            SetStretchBltMode(dc_, HALFTONE);
            AlphaBlend(dc_, d.left, d.top, d.Width(), d.Height(), src, srcX, srcY, srcW, srcH, blend);
        }
    }
    SelectObject(src, old);
    DeleteDC(src);
}

void GdiPlatform::PushClip(const Rect& rect) {
    SaveDC(dc_);
    IntersectClipRect(dc_, rect.left, rect.top, rect.right, rect.bottom);
    ++clipDepth_;
}

void GdiPlatform::PopClip() {
    if (clipDepth_ <= 0) return;
    RestoreDC(dc_, -1);   // also gives back the font selected before the push
    --clipDepth_;
    selected_ = -1;
}

PicturePtr GdiPlatform::DecodeImage(const void* bytes, size_t size) {
    if (!bytes || !size || size > 0x7FFFFFFF || !StartGdiPlus()) return nullptr;
    unsigned long cw = 0, ch = 0;
    if (ClaimedSize(static_cast<const unsigned char*>(bytes), size, &cw, &ch)) {
        if (cw == 0 || ch == 0) return nullptr;
        if (static_cast<unsigned long long>(cw) * ch > kMaxDecodedPixels) {
            auto box = std::make_shared<GdiPicture>();
            box->width = int(std::min<unsigned long>(cw, 1ul << 24));
            box->height = int(std::min<unsigned long>(ch, 1ul << 24));
            return box;
        }
    }
    IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(bytes), UINT(size));
    if (!stream) return nullptr;
    GpBitmap* bitmap = nullptr;
    GpStatus status = GdipCreateBitmapFromStream(stream, &bitmap);
    stream->Release();
    if (status != Ok || !bitmap) return nullptr;
    UINT w = 0, h = 0;
    GdipGetImageWidth(bitmap, &w);
    GdipGetImageHeight(bitmap, &h);
    auto picture = std::make_shared<GdiPicture>();
    picture->width = int(std::min<UINT>(w, 1u << 24));
    picture->height = int(std::min<UINT>(h, 1u << 24));
    if (w == 0 || h == 0) {
        GdipDisposeImage(bitmap);
        return nullptr;
    }
    if (static_cast<unsigned long long>(w) * h <= kMaxDecodedPixels) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = LONG(w);
        info.bmiHeader.biHeight = -LONG(h);
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (dib && bits) {
            BitmapData data = {};
            data.Width = w;
            data.Height = h;
            data.Stride = INT(w * 4);
            data.PixelFormat = PixelFormat32bppPARGB;
            data.Scan0 = bits;
            GpRect rect = {0, 0, INT(w), INT(h)};
            if (GdipBitmapLockBits(bitmap, &rect, ImageLockModeRead | ImageLockModeUserInputBuf,
                                   PixelFormat32bppPARGB, &data) == Ok) {
                GdipBitmapUnlockBits(bitmap, &data);
                picture->bitmap = dib;
                dib = nullptr;
            }
        }
        if (dib) DeleteObject(dib);
        if (!picture->bitmap) {   // the header read but the pixels did not: a broken picture
            GdipDisposeImage(bitmap);
            return nullptr;
        }
    }
    GdipDisposeImage(bitmap);
    return picture;
}

} // namespace HtmlEngine
