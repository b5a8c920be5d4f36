// COM basics: reference-counting smart pointers, BSTR and VARIANT owners, late binding through
// IDispatch by name, and advising a sink on a connection point.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <ocidl.h>
#include <olectl.h>
#include <memory>
#include <utility>

// Reference-counting threading policies for CComObjectRootEx.
class CComSingleThreadModel {
public:
  static ULONG WINAPI Increment(LONG* p) { return (ULONG)++(*p); }
  static ULONG WINAPI Decrement(LONG* p) { return (ULONG)--(*p); }
};

class CComMultiThreadModel {
public:
  static ULONG WINAPI Increment(LONG* p) { return (ULONG)InterlockedIncrement(p); }
  static ULONG WINAPI Decrement(LONG* p) { return (ULONG)InterlockedDecrement(p); }
};

// Owns one counted reference to an interface.
template <class T>
class CComPtr {
public:
  T* p = nullptr;

  CComPtr() = default;
  CComPtr(T* lp) : p(lp) { if (p) p->AddRef(); }
  CComPtr(const CComPtr& other) : CComPtr(other.p) {}
  CComPtr(CComPtr&& other) noexcept : p(other.p) { other.p = nullptr; }
  ~CComPtr() { Release(); }

  T* operator=(T* lp) {
    if (lp != p) {
      if (lp) lp->AddRef();
      T* old = p;
      p = lp;
      if (old) old->Release();
    }
    return p;
  }
  T* operator=(const CComPtr& other) { return *this = other.p; }
  T* operator=(CComPtr&& other) noexcept {
    if (this != std::addressof(other)) {
      Release();
      p = other.p;
      other.p = nullptr;
    }
    return p;
  }

  operator T*() const { return p; }
  T& operator*() const { return *p; }
  T* operator->() const { return p; }
  bool operator!() const { return p == nullptr; }
  bool operator==(T* other) const { return p == other; }
  bool operator!=(T* other) const { return p != other; }
  // For out parameters: whatever was held is released first so it cannot leak.
  T** operator&() {
    Release();
    return &p;
  }

  void Release() {
    T* old = p;
    if (old) {
      p = nullptr;
      old->Release();
    }
  }
  void Attach(T* other) {
    if (p) p->Release();
    p = other;
  }
  T* Detach() {
    T* old = p;
    p = nullptr;
    return old;
  }
  HRESULT CopyTo(T** out) const {
    if (!out) return E_POINTER;
    *out = p;
    if (p) p->AddRef();
    return S_OK;
  }
  template <class Q>
  HRESULT QueryInterface(Q** out) const {
    if (!out) return E_POINTER;
    *out = nullptr;
    return p ? p->QueryInterface(__uuidof(Q), (void**)out) : E_POINTER;
  }
  bool IsEqualObject(IUnknown* other) const {
    if (!p && !other) return true;
    if (!p || !other) return false;
    CComPtr<IUnknown> a, b;
    p->QueryInterface(IID_IUnknown, (void**)&a.p);
    other->QueryInterface(IID_IUnknown, (void**)&b.p);
    return a.p == b.p;
  }
  HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer = nullptr, DWORD context = CLSCTX_ALL) {
    Release();
    return ::CoCreateInstance(clsid, outer, context, __uuidof(T), (void**)&p);
  }
  HRESULT CoCreateInstance(LPCOLESTR progId, IUnknown* outer = nullptr, DWORD context = CLSCTX_ALL) {
    CLSID clsid;
    HRESULT hr = ::CLSIDFromProgID(progId, &clsid);
    return FAILED(hr) ? hr : CoCreateInstance(clsid, outer, context);
  }
};

// A CComPtr that queries for its interface when given another one.
template <class T, const IID* piid = nullptr>
class CComQIPtr : public CComPtr<T> {
public:
  CComQIPtr() = default;
  CComQIPtr(T* lp) : CComPtr<T>(lp) {}
  CComQIPtr(const CComQIPtr& other) : CComPtr<T>(other.p) {}
  CComQIPtr(IUnknown* unk) { Query(unk); }
  T* operator=(T* lp) { return CComPtr<T>::operator=(lp); }
  T* operator=(const CComQIPtr& other) { return CComPtr<T>::operator=(other.p); }
  T* operator=(IUnknown* unk) {
    CComQIPtr fresh(unk);
    return CComPtr<T>::operator=(fresh.p);
  }

private:
  void Query(IUnknown* unk) {
    if (unk) unk->QueryInterface(piid ? *piid : __uuidof(T), (void**)&this->p);
  }
};

// Owns one BSTR.
class CComBSTR {
public:
  BSTR m_str = nullptr;

  CComBSTR() = default;
  CComBSTR(LPCOLESTR text) : m_str(text ? ::SysAllocString(text) : nullptr) {}
  CComBSTR(int length, LPCOLESTR text) : m_str(::SysAllocStringLen(text, (UINT)length)) {}
  CComBSTR(const CComBSTR& other) : m_str(other.Copy()) {}
  CComBSTR(CComBSTR&& other) noexcept : m_str(other.m_str) { other.m_str = nullptr; }
  ~CComBSTR() { ::SysFreeString(m_str); }

  CComBSTR& operator=(LPCOLESTR text);
  CComBSTR& operator=(const CComBSTR& other);
  CComBSTR& operator=(CComBSTR&& other) noexcept;

  operator BSTR() const { return m_str; }
  // For out parameters: a string held before is freed first.
  BSTR* operator&() {
    Empty();
    return &m_str;
  }
  bool operator!() const { return m_str == nullptr; }
  // Compares contents; a null BSTR equals the empty string as COM treats them alike.
  bool operator==(LPCOLESTR text) const;
  bool operator!=(LPCOLESTR text) const { return !(*this == text); }
  CComBSTR& operator+=(LPCOLESTR text) {
    Append(text);
    return *this;
  }

  unsigned int Length() const { return ::SysStringLen(m_str); }
  unsigned int ByteLength() const { return ::SysStringByteLen(m_str); }
  BSTR Copy() const;
  HRESULT CopyTo(BSTR* out) const;
  void Attach(BSTR s);
  BSTR Detach() {
    BSTR s = m_str;
    m_str = nullptr;
    return s;
  }
  void Empty() {
    ::SysFreeString(m_str);
    m_str = nullptr;
  }
  HRESULT Append(LPCOLESTR text);
  HRESULT Append(LPCOLESTR text, int length);
  HRESULT Append(const CComBSTR& other) { return Append(other.m_str, (int)other.Length()); }
};

// A VARIANT that clears itself.
class CComVariant : public tagVARIANT {
public:
  CComVariant() { ::VariantInit(this); }
  CComVariant(const VARIANT& src);
  CComVariant(const CComVariant& src) : CComVariant(static_cast<const VARIANT&>(src)) {}
  CComVariant(LPCOLESTR text);
  CComVariant(const CComBSTR& text) : CComVariant(static_cast<LPCOLESTR>(text.m_str)) {}
  CComVariant(bool value);
  CComVariant(int value) : CComVariant((long)value) {}
  CComVariant(long value);
  CComVariant(unsigned long value);
  CComVariant(short value);
  CComVariant(LONGLONG value);
  CComVariant(double value);
  CComVariant(IDispatch* value);
  CComVariant(IUnknown* value);
  ~CComVariant() { ::VariantClear(this); }

  CComVariant& operator=(const VARIANT& src);
  CComVariant& operator=(const CComVariant& src) { return *this = static_cast<const VARIANT&>(src); }
  bool operator==(const VARIANT& other) const;
  bool operator!=(const VARIANT& other) const { return !(*this == other); }

  HRESULT Clear() { return ::VariantClear(this); }
  HRESULT Copy(const VARIANT* src);
  HRESULT CopyTo(VARIANT* dest) const;
  // Takes over src's contents; src is left VT_EMPTY.
  HRESULT Attach(VARIANT* src);
  // Hands the contents to dest (cleared first); this is left VT_EMPTY.
  HRESULT Detach(VARIANT* dest);
  HRESULT ChangeType(VARTYPE vt, const VARIANT* src = nullptr);
};

// Calls IDispatch objects by member name (late binding). Invoke1/Invoke2 take their arguments
// in call order; InvokeN and Call take an array in DISPPARAMS order, last argument first.
class CComDispatchDriver : public CComPtr<IDispatch> {
public:
  CComDispatchDriver() = default;
  CComDispatchDriver(IDispatch* disp) : CComPtr<IDispatch>(disp) {}
  CComDispatchDriver(IUnknown* unk);
  IDispatch* operator=(IDispatch* disp) { return CComPtr<IDispatch>::operator=(disp); }
  IDispatch* operator=(IUnknown* unk);

  HRESULT GetIDOfName(LPCOLESTR name, DISPID* id) const;
  HRESULT GetProperty(DISPID id, VARIANT* value) const;
  HRESULT GetPropertyByName(LPCOLESTR name, VARIANT* value) const;
  HRESULT PutProperty(DISPID id, const VARIANT& value) const;
  HRESULT PutPropertyByName(LPCOLESTR name, const VARIANT& value) const;
  // Assigns an object reference ("Set" in Basic): what hosts expect for pictures and the like.
  HRESULT PutPropertyRef(DISPID id, const VARIANT& value) const;
  HRESULT PutPropertyRefByName(LPCOLESTR name, const VARIANT& value) const;

  // Methods (also reachable when the member is a parameterised property getter).
  HRESULT Invoke0(DISPID id, VARIANT* result = nullptr) const { return InvokeN(id, nullptr, 0, result); }
  HRESULT Invoke0(LPCOLESTR name, VARIANT* result = nullptr) const { return InvokeN(name, nullptr, 0, result); }
  HRESULT Invoke1(DISPID id, const VARIANT& a1, VARIANT* result = nullptr) const { return InvokeN(id, &a1, 1, result); }
  HRESULT Invoke1(LPCOLESTR name, const VARIANT& a1, VARIANT* result = nullptr) const {
    return InvokeN(name, &a1, 1, result);
  }
  HRESULT Invoke2(DISPID id, const VARIANT& a1, const VARIANT& a2, VARIANT* result = nullptr) const;
  HRESULT Invoke2(LPCOLESTR name, const VARIANT& a1, const VARIANT& a2, VARIANT* result = nullptr) const;
  // args[0] is the last argument of the call, args[count - 1] the first.
  HRESULT InvokeN(DISPID id, const VARIANT* args, int count, VARIANT* result = nullptr) const;
  HRESULT InvokeN(LPCOLESTR name, const VARIANT* args, int count, VARIANT* result = nullptr) const;

  // The one call every helper above ends in: args in DISPPARAMS order, flags DISPATCH_*.
  static HRESULT Call(IDispatch* disp, DISPID id, WORD flags, const VARIANT* args, int count, VARIANT* result);
};

// Connects sink to the connection point iid of container; the cookie is for AtlUnadvise.
HRESULT AtlAdvise(IUnknown* container, IUnknown* sink, REFIID iid, DWORD* cookie);
HRESULT AtlUnadvise(IUnknown* container, REFIID iid, DWORD cookie);
