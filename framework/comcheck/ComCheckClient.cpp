// The cross-process check, client side: registers a ComCheckServer build, creates it by ProgID,
// calls it through the vtable and through IDispatch, receives its event, releases it, sees the
// server end and unregisters it again. In the x86_64 tree it runs against the i686 server (the
// program's automation server and the 64-bit add-in meet this way) and against its own build.
#include <gtest/gtest.h>
#include "AtlCom.h"
#include "ComRegistrar.h"
#include "ComCheck.h"
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const wchar_t kProgId[] = L"PeloraComCheck.Server";
const wchar_t kClsidKey[] = L"CLSID\\{397039ED-AB5E-4B4E-9DF6-BA8E0541A0FB}";
const wchar_t kAppIdKey[] = L"AppID\\{E5DA426A-E490-4A99-9AD5-63CC76717777}";
const wchar_t kInterfaceKey[] = L"Interface\\{7FAA1C6A-01B6-4EB5-9202-A98D9730D1CF}";
const wchar_t kEventsKey[] = L"Interface\\{493DE6E6-93EA-447A-8B91-1D256D399B2A}";
const wchar_t kTypeLibKey[] = L"TypeLib\\{F7040307-CC9E-4226-8739-F97AA9DE28F7}";
const DWORD kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

struct Server {
  const char* name;
  const char* unixPath;  // the build tree's path, seen by Wine on drive Z:
  int bits;
};

std::wstring WindowsPath(const char* unixPath) {
  std::wstring path = L"Z:";
  for (const char* p = unixPath; *p; ++p) path += (*p == '/') ? L'\\' : (wchar_t)(unsigned char)*p;
  return path;
}

// Runs exe with args and returns its exit code, or a failure of its own to start.
HRESULT RunServer(const std::wstring& exe, const wchar_t* args) {
  std::wstring cmd = L"\"" + exe + L"\" " + args;
  STARTUPINFOW si = {sizeof si};
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return HRESULT_FROM_WIN32(GetLastError());
  DWORD code = (DWORD)E_FAIL;
  if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return (HRESULT)code;
}

bool KeyExists(const std::wstring& path, DWORD view) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::wstring ReadString(const std::wstring& path, const wchar_t* value, DWORD view) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return L"<missing>";
  wchar_t buf[1024] = L"";
  DWORD size = sizeof buf;
  LONG err = RegGetValueW(key, nullptr, value, RRF_RT_REG_SZ, nullptr, buf, &size);
  RegCloseKey(key);
  return err == ERROR_SUCCESS ? buf : L"<missing>";
}

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

class ComCheck : public ::testing::TestWithParam<Server> {
protected:
  void SetUp() override {
    const Server& s = GetParam();
    const char* noI386 = getenv("PELORA_NO_I386");
    if (s.bits == 32 && noI386 && strcmp(noI386, "1") == 0)
      GTEST_SKIP() << "this machine cannot run 32-bit programs: the 32-bit server is not checked here";
    m_exe = WindowsPath(s.unixPath);
    ASSERT_NE(GetFileAttributesW(m_exe.c_str()), INVALID_FILE_ATTRIBUTES)
        << s.unixPath << " is missing: the i686 tree is built first";
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    m_comInit = true;
    HRESULT hr = RunServer(m_exe, L"/RegServer");
    m_registered = true;
    ASSERT_EQ(hr, S_OK) << "registration of " << s.name << " failed";
  }
  void TearDown() override {
    // whatever happened, the registry is left as it was found
    if (m_registered) {
      EXPECT_EQ(RunServer(m_exe, L"/UnregServer"), S_OK);
    }
    if (m_comInit) CoUninitialize();
  }

  std::wstring m_exe;
  bool m_comInit = false;
  bool m_registered = false;
};

TEST_P(ComCheck, RegistrationIsVisibleInBothViewsAndRemovedAgain) {
  for (DWORD view : kViews) {
    SCOPED_TRACE(view == KEY_WOW64_64KEY ? "64-bit view" : "32-bit view");
    std::wstring server = ReadString(kClsidKey + std::wstring(L"\\LocalServer32"), nullptr, view);
    EXPECT_EQ(_wcsicmp(server.c_str(), m_exe.c_str()), 0) << Narrow(server);
    EXPECT_EQ(ReadString(kClsidKey, L"AppID", view), L"{E5DA426A-E490-4A99-9AD5-63CC76717777}");
    // ProgIDs live in the part of HKCR both views share: a 32-bit server's write for the 32-bit
    // view lands there, while a 64-bit reader asking for that view looks under Wow6432Node first
    auto progId = [view](const wchar_t* sub) {
      std::wstring v = ReadString(std::wstring(kProgId) + sub, nullptr, view);
      return v != L"<missing>" ? v : ReadString(std::wstring(kProgId) + sub, nullptr, KEY_WOW64_64KEY);
    };
    EXPECT_EQ(progId(L"\\CLSID"), L"{397039ED-AB5E-4B4E-9DF6-BA8E0541A0FB}");
    EXPECT_EQ(progId(L"\\CurVer"), L"PeloraComCheck.Server.1");
    EXPECT_EQ(ReadString(kAppIdKey, nullptr, view), L"ComCheckServer");
    // the dual interface and the event interface marshal through the type library
    EXPECT_EQ(ReadString(kInterfaceKey + std::wstring(L"\\ProxyStubClsid32"), nullptr, view),
              L"{00020424-0000-0000-C000-000000000046}");
    EXPECT_TRUE(KeyExists(kEventsKey, view));
    // the library as built: a 32-bit server's for clients of either bitness
    std::wstring lib = kTypeLibKey + std::wstring(GetParam().bits == 32 ? L"\\1.0\\0\\win32" : L"\\1.0\\0\\win64");
    EXPECT_NE(ReadString(lib, nullptr, view), L"<missing>");
  }
  ASSERT_EQ(RunServer(m_exe, L"/UnregServer"), S_OK);
  m_registered = false;
  for (DWORD view : kViews) {
    for (const wchar_t* key : {kClsidKey, kAppIdKey, kInterfaceKey, kEventsKey, kTypeLibKey, kProgId,
                               L"PeloraComCheck.Server.1", L"AppID\\ComCheckServer.EXE"})
      EXPECT_FALSE(KeyExists(key, view)) << Narrow(key) << " left behind";
    EXPECT_TRUE(KeyExists(L"CLSID", view));  // NoRemove
  }
}

struct EventLog {
  int count = 0;
  std::vector<VARTYPE> types;
  IUnknown* sender = nullptr;  // compared only, not held
  LONG code = 0;
  std::wstring text;
};

TEST_P(ComCheck, CallsThroughVtableAndDispatchAndReceivesEvents) {
  CComPtr<IComCheck> server;
  ASSERT_HRESULT_SUCCEEDED(server.CoCreateInstance(kProgId, nullptr, CLSCTX_LOCAL_SERVER));

  LONG bits = 0, pid = 0;
  ASSERT_HRESULT_SUCCEEDED(server->get_PointerBits(&bits));
  EXPECT_EQ(bits, GetParam().bits);
  ASSERT_HRESULT_SUCCEEDED(server->get_ProcessId(&pid));
  EXPECT_NE((DWORD)pid, GetCurrentProcessId());
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, (DWORD)pid);
  ASSERT_NE(process, nullptr);

  // the vtable
  LONG difference = 0;
  EXPECT_HRESULT_SUCCEEDED(server->Subtract(50, 8, &difference));
  EXPECT_EQ(difference, 42);
  const wchar_t* text = L"Gr\u00FC\u00DFe \u041F\u0440\u0438\u0432\u0435\u0442 \u65E5\u672C";
  CComBSTR echoed;
  EXPECT_HRESULT_SUCCEEDED(server->Echo(CComBSTR(text), &echoed));
  EXPECT_TRUE(echoed == (std::wstring(L"echo: ") + text).c_str());

  // IDispatch, by name
  CComDispatchDriver disp(server.p);
  ASSERT_TRUE(disp.p != nullptr);
  DISPID id = 0;
  EXPECT_HRESULT_SUCCEEDED(disp.GetIDOfName(L"Subtract", &id));
  EXPECT_EQ(id, 1);
  CComVariant result;
  EXPECT_HRESULT_SUCCEEDED(disp.Invoke2(L"Subtract", CComVariant(50), CComVariant(8), &result));
  EXPECT_EQ(result.vt, VT_I4);
  EXPECT_EQ(result.lVal, 42);
  EXPECT_HRESULT_SUCCEEDED(disp.Invoke1(L"Echo", CComVariant(text), &result));
  ASSERT_EQ(result.vt, VT_BSTR);
  EXPECT_EQ(std::wstring(result.bstrVal), std::wstring(L"echo: ") + text);
  EXPECT_HRESULT_SUCCEEDED(disp.GetPropertyByName(L"PointerBits", &result));
  EXPECT_EQ(result.lVal, GetParam().bits);
  EXPECT_EQ(disp.Invoke0(L"NoSuchMethod", &result), DISP_E_UNKNOWNNAME);

  // the event
  EventLog log;
  CComDispEventSink* raw = nullptr;
  ASSERT_HRESULT_SUCCEEDED(CComDispEventSink::Create(
      DIID__IComCheckEvents,
      [&log](DISPID dispid, DISPPARAMS* params, VARIANT*) {
        if (dispid != 1) return DISP_E_MEMBERNOTFOUND;
        ++log.count;
        log.types.clear();
        for (UINT i = 0; i < params->cArgs; ++i) log.types.push_back(CComDispEventSink::Arg(params, i)->vt);
        if (params->cArgs == 3) {
          log.sender = CComDispEventSink::Arg(params, 0)->punkVal;
          log.code = CComDispEventSink::Arg(params, 1)->lVal;
          log.text = CComDispEventSink::Arg(params, 2)->bstrVal;
        }
        return S_OK;
      },
      &raw));
  CComPtr<CComDispEventSink> sink;
  sink.Attach(raw);
  ASSERT_HRESULT_SUCCEEDED(sink->Advise(server));

  LONG sinks = -1;
  EXPECT_HRESULT_SUCCEEDED(server->Ping(7, CComBSTR(text), &sinks));
  EXPECT_EQ(sinks, 1);
  EXPECT_EQ(log.count, 1);
  EXPECT_EQ(log.types, (std::vector<VARTYPE>{VT_UNKNOWN, VT_I4, VT_BSTR}));
  EXPECT_TRUE(server.IsEqualObject(log.sender));
  EXPECT_EQ(log.code, 7);
  EXPECT_EQ(log.text, text);
  // through IDispatch too
  EXPECT_HRESULT_SUCCEEDED(disp.Invoke2(L"Ping", CComVariant(8), CComVariant(L"again"), &result));
  EXPECT_EQ(result.lVal, 1);
  EXPECT_EQ(log.count, 2);
  EXPECT_EQ(log.code, 8);

  ASSERT_HRESULT_SUCCEEDED(sink->Unadvise());
  EXPECT_HRESULT_SUCCEEDED(server->Ping(9, CComBSTR(L"nobody"), &sinks));
  EXPECT_EQ(sinks, 0);
  EXPECT_EQ(log.count, 2);

  // the last release ends the server
  disp.Release();
  result.Clear();
  server.Release();
  EXPECT_EQ(WaitForSingleObject(process, 20000), WAIT_OBJECT_0) << "the server kept running after the last release";
  CloseHandle(process);
}

std::vector<Server> Servers() {
  std::vector<Server> servers = {{"i686", COMCHECK_SERVER_I686, 32}};
#ifdef COMCHECK_SERVER_X86_64
  servers.push_back({"x86_64", COMCHECK_SERVER_X86_64, 64});
#endif
  return servers;
}

INSTANTIATE_TEST_SUITE_P(Servers, ComCheck, ::testing::ValuesIn(Servers()),
                         [](const ::testing::TestParamInfo<Server>& info) { return std::string(info.param.name); });

}  // namespace
