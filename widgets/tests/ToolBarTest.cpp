#include "LWToolBar.h"
#include "WidgetTestUtil.h"
#include "test_ids.h"

namespace {

class CommandFrame : public CFrameWnd {
public:
    std::vector<UINT> commands;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        if (!lParam) {
            commands.push_back(LOWORD(wParam));
            return TRUE;
        }
        return CFrameWnd::OnCommand(wParam, lParam);
    }
};

class Bar : public LWToolBar2 {
public:
    using LWToolBar2::PaintBar;
};

const int kButtons = 25;

struct BarHost {
    CommandFrame* frame = new CommandFrame;
    Bar bar;
    std::vector<UINT> ids;
    BarHost(int height = 30)
    {
        frame->Create(nullptr, L"bars", WS_POPUP, CRect(0, 0, 900, 200));
        bar.CreateEx(frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP);
        for (int i = 0; i < kButtons; ++i)
            ids.push_back(i == 5 ? 0 : 30000 + i);
        bar.SetButtons(ids.data(), kButtons);
        for (int i = 0; i < kButtons; ++i) {
            RECT r = {i * 32, 3, i * 32 + 30, 25};
            bar.SetItemRect(i, &r);
        }
        bar.MoveWindow(0, 0, 900, height);
        wtest::Pump();
    }
    ~BarHost() { frame->DestroyWindow(); }
    CPoint Centre(int index)
    {
        RECT r;
        bar.GetItemRect(index, &r);
        return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    void Mouse(UINT msg, CPoint p) { bar.SendMessage(msg, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(p.x, p.y)); }
    void Click(CPoint down, CPoint up)
    {
        Mouse(WM_MOUSEMOVE, down);
        Mouse(WM_LBUTTONDOWN, down);
        Mouse(WM_MOUSEMOVE, up);
        Mouse(WM_LBUTTONUP, up);
        wtest::Pump();
    }
};

TEST(ToolBar2, MoreThanTwentyButtonsKeepTheirOwnRecords)
{
    BarHost h;
    ASSERT_EQ(kButtons, h.bar.GetItemCount());
    for (int i = 0; i < kButtons; ++i) {
        RECT r;
        h.bar.GetItemRect(i, &r);
        EXPECT_EQ(i * 32, r.left) << i;
    }
    h.bar.SetButtonText(L"twenty-two", 22);
    h.bar.SetButtonText(nullptr, 23);
    EXPECT_EQ(CString(L"twenty-two"), h.bar.GetButtonInfoRecord(22)->text);
    EXPECT_TRUE(h.bar.GetButtonInfoRecord(23)->text.IsEmpty());

    wtest::TraceCatcher trace;
    h.bar.SetButtonText(L"x", -1);
    RECT r = {1, 2, 3, 4};
    h.bar.SetItemRect(-3, &r);
    EXPECT_TRUE(trace.Saw(L"no button -1"));
}

TEST(ToolBar2, AClickOnAnyButtonPostsItsCommand)
{
    BarHost h;
    for (int index : {0, 19, 20, 24}) {
        h.Click(h.Centre(index), h.Centre(index));
        ASSERT_EQ(1u, h.frame->commands.size()) << index;
        EXPECT_EQ(h.ids[index], h.frame->commands[0]);
        h.frame->commands.clear();
        EXPECT_EQ(-1, h.bar.m_nPressed);
        EXPECT_FALSE(h.bar.GetButtonStyle(index) & 0x20000);
    }
    // released over another button: nothing
    h.Click(h.Centre(21), h.Centre(22));
    EXPECT_TRUE(h.frame->commands.empty());
    // a separator is no button
    h.Click(h.Centre(5), h.Centre(5));
    EXPECT_TRUE(h.frame->commands.empty());
}

TEST(ToolBar2, HoverMovesTheHotLook)
{
    BarHost h;
    h.Mouse(WM_MOUSEMOVE, h.Centre(21));
    EXPECT_EQ(21, h.bar.m_nHot);
    EXPECT_TRUE(h.bar.GetButtonStyle(21) & 0x800000);
    EXPECT_EQ(h.bar.m_hWnd, ::GetCapture());
    h.Mouse(WM_MOUSEMOVE, h.Centre(23));
    EXPECT_FALSE(h.bar.GetButtonStyle(21) & 0x800000);
    EXPECT_TRUE(h.bar.GetButtonStyle(23) & 0x800000);
    h.Mouse(WM_MOUSEMOVE, CPoint(5, 500));  // out of the bar: no button held, so the capture goes
    EXPECT_EQ(-1, h.bar.m_nHot);
    EXPECT_EQ(nullptr, ::GetCapture());
}

TEST(ToolBar2, PaintsRedWithoutABackgroundAndCapsOnTheHotButton)
{
    BarHost h;
    h.Mouse(WM_MOUSEMOVE, h.Centre(22));
    ::ReleaseCapture();
    CRect window;
    h.bar.GetWindowRect(&window);
    wtest::Canvas canvas(window.Width(), window.Height(), RGB(1, 2, 3));
    h.bar.PaintBar(&canvas.dc);
    CPoint origin(0, 0);
    h.bar.ClientToScreen(&origin);
    origin -= window.TopLeft();
    RECT r;
    h.bar.GetItemRect(22, &r);
    EXPECT_EQ(RGB(255, 0, 0), canvas.At(origin.x + r.right + 1, origin.y + 10) /* between buttons */);
    EXPECT_EQ(RGB(192, 192, 192), canvas.At(origin.x + r.left + 10, origin.y + r.top));  // hot top line
    EXPECT_EQ(RGB(255, 0, 0), canvas.At(origin.x + r.left + 10, origin.y + r.top + 8));
}

TEST(ToolBar2, TheSharedImageGrowsForATallerBar)
{
    BarHost low(26);
    CRect window;
    low.bar.GetWindowRect(&window);
    wtest::Canvas first(window.Width(), window.Height(), RGB(1, 2, 3));
    low.bar.PaintBar(&first.dc);

    BarHost tall(80);
    tall.bar.GetWindowRect(&window);
    wtest::Canvas second(window.Width(), window.Height(), RGB(1, 2, 3));
    tall.bar.PaintBar(&second.dc);
    EXPECT_EQ(RGB(255, 0, 0), second.At(5, window.Height() - 2));  // painted to the bottom
}

TEST(ToolBar2, RecalcButtonsSizesByText)
{
    BarHost h;
    h.bar.SetButtonText(L"", 0);
    h.bar.SetButtonText(L"Sync", 1);
    h.bar.SetButtonText(L"Search", 2);
    h.bar.RecalcButtons();
    CClientDC dc(&h.bar);
    CFont* old = dc.SelectObject(&h.bar.m_font);
    CRect sync(0, 0, 0, 0);
    dc.DrawText(L"Sync", 4, &sync, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    dc.SelectObject(old);
    RECT r0, r1, r2;
    h.bar.GetItemRect(0, &r0);
    h.bar.GetItemRect(1, &r1);
    h.bar.GetItemRect(2, &r2);
    EXPECT_EQ(30, r0.right - r0.left);
    EXPECT_EQ(40, r1.left);
    EXPECT_EQ(35 + sync.Width(), r1.right - r1.left);
    EXPECT_EQ(500, r2.right - r2.left);
    EXPECT_EQ(r1.right + 10, r2.left);
}

TEST(ToolBar, DropDownRecordsAreKeptOncePerCommand)
{
    BarHost h;
    EXPECT_EQ(1, h.bar.AddDropDownButton(30001, IDR_MENU, 0, TRUE));
    EXPECT_EQ(1, h.bar.AddDropDownButton(30001, IDR_MENU + 1, 2, FALSE));
    LW_DROPDOWNBUTTON* record = h.bar.FindDropDownButton(30001);
    ASSERT_NE(nullptr, record);
    EXPECT_EQ((UINT)IDR_MENU + 1, record->menuId);
    EXPECT_EQ(2u, record->subMenuIndex);
    EXPECT_EQ(nullptr, record->next);
    EXPECT_TRUE(LOWORD(h.bar.GetButtonStyle(1)) & TBSTYLE_DROPDOWN);
    EXPECT_TRUE(h.bar.GetToolBarCtrl().GetExtendedStyle() & TBSTYLE_EX_DRAWDDARROWS);
    EXPECT_EQ(nullptr, h.bar.FindDropDownButton(30002));
    RECT r;
    EXPECT_TRUE(h.bar.GetRect(30002, r));
    EXPECT_FALSE(h.bar.GetRect(12345, r));
}

TEST(ToolBar2, InsertButtonSubitemHandsOverACopy)
{
    Bar bar;
    TBBUTTON* button = bar.InsertButtonSubitem(3, L"copy me");
    ASSERT_NE(nullptr, button);
    EXPECT_EQ(0, button->idCommand);
    EXPECT_STREQ(L"copy me", (const wchar_t*)button->iString);
    delete[] (wchar_t*)button->iString;
    delete button;
}

} // namespace
