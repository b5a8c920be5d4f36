// The window layer's part of the thread's message loop. The loop itself walks a message from
// its window up to its top-level window (AfxPreTranslateMessage); the window layer adds the
// main window's turn for messages of other top-level windows, as their accelerators live there.
#include "Framework.h"
#include "FxWnd.h"
#include "FxThread.h"

namespace {

BOOL PreTranslate(CWinThread* thread, MSG* msg) {
  if (!msg->hwnd) return FALSE;
  if (AfxPreTranslateMessage(msg)) return TRUE;
  // A message for another top-level window (a modeless dialog, a tool window) is still
  // offered to the main window.
  CWnd* main = thread->GetMainWnd();
  HWND hMain = main ? main->GetSafeHwnd() : nullptr;
  if (hMain && ::GetAncestor(msg->hwnd, GA_ROOT) != hMain) return main->PreTranslateMessage(msg);
  return FALSE;
}

}  // namespace

// Called when the module loads and again whenever a window is created: in the static build an
// object file nothing refers to would not be linked, and its load-time installer with it.
void AfxInstallWindowLayerHooks() { AfxGetThreadHooks().preTranslateMessage = &PreTranslate; }

static struct InstallAtLoad {
  InstallAtLoad() { AfxInstallWindowLayerHooks(); }
} s_installAtLoad;
