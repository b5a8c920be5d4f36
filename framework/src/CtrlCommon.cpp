// The common controls and the rich edit control: creation and the calls that need more than
// one message.
#include "Framework.h"
#include "FxCtrlCommon.h"

IMPLEMENT_DYNAMIC(CListCtrl, CWnd)
IMPLEMENT_DYNAMIC(CTreeCtrl, CWnd)
IMPLEMENT_DYNAMIC(CTabCtrl, CWnd)
IMPLEMENT_DYNAMIC(CToolTipCtrl, CWnd)
IMPLEMENT_DYNAMIC(CProgressCtrl, CWnd)
IMPLEMENT_DYNAMIC(CSpinButtonCtrl, CWnd)
IMPLEMENT_DYNAMIC(CDateTimeCtrl, CWnd)
IMPLEMENT_DYNAMIC(CMonthCalCtrl, CWnd)
IMPLEMENT_DYNAMIC(CRichEditCtrl, CWnd)

namespace {
// The common-control classes are registered once per process before the first is created.
void InitCommonControls(DWORD classes) {
  INITCOMMONCONTROLSEX icc = {sizeof(icc), classes};
  ::InitCommonControlsEx(&icc);
}

// Reads a text through a getter that fills a buffer, growing it until the text fits.
template <class Fill>
CString GrowRead(Fill fill) {
  for (int size = 256;; size *= 4) {
    CString s;
    LPTSTR buf = s.GetBufferSetLength(size);
    buf[0] = 0;
    int n = fill(buf, size);
    if (n < size - 1 || size >= (1 << 24)) {
      s.ReleaseBuffer();
      return s;
    }
  }
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// CListCtrl

BOOL CListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  InitCommonControls(ICC_LISTVIEW_CLASSES);
  return CWnd::Create(WC_LISTVIEWW, nullptr, dwStyle, rect, pParentWnd, nID);
}

int CListCtrl::InsertColumn(int nCol, LPCTSTR heading, int nFormat, int nWidth, int nSubItem) {
  LVCOLUMNW col = {};
  col.mask = LVCF_FMT | LVCF_TEXT;
  col.fmt = nFormat;
  col.pszText = const_cast<LPTSTR>(heading);
  if (nWidth != -1) {
    col.mask |= LVCF_WIDTH;
    col.cx = nWidth;
  }
  if (nSubItem != -1) {
    col.mask |= LVCF_SUBITEM;
    col.iSubItem = nSubItem;
  }
  return InsertColumn(nCol, &col);
}

int CListCtrl::InsertItem(UINT nMask, int nItem, LPCTSTR text, UINT nState, UINT nStateMask, int nImage, LPARAM lParam) {
  LVITEMW item = {};
  item.mask = nMask;
  item.iItem = nItem;
  item.pszText = const_cast<LPTSTR>(text);
  item.state = nState;
  item.stateMask = nStateMask;
  item.iImage = nImage;
  item.lParam = lParam;
  return InsertItem(&item);
}

int CListCtrl::GetItemText(int nItem, int nSubItem, LPTSTR buf, int nLen) const {
  LVITEMW item = {};
  item.iSubItem = nSubItem;
  item.pszText = buf;
  item.cchTextMax = nLen;
  return (int)SendMessage(LVM_GETITEMTEXTW, nItem, (LPARAM)&item);
}

CString CListCtrl::GetItemText(int nItem, int nSubItem) const {
  return GrowRead([&](LPTSTR buf, int size) { return GetItemText(nItem, nSubItem, buf, size); });
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, LPCTSTR text) {
  LVITEMW item = {};
  item.iSubItem = nSubItem;
  item.pszText = const_cast<LPTSTR>(text);
  return (BOOL)SendMessage(LVM_SETITEMTEXTW, nItem, (LPARAM)&item);
}

DWORD_PTR CListCtrl::GetItemData(int nItem) const {
  LVITEMW item = {};
  item.mask = LVIF_PARAM;
  item.iItem = nItem;
  return GetItem(&item) ? (DWORD_PTR)item.lParam : 0;
}

BOOL CListCtrl::SetItemData(int nItem, DWORD_PTR data) {
  LVITEMW item = {};
  item.mask = LVIF_PARAM;
  item.iItem = nItem;
  item.lParam = (LPARAM)data;
  return SetItem(&item);
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
  LVITEMW item = {};
  item.state = nState;
  item.stateMask = nMask;
  return (BOOL)SendMessage(LVM_SETITEMSTATE, nItem, (LPARAM)&item);
}

POSITION CListCtrl::GetFirstSelectedItemPosition() const {
  int first = GetNextItem(-1, LVNI_SELECTED);
  return (POSITION)(INT_PTR)(first + 1);
}

int CListCtrl::GetNextSelectedItem(POSITION& pos) const {
  int item = (int)(INT_PTR)pos - 1;
  int next = GetNextItem(item, LVNI_SELECTED);
  pos = (POSITION)(INT_PTR)(next + 1);
  return item;
}

BOOL CListCtrl::GetItemRect(int nItem, LPRECT r, UINT nCode) const {
  r->left = (LONG)nCode;
  return (BOOL)SendMessage(LVM_GETITEMRECT, nItem, (LPARAM)r);
}

BOOL CListCtrl::GetSubItemRect(int nItem, int nSubItem, int nArea, CRect& r) const {
  r.top = nSubItem;
  r.left = nArea;
  return (BOOL)SendMessage(LVM_GETSUBITEMRECT, nItem, (LPARAM)(LPRECT)r);
}

int CListCtrl::HitTest(CPoint pt, UINT* pFlags) const {
  LVHITTESTINFO info = {};
  info.pt = pt;
  int r = HitTest(&info);
  if (pFlags) *pFlags = info.flags;
  return r;
}

CImageList* CListCtrl::SetImageList(CImageList* pImageList, int nImageListType) {
  return CImageList::FromHandle(
      (HIMAGELIST)SendMessage(LVM_SETIMAGELIST, nImageListType, (LPARAM)pImageList->GetSafeHandle()));
}

BOOL CListCtrl::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (message != WM_DRAWITEM) return CWnd::OnChildNotify(message, wParam, lParam, pResult);
  DrawItem((LPDRAWITEMSTRUCT)lParam);
  if (pResult) *pResult = TRUE;
  return TRUE;
}

// ---------------------------------------------------------------------------------------------
// CTreeCtrl

BOOL CTreeCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  InitCommonControls(ICC_TREEVIEW_CLASSES);
  return CWnd::Create(WC_TREEVIEWW, nullptr, dwStyle, rect, pParentWnd, nID);
}

HTREEITEM CTreeCtrl::InsertItem(UINT nMask, LPCTSTR text, int nImage, int nSelectedImage, UINT nState,
                                UINT nStateMask, LPARAM lParam, HTREEITEM hParent, HTREEITEM hInsertAfter) {
  TVINSERTSTRUCTW tvis = {};
  tvis.hParent = hParent;
  tvis.hInsertAfter = hInsertAfter;
  tvis.item.mask = nMask;
  tvis.item.pszText = const_cast<LPTSTR>(text);
  tvis.item.iImage = nImage;
  tvis.item.iSelectedImage = nSelectedImage;
  tvis.item.state = nState;
  tvis.item.stateMask = nStateMask;
  tvis.item.lParam = lParam;
  return InsertItem(&tvis);
}

BOOL CTreeCtrl::ItemHasChildren(HTREEITEM h) const {
  TVITEMW item = {};
  item.mask = TVIF_CHILDREN | TVIF_HANDLE;
  item.hItem = h;
  return GetItem(&item) && item.cChildren != 0;
}

CString CTreeCtrl::GetItemText(HTREEITEM h) const {
  return GrowRead([&](LPTSTR buf, int size) {
    TVITEMW item = {};
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = h;
    item.pszText = buf;
    item.cchTextMax = size;
    if (!GetItem(&item)) return 0;
    return (int)wcslen(buf);
  });
}

BOOL CTreeCtrl::SetItemText(HTREEITEM h, LPCTSTR text) {
  TVITEMW item = {};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = h;
  item.pszText = const_cast<LPTSTR>(text);
  return SetItem(&item);
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM h) const {
  TVITEMW item = {};
  item.mask = TVIF_PARAM | TVIF_HANDLE;
  item.hItem = h;
  return GetItem(&item) ? (DWORD_PTR)item.lParam : 0;
}

BOOL CTreeCtrl::SetItemData(HTREEITEM h, DWORD_PTR data) {
  TVITEMW item = {};
  item.mask = TVIF_PARAM | TVIF_HANDLE;
  item.hItem = h;
  item.lParam = (LPARAM)data;
  return SetItem(&item);
}

BOOL CTreeCtrl::SetItemState(HTREEITEM h, UINT nState, UINT nStateMask) {
  TVITEMW item = {};
  item.mask = TVIF_STATE | TVIF_HANDLE;
  item.hItem = h;
  item.state = nState;
  item.stateMask = nStateMask;
  return SetItem(&item);
}

BOOL CTreeCtrl::GetItemImage(HTREEITEM h, int& nImage, int& nSelectedImage) const {
  TVITEMW item = {};
  item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
  item.hItem = h;
  if (!GetItem(&item)) return FALSE;
  nImage = item.iImage;
  nSelectedImage = item.iSelectedImage;
  return TRUE;
}

BOOL CTreeCtrl::SetItemImage(HTREEITEM h, int nImage, int nSelectedImage) {
  TVITEMW item = {};
  item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
  item.hItem = h;
  item.iImage = nImage;
  item.iSelectedImage = nSelectedImage;
  return SetItem(&item);
}

BOOL CTreeCtrl::GetItemRect(HTREEITEM h, LPRECT r, BOOL bTextOnly) const {
  *(HTREEITEM*)r = h;  // the message takes the item in the rectangle's first bytes
  return (BOOL)SendMessage(TVM_GETITEMRECT, bTextOnly, (LPARAM)r);
}

HTREEITEM CTreeCtrl::HitTest(CPoint pt, UINT* pFlags) const {
  TVHITTESTINFO info = {};
  info.pt = pt;
  HTREEITEM h = HitTest(&info);
  if (pFlags) *pFlags = info.flags;
  return h;
}

CImageList* CTreeCtrl::SetImageList(CImageList* pImageList, int nImageListType) {
  return CImageList::FromHandle(
      (HIMAGELIST)SendMessage(TVM_SETIMAGELIST, nImageListType, (LPARAM)pImageList->GetSafeHandle()));
}

CImageList* CTreeCtrl::CreateDragImage(HTREEITEM h) {
  HIMAGELIST hil = (HIMAGELIST)SendMessage(TVM_CREATEDRAGIMAGE, 0, (LPARAM)h);
  if (!hil) return nullptr;
  CImageList* list = new CImageList;
  list->Attach(hil);
  return list;
}

// ---------------------------------------------------------------------------------------------
// CTabCtrl

BOOL CTabCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  InitCommonControls(ICC_TAB_CLASSES);
  return CWnd::Create(WC_TABCONTROLW, nullptr, dwStyle, rect, pParentWnd, nID);
}

LONG CTabCtrl::InsertItem(int nItem, LPCTSTR text, int nImage) {
  TCITEMW item = {};
  item.mask = TCIF_TEXT | (nImage >= 0 ? TCIF_IMAGE : 0);
  item.pszText = const_cast<LPTSTR>(text);
  item.iImage = nImage;
  return InsertItem(nItem, &item);
}

BOOL CTabCtrl::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (message != WM_DRAWITEM) return CWnd::OnChildNotify(message, wParam, lParam, pResult);
  DrawItem((LPDRAWITEMSTRUCT)lParam);
  if (pResult) *pResult = TRUE;
  return TRUE;
}

// ---------------------------------------------------------------------------------------------
// CToolTipCtrl

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle) {
  InitCommonControls(ICC_BAR_CLASSES);
  BOOL ok = CWnd::CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | dwStyle, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, pParentWnd->GetSafeHwnd(), nullptr);
  if (ok) SetWindowPos((const CWnd*)HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return ok;
}

void CToolTipCtrl::FillInToolInfo(TOOLINFO& ti, CWnd* pWnd, UINT_PTR nIDTool) const {
  ZeroMemory(&ti, sizeof(ti));
  ti.cbSize = sizeof(ti);
  HWND hWnd = pWnd->GetSafeHwnd();
  if (nIDTool == 0) {
    // The whole window is the tool: it is named by its handle.
    ti.hwnd = ::GetParent(hWnd);
    ti.uFlags = TTF_IDISHWND;
    ti.uId = (UINT_PTR)hWnd;
  } else {
    ti.hwnd = hWnd;
    ti.uId = nIDTool;
  }
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, LPCTSTR lpszText, LPCRECT lpRectTool, UINT_PTR nIDTool) {
  TOOLINFO ti;
  FillInToolInfo(ti, pWnd, nIDTool);
  if (lpRectTool) ti.rect = *lpRectTool;
  if (nIDTool == 0 && !lpRectTool) ti.uFlags |= TTF_SUBCLASS;
  else if (nIDTool == 0) {
    // A rectangle of the window itself.
    ti.hwnd = pWnd->GetSafeHwnd();
    ti.uFlags = 0;
    ti.uId = 0;
  }
  ti.hinst = AfxGetResourceHandle();
  ti.lpszText = const_cast<LPTSTR>(lpszText);
  return (BOOL)SendMessage(TTM_ADDTOOLW, 0, (LPARAM)&ti);
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, UINT nIDText, LPCRECT lpRectTool, UINT_PTR nIDTool) {
  int len = 0;
  const wchar_t* s = AfxFindStringResource(nIDText, &len);
  CString text = s ? CString(s, len) : CString();
  return AddTool(pWnd, text, lpRectTool, nIDTool);
}

void CToolTipCtrl::DelTool(CWnd* pWnd, UINT_PTR nIDTool) {
  TOOLINFO ti;
  FillInToolInfo(ti, pWnd, nIDTool);
  SendMessage(TTM_DELTOOLW, 0, (LPARAM)&ti);
}

void CToolTipCtrl::UpdateTipText(LPCTSTR lpszText, CWnd* pWnd, UINT_PTR nIDTool) {
  TOOLINFO ti;
  FillInToolInfo(ti, pWnd, nIDTool);
  ti.hinst = AfxGetResourceHandle();
  ti.lpszText = const_cast<LPTSTR>(lpszText);
  SendMessage(TTM_UPDATETIPTEXTW, 0, (LPARAM)&ti);
}

void CToolTipCtrl::SetToolRect(CWnd* pWnd, UINT_PTR nIDTool, LPCRECT lpRect) {
  TOOLINFO ti;
  FillInToolInfo(ti, pWnd, nIDTool);
  ti.rect = *lpRect;
  SendMessage(TTM_NEWTOOLRECTW, 0, (LPARAM)&ti);
}

void CToolTipCtrl::GetText(CString& str, CWnd* pWnd, UINT_PTR nIDTool) const {
  TOOLINFO ti;
  FillInToolInfo(ti, pWnd, nIDTool);
  str = GrowRead([&](LPTSTR buf, int size) {
    ti.lpszText = buf;
    SendMessage(TTM_GETTEXTW, size, (LPARAM)&ti);
    return (int)wcslen(buf);
  });
}

void CToolTipCtrl::TrackActivate(CWnd* pWnd, UINT_PTR nIDTool, BOOL bActivate) {
  TOOLINFO ti;
  FillInToolInfo(ti, pWnd, nIDTool);
  SendMessage(TTM_TRACKACTIVATE, bActivate, (LPARAM)&ti);
}

// ---------------------------------------------------------------------------------------------
// Small controls

BOOL CProgressCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  InitCommonControls(ICC_PROGRESS_CLASS);
  return CWnd::Create(PROGRESS_CLASSW, nullptr, dwStyle, rect, pParentWnd, nID);
}

void CProgressCtrl::GetRange(int& nLower, int& nUpper) const {
  PBRANGE r = {};
  SendMessage(PBM_GETRANGE, FALSE, (LPARAM)&r);
  nLower = r.iLow;
  nUpper = r.iHigh;
}

BOOL CSpinButtonCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  InitCommonControls(ICC_UPDOWN_CLASS);
  return CWnd::Create(UPDOWN_CLASSW, nullptr, dwStyle, rect, pParentWnd, nID);
}

BOOL CDateTimeCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  InitCommonControls(ICC_DATE_CLASSES);
  return CWnd::Create(DATETIMEPICK_CLASSW, nullptr, dwStyle, rect, pParentWnd, nID);
}

BOOL CDateTimeCtrl::SetTime(const CTime& t) {
  SYSTEMTIME st = {};
  t.GetAsSystemTime(st);
  return SetTime(&st);
}

DWORD CDateTimeCtrl::GetTime(CTime& t) const {
  SYSTEMTIME st = {};
  DWORD r = GetTime(&st);
  if (r == GDT_VALID) t = CTime(st);
  return r;
}

BOOL CDateTimeCtrl::SetRange(const SYSTEMTIME* pMin, const SYSTEMTIME* pMax) {
  SYSTEMTIME both[2] = {};
  DWORD flags = 0;
  if (pMin) { both[0] = *pMin; flags |= GDTR_MIN; }
  if (pMax) { both[1] = *pMax; flags |= GDTR_MAX; }
  return (BOOL)SendMessage(DTM_SETRANGE, flags, (LPARAM)both);
}

BOOL CMonthCalCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  InitCommonControls(ICC_DATE_CLASSES);
  return CWnd::Create(MONTHCAL_CLASSW, nullptr, dwStyle, rect, pParentWnd, nID);
}

BOOL CMonthCalCtrl::SetRange(const SYSTEMTIME* pMin, const SYSTEMTIME* pMax) {
  SYSTEMTIME both[2] = {};
  DWORD flags = 0;
  if (pMin) { both[0] = *pMin; flags |= GDTR_MIN; }
  if (pMax) { both[1] = *pMax; flags |= GDTR_MAX; }
  return (BOOL)SendMessage(MCM_SETRANGE, flags, (LPARAM)both);
}

// ---------------------------------------------------------------------------------------------
// CRichEditCtrl

BOOL AfxInitRichEdit2() {
  static const HMODULE lib = ::LoadLibraryW(L"riched20.dll");
  return lib != nullptr;
}

LPCTSTR CRichEditCtrl::ClassName() {
  // Version 4.1 (msftedit) when present, else version 2/3 (riched20).
  static LPCTSTR name = [] {
    if (::LoadLibraryW(L"msftedit.dll")) return (LPCTSTR)L"RICHEDIT50W";
    ::LoadLibraryW(L"riched20.dll");
    return (LPCTSTR)RICHEDIT_CLASSW;
  }();
  return name;
}

BOOL CRichEditCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(ClassName(), nullptr, dwStyle, rect, pParentWnd, nID);
}

void CRichEditCtrl::GetSel(long& nStart, long& nEnd) const {
  CHARRANGE cr = {};
  SendMessage(EM_EXGETSEL, 0, (LPARAM)&cr);
  nStart = cr.cpMin;
  nEnd = cr.cpMax;
}

CString CRichEditCtrl::GetSelText() const {
  long start = 0, end = 0;
  GetSel(start, end);
  if (end <= start) return CString();
  CString s;
  LPTSTR buf = s.GetBufferSetLength(end - start + 1);
  long n = (long)SendMessage(EM_GETSELTEXT, 0, (LPARAM)buf);
  s.ReleaseBuffer(n);
  return s;
}

CPoint CRichEditCtrl::GetCharPos(long lChar) const {
  POINTL pt = {};
  SendMessage(EM_POSFROMCHAR, (WPARAM)&pt, lChar);
  return CPoint((int)pt.x, (int)pt.y);
}
