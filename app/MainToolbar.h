// The main tool bar: eight text buttons on a bitmap background, with a small animation while a
// sync runs.
#pragma once
#include "Framework.h"
#include "LWToolBar.h"

class CMainToolbar : public LWToolBar2 {
    DECLARE_DYNAMIC(CMainToolbar)
public:
    CMainToolbar();
    ~CMainToolbar() override;

    // Creates the bar in parent with its eight buttons (texts: string ids 2000-2007).
    BOOL CreateBar(CWnd* parent);
    void StartAnimation();
    void StopAnimation();
    BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) override;
    // One row of text buttons, 3 to 25 pixels down, across the whole frame.
    CSize CalcFixedLayout(BOOL stretch, BOOL horz) override;

    CImageList m_imgAnimation;
    int m_animationIndex = 0;
    int m_animating = 0;

protected:
    afx_msg void OnTimer(UINT_PTR id);
    void PaintFrame();
    DECLARE_MESSAGE_MAP()
};
