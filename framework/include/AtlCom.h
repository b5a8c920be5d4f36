// COM objects: object root with an interface table, CComObject, creators and class factories,
// coclass identity, IDispatch from a type library, connection points and event sinks.
#pragma once
#include "AtlBase.h"
#include <functional>
#include <vector>

// Lock and unlock the process's COM module, if it has one (see AtlModule.h). Live objects keep
// a local server running and a DLL server loaded.
LONG AtlModuleLock();
LONG AtlModuleUnlock();

// ---- interface table ----

struct ComInterfaceEntry {
  const IID* piid;    // nullptr ends the table
  DWORD_PTR offset;   // from the object to the interface's vtable pointer
};

// Byte offset of base class B within derived class D.
#define COM_OFFSET_OF_CLASS(B, D) ((DWORD_PTR)(static_cast<B*>((D*)8)) - 8)

// QueryInterface over a table; IUnknown answers with the first entry.
HRESULT WINAPI AtlInternalQueryInterface(void* object, const ComInterfaceEntry* entries, REFIID iid, void** out);

#define BEGIN_COM_MAP(x)                                                          \
public:                                                                           \
  typedef x _ComMapClass;                                                         \
  IUnknown* GetUnknown() { return (IUnknown*)((DWORD_PTR)this + _GetEntries()->offset); } \
  HRESULT _InternalQueryInterface(REFIID iid, void** out) {                       \
    return AtlInternalQueryInterface(this, _GetEntries(), iid, out);              \
  }                                                                               \
  static const ComInterfaceEntry* _GetEntries() {                                 \
    static const ComInterfaceEntry entries[] = {
#define COM_INTERFACE_ENTRY(I) {&__uuidof(I), COM_OFFSET_OF_CLASS(I, _ComMapClass)},
#define COM_INTERFACE_ENTRY_IID(iid, I) {&iid, COM_OFFSET_OF_CLASS(I, _ComMapClass)},
// I reached through the base Via, for interfaces inherited along more than one path (IDispatch).
#define COM_INTERFACE_ENTRY2(I, Via) \
  {&__uuidof(I), (DWORD_PTR)((I*)(Via*)((_ComMapClass*)8)) - 8},
#define COM_INTERFACE_ENTRY2_IID(iid, I, Via) \
  {&iid, (DWORD_PTR)((I*)(Via*)((_ComMapClass*)8)) - 8},
#define END_COM_MAP() \
  {nullptr, 0}        \
  }                   \
  ;                   \
  return entries;     \
  }

#define DECLARE_NOT_AGGREGATABLE(x)
#define DECLARE_PROTECT_FINAL_CONSTRUCT()

// ---- object root ----

class CComObjectRootBase {
public:
  LONG m_dwRef = 0;

  HRESULT FinalConstruct() { return S_OK; }
  void FinalRelease() {}
};

template <class ThreadModel>
class CComObjectRootEx : public CComObjectRootBase {
public:
  typedef ThreadModel _ThreadModel;
  ULONG InternalAddRef() { return ThreadModel::Increment(&m_dwRef); }
  ULONG InternalRelease() { return ThreadModel::Decrement(&m_dwRef); }
};

typedef CComObjectRootEx<CComSingleThreadModel> CComObjectRoot;

// The creatable object: Base's interfaces with IUnknown implemented; locks the module while alive.
template <class Base>
class CComObject : public Base {
public:
  CComObject() { AtlModuleLock(); }
  virtual ~CComObject() {
    this->m_dwRef = -(LONG_MAX / 2);  // a stray AddRef/Release during FinalRelease must not delete again
    this->FinalRelease();
    AtlModuleUnlock();
  }

  STDMETHOD_(ULONG, AddRef)() { return this->InternalAddRef(); }
  STDMETHOD_(ULONG, Release)() {
    ULONG n = this->InternalRelease();
    if (n == 0) delete this;
    return n;
  }
  STDMETHOD(QueryInterface)(REFIID iid, void** out) { return this->_InternalQueryInterface(iid, out); }
  template <class Q>
  HRESULT QueryInterface(Q** out) {
    return QueryInterface(__uuidof(Q), (void**)out);
  }

  // A new object with reference count 0 after FinalConstruct (which runs with one reference held
  // so that it may pass itself around). On failure nothing is left.
  static HRESULT WINAPI CreateInstance(CComObject<Base>** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    CComObject<Base>* obj = new (std::nothrow) CComObject<Base>();
    if (!obj) return E_OUTOFMEMORY;
    obj->InternalAddRef();
    HRESULT hr = obj->FinalConstruct();
    obj->InternalRelease();
    if (FAILED(hr)) {
      delete obj;
      return hr;
    }
    *out = obj;
    return S_OK;
  }
};

// ---- creators and class factories ----

typedef HRESULT(WINAPI ComCreatorFunc)(void* pv, REFIID iid, void** out);

template <class T>
class CComCreator {
public:
  // pv is the controlling outer unknown: aggregation is not offered.
  static HRESULT WINAPI CreateInstance(void* pv, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (pv) return CLASS_E_NOAGGREGATION;
    T* obj = nullptr;
    HRESULT hr = T::CreateInstance(&obj);
    if (FAILED(hr)) return hr;
    obj->AddRef();
    hr = obj->QueryInterface(iid, out);
    obj->Release();
    return hr;
  }
};

// The common class factory; pv is the instance creator. In a DLL server a factory held by a
// client (beyond the module's own reference) locks the module; a local server's factories do
// not, or the registered class objects would keep it alive for ever.
class CComClassFactory {
public:
  static HRESULT WINAPI CreateInstance(void* pv, REFIID iid, void** out);
};

// The identity of a creatable class. T::_CreatorClass makes instances; T::UpdateRegistry comes
// from DECLARE_REGISTRY_RESOURCEID.
template <class T, const CLSID* pclsid = &CLSID_NULL>
class CComCoClass {
public:
  typedef CComCreator<CComObject<T>> _CreatorClass;
  typedef CComClassFactory _ClassFactoryCreatorClass;
  static const CLSID& WINAPI GetObjectCLSID() { return *pclsid; }
  template <class Q>
  static HRESULT CreateInstance(Q** out) {
    return T::_CreatorClass::CreateInstance(nullptr, __uuidof(Q), (void**)out);
  }
};

// ---- IDispatch from a type library ----

// Type information for one interface, loaded on first use from the registered type library
// (or, failing that, from the module's own TYPELIB resource). For a dual interface it holds the
// vtable description, so Invoke calls straight through the vtable.
class CComTypeInfoHolder {
public:
  CComTypeInfoHolder(const IID* iid, const GUID* libid, WORD major, WORD minor)
      : m_iid(iid), m_libid(libid), m_major(major), m_minor(minor) {}
  // Released by the module's Term (before COM goes away), not at process exit.
  ~CComTypeInfoHolder() = default;

  HRESULT GetTI(ITypeInfo** out);
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out);
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids);
  HRESULT Invoke(IDispatch* self, DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* excep, UINT* argErr);
  void Clear();

private:
  const IID* m_iid;
  const GUID* m_libid;  // nullptr: the module's library
  WORD m_major, m_minor;
  ITypeInfo* m_info = nullptr;
};

// IDispatch for dual interface T (deriving from IDispatch). libid nullptr: the module's library.
template <class T, const IID* piid, const GUID* plibid = nullptr, WORD wMajor = 1, WORD wMinor = 0>
class IDispatchImpl : public T {
public:
  STDMETHOD(GetTypeInfoCount)(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHOD(GetTypeInfo)(UINT index, LCID lcid, ITypeInfo** out) { return TypeInfo().GetTypeInfo(index, lcid, out); }
  STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) {
    return TypeInfo().GetIDsOfNames(riid, names, count, lcid, ids);
  }
  STDMETHOD(Invoke)(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                    EXCEPINFO* excep, UINT* argErr) {
    return TypeInfo().Invoke(static_cast<IDispatch*>(static_cast<T*>(this)), id, riid, lcid, flags, params, result,
                             excep, argErr);
  }

  static CComTypeInfoHolder& TypeInfo() {
    static CComTypeInfoHolder holder(piid, plibid, wMajor, wMinor);
    return holder;
  }
};

// ---- connection points ----

// A connection point has its own IUnknown identity (QueryInterface answers IConnectionPoint only)
// but shares the container's reference count. The first slot is therefore not named
// QueryInterface, so the object's own QueryInterface does not override it; AddRef and Release are.
template <const IID* piid>
class ComConnectionPointLocator {
public:
  virtual HRESULT STDMETHODCALLTYPE _CpQueryInterface(REFIID iid, void** out) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

// The list of sinks of one connection point; cookies are never reused.
class CComConnectionList {
public:
  struct Connection {
    DWORD cookie;
    IUnknown* sink;  // the sink's interface of the connection's IID, one reference
  };
  ~CComConnectionList();
  HRESULT Add(IUnknown* sink, REFIID iid, DWORD* cookie);
  HRESULT Remove(DWORD cookie);
  void RemoveAll();
  int GetCount() const { return (int)m_items.size(); }
  // A counted copy of the sinks, safe to walk while sinks advise or unadvise.
  std::vector<Connection> Snapshot() const;
  static void ReleaseSnapshot(std::vector<Connection>& items);
  HRESULT Enum(IEnumConnections** out) const;
  // Calls Invoke(id, DISPATCH_METHOD, args in call order) on every sink of a dispinterface, in
  // advise order. Errors of one sink do not stop the others; a sink whose process is gone is
  // dropped. Returns the last call's result (S_OK without sinks); *called = sinks reached.
  HRESULT FireDispatch(DISPID id, const VARIANT* args, int count, int* called = nullptr);

private:
  std::vector<Connection> m_items;
  DWORD m_next = 1;
};

HRESULT AtlCreateConnectionPointEnum(IConnectionPoint* const* points, int count, IEnumConnectionPoints** out);

template <class T, const IID* piid>
class IConnectionPointImpl : public ComConnectionPointLocator<piid> {
public:
  // The slots after IUnknown's, in IConnectionPoint's order.
  STDMETHOD(_CpQueryInterface)(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IConnectionPoint || iid == IID_IUnknown) {
      *out = this;
      this->AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  virtual HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = *piid;
    return S_OK;
  }
  virtual HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out) return E_POINTER;
    return static_cast<T*>(this)->GetUnknown()->QueryInterface(IID_IConnectionPointContainer, (void**)out);
  }
  virtual HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) { return m_vec.Add(sink, *piid, cookie); }
  virtual HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) { return m_vec.Remove(cookie); }
  virtual HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) { return m_vec.Enum(out); }

  IConnectionPoint* GetConnectionPoint() {
    return reinterpret_cast<IConnectionPoint*>(static_cast<ComConnectionPointLocator<piid>*>(this));
  }
  // For dispinterface events: see CComConnectionList::FireDispatch.
  HRESULT FireDispEvent(DISPID id, const VARIANT* args, int count, int* called = nullptr) {
    return m_vec.FireDispatch(id, args, count, called);
  }

  CComConnectionList m_vec;
};

#define BEGIN_CONNECTION_POINT_MAP(x)                   \
  typedef x _CpMapClass;                                \
  static const DWORD_PTR* _GetConnectionPointMap() {    \
    static const DWORD_PTR offsets[] = {
#define CONNECTION_POINT_ENTRY(iid) COM_OFFSET_OF_CLASS(ComConnectionPointLocator<&iid>, _CpMapClass),
#define END_CONNECTION_POINT_MAP() \
  (DWORD_PTR)-1                    \
  }                                \
  ;                                \
  return offsets;                  \
  }

template <class T>
class IConnectionPointContainerImpl : public IConnectionPointContainer {
public:
  STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** out) {
    if (!out) return E_POINTER;
    std::vector<IConnectionPoint*> points;
    for (const DWORD_PTR* p = T::_GetConnectionPointMap(); *p != (DWORD_PTR)-1; ++p) points.push_back(At(*p));
    return AtlCreateConnectionPointEnum(points.data(), (int)points.size(), out);
  }
  STDMETHOD(FindConnectionPoint)(REFIID iid, IConnectionPoint** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const DWORD_PTR* p = T::_GetConnectionPointMap(); *p != (DWORD_PTR)-1; ++p) {
      IConnectionPoint* cp = At(*p);
      IID cpIid;
      if (SUCCEEDED(cp->GetConnectionInterface(&cpIid)) && cpIid == iid) {
        cp->AddRef();
        *out = cp;
        return S_OK;
      }
    }
    return CONNECT_E_NOCONNECTION;
  }

private:
  IConnectionPoint* At(DWORD_PTR offset) {
    return reinterpret_cast<IConnectionPoint*>((DWORD_PTR) static_cast<T*>(this) + offset);
  }
};

// ---- event sink for clients ----

// A dispatch sink for one source dispinterface: answers IUnknown, IDispatch and that IID, and
// hands each Invoke to a callback. Arguments arrive in DISPPARAMS order (last argument first);
// Arg() indexes them in call order.
class CComDispEventSink : public IDispatch {
public:
  typedef std::function<HRESULT(DISPID id, DISPPARAMS* params, VARIANT* result)> Handler;

  // A new sink with one reference for the caller.
  static HRESULT Create(REFIID diid, Handler handler, CComDispEventSink** out);
  static VARIANT* Arg(DISPPARAMS* params, UINT index);

  HRESULT Advise(IUnknown* source);
  HRESULT Unadvise();
  bool IsAdvised() const { return m_source != nullptr; }

  STDMETHOD(QueryInterface)(REFIID iid, void** out);
  STDMETHOD_(ULONG, AddRef)();
  STDMETHOD_(ULONG, Release)();
  STDMETHOD(GetTypeInfoCount)(UINT* count);
  STDMETHOD(GetTypeInfo)(UINT index, LCID lcid, ITypeInfo** out);
  STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids);
  STDMETHOD(Invoke)(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                    EXCEPINFO* excep, UINT* argErr);

private:
  CComDispEventSink(REFIID diid, Handler handler) : m_diid(diid), m_handler(std::move(handler)) {}
  virtual ~CComDispEventSink();

  LONG m_ref = 1;
  IID m_diid;
  Handler m_handler;
  IUnknown* m_source = nullptr;  // counted while advised
  DWORD m_cookie = 0;
};
