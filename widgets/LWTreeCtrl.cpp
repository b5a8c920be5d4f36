#include "LWTreeCtrl.h"
#include "LWSkinPaint.h"
#include <algorithm>

IMPLEMENT_DYNAMIC(LWTreeCtrl, CTreeCtrl)

BEGIN_MESSAGE_MAP(LWTreeCtrl, CTreeCtrl)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_HSCROLL()
    ON_WM_VSCROLL()
    ON_WM_MOUSEWHEEL()
    ON_NOTIFY_REFLECT_EX(TVN_ITEMEXPANDEDW, OnItemExpanded)
    ON_NOTIFY_REFLECT_EX(TVN_BEGINDRAGW, OnBeginDrag)
END_MESSAGE_MAP()

LWTreeCtrl::LWTreeCtrl()
    : m_pListener(nullptr), m_bOwnerPaint(0), m_crText(0), m_crSelText(RGB(0, 0, 255)), m_rcReserved(0, 0, 0, 0),
      m_rcClient(0, 0, 0, 0), m_nOriginX(0), m_nPaintWidth(0), m_nOriginY(0), m_nPaintHeight(0), m_bDragging(0),
      m_hDropTarget(nullptr)
{
}

LWTreeCtrl::~LWTreeCtrl()
{
    m_dcButtons.DeleteDC();
    m_font.DeleteObject();
    m_bmpCollapsed.DeleteObject();
    m_bmpExpanded.DeleteObject();
}

namespace {
int ImageWidth(HIMAGELIST list, int image)
{
    IMAGEINFO info = {};
    if (!list || !ImageList_GetImageInfo(list, image, &info))
        return 0;
    return info.rcImage.right - info.rcImage.left;
}
}

BOOL LWTreeCtrl::LeftOfText(HTREEITEM item, HIMAGELIST images, CRect& rect)
{
    CRect text;
    if (!images || !CTreeCtrl::GetItemRect(item, &text, TRUE))
        return FALSE;
    rect.SetRect(text.left - 3 - ImageWidth(images, 0), text.top, text.left - 3, text.bottom);
    return TRUE;
}

BOOL LWTreeCtrl::GetItemRectEx(HTREEITEM item, CRect& rect, UINT part)
{
    if (!item || !::IsWindow(m_hWnd))
        return FALSE;
    switch (part) {
    case PartRow:
    case PartText:
        return CTreeCtrl::GetItemRect(item, &rect, part == PartText);
    case PartCheck:
        return (GetStyle() & TVS_CHECKBOXES) && LeftOfText(item, TreeView_GetImageList(m_hWnd, TVSIL_STATE), rect);
    case PartButton: {
        if (!m_bmpExpanded.GetSafeHandle())
            return FALSE;
        CRect anchor;
        if (!GetItemRectEx(item, anchor, PartIcon) && !GetItemRectEx(item, anchor, PartCheck) &&
            !GetItemRectEx(item, anchor, PartText))
            return FALSE;
        BITMAP info = {};
        m_bmpExpanded.GetBitmap(&info);
        rect.SetRect(anchor.left - 3 - info.bmWidth, anchor.top, anchor.left - 3, anchor.bottom);
        return TRUE;
    }
    case PartIcon:
        return LeftOfText(item, TreeView_GetImageList(m_hWnd, TVSIL_NORMAL), rect);
    default:
        return FALSE;
    }
}

int LWTreeCtrl::DrawItemIcons(CDC* dc, HTREEITEM item, CRect rect)
{
    HIMAGELIST normal = TreeView_GetImageList(m_hWnd, TVSIL_NORMAL);
    if (!dc || !item || !normal)
        return 0;
    int image = 0, selected = 0;
    GetItemImage(item, image, selected);
    if (image < 0 || image >= ImageList_GetImageCount(normal))
        return 0;
    IMAGEINFO info = {};
    ImageList_GetImageInfo(normal, image, &info);
    const int w = info.rcImage.right - info.rcImage.left, h = info.rcImage.bottom - info.rcImage.top;
    const int y = h < rect.Height() ? rect.top + (rect.Height() - h) / 2 : rect.top;
    ImageList_Draw(normal, image, dc->GetSafeHdc(), rect.left, y, ILD_TRANSPARENT);
    return w;
}

void LWTreeCtrl::DrawBackGround(CDC* dc)
{
    COLORREF back = (COLORREF)SendMessage(TVM_GETBKCOLOR, 0, 0);
    if (back == CLR_NONE)
        back = ::GetSysColor(COLOR_WINDOW);
    dc->FillSolidRect(&m_rcClient, back);
}

void LWTreeCtrl::DrawItems(CDC* dc)
{
    if (!m_dcButtons.GetSafeHdc())
        m_dcButtons.CreateCompatibleDC(dc);
    for (HTREEITEM item = GetFirstVisibleItem(); item; item = GetNextVisibleItem(item)) {
        if (m_pListener && m_pListener->LWTreeCtrl_OnDrawItem(this, dc, item))
            continue;
        DrawItem(dc, item);
    }
}

void LWTreeCtrl::DrawItem(CDC* dc, HTREEITEM item)
{
    const UINT state = GetItemState(item, TVIS_SELECTED | TVIS_EXPANDED | TVIS_STATEIMAGEMASK);
    const bool selected = (state & TVIS_SELECTED) && (::GetFocus() == m_hWnd || (GetStyle() & TVS_SHOWSELALWAYS));
    CRect part;
    HIMAGELIST states = TreeView_GetImageList(m_hWnd, TVSIL_STATE);
    if (states && GetItemRectEx(item, part, PartCheck))
        ImageList_Draw(states, GetCheck(item) ? 2 : 1, dc->GetSafeHdc(), part.left, part.top, ILD_TRANSPARENT);
    if (ItemHasChildren(item)) {
        CBitmap& button = (state & TVIS_EXPANDED) ? m_bmpExpanded : m_bmpCollapsed;
        if (button.GetSafeHandle() && m_dcButtons.GetSafeHdc() && GetItemRectEx(item, part, PartButton)) {
            BITMAP info = {};
            button.GetBitmap(&info);
            CBitmap* old = m_dcButtons.SelectObject(&button);
            dc->BitBlt(part.left, part.top, info.bmWidth, info.bmHeight, &m_dcButtons, 0, 0, SRCAND);
            m_dcButtons.SelectObject(old);
        }
    }
    CRect icon(0, 0, 0, 0);
    GetItemRectEx(item, icon, PartIcon);
    DrawItemIcons(dc, item, icon);
    CRect text;
    if (GetItemRectEx(item, text, PartText)) {
        dc->SetTextColor(selected ? m_crSelText : m_crText);
        dc->DrawText(GetItemText(item), &text, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
    }
}

void LWTreeCtrl::OnPaint()
{
    if (!m_bOwnerPaint) {
        Default();
        return;
    }
    CPaintDC paint(this);
    GetClientRect(&m_rcClient);
    // The painted extent, for overrides that draw beyond the visible part.
    SCROLLINFO info = {sizeof(info), SIF_ALL};
    if ((GetStyle() & WS_HSCROLL) && ::GetScrollInfo(m_hWnd, SB_HORZ, &info)) {
        m_nOriginX = -info.nPos;
        m_nPaintWidth = std::max((int)m_rcClient.Width(), info.nMax + 1);
    } else {
        m_nOriginX = m_rcClient.left;
        m_nPaintWidth = m_rcClient.Width();
    }
    info = {sizeof(info), SIF_ALL};
    if ((GetStyle() & WS_VSCROLL) && ::GetScrollInfo(m_hWnd, SB_VERT, &info)) {
        const int max = (info.nMin == 0 && info.nMax == 100) ? 0 : info.nMax;
        const int rowHeight = GetItemHeight();
        m_nOriginY = -(rowHeight * info.nPos);
        m_nPaintHeight = std::max((int)m_rcClient.Height(), (max + 2) * (rowHeight + 1));
    } else {
        m_nOriginY = m_rcClient.top;
        m_nPaintHeight = m_rcClient.Height();
    }
    LWOffScreen image(&paint, m_rcClient.Width(), m_rcClient.Height());
    if (!image.ok())
        return;
    CDC& mem = *image.dc();
    HGDIOBJ font = (HGDIOBJ)SendMessage(WM_GETFONT, 0, 0);
    HGDIOBJ oldFont = ::SelectObject(mem.GetSafeHdc(), font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
    mem.SetBkMode(TRANSPARENT);
    DrawBackGround(&mem);
    DrawItems(&mem);
    paint.BitBlt(m_rcClient.left, m_rcClient.top, m_rcClient.Width(), m_rcClient.Height(), &mem, 0, 0, SRCCOPY);
    ::SelectObject(mem.GetSafeHdc(), oldFont);
}

BOOL LWTreeCtrl::OnEraseBkgnd(CDC*)
{
    if (m_bOwnerPaint)
        return TRUE;
    return (BOOL)Default();
}

HTREEITEM LWTreeCtrl::ItemAt(CPoint point)
{
    UINT flags = 0;
    return HitTest(point, &flags);
}

void LWTreeCtrl::RepaintNow()
{
    if (::IsWindow(m_hWnd))
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void LWTreeCtrl::OnLButtonDown(UINT, CPoint point)
{
    HTREEITEM item = ItemAt(point);
    if (!item)
        return;
    CRect part;
    if (GetItemRectEx(item, part, PartCheck) && part.PtInRect(point)) {
        SetCheck(item, !GetCheck(item));
        return;
    }
    if (ItemHasChildren(item) && GetItemRectEx(item, part, PartButton) && part.PtInRect(point)) {
        Expand(item, TVE_TOGGLE);
        RepaintNow();
        return;
    }
    Default();
}

void LWTreeCtrl::OnMouseMove(UINT, CPoint point)
{
    if (m_bDragging) {
        HTREEITEM item = ItemAt(point);
        if (m_pListener)
            m_pListener->LWTreeCtrl_OnDragMoving(this, item);
        m_hDropTarget = item;
    }
    Default();
}

void LWTreeCtrl::OnLButtonUp(UINT, CPoint point)
{
    Default();
    if (!m_bDragging)
        return;
    m_bDragging = 0;
    HTREEITEM item = ItemAt(point);
    if (m_pListener)
        m_pListener->LWTreeCtrl_OnDragEnd(this, item);
    if (::IsWindow(m_hWnd) && ::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    m_hDropTarget = nullptr;
}

void LWTreeCtrl::OnHScroll(UINT, UINT, CScrollBar*)
{
    Default();
    RepaintNow();
}

void LWTreeCtrl::OnVScroll(UINT, UINT, CScrollBar*)
{
    Default();
    RepaintNow();
}

BOOL LWTreeCtrl::OnMouseWheel(UINT, short, CPoint)
{
    const BOOL done = (BOOL)Default();
    RepaintNow();
    return done;
}

BOOL LWTreeCtrl::OnItemExpanded(NMHDR*, LRESULT*)
{
    RepaintNow();
    return FALSE;  // the parent hears of it too
}

BOOL LWTreeCtrl::OnBeginDrag(NMHDR* nm, LRESULT* result)
{
    *result = 0;
    if (!m_pListener)
        return FALSE;
    m_hDropTarget = nullptr;
    const NMTREEVIEWW* tv = (const NMTREEVIEWW*)nm;
    m_bDragging = m_pListener->LWTreeCtrl_OnDragBegin(this, tv->itemNew.hItem);
    if (m_bDragging)
        SetCapture();
    return TRUE;
}

void LWTreeCtrl::ResortTreeItems(CTreeCtrl& tree, HTREEITEM parent, PFNTVCOMPARE compare)
{
    if (!::IsWindow(tree.m_hWnd) || !compare)
        return;
    const bool root = !parent || parent == TVI_ROOT;
    for (HTREEITEM child = root ? tree.GetRootItem() : tree.GetChildItem(parent); child; child = tree.GetNextSiblingItem(child))
        if (tree.GetChildItem(child))
            ResortTreeItems(tree, child, compare);
    TVSORTCB sort = {root ? TVI_ROOT : parent, compare, (LPARAM)&tree};
    tree.SendMessage(TVM_SORTCHILDRENCB, 0, (LPARAM)&sort);
}
