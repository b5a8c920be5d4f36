// Thin owning wrappers of the window layer: each holds one GDI handle and releases it when it
// goes out of scope.
#pragma once
#include <winsock2.h>   // before windows.h, as everywhere in the program
#include <windows.h>

class CGcPen {
public:
    CGcPen(int style, int width, COLORREF color) : m_h(CreatePen(style, width, color)) {}
    ~CGcPen() { if (m_h) DeleteObject(m_h); }
    CGcPen(const CGcPen&) = delete;
    CGcPen& operator=(const CGcPen&) = delete;
    operator HPEN() const { return m_h; }

private:
    HPEN m_h;
};

class CGcSolidBrush {
public:
    explicit CGcSolidBrush(COLORREF color) : m_h(CreateSolidBrush(color)) {}
    ~CGcSolidBrush() { if (m_h) DeleteObject(m_h); }
    CGcSolidBrush(const CGcSolidBrush&) = delete;
    CGcSolidBrush& operator=(const CGcSolidBrush&) = delete;
    operator HBRUSH() const { return m_h; }

private:
    HBRUSH m_h;
};

// A brush tiled from a bitmap resource of the module (the process's module record, else the
// executable).
class CGcPatternBrush {
public:
    explicit CGcPatternBrush(UINT bitmapId);
    ~CGcPatternBrush();
    CGcPatternBrush(const CGcPatternBrush&) = delete;
    CGcPatternBrush& operator=(const CGcPatternBrush&) = delete;
    operator HBRUSH() const { return m_h; }

private:
    HBITMAP m_bitmap = nullptr;
    HBRUSH m_h = nullptr;
};

class CGcFont {
public:
    CGcFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
            DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
            DWORD pitchAndFamily, const wchar_t* face)
        : m_h(CreateFontW(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                          outPrecision, clipPrecision, quality, pitchAndFamily, face))
    {
    }
    // Regular weight, the default character set, everything else default.
    CGcFont(const wchar_t* face, int height)
        : CGcFont(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face)
    {
    }
    ~CGcFont() { if (m_h) DeleteObject(m_h); }
    CGcFont(const CGcFont&) = delete;
    CGcFont& operator=(const CGcFont&) = delete;
    operator HFONT() const { return m_h; }

private:
    HFONT m_h;
};

// A memory device context compatible with `dc` (the screen when null).
class CGcMemDC {
public:
    explicit CGcMemDC(HDC dc = nullptr) : m_h(CreateCompatibleDC(dc)) {}
    ~CGcMemDC() { if (m_h) DeleteDC(m_h); }
    CGcMemDC(const CGcMemDC&) = delete;
    CGcMemDC& operator=(const CGcMemDC&) = delete;
    operator HDC() const { return m_h; }

private:
    HDC m_h;
};

// BeginPaint on construction, EndPaint on destruction.
class CGcPaintDC {
public:
    explicit CGcPaintDC(HWND hwnd) : m_hwnd(hwnd), m_h(BeginPaint(hwnd, &m_ps)) {}
    ~CGcPaintDC() { EndPaint(m_hwnd, &m_ps); }
    CGcPaintDC(const CGcPaintDC&) = delete;
    CGcPaintDC& operator=(const CGcPaintDC&) = delete;
    operator HDC() const { return m_h; }
    const PAINTSTRUCT& Paint() const { return m_ps; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps = {};
    HDC m_h;
};
