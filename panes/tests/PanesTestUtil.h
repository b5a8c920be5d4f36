// Helpers of the panes' control tests: the message pump, a host window that records what its
// children tell it, and a memory canvas read back pixel by pixel.
#pragma once
#include "Framework.h"
#include "TestCanvas.h"
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

// Keeps the windows on screen for a few seconds, pumping, so a screenshot can be taken.
inline void ShowForScreenshot(DWORD ms = 8000)
{
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        Pump();
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

using pelora_test::Canvas;

}  // namespace ptest
