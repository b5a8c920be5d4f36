// Frame windows: CFrameWnd (menu, accelerators, title and the active view of one resource id),
// CMDIFrameWnd with its MDI client, and CMDIChildWnd.
//
// Command routing of a frame: the active view (then its document, then the document's template),
// the frame itself, then the application. An MDI frame offers commands to its active child
// frame first.
#pragma once
#include "FxWnd.h"
#include "FxMenu.h"
#include "FxIds.h"
#include "FxColl.h"

class CView;
class CDocument;
class CDocTemplate;
class CFrameWnd;
class CMDIChildWnd;
class CControlBar;

// Frame styles (kept in the window style's control-specific bits).
#define FWS_ADDTOTITLE 0x00008000L   // the title shows the active document's name
#define FWS_PREFIXTITLE 0x00004000L  // the document name comes before the frame title
#define FWS_SNAPTOBARS 0x00002000L

// Private messages of the frame layer.
#define WM_SIZEPARENT 0x0361         // lParam: AFX_SIZEPARENTPARAMS*; a bar takes its share
#define WM_IDLEUPDATECMDUI 0x0363    // wParam: disable items without handlers
#define WM_INITIALUPDATE 0x0364      // sent to a frame's descendants after it is made

// What a frame's creation makes inside it: the view class and the document it shows.
struct CCreateContext {
  CRuntimeClass* m_pNewViewClass = nullptr;
  CDocument* m_pCurrentDoc = nullptr;
  CDocTemplate* m_pNewDocTemplate = nullptr;
  CView* m_pLastView = nullptr;
  CFrameWnd* m_pCurrentFrame = nullptr;
};

// WM_SIZEPARENT: each bar cuts its rectangle from `rect` and records where it goes.
struct AFX_SIZEPARENTPARAMS {
  HDWP hDWP = nullptr;
  RECT rect = {0, 0, 0, 0};
  SIZE sizeTotal = {0, 0};
  BOOL bStretch = TRUE;
};

// Lays out a window's bars (children with ids first..last, which answer WM_SIZEPARENT) and puts
// the child `idLeftOver` in the rest of the client area shrunk by `border` (may be null).
// With `rectClient` set, nothing moves and the left-over rectangle is written there instead.
void AfxRepositionBars(CWnd* wnd, UINT idFirst, UINT idLast, UINT idLeftOver, const RECT* border = nullptr,
                       LPRECT rectClient = nullptr);

// Part `index` of `full` split at `separator`; FALSE when there are fewer parts.
BOOL AfxExtractSubString(CString& out, LPCTSTR full, int index, wchar_t separator = L'\n');

class CFrameWnd : public CWnd {
  DECLARE_DYNCREATE(CFrameWnd)
 public:
  static const CRect rectDefault;  // CW_USEDEFAULT placement

  CFrameWnd();
  ~CFrameWnd() override;

  // Creates the frame in its window class with the menu of `menuName` (a resource found through
  // the resource list), and makes the view of `context`.
  virtual BOOL Create(LPCTSTR className, LPCTSTR title, DWORD style = WS_OVERLAPPEDWINDOW,
                      const RECT& rect = rectDefault, CWnd* parent = nullptr, LPCTSTR menuName = nullptr,
                      DWORD exStyle = 0, CCreateContext* context = nullptr);
  // The frame of one resource id: its title is the first line of string `resourceId`, its icon,
  // menu and accelerator table carry the same id.
  virtual BOOL LoadFrame(UINT resourceId, DWORD style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                         CWnd* parent = nullptr, CCreateContext* context = nullptr);
  BOOL LoadAccelTable(LPCTSTR resourceName);

  // Views and documents
  CView* GetActiveView() const { return m_pViewActive; }
  virtual void SetActiveView(CView* view, BOOL notify = TRUE);
  virtual CDocument* GetActiveDocument();
  // The frame that holds the active view: this one for a plain frame, the active child of an
  // MDI frame (or the MDI frame itself when it has none).
  virtual CFrameWnd* GetActiveFrame() { return this; }
  CWnd* CreateView(CCreateContext* context, UINT id = AFX_IDW_PANE_FIRST);
  virtual BOOL OnCreateClient(LPCREATESTRUCT cs, CCreateContext* context);
  virtual void ActivateFrame(int cmdShow = -1);
  // Sends WM_INITIALUPDATE to the frame's windows, makes the first view active and shows the
  // frame when `makeVisible`.
  void InitialUpdateFrame(CDocument* doc, BOOL makeVisible);

  // Layout: bars, then the pane in what is left shrunk by m_rectBorder.
  virtual void RecalcLayout(BOOL notify = TRUE);
  void ShowControlBar(CWnd* bar, BOOL show, BOOL delay = FALSE);

  // Docking: EnableDocking makes a CDockBar for each side asked for (CBRS_ALIGN_*, in the order
  // of dwDockBarMap); DockControlBar puts a bar on the dock bar of `dockBarId` (0: the first side
  // the bar allows), in the row of `rect` (screen coordinates) or in a new row.
  void EnableDocking(DWORD style);
  void DockControlBar(CControlBar* bar, UINT dockBarId = 0, LPCRECT rect = nullptr);
  // A bar of this frame by id: a registered control bar, else a child window with that id.
  CWnd* GetControlBar(UINT id);
  static const DWORD dwDockBarMap[4][2];  // {dock-bar id, bar style} for top, bottom, left, right
  CPtrList m_listControlBars;             // the frame's control bars, dock bars included

  // Title
  CString GetTitle() const { return m_strTitle; }
  void SetTitle(LPCTSTR title) { m_strTitle = title ? title : L""; }
  virtual void OnUpdateFrameTitle(BOOL addToTitle);
  void UpdateFrameTitleForDocument(LPCTSTR docName);

  BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) override;
  BOOL PreTranslateMessage(MSG* msg) override;
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;

  HMENU m_hMenuDefault = nullptr;   // the menu the frame was made with
  HACCEL m_hAccelTable = nullptr;
  UINT m_nIDHelp = 0;               // the resource id of LoadFrame
  CString m_strTitle;
  CView* m_pViewActive = nullptr;
  CRect m_rectBorder;               // space RecalcLayout keeps free around the pane
  BOOL m_bAutoMenuEnable = TRUE;    // menu items without handlers are disabled
  int m_nWindow = -1;               // window number for titles "Doc:2" (-1: only one window)

 protected:
  int OnCreate(LPCREATESTRUCT cs);
  void OnDestroy();
  void OnClose();
  void OnSize(UINT type, int cx, int cy);
  void OnSetFocus(CWnd* old);
  void OnInitMenuPopup(CMenu* popup, UINT index, BOOL sysMenu);
  BOOL OnEraseBkgnd(CDC* dc);
  BOOL OnBarCheck(UINT id);
  void OnUpdateControlBarMenu(CCmdUI* cmdUI);
  void PostNcDestroy() override;  // frames delete themselves

  DECLARE_MESSAGE_MAP()
};

class CMDIFrameWnd : public CFrameWnd {
  DECLARE_DYNCREATE(CMDIFrameWnd)
 public:
  HWND m_hWndMDIClient = nullptr;

  CMDIFrameWnd() {}
  BOOL LoadFrame(UINT resourceId, DWORD style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, CWnd* parent = nullptr,
                 CCreateContext* context = nullptr) override;
  BOOL OnCreateClient(LPCREATESTRUCT cs, CCreateContext* context) override;
  // The MDI client, with `windowMenu` as the menu that lists the children.
  virtual BOOL CreateClient(LPCREATESTRUCT cs, CMenu* windowMenu);
  // The popup of `menuBar` that holds the window commands (ID_WINDOW_*), or null.
  virtual HMENU GetWindowMenuPopup(HMENU menuBar);

  void MDIActivate(CWnd* child);
  CMDIChildWnd* MDIGetActive(BOOL* maximized = nullptr) const;
  void MDIIconArrange() { ::SendMessage(m_hWndMDIClient, WM_MDIICONARRANGE, 0, 0); }
  void MDIMaximize(CWnd* child) { ::SendMessage(m_hWndMDIClient, WM_MDIMAXIMIZE, (WPARAM)child->GetSafeHwnd(), 0); }
  void MDINext() { ::SendMessage(m_hWndMDIClient, WM_MDINEXT, 0, 0); }
  void MDIPrev() { ::SendMessage(m_hWndMDIClient, WM_MDINEXT, 0, 1); }
  void MDIRestore(CWnd* child) { ::SendMessage(m_hWndMDIClient, WM_MDIRESTORE, (WPARAM)child->GetSafeHwnd(), 0); }
  void MDICascade(int type = 0) { ::SendMessage(m_hWndMDIClient, WM_MDICASCADE, type, 0); }
  void MDITile(int type = MDITILE_HORIZONTAL) { ::SendMessage(m_hWndMDIClient, WM_MDITILE, type, 0); }
  // Puts the frame menu and the window menu in place; answers the former frame menu.
  CMenu* MDISetMenu(CMenu* frameMenu, CMenu* windowMenu);

  CFrameWnd* GetActiveFrame() override;
  void RecalcLayout(BOOL notify = TRUE) override;
  void OnUpdateFrameTitle(BOOL addToTitle) override;
  BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  BOOL PreTranslateMessage(MSG* msg) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  BOOL OnMDIWindowCmd(UINT id);
  void OnUpdateMDIWindowCmd(CCmdUI* cmdUI);
  void OnWindowNew();
  DECLARE_MESSAGE_MAP()
};

class CMDIChildWnd : public CFrameWnd {
  DECLARE_DYNCREATE(CMDIChildWnd)
 public:
  HMENU m_hMenuShared = nullptr;   // the frame menu while this child is active (not owned)

  CMDIChildWnd() {}
  // Creates the child inside `parent`'s MDI client (the application's main window when null).
  BOOL Create(LPCTSTR className, LPCTSTR title, DWORD style = WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW,
              const RECT& rect = rectDefault, CMDIFrameWnd* parent = nullptr, CCreateContext* context = nullptr);
  BOOL LoadFrame(UINT resourceId, DWORD style = WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                 CWnd* parent = nullptr, CCreateContext* context = nullptr) override;
  BOOL DestroyWindow() override;

  CMDIFrameWnd* GetMDIFrame() const;
  void MDIActivate();
  void MDIDestroy() { DestroyWindow(); }
  void MDIMaximize();
  void MDIRestore();

  void ActivateFrame(int cmdShow = -1) override;
  void OnUpdateFrameTitle(BOOL addToTitle) override;
  BOOL PreTranslateMessage(MSG* msg) override;
  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Called when the child gains or loses MDI activation.
  virtual void OnMDIActivate(BOOL activate, CWnd* activated, CWnd* deactivated);

 protected:
  LRESULT OnMDIActivateMsg(WPARAM wParam, LPARAM lParam);
  // The MDI frame shows this child's menu while it is active, else its own.
  void OnUpdateFrameMenu(BOOL activate);
  DECLARE_MESSAGE_MAP()
};

// A wait cursor for the lifetime of the object.
class CWaitCursor {
 public:
  CWaitCursor() { m_old = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT)); }
  ~CWaitCursor() { ::SetCursor(m_old); }
  void Restore() { ::SetCursor(::LoadCursor(nullptr, IDC_WAIT)); }

 private:
  HCURSOR m_old = nullptr;
};
