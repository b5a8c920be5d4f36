#include "WindowLayer.h"
#include "ActivityLog.h"
#include <map>
#include <mutex>
#include <set>

const wchar_t kGcWndClassName[] = L"GcWndClassName";

namespace {

// One entry per re-registered system class; the layer's own class has no system procedure.
enum HookedClass { kLayerClass, kButton, kEdit, kTreeView, kToolTips, kHookedCount };
const wchar_t* const kHookedNames[kHookedCount] = {kGcWndClassName, L"Button", L"Edit", L"SysTreeView32",
                                                   L"tooltips_class32"};
WNDPROC s_saved[kHookedCount] = {DefWindowProcW, nullptr, nullptr, nullptr, nullptr};
WNDPROC s_savedDialog = nullptr;

// Windows of any thread may be created and destroyed, so the map and the set of live objects
// take a lock; they are looked up once per message of a hooked window.
std::mutex& MapLock()
{
    static std::mutex m;
    return m;
}
std::map<HWND, CGcWindow*>* s_map = nullptr;   // created with its first entry
std::set<const void*>& LiveObjects()
{
    static std::set<const void*> live;
    return live;
}

CGcModule* s_module = nullptr;

bool IsMenuItemDraw(LPARAM lp)
{
    const DRAWITEMSTRUCT* dis = (const DRAWITEMSTRUCT*)lp;
    return dis && dis->CtlType == ODT_MENU;
}

// A WM_DRAWITEM that nobody drew goes to the control it names, so an owner-drawn control
// draws itself whatever its parent does.
LRESULT ForwardDrawItem(HWND parent, WPARAM wp, LPARAM lp)
{
    if (IsMenuItemDraw(lp))
        return 0;
    HWND child = GetDlgItem(parent, (int)wp);
    return child ? SendMessageW(child, WM_DRAWITEM, wp, lp) : 0;
}

LRESULT CommonDispatch(int cls, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    WNDPROC saved = s_saved[cls];
    LRESULT result = 0;
    CGcWindow* object = nullptr;
    if (msg == WM_NCCREATE) {
        result = CallWindowProcW(saved, hwnd, msg, wp, lp);
        if (!result)
            return 0;   // the window is not created
        const CREATESTRUCTW* cs = (const CREATESTRUCTW*)lp;
        if (cs && CGcWindow::IsLive(cs->lpCreateParams)) {
            object = (CGcWindow*)cs->lpCreateParams;
            object->m_hWnd = hwnd;
            AttachWindowObject(hwnd, object);
        }
    } else {
        object = FindWindowObject(hwnd);
        if (!object && msg == WM_INITDIALOG && CGcWindow::IsLive((const void*)lp)) {
            object = (CGcWindow*)lp;
            object->m_hWnd = hwnd;
            AttachWindowObject(hwnd, object);
        }
    }
    LRESULT answer = object ? object->OnMessage(msg, wp, lp) : 0;
    if (!answer && msg == WM_DRAWITEM)
        answer = ForwardDrawItem(hwnd, wp, lp);
    if (msg == WM_NCDESTROY) {
        DetachWindowObject(hwnd);
        if (object && object->m_hWnd == hwnd)
            object->m_hWnd = nullptr;
    }
    if (msg == WM_NCCREATE)
        return result;
    if (answer)
        return answer;
    return CallWindowProcW(saved, hwnd, msg, wp, lp);
}

template <int Cls>
LRESULT CALLBACK HookedProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    return CommonDispatch(Cls, hwnd, msg, wp, lp);
}

const WNDPROC kHookedProcs[kHookedCount] = {HookedProc<kLayerClass>, HookedProc<kButton>, HookedProc<kEdit>,
                                            HookedProc<kTreeView>, HookedProc<kToolTips>};

LRESULT CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT result = CallWindowProcW(s_savedDialog, hwnd, msg, wp, lp);
    if (msg == WM_ERASEBKGND)
        return 1;
    if (msg == WM_DRAWITEM && !result)
        result = ForwardDrawItem(hwnd, wp, lp);
    return result;
}

// Re-registers a system class inside `instance` with `proc`; returns the system procedure.
WNDPROC Reregister(HINSTANCE instance, const wchar_t* name, WNDPROC proc)
{
    WNDCLASSEXW wc = {sizeof wc};
    if (!GetClassInfoExW(nullptr, name, &wc))
        return nullptr;
    WNDPROC system = wc.lpfnWndProc;
    wc.style &= ~CS_GLOBALCLASS;
    wc.hInstance = instance;
    wc.lpfnWndProc = proc;
    wc.lpszClassName = name;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    return system;
}

} // namespace

int RegisterWindowHooks(HINSTANCE instance)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_TRACE, "RegisterWindowHooks");
    WNDCLASSEXW wc = {sizeof wc};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = kHookedProcs[kLayerClass];
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
    wc.lpszClassName = kGcWndClassName;
    RegisterClassExW(&wc);
    for (int cls = kButton; cls < kHookedCount; ++cls) {
        if (s_saved[cls])
            continue;   // registered once per process
        s_saved[cls] = Reregister(instance, kHookedNames[cls], kHookedProcs[cls]);
    }
    if (!s_savedDialog)
        s_savedDialog = Reregister(instance, L"#32770", DialogProc);
    return 1;
}

void AttachWindowObject(HWND hwnd, CGcWindow* object)
{
    if (!hwnd || !object)
        return;
    std::lock_guard<std::mutex> lock(MapLock());
    if (!s_map)
        s_map = new std::map<HWND, CGcWindow*>;
    (*s_map)[hwnd] = object;
}

void DetachWindowObject(HWND hwnd)
{
    if (!hwnd)
        return;
    std::lock_guard<std::mutex> lock(MapLock());
    if (!s_map)
        return;
    s_map->erase(hwnd);
    if (s_map->empty()) {
        delete s_map;
        s_map = nullptr;
    }
}

CGcWindow* FindWindowObject(HWND hwnd)
{
    std::lock_guard<std::mutex> lock(MapLock());
    if (!s_map || !hwnd)
        return nullptr;
    auto it = s_map->find(hwnd);
    return it == s_map->end() ? nullptr : it->second;
}

// ---- CGcModule ----

CGcModule::CGcModule()
{
    s_module = this;
}

CGcModule::~CGcModule()
{
    if (s_module == this)
        s_module = nullptr;
}

CGcModule* GcGetModule()
{
    return s_module;
}

int CGcModule::Init(HINSTANCE instance, int showCommand)
{
    m_hInstance = instance;
    m_nShowCmd = showCommand;
    return 1;
}

BOOL CGcModule::PumpMessage()
{
    MSG msg;
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0)
        return FALSE;
    HWND main = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    if (m_hAccel && main && TranslateAcceleratorW(main, m_hAccel, &msg))
        return TRUE;
    if (msg.message == WM_COMMAND && !msg.hwnd) {
        if (main)
            SendMessageW(main, WM_COMMAND, msg.wParam, msg.lParam);
        return TRUE;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return TRUE;
}

const wchar_t* CGcModule::GetModuleName()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(m_hInstance, path, MAX_PATH);
    const wchar_t* name = wcsrchr(path, L'\\');
    name = name ? name + 1 : path;
    lstrcpynW(m_moduleName, name, MAX_PATH);
    return m_moduleName;
}

int CGcModule::CreateMainWindow(const wchar_t*)
{
    return 0;
}

// ---- CGcWindow ----

CGcWindow::CGcWindow()
{
    std::lock_guard<std::mutex> lock(MapLock());
    LiveObjects().insert(this);
}

CGcWindow::~CGcWindow()
{
    if (m_hWnd && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);   // WM_NCDESTROY removes the map entry
    DetachWindowObject(m_hWnd);
    std::lock_guard<std::mutex> lock(MapLock());
    LiveObjects().erase(this);
}

bool CGcWindow::IsLive(const void* p)
{
    if (!p)
        return false;
    std::lock_guard<std::mutex> lock(MapLock());
    return LiveObjects().count(p) != 0;
}

LRESULT CGcWindow::OnMessage(UINT msg, WPARAM, LPARAM lp)
{
    switch (msg) {
    case WM_NCCREATE:
        return 1;
    case WM_SIZE:
        m_cx = (short)LOWORD(lp);
        m_cy = (short)HIWORD(lp);
        break;
    case WM_MOVE:
        m_x = (short)LOWORD(lp);
        m_y = (short)HIWORD(lp);
        break;
    }
    return 0;
}

HWND CGcWindow::Create(const wchar_t* className, const wchar_t* title, DWORD style, const RECT& rect, HWND parent,
                       HMENU menu)
{
    HINSTANCE instance = s_module && s_module->m_hInstance ? s_module->m_hInstance : GetModuleHandleW(nullptr);
    return CreateEx(0, className, title, style, rect, parent, menu, instance);
}

HWND CGcWindow::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                         const RECT& rect, HWND parent, HMENU menu, HINSTANCE instance)
{
    HWND hwnd = CreateWindowExW(exStyle, className ? className : kGcWndClassName, title, style, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, parent, menu, instance, this);
    if (hwnd && !m_hWnd)
        m_hWnd = hwnd;
    return hwnd;
}
