// Connecting an owner's event sinks (AtlEvents.h).
#include "AtlEvents.h"

namespace {

HRESULT FindPoint(IUnknown* source, REFIID iid, IConnectionPoint** out) {
  *out = nullptr;
  if (!source) return E_POINTER;
  CComPtr<IConnectionPointContainer> container;
  HRESULT hr = source->QueryInterface(IID_IConnectionPointContainer, (void**)&container);
  if (FAILED(hr)) return hr;
  return container->FindConnectionPoint(iid, out);
}

}  // namespace

HRESULT ComDispEventAdvise(IUnknown* source, IUnknown* sink, REFIID iid, DWORD* cookie) {
  CComPtr<IConnectionPoint> point;
  HRESULT hr = FindPoint(source, iid, &point);
  if (FAILED(hr)) return hr;
  DWORD fresh = 0;
  hr = point->Advise(sink, &fresh);
  if (SUCCEEDED(hr)) *cookie = fresh;
  return hr;
}

HRESULT ComDispEventUnadvise(IUnknown* source, REFIID iid, DWORD* cookie) {
  const DWORD notAdvised = 0xFEFEFEFE;
  if (*cookie == notAdvised) return CONNECT_E_NOCONNECTION;
  CComPtr<IConnectionPoint> point;
  HRESULT hr = FindPoint(source, iid, &point);
  if (FAILED(hr)) return hr;
  hr = point->Unadvise(*cookie);
  if (SUCCEEDED(hr)) *cookie = notAdvised;
  return hr;
}
