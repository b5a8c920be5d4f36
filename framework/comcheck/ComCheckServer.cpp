// The check's local server: one dual interface with one event, served from an exe.
//   ComCheckServer /RegServer     registers (both registry views), exit code = HRESULT
//   ComCheckServer /UnregServer   removes the registration again
//   ComCheckServer -Embedding     started by COM: serves until the last object is released
#include "AtlModule.h"
#include "ComCheck.h"
#include <cwchar>

namespace {

const UINT kAppIdScript = 101;
const UINT kClassScript = 102;
// {E5DA426A-E490-4A99-9AD5-63CC76717777}
const GUID kAppId = {0xe5da426a, 0xe490, 0x4a99, {0x9a, 0xd5, 0x63, 0xcc, 0x76, 0x71, 0x77, 0x77}};

CComExeModule g_module;

class CComCheckServer : public CComObjectRootEx<CComSingleThreadModel>,
                        public CComCoClass<CComCheckServer, &CLSID_ComCheckServer>,
                        public IDispatchImpl<IComCheck, &IID_IComCheck, &LIBID_ComCheckLib>,
                        public IConnectionPointContainerImpl<CComCheckServer>,
                        public IConnectionPointImpl<CComCheckServer, &DIID__IComCheckEvents> {
public:
  DECLARE_REGISTRY_RESOURCEID(kClassScript)

  BEGIN_COM_MAP(CComCheckServer)
    COM_INTERFACE_ENTRY(IComCheck)
    COM_INTERFACE_ENTRY(IDispatch)
    COM_INTERFACE_ENTRY(IConnectionPointContainer)
  END_COM_MAP()

  BEGIN_CONNECTION_POINT_MAP(CComCheckServer)
    CONNECTION_POINT_ENTRY(DIID__IComCheckEvents)
  END_CONNECTION_POINT_MAP()

  STDMETHOD(Subtract)(LONG a, LONG b, LONG* difference) override {
    if (!difference) return E_POINTER;
    *difference = a - b;
    return S_OK;
  }
  STDMETHOD(Echo)(BSTR text, BSTR* result) override {
    if (!result) return E_POINTER;
    CComBSTR s(L"echo: ");
    s.Append(text, (int)SysStringLen(text));
    *result = s.Detach();
    return S_OK;
  }
  // Fires OnPing(sender, code, text) to every sink; sinks = how many were called.
  STDMETHOD(Ping)(LONG code, BSTR text, LONG* sinks) override {
    if (!sinks) return E_POINTER;
    CComVariant args[3] = {CComVariant(GetUnknown()), CComVariant(code), CComVariant(text ? text : L"")};
    int called = 0;
    FireDispEvent(1, args, 3, &called);
    *sinks = called;
    return S_OK;
  }
  STDMETHOD(get_PointerBits)(LONG* bits) override {
    if (!bits) return E_POINTER;
    *bits = (LONG)(sizeof(void*) * 8);
    return S_OK;
  }
  STDMETHOD(get_ProcessId)(LONG* pid) override {
    if (!pid) return E_POINTER;
    *pid = (LONG)GetCurrentProcessId();
    return S_OK;
  }
};

BEGIN_OBJECT_MAP(ObjectMap)
  OBJECT_ENTRY(CLSID_ComCheckServer, CComCheckServer)
END_OBJECT_MAP()

bool HasSwitch(LPCWSTR cmdLine, LPCWSTR name) {
  // "/Name" or "-Name", any case, as a word of its own
  size_t n = wcslen(name);
  for (LPCWSTR p = cmdLine; *p; ++p) {
    if ((*p == L'/' || *p == L'-') && _wcsnicmp(p + 1, name, n) == 0) {
      wchar_t after = p[1 + n];
      if (after == 0 || after == L' ' || after == L'\t' || after == L'"') return true;
    }
  }
  return false;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR cmdLine, int) {
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) return (int)hr;
  g_module.Init(ObjectMap, instance, &LIBID_ComCheckLib);
  g_module.SetAppId(kAppId, kAppIdScript);
  int rc;
  if (HasSwitch(cmdLine, L"RegServer")) {
    rc = (int)g_module.RegisterServer(TRUE);
  } else if (HasSwitch(cmdLine, L"UnregServer")) {
    rc = (int)g_module.UnregisterServer(TRUE);
  } else {
    hr = g_module.RegisterClassObjects(CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE);
    rc = FAILED(hr) ? (int)hr : g_module.RunUntilLastUnlock();
  }
  g_module.Term();
  CoUninitialize();
  return rc;
}
