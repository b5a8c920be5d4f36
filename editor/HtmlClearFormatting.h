// "Clear text format": strips presentational markup from HTML text, keeping its words and its
// block structure. Works on the flat node list of CHtmlNode, never on a live document.
#pragma once
#include "Framework.h"

enum {
    HtmlClearLinks = 1,   // A becomes SPAN without its href
    HtmlClearImages = 2,  // IMG tags are removed
};

// Reads `html` and replaces it with the cleaned text.
void HtmlClearFormatting(CString& html, int options);
