#include "BinRes.h"
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

namespace Utils {
namespace BinRes {

namespace {
std::atomic<int> s_serverPort{0};

// The resource's bytes inside the module, or null.
const BYTE* FindBytes(LPCWSTR type, UINT id, DWORD& size)
{
    size = 0;
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!res)
        return nullptr;
    HGLOBAL loaded = LoadResource(module, res);
    const BYTE* bytes = loaded ? (const BYTE*)LockResource(loaded) : nullptr;
    if (bytes)
        size = SizeofResource(module, res);
    return bytes;
}
} // namespace

void SetServerPort(int port)
{
    s_serverPort = port;
}

int GetServerPort()
{
    return s_serverPort;
}

int ExtractBinResource(LPCWSTR type, UINT id, BYTE*& data, DWORD& size)
{
    const BYTE* bytes = FindBytes(type, id, size);
    data = new BYTE[(size_t)size + 8];
    if (size)
        memcpy(data, bytes, size);
    memset(data + size, 0, 8);
    return 1;
}

int ExtractBinResource(LPCWSTR type, UINT id, LPCWSTR path)
{
    DWORD size = 0;
    const BYTE* bytes = FindBytes(type, id, size);
    static const char kMark[] = "{{SRVPORT}}";
    const DWORD markLen = sizeof kMark - 1;
    char port[16];
    snprintf(port, sizeof port, "%d", GetServerPort());
    std::string out;
    out.reserve(size);
    for (DWORD i = 0; i < size;) {
        if (bytes[i] == '{' && size - i >= markLen && memcmp(bytes + i, kMark, markLen) == 0) {
            out += port;
            i += markLen;
        } else {
            out += (char)bytes[i++];
        }
    }
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD written = 0;
    BOOL ok = out.empty() || (WriteFile(file, out.data(), (DWORD)out.size(), &written, nullptr) && written == out.size());
    CloseHandle(file);
    return ok ? 1 : 0;
}

} // namespace BinRes
} // namespace Utils
