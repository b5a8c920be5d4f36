// Element tag ids and the element categories the parser, serialiser and editing code share.
// The numbers are the editing engine's element tag ids that the editor code compares with
// (A 2, DIV 30, FONT 36, IMG 52, LI 58, OL 71, P 73, SPAN 86, UL 104, ...).
#pragma once
#include <string>

namespace HtmlEngine {

enum TagId : int {
    TAG_NULL = 0, TAG_UNKNOWN = 1,
    TAG_A = 2, TAG_ACRONYM, TAG_ADDRESS, TAG_APPLET, TAG_AREA, TAG_B, TAG_BASE, TAG_BASEFONT,
    TAG_BDO, TAG_BGSOUND, TAG_BIG, TAG_BLINK, TAG_BLOCKQUOTE, TAG_BODY, TAG_BR, TAG_BUTTON,
    TAG_CAPTION, TAG_CENTER, TAG_CITE, TAG_CODE, TAG_COL, TAG_COLGROUP, TAG_COMMENT,
    TAG_COMMENT_RAW, TAG_DD, TAG_DEL, TAG_DFN, TAG_DIR, TAG_DIV /*30*/, TAG_DL, TAG_DT, TAG_EM,
    TAG_EMBED, TAG_FIELDSET, TAG_FONT /*36*/, TAG_FORM, TAG_FRAME, TAG_FRAMESET, TAG_GENERIC,
    TAG_H1 /*41*/, TAG_H2, TAG_H3, TAG_H4, TAG_H5, TAG_H6, TAG_HEAD, TAG_HR, TAG_HTML, TAG_I,
    TAG_IFRAME, TAG_IMG /*52*/, TAG_INPUT, TAG_INS, TAG_KBD, TAG_LABEL, TAG_LEGEND,
    TAG_LI /*58*/, TAG_LINK, TAG_LISTING, TAG_MAP, TAG_MARQUEE, TAG_MENU, TAG_META, TAG_NEXTID,
    TAG_NOBR, TAG_NOEMBED, TAG_NOFRAMES, TAG_NOSCRIPT, TAG_OBJECT, TAG_OL /*71*/, TAG_OPTION,
    TAG_P /*73*/, TAG_PARAM, TAG_PLAINTEXT, TAG_PRE, TAG_Q, TAG_RP, TAG_RT, TAG_RUBY, TAG_S,
    TAG_SAMP, TAG_SCRIPT, TAG_SELECT, TAG_SMALL, TAG_SPAN /*86*/, TAG_STRIKE, TAG_STRONG,
    TAG_STYLE, TAG_SUB, TAG_SUP, TAG_TABLE /*92*/, TAG_TBODY, TAG_TC, TAG_TD /*95*/,
    TAG_TEXTAREA, TAG_TFOOT, TAG_TH, TAG_THEAD, TAG_TITLE, TAG_TR /*101*/, TAG_TT,
    TAG_U /*103*/, TAG_UL /*104*/, TAG_VAR, TAG_WBR, TAG_XMP
};

// Tag id of an element name (any case); TAG_UNKNOWN for names the table lacks.
int TagIdFromName(const std::wstring& name);
// Upper-case name of a known tag id; empty for TAG_UNKNOWN and out-of-range ids.
const wchar_t* TagNameFromId(int id);

// Categories by tag id.
bool IsVoidTag(int id);        // no content and no end tag: IMG, BR, INPUT, HR, META, ...
bool IsBlockTag(int id);       // starts its own paragraph: DIV, P, LI, H1..H6, TABLE, ...
bool IsRawTextTag(int id);     // content is text up to the end tag: SCRIPT, STYLE, XMP, ...
bool IsListTag(int id);        // OL, UL, DIR, MENU
bool IsTableSectionTag(int id);// THEAD, TBODY, TFOOT

} // namespace HtmlEngine
