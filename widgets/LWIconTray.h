// LWIconTray: one icon in the notification area and its popup menu. While the menu is open,
// low-level keyboard and mouse hooks watch the desktop and ask the owner window, through
// timer 10, to close the menu on a click outside it or on Esc.
#pragma once
#include "Framework.h"
#include "LWExport.h"

#define LW_TRAY_TIMER 10

class LWAPI LWIconTray {
public:
    LWIconTray();
    virtual ~LWIconTray();

    // Adds the icon (NIF_MESSAGE | NIF_ICON, and NIF_TIP for a non-empty tip of at most 127
    // characters); the result is kept as the icon-added flag.
    virtual int Create(HWND owner, HICON icon, UINT callbackMessage, UINT id, const wchar_t* tip);
    virtual int Destroy();
    virtual int ChangeIcon(HICON icon);
    // Tracks `menu` at `pt` for the owner window and answers TrackPopupMenu's result.
    virtual UINT ShowTrayMenu(HMENU menu, POINT pt);

    int m_bHooksActive;
    int m_bIconAdded;
    HWND m_hWndOwner;
    UINT m_nId;
    HHOOK m_hKeyboardHook;
    HHOOK m_hMouseHook;

    // Removes the hooks when the outermost menu closes or the object goes.
    void RemoveHooks();
};
