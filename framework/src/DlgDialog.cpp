// CDialog: dialogs from templates, modal (own loop, so PreTranslateMessage runs) and modeless.
#include "Framework.h"
#include "FxDialog.h"
#include "FxThread.h"
#include <commctrl.h>

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_COMMAND(IDOK, OnOK)
  ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

namespace {

// The dialog procedure of every CDialog: the window itself is subclassed by AfxWndProc, which
// passes unhandled messages to the dialog class's procedure; that one calls this for
// WM_INITDIALOG, the one message the object must answer through the dialog procedure.
INT_PTR CALLBACK FxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return FALSE;
  CWnd* p = CWnd::FromHandlePermanent(hWnd);
  if (p && p->IsKindOf(RUNTIME_CLASS(CDialog))) return static_cast<CDialog*>(p)->HandleInitDialog(0, 0);
  return TRUE;
}

LPCDLGTEMPLATE LoadTemplate(LPCTSTR name, HINSTANCE* phInst) {
  HINSTANCE hInst = AfxFindResourceHandle(name, RT_DIALOG);
  if (!hInst) return nullptr;
  HRSRC res = ::FindResourceW(hInst, name, RT_DIALOG);
  HGLOBAL glob = res ? ::LoadResource(hInst, res) : nullptr;
  *phInst = hInst;
  return glob ? (LPCDLGTEMPLATE)::LockResource(glob) : nullptr;
}

HWND TopLevelOf(HWND h) { return h ? ::GetAncestor(h, GA_ROOT) : nullptr; }

}  // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEW(nIDTemplate)), m_pParentWnd(pParentWnd), m_nIDHelp(nIDTemplate) {}

CDialog::CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
  if (m_hWnd && FromHandlePermanent(m_hWnd) == this) DestroyWindow();
}

BOOL CDialog::CreateFromTemplate(LPCDLGTEMPLATE tmpl, HWND hParent, HINSTANCE hInst) {
  if (!tmpl || m_hWnd) return FALSE;
  // Templates may name any common control; their classes must exist before the dialog is made.
  static const BOOL registered = [] {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_USEREX_CLASSES |
                                                 ICC_COOL_CLASSES | ICC_LINK_CLASS};
    return ::InitCommonControlsEx(&icc);
  }();
  (void)registered;
  AfxHookWindowCreate(this);
  HWND h = ::CreateDialogIndirectParamW(hInst, tmpl, hParent, &FxDlgProc, 0);
  if (!AfxUnhookWindowCreate()) {
    PostNcDestroy();
    return FALSE;
  }
  return h != nullptr && m_hWnd == h;
}

BOOL CDialog::Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd) {
  m_lpszTemplateName = lpszTemplateName;
  if (pParentWnd) m_pParentWnd = pParentWnd;
  HINSTANCE hInst = nullptr;
  LPCDLGTEMPLATE tmpl = LoadTemplate(lpszTemplateName, &hInst);
  if (!tmpl) return FALSE;
  HWND hParent = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr;
  if (!hParent) {
    CWnd* main = AfxGetMainWnd();
    hParent = main ? main->GetSafeHwnd() : nullptr;
  }
  return CreateFromTemplate(tmpl, hParent, hInst);
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
  m_nIDHelp = nIDTemplate;
  return Create(MAKEINTRESOURCEW(nIDTemplate), pParentWnd);
}

BOOL CDialog::CreateIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd) {
  if (pParentWnd) m_pParentWnd = pParentWnd;
  HWND hParent = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr;
  return CreateFromTemplate(lpDialogTemplate, hParent, AfxGetInstanceHandle());
}

BOOL CDialog::InitModalIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd) {
  m_lpDialogTemplate = lpDialogTemplate;
  if (pParentWnd) m_pParentWnd = pParentWnd;
  return lpDialogTemplate != nullptr;
}

HWND CDialog::PreModal() {
  HWND start = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr;
  if (!start) {
    CWnd* main = AfxGetMainWnd();
    start = main ? main->GetSafeHwnd() : ::GetActiveWindow();
  }
  HWND top = TopLevelOf(start);
  // A popup that is already up in front of the owner owns the new dialog instead.
  return top ? ::GetLastActivePopup(top) : nullptr;
}

INT_PTR CDialog::DoModal() {
  HINSTANCE hInst = AfxGetInstanceHandle();
  LPCDLGTEMPLATE tmpl = m_lpDialogTemplate;
  if (!tmpl && m_lpszTemplateName) tmpl = LoadTemplate(m_lpszTemplateName, &hInst);
  if (!tmpl) return -1;

  HWND hOwner = PreModal();
  BOOL enableOwner = FALSE;
  if (hOwner && ::IsWindowEnabled(hOwner)) {
    ::EnableWindow(hOwner, FALSE);
    enableOwner = TRUE;
  }
  m_nModalResult = -1;
  m_bContinueModal = TRUE;  // EndDialog from OnInitDialog must already count
  m_bInModalLoop = TRUE;
  if (CreateFromTemplate(tmpl, hOwner, hInst)) {
    if (m_bContinueModal) RunModalLoop();
    if (m_hWnd) ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                               SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
  }
  m_bInModalLoop = FALSE;
  if (enableOwner) ::EnableWindow(hOwner, TRUE);
  if (hOwner && ::GetActiveWindow() == m_hWnd) ::SetActiveWindow(hOwner);
  if (m_hWnd) DestroyWindow();
  return m_nModalResult;
}

int CDialog::RunModalLoop() {
  if (m_hWnd && !(GetStyle() & WS_VISIBLE)) {
    ShowWindow(SW_SHOWNORMAL);
    UpdateWindow();
  }
  MSG msg;
  while (m_bContinueModal && m_hWnd) {
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // The program is quitting: end the dialog and let the outer loop see WM_QUIT too.
      ::PostQuitMessage(got == 0 ? (int)msg.wParam : 0);
      if (m_bContinueModal) m_nModalResult = IDCANCEL;
      m_bContinueModal = FALSE;
      break;
    }
    // Same offer as the thread's own loop: the application's PreTranslateMessage and the walk.
    CWinThread* thread = AfxGetThread();
    BOOL taken = thread ? thread->PreTranslateMessage(&msg) : AfxPreTranslateMessage(&msg);
    if (!taken) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  return m_nModalResult;
}

void CDialog::EndDialog(int nResult) {
  if (m_bInModalLoop) {
    m_nModalResult = nResult;
    if (m_bContinueModal) {
      m_bContinueModal = FALSE;
      ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wake the loop
    }
  }
  if (m_hWnd) ::EndDialog(m_hWnd, nResult);
}

void CDialog::PreInitDialog() {}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) {
  PreInitDialog();
  return OnInitDialog();
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;  // validation kept the dialog open
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
  if (CWnd::PreTranslateMessage(pMsg)) return TRUE;
  // Only keyboard and mouse input is the dialog manager's business.
  BOOL input = (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST) ||
               (pMsg->message >= WM_MOUSEFIRST && pMsg->message <= WM_MOUSELAST);
  if (!input || !m_hWnd) return FALSE;
  return ::IsDialogMessageW(m_hWnd, pMsg);
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  // Menu-style commands (not control ids, not system commands) get a last chance at the
  // thread, which is the application on the main thread.
  if ((nCode != CN_COMMAND && nCode != (int)CN_UPDATE_COMMAND_UI) || nID < 0x8000 || nID >= 0xF000)
    return FALSE;
  CWinThread* thread = AfxGetThread();
  return thread && thread->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}
