// Control bars of frames: CControlBar, the docking sides (CDockBar), CToolBar over the common
// tool-bar control and CStatusBar over the status-bar control.
//
// A bar takes its share of the frame's client area when the frame lays out (WM_SIZEPARENT); bars
// docked on a side are children of that side's CDockBar, which stacks them in rows. Commands and
// notifications of a bar's control go to the bar's frame (after the control's own reflected
// handlers), and the bar updates its items from the frame's routing at idle time.
#pragma once
#include "FxFrame.h"
#include "FxGdi.h"
#include "FxCtrlCommon.h"
#include <vector>

// Bar styles (CControlBar::m_dwStyle; given with the window style to Create and split off there).
#define CBRS_ALIGN_LEFT 0x1000L
#define CBRS_ALIGN_TOP 0x2000L
#define CBRS_ALIGN_RIGHT 0x4000L
#define CBRS_ALIGN_BOTTOM 0x8000L
#define CBRS_ALIGN_ANY 0xF000L
#define CBRS_BORDER_LEFT 0x0100L
#define CBRS_BORDER_TOP 0x0200L
#define CBRS_BORDER_RIGHT 0x0400L
#define CBRS_BORDER_BOTTOM 0x0800L
#define CBRS_BORDER_ANY 0x0F00L
#define CBRS_TOOLTIPS 0x0010L
#define CBRS_FLYBY 0x0020L
#define CBRS_FLOAT_MULTI 0x0040L
#define CBRS_BORDER_3D 0x0080L
#define CBRS_HIDE_INPLACE 0x0008L
#define CBRS_SIZE_DYNAMIC 0x0004L
#define CBRS_SIZE_FIXED 0x0002L
#define CBRS_FLOATING 0x0001L
#define CBRS_GRIPPER 0x00400000L
#define CBRS_ORIENT_HORZ (CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM)
#define CBRS_ORIENT_VERT (CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT)
#define CBRS_ORIENT_ANY (CBRS_ORIENT_HORZ | CBRS_ORIENT_VERT)
#define CBRS_ALL 0x0040FFFFL
#define CBRS_NOALIGN 0x00000000L
#define CBRS_LEFT (CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT)
#define CBRS_TOP (CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM)
#define CBRS_RIGHT (CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT)
#define CBRS_BOTTOM (CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP)

// Status-bar pane styles.
#define SBPS_NORMAL 0x0000
#define SBPS_NOBORDERS SBT_NOBORDERS
#define SBPS_POPOUT SBT_POPOUT
#define SBPS_OWNERDRAW SBT_OWNERDRAW
#define SBPS_DISABLED 0x04000000
#define SBPS_STRETCH 0x08000000

class CDockBar;

class CControlBar : public CWnd {
  DECLARE_DYNAMIC(CControlBar)
 public:
  CControlBar() {}
  ~CControlBar() override;

  DWORD GetBarStyle() const { return m_dwStyle; }
  void SetBarStyle(DWORD style) { m_dwStyle = style; }
  // The sides this bar may dock to (CBRS_ALIGN_*).
  void EnableDocking(DWORD style) { m_dwDockStyle = style & CBRS_ALIGN_ANY; }
  BOOL IsFloating() const { return FALSE; }
  BOOL IsVisible() const { return m_hWnd && IsWindowVisible(); }
  CFrameWnd* GetDockingFrame() const { return m_pDockSite; }

  // The size the bar wants docked; horizontal bars stretch to `stretch`'s full width.
  virtual CSize CalcFixedLayout(BOOL stretch, BOOL horz);
  virtual CSize CalcDynamicLayout(int length, DWORD mode);
  // The client area less the borders and the gripper.
  virtual void CalcInsideRect(CRect& rect, BOOL horz) const;
  virtual void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) = 0;
  virtual void DrawBorders(CDC* dc, CRect& rect);
  virtual void DrawGripper(CDC* dc, const CRect& rect);

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  DWORD m_dwStyle = 0;
  DWORD m_dwDockStyle = 0;
  CFrameWnd* m_pDockSite = nullptr;
  CDockBar* m_pDockBar = nullptr;
  BOOL m_bAutoDelete = FALSE;
  int m_cxLeftBorder = 6, m_cxRightBorder = 0, m_cyTopBorder = 2, m_cyBottomBorder = 2;

 protected:
  // Takes the bar's window style apart: CBRS_* bits stay with the object.
  DWORD SplitStyle(DWORD style);
  void AttachToFrame(CWnd* parent);
  LRESULT OnSizeParent(WPARAM, LPARAM lParam);
  LRESULT OnIdleUpdateCmdUIMsg(WPARAM wParam, LPARAM);
  void OnNcPaint();
  void OnNcCalcSize(BOOL calcValid, NCCALCSIZE_PARAMS* params);
  void OnDestroy();
  void PostNcDestroy() override;
  DECLARE_MESSAGE_MAP()
};

// One side of a frame where bars dock, in rows.
class CDockBar : public CControlBar {
  DECLARE_DYNAMIC(CDockBar)
 public:
  CDockBar() { m_bAutoDelete = TRUE; }  // sides are made with new and go with their window
  BOOL Create(CWnd* parent, DWORD style, UINT id);
  // Docks `bar` in the row that `rect` (screen coordinates) falls in, at its left edge; without
  // a rectangle, in a new row after the others.
  void DockControlBar(CControlBar* bar, LPCRECT rect = nullptr);
  void RemoveControlBar(CControlBar* bar);
  int GetDockedCount() const;

  CSize CalcFixedLayout(BOOL stretch, BOOL horz) override;
  void OnUpdateCmdUI(CFrameWnd*, BOOL) override {}

  // Rows of bars, each bar with its offset along the row.
  struct Slot {
    CControlBar* bar;
    int offset;
  };
  std::vector<std::vector<Slot>> m_rows;

 protected:
  void LayoutBars();
  void OnSize(UINT type, int cx, int cy);
  DECLARE_MESSAGE_MAP()
};

// The tool-bar control's messages, for a CToolBar's window (CToolBar::GetToolBarCtrl).
class CToolBarCtrl : public CWnd {
 public:
  int GetButtonCount() const { return (int)SendMessage(TB_BUTTONCOUNT); }
  BOOL GetButton(int index, TBBUTTON* button) const { return (BOOL)SendMessage(TB_GETBUTTON, index, (LPARAM)button); }
  BOOL GetItemRect(int index, LPRECT rect) const { return (BOOL)SendMessage(TB_GETITEMRECT, index, (LPARAM)rect); }
  BOOL GetRect(UINT id, LPRECT rect) const { return (BOOL)SendMessage(TB_GETRECT, id, (LPARAM)rect); }
  UINT CommandToIndex(UINT id) const { return (UINT)SendMessage(TB_COMMANDTOINDEX, id); }
  int HitTest(LPPOINT point) const { return (int)SendMessage(TB_HITTEST, 0, (LPARAM)point); }
  CImageList* GetImageList() const { return CImageList::FromHandle((HIMAGELIST)SendMessage(TB_GETIMAGELIST)); }
  CImageList* SetImageList(CImageList* list) {
    return CImageList::FromHandle((HIMAGELIST)SendMessage(TB_SETIMAGELIST, 0, (LPARAM)list->GetSafeHandle()));
  }
  DWORD GetExtendedStyle() const { return (DWORD)SendMessage(TB_GETEXTENDEDSTYLE); }
  DWORD SetExtendedStyle(DWORD style) { return (DWORD)SendMessage(TB_SETEXTENDEDSTYLE, 0, style); }
  int GetState(UINT id) const { return (int)SendMessage(TB_GETSTATE, id); }
  BOOL SetState(UINT id, UINT state) { return (BOOL)SendMessage(TB_SETSTATE, id, MAKELONG(state, 0)); }
  BOOL EnableButton(UINT id, BOOL enable = TRUE) { return (BOOL)SendMessage(TB_ENABLEBUTTON, id, MAKELONG(enable, 0)); }
  BOOL CheckButton(UINT id, BOOL check = TRUE) { return (BOOL)SendMessage(TB_CHECKBUTTON, id, MAKELONG(check, 0)); }
  BOOL PressButton(UINT id, BOOL press = TRUE) { return (BOOL)SendMessage(TB_PRESSBUTTON, id, MAKELONG(press, 0)); }
  BOOL HideButton(UINT id, BOOL hide = TRUE) { return (BOOL)SendMessage(TB_HIDEBUTTON, id, MAKELONG(hide, 0)); }
  BOOL IsButtonEnabled(UINT id) const { return (BOOL)SendMessage(TB_ISBUTTONENABLED, id); }
  BOOL IsButtonChecked(UINT id) const { return (BOOL)SendMessage(TB_ISBUTTONCHECKED, id); }
  BOOL GetButtonInfo(UINT id, TBBUTTONINFOW* info) const { return SendMessage(TB_GETBUTTONINFOW, id, (LPARAM)info) >= 0; }
  BOOL SetButtonInfo(UINT id, TBBUTTONINFOW* info) { return (BOOL)SendMessage(TB_SETBUTTONINFOW, id, (LPARAM)info); }
  int GetHotItem() const { return (int)SendMessage(TB_GETHOTITEM); }
  int SetHotItem(int index) { return (int)SendMessage(TB_SETHOTITEM, index); }
  CToolTipCtrl* GetToolTips() const { return (CToolTipCtrl*)CWnd::FromHandle((HWND)SendMessage(TB_GETTOOLTIPS)); }
};

class CToolBar : public CControlBar {
  DECLARE_DYNAMIC(CToolBar)
 public:
  CToolBar() {}
  ~CToolBar() override;

  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP, UINT id = AFX_IDW_TOOLBAR);
  BOOL CreateEx(CWnd* parent, DWORD ctrlStyle = TBSTYLE_FLAT, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP,
                CRect borders = CRect(0, 0, 0, 0), UINT id = AFX_IDW_TOOLBAR);
  // A tool-bar resource (type 241: version, image width, height, count, command ids with 0 for
  // separators) and the bitmap of the same id; both found through the resource list. Pixels of
  // light grey (192, 192, 192) in the bitmap are transparent.
  BOOL LoadToolBar(UINT resourceId);
  BOOL LoadToolBar(LPCTSTR resourceName);
  BOOL LoadBitmap(LPCTSTR resourceName);
  BOOL LoadBitmap(UINT resourceId) { return LoadBitmap(MAKEINTRESOURCE(resourceId)); }
  BOOL SetButtons(const UINT* ids, int count);
  void SetSizes(SIZE button, SIZE image);

  int GetCount() const;
  int CommandToIndex(UINT id) const;
  UINT GetItemID(int index) const;
  void GetItemRect(int index, LPRECT rect) const;
  // Style in the low word, state in the high word.
  UINT GetButtonStyle(int index) const;
  void SetButtonStyle(int index, UINT style);
  void GetButtonInfo(int index, UINT& id, UINT& style, int& image) const;
  void SetButtonInfo(int index, UINT id, UINT style, int image);
  BOOL SetButtonText(int index, LPCTSTR text);
  CString GetButtonText(int index) const;
  CImageList* GetImageList() const { return CImageList::FromHandle((HIMAGELIST)SendMessage(TB_GETIMAGELIST)); }
  // The same window seen as the control (a wrapper that does not own it).
  CToolBarCtrl& GetToolBarCtrl() const {
    m_ctrl.m_hWnd = m_hWnd;
    return m_ctrl;
  }

  CSize CalcFixedLayout(BOOL stretch, BOOL horz) override;
  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;

  CSize m_sizeButton = CSize(23, 22);
  CSize m_sizeImage = CSize(16, 15);

 protected:
  CImageList m_images;
  mutable CToolBarCtrl m_ctrl;
};

class CStatusBar : public CControlBar {
  DECLARE_DYNAMIC(CStatusBar)
 public:
  CStatusBar() { m_cxLeftBorder = 0; m_cyTopBorder = 0; m_cyBottomBorder = 0; }

  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT id = AFX_IDW_STATUS_BAR);
  BOOL CreateEx(CWnd* parent, DWORD ctrlStyle = 0, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
                UINT id = AFX_IDW_STATUS_BAR);
  // One pane per id; ID_SEPARATOR makes a stretching pane, any other id a pane as wide as the
  // id's string resource, which is its first text.
  BOOL SetIndicators(const UINT* ids, int count);

  int CommandToIndex(UINT id) const;
  UINT GetItemID(int index) const;
  void GetItemRect(int index, LPRECT rect) const;
  int GetCount() const { return (int)m_panes.size(); }
  void GetPaneInfo(int index, UINT& id, UINT& style, int& width) const;
  void SetPaneInfo(int index, UINT id, UINT style, int width);
  UINT GetPaneStyle(int index) const;
  void SetPaneStyle(int index, UINT style);
  CString GetPaneText(int index) const;
  BOOL SetPaneText(int index, LPCTSTR text, BOOL update = TRUE);

  CSize CalcFixedLayout(BOOL stretch, BOOL horz) override;
  void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;

 protected:
  struct Pane {
    UINT id;
    UINT style;
    int width;
    CString text;
  };
  std::vector<Pane> m_panes;
  void UpdateParts();
  void OnSize(UINT type, int cx, int cy);
  DECLARE_MESSAGE_MAP()
};
