// Window DCs and popup menus on real windows: a paint handler's objects balance out over many
// paints, and a popup menu tracked with TPM_RETURNCMD answers the chosen command.
#include "Framework.h"
#include "frame_testutil.h"
#include <gtest/gtest.h>

namespace {

using frametest::Settle;

class PaintWnd : public CWnd {
 public:
  int paints = 0;
  COLORREF seen = CLR_INVALID;
  HDC erasedOn = nullptr;  // the handle of the CDC the erase handler received

 protected:
  BOOL OnEraseBkgnd(CDC* dc) {
    erasedOn = dc ? dc->m_hDC : (HDC)-1;
    return TRUE;
  }
  void OnPaint() {
    CPaintDC dc(this);
    CFont font;
    font.CreatePointFont(90, L"Tahoma");
    CBrush brush(RGB(0, 128, 0));
    CPen pen(PS_SOLID, 2, RGB(0, 0, 255));
    CFont* oldFont = dc.SelectObject(&font);
    CBrush* oldBrush = dc.SelectObject(&brush);
    CPen* oldPen = dc.SelectObject(&pen);
    dc.Rectangle(2, 2, 30, 30);
    dc.TextOut(40, 2, CString(L"paint"));
    seen = dc.GetPixel(10, 10);
    dc.SelectObject(oldFont);
    dc.SelectObject(oldBrush);
    dc.SelectObject(oldPen);
    ++paints;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(PaintWnd, CWnd)
  ON_WM_PAINT()
  ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

TEST(FramePaint, PaintLoopKeepsGdiObjectsBalanced) {
  PaintWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), L"paint", WS_POPUP | WS_VISIBLE, CRect(0, 0, 120, 60),
                           nullptr, 0));
  Settle();
  AfxDeleteTempMaps();
  long base = AfxGetGdiObjectCount();
  for (int i = 0; i < 25; ++i) {
    wnd.Invalidate();
    wnd.UpdateWindow();
  }
  Settle();
  EXPECT_GE(wnd.paints, 25);
  EXPECT_EQ(RGB(0, 128, 0), wnd.seen);
  AfxDeleteTempMaps();  // what the idle loop does
  EXPECT_EQ(base, AfxGetGdiObjectCount());
  // Handlers get the message's HDC as a CDC (a temporary wrapper, gone at idle).
  HDC screen = ::GetDC(wnd.m_hWnd);
  wnd.SendMessage(WM_ERASEBKGND, (WPARAM)screen);
  EXPECT_EQ(screen, wnd.erasedOn);
  ::ReleaseDC(wnd.m_hWnd, screen);
  AfxDeleteTempMaps();
  EXPECT_EQ(base, AfxGetGdiObjectCount());
  {
    CClientDC client(&wnd);
    EXPECT_EQ(base + 1, AfxGetGdiObjectCount());
    EXPECT_EQ(RGB(0, 128, 0), client.GetPixel(10, 10));
    CWindowDC whole(&wnd);
    EXPECT_NE(nullptr, whole.m_hDC);
  }
  EXPECT_EQ(base, AfxGetGdiObjectCount());
  wnd.DestroyWindow();
}

TEST(FramePaint, TrackPopupMenuReturnsTheChosenCommand) {
  CWnd owner;
  ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), L"owner", WS_POPUP | WS_VISIBLE, CRect(0, 0, 100, 100),
                             nullptr, 0));
  owner.SetForegroundWindow();
  Settle();
  CMenu menu;
  ASSERT_TRUE(menu.CreatePopupMenu());
  menu.AppendMenu(MF_STRING, 501, L"First");
  menu.AppendMenu(MF_STRING, 502, L"Second");
  // The menu's own loop reads these keys from the queue: down twice, then enter.
  struct Case {
    int downs;
    UINT key;
    int expected;
  } cases[] = {{2, VK_RETURN, 502}, {1, VK_RETURN, 501}, {1, VK_ESCAPE, 0}};
  for (const Case& c : cases) {
    for (int i = 0; i < c.downs; ++i) owner.PostMessage(WM_KEYDOWN, VK_DOWN, 0);
    owner.PostMessage(WM_KEYDOWN, c.key, 0);
    int chosen = menu.TrackPopupMenu(TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON, 10, 10, &owner);
    EXPECT_EQ(c.expected, chosen) << c.downs << " " << c.key;
    Settle();
  }
  owner.DestroyWindow();
}

}  // namespace
