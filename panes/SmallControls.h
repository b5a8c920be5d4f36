// Two small controls of the program's dialogs and option pages: a check box drawn from a
// picture, and a report list with owner-drawn rows.
#pragma once
#include "Framework.h"

namespace PeloraUI {

// A check box drawn from bitmap IDB_CHECK_BOX (image 0 unchecked, 1 checked), toggled by a
// press or a double click. The owner reads m_bChecked directly; no notification is sent.
class CCheckBox : public CButton {
public:
    CCheckBox();
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    CImageList m_images;
    int m_bChecked = 0;

    // Draws the box and its text (WM_PAINT does it on the window).
    void Paint(CDC* dc);
};

}  // namespace PeloraUI

// A report list (LVS_REPORT | LVS_OWNERDRAWFIXED) whose rows are m_nRowFactor times the font's
// height plus 4, whose second column is marked (a frame, red text when selected), and where a
// press outside that column leaves no row selected.
class CListCtrl2 : public CListCtrl {
public:
    CListCtrl2();
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void DrawItem(LPDRAWITEMSTRUCT dis) override;
    void MeasureItem(LPMEASUREITEMSTRUCT mis);

    int m_nRowFactor = 1;
    CFont m_font;
    BOOL m_bOwnFont = FALSE;
};
