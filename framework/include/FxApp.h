// The application object: CWinApp (the main thread's CWinThread, its names, settings in the
// registry and the command line) and CCommandLineInfo.
#pragma once
#include "FxThread.h"

class CDocTemplate;
class CDocument;
class CDocManager;

// The command line as the framework understands it. ParseParam is called once per argument;
// derived classes add switches of their own and call the base first.
class CCommandLineInfo : public CObject {
 public:
  enum {
    FileNew = 0, FileOpen = 1, FilePrint = 2, FilePrintTo = 3, FileDDE = 4,
    AppRegister = 5, AppUnregister = 6, FileNothing = -1
  };
  CCommandLineInfo() {}
  ~CCommandLineInfo() override {}

  // param: the argument without its leading "/" or "-"; flag: it had one; last: no more follow.
  // Switches (any letter case): "p" print, "pt" print to (the next three plain arguments are
  // printer, driver and port), "dde", "register"/"regserver", "unregister"/"unregserver",
  // "embedding", "automation" (both of the last turn the splash screen off). Other switches
  // are left to derived classes. The first plain argument is the file name; when the command
  // is still FileNew after the last argument and a file was named, it becomes FileOpen.
  virtual void ParseParam(const wchar_t* param, BOOL flag, BOOL last);

  BOOL m_bShowSplash = TRUE;
  BOOL m_bRunEmbedded = FALSE;
  BOOL m_bRunAutomated = FALSE;
  int m_nShellCommand = FileNew;
  CString m_strFileName;
  CString m_strPrinterName;
  CString m_strDriverName;
  CString m_strPortName;

 protected:
  void ParseParamFlag(const wchar_t* param);
  void ParseParamNotFlag(const wchar_t* param);
  void ParseLast(BOOL last);
};

class CWinApp : public CWinThread {
  DECLARE_DYNAMIC(CWinApp)
 public:
  // The newest application object is the one AfxGetApp returns. Its name (m_pszAppName, also
  // the name of its registry key) is `appName`, else the program's string resource 0xE000
  // (AFX_IDS_APP_TITLE), else the program file's name without its extension. An application
  // object that is a static of a DLL takes the DLL for "the program" here (its handle, its
  // string, its file name).
  explicit CWinApp(LPCTSTR appName = nullptr);
  ~CWinApp() override;

  virtual BOOL InitApplication();  // TRUE
  BOOL InitInstance() override;    // TRUE
  int ExitInstance() override;     // WM_QUIT's wParam
  int Run() override;              // the message loop of the application's thread
  BOOL OnIdle(LONG count) override;

  // --- Settings in the registry, under HKEY_CURRENT_USER\Software\<key>\<m_pszProfileName>.
  // Until SetRegistryKey has been called the readers return their defaults and the writers
  // return FALSE and store nothing. An empty section is the application's key itself.
  void SetRegistryKey(LPCTSTR companyKey);  // also sets m_pszProfileName to m_pszAppName
  void SetRegistryKey(UINT companyKeyStringId);
  // The application's key and a section's key, created when missing (KEY_READ | KEY_WRITE);
  // null before SetRegistryKey. The caller closes them (RegCloseKey).
  HKEY GetAppRegistryKey();
  HKEY GetSectionKey(LPCTSTR section);
  // A REG_DWORD value, or `defaultValue` when it is missing or of another type.
  UINT GetProfileInt(LPCTSTR section, LPCTSTR entry, int defaultValue);
  BOOL WriteProfileInt(LPCTSTR section, LPCTSTR entry, int value);
  // A REG_SZ value, or `defaultValue` (null: empty) when it is missing or of another type.
  CString GetProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR defaultValue = nullptr);
  // A null value deletes the entry; a null entry deletes the whole section.
  BOOL WriteProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR value);
  // A REG_BINARY value in a new[] buffer that the caller delete[]s. FALSE (with *data null and
  // *bytes 0) when it is missing.
  BOOL GetProfileBinary(LPCTSTR section, LPCTSTR entry, LPBYTE* data, UINT* bytes);
  BOOL WriteProfileBinary(LPCTSTR section, LPCTSTR entry, LPBYTE data, UINT bytes);
  // Remembers the size of the recent-file list; the program keeps no such list, so nothing is
  // read or written.
  void LoadStdProfileSettings(UINT maxRecentFiles = 4);

  // --- Command line. ParseParam is called for each argument of the process's command line,
  // without the program name; a leading "/" or "-" is removed and reported as a flag.
  void ParseCommandLine(CCommandLineInfo& info);
  // The same over `arguments` (the text after the program name, as m_lpCmdLine holds it).
  static void ParseCommandLine(CCommandLineInfo& info, LPCTSTR arguments);

  // --- Resources, from the resource search list.
  HICON LoadIcon(UINT id) const;
  HICON LoadIcon(LPCTSTR name) const;
  HICON LoadStandardIcon(LPCTSTR name) const { return ::LoadIconW(nullptr, name); }
  HCURSOR LoadCursor(UINT id) const;
  HCURSOR LoadCursor(LPCTSTR name) const;
  HCURSOR LoadStandardCursor(LPCTSTR name) const { return ::LoadCursorW(nullptr, name); }

  // --- Documents and the shell: declared here, defined by the document layer.
  void AddDocTemplate(CDocTemplate* docTemplate);
  POSITION GetFirstDocTemplatePosition() const;
  CDocTemplate* GetNextDocTemplate(POSITION& pos) const;
  BOOL ProcessShellCommand(CCommandLineInfo& info);
  void EnableShellOpen();
  void RegisterShellFileTypes(BOOL compatibility = FALSE);
  void UnregisterShellFileTypes();
  void OnFileNew();
  void OnFileOpen();

  // ID_APP_EXIT (57665): closes the main window as its close box would (it may refuse, as a
  // document that is not saved does); once it is gone, or when there is none, the thread's
  // loop is told to quit. Applications that map the command themselves replace it.
  afx_msg void OnAppExit();

  HINSTANCE m_hInstance = nullptr;
  LPTSTR m_lpCmdLine = nullptr;   // the arguments after the program name
  int m_nCmdShow = SW_SHOWNORMAL;
  // Names, each malloc'ed (a program may free one and store its own _wcsdup copy).
  LPCTSTR m_pszAppName = nullptr;
  LPCTSTR m_pszExeName = nullptr;
  LPCTSTR m_pszHelpFilePath = nullptr;
  LPCTSTR m_pszProfileName = nullptr;   // null until SetRegistryKey
  LPCTSTR m_pszRegistryKey = nullptr;   // null until SetRegistryKey
  CDocManager* m_pDocManager = nullptr;  // owned by the document layer
  UINT m_nMaxRecentFiles = 0;

 private:
  // Opens (or creates) a section's key; opening asks for `access`, creating for read and write.
  HKEY OpenSectionKey(LPCTSTR section, bool create, REGSAM access = KEY_READ);

  DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
LPCTSTR AfxGetAppName();
// An application object in a DLL (a CWinApp of the DLL's own, with framework_static linked
// into it, as an add-in carries it): framework_static supplies the DLL's DllMain, which calls
// this; a DLL that needs a DllMain of its own calls it from there. On process attach the DLL
// becomes the instance and resource module, the application takes its handle and runs
// InitInstance; when that fails, ExitInstance runs and the load fails (FALSE). On process
// detach ExitInstance runs, once, for an application whose InitInstance succeeded.
BOOL AfxDllAppMain(HINSTANCE instance, DWORD reason);

// The framework's WinMain: stores the instance handle, command line and show command in the
// application, runs InitApplication and InitInstance, then Run; when InitInstance fails the
// main window is destroyed and ExitInstance runs. Returns the exit code.
int AfxWinMain(HINSTANCE instance, HINSTANCE previous, LPTSTR commandLine, int showCommand);
