// The platform's file and colour choosers behind CFileDialog and CColorDialog.
#include "Framework.h"
#include "FxDialog.h"
#include "FxThread.h"
#include <string>

IMPLEMENT_DYNAMIC(CCommonDialog, CDialog)
IMPLEMENT_DYNAMIC(CFileDialog, CCommonDialog)
IMPLEMENT_DYNAMIC(CColorDialog, CCommonDialog)

static AFX_COMMONDIALOG_HOOK g_commonDialogHook = nullptr;

AFX_COMMONDIALOG_HOOK AfxSetCommonDialogHook(AFX_COMMONDIALOG_HOOK hook) {
  return (AFX_COMMONDIALOG_HOOK)::InterlockedExchangePointer((PVOID*)&g_commonDialogHook, (PVOID)hook);
}

HWND CCommonDialog::OwnerForModal() {
  HWND start = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr;
  if (!start) {
    CWnd* main = AfxGetMainWnd();
    start = main ? main->GetSafeHwnd() : ::GetActiveWindow();
  }
  HWND top = start ? ::GetAncestor(start, GA_ROOT) : nullptr;
  return top ? ::GetLastActivePopup(top) : nullptr;
}

// ---------------------------------------------------------------------------------------------

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd, DWORD, BOOL)
    : CCommonDialog(pParentWnd), m_bOpenFileDialog(bOpenFileDialog) {
  m_ofn.lStructSize = sizeof(m_ofn);
  m_ofn.lpstrFile = m_szFileName;
  m_ofn.nMaxFile = MAX_PATH;
  m_ofn.lpstrFileTitle = m_szFileTitle;
  m_ofn.nMaxFileTitle = MAX_PATH;
  m_ofn.Flags = dwFlags | OFN_EXPLORER | OFN_ENABLESIZING;
  m_ofn.hInstance = AfxGetInstanceHandle();
  if (lpszDefExt) {
    // The platform wants the extension without its dot.
    m_strDefExt = lpszDefExt[0] == L'.' ? lpszDefExt + 1 : lpszDefExt;
    m_ofn.lpstrDefExt = m_strDefExt.GetString();
  }
  if (lpszFileName) lstrcpynW(m_szFileName, lpszFileName, MAX_PATH);
  if (lpszFilter && *lpszFilter) {
    // "Text|*.txt|All|*.*||" becomes NUL-separated with a double NUL at the end.
    std::wstring f(lpszFilter);
    for (wchar_t& c : f)
      if (c == L'|') c = 0;
    while (f.size() < 2 || f[f.size() - 1] != 0 || f[f.size() - 2] != 0) f.push_back(0);
    m_strFilter = CString(f.data(), (int)f.size());
    m_ofn.lpstrFilter = m_strFilter.GetString();
  }
}

INT_PTR CFileDialog::DoModal() {
  if (m_strDefExt.GetLength()) m_ofn.lpstrDefExt = m_strDefExt.GetString();
  if (m_strFilter.GetLength()) m_ofn.lpstrFilter = m_strFilter.GetString();
  if (AFX_COMMONDIALOG_HOOK hook = g_commonDialogHook) return hook(this);
  m_ofn.hwndOwner = OwnerForModal();
  BOOL ok = m_bOpenFileDialog ? ::GetOpenFileNameW(&m_ofn) : ::GetSaveFileNameW(&m_ofn);
  return ok ? IDOK : IDCANCEL;
}

POSITION CFileDialog::GetStartPosition() const {
  return (m_ofn.lpstrFile && m_ofn.lpstrFile[0]) ? (POSITION)m_ofn.lpstrFile : nullptr;
}

CString CFileDialog::GetNextPathName(POSITION& pos) const {
  LPCWSTR base = m_ofn.lpstrFile;
  LPCWSTR p = (LPCWSTR)pos;
  if (!p || !base) {
    pos = nullptr;
    return CString();
  }
  size_t firstLen = wcslen(base);
  // One chosen file (or no multiple selection): the buffer holds its full path.
  if (!(m_ofn.Flags & OFN_ALLOWMULTISELECT) || base[firstLen + 1] == 0) {
    pos = nullptr;
    return CString(base);
  }
  // Several: the folder, then each name, each ended by a NUL, the list by two.
  if (p == base) p = base + firstLen + 1;
  CString name(p);
  LPCWSTR next = p + wcslen(p) + 1;
  pos = *next ? (POSITION)next : nullptr;
  BOOL absolute = (name.GetLength() > 1 && name[1] == L':') || name.Left(2) == L"\\\\";
  if (absolute) return name;
  CString dir(base);
  if (dir.GetLength() && dir[dir.GetLength() - 1] != L'\\') dir += L'\\';
  return dir + name;
}

CString CFileDialog::GetPathName() const {
  POSITION pos = GetStartPosition();
  return pos ? GetNextPathName(pos) : CString();
}

CString CFileDialog::GetFileName() const {
  CString path = GetPathName();
  int slash = path.ReverseFind(L'\\');
  return slash >= 0 ? path.Mid(slash + 1) : path;
}

CString CFileDialog::GetFileExt() const {
  CString name = GetFileName();
  int dot = name.ReverseFind(L'.');
  return dot >= 0 ? name.Mid(dot + 1) : CString();
}

CString CFileDialog::GetFileTitle() const {
  CString name = GetFileName();
  int dot = name.ReverseFind(L'.');
  return dot >= 0 ? name.Left(dot) : name;
}

CString CFileDialog::GetFolderPath() const {
  CString path = GetPathName();
  int slash = path.ReverseFind(L'\\');
  return slash >= 0 ? path.Left(slash) : CString();
}

// ---------------------------------------------------------------------------------------------

COLORREF* CColorDialog::GetSavedCustomColors() {
  static COLORREF custom[16] = {RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
                                RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255)};
  return custom;
}

CColorDialog::CColorDialog(COLORREF clrInit, DWORD dwFlags, CWnd* pParentWnd) : CCommonDialog(pParentWnd) {
  m_cc.lStructSize = sizeof(m_cc);
  m_cc.lpCustColors = GetSavedCustomColors();
  m_cc.Flags = dwFlags;
  m_cc.rgbResult = clrInit;
  if (clrInit != 0) m_cc.Flags |= CC_RGBINIT;
}

INT_PTR CColorDialog::DoModal() {
  if (AFX_COMMONDIALOG_HOOK hook = g_commonDialogHook) return hook(this);
  m_cc.hwndOwner = OwnerForModal();
  return ::ChooseColorW(&m_cc) ? IDOK : IDCANCEL;
}
