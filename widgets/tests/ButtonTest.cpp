#include "LWButton.h"
#include "WidgetTestUtil.h"
#include "test_ids.h"

namespace {

struct Buttons {
    wtest::Host host;
    LWButton b[3];
    Buttons(LWButton::Type type, DWORD style = BS_PUSHBUTTON)
    {
        for (int i = 0; i < 3; ++i) {
            b[i].Create(L"Choice", WS_CHILD | WS_VISIBLE | style, CRect(10, 10 + 30 * i, 110, 35 + 30 * i), &host,
                        100 + i);
            b[i].setType(type);
        }
    }
};

void Click(LWButton& button, int x = 5, int y = 5)
{
    button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    wtest::Pump();
}

CPtrArray* Group(const wchar_t* name)
{
    void* list = nullptr;
    return LWButton::m_btnGroups.Lookup(name, list) ? static_cast<CPtrArray*>(list) : nullptr;
}

TEST(Button, SubclassingMakesItOwnerDrawnAndRemembersADefaultButton)
{
    wtest::Host host;
    LWButton plain, def;
    plain.Create(L"a", WS_CHILD | BS_PUSHBUTTON, CRect(0, 0, 50, 20), &host, 1);
    def.Create(L"b", WS_CHILD | BS_DEFPUSHBUTTON, CRect(0, 30, 50, 50), &host, 2);
    EXPECT_EQ((DWORD)BS_OWNERDRAW, plain.GetStyle() & 0xF);
    EXPECT_EQ((DWORD)BS_OWNERDRAW, def.GetStyle() & 0xF);
    EXPECT_EQ(0, plain.m_bWasDefault);
    EXPECT_EQ(1, def.m_bWasDefault);
}

TEST(Button, ClicksFollowTheTypeAndTheGroup)
{
    {
        SCOPED_TRACE("radio buttons of one group");
        Buttons r(LWButton::TypeRadio);
        for (auto& b : r.b)
            ASSERT_TRUE(b.addToGroup(L"colours"));
        Click(r.b[0]);
        EXPECT_TRUE(r.b[0].isChecked());
        Click(r.b[1]);
        EXPECT_FALSE(r.b[0].isChecked());
        EXPECT_TRUE(r.b[1].isChecked());
        Click(r.b[1]);  // a checked radio stays checked
        EXPECT_TRUE(r.b[1].isChecked());
        r.b[2].SetCheck(true);
        EXPECT_FALSE(r.b[1].isChecked());
        // each click was reported as the system button's BN_CLICKED
        int clicked = 0;
        for (const auto& n : r.host.Take())
            clicked += n.message == WM_COMMAND && n.code == BN_CLICKED;
        EXPECT_EQ(3, clicked);
    }
    {
        SCOPED_TRACE("ungrouped check box and toggles flip");
        Buttons c(LWButton::TypeCheckBox);
        c.b[1].setType(LWButton::TypeToggle);
        c.b[2].setType(LWButton::TypeHoverToggle);
        for (auto& b : c.b) {
            Click(b);
            EXPECT_TRUE(b.isChecked());
            Click(b);
            EXPECT_FALSE(b.isChecked());
        }
        // a release outside the button changes nothing
        c.b[0].SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        c.b[0].SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(500, 5));
        EXPECT_FALSE(c.b[0].isChecked());
    }
    {
        SCOPED_TRACE("grouped toggles behave as radio buttons");
        Buttons t(LWButton::TypeToggle);
        t.b[0].addToGroup(L"views");
        t.b[1].addToGroup(L"views");
        Click(t.b[0]);
        Click(t.b[0]);
        EXPECT_TRUE(t.b[0].isChecked());
        Click(t.b[1]);
        EXPECT_FALSE(t.b[0].isChecked());
        EXPECT_TRUE(t.b[1].isChecked());
    }
    {
        SCOPED_TRACE("push buttons never check");
        Buttons p(LWButton::TypeNormal);
        Click(p.b[0]);
        p.b[0].SetCheck(true);
        EXPECT_FALSE(p.b[0].isChecked());
    }
}

TEST(Button, GroupsKeepNoDestroyedButtons)
{
    wtest::Host host;
    LWButton keep;
    keep.Create(L"keep", WS_CHILD | WS_VISIBLE, CRect(0, 0, 50, 20), &host, 1);
    keep.setType(LWButton::TypeRadio);
    keep.addToGroup(L"mixed");
    {
        LWButton gone;
        gone.Create(L"gone", WS_CHILD | WS_VISIBLE, CRect(0, 30, 50, 50), &host, 2);
        gone.setType(LWButton::TypeRadio);
        gone.addToGroup(L"mixed");
        ASSERT_EQ(2, Group(L"mixed")->GetSize());
        gone.DestroyWindow();
        EXPECT_EQ(1, Group(L"mixed")->GetSize());
    }
    {
        LWButton dropped;  // destroyed with its object only
        dropped.Create(L"dropped", WS_CHILD | WS_VISIBLE, CRect(0, 30, 50, 50), &host, 3);
        dropped.addToGroup(L"mixed");
        ASSERT_EQ(2, Group(L"mixed")->GetSize());
    }
    EXPECT_EQ(1, Group(L"mixed")->GetSize());
    EXPECT_EQ((void*)keep.m_hWnd, Group(L"mixed")->GetAt(0));
    keep.SetCheck(true);
    EXPECT_TRUE(keep.isChecked());

    // moving to another group leaves the first; an empty name is refused
    EXPECT_FALSE(keep.addToGroup(L""));
    EXPECT_TRUE(keep.addToGroup(L"other"));
    EXPECT_EQ(0, Group(L"mixed")->GetSize());
    EXPECT_TRUE(keep.removeFromGroup());
    EXPECT_FALSE(keep.removeFromGroup());
}

TEST(Button, SetTypeClearsFlagsAndCheckedState)
{
    wtest::Host host;
    LWButton b;
    b.Create(L"b", WS_CHILD, CRect(0, 0, 50, 20), &host, 1);
    b.setType(LWButton::TypeHoverSplit);
    EXPECT_TRUE(b.m_bHoverFrame && b.m_bSplit);
    b.setType((LWButton::Type)12);
    EXPECT_EQ(LWButton::TypeHoverSplit, b.getType());
    EXPECT_FALSE(b.m_bHoverFrame || b.m_bSplit || b.m_bDropArrow || b.m_bFlat || b.m_bLink);

    b.setType(LWButton::TypeToggle);
    b.SetCheck(true);
    b.setType(LWButton::TypeHoverToggle);
    EXPECT_TRUE(b.isChecked());  // 7 and 8 keep it
    b.setType(LWButton::TypeCheckBox);
    EXPECT_FALSE(b.isChecked());

    const struct {
        LWButton::Type type;
        BYTE flat, hover, drop, split, link;
    } table[] = {
        {LWButton::TypeFlat, 1, 0, 0, 0, 0},        {LWButton::TypeNormal, 0, 0, 0, 0, 0},
        {LWButton::TypeHover, 0, 1, 0, 0, 0},       {LWButton::TypeDropDown, 0, 0, 1, 0, 0},
        {LWButton::TypeHoverDropDown, 0, 1, 1, 0, 0}, {LWButton::TypeSplit, 0, 0, 0, 1, 0},
        {LWButton::TypeHoverSplit, 0, 1, 0, 1, 0},  {LWButton::TypeHoverToggle, 0, 1, 0, 0, 0},
        {LWButton::TypeLink, 0, 0, 0, 0, 1},
    };
    for (const auto& row : table) {
        b.setType(row.type);
        EXPECT_EQ(row.flat, b.m_bFlat) << row.type;
        EXPECT_EQ(row.hover, b.m_bHoverFrame) << row.type;
        EXPECT_EQ(row.drop, b.m_bDropArrow) << row.type;
        EXPECT_EQ(row.split, b.m_bSplit) << row.type;
        EXPECT_EQ(row.link, b.m_bLink) << row.type;
    }
}

TEST(Button, SplitPressIsRememberedUntilRelease)
{
    Buttons s(LWButton::TypeSplit);
    LWButton& b = s.b[0];  // 100 wide
    b.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(83, 5));
    EXPECT_TRUE(b.isMultiClicked());
    b.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(83, 5));
    EXPECT_FALSE(b.isMultiClicked());
    b.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(81, 5));
    EXPECT_FALSE(b.isMultiClicked());
    b.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(81, 5));
}

TEST(Button, SizeToTextAddsRoomByType)
{
    wtest::Host host;
    CFont font;
    font.CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    CClientDC dc(&host);
    CFont* old = dc.SelectObject(&font);
    const int text = dc.GetTextExtent(L"Remember me", 11).cx;
    dc.SelectObject(old);
    const struct {
        LWButton::Type type;
        int extra;
    } table[] = {{LWButton::TypeCheckBox, 30}, {LWButton::TypeLink, 4}, {LWButton::TypeNormal, 40},
                 {LWButton::TypeRadio, 40}};
    for (const auto& row : table) {
        LWButton b;
        b.Create(L"Remember me", WS_CHILD, CRect(200, 10, 300, 30), &host, 1);
        b.SetFont(&font);
        b.setType(row.type);
        b.SizeToText(0);
        CRect r;
        b.GetWindowRect(&r);
        host.ScreenToClient(&r);
        EXPECT_EQ(text + row.extra, r.Width()) << row.type;
        EXPECT_EQ(200, r.left);
        EXPECT_EQ(20, r.Height());
        b.SetWindowPos(nullptr, 200, 10, 100, 20, SWP_NOZORDER);
        b.SizeToText(1);  // the right edge stays
        b.GetWindowRect(&r);
        host.ScreenToClient(&r);
        EXPECT_EQ(300, r.right) << row.type;
        EXPECT_EQ(text + row.extra, r.Width());
    }
}

TEST(Button, BitmapIdAndKeyChangeOnlyWithANewId)
{
    LWButton b;
    EXPECT_EQ(0, b.m_nBitmapId);
    b.setBitmapId(IDB_BLOCKS, RGB(1, 2, 3));
    EXPECT_EQ(48, b.m_nBitmapW);
    EXPECT_EQ(15, b.m_nBitmapH);
    b.setBitmapId(IDB_BLOCKS, RGB(9, 9, 9));
    EXPECT_EQ(RGB(1, 2, 3), b.m_clrKey);
    b.removeBitmap();
    EXPECT_EQ(0, b.m_nBitmapId);
    EXPECT_EQ(nullptr, b.m_hBitmap);
}

DRAWITEMSTRUCT Item(LWButton& b, HDC dc, UINT state)
{
    DRAWITEMSTRUCT dis = {ODT_BUTTON, (UINT)b.GetDlgCtrlID(), 0, ODA_DRAWENTIRE, state, b.m_hWnd, dc, {0, 0, 30, 12}, 0};
    return dis;
}

TEST(Button, PaintsItsSkinAndFallsBackWhenTheSkinIsMissing)
{
    wtest::Host host;
    LWButton b;
    b.Create(L"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 30, 12), &host, 1);
    b.setTextStyle(LWButton::TextNone);
    SkinControl skin = {IDB_ZONES, IDB_BTN_PUSHED, 30, 12, {3, 3, 26, 8}};
    b.SetSkin(skin);
    wtest::Canvas canvas(30, 12, RGB(1, 2, 3));
    DRAWITEMSTRUCT dis = Item(b, canvas.dc.GetSafeHdc(), 0);
    b.DrawItem(&dis);
    EXPECT_EQ(RGB(40, 10, 10), canvas.At(0, 0));      // top-left corner of the normal skin
    EXPECT_EQ(RGB(0, 200, 200), canvas.At(15, 6));    // its centre
    dis.itemState = ODS_SELECTED;
    b.DrawItem(&dis);
    EXPECT_NE(RGB(0, 200, 200), canvas.At(15, 6));    // the pushed skin

    wtest::TraceCatcher trace;
    SkinControl missing = {IDB_MISSING, 0, 30, 12, {3, 3, 26, 8}};
    b.SetSkin(missing);
    canvas.dc.FillSolidRect(0, 0, 30, 12, RGB(1, 2, 3));
    dis.itemState = 0;
    b.DrawItem(&dis);
    EXPECT_EQ(0u, b.m_skin.bmpNormal);  // tried once
    EXPECT_TRUE(trace.Saw(L"no bitmap resource 599"));
    EXPECT_NE(RGB(1, 2, 3), canvas.At(15, 6));  // the system frame was drawn instead
}

TEST(Button, RepeatedPaintsAndSkinsKeepTheGdiCount)
{
    wtest::Host host;
    LWButton b;
    b.Create(L"Save", WS_CHILD | WS_VISIBLE, CRect(0, 0, 30, 12), &host, 1);
    b.setBitmapId(IDB_BLOCKS, RGB(192, 192, 192));
    b.setType(LWButton::TypeSplit);
    b.setFocusStyle(LWButton::FocusDefault);
    SkinControl skin = {IDB_BTN_NORMAL, IDB_BTN_PUSHED, 73, 21, {2, 2, 71, 19}};
    wtest::Canvas canvas(30, 12, RGB(1, 2, 3));
    const UINT states[] = {0, ODS_SELECTED, ODS_FOCUS, ODS_DISABLED, ODS_SELECTED | ODS_FOCUS};
    auto paintAll = [&] {
        b.SetSkin(skin);
        for (UINT state : states) {
            DRAWITEMSTRUCT dis = Item(b, canvas.dc.GetSafeHdc(), state);
            b.DrawItem(&dis);
        }
        AfxDeleteTempMaps();
    };
    paintAll();
    const long before = AfxGetGdiObjectCount();
    for (int i = 0; i < 20; ++i)
        paintAll();
    EXPECT_EQ(before, AfxGetGdiObjectCount());
}

TEST(Button, CursorIsAHandOnlyOverLinks)
{
    Buttons s(LWButton::TypeNormal);
    s.b[1].setType(LWButton::TypeLink);
    s.host.Take();
    EXPECT_FALSE(s.b[0].SendMessage(WM_SETCURSOR, (WPARAM)s.b[0].m_hWnd, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    // default processing asks the parent first, as every child window does
    auto seen = s.host.Take();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ((UINT)WM_SETCURSOR, seen[0].message);
    EXPECT_TRUE(s.b[1].SendMessage(WM_SETCURSOR, (WPARAM)s.b[1].m_hWnd, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_TRUE(s.host.Take().empty());
}

TEST(Button, EnableAndSizeOnAGoneWindowAreTraced)
{
    wtest::TraceCatcher trace;
    Buttons s(LWButton::TypeNormal);
    s.b[0].enable(false);
    EXPECT_FALSE(s.b[0].IsWindowEnabled());
    s.b[0].enable(true);
    EXPECT_TRUE(s.b[0].IsWindowEnabled());
    s.b[0].DestroyWindow();
    s.b[0].enable(true);
    s.b[0].SizeToText(0);
    EXPECT_TRUE(trace.Saw(L"LWButton::enable: no window"));
    EXPECT_TRUE(trace.Saw(L"LWButton::SizeToText: no window"));
}

} // namespace
