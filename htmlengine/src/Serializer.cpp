// Markup and text of nodes. The markup is what the program's own code matches on: upper-case tag
// names, attributes in stored order with their stored names ("style" and "class" lower case,
// "contentEditable", "colSpan", "rowSpan"), values unquoted when they are a plain token, else in
// double quotes (style, src and href always quoted), text with &amp; &lt; &gt; and &nbsp;.
#include "Serializer.h"
#include "htmlengine/Style.h"
#include "TextUtil.h"

namespace HtmlEngine {

namespace {

bool IsRawContent(const Element* e) {
    switch (e->TagId()) {
    case TAG_SCRIPT: case TAG_STYLE: case TAG_XMP: case TAG_IFRAME: case TAG_NOEMBED:
    case TAG_NOFRAMES: case TAG_PLAINTEXT:
        return true;
    default:
        return false;
    }
}

bool IsBooleanAttribute(const std::wstring& name) {
    static const wchar_t* const kNames[] = {L"checked", L"disabled", L"selected", L"readonly",
                                            L"multiple", L"nowrap", L"compact", L"noshade",
                                            L"ismap", L"defer", L"noresize", L"declare"};
    for (const wchar_t* n : kNames)
        if (IEquals(name, n)) return true;
    return false;
}

bool IsPlainToken(const std::wstring& v) {
    if (v.empty()) return false;
    for (wchar_t c : v) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '-' || c == '_' || c == '.' || c == '#' || c == '%';
        if (!ok) return false;
    }
    return true;
}

void AppendEscapedText(std::wstring& out, const std::wstring& text) {
    for (wchar_t c : text) {
        switch (c) {
        case '&': out += L"&amp;"; break;
        case '<': out += L"&lt;"; break;
        case '>': out += L"&gt;"; break;
        case 0xA0: out += L"&nbsp;"; break;
        case '\r': out += L"&#13;"; break;   // a bare one would read back as a line feed
        default: out.push_back(c);
        }
    }
}

// Text of a raw-text element as it stands, except that its own end tag inside it (text set
// through the DOM) is written "<\/name": read back, it no longer ends the element early. For
// style sheets and scripts the backslash changes nothing of the meaning.
void AppendRawText(std::wstring& out, const std::wstring& text, const std::wstring& tagName) {
    size_t from = 0;
    for (size_t k = text.find(L"</"); k != std::wstring::npos; k = text.find(L"</", k + 2)) {
        size_t m = k + 2, n = tagName.size();
        if (m + n > text.size()) break;
        bool same = true;
        for (size_t q = 0; q < n && same; ++q) same = FoldCase(text[m + q]) == FoldCase(tagName[q]);
        wchar_t after = m + n < text.size() ? text[m + n] : L'>';
        if (!same || !(IsHtmlSpace(after) || after == '/' || after == '>')) continue;
        out.append(text, from, k + 1 - from);
        out.push_back('\\');
        from = k + 1;
    }
    out.append(text, from, std::wstring::npos);
}

void AppendAttribute(std::wstring& out, const Attribute& a, bool nextStartsWithEquals) {
    out.push_back(' ');
    out += a.name;
    // a boolean attribute is written bare: CHECKED="checked" and checked are one state (unless
    // the next name begins with "=", which would then read as its value)
    if ((a.value.empty() || IEquals(a.value, a.name)) && IsBooleanAttribute(a.name) && !nextStartsWithEquals) return;
    out.push_back('=');
    bool quote = !IsPlainToken(a.value) || IEquals(a.name, L"style") || IEquals(a.name, L"src") ||
                 IEquals(a.name, L"href");
    if (!quote) { out += a.value; return; }
    out.push_back('"');
    for (wchar_t c : a.value) {
        if (c == '&') out += L"&amp;";
        else if (c == '"') out += L"&quot;";
        else if (c == '\r') out += L"&#13;";
        else out.push_back(c);
    }
    out.push_back('"');
}

void AppendStartTag(std::wstring& out, const Element* e) {
    out.push_back('<');
    out += e->TagName();
    const auto& attrs = e->Attributes();
    for (size_t i = 0; i < attrs.size(); ++i)
        AppendAttribute(out, attrs[i], i + 1 < attrs.size() && !attrs[i + 1].name.empty() && attrs[i + 1].name[0] == '=');
    out.push_back('>');
}

// Iterative, so that the depth of a tree never matters.
void SerializeChildren(std::wstring& out, const Node* root) {
    struct Frame { const Node* node; size_t next; };
    std::vector<Frame> stack;
    stack.push_back({root, 0});
    while (!stack.empty()) {
        Frame& f = stack.back();
        const Node* parent = f.node;
        if (f.next >= parent->ChildCount()) {
            stack.pop_back();
            if (!stack.empty() && parent->IsElement()) {
                out += L"</";
                out += parent->AsElement()->TagName();
                out.push_back('>');
            }
            continue;
        }
        const Node* child = parent->ChildAt(f.next++);
        switch (child->Type()) {
        case NodeType::Text: {
            const Element* pe = parent->IsElement() ? parent->AsElement() : nullptr;
            if (pe && IsRawContent(pe)) AppendRawText(out, child->AsText()->Data(), pe->TagName());
            else AppendEscapedText(out, child->AsText()->Data());
            break;
        }
        case NodeType::Comment:
        case NodeType::Doctype:
            out += static_cast<const CommentNode*>(child)->Markup();
            break;
        case NodeType::Element: {
            const Element* e = child->AsElement();
            AppendStartTag(out, e);
            if (e->IsVoid()) break;
            if (IsRawContent(e)) {
                // one text, however many nodes hold it, so that no end tag forms across them
                std::wstring text;
                StyleSheet* sheet = e->Is(TAG_STYLE) ? const_cast<Element*>(e)->Sheet() : nullptr;
                if (sheet && sheet->IsModified()) text = sheet->CssText();
                else
                    for (const auto& c : e->Children())
                        if (c->IsText()) text += c->AsText()->Data();
                AppendRawText(out, text, e->TagName());
                out += L"</";
                out += e->TagName();
                out.push_back('>');
                break;
            }
            if ((e->Is(TAG_PRE) || e->Is(TAG_TEXTAREA) || e->Is(TAG_LISTING)) && e->FirstChild() &&
                e->FirstChild()->IsText() && !e->FirstChild()->AsText()->Data().empty() &&
                e->FirstChild()->AsText()->Data()[0] == '\n')
                out.push_back('\n');   // the parser drops one leading line feed
            stack.push_back({e, 0});
            break;
        }
        default:
            break;
        }
    }
}

} // namespace

std::wstring EscapeText(const std::wstring& text) {
    std::wstring out;
    AppendEscapedText(out, text);
    return out;
}

std::wstring SerializeNode(const Node* node, bool outer) {
    std::wstring out;
    if (!node) return out;
    switch (node->Type()) {
    case NodeType::Text:
        AppendEscapedText(out, node->AsText()->Data());
        return out;
    case NodeType::Comment:
    case NodeType::Doctype:
        return outer ? static_cast<const CommentNode*>(node)->Markup() : std::wstring();
    case NodeType::Element:
        if (outer) {
            const Element* e = node->AsElement();
            AppendStartTag(out, e);
            if (e->IsVoid()) return out;
            SerializeChildren(out, node);
            out += L"</";
            out += e->TagName();
            out.push_back('>');
            return out;
        }
        SerializeChildren(out, node);
        return out;
    case NodeType::Document:
        SerializeChildren(out, node);
        return out;
    }
    return out;
}

void AppendStartTagMarkup(std::wstring& out, const Element* e) { AppendStartTag(out, e); }

// ---------------------------------------------------------------- inner text

namespace {
bool HiddenContent(const Element* e) {
    switch (e->TagId()) {
    case TAG_SCRIPT: case TAG_STYLE: case TAG_HEAD: case TAG_TITLE: case TAG_NOSCRIPT:
    case TAG_NOFRAMES: case TAG_NOEMBED:
        return true;
    default:
        return false;
    }
}

struct TextWriter {
    std::wstring out;
    bool pendingBreak = false;
    bool lastSpace = true;   // at a line start nothing counts as a space to keep

    void Break() {
        if (!out.empty()) pendingBreak = true;
    }
    void HardBreak() {
        while (!out.empty() && out.back() == ' ') out.pop_back();
        pendingBreak = false;
        out += L"\r\n";
        lastSpace = true;
    }
    void Text(const std::wstring& s, bool pre) {
        for (wchar_t c : s) {
            if (!pre && IsHtmlSpace(c)) {
                if (lastSpace) continue;
                Flush();
                out.push_back(' ');
                lastSpace = true;
                continue;
            }
            Flush();
            if (pre && c == '\n') { out += L"\r\n"; lastSpace = true; continue; }
            out.push_back(c);
            lastSpace = false;
        }
    }
    void Flush() {
        if (pendingBreak) {
            while (!out.empty() && out.back() == ' ') out.pop_back();
            out += L"\r\n";
            pendingBreak = false;
            lastSpace = true;
        }
    }
};
}

std::wstring InnerTextOf(const Node* root, size_t limit) {
    // what is written last may still change (spaces dropped before a line break, a break
    // waiting for text), so a limited walk reads a little further than the limit
    const size_t kSettle = 64;
    size_t enough = limit > std::wstring::npos - kSettle ? limit : limit + kSettle;
    TextWriter w;
    struct Frame { const Node* node; size_t next; };
    std::vector<Frame> stack;
    stack.push_back({root, 0});
    int preDepth = 0;
    auto isPre = [](const Node* n) {
        return n->IsElement() && (n->AsElement()->Is(TAG_PRE) || n->AsElement()->Is(TAG_TEXTAREA) ||
                                  n->AsElement()->Is(TAG_XMP) || n->AsElement()->Is(TAG_LISTING) ||
                                  n->AsElement()->Is(TAG_PLAINTEXT));
    };
    if (isPre(root)) ++preDepth;
    while (!stack.empty()) {
        if (w.out.size() >= enough) return w.out.substr(0, limit);
        Frame& f = stack.back();
        const Node* parent = f.node;
        if (f.next >= parent->ChildCount()) {
            stack.pop_back();
            if (parent != root && parent->IsElement()) {
                const Element* e = parent->AsElement();
                if (isPre(e)) --preDepth;
                if (e->IsBlock()) w.Break();
                if (e->Is(TAG_TD) || e->Is(TAG_TH)) {
                    if (e->NextElementSibling()) { w.Flush(); w.out.push_back('\t'); w.lastSpace = true; }
                }
            }
            continue;
        }
        const Node* child = parent->ChildAt(f.next++);
        if (child->IsText()) {
            w.Text(child->AsText()->Data(), preDepth > 0);
        } else if (child->IsElement()) {
            const Element* e = child->AsElement();
            if (HiddenContent(e)) continue;
            if (e->Is(TAG_BR)) { w.HardBreak(); continue; }
            if (e->IsBlock()) w.Break();
            if (e->IsVoid()) continue;
            if (isPre(e)) ++preDepth;
            stack.push_back({e, 0});
        }
    }
    while (!w.out.empty() && w.out.back() == ' ') w.out.pop_back();
    if (w.out.size() > limit) w.out.resize(limit);
    return w.out;
}

} // namespace HtmlEngine
