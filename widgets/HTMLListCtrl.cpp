#include "HTMLListCtrl.h"
#include "LWResourceLists.h"
#include "LWSkinPaint.h"
#include <shlwapi.h>
#include <algorithm>

IMPLEMENT_DYNAMIC(CHTMLListCtrl, CWnd)

BEGIN_MESSAGE_MAP(CHTMLListCtrl, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_SIZE()
    ON_WM_VSCROLL()
    ON_WM_MOUSEWHEEL()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_RBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_KEYDOWN()
    ON_WM_GETDLGCODE()
    ON_WM_SETCURSOR()
    ON_WM_SETFOCUS()
    ON_WM_KILLFOCUS()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

namespace {
const int kDeleteStrip = 17;     // the delete button's strip at the right edge
const int kLineStep = 50;        // pixels per scroll-bar line or page step
const int kWheelStep = 40;       // pixels per wheel message
const int kImageDelete = 8;
const UINT kEditId = 1001;
}

CHTMLListCtrl::CHTMLListCtrl()
    : m_listItems(10), m_mapItems(10), m_nListItems(0), m_nControlID(0), m_nTotalHeight(0), m_nWndWidth(0),
      m_nWndHeight(0), m_nLastWidth(0), m_nLastHeight(0), m_clrSelected(RGB(0xE8, 0xF5, 0xFD)), m_nSelectedItem(-1),
      m_bHasFocus(FALSE), m_dwExtendedStyles(0), m_pImageList(nullptr), m_nDeleteShown(-1), m_nEditItem(-1)
{
    LOGFONTW lf = {};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    wcscpy(lf.lfFaceName, L"Tahoma");
    m_font.CreateFontIndirect(&lf);
    lf.lfStrikeOut = TRUE;
    m_fontStrike.CreateFontIndirect(&lf);
    m_penGrey.CreatePen(PS_SOLID, 1, RGB(0xC8, 0xC8, 0xC8));
}

CHTMLListCtrl::~CHTMLListCtrl()
{
    DeleteAllItems();
}

BOOL CHTMLListCtrl::Create(CWnd* parent, CRect rect, UINT id, DWORD style)
{
    if (!parent || !::IsWindow(parent->m_hWnd)) {
        TRACE(L"CHTMLListCtrl::Create: no parent window\n");
        return FALSE;
    }
    LPCTSTR cls = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW));
    if (!CWnd::CreateEx(0, cls, L"HTMLListCtrl", style, rect, parent, id))
        return FALSE;
    m_nControlID = id;
    CRect client;
    GetClientRect(&client);
    m_nWndHeight = client.Height();
    m_nWndWidth = client.Width();
    SetScrollWndInfo(TRUE, 0);
    m_edit.Create(WS_CHILD | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL, CRect(0, 0, 0, 0), this, kEditId);
    m_edit.SetFont(&m_font);
    if (!m_imgInternal.GetSafeHandle()) {
        HBITMAP strip = LWLoadSkinBitmap(IDB_LW_HTMLLIST, L"CHTMLListCtrl::Create");
        if (strip && m_imgInternal.Create(17, 17, ILC_COLOR24 | ILC_MASK, 9, 1))
            ImageList_AddMasked(m_imgInternal.GetSafeHandle(), strip, RGB(255, 0, 255));
        if (strip)
            ::DeleteObject(strip);
    }
    return TRUE;
}

// ---- items ----

HTMLLIST_ITEM* CHTMLListCtrl::GetInternalData(int index)
{
    HTMLLIST_ITEM* item = nullptr;
    return m_mapItems.Lookup(index, item) ? item : nullptr;
}

void CHTMLListCtrl::SetInternalData(int index, HTMLLIST_ITEM* item)
{
    m_mapItems.SetAt(index, item);
}

int CHTMLListCtrl::TextLeft(const HTMLLIST_ITEM* item)
{
    int left = (m_dwExtendedStyles & HTMLLIST_STYLE_CHECKBOX) ? 30 : 5;
    if ((m_dwExtendedStyles & HTMLLIST_STYLE_IMAGES) && m_pImageList && m_pImageList->GetSafeHandle() &&
        m_pImageList->GetImageCount() > 0) {
        IMAGEINFO info = {};
        m_pImageList->GetImageInfo(item ? (int)item->uiImage : 0, &info);
        left += info.rcImage.right - info.rcImage.left + 10;
    }
    return left;
}

int CHTMLListCtrl::CalculateItemHeight(const CString& text, int kind, UINT image, int width)
{
    CDC screen;
    screen.CreateCompatibleDC(nullptr);
    CFont* old = screen.SelectObject(&m_font);
    const int height = MeasureItem(&screen, text, kind, image, width);
    screen.SelectObject(old);
    return height;
}

int CHTMLListCtrl::MeasureItem(CDC* dc, const CString& text, int kind, UINT image, int width)
{
    HTMLLIST_ITEM probe;
    probe.uiImage = image;
    if (m_pImageList && m_pImageList->GetSafeHandle() && (int)image >= m_pImageList->GetImageCount())
        probe.uiImage = 0;
    const int textWidth = std::max(1, width - TextLeft(&probe));
    CRect r(0, 0, textWidth, 0);
    switch (kind) {
    case NORMAL_TEXT:
        dc->DrawText(text, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        return r.Height() + 8;
    case SINGLE_LINE_TEXT:
        return dc->GetTextExtent(L"+y", 2).cy + 8;
    case HTML_TEXT:
        DrawHTML(dc, text, &r, DT_CALCRECT | DT_WORDBREAK, FALSE);
        return r.Height() + 8;
    default:
        return 0;
    }
}

int CHTMLListCtrl::InsertItem(CString text, UINT image, int kind, int height)
{
    HTMLLIST_ITEM* item = new HTMLLIST_ITEM;
    item->nItemNo = m_nListItems;
    item->sItemText = text;
    item->nStyle = kind;
    item->uiImage = image;
    if (height == HTMLLIST_MEASURE) {
        item->nHeight = CalculateItemHeight(text, kind, image, m_nWndWidth);
    } else {
        item->nHeight = std::max(0, height);
        item->bHeightSpecified = 1;
    }
    m_listItems.AddTail(item);
    SetInternalData(item->nItemNo, item);
    ++m_nListItems;
    m_nTotalHeight += item->nHeight;
    SetScrollWndInfo(FALSE, -1);
    return item->nItemNo;
}

BOOL CHTMLListCtrl::DeleteItem(int index)
{
    HTMLLIST_ITEM* item = GetInternalData(index);
    if (!item)
        return FALSE;
    if (POSITION pos = m_listItems.Find(item))
        m_listItems.RemoveAt(pos);
    m_mapItems.RemoveKey(index);
    if (m_nSelectedItem == index)
        m_nSelectedItem = -1;
    else if (m_nSelectedItem > index)
        --m_nSelectedItem;
    if (m_nEditItem == index)
        m_nEditItem = -1;
    else if (m_nEditItem > index)
        --m_nEditItem;
    m_nDeleteShown = -1;
    m_nTotalHeight -= item->nHeight;
    --m_nListItems;
    delete item;
    ReArrangeItems();
    SetScrollWndInfo(FALSE, 0);
    if (::IsWindow(m_hWnd))
        Invalidate(FALSE);
    return TRUE;
}

void CHTMLListCtrl::DeleteAllItems()
{
    for (POSITION pos = m_listItems.GetHeadPosition(); pos;)
        delete (HTMLLIST_ITEM*)m_listItems.GetNext(pos);
    m_listItems.RemoveAll();
    m_mapItems.RemoveAll();
    m_nListItems = 0;
    m_nTotalHeight = 0;
    m_nSelectedItem = -1;
    m_nEditItem = -1;
    m_nDeleteShown = -1;
    if (::IsWindow(m_hWnd)) {
        SetScrollWndInfo(TRUE, 0);
        Invalidate(FALSE);
    }
}

void CHTMLListCtrl::ReArrangeItems()
{
    m_mapItems.RemoveAll();
    int n = 0;
    for (POSITION pos = m_listItems.GetHeadPosition(); pos;) {
        HTMLLIST_ITEM* item = (HTMLLIST_ITEM*)m_listItems.GetNext(pos);
        item->nItemNo = n;
        SetInternalData(n, item);
        ++n;
    }
    m_nListItems = n;
}

void CHTMLListCtrl::ReArrangeWholeLayout(int width)
{
    if (width == -1)
        width = m_nWndWidth;
    // one DC with the list's font for the whole pass
    CDC screen;
    screen.CreateCompatibleDC(nullptr);
    CFont* old = screen.SelectObject(&m_font);
    m_nTotalHeight = 0;
    m_nListItems = 0;
    for (POSITION pos = m_listItems.GetHeadPosition(); pos;) {
        HTMLLIST_ITEM* item = (HTMLLIST_ITEM*)m_listItems.GetNext(pos);
        if (!item->bHeightSpecified)
            item->nHeight = MeasureItem(&screen, item->sItemText, item->nStyle, item->uiImage, width);
        m_nTotalHeight += item->nHeight;
        ++m_nListItems;
    }
    screen.SelectObject(old);
}

CString CHTMLListCtrl::GetItemText(int index)
{
    HTMLLIST_ITEM* item = GetInternalData(index);
    return item ? item->sItemText : CString();
}

void CHTMLListCtrl::SetItemText(int index, CString text, int remeasure)
{
    HTMLLIST_ITEM* item = GetInternalData(index);
    if (!item)
        return;
    item->sItemText = text;
    if (remeasure) {
        item->bHeightSpecified = 0;
        ReArrangeWholeLayout();
        SetScrollWndInfo(FALSE, -1);
        if (::IsWindow(m_hWnd))
            Invalidate(FALSE);
    } else if (::IsWindow(m_hWnd)) {
        InvalidateRect(&item->rcItem, FALSE);
    }
}

long CHTMLListCtrl::GetItemData(int index)
{
    HTMLLIST_ITEM* item = GetInternalData(index);
    return item ? item->lItemData : 0;
}

void CHTMLListCtrl::SetItemData(int index, long data)
{
    if (HTMLLIST_ITEM* item = GetInternalData(index))
        item->lItemData = data;
}

BOOL CHTMLListCtrl::GetItemCheck(int index)
{
    HTMLLIST_ITEM* item = GetInternalData(index);
    return item ? item->bChecked : FALSE;
}

void CHTMLListCtrl::SetItemCheck(int index, int checked)
{
    HTMLLIST_ITEM* item = GetInternalData(index);
    if (!item)
        return;
    item->bChecked = checked;
    if (::IsWindow(m_hWnd))
        InvalidateRect(&item->rcItem, FALSE);
}

UINT CHTMLListCtrl::GetImage(int index)
{
    HTMLLIST_ITEM* item = GetInternalData(index);
    return item ? item->uiImage : 0;
}

void CHTMLListCtrl::SetImage(int index, UINT image)
{
    HTMLLIST_ITEM* item = GetInternalData(index);
    if (!item)
        return;
    item->uiImage = image;
    if (::IsWindow(m_hWnd))
        InvalidateRect(&item->rcItem, FALSE);
}

void CHTMLListCtrl::SetSelectedItem(int index)
{
    if (index > m_nListItems)
        index = m_nListItems - 1;
    if (index < 0)
        index = 0;
    m_nSelectedItem = index;
}

void CHTMLListCtrl::SetExtendedStyle(DWORD style)
{
    m_dwExtendedStyles = style;
    ReArrangeWholeLayout();
    SetScrollWndInfo(FALSE, 0);
    if (::IsWindow(m_hWnd))
        Invalidate(FALSE);
}

int CHTMLListCtrl::SetScrollWndInfo(int clear, int pos)
{
    if (!::IsWindow(m_hWnd))
        return 0;
    const int former = GetScrollPos(SB_VERT);
    SCROLLINFO info = {sizeof(info), SIF_RANGE | SIF_PAGE};
    info.nMin = 0;
    info.nMax = clear ? 0 : std::max(0, m_nTotalHeight - 1);
    info.nPage = clear ? 0 : (UINT)std::max(0, m_nWndHeight);
    if (pos != -1) {
        info.fMask |= SIF_POS;
        info.nPos = pos;
    }
    ::SetScrollInfo(m_hWnd, SB_VERT, &info, TRUE);
    return former;
}

void CHTMLListCtrl::SetScrollPosKeep(int pos)
{
    const int limit = std::max(0, m_nTotalHeight - m_nWndHeight);
    pos = std::max(0, std::min(pos, limit));
    SetScrollPos(SB_VERT, pos, TRUE);
}

void CHTMLListCtrl::EnsureVisible(int index)
{
    HTMLLIST_ITEM* target = GetInternalData(index);
    if (!target || !::IsWindow(m_hWnd))
        return;
    int top = 0;
    for (POSITION pos = m_listItems.GetHeadPosition(); pos;) {
        HTMLLIST_ITEM* item = (HTMLLIST_ITEM*)m_listItems.GetNext(pos);
        if (item == target)
            break;
        top += item->nHeight;
    }
    const int scroll = GetScrollPos(SB_VERT);
    int wanted = scroll;
    if (top < scroll)
        wanted = top;
    else if (top + target->nHeight > scroll + m_nWndHeight)
        wanted = top + target->nHeight - m_nWndHeight;
    if (wanted != scroll) {
        SetScrollPosKeep(wanted);
        Invalidate(FALSE);
    }
}

int CHTMLListCtrl::BeginEdit(int index)
{
    HTMLLIST_ITEM* item = GetInternalData(index);
    if (!item || !::IsWindow(m_edit.m_hWnd))
        return 0;
    m_nEditItem = index;
    m_edit.SetWindowText(item->sItemText);
    const CRect r(item->rcItem);
    m_edit.MoveWindow(r.left + 2, r.top + 1, r.Width() - 3, r.Height() - 3);
    m_edit.ShowWindow(SW_SHOW);
    m_edit.SetFocus();
    const int end = m_edit.GetWindowTextLength();
    m_edit.SetSel(end, end);
    return 1;
}

void CHTMLListCtrl::StopEdit(int)
{
    if (!::IsWindow(m_edit.m_hWnd) || !(m_edit.GetStyle() & WS_VISIBLE))
        return;
    m_edit.ShowWindow(SW_HIDE);
    // The edited item, which the selection may have left meanwhile.
    const int index = m_nEditItem;
    m_nEditItem = -1;
    if (HTMLLIST_ITEM* item = GetInternalData(index)) {
        CString text;
        m_edit.GetWindowText(text);
        Notify(HTMLLIST_ENDITEMEDIT, index, item, &text);
    }
    if (::IsWindow(m_hWnd))
        Invalidate(FALSE);
}

void CHTMLListCtrl::ResizeWindow(int x, int y, int cx, int cy)
{
    if (!::IsWindow(m_hWnd))
        return;
    const int former = GetScrollPos(SB_VERT);
    m_nLastWidth = cx;
    m_nLastHeight = cy;
    ReArrangeWholeLayout(cx);
    SetScrollWndInfo(TRUE, 0);
    if (m_nTotalHeight <= cy) {
        MoveWindow(x, y, cx, m_nTotalHeight);
        return;
    }
    MoveWindow(x, y, cx, cy);
    const int width = cx - ::GetSystemMetrics(SM_CXVSCROLL);
    ReArrangeWholeLayout(width);
    m_nWndWidth = width;
    SetScrollWndInfo(FALSE, former);
}

BOOL CHTMLListCtrl::IsRectVisible(CRect a, CRect b)
{
    return a.top <= b.bottom && b.top <= a.bottom;
}

// ---- notifications ----

void CHTMLListCtrl::Notify(int code, int index, const HTMLLIST_ITEM* item, const CString* text)
{
    HWND parent = ::IsWindow(m_hWnd) ? ::GetParent(m_hWnd) : nullptr;
    if (!parent)
        return;
    NM_HTMLLISTCTRL nm;
    nm.hdr = {m_hWnd, m_nControlID, (UINT)code};
    nm.nItemNo = index;
    if (item) {
        nm.sItemText = text ? *text : item->sItemText;
        nm.lItemData = item->lItemData;
        nm.bChecked = item->bChecked;
    }
    ::SendMessageW(parent, WM_NOTIFY, m_nControlID, (LPARAM)&nm);
}

void CHTMLListCtrl::SendSelectionChangeNotification(int index)
{
    if (HTMLLIST_ITEM* item = GetInternalData(index))
        Notify(HTMLLIST_SELECTIONCHANGED, index, item);
}

void CHTMLListCtrl::SendCheckStateChangedNotification(int index)
{
    if (HTMLLIST_ITEM* item = GetInternalData(index))
        Notify(HTMLLIST_ITEMCHECKED, index, item);
}

void CHTMLListCtrl::SendDeleteNotification(int index, int before)
{
    HTMLLIST_ITEM* item = GetInternalData(index);
    if (item && before)
        Notify(HTMLLIST_ITEMDELETING, index, item);
    else
        Notify(HTMLLIST_ITEMDELETED, index, nullptr);
}

// ---- painting ----

void CHTMLListCtrl::OnPaint()
{
    CPaintDC paint(this);
    CRect client;
    GetClientRect(&client);
    LWOffScreen image(&paint, client.Width(), client.Height());
    if (!image.ok())
        return;
    CDC& mem = *image.dc();
    mem.FillSolidRect(&client, RGB(255, 255, 255));
    CFont* oldFont = mem.SelectObject(&m_font);
    int y = client.top - GetScrollPos(SB_VERT);
    for (POSITION pos = m_listItems.GetHeadPosition(); pos;) {
        HTMLLIST_ITEM* item = (HTMLLIST_ITEM*)m_listItems.GetNext(pos);
        CRect r(client.left, y, client.right, y + item->nHeight);
        item->rcItem = r;
        if (item->nHeight > 0)
            DrawItem(&mem, r, item, item->nItemNo == m_nSelectedItem);
        y += item->nHeight;
    }
    paint.BitBlt(0, 0, client.Width(), client.Height(), &mem, 0, 0, SRCCOPY);
    mem.SelectObject(oldFont);
}

BOOL CHTMLListCtrl::OnEraseBkgnd(CDC*)
{
    return TRUE;  // WM_PAINT covers every pixel; invalidating here would paint forever
}

void CHTMLListCtrl::DrawItem(CDC* dc, CRect rect, HTMLLIST_ITEM* item, BOOL selected)
{
    if (!dc || !item)
        return;
    CRect clip;
    dc->GetClipBox(&clip);
    if (!IsRectVisible(rect, clip))
        return;
    dc->FillSolidRect(&rect, selected ? m_clrSelected : RGB(255, 255, 255));
    if (m_dwExtendedStyles & HTMLLIST_STYLE_GRIDLINES) {
        CPen* old = dc->SelectObject(&m_penGrey);
        dc->MoveTo(rect.left, rect.top);
        dc->LineTo(rect.left, rect.bottom - 1);
        dc->LineTo(rect.right, rect.bottom - 1);
        dc->SelectObject(old);
    }
    int left = rect.left;
    const int middle = rect.top + rect.Height() / 2;
    const bool checks = (m_dwExtendedStyles & HTMLLIST_STYLE_CHECKBOX) != 0;
    if (checks) {
        if (m_imgInternal.GetSafeHandle())
            m_imgInternal.Draw(dc, item->bChecked ? 1 : 0, CPoint(rect.left + 9, middle - 9), ILD_TRANSPARENT);
        left += 25;
    }
    int imageWidth = 0;
    if ((m_dwExtendedStyles & HTMLLIST_STYLE_IMAGES) && m_pImageList && m_pImageList->GetSafeHandle() &&
        m_pImageList->GetImageCount() > 0) {
        IMAGEINFO info = {};
        m_pImageList->GetImageInfo(0, &info);
        const int h = info.rcImage.bottom - info.rcImage.top;
        imageWidth = info.rcImage.right - info.rcImage.left;
        if ((int)item->uiImage < m_pImageList->GetImageCount())
            m_pImageList->Draw(dc, (int)item->uiImage, CPoint(left + 5, middle - h / 2), ILD_TRANSPARENT);
    }
    const int textLeft = rect.left + TextLeft(item);
    CRect text(textLeft, rect.top + (item->bHeightSpecified ? 0 : 4), rect.right, rect.bottom);
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(RGB(0, 0, 0));
    CFont* oldFont = dc->SelectObject(item->bChecked ? &m_fontStrike : &m_font);
    switch (item->nStyle) {
    case NORMAL_TEXT:
        dc->DrawText(item->sItemText, &text, DT_WORDBREAK | DT_NOPREFIX);
        break;
    case HTML_TEXT:
        dc->SelectObject(&m_font);
        DrawHTML(dc, item->sItemText, &text, DT_WORDBREAK, item->bChecked);
        break;
    case SINGLE_LINE_TEXT: {
        int x = rect.left + 14 + (checks ? 16 : 0) + (imageWidth ? imageWidth + 10 : 0);
        wchar_t buffer[260] = {};
        lstrcpynW(buffer, item->sItemText, 260);  // at most 259 characters
        CRect line(x, rect.top, rect.right, rect.bottom);
        ::PathCompactPathW(dc->GetSafeHdc(), buffer, (UINT)std::max(0, (int)line.Width()));
        dc->DrawText(buffer, -1, &line, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        break;
    }
    default:
        break;
    }
    dc->SelectObject(oldFont);
    if (m_bHasFocus && selected)
        dc->DrawFocusRect(&rect);
}

void CHTMLListCtrl::ShowDeleteButton(int index)
{
    HTMLLIST_ITEM* item = GetInternalData(index);
    if (!item || !m_imgInternal.GetSafeHandle())
        return;
    CClientDC dc(this);
    CRect square(item->rcItem.right - 19, item->rcItem.top + 3, item->rcItem.right - 2, item->rcItem.top + 20);
    dc.FillSolidRect(&square, item->nItemNo == m_nSelectedItem ? m_clrSelected : RGB(255, 255, 255));
    m_imgInternal.Draw(&dc, kImageDelete, square.TopLeft(), ILD_TRANSPARENT);
}

// ---- mouse, keys, scrolling ----

int CHTMLListCtrl::ItemAtPoint(CPoint pt)
{
    for (POSITION pos = m_listItems.GetHeadPosition(); pos;) {
        HTMLLIST_ITEM* item = (HTMLLIST_ITEM*)m_listItems.GetNext(pos);
        if (item->nHeight > 0 && CRect(item->rcItem).PtInRect(pt))
            return item->nItemNo;
    }
    return -1;
}

void CHTMLListCtrl::OnLButtonDown(UINT, CPoint point)
{
    Default();
    CRect client;
    GetClientRect(&client);
    const int under = ItemAtPoint(point);
    if (under >= 0 && point.x >= client.right - kDeleteStrip) {
        SendDeleteNotification(under, TRUE);
        DeleteItem(under);
        SendDeleteNotification(under, FALSE);
        return;
    }
    SetFocus();
    Notify(HTMLLIST_LBUTTONDOWN, -1, nullptr);
    m_nSelectedItem = -1;
    if (under >= 0) {
        HTMLLIST_ITEM* item = GetInternalData(under);
        if (item && (m_dwExtendedStyles & HTMLLIST_STYLE_CHECKBOX)) {
            const int middle = item->rcItem.top + (item->rcItem.bottom - item->rcItem.top) / 2;
            CRect box(item->rcItem.left + 9, middle - 8, item->rcItem.left + 25, middle + 8);
            if (box.PtInRect(point)) {
                item->bChecked = !item->bChecked;
                SendCheckStateChangedNotification(under);
            }
        }
        m_nSelectedItem = under;
        SendSelectionChangeNotification(under);
    } else {
        Notify(HTMLLIST_SELECTIONCHANGED, -1, nullptr);
    }
    if (::IsWindow(m_hWnd))
        Invalidate(FALSE);
}

void CHTMLListCtrl::OnLButtonDblClk(UINT, CPoint point)
{
    const int under = ItemAtPoint(point);
    Notify(HTMLLIST_LBUTTONDBLCLICK, under, GetInternalData(under));
    if (::IsWindow(m_hWnd))
        Default();
}

void CHTMLListCtrl::OnRButtonDown(UINT, CPoint)
{
    Notify(HTMLLIST_RBUTTONDOWN, -1, nullptr);
    if (::IsWindow(m_hWnd))
        Default();
}

void CHTMLListCtrl::OnMouseMove(UINT, CPoint point)
{
    CRect client;
    GetClientRect(&client);
    const int under = ItemAtPoint(point);
    const int shown = (under >= 0 && point.x >= client.right - kDeleteStrip) ? under : -1;
    if (shown == m_nDeleteShown)
        return;
    m_nDeleteShown = shown;
    Invalidate(FALSE);
    UpdateWindow();
    if (shown >= 0)
        ShowDeleteButton(shown);
}

void CHTMLListCtrl::OnKeyDown(UINT key, UINT, UINT)
{
    switch (key) {
    case VK_UP:
    case VK_DOWN:
        if (m_nListItems > 0) {
            if (m_nSelectedItem < 0)
                m_nSelectedItem = key == VK_UP ? 0 : m_nListItems - 1;
            else if (key == VK_UP)
                m_nSelectedItem = std::max(0, m_nSelectedItem - 1);
            else
                m_nSelectedItem = std::min(m_nListItems - 1, m_nSelectedItem + 1);
            EnsureVisible(m_nSelectedItem);
            Invalidate(FALSE);
            SendSelectionChangeNotification(m_nSelectedItem);
        }
        break;
    case VK_DELETE:
        // Nothing is selected: nothing to delete and nothing to tell.
        if (m_nSelectedItem >= 0 && m_nSelectedItem < m_nListItems) {
            const int index = m_nSelectedItem;
            SendDeleteNotification(index, TRUE);
            DeleteItem(index);
            m_nSelectedItem = std::max(0, std::min(index, m_nListItems));
            EnsureVisible(m_nSelectedItem);
            SendSelectionChangeNotification(m_nSelectedItem);
            SendDeleteNotification(index, FALSE);
        }
        break;
    case VK_SPACE:
        if ((m_dwExtendedStyles & HTMLLIST_STYLE_CHECKBOX) && GetInternalData(m_nSelectedItem)) {
            HTMLLIST_ITEM* item = GetInternalData(m_nSelectedItem);
            item->bChecked = !item->bChecked;
            InvalidateRect(&item->rcItem, FALSE);
            SendCheckStateChangedNotification(m_nSelectedItem);
        }
        break;
    default:
        break;
    }
    if (::IsWindow(m_hWnd))
        Default();
}

UINT CHTMLListCtrl::OnGetDlgCode()
{
    return DLGC_WANTARROWS | DLGC_WANTCHARS;
}

BOOL CHTMLListCtrl::OnSetCursor(CWnd*, UINT, UINT)
{
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    return TRUE;
}

void CHTMLListCtrl::OnSetFocus(CWnd*)
{
    m_bHasFocus = TRUE;
    Invalidate(FALSE);
}

void CHTMLListCtrl::OnKillFocus(CWnd*)
{
    m_bHasFocus = FALSE;
    Invalidate(FALSE);
}

void CHTMLListCtrl::OnVScroll(UINT code, UINT, CScrollBar*)
{
    SCROLLINFO info = {sizeof(info), SIF_ALL};
    ::GetScrollInfo(m_hWnd, SB_VERT, &info);
    int pos = info.nPos;
    switch (code) {
    case SB_LINEUP: pos -= kLineStep; break;
    case SB_LINEDOWN: pos += kLineStep; break;
    case SB_PAGEUP: pos -= kLineStep; break;
    case SB_PAGEDOWN: pos += kLineStep; break;
    case SB_THUMBTRACK:
        SetScrollPos(SB_VERT, info.nTrackPos, FALSE);  // follows without redrawing
        return;
    case SB_THUMBPOSITION: pos = info.nTrackPos; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = info.nMax; break;
    default: return;
    }
    SetScrollPosKeep(pos);
    Invalidate(FALSE);
}

BOOL CHTMLListCtrl::OnMouseWheel(UINT, short delta, CPoint)
{
    const int pos = GetScrollPos(SB_VERT);
    SetScrollPosKeep(delta < 0 ? pos + kWheelStep : pos - kWheelStep);
    Invalidate(FALSE);
    return TRUE;
}

void CHTMLListCtrl::OnSize(UINT, int cx, int cy)
{
    m_nWndHeight = cy;
    m_nWndWidth = cx;
    ReArrangeWholeLayout();
    SetScrollWndInfo(FALSE, -1);
    Invalidate(FALSE);
}

BOOL CHTMLListCtrl::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    const NMHDR* nm = (const NMHDR*)lParam;
    if (nm && nm->hwndFrom == m_edit.m_hWnd) {
        // Enter or leaving the editor ends the edit; its focus notices stay here.
        if (nm->code == LWEN_ENTER || nm->code == LWEN_KILLFOCUS)
            StopEdit();
        *result = 0;
        return TRUE;
    }
    return CWnd::OnNotify(wParam, lParam, result);
}

void CHTMLListCtrl::OnDestroy()
{
    DeleteAllItems();
    CWnd::OnDestroy();
}
