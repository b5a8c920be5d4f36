// BSTR and VARIANT owners, late binding by name, advise helpers.
#include "AtlBase.h"
#include <cwchar>

// ---- CComBSTR ----

CComBSTR& CComBSTR::operator=(LPCOLESTR text) {
  if (text != m_str) {
    BSTR fresh = text ? ::SysAllocString(text) : nullptr;
    ::SysFreeString(m_str);
    m_str = fresh;
  }
  return *this;
}

CComBSTR& CComBSTR::operator=(const CComBSTR& other) {
  if (this != std::addressof(other)) {
    BSTR fresh = other.Copy();
    ::SysFreeString(m_str);
    m_str = fresh;
  }
  return *this;
}

CComBSTR& CComBSTR::operator=(CComBSTR&& other) noexcept {
  if (this != std::addressof(other)) {
    ::SysFreeString(m_str);
    m_str = other.m_str;
    other.m_str = nullptr;
  }
  return *this;
}

bool CComBSTR::operator==(LPCOLESTR text) const {
  unsigned int n = Length();
  size_t m = text ? wcslen(text) : 0;
  return n == m && (n == 0 || wmemcmp(m_str, text, n) == 0);
}

BSTR CComBSTR::Copy() const {
  // keeps embedded NULs: the length comes from the BSTR, not from wcslen
  return m_str ? ::SysAllocStringByteLen((const char*)m_str, ::SysStringByteLen(m_str)) : nullptr;
}

HRESULT CComBSTR::CopyTo(BSTR* out) const {
  if (!out) return E_POINTER;
  *out = Copy();
  return (m_str && !*out) ? E_OUTOFMEMORY : S_OK;
}

void CComBSTR::Attach(BSTR s) {
  if (s != m_str) {
    ::SysFreeString(m_str);
    m_str = s;
  }
}

HRESULT CComBSTR::Append(LPCOLESTR text) { return text ? Append(text, (int)wcslen(text)) : S_OK; }

HRESULT CComBSTR::Append(LPCOLESTR text, int length) {
  if (length <= 0) return S_OK;
  unsigned int old = Length();
  BSTR fresh = ::SysAllocStringLen(nullptr, old + (unsigned int)length);
  if (!fresh) return E_OUTOFMEMORY;
  if (old) wmemcpy(fresh, m_str, old);
  wmemcpy(fresh + old, text, (size_t)length);
  ::SysFreeString(m_str);
  m_str = fresh;
  return S_OK;
}

// ---- CComVariant ----

CComVariant::CComVariant(const VARIANT& src) {
  ::VariantInit(this);
  ::VariantCopy(this, const_cast<VARIANT*>(&src));
}

CComVariant::CComVariant(LPCOLESTR text) {
  ::VariantInit(this);
  vt = VT_BSTR;
  bstrVal = ::SysAllocString(text ? text : L"");
}

CComVariant::CComVariant(bool value) {
  ::VariantInit(this);
  vt = VT_BOOL;
  boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

CComVariant::CComVariant(long value) {
  ::VariantInit(this);
  vt = VT_I4;
  lVal = value;
}

CComVariant::CComVariant(unsigned long value) {
  ::VariantInit(this);
  vt = VT_UI4;
  ulVal = value;
}

CComVariant::CComVariant(short value) {
  ::VariantInit(this);
  vt = VT_I2;
  iVal = value;
}

CComVariant::CComVariant(LONGLONG value) {
  ::VariantInit(this);
  vt = VT_I8;
  llVal = value;
}

CComVariant::CComVariant(double value) {
  ::VariantInit(this);
  vt = VT_R8;
  dblVal = value;
}

CComVariant::CComVariant(IDispatch* value) {
  ::VariantInit(this);
  vt = VT_DISPATCH;
  pdispVal = value;
  if (value) value->AddRef();
}

CComVariant::CComVariant(IUnknown* value) {
  ::VariantInit(this);
  vt = VT_UNKNOWN;
  punkVal = value;
  if (value) value->AddRef();
}

CComVariant& CComVariant::operator=(const VARIANT& src) {
  if (&src != this) Copy(&src);
  return *this;
}

bool CComVariant::operator==(const VARIANT& other) const {
  if (this == &other) return true;
  if (vt != other.vt) return false;
  if (vt == VT_EMPTY || vt == VT_NULL) return true;
  if (vt == VT_BSTR) {
    UINT a = ::SysStringLen(bstrVal), b = ::SysStringLen(other.bstrVal);
    return a == b && (a == 0 || wmemcmp(bstrVal, other.bstrVal, a) == 0);
  }
  if (vt == VT_DISPATCH || vt == VT_UNKNOWN) return punkVal == other.punkVal;
  return ::VarCmp(const_cast<VARIANT*>(static_cast<const VARIANT*>(this)), const_cast<VARIANT*>(&other),
                  LOCALE_USER_DEFAULT, 0) == (HRESULT)VARCMP_EQ;
}

HRESULT CComVariant::Copy(const VARIANT* src) {
  if (!src) return E_POINTER;
  return ::VariantCopy(this, const_cast<VARIANT*>(src));
}

HRESULT CComVariant::CopyTo(VARIANT* dest) const {
  if (!dest) return E_POINTER;
  ::VariantInit(dest);
  return ::VariantCopy(dest, const_cast<CComVariant*>(this));
}

HRESULT CComVariant::Attach(VARIANT* src) {
  if (!src) return E_POINTER;
  HRESULT hr = Clear();
  if (FAILED(hr)) return hr;
  *static_cast<VARIANT*>(this) = *src;
  src->vt = VT_EMPTY;
  return S_OK;
}

HRESULT CComVariant::Detach(VARIANT* dest) {
  if (!dest) return E_POINTER;
  HRESULT hr = ::VariantClear(dest);
  if (FAILED(hr)) return hr;
  *dest = *static_cast<VARIANT*>(this);
  vt = VT_EMPTY;
  return S_OK;
}

HRESULT CComVariant::ChangeType(VARTYPE type, const VARIANT* src) {
  VARIANT* from = const_cast<VARIANT*>(src ? src : static_cast<VARIANT*>(this));
  return ::VariantChangeType(this, from, 0, type);
}

// ---- CComDispatchDriver ----

CComDispatchDriver::CComDispatchDriver(IUnknown* unk) {
  if (unk) unk->QueryInterface(IID_IDispatch, (void**)&p);
}

IDispatch* CComDispatchDriver::operator=(IUnknown* unk) {
  CComDispatchDriver fresh(unk);
  return CComPtr<IDispatch>::operator=(fresh.p);
}

HRESULT CComDispatchDriver::GetIDOfName(LPCOLESTR name, DISPID* id) const {
  if (!p) return E_POINTER;
  if (!id) return E_POINTER;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  return p->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
}

HRESULT CComDispatchDriver::Call(IDispatch* disp, DISPID id, WORD flags, const VARIANT* args, int count,
                                 VARIANT* result) {
  if (!disp) return E_POINTER;
  if (count < 0 || (count > 0 && !args)) return E_INVALIDARG;
  // [in] arguments are only read, so the caller's array is handed on as it is
  DISPPARAMS params = {count ? const_cast<VARIANT*>(args) : nullptr, nullptr, (UINT)count, 0};
  DISPID named = DISPID_PROPERTYPUT;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &named;
    params.cNamedArgs = 1;
  }
  if (result) ::VariantClear(result);
  return disp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

HRESULT CComDispatchDriver::GetProperty(DISPID id, VARIANT* value) const {
  if (!value) return E_POINTER;
  return Call(p, id, DISPATCH_PROPERTYGET, nullptr, 0, value);
}

HRESULT CComDispatchDriver::GetPropertyByName(LPCOLESTR name, VARIANT* value) const {
  DISPID id;
  HRESULT hr = GetIDOfName(name, &id);
  return FAILED(hr) ? hr : GetProperty(id, value);
}

HRESULT CComDispatchDriver::PutProperty(DISPID id, const VARIANT& value) const {
  return Call(p, id, DISPATCH_PROPERTYPUT, &value, 1, nullptr);
}

HRESULT CComDispatchDriver::PutPropertyByName(LPCOLESTR name, const VARIANT& value) const {
  DISPID id;
  HRESULT hr = GetIDOfName(name, &id);
  return FAILED(hr) ? hr : PutProperty(id, value);
}

HRESULT CComDispatchDriver::PutPropertyRef(DISPID id, const VARIANT& value) const {
  return Call(p, id, DISPATCH_PROPERTYPUTREF, &value, 1, nullptr);
}

HRESULT CComDispatchDriver::PutPropertyRefByName(LPCOLESTR name, const VARIANT& value) const {
  DISPID id;
  HRESULT hr = GetIDOfName(name, &id);
  return FAILED(hr) ? hr : PutPropertyRef(id, value);
}

HRESULT CComDispatchDriver::Invoke2(DISPID id, const VARIANT& a1, const VARIANT& a2, VARIANT* result) const {
  VARIANT args[2] = {a2, a1};  // DISPPARAMS order
  return InvokeN(id, args, 2, result);
}

HRESULT CComDispatchDriver::Invoke2(LPCOLESTR name, const VARIANT& a1, const VARIANT& a2, VARIANT* result) const {
  VARIANT args[2] = {a2, a1};  // DISPPARAMS order
  return InvokeN(name, args, 2, result);
}

HRESULT CComDispatchDriver::InvokeN(DISPID id, const VARIANT* args, int count, VARIANT* result) const {
  return Call(p, id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, count, result);
}

HRESULT CComDispatchDriver::InvokeN(LPCOLESTR name, const VARIANT* args, int count, VARIANT* result) const {
  DISPID id;
  HRESULT hr = GetIDOfName(name, &id);
  return FAILED(hr) ? hr : InvokeN(id, args, count, result);
}

// ---- advise helpers ----

HRESULT AtlAdvise(IUnknown* container, IUnknown* sink, REFIID iid, DWORD* cookie) {
  if (!container || !sink || !cookie) return E_POINTER;
  *cookie = 0;
  CComPtr<IConnectionPointContainer> cpc;
  HRESULT hr = container->QueryInterface(IID_IConnectionPointContainer, (void**)&cpc);
  if (FAILED(hr)) return hr;
  CComPtr<IConnectionPoint> cp;
  hr = cpc->FindConnectionPoint(iid, &cp);
  return FAILED(hr) ? hr : cp->Advise(sink, cookie);
}

HRESULT AtlUnadvise(IUnknown* container, REFIID iid, DWORD cookie) {
  if (!container) return E_POINTER;
  CComPtr<IConnectionPointContainer> cpc;
  HRESULT hr = container->QueryInterface(IID_IConnectionPointContainer, (void**)&cpc);
  if (FAILED(hr)) return hr;
  CComPtr<IConnectionPoint> cp;
  hr = cpc->FindConnectionPoint(iid, &cp);
  return FAILED(hr) ? hr : cp->Unadvise(cookie);
}
