// Dialog data exchange: the DDX_ transfers and DDV_ checks, and CWnd::UpdateData.
#include "Framework.h"
#include "FxDialog.h"
#include <cerrno>
#include <cwchar>

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  try {
    DoDataExchange(&dx);
  } catch (CUserException* e) {
    e->Delete();  // the user has been told already
    return FALSE;
  }
  return TRUE;
}

HWND CDataExchange::PrepareCtrl(int nIDC) {
  HWND h = ::GetDlgItem(m_pDlgWnd->GetSafeHwnd(), nIDC);
  ASSERT(h != nullptr);
  if (!h) AfxThrowNotSupportedException();  // a DDX_ for a control the template lacks
  m_hWndLastControl = h;
  m_bEditLastControl = FALSE;
  return h;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
  HWND h = PrepareCtrl(nIDC);
  m_bEditLastControl = TRUE;
  return h;
}

void CDataExchange::Fail() {
  if (m_bSaveAndValidate && m_hWndLastControl) {
    ::SetFocus(m_hWndLastControl);
    if (m_bEditLastControl) ::SendMessageW(m_hWndLastControl, EM_SETSEL, 0, -1);
  }
  AfxThrowUserException();
}

namespace {

CString TextOf(HWND h) {
  int n = ::GetWindowTextLengthW(h);
  CString s;
  LPTSTR buf = s.GetBufferSetLength(n);
  ::GetWindowTextW(h, buf, n + 1);
  s.ReleaseBuffer();
  return s;
}

void Complain(CDataExchange* pDX, LPCTSTR text) {
  AfxMessageBox(text, MB_ICONEXCLAMATION);
  pDX->Fail();
}

// Whole text as a number within [lo, hi]; FALSE for anything else (blank, letters, overflow).
BOOL ParseSigned(const CString& text, long long lo, long long hi, long long* out) {
  CString t = text;
  t.Trim();
  if (t.IsEmpty()) return FALSE;
  const wchar_t* s = t.GetString();
  wchar_t* end = nullptr;
  errno = 0;
  long long v = wcstoll(s, &end, 10);
  if (errno == ERANGE || *end != 0 || v < lo || v > hi) return FALSE;
  *out = v;
  return TRUE;
}

template <class T>
void TextNumber(CDataExchange* pDX, int nIDC, T& value, long long lo, long long hi, LPCTSTR complaint) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    long long v = 0;
    if (!ParseSigned(TextOf(h), lo, hi, &v)) Complain(pDX, complaint);
    value = (T)v;
  } else {
    CString s;
    if (lo < 0)
      s.Format(L"%lld", (long long)value);
    else
      s.Format(L"%llu", (unsigned long long)value);
    ::SetWindowTextW(h, s);
  }
}

}  // namespace

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate)
    value = TextOf(h);
  else
    ::SetWindowTextW(h, value);
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
  TextNumber(pDX, nIDC, value, INT_MIN, INT_MAX, L"Please enter an integer.");
}

void DDX_Text(CDataExchange* pDX, int nIDC, long& value) {
  TextNumber(pDX, nIDC, value, LONG_MIN, LONG_MAX, L"Please enter an integer.");
}

void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) {
  TextNumber(pDX, nIDC, value, 0, UINT_MAX, L"Please enter a positive integer.");
}

void DDX_Text(CDataExchange* pDX, int nIDC, DWORD& value) {
  TextNumber(pDX, nIDC, value, 0, 0xFFFFFFFFLL, L"Please enter a positive integer.");
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate)
    value = (int)::SendMessageW(h, BM_GETCHECK, 0, 0);
  else
    ::SendMessageW(h, BM_SETCHECK, (WPARAM)value, 0);
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) value = -1;
  // The group runs from nIDC to the next control that starts a group.
  int index = 0;
  for (HWND c = h; c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    if (c != h && (::GetWindowLongPtrW(c, GWL_STYLE) & WS_GROUP)) break;
    if (!(::SendMessageW(c, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)) continue;
    if (pDX->m_bSaveAndValidate) {
      if (::SendMessageW(c, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
    } else {
      ::SendMessageW(c, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    ++index;
  }
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate)
    index = (int)::SendMessageW(h, CB_GETCURSEL, 0, 0);
  else
    ::SendMessageW(h, CB_SETCURSEL, (WPARAM)index, 0);
}

void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    int sel = (int)::SendMessageW(h, CB_GETCURSEL, 0, 0);
    DWORD style = (DWORD)::GetWindowLongPtrW(h, GWL_STYLE);
    if ((style & 3) == CBS_DROPDOWNLIST && sel >= 0) {
      int n = (int)::SendMessageW(h, CB_GETLBTEXTLEN, sel, 0);
      LPTSTR buf = value.GetBufferSetLength(n);
      ::SendMessageW(h, CB_GETLBTEXT, sel, (LPARAM)buf);
      value.ReleaseBuffer();
    } else {
      value = TextOf(h);
    }
  } else if (::SendMessageW(h, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)value.GetString()) == CB_ERR) {
    ::SetWindowTextW(h, value);  // an editable box shows text that is not in its list
  }
}

void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate)
    index = (int)::SendMessageW(h, LB_GETCURSEL, 0, 0);
  else
    ::SendMessageW(h, LB_SETCURSEL, (WPARAM)index, 0);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (rControl.m_hWnd) return;  // bound by an earlier pass
  HWND h = pDX->PrepareCtrl(nIDC);
  VERIFY(rControl.SubclassWindow(h));
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) {
  if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
  CString text;
  text.Format(L"Please enter an integer between %d and %d.", minVal, maxVal);
  Complain(pDX, text);
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal) {
  if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal)) return;
  CString text;
  text.Format(L"Please enter a positive integer between %u and %u.", minVal, maxVal);
  Complain(pDX, text);
}

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars) {
  if (!pDX->m_bSaveAndValidate) {
    // Loading: the edit refuses longer input from now on.
    if (pDX->m_hWndLastControl && pDX->m_bEditLastControl)
      ::SendMessageW(pDX->m_hWndLastControl, EM_LIMITTEXT, nChars, 0);
    return;
  }
  if (value.GetLength() <= nChars) return;
  CString text;
  text.Format(L"Enter no more than %d characters.", nChars);
  Complain(pDX, text);
}
