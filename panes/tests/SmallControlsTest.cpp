// The buffered paint DC, the picture check box and the report list with owner-drawn rows.
#include "BufferDC.h"
#include "PanesTestUtil.h"
#include "SmallControls.h"
#include <functional>

using namespace ptest;

namespace {

// A child window that paints through a CBufferDC with the test's drawing.
class Painter : public CWnd {
public:
    std::function<void(CBufferDC&)> draw;
    COLORREF seenDuringPaint = CLR_INVALID;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (message == WM_PAINT) {
            {
                CBufferDC dc(this);
                draw(dc);
                // Nothing reaches the window before the buffer goes.
                HDC win = ::GetDC(m_hWnd);
                seenDuringPaint = ::GetPixel(win, 10, 10);
                ::ReleaseDC(m_hWnd, win);
            }
            *result = 0;
            return TRUE;
        }
        return CWnd::OnWndMsg(message, wParam, lParam, result);
    }
};

COLORREF WindowPixel(HWND w, int x, int y)
{
    HDC dc = ::GetDC(w);
    COLORREF c = ::GetPixel(dc, x, y);
    ::ReleaseDC(w, dc);
    return c;
}

TEST(BufferDC, EverythingDrawnReachesTheWindowAlsoAfterTheBoundsGrew)
{
    const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255), green = RGB(0, 160, 0);
    struct Case { const char* name; bool grow, saveRestore; } table[] = {
        {"plain", false, false},
        {"grown", true, false},
        {"grown between save and restore", true, true},
    };
    for (const auto& t : table) {
        SCOPED_TRACE(t.name);
        Host host;
        Painter painter;
        painter.Create(AfxRegisterWndClass(0, nullptr, (HBRUSH)::GetStockObject(WHITE_BRUSH)), L"",
                       WS_CHILD | WS_VISIBLE, CRect(0, 0, 120, 60), &host, 1);
        BOOL grown = FALSE;
        CRect buffer;
        painter.draw = [&](CBufferDC& dc) {
            dc.FillSolidRect(5, 5, 10, 10, red);
            int saved = t.saveRestore ? dc.SaveDC() : 0;
            if (t.grow) {
                CRect wide(0, 0, 300, 200);
                dc.SetBoundsRect(&wide, DCB_ENABLE);
            }
            if (t.saveRestore)
                dc.RestoreDC(saved);
            dc.FillSolidRect(30, 5, 10, 10, blue);
            dc.SetTextColor(green);
            dc.SetBkMode(TRANSPARENT);
            dc.TextOut(50, 20, CString(L"WWW"));
            grown = dc.IsGrown();
            buffer = dc.BufferRect();
        };
        host.Show();
        painter.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        EXPECT_EQ(t.grow, grown != FALSE);
        EXPECT_EQ(t.grow ? CRect(0, 0, 300, 200) : CRect(0, 0, 120, 60), buffer);
        EXPECT_NE(red, painter.seenDuringPaint);
        EXPECT_EQ(red, WindowPixel(painter.m_hWnd, 10, 10));
        EXPECT_EQ(blue, WindowPixel(painter.m_hWnd, 35, 10));
        EXPECT_EQ(RGB(255, 255, 255), WindowPixel(painter.m_hWnd, 100, 50));  // the erased background
        int greens = 0;
        for (int y = 20; y < 40; ++y)
            for (int x = 50; x < 80; ++x)
                greens += WindowPixel(painter.m_hWnd, x, y) == green;
        EXPECT_GT(greens, 0) << "text output goes to the buffer too";
        painter.DestroyWindow();
    }
}

class TestCheckBox : public PeloraUI::CCheckBox {};

TEST(CheckBox, PressAndDoubleClickEachToggleAndThePictureFollows)
{
    Host host;
    TestCheckBox box;
    ASSERT_TRUE(box.Create(L"Export tags", WS_CHILD | WS_VISIBLE, CRect(10, 10, 150, 30), &host, 300));
    ASSERT_NE(nullptr, box.m_images.GetSafeHandle());
    struct Step { UINT message; int expect; } steps[] = {
        {WM_LBUTTONDOWN, 1}, {WM_LBUTTONUP, 1},
        // a double click: press, release, double click, release = two toggles
        {WM_LBUTTONDOWN, 0}, {WM_LBUTTONUP, 0}, {WM_LBUTTONDBLCLK, 1}, {WM_LBUTTONUP, 1},
    };
    for (const auto& s : steps) {
        box.SendMessage(s.message, s.message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(5, 5));
        EXPECT_EQ(s.expect, box.m_bChecked) << std::hex << s.message;
    }
    EXPECT_TRUE(host.notices.empty()) << "the owner reads the flag; nothing is sent";
    // The picture: the tick's green shows in the box only when checked; the box sits at the
    // left edge, vertically centred.
    for (int checked : {0, 1}) {
        box.m_bChecked = checked;
        Canvas canvas(140, 20, RGB(255, 0, 255));
        box.Paint(&canvas.dc);
        const CRect tickArea(0, 3, 13, 16);
        int tick = 0;
        for (int y = tickArea.top; y < tickArea.bottom; ++y)
            for (int x = tickArea.left; x < tickArea.right; ++x) {
                COLORREF c = canvas.At(x, y);
                tick += GetGValue(c) > 90 && GetRValue(c) < 90 && GetBValue(c) < 90;
            }
        EXPECT_EQ(checked != 0, tick > 0) << checked;
        EXPECT_EQ(RGB(255, 255, 255), canvas.At(6, 4)) << "the box's inside, row (20 - 13) / 2 + 1";
        EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), canvas.At(6, 1)) << "the parent's button colour around it";
    }
}

class TestList : public CListCtrl2 {};

struct ListFixture {
    Host host;
    TestList list;
    explicit ListFixture(int factor = 1)
    {
        list.m_nRowFactor = factor;
        list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SHOWSELALWAYS, CRect(0, 0, 300, 200),
                    &host, 400);
        list.InsertColumn(0, L"Key", LVCFMT_LEFT, 100);
        list.InsertColumn(1, L"Shortcut", LVCFMT_LEFT, 120);
        for (int i = 0; i < 3; ++i) {
            list.InsertItem(i, L"New note");
            list.SetItemText(i, 1, L"Ctrl+Alt+N");
        }
    }
    int RowHeight()
    {
        CRect r;
        list.GetItemRect(0, &r, LVIR_BOUNDS);
        return r.Height();
    }
    std::vector<int> Selected()
    {
        std::vector<int> out;
        for (int i = list.GetNextItem(-1, LVNI_SELECTED); i >= 0; i = list.GetNextItem(i, LVNI_SELECTED))
            out.push_back(i);
        return out;
    }
};

TEST(ListCtrl2, RowHeightIsTheFactorTimesTheFontHeightPlusFour)
{
    struct Case { int factor, fontHeight, expect; } table[] = {
        {1, -12, 16}, {2, -16, 40}, {0, 20, 24},  // a factor below 1 counts as 1
    };
    for (const auto& t : table) {
        ListFixture f(t.factor);
        CFont font;
        font.CreateFont(t.fontHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
        // The list measures again as soon as the font changes, without a resize.
        f.list.SetFont(&font);
        EXPECT_EQ(t.expect, f.RowHeight()) << t.factor << " " << t.fontHeight;
        f.list.DestroyWindow();
    }
}

TEST(ListCtrl2, APressOutsideTheSecondColumnLeavesNoRowSelected)
{
    ListFixture f;
    CRect row1;
    f.list.GetItemRect(1, &row1, LVIR_BOUNDS);
    const int y = row1.CenterPoint().y;
    struct Case { const char* name; UINT message; int x, y; std::vector<int> expect; } table[] = {
        {"first column", WM_LBUTTONDOWN, 50, y, {}},
        {"second column", WM_LBUTTONDOWN, 150, y, {1}},
        {"beyond the columns", WM_LBUTTONDOWN, 260, y, {}},
        {"no row", WM_LBUTTONDOWN, 150, 190, {}},
        {"right press is ignored", WM_RBUTTONDOWN, 150, y, {0}},
    };
    for (const auto& t : table) {
        f.list.SetItemState(-1, 0, LVIS_SELECTED);
        f.list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
        f.list.SendMessage(t.message, t.message == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, MAKELPARAM(t.x, t.y));
        f.list.SendMessage(t.message + 1, 0, MAKELPARAM(t.x, t.y));
        Pump();
        EXPECT_EQ(t.expect, f.Selected()) << t.name;
    }
}

TEST(ListCtrl2, RowsPaintWhiteWithAFramedSecondColumnRedWhenSelected)
{
    ListFixture f;
    f.list.m_bOwnFont = TRUE;
    for (bool selected : {false, true}) {
        Canvas canvas(300, 24, RGB(0, 255, 0));
        DRAWITEMSTRUCT dis = {};
        dis.CtlType = ODT_LISTVIEW;
        dis.itemID = 0;
        dis.itemState = selected ? ODS_SELECTED : 0;
        dis.hDC = canvas.dc.GetSafeHdc();
        dis.rcItem = CRect(0, 0, 300, 24);
        f.list.DrawItem(&dis);
        SCOPED_TRACE(selected ? "selected" : "plain");
        EXPECT_EQ(RGB(255, 255, 255), canvas.At(2, 2));                // first cell filled white
        EXPECT_EQ(RGB(192, 192, 192), canvas.At(100 + 6, 12));         // the frame, inset 6
        EXPECT_EQ(RGB(192, 192, 192), canvas.At(150, 6));
        EXPECT_EQ(RGB(255, 255, 255), canvas.At(100 + 5, 12));         // outside the frame
        EXPECT_EQ(RGB(0, 255, 0), canvas.At(250, 12)) << "nothing beyond the last column";
        const CRect second(110, 7, 215, 17);
        int red = 0, dark = 0;
        for (int yy = second.top; yy < second.bottom; ++yy)
            for (int xx = second.left; xx < second.right; ++xx) {
                COLORREF c = canvas.At(xx, yy);
                red += GetRValue(c) > 150 && GetGValue(c) < 100 && GetBValue(c) < 100;
                dark += GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100;
            }
        EXPECT_EQ(selected, red > 0);
        EXPECT_EQ(!selected, dark > 0);
    }
}

}  // namespace
