// LWSplitterWnd: two panes side by side or one above the other, separated by a bar the user
// drags with an XOR tracker; a listener may refuse the new position or place a pane itself.
#pragma once
#include "Framework.h"
#include "LWExport.h"

class LWAPI LWSplitterNotify {
public:
    // 0 refuses the new position.
    virtual int OnSplitterResize(CWnd* splitter, UINT newPosition);
    // 0: the listener placed the pane itself.
    virtual int OnResizeChild(CWnd* splitter, CWnd* pane, CRect& rect);
};

class LWAPI LWSplitterWnd : public CWnd {
    DECLARE_DYNAMIC(LWSplitterWnd)
public:
    enum Kind {
        KindLeft = 0,    // the position is the width of the left pane
        KindRight = 1,   // ... of the right pane
        KindTop = 2,     // ... the height of the top pane
        KindBottom = 3,  // ... of the bottom pane
    };

    LWSplitterWnd();
    ~LWSplitterWnd() override;

    // A transparent child of `parent` holding `first` and `second` (moved into it by layout).
    BOOL Create(CWnd* parent, const RECT& rect, UINT id, int kind, CWnd* first, CWnd* second,
                LWSplitterNotify* listener = nullptr);
    void SetPos(int pos) { m_nPos = pos; }
    int GetPos() const { return m_nPos; }
    void SetWidth(int width) { m_nWidth = width; }
    void GetPaneRect(CRect& first, CRect& second);
    void RecalcLayout();
    // The bar's look: white, framed in RGB(196, 203, 218), with the gripper when tall enough.
    static void DrawSplitter(CDC* dc, CRect rect);

    static CBitmap s_bmpGripper;

    LWSplitterNotify* m_pListener;
    int m_nKind;
    CWnd* m_pPane1;
    CWnd* m_pPane2;
    int m_nPos;
    int m_nWidth;
    int m_bRelayout;
    CRect m_rcTracker;
    int m_cx;
    int m_cy;
    int m_nHit;
    int m_bSelfDelete;

protected:
    CRect BarRect() const;
    bool OnBar(CPoint point) const;
    CPoint RestrictMove(CPoint point) const;
    void OnDrawSplitter(CDC* dc);
    void DrawTracker();
    void PostNcDestroy() override;

    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* dc);
    afx_msg void OnSize(UINT type, int cx, int cy);
    afx_msg LRESULT OnNcHitTest(CPoint point);
    afx_msg BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
    afx_msg void OnLButtonDown(UINT flags, CPoint point);
    afx_msg void OnMouseMove(UINT flags, CPoint point);
    afx_msg void OnLButtonUp(UINT flags, CPoint point);
    afx_msg void OnRButtonDown(UINT flags, CPoint point);
    DECLARE_MESSAGE_MAP()
};
