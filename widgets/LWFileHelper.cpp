#include "LWFileHelper.h"
#include "LWFunctions.h"
#include <shellapi.h>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// Extension to MIME type, in this order: every entry is compared and the last match wins, so
// the later ".ogg" and ".asf" rows decide.
const struct {
    const wchar_t* ext;
    const wchar_t* type;
} kMimeTypes[] = {
    {L".odt", L"application/msword"}, {L".ott", L"application/msword"}, {L".doc", L"application/msword"},
    {L".rtf", L"application/rtf"}, {L".txt", L"text/plain"}, {L".html", L"text/html"},
    {L".docx", L"application/msword"}, {L".xml", L"text/xml"}, {L".csv", L"text/csv"},
    {L".ods", L"application/excel"}, {L".ots", L"application/excel"}, {L".sxc", L"application/excel"},
    {L".dif", L"application/excel"}, {L".dbf", L"application/excel"}, {L".xls", L"application/excel"},
    {L".slt", L"application/excel"}, {L".slk", L"application/excel"}, {L".xlsx", L"application/excel"},
    {L".aws", L"application/excel"}, {L".clf", L"application/excel"},
    {L".odg", L"application/ms-powerpoint"}, {L".sxi", L"application/ms-powerpoint"},
    {L".ppt", L"application/ms-powerpoint"}, {L".odp", L"application/ms-powerpoint"},
    {L".pot", L"application/ms-powerpoint"}, {L".sti", L"application/ms-powerpoint"},
    {L".otp", L"application/ms-powerpoint"},
    {L".jpg", L"image/jpeg"}, {L".jpeg", L"image/jpeg"}, {L".gif", L"image/gif"}, {L".giff", L"image/gif"},
    {L".png", L"image/png"}, {L".bmp", L"image/bmp"}, {L".tif", L"image/tiff"}, {L".tiff", L"image/tiff"},
    {L".avi", L"video/avi"}, {L".flv", L"video/x-flv"}, {L".webm", L"video/webm"}, {L".wmv", L"video/x-ms-wmv"},
    {L".mp4", L"video/mp4"}, {L".ts", L"video/ts"}, {L".mpeg", L"video/mpeg"}, {L".mpg", L"video/mpg"},
    {L".asf", L"video/x-ms-asf"}, {L".bik", L"video/x-bink"}, {L".rm", L"application/vnd.rn-realmedia"},
    {L".ogg", L"video/ogg"}, {L".qt", L"video/quicktime"}, {L".svg", L"image/svg+xml"},
    {L".smil", L"application/smil"}, {L".3gp", L"video/3gpp"},
    {L".mp3", L"audio/mp3"}, {L".wav", L"audio/wav"}, {L".flac", L"audio/flac"}, {L".ogg", L"audio/ogg"},
    {L".midi", L"audio/midi"}, {L".wma", L"audio/x-ms-wma"}, {L".voc", L"audio/voc"}, {L".amr", L"audio/amr"},
    {L".asf", L"audio/asf"},
    {L".zip", L"application/zip"}, {L".rar", L"application/x-rar-compressed"},
    {L".7z", L"application/x-7z-compressed"}, {L".ace", L"application/x-ace"}, {L".arj", L"application/arj"},
    {L".bz2", L"application/bzip2"}, {L".cab", L"application/vnd.ms-cab-compressed"},
    {L".gz", L"application/gzip"}, {L".iso", L"application/x-iso9660-image"}, {L".lha", L"application/lha"},
    {L".lzo", L"application/x-lzop"}, {L".tar", L"application/tar"}, {L".xz", L"application/x-xz"},
    {L".deb", L"application/x-debian-package"}, {L".exe", L"application/exe"}, {L".rpm", L"application/x-rpm"},
    {L".msi", L"application/octet-stream"}, {L".apk", L"application/octet-stream"},
    {L".sis", L"application/octet-stream"},
};

bool EndsWithNoCase(const wchar_t* text, const wchar_t* tail)
{
    size_t n = wcslen(text), m = wcslen(tail);
    return n >= m && _wcsicmp(text + n - m, tail) == 0;
}

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

int LastSeparator(const CString& path)
{
    int a = path.ReverseFind(L'\\'), b = path.ReverseFind(L'/');
    return a > b ? a : b;
}

DWORD Attributes(const CString& path)
{
    return GetFileAttributesW(path);
}

bool IsDirectory(const CString& path)
{
    DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void DropTrailingBackslashes(CString& path)
{
    while (path.GetLength() > 1 && path[path.GetLength() - 1] == L'\\')
        path = path.Left(path.GetLength() - 1);
}

// The full, long form of a path without a trailing separator (a root keeps its "\"), so that
// paths written differently ("..", "/", 8.3 names, "\\?\") compare as text. A part that does
// not exist yet stays as written. Empty when the path cannot be made full.
CString ComparablePath(CString path)
{
    if (path.Left(8).CompareNoCase(L"\\\\?\\UNC\\") == 0)
        path = CString(L"\\\\") + path.Mid(8);
    else if (path.Left(4) == L"\\\\?\\")
        path = path.Mid(4);
    if (path.IsEmpty())
        return CString();
    DWORD n = GetFullPathNameW(path, 0, nullptr, nullptr);
    if (!n)
        return CString();
    std::vector<wchar_t> full(n + 1);
    DWORD got = GetFullPathNameW(path, (DWORD)full.size(), full.data(), nullptr);
    if (!got || got >= full.size())
        return CString();
    CString text(full.data());
    while (text.GetLength() > 1 && IsSeparator(text[text.GetLength() - 1]) && text[text.GetLength() - 2] != L':')
        text = text.Left(text.GetLength() - 1);

    // the longest part that exists, in its long form, followed by the rest as given
    CString head = text, rest;
    for (;;) {
        DWORD len = GetLongPathNameW(head, nullptr, 0);
        if (len) {
            std::vector<wchar_t> buf(len + 1);
            DWORD done = GetLongPathNameW(head, buf.data(), (DWORD)buf.size());
            if (done && done < buf.size()) {
                CString longHead(buf.data());
                if (!rest.IsEmpty() && !longHead.IsEmpty() && IsSeparator(longHead[longHead.GetLength() - 1]))
                    longHead = longHead.Left(longHead.GetLength() - 1);   // a root before the rest
                return longHead + rest;
            }
        }
        int cut = LastSeparator(head);
        if (cut <= 0 || (cut == 1 && IsSeparator(head[0])))
            return text;   // down to a share name or a relative stub: compare as written
        bool root = head[cut - 1] == L':';
        if (root && cut == head.GetLength() - 1)
            return text;   // the root itself is not there: compare as written
        rest = head.Mid(cut) + rest;
        head = head.Left(root ? cut + 1 : cut);
    }
}

// Calls `fn` (name, isDirectory) for every entry of `dir` but "." and ".."; false when the
// directory cannot be listed.
template <class Fn>
bool ForEachEntry(const CString& dir, Fn fn)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(dir + L"\\*", &fd);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    do {
        if (wcscmp(fd.cFileName, L".") == 0 || wcscmp(fd.cFileName, L"..") == 0)
            continue;
        fn(CString(fd.cFileName), (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return true;
}

int HexValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

// Copies every value of `src` into `dst` whole, whatever its size.
bool CopyValues(HKEY src, HKEY dst)
{
    DWORD count = 0, maxName = 0, maxData = 0;
    if (RegQueryInfoKeyW(src, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxName, &maxData,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    std::vector<wchar_t> name(maxName + 2);
    std::vector<BYTE> data(maxData + 2);
    bool ok = true;
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameLen = (DWORD)name.size(), dataLen = (DWORD)data.size(), type = 0;
        LONG r = RegEnumValueW(src, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
        if (r == ERROR_MORE_DATA) {   // grown since the query
            data.resize(dataLen + 2);
            name.resize(nameLen + 2 > name.size() ? nameLen + 2 : name.size() * 2);
            nameLen = (DWORD)name.size();
            dataLen = (DWORD)data.size();
            r = RegEnumValueW(src, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
        }
        if (r != ERROR_SUCCESS || RegSetValueExW(dst, name.data(), 0, type, data.data(), dataLen) != ERROR_SUCCESS)
            ok = false;
    }
    return ok;
}

std::vector<CString> SubkeyNames(HKEY key)
{
    std::vector<CString> names;
    wchar_t name[MAX_PATH + 1];
    for (DWORD i = 0;; ++i) {
        DWORD len = MAX_PATH + 1;
        LONG r = RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS)
            break;
        if (r == ERROR_SUCCESS)
            names.push_back(CString(name));
        else if (r != ERROR_MORE_DATA)
            break;
    }
    return names;
}

} // namespace

BOOL LWFileHelper::IsSameOrInside(CString path, CString folder)
{
    CString a = ComparablePath(path), b = ComparablePath(folder);
    if (a.IsEmpty() || b.IsEmpty() || a.GetLength() < b.GetLength())
        return FALSE;
    if (CompareStringOrdinal(a, b.GetLength(), b, b.GetLength(), TRUE) != CSTR_EQUAL)
        return FALSE;
    return a.GetLength() == b.GetLength() || IsSeparator(a[b.GetLength()]) || IsSeparator(b[b.GetLength() - 1]);
}

CString LWFileHelper::GetMimeType(CString name)
{
    const wchar_t* type = L"application/octet-stream";
    for (const auto& m : kMimeTypes)
        if (EndsWithNoCase(name, m.ext))
            type = m.type;
    return CString(type);
}

CString LWFileHelper::UrlGetFileName(CString path)
{
    int cut = LastSeparator(path);
    return cut < 0 ? path : path.Mid(cut + 1);
}

CString LWFileHelper::GetDirName(CString path)
{
    int cut = LastSeparator(path);
    return cut < 0 ? path : path.Left(cut + 1);
}

CString LWFileHelper::GetTempDir()
{
    wchar_t buf[1025] = {};
    DWORD n = GetEnvironmentVariableW(L"TEMP", buf, 1024);
    if (!n || n > 1024)
        n = GetEnvironmentVariableW(L"TMP", buf, 1024);
    if (!n || n > 1024)
        buf[0] = 0;
    CString dir(buf);
    if (dir.IsEmpty() || !IsSeparator(dir[dir.GetLength() - 1]))
        dir += L'\\';
    return dir;
}

CString LWFileHelper::CreateDirInTemp()
{
    CString key;
    LWGenerateKeyString(key);
    CString path = GetTempDir() + key;
    return CreateDir(path) ? path : CString();
}

BOOL LWFileHelper::CreateDir(CString path)
{
    if (path.IsEmpty())
        return FALSE;
    if (CreateDirectoryW(path, nullptr) || IsDirectory(path))
        return TRUE;
    int cut = path.ReverseFind(L'\\');
    if (cut <= 0)
        return FALSE;
    CreateDir(path.Left(cut));
    // callers take TRUE to mean the directory is there, also for a path with a final "\"
    return CreateDirectoryW(path, nullptr) || IsDirectory(path);
}

void LWFileHelper::RemoveDir(CString path)
{
    if (path.GetLength() > 0 && IsSeparator(path[path.GetLength() - 1]))
        path = path.Left(path.GetLength() - 1);
    if (path.IsEmpty())
        return;
    std::wstring from((const wchar_t*)path);
    from.push_back(0);   // the shell wants a double-zero-terminated list
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    SHFileOperationW(&op);
}

UINT LWFileHelper::CountFiles(CString dir)
{
    DropTrailingBackslashes(dir);
    UINT count = 0;
    ForEachEntry(dir, [&](const CString& name, bool isDir) {
        count += isDir ? CountFiles(dir + L"\\" + name) : 1;
    });
    return count;
}

BOOL LWFileHelper::CopyDir(CString src, CString dst, float* percent, UINT& done, UINT& total)
{
    DropTrailingBackslashes(src);
    DropTrailingBackslashes(dst);
    if (!IsDirectory(src) || !IsDirectory(dst))
        return FALSE;
    if (IsSameOrInside(dst, src)) {
        // the copy would land in the tree it is reading and never end
        SetLastError(ErrorDestinationInsideSource);
        return FALSE;
    }
    if (total == 0) {
        done = 0;
        total = CountFiles(src);
        if (total == 0)
            return TRUE;
    }
    bool complete = true;
    bool listed = ForEachEntry(src, [&](const CString& name, bool isDir) {
        CString from = src + L"\\" + name, to = dst + L"\\" + name;
        if (isDir) {
            // a missing destination folder is made, so no file is skipped silently
            if (!CreateDir(to) || !CopyDir(from, to, percent, done, total))
                complete = false;
            return;
        }
        if (!CopyFileW(from, to, FALSE))
            complete = false;
        ++done;
        if (percent)
            *percent = (float)done / (float)total * 100.0f;
    });
    return listed && complete;
}

BOOL LWFileHelper::Move(CString src, CString dst, DWORD flags)
{
    DWORD a = Attributes(src);
    if (a == INVALID_FILE_ATTRIBUTES)
        return FALSE;
    if (!(a & FILE_ATTRIBUTE_DIRECTORY))
        return MoveFileW(src, dst);
    DWORD d = Attributes(dst);
    if (d != INVALID_FILE_ATTRIBUTES && !(d & FILE_ATTRIBUTE_DIRECTORY))
        return FALSE;
    DropTrailingBackslashes(src);
    CString target = dst;
    if (target.IsEmpty() || !IsSeparator(target[target.GetLength() - 1]))
        target += L'\\';
    target += UrlGetFileName(src);
    if (IsSameOrInside(target, src)) {
        // into its own subtree (or onto itself): each level would bury the files one deeper
        SetLastError(ErrorDestinationInsideSource);
        return FALSE;
    }
    CreateDir(target);
    bool listed = ForEachEntry(src, [&](const CString& name, bool isDir) {
        if (isDir)
            Move(src + L"\\" + name, target, flags);
        else
            MoveFileW(src + L"\\" + name, target + L"\\" + name);   // never replaces
    });
    if (!listed)
        return FALSE;
    RemoveDirectoryW(src);   // only when it is empty now
    return TRUE;
}

CString LWFileHelper::MakeUniqueFileName(CString dir, CString name)
{
    CString base = name, ext;
    int dot = name.ReverseFind(L'.');
    if (dot > 0) {
        base = name.Left(dot);
        ext = name.Mid(dot);
    }
    CString candidate = name;
    for (int n = 1; Attributes(dir + candidate) != INVALID_FILE_ATTRIBUTES; ++n)
        candidate.Format(L"%s_%d%s", (const wchar_t*)base, n, (const wchar_t*)ext);
    return candidate;
}

BOOL LWFileHelper::IsFileReadable(CString path)
{
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return FALSE;
    CloseHandle(h);
    return TRUE;
}

BOOL LWFileHelper::IsUrlEmpty(CString url)
{
    url.MakeLower();
    url.Trim();
    if (url.IsEmpty())
        return TRUE;
    return url.GetLength() >= 3 && url.Right(3) == L"://";
}

wchar_t* LWFileHelper::DecodeURI(const wchar_t* text)
{
    size_t n = text ? wcslen(text) : 0;
    wchar_t* out = new wchar_t[n + 1];
    size_t o = 0;
    for (size_t i = 0; i < n; ++i) {
        if (text[i] == L'%' && i + 2 < n) {
            int hi = HexValue(text[i + 1]), lo = HexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0 && (hi || lo)) {   // "%00" stays as it is
                out[o++] = (wchar_t)(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out[o++] = text[i];
    }
    out[o] = 0;
    return out;
}

BOOL LWFileHelper::RegDelnodeRecurse(HKEY root, wchar_t* subKey)
{
    if (!subKey)
        return FALSE;
    if (RegDeleteKeyW(root, subKey) == ERROR_SUCCESS)
        return TRUE;
    HKEY key;
    LONG r = RegOpenKeyExW(root, subKey, 0, KEY_READ, &key);
    if (r != ERROR_SUCCESS) {
        if (r == ERROR_FILE_NOT_FOUND) {
            printf("Key not found.\n");
            return TRUE;
        }
        printf("Error opening key.\n");
        return FALSE;
    }
    size_t len = wcslen(subKey);
    wchar_t* end = subKey + len;
    if (len == 0 || end[-1] != L'\\') {
        *end++ = L'\\';
        *end = 0;
    }
    wchar_t name[MAX_PATH + 1];
    for (;;) {
        DWORD nameLen = MAX_PATH + 1;
        if (RegEnumKeyExW(key, 0, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        wcscpy(end, name);
        if (!RegDelnodeRecurse(root, subKey))
            break;
    }
    subKey[len] = 0;
    RegCloseKey(key);
    return RegDeleteKeyW(root, subKey) == ERROR_SUCCESS;
}

void LWFileHelper::RemoveReg(CString subKey, HKEY root)
{
    HKEY key;
    if (RegOpenKeyExW(root, subKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        std::vector<CString> names = SubkeyNames(key);
        RegCloseKey(key);
        for (const CString& name : names)
            RemoveReg(subKey + L"\\" + name, root);
    }
    RegDeleteKeyW(root, subKey);
}

BOOL LWFileHelper::RegMoveKey(CString from, CString to)
{
    HKEY src;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, from, 0, KEY_READ, &src) != ERROR_SUCCESS)
        return FALSE;
    // registry names may hold "/": only "\\" separates levels
    CString target = to + L"\\" + from.Mid(from.ReverseFind(L'\\') + 1);
    HKEY dst;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, target, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &dst, nullptr) !=
        ERROR_SUCCESS) {
        RegCloseKey(src);
        return FALSE;
    }
    bool complete = true;
    for (const CString& name : SubkeyNames(src))
        if (!RegMoveKey(from + L"\\" + name, target))
            complete = false;
    if (!CopyValues(src, dst))
        complete = false;
    RegCloseKey(dst);
    RegCloseKey(src);
    // a partial copy keeps the source, so nothing is lost
    if (!complete)
        return FALSE;
    return RegDeleteKeyW(HKEY_CURRENT_USER, from) == ERROR_SUCCESS;
}
