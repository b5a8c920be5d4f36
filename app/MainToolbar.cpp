#include "MainToolbar.h"
#include "StringTable.h"

IMPLEMENT_DYNAMIC(CMainToolbar, LWToolBar2)

BEGIN_MESSAGE_MAP(CMainToolbar, LWToolBar2)
    ON_WM_TIMER()
END_MESSAGE_MAP()

namespace {

const UINT kAnimationTimer = 1;
// sync, account (drop-down), the wide place holder, new note, delete, print, help, feedback
const UINT kButtons[8] = {32836, 32803, 32786, 32783, 32784, ID_FILE_PRINT, 32954, 32840};
const wchar_t* const kDefaults[8] = {L"Sync", L"My Account", L"place holder", L"New Note", L"Delete", L"Print", L"", L""};

} // namespace

CMainToolbar::CMainToolbar() {}
CMainToolbar::~CMainToolbar() {}

BOOL CMainToolbar::CreateBar(CWnd* parent)
{
    if (!CreateEx(parent, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP, CRect(0, 0, 0, 0), AFX_IDW_TOOLBAR))
        return FALSE;
    SetButtons(kButtons, 8);
    SetSizes(CSize(23, 22), CSize(16, 16));
    // the background: a soft vertical band in the program's blue
    CClientDC dc(this);
    CBitmap background;
    background.CreateCompatibleBitmap(&dc, 8, 32);
    CDC mem;
    mem.CreateCompatibleDC(&dc);
    CBitmap* old = mem.SelectObject(&background);
    for (int y = 0; y < 32; ++y)
        mem.FillSolidRect(0, y, 8, 1, RGB(0xF4 - y / 4, 0xF7 - y / 4, 0xFD - y / 8));
    mem.SelectObject(old);
    m_bmpBackground.Attach(background.Detach());
    m_clrSeparatorTopLeft = RGB(0xB7, 0xBE, 0xD1);
    m_clrSeparatorBottomRight = RGB(255, 255, 255);
    for (int i = 0; i < 8; ++i)
        SetButtonText(GetLangString(2000 + i, kDefaults[i]), i);
    SetNumButtons(8);
    RecalcButtons();
    // the place holder is not a button
    SetButtonStyle(2, TBSTYLE_SEP);
    return TRUE;
}

CSize CMainToolbar::CalcFixedLayout(BOOL stretch, BOOL horz)
{
    RECT last = {};
    GetItemRect(7, &last);
    return CSize(stretch || !horz ? 32767 : last.right + 8, 30);
}

void CMainToolbar::StartAnimation()
{
    if (!GetSafeHwnd())
        return;
    m_animating = 1;
    SetTimer(kAnimationTimer, 40, nullptr);
}

void CMainToolbar::StopAnimation()
{
    if (!GetSafeHwnd())
        return;
    m_animating = 0;
    KillTimer(kAnimationTimer);
    Invalidate();
    PaintFrame();
}

BOOL CMainToolbar::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info)
{
    if (id == 32803)
        return TRUE;
    return LWToolBar2::OnCmdMsg(id, code, extra, info);
}

void CMainToolbar::OnTimer(UINT_PTR id)
{
    if (id == kAnimationTimer)
        PaintFrame();
    LWToolBar2::OnTimer(id);
}

void CMainToolbar::PaintFrame()
{
    // the bar paints its background and buttons itself; the animation goes on top
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
    int count = m_imgAnimation.GetSafeHandle() ? m_imgAnimation.GetImageCount() : 0;
    if (m_animating && count > 0) {
        CWindowDC dc(this);
        m_imgAnimation.Draw(&dc, m_animationIndex, CPoint(12, 8), ILD_TRANSPARENT);
        m_animationIndex = (m_animationIndex + 1) % count;
    }
}
