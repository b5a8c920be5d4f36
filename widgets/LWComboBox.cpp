#include "LWComboBox.h"
#include "LWFunctions.h"

IMPLEMENT_DYNAMIC(LWComboBox, CComboBox)

CImageList LWComboBox::s_bmpButton;

BEGIN_MESSAGE_MAP(LWComboBox, CComboBox)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_CTLCOLOR_REFLECT()
    ON_MESSAGE(WM_CTLCOLORLISTBOX, OnCtlColorListBox)
    ON_WM_MOUSEWHEEL()
END_MESSAGE_MAP()

LWComboBox::LWComboBox()
    : m_bBlockWheel(0), m_clrGradientStart(0xFFFFFF), m_clrGradientEnd(0xFFFFFF), m_nGradientMode(1),
      m_rcGradient{0, 0, 0, 0}, m_bFitText(0), m_nImage(0), m_nBorderStyle(PS_SOLID), m_clrSelected(0xF1C379),
      m_clrNormal(0xFFFFFF), m_hWndList(nullptr)
{
    m_font.CreateFont(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, 204, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                      CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Tahoma");
}

LWComboBox::~LWComboBox() = default;

BOOL LWComboBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CWnd::Create(L"COMBOBOX", L"", style, rect, parent, id);
}

BOOL LWComboBox::Create(LPCTSTR, LPCTSTR, DWORD style, const RECT& rect, CWnd* parent, UINT id, CCreateContext*)
{
    return CWnd::Create(L"COMBOBOX", L"", style | 0x223, rect, parent, id);
}

void LWComboBox::PreSubclassWindow()
{
    CComboBox::PreSubclassWindow();
}

void LWComboBox::ResetContent()
{
    if (!::IsWindow(m_hWnd))
        return;
    while (GetCount() > 0)
        DeleteString(0);
}

CString LWComboBox::FitText(CDC* dc, const CString& text, int width) const
{
    if (dc->GetTextExtent(text, text.GetLength()).cx <= width)
        return text;
    for (int n = text.GetLength(); n >= 1; --n) {
        CString candidate = text.Left(n) + L"...";
        if (dc->GetTextExtent(candidate, candidate.GetLength()).cx <= width)
            return candidate;
    }
    return text;
}

void LWComboBox::DrawText(CDC* dc, const CString& text, CRect rect, COLORREF color)
{
    CFont* old = dc->SelectObject(&m_font);
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(color);
    CString shown = m_bFitText ? FitText(dc, text, rect.Width()) : text;
    dc->DrawText(shown, &rect, DT_SINGLELINE | DT_NOPREFIX);
    dc->SelectObject(old);
}

void LWComboBox::DrawBackground(CDC* dc)
{
    CRect client;
    GetClientRect(&client);
    if (m_clrGradientStart != m_clrGradientEnd) {
        CRect area(m_rcGradient);
        if (!area.left && !area.top && !area.right && !area.bottom)
            area = client;
        int saved = dc->SaveDC();
        dc->IntersectClipRect(&client);
        LW_GradientFill(dc, area, m_clrGradientStart, m_clrGradientEnd, m_nGradientMode);
        dc->RestoreDC(saved);
    } else if (!(GetExStyle() & WS_EX_TRANSPARENT)) {
        dc->FillSolidRect(&client, RGB(255, 255, 255));
    }
    CPen pen(m_nBorderStyle, 1, 0xD1BEB7);
    CPen* oldPen = dc->SelectObject(&pen);
    CGdiObject* oldBrush = dc->SelectStockObject(NULL_BRUSH);
    dc->Rectangle(&client);
    dc->SelectObject(oldBrush);
    dc->SelectObject(oldPen);
    if (m_images.GetSafeHandle() && m_nImage >= 0)
        m_images.Draw(dc, m_nImage, CPoint(client.left + 7, client.top + 4), ILD_TRANSPARENT);
    if (s_bmpButton.GetSafeHandle() && s_bmpButton.GetImageCount() > 0)
        s_bmpButton.Draw(dc, 0, CPoint(client.right - 14, client.top + 8), ILD_TRANSPARENT);
}

void LWComboBox::Draw(CDC* dc)
{
    if (!dc)
        return;
    DrawBackground(dc);
    CString text;
    if (GetCurSel() < 0)
        text = m_strCue;
    else
        GetWindowText(text);
    CRect client;
    GetClientRect(&client);
    CRect rect(m_images.GetSafeHandle() ? 27 : 7, 5, client.right - 20, client.bottom);
    DrawText(dc, text, rect, IsWindowEnabled() ? RGB(0, 0, 0) : RGB(0xC0, 0xC0, 0xC0));
}

void LWComboBox::DrawItem(LPDRAWITEMSTRUCT dis)
{
    if (!dis || (int)dis->itemID == -1)
        return;
    CDC* dc = CDC::FromHandle(dis->hDC);
    CRect client;
    GetClientRect(&client);
    CRect item(dis->rcItem);
    CString text;
    GetLBText((int)dis->itemID, text);
    if (dis->itemState & ODS_COMBOBOXEDIT) {
        // the selection field of the combo itself
        DrawBackground(dc);
        CRect rect(m_images.GetSafeHandle() ? 27 : 7, 5, client.right - 20, client.bottom);
        DrawText(dc, text, rect, RGB(0, 0, 0));
        return;
    }
    bool selected = (dis->itemState & ODS_SELECTED) != 0, focused = (dis->itemState & ODS_FOCUS) != 0;
    if (selected && focused)
        dc->FillSolidRect(&item, m_clrSelected);
    else if (!selected && !focused)
        dc->FillSolidRect(&item, m_clrNormal);
    else
        return;  // exactly one of the two: left as it is
    CRect rect = item;
    rect.left += 8;
    CFont* old = dc->SelectObject(&m_font);
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(RGB(0, 0, 0));
    CString shown = m_bFitText ? FitText(dc, text, rect.Width()) : text;
    dc->DrawText(shown, &rect, DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER);
    dc->SelectObject(old);
}

void LWComboBox::MeasureItem(LPMEASUREITEMSTRUCT)
{
}

void LWComboBox::OnPaint()
{
    CPaintDC dc(this);
    Draw(&dc);
}

BOOL LWComboBox::OnEraseBkgnd(CDC* dc)
{
    Draw(dc);
    return TRUE;
}

HBRUSH LWComboBox::CtlColor(CDC*, UINT)
{
    return (HBRUSH)::GetStockObject(NULL_BRUSH);
}

LRESULT LWComboBox::OnCtlColorListBox(WPARAM, LPARAM lParam)
{
    HWND list = (HWND)lParam;
    if (list && list != m_hWnd) {
        if (!m_hWndList) {
            m_hWndList = list;
            if ((HFONT)::SendMessageW(list, WM_GETFONT, 0, 0) != (HFONT)m_font.GetSafeHandle())
                ::SendMessageW(list, WM_SETFONT, (WPARAM)m_font.GetSafeHandle(), FALSE);
        }
        CRect combo;
        GetWindowRect(&combo);
        ::SetWindowPos(list, nullptr, combo.left, combo.bottom, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return Default();
}

BOOL LWComboBox::OnMouseWheel(UINT, short, CPoint)
{
    if (m_bBlockWheel)
        return TRUE;
    return (BOOL)Default();
}
