#include "LWStatusBar.h"
#include "LWResource.h"

IMPLEMENT_DYNAMIC(LWStatusBar, CStatusBar)

BEGIN_MESSAGE_MAP(LWStatusBar, CStatusBar)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

LWStatusBar::LWStatusBar() : m_crBack(RGB(174, 202, 247))
{
}

int LWStatusBar::OnCreate(LPCREATESTRUCT cs)
{
    if (CStatusBar::OnCreate(cs) == -1)
        return -1;
    if (!m_imgGrip.Create(IDB_LW_SIZE_GRIP, 16, 1, RGB(255, 0, 0)))
        TRACE(L"LWStatusBar: no size grip image\n");
    return 0;
}

void LWStatusBar::OnDestroy()
{
    m_imgGrip.DeleteImageList();
    CStatusBar::OnDestroy();
}

BOOL LWStatusBar::OnEraseBkgnd(CDC*)
{
    return TRUE;
}

void LWStatusBar::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    CPen pen(PS_SOLID, 1, m_crBack);
    CBrush brush(m_crBack);
    CPen* oldPen = dc.SelectObject(&pen);
    CBrush* oldBrush = dc.SelectObject(&brush);
    dc.Rectangle(&client);
    dc.SelectObject(oldPen);
    dc.SelectObject(oldBrush);
    if (m_imgGrip.GetSafeHandle())
        m_imgGrip.Draw(&dc, 0, CPoint(client.right - 16, client.bottom - 16), ILD_TRANSPARENT);
}
