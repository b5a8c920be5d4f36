// The standard controls: creation by class name, text getters, owner-draw reflection.
#include "Framework.h"
#include "FxCtrl.h"

IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CListBox, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CScrollBar, CWnd)

BOOL CStatic::Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(L"STATIC", lpszText, dwStyle, rect, pParentWnd, nID);
}

BOOL CButton::Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(L"BUTTON", lpszCaption, dwStyle, rect, pParentWnd, nID);
}

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(L"EDIT", nullptr, dwStyle, rect, pParentWnd, nID);
}

BOOL CListBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(L"LISTBOX", nullptr, dwStyle, rect, pParentWnd, nID);
}

BOOL CComboBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(L"COMBOBOX", nullptr, dwStyle, rect, pParentWnd, nID);
}

BOOL CScrollBar::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(L"SCROLLBAR", nullptr, dwStyle, rect, pParentWnd, nID);
}

// Owner-draw messages the parent reflected: the control draws (measures, compares) itself.
BOOL CStatic::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (message != WM_DRAWITEM) return CWnd::OnChildNotify(message, wParam, lParam, pResult);
  DrawItem((LPDRAWITEMSTRUCT)lParam);
  if (pResult) *pResult = TRUE;
  return TRUE;
}

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (message != WM_DRAWITEM) return CWnd::OnChildNotify(message, wParam, lParam, pResult);
  DrawItem((LPDRAWITEMSTRUCT)lParam);
  if (pResult) *pResult = TRUE;
  return TRUE;
}

namespace {
template <class T>
BOOL OwnerDrawNotify(T* ctl, UINT message, LPARAM lParam, LRESULT* pResult, BOOL* handled) {
  *handled = TRUE;
  LRESULT r = TRUE;
  switch (message) {
    case WM_DRAWITEM: ctl->DrawItem((LPDRAWITEMSTRUCT)lParam); break;
    case WM_MEASUREITEM: ctl->MeasureItem((LPMEASUREITEMSTRUCT)lParam); break;
    case WM_COMPAREITEM: r = ctl->CompareItem((LPCOMPAREITEMSTRUCT)lParam); break;
    case WM_DELETEITEM: ctl->DeleteItem((LPDELETEITEMSTRUCT)lParam); break;
    default: *handled = FALSE; return FALSE;
  }
  if (pResult) *pResult = r;
  return TRUE;
}
}  // namespace

BOOL CListBox::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  BOOL handled;
  OwnerDrawNotify(this, message, lParam, pResult, &handled);
  return handled ? TRUE : CWnd::OnChildNotify(message, wParam, lParam, pResult);
}

BOOL CComboBox::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  BOOL handled;
  OwnerDrawNotify(this, message, lParam, pResult, &handled);
  return handled ? TRUE : CWnd::OnChildNotify(message, wParam, lParam, pResult);
}

int CEdit::GetLine(int nIndex, LPTSTR lpszBuffer, int nMaxLength) const {
  if (nMaxLength <= 0) return 0;
  *(WORD*)lpszBuffer = (WORD)nMaxLength;  // EM_GETLINE reads the buffer size from its first word
  int n = (int)SendMessage(EM_GETLINE, nIndex, (LPARAM)lpszBuffer);
  if (n < nMaxLength) lpszBuffer[n] = 0;
  return n;
}

CPoint CEdit::PosFromChar(UINT nChar) const {
  LRESULT r = SendMessage(EM_POSFROMCHAR, nChar, 0);
  return CPoint((short)LOWORD(r), (short)HIWORD(r));
}

void CListBox::GetText(int nIndex, CString& s) const {
  int n = GetTextLen(nIndex);
  if (n == LB_ERR) {
    s.Empty();
    return;
  }
  LPTSTR buf = s.GetBufferSetLength(n);
  SendMessage(LB_GETTEXT, nIndex, (LPARAM)buf);
  s.ReleaseBuffer(n);
}

UINT CListBox::ItemFromPoint(CPoint pt, BOOL& bOutside) const {
  DWORD r = (DWORD)SendMessage(LB_ITEMFROMPOINT, 0, MAKELPARAM(pt.x, pt.y));
  bOutside = HIWORD(r) != 0;
  return LOWORD(r);
}

void CComboBox::GetLBText(int nIndex, CString& s) const {
  int n = GetLBTextLen(nIndex);
  if (n == CB_ERR) {
    s.Empty();
    return;
  }
  LPTSTR buf = s.GetBufferSetLength(n);
  SendMessage(CB_GETLBTEXT, nIndex, (LPARAM)buf);
  s.ReleaseBuffer(n);
}

int CScrollBar::GetScrollLimit() {
  SCROLLINFO si = {};
  GetScrollInfo(&si, SIF_RANGE | SIF_PAGE);
  int limit = si.nMax - (si.nPage ? (int)si.nPage - 1 : 0);
  return limit < si.nMin ? si.nMin : limit;
}
