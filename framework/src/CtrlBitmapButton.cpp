// CBitmapButton: an owner-drawn button that shows one of its four bitmaps for its state.
#include "Framework.h"
#include "FxCtrl.h"

IMPLEMENT_DYNAMIC(CBitmapButton, CButton)

BOOL CBitmapButton::LoadBitmaps(LPCTSTR normal, LPCTSTR sel, LPCTSTR focus, LPCTSTR disabled) {
  m_bitmap.DeleteObject();
  m_bitmapSel.DeleteObject();
  m_bitmapFocus.DeleteObject();
  m_bitmapDisabled.DeleteObject();
  if (!m_bitmap.LoadBitmap(normal)) return FALSE;
  // The others are optional, but one named and missing is a fault worth reporting.
  BOOL ok = TRUE;
  if (sel && !m_bitmapSel.LoadBitmap(sel)) ok = FALSE;
  if (focus && !m_bitmapFocus.LoadBitmap(focus)) ok = FALSE;
  if (disabled && !m_bitmapDisabled.LoadBitmap(disabled)) ok = FALSE;
  return ok;
}

BOOL CBitmapButton::LoadBitmaps(UINT normal, UINT sel, UINT focus, UINT disabled) {
  return LoadBitmaps(MAKEINTRESOURCEW(normal), sel ? MAKEINTRESOURCEW(sel) : nullptr,
                     focus ? MAKEINTRESOURCEW(focus) : nullptr, disabled ? MAKEINTRESOURCEW(disabled) : nullptr);
}

BOOL CBitmapButton::AutoLoad(UINT nID, CWnd* pParent) {
  if (!SubclassDlgItem(nID, pParent)) return FALSE;
  CString caption;
  GetWindowText(caption);
  if (!LoadBitmaps(caption + L"U", caption + L"D", nullptr, nullptr)) return FALSE;
  // Focus and disabled pictures are used when the resources exist.
  m_bitmapFocus.LoadBitmap(caption + L"F");
  m_bitmapDisabled.LoadBitmap(caption + L"X");
  ModifyStyle(0x0F, BS_OWNERDRAW);
  SizeToContent();
  return TRUE;
}

void CBitmapButton::SizeToContent() {
  BITMAP bm = {};
  if (!m_bitmap.GetSafeHandle() || !m_bitmap.GetBitmap(&bm)) return;
  SetWindowPos(nullptr, 0, 0, bm.bmWidth, bm.bmHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CBitmapButton::DrawItem(LPDRAWITEMSTRUCT lpDIS) {
  CBitmap* pick = &m_bitmap;
  UINT state = lpDIS->itemState;
  if ((state & ODS_SELECTED) && m_bitmapSel.GetSafeHandle())
    pick = &m_bitmapSel;
  else if ((state & ODS_FOCUS) && m_bitmapFocus.GetSafeHandle())
    pick = &m_bitmapFocus;
  else if ((state & ODS_DISABLED) && m_bitmapDisabled.GetSafeHandle())
    pick = &m_bitmapDisabled;
  HBITMAP hbm = (HBITMAP)pick->GetSafeHandle();
  if (!hbm) return;
  HDC mem = ::CreateCompatibleDC(lpDIS->hDC);
  HGDIOBJ old = ::SelectObject(mem, hbm);
  const RECT& r = lpDIS->rcItem;
  ::BitBlt(lpDIS->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, mem, 0, 0, SRCCOPY);
  ::SelectObject(mem, old);
  ::DeleteDC(mem);
}
