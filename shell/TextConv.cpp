#include "TextConv.h"
#include "ActivityLog.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

int Utf8ToWide(const char* utf8, CString& out)
{
    if (!utf8)
        return 0;
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (n <= 0) {
        out.Empty();
        return 0;
    }
    wchar_t* buf = out.GetBuffer(n);
    int done = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, buf, n);
    if (done <= 0) {
        out.ReleaseBuffer(0);
        return 0;
    }
    out.ReleaseBuffer(done - 1);
    return done;
}

int WideToUtf8(const wchar_t* wide, char*& out)
{
    if (!wide)
        return 0;
    int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return 0;
    char* buf = new (std::nothrow) char[n];
    if (!buf)
        return 0;
    if (WideCharToMultiByte(CP_UTF8, 0, wide, -1, buf, n, nullptr, nullptr) != n) {
        delete[] buf;
        return 0;
    }
    out = buf;
    return n;
}

namespace {

wchar_t* MultiToWide(UINT cp, const char* text, int extra, const char* who)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_TRACE, who);
    if (!text) {
        printf("%s: no text\n", who);
        return nullptr;
    }
    int n = MultiByteToWideChar(cp, 0, text, -1, nullptr, 0);
    if (n <= 0) {
        printf("%s: length query failed (%lu)\n", who, GetLastError());
        return nullptr;
    }
    wchar_t* out = (wchar_t*)calloc((size_t)n + extra, sizeof(wchar_t));
    if (!out) {
        printf("%s: out of memory\n", who);
        return nullptr;
    }
    if (MultiByteToWideChar(cp, 0, text, -1, out, n) <= 0) {
        printf("%s: conversion failed (%lu)\n", who, GetLastError());
        free(out);
        return nullptr;
    }
    return out;
}

} // namespace

wchar_t* utf8_to_unicode(const char* utf8)
{
    return MultiToWide(CP_UTF8, utf8, 0, "utf8_to_unicode");
}

wchar_t* cp1251_to_unicode(const char* text1251)
{
    return MultiToWide(1251, text1251, 8, "cp1251_to_unicode");
}

char* unicode_to_1251(const wchar_t* wide)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_TRACE, "unicode_to_1251");
    if (!wide) {
        printf("unicode_to_1251: no text\n");
        return nullptr;
    }
    int n = WideCharToMultiByte(1251, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) {
        printf("unicode_to_1251: length query failed (%lu)\n", GetLastError());
        return nullptr;
    }
    char* out = (char*)calloc((size_t)n, 1);
    if (!out) {
        printf("unicode_to_1251: out of memory\n");
        return nullptr;
    }
    if (WideCharToMultiByte(1251, 0, wide, -1, out, n, nullptr, nullptr) <= 0) {
        printf("unicode_to_1251: conversion failed (%lu)\n", GetLastError());
        free(out);
        return nullptr;
    }
    return out;
}

int DetectTextEncoding(const void* data, size_t length)
{
    const unsigned char* b = (const unsigned char*)data;
    if (!b)
        return TEXT_ENCODING_UTF8;
    if (length >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return TEXT_ENCODING_UTF8;
    if (length >= 2 && ((b[0] == 0xFE && b[1] == 0xFF) || (b[0] == 0xFF && b[1] == 0xFE)))
        return TEXT_ENCODING_UTF16;
    while (length > 0 && b[length - 1] == 0)
        --length;
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = b[i];
        if (c == 0)
            return TEXT_ENCODING_UTF16;
        if (c < 0x80)
            continue;
        // Only the shortest form of a scalar value counts (RFC 3629): no overlong forms (C0, C1,
        // E0 80-9F, F0 80-8F), no encoded surrogates (ED A0-BF), nothing past U+10FFFF (F4 90+,
        // F5-FF). Code page 1251 text often pairs a capital with a following mark or quote into
        // a sequence that only the lax reading accepts.
        size_t follow;
        unsigned char low = 0x80, high = 0xBF;   // the range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            follow = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            follow = 2;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            follow = 3;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        } else {
            return TEXT_ENCODING_NOT_UTF8;   // a lone continuation byte, C0, C1 or F5-FF
        }
        if (length - i - 1 < follow)
            return TEXT_ENCODING_NOT_UTF8;
        if (b[i + 1] < low || b[i + 1] > high)
            return TEXT_ENCODING_NOT_UTF8;
        for (size_t k = 2; k <= follow; ++k)
            if ((b[i + k] & 0xC0) != 0x80)
                return TEXT_ENCODING_NOT_UTF8;
        i += follow;
    }
    return TEXT_ENCODING_UTF8;
}

namespace {

inline wchar_t FoldForFind(wchar_t c)
{
    if (c >= L'a' && c <= L'z')
        return (wchar_t)(c - L'a' + L'A');
    if (c == L'\'')
        return L'"';
    return c;
}

} // namespace

const wchar_t* FindNoCase(const wchar_t* text, const wchar_t* pattern)
{
    if (!text || !pattern)
        return nullptr;
    for (const wchar_t* start = text;; ++start) {
        const wchar_t* t = start;
        const wchar_t* p = pattern;
        while (*p && *t && FoldForFind(*t) == FoldForFind(*p)) {
            ++t;
            ++p;
        }
        if (!*p)
            return start;
        if (!*start)
            return nullptr;
    }
}

wchar_t* FindNoCase(wchar_t* text, const wchar_t* pattern)
{
    return const_cast<wchar_t*>(FindNoCase(const_cast<const wchar_t*>(text), pattern));
}

CString IntToText(int value)
{
    CString s;
    s.Format(L"%X", (unsigned)value);
    return s;
}

CStringA EscapeJsonString(const char* utf8)
{
    if (!utf8)
        return CStringA();
    std::string out;
    out.reserve(strlen(utf8) + 16);
    for (const unsigned char* p = (const unsigned char*)utf8; *p; ++p) {
        char esc = 0;
        switch (*p) {
        case '\b': esc = 'b'; break;
        case '\t': esc = 't'; break;
        case '\n': esc = 'n'; break;
        case '\f': esc = 'f'; break;
        case '\r': esc = 'r'; break;
        case '"': esc = '"'; break;
        case '/': esc = '/'; break;
        case '\\': esc = '\\'; break;
        }
        if (esc) {
            out += '\\';
            out += esc;
        } else if (*p < 0x20) {
            // a raw control byte would make the JSON unreadable
            char u[8];
            snprintf(u, sizeof u, "\\u%04X", *p);
            out += u;
        } else {
            out += (char)*p;
        }
    }
    return CStringA(out.c_str());
}

CStringA EscapeJsonWide(const wchar_t* wide)
{
    char* utf8 = nullptr;
    if (!WideToUtf8(wide, utf8))
        return CStringA();
    CStringA out = EscapeJsonString(utf8);
    delete[] utf8;
    return out;
}
