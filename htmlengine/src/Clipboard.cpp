#include "htmlengine/Clipboard.h"
#include <cstdio>
#include <cstring>
#include "TextUtil.h"
#ifdef _WIN32
#include <windows.h>
#endif

namespace HtmlEngine {

namespace {
const char kStart[] = "<!--StartFragment-->";
const char kEnd[] = "<!--EndFragment-->";

size_t FindNoCase(const std::string& s, const char* what, size_t from) {
    size_t n = std::strlen(what);
    if (n == 0 || s.size() < n) return std::string::npos;
    for (size_t i = from; i + n <= s.size(); ++i) {
        size_t k = 0;
        while (k < n) {
            char a = s[i + k], b = what[k];
            if (a >= 'A' && a <= 'Z') a = char(a + 32);
            if (b >= 'A' && b <= 'Z') b = char(b + 32);
            if (a != b) break;
            ++k;
        }
        if (k == n) return i;
    }
    return std::string::npos;
}
}

std::string BuildHtmlFormat(const std::wstring& fragmentHtml, const std::wstring& sourceUrl) {
    std::string fragment = WideToUtf8(fragmentHtml);
    std::string url = WideToUtf8(sourceUrl);
    for (char& c : url)
        if (c == '\r' || c == '\n') c = ' ';
    const std::string prefix = std::string("<html><body>\r\n") + kStart;
    const std::string suffix = std::string(kEnd) + "\r\n</body>\r\n</html>";
    std::string urlLine = url.empty() ? std::string() : "SourceURL:" + url + "\r\n";
    // the offsets are written with a fixed width, so the header's length is known beforehand
    const size_t headerLen = std::strlen("Version:0.9\r\nStartHTML:0000000000\r\nEndHTML:0000000000\r\n"
                                         "StartFragment:0000000000\r\nEndFragment:0000000000\r\n") + urlLine.size();
    size_t startHtml = headerLen;
    size_t startFragment = startHtml + prefix.size();
    size_t endFragment = startFragment + fragment.size();
    size_t endHtml = endFragment + suffix.size();
    char head[160];
    std::snprintf(head, sizeof head,
                  "Version:0.9\r\nStartHTML:%010u\r\nEndHTML:%010u\r\nStartFragment:%010u\r\nEndFragment:%010u\r\n",
                  unsigned(startHtml), unsigned(endHtml), unsigned(startFragment), unsigned(endFragment));
    return std::string(head) + urlLine + prefix + fragment + suffix;
}

bool ExtractHtmlFragment(const std::string& data, std::wstring* fragment) {
    size_t s = FindNoCase(data, kStart, 0);
    if (s == std::string::npos) return false;
    s += std::strlen(kStart);
    // the last end marker: the fragment itself may hold a comment that reads like one
    size_t e = std::string::npos;
    for (size_t at = FindNoCase(data, kEnd, s); at != std::string::npos; at = FindNoCase(data, kEnd, at + 1)) e = at;
    if (e == std::string::npos) return false;
    *fragment = Utf8ToWide(data.substr(s, e - s));
    return true;
}

std::wstring HtmlFormatSourceUrl(const std::string& data) {
    size_t limit = data.find('<');
    if (limit == std::string::npos) limit = data.size();
    size_t at = FindNoCase(data.substr(0, limit), "SourceURL:", 0);
    if (at == std::string::npos) return std::wstring();
    at += 10;
    size_t eol = data.find_first_of("\r\n", at);
    if (eol == std::string::npos || eol > limit) eol = limit;
    return Trim(Utf8ToWide(data.substr(at, eol - at)));
}

#ifdef _WIN32
namespace {
UINT HtmlFormatId() {
    static UINT id = RegisterClipboardFormatW(L"HTML Format");
    return id;
}
}

bool Win32Clipboard::Open() {
    // another program may hold the clipboard for a moment
    for (int i = 0; i < 10; ++i) {
        if (OpenClipboard(static_cast<HWND>(owner_))) return true;
        Sleep(5);
    }
    return false;
}

bool Win32Clipboard::SetContent(const std::string& htmlFormat, const std::wstring& unicodeText) {
    if (!Open()) return false;
    EmptyClipboard();
    bool ok = true;
    if (!htmlFormat.empty()) {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, htmlFormat.size() + 1);
        if (h) {
            char* p = static_cast<char*>(GlobalLock(h));
            std::memcpy(p, htmlFormat.c_str(), htmlFormat.size() + 1);
            GlobalUnlock(h);
            if (!SetClipboardData(HtmlFormatId(), h)) { GlobalFree(h); ok = false; }
        } else {
            ok = false;
        }
    }
    HGLOBAL t = GlobalAlloc(GMEM_MOVEABLE, (unicodeText.size() + 1) * sizeof(wchar_t));
    if (t) {
        wchar_t* p = static_cast<wchar_t*>(GlobalLock(t));
        std::memcpy(p, unicodeText.c_str(), (unicodeText.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(t);
        if (!SetClipboardData(CF_UNICODETEXT, t)) { GlobalFree(t); ok = false; }
    } else {
        ok = false;
    }
    CloseClipboard();
    return ok;
}

bool Win32Clipboard::GetHtmlFormat(std::string* htmlFormat) {
    htmlFormat->clear();
    if (!IsClipboardFormatAvailable(HtmlFormatId()) || !Open()) return false;
    bool ok = false;
    if (HANDLE h = GetClipboardData(HtmlFormatId())) {
        const char* p = static_cast<const char*>(GlobalLock(h));
        if (p) {
            size_t size = GlobalSize(h);
            size_t n = 0;
            while (n < size && p[n]) ++n;
            htmlFormat->assign(p, n);
            GlobalUnlock(h);
            ok = true;
        }
    }
    CloseClipboard();
    return ok;
}

bool Win32Clipboard::GetUnicodeText(std::wstring* text) {
    text->clear();
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !Open()) return false;
    bool ok = false;
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        const wchar_t* p = static_cast<const wchar_t*>(GlobalLock(h));
        if (p) {
            size_t size = GlobalSize(h) / sizeof(wchar_t);
            size_t n = 0;
            while (n < size && p[n]) ++n;
            text->assign(p, n);
            GlobalUnlock(h);
            ok = true;
        }
    }
    CloseClipboard();
    return ok;
}

bool Win32Clipboard::HasContent() {
    return IsClipboardFormatAvailable(HtmlFormatId()) || IsClipboardFormatAvailable(CF_UNICODETEXT);
}
#else
bool Win32Clipboard::Open() { return false; }
bool Win32Clipboard::SetContent(const std::string&, const std::wstring&) { return false; }
bool Win32Clipboard::GetHtmlFormat(std::string*) { return false; }
bool Win32Clipboard::GetUnicodeText(std::wstring*) { return false; }
bool Win32Clipboard::HasContent() { return false; }
#endif

} // namespace HtmlEngine
