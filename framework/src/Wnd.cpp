// CWnd: handle maps, creation hook, window procedure, message cracking and reflection.
#include "Framework.h"
#include "FxWnd.h"
#include "FxGdi.h"
#include "FxMenu.h"
#include <shellapi.h>
#include <list>
#include <unordered_map>
#include <vector>

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

// ---------------------------------------------------------------------------------------------
// Handle maps. Permanent objects are found from any thread (worker threads post to windows by
// handle and look their objects up); temporaries belong to the thread that made them and are
// freed at its idle time.

namespace {

struct PermanentMap {
  CRITICAL_SECTION lock;
  std::unordered_map<HWND, CWnd*> map;
  PermanentMap() { InitializeCriticalSection(&lock); }
};

PermanentMap& Permanent() {
  static PermanentMap* m = new PermanentMap;  // lives as long as the process: windows may outlive statics
  return *m;
}

struct TempState {
  std::unordered_map<HWND, CWnd*> wnds;
  int lockCount = 0;
};

TempState& Temps() {
  static thread_local TempState* t = nullptr;
  if (!t) t = new TempState;
  return *t;
}

std::vector<void (*)()>& TempCleanups() {
  static std::vector<void (*)()>* v = new std::vector<void (*)()>;
  return *v;
}

void PermanentAdd(HWND h, CWnd* p) {
  PermanentMap& m = Permanent();
  EnterCriticalSection(&m.lock);
  m.map[h] = p;
  LeaveCriticalSection(&m.lock);
}

void PermanentRemove(HWND h) {
  PermanentMap& m = Permanent();
  EnterCriticalSection(&m.lock);
  m.map.erase(h);
  LeaveCriticalSection(&m.lock);
}

}  // namespace

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
  if (!hWnd) return nullptr;
  PermanentMap& m = Permanent();
  EnterCriticalSection(&m.lock);
  auto it = m.map.find(hWnd);
  CWnd* p = it == m.map.end() ? nullptr : it->second;
  LeaveCriticalSection(&m.lock);
  return p;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
  if (!hWnd) return nullptr;
  if (CWnd* p = FromHandlePermanent(hWnd)) return p;
  TempState& t = Temps();
  auto it = t.wnds.find(hWnd);
  if (it != t.wnds.end()) return it->second;
  CWnd* p = new CWnd;
  p->m_hWnd = hWnd;
  t.wnds[hWnd] = p;
  return p;
}

void CWnd::DeleteTempMap() {
  TempState& t = Temps();
  std::unordered_map<HWND, CWnd*> old;
  old.swap(t.wnds);
  for (auto& kv : old) {
    kv.second->m_hWnd = nullptr;  // a temporary never owns its window
    delete kv.second;
  }
}

void AfxLockTempMaps() { ++Temps().lockCount; }

void AfxUnlockTempMaps() {
  TempState& t = Temps();
  if (t.lockCount > 0) --t.lockCount;
}

void AfxDeleteTempMaps() {
  if (Temps().lockCount != 0) return;
  CWnd::DeleteTempMap();
  AfxDeleteTempGdiMaps();  // also through the registered clean-ups; twice is harmless
  CMenu::DeleteTempMap();
  for (auto fn : TempCleanups()) fn();
}

void AfxAddTempMapCleanup(void (*pfnCleanup)()) {
  for (auto fn : TempCleanups())
    if (fn == pfnCleanup) return;
  TempCleanups().push_back(pfnCleanup);
}

FxHandleWrappers& AfxHandleWrappers() {
  static FxHandleWrappers w;
  return w;
}

// The GDI layer registers its wrappers when it loads; in the static build its object file may
// not be linked in, so the wrappers are called directly then.
static CDC* WrapDC(HDC h) {
  if (!h) return nullptr;
  auto fn = AfxHandleWrappers().pfnDC;
  return fn ? fn(h) : CDC::FromHandle(h);
}

static CMenu* WrapMenu(HMENU h) {
  if (!h) return nullptr;
  auto fn = AfxHandleWrappers().pfnMenu;
  return fn ? fn(h) : CMenu::FromHandle(h);
}

BOOL CWnd::Attach(HWND hWnd) {
  if (!hWnd || m_hWnd || FromHandlePermanent(hWnd)) return FALSE;
  // A temporary wrapper of the same handle would outlive its meaning: drop it now.
  TempState& t = Temps();
  auto it = t.wnds.find(hWnd);
  if (it != t.wnds.end()) {
    it->second->m_hWnd = nullptr;
    delete it->second;
    t.wnds.erase(it);
  }
  PermanentAdd(hWnd, this);
  m_hWnd = hWnd;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND h = m_hWnd;
  if (h && FromHandlePermanent(h) == this) PermanentRemove(h);
  m_hWnd = nullptr;
  return h;
}

CWnd::~CWnd() {
  if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
    // The object goes first: its window goes with it (PostNcDestroy is CWnd's by now).
    DestroyWindow();
    if (m_hWnd) Detach();
  }
}

// ---------------------------------------------------------------------------------------------
// Subclassing

BOOL CWnd::SubclassWindow(HWND hWnd) {
  if (!Attach(hWnd)) return FALSE;
  PreSubclassWindow();
  WNDPROC old = (WNDPROC)::SetWindowLongPtr(hWnd, GWLP_WNDPROC, (LONG_PTR)&AfxWndProc);
  if (old != &AfxWndProc) m_pfnSuper = old;
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
  HWND h = ::GetDlgItem(pParent->GetSafeHwnd(), nID);
  return h ? SubclassWindow(h) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
  if (m_pfnSuper) ::SetWindowLongPtr(m_hWnd, GWLP_WNDPROC, (LONG_PTR)m_pfnSuper);
  m_pfnSuper = nullptr;
  return Detach();
}

// ---------------------------------------------------------------------------------------------
// Creation

namespace {
struct CreateHook {
  CWnd* pending = nullptr;
  HHOOK hook = nullptr;
  int depth = 0;
};
CreateHook& Hook() {
  static thread_local CreateHook* h = nullptr;
  if (!h) h = new CreateHook;
  return *h;
}

LRESULT CALLBACK CbtFilter(int code, WPARAM wParam, LPARAM lParam) {
  CreateHook& h = Hook();
  if (code == HCBT_CREATEWND && h.pending) {
    HWND hWnd = (HWND)wParam;
    // The input-method window the platform makes on the side is not ours.
    wchar_t cls[16] = {};
    ::GetClassNameW(hWnd, cls, 16);
    if (lstrcmpiW(cls, L"IME") != 0) {
      CWnd* p = h.pending;
      h.pending = nullptr;
      p->Attach(hWnd);
      p->PreSubclassWindow();
      WNDPROC old = (WNDPROC)::SetWindowLongPtr(hWnd, GWLP_WNDPROC, (LONG_PTR)&AfxWndProc);
      if (old != &AfxWndProc) p->m_pfnSuper = old;
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
}  // namespace

void AfxInstallWindowLayerHooks();

void AfxHookWindowCreate(CWnd* pWnd) {
  AfxInstallWindowLayerHooks();
  CreateHook& h = Hook();
  if (h.depth++ == 0) h.hook = ::SetWindowsHookExW(WH_CBT, &CbtFilter, nullptr, ::GetCurrentThreadId());
  h.pending = pWnd;
}

BOOL AfxUnhookWindowCreate() {
  CreateHook& h = Hook();
  BOOL attached = h.pending == nullptr;
  h.pending = nullptr;
  if (h.depth > 0 && --h.depth == 0 && h.hook) {
    ::UnhookWindowsHookEx(h.hook);
    h.hook = nullptr;
  }
  return attached;
}

LPCTSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
  // One class per attribute set, named after the attributes; names are kept for the module's life.
  static CRITICAL_SECTION* lock = [] {
    auto* cs = new CRITICAL_SECTION;
    InitializeCriticalSection(cs);
    return cs;
  }();
  static std::list<CString>* names = new std::list<CString>;  // list: elements never move
  CString name;
  name.Format(L"PeloraFx:%p:%x:%p:%p:%p", (void*)AfxGetInstanceHandle(), nClassStyle, (void*)hCursor,
              (void*)hbrBackground, (void*)hIcon);
  EnterCriticalSection(lock);
  LPCTSTR result = nullptr;
  for (const CString& n : *names)
    if (n == name) result = n;
  if (!result) {
    WNDCLASSW wc = {};
    if (!::GetClassInfoW(AfxGetInstanceHandle(), name, &wc)) {
      wc.style = nClassStyle;
      wc.lpfnWndProc = ::DefWindowProcW;
      wc.hInstance = AfxGetInstanceHandle();
      wc.hCursor = hCursor;
      wc.hbrBackground = hbrBackground;
      wc.hIcon = hIcon;
      wc.lpszClassName = name;
      ::RegisterClassW(&wc);
    }
    names->push_back(name);
    result = names->back();
  }
  LeaveCriticalSection(lock);
  return result;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT& cs) {
  // The default class erases nothing: windows that use it paint their whole client area.
  if (!cs.lpszClass)
    cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, ::LoadCursor(nullptr, IDC_ARROW));
  return TRUE;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, int x,
                    int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam) {
  if (m_hWnd) return FALSE;
  CREATESTRUCT cs = {};
  cs.dwExStyle = dwExStyle;
  cs.lpszClass = lpszClassName;
  cs.lpszName = lpszWindowName;
  cs.style = dwStyle;
  cs.x = x;
  cs.y = y;
  cs.cx = nWidth;
  cs.cy = nHeight;
  cs.hwndParent = hWndParent;
  cs.hMenu = nIDorHMenu;
  cs.hInstance = AfxGetInstanceHandle();
  cs.lpCreateParams = lpParam;
  if (!PreCreateWindow(cs)) {
    PostNcDestroy();
    return FALSE;
  }
  AfxHookWindowCreate(this);
  HWND h = ::CreateWindowEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                            cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
  if (!AfxUnhookWindowCreate()) {
    // The window was never made: the object gets its end-of-life call all the same.
    PostNcDestroy();
    return FALSE;
  }
  // A WM_CREATE that answered -1 destroyed the window (and detached the object) already.
  return h != nullptr;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam) {
  return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top, pParentWnd->GetSafeHwnd(),
                  (HMENU)(UINT_PTR)nID, lpParam);
}

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, CCreateContext* pContext) {
  // Create makes child windows only; CreateEx makes the rest.
  return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID,
                  (LPVOID)pContext);
}

BOOL CWnd::DestroyWindow() {
  HWND h = m_hWnd;
  if (!h) return FALSE;
  BOOL owned = FromHandlePermanent(h) == this;
  BOOL ok = ::DestroyWindow(h);
  // A window whose procedure is not ours (an attached handle) never tells the object it died.
  if (owned && FromHandlePermanent(h) == this) Detach();
  return ok;
}

// ---------------------------------------------------------------------------------------------
// Window procedure

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
  CWnd* p = CWnd::FromHandlePermanent(hWnd);
  if (!p) return ::DefWindowProcW(hWnd, nMsg, wParam, lParam);
  return AfxCallWndProc(p, hWnd, nMsg, wParam, lParam);
}

LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
  _AFX_THREAD_STATE* st = AfxGetThreadState();
  MSG saved = st->m_lastSentMsg;
  st->m_lastSentMsg.hwnd = hWnd;
  st->m_lastSentMsg.message = nMsg;
  st->m_lastSentMsg.wParam = wParam;
  st->m_lastSentMsg.lParam = lParam;
  LRESULT r = 0;
  try {
    r = pWnd->WindowProc(nMsg, wParam, lParam);
  } catch (CException* e) {
    // An exception must not unwind through the platform's frames. The user hears of it unless
    // it was a cancellation they made; a window whose creation failed is not made.
    if (!e->IsKindOf(RUNTIME_CLASS(CUserException))) {
      wchar_t text[512] = {};
      if (!e->GetErrorMessage(text, 512)) lstrcpynW(text, L"An unexpected error occurred.", 512);
      AfxShowMessageBox(nullptr, text, L"Error", MB_OK | MB_ICONEXCLAMATION);
    }
    e->Delete();
    r = nMsg == WM_CREATE ? -1 : 0;
  }
  if (nMsg == WM_NCDESTROY) {
    // A handler that did not call CWnd::OnNcDestroy still gets its object released.
    CWnd* still = CWnd::FromHandlePermanent(hWnd);
    if (still) {
      if (still->m_pfnSuper &&
          (WNDPROC)::GetWindowLongPtr(hWnd, GWLP_WNDPROC) == &AfxWndProc)
        ::SetWindowLongPtr(hWnd, GWLP_WNDPROC, (LONG_PTR)still->m_pfnSuper);
      still->m_pfnSuper = nullptr;
      still->Detach();
      still->PostNcDestroy();
    }
  }
  st->m_lastSentMsg = saved;
  return r;
}

void CWnd::OnNcDestroy() {
  HWND h = m_hWnd;
  WNDPROC before = (WNDPROC)::GetWindowLongPtr(h, GWLP_WNDPROC);
  Default();
  // Put the original procedure back unless someone else subclassed on top of us meanwhile.
  if (m_pfnSuper && (WNDPROC)::GetWindowLongPtr(h, GWLP_WNDPROC) == before && before == &AfxWndProc)
    ::SetWindowLongPtr(h, GWLP_WNDPROC, (LONG_PTR)m_pfnSuper);
  m_pfnSuper = nullptr;
  Detach();
  PostNcDestroy();
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT r = 0;
  if (!OnWndMsg(message, wParam, lParam, &r)) r = DefWindowProc(message, wParam, lParam);
  return r;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper) return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
  return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
  const MSG& m = AfxGetThreadState()->m_lastSentMsg;
  return DefWindowProc(m.message, m.wParam, m.lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  LRESULT r = 0;
  if (message == WM_COMMAND) {
    if (!OnCommand(wParam, lParam)) return FALSE;
    *pResult = 1;
    return TRUE;
  }
  if (message == WM_NOTIFY) {
    NMHDR* nm = (NMHDR*)lParam;
    if (!nm || !OnNotify(wParam, lParam, &r)) return FALSE;
    *pResult = r;
    return TRUE;
  }
  UINT lookup = message;
  UINT ctlColor = 0;
  if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
    lookup = WM_CTLCOLOR;
    ctlColor = message - WM_CTLCOLORMSGBOX;
  }
  const AFX_MSGMAP_ENTRY* e = FindMessageEntry(GetMessageMap(), lookup, 0, 0);
  if (!e) return FALSE;
  AFX_PMSG pfn = e->pfn;
#define FX_CALL(T, ...) (this->*reinterpret_cast<T>(pfn))(__VA_ARGS__)
  switch (e->nSig) {
    case FxSig_l_w_l: r = FX_CALL(LRESULT (CWnd::*)(WPARAM, LPARAM), wParam, lParam); break;
    case FxSig_v_w_l: FX_CALL(void (CWnd::*)(WPARAM, LPARAM), wParam, lParam); break;
    case FxSig_msg_v: FX_CALL(void (CWnd::*)()); break;
    case FxSig_i_cs: r = FX_CALL(int (CWnd::*)(LPCREATESTRUCT), (LPCREATESTRUCT)lParam); break;
    case FxSig_b_cs: r = FX_CALL(BOOL (CWnd::*)(LPCREATESTRUCT), (LPCREATESTRUCT)lParam); break;
    case FxSig_v_u_ii:
      FX_CALL(void (CWnd::*)(UINT, int, int), (UINT)wParam, (short)LOWORD(lParam), (short)HIWORD(lParam));
      break;
    case FxSig_v_ii: FX_CALL(void (CWnd::*)(int, int), (short)LOWORD(lParam), (short)HIWORD(lParam)); break;
    case FxSig_b_D: r = FX_CALL(BOOL (CWnd::*)(CDC*), WrapDC((HDC)wParam)); break;
    case FxSig_h_D_W_u:
      r = (LRESULT)FX_CALL(HBRUSH (CWnd::*)(CDC*, CWnd*, UINT), WrapDC((HDC)wParam), FromHandle((HWND)lParam),
                           ctlColor);
      break;
    case FxSig_v_i_dis: FX_CALL(void (CWnd::*)(int, LPDRAWITEMSTRUCT), (int)wParam, (LPDRAWITEMSTRUCT)lParam); r = TRUE; break;
    case FxSig_v_i_mis: FX_CALL(void (CWnd::*)(int, LPMEASUREITEMSTRUCT), (int)wParam, (LPMEASUREITEMSTRUCT)lParam); r = TRUE; break;
    case FxSig_v_i_del: FX_CALL(void (CWnd::*)(int, LPDELETEITEMSTRUCT), (int)wParam, (LPDELETEITEMSTRUCT)lParam); r = TRUE; break;
    case FxSig_v_u_u_u:  // keys: repeat count and flags; hot keys: modifiers and key
      FX_CALL(void (CWnd::*)(UINT, UINT, UINT), (UINT)wParam, LOWORD(lParam), HIWORD(lParam));
      break;
    case FxSig_v_u_p:
      FX_CALL(void (CWnd::*)(UINT, CPoint), (UINT)wParam, CPoint((short)LOWORD(lParam), (short)HIWORD(lParam)));
      break;
    case FxSig_v_W_p:
      FX_CALL(void (CWnd::*)(CWnd*, CPoint), FromHandle((HWND)wParam),
              CPoint((short)LOWORD(lParam), (short)HIWORD(lParam)));
      break;
    case FxSig_b_u_s_p:
      r = FX_CALL(BOOL (CWnd::*)(UINT, short, CPoint), (UINT)LOWORD(wParam), (short)HIWORD(wParam),
                  CPoint((short)LOWORD(lParam), (short)HIWORD(lParam)));
      break;
    case FxSig_l_p: r = FX_CALL(LRESULT (CWnd::*)(CPoint), CPoint((short)LOWORD(lParam), (short)HIWORD(lParam))); break;
    case FxSig_b_W_u_u:
      r = FX_CALL(BOOL (CWnd::*)(CWnd*, UINT, UINT), FromHandle((HWND)wParam), LOWORD(lParam), HIWORD(lParam));
      break;
    case FxSig_v_W: FX_CALL(void (CWnd::*)(CWnd*), FromHandle((HWND)(message == WM_CAPTURECHANGED ? (HWND)lParam : (HWND)wParam))); break;
    case FxSig_v_u_u_Sb:
      // A scroll bar control carries no data of its own, so its wrapper is a plain CWnd.
      FX_CALL(void (CWnd::*)(UINT, UINT, CScrollBar*), LOWORD(wParam), HIWORD(wParam),
              reinterpret_cast<CScrollBar*>(FromHandle((HWND)lParam)));
      break;
    case FxSig_v_u_W_b:
      FX_CALL(void (CWnd::*)(UINT, CWnd*, BOOL), LOWORD(wParam), FromHandle((HWND)lParam), (BOOL)HIWORD(wParam));
      break;
    case FxSig_b_b: r = FX_CALL(BOOL (CWnd::*)(BOOL), (BOOL)wParam); break;
    case FxSig_v_b_ncs:
      FX_CALL(void (CWnd::*)(BOOL, NCCALCSIZE_PARAMS*), (BOOL)wParam, (NCCALCSIZE_PARAMS*)lParam);
      break;
    case FxSig_v_up: FX_CALL(void (CWnd::*)(UINT_PTR), (UINT_PTR)wParam); break;
    case FxSig_v_M_u_b:
      FX_CALL(void (CWnd::*)(CMenu*, UINT, BOOL), WrapMenu((HMENU)wParam), LOWORD(lParam), (BOOL)HIWORD(lParam));
      break;
    case FxSig_v_u_u_hm: FX_CALL(void (CWnd::*)(UINT, UINT, HMENU), LOWORD(wParam), HIWORD(wParam), (HMENU)lParam); break;
    case FxSig_l_u_u_M:
      r = FX_CALL(LRESULT (CWnd::*)(UINT, UINT, CMenu*), LOWORD(wParam), HIWORD(wParam), WrapMenu((HMENU)lParam));
      break;
    case FxSig_v_u_l: FX_CALL(void (CWnd::*)(UINT, LPARAM), (UINT)wParam, lParam); break;
    case FxSig_v_mmi: FX_CALL(void (CWnd::*)(MINMAXINFO*), (MINMAXINFO*)lParam); break;
    case FxSig_v_b_u: FX_CALL(void (CWnd::*)(BOOL, UINT), (BOOL)wParam, (UINT)lParam); break;
    case FxSig_v_wp: FX_CALL(void (CWnd::*)(WINDOWPOS*), (WINDOWPOS*)lParam); break;
    case FxSig_v_u_s: FX_CALL(void (CWnd::*)(UINT, LPCTSTR), (UINT)wParam, (LPCTSTR)lParam); break;
    case FxSig_b_v_msg: r = FX_CALL(BOOL (CWnd::*)()); break;
    case FxSig_v_b: FX_CALL(void (CWnd::*)(BOOL), (BOOL)wParam); break;
    case FxSig_v_hdrop: FX_CALL(void (CWnd::*)(HDROP), (HDROP)wParam); break;
    case FxSig_u_v: r = FX_CALL(UINT (CWnd::*)()); break;
    case FxSig_i_W_u_u:
      r = FX_CALL(int (CWnd::*)(CWnd*, UINT, UINT), FromHandle((HWND)wParam), LOWORD(lParam), HIWORD(lParam));
      break;
    case FxSig_b_W_cds:
      r = FX_CALL(BOOL (CWnd::*)(CWnd*, COPYDATASTRUCT*), FromHandle((HWND)wParam), (COPYDATASTRUCT*)lParam);
      break;
    case FxSig_v_b_dw: FX_CALL(void (CWnd::*)(BOOL, DWORD), (BOOL)wParam, (DWORD)lParam); break;
    default:
      return FALSE;  // a command signature on a window message: not ours to call
  }
#undef FX_CALL
  *pResult = r;
  return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Commands, notifications and reflection

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT nID = LOWORD(wParam);
  HWND hCtl = (HWND)lParam;
  int nCode = HIWORD(wParam);
  if (!hCtl) {
    // Menu and accelerator commands: a command whose update handler disabled it is dropped.
    struct Probe : CCmdUI {
      BOOL enabled = TRUE;
      void Enable(BOOL on) override { enabled = on; m_bEnableChanged = TRUE; }
      void SetCheck(int) override {}
      void SetRadio(BOOL) override {}
      void SetText(LPCTSTR) override {}
    } probe;
    probe.m_nID = nID;
    OnCmdMsg(nID, (int)CN_UPDATE_COMMAND_UI, &probe, nullptr);
    if (!probe.enabled) return TRUE;
    nCode = CN_COMMAND;
  } else {
    if (ReflectLastMsg(hCtl)) return TRUE;  // the control handled its own notification
    if (nID == 0) return FALSE;
  }
  return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
  NMHDR* nm = (NMHDR*)lParam;
  if (ReflectLastMsg(nm->hwndFrom, pResult)) return TRUE;
  AFX_NOTIFY n = {pResult, nm};
  return OnCmdMsg((UINT)nm->idFrom, (int)MAKELONG(nm->code, WM_NOTIFY), &n, nullptr);
}

BOOL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult) {
  CWnd* child = FromHandlePermanent(hWndChild);
  if (!child) return FALSE;
  return child->SendChildNotifyLastMsg(pResult);
}

BOOL CWnd::SendChildNotifyLastMsg(LRESULT* pResult) {
  const MSG& m = AfxGetThreadState()->m_lastSentMsg;
  return OnChildNotify(m.message, m.wParam, m.lParam, pResult);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  const AFX_MSGMAP* map = GetMessageMap();
  switch (message) {
    case WM_COMMAND: {
      const AFX_MSGMAP_ENTRY* e = FindMessageEntry(map, WM_REFLECT_BASE + WM_COMMAND, HIWORD(wParam), 0);
      if (!e) return FALSE;
      BOOL handled = AfxDispatchCmdMsg(this, 0, HIWORD(wParam), e->pfn, nullptr, e->nSig);
      if (handled && pResult) *pResult = 0;
      return handled;
    }
    case WM_NOTIFY: {
      NMHDR* nm = (NMHDR*)lParam;
      const AFX_MSGMAP_ENTRY* e = FindMessageEntry(map, WM_REFLECT_BASE + WM_NOTIFY, (WORD)nm->code, 0);
      if (!e) return FALSE;
      LRESULT local = 0;
      AFX_NOTIFY n = {pResult ? pResult : &local, nm};
      return AfxDispatchCmdMsg(this, 0, 0, e->pfn, &n, e->nSig);
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      const AFX_MSGMAP_ENTRY* e = FindMessageEntry(map, WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0);
      if (!e || e->nSig != FxSig_h_D_u) return FALSE;
      HBRUSH hbr = (this->*reinterpret_cast<HBRUSH (CWnd::*)(CDC*, UINT)>(e->pfn))(
          WrapDC((HDC)wParam), message - WM_CTLCOLORMSGBOX);
      if (!hbr) return FALSE;  // no brush: the parent decides
      if (pResult) *pResult = (LRESULT)hbr;
      return TRUE;
    }
    case WM_HSCROLL:
    case WM_VSCROLL: {
      const AFX_MSGMAP_ENTRY* e = FindMessageEntry(map, WM_REFLECT_BASE + message, 0, 0);
      if (!e || e->nSig != FxSig_v_u_u) return FALSE;
      (this->*reinterpret_cast<void (CWnd::*)(UINT, UINT)>(e->pfn))(LOWORD(wParam), HIWORD(wParam));
      if (pResult) *pResult = 0;
      return TRUE;
    }
    default: {
      // Anything else (WM_DRAWITEM, WM_MEASUREITEM, WM_DELETEITEM ...) as WM_REFLECT_BASE + message.
      LRESULT r = 0;
      if (!OnWndMsg(WM_REFLECT_BASE + message, wParam, lParam, &r)) return FALSE;
      if (pResult) *pResult = r;
      return TRUE;
    }
  }
}

HBRUSH CWnd::OnCtlColor(CDC*, CWnd* pWnd, UINT) {
  LRESULT r = 0;
  if (pWnd && ReflectLastMsg(pWnd->m_hWnd, &r)) return (HBRUSH)r;
  return (HBRUSH)Default();
}

void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT lpdis) {
  if (lpdis->CtlType == ODT_MENU) {
    // an owner-drawn item of a menu that has an object draws itself
    if (CMenu* menu = CMenu::FromHandlePermanent((HMENU)lpdis->hwndItem)) {
      menu->DrawItem(lpdis);
      return;
    }
  } else if (ReflectLastMsg(lpdis->hwndItem)) {
    return;
  }
  Default();
}

void CWnd::OnMeasureItem(int, LPMEASUREITEMSTRUCT lpmis) {
  if (lpmis->CtlType != ODT_MENU) {
    HWND hCtl = ::GetDlgItem(m_hWnd, lpmis->CtlID);
    if (hCtl && ReflectLastMsg(hCtl)) return;
  }
  Default();
}

void CWnd::OnDeleteItem(int, LPDELETEITEMSTRUCT lpdis) {
  if (lpdis->hwndItem && ReflectLastMsg(lpdis->hwndItem)) return;
  Default();
}

void CWnd::OnHScroll(UINT, UINT, CScrollBar* pScrollBar) {
  HWND h = reinterpret_cast<CWnd*>(pScrollBar)->GetSafeHwnd();
  if (h && ReflectLastMsg(h)) return;
  Default();
}

void CWnd::OnVScroll(UINT, UINT, CScrollBar* pScrollBar) {
  HWND h = reinterpret_cast<CWnd*>(pScrollBar)->GetSafeHwnd();
  if (h && ReflectLastMsg(h)) return;
  Default();
}

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
  ON_WM_NCDESTROY()
  ON_WM_CTLCOLOR()
  ON_WM_DRAWITEM()
  ON_WM_MEASUREITEM()
  ON_WM_DELETEITEM()
  ON_WM_HSCROLL()
  ON_WM_VSCROLL()
END_MESSAGE_MAP()

// ---------------------------------------------------------------------------------------------
// Message loops

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg) {
  for (HWND h = pMsg->hwnd; h; h = ::GetParent(h)) {
    if (CWnd* p = FromHandlePermanent(h)) {
      if (p->PreTranslateMessage(pMsg)) return TRUE;
    }
    if (h == hWndStop) break;
    // A top-level window ends the walk (GetParent would move on to its owner).
    if (!(::GetWindowLongPtr(h, GWL_STYLE) & WS_CHILD)) break;
  }
  return FALSE;
}

BOOL AfxPreTranslateMessage(MSG* pMsg) {
  if (!pMsg->hwnd) return FALSE;
  return CWnd::WalkPreTranslateTree(::GetAncestor(pMsg->hwnd, GA_ROOT), pMsg);
}

void CWnd::UpdateDialogControls(CCmdTarget* pTarget, BOOL bDisableIfNoHandler) {
  CCmdUI state;
  for (HWND h = ::GetWindow(m_hWnd, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
    state.m_nID = (UINT)::GetDlgCtrlID(h);
    state.m_pOther = FromHandle(h);
    if (state.m_nID == 0 || state.m_nID == (UINT)-1) continue;
    // Ordinary push buttons without a command handler stay as they are.
    BOOL disable = bDisableIfNoHandler;
    if (disable) {
      UINT code = (UINT)::SendMessage(h, WM_GETDLGCODE, 0, 0);
      if (code & DLGC_BUTTON) {
        UINT style = (UINT)::GetWindowLongPtr(h, GWL_STYLE) & 0x0F;
        if (style == BS_AUTOCHECKBOX || style == BS_AUTO3STATE || style == BS_GROUPBOX ||
            style == BS_AUTORADIOBUTTON)
          disable = FALSE;
      }
    }
    state.DoUpdate(pTarget, disable);
  }
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep, BOOL bOnlyPerm) {
  for (HWND h = ::GetWindow(m_hWnd, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
    if (bOnlyPerm) {
      if (CWnd* p = FromHandlePermanent(h)) AfxCallWndProc(p, h, message, wParam, lParam);
    } else {
      ::SendMessage(h, message, wParam, lParam);
    }
    if (bDeep && ::GetWindow(h, GW_CHILD)) {
      CWnd tmp;
      tmp.m_hWnd = h;
      tmp.SendMessageToDescendants(message, wParam, lParam, bDeep, bOnlyPerm);
      tmp.m_hWnd = nullptr;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Wrappers

CWnd* CWnd::GetTopLevelParent() const {
  HWND h = m_hWnd;
  if (!h) return nullptr;
  return FromHandle(::GetAncestor(h, GA_ROOT));
}

CWnd* CWnd::GetDescendantWindow(int nID, BOOL bOnlyPerm) const {
  for (HWND h = ::GetWindow(m_hWnd, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
    if (::GetDlgCtrlID(h) == nID) {
      CWnd* p = bOnlyPerm ? FromHandlePermanent(h) : FromHandle(h);
      if (p) return p;
    }
  }
  for (HWND h = ::GetWindow(m_hWnd, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
    CWnd tmp;
    tmp.m_hWnd = h;
    CWnd* p = tmp.GetDescendantWindow(nID, bOnlyPerm);
    tmp.m_hWnd = nullptr;
    if (p) return p;
  }
  return nullptr;
}

BOOL CWnd::ModifyStyle(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
  DWORD style = (DWORD)::GetWindowLongPtr(hWnd, GWL_STYLE);
  DWORD newStyle = (style & ~dwRemove) | dwAdd;
  if (style == newStyle) return FALSE;
  ::SetWindowLongPtr(hWnd, GWL_STYLE, newStyle);
  if (nFlags)
    ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
  return TRUE;
}

BOOL CWnd::ModifyStyleEx(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
  DWORD style = (DWORD)::GetWindowLongPtr(hWnd, GWL_EXSTYLE);
  DWORD newStyle = (style & ~dwRemove) | dwAdd;
  if (style == newStyle) return FALSE;
  ::SetWindowLongPtr(hWnd, GWL_EXSTYLE, newStyle);
  if (nFlags)
    ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
  return TRUE;
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) { return ModifyStyle(m_hWnd, dwRemove, dwAdd, nFlags); }
BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags) { return ModifyStyleEx(m_hWnd, dwRemove, dwAdd, nFlags); }

void CWnd::GetWindowText(CString& s) const {
  int n = ::GetWindowTextLength(m_hWnd);
  LPTSTR buf = s.GetBufferSetLength(n);
  ::GetWindowText(m_hWnd, buf, n + 1);
  s.ReleaseBuffer();
}

int CWnd::GetDlgItemText(int nID, CString& s) const {
  HWND h = ::GetDlgItem(m_hWnd, nID);
  if (!h) {
    s.Empty();
    return 0;
  }
  CWnd tmp;
  tmp.m_hWnd = h;
  tmp.GetWindowText(s);
  tmp.m_hWnd = nullptr;
  return s.GetLength();
}

void CWnd::ClientToScreen(LPRECT r) const {
  ::ClientToScreen(m_hWnd, (LPPOINT)r);
  ::ClientToScreen(m_hWnd, ((LPPOINT)r) + 1);
}

void CWnd::ScreenToClient(LPRECT r) const {
  ::ScreenToClient(m_hWnd, (LPPOINT)r);
  ::ScreenToClient(m_hWnd, ((LPPOINT)r) + 1);
}

BOOL CWnd::SetWindowPos(const CWnd* pInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
  // The special insert-after values (wndTop, wndTopMost ...) are handles cast to pointers.
  HWND after = (HWND)(INT_PTR)pInsertAfter;
  if ((INT_PTR)pInsertAfter > 16 || (INT_PTR)pInsertAfter < -16) after = pInsertAfter->m_hWnd;
  return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, nFlags);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
  HWND owner = pAlternateOwner ? pAlternateOwner->m_hWnd
                               : ((GetStyle() & WS_CHILD) ? ::GetParent(m_hWnd) : ::GetWindow(m_hWnd, GW_OWNER));
  RECT area, me;
  ::GetWindowRect(m_hWnd, &me);
  if (GetStyle() & WS_CHILD) {
    ::GetClientRect(owner, &area);
  } else {
    MONITORINFO mi = {sizeof(mi)};
    ::GetMonitorInfo(::MonitorFromWindow(owner ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST), &mi);
    area = mi.rcWork;
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &area);
  }
  int w = me.right - me.left, h = me.bottom - me.top;
  int x = (area.left + area.right - w) / 2, y = (area.top + area.bottom - h) / 2;
  ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CWnd::MessageBox(LPCTSTR text, LPCTSTR caption, UINT type) {
  return AfxShowMessageBox(m_hWnd, text, caption ? caption : L"Error", type);
}

static AFX_MESSAGEBOX_HOOK g_messageBoxHook = nullptr;

AFX_MESSAGEBOX_HOOK AfxSetMessageBoxHook(AFX_MESSAGEBOX_HOOK hook) {
  return (AFX_MESSAGEBOX_HOOK)::InterlockedExchangePointer((PVOID*)&g_messageBoxHook, (PVOID)hook);
}

int AfxShowMessageBox(HWND hOwner, LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) {
  if (AFX_MESSAGEBOX_HOOK hook = g_messageBoxHook) return hook(hOwner, lpszText, lpszCaption, nType);
  return ::MessageBoxW(hOwner, lpszText, lpszCaption, nType);
}

static CString MessageBoxCaption() {
  // The executable's name without folder and extension, as the application's default name.
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  CString name(path);
  int slash = name.ReverseFind(L'\\');
  if (slash >= 0) name = name.Mid(slash + 1);
  int dot = name.ReverseFind(L'.');
  if (dot > 0) name = name.Left(dot);
  return name;
}

int AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT) {
  HWND owner = ::GetActiveWindow();
  if (owner) owner = ::GetLastActivePopup(owner);
  return AfxShowMessageBox(owner, lpszText, MessageBoxCaption(), nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
  int len = 0;
  const wchar_t* s = AfxFindStringResource(nIDPrompt, &len);
  CString text = s ? CString(s, len) : CString();
  return AfxMessageBox(text, nType, nIDHelp == (UINT)-1 ? nIDPrompt : nIDHelp);
}

void CWnd::DragAcceptFiles(BOOL bAccept) { ::DragAcceptFiles(m_hWnd, bAccept); }
