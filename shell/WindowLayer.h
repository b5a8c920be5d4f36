// The program's own small window layer beside the class library: five system window classes
// re-registered in the program's module so that their windows pass through this layer first,
// a map from window handles to window objects, the module record and the window object base.
#pragma once
#include <winsock2.h>   // before windows.h, as everywhere in the program
#include <windows.h>

class CGcWindow;

// The layer's own class, used when a window object is created without a class name.
extern const wchar_t kGcWndClassName[];   // "GcWndClassName"

// Registers "GcWndClassName" and re-registers the dialog class, "Button", "Edit",
// "SysTreeView32" and "tooltips_class32" in `instance` with the layer's procedures. Windows of
// those classes created with `instance` then reach their window object (when they have one)
// before the system procedure, and owner-drawn controls get their own WM_DRAWITEM. Returns 1.
int RegisterWindowHooks(HINSTANCE instance);

// The handle-to-object map; a null handle or object is ignored.
void AttachWindowObject(HWND hwnd, CGcWindow* object);
void DetachWindowObject(HWND hwnd);
CGcWindow* FindWindowObject(HWND hwnd);

// Module record: the application object embeds one; the last one constructed is the process's.
class CGcModule {
public:
    CGcModule();
    virtual ~CGcModule();
    CGcModule(const CGcModule&) = delete;
    CGcModule& operator=(const CGcModule&) = delete;

    virtual int Init(HINSTANCE instance, int showCommand);
    virtual void OnHook() {}
    // One GetMessage / TranslateAccelerator / TranslateMessage / DispatchMessage round; a
    // WM_COMMAND without a window goes to the main window. FALSE on WM_QUIT or an error.
    virtual BOOL PumpMessage();
    // File name part of the module's path, handed to CreateMainWindow.
    virtual const wchar_t* GetModuleName();
    // The application's own record creates nothing and answers 0.
    virtual int CreateMainWindow(const wchar_t* moduleName);

    HINSTANCE m_hInstance = nullptr;
    int m_nShowCmd = 0;
    HACCEL m_hAccel = nullptr;
    CGcWindow* m_pMainWnd = nullptr;

private:
    wchar_t m_moduleName[MAX_PATH] = {};
};

// The process's module record, or null.
CGcModule* GcGetModule();

// Base of the layer's windows. A window created through Create/CreateEx enters the map with
// its WM_NCCREATE and leaves it with WM_NCDESTROY.
class CGcWindow {
public:
    CGcWindow();
    virtual ~CGcWindow();   // destroys the window
    CGcWindow(const CGcWindow&) = delete;
    CGcWindow& operator=(const CGcWindow&) = delete;

    // Answers 1 to WM_NCCREATE and records WM_SIZE and WM_MOVE; 0 lets the class procedure
    // handle the message.
    virtual LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void OnHook() {}
    virtual HWND Create(const wchar_t* className, const wchar_t* title, DWORD style, const RECT& rect,
                        HWND parent, HMENU menu);
    virtual HWND CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                          const RECT& rect, HWND parent, HMENU menu, HINSTANCE instance);

    // Whether `p` points at a window object that is still alive (creation parameters and
    // dialog parameters are only taken for objects when they are).
    static bool IsLive(const void* p);

    HWND m_hWnd = nullptr;
    int m_cx = 0, m_cy = 0;   // last WM_SIZE
    int m_x = 0, m_y = 0;     // last WM_MOVE
};
