// LWSubclassWnd: lets an object that is not a window see the messages of any window by
// replacing its window procedure. Several hooks on one window form a chain, newest first; each
// passes a message on to the next and the last to the window's own procedure.
#pragma once
#include "Framework.h"
#include "LWExport.h"

// Sees every message of a hooked window before any hook handles it.
class LWAPI LWSubclassNotify {
public:
    virtual void OnSubclassMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
};

class LWAPI LWSubclassWnd : public CObject {
    DECLARE_DYNAMIC(LWSubclassWnd)
public:
    LWSubclassWnd();
    ~LWSubclassWnd() override;

    // Makes this object the newest hook of `wnd`; null unhooks. Hooking the window this object
    // already hooks changes nothing; hooking another window unhooks from the first.
    BOOL HookWindow(HWND wnd);
    BOOL HookWindow(CWnd* wnd);
    void Unhook() { HookWindow((HWND) nullptr); }
    BOOL IsHooked() const { return m_hWnd != nullptr; }

    // Passes the message to the next hook, the last to the window's own procedure. (Listeners
    // of the chain have seen it already.)
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void SetListener(LWSubclassNotify* listener) { m_pListener = listener; }
    virtual LWSubclassNotify* GetListener() { return m_pListener; }
    // The message being handled, passed on down the chain.
    LRESULT Default();

    HWND m_hWnd;
    WNDPROC m_pOldWndProc;
    LWSubclassWnd* m_pNext;
    LWSubclassNotify* m_pListener;

    friend LRESULT CALLBACK LWHookWndProc(HWND, UINT, WPARAM, LPARAM);
};
