// Small helpers of the shell tests: a scratch folder and whole-file reads and writes.
#pragma once
#include <winsock2.h>   // before windows.h, as everywhere in the program
#include <windows.h>
#include <shellapi.h>
#include <string>

namespace testutil {

// A fresh folder under the temporary folder, removed with its contents at the end.
class TempDir {
public:
    TempDir()
    {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        static int serial = 0;
        wchar_t name[64];
        _snwprintf(name, 64, L"pelora_shell_%lu_%d", GetCurrentProcessId(), ++serial);
        m_path = std::wstring(base) + name;
        CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~TempDir()
    {
        std::wstring from = m_path;
        from.push_back(0);   // double-zero terminated for the shell
        SHFILEOPSTRUCTW op = {};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
        SHFileOperationW(&op);
    }
    // path + "\" + name
    std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }
    const std::wstring& path() const { return m_path; }

private:
    std::wstring m_path;
};

inline bool ReadAll(const std::wstring& path, std::string& out)
{
    out.clear();
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got)
        out.append(buf, got);
    CloseHandle(h);
    return true;
}

inline bool WriteAll(const std::wstring& path, const std::string& bytes)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD put = 0;
    bool ok = bytes.empty() || (WriteFile(h, bytes.data(), (DWORD)bytes.size(), &put, nullptr) && put == bytes.size());
    CloseHandle(h);
    return ok;
}

inline bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace testutil
