// The COM module: lock count, object map, class objects, registration.
#include "AtlModule.h"
#include <new>

namespace {

CComModule* g_module = nullptr;

// The common class factory. cached: a DLL server's factory locks the module while a client holds
// it (any reference beyond the module's own).
class ClassFactoryObject : public IClassFactory {
public:
  ClassFactoryObject(ComCreatorFunc* create, bool cached) : m_create(create), m_cached(cached) {}

  STDMETHOD(QueryInterface)(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() {
    LONG n = InterlockedIncrement(&m_ref);
    if (m_cached && n == 2) AtlModuleLock();
    return (ULONG)n;
  }
  STDMETHOD_(ULONG, Release)() {
    LONG n = InterlockedDecrement(&m_ref);
    if (m_cached && n == 1) AtlModuleUnlock();
    if (n == 0) delete this;
    return (ULONG)n;
  }
  STDMETHOD(CreateInstance)(IUnknown* outer, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return m_create ? m_create(outer, iid, out) : E_UNEXPECTED;
  }
  STDMETHOD(LockServer)(BOOL lock) {
    if (lock) AtlModuleLock();
    else AtlModuleUnlock();
    return S_OK;
  }

private:
  virtual ~ClassFactoryObject() = default;
  LONG m_ref = 0;
  ComCreatorFunc* m_create;
  bool m_cached;
};

}  // namespace

CComModule* AtlGetModule() { return g_module; }

LONG AtlModuleLock() { return g_module ? g_module->Lock() : 0; }

LONG AtlModuleUnlock() { return g_module ? g_module->Unlock() : 0; }

HRESULT AtlModuleUpdateRegistry(UINT id, BOOL bRegister) {
  return g_module ? g_module->UpdateRegistryFromResource(id, bRegister) : E_UNEXPECTED;
}

HRESULT WINAPI AtlInternalQueryInterface(void* object, const ComInterfaceEntry* entries, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!object || !entries || !entries->piid) return E_NOINTERFACE;
  const ComInterfaceEntry* found = nullptr;
  if (iid == IID_IUnknown) {
    found = entries;
  } else {
    for (const ComInterfaceEntry* e = entries; e->piid; ++e) {
      if (*e->piid == iid) {
        found = e;
        break;
      }
    }
  }
  if (!found) return E_NOINTERFACE;
  IUnknown* unk = reinterpret_cast<IUnknown*>((DWORD_PTR)object + found->offset);
  unk->AddRef();
  *out = unk;
  return S_OK;
}

HRESULT WINAPI CComClassFactory::CreateInstance(void* pv, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  bool cached = g_module && g_module->IsDllServer();
  ClassFactoryObject* cf = new (std::nothrow) ClassFactoryObject(reinterpret_cast<ComCreatorFunc*>(pv), cached);
  if (!cf) return E_OUTOFMEMORY;
  cf->AddRef();
  HRESULT hr = cf->QueryInterface(iid, out);
  cf->Release();  // deletes it when the interface was refused
  return hr;
}

// ---- CComModule ----

CComModule::~CComModule() {
  if (g_module == this) g_module = nullptr;
}

HRESULT CComModule::Init(ComObjectMapEntry* map, HINSTANCE instance, const GUID* libid) {
  m_map = map;
  m_instance = instance ? instance : GetModuleHandleW(nullptr);
  m_hasLibId = libid != nullptr;
  m_libid = libid ? *libid : GUID_NULL;
  g_module = this;
  return S_OK;
}

void CComModule::Term() {
  for (ComObjectMapEntry* e = m_map; e && e->pclsid; ++e) {
    if (e->pCF) {
      e->pCF->Release();
      e->pCF = nullptr;
    }
  }
  while (!m_termFuncs.empty()) {
    auto f = m_termFuncs.back();
    m_termFuncs.pop_back();
    f.first(f.second);
  }
}

LONG CComModule::Lock() { return InterlockedIncrement(&m_lockCount); }

LONG CComModule::Unlock() {
  LONG n = InterlockedDecrement(&m_lockCount);
  if (n == 0) OnLastUnlock();
  return n;
}

std::wstring CComModule::GetModulePath() const {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(m_instance, path, MAX_PATH);
  return std::wstring(path, n < MAX_PATH ? n : 0);
}

void CComModule::SetAppId(const GUID& appid, UINT rgsId) {
  wchar_t buf[64];
  StringFromGUID2(appid, buf, 64);
  m_appId = buf;
  m_appIdScript = rgsId;
}

void CComModule::AddReplacement(LPCWSTR name, LPCWSTR value) {
  for (auto& r : m_replacements) {
    if (_wcsicmp(r.first.c_str(), name) == 0) {
      r.second = value;
      return;
    }
  }
  m_replacements.emplace_back(name, value);
}

void CComModule::AddTermFunc(void (*func)(void*), void* data) { m_termFuncs.emplace_back(func, data); }

HRESULT CComModule::UpdateRegistryFromResource(UINT id, BOOL bRegister) {
  CComRegistrar reg;
  reg.SetViews(m_views);
  reg.AddReplacement(L"MODULE", GetModulePath().c_str());
  if (!m_appId.empty()) reg.AddReplacement(L"APPID", m_appId.c_str());
  for (const auto& r : m_replacements) reg.AddReplacement(r.first.c_str(), r.second.c_str());
  return bRegister ? reg.ResourceRegister(m_instance, id) : reg.ResourceUnregister(m_instance, id);
}

HRESULT CComModule::RegisterServer(BOOL bRegTypeLib) {
  HRESULT hr = S_OK;
  if (m_appIdScript) hr = UpdateRegistryFromResource(m_appIdScript, TRUE);
  for (ComObjectMapEntry* e = m_map; SUCCEEDED(hr) && e && e->pclsid; ++e)
    if (e->pfnUpdateRegistry) hr = e->pfnUpdateRegistry(TRUE);
  if (SUCCEEDED(hr) && bRegTypeLib && m_hasLibId) hr = RegisterTypeLib();
  return hr;
}

HRESULT CComModule::UnregisterServer(BOOL bUnRegTypeLib) {
  HRESULT hr = S_OK;
  for (ComObjectMapEntry* e = m_map; SUCCEEDED(hr) && e && e->pclsid; ++e)
    if (e->pfnUpdateRegistry) hr = e->pfnUpdateRegistry(FALSE);
  if (SUCCEEDED(hr) && bUnRegTypeLib && m_hasLibId) hr = UnRegisterTypeLib();
  if (SUCCEEDED(hr) && m_appIdScript) hr = UpdateRegistryFromResource(m_appIdScript, FALSE);
  return hr;
}

HRESULT CComModule::RegisterTypeLib() { return ComRegisterTypeLib(m_instance, 0, m_views); }

HRESULT CComModule::UnRegisterTypeLib() { return ComUnRegisterTypeLib(m_instance, 0, m_views); }

HRESULT CComModule::EnsureClassObject(ComObjectMapEntry* e) {
  if (e->pCF) return S_OK;
  if (!e->pfnGetClassObject) return CLASS_E_CLASSNOTAVAILABLE;
  return e->pfnGetClassObject(reinterpret_cast<void*>(e->pfnCreateInstance), IID_IUnknown, (void**)&e->pCF);
}

HRESULT CComModule::GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (ComObjectMapEntry* e = m_map; e && e->pclsid; ++e) {
    if (*e->pclsid != clsid) continue;
    HRESULT hr = EnsureClassObject(e);
    return FAILED(hr) ? hr : e->pCF->QueryInterface(iid, out);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

// ---- CComExeModule ----

HRESULT CComExeModule::RegisterClassObjects(DWORD context, DWORD flags) {
  m_mainThreadId = GetCurrentThreadId();
  for (ComObjectMapEntry* e = m_map; e && e->pclsid; ++e) {
    if (e->dwRegister) continue;
    HRESULT hr = EnsureClassObject(e);
    if (SUCCEEDED(hr)) hr = CoRegisterClassObject(*e->pclsid, e->pCF, context, flags, &e->dwRegister);
    if (FAILED(hr)) {
      e->dwRegister = 0;
      return hr;
    }
  }
  return S_OK;
}

HRESULT CComExeModule::RevokeClassObjects() {
  for (ComObjectMapEntry* e = m_map; e && e->pclsid; ++e) {
    if (!e->dwRegister) continue;
    HRESULT hr = CoRevokeClassObject(e->dwRegister);
    if (FAILED(hr)) return hr;
    e->dwRegister = 0;
  }
  return S_OK;
}

void CComExeModule::Term() {
  for (ComObjectMapEntry* e = m_map; e && e->pclsid; ++e) {
    if (e->dwRegister) CoRevokeClassObject(e->dwRegister);
    e->dwRegister = 0;
  }
  CComModule::Term();
}

void CComExeModule::OnLastUnlock() {
  if (m_quitOnLastUnlock && m_mainThreadId) PostThreadMessageW(m_mainThreadId, WM_QUIT, 0, 0);
}

int CComExeModule::RunMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return (int)msg.wParam;
}

int CComExeModule::RunUntilLastUnlock() {
  SetQuitOnLastUnlock(true);
  int rc = RunMessageLoop();
  RevokeClassObjects();
  // a client may have made an object between the last release and the revocation: serve it out
  while (GetLockCount() > 0) rc = RunMessageLoop();
  return rc;
}
