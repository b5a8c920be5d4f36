// CDialogExt: the base of the program's own dialogs. A caption-less template becomes a skinned
// window: rounded region, background and close button cut from one skin bitmap, a title in the
// caption band, dragging by that band, optional sizing from the bottom corners, one font for
// everything, and the keyboard focus handed back when the dialog closes.
#pragma once
#include "Framework.h"

// The skin record: 13 signed 32-bit fields, copied as one block.
struct DialogSkin {
    int bitmapId;        // resource id (low 16 bits); 0 = no bitmap
    int frameWidth;      // W: columns 0..W-1 of the bitmap hold the frame
    int frameHeight;     // H
    int left;            // L: left band and corner width
    int top;             // T: top band height, also the caption height
    int rightStart;      // R: column where the right band begins
    int bottomStart;     // B: row where the bottom band begins
    int closeLeft, closeTop, closeRight, closeBottom;  // close image in the bitmap (right/bottom exclusive)
    int closeFromRight;  // close button drawn at x = client width - this
    int closeY;          // ... and y = this
};
static_assert(sizeof(DialogSkin) == 52, "the skin record is 13 32-bit integers");

extern const DialogSkin DefaultDialogSkin;

class CDialogExt : public CDialog {
public:
    CDialogExt(UINT nIDTemplate, CWnd* pParent = nullptr);
    ~CDialogExt() override;

    virtual HRGN SetupRegion(int width, int height);  // applied to the window (which then owns it)
    virtual void DrawDialog(CDC* dc);
    virtual void DrawBackground(CDC* dc);
    virtual void FillBackground(CDC* dc);
    virtual void DrawContent(CDC* dc);
    virtual void DrawTitle(CDC* dc);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    BOOL SetSkin(const DialogSkin& skin);
    BOOL GetSkin(DialogSkin& skin) const;
    void CenterControl(CWnd* child, int offset);
    // The close button's rectangle in client coordinates.
    CRect CloseRect() const;

    DialogSkin m_skin = {};
    CBitmap m_bmpBackground;
    CFont m_fontCaption;
    CString m_strTitle;
    COLORREF m_clrNoFill = RGB(255, 0, 0);
    COLORREF m_clrBackground = RGB(255, 255, 255);
    BOOL m_bResizable = FALSE;
    // Kept as a handle, not a window object: the window may be destroyed while the dialog is
    // open, and a handle can be checked before the focus goes back to it.
    HWND m_hWndSavedFocus = nullptr;

protected:
    LRESULT HitTest(CPoint screen);
    void RestoreFocus();
    void LoadSkinBitmap();
};
