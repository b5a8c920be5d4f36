#include "CoolMenuManager.h"
#include "LWSubclassWnd.h"
#include "WidgetTestUtil.h"
#include "test_ids.h"
#include <string>

namespace {

std::vector<std::string> g_log;

LRESULT CALLBACK OwnProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_APP)
        g_log.push_back("window");
    if (msg == WM_NCDESTROY)
        g_log.push_back("window destroyed");
    return ::DefWindowProcW(wnd, msg, wParam, lParam);
}

HWND PlainWindow()
{
    static ATOM atom = 0;
    if (!atom) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = OwnProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"LWSubclassTestWindow";
        atom = ::RegisterClassW(&wc);
    }
    return ::CreateWindowW(L"LWSubclassTestWindow", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           ::GetModuleHandleW(nullptr), nullptr);
}

class Named : public LWSubclassWnd {
public:
    explicit Named(const char* name) : m_name(name) {}
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_APP) {
            g_log.push_back(m_name);
            return Default();  // the message being handled, on down the chain
        }
        return LWSubclassWnd::WindowProc(msg, wParam, lParam);
    }
    std::string m_name;
};

struct Spy : LWSubclassNotify {
    void OnSubclassMessage(HWND, UINT msg, WPARAM, LPARAM) override
    {
        if (msg == WM_APP)
            g_log.push_back("listener");
    }
};

std::vector<std::string> Send(HWND wnd)
{
    g_log.clear();
    ::SendMessageW(wnd, WM_APP, 0, 0);
    return g_log;
}

using Log = std::vector<std::string>;

TEST(Subclass, HooksFormAChainNewestFirst)
{
    HWND wnd = PlainWindow();
    const LONG_PTR own = ::GetWindowLongPtrW(wnd, GWLP_WNDPROC);
    Named older("older"), newer("newer");
    Spy spy;
    ASSERT_TRUE(older.HookWindow(wnd));
    ASSERT_TRUE(newer.HookWindow(wnd));
    EXPECT_EQ((Log{"newer", "older", "window"}), Send(wnd));

    newer.SetListener(&spy);
    EXPECT_EQ(&spy, newer.GetListener());
    EXPECT_EQ((Log{"listener", "newer", "older", "window"}), Send(wnd));
    newer.SetListener(nullptr);

    older.Unhook();  // the newer one goes on working
    EXPECT_FALSE(older.IsHooked());
    EXPECT_EQ((Log{"newer", "window"}), Send(wnd));
    EXPECT_NE(own, ::GetWindowLongPtrW(wnd, GWLP_WNDPROC));
    newer.Unhook();
    EXPECT_EQ(own, ::GetWindowLongPtrW(wnd, GWLP_WNDPROC));
    EXPECT_EQ((Log{"window"}), Send(wnd));
    ::DestroyWindow(wnd);
}

TEST(Subclass, HookingTheSameWindowTwiceKeepsOneLink)
{
    HWND wnd = PlainWindow();
    Named once("hook");
    once.HookWindow(wnd);
    once.HookWindow(wnd);
    once.HookWindow(CWnd::FromHandle(wnd));
    EXPECT_EQ((Log{"hook", "window"}), Send(wnd));

    // hooking another window moves the hook there
    HWND other = PlainWindow();
    once.HookWindow(other);
    EXPECT_EQ((Log{"window"}), Send(wnd));
    EXPECT_EQ((Log{"hook", "window"}), Send(other));
    ::DestroyWindow(wnd);
    ::DestroyWindow(other);
    EXPECT_FALSE(once.IsHooked());
}

TEST(Subclass, DestroyingTheWindowUnhooksEveryHookFirst)
{
    HWND wnd = PlainWindow();
    Named a("a"), b("b");
    a.HookWindow(wnd);
    b.HookWindow(wnd);
    g_log.clear();
    ::DestroyWindow(wnd);
    EXPECT_FALSE(a.IsHooked());
    EXPECT_FALSE(b.IsHooked());
    EXPECT_EQ((Log{"window destroyed"}), g_log);
    // a new window that reuses the handle value is not hooked by them
    HWND again = PlainWindow();
    EXPECT_EQ((Log{"window"}), Send(again));
    ::DestroyWindow(again);
}

TEST(Subclass, AHookThatGoesUnhooksAndBadWindowsAreRefused)
{
    HWND wnd = PlainWindow();
    const LONG_PTR own = ::GetWindowLongPtrW(wnd, GWLP_WNDPROC);
    {
        Named shortLived("short");
        shortLived.HookWindow(wnd);
    }
    EXPECT_EQ(own, ::GetWindowLongPtrW(wnd, GWLP_WNDPROC));
    EXPECT_EQ((Log{"window"}), Send(wnd));
    ::DestroyWindow(wnd);

    wtest::TraceCatcher trace;
    Named late("late");
    EXPECT_FALSE(late.HookWindow(wnd));  // already destroyed
    EXPECT_FALSE(late.IsHooked());
    EXPECT_TRUE(trace.Saw(L"is no window"));
    EXPECT_TRUE(late.HookWindow((HWND) nullptr));
}

// ---- menu manager ----

class Manager : public CCoolMenuManager {
public:
    using CCoolMenuManager::GetButtonIndex;
};

TEST(MenuManager, ToolbarImagesByCommand)
{
    Manager m;
    ASSERT_TRUE(m.LoadToolbar(IDR_TB16));
    EXPECT_EQ(0, m.GetButtonIndex(ID_CMD_A));
    EXPECT_EQ(1, m.GetButtonIndex(ID_CMD_B));
    EXPECT_EQ(2, m.GetButtonIndex(ID_CMD_C));
    EXPECT_EQ(CSize(16, 15), m.m_szBitmap);
    EXPECT_EQ(CSize(20, 19), m.m_szButton);

    // another button size is refused and adds nothing
    EXPECT_FALSE(m.LoadToolbar(IDR_TB_OTHER));
    EXPECT_EQ(-1, m.GetButtonIndex(ID_CMD_D));
    EXPECT_EQ(3, m.m_ilButtons.GetImageCount());
    EXPECT_FALSE(m.LoadToolbar(IDR_TB_MISSING));
    EXPECT_EQ(1, m.m_arToolbarIds.GetSize());

    // a command that already has an image keeps it, and the others keep their place in the strip
    UINT ids[3] = {ID_CMD_A, ID_CMD_D, ID_CMD_B};
    ASSERT_TRUE(m.AddSingleBitmap(IDB_BLOCKS, 3, ids));
    EXPECT_EQ(0, m.GetButtonIndex(ID_CMD_A));
    EXPECT_EQ(4, m.GetButtonIndex(ID_CMD_D));
    EXPECT_EQ(6, m.m_ilButtons.GetImageCount());
    EXPECT_FALSE(m.AddSingleBitmap(IDB_MISSING, 3, ids));

    m.Refresh();  // reloads the remembered tool bars only
    EXPECT_EQ(-1, m.GetButtonIndex(ID_CMD_D));
    EXPECT_EQ(1, m.GetButtonIndex(ID_CMD_B));
}

struct MenuFrame {
    CFrameWnd* frame = new CFrameWnd;
    Manager manager;
    CMenu bar;
    HMENU popup = nullptr;
    MenuFrame()
    {
        frame->Create(nullptr, L"menus", WS_OVERLAPPEDWINDOW, CRect(50, 50, 400, 300));
        manager.LoadToolbar(IDR_TB16);
        manager.Install(frame);
        bar.LoadMenu(IDR_MENU);
        popup = ::GetSubMenu(bar.GetSafeHmenu(), 0);
    }
    ~MenuFrame()
    {
        manager.Install(nullptr);
        frame->DestroyWindow();
    }
    MENUITEMINFOW Info(UINT index, wchar_t* text)
    {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 64;
        ::GetMenuItemInfoW(popup, index, TRUE, &info);
        return info;
    }
};

TEST(MenuManager, PopupsAreOwnerDrawnWhileOpenAndRestoredAfter)
{
    MenuFrame f;
    // item 3 carries someone else's owner-draw data: it is never touched
    static int foreign = 12345;
    MENUITEMINFOW mine = {};
    mine.cbSize = sizeof(mine);
    mine.fMask = MIIM_FTYPE | MIIM_DATA;
    mine.fType = MFT_OWNERDRAW;
    mine.dwItemData = (ULONG_PTR)&foreign;
    ::SetMenuItemInfoW(f.popup, 3, TRUE, &mine);

    f.frame->SendMessage(WM_INITMENUPOPUP, (WPARAM)f.popup, MAKELPARAM(0, FALSE));
    wchar_t text[64];
    for (UINT i : {0u, 1u, 2u, 4u}) {
        MENUITEMINFOW info = f.Info(i, text);
        EXPECT_TRUE(info.fType & MFT_OWNERDRAW) << i;
        EXPECT_NE(0u, info.dwItemData) << i;
    }
    MENUITEMINFOW kept = f.Info(3, text);
    EXPECT_EQ((ULONG_PTR)&foreign, kept.dwItemData);

    // the frame hands measuring and drawing of its items to the manager
    MEASUREITEMSTRUCT mis = {ODT_MENU, 0, ID_CMD_A, 0, 0, f.Info(0, text).dwItemData};
    EXPECT_TRUE(f.frame->SendMessage(WM_MEASUREITEM, 0, (LPARAM)&mis));
    EXPECT_GE((int)mis.itemHeight, ::GetSystemMetrics(SM_CYMENU));
    EXPECT_GT((int)mis.itemWidth, 0);
    MEASUREITEMSTRUCT separator = {ODT_MENU, 0, 0, 0, 0, f.Info(1, text).dwItemData};
    f.frame->SendMessage(WM_MEASUREITEM, 0, (LPARAM)&separator);
    EXPECT_EQ(0u, separator.itemWidth);
    EXPECT_EQ((UINT)::GetSystemMetrics(SM_CYMENU) / 2, separator.itemHeight);
    wtest::Canvas canvas(200, 30, RGB(1, 2, 3));
    const UINT states[] = {0, ODS_SELECTED, ODS_GRAYED, ODS_CHECKED, ODS_SELECTED | ODS_CHECKED};
    for (UINT state : states) {
        DRAWITEMSTRUCT dis = {ODT_MENU, 0, ID_CMD_A, ODA_DRAWENTIRE, state, (HWND)f.popup, canvas.dc.GetSafeHdc(),
                              {0, 0, 200, 22}, f.Info(0, text).dwItemData};
        EXPECT_TRUE(f.frame->SendMessage(WM_DRAWITEM, 0, (LPARAM)&dis)) << state;
    }
    EXPECT_NE(RGB(1, 2, 3), canvas.At(100, 10));

    // the whole menu closes: every item is its old self again
    f.frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    const wchar_t* texts[] = {L"&Alpha\tCtrl+A", nullptr, L"&Bravo", nullptr, L"&Dark"};
    for (UINT i : {0u, 2u, 4u}) {
        MENUITEMINFOW info = f.Info(i, text);
        EXPECT_FALSE(info.fType & MFT_OWNERDRAW) << i;
        EXPECT_EQ(0u, info.dwItemData) << i;
        EXPECT_STREQ(texts[i], text);
    }
    EXPECT_TRUE(f.Info(1, text).fType & MFT_SEPARATOR);
    EXPECT_EQ((ULONG_PTR)&foreign, f.Info(3, text).dwItemData);
    EXPECT_TRUE(f.manager.m_menusConverted.IsEmpty());
}

TEST(MenuManager, MnemonicsSelectInTurnOrExecute)
{
    MenuFrame f;
    f.frame->SendMessage(WM_INITMENUPOPUP, (WPARAM)f.popup, MAKELPARAM(0, FALSE));
    auto menuChar = [&](wchar_t ch) {
        return (LRESULT)f.frame->SendMessage(WM_MENUCHAR, MAKEWPARAM(ch, MF_POPUP), (LPARAM)f.popup);
    };
    EXPECT_EQ(MAKELRESULT(0, MNC_EXECUTE), menuChar(L'a'));
    EXPECT_EQ(MAKELRESULT(4, MNC_EXECUTE), menuChar(L'D'));
    EXPECT_EQ(MAKELRESULT(2, MNC_SELECT), menuChar(L'b'));  // two items: the first
    ::HiliteMenuItem(f.frame->m_hWnd, f.popup, 2, MF_BYPOSITION | MF_HILITE);
    MENUITEMINFOW state = {};
    state.cbSize = sizeof(state);
    state.fMask = MIIM_STATE;
    state.fState = MFS_HILITE;
    ::SetMenuItemInfoW(f.popup, 2, TRUE, &state);
    EXPECT_EQ(MAKELRESULT(3, MNC_SELECT), menuChar(L'b'));  // then the next after the highlighted one
    EXPECT_EQ(0, (int)HIWORD(menuChar(L'z')));
    f.frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
}

} // namespace

namespace {

TEST(MenuManager, AFrameDestroyedWhileInstalledLeavesItUnhooked)
{
    CFrameWnd* frame = new CFrameWnd;  // frames delete themselves
    ASSERT_TRUE(frame->Create(nullptr, L"gone", WS_OVERLAPPEDWINDOW, CRect(0, 0, 200, 100)));
    Manager manager;
    manager.Install(frame);
    EXPECT_TRUE(manager.IsHooked());
    frame->DestroyWindow();
    EXPECT_FALSE(manager.IsHooked());
    manager.Install(nullptr);  // nothing left to unhook: no harm
}

} // namespace
