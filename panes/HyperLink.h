// PeloraUI::CHyperLink: a static text that behaves as a link (hand cursor, colours for the
// normal, hovered and pressed states, optional icons and frame, a tooltip with its address),
// opening its address with the shell and/or telling its parent when clicked.
#pragma once
#include "Framework.h"

namespace PeloraUI {

class CHyperLink : public CStatic {
public:
    enum { TimerLeave = 1001, NotifySetFocus = 773, NotifyKillFocus = 774 };
    enum State { Normal, Hover, Pressed, Disabled };

    CHyperLink();
    ~CHyperLink() override;

    void SetTooltipText(LPCTSTR text);  // the address opened on click; null clears it
    void SetHighlight(BOOL on) { m_bHighlight = on; }
    void SetColours(COLORREF normal, COLORREF hover, COLORREF pressed, COLORREF background);
    void SetBackgroundColour(COLORREF c) { m_clrBackground = c; }
    void SetIcon(UINT id);
    // Icon handles per state (owned by the caller); the disabled look is made from the normal one.
    void SetIcons(HICON normal, HICON hover, HICON pressed);
    BOOL SetLinkFont(LPCTSTR face, int height, int weight, BOOL italic);
    void SizeToText(int extraX, int extraY);
    // Text painted instead of the window text (null: the window text).
    void SetDrawText(LPCTSTR text);

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    // Opens the address; the shell's "open" verb. Tests replace it.
    virtual void OpenAddress(const CString& address);
    // Where the pointer is, in screen coordinates. Tests replace it.
    virtual CPoint PointerPos() const;
    // A click opens the address: the flag is on and there is an address.
    bool OpensAddress() const { return m_bOpenOnClick && m_pAddress && !m_pAddress->IsEmpty(); }

    CString* m_pDrawText = nullptr;
    CString* m_pAddress = nullptr;
    int m_bHighlight = 0;
    int m_bOpenOnClick = 1;
    int m_bReserveIconSpace = 0;
    int m_bMultiLine = 0;
    CFont m_font;
    COLORREF m_clrNormal = RGB(0, 0, 255);   // 0xFF0000 as a COLORREF: blue
    COLORREF m_clrHover = RGB(255, 0, 0);    // 0x0000FF: red
    COLORREF m_clrPressed = RGB(200, 0, 225);  // 0xE100C8
    COLORREF m_clrBackground;
    COLORREF m_clrFrame = 0;
    int m_nFrameWidth = 0;
    int m_nFramePenStyle = PS_SOLID;
    HCURSOR m_hSavedCursor = nullptr;
    HCURSOR m_hHandCursor;
    HICON m_hIcons[4] = {};
    WORD m_wIconFlags = 0x3333;  // per state 4 bits: has icon, left of the text, right of it
    UINT m_nIconId = 0;
    CToolTipCtrl m_tooltip;
    int m_bDisabled = 0, m_bHovered = 0, m_bPressed = 0, m_bPressStarted = 0;

    // Draws the link in its current state (WM_PAINT does it through a buffer).
    void Paint(CDC* dc);
    State CurrentState() const;
    COLORREF TextColour() const;
    COLORREF UnderlineColour() const;

protected:
    void EnsureTooltip();
    bool PointerInside() const;
    void Relay(UINT message, WPARAM wParam, LPARAM lParam);
    CRect m_rcPressed;
};

}  // namespace PeloraUI
