#include "LWSkinControl.h"
#include "LWSkinPaint.h"

HBITMAP LWLoadSkinBitmap(UINT id, const wchar_t* who)
{
    if (!id)
        return nullptr;
    HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCE(id), RT_BITMAP);
    HBITMAP bitmap = module ? ::LoadBitmapW(module, MAKEINTRESOURCE(id)) : nullptr;
    if (!bitmap)
        TRACE(L"%ls: no bitmap resource %u in the process\n", who, id);
    return bitmap;
}

void LWPaintNineSlice(HDC hdc, const RECT& dest, HBITMAP bitmap, SIZE size, const RECT& margins)
{
    if (!hdc || !bitmap) {
        TRACE(L"LWSkinControl::drawSkin: no %ls\n", hdc ? L"bitmap" : L"device context");
        return;
    }
    const int W = dest.right - dest.left, H = dest.bottom - dest.top;
    if (W <= 0 || H <= 0) {
        TRACE(L"LWSkinControl::drawSkin: empty destination %d x %d\n", W, H);
        return;
    }
    const int L = dest.left, T = dest.top;
    const int ml = margins.left, mt = margins.top, mr = margins.right, mb = margins.bottom;
    const int cw = size.cx - mr, ch = size.cy - mb;
    const int innerW = W - cw - ml, innerH = H - ch - mt;

    HDC mem = ::CreateCompatibleDC(hdc);
    if (!mem) {
        TRACE(L"LWSkinControl::drawSkin: no memory DC\n");
        return;
    }
    HGDIOBJ old = ::SelectObject(mem, bitmap);
    // Every piece stays inside the destination, also when it is smaller than the margins.
    int saved = ::SaveDC(hdc);
    ::IntersectClipRect(hdc, dest.left, dest.top, dest.right, dest.bottom);
    int oldMode = ::SetStretchBltMode(hdc, COLORONCOLOR);
    struct Piece {
        int sx, sy, sw, sh, dx, dy, dw, dh;
    };
    const Piece pieces[9] = {
        {ml, mt, mr - ml, mb - mt, L + ml, T + mt, innerW, innerH},   // centre
        {ml, 0, mr - ml, mt, L + ml, T, innerW, mt},                  // top edge
        {ml, mb, mr - ml, ch, L + ml, T + H - ch, innerW, ch},        // bottom edge
        {0, mt, ml, mb - mt, L, T + mt, ml, innerH},                  // left edge
        {mr, mt, cw, mb - mt, L + W - cw, T + mt, cw, innerH},        // right edge
        {0, 0, ml, mt, L, T, ml, mt},                                 // corners, unscaled
        {mr, 0, cw, mt, L + W - cw, T, cw, mt},
        {0, mb, ml, ch, L, T + H - ch, ml, ch},
        {mr, mb, cw, ch, L + W - cw, T + H - ch, cw, ch},
    };
    for (const Piece& p : pieces) {
        // A piece squeezed to nothing (or below) is skipped rather than mirrored.
        if (p.sw <= 0 || p.sh <= 0 || p.dw <= 0 || p.dh <= 0)
            continue;
        if (p.sw == p.dw && p.sh == p.dh)
            ::BitBlt(hdc, p.dx, p.dy, p.dw, p.dh, mem, p.sx, p.sy, SRCCOPY);
        else
            ::StretchBlt(hdc, p.dx, p.dy, p.dw, p.dh, mem, p.sx, p.sy, p.sw, p.sh, SRCCOPY);
    }
    ::SetStretchBltMode(hdc, oldMode);
    ::RestoreDC(hdc, saved);
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
}

LWSkinControl::LWSkinControl()
{
    m_size.cx = m_size.cy = 0;
    m_margins = RECT{0, 0, 0, 0};
}

LWSkinControl::~LWSkinControl()
{
    m_bitmap.DeleteObject();
}

int LWSkinControl::SetSkin(unsigned int bitmapId, RECT* margins)
{
    m_bitmap.DeleteObject();
    m_size.cx = m_size.cy = 0;
    if (!bitmapId)
        return 0;
    HBITMAP loaded = LWLoadSkinBitmap(bitmapId, L"LWSkinControl::SetSkin");
    if (!loaded)
        return 0;
    m_bitmap.Attach(loaded);
    BITMAP bm = {};
    m_bitmap.GetBitmap(&bm);
    m_size.cx = bm.bmWidth;
    m_size.cy = bm.bmHeight;
    if (margins)
        m_margins = *margins;
    else
        m_margins = RECT{3, 3, bm.bmWidth - 3, bm.bmHeight - 3};
    return 1;
}

void LWSkinControl::drawSkin(CDC* dc, CRect& dest, CBitmap& bitmap, const SIZE& size, const RECT& margins)
{
    LWPaintNineSlice(dc ? dc->GetSafeHdc() : nullptr, dest, (HBITMAP)bitmap.GetSafeHandle(), size, margins);
}

void LWSkinControl::drawSkin(CDC* dc, CRect& dest)
{
    if (!m_bitmap.GetSafeHandle())
        return;
    drawSkin(dc, dest, m_bitmap, m_size, m_margins);
}
