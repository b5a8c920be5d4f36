// The forgiving HTML parser: any text gives a tree (HTML, HEAD, BODY for a document), with the
// recovery rules of browsers for unclosed, misnested and stray tags, implied table parts, and
// character references with or without their semicolon. Nesting is capped, so hostile input can
// not make trees deep enough to exhaust the stack of the code that walks them.
#pragma once
#include <string>
#include <vector>
#include "htmlengine/Dom.h"

namespace HtmlEngine {

struct DocImpl;

// Elements nest at most this deep (HTML counts 1); the editing operations keep to it too, so that
// every document the engine makes reads back the same.
constexpr size_t kMaxTreeDepth = 400;

// Builds the content of an empty document; nothing is recorded for undo. tableOpen receives
// whether a table was still open at the end (content after it could still be moved before it).
void ParseDocument(DocImpl& impl, const std::wstring& html, bool* tableOpen = nullptr);
// Nodes as they would be parsed inside an element with the given tag at contextDepth (elements
// from the document's HTML down to it, itself included); unattached. Elements that would stand
// deeper than the cap are left out, as in a document.
std::vector<NodePtr> ParseFragment(DocImpl& impl, const std::wstring& html, int contextTagId,
                                   const std::wstring& contextName = L"", size_t contextDepth = 0);
// Attributes from raw attribute text: a=1 b='x y' c
std::vector<Attribute> ParseAttributeText(const std::wstring& text);
// Canonical spelling of an attribute name: lower case, a few in the engine's mixed case.
std::wstring NormalizeAttributeName(const std::wstring& name);
// Decodes character references in text (attribute rules when inAttribute).
std::wstring DecodeEntities(const std::wstring& text, bool inAttribute);

} // namespace HtmlEngine
