// CHTMLListCtrl: a self-painted vertical list of short texts of varying height (plain wrapped
// text, a path-shortened single line, or a small subset of HTML drawn by the library's own
// mini renderer), with optional check boxes, item images, a delete button under the mouse and
// in-place editing. The parent hears of everything through NM_HTMLLISTCTRL.
#pragma once
#include "Framework.h"
#include "LWEdit.h"
#include "LWExport.h"
#include <vector>

// Notification codes (WM_NOTIFY, wParam = the control id).
#define HTMLLIST_SELECTIONCHANGED 1
#define HTMLLIST_LBUTTONDOWN 2
#define HTMLLIST_RBUTTONDOWN 3
#define HTMLLIST_LBUTTONDBLCLICK 4
#define HTMLLIST_ITEMCHECKED 5
#define HTMLLIST_ENDITEMEDIT 6
#define HTMLLIST_ITEMDELETING 7
#define HTMLLIST_ITEMDELETED 8

// Text kinds.
#define HTML_TEXT 1
#define NORMAL_TEXT 2
#define SINGLE_LINE_TEXT 3

// Extended styles.
#define HTMLLIST_STYLE_CHECKBOX 1
#define HTMLLIST_STYLE_GRIDLINES 2
#define HTMLLIST_STYLE_IMAGES 4

// The height that asks InsertItem to measure the item.
#define HTMLLIST_MEASURE 1

struct LWAPI NM_HTMLLISTCTRL {
    NMHDR hdr;
    int nItemNo;
    CString sItemText;
    long lItemData;
    BOOL bChecked;

    NM_HTMLLISTCTRL() : hdr{}, nItemNo(-1), lItemData(0), bChecked(FALSE) {}
};

struct LWAPI HTMLLIST_ITEM {
    int nItemNo;
    int nHeight;
    int nStyle;
    CString sItemText;
    long lItemData;
    RECT rcItem;
    BOOL bChecked;
    int bHeightSpecified;
    UINT uiImage;

    HTMLLIST_ITEM() : nItemNo(-1), nHeight(0), nStyle(NORMAL_TEXT), lItemData(0), rcItem{}, bChecked(FALSE),
                      bHeightSpecified(0), uiImage(0) {}
};

// One word as the mini renderer placed it (for tests and overrides).
struct LWHtmlRun {
    CString word;
    int style;        // 1 bold, 2 italic, 4 underline, 8 superscript, 16 subscript, 64 strike-out
    COLORREF colour;
    int x, y;         // relative to the origin
    int width;
};

class LWAPI CHTMLListCtrl : public CWnd {
    DECLARE_DYNAMIC(CHTMLListCtrl)
public:
    CHTMLListCtrl();
    ~CHTMLListCtrl() override;

    BOOL Create(CWnd* parent, CRect rect, UINT id, DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_BORDER);
    int InsertItem(CString text, UINT image = 0, int kind = NORMAL_TEXT, int height = HTMLLIST_MEASURE);
    BOOL DeleteItem(int index);
    void DeleteAllItems();
    int GetItemCount() const { return m_nListItems; }
    CString GetItemText(int index);
    void SetItemText(int index, CString text, int remeasure = FALSE);
    long GetItemData(int index);
    void SetItemData(int index, long data);
    BOOL GetItemCheck(int index);
    void SetItemCheck(int index, int checked = TRUE);
    UINT GetImage(int index);
    void SetImage(int index, UINT image);
    int GetSelectedItem() const { return m_nSelectedItem; }
    void SetSelectedItem(int index);
    void SetExtendedStyle(DWORD style);
    DWORD GetExtendedStyle() const { return m_dwExtendedStyles; }
    void SetImageList(CImageList* images) { m_pImageList = images; }
    CImageList* GetImageList() const { return m_pImageList; }
    void EnsureVisible(int index);
    int BeginEdit(int index);
    void StopEdit(int cancel = FALSE);
    int SetScrollWndInfo(int clear, int pos);
    void ReArrangeItems();
    void ReArrangeWholeLayout(int width = -1);
    void SetInternalData(int index, HTMLLIST_ITEM* item);
    void ResizeWindow(int x, int y, int cx, int cy);
    BOOL IsRectVisible(CRect a, CRect b);
    virtual void DrawItem(CDC* dc, CRect rect, HTMLLIST_ITEM* item, BOOL selected);
    void SendSelectionChangeNotification(int index);
    void SendCheckStateChangedNotification(int index);
    void SendDeleteNotification(int index, int before);
    int GetTotalHeight() const { return m_nTotalHeight; }

    // The mini renderer: draws (or with DT_CALCRECT measures) marked-up `text` into `rect` (null:
    // from the DC's current position, as wide as the screen from there); answers the last line's
    // y. `runs`, when given, receives every word as placed.
    static int DrawHTML(CDC* dc, const CString& text, RECT* rect, UINT format, BOOL grey,
                        std::vector<LWHtmlRun>* runs = nullptr);
    int CalculateItemHeight(const CString& text, int kind, UINT image, int width);

    LWEdit m_edit;
    CPtrList m_listItems;
    CMap<int, int, HTMLLIST_ITEM*, HTMLLIST_ITEM*> m_mapItems;
    int m_nListItems;
    UINT m_nControlID;
    int m_nTotalHeight;
    int m_nWndWidth;
    int m_nWndHeight;
    int m_nLastWidth, m_nLastHeight;
    CFont m_font;
    CFont m_fontStrike;
    CPen m_penGrey;
    COLORREF m_clrSelected;
    int m_nSelectedItem;
    BOOL m_bHasFocus;
    DWORD m_dwExtendedStyles;
    CImageList m_imgInternal;
    CImageList* m_pImageList;
    int m_nDeleteShown;  // the item whose delete button shows under the mouse (-1: none)
    int m_nEditItem;     // the item being edited (-1: none)

protected:
    HTMLLIST_ITEM* GetInternalData(int index);
    int TextLeft(const HTMLLIST_ITEM* item);
    int ItemAtPoint(CPoint pt);
    // `text`, when given, goes out instead of the item's own (the editor's text at an edit's end).
    void Notify(int code, int index, const HTMLLIST_ITEM* item, const CString* text = nullptr);
    // CalculateItemHeight on `dc`, which holds the list's font.
    int MeasureItem(CDC* dc, const CString& text, int kind, UINT image, int width);
    void SetScrollPosKeep(int pos);
    void ShowDeleteButton(int index);
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* dc);
    afx_msg void OnSize(UINT type, int cx, int cy);
    afx_msg void OnVScroll(UINT code, UINT pos, CScrollBar* bar);
    afx_msg BOOL OnMouseWheel(UINT flags, short delta, CPoint pt);
    afx_msg void OnLButtonDown(UINT flags, CPoint point);
    afx_msg void OnLButtonDblClk(UINT flags, CPoint point);
    afx_msg void OnRButtonDown(UINT flags, CPoint point);
    afx_msg void OnMouseMove(UINT flags, CPoint point);
    afx_msg void OnKeyDown(UINT key, UINT repeat, UINT flags);
    afx_msg UINT OnGetDlgCode();
    afx_msg BOOL OnSetCursor(CWnd* wnd, UINT hit, UINT message);
    afx_msg void OnSetFocus(CWnd* old);
    afx_msg void OnKillFocus(CWnd* next);
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()
};
