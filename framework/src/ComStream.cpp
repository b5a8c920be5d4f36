// IStream over owned memory.
#include "ComStream.h"
#include <cstring>
#include <new>

CComMemStream* CComMemStream::Create(const void* data, size_t size) {
  CComMemStream* s = new (std::nothrow) CComMemStream();
  if (s && data && size) {
    const BYTE* p = static_cast<const BYTE*>(data);
    s->m_data.assign(p, p + size);
  }
  return s;
}

HRESULT CComMemStream::Create(const void* data, size_t size, IStream** out) {
  if (!out) return E_POINTER;
  *out = Create(data, size);
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT CComMemStream::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IStream || iid == IID_ISequentialStream) {
    *out = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG CComMemStream::AddRef() { return (ULONG)InterlockedIncrement(&m_ref); }

ULONG CComMemStream::Release() {
  LONG n = InterlockedDecrement(&m_ref);
  if (n == 0) delete this;
  return (ULONG)n;
}

HRESULT CComMemStream::Read(void* buffer, ULONG count, ULONG* read) {
  if (!buffer && count) return STG_E_INVALIDPOINTER;
  ULONG n = 0;
  if (m_pos < m_data.size()) {
    ULONGLONG left = m_data.size() - m_pos;
    n = left < count ? (ULONG)left : count;
    memcpy(buffer, m_data.data() + m_pos, n);
    m_pos += n;
  }
  if (read) *read = n;
  return n == count ? S_OK : S_FALSE;
}

HRESULT CComMemStream::Write(const void* buffer, ULONG count, ULONG* written) {
  if (written) *written = 0;
  if (!buffer && count) return STG_E_INVALIDPOINTER;
  ULONGLONG end = m_pos + count;
  if (end > (ULONGLONG)(SIZE_MAX / 2)) return STG_E_MEDIUMFULL;
  try {
    if (end > m_data.size()) m_data.resize((size_t)end);
  } catch (const std::bad_alloc&) {
    return STG_E_MEDIUMFULL;
  }
  if (count) memcpy(m_data.data() + m_pos, buffer, count);
  m_pos = end;
  if (written) *written = count;
  return S_OK;
}

HRESULT CComMemStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) {
  LONGLONG base;
  switch (origin) {
    case STREAM_SEEK_SET: base = 0; break;
    case STREAM_SEEK_CUR: base = (LONGLONG)m_pos; break;
    case STREAM_SEEK_END: base = (LONGLONG)m_data.size(); break;
    default: return STG_E_INVALIDFUNCTION;
  }
  LONGLONG to = base + move.QuadPart;
  if (to < 0) return STG_E_INVALIDFUNCTION;
  m_pos = (ULONGLONG)to;
  if (position) position->QuadPart = m_pos;
  return S_OK;
}

HRESULT CComMemStream::SetSize(ULARGE_INTEGER size) {
  if (size.QuadPart > (ULONGLONG)(SIZE_MAX / 2)) return STG_E_MEDIUMFULL;
  try {
    m_data.resize((size_t)size.QuadPart);
  } catch (const std::bad_alloc&) {
    return STG_E_MEDIUMFULL;
  }
  return S_OK;
}

HRESULT CComMemStream::CopyTo(IStream* to, ULARGE_INTEGER count, ULARGE_INTEGER* read, ULARGE_INTEGER* written) {
  if (!to) return STG_E_INVALIDPOINTER;
  ULONGLONG left = m_pos < m_data.size() ? m_data.size() - m_pos : 0;
  ULONGLONG n = count.QuadPart < left ? count.QuadPart : left;
  ULONGLONG done = 0;
  HRESULT hr = S_OK;
  while (done < n && SUCCEEDED(hr)) {
    ULONG chunk = (n - done) > 0x10000000 ? 0x10000000 : (ULONG)(n - done);
    ULONG w = 0;
    hr = to->Write(m_data.data() + m_pos + done, chunk, &w);
    done += w;
    if (w < chunk) break;
  }
  m_pos += done;  // what was read equals what the target took
  if (read) read->QuadPart = done;
  if (written) written->QuadPart = done;
  return hr;
}

HRESULT CComMemStream::Commit(DWORD) { return S_OK; }

HRESULT CComMemStream::Revert() { return S_OK; }

HRESULT CComMemStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return STG_E_INVALIDFUNCTION; }

HRESULT CComMemStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return STG_E_INVALIDFUNCTION; }

HRESULT CComMemStream::Stat(STATSTG* stat, DWORD) {
  if (!stat) return STG_E_INVALIDPOINTER;
  memset(stat, 0, sizeof *stat);
  stat->type = STGTY_STREAM;
  stat->cbSize.QuadPart = m_data.size();
  stat->grfMode = STGM_READWRITE;
  return S_OK;
}

HRESULT CComMemStream::Clone(IStream** out) {
  if (!out) return STG_E_INVALIDPOINTER;
  CComMemStream* copy = Create(GetData(), GetSize());
  if (!copy) return E_OUTOFMEMORY;
  copy->m_pos = m_pos;
  *out = copy;
  return S_OK;
}
