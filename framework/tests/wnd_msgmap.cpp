// Message maps: window messages reach typed handlers with cracked arguments, commands and
// notifications are routed, child notifications are reflected, and the creation hook lets the
// object see its window's first messages.
#include "wnd_testutil.h"

using namespace wndtest;

namespace {

UINT g_regMsg = ::RegisterWindowMessageW(L"PeloraFxTestRegistered");
COPYDATASTRUCT g_copyData = {5, 5, (PVOID) "files"};

class RecWnd : public CWnd {
 public:
  Log log;
  BOOL disableCmd2 = FALSE;

 protected:
  int OnCreate(LPCREATESTRUCT cs) {
    log.Add(Fmt("create %ls", cs->lpszName ? cs->lpszName : L""));
    return CWnd::OnCreate(cs);
  }
  BOOL OnNcCreate(LPCREATESTRUCT cs) {
    log.Add("nccreate");
    return CWnd::OnNcCreate(cs);
  }
  void OnSize(UINT type, int cx, int cy) { log.Add(Fmt("size %u %d %d", type, cx, cy)); }
  void OnMove(int x, int y) { log.Add(Fmt("move %d %d", x, y)); }
  void OnLButtonDown(UINT flags, CPoint pt) { log.Add(Fmt("lbuttondown %u %d %d", flags, pt.x, pt.y)); }
  void OnMouseMove(UINT flags, CPoint pt) { log.Add(Fmt("mousemove %u %d %d", flags, pt.x, pt.y)); }
  void OnKeyDown(UINT ch, UINT rep, UINT flags) { log.Add(Fmt("keydown %u %u %u", ch, rep, flags)); }
  BOOL OnMouseWheel(UINT flags, short delta, CPoint pt) {
    log.Add(Fmt("wheel %u %d %d %d", flags, delta, pt.x, pt.y));
    return TRUE;
  }
  void OnContextMenu(CWnd* w, CPoint pt) { log.Add(Fmt("contextmenu %d %d %d", w == this, pt.x, pt.y)); }
  void OnTimer(UINT_PTR id) {
    log.Add(Fmt("timer %u", (unsigned)id));
    KillTimer(id);
  }
  void OnHotKey(UINT id, UINT k1, UINT k2) { log.Add(Fmt("hotkey %u %u %u", id, k1, k2)); }
  LRESULT OnNcHitTest(CPoint pt) {
    log.Add(Fmt("nchittest %d %d", pt.x, pt.y));
    return HTCLIENT;
  }
  void OnDestroy() {
    log.Add("destroy");
    CWnd::OnDestroy();
  }
  BOOL OnCopyData(CWnd* from, COPYDATASTRUCT* cds) {
    log.Add(Fmt("copydata %d %u %.*s", from == nullptr, (unsigned)cds->dwData, (int)cds->cbData, (const char*)cds->lpData));
    return TRUE;
  }
  LRESULT OnUser(WPARAM w, LPARAM l) {
    log.Add(Fmt("user %d %d", (int)w, (int)l));
    return 42;
  }
  LRESULT OnRegistered(WPARAM w, LPARAM) {
    log.Add(Fmt("registered %d", (int)w));
    return 7;
  }
  afx_msg void OnCmd1() { log.Add("cmd1"); }
  void OnCmd2() { log.Add("cmd2"); }
  void OnUpdateCmd2(CCmdUI* ui) { ui->Enable(!disableCmd2); }
  void OnRange(UINT id) { log.Add(Fmt("range %u", id)); }
  void OnNotifyClick(NMHDR* nm, LRESULT* r) {
    log.Add(Fmt("notify click %u", (unsigned)nm->idFrom));
    *r = 5;
  }
  void OnNotifyRange(UINT id, NMHDR* nm, LRESULT* r) {
    log.Add(Fmt("notify range %u %d", id, (int)nm->code));
    *r = 6;
  }
  void OnEditChange() { log.Add("en_change"); }

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(RecWnd, CWnd)
  ON_WM_NCCREATE()
  ON_WM_CREATE()
  ON_WM_SIZE()
  ON_WM_MOVE()
  ON_WM_LBUTTONDOWN()
  ON_WM_MOUSEMOVE()
  ON_WM_KEYDOWN()
  ON_WM_MOUSEWHEEL()
  ON_WM_CONTEXTMENU()
  ON_WM_TIMER()
  ON_WM_HOTKEY()
  ON_WM_NCHITTEST()
  ON_WM_DESTROY()
  ON_WM_COPYDATA()
  ON_MESSAGE(WM_USER + 5, OnUser)
  ON_REGISTERED_MESSAGE(g_regMsg, OnRegistered)
  ON_COMMAND(1001, OnCmd1)
  ON_COMMAND(1002, OnCmd2)
  ON_UPDATE_COMMAND_UI(1002, OnUpdateCmd2)
  ON_COMMAND_RANGE(1100, 1109, OnRange)
  ON_NOTIFY(NM_CLICK, 300, OnNotifyClick)
  ON_NOTIFY_RANGE(NM_DBLCLK, 310, 319, OnNotifyRange)
  ON_EN_CHANGE(400, OnEditChange)
END_MESSAGE_MAP()

// A derived class whose map adds to its base's: both tables are searched, derived first.
class DerivedWnd : public RecWnd {
 protected:
  void OnSize(UINT, int cx, int) { log.Add(Fmt("derived size %d", cx)); }
  void OnCmd1Derived() { log.Add("derived cmd1"); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedWnd, RecWnd)
  ON_WM_SIZE()
  ON_COMMAND(1001, OnCmd1Derived)
END_MESSAGE_MAP()

struct TopLevel {
  template <class W>
  static void Make(W& w, LPCTSTR title = L"t") {
    ASSERT_TRUE(w.CreateEx(0, nullptr, title, WS_OVERLAPPEDWINDOW, 10, 10, 200, 150, nullptr, nullptr));
  }
};

TEST(WndMsgMap, CreationHookDeliversFirstMessagesToTheObject) {
  RecWnd w;
  TopLevel::Make(w, L"first");
  ASSERT_NE(w.m_hWnd, nullptr);
  EXPECT_EQ(CWnd::FromHandlePermanent(w.m_hWnd), &w);
  auto seen = w.log.Only({"nccreate", "create"});
  std::vector<std::string> want = {"nccreate", "create first"};
  EXPECT_EQ(seen, want);
  w.DestroyWindow();
  EXPECT_EQ(w.m_hWnd, nullptr);
  EXPECT_EQ(w.log.entries.back(), "destroy");
}

TEST(WndMsgMap, WindowMessagesReachTypedHandlers) {
  RecWnd w;
  TopLevel::Make(w);
  w.log.Clear();
  struct Case {
    UINT msg;
    WPARAM w;
    LPARAM l;
    const char* expect;
    LRESULT result;
  } cases[] = {
      {WM_SIZE, SIZE_RESTORED, MAKELPARAM(120, 80), "size 0 120 80", 0},
      {WM_MOVE, 0, MAKELPARAM((WORD)-5, 30), "move -5 30", 0},
      {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4), "lbuttondown 1 3 4", 0},
      {WM_MOUSEMOVE, MK_SHIFT, MAKELPARAM((WORD)-2, 9), "mousemove 4 -2 9", 0},
      {WM_KEYDOWN, 'A', MAKELPARAM(1, 0x1E), "keydown 65 1 30", 0},
      {WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, (WORD)-120), MAKELPARAM(50, 60), "wheel 8 -120 50 60", TRUE},
      {WM_HOTKEY, 7, MAKELPARAM(MOD_CONTROL, 'K'), "hotkey 7 2 75", 0},
      {WM_NCHITTEST, 0, MAKELPARAM(15, 25), "nchittest 15 25", HTCLIENT},
      {WM_USER + 5, 3, 4, "user 3 4", 42},
      {g_regMsg, 9, 0, "registered 9", 7},
      {WM_COPYDATA, 0, (LPARAM)&g_copyData, "copydata 1 5 files", TRUE},
  };
  for (const Case& c : cases) {
    w.log.Clear();
    LRESULT r = ::SendMessageW(w.m_hWnd, c.msg, c.w, c.l);
    ASSERT_EQ(w.log.entries.size(), 1u) << c.expect;
    EXPECT_EQ(w.log.entries[0], c.expect);
    EXPECT_EQ(r, c.result) << c.expect;
  }
  w.log.Clear();
  ::SendMessageW(w.m_hWnd, WM_CONTEXTMENU, (WPARAM)w.m_hWnd, MAKELPARAM(70, 80));
  EXPECT_EQ(w.log.entries, std::vector<std::string>{"contextmenu 1 70 80"});
  w.DestroyWindow();
}

TEST(WndMsgMap, CommandsAreRoutedAndDisabledCommandsDropped) {
  RecWnd w;
  TopLevel::Make(w);
  struct Case {
    WPARAM w;
    LPARAM l;
    BOOL disable2;
    std::vector<std::string> expect;
  } cases[] = {
      {MAKEWPARAM(1001, 0), 0, FALSE, {"cmd1"}},
      {MAKEWPARAM(1001, 1), 0, FALSE, {"cmd1"}},  // accelerator
      {MAKEWPARAM(1002, 0), 0, FALSE, {"cmd2"}},
      {MAKEWPARAM(1002, 0), 0, TRUE, {}},  // its update handler disabled it
      {MAKEWPARAM(1100, 0), 0, FALSE, {"range 1100"}},
      {MAKEWPARAM(1109, 0), 0, FALSE, {"range 1109"}},
      {MAKEWPARAM(1110, 0), 0, FALSE, {}},
  };
  for (const Case& c : cases) {
    w.log.Clear();
    w.disableCmd2 = c.disable2;
    ::SendMessageW(w.m_hWnd, WM_COMMAND, c.w, c.l);
    EXPECT_EQ(w.log.entries, c.expect) << LOWORD(c.w);
  }
  // A control notification by code and id, from a real child.
  HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 50, 20, w.m_hWnd, (HMENU)400, nullptr, nullptr);
  w.log.Clear();
  ::SetWindowTextW(edit, L"x");
  EXPECT_EQ(w.log.Only({"en_"}), std::vector<std::string>{"en_change"});
  w.DestroyWindow();
}

TEST(WndMsgMap, NotificationsByIdAndRange) {
  RecWnd w;
  TopLevel::Make(w);
  NMHDR nm = {nullptr, 300, (UINT)NM_CLICK};
  w.log.Clear();
  EXPECT_EQ(::SendMessageW(w.m_hWnd, WM_NOTIFY, 300, (LPARAM)&nm), 5);
  nm.idFrom = 315;
  nm.code = (UINT)NM_DBLCLK;
  EXPECT_EQ(::SendMessageW(w.m_hWnd, WM_NOTIFY, 315, (LPARAM)&nm), 6);
  nm.idFrom = 301;
  nm.code = (UINT)NM_CLICK;
  EXPECT_EQ(::SendMessageW(w.m_hWnd, WM_NOTIFY, 301, (LPARAM)&nm), 0);
  std::vector<std::string> want = {"notify click 300", Fmt("notify range 315 %d", (int)NM_DBLCLK)};
  EXPECT_EQ(w.log.entries, want);
  w.DestroyWindow();
}

TEST(WndMsgMap, DerivedMapsComeFirstAndFallBackToTheBase) {
  DerivedWnd w;
  TopLevel::Make(w);
  w.log.Clear();
  ::SendMessageW(w.m_hWnd, WM_SIZE, 0, MAKELPARAM(33, 44));
  ::SendMessageW(w.m_hWnd, WM_COMMAND, 1001, 0);
  ::SendMessageW(w.m_hWnd, WM_MOVE, 0, MAKELPARAM(1, 2));  // only in the base map
  std::vector<std::string> want = {"derived size 33", "derived cmd1", "move 1 2"};
  EXPECT_EQ(w.log.entries, want);
  w.DestroyWindow();
}

TEST(WndMsgMap, TimerFiresThroughTheLoop) {
  RecWnd w;
  TopLevel::Make(w);
  w.log.Clear();
  w.SetTimer(17, 10);
  EXPECT_TRUE(PumpUntil([&] { return !w.log.Only({"timer"}).empty(); }));
  EXPECT_EQ(w.log.Only({"timer"}), std::vector<std::string>{"timer 17"});
  w.DestroyWindow();
}

class Refuser : public CWnd {
 public:
  int postNcDestroy = 0;

 protected:
  int OnCreate(LPCREATESTRUCT) { return -1; }
  void PostNcDestroy() override { ++postNcDestroy; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Refuser, CWnd)
  ON_WM_CREATE()
END_MESSAGE_MAP()

TEST(WndMsgMap, CreateRefusedByOnCreateLeavesObjectDetached) {
  Refuser w;
  EXPECT_FALSE(w.CreateEx(0, nullptr, L"no", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr));
  EXPECT_EQ(w.m_hWnd, nullptr);
  EXPECT_EQ(w.postNcDestroy, 1);
  // A class that does not exist: the window is never made, the object still gets its end call.
  Refuser v;
  EXPECT_FALSE(v.CreateEx(0, L"NoSuchClassHere", L"", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr));
  EXPECT_EQ(v.postNcDestroy, 1);
}

}  // namespace

namespace {

class Thrower : public CWnd {
 public:
  BOOL userCancel = FALSE;

 protected:
  int OnCreate(LPCREATESTRUCT) {
    if (userCancel) AfxThrowUserException();
    AfxThrowResourceException();
  }
  LRESULT OnBoom(WPARAM, LPARAM) { AfxThrowNotSupportedException(); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Thrower, CWnd)
  ON_WM_CREATE()
  ON_MESSAGE(WM_USER + 9, OnBoom)
END_MESSAGE_MAP()

TEST(WndMsgMap, ExceptionsInHandlersStopAtTheWindowProcedure) {
  MessageBoxCatcher boxes;
  Thrower t;
  EXPECT_FALSE(t.CreateEx(0, nullptr, L"t", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr));
  EXPECT_EQ(t.m_hWnd, nullptr);
  ASSERT_EQ(MessageBoxCatcher::Texts().size(), 1u);
  EXPECT_EQ(MessageBoxCatcher::Texts()[0], L"A window or resource could not be created.");
  // A cancellation the user made is silent.
  Thrower u;
  u.userCancel = TRUE;
  EXPECT_FALSE(u.CreateEx(0, nullptr, L"u", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr));
  EXPECT_EQ(MessageBoxCatcher::Texts().size(), 1u);
  // After creation: the message answers 0 and the window lives on.
  CWnd plain;
  ASSERT_TRUE(plain.CreateEx(0, nullptr, L"p", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr));
  Thrower* later = new Thrower;
  HWND h = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 5, 5, plain.m_hWnd, nullptr, nullptr, nullptr);
  ASSERT_TRUE(later->SubclassWindow(h));
  EXPECT_EQ(::SendMessageW(h, WM_USER + 9, 0, 0), 0);
  EXPECT_TRUE(::IsWindow(h));
  EXPECT_EQ(MessageBoxCatcher::Texts().size(), 2u);
  plain.DestroyWindow();
  delete later;
}

}  // namespace
