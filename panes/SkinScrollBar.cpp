#include "SkinScrollBar.h"
#include "BufferDC.h"

namespace {
const wchar_t kFrameProp[] = L"PeloraSkinScrollFrame";
}

// ---------------------------------------------------------------- CSkinnedScrollBar

CSkinnedScrollBar::CSkinnedScrollBar()
{
    m_si = {};
    m_si.cbSize = sizeof m_si;
    m_si.nTrackPos = -1;
}

void CSkinnedScrollBar::SetSkin(HBITMAP skin)
{
    m_hSkin = skin;
    BITMAP bm = {};
    if (skin && ::GetObjectW(skin, sizeof bm, &bm)) {
        m_nThickness = bm.bmWidth / 9;
        m_nRowHeight = bm.bmHeight / 3;
    } else {
        m_nThickness = ::GetSystemMetrics(SM_CXVSCROLL);
        m_nRowHeight = m_nThickness;
    }
    if (GetSafeHwnd()) {
        CRect rc;
        GetClientRect(&rc);
        SetWindowPos(nullptr, 0, 0, IsVertical() ? m_nThickness : rc.Width(), IsVertical() ? rc.Height() : m_nThickness,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

int CSkinnedScrollBar::MaxPos() const
{
    return std::max(m_si.nMin, m_si.nPage > 0 ? m_si.nMax - (int)m_si.nPage + 1 : m_si.nMax);
}

CSkinnedScrollBar::Geometry CSkinnedScrollBar::Measure() const
{
    Geometry g = {};
    CRect rc;
    GetClientRect(&rc);
    g.length = IsVertical() ? rc.Height() : rc.Width();
    g.arrow = m_nThickness;
    g.track = g.length - 2 * g.arrow;
    if (g.track <= 0) {
        g.track = 0;
        g.arrow = g.length / 2;
    }
    const long long range = (long long)m_si.nMax - m_si.nMin + 1;
    if (g.track > 5 && range > 0) {
        g.thumb = (int)std::max<long long>(6, (long long)m_si.nPage * g.track / range);
        g.thumb = std::min(g.thumb, g.track);
    }
    const long long divisor = range - (long long)m_si.nPage;
    const int pos = (m_bDragging && m_si.nTrackPos >= 0 ? m_si.nTrackPos : m_si.nPos) - m_si.nMin;
    if (divisor > 0)
        g.offset = (int)((long long)(g.track - g.thumb) * pos / divisor);
    else
        g.offset = (g.track - g.thumb) / 2;
    g.offset = std::max(0, std::min(g.offset, g.track - g.thumb));
    return g;
}

int CSkinnedScrollBar::HitTest(int along) const
{
    const Geometry g = Measure();
    if (along < g.arrow)
        return FirstArrow;
    if (along < g.arrow + g.offset)
        return PageBefore;
    if (along < g.arrow + g.offset + g.thumb)
        return Thumb;
    if (along < g.length - g.arrow)
        return PageAfter;
    return SecondArrow;
}

bool CSkinnedScrollBar::Mirror(const SCROLLINFO& si, BOOL redraw)
{
    if (si.nMin == m_si.nMin && si.nMax == m_si.nMax && si.nPage == m_si.nPage && si.nPos == m_si.nPos)
        return false;
    m_si.nMin = si.nMin;
    m_si.nMax = si.nMax;
    m_si.nPage = si.nPage;
    m_si.nPos = si.nPos;
    if (redraw && GetSafeHwnd())
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return true;
}

void CSkinnedScrollBar::Send(int code, int pos)
{
    if (CWnd* parent = GetParent())
        parent->SendMessage(IsVertical() ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, pos), (LPARAM)m_hWnd);
}

void CSkinnedScrollBar::StopRepeat()
{
    KillTimer(TimerDelay);
    KillTimer(TimerRepeat);
    m_bAutoRepeat = FALSE;
}

void CSkinnedScrollBar::OnTimerRepeat()
{
    if (m_bMouseLeft || m_nPressedPart == None)
        return;
    const int part = m_nPressedPart;
    bool atEnd = false;
    if (part == FirstArrow || part == PageBefore)
        atEnd = m_si.nPos <= m_si.nMin;
    else
        atEnd = m_si.nPos >= MaxPos();
    // A page press stops once the thumb has come under the pointer.
    if ((part == PageBefore || part == PageAfter) && HitTest(Along(m_ptLast)) != part)
        atEnd = true;
    if (atEnd) {
        StopRepeat();
        return;
    }
    Send(part);
}

void CSkinnedScrollBar::Paint(CDC* dc)
{
    CRect client;
    GetClientRect(&client);
    const bool vertical = IsVertical();
    const int across = vertical ? client.Width() : client.Height();
    const Geometry g = Measure();
    const int t = m_nThickness, rowH = m_nRowHeight;
    if (!m_hSkin || t <= 0 || rowH <= 0) {
        dc->FillSolidRect(&client, ::GetSysColor(COLOR_SCROLLBAR));
        return;
    }
    const int cellAlong = vertical ? rowH : t;
    const int base = vertical ? 0 : 4;
    const bool enabled = IsWindowEnabled() != FALSE;
    auto row = [&](int part) {
        if (!enabled)
            return 0;
        if (m_nPressedPart == part || (part == Thumb && m_bDragging))
            return 2;
        return m_nHotPart == part ? 1 : 0;
    };
    CDC mem;
    mem.CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(mem.GetSafeHdc(), m_hSkin);
    int oldMode = dc->SetStretchBltMode(COLORONCOLOR);
    // One piece along the bar: dest [s, s + len), source [off, off + srcLen) of a cell.
    auto piece = [&](int s, int len, int col, int r, int off, int srcLen) {
        if (len <= 0 || srcLen <= 0)
            return;
        if (vertical)
            dc->StretchBlt(0, s, across, len, &mem, col * t, r * rowH + off, t, srcLen, SRCCOPY);
        else
            dc->StretchBlt(s, 0, len, across, &mem, col * t + off, r * rowH, srcLen, rowH, SRCCOPY);
    };
    auto tile = [&](int s, int len, int col, int r, int off, int srcLen) {
        for (int p = 0; p < len && srcLen > 0; p += srcLen)
            piece(s + p, std::min(srcLen, len - p), col, r, off, std::min(srcLen, len - p));
    };
    piece(0, g.arrow, base + 0, row(FirstArrow), 0, cellAlong);
    piece(g.length - g.arrow, g.arrow, base + 1, row(SecondArrow), 0, cellAlong);
    const int trackStart = g.arrow;
    if (!enabled || g.thumb <= 0) {
        tile(trackStart, g.track, base + 3, 0, 0, cellAlong);
    } else {
        tile(trackStart, g.offset, base + 3, row(PageBefore), 0, cellAlong);
        const int after = trackStart + g.offset + g.thumb;
        tile(after, g.length - g.arrow - after, base + 3, row(PageAfter), 0, cellAlong);
        // The thumb: 3-pixel ends as they are, the middle tiled.
        const int r = row(Thumb), s = trackStart + g.offset;
        const int end = std::min(3, g.thumb / 2);
        piece(s, end, base + 2, r, 0, end);
        tile(s + end, g.thumb - 2 * end, base + 2, r, 3, std::max(1, cellAlong - 6));
        piece(s + g.thumb - end, end, base + 2, r, cellAlong - end, end);
    }
    dc->SetStretchBltMode(oldMode);
    ::SelectObject(mem.GetSafeHdc(), old);
}

BOOL CSkinnedScrollBar::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const CPoint pt((short)LOWORD(lParam), (short)HIWORD(lParam));
    switch (message) {
    case WM_PAINT: {
        CBufferDC dc(this);
        Paint(&dc);
        *pResult = 0;
        return TRUE;
    }
    case WM_ERASEBKGND:
        *pResult = TRUE;
        return TRUE;
    case WM_ENABLE:
        Invalidate();
        *pResult = 0;
        return TRUE;
    case WM_LBUTTONDBLCLK:
        *pResult = 0;
        return TRUE;
    case WM_LBUTTONDOWN: {
        SetCapture();
        m_ptLast = pt;
        m_bMouseLeft = FALSE;
        const int part = HitTest(Along(pt));
        if (part == Thumb) {
            m_bDragging = TRUE;
            m_ptPress = pt;
            m_nPosAtPress = m_si.nPos;
            m_si.nTrackPos = m_si.nPos;
        } else {
            m_nPressedPart = part;
            Send(part);
            SetTimer(TimerDelay, RepeatDelayMs, nullptr);
        }
        Invalidate();
        *pResult = 0;
        return TRUE;
    }
    case WM_MOUSEMOVE: {
        m_ptLast = pt;
        CRect client;
        GetClientRect(&client);
        m_bMouseLeft = !client.PtInRect(pt);
        if (m_bDragging) {
            const Geometry g = Measure();
            const long long divisor = (long long)m_si.nMax - m_si.nMin - (long long)m_si.nPage + 1;
            const int free = g.track - g.thumb;
            long long pos = m_nPosAtPress;
            if (free > 0)
                pos += divisor * (Along(pt) - Along(m_ptPress)) / free;
            pos = std::max<long long>(m_si.nMin, std::min<long long>(pos, MaxPos()));
            if (pos != m_si.nTrackPos) {
                m_si.nTrackPos = (int)pos;
                RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                Send(SB_THUMBTRACK, (int)pos);
            }
        } else if (m_nPressedPart == None) {
            TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, m_hWnd, 0};
            ::TrackMouseEvent(&tme);
            const int hot = m_bMouseLeft ? None : HitTest(Along(pt));
            if (hot != m_nHotPart) {
                m_nHotPart = hot;
                Invalidate();
            }
        }
        *pResult = 0;
        return TRUE;
    }
    case WM_MOUSELEAVE:
        m_bMouseLeft = TRUE;
        if (m_nHotPart != None) {
            m_nHotPart = None;
            Invalidate();
        }
        *pResult = 0;
        return TRUE;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: {
        if (message == WM_LBUTTONUP && ::GetCapture() == m_hWnd)
            ::ReleaseCapture();  // comes back here as WM_CAPTURECHANGED, with nothing left to end
        if (m_bDragging) {
            const int pos = m_si.nTrackPos;
            m_bDragging = FALSE;
            m_si.nTrackPos = -1;
            Send(SB_THUMBPOSITION, pos);
        }
        if (m_nPressedPart != None) {
            StopRepeat();
            m_nPressedPart = None;
        }
        Invalidate();
        *pResult = 0;
        return TRUE;
    }
    case WM_TIMER:
        if (wParam == TimerDelay) {
            KillTimer(TimerDelay);
            m_bAutoRepeat = TRUE;
            SetTimer(TimerRepeat, RepeatEveryMs, nullptr);
        } else if (wParam == TimerRepeat) {
            OnTimerRepeat();
        } else {
            break;
        }
        *pResult = 0;
        return TRUE;
    case SBM_SETSCROLLINFO: {
        const SCROLLINFO* si = (const SCROLLINFO*)lParam;
        if (si) {
            if (si->fMask & SIF_RANGE) {
                m_si.nMin = si->nMin;
                m_si.nMax = si->nMax;
            }
            if (si->fMask & SIF_PAGE)
                m_si.nPage = si->nPage;
            if (si->fMask & SIF_POS)
                m_si.nPos = si->nPos;
            if (si->fMask & SIF_TRACKPOS)
                m_si.nTrackPos = si->nTrackPos;
            m_si.nPos = std::max(m_si.nMin, std::min(m_si.nPos, MaxPos()));
            if (wParam)
                RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        }
        *pResult = m_si.nPos;
        return TRUE;
    }
    case SBM_GETSCROLLINFO: {
        SCROLLINFO* si = (SCROLLINFO*)lParam;
        if (si) {
            if (si->fMask & SIF_RANGE) {
                si->nMin = m_si.nMin;
                si->nMax = m_si.nMax;
            }
            if (si->fMask & SIF_PAGE)
                si->nPage = m_si.nPage;
            if (si->fMask & SIF_POS)
                si->nPos = m_si.nPos;
            if (si->fMask & SIF_TRACKPOS)
                si->nTrackPos = m_si.nTrackPos;
        }
        *pResult = TRUE;
        return TRUE;
    }
    case SBM_GETPOS:
        *pResult = m_si.nPos;
        return TRUE;
    }
    return CScrollBar::OnWndMsg(message, wParam, lParam, pResult);
}

// ---------------------------------------------------------------- CScrollBarFrame

CScrollBarFrame::CScrollBarFrame() = default;
CScrollBarFrame::~CScrollBarFrame() = default;

CScrollBarFrame* CScrollBarFrame::FromTarget(HWND target)
{
    return target ? (CScrollBarFrame*)::GetPropW(target, kFrameProp) : nullptr;
}

BOOL CScrollBarFrame::Attach(HWND target, HBITMAP skin)
{
    HWND parent = ::GetParent(target);
    if (!::IsWindow(target) || !parent || FromTarget(target))
        return FALSE;
    m_hTarget = target;
    m_hSkin = skin;
    m_hOldParent = parent;
    ::GetWindowRect(target, &m_rcOld);
    ::MapWindowPoints(nullptr, parent, (POINT*)&m_rcOld, 2);
    m_dwOldStyle = (DWORD)::GetWindowLongW(target, GWL_STYLE);
    m_dwOldExStyle = (DWORD)::GetWindowLongW(target, GWL_EXSTYLE);
    const UINT id = (UINT)::GetDlgCtrlID(target);

    // The border and the client edge move to the frame, which takes the window's place.
    DWORD style = WS_CHILD | WS_CLIPCHILDREN | (m_dwOldStyle & (WS_VISIBLE | WS_BORDER));
    DWORD exStyle = m_dwOldExStyle & WS_EX_CLIENTEDGE;
    if (!CreateEx(exStyle, AfxRegisterWndClass(0), L"SkinScrollBarFrame", style, m_rcOld.left, m_rcOld.top,
                  m_rcOld.Width(), m_rcOld.Height(), parent, (HMENU)(UINT_PTR)id))
        return FALSE;
    ::SetWindowLongW(target, GWL_STYLE, (LONG)(m_dwOldStyle & ~WS_BORDER));
    ::SetWindowLongW(target, GWL_EXSTYLE, (LONG)(m_dwOldExStyle & ~WS_EX_CLIENTEDGE));
    // After the border left the window, and before the window comes into its new place.
    ::SetWindowPos(m_hWnd, target, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    CRect client;
    GetClientRect(&client);
    m_wndLimit.Create(AfxRegisterWndClass(0), L"LIMIT", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, client, this, IdLimit);
    m_sbHorz.Create(WS_CHILD | SBS_HORZ, CRect(0, 0, client.Width(), 10), this, IdHorz);
    m_sbVert.Create(WS_CHILD | SBS_VERT, CRect(0, 0, 10, client.Height()), this, IdVert);
    m_sbHorz.SetSkin(skin);
    m_sbVert.SetSkin(skin);

    ::SetParent(target, m_wndLimit.m_hWnd);
    ::SetPropW(target, kFrameProp, (HANDLE)this);
    m_pfnOldProc = (WNDPROC)::SetWindowLongPtrW(target, GWLP_WNDPROC, (LONG_PTR)WrapperProc);
    ::SetWindowPos(target, nullptr, 0, 0, client.Width(), client.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    MirrorScrollInfo(FALSE);
    Layout();
    SetTimer(TimerMirror, 500, nullptr);
    return TRUE;
}

void CScrollBarFrame::Detach()
{
    HWND target = Unhook();
    if (!target)
        return;
    if (::IsWindow(target) && ::IsWindow(m_hOldParent)) {
        ::SetParent(target, m_hOldParent);
        ::SetWindowLongW(target, GWL_STYLE, (LONG)((DWORD)::GetWindowLongW(target, GWL_STYLE) | (m_dwOldStyle & WS_BORDER)));
        ::SetWindowLongW(target, GWL_EXSTYLE, (LONG)m_dwOldExStyle);
        ::SetWindowPos(target, m_hWnd, m_rcOld.left, m_rcOld.top, m_rcOld.Width(), m_rcOld.Height(),
                       SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    if (GetSafeHwnd())
        DestroyWindow();  // PostNcDestroy deletes the object
}

HWND CScrollBarFrame::Unhook()
{
    HWND target = m_hTarget;
    m_hTarget = nullptr;
    if (target) {
        if ((WNDPROC)::GetWindowLongPtrW(target, GWLP_WNDPROC) == WrapperProc)
            ::SetWindowLongPtrW(target, GWLP_WNDPROC, (LONG_PTR)m_pfnOldProc);
        ::RemovePropW(target, kFrameProp);
    }
    return target;
}

void CScrollBarFrame::PostNcDestroy()
{
    delete this;
}

void CScrollBarFrame::MirrorScrollInfo(BOOL redraw)
{
    if (!::IsWindow(m_hTarget))
        return;
    const DWORD style = (DWORD)::GetWindowLongW(m_hTarget, GWL_STYLE);
    struct { DWORD bit; int bar; CSkinnedScrollBar* skinned; } bars[] = {
        {WS_VSCROLL, SB_VERT, &m_sbVert}, {WS_HSCROLL, SB_HORZ, &m_sbHorz}};
    for (auto& b : bars) {
        if (!(style & b.bit) || !b.skinned->GetSafeHwnd())
            continue;
        SCROLLINFO si = {sizeof si, SIF_ALL};
        if (!::GetScrollInfo(m_hTarget, b.bar, &si))
            continue;
        b.skinned->Mirror(si, redraw && !m_bUpdating);
        b.skinned->EnableWindow(si.nMax >= (int)si.nPage);
    }
}

void CScrollBarFrame::Layout()
{
    if (!GetSafeHwnd() || !::IsWindow(m_hTarget))
        return;
    m_bUpdating = TRUE;
    CRect client;
    GetClientRect(&client);
    const int tv = m_sbVert.Thickness(), th = m_sbHorz.Thickness();
    const bool vert = m_nShown != 0, horz = (m_sbHorz.GetStyle() & WS_VISIBLE) != 0;
    const bool left = m_nShown == 2;
    CRect limit(client);
    if (vert) {
        if (left)
            limit.left += tv;
        else
            limit.right -= tv;
    }
    if (horz)
        limit.bottom -= th;
    m_wndLimit.SetWindowPos(nullptr, limit.left, limit.top, std::max(0, limit.Width()), std::max(0, limit.Height()),
                            SWP_NOZORDER | SWP_NOACTIVATE);
    CRect target;
    ::GetWindowRect(m_hTarget, &target);
    m_wndLimit.ScreenToClient(&target);
    const CRect want(left ? -tv : 0, 0, (left ? -tv : 0) + client.Width(), client.Height());
    if (target != want)
        ::SetWindowPos(m_hTarget, nullptr, want.left, want.top, want.Width(), want.Height(),
                       SWP_NOZORDER | SWP_NOACTIVATE);
    if (vert)
        m_sbVert.SetWindowPos(nullptr, left ? 0 : client.right - tv, 0, tv, std::max(0, client.Height() - (horz ? th : 0)),
                              SWP_NOZORDER | SWP_NOACTIVATE);
    if (horz)
        m_sbHorz.SetWindowPos(nullptr, left && vert ? tv : 0, client.bottom - th,
                              std::max(0, client.Width() - (vert ? tv : 0)), th, SWP_NOZORDER | SWP_NOACTIVATE);
    m_bUpdating = FALSE;
    Invalidate();
}

LRESULT CALLBACK CScrollBarFrame::WrapperProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CScrollBarFrame* frame = FromTarget(hwnd);
    if (!frame)
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    WNDPROC old = frame->m_pfnOldProc;
    if (message == WM_DESTROY) {
        frame->Detach();
        return ::CallWindowProcW(old, hwnd, message, wParam, lParam);
    }
    LRESULT result = ::CallWindowProcW(old, hwnd, message, wParam, lParam);
    frame = FromTarget(hwnd);  // the message may have ended the wrapping
    if (!frame)
        return result;
    switch (message) {
    case WM_NCCALCSIZE:
        if (wParam) {
            // Widen the client over the window's own bars so that only the skinned ones show.
            NCCALCSIZE_PARAMS* p = (NCCALCSIZE_PARAMS*)lParam;
            const DWORD style = (DWORD)::GetWindowLongW(hwnd, GWL_STYLE);
            const bool left = (::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
            const bool vert = (style & WS_VSCROLL) != 0, horz = (style & WS_HSCROLL) != 0;
            if (vert) {
                const int widen = ::GetSystemMetrics(SM_CXVSCROLL) - frame->m_sbVert.Thickness();
                if (left)
                    p->rgrc[0].left -= widen;
                else
                    p->rgrc[0].right += widen;
            }
            if (horz)
                p->rgrc[0].bottom += ::GetSystemMetrics(SM_CYHSCROLL) - frame->m_sbHorz.Thickness();
            frame->m_nShown = vert ? (left ? 2 : 1) : 0;
            frame->m_sbVert.ShowWindow(vert ? SW_SHOWNA : SW_HIDE);
            frame->m_sbHorz.ShowWindow(horz ? SW_SHOWNA : SW_HIDE);
            if (!frame->m_bUpdating)
                frame->PostMessage(MsgLayout, vert, left);
        }
        break;
    case WM_ERASEBKGND:
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN:
    case WM_SIZE:
        if (!frame->m_bUpdating)
            frame->MirrorScrollInfo(TRUE);
        break;
    }
    return result;
}

BOOL CScrollBarFrame::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message) {
    case MsgLayout:
        Layout();
        *pResult = 0;
        return TRUE;
    case WM_TIMER:
        if (wParam != TimerMirror)
            break;
        if (!m_sbVert.m_bDragging && !m_sbHorz.m_bDragging)
            MirrorScrollInfo(TRUE);
        *pResult = 0;
        return TRUE;
    case WM_SIZE:
        if (::IsWindow(m_hTarget)) {
            Layout();
        }
        break;
    case WM_VSCROLL:
    case WM_HSCROLL:
        if (::IsWindow(m_hTarget) && (HWND)lParam && ((HWND)lParam == m_sbVert.m_hWnd || (HWND)lParam == m_sbHorz.m_hWnd)) {
            ::SendMessageW(m_hTarget, message, wParam, 0);
            MirrorScrollInfo(TRUE);
            *pResult = 0;
            return TRUE;
        }
        break;
    case WM_ERASEBKGND:
        *pResult = TRUE;
        return TRUE;
    case WM_PAINT: {
        CPaintDC dc(this);
        const bool vert = (m_sbVert.GetStyle() & WS_VISIBLE) != 0, horz = (m_sbHorz.GetStyle() & WS_VISIBLE) != 0;
        if (vert && horz && m_hSkin) {
            CRect client;
            GetClientRect(&client);
            const int t = m_sbVert.Thickness(), rowH = m_sbVert.m_nRowHeight;
            const int x = m_nShown == 2 ? 0 : client.right - t;
            CDC mem;
            mem.CreateCompatibleDC(&dc);
            HGDIOBJ old = ::SelectObject(mem.GetSafeHdc(), m_hSkin);
            dc.StretchBlt(x, client.bottom - m_sbHorz.Thickness(), t, m_sbHorz.Thickness(), &mem, 8 * t, 0, t, rowH,
                          SRCCOPY);
            ::SelectObject(mem.GetSafeHdc(), old);
        }
        *pResult = 0;
        return TRUE;
    }
    case WM_DESTROY:
        // Going with the parent: the window inside goes too; leave it unwrapped.
        Unhook();
        KillTimer(TimerMirror);
        break;
    }
    return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}

CScrollBarFrame* AttachSkinnedScrollBars(CWnd* target, HBITMAP skin)
{
    if (!target || !::IsWindow(target->GetSafeHwnd()))
        return nullptr;
    CScrollBarFrame* frame = new CScrollBarFrame;
    if (!frame->Attach(target->GetSafeHwnd(), skin)) {
        if (frame->GetSafeHwnd())
            frame->DestroyWindow();  // deletes it
        else
            delete frame;
        return nullptr;
    }
    return frame;
}

void DetachSkinnedScrollBars(CWnd* target)
{
    if (CScrollBarFrame* frame = CScrollBarFrame::FromTarget(target ? target->GetSafeHwnd() : nullptr))
        frame->Detach();
}
