#include "LWToolTipCtrl.h"
#include "LWSkinPaint.h"

IMPLEMENT_DYNAMIC(LWToolTipCtrl, CToolTipCtrl)

BEGIN_MESSAGE_MAP(LWToolTipCtrl, CToolTipCtrl)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_NOTIFY_REFLECT_EX(NM_CUSTOMDRAW, OnCustomDraw)
    ON_NOTIFY_REFLECT_EX(TTN_SHOW, OnShow)
    ON_NOTIFY_REFLECT_EX(TTN_POP, OnPop)
    ON_NOTIFY_REFLECT_EX(TTN_GETDISPINFOW, OnGetDispInfo)
END_MESSAGE_MAP()

LWToolTipCtrl::LWToolTipCtrl()
    : m_nWidth(0), m_nHeight(0), m_nLeft(0), m_nTop(0), m_nRight(0), m_nBottom(0), m_crTransparent(0),
      m_bOwnerSize(0), m_bOwnerDraw(0), m_hOldBitmap(nullptr)
{
}

LWToolTipCtrl::~LWToolTipCtrl()
{
    // The skin may still sit in the memory DC: take it out before either is deleted.
    if (m_dcSkin.GetSafeHdc() && m_hOldBitmap)
        ::SelectObject(m_dcSkin.GetSafeHdc(), m_hOldBitmap);
    m_hOldBitmap = nullptr;
}

void LWToolTipCtrl::SelectSkin()
{
    if (!m_dcSkin.GetSafeHdc() || !m_bmpSkin.GetSafeHandle())
        return;
    HGDIOBJ previous = ::SelectObject(m_dcSkin.GetSafeHdc(), m_bmpSkin.GetSafeHandle());
    if (!m_hOldBitmap)
        m_hOldBitmap = previous;
    ResizeTooltip(m_nWidth, m_nHeight);
}

void LWToolTipCtrl::SetSkin(UINT bitmapId, CRect margins, COLORREF transparent)
{
    // A bitmap still selected into a DC cannot be deleted: put the DC's own bitmap back first.
    if (m_dcSkin.GetSafeHdc() && m_hOldBitmap) {
        ::SelectObject(m_dcSkin.GetSafeHdc(), m_hOldBitmap);
        m_hOldBitmap = nullptr;
    }
    m_bmpSkin.DeleteObject();
    m_nWidth = m_nHeight = 0;
    if (HBITMAP bitmap = LWLoadSkinBitmap(bitmapId, L"LWToolTipCtrl::SetSkin")) {
        m_bmpSkin.Attach(bitmap);
        BITMAP info = {};
        m_bmpSkin.GetBitmap(&info);
        m_nWidth = info.bmWidth;
        m_nHeight = info.bmHeight;
    }
    m_nLeft = margins.left;
    m_nTop = margins.top;
    m_nRight = margins.right;
    m_nBottom = margins.bottom;
    m_crTransparent = transparent;
    if (::IsWindow(m_hWnd))
        SelectSkin();
}

void LWToolTipCtrl::ResizeTooltip(int cx, int cy)
{
    if (!::IsWindow(m_hWnd) || !m_dcSkin.GetSafeHdc() || cx <= 0 || cy <= 0)
        return;
    const int W = m_nWidth, H = m_nHeight;
    HRGN region = ::CreateRectRgn(0, 0, cx, cy);
    HRGN pixel = ::CreateRectRgn(0, 0, 0, 0);
    const HDC skin = m_dcSkin.GetSafeHdc();
    for (int y = 0; y < cy; ++y) {
        const bool top = y < m_nTop;
        const bool bottom = y > m_nBottom + cy - H;
        for (int x = 0; x < cx; ++x) {
            int sx = -1, sy = -1;
            if (x < m_nLeft) {
                if (top || bottom)
                    sx = x, sy = top ? y : H - cy + y;
            } else if (x > m_nRight + cx - W) {
                if (top || bottom)
                    sx = W - cx + x, sy = top ? y : H - cy + y;
            } else if (top) {
                sx = m_nRight / 2, sy = y;
            }
            if (sx < 0 || sy < 0)
                continue;
            if (::GetPixel(skin, sx, sy) == m_crTransparent) {
                ::SetRectRgn(pixel, x, y, x + 1, y + 1);
                ::CombineRgn(region, region, pixel, RGN_DIFF);
            }
        }
    }
    ::DeleteObject(pixel);
    // The window owns the region from here on.
    if (!::SetWindowRgn(m_hWnd, region, TRUE))
        ::DeleteObject(region);
}

void LWToolTipCtrl::DrawBackground(HDC dc, NMTTCUSTOMDRAW* nm)
{
    if (!dc || !nm)
        return;
    CRect r = nm->nmcd.rc;
    if (::IsWindow(m_hWnd))
        SendMessage(TTM_ADJUSTRECT, TRUE, (LPARAM)&r);
    if (!m_bmpSkin.GetSafeHandle() || !m_dcSkin.GetSafeHdc())
        return;
    HBRUSH white = (HBRUSH)::GetStockObject(WHITE_BRUSH);
    ::FillRect(dc, &r, white);
    const HDC src = m_dcSkin.GetSafeHdc();
    const int W = m_nWidth, H = m_nHeight;
    const int ml = m_nLeft, mt = m_nTop, mr = m_nRight, mb = m_nBottom;
    const int cw = W - mr, ch = H - mb;
    const UINT key = m_crTransparent;
    auto blt = [&](int x, int y, int w, int h, int sx, int sy, int sw, int sh) {
        if (w > 0 && h > 0 && sw > 0 && sh > 0)
            ::TransparentBlt(dc, x, y, w, h, src, sx, sy, sw, sh, key);
    };
    blt(r.left, r.top, ml, mt, 0, 0, ml, mt);
    blt(r.right - cw, r.top, cw, mt, mr, 0, cw, mt);
    blt(r.left, r.bottom - ch, ml, ch, 0, mb, ml, ch);
    blt(r.right - cw, r.bottom - ch, cw, ch, mr, mb, cw, ch);
    blt(r.left + ml, r.top, r.Width() - ml - cw, mt, ml, 0, mr - ml, mt);
    blt(r.left + ml, r.bottom - ch, r.Width() - ml - cw, ch, ml, mb, mr - ml, ch);
    blt(r.left, r.top + mt, ml, r.Height() - mt - ch, 0, mt, ml, mb - mt);
    blt(r.right - cw, r.top + mt, cw, r.Height() - mt - ch, mr, mt, cw, mb - mt);
}

int LWToolTipCtrl::OnCreate(LPCREATESTRUCT cs)
{
    if (CToolTipCtrl::OnCreate(cs) == -1)
        return -1;
    SetMaxTipWidth(::GetSystemMetrics(SM_CXSCREEN));
    CClientDC dc(this);
    m_dcSkin.CreateCompatibleDC(&dc);
    SelectSkin();
    return 0;
}

void LWToolTipCtrl::OnDestroy()
{
    if (m_dcSkin.GetSafeHdc() && m_hOldBitmap)
        ::SelectObject(m_dcSkin.GetSafeHdc(), m_hOldBitmap);
    m_hOldBitmap = nullptr;
    m_dcSkin.DeleteDC();
    CToolTipCtrl::OnDestroy();
}

BOOL LWToolTipCtrl::OnCustomDraw(NMHDR* nm, LRESULT* result)
{
    if (m_bOwnerDraw)
        return FALSE;
    NMTTCUSTOMDRAW* draw = (NMTTCUSTOMDRAW*)nm;
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
        *result = CDRF_NOTIFYPOSTPAINT;
        return TRUE;
    }
    if (draw->nmcd.dwDrawStage == CDDS_POSTPAINT) {
        DrawBackground(draw->nmcd.hdc, draw);
        if (m_bmpSkin.GetSafeHandle() && m_dcSkin.GetSafeHdc()) {
            CRect r = draw->nmcd.rc;
            SendMessage(TTM_ADJUSTRECT, TRUE, (LPARAM)&r);
            r.top += 6;
            CString text;
            GetWindowText(text);
            ::SetBkMode(draw->nmcd.hdc, TRANSPARENT);
            ::DrawTextW(draw->nmcd.hdc, text, text.GetLength(), &r,
                        DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
        *result = CDRF_SKIPDEFAULT;
        return TRUE;
    }
    return FALSE;
}

BOOL LWToolTipCtrl::OnShow(NMHDR*, LRESULT* result)
{
    if (m_bOwnerSize || m_nWidth == 0 || m_nHeight == 0)
        return FALSE;
    POINT pt;
    ::GetCursorPos(&pt);
    SetWindowPos(nullptr, pt.x - 20, pt.y + 16, m_nWidth, m_nHeight, SWP_NOACTIVATE | SWP_NOZORDER);
    *result = TRUE;
    return TRUE;
}

BOOL LWToolTipCtrl::OnPop(NMHDR*, LRESULT* result)
{
    *result = 1;
    return TRUE;
}

BOOL LWToolTipCtrl::OnGetDispInfo(NMHDR*, LRESULT*)
{
    m_bOwnerSize = 0;
    m_bOwnerDraw = 0;
    return FALSE;
}
