// Wrappers of the standard controls: CStatic, CButton, CBitmapButton, CEdit, CListBox,
// CComboBox, CScrollBar. Each is a CWnd over the platform's control with its messages as
// methods. None adds data (except CBitmapButton), so a temporary CWnd of such a control may be
// used through the wrapper's type. Owner-drawn ones get their WM_DRAWITEM (and the other
// owner-draw messages) reflected from the parent into the virtuals below.
#pragma once
#include "FxWnd.h"
#include "FxGdi.h"

class CStatic : public CWnd {
  DECLARE_DYNAMIC(CStatic)
 public:
  virtual BOOL Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xFFFF);
  HBITMAP SetBitmap(HBITMAP h) { return (HBITMAP)SendMessage(STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)h); }
  HBITMAP GetBitmap() const { return (HBITMAP)SendMessage(STM_GETIMAGE, IMAGE_BITMAP, 0); }
  HICON SetIcon(HICON h) { return (HICON)SendMessage(STM_SETICON, (WPARAM)h, 0); }
  HICON GetIcon() const { return (HICON)SendMessage(STM_GETICON, 0, 0); }
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}  // SS_OWNERDRAW
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CButton : public CWnd {
  DECLARE_DYNAMIC(CButton)
 public:
  virtual BOOL Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  UINT GetState() const { return (UINT)SendMessage(BM_GETSTATE, 0, 0); }
  void SetState(BOOL bHighlight) { SendMessage(BM_SETSTATE, bHighlight, 0); }
  int GetCheck() const { return (int)SendMessage(BM_GETCHECK, 0, 0); }
  void SetCheck(int nCheck) { SendMessage(BM_SETCHECK, nCheck, 0); }
  UINT GetButtonStyle() const { return (UINT)GetStyle() & 0xFFFF; }
  void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE) { SendMessage(BM_SETSTYLE, nStyle, bRedraw); }
  HBITMAP SetBitmap(HBITMAP h) { return (HBITMAP)SendMessage(BM_SETIMAGE, IMAGE_BITMAP, (LPARAM)h); }
  HBITMAP GetBitmap() const { return (HBITMAP)SendMessage(BM_GETIMAGE, IMAGE_BITMAP, 0); }
  HICON SetIcon(HICON h) { return (HICON)SendMessage(BM_SETIMAGE, IMAGE_ICON, (LPARAM)h); }
  HICON GetIcon() const { return (HICON)SendMessage(BM_GETIMAGE, IMAGE_ICON, 0); }
  void Click() { SendMessage(BM_CLICK, 0, 0); }
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}  // BS_OWNERDRAW
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

// An owner-drawn button showing one of four bitmaps: normal, selected (pressed), focused and
// disabled; only the first is required.
class CBitmapButton : public CButton {
  DECLARE_DYNAMIC(CBitmapButton)
 public:
  CBitmap m_bitmap;
  CBitmap m_bitmapSel;
  CBitmap m_bitmapFocus;
  CBitmap m_bitmapDisabled;

  BOOL LoadBitmaps(LPCTSTR lpszBitmapResource, LPCTSTR lpszBitmapResourceSel = nullptr,
                   LPCTSTR lpszBitmapResourceFocus = nullptr, LPCTSTR lpszBitmapResourceDisabled = nullptr);
  BOOL LoadBitmaps(UINT nIDBitmapResource, UINT nIDBitmapResourceSel = 0, UINT nIDBitmapResourceFocus = 0,
                   UINT nIDBitmapResourceDisabled = 0);
  // Binds the dialog's button nID (owner-drawn from now on) and loads the bitmaps named after the
  // button's caption + "U", "D", "F", "X".
  BOOL AutoLoad(UINT nID, CWnd* pParent);
  void SizeToContent();  // the window takes the size of the normal bitmap
  void DrawItem(LPDRAWITEMSTRUCT lpDIS) override;
};

class CEdit : public CWnd {
  DECLARE_DYNAMIC(CEdit)
 public:
  virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  void SetSel(int nStart, int nEnd, BOOL bNoScroll = FALSE) {
    SendMessage(EM_SETSEL, nStart, nEnd);
    if (!bNoScroll) SendMessage(EM_SCROLLCARET, 0, 0);
  }
  void SetSel(DWORD dwSelection, BOOL bNoScroll = FALSE) { SetSel((int)(short)LOWORD(dwSelection), (int)(short)HIWORD(dwSelection), bNoScroll); }
  void GetSel(int& nStart, int& nEnd) const { SendMessage(EM_GETSEL, (WPARAM)&nStart, (LPARAM)&nEnd); }
  DWORD GetSel() const { return (DWORD)SendMessage(EM_GETSEL, 0, 0); }
  void ReplaceSel(LPCTSTR text, BOOL bCanUndo = FALSE) { SendMessage(EM_REPLACESEL, bCanUndo, (LPARAM)text); }
  void LimitText(int nChars = 0) { SendMessage(EM_LIMITTEXT, nChars, 0); }
  void SetLimitText(UINT nMax) { SendMessage(EM_SETLIMITTEXT, nMax, 0); }
  UINT GetLimitText() const { return (UINT)SendMessage(EM_GETLIMITTEXT, 0, 0); }
  BOOL SetReadOnly(BOOL bReadOnly = TRUE) { return (BOOL)SendMessage(EM_SETREADONLY, bReadOnly, 0); }
  int GetLineCount() const { return (int)SendMessage(EM_GETLINECOUNT, 0, 0); }
  int LineIndex(int nLine = -1) const { return (int)SendMessage(EM_LINEINDEX, nLine, 0); }
  int LineLength(int nLine = -1) const { return (int)SendMessage(EM_LINELENGTH, nLine, 0); }
  int LineFromChar(int nIndex = -1) const { return (int)SendMessage(EM_LINEFROMCHAR, nIndex, 0); }
  int GetLine(int nIndex, LPTSTR lpszBuffer, int nMaxLength) const;
  void LineScroll(int nLines, int nChars = 0) { SendMessage(EM_LINESCROLL, nChars, nLines); }
  int GetFirstVisibleLine() const { return (int)SendMessage(EM_GETFIRSTVISIBLELINE, 0, 0); }
  BOOL GetModify() const { return (BOOL)SendMessage(EM_GETMODIFY, 0, 0); }
  void SetModify(BOOL bModified = TRUE) { SendMessage(EM_SETMODIFY, bModified, 0); }
  BOOL CanUndo() const { return (BOOL)SendMessage(EM_CANUNDO, 0, 0); }
  BOOL Undo() { return (BOOL)SendMessage(EM_UNDO, 0, 0); }
  void EmptyUndoBuffer() { SendMessage(EM_EMPTYUNDOBUFFER, 0, 0); }
  void Clear() { SendMessage(WM_CLEAR, 0, 0); }
  void Copy() { SendMessage(WM_COPY, 0, 0); }
  void Cut() { SendMessage(WM_CUT, 0, 0); }
  void Paste() { SendMessage(WM_PASTE, 0, 0); }
  void SetPasswordChar(TCHAR ch) { SendMessage(EM_SETPASSWORDCHAR, ch, 0); }
  TCHAR GetPasswordChar() const { return (TCHAR)SendMessage(EM_GETPASSWORDCHAR, 0, 0); }
  void SetMargins(UINT nLeft, UINT nRight) { SendMessage(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(nLeft, nRight)); }
  DWORD GetMargins() const { return (DWORD)SendMessage(EM_GETMARGINS, 0, 0); }
  void SetRect(LPCRECT r) { SendMessage(EM_SETRECT, 0, (LPARAM)r); }
  void GetRect(LPRECT r) const { SendMessage(EM_GETRECT, 0, (LPARAM)r); }
  BOOL SetCueBanner(LPCWSTR text, BOOL bFocused = FALSE) { return (BOOL)SendMessage(EM_SETCUEBANNER, bFocused, (LPARAM)text); }
  CPoint PosFromChar(UINT nChar) const;
  int CharFromPos(CPoint pt) const { return (int)SendMessage(EM_CHARFROMPOS, 0, MAKELPARAM(pt.x, pt.y)); }
};

class CListBox : public CWnd {
  DECLARE_DYNAMIC(CListBox)
 public:
  virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  int GetCount() const { return (int)SendMessage(LB_GETCOUNT, 0, 0); }
  int AddString(LPCTSTR s) { return (int)SendMessage(LB_ADDSTRING, 0, (LPARAM)s); }
  int InsertString(int nIndex, LPCTSTR s) { return (int)SendMessage(LB_INSERTSTRING, nIndex, (LPARAM)s); }
  int DeleteString(UINT nIndex) { return (int)SendMessage(LB_DELETESTRING, nIndex, 0); }
  void ResetContent() { SendMessage(LB_RESETCONTENT, 0, 0); }
  int GetText(int nIndex, LPTSTR buf) const { return (int)SendMessage(LB_GETTEXT, nIndex, (LPARAM)buf); }
  void GetText(int nIndex, CString& s) const;
  int GetTextLen(int nIndex) const { return (int)SendMessage(LB_GETTEXTLEN, nIndex, 0); }
  int GetCurSel() const { return (int)SendMessage(LB_GETCURSEL, 0, 0); }
  int SetCurSel(int nSelect) { return (int)SendMessage(LB_SETCURSEL, nSelect, 0); }
  int GetSel(int nIndex) const { return (int)SendMessage(LB_GETSEL, nIndex, 0); }
  int SetSel(int nIndex, BOOL bSelect = TRUE) { return (int)SendMessage(LB_SETSEL, bSelect, nIndex); }
  int GetSelCount() const { return (int)SendMessage(LB_GETSELCOUNT, 0, 0); }
  int GetSelItems(int nMaxItems, LPINT rgIndex) const { return (int)SendMessage(LB_GETSELITEMS, nMaxItems, (LPARAM)rgIndex); }
  int SelItemRange(BOOL bSelect, int nFirst, int nLast) { return (int)SendMessage(LB_SELITEMRANGEEX, bSelect ? nFirst : nLast, bSelect ? nLast : nFirst); }
  int FindString(int nStartAfter, LPCTSTR s) const { return (int)SendMessage(LB_FINDSTRING, nStartAfter, (LPARAM)s); }
  int FindStringExact(int nStartAfter, LPCTSTR s) const { return (int)SendMessage(LB_FINDSTRINGEXACT, nStartAfter, (LPARAM)s); }
  int SelectString(int nStartAfter, LPCTSTR s) { return (int)SendMessage(LB_SELECTSTRING, nStartAfter, (LPARAM)s); }
  DWORD_PTR GetItemData(int nIndex) const { return (DWORD_PTR)SendMessage(LB_GETITEMDATA, nIndex, 0); }
  int SetItemData(int nIndex, DWORD_PTR data) { return (int)SendMessage(LB_SETITEMDATA, nIndex, (LPARAM)data); }
  void* GetItemDataPtr(int nIndex) const { return (void*)GetItemData(nIndex); }
  int SetItemDataPtr(int nIndex, void* p) { return SetItemData(nIndex, (DWORD_PTR)p); }
  int GetItemRect(int nIndex, LPRECT r) const { return (int)SendMessage(LB_GETITEMRECT, nIndex, (LPARAM)r); }
  int GetItemHeight(int nIndex) const { return (int)SendMessage(LB_GETITEMHEIGHT, nIndex, 0); }
  int SetItemHeight(int nIndex, UINT cy) { return (int)SendMessage(LB_SETITEMHEIGHT, nIndex, MAKELPARAM(cy, 0)); }
  int GetTopIndex() const { return (int)SendMessage(LB_GETTOPINDEX, 0, 0); }
  int SetTopIndex(int nIndex) { return (int)SendMessage(LB_SETTOPINDEX, nIndex, 0); }
  int GetCaretIndex() const { return (int)SendMessage(LB_GETCARETINDEX, 0, 0); }
  int SetCaretIndex(int nIndex, BOOL bScroll = TRUE) { return (int)SendMessage(LB_SETCARETINDEX, nIndex, MAKELPARAM(bScroll, 0)); }
  void SetHorizontalExtent(int cx) { SendMessage(LB_SETHORIZONTALEXTENT, cx, 0); }
  int Dir(UINT attr, LPCTSTR lpszWildCard) { return (int)SendMessage(LB_DIR, attr, (LPARAM)lpszWildCard); }
  // The item under a client point; bOutside is set when the point is outside every item.
  UINT ItemFromPoint(CPoint pt, BOOL& bOutside) const;
  // Owner-drawn list boxes (LBS_OWNERDRAW*)
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
  virtual void MeasureItem(LPMEASUREITEMSTRUCT) {}
  virtual int CompareItem(LPCOMPAREITEMSTRUCT) { return 0; }
  virtual void DeleteItem(LPDELETEITEMSTRUCT) {}
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CComboBox : public CWnd {
  DECLARE_DYNAMIC(CComboBox)
 public:
  virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  int GetCount() const { return (int)SendMessage(CB_GETCOUNT, 0, 0); }
  int AddString(LPCTSTR s) { return (int)SendMessage(CB_ADDSTRING, 0, (LPARAM)s); }
  int InsertString(int nIndex, LPCTSTR s) { return (int)SendMessage(CB_INSERTSTRING, nIndex, (LPARAM)s); }
  int DeleteString(UINT nIndex) { return (int)SendMessage(CB_DELETESTRING, nIndex, 0); }
  void ResetContent() { SendMessage(CB_RESETCONTENT, 0, 0); }
  int GetCurSel() const { return (int)SendMessage(CB_GETCURSEL, 0, 0); }
  int SetCurSel(int nSelect) { return (int)SendMessage(CB_SETCURSEL, nSelect, 0); }
  int GetLBText(int nIndex, LPTSTR buf) const { return (int)SendMessage(CB_GETLBTEXT, nIndex, (LPARAM)buf); }
  void GetLBText(int nIndex, CString& s) const;
  int GetLBTextLen(int nIndex) const { return (int)SendMessage(CB_GETLBTEXTLEN, nIndex, 0); }
  int FindString(int nStartAfter, LPCTSTR s) const { return (int)SendMessage(CB_FINDSTRING, nStartAfter, (LPARAM)s); }
  int FindStringExact(int nStartAfter, LPCTSTR s) const { return (int)SendMessage(CB_FINDSTRINGEXACT, nStartAfter, (LPARAM)s); }
  int SelectString(int nStartAfter, LPCTSTR s) { return (int)SendMessage(CB_SELECTSTRING, nStartAfter, (LPARAM)s); }
  DWORD_PTR GetItemData(int nIndex) const { return (DWORD_PTR)SendMessage(CB_GETITEMDATA, nIndex, 0); }
  int SetItemData(int nIndex, DWORD_PTR data) { return (int)SendMessage(CB_SETITEMDATA, nIndex, (LPARAM)data); }
  void* GetItemDataPtr(int nIndex) const { return (void*)GetItemData(nIndex); }
  int SetItemDataPtr(int nIndex, void* p) { return SetItemData(nIndex, (DWORD_PTR)p); }
  int GetItemHeight(int nIndex) const { return (int)SendMessage(CB_GETITEMHEIGHT, nIndex, 0); }
  int SetItemHeight(int nIndex, UINT cy) { return (int)SendMessage(CB_SETITEMHEIGHT, nIndex, cy); }
  void ShowDropDown(BOOL bShow = TRUE) { SendMessage(CB_SHOWDROPDOWN, bShow, 0); }
  BOOL GetDroppedState() const { return (BOOL)SendMessage(CB_GETDROPPEDSTATE, 0, 0); }
  void GetDroppedControlRect(LPRECT r) const { SendMessage(CB_GETDROPPEDCONTROLRECT, 0, (LPARAM)r); }
  int SetDroppedWidth(UINT w) { return (int)SendMessage(CB_SETDROPPEDWIDTH, w, 0); }
  int GetDroppedWidth() const { return (int)SendMessage(CB_GETDROPPEDWIDTH, 0, 0); }
  BOOL LimitText(int nMaxChars) { return (BOOL)SendMessage(CB_LIMITTEXT, nMaxChars, 0); }
  BOOL SetEditSel(int nStart, int nEnd) { return (BOOL)SendMessage(CB_SETEDITSEL, 0, MAKELPARAM(nStart, nEnd)); }
  DWORD GetEditSel() const { return (DWORD)SendMessage(CB_GETEDITSEL, 0, 0); }
  int GetTopIndex() const { return (int)SendMessage(CB_GETTOPINDEX, 0, 0); }
  int SetTopIndex(int nIndex) { return (int)SendMessage(CB_SETTOPINDEX, nIndex, 0); }
  BOOL GetComboBoxInfo(PCOMBOBOXINFO p) const { p->cbSize = sizeof(*p); return ::GetComboBoxInfo(m_hWnd, p); }
  void Clear() { SendMessage(WM_CLEAR, 0, 0); }
  void Copy() { SendMessage(WM_COPY, 0, 0); }
  void Cut() { SendMessage(WM_CUT, 0, 0); }
  void Paste() { SendMessage(WM_PASTE, 0, 0); }
  // Owner-drawn combo boxes (CBS_OWNERDRAW*)
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
  virtual void MeasureItem(LPMEASUREITEMSTRUCT) {}
  virtual int CompareItem(LPCOMPAREITEMSTRUCT) { return 0; }
  virtual void DeleteItem(LPDELETEITEMSTRUCT) {}
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CScrollBar : public CWnd {
  DECLARE_DYNAMIC(CScrollBar)
 public:
  virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  int GetScrollPos() const { return ::GetScrollPos(m_hWnd, SB_CTL); }
  int SetScrollPos(int nPos, BOOL bRedraw = TRUE) { return ::SetScrollPos(m_hWnd, SB_CTL, nPos, bRedraw); }
  void GetScrollRange(LPINT lpMin, LPINT lpMax) const { ::GetScrollRange(m_hWnd, SB_CTL, lpMin, lpMax); }
  void SetScrollRange(int nMin, int nMax, BOOL bRedraw = TRUE) { ::SetScrollRange(m_hWnd, SB_CTL, nMin, nMax, bRedraw); }
  void ShowScrollBar(BOOL bShow = TRUE) { ::ShowScrollBar(m_hWnd, SB_CTL, bShow); }
  BOOL EnableScrollBar(UINT nArrowFlags = ESB_ENABLE_BOTH) { return ::EnableScrollBar(m_hWnd, SB_CTL, nArrowFlags); }
  BOOL SetScrollInfo(LPSCROLLINFO p, BOOL bRedraw = TRUE) {
    p->cbSize = sizeof(*p);
    ::SetScrollInfo(m_hWnd, SB_CTL, p, bRedraw);
    return TRUE;
  }
  BOOL GetScrollInfo(LPSCROLLINFO p, UINT nMask = SIF_ALL) {
    p->cbSize = sizeof(*p);
    p->fMask = nMask;
    return ::GetScrollInfo(m_hWnd, SB_CTL, p);
  }
  int GetScrollLimit();  // the largest position the thumb can take (max - page + 1)
};
