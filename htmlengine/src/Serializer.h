#pragma once
#include <string>
#include "htmlengine/Dom.h"

namespace HtmlEngine {
void AppendStartTagMarkup(std::wstring& out, const Element* e);
// The inner text of root; with a limit, only its first `limit` characters, walking no further
// than they need.
std::wstring InnerTextOf(const Node* root, size_t limit = std::wstring::npos);
}
