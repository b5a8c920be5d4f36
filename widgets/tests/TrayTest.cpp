#include "LWIconTray.h"
#include "WidgetTestUtil.h"
#include <atomic>
#include <thread>

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

    int watchdogs = 0;
    static const UINT_PTR kWatchdog = 0x7A11;

    Owner()
    {
        CreateEx(0, AfxRegisterWndClass(0), L"tray owner", WS_POPUP | WS_VISIBLE, 300, 300, 50, 50, nullptr,
                 nullptr);
        // Keys that never reach the menu (another program's window was in front) must fail the
        // test, not leave it waiting in the menu loop for ever.
        SetTimer(kWatchdog, 30000, nullptr);
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
        if (msg == WM_TIMER && wParam == kWatchdog) {
            ++watchdogs;
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

BOOL CALLBACK CountMenu(HWND wnd, LPARAM count)
{
    wchar_t cls[16] = {};
    if (::GetClassNameW(wnd, cls, 16) && lstrcmpW(cls, L"#32768") == 0 && ::IsWindowVisible(wnd))
        ++*(int*)count;
    return TRUE;
}

// Counts the open popup menus on screen.
int OpenMenus()
{
    int n = 0;
    ::EnumWindows(CountMenu, (LPARAM)&n);
    return n;
}

bool WaitForMenus(int count)
{
    ::Sleep(300);
    for (int i = 0; i < 1000; ++i) {  // up to 20 s on a busy machine
        if (OpenMenus() >= count)
            return true;
        ::Sleep(20);
    }
    return false;
}

void Keys(std::initializer_list<WORD> keys)
{
    for (WORD vk : keys) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[1].ki.wVk = vk;
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        ::SendInput(2, in, sizeof(INPUT));
        ::Sleep(30);
    }
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

TEST(Tray, MenuKeysChooseWithoutClosingTheMenuEarly)
{
    Owner owner;
    LWIconTray tray;
    tray.Create(owner.m_hWnd, ::LoadIconW(nullptr, IDI_APPLICATION), WM_APP + 1, 1, L"Pelora");
    HMENU menu = ThreeItems(100);
    std::atomic<bool> shown{false};
    std::thread typist([&] {
        shown = WaitForMenus(1);
        ::Sleep(300);  // longer than the old timer: a slow user's keys still count
        Keys({VK_DOWN});
        ::Sleep(300);
        Keys({VK_DOWN, VK_RETURN});
    });
    wtest::Pump();
    EXPECT_NE(0u, tray.ShowTrayMenu(menu, POINT{600, 600}));
    typist.join();
    wtest::Pump();
    ASSERT_TRUE(shown);
    EXPECT_EQ((std::vector<UINT>{101}), owner.commands);
    EXPECT_EQ(0, owner.watchdogs);
    EXPECT_EQ(0, owner.trayTimers);
    EXPECT_FALSE(tray.m_bHooksActive);
    EXPECT_EQ(nullptr, tray.m_hKeyboardHook);
    EXPECT_EQ(nullptr, tray.m_hMouseHook);
    ::DestroyMenu(menu);
}

TEST(Tray, EscapeAsksTheOwnerToCloseTheMenu)
{
    Owner owner;
    LWIconTray tray;
    tray.Create(owner.m_hWnd, ::LoadIconW(nullptr, IDI_APPLICATION), WM_APP + 1, 1, L"Pelora");
    HMENU menu = ThreeItems(200);
    std::thread typist([&] {
        if (WaitForMenus(1))
            Keys({VK_ESCAPE});
    });
    wtest::Pump();
    tray.ShowTrayMenu(menu, POINT{600, 600});
    typist.join();
    wtest::Pump();
    EXPECT_TRUE(owner.commands.empty());
    EXPECT_EQ(0, owner.watchdogs);
    EXPECT_EQ(0, OpenMenus());
    ::DestroyMenu(menu);
}

TEST(Tray, ANestedMenuKeepsTheHooksOfTheOuterOne)
{
    Owner owner;
    LWIconTray tray;
    tray.Create(owner.m_hWnd, ::LoadIconW(nullptr, IDI_APPLICATION), WM_APP + 1, 1, L"Pelora");
    owner.tray = &tray;
    HMENU outer = ThreeItems(300), inner = ThreeItems(400);
    owner.inner = inner;
    std::thread typist([&] {
        if (!WaitForMenus(1))
            return;
        owner.PostMessage(WM_APP);
        if (WaitForMenus(2))
            Keys({VK_ESCAPE});
        ::Sleep(200);
        Keys({VK_ESCAPE, VK_ESCAPE});
    });
    wtest::Pump();
    tray.ShowTrayMenu(outer, POINT{600, 600});
    typist.join();
    wtest::Pump();
    EXPECT_EQ(1, owner.nestedHooksKept);
    EXPECT_EQ(0, owner.watchdogs);
    EXPECT_FALSE(tray.m_bHooksActive);
    EXPECT_EQ(nullptr, tray.m_hMouseHook);
    ::DestroyMenu(outer);
    ::DestroyMenu(inner);
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
