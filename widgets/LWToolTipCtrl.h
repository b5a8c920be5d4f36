// LWToolTipCtrl: a tooltip whose shape and frame come from a skin bitmap (nine-slice frame,
// transparent colour, a window region without the skin's transparent corner and top pixels).
#pragma once
#include "Framework.h"
#include "LWExport.h"
#include <commctrl.h>

class LWAPI LWToolTipCtrl : public CToolTipCtrl {
    DECLARE_DYNAMIC(LWToolTipCtrl)
public:
    LWToolTipCtrl();
    ~LWToolTipCtrl() override;

    void SetSkin(UINT bitmapId, CRect margins, COLORREF transparent);
    void ResizeTooltip(int cx, int cy);
    void DrawBackground(HDC dc, NMTTCUSTOMDRAW* nm);
    void SetOwnerSize(BOOL on) { m_bOwnerSize = on; }
    void SetOwnerDraw(BOOL on) { m_bOwnerDraw = on; }

    CBitmap m_bmpSkin;
    int m_nWidth;
    int m_nHeight;
    int m_nLeft, m_nTop, m_nRight, m_nBottom;
    COLORREF m_crTransparent;
    CDC m_dcSkin;
    int m_bOwnerSize;
    int m_bOwnerDraw;

protected:
    // Puts the skin into the memory DC (taking out the one there first) and shapes the window.
    void SelectSkin();

    HGDIOBJ m_hOldBitmap;

    afx_msg int OnCreate(LPCREATESTRUCT cs);
    afx_msg void OnDestroy();
    afx_msg BOOL OnCustomDraw(NMHDR* nm, LRESULT* result);
    afx_msg BOOL OnShow(NMHDR* nm, LRESULT* result);
    afx_msg BOOL OnPop(NMHDR* nm, LRESULT* result);
    afx_msg BOOL OnGetDispInfo(NMHDR* nm, LRESULT* result);
    DECLARE_MESSAGE_MAP()
};
