#include "MemoryStream.h"
#include <cstring>
#include <new>

STDMETHODIMP CMemoryStream::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ISequentialStream) || IsEqualIID(riid, IID_IStream)) {
        *ppv = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CMemoryStream::AddRef()
{
    return (ULONG)InterlockedIncrement(&m_refs);
}

STDMETHODIMP_(ULONG) CMemoryStream::Release()
{
    return (ULONG)InterlockedDecrement(&m_refs);
}

STDMETHODIMP CMemoryStream::Read(void* pv, ULONG cb, ULONG* pcbRead)
{
    ULONG n = m_pos < m_size ? m_size - m_pos : 0;
    if (cb < n)
        n = cb;
    if (n && pv)
        memcpy(pv, m_data + m_pos, n);
    else
        n = 0;
    m_pos += n;
    if (pcbRead)
        *pcbRead = n;
    return S_OK;
}

STDMETHODIMP CMemoryStream::Write(const void* pv, ULONG cb, ULONG* pcbWritten)
{
    ULONG done = 0;
    if (pv && cb && cb <= 0xFFFFFFFFu - m_pos) {
        ULONG end = m_pos + cb;
        if (end > m_size) {
            BYTE* block = new (std::nothrow) BYTE[end];
            if (block) {
                if (m_data)
                    memcpy(block, m_data, m_size);
                memset(block + m_size, 0, end - m_size);
                delete[] m_data;
                m_data = block;
                m_size = end;
            }
        }
        if (end <= m_size) {
            memcpy(m_data + m_pos, pv, cb);
            m_pos = end;
            done = cb;
        }
    }
    if (pcbWritten)
        *pcbWritten = done;
    return S_OK;
}

STDMETHODIMP CMemoryStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPos)
{
    ULONG base;
    switch (origin) {
    case STREAM_SEEK_SET: base = 0; break;
    case STREAM_SEEK_CUR: base = m_pos; break;
    case STREAM_SEEK_END: base = m_size; break;
    default: return STG_E_INVALIDFUNCTION;
    }
    ULONG target = base + (ULONG)move.LowPart;
    if (target > m_size)
        return E_FAIL;
    m_pos = target;
    if (newPos)
        newPos->QuadPart = m_pos;
    return S_OK;
}

STDMETHODIMP CMemoryStream::Stat(STATSTG* stat, DWORD)
{
    if (!stat)
        return STG_E_INVALIDPOINTER;
    memset(stat, 0, sizeof *stat);
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = m_size;
    SYSTEMTIME st;
    GetSystemTime(&st);
    FILETIME now;
    SystemTimeToFileTime(&st, &now);
    stat->mtime = stat->ctime = stat->atime = now;
    return S_OK;
}

BYTE* CMemoryStream::Detach()
{
    BYTE* data = m_data;
    m_data = nullptr;
    m_size = m_pos = 0;
    return data;
}
