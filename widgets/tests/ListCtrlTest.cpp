#include "LWListCtrl.h"
#include "WidgetTestUtil.h"
#include <map>
#include <vector>

namespace {

struct Heard {
    UINT code;
    int item;
    POINT pt;
    WPARAM wParam;
    int phase, from, to;  // drag-reorder only
};

struct Drawn {
    int item;
    UINT action, state;
    RECT rc;
};

// The list's parent: records what the list says and draws, answers by code.
class ListHost : public CWnd {
public:
    std::vector<Heard> heard;
    std::vector<Drawn> drawn;
    std::map<UINT, LRESULT> answers;
    LWListCtrl* list = nullptr;
    bool startReorder = false;  // answers LVN_BEGINDRAG by starting a drag-reorder
    int cancelStepTo = -100;    // a phase-1 step to this row is refused

    ListHost()
    {
        CreateEx(0, AfxRegisterWndClass(CS_DBLCLKS), L"lists", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 300, 300, nullptr,
                 nullptr);
    }
    ~ListHost() override { DestroyWindow(); }

    std::vector<Heard> Take(bool withHover = false)
    {
        std::vector<Heard> out;
        for (const Heard& h : heard)
            if (withHover || (h.code != LWLC_HOVER && h.code != LWLC_SETFOCUS && h.code != LWLC_KILLFOCUS))
                out.push_back(h);
        heard.clear();
        return out;
    }

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (message == WM_NOTIFY) {
            const NMHDR* hdr = (const NMHDR*)lParam;
            if (hdr->code == LVN_GETDISPINFOW)
                return CWnd::OnWndMsg(message, wParam, lParam, result);
            Heard h = {hdr->code, -1, {-1, -1}, wParam, 0, 0, 0};
            if (hdr->code == LWLC_DRAGREORDER) {
                const LWListDragReorder* r = (const LWListDragReorder*)lParam;
                h.item = r->nm.iItem;
                h.phase = r->phase;
                h.from = r->from;
                h.to = r->to;
                heard.push_back(h);
                *result = (r->phase == 1 && r->to == cancelStepTo) ? 1 : 0;
                return TRUE;
            }
            if (hdr->code != LVN_KEYDOWN && hdr->code != LWLC_SETFOCUS && hdr->code != LWLC_KILLFOCUS) {
                const NMLISTVIEW* nm = (const NMLISTVIEW*)lParam;
                h.item = nm->iItem;
                h.pt = nm->ptAction;
            }
            heard.push_back(h);
            if (hdr->code == LVN_BEGINDRAG && startReorder && list)
                list->BeginDragItems();
            auto it = answers.find(hdr->code);
            *result = it == answers.end() ? 0 : it->second;
            return TRUE;
        }
        if (message == WM_DRAWITEM) {
            const DRAWITEMSTRUCT* dis = (const DRAWITEMSTRUCT*)lParam;
            drawn.push_back({(int)dis->itemID, dis->itemAction, dis->itemState, dis->rcItem});
            ::FillRect(dis->hDC, &dis->rcItem, (HBRUSH)::GetStockObject(dis->itemState & ODS_SELECTED ? GRAY_BRUSH : WHITE_BRUSH));
            *result = TRUE;
            return TRUE;
        }
        return CWnd::OnWndMsg(message, wParam, lParam, result);
    }
};

BOOL WINAPI NoDrag(HWND, POINT) { return FALSE; }
BOOL WINAPI AlwaysDrag(HWND, POINT) { return TRUE; }

// Ctrl and Shift as the thread's key state says (what GetKeyState reads).
void SetKeys(bool ctrl, bool shift)
{
    BYTE keys[256];
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    keys[VK_MENU] = 0;
    ::SetKeyboardState(keys);
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

// 100 pixels high, rows of 20: a page of 6 (the sixth partly visible).
struct ListFixture : testing::Test {
    ListHost host;
    LWListCtrl list;
    BOOL(WINAPI* savedDetect)(HWND, POINT) = nullptr;

    void SetUp() override
    {
        savedDetect = LWListCtrl::s_pfnDragDetect;
        LWListCtrl::s_pfnDragDetect = NoDrag;
        ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 200, 100), &host, 7));
        host.list = &list;
        SetKeys(false, false);
    }
    void TearDown() override
    {
        SetKeys(false, false);
        LWListCtrl::s_pfnDragDetect = savedDetect;
    }
    void Click(int row, bool ctrl = false, bool shift = false)
    {
        SetKeys(ctrl, shift);
        list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(50, (row - list.GetTopIndex()) * 20 + 5));
        list.SendMessage(WM_LBUTTONUP, 0, At(50, (row - list.GetTopIndex()) * 20 + 5));
        SetKeys(false, false);
    }
    std::vector<int> Marked()
    {
        std::vector<int> out;
        for (POSITION pos = list.GetFirstSelectedItemPosition(); pos;)
            out.push_back(list.GetNextSelectedItem(pos));
        return out;
    }
};

TEST_F(ListFixture, PageScrollBarAndTopIndexFollowTheCount)
{
    EXPECT_EQ(6, list.GetCountPerPage());
    list.SetItemCount(3);
    EXPECT_FALSE((list.m_wndScroll.GetStyle() & WS_VISIBLE));
    list.SetItemCount(10);
    EXPECT_TRUE((list.m_wndScroll.GetStyle() & WS_VISIBLE));
    CRect bar;
    list.m_wndScroll.GetWindowRect(&bar);
    list.ScreenToClient(&bar);
    EXPECT_EQ(CRect(190, 0, 200, 100), bar);

    const struct {
        int ask, top;
    } tops[] = {{100, 5}, {-3, 0}, {2, 2}, {5, 5}, {6, 5}};
    for (const auto& row : tops) {
        list.SetTopIndex(row.ask);
        EXPECT_EQ(row.top, list.GetTopIndex()) << row.ask;
        EXPECT_EQ(row.top, list.m_wndScroll.GetPos()) << row.ask;
    }

    // Rows and points at top 2: the scroll bar's strip is outside, as is anything past the end.
    list.SetTopIndex(2);
    const struct {
        int x, y, item, outside;
    } points[] = {{5, 0, 2, 0}, {5, 19, 2, 0}, {5, 20, 3, 0}, {5, -1, 1, 1}, {5, -21, 0, 1},
                  {195, 30, 3, 1}, {5, 99, 6, 0}, {-1, 10, 2, 1}};
    for (const auto& p : points) {
        int outside = -1;
        EXPECT_EQ(p.item, list.ItemFromPoint(CPoint(p.x, p.y), outside)) << p.x << "," << p.y;
        EXPECT_EQ(p.outside, outside) << p.x << "," << p.y;
    }
    RECT r;
    ASSERT_TRUE(list.GetItemRect(3, &r));
    EXPECT_EQ(CRect(0, 20, 200, 39), CRect(r));
    EXPECT_FALSE(list.GetItemRect(10, &r));
    EXPECT_FALSE(list.GetItemRect(-1, &r));

    // EnsureVisible from top 2: above, inside, below the page.
    const struct {
        int top, index, result;
    } ensure[] = {{2, 0, 0}, {2, 4, 2}, {2, 9, 4}, {0, 8, 3}, {5, 9, 5}};
    for (const auto& e : ensure) {
        list.SetTopIndex(e.top);
        list.EnsureVisible(e.index);
        EXPECT_EQ(e.result, list.GetTopIndex()) << e.top << " -> " << e.index;
    }
    EXPECT_EQ(20, list.SetItemHeight(25));
    EXPECT_EQ(5, list.GetCountPerPage());
}

TEST_F(ListFixture, ClicksMarkItemsWithoutWritingPastTheSelectionArray)
{
    const int n = 10;
    list.SetItemCount(n);
    // Guard words on both sides of the list's own marks.
    std::vector<int> guarded(n + 3, 0);
    const int kGuard = 0x5A5A5A5A;
    guarded.front() = guarded.back() = kGuard;
    int* own = list.m_pSelected;
    list.m_pSelected = guarded.data() + 1;

    const struct {
        const char* what;
        int row;
        bool ctrl, shift;
        int anchorBefore;  // -2: leave as is
        std::vector<int> marked;
        int current;
        bool changed;      // LVN_ITEMCHANGED
    } steps[] = {
        {"plain click", 3, false, false, -2, {3}, 3, true},
        {"ctrl click adds", 5, true, false, -2, {3, 5}, 3, false},
        {"ctrl click again keeps", 5, true, false, -2, {3, 5}, 3, false},
        {"shift click ranges from the anchor", 7, false, true, -2, {3, 4, 5, 6, 7}, 3, false},
        {"shift click upwards", 0, false, true, -2, {0, 1, 2, 3}, 3, false},
        {"shift click on the last row", 9, false, true, -2, {3, 4, 5, 6, 7, 8, 9}, 3, false},
        {"shift click without an anchor is a plain click", 8, false, true, -1, {8}, 8, true},
        {"plain click on the last row", 9, false, false, -2, {9}, 9, true},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.anchorBefore != -2)
            list.SetCurSel(s.anchorBefore);
        list.SetTopIndex(s.row >= 5 ? 5 : 0);
        host.Take();
        Click(s.row, s.ctrl, s.shift);
        EXPECT_EQ(s.marked, Marked());
        EXPECT_EQ(s.current, list.GetCurSel());
        auto heard = host.Take();
        ASSERT_FALSE(heard.empty());
        EXPECT_EQ((UINT)NM_CLICK, heard[0].code);
        EXPECT_EQ(s.row, heard[0].item);
        EXPECT_EQ(s.changed ? 2u : 1u, heard.size());
        if (s.changed) {
            EXPECT_EQ((UINT)LVN_ITEMCHANGED, heard[1].code);
            EXPECT_EQ(s.row, heard[1].item);
        }
        EXPECT_EQ(kGuard, guarded.front());
        EXPECT_EQ(kGuard, guarded.back());
    }
    // Single-selection mode ignores the keys.
    list.SetSingleSelection(TRUE);
    list.SetTopIndex(0);
    Click(2, true, false);
    EXPECT_EQ(std::vector<int>{2}, Marked());
    list.SetSingleSelection(FALSE);

    // Deleting rows shifts the marks down within the array.
    list.SetCurSel(-1);
    list.SetCurSel(8, 5);  // marks 8 and 9 only: the rest lies past the end
    EXPECT_EQ((std::vector<int>{8, 9}), Marked());
    list.DeleteString(9);
    EXPECT_EQ(std::vector<int>{8}, Marked());
    EXPECT_EQ(8, list.GetCurSel());
    list.DeleteString(8);
    EXPECT_EQ(-1, list.GetCurSel());
    EXPECT_EQ(std::vector<int>{}, Marked());
    list.DeleteString(100);  // ignored
    list.DeleteString(-1);
    EXPECT_EQ(8, list.GetItemCount());
    EXPECT_EQ(kGuard, guarded.front());
    EXPECT_EQ(kGuard, guarded.back());
    list.m_pSelected = own;
}

TEST_F(ListFixture, ShrinkingTheListDropsASelectionPastItsEnd)
{
    list.SetItemCount(10);
    Click(4);
    EXPECT_EQ(4, list.GetCurSel());
    list.SetItemCount(3);
    EXPECT_EQ(-1, list.GetCurSel());
    EXPECT_EQ(0, list.GetSelectedCount());
    // A Shift-click after the shrink has no anchor left: no range past the new end.
    Click(2, false, true);
    EXPECT_EQ(std::vector<int>{2}, Marked());
    EXPECT_EQ(2, list.GetCurSel());
    list.SetItemCount(5);
    EXPECT_EQ(2, list.GetCurSel());  // still inside: kept (the marks are cleared)
    EXPECT_EQ(std::vector<int>{}, Marked());

    // Before any SetItemCount: nothing to mark, nothing read.
    LWListCtrl fresh;
    EXPECT_EQ(0, fresh.GetSelectedCount());
    EXPECT_EQ(nullptr, fresh.GetFirstSelectedItemPosition());
    fresh.SetCurSel(0, 3);
    EXPECT_EQ(-1, fresh.GetCurSel());
    fresh.SelectItem(4);
    fresh.DeleteString(0);
    EXPECT_FALSE(fresh.IsSelectedItem(0));
}

TEST_F(ListFixture, ParentAnswersAndOtherButtons)
{
    list.SetItemCount(10);
    Click(2);
    host.Take();
    host.answers[NM_CLICK] = 1;  // the parent keeps the click for itself
    Click(4);
    EXPECT_EQ(2, list.GetCurSel());
    EXPECT_EQ(std::vector<int>{2}, Marked());
    auto heard = host.Take();
    ASSERT_EQ(1u, heard.size());
    EXPECT_EQ((UINT)NM_CLICK, heard[0].code);
    EXPECT_EQ(CPoint(50, 85), CPoint(heard[0].pt));
    host.answers.clear();

    // A click below the last row reaches nobody (no item).
    list.SetItemCount(3);
    list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(50, 90));
    EXPECT_TRUE(host.Take().empty());

    // Right button: in multiple mode a press off the marks clears them but marks nothing.
    list.SetItemCount(10);
    Click(1);
    Click(3, true);
    host.Take();
    list.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, At(50, 25));  // row 1: marked, kept
    EXPECT_EQ((std::vector<int>{1, 3}), Marked());
    list.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, At(50, 45));  // row 2: not marked
    EXPECT_EQ(std::vector<int>{}, Marked());
    heard = host.Take();
    ASSERT_EQ(2u, heard.size());
    EXPECT_EQ((UINT)NM_RCLICK, heard[1].code);
    EXPECT_EQ(2, heard[1].item);
    EXPECT_EQ(0u, heard[1].wParam);
    list.SetSingleSelection(TRUE);
    list.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, At(50, 65));
    EXPECT_EQ(std::vector<int>{3}, Marked());
    EXPECT_EQ(3, list.GetCurSel());
    host.Take();

    list.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, At(50, 45));
    list.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, At(50, 300));  // off the rows: no notice
    heard = host.Take();
    ASSERT_EQ(1u, heard.size());
    EXPECT_EQ((UINT)NM_DBLCLK, heard[0].code);
    EXPECT_EQ(2, heard[0].item);

    // The wheel moves one row per message whatever its size; a small delta does nothing.
    list.SetTopIndex(0);
    const struct {
        short delta;
        int top;
    } wheel[] = {{-120, 1}, {-480, 2}, {60, 2}, {-60, 2}, {240, 1}, {120, 0}, {120, 0}};
    for (const auto& w : wheel) {
        list.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)w.delta), 0);
        EXPECT_EQ(w.top, list.GetTopIndex()) << w.delta;
    }
}

TEST_F(ListFixture, PaintAsksTheParentForBackgroundRowsAndRest)
{
    list.SetItemCount(4);
    list.SetCurSel(1);
    list.SetCurSel(3, 1);  // marked too
    list.m_nHotItem = 2;
    wtest::Canvas canvas(200, 100, RGB(1, 2, 3));
    host.drawn.clear();
    list.OnDraw(&canvas.dc);
    const struct {
        int item;
        UINT action, state;
        RECT rc;
    } expect[] = {
        {-1, 0, 0, {0, 0, 200, 100}},
        {0, 0, 0, {0, 0, 200, 20}},
        {1, ODA_SELECT, ODS_SELECTED, {0, 20, 200, 40}},
        {2, ODA_FOCUS, ODS_FOCUS, {0, 40, 200, 60}},
        {3, ODA_SELECT, ODS_SELECTED, {0, 60, 200, 80}},
        {-2, 0, 0, {0, 80, 200, 100}},
    };
    ASSERT_EQ(sizeof(expect) / sizeof(expect[0]), host.drawn.size());
    for (size_t i = 0; i < host.drawn.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(expect[i].item, host.drawn[i].item);
        EXPECT_EQ(expect[i].action, host.drawn[i].action);
        EXPECT_EQ(expect[i].state, host.drawn[i].state);
        EXPECT_EQ(CRect(expect[i].rc), CRect(host.drawn[i].rc));
    }
    // With the scroll bar shown the rows leave its 10 pixels.
    list.SetItemCount(20);
    host.drawn.clear();
    list.OnDraw(&canvas.dc);
    ASSERT_EQ(8u, host.drawn.size());  // background, six rows, rest
    EXPECT_EQ(CRect(0, 100, 190, 100), CRect(host.drawn.back().rc));
    EXPECT_EQ(CRect(0, 100, 190, 120), CRect(host.drawn[6].rc));

    const int before = AfxGetGdiObjectCount();
    for (int i = 0; i < 30; ++i) {
        list.Invalidate();
        list.SendMessage(WM_PAINT);
        list.RedrawItems(nullptr, 0, 3);
    }
    list.AnimateSwapItems(1, 2);
    wtest::Pump();
    EXPECT_EQ(before, AfxGetGdiObjectCount());
}

TEST_F(ListFixture, DragReorderStepsOneRowPerMoveAndScrollsAtTheEdge)
{
    list.SetItemCount(10);
    host.startReorder = true;
    LWListCtrl::s_pfnDragDetect = AlwaysDrag;
    list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(50, 25));  // row 1
    ASSERT_EQ(1, list.m_bDragMode);
    EXPECT_EQ(1, list.m_nDragItem);
    EXPECT_EQ(::GetCapture(), list.m_hWnd);
    auto heard = host.Take();
    ASSERT_EQ(1u, heard.size());  // LVN_BEGINDRAG only: no click once the reorder runs
    EXPECT_EQ((UINT)LVN_BEGINDRAG, heard[0].code);
    EXPECT_EQ(1, heard[0].item);

    // Three rows down in one move: one step per mouse message.
    list.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(50, 85));
    list.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(50, 85));
    list.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(50, 85));
    list.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(50, 99));  // on the dragged row: nothing
    host.cancelStepTo = 5;
    list.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(50, 150)); // outside, below: refused again
    host.cancelStepTo = -100;
    list.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(50, 150)); // 5: below the page, scrolls
    list.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(50, -30)); // back up one
    list.SendMessage(WM_LBUTTONUP, 0, At(50, -30));
    heard = host.Take(true);
    const struct {
        int phase, from, to;
    } expect[] = {{1, 1, 2}, {2, 1, 2}, {1, 2, 3}, {2, 2, 3}, {1, 3, 4}, {2, 3, 4},
                  {1, 4, 5}, {1, 4, 5}, {2, 4, 5}, {1, 5, 4}, {2, 5, 4}, {3, 4, 4}};
    ASSERT_EQ(sizeof(expect) / sizeof(expect[0]), heard.size());
    for (size_t i = 0; i < heard.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(LWLC_DRAGREORDER, heard[i].code);
        EXPECT_EQ(-1, heard[i].item);
        EXPECT_EQ(expect[i].phase, heard[i].phase);
        EXPECT_EQ(expect[i].from, heard[i].from);
        EXPECT_EQ(expect[i].to, heard[i].to);
    }
    EXPECT_EQ(1, list.GetTopIndex());  // the step to row 5 scrolled one row
    EXPECT_EQ(0, list.m_bDragMode);
    EXPECT_EQ(-1, list.m_nDragItem);
    EXPECT_NE(::GetCapture(), list.m_hWnd);

    // A drag at the last row towards the end goes nowhere; a right click ends it.
    list.SetTopIndex(5);
    list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(50, 85));  // row 9
    ASSERT_EQ(9, list.m_nDragItem);
    list.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(50, 400));
    list.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, At(50, 400));
    heard = host.Take(true);
    ASSERT_EQ(2u, heard.size());
    EXPECT_EQ(3, heard[1].phase);
    EXPECT_EQ(9, heard[1].from);
    EXPECT_EQ(0, list.m_bDragMode);

    // A parent that refuses the drag gets a press and no click.
    host.startReorder = false;
    host.answers[LVN_BEGINDRAG] = 1;
    list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(50, 25));
    heard = host.Take();
    ASSERT_EQ(1u, heard.size());
    EXPECT_EQ((UINT)LVN_BEGINDRAG, heard[0].code);
}

TEST_F(ListFixture, KeysMoveTheSelectionAndHoverReportsMoves)
{
    list.SetItemCount(4);
    list.SetFocus();
    if (::GetFocus() != list.m_hWnd)
        GTEST_SKIP() << "no focus on this desktop";
    host.Take();
    MSG key = {list.m_hWnd, WM_KEYDOWN, VK_DOWN, 0};
    const struct {
        WPARAM key;
        int current;
    } keys[] = {{VK_DOWN, 0}, {VK_DOWN, 1}, {VK_UP, 0}, {VK_UP, 0}, {'A', 0}};
    for (const auto& k : keys) {
        key.wParam = k.key;
        EXPECT_TRUE(list.PreTranslateMessage(&key));
        EXPECT_EQ(k.current, list.GetCurSel());
    }
    auto heard = host.Take();
    const UINT codes[] = {LVN_KEYDOWN, LVN_ITEMCHANGED, LVN_KEYDOWN, LVN_ITEMCHANGED, LVN_KEYDOWN, LVN_ITEMCHANGED,
                          LVN_KEYDOWN, LVN_KEYDOWN};
    ASSERT_EQ(8u, heard.size());
    for (size_t i = 0; i < 8; ++i)
        EXPECT_EQ(codes[i], heard[i].code) << i;
    EXPECT_EQ(0u, heard[0].wParam);
}

TEST_F(ListFixture, HoverNoticesAndBadArguments)
{
    list.SetItemCount(4);
    host.Take();
    list.SendMessage(WM_MOUSEMOVE, 0, At(30, 25));
    list.SendMessage(WM_MOUSEMOVE, 0, At(30, 25));  // same place: no notice
    list.SendMessage(WM_MOUSEMOVE, 0, At(30, 90));  // past the rows
    auto heard = host.Take(true);
    ASSERT_EQ(2u, heard.size());
    EXPECT_EQ(LWLC_HOVER, heard[0].code);
    EXPECT_EQ(1, heard[0].item);
    EXPECT_EQ(-1, heard[1].item);
    list.SendMessage(WM_MOUSEMOVE, 0, At(30, 5));
    EXPECT_EQ(0, list.m_nHotItem);
    list.SendMessage(WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(-1, list.m_nHotItem);

    list.SetTooltip(nullptr);
    list.SetTooltip(L"Drag to reorder");
    EXPECT_STREQ(L"Drag to reorder", (LPCWSTR)list.m_strToolTip);
    list.SetItemCount(-5);
    EXPECT_EQ(0, list.GetItemCount());
    list.SelectItem(3);
    EXPECT_EQ(-1, list.GetCurSel());
    list.EnsureVisible(50);
    EXPECT_EQ(0, list.GetTopIndex());
    list.AnimateSwapItems(-4, 70);
}

} // namespace
