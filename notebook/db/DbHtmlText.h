// What the store's records need of neighbouring rooms, kept behind two small functions.
#pragma once
#include "Framework.h"

namespace DB {
namespace Detail {

// Appends the plain text of an HTML text (each text part followed by one space, "&nbsp;" as a
// space and "&quot;" as a double quote), as the editor's node parser gives it.
void HtmlPlainText(const wchar_t* html, CString& out);
// A user-interface text by string-table id, with its default.
CString LangText(UINT id, const wchar_t* defaultText);

} // namespace Detail
} // namespace DB
