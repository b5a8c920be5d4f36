#include "Md5.h"
#include <tomcrypt.h>
#include <cstdio>

struct CMD5::State {
    hash_state md;
};

namespace {
const DWORD kReadChunk = 1000000;
}

CMD5::CMD5() : m_state(new State)
{
    Init();
}

CMD5::~CMD5()
{
    delete m_state;
    delete[] m_readBuffer;
}

void CMD5::Init()
{
    md5_init(&m_state->md);
}

void CMD5::Update(const void* bytes, size_t length)
{
    if (bytes && length)
        md5_process(&m_state->md, (const unsigned char*)bytes, (unsigned long)length);
}

void CMD5::Final(unsigned char digest[16])
{
    md5_done(&m_state->md, digest);
    Init();
}

const char* CMD5::HexDigest()
{
    unsigned char digest[16];
    Final(digest);
    for (int i = 0; i < 16; ++i)
        snprintf(m_hex + 2 * i, 3, "%02X", digest[i]);
    return m_hex;
}

CString CMD5::DigestFile(const wchar_t* path)
{
    Init();
    HANDLE file = path ? CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr)
                       : INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE)
        return CString();
    if (!m_readBuffer)
        m_readBuffer = new unsigned char[kReadChunk];
    LARGE_INTEGER size = {};
    bool ok = GetFileSizeEx(file, &size) != 0;
    long long left = size.QuadPart;
    while (ok && left > 0) {
        DWORD got = 0;
        if (!ReadFile(file, m_readBuffer, kReadChunk, &got, nullptr)) {
            ok = false;
            break;
        }
        if (!got)
            break;
        Update(m_readBuffer, got);
        left -= got;
    }
    CloseHandle(file);
    if (!ok) {
        Init();
        return CString();
    }
    CString hex;
    const char* text = HexDigest();
    for (int i = 0; i < 32; ++i)
        hex += (wchar_t)text[i];
    return hex;
}
