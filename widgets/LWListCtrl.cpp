#include "LWListCtrl.h"
#include "LWSkinPaint.h"
#include "LWToolTipCtrl.h"
#include <algorithm>
#include <cstring>

IMPLEMENT_DYNAMIC(LWListCtrl, CWnd)

BEGIN_MESSAGE_MAP(LWListCtrl, CWnd)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_SIZE()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_RBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_MOUSELEAVE()
    ON_WM_MOUSEWHEEL()
    ON_WM_VSCROLL()
    ON_WM_SETFOCUS()
    ON_WM_KILLFOCUS()
END_MESSAGE_MAP()

namespace {
const int kScrollWidth = 10;
const UINT kScrollStyle = WS_CHILD | 0x00010000;
}

BOOL(WINAPI* LWListCtrl::s_pfnDragDetect)(HWND, POINT) = ::DragDetect;

LWListCtrl::LWListCtrl()
    : m_bDragMode(0), m_nDragItem(-1), m_nLastX(0), m_nLastY(0), m_nItemCount(0), m_nItemHeight(20), m_nTopIndex(0),
      m_nCountPerPage(0), m_nCurSel(-1), m_pSelected(nullptr), m_bSingleSel(0), m_nHotItem(-1), m_bHotTrack(1),
      m_pToolTip(new LWToolTipCtrl), m_nPressedItem(-1), m_nMouseItem(-1), m_nPrevMouseItem(-1)
{
}

LWListCtrl::~LWListCtrl()
{
    delete[] m_pSelected;
    delete m_pToolTip;  // only when the window never got to WM_DESTROY
}

BOOL LWListCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id, CCreateContext* context)
{
    if (!CWnd::Create(AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW)), L"", style, rect, parent, id,
                      context))
        return FALSE;
    const BOOL made = m_wndScroll.Create(kScrollStyle, CRect(0, 0, 0, 0), this, id + 1);
    // The list's own WM_SIZE came before the scroll bar existed: place it now.
    CRect client;
    GetClientRect(&client);
    OnSize(SIZE_RESTORED, client.Width(), client.Height());
    return made;
}

// ---- marks ----

void LWListCtrl::ClearMarks()
{
    if (m_pSelected)
        memset(m_pSelected, 0, sizeof(int) * (m_nItemCount + 1));
}

void LWListCtrl::Mark(int index)
{
    if (m_pSelected && index >= 0 && index < m_nItemCount)
        m_pSelected[index] = 1;
}

int LWListCtrl::SetItemHeight(int height)
{
    const int previous = m_nItemHeight;
    if (height >= 0)
        m_nItemHeight = height;
    CRect client(0, 0, 0, 0);
    if (::IsWindow(m_hWnd))
        GetClientRect(&client);
    SetPageHeight(client.Height());
    return previous;
}

void LWListCtrl::SetPageHeight(int height)
{
    // a partly shown last row counts
    m_nCountPerPage = m_nItemHeight > 0 ? height / m_nItemHeight + 1 : 1;
    if (::IsWindow(m_wndScroll.m_hWnd))
        m_wndScroll.SetPage(m_nCountPerPage);
}

bool LWListCtrl::ScrollBarShown()
{
    return ::IsWindow(m_wndScroll.m_hWnd) && (m_wndScroll.GetStyle() & WS_VISIBLE);
}

void LWListCtrl::UpdateScrollBar()
{
    if (!::IsWindow(m_wndScroll.m_hWnd))
        return;
    m_wndScroll.SetRange(0, m_nItemCount);
    m_wndScroll.ShowWindow(m_nItemCount >= m_nCountPerPage ? SW_SHOW : SW_HIDE);
}

void LWListCtrl::SetItemCount(int count)
{
    if (count < 0) {
        TRACE(L"LWListCtrl::SetItemCount: negative count %d taken as 0\n", count);
        count = 0;
    }
    delete[] m_pSelected;
    m_pSelected = new int[count + 1]();
    m_nItemCount = count;
    // Indexes kept from the longer list would point past the new array.
    if (m_nCurSel >= count)
        m_nCurSel = -1;
    if (m_nHotItem >= count)
        m_nHotItem = -1;
    if (m_nPressedItem >= count)
        m_nPressedItem = -1;
    if (m_nDragItem >= count)
        m_nDragItem = -1;
    m_nTopIndex = std::max(0, std::min(m_nTopIndex, count - m_nCountPerPage + 1));
    UpdateScrollBar();
}

int LWListCtrl::GetItemCount() { return m_nItemCount; }
int LWListCtrl::GetCurSel() { return m_nCurSel; }
int LWListCtrl::GetTopIndex() { return m_nTopIndex; }
int LWListCtrl::GetCountPerPage() { return m_nCountPerPage; }

void LWListCtrl::SetCurSel(int index, int count)
{
    if (index < 0 || index >= m_nItemCount)
        index = -1;
    m_nCurSel = index;
    if (index == -1) {
        ClearMarks();
        return;
    }
    for (int i = 0; i < count && index + i < m_nItemCount; ++i)
        Mark(index + i);
}

void LWListCtrl::SetTopIndex(int index)
{
    index = std::min(index, m_nItemCount - m_nCountPerPage + 1);
    index = std::max(index, 0);
    m_nTopIndex = index;
    if (::IsWindow(m_wndScroll.m_hWnd))
        m_wndScroll.SetPos(index);
    m_nHotItem = -1;
    if (::IsWindow(m_hWnd)) {
        POINT cursor;
        ::GetCursorPos(&cursor);
        ScreenToClient(&cursor);
        int outside = 0;
        const int item = ItemFromPoint(cursor, outside);
        if (!outside)
            m_nHotItem = item;
    }
}

void LWListCtrl::DeleteString(int index)
{
    if (index < 0 || index >= m_nItemCount) {
        TRACE(L"LWListCtrl::DeleteString: no item %d\n", index);
        return;
    }
    if (m_pSelected)
        memmove(m_pSelected + index, m_pSelected + index + 1, sizeof(int) * (m_nItemCount - index));
    if (m_nItemCount > 0)
        --m_nItemCount;
    if (m_pSelected)
        m_pSelected[m_nItemCount] = 0;
    if (m_nCurSel == index)
        m_nCurSel = -1;
    else if (m_nCurSel > index)
        --m_nCurSel;
    UpdateScrollBar();
}

BOOL LWListCtrl::GetItemRect(int index, RECT* rect)
{
    if (!rect || index < 0 || index >= m_nItemCount)
        return FALSE;
    GetClientRect(rect);
    rect->top = (index - m_nTopIndex) * m_nItemHeight;
    rect->bottom = (index - m_nTopIndex + 1) * m_nItemHeight - 1;
    return TRUE;
}

int LWListCtrl::ItemFromPoint(POINT pt, int& outside)
{
    int row = 0;
    if (m_nItemHeight > 0)
        row = pt.y >= 0 ? pt.y / m_nItemHeight : -((-pt.y + m_nItemHeight - 1) / m_nItemHeight);
    const int index = m_nTopIndex + row;
    CRect client(0, 0, 0, 0);
    if (::IsWindow(m_hWnd))
        GetClientRect(&client);
    if (ScrollBarShown())
        client.right -= kScrollWidth;
    outside = (!client.PtInRect(pt) || index < 0 || index >= m_nItemCount) ? 1 : 0;
    return index;
}

int LWListCtrl::GetSelectedCount()
{
    if (!m_pSelected)
        return (m_nCurSel >= 0 && m_nCurSel < m_nItemCount) ? 1 : 0;
    int n = 0;
    for (int i = 0; i < m_nItemCount; ++i)
        n += m_pSelected[i] ? 1 : 0;
    return n;
}

POSITION LWListCtrl::GetFirstSelectedItemPosition()
{
    if (m_pSelected)
        for (int i = 0; i < m_nItemCount; ++i)
            if (m_pSelected[i])
                return (POSITION)(INT_PTR)(i + 1);
    return nullptr;
}

int LWListCtrl::GetNextSelectedItem(POSITION& pos)
{
    const int index = (int)(INT_PTR)pos - 1;
    pos = nullptr;
    if (m_pSelected)
        for (int i = index + 1; i < m_nItemCount; ++i)
            if (m_pSelected[i]) {
                pos = (POSITION)(INT_PTR)(i + 1);
                break;
            }
    return index;
}

BOOL LWListCtrl::IsSelectedItem(int index)
{
    return m_pSelected && index >= 0 && index < m_nItemCount && m_pSelected[index];
}

void LWListCtrl::SetSingleSelection(BOOL single) { m_bSingleSel = single ? 1 : 0; }

void LWListCtrl::EnsureVisible(int index)
{
    const int last = m_nItemCount - m_nCountPerPage + 1;
    int top = m_nTopIndex;
    if (index < m_nTopIndex) {
        top = std::max(index, 0);
    } else if (index < m_nTopIndex + m_nCountPerPage - 1) {
        if (m_nTopIndex + m_nCountPerPage - 1 > m_nItemCount)
            top = last;
    } else {
        top = index - m_nCountPerPage + 1;
        if (top < 0)
            top = 0;
        if (top + m_nCountPerPage - 1 > m_nItemCount)
            top = last;
    }
    SetTopIndex(top);
    if (::IsWindow(m_wndScroll.m_hWnd))
        m_wndScroll.Invalidate();
}

void LWListCtrl::SelectItem(int index, UINT)
{
    if (m_nItemCount <= 0)
        return;
    index = std::max(0, std::min(index, m_nItemCount - 1));
    if (index == m_nCurSel)
        return;
    ClearMarks();
    Mark(index);
    m_nCurSel = index;
    NMLISTVIEW nm;
    NotifyParent(&nm, LVN_ITEMCHANGED, index, nullptr);
    EnsureVisible(index);
    if (::IsWindow(m_hWnd))
        Invalidate(FALSE);
}

LRESULT LWListCtrl::NotifyParent(NMLISTVIEW* nm, UINT code, UINT item, POINT* pt)
{
    if (!nm || !::IsWindow(m_hWnd))
        return 0;
    memset(nm, 0, sizeof(*nm));
    nm->hdr.hwndFrom = m_hWnd;
    nm->hdr.idFrom = (UINT_PTR)::GetDlgCtrlID(m_hWnd);
    nm->hdr.code = code;
    nm->iItem = (int)item;
    nm->iSubItem = 0;
    nm->ptAction = pt ? *pt : POINT{-1, -1};
    HWND parent = ::GetParent(m_hWnd);
    if (!parent)
        return 0;
    // Right clicks and keys go out with wParam 0, as the parent's handlers expect.
    const WPARAM wParam = (code == (UINT)NM_RCLICK) ? 0 : nm->hdr.idFrom;
    return ::SendMessageW(parent, WM_NOTIFY, wParam, (LPARAM)nm);
}

void LWListCtrl::SetTooltip(const wchar_t* text)
{
    if (!m_pToolTip || !::IsWindow(m_pToolTip->m_hWnd))
        return;
    const CString value = text ? text : L"";
    if (value == m_strToolTip)
        return;
    m_strToolTip = value;
    m_pToolTip->UpdateTipText(m_strToolTip, this);
    m_pToolTip->Activate(!m_strToolTip.IsEmpty());
}

// ---- painting ----

int LWListCtrl::DrawableWidth()
{
    CRect client;
    GetClientRect(&client);
    return client.Width() - (ScrollBarShown() ? kScrollWidth : 0);
}

void LWListCtrl::DrawItem(DRAWITEMSTRUCT* dis)
{
    HWND parent = ::GetParent(m_hWnd);
    if (!dis || !parent)
        return;
    NMLVDISPINFOW info = {};
    info.hdr.hwndFrom = m_hWnd;
    info.hdr.idFrom = (UINT_PTR)::GetDlgCtrlID(m_hWnd);
    info.hdr.code = LVN_GETDISPINFOW;
    info.item.mask = LVIF_TEXT;
    info.item.iItem = (int)dis->itemID;
    ::SendMessageW(parent, WM_NOTIFY, (WPARAM)m_hWnd, (LPARAM)&info);
    ::SendMessageW(parent, WM_DRAWITEM, (WPARAM)::GetDlgCtrlID(m_hWnd), (LPARAM)dis);
}

void LWListCtrl::DrawRow(CDC* dc, int index, const RECT& rc)
{
    DRAWITEMSTRUCT dis = {};
    dis.CtlType = 0;
    dis.CtlID = 0;
    dis.itemID = (UINT)index;
    dis.hwndItem = m_hWnd;
    dis.hDC = dc->GetSafeHdc();
    dis.rcItem = rc;
    if (index >= 0 && index < m_nItemCount) {
        if (m_bHotTrack && index == m_nHotItem) {
            dis.itemAction = ODA_FOCUS;
            dis.itemState = ODS_FOCUS;
        }
        if (index == m_nCurSel || IsSelectedItem(index)) {
            dis.itemAction = ODA_SELECT;
            dis.itemState = ODS_SELECTED;
        }
    }
    DrawItem(&dis);
}

void LWListCtrl::OnDraw(CDC* dc)
{
    CRect client;
    GetClientRect(&client);
    const int width = DrawableWidth();
    DRAWITEMSTRUCT dis = {};
    dis.itemID = (UINT)-1;
    dis.hwndItem = m_hWnd;
    dis.hDC = dc->GetSafeHdc();
    dis.rcItem = client;
    DrawItem(&dis);
    int bottom = client.top;
    for (int i = 0; i < m_nCountPerPage && m_nTopIndex + i < m_nItemCount; ++i) {
        const int y = i * m_nItemHeight;
        const int yEnd = m_nItemHeight > 0 ? y + m_nItemHeight : client.bottom;
        DrawRow(dc, m_nTopIndex + i, CRect(client.left, y, client.left + width, yEnd));
        bottom = yEnd;
    }
    dis = {};
    dis.itemID = (UINT)-2;
    dis.hwndItem = m_hWnd;
    dis.hDC = dc->GetSafeHdc();
    // a partly visible last row ends below the client: the rest is then empty, not upside down
    dis.rcItem = CRect(client.left, std::min(bottom, (int)client.bottom), client.left + width, client.bottom);
    DrawItem(&dis);
}

void LWListCtrl::RedrawItemEx(CDC* dc, int index, int x, int y)
{
    if (!dc)
        return;
    DrawRow(dc, index, CRect(x, y, x + DrawableWidth(), y + m_nItemHeight));
}

void LWListCtrl::RedrawItems(CDC* dc, int first, int last)
{
    if (!::IsWindow(m_hWnd))
        return;
    CClientDC* own = nullptr;
    if (!dc) {
        own = new CClientDC(this);
        dc = own;
    }
    for (int i = std::max(first, m_nTopIndex); i <= last; ++i) {
        if (i >= m_nItemCount || i >= m_nTopIndex + m_nCountPerPage)
            break;
        RedrawItemEx(dc, i, 0, (i - m_nTopIndex) * m_nItemHeight);
    }
    delete own;
}

void LWListCtrl::OnPaint()
{
    CPaintDC dc(this);
    OnDraw(&dc);
}

BOOL LWListCtrl::OnEraseBkgnd(CDC*)
{
    return TRUE;  // OnDraw paints every pixel (the parent draws the background as item -1)
}

void LWListCtrl::AnimateSwapItems(int moving, int other)
{
    if (!::IsWindow(m_hWnd) || moving == other)
        return;
    const int upper = std::min(moving, other), lower = std::max(moving, other);
    const int d = (lower - upper) * m_nItemHeight;
    CRect client;
    GetClientRect(&client);
    if (d <= 0)
        return;
    CClientDC window(this);
    LWOffScreen image(&window, client.Width(), client.Height());
    if (!image.ok())
        return;
    CDC& mem = *image.dc();
    const int steps = d / 10 + 1;
    const int upperTop = (upper - m_nTopIndex) * m_nItemHeight;
    const int width = client.Width() - kScrollWidth;
    for (int k = 0; k < steps; ++k) {
        const int shift = (k == steps - 1) ? d : 10 * k;  // the last frame shows them swapped
        mem.FillSolidRect(&client, RGB(255, 255, 255));
        const int yUpper = shift, yLower = d - shift;
        // the moving item is drawn second, on top
        if (moving == upper) {
            RedrawItemEx(&mem, lower, 0, yLower);
            RedrawItemEx(&mem, upper, 0, yUpper);
        } else {
            RedrawItemEx(&mem, upper, 0, yUpper);
            RedrawItemEx(&mem, lower, 0, yLower);
        }
        window.BitBlt(0, upperTop, width, d + m_nItemHeight, &mem, 0, 0, SRCCOPY);
        ::Sleep(100 / steps);
    }
}

// ---- mouse and keys ----

LRESULT LWListCtrl::OnClick(UINT, CPoint pt)
{
    int outside = 0;
    const int index = ItemFromPoint(pt, outside);
    const int item = outside ? -1 : index;
    NMLISTVIEW nm;
    const LRESULT answer = NotifyParent(&nm, NM_CLICK, item, &pt);
    if (answer == 1) {
        Invalidate(FALSE);
        return answer;
    }
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
    const bool shift = ::GetKeyState(VK_SHIFT) < 0;
    const bool alt = ::GetKeyState(VK_MENU) < 0;
    if (item >= 0) {
        auto selectOnly = [&]() {
            ClearMarks();
            Mark(item);
            m_nCurSel = item;
            NotifyParent(&nm, LVN_ITEMCHANGED, item, &pt);
        };
        // A range needs an anchor inside the list; without one Shift-click is a plain click.
        const bool anchored = m_nCurSel >= 0 && m_nCurSel < m_nItemCount;
        if ((!ctrl && !shift) || m_bSingleSel) {
            selectOnly();
        } else if (ctrl && !shift && !alt) {
            Mark(item);
        } else if (shift && !alt) {
            if (!anchored) {
                selectOnly();
            } else {
                ClearMarks();
                for (int i = std::min(m_nCurSel, item); i <= std::max(m_nCurSel, item); ++i)
                    Mark(i);
            }
        }
    }
    if (::IsWindow(m_hWnd))
        Invalidate(FALSE);
    if (answer)
        return answer;
    if (::IsWindow(m_hWnd))
        SetFocus();
    return 0;
}

void LWListCtrl::OnLButtonDown(UINT flags, CPoint point)
{
    int outside = 0;
    const int index = ItemFromPoint(point, outside);
    m_nPressedItem = outside ? -1 : index;
    m_nMouseItem = m_nPrevMouseItem = m_nPressedItem;
    if (m_nPressedItem >= 0) {
        POINT screen = point;
        ClientToScreen(&screen);
        if (s_pfnDragDetect && s_pfnDragDetect(m_hWnd, screen)) {
            NMLISTVIEW nm;
            if (NotifyParent(&nm, LVN_BEGINDRAG, m_nPressedItem, &point))
                return;
        }
    }
    if (m_bDragMode || m_nPressedItem < 0 || !::IsWindow(m_hWnd))
        return;
    OnClick(flags, point);
}

void LWListCtrl::OnLButtonUp(UINT, CPoint)
{
    if (m_bDragMode)
        EndDragItems();
}

void LWListCtrl::OnLButtonDblClk(UINT, CPoint point)
{
    int outside = 0;
    const int index = ItemFromPoint(point, outside);
    if (!outside) {
        Default();
        NMLISTVIEW nm;
        NotifyParent(&nm, NM_DBLCLK, index, &point);
    }
    if (!::IsWindow(m_hWnd))
        return;
    Invalidate(FALSE);
    SetFocus();
}

void LWListCtrl::OnRButtonDown(UINT, CPoint point)
{
    if (m_bDragMode) {
        EndDragItems();
        return;
    }
    int outside = 0;
    const int index = ItemFromPoint(point, outside);
    const int item = outside ? -1 : index;
    if (m_bSingleSel) {
        if (item < 0 || !IsSelectedItem(item))
            ClearMarks();
        if (item >= 0) {
            Mark(item);
            m_nCurSel = item;
        }
    } else if (item < 0 || !IsSelectedItem(item)) {
        ClearMarks();
    }
    Invalidate(FALSE);
    NMLISTVIEW nm;
    NotifyParent(&nm, NM_RCLICK, item, &point);
    if (!::IsWindow(m_hWnd))
        return;
    Default();
    SetFocus();
}

LRESULT LWListCtrl::SendReorder(int phase, int from, int to)
{
    HWND parent = ::GetParent(m_hWnd);
    if (!parent)
        return 0;
    LWListDragReorder record;
    memset(&record, 0, sizeof(record));
    record.nm.hdr.hwndFrom = m_hWnd;
    record.nm.hdr.idFrom = (UINT_PTR)::GetDlgCtrlID(m_hWnd);
    record.nm.hdr.code = LWLC_DRAGREORDER;
    record.nm.iItem = -1;
    record.nm.ptAction = POINT{-1, -1};
    record.phase = phase;
    record.from = from;
    record.to = to;
    return ::SendMessageW(parent, WM_NOTIFY, record.nm.hdr.idFrom, (LPARAM)&record);
}

void LWListCtrl::OnMouseMove(UINT, CPoint point)
{
    if (m_bDragMode) {
        int outside = 0;
        const int target = ItemFromPoint(point, outside);
        if (target == m_nDragItem || m_nDragItem < 0)
            return;
        const int dir = target < m_nDragItem ? -1 : 1;
        const int to = m_nDragItem + dir;
        if (to < 0 || to >= m_nItemCount)
            return;  // already at an end of the list
        if (SendReorder(1, m_nDragItem, to))
            return;
        const bool visible = to >= m_nTopIndex && to < m_nTopIndex + m_nCountPerPage - 1;
        if (visible)
            AnimateSwapItems(m_nDragItem, to);
        SendReorder(2, m_nDragItem, to);
        if (!::IsWindow(m_hWnd))
            return;
        if (!visible)
            SetTopIndex(m_nTopIndex + dir);
        m_nDragItem = m_nHotItem = to;
        if (!visible)
            Invalidate(FALSE);
        return;
    }
    int outside = 0;
    const int index = ItemFromPoint(point, outside);
    const int hot = outside ? -1 : index;
    if (hot != m_nHotItem) {
        const int old = m_nHotItem;
        m_nHotItem = hot;
        if (m_bHotTrack) {
            if (old >= 0)
                RedrawItems(nullptr, old, old);
            if (hot >= 0)
                RedrawItems(nullptr, hot, hot);
        }
    }
    if (point.x != m_nLastX || point.y != m_nLastY) {
        m_nLastX = point.x;
        m_nLastY = point.y;
        NMLISTVIEW nm;
        NotifyParent(&nm, LWLC_HOVER, m_nHotItem, &point);
        if (!::IsWindow(m_hWnd))
            return;
    }
    TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, m_hWnd, 0};
    ::TrackMouseEvent(&track);
}

void LWListCtrl::OnMouseLeave()
{
    const int old = m_nHotItem;
    m_nHotItem = -1;
    if (old >= 0)
        RedrawItems(nullptr, old, old);
}

BOOL LWListCtrl::OnMouseWheel(UINT, short delta, CPoint)
{
    const int notches = delta / WHEEL_DELTA;
    if (notches < 0)
        SetTopIndex(m_nTopIndex + 1);
    else if (notches > 0)
        SetTopIndex(m_nTopIndex - 1);
    else
        return TRUE;
    Invalidate(FALSE);
    return TRUE;
}

void LWListCtrl::OnVScroll(UINT, UINT, CScrollBar*)
{
    SetTopIndex(m_wndScroll.GetPos());
    Invalidate(FALSE);
}

void LWListCtrl::OnSize(UINT, int cx, int cy)
{
    SetPageHeight(cy);
    if (!::IsWindow(m_wndScroll.m_hWnd))
        return;
    m_wndScroll.MoveWindow(cx - kScrollWidth, 0, kScrollWidth, cy);
    UpdateScrollBar();
}

void LWListCtrl::NotifyFocus(UINT code)
{
    NMHDR nm = {m_hWnd, (UINT_PTR)::GetDlgCtrlID(m_hWnd), code};
    if (HWND parent = ::GetParent(m_hWnd))
        ::SendMessageW(parent, WM_NOTIFY, nm.idFrom, (LPARAM)&nm);
}

void LWListCtrl::OnSetFocus(CWnd*)
{
    NotifyFocus(LWLC_SETFOCUS);
}

void LWListCtrl::OnKillFocus(CWnd*)
{
    NotifyFocus(LWLC_KILLFOCUS);
}

BOOL LWListCtrl::PreTranslateMessage(MSG* msg)
{
    if (m_pToolTip && ::IsWindow(m_pToolTip->m_hWnd))
        m_pToolTip->RelayEvent(msg);
    if (msg->message == WM_KEYDOWN && ::GetFocus() == m_hWnd) {
        NMLVKEYDOWN key = {};
        key.hdr.hwndFrom = m_hWnd;
        key.hdr.idFrom = (UINT_PTR)::GetDlgCtrlID(m_hWnd);
        key.hdr.code = LVN_KEYDOWN;
        key.wVKey = (WORD)msg->wParam;
        if (HWND parent = ::GetParent(m_hWnd))
            ::SendMessageW(parent, WM_NOTIFY, 0, (LPARAM)&key);
        if (!::IsWindow(msg->hwnd))
            return TRUE;
        if (msg->wParam == VK_UP)
            SelectItem(m_nCurSel - 1);
        else if (msg->wParam == VK_DOWN)
            SelectItem(m_nCurSel + 1);
        return TRUE;
    }
    return CWnd::PreTranslateMessage(msg);
}

// ---- drag-reorder ----

void LWListCtrl::BeginDragItems()
{
    m_bDragMode = 1;
    SetCapture();
    m_nDragItem = m_nPressedItem;
    SetCurSel(-1, 1);
    m_nHotItem = m_nDragItem;
    Invalidate(FALSE);
}

void LWListCtrl::EndDragItems()
{
    if (!m_bDragMode)
        return;
    // Cleared first: releasing the capture may come back here through WM_LBUTTONUP handling.
    m_bDragMode = 0;
    const int item = m_nDragItem;
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    SendReorder(3, item, item);
    m_nHotItem = m_nDragItem = -1;
    if (::IsWindow(m_hWnd))
        Invalidate(FALSE);
}

// ---- creation ----

int LWListCtrl::OnCreate(LPCREATESTRUCT cs)
{
    if (CWnd::OnCreate(cs) == -1)
        return -1;
    if (m_pToolTip && m_pToolTip->Create(this)) {
        m_pToolTip->AddTool(this, L"");
        m_pToolTip->Activate(TRUE);
        m_pToolTip->ModifyStyle(WS_BORDER, 0);
    }
    return 0;
}

void LWListCtrl::OnDestroy()
{
    if (m_pToolTip) {
        m_pToolTip->DestroyWindow();
        delete m_pToolTip;
        m_pToolTip = nullptr;
    }
    CWnd::OnDestroy();
}
