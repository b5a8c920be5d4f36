#pragma once
#include <string>
#include "htmlengine/Dom.h"

namespace HtmlEngine {
void AppendStartTagMarkup(std::wstring& out, const Element* e);
std::wstring InnerTextOf(const Node* root);
}
