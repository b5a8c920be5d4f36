// Connection points (sink lists, enumerators, firing dispinterface events) and the client-side
// event sink.
#include "AtlCom.h"
#include <memory>
#include <new>

namespace {

struct ConnectDataCopy {
  static void Copy(CONNECTDATA& to, const CONNECTDATA& from) {
    to = from;
    if (to.pUnk) to.pUnk->AddRef();
  }
  static void Destroy(CONNECTDATA& item) {
    if (item.pUnk) item.pUnk->Release();
  }
};

struct InterfaceCopy {
  template <class I>
  static void Copy(I*& to, I* const& from) {
    to = from;
    if (to) to->AddRef();
  }
  template <class I>
  static void Destroy(I*& item) {
    if (item) item->Release();
  }
};

// An enumerator over a snapshot shared with its clones; each Next hands out counted copies.
template <class IEnum, class Item, const IID* piid, class Policy>
class EnumOnVector : public IEnum {
public:
  struct Items {
    std::vector<Item> v;
    ~Items() {
      for (Item& i : v) Policy::Destroy(i);
    }
  };

  explicit EnumOnVector(std::shared_ptr<Items> items, size_t pos = 0) : m_items(std::move(items)), m_pos(pos) {
    AtlModuleLock();
  }

  STDMETHOD(QueryInterface)(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == *piid) {
      *out = static_cast<IEnum*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() { return (ULONG)InterlockedIncrement(&m_ref); }
  STDMETHOD_(ULONG, Release)() {
    LONG n = InterlockedDecrement(&m_ref);
    if (n == 0) delete this;
    return (ULONG)n;
  }
  STDMETHOD(Next)(ULONG count, Item* out, ULONG* fetched) {
    if (!out) return E_POINTER;
    if (count > 1 && !fetched) return E_INVALIDARG;
    ULONG n = 0;
    while (n < count && m_pos < m_items->v.size()) Policy::Copy(out[n++], m_items->v[m_pos++]);
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  STDMETHOD(Skip)(ULONG count) {
    size_t left = m_items->v.size() - m_pos;
    m_pos += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
  }
  STDMETHOD(Reset)() {
    m_pos = 0;
    return S_OK;
  }
  STDMETHOD(Clone)(IEnum** out) {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) EnumOnVector(m_items, m_pos);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

private:
  virtual ~EnumOnVector() { AtlModuleUnlock(); }
  LONG m_ref = 1;
  std::shared_ptr<Items> m_items;
  size_t m_pos;
};

typedef EnumOnVector<IEnumConnections, CONNECTDATA, &IID_IEnumConnections, ConnectDataCopy> ConnectionsEnum;
typedef EnumOnVector<IEnumConnectionPoints, IConnectionPoint*, &IID_IEnumConnectionPoints, InterfaceCopy>
    ConnectionPointsEnum;

// The sink's process or apartment is gone: calling it again can only fail.
bool IsDeadSink(HRESULT hr) {
  return hr == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) || hr == RPC_E_DISCONNECTED || hr == CO_E_OBJNOTCONNECTED;
}

}  // namespace

// ---- CComConnectionList ----

CComConnectionList::~CComConnectionList() { RemoveAll(); }

HRESULT CComConnectionList::Add(IUnknown* sink, REFIID iid, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  IUnknown* itf = nullptr;
  if (FAILED(sink->QueryInterface(iid, (void**)&itf)) || !itf) return CONNECT_E_CANNOTCONNECT;
  m_items.push_back({m_next, itf});
  *cookie = m_next++;
  return S_OK;
}

HRESULT CComConnectionList::Remove(DWORD cookie) {
  for (auto it = m_items.begin(); it != m_items.end(); ++it) {
    if (it->cookie == cookie) {
      IUnknown* sink = it->sink;
      m_items.erase(it);
      sink->Release();  // after the erase: the release may call back into Advise/Unadvise
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

void CComConnectionList::RemoveAll() {
  std::vector<Connection> items;
  items.swap(m_items);
  for (Connection& c : items) c.sink->Release();
}

std::vector<CComConnectionList::Connection> CComConnectionList::Snapshot() const {
  std::vector<Connection> items = m_items;
  for (Connection& c : items) c.sink->AddRef();
  return items;
}

void CComConnectionList::ReleaseSnapshot(std::vector<Connection>& items) {
  for (Connection& c : items) c.sink->Release();
  items.clear();
}

HRESULT CComConnectionList::Enum(IEnumConnections** out) const {
  if (!out) return E_POINTER;
  auto items = std::make_shared<ConnectionsEnum::Items>();
  for (const Connection& c : m_items) {
    CONNECTDATA cd = {c.sink, c.cookie};
    c.sink->AddRef();
    items->v.push_back(cd);
  }
  *out = new (std::nothrow) ConnectionsEnum(items);
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT CComConnectionList::FireDispatch(DISPID id, const VARIANT* args, int count, int* called) {
  if (called) *called = 0;
  if (count < 0 || (count > 0 && !args)) return E_INVALIDARG;
  // DISPPARAMS carry the arguments last to first
  std::vector<VARIANT> reversed((size_t)count);
  for (int i = 0; i < count; ++i) reversed[(size_t)i] = args[count - 1 - i];
  HRESULT last = S_OK;
  std::vector<Connection> sinks = Snapshot();
  for (const Connection& c : sinks) {
    // a sink of a dispinterface is an IDispatch
    IDispatch* disp = static_cast<IDispatch*>(static_cast<void*>(c.sink));
    DISPPARAMS params = {count ? reversed.data() : nullptr, nullptr, (UINT)count, 0};
    VARIANT result;
    VariantInit(&result);
    last = disp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
    VariantClear(&result);
    if (called) ++*called;
    if (IsDeadSink(last)) Remove(c.cookie);
  }
  ReleaseSnapshot(sinks);
  return last;
}

HRESULT AtlCreateConnectionPointEnum(IConnectionPoint* const* points, int count, IEnumConnectionPoints** out) {
  if (!out) return E_POINTER;
  auto items = std::make_shared<ConnectionPointsEnum::Items>();
  for (int i = 0; i < count; ++i) {
    points[i]->AddRef();
    items->v.push_back(points[i]);
  }
  *out = new (std::nothrow) ConnectionPointsEnum(items);
  return *out ? S_OK : E_OUTOFMEMORY;
}

// ---- CComDispEventSink ----

HRESULT CComDispEventSink::Create(REFIID diid, Handler handler, CComDispEventSink** out) {
  if (!out) return E_POINTER;
  *out = new (std::nothrow) CComDispEventSink(diid, std::move(handler));
  return *out ? S_OK : E_OUTOFMEMORY;
}

CComDispEventSink::~CComDispEventSink() {
  if (m_source) m_source->Release();
}

VARIANT* CComDispEventSink::Arg(DISPPARAMS* params, UINT index) {
  if (!params || index >= params->cArgs) return nullptr;
  return &params->rgvarg[params->cArgs - 1 - index];
}

HRESULT CComDispEventSink::Advise(IUnknown* source) {
  if (!source) return E_POINTER;
  if (m_source) return E_UNEXPECTED;
  HRESULT hr = AtlAdvise(source, static_cast<IDispatch*>(this), m_diid, &m_cookie);
  if (FAILED(hr)) return hr;
  m_source = source;
  m_source->AddRef();
  return S_OK;
}

HRESULT CComDispEventSink::Unadvise() {
  if (!m_source) return S_FALSE;
  IUnknown* source = m_source;
  m_source = nullptr;
  HRESULT hr = AtlUnadvise(source, m_diid, m_cookie);
  m_cookie = 0;
  source->Release();
  return hr;
}

HRESULT CComDispEventSink::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == m_diid) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG CComDispEventSink::AddRef() { return (ULONG)InterlockedIncrement(&m_ref); }

ULONG CComDispEventSink::Release() {
  LONG n = InterlockedDecrement(&m_ref);
  if (n == 0) delete this;
  return (ULONG)n;
}

HRESULT CComDispEventSink::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT CComDispEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT CComDispEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return DISP_E_UNKNOWNNAME; }

HRESULT CComDispEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                  UINT*) {
  if (!m_handler) return S_OK;
  DISPPARAMS empty = {nullptr, nullptr, 0, 0};
  return m_handler(id, params ? params : &empty, result);
}
