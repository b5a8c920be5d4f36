#include "htmlengine/Style.h"
#include <cmath>
#include <cstdio>
#include "htmlengine/Dom.h"
#include "TextUtil.h"

namespace HtmlEngine {

// ---------------------------------------------------------------- declarations

namespace {
std::wstring StripComments(const std::wstring& s) {
    if (s.find(L"/*") == std::wstring::npos) return s;
    std::wstring out;
    size_t i = 0;
    while (i < s.size()) {
        if (s.compare(i, 2, L"/*") == 0) {
            size_t e = s.find(L"*/", i + 2);
            i = e == std::wstring::npos ? s.size() : e + 2;
            out.push_back(' ');
        } else {
            out.push_back(s[i++]);
        }
    }
    return out;
}
}

std::vector<CssDeclaration> ParseDeclarations(const std::wstring& input) {
    std::vector<CssDeclaration> out;
    std::wstring text = StripComments(input);
    size_t i = 0, n = text.size();
    while (i < n) {
        // one declaration up to ';' outside quotes and parentheses
        size_t start = i;
        wchar_t quote = 0;
        int paren = 0;
        for (; i < n; ++i) {
            wchar_t c = text[i];
            if (quote) { if (c == quote) quote = 0; continue; }
            if (c == '"' || c == '\'') quote = c;
            else if (c == '(') ++paren;
            else if (c == ')' && paren > 0) --paren;
            else if (c == ';' && paren == 0) break;
        }
        std::wstring decl = text.substr(start, i - start);
        if (i < n) ++i;
        size_t colon = decl.find(':');
        if (colon == std::wstring::npos) continue;
        CssDeclaration d;
        d.name = LowerAscii(Trim(decl.substr(0, colon)));
        d.value = Trim(decl.substr(colon + 1));
        if (d.name.empty()) continue;
        size_t bang = d.value.rfind('!');
        if (bang != std::wstring::npos && IEquals(Trim(d.value.substr(bang + 1)), L"important")) {
            d.important = true;
            d.value = Trim(d.value.substr(0, bang));
        }
        bool replaced = false;
        for (auto& e : out)
            if (e.name == d.name) { e = d; replaced = true; }
        if (!replaced) out.push_back(d);
    }
    return out;
}

std::wstring SerializeDeclarations(const std::vector<CssDeclaration>& decls) {
    std::wstring out;
    for (const auto& d : decls) {
        if (!out.empty()) out += L"; ";
        out += d.name;
        out += L": ";
        out += d.value;
        if (d.important) out += L" !important";
    }
    return out;
}

std::wstring FindDeclaration(const std::wstring& text, const std::wstring& name) {
    if (text.empty()) return std::wstring();
    std::wstring low = LowerAscii(Trim(name));
    for (const auto& d : ParseDeclarations(text))
        if (d.name == low) return d.value;
    return std::wstring();
}

std::wstring SetDeclaration(const std::wstring& text, const std::wstring& name, const std::wstring& value) {
    std::vector<CssDeclaration> decls = ParseDeclarations(text);
    std::wstring low = LowerAscii(Trim(name));
    std::wstring v = Trim(value);
    bool found = false;
    for (size_t i = 0; i < decls.size(); ++i) {
        if (decls[i].name != low) continue;
        found = true;
        if (v.empty()) decls.erase(decls.begin() + long(i));
        else { decls[i].value = v; decls[i].important = false; }
        break;
    }
    if (!found && !v.empty()) decls.push_back(CssDeclaration{low, v, false});
    return SerializeDeclarations(decls);
}

// ---------------------------------------------------------------- colours

namespace {
struct NamedColor { const wchar_t* name; uint32_t rgb; };
const NamedColor kColors[] = {
    {L"black", 0x000000}, {L"silver", 0xC0C0C0}, {L"gray", 0x808080}, {L"grey", 0x808080},
    {L"white", 0xFFFFFF}, {L"maroon", 0x800000}, {L"red", 0xFF0000}, {L"purple", 0x800080},
    {L"fuchsia", 0xFF00FF}, {L"magenta", 0xFF00FF}, {L"green", 0x008000}, {L"lime", 0x00FF00},
    {L"olive", 0x808000}, {L"yellow", 0xFFFF00}, {L"navy", 0x000080}, {L"blue", 0x0000FF},
    {L"teal", 0x008080}, {L"aqua", 0x00FFFF}, {L"cyan", 0x00FFFF}, {L"orange", 0xFFA500},
    {L"brown", 0xA52A2A}, {L"pink", 0xFFC0CB}, {L"gold", 0xFFD700}, {L"violet", 0xEE82EE},
    {L"indigo", 0x4B0082}, {L"darkred", 0x8B0000}, {L"darkgreen", 0x006400},
    {L"darkblue", 0x00008B}, {L"lightgray", 0xD3D3D3}, {L"lightgrey", 0xD3D3D3},
    {L"darkgray", 0xA9A9A9}, {L"darkgrey", 0xA9A9A9}, {L"lightblue", 0xADD8E6},
    {L"lightgreen", 0x90EE90}, {L"lightyellow", 0xFFFFE0}, {L"beige", 0xF5F5DC},
    {L"coral", 0xFF7F50}, {L"crimson", 0xDC143C}, {L"khaki", 0xF0E68C}, {L"salmon", 0xFA8072},
    {L"tomato", 0xFF6347}, {L"turquoise", 0x40E0D0}, {L"tan", 0xD2B48C}, {L"orchid", 0xDA70D6},
    {L"plum", 0xDDA0DD}, {L"ivory", 0xFFFFF0}, {L"lavender", 0xE6E6FA}, {L"chocolate", 0xD2691E},
    {L"steelblue", 0x4682B4}, {L"skyblue", 0x87CEEB}, {L"royalblue", 0x4169E1},
    {L"darkorange", 0xFF8C00}, {L"darkviolet", 0x9400D3}, {L"whitesmoke", 0xF5F5F5}};

int Hex(wchar_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseHexDigits(const std::wstring& h, uint32_t* rgb) {
    for (wchar_t c : h)
        if (Hex(c) < 0) return false;
    if (h.size() == 3) {
        *rgb = uint32_t(Hex(h[0]) * 17) << 16 | uint32_t(Hex(h[1]) * 17) << 8 | uint32_t(Hex(h[2]) * 17);
        return true;
    }
    if (h.size() == 6) {
        uint32_t v = 0;
        for (wchar_t c : h) v = (v << 4) | uint32_t(Hex(c));
        *rgb = v;
        return true;
    }
    return false;
}
}

bool ParseColor(const std::wstring& input, uint32_t* rgb) {
    std::wstring t = Trim(input);
    if (t.empty()) return false;
    if (t[0] == '#') return ParseHexDigits(t.substr(1), rgb);
    std::wstring low = LowerAscii(t);
    for (const auto& c : kColors)
        if (low == c.name) { *rgb = c.rgb; return true; }
    if (IStartsWith(low, L"rgb(") || IStartsWith(low, L"rgba(")) {
        size_t open = low.find('('), close = low.find(')');
        if (close == std::wstring::npos) close = low.size();
        std::wstring args = low.substr(open + 1, close - open - 1);
        int comps[3] = {0, 0, 0};
        size_t pos = 0;
        for (int k = 0; k < 3; ++k) {
            while (pos < args.size() && (args[pos] == ' ' || args[pos] == ',')) ++pos;
            double v = 0;
            bool any = false;
            while (pos < args.size() && args[pos] >= '0' && args[pos] <= '9') { v = v * 10 + (args[pos++] - '0'); any = true; }
            if (pos < args.size() && args[pos] == '.') {
                double f = 0.1;
                for (++pos; pos < args.size() && args[pos] >= '0' && args[pos] <= '9'; ++pos, f /= 10) v += (args[pos] - '0') * f;
            }
            if (!any) return false;
            if (pos < args.size() && args[pos] == '%') { v = v * 255 / 100; ++pos; }
            comps[k] = v > 255 ? 255 : int(v + 0.5);
        }
        *rgb = uint32_t(comps[0]) << 16 | uint32_t(comps[1]) << 8 | uint32_t(comps[2]);
        return true;
    }
    // legacy attribute colours without '#'
    return t.size() == 6 && ParseHexDigits(t, rgb);
}

std::wstring ColorToHex(uint32_t rgb) {
    wchar_t buf[16];
    std::swprintf(buf, 16, L"#%02x%02x%02x", unsigned(rgb >> 16) & 0xFF, unsigned(rgb >> 8) & 0xFF, unsigned(rgb) & 0xFF);
    return buf;
}

// ---------------------------------------------------------------- lengths

namespace {
const double kHtmlSizes[8] = {0, 10, 13, 16, 18, 24, 32, 48};
}

double HtmlFontSizeToPx(int size) {
    if (size < 1) size = 1;
    if (size > 7) size = 7;
    return kHtmlSizes[size];
}

int PxToHtmlFontSize(double px) {
    int best = 1;
    for (int s = 2; s <= 7; ++s)
        if (std::fabs(kHtmlSizes[s] - px) < std::fabs(kHtmlSizes[best] - px)) best = s;
    return best;
}

bool ParseLengthPx(const std::wstring& input, double parentPx, double* px, bool keywords) {
    std::wstring t = LowerAscii(Trim(input));
    if (t.empty()) return false;
    if (keywords) {
        static const struct { const wchar_t* k; double v; } kw[] = {
            {L"xx-small", 9}, {L"x-small", 10}, {L"small", 13}, {L"medium", 16},
            {L"large", 18}, {L"x-large", 24}, {L"xx-large", 32}};
        for (const auto& k : kw)
            if (t == k.k) { *px = k.v; return true; }
        if (t == L"smaller") { *px = parentPx / 1.2; return true; }
        if (t == L"larger") { *px = parentPx * 1.2; return true; }
    }
    size_t i = 0;
    bool neg = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) neg = t[i++] == '-';
    double v = 0;
    bool any = false;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9' && v < 1e9) { v = v * 10 + (t[i++] - '0'); any = true; }
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    if (i < t.size() && t[i] == '.') {
        double f = 0.1;
        for (++i; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, f /= 10) { v += (t[i] - '0') * f; any = true; }
    }
    if (!any) return false;
    if (neg) v = -v;
    std::wstring unit = Trim(t.substr(i));
    if (unit.empty() || unit == L"px") *px = v;
    else if (unit == L"pt") *px = v * 4.0 / 3.0;
    else if (unit == L"pc") *px = v * 16;
    else if (unit == L"in") *px = v * 96;
    else if (unit == L"cm") *px = v * 96 / 2.54;
    else if (unit == L"mm") *px = v * 96 / 25.4;
    else if (unit == L"em") *px = v * parentPx;
    else if (unit == L"rem") *px = v * 16;
    else if (unit == L"ex") *px = v * parentPx / 2;
    else if (unit == L"%") *px = v * parentPx / 100;
    else return false;
    return true;
}

// ---------------------------------------------------------------- style sheets

void StyleRule::SetSelectorText(const std::wstring& selector) {
    selector_ = Trim(selector);
    if (sheet_) sheet_->Touch();
}

void StyleRule::SetCssText(const std::wstring& css) {
    css_ = Trim(css);
    if (sheet_) sheet_->Touch();
}

std::wstring StyleRule::GetProperty(const std::wstring& name) const { return FindDeclaration(css_, name); }

void StyleRule::SetProperty(const std::wstring& name, const std::wstring& value) {
    SetCssText(SetDeclaration(css_, name, value));
}

std::wstring StyleSheet::Href() const {
    return owner_ && owner_->Is(TAG_LINK) ? owner_->GetAttribute(L"href") : std::wstring();
}

void StyleSheet::Sync() {
    if (!owner_ || owner_->Is(TAG_LINK)) {
        parsed_ = true;
        return;
    }
    std::wstring text = owner_->TextContent();
    if (parsed_ && text == parsedFrom_) return;
    Parse(text);
    parsedFrom_ = text;
    parsed_ = true;
    modified_ = false;
}

void StyleSheet::Parse(const std::wstring& input) {
    items_.clear();
    std::wstring text = StripComments(input);
    size_t i = 0, n = text.size();
    auto skipBlock = [&](size_t j) {   // j at '{': returns the index after the matching '}'
        int depth = 0;
        wchar_t quote = 0;
        for (; j < n; ++j) {
            wchar_t c = text[j];
            if (quote) { if (c == quote) quote = 0; continue; }
            if (c == '"' || c == '\'') quote = c;
            else if (c == '{') ++depth;
            else if (c == '}' && --depth == 0) return j + 1;
        }
        return n;
    };
    while (i < n) {
        while (i < n && (IsHtmlSpace(text[i]) || text[i] == ';')) ++i;
        if (i >= n) break;
        if (text.compare(i, 4, L"<!--") == 0) { i += 4; continue; }
        if (text.compare(i, 3, L"-->") == 0) { i += 3; continue; }
        if (text[i] == '@') {
            size_t j = i;
            while (j < n && text[j] != ';' && text[j] != '{') ++j;
            size_t end = j < n && text[j] == '{' ? skipBlock(j) : (j < n ? j + 1 : n);
            Item item;
            item.raw = Trim(text.substr(i, end - i));
            items_.push_back(std::move(item));
            i = end;
            continue;
        }
        size_t brace = text.find('{', i);
        if (brace == std::wstring::npos) break;
        size_t end = skipBlock(brace);
        size_t close = end > brace + 1 && end <= n && text[end - 1] == '}' ? end - 1 : end;
        Item item;
        item.rule.reset(new StyleRule());
        item.rule->sheet_ = this;
        item.rule->selector_ = Trim(text.substr(i, brace - i));
        item.rule->css_ = Trim(text.substr(brace + 1, close - brace - 1));
        items_.push_back(std::move(item));
        i = end;
    }
}

size_t StyleSheet::RuleCount() {
    Sync();
    size_t c = 0;
    for (const auto& it : items_) c += it.rule ? 1 : 0;
    return c;
}

StyleRule* StyleSheet::Rule(size_t index) {
    Sync();
    for (auto& it : items_) {
        if (!it.rule) continue;
        if (index == 0) return it.rule.get();
        --index;
    }
    return nullptr;
}

StyleRule* StyleSheet::FindRule(const std::wstring& selector) {
    Sync();
    std::wstring want = Trim(selector);
    for (auto& it : items_)
        if (it.rule && IEquals(it.rule->selector_, want)) return it.rule.get();
    return nullptr;
}

StyleRule* StyleSheet::AddRule(const std::wstring& selector, const std::wstring& css, int index) {
    Sync();
    Item item;
    item.rule.reset(new StyleRule());
    item.rule->sheet_ = this;
    item.rule->selector_ = Trim(selector);
    item.rule->css_ = Trim(css);
    StyleRule* r = item.rule.get();
    size_t at = items_.size();
    if (index >= 0) {
        size_t k = 0;
        for (size_t j = 0; j < items_.size(); ++j) {
            if (!items_[j].rule) continue;
            if (k++ == size_t(index)) { at = j; break; }
        }
    }
    items_.insert(items_.begin() + long(at), std::move(item));
    Touch();
    return r;
}

bool StyleSheet::RemoveRule(size_t index) {
    Sync();
    for (size_t j = 0; j < items_.size(); ++j) {
        if (!items_[j].rule) continue;
        if (index-- == 0) {
            items_.erase(items_.begin() + long(j));
            Touch();
            return true;
        }
    }
    return false;
}

std::wstring StyleSheet::CssText() {
    Sync();
    std::wstring out;
    for (const auto& it : items_) {
        if (it.rule) out += it.rule->selector_ + L" {\n" + it.rule->css_ + L"\n}\n";
        else out += it.raw + L"\n";
    }
    return out;
}

void StyleSheet::SetCssText(const std::wstring& text) {
    Sync();
    Parse(text);
    Touch();
}

// ---------------------------------------------------------------- computed values

namespace {

struct Compound {
    std::wstring tag;   // upper case, empty for any
    std::wstring id;
    std::vector<std::wstring> classes;
    bool unsupported = false;
};

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

bool MatchCompound(const Element* e, const Compound& c) {
    if (c.unsupported) return false;
    if (!c.tag.empty() && e->TagName() != c.tag) return false;
    if (!c.id.empty() && e->GetAttribute(L"id") != c.id) return false;
    for (const auto& cls : c.classes)
        if (!HasClass(e, cls)) return false;
    return true;
}

Compound ParseCompound(const std::wstring& s) {
    Compound c;
    size_t i = 0;
    auto ident = [&](size_t j) {
        size_t k = j;
        while (k < s.size() && (IsWordChar(s[k]) || s[k] == '-')) ++k;
        return k;
    };
    if (i < s.size() && s[i] == '*') ++i;
    else if (i < s.size() && s[i] != '.' && s[i] != '#') {
        size_t k = ident(i);
        c.tag = UpperAscii(s.substr(i, k - i));
        i = k;
    }
    while (i < s.size()) {
        if (s[i] == '.' || s[i] == '#') {
            size_t k = ident(i + 1);
            std::wstring name = s.substr(i + 1, k - i - 1);
            if (name.empty()) { c.unsupported = true; return c; }
            if (s[i] == '.') c.classes.push_back(name);
            else c.id = name;
            i = k;
        } else {
            c.unsupported = true;   // attribute selectors, pseudo-classes
            return c;
        }
    }
    return c;
}

// Specificity of the selector when it matches the element, else -1.
int MatchSelector(const Element* e, const std::wstring& selector) {
    // compounds separated by descendant (space) and child (>) combinators
    std::vector<std::pair<Compound, wchar_t>> parts;   // compound, combinator to its left
    std::wstring cur;
    wchar_t comb = ' ';
    auto flush = [&]() {
        if (!cur.empty()) { parts.emplace_back(ParseCompound(cur), comb); cur.clear(); comb = ' '; }
    };
    for (wchar_t ch : selector) {
        if (IsHtmlSpace(ch)) { flush(); continue; }
        if (ch == '>' || ch == '+' || ch == '~') { flush(); comb = ch; continue; }
        cur.push_back(ch);
    }
    flush();
    if (parts.empty()) return -1;
    int spec = 0;
    for (const auto& p : parts) {
        if (p.second == '+' || p.second == '~' || p.first.unsupported) return -1;
        spec += (p.first.id.empty() ? 0 : 100) + int(p.first.classes.size()) * 10 + (p.first.tag.empty() ? 0 : 1);
    }
    if (!MatchCompound(e, parts.back().first)) return -1;
    const Element* node = e;
    for (size_t k = parts.size() - 1; k-- > 0;) {
        wchar_t rel = parts[k + 1].second;
        const Element* anc = node->ParentElement();
        if (rel == '>') {
            if (!anc || !MatchCompound(anc, parts[k].first)) return -1;
            node = anc;
        } else {
            while (anc && !MatchCompound(anc, parts[k].first)) anc = anc->ParentElement();
            if (!anc) return -1;
            node = anc;
        }
    }
    return spec;
}

bool FromSheets(const Element* e, const std::wstring& prop, std::wstring* value) {
    Document* doc = e->OwnerDocument();
    if (!doc) return false;
    int best = -1;
    bool bestImportant = false;
    for (StyleSheet* sheet : doc->StyleSheets()) {
        size_t n = sheet->RuleCount();
        for (size_t r = 0; r < n; ++r) {
            StyleRule* rule = sheet->Rule(r);
            std::wstring v;
            bool important = false;
            bool has = false;
            for (const auto& d : ParseDeclarations(rule->CssText()))
                if (d.name == prop) { v = d.value; important = d.important; has = true; }
            if (!has) continue;
            const std::wstring& sel = rule->SelectorText();
            size_t i = 0;
            while (i <= sel.size()) {
                size_t j = sel.find(',', i);
                if (j == std::wstring::npos) j = sel.size();
                int spec = MatchSelector(e, Trim(sel.substr(i, j - i)));
                if (spec >= 0 && ((important && !bestImportant) || (important == bestImportant && spec >= best))) {
                    best = spec;
                    bestImportant = important;
                    *value = v;
                }
                i = j + 1;
            }
        }
    }
    return best >= 0;
}

bool Presentational(const Element* e, const std::wstring& prop, std::wstring* value) {
    int id = e->TagId();
    if (prop == L"font-family" && id == TAG_FONT && e->HasAttribute(L"face")) { *value = e->GetAttribute(L"face"); return true; }
    if (prop == L"color") {
        if (id == TAG_FONT && e->HasAttribute(L"color")) { *value = e->GetAttribute(L"color"); return true; }
        if (id == TAG_BODY && e->HasAttribute(L"text")) { *value = e->GetAttribute(L"text"); return true; }
    }
    if (prop == L"background-color" && e->HasAttribute(L"bgcolor")) { *value = e->GetAttribute(L"bgcolor"); return true; }
    if (prop == L"text-align" && e->HasAttribute(L"align") && e->IsBlock()) {
        std::wstring a = LowerAscii(Trim(e->GetAttribute(L"align")));
        if (a == L"middle") a = L"center";
        if (a == L"left" || a == L"right" || a == L"center" || a == L"justify") { *value = a; return true; }
    }
    if (prop == L"vertical-align" && e->HasAttribute(L"valign") && (id == TAG_TD || id == TAG_TH || id == TAG_TR)) {
        *value = LowerAscii(e->GetAttribute(L"valign"));
        return true;
    }
    if ((prop == L"width" || prop == L"height") && e->HasAttribute(prop)) {
        std::wstring v = Trim(e->GetAttribute(prop));
        bool digits = !v.empty();
        for (wchar_t c : v) digits = digits && c >= '0' && c <= '9';
        *value = digits ? v + L"px" : v;
        return true;
    }
    return false;
}

bool Defaults(const Element* e, const std::wstring& prop, std::wstring* value) {
    int id = e->TagId();
    if (prop == L"font-weight") {
        if (id == TAG_B || id == TAG_STRONG || id == TAG_TH || (id >= TAG_H1 && id <= TAG_H6)) { *value = L"bold"; return true; }
    } else if (prop == L"font-style") {
        if (id == TAG_I || id == TAG_EM || id == TAG_CITE || id == TAG_VAR || id == TAG_DFN || id == TAG_ADDRESS) { *value = L"italic"; return true; }
    } else if (prop == L"text-decoration") {
        if (id == TAG_U || id == TAG_INS) { *value = L"underline"; return true; }
        if (id == TAG_S || id == TAG_STRIKE || id == TAG_DEL) { *value = L"line-through"; return true; }
        if (id == TAG_A && e->HasAttribute(L"href")) { *value = L"underline"; return true; }
    } else if (prop == L"vertical-align") {
        if (id == TAG_SUB) { *value = L"sub"; return true; }
        if (id == TAG_SUP) { *value = L"super"; return true; }
    } else if (prop == L"text-align") {
        if (id == TAG_CENTER || id == TAG_TH) { *value = L"center"; return true; }
    } else if (prop == L"font-family") {
        if (id == TAG_TT || id == TAG_CODE || id == TAG_PRE || id == TAG_KBD || id == TAG_SAMP || id == TAG_XMP ||
            id == TAG_LISTING || id == TAG_PLAINTEXT) { *value = L"monospace"; return true; }
    } else if (prop == L"color") {
        if (id == TAG_A && e->HasAttribute(L"href")) { *value = L"#0000ff"; return true; }
    } else if (prop == L"display") {
        if (id == TAG_LI) { *value = L"list-item"; return true; }
        if (id == TAG_TABLE) { *value = L"table"; return true; }
        if (id == TAG_TD || id == TAG_TH) { *value = L"table-cell"; return true; }
        if (id == TAG_TR) { *value = L"table-row"; return true; }
        if (e->IsBlock()) { *value = L"block"; return true; }
    }
    return false;
}

// The value the element itself specifies, from the strongest source.
bool Declared(const Element* e, const std::wstring& prop, std::wstring* value) {
    std::wstring inlineStyle = e->GetAttribute(L"style");
    if (!inlineStyle.empty()) {
        for (const auto& d : ParseDeclarations(inlineStyle))
            if (d.name == prop) {
                *value = d.value;
                return true;
            }
    }
    if (FromSheets(e, prop, value)) return true;
    if (Presentational(e, prop, value)) return true;
    return Defaults(e, prop, value);
}

bool IsInherited(const std::wstring& prop) {
    return prop == L"font-size" || prop == L"font-family" || prop == L"color" || prop == L"font-weight" ||
           prop == L"font-style" || prop == L"text-align" || prop == L"line-height" || prop == L"visibility";
}

std::wstring FormatPx(double px) {
    wchar_t buf[32];
    double r = std::floor(px * 100 + 0.5) / 100;
    if (r == std::floor(r)) std::swprintf(buf, 32, L"%.0fpx", r);
    else std::swprintf(buf, 32, L"%.2fpx", r);
    std::wstring s = buf;
    if (s.find('.') != std::wstring::npos) {
        while (s.size() > 3 && s[s.size() - 3] == '0') s.erase(s.size() - 3, 1);
    }
    return s;
}

} // namespace

double ComputedFontSizePx(const Element* element) {
    // walk up to the first element that fixes a size, then resolve relative sizes downward
    std::vector<const Element*> chain;
    for (const Element* e = element; e; e = e->ParentElement()) chain.push_back(e);
    double px = 16;
    for (size_t k = chain.size(); k-- > 0;) {
        const Element* e = chain[k];
        std::wstring v;
        bool fromStyle = false;
        std::wstring inlineStyle = e->GetAttribute(L"style");
        if (!inlineStyle.empty()) {
            v = FindDeclaration(inlineStyle, L"font-size");
            fromStyle = !v.empty();
        }
        if (!fromStyle) fromStyle = FromSheets(e, L"font-size", &v);
        if (fromStyle) {
            double r;
            if (ParseLengthPx(v, px, &r, true) && r > 0) px = r;
            continue;
        }
        if (e->Is(TAG_FONT) && e->HasAttribute(L"size")) {
            std::wstring s = Trim(e->GetAttribute(L"size"));
            int sign = 0;
            size_t i = 0;
            if (i < s.size() && (s[i] == '+' || s[i] == '-')) sign = s[i++] == '+' ? 1 : -1;
            int n = 0;
            bool any = false;
            while (i < s.size() && s[i] >= '0' && s[i] <= '9' && n < 100) { n = n * 10 + (s[i++] - '0'); any = true; }
            if (any) px = HtmlFontSizeToPx(sign ? 3 + sign * n : n);
            continue;
        }
        int id = e->TagId();
        static const double kHeading[] = {2.0, 1.5, 1.17, 1.0, 0.83, 0.67};
        if (id >= TAG_H1 && id <= TAG_H6) px = px * kHeading[id - TAG_H1];
        else if (id == TAG_SMALL) px = px / 1.2;
        else if (id == TAG_BIG) px = px * 1.2;
        else if (id == TAG_SUB || id == TAG_SUP) px = px * 0.83;
    }
    return px;
}

std::wstring ComputedStyle(const Element* element, const std::wstring& property) {
    if (!element) return std::wstring();
    std::wstring prop = LowerAscii(Trim(property));
    if (prop == L"font-size") return FormatPx(ComputedFontSizePx(element));
    if (prop == L"text-decoration") {
        std::wstring out;
        for (const Element* e = element; e; e = e->ParentElement()) {
            std::wstring v;
            if (!Declared(e, prop, &v)) continue;
            v = LowerAscii(v);
            for (const wchar_t* word : {L"underline", L"line-through", L"overline"})
                if (v.find(word) != std::wstring::npos && out.find(word) == std::wstring::npos)
                    out += (out.empty() ? L"" : L" ") + std::wstring(word);
        }
        return out.empty() ? L"none" : out;
    }
    std::wstring v;
    if (IsInherited(prop)) {
        for (const Element* e = element; e; e = e->ParentElement()) {
            if (Declared(e, prop, &v) && LowerAscii(v) != L"inherit") break;
            v.clear();
        }
    } else {
        Declared(element, prop, &v);
    }
    if (prop == L"color" || prop == L"background-color") {
        uint32_t rgb;
        if (!v.empty() && ParseColor(v, &rgb)) return ColorToHex(rgb);
        if (v.empty()) return prop == L"color" ? L"#000000" : L"transparent";
        return v;
    }
    if (!v.empty()) return v;
    if (prop == L"font-family") return L"Times New Roman";
    if (prop == L"font-weight" || prop == L"font-style" || prop == L"line-height") return L"normal";
    if (prop == L"text-align") return L"left";
    if (prop == L"vertical-align") return L"baseline";
    if (prop == L"display") return L"inline";
    if (prop == L"width" || prop == L"height") return L"auto";
    if (prop.compare(0, 7, L"margin-") == 0) return L"0px";
    return std::wstring();
}

} // namespace HtmlEngine
