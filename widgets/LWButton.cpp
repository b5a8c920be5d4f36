#include "LWButton.h"
#include "LWFunctions.h"
#include "LWSkinPaint.h"
#include <algorithm>

IMPLEMENT_DYNAMIC(LWButton, CButton)

SkinControl LWButton::s_defSkin = {};
unsigned LWButton::s_defBmpStateRes = 0;
CFont LWButton::s_defFont;
CMapStringToPtr LWButton::m_btnGroups;
int LWButton::m_nRefs = 0;
COLORREF LWButton::m_rgbTopGradient = 0xFFFFFF;
COLORREF LWButton::m_rgbBottomGradient = 0xD8C8C8;
COLORREF LWButton::m_rgbTopGradientHot = 0xFFFFFF;
COLORREF LWButton::m_rgbBottomGradientHot = 0xDCDCDC;

BEGIN_MESSAGE_MAP(LWButton, CButton)
    ON_WM_CREATE()
    ON_WM_ERASEBKGND()
    ON_WM_SETFOCUS()
    ON_WM_KILLFOCUS()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_MOUSELEAVE()
    ON_WM_SETCURSOR()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

namespace {

const int kSplitHit = 18;    // the arrow part of a split button that a press hits
const int kSplitDrawn = 14;  // the arrow part drawn pressed

bool IsToggleType(int type)
{
    return type >= LWButton::TypeToggle && type <= LWButton::TypeRadio;
}

} // namespace

LWButton::LWButton()
    : m_skin(s_defSkin), m_nCaptionX(0), m_nImgPushX(1), m_nImgPushY(1), m_nBitmapId(0), m_hBitmap(nullptr),
      m_nBitmapW(0), m_nBitmapH(0), m_type(TypeNormal), m_textStyle(TextCenter), m_focusStyle(FocusNone),
      m_clrText(::GetSysColor(COLOR_BTNTEXT)), m_clrBg(::GetSysColor(COLOR_BTNFACE)), m_bHot(0), m_bCenter(1),
      m_bWordWrap(0), m_bChecked(0), m_bShowCaption(1), m_bDropArrow(0), m_bSplit(0), m_bSplitPressed(0),
      m_bFlat(0), m_bLink(0), m_bHoverFrame(0), m_bGradient(false), m_clrKey(0xFF00FF), m_bWasDefault(0)
{
    setBitmapId(0, 0xFF00FF);
    ++m_nRefs;
}

LWButton::~LWButton()
{
    // A window destroyed through ~CWnd never reaches this class's WM_DESTROY handler.
    if (::IsWindow(m_hWnd))
        removeFromGroup();
    removeBitmap();
    if (--m_nRefs == 0)
        reset();
}

void LWButton::reset()
{
    POSITION pos = m_btnGroups.GetStartPosition();
    while (pos) {
        CString name;
        void* list = nullptr;
        m_btnGroups.GetNextAssoc(pos, name, list);
        delete static_cast<CPtrArray*>(list);
    }
    m_btnGroups.RemoveAll();
}

BOOL LWButton::getButtonGroup(CString name, void*& list)
{
    return m_btnGroups.Lookup(name, list);
}

void LWButton::setType(Type type)
{
    m_bDropArrow = m_bSplit = m_bSplitPressed = m_bFlat = m_bLink = m_bHoverFrame = 0;
    if ((unsigned)type > TypeLink)
        return;
    m_type = type;
    switch (type) {
    case TypeFlat: m_bFlat = 1; break;
    case TypeHover: m_bHoverFrame = 1; break;
    case TypeDropDown: m_bDropArrow = 1; break;
    case TypeHoverDropDown: m_bHoverFrame = m_bDropArrow = 1; break;
    case TypeSplit: m_bSplit = 1; break;
    case TypeHoverSplit: m_bHoverFrame = m_bSplit = 1; break;
    case TypeHoverToggle: m_bHoverFrame = 1; break;
    case TypeLink: m_bLink = 1; break;
    default: break;
    }
    if (type != TypeToggle && type != TypeHoverToggle)
        m_bChecked = 0;
    if (m_hWnd)
        Invalidate();
}

void LWButton::setTextStyle(Text style)
{
    m_textStyle = style;
    m_bShowCaption = style != TextNone;
    m_bCenter = style == TextCenter;
    m_bWordWrap = style == TextWrap;
    if (m_hWnd)
        Invalidate();
}

void LWButton::setFocusStyle(Focus style)
{
    m_focusStyle = style;
    if (m_hWnd)
        Invalidate();
}

void LWButton::SetCheck(bool checked)
{
    if (IsToggleType(m_type)) {
        m_bChecked = checked;
        if (m_hWnd)
            Invalidate();
    }
    if (!m_bChecked || m_groupName.IsEmpty())
        return;
    void* found = nullptr;
    if (!getButtonGroup(m_groupName, found))
        return;
    CPtrArray* list = static_cast<CPtrArray*>(found);
    for (INT_PTR i = 0; i < list->GetSize(); ++i) {
        HWND other = (HWND)list->GetAt(i);
        if (other == m_hWnd || !::IsWindow(other))
            continue;
        CWnd* wnd = CWnd::FromHandlePermanent(other);
        if (wnd && wnd->IsKindOf(RUNTIME_CLASS(LWButton))) {
            LWButton* button = static_cast<LWButton*>(wnd);
            if (button->m_bChecked)
                button->SetCheck(false);
        }
    }
}

void LWButton::clearMultiClick()
{
    if (m_type == TypeSplit || m_type == TypeHoverSplit) {
        m_bSplitPressed = 0;
        if (m_hWnd)
            Invalidate();
    }
}

int LWButton::displayPopupMenu(CMenu* menu)
{
    if (m_hWnd)
        Invalidate();
    if (!menu || !menu->GetSafeHmenu() || !m_hWnd)
        return 0;
    CRect rect;
    GetWindowRect(&rect);
    return (int)::TrackPopupMenu(menu->GetSafeHmenu(), TPM_RETURNCMD | TPM_RIGHTBUTTON, rect.left, rect.bottom, 0,
                                 ::GetParent(m_hWnd), nullptr);
}

void LWButton::enable(bool enabled)
{
    if (!::IsWindow(m_hWnd)) {
        TRACE(L"LWButton::enable: no window\n");
        return;
    }
    EnableWindow(enabled);
    Invalidate();
}

bool LWButton::addToGroup(CString name)
{
    if (name.IsEmpty())
        return false;
    void* found = nullptr;
    if (!getButtonGroup(name, found)) {
        found = new CPtrArray;
        m_btnGroups.SetAt(name, found);
    }
    removeFromGroup();
    m_groupName = name;
    static_cast<CPtrArray*>(found)->Add((void*)m_hWnd);
    return true;
}

bool LWButton::removeFromGroup()
{
    if (m_groupName.IsEmpty())
        return false;
    void* found = nullptr;
    if (!getButtonGroup(m_groupName, found))
        return false;
    CPtrArray* list = static_cast<CPtrArray*>(found);
    for (INT_PTR i = 0; i < list->GetSize(); ++i) {
        if ((HWND)list->GetAt(i) == m_hWnd) {
            list->RemoveAt(i);
            m_groupName.Empty();
            return true;
        }
    }
    return false;
}

void LWButton::setImageStates(UINT resId)
{
    m_imgStates.DeleteImageList();
    HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCE(resId), RT_BITMAP);
    HBITMAP bitmap = module ? ::LoadBitmapW(module, MAKEINTRESOURCE(resId)) : nullptr;
    if (!bitmap) {
        TRACE(L"LWButton::setImageStates: no bitmap resource %u\n", resId);
        return;
    }
    CBitmap strip;
    strip.Attach(bitmap);
    if (m_imgStates.Create(13, 13, ILC_COLOR24 | ILC_MASK, 4, 4))
        m_imgStates.Add(&strip, RGB(255, 0, 0));
}

void LWButton::setBitmapId(int id, COLORREF key)
{
    if (id == m_nBitmapId)
        return;
    removeBitmap();
    m_clrKey = key;
    m_nBitmapId = id;
    if (!id)
        return;
    m_hBitmap = ::LoadBitmapW(AfxGetResourceHandle(), MAKEINTRESOURCE(id));
    if (!m_hBitmap) {
        TRACE(L"LWButton::setBitmapId: no bitmap resource %d\n", id);
        return;
    }
    BITMAP bm = {};
    ::GetObjectW(m_hBitmap, sizeof(bm), &bm);
    m_nBitmapW = bm.bmWidth;
    m_nBitmapH = bm.bmHeight;
}

void LWButton::removeBitmap()
{
    if (m_hBitmap)
        ::DeleteObject(m_hBitmap);
    m_hBitmap = nullptr;
    m_nBitmapId = m_nBitmapW = m_nBitmapH = 0;
}

void LWButton::SetSkin(SkinControl& skin)
{
    m_skin = skin;
    m_bmpSkinNormal.DeleteObject();
    m_bmpSkinState.DeleteObject();
    if (m_hWnd)
        Invalidate();
}

void LWButton::SizeToText(int keepRight)
{
    if (!::IsWindow(m_hWnd)) {
        TRACE(L"LWButton::SizeToText: no window\n");
        return;
    }
    CString text;
    GetWindowText(text);
    CClientDC dc(this);
    CFont* font = GetFont();
    CFont* old = font ? dc.SelectObject(font) : nullptr;
    CRect measured(0, 0, 0, 0);
    dc.DrawText(text, &measured, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    if (old)
        dc.SelectObject(old);
    int width = measured.Width() + (m_type == TypeCheckBox ? 30 : m_type == TypeLink ? 4 : 40);
    if (m_hBitmap)
        width += m_nBitmapW + 3;
    CRect rect;
    GetWindowRect(&rect);
    CWnd* parent = GetParent();
    if (parent && (GetStyle() & WS_CHILD))
        parent->ScreenToClient(&rect);
    if (keepRight)
        SetWindowPos(nullptr, rect.right - width, rect.top, width, rect.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    else
        SetWindowPos(nullptr, 0, 0, width, rect.Height(), SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

void LWButton::drawSkin(CDC* dc, CBitmap& bitmap, const SIZE& bitmapSize, const RECT& margins)
{
    CRect client;
    GetClientRect(&client);
    LWPaintNineSlice(dc ? dc->GetSafeHdc() : nullptr, client, (HBITMAP)bitmap.GetSafeHandle(), bitmapSize, margins);
}

void LWButton::drawGradientRect(CDC* dc, CRect rect, COLORREF top, COLORREF bottom, int vertical)
{
    LW_GradientFill(dc, rect, top, bottom, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
}

void LWButton::PreSubclassWindow()
{
    if (s_defBmpStateRes && !m_imgStates.GetSafeHandle())
        setImageStates(s_defBmpStateRes);
    DWORD style = GetStyle();
    if (style & 0xF)
        m_bWasDefault = 1;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, (style & ~0xFu) | BS_OWNERDRAW);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

BOOL LWButton::PreTranslateMessage(MSG* msg)
{
    return CWnd::PreTranslateMessage(msg);
}

// ---- messages ----

int LWButton::OnCreate(LPCREATESTRUCT)
{
    return (int)Default();
}

BOOL LWButton::OnEraseBkgnd(CDC* dc)
{
    CRect client;
    GetClientRect(&client);
    if (dc)
        dc->FillSolidRect(&client, ::GetSysColor(COLOR_BTNFACE));
    return (BOOL)Default();
}

void LWButton::OnSetFocus(CWnd*)
{
    Invalidate();
    Default();
}

void LWButton::OnKillFocus(CWnd*)
{
    Invalidate();
    Default();
}

void LWButton::multiHitTest(CPoint point)
{
    m_bSplitPressed = 0;
    if (!m_bSplit)
        return;
    CRect client;
    GetClientRect(&client);
    if (point.x >= client.right - kSplitHit && client.PtInRect(point))
        m_bSplitPressed = 1;
}

void LWButton::OnLButtonDown(UINT, CPoint point)
{
    multiHitTest(point);
    Default();
}

void LWButton::OnLButtonUp(UINT, CPoint point)
{
    if (IsToggleType(m_type)) {
        CRect client;
        GetClientRect(&client);
        if (client.PtInRect(point)) {
            bool grouped = !m_groupName.IsEmpty();
            SetCheck(m_type == TypeRadio || grouped ? true : !m_bChecked);
        }
    }
    Default();
    if (!::IsWindow(m_hWnd))  // a click handler may have closed the window
        return;
    m_bSplitPressed = 0;
    Invalidate();
}

void LWButton::OnMouseMove(UINT, CPoint)
{
    if ((m_bHoverFrame || m_bLink) && !m_bHot) {
        TRACKMOUSEEVENT tme = {sizeof(tme), TME_LEAVE, m_hWnd, HOVER_DEFAULT};
        m_bHot = ::TrackMouseEvent(&tme);
        Invalidate();
    }
    Default();
}

void LWButton::OnMouseLeave()
{
    m_bHot = 0;
    m_bSplitPressed = 0;
    Invalidate();
}

BOOL LWButton::OnSetCursor(CWnd*, UINT, UINT)
{
    if (m_bLink) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    }
    return (BOOL)Default();
}

void LWButton::OnDestroy()
{
    // A destroyed button leaves its group so that no stale handle stays behind.
    removeFromGroup();
    Default();
}

// ---- painting ----

void LWButton::DrawItem(LPDRAWITEMSTRUCT dis)
{
    if (!dis || !dis->hDC)
        return;
    CDC* dc = CDC::FromHandle(dis->hDC);
    int saved = dc->SaveDC();
    if (m_type != TypeCheckBox && m_type != TypeRadio)
        drawFrame(dc, dis);
    else if (m_clrBg != 0xFFFFFFFF)
        dc->FillSolidRect(&dis->rcItem, m_clrBg);  // no face of the erased background shows around the box
    int x = drawBitmap(dc, dis);
    if (m_type == TypeRadio)
        x = drawRadioFrame(dc, dis, x);
    else if (m_type == TypeCheckBox)
        x = drawCheckFrame(dc, dis, x);
    drawDropDown(dc, dis);
    int r = drawCaption(dc, dis, x);
    drawFocus(dc, dis, x, r);
    drawDefaultBorder(dc, dis);
    dc->RestoreDC(saved);
}

void LWButton::drawFrame(CDC* dc, LPDRAWITEMSTRUCT dis)
{
    CRect rect(dis->rcItem);
    if (m_bFlat || m_bLink) {
        if (m_clrBg != 0xFFFFFFFF)
            dc->FillSolidRect(&rect, m_clrBg);
        return;
    }
    if (m_bHoverFrame && !m_bChecked) {
        drawHotButtonFrame(dc, dis);
        return;
    }
    UINT state = DFCS_BUTTONPUSH;
    bool selected = (dis->itemState & ODS_SELECTED) != 0;
    if (m_bChecked)
        state |= DFCS_CHECKED;
    else if (selected && !m_bSplit)
        state |= DFCS_PUSHED;
    if (dis->itemState & ODS_DISABLED)
        state |= DFCS_INACTIVE;

    // Each id is tried once: a missing bitmap clears it and the system frame takes over.
    if (m_skin.bmpNormal && !m_bmpSkinNormal.GetSafeHandle()) {
        HBITMAP loaded = LWLoadSkinBitmap(m_skin.bmpNormal, L"LWButton");
        if (loaded)
            m_bmpSkinNormal.Attach(loaded);
        else
            m_skin.bmpNormal = 0;
    }
    if (m_skin.bmpState && !m_bmpSkinState.GetSafeHandle()) {
        HBITMAP loaded = LWLoadSkinBitmap(m_skin.bmpState, L"LWButton");
        if (loaded)
            m_bmpSkinState.Attach(loaded);
        else
            m_skin.bmpState = 0;
    }
    if (m_bmpSkinNormal.GetSafeHandle()) {
        SIZE size = {m_skin.cx, m_skin.cy};
        bool down = (state & (DFCS_PUSHED | DFCS_CHECKED)) != 0;
        drawSkin(dc, down && m_bmpSkinState.GetSafeHandle() ? m_bmpSkinState : m_bmpSkinNormal, size, m_skin.rcMargins);
    } else {
        dc->DrawFrameControl(&rect, DFC_BUTTON, state);
    }
    if (m_bGradient) {
        CRect inner(rect.left + 1, rect.top + 1, rect.right - 2, rect.bottom - 2);
        if (m_bHot)
            drawGradientRect(dc, inner, m_rgbTopGradientHot, m_rgbBottomGradientHot, 1);
        else
            drawGradientRect(dc, inner, m_rgbTopGradient, m_rgbBottomGradient, 1);
    }
    if (m_bSplit && m_bSplitPressed)
        drawMultiDropDownRegion(dc, rect);
}

void LWButton::drawHotButtonFrame(CDC* dc, LPDRAWITEMSTRUCT dis)
{
    CRect rect(dis->rcItem);
    if (m_bGradient) {
        m_bHoverFrame = 0;
        drawFrame(dc, dis);
        m_bHoverFrame = 1;
        return;
    }
    if (!m_bHot)
        return;
    dc->FillSolidRect(&rect, ::GetSysColor(m_bChecked ? COLOR_3DLIGHT : COLOR_BTNFACE));
    if (dis->itemState & ODS_SELECTED)
        dc->Draw3dRect(&rect, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    else
        dc->Draw3dRect(&rect, ::GetSysColor(COLOR_BTNHIGHLIGHT), ::GetSysColor(COLOR_BTNSHADOW));
    if (m_bSplit && m_bSplitPressed)
        drawMultiDropDownRegion(dc, rect);
}

void LWButton::drawMultiDropDownRegion(CDC* dc, const CRect& rect)
{
    CRect part(rect.right - kSplitDrawn, rect.top, rect.right, rect.bottom - 1);
    dc->DrawFrameControl(&part, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_CHECKED);
}

int LWButton::drawBitmap(CDC* dc, LPDRAWITEMSTRUCT dis)
{
    if (!m_hBitmap || m_nBitmapW <= 0 || m_nBitmapH <= 0)
        return 0;
    CRect rect(dis->rcItem);
    int left;
    if (m_type == TypeLink)
        left = 0;
    else if (m_bShowCaption || m_type == TypeCheckBox || m_type == TypeRadio)
        left = rect.left + 5;
    else
        left = rect.left + (rect.Width() - m_nBitmapW) / 2;
    int top = rect.top + (rect.Height() - m_nBitmapH) / 2;
    bool selected = (dis->itemState & ODS_SELECTED) != 0;
    if (m_type != TypeCheckBox && m_type != TypeRadio && !m_bFlat && !m_bLink && !m_bSplitPressed && selected) {
        ++left;
        ++top;
    }
    if (dis->itemState & ODS_DISABLED) {
        DisabledBlt(dc->GetSafeHdc(), left, top, m_nBitmapW, m_nBitmapH, m_hBitmap, 0, 0);
    } else {
        int x = left, y = top;
        if (selected) {
            x += m_nImgPushX;
            y += m_nImgPushY;
        }
        TransparentBlt(dc->GetSafeHdc(), x, y, m_nBitmapW, m_nBitmapH, m_hBitmap, 0, 0, m_clrKey, nullptr);
    }
    return left + m_nBitmapW + 3;
}

int LWButton::drawRadioFrame(CDC* dc, LPDRAWITEMSTRUCT dis, int x)
{
    return drawStateFrame(dc, dis, x, 0, DFCS_BUTTONRADIO);
}

int LWButton::drawCheckFrame(CDC* dc, LPDRAWITEMSTRUCT dis, int x)
{
    return drawStateFrame(dc, dis, x, 2, DFCS_BUTTONCHECK);
}

// The state pictures hold unchecked and checked radio (0, 1), then check box (2, 3); without
// them the system draws the frame.
int LWButton::drawStateFrame(CDC* dc, LPDRAWITEMSTRUCT dis, int x, int firstImage, UINT kind)
{
    CRect client(dis->rcItem);
    int left = x > 0 ? x + 5 : x;
    CRect box(left, client.top + (client.Height() - 20) / 2, left + 20, client.top + (client.Height() - 20) / 2 + 20);
    if (m_imgStates.GetSafeHandle()) {
        m_imgStates.Draw(dc, firstImage + (m_bChecked ? 1 : 0),
                         CPoint(client.left, client.top + (client.Height() - 13) / 2), ILD_TRANSPARENT);
    } else {
        UINT state = kind;
        if (dis->itemState & ODS_DISABLED)
            state |= DFCS_INACTIVE;
        if (dis->itemState & ODS_SELECTED)
            state |= DFCS_PUSHED;
        if (m_bChecked)
            state |= DFCS_CHECKED;
        dc->DrawFrameControl(&box, DFC_BUTTON, state);
    }
    return box.left + 20;
}

void LWButton::drawDropDown(CDC* dc, LPDRAWITEMSTRUCT dis)
{
    if (!m_bDropArrow && !m_bSplit)
        return;
    COLORREF color = (dis->itemState & ODS_DISABLED) ? ::GetSysColor(COLOR_GRAYTEXT)
                     : m_bLink                        ? ::GetSysColor(COLOR_HOTLIGHT)
                                                      : ::GetSysColor(COLOR_BTNTEXT);
    CPen pen(PS_INSIDEFRAME, 1, color);
    CPen* old = dc->SelectObject(&pen);
    CRect rect(dis->rcItem);
    int d = ((dis->itemState & ODS_SELECTED) || m_bSplitPressed) ? 1 : 0;
    drawDropDownIndicator(dc, rect, d);
    dc->SelectObject(old);
    if (m_bSplit && !m_bSplitPressed) {
        CRect sep(rect.right - 15, rect.top + 3, rect.right - 13, rect.bottom - 3);
        dc->DrawEdge(&sep, BDR_SUNKENOUTER, BF_RECT);
    }
}

void LWButton::drawDropDownIndicator(CDC* dc, const CRect& rect, int d)
{
    for (int i = 0; i < 3; ++i) {
        int y = rect.bottom + d - 8 + i;
        dc->MoveTo(rect.right + d - 10 + i, y);
        dc->LineTo(rect.right + d - 10 + 5 - i, y);
    }
}

int LWButton::drawCaption(CDC* dc, LPDRAWITEMSTRUCT dis, int x)
{
    if (!m_bShowCaption)
        return 0;
    CRect client(dis->rcItem);
    CRect rect = client;
    rect.left = x + (m_bCenter ? 0 : 5);
    if (m_bDropArrow)
        rect.right -= 6;
    else if (m_bSplit)
        rect.right -= 12;
    int right = rect.right;
    if (rect.Width() <= 0)
        return right;
    CString text;
    GetWindowText(text);
    UINT format = m_bWordWrap ? (DT_WORDBREAK | DT_VCENTER | DT_WORD_ELLIPSIS)
                              : (DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (m_bCenter)
        format |= DT_CENTER;
    CFont* font = GetFont();
    if (font)
        dc->SelectObject(font);
    CRect measured = client;
    dc->DrawText(text, &measured, (format & ~DT_VCENTER) | DT_CALCRECT);
    if (m_type != TypeCheckBox && m_type != TypeRadio && m_bCenter && measured.Width() < rect.Width()) {
        int spare = rect.Width() - measured.Width();
        rect.left += spare / 2;
        rect.right = rect.left + measured.Width();
        rect.top = client.top + (client.Height() - measured.Height()) / 2;
        rect.bottom = rect.top + measured.Height();
    }
    bool skinned = m_bmpSkinNormal.GetSafeHandle() != nullptr;
    if (skinned || m_clrBg == 0xFFFFFFFF) {
        dc->SetBkMode(TRANSPARENT);
    } else {
        dc->SetBkMode(OPAQUE);
        dc->SetBkColor(m_clrBg);
    }
    dc->SetTextColor(m_clrText);
    if (m_type == TypeCheckBox || m_type == TypeRadio)
        rect.OffsetRect(-6, 0);
    if (dis->itemState & ODS_DISABLED) {
        dc->SetTextColor(::GetSysColor(COLOR_GRAYTEXT));
        dc->DrawText(text, &rect, format);
        return right;
    }
    if (m_nCaptionX)
        rect.OffsetRect(m_nCaptionX - rect.left, 0);
    if (m_type != TypeCheckBox && m_type != TypeRadio && (dis->itemState & ODS_SELECTED))
        rect.OffsetRect(1, 1);
    dc->DrawText(text, &rect, format);
    if (m_bLink && m_bHot) {
        CPen pen(PS_SOLID, 1, m_clrText);
        CPen* old = dc->SelectObject(&pen);
        int left = rect.left;
        if (m_bCenter && measured.Width() < rect.Width())
            left = rect.left + (rect.Width() - measured.Width()) / 2;
        dc->MoveTo(left, rect.bottom - 2);
        dc->LineTo(left + std::min<int>(measured.Width(), rect.Width()), rect.bottom - 2);
        dc->SelectObject(old);
    }
    return right;
}

void LWButton::drawFocus(CDC* dc, LPDRAWITEMSTRUCT dis, int x, int r)
{
    if (m_bFlat || m_bHoverFrame || m_focusStyle == FocusNone || !(dis->itemState & ODS_FOCUS))
        return;
    CRect client(dis->rcItem);
    CRect rect(x + 4, client.top + 4, r - 4, client.bottom - 4);
    if (rect.Width() > 0 && rect.Height() > 0)
        dc->DrawFocusRect(&rect);
}

void LWButton::drawDefaultBorder(CDC* dc, LPDRAWITEMSTRUCT dis)
{
    if (m_type != TypeNormal && m_type != TypeDropDown && m_type != TypeSplit)
        return;
    if (m_focusStyle != FocusDefault || !(dis->itemState & ODS_FOCUS) || !m_bWasDefault)
        return;
    CRect rect(dis->rcItem);
    COLORREF dark = ::GetSysColor(COLOR_3DDKSHADOW);
    CBrush frame(dark);
    if (dis->itemState & ODS_SELECTED) {
        CRect moved = rect;
        moved.OffsetRect(-1, -1);
        dc->FrameRect(&moved, &frame);
        dc->FrameRect(&rect, &frame);
        return;
    }
    auto line = [dc](COLORREF color, int x0, int y0, int x1, int y1, int x2, int y2) {
        CPen pen(PS_SOLID, 1, color);
        CPen* old = dc->SelectObject(&pen);
        dc->MoveTo(x0, y0);
        dc->LineTo(x1, y1);
        dc->LineTo(x2, y2);
        dc->SelectObject(old);
    };
    line(dark, rect.right - 2, rect.top + 1, rect.right - 2, rect.bottom - 2, rect.left, rect.bottom - 2);
    line(::GetSysColor(COLOR_3DHILIGHT), rect.right - 3, rect.top + 1, rect.left + 1, rect.top + 1, rect.left + 1,
         rect.bottom - 2);
    line(::GetSysColor(COLOR_3DSHADOW), rect.right - 3, rect.top + 2, rect.right - 3, rect.bottom - 3, rect.left + 1,
         rect.bottom - 3);
    dc->FrameRect(&rect, &frame);
}

void LWButton::TransparentBlt(HDC hdc, int x, int y, int w, int h, HBITMAP bitmap, int srcX, int srcY, COLORREF key,
                              HPALETTE palette)
{
    if (!hdc || !bitmap || w <= 0 || h <= 0)
        return;
    HDC src = ::CreateCompatibleDC(hdc);
    HDC work = ::CreateCompatibleDC(hdc);
    HDC maskDC = ::CreateCompatibleDC(hdc);
    HBITMAP workBmp = ::CreateCompatibleBitmap(hdc, w, h);
    HBITMAP maskBmp = ::CreateBitmap(w, h, 1, 1, nullptr);
    HGDIOBJ oldSrc = ::SelectObject(src, bitmap);
    HGDIOBJ oldWork = ::SelectObject(work, workBmp);
    HGDIOBJ oldMask = ::SelectObject(maskDC, maskBmp);
    HPALETTE oldPal = nullptr, oldWorkPal = nullptr;
    if (palette && (::GetDeviceCaps(hdc, RASTERCAPS) & RC_PALETTE)) {
        oldPal = ::SelectPalette(hdc, palette, FALSE);
        ::RealizePalette(hdc);
        oldWorkPal = ::SelectPalette(work, palette, FALSE);
    }
    ::BitBlt(work, 0, 0, w, h, src, srcX, srcY, SRCCOPY);
    ::SetBkColor(work, key);
    ::BitBlt(maskDC, 0, 0, w, h, work, 0, 0, SRCCOPY);
    ::SetBkColor(work, RGB(0, 0, 0));
    ::SetTextColor(work, RGB(255, 255, 255));
    ::BitBlt(work, 0, 0, w, h, maskDC, 0, 0, SRCAND);
    COLORREF oldBk = ::SetBkColor(hdc, RGB(255, 255, 255));
    COLORREF oldText = ::SetTextColor(hdc, RGB(0, 0, 0));
    ::BitBlt(hdc, x, y, w, h, maskDC, 0, 0, SRCAND);
    ::BitBlt(hdc, x, y, w, h, work, 0, 0, SRCPAINT);
    ::SetBkColor(hdc, oldBk);
    ::SetTextColor(hdc, oldText);
    if (oldWorkPal)
        ::SelectPalette(work, oldWorkPal, FALSE);
    if (oldPal)
        ::SelectPalette(hdc, oldPal, FALSE);
    ::SelectObject(src, oldSrc);
    ::SelectObject(work, oldWork);
    ::SelectObject(maskDC, oldMask);
    ::DeleteObject(workBmp);
    ::DeleteObject(maskBmp);
    ::DeleteDC(src);
    ::DeleteDC(work);
    ::DeleteDC(maskDC);
}

void LWButton::DisabledBlt(HDC hdc, int x, int y, int w, int h, HBITMAP bitmap, int srcX, int srcY)
{
    if (!hdc || !bitmap || w <= 0 || h <= 0)
        return;
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];
    } info = {};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = w;
    info.header.biHeight = h;
    info.header.biPlanes = 1;
    info.header.biBitCount = 1;
    info.colors[1] = RGBQUAD{255, 255, 255, 0};
    void* bits = nullptr;
    HBITMAP mono = ::CreateDIBSection(hdc, (BITMAPINFO*)&info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!mono)
        return;
    HDC src = ::CreateCompatibleDC(hdc);
    HDC monoDC = ::CreateCompatibleDC(hdc);
    HGDIOBJ oldSrc = ::SelectObject(src, bitmap);
    HGDIOBJ oldMono = ::SelectObject(monoDC, mono);
    ::BitBlt(monoDC, 0, 0, w, h, src, srcX, srcY, SRCCOPY);
    RECT rect = {x, y, x + w, y + h};
    ::FillRect(hdc, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
    COLORREF oldBk = ::SetBkColor(hdc, RGB(255, 255, 255));
    COLORREF oldText = ::SetTextColor(hdc, RGB(0, 0, 0));
    HGDIOBJ oldBrush = ::SelectObject(hdc, ::GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    ::BitBlt(hdc, x + 1, y + 1, w, h, monoDC, 0, 0, 0xB8074A);
    ::SelectObject(hdc, ::GetSysColorBrush(COLOR_BTNSHADOW));
    ::BitBlt(hdc, x, y, w, h, monoDC, 0, 0, 0xB8074A);
    ::SelectObject(hdc, oldBrush);
    ::SetBkColor(hdc, oldBk);
    ::SetTextColor(hdc, oldText);
    ::SelectObject(src, oldSrc);
    ::SelectObject(monoDC, oldMono);
    ::DeleteObject(mono);
    ::DeleteDC(src);
    ::DeleteDC(monoDC);
}
