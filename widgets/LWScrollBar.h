// LWScrollBar: a thin self-drawn vertical scroll bar (a plain child window) with a flat thumb,
// paging by click with auto-repeat and thumb dragging; it reports to its parent with WM_VSCROLL.
#pragma once
#include "Framework.h"
#include "LWExport.h"

class LWAPI LWScrollBar : public CWnd {
    DECLARE_DYNAMIC(LWScrollBar)
public:
    LWScrollBar();
    ~LWScrollBar() override;

    virtual BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id, CCreateContext* context = nullptr);
    virtual void SetRange(int min, int max);
    // Clamped to [min, max]; the thumb follows unless it is being dragged.
    virtual void SetPos(int pos);
    virtual void SetPage(int page);
    virtual void OnDraw(CDC* dc);

    int GetPos() const { return m_nPos; }
    // Thumb height, track length and pixels per unit for a client `height` (none divides by zero).
    void CalcCursorRect(int height);

    static CBitmap s_bmpSkin;

    int m_nMin;
    int m_nMax;
    int m_nPos;
    int m_nPage;
    CRect m_rcThumb;
    int m_nDragOffset;
    int m_nPressMode;  // -1 none, SB_PAGEUP, SB_PAGEDOWN or SB_THUMBPOSITION
    float m_fTrackLength;
    float m_fPixelsPerUnit;
    float m_fThumbHeight;

protected:
    // One paging step at `point`; TRUE while the press should repeat.
    BOOL ProcessScroll(CPoint point);
    void Recalc();

    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* dc);
    afx_msg void OnLButtonDown(UINT flags, CPoint point);
    afx_msg void OnLButtonUp(UINT flags, CPoint point);
    afx_msg void OnMouseMove(UINT flags, CPoint point);
    afx_msg void OnTimer(UINT_PTR id);
    afx_msg void OnSize(UINT type, int cx, int cy);
    DECLARE_MESSAGE_MAP()
};
