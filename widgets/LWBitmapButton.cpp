#include "LWBitmapButton.h"
#include "LWFunctions.h"

IMPLEMENT_DYNAMIC(LWBitmapButton, CBitmapButton)

LWBitmapButton::LWBitmapButton()
    : m_clrImageKey(0xFFFFFFFF), m_clrScreenKey(0xFFFFFFFF), m_clrCompose(0xFFFFFFFF), m_nPressX(0), m_nPressY(0),
      m_nCaptionFormat(DT_CENTER | DT_VCENTER | DT_SINGLELINE), m_nCaptionOffsetX(0), m_nCaptionOffsetY(0),
      m_clrCaption(0), m_nGradientMode(-1), m_rcGradient{0, 0, 0, 0}, m_clrGradientStart(0xFFFFFF),
      m_clrGradientEnd(0xFFFFFF)
{
}

LWBitmapButton::~LWBitmapButton() = default;

BOOL LWBitmapButton::Create(LPCTSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CButton::Create(caption, style, rect, parent, id);
}

BOOL LWBitmapButton::SetImageBitmap(CString name)
{
    BOOL loaded = LoadBitmaps(name + L"U", name + L"D", name + L"F", name + L"X");
    if (!loaded)
        TRACE(L"LWBitmapButton: no bitmap %lsU\n", (LPCTSTR)name);
    return loaded;
}

BOOL LWBitmapButton::Create(CString name, const RECT& rect, CWnd* parent, UINT id)
{
    if (!CWnd::CreateEx(WS_EX_TRANSPARENT, L"BUTTON", L"", 0x5600000B, rect, parent, id))
        return FALSE;
    BOOL loaded = SetImageBitmap(name);
    if (loaded && rect.left == rect.right)
        SizeToContent();
    return loaded;
}

BOOL LWBitmapButton::Create(CString name, CWnd* parent, UINT id)
{
    return Create(name, CRect(0, 0, 0, 0), parent, id);
}

BOOL LWBitmapButton::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_LBUTTONDOWN && msg->hwnd == m_hWnd) {
        m_nPressX = (int)(short)LOWORD(msg->lParam);
        m_nPressY = (int)(short)HIWORD(msg->lParam);
    }
    return CBitmapButton::PreTranslateMessage(msg);
}

void LWBitmapButton::DrawItem(LPDRAWITEMSTRUCT dis)
{
    if (!dis || !dis->hDC)
        return;
    CDC* dc = CDC::FromHandle(dis->hDC);
    CRect client(dis->rcItem);
    if (m_nGradientMode == -1)
        dc->FillSolidRect(&client, RGB(255, 255, 255));
    else
        LW_GradientFill(dc, m_rcGradient, m_clrGradientStart, m_clrGradientEnd, m_nGradientMode);

    CBitmap* image = &m_bitmap;
    UINT state = dis->itemState;
    if ((state & ODS_SELECTED) && m_bitmapSel.GetSafeHandle())
        image = &m_bitmapSel;
    else if ((state & ODS_FOCUS) && m_bitmapFocus.GetSafeHandle())
        image = &m_bitmapFocus;
    else if ((state & ODS_DISABLED) && m_bitmapDisabled.GetSafeHandle())
        image = &m_bitmapDisabled;
    int x = 0, y = 0;
    if (image->GetSafeHandle()) {
        BITMAP bm = {};
        image->GetBitmap(&bm);
        x = client.left + (client.Width() - bm.bmWidth) / 2;
        y = client.top + (client.Height() - bm.bmHeight) / 2;
        CDC mem;
        mem.CreateCompatibleDC(dc);
        CBitmap* old = mem.SelectObject(image);
        if (m_clrImageKey == 0xFFFFFFFF) {
            dc->BitBlt(x, y, bm.bmWidth, bm.bmHeight, &mem, 0, 0, SRCCOPY);
        } else {
            // Composed on the fill colour first, then keyed onto the face by the screen colour.
            COLORREF fill = m_clrCompose == 0xFFFFFFFF ? m_clrImageKey : m_clrCompose;
            COLORREF screen = m_clrScreenKey == 0xFFFFFFFF ? m_clrImageKey : m_clrScreenKey;
            CDC work;
            work.CreateCompatibleDC(dc);
            CBitmap workBmp;
            workBmp.CreateCompatibleBitmap(dc, bm.bmWidth, bm.bmHeight);
            CBitmap* oldWork = work.SelectObject(&workBmp);
            work.FillSolidRect(0, 0, bm.bmWidth, bm.bmHeight, fill);
            work.TransparentBlt(0, 0, bm.bmWidth, bm.bmHeight, &mem, 0, 0, bm.bmWidth, bm.bmHeight, m_clrImageKey);
            dc->TransparentBlt(x, y, bm.bmWidth, bm.bmHeight, &work, 0, 0, bm.bmWidth, bm.bmHeight, screen);
            work.SelectObject(oldWork);
        }
        mem.SelectObject(old);
    }
    DrawTextW(dis, x, y);
}

void LWBitmapButton::DrawTextW(DRAWITEMSTRUCT* dis, int x, int y)
{
    CString text;
    GetWindowText(text);
    if (text.IsEmpty())
        return;
    CDC* dc = CDC::FromHandle(dis->hDC);
    CRect rect(dis->rcItem);
    if (dis->itemState & (ODS_SELECTED | ODS_GRAYED | ODS_DISABLED | ODS_CHECKED))
        rect.OffsetRect(1, 1);
    rect.OffsetRect(x + m_nCaptionOffsetX, y + m_nCaptionOffsetY);
    int saved = dc->SaveDC();
    dc->SetBkMode(TRANSPARENT);
    if (m_fontCaption.GetSafeHandle())
        dc->SelectObject(&m_fontCaption);
    dc->SetTextColor(m_clrCaption);
    dc->DrawText(text, &rect, m_nCaptionFormat | DT_NOPREFIX);
    dc->RestoreDC(saved);
}
