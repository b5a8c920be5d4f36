// COM server modules: the object map, the lock count, class objects, registration from registry
// scripts and the type library. One module object per process (an exe server) or per DLL server.
#pragma once
#include "AtlCom.h"
#include "ComRegistrar.h"
#include <string>
#include <vector>

// One creatable class of the module, in a fixed order (see BEGIN_OBJECT_MAP).
struct ComObjectMapEntry {
  const CLSID* pclsid;                        // nullptr ends the map
  HRESULT(WINAPI* pfnUpdateRegistry)(BOOL bRegister);
  ComCreatorFunc* pfnGetClassObject;          // called with pfnCreateInstance as pv
  ComCreatorFunc* pfnCreateInstance;
  IUnknown* pCF;                              // the class object, once made
  DWORD dwRegister;                           // CoRegisterClassObject's cookie
};

#define BEGIN_OBJECT_MAP(x) static ComObjectMapEntry x[] = {
#define OBJECT_ENTRY(clsid, cls)                                                                   \
  {&clsid, cls::UpdateRegistry, cls::_ClassFactoryCreatorClass::CreateInstance,                    \
   cls::_CreatorClass::CreateInstance, nullptr, 0},
#define END_OBJECT_MAP() {nullptr, nullptr, nullptr, nullptr, nullptr, 0}};

// In a class: its registration is the REGISTRY resource id of the module.
#define DECLARE_REGISTRY_RESOURCEID(id) \
  static HRESULT WINAPI UpdateRegistry(BOOL bRegister) { return AtlModuleUpdateRegistry((UINT)(id), bRegister); }
#define DECLARE_NO_REGISTRY() \
  static HRESULT WINAPI UpdateRegistry(BOOL) { return S_OK; }

class CComModule;
// The process's module (the last one initialised), or nullptr.
CComModule* AtlGetModule();
HRESULT AtlModuleUpdateRegistry(UINT id, BOOL bRegister);

class CComModule {
public:
  CComModule() = default;
  virtual ~CComModule();
  CComModule(const CComModule&) = delete;
  CComModule& operator=(const CComModule&) = delete;

  // map may be nullptr (no creatable classes); libid nullptr: the module has no type library.
  HRESULT Init(ComObjectMapEntry* map, HINSTANCE instance, const GUID* libid = nullptr);
  // Releases the class objects and cached type information.
  virtual void Term();

  LONG Lock();
  LONG Unlock();
  LONG GetLockCount() const { return m_lockCount; }

  HINSTANCE GetModuleInstance() const { return m_instance; }
  HINSTANCE GetResourceInstance() const { return m_instance; }
  std::wstring GetModulePath() const;
  const GUID& GetLibId() const { return m_libid; }
  bool HasTypeLib() const { return m_hasLibId; }
  ComObjectMapEntry* GetObjectMap() const { return m_map; }
  virtual bool IsDllServer() const { return false; }

  // The module's AppID: %APPID% in every script, and the AppID script run first on
  // registration (and last on unregistration) when rgsId is not 0.
  void SetAppId(const GUID& appid, UINT rgsId = 0);
  // Extra %NAME% replacements for every script.
  void AddReplacement(LPCWSTR name, LPCWSTR value);
  // Registry views written by registration (ComRegView*); native by default.
  void SetRegistryViews(DWORD views) { m_views = views; }
  DWORD GetRegistryViews() const { return m_views; }

  // Runs the REGISTRY resource id of the module, with MODULE (and APPID) replaced.
  HRESULT UpdateRegistryFromResource(UINT id, BOOL bRegister);
  // The AppID script, every map entry's script in map order, then the type library; the first
  // failure stops. Unregistration: the entries' scripts, the type library, then the AppID script.
  HRESULT RegisterServer(BOOL bRegTypeLib = TRUE);
  HRESULT UnregisterServer(BOOL bUnRegTypeLib = TRUE);
  HRESULT RegisterTypeLib();
  HRESULT UnRegisterTypeLib();

  // The class object of clsid (made once and kept by the module).
  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);

  // Called at Term, latest first: cached type information and the like.
  void AddTermFunc(void (*func)(void* data), void* data);

protected:
  // The lock count went back to 0.
  virtual void OnLastUnlock() {}
  HRESULT EnsureClassObject(ComObjectMapEntry* entry);

  ComObjectMapEntry* m_map = nullptr;
  HINSTANCE m_instance = nullptr;
  GUID m_libid = GUID_NULL;
  bool m_hasLibId = false;
  std::wstring m_appId;
  UINT m_appIdScript = 0;
  DWORD m_views = ComRegViewNative;
  std::vector<std::pair<std::wstring, std::wstring>> m_replacements;
  std::vector<std::pair<void (*)(void*), void*>> m_termFuncs;
  volatile LONG m_lockCount = 0;
};

// A local (out-of-process) server. Registration writes both registry views, so that clients of
// the other bitness find the classes, the AppID, the interfaces and the type library.
class CComExeModule : public CComModule {
public:
  CComExeModule() { m_views = ComRegViewBoth; }
  // CoRegisterClassObject for every map entry in map order; stops at the first failure.
  HRESULT RegisterClassObjects(DWORD context = CLSCTX_LOCAL_SERVER, DWORD flags = REGCLS_MULTIPLEUSE);
  // CoRevokeClassObject in map order; stops at the first failure.
  HRESULT RevokeClassObjects();
  // When set, the last unlock posts WM_QUIT to the thread that registered the class objects
  // (a server started by COM ends when its last object goes).
  void SetQuitOnLastUnlock(bool quit) { m_quitOnLastUnlock = quit; }
  // A plain message loop until WM_QUIT.
  static int RunMessageLoop();
  // For a server started by COM: serves until the last object is gone, then revokes the class
  // objects (and still serves objects a client made just before that). Returns WM_QUIT's code.
  int RunUntilLastUnlock();
  void Term() override;

protected:
  void OnLastUnlock() override;

private:
  bool m_quitOnLastUnlock = false;
  DWORD m_mainThreadId = 0;
};

// An in-process server: the DLL's four exports call these.
class CComDllModule : public CComModule {
public:
  bool IsDllServer() const override { return true; }
  HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) { return GetClassObject(clsid, iid, out); }
  HRESULT DllCanUnloadNow() const { return GetLockCount() == 0 ? S_OK : S_FALSE; }
  HRESULT DllRegisterServer(BOOL bRegTypeLib = TRUE) { return RegisterServer(bRegTypeLib); }
  HRESULT DllUnregisterServer(BOOL bUnRegTypeLib = TRUE) { return UnregisterServer(bUnRegTypeLib); }
};
