#include "DialogExt.h"
#include "PanesIds.h"

const DialogSkin DefaultDialogSkin = {IDB_DIALOG_SKIN, 40, 60, 12, 35, 28, 47, 40, 0, 57, 17, 25, 8};

CDialogExt::CDialogExt(UINT nIDTemplate, CWnd* pParent) : CDialog(nIDTemplate, pParent)
{
    m_fontCaption.CreateFont(-12, 0, 0, 0, 500, FALSE, FALSE, FALSE, RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Helvetica");
}

CDialogExt::~CDialogExt() = default;

void CDialogExt::LoadSkinBitmap()
{
    m_bmpBackground.DeleteObject();
    int id = m_skin.bitmapId & 0xFFFF;
    if (id && !m_bmpBackground.LoadBitmap((UINT)id))
        TRACE(L"CDialogExt: skin bitmap %d not found\n", id);
}

BOOL CDialogExt::SetSkin(const DialogSkin& skin)
{
    m_skin = skin;
    LoadSkinBitmap();
    return TRUE;
}

BOOL CDialogExt::GetSkin(DialogSkin& skin) const
{
    skin = m_skin;
    return TRUE;
}

BOOL CDialogExt::OnInitDialog()
{
    m_hWndSavedFocus = ::GetFocus();
    BOOL result = CDialog::OnInitDialog();
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        ::SendMessageW(child, WM_SETFONT, (WPARAM)m_fontCaption.GetSafeHandle(), 1);
    CRect rect;
    GetWindowRect(&rect);
    SetupRegion(rect.Width(), rect.Height());
    SetSkin(DefaultDialogSkin);
    return result;
}

HRGN CDialogExt::SetupRegion(int w, int h)
{
    HRGN region = ::CreateRectRgn(0, 0, w, h);
    // Corners in the order top-left, bottom-left, top-right, bottom-right.
    const int corners[4][4] = {{0, 0, 1, 1}, {0, h, 1, -1}, {w, 0, -1, 1}, {w, h, -1, -1}};
    for (const auto& c : corners) {
        int x0 = c[0], y0 = c[1], dx = c[2], dy = c[3];
        const int cuts[3][4] = {{x0 + 2 * dx, y0, x0 + 4 * dx, y0 + dy},
                                {x0, y0, x0 + 2 * dx, y0 + 2 * dy},
                                {x0, y0 + 2 * dy, x0 + dx, y0 + 4 * dy}};
        for (const auto& r : cuts) {
            HRGN cut = ::CreateRectRgn(std::min(r[0], r[2]), std::min(r[1], r[3]), std::max(r[0], r[2]),
                                       std::max(r[1], r[3]));
            ::CombineRgn(region, region, cut, RGN_XOR);
            ::DeleteObject(cut);
        }
    }
    if (::IsWindow(m_hWnd))
        ::SetWindowRgn(m_hWnd, region, TRUE);
    return region;
}

void CDialogExt::CenterControl(CWnd* child, int offset)
{
    if (!child || !::IsWindow(child->GetSafeHwnd()))
        return;
    CRect client, rc;
    GetClientRect(&client);
    child->GetWindowRect(&rc);
    ScreenToClient(&rc);
    child->SetWindowPos(nullptr, offset + (client.Width() - rc.Width()) / 2, rc.top, 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CDialogExt::DrawDialog(CDC* dc)
{
    DrawBackground(dc);
    DrawContent(dc);
}

void CDialogExt::FillBackground(CDC* dc)
{
    if (m_clrBackground == m_clrNoFill)
        return;
    CRect client;
    GetClientRect(&client);
    dc->FillSolidRect(&client, m_clrBackground);
}

void CDialogExt::DrawBackground(CDC* dc)
{
    FillBackground(dc);
    CRect client;
    GetClientRect(&client);
    const DialogSkin& s = m_skin;
    if (m_bmpBackground.GetSafeHandle()) {
        CDC mem;
        mem.CreateCompatibleDC(dc);
        CBitmap* old = mem.SelectObject(&m_bmpBackground);
        const int W = s.frameWidth, H = s.frameHeight, L = s.left, T = s.top, R = s.rightStart, B = s.bottomStart;
        const int X2 = client.right + R - W, Y2 = client.bottom + B - H;
        const int pieces[9][8] = {
            {L, T, X2 - L, Y2 - T, L, T, R - L, B - T},          // centre
            {0, 0, L, T, 0, 0, L, T},                            // top-left
            {X2, 0, W - R, T, R, 0, W - R, T},                   // top-right
            {L, 0, X2 - L, T, L, 0, R - L, T},                   // top band
            {L, Y2, X2 - L, H - B, L, B, R - L, H - B},          // bottom band
            {0, Y2, L, H - B, 0, B, L, H - B},                   // bottom-left
            {X2, Y2, W - R, H - B, R, B, W - R, H - B},          // bottom-right
            {0, T, L, Y2 - T, 0, T, L, B - T},                   // left band
            {X2, T, W - R, Y2 - T, R, T, W - R, B - T},          // right band
        };
        for (const auto& p : pieces) {
            if (p[2] > 0 && p[3] > 0 && p[6] > 0 && p[7] > 0)
                dc->TransparentBlt(p[0], p[1], p[2], p[3], &mem, p[4], p[5], p[6], p[7], RGB(255, 255, 255));
        }
        CRect close = CloseRect();
        if (close.Width() > 0 && close.Height() > 0)
            dc->TransparentBlt(close.left, close.top, close.Width(), close.Height(), &mem, s.closeLeft, s.closeTop,
                               close.Width(), close.Height(), RGB(255, 255, 255));
        mem.SelectObject(old);
    }
    DrawTitle(dc);
}

void CDialogExt::DrawContent(CDC*) {}

void CDialogExt::DrawTitle(CDC* dc)
{
    CRect client;
    GetClientRect(&client);
    CFont* oldFont = dc->SelectObject(&m_fontCaption);
    int oldMode = dc->SetBkMode(TRANSPARENT);
    CRect rc(10, 8, client.right, m_skin.top);
    dc->DrawText(m_strTitle, &rc, DT_NOPREFIX);
    dc->SetBkMode(oldMode);
    dc->SelectObject(oldFont);
}

CRect CDialogExt::CloseRect() const
{
    CRect client;
    GetClientRect(&client);
    int x = client.right - m_skin.closeFromRight;
    return CRect(x, m_skin.closeY, x + m_skin.closeRight - m_skin.closeLeft,
                 m_skin.closeY + m_skin.closeBottom - m_skin.closeTop);
}

LRESULT CDialogExt::HitTest(CPoint pt)
{
    ScreenToClient(&pt);
    CRect client;
    GetClientRect(&client);
    CRect close = CloseRect();
    if (close.left < pt.x && pt.x < close.right && close.top < pt.y && pt.y < close.bottom)
        return HTCLIENT;
    if (pt.y < m_skin.top)
        return HTCAPTION;
    if (m_bResizable && client.bottom - 8 < pt.y && pt.y < client.bottom) {
        if (client.right - 8 < pt.x && pt.x < client.right)
            return HTBOTTOMRIGHT;
        if (client.left < pt.x && pt.x < client.left + 8)
            return HTBOTTOMLEFT;
    }
    return Default();
}

BOOL CDialogExt::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        ::BeginPaint(m_hWnd, &ps);
        ::EndPaint(m_hWnd, &ps);
        *pResult = 0;
        return TRUE;
    }
    case WM_ERASEBKGND: {
        CDC* dc = CDC::FromHandle((HDC)wParam);
        DrawDialog(dc);
        *pResult = TRUE;
        return TRUE;
    }
    case WM_NCHITTEST:
        *pResult = HitTest(CPoint((short)LOWORD(lParam), (short)HIWORD(lParam)));
        return TRUE;
    case WM_LBUTTONDOWN: {
        CPoint pt((short)LOWORD(lParam), (short)HIWORD(lParam));
        CRect close = CloseRect();
        if (close.left < pt.x && pt.x < close.right && close.top < pt.y && pt.y < close.bottom) {
            OnCancel();
            *pResult = 0;
            return TRUE;
        }
        break;
    }
    }
    return CDialog::OnWndMsg(message, wParam, lParam, pResult);
}

void CDialogExt::RestoreFocus()
{
    HWND saved = m_hWndSavedFocus;
    m_hWndSavedFocus = nullptr;
    if (saved && ::IsWindow(saved))
        ::SetFocus(saved);
}

void CDialogExt::OnOK()
{
    // A failed validation keeps the dialog open, and the focus on the failing control.
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
    RestoreFocus();
}

void CDialogExt::OnCancel()
{
    EndDialog(IDCANCEL);
    RestoreFocus();
}
