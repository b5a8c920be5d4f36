// LWEdit: an edit box with a cue text shown while it is empty, an optional own border,
// Ctrl+Backspace word deletion, explicit clipboard keys, and notices to its parent for Enter,
// Tab, Esc, focus changes, every character and double clicks (codes below).
#pragma once
#include "Framework.h"
#include "LWExport.h"

// WM_NOTIFY codes (NMHDR from the edit; wParam is the edit's window handle).
#define LWEN_ENTER 770      // Enter pressed (consumed)
#define LWEN_TAB 771        // Tab pressed while Tab-notify is set (consumed)
#define LWEN_SETFOCUS 773   // the edit gained the focus
#define LWEN_KILLFOCUS 774  // the edit lost the focus
#define LWEN_ESCAPE 775     // Esc pressed (consumed)
// WM_COMMAND codes (MAKEWPARAM(id, code), the edit's window handle).
#define LWEN_CHAR 0x301     // after every character that reached the enabled edit (769)
#define LWEN_DBLCLK 0x304   // left double click (772)

class LWAPI LWEdit : public CEdit {
    DECLARE_DYNAMIC(LWEdit)
public:
    LWEdit();
    ~LWEdit() override;

    virtual int DrawBorder(CDC* dc);
    virtual int DrawHelperString(CDC* dc);
    BOOL PreTranslateMessage(MSG* msg) override;

    CBrush m_brBackground;
    int m_bPlainDisabled;
    INT_PTR m_bTabNotify;
    CString m_strCue;
    COLORREF m_clrCue;
    int m_nBorderMode;
    CRect m_rcLayoutClient;
    CRect m_rcLayoutWindow;
    int m_nCueOffsetX;
    int m_nCueOffsetY;
    int m_bForwardContextMenu;

protected:
    void SendNotice(UINT code);
    void DeleteWordBack();

    afx_msg void OnChar(UINT ch, UINT repeat, UINT flags);
    afx_msg void OnSetFocusReflect();
    afx_msg void OnKillFocusReflect();
    afx_msg void OnPaint();
    afx_msg void OnNcPaint();
    afx_msg void OnNcCalcSize(BOOL calcValid, NCCALCSIZE_PARAMS* params);
    afx_msg HBRUSH CtlColor(CDC* dc, UINT ctlColor) override;
    afx_msg void OnContextMenu(CWnd* wnd, CPoint point);
    DECLARE_MESSAGE_MAP()
};
