// LWComboBox: a self-painted drop-down list with a cue text, an item image and a drop button
// taken from a library-wide image list (image 0 of s_bmpButton, filled by the program).
#pragma once
#include "Framework.h"
#include "LWExport.h"

class LWAPI LWComboBox : public CComboBox {
    DECLARE_DYNAMIC(LWComboBox)
public:
    LWComboBox();
    ~LWComboBox() override;

    // Deletes item 0 until none is left.
    virtual void ResetContent();
    virtual void DrawBackground(CDC* dc);
    virtual void Draw(CDC* dc);

    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) override;
    // Always a drop-down list of owner-drawn variable items with strings (style | 0x223).
    BOOL Create(LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                CCreateContext* context = nullptr) override;
    void PreSubclassWindow() override;
    void DrawItem(LPDRAWITEMSTRUCT dis) override;
    void MeasureItem(LPMEASUREITEMSTRUCT mis) override;

    CFont m_font;
    int m_bBlockWheel;
    COLORREF m_clrGradientStart;
    COLORREF m_clrGradientEnd;
    int m_nGradientMode;
    RECT m_rcGradient;
    int m_bFitText;
    CImageList m_images;
    int m_nImage;
    CString m_strCue;
    int m_nBorderStyle;
    COLORREF m_clrSelected;
    COLORREF m_clrNormal;
    HWND m_hWndList;

    static CImageList s_bmpButton;

protected:
    // The text shortened with "..." to fit `width` (unchanged when even one character does not).
    CString FitText(CDC* dc, const CString& text, int width) const;
    void DrawText(CDC* dc, const CString& text, CRect rect, COLORREF color);

    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* dc);
    afx_msg HBRUSH CtlColor(CDC* dc, UINT ctlColor) override;
    afx_msg LRESULT OnCtlColorListBox(WPARAM wParam, LPARAM lParam);
    afx_msg BOOL OnMouseWheel(UINT flags, short delta, CPoint point);
    DECLARE_MESSAGE_MAP()
};
