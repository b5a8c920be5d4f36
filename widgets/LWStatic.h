// LWStatic: a static text with its own background and text colours that can size itself to its
// text; LWProgressBar: a quota bar over a progress control, drawn from two bitmaps with five
// scale labels.
#pragma once
#include "Framework.h"
#include "LWExport.h"

class LWAPI LWStatic : public CStatic {
    DECLARE_DYNAMIC(LWStatic)
public:
    LWStatic();
    // Resizes the window, without moving it, so that its client area is the text's size.
    virtual void SizeToText();

    int m_bSelfPaint;     // 0: painted as a plain static control
    COLORREF m_crBack;
    COLORREF m_crText;    // (COLORREF)-1 keeps the DC's colour

protected:
    afx_msg void OnPaint();
    DECLARE_MESSAGE_MAP()
};

class LWAPI LWProgressBar : public CStatic {
    DECLARE_DYNAMIC(LWProgressBar)
public:
    LWProgressBar();
    virtual void DrawBackground(CDC* dc);
    // Label `index` (0..4) of the scale for a full-scale value in megabytes.
    static CString FormatScaleLabel(int fullScaleMb, int index);
    // Filled share of `width` for a position in [low, high]; clamped, and 0 for an empty range.
    static int FilledWidth(int width, int low, int high, int pos);

    CBitmap m_bmpEmpty;
    CBitmap m_bmpFull;
    CFont m_font;
    int m_nFullScaleMb;

protected:
    afx_msg BOOL OnEraseBkgnd(CDC* dc);
    afx_msg void OnPaint();
    DECLARE_MESSAGE_MAP()
};
