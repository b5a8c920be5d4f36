#include "LWScrollBar.h"
#include "LWSplitterWnd.h"
#include "WidgetTestUtil.h"

namespace {

TEST(ScrollBar, GeometryTable)
{
    const struct {
        int min, max, page, height;
        float thumb, perUnit;
    } table[] = {
        {0, 100, 10, 200, 20, 180.0f / 91},
        {0, 1000, 10, 100, 20, 80.0f / 991},  // never thinner than 20
        {0, 0, 0, 200, 200, 0},                // no range: the whole height
        {50, 10, 5, 200, 200, 0},              // max below min
        {0, 100, 100, 200, 200, 0},            // the page covers the range
        {0, 100, 101, 200, 200, 0},            // one past it: no division by zero
        {0, 100, 150, 200, 200, 0},            // far past it: no negative step
        {0, 100, 10, 10, 20, 0},               // a bar shorter than the thumb
    };
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message() << row.min << ".." << row.max << " page " << row.page << " in " << row.height);
        LWScrollBar bar;
        bar.SetRange(row.min, row.max);
        bar.SetPage(row.page);
        bar.CalcCursorRect(row.height);
        EXPECT_FLOAT_EQ(row.thumb, bar.m_fThumbHeight);
        EXPECT_FLOAT_EQ(row.perUnit, bar.m_fPixelsPerUnit);
        EXPECT_EQ(10, bar.m_rcThumb.Width());
        EXPECT_EQ((int)row.thumb, bar.m_rcThumb.Height());
    }
}

struct ScrollHost {
    wtest::Host host;
    LWScrollBar bar;
    ScrollHost(int page = 10)
    {
        bar.Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 21, 210), &host, 3);
        bar.SetRange(0, 100);
        bar.SetPage(page);
        host.Take();
    }
    void Click(int y)
    {
        bar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, y));
        bar.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, y));
    }
};

TEST(ScrollBar, ClicksPageByThePageLessOne)
{
    const struct {
        int page, from, y, to;
        UINT code;
    } table[] = {
        {10, 0, 150, 9, SB_PAGEDOWN},   // below the thumb
        {10, 50, 10, 41, SB_PAGEUP},     // above it
        {10, 85, 199, 91, SB_PAGEDOWN},  // stops where the last page begins
        {10, 5, 2, 0, SB_PAGEUP},        // and at the minimum
        {1, 0, 150, 1, SB_PAGEDOWN},     // a page of one steps by one
    };
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message() << "page " << row.page << " from " << row.from << " at y " << row.y);
        ScrollHost h(row.page);
        h.bar.SetPos(row.from);
        h.Click(row.y);
        EXPECT_EQ(row.to, h.bar.GetPos());
        auto seen = h.host.Take();
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ(row.code, seen[0].code);
        EXPECT_EQ((UINT)row.to, seen[0].id);
        EXPECT_EQ(h.bar.m_hWnd, seen[0].from);
        EXPECT_EQ(-1, h.bar.m_nPressMode);
    }
}

TEST(ScrollBar, SetPosClampsToTheRange)
{
    LWScrollBar bar;
    bar.SetRange(0, 100);
    bar.SetPage(10);
    bar.SetPos(150);
    EXPECT_EQ(100, bar.GetPos());
    bar.SetPos(-5);
    EXPECT_EQ(0, bar.GetPos());
}

TEST(ScrollBar, DraggingTheThumbReportsPositions)
{
    ScrollHost h;
    const float perUnit = 180.0f / 91;
    h.bar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));  // in the thumb (0..20)
    EXPECT_EQ(SB_THUMBPOSITION, h.bar.m_nPressMode);
    const struct {
        int y, top, pos;
    } moves[] = {{95, 90, (int)((90 + perUnit / 2) / perUnit)}, {1000, 180, 91}, {-50, 0, 0}};
    for (const auto& m : moves) {
        h.bar.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, m.y));
        EXPECT_EQ(m.top, h.bar.m_rcThumb.top) << m.y;
        EXPECT_EQ(m.pos, h.bar.GetPos()) << m.y;
    }
    h.bar.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 0));
    auto seen = h.host.Take();
    ASSERT_EQ(3u, seen.size());
    for (const auto& n : seen)
        EXPECT_EQ((UINT)SB_THUMBPOSITION, n.code);
    EXPECT_EQ(46u, seen[0].id);
}

TEST(ScrollBar, APageCoveringTheRangeCannotBeDragged)
{
    ScrollHost h(100);
    h.bar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 50));
    h.bar.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 120));
    h.bar.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 120));
    EXPECT_EQ(0, h.bar.GetPos());
    EXPECT_TRUE(h.host.Take().empty());
}

// ---- splitter ----

struct Listener : LWSplitterNotify {
    int refuse = 0, placeItself = 0;
    std::vector<UINT> asked;
    int OnSplitterResize(CWnd*, UINT pos) override
    {
        asked.push_back(pos);
        return !refuse;
    }
    int OnResizeChild(CWnd*, CWnd*, CRect&) override { return !placeItself; }
};

struct SplitHost {
    wtest::Host host{500, 400};  // hidden: capture and layout need no screen
    LWSplitterWnd split;
    CWnd first, second;
    Listener listener;
    SplitHost(int kind, int pos = 120)
    {
        split.m_bSelfDelete = 0;
        split.Create(&host, CRect(0, 0, 400, 300), 1, kind, &first, &second, &listener);
        const wchar_t* cls = AfxRegisterWndClass(0);
        first.Create(cls, L"1", WS_CHILD | WS_VISIBLE, CRect(0, 0, 1, 1), &split, 2);
        second.Create(cls, L"2", WS_CHILD | WS_VISIBLE, CRect(0, 0, 1, 1), &split, 3);
        split.SetPos(pos);
        split.RecalcLayout();
        split.SendMessage(WM_SIZE, 0, MAKELPARAM(400, 300));
    }
    CRect Placed(CWnd& pane)
    {
        CRect r;
        pane.GetWindowRect(&r);
        split.ScreenToClient(&r);
        return r;
    }
    void Drag(CPoint from, CPoint to)
    {
        split.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
        split.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
        split.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    }
};

TEST(Splitter, PaneRectanglesByKind)
{
    const struct {
        int kind;
        CRect first, second;
    } table[] = {
        {0, CRect(0, 0, 120, 300), CRect(124, 0, 400, 300)},
        {1, CRect(0, 0, 280, 300), CRect(283, 0, 400, 300)},
        {2, CRect(0, 0, 400, 120), CRect(0, 124, 400, 300)},
        {3, CRect(0, 0, 400, 180), CRect(0, 184, 400, 300)},
    };
    for (const auto& row : table) {
        SplitHost h(row.kind);
        CRect a, b;
        h.split.GetPaneRect(a, b);
        EXPECT_EQ(row.first, a) << row.kind;
        EXPECT_EQ(row.second, b) << row.kind;
        EXPECT_EQ(row.first, h.Placed(h.first)) << row.kind;
        EXPECT_EQ(row.second, h.Placed(h.second)) << row.kind;
    }
}

TEST(Splitter, DraggingMovesTheBarWithinItsLimits)
{
    const struct {
        int kind;
        CPoint from, to;
        int pos;
    } table[] = {
        {0, CPoint(121, 50), CPoint(250, 50), 250},
        {0, CPoint(121, 50), CPoint(40, 50), 100},    // the left pane keeps 100 pixels
        {1, CPoint(281, 50), CPoint(350, 50), 100},   // the right pane keeps 100 pixels
        {1, CPoint(281, 50), CPoint(150, 50), 250},
        {2, CPoint(50, 121), CPoint(50, 20), 100},
        {3, CPoint(50, 181), CPoint(50, 280), 100},
        {3, CPoint(50, 181), CPoint(50, 60), 240},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message() << "kind " << row.kind << " to " << row.to.x << "," << row.to.y);
        SplitHost h(row.kind);
        h.Drag(row.from, row.to);
        EXPECT_EQ(row.pos, h.split.GetPos());
        EXPECT_EQ(nullptr, ::GetCapture());
        CRect a, b;
        h.split.GetPaneRect(a, b);
        EXPECT_EQ(a, h.Placed(h.first));
        EXPECT_EQ(b, h.Placed(h.second));
    }
}

TEST(Splitter, ARefusedOrCancelledDragChangesNothing)
{
    SplitHost refused(0);
    refused.listener.refuse = 1;
    refused.Drag(CPoint(121, 50), CPoint(250, 50));
    EXPECT_EQ((std::vector<UINT>{250}), refused.listener.asked);
    EXPECT_EQ(120, refused.split.GetPos());
    EXPECT_EQ(CRect(0, 0, 120, 300), refused.Placed(refused.first));

    SplitHost cancelled(0);
    cancelled.split.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(121, 50));
    cancelled.split.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(250, 50));
    cancelled.split.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(250, 50));
    cancelled.split.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(250, 50));
    EXPECT_EQ(120, cancelled.split.GetPos());
    EXPECT_TRUE(cancelled.listener.asked.empty());

    SplitHost offBar(0);  // a press beside the bar starts nothing
    offBar.Drag(CPoint(60, 50), CPoint(250, 50));
    EXPECT_EQ(120, offBar.split.GetPos());
}

TEST(Splitter, AListenerMayPlaceAPaneItself)
{
    SplitHost h(0);
    h.listener.placeItself = 1;
    h.first.MoveWindow(5, 5, 10, 10);
    h.Drag(CPoint(121, 50), CPoint(250, 50));
    EXPECT_EQ(250, h.split.GetPos());
    EXPECT_EQ(CRect(5, 5, 15, 15), h.Placed(h.first));
}

TEST(Splitter, OnlyTheBarTakesTheMouse)
{
    SplitHost h(0);
    CPoint onBar(122, 50), beside(300, 50);
    h.split.ClientToScreen(&onBar);
    h.split.ClientToScreen(&beside);
    EXPECT_EQ(HTTRANSPARENT, h.split.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(beside.x, beside.y)));
    EXPECT_NE(HTTRANSPARENT, h.split.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(onBar.x, onBar.y)));
    EXPECT_EQ(1, h.split.m_nHit);
}

TEST(Splitter, DrawsTheBarWithTheGripperWhenTallEnough)
{
    wtest::Canvas canvas(10, 60, RGB(1, 2, 3));
    LWSplitterWnd::DrawSplitter(&canvas.dc, CRect(0, 0, 8, 60));
    EXPECT_EQ(RGB(196, 203, 218), canvas.At(0, 30));
    EXPECT_EQ(RGB(255, 255, 255), canvas.At(3, 2));
    EXPECT_EQ(RGB(1, 2, 3), canvas.At(9, 30));
    LWSplitterWnd::DrawSplitter(nullptr, CRect(0, 0, 8, 60));  // no DC: nothing happens
}

} // namespace
