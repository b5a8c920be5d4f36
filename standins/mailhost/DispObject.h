// A scriptable IDispatch object for stand-ins: named properties kept as values, named methods
// answered by callbacks, extra interface ids it answers to, and connection points it fires.
// The mail-host stand-in builds the mail client's objects from it, the program stand-in the
// program's automation objects.
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace Standin {

class DispObject : public IDispatch, public IConnectionPointContainer {
 public:
  // args in call order (first argument first); flags DISPATCH_*.
  typedef std::function<HRESULT(WORD flags, const std::vector<VARIANT*>& args, VARIANT* result)> Method;

  // A new object with one reference for the caller.
  static DispObject* Create(const std::wstring& name);

  // A method's argument i as text, or as a number (a missing argument, or one that does not
  // convert, answers fallback; a VARIANT passed by reference is read through).
  static std::wstring ArgText(const std::vector<VARIANT*>& args, size_t i);
  static long ArgLong(const std::vector<VARIANT*>& args, size_t i, long fallback);

  const std::wstring& Name() const { return m_name; }
  // Properties: get answers the value (VT_EMPTY when never set), put and putref store it.
  void SetProp(const std::wstring& name, const VARIANT& value);
  void SetProp(const std::wstring& name, const wchar_t* text);
  void SetProp(const std::wstring& name, long value);
  void SetProp(const std::wstring& name, IDispatch* object);
  bool GetProp(const std::wstring& name, VARIANT* value) const;  // a copy
  std::wstring GetText(const std::wstring& name) const;
  // A member answered by a callback (it takes precedence over a property of the same name).
  void SetMethod(const std::wstring& name, Method method);
  // Interface ids answered with this object's IDispatch, besides IUnknown and IDispatch.
  void AddIid(const IID& iid) { m_iids.push_back(iid); }
  // A source interface: sinks may Advise on it.
  void AddSource(const IID& iid) { m_sources[iid]; }
  int SinkCount(const IID& iid) const;
  // Calls every sink of iid with DISPID id and args in call order; the last result.
  HRESULT Fire(const IID& iid, DISPID id, const std::vector<VARIANT>& args);
  // Every put and call, in order: "put Caption", "call Add(2)"...
  const std::vector<std::wstring>& Log() const { return m_log; }

  // IUnknown
  STDMETHOD(QueryInterface)(REFIID iid, void** out) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;
  // IDispatch
  STDMETHOD(GetTypeInfoCount)(UINT* count) override;
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo** out) override;
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  STDMETHOD(Invoke)(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                    UINT*) override;
  // IConnectionPointContainer
  STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** out) override;
  STDMETHOD(FindConnectionPoint)(REFIID iid, IConnectionPoint** out) override;

  // Objects alive in this process (leak checks).
  static LONG LiveCount();
  LONG Refs() const { return m_ref; }

 private:
  explicit DispObject(const std::wstring& name);
  virtual ~DispObject();
  DISPID IdOf(const std::wstring& name);
  friend class DispConnectionPoint;

  LONG m_ref = 1;
  std::wstring m_name;
  std::vector<std::wstring> m_names;  // DISPID = index + 1
  std::map<std::wstring, VARIANT> m_props;
  std::map<std::wstring, Method> m_methods;
  std::vector<IID> m_iids;
  struct IidLess {
    bool operator()(const IID& a, const IID& b) const { return memcmp(&a, &b, sizeof(IID)) < 0; }
  };
  std::map<IID, std::vector<std::pair<DWORD, IDispatch*>>, IidLess> m_sources;
  DWORD m_nextCookie = 1;
  std::vector<std::wstring> m_log;
};

}  // namespace Standin
