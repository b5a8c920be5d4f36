// The paste and import normaliser: rewrites HTML from outside (clipboard, imported notes, notes
// received by the sync) into the plain block structure the editor works with. Every block becomes
// a DIV, headings become bold DIVs of fixed pixel sizes, Office "o:p" marks disappear, block
// margins and paddings go, each paragraph is followed by an empty line, and loose top-level
// content is wrapped in one DIV.
#pragma once
#include "Framework.h"

class CByteBuffer;

enum {
    HtmlNormalizeNoWrap = 2,  // leave loose top-level content unwrapped
};

// Appends the normalised HTML to `out` as UTF-16 (its size is the text's length in bytes).
// False, with `out` untouched, when `html` or `out` is missing or the buffer cannot grow.
bool HtmlNormalizeStyles(const wchar_t* html, CByteBuffer* out, int options);
// The same, appended to a wide string.
bool HtmlNormalizeStyles(const wchar_t* html, CString& out, int options);
