#include "SmallControls.h"
#include "PanesIds.h"

namespace PeloraUI {

CCheckBox::CCheckBox()
{
    CBitmap bmp;
    if (bmp.LoadBitmap(IDB_CHECK_BOX)) {
        m_images.Create(13, 13, ILC_COLOR24 | ILC_MASK, 2, 0);
        m_images.Add(&bmp, RGB(255, 0, 0));
    }
}

void CCheckBox::Paint(CDC* dc)
{
    CRect client;
    GetClientRect(&client);
    // The parent's button colour behind the picture and the text, as for any button.
    if (CWnd* parent = GetParent()) {
        HBRUSH brush = (HBRUSH)parent->SendMessage(WM_CTLCOLORBTN, (WPARAM)dc->GetSafeHdc(), (LPARAM)m_hWnd);
        if (brush)
            ::FillRect(dc->GetSafeHdc(), &client, brush);
    }
    if (m_images.GetSafeHandle())
        m_images.Draw(dc, m_bChecked ? 1 : 0, CPoint(client.left, (client.Height() - 13) / 2), ILD_TRANSPARENT);
    CString text;
    GetWindowText(text);
    CFont* old = dc->SelectObject(GetFont());
    int mode = dc->SetBkMode(TRANSPARENT);
    CRect rc(client.left + 16, client.top, client.right, client.bottom);
    dc->DrawText(text, &rc, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
    dc->SetBkMode(mode);
    dc->SelectObject(old);
}

BOOL CCheckBox::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message) {
    case WM_PAINT: {
        CPaintDC dc(this);
        Paint(&dc);
        *pResult = 0;
        return TRUE;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        // Each counts: a double click toggles twice, once for its press and once for itself.
        m_bChecked = !m_bChecked;
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        *pResult = 0;
        return TRUE;
    case WM_LBUTTONUP:
        *pResult = 0;
        return TRUE;
    }
    return CButton::OnWndMsg(message, wParam, lParam, pResult);
}

}  // namespace PeloraUI

CListCtrl2::CListCtrl2()
{
    m_font.CreateFont(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
}

void CListCtrl2::MeasureItem(LPMEASUREITEMSTRUCT mis)
{
    LOGFONTW lf = {};
    HFONT font = (HFONT)SendMessage(WM_GETFONT, 0, 0);
    if (!font)
        font = (HFONT)::GetStockObject(DEFAULT_GUI_FONT);
    ::GetObjectW(font, sizeof lf, &lf);
    int height = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
    mis->itemHeight = (UINT)(std::max(1, m_nRowFactor) * (height + 4));
}

BOOL CListCtrl2::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_MEASUREITEM) {
        MeasureItem((LPMEASUREITEMSTRUCT)lParam);
        if (pResult)
            *pResult = TRUE;
        return TRUE;
    }
    return CListCtrl::OnChildNotify(message, wParam, lParam, pResult);
}

void CListCtrl2::DrawItem(LPDRAWITEMSTRUCT dis)
{
    CDC* dc = CDC::FromHandle(dis->hDC);
    HWND header = (HWND)SendMessage(LVM_GETHEADER, 0, 0);
    const int columns = header ? (int)::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0) : 1;
    const bool selected = (dis->itemState & ODS_SELECTED) != 0;
    CFont* font = m_bOwnFont ? &m_font : CFont::FromHandle((HFONT)::GetStockObject(DEFAULT_GUI_FONT));
    CFont* oldFont = dc->SelectObject(font);
    int oldMode = dc->SetBkMode(TRANSPARENT);
    CRect cell(dis->rcItem.left, dis->rcItem.top, dis->rcItem.left, dis->rcItem.bottom);
    for (int col = 0; col < columns; ++col) {
        cell.left = cell.right;
        cell.right = cell.left + GetColumnWidth(col);
        dc->FillSolidRect(&cell, RGB(255, 255, 255));
        dc->SetTextColor(col == 1 && selected ? RGB(255, 0, 0) : RGB(0, 0, 0));
        if (col == 1) {
            CRect frame(cell);
            frame.DeflateRect(6, 6);
            CBrush grey(RGB(192, 192, 192));
            if (frame.Width() > 0 && frame.Height() > 0)
                dc->FrameRect(&frame, &grey);
        }
        wchar_t text[512] = {};
        GetItemText((int)dis->itemID, col, text, 512);
        CRect rc(cell);
        rc.DeflateRect(10, 0);
        dc->DrawText(text, -1, &rc, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
    }
    dc->SetBkMode(oldMode);
    dc->SelectObject(oldFont);
}

BOOL CListCtrl2::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message) {
    case WM_SETFONT: {
        *pResult = Default();
        // The list measures its rows only when its size changes: make it measure them again.
        CRect rc;
        GetWindowRect(&rc);
        WINDOWPOS wp = {};
        wp.hwnd = m_hWnd;
        wp.cx = rc.Width();
        wp.cy = rc.Height();
        wp.flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
        SendMessage(WM_WINDOWPOSCHANGED, 0, (LPARAM)&wp);
        return TRUE;
    }
    case WM_LBUTTONDOWN: {
        LVHITTESTINFO hit = {};
        hit.pt = CPoint((short)LOWORD(lParam), (short)HIWORD(lParam));
        SendMessage(LVM_SUBITEMHITTEST, 0, (LPARAM)&hit);
        if (hit.iItem < 0 || hit.iSubItem == 1)
            break;  // the list selects as usual
        SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        *pResult = 0;
        return TRUE;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
        *pResult = 0;
        return TRUE;
    }
    return CListCtrl::OnWndMsg(message, wParam, lParam, pResult);
}
