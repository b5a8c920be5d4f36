// LWStatusBar: a status bar that paints a flat colour and a size grip (no pane texts).
#pragma once
#include "Framework.h"
#include "LWExport.h"

class LWAPI LWStatusBar : public CStatusBar {
    DECLARE_DYNAMIC(LWStatusBar)
public:
    LWStatusBar();

    COLORREF m_crBack;
    CImageList m_imgGrip;

protected:
    afx_msg int OnCreate(LPCREATESTRUCT cs);
    afx_msg void OnDestroy();
    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* dc);
    DECLARE_MESSAGE_MAP()
};
