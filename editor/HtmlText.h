// Character helpers shared by the HTML readers. Blanks are exactly space, tab, line feed and
// carriage return; case folding is ASCII only, so results never depend on the user's locale.
#pragma once
#include "Framework.h"

inline bool HtmlIsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r';
}

inline bool HtmlIsAsciiLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

inline wchar_t HtmlLowerAscii(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? wchar_t(c + (L'a' - L'A')) : c;
}

// Whether text[0, count) equals `pattern` (of the same length) ignoring ASCII case.
bool HtmlEqualsNoCase(const wchar_t* text, const wchar_t* pattern, int count);
// <0, 0, >0 like wcscmp, ignoring ASCII case; a null string sorts first.
int HtmlCompareNoCase(const wchar_t* a, const wchar_t* b);
// Removes blanks at both ends.
void HtmlTrimBlanks(CString& text);
void HtmlTrimBlanks(const wchar_t*& begin, const wchar_t*& end);
// Replaces every occurrence of `from` (not empty) with `to` in one pass; returns how many.
// Linear in the text's length however many occurrences there are.
int HtmlReplaceAll(CString& text, const wchar_t* from, const wchar_t* to);
