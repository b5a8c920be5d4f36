// LWListCtrl: a virtual, owner-drawn list. It knows only how many rows it shows, their common
// height, which are selected, which is on top and which is under the mouse; the parent draws
// each row (LVN_GETDISPINFOW, then WM_DRAWITEM) and hears about clicks, keys, drags and
// drag-reorder steps through WM_NOTIFY. A thin LWScrollBar runs along its right edge.
#pragma once
#include "Framework.h"
#include "LWExport.h"
#include "LWScrollBar.h"
#include <commctrl.h>

class LWToolTipCtrl;

// Notification codes of the list beyond the common ones.
#define LWLC_HOVER ((UINT)-19)        // the mouse moved (iItem: the hot item)
#define LWLC_DRAGREORDER ((UINT)-198) // a drag-reorder step (LWListDragReorder)
#define LWLC_SETFOCUS 773
#define LWLC_KILLFOCUS 774

// The record of LWLC_DRAGREORDER.
struct LWListDragReorder {
    NMLISTVIEW nm;
    int phase;  // 1 before a step (nonzero answer cancels it), 2 after a step, 3 end of the drag
    int from;
    int to;
};

class LWAPI LWListCtrl : public CWnd {
    DECLARE_DYNAMIC(LWListCtrl)
public:
    LWListCtrl();
    ~LWListCtrl() override;

    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id, CCreateContext* context = nullptr);
    virtual int SetItemHeight(int height);
    virtual void SetItemCount(int count);
    virtual int GetItemCount();
    virtual void SetCurSel(int index, int count = 1);
    virtual int GetCurSel();
    virtual void SetTopIndex(int index);
    virtual int GetTopIndex();
    virtual int GetCountPerPage();
    virtual void DeleteString(int index);
    virtual void RedrawItemEx(CDC* dc, int index, int x, int y);
    virtual void RedrawItems(CDC* dc, int first, int last);
    virtual BOOL GetItemRect(int index, RECT* rect);
    virtual int ItemFromPoint(POINT pt, int& outside);
    virtual int GetSelectedCount();
    virtual POSITION GetFirstSelectedItemPosition();
    virtual int GetNextSelectedItem(POSITION& pos);
    virtual BOOL IsSelectedItem(int index);
    virtual void SetSingleSelection(BOOL single);
    virtual void EnsureVisible(int index);
    virtual void SelectItem(int index, UINT flags = 0);
    virtual LRESULT NotifyParent(NMLISTVIEW* nm, UINT code, UINT item, POINT* pt);
    virtual void SetTooltip(const wchar_t* text);
    virtual void AnimateSwapItems(int moving, int other);
    virtual void DrawItem(DRAWITEMSTRUCT* dis);
    virtual void OnDraw(CDC* dc);
    virtual LRESULT OnClick(UINT flags, CPoint pt);
    BOOL PreTranslateMessage(MSG* msg) override;

    void BeginDragItems();
    void EndDragItems();

    // The system's drag detection; tests put a scripted one here (the real one waits for the mouse).
    static BOOL(WINAPI* s_pfnDragDetect)(HWND, POINT);

    int m_bDragMode;
    int m_nDragItem;
    int m_nLastX, m_nLastY;
    LWScrollBar m_wndScroll;
    int m_nItemCount;
    int m_nItemHeight;
    int m_nTopIndex;
    int m_nCountPerPage;
    int m_nCurSel;        // the anchor of range selection
    int* m_pSelected;     // item count + 1 marks, 1 = selected; null before SetItemCount
    int m_bSingleSel;
    int m_nHotItem;
    int m_bHotTrack;
    LWToolTipCtrl* m_pToolTip;
    CString m_strToolTip;
    int m_nPressedItem;
    int m_nMouseItem;
    int m_nPrevMouseItem;

protected:
    void ClearMarks();
    void Mark(int index);
    void UpdateScrollBar();
    // The rows a client `height` pixels high shows, told to the scroll bar as its page.
    void SetPageHeight(int height);
    bool ScrollBarShown();
    void NotifyFocus(UINT code);
    void DrawRow(CDC* dc, int index, const RECT& rc);
    int DrawableWidth();
    LRESULT SendReorder(int phase, int from, int to);

    afx_msg int OnCreate(LPCREATESTRUCT cs);
    afx_msg void OnDestroy();
    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* dc);
    afx_msg void OnSize(UINT type, int cx, int cy);
    afx_msg void OnLButtonDown(UINT flags, CPoint point);
    afx_msg void OnLButtonUp(UINT flags, CPoint point);
    afx_msg void OnLButtonDblClk(UINT flags, CPoint point);
    afx_msg void OnRButtonDown(UINT flags, CPoint point);
    afx_msg void OnMouseMove(UINT flags, CPoint point);
    afx_msg void OnMouseLeave();
    afx_msg BOOL OnMouseWheel(UINT flags, short delta, CPoint pt);
    afx_msg void OnVScroll(UINT code, UINT pos, CScrollBar* bar);
    afx_msg void OnSetFocus(CWnd* old);
    afx_msg void OnKillFocus(CWnd* next);
    DECLARE_MESSAGE_MAP()
};
