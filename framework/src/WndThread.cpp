// What the thread's message loop asks of the window layer (through AfxGetThreadHooks): the
// PreTranslateMessage walk, idle-time command-state updates with the release of temporary
// wrappers, and the main window's end when the application fails to start.
#include "Framework.h"
#include "FxWnd.h"
#include "FxThread.h"

namespace {

BOOL PreTranslate(CWinThread* thread, MSG* msg) {
  if (!msg->hwnd) return FALSE;
  if (AfxPreTranslateMessage(msg)) return TRUE;
  // A message for another top-level window (a modeless dialog, a tool window) is still
  // offered to the main window, whose accelerators apply there too.
  CWnd* main = thread->GetMainWnd();
  HWND hMain = main ? main->GetSafeHwnd() : nullptr;
  if (hMain && ::GetAncestor(msg->hwnd, GA_ROOT) != hMain) return main->PreTranslateMessage(msg);
  return FALSE;
}

BOOL Idle(CWinThread* thread, LONG count) {
  if (count <= 0) {
    // First round: tool bars, status bars and dialog bars bring their buttons up to date.
    CWnd* main = thread->GetMainWnd();
    HWND h = main ? main->GetSafeHwnd() : nullptr;
    if (h && ::IsWindowVisible(h)) {
      AfxCallWndProc(main, h, WM_IDLEUPDATECMDUI, TRUE, 0);
      main->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE, TRUE);
    }
    return TRUE;  // one more round: the temporaries
  }
  if (count == 1) AfxDeleteTempMaps();
  return FALSE;
}

void DestroyMainWnd(CWinThread* thread) {
  CWnd* main = thread->m_pMainWnd;
  if (main && main->GetSafeHwnd()) main->DestroyWindow();
}

}  // namespace

// Called when the module loads and again whenever a window is created: in the static build an
// object file nothing refers to would not be linked, and its load-time installer with it.
void AfxInstallWindowLayerHooks() {
  AFX_THREAD_HOOKS& hooks = AfxGetThreadHooks();
  hooks.preTranslateMessage = &PreTranslate;
  hooks.onIdle = &Idle;
  hooks.destroyMainWnd = &DestroyMainWnd;
}

static struct InstallAtLoad {
  InstallAtLoad() { AfxInstallWindowLayerHooks(); }
} s_installAtLoad;
