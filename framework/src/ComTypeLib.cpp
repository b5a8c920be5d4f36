// Type libraries: loading from a module, registration in one or both registry views, and the
// type information behind IDispatchImpl.
#include "AtlModule.h"
#include <cwchar>

namespace {

std::wstring GuidText(const GUID& g) {
  wchar_t buf[64];
  StringFromGUID2(g, buf, 64);
  return buf;
}

std::wstring VersionText(WORD major, WORD minor) {
  wchar_t buf[32];
  swprintf(buf, 32, L"%x.%x", major, minor);
  return buf;
}

// The IIDs of the interfaces the library describes that get Interface keys (automation-compatible
// ones: dual, dispatch or oleautomation).
std::vector<IID> AutomationInterfaces(ITypeLib* lib) {
  std::vector<IID> iids;
  UINT n = lib->GetTypeInfoCount();
  for (UINT i = 0; i < n; ++i) {
    CComPtr<ITypeInfo> info;
    TYPEATTR* attr = nullptr;
    if (FAILED(lib->GetTypeInfo(i, &info)) || FAILED(info->GetTypeAttr(&attr))) continue;
    bool wanted = attr->typekind == TKIND_DISPATCH ||
                  (attr->typekind == TKIND_INTERFACE && (attr->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION)));
    if (wanted) iids.push_back(attr->guid);
    info->ReleaseTypeAttr(attr);
  }
  return iids;
}

DWORD OtherViews(DWORD views) { return views & ~ComRegNativeView() & ComRegViewBoth; }

}  // namespace

HRESULT ComLoadTypeLib(HINSTANCE module, UINT index, ITypeLib** out, std::wstring* path) {
  if (!out) return E_POINTER;
  *out = nullptr;
  wchar_t file[MAX_PATH + 16];
  DWORD n = GetModuleFileNameW(module, file, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
  std::wstring name = file;
  if (path) *path = name;
  if (index > 1) name += L"\\" + std::to_wstring(index);
  return LoadTypeLibEx(name.c_str(), REGKIND_NONE, out);
}

HRESULT ComRegisterTypeLib(HINSTANCE module, UINT index, DWORD views) {
  CComPtr<ITypeLib> lib;
  std::wstring path;
  HRESULT hr = ComLoadTypeLib(module, index, &lib, &path);
  if (FAILED(hr)) return hr;
  std::wstring registered = index > 1 ? path + L"\\" + std::to_wstring(index) : path;
  std::wstring dir = path.substr(0, path.find_last_of(L"\\/") + 1);
  hr = RegisterTypeLib(lib, const_cast<LPOLESTR>(registered.c_str()), dir.empty() ? nullptr : const_cast<LPOLESTR>(dir.c_str()));
  if (FAILED(hr)) return hr;
  DWORD other = OtherViews(views);
  if (!other) return S_OK;
  // RegisterTypeLib writes this process's view only; a client of the other bitness needs the
  // library and the interfaces' marshaling keys in its own.
  TLIBATTR* attr = nullptr;
  hr = lib->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  std::wstring libKey = L"TypeLib\\" + GuidText(attr->guid) + L"\\" + VersionText(attr->wMajorVerNum, attr->wMinorVerNum);
  lib->ReleaseTLibAttr(attr);
  LONG err = ComRegCopyTree(HKEY_CLASSES_ROOT, libKey.c_str(), ComRegNativeView(), other);
  for (const IID& iid : AutomationInterfaces(lib)) {
    if (err != ERROR_SUCCESS) break;
    err = ComRegCopyTree(HKEY_CLASSES_ROOT, (L"Interface\\" + GuidText(iid)).c_str(), ComRegNativeView(), other);
  }
  return HRESULT_FROM_WIN32(err);
}

HRESULT ComUnRegisterTypeLib(HINSTANCE module, UINT index, DWORD views) {
  CComPtr<ITypeLib> lib;
  HRESULT hr = ComLoadTypeLib(module, index, &lib);
  if (FAILED(hr)) return hr;
  TLIBATTR* attr = nullptr;
  hr = lib->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  GUID libid = attr->guid;
  WORD major = attr->wMajorVerNum, minor = attr->wMinorVerNum;
  LCID lcid = attr->lcid;
  SYSKIND sys = attr->syskind;
  lib->ReleaseTLibAttr(attr);
  std::vector<IID> iids = AutomationInterfaces(lib);
  hr = UnRegisterTypeLib(libid, major, minor, lcid, sys);
  // already gone counts as done: unregistering twice must not fail
  if (hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_CANTLOADLIBRARY) hr = S_OK;
  if (FAILED(hr)) return hr;
  LONG err = ERROR_SUCCESS;
  DWORD passes[] = {ComRegNativeView(), OtherViews(views)};
  for (DWORD view : passes) {
    if (!view) continue;
    std::wstring libKey = L"TypeLib\\" + GuidText(libid);
    if (err == ERROR_SUCCESS) err = ComRegDeleteTree(HKEY_CLASSES_ROOT, (libKey + L"\\" + VersionText(major, minor)).c_str(), view);
    // the library's key goes when no other version is left in it
    HKEY key;
    if (err == ERROR_SUCCESS && RegOpenKeyExW(HKEY_CLASSES_ROOT, libKey.c_str(), 0, KEY_READ | view, &key) == ERROR_SUCCESS) {
      DWORD subKeys = 0;
      RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
      RegCloseKey(key);
      if (subKeys == 0) RegDeleteKeyExW(HKEY_CLASSES_ROOT, libKey.c_str(), view, 0);
    }
    for (const IID& iid : iids) {
      if (err != ERROR_SUCCESS) break;
      err = ComRegDeleteTree(HKEY_CLASSES_ROOT, (L"Interface\\" + GuidText(iid)).c_str(), view);
    }
  }
  return HRESULT_FROM_WIN32(err);
}

// ---- CComTypeInfoHolder ----

namespace {
void ClearHolder(void* holder) { static_cast<CComTypeInfoHolder*>(holder)->Clear(); }
}  // namespace

HRESULT CComTypeInfoHolder::GetTI(ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!m_info) {
    CComModule* module = AtlGetModule();
    const GUID* libid = m_libid ? m_libid : (module && module->HasTypeLib() ? &module->GetLibId() : nullptr);
    CComPtr<ITypeLib> lib;
    HRESULT hr = libid ? LoadRegTypeLib(*libid, m_major, m_minor, LOCALE_USER_DEFAULT, &lib) : TYPE_E_LIBNOTREGISTERED;
    // not registered (yet): the module carries its own library
    if (FAILED(hr) && module) hr = ComLoadTypeLib(module->GetModuleInstance(), 0, &lib);
    if (FAILED(hr)) return hr;
    CComPtr<ITypeInfo> info;
    hr = lib->GetTypeInfoOfGuid(*m_iid, &info);
    if (FAILED(hr)) return hr;
    // a dual interface's dispatch description would send Invoke back to IDispatch::Invoke;
    // its vtable description calls the methods directly
    TYPEATTR* attr = nullptr;
    if (SUCCEEDED(info->GetTypeAttr(&attr))) {
      bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
      info->ReleaseTypeAttr(attr);
      HREFTYPE ref;
      CComPtr<ITypeInfo> vtable;
      if (dual && SUCCEEDED(info->GetRefTypeOfImplType((UINT)-1, &ref)) && SUCCEEDED(info->GetRefTypeInfo(ref, &vtable)))
        info = vtable;
    }
    m_info = info.Detach();
    if (module) module->AddTermFunc(ClearHolder, this);
  }
  *out = m_info;
  m_info->AddRef();
  return S_OK;
}

void CComTypeInfoHolder::Clear() {
  if (m_info) {
    m_info->Release();
    m_info = nullptr;
  }
}

HRESULT CComTypeInfoHolder::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return GetTI(out);
}

HRESULT CComTypeInfoHolder::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  CComPtr<ITypeInfo> info;
  HRESULT hr = GetTI(&info);
  return FAILED(hr) ? hr : info->GetIDsOfNames(names, count, ids);
}

HRESULT CComTypeInfoHolder::Invoke(IDispatch* self, DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  CComPtr<ITypeInfo> info;
  HRESULT hr = GetTI(&info);
  return FAILED(hr) ? hr : info->Invoke(self, id, flags, params, result, excep, argErr);
}
