// LWTreeCtrl: a tree view that can paint itself (check box, expand button bitmaps, icon and text
// of each visible item into one off-screen bitmap, or a listener draws them) and hands drag and
// drop to a listener. ResortTreeItems sorts a whole subtree with a comparison callback.
#pragma once
#include "Framework.h"
#include "LWExport.h"
#include <commctrl.h>

class LWTreeCtrl;

// What a tree's owner hears; every default answers 0 (not drawn, drag refused).
class LWAPI LWTreeCtrlEvents {
public:
    virtual ~LWTreeCtrlEvents() {}
    virtual int LWTreeCtrl_OnDrawItem(LWTreeCtrl*, CDC*, HTREEITEM) { return 0; }
    virtual int LWTreeCtrl_OnDragBegin(LWTreeCtrl*, HTREEITEM) { return 0; }
    virtual int LWTreeCtrl_OnDragMoving(LWTreeCtrl*, HTREEITEM) { return 0; }
    virtual int LWTreeCtrl_OnDragEnd(LWTreeCtrl*, HTREEITEM) { return 0; }
};

class LWAPI LWTreeCtrl : public CTreeCtrl {
    DECLARE_DYNAMIC(LWTreeCtrl)
public:
    // Parts of an item for GetItemRectEx.
    enum { PartRow = 0, PartText = 1, PartCheck = 2, PartButton = 3, PartIcon = 4 };

    LWTreeCtrl();
    ~LWTreeCtrl() override;

    virtual void DrawBackGround(CDC* dc);
    virtual void DrawItems(CDC* dc);
    virtual void DrawItem(CDC* dc, HTREEITEM item);
    virtual int DrawItemIcons(CDC* dc, HTREEITEM item, CRect rect);
    virtual BOOL GetItemRectEx(HTREEITEM item, CRect& rect, UINT part);

    // Sorts the children of `parent` and of all its descendants, deepest levels first.
    static void ResortTreeItems(CTreeCtrl& tree, HTREEITEM parent, PFNTVCOMPARE compare);

    LWTreeCtrlEvents* m_pListener;
    int m_bOwnerPaint;
    COLORREF m_crText;
    COLORREF m_crSelText;
    CRect m_rcReserved;
    CBitmap m_bmpCollapsed;
    CBitmap m_bmpExpanded;
    CRect m_rcClient;
    int m_nOriginX, m_nPaintWidth, m_nOriginY, m_nPaintHeight;
    CFont m_font;
    CDC m_dcButtons;
    int m_bDragging;
    HTREEITEM m_hDropTarget;

protected:
    HTREEITEM ItemAt(CPoint point);
    // The place of an image of list `images` (its first image's width) 3 pixels left of the text.
    BOOL LeftOfText(HTREEITEM item, HIMAGELIST images, CRect& rect);
    void RepaintNow();

    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* dc);
    afx_msg void OnLButtonDown(UINT flags, CPoint point);
    afx_msg void OnLButtonUp(UINT flags, CPoint point);
    afx_msg void OnMouseMove(UINT flags, CPoint point);
    afx_msg void OnHScroll(UINT code, UINT pos, CScrollBar* bar);
    afx_msg void OnVScroll(UINT code, UINT pos, CScrollBar* bar);
    afx_msg BOOL OnMouseWheel(UINT flags, short delta, CPoint pt);
    afx_msg BOOL OnItemExpanded(NMHDR* nm, LRESULT* result);
    afx_msg BOOL OnBeginDrag(NMHDR* nm, LRESULT* result);
    DECLARE_MESSAGE_MAP()
};
