#include "htmlengine/TagIds.h"
#include <algorithm>
#include <cstring>
#include <cwchar>

namespace HtmlEngine {

namespace {
// Names by id, from TAG_A (2) to TAG_XMP (107).
const wchar_t* const kNames[] = {
    L"", L"", L"A", L"ACRONYM", L"ADDRESS", L"APPLET", L"AREA", L"B", L"BASE", L"BASEFONT",
    L"BDO", L"BGSOUND", L"BIG", L"BLINK", L"BLOCKQUOTE", L"BODY", L"BR", L"BUTTON",
    L"CAPTION", L"CENTER", L"CITE", L"CODE", L"COL", L"COLGROUP", L"!", L"",
    L"DD", L"DEL", L"DFN", L"DIR", L"DIV", L"DL", L"DT", L"EM", L"EMBED", L"FIELDSET", L"FONT",
    L"FORM", L"FRAME", L"FRAMESET", L"", L"H1", L"H2", L"H3", L"H4", L"H5", L"H6", L"HEAD",
    L"HR", L"HTML", L"I", L"IFRAME", L"IMG", L"INPUT", L"INS", L"KBD", L"LABEL", L"LEGEND",
    L"LI", L"LINK", L"LISTING", L"MAP", L"MARQUEE", L"MENU", L"META", L"NEXTID", L"NOBR",
    L"NOEMBED", L"NOFRAMES", L"NOSCRIPT", L"OBJECT", L"OL", L"OPTION", L"P", L"PARAM",
    L"PLAINTEXT", L"PRE", L"Q", L"RP", L"RT", L"RUBY", L"S", L"SAMP", L"SCRIPT", L"SELECT",
    L"SMALL", L"SPAN", L"STRIKE", L"STRONG", L"STYLE", L"SUB", L"SUP", L"TABLE", L"TBODY",
    L"TC", L"TD", L"TEXTAREA", L"TFOOT", L"TH", L"THEAD", L"TITLE", L"TR", L"TT", L"U", L"UL",
    L"VAR", L"WBR", L"XMP"};
constexpr int kCount = int(sizeof(kNames) / sizeof(kNames[0]));
static_assert(kCount == TAG_XMP + 1, "tag table out of step with the ids");

wchar_t Up(wchar_t c) { return (c >= 'a' && c <= 'z') ? wchar_t(c - 32) : c; }
}

int TagIdFromName(const std::wstring& name) {
    if (name.empty() || name.size() > 10) return TAG_UNKNOWN;
    wchar_t up[12] = {};
    for (size_t i = 0; i < name.size(); ++i) up[i] = Up(name[i]);
    if (std::wcscmp(up, L"IMAGE") == 0) return TAG_IMG;
    for (int id = TAG_A; id < kCount; ++id)
        if (kNames[id][0] && kNames[id][0] != '!' && std::wcscmp(kNames[id], up) == 0) return id;
    return TAG_UNKNOWN;
}

const wchar_t* TagNameFromId(int id) {
    if (id < TAG_A || id >= kCount || kNames[id][0] == '!') return L"";
    return kNames[id];
}

bool IsVoidTag(int id) {
    switch (id) {
    case TAG_AREA: case TAG_BASE: case TAG_BASEFONT: case TAG_BGSOUND: case TAG_BR: case TAG_COL:
    case TAG_EMBED: case TAG_FRAME: case TAG_HR: case TAG_IMG: case TAG_INPUT: case TAG_LINK:
    case TAG_META: case TAG_NEXTID: case TAG_PARAM: case TAG_WBR:
        return true;
    default:
        return false;
    }
}

bool IsBlockTag(int id) {
    switch (id) {
    case TAG_ADDRESS: case TAG_BLOCKQUOTE: case TAG_BODY: case TAG_CAPTION: case TAG_CENTER:
    case TAG_DD: case TAG_DIR: case TAG_DIV: case TAG_DL: case TAG_DT: case TAG_FIELDSET:
    case TAG_FORM: case TAG_FRAMESET: case TAG_H1: case TAG_H2: case TAG_H3: case TAG_H4:
    case TAG_H5: case TAG_H6: case TAG_HR: case TAG_HTML: case TAG_LI: case TAG_LISTING:
    case TAG_MENU: case TAG_OL: case TAG_P: case TAG_PLAINTEXT: case TAG_PRE: case TAG_TABLE:
    case TAG_TBODY: case TAG_TD: case TAG_TFOOT: case TAG_TH: case TAG_THEAD: case TAG_TR:
    case TAG_UL: case TAG_XMP: case TAG_HEAD: case TAG_LEGEND: case TAG_NOSCRIPT:
        return true;
    default:
        return false;
    }
}

bool IsRawTextTag(int id) {
    switch (id) {
    case TAG_SCRIPT: case TAG_STYLE: case TAG_XMP: case TAG_IFRAME: case TAG_NOEMBED:
    case TAG_NOFRAMES: case TAG_TEXTAREA: case TAG_TITLE: case TAG_PLAINTEXT:
        return true;
    default:
        return false;
    }
}

bool IsListTag(int id) { return id == TAG_OL || id == TAG_UL || id == TAG_DIR || id == TAG_MENU; }
bool IsTableSectionTag(int id) { return id == TAG_THEAD || id == TAG_TBODY || id == TAG_TFOOT; }

} // namespace HtmlEngine
