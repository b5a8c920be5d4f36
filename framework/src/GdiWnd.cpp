// The parts of the GDI and menu wrappers that need windows: window DCs, popup menus, and the
// hooks through which the window layer wraps HDC and HMENU arguments and frees temporaries.
#include "FxGdi.h"
#include "FxMenu.h"
#include "FxWnd.h"

int g_fxGdiWindowHooks = 1;

namespace {

struct RegisterWithWindowLayer {
  RegisterWithWindowLayer() {
    AfxHandleWrappers().pfnDC = [](HDC h) { return CDC::FromHandle(h); };
    AfxHandleWrappers().pfnMenu = [](HMENU h) { return CMenu::FromHandle(h); };
    AfxAddTempMapCleanup(AfxDeleteTempGdiMaps);
    AfxAddTempMapCleanup([] { CMenu::DeleteTempMap(); });
  }
} s_register;

}  // namespace

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(wnd->GetSafeHwnd()) {
  if (!Attach(::BeginPaint(m_hWnd, &m_ps))) AfxThrowResourceException();
}

CClientDC::CClientDC(CWnd* wnd) : m_hWnd(wnd->GetSafeHwnd()) {
  if (!Attach(::GetDC(m_hWnd))) AfxThrowResourceException();
}

CWindowDC::CWindowDC(CWnd* wnd) : m_hWnd(wnd->GetSafeHwnd()) {
  if (!Attach(::GetWindowDC(m_hWnd))) AfxThrowResourceException();
}

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT rect) {
  return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner->GetSafeHwnd(), rect);
}

BOOL CMenu::TrackPopupMenuEx(UINT flags, int x, int y, CWnd* owner, LPTPMPARAMS params) {
  return ::TrackPopupMenuEx(m_hMenu, flags, x, y, owner->GetSafeHwnd(), params);
}
