// OLE start-up, data sources, data objects and drop sources.
#include "OleData.h"
#include <shlobj.h>
#include <cstring>
#include <new>
#include <vector>

namespace {

bool g_oleInited = false;
COleDataSource* g_clipboardSource = nullptr;

// A copy of medium that the caller owns (HGLOBAL copied, interfaces and GDI objects duplicated).
HRESULT CopyMedium(const STGMEDIUM& from, CLIPFORMAT format, STGMEDIUM* to) {
  *to = {};
  to->tymed = from.tymed;
  switch (from.tymed) {
    case TYMED_HGLOBAL: {
      SIZE_T size = GlobalSize(from.hGlobal);
      HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, size ? size : 1);
      if (!copy) return E_OUTOFMEMORY;
      const void* src = GlobalLock(from.hGlobal);
      void* dst = GlobalLock(copy);
      if (src && dst && size) memcpy(dst, src, size);
      GlobalUnlock(copy);
      GlobalUnlock(from.hGlobal);
      to->hGlobal = copy;
      return S_OK;
    }
    case TYMED_ISTREAM:
    case TYMED_ISTORAGE:
      to->pUnkForRelease = nullptr;
      to->pstm = from.pstm;  // the same slot as pstg
      if (to->pstm) to->pstm->AddRef();
      return S_OK;
    case TYMED_GDI:
    case TYMED_ENHMF:
    case TYMED_MFPICT:
      to->hGlobal = (HGLOBAL)OleDuplicateData(from.hGlobal, format, 0);
      return to->hGlobal ? S_OK : E_OUTOFMEMORY;
    default:
      return DV_E_TYMED;
  }
}

FORMATETC DefaultFormat(CLIPFORMAT format, DWORD tymed) { return {format, nullptr, DVASPECT_CONTENT, -1, tymed}; }

const DWORD kAnyMedium = TYMED_HGLOBAL | TYMED_FILE | TYMED_ISTREAM | TYMED_ISTORAGE | TYMED_GDI | TYMED_MFPICT | TYMED_ENHMF;

}  // namespace

BOOL AfxOleInit() {
  if (g_oleInited) return TRUE;
  HRESULT hr = OleInitialize(nullptr);
  if (FAILED(hr)) return FALSE;
  g_oleInited = true;
  return TRUE;
}

void AfxOleTerm(BOOL justRevoke) {
  if (COleDataSource::GetClipboardOwner()) COleDataSource::FlushClipboard();
  if (justRevoke || !g_oleInited) return;
  OleUninitialize();
  g_oleInited = false;
}

// ---- COleDropSource ----

SCODE COleDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState) {
  if (escapePressed || (m_buttonCancel && (keyState & m_buttonCancel))) return DRAGDROP_S_CANCEL;
  DWORD drop = m_buttonDrop ? m_buttonDrop : (MK_LBUTTON | MK_RBUTTON);
  return (keyState & drop) ? S_OK : DRAGDROP_S_DROP;
}

SCODE COleDropSource::GiveFeedback(DROPEFFECT) { return DRAGDROP_S_USEDEFAULTCURSORS; }

// ---- the data source's COM object ----

class COleDataSourceImpl : public IDataObject, public IDropSource {
public:
  struct Entry {
    FORMATETC format;
    STGMEDIUM medium;
  };

  COleDataSource* m_owner = nullptr;   // the C++ object, while it lives
  COleDropSource* m_dropSource = nullptr;  // during DoDragDrop
  std::vector<Entry> m_cache;

  virtual ~COleDataSourceImpl() { Empty(); }

  void Empty() {
    std::vector<Entry> cache;
    cache.swap(m_cache);
    for (Entry& e : cache) ReleaseStgMedium(&e.medium);
  }

  void Add(const FORMATETC& format, const STGMEDIUM& medium) {
    for (Entry& e : m_cache) {
      if (e.format.cfFormat == format.cfFormat && e.format.dwAspect == format.dwAspect &&
          e.format.lindex == format.lindex && e.format.tymed == format.tymed) {
        ReleaseStgMedium(&e.medium);
        e.medium = medium;
        return;
      }
    }
    m_cache.push_back({format, medium});
    m_cache.back().format.ptd = nullptr;  // target devices are not kept
  }

  const Entry* Find(const FORMATETC* f) const {
    for (const Entry& e : m_cache) {
      if (e.format.cfFormat == f->cfFormat && (e.format.tymed & f->tymed) && e.format.dwAspect == f->dwAspect &&
          (f->lindex == -1 || e.format.lindex == f->lindex))
        return &e;
    }
    return nullptr;
  }

  STDMETHOD(QueryInterface)(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDataObject) *out = static_cast<IDataObject*>(this);
    else if (iid == IID_IDropSource) *out = static_cast<IDropSource*>(this);
    else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() { return (ULONG)InterlockedIncrement(&m_ref); }
  STDMETHOD_(ULONG, Release)() {
    LONG n = InterlockedDecrement(&m_ref);
    if (n == 0) delete this;
    return (ULONG)n;
  }

  // IDataObject
  STDMETHOD(GetData)(FORMATETC* f, STGMEDIUM* medium) {
    if (!f || !medium) return E_POINTER;
    const Entry* e = Find(f);
    if (!e) return DV_E_FORMATETC;
    return CopyMedium(e->medium, e->format.cfFormat, medium);
  }
  STDMETHOD(GetDataHere)(FORMATETC* f, STGMEDIUM* medium) {
    if (!f || !medium) return E_POINTER;
    const Entry* e = Find(f);
    if (!e) return DV_E_FORMATETC;
    if (e->medium.tymed != TYMED_HGLOBAL || medium->tymed != TYMED_HGLOBAL) return DV_E_TYMED;
    SIZE_T size = GlobalSize(e->medium.hGlobal);
    if (GlobalSize(medium->hGlobal) < size) return STG_E_MEDIUMFULL;
    const void* src = GlobalLock(e->medium.hGlobal);
    void* dst = GlobalLock(medium->hGlobal);
    if (src && dst) memcpy(dst, src, size);
    GlobalUnlock(medium->hGlobal);
    GlobalUnlock(e->medium.hGlobal);
    return S_OK;
  }
  STDMETHOD(QueryGetData)(FORMATETC* f) {
    if (!f) return E_POINTER;
    return Find(f) ? S_OK : DV_E_FORMATETC;
  }
  STDMETHOD(GetCanonicalFormatEtc)(FORMATETC*, FORMATETC* out) {
    if (!out) return E_POINTER;
    out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
  }
  STDMETHOD(SetData)(FORMATETC* f, STGMEDIUM* medium, BOOL release) {
    if (!f || !medium) return E_POINTER;
    STGMEDIUM kept;
    if (release) {
      kept = *medium;
    } else {
      HRESULT hr = CopyMedium(*medium, f->cfFormat, &kept);
      if (FAILED(hr)) return hr;
    }
    Add(*f, kept);
    return S_OK;
  }
  STDMETHOD(EnumFormatEtc)(DWORD direction, IEnumFORMATETC** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    std::vector<FORMATETC> formats;
    for (const Entry& e : m_cache) formats.push_back(e.format);
    return SHCreateStdEnumFmtEtc((UINT)formats.size(), formats.empty() ? nullptr : formats.data(), out);
  }
  STDMETHOD(DAdvise)(FORMATETC*, DWORD, IAdviseSink*, DWORD*) { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHOD(DUnadvise)(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHOD(EnumDAdvise)(IEnumSTATDATA**) { return OLE_E_ADVISENOTSUPPORTED; }

  // IDropSource
  STDMETHOD(QueryContinueDrag)(BOOL escapePressed, DWORD keyState) {
    COleDropSource fallback;
    return (m_dropSource ? m_dropSource : &fallback)->QueryContinueDrag(escapePressed, keyState);
  }
  STDMETHOD(GiveFeedback)(DWORD effect) {
    COleDropSource fallback;
    return (m_dropSource ? m_dropSource : &fallback)->GiveFeedback(effect);
  }

private:
  LONG m_ref = 1;
};

// ---- COleDataSource ----

COleDataSource::COleDataSource() : m_object(new COleDataSourceImpl()) { m_object->m_owner = this; }

COleDataSource::~COleDataSource() {
  if (g_clipboardSource == this) g_clipboardSource = nullptr;
  m_object->m_owner = nullptr;
  m_object->Release();  // the clipboard may keep the data alive a while longer
}

IDataObject* COleDataSource::GetDataObject() const { return static_cast<IDataObject*>(m_object); }

void COleDataSource::CacheGlobalData(CLIPFORMAT format, HGLOBAL global, LPFORMATETC formatEtc) {
  STGMEDIUM medium = {};
  medium.tymed = TYMED_HGLOBAL;
  medium.hGlobal = global;
  FORMATETC f = formatEtc ? *formatEtc : DefaultFormat(format, TYMED_HGLOBAL);
  f.cfFormat = format;
  f.tymed = TYMED_HGLOBAL;
  m_object->Add(f, medium);
}

void COleDataSource::CacheData(CLIPFORMAT format, LPSTGMEDIUM medium, LPFORMATETC formatEtc) {
  if (!medium) return;
  FORMATETC f = formatEtc ? *formatEtc : DefaultFormat(format, medium->tymed);
  f.cfFormat = format;
  f.tymed = medium->tymed;
  m_object->Add(f, *medium);
}

void COleDataSource::Empty() { m_object->Empty(); }

DROPEFFECT COleDataSource::DoDragDrop(DWORD effects, LPCRECT, COleDropSource* dropSource) {
  COleDropSource fallback;
  COleDropSource* source = dropSource ? dropSource : &fallback;
  // the button held now is the one whose release drops
  bool right = GetKeyState(VK_RBUTTON) < 0 && GetKeyState(VK_LBUTTON) >= 0;
  source->m_buttonDrop = right ? MK_RBUTTON : MK_LBUTTON;
  source->m_buttonCancel = right ? MK_LBUTTON : MK_RBUTTON;
  m_object->m_dropSource = source;
  DWORD effect = DROPEFFECT_NONE;
  HRESULT hr = ::DoDragDrop(static_cast<IDataObject*>(m_object), static_cast<IDropSource*>(m_object), effects, &effect);
  m_object->m_dropSource = nullptr;
  return hr == DRAGDROP_S_DROP ? effect : DROPEFFECT_NONE;
}

BOOL COleDataSource::SetClipboard() {
  if (FAILED(OleSetClipboard(static_cast<IDataObject*>(m_object)))) return FALSE;
  g_clipboardSource = this;
  return TRUE;
}

void COleDataSource::FlushClipboard() {
  if (GetClipboardOwner()) OleFlushClipboard();
  g_clipboardSource = nullptr;
}

COleDataSource* COleDataSource::GetClipboardOwner() {
  if (g_clipboardSource && OleIsCurrentClipboard(g_clipboardSource->GetDataObject()) != S_OK) g_clipboardSource = nullptr;
  return g_clipboardSource;
}

// ---- COleDataObject ----

void COleDataObject::Attach(IDataObject* data, BOOL autoRelease) {
  Release();
  m_data = data;
  m_autoRelease = autoRelease;
}

IDataObject* COleDataObject::Detach() {
  IDataObject* data = m_data;
  m_data = nullptr;
  Release();
  return data;
}

void COleDataObject::Release() {
  if (m_enum) {
    m_enum->Release();
    m_enum = nullptr;
  }
  if (m_data && m_autoRelease) m_data->Release();
  m_data = nullptr;
}

BOOL COleDataObject::AttachClipboard() {
  IDataObject* data = nullptr;
  if (FAILED(OleGetClipboard(&data)) || !data) return FALSE;
  Attach(data, TRUE);
  return TRUE;
}

IDataObject* COleDataObject::GetIDataObject(BOOL addRef) const {
  if (m_data && addRef) m_data->AddRef();
  return m_data;
}

BOOL COleDataObject::IsDataAvailable(CLIPFORMAT format, LPFORMATETC formatEtc) const {
  if (!m_data) return FALSE;
  FORMATETC f = formatEtc ? *formatEtc : DefaultFormat(format, kAnyMedium);
  f.cfFormat = format;
  return m_data->QueryGetData(&f) == S_OK;
}

BOOL COleDataObject::GetData(CLIPFORMAT format, LPSTGMEDIUM medium, LPFORMATETC formatEtc) const {
  if (!m_data || !medium) return FALSE;
  FORMATETC f = formatEtc ? *formatEtc : DefaultFormat(format, kAnyMedium);
  f.cfFormat = format;
  return SUCCEEDED(m_data->GetData(&f, medium));
}

HGLOBAL COleDataObject::GetGlobalData(CLIPFORMAT format, LPFORMATETC formatEtc) const {
  if (!m_data) return nullptr;
  FORMATETC f = formatEtc ? *formatEtc : DefaultFormat(format, TYMED_HGLOBAL);
  f.cfFormat = format;
  f.tymed = TYMED_HGLOBAL;
  STGMEDIUM medium = {};
  if (FAILED(m_data->GetData(&f, &medium))) return nullptr;
  if (medium.tymed != TYMED_HGLOBAL) {
    ReleaseStgMedium(&medium);
    return nullptr;
  }
  if (!medium.pUnkForRelease) return medium.hGlobal;  // ours now
  // the block belongs to the source: copy it
  STGMEDIUM copy;
  HRESULT hr = CopyMedium(medium, format, &copy);
  ReleaseStgMedium(&medium);
  return SUCCEEDED(hr) ? copy.hGlobal : nullptr;
}

void COleDataObject::BeginEnumFormats() {
  if (m_enum) {
    m_enum->Release();
    m_enum = nullptr;
  }
  if (m_data) m_data->EnumFormatEtc(DATADIR_GET, &m_enum);
}

BOOL COleDataObject::GetNextFormat(LPFORMATETC formatEtc) {
  if (!m_enum || !formatEtc) return FALSE;
  ULONG fetched = 0;
  if (m_enum->Next(1, formatEtc, &fetched) != S_OK || fetched != 1) return FALSE;
  if (formatEtc->ptd) {
    CoTaskMemFree(formatEtc->ptd);
    formatEtc->ptd = nullptr;
  }
  return TRUE;
}
