#include "LWSplitterWnd.h"
#include <algorithm>

int LWSplitterNotify::OnSplitterResize(CWnd*, UINT)
{
    return 1;
}

int LWSplitterNotify::OnResizeChild(CWnd*, CWnd*, CRect&)
{
    return 1;
}

IMPLEMENT_DYNAMIC(LWSplitterWnd, CWnd)

CBitmap LWSplitterWnd::s_bmpGripper;

BEGIN_MESSAGE_MAP(LWSplitterWnd, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_SIZE()
    ON_WM_NCHITTEST()
    ON_WM_SETCURSOR()
    ON_WM_LBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
    ON_WM_RBUTTONDOWN()
END_MESSAGE_MAP()

namespace {
const int kMinPane = 100;  // a dragged pane never gets smaller than this
}

LWSplitterWnd::LWSplitterWnd()
    : m_pListener(nullptr), m_nKind(KindLeft), m_pPane1(nullptr), m_pPane2(nullptr), m_nPos(100), m_nWidth(4),
      m_bRelayout(0), m_rcTracker(0, 0, 0, 0), m_cx(0), m_cy(0), m_nHit(0), m_bSelfDelete(1)
{
}

LWSplitterWnd::~LWSplitterWnd() = default;

BOOL LWSplitterWnd::Create(CWnd* parent, const RECT& rect, UINT id, int kind, CWnd* first, CWnd* second,
                           LWSplitterNotify* listener)
{
    m_nKind = kind;
    m_pPane1 = first;
    m_pPane2 = second;
    m_pListener = listener;
    return CWnd::CreateEx(WS_EX_TRANSPARENT, AfxRegisterWndClass(0, ::LoadCursorW(nullptr, IDC_ARROW)), L"",
                          WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rect, parent, id);
}

void LWSplitterWnd::GetPaneRect(CRect& first, CRect& second)
{
    const int pos = m_nPos, w = m_nWidth, cx = m_cx, cy = m_cy;
    switch (m_nKind) {
    case KindLeft:
        first.SetRect(0, 0, pos, cy);
        second.SetRect(pos + w, 0, cx, cy);
        break;
    case KindRight:
        first.SetRect(0, 0, cx - pos, cy);
        second.SetRect(cx - pos + w - 1, 0, cx, cy);
        break;
    case KindTop:
        first.SetRect(0, 0, cx, pos);
        second.SetRect(0, pos + w, cx, cy);
        break;
    default:
        first.SetRect(0, 0, cx, cy - pos);
        second.SetRect(0, cy - pos + w, cx, cy);
        break;
    }
}

CRect LWSplitterWnd::BarRect() const
{
    const int pos = m_nPos, w = m_nWidth, cx = m_cx, cy = m_cy;
    switch (m_nKind) {
    case KindLeft: return CRect(pos, -1, pos + w, cy + 1);
    case KindRight: return CRect(cx - pos, -1, cx - pos + w - 1, cy + 1);
    case KindTop: return CRect(-1, pos, cx + 1, pos + w);
    default: return CRect(-1, cy - pos + 1, cx + 1, cy - pos + w + 1);
    }
}

bool LWSplitterWnd::OnBar(CPoint point) const
{
    switch (m_nKind) {
    case KindLeft: return point.x >= m_nPos && point.x <= m_nPos + m_nWidth;
    case KindRight: return point.x >= m_cx - m_nPos && point.x <= m_cx - m_nPos + m_nWidth;
    case KindTop: return point.y >= m_nPos && point.y <= m_nPos + m_nWidth;
    default: return point.y >= m_cy - m_nPos && point.y <= m_cy - m_nPos + m_nWidth;
    }
}

void LWSplitterWnd::OnSize(UINT, int cx, int cy)
{
    m_cx = cx;
    m_cy = cy;
    CRect rects[2];
    GetPaneRect(rects[0], rects[1]);
    CWnd* panes[2] = {m_pPane1, m_pPane2};
    for (int i = 0; i < 2; ++i) {
        if (!panes[i] || !::IsWindow(panes[i]->GetSafeHwnd()))
            continue;
        if (m_pListener && !m_pListener->OnResizeChild(this, panes[i], rects[i]))
            continue;
        panes[i]->MoveWindow(&rects[i], FALSE);
        panes[i]->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    Invalidate(FALSE);
}

void LWSplitterWnd::RecalcLayout()
{
    if (::IsWindow(m_hWnd))
        OnSize(SIZE_RESTORED, m_cx, m_cy);
}

void LWSplitterWnd::DrawSplitter(CDC* dc, CRect rect)
{
    if (!dc || !dc->GetSafeHdc())
        return;
    CPen pen(PS_SOLID, 1, RGB(196, 203, 218));
    CPen* oldPen = dc->SelectObject(&pen);
    CGdiObject* oldBrush = dc->SelectStockObject(WHITE_BRUSH);
    dc->Rectangle(&rect);
    dc->SelectObject(oldBrush);
    dc->SelectObject(oldPen);
    if (s_bmpGripper.GetSafeHandle() && rect.Height() > 21) {
        CDC mem;
        mem.CreateCompatibleDC(dc);
        CBitmap* old = mem.SelectObject(&s_bmpGripper);
        dc->BitBlt(rect.left + 1, rect.top + (rect.Height() - 21) / 2, 5, 21, &mem, 0, 0, SRCCOPY);
        mem.SelectObject(old);
    }
}

void LWSplitterWnd::OnPaint()
{
    CPaintDC dc(this);
    DrawSplitter(&dc, BarRect());
}

BOOL LWSplitterWnd::OnEraseBkgnd(CDC*)
{
    return TRUE;
}

LRESULT LWSplitterWnd::OnNcHitTest(CPoint point)
{
    ScreenToClient(&point);
    if (OnBar(point)) {
        m_nHit = (m_nKind == KindLeft || m_nKind == KindRight) ? 1 : 2;
        return Default();
    }
    m_nHit = 0;
    return HTTRANSPARENT;
}

BOOL LWSplitterWnd::OnSetCursor(CWnd*, UINT, UINT)
{
    if (m_nHit) {
        ::SetCursor(::LoadCursorW(nullptr, m_nHit == 1 ? IDC_SIZEWE : IDC_SIZENS));
        return TRUE;
    }
    return (BOOL)Default();
}

CPoint LWSplitterWnd::RestrictMove(CPoint point) const
{
    switch (m_nKind) {
    case KindLeft: point.x = std::max((int)point.x, kMinPane); break;
    case KindRight: point.x = std::min((int)point.x, m_cx - kMinPane); break;
    case KindTop: point.y = std::max((int)point.y, kMinPane); break;
    default: point.y = std::min((int)point.y, m_cy - kMinPane); break;
    }
    return point;
}

void LWSplitterWnd::OnDrawSplitter(CDC* dc)
{
    int old = dc->SetROP2(R2_XORPEN);
    const bool vertical = m_nKind == KindLeft || m_nKind == KindRight;
    for (int i = 0; i < m_nWidth / 2; ++i) {
        CRect r = m_rcTracker;
        if (vertical) {
            r.left += 2 * i;
            r.right = r.left + 2;
        } else {
            r.top += 2 * i;
            r.bottom = r.top + 2;
        }
        dc->DrawFocusRect(&r);
    }
    dc->SetROP2(old);
}

void LWSplitterWnd::DrawTracker()
{
    CClientDC dc(this);
    OnDrawSplitter(&dc);
}

void LWSplitterWnd::OnLButtonDown(UINT, CPoint point)
{
    if (!OnBar(point)) {
        Default();
        return;
    }
    SetCapture();
    CRect bar = BarRect();
    if (m_nKind == KindLeft || m_nKind == KindRight)
        m_rcTracker.SetRect(bar.left, 0, bar.left + m_nWidth, m_cy);
    else
        m_rcTracker.SetRect(0, bar.top, m_cx, bar.top + m_nWidth);
    DrawTracker();
}

void LWSplitterWnd::OnMouseMove(UINT, CPoint point)
{
    if (::GetCapture() != m_hWnd) {
        Default();
        return;
    }
    DrawTracker();
    point = RestrictMove(point);
    if (m_nKind == KindLeft || m_nKind == KindRight)
        m_rcTracker.SetRect(point.x, 0, point.x + m_nWidth, m_cy);
    else
        m_rcTracker.SetRect(0, point.y, m_cx, point.y + m_nWidth);
    DrawTracker();
}

void LWSplitterWnd::OnLButtonUp(UINT, CPoint point)
{
    if (::GetCapture() != m_hWnd) {
        Default();
        return;
    }
    DrawTracker();  // erased before anything moves
    ::ReleaseCapture();
    point = RestrictMove(point);
    int pos;
    switch (m_nKind) {
    case KindLeft: pos = point.x; break;
    case KindRight: pos = m_cx - point.x; break;
    case KindTop: pos = point.y; break;
    default: pos = m_cy - point.y; break;
    }
    if (m_pListener && !m_pListener->OnSplitterResize(this, (UINT)pos))
        return;
    m_nPos = pos;
    RecalcLayout();
    if (m_bRelayout) {
        CWnd* main = AfxGetMainWnd();
        if (main && main->IsKindOf(RUNTIME_CLASS(CFrameWnd)))
            static_cast<CFrameWnd*>(main)->RecalcLayout(TRUE);
    }
}

void LWSplitterWnd::OnRButtonDown(UINT, CPoint)
{
    if (::GetCapture() != m_hWnd) {
        Default();
        return;
    }
    DrawTracker();
    ::ReleaseCapture();
}

void LWSplitterWnd::PostNcDestroy()
{
    if (m_bSelfDelete)
        delete this;
}
