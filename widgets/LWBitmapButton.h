// LWBitmapButton: an image push button on a white or gradient face; its four bitmaps are
// named after a base name plus "U" (normal), "D" (selected), "F" (focus) and "X" (disabled).
#pragma once
#include "Framework.h"
#include "LWExport.h"

class LWAPI LWBitmapButton : public CBitmapButton {
    DECLARE_DYNAMIC(LWBitmapButton)
public:
    LWBitmapButton();
    ~LWBitmapButton() override;

    // A "BUTTON" window (WS_EX_TRANSPARENT, style 0x5600000B) with the four bitmaps of `name`;
    // a rectangle with left == right takes the normal bitmap's size. Answers the load result.
    virtual BOOL Create(CString name, const RECT& rect, CWnd* parent, UINT id);
    virtual BOOL Create(CString name, CWnd* parent, UINT id);
    virtual BOOL SetImageBitmap(CString name);
    // The window text over the face, offset by the image position and the caption offset.
    virtual void DrawTextW(DRAWITEMSTRUCT* dis, int x, int y);

    BOOL Create(LPCTSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id) override;
    void DrawItem(LPDRAWITEMSTRUCT dis) override;
    BOOL PreTranslateMessage(MSG* msg) override;

    COLORREF m_clrImageKey;
    COLORREF m_clrScreenKey;
    COLORREF m_clrCompose;
    int m_nPressX;
    int m_nPressY;
    CFont m_fontCaption;
    UINT m_nCaptionFormat;
    int m_nCaptionOffsetX;
    int m_nCaptionOffsetY;
    COLORREF m_clrCaption;
    int m_nGradientMode;
    RECT m_rcGradient;
    COLORREF m_clrGradientStart;
    COLORREF m_clrGradientEnd;
};
