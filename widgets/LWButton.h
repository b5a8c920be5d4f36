// LWButton: the owner-drawn button of every program window: push, hover, drop-down and split
// buttons, toggles, check boxes, radio buttons and link captions, painted from a skin or a
// system frame, with an optional colour-keyed image and library-wide named groups in which at
// most one button is checked.
#pragma once
#include "Framework.h"
#include "LWExport.h"
#include "LWSkinControl.h"

class LWAPI LWButton : public CButton {
    DECLARE_DYNAMIC(LWButton)
public:
    enum Type {
        TypeFlat = 0, TypeNormal = 1, TypeHover = 2, TypeDropDown = 3, TypeHoverDropDown = 4,
        TypeSplit = 5, TypeHoverSplit = 6, TypeToggle = 7, TypeHoverToggle = 8, TypeCheckBox = 9,
        TypeRadio = 10, TypeLink = 11
    };
    enum Text { TextNone = 0, TextLeft = 1, TextCenter = 2, TextWrap = 3 };
    enum Focus { FocusNone = 0, FocusRect = 1, FocusDefault = 2 };

    LWButton();
    ~LWButton() override;

    void setType(Type type);
    Type getType() const { return m_type; }
    void setTextStyle(Text style);
    Text getTextStyle() const { return m_textStyle; }
    void setFocusStyle(Focus style);
    Focus getFocusStyle() const { return m_focusStyle; }
    void setTextColor(COLORREF color) { m_clrText = color; }
    COLORREF getTextColor() const { return m_clrText; }
    void setBgColor(COLORREF color) { m_clrBg = color; }
    void setGradient(bool gradient) { m_bGradient = gradient; }
    bool isGradient() const { return m_bGradient; }
    bool isChecked() const { return m_bChecked != 0; }
    void SetCheck(bool checked);
    bool isMultiClicked() const { return m_bSplitPressed != 0; }
    void clearMultiClick();
    int displayPopupMenu(CMenu* menu);
    void enable(bool enabled);
    bool addToGroup(CString name);
    bool removeFromGroup();
    void setImageStates(UINT resId);
    void setBitmapId(int id, COLORREF key);
    void removeBitmap();
    void SetSkin(SkinControl& skin);
    void SizeToText(int keepRight);
    void drawSkin(CDC* dc, CBitmap& bitmap, const SIZE& bitmapSize, const RECT& margins);

    void DrawItem(LPDRAWITEMSTRUCT dis) override;
    void PreSubclassWindow() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    static SkinControl s_defSkin;
    static unsigned s_defBmpStateRes;
    static CFont s_defFont;
    static CMapStringToPtr m_btnGroups;
    static int m_nRefs;
    static COLORREF m_rgbTopGradient;
    static COLORREF m_rgbBottomGradient;
    static COLORREF m_rgbTopGradientHot;
    static COLORREF m_rgbBottomGradientHot;

protected:
    void drawFrame(CDC* dc, LPDRAWITEMSTRUCT dis);
    void drawHotButtonFrame(CDC* dc, LPDRAWITEMSTRUCT dis);
    int drawBitmap(CDC* dc, LPDRAWITEMSTRUCT dis);
    int drawRadioFrame(CDC* dc, LPDRAWITEMSTRUCT dis, int x);
    int drawCheckFrame(CDC* dc, LPDRAWITEMSTRUCT dis, int x);
    int drawStateFrame(CDC* dc, LPDRAWITEMSTRUCT dis, int x, int firstImage, UINT kind);
    void drawDropDown(CDC* dc, LPDRAWITEMSTRUCT dis);
    void drawDropDownIndicator(CDC* dc, const CRect& rect, int d);
    void drawMultiDropDownRegion(CDC* dc, const CRect& rect);
    int drawCaption(CDC* dc, LPDRAWITEMSTRUCT dis, int x);
    void drawFocus(CDC* dc, LPDRAWITEMSTRUCT dis, int x, int r);
    void drawDefaultBorder(CDC* dc, LPDRAWITEMSTRUCT dis);
    void TransparentBlt(HDC hdc, int x, int y, int w, int h, HBITMAP bitmap, int srcX, int srcY, COLORREF key,
                        HPALETTE palette);
    void DisabledBlt(HDC hdc, int x, int y, int w, int h, HBITMAP bitmap, int srcX, int srcY);
    void multiHitTest(CPoint point);
    static BOOL getButtonGroup(CString name, void*& list);
    static void reset();
    static void drawGradientRect(CDC* dc, CRect rect, COLORREF top, COLORREF bottom, int vertical);

    afx_msg int OnCreate(LPCREATESTRUCT cs);
    afx_msg BOOL OnEraseBkgnd(CDC* dc);
    afx_msg void OnSetFocus(CWnd* old);
    afx_msg void OnKillFocus(CWnd* next);
    afx_msg void OnLButtonDown(UINT flags, CPoint point);
    afx_msg void OnLButtonUp(UINT flags, CPoint point);
    afx_msg void OnMouseMove(UINT flags, CPoint point);
    afx_msg void OnMouseLeave();
    afx_msg BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
    afx_msg void OnDestroy();
    DECLARE_MESSAGE_MAP()

public:
    CImageList m_imgStates;
    SkinControl m_skin;
    CBitmap m_bmpSkinNormal;
    CBitmap m_bmpSkinState;
    int m_nCaptionX;
    int m_nImgPushX;
    int m_nImgPushY;
    int m_nBitmapId;
    HBITMAP m_hBitmap;
    int m_nBitmapW;
    int m_nBitmapH;
    Type m_type;
    Text m_textStyle;
    Focus m_focusStyle;
    COLORREF m_clrText;
    COLORREF m_clrBg;
    int m_bHot;
    BYTE m_bCenter;
    BYTE m_bWordWrap;
    BYTE m_bChecked;
    BYTE m_bShowCaption;
    BYTE m_bDropArrow;
    BYTE m_bSplit;
    BYTE m_bSplitPressed;
    BYTE m_bFlat;
    BYTE m_bLink;
    BYTE m_bHoverFrame;
    bool m_bGradient;
    COLORREF m_clrKey;
    BYTE m_bWasDefault;
    CString m_groupName;
};
