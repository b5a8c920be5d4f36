// Event sinks owned by an object: IDispEventSimpleImpl<id, T, &DIID> makes T a sink of one
// source dispinterface, connected and disconnected explicitly (DispEventAdvise and
// DispEventUnadvise); T's sink map sends each event to a typed member function.
//
//   class CAddIn : public IDispEventSimpleImpl<1, CAddIn, &DIID_ButtonEvents>, ... {
//     BEGIN_SINK_MAP(CAddIn)
//       SINK_ENTRY_EX(1, DIID_ButtonEvents, 1, OnClick)
//     END_SINK_MAP()
//     void __stdcall OnClick(IDispatch* ctrl, VARIANT_BOOL* cancelDefault);
//   };
//
// Handler parameters are converted from the event's arguments (given in call order): LONG, int,
// short/VARIANT_BOOL, unsigned, double, float, bool, BSTR, IDispatch*, IUnknown* by value (a
// converted copy that lives for the call), VARIANT* as passed, and pointers to those value types
// for by-reference arguments (the caller's storage when the types match). A handler returns void
// or HRESULT. Unmapped events answer S_OK, as sources expect of sinks that ignore them.
//
// A sink does not count references: its owner unadvises every sink before it goes away.
#pragma once
#include "AtlCom.h"
#include <tuple>
#include <type_traits>
#include <utility>

struct ComSinkEntry {
  UINT id;
  const IID* piid;  // nullptr ends the map
  DISPID dispid;
  HRESULT (*call)(void* owner, DISPPARAMS* params);
};

#define BEGIN_SINK_MAP(x)                                  \
 public:                                                   \
  typedef x _SinkMapClass;                                 \
  static const ComSinkEntry* _GetSinkMap() {               \
    static const ComSinkEntry entries[] = {
#define SINK_ENTRY_EX(id, iid, dispid, fn) {(UINT)(id), &iid, (DISPID)(dispid), &ComSinkThunk<_SinkMapClass, &_SinkMapClass::fn>::Call},
#define END_SINK_MAP()     \
  {0, nullptr, 0, nullptr} \
  }                        \
  ;                        \
  return entries;          \
  }

// ---- argument conversion ----

template <class X>
struct ComVarType;  // VARTYPE of a value type and how to read it from a VARIANT of that type
// alt: another VARTYPE with the same storage, accepted by reference (VARIANT_BOOL is a short).
#define COM_VAR_TYPE(X, VT, ALT, expr)                     \
  template <>                                              \
  struct ComVarType<X> {                                   \
    static const VARTYPE vt = VT;                          \
    static const VARTYPE alt = ALT;                        \
    static X Get(const VARIANT& v) { return (X)(expr); }   \
  };
COM_VAR_TYPE(LONG, VT_I4, VT_I4, v.lVal)
COM_VAR_TYPE(int, VT_I4, VT_INT, v.lVal)
COM_VAR_TYPE(short, VT_I2, VT_BOOL, v.iVal)
COM_VAR_TYPE(ULONG, VT_UI4, VT_UI4, v.ulVal)
COM_VAR_TYPE(unsigned int, VT_UI4, VT_UINT, v.ulVal)
COM_VAR_TYPE(double, VT_R8, VT_R8, v.dblVal)
COM_VAR_TYPE(float, VT_R4, VT_R4, v.fltVal)
COM_VAR_TYPE(bool, VT_BOOL, VT_BOOL, v.boolVal != VARIANT_FALSE)
COM_VAR_TYPE(BSTR, VT_BSTR, VT_BSTR, v.bstrVal)
COM_VAR_TYPE(IDispatch*, VT_DISPATCH, VT_DISPATCH, v.pdispVal)
COM_VAR_TYPE(IUnknown*, VT_UNKNOWN, VT_UNKNOWN, v.punkVal)
#undef COM_VAR_TYPE

template <class X, class = void>
struct ComHasVarType : std::false_type {};
template <class X>
struct ComHasVarType<X, std::void_t<decltype(ComVarType<X>::vt)>> : std::true_type {};

// The argument behind a VARIANT that holds another by reference.
inline VARIANT* ComSinkDeref(VARIANT* v) { return (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) ? v->pvarVal : v; }

template <class A, class = void>
struct ComSinkArg;

template <class A>
struct ComSinkArg<A, std::enable_if_t<ComHasVarType<A>::value>> {  // by value
  CComVariant temp;
  HRESULT Set(VARIANT* v) { return ::VariantChangeType(&temp, ComSinkDeref(v), 0, ComVarType<A>::vt); }
  A Get() { return ComVarType<A>::Get(temp); }
};

template <>
struct ComSinkArg<VARIANT*> {
  VARIANT* p = nullptr;
  HRESULT Set(VARIANT* v) {
    p = ComSinkDeref(v);
    return S_OK;
  }
  VARIANT* Get() { return p; }
};

template <class X>
struct ComSinkArg<X*, std::enable_if_t<!ComHasVarType<X*>::value && ComHasVarType<X>::value>> {  // by reference
  ComSinkArg<X> value;
  X* p = nullptr;
  HRESULT Set(VARIANT* v) {
    VARIANT* a = ComSinkDeref(v);
    // a bool is not a VARIANT_BOOL's storage: bool* always gets a copy
    if (!std::is_same<X, bool>::value &&
        (a->vt == (VT_BYREF | ComVarType<X>::vt) || a->vt == (VT_BYREF | ComVarType<X>::alt))) {
      p = static_cast<X*>(a->byref);
      return p ? S_OK : E_POINTER;
    }
    // not the caller's storage: a converted copy, so what the handler writes is not seen
    HRESULT hr = value.Set(a);
    if (FAILED(hr)) return hr;
    held = value.Get();
    p = &held;
    return S_OK;
  }
  X* Get() { return p; }
  X held{};
};

template <class Owner, class F, class R, class... A, size_t... I>
HRESULT ComSinkInvoke(Owner* owner, F fn, DISPPARAMS* params, std::index_sequence<I...>) {
  if (!params || params->cArgs < sizeof...(A)) return DISP_E_BADPARAMCOUNT;
  std::tuple<ComSinkArg<std::remove_cv_t<A>>...> args;
  HRESULT hr = S_OK;
  // DISPPARAMS hold the arguments last to first
  (void)std::initializer_list<int>{
      (SUCCEEDED(hr) ? (hr = std::get<I>(args).Set(&params->rgvarg[params->cArgs - 1 - I]), 0) : 0)...};
  if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
  if constexpr (std::is_void_v<R>) {
    (owner->*fn)(std::get<I>(args).Get()...);
    return S_OK;
  } else {
    return (HRESULT)(owner->*fn)(std::get<I>(args).Get()...);
  }
}

template <class F>
struct ComSinkSignature;
template <class C, class R, class... A>
struct ComSinkSignature<R (C::*)(A...)> {
  typedef R Result;
  typedef std::tuple<A...> Args;
};
#if defined(__i386__)
template <class C, class R, class... A>
struct ComSinkSignature<R (__stdcall C::*)(A...)> {
  typedef R Result;
  typedef std::tuple<A...> Args;
};
#endif

template <class Owner, class F, class R, class... A>
HRESULT ComSinkDispatch(Owner* owner, F fn, DISPPARAMS* params, std::tuple<A...>*) {
  return ComSinkInvoke<Owner, F, R, A...>(owner, fn, params, std::index_sequence_for<A...>{});
}

template <class Owner, auto fn>
struct ComSinkThunk {
  static HRESULT Call(void* owner, DISPPARAMS* params) {
    typedef ComSinkSignature<decltype(fn)> Sig;
    return ComSinkDispatch<Owner, decltype(fn), typename Sig::Result>(static_cast<Owner*>(owner), fn, params,
                                                                      (typename Sig::Args*)nullptr);
  }
};

// ---- the sink ----

// IDispatch's vtable under names of its own, so that the owner's IUnknown and IDispatch methods
// (CComObject's, IDispatchImpl's) do not take over the sink's slots.
template <UINT nID, const IID* pdiid>
class ComDispEventLocator {
 public:
  virtual HRESULT STDMETHODCALLTYPE _LocDEQueryInterface(REFIID iid, void** out) = 0;
  virtual ULONG STDMETHODCALLTYPE _LocDEAddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE _LocDERelease() = 0;
  virtual HRESULT STDMETHODCALLTYPE _LocDEGetTypeInfoCount(UINT* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE _LocDEGetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) = 0;
  virtual HRESULT STDMETHODCALLTYPE _LocDEGetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                                        DISPID* ids) = 0;
  virtual HRESULT STDMETHODCALLTYPE _LocDEInvoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                                 VARIANT* result, EXCEPINFO* excep, UINT* argErr) = 0;
};

// Connects sink pointer sink to the connection point iid of source.
HRESULT ComDispEventAdvise(IUnknown* source, IUnknown* sink, REFIID iid, DWORD* cookie);
HRESULT ComDispEventUnadvise(IUnknown* source, REFIID iid, DWORD* cookie);

template <UINT nID, class T, const IID* pdiid>
class IDispEventSimpleImpl : public ComDispEventLocator<nID, pdiid> {
 public:
  static const DWORD kNotAdvised = 0xFEFEFEFE;
  DWORD m_dwEventCookie = kNotAdvised;

  // A new connection replaces the remembered one (unadvise that first).
  HRESULT DispEventAdvise(IUnknown* source, const IID* piid = pdiid) {
    return ComDispEventAdvise(source, SinkUnknown(), *piid, &m_dwEventCookie);
  }
  HRESULT DispEventUnadvise(IUnknown* source, const IID* piid = pdiid) {
    return ComDispEventUnadvise(source, *piid, &m_dwEventCookie);
  }
  bool IsDispEventAdvised() const { return m_dwEventCookie != kNotAdvised; }
  // The sink as the source sees it.
  IUnknown* SinkUnknown() {
    return reinterpret_cast<IUnknown*>(static_cast<ComDispEventLocator<nID, pdiid>*>(this));
  }

  HRESULT STDMETHODCALLTYPE _LocDEQueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == *pdiid) {
      *out = SinkUnknown();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE _LocDEAddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE _LocDERelease() override { return 1; }
  HRESULT STDMETHODCALLTYPE _LocDEGetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE _LocDEGetTypeInfo(UINT, LCID, ITypeInfo** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE _LocDEGetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE _LocDEInvoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                         UINT*) override {
    T* owner = static_cast<T*>(this);
    for (const ComSinkEntry* e = T::_GetSinkMap(); e->piid; ++e)
      if (e->id == nID && e->dispid == id && *e->piid == *pdiid) return e->call(owner, params);
    return S_OK;
  }
};
