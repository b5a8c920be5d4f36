// Helpers of the widget tests: a host window that records what its children tell it, the
// message pump, pixel read-back and a catcher of the library's trace lines.
#pragma once
#include "Framework.h"
#include "TestCanvas.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace wtest {

// Runs every message that is waiting (and the idle clean-up of temporary wrappers).
inline void Pump()
{
    MSG msg;
    for (int round = 0; round < 3; ++round) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!AfxPreTranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
    }
}

struct Notice {
    UINT message;  // WM_NOTIFY, WM_COMMAND, WM_VSCROLL or WM_SETCURSOR
    UINT code;     // notify code, command code, scroll code
    UINT id;       // control id, command id, scroll position
    HWND from;
    WPARAM wParam;
};

// A top-level window that records the notices of its children. Hidden unless a test needs
// it on screen (for the focus): destroying a visible window under Wine without a window
// manager waits about 2 seconds.
class Host : public CWnd {
public:
    std::vector<Notice> notices;
    LRESULT answerCommand = 0;

    explicit Host(int w = 400, int h = 300, bool visible = false)
    {
        CreateEx(0, AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW),
                                        (HBRUSH)::GetStockObject(WHITE_BRUSH)),
                 L"host", WS_POPUP | WS_CLIPCHILDREN | (visible ? WS_VISIBLE : 0), 40, 40, w, h, nullptr, nullptr);
    }
    ~Host() override { DestroyWindow(); }

    std::vector<Notice> Take()
    {
        std::vector<Notice> out;
        out.swap(notices);
        return out;
    }

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (message == WM_NOTIFY) {
            const NMHDR* nm = (const NMHDR*)lParam;
            notices.push_back({message, nm->code, (UINT)nm->idFrom, nm->hwndFrom, wParam});
        } else if (message == WM_COMMAND && lParam) {
            notices.push_back({message, HIWORD(wParam), LOWORD(wParam), (HWND)lParam, wParam});
            if (answerCommand) {
                *result = answerCommand;
                return TRUE;
            }
        } else if (message == WM_SETCURSOR) {
            notices.push_back({message, LOWORD(lParam), HIWORD(lParam), (HWND)wParam, wParam});
        } else if (message == WM_VSCROLL && lParam) {
            notices.push_back({message, LOWORD(wParam), HIWORD(wParam), (HWND)lParam, wParam});
        }
        return CWnd::OnWndMsg(message, wParam, lParam, result);
    }
};

using pelora_test::Canvas;

// The debug-output lines written while it lives (the library's trace goes there).
class TraceCatcher {
public:
    TraceCatcher() { s_lines.clear(); m_handler = ::AddVectoredExceptionHandler(1, Handler); }
    ~TraceCatcher() { ::RemoveVectoredExceptionHandler(m_handler); }
    bool Saw(const std::wstring& part) const
    {
        for (const auto& line : s_lines)
            if (line.find(part) != std::wstring::npos)
                return true;
        return false;
    }
    static inline std::vector<std::wstring> s_lines;

private:
    static LONG CALLBACK Handler(EXCEPTION_POINTERS* info)
    {
        const EXCEPTION_RECORD* r = info->ExceptionRecord;
        if (r->ExceptionCode == 0x4001000A && r->NumberParameters >= 2) {  // wide debug output
            s_lines.push_back((const wchar_t*)r->ExceptionInformation[1]);
        } else if (r->ExceptionCode == DBG_PRINTEXCEPTION_C && r->NumberParameters >= 2) {
            const char* text = (const char*)r->ExceptionInformation[1];
            s_lines.push_back(std::wstring(text, text + strlen(text)));
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }
    PVOID m_handler = nullptr;
};

} // namespace wtest
