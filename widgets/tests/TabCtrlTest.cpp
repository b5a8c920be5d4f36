#include "LWTabCtrl.h"
#include "WidgetTestUtil.h"
#include "test_ids.h"
#include <map>
#include <string>
#include <vector>

namespace {

struct TabNotice {
    UINT code;
    int tab;
    POINT pt;
    WPARAM wParam;
};

class TabHost : public CWnd {
public:
    std::vector<TabNotice> heard;
    std::map<UINT, LRESULT> answers;

    TabHost()
    {
        CreateEx(0, AfxRegisterWndClass(CS_DBLCLKS), L"tabs", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 500, 300, nullptr, nullptr);
    }
    ~TabHost() override { DestroyWindow(); }

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (message == WM_NOTIFY) {
            const NMHDR* hdr = (const NMHDR*)lParam;
            if (hdr->code == LWTC_CLOSE || hdr->code == LWTC_DBLCLK) {
                const NMMOUSE* nm = (const NMMOUSE*)lParam;
                heard.push_back({hdr->code, (int)nm->dwHitInfo, nm->pt, wParam});
                auto it = answers.find(hdr->code);
                *result = it == answers.end() ? 0 : it->second;
                return TRUE;
            }
        }
        return CWnd::OnWndMsg(message, wParam, lParam, result);
    }
};

BOOL WINAPI AlwaysDrag(HWND, POINT) { return TRUE; }

struct TabFixture : testing::Test {
    TabHost host;
    LWTabCtrl tabs;
    BOOL(WINAPI* savedDetect)(HWND, POINT) = nullptr;

    void SetUp() override
    {
        savedDetect = LWTabCtrl::s_pfnDragDetect;
        LWTabCtrl::s_pfnDragDetect = AlwaysDrag;
        Make();
    }
    void Make()
    {
        ASSERT_TRUE(tabs.Create(WS_CHILD | WS_VISIBLE | TCS_FIXEDWIDTH, CRect(0, 0, 420, 200), &host, 12));
        tabs.SetItemSize(CSize(70, 22));
        const wchar_t* names[] = {L"A", L"B", L"C", L"D", L"E"};
        for (int i = 0; i < 5; ++i) {
            TCITEMW item = {};
            item.mask = TCIF_TEXT | TCIF_PARAM;
            item.pszText = (LPWSTR)names[i];
            item.lParam = 100 + i;
            tabs.SendMessage(TCM_INSERTITEMW, i, (LPARAM)&item);
        }
    }
    void TearDown() override { LWTabCtrl::s_pfnDragDetect = savedDetect; }

    std::wstring Order()
    {
        std::wstring out;
        for (int i = 0; i < tabs.GetItemCount(); ++i) {
            wchar_t text[8] = {};
            TCITEMW item = {};
            item.mask = TCIF_TEXT | TCIF_PARAM;
            item.pszText = text;
            item.cchTextMax = 8;
            tabs.SendMessage(TCM_GETITEMW, i, (LPARAM)&item);
            out += text;
            EXPECT_EQ(100 + (text[0] - L'A'), (int)item.lParam) << "data travels with the tab";
        }
        return out;
    }
    CRect Tab(int i)
    {
        CRect r;
        tabs.GetItemRect(i, &r);
        return r;
    }
    void SetState(int index, DWORD state)
    {
        TCITEMW item = {};
        item.mask = TCIF_STATE;
        item.dwState = state;
        item.dwStateMask = (DWORD)-1;
        tabs.SendMessage(TCM_SETITEMW, index, (LPARAM)&item);
    }
    DWORD State(int index)
    {
        TCITEMW item = {};
        item.mask = TCIF_STATE;
        item.dwStateMask = (DWORD)-1;
        tabs.SendMessage(TCM_GETITEMW, index, (LPARAM)&item);
        return item.dwState;
    }
};

TEST_F(TabFixture, DraggingATabMovesItBeforeTheMarkedPlace)
{
    EXPECT_EQ(LWTabCtrl::TypeTop, tabs.GetTabCtrlType());
    tabs.m_bReorder = 1;
    const struct {
        const char* what;
        int source;
        std::vector<std::pair<int, bool>> over;  // tab (5: past the last) and right half
        const wchar_t* order;
        int current;
    } moves[] = {
        {"0 to the right half of 2", 0, {{2, true}}, L"BCADE", 2},
        {"3 to the left half of 1", 3, {{1, false}}, L"ADBCE", 1},
        {"dropped on itself", 2, {{2, false}}, L"ABCDE", 2},
        {"dropped on its own right half", 2, {{2, true}}, L"ABCDE", 2},
        {"past the last tab", 1, {{4, true}, {5, false}}, L"ACDEB", 4},
        {"wandering, then the left half of 0", 4, {{2, true}, {5, false}, {0, false}}, L"EABCD", 0},
    };
    for (const auto& m : moves) {
        SCOPED_TRACE(m.what);
        tabs.DestroyWindow();
        Make();  // fresh tabs A..E
        tabs.m_bReorder = 1;
        SetState(m.source, LWTC_STATE_CLOSE);
        tabs.SetCurSel(m.source);
        const CRect from = Tab(m.source);
        tabs.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.CenterPoint().x, from.CenterPoint().y));
        ASSERT_EQ(1, tabs.m_bDragging);
        int x = 0;
        for (const auto& o : m.over) {
            const CRect r = o.first < 5 ? Tab(o.first) : Tab(4);
            x = o.first == 5 ? r.right + 20 : (o.second ? r.right - 5 : r.left + 5);
            tabs.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, from.CenterPoint().y));
        }
        tabs.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(x, from.CenterPoint().y));
        EXPECT_EQ(std::wstring(m.order), Order());
        EXPECT_EQ(m.current, tabs.GetCurSel());
        EXPECT_EQ((DWORD)LWTC_STATE_CLOSE, State(m.current) & LWTC_STATE_CLOSE);
        EXPECT_EQ(0, tabs.m_bDragging);
        EXPECT_NE(::GetCapture(), tabs.m_hWnd);
    }
}

TEST_F(TabFixture, CloseButtonsCountOnlyWhereShown)
{
    HBITMAP cross = ::CreateBitmap(10, 10, 1, 32, nullptr);
    tabs.m_imgClose.Create(10, 10, ILC_COLOR32, 1, 0);
    ImageList_Add(tabs.m_imgClose.GetSafeHandle(), cross, nullptr);
    ::DeleteObject(cross);
    SetState(1, LWTC_STATE_CLOSE);
    CRect close;
    ASSERT_TRUE(tabs.GetBtnCloseRect(1, &close));
    CRect tab;
    tabs.GetTabItemRect(1, &tab);
    EXPECT_EQ(tab.right, close.right);
    EXPECT_EQ(10, close.Width());
    EXPECT_EQ(tab.top + (tab.Height() - 10) / 2 + 1, close.top);

    tabs.SetCurSel(0);
    const CPoint onButton = close.CenterPoint();
    tabs.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(onButton.x, onButton.y));
    EXPECT_EQ(L"ABCDE", Order());  // the parent said no: nothing moves, nothing is selected
    EXPECT_EQ(0, tabs.GetCurSel());
    ASSERT_EQ(1u, host.heard.size());
    EXPECT_EQ(LWTC_CLOSE, host.heard[0].code);
    EXPECT_EQ(1, host.heard[0].tab);
    EXPECT_EQ(onButton, CPoint(host.heard[0].pt));
    EXPECT_EQ(0u, host.heard[0].wParam);

    // Tab 2 shows no button: a press in the same place of it is an ordinary tab click.
    host.heard.clear();
    CRect sameOnTwo;
    ASSERT_TRUE(tabs.GetBtnCloseRect(2, &sameOnTwo));
    tabs.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(sameOnTwo.CenterPoint().x, sameOnTwo.CenterPoint().y));
    EXPECT_TRUE(host.heard.empty());
    EXPECT_EQ(2, tabs.GetCurSel());

    host.answers[LWTC_CLOSE] = 1;
    tabs.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(onButton.x, onButton.y));
    EXPECT_EQ(L"ACDE", Order());

    // Double clicks name the tab under the point, or -1.
    host.heard.clear();
    const CRect d = Tab(3);
    tabs.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(d.CenterPoint().x, d.CenterPoint().y));
    tabs.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(400, 150));
    ASSERT_EQ(2u, host.heard.size());
    EXPECT_EQ(LWTC_DBLCLK, host.heard[0].code);
    EXPECT_EQ(3, host.heard[0].tab);
    EXPECT_EQ(-1, host.heard[1].tab);

    // Without close images no tab has a close rectangle.
    tabs.m_imgClose.DeleteImageList();
    EXPECT_FALSE(tabs.GetBtnCloseRect(0, &close));
    EXPECT_FALSE(tabs.GetBtnCloseRect(40, &close));
}

TEST_F(TabFixture, PaintsSkinnedAndFramedTabsOnTheirPage)
{
    const COLORREF strip = RGB(239, 245, 249), frameSkin = RGB(137, 140, 149), frame = RGB(183, 190, 209);
    wtest::TraceCatcher trace;
    SkinControl missing = {IDB_MISSING, 0, 48, 22, {2, 2, 46, 20}};
    tabs.SetSkin(missing);
    EXPECT_EQ(0u, tabs.m_skin.bmpNormal);
    EXPECT_EQ(nullptr, tabs.m_bmpSkin.GetSafeHandle());
    EXPECT_TRUE(trace.Saw(L"LWTabCtrl::SetSkin"));

    tabs.SetCurSel(1);
    CRect client;
    tabs.GetClientRect(&client);
    const CRect inactive = Tab(3), active = Tab(1);
    {
        wtest::Canvas canvas(client.Width(), client.Height(), RGB(1, 2, 3));
        tabs.OnPaintTop(&canvas.dc);
        EXPECT_EQ(strip, canvas.At(client.right - 3, 2));                    // the strip right of the tabs
        EXPECT_EQ(frameSkin, canvas.At(0, client.bottom - 1));               // the page's frame
        EXPECT_EQ(RGB(255, 255, 255), canvas.At(client.right / 2, client.bottom - 20));
        CRect framed;
        tabs.GetTabItemRect(3, &framed);
        EXPECT_EQ(frame, canvas.At(framed.left, framed.CenterPoint().y));   // a framed box without skin
        EXPECT_EQ(strip, canvas.At(inactive.left + 3, inactive.top + 3));
        EXPECT_EQ(RGB(255, 255, 255), canvas.At(active.left + 3, active.top + 3));
    }
    SkinControl skin = {IDB_BTN_NORMAL, 0, 73, 21, {2, 2, 71, 19}};
    tabs.SetSkin(skin);
    ASSERT_NE(nullptr, tabs.m_bmpSkin.GetSafeHandle());
    {
        wtest::Canvas canvas(client.Width(), client.Height(), RGB(1, 2, 3));
        tabs.OnPaintTop(&canvas.dc);
        CRect widened;
        tabs.GetTabItemRect(1, &widened);
        // The active tab's bottom line is white where it meets the page.
        EXPECT_EQ(RGB(255, 255, 255), canvas.At(widened.left + 3, widened.bottom));
        EXPECT_NE(strip, canvas.At(inactive.left + 3, inactive.top + 3));    // the skin, not the plain fill
    }
    tabs.Invalidate();
    tabs.SendMessage(WM_PAINT);  // the first paint makes the control's brushes
    const int before = AfxGetGdiObjectCount();
    for (int i = 0; i < 20; ++i) {
        tabs.Invalidate();
        tabs.SendMessage(WM_PAINT);
    }
    wtest::Pump();
    EXPECT_EQ(before, AfxGetGdiObjectCount());
}

TEST_F(TabFixture, DraggingPastTheEndScrollsOneTabPerMoveAndTheUpDownWrapperGoesWithTheControl)
{
    tabs.MoveWindow(0, 0, 200, 120);
    for (int i = 0; i < 5; ++i)
        tabs.InsertItem(5 + i, L"More");
    wtest::Pump();
    HWND updown = ::FindWindowExW(tabs.m_hWnd, nullptr, UPDOWN_CLASSW, nullptr);
    ASSERT_NE(nullptr, updown) << "the tabs overflow";
    tabs.m_bReorder = 1;
    const CRect first = Tab(0);
    const int y = first.CenterPoint().y;
    tabs.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(first.CenterPoint().x, y));
    ASSERT_EQ(1, tabs.m_bDragging);
    const struct {
        int x, pos;
    } moves[] = {{250, 1}, {250, 2}, {250, 3}, {100, 3}, {-10, 2}, {-10, 1}, {-10, 0}, {-10, 0}};
    for (const auto& m : moves) {
        tabs.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM((WORD)(short)m.x, y));
        EXPECT_EQ(m.pos, LOWORD(::SendMessageW(updown, UDM_GETPOS, 0, 0))) << m.x;
    }
    ASSERT_NE(nullptr, tabs.m_pUpDown);
    EXPECT_EQ(updown, tabs.m_pUpDown->m_hWnd);
    // The button is released elsewhere: the next move ends the drag without reordering.
    tabs.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(250, y));
    EXPECT_EQ(0, tabs.m_bDragging);
    ::ReleaseCapture();
    tabs.DestroyWindow();
    EXPECT_EQ(nullptr, tabs.m_pUpDown);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(updown));
}

} // namespace
