// Wrappers of the common controls (comctl32) and the rich edit control: CListCtrl, CTreeCtrl,
// CTabCtrl, CToolTipCtrl, CProgressCtrl, CSpinButtonCtrl, CDateTimeCtrl, CMonthCalCtrl,
// CRichEditCtrl. Thin: each method is the control's message. Like the standard controls they add
// no data, so a temporary CWnd of such a control may be used through the wrapper's type.
#pragma once
#include "FxCtrl.h"
#include <richedit.h>

// Loads the rich edit control (version 2 and later, class "RichEdit20W") so dialog templates
// can name it; FALSE when the library is missing.
BOOL AfxInitRichEdit2();

class CListCtrl : public CWnd {
  DECLARE_DYNAMIC(CListCtrl)
 public:
  virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  // Columns
  int InsertColumn(int nCol, const LVCOLUMN* pColumn) { return (int)SendMessage(LVM_INSERTCOLUMN, nCol, (LPARAM)pColumn); }
  int InsertColumn(int nCol, LPCTSTR heading, int nFormat = LVCFMT_LEFT, int nWidth = -1, int nSubItem = -1);
  BOOL DeleteColumn(int nCol) { return (BOOL)SendMessage(LVM_DELETECOLUMN, nCol, 0); }
  int GetColumnWidth(int nCol) const { return (int)SendMessage(LVM_GETCOLUMNWIDTH, nCol, 0); }
  BOOL SetColumnWidth(int nCol, int cx) { return (BOOL)SendMessage(LVM_SETCOLUMNWIDTH, nCol, MAKELPARAM(cx, 0)); }
  BOOL GetColumn(int nCol, LVCOLUMN* p) const { return (BOOL)SendMessage(LVM_GETCOLUMN, nCol, (LPARAM)p); }
  BOOL SetColumn(int nCol, const LVCOLUMN* p) { return (BOOL)SendMessage(LVM_SETCOLUMN, nCol, (LPARAM)p); }
  CWnd* GetHeaderCtrl() const { return FromHandle((HWND)SendMessage(LVM_GETHEADER, 0, 0)); }
  // Items
  int GetItemCount() const { return (int)SendMessage(LVM_GETITEMCOUNT, 0, 0); }
  int InsertItem(const LVITEM* pItem) { return (int)SendMessage(LVM_INSERTITEM, 0, (LPARAM)pItem); }
  int InsertItem(int nItem, LPCTSTR text) { return InsertItem(LVIF_TEXT, nItem, text, 0, 0, 0, 0); }
  int InsertItem(int nItem, LPCTSTR text, int nImage) { return InsertItem(LVIF_TEXT | LVIF_IMAGE, nItem, text, 0, 0, nImage, 0); }
  int InsertItem(UINT nMask, int nItem, LPCTSTR text, UINT nState, UINT nStateMask, int nImage, LPARAM lParam);
  BOOL DeleteItem(int nItem) { return (BOOL)SendMessage(LVM_DELETEITEM, nItem, 0); }
  BOOL DeleteAllItems() { return (BOOL)SendMessage(LVM_DELETEALLITEMS, 0, 0); }
  BOOL GetItem(LVITEM* p) const { return (BOOL)SendMessage(LVM_GETITEM, 0, (LPARAM)p); }
  BOOL SetItem(const LVITEM* p) { return (BOOL)SendMessage(LVM_SETITEM, 0, (LPARAM)p); }
  CString GetItemText(int nItem, int nSubItem) const;
  int GetItemText(int nItem, int nSubItem, LPTSTR buf, int nLen) const;
  BOOL SetItemText(int nItem, int nSubItem, LPCTSTR text);
  DWORD_PTR GetItemData(int nItem) const;
  BOOL SetItemData(int nItem, DWORD_PTR data);
  UINT GetItemState(int nItem, UINT nMask) const { return (UINT)SendMessage(LVM_GETITEMSTATE, nItem, nMask); }
  BOOL SetItemState(int nItem, UINT nState, UINT nMask);
  void SetItemCount(int nItems) { SendMessage(LVM_SETITEMCOUNT, nItems, 0); }
  void SetItemCountEx(int nItems, DWORD dwFlags = LVSICF_NOINVALIDATEALL) { SendMessage(LVM_SETITEMCOUNT, nItems, dwFlags); }
  BOOL GetCheck(int nItem) const { return ((GetItemState(nItem, LVIS_STATEIMAGEMASK) >> 12) - 1) > 0; }
  BOOL SetCheck(int nItem, BOOL bCheck = TRUE) { return SetItemState(nItem, INDEXTOSTATEIMAGEMASK(bCheck ? 2 : 1), LVIS_STATEIMAGEMASK); }
  // Selection
  int GetNextItem(int nItem, int nFlags) const { return (int)SendMessage(LVM_GETNEXTITEM, nItem, MAKELPARAM(nFlags, 0)); }
  UINT GetSelectedCount() const { return (UINT)SendMessage(LVM_GETSELECTEDCOUNT, 0, 0); }
  // Position of the first selected item (index + 1 as a cookie), null when none.
  POSITION GetFirstSelectedItemPosition() const;
  int GetNextSelectedItem(POSITION& pos) const;
  int GetSelectionMark() const { return (int)SendMessage(LVM_GETSELECTIONMARK, 0, 0); }
  int SetSelectionMark(int nIndex) { return (int)SendMessage(LVM_SETSELECTIONMARK, 0, nIndex); }
  int GetHotItem() const { return (int)SendMessage(LVM_GETHOTITEM, 0, 0); }
  int SetHotItem(int nIndex) { return (int)SendMessage(LVM_SETHOTITEM, nIndex, 0); }
  // Geometry and view
  BOOL GetItemRect(int nItem, LPRECT r, UINT nCode) const;
  BOOL GetSubItemRect(int nItem, int nSubItem, int nArea, CRect& r) const;
  int HitTest(LVHITTESTINFO* p) const { return (int)SendMessage(LVM_HITTEST, 0, (LPARAM)p); }
  int HitTest(CPoint pt, UINT* pFlags = nullptr) const;
  int SubItemHitTest(LVHITTESTINFO* p) { return (int)SendMessage(LVM_SUBITEMHITTEST, 0, (LPARAM)p); }
  BOOL EnsureVisible(int nItem, BOOL bPartialOK) { return (BOOL)SendMessage(LVM_ENSUREVISIBLE, nItem, bPartialOK); }
  BOOL Scroll(CSize size) { return (BOOL)SendMessage(LVM_SCROLL, size.cx, size.cy); }
  BOOL RedrawItems(int nFirst, int nLast) { return (BOOL)SendMessage(LVM_REDRAWITEMS, nFirst, nLast); }
  BOOL Update(int nItem) { return (BOOL)SendMessage(LVM_UPDATE, nItem, 0); }
  int GetTopIndex() const { return (int)SendMessage(LVM_GETTOPINDEX, 0, 0); }
  int GetCountPerPage() const { return (int)SendMessage(LVM_GETCOUNTPERPAGE, 0, 0); }
  int GetStringWidth(LPCTSTR s) const { return (int)SendMessage(LVM_GETSTRINGWIDTH, 0, (LPARAM)s); }
  int FindItem(LVFINDINFO* p, int nStart = -1) const { return (int)SendMessage(LVM_FINDITEM, nStart, (LPARAM)p); }
  BOOL SortItems(PFNLVCOMPARE pfnCompare, DWORD_PTR dwData) { return (BOOL)SendMessage(LVM_SORTITEMS, dwData, (LPARAM)pfnCompare); }
  // Look
  DWORD GetExtendedStyle() const { return (DWORD)SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0); }
  DWORD SetExtendedStyle(DWORD dwNewStyle) { return (DWORD)SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, dwNewStyle); }
  CImageList* SetImageList(CImageList* pImageList, int nImageListType);
  CImageList* GetImageList(int nImageList) const { return CImageList::FromHandle((HIMAGELIST)SendMessage(LVM_GETIMAGELIST, nImageList, 0)); }
  COLORREF GetBkColor() const { return (COLORREF)SendMessage(LVM_GETBKCOLOR, 0, 0); }
  BOOL SetBkColor(COLORREF c) { return (BOOL)SendMessage(LVM_SETBKCOLOR, 0, c); }
  COLORREF GetTextColor() const { return (COLORREF)SendMessage(LVM_GETTEXTCOLOR, 0, 0); }
  BOOL SetTextColor(COLORREF c) { return (BOOL)SendMessage(LVM_SETTEXTCOLOR, 0, c); }
  COLORREF GetTextBkColor() const { return (COLORREF)SendMessage(LVM_GETTEXTBKCOLOR, 0, 0); }
  BOOL SetTextBkColor(COLORREF c) { return (BOOL)SendMessage(LVM_SETTEXTBKCOLOR, 0, c); }
  CEdit* EditLabel(int nItem) { return static_cast<CEdit*>(FromHandle((HWND)SendMessage(LVM_EDITLABEL, nItem, 0))); }
  CEdit* GetEditControl() const { return static_cast<CEdit*>(FromHandle((HWND)SendMessage(LVM_GETEDITCONTROL, 0, 0))); }
  // LVS_OWNERDRAWFIXED report views
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CTreeCtrl : public CWnd {
  DECLARE_DYNAMIC(CTreeCtrl)
 public:
  virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  HTREEITEM InsertItem(LPTVINSERTSTRUCT p) { return (HTREEITEM)SendMessage(TVM_INSERTITEM, 0, (LPARAM)p); }
  HTREEITEM InsertItem(UINT nMask, LPCTSTR text, int nImage, int nSelectedImage, UINT nState, UINT nStateMask,
                       LPARAM lParam, HTREEITEM hParent, HTREEITEM hInsertAfter);
  HTREEITEM InsertItem(LPCTSTR text, HTREEITEM hParent = TVI_ROOT, HTREEITEM hInsertAfter = TVI_LAST) {
    return InsertItem(TVIF_TEXT, text, 0, 0, 0, 0, 0, hParent, hInsertAfter);
  }
  HTREEITEM InsertItem(LPCTSTR text, int nImage, int nSelectedImage, HTREEITEM hParent = TVI_ROOT,
                       HTREEITEM hInsertAfter = TVI_LAST) {
    return InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE, text, nImage, nSelectedImage, 0, 0, 0, hParent, hInsertAfter);
  }
  BOOL DeleteItem(HTREEITEM h) { return (BOOL)SendMessage(TVM_DELETEITEM, 0, (LPARAM)h); }
  BOOL DeleteAllItems() { return (BOOL)SendMessage(TVM_DELETEITEM, 0, (LPARAM)TVI_ROOT); }
  UINT GetCount() const { return (UINT)SendMessage(TVM_GETCOUNT, 0, 0); }
  UINT GetVisibleCount() const { return (UINT)SendMessage(TVM_GETVISIBLECOUNT, 0, 0); }
  // Navigation
  HTREEITEM GetNextItem(HTREEITEM h, UINT nCode) const { return (HTREEITEM)SendMessage(TVM_GETNEXTITEM, nCode, (LPARAM)h); }
  HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
  HTREEITEM GetChildItem(HTREEITEM h) const { return GetNextItem(h, TVGN_CHILD); }
  HTREEITEM GetNextSiblingItem(HTREEITEM h) const { return GetNextItem(h, TVGN_NEXT); }
  HTREEITEM GetPrevSiblingItem(HTREEITEM h) const { return GetNextItem(h, TVGN_PREVIOUS); }
  HTREEITEM GetParentItem(HTREEITEM h) const { return GetNextItem(h, TVGN_PARENT); }
  HTREEITEM GetFirstVisibleItem() const { return GetNextItem(nullptr, TVGN_FIRSTVISIBLE); }
  HTREEITEM GetNextVisibleItem(HTREEITEM h) const { return GetNextItem(h, TVGN_NEXTVISIBLE); }
  HTREEITEM GetPrevVisibleItem(HTREEITEM h) const { return GetNextItem(h, TVGN_PREVIOUSVISIBLE); }
  HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
  HTREEITEM GetDropHilightItem() const { return GetNextItem(nullptr, TVGN_DROPHILITE); }
  BOOL ItemHasChildren(HTREEITEM h) const;
  // Selection and expansion
  BOOL Select(HTREEITEM h, UINT nCode) { return (BOOL)SendMessage(TVM_SELECTITEM, nCode, (LPARAM)h); }
  BOOL SelectItem(HTREEITEM h) { return Select(h, TVGN_CARET); }
  BOOL SelectDropTarget(HTREEITEM h) { return Select(h, TVGN_DROPHILITE); }
  BOOL SelectSetFirstVisible(HTREEITEM h) { return Select(h, TVGN_FIRSTVISIBLE); }
  BOOL Expand(HTREEITEM h, UINT nCode) { return (BOOL)SendMessage(TVM_EXPAND, nCode, (LPARAM)h); }
  BOOL EnsureVisible(HTREEITEM h) { return (BOOL)SendMessage(TVM_ENSUREVISIBLE, 0, (LPARAM)h); }
  // Item data
  BOOL GetItem(TVITEM* p) const { return (BOOL)SendMessage(TVM_GETITEM, 0, (LPARAM)p); }
  BOOL SetItem(TVITEM* p) { return (BOOL)SendMessage(TVM_SETITEM, 0, (LPARAM)p); }
  CString GetItemText(HTREEITEM h) const;
  BOOL SetItemText(HTREEITEM h, LPCTSTR text);
  DWORD_PTR GetItemData(HTREEITEM h) const;
  BOOL SetItemData(HTREEITEM h, DWORD_PTR data);
  UINT GetItemState(HTREEITEM h, UINT nStateMask) const { return (UINT)SendMessage(TVM_GETITEMSTATE, (WPARAM)h, nStateMask) & nStateMask; }
  BOOL SetItemState(HTREEITEM h, UINT nState, UINT nStateMask);
  BOOL GetItemImage(HTREEITEM h, int& nImage, int& nSelectedImage) const;
  BOOL SetItemImage(HTREEITEM h, int nImage, int nSelectedImage);
  // Check boxes (TVS_CHECKBOXES): state image 1 is unchecked, 2 checked.
  BOOL GetCheck(HTREEITEM h) const { return (GetItemState(h, TVIS_STATEIMAGEMASK) >> 12) == 2; }
  BOOL SetCheck(HTREEITEM h, BOOL bCheck = TRUE) { return SetItemState(h, INDEXTOSTATEIMAGEMASK(bCheck ? 2 : 1), TVIS_STATEIMAGEMASK); }
  // Geometry and look
  BOOL GetItemRect(HTREEITEM h, LPRECT r, BOOL bTextOnly) const;
  HTREEITEM HitTest(TVHITTESTINFO* p) const { return (HTREEITEM)SendMessage(TVM_HITTEST, 0, (LPARAM)p); }
  HTREEITEM HitTest(CPoint pt, UINT* pFlags = nullptr) const;
  CImageList* SetImageList(CImageList* pImageList, int nImageListType);
  CImageList* GetImageList(int nImageListType) const { return CImageList::FromHandle((HIMAGELIST)SendMessage(TVM_GETIMAGELIST, nImageListType, 0)); }
  SHORT GetItemHeight() const { return (SHORT)SendMessage(TVM_GETITEMHEIGHT, 0, 0); }
  SHORT SetItemHeight(SHORT cy) { return (SHORT)SendMessage(TVM_SETITEMHEIGHT, cy, 0); }
  UINT GetIndent() const { return (UINT)SendMessage(TVM_GETINDENT, 0, 0); }
  void SetIndent(UINT n) { SendMessage(TVM_SETINDENT, n, 0); }
  COLORREF GetBkColor() const { return (COLORREF)SendMessage(TVM_GETBKCOLOR, 0, 0); }
  COLORREF SetBkColor(COLORREF c) { return (COLORREF)SendMessage(TVM_SETBKCOLOR, 0, c); }
  COLORREF GetTextColor() const { return (COLORREF)SendMessage(TVM_GETTEXTCOLOR, 0, 0); }
  COLORREF SetTextColor(COLORREF c) { return (COLORREF)SendMessage(TVM_SETTEXTCOLOR, 0, c); }
  BOOL SetInsertMark(HTREEITEM h, BOOL bAfter = TRUE) { return (BOOL)SendMessage(TVM_SETINSERTMARK, bAfter, (LPARAM)h); }
  BOOL SortChildren(HTREEITEM h) { return (BOOL)SendMessage(TVM_SORTCHILDREN, 0, (LPARAM)h); }
  BOOL SortChildrenCB(LPTVSORTCB p) { return (BOOL)SendMessage(TVM_SORTCHILDRENCB, 0, (LPARAM)p); }
  CEdit* EditLabel(HTREEITEM h) { return static_cast<CEdit*>(FromHandle((HWND)SendMessage(TVM_EDITLABEL, 0, (LPARAM)h))); }
  CEdit* GetEditControl() const { return static_cast<CEdit*>(FromHandle((HWND)SendMessage(TVM_GETEDITCONTROL, 0, 0))); }
  // The drag image of an item (owned by the caller), or null.
  CImageList* CreateDragImage(HTREEITEM h);
};

class CTabCtrl : public CWnd {
  DECLARE_DYNAMIC(CTabCtrl)
 public:
  virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  LONG InsertItem(int nItem, TCITEM* p) { return (LONG)SendMessage(TCM_INSERTITEM, nItem, (LPARAM)p); }
  LONG InsertItem(int nItem, LPCTSTR text, int nImage = -1);
  BOOL DeleteItem(int nItem) { return (BOOL)SendMessage(TCM_DELETEITEM, nItem, 0); }
  BOOL DeleteAllItems() { return (BOOL)SendMessage(TCM_DELETEALLITEMS, 0, 0); }
  int GetItemCount() const { return (int)SendMessage(TCM_GETITEMCOUNT, 0, 0); }
  BOOL GetItem(int nItem, TCITEM* p) const { return (BOOL)SendMessage(TCM_GETITEM, nItem, (LPARAM)p); }
  BOOL SetItem(int nItem, TCITEM* p) { return (BOOL)SendMessage(TCM_SETITEM, nItem, (LPARAM)p); }
  int GetCurSel() const { return (int)SendMessage(TCM_GETCURSEL, 0, 0); }
  int SetCurSel(int nItem) { return (int)SendMessage(TCM_SETCURSEL, nItem, 0); }
  int GetCurFocus() const { return (int)SendMessage(TCM_GETCURFOCUS, 0, 0); }
  void SetCurFocus(int nItem) { SendMessage(TCM_SETCURFOCUS, nItem, 0); }
  BOOL GetItemRect(int nItem, LPRECT r) const { return (BOOL)SendMessage(TCM_GETITEMRECT, nItem, (LPARAM)r); }
  void AdjustRect(BOOL bLarger, LPRECT r) { SendMessage(TCM_ADJUSTRECT, bLarger, (LPARAM)r); }
  int HitTest(TCHITTESTINFO* p) const { return (int)SendMessage(TCM_HITTEST, 0, (LPARAM)p); }
  CImageList* SetImageList(CImageList* pImageList) {
    return CImageList::FromHandle((HIMAGELIST)SendMessage(TCM_SETIMAGELIST, 0, (LPARAM)pImageList->GetSafeHandle()));
  }
  CImageList* GetImageList() const { return CImageList::FromHandle((HIMAGELIST)SendMessage(TCM_GETIMAGELIST, 0, 0)); }
  CSize SetItemSize(CSize size) {
    LRESULT r = SendMessage(TCM_SETITEMSIZE, 0, MAKELPARAM(size.cx, size.cy));
    return CSize(LOWORD(r), HIWORD(r));
  }
  void SetPadding(CSize size) { SendMessage(TCM_SETPADDING, 0, MAKELPARAM(size.cx, size.cy)); }
  int SetMinTabWidth(int cx) { return (int)SendMessage(TCM_SETMINTABWIDTH, 0, cx); }
  int GetRowCount() const { return (int)SendMessage(TCM_GETROWCOUNT, 0, 0); }
  BOOL HighlightItem(int nItem, BOOL bHighlight = TRUE) { return (BOOL)SendMessage(TCM_HIGHLIGHTITEM, nItem, MAKELPARAM(bHighlight, 0)); }
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}  // TCS_OWNERDRAWFIXED
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CToolTipCtrl : public CWnd {
  DECLARE_DYNAMIC(CToolTipCtrl)
 public:
  virtual BOOL Create(CWnd* pParentWnd, DWORD dwStyle = 0);
  // A tool for a window (the whole window when lpRectTool is null and nIDTool is 0) or a
  // rectangle of it; the text may be LPSTR_TEXTCALLBACK.
  BOOL AddTool(CWnd* pWnd, LPCTSTR lpszText = LPSTR_TEXTCALLBACK, LPCRECT lpRectTool = nullptr, UINT_PTR nIDTool = 0);
  BOOL AddTool(CWnd* pWnd, UINT nIDText, LPCRECT lpRectTool = nullptr, UINT_PTR nIDTool = 0);
  void DelTool(CWnd* pWnd, UINT_PTR nIDTool = 0);
  void UpdateTipText(LPCTSTR lpszText, CWnd* pWnd, UINT_PTR nIDTool = 0);
  void SetToolRect(CWnd* pWnd, UINT_PTR nIDTool, LPCRECT lpRect);
  void GetText(CString& str, CWnd* pWnd, UINT_PTR nIDTool = 0) const;
  int GetToolCount() const { return (int)SendMessage(TTM_GETTOOLCOUNT, 0, 0); }
  // Mouse messages of the tools' windows go through here so the tip knows when to show.
  void RelayEvent(LPMSG lpMsg) { SendMessage(TTM_RELAYEVENT, 0, (LPARAM)lpMsg); }
  void Activate(BOOL bActivate) { SendMessage(TTM_ACTIVATE, bActivate, 0); }
  void SetDelayTime(UINT nDelay) { SendMessage(TTM_SETDELAYTIME, TTDT_AUTOMATIC, nDelay); }
  void SetDelayTime(DWORD dwDuration, int iTime) { SendMessage(TTM_SETDELAYTIME, dwDuration, MAKELPARAM(iTime, 0)); }
  int GetDelayTime(DWORD dwDuration) const { return (int)SendMessage(TTM_GETDELAYTIME, dwDuration, 0); }
  int SetMaxTipWidth(int iWidth) { return (int)SendMessage(TTM_SETMAXTIPWIDTH, 0, iWidth); }
  void SetTipBkColor(COLORREF c) { SendMessage(TTM_SETTIPBKCOLOR, c, 0); }
  void SetTipTextColor(COLORREF c) { SendMessage(TTM_SETTIPTEXTCOLOR, c, 0); }
  void SetMargin(LPRECT r) { SendMessage(TTM_SETMARGIN, 0, (LPARAM)r); }
  void Pop() { SendMessage(TTM_POP, 0, 0); }
  void Popup() { SendMessage(TTM_POPUP, 0, 0); }
  void Update() { SendMessage(TTM_UPDATE, 0, 0); }
  void TrackActivate(CWnd* pWnd, UINT_PTR nIDTool, BOOL bActivate);
  void TrackPosition(int x, int y) { SendMessage(TTM_TRACKPOSITION, 0, MAKELPARAM(x, y)); }
  BOOL SetTitle(UINT uIcon, LPCTSTR title) { return (BOOL)SendMessage(TTM_SETTITLE, uIcon, (LPARAM)title); }

 protected:
  void FillInToolInfo(TOOLINFO& ti, CWnd* pWnd, UINT_PTR nIDTool) const;
};

class CProgressCtrl : public CWnd {
  DECLARE_DYNAMIC(CProgressCtrl)
 public:
  virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  void SetRange(short nLower, short nUpper) { SendMessage(PBM_SETRANGE, 0, MAKELPARAM(nLower, nUpper)); }
  void SetRange32(int nLower, int nUpper) { SendMessage(PBM_SETRANGE32, nLower, nUpper); }
  void GetRange(int& nLower, int& nUpper) const;
  int GetPos() const { return (int)SendMessage(PBM_GETPOS, 0, 0); }
  int SetPos(int nPos) { return (int)SendMessage(PBM_SETPOS, nPos, 0); }
  int OffsetPos(int nPos) { return (int)SendMessage(PBM_DELTAPOS, nPos, 0); }
  int SetStep(int nStep) { return (int)SendMessage(PBM_SETSTEP, nStep, 0); }
  int StepIt() { return (int)SendMessage(PBM_STEPIT, 0, 0); }
  COLORREF SetBarColor(COLORREF c) { return (COLORREF)SendMessage(PBM_SETBARCOLOR, 0, c); }
  COLORREF SetBkColor(COLORREF c) { return (COLORREF)SendMessage(PBM_SETBKCOLOR, 0, c); }
  BOOL SetMarquee(BOOL fMarqueeMode, int nInterval) { return (BOOL)SendMessage(PBM_SETMARQUEE, fMarqueeMode, nInterval); }
};

class CSpinButtonCtrl : public CWnd {
  DECLARE_DYNAMIC(CSpinButtonCtrl)
 public:
  virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  void SetRange(short nLower, short nUpper) { SendMessage(UDM_SETRANGE, 0, MAKELPARAM(nUpper, nLower)); }
  void SetRange32(int nLower, int nUpper) { SendMessage(UDM_SETRANGE32, nLower, nUpper); }
  void GetRange32(int& nLower, int& nUpper) const { SendMessage(UDM_GETRANGE32, (WPARAM)&nLower, (LPARAM)&nUpper); }
  int GetPos() const { return (int)(short)LOWORD(SendMessage(UDM_GETPOS, 0, 0)); }
  int SetPos(int nPos) { return (int)(short)LOWORD(SendMessage(UDM_SETPOS, 0, MAKELPARAM(nPos, 0))); }
  int GetPos32(LPBOOL lpbError = nullptr) const { return (int)SendMessage(UDM_GETPOS32, 0, (LPARAM)lpbError); }
  int SetPos32(int nPos) { return (int)SendMessage(UDM_SETPOS32, 0, nPos); }
  CWnd* SetBuddy(CWnd* pWndBuddy) { return FromHandle((HWND)SendMessage(UDM_SETBUDDY, (WPARAM)pWndBuddy->GetSafeHwnd(), 0)); }
  CWnd* GetBuddy() const { return FromHandle((HWND)SendMessage(UDM_GETBUDDY, 0, 0)); }
  BOOL SetAccel(int nAccel, UDACCEL* pAccel) { return (BOOL)SendMessage(UDM_SETACCEL, nAccel, (LPARAM)pAccel); }
  int SetBase(int nBase) { return (int)SendMessage(UDM_SETBASE, nBase, 0); }
};

class CDateTimeCtrl : public CWnd {
  DECLARE_DYNAMIC(CDateTimeCtrl)
 public:
  virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  // GDT_VALID with a time, GDT_NONE when a DTS_SHOWNONE control is unchecked.
  DWORD GetTime(LPSYSTEMTIME p) const { return (DWORD)SendMessage(DTM_GETSYSTEMTIME, 0, (LPARAM)p); }
  BOOL SetTime(LPSYSTEMTIME p = nullptr) { return (BOOL)SendMessage(DTM_SETSYSTEMTIME, p ? GDT_VALID : GDT_NONE, (LPARAM)p); }
  BOOL SetTime(const CTime& t);
  DWORD GetTime(CTime& t) const;
  BOOL SetFormat(LPCTSTR pstrFormat) { return (BOOL)SendMessage(DTM_SETFORMAT, 0, (LPARAM)pstrFormat); }
  BOOL SetRange(const SYSTEMTIME* pMin, const SYSTEMTIME* pMax);
  COLORREF SetMonthCalColor(int iColor, COLORREF c) { return (COLORREF)SendMessage(DTM_SETMCCOLOR, iColor, c); }
  CWnd* GetMonthCalCtrl() const { return FromHandle((HWND)SendMessage(DTM_GETMONTHCAL, 0, 0)); }
};

class CMonthCalCtrl : public CWnd {
  DECLARE_DYNAMIC(CMonthCalCtrl)
 public:
  virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  BOOL GetCurSel(LPSYSTEMTIME p) const { return (BOOL)SendMessage(MCM_GETCURSEL, 0, (LPARAM)p); }
  BOOL SetCurSel(const SYSTEMTIME* p) { return (BOOL)SendMessage(MCM_SETCURSEL, 0, (LPARAM)p); }
  BOOL GetToday(LPSYSTEMTIME p) const { return (BOOL)SendMessage(MCM_GETTODAY, 0, (LPARAM)p); }
  void SetToday(const SYSTEMTIME* p) { SendMessage(MCM_SETTODAY, 0, (LPARAM)p); }
  BOOL GetSelRange(LPSYSTEMTIME pMinMax) const { return (BOOL)SendMessage(MCM_GETSELRANGE, 0, (LPARAM)pMinMax); }
  BOOL SetSelRange(const SYSTEMTIME* pMinMax) { return (BOOL)SendMessage(MCM_SETSELRANGE, 0, (LPARAM)pMinMax); }
  BOOL SetRange(const SYSTEMTIME* pMin, const SYSTEMTIME* pMax);
  int GetMonthRange(LPSYSTEMTIME pMinMax, DWORD dwFlags) const { return (int)SendMessage(MCM_GETMONTHRANGE, dwFlags, (LPARAM)pMinMax); }
  BOOL GetMinReqRect(LPRECT r) const { return (BOOL)SendMessage(MCM_GETMINREQRECT, 0, (LPARAM)r); }
  COLORREF SetColor(int nRegion, COLORREF c) { return (COLORREF)SendMessage(MCM_SETCOLOR, nRegion, c); }
  int SetFirstDayOfWeek(int iDay) { return (int)SendMessage(MCM_SETFIRSTDAYOFWEEK, 0, iDay); }
  DWORD HitTest(PMCHITTESTINFO p) { return (DWORD)SendMessage(MCM_HITTEST, 0, (LPARAM)p); }
};

class CRichEditCtrl : public CWnd {
  DECLARE_DYNAMIC(CRichEditCtrl)
 public:
  // Loads the rich edit library (version 2 or later) on first use.
  virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  static LPCTSTR ClassName();  // the window class the loaded library registers
  long GetTextLength() const { return (long)SendMessage(WM_GETTEXTLENGTH, 0, 0); }
  void SetSel(long nStart, long nEnd) { CHARRANGE cr = {nStart, nEnd}; SendMessage(EM_EXSETSEL, 0, (LPARAM)&cr); }
  void GetSel(long& nStart, long& nEnd) const;
  CString GetSelText() const;
  void ReplaceSel(LPCTSTR text, BOOL bCanUndo = FALSE) { SendMessage(EM_REPLACESEL, bCanUndo, (LPARAM)text); }
  void LimitText(long nChars = 0) { SendMessage(EM_EXLIMITTEXT, 0, nChars); }
  BOOL SetReadOnly(BOOL bReadOnly = TRUE) { return (BOOL)SendMessage(EM_SETREADONLY, bReadOnly, 0); }
  DWORD GetEventMask() const { return (DWORD)SendMessage(EM_GETEVENTMASK, 0, 0); }
  DWORD SetEventMask(DWORD dwEventMask) { return (DWORD)SendMessage(EM_SETEVENTMASK, 0, dwEventMask); }
  COLORREF SetBackgroundColor(BOOL bSysColor, COLORREF cr) { return (COLORREF)SendMessage(EM_SETBKGNDCOLOR, bSysColor, cr); }
  BOOL SetDefaultCharFormat(CHARFORMAT2& cf) { cf.cbSize = sizeof(cf); return (BOOL)SendMessage(EM_SETCHARFORMAT, SCF_DEFAULT, (LPARAM)&cf); }
  BOOL SetSelectionCharFormat(CHARFORMAT2& cf) { cf.cbSize = sizeof(cf); return (BOOL)SendMessage(EM_SETCHARFORMAT, SCF_SELECTION, (LPARAM)&cf); }
  DWORD GetSelectionCharFormat(CHARFORMAT2& cf) const { cf.cbSize = sizeof(cf); return (DWORD)SendMessage(EM_GETCHARFORMAT, SCF_SELECTION, (LPARAM)&cf); }
  DWORD GetDefaultCharFormat(CHARFORMAT2& cf) const { cf.cbSize = sizeof(cf); return (DWORD)SendMessage(EM_GETCHARFORMAT, SCF_DEFAULT, (LPARAM)&cf); }
  BOOL SetParaFormat(PARAFORMAT2& pf) { pf.cbSize = sizeof(pf); return (BOOL)SendMessage(EM_SETPARAFORMAT, 0, (LPARAM)&pf); }
  DWORD GetParaFormat(PARAFORMAT2& pf) const { pf.cbSize = sizeof(pf); return (DWORD)SendMessage(EM_GETPARAFORMAT, 0, (LPARAM)&pf); }
  void SetOptions(WORD wOp, DWORD dwFlags) { SendMessage(EM_SETOPTIONS, wOp, dwFlags); }
  BOOL SetAutoURLDetect(BOOL bEnable = TRUE) { return !SendMessage(EM_AUTOURLDETECT, bEnable, 0); }
  void HideSelection(BOOL bHide, BOOL bPerm) { SendMessage(EM_HIDESELECTION, bHide, bPerm); }
  int GetLineCount() const { return (int)SendMessage(EM_GETLINECOUNT, 0, 0); }
  int LineIndex(int nLine = -1) const { return (int)SendMessage(EM_LINEINDEX, nLine, 0); }
  int LineLength(int nLine = -1) const { return (int)SendMessage(EM_LINELENGTH, nLine, 0); }
  long LineFromChar(long nIndex) const { return (long)SendMessage(EM_EXLINEFROMCHAR, 0, nIndex); }
  long FindText(DWORD dwFlags, FINDTEXTEXW* pFindText) const { return (long)SendMessage(EM_FINDTEXTEXW, dwFlags, (LPARAM)pFindText); }
  long StreamIn(int nFormat, EDITSTREAM& es) { return (long)SendMessage(EM_STREAMIN, nFormat, (LPARAM)&es); }
  long StreamOut(int nFormat, EDITSTREAM& es) { return (long)SendMessage(EM_STREAMOUT, nFormat, (LPARAM)&es); }
  void SetRect(LPCRECT r) { SendMessage(EM_SETRECT, 0, (LPARAM)r); }
  void GetRect(LPRECT r) const { SendMessage(EM_GETRECT, 0, (LPARAM)r); }
  BOOL CanUndo() const { return (BOOL)SendMessage(EM_CANUNDO, 0, 0); }
  BOOL CanRedo() const { return (BOOL)SendMessage(EM_CANREDO, 0, 0); }
  BOOL Undo() { return (BOOL)SendMessage(EM_UNDO, 0, 0); }
  BOOL Redo() { return (BOOL)SendMessage(EM_REDO, 0, 0); }
  void EmptyUndoBuffer() { SendMessage(EM_EMPTYUNDOBUFFER, 0, 0); }
  void Clear() { SendMessage(WM_CLEAR, 0, 0); }
  void Copy() { SendMessage(WM_COPY, 0, 0); }
  void Cut() { SendMessage(WM_CUT, 0, 0); }
  void Paste() { SendMessage(WM_PASTE, 0, 0); }
  BOOL GetModify() const { return (BOOL)SendMessage(EM_GETMODIFY, 0, 0); }
  void SetModify(BOOL bModified = TRUE) { SendMessage(EM_SETMODIFY, bModified, 0); }
  CPoint GetCharPos(long lChar) const;
};
