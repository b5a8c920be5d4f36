// Helpers of the panes' control tests: the message pump, a host window that records what its
// children tell it, and a memory canvas read back pixel by pixel.
#pragma once
#include "Framework.h"
#include <gtest/gtest.h>
#include <vector>

namespace ptest {

inline void Pump()
{
    MSG msg;
    for (int round = 0; round < 3; ++round)
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
}

struct Notice {
    UINT message;  // WM_COMMAND or WM_NOTIFY
    UINT code;
    UINT id;
};

// A top-level window shown without activation (it never waits on a window manager, and it
// never takes the foreground from another test program).
class Host : public CWnd {
public:
    std::vector<Notice> notices;
    explicit Host(int w = 400, int h = 300)
    {
        CreateEx(0, AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW),
                                        (HBRUSH)::GetStockObject(WHITE_BRUSH)),
                 L"host", WS_POPUP | WS_CLIPCHILDREN, 40, 40, w, h, nullptr, nullptr);
    }
    ~Host() override { DestroyWindow(); }
    void Show()
    {
        ShowWindow(SW_SHOWNOACTIVATE);
        UpdateWindow();
        Pump();
    }
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (message == WM_NOTIFY) {
            const NMHDR* nm = (const NMHDR*)lParam;
            if (nm->code == 773 || nm->code == 774)  // only the panes' own codes, not the list's
                notices.push_back({message, nm->code, (UINT)nm->idFrom});
        } else if (message == WM_COMMAND && lParam) {
            notices.push_back({message, HIWORD(wParam), LOWORD(wParam)});
        }
        return CWnd::OnWndMsg(message, wParam, lParam, result);
    }
};

// A 32-bit top-down DIB section in a memory DC.
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

}  // namespace ptest
