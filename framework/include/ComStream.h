// An IStream over a growable block of memory that it owns (for handing image data to GDI+ and
// taking encoded images back).
#pragma once
#include <windows.h>
#include <objidl.h>
#include <vector>

class CComMemStream : public IStream {
public:
  // A new stream holding a copy of data (may be nullptr/0), positioned at 0, with one reference
  // for the caller.
  static CComMemStream* Create(const void* data = nullptr, size_t size = 0);
  static HRESULT Create(const void* data, size_t size, IStream** out);

  // The contents, for the code that made the stream.
  const BYTE* GetData() const { return m_data.empty() ? nullptr : m_data.data(); }
  size_t GetSize() const { return m_data.size(); }
  const std::vector<BYTE>& GetBuffer() const { return m_data; }

  STDMETHOD(QueryInterface)(REFIID iid, void** out);
  STDMETHOD_(ULONG, AddRef)();
  STDMETHOD_(ULONG, Release)();
  STDMETHOD(Read)(void* buffer, ULONG count, ULONG* read);
  STDMETHOD(Write)(const void* buffer, ULONG count, ULONG* written);
  // Positions past the end are allowed; a write there fills the gap with zeros.
  STDMETHOD(Seek)(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position);
  STDMETHOD(SetSize)(ULARGE_INTEGER size);
  STDMETHOD(CopyTo)(IStream* to, ULARGE_INTEGER count, ULARGE_INTEGER* read, ULARGE_INTEGER* written);
  STDMETHOD(Commit)(DWORD flags);
  STDMETHOD(Revert)();
  STDMETHOD(LockRegion)(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD type);
  STDMETHOD(UnlockRegion)(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD type);
  STDMETHOD(Stat)(STATSTG* stat, DWORD flags);
  // A copy of the contents at the same position (later writes are not shared).
  STDMETHOD(Clone)(IStream** out);

private:
  CComMemStream() = default;
  virtual ~CComMemStream() = default;
  LONG m_ref = 1;
  std::vector<BYTE> m_data;
  ULONGLONG m_pos = 0;
};
