// Editing commands (query status, execution, values) and the typing operations.
#include "htmlengine/Commands.h"
#include <algorithm>
#include <cstdio>
#include <functional>
#include <unordered_set>
#include <cwchar>
#include "htmlengine/Clipboard.h"
#include "htmlengine/Style.h"
#include "DocImpl.h"
#include "Editing.h"
#include "Parser.h"
#include "Serializer.h"
#include "TextUtil.h"
#include "Walk.h"

namespace HtmlEngine {

// ---------------------------------------------------------------- Value

std::wstring Value::AsText() const {
    switch (kind) {
    case Kind::Text: return text;
    case Kind::Int: return std::to_wstring(i);
    case Kind::Bool: return b ? L"true" : L"false";
    default: return std::wstring();
    }
}

bool Value::AsInt(int32_t* out) const {
    switch (kind) {
    case Kind::Int: *out = i; return true;
    case Kind::Bool: *out = b ? 1 : 0; return true;
    case Kind::Text: {
        std::wstring t = Trim(text);
        if (t.empty()) return false;
        size_t k = 0;
        bool neg = false;
        if (t[k] == '+' || t[k] == '-') neg = t[k++] == '-';
        if (k >= t.size()) return false;
        long long v = 0;
        for (; k < t.size(); ++k) {
            if (t[k] < '0' || t[k] > '9') return false;
            v = v * 10 + (t[k] - '0');
            if (v > 0x7FFFFFFFLL) return false;
        }
        *out = int32_t(neg ? -v : v);
        return true;
    }
    default:
        return false;
    }
}

namespace {

// ---------------------------------------------------------------- selection helpers

struct Range {
    Pos a, b;
    bool collapsed() const { return ComparePos(a, b) == 0; }
};

Range CurrentRange(DocImpl& d) {
    Range r;
    if (d.selStart.IsPositioned() && d.selEnd.IsPositioned()) {
        r.a = Canon(DocImpl::PosOf(d.selStart));
        r.b = Canon(DocImpl::PosOf(d.selEnd));
        if (ComparePos(r.a, r.b) > 0) std::swap(r.a, r.b);
    } else if (Element* body = d.doc->Body()) {
        r.a = r.b = Canon(Pos{body, 0});
    }
    if (r.a.node) {
        r.a = EditablePos(d.doc, r.a);
        r.b = EditablePos(d.doc, r.b);
    }
    return r;
}

// The element whose formatting the selection shows: around the caret, or of the first text
// in the range.
Element* FormatElement(const Range& r) {
    if (!r.a.node) return nullptr;
    auto parentOf = [](Node* n) -> Element* {
        Node* x = n->IsText() ? n->Parent() : n;
        while (x && !x->IsElement()) x = x->Parent();
        return x ? x->AsElement() : nullptr;
    };
    if (!r.collapsed()) {
        Pos p = r.a;
        for (int guard = 0; guard < 100000 && ComparePos(p, r.b) < 0; ++guard) {
            Node* n = nullptr;
            Context c = StepRight(p, true, &n, 0, nullptr);
            if (c == Context::None) break;
            if (c == Context::Text) return parentOf(n);
            if (c == Context::NoScope && n->IsElement()) return parentOf(n->Parent());
        }
    }
    return parentOf(r.a.node);
}

std::vector<TextNode*> TextLeaves(const Range& r) {
    std::vector<TextNode*> out;
    Pos p = r.a;
    for (size_t guard = 0; guard < 10000000 && ComparePos(p, r.b) < 0; ++guard) {
        Node* n = nullptr;
        Context c = StepRight(p, true, &n, 0, nullptr);
        if (c == Context::None) break;
        if (c == Context::Text && n->AsText()->Length() > 0 && n->Parent() && n->Parent()->IsElement() &&
            IsRawTextTag(n->Parent()->AsElement()->TagId()))
            continue;   // style sheet or script text takes no formats
        if (c == Context::Text && n->AsText()->Length() > 0) {
            bool space = true;
            for (wchar_t ch : n->AsText()->Data()) space = space && IsHtmlSpace(ch);
            if (!space && (out.empty() || out.back() != n)) out.push_back(n->AsText());
        }
    }
    return out;
}

// ---------------------------------------------------------------- inline formats

struct Toggle {
    int command;
    int tag;            // the element the command writes
    int alt1, alt2;     // other tags with the same meaning
    const wchar_t* prop;
    const wchar_t* value;
    const wchar_t* unitName;
};

const Toggle kToggles[] = {
    {CMD_BOLD, TAG_STRONG, TAG_B, TAG_STRONG, L"font-weight", L"bold", L"Bold"},
    {CMD_ITALIC, TAG_EM, TAG_I, TAG_EM, L"font-style", L"italic", L"Italic"},
    {CMD_UNDERLINE, TAG_U, TAG_U, TAG_INS, L"text-decoration", L"underline", L"Underline"},
    {CMD_STRIKETHROUGH, TAG_STRIKE, TAG_S, TAG_DEL, L"text-decoration", L"line-through", L"Strikethrough"},
    {CMD_SUPERSCRIPT, TAG_SUP, TAG_SUP, TAG_SUP, L"vertical-align", L"super", L"Superscript"},
    {CMD_SUBSCRIPT, TAG_SUB, TAG_SUB, TAG_SUB, L"vertical-align", L"sub", L"Subscript"},
};

const Toggle* FindToggle(int cmd) {
    for (const auto& t : kToggles)
        if (t.command == cmd) return &t;
    return nullptr;
}

bool IsBoldWeight(const std::wstring& w) {
    std::wstring v = LowerAscii(Trim(w));
    if (v == L"bold" || v == L"bolder") return true;
    int n = 0;
    for (wchar_t c : v) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
        if (n > 10000) break;
    }
    return !v.empty() && n >= 600;
}

bool ValueHas(const Toggle& t, const std::wstring& v) {
    if (t.command == CMD_BOLD) return IsBoldWeight(v);
    std::wstring low = LowerAscii(v);
    if (t.command == CMD_ITALIC) return low.find(L"italic") != std::wstring::npos || low.find(L"oblique") != std::wstring::npos;
    return low.find(t.value) != std::wstring::npos;
}

bool HasToggle(const Toggle& t, Element* e) {
    if (!e) return false;
    if (t.command == CMD_SUPERSCRIPT || t.command == CMD_SUBSCRIPT) {
        for (Element* x = e; x && !x->IsBlock(); x = x->ParentElement())
            if (ValueHas(t, ComputedStyle(x, t.prop))) return true;
        return false;
    }
    return ValueHas(t, ComputedStyle(e, t.prop));
}

bool ElementProvides(const Toggle& t, const Element* e) {
    if (e->Is(t.tag) || e->Is(t.alt1) || e->Is(t.alt2)) return true;
    std::wstring v = e->GetStyle(t.prop);
    return !v.empty() && ValueHas(t, v);
}

bool PendingToggle(const DocImpl& d, int cmd) {
    bool on = false;
    for (const auto& p : d.pending)
        if (p.command == cmd) on = !on;
    return on;
}

const Value* PendingValue(const DocImpl& d, int cmd) {
    const Value* v = nullptr;
    for (const auto& p : d.pending)
        if (p.command == cmd) v = &p.value;
    return v;
}

bool ToggleLatched(DocImpl& d, const Toggle& t, const Range& r) {
    bool state;
    if (r.collapsed()) {
        state = HasToggle(t, FormatElement(r));
        if (PendingToggle(d, t.command)) state = !state;
        return state;
    }
    auto leaves = TextLeaves(r);
    if (leaves.empty()) return HasToggle(t, FormatElement(r));
    for (TextNode* tn : leaves)
        if (!HasToggle(t, tn->ParentElement())) return false;
    return true;
}

bool HasContent(const Node* n) {
    for (const Node* x = n->NextInOrder(n); x; x = x->NextInOrder(n)) {
        if (x->IsText() && x->AsText()->Length() > 0) return true;
        if (x->IsElement() && x->AsElement()->IsVoid()) return true;
    }
    return false;
}

Pos Before(Node* n) { return Canon(Pos{n->Parent(), n->IndexInParent()}); }
Pos After(Node* n) { return Canon(Pos{n->Parent(), n->IndexInParent() + 1}); }

// Splits el so that the part between a and b stands alone; returns that part.
Element* Isolate(DocImpl& d, Element* el, LivePos& a, LivePos& b) {
    Document* doc = d.doc;
    Pos pb = b.get();
    if (ComparePos(pb, After(el)) < 0 && ComparePos(pb, Before(el)) > 0) {
        Element* right = SplitElementAt(d, el, pb);
        if (right && !HasContent(right)) d.DetachNode(right);
    }
    Pos pa = a.get();
    Element* middle = el;
    if (ComparePos(pa, Before(el)) > 0 && ComparePos(pa, After(el)) < 0) {
        Element* right = SplitElementAt(d, el, pa);
        if (right) {
            middle = right;
            if (!HasContent(el)) d.DetachNode(el);
        }
    }
    (void)doc;
    return middle;
}

bool IsBare(const Element* e) { return (e->Is(TAG_SPAN) || e->Is(TAG_FONT)) && e->Attributes().empty(); }

// Whether el begins before p and ends after it.
bool Straddles(Element* el, Pos p) {
    return el->Parent() && ComparePos(p, Before(el)) > 0 && ComparePos(p, After(el)) < 0;
}

void RemoveToggle(DocImpl& d, const Toggle& t, LivePos& a, LivePos& b) {
    Pos s = SplitTextAt(d, a.get());
    a.set(s);
    b.set(SplitTextAt(d, b.get()));
    // every inline element that gives the range's text the format, each once
    auto providers = [&]() {
        std::vector<Element*> found;
        std::unordered_set<Element*> seen;
        for (TextNode* tn : TextLeaves(Range{a.get(), b.get()}))
            for (Element* e = tn->ParentElement(); e && !e->IsBlock() && seen.insert(e).second; e = e->ParentElement())
                if (ElementProvides(t, e)) found.push_back(e);
        return found;
    };
    // those reaching over an end of the range are split there first, outermost first (which
    // splits the inner ones with them)
    std::vector<std::pair<size_t, Element*>> straddling;
    for (Element* e : providers())
        if (Straddles(e, a.get()) || Straddles(e, b.get())) straddling.emplace_back(e->Depth(), e);
    std::sort(straddling.begin(), straddling.end());
    for (auto& x : straddling)
        if (Straddles(x.second, a.get()) || Straddles(x.second, b.get())) Isolate(d, x.second, a, b);
    std::vector<Element*> unwrap;
    for (Element* m : providers()) {
        if (m->Is(t.tag) || m->Is(t.alt1) || m->Is(t.alt2)) {
            unwrap.push_back(m);
            continue;
        }
        std::wstring css = SetDeclaration(m->GetAttribute(L"style"), t.prop, L"");
        d.SetAttr(m, L"style", css.empty() ? nullptr : &css);
        if (IsBare(m)) unwrap.push_back(m);
    }
    UnwrapAll(d, unwrap);
    // still shown by a block (a heading, a bold DIV): override inline
    Range r{a.get(), b.get()};
    bool still = false;
    for (TextNode* tn : TextLeaves(r)) still = still || HasToggle(t, tn->ParentElement());
    if (still && (t.command == CMD_BOLD || t.command == CMD_ITALIC)) {
        ElementPtr span = d.NewElement(TAG_SPAN);
        std::wstring css = std::wstring(t.prop) + L": normal";
        DocImpl::AttrsOf(span.get()).push_back(Attribute{L"style", css});
        WrapRuns(d, span, a.get(), b.get());
    }
}

// Removes from the descendants of w what w now says itself (nested copies of the format):
// `clear` takes the format off an element and tells whether the element itself goes.
void ClearInside(DocImpl& d, Element* w, const std::function<bool(Element*)>& clear) {
    std::vector<Element*> unwrap;
    for (Node* n = w->NextInOrder(w); n; n = n->NextInOrder(w))
        if (n->IsElement() && clear(n->AsElement())) unwrap.push_back(n->AsElement());
    UnwrapAll(d, unwrap);
}

void ApplyToggle(DocImpl& d, const Toggle& t, LivePos& a, LivePos& b) {
    ElementPtr el = d.NewElement(t.tag);
    for (Element* w : WrapRuns(d, el, a.get(), b.get()))
        ClearInside(d, w, [&](Element* e) { return e->Is(t.tag) || e->Is(t.alt1) || e->Is(t.alt2); });
}

// FONT-based formats: name, size, colours.
struct FontFormat {
    int command;
    const wchar_t* attr;   // FONT attribute, or null for a style property
    const wchar_t* prop;   // the CSS property it overrides
    const wchar_t* unitName;
};

const FontFormat kFontFormats[] = {
    {CMD_FONTNAME, L"face", L"font-family", L"Font Name"},
    {CMD_FONTSIZE, L"size", L"font-size", L"Font Size"},
    {CMD_FORECOLOR, L"color", L"color", L"Fore Color"},
    {CMD_BACKCOLOR, nullptr, L"background-color", L"Back Color"},
};

const FontFormat* FindFontFormat(int cmd) {
    for (const auto& f : kFontFormats)
        if (f.command == cmd) return &f;
    return nullptr;
}

bool ColorArgument(const Value& v, uint32_t* rgb) {
    if (v.kind == Value::Kind::Int) { *rgb = RgbToBgr(uint32_t(v.i) & 0xFFFFFF); return true; }
    if (v.kind != Value::Kind::Text) return false;
    int32_t n;
    if (!v.text.empty() && v.text[0] != '#' && v.AsInt(&n)) { *rgb = RgbToBgr(uint32_t(n) & 0xFFFFFF); return true; }
    return ParseColor(v.text, rgb);
}

// The attribute value the command writes; false when the argument is not acceptable.
bool FontArgument(const FontFormat& f, const Value& in, std::wstring* out) {
    switch (f.command) {
    case CMD_FONTNAME:
        *out = Trim(in.AsText());
        return !out->empty();
    case CMD_FONTSIZE: {
        int32_t n;
        if (!in.AsInt(&n)) return false;
        if (in.kind == Value::Kind::Text && !Trim(in.text).empty() && (Trim(in.text)[0] == '+' || Trim(in.text)[0] == '-'))
            n = 3 + n;
        if (n < 1) n = 1;
        if (n > 7) n = 7;
        *out = std::to_wstring(n);
        return true;
    }
    default: {
        uint32_t rgb;
        if (!ColorArgument(in, &rgb)) return false;
        *out = ColorToHex(rgb);
        return true;
    }
    }
}

void SetFontFormatOn(DocImpl& d, const FontFormat& f, Element* e, const std::wstring& value) {
    if (f.attr) {
        d.SetAttr(e, f.attr, &value);
        // an inline style would hide the attribute
        std::wstring css = e->GetAttribute(L"style");
        if (!FindDeclaration(css, f.prop).empty()) {
            std::wstring nc = SetDeclaration(css, f.prop, L"");
            d.SetAttr(e, L"style", nc.empty() ? nullptr : &nc);
        }
    } else {
        std::wstring css = SetDeclaration(e->GetAttribute(L"style"), f.prop, value);
        d.SetAttr(e, L"style", &css);
    }
}

bool ClearFontFormat(DocImpl& d, const FontFormat& f, Element* e) {
    bool touched = false;
    if (f.attr && e->Is(TAG_FONT) && e->HasAttribute(f.attr)) { d.SetAttr(e, f.attr, nullptr); touched = true; }
    std::wstring css = e->GetAttribute(L"style");
    if (!css.empty() && !FindDeclaration(css, f.prop).empty()) {
        std::wstring nc = SetDeclaration(css, f.prop, L"");
        d.SetAttr(e, L"style", nc.empty() ? nullptr : &nc);
        touched = true;
    }
    return touched;
}

std::vector<Element*> ApplyFontFormat(DocImpl& d, const FontFormat& f, const std::wstring& value, LivePos& a, LivePos& b) {
    std::vector<Element*> out;
    Pos s = SplitTextAt(d, a.get());
    a.set(s);
    b.set(SplitTextAt(d, b.get()));
    auto runs = InlineRuns(a.get(), b.get());
    for (auto& run : runs) {
        Element* w = nullptr;
        if (run.size() == 1 && run[0]->IsElement() && run[0]->AsElement()->Is(TAG_FONT)) {
            w = run[0]->AsElement();
        } else {
            ElementPtr font = d.NewElement(TAG_FONT);
            WrapRun(d, font, run);
            w = font.get();
        }
        SetFontFormatOn(d, f, w, value);
        ClearInside(d, w, [&](Element* e) { return ClearFontFormat(d, f, e) && IsBare(e); });
        out.push_back(w);
    }
    return out;
}

// ---------------------------------------------------------------- values

std::wstring FirstFamily(const std::wstring& families) {
    std::wstring s = Trim(families);
    size_t comma = std::wstring::npos;
    wchar_t quote = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (quote) { if (s[i] == quote) quote = 0; continue; }
        if (s[i] == '"' || s[i] == '\'') quote = s[i];
        else if (s[i] == ',') { comma = i; break; }
    }
    if (comma != std::wstring::npos) s = Trim(s.substr(0, comma));
    if (s.size() >= 2 && (s[0] == '\'' || s[0] == '"') && s.back() == s[0]) s = s.substr(1, s.size() - 2);
    return s;
}

int32_t BgrOf(const std::wstring& color) {
    uint32_t rgb = 0;
    ParseColor(color, &rgb);
    return int32_t(RgbToBgr(rgb));
}

Value BackColorAt(Element* e) {
    for (Element* x = e; x; x = x->ParentElement()) {
        std::wstring v = ComputedStyle(x, L"background-color");
        uint32_t rgb;
        if (v != L"transparent" && ParseColor(v, &rgb)) return Value(int32_t(RgbToBgr(rgb)));
        if (x->IsBlock()) break;
    }
    return Value();
}

// The private pixel size: inline font-size or FONT size up the ancestors, else the HTML size.
const int kPxOfSize[8] = {18, 10, 14, 16, 18, 24, 32, 48};

int CssLengthToPxRule(const std::wstring& text) {
    // the number at the start; a zero integer part gives 0; the first unit after it decides
    size_t i = 0;
    double v = 0;
    bool any = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && v < 1e7) { v = v * 10 + (text[i++] - '0'); any = true; }
    double ip = v;
    if (i < text.size() && text[i] == '.') {
        double f = 0.1;
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, f /= 10) v += (text[i] - '0') * f;
    }
    if (!any || long(ip) == 0) return 0;
    std::wstring rest = LowerAscii(text.substr(1));
    int which = -1;
    const wchar_t* units[] = {L"pt", L"mm", L"cm", L"pc", L"in", L"em"};
    // the order of the checks decides, not the position: pt first
    for (int k = 0; k < 6; ++k)
        if (rest.find(units[k]) != std::wstring::npos) { which = k; break; }
    double px;
    switch (which) {
    case 0: px = v * 4 * 0.33333334; break;
    case 1: px = v * 38 * 0.1; break;
    case 2: px = v * 38; break;
    case 3: px = v * 16; break;
    case 4: px = v * 96; break;
    case 5: px = (v - 0.5) * 16 + 8.5; break;
    default: px = ip; break;
    }
    return int(px);
}

Value PixelSizeValue(DocImpl& d, const Range& r) {
    if (const Value* pv = PendingValue(d, CMD_FONTSIZE_PX)) return Value(pv->AsText());
    TextRange tr(d.doc);
    d.Place(tr.Start(), r.a);
    d.Place(tr.End(), r.b);
    for (Element* e = tr.ParentElement(); e; e = e->ParentElement()) {
        int px = CssLengthToPxRule(Trim(e->GetStyle(L"font-size")));
        if (px > 0) return Value(std::to_wstring(px));
        std::wstring size = Trim(e->GetAttribute(L"size"));
        if (e->Is(TAG_FONT) && size.size() == 1 && size[0] >= '1' && size[0] <= '7')
            return Value(std::to_wstring(kPxOfSize[size[0] - '0']));
    }
    Element* fe = FormatElement(r);
    int size = fe ? PxToHtmlFontSize(ComputedFontSizePx(fe)) : 3;
    return Value(std::to_wstring(size >= 1 && size <= 7 ? kPxOfSize[size] : 18));
}

// ---------------------------------------------------------------- blocks: alignment, lists, indent

const wchar_t* AlignOf(int cmd) {
    switch (cmd) {
    case CMD_JUSTIFYLEFT: return L"left";
    case CMD_JUSTIFYCENTER: return L"center";
    case CMD_JUSTIFYRIGHT: return L"right";
    case CMD_JUSTIFYFULL: return L"justify";
    default: return L"";
    }
}

// The list item a paragraph belongs to, within its table cell.
Element* ListItemOf(Element* e) {
    for (Element* x = e; x; x = x->ParentElement()) {
        if (x->Is(TAG_LI)) return x;
        if (x->Is(TAG_TD) || x->Is(TAG_TH) || x->Is(TAG_BODY)) return nullptr;
    }
    return nullptr;
}

std::vector<Element*> ListAwareParagraphs(DocImpl& d, Pos a, Pos b) {
    std::vector<Element*> out;
    std::unordered_set<Element*> seen;
    for (Element* p : Paragraphs(d, a, b)) {
        Element* li = ListItemOf(p);
        Element* use = li ? li : p;
        if (seen.insert(use).second) out.push_back(use);
    }
    return out;
}

// The attributes a paragraph keeps when it becomes a list item or back.
void CopyBlockAttributes(const Element* from, Element* to) {
    for (const auto& a : from->Attributes())
        if (IEquals(a.name, L"style") || IEquals(a.name, L"align") || IEquals(a.name, L"class"))
            DocImpl::AttrsOf(to).push_back(a);
}

// Each block's content moves into a new element of `tag` that takes the block's place; all
// blocks are siblings. One pass over their parent's children, however many there are.
std::vector<Element*> ReplaceBlocks(DocImpl& d, const std::vector<Element*>& blocks, int tag) {
    std::vector<Element*> made;
    if (blocks.empty()) return made;
    for (Element* b : blocks) {
        ElementPtr e = d.NewElement(tag);
        CopyBlockAttributes(b, e.get());
        d.InsertNode(b, 0, e);
        d.MoveChildren(b, 1, b->ChildCount(), e.get(), 0);
        made.push_back(e.get());
    }
    d.UnwrapChildren(blocks.front()->Parent(), blocks);
    return made;
}

Element* StartBlock(const Range& r) {
    Element* b = BlockOf(r.a);
    if (!b) return nullptr;
    Element* li = ListItemOf(b);
    return li ? li : b;
}

// Consecutive items of one list (white space between them allowed) leave it together: the list
// is split around them and each item becomes a DIV in the list's place.
void ItemsToDivs(DocImpl& d, const std::vector<Element*>& items) {
    Element* first = items.front();
    Element* list = first->ParentElement();
    if (!list) return;
    if (!IsListTag(list->TagId())) {
        // items outside any list (stray markup) become DIVs where they are; splitting their
        // parent would split the BODY or a cell
        ReplaceBlocks(d, items, TAG_DIV);
        return;
    }
    Element* holder = list;
    if (first->PreviousSibling()) {
        Element* right = SplitElementAt(d, list, Before(first));
        if (right) holder = right;
    }
    if (items.back()->NextSibling()) SplitElementAt(d, holder, After(items.back()));
    ReplaceBlocks(d, items, TAG_DIV);
    d.UnwrapChildren(holder->Parent(), {holder});
    if (list != holder && list->Parent() && !list->FirstElementChild() && !HasContent(list)) d.DetachNode(list);
}

void RenameList(DocImpl& d, Element* list, int tag) {
    ElementPtr nl = d.NewElement(tag);
    for (const auto& a : list->Attributes())
        if (!IEquals(a.name, L"type") && !IEquals(a.name, L"start")) DocImpl::AttrsOf(nl.get()).push_back(a);
    Node* parent = list->Parent();
    d.InsertNode(parent, list->IndexInParent(), nl);
    d.MoveChildren(list, 0, list->ChildCount(), nl.get(), 0);
    d.DetachNode(list);
}

bool IsWhitespaceNode(const Node* n) {
    if (!n->IsText()) return false;
    for (wchar_t c : n->AsText()->Data())
        if (!IsHtmlSpace(c)) return false;
    return true;
}

// Consecutive siblings (white space between them allowed) form one group.
std::vector<std::vector<Element*>> GroupSiblings(const std::vector<Element*>& items) {
    std::vector<std::vector<Element*>> groups;
    for (Element* e : items) {
        if (!groups.empty()) {
            Element* last = groups.back().back();
            bool adjacent = last->Parent() == e->Parent();
            if (adjacent) {
                for (Node* s = last->NextSibling(); s && s != e; s = s->NextSibling())
                    if (!IsWhitespaceNode(s)) { adjacent = false; break; }
            }
            if (adjacent) { groups.back().push_back(e); continue; }
        }
        groups.push_back({e});
    }
    return groups;
}

void MakeList(DocImpl& d, int tag, LivePos& a, LivePos& b) {
    std::vector<Element*> paras = ListAwareParagraphs(d, a.get(), b.get());
    if (paras.empty()) return;
    bool allSame = true;
    for (Element* p : paras) {
        Element* list = p->Is(TAG_LI) ? p->ParentElement() : nullptr;
        allSame = allSame && list && list->Is(tag);
    }
    if (allSame) {
        for (auto& group : GroupSiblings(paras)) ItemsToDivs(d, group);
        return;
    }
    std::vector<Element*> renamed;
    std::vector<Element*> plain;
    for (Element* p : paras) {
        if (p->Is(TAG_LI)) {
            Element* list = p->ParentElement();
            if (list && IsListTag(list->TagId()) && !list->Is(tag) &&
                std::find(renamed.begin(), renamed.end(), list) == renamed.end()) {
                renamed.push_back(list);
            }
        } else {
            plain.push_back(p);
        }
    }
    for (Element* list : renamed) RenameList(d, list, tag);
    for (auto& group : GroupSiblings(plain)) {
        Node* parent = group.front()->Parent();
        std::vector<Element*> items = ReplaceBlocks(d, group, TAG_LI);
        size_t from = items.front()->IndexInParent(), to = items.back()->IndexInParent() + 1;
        ElementPtr list = d.NewElement(tag);
        d.InsertNode(parent, from, list);
        d.MoveChildren(parent, from + 1, to + 1, list.get(), 0);
    }
}

void Indent(DocImpl& d, LivePos& a, LivePos& b) {
    std::vector<Element*> paras = ListAwareParagraphs(d, a.get(), b.get());
    for (auto& group : GroupSiblings(paras)) {
        Element* first = group.front();
        ElementPtr wrap;
        if (first->Is(TAG_LI) && first->ParentElement() && IsListTag(first->ParentElement()->TagId())) {
            wrap = d.NewElement(first->ParentElement()->TagId());
        } else {
            wrap = d.NewElement(TAG_BLOCKQUOTE);
            DocImpl::AttrsOf(wrap.get()).push_back(Attribute{L"dir", L"ltr"});
            DocImpl::AttrsOf(wrap.get()).push_back(Attribute{L"style", L"margin-right: 0px"});
        }
        // the group is a stretch of siblings: it moves in one step
        Node* parent = first->Parent();
        size_t from = first->IndexInParent(), to = group.back()->IndexInParent() + 1;
        d.InsertNode(parent, from, wrap);
        d.MoveChildren(parent, from + 1, to + 1, wrap.get(), 0);
    }
}

// Takes a stretch of siblings out of their parent, which is split around them.
void LiftOut(DocImpl& d, Node* first, Node* last) {
    Element* holder = first->ParentElement();
    if (!holder) return;
    if (first->PreviousSibling()) {
        Element* right = SplitElementAt(d, holder, Before(first));
        if (right) holder = right;
    }
    if (last->NextSibling()) SplitElementAt(d, holder, After(last));
    d.UnwrapChildren(holder->Parent(), {holder});
}

void Outdent(DocImpl& d, LivePos& a, LivePos& b) {
    // what each paragraph takes out: a list item out of its list (a top-level item becomes a
    // DIV), else the child of the nearest quote that holds it
    struct Lift { Node* child; bool toDiv; };
    std::vector<Lift> lifts;
    std::unordered_set<Node*> seen;
    for (Element* p : ListAwareParagraphs(d, a.get(), b.get())) {
        if (p->Is(TAG_LI)) {
            Element* list = p->ParentElement();
            Element* outer = list ? list->ParentElement() : nullptr;
            bool nested = outer && (IsListTag(outer->TagId()) || outer->Is(TAG_LI));
            if (list) lifts.push_back({p, !nested});
            continue;
        }
        Element* quote = nullptr;
        for (Element* x = p->ParentElement(); x; x = x->ParentElement()) {
            if (x->Is(TAG_BLOCKQUOTE)) { quote = x; break; }
            if (x->Is(TAG_TD) || x->Is(TAG_TH) || x->Is(TAG_BODY)) break;
        }
        if (!quote) continue;
        Node* child = p;
        while (child->Parent() != quote) child = child->Parent();
        if (seen.insert(child).second) lifts.push_back({child, false});
    }
    // neighbouring children of one parent go out together, in one step
    size_t i = 0;
    while (i < lifts.size()) {
        size_t j = i + 1;
        while (j < lifts.size() && lifts[j].toDiv == lifts[i].toDiv &&
               lifts[j].child->Parent() == lifts[j - 1].child->Parent()) {
            bool adjacent = true;
            for (Node* s = lifts[j - 1].child->NextSibling(); s && s != lifts[j].child && adjacent; s = s->NextSibling())
                adjacent = IsWhitespaceNode(s);
            if (!adjacent) break;
            ++j;
        }
        if (lifts[i].toDiv) {
            std::vector<Element*> items;
            for (size_t k = i; k < j; ++k) items.push_back(lifts[k].child->AsElement());
            ItemsToDivs(d, items);
        } else {
            LiftOut(d, lifts[i].child, lifts[j - 1].child);
        }
        i = j;
    }
}

// ---------------------------------------------------------------- clipboard

std::wstring PlainTextToHtml(const std::wstring& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += L"<BR>";
        } else if (c == '\n') {
            out += L"<BR>";
        } else if (c == '&') out += L"&amp;";
        else if (c == '<') out += L"&lt;";
        else if (c == '>') out += L"&gt;";
        else if (c == 0) continue;
        else out.push_back(c);
    }
    return out;
}

bool CopySelection(DocImpl& d) {
    if (!d.clipboard) return false;
    std::wstring html, text;
    if (d.selType == SelectionType::Control && !d.selControls.empty()) {
        for (const auto& e : d.selControls) html += e->OuterHtml();
    } else {
        Range r = CurrentRange(d);
        if (r.collapsed()) return false;
        html = HtmlBetween(r.a, r.b);
        text = TextBetween(r.a, r.b, true);
    }
    return d.clipboard->SetContent(BuildHtmlFormat(html, d.doc->Url()), text);
}

// ---------------------------------------------------------------- autourl

// The word that ends right before `at` (before the separator just typed, when sepTyped) becomes
// a link when it looks like an address.
void DetectUrlBefore(DocImpl& d, Pos at, bool sepTyped) {
    at = Canon(at);
    Pos q = at;
    Node* n = nullptr;
    std::wstring ch;
    if (StepLeft(q, false, &n, 1, &ch) != Context::Text || !n) return;
    TextNode* t = n->AsText();
    size_t end = at.node == t ? at.off : t->Length();
    if (end == 0 || (sepTyped && end < 2)) return;
    size_t wordEnd = sepTyped ? end - 1 : end;
    while (wordEnd > 0 && std::wstring(L".,;:!?)\"'").find(t->Data()[wordEnd - 1]) != std::wstring::npos) --wordEnd;
    size_t wordStart = wordEnd;
    while (wordStart > 0 && !IsHtmlSpace(t->Data()[wordStart - 1]) && t->Data()[wordStart - 1] != 0xA0) --wordStart;
    std::wstring word = t->Data().substr(wordStart, wordEnd - wordStart);
    static const wchar_t* const kPrefixes[] = {L"http://", L"https://", L"ftp://", L"mailto:", L"file://", L"www."};
    const wchar_t* hit = nullptr;
    for (const wchar_t* p : kPrefixes)
        if (IStartsWith(word, p) && word.size() > std::wcslen(p)) { hit = p; break; }
    if (!hit) return;
    for (Element* e = t->ParentElement(); e; e = e->ParentElement())
        if (e->Is(TAG_A)) return;
    std::wstring href = std::wcscmp(hit, L"www.") == 0 ? L"http://" + word : word;
    ElementPtr a = d.NewElement(TAG_A);
    DocImpl::AttrsOf(a.get()).push_back(Attribute{L"href", href});
    WrapRuns(d, a, Pos{t, wordStart}, Pos{t, wordEnd});
}

} // namespace

// ---------------------------------------------------------------- Document: commands

unsigned Document::QueryStatus(int command) {
    DocImpl& d = *impl_;
    Range r = CurrentRange(d);
    bool edit = designMode_ && r.a.node != nullptr;
    unsigned f = CMDF_SUPPORTED;
    auto en = [&](bool on) { if (on) f |= CMDF_ENABLED; };
    auto latch = [&](bool on) { if (on) f |= CMDF_LATCHED; };
    if (const Toggle* t = FindToggle(command)) {
        en(edit);
        if (r.a.node) latch(ToggleLatched(d, *t, r));
        return f;
    }
    switch (command) {
    case CMD_FONTNAME: case CMD_FONTSIZE: case CMD_FORECOLOR: case CMD_BACKCOLOR: case CMD_FONTSIZE_PX:
    case CMD_HORIZONTALLINE: case CMD_INDENT: case CMD_OUTDENT:
        en(edit);
        return f;
    case CMD_JUSTIFYLEFT: case CMD_JUSTIFYCENTER: case CMD_JUSTIFYRIGHT: case CMD_JUSTIFYFULL: {
        en(edit);
        if (Element* blk = r.a.node ? BlockOf(r.a) : nullptr) {
            std::wstring align = ComputedStyle(blk, L"text-align");
            if (align == L"start" || align.empty()) align = L"left";
            latch(align == AlignOf(command));
        }
        return f;
    }
    case CMD_ORDERLIST: case CMD_UNORDERLIST: {
        en(edit);
        Element* blk = r.a.node ? StartBlock(r) : nullptr;
        if (blk && blk->Is(TAG_LI) && blk->ParentElement())
            latch(blk->ParentElement()->Is(command == CMD_ORDERLIST ? TAG_OL : TAG_UL));
        return f;
    }
    case CMD_UNDO: en(designMode_ && !d.undoStack.empty()); return f;
    case CMD_REDO: en(designMode_ && !d.redoStack.empty()); return f;
    case CMD_SELECTALL: en(true); return f;
    case CMD_COPY:
        en(d.clipboard && (d.selType == SelectionType::Control || (r.a.node && !r.collapsed())));
        return f;
    case CMD_CUT:
        en(edit && d.clipboard && (d.selType == SelectionType::Control || !r.collapsed()));
        return f;
    case CMD_PASTE:
        en(edit && d.clipboard && d.clipboard->HasContent());
        return f;
    case CMD_PRINT:
        return f;   // printing needs the layout engine
    case CMD_CLEARSELECTION: en(true); return f;
    case CMD_BROWSEMODE: en(true); latch(!designMode_); return f;
    case CMD_EDITMODE: en(true); latch(designMode_); return f;
    case CMD_VIEWSOURCE: en(true); return f;
    case CMD_AUTOURLDETECT: en(true); latch(d.autoUrlDetect); return f;
    case CMD_DISABLE_EDITFOCUS_UI: en(true); latch(d.disableEditFocusUi); return f;
    case CMD_KEEPSELECTION: en(true); latch(d.keepSelection); return f;
    case CMD_OVERRIDE_CURSOR: en(true); latch(d.overrideCursor); return f;
    default:
        return 0;
    }
}

bool Document::Exec(int command) { return Exec(command, Value(), nullptr); }

Value Document::QueryValue(int command) {
    Value out;
    Exec(command, Value(), &out);
    return out;
}

bool Document::Exec(int command, const Value& in, Value* out) {
    DocImpl& d = *impl_;
    Range r = CurrentRange(d);
    if (out) *out = Value();
    bool query = out && in.IsEmpty();
    // values
    if (query) {
        Element* fe = FormatElement(r);
        switch (command) {
        case CMD_FONTNAME:
            if (const Value* pv = PendingValue(d, command)) { *out = Value(pv->AsText()); return true; }
            if (fe) *out = Value(FirstFamily(ComputedStyle(fe, L"font-family")));
            return true;
        case CMD_FONTSIZE: {
            if (const Value* pv = PendingValue(d, command)) {
                int32_t n;
                if (pv->AsInt(&n)) { *out = Value(n); return true; }
            }
            if (fe) *out = Value(int32_t(PxToHtmlFontSize(ComputedFontSizePx(fe))));
            return true;
        }
        case CMD_FORECOLOR: {
            if (const Value* pv = PendingValue(d, command)) {
                uint32_t rgb;
                if (ColorArgument(*pv, &rgb)) { *out = Value(int32_t(RgbToBgr(rgb))); return true; }
            }
            if (fe) *out = Value(BgrOf(ComputedStyle(fe, L"color")));
            return true;
        }
        case CMD_BACKCOLOR: {
            if (const Value* pv = PendingValue(d, command)) {
                uint32_t rgb;
                if (ColorArgument(*pv, &rgb)) { *out = Value(int32_t(RgbToBgr(rgb))); return true; }
            }
            if (fe) *out = BackColorAt(fe);
            return true;
        }
        case CMD_FONTSIZE_PX:
            if (!r.a.node) return false;
            *out = PixelSizeValue(d, r);
            return true;
        case CMD_AUTOURLDETECT: *out = Value(d.autoUrlDetect); return true;
        case CMD_DISABLE_EDITFOCUS_UI: *out = Value(d.disableEditFocusUi); return true;
        case CMD_KEEPSELECTION: *out = Value(d.keepSelection); return true;
        case CMD_OVERRIDE_CURSOR: *out = Value(d.overrideCursor); return true;
        default:
            if (FindToggle(command)) {
                *out = Value((QueryStatus(command) & CMDF_LATCHED) != 0);
                return true;
            }
            break;
        }
    }
    auto flag = [&](bool& option) {
        int32_t n = 1;
        if (!in.IsEmpty() && !in.AsInt(&n)) n = (in.kind == Value::Kind::Text && IEquals(Trim(in.text), L"true")) ? 1 : 0;
        option = n != 0;
        return true;
    };
    switch (command) {
    case CMD_AUTOURLDETECT: return flag(d.autoUrlDetect);
    case CMD_DISABLE_EDITFOCUS_UI: return flag(d.disableEditFocusUi);
    case CMD_KEEPSELECTION: return flag(d.keepSelection);
    case CMD_OVERRIDE_CURSOR: return flag(d.overrideCursor);
    case CMD_BROWSEMODE: designMode_ = false; return true;
    case CMD_EDITMODE: designMode_ = true; return true;
    case CMD_VIEWSOURCE: return false;   // the editor shows its own source view
    case CMD_PRINT: return false;
    case CMD_SELECTALL: {
        Element* body = Body();
        if (!body) return false;
        d.SetSelection(Pos{body, 0}, Pos{body, body->ChildCount()});
        if (d.selStart.Compare(d.selEnd) == 0) d.selType = SelectionType::None;
        return true;
    }
    case CMD_CLEARSELECTION:
        GetSelection().Empty();
        return true;
    case CMD_COPY:
        return CopySelection(d);
    case CMD_UNDO:
        return designMode_ && d.Undo();
    case CMD_REDO:
        return designMode_ && d.Redo();
    default:
        break;
    }
    // everything below changes the document
    if (!designMode_ || !r.a.node) return false;
    if (const Toggle* t = FindToggle(command)) {
        if (r.collapsed()) {
            d.pending.push_back(PendingFormat{command, Value()});
            return true;
        }
        bool on = (QueryStatus(command) & CMDF_LATCHED) != 0;
        DocImpl::Batch batch(d);
        d.BeginUnit(t->unitName);
        {
            LivePos a(this, r.a, Gravity::Left), b(this, r.b, Gravity::Right);
            if (on) RemoveToggle(d, *t, a, b);
            else ApplyToggle(d, *t, a, b);
            d.SetSelection(a.get(), b.get());
        }
        d.EndUnit();
        return true;
    }
    if (const FontFormat* ff = FindFontFormat(command)) {
        std::wstring value;
        if (!FontArgument(*ff, in, &value)) return false;
        if (r.collapsed()) {
            d.pending.push_back(PendingFormat{command, in});
            return true;
        }
        DocImpl::Batch batch(d);
        d.BeginUnit(ff->unitName);
        {
            LivePos a(this, r.a, Gravity::Left), b(this, r.b, Gravity::Right);
            ApplyFontFormat(d, *ff, value, a, b);
            d.SetSelection(a.get(), b.get());
        }
        d.EndUnit();
        return true;
    }
    switch (command) {
    case CMD_FONTSIZE_PX: {
        int32_t px;
        if (in.kind != Value::Kind::Int || (px = in.i) <= 0 || px > 1000) return false;
        if (r.collapsed()) {
            d.pending.push_back(PendingFormat{command, Value(std::to_wstring(px))});
            return true;
        }
        // the size goes on the FONT elements of the selection (not on the whole block around it)
        DocImpl::Batch batch(d);
        d.BeginUnit(L"Font Size");
        {
            LivePos a(this, r.a, Gravity::Left), b(this, r.b, Gravity::Right);
            const FontFormat* sizeFormat = FindFontFormat(CMD_FONTSIZE);
            std::wstring css = std::to_wstring(px) + L"px";
            for (Element* w : ApplyFontFormat(d, *sizeFormat, L"7", a, b)) {
                // a read-only island (the check box's SPAN and its INPUT) keeps its markup as it
                // is: the stored form of a check box is found by that exact text; the island
                // takes the size from the wrapper around it
                std::vector<Element*> all{w};
                for (Node* n = w->NextInOrder(w); n;) {
                    Element* e = n->AsElement();
                    if (e && IEquals(e->GetAttribute(L"contenteditable"), L"false")) {
                        n = n->NextSkippingChildren(w);
                        continue;
                    }
                    if (e) all.push_back(e);
                    n = n->NextInOrder(w);
                }
                for (Element* e : all) {
                    if (e->Is(TAG_FONT) && !e->GetAttribute(L"size").empty()) d.SetAttr(e, L"size", nullptr);
                    std::wstring nc = SetDeclaration(e->GetAttribute(L"style"), L"font-size", css);
                    d.SetAttr(e, L"style", &nc);
                }
            }
            d.SetSelection(a.get(), b.get());
        }
        d.EndUnit();
        return true;
    }
    case CMD_JUSTIFYLEFT: case CMD_JUSTIFYCENTER: case CMD_JUSTIFYRIGHT: case CMD_JUSTIFYFULL: {
        DocImpl::Batch batch(d);
        d.BeginUnit(L"Justify");
        {
            LivePos a(this, r.a, Gravity::Left), b(this, r.b, Gravity::Right);
            std::wstring value = AlignOf(command);
            for (Element* p : Paragraphs(d, a.get(), b.get())) {
                d.SetAttr(p, L"align", &value);
                std::wstring css = p->GetAttribute(L"style");
                if (!FindDeclaration(css, L"text-align").empty()) {
                    std::wstring nc = SetDeclaration(css, L"text-align", L"");
                    d.SetAttr(p, L"style", nc.empty() ? nullptr : &nc);
                }
            }
            d.SetSelection(a.get(), b.get());
        }
        d.EndUnit();
        return true;
    }
    case CMD_ORDERLIST: case CMD_UNORDERLIST: case CMD_INDENT: case CMD_OUTDENT: {
        DocImpl::Batch batch(d);
        d.BeginUnit(command == CMD_INDENT ? L"Indent" : command == CMD_OUTDENT ? L"Outdent" : L"List");
        {
            LivePos a(this, r.a, Gravity::Left), b(this, r.b, Gravity::Right);
            if (command == CMD_INDENT) Indent(d, a, b);
            else if (command == CMD_OUTDENT) Outdent(d, a, b);
            else MakeList(d, command == CMD_ORDERLIST ? TAG_OL : TAG_UL, a, b);
            d.SetSelection(a.get(), b.get());
        }
        d.EndUnit();
        return true;
    }
    case CMD_HORIZONTALLINE: {
        DocImpl::Batch batch(d);
        d.BeginUnit(L"Horizontal Line");
        Pos at = EditablePos(this, DeleteForEditing(d, r.a, r.b));
        std::vector<NodePtr> hr{d.NewElement(TAG_HR)};
        Pos after = InsertNodesAt(d, at, hr);
        d.SetSelection(after, after);
        d.EndUnit();
        return true;
    }
    case CMD_CUT: {
        if (!CopySelection(d)) return false;
        DocImpl::Batch batch(d);
        d.BeginUnit(L"Cut");
        if (d.selType == SelectionType::Control) {
            auto controls = d.selControls;
            for (auto& e : controls)
                if (e->Parent()) d.DetachNode(e.get());
            Range rr = CurrentRange(d);
            d.SetSelection(rr.a, rr.a);
        } else {
            Pos at = DeleteForEditing(d, r.a, r.b);
            d.SetSelection(at, at);
        }
        d.selType = SelectionType::None;
        d.EndUnit();
        return true;
    }
    case CMD_PASTE: {
        if (!d.clipboard) return false;
        std::string raw;
        std::wstring html;
        if (!(d.clipboard->GetHtmlFormat(&raw) && ExtractHtmlFragment(raw, &html))) {
            std::wstring text;
            if (!d.clipboard->GetUnicodeText(&text)) return false;
            html = PlainTextToHtml(text);
        }
        DocImpl::Batch batch(d);
        d.BeginUnit(L"Paste");
        if (d.selType == SelectionType::Control) {
            auto controls = d.selControls;
            for (size_t i = 1; i < controls.size(); ++i)
                if (controls[i]->Parent()) d.DetachNode(controls[i].get());
            if (!controls.empty() && controls[0]->Parent()) {
                Pos at = Before(controls[0].get());
                LivePos keep(this, at, Gravity::Left);
                d.DetachNode(controls[0].get());
                r.a = r.b = keep.get();
            }
        }
        MarkupPointer s(this), e(this);
        d.Place(s, r.a);
        d.Place(e, r.b);
        ReplaceRangeWithHtml(*this, s, e, html);
        d.SetSelection(DocImpl::PosOf(e), DocImpl::PosOf(e));
        d.selType = SelectionType::None;
        d.EndUnit();
        return true;
    }
    default:
        return false;
    }
}

// ---------------------------------------------------------------- typing

bool Document::TypeText(const std::wstring& text) {
    DocImpl& d = *impl_;
    if (!designMode_ || text.empty()) return false;
    Range r = CurrentRange(d);
    if (!r.a.node) return false;
    std::vector<PendingFormat> pending = d.pending;
    DocImpl::Batch batch(d);
    d.BeginUnit(L"Typing");
    d.current.typing = true;
    if (d.selType == SelectionType::Control) {
        auto controls = d.selControls;
        LivePos keep(this, r.a, Gravity::Left);
        for (auto& e : controls)
            if (e->Parent()) d.DetachNode(e.get());
        r.a = r.b = keep.get();
    }
    Pos at = EditablePos(this, r.collapsed() ? r.a : DeleteForEditing(d, r.a, r.b));
    LivePos start(this, at, Gravity::Left);
    Pos after = InsertTextAt(d, at, text);
    LivePos end(this, after, Gravity::Right);
    for (const auto& pf : pending) {
        if (const Toggle* t = FindToggle(pf.command)) {
            Range ins{start.get(), end.get()};
            if (ToggleLatched(d, *t, ins)) RemoveToggle(d, *t, start, end);
            else ApplyToggle(d, *t, start, end);
        } else if (const FontFormat* ff = FindFontFormat(pf.command)) {
            std::wstring value;
            if (FontArgument(*ff, pf.value, &value)) ApplyFontFormat(d, *ff, value, start, end);
        } else if (pf.command == CMD_FONTSIZE_PX) {
            ElementPtr span = d.NewElement(TAG_SPAN);
            DocImpl::AttrsOf(span.get()).push_back(Attribute{L"style", L"font-size: " + pf.value.AsText() + L"px"});
            WrapRuns(d, span, start.get(), end.get());
        }
    }
    if (d.autoUrlDetect && text.size() == 1 && (IsHtmlSpace(text[0]) || text[0] == 0xA0)) DetectUrlBefore(d, end.get(), true);
    // the caret stays inside the formatting of the typed text
    Pos caret = end.get();
    {
        Pos q = caret;
        Node* n = nullptr;
        if (StepLeft(q, false, &n, 0, nullptr) == Context::EnterScope && n && n->IsElement() &&
            !n->AsElement()->IsBlock() && !pending.empty())
            caret = Canon(Pos{n, n->ChildCount()});
    }
    d.SetSelection(end.get(), end.get());
    if (!pending.empty()) d.Place(d.selStart, caret), d.Place(d.selEnd, caret);
    d.selType = SelectionType::None;
    d.EndUnit();
    return true;
}

bool Document::InsertLineBreak() {
    DocImpl& d = *impl_;
    if (!designMode_) return false;
    Range r = CurrentRange(d);
    if (!r.a.node) return false;
    DocImpl::Batch batch(d);
    d.BeginUnit(L"Line Break");
    Pos at = EditablePos(this, DeleteForEditing(d, r.a, r.b));
    std::vector<NodePtr> br{d.NewElement(TAG_BR)};
    Pos after = InsertNodesAt(d, at, br);
    d.SetSelection(after, after);
    d.selType = SelectionType::None;
    d.EndUnit();
    return true;
}

bool Document::InsertParagraph() {
    DocImpl& d = *impl_;
    if (!designMode_) return false;
    Range r = CurrentRange(d);
    if (!r.a.node) return false;
    DocImpl::Batch batch(d);
    d.BeginUnit(L"Enter");
    Pos at = EditablePos(this, DeleteForEditing(d, r.a, r.b));
    LivePos caret(this, at, Gravity::Right);
    if (d.autoUrlDetect) DetectUrlBefore(d, caret.get(), false);
    Element* block = BlockOf(caret.get());
    bool isParagraph = block && !block->Is(TAG_BODY) && !block->Is(TAG_TD) && !block->Is(TAG_TH) &&
                       !block->Is(TAG_BLOCKQUOTE) && !IsListTag(block->TagId()) && !block->Is(TAG_TABLE) &&
                       !block->Is(TAG_TBODY) && !block->Is(TAG_TR) && !block->Is(TAG_FORM);
    if (!isParagraph) {
        LivePos a(this, caret.get(), Gravity::Left);
        auto paras = Paragraphs(d, a.get(), a.get());
        block = paras.empty() ? nullptr : paras.front();
        if (!block) { d.EndUnit(); return false; }
    }
    Element* second = SplitElementAt(d, block, caret.get());
    if (second && second->TagId() >= TAG_H1 && second->TagId() <= TAG_H6 && !HasContent(second)) {
        ElementPtr div = d.NewElement(TAG_DIV);
        d.InsertNode(second->Parent(), second->IndexInParent(), div);
        d.DetachNode(second);
        second = div.get();
    }
    Pos next = second ? DescendToStart(Canon(Pos{second, 0})) : caret.get();
    d.SetSelection(next, next);
    d.selType = SelectionType::None;
    d.EndUnit();
    return true;
}

namespace {
// One step of deletion to the left (right) of the caret: the character, object or block
// boundary that Backspace (Delete) removes. Returns the other end of what goes.
bool DeletionTarget(Pos caret, bool backward, Pos* other) {
    Pos q = caret;
    for (int guard = 0; guard < 10000; ++guard) {
        Node* n = nullptr;
        std::wstring ch;
        Pos before = q;
        Context c = backward ? StepLeft(q, true, &n, 1, &ch) : StepRight(q, true, &n, 1, &ch);
        switch (c) {
        case Context::None:
            return false;
        case Context::Text:
            if (sizeof(wchar_t) == 2 && !ch.empty()) {
                // keep surrogate pairs together
                wchar_t x = ch[0];
                bool pair = backward ? (x >= 0xDC00 && x <= 0xDFFF) : (x >= 0xD800 && x <= 0xDBFF);
                if (pair) {
                    Pos q2 = q;
                    std::wstring ch2;
                    Node* n2 = nullptr;
                    if ((backward ? StepLeft(q2, true, &n2, 1, &ch2) : StepRight(q2, true, &n2, 1, &ch2)) == Context::Text)
                        q = q2;
                }
            }
            *other = q;
            return true;
        case Context::NoScope:
            *other = q;
            return true;
        case Context::EnterScope:
        case Context::ExitScope: {
            Element* e = n ? n->AsElement() : nullptr;
            if (!e) continue;
            if (e->Is(TAG_BODY) || e->Is(TAG_TD) || e->Is(TAG_TH) || e->Is(TAG_HTML) || e->Is(TAG_TABLE) ||
                e->Is(TAG_TR) || e->Is(TAG_TBODY) || e->Is(TAG_CAPTION))
                return false;   // never across the edge of the body or a cell
            if (e->IsBlock()) {
                // crossing into another paragraph: only the boundary goes (the blocks join)
                Pos land = q;
                for (int g2 = 0; g2 < 1000; ++g2) {
                    Pos t = land;
                    Node* m = nullptr;
                    Context c2 = backward ? StepLeft(t, false, &m, 0, nullptr) : StepRight(t, false, &m, 0, nullptr);
                    if ((c2 == Context::EnterScope || c2 == Context::ExitScope) && m && m->IsElement() &&
                        !m->AsElement()->Is(TAG_BODY) && !m->AsElement()->Is(TAG_TD) && !m->AsElement()->Is(TAG_TH)) {
                        if (backward) StepLeft(land, true, nullptr, 0, nullptr);
                        else StepRight(land, true, nullptr, 0, nullptr);
                        continue;
                    }
                    break;
                }
                (void)before;
                // nothing beyond this block up to the edge of the body or cell: nothing to join
                Pos peek = land;
                Node* m = nullptr;
                Context c3 = backward ? StepLeft(peek, false, &m, 0, nullptr) : StepRight(peek, false, &m, 0, nullptr);
                if (c3 == Context::None ||
                    ((c3 == Context::EnterScope || c3 == Context::ExitScope) && m && m->IsElement() &&
                     (m->AsElement()->Is(TAG_BODY) || m->AsElement()->Is(TAG_TD) || m->AsElement()->Is(TAG_TH) ||
                      m->AsElement()->Is(TAG_HTML))))
                    return false;
                *other = land;
                return true;
            }
            if (IEquals(e->GetAttribute(L"contenteditable"), L"false") && e->Parent()) {
                // a read-only island (the check box's SPAN) goes as one object
                size_t i = e->IndexInParent();
                *other = Canon(Pos{e->Parent(), backward ? i : i + 1});
                return true;
            }
            continue;   // inline tags are passed over
        }
        }
    }
    return false;
}

// Backspace (backward) or Delete: a control selection or a range goes as a whole, a collapsed
// caret loses the one step DeletionTarget finds on that side.
bool DeleteAtCaret(Document* doc, bool backward) {
    DocImpl& d = doc->Impl();
    if (!doc->DesignMode()) return false;
    Range r = CurrentRange(d);
    if (!r.a.node) return false;
    DocImpl::Batch batch(d);
    d.BeginUnit(L"Delete");
    Pos caret;
    if (d.selType == SelectionType::Control) {
        LivePos keep(doc, r.a, Gravity::Left);
        for (auto& e : std::vector<ElementPtr>(d.selControls))
            if (e->Parent()) d.DetachNode(e.get());
        caret = keep.get();
    } else if (!r.collapsed()) {
        caret = DeleteForEditing(d, r.a, r.b);
    } else {
        Pos other;
        caret = r.a;
        if (DeletionTarget(r.a, backward, &other))
            caret = backward ? DeleteForEditing(d, other, r.a) : DeleteForEditing(d, r.a, other);
    }
    d.SetSelection(caret, caret);
    d.selType = SelectionType::None;
    d.EndUnit();
    return true;
}
}

bool Document::DeleteBackward() {
    return DeleteAtCaret(this, true);
}

bool Document::DeleteForward() {
    return DeleteAtCaret(this, false);
}

} // namespace HtmlEngine
