#include "ImportFile.h"
#include "Notebook.h"
#include "TextConv.h"
#include <cstdlib>
#include <new>

namespace PeloraUI {
namespace Import {

namespace {
IImportUi g_defaultUi;
IImportUi* g_ui = nullptr;
} // namespace

void IImportUi::ShowMessage(const CString& text, const CString& caption)
{
    ::MessageBoxW(nullptr, text, caption, MB_OK);
}

Pelora::CFolderItem* IImportUi::GetActiveFolder()
{
    Pelora::CNotebook* book = Pelora::GetNotebook();
    return book && book->App() ? book->App()->GetActiveFolder() : nullptr;
}

void SetImportUi(IImportUi* ui)
{
    g_ui = ui;
}

IImportUi* GetImportUi()
{
    return g_ui ? g_ui : &g_defaultUi;
}

void SendProgressText(HWND wnd, UINT message, WPARAM wParam, const wchar_t* text)
{
    if (!wnd)
        return;
    wchar_t* copy = nullptr;
    if (text) {
        size_t n = wcslen(text);
        copy = new (std::nothrow) wchar_t[n + 1];
        if (copy)
            wmemcpy(copy, text, n + 1);
    }
    ::SendMessageW(wnd, message, wParam, (LPARAM)copy);
}

bool ReadWholeFile(const wchar_t* path, int64_t maxBytes, char*& data, int& length, CString& error)
{
    data = nullptr;
    length = 0;
    CString name = path ? path : L"";
    DWORD attrs = path ? GetFileAttributesW(path) : INVALID_FILE_ATTRIBUTES;
    if (attrs == INVALID_FILE_ATTRIBUTES) {
        error = L"file not found.";
        return false;
    }
    if (attrs & FILE_ATTRIBUTE_DIRECTORY) {
        error = L"the path names a folder, not a file.";
        return false;
    }
    HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        error = L"the file cannot be opened.";
        return false;
    }
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(f, &size)) {
        CloseHandle(f);
        error = L"the file's size cannot be read.";
        return false;
    }
    // the whole 64-bit length is checked before anything is allocated
    if (size.QuadPart > maxBytes || size.QuadPart > 0x7FFFFFF0ll) {
        CloseHandle(f);
        error.Format(L"the file is too large to import (%I64d MB; the limit is %I64d MB).", size.QuadPart >> 20,
                     maxBytes >> 20);
        return false;
    }
    int n = (int)size.QuadPart;
    char* buf = new (std::nothrow) char[(size_t)n + 8];
    if (!buf) {
        CloseHandle(f);
        error.Format(L"not enough memory to read the file (%d MB).", n >> 20);
        return false;
    }
    int done = 0;
    while (done < n) {
        DWORD got = 0;
        DWORD want = (DWORD)std::min(n - done, 1 << 22);
        if (!ReadFile(f, buf + done, want, &got, nullptr) || got == 0)
            break;
        done += (int)got;
    }
    CloseHandle(f);
    if (done != n) {
        delete[] buf;
        error = L"the file cannot be read.";
        return false;
    }
    memset(buf + n, 0, 8);
    data = buf;
    length = n;
    return true;
}

CImportFile::~CImportFile() {}

BOOL CImportFile::ReadFileToBuffer(const wchar_t* path, wchar_t** buffer, int* bytes)
{
    char* raw = nullptr;
    int n = 0;
    CString error;
    // the UTF-16 result takes up to twice the bytes: half the whole-file limit keeps it there
    if (!ReadWholeFile(path, kMaxWholeFileBytes / 2, raw, n, error)) {
        m_errorText = error;
        return FALSE;
    }
    int encoding = DetectTextEncoding(raw, (size_t)n);
    if (encoding == TEXT_ENCODING_UTF16) {
        *buffer = (wchar_t*)raw;
        *bytes = n;
        return TRUE;
    }
    wchar_t* wide = encoding == TEXT_ENCODING_UTF8 ? utf8_to_unicode(raw) : cp1251_to_unicode(raw);
    delete[] raw;
    if (!wide) {
        m_errorText = L"the file's text cannot be converted.";
        return FALSE;
    }
    size_t chars = wcslen(wide);
    wchar_t* out = new (std::nothrow) wchar_t[chars + 4];
    if (!out) {
        free(wide);
        m_errorText = L"not enough memory to read the file.";
        return FALSE;
    }
    wmemcpy(out, wide, chars);
    wmemset(out + chars, 0, 4);
    free(wide);
    *buffer = out;
    *bytes = (int)(chars * 2);
    return TRUE;
}

} // namespace Import
} // namespace PeloraUI
