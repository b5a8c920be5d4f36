#include "DbFileHelpers.h"
#include "LWFileHelper.h"
#include <cstdint>

namespace DB {
namespace Files {

CString GetDirName(const CString& path) { return LWFileHelper::GetDirName(path); }

CString UrlGetFileName(const CString& path) { return LWFileHelper::UrlGetFileName(path); }

BOOL CreateDir(const CString& path) { return LWFileHelper::CreateDir(path); }

CString GetMimeType(const CString& name) { return LWFileHelper::GetMimeType(name); }

CString SanitizeFileName(const CString& name)
{
    CString out = name;
    for (int i = 0; i < out.GetLength(); ++i) {
        wchar_t c = out[i];
        if (c < 32 || wcschr(L"\\/:*?\"<>|", c))
            out.SetAt(i, L'_');
    }
    // "." and ".." (and names of dots only) would name a folder.
    if (out.IsEmpty() || out.SpanIncluding(L".").GetLength() == out.GetLength())
        out = L"_" + out;
    return out;
}

bool IsAbsolutePath(const CString& path)
{
    if (path.GetLength() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/'))
        return true;
    return path.GetLength() >= 1 && (path[0] == L'\\' || path[0] == L'/');
}

int64_t GetFileLength(const wchar_t* path)
{
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!path || !GetFileAttributesExW(path, GetFileExInfoStandard, &info))
        return -1;
    return ((int64_t)info.nFileSizeHigh << 32) | info.nFileSizeLow;
}

} // namespace Files
} // namespace DB
