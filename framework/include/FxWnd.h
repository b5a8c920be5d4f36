// CWnd: a C++ object bound to a window handle. The object receives the window's messages
// through its message map (the window procedure is replaced by AfxWndProc when the window is
// created through CWnd or subclassed), and handles the class layer does not own are wrapped in
// temporary objects that live until the next idle time.
#pragma once
#include "FxCmdTarget.h"
#include "FxGeom.h"
#include <commctrl.h>

// winuser.h makes GetNextWindow a macro, which would rename CWnd's member.
#ifdef GetNextWindow
#undef GetNextWindow
inline HWND GetNextWindow(HWND hWnd, UINT wCmd) { return ::GetWindow(hWnd, wCmd); }
#endif

class CDC;
class CFont;
class CMenu;
class CScrollBar;
class CFrameWnd;
struct CCreateContext;
class CDataExchange;

// The window procedure of every window the class layer owns.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
// Calls pWnd->WindowProc with the thread's current-message record set to this message.
LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

// A window class with these attributes (registered on first use; the name stays valid for
// the life of the module). The class procedure is DefWindowProc; CWnd subclasses each window.
LPCTSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr, HBRUSH hbrBackground = nullptr,
                            HICON hIcon = nullptr);

// Temporary wrappers (CWnd::FromHandle of a handle no object owns) are freed by
// AfxDeleteTempMaps, which the idle loop calls; a locked thread keeps them.
void AfxLockTempMaps();
void AfxUnlockTempMaps();
void AfxDeleteTempMaps();
// Other layers add the release of their own temporaries (device contexts, menus) here.
void AfxAddTempMapCleanup(void (*pfnCleanup)());

// How the GDI and menu layers wrap a handle, for the handlers that receive CDC* or CMenu*.
// Set by those layers when they load; without them the handler receives nullptr.
struct FxHandleWrappers {
  CDC* (*pfnDC)(HDC) = nullptr;
  CMenu* (*pfnMenu)(HMENU) = nullptr;
};
FxHandleWrappers& AfxHandleWrappers();

// Message boxes of the class layer go through one place so that a test can answer them (a box
// blocks a run without a user): with a hook set, the hook is called instead of the platform's box.
typedef int (*AFX_MESSAGEBOX_HOOK)(HWND hOwner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType);
AFX_MESSAGEBOX_HOOK AfxSetMessageBoxHook(AFX_MESSAGEBOX_HOOK hook);  // returns the previous hook
int AfxShowMessageBox(HWND hOwner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType);
// A box owned by the active window, captioned with the application's name.
int AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = (UINT)-1);

class CWnd : public CCmdTarget {
  DECLARE_DYNCREATE(CWnd)
 public:
  HWND m_hWnd = nullptr;
  WNDPROC m_pfnSuper = nullptr;  // the procedure unhandled messages go to (set when subclassed)

  CWnd() {}
  explicit CWnd(HWND h) : m_hWnd(h) {}
  ~CWnd() override;

  operator HWND() const { return GetSafeHwnd(); }
  HWND GetSafeHwnd() const { return FxNullThis(this) ? nullptr : m_hWnd; }
  bool operator==(const CWnd& w) const { return m_hWnd == w.m_hWnd; }
  bool operator!=(const CWnd& w) const { return m_hWnd != w.m_hWnd; }

  // Handle maps
  static CWnd* FromHandle(HWND hWnd);           // permanent object, or a temporary one
  static CWnd* FromHandlePermanent(HWND hWnd);  // only an object that owns the handle
  static void DeleteTempMap();
  BOOL Attach(HWND hWnd);  // FALSE if the handle is null or another object owns it
  HWND Detach();

  // Subclassing: messages of an existing window go through this object first.
  BOOL SubclassWindow(HWND hWnd);
  BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
  HWND UnsubclassWindow();
  virtual void PreSubclassWindow() {}

  // Creation
  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
  virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                      CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr);
  virtual BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                        int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                        LPVOID lpParam = nullptr);
  BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr);
  virtual BOOL DestroyWindow();
  // Called after the window's last message (WM_NCDESTROY) once the object is detached;
  // objects that own themselves delete themselves here.
  virtual void PostNcDestroy() {}

  // Message processing
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Default();  // the current message, passed to DefWindowProc
  static const MSG* GetCurrentMessage() { return &AfxGetThreadState()->m_lastSentMsg; }
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  // Reflection: a parent offers a child's notification back to the child first.
  virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  static BOOL ReflectLastMsg(HWND hWndChild, LRESULT* pResult = nullptr);
  BOOL SendChildNotifyLastMsg(LRESULT* pResult = nullptr);
  // Called for every message the loop of this thread (or a modal loop) is about to dispatch,
  // from the target window up through its parents; TRUE stops the message.
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  static BOOL WalkPreTranslateTree(HWND hWndStop, MSG* pMsg);
  // Dialog data exchange: DoDataExchange lists the DDX_/DDV_ calls; UpdateData runs them
  // (TRUE: controls to variables, with validation) and answers FALSE when validation failed.
  virtual void DoDataExchange(CDataExchange*) {}
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
  // Ids of a command's CCmdUI for dialog controls: asks pTarget about each child control.
  void UpdateDialogControls(CCmdTarget* pTarget, BOOL bDisableIfNoHandler);
  void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, BOOL bDeep = TRUE,
                                BOOL bOnlyPerm = FALSE);
  // Owner-drawn controls and reflected scroll/colour messages
  virtual HBRUSH CtlColor(CDC*, UINT) { return nullptr; }
  void HScroll(UINT, UINT) {}
  void VScroll(UINT, UINT) {}

  // Relatives
  CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
  CWnd* SetParent(CWnd* pNew) { return FromHandle(::SetParent(m_hWnd, pNew->GetSafeHwnd())); }
  CWnd* GetOwner() const { return FromHandle(::GetWindow(m_hWnd, GW_OWNER)); }
  void SetOwner(CWnd* pOwner) { ::SetWindowLongPtr(m_hWnd, GWLP_HWNDPARENT, (LONG_PTR)pOwner->GetSafeHwnd()); }
  CWnd* GetTopLevelParent() const;
  CWnd* GetWindow(UINT nCmd) const { return FromHandle(::GetWindow(m_hWnd, nCmd)); }
  CWnd* GetNextWindow(UINT nFlag = GW_HWNDNEXT) const { return FromHandle(::GetWindow(m_hWnd, nFlag)); }
  CWnd* GetDescendantWindow(int nID, BOOL bOnlyPerm = FALSE) const;
  CWnd* GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }
  void GetDlgItem(int nID, HWND* phWnd) const { *phWnd = ::GetDlgItem(m_hWnd, nID); }
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  int SetDlgCtrlID(int nID) { return (int)::SetWindowLongPtr(m_hWnd, GWLP_ID, nID); }
  BOOL IsChild(const CWnd* pWnd) const { return ::IsChild(m_hWnd, pWnd->GetSafeHwnd()); }
  // The frame around this window (defined by the frame layer).
  CFrameWnd* GetParentFrame() const;
  CFrameWnd* GetTopLevelFrame() const;
  static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
  static CWnd* GetActiveWindow() { return FromHandle(::GetActiveWindow()); }
  static CWnd* GetForegroundWindow() { return FromHandle(::GetForegroundWindow()); }
  static CWnd* GetDesktopWindow() { return FromHandle(::GetDesktopWindow()); }
  static CWnd* GetCapture() { return FromHandle(::GetCapture()); }
  static CWnd* FindWindow(LPCTSTR cls, LPCTSTR name) { return FromHandle(::FindWindow(cls, name)); }
  static CWnd* WindowFromPoint(POINT pt) { return FromHandle(::WindowFromPoint(pt)); }
  CWnd* ChildWindowFromPoint(POINT pt, UINT nFlags = CWP_ALL) const {
    return FromHandle(::ChildWindowFromPointEx(m_hWnd, pt, nFlags));
  }

  // State
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
  BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  BOOL IsZoomed() const { return ::IsZoomed(m_hWnd); }
  CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
  CWnd* SetActiveWindow() { return FromHandle(::SetActiveWindow(m_hWnd)); }
  BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
  void BringWindowToTop() { ::BringWindowToTop(m_hWnd); }
  CWnd* SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
  DWORD GetStyle() const { return (DWORD)::GetWindowLongPtr(m_hWnd, GWL_STYLE); }
  DWORD GetExStyle() const { return (DWORD)::GetWindowLongPtr(m_hWnd, GWL_EXSTYLE); }
  // nFlags != 0 also calls SetWindowPos with them (and SWP_FRAMECHANGED-type flags) to apply.
  BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
  BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
  static BOOL ModifyStyle(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags);
  static BOOL ModifyStyleEx(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags);

  // Text
  void SetWindowText(LPCTSTR s) { ::SetWindowText(m_hWnd, s); }
  int GetWindowText(LPTSTR s, int n) const { return ::GetWindowText(m_hWnd, s, n); }
  void GetWindowText(CString& s) const;
  int GetWindowTextLength() const { return ::GetWindowTextLength(m_hWnd); }
  void SetDlgItemText(int nID, LPCTSTR s) { ::SetDlgItemText(m_hWnd, nID, s); }
  int GetDlgItemText(int nID, LPTSTR s, int n) const { return (int)::GetDlgItemText(m_hWnd, nID, s, n); }
  int GetDlgItemText(int nID, CString& s) const;
  void SetDlgItemInt(int nID, UINT v, BOOL bSigned = TRUE) { ::SetDlgItemInt(m_hWnd, nID, v, bSigned); }
  UINT GetDlgItemInt(int nID, BOOL* pTrans = nullptr, BOOL bSigned = TRUE) const {
    return ::GetDlgItemInt(m_hWnd, nID, pTrans, bSigned);
  }
  void CheckDlgButton(int nID, UINT nCheck) { ::CheckDlgButton(m_hWnd, nID, nCheck); }
  UINT IsDlgButtonChecked(int nID) const { return ::IsDlgButtonChecked(m_hWnd, nID); }
  void CheckRadioButton(int first, int last, int check) { ::CheckRadioButton(m_hWnd, first, last, check); }
  LRESULT SendDlgItemMessage(int nID, UINT m, WPARAM w = 0, LPARAM l = 0) {
    return ::SendDlgItemMessage(m_hWnd, nID, m, w, l);
  }

  // Geometry
  void GetClientRect(LPRECT r) const { ::GetClientRect(m_hWnd, r); }
  void GetWindowRect(LPRECT r) const { ::GetWindowRect(m_hWnd, r); }
  void ClientToScreen(LPPOINT p) const { ::ClientToScreen(m_hWnd, p); }
  void ClientToScreen(LPRECT r) const;
  void ScreenToClient(LPPOINT p) const { ::ScreenToClient(m_hWnd, p); }
  void ScreenToClient(LPRECT r) const;
  void MapWindowPoints(CWnd* pTo, LPPOINT p, UINT n) const { ::MapWindowPoints(m_hWnd, pTo->GetSafeHwnd(), p, n); }
  void MapWindowPoints(CWnd* pTo, LPRECT r) const { ::MapWindowPoints(m_hWnd, pTo->GetSafeHwnd(), (LPPOINT)r, 2); }
  void MoveWindow(int x, int y, int w, int h, BOOL bRepaint = TRUE) { ::MoveWindow(m_hWnd, x, y, w, h, bRepaint); }
  void MoveWindow(LPCRECT r, BOOL bRepaint = TRUE) {
    ::MoveWindow(m_hWnd, r->left, r->top, r->right - r->left, r->bottom - r->top, bRepaint);
  }
  BOOL SetWindowPos(const CWnd* pInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
  void CenterWindow(CWnd* pAlternateOwner = nullptr);
  BOOL GetWindowPlacement(WINDOWPLACEMENT* p) const { p->length = sizeof(*p); return ::GetWindowPlacement(m_hWnd, p); }
  BOOL SetWindowPlacement(const WINDOWPLACEMENT* p) { return ::SetWindowPlacement(m_hWnd, p); }

  // Painting
  void Invalidate(BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
  void InvalidateRect(LPCRECT r, BOOL bErase = TRUE) { ::InvalidateRect(m_hWnd, r, bErase); }
  void ValidateRect(LPCRECT r) { ::ValidateRect(m_hWnd, r); }
  void UpdateWindow() { ::UpdateWindow(m_hWnd); }
  BOOL RedrawWindow(LPCRECT r = nullptr, HRGN rgn = nullptr,
                    UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE) {
    return ::RedrawWindow(m_hWnd, r, rgn, flags);
  }
  void SetRedraw(BOOL bRedraw = TRUE) { ::SendMessage(m_hWnd, WM_SETREDRAW, bRedraw, 0); }
  BOOL GetUpdateRect(LPRECT r, BOOL bErase = FALSE) { return ::GetUpdateRect(m_hWnd, r, bErase); }
  void ScrollWindow(int dx, int dy, LPCRECT lpRect = nullptr, LPCRECT lpClipRect = nullptr) {
    ::ScrollWindow(m_hWnd, dx, dy, lpRect, lpClipRect);
  }
  int ScrollWindowEx(int dx, int dy, LPCRECT lpRectScroll, LPCRECT lpRectClip, HRGN hrgnUpdate, LPRECT lpRectUpdate,
                     UINT flags) {
    return ::ScrollWindowEx(m_hWnd, dx, dy, lpRectScroll, lpRectClip, hrgnUpdate, lpRectUpdate, flags);
  }
  // The window takes ownership of the region.
  int SetWindowRgn(HRGN hRgn, BOOL bRedraw) { return ::SetWindowRgn(m_hWnd, hRgn, bRedraw); }
  int GetWindowRgn(HRGN hRgn) const { return ::GetWindowRgn(m_hWnd, hRgn); }
  HICON SetIcon(HICON hIcon, BOOL bBigIcon) { return (HICON)::SendMessage(m_hWnd, WM_SETICON, bBigIcon, (LPARAM)hIcon); }
  HICON GetIcon(BOOL bBigIcon) const { return (HICON)::SendMessage(m_hWnd, WM_GETICON, bBigIcon, 0); }
  BOOL FlashWindow(BOOL bInvert) { return ::FlashWindow(m_hWnd, bInvert); }
  void ShowOwnedPopups(BOOL bShow = TRUE) { ::ShowOwnedPopups(m_hWnd, bShow); }
  CWnd* GetLastActivePopup() const { return FromHandle(::GetLastActivePopup(m_hWnd)); }
  // Device contexts, fonts and menus as the GDI and menu layers wrap them (temporaries at idle).
  CDC* GetDC();
  CDC* GetWindowDC();
  int ReleaseDC(CDC* pDC);
  void SetFont(CFont* pFont, BOOL bRedraw = TRUE);
  CFont* GetFont() const;
  CMenu* GetMenu() const;
  BOOL SetMenu(CMenu* pMenu);
  CMenu* GetSystemMenu(BOOL bRevert) const;
  void DrawMenuBar() { ::DrawMenuBar(m_hWnd); }

  // Messages, timers
  LRESULT SendMessage(UINT m, WPARAM w = 0, LPARAM l = 0) const { return ::SendMessage(m_hWnd, m, w, l); }
  BOOL PostMessage(UINT m, WPARAM w = 0, LPARAM l = 0) const { return ::PostMessage(m_hWnd, m, w, l); }
  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC pfn = nullptr) {
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, pfn);
  }
  BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
  int MessageBox(LPCTSTR text, LPCTSTR caption = nullptr, UINT type = MB_OK);
  BOOL ShowScrollBar(UINT nBar, BOOL bShow = TRUE) { return ::ShowScrollBar(m_hWnd, nBar, bShow); }
  int GetScrollPos(int nBar) const { return ::GetScrollPos(m_hWnd, nBar); }
  int SetScrollPos(int nBar, int nPos, BOOL bRedraw = TRUE) { return ::SetScrollPos(m_hWnd, nBar, nPos, bRedraw); }
  BOOL GetScrollInfo(int nBar, LPSCROLLINFO p, UINT nMask = SIF_ALL) {
    p->cbSize = sizeof(*p);
    p->fMask = nMask;
    return ::GetScrollInfo(m_hWnd, nBar, p);
  }
  BOOL SetScrollInfo(int nBar, LPSCROLLINFO p, BOOL bRedraw = TRUE) {
    p->cbSize = sizeof(*p);
    ::SetScrollInfo(m_hWnd, nBar, p, bRedraw);
    return TRUE;
  }
  void DragAcceptFiles(BOOL bAccept = TRUE);
  BOOL IsWindow() const { return ::IsWindow(GetSafeHwnd()); }

  // Default handlers: each passes the message on (derived handlers call them for the
  // platform's behaviour). Those for child notifications reflect first.
  int OnCreate(LPCREATESTRUCT) { return (int)Default(); }
  BOOL OnNcCreate(LPCREATESTRUCT) { return (BOOL)Default(); }
  void OnDestroy() { Default(); }
  void OnNcDestroy();
  void OnClose() { Default(); }
  void OnPaint() { Default(); }
  void OnNcPaint() { Default(); }
  void OnCancelMode() { Default(); }
  void OnChildActivate() { Default(); }
  void OnMouseLeave() { Default(); }
  void OnSysColorChange() { Default(); }
  void OnSize(UINT, int, int) { Default(); }
  void OnMove(int, int) { Default(); }
  BOOL OnEraseBkgnd(CDC*) { return (BOOL)Default(); }
  HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
  void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpdis);
  void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpmis);
  void OnDeleteItem(int nIDCtl, LPDELETEITEMSTRUCT lpdis);
  void OnKeyDown(UINT, UINT, UINT) { Default(); }
  void OnKeyUp(UINT, UINT, UINT) { Default(); }
  void OnChar(UINT, UINT, UINT) { Default(); }
  void OnSysKeyDown(UINT, UINT, UINT) { Default(); }
  void OnHotKey(UINT, UINT, UINT) { Default(); }
  void OnMouseMove(UINT, CPoint) { Default(); }
  void OnLButtonDown(UINT, CPoint) { Default(); }
  void OnLButtonUp(UINT, CPoint) { Default(); }
  void OnLButtonDblClk(UINT, CPoint) { Default(); }
  void OnRButtonDown(UINT, CPoint) { Default(); }
  void OnRButtonUp(UINT, CPoint) { Default(); }
  void OnMButtonDown(UINT, CPoint) { Default(); }
  void OnNcLButtonDown(UINT, CPoint) { Default(); }
  void OnNcRButtonDown(UINT, CPoint) { Default(); }
  void OnNcMButtonDown(UINT, CPoint) { Default(); }
  void OnNcMouseMove(UINT, CPoint) { Default(); }
  void OnContextMenu(CWnd*, CPoint) { Default(); }
  BOOL OnMouseWheel(UINT, short, CPoint) { return (BOOL)Default(); }
  LRESULT OnNcHitTest(CPoint) { return Default(); }
  BOOL OnSetCursor(CWnd*, UINT, UINT) { return (BOOL)Default(); }
  void OnSetFocus(CWnd*) { Default(); }
  void OnKillFocus(CWnd*) { Default(); }
  void OnCaptureChanged(CWnd*) { Default(); }
  void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
  void OnActivate(UINT, CWnd*, BOOL) { Default(); }
  BOOL OnNcActivate(BOOL) { return (BOOL)Default(); }
  void OnNcCalcSize(BOOL, NCCALCSIZE_PARAMS*) { Default(); }
  void OnTimer(UINT_PTR) { Default(); }
  void OnInitMenuPopup(CMenu*, UINT, BOOL) { Default(); }
  void OnMenuSelect(UINT, UINT, HMENU) { Default(); }
  LRESULT OnMenuChar(UINT, UINT, CMenu*) { return Default(); }
  void OnSysCommand(UINT, LPARAM) { Default(); }
  void OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
  void OnShowWindow(BOOL, UINT) { Default(); }
  void OnWindowPosChanged(WINDOWPOS*) { Default(); }
  void OnWindowPosChanging(WINDOWPOS*) { Default(); }
  void OnSettingChange(UINT, LPCTSTR) { Default(); }
  BOOL OnQueryEndSession() { return (BOOL)Default(); }
  void OnEndSession(BOOL) { Default(); }
  void OnDropFiles(HDROP) { Default(); }
  UINT OnGetDlgCode() { return (UINT)Default(); }
  int OnMouseActivate(CWnd*, UINT, UINT) { return (int)Default(); }
  void OnRButtonDblClk(UINT, CPoint) { Default(); }
  void OnMButtonUp(UINT, CPoint) { Default(); }
  void OnNcLButtonUp(UINT, CPoint) { Default(); }
  void OnNcLButtonDblClk(UINT, CPoint) { Default(); }
  void OnNcRButtonUp(UINT, CPoint) { Default(); }
  void OnSysKeyUp(UINT, UINT, UINT) { Default(); }
  void OnSysChar(UINT, UINT, UINT) { Default(); }
  void OnEnable(BOOL) { Default(); }
  BOOL OnCopyData(CWnd*, COPYDATASTRUCT*) { return (BOOL)Default(); }
  void OnActivateApp(BOOL, DWORD) { Default(); }

  // GetSafeHwnd and friends are called through pointers that may be null; the compiler may
  // assume `this` is never null, so the test goes through an opaque helper.
  static bool FxNullThis(const void* p) {
    asm volatile("" : "+r"(p));
    return p == nullptr;
  }

  DECLARE_MESSAGE_MAP()
};

// Installs the creation hook for pWnd: the next window this thread creates is attached to it
// and subclassed before its first message (so WM_NCCREATE and WM_CREATE reach the object).
void AfxHookWindowCreate(CWnd* pWnd);
// Removes the hook; FALSE when no window was attached to the pending object.
BOOL AfxUnhookWindowCreate();

// The PreTranslateMessage walk for a message of any loop: from the message's window up through
// its parents to its top-level window. TRUE if a window took the message.
BOOL AfxPreTranslateMessage(MSG* pMsg);
