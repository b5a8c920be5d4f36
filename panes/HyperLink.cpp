#include "HyperLink.h"
#include "BufferDC.h"
#include <shellapi.h>
#include <vector>

namespace PeloraUI {

CHyperLink::CHyperLink() : m_clrBackground(::GetSysColor(COLOR_BTNFACE)), m_hHandCursor(::LoadCursorW(nullptr, IDC_HAND))
{
    m_font.CreateFont(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Arial");
}

CHyperLink::~CHyperLink()
{
    delete m_pDrawText;
    delete m_pAddress;
    if (m_tooltip.GetSafeHwnd())
        m_tooltip.DestroyWindow();
}

void CHyperLink::SetTooltipText(LPCTSTR text)
{
    delete m_pAddress;
    m_pAddress = text ? new CString(text) : nullptr;
    if (m_tooltip.GetSafeHwnd())
        m_tooltip.UpdateTipText(m_pAddress ? (LPCTSTR)*m_pAddress : L"", this);
}

void CHyperLink::SetDrawText(LPCTSTR text)
{
    delete m_pDrawText;
    m_pDrawText = text ? new CString(text) : nullptr;
    if (GetSafeHwnd())
        Invalidate();
}

void CHyperLink::SetColours(COLORREF normal, COLORREF hover, COLORREF pressed, COLORREF background)
{
    m_clrNormal = normal;
    m_clrHover = hover;
    m_clrPressed = pressed;
    m_clrBackground = background;
}

void CHyperLink::SetIcon(UINT id)
{
    m_nIconId = id;
}

void CHyperLink::SetIcons(HICON normal, HICON hover, HICON pressed)
{
    m_hIcons[Normal] = normal;
    m_hIcons[Hover] = hover;
    m_hIcons[Pressed] = pressed;
}

BOOL CHyperLink::SetLinkFont(LPCTSTR face, int height, int weight, BOOL italic)
{
    CFont font;
    if (!font.CreateFont(height, 0, 0, 0, weight, (BYTE)italic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face))
        return FALSE;
    m_font.DeleteObject();
    m_font.Attach(font.Detach());
    if (GetSafeHwnd())
        SendMessage(WM_SETFONT, (WPARAM)m_font.GetSafeHandle(), TRUE);
    return TRUE;
}

void CHyperLink::SizeToText(int extraX, int extraY)
{
    CString text;
    GetWindowText(text);
    CRect rc(0, 0, 0, 0);
    {
        CClientDC dc(this);
        CFont* old = dc.SelectObject(GetFont() ? GetFont() : &m_font);
        dc.DrawText(text, &rc, DT_CALCRECT | DT_NOPREFIX);
        dc.SelectObject(old);
    }
    CRect win, client;
    GetWindowRect(&win);
    GetClientRect(&client);
    const int borderX = win.Width() - client.Width(), borderY = win.Height() - client.Height();
    SetWindowPos(nullptr, 0, 0, rc.Width() + 2 + borderX + extraX, rc.Height() + borderY + extraY,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CHyperLink::OpenAddress(const CString& address)
{
    ::ShellExecuteW(GetParent() ? GetParent()->GetSafeHwnd() : nullptr, L"open", address, nullptr, nullptr,
                    SW_SHOWNORMAL);
}

CHyperLink::State CHyperLink::CurrentState() const
{
    if (m_bDisabled)
        return Disabled;
    if (m_bPressed)
        return Pressed;
    if (m_bHovered)
        return Hover;
    return Normal;
}

COLORREF CHyperLink::TextColour() const
{
    switch (CurrentState()) {
    case Disabled: return ::GetSysColor(COLOR_BTNSHADOW);
    case Pressed: return m_clrPressed;
    case Hover: return m_clrHover;
    default: return m_clrNormal;
    }
}

COLORREF CHyperLink::UnderlineColour() const
{
    // A link at rest is underlined only when highlighted; otherwise the line is the text's colour.
    return CurrentState() == Normal && !m_bHighlight ? m_clrBackground : TextColour();
}

void CHyperLink::EnsureTooltip()
{
    if (m_tooltip.GetSafeHwnd() || !GetSafeHwnd())
        return;
    if (m_tooltip.Create(this)) {
        m_tooltip.AddTool(this, m_pAddress ? (LPCTSTR)*m_pAddress : L"");
        m_tooltip.Activate(TRUE);
    }
}

CPoint CHyperLink::PointerPos() const
{
    POINT pt = {};
    ::GetCursorPos(&pt);
    return pt;
}

bool CHyperLink::PointerInside() const
{
    const CPoint pt = PointerPos();
    CRect rc;
    ::GetWindowRect(m_hWnd, &rc);
    if (rc.PtInRect(pt))
        return true;
    if (m_tooltip.GetSafeHwnd() && ::IsWindowVisible(m_tooltip.GetSafeHwnd())) {
        ::GetWindowRect(m_tooltip.GetSafeHwnd(), &rc);
        return rc.PtInRect(pt) != FALSE;
    }
    return false;
}

void CHyperLink::Relay(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!m_tooltip.GetSafeHwnd())
        return;
    MSG msg = {m_hWnd, message, wParam, lParam, (DWORD)::GetMessageTime(), {}};
    ::GetCursorPos(&msg.pt);
    m_tooltip.RelayEvent(&msg);
}

static int IconWidth(HICON icon, int* height)
{
    ICONINFO info = {};
    if (!icon || !::GetIconInfo(icon, &info))
        return *height = 0;
    BITMAP bm = {};
    ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    if (info.hbmColor)
        ::DeleteObject(info.hbmColor);
    if (info.hbmMask)
        ::DeleteObject(info.hbmMask);
    *height = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
    return bm.bmWidth;
}

void CHyperLink::Paint(CDC* dc)
{
    CRect client;
    GetClientRect(&client);
    dc->FillSolidRect(&client, m_clrBackground);
    int oldMode = dc->SetBkMode(TRANSPARENT);
    CFont* oldFont = dc->SelectObject(&m_font);

    const State state = CurrentState();
    const int flags = (m_wIconFlags >> (4 * state)) & 0xF;
    HICON icon = state == Disabled ? m_hIcons[Normal] : m_hIcons[state];
    int iconW = 0, iconH = 0;
    if (m_bReserveIconSpace) {
        for (HICON h : m_hIcons) {
            int hh;
            iconW = std::max(iconW, IconWidth(h, &hh));
            iconH = std::max(iconH, hh);
        }
    } else if (flags & 1) {
        iconW = IconWidth(icon, &iconH);
    }
    const bool drawIcon = icon && (flags & 1);
    auto paintIcon = [&](int ix) {
        const int iy = (client.Height() - iconH) / 2;
        if (state == Disabled)
            dc->DrawState(CPoint(ix, iy), CSize(iconW, iconH), icon, DSS_DISABLED);
        else
            ::DrawIconEx(dc->GetSafeHdc(), ix, iy, icon, iconW, iconH, 0, nullptr, DI_NORMAL);
    };

    CString text = m_pDrawText ? *m_pDrawText : CString();
    if (!m_pDrawText)
        GetWindowText(text);
    std::vector<CString> lines;
    if (m_bMultiLine) {
        while (!text.IsEmpty() && text[text.GetLength() - 1] == L'\n')
            text = text.Left(text.GetLength() - 1);
        int start = 0;
        for (;;) {
            int lf = text.Find(L'\n', start);
            lines.push_back(text.Mid(start, lf < 0 ? text.GetLength() - start : lf - start));
            if (lf < 0)
                break;
            start = lf + 1;
        }
    } else {
        lines.push_back(text);
    }
    TEXTMETRICW tm = {};
    dc->GetTextMetrics(&tm);
    const int lineH = tm.tmHeight;

    if (m_nFrameWidth > 0) {
        CPen pen(m_nFramePenStyle, m_nFrameWidth, state == Disabled ? ::GetSysColor(COLOR_BTNSHADOW) : m_clrFrame);
        CPen* oldPen = dc->SelectObject(&pen);
        CGdiObject* oldBrush = dc->SelectStockObject(NULL_BRUSH);
        CRect frame(client);
        frame.DeflateRect(m_nFrameWidth / 2, m_nFrameWidth / 2);
        dc->Rectangle(&frame);
        dc->SelectObject(oldBrush);
        dc->SelectObject(oldPen);
    }

    int x = m_nFrameWidth + 1;
    if (m_bReserveIconSpace)
        x = m_nFrameWidth + iconW + 4;
    if (drawIcon && (flags & 2)) {
        paintIcon(m_nFrameWidth + 1);
        x = std::max(x, m_nFrameWidth + 1 + iconW + 3);
    }
    dc->SetTextColor(TextColour());
    const COLORREF underline = UnderlineColour();
    int y = std::max(0, (client.Height() - (int)lines.size() * (lineH + 2) - 1) / 2);
    int widest = 0;
    for (const CString& line : lines) {
        dc->TextOut(x, y, line);
        const int w = dc->GetTextExtent(line).cx;
        widest = std::max(widest, w);
        if (w > 0)
            dc->FillSolidRect(x, y + lineH - 1, w, 1, underline);
        y += lineH + 2;
    }
    if (drawIcon && (flags & 4))
        paintIcon(x + widest + 3);
    dc->SelectObject(oldFont);
    dc->SetBkMode(oldMode);
}

BOOL CHyperLink::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSELEAVE:
        EnsureTooltip();
        Relay(message, wParam, lParam);
        break;
    }
    switch (message) {
    case WM_NCHITTEST:
        // A static without SS_NOTIFY is transparent to the mouse; a link is not.
        *pResult = HTCLIENT;
        return TRUE;
    case WM_SETCURSOR:
        if (!m_bDisabled) {
            ::SetCursor(m_hHandCursor);
            *pResult = TRUE;
            return TRUE;
        }
        break;
    case WM_PAINT: {
        CBufferDC dc(this);
        Paint(&dc);
        *pResult = 0;
        return TRUE;
    }
    case WM_ERASEBKGND:
        *pResult = TRUE;
        return TRUE;
    case WM_ENABLE:
        m_bDisabled = !wParam;
        Invalidate();
        break;
    case WM_MOUSEMOVE:
        if (!m_bDisabled) {
            HCURSOR previous = ::SetCursor(m_hHandCursor);
            if (previous != m_hHandCursor)
                m_hSavedCursor = previous;
            if (!m_bHovered) {
                TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, m_hWnd, 0};
                ::TrackMouseEvent(&tme);
                m_bHovered = 1;
                if (wParam & MK_LBUTTON)
                    m_bPressed = 1;
            }
            Invalidate();
        }
        *pResult = 0;
        return TRUE;
    case WM_MOUSELEAVE: {
        if (m_tooltip.GetSafeHwnd())
            m_tooltip.Pop();
        TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE | TME_CANCEL, m_hWnd, 0};
        ::TrackMouseEvent(&tme);
        m_bHovered = 0;
        if (!m_bDisabled && m_hSavedCursor)
            ::SetCursor(m_hSavedCursor);
        if (PointerInside()) {
            // Onto the tooltip: keep the hover look until the pointer is really gone.
            m_bHovered = 1;
            SetTimer(TimerLeave, 300, nullptr);
        } else {
            Invalidate();
        }
        *pResult = 0;
        return TRUE;
    }
    case WM_TIMER:
        if (wParam != TimerLeave)
            break;
        KillTimer(TimerLeave);
        if (!m_bPressed && !PointerInside()) {
            m_bHovered = 0;
            Invalidate();
        } else if (!m_bPressed) {
            SetTimer(TimerLeave, 300, nullptr);
        }
        *pResult = 0;
        return TRUE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (!m_bDisabled)
            ::SetCursor(m_hHandCursor);
        m_bPressed = 1;
        m_bPressStarted = 1;
        SetCapture();
        GetWindowRect(&m_rcPressed);
        Invalidate();
        if (message == WM_LBUTTONDBLCLK && (!OpensAddress() || (GetStyle() & SS_NOTIFY)))
            break;
        *pResult = 0;
        return TRUE;
    case WM_LBUTTONUP: {
        if (!m_bDisabled)
            ::SetCursor(m_hHandCursor);
        const bool started = m_bPressStarted != 0;
        m_bPressed = 0;
        m_bPressStarted = 0;
        if (::GetCapture() == m_hWnd)
            ::ReleaseCapture();
        Invalidate();
        CPoint pt((short)LOWORD(lParam), (short)HIWORD(lParam));
        ClientToScreen(&pt);
        if (!m_bDisabled && started && m_rcPressed.PtInRect(pt)) {
            const bool opens = OpensAddress();
            if (opens)
                OpenAddress(*m_pAddress);
            // A link with nothing to open tells its parent instead (SS_NOTIFY: both).
            const UINT id = (UINT)GetDlgCtrlID();
            if ((!opens || (GetStyle() & SS_NOTIFY)) && id && GetParent())
                GetParent()->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)m_hWnd);
        }
        *pResult = 0;
        return TRUE;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (CWnd* parent = GetParent()) {
            NMHDR nm = {m_hWnd, (UINT_PTR)GetDlgCtrlID(), (UINT)(message == WM_SETFOCUS ? NotifySetFocus : NotifyKillFocus)};
            parent->SendMessage(WM_NOTIFY, nm.idFrom, (LPARAM)&nm);
        }
        break;
    }
    return CStatic::OnWndMsg(message, wParam, lParam, pResult);
}

}  // namespace PeloraUI
