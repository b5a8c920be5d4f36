// Path and file helpers of the attachment storage: the widget library's file helper (folder
// part, file-name part, folder creation, MIME type by extension) and the store's own rules for
// the names it writes.
#pragma once
#include "Framework.h"

namespace DB {
namespace Files {

// Up to and including the last "\" or "/"; the whole text when it has neither.
CString GetDirName(const CString& path);
// After the last "\" or "/"; the whole text when it has neither.
CString UrlGetFileName(const CString& path);
// Creates the folder and its missing parents; TRUE when it exists afterwards.
BOOL CreateDir(const CString& path);
// MIME type by the name's extension (case-insensitive); "application/octet-stream" otherwise.
CString GetMimeType(const CString& name);
// A name that stays inside its folder: separators, drive colons, wildcard and other
// characters Windows refuses become "_", and a name of dots only becomes "_".
CString SanitizeFileName(const CString& name);
// True for "C:\..." and "\\server\..." (and "/..." or "\..." rooted paths).
bool IsAbsolutePath(const CString& path);
// 64-bit length of a file, or -1 when it cannot be opened.
int64_t GetFileLength(const wchar_t* path);

} // namespace Files
} // namespace DB
