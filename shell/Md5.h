// MD5 (RFC 1321) over libtomcrypt, with a file digest in upper-case hex.
#pragma once
#include "Framework.h"
#include <cstddef>

class CMD5 {
public:
    CMD5();
    virtual ~CMD5();
    CMD5(const CMD5&) = delete;
    CMD5& operator=(const CMD5&) = delete;

    void Init();
    void Update(const void* bytes, size_t length);
    void Final(unsigned char digest[16]);
    // Finalises and returns the 32 upper-case hex digits (kept until the next digest).
    const char* HexDigest();
    // Hex digest of the file's contents, or "" when it cannot be opened or read.
    CString DigestFile(const wchar_t* path);

private:
    struct State;
    State* m_state = nullptr;
    unsigned char* m_readBuffer = nullptr;   // taken on the first file digest
    char m_hex[33] = {};
};
