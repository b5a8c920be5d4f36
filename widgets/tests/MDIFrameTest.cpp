#include "LWMDIFrameWnd.h"
#include "LWSplitterWnd.h"
#include "LWToolBar.h"
#include "WidgetTestUtil.h"
#include "test_ids.h"
#include <memory>

// Rectangles read as such in failure messages.
static void PrintTo(const CRect& r, std::ostream* os)
{
    *os << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

namespace {

// A frame that records what its splitter strips report.
class TestFrame : public LWMDIFrameWnd {
public:
    std::vector<CRect> resized;
    void OnSplitterResize(CRect sides) override { resized.push_back(sides); }
};

// A borderless 640 x 480 frame (its client area is its whole window), hidden.
struct FrameHost {
    TestFrame* frame = new TestFrame;  // frames delete themselves
    HWND window = nullptr;
    std::vector<std::unique_ptr<CWnd>> panes;

    FrameHost()
    {
        EXPECT_TRUE(frame->Create(nullptr, L"frame", WS_POPUP | WS_CLIPCHILDREN, CRect(30, 30, 670, 510)));
        window = frame->GetSafeHwnd();
        wtest::Pump();
    }
    ~FrameHost()
    {
        if (::IsWindow(window))
            ::DestroyWindow(window);
        panes.clear();
        wtest::Pump();
    }
    // A top-level window to dock, as the program's panes start out.
    CWnd* NewPane()
    {
        panes.push_back(std::make_unique<CWnd>());
        CWnd* w = panes.back().get();
        w->CreateEx(0, AfxRegisterWndClass(0), L"pane", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 50, 50, nullptr, nullptr);
        return w;
    }
    CRect Mdi() const
    {
        CRect r;
        ::GetWindowRect(frame->m_hWndMDIClient, &r);
        ::MapWindowPoints(nullptr, frame->GetSafeHwnd(), (POINT*)&r, 2);
        return r;
    }
    static CRect Placed(CWnd* w)
    {
        CRect r;
        w->GetWindowRect(&r);
        ::MapWindowPoints(nullptr, ::GetParent(w->GetSafeHwnd()), (POINT*)&r, 2);
        return r;
    }
    // The strip code under a client point, as WM_NCHITTEST finds it.
    int Hit(int x, int y)
    {
        CPoint p(x, y);
        frame->ClientToScreen(&p);
        frame->SendMessage(WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
        return frame->m_nSplitterHit;
    }
};

struct DockSpec {
    LWDockTypes side;
    int size, thickness;
};

TEST(MDIFrame, DockedWindowsAndTheClientShareTheFrame)
{
    const struct {
        const char* name;
        std::vector<DockSpec> docks;
        CRect mdi;
        std::vector<CRect> windows;  // in docking order
    } table[] = {
        {"nothing docked", {}, {0, 0, 640, 480}, {}},
        {"left pane with its strip", {{LWDockLeft, 200, 4}}, {200, 0, 640, 480}, {{0, 0, 196, 480}}},
        {"left first spans the corners",
         {{LWDockLeft, 200, 4}, {LWDockTop, 100, 4}},
         {200, 100, 640, 480},
         {{0, 0, 196, 480}, {200, 0, 640, 96}}},
        {"top first spans the corners",
         {{LWDockTop, 91, 0}, {LWDockLeft, 200, 4}},
         {200, 91, 640, 480},
         {{0, 0, 640, 91}, {0, 91, 196, 480}}},
        {"right and bottom",
         {{LWDockRight, 150, 4}, {LWDockBottom, 80, 4}},
         {0, 0, 490, 400},
         {{494, 0, 640, 480}, {0, 404, 490, 480}}},
        {"a size below the thickness gives an empty window",
         {{LWDockLeft, 3, 4}},
         {3, 0, 640, 480},
         {{0, 0, 0, 480}}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        FrameHost host;
        std::vector<CWnd*> docked;
        for (const DockSpec& d : row.docks) {
            CWnd* pane = host.NewPane();
            ASSERT_EQ(1, host.frame->DockWindow(pane, d.side, d.size, 1, d.thickness));
            docked.push_back(pane);
        }
        EXPECT_EQ(row.mdi, host.Mdi());
        for (size_t i = 0; i < docked.size(); ++i) {
            EXPECT_EQ(row.windows[i], FrameHost::Placed(docked[i])) << "window " << i;
            EXPECT_EQ(host.frame->GetSafeHwnd(), ::GetParent(docked[i]->GetSafeHwnd()));
            EXPECT_TRUE(docked[i]->GetStyle() & WS_CHILD);
        }
    }
}

TEST(MDIFrame, StripsAnswerTheHitTestOnlyWithASplitter)
{
    FrameHost host;
    CWnd* left = host.NewPane();
    CWnd* top = host.NewPane();
    ASSERT_EQ(1, host.frame->DockWindow(left, LWDockLeft, 200, 1, 4));
    ASSERT_EQ(1, host.frame->DockWindow(top, LWDockTop, 100, 1, 6));
    // The client runs from (200, 100) to (640, 480).
    const struct {
        int x, y, code;
    } table[] = {
        {198, 240, 1}, {196, 240, 1}, {200, 240, 1},  // edges inclusive
        {195, 240, 0}, {201, 240, 0},
        {198, 100, 0},                                 // not beside the client (strictly inside its height)
        {198, 479, 1},
        {300, 94, 3}, {300, 100, 3}, {300, 93, 0},     // the top strip is 6 thick
        {200, 97, 0},                                  // the top strip's corner is outside the client's width
        {400, 300, 0},
    };
    for (const auto& row : table)
        EXPECT_EQ(row.code, host.Hit(row.x, row.y)) << row.x << "," << row.y;

    // Without the splitter flag, or with no thickness, a strip is not there.
    host.frame->SetSplitterInfo(left, 0, 4);
    EXPECT_EQ(0, host.Hit(198, 240));
    host.frame->SetSplitterInfo(left, 1, 0);
    EXPECT_EQ(0, host.Hit(200, 240));
}

TEST(MDIFrame, DraggingAStripResizesItsSide)
{
    const struct {
        LWDockTypes side;
        int size;
        CPoint from;
        CPoint to;
        CRect sides;
    } table[] = {
        {LWDockLeft, 200, {198, 240}, {228, 240}, {230, 0, 0, 0}},
        {LWDockLeft, 200, {198, 240}, {168, 250}, {170, 0, 0, 0}},
        {LWDockRight, 150, {492, 240}, {462, 240}, {0, 0, 180, 0}},
        {LWDockTop, 100, {300, 98}, {300, 140}, {0, 142, 0, 0}},
        {LWDockBottom, 80, {300, 402}, {300, 380}, {0, 0, 0, 102}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.side);
        FrameHost host;
        CWnd* pane = host.NewPane();
        ASSERT_EQ(1, host.frame->DockWindow(pane, row.side, row.size, 1, 4));
        ASSERT_NE(0, host.Hit(row.from.x, row.from.y));
        host.frame->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(row.from.x, row.from.y));
        EXPECT_EQ(host.frame->GetSafeHwnd(), ::GetCapture());
        host.frame->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(row.to.x, row.to.y));
        host.frame->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(row.to.x, row.to.y));
        EXPECT_EQ(nullptr, ::GetCapture());
        ASSERT_EQ(1u, host.frame->resized.size());
        EXPECT_EQ(row.sides, host.frame->resized[0]);
        EXPECT_EQ(row.sides, CRect(host.frame->m_rcSides));
        EXPECT_EQ(row.sides, host.frame->m_rectBorder);
        CRect mdi = host.Mdi();
        EXPECT_EQ(CRect(row.sides.left, row.sides.top, 640 - row.sides.right, 480 - row.sides.bottom), mdi);
    }
}

TEST(MDIFrame, ADragStopsFollowingNearTheFrameEdges)
{
    FrameHost host;
    CWnd* pane = host.NewPane();
    ASSERT_EQ(1, host.frame->DockWindow(pane, LWDockLeft, 200, 1, 4));
    ASSERT_EQ(1, host.Hit(198, 240));
    host.frame->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(198, 240));
    host.frame->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(228, 240));
    EXPECT_EQ(CSize(30, 0), host.frame->m_szDragOffset);
    // Within 20 pixels of an edge of the frame's window: ignored, on every side.
    const CPoint outside[] = {{19, 240}, {300, 10}, {625, 240}, {300, 470}};
    for (CPoint p : outside) {
        host.frame->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        EXPECT_EQ(CSize(30, 0), host.frame->m_szDragOffset) << p.x << "," << p.y;
    }
    host.frame->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 240));
    EXPECT_EQ(CSize(-178, 0), host.frame->m_szDragOffset);
    host.frame->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(238, 240));
    // The release applies the last offset that was followed, wherever the button comes up.
    host.frame->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(630, 240));
    EXPECT_EQ(240, host.frame->m_rcSides.left);
}

TEST(MDIFrame, ADragEndsUnchangedWhenTheCaptureIsTakenAway)
{
    FrameHost host;
    wtest::Host other;
    CWnd* pane = host.NewPane();
    ASSERT_EQ(1, host.frame->DockWindow(pane, LWDockLeft, 200, 1, 4));
    host.frame->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(198, 240));
    host.frame->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(228, 240));
    ASSERT_EQ(host.frame->GetSafeHwnd(), ::GetCapture());
    other.SetCapture();
    EXPECT_EQ(0, host.frame->m_nSplitterHit);
    ::ReleaseCapture();
    host.frame->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(228, 240));
    EXPECT_EQ(200, host.frame->m_rcSides.left);
    EXPECT_TRUE(host.frame->resized.empty());
    // A press beside the strip starts nothing, whatever an earlier hit test found.
    host.Hit(198, 240);
    host.frame->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 240));
    EXPECT_NE(host.frame->GetSafeHwnd(), ::GetCapture());
}

TEST(MDIFrame, HidingTheDockedWindowsKeepsTheirSizesUntilShown)
{
    FrameHost host;
    CWnd* left = host.NewPane();
    ASSERT_EQ(1, host.frame->DockWindow(left, LWDockLeft, 200, 1, 4));
    host.frame->HideAttachedWindow();
    EXPECT_EQ(CRect(0, 0, 640, 480), host.Mdi());
    EXPECT_FALSE(left->IsWindowVisible() || (left->GetStyle() & WS_VISIBLE));
    EXPECT_EQ(0, host.Hit(198, 240));

    // Docking in between shows nothing either.
    CWnd* right = host.NewPane();
    ASSERT_EQ(1, host.frame->DockWindow(right, LWDockRight, 100, 1, 4));
    EXPECT_EQ(CRect(0, 0, 640, 480), host.Mdi());
    EXPECT_FALSE(right->GetStyle() & WS_VISIBLE);
    EXPECT_EQ(CRect(0, 0, 0, 0), CRect(host.frame->m_rcSides));
    host.frame->HideAttachedWindow();  // twice changes nothing

    host.frame->ShowAttachedWindow();
    EXPECT_EQ(CRect(200, 0, 540, 480), host.Mdi());
    EXPECT_EQ(CRect(200, 0, 100, 0), CRect(host.frame->m_rcSides));
    EXPECT_TRUE(left->GetStyle() & WS_VISIBLE);
    EXPECT_TRUE(right->GetStyle() & WS_VISIBLE);
    EXPECT_EQ(CRect(0, 0, 196, 480), FrameHost::Placed(left));
    EXPECT_EQ(CRect(544, 0, 640, 480), FrameHost::Placed(right));
    host.frame->ShowAttachedWindow();  // shown already: nothing moves
    EXPECT_EQ(CRect(200, 0, 540, 480), host.Mdi());
}

TEST(MDIFrame, SlotsRefuseWhatTheyCannotHold)
{
    FrameHost host;
    CWnd* a = host.NewPane();
    CWnd* b = host.NewPane();
    EXPECT_EQ(0, host.frame->DockWindow(nullptr, LWDockLeft, 100, 1, 4));
    EXPECT_EQ(0, host.frame->DockWindow(a, LWDockNone, 100, 1, 4));
    EXPECT_EQ(0, host.frame->DockWindow(a, (LWDockTypes)5, 100, 1, 4));
    EXPECT_EQ(0, host.frame->DockWindow(host.frame, LWDockLeft, 100, 1, 4));
    LWMDIFrameWnd unmade;
    EXPECT_EQ(0, unmade.DockWindow(a, LWDockLeft, 100, 1, 4)) << "a frame without a window";
    EXPECT_EQ(nullptr, ::GetParent(a->GetSafeHwnd()));
    ASSERT_EQ(1, host.frame->DockWindow(a, LWDockLeft, 100, 1, 4));
    EXPECT_EQ(0, host.frame->DockWindow(b, LWDockLeft, 100, 1, 4)) << "one window per side";
    EXPECT_EQ(0, host.frame->DockWindow(a, LWDockTop, 100, 1, 4)) << "a window takes one slot";
    EXPECT_EQ(1, host.frame->DockWindow(a, LWDockLeft, 150, 1, 4)) << "its own side: a new size";
    EXPECT_EQ(150, host.frame->m_rcSides.left);
    EXPECT_EQ(CRect(150, 0, 640, 480), host.Mdi());
    int docked = 0;
    for (const LWDockSlot& slot : host.frame->m_slots)
        docked += slot.pWnd == a;
    EXPECT_EQ(1, docked);

    // Four sides, then a fifth window has nowhere to go.
    CWnd* others[3] = {b, host.NewPane(), host.NewPane()};
    const LWDockTypes sides[3] = {LWDockTop, LWDockRight, LWDockBottom};
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(1, host.frame->DockWindow(others[i], sides[i], 50, -1, -1));
    for (LWDockTypes side : {LWDockLeft, LWDockTop, LWDockRight, LWDockBottom})
        EXPECT_EQ(0, host.frame->DockWindow(host.NewPane(), side, 50, 1, 4));

    // Splitter info: -1 left it as it was (zero); either out-pointer may be null.
    int flag = 9;
    long thickness = 9;
    EXPECT_EQ(1, host.frame->GetSplitterInfo(b, &flag, &thickness));
    EXPECT_EQ(0, flag);
    EXPECT_EQ(0, thickness);
    EXPECT_EQ(1, host.frame->GetSplitterInfo(a, nullptr, &thickness));
    EXPECT_EQ(4, thickness);
    EXPECT_EQ(1, host.frame->GetSplitterInfo(a, &flag, nullptr));
    EXPECT_EQ(1, flag);
    EXPECT_EQ(0, host.frame->GetSplitterInfo(host.NewPane(), &flag, &thickness));
    EXPECT_EQ(0, host.frame->SetSplitterInfo(nullptr, 1, 4));
    EXPECT_EQ(0, host.frame->IsDockedWindow(nullptr));
    EXPECT_EQ(1, host.frame->IsDockedWindow(b));
}

TEST(MDIFrame, UndockingGivesBackStyleAndParent)
{
    FrameHost host;
    wtest::Host owner;
    CWnd child;
    child.CreateEx(0, AfxRegisterWndClass(0), L"child", WS_CHILD | WS_BORDER | WS_CLIPSIBLINGS, 0, 0, 40, 40, owner.GetSafeHwnd(),
                   nullptr);
    CWnd* popup = host.NewPane();
    const DWORD popupStyle = popup->GetStyle();
    ASSERT_EQ(1, host.frame->DockWindow(&child, LWDockLeft, 120, 1, 4));
    ASSERT_EQ(1, host.frame->DockWindow(popup, LWDockRight, 80, 1, 4));
    EXPECT_EQ((DWORD)(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS), child.GetStyle());

    EXPECT_EQ(1, host.frame->UndockWindow(&child));
    EXPECT_EQ(owner.GetSafeHwnd(), ::GetParent(child.GetSafeHwnd()));
    EXPECT_EQ((DWORD)(WS_CHILD | WS_BORDER | WS_CLIPSIBLINGS), child.GetStyle());
    EXPECT_EQ(0, host.frame->m_rcSides.left);
    EXPECT_EQ(CRect(0, 0, 560, 480), host.Mdi());
    EXPECT_EQ(0, host.frame->UndockWindow(&child)) << "not docked any more";

    EXPECT_EQ(1, host.frame->UndockWindow(popup));
    EXPECT_EQ(::GetDesktopWindow(), ::GetAncestor(popup->GetSafeHwnd(), GA_PARENT));
    EXPECT_EQ(popupStyle, popup->GetStyle());
    EXPECT_EQ(CRect(0, 0, 640, 480), host.Mdi());
    // The freed slot takes a window again.
    EXPECT_EQ(1, host.frame->DockWindow(popup, LWDockBottom, 60, 1, 4));
}

TEST(MDIFrame, ProfileIntegersAreClamped)
{
    const wchar_t* company = L"LumawinFrameTestMaker";
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\LumawinFrameTestMaker");
    {
        CWinApp app(L"FrameTest");
        app.SetRegistryKey(company);
        FrameHost host;
        const struct {
            const wchar_t* entry;
            int stored;  // -1: none
            int def, min, max, expected;
        } table[] = {
            {L"Big", 5000, 300, 100, 800, 800},
            {L"Small", 50, 300, 100, 800, 100},
            {L"Inside", 400, 300, 100, 800, 400},
            {L"Missing", -1, 5000, 100, 800, 800},
            {L"MissingLow", -1, 10, 100, 800, 100},
            {L"MissingInside", -1, 300, 100, 800, 300},
            {L"Crossed", 500, 300, 600, 200, 600},  // the minimum wins, as it is applied last
        };
        for (const auto& row : table) {
            if (row.stored >= 0) {
                ASSERT_TRUE(app.WriteProfileInt(L"MainWindow", row.entry, row.stored));
            }
            EXPECT_EQ(row.expected, host.frame->GetProfileIntW(L"MainWindow", row.entry, row.def, row.min, row.max))
                << (const wchar_t*)row.entry;
        }
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\LumawinFrameTestMaker");
}

TEST(MDIFrame, DockBarsAreTheLibrarysOwn)
{
    FrameHost host;
    const UINT ids[] = {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_BOTTOM, AFX_IDW_DOCKBAR_LEFT, AFX_IDW_DOCKBAR_RIGHT};
    for (UINT id : ids) {
        CWnd* bar = CWnd::FromHandlePermanent(::GetDlgItem(host.frame->GetSafeHwnd(), (int)id));
        ASSERT_TRUE(bar) << id;
        EXPECT_TRUE(bar->IsKindOf(RUNTIME_CLASS(LWDockBar))) << id;
    }
    int plain = 0;
    for (POSITION pos = host.frame->m_listControlBars.GetHeadPosition(); pos;) {
        CWnd* bar = (CWnd*)host.frame->m_listControlBars.GetNext(pos);
        plain += bar->IsKindOf(RUNTIME_CLASS(CDockBar)) && !bar->IsKindOf(RUNTIME_CLASS(LWDockBar));
    }
    EXPECT_EQ(0, plain);

    // The side paints itself flat in its colour.
    CWnd* top = CWnd::FromHandlePermanent(::GetDlgItem(host.frame->GetSafeHwnd(), AFX_IDW_DOCKBAR_TOP));
    top->MoveWindow(0, 0, 40, 10, FALSE);
    wtest::Canvas canvas(40, 10, RGB(0, 0, 0));
    EXPECT_TRUE(top->SendMessage(WM_ERASEBKGND, (WPARAM)canvas.dc.GetSafeHdc()));
    for (CPoint p : {CPoint(0, 0), CPoint(20, 5), CPoint(39, 9)})
        EXPECT_EQ((COLORREF)LWDockBar::kColor, canvas.At(p.x, p.y)) << p.x << "," << p.y;
}

TEST(MDIFrame, ToolBarsAreMadeFoundAndListed)
{
    FrameHost host;
    TestFrame* frame = host.frame;
    const DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP;
    CToolBar* standard = frame->CreateToolbar(L"Standard", IDR_TB16, nullptr, TRUE, style);
    ASSERT_TRUE(standard);
    frame->DockControlBar(standard, AFX_IDW_DOCKBAR_TOP);
    CToolBar* editing = frame->CreateToolbar(L"Editing", IDR_TB16, standard, FALSE, style);
    ASSERT_TRUE(editing);
    EXPECT_TRUE(standard->IsKindOf(RUNTIME_CLASS(LWToolBar)));
    // The second sits in the first one's row, after it.
    auto* dock = (CDockBar*)CWnd::FromHandlePermanent(::GetDlgItem(frame->GetSafeHwnd(), AFX_IDW_DOCKBAR_TOP));
    ASSERT_TRUE(dock);
    ASSERT_EQ(1u, dock->m_rows.size());
    ASSERT_EQ(2u, dock->m_rows[0].size());
    EXPECT_EQ(standard, dock->m_rows[0][0].bar);
    EXPECT_EQ(editing, dock->m_rows[0][1].bar);

    // Found by the exact title only.
    EXPECT_EQ(standard, frame->GetToolbar(L"Standard"));
    EXPECT_EQ(editing, frame->GetToolbar(L"Editing"));
    EXPECT_EQ(nullptr, frame->GetToolbar(L"standard"));
    EXPECT_EQ(nullptr, frame->GetToolbar(L"Stand"));
    EXPECT_EQ(nullptr, frame->GetToolbar(nullptr));

    // A bar that cannot be made is dropped; the one-argument form gives null, not a dead bar.
    {
        wtest::TraceCatcher trace;
        EXPECT_EQ(nullptr, frame->CreateToolbar(L"Missing", IDR_TB_MISSING, nullptr, TRUE, style));
        EXPECT_TRUE(trace.Saw(L"could not be made"));
    }
    EXPECT_EQ(2, frame->m_listToolbars.GetCount());

    // The tool-bar menu lists them in creation order and toggles them.
    CMenu menu;
    menu.CreatePopupMenu();
    frame->InitToolbarMenu(&menu);
    ASSERT_EQ(2, menu.GetMenuItemCount());
    const struct {
        UINT id;
        const wchar_t* text;
    } items[] = {{65000, L"Standard"}, {65001, L"Editing"}};
    for (int i = 0; i < 2; ++i) {
        wchar_t text[64] = {};
        ::GetMenuStringW(menu.GetSafeHmenu(), (UINT)i, text, 64, MF_BYPOSITION);
        EXPECT_EQ(items[i].id, ::GetMenuItemID(menu.GetSafeHmenu(), i));
        EXPECT_STREQ(items[i].text, text);
    }
    frame->SendMessage(WM_COMMAND, 65001);
    EXPECT_FALSE(editing->IsWindowVisible() || (editing->GetStyle() & WS_VISIBLE));
    frame->SendMessage(WM_INITMENUPOPUP, (WPARAM)menu.GetSafeHmenu(), 0);
    EXPECT_EQ(0u, ::GetMenuState(menu.GetSafeHmenu(), 65001, MF_BYCOMMAND) & MF_CHECKED);
    frame->SendMessage(WM_COMMAND, 65001);
    EXPECT_TRUE(editing->GetStyle() & WS_VISIBLE);
    frame->SendMessage(WM_INITMENUPOPUP, (WPARAM)menu.GetSafeHmenu(), 0);
    EXPECT_EQ((UINT)MF_CHECKED, ::GetMenuState(menu.GetSafeHmenu(), 65001, MF_BYCOMMAND) & MF_CHECKED);
    frame->SendMessage(WM_COMMAND, 65005);  // no such bar: nothing happens
}

TEST(MDIFrame, ImagesAreKeptByCommandUpToSixtyFour)
{
    FrameHost host;
    TestFrame* frame = host.frame;
    EXPECT_EQ(1, frame->LoadFromToolbar(IDR_TB16));
    ASSERT_TRUE(frame->m_imageList.GetSafeHandle());
    EXPECT_EQ(3, frame->m_imageList.GetImageCount());
    const UINT ids[] = {ID_CMD_A, ID_CMD_B, ID_CMD_C};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(i, frame->GetImageIndex(ids[i]));
    EXPECT_EQ(1, frame->LoadFromToolbar(IDR_TB16)) << "the same commands replace their images";
    EXPECT_EQ(3, frame->m_imageList.GetImageCount());
    {
        wtest::TraceCatcher trace;
        EXPECT_EQ(0, frame->LoadFromToolbar(IDR_TB_MISSING));
        EXPECT_TRUE(trace.Saw(L"could not be loaded"));
    }
    CToolBar bare;
    ASSERT_TRUE(bare.CreateEx(frame));
    EXPECT_EQ(0, frame->LoadFromToolbar(&bare)) << "a bar without images";
    EXPECT_EQ(0, frame->LoadFromToolbar((CToolBar*)nullptr));

    // A bar of 70 commands whose buttons reuse its three images: the list stops at 64.
    CToolBar many;
    ASSERT_TRUE(many.CreateEx(frame));
    ASSERT_TRUE(many.LoadToolBar(IDR_TB16));
    std::vector<UINT> commands;
    for (UINT i = 0; i < 70; ++i)
        commands.push_back(41000 + i);
    commands[5] = 1;  // id 1 is skipped
    ASSERT_TRUE(many.SetButtons(commands.data(), (int)commands.size()));
    for (int i = 0; i < 70; ++i)
        many.SetButtonInfo(i, commands[i], TBSTYLE_BUTTON | (TBSTATE_ENABLED << 16), i % 3);
    wtest::TraceCatcher trace;
    EXPECT_EQ(1, frame->LoadFromToolbar(&many));
    EXPECT_EQ(64, frame->m_imageList.GetImageCount());
    EXPECT_TRUE(trace.Saw(L"no room"));
    EXPECT_EQ(3, frame->GetImageIndex(41000));
    EXPECT_EQ(-1, frame->GetImageIndex(1));
    EXPECT_EQ(63, frame->GetImageIndex(41061));  // 41000..41061 less id 1's slot fill images 3..63
    EXPECT_EQ(-1, frame->GetImageIndex(41062));
    EXPECT_EQ(0, frame->GetImageIndex(ID_CMD_A)) << "the earlier images stay";
}

// A docked window that handles one command, or routes everything back to the frame.
class CommandPane : public CWnd {
public:
    int handled = 0;
    int routedBack = 0;
    bool routeBack = false;
    BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) override
    {
        if (routeBack) {
            ++routedBack;
            CWnd* frame = CWnd::FromHandlePermanent(::GetParent(m_hWnd));
            return frame->OnCmdMsg(id, code, extra, info);
        }
        if (id == ID_CMD_A && code == CN_COMMAND) {
            ++handled;
            return TRUE;
        }
        return FALSE;
    }
};

TEST(MDIFrame, CommandsGoToTheDockedWindowsFirstWithoutLooping)
{
    FrameHost host;
    CommandPane back, handler;
    for (CommandPane* p : {&back, &handler})
        p->CreateEx(0, AfxRegisterWndClass(0), L"p", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    back.routeBack = true;
    ASSERT_EQ(1, host.frame->DockWindow(&back, LWDockLeft, 100, 1, 4));
    ASSERT_EQ(1, host.frame->DockWindow(&handler, LWDockRight, 100, 1, 4));
    EXPECT_TRUE(host.frame->OnCmdMsg(ID_CMD_A, CN_COMMAND, nullptr, nullptr));
    EXPECT_EQ(1, handler.handled);
    EXPECT_EQ(1, back.routedBack);
    EXPECT_FALSE(host.frame->OnCmdMsg(ID_CMD_B, CN_COMMAND, nullptr, nullptr));
    EXPECT_EQ(2, back.routedBack);
    host.frame->UndockWindow(&back);
    host.frame->UndockWindow(&handler);
}

// A menu object that draws its own items.
class SelfDrawnMenu : public CMenu {
public:
    void DrawItem(LPDRAWITEMSTRUCT) override {}
    void MeasureItem(LPMEASUREITEMSTRUCT) override {}
};

TEST(MDIFrame, MenuItemsOfTheFrameAreNeverTakenByTheMenuManager)
{
    FrameHost host;
    TestFrame* frame = host.frame;
    frame->m_menuManager.Install(frame);
    ASSERT_TRUE(frame->m_menuManager.LoadToolbar(IDR_TB16));
    auto itemData = [](HMENU menu, int i, UINT* type) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_DATA;
        ::GetMenuItemInfoW(menu, (UINT)i, TRUE, &info);
        *type = info.fType;
        return info.dwItemData;
    };
    auto measure = [&](ULONG_PTR data) {
        MEASUREITEMSTRUCT mis = {ODT_MENU, 0, ID_CMD_A, 0, 0, data};
        return frame->m_menuManager.OnMeasureItem(&mis);
    };

    // A menu object that draws itself gets its items: the manager leaves them alone.
    SelfDrawnMenu own;
    own.CreatePopupMenu();
    own.AppendMenu(MF_STRING, ID_CMD_A, L"&Alpha");
    own.AppendMenu(MF_STRING, ID_CMD_B, L"&Beta");
    frame->SendMessage(WM_INITMENUPOPUP, (WPARAM)own.GetSafeHmenu(), 0);
    for (int i = 0; i < 2; ++i) {
        UINT type = 0;
        ULONG_PTR data = itemData(own.GetSafeHmenu(), i, &type);
        EXPECT_EQ((ULONG_PTR)&own, data);
        EXPECT_TRUE(type & MFT_OWNERDRAW);
        EXPECT_FALSE(measure(data)) << "the manager measures only its own records";
    }

    // A plain menu (no object) stays the manager's to convert.
    HMENU plain = ::CreatePopupMenu();
    ::AppendMenuW(plain, MF_STRING, ID_CMD_A, L"&Alpha");
    frame->SendMessage(WM_INITMENUPOPUP, (WPARAM)plain, 0);
    UINT type = 0;
    ULONG_PTR data = itemData(plain, 0, &type);
    EXPECT_TRUE(type & MFT_OWNERDRAW);
    EXPECT_TRUE(measure(data)) << "the manager's record";
    frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);  // the menu closed: turned back
    EXPECT_EQ(0u, itemData(plain, 0, &type));
    ::DestroyMenu(plain);
    frame->m_menuManager.Install(nullptr);
}

TEST(MDIFrame, PaintingTheStripsKeepsTheGdiBalance)
{
    FrameHost host;
    for (LWDockTypes side : {LWDockLeft, LWDockTop, LWDockRight, LWDockBottom})
        ASSERT_EQ(1, host.frame->DockWindow(host.NewPane(), side, 90, 1, 6));
    auto paintAll = [&] {
        host.frame->InvalidateRect(nullptr, TRUE);
        host.frame->SendMessage(WM_PAINT);
        for (UINT id : {AFX_IDW_DOCKBAR_TOP, AFX_IDW_DOCKBAR_LEFT}) {
            HWND bar = ::GetDlgItem(host.frame->GetSafeHwnd(), (int)id);
            ::InvalidateRect(bar, nullptr, TRUE);
            ::SendMessageW(bar, WM_NCPAINT, 1, 0);
            ::SendMessageW(bar, WM_PAINT, 0, 0);
        }
        wtest::Pump();
    };
    paintAll();
    const int before = AfxGetGdiObjectCount();
    for (int i = 0; i < 20; ++i)
        paintAll();
    EXPECT_EQ(before, AfxGetGdiObjectCount());
}

TEST(MDIFrame, DestroyingTheFrameTakesItsToolBarsAndDockedWindows)
{
    FrameHost host;
    CWnd* pane = host.NewPane();
    ASSERT_EQ(1, host.frame->DockWindow(pane, LWDockLeft, 100, 1, 4));
    CToolBar* bar = host.frame->CreateToolbar(L"Standard", IDR_TB16, nullptr, TRUE, WS_CHILD | WS_VISIBLE | CBRS_TOP);
    ASSERT_TRUE(bar);
    HWND barWindow = bar->GetSafeHwnd();
    const int before = AfxGetGdiObjectCount();
    host.frame->DestroyWindow();
    wtest::Pump();
    EXPECT_FALSE(::IsWindow(pane->GetSafeHwnd()));
    EXPECT_FALSE(::IsWindow(barWindow));
    EXPECT_LT(AfxGetGdiObjectCount(), before) << "the frame's image list went too";
}

} // namespace
