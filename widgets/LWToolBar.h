// Tool bars: LWToolBar (a tool bar with a flat coloured background, its own gripper and
// drop-down menu buttons), LWToolBar2 (draws every button itself from its own rectangles, with
// hot and pressed looks from a small image strip) and LWToolBarMenu (a popup listing texts).
#pragma once
#include "Framework.h"
#include "LWExport.h"
#include "LWResource.h"
#include <vector>

struct LW_DROPDOWNBUTTON {
    UINT id;
    UINT menuId;
    UINT subMenuIndex;
    LW_DROPDOWNBUTTON* next;
};

class LWAPI LWToolBar : public CToolBar {
    DECLARE_DYNAMIC(LWToolBar)
public:
    LWToolBar();
    ~LWToolBar() override;

    int AddDropDownButton(UINT id, UINT menuId, UINT subMenuIndex, BOOL arrows);
    LW_DROPDOWNBUTTON* FindDropDownButton(UINT id);
    DWORD SetExtendedStyle(DWORD style);
    BOOL GetRect(UINT id, RECT& rect);

    void DrawBorders(CDC* dc, CRect& rect) override;
    void DrawGripper(CDC* dc, const CRect& rect) override;
    // Opens the menu of drop-down button nm.iItem below `rect` (screen coordinates).
    virtual void OnDropDownButton(const NMTOOLBARW& nm, UINT id, CRect rect);

    COLORREF m_clrBackground;
    int m_bGripper;
    LW_DROPDOWNBUTTON* m_pDropDownButtons;

protected:
    afx_msg void OnTbnDropDown(NMHDR* nm, LRESULT* result);
    afx_msg int OnMouseActivate(CWnd* desktop, UINT hitTest, UINT message);
    afx_msg BOOL OnEraseBkgnd(CDC* dc);
    afx_msg HBRUSH CtlColor(CDC* dc, UINT ctlColor) override;
    DECLARE_MESSAGE_MAP()
};

// One button of LWToolBar2.
struct LWToolBar2_BtnInfo {
    RECT rect;           // client coordinates
    int reserved[4];     // for the owner; the library never reads them
    int noImage;         // nonzero: no image is drawn
    CString text;
};

class LWAPI LWToolBar2 : public LWToolBar {
    DECLARE_DYNAMIC(LWToolBar2)
public:
    LWToolBar2();
    ~LWToolBar2() override;

    // The records grow with the bar: any button index of the bar has one.
    virtual void GetItemRect(int index, RECT* rect) const;
    virtual int GetItemCount();
    virtual void SetItemRect(int index, RECT* rect);
    // A new zeroed TBBUTTON whose string points to a new copy of `text`; the caller owns both.
    virtual TBBUTTON* InsertButtonSubitem(int index, CString text);
    virtual void SetButtonText(const wchar_t* text, int index);
    virtual void SetNumButtons(int count);
    // Lays the first 8 buttons out in a row by their texts.
    virtual void RecalcButtons();

    void DrawBorders(CDC* dc, CRect& rect) override;
    void DrawGripper(CDC* dc, const CRect& rect) override;
    void OnDropDownButton(const NMTOOLBARW& nm, UINT id, CRect rect) override;
    void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;

    void DrawButtons(CDC* dc, int only);
    CWnd* HelperGetFrameWnd();
    // The button under a client point, or -1.
    int HitTestButton(CPoint point);
    const LWToolBar2_BtnInfo* GetButtonInfoRecord(int index) const;

    std::vector<LWToolBar2_BtnInfo> m_buttons;
    int m_nTextButtons;
    int m_nPressed;
    int m_nHot;
    COLORREF m_clrSeparatorTopLeft;
    COLORREF m_clrSeparatorBottomRight;
    CBitmap m_bmpBackground;
    CFont m_font;
    CImageList m_imgStates;

protected:
    LWToolBar2_BtnInfo& Record(int index);
    void PaintBar(CDC* windowDC);
    void DrawSeparator(CDC* dc, int index, const CRect& rect);
    void SetStateBit(int index, UINT bit, bool on);
    bool HasChildWithId(UINT id);

    afx_msg BOOL OnEraseBkgnd(CDC* dc);
    afx_msg void OnPaint();
    afx_msg void OnNcPaint();
    afx_msg void OnLButtonDown(UINT flags, CPoint point);
    afx_msg void OnLButtonUp(UINT flags, CPoint point);
    afx_msg void OnMouseMove(UINT flags, CPoint point);
    afx_msg void OnNcMouseMove(UINT flags, CPoint point);
    DECLARE_MESSAGE_MAP()
};

class LWAPI LWToolBarMenu : public CWnd {
    DECLARE_DYNAMIC(LWToolBarMenu)
public:
    LWToolBarMenu();
    ~LWToolBarMenu() override;

    const CStringList* m_pTexts;  // not owned

protected:
    afx_msg void OnPaint();
    afx_msg void OnKillFocus(CWnd* next);
    DECLARE_MESSAGE_MAP()
};
