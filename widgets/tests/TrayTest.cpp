#include "LWIconTray.h"
#include "WidgetTestUtil.h"

namespace {

// The tray's owner: records the commands and tray timers it gets; the timer closes the menu,
// as the program's main frame does.
class Owner : public CWnd {
public:
    std::vector<UINT> commands;
    int trayTimers = 0;
    LWIconTray* tray = nullptr;
    HMENU inner = nullptr;
    int nestedHooksKept = -1;

    Owner()
    {
        CreateEx(0, AfxRegisterWndClass(0), L"tray owner", WS_POPUP | WS_VISIBLE, 300, 300, 50, 50, nullptr,
                 nullptr);
    }
    ~Owner() override { DestroyWindow(); }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_COMMAND && !lParam)
            commands.push_back(LOWORD(wParam));
        if (msg == WM_TIMER && wParam == LW_TRAY_TIMER) {
            ++trayTimers;
            KillTimer(LW_TRAY_TIMER);
            ::EndMenu();
            return 0;
        }
        if (msg == WM_APP && tray) {  // a second menu while the first is open
            HHOOK before = tray->m_hKeyboardHook;
            tray->ShowTrayMenu(inner, POINT{600, 600});
            nestedHooksKept = tray->m_bHooksActive && tray->m_hKeyboardHook == before;
            return 0;
        }
        return CWnd::WindowProc(msg, wParam, lParam);
    }
};

HMENU ThreeItems(UINT first)
{
    HMENU menu = ::CreatePopupMenu();
    ::AppendMenuW(menu, MF_STRING, first, L"&Open Pelora");
    ::AppendMenuW(menu, MF_STRING, first + 1, L"&New note");
    ::AppendMenuW(menu, MF_STRING, first + 2, L"E&xit");
    return menu;
}

TEST(Tray, IconComesAndGoes)
{
    Owner owner;
    LWIconTray tray;
    HICON icon = ::LoadIconW(nullptr, IDI_APPLICATION);
    EXPECT_TRUE(tray.Create(owner.m_hWnd, icon, WM_APP + 1, 7, L""));
    EXPECT_TRUE(tray.m_bIconAdded);
    EXPECT_TRUE(tray.ChangeIcon(::LoadIconW(nullptr, IDI_INFORMATION)));
    EXPECT_TRUE(tray.Destroy());
    EXPECT_FALSE(tray.m_bIconAdded);
    EXPECT_TRUE(tray.Create(owner.m_hWnd, icon, WM_APP + 1, 8, L"Pelora - a long tip that is kept whole"));
}

TEST(Tray, NoMenuOrOwnerShowsNothing)
{
    wtest::TraceCatcher trace;
    LWIconTray tray;
    EXPECT_EQ(0u, tray.ShowTrayMenu(nullptr, POINT{0, 0}));
    HMENU menu = ThreeItems(1);
    EXPECT_EQ(0u, tray.ShowTrayMenu(menu, POINT{0, 0}));  // never created: no owner
    ::DestroyMenu(menu);
    EXPECT_TRUE(trace.Saw(L"LWIconTray::ShowTrayMenu: no"));
    EXPECT_FALSE(tray.m_bHooksActive);
}

} // namespace
