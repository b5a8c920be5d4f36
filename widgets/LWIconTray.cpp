#include "LWIconTray.h"

namespace {

LWIconTray* g_hooked = nullptr;  // the tray object whose hooks are installed
int g_menuDepth = 0;             // nesting of open tray menus

// Whether the screen point lies on a popup menu window (class "#32768").
bool PointOnMenu(POINT pt)
{
    HWND wnd = ::WindowFromPoint(pt);
    wchar_t cls[16] = {};
    return wnd && ::GetClassNameW(wnd, cls, 16) && lstrcmpW(cls, L"#32768") == 0;
}

LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && g_hooked && g_hooked->m_hWndOwner) {
        const KBDLLHOOKSTRUCT* key = (const KBDLLHOOKSTRUCT*)lParam;
        // Arrows, Enter and mnemonics belong to the menu; only Esc asks for it to close.
        if (key && key->vkCode == VK_ESCAPE && (wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN))
            ::SetTimer(g_hooked->m_hWndOwner, LW_TRAY_TIMER, 100, nullptr);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK MouseHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && g_hooked && g_hooked->m_hWndOwner &&
        (wParam == WM_LBUTTONDOWN || wParam == WM_RBUTTONDOWN || wParam == WM_MBUTTONDOWN)) {
        const MSLLHOOKSTRUCT* mouse = (const MSLLHOOKSTRUCT*)lParam;
        // A click on the menu itself is a choice, which the menu handles; it must not be cut short.
        if (mouse && !PointOnMenu(mouse->pt))
            ::SetTimer(g_hooked->m_hWndOwner, LW_TRAY_TIMER, 200, nullptr);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void FillData(NOTIFYICONDATAW& data, HWND owner, UINT id)
{
    ZeroMemory(&data, sizeof(data));
    data.cbSize = sizeof(NOTIFYICONDATAW);
    data.hWnd = owner;
    data.uID = id;
}

} // namespace

LWIconTray::LWIconTray()
    : m_bHooksActive(0), m_bIconAdded(0), m_hWndOwner(nullptr), m_nId(0), m_hKeyboardHook(nullptr),
      m_hMouseHook(nullptr)
{
}

LWIconTray::~LWIconTray()
{
    if (m_bIconAdded) {
        m_bIconAdded = 0;
        NOTIFYICONDATAW data;
        FillData(data, m_hWndOwner, m_nId);
        ::Shell_NotifyIconW(NIM_DELETE, &data);
    }
    RemoveHooks();
}

int LWIconTray::Create(HWND owner, HICON icon, UINT callbackMessage, UINT id, const wchar_t* tip)
{
    m_hWndOwner = owner;
    m_nId = id;
    NOTIFYICONDATAW data;
    FillData(data, owner, id);
    data.uFlags = NIF_MESSAGE | NIF_ICON;
    data.uCallbackMessage = callbackMessage;
    data.hIcon = icon;
    if (tip && *tip) {
        data.uFlags |= NIF_TIP;
        lstrcpynW(data.szTip, tip, 128);
    }
    m_bIconAdded = ::Shell_NotifyIconW(NIM_ADD, &data);
    if (!m_bIconAdded)
        TRACE(L"LWIconTray::Create: the icon was not added\n");
    return m_bIconAdded;
}

int LWIconTray::ChangeIcon(HICON icon)
{
    NOTIFYICONDATAW data;
    FillData(data, m_hWndOwner, m_nId);
    data.uFlags = NIF_ICON;
    data.hIcon = icon;
    return ::Shell_NotifyIconW(NIM_MODIFY, &data);
}

int LWIconTray::Destroy()
{
    m_bIconAdded = 0;
    NOTIFYICONDATAW data;
    FillData(data, m_hWndOwner, m_nId);
    return ::Shell_NotifyIconW(NIM_DELETE, &data);
}

UINT LWIconTray::ShowTrayMenu(HMENU menu, POINT pt)
{
    if (!menu || !::IsWindow(m_hWndOwner)) {
        TRACE(L"LWIconTray::ShowTrayMenu: no %ls\n", menu ? L"owner window" : L"menu");
        return 0;
    }
    if (g_menuDepth++ == 0) {
        g_hooked = this;
        m_bHooksActive = 1;
        HINSTANCE module = AfxGetInstanceHandle();
        if (!m_hKeyboardHook)
            m_hKeyboardHook = ::SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHook, module, 0);
        if (!m_hMouseHook)
            m_hMouseHook = ::SetWindowsHookExW(WH_MOUSE_LL, MouseHook, module, 0);
    }
    // Without the foreground the menu would not take keys nor close on a click elsewhere; the
    // null message afterwards lets the next click open it again.
    ::SetForegroundWindow(m_hWndOwner);
    UINT result = (UINT)::TrackPopupMenu(menu, TPM_RIGHTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_hWndOwner, nullptr);
    ::PostMessageW(m_hWndOwner, WM_NULL, 0, 0);
    if (g_menuDepth > 0 && --g_menuDepth == 0) {
        ::KillTimer(m_hWndOwner, LW_TRAY_TIMER);
        RemoveHooks();
    }
    return result;
}

void LWIconTray::RemoveHooks()
{
    if (m_hKeyboardHook)
        ::UnhookWindowsHookEx(m_hKeyboardHook);
    if (m_hMouseHook)
        ::UnhookWindowsHookEx(m_hMouseHook);
    m_hKeyboardHook = m_hMouseHook = nullptr;
    m_bHooksActive = 0;
    if (g_hooked == this) {
        g_hooked = nullptr;
        g_menuDepth = 0;
    }
}
