#include "LWMDIFrameWnd.h"
#include "LWSplitterWnd.h"
#include "LWToolBar.h"
#include <algorithm>
#include <new>

IMPLEMENT_DYNCREATE(LWMDIFrameWnd, CMDIFrameWnd)

BEGIN_MESSAGE_MAP(LWMDIFrameWnd, CMDIFrameWnd)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_WM_PAINT()
    ON_WM_NCHITTEST()
    ON_WM_SETCURSOR()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_CAPTURECHANGED()
    ON_WM_SIZE()
    ON_WM_MEASUREITEM()
    ON_WM_DRAWITEM()
    ON_WM_INITMENUPOPUP()
    ON_COMMAND_RANGE(LWMDIFrameWnd::kToolbarMenuFirst, LWMDIFrameWnd::kToolbarMenuLast, OnShowToolBar)
    ON_UPDATE_COMMAND_UI_RANGE(LWMDIFrameWnd::kToolbarMenuFirst, LWMDIFrameWnd::kToolbarMenuLast, OnUpdateShowToolBar)
END_MESSAGE_MAP()

namespace {
// Set while a command is offered to the docked windows, so one routing it back ends at once.
bool s_inDockedRouting = false;
}

LWMDIFrameWnd::LWMDIFrameWnd()
    : m_listToolbars(10), m_rcSavedSides(0, 0, 0, 0), m_nSplitterHit(0), m_rcDragLimits(-1, -1, -1, -1),
      m_ptDragStart(0, 0), m_szDragOffset(0, 0), m_bHidden(0)
{
    std::fill(std::begin(m_nImageIds), std::end(m_nImageIds), 0u);
}

LWMDIFrameWnd::~LWMDIFrameWnd() = default;

BOOL LWMDIFrameWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    return CMDIFrameWnd::PreCreateWindow(cs);
}

// ---------------------------------------------------------------------------------------------
// Creation and destruction

int LWMDIFrameWnd::OnCreate(LPCREATESTRUCT cs)
{
    if (CMDIFrameWnd::OnCreate(cs) == -1)
        return -1;
    EnableDocking(CBRS_ALIGN_ANY);
    for (const auto& entry : dwDockBarMap) {
        if (!(entry[1] & CBRS_ALIGN_ANY))
            continue;
        CWnd* existing = CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, (int)entry[0]));
        if (existing && existing->IsKindOf(RUNTIME_CLASS(LWDockBar)))
            continue;
        if (existing) {
            if (POSITION pos = m_listControlBars.Find(existing))
                m_listControlBars.RemoveAt(pos);
            const bool selfDeleting = existing->IsKindOf(RUNTIME_CLASS(CControlBar)) &&
                                      static_cast<CControlBar*>(existing)->m_bAutoDelete;
            existing->DestroyWindow();
            if (!selfDeleting)
                delete existing;
        }
        LWDockBar* bar = new LWDockBar;
        if (!bar->Create(this, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | entry[1], entry[0])) {
            delete bar;
            AfxThrowResourceException();
        }
    }
    return 0;
}

void LWMDIFrameWnd::OnDestroy()
{
    for (LWDockSlot& slot : m_slots) {
        if (slot.pWnd && ::IsWindow(slot.pWnd->GetSafeHwnd()))
            slot.pWnd->DestroyWindow();
        slot = LWDockSlot{};
    }
    while (!m_listToolbars.IsEmpty()) {
        CToolBar* bar = (CToolBar*)m_listToolbars.RemoveHead();
        if (::IsWindow(bar->GetSafeHwnd()))
            bar->DestroyWindow();
        delete bar;
    }
    if (LWSplitterWnd::s_bmpGripper.GetSafeHandle())
        LWSplitterWnd::s_bmpGripper.DeleteObject();
    CMDIFrameWnd::OnDestroy();
}

void LWMDIFrameWnd::OnSize(UINT type, int cx, int cy)
{
    CMDIFrameWnd::OnSize(type, cx, cy);
}

// ---------------------------------------------------------------------------------------------
// Docking and layout

void LWMDIFrameWnd::BeginHiddenChange()
{
    if (m_bHidden)
        m_rcSides = m_rcSavedSides;
}

int LWMDIFrameWnd::EndHiddenChange(int result)
{
    if (m_bHidden) {
        m_rcSavedSides = m_rcSides;
        ::SetRectEmpty(&m_rcSides);
    }
    if (result == 1) {
        m_rectBorder = m_rcSides;
        RecalcLayout(TRUE);
    }
    return result;
}

int LWMDIFrameWnd::DockWindow(CWnd* wnd, LWDockTypes side, int size, int splitterFlag, int splitterThickness)
{
    BeginHiddenChange();
    return EndHiddenChange(LWDockImpl<LWMDIFrameWnd>::DockWindow(wnd, side, size, splitterFlag, splitterThickness));
}

int LWMDIFrameWnd::UndockWindow(CWnd* wnd)
{
    // A window the frame hid goes back to its owner as it was before docking.
    for (int i = 0; i < 4; ++i) {
        if (m_slots[i].pWnd == wnd && m_hiddenByFrame[i]) {
            ::ShowWindow(m_hiddenByFrame[i], SW_SHOWNA);
            m_hiddenByFrame[i] = nullptr;
        }
    }
    BeginHiddenChange();
    return EndHiddenChange(LWDockImpl<LWMDIFrameWnd>::UndockWindow(wnd));
}

void LWMDIFrameWnd::HideAttachedWindow()
{
    if (!m_bHidden)
        m_rcSavedSides = m_rectBorder;
    m_rectBorder.SetRectEmpty();
    ::SetRectEmpty(&m_rcSides);
    m_bHidden = 1;
    RecalcLayout(TRUE);
}

void LWMDIFrameWnd::ShowAttachedWindow()
{
    if (!m_bHidden)
        return;  // the saved sizes are only meaningful while hidden
    m_rcSides = m_rcSavedSides;
    m_rectBorder = m_rcSavedSides;
    m_bHidden = 0;
    RecalcLayout(TRUE);
}

void LWMDIFrameWnd::OnSplitterResize(CRect)
{
}

bool LWMDIFrameWnd::GetMDIClientRect(CRect& mdi) const
{
    if (!m_hWndMDIClient || !::IsWindow(m_hWndMDIClient))
        return false;
    ::GetWindowRect(m_hWndMDIClient, &mdi);
    ::MapWindowPoints(nullptr, m_hWnd, (POINT*)&mdi, 2);
    return true;
}

CRect LWMDIFrameWnd::DockingArea(const CRect& mdi) const
{
    return CRect(mdi.left - m_rcSides.left, mdi.top - m_rcSides.top, mdi.right + m_rcSides.right,
                 mdi.bottom + m_rcSides.bottom);
}

void LWMDIFrameWnd::CalcDockRects(const CRect& mdi, CRect windows[4], CRect strips[4]) const
{
    const CRect& s = *reinterpret_cast<const CRect*>(&m_rcSides);
    CRect free = DockingArea(mdi);
    for (int i = 0; i < 4; ++i) {
        windows[i].SetRectEmpty();
        strips[i].SetRectEmpty();
        const LWDockSlot& slot = m_slots[i];
        if (!slot.pWnd)
            continue;
        const int t = (int)slot.splitterThickness;
        switch (slot.side) {
        case LWDockLeft:
            windows[i].SetRect(free.left, free.top, free.left + std::max(0, (int)s.left - t), free.bottom);
            strips[i].SetRect(free.left + s.left - t, free.top, free.left + s.left, free.bottom);
            free.left += s.left;
            break;
        case LWDockRight:
            windows[i].SetRect(mdi.right + t, free.top, mdi.right + t + std::max(0, (int)s.right - t), free.bottom);
            strips[i].SetRect(mdi.right, free.top, mdi.right + t, free.bottom);
            free.right -= s.right;
            break;
        case LWDockTop:
            windows[i].SetRect(free.left, mdi.top - s.top, free.right, mdi.top - s.top + std::max(0, (int)s.top - t));
            strips[i].SetRect(free.left, mdi.top - t, free.right, mdi.top);
            free.top += s.top;
            break;
        case LWDockBottom:
            windows[i].SetRect(free.left, mdi.bottom + t, free.right, mdi.bottom + t + std::max(0, (int)s.bottom - t));
            strips[i].SetRect(free.left, mdi.bottom, free.right, mdi.bottom + t);
            free.bottom -= s.bottom;
            break;
        default:
            break;
        }
    }
}

void LWMDIFrameWnd::RecalcLayout(BOOL notify)
{
    CMDIFrameWnd::RecalcLayout(notify);
    CRect mdi;
    if (!m_hWnd || !GetMDIClientRect(mdi))
        return;
    CRect windows[4], strips[4];
    CalcDockRects(mdi, windows, strips);
    for (int i = 0; i < 4; ++i) {
        CWnd* wnd = m_slots[i].pWnd;
        if (!wnd || !::IsWindow(wnd->GetSafeHwnd()))
            continue;
        HWND h = wnd->GetSafeHwnd();
        if (m_bHidden) {
            // The MDI client has the whole area: a docked window would lie over it.
            if (::GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) {
                ::ShowWindow(h, SW_HIDE);
                m_hiddenByFrame[i] = h;
            }
            continue;
        }
        if (m_hiddenByFrame[i] == h)
            ::ShowWindow(h, SW_SHOWNA);
        m_hiddenByFrame[i] = nullptr;
        wnd->MoveWindow(&windows[i], TRUE);
    }
    Invalidate(FALSE);
}

// ---------------------------------------------------------------------------------------------
// Splitter strips: painting, hit test, dragging

void LWMDIFrameWnd::OnPaint()
{
    CPaintDC dc(this);
    if (!m_rcSides.left && !m_rcSides.top && !m_rcSides.right && !m_rcSides.bottom)
        return;
    CRect mdi;
    if (!GetMDIClientRect(mdi))
        return;
    CRect windows[4], strips[4];
    CalcDockRects(mdi, windows, strips);
    const CRect area = DockingArea(mdi);
    for (int i = 0; i < 4; ++i) {
        if (!m_slots[i].pWnd || strips[i].IsRectEmpty())
            continue;
        CRect strip = strips[i];
        if (m_slots[i].side == LWDockLeft || m_slots[i].side == LWDockRight)
            strip.InflateRect(0, 1);
        else
            strip.InflateRect(1, 0);
        strip.IntersectRect(&strip, &area);
        int saved = dc.SaveDC();
        LWSplitterWnd::DrawSplitter(&dc, strip);
        dc.RestoreDC(saved);
    }
}

int LWMDIFrameWnd::HitTestSplitter(CPoint p)
{
    m_nSplitterHit = 0;
    CRect m;
    if (!GetMDIClientRect(m))
        return 0;
    for (const LWDockSlot& slot : m_slots) {
        const int t = (int)slot.splitterThickness;
        if (!slot.pWnd || !slot.splitterFlag || !t)
            continue;
        int hit = 0;
        switch (slot.side) {
        case LWDockLeft:
            if (m_rcSides.left && m.top < p.y && p.y < m.bottom && m.left - t <= p.x && p.x <= m.left)
                hit = 1;
            break;
        case LWDockRight:
            if (m_rcSides.right && m.top < p.y && p.y < m.bottom && m.right <= p.x && p.x <= m.right + t)
                hit = 2;
            break;
        case LWDockTop:
            if (m_rcSides.top && m.left < p.x && p.x < m.right && m.top - t <= p.y && p.y <= m.top)
                hit = 3;
            break;
        case LWDockBottom:
            if (m_rcSides.bottom && m.left < p.x && p.x < m.right && m.bottom <= p.y && p.y <= m.bottom + t)
                hit = 4;
            break;
        default:
            break;
        }
        if (hit) {
            m_nSplitterHit = hit;
            break;
        }
    }
    return m_nSplitterHit;
}

LRESULT LWMDIFrameWnd::OnNcHitTest(CPoint point)
{
    // The hit code stays fixed while a strip is dragged.
    if (m_bTracking)
        return HTCLIENT;
    CPoint client = point;
    ScreenToClient(&client);
    if (HitTestSplitter(client))
        return HTCLIENT;
    return Default();
}

BOOL LWMDIFrameWnd::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message)
{
    if (!m_bTracking) {
        CPoint p;
        ::GetCursorPos(&p);
        ScreenToClient(&p);
        HitTestSplitter(p);
    }
    if (m_nSplitterHit && message) {
        ::SetCursor(::LoadCursorW(nullptr, m_nSplitterHit <= 2 ? IDC_SIZEWE : IDC_SIZENS));
        return TRUE;
    }
    return CMDIFrameWnd::OnSetCursor(wnd, hitTest, message);
}

CRect LWMDIFrameWnd::DraggedStrip() const
{
    CRect mdi;
    if (!GetMDIClientRect(mdi))
        return CRect(0, 0, 0, 0);
    CRect windows[4], strips[4];
    CalcDockRects(mdi, windows, strips);
    static const LWDockTypes sides[5] = {LWDockNone, LWDockLeft, LWDockRight, LWDockTop, LWDockBottom};
    for (int i = 0; i < 4; ++i)
        if (m_slots[i].pWnd && m_slots[i].side == sides[m_nSplitterHit % 5])
            return strips[i];
    return CRect(0, 0, 0, 0);
}

void LWMDIFrameWnd::DrawRectDock(CSize offset)
{
    CRect strip = DraggedStrip();
    if (strip.IsRectEmpty())
        return;
    const bool vertical = m_nSplitterHit == 1 || m_nSplitterHit == 2;
    if (vertical)
        strip.OffsetRect(offset.cx, 0);
    else
        strip.OffsetRect(0, offset.cy);
    // Not clipped by the children: the tracker crosses the MDI client and the docked windows.
    HDC dc = ::GetDCEx(m_hWnd, nullptr, DCX_CACHE);
    if (!dc)
        return;
    int old = ::SetROP2(dc, R2_XORPEN);
    const int count = (vertical ? strip.Width() : strip.Height()) / 2;
    for (int i = 0; i < count; ++i) {
        CRect r = strip;
        if (vertical) {
            r.left = strip.left + 1 + 2 * i;
            r.right = r.left + 2;
        } else {
            r.top = strip.top + 1 + 2 * i;
            r.bottom = r.top + 2;
        }
        ::DrawFocusRect(dc, &r);
    }
    ::SetROP2(dc, old);
    ::ReleaseDC(m_hWnd, dc);
}

void LWMDIFrameWnd::OnLButtonDown(UINT flags, CPoint point)
{
    if (!HitTestSplitter(point)) {
        CMDIFrameWnd::OnLButtonDown(flags, point);
        return;
    }
    m_ptDragStart = point;
    m_szDragOffset = CSize(0, 0);
    m_rcDragLimits.SetRect(20, 20, 20, 20);
    DrawRectDock(m_szDragOffset);
    m_bTracking = true;
    SetFocus();
    SetCapture();
}

// The capture taken away in the middle of a drag (another window, a menu): the drag ends
// without changing anything.
void LWMDIFrameWnd::OnCaptureChanged(CWnd* wnd)
{
    if (m_bTracking) {
        m_bTracking = false;
        DrawRectDock(m_szDragOffset);
        m_nSplitterHit = 0;
    }
    CMDIFrameWnd::OnCaptureChanged(wnd);
}

void LWMDIFrameWnd::OnMouseMove(UINT flags, CPoint point)
{
    if (::GetCapture() != m_hWnd || !m_bTracking) {
        CMDIFrameWnd::OnMouseMove(flags, point);
        return;
    }
    CRect bounds;
    GetWindowRect(&bounds);
    ScreenToClient(&bounds);
    if (m_rcDragLimits.left >= 0)
        bounds.left += m_rcDragLimits.left;
    if (m_rcDragLimits.top >= 0)
        bounds.top += m_rcDragLimits.top;
    if (m_rcDragLimits.right >= 0)
        bounds.right -= m_rcDragLimits.right;
    if (m_rcDragLimits.bottom >= 0)
        bounds.bottom -= m_rcDragLimits.bottom;
    if (!bounds.PtInRect(point))
        return;
    DrawRectDock(m_szDragOffset);
    m_szDragOffset = CSize(point.x - m_ptDragStart.x, point.y - m_ptDragStart.y);
    DrawRectDock(m_szDragOffset);
}

void LWMDIFrameWnd::OnLButtonUp(UINT flags, CPoint point)
{
    if (::GetCapture() != m_hWnd || !m_bTracking) {
        CMDIFrameWnd::OnLButtonUp(flags, point);
        return;
    }
    m_bTracking = false;
    DrawRectDock(m_szDragOffset);
    ::ReleaseCapture();
    CRect sides = m_rectBorder;
    switch (m_nSplitterHit) {
    case 1: sides.left += m_szDragOffset.cx; break;
    case 2: sides.right -= m_szDragOffset.cx; break;
    case 3: sides.top += m_szDragOffset.cy; break;
    case 4: sides.bottom -= m_szDragOffset.cy; break;
    default: break;
    }
    m_nSplitterHit = 0;
    m_rectBorder = sides;
    m_rcSides = sides;
    OnSplitterResize(sides);
    RecalcLayout(TRUE);
}

// ---------------------------------------------------------------------------------------------
// Commands and menus

BOOL LWMDIFrameWnd::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info)
{
    if (s_inDockedRouting)
        return FALSE;
    {
        // cleared however the docked windows' routing ends, a thrown exception too
        struct Routing {
            Routing() { s_inDockedRouting = true; }
            ~Routing() { s_inDockedRouting = false; }
        } routing;
        for (const LWDockSlot& slot : m_slots)
            if (slot.pWnd && ::IsWindow(slot.pWnd->GetSafeHwnd()) && slot.pWnd->OnCmdMsg(id, code, extra, info))
                return TRUE;
    }
    return CMDIFrameWnd::OnCmdMsg(id, code, extra, info);
}

void LWMDIFrameWnd::OnMeasureItem(int id, LPMEASUREITEMSTRUCT mis)
{
    CWnd::OnMeasureItem(id, mis);
}

void LWMDIFrameWnd::OnDrawItem(int id, LPDRAWITEMSTRUCT dis)
{
    CWnd::OnDrawItem(id, dis);
}

void LWMDIFrameWnd::OnInitMenuPopup(CMenu* popup, UINT index, BOOL sysMenu)
{
    CMDIFrameWnd::OnInitMenuPopup(popup, index, sysMenu);
    HMENU handle = popup ? popup->GetSafeHmenu() : nullptr;
    // Only a menu object that outlives this message can draw its own items: a temporary
    // wrapper is freed at idle time, and items marked for it would show blank.
    CMenu* owner = handle ? CMenu::FromHandlePermanent(handle) : nullptr;
    if (!owner)
        return;
    const int count = ::GetMenuItemCount(handle);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item = {};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_DATA;
        if (!::GetMenuItemInfoW(handle, (UINT)i, TRUE, &item))
            continue;
        // Items that carry someone's data (the menu manager's records) stay theirs.
        if (item.dwItemData && item.dwItemData != (ULONG_PTR)owner)
            continue;
        MENUITEMINFOW change = {};
        change.cbSize = sizeof(change);
        change.fMask = MIIM_FTYPE | MIIM_DATA;
        change.fType = item.fType | MFT_OWNERDRAW;
        change.dwItemData = (ULONG_PTR)owner;
        ::SetMenuItemInfoW(handle, (UINT)i, TRUE, &change);
    }
}

// ---------------------------------------------------------------------------------------------
// Tool bars

CToolBar* LWMDIFrameWnd::CreateToolbar(const wchar_t* title, UINT resourceId, CToolBar* rightOf, BOOL addImages,
                                       DWORD style)
{
    LWToolBar* bar = new (std::nothrow) LWToolBar;
    if (!bar)
        return nullptr;
    if (!CreateToolbar(bar, title, resourceId, rightOf, addImages, style)) {
        if (::IsWindow(bar->GetSafeHwnd()))
            bar->DestroyWindow();
        delete bar;
        return nullptr;
    }
    return bar;
}

BOOL LWMDIFrameWnd::CreateToolbar(CToolBar* bar, const wchar_t* title, UINT resourceId, CToolBar* rightOf,
                                  BOOL addImages, DWORD style)
{
    if (!bar || !m_hWnd)
        return FALSE;
    if (!bar->CreateEx(this, TBSTYLE_FLAT, style, CRect(0, 0, 0, 0), AFX_IDW_TOOLBAR) ||
        !bar->LoadToolBar(resourceId)) {
        TRACE(L"LWMDIFrameWnd::CreateToolbar: tool bar %u could not be made\n", resourceId);
        return FALSE;
    }
    bar->SetWindowText(title ? title : L"");
    if (addImages)
        LoadFromToolbar(bar);
    m_listToolbars.AddTail(bar);
    if (rightOf)
        DockControlBarLeftOf(rightOf, bar);
    return TRUE;
}

void LWMDIFrameWnd::DockControlBarLeftOf(CToolBar* left, CToolBar* bar)
{
    if (!left || !bar || !::IsWindow(left->GetSafeHwnd()) || !::IsWindow(bar->GetSafeHwnd()))
        return;
    RecalcLayout(TRUE);
    CRect rect;
    left->GetWindowRect(&rect);
    rect.OffsetRect(1, 0);
    const DWORD style = left->GetBarStyle();
    UINT dock = 0;
    if (style & CBRS_ALIGN_TOP)
        dock = AFX_IDW_DOCKBAR_TOP;
    else if (style & CBRS_ALIGN_BOTTOM)
        dock = AFX_IDW_DOCKBAR_BOTTOM;
    else if (style & CBRS_ALIGN_LEFT)
        dock = AFX_IDW_DOCKBAR_LEFT;
    else if (style & CBRS_ALIGN_RIGHT)
        dock = AFX_IDW_DOCKBAR_RIGHT;
    DockControlBar(bar, dock, &rect);
}

CToolBar* LWMDIFrameWnd::GetToolbar(const wchar_t* title)
{
    if (!title || !m_hWnd)
        return nullptr;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        CWnd* dock = CWnd::FromHandlePermanent(child);
        if (!dock || !dock->IsKindOf(RUNTIME_CLASS(CDockBar)))
            continue;
        for (HWND h = ::GetWindow(child, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
            CWnd* bar = CWnd::FromHandlePermanent(h);
            if (!bar || !bar->IsKindOf(RUNTIME_CLASS(CToolBar)))
                continue;
            CString text;
            bar->GetWindowText(text);
            if (text == title)
                return static_cast<CToolBar*>(bar);
        }
    }
    return nullptr;
}

void LWMDIFrameWnd::InitToolbarMenu(CMenu* menu)
{
    if (!menu || !menu->GetSafeHmenu())
        return;
    int index = 0;
    for (POSITION pos = m_listToolbars.GetHeadPosition(); pos; ++index) {
        CToolBar* bar = (CToolBar*)m_listToolbars.GetNext(pos);
        if (kToolbarMenuFirst + index > kToolbarMenuLast)
            break;
        CString text;
        if (::IsWindow(bar->GetSafeHwnd()))
            bar->GetWindowText(text);
        menu->AppendMenu(MF_STRING, kToolbarMenuFirst + index, text);
    }
}

void LWMDIFrameWnd::OnShowToolBar(UINT id)
{
    POSITION pos = m_listToolbars.FindIndex((INT_PTR)(id - kToolbarMenuFirst));
    if (!pos)
        return;
    CToolBar* bar = (CToolBar*)m_listToolbars.GetAt(pos);
    if (!::IsWindow(bar->GetSafeHwnd()))
        return;
    bar->ShowWindow((bar->GetStyle() & WS_VISIBLE) ? SW_HIDE : SW_SHOWNOACTIVATE);
    RecalcLayout(TRUE);
}

void LWMDIFrameWnd::OnUpdateShowToolBar(CCmdUI* cmdUI)
{
    POSITION pos = m_listToolbars.FindIndex((INT_PTR)(cmdUI->m_nID - kToolbarMenuFirst));
    if (!pos)
        return;
    CToolBar* bar = (CToolBar*)m_listToolbars.GetAt(pos);
    cmdUI->SetCheck(::IsWindow(bar->GetSafeHwnd()) && (bar->GetStyle() & WS_VISIBLE) ? 1 : 0);
}

int LWMDIFrameWnd::GetProfileIntW(const wchar_t* section, const wchar_t* entry, int defaultValue, int minValue,
                                  int maxValue)
{
    CWinApp* app = AfxGetApp();
    int value = app ? (int)app->GetProfileInt(section, entry, defaultValue) : defaultValue;
    if (value > maxValue)
        value = maxValue;
    if (value < minValue)
        value = minValue;
    return value;
}

int LWMDIFrameWnd::LoadFromToolbar(UINT resourceId)
{
    LWToolBar bar;
    if (!bar.Create(this, 0x50002800, AFX_IDW_TOOLBAR) || !bar.LoadToolBar(resourceId)) {
        TRACE(L"LWMDIFrameWnd::LoadFromToolbar: tool bar %u could not be loaded\n", resourceId);
        if (::IsWindow(bar.GetSafeHwnd()))
            bar.DestroyWindow();
        return 0;
    }
    int result = LoadFromToolbar(&bar);
    bar.DestroyWindow();
    return result;
}

int LWMDIFrameWnd::GetImageIndex(UINT id) const
{
    if (!m_imageList.GetSafeHandle())
        return -1;
    const int count = std::min(m_imageList.GetImageCount(), (int)kMaxImages);
    for (int i = 0; i < count; ++i)
        if (m_nImageIds[i] == id)
            return i;
    return -1;
}

int LWMDIFrameWnd::LoadFromToolbar(CToolBar* bar)
{
    if (!bar || !::IsWindow(bar->GetSafeHwnd()))
        return 0;
    HIMAGELIST source = (HIMAGELIST)bar->SendMessage(TB_GETIMAGELIST);
    if (!source)
        return 0;
    if (!m_imageList.GetSafeHandle() && !m_imageList.Create(16, 15, ILC_COLOR32 | ILC_MASK, 0, 1))
        return 0;
    const int buttons = (int)bar->SendMessage(TB_BUTTONCOUNT);
    for (int i = 0; i < buttons; ++i) {
        TBBUTTON button = {};
        if (!bar->SendMessage(TB_GETBUTTON, (WPARAM)i, (LPARAM)&button))
            continue;
        if ((UINT)button.idCommand <= 1 || (button.fsStyle & TBSTYLE_SEP))
            continue;
        HICON icon = ImageList_GetIcon(source, button.iBitmap, ILD_NORMAL);
        if (!icon)
            continue;
        const int existing = GetImageIndex((UINT)button.idCommand);
        if (existing >= 0) {
            m_imageList.Replace(existing, icon);
        } else {
            const int count = m_imageList.GetImageCount();
            if (count >= kMaxImages) {
                TRACE(L"LWMDIFrameWnd::LoadFromToolbar: no room for the image of command %d\n", button.idCommand);
            } else if (m_imageList.Add(icon) == count) {
                m_nImageIds[count] = (UINT)button.idCommand;
            }
        }
        ::DestroyIcon(icon);
    }
    return 1;
}
