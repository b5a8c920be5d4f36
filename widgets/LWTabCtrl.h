// LWTabCtrl: a tab control that paints its own top tabs: inactive tabs from a nine-slice skin,
// the active one as a white box joined to the white page, an image on the left and a close
// button on the right of each tab. Close clicks (-560) and double clicks (-561) go to the
// parent; with the reorder flag set tabs can be dragged to a new place.
#pragma once
#include "Framework.h"
#include "LWExport.h"
#include "LWSkinControl.h"
#include <commctrl.h>

#define LWTC_CLOSE ((UINT)-560)     // a press on a shown close button; answer 1 deletes the tab
#define LWTC_DBLCLK ((UINT)-561)    // a double click (dwHitInfo: the tab or -1)
#define LWTC_STATE_CLOSE 0x100       // item state bit: the tab shows a close button

class LWAPI LWTabCtrl : public CTabCtrl {
    DECLARE_DYNAMIC(LWTabCtrl)
public:
    enum LWTabCtrlType { TypeOther = 0, TypeTop = 1, TypeBottom = 2 };

    LWTabCtrl();
    ~LWTabCtrl() override;

    void SetSkin(SkinControl& skin);
    LWTabCtrlType GetTabCtrlType() const { return m_nType; }
    int GetTabItemRect(int index, RECT* rect) const;
    int GetBtnCloseRect(int index, RECT* rect) const;
    LRESULT NotifyParent(UINT code, UINT index, POINT* pt);
    void drawSkin(CDC* dc, CRect& dest, CBitmap& bitmap, const SIZE& size, const RECT& margins);
    // Paints the top tabs and the page onto `dc` (WM_PAINT of a control with top tabs).
    void OnPaintTop(CDC* dc);
    void DrawTabItem(CDC* dc, int index, BOOL active);
    // Moves tab `source` so that it lands before the tab that was at `target` (or last).
    void ReorderTab(int source, int target);

    // The system's drag detection; tests put a scripted one here (the real one waits for the mouse).
    static BOOL(WINAPI* s_pfnDragDetect)(HWND, POINT);
    static SkinControl s_defSkin;

    SkinControl m_skin;
    CBitmap m_bmpSkin;
    CImageList m_imgClose;
    COLORREF m_crFrame;
    COLORREF m_crFrameSkin;
    CBrush m_brWhite;
    CBrush m_brGreen;
    COLORREF m_crStrip;
    CBrush m_brStrip;
    CFont m_fontNormal;
    CFont m_fontActive;
    int m_bReorder;
    LWTabCtrlType m_nType;
    BYTE m_bDragging;
    int m_nDragSource;
    int m_nDragTarget;
    CRect m_rcMarker;
    CWnd* m_pUpDown;

protected:
    void DetermineType();
    void DrawIndicator(CPoint pt);
    void ReleaseUpDown();

    afx_msg int OnCreate(LPCREATESTRUCT cs);
    afx_msg void OnDestroy();
    afx_msg void OnPaint();
    afx_msg void OnSize(UINT type, int cx, int cy);
    afx_msg void OnLButtonDown(UINT flags, CPoint point);
    afx_msg void OnLButtonUp(UINT flags, CPoint point);
    afx_msg void OnLButtonDblClk(UINT flags, CPoint point);
    afx_msg void OnMouseMove(UINT flags, CPoint point);
    afx_msg void OnCaptureChanged(CWnd* wnd);
    afx_msg LRESULT OnNcHitTest(CPoint point);
    DECLARE_MESSAGE_MAP()
};
