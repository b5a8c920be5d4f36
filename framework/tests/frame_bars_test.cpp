// Control bars in a frame: a tool bar from a tool-bar resource docked at the top, a status bar at
// the bottom, the view between them; idle CCmdUI updates of buttons and panes; a button click
// reaching the frame's handler; the bar toggle command.
#include "Framework.h"
#include "frame_testutil.h"
#include <gtest/gtest.h>
#include <string>

#define IDR_TEST_MAIN 3010
#define IDR_TEST_TOOLBAR 3020
#define IDS_TEST_STATUS 3022
#define ID_B_PLAIN 41001
#define ID_B_DISABLED 41002
#define ID_B_CHECKED 41003

namespace {

using frametest::Settle;
using frametest::N;

class PlainView : public CView {
  DECLARE_DYNCREATE(PlainView)
 public:
  void OnDraw(CDC*) override {}
};
IMPLEMENT_DYNCREATE(PlainView, CView)

class BarFrame : public CFrameWnd {
 public:
  CToolBar m_tool;
  CStatusBar m_status;
  int plainClicks = 0;

 protected:
  void OnPlain() { ++plainClicks; }
  void OnChecked() {}
  void OnUpdateDisabled(CCmdUI* ui) { ui->Enable(FALSE); }
  void OnUpdateChecked(CCmdUI* ui) { ui->SetCheck(1); }
  void OnUpdateStatus(CCmdUI* ui) {
    ui->Enable(TRUE);
    ui->SetText(L"busy");
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(BarFrame, CFrameWnd)
  ON_COMMAND(ID_B_PLAIN, OnPlain)
  ON_COMMAND(ID_B_DISABLED, OnChecked)
  ON_COMMAND(ID_B_CHECKED, OnChecked)
  ON_UPDATE_COMMAND_UI(ID_B_DISABLED, OnUpdateDisabled)
  ON_UPDATE_COMMAND_UI(ID_B_CHECKED, OnUpdateChecked)
  ON_UPDATE_COMMAND_UI(IDS_TEST_STATUS, OnUpdateStatus)
END_MESSAGE_MAP()

CRect RectIn(CWnd* wnd, CWnd* frame) {
  CRect r;
  wnd->GetWindowRect(&r);
  frame->ScreenToClient(&r);
  return r;
}

TEST(FrameBars, ToolAndStatusBarsAroundTheViewWithIdleUpdatesAndCommands) {
  CDocument* doc = new CDocument;
  CCreateContext context;
  context.m_pNewViewClass = RUNTIME_CLASS(PlainView);
  context.m_pCurrentDoc = doc;
  BarFrame* frame = new BarFrame;
  ASSERT_TRUE(frame->LoadFrame(IDR_TEST_MAIN, WS_OVERLAPPEDWINDOW, nullptr, &context));
  frame->SetWindowPos(nullptr, 0, 0, 420, 300, SWP_NOZORDER);

  CToolBar& tool = frame->m_tool;
  ASSERT_TRUE(tool.CreateEx(frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS));
  ASSERT_TRUE(tool.LoadToolBar(IDR_TEST_TOOLBAR));
  EXPECT_EQ(4, tool.GetCount());
  UINT ids[] = {ID_B_PLAIN, 0, ID_B_DISABLED, ID_B_CHECKED};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(ids[i], tool.GetItemID(i)) << i;
  EXPECT_EQ(3, tool.CommandToIndex(ID_B_CHECKED));
  EXPECT_EQ((UINT)TBSTYLE_SEP, LOWORD(tool.GetButtonStyle(1)));
  ASSERT_NE(nullptr, tool.GetToolBarCtrl().GetImageList());
  EXPECT_EQ(3, tool.GetToolBarCtrl().GetImageList()->GetImageCount());
  EXPECT_EQ((DWORD)(CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS), tool.GetBarStyle());
  EXPECT_EQ(0u, tool.GetStyle() & CBRS_GRIPPER);  // bar styles are not window styles
  CToolBar missing;
  ASSERT_TRUE(missing.Create(frame, WS_CHILD | CBRS_TOP, 0xE8F0));
  EXPECT_FALSE(missing.LoadToolBar(3999));
  missing.DestroyWindow();

  tool.EnableDocking(CBRS_ALIGN_ANY);
  frame->EnableDocking(CBRS_ALIGN_ANY);
  frame->DockControlBar(&tool);
  CWnd* dockTop = tool.GetParent();
  ASSERT_NE(nullptr, dockTop);
  EXPECT_EQ(AFX_IDW_DOCKBAR_TOP, dockTop->GetDlgCtrlID());
  EXPECT_TRUE(dockTop->IsKindOf(RUNTIME_CLASS(CDockBar)));

  CStatusBar& status = frame->m_status;
  ASSERT_TRUE(status.Create(frame));
  UINT indicators[] = {ID_SEPARATOR, IDS_TEST_STATUS};
  EXPECT_TRUE(status.SetIndicators(indicators, 2));
  EXPECT_EQ(1, status.CommandToIndex(IDS_TEST_STATUS));
  EXPECT_EQ("Sync status text", N(status.GetPaneText(1)));
  status.SetPaneInfo(1, IDS_TEST_STATUS, SBPS_NORMAL, 200);
  frame->InitialUpdateFrame(doc, TRUE);
  Settle();

  CRect client, pane;
  frame->GetClientRect(&client);
  status.GetItemRect(1, &pane);
  EXPECT_GE(pane.Width(), 200);
  EXPECT_LE(pane.Width(), 212);

  // Top dock bar, view, status bar from top to bottom, edge to edge.
  CRect top = RectIn(dockTop, frame), view = RectIn(frame->GetActiveView(), frame), bottom = RectIn(&status, frame);
  EXPECT_EQ(0, top.top);
  EXPECT_GT(top.Height(), 0);
  EXPECT_EQ(top.Height(), RectIn(&tool, frame).Height());
  EXPECT_EQ(top.bottom, view.top);
  EXPECT_EQ(view.bottom, bottom.top);
  EXPECT_EQ(client.bottom, bottom.bottom);

  // A second bar docked at the first one's rectangle moved one pixel right joins its row, after it.
  CToolBar second;
  ASSERT_TRUE(second.CreateEx(frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP));
  ASSERT_TRUE(second.LoadToolBar(IDR_TEST_TOOLBAR));
  second.EnableDocking(CBRS_ALIGN_ANY);
  CRect firstRect;
  tool.GetWindowRect(&firstRect);
  firstRect.OffsetRect(1, 0);
  frame->DockControlBar(&second, AFX_IDW_DOCKBAR_TOP, &firstRect);
  EXPECT_EQ(dockTop, second.GetParent());
  CRect a = RectIn(&tool, frame), b = RectIn(&second, frame);
  EXPECT_EQ(a.top, b.top);
  EXPECT_EQ(a.right, b.left);
  EXPECT_EQ(top.Height(), RectIn(dockTop, frame).Height());  // still one row
  // Without a rectangle a bar starts a new row below.
  frame->DockControlBar(&second, AFX_IDW_DOCKBAR_TOP);
  EXPECT_EQ(RectIn(&tool, frame).bottom, RectIn(&second, frame).top);
  EXPECT_EQ(2 * top.Height(), RectIn(dockTop, frame).Height());
  second.DestroyWindow();
  frame->RecalcLayout();
  EXPECT_EQ(top.Height(), RectIn(dockTop, frame).Height());

  // Idle time: buttons and panes take their state from the frame's routing.
  frame->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE, TRUE);
  EXPECT_TRUE(tool.GetToolBarCtrl().IsButtonEnabled(ID_B_PLAIN));
  EXPECT_FALSE(tool.GetToolBarCtrl().IsButtonEnabled(ID_B_DISABLED));
  EXPECT_TRUE(tool.GetToolBarCtrl().IsButtonChecked(ID_B_CHECKED));
  EXPECT_EQ("busy", N(status.GetPaneText(1)));
  wchar_t shown[64] = {};
  status.SendMessage(SB_GETTEXTW, 1, (LPARAM)shown);
  EXPECT_EQ("busy", N(shown));

  // A click on a button reaches the frame's command handler through the dock bar.
  CRect button;
  tool.GetItemRect(0, &button);
  LPARAM at = MAKELPARAM(button.CenterPoint().x, button.CenterPoint().y);
  tool.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
  tool.SendMessage(WM_LBUTTONUP, 0, at);
  Settle();
  EXPECT_EQ(1, frame->plainClicks);

  // The tool-bar command hides the bar; the view takes its room.
  frame->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR, 0);
  EXPECT_FALSE(tool.IsWindowVisible());
  EXPECT_EQ(0, RectIn(frame->GetActiveView(), frame).top);
  frame->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR, 0);
  EXPECT_TRUE(tool.IsWindowVisible());
  EXPECT_EQ(top.bottom, RectIn(frame->GetActiveView(), frame).top);

  frame->DestroyWindow();
  Settle();
  AfxDeleteTempMaps();
}

}  // namespace
