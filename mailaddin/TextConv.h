// Text conversion between UTF-16, UTF-8 and code page 1251 on null-terminated strings. Each
// returns a new buffer the caller frees with free(), or nullptr on failure (a line on stdout
// names the failing step).
#pragma once
#include <string>

namespace Mailvane {

wchar_t* Utf8ToUtf16(const char* text);
// With 8 spare characters after the terminator.
wchar_t* Cp1251ToUtf16(const char* text);
char* Utf16ToUtf8(const wchar_t* text);
char* Utf16ToCp1251(const wchar_t* text);
// Through UTF-16; a step that gives nothing converts the text "Failed to convert" instead.
char* Utf8ToCp1251(const char* text);
char* Cp1251ToUtf8(const char* text);

// A new UTF-8 buffer in *out; the bytes written including the terminator (0: no length).
int Utf16ToUtf8Buffer(const wchar_t* text, char** out);
// out = the UTF-8 text (empty when its length cannot be had); nothing for no text.
void Utf8ToString(const char* text, std::wstring& out);

}  // namespace Mailvane
