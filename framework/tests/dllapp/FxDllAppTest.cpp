// A DLL with an application object of its own and no DllMain: framework_static's runs it.
// InitInstance and ExitInstance write what they see to the environment variable FX_DLLAPP_LOG,
// which the loading test reads; FX_DLLAPP_FAIL=1 makes InitInstance fail.
#include "Framework.h"

namespace {

void Log(const CString& entry) {
  wchar_t old[1024] = {};
  ::GetEnvironmentVariableW(L"FX_DLLAPP_LOG", old, 1024);
  CString text = old;
  if (!text.IsEmpty()) text += L"|";
  ::SetEnvironmentVariableW(L"FX_DLLAPP_LOG", text + entry);
}

class CDllTestApp : public CWinApp {
 public:
  BOOL InitInstance() override {
    HMODULE self = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         (LPCWSTR)&Log, &self);
    CString greeting;
    greeting.LoadString(1);  // from the DLL's own string table
    CString entry;
    entry.Format(L"init app=%d instance=%d resource=%d name=%s exe=%s string=%s", AfxGetApp() == this,
                 m_hInstance == self && AfxGetInstanceHandle() == self, AfxGetResourceHandle() == self,
                 m_pszAppName, m_pszExeName, greeting.GetString());
    Log(entry);
    return ::GetEnvironmentVariableW(L"FX_DLLAPP_FAIL", nullptr, 0) == 0;
  }
  int ExitInstance() override {
    Log(L"exit");
    return CWinApp::ExitInstance();
  }
};

CDllTestApp theApp;

}  // namespace
