// CWinApp: the application's names, its settings in the registry, the command line, and the
// framework's WinMain.
#include "Framework.h"
#include <shellapi.h>
#include <vector>
#include <cstdlib>

IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

BEGIN_MESSAGE_MAP(CWinApp, CWinThread)
  ON_COMMAND(ID_APP_EXIT, OnAppExit)
END_MESSAGE_MAP()

namespace {
CWinApp* g_app = nullptr;

void SetName(LPCTSTR& field, const wchar_t* value) {
  free((void*)field);
  field = value ? _wcsdup(value) : nullptr;
}

CString ModuleBaseName(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(module, path, MAX_PATH);
  CString name = path;
  name = name.Mid(name.ReverseFind(L'\\') + 1);
  int dot = name.ReverseFind(L'.');
  return dot > 0 ? name.Left(dot) : name;
}

const UINT kAppTitleId = 0xE000;
}  // namespace

CWinApp* AfxGetApp() { return g_app; }

LPCTSTR AfxGetAppName() { return g_app ? g_app->m_pszAppName : L""; }

CWinApp::CWinApp(LPCTSTR appName) {
  g_app = this;
  // The application object lives on the thread that runs WinMain; its handle is a real one so
  // that other threads may wait on it.
  m_nThreadID = ::GetCurrentThreadId();
  ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &m_hThread,
                    0, FALSE, DUPLICATE_SAME_ACCESS);
  m_bAutoDelete = FALSE;
  // A static application object of a DLL lies inside the DLL's image.
  HMODULE owner = nullptr;
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            (LPCWSTR)this, &owner) ||
      owner == ::GetModuleHandleW(nullptr))
    owner = nullptr;
  m_hInstance = owner ? owner : AfxGetInstanceHandle();
  CString exe = ModuleBaseName(owner);
  SetName(m_pszExeName, exe);
  if (appName && *appName) {
    SetName(m_pszAppName, appName);
  } else {
    int n = 0;
    const wchar_t* title = nullptr;
    if (owner)
      n = ::LoadStringW(owner, kAppTitleId, (LPWSTR)&title, 0);
    else
      title = AfxFindStringResource(kAppTitleId, &n);
    SetName(m_pszAppName, title && n > 0 ? CString(title, n).GetString() : exe.GetString());
  }
}

void AfxDeleteDocManager(CWinApp* app);  // the document layer owns the manager's type

CWinApp::~CWinApp() {
  AfxDeleteDocManager(this);
  for (LPCTSTR* f : {&m_pszAppName, &m_pszExeName, &m_pszHelpFilePath, &m_pszProfileName, &m_pszRegistryKey})
    SetName(*f, nullptr);
  if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitApplication() { return TRUE; }
BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::ExitInstance() { return (int)m_msgCur.wParam; }
int CWinApp::Run() { return CWinThread::Run(); }
BOOL CWinApp::OnIdle(LONG count) { return CWinThread::OnIdle(count); }

void CWinApp::OnAppExit() {
  CWnd* main = m_pMainWnd;
  HWND h = main ? main->GetSafeHwnd() : nullptr;
  if (h) ::SendMessageW(h, WM_CLOSE, 0, 0);
  if (h && ::IsWindow(h)) return;  // the window stayed: nothing ends
  // a frame deletes itself with its window: keep no pointer to it
  if (m_pMainWnd == main) m_pMainWnd = nullptr;
  ::PostQuitMessage(0);
}

// ---------------------------------------------------------------------------------------------
// Settings

void CWinApp::SetRegistryKey(LPCTSTR companyKey) {
  SetName(m_pszRegistryKey, companyKey);
  SetName(m_pszProfileName, m_pszAppName);
}

void CWinApp::SetRegistryKey(UINT companyKeyStringId) {
  CString key;
  key.LoadString(companyKeyStringId);
  SetRegistryKey(key);
}

HKEY CWinApp::GetAppRegistryKey() { return OpenSectionKey(L"", true); }

HKEY CWinApp::GetSectionKey(LPCTSTR section) { return OpenSectionKey(section, true); }

HKEY CWinApp::OpenSectionKey(LPCTSTR section, bool create, REGSAM access) {
  if (!m_pszRegistryKey || !*m_pszRegistryKey || !m_pszProfileName) return nullptr;
  CString path = CString(L"Software\\") + m_pszRegistryKey + L"\\" + m_pszProfileName;
  if (section && *section) path += CString(L"\\") + section;
  HKEY key = nullptr;
  LONG rc = create ? ::RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_READ | KEY_WRITE, nullptr, &key, nullptr)
                   : ::RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, access, &key);
  return rc == ERROR_SUCCESS ? key : nullptr;
}

UINT CWinApp::GetProfileInt(LPCTSTR section, LPCTSTR entry, int defaultValue) {
  HKEY key = OpenSectionKey(section, false);
  if (!key) return (UINT)defaultValue;
  DWORD type = 0, value = 0, size = sizeof value;
  LONG rc = ::RegQueryValueExW(key, entry, nullptr, &type, (LPBYTE)&value, &size);
  ::RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value ? value : (UINT)defaultValue;
}

BOOL CWinApp::WriteProfileInt(LPCTSTR section, LPCTSTR entry, int value) {
  HKEY key = OpenSectionKey(section, true);
  if (!key) return FALSE;
  DWORD v = (DWORD)value;
  LONG rc = ::RegSetValueExW(key, entry, 0, REG_DWORD, (const BYTE*)&v, sizeof v);
  ::RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

CString CWinApp::GetProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR defaultValue) {
  CString result = defaultValue ? defaultValue : L"";
  HKEY key = OpenSectionKey(section, false);
  if (!key) return result;
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(key, entry, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    // room for a terminator the stored value may lack
    std::vector<wchar_t> buf(size / sizeof(wchar_t) + 1, 0);
    DWORD got = size;
    if (::RegQueryValueExW(key, entry, nullptr, &type, (LPBYTE)buf.data(), &got) == ERROR_SUCCESS) {
      size_t chars = got / sizeof(wchar_t);
      while (chars > 0 && buf[chars - 1] == 0) --chars;
      result = CString(buf.data(), (int)chars);
    }
  }
  ::RegCloseKey(key);
  return result;
}

BOOL CWinApp::WriteProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR value) {
  if (!entry) {  // the whole section goes
    if (!section || !*section) return FALSE;  // never the application's own key this way
    HKEY app = OpenSectionKey(L"", false, KEY_READ | KEY_WRITE | DELETE);
    if (!app) return m_pszRegistryKey != nullptr;  // nothing stored yet: nothing to delete
    LONG rc = ::RegDeleteTreeW(app, section);
    ::RegCloseKey(app);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
  }
  if (!value) {
    HKEY key = OpenSectionKey(section, false, KEY_READ | KEY_WRITE);
    if (!key) return m_pszRegistryKey != nullptr;
    LONG rc = ::RegDeleteValueW(key, entry);
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
  }
  HKEY key = OpenSectionKey(section, true);
  if (!key) return FALSE;
  LONG rc = ::RegSetValueExW(key, entry, 0, REG_SZ, (const BYTE*)value,
                             (DWORD)((wcslen(value) + 1) * sizeof(wchar_t)));
  ::RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

BOOL CWinApp::GetProfileBinary(LPCTSTR section, LPCTSTR entry, LPBYTE* data, UINT* bytes) {
  if (!data || !bytes) return FALSE;
  *data = nullptr;
  *bytes = 0;
  HKEY key = OpenSectionKey(section, false);
  if (!key) return FALSE;
  DWORD type = 0, size = 0;
  BOOL ok = FALSE;
  if (::RegQueryValueExW(key, entry, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_BINARY) {
    LPBYTE buf = new BYTE[size ? size : 1];
    if (::RegQueryValueExW(key, entry, nullptr, &type, buf, &size) == ERROR_SUCCESS) {
      *data = buf;
      *bytes = size;
      ok = TRUE;
    } else {
      delete[] buf;
    }
  }
  ::RegCloseKey(key);
  return ok;
}

BOOL CWinApp::WriteProfileBinary(LPCTSTR section, LPCTSTR entry, LPBYTE data, UINT bytes) {
  if (!data && bytes) return FALSE;
  HKEY key = OpenSectionKey(section, true);
  if (!key) return FALSE;
  LONG rc = ::RegSetValueExW(key, entry, 0, REG_BINARY, data, bytes);
  ::RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

void CWinApp::LoadStdProfileSettings(UINT maxRecentFiles) { m_nMaxRecentFiles = maxRecentFiles; }

// ---------------------------------------------------------------------------------------------
// Command line

void CWinApp::ParseCommandLine(CCommandLineInfo& info) {
  LPCWSTR line = ::GetCommandLineW();
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(line, &argc);
  if (!argv) return;
  for (int i = 1; i < argc; ++i) {
    const wchar_t* p = argv[i];
    BOOL flag = (*p == L'/' || *p == L'-');
    info.ParseParam(flag ? p + 1 : p, flag, i == argc - 1);
  }
  ::LocalFree(argv);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info, LPCTSTR arguments) {
  // The splitter treats its first argument (the program) by other rules: give it a stand-in.
  CString line = CString(L"x ") + (arguments ? arguments : L"");
  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(line, &argc);
  if (!argv) return;
  for (int i = 1; i < argc; ++i) {
    const wchar_t* p = argv[i];
    BOOL flag = (*p == L'/' || *p == L'-');
    info.ParseParam(flag ? p + 1 : p, flag, i == argc - 1);
  }
  ::LocalFree(argv);
}

void CCommandLineInfo::ParseParam(const wchar_t* param, BOOL flag, BOOL last) {
  if (flag)
    ParseParamFlag(param);
  else
    ParseParamNotFlag(param);
  ParseLast(last);
}

void CCommandLineInfo::ParseParamFlag(const wchar_t* param) {
  struct Switch { const wchar_t* name; int command; };
  static const Switch kCommands[] = {
    {L"pt", FilePrintTo}, {L"p", FilePrint}, {L"dde", FileDDE},
    {L"register", AppRegister}, {L"regserver", AppRegister},
    {L"unregister", AppUnregister}, {L"unregserver", AppUnregister},
  };
  for (const Switch& s : kCommands) {
    if (_wcsicmp(param, s.name) == 0) {
      m_nShellCommand = s.command;
      return;
    }
  }
  if (_wcsicmp(param, L"embedding") == 0) {
    m_bRunEmbedded = TRUE;
    m_bShowSplash = FALSE;
  } else if (_wcsicmp(param, L"automation") == 0) {
    m_bRunAutomated = TRUE;
    m_bShowSplash = FALSE;
  }
}

void CCommandLineInfo::ParseParamNotFlag(const wchar_t* param) {
  if (m_strFileName.IsEmpty())
    m_strFileName = param;
  else if (m_nShellCommand == FilePrintTo && m_strPrinterName.IsEmpty())
    m_strPrinterName = param;
  else if (m_nShellCommand == FilePrintTo && m_strDriverName.IsEmpty())
    m_strDriverName = param;
  else if (m_nShellCommand == FilePrintTo && m_strPortName.IsEmpty())
    m_strPortName = param;
}

void CCommandLineInfo::ParseLast(BOOL last) {
  if (last && m_nShellCommand == FileNew && !m_strFileName.IsEmpty()) m_nShellCommand = FileOpen;
}

// ---------------------------------------------------------------------------------------------
// Resources

HICON CWinApp::LoadIcon(UINT id) const { return LoadIcon(MAKEINTRESOURCEW(id)); }

HICON CWinApp::LoadIcon(LPCTSTR name) const {
  HINSTANCE h = AfxFindResourceHandle(name, RT_GROUP_ICON);
  return h ? ::LoadIconW(h, name) : nullptr;
}

HCURSOR CWinApp::LoadCursor(UINT id) const { return LoadCursor(MAKEINTRESOURCEW(id)); }

HCURSOR CWinApp::LoadCursor(LPCTSTR name) const {
  HINSTANCE h = AfxFindResourceHandle(name, RT_GROUP_CURSOR);
  return h ? ::LoadCursorW(h, name) : nullptr;
}

// ---------------------------------------------------------------------------------------------

BOOL AfxDllAppMain(HINSTANCE instance, DWORD reason) {
  // Whether the application was started, so that the detach after a failed attach (the loader
  // sends one) does not end it twice.
  static CWinApp* s_started = nullptr;
  CWinApp* app = AfxGetApp();
  if (reason == DLL_PROCESS_ATTACH) {
    AfxSetInstanceHandle(instance);
    AfxSetResourceHandle(instance);
    if (!app) return TRUE;
    app->m_hInstance = instance;
    if (!app->InitInstance()) {
      app->ExitInstance();
      return FALSE;
    }
    s_started = app;
  } else if (reason == DLL_PROCESS_DETACH) {
    if (app && app == s_started) app->ExitInstance();
    s_started = nullptr;
  }
  return TRUE;
}

int AfxWinMain(HINSTANCE instance, HINSTANCE, LPTSTR commandLine, int showCommand) {
  CWinApp* app = AfxGetApp();
  if (!app) return -1;
  AfxSetInstanceHandle(instance);
  app->m_hInstance = instance;
  app->m_lpCmdLine = commandLine;
  app->m_nCmdShow = showCommand;
  if (!app->InitApplication()) return -1;
  if (!app->InitInstance()) {
    AFX_THREAD_HOOKS& hooks = AfxGetThreadHooks();
    if (hooks.destroyMainWnd)
      hooks.destroyMainWnd(app);
    else if (app->m_pMainWnd && app->m_pMainWnd->GetSafeHwnd())
      app->m_pMainWnd->DestroyWindow();
    return app->ExitInstance();
  }
  return app->Run();
}
