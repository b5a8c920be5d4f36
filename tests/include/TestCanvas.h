// A memory canvas for the painting checks of the test programs: a 32-bit top-down DIB section
// in a memory DC, filled with one colour, read back pixel by pixel.
#pragma once
#include "Framework.h"

namespace pelora_test {

class Canvas {
public:
    CDC dc;
    int w, h;
    DWORD* bits = nullptr;

    Canvas(int width, int height, COLORREF fill) : w(width), h(height)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        m_bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, (void**)&bits, nullptr, 0);
        dc.CreateCompatibleDC(nullptr);
        m_old = ::SelectObject(dc.GetSafeHdc(), m_bitmap);
        dc.FillSolidRect(0, 0, w, h, fill);
    }
    ~Canvas()
    {
        ::SelectObject(dc.GetSafeHdc(), m_old);
        dc.DeleteDC();
        ::DeleteObject(m_bitmap);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    COLORREF At(int x, int y) const
    {
        ::GdiFlush();
        DWORD p = bits[y * w + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // How many pixels of the rectangle have exactly this colour.
    int Count(const RECT& r, COLORREF c) const
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += At(x, y) == c;
        return n;
    }

private:
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
};

}  // namespace pelora_test
