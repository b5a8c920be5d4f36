// CMDIFrameWnd with its MDI client, and CMDIChildWnd.
#include "Framework.h"
#include "FxFrame.h"
#include "FxDocView.h"

namespace {

const UINT kWindowCmdFirst = ID_WINDOW_NEW;  // the commands that mark a "Window" popup
const UINT kWindowCmdLast = ID_WINDOW_NEW + 0xF;

bool IsKeyMessage(const MSG* msg) { return msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST; }

LPCTSTR ChildClass(UINT resourceId) {
  HICON icon = nullptr;
  if (HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCE(resourceId), RT_GROUP_ICON))
    icon = ::LoadIconW(module, MAKEINTRESOURCE(resourceId));
  return AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW), (HBRUSH)(COLOR_WINDOW + 1), icon);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CMDIFrameWnd

IMPLEMENT_DYNCREATE(CMDIFrameWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CMDIFrameWnd, CFrameWnd)
  ON_COMMAND_EX(ID_WINDOW_ARRANGE, OnMDIWindowCmd)
  ON_COMMAND_EX(ID_WINDOW_CASCADE, OnMDIWindowCmd)
  ON_COMMAND_EX(ID_WINDOW_TILE_HORZ, OnMDIWindowCmd)
  ON_COMMAND_EX(ID_WINDOW_TILE_VERT, OnMDIWindowCmd)
  ON_UPDATE_COMMAND_UI(ID_WINDOW_ARRANGE, OnUpdateMDIWindowCmd)
  ON_UPDATE_COMMAND_UI(ID_WINDOW_CASCADE, OnUpdateMDIWindowCmd)
  ON_UPDATE_COMMAND_UI(ID_WINDOW_TILE_HORZ, OnUpdateMDIWindowCmd)
  ON_UPDATE_COMMAND_UI(ID_WINDOW_TILE_VERT, OnUpdateMDIWindowCmd)
  ON_UPDATE_COMMAND_UI(ID_WINDOW_NEW, OnUpdateMDIWindowCmd)
  ON_COMMAND(ID_WINDOW_NEW, OnWindowNew)
END_MESSAGE_MAP()

BOOL CMDIFrameWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CCreateContext* context) {
  if (!CFrameWnd::LoadFrame(resourceId, style, parent, context)) return FALSE;
  m_hMenuDefault = ::GetMenu(m_hWnd);
  return TRUE;
}

BOOL CMDIFrameWnd::OnCreateClient(LPCREATESTRUCT cs, CCreateContext*) {
  // The frame's menu exists by now (it came with CreateWindow); its "Window" popup lists the
  // children.
  if (!m_hMenuDefault) m_hMenuDefault = ::GetMenu(m_hWnd);
  HMENU windowMenu = GetWindowMenuPopup(m_hMenuDefault);
  return CreateClient(cs, CMenu::FromHandle(windowMenu));
}

BOOL CMDIFrameWnd::CreateClient(LPCREATESTRUCT, CMenu* windowMenu) {
  CLIENTCREATESTRUCT ccs = {};
  ccs.hWindowMenu = windowMenu->GetSafeHmenu();
  ccs.idFirstChild = AFX_IDM_FIRST_MDICHILD;
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VSCROLL | WS_HSCROLL |
                MDIS_ALLCHILDSTYLES;
  m_hWndMDIClient = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr, style, 0, 0, 0, 0, m_hWnd,
                                      (HMENU)(UINT_PTR)AFX_IDW_PANE_FIRST, AfxGetInstanceHandle(), &ccs);
  return m_hWndMDIClient != nullptr;
}

HMENU CMDIFrameWnd::GetWindowMenuPopup(HMENU menuBar) {
  if (!menuBar) return nullptr;
  // From the right: the "Window" popup is usually next to last.
  for (int i = ::GetMenuItemCount(menuBar) - 1; i >= 0; --i) {
    HMENU popup = ::GetSubMenu(menuBar, i);
    if (!popup) continue;
    int n = ::GetMenuItemCount(popup);
    for (int j = 0; j < n; ++j) {
      UINT id = ::GetMenuItemID(popup, j);
      if (id >= kWindowCmdFirst && id <= kWindowCmdLast) return popup;
    }
  }
  return nullptr;
}

void CMDIFrameWnd::MDIActivate(CWnd* child) {
  ::SendMessage(m_hWndMDIClient, WM_MDIACTIVATE, (WPARAM)child->GetSafeHwnd(), 0);
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive(BOOL* maximized) const {
  BOOL max = FALSE;
  HWND h = m_hWndMDIClient ? (HWND)::SendMessage(m_hWndMDIClient, WM_MDIGETACTIVE, 0, (LPARAM)&max) : nullptr;
  CWnd* child = CWnd::FromHandlePermanent(h);
  if (!child || !child->IsKindOf(RUNTIME_CLASS(CMDIChildWnd))) {
    child = nullptr;
    max = FALSE;
  }
  if (maximized) *maximized = max;
  return static_cast<CMDIChildWnd*>(child);
}

CMenu* CMDIFrameWnd::MDISetMenu(CMenu* frameMenu, CMenu* windowMenu) {
  HMENU old = (HMENU)::SendMessage(m_hWndMDIClient, WM_MDISETMENU, (WPARAM)frameMenu->GetSafeHmenu(),
                                   (LPARAM)windowMenu->GetSafeHmenu());
  return CMenu::FromHandle(old);
}

CFrameWnd* CMDIFrameWnd::GetActiveFrame() {
  CMDIChildWnd* child = MDIGetActive();
  return child ? static_cast<CFrameWnd*>(child) : this;
}

void CMDIFrameWnd::RecalcLayout(BOOL notify) { CFrameWnd::RecalcLayout(notify); }

void CMDIFrameWnd::OnUpdateFrameTitle(BOOL addToTitle) {
  if (!(GetStyle() & FWS_ADDTOTITLE)) return;
  BOOL maximized = FALSE;
  CMDIChildWnd* child = MDIGetActive(&maximized);
  // A maximized child's name is added by the system ("Frame - [Child]").
  if (addToTitle && child && !maximized) {
    CDocument* doc = child->GetActiveDocument();
    if (doc) {
      UpdateFrameTitleForDocument(doc->GetTitle());
      return;
    }
    CString title = child->GetTitle();
    UpdateFrameTitleForDocument(title.IsEmpty() ? nullptr : (LPCTSTR)title);
    return;
  }
  UpdateFrameTitleForDocument(nullptr);
}

// The active child frame (its view, document and the application) first, then this frame.
BOOL CMDIFrameWnd::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) {
  CMDIChildWnd* child = MDIGetActive();
  if (child && child->OnCmdMsg(id, code, extra, info)) return TRUE;
  return CFrameWnd::OnCmdMsg(id, code, extra, info);
}

BOOL CMDIFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (CFrameWnd::OnCommand(wParam, lParam)) return TRUE;
  // The entries of the window menu (and the MDI client's own commands) belong to the system.
  if (lParam == 0 && (LOWORD(wParam) & 0xF000) == 0xF000) {
    DefWindowProc(WM_COMMAND, wParam, lParam);
    return TRUE;
  }
  return FALSE;
}

BOOL CMDIFrameWnd::PreTranslateMessage(MSG* msg) {
  if (CWnd::PreTranslateMessage(msg)) return TRUE;
  if (!IsKeyMessage(msg)) return FALSE;
  // Accelerators are translated here for the frame and its active child alike: the child's own
  // table first, all in the frame's context so that the commands reach the frame's routing.
  CMDIChildWnd* child = MDIGetActive();
  if (child && child->m_hAccelTable && ::TranslateAcceleratorW(m_hWnd, child->m_hAccelTable, msg)) return TRUE;
  if (m_hAccelTable && ::TranslateAcceleratorW(m_hWnd, m_hAccelTable, msg)) return TRUE;
  if ((msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) && m_hWndMDIClient &&
      ::TranslateMDISysAccel(m_hWndMDIClient, msg))
    return TRUE;
  return FALSE;
}

LRESULT CMDIFrameWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefFrameProcW(m_hWnd, m_hWndMDIClient, message, wParam, lParam);
}

BOOL CMDIFrameWnd::OnMDIWindowCmd(UINT id) {
  switch (id) {
    case ID_WINDOW_ARRANGE: MDIIconArrange(); break;
    case ID_WINDOW_CASCADE: MDICascade(); break;
    case ID_WINDOW_TILE_HORZ: MDITile(MDITILE_HORIZONTAL); break;
    case ID_WINDOW_TILE_VERT: MDITile(MDITILE_VERTICAL); break;
    default: return FALSE;
  }
  return TRUE;
}

void CMDIFrameWnd::OnUpdateMDIWindowCmd(CCmdUI* cmdUI) { cmdUI->Enable(MDIGetActive() != nullptr); }

void CMDIFrameWnd::OnWindowNew() {
  CMDIChildWnd* child = MDIGetActive();
  CDocument* doc = child ? child->GetActiveDocument() : nullptr;
  CDocTemplate* tmpl = doc ? doc->GetDocTemplate() : nullptr;
  if (!tmpl) return;
  CFrameWnd* frame = tmpl->CreateNewFrame(doc, child);
  if (frame) tmpl->InitialUpdateFrame(frame, doc);
}

// ---------------------------------------------------------------------------------------------
// CMDIChildWnd

IMPLEMENT_DYNCREATE(CMDIChildWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CMDIChildWnd, CFrameWnd)
  ON_MESSAGE(WM_MDIACTIVATE, OnMDIActivateMsg)
END_MESSAGE_MAP()

BOOL CMDIChildWnd::PreCreateWindow(CREATESTRUCT& cs) {
  if (!CFrameWnd::PreCreateWindow(cs)) return FALSE;
  cs.style &= ~FWS_PREFIXTITLE;  // a child's caption is only its document's name
  return TRUE;
}

BOOL CMDIChildWnd::Create(LPCTSTR className, LPCTSTR title, DWORD style, const RECT& rect, CMDIFrameWnd* parent,
                          CCreateContext* context) {
  if (!parent) {
    CWnd* main = AfxGetMainWnd();
    parent = main && main->IsKindOf(RUNTIME_CLASS(CMDIFrameWnd)) ? static_cast<CMDIFrameWnd*>(main) : nullptr;
  }
  if (!parent || !parent->m_hWndMDIClient) {
    PostNcDestroy();
    return FALSE;
  }
  // The template's menu and accelerators serve every child it makes.
  if (context && context->m_pNewDocTemplate &&
      context->m_pNewDocTemplate->IsKindOf(RUNTIME_CLASS(CMultiDocTemplate))) {
    CMultiDocTemplate* tmpl = static_cast<CMultiDocTemplate*>(context->m_pNewDocTemplate);
    m_hMenuShared = tmpl->m_hMenuShared;
    m_hAccelTable = tmpl->m_hAccelTable;
  }
  m_strTitle = title ? title : L"";

  CREATESTRUCT cs = {};
  cs.style = style | WS_CHILD;
  cs.lpszClass = className;
  cs.lpszName = title;
  cs.hwndParent = parent->m_hWnd;
  cs.x = rect.left;
  cs.y = rect.top;
  cs.cx = (int)((unsigned)rect.right - (unsigned)rect.left);  // CW_USEDEFAULT by wrap-around
  cs.cy = (int)((unsigned)rect.bottom - (unsigned)rect.top);
  cs.hInstance = AfxGetInstanceHandle();
  cs.lpCreateParams = context;
  if (!PreCreateWindow(cs)) {
    PostNcDestroy();
    return FALSE;
  }
  // Children are always made hidden and shown below, so they get activated when shown.
  MDICREATESTRUCTW mcs = {};
  mcs.szClass = cs.lpszClass;
  mcs.szTitle = cs.lpszName;
  mcs.hOwner = cs.hInstance;
  mcs.x = cs.x;
  mcs.y = cs.y;
  mcs.cx = cs.cx;
  mcs.cy = cs.cy;
  mcs.style = cs.style & ~(WS_MAXIMIZE | WS_VISIBLE);
  mcs.lParam = (LPARAM)context;
  AfxHookWindowCreate(this);
  HWND h = (HWND)::SendMessage(parent->m_hWndMDIClient, WM_MDICREATE, 0, (LPARAM)&mcs);
  if (!AfxUnhookWindowCreate()) {
    PostNcDestroy();
    return FALSE;
  }
  if (!h) return FALSE;  // WM_CREATE failed: the window, and with it the object, is gone
  if (cs.style & WS_VISIBLE) {
    ::BringWindowToTop(h);
    if (cs.style & WS_MINIMIZE)
      ShowWindow(SW_SHOWMINIMIZED);
    else if (cs.style & WS_MAXIMIZE)
      ShowWindow(SW_SHOWMAXIMIZED);
    else
      ShowWindow(SW_SHOWNORMAL);
    parent->MDIActivate(this);
    ::SendMessage(parent->m_hWndMDIClient, WM_MDIREFRESHMENU, 0, 0);
  }
  return TRUE;
}

BOOL CMDIChildWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CCreateContext* context) {
  m_nIDHelp = resourceId;
  CString full, title;
  if (full.LoadString(resourceId)) AfxExtractSubString(title, full, 1);  // the document name part
  CMDIFrameWnd* frame = parent && parent->IsKindOf(RUNTIME_CLASS(CMDIFrameWnd)) ? (CMDIFrameWnd*)parent : nullptr;
  if (!Create(ChildClass(resourceId), title, style, rectDefault, frame, context)) return FALSE;
  if (!context) SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE, TRUE);
  return TRUE;
}

BOOL CMDIChildWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  CMDIFrameWnd* frame = GetMDIFrame();
  if (!frame || !frame->m_hWndMDIClient) return CFrameWnd::DestroyWindow();
  // Through the client, so that it activates the next child and updates the window menu.
  ::SendMessage(frame->m_hWndMDIClient, WM_MDIDESTROY, (WPARAM)m_hWnd, 0);
  // This object is gone now; the frame's title follows the child that is active after it.
  frame->OnUpdateFrameTitle(TRUE);
  return TRUE;
}

CMDIFrameWnd* CMDIChildWnd::GetMDIFrame() const {
  HWND client = ::GetParent(m_hWnd);
  CWnd* frame = CWnd::FromHandlePermanent(client ? ::GetParent(client) : nullptr);
  return frame && frame->IsKindOf(RUNTIME_CLASS(CMDIFrameWnd)) ? static_cast<CMDIFrameWnd*>(frame) : nullptr;
}

void CMDIChildWnd::MDIActivate() {
  if (CMDIFrameWnd* frame = GetMDIFrame()) frame->MDIActivate(this);
}

void CMDIChildWnd::MDIMaximize() {
  if (CMDIFrameWnd* frame = GetMDIFrame()) frame->MDIMaximize(this);
}

void CMDIChildWnd::MDIRestore() {
  if (CMDIFrameWnd* frame = GetMDIFrame()) frame->MDIRestore(this);
}

void CMDIChildWnd::ActivateFrame(int cmdShow) {
  BOOL wasVisible = (GetStyle() & WS_VISIBLE) != 0;
  CMDIFrameWnd* frame = GetMDIFrame();
  if (cmdShow == -1 && frame) {
    // A new child takes the maximized state of the one active before it.
    BOOL maximized = FALSE;
    frame->MDIGetActive(&maximized);
    DWORD style = GetStyle();
    if (maximized || (style & WS_MAXIMIZE))
      cmdShow = SW_SHOWMAXIMIZED;
    else if (style & WS_MINIMIZE)
      cmdShow = SW_SHOWMINIMIZED;
  }
  CFrameWnd::ActivateFrame(cmdShow);
  if (frame) {
    ::SendMessage(frame->m_hWndMDIClient, WM_MDIREFRESHMENU, 0, 0);
    if (!wasVisible || frame->MDIGetActive() != this) MDIActivate();
  }
}

void CMDIChildWnd::OnUpdateFrameTitle(BOOL addToTitle) {
  if (CMDIFrameWnd* frame = GetMDIFrame()) frame->OnUpdateFrameTitle(addToTitle);
  if (!(GetStyle() & FWS_ADDTOTITLE)) return;
  CDocument* doc = GetActiveDocument();
  if (!addToTitle || !doc) return;
  // A child's caption is its document's name alone, numbered when the document has several.
  CString text = doc->GetTitle();
  if (m_nWindow > 0) {
    CString n;
    n.Format(L":%d", m_nWindow);
    text += n;
  }
  wchar_t current[512] = {};
  ::GetWindowTextW(m_hWnd, current, 512);
  if (text != current) ::SetWindowTextW(m_hWnd, text);
}

BOOL CMDIChildWnd::PreTranslateMessage(MSG* msg) {
  // Accelerators of a child are translated by its MDI frame (the child has no menu).
  return CWnd::PreTranslateMessage(msg);
}

LRESULT CMDIChildWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefMDIChildProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CMDIChildWnd::OnMDIActivateMsg(WPARAM wParam, LPARAM lParam) {
  BOOL activate = (HWND)lParam == m_hWnd;
  OnMDIActivate(activate, CWnd::FromHandle((HWND)lParam), CWnd::FromHandle((HWND)wParam));
  return Default();
}

void CMDIChildWnd::OnMDIActivate(BOOL activate, CWnd* activated, CWnd*) {
  CView* view = GetActiveView();
  if (!activate && view) view->OnActivateView(FALSE, view, view);
  if (activate)
    OnUpdateFrameMenu(TRUE);
  else if (!activated)
    OnUpdateFrameMenu(FALSE);  // the last child goes: the frame's own menu comes back
  if (activate && view) view->OnActivateView(TRUE, view, view);
  if (CMDIFrameWnd* frame = GetMDIFrame()) frame->OnUpdateFrameTitle(TRUE);
}

void CMDIChildWnd::OnUpdateFrameMenu(BOOL activate) {
  CMDIFrameWnd* frame = GetMDIFrame();
  if (!frame) return;
  HMENU menu = activate && m_hMenuShared ? m_hMenuShared : frame->m_hMenuDefault;
  if (!menu) return;
  frame->MDISetMenu(CMenu::FromHandle(menu), CMenu::FromHandle(frame->GetWindowMenuPopup(menu)));
  frame->DrawMenuBar();
}
