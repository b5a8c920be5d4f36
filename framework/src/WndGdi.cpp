// CWnd's device-context, font and menu calls, answered with the GDI and menu layers' wrappers
// (temporary ones unless the handle is attached to an object elsewhere).
#include "Framework.h"
#include "FxWnd.h"
#include "FxGdi.h"
#include "FxMenu.h"

CDC* CWnd::GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }

CDC* CWnd::GetWindowDC() { return CDC::FromHandle(::GetWindowDC(m_hWnd)); }

int CWnd::ReleaseDC(CDC* pDC) { return pDC ? ::ReleaseDC(m_hWnd, pDC->GetSafeHdc()) : 0; }

void CWnd::SetFont(CFont* pFont, BOOL bRedraw) {
  ::SendMessageW(m_hWnd, WM_SETFONT, (WPARAM)(pFont ? pFont->GetSafeHandle() : nullptr), bRedraw);
}

CFont* CWnd::GetFont() const {
  HFONT h = (HFONT)::SendMessageW(m_hWnd, WM_GETFONT, 0, 0);
  return h ? CFont::FromHandle(h) : nullptr;
}

CMenu* CWnd::GetMenu() const {
  HMENU h = ::GetMenu(m_hWnd);
  return h ? CMenu::FromHandle(h) : nullptr;
}

BOOL CWnd::SetMenu(CMenu* pMenu) { return ::SetMenu(m_hWnd, pMenu ? pMenu->GetSafeHmenu() : nullptr); }

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const {
  HMENU h = ::GetSystemMenu(m_hWnd, bRevert);
  return h ? CMenu::FromHandle(h) : nullptr;
}
