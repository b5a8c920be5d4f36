#include "LWToolBar.h"
#include "LWSkinPaint.h"
#include <algorithm>

IMPLEMENT_DYNAMIC(LWToolBar, CToolBar)

BEGIN_MESSAGE_MAP(LWToolBar, CToolBar)
    ON_NOTIFY_REFLECT(TBN_DROPDOWN, OnTbnDropDown)
    ON_WM_MOUSEACTIVATE()
    ON_WM_ERASEBKGND()
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

LWToolBar::LWToolBar() : m_clrBackground(0xFFC3A5), m_bGripper(1), m_pDropDownButtons(nullptr)
{
}

LWToolBar::~LWToolBar()
{
    while (m_pDropDownButtons) {
        LW_DROPDOWNBUTTON* next = m_pDropDownButtons->next;
        delete m_pDropDownButtons;
        m_pDropDownButtons = next;
    }
}

LW_DROPDOWNBUTTON* LWToolBar::FindDropDownButton(UINT id)
{
    for (LW_DROPDOWNBUTTON* p = m_pDropDownButtons; p; p = p->next)
        if (p->id == id)
            return p;
    return nullptr;
}

int LWToolBar::AddDropDownButton(UINT id, UINT menuId, UINT subMenuIndex, BOOL arrows)
{
    LW_DROPDOWNBUTTON* record = FindDropDownButton(id);
    if (!record) {
        record = new LW_DROPDOWNBUTTON{id, 0, 0, m_pDropDownButtons};
        m_pDropDownButtons = record;
    }
    record->menuId = menuId;
    record->subMenuIndex = subMenuIndex;
    if (::IsWindow(m_hWnd)) {
        int index = CommandToIndex(id);
        if (index >= 0)
            SetButtonStyle(index, GetButtonStyle(index) | TBSTYLE_DROPDOWN);
        if (arrows)
            SetExtendedStyle(TBSTYLE_EX_DRAWDDARROWS);
    }
    return 1;
}

DWORD LWToolBar::SetExtendedStyle(DWORD style)
{
    return (DWORD)SendMessage(TB_SETEXTENDEDSTYLE, 0, (LPARAM)style);
}

BOOL LWToolBar::GetRect(UINT id, RECT& rect)
{
    return (BOOL)SendMessage(TB_GETRECT, id, (LPARAM)&rect);
}

void LWToolBar::OnDropDownButton(const NMTOOLBARW& nm, UINT, CRect rect)
{
    LW_DROPDOWNBUTTON* record = FindDropDownButton((UINT)nm.iItem);
    if (!record || !record->menuId)
        return;
    HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCE(record->menuId), RT_MENU);
    HMENU menu = module ? ::LoadMenuW(module, MAKEINTRESOURCE(record->menuId)) : nullptr;
    if (!menu) {
        TRACE(L"LWToolBar: no menu resource %u\n", record->menuId);
        return;
    }
    HMENU popup = ::GetSubMenu(menu, (int)record->subMenuIndex);
    if (popup) {
        HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
        if (!owner)
            owner = ::GetParent(m_hWnd);
        TPMPARAMS params = {sizeof(params), rect};
        ::TrackPopupMenuEx(popup, TPM_VERTICAL, rect.left, rect.bottom, owner, &params);
    }
    ::DestroyMenu(menu);
}

void LWToolBar::OnTbnDropDown(NMHDR* hdr, LRESULT* result)
{
    const NMTOOLBARW* nm = (const NMTOOLBARW*)hdr;
    CRect rect;
    int index = CommandToIndex((UINT)nm->iItem);
    if (IsKindOf(RUNTIME_CLASS(LWToolBar2)))
        static_cast<LWToolBar2*>(this)->GetItemRect(index, &rect);
    else
        CToolBar::GetItemRect(index, &rect);
    ClientToScreen(&rect);
    OnDropDownButton(*nm, (UINT)nm->iItem, rect);
    if (result)
        *result = TBDDRET_DEFAULT;
}

int LWToolBar::OnMouseActivate(CWnd*, UINT, UINT)
{
    return MA_NOACTIVATE;
}

BOOL LWToolBar::OnEraseBkgnd(CDC* dc)
{
    if (!dc)
        return TRUE;
    CRect rect;
    GetClientRect(&rect);
    rect.bottom += 3;
    dc->FillSolidRect(&rect, m_clrBackground);
    return TRUE;
}

HBRUSH LWToolBar::CtlColor(CDC*, UINT)
{
    return nullptr;
}

void LWToolBar::DrawBorders(CDC* dc, CRect& rect)
{
    CToolBar::DrawBorders(dc, rect);
}

void LWToolBar::DrawGripper(CDC* dc, const CRect& rect)
{
    if (!m_bGripper || !(m_dwStyle & (CBRS_GRIPPER | CBRS_FLOATING)) || !dc)
        return;
    const COLORREF grey = RGB(128, 128, 128);
    if (m_dwStyle & CBRS_ORIENT_HORZ) {
        // a column of 3-pixel dashes near the left edge
        int count = (rect.Height() - m_cyTopBorder - m_cyBottomBorder - 7) / 2;
        for (int i = 0; i < count; i += 2)
            dc->FillSolidRect(rect.left + 3, rect.top + m_cyTopBorder + 3 + i * 2, 3, 1, grey);
    } else {
        int count = (rect.Width() - m_cxLeftBorder - m_cxRightBorder - 7) / 2;
        for (int i = 0; i < count; i += 2)
            dc->FillSolidRect(rect.left + m_cxLeftBorder + 3 + i * 2, rect.top + 3, 1, 4, grey);
    }
}

// ---------------------------------------------------------------------------------------------
// LWToolBar2

IMPLEMENT_DYNAMIC(LWToolBar2, LWToolBar)

BEGIN_MESSAGE_MAP(LWToolBar2, LWToolBar)
    ON_WM_ERASEBKGND()
    ON_WM_PAINT()
    ON_WM_NCPAINT()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_NCMOUSEMOVE()
END_MESSAGE_MAP()

namespace {

const UINT kPressedBit = 0x20000;  // TBSTATE_PRESSED in the state word
const UINT kHotBit = 0x800000;     // the hot look, kept in the state word
const int kMaxButtons = 4096;      // records are grown on demand up to this many

// One off-screen image for every bar: as wide and as tall as the largest bar painted so far.
struct OffScreen {
    CDC dc;
    CBitmap bitmap;
    CBitmap* old = nullptr;
    CSize size = CSize(0, 0);

    CDC* Get(CDC* like, int width, int height)
    {
        width = std::max(width, 2048);
        if (dc.GetSafeHdc() && width <= size.cx && height <= size.cy)
            return &dc;
        width = std::max(width, (int)size.cx);
        height = std::max(height, (int)size.cy);
        Release();
        if (!dc.CreateCompatibleDC(like))
            return nullptr;
        if (!bitmap.CreateCompatibleBitmap(like, width, height)) {
            dc.DeleteDC();
            return nullptr;
        }
        old = dc.SelectObject(&bitmap);
        size = CSize(width, height);
        return &dc;
    }
    void Release()
    {
        if (dc.GetSafeHdc()) {
            dc.SelectObject(old);
            dc.DeleteDC();
        }
        bitmap.DeleteObject();
        old = nullptr;
        size = CSize(0, 0);
    }
    ~OffScreen() { Release(); }
};

OffScreen& SharedOffScreen()
{
    static OffScreen image;
    return image;
}

const int kInitialRects[9][2] = {{0, 60}, {70, 180}, {190, 640}, {650, 740}, {750, 820},
                                 {830, 890}, {900, 930}, {940, 970}, {980, 1030}};

} // namespace

LWToolBar2::LWToolBar2()
    : m_buttons(20), m_nTextButtons(0), m_nPressed(-1), m_nHot(-1), m_clrSeparatorTopLeft(RGB(160, 160, 160)),
      m_clrSeparatorBottomRight(RGB(255, 255, 255))
{
    for (auto& b : m_buttons) {
        b.rect = RECT{0, 0, 0, 0};
        std::fill(std::begin(b.reserved), std::end(b.reserved), 0);
        b.noImage = 0;
    }
    for (int i = 0; i < 9; ++i)
        m_buttons[i].rect = RECT{kInitialRects[i][0], 3, kInitialRects[i][1], 25};
    m_font.CreateFont(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, 204, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                      CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Verdana");
    HBITMAP strip = ::LoadBitmapW(LWModuleHandle(), MAKEINTRESOURCE(IDB_LW_TOOLBAR_STATES));
    if (strip) {
        CBitmap bitmap;
        bitmap.Attach(strip);
        BITMAP bm = {};
        bitmap.GetBitmap(&bm);
        if (m_imgStates.Create(8, bm.bmHeight, ILC_COLOR24 | ILC_MASK, 6, 0))
            m_imgStates.Add(&bitmap, RGB(255, 0, 0));
    } else {
        TRACE(L"LWToolBar2: the library's state strip is missing\n");
    }
}

LWToolBar2::~LWToolBar2() = default;

LWToolBar2_BtnInfo& LWToolBar2::Record(int index)
{
    if (index >= (int)m_buttons.size()) {
        LWToolBar2_BtnInfo blank;
        blank.rect = RECT{0, 0, 0, 0};
        std::fill(std::begin(blank.reserved), std::end(blank.reserved), 0);
        blank.noImage = 0;
        m_buttons.resize(index + 1, blank);
    }
    return m_buttons[index];
}

const LWToolBar2_BtnInfo* LWToolBar2::GetButtonInfoRecord(int index) const
{
    return index >= 0 && index < (int)m_buttons.size() ? &m_buttons[index] : nullptr;
}

void LWToolBar2::GetItemRect(int index, RECT* rect) const
{
    if (!rect)
        return;
    const LWToolBar2_BtnInfo* record = GetButtonInfoRecord(index);
    *rect = record ? record->rect : RECT{0, 0, 0, 0};
}

void LWToolBar2::SetItemRect(int index, RECT* rect)
{
    if (index < 0 || index >= kMaxButtons || !rect) {
        TRACE(L"LWToolBar2::SetItemRect: no button %d\n", index);
        return;
    }
    Record(index).rect = *rect;
}

int LWToolBar2::GetItemCount()
{
    return ::IsWindow(m_hWnd) ? GetCount() : 0;
}

TBBUTTON* LWToolBar2::InsertButtonSubitem(int, CString text)
{
    TBBUTTON* button = new TBBUTTON();
    size_t length = (size_t)text.GetLength() + 1;
    wchar_t* copy = new wchar_t[length];
    memcpy(copy, (LPCTSTR)text, length * sizeof(wchar_t));
    button->iString = (INT_PTR)copy;
    return button;
}

void LWToolBar2::SetButtonText(const wchar_t* text, int index)
{
    if (index < 0 || index >= kMaxButtons) {
        TRACE(L"LWToolBar2::SetButtonText: no button %d\n", index);
        return;
    }
    Record(index).text = text ? text : L"";
}

void LWToolBar2::SetNumButtons(int count)
{
    m_nTextButtons = count;
}

void LWToolBar2::RecalcButtons()
{
    static const int widths[8] = {60, 110, 500, 90, 70, 60, 30, 30};
    CClientDC dc(this);
    CFont* old = dc.SelectObject(&m_font);
    int x = 0;
    for (int i = 0; i < 8; ++i) {
        LWToolBar2_BtnInfo& record = Record(i);
        CRect measured(0, 0, 0, 0);
        if (!record.text.IsEmpty())
            dc.DrawText(record.text, &measured, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
        int width;
        if (widths[i] >= 301)
            width = widths[i];
        else
            width = (record.text.IsEmpty() ? 30 : 35) + measured.Width();
        if (::IsWindow(m_hWnd) && i < GetCount() && (LOWORD(GetButtonStyle(i)) & TBSTYLE_DROPDOWN))
            width += 12;
        record.rect = RECT{x, 3, x + width, 25};
        x += width + 10;
    }
    dc.SelectObject(old);
}

void LWToolBar2::DrawBorders(CDC*, CRect&)
{
}

void LWToolBar2::DrawGripper(CDC*, const CRect&)
{
}

void LWToolBar2::OnUpdateCmdUI(CFrameWnd*, BOOL)
{
}

void LWToolBar2::OnDropDownButton(const NMTOOLBARW& nm, UINT id, CRect rect)
{
    LWToolBar::OnDropDownButton(nm, id, rect);
}

bool LWToolBar2::HasChildWithId(UINT id)
{
    return id && ::GetDlgItem(m_hWnd, (int)id) != nullptr;
}

int LWToolBar2::HitTestButton(CPoint point)
{
    int count = GetItemCount();
    for (int i = 0; i < count && i < (int)m_buttons.size(); ++i) {
        UINT style = GetButtonStyle(i);
        if ((LOWORD(style) & TBSTYLE_SEP) || (HIWORD(style) & TBSTATE_HIDDEN))
            continue;
        if (::PtInRect(&m_buttons[i].rect, point))
            return i;
    }
    return -1;
}

void LWToolBar2::SetStateBit(int index, UINT bit, bool on)
{
    if (index < 0 || index >= GetItemCount())
        return;
    UINT style = GetButtonStyle(index);
    UINT changed = on ? (style | bit) : (style & ~bit);
    if (changed != style)
        SetButtonStyle(index, changed);
}

CWnd* LWToolBar2::HelperGetFrameWnd()
{
    CWnd* frame = GetParentFrame();
    if (!frame)
        frame = m_pDockSite;
    if (!frame)
        frame = AfxGetMainWnd();
    while (frame) {
        CWnd* outer = frame->GetParentFrame();
        if (!outer || outer == frame)
            break;
        frame = outer;
    }
    return frame;
}

void LWToolBar2::DrawSeparator(CDC* dc, int index, const CRect& rect)
{
    UINT id = GetItemID(index);
    if (HasChildWithId(id))
        return;
    const int thick = m_clrSeparatorTopLeft != m_clrSeparatorBottomRight ? 2 : 1;
    if ((m_dwStyle & CBRS_ORIENT_HORZ) || !(m_dwStyle & CBRS_ORIENT_ANY)) {
        int x = rect.left + (rect.Width() - thick) / 2;
        dc->Draw3dRect(x, rect.top + 3, thick, rect.Height() - 6, m_clrSeparatorTopLeft, m_clrSeparatorBottomRight);
    } else {
        CRect previous(0, 0, 0, 0);
        if (index > 0)
            GetItemRect(index - 1, &previous);
        CRect client;
        GetClientRect(&client);
        int y = (previous.bottom + rect.top) / 2;
        dc->Draw3dRect(client.left, y, client.Width(), thick, m_clrSeparatorTopLeft, m_clrSeparatorBottomRight);
    }
}

void LWToolBar2::DrawButtons(CDC* dc, int only)
{
    if (!dc || !::IsWindow(m_hWnd))
        return;
    const int count = GetItemCount();
    CImageList* images = GetImageList();
    IMAGEINFO info = {};
    int imageWidth = 0, imageHeight = 0;
    if (images && images->GetSafeHandle() && images->GetImageCount() > 0 && images->GetImageInfo(0, &info)) {
        imageWidth = info.rcImage.right - info.rcImage.left;
        imageHeight = info.rcImage.bottom - info.rcImage.top;
    }
    const bool caps = m_imgStates.GetSafeHandle() != nullptr;
    for (int i = 0; i < count; ++i) {
        if (only >= 0 && i != only)
            continue;
        UINT id = 0, style = 0;
        int image = 0;
        GetButtonInfo(i, id, style, image);
        if (HIWORD(style) & TBSTATE_HIDDEN)
            continue;
        CRect r(Record(i).rect);
        if (LOWORD(style) & TBSTYLE_SEP) {
            DrawSeparator(dc, i, r);
            continue;
        }
        const bool pressed = (style & kPressedBit) != 0, hot = (style & kHotBit) != 0;
        if (pressed)
            dc->FillSolidRect(r.left + 3, r.top, r.Width() - 6, r.Height(), RGB(255, 255, 255));
        if (pressed || hot) {
            dc->FillSolidRect(r.left + 5, r.top, r.Width() - 10, 1, RGB(192, 192, 192));
            dc->FillSolidRect(r.left + 5, r.bottom - 1, r.Width() - 10, 1, RGB(192, 192, 192));
            if (caps) {
                m_imgStates.Draw(dc, pressed ? 2 : 0, CPoint(r.left, r.top), ILD_TRANSPARENT);
                m_imgStates.Draw(dc, pressed ? 3 : 1, CPoint(r.right - 8, r.top), ILD_TRANSPARENT);
            }
        }
        if ((LOWORD(style) & TBSTYLE_DROPDOWN) && caps)
            m_imgStates.Draw(dc, pressed ? 5 : 4, CPoint(r.right - 14, r.top), ILD_TRANSPARENT);
        if (pressed)
            r.OffsetRect(1, 1);
        if (!Record(i).noImage && imageWidth > 0 && image >= 0 && image < images->GetImageCount())
            images->Draw(dc, image, CPoint(r.left + 6, r.top + (r.Height() - imageHeight) / 2), ILD_TRANSPARENT);
        if (i < m_nTextButtons && !Record(i).text.IsEmpty()) {
            CRect text(r.left + imageWidth + 9, r.top, r.right, r.bottom);
            CFont* old = dc->SelectObject(&m_font);
            dc->SetBkMode(TRANSPARENT);
            dc->SetTextColor(::GetSysColor(COLOR_BTNTEXT));
            dc->DrawText(Record(i).text, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
            dc->SelectObject(old);
        }
    }
}

void LWToolBar2::PaintBar(CDC* windowDC)
{
    CRect window;
    GetWindowRect(&window);
    const int width = window.Width(), height = window.Height();
    if (width <= 0 || height <= 0)
        return;
    CDC* image = SharedOffScreen().Get(windowDC, width, height);
    if (!image)
        return;
    // Where the client area starts inside the window.
    CPoint origin(0, 0);
    ClientToScreen(&origin);
    origin.x -= window.left;
    origin.y -= window.top;

    // Controls placed on the bar paint themselves: keep out of their buttons.
    int saved = windowDC->SaveDC();
    const int count = GetItemCount();
    for (int i = 0; i < count; ++i) {
        UINT id = GetItemID(i);
        if (HasChildWithId(id)) {
            CRect r(Record(i).rect);
            r.OffsetRect(origin);
            windowDC->ExcludeClipRect(&r);
        }
    }
    CRect all(0, 0, width, height);
    if (m_bmpBackground.GetSafeHandle()) {
        CBrush pattern;
        pattern.CreatePatternBrush(&m_bmpBackground);
        image->FillRect(&all, &pattern);
    } else {
        image->FillSolidRect(&all, RGB(255, 0, 0));
    }
    DrawBorders(image, all);
    CPoint oldOrigin = image->SetViewportOrg(origin.x, origin.y);
    DrawButtons(image, -1);
    image->SetViewportOrg(oldOrigin.x, oldOrigin.y);
    windowDC->BitBlt(0, 0, width, height, image, 0, 0, SRCCOPY);
    windowDC->RestoreDC(saved);
}

BOOL LWToolBar2::OnEraseBkgnd(CDC*)
{
    return TRUE;
}

void LWToolBar2::OnNcPaint()
{
    CWindowDC dc(this);
    PaintBar(&dc);
}

void LWToolBar2::OnPaint()
{
    // The control would paint its own buttons over ours: the whole window is painted here.
    CPaintDC paint(this);
    CWindowDC dc(this);
    PaintBar(&dc);
}

void LWToolBar2::OnMouseMove(UINT, CPoint point)
{
    CRect client;
    GetClientRect(&client);
    if (client.PtInRect(point)) {
        if (::GetCapture() != m_hWnd)
            SetCapture();
        int hot = HitTestButton(point);
        if (hot != m_nHot) {
            SetStateBit(m_nHot, kHotBit, false);
            SetStateBit(hot, kHotBit, true);
            m_nHot = hot;
            RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
        }
    } else if (m_nPressed < 0 && ::GetCapture() == m_hWnd) {
        SetStateBit(m_nHot, kHotBit, false);
        m_nHot = -1;
        ::ReleaseCapture();
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    }
}

void LWToolBar2::OnNcMouseMove(UINT, CPoint)
{
}

void LWToolBar2::OnLButtonDown(UINT, CPoint point)
{
    int index = HitTestButton(point);
    if (index < 0)
        return;
    if (::GetCapture() != m_hWnd)
        SetCapture();
    m_nPressed = index;
    SetStateBit(index, kPressedBit, true);
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
}

void LWToolBar2::OnLButtonUp(UINT, CPoint point)
{
    if (::GetCapture() != m_hWnd)
        return;
    int pressed = m_nPressed;
    m_nPressed = -1;
    if (pressed < 0)
        return;
    SetStateBit(pressed, kPressedBit, false);
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    if (HitTestButton(point) != pressed)
        return;
    UINT id = GetItemID(pressed);
    if (LOWORD(GetButtonStyle(pressed)) & TBSTYLE_DROPDOWN) {
        ::ReleaseCapture();
        NMTOOLBARW nm = {};
        nm.hdr.hwndFrom = m_hWnd;
        nm.hdr.idFrom = (UINT_PTR)GetDlgCtrlID();
        nm.hdr.code = TBN_DROPDOWN;
        nm.iItem = (int)id;
        CRect rect(Record(pressed).rect);
        ClientToScreen(&rect);
        OnDropDownButton(nm, id, rect);
    } else {
        PostMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    }
}

// ---------------------------------------------------------------------------------------------
// LWToolBarMenu

IMPLEMENT_DYNAMIC(LWToolBarMenu, CWnd)

BEGIN_MESSAGE_MAP(LWToolBarMenu, CWnd)
    ON_WM_PAINT()
    ON_WM_KILLFOCUS()
END_MESSAGE_MAP()

LWToolBarMenu::LWToolBarMenu() : m_pTexts(nullptr)
{
}

LWToolBarMenu::~LWToolBarMenu() = default;

void LWToolBarMenu::OnPaint()
{
    CPaintDC dc(this);
    if (!m_pTexts)
        return;
    CFont* font = GetFont();
    if (font)
        dc.SelectObject(font);
    dc.SetBkMode(TRANSPARENT);
    int y = 0;
    for (POSITION pos = m_pTexts->GetHeadPosition(); pos;) {
        const CString& text = m_pTexts->GetNext(pos);
        CRect rect(0, y, 0, y);
        dc.DrawText(text, &rect, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
        dc.DrawText(text, &rect, DT_SINGLELINE | DT_NOPREFIX);
        y = rect.bottom;
    }
}

void LWToolBarMenu::OnKillFocus(CWnd*)
{
    ShowWindow(SW_HIDE);
}
