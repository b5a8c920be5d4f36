// Static helpers for paths, directories, temporary folders, URLs, MIME types and registry keys.
#pragma once
#include "Framework.h"
#include "LWExport.h"

class LWAPI LWFileHelper {
public:
    LWFileHelper() {}

    // MIME type from the name's extension (ignoring case); "application/octet-stream" when unknown.
    static CString GetMimeType(CString name);
    // The part after the last "\" or "/", or the whole text.
    static CString UrlGetFileName(CString path);
    // The part up to and including the last "\" or "/", or the whole text.
    static CString GetDirName(CString path);
    // TEMP, else TMP, ending in a separator.
    static CString GetTempDir();
    // A new folder in the temporary folder named by LWGenerateKeyString; "" when it cannot be made.
    static CString CreateDirInTemp();
    // Creates the directory and its missing parents; TRUE when the directory exists afterwards.
    static BOOL CreateDir(CString path);
    // Deletes the folder tree (no recycle bin, no questions).
    static void RemoveDir(CString path);
    // Files (not directories) in `dir` and all its subdirectories.
    static UINT CountFiles(CString dir);
    // GetLastError() after CopyDir or Move refused a destination equal to or inside the source
    // (an application-defined code: bit 29 set).
    enum : DWORD { ErrorDestinationInsideSource = 0x20000000 | 0x4C01 };

    // TRUE when `path` is `folder` or lies inside it, compared on full long paths without regard
    // to case ("..", "/", trailing separators and 8.3 names allowed; `path` need not exist).
    static BOOL IsSameOrInside(CString path, CString folder);
    // Copies the tree `src` over `dst` (creating missing subfolders), reporting progress through
    // `percent`, `done` and `total` (counted on the first call when `total` is 0). FALSE when any
    // file or folder could not be copied; the rest is still copied. A `dst` equal to or inside
    // `src` is refused at once (FALSE, ErrorDestinationInsideSource).
    static BOOL CopyDir(CString src, CString dst, float* percent, UINT& done, UINT& total);
    // Moves a file, or a directory into `dst`. A directory whose target (`dst` plus its name) is
    // the directory itself or inside it is refused (FALSE, ErrorDestinationInsideSource).
    static BOOL Move(CString src, CString dst, DWORD flags);
    // `name`, or name_1, name_2... (before the extension) so that `dir` (ending in a separator)
    // holds nothing of that name. Returns the name only.
    static CString MakeUniqueFileName(CString dir, CString name);
    static BOOL IsFileReadable(CString path);
    // TRUE for an empty text or a bare scheme such as "HTTP:// ".
    static BOOL IsUrlEmpty(CString url);
    // A new[] copy with every "%XX" (not "%00") replaced by that character; the caller delete[]s it.
    static wchar_t* DecodeURI(const wchar_t* text);

    // Deletes the key with all its subkeys; `subKey` is a writable buffer with room for the
    // longest descendant path (it is extended in place and restored).
    static BOOL RegDelnodeRecurse(HKEY root, wchar_t* subKey);
    static void RemoveReg(CString subKey, HKEY root);
    // Moves HKEY_CURRENT_USER\from into HKEY_CURRENT_USER\to (as its subkey of the same name)
    // with all values and subkeys; the source goes only when everything was copied.
    static BOOL RegMoveKey(CString from, CString to);
};
