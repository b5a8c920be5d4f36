// CFrameWnd: creation from a resource id, layout, the active view, command routing and titles.
#include "Framework.h"
#include "FxFrame.h"
#include "FxDocView.h"

namespace {

bool IsKeyMessage(const MSG* msg) { return msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST; }

void SetTextIfChanged(HWND wnd, const CString& text) {
  wchar_t current[512] = {};
  ::GetWindowTextW(wnd, current, 512);
  if (text != current) ::SetWindowTextW(wnd, text);
}

// The window class of a frame made from a resource id: the id's icon when it has one.
LPCTSTR FrameClass(UINT resourceId) {
  HICON icon = nullptr;
  if (HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCE(resourceId), RT_GROUP_ICON))
    icon = ::LoadIconW(module, MAKEINTRESOURCE(resourceId));
  return AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW), (HBRUSH)(COLOR_WINDOW + 1), icon);
}

// The creation context of a frame's WM_CREATE (MDI children carry it inside MDICREATESTRUCT).
CCreateContext* ContextOf(HWND wnd, LPCREATESTRUCT cs) {
  if (!cs || !cs->lpCreateParams) return nullptr;
  if (::GetWindowLongPtr(wnd, GWL_EXSTYLE) & WS_EX_MDICHILD)
    return (CCreateContext*)((MDICREATESTRUCT*)cs->lpCreateParams)->lParam;
  return (CCreateContext*)cs->lpCreateParams;
}

}  // namespace

BOOL AfxExtractSubString(CString& out, LPCTSTR full, int index, wchar_t separator) {
  out.Empty();
  if (!full) return FALSE;
  const wchar_t* p = full;
  for (int i = 0; i < index; ++i) {
    p = wcschr(p, separator);
    if (!p) return FALSE;
    ++p;
  }
  const wchar_t* end = wcschr(p, separator);
  out = CString(p, end ? (int)(end - p) : (int)wcslen(p));
  return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Frames as seen from any window

CFrameWnd* CWnd::GetParentFrame() const {
  if (!m_hWnd) return nullptr;
  for (HWND h = ::GetParent(m_hWnd); h; h = ::GetParent(h)) {
    CWnd* w = CWnd::FromHandlePermanent(h);
    if (w && w->IsKindOf(RUNTIME_CLASS(CFrameWnd))) return static_cast<CFrameWnd*>(w);
  }
  return nullptr;
}

CFrameWnd* CWnd::GetTopLevelFrame() const {
  if (!m_hWnd) return nullptr;
  CFrameWnd* frame = IsKindOf(RUNTIME_CLASS(CFrameWnd)) ? (CFrameWnd*)this : GetParentFrame();
  while (frame) {
    CFrameWnd* up = frame->GetParentFrame();
    if (!up) break;
    frame = up;
  }
  return frame;
}

void AfxRepositionBars(CWnd* wnd, UINT idFirst, UINT idLast, UINT idLeftOver, const RECT* border,
                       LPRECT rectClient) {
  AFX_SIZEPARENTPARAMS layout;
  ::GetClientRect(wnd->m_hWnd, &layout.rect);
  layout.hDWP = rectClient ? nullptr : ::BeginDeferWindowPos(8);
  HWND leftOver = nullptr;
  for (HWND child = ::GetTopWindow(wnd->m_hWnd); child; child = ::GetNextWindow(child, GW_HWNDNEXT)) {
    UINT id = (UINT)::GetDlgCtrlID(child);
    if (id == idLeftOver)
      leftOver = child;
    else if (id >= idFirst && id <= idLast)
      ::SendMessage(child, WM_SIZEPARENT, 0, (LPARAM)&layout);
  }
  CRect rest(layout.rect);
  if (border) {
    rest.left += border->left;
    rest.top += border->top;
    rest.right -= border->right;
    rest.bottom -= border->bottom;
    if (rest.right < rest.left) rest.right = rest.left;
    if (rest.bottom < rest.top) rest.bottom = rest.top;
  }
  if (rectClient) {
    *rectClient = rest;
    return;
  }
  if (leftOver)
    layout.hDWP = ::DeferWindowPos(layout.hDWP, leftOver, nullptr, rest.left, rest.top, rest.Width(), rest.Height(),
                                   SWP_NOACTIVATE | SWP_NOZORDER);
  if (layout.hDWP) ::EndDeferWindowPos(layout.hDWP);
}

// ---------------------------------------------------------------------------------------------
// CFrameWnd

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

const CRect CFrameWnd::rectDefault(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0);

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
  ON_WM_CREATE()
  ON_WM_DESTROY()
  ON_WM_CLOSE()
  ON_WM_SIZE()
  ON_WM_SETFOCUS()
  ON_WM_INITMENUPOPUP()
  ON_WM_ERASEBKGND()
  ON_COMMAND_EX(ID_VIEW_STATUS_BAR, OnBarCheck)
  ON_COMMAND_EX(ID_VIEW_TOOLBAR, OnBarCheck)
  ON_UPDATE_COMMAND_UI(ID_VIEW_STATUS_BAR, OnUpdateControlBarMenu)
  ON_UPDATE_COMMAND_UI(ID_VIEW_TOOLBAR, OnUpdateControlBarMenu)
END_MESSAGE_MAP()

CFrameWnd::CFrameWnd() {}

CFrameWnd::~CFrameWnd() {}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs) {
  if (!cs.lpszClass)
    cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW), (HBRUSH)(COLOR_WINDOW + 1));
  // A frame that names its document puts the document first ("Note1 - Pelora").
  if (cs.style & FWS_ADDTOTITLE) cs.style |= FWS_PREFIXTITLE;
  return TRUE;
}

BOOL CFrameWnd::Create(LPCTSTR className, LPCTSTR title, DWORD style, const RECT& rect, CWnd* parent,
                       LPCTSTR menuName, DWORD exStyle, CCreateContext* context) {
  m_strTitle = title ? title : L"";
  HMENU menu = nullptr;
  if (menuName) {
    HINSTANCE module = AfxFindResourceHandle(menuName, RT_MENU);
    menu = module ? ::LoadMenuW(module, menuName) : nullptr;
    if (!menu) {
      TRACE(L"CFrameWnd::Create: no menu resource\n");
      PostNcDestroy();
      return FALSE;
    }
  }
  // rectDefault's extent is CW_USEDEFAULT by wrap-around: computed unsigned, without overflow.
  int cx = (int)((unsigned)rect.right - (unsigned)rect.left), cy = (int)((unsigned)rect.bottom - (unsigned)rect.top);
  if (!CreateEx(exStyle, className, title, style, rect.left, rect.top, cx, cy, parent->GetSafeHwnd(), menu,
                (LPVOID)context)) {
    // The object may be gone (PostNcDestroy): only the menu is left to free.
    if (menu) ::DestroyMenu(menu);
    return FALSE;
  }
  return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CCreateContext* context) {
  m_nIDHelp = resourceId;
  CString full, title;
  if (full.LoadString(resourceId)) AfxExtractSubString(title, full, 0);
  if (!Create(FrameClass(resourceId), title, style, rectDefault, parent, MAKEINTRESOURCE(resourceId), 0, context))
    return FALSE;
  m_hMenuDefault = ::GetMenu(m_hWnd);
  LoadAccelTable(MAKEINTRESOURCE(resourceId));
  if (!context) SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE, TRUE);
  return TRUE;
}

BOOL CFrameWnd::LoadAccelTable(LPCTSTR resourceName) {
  if (m_hAccelTable) return FALSE;  // loaded once
  HINSTANCE module = AfxFindResourceHandle(resourceName, RT_ACCELERATOR);
  m_hAccelTable = module ? ::LoadAcceleratorsW(module, resourceName) : nullptr;
  return m_hAccelTable != nullptr;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT cs) {
  if (CWnd::OnCreate(cs) == -1) return -1;
  if (!OnCreateClient(cs, ContextOf(m_hWnd, cs))) return -1;
  RecalcLayout();
  return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* context) {
  if (context && context->m_pNewViewClass) return CreateView(context, AFX_IDW_PANE_FIRST) != nullptr;
  return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* context, UINT id) {
  CObject* obj = context->m_pNewViewClass->CreateObject();
  if (!obj || !obj->IsKindOf(RUNTIME_CLASS(CWnd))) {
    delete obj;
    return nullptr;
  }
  CWnd* view = static_cast<CWnd*>(obj);
  // A failed creation ends in the view's PostNcDestroy, which deletes it.
  if (!view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(0, 0, 0, 0), this, id, context))
    return nullptr;
  return view;
}

void CFrameWnd::SetActiveView(CView* view, BOOL notify) {
  CView* old = m_pViewActive;
  if (view == old) return;
  m_pViewActive = view;
  if (notify && old) old->OnActivateView(FALSE, view, old);
  if (notify && view) view->OnActivateView(TRUE, view, old);
}

CDocument* CFrameWnd::GetActiveDocument() {
  CView* view = GetActiveView();
  return view ? view->GetDocument() : nullptr;
}

void CFrameWnd::ActivateFrame(int cmdShow) {
  if (cmdShow == -1) {
    if (!IsWindowVisible())
      cmdShow = SW_SHOWNORMAL;
    else if (IsIconic())
      cmdShow = SW_RESTORE;
  }
  if (cmdShow != -1) ShowWindow(cmdShow);
  if (!(GetStyle() & WS_CHILD) && IsWindowVisible()) BringWindowToTop();
}

void CFrameWnd::InitialUpdateFrame(CDocument* doc, BOOL makeVisible) {
  CView* view = nullptr;
  if (!GetActiveView()) {
    CWnd* pane = CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST));
    if (pane && pane->IsKindOf(RUNTIME_CLASS(CView))) {
      view = static_cast<CView*>(pane);
      SetActiveView(view, FALSE);
    }
  }
  if (makeVisible) {
    SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE, TRUE);
    if (view) view->OnActivateFrame(WA_INACTIVE, this);
    int cmdShow = -1;
    CWinApp* app = AfxGetApp();
    if (!doc && app && app->m_pMainWnd == this) {
      cmdShow = app->m_nCmdShow;
      app->m_nCmdShow = -1;  // only the first frame takes the start-up show command
    }
    ActivateFrame(cmdShow);
    if (view) view->OnActivateView(TRUE, view, view);
  }
  if (doc) doc->UpdateFrameCounts();
  OnUpdateFrameTitle(TRUE);
}

void CFrameWnd::RecalcLayout(BOOL) {
  if (!m_hWnd) return;
  AfxRepositionBars(this, AFX_IDW_CONTROLBAR_FIRST, AFX_IDW_CONTROLBAR_LAST, AFX_IDW_PANE_FIRST, &m_rectBorder);
}

void CFrameWnd::ShowControlBar(CWnd* bar, BOOL show, BOOL delay) {
  if (!bar || !bar->m_hWnd) return;
  bar->ShowWindow(show ? SW_SHOWNOACTIVATE : SW_HIDE);
  if (!delay) RecalcLayout();
}

BOOL CFrameWnd::OnBarCheck(UINT id) {
  CWnd* bar = GetControlBar(id);
  if (!bar) return FALSE;
  ShowControlBar(bar, !bar->IsWindowVisible());
  return TRUE;
}

void CFrameWnd::OnUpdateControlBarMenu(CCmdUI* cmdUI) {
  CWnd* bar = GetControlBar(cmdUI->m_nID);
  if (!bar) {
    cmdUI->ContinueRouting();
    return;
  }
  cmdUI->SetCheck(bar->IsWindowVisible() ? 1 : 0);
}

void CFrameWnd::OnUpdateFrameTitle(BOOL addToTitle) {
  if (!(GetStyle() & FWS_ADDTOTITLE)) return;
  CDocument* doc = GetActiveDocument();
  UpdateFrameTitleForDocument(addToTitle && doc ? (LPCTSTR)doc->GetTitle() : nullptr);
}

void CFrameWnd::UpdateFrameTitleForDocument(LPCTSTR docName) {
  CString text;
  CString doc;
  if (docName) {
    doc = docName;
    if (m_nWindow > 0) {
      CString n;
      n.Format(L":%d", m_nWindow);
      doc += n;
    }
  }
  if (!docName)
    text = m_strTitle;
  else if (GetStyle() & FWS_PREFIXTITLE)
    text = doc + L" - " + m_strTitle;
  else
    text = m_strTitle + L" - " + doc;
  SetTextIfChanged(m_hWnd, text);
}

// The active view (with its document and template), this frame, then the application.
BOOL CFrameWnd::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) {
  CView* view = GetActiveView();
  if (view && view->OnCmdMsg(id, code, extra, info)) return TRUE;
  if (CWnd::OnCmdMsg(id, code, extra, info)) return TRUE;
  CWinApp* app = AfxGetApp();
  return app && app->OnCmdMsg(id, code, extra, info);
}

BOOL CFrameWnd::PreTranslateMessage(MSG* msg) {
  if (CWnd::PreTranslateMessage(msg)) return TRUE;
  return IsKeyMessage(msg) && m_hAccelTable && ::TranslateAcceleratorW(m_hWnd, m_hAccelTable, msg);
}

void CFrameWnd::OnDestroy() {
  // The window destroys the menu it shows: put the frame's own menu back so that a shared menu
  // (an MDI child template's) survives.
  if (m_hMenuDefault && ::GetMenu(m_hWnd) != m_hMenuDefault) ::SetMenu(m_hWnd, m_hMenuDefault);
  CWnd::OnDestroy();
}

void CFrameWnd::OnClose() {
  CDocument* doc = GetActiveDocument();
  if (doc && !doc->CanCloseFrame(this)) return;
  CWinApp* app = AfxGetApp();
  if (app && app->m_pMainWnd == this) {
    // Closing the main window closes every document first.
    if (app->m_pDocManager) {
      if (!doc && !app->m_pDocManager->SaveAllModified()) return;
      app->m_pDocManager->CloseAllDocuments(FALSE);
    }
    if (!app->m_pMainWnd) return;  // closing the documents took the main window with them
  }
  if (doc && doc->m_bAutoDelete) {
    // The last frame of a document closes the document (which destroys the frame).
    BOOL otherFrame = FALSE;
    POSITION pos = doc->GetFirstViewPosition();
    while (pos && !otherFrame) {
      CView* v = doc->GetNextView(pos);
      if (v->GetParentFrame() != this) otherFrame = TRUE;
    }
    if (!otherFrame) {
      doc->OnCloseDocument();
      return;
    }
    doc->PreCloseFrame(this);
  }
  DestroyWindow();
}

void CFrameWnd::OnSize(UINT type, int cx, int cy) {
  CWnd::OnSize(type, cx, cy);
  if (type != SIZE_MINIMIZED) RecalcLayout();
}

void CFrameWnd::OnSetFocus(CWnd* old) {
  if (m_pViewActive && m_pViewActive->m_hWnd)
    m_pViewActive->SetFocus();
  else
    CWnd::OnSetFocus(old);
}

BOOL CFrameWnd::OnEraseBkgnd(CDC* dc) {
  if (m_pViewActive) return TRUE;  // the view covers the client area
  return CWnd::OnEraseBkgnd(dc);
}

void CFrameWnd::OnInitMenuPopup(CMenu* popup, UINT index, BOOL sysMenu) {
  CWnd::OnInitMenuPopup(popup, index, sysMenu);
  const MSG& msg = AfxGetThreadState()->m_lastSentMsg;
  HMENU menu = popup ? popup->m_hMenu : (HMENU)msg.wParam;
  if (sysMenu || !menu) return;
  CCmdUI::UpdateMenu(this, menu, m_bAutoMenuEnable);
}

void CFrameWnd::PostNcDestroy() { delete this; }
