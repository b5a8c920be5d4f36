#include "LWScrollBar.h"
#include <algorithm>

IMPLEMENT_DYNAMIC(LWScrollBar, CWnd)

CBitmap LWScrollBar::s_bmpSkin;

BEGIN_MESSAGE_MAP(LWScrollBar, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_TIMER()
    ON_WM_SIZE()
END_MESSAGE_MAP()

namespace {
const UINT_PTR kRepeatTimer = 1;
const int kMinThumb = 20;
const int kThumbWidth = 10;
}

LWScrollBar::LWScrollBar()
    : m_nMin(0), m_nMax(0), m_nPos(0), m_nPage(0), m_rcThumb(0, 0, 0, 0), m_nDragOffset(0), m_nPressMode(-1),
      m_fTrackLength(0), m_fPixelsPerUnit(0), m_fThumbHeight(0)
{
}

LWScrollBar::~LWScrollBar() = default;

BOOL LWScrollBar::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id, CCreateContext* context)
{
    return CWnd::Create(AfxRegisterWndClass(0, ::LoadCursorW(nullptr, IDC_ARROW)), L"", style, rect, parent, id,
                        context);
}

void LWScrollBar::Recalc()
{
    if (!::IsWindow(m_hWnd))
        return;
    CRect client;
    GetClientRect(&client);
    CalcCursorRect(client.Height());
}

void LWScrollBar::SetRange(int min, int max)
{
    m_nMin = min;
    m_nMax = max;
    Recalc();
    if (::IsWindow(m_hWnd))
        Invalidate();
}

void LWScrollBar::SetPage(int page)
{
    m_nPage = page;
    Recalc();
    if (::IsWindow(m_hWnd))
        Invalidate();
}

void LWScrollBar::SetPos(int pos)
{
    m_nPos = std::max(m_nMin, std::min(pos, m_nMax));
    if (m_nPressMode != SB_THUMBPOSITION) {
        Recalc();
        if (::IsWindow(m_hWnd))
            Invalidate();
    }
}

void LWScrollBar::CalcCursorRect(int height)
{
    const int range = m_nMax - m_nMin;
    float thumb = (m_nMin < m_nMax && m_nPage < range) ? (float)height * m_nPage / range : (float)height;
    if (thumb < kMinThumb)
        thumb = kMinThumb;
    m_fThumbHeight = thumb;
    m_fTrackLength = std::max(0.0f, height - thumb);
    // A page that covers the whole range leaves no steps: the thumb cannot move.
    const int steps = m_nMax - m_nPage - m_nMin + 1;
    m_fPixelsPerUnit = steps > 0 ? m_fTrackLength / steps : 0.0f;
    if (m_nPressMode != SB_THUMBPOSITION) {
        int top = (int)((m_nPos - m_nMin) * m_fPixelsPerUnit);
        m_rcThumb.SetRect(0, top, kThumbWidth, top + (int)m_fThumbHeight);
    }
}

void LWScrollBar::OnDraw(CDC* dc)
{
    CRect client;
    GetClientRect(&client);
    const COLORREF white = RGB(255, 255, 255);
    dc->FillSolidRect(client.left, client.top, client.Width(), std::max(0, (int)(m_rcThumb.top - client.top)), white);
    CRect thumb(client.left, m_rcThumb.top, client.right - 1, m_rcThumb.bottom);
    dc->FillSolidRect(&thumb, RGB(211, 213, 217));
    dc->FillSolidRect(client.right - 1, m_rcThumb.top, 1, m_rcThumb.Height(), white);
    if (m_rcThumb.bottom < client.bottom)
        dc->FillSolidRect(client.left, m_rcThumb.bottom, client.Width(), client.bottom - m_rcThumb.bottom, white);
}

void LWScrollBar::OnPaint()
{
    CPaintDC dc(this);
    OnDraw(&dc);
}

BOOL LWScrollBar::OnEraseBkgnd(CDC*)
{
    return TRUE;
}

BOOL LWScrollBar::ProcessScroll(CPoint point)
{
    CRect client;
    GetClientRect(&client);
    if (client.PtInRect(point) && (m_nPressMode == SB_PAGEUP || m_nPressMode == SB_PAGEDOWN)) {
        const int step = m_nPage > 1 ? m_nPage - 1 : m_nPage;
        int pos = m_nPos;
        if (m_nPressMode == SB_PAGEUP && point.y < m_rcThumb.top)
            pos -= step;
        else if (m_nPressMode == SB_PAGEDOWN && point.y >= m_rcThumb.bottom)
            pos += step;
        const int last = std::max(m_nMin, m_nMax - m_nPage + 1);
        pos = std::max(m_nMin, std::min(pos, last));
        if (pos != m_nPos) {
            m_nPos = pos;
            Recalc();
            HWND parent = ::GetParent(m_hWnd);
            if (parent)
                ::SendMessageW(parent, WM_VSCROLL, MAKEWPARAM(m_nPressMode, pos), (LPARAM)m_hWnd);
            if (::IsWindow(m_hWnd))
                Invalidate();
        }
    }
    return m_nPressMode != -1 && m_nPressMode != SB_THUMBPOSITION;
}

void LWScrollBar::OnLButtonDown(UINT, CPoint point)
{
    SetCapture();
    CRect client;
    GetClientRect(&client);
    if (point.y < m_rcThumb.top && point.y >= 0) {
        m_nPressMode = SB_PAGEUP;
    } else if (point.y >= m_rcThumb.bottom && point.y < client.bottom) {
        m_nPressMode = SB_PAGEDOWN;
    } else {
        m_nPressMode = SB_THUMBPOSITION;
        m_nDragOffset = point.y - m_rcThumb.top;
        return;
    }
    ProcessScroll(point);
    SetTimer(kRepeatTimer, 400);
}

void LWScrollBar::OnTimer(UINT_PTR id)
{
    if (id != kRepeatTimer) {
        Default();
        return;
    }
    KillTimer(kRepeatTimer);
    CPoint cursor;
    ::GetCursorPos(&cursor);
    ScreenToClient(&cursor);
    if (ProcessScroll(cursor))
        SetTimer(kRepeatTimer, 50);
}

void LWScrollBar::OnMouseMove(UINT, CPoint point)
{
    if (m_nPressMode != SB_THUMBPOSITION)
        return;
    CRect client;
    GetClientRect(&client);
    const int height = m_rcThumb.Height();
    int top = std::max(0, (int)(point.y - m_nDragOffset));
    top = std::min(top, std::max(0, (int)(client.bottom - height)));
    if (top == m_rcThumb.top)
        return;
    m_rcThumb.SetRect(0, top, kThumbWidth, top + height);
    if (m_fPixelsPerUnit > 0) {
        int pos = m_nMin + (int)((top + m_fPixelsPerUnit / 2) / m_fPixelsPerUnit);
        pos = std::max(m_nMin, std::min(pos, m_nMax));
        if (pos != m_nPos) {
            m_nPos = pos;
            HWND parent = ::GetParent(m_hWnd);
            if (parent)
                ::SendMessageW(parent, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, pos), (LPARAM)m_hWnd);
        }
    }
    if (::IsWindow(m_hWnd))
        Invalidate();
}

void LWScrollBar::OnLButtonUp(UINT, CPoint)
{
    KillTimer(kRepeatTimer);
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    m_nPressMode = -1;
    Recalc();
    Invalidate();
}

void LWScrollBar::OnSize(UINT, int, int cy)
{
    CalcCursorRect(cy);
}
