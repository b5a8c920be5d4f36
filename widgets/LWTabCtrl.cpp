#include "LWTabCtrl.h"
#include "LWSkinPaint.h"
#include <algorithm>

IMPLEMENT_DYNAMIC(LWTabCtrl, CTabCtrl)

BEGIN_MESSAGE_MAP(LWTabCtrl, CTabCtrl)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_WM_PAINT()
    ON_WM_SIZE()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_MOUSEMOVE()
    ON_WM_CAPTURECHANGED()
    ON_WM_NCHITTEST()
END_MESSAGE_MAP()

SkinControl LWTabCtrl::s_defSkin = {};
BOOL(WINAPI* LWTabCtrl::s_pfnDragDetect)(HWND, POINT) = ::DragDetect;

LWTabCtrl::LWTabCtrl()
    : m_skin(s_defSkin), m_crFrame(RGB(183, 190, 209)), m_crFrameSkin(RGB(137, 140, 149)), m_crStrip(RGB(239, 245, 249)),
      m_bReorder(0), m_nType(TypeOther), m_bDragging(0), m_nDragSource(-1), m_nDragTarget(-1), m_rcMarker(0, 0, 0, 0),
      m_pUpDown(nullptr)
{
    for (CFont* font : {&m_fontNormal, &m_fontActive})
        font->CreateFont(-11, 0, 0, 0, 400, 0, 0, 0, 204, 0, 0, CLEARTYPE_QUALITY, 0, L"Tahoma");
}

LWTabCtrl::~LWTabCtrl()
{
    ReleaseUpDown();
    m_fontNormal.DeleteObject();
    m_fontActive.DeleteObject();
    m_brWhite.DeleteObject();
    m_brGreen.DeleteObject();
    m_brStrip.DeleteObject();
    m_imgClose.DeleteImageList();
    m_bmpSkin.DeleteObject();
}

void LWTabCtrl::ReleaseUpDown()
{
    // The wrapper is ours; the window stays the tab control's own child.
    if (m_pUpDown) {
        m_pUpDown->Detach();
        delete m_pUpDown;
        m_pUpDown = nullptr;
    }
}

void LWTabCtrl::SetSkin(SkinControl& skin)
{
    m_skin = skin;
    m_bmpSkin.DeleteObject();
    if (m_skin.bmpNormal)
        if (HBITMAP bitmap = LWLoadSkinBitmap(m_skin.bmpNormal, L"LWTabCtrl::SetSkin"))
            m_bmpSkin.Attach(bitmap);
    if (!m_bmpSkin.GetSafeHandle())
        m_skin.bmpNormal = 0;
}

void LWTabCtrl::DetermineType()
{
    const DWORD bits = GetStyle() & 0xF;
    m_nType = bits == 0 ? TypeTop : bits == TCS_BOTTOM ? TypeBottom : TypeOther;
}

int LWTabCtrl::GetTabItemRect(int index, RECT* rect) const
{
    if (!rect || !::IsWindow(m_hWnd))
        return 0;
    const int result = (int)SendMessage(TCM_GETITEMRECT, index, (LPARAM)rect);
    if (result && m_nType == TypeTop) {
        if (index == 0)
            rect->left = -1;
        rect->top = -1;
        rect->right += 1;
        CRect client;
        GetClientRect(&client);
        rect->bottom = std::min(rect->bottom, client.bottom);
    }
    return result;
}

int LWTabCtrl::GetBtnCloseRect(int index, RECT* rect) const
{
    CRect tab;
    if (!rect || !GetTabItemRect(index, &tab) || !m_imgClose.GetSafeHandle() || m_imgClose.GetImageCount() <= 0)
        return 0;
    IMAGEINFO info = {};
    m_imgClose.GetImageInfo(0, &info);
    const int w = info.rcImage.right - info.rcImage.left, h = info.rcImage.bottom - info.rcImage.top;
    const int top = tab.top + (tab.Height() - h) / 2 + 1;
    ::SetRect(rect, tab.right - w, top, tab.right, top + h);
    return 1;
}

LRESULT LWTabCtrl::NotifyParent(UINT code, UINT index, POINT* pt)
{
    HWND parent = ::IsWindow(m_hWnd) ? ::GetParent(m_hWnd) : nullptr;
    if (!parent)
        return 0;
    NMMOUSE nm = {};
    nm.hdr.hwndFrom = m_hWnd;
    nm.hdr.idFrom = (UINT_PTR)::GetDlgCtrlID(m_hWnd);
    nm.hdr.code = code;
    nm.pt = pt ? *pt : POINT{-1, -1};
    nm.dwHitInfo = (LPARAM)(int)index;
    return ::SendMessageW(parent, WM_NOTIFY, 0, (LPARAM)&nm);
}

void LWTabCtrl::drawSkin(CDC* dc, CRect& dest, CBitmap& bitmap, const SIZE& size, const RECT& margins)
{
    if (dc)
        LWPaintNineSlice(dc->GetSafeHdc(), dest, (HBITMAP)bitmap.GetSafeHandle(), size, margins);
}

// ---- painting ----

void LWTabCtrl::OnPaint()
{
    if (!m_brWhite.GetSafeHandle())
        m_brWhite.CreateSolidBrush(RGB(255, 255, 255));
    if (!m_brGreen.GetSafeHandle())
        m_brGreen.CreateSolidBrush(RGB(0, 239, 0));
    if (!m_brStrip.GetSafeHandle())
        m_brStrip.CreateSolidBrush(m_crStrip);
    if (m_nType == TypeOther)
        DetermineType();
    if (m_nType != TypeTop) {
        Default();  // only top tabs are painted here
        return;
    }
    CPaintDC dc(this);
    OnPaintTop(&dc);
}

void LWTabCtrl::OnPaintTop(CDC* dc)
{
    if (!dc)
        return;
    HGDIOBJ font = (HGDIOBJ)SendMessage(WM_GETFONT, 0, 0);
    HGDIOBJ oldFont = ::SelectObject(dc->GetSafeHdc(), font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
    CRect client;
    GetClientRect(&client);
    CRect first(0, 0, 0, 0);
    const int count = GetItemCount();
    if (count > 0)
        GetTabItemRect(0, &first);
    const int B = std::max(0, (int)first.bottom);
    CRect page(client);
    page.top = m_bmpSkin.GetSafeHandle() ? B : std::max(0, B - 2);
    dc->FillSolidRect(client.left, client.top, client.Width(), B, m_crStrip);
    dc->FillSolidRect(&page, m_crFrameSkin);
    page.DeflateRect(1, 1);
    dc->FillSolidRect(&page, RGB(255, 255, 255));
    const int current = GetCurSel();
    for (int i = 0; i < count; ++i)
        if (i != current)
            DrawTabItem(dc, i, FALSE);
    if (current >= 0 && current < count)
        DrawTabItem(dc, current, TRUE);
    ::SelectObject(dc->GetSafeHdc(), oldFont);
}

void LWTabCtrl::DrawTabItem(CDC* dc, int index, BOOL active)
{
    wchar_t text[257] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_STATE;
    item.pszText = text;
    item.cchTextMax = 256;
    item.dwStateMask = (DWORD)-1;
    if (!dc || !SendMessage(TCM_GETITEMW, index, (LPARAM)&item))
        return;
    CRect rect;
    if (!GetTabItemRect(index, &rect))
        return;
    const bool skin = m_bmpSkin.GetSafeHandle() != nullptr;
    if (!active && skin) {
        CRect dest(rect.left, rect.top, rect.right, rect.bottom + 1);
        drawSkin(dc, dest, m_bmpSkin, SIZE{m_skin.cx, m_skin.cy}, m_skin.rcMargins);
    } else {
        CRect box(rect);
        if (skin) {
            box.OffsetRect(0, 1);
            if (index == 0)
                box.left += 1;
        }
        dc->FillSolidRect(&box, skin ? m_crFrameSkin : m_crFrame);
        CRect inside(box);
        inside.DeflateRect(1, 1);
        dc->FillSolidRect(&inside, active ? RGB(255, 255, 255) : m_crStrip);
        if (active) {
            const int left = box.left + ((index == 0 && skin) ? 2 : 1);
            dc->FillSolidRect(left, box.bottom - 1, std::max(0, (int)box.right - 1 - left), 1, RGB(255, 255, 255));
        }
    }
    CImageList* images = GetImageList();
    if (images && images->GetSafeHandle() && item.iImage >= 0 && item.iImage < images->GetImageCount()) {
        IMAGEINFO info = {};
        images->GetImageInfo(item.iImage, &info);
        const int h = info.rcImage.bottom - info.rcImage.top;
        images->Draw(dc, item.iImage, CPoint(rect.left + 1, rect.top + (rect.Height() - h) / 2 + 1), ILD_TRANSPARENT);
    }
    CRect close;
    if ((item.dwState & LWTC_STATE_CLOSE) && GetBtnCloseRect(index, &close))
        m_imgClose.Draw(dc, 0, close.TopLeft(), ILD_TRANSPARENT);
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(RGB(0, 0, 0));
    CFont* font = active ? &m_fontActive : &m_fontNormal;
    HGDIOBJ old = nullptr;
    if (m_fontNormal.GetSafeHandle() && m_fontActive.GetSafeHandle())
        old = ::SelectObject(dc->GetSafeHdc(), font->GetSafeHandle());
    dc->DrawText(text, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (old)
        ::SelectObject(dc->GetSafeHdc(), old);
}

// ---- mouse ----

void LWTabCtrl::OnLButtonDown(UINT, CPoint point)
{
    const int count = GetItemCount();
    for (int i = 0; i < count; ++i) {
        CRect close;
        if (!GetBtnCloseRect(i, &close) || !close.PtInRect(point))
            continue;
        // Only a tab that shows its close button can be closed by a press there.
        TCITEMW item = {};
        item.mask = TCIF_STATE;
        item.dwStateMask = LWTC_STATE_CLOSE;
        if (!SendMessage(TCM_GETITEMW, i, (LPARAM)&item) || !(item.dwState & LWTC_STATE_CLOSE))
            continue;
        if (NotifyParent(LWTC_CLOSE, i, &point) == 1 && ::IsWindow(m_hWnd))
            DeleteItem(i);
        return;
    }
    if (m_bReorder) {
        POINT screen = point;
        ClientToScreen(&screen);
        if (s_pfnDragDetect && s_pfnDragDetect(m_hWnd, screen)) {
            TCHITTESTINFO hit = {point, 0};
            const int tab = HitTest(&hit);
            if (tab < 0)
                return;
            m_nDragSource = m_nDragTarget = tab;
            m_bDragging = 1;
            m_rcMarker.SetRectEmpty();
            DrawIndicator(point);
            SetCapture();
            return;
        }
    }
    Default();
}

void LWTabCtrl::DrawIndicator(CPoint pt)
{
    const int count = GetItemCount();
    CRect first;
    if (count <= 0 || !CTabCtrl::GetItemRect(0, &first))
        return;
    TCHITTESTINFO hit = {{pt.x, first.top}, 0};  // only the x position matters
    const int over = HitTest(&hit);
    if (over >= 0)
        m_nDragTarget = over;
    else if (m_nDragTarget >= count)
        m_nDragTarget = count - 1;
    m_nDragTarget = std::max(0, std::min(m_nDragTarget, count - 1));
    CRect tab;
    if (!GetTabItemRect(m_nDragTarget, &tab))
        return;
    CRect marker(tab.left - 1, tab.top, tab.left + 1, tab.bottom);
    if (pt.x >= tab.right - tab.Width() / 2) {
        marker.SetRect(tab.right - 1, tab.top, tab.right + 1, tab.bottom);
        ++m_nDragTarget;
    }
    if (marker != m_rcMarker) {
        if (!m_rcMarker.IsRectEmpty())
            InvalidateRect(&m_rcMarker);
        m_rcMarker = marker;
    }
    CClientDC dc(this);
    const COLORREF hot = ::GetSysColor(COLOR_HOTLIGHT);
    dc.FillSolidRect(&m_rcMarker, hot);
}

void LWTabCtrl::OnMouseMove(UINT flags, CPoint point)
{
    Default();
    if (!(flags & MK_LBUTTON))
        m_bDragging = 0;
    if (!m_bDragging)
        return;
    DrawIndicator(point);
    if (!m_pUpDown) {
        if (HWND updown = ::FindWindowExW(m_hWnd, nullptr, UPDOWN_CLASSW, nullptr)) {
            m_pUpDown = new CWnd;
            if (!m_pUpDown->Attach(updown)) {
                delete m_pUpDown;
                m_pUpDown = nullptr;
            }
        }
    }
    if (!m_pUpDown)
        return;
    CRect client;
    GetClientRect(&client);
    const int pos = LOWORD(m_pUpDown->SendMessage(UDM_GETPOS, 0, 0));
    int to = -1;
    if (point.x < client.left && pos != 0)
        to = pos - 1;
    else if (point.x > client.right && (m_pUpDown->GetStyle() & WS_VISIBLE))
        to = pos + 1;
    if (to < 0)
        return;
    InvalidateRect(&m_rcMarker);
    m_rcMarker.SetRectEmpty();
    SendMessage(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, to), 0);
}

void LWTabCtrl::OnLButtonUp(UINT, CPoint)
{
    Default();
    if (!m_bDragging || ::GetCapture() != m_hWnd)
        return;
    const int source = m_nDragSource, target = m_nDragTarget;
    ::ReleaseCapture();
    m_bDragging = 0;
    ReorderTab(source, target);
    UpdateWindow();
}

void LWTabCtrl::ReorderTab(int source, int target)
{
    const int count = GetItemCount();
    if (source == target || source < 0 || source >= count || target < 0 || target > count)
        return;
    wchar_t text[257] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_RTLREADING | TCIF_PARAM | TCIF_STATE;
    item.pszText = text;
    item.cchTextMax = 256;
    item.dwStateMask = (DWORD)-1;
    if (!SendMessage(TCM_GETITEMW, source, (LPARAM)&item))
        return;
    const bool wasCurrent = GetCurSel() == source;
    DeleteItem(source);
    if (source < target)
        --target;
    item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM | TCIF_STATE;
    item.dwStateMask = (DWORD)-1;
    const int at = (int)SendMessage(TCM_INSERTITEMW, target, (LPARAM)&item);
    if (at >= 0)
        SendMessage(TCM_SETITEMW, at, (LPARAM)&item);  // the state bits, which insertion may leave out
    if (wasCurrent && at >= 0)
        SetCurSel(at);
}

void LWTabCtrl::OnCaptureChanged(CWnd*)
{
    if (m_bDragging) {
        m_bDragging = 0;
        InvalidateRect(&m_rcMarker);
    }
}

void LWTabCtrl::OnLButtonDblClk(UINT, CPoint point)
{
    int index = -1;
    const int count = GetItemCount();
    for (int i = 0; i < count; ++i) {
        CRect tab;
        if (GetTabItemRect(i, &tab) && tab.PtInRect(point)) {
            index = i;
            break;
        }
    }
    NotifyParent(LWTC_DBLCLK, (UINT)index, &point);
    if (::IsWindow(m_hWnd))
        Default();
}

LRESULT LWTabCtrl::OnNcHitTest(CPoint)
{
    const LRESULT hit = Default();
    return hit == HTTRANSPARENT ? HTCLIENT : hit;
}

void LWTabCtrl::OnSize(UINT, int, int)
{
    Default();
}

int LWTabCtrl::OnCreate(LPCREATESTRUCT cs)
{
    if (CTabCtrl::OnCreate(cs) == -1)
        return -1;
    DetermineType();
    return 0;
}

void LWTabCtrl::OnDestroy()
{
    ReleaseUpDown();
    CTabCtrl::OnDestroy();
}
