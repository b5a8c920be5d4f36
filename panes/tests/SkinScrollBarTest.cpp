// The skinned scroll bars: geometry and hit tests, arrow auto-repeat, paging, thumb dragging,
// and a list box wrapped by AttachSkinnedScrollBars.
#include "PanesIds.h"
#include "PanesTestUtil.h"
#include "SkinScrollBar.h"

using namespace ptest;

namespace {

// A parent that scrolls a position as a window would and tells the bar, recording each code.
class ScrollHost : public Host {
public:
    CSkinnedScrollBar* bar = nullptr;
    std::vector<std::pair<int, int>> scrolls;  // code, position sent
    int pos = 0, min = 0, max = 99, page = 10;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if ((message == WM_VSCROLL || message == WM_HSCROLL) && bar && (HWND)lParam == bar->m_hWnd) {
            const int code = LOWORD(wParam);
            scrolls.push_back({code, (short)HIWORD(wParam)});
            const int top = max - page + 1;
            switch (code) {
            case SB_LINEUP: pos -= 1; break;
            case SB_LINEDOWN: pos += 1; break;
            case SB_PAGEUP: pos -= page; break;
            case SB_PAGEDOWN: pos += page; break;
            case SB_THUMBPOSITION: pos = (short)HIWORD(wParam); break;
            }
            pos = std::max(min, std::min(pos, top));
            Set();
            *result = 0;
            return TRUE;
        }
        return Host::OnWndMsg(message, wParam, lParam, result);
    }
    void Set()
    {
        SCROLLINFO si = {sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, min, max, (UINT)page, pos};
        bar->SetScrollInfo(&si, TRUE);
    }
    std::vector<int> Codes() const
    {
        std::vector<int> out;
        for (auto& s : scrolls)
            out.push_back(s.first);
        return out;
    }
};

struct BarFixture {
    ScrollHost host;
    CSkinnedScrollBar bar;
    CBitmap skin;
    explicit BarFixture(int length, bool vertical = true)
    {
        skin.LoadBitmap(IDB_SCROLL_SKIN);
        bar.Create(WS_CHILD | WS_VISIBLE | (vertical ? SBS_VERT : SBS_HORZ),
                   vertical ? CRect(0, 0, 14, length) : CRect(0, 0, length, 14), &host, 101);
        bar.SetSkin((HBITMAP)skin.GetSafeHandle());
        host.bar = &bar;
    }
    ~BarFixture() { bar.DestroyWindow(); }
    void Send(UINT m, int along, bool vertical = true)
    {
        LPARAM lp = vertical ? MAKELPARAM(7, along) : MAKELPARAM(along, 7);
        bar.SendMessage(m, m == WM_LBUTTONDOWN || m == WM_MOUSEMOVE ? MK_LBUTTON : 0, lp);
    }
};

TEST(SkinnedScrollBar, GeometryAndHitTestsFollowTheScrollInfo)
{
    struct Case {
        const char* name;
        int length, min, max, page, pos;
        int arrow, track, thumb, offset;
    } table[] = {
        {"top", 200, 0, 99, 10, 0, 14, 172, 17, 0},
        {"middle", 200, 0, 99, 10, 45, 14, 172, 17, 77},
        {"bottom", 200, 0, 99, 10, 90, 14, 172, 17, 155},
        {"min not zero", 200, 10, 109, 10, 55, 14, 172, 17, 77},
        {"thumb at least 6", 200, 0, 9999, 1, 0, 14, 172, 6, 0},
        {"page covers all: centred", 200, 0, 9, 10, 0, 14, 172, 172, 0},
        {"empty range", 200, 0, -1, 0, 0, 14, 172, 0, 86},
        {"track of 5: no thumb", 33, 0, 99, 10, 0, 14, 5, 0, 0},
        {"shorter than two arrows", 20, 0, 99, 10, 0, 10, 0, 0, 0},
    };
    for (const auto& t : table) {
        SCOPED_TRACE(t.name);
        BarFixture f(t.length);
        f.host.min = t.min, f.host.max = t.max, f.host.page = t.page, f.host.pos = t.pos;
        f.host.Set();
        const auto g = f.bar.Measure();
        EXPECT_EQ(t.length, g.length);
        EXPECT_EQ(t.arrow, g.arrow);
        EXPECT_EQ(t.track, g.track);
        EXPECT_EQ(t.thumb, g.thumb);
        EXPECT_EQ(t.offset, g.offset);
        if (t.thumb > 0 && t.offset > 0) {
            const int A = g.arrow;
            EXPECT_EQ(CSkinnedScrollBar::FirstArrow, f.bar.HitTest(A - 1));
            EXPECT_EQ(CSkinnedScrollBar::PageBefore, f.bar.HitTest(A));
            EXPECT_EQ(CSkinnedScrollBar::Thumb, f.bar.HitTest(A + g.offset));
            EXPECT_EQ(CSkinnedScrollBar::Thumb, f.bar.HitTest(A + g.offset + g.thumb - 1));
            EXPECT_EQ(t.offset + t.thumb < t.track ? CSkinnedScrollBar::PageAfter : CSkinnedScrollBar::SecondArrow,
                      f.bar.HitTest(A + g.offset + g.thumb));
            EXPECT_EQ(CSkinnedScrollBar::SecondArrow, f.bar.HitTest(t.length - A));
        }
        // The bar answers the scroll info from its own copy.
        SCROLLINFO si = {sizeof si, SIF_ALL};
        f.bar.GetScrollInfo(&si);
        EXPECT_EQ(t.max, si.nMax);
        EXPECT_EQ(t.pos, si.nPos);
        EXPECT_EQ(-1, si.nTrackPos);
    }
}

TEST(SkinnedScrollBar, HoldingAnArrowScrollsOnceThenRepeatsToTheEnd)
{
    BarFixture f(200);
    f.host.max = 11, f.host.page = 5, f.host.pos = 0;  // the last position is 7
    f.host.Set();
    f.Send(WM_LBUTTONDOWN, 195);
    EXPECT_EQ(std::vector<int>{SB_LINEDOWN}, f.host.Codes());
    EXPECT_EQ(CSkinnedScrollBar::SecondArrow, f.bar.m_nPressedPart);
    // Nothing repeats before the delay's timer; then each repeat timer scrolls once.
    f.bar.SendMessage(WM_TIMER, CSkinnedScrollBar::TimerDelay, 0);
    EXPECT_TRUE(f.bar.m_bAutoRepeat);
    EXPECT_EQ(1u, f.host.scrolls.size());
    for (int i = 0; i < 10; ++i)
        f.bar.SendMessage(WM_TIMER, CSkinnedScrollBar::TimerRepeat, 0);
    EXPECT_EQ(7, f.host.pos);
    EXPECT_EQ(7u, f.host.scrolls.size()) << "the repeat stops at the end of the range";
    EXPECT_FALSE(f.bar.m_bAutoRepeat);
    f.Send(WM_LBUTTONUP, 195);
    EXPECT_EQ(CSkinnedScrollBar::None, f.bar.m_nPressedPart);
    EXPECT_NE(f.bar.m_hWnd, ::GetCapture());

    // The same with the real timers, back up to the top (bounded wait, no timing asserted).
    f.host.scrolls.clear();
    f.Send(WM_LBUTTONDOWN, 3);
    const DWORD start = ::GetTickCount();
    while (f.host.pos > 0 && ::GetTickCount() - start < 20000) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        Pump();
    }
    f.Send(WM_LBUTTONUP, 3);
    EXPECT_EQ(0, f.host.pos);
    EXPECT_EQ(7u, f.host.scrolls.size());
    // A pointer that left the bar holds the repeat.
    f.host.pos = 3;
    f.host.Set();
    f.host.scrolls.clear();
    f.Send(WM_LBUTTONDOWN, 3);
    f.bar.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 3));
    f.bar.SendMessage(WM_TIMER, CSkinnedScrollBar::TimerRepeat, 0);
    EXPECT_EQ(1u, f.host.scrolls.size());
    f.Send(WM_LBUTTONUP, 3);
}

TEST(SkinnedScrollBar, PagingStopsWhenTheThumbReachesThePointer)
{
    BarFixture f(200);
    f.host.pos = 0;
    f.host.Set();
    // The pointer at 130 along the bar: pages until the thumb is under it.
    f.Send(WM_LBUTTONDOWN, 130);
    for (int i = 0; i < 20; ++i)
        f.bar.SendMessage(WM_TIMER, CSkinnedScrollBar::TimerRepeat, 0);
    f.Send(WM_LBUTTONUP, 130);
    ASSERT_FALSE(f.host.scrolls.empty());
    for (int code : f.host.Codes())
        EXPECT_EQ(SB_PAGEDOWN, code);
    EXPECT_EQ(CSkinnedScrollBar::Thumb, f.bar.HitTest(130));
    EXPECT_LT(f.host.pos, 90) << "it did not run on to the end";
}

TEST(SkinnedScrollBar, DraggingTheThumbTracksThenSetsThePositionOnce)
{
    for (bool vertical : {true, false}) {
        SCOPED_TRACE(vertical ? "vertical" : "horizontal");
        BarFixture f(200, vertical);
        f.host.pos = 0;
        f.host.Set();
        // 0..99 page 10: 155 free pixels for 90 positions.
        f.Send(WM_LBUTTONDOWN, 20, vertical);
        EXPECT_TRUE(f.bar.m_bDragging);
        f.Send(WM_MOUSEMOVE, 20 + 31, vertical);   // 90 * 31 / 155 = 18
        f.Send(WM_MOUSEMOVE, 20 + 31, vertical);   // unchanged: nothing sent
        f.Send(WM_MOUSEMOVE, 20 - 50, vertical);   // above the top: 0
        f.Send(WM_MOUSEMOVE, 20 + 400, vertical);  // past the end: 90
        f.Send(WM_LBUTTONUP, 20 + 400, vertical);
        const std::vector<std::pair<int, int>> expect = {
            {SB_THUMBTRACK, 18}, {SB_THUMBTRACK, 0}, {SB_THUMBTRACK, 90}, {SB_THUMBPOSITION, 90}};
        EXPECT_EQ(expect, f.host.scrolls);
        EXPECT_FALSE(f.bar.m_bDragging);
        EXPECT_EQ(90, f.host.pos);
        EXPECT_EQ(-1, f.bar.Info().nTrackPos);
    }
}

TEST(SkinnedScrollBar, PaintsArrowsTrackAndThumbFromTheSkin)
{
    BarFixture f(200);
    f.host.pos = 45;
    f.host.Set();
    Canvas canvas(14, 200, RGB(255, 0, 255));
    f.bar.Paint(&canvas.dc);
    // Colours of the skin: track, thumb and the arrows' glyph in the normal row.
    const COLORREF track = RGB(0xE9, 0xEC, 0xF1), thumb = RGB(0xC4, 0xCA, 0xD4), glyph = RGB(0x8A, 0x94, 0xA6);
    const auto g = f.bar.Measure();
    EXPECT_EQ(track, canvas.At(7, g.arrow + 2));
    EXPECT_EQ(thumb, canvas.At(7, g.arrow + g.offset + g.thumb / 2));
    EXPECT_EQ(track, canvas.At(7, g.arrow + g.offset + g.thumb + 2));
    EXPECT_GT(canvas.Count(CRect(0, 0, 14, 14), glyph), 0);
    EXPECT_GT(canvas.Count(CRect(0, 186, 14, 200), glyph), 0);
    EXPECT_EQ(0, canvas.Count(CRect(0, 0, 14, 200), RGB(255, 0, 255))) << "every pixel painted";

    // Shorter than two arrows: two half-length arrows, no thumb.
    BarFixture s(20);
    s.host.Set();
    Canvas small(14, 20, RGB(255, 0, 255));
    s.bar.Paint(&small.dc);
    EXPECT_EQ(0, small.Count(CRect(0, 0, 14, 20), thumb));
    EXPECT_GT(small.Count(CRect(0, 0, 14, 10), glyph), 0);
    EXPECT_GT(small.Count(CRect(0, 10, 14, 20), glyph), 0);
}

bool Shown(CWnd& w)
{
    return (w.GetStyle() & WS_VISIBLE) != 0;  // the host itself stays hidden
}

struct Wrapped {
    Host host{300, 240};
    CListBox list;
    CBitmap skin;
    CScrollBarFrame* frame = nullptr;
    explicit Wrapped(int items, DWORD extra = 0)
    {
        skin.LoadBitmap(IDB_SCROLL_SKIN);
        list.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | extra, CRect(10, 10, 210, 160), &host, 42);
        for (int i = 0; i < items; ++i) {
            CString s;
            s.Format(L"Folder %d with a long enough name to need a horizontal scroll bar", i);
            list.AddString(s);
        }
        if (extra & WS_HSCROLL)
            list.SendMessage(LB_SETHORIZONTALEXTENT, 600, 0);
        frame = AttachSkinnedScrollBars(&list, (HBITMAP)skin.GetSafeHandle());
        Pump();
    }
    CRect InHost(HWND w)
    {
        CRect r;
        ::GetWindowRect(w, &r);
        host.ScreenToClient(&r);
        return r;
    }
};

TEST(ScrollBarFrame, AListWithOnlyAVerticalBarShowsOneSkinnedBarOnTheRight)
{
    Wrapped w(40);
    ASSERT_NE(nullptr, w.frame);
    EXPECT_EQ(w.frame->m_hWnd, ::GetDlgItem(w.host.m_hWnd, 42)) << "the frame takes the list's place and id";
    CString name;
    w.frame->GetWindowText(name);
    EXPECT_STREQ(L"SkinScrollBarFrame", (const wchar_t*)name);
    EXPECT_EQ(CRect(10, 10, 210, 160), w.InHost(w.frame->m_hWnd));
    EXPECT_TRUE(Shown(w.frame->m_sbVert));
    EXPECT_FALSE(Shown(w.frame->m_sbHorz));
    EXPECT_EQ(CRect(196, 10, 210, 160), w.InHost(w.frame->m_sbVert.m_hWnd));
    EXPECT_EQ(CRect(10, 10, 196, 160), w.InHost(w.frame->m_wndLimit.m_hWnd));
    // The list's client reaches exactly to the skinned bar: its own bar is out of sight.
    CRect client;
    w.list.GetClientRect(&client);
    EXPECT_EQ(186, client.Width());
    // Its scroll state is mirrored, and the skinned bar scrolls it.
    SCROLLINFO mine = {sizeof mine, SIF_ALL}, skinned = {sizeof skinned, SIF_ALL};
    w.list.GetScrollInfo(SB_VERT, &mine);
    w.frame->m_sbVert.GetScrollInfo(&skinned);
    EXPECT_EQ(mine.nMax, skinned.nMax);
    EXPECT_EQ(mine.nPage, skinned.nPage);
    EXPECT_TRUE(w.frame->m_sbVert.IsWindowEnabled());
    w.frame->m_sbVert.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(7, 145));
    w.frame->m_sbVert.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(7, 145));
    EXPECT_EQ(1, w.list.GetTopIndex());
    EXPECT_EQ(1, w.frame->m_sbVert.Info().nPos);
    // No corner square without a horizontal bar: the frame shows nothing of its own there.
    EXPECT_EQ(0, w.frame->m_nShown == 2);
}

TEST(ScrollBarFrame, ShortListsAndBothBars)
{
    {
        Wrapped w(3, LBS_DISABLENOSCROLL);
        EXPECT_TRUE(Shown(w.frame->m_sbVert));
        EXPECT_FALSE(w.frame->m_sbVert.IsWindowEnabled()) << "too short to scroll";
    }
    {
        Wrapped w(3);
        EXPECT_FALSE(Shown(w.frame->m_sbVert)) << "the list hid its bar";
        EXPECT_EQ(CRect(10, 10, 210, 160), w.InHost(w.frame->m_wndLimit.m_hWnd));
    }
    {
        Wrapped w(40, WS_HSCROLL);
        EXPECT_TRUE(Shown(w.frame->m_sbVert));
        EXPECT_TRUE(Shown(w.frame->m_sbHorz));
        EXPECT_EQ(CRect(196, 10, 210, 146), w.InHost(w.frame->m_sbVert.m_hWnd));
        EXPECT_EQ(CRect(10, 146, 196, 160), w.InHost(w.frame->m_sbHorz.m_hWnd));
        EXPECT_EQ(CRect(10, 10, 196, 146), w.InHost(w.frame->m_wndLimit.m_hWnd));
        w.frame->m_sbHorz.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(180, 7));
        w.frame->m_sbHorz.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(180, 7));
        EXPECT_GT(w.list.GetScrollPos(SB_HORZ), 0);
    }
}

TEST(ScrollBarFrame, DetachingOrDestroyingUnwraps)
{
    {
        Wrapped w(40);
        DetachSkinnedScrollBars(&w.list);
        Pump();
        EXPECT_EQ(w.host.m_hWnd, ::GetParent(w.list.m_hWnd));
        EXPECT_EQ(CRect(10, 10, 210, 160), w.InHost(w.list.m_hWnd));
        EXPECT_EQ(w.list.m_hWnd, ::GetDlgItem(w.host.m_hWnd, 42)) << "the frame is gone";
        EXPECT_EQ(nullptr, CScrollBarFrame::FromTarget(w.list.m_hWnd));
        w.list.AddString(L"still works");
    }
    {
        Wrapped w(40);
        HWND frame = w.frame->m_hWnd;
        w.list.DestroyWindow();
        Pump();
        EXPECT_FALSE(::IsWindow(frame));
    }
    {
        // The parent going takes everything with it (run under the heap checks of the test).
        Wrapped w(40);
        w.host.DestroyWindow();
        Pump();
    }
}

}  // namespace
