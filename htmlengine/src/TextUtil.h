// Small text helpers shared by the engine's sources (not part of the public interface).
#pragma once
#include <string>

namespace HtmlEngine {

wchar_t FoldCase(wchar_t c);        // lower case for Latin, Greek and Cyrillic letters
wchar_t UpperAscii(wchar_t c);
std::wstring LowerAscii(std::wstring s);
std::wstring UpperAscii(std::wstring s);
bool IEquals(const std::wstring& a, const std::wstring& b);   // ASCII case-insensitive
bool IEquals(const std::wstring& a, const wchar_t* b);
bool IStartsWith(const std::wstring& s, const wchar_t* prefix);
bool IsHtmlSpace(wchar_t c);        // space, tab, LF, FF, CR
bool IsWordChar(wchar_t c);         // letters, digits, underscore
std::wstring Trim(const std::wstring& s);
std::wstring TrimHtmlSpace(const std::wstring& s);

std::string WideToUtf8(const std::wstring& w);
std::wstring Utf8ToWide(const std::string& s);
// Appends one code point as UTF-16 (or UTF-32 where wchar_t is 4 bytes).
void AppendCodePoint(std::wstring& out, unsigned long cp);

} // namespace HtmlEngine
