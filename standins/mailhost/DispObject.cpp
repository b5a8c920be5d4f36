#include "DispObject.h"
#include <oleauto.h>

namespace Standin {

namespace {
LONG g_live = 0;
}

long DispObject::ArgLong(const std::vector<VARIANT*>& args, size_t i, long fallback) {
  if (i >= args.size()) return fallback;
  VARIANT v;
  VariantInit(&v);
  VARIANT* a = args[i];
  if (a->vt == (VT_BYREF | VT_VARIANT)) a = a->pvarVal;
  if (a->vt == VT_ERROR || FAILED(VariantChangeType(&v, a, 0, VT_I4))) return fallback;
  return v.lVal;
}

std::wstring DispObject::ArgText(const std::vector<VARIANT*>& args, size_t i) {
  if (i >= args.size()) return std::wstring();
  VARIANT v;
  VariantInit(&v);
  if (FAILED(VariantChangeType(&v, args[i], 0, VT_BSTR)) || !v.bstrVal) return std::wstring();
  std::wstring s(v.bstrVal, SysStringLen(v.bstrVal));
  VariantClear(&v);
  return s;
}

// One connection point of a DispObject (its own identity, the container's lifetime).
class DispConnectionPoint : public IConnectionPoint {
 public:
  DispConnectionPoint(DispObject* owner, const IID& iid) : m_owner(owner), m_iid(iid) { owner->AddRef(); }
  STDMETHOD(QueryInterface)(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
      *out = static_cast<IConnectionPoint*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return (ULONG)InterlockedIncrement(&m_ref); }
  STDMETHOD_(ULONG, Release)() override {
    LONG n = InterlockedDecrement(&m_ref);
    if (n == 0) {
      m_owner->Release();
      delete this;
    }
    return (ULONG)n;
  }
  STDMETHOD(GetConnectionInterface)(IID* iid) override {
    *iid = m_iid;
    return S_OK;
  }
  STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer** out) override {
    *out = m_owner;
    m_owner->AddRef();
    return S_OK;
  }
  STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) override {
    if (!sink || !cookie) return E_POINTER;
    IDispatch* disp = nullptr;
    // a sink answers its source interface; IDispatch is what it is called through
    if (FAILED(sink->QueryInterface(IID_IDispatch, (void**)&disp)) || !disp) return CONNECT_E_CANNOTCONNECT;
    *cookie = m_owner->m_nextCookie++;
    m_owner->m_sources[m_iid].push_back({*cookie, disp});
    m_owner->m_log.push_back(L"advise");
    return S_OK;
  }
  STDMETHOD(Unadvise)(DWORD cookie) override {
    auto& sinks = m_owner->m_sources[m_iid];
    for (size_t i = 0; i < sinks.size(); ++i)
      if (sinks[i].first == cookie) {
        IDispatch* d = sinks[i].second;
        sinks.erase(sinks.begin() + (long)i);
        d->Release();
        m_owner->m_log.push_back(L"unadvise");
        return S_OK;
      }
    return CONNECT_E_NOCONNECTION;
  }
  STDMETHOD(EnumConnections)(IEnumConnections** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }

 private:
  virtual ~DispConnectionPoint() = default;
  LONG m_ref = 1;
  DispObject* m_owner;
  IID m_iid;
};

DispObject* DispObject::Create(const std::wstring& name) { return new DispObject(name); }

DispObject::DispObject(const std::wstring& name) : m_name(name) { InterlockedIncrement(&g_live); }

DispObject::~DispObject() {
  for (auto& p : m_props) VariantClear(&p.second);
  for (auto& s : m_sources)
    for (auto& c : s.second) c.second->Release();
  InterlockedDecrement(&g_live);
}

LONG DispObject::LiveCount() { return g_live; }

DISPID DispObject::IdOf(const std::wstring& name) {
  for (size_t i = 0; i < m_names.size(); ++i)
    if (_wcsicmp(m_names[i].c_str(), name.c_str()) == 0) return (DISPID)(i + 1);
  m_names.push_back(name);
  return (DISPID)m_names.size();
}

void DispObject::SetProp(const std::wstring& name, const VARIANT& value) {
  IdOf(name);
  VARIANT& v = m_props[name];
  VariantClear(&v);
  VariantCopy(&v, const_cast<VARIANT*>(&value));
}

void DispObject::SetProp(const std::wstring& name, const wchar_t* text) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(text);
  SetProp(name, v);
  VariantClear(&v);
}

void DispObject::SetProp(const std::wstring& name, long value) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = value;
  SetProp(name, v);
}

void DispObject::SetProp(const std::wstring& name, IDispatch* object) {
  VARIANT v;
  v.vt = VT_DISPATCH;
  v.pdispVal = object;
  SetProp(name, v);
}

bool DispObject::GetProp(const std::wstring& name, VARIANT* value) const {
  VariantInit(value);
  for (const auto& p : m_props)
    if (_wcsicmp(p.first.c_str(), name.c_str()) == 0) {
      VariantCopy(value, const_cast<VARIANT*>(&p.second));
      return true;
    }
  return false;
}

std::wstring DispObject::GetText(const std::wstring& name) const {
  VARIANT v;
  if (!GetProp(name, &v)) return std::wstring();
  std::wstring s;
  if (SUCCEEDED(VariantChangeType(&v, &v, VARIANT_ALPHABOOL, VT_BSTR)) && v.bstrVal) s.assign(v.bstrVal, SysStringLen(v.bstrVal));
  VariantClear(&v);
  return s;
}

void DispObject::SetMethod(const std::wstring& name, Method method) {
  IdOf(name);
  m_methods[name] = std::move(method);
}

int DispObject::SinkCount(const IID& iid) const {
  auto it = m_sources.find(iid);
  return it == m_sources.end() ? 0 : (int)it->second.size();
}

HRESULT DispObject::Fire(const IID& iid, DISPID id, const std::vector<VARIANT>& args) {
  auto it = m_sources.find(iid);
  if (it == m_sources.end()) return S_OK;
  std::vector<IDispatch*> sinks;
  for (auto& c : it->second) {
    c.second->AddRef();
    sinks.push_back(c.second);
  }
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS dp = {reversed.data(), nullptr, (UINT)reversed.size(), 0};
  HRESULT hr = S_OK;
  for (IDispatch* s : sinks) {
    hr = s->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr);
    s->Release();
  }
  return hr;
}

STDMETHODIMP DispObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDispatch) {
    *out = static_cast<IDispatch*>(this);
  } else if (iid == IID_IConnectionPointContainer && !m_sources.empty()) {
    *out = static_cast<IConnectionPointContainer*>(this);
  } else {
    for (const IID& i : m_iids)
      if (i == iid) *out = static_cast<IDispatch*>(this);
  }
  if (!*out) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) DispObject::AddRef() { return (ULONG)InterlockedIncrement(&m_ref); }

STDMETHODIMP_(ULONG) DispObject::Release() {
  LONG n = InterlockedDecrement(&m_ref);
  if (n == 0) delete this;
  return (ULONG)n;
}

STDMETHODIMP DispObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP DispObject::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
  if (out) *out = nullptr;
  return DISP_E_BADINDEX;
}

STDMETHODIMP DispObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  HRESULT hr = S_OK;
  // every member name is known: a name never set reads as missing (DISP_E_MEMBERNOTFOUND) and
  // can be put like any property
  for (UINT i = 0; i < count; ++i) ids[i] = i == 0 ? IdOf(names[0]) : DISPID_UNKNOWN;
  if (count > 1) hr = DISP_E_UNKNOWNNAME;  // named arguments are not used by the callers
  return hr;
}

STDMETHODIMP DispObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                UINT*) {
  if (id < 1 || id > (DISPID)m_names.size()) return DISP_E_MEMBERNOTFOUND;
  std::wstring name = m_names[(size_t)id - 1];
  std::vector<VARIANT*> args;
  UINT named = params ? params->cNamedArgs : 0;
  if (params)
    for (UINT i = params->cArgs; i > named; --i) args.push_back(&params->rgvarg[i - 1]);
  auto m = m_methods.find(name);
  if (m != m_methods.end()) {
    m_log.push_back(L"call " + name);
    return m->second(flags, args, result);
  }
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    if (!params || params->cArgs < 1) return DISP_E_BADPARAMCOUNT;
    m_log.push_back(L"put " + name);
    SetProp(name, params->rgvarg[0]);
    return S_OK;
  }
  auto p = m_props.find(name);
  if (p == m_props.end()) return DISP_E_MEMBERNOTFOUND;
  if (result) return VariantCopy(result, &p->second);
  return S_OK;
}

STDMETHODIMP DispObject::EnumConnectionPoints(IEnumConnectionPoints** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP DispObject::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (m_sources.find(iid) == m_sources.end()) return CONNECT_E_NOCONNECTION;
  *out = new DispConnectionPoint(this, iid);
  return S_OK;
}

}  // namespace Standin
