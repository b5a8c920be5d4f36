#include "LWDock.h"
#include "LWSplitterWnd.h"

// ---------------------------------------------------------------------------------------------
// LWDialog

IMPLEMENT_DYNAMIC(LWDialog, CDialog)

BEGIN_MESSAGE_MAP(LWDialog, CDialog)
    ON_WM_NCCALCSIZE()
    ON_WM_NCHITTEST()
    ON_WM_NCPAINT()
    ON_WM_NCACTIVATE()
    ON_WM_ERASEBKGND()
    ON_WM_NCLBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_RBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_CAPTURECHANGED()
END_MESSAGE_MAP()

POINT LWDialog::s_ptLastDrag = {0, 0};

LWDialog::LWDialog()
{
    initVars();
}

LWDialog::LWDialog(const wchar_t* templateName, CWnd* parent) : CDialog(templateName, parent)
{
    initVars();
}

LWDialog::LWDialog(UINT templateId, CWnd* parent) : CDialog(templateId, parent)
{
    initVars();
}

LWDialog::~LWDialog() = default;

void LWDialog::initVars()
{
    m_bEnableDocking = 0;
    m_pDockPane = nullptr;
    m_bCaption = 1;
    m_rcDrag.SetRectEmpty();
    m_xGrab = m_yGrab = 0;
    m_bDragging = false;
}

BOOL LWDialog::OnInitDialog()
{
    return CDialog::OnInitDialog();
}

int LWDialog::IsDocked()
{
    return m_pDockPane ? 1 : 0;
}

int LWDialog::SetDockPane(CWnd* pane)
{
    m_pDockPane = pane;
    return 1;
}

CWnd* LWDialog::GetDockWindow()
{
    return m_pDockPane;
}

int LWDialog::DockWindow(CWnd* other, LWDockTypes side)
{
    if (!::IsWindow(m_hWnd))
        return 0;
    LWDialogPane* pane = nullptr;
    if (m_pDockPane) {
        // Docked in a frame rather than a container: nothing here can hold a second window.
        if (!m_pDockPane->IsKindOf(RUNTIME_CLASS(LWDialogPane))) {
            TRACE(L"LWDialog::DockWindow: the dialog is docked in a frame\n");
            return 0;
        }
        pane = static_cast<LWDialogPane*>(m_pDockPane);
    } else {
        const bool visible = IsWindowVisible() != FALSE;
        CRect former;
        GetWindowRect(&former);
        pane = LWDialogPane::CreateDialogPane(AfxGetMainWnd());
        if (!pane)
            return 0;
        if (!pane->DockWindow(this, LWDockLeft, -1)) {
            pane->DestroyWindow();
            return 0;
        }
        if (visible) {
            pane->MoveWindow(&former);
            pane->ShowWindow(SW_SHOW);
        }
    }
    return pane->DockWindow(other, side, -1);
}

void LWDialog::UpdateWindowPos(UINT childId, int dx, int dy, int flags)
{
    HWND child = ::GetDlgItem(m_hWnd, (int)childId);
    if (!child)
        return;
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof(wp);
    if (!::GetWindowPlacement(child, &wp))
        return;
    RECT& r = wp.rcNormalPosition;
    if (flags & 1) {
        r.left += dx;
        r.right += dx;
    } else if (flags & 4) {
        r.right += dx;
    }
    if (flags & 2) {
        r.top += dy;
        r.bottom += dy;
    } else if (flags & 8) {
        r.bottom += dy;
    }
    ::SetWindowPlacement(child, &wp);
}

void LWDialog::OnNcCalcSize(BOOL, NCCALCSIZE_PARAMS* params)
{
    if (IsDocked() && m_bCaption && params)
        params->rgrc[0].top += kCaptionHeight;
    Default();
}

LRESULT LWDialog::OnNcHitTest(CPoint point)
{
    if (IsDocked() && m_bCaption) {
        CPoint client = point;
        ScreenToClient(&client);
        CRect rc;
        GetClientRect(&rc);
        if (client.y >= -(kCaptionHeight - 1) && client.y < 0 && client.x >= rc.left && client.x < rc.right)
            return HTCAPTION;
    }
    return Default();
}

void LWDialog::OnNcPaint()
{
    // The library paints no non-client area: a derived window draws its own caption strip.
}

BOOL LWDialog::OnNcActivate(BOOL)
{
    BOOL result = (BOOL)Default();
    SendMessage(WM_NCPAINT, 1, 0);
    return result;
}

BOOL LWDialog::OnEraseBkgnd(CDC*)
{
    if (GetExStyle() & WS_EX_TRANSPARENT)
        return TRUE;
    return (BOOL)Default();
}

bool LWDialog::IsDragging() const
{
    return m_bDragging && m_bEnableDocking && ::GetCapture() == m_hWnd;
}

LWDialog* LWDialog::FindTarget(POINT p)
{
    return TargetFromWindow(::WindowFromPoint(p));
}

LWDialog* LWDialog::TargetFromWindow(HWND under)
{
    LWDialog* found = nullptr;
    for (HWND h = under; h; h = (::GetWindowLongW(h, GWL_STYLE) & WS_CHILD) ? ::GetParent(h) : nullptr) {
        if (h == m_hWnd)
            return nullptr;
        CWnd* w = found ? nullptr : CWnd::FromHandlePermanent(h);
        if (w && w->IsKindOf(RUNTIME_CLASS(LWDialog)))
            found = static_cast<LWDialog*>(w);
    }
    return found;
}

void LWDialog::DrawXorFrame(const CRect& rect)
{
    HDC dc = ::GetDC(nullptr);
    if (!dc)
        return;
    int old = ::SetROP2(dc, R2_XORPEN);
    CRect r = rect;
    for (int i = 0; i < 5; ++i) {
        ::DrawFocusRect(dc, &r);
        r.DeflateRect(1, 1);
    }
    ::SetROP2(dc, old);
    ::ReleaseDC(nullptr, dc);
}

void LWDialog::DrawFeedback(POINT p)
{
    LWDialog* target = FindTarget(p);
    if (target && target->CanDockWindow(p, 1))
        return;
    DrawXorFrame(m_rcDrag);
}

UINT LWDialog::CanDockWindow(POINT p, int draw)
{
    if (!::IsWindow(m_hWnd))
        return 0;
    CRect r;
    GetClientRect(&r);
    ClientToScreen(&r);
    UINT hit = (UINT)SendMessage(WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
    if (hit == HTCLIENT) {
        if (p.y <= r.top + kDockBand)
            hit = HTTOP;
        if (p.y >= r.bottom - kDockBand)
            hit = HTBOTTOM;
        if (p.x <= r.left + kDockBand)
            hit = HTLEFT;
        if (p.x >= r.right - kDockBand)
            hit = HTRIGHT;
    }
    CRect area = r;
    switch (hit) {
    case HTCAPTION: area.bottom -= kDockBand; break;
    case HTLEFT: area.right = r.left + r.Width() / 2; break;
    case HTRIGHT: area.left = r.left + r.Width() / 2; break;
    case HTTOP: area.bottom = r.top + r.Height() / 2; break;
    case HTBOTTOM: area.top = r.top + r.Height() / 2; break;
    default: return 0;
    }
    if (draw) {
        HDC dc = ::GetDC(nullptr);
        if (dc) {
            int old = ::SetROP2(dc, R2_XORPEN);
            CRect tab(r.left + 8, area.bottom, r.left + 60, area.bottom + 20);
            CRect tabEdge(r.left + 12, area.bottom - 4, r.left + 56, area.bottom + 4);
            for (int i = 0; i < 4; ++i) {
                ::DrawFocusRect(dc, &area);
                area.DeflateRect(1, 1);
                if (hit == HTCAPTION) {
                    ::DrawFocusRect(dc, &tab);
                    ::DrawFocusRect(dc, &tabEdge);
                    tab.DeflateRect(1, 1);
                    tabEdge.DeflateRect(1, 1);
                }
            }
            ::SetROP2(dc, old);
            ::ReleaseDC(nullptr, dc);
        }
    }
    return hit;
}

void LWDialog::OnNcLButtonDown(UINT hitTest, CPoint point)
{
    SetFocus();
    if (hitTest == HTCAPTION && m_bEnableDocking) {
        CRect window;
        GetWindowRect(&window);
        m_xGrab = point.x - window.left;
        m_yGrab = point.y - window.top;
        m_rcDrag = window;
        s_ptLastDrag = point;
        m_bDragging = true;
        SetCapture();
        DrawFeedback(point);
        return;
    }
    if (!IsDocked())
        Default();
    // a docked dialog swallows other presses on its frame
}

void LWDialog::OnMouseMove(UINT, CPoint point)
{
    if (!IsDragging()) {
        Default();
        return;
    }
    DrawFeedback(s_ptLastDrag);
    ClientToScreen(&point);
    s_ptLastDrag = point;
    LWDialog* target = FindTarget(point);
    if (target && target->CanDockWindow(point, 1))
        return;
    m_rcDrag.MoveToXY(point.x - m_xGrab, point.y - m_yGrab);
    DrawXorFrame(m_rcDrag);
}

void LWDialog::EndDrag()
{
    m_bDragging = false;
    ::ReleaseCapture();
    DrawFeedback(s_ptLastDrag);
}

// The capture taken away in the middle of a drag: the drag ends where it started.
void LWDialog::OnCaptureChanged(CWnd* wnd)
{
    if (m_bDragging) {
        m_bDragging = false;
        DrawFeedback(s_ptLastDrag);
    }
    CDialog::OnCaptureChanged(wnd);
}

void LWDialog::OnRButtonDown(UINT, CPoint)
{
    if (!IsDragging()) {
        Default();
        return;
    }
    EndDrag();
}

void LWDialog::OnLButtonUp(UINT, CPoint point)
{
    if (!IsDragging()) {
        Default();
        return;
    }
    EndDrag();
    ClientToScreen(&point);
    CRect window;
    GetWindowRect(&window);
    CPoint to(point.x - m_xGrab, point.y - m_yGrab);
    // A child moves in its parent's coordinates.
    if ((GetStyle() & WS_CHILD) && ::GetParent(m_hWnd))
        ::ScreenToClient(::GetParent(m_hWnd), &to);
    MoveWindow(to.x, to.y, window.Width(), window.Height(), TRUE);
}

// ---------------------------------------------------------------------------------------------
// LWDialogPane

IMPLEMENT_DYNAMIC(LWDialogPane, LWDialog)

BEGIN_MESSAGE_MAP(LWDialogPane, LWDialog)
    ON_WM_SIZE()
    ON_WM_SETCURSOR()
    ON_WM_NCLBUTTONDOWN()
    ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

LWDialogPane::LWDialogPane() : LWDialog(IDD_LW_DIALOGPANE, nullptr), m_pSplitter(nullptr)
{
    m_bCaption = 0;
}

LWDialogPane* LWDialogPane::CreateDialogPane(CWnd* parent)
{
    LWDialogPane* pane = new (std::nothrow) LWDialogPane;
    if (!pane)
        return nullptr;
    if (!pane->Create(IDD_LW_DIALOGPANE, parent)) {
        TRACE(L"LWDialogPane::CreateDialogPane: template %d could not be made\n", IDD_LW_DIALOGPANE);
        // A window that was made and failed later has deleted the pane in PostNcDestroy.
        if (!pane->m_hWnd)
            delete pane;
        return nullptr;
    }
    return pane;
}

BOOL LWDialogPane::OnInitDialog()
{
    BOOL result = LWDialog::OnInitDialog();
    ModifyStyleEx(0, WS_EX_TRANSPARENT);
    m_pSplitter = new LWSplitterWnd;  // deletes itself with its window
    if (m_pSplitter->Create(this, CRect(0, 0, 0, 0), AFX_IDW_PANE_FIRST, LWSplitterWnd::KindLeft, nullptr, nullptr))
        m_pSplitter->SetWindowText(L"SplitterWnd");
    else
        m_pSplitter = nullptr;  // PostNcDestroy never ran for a window never made
    return result;
}

void LWDialogPane::PostNcDestroy()
{
    delete this;
}

int LWDialogPane::DockWindow(CWnd* wnd, LWDockTypes side, int)
{
    if (!wnd || wnd == this || !wnd->IsKindOf(RUNTIME_CLASS(LWDialog)) || !::IsWindow(wnd->GetSafeHwnd()) ||
        side < LWDockLeft || side > LWDockBottom || !m_pSplitter) {
        TRACE(L"LWDialogPane::DockWindow: refused\n");
        return 0;
    }
    LWDialog* dialog = static_cast<LWDialog*>(wnd);
    if (dialog->IsDocked())
        return 0;
    if (m_pSplitter->m_pPane1 && m_pSplitter->m_pPane2) {
        // Full: a new container takes this one on its left and the window on the given side.
        // Only a floating container can move into another one.
        if (IsDocked()) {
            TRACE(L"LWDialogPane::DockWindow: the container is full and docked\n");
            return 0;
        }
        const bool visible = IsWindowVisible() != FALSE;
        CRect former;
        GetWindowRect(&former);
        LWDialogPane* outer = CreateDialogPane(AfxGetMainWnd());
        if (!outer)
            return 0;
        if (!outer->DockWindow(this, LWDockLeft, -1) || !outer->DockWindow(wnd, side, -1)) {
            if (IsDocked()) {
                outer->m_pSplitter->m_pPane1 = nullptr;
                ::SetParent(m_hWnd, nullptr);
                SetDockPane(nullptr);
            }
            outer->DestroyWindow();
            return 0;
        }
        if (visible)
            outer->MoveWindow(&former);
        outer->ShowWindow(SW_SHOW);
        return 1;
    }
    if (m_pSplitter->m_pPane1) {
        if (side == LWDockRight || side == LWDockBottom) {
            m_pSplitter->m_pPane2 = wnd;
        } else {
            m_pSplitter->m_pPane2 = m_pSplitter->m_pPane1;
            m_pSplitter->m_pPane1 = wnd;
        }
        switch (side) {
        case LWDockLeft: m_pSplitter->m_nKind = LWSplitterWnd::KindLeft; break;
        case LWDockRight: m_pSplitter->m_nKind = LWSplitterWnd::KindRight; break;
        case LWDockTop: m_pSplitter->m_nKind = LWSplitterWnd::KindTop; break;
        default: m_pSplitter->m_nKind = LWSplitterWnd::KindBottom; break;
        }
    } else {
        m_pSplitter->m_pPane1 = wnd;
    }
    dialog->SetDockPane(this);
    // A child now; a window that was showing keeps showing in its new place.
    HWND h = wnd->GetSafeHwnd();
    const DWORD visible = (DWORD)::GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE;
    LWRestyleWindow(h, WS_CHILD | visible, m_hWnd);
    CRect client;
    GetClientRect(&client);
    SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.Width(), client.Height()));
    return 1;
}

int LWDialogPane::UndockWindow(CWnd*)
{
    return 0;
}

int LWDialogPane::ReplaceWindow(CWnd* old, LWDialog* replacement)
{
    if (!old || !replacement || !m_pSplitter)
        return 0;
    if (m_pSplitter->m_pPane1 == old)
        m_pSplitter->m_pPane1 = replacement;
    else if (m_pSplitter->m_pPane2 == old)
        m_pSplitter->m_pPane2 = replacement;
    else
        return 0;
    if (::IsWindow(replacement->GetSafeHwnd()))
        ::SetParent(replacement->GetSafeHwnd(), m_hWnd);
    m_pSplitter->RecalcLayout();
    return 1;
}

void LWDialogPane::OnSize(UINT, int cx, int cy)
{
    if (!m_pSplitter || !::IsWindow(m_pSplitter->GetSafeHwnd()))
        return;
    CRect now;
    m_pSplitter->GetClientRect(&now);
    if (now.Width() == cx && now.Height() == cy)
        m_pSplitter->RecalcLayout();  // same size: no WM_SIZE would place a new window
    else
        m_pSplitter->MoveWindow(0, 0, cx, cy, TRUE);
}

BOOL LWDialogPane::OnSetCursor(CWnd*, UINT hitTest, UINT)
{
    if (hitTest == kHitSplitterWE || hitTest == kHitSplitterNS) {
        ::SetCursor(::LoadCursorW(nullptr, hitTest == kHitSplitterWE ? IDC_SIZEWE : IDC_SIZENS));
        return TRUE;
    }
    return (BOOL)Default();
}

void LWDialogPane::OnNcLButtonDown(UINT hitTest, CPoint point)
{
    if (hitTest == kHitSplitterWE || hitTest == kHitSplitterNS) {
        SetCapture();
        return;
    }
    LWDialog::OnNcLButtonDown(hitTest, point);
}

void LWDialogPane::OnLButtonUp(UINT flags, CPoint point)
{
    if (!IsDragging() && ::GetCapture() == m_hWnd) {
        ::ReleaseCapture();
        return;
    }
    LWDialog::OnLButtonUp(flags, point);
}

// ---------------------------------------------------------------------------------------------
// LWDockBar

IMPLEMENT_DYNAMIC(LWDockBar, CDockBar)

BEGIN_MESSAGE_MAP(LWDockBar, CDockBar)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_NCPAINT()
END_MESSAGE_MAP()

LWDockBar::LWDockBar() = default;

void LWDockBar::OnPaint()
{
    ValidateRect(nullptr);
}

BOOL LWDockBar::OnEraseBkgnd(CDC* dc)
{
    CRect rc;
    GetClientRect(&rc);
    CPen pen(PS_SOLID, 1, kColor);
    CBrush brush(kColor);
    CPen* oldPen = dc->SelectObject(&pen);
    CBrush* oldBrush = dc->SelectObject(&brush);
    dc->Rectangle(&rc);
    dc->SelectObject(oldBrush);
    dc->SelectObject(oldPen);
    return TRUE;
}

void LWDockBar::OnNcPaint()
{
    CWindowDC dc(this);
    CRect rc;
    GetWindowRect(&rc);
    rc.OffsetRect(-rc.left, -rc.top);
    rc.bottom = rc.top + 2;
    dc.FillSolidRect(&rc, kColor);
}
