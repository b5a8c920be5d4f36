// Reflection: a parent offers its child's notifications (WM_COMMAND codes, WM_NOTIFY,
// WM_CTLCOLOR*, WM_DRAWITEM and the like) back to the child's own map before its own.
#include "wnd_testutil.h"

using namespace wndtest;

namespace {

HBRUSH g_childBrush = (HBRUSH)::GetStockObject(GRAY_BRUSH);

class ReflectChild : public CWnd {
 public:
  Log* log = nullptr;
  BOOL passClickOn = FALSE;  // the _EX handler answers FALSE: the parent sees it too
  BOOL giveBrush = TRUE;

 protected:
  void OnReflectClick(NMHDR*, LRESULT* r) {
    log->Add("child notify click");
    *r = 11;
  }
  BOOL OnReflectDblClk(NMHDR*, LRESULT*) {
    log->Add("child notify dblclk");
    return !passClickOn;
  }
  BOOL OnReflectCommand() {
    log->Add("child command");
    return !passClickOn;
  }
  HBRUSH CtlColor(CDC* pDC, UINT nCtlColor) override {
    log->Add(Fmt("child ctlcolor %u %d", nCtlColor, pDC != nullptr));
    return giveBrush ? g_childBrush : nullptr;
  }
  LRESULT OnReflectDrawItem(WPARAM, LPARAM l) {
    log->Add(Fmt("child drawitem %u", ((LPDRAWITEMSTRUCT)l)->itemID));
    return TRUE;
  }
  void HScroll(UINT code, UINT pos) { log->Add(Fmt("child hscroll %u %u", code, pos)); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ReflectChild, CWnd)
  ON_NOTIFY_REFLECT(NM_CLICK, OnReflectClick)
  ON_NOTIFY_REFLECT_EX(NM_DBLCLK, OnReflectDblClk)
  ON_CONTROL_REFLECT_EX(BN_CLICKED, OnReflectCommand)
  ON_WM_CTLCOLOR_REFLECT()
  ON_MESSAGE(WM_REFLECT_BASE + WM_DRAWITEM, OnReflectDrawItem)
  ON_WM_HSCROLL_REFLECT()
END_MESSAGE_MAP()

class ReflectParent : public CWnd {
 public:
  Log log;

 protected:
  void OnClick(NMHDR*, LRESULT* r) {
    log.Add("parent notify click");
    *r = 22;
  }
  void OnDblClk(NMHDR*, LRESULT*) { log.Add("parent notify dblclk"); }
  void OnCommandClicked() { log.Add("parent command"); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ReflectParent, CWnd)
  ON_NOTIFY(NM_CLICK, 5, OnClick)
  ON_NOTIFY(NM_DBLCLK, 5, OnDblClk)
  ON_BN_CLICKED(5, OnCommandClicked)
END_MESSAGE_MAP()

struct Fixture {
  ReflectParent parent;
  ReflectChild child;
  Fixture() {
    child.log = &parent.log;
    parent.CreateEx(0, nullptr, L"parent", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr);
    child.Create(nullptr, L"", WS_VISIBLE, CRect(0, 0, 50, 50), &parent, 5);
  }
  ~Fixture() { parent.DestroyWindow(); }
  LRESULT Notify(UINT code) {
    NMHDR nm = {child.m_hWnd, 5, code};
    return ::SendMessageW(parent.m_hWnd, WM_NOTIFY, 5, (LPARAM)&nm);
  }
};

TEST(WndReflect, NotificationsGoToTheChildFirst) {
  Fixture f;
  struct Case {
    UINT code;
    BOOL pass;
    std::vector<std::string> expect;
    LRESULT result;
  } cases[] = {
      {(UINT)NM_CLICK, FALSE, {"child notify click"}, 11},
      {(UINT)NM_DBLCLK, FALSE, {"child notify dblclk"}, 0},
      {(UINT)NM_DBLCLK, TRUE, {"child notify dblclk", "parent notify dblclk"}, 0},
  };
  for (const Case& c : cases) {
    f.parent.log.Clear();
    f.child.passClickOn = c.pass;
    EXPECT_EQ(f.Notify(c.code), c.result);
    EXPECT_EQ(f.parent.log.entries, c.expect);
  }
}

TEST(WndReflect, ControlCommandsReflectAndCanPassOn) {
  Fixture f;
  for (BOOL pass : {FALSE, TRUE}) {
    f.parent.log.Clear();
    f.child.passClickOn = pass;
    ::SendMessageW(f.parent.m_hWnd, WM_COMMAND, MAKEWPARAM(5, BN_CLICKED), (LPARAM)f.child.m_hWnd);
    std::vector<std::string> want = {"child command"};
    if (pass) want.push_back("parent command");
    EXPECT_EQ(f.parent.log.entries, want);
  }
}

TEST(WndReflect, CtlColorDrawItemAndScrollReflect) {
  Fixture f;
  HDC dc = ::GetDC(f.parent.m_hWnd);
  f.parent.log.Clear();
  LRESULT r = ::SendMessageW(f.parent.m_hWnd, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)f.child.m_hWnd);
  EXPECT_EQ((HBRUSH)r, g_childBrush);
  // No brush from the child: the parent's default answer (not the child's null).
  f.child.giveBrush = FALSE;
  r = ::SendMessageW(f.parent.m_hWnd, WM_CTLCOLORBTN, (WPARAM)dc, (LPARAM)f.child.m_hWnd);
  EXPECT_NE((HBRUSH)r, g_childBrush);
  std::vector<std::string> want = {Fmt("child ctlcolor %u 1", CTLCOLOR_STATIC), Fmt("child ctlcolor %u 1", CTLCOLOR_BTN)};
  EXPECT_EQ(f.parent.log.entries, want);
  ::ReleaseDC(f.parent.m_hWnd, dc);

  f.parent.log.Clear();
  DRAWITEMSTRUCT dis = {};
  dis.CtlType = ODT_BUTTON;
  dis.CtlID = 5;
  dis.itemID = 3;
  dis.hwndItem = f.child.m_hWnd;
  EXPECT_EQ(::SendMessageW(f.parent.m_hWnd, WM_DRAWITEM, 5, (LPARAM)&dis), TRUE);
  ::SendMessageW(f.parent.m_hWnd, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 40), (LPARAM)f.child.m_hWnd);
  want = {"child drawitem 3", Fmt("child hscroll %u 40", SB_THUMBPOSITION)};
  EXPECT_EQ(f.parent.log.entries, want);
}

TEST(WndReflect, NotificationsFromWindowsWithoutObjectsGoToTheParent) {
  Fixture f;
  HWND raw = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 5, 5, f.parent.m_hWnd, (HMENU)5, nullptr, nullptr);
  NMHDR nm = {raw, 5, (UINT)NM_CLICK};
  f.parent.log.Clear();
  EXPECT_EQ(::SendMessageW(f.parent.m_hWnd, WM_NOTIFY, 5, (LPARAM)&nm), 22);
  EXPECT_EQ(f.parent.log.entries, std::vector<std::string>{"parent notify click"});
}

}  // namespace
