// COM objects in-process: interface tables, object lifetime and module locks, class factories
// and the object map, class-object registration, connection points.
#include <gtest/gtest.h>
#include "Framework.h"
#include <string>
#include <vector>

namespace {

// Test-only interfaces (no type library: vtable calls only).
// {6A1F0C52-2B63-4D0E-9E8B-1C5A3F2D7E01}
const IID IID_ITestAlpha = {0x6a1f0c52, 0x2b63, 0x4d0e, {0x9e, 0x8b, 0x1c, 0x5a, 0x3f, 0x2d, 0x7e, 0x01}};
// {6A1F0C52-2B63-4D0E-9E8B-1C5A3F2D7E02}
const IID IID_ITestBeta = {0x6a1f0c52, 0x2b63, 0x4d0e, {0x9e, 0x8b, 0x1c, 0x5a, 0x3f, 0x2d, 0x7e, 0x02}};
// {6A1F0C52-2B63-4D0E-9E8B-1C5A3F2D7E03}: the event dispinterface
const IID DIID_ITestEvents = {0x6a1f0c52, 0x2b63, 0x4d0e, {0x9e, 0x8b, 0x1c, 0x5a, 0x3f, 0x2d, 0x7e, 0x03}};
// {6A1F0C52-2B63-4D0E-9E8B-1C5A3F2D7E04}
const IID IID_ITestUnused = {0x6a1f0c52, 0x2b63, 0x4d0e, {0x9e, 0x8b, 0x1c, 0x5a, 0x3f, 0x2d, 0x7e, 0x04}};
// {6A1F0C52-2B63-4D0E-9E8B-1C5A3F2D7E10} and ...11: two creatable classes
const CLSID CLSID_TestFirst = {0x6a1f0c52, 0x2b63, 0x4d0e, {0x9e, 0x8b, 0x1c, 0x5a, 0x3f, 0x2d, 0x7e, 0x10}};
const CLSID CLSID_TestSecond = {0x6a1f0c52, 0x2b63, 0x4d0e, {0x9e, 0x8b, 0x1c, 0x5a, 0x3f, 0x2d, 0x7e, 0x11}};

struct ITestAlpha : IUnknown {
  virtual int STDMETHODCALLTYPE Alpha() = 0;
};
struct ITestBeta : IDispatch {
  virtual int STDMETHODCALLTYPE Beta() = 0;
};

}  // namespace

// for __uuidof, as the generated headers of real interfaces declare it
__CRT_UUID_DECL(ITestAlpha, 0x6a1f0c52, 0x2b63, 0x4d0e, 0x9e, 0x8b, 0x1c, 0x5a, 0x3f, 0x2d, 0x7e, 0x01)

namespace {

int g_constructed = 0, g_released = 0;
HRESULT g_finalConstructResult = S_OK;
std::vector<std::wstring> g_registryCalls;
HRESULT g_registryResult = S_OK;

class CTestObject : public CComObjectRootEx<CComSingleThreadModel>,
                    public CComCoClass<CTestObject, &CLSID_TestFirst>,
                    public ITestAlpha,
                    public ITestBeta,
                    public IConnectionPointContainerImpl<CTestObject>,
                    public IConnectionPointImpl<CTestObject, &DIID_ITestEvents> {
public:
  static HRESULT WINAPI UpdateRegistry(BOOL reg) {
    g_registryCalls.push_back(reg ? L"first+" : L"first-");
    return g_registryResult;
  }

  BEGIN_COM_MAP(CTestObject)
    COM_INTERFACE_ENTRY_IID(IID_ITestAlpha, ITestAlpha)
    COM_INTERFACE_ENTRY_IID(IID_ITestBeta, ITestBeta)
    COM_INTERFACE_ENTRY2(IDispatch, ITestBeta)
    COM_INTERFACE_ENTRY(IConnectionPointContainer)
  END_COM_MAP()

  BEGIN_CONNECTION_POINT_MAP(CTestObject)
    CONNECTION_POINT_ENTRY(DIID_ITestEvents)
  END_CONNECTION_POINT_MAP()

  HRESULT FinalConstruct() {
    // the object can hand itself around here without dying
    CComPtr<ITestAlpha> self;
    GetUnknown()->QueryInterface(IID_ITestAlpha, (void**)&self);
    ++g_constructed;
    return g_finalConstructResult;
  }
  void FinalRelease() { ++g_released; }

  int STDMETHODCALLTYPE Alpha() override { return 1; }
  int STDMETHODCALLTYPE Beta() override { return 2; }
  STDMETHOD(GetTypeInfoCount)(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  STDMETHOD(Invoke)(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
};

class CSecondObject : public CComObjectRootEx<CComSingleThreadModel>,
                      public CComCoClass<CSecondObject, &CLSID_TestSecond>,
                      public ITestAlpha {
public:
  static HRESULT WINAPI UpdateRegistry(BOOL reg) {
    g_registryCalls.push_back(reg ? L"second+" : L"second-");
    return S_OK;
  }
  BEGIN_COM_MAP(CSecondObject)
    COM_INTERFACE_ENTRY_IID(IID_ITestAlpha, ITestAlpha)
  END_COM_MAP()
  int STDMETHODCALLTYPE Alpha() override { return 10; }
};

class ComObjects : public ::testing::Test {
protected:
  void SetUp() override {
    g_constructed = g_released = 0;
    g_finalConstructResult = S_OK;
    g_registryCalls.clear();
    g_registryResult = S_OK;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  }
  void TearDown() override { CoUninitialize(); }
};

BEGIN_OBJECT_MAP(g_map)
  OBJECT_ENTRY(CLSID_TestFirst, CTestObject)
  OBJECT_ENTRY(CLSID_TestSecond, CSecondObject)
END_OBJECT_MAP()

TEST_F(ComObjects, QueryInterfaceFollowsTheTableAndKeepsOneIdentity) {
  CComDllModule module;
  module.Init(g_map, nullptr);
  CComObject<CTestObject>* obj = nullptr;
  ASSERT_HRESULT_SUCCEEDED(CComObject<CTestObject>::CreateInstance(&obj));
  EXPECT_EQ(g_constructed, 1);
  EXPECT_EQ(obj->m_dwRef, 0);  // the caller takes the first reference
  CComPtr<ITestAlpha> alpha;
  ASSERT_HRESULT_SUCCEEDED(obj->QueryInterface(IID_ITestAlpha, (void**)&alpha));
  EXPECT_EQ(alpha->Alpha(), 1);

  CComPtr<ITestBeta> beta;
  CComPtr<IDispatch> disp;
  CComPtr<IUnknown> unk1, unk2;
  CComPtr<IConnectionPointContainer> cpc;
  ASSERT_HRESULT_SUCCEEDED(alpha->QueryInterface(IID_ITestBeta, (void**)&beta));
  EXPECT_EQ(beta->Beta(), 2);
  ASSERT_HRESULT_SUCCEEDED(beta->QueryInterface(IID_IDispatch, (void**)&disp));
  EXPECT_EQ(static_cast<IDispatch*>(beta.p), disp.p);
  EXPECT_HRESULT_SUCCEEDED(alpha->QueryInterface(IID_IConnectionPointContainer, (void**)&cpc));
  // IUnknown is the same pointer from every interface (the first entry)
  ASSERT_HRESULT_SUCCEEDED(beta->QueryInterface(IID_IUnknown, (void**)&unk1));
  ASSERT_HRESULT_SUCCEEDED(cpc->QueryInterface(IID_IUnknown, (void**)&unk2));
  EXPECT_EQ(unk1.p, unk2.p);
  EXPECT_EQ(unk1.p, static_cast<IUnknown*>(alpha.p));

  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(alpha->QueryInterface(IID_ITestUnused, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(alpha->QueryInterface(IID_ITestUnused, nullptr), E_POINTER);

  EXPECT_EQ(module.GetLockCount(), 1);  // a live object locks the module
  alpha.Release(), beta.Release(), disp.Release(), unk1.Release(), unk2.Release(), cpc.Release();
  EXPECT_EQ(g_released, 1);
  EXPECT_EQ(module.GetLockCount(), 0);
  module.Term();
}

TEST_F(ComObjects, FailedFinalConstructLeavesNothing) {
  CComDllModule module;
  module.Init(g_map, nullptr);
  g_finalConstructResult = E_ACCESSDENIED;
  CComObject<CTestObject>* obj = reinterpret_cast<CComObject<CTestObject>*>(1);
  EXPECT_EQ(CComObject<CTestObject>::CreateInstance(&obj), E_ACCESSDENIED);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(g_released, 1);
  EXPECT_EQ(module.GetLockCount(), 0);
  // through the creator as well: no aggregation, the refused constructor's result
  ITestAlpha* alpha = nullptr;
  EXPECT_EQ(CTestObject::CreateInstance(&alpha), E_ACCESSDENIED);
  g_finalConstructResult = S_OK;
  EXPECT_EQ(CTestObject::_CreatorClass::CreateInstance(reinterpret_cast<void*>(1), IID_ITestAlpha, (void**)&alpha),
            CLASS_E_NOAGGREGATION);
  module.Term();
}

TEST_F(ComObjects, DllModuleHandsOutCachedClassFactoriesThatLockIt) {
  CComDllModule module;
  module.Init(g_map, nullptr);
  CComPtr<IClassFactory> cf, again;
  ASSERT_HRESULT_SUCCEEDED(module.DllGetClassObject(CLSID_TestSecond, IID_IClassFactory, (void**)&cf));
  EXPECT_EQ(module.DllCanUnloadNow(), S_FALSE);  // a client holds the factory
  ASSERT_HRESULT_SUCCEEDED(module.DllGetClassObject(CLSID_TestSecond, IID_IClassFactory, (void**)&again));
  EXPECT_EQ(cf.p, again.p);
  again.Release();

  CComPtr<ITestAlpha> obj;
  ASSERT_HRESULT_SUCCEEDED(cf->CreateInstance(nullptr, IID_ITestAlpha, (void**)&obj));
  EXPECT_EQ(obj->Alpha(), 10);
  EXPECT_EQ(module.GetLockCount(), 2);
  EXPECT_HRESULT_SUCCEEDED(cf->LockServer(TRUE));
  EXPECT_EQ(module.GetLockCount(), 3);
  EXPECT_HRESULT_SUCCEEDED(cf->LockServer(FALSE));
  obj.Release();
  cf.Release();
  EXPECT_EQ(module.DllCanUnloadNow(), S_OK);

  void* out = nullptr;
  EXPECT_EQ(module.DllGetClassObject(IID_ITestUnused, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  module.Term();
  EXPECT_EQ(module.GetLockCount(), 0);
}

TEST_F(ComObjects, RegistrationRunsTheMapInOrderAndStopsAtTheFirstFailure) {
  CComDllModule module;
  module.Init(g_map, nullptr);  // no type library
  EXPECT_HRESULT_SUCCEEDED(module.DllRegisterServer());
  EXPECT_HRESULT_SUCCEEDED(module.DllUnregisterServer());
  EXPECT_EQ(g_registryCalls, (std::vector<std::wstring>{L"first+", L"second+", L"first-", L"second-"}));
  g_registryCalls.clear();
  g_registryResult = E_ACCESSDENIED;
  EXPECT_EQ(module.DllRegisterServer(), E_ACCESSDENIED);
  EXPECT_EQ(g_registryCalls, std::vector<std::wstring>{L"first+"});
  module.Term();
}

TEST_F(ComObjects, ExeModuleRegistersClassObjectsUntilRevoked) {
  CComExeModule module;
  module.Init(g_map, nullptr);
  // in-process context: the registered class objects are found without any registry entries
  ASSERT_HRESULT_SUCCEEDED(module.RegisterClassObjects(CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE));
  EXPECT_EQ(module.GetLockCount(), 0);  // a local server's class objects do not keep it alive
  CComPtr<ITestAlpha> obj;
  ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_TestSecond, nullptr, CLSCTX_INPROC_SERVER, IID_ITestAlpha, (void**)&obj));
  EXPECT_EQ(obj->Alpha(), 10);
  EXPECT_EQ(module.GetLockCount(), 1);
  obj.Release();
  EXPECT_HRESULT_SUCCEEDED(module.RevokeClassObjects());
  EXPECT_TRUE(FAILED(CoCreateInstance(CLSID_TestSecond, nullptr, CLSCTX_INPROC_SERVER, IID_ITestAlpha, (void**)&obj)));
  module.Term();
}

TEST_F(ComObjects, ExeModuleStopsRegisteringAtTheFirstFailure) {
  static ComObjectMapEntry map[] = {
      {&CLSID_TestFirst, nullptr, nullptr, nullptr, nullptr, 0},  // no class factory: fails
      {&CLSID_TestSecond, CSecondObject::UpdateRegistry, CComClassFactory::CreateInstance,
       CSecondObject::_CreatorClass::CreateInstance, nullptr, 0},
      {nullptr, nullptr, nullptr, nullptr, nullptr, 0}};
  CComExeModule module;
  module.Init(map, nullptr);
  EXPECT_EQ(module.RegisterClassObjects(CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(map[1].dwRegister, 0u);
  CComPtr<ITestAlpha> obj;
  EXPECT_TRUE(FAILED(CoCreateInstance(CLSID_TestSecond, nullptr, CLSCTX_INPROC_SERVER, IID_ITestAlpha, (void**)&obj)));
  module.Term();
}

// A sink that counts calls and records the arguments in call order.
struct SinkLog {
  int calls = 0;
  std::vector<LONG> args;
  HRESULT answer = S_OK;
};

CComPtr<CComDispEventSink> MakeSink(SinkLog& log, REFIID iid = DIID_ITestEvents) {
  CComDispEventSink* raw = nullptr;
  CComDispEventSink::Create(
      iid,
      [&log](DISPID id, DISPPARAMS* p, VARIANT*) {
        ++log.calls;
        log.args.clear();
        log.args.push_back(id);
        for (UINT i = 0; i < p->cArgs; ++i) log.args.push_back(CComDispEventSink::Arg(p, i)->lVal);
        return log.answer;
      },
      &raw);
  CComPtr<CComDispEventSink> sink;
  sink.Attach(raw);
  return sink;
}

int CountConnections(IConnectionPoint* cp) {
  CComPtr<IEnumConnections> e;
  if (FAILED(cp->EnumConnections(&e))) return -1;
  int n = 0;
  CONNECTDATA cd;
  while (e->Next(1, &cd, nullptr) == S_OK) {
    cd.pUnk->Release();
    ++n;
  }
  return n;
}

TEST_F(ComObjects, ConnectionPointsAdviseUnadviseAndFireInCallOrder) {
  CComDllModule module;
  module.Init(g_map, nullptr);
  CComObject<CTestObject>* obj = nullptr;
  ASSERT_HRESULT_SUCCEEDED(CComObject<CTestObject>::CreateInstance(&obj));
  CComPtr<IUnknown> holder(obj->GetUnknown());

  CComPtr<IConnectionPointContainer> cpc;
  ASSERT_HRESULT_SUCCEEDED(holder->QueryInterface(IID_IConnectionPointContainer, (void**)&cpc));
  CComPtr<IConnectionPoint> cp;
  ASSERT_HRESULT_SUCCEEDED(cpc->FindConnectionPoint(DIID_ITestEvents, &cp));
  EXPECT_EQ(cpc->FindConnectionPoint(IID_ITestUnused, &cp), CONNECT_E_NOCONNECTION);
  ASSERT_HRESULT_SUCCEEDED(cpc->FindConnectionPoint(DIID_ITestEvents, &cp));
  IID iid;
  EXPECT_HRESULT_SUCCEEDED(cp->GetConnectionInterface(&iid));
  EXPECT_EQ(iid, DIID_ITestEvents);
  // the connection point has its own identity but answers for its container
  CComPtr<IUnknown> cpUnk;
  ASSERT_HRESULT_SUCCEEDED(cp->QueryInterface(IID_IUnknown, (void**)&cpUnk));
  EXPECT_NE(cpUnk.p, holder.p);
  CComPtr<IConnectionPointContainer> back;
  ASSERT_HRESULT_SUCCEEDED(cp->GetConnectionPointContainer(&back));
  EXPECT_EQ(back.p, cpc.p);
  CComPtr<IEnumConnectionPoints> points;
  ASSERT_HRESULT_SUCCEEDED(cpc->EnumConnectionPoints(&points));
  IConnectionPoint* listed[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(points->Next(2, listed, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  EXPECT_EQ(listed[0], cp.p);
  listed[0]->Release();

  SinkLog a, b;
  CComPtr<CComDispEventSink> sinkA = MakeSink(a), sinkB = MakeSink(b);
  DWORD cookieA = 0, cookieB = 0;
  ASSERT_HRESULT_SUCCEEDED(cp->Advise(static_cast<IDispatch*>(sinkA.p), &cookieA));
  ASSERT_HRESULT_SUCCEEDED(cp->Advise(static_cast<IDispatch*>(sinkB.p), &cookieB));
  EXPECT_NE(cookieA, cookieB);
  EXPECT_EQ(CountConnections(cp), 2);

  CComVariant args[2] = {CComVariant(11L), CComVariant(22L)};
  int called = 0;
  EXPECT_HRESULT_SUCCEEDED(obj->FireDispEvent(5, args, 2, &called));
  EXPECT_EQ(called, 2);
  EXPECT_EQ(a.args, (std::vector<LONG>{5, 11, 22}));
  EXPECT_EQ(b.calls, 1);

  // a failing sink does not stop the others; a dead one is dropped
  a.answer = E_FAIL;
  b.answer = RPC_E_DISCONNECTED;
  EXPECT_EQ(obj->FireDispEvent(6, args, 2, &called), RPC_E_DISCONNECTED);
  EXPECT_EQ(called, 2);
  EXPECT_EQ(CountConnections(cp), 1);
  EXPECT_EQ(cp->Unadvise(cookieB), CONNECT_E_NOCONNECTION);

  EXPECT_HRESULT_SUCCEEDED(cp->Unadvise(cookieA));
  EXPECT_EQ(cp->Unadvise(cookieA), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(CountConnections(cp), 0);
  EXPECT_HRESULT_SUCCEEDED(obj->FireDispEvent(7, args, 2, &called));
  EXPECT_EQ(called, 0);

  // a sink that does not answer the event interface is refused
  SinkLog c;
  CComPtr<CComDispEventSink> wrong = MakeSink(c, IID_ITestUnused);
  DWORD cookie = 123;
  EXPECT_EQ(cp->Advise(static_cast<IDispatch*>(wrong.p), &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);

  // the sink helper advises and unadvises through the container
  ASSERT_HRESULT_SUCCEEDED(sinkA->Advise(holder));
  EXPECT_EQ(sinkA->Advise(holder), E_UNEXPECTED);
  EXPECT_EQ(CountConnections(cp), 1);
  EXPECT_HRESULT_SUCCEEDED(sinkA->Unadvise());
  EXPECT_EQ(CountConnections(cp), 0);

  cp.Release(), cpUnk.Release(), back.Release(), cpc.Release(), points.Release();
  holder.Release();
  EXPECT_EQ(module.GetLockCount(), 0);
  module.Term();
}

}  // namespace
