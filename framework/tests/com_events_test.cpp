// Owner event sinks (IDispEventSimpleImpl): fixed sink ids on their own connections, typed
// handlers with converted and by-reference arguments, and an owner whose own IDispatch stays its own.
#include <gtest/gtest.h>
#include "Framework.h"
#include <string>
#include <vector>

namespace {

// {5B0E7C31-94A2-4C57-8E16-2D9F1A6B3C01} and ...02: two source dispinterfaces
const IID DIID_TestClicks = {0x5b0e7c31, 0x94a2, 0x4c57, {0x8e, 0x16, 0x2d, 0x9f, 0x1a, 0x6b, 0x3c, 0x01}};
const IID DIID_TestLogins = {0x5b0e7c31, 0x94a2, 0x4c57, {0x8e, 0x16, 0x2d, 0x9f, 0x1a, 0x6b, 0x3c, 0x02}};

// An event source with one connection point for each dispinterface.
class CSource : public CComObjectRootEx<CComSingleThreadModel>,
                public IConnectionPointContainerImpl<CSource>,
                public IConnectionPointImpl<CSource, &DIID_TestClicks>,
                public IConnectionPointImpl<CSource, &DIID_TestLogins> {
 public:
  BEGIN_COM_MAP(CSource)
    COM_INTERFACE_ENTRY(IConnectionPointContainer)
  END_COM_MAP()
  BEGIN_CONNECTION_POINT_MAP(CSource)
    CONNECTION_POINT_ENTRY(DIID_TestClicks)
    CONNECTION_POINT_ENTRY(DIID_TestLogins)
  END_CONNECTION_POINT_MAP()

  HRESULT Click(DISPID id, const VARIANT* args, int n, int* called = nullptr) {
    return IConnectionPointImpl<CSource, &DIID_TestClicks>::FireDispEvent(id, args, n, called);
  }
  HRESULT Login(const VARIANT* args, int n, int* called = nullptr) {
    return IConnectionPointImpl<CSource, &DIID_TestLogins>::FireDispEvent(1, args, n, called);
  }
  int Sinks(const IID& iid) {
    return iid == DIID_TestClicks ? IConnectionPointImpl<CSource, &DIID_TestClicks>::m_vec.GetCount()
                                  : IConnectionPointImpl<CSource, &DIID_TestLogins>::m_vec.GetCount();
  }
};

// Shaped like an add-in object: its own IDispatch, and sinks 1 and 6 on the same dispinterface
// (a tool-bar button and a menu button) plus sink 4 on another.
class COwner : public CComObjectRootEx<CComSingleThreadModel>,
               public IDispatch,
               public IDispEventSimpleImpl<1, COwner, &DIID_TestClicks>,
               public IDispEventSimpleImpl<6, COwner, &DIID_TestClicks>,
               public IDispEventSimpleImpl<4, COwner, &DIID_TestLogins> {
 public:
  typedef IDispEventSimpleImpl<1, COwner, &DIID_TestClicks> ToolBarSink;
  typedef IDispEventSimpleImpl<6, COwner, &DIID_TestClicks> MenuSink;
  typedef IDispEventSimpleImpl<4, COwner, &DIID_TestLogins> LoginSink;

  BEGIN_COM_MAP(COwner)
    COM_INTERFACE_ENTRY(IDispatch)
  END_COM_MAP()

  BEGIN_SINK_MAP(COwner)
    SINK_ENTRY_EX(1, DIID_TestClicks, 1, OnToolBarClick)
    SINK_ENTRY_EX(6, DIID_TestClicks, 1, OnMenuClick)
    SINK_ENTRY_EX(4, DIID_TestLogins, 1, OnLoginChanged)
  END_SINK_MAP()

  std::vector<std::string> log;

  void __stdcall OnToolBarClick(IDispatch* ctrl, VARIANT_BOOL* cancelDefault) {
    log.push_back(std::string("toolbar ctrl=") + (ctrl ? "set" : "null") + " cancel=" + std::to_string(*cancelDefault));
    *cancelDefault = VARIANT_TRUE;
  }
  void __stdcall OnMenuClick(IDispatch*, VARIANT_BOOL*) { log.push_back("menu"); }
  HRESULT OnLoginChanged(IUnknown* obj, LONG state) {
    log.push_back("login " + std::to_string(state) + (obj ? " from source" : " from nobody"));
    return state == 99 ? E_FAIL : S_OK;
  }

  // The owner's own IDispatch answers 42 from Invoke.
  STDMETHOD(GetTypeInfoCount)(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHOD(Invoke)(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
    if (result) {
      VariantInit(result);
      result->vt = VT_I4;
      result->lVal = 42;
    }
    return S_OK;
  }
};

template <class T>
CComPtr<IUnknown> Make(CComObject<T>** out) {
  CComObject<T>::CreateInstance(out);
  return CComPtr<IUnknown>((*out)->GetUnknown());
}

VARIANT ByRefBool(VARIANT_BOOL* b) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BYREF | VT_BOOL;
  v.pboolVal = b;
  return v;
}

TEST(ComEvents, SinksWithFixedIdsReachTheirOwnHandlers) {
  CComObject<CSource>*toolBar = nullptr, *menu = nullptr, *app = nullptr;
  CComPtr<IUnknown> toolBarUnk = Make(&toolBar), menuUnk = Make(&menu), appUnk = Make(&app);
  CComObject<COwner>* owner = nullptr;
  CComPtr<IUnknown> ownerUnk = Make(&owner);

  ASSERT_HRESULT_SUCCEEDED(owner->ToolBarSink::DispEventAdvise(toolBarUnk));
  ASSERT_HRESULT_SUCCEEDED(owner->MenuSink::DispEventAdvise(menuUnk));
  ASSERT_HRESULT_SUCCEEDED(owner->LoginSink::DispEventAdvise(appUnk));
  EXPECT_EQ(toolBar->Sinks(DIID_TestClicks), 1);
  EXPECT_EQ(menu->Sinks(DIID_TestClicks), 1);
  EXPECT_EQ(app->Sinks(DIID_TestLogins), 1);
  EXPECT_EQ(app->Sinks(DIID_TestClicks), 0);
  // a sink can only go where its dispinterface is offered
  EXPECT_EQ(owner->ToolBarSink::DispEventAdvise(ownerUnk), E_NOINTERFACE);

  // a by-reference flag the handler writes back, as Click(Ctrl, CancelDefault) does
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT click[2];
  VariantInit(&click[0]);
  click[0].vt = VT_DISPATCH;
  click[0].pdispVal = static_cast<IDispatch*>(owner);  // not counted: nothing here clears it
  click[1] = ByRefBool(&cancel);
  int called = 0;
  EXPECT_HRESULT_SUCCEEDED(toolBar->Click(1, click, 2, &called));
  EXPECT_EQ(called, 1);
  EXPECT_EQ(cancel, VARIANT_TRUE);
  EXPECT_HRESULT_SUCCEEDED(menu->Click(1, click, 2));
  EXPECT_HRESULT_SUCCEEDED(toolBar->Click(7, click, 2));  // an event nobody maps

  // arguments converted to the handler's types; the handler's HRESULT comes back
  const struct {
    const char* name;
    std::vector<CComVariant> args;
    HRESULT expected;
  } logins[] = {
      {"exact", {CComVariant(appUnk.p), CComVariant(2L)}, S_OK},
      {"short to LONG", {CComVariant(appUnk.p), CComVariant((short)1)}, S_OK},
      {"text to LONG", {CComVariant((IUnknown*)nullptr), CComVariant(L"0")}, S_OK},
      {"handler's failure", {CComVariant(appUnk.p), CComVariant(99L)}, E_FAIL},
      {"too few", {CComVariant(appUnk.p)}, DISP_E_BADPARAMCOUNT},
      {"not a number", {CComVariant(appUnk.p), CComVariant(L"two")}, DISP_E_TYPEMISMATCH},
  };
  for (const auto& l : logins) {
    SCOPED_TRACE(l.name);
    EXPECT_EQ(app->Login(l.args.data(), (int)l.args.size()), l.expected);
  }
  EXPECT_EQ(owner->log, (std::vector<std::string>{"toolbar ctrl=set cancel=0", "menu", "login 2 from source",
                                                 "login 1 from source", "login 0 from nobody", "login 99 from source"}));

  // the owner's own identity and IDispatch are untouched by its sinks
  CComPtr<IDispatch> disp;
  ASSERT_HRESULT_SUCCEEDED(ownerUnk->QueryInterface(IID_IDispatch, (void**)&disp));
  CComVariant answer;
  DISPPARAMS none = {};
  EXPECT_HRESULT_SUCCEEDED(disp->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, &answer, nullptr, nullptr));
  EXPECT_EQ(answer.lVal, 42);
  CComPtr<IUnknown> sinkIdentity;
  ASSERT_HRESULT_SUCCEEDED(owner->ToolBarSink::SinkUnknown()->QueryInterface(DIID_TestClicks, (void**)&sinkIdentity.p));
  EXPECT_NE(sinkIdentity.p, ownerUnk.p);
  sinkIdentity.Detach();  // sinks do not count references

  // disconnecting
  EXPECT_HRESULT_SUCCEEDED(owner->ToolBarSink::DispEventUnadvise(toolBarUnk));
  EXPECT_FALSE(owner->ToolBarSink::IsDispEventAdvised());
  EXPECT_EQ(owner->ToolBarSink::DispEventUnadvise(toolBarUnk), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(toolBar->Sinks(DIID_TestClicks), 0);
  owner->log.clear();
  EXPECT_HRESULT_SUCCEEDED(toolBar->Click(1, click, 2, &called));
  EXPECT_EQ(called, 0);
  EXPECT_HRESULT_SUCCEEDED(menu->Click(1, click, 2, &called));
  EXPECT_EQ(called, 1);
  EXPECT_EQ(owner->log, (std::vector<std::string>{"menu"}));
  EXPECT_HRESULT_SUCCEEDED(owner->MenuSink::DispEventUnadvise(menuUnk));
  EXPECT_HRESULT_SUCCEEDED(owner->LoginSink::DispEventUnadvise(appUnk));
  EXPECT_EQ(app->Sinks(DIID_TestLogins), 0);
}

}  // namespace
