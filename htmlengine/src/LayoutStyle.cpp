// Computed styles for layout, one element at a time from its parent's: tag defaults, then
// presentational attributes, then style-sheet rules by specificity, then the inline style.
// (ComputedStyle in Style.cpp answers single questions of the editor; this walks the tree once.)
#include <algorithm>
#include <cmath>
#include "LayoutBoxes.h"
#include "TextUtil.h"
#include "htmlengine/Style.h"

namespace HtmlEngine {

namespace {

enum Prop {
    P_FONT_SIZE, P_FONT_FAMILY, P_FONT_WEIGHT, P_FONT_STYLE, P_TEXT_DECORATION, P_COLOR, P_BACKGROUND,
    P_TEXT_ALIGN, P_LINE_HEIGHT, P_VERTICAL_ALIGN, P_DISPLAY, P_MARGIN_T, P_MARGIN_R, P_MARGIN_B, P_MARGIN_L,
    P_PADDING_T, P_PADDING_R, P_PADDING_B, P_PADDING_L, P_BORDER_T, P_BORDER_R, P_BORDER_B, P_BORDER_L,
    P_BORDER_COLOR, P_WIDTH, P_HEIGHT, P_MAX_WIDTH, P_WHITE_SPACE, P_LIST_STYLE, P_COUNT
};

struct Declared {
    std::wstring v[P_COUNT];
    bool has[P_COUNT] = {};
    void Set(Prop p, const std::wstring& value) { v[p] = value; has[p] = true; }
};

std::vector<std::wstring> Tokens(const std::wstring& s) {
    std::vector<std::wstring> out;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && IsHtmlSpace(s[i])) ++i;
        size_t j = i;
        int paren = 0;
        while (j < s.size() && (paren > 0 || !IsHtmlSpace(s[j]))) {
            if (s[j] == '(') ++paren;
            if (s[j] == ')') --paren;
            ++j;
        }
        if (j > i) out.push_back(s.substr(i, j - i));
        i = j;
    }
    return out;
}

void SetBox(Declared& d, Prop first, const std::wstring& value) {
    auto t = Tokens(value);
    if (t.empty()) return;
    const std::wstring& top = t[0];
    const std::wstring& right = t.size() > 1 ? t[1] : top;
    const std::wstring& bottom = t.size() > 2 ? t[2] : top;
    const std::wstring& left = t.size() > 3 ? t[3] : right;
    d.Set(Prop(first), top);
    d.Set(Prop(first + 1), right);
    d.Set(Prop(first + 2), bottom);
    d.Set(Prop(first + 3), left);
}

bool IsBorderStyleWord(const std::wstring& w) {
    static const wchar_t* const kStyles[] = {L"none", L"hidden", L"solid", L"dotted", L"dashed", L"double",
                                             L"groove", L"ridge", L"inset", L"outset"};
    for (const wchar_t* s : kStyles)
        if (w == s) return true;
    return false;
}

// "1px solid red" into widths (for the sides from first, count of them) and the colour.
void SetBorder(Declared& d, int side, const std::wstring& value) {
    std::wstring width, color;
    bool none = false;
    for (const auto& t : Tokens(LowerAscii(value))) {
        if (IsBorderStyleWord(t)) none = none || t == L"none" || t == L"hidden";
        else if (t == L"thin" || t == L"medium" || t == L"thick" || (!t.empty() && (iswdigit(t[0]) || t[0] == '.')))
            width = t;
        else color = t;
    }
    if (none) width = L"0";
    else if (width.empty()) width = L"medium";
    for (int s = 0; s < 4; ++s)
        if (side < 0 || side == s) d.Set(Prop(P_BORDER_T + s), width);
    if (!color.empty()) d.Set(P_BORDER_COLOR, color);
}

void Apply(Declared& d, const std::wstring& rawName, const std::wstring& value) {
    std::wstring name = LowerAscii(rawName);
    if (IEquals(Trim(value), L"inherit")) return;   // keeps what a weaker source said
    static const struct { const wchar_t* name; Prop prop; } kSimple[] = {
        {L"font-size", P_FONT_SIZE}, {L"font-family", P_FONT_FAMILY}, {L"font-weight", P_FONT_WEIGHT},
        {L"font-style", P_FONT_STYLE}, {L"text-decoration", P_TEXT_DECORATION}, {L"color", P_COLOR},
        {L"background-color", P_BACKGROUND}, {L"text-align", P_TEXT_ALIGN}, {L"line-height", P_LINE_HEIGHT},
        {L"vertical-align", P_VERTICAL_ALIGN}, {L"display", P_DISPLAY}, {L"margin-top", P_MARGIN_T},
        {L"margin-right", P_MARGIN_R}, {L"margin-bottom", P_MARGIN_B}, {L"margin-left", P_MARGIN_L},
        {L"padding-top", P_PADDING_T}, {L"padding-right", P_PADDING_R}, {L"padding-bottom", P_PADDING_B},
        {L"padding-left", P_PADDING_L}, {L"border-color", P_BORDER_COLOR}, {L"width", P_WIDTH},
        {L"height", P_HEIGHT}, {L"max-width", P_MAX_WIDTH}, {L"white-space", P_WHITE_SPACE},
        {L"list-style-type", P_LIST_STYLE}};
    for (const auto& s : kSimple)
        if (name == s.name) { d.Set(s.prop, value); return; }
    if (name == L"margin") SetBox(d, P_MARGIN_T, value);
    else if (name == L"padding") SetBox(d, P_PADDING_T, value);
    else if (name == L"border") SetBorder(d, -1, value);
    else if (name == L"border-top") SetBorder(d, 0, value);
    else if (name == L"border-right") SetBorder(d, 1, value);
    else if (name == L"border-bottom") SetBorder(d, 2, value);
    else if (name == L"border-left") SetBorder(d, 3, value);
    else if (name == L"border-width") SetBox(d, P_BORDER_T, value);
    else if (name == L"border-style") {
        std::wstring v = LowerAscii(Trim(value));
        if (v == L"none" || v == L"hidden") SetBox(d, P_BORDER_T, L"0");
    } else if (name == L"background") {
        for (const auto& t : Tokens(value)) {
            uint32_t rgb;
            if (ParseColor(t, &rgb) || IEquals(t, L"transparent")) d.Set(P_BACKGROUND, t);
        }
    } else if (name == L"list-style") {
        for (const auto& t : Tokens(value))
            if (t.find('(') == std::wstring::npos) d.Set(P_LIST_STYLE, t);
    }
}

void Defaults(const Element* e, Declared& d) {
    switch (e->TagId()) {
    case TAG_B: case TAG_STRONG: d.Set(P_FONT_WEIGHT, L"bold"); break;
    case TAG_I: case TAG_EM: case TAG_CITE: case TAG_VAR: case TAG_DFN: case TAG_ADDRESS:
        d.Set(P_FONT_STYLE, L"italic"); break;
    case TAG_U: case TAG_INS: d.Set(P_TEXT_DECORATION, L"underline"); break;
    case TAG_S: case TAG_STRIKE: case TAG_DEL: d.Set(P_TEXT_DECORATION, L"line-through"); break;
    case TAG_A:
        if (e->HasAttribute(L"href")) { d.Set(P_TEXT_DECORATION, L"underline"); d.Set(P_COLOR, L"#0000ff"); }
        break;
    case TAG_SUB: d.Set(P_VERTICAL_ALIGN, L"sub"); d.Set(P_FONT_SIZE, L"0.83em"); break;
    case TAG_SUP: d.Set(P_VERTICAL_ALIGN, L"super"); d.Set(P_FONT_SIZE, L"0.83em"); break;
    case TAG_SMALL: d.Set(P_FONT_SIZE, L"smaller"); break;
    case TAG_BIG: d.Set(P_FONT_SIZE, L"larger"); break;
    case TAG_TT: case TAG_CODE: case TAG_KBD: case TAG_SAMP: d.Set(P_FONT_FAMILY, L"monospace"); break;
    case TAG_PRE: case TAG_XMP: case TAG_LISTING: case TAG_PLAINTEXT:
        d.Set(P_FONT_FAMILY, L"monospace"); d.Set(P_WHITE_SPACE, L"pre");
        d.Set(P_MARGIN_T, L"1em"); d.Set(P_MARGIN_B, L"1em"); break;
    case TAG_NOBR: d.Set(P_WHITE_SPACE, L"nowrap"); break;
    case TAG_CENTER: d.Set(P_TEXT_ALIGN, L"center"); break;
    case TAG_TH: d.Set(P_FONT_WEIGHT, L"bold"); d.Set(P_TEXT_ALIGN, L"center"); break;
    case TAG_BODY: SetBox(d, P_MARGIN_T, L"8px"); break;
    case TAG_P: case TAG_DL:
        d.Set(P_MARGIN_T, L"1em"); d.Set(P_MARGIN_B, L"1em"); break;
    case TAG_BLOCKQUOTE:
        SetBox(d, P_MARGIN_T, L"1em 40px"); break;
    case TAG_DD: d.Set(P_MARGIN_L, L"40px"); break;
    case TAG_UL: case TAG_OL: case TAG_DIR: case TAG_MENU: {
        int depth = 0;
        for (const Element* a = e->ParentElement(); a && depth < 3; a = a->ParentElement())
            if (IsListTag(a->TagId())) ++depth;
        if (!depth) { d.Set(P_MARGIN_T, L"1em"); d.Set(P_MARGIN_B, L"1em"); }
        d.Set(P_PADDING_L, L"40px");
        d.Set(P_LIST_STYLE, e->Is(TAG_OL) ? L"decimal" : depth == 0 ? L"disc" : depth == 1 ? L"circle" : L"square");
        break;
    }
    case TAG_H1: case TAG_H2: case TAG_H3: case TAG_H4: case TAG_H5: case TAG_H6: {
        static const wchar_t* const kSize[] = {L"2em", L"1.5em", L"1.17em", L"1em", L"0.83em", L"0.67em"};
        static const wchar_t* const kMargin[] = {L"0.67em", L"0.83em", L"1em", L"1.33em", L"1.67em", L"2.33em"};
        int k = e->TagId() - TAG_H1;
        d.Set(P_FONT_SIZE, kSize[k]);
        d.Set(P_FONT_WEIGHT, L"bold");
        d.Set(P_MARGIN_T, kMargin[k]);
        d.Set(P_MARGIN_B, kMargin[k]);
        break;
    }
    case TAG_HR:
        d.Set(P_MARGIN_T, L"0.5em"); d.Set(P_MARGIN_B, L"0.5em");
        SetBox(d, P_BORDER_T, L"1px"); break;
    default: break;
    }
}

std::wstring PxOrPercent(const std::wstring& v) {
    std::wstring t = Trim(v);
    bool digits = !t.empty();
    for (wchar_t c : t) digits = digits && c >= '0' && c <= '9';
    return digits ? t + L"px" : t;
}

void Presentational(const Element* e, Declared& d) {
    int id = e->TagId();
    std::wstring v;
    if (id == TAG_FONT) {
        if (e->GetAttribute(L"face", &v)) d.Set(P_FONT_FAMILY, v);
        if (e->GetAttribute(L"color", &v)) d.Set(P_COLOR, v);
        if (e->GetAttribute(L"size", &v)) {
            std::wstring s = Trim(v);
            int sign = 0, n = 0;
            size_t i = 0;
            bool any = false;
            if (i < s.size() && (s[i] == '+' || s[i] == '-')) sign = s[i++] == '+' ? 1 : -1;
            while (i < s.size() && s[i] >= '0' && s[i] <= '9' && n < 100) { n = n * 10 + (s[i++] - '0'); any = true; }
            if (any) {
                wchar_t buf[32];
                swprintf(buf, 32, L"%gpx", HtmlFontSizeToPx(sign ? 3 + sign * n : n));
                d.Set(P_FONT_SIZE, buf);
            }
        }
    }
    if (id == TAG_BODY && e->GetAttribute(L"text", &v)) d.Set(P_COLOR, v);
    if (e->GetAttribute(L"bgcolor", &v)) d.Set(P_BACKGROUND, v);
    if (e->IsBlock() && e->GetAttribute(L"align", &v)) {
        std::wstring a = LowerAscii(Trim(v));
        if (a == L"middle") a = L"center";
        if (id != TAG_TABLE && id != TAG_HR &&
            (a == L"left" || a == L"right" || a == L"center" || a == L"justify")) d.Set(P_TEXT_ALIGN, a);
    }
    if (id == TAG_TABLE || id == TAG_TD || id == TAG_TH || id == TAG_IMG || id == TAG_HR || id == TAG_INPUT) {
        if (e->GetAttribute(L"width", &v)) d.Set(P_WIDTH, PxOrPercent(v));
        if (id != TAG_HR && e->GetAttribute(L"height", &v)) d.Set(P_HEIGHT, PxOrPercent(v));
    }
    if (id == TAG_HR) {
        if (e->GetAttribute(L"size", &v)) d.Set(P_HEIGHT, PxOrPercent(v));
        if (e->GetAttribute(L"color", &v)) { d.Set(P_BORDER_COLOR, v); d.Set(P_BACKGROUND, v); }
    }
    if (id == TAG_IMG) {
        if (e->GetAttribute(L"border", &v)) SetBox(d, P_BORDER_T, PxOrPercent(v));
        if (e->GetAttribute(L"hspace", &v)) { d.Set(P_MARGIN_L, PxOrPercent(v)); d.Set(P_MARGIN_R, PxOrPercent(v)); }
        if (e->GetAttribute(L"vspace", &v)) { d.Set(P_MARGIN_T, PxOrPercent(v)); d.Set(P_MARGIN_B, PxOrPercent(v)); }
    }
    if (id == TAG_TABLE) {
        if (e->GetAttribute(L"border", &v)) {
            std::wstring b = Trim(v);
            SetBox(d, P_BORDER_T, PxOrPercent(b.empty() ? L"1" : b));
        }
        if (e->GetAttribute(L"bordercolor", &v)) d.Set(P_BORDER_COLOR, v);
    }
    if ((IsListTag(id) || id == TAG_LI) && e->GetAttribute(L"type", &v)) {
        std::wstring t = Trim(v);
        static const struct { const wchar_t* a; const wchar_t* css; } kTypes[] = {
            {L"1", L"decimal"}, {L"a", L"lower-alpha"}, {L"A", L"upper-alpha"}, {L"i", L"lower-roman"},
            {L"I", L"upper-roman"}};
        bool done = false;
        for (const auto& k : kTypes)
            if (t == k.a) { d.Set(P_LIST_STYLE, k.css); done = true; }
        if (!done) d.Set(P_LIST_STYLE, LowerAscii(t));
    }
}

bool HasClass(const Element* e, const std::wstring& cls) {
    std::wstring list = e->GetAttribute(L"class");
    size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && IsHtmlSpace(list[i])) ++i;
        size_t j = i;
        while (j < list.size() && !IsHtmlSpace(list[j])) ++j;
        if (j > i && list.compare(i, j - i, cls) == 0) return true;
        i = j;
    }
    return false;
}

// A compound "TAG.class#id" (tag may be "*" or absent).
bool MatchCompound(const Element* e, const std::wstring& s) {
    size_t i = 0;
    auto ident = [&](size_t j) {
        while (j < s.size() && (IsWordChar(s[j]) || s[j] == '-')) ++j;
        return j;
    };
    if (i < s.size() && s[i] == '*') ++i;
    else if (i < s.size() && s[i] != '.' && s[i] != '#') {
        size_t k = ident(i);
        if (!IEquals(e->TagName(), s.substr(i, k - i))) return false;
        i = k;
    }
    while (i < s.size()) {
        if (s[i] != '.' && s[i] != '#') return false;   // attribute selectors, pseudo-classes
        size_t k = ident(i + 1);
        std::wstring name = s.substr(i + 1, k - i - 1);
        if (name.empty()) return false;
        if (s[i] == '.' ? !HasClass(e, name) : e->GetAttribute(L"id") != name) return false;
        i = k;
    }
    return true;
}

bool Matches(const Element* e, const SheetRule& r) {
    if (r.compounds.empty() || !MatchCompound(e, r.compounds.back().first)) return false;
    const Element* node = e;
    for (size_t k = r.compounds.size() - 1; k-- > 0;) {
        wchar_t rel = r.compounds[k + 1].second;
        const Element* anc = node->ParentElement();
        if (rel == '>') {
            if (!anc || !MatchCompound(anc, r.compounds[k].first)) return false;
        } else {
            while (anc && !MatchCompound(anc, r.compounds[k].first)) anc = anc->ParentElement();
            if (!anc) return false;
        }
        node = anc;
    }
    return true;
}

double Length(const std::wstring& v, double fontPx, double fallback) {
    double px;
    std::wstring t = LowerAscii(Trim(v));
    if (t == L"thin") return 1;
    if (t == L"medium") return 3;
    if (t == L"thick") return 5;
    if (ParseLengthPx(t, fontPx, &px)) return px;
    return fallback;
}

int Round(double v) { return int(std::floor(v + 0.5)); }

} // namespace

void LayoutImpl::LoadSheets() {
    std::wstring text;
    std::vector<StyleSheet*> sheets = doc->StyleSheets();
    for (StyleSheet* s : sheets) text += s->CssText() + L"\x1F";
    if (text == sheetText && !rules.empty() == !text.empty()) return;
    sheetText = text;
    rules.clear();
    fullRebuild = true;
    size_t order = 0;
    for (StyleSheet* s : sheets) {
        for (size_t r = 0; r < s->RuleCount(); ++r) {
            StyleRule* rule = s->Rule(r);
            auto decls = ParseDeclarations(rule->CssText());
            const std::wstring& sel = rule->SelectorText();
            size_t i = 0;
            while (i <= sel.size()) {
                size_t j = sel.find(',', i);
                if (j == std::wstring::npos) j = sel.size();
                SheetRule sr;
                sr.order = order++;
                sr.declarations = decls;
                std::wstring cur;
                wchar_t comb = ' ';
                bool ok = true;
                auto flush = [&]() {
                    if (cur.empty()) return;
                    int spec = 0;
                    for (wchar_t c : cur) spec += c == '#' ? 100 : c == '.' ? 10 : 0;
                    if (cur[0] != '*' && cur[0] != '.' && cur[0] != '#') spec += 1;
                    sr.specificity += spec;
                    sr.compounds.emplace_back(cur, comb);
                    cur.clear();
                    comb = ' ';
                };
                for (size_t k = i; k < j; ++k) {
                    wchar_t ch = sel[k];
                    if (IsHtmlSpace(ch)) { flush(); continue; }
                    if (ch == '>') { flush(); comb = ch; continue; }
                    if (ch == '+' || ch == '~') ok = false;
                    cur.push_back(ch);
                }
                flush();
                if (ok && !sr.compounds.empty()) rules.push_back(std::move(sr));
                i = j + 1;
            }
        }
    }
    std::stable_sort(rules.begin(), rules.end(),
                     [](const SheetRule& a, const SheetRule& b) { return a.specificity < b.specificity; });
}

int LayoutImpl::Font(const FontSpec& spec) { return platform->MakeFont(spec); }

std::shared_ptr<BoxStyle> LayoutImpl::RootStyle() {
    auto st = std::make_shared<BoxStyle>();
    st->font.family = L"Times New Roman";
    st->font.sizePx = 16;
    st->fontId = Font(st->font);
    st->metrics = platform->Metrics(st->fontId);
    st->display = Display::Block;
    return st;
}

std::shared_ptr<BoxStyle> LayoutImpl::ComputeStyle(const Element* e, const BoxStyle& parent, bool inlineOnly) {
    Declared d;
    Defaults(e, d);
    Presentational(e, d);
    for (const SheetRule& r : rules)
        if (Matches(e, r))
            for (const auto& decl : r.declarations) Apply(d, decl.name, decl.value);
    std::wstring inlineStyle;
    if (e->GetAttribute(L"style", &inlineStyle))
        for (const auto& decl : ParseDeclarations(inlineStyle)) Apply(d, decl.name, decl.value);

    auto st = std::make_shared<BoxStyle>();
    BoxStyle& s = *st;
    // inherited
    s.font = parent.font;
    s.color = parent.color;
    s.underline = parent.underline;
    s.strike = parent.strike;
    s.align = parent.align;
    s.lineHeight = parent.lineHeight;
    s.pre = parent.pre;
    s.nowrap = parent.nowrap;
    s.shift = parent.shift;
    s.listMark = parent.listMark;
    s.editable = parent.editable;
    s.inlineBackground = inlineOnly ? parent.inlineBackground : kNoColor;

    double parentPx = parent.font.sizePx;
    auto has = [&](Prop p) { return d.has[p] && !IEquals(Trim(d.v[p]), L"inherit"); };
    if (has(P_FONT_SIZE)) {
        double px;
        if (ParseLengthPx(d.v[P_FONT_SIZE], parentPx, &px, true) && px > 0)
            s.font.sizePx = std::max(1, std::min(Round(px), 1000));
    }
    double fontPx = s.font.sizePx;
    if (has(P_FONT_FAMILY)) {
        std::wstring f = d.v[P_FONT_FAMILY];
        size_t comma = f.find(',');
        if (comma != std::wstring::npos) f = f.substr(0, comma);
        f = Trim(f);
        if (f.size() >= 2 && (f[0] == '\'' || f[0] == '"') && f.back() == f[0]) f = f.substr(1, f.size() - 2);
        f = Trim(f);
        if (!f.empty()) s.font.family = f;
    }
    if (has(P_FONT_WEIGHT)) {
        std::wstring w = LowerAscii(Trim(d.v[P_FONT_WEIGHT]));
        if (w == L"bold" || w == L"bolder") s.font.bold = true;
        else if (w == L"normal" || w == L"lighter") s.font.bold = false;
        else if (!w.empty() && iswdigit(w[0])) s.font.bold = _wtoi(w.c_str()) >= 600;
    }
    if (has(P_FONT_STYLE)) {
        std::wstring w = LowerAscii(Trim(d.v[P_FONT_STYLE]));
        s.font.italic = w == L"italic" || w == L"oblique";
    }
    if (has(P_TEXT_DECORATION)) {
        std::wstring w = LowerAscii(d.v[P_TEXT_DECORATION]);
        if (w.find(L"underline") != std::wstring::npos) s.underline = true;
        if (w.find(L"line-through") != std::wstring::npos) s.strike = true;
    }
    uint32_t rgb;
    if (has(P_COLOR) && ParseColor(Trim(d.v[P_COLOR]), &rgb)) s.color = rgb;
    if (has(P_BACKGROUND) && ParseColor(Trim(d.v[P_BACKGROUND]), &rgb)) {
        s.background = rgb;
        if (inlineOnly) s.inlineBackground = rgb;
    }
    if (has(P_TEXT_ALIGN)) {
        std::wstring a = LowerAscii(Trim(d.v[P_TEXT_ALIGN]));
        if (a == L"center" || a == L"middle") s.align = Align::Center;
        else if (a == L"right") s.align = Align::Right;
        else if (a == L"justify") s.align = Align::Justify;
        else if (a == L"left") s.align = Align::Left;
    }
    if (has(P_LINE_HEIGHT)) {
        std::wstring v = LowerAscii(Trim(d.v[P_LINE_HEIGHT]));
        bool unitless = !v.empty();
        for (wchar_t c : v) unitless = unitless && ((c >= '0' && c <= '9') || c == '.');
        double px;
        if (v == L"normal") s.lineHeight = 0;
        else if (unitless) s.lineHeight = -std::min(std::max(_wtof(v.c_str()), 0.0), 100.0);   // a factor
        else if (ParseLengthPx(v, fontPx, &px) && px >= 0) s.lineHeight = std::min(px, 10000.0);
    }
    if (has(P_VERTICAL_ALIGN)) {
        std::wstring v = LowerAscii(Trim(d.v[P_VERTICAL_ALIGN]));
        if (v == L"sub") s.shift = parent.shift + Round(parentPx * 0.25);
        else if (v == L"super") s.shift = parent.shift - Round(parentPx * 0.4);
    }
    if (has(P_WHITE_SPACE)) {
        std::wstring v = LowerAscii(Trim(d.v[P_WHITE_SPACE]));
        s.pre = v == L"pre" || v == L"pre-wrap" || v == L"pre-line";
        s.nowrap = v == L"nowrap" || v == L"pre";
    }
    if (has(P_LIST_STYLE)) {
        static const struct { const wchar_t* n; ListMark m; } kMarks[] = {
            {L"disc", ListMark::Disc}, {L"circle", ListMark::Circle}, {L"square", ListMark::Square},
            {L"decimal", ListMark::Decimal}, {L"lower-alpha", ListMark::LowerAlpha},
            {L"lower-latin", ListMark::LowerAlpha}, {L"upper-alpha", ListMark::UpperAlpha},
            {L"upper-latin", ListMark::UpperAlpha}, {L"lower-roman", ListMark::LowerRoman},
            {L"upper-roman", ListMark::UpperRoman}, {L"none", ListMark::None}};
        std::wstring v = LowerAscii(Trim(d.v[P_LIST_STYLE]));
        for (const auto& m : kMarks)
            if (v == m.n) s.listMark = m.m;
    }
    std::wstring ce;
    if (e->GetAttribute(L"contenteditable", &ce)) {
        ce = LowerAscii(Trim(ce));
        if (ce == L"false") s.editable = false;
        else if (ce == L"true" || ce.empty()) s.editable = true;
    }
    // display: the tag decides the structure; style may hide an element or make it a block
    int id = e->TagId();
    if (id == TAG_LI) s.display = Display::ListItem;
    else if (id == TAG_TABLE) s.display = Display::Table;
    else if (IsTableSectionTag(id)) s.display = Display::RowGroup;
    else if (id == TAG_TR) s.display = Display::Row;
    else if (id == TAG_TD || id == TAG_TH) s.display = Display::Cell;
    else if (e->IsBlock()) s.display = Display::Block;
    else s.display = Display::Inline;
    switch (id) {
    case TAG_HEAD: case TAG_TITLE: case TAG_META: case TAG_LINK: case TAG_STYLE: case TAG_SCRIPT:
    case TAG_BASE: case TAG_PARAM: case TAG_COL: case TAG_COLGROUP: case TAG_AREA: case TAG_MAP:
    case TAG_NOEMBED: case TAG_NOFRAMES: case TAG_BGSOUND:
        s.display = Display::None;
        break;
    default: break;
    }
    if (has(P_DISPLAY)) {
        std::wstring v = LowerAscii(Trim(d.v[P_DISPLAY]));
        if (v == L"none") s.display = Display::None;
        else if (v == L"block" && s.display == Display::Inline && id != TAG_IMG && id != TAG_INPUT && id != TAG_BR)
            s.display = Display::Block;
    }
    if (id == TAG_INPUT && IEquals(Trim(e->GetAttribute(L"type")), L"hidden")) s.display = Display::None;
    // box model (not inherited)
    for (int k = 0; k < 4; ++k) {
        if (has(Prop(P_MARGIN_T + k))) s.margin[k] = std::max(-10000, std::min(Round(Length(d.v[P_MARGIN_T + k], fontPx, 0)), 10000));
        if (has(Prop(P_PADDING_T + k))) s.padding[k] = std::max(0, std::min(Round(Length(d.v[P_PADDING_T + k], fontPx, 0)), 10000));
        if (has(Prop(P_BORDER_T + k))) s.border[k] = std::max(0, std::min(Round(Length(d.v[P_BORDER_T + k], fontPx, 0)), 1000));
    }
    if (has(P_BORDER_COLOR) && ParseColor(Trim(d.v[P_BORDER_COLOR]), &rgb)) s.borderColor = rgb;
    if (has(P_WIDTH)) {
        std::wstring v = LowerAscii(Trim(d.v[P_WIDTH]));
        double px;
        if (!v.empty() && v.back() == '%') s.widthPercent = std::max(0.0, std::min(_wtof(v.c_str()), 1000.0));
        else if (v != L"auto" && ParseLengthPx(v, fontPx, &px) && px >= 0) s.width = Round(std::min(px, 1e6));
    }
    if (has(P_HEIGHT)) {
        double px;
        std::wstring v = LowerAscii(Trim(d.v[P_HEIGHT]));
        if (v != L"auto" && (v.empty() || v.back() != '%') && ParseLengthPx(v, fontPx, &px) && px >= 0)
            s.height = Round(std::min(px, 1e6));
    }
    if (has(P_MAX_WIDTH)) {
        double px;
        if (ParseLengthPx(d.v[P_MAX_WIDTH], fontPx, &px) && px >= 0) s.maxWidth = Round(std::min(px, 1e6));
    }
    s.fontId = Font(s.font);
    s.metrics = platform->Metrics(s.fontId);
    return st;
}

} // namespace HtmlEngine
