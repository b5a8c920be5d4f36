// Control wrappers over real controls: owner-draw messages reach the control's virtuals through
// the parent, real notifications are reflected, and the text/data calls that take more than one
// message round-trip (long texts, item data, check boxes, selections).
#include "wnd_testutil.h"

using namespace wndtest;

namespace {

struct Parent {
  CWnd wnd;
  Parent() { wnd.CreateEx(0, nullptr, L"parent", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr); }
  ~Parent() { wnd.DestroyWindow(); }
};

class MeasuredList : public CListBox {
 public:
  std::vector<UINT> measured, drawn;
  void MeasureItem(LPMEASUREITEMSTRUCT mis) override {
    measured.push_back(mis->itemID);
    mis->itemHeight = 20 + mis->itemID;  // every row its own height
  }
  void DrawItem(LPDRAWITEMSTRUCT dis) override { drawn.push_back(dis->itemID); }
};

TEST(WndControls, OwnerDrawnListBoxMeasuresAndDrawsThroughTheParent) {
  Parent p;
  MeasuredList list;
  ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS, CRect(0, 0, 200, 200), &p.wnd, 10));
  list.AddString(L"a");
  list.AddString(L"b");
  EXPECT_EQ(list.measured, (std::vector<UINT>{0, 1}));
  EXPECT_EQ(list.GetItemHeight(0), 20);
  EXPECT_EQ(list.GetItemHeight(1), 21);
  CString s;
  list.GetText(1, s);
  EXPECT_STREQ(s, L"b");
  // Drawing as the platform asks for it, by the parent's WM_DRAWITEM.
  DRAWITEMSTRUCT dis = {ODT_LISTBOX, 10, 1, ODA_DRAWENTIRE, 0, list.m_hWnd, nullptr, {0, 0, 10, 10}, 0};
  ::SendMessageW(p.wnd.m_hWnd, WM_DRAWITEM, 10, (LPARAM)&dis);
  EXPECT_EQ(list.drawn, (std::vector<UINT>{1}));
}

// Four one-colour bitmaps; the drawn pixel tells which one the button chose.
struct FourBitmapButton : CBitmapButton {
  void Fill(CBitmap& bm, COLORREF c) {
    HDC screen = ::GetDC(nullptr);
    bm.Attach(::CreateCompatibleBitmap(screen, 8, 8));
    HDC mem = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(mem, (HBITMAP)bm.GetSafeHandle());
    RECT r = {0, 0, 8, 8};
    HBRUSH b = ::CreateSolidBrush(c);
    ::FillRect(mem, &r, b);
    ::DeleteObject(b);
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
  }
};

TEST(WndControls, BitmapButtonPicksTheBitmapForItsState) {
  const COLORREF normal = RGB(255, 0, 0), sel = RGB(0, 255, 0), focus = RGB(0, 0, 255), disabled = RGB(90, 90, 90);
  FourBitmapButton b;
  b.Fill(b.m_bitmap, normal);
  b.Fill(b.m_bitmapSel, sel);
  b.Fill(b.m_bitmapFocus, focus);
  b.Fill(b.m_bitmapDisabled, disabled);
  HDC screen = ::GetDC(nullptr);
  HDC mem = ::CreateCompatibleDC(screen);
  HBITMAP target = ::CreateCompatibleBitmap(screen, 8, 8);
  HGDIOBJ old = ::SelectObject(mem, target);
  struct Case {
    UINT state;
    COLORREF want;
  } cases[] = {{0, normal}, {ODS_SELECTED, sel}, {ODS_SELECTED | ODS_FOCUS, sel}, {ODS_FOCUS, focus}, {ODS_DISABLED, disabled}};
  for (const Case& c : cases) {
    DRAWITEMSTRUCT dis = {ODT_BUTTON, 1, 0, ODA_DRAWENTIRE, c.state, nullptr, mem, {0, 0, 8, 8}, 0};
    b.DrawItem(&dis);
    EXPECT_EQ(::GetPixel(mem, 4, 4), c.want) << c.state;
  }
  // Without a focus picture the normal one stands in.
  b.m_bitmapFocus.DeleteObject();
  DRAWITEMSTRUCT dis = {ODT_BUTTON, 1, 0, ODA_DRAWENTIRE, ODS_FOCUS, nullptr, mem, {0, 0, 8, 8}, 0};
  b.DrawItem(&dis);
  EXPECT_EQ(::GetPixel(mem, 4, 4), normal);
  ::SelectObject(mem, old);
  ::DeleteObject(target);
  ::DeleteDC(mem);
  ::ReleaseDC(nullptr, screen);
}

class ReflectingTree : public CTreeCtrl {
 public:
  Log log;

 protected:
  void OnSelChanged(NMHDR* nm, LRESULT*) {
    NMTREEVIEWW* tv = (NMTREEVIEWW*)nm;
    log.Add(Fmt("selchanged %ls", GetItemText(tv->itemNew.hItem).GetString()));
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ReflectingTree, CTreeCtrl)
  ON_NOTIFY_REFLECT(TVN_SELCHANGEDW, OnSelChanged)
END_MESSAGE_MAP()

TEST(WndControls, TreeItemsCheckBoxesAndReflectedSelection) {
  Parent p;
  ReflectingTree tree;
  ASSERT_TRUE(tree.Create(WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_CHECKBOXES, CRect(0, 0, 200, 200), &p.wnd, 20));
  HTREEITEM root = tree.InsertItem(L"root");
  std::wstring longText(700, L'x');
  HTREEITEM a = tree.InsertItem(longText.c_str(), root);
  HTREEITEM b = tree.InsertItem(L"b", root);
  tree.SetItemData(b, 0x1234);
  EXPECT_EQ(tree.GetRootItem(), root);
  EXPECT_EQ(tree.GetChildItem(root), a);
  EXPECT_EQ(tree.GetNextSiblingItem(a), b);
  EXPECT_EQ(tree.GetParentItem(b), root);
  EXPECT_TRUE(tree.ItemHasChildren(root));
  EXPECT_EQ(std::wstring(tree.GetItemText(a).GetString()), longText);
  EXPECT_EQ(tree.GetItemData(b), 0x1234u);
  EXPECT_EQ(tree.GetCount(), 3u);

  // Check boxes live in the state image: 1 unchecked, 2 checked.
  for (BOOL c : {TRUE, FALSE, TRUE}) {
    EXPECT_TRUE(tree.SetCheck(b, c));
    EXPECT_EQ(tree.GetCheck(b), c);
  }
  EXPECT_FALSE(tree.GetCheck(a));

  tree.Expand(root, TVE_EXPAND);
  tree.SelectItem(b);
  EXPECT_EQ(tree.GetSelectedItem(), b);
  EXPECT_EQ(tree.log.entries, std::vector<std::string>{"selchanged b"});
  EXPECT_TRUE(tree.DeleteItem(a));
  EXPECT_EQ(tree.GetChildItem(root), b);
}

TEST(WndControls, ListCtrlItemsSelectionAndChecks) {
  Parent p;
  CListCtrl list;
  ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 300, 200), &p.wnd, 30));
  list.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  EXPECT_EQ(list.GetExtendedStyle() & LVS_EX_CHECKBOXES, (DWORD)LVS_EX_CHECKBOXES);
  EXPECT_EQ(list.InsertColumn(0, L"Name", LVCFMT_LEFT, 100), 0);
  EXPECT_EQ(list.InsertColumn(1, L"Size", LVCFMT_RIGHT, 60), 1);
  for (int i = 0; i < 4; ++i) {
    int at = list.InsertItem(i, CString(Fmt("item%d", i).c_str()));
    list.SetItemText(at, 1, CString(Fmt("%d", i * 10).c_str()));
    list.SetItemData(at, 100 + i);
  }
  EXPECT_EQ(list.GetItemCount(), 4);
  EXPECT_STREQ(list.GetItemText(2, 0), L"item2");
  EXPECT_STREQ(list.GetItemText(3, 1), L"30");
  EXPECT_EQ(list.GetItemData(1), 101u);
  std::wstring longText(1000, L'y');
  list.SetItemText(0, 1, longText.c_str());
  EXPECT_EQ(std::wstring(list.GetItemText(0, 1).GetString()), longText);

  list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  list.SetItemState(3, LVIS_SELECTED, LVIS_SELECTED);
  std::vector<int> selected;
  for (POSITION pos = list.GetFirstSelectedItemPosition(); pos;) selected.push_back(list.GetNextSelectedItem(pos));
  EXPECT_EQ(selected, (std::vector<int>{1, 3}));
  EXPECT_EQ(list.GetSelectedCount(), 2u);

  list.SetCheck(2, TRUE);
  EXPECT_TRUE(list.GetCheck(2));
  EXPECT_FALSE(list.GetCheck(1));
  EXPECT_TRUE(list.DeleteItem(0));
  EXPECT_STREQ(list.GetItemText(0, 0), L"item1");
}

TEST(WndControls, ToolTipTools) {
  Parent p;
  CButton button;
  ASSERT_TRUE(button.Create(L"b", WS_CHILD | WS_VISIBLE, CRect(0, 0, 50, 20), &p.wnd, 40));
  CToolTipCtrl tip;
  ASSERT_TRUE(tip.Create(&p.wnd));
  EXPECT_TRUE(tip.AddTool(&button, L"Press me"));
  EXPECT_TRUE(tip.AddTool(&p.wnd, L"Area", CRect(100, 100, 150, 150), 7));
  EXPECT_EQ(tip.GetToolCount(), 2);
  CString text;
  tip.GetText(text, &button);
  EXPECT_STREQ(text, L"Press me");
  tip.UpdateTipText(L"Changed", &button);
  tip.GetText(text, &button);
  EXPECT_STREQ(text, L"Changed");
  tip.GetText(text, &p.wnd, 7);
  EXPECT_STREQ(text, L"Area");
  MSG m = {button.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5)};
  tip.RelayEvent(&m);  // accepted without a real mouse
  tip.DelTool(&button);
  EXPECT_EQ(tip.GetToolCount(), 1);
  tip.DestroyWindow();
}

TEST(WndControls, SmallControlsRoundTrip) {
  Parent p;
  CComboBox combo;
  ASSERT_TRUE(combo.Create(WS_CHILD | CBS_DROPDOWNLIST, CRect(0, 0, 100, 100), &p.wnd, 50));
  combo.AddString(L"one");
  combo.AddString(L"two");
  combo.SetItemData(1, 77);
  combo.SetCurSel(1);
  CString s;
  combo.GetLBText(combo.GetCurSel(), s);
  EXPECT_STREQ(s, L"two");
  EXPECT_EQ(combo.GetItemData(1), 77u);
  combo.GetLBText(5, s);
  EXPECT_TRUE(s.IsEmpty());

  CProgressCtrl progress;
  ASSERT_TRUE(progress.Create(WS_CHILD, CRect(0, 0, 100, 10), &p.wnd, 51));
  progress.SetRange32(10, 500);
  progress.SetPos(250);
  int lo = 0, hi = 0;
  progress.GetRange(lo, hi);
  EXPECT_EQ(lo, 10);
  EXPECT_EQ(hi, 500);
  EXPECT_EQ(progress.GetPos(), 250);

  CEdit edit;
  ASSERT_TRUE(edit.Create(WS_CHILD | ES_MULTILINE, CRect(0, 0, 100, 50), &p.wnd, 52));
  edit.SetWindowText(L"first\r\nsecond line");
  wchar_t line[32];
  EXPECT_EQ(edit.GetLine(1, line, 32), 11);
  EXPECT_STREQ(line, L"second line");
  edit.SetSel(0, 5);
  int a = 0, b = 0;
  edit.GetSel(a, b);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 5);

  CSpinButtonCtrl spin;
  ASSERT_TRUE(spin.Create(WS_CHILD | UDS_SETBUDDYINT, CRect(0, 0, 20, 20), &p.wnd, 53));
  spin.SetRange32(0, 1000);
  spin.SetPos32(640);
  EXPECT_EQ(spin.GetPos32(), 640);

  CDateTimeCtrl date;
  ASSERT_TRUE(date.Create(WS_CHILD, CRect(0, 0, 120, 20), &p.wnd, 54));
  SYSTEMTIME st = {2026, 3, 0, 14, 10, 30, 0, 0};
  EXPECT_TRUE(date.SetTime(&st));
  SYSTEMTIME got = {};
  EXPECT_EQ(date.GetTime(&got), (DWORD)GDT_VALID);
  EXPECT_EQ(got.wYear, 2026);
  EXPECT_EQ(got.wMonth, 3);
  EXPECT_EQ(got.wDay, 14);

  CTabCtrl tabs;
  ASSERT_TRUE(tabs.Create(WS_CHILD, CRect(0, 0, 200, 100), &p.wnd, 55));
  tabs.InsertItem(0, L"A");
  tabs.InsertItem(1, L"B");
  tabs.SetCurSel(1);
  EXPECT_EQ(tabs.GetItemCount(), 2);
  EXPECT_EQ(tabs.GetCurSel(), 1);

  CRichEditCtrl rich;
  ASSERT_TRUE(rich.Create(WS_CHILD | ES_MULTILINE, CRect(0, 0, 200, 100), &p.wnd, 56));
  rich.SetWindowText(L"Hello rich world");
  rich.SetSel(6, 10);
  EXPECT_STREQ(rich.GetSelText(), L"rich");
  EXPECT_EQ(rich.GetTextLength(), 16);
}

TEST(WndControls, TemporaryWrapperUsedAsItsControlType) {
  // Code written for these wrappers casts GetDlgItem's result to the control type; that works
  // because the wrappers add no data of their own.
  Parent p;
  HWND raw = ::CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | LBS_HASSTRINGS, 0, 0, 100, 100, p.wnd.m_hWnd, (HMENU)60,
                               nullptr, nullptr);
  ASSERT_NE(raw, nullptr);
  CListBox* list = static_cast<CListBox*>(p.wnd.GetDlgItem(60));
  list->AddString(L"x");
  EXPECT_EQ(list->GetCount(), 1);
  EXPECT_EQ(sizeof(CListBox), sizeof(CWnd));
  EXPECT_EQ(sizeof(CTreeCtrl), sizeof(CWnd));
  EXPECT_EQ(sizeof(CRichEditCtrl), sizeof(CWnd));
  AfxDeleteTempMaps();
}

}  // namespace

namespace {

// A dialog from a compiled template holding every wrapped control, bound by DDX_Control and
// used through the wrappers while its modal loop runs.
class ControlsDialog : public CDialog {
 public:
  ControlsDialog() : CDialog(2002) {}
  CListCtrl list;
  CTreeCtrl tree;
  CTabCtrl tabs;
  CProgressCtrl progress;
  CSpinButtonCtrl spin;
  CDateTimeCtrl date;
  CMonthCalCtrl month;
  CRichEditCtrl rich;
  CComboBox combo;
  CListBox listBox;
  CScrollBar scroll;
  CStatic label;
  CButton push;
  Log log;

  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, 200, list);
    DDX_Control(pDX, 201, tree);
    DDX_Control(pDX, 202, tabs);
    DDX_Control(pDX, 203, progress);
    DDX_Control(pDX, 205, spin);
    DDX_Control(pDX, 206, date);
    DDX_Control(pDX, 207, month);
    DDX_Control(pDX, 208, rich);
    DDX_Control(pDX, 209, combo);
    DDX_Control(pDX, 210, listBox);
    DDX_Control(pDX, 211, scroll);
    DDX_Control(pDX, 212, label);
    DDX_Control(pDX, 213, push);
  }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    list.InsertColumn(0, L"Name", LVCFMT_LEFT, 80);
    list.InsertItem(0, L"row");
    tree.InsertItem(L"root");
    tabs.InsertItem(0, L"First");
    progress.SetRange32(0, 10);
    progress.SetPos(4);
    spin.SetRange32(0, 50);
    spin.SetPos32(12);
    rich.SetWindowText(L"rich text");
    combo.AddString(L"c1");
    combo.SetCurSel(0);
    listBox.AddString(L"l1");
    SCROLLINFO si = {sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 10, 30};
    scroll.SetScrollInfo(&si);
    SetTimer(1, 5, nullptr);
    return TRUE;
  }

 protected:
  void OnTimer(UINT_PTR) {
    KillTimer(1);
    CString s;
    combo.GetLBText(0, s);
    log.Add(Fmt("list %ls tree %ls tab %d progress %d buddy %d rich %ld combo %ls scroll %d label %ls",
                list.GetItemText(0, 0).GetString(), tree.GetItemText(tree.GetRootItem()).GetString(), tabs.GetItemCount(),
                progress.GetPos(), (int)GetDlgItemInt(204), rich.GetTextLength(), s.GetString(), scroll.GetScrollPos(),
                [&] { CString t; label.GetWindowText(t); return t; }().GetString()));
    push.Click();  // BN_CLICKED reaches the dialog's map
  }
  void OnPush() { EndDialog(77); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ControlsDialog, CDialog)
  ON_WM_TIMER()
  ON_BN_CLICKED(213, OnPush)
END_MESSAGE_MAP()

TEST(WndControls, EveryWrapperInADialogFromATemplate) {
  ASSERT_TRUE(AfxInitRichEdit2());
  ControlsDialog d;
  EXPECT_EQ(d.DoModal(), 77);
  std::vector<std::string> want = {
      "list row tree root tab 1 progress 4 buddy 12 rich 9 combo c1 scroll 30 label Static"};
  EXPECT_EQ(d.log.entries, want);
  EXPECT_EQ(d.list.m_hWnd, nullptr);  // unbound with the dialog
}

}  // namespace
