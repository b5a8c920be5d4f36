#pragma once
#include <cstddef>

namespace HtmlEngine {
// Matches a named character reference at p (just after the "&"): returns the characters used
// (name, and the semicolon when there is one) and the code point; 0 when nothing matches.
size_t MatchNamedEntity(const wchar_t* p, size_t avail, unsigned* cp, bool* hadSemicolon);
}
