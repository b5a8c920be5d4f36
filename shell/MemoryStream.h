// An IStream over a growing memory block, used to hand image data to the imaging library.
// The stream never frees its block: whoever fills it takes the block (Detach) and owns it.
// It lives on the stack or inside its user, so Release never deletes it.
#pragma once
#include "Framework.h"
#include <objidl.h>

class CMemoryStream : public IStream {
public:
    CMemoryStream() = default;
    // Reads (and may grow) a block the caller owns.
    CMemoryStream(BYTE* data, ULONG size) : m_data(data), m_size(size) {}
    virtual ~CMemoryStream() = default;
    CMemoryStream(const CMemoryStream&) = delete;
    CMemoryStream& operator=(const CMemoryStream&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // ISequentialStream
    STDMETHODIMP Read(void* pv, ULONG cb, ULONG* pcbRead) override;
    STDMETHODIMP Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;
    // IStream
    STDMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPos) override;
    STDMETHODIMP SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    STDMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHODIMP Commit(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP Revert() override { return E_NOTIMPL; }
    STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP Stat(STATSTG* stat, DWORD flags) override;
    STDMETHODIMP Clone(IStream**) override { return E_NOTIMPL; }

    BYTE* GetData() const { return m_data; }
    ULONG GetSize() const { return m_size; }
    ULONG GetPosition() const { return m_pos; }
    // Hands the block to the caller (delete[]) and empties the stream.
    BYTE* Detach();

private:
    BYTE* m_data = nullptr;   // array new; also m_size bytes long
    ULONG m_size = 0;
    ULONG m_pos = 0;
    LONG m_refs = 0;
};
