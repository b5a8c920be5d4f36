// Conversions between the program's wide strings and UTF-8 or code page 1251, the guess at a
// byte buffer's encoding, a case-insensitive wide search, hex text and JSON escaping.
#pragma once
#include "Framework.h"
#include <cstddef>

// Zero-terminated UTF-8 into `out`. Returns the characters written including the terminator;
// a null source returns 0 and leaves `out` alone; a source that cannot be converted empties it.
int Utf8ToWide(const char* utf8, CString& out);

// A new[] block of zero-terminated UTF-8 (the caller delete[]s it); returns its size in bytes
// including the terminator, or 0 (and `out` untouched) when the conversion fails.
int WideToUtf8(const wchar_t* wide, char*& out);

// calloc'ed copies (the caller free()s them), or null; failures print a line to stdout.
wchar_t* utf8_to_unicode(const char* utf8);
char* unicode_to_1251(const wchar_t* wide);
// Leaves room for eight more zero characters after the text.
wchar_t* cp1251_to_unicode(const char* text1251);

enum {
    TEXT_ENCODING_UTF8 = 1,      // byte-order mark or strictly valid UTF-8: shortest forms only,
                                 // no encoded surrogates, nothing past U+10FFFF, nothing cut off
    TEXT_ENCODING_UTF16 = 2,     // byte-order mark or a zero byte inside the data
    TEXT_ENCODING_NOT_UTF8 = 3,  // an invalid sequence: read it as code page 1251
};
int DetectTextEncoding(const void* bytes, size_t length);

// First place in `text` where `pattern` matches ignoring ASCII case, with ' and " equal;
// null when there is none. An empty pattern matches at the start.
const wchar_t* FindNoCase(const wchar_t* text, const wchar_t* pattern);
wchar_t* FindNoCase(wchar_t* text, const wchar_t* pattern);

// "%X" of the value.
CString IntToText(int value);

// JSON string body of UTF-8 text: \b \t \n \f \r \" \/ \\ and \u00XX for other control bytes.
CStringA EscapeJsonString(const char* utf8);
CStringA EscapeJsonWide(const wchar_t* wide);
