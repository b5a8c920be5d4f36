#include "LWEdit.h"
#include <algorithm>

IMPLEMENT_DYNAMIC(LWEdit, CEdit)

BEGIN_MESSAGE_MAP(LWEdit, CEdit)
    ON_WM_CHAR()
    ON_CONTROL_REFLECT(EN_SETFOCUS, OnSetFocusReflect)
    ON_CONTROL_REFLECT(EN_KILLFOCUS, OnKillFocusReflect)
    ON_WM_PAINT()
    ON_WM_NCPAINT()
    ON_WM_NCCALCSIZE()
    ON_WM_CTLCOLOR_REFLECT()
    ON_WM_CONTEXTMENU()
END_MESSAGE_MAP()

namespace {

bool KeyDown(int vk)
{
    return (::GetKeyState(vk) & 0x8000) != 0;
}

} // namespace

LWEdit::LWEdit()
    : m_bPlainDisabled(0), m_bTabNotify(0), m_clrCue(0xC0C0C0), m_nBorderMode(0), m_rcLayoutClient(0, 0, 0, 0),
      m_rcLayoutWindow(0, 0, 0, 0), m_nCueOffsetX(0), m_nCueOffsetY(0), m_bForwardContextMenu(0)
{
}

LWEdit::~LWEdit() = default;

int LWEdit::DrawBorder(CDC*)
{
    return 0;
}

void LWEdit::SendNotice(UINT code)
{
    HWND parent = ::GetParent(m_hWnd);
    if (!parent)
        return;
    NMHDR nm = {m_hWnd, (UINT_PTR)GetDlgCtrlID(), code};
    ::SendMessageW(parent, WM_NOTIFY, (WPARAM)m_hWnd, (LPARAM)&nm);
}

BOOL LWEdit::PreTranslateMessage(MSG* msg)
{
    if (!::IsWindow(m_hWnd) || !IsWindowEnabled())
        return CEdit::PreTranslateMessage(msg);
    if (msg->message == WM_KEYDOWN) {
        UINT key = (UINT)msg->wParam;
        if (key == VK_TAB && m_bTabNotify) {
            SendNotice(LWEN_TAB);
            return TRUE;
        }
        if (key == VK_RETURN) {
            SendNotice(LWEN_ENTER);
            return TRUE;
        }
        if (key == VK_ESCAPE) {
            SendNotice(LWEN_ESCAPE);
            return TRUE;
        }
        bool ctrl = KeyDown(VK_CONTROL), shift = KeyDown(VK_SHIFT), alt = KeyDown(VK_MENU);
        if (ctrl && !shift && !alt) {
            switch (key) {
            case VK_BACK: DeleteWordBack(); return TRUE;
            case VK_INSERT:
            case 'C': Copy(); return TRUE;
            case 'A': SetSel(0, -1); return TRUE;
            case 'V': Paste(); return TRUE;
            case 'X': Cut(); return TRUE;
            case 'Z': Undo(); return TRUE;
            default: break;
            }
        }
        if (shift && !ctrl && !alt && key == VK_INSERT) {
            Paste();
            return TRUE;
        }
    } else if (msg->message == WM_LBUTTONDBLCLK) {
        if (CEdit::PreTranslateMessage(msg))
            return TRUE;
        HWND parent = ::GetParent(m_hWnd);
        return parent && ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), LWEN_DBLCLK), (LPARAM)m_hWnd);
    }
    return CEdit::PreTranslateMessage(msg);
}

// Ctrl+Backspace: removes the word before the selection (and the spaces around it, as a
// word processor does). Only the space character separates words; every read stays inside
// the text, also with the caret at its end.
void LWEdit::DeleteWordBack()
{
    int start = 0, end = 0;
    GetSel(start, end);
    CString text;
    GetWindowText(text);
    const int length = text.GetLength();
    if (start <= 0 || start > length)
        return;
    if (end > length)
        end = length;
    auto at = [&](int i) { return i >= 0 && i < length ? text[i] : L'\0'; };
    int s = start;
    const bool aSpace = at(s - 1) == L' ';
    const bool bSpace = at(s) == L' ';
    auto backOverSpaces = [&] { while (s > 0 && at(s - 1) == L' ') --s; };
    auto backOverWord = [&] { while (s > 0 && at(s - 1) != L' ') --s; };
    if (aSpace) {
        backOverSpaces();
        if (!bSpace)
            backOverWord();
    } else {
        backOverWord();
        if (bSpace)
            backOverSpaces();
    }
    CString rest = text.Left(s) + text.Mid(end);
    SetWindowText(rest);
    SetSel(s, s);
}

void LWEdit::OnChar(UINT, UINT, UINT)
{
    if (!IsWindowEnabled())
        return;
    Default();
    if (!::IsWindow(m_hWnd))
        return;
    HWND parent = ::GetParent(m_hWnd);
    if (parent)
        ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), LWEN_CHAR), (LPARAM)m_hWnd);
}

void LWEdit::OnSetFocusReflect()
{
    if (!m_strCue.IsEmpty())
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    SendNotice(LWEN_SETFOCUS);
}

void LWEdit::OnKillFocusReflect()
{
    if (!m_strCue.IsEmpty())
        RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    SendNotice(LWEN_KILLFOCUS);
}

int LWEdit::DrawHelperString(CDC* dc)
{
    if (m_strCue.IsEmpty() || ::GetFocus() == m_hWnd)
        return FALSE;
    CString text;
    GetWindowText(text);
    text.Trim();
    if (!text.IsEmpty())
        return FALSE;
    CDC* own = nullptr;
    if (!dc)
        dc = own = GetDC();
    if (!dc)
        return FALSE;
    CRect rect;
    GetClientRect(&rect);
    rect.left += 2;
    rect.OffsetRect(m_nCueOffsetX, m_nCueOffsetY);
    int saved = dc->SaveDC();
    CFont* font = GetFont();
    if (font)
        dc->SelectObject(font);
    dc->SetTextColor(m_clrCue);
    dc->SetBkMode(TRANSPARENT);
    dc->DrawText(m_strCue, &rect, DT_NOPREFIX);
    dc->RestoreDC(saved);
    if (own)
        ReleaseDC(own);
    return TRUE;
}

void LWEdit::OnPaint()
{
    if (!m_bPlainDisabled) {
        Default();
        CDC* dc = GetDC();
        DrawHelperString(dc);
        ReleaseDC(dc);
        return;
    }
    if (IsWindowEnabled()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    CRect rect;
    GetClientRect(&rect);
    dc.FillSolidRect(&rect, RGB(255, 255, 255));
    CString text;
    GetWindowText(text);
    CFont* font = GetFont();
    if (font)
        dc.SelectObject(font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(::GetSysColor(COLOR_GRAYTEXT));
    rect.left += (GetExStyle() & WS_EX_STATICEDGE) ? 3 : 4;
    dc.DrawText(text, &rect, DT_NOPREFIX);
}

void LWEdit::OnNcPaint()
{
    CRect window, client;
    GetWindowRect(&window);
    GetClientRect(&client);
    if (window.Width() - client.Width() != 2) {
        Default();
        return;
    }
    CWindowDC dc(this);
    CBrush frame(RGB(0xC0, 0xC0, 0xC0));
    CRect rect(0, 0, window.Width(), window.Height());
    dc.FrameRect(&rect, &frame);
}

void LWEdit::OnNcCalcSize(BOOL, NCCALCSIZE_PARAMS* params)
{
    if (m_nBorderMode != 1 || !params) {
        Default();
        return;
    }
    // The text line sits in the middle of the window; the sides keep the border width.
    CRect window, client;
    GetWindowRect(&window);
    GetClientRect(&client);
    int borderX = (window.Width() - client.Width()) / 2;
    CClientDC dc(this);
    CFont* font = GetFont();
    CFont* old = font ? dc.SelectObject(font) : nullptr;
    CSize ky = dc.GetTextExtent(L"Ky", 2);
    if (old)
        dc.SelectObject(old);
    CRect proposed(params->rgrc[0]);
    int inset = std::max(0, (int)(proposed.Height() - ky.cy) / 2);
    CRect layout(proposed.left + borderX, proposed.top + inset, proposed.right - borderX, proposed.bottom - inset);
    if (layout.right < layout.left)
        layout.right = layout.left;
    params->rgrc[0] = layout;
    m_rcLayoutWindow = proposed;
    m_rcLayoutClient = layout;
}

HBRUSH LWEdit::CtlColor(CDC*, UINT)
{
    if (m_nBorderMode == 0)
        return m_brBackground.GetSafeHandle() ? (HBRUSH)m_brBackground.GetSafeHandle()
                                              : (HBRUSH)::GetStockObject(WHITE_BRUSH);
    if (m_rcLayoutClient.IsRectEmpty())
        SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    return nullptr;
}

void LWEdit::OnContextMenu(CWnd*, CPoint point)
{
    if (!m_bForwardContextMenu) {
        Default();
        return;
    }
    HWND parent = ::GetParent(m_hWnd);
    if (parent)
        ::SendMessageW(parent, WM_CONTEXTMENU, (WPARAM)m_hWnd, MAKELPARAM(point.x, point.y));
}
