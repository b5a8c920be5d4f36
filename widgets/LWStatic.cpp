#include "LWStatic.h"
#include <algorithm>
#include <commctrl.h>

IMPLEMENT_DYNAMIC(LWStatic, CStatic)

BEGIN_MESSAGE_MAP(LWStatic, CStatic)
    ON_WM_PAINT()
END_MESSAGE_MAP()

LWStatic::LWStatic() : m_bSelfPaint(0), m_crBack(RGB(0, 0, 128)), m_crText((COLORREF)-1)
{
}

void LWStatic::SizeToText()
{
    if (!::IsWindow(m_hWnd)) {
        TRACE(L"LWStatic::SizeToText: no window\n");
        return;
    }
    CString text;
    GetWindowText(text);
    CClientDC dc(this);
    CFont* font = GetFont();
    CFont* old = font ? dc.SelectObject(font) : nullptr;
    CRect measured(0, 0, 0, 0);
    dc.DrawText(text, &measured, DT_CALCRECT | DT_NOPREFIX);
    if (old)
        dc.SelectObject(old);
    CRect window, client;
    GetWindowRect(&window);
    GetClientRect(&client);
    const int cx = window.Width() - client.Width() + measured.Width();
    const int cy = window.Height() - client.Height() + measured.Height();
    SetWindowPos(nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void LWStatic::OnPaint()
{
    if (!m_bSelfPaint) {
        Default();
        return;
    }
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    const bool transparent = (GetExStyle() & WS_EX_TRANSPARENT) != 0;
    CPen pen;
    CBrush brush;
    HGDIOBJ oldPen, oldBrush;
    if (transparent) {
        oldPen = ::SelectObject(dc.GetSafeHdc(), ::GetStockObject(NULL_PEN));
        oldBrush = ::SelectObject(dc.GetSafeHdc(), ::GetStockObject(NULL_BRUSH));
    } else {
        pen.CreatePen(PS_SOLID, 1, m_crBack);
        brush.CreateSolidBrush(m_crBack);
        oldPen = ::SelectObject(dc.GetSafeHdc(), pen.GetSafeHandle());
        oldBrush = ::SelectObject(dc.GetSafeHdc(), brush.GetSafeHandle());
    }
    dc.Rectangle(&client);
    ::SelectObject(dc.GetSafeHdc(), oldPen);
    ::SelectObject(dc.GetSafeHdc(), oldBrush);

    CString text;
    GetWindowText(text);
    CFont* font = GetFont();
    CFont* oldFont = font ? dc.SelectObject(font) : nullptr;
    dc.SetBkMode(TRANSPARENT);
    if (m_crText != (COLORREF)-1)
        dc.SetTextColor(m_crText);
    ::TextOutW(dc.GetSafeHdc(), 0, 0, text, text.GetLength());
    if (oldFont)
        dc.SelectObject(oldFont);
}

IMPLEMENT_DYNAMIC(LWProgressBar, CStatic)

BEGIN_MESSAGE_MAP(LWProgressBar, CStatic)
    ON_WM_ERASEBKGND()
    ON_WM_PAINT()
END_MESSAGE_MAP()

LWProgressBar::LWProgressBar() : m_nFullScaleMb(0)
{
    m_font.CreateFont(-10, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
}

CString LWProgressBar::FormatScaleLabel(int fullScaleMb, int index)
{
    CString label;
    if (index == 0)
        return L"0";
    const int v = fullScaleMb * index;
    if (v / 4 >= 1000)
        label.Format(L"%d Gb", v / 4000);
    else
        label.Format(L"%d Mb", v / 4);
    return label;
}

int LWProgressBar::FilledWidth(int width, int low, int high, int pos)
{
    if (high <= low)
        return 0;
    pos = std::max(low, std::min(pos, high));
    return (int)((double)width * (pos - low) / (high - low));
}

void LWProgressBar::DrawBackground(CDC* dc)
{
    if (!m_bmpEmpty.GetSafeHandle() || !dc)
        return;
    CRect client;
    GetClientRect(&client);
    dc->FillSolidRect(&client, RGB(255, 255, 255));
    PBRANGE range = {};
    SendMessage(PBM_GETRANGE, FALSE, (LPARAM)&range);
    const int pos = (int)SendMessage(PBM_GETPOS, 0, 0);
    CDC memory;
    if (memory.CreateCompatibleDC(dc)) {
        CBitmap* old = memory.SelectObject(&m_bmpEmpty);
        dc->BitBlt(0, 0, client.Width(), client.Height(), &memory, 0, 0, SRCCOPY);
        if (m_bmpFull.GetSafeHandle()) {
            memory.SelectObject(&m_bmpFull);
            dc->BitBlt(0, 0, FilledWidth(client.Width(), range.iLow, range.iHigh, pos), client.Height(), &memory, 0,
                       0, SRCCOPY);
        }
        memory.SelectObject(old);
    }
    CFont* oldFont = dc->SelectObject(&m_font);
    dc->SetBkMode(TRANSPARENT);
    for (int i = 0; i < 5; ++i) {
        const CString label = FormatScaleLabel(m_nFullScaleMb, i);
        CRect size(0, 0, 0, 0);
        dc->DrawText(label, &size, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
        const int left = i * (client.Width() - 20) / 4 - size.Width() / 2 + 4;
        CRect where(left, 12, left + size.Width(), 12 + size.Height());
        dc->DrawText(label, &where, DT_NOPREFIX | DT_SINGLELINE);
    }
    dc->SelectObject(oldFont);
}

BOOL LWProgressBar::OnEraseBkgnd(CDC* dc)
{
    DrawBackground(dc);
    return TRUE;
}

void LWProgressBar::OnPaint()
{
    CPaintDC dc(this);
    DrawBackground(&dc);
}
