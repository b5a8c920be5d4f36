// Handle maps, subclassing chains, the end of a window's life and the PreTranslateMessage walk.
#include "wnd_testutil.h"

using namespace wndtest;

namespace {

HWND MakeRawEdit(HWND parent = nullptr) {
  return ::CreateWindowExW(0, L"EDIT", L"raw", parent ? WS_CHILD : WS_OVERLAPPED, 0, 0, 100, 20, parent,
                           parent ? (HMENU)77 : nullptr, nullptr, nullptr);
}

// Records every message its window procedure sees (by number) and whether PreSubclassWindow ran.
class Recorder : public CWnd {
 public:
  std::vector<UINT>* order = nullptr;
  UINT tag = 0;
  int preSubclass = 0;
  int postNcDestroy = 0;
  void PreSubclassWindow() override { ++preSubclass; }
  void PostNcDestroy() override { ++postNcDestroy; }
  LRESULT WindowProc(UINT m, WPARAM w, LPARAM l) override {
    if (order && m == WM_SETTEXT) order->push_back(tag);
    return CWnd::WindowProc(m, w, l);
  }
};

std::vector<UINT>* g_rawOrder = nullptr;
WNDPROC g_rawNext = nullptr;
LRESULT CALLBACK RawSubclass(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_SETTEXT && g_rawOrder) g_rawOrder->push_back(99);
  return ::CallWindowProcW(g_rawNext, h, m, w, l);
}

TEST(WndLifetime, TemporaryAndPermanentWrappers) {
  HWND h = MakeRawEdit();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
  CWnd* t1 = CWnd::FromHandle(h);
  ASSERT_NE(t1, nullptr);
  EXPECT_EQ(t1->m_hWnd, h);
  EXPECT_EQ(CWnd::FromHandle(h), t1);  // one temporary per handle
  EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);

  // Locked maps survive an idle clean-up.
  AfxLockTempMaps();
  AfxDeleteTempMaps();
  EXPECT_EQ(CWnd::FromHandle(h), t1);
  AfxUnlockTempMaps();
  AfxDeleteTempMaps();
  CWnd* t2 = CWnd::FromHandle(h);
  ASSERT_NE(t2, nullptr);
  EXPECT_EQ(t2->m_hWnd, h);

  // Attaching replaces the temporary; a second owner is refused; Detach leaves the window alone.
  CWnd owner;
  EXPECT_TRUE(owner.Attach(h));
  EXPECT_EQ(CWnd::FromHandle(h), &owner);
  EXPECT_EQ(CWnd::FromHandlePermanent(h), &owner);
  CWnd other;
  EXPECT_FALSE(other.Attach(h));
  EXPECT_EQ(owner.Detach(), h);
  EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
  EXPECT_TRUE(::IsWindow(h));

  // An attached (not subclassed) window destroyed through the object leaves it detached.
  EXPECT_TRUE(owner.Attach(h));
  EXPECT_TRUE(owner.DestroyWindow());
  EXPECT_FALSE(::IsWindow(h));
  EXPECT_EQ(owner.m_hWnd, nullptr);
  EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
  AfxDeleteTempMaps();
}

TEST(WndLifetime, SubclassChainAndUnsubclass) {
  HWND h = MakeRawEdit();
  WNDPROC original = (WNDPROC)::GetWindowLongPtrW(h, GWLP_WNDPROC);
  std::vector<UINT> order;
  Recorder rec;
  rec.order = &order;
  rec.tag = 1;
  ASSERT_TRUE(rec.SubclassWindow(h));
  EXPECT_EQ(rec.preSubclass, 1);
  EXPECT_EQ(CWnd::FromHandlePermanent(h), &rec);
  EXPECT_NE((WNDPROC)::GetWindowLongPtrW(h, GWLP_WNDPROC), original);
  EXPECT_FALSE(Recorder().SubclassWindow(h));  // one object per window

  // A plain subclass on top of ours runs first, then the object, then the control itself.
  g_rawOrder = &order;
  g_rawNext = (WNDPROC)::SetWindowLongPtrW(h, GWLP_WNDPROC, (LONG_PTR)&RawSubclass);
  ::SetWindowTextW(h, L"abc");
  EXPECT_EQ(order, (std::vector<UINT>{99, 1}));
  wchar_t buf[16];
  ::GetWindowTextW(h, buf, 16);
  EXPECT_STREQ(buf, L"abc");  // reached the edit control

  // Taking the plain one off leaves ours working; unsubclassing puts the control's own back.
  ::SetWindowLongPtrW(h, GWLP_WNDPROC, (LONG_PTR)g_rawNext);
  order.clear();
  ::SetWindowTextW(h, L"d");
  EXPECT_EQ(order, (std::vector<UINT>{1}));
  EXPECT_EQ(rec.UnsubclassWindow(), h);
  EXPECT_EQ((WNDPROC)::GetWindowLongPtrW(h, GWLP_WNDPROC), original);
  EXPECT_EQ(rec.m_hWnd, nullptr);
  order.clear();
  ::SetWindowTextW(h, L"e");
  EXPECT_TRUE(order.empty());
  g_rawOrder = nullptr;
  ::DestroyWindow(h);
}

TEST(WndLifetime, DestroyingASubclassedWindowDetachesAndCallsPostNcDestroy) {
  HWND h = MakeRawEdit();
  Recorder rec;
  ASSERT_TRUE(rec.SubclassWindow(h));
  ::DestroyWindow(h);
  EXPECT_EQ(rec.m_hWnd, nullptr);
  EXPECT_EQ(rec.postNcDestroy, 1);
  EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
}

TEST(WndLifetime, SubclassDlgItemFindsTheChild) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, L"p", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr));
  HWND child = MakeRawEdit(parent.m_hWnd);
  Recorder rec;
  EXPECT_TRUE(rec.SubclassDlgItem(77, &parent));
  EXPECT_EQ(rec.m_hWnd, child);
  EXPECT_EQ(parent.GetDlgItem(77), &rec);
  Recorder none;
  EXPECT_FALSE(none.SubclassDlgItem(78, &parent));
  // Destroying the parent takes the child (and its object's binding) with it.
  parent.DestroyWindow();
  EXPECT_EQ(rec.m_hWnd, nullptr);
  EXPECT_EQ(rec.postNcDestroy, 1);
}

int g_selfDeleted = 0;
class SelfDeleting : public CWnd {
 public:
  ~SelfDeleting() override { ++g_selfDeleted; }
  void PostNcDestroy() override { delete this; }
};

TEST(WndLifetime, AutoDeleteInPostNcDestroy) {
  g_selfDeleted = 0;
  SelfDeleting* w = new SelfDeleting;
  ASSERT_TRUE(w->CreateEx(0, nullptr, L"auto", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr));
  HWND h = w->m_hWnd;
  ::DestroyWindow(h);  // destroyed from outside, as a parent's destruction would
  EXPECT_EQ(g_selfDeleted, 1);
  EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
}

TEST(WndLifetime, ObjectDestroyedFirstTakesItsWindow) {
  HWND h;
  {
    CWnd w;
    ASSERT_TRUE(w.CreateEx(0, nullptr, L"scoped", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr));
    h = w.m_hWnd;
  }
  EXPECT_FALSE(::IsWindow(h));
  EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
}

// PreTranslateMessage sees a posted key first in the child, then in its parents; a TRUE
// stops the message before it is dispatched.
class PreWnd : public CWnd {
 public:
  Log* log = nullptr;
  const char* name = "";
  UINT eatKey = 0;
  BOOL PreTranslateMessage(MSG* m) override {
    if (m->message == WM_KEYDOWN) {
      log->Add(Fmt("pre %s %u", name, (unsigned)m->wParam));
      if (m->wParam == eatKey) return TRUE;
    }
    return CWnd::PreTranslateMessage(m);
  }
  LRESULT WindowProc(UINT m, WPARAM w, LPARAM l) override {
    if (m == WM_KEYDOWN) log->Add(Fmt("got %s %u", name, (unsigned)w));
    return CWnd::WindowProc(m, w, l);
  }
};

TEST(WndLifetime, PreTranslateWalksFromTheTargetUpToTheTopLevel) {
  Log log;
  PreWnd top, mid, leaf;
  top.log = mid.log = leaf.log = &log;
  top.name = "top";
  mid.name = "mid";
  leaf.name = "leaf";
  leaf.eatKey = VK_ESCAPE;
  top.eatKey = VK_F2;
  ASSERT_TRUE(top.CreateEx(0, nullptr, L"top", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr));
  ASSERT_TRUE(mid.Create(nullptr, L"", WS_VISIBLE, CRect(0, 0, 200, 100), &top, 1));
  ASSERT_TRUE(leaf.Create(nullptr, L"", WS_VISIBLE, CRect(0, 0, 100, 50), &mid, 2));
  // A window in between that no object owns does not stop the walk.
  struct Case {
    UINT key;
    std::vector<std::string> expect;
  } cases[] = {
      {'A', {"pre leaf 65", "pre mid 65", "pre top 65", "got leaf 65"}},
      {VK_ESCAPE, {"pre leaf 27"}},
      {VK_F2, {"pre leaf 113", "pre mid 113", "pre top 113"}},
  };
  Settle();
  for (const Case& c : cases) {
    log.Clear();
    ::PostMessageW(leaf.m_hWnd, WM_KEYDOWN, c.key, 1);
    Settle();
    EXPECT_EQ(log.entries, c.expect) << c.key;
  }
  top.DestroyWindow();
  EXPECT_EQ(leaf.m_hWnd, nullptr);
}

}  // namespace

namespace {

TEST(WndLifetime, FontMenuAndDCWrappers) {
  CWnd w;
  ASSERT_TRUE(w.CreateEx(0, nullptr, L"w", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr));
  CEdit edit;
  ASSERT_TRUE(edit.Create(WS_CHILD, CRect(0, 0, 50, 20), &w, 1));
  EXPECT_EQ(edit.GetFont(), nullptr);  // the system font: no handle to wrap
  CFont font;
  ASSERT_TRUE(font.CreatePointFont(90, L"Arial"));
  edit.SetFont(&font);
  EXPECT_EQ(edit.GetFont(), &font);  // the permanent wrapper of the handle
  EXPECT_EQ(w.GetMenu(), nullptr);
  CMenu menu;
  ASSERT_TRUE(menu.CreateMenu());
  menu.AppendMenu(MF_STRING, 100, L"&File");
  EXPECT_TRUE(w.SetMenu(&menu));
  EXPECT_EQ(w.GetMenu(), &menu);
  w.SetMenu(nullptr);
  CDC* dc = w.GetDC();
  ASSERT_NE(dc, nullptr);
  EXPECT_NE(dc->GetSafeHdc(), nullptr);
  EXPECT_EQ(w.ReleaseDC(dc), 1);
  w.DestroyWindow();
  AfxDeleteTempMaps();
}

}  // namespace
