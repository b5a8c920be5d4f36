#include "LWDock.h"
#include "LWMDIFrameWnd.h"
#include "LWSplitterWnd.h"
#include "WidgetTestUtil.h"
#include <memory>

// Rectangles read as such in failure messages.
static void PrintTo(const CRect& r, std::ostream* os)
{
    *os << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

namespace {

// Floating dialogs from the library's container template, hidden; containers made on the way
// are destroyed with the fixture (they delete themselves).
struct Dialogs {
    std::vector<std::unique_ptr<LWDialog>> dialogs;
    std::vector<HWND> containers;

    ~Dialogs()
    {
        for (HWND h : containers)
            if (::IsWindow(h))
                ::DestroyWindow(h);
        dialogs.clear();
        wtest::Pump();
    }
    LWDialog* New()
    {
        dialogs.push_back(std::make_unique<LWDialog>(IDD_LW_DIALOGPANE, nullptr));
        LWDialog* d = dialogs.back().get();
        EXPECT_TRUE(d->Create(IDD_LW_DIALOGPANE, nullptr));
        return d;
    }
    LWDialogPane* Pane()
    {
        LWDialogPane* pane = LWDialogPane::CreateDialogPane(nullptr);
        if (pane)
            containers.push_back(pane->GetSafeHwnd());
        return pane;
    }
    // The container a docking call made, kept for clean-up.
    LWDialogPane* Adopt(CWnd* pane)
    {
        EXPECT_TRUE(pane && pane->IsKindOf(RUNTIME_CLASS(LWDialogPane)));
        if (!pane)
            return nullptr;
        containers.push_back(pane->GetSafeHwnd());
        return static_cast<LWDialogPane*>(pane);
    }
};

TEST(DockPane, IsMadeFromTheLibrarysTemplate)
{
    Dialogs d;
    LWDialogPane* pane = d.Pane();
    ASSERT_TRUE(pane);
    EXPECT_TRUE(pane->GetExStyle() & WS_EX_TRANSPARENT);
    EXPECT_TRUE(pane->GetExStyle() & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(pane->GetStyle() & WS_CHILD);
    EXPECT_EQ(0, pane->m_bCaption);
    ASSERT_TRUE(pane->m_pSplitter);
    CString name;
    pane->m_pSplitter->GetWindowText(name);
    EXPECT_STREQ(L"SplitterWnd", name);
    EXPECT_TRUE(pane->m_pSplitter->GetStyle() & WS_VISIBLE);
    EXPECT_EQ(nullptr, pane->m_pSplitter->m_pPane1);
    // The splitter takes the whole client area.
    pane->MoveWindow(0, 0, 300, 200);
    CRect client, splitter;
    pane->GetClientRect(&client);
    pane->m_pSplitter->GetWindowRect(&splitter);
    pane->ScreenToClient(&splitter);
    EXPECT_EQ(client, splitter);
}

TEST(DockPane, SplitterBarCodesSizeAndCaptureTheMouse)
{
    Dialogs d;
    LWDialogPane* pane = d.Pane();
    const struct {
        UINT hit;
        LPCWSTR cursor;
    } table[] = {{51, IDC_SIZEWE}, {52, IDC_SIZENS}};
    for (const auto& row : table) {
        EXPECT_TRUE(pane->SendMessage(WM_SETCURSOR, (WPARAM)pane->GetSafeHwnd(), MAKELPARAM(row.hit, WM_MOUSEMOVE)));
        EXPECT_EQ(::LoadCursorW(nullptr, row.cursor), ::GetCursor()) << row.hit;
        pane->SendMessage(WM_NCLBUTTONDOWN, row.hit, 0);
        EXPECT_EQ(pane->GetSafeHwnd(), ::GetCapture()) << row.hit;
        pane->SendMessage(WM_LBUTTONUP, 0, 0);
        EXPECT_EQ(nullptr, ::GetCapture()) << row.hit;
    }
}

TEST(DockPane, TheSecondWindowGoesOnItsSide)
{
    const struct {
        LWDockTypes side;
        int kind;
        bool newFirst;
    } table[] = {
        {LWDockLeft, LWSplitterWnd::KindLeft, true},
        {LWDockRight, LWSplitterWnd::KindRight, false},
        {LWDockTop, LWSplitterWnd::KindTop, true},
        {LWDockBottom, LWSplitterWnd::KindBottom, false},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.side);
        Dialogs d;
        LWDialogPane* pane = d.Pane();
        LWDialog* old = d.New();
        LWDialog* added = d.New();
        ASSERT_EQ(1, pane->DockWindow(old, LWDockLeft, -1));
        EXPECT_EQ(old, pane->m_pSplitter->m_pPane1);
        EXPECT_EQ(nullptr, pane->m_pSplitter->m_pPane2);
        ASSERT_EQ(1, pane->DockWindow(added, row.side, -1));
        EXPECT_EQ(row.kind, pane->m_pSplitter->m_nKind);
        EXPECT_EQ(row.newFirst ? added : old, pane->m_pSplitter->m_pPane1);
        EXPECT_EQ(row.newFirst ? old : added, pane->m_pSplitter->m_pPane2);
        for (LWDialog* w : {old, added}) {
            EXPECT_EQ(pane, w->GetDockWindow());
            EXPECT_EQ(1, w->IsDocked());
            EXPECT_EQ(pane->GetSafeHwnd(), ::GetParent(w->GetSafeHwnd()));
            EXPECT_TRUE(w->GetStyle() & WS_CHILD);
            EXPECT_EQ(0u, w->GetStyle() & (WS_POPUP | WS_CAPTION | WS_THICKFRAME));
        }
    }
}

TEST(DockPane, ContainersLayOutTheirWindows)
{
    Dialogs d;
    LWDialogPane* pane = d.Pane();
    LWDialog* top = d.New();
    LWDialog* rest = d.New();
    pane->MoveWindow(0, 0, 300, 300);
    ASSERT_EQ(1, pane->DockWindow(rest, LWDockLeft, -1));
    ASSERT_EQ(1, pane->DockWindow(top, LWDockTop, -1));
    CRect client;
    pane->GetClientRect(&client);
    const int pos = pane->m_pSplitter->GetPos(), bar = 4;
    auto placed = [&](CWnd* w) {
        CRect r;
        w->GetWindowRect(&r);
        pane->ScreenToClient(&r);
        return r;
    };
    EXPECT_EQ(CRect(0, 0, client.right, pos), placed(top));
    EXPECT_EQ(CRect(0, pos + bar, client.right, client.bottom), placed(rest));
    // A resized container lays them out again.
    pane->MoveWindow(0, 0, 400, 350);
    pane->GetClientRect(&client);
    EXPECT_EQ(CRect(0, pos + bar, client.right, client.bottom), placed(rest));
}

TEST(DockPane, AFullContainerNestsIntoANewOne)
{
    Dialogs d;
    LWDialogPane* pane = d.Pane();
    LWDialog* a = d.New();
    LWDialog* b = d.New();
    LWDialog* c = d.New();
    ASSERT_EQ(1, pane->DockWindow(a, LWDockLeft, -1));
    ASSERT_EQ(1, pane->DockWindow(b, LWDockBottom, -1));
    ASSERT_EQ(1, pane->DockWindow(c, LWDockRight, -1));
    LWDialogPane* outer = d.Adopt(pane->GetDockWindow());
    ASSERT_TRUE(outer);
    EXPECT_NE(pane, outer);
    EXPECT_EQ(pane, outer->m_pSplitter->m_pPane1);
    EXPECT_EQ(c, outer->m_pSplitter->m_pPane2);
    EXPECT_EQ(LWSplitterWnd::KindRight, outer->m_pSplitter->m_nKind);
    EXPECT_EQ(outer, c->GetDockWindow());
    EXPECT_EQ(outer->GetSafeHwnd(), ::GetParent(pane->GetSafeHwnd()));
    // The inner one still holds its two.
    EXPECT_EQ(a, pane->m_pSplitter->m_pPane1);
    EXPECT_EQ(b, pane->m_pSplitter->m_pPane2);

    // A full container that is itself docked cannot nest: refused, nothing changes.
    LWDialog* e = d.New();
    wtest::TraceCatcher trace;
    EXPECT_EQ(0, pane->DockWindow(e, LWDockTop, -1));
    EXPECT_TRUE(trace.Saw(L"full and docked"));
    EXPECT_EQ(0, e->IsDocked());
    EXPECT_EQ(nullptr, e->GetParent());
}

TEST(DockPane, RefusesWhatItCannotHold)
{
    Dialogs d;
    LWDialogPane* pane = d.Pane();
    LWDialog* a = d.New();
    LWDialog unmade(IDD_LW_DIALOGPANE, nullptr);
    wtest::Host plain;
    ASSERT_EQ(1, pane->DockWindow(a, LWDockLeft, -1));
    const struct {
        const char* name;
        CWnd* wnd;
        LWDockTypes side;
    } table[] = {
        {"null", nullptr, LWDockRight},
        {"not a dialog of the library", &plain, LWDockRight},
        {"no window", &unmade, LWDockRight},
        {"docked already", a, LWDockRight},
        {"itself", pane, LWDockRight},
        {"no side", d.New(), LWDockNone},
        {"a side past the last", d.New(), (LWDockTypes)7},
    };
    for (const auto& row : table) {
        EXPECT_EQ(0, pane->DockWindow(row.wnd, row.side, -1)) << row.name;
        EXPECT_EQ(a, pane->m_pSplitter->m_pPane1) << row.name;
        EXPECT_EQ(nullptr, pane->m_pSplitter->m_pPane2) << row.name;
    }
    EXPECT_EQ(0, pane->UndockWindow(a));
}

TEST(DockPane, ReplaceWindowTakesTheSamePlace)
{
    Dialogs d;
    LWDialogPane* pane = d.Pane();
    LWDialog* a = d.New();
    LWDialog* b = d.New();
    LWDialog* c = d.New();
    ASSERT_EQ(1, pane->DockWindow(a, LWDockLeft, -1));
    ASSERT_EQ(1, pane->DockWindow(b, LWDockRight, -1));
    const DWORD style = c->GetStyle();
    EXPECT_EQ(1, pane->ReplaceWindow(b, c));
    EXPECT_EQ(c, pane->m_pSplitter->m_pPane2);
    EXPECT_EQ(pane->GetSafeHwnd(), ::GetAncestor(c->GetSafeHwnd(), GA_PARENT));
    EXPECT_EQ(style, c->GetStyle()) << "neither style nor dock pane changes";
    EXPECT_EQ(0, c->IsDocked());
    EXPECT_EQ(0, pane->ReplaceWindow(b, c)) << "b is no longer there";
    EXPECT_EQ(0, pane->ReplaceWindow(nullptr, c));
    EXPECT_EQ(0, pane->ReplaceWindow(a, nullptr));
    EXPECT_EQ(a, pane->m_pSplitter->m_pPane1);
}

TEST(DockDialog, DockingBesideAFloatingDialogMakesItsContainer)
{
    Dialogs d;
    LWDialog* first = d.New();
    LWDialog* second = d.New();
    first->MoveWindow(120, 80, 260, 180);
    ASSERT_EQ(1, first->DockWindow(second, LWDockBottom));
    LWDialogPane* pane = d.Adopt(first->GetDockWindow());
    ASSERT_TRUE(pane);
    EXPECT_EQ(first, pane->m_pSplitter->m_pPane1);
    EXPECT_EQ(second, pane->m_pSplitter->m_pPane2);
    EXPECT_EQ(LWSplitterWnd::KindBottom, pane->m_pSplitter->m_nKind);
    EXPECT_FALSE(pane->GetStyle() & WS_VISIBLE) << "a hidden dialog's container stays hidden";
    // Docking more beside it uses the same container (which nests once full).
    LWDialog* third = d.New();
    ASSERT_EQ(1, second->DockWindow(third, LWDockLeft));
    d.Adopt(pane->GetDockWindow());
    EXPECT_EQ(third, static_cast<LWDialogPane*>(pane->GetDockWindow())->m_pSplitter->m_pPane1);

    LWDialog unmade(IDD_LW_DIALOGPANE, nullptr);
    EXPECT_EQ(0, unmade.DockWindow(d.New(), LWDockLeft));
}

TEST(DockDialog, DockedDialogsHaveACaptionStrip)
{
    Dialogs d;
    LWDialogPane* pane = d.Pane();
    LWDialog* a = d.New();
    LWDialog* b = d.New();
    b->m_bCaption = 0;
    pane->MoveWindow(0, 0, 400, 300);
    ASSERT_EQ(1, pane->DockWindow(a, LWDockLeft, -1));
    ASSERT_EQ(1, pane->DockWindow(b, LWDockRight, -1));
    auto clientTop = [](CWnd* w) {
        CRect window, client;
        w->GetWindowRect(&window);
        w->GetClientRect(&client);
        w->ClientToScreen(&client);
        return client.top - window.top;
    };
    EXPECT_EQ(15, clientTop(a));
    EXPECT_EQ(0, clientTop(b));
    auto hit = [](CWnd* w, int clientY) {
        CPoint p(10, clientY);
        w->ClientToScreen(&p);
        return (UINT)w->SendMessage(WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
    };
    EXPECT_EQ((UINT)HTCAPTION, hit(a, -1));
    EXPECT_EQ((UINT)HTCAPTION, hit(a, -14));
    EXPECT_NE((UINT)HTCAPTION, hit(a, -15));
    EXPECT_EQ((UINT)HTCLIENT, hit(a, 0));
    EXPECT_NE((UINT)HTCAPTION, hit(b, -1));
}

TEST(DockDialog, TargetsAnswerWhereAPointWouldDock)
{
    Dialogs d;
    LWDialog* target = d.New();
    target->MoveWindow(100, 100, 340, 260);
    CRect r;
    target->GetClientRect(&r);
    target->ClientToScreen(&r);
    enum { L, T, R, B };
    const struct {
        const char* name;
        int xFrom, dx, yFrom, dy;  // offsets from an edge of the client area
        UINT hit;
    } table[] = {
        {"20 from left and top: the left test comes later", L, 20, T, 20, HTLEFT},
        {"21 from the left, 20 from the top", L, 21, T, 20, HTTOP},
        {"inside every band", L, 100, T, 21, 0},
        {"20 from the right", R, -20, T, 100, HTRIGHT},
        {"21 from the right", R, -21, T, 100, 0},
        {"20 from the bottom", L, 100, B, -20, HTBOTTOM},
        {"bottom-right corner: right wins", R, -5, B, -5, HTRIGHT},
        {"bottom-left corner: left wins", L, 5, B, -5, HTLEFT},
        {"on the caption: as a tab", L, 100, T, -8, HTCAPTION},
        {"far outside", R, 500, T, 100, 0},
    };
    for (const auto& row : table) {
        CPoint p((row.xFrom == L ? r.left : r.right) + row.dx, (row.yFrom == T ? r.top : r.bottom) + row.dy);
        EXPECT_EQ(row.hit, target->CanDockWindow(p, 0)) << row.name;
    }
    // Drawing the feedback twice leaves the screen as it was (XOR); it must not fail.
    CPoint left(r.left + 5, r.top + 60);
    EXPECT_EQ((UINT)HTLEFT, target->CanDockWindow(left, 1));
    EXPECT_EQ((UINT)HTLEFT, target->CanDockWindow(left, 1));
    LWDialog unmade(IDD_LW_DIALOGPANE, nullptr);
    EXPECT_EQ(0u, unmade.CanDockWindow(left, 1));
}

// A drag by the caption strip: press on the caption, moves and the release in client
// coordinates of the dialog, which holds the capture.
struct Drag {
    LWDialog* d;
    void Press(CPoint screen) { d->SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screen.x, screen.y)); }
    LPARAM Client(CPoint screen)
    {
        d->ScreenToClient(&screen);
        return MAKELPARAM(screen.x, screen.y);
    }
    void Move(CPoint screen) { d->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, Client(screen)); }
    void Release(CPoint screen) { d->SendMessage(WM_LBUTTONUP, 0, Client(screen)); }
    void Cancel(CPoint screen) { d->SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, Client(screen)); }
};

TEST(DockDialog, ADragMovesTheDialogOnlyWhenReleased)
{
    Dialogs d;
    LWDialog* dialog = d.New();
    dialog->EnableDocking(1);
    dialog->MoveWindow(100, 100, 200, 120);
    Drag drag{dialog};
    drag.Press({150, 110});
    EXPECT_EQ(dialog->GetSafeHwnd(), ::GetCapture());
    EXPECT_EQ(50, dialog->m_xGrab);
    EXPECT_EQ(10, dialog->m_yGrab);
    drag.Move({250, 160});
    EXPECT_EQ(CRect(200, 150, 400, 270), dialog->m_rcDrag);
    EXPECT_EQ(CPoint(250, 160), CPoint(LWDialog::s_ptLastDrag));
    CRect still;
    dialog->GetWindowRect(&still);
    EXPECT_EQ(CRect(100, 100, 300, 220), still) << "the window waits for the release";
    drag.Release({260, 170});
    EXPECT_EQ(nullptr, ::GetCapture());
    CRect moved;
    dialog->GetWindowRect(&moved);
    EXPECT_EQ(CRect(210, 160, 410, 280), moved);
    EXPECT_EQ(0, dialog->IsDocked()) << "a drop never docks";

    // A right click cancels: the dialog stays.
    drag.Press({260, 170});
    drag.Move({400, 400});
    drag.Cancel({400, 400});
    EXPECT_EQ(nullptr, ::GetCapture());
    drag.Release({400, 400});  // no drag any more: nothing moves
    dialog->GetWindowRect(&still);
    EXPECT_EQ(moved, still);

    // So does losing the capture to another window.
    wtest::Host other;
    drag.Press({260, 170});
    drag.Move({300, 300});
    other.SetCapture();
    ::ReleaseCapture();
    drag.Release({300, 300});
    dialog->GetWindowRect(&still);
    EXPECT_EQ(moved, still);
}

TEST(DockDialog, ADialogNeverTargetsItselfOrWhatItHolds)
{
    Dialogs d;
    LWDialog dragged(IDD_LW_DIALOGPANE, nullptr);
    ASSERT_TRUE(dragged.Create(IDD_LW_DIALOGPANE, nullptr));
    HWND ownChild = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, dragged.GetSafeHwnd(), nullptr, nullptr, nullptr);
    LWDialog* other = d.New();
    HWND otherChild = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, other->GetSafeHwnd(), nullptr, nullptr, nullptr);
    HWND grandChild = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 5, 5, otherChild, nullptr, nullptr, nullptr);
    wtest::Host plain;
    const struct {
        const char* name;
        HWND under;
        LWDialog* target;
    } table[] = {
        {"itself", dragged.GetSafeHwnd(), nullptr},
        {"its own child", ownChild, nullptr},
        {"another dialog", other->GetSafeHwnd(), other},
        {"another dialog's control", otherChild, other},
        {"deeper inside another dialog", grandChild, other},
        {"a window of no dialog", plain.GetSafeHwnd(), nullptr},
        {"nothing", nullptr, nullptr},
    };
    for (const auto& row : table)
        EXPECT_EQ(row.target, dragged.TargetFromWindow(row.under)) << row.name;

    // A container being dragged never targets the dialogs docked in it.
    LWDialogPane* pane = d.Pane();
    ASSERT_EQ(1, pane->DockWindow(other, LWDockLeft, -1));
    EXPECT_EQ(nullptr, pane->TargetFromWindow(otherChild));
    EXPECT_EQ(other, dragged.TargetFromWindow(otherChild)) << "docked dialogs are targets for others";
}

TEST(DockDialog, ADockedDialogWithoutDockingSwallowsFramePresses)
{
    Dialogs d;
    LWDialogPane* pane = d.Pane();
    LWDialog* a = d.New();
    ASSERT_EQ(1, pane->DockWindow(a, LWDockLeft, -1));
    CRect before;
    a->GetWindowRect(&before);
    for (UINT hit : {(UINT)HTCAPTION, (UINT)HTBORDER, (UINT)HTLEFT})
        a->SendMessage(WM_NCLBUTTONDOWN, hit, MAKELPARAM(before.left + 3, before.top + 3));
    EXPECT_EQ(nullptr, ::GetCapture());
    CRect after;
    a->GetWindowRect(&after);
    EXPECT_EQ(before, after);
}

TEST(DockDialog, UpdateWindowPosMovesOrStretchesAChild)
{
    const struct {
        int flags;
        CRect expected;
    } table[] = {
        {1, {15, 10, 65, 30}},  {4, {10, 10, 65, 30}}, {5, {15, 10, 65, 30}},  // moving wins
        {2, {10, 17, 60, 37}},  {8, {10, 10, 60, 37}}, {3, {15, 17, 65, 37}},
        {12, {10, 10, 65, 37}}, {0, {10, 10, 60, 30}},
    };
    Dialogs d;
    LWDialog* dialog = d.New();
    for (const auto& row : table) {
        HWND child = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 10, 10, 50, 20, dialog->GetSafeHwnd(),
                                       (HMENU)100, nullptr, nullptr);
        dialog->UpdateWindowPos(100, 5, 7, row.flags);
        CRect r;
        ::GetWindowRect(child, &r);
        dialog->ScreenToClient(&r);
        EXPECT_EQ(row.expected, r) << row.flags;
        ::DestroyWindow(child);
    }
    dialog->UpdateWindowPos(555, 5, 7, 3);  // no such child: nothing
}

TEST(DockDialog, AFrameSlotHoldsADialogOnlyWhenItIsFree)
{
    Dialogs d;
    LWMDIFrameWnd* frame = new LWMDIFrameWnd;
    ASSERT_TRUE(frame->Create(nullptr, L"frame", WS_POPUP | WS_CLIPCHILDREN, CRect(0, 0, 400, 300)));
    HWND frameWindow = frame->GetSafeHwnd();
    LWDialogPane* pane = d.Pane();
    LWDialog* inPane = d.New();
    ASSERT_EQ(1, pane->DockWindow(inPane, LWDockLeft, -1));
    EXPECT_EQ(0, frame->DockWindow(inPane, LWDockLeft, 100, 1, 4)) << "docked in a container";
    ASSERT_EQ(1, frame->DockWindow(pane, LWDockLeft, 150, 1, 4));
    EXPECT_EQ(frame, pane->GetDockWindow());
    EXPECT_EQ(0, pane->m_bCaption);
    // A docked dialog refuses to build a container of its own in the frame.
    EXPECT_EQ(0, static_cast<LWDialog*>(pane)->DockWindow(d.New(), LWDockRight));
    EXPECT_EQ(1, frame->UndockWindow(pane));
    EXPECT_EQ(0, pane->IsDocked());
    ::DestroyWindow(frameWindow);
}

} // namespace
