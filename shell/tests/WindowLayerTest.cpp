#include "GcGdi.h"
#include "GcString.h"
#include "WindowLayer.h"
#include "resource.h"
#include <gtest/gtest.h>
#include <vector>

namespace {

// A window object that remembers which messages reached it.
class RecordingWindow : public CGcWindow {
public:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override
    {
        seen.push_back(msg);
        if (msg == WM_DRAWITEM) {
            drawnId = (int)wp;
            return TRUE;
        }
        return CGcWindow::OnMessage(msg, wp, lp);
    }
    bool Saw(UINT msg) const
    {
        for (UINT m : seen)
            if (m == msg)
                return true;
        return false;
    }
    std::vector<UINT> seen;
    int drawnId = 0;
};

HINSTANCE Program()
{
    return GetModuleHandleW(nullptr);
}

struct WindowLayerTest : testing::Test {
    static void SetUpTestSuite() { ASSERT_EQ(1, RegisterWindowHooks(Program())); }
};

// An empty dialog template (the system dialog class, no controls) built in memory.
struct EmptyDialog {
    DLGTEMPLATE t = {};
    WORD menu = 0, cls = 0, title = 0;
    EmptyDialog()
    {
        t.style = WS_POPUP | WS_CAPTION;
        t.cx = 100;
        t.cy = 60;
    }
};

INT_PTR CALLBACK IgnoringDialogProc(HWND, UINT msg, WPARAM, LPARAM)
{
    return msg == WM_INITDIALOG;
}

TEST_F(WindowLayerTest, DialogPassesUndrawnItemsToTheControl)
{
    EmptyDialog tpl;
    HWND dlg = CreateDialogIndirectParamW(Program(), &tpl.t, nullptr, IgnoringDialogProc, 0);
    ASSERT_NE(nullptr, dlg);
    EXPECT_EQ((ULONG_PTR)Program(), (ULONG_PTR)GetClassLongPtrW(dlg, GCLP_HMODULE));   // the program's dialog class
    RecordingWindow button;
    RECT r = {5, 5, 60, 30};
    ASSERT_NE(nullptr, button.CreateEx(0, L"Button", L"b", WS_CHILD | BS_OWNERDRAW, r, dlg, (HMENU)(INT_PTR)1234,
                                       Program()));
    EXPECT_EQ(&button, FindWindowObject(button.m_hWnd));
    EXPECT_TRUE(button.Saw(WM_NCCREATE));

    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = 1234;
    dis.hwndItem = button.m_hWnd;
    EXPECT_EQ(TRUE, SendMessageW(dlg, WM_DRAWITEM, 1234, (LPARAM)&dis));
    EXPECT_EQ(1234, button.drawnId);
    // a menu item is never handed to a control
    button.drawnId = 0;
    dis.CtlType = ODT_MENU;
    SendMessageW(dlg, WM_DRAWITEM, 1234, (LPARAM)&dis);
    EXPECT_EQ(0, button.drawnId);

    HDC dc = GetDC(dlg);
    EXPECT_EQ(1, SendMessageW(dlg, WM_ERASEBKGND, (WPARAM)dc, 0));
    ReleaseDC(dlg, dc);

    HWND child = button.m_hWnd;
    DestroyWindow(dlg);
    EXPECT_EQ(nullptr, FindWindowObject(child));
    EXPECT_EQ(nullptr, button.m_hWnd);
}

TEST_F(WindowLayerTest, ControlsWithoutAnObjectBehaveAsTheSystemClass)
{
    HWND parent = CreateWindowExW(0, kGcWndClassName, L"p", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr,
                                  Program(), nullptr);
    ASSERT_NE(nullptr, parent);
    HWND edit = CreateWindowExW(0, L"Edit", L"hello", WS_CHILD, 0, 0, 100, 20, parent, nullptr, Program(), nullptr);
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ(nullptr, FindWindowObject(edit));
    // the hooked class is the program's own, the behaviour the system's
    EXPECT_EQ((ULONG_PTR)Program(), (ULONG_PTR)GetClassLongPtrW(edit, GCLP_HMODULE));
    SendMessageW(edit, EM_REPLACESEL, FALSE, (LPARAM)L" world");
    wchar_t text[32] = {};
    GetWindowTextW(edit, text, 32);
    EXPECT_STREQ(L" worldhello", text);

    // a creation parameter that is not a window object is left alone
    int notAnObject = 7;
    HWND other = CreateWindowExW(0, L"Button", L"x", WS_CHILD, 0, 0, 10, 10, parent, nullptr, Program(),
                                 &notAnObject);
    ASSERT_NE(nullptr, other);
    EXPECT_EQ(nullptr, FindWindowObject(other));
    DestroyWindow(parent);
}

TEST_F(WindowLayerTest, LayerWindowRecordsSizeAndPosition)
{
    CGcModule module;
    module.Init(Program(), 0);
    EXPECT_EQ(&module, GcGetModule());
    EXPECT_EQ(0, module.CreateMainWindow(module.GetModuleName()));
    EXPECT_EQ(L"shell_tests.exe", std::wstring(module.GetModuleName()));
    HWND hwnd;
    {
        RecordingWindow w;
        RECT r = {10, 20, 210, 120};
        hwnd = w.Create(nullptr, L"layer", WS_OVERLAPPED, r, nullptr, nullptr);
        ASSERT_NE(nullptr, hwnd);
        wchar_t cls[64] = {};
        GetClassNameW(hwnd, cls, 64);
        EXPECT_STREQ(kGcWndClassName, cls);
        EXPECT_EQ(&w, FindWindowObject(hwnd));
        MoveWindow(hwnd, 30, 40, 150, 90, FALSE);
        RECT client;
        GetClientRect(hwnd, &client);
        EXPECT_EQ(client.right, w.m_cx);
        EXPECT_EQ(client.bottom, w.m_cy);
        EXPECT_TRUE(w.Saw(WM_MOVE));
    }
    // the object's end took its window along
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(nullptr, FindWindowObject(hwnd));
}

TEST_F(WindowLayerTest, MessagePumpSendsThreadCommandsToTheMainWindow)
{
    CGcModule module;
    module.Init(Program(), 0);
    RecordingWindow main;
    RECT r = {0, 0, 100, 100};
    ASSERT_NE(nullptr, main.Create(nullptr, L"main", WS_OVERLAPPED, r, nullptr, nullptr));
    module.m_pMainWnd = &main;
    PostThreadMessageW(GetCurrentThreadId(), WM_COMMAND, 42, 0);
    ASSERT_TRUE(module.PumpMessage());
    EXPECT_TRUE(main.Saw(WM_COMMAND));
    PostQuitMessage(0);
    EXPECT_FALSE(module.PumpMessage());
}

TEST(GcString, AssignAppendAndConvert)
{
    CGcString s(L"abc");
    s += L"def";
    EXPECT_STREQ(L"abcdef", s.c_str());
    EXPECT_EQ(6, s.Length());
    s.AssignUtf8("\xD0\x9F\xD1\x80\xD0\xB8");
    EXPECT_STREQ(L"\x041F\x0440\x0438", s.c_str());
    EXPECT_EQ(3, s.Length());
    CGcString copy = s;
    copy.Append(L"!", 1);
    EXPECT_STREQ(L"\x041F\x0440\x0438", s.c_str());
    EXPECT_STREQ(L"\x041F\x0440\x0438!", copy.c_str());
    EXPECT_FALSE(s.LoadString(65000));
    EXPECT_STREQ(L"", s.c_str());
    // the program's module string table
    ASSERT_TRUE(s.LoadString(IDP_SOCKETS_INIT_FAILED));
    EXPECT_STREQ(L"Windows sockets initialization failed.", s.c_str());
}

TEST(GcGdi, WrappersOwnTheirHandles)
{
    HPEN pen;
    HFONT font;
    {
        CGcPen p(PS_SOLID, 2, RGB(1, 2, 3));
        CGcFont f(L"Arial", -12);
        CGcSolidBrush b(RGB(4, 5, 6));
        CGcMemDC dc;
        ASSERT_NE(nullptr, (HPEN)p);
        ASSERT_NE(nullptr, (HFONT)f);
        ASSERT_NE(nullptr, (HBRUSH)b);
        ASSERT_NE(nullptr, (HDC)dc);
        pen = p;
        font = f;
        LOGPEN lp = {};
        ASSERT_TRUE(GetObjectW(pen, sizeof lp, &lp));
        EXPECT_EQ(RGB(1, 2, 3), lp.lopnColor);
    }
    LOGPEN lp = {};
    EXPECT_EQ(0, GetObjectW(pen, sizeof lp, &lp));
    LOGFONTW lf = {};
    EXPECT_EQ(0, GetObjectW(font, sizeof lf, &lf));
}

} // namespace
