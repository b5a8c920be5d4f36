#include "LWSubclassWnd.h"

IMPLEMENT_DYNAMIC(LWSubclassWnd, CObject)

namespace {

// Window handle -> newest hook on that window.
CMapPtrToPtr* g_hookMap = nullptr;

CMapPtrToPtr& HookMap()
{
    if (!g_hookMap) {
        g_hookMap = new CMapPtrToPtr;
        g_hookMap->InitHashTable(10);
    }
    return *g_hookMap;
}

LWSubclassWnd* NewestHook(HWND wnd)
{
    void* hook = nullptr;
    if (!g_hookMap || !g_hookMap->Lookup(wnd, hook))
        return nullptr;
    return static_cast<LWSubclassWnd*>(hook);
}

struct HookMapCleanup {
    ~HookMapCleanup()
    {
        delete g_hookMap;
        g_hookMap = nullptr;
    }
} g_cleanup;

// Takes `hook` out of its window's chain; the last one puts the window's procedure back.
void RemoveHook(LWSubclassWnd* hook)
{
    HWND wnd = hook->m_hWnd;
    LWSubclassWnd* newest = NewestHook(wnd);
    if (newest == hook) {
        if (hook->m_pNext) {
            HookMap().SetAt(wnd, hook->m_pNext);
        } else {
            HookMap().RemoveKey(wnd);
            if (::IsWindow(wnd))
                ::SetWindowLongPtrW(wnd, GWLP_WNDPROC, (LONG_PTR)hook->m_pOldWndProc);
        }
    } else {
        for (LWSubclassWnd* p = newest; p; p = p->m_pNext) {
            if (p->m_pNext == hook) {
                p->m_pNext = hook->m_pNext;
                break;
            }
        }
    }
    hook->m_pNext = nullptr;
    hook->m_pOldWndProc = nullptr;
}

} // namespace

LRESULT CALLBACK LWHookWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    MSG& current = AfxGetThreadState()->m_lastSentMsg;
    MSG saved = current;
    current.hwnd = wnd;
    current.message = msg;
    current.wParam = wParam;
    current.lParam = lParam;
    LRESULT result = 0;
    LWSubclassWnd* newest = NewestHook(wnd);
    if (!newest) {
        // cannot happen while the map is kept right; answer as the system would
        result = ::DefWindowProcW(wnd, msg, wParam, lParam);
    } else if (msg == WM_NCDESTROY) {
        WNDPROC own = newest->m_pOldWndProc;
        while (LWSubclassWnd* hook = NewestHook(wnd)) {
            RemoveHook(hook);
            hook->m_hWnd = nullptr;
        }
        result = ::CallWindowProcW(own, wnd, msg, wParam, lParam);
    } else {
        // Listeners see the message before any hook of the chain handles it.
        for (LWSubclassWnd* hook = newest; hook; hook = hook->m_pNext)
            if (hook->m_pListener)
                hook->m_pListener->OnSubclassMessage(wnd, msg, wParam, lParam);
        result = newest->WindowProc(msg, wParam, lParam);
    }
    current = saved;
    return result;
}

LWSubclassWnd::LWSubclassWnd() : m_hWnd(nullptr), m_pOldWndProc(nullptr), m_pNext(nullptr), m_pListener(nullptr)
{
}

LWSubclassWnd::~LWSubclassWnd()
{
    if (m_hWnd)
        HookWindow((HWND) nullptr);
    m_pListener = nullptr;
}

BOOL LWSubclassWnd::HookWindow(CWnd* wnd)
{
    return HookWindow(wnd ? wnd->GetSafeHwnd() : (HWND) nullptr);
}

BOOL LWSubclassWnd::HookWindow(HWND wnd)
{
    if (wnd && wnd == m_hWnd)
        return TRUE;  // linking a hook to itself would loop for ever
    if (m_hWnd) {
        RemoveHook(this);
        m_hWnd = nullptr;
    }
    if (!wnd)
        return TRUE;
    if (!::IsWindow(wnd)) {
        TRACE(L"LWSubclassWnd::HookWindow: %p is no window\n", (void*)wnd);
        return FALSE;
    }
    LWSubclassWnd* newest = NewestHook(wnd);
    if (newest) {
        m_pNext = newest;
        m_pOldWndProc = newest->m_pOldWndProc;
    } else {
        m_pNext = nullptr;
        m_pOldWndProc = (WNDPROC)::SetWindowLongPtrW(wnd, GWLP_WNDPROC, (LONG_PTR)LWHookWndProc);
    }
    HookMap().SetAt(wnd, this);
    m_hWnd = wnd;
    return TRUE;
}

LRESULT LWSubclassWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (m_pNext)
        return m_pNext->WindowProc(msg, wParam, lParam);
    if (!m_pOldWndProc)
        return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
    return ::CallWindowProcW(m_pOldWndProc, m_hWnd, msg, wParam, lParam);
}

LRESULT LWSubclassWnd::Default()
{
    // the base's, so that an override calling it passes the message on instead of to itself
    const MSG& current = AfxGetThreadState()->m_lastSentMsg;
    return LWSubclassWnd::WindowProc(current.message, current.wParam, current.lParam);
}
