#include "Parser.h"
#include <algorithm>
#include "DocImpl.h"
#include "Entities.h"
#include "Serializer.h"
#include "TextUtil.h"

namespace HtmlEngine {

namespace {

bool IsAsciiAlpha(wchar_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiAlnum(wchar_t c) { return IsAsciiAlpha(c) || (c >= '0' && c <= '9'); }

// Windows-1252 meanings of the C1 range in numeric references (&#150; is a dash).
const unsigned short kC1[32] = {
    0x20AC, 0x81, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D, 0x017D, 0x8F, 0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
    0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D, 0x017E, 0x0178};

// Decodes one reference at s[i] == '&'; appends the result and returns the characters used.
size_t DecodeOne(const std::wstring& s, size_t i, bool inAttribute, std::wstring& out) {
    size_t n = s.size();
    if (i + 1 < n && s[i + 1] == '#') {
        size_t j = i + 2;
        bool hex = j < n && (s[j] == 'x' || s[j] == 'X');
        if (hex) ++j;
        size_t start = j;
        unsigned long v = 0;
        bool overflow = false;
        while (j < n) {
            wchar_t c = s[j];
            int d = (c >= '0' && c <= '9') ? c - '0'
                  : (hex && c >= 'a' && c <= 'f') ? c - 'a' + 10
                  : (hex && c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
            if (d < 0) break;
            if (!overflow) {
                v = v * (hex ? 16 : 10) + unsigned(d);
                if (v > 0x10FFFF) overflow = true;
            }
            ++j;
        }
        if (j == start) { out.push_back('&'); return 1; }
        if (j < n && s[j] == ';') ++j;
        if (overflow || v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) v = 0xFFFD;
        else if (v >= 0x80 && v <= 0x9F) v = kC1[v - 0x80];
        AppendCodePoint(out, v);
        return j - i;
    }
    unsigned cp = 0;
    bool semi = false;
    size_t used = MatchNamedEntity(s.data() + i + 1, n - i - 1, &cp, &semi);
    if (used == 0) { out.push_back('&'); return 1; }
    if (!semi && inAttribute) {
        size_t after = i + 1 + used;
        if (after < n && (s[after] == '=' || IsAsciiAlnum(s[after]))) { out.push_back('&'); return 1; }
    }
    AppendCodePoint(out, cp);
    return used + 1;
}

struct Token {
    enum Type { Eof, Start, End, Text, Comment, Doctype } type = Eof;
    std::wstring name;   // lower case
    std::vector<Attribute> attrs;
    bool selfClosing = false;
    std::wstring data;   // text, or the verbatim markup of a comment / doctype
};

class Tokenizer {
public:
    explicit Tokenizer(const std::wstring& input) : s_(input) {}

    // Raw text up to "</name" follows (SCRIPT, STYLE, ...); rcdata decodes references.
    void SetRawText(const std::wstring& name, bool rcdata) { rawEnd_ = name; rcdata_ = rcdata; raw_ = true; }

    bool Next(Token& t) {
        t = Token();
        size_t n = s_.size();
        if (i_ >= n) { t.type = Token::Eof; return false; }
        if (raw_) {
            raw_ = false;
            size_t end = FindRawEnd();
            t.type = Token::Text;
            std::wstring chunk = s_.substr(i_, end - i_);
            t.data = rcdata_ ? DecodeEntities(chunk, false) : chunk;
            i_ = end;
            if (!t.data.empty()) return true;
            return Next(t);
        }
        if (s_[i_] == '<') {
            if (TagOrMarkup(t)) return true;
        }
        // text up to the next '<'
        t.type = Token::Text;
        size_t j = i_;
        if (s_[j] == '<') { t.data.push_back('<'); ++j; }
        while (j < n && s_[j] != '<') {
            if (s_[j] == '&') j += DecodeOne(s_, j, false, t.data);
            else t.data.push_back(s_[j++]);
        }
        i_ = j;
        return true;
    }

private:
    size_t FindRawEnd() {
        size_t n = s_.size(), j = i_;
        while (j < n) {
            size_t k = s_.find(L"</", j);
            if (k == std::wstring::npos) return n;
            size_t m = k + 2;
            if (m + rawEnd_.size() <= n) {
                bool same = true;
                for (size_t q = 0; q < rawEnd_.size() && same; ++q)
                    same = FoldCase(s_[m + q]) == rawEnd_[q];
                size_t after = m + rawEnd_.size();
                if (same && (after == n || IsHtmlSpace(s_[after]) || s_[after] == '/' || s_[after] == '>'))
                    return k;
            }
            j = k + 2;
        }
        return n;
    }

    // At '<': a tag, comment or declaration; false when the '<' is text.
    bool TagOrMarkup(Token& t) {
        size_t n = s_.size(), j = i_ + 1;
        if (j >= n) return false;
        wchar_t c = s_[j];
        if (IsAsciiAlpha(c)) { StartTag(t, j); return true; }
        if (c == '/') {
            if (j + 1 < n && IsAsciiAlpha(s_[j + 1])) { EndTag(t, j + 1); return true; }
            if (j + 1 < n && s_[j + 1] == '>') { i_ = j + 2; t.type = Token::Text; return true; }   // "</>"
            if (j + 1 >= n) return false;
            Bogus(t, i_);
            return true;
        }
        if (c == '!') {
            if (s_.compare(j, 3, L"!--") == 0) { CommentTok(t, j + 3); return true; }
            Bogus(t, i_);
            if (t.data.size() >= 9 && IStartsWith(t.data.substr(2), L"doctype")) t.type = Token::Doctype;
            return true;
        }
        if (c == '?') { Bogus(t, i_); return true; }
        return false;
    }

    void Bogus(Token& t, size_t from) {
        size_t k = s_.find('>', from);
        size_t end = k == std::wstring::npos ? s_.size() : k + 1;
        t.type = Token::Comment;
        t.data = s_.substr(from, end - from);
        if (k == std::wstring::npos) t.data += L">";
        i_ = end;
    }

    void CommentTok(Token& t, size_t j) {
        size_t n = s_.size();
        t.type = Token::Comment;
        if (j < n && s_[j] == '>') { t.data = L"<!---->"; i_ = j + 1; return; }
        if (j + 1 < n && s_[j] == '-' && s_[j + 1] == '>') { t.data = L"<!---->"; i_ = j + 2; return; }
        size_t k = j;
        for (;;) {
            k = s_.find(L"--", k);
            if (k == std::wstring::npos) {
                t.data = L"<!--" + s_.substr(j) + L"-->";
                i_ = n;
                return;
            }
            if (k + 2 < n && s_[k + 2] == '>') { t.data = L"<!--" + s_.substr(j, k - j) + L"-->"; i_ = k + 3; return; }
            if (k + 3 < n && s_[k + 2] == '!' && s_[k + 3] == '>') {
                t.data = L"<!--" + s_.substr(j, k - j) + L"-->";
                i_ = k + 4;
                return;
            }
            ++k;
        }
    }

    size_t ReadName(size_t j, std::wstring& name) {
        size_t n = s_.size();
        while (j < n && !IsHtmlSpace(s_[j]) && s_[j] != '/' && s_[j] != '>') {
            wchar_t c = s_[j++];
            if (c >= 'A' && c <= 'Z') c = wchar_t(c + 32);
            if (c == 0) c = 0xFFFD;
            name.push_back(c);
        }
        return j;
    }

    void StartTag(Token& t, size_t j) {
        t.type = Token::Start;
        j = ReadName(j, t.name);
        j = Attributes(t, j);
        i_ = j;
    }

    void EndTag(Token& t, size_t j) {
        t.type = Token::End;
        j = ReadName(j, t.name);
        Token ignored;
        i_ = Attributes(ignored, j);
    }

    size_t Attributes(Token& t, size_t j) {
        size_t n = s_.size();
        while (j < n) {
            while (j < n && (IsHtmlSpace(s_[j]) || s_[j] == '/')) {
                if (s_[j] == '/' && j + 1 < n && s_[j + 1] == '>') t.selfClosing = true;
                ++j;
            }
            if (j >= n) break;
            if (s_[j] == '>') return j + 1;
            std::wstring name;
            name.push_back(s_[j] == 0 ? wchar_t(0xFFFD) : s_[j]);
            ++j;
            while (j < n && !IsHtmlSpace(s_[j]) && s_[j] != '/' && s_[j] != '>' && s_[j] != '=') {
                name.push_back(s_[j] == 0 ? wchar_t(0xFFFD) : s_[j]);
                ++j;
            }
            size_t k = j;
            while (k < n && IsHtmlSpace(s_[k])) ++k;
            std::wstring value;
            if (k < n && s_[k] == '=') {
                ++k;
                while (k < n && IsHtmlSpace(s_[k])) ++k;
                if (k < n && (s_[k] == '"' || s_[k] == '\'')) {
                    wchar_t q = s_[k++];
                    size_t e = s_.find(q, k);
                    if (e == std::wstring::npos) e = n;
                    value = DecodeEntities(s_.substr(k, e - k), true);
                    k = e < n ? e + 1 : n;
                } else {
                    size_t e = k;
                    while (e < n && !IsHtmlSpace(s_[e]) && s_[e] != '>') ++e;
                    value = DecodeEntities(s_.substr(k, e - k), true);
                    k = e;
                }
                j = k;
            }
            std::wstring norm = NormalizeAttributeName(name);
            bool dup = false;
            for (const auto& a : t.attrs) dup = dup || IEquals(a.name, norm);
            if (!dup && t.attrs.size() < 256) t.attrs.push_back(Attribute{norm, value});
        }
        return n;
    }

    const std::wstring& s_;
    size_t i_ = 0;
    bool raw_ = false, rcdata_ = false;
    std::wstring rawEnd_;
};

// ---------------------------------------------------------------- tree builder

bool NameIn(const std::wstring& upper, std::initializer_list<const wchar_t*> names) {
    for (const wchar_t* n : names)
        if (upper == n) return true;
    return false;
}

bool ClosesP(int id, const std::wstring& up) {
    switch (id) {
    case TAG_ADDRESS: case TAG_BLOCKQUOTE: case TAG_CENTER: case TAG_DIR: case TAG_DIV: case TAG_DL:
    case TAG_FIELDSET: case TAG_MENU: case TAG_OL: case TAG_P: case TAG_UL: case TAG_H1: case TAG_H2:
    case TAG_H3: case TAG_H4: case TAG_H5: case TAG_H6: case TAG_PRE: case TAG_LISTING: case TAG_FORM:
    case TAG_HR: case TAG_TABLE: case TAG_XMP: case TAG_PLAINTEXT:
        return true;
    case TAG_UNKNOWN:
        return NameIn(up, {L"ARTICLE", L"ASIDE", L"DETAILS", L"DIALOG", L"FIGCAPTION", L"FIGURE",
                           L"FOOTER", L"HEADER", L"HGROUP", L"MAIN", L"NAV", L"SECTION", L"SUMMARY"});
    default:
        return false;
    }
}

bool IsSpecial(const Element* e) {
    switch (e->TagId()) {
    case TAG_ADDRESS: case TAG_APPLET: case TAG_AREA: case TAG_BASE: case TAG_BASEFONT:
    case TAG_BGSOUND: case TAG_BLOCKQUOTE: case TAG_BODY: case TAG_BR: case TAG_BUTTON:
    case TAG_CAPTION: case TAG_CENTER: case TAG_COL: case TAG_COLGROUP: case TAG_DD: case TAG_DIR:
    case TAG_DIV: case TAG_DL: case TAG_DT: case TAG_EMBED: case TAG_FIELDSET: case TAG_FORM:
    case TAG_FRAME: case TAG_FRAMESET: case TAG_H1: case TAG_H2: case TAG_H3: case TAG_H4:
    case TAG_H5: case TAG_H6: case TAG_HEAD: case TAG_HR: case TAG_HTML: case TAG_IFRAME:
    case TAG_IMG: case TAG_INPUT: case TAG_LI: case TAG_LINK: case TAG_LISTING: case TAG_MARQUEE:
    case TAG_MENU: case TAG_META: case TAG_NOEMBED: case TAG_NOFRAMES: case TAG_NOSCRIPT:
    case TAG_OBJECT: case TAG_OL: case TAG_P: case TAG_PARAM: case TAG_PLAINTEXT: case TAG_PRE:
    case TAG_SCRIPT: case TAG_SELECT: case TAG_STYLE: case TAG_TABLE: case TAG_TBODY: case TAG_TD:
    case TAG_TEXTAREA: case TAG_TFOOT: case TAG_TH: case TAG_THEAD: case TAG_TITLE: case TAG_TR:
    case TAG_UL: case TAG_WBR: case TAG_XMP:
        return true;
    case TAG_UNKNOWN:
        return NameIn(e->TagName(), {L"ARTICLE", L"ASIDE", L"DETAILS", L"FIGCAPTION", L"FIGURE",
                                     L"FOOTER", L"HEADER", L"HGROUP", L"MAIN", L"NAV", L"SECTION",
                                     L"SUMMARY", L"SOURCE", L"TRACK", L"TEMPLATE"});
    default:
        return false;
    }
}

bool IsTableContext(int id) {
    return id == TAG_TABLE || id == TAG_TBODY || id == TAG_THEAD || id == TAG_TFOOT || id == TAG_TR;
}

bool IsHeading(int id) { return id >= TAG_H1 && id <= TAG_H6; }

bool AllSpace(const std::wstring& s) {
    for (wchar_t c : s)
        if (!IsHtmlSpace(c)) return false;
    return true;
}

enum class Scope { Default, Button, ListItem, Table };

class TreeBuilder {
public:
    TreeBuilder(DocImpl& impl, const std::wstring& input) : d_(impl), tok_(input) {}

    void BuildDocument() {
        phase_ = 0;
        Run();
        if (!html_) StartHtml(nullptr);
        if (!head_) {
            ElementPtr h = d_.NewElement(TAG_HEAD);
            DocImpl::RawInsert(html_, 0, h);
            head_ = h.get();
        }
        if (!body_) StartBody(nullptr);
    }

    bool TableOpen() const {
        for (Element* e : stack_)
            if (e->Is(TAG_TABLE)) return true;
        return false;
    }

    std::vector<NodePtr> BuildFragment(int contextId, const std::wstring& contextName, size_t contextDepth) {
        depthCap_ = contextDepth >= kMaxTreeDepth ? 1 : kMaxTreeDepth + 1 - contextDepth;
        ElementPtr root = contextId != TAG_UNKNOWN || contextName.empty() ? d_.NewElement(contextId)
                                                                          : d_.NewElement(contextName);
        if (root->TagId() == TAG_NULL || root->TagName().empty()) root = d_.NewElement(TAG_BODY);
        root_ = root.get();
        stack_.push_back(root_);
        PushMarker(root_);   // formats open around the fragment's place are not its own
        phase_ = 2;
        int id = root_->TagId();
        if (id == TAG_STYLE || id == TAG_SCRIPT || id == TAG_XMP || id == TAG_TEXTAREA || id == TAG_TITLE)
            tok_.SetRawText(LowerAscii(root_->TagName()), id == TAG_TEXTAREA || id == TAG_TITLE);
        Run();
        // from the end, so that taking many nodes out stays linear
        std::vector<NodePtr> out;
        while (root_->ChildCount()) out.push_back(DocImpl::RawDetach(root_->LastChild()));
        std::reverse(out.begin(), out.end());
        return out;
    }

private:
    void Run() {
        Token t;
        while (tok_.Next(t)) {
            if (t.type == Token::Text && t.data.empty()) continue;
            Process(t);
        }
    }

    Element* Current() const { return stack_.empty() ? nullptr : stack_.back(); }

    static int IdOf(const Token& t) { return TagIdFromName(t.name); }

    static bool Matches(const Element* e, int id, const std::wstring& upper) {
        return id != TAG_UNKNOWN ? e->TagId() == id : e->TagName() == upper;
    }

    bool IsBoundary(const Element* e, Scope scope) const {
        if (e == root_ || e->Is(TAG_HTML)) return true;
        int id = e->TagId();
        if (scope == Scope::Table) return id == TAG_TABLE;
        if (id == TAG_APPLET || id == TAG_CAPTION || id == TAG_TABLE || id == TAG_TD || id == TAG_TH ||
            id == TAG_MARQUEE || id == TAG_OBJECT)
            return true;
        if (scope == Scope::Button && id == TAG_BUTTON) return true;
        if (scope == Scope::ListItem && (id == TAG_OL || id == TAG_UL)) return true;
        return false;
    }

    bool InScope(int id, const std::wstring& upper, Scope scope) const {
        for (size_t i = stack_.size(); i-- > 0;) {
            if (Matches(stack_[i], id, upper)) return true;
            if (IsBoundary(stack_[i], scope)) return false;
        }
        return false;
    }

    bool HeadingInScope() const {
        for (size_t i = stack_.size(); i-- > 0;) {
            if (IsHeading(stack_[i]->TagId())) return true;
            if (IsBoundary(stack_[i], Scope::Default)) return false;
        }
        return false;
    }

    void Pop() {
        if (stack_.size() > 1 && stack_.back() != root_) stack_.pop_back();
    }

    void PopUntil(int id, const std::wstring& upper) {
        while (stack_.size() > 1 && stack_.back() != root_) {
            Element* e = stack_.back();
            stack_.pop_back();
            if (Matches(e, id, upper)) return;
        }
    }

    void GenerateImpliedEndTags(int except = -1) {
        for (;;) {
            Element* e = Current();
            if (!e || e == root_) return;
            int id = e->TagId();
            bool implied = id == TAG_DD || id == TAG_DT || id == TAG_LI || id == TAG_OPTION || id == TAG_P ||
                           id == TAG_RP || id == TAG_RT ||
                           (id == TAG_UNKNOWN && NameIn(e->TagName(), {L"OPTGROUP", L"RB", L"RTC"}));
            if (!implied || id == except) return;
            Pop();
        }
    }

    void CloseP() {
        if (InScope(TAG_P, L"P", Scope::Button)) {
            GenerateImpliedEndTags(TAG_P);
            PopUntil(TAG_P, L"P");
        }
    }

    // Where new content goes: the current node, or before the table when the current node is
    // part of a table that can't hold it.
    void InsertionPoint(bool tableAllowed, Node** parent, size_t* index) {
        Element* cur = Current();
        if (!tableAllowed && cur && IsTableContext(cur->TagId())) {
            for (size_t i = stack_.size(); i-- > 0;) {
                if (!stack_[i]->Is(TAG_TABLE)) continue;
                Element* table = stack_[i];
                if (table->Parent() && table != root_) {
                    *parent = table->Parent();
                    *index = table->IndexInParent();
                    return;
                }
                if (i > 0) { *parent = stack_[i - 1]; *index = stack_[i - 1]->ChildCount(); return; }
                break;
            }
        }
        *parent = cur;
        *index = cur ? cur->ChildCount() : 0;
    }

    void InsertText(const std::wstring& text) {
        if (text.empty()) return;
        Node* parent;
        size_t index;
        InsertionPoint(AllSpace(text), &parent, &index);
        if (!parent) return;
        if (index > 0 && parent->ChildAt(index - 1)->IsText()) {
            DocImpl::DataOf(parent->ChildAt(index - 1)->AsText()) += text;
            return;
        }
        DocImpl::RawInsert(parent, index, d_.NewText(text));
    }

    Element* InsertElement(const Token& t, bool push, bool tableAllowed = false) {
        int id = TagIdFromName(t.name);
        bool isVoid = id != TAG_UNKNOWN && IsVoidTag(id);
        bool raw = push && id != TAG_UNKNOWN && IsRawTextTag(id) && !isVoid;
        // PLAINTEXT ends at its end tag like XMP, so that what is written reads back the same
        if (raw) tok_.SetRawText(LowerAscii(t.name), id == TAG_TEXTAREA || id == TAG_TITLE);
        // nesting is capped: an element too deep to open is left out and its content, raw
        // text included, goes to the deepest open element (so that a tree the engine writes
        // never reaches past what it reads back)
        if (!isVoid && stack_.size() >= depthCap_) return nullptr;
        Node* parent;
        size_t index;
        InsertionPoint(tableAllowed, &parent, &index);
        if (!parent) return nullptr;
        if (WouldNotReadBack(id, parent)) return nullptr;
        ElementPtr e = d_.NewElement(t.name);
        DocImpl::AttrsOf(e.get()) = t.attrs;
        DocImpl::RawInsert(parent, index, e);
        if (push && !e->IsVoid()) stack_.push_back(e.get());
        return e.get();
    }

    // Where an element's start tag, read again at the place it goes to, would close an element
    // around that place, the element could not be written so that it reads back there: such an
    // element is left out and its content goes where it stands. This happens where the tree
    // is not the stack of open elements: content moved out of a table lands in front of it,
    // inside elements still open around the table (a paragraph in a paragraph, an item in an
    // item), and formatting reopened inside a heading can take in the next heading.
    static bool WouldNotReadBack(int id, Node* at) {
        bool item = id == TAG_LI, term = id == TAG_DD || id == TAG_DT;
        bool closesP = id == TAG_P || item || term || IsHeading(id) || ClosesP(id, L"");
        bool self = id == TAG_A || id == TAG_BUTTON || id == TAG_NOBR || IsHeading(id);   // closes one of its own

        if (id == TAG_OPTION && at->IsElement() && at->AsElement()->Is(TAG_OPTION)) return true;
        bool pScope = closesP, itemScope = item || term, selfScope = self;
        for (Node* n = at; n && n->IsElement() && (pScope || itemScope || selfScope); n = n->Parent()) {
            const Element* e = n->AsElement();
            int x = e->TagId();
            if (x == TAG_HTML || x == TAG_BODY) break;
            if (pScope && x == TAG_P) return true;
            if (itemScope && item && x == TAG_LI) return true;
            if (itemScope && term && (x == TAG_DD || x == TAG_DT)) return true;
            if (selfScope && (x == id || (IsHeading(id) && IsHeading(x)))) return true;
            if (IsSpecial(e) && x != TAG_ADDRESS && x != TAG_DIV && x != TAG_P) itemScope = false;
            bool boundary = x == TAG_APPLET || x == TAG_CAPTION || x == TAG_TABLE || x == TAG_TD || x == TAG_TH ||
                            x == TAG_MARQUEE || x == TAG_OBJECT;
            if (boundary || x == TAG_BUTTON) pScope = false;
            if (boundary) selfScope = false;
        }
        return false;
    }

    // A declaration other than a comment ("<!checkbox />") is note content: it opens the body
    // instead of landing before it.
    static bool IsContentDeclaration(const Token& t) {
        return t.data.compare(0, 4, L"<!--") != 0;
    }

    void InsertComment(const Token& t) {
        Node* parent = Current();
        if (!parent) parent = d_.doc;
        DocImpl::RawAppend(parent, d_.NewComment(t.data, t.type == Token::Doctype ? NodeType::Doctype : NodeType::Comment));
    }

    void MergeAttributes(Element* e, const Token& t) {
        if (!e) return;
        for (const auto& a : t.attrs) {
            bool has = false;
            for (const auto& b : e->Attributes()) has = has || IEquals(a.name, b.name);
            if (!has) DocImpl::AttrsOf(e).push_back(a);
        }
    }

    void StartHtml(const Token* t) {
        ElementPtr h = d_.NewElement(TAG_HTML);
        if (t) DocImpl::AttrsOf(h.get()) = t->attrs;
        DocImpl::RawAppend(d_.doc, h);
        html_ = h.get();
        stack_.assign(1, html_);
        phase_ = 1;
    }

    void StartBody(const Token* t) {
        if (!html_) StartHtml(nullptr);
        if (!head_) {
            ElementPtr h = d_.NewElement(TAG_HEAD);
            DocImpl::RawInsert(html_, 0, h);
            head_ = h.get();
        }
        ElementPtr b = d_.NewElement(TAG_BODY);
        if (t) DocImpl::AttrsOf(b.get()) = t->attrs;
        DocImpl::RawAppend(html_, b);
        body_ = b.get();
        stack_.assign({html_, body_});
        phase_ = 2;
    }

    bool IsHeadElement(int id) const {
        return id == TAG_META || id == TAG_LINK || id == TAG_BASE || id == TAG_BASEFONT || id == TAG_BGSOUND ||
               id == TAG_STYLE || id == TAG_SCRIPT || id == TAG_TITLE || id == TAG_NOFRAMES;
    }

    void Process(Token& t) {
        if (phase_ == 0) {
            if (t.type == Token::Doctype || (t.type == Token::Comment && !IsContentDeclaration(t))) {
                InsertComment(t);
                return;
            }
            if (t.type == Token::Text) {
                size_t k = 0;
                while (k < t.data.size() && IsHtmlSpace(t.data[k])) ++k;
                if (k == t.data.size()) return;
                t.data.erase(0, k);
            }
            if (t.type == Token::Start && t.name == L"html") { StartHtml(&t); return; }
            StartHtml(nullptr);
        }
        if (phase_ == 1) {
            if (InHeadPhase(t)) return;
        }
        InBody(t);
    }

    // Tokens before the body; false when the token starts the body.
    bool InHeadPhase(Token& t) {
        if (t.type == Token::Text) {
            // text of an open head element (TITLE, STYLE, SCRIPT)
            if (Current() != html_ && Current() != head_) { InsertText(t.data); return true; }
            size_t k = 0;
            while (k < t.data.size() && IsHtmlSpace(t.data[k])) ++k;
            if (k > 0 && headOpen_) InsertText(t.data.substr(0, k));
            if (k == t.data.size()) return true;
            t.data.erase(0, k);
            StartBody(nullptr);
            return false;
        }
        if (t.type == Token::Comment && IsContentDeclaration(t)) { StartBody(nullptr); return false; }
        if (t.type == Token::Comment) { InsertComment(t); return true; }
        if (t.type == Token::Doctype) return true;
        int id = IdOf(t);
        if (t.type == Token::Start) {
            if (id == TAG_HTML) { MergeAttributes(html_, t); return true; }
            if (id == TAG_HEAD) {
                if (!head_) {
                    ElementPtr h = d_.NewElement(TAG_HEAD);
                    DocImpl::AttrsOf(h.get()) = t.attrs;
                    DocImpl::RawAppend(html_, h);
                    head_ = h.get();
                    headOpen_ = true;
                    stack_.assign({html_, head_});
                }
                return true;
            }
            if (IsHeadElement(id)) {
                if (!head_) {
                    ElementPtr h = d_.NewElement(TAG_HEAD);
                    DocImpl::RawAppend(html_, h);
                    head_ = h.get();
                    headOpen_ = true;
                }
                stack_.assign({html_, head_});
                InsertElement(t, true);
                return true;
            }
            if (id == TAG_BODY) { StartBody(&t); return true; }
            StartBody(nullptr);
            return false;
        }
        // end tags
        if (Current() != html_ && Current() != head_ && Matches(Current(), id, UpperAscii(t.name))) {
            Pop();
            return true;
        }
        if (id == TAG_HEAD) {
            headOpen_ = false;
            stack_.assign(1, html_);
            return true;
        }
        if (id == TAG_BODY || id == TAG_HTML || id == TAG_BR) {
            StartBody(nullptr);
            return false;
        }
        return true;
    }

    void InBody(Token& t) {
        switch (t.type) {
        case Token::Text:
            if (skipNewline_) {
                skipNewline_ = false;
                if (!t.data.empty() && t.data[0] == '\n') t.data.erase(0, 1);
            }
            if (t.data.empty()) return;
            // white space inside a table stays there; other text takes the formats still open
            // (the text of a style sheet, a script, a text area, ... takes nothing)
            if (!(Current() && IsTableContext(Current()->TagId()) && AllSpace(t.data)) &&
                !(Current() && Current()->TagId() != TAG_UNKNOWN && IsRawTextTag(Current()->TagId())))
                Reconstruct();
            InsertText(t.data);
            return;
        case Token::Comment:
            skipNewline_ = false;   // only a line feed right after <PRE> is dropped
            InsertComment(t);
            return;
        case Token::Doctype:
            skipNewline_ = false;
            return;
        case Token::Start:
            skipNewline_ = false;
            StartTag(t);
            return;
        case Token::End:
            skipNewline_ = false;
            EndTag(t);
            return;
        default:
            return;
        }
    }

    bool TableInScope() const { return InScope(TAG_TABLE, L"TABLE", Scope::Table); }

    // Inside a table but not in one of its cells: elements opened since (moved before the
    // table) do not change that.
    bool InTableMode() const {
        for (size_t i = stack_.size(); i-- > 0;) {
            int id = stack_[i]->TagId();
            if (IsTableContext(id)) return true;
            if (id == TAG_TD || id == TAG_TH || id == TAG_CAPTION || stack_[i] == root_) return false;
        }
        return false;
    }

    void ClearToTableContext(std::initializer_list<int> stops) {
        while (Current() && Current() != root_ && !Current()->Is(TAG_HTML)) {
            int id = Current()->TagId();
            bool stop = false;
            for (int s : stops) stop = stop || id == s;
            if (stop) return;
            Pop();
        }
    }

    void StartTag(const Token& t) {
        int id = IdOf(t);
        std::wstring up = UpperAscii(t.name);
        switch (id) {
        case TAG_HTML:
            MergeAttributes(html_, t);
            return;
        case TAG_BODY:
            MergeAttributes(body_, t);
            return;
        case TAG_HEAD:
            return;
        case TAG_TABLE:
            if (InTableMode() && TableInScope()) PopUntil(TAG_TABLE, L"TABLE");
            else CloseP();
            InsertElement(t, true, true);
            return;
        case TAG_CAPTION:
        case TAG_COLGROUP:
            if (!TableInScope()) return;
            ClearToTableContext({TAG_TABLE});
            if (id == TAG_CAPTION) PushMarker(InsertElement(t, true, true));
            else InsertElement(t, true, true);
            return;
        case TAG_COL:
            if (!TableInScope()) return;
            if (!Current()->Is(TAG_COLGROUP)) ClearToTableContext({TAG_TABLE});
            InsertElement(t, false, true);
            return;
        case TAG_TBODY:
        case TAG_THEAD:
        case TAG_TFOOT:
            if (!TableInScope()) return;
            ClearToTableContext({TAG_TABLE});
            InsertElement(t, true, true);
            return;
        case TAG_TR:
            if (!TableInScope() && !(root_ && IsTableContext(root_->TagId()))) return;
            ClearToTableContext({TAG_TBODY, TAG_THEAD, TAG_TFOOT, TAG_TABLE});
            if (Current()->Is(TAG_TABLE)) InsertImplied(L"tbody");
            InsertElement(t, true, true);
            return;
        case TAG_TD:
        case TAG_TH:
            if (!TableInScope() && !(root_ && IsTableContext(root_->TagId()))) return;
            if (InScope(TAG_TD, L"TD", Scope::Table) || InScope(TAG_TH, L"TH", Scope::Table)) {
                while (Current() && Current() != root_ && !Current()->Is(TAG_TD) && !Current()->Is(TAG_TH)) Pop();
                Pop();
            }
            ClearToTableContext({TAG_TR, TAG_TBODY, TAG_THEAD, TAG_TFOOT, TAG_TABLE});
            if (Current()->Is(TAG_TABLE)) InsertImplied(L"tbody");
            if (!Current()->Is(TAG_TR)) InsertImplied(L"tr");
            PushMarker(InsertElement(t, true, true));
            return;
        default:
            break;
        }
        if (id == TAG_STYLE || id == TAG_SCRIPT || id == TAG_INPUT || id == TAG_FORM) {
            if (id == TAG_FORM) CloseP();
            if (id == TAG_INPUT) Reconstruct();
            InsertElement(t, true, true);
            return;
        }
        if (IsHeadElement(id)) { InsertElement(t, true); return; }
        if (IsHeading(id)) {
            CloseP();
            // a heading still open closes, also with formatting opened inside it: a heading
            // is never written inside another one
            if (HeadingInScope())
                while (stack_.size() > 1 && stack_.back() != root_) {
                    Element* e = stack_.back();
                    stack_.pop_back();
                    if (IsHeading(e->TagId())) break;
                }
            InsertElement(t, true);
            return;
        }
        if (id == TAG_LI || id == TAG_DD || id == TAG_DT) {
            for (size_t i = stack_.size(); i-- > 0;) {
                Element* e = stack_[i];
                bool match = id == TAG_LI ? e->Is(TAG_LI) : (e->Is(TAG_DD) || e->Is(TAG_DT));
                if (match) {
                    GenerateImpliedEndTags(e->TagId());
                    while (stack_.size() > 1 && stack_.back() != root_) {
                        Element* x = stack_.back();
                        stack_.pop_back();
                        if (x == e) break;
                    }
                    break;
                }
                if (e == root_ || (IsSpecial(e) && !e->Is(TAG_ADDRESS) && !e->Is(TAG_DIV) && !e->Is(TAG_P))) break;
            }
            CloseP();
            InsertElement(t, true);
            return;
        }
        if (ClosesP(id, up)) {
            CloseP();
            InsertElement(t, !IsVoidTag(id));
            if (id == TAG_PRE || id == TAG_LISTING) skipNewline_ = true;
            return;
        }
        if (id == TAG_A) {
            // a link still open closes first, also when it was left open further up
            if (Element* open = ActiveFormatting(TAG_A, L"A")) {
                AdoptionAgency(TAG_A, L"A");
                RemoveActive(open);
                RemoveFromStack(open);
            }
            for (size_t i = stack_.size(); i-- > 0;) {
                if (stack_[i]->Is(TAG_A)) { PopUntil(TAG_A, L"A"); break; }
                if (IsBoundary(stack_[i], Scope::Default)) break;
            }
            Reconstruct();
            if (Current() && IsTableContext(Current()->TagId())) {
                // moved out of a table into a link that is still open: a link inside a link
                // would read back as two links, so this one only keeps its content
                Node* at;
                size_t idx;
                InsertionPoint(false, &at, &idx);
                for (Node* x = at; x && x->IsElement(); x = x->Parent()) {
                    if (x->AsElement()->Is(TAG_A)) return;
                    if (IsBoundary(x->AsElement(), Scope::Default)) break;
                }
            }
            PushActive(InsertElement(t, true));
            return;
        }
        if (id == TAG_BUTTON) {
            if (InScope(TAG_BUTTON, L"BUTTON", Scope::Default)) PopUntil(TAG_BUTTON, L"BUTTON");
            Reconstruct();
            InsertElement(t, true);
            return;
        }
        if (id == TAG_OPTION) {
            if (Current() && Current()->Is(TAG_OPTION)) Pop();
            Reconstruct();
            InsertElement(t, true);
            return;
        }
        if (id == TAG_NOBR) {
            Reconstruct();
            if (InScope(TAG_NOBR, L"NOBR", Scope::Default)) {
                AdoptionAgency(TAG_NOBR, L"NOBR");
                Reconstruct();
            }
            PushActive(InsertElement(t, true));
            return;
        }
        if (id != TAG_TEXTAREA) Reconstruct();
        Element* e = InsertElement(t, !IsVoidTag(id));
        if (IsFormattingTag(id)) PushActive(e);
        else if (id == TAG_APPLET || id == TAG_MARQUEE || id == TAG_OBJECT) PushMarker(e);
        if (id == TAG_TEXTAREA) skipNewline_ = true;
    }

    // ---- formatting elements left open: reopened where text goes on, as browsers do

    static bool IsFormattingTag(int id) {
        switch (id) {
        case TAG_A: case TAG_B: case TAG_BIG: case TAG_CODE: case TAG_EM: case TAG_FONT: case TAG_I:
        case TAG_NOBR: case TAG_S: case TAG_SMALL: case TAG_STRIKE: case TAG_STRONG: case TAG_TT: case TAG_U:
            return true;
        default:
            return false;
        }
    }

    size_t StackIndex(const Element* e) const {
        for (size_t i = stack_.size(); i-- > 0;)
            if (stack_[i] == e) return i;
        return SIZE_MAX;
    }

    void RemoveFromStack(const Element* e) {
        size_t i = StackIndex(e);
        if (i != SIZE_MAX && stack_[i] != root_ && i > 0) stack_.erase(stack_.begin() + long(i));
    }

    // A marker (a cell, a caption, an object) stands for its element: once that is closed,
    // the formats opened inside it are forgotten with it.
    void DropClosedMarkers() {
        for (size_t i = active_.size(); i-- > 0;) {
            if (!active_[i].marker) continue;
            if (StackIndex(active_[i].element) != SIZE_MAX) return;
            active_.resize(i);
        }
    }

    void PushMarker(Element* owner) {
        if (owner && StackIndex(owner) != SIZE_MAX) active_.push_back({owner, true});
    }

    void PushActive(Element* e) {
        if (!e || StackIndex(e) == SIZE_MAX) return;
        DropClosedMarkers();
        // at most three copies of one element with the same attributes
        int same = 0;
        size_t earliest = SIZE_MAX;
        for (size_t i = active_.size(); i-- > 0 && !active_[i].marker;) {
            const Element* x = active_[i].element;
            if (x->TagName() == e->TagName() && SameAttributes(x, e)) {
                ++same;
                earliest = i;
            }
        }
        if (same >= 3) active_.erase(active_.begin() + long(earliest));
        active_.push_back({e, false});
    }

    static bool SameAttributes(const Element* a, const Element* b) {
        const auto& x = a->Attributes();
        const auto& y = b->Attributes();
        if (x.size() != y.size()) return false;
        for (const auto& p : x) {
            bool found = false;
            for (const auto& q : y) found = found || (IEquals(p.name, q.name) && p.value == q.value);
            if (!found) return false;
        }
        return true;
    }

    void RemoveActive(const Element* e) {
        for (size_t i = active_.size(); i-- > 0;)
            if (!active_[i].marker && active_[i].element == e) { active_.erase(active_.begin() + long(i)); return; }
    }

    size_t ActiveIndex(const Element* e) const {
        for (size_t i = active_.size(); i-- > 0;)
            if (!active_[i].marker && active_[i].element == e) return i;
        return SIZE_MAX;
    }

    // The last open formatting element of that tag after the last marker.
    Element* ActiveFormatting(int id, const std::wstring& upper) {
        DropClosedMarkers();
        for (size_t i = active_.size(); i-- > 0 && !active_[i].marker;)
            if (Matches(active_[i].element, id, upper)) return active_[i].element;
        return nullptr;
    }

    ElementPtr CloneForReopen(const Element* e) {
        ElementPtr c = d_.NewElement(e->TagName());
        DocImpl::AttrsOf(c.get()) = e->Attributes();
        return c;
    }

    // Formatting elements that were closed by a block while still open are opened again.
    void Reconstruct() {
        DropClosedMarkers();
        if (active_.empty() || active_.back().marker || StackIndex(active_.back().element) != SIZE_MAX) return;
        size_t i = active_.size() - 1;
        while (i > 0 && !active_[i - 1].marker && StackIndex(active_[i - 1].element) == SIZE_MAX) --i;
        for (; i < active_.size(); ++i) {
            if (stack_.size() >= depthCap_) return;
            ElementPtr c = CloneForReopen(active_[i].element);
            Node* parent;
            size_t index;
            InsertionPoint(false, &parent, &index);
            if (!parent) return;
            DocImpl::RawInsert(parent, index, c);
            stack_.push_back(c.get());
            active_[i].element = c.get();
        }
    }

    // The end tag of a formatting element that other elements were opened in: the elements
    // it encloses are split at its end, the formatting goes on inside the block that follows.
    // False when no open formatting element has that tag (the end tag is handled as any other).
    bool AdoptionAgency(int id, const std::wstring& upper) {
        if (Current() && Matches(Current(), id, upper) && ActiveIndex(Current()) == SIZE_MAX) {
            Pop();
            return true;
        }
        for (int outer = 0; outer < 8; ++outer) {
            Element* fe = ActiveFormatting(id, upper);
            if (!fe) return outer > 0;
            size_t feStack = StackIndex(fe);
            if (feStack == SIZE_MAX) { RemoveActive(fe); return true; }
            if (!InScope(id, upper, Scope::Default) || fe == root_) return true;
            size_t fbIndex = SIZE_MAX;
            for (size_t i = feStack + 1; i < stack_.size(); ++i)
                if (IsSpecial(stack_[i])) { fbIndex = i; break; }
            if (fbIndex == SIZE_MAX) {
                stack_.resize(feStack);
                RemoveActive(fe);
                return true;
            }
            Element* furthest = stack_[fbIndex];
            Element* common = feStack > 0 ? stack_[feStack - 1] : nullptr;
            if (!common) return true;
            size_t bookmark = ActiveIndex(fe);
            Element* lastNode = furthest;
            size_t nodeIndex = fbIndex;
            for (int inner = 1;; ++inner) {
                --nodeIndex;
                Element* node = stack_[nodeIndex];
                if (node == fe) break;
                size_t ai = ActiveIndex(node);
                if (inner > 3 && ai != SIZE_MAX) {
                    active_.erase(active_.begin() + long(ai));
                    if (ai < bookmark) --bookmark;
                    ai = SIZE_MAX;
                }
                if (ai == SIZE_MAX) {
                    stack_.erase(stack_.begin() + long(nodeIndex));
                    --fbIndex;
                    continue;
                }
                ElementPtr copy = CloneForReopen(node);
                active_[ai].element = copy.get();
                stack_[nodeIndex] = copy.get();
                if (lastNode == furthest) bookmark = ai + 1;
                NodePtr keep = DocImpl::RawDetach(lastNode);
                DocImpl::RawAppend(copy.get(), keep);
                // the copy stands where the original stood in the tree until it is placed
                lastNode = copy.get();
                keepAlive_.push_back(copy);
            }
            // lastNode goes into the common ancestor (before the table when that is a table part)
            NodePtr moving = lastNode->Parent() ? DocImpl::RawDetach(lastNode) : lastNode->Self();
            if (IsTableContext(common->TagId())) {
                Element* table = nullptr;
                for (size_t i = StackIndex(common) + 1; i-- > 0;)
                    if (stack_[i]->Is(TAG_TABLE)) { table = stack_[i]; break; }
                if (table && table->Parent()) DocImpl::RawInsert(table->Parent(), table->IndexInParent(), moving);
                else DocImpl::RawAppend(common, moving);
            } else {
                DocImpl::RawAppend(common, moving);
            }
            // the formatting goes on inside the furthest block
            ElementPtr copy = CloneForReopen(fe);
            while (furthest->ChildCount()) DocImpl::RawAppend(copy.get(), DocImpl::RawDetach(furthest->FirstChild()));
            DocImpl::RawAppend(furthest, copy);
            size_t ai = ActiveIndex(fe);
            if (ai != SIZE_MAX) {
                active_.erase(active_.begin() + long(ai));
                if (ai < bookmark) --bookmark;
            }
            if (bookmark > active_.size()) bookmark = active_.size();
            active_.insert(active_.begin() + long(bookmark), Active{copy.get(), false});
            RemoveFromStack(fe);
            size_t fb = StackIndex(furthest);
            stack_.insert(stack_.begin() + long(fb + 1), copy.get());
            keepAlive_.clear();
        }
        return true;
    }

    void InsertImplied(const wchar_t* name) {
        Token imp;
        imp.type = Token::Start;
        imp.name = name;
        InsertElement(imp, true, true);
    }

    void EndTag(const Token& t) {
        int id = IdOf(t);
        std::wstring up = UpperAscii(t.name);
        switch (id) {
        case TAG_BODY:
        case TAG_HTML:
        case TAG_HEAD:
            return;
        case TAG_BR: {
            Token br;
            br.type = Token::Start;
            br.name = L"br";
            InsertElement(br, false);
            return;
        }
        case TAG_P:
            if (InScope(TAG_P, L"P", Scope::Button)) {
                GenerateImpliedEndTags(TAG_P);
                PopUntil(TAG_P, L"P");
            }
            return;
        case TAG_LI:
            if (InScope(TAG_LI, L"LI", Scope::ListItem)) {
                GenerateImpliedEndTags(TAG_LI);
                PopUntil(TAG_LI, L"LI");
            }
            return;
        case TAG_TABLE: case TAG_TBODY: case TAG_THEAD: case TAG_TFOOT: case TAG_TR: case TAG_TD:
        case TAG_TH: case TAG_CAPTION: case TAG_COLGROUP:
            if (InScope(id, up, Scope::Table)) PopUntil(id, up);
            return;
        default:
            break;
        }
        if (IsHeading(id)) {
            if (HeadingInScope()) {
                GenerateImpliedEndTags();
                while (stack_.size() > 1 && stack_.back() != root_) {
                    Element* e = stack_.back();
                    stack_.pop_back();
                    if (IsHeading(e->TagId())) break;
                }
            }
            return;
        }
        if (ClosesP(id, up) || id == TAG_DD || id == TAG_DT || id == TAG_BUTTON || id == TAG_APPLET ||
            id == TAG_MARQUEE || id == TAG_OBJECT) {
            if (InScope(id, up, Scope::Default)) {
                GenerateImpliedEndTags(id);
                PopUntil(id, up);
            }
            return;
        }
        if (IsFormattingTag(id) && AdoptionAgency(id, up)) return;
        // any other end tag: close the nearest element of that name unless a structural
        // element stands in between
        for (size_t i = stack_.size(); i-- > 0;) {
            Element* e = stack_[i];
            if (e == root_ || e->Is(TAG_HTML) || e->Is(TAG_BODY)) return;
            if (Matches(e, id, up)) {
                GenerateImpliedEndTags(id);
                while (stack_.size() > 1 && stack_.back() != root_) {
                    Element* x = stack_.back();
                    stack_.pop_back();
                    if (x == e) break;
                }
                return;
            }
            if (IsSpecial(e)) return;
        }
    }

    struct Active {
        Element* element;
        bool marker;
    };

    DocImpl& d_;
    Tokenizer tok_;
    std::vector<Element*> stack_;
    std::vector<Active> active_;   // open formatting elements and markers, oldest first
    std::vector<ElementPtr> keepAlive_;
    Element* root_ = nullptr;   // fragment context
    Element* html_ = nullptr;
    Element* head_ = nullptr;
    Element* body_ = nullptr;
    size_t depthCap_ = kMaxTreeDepth;   // open elements at most (the fragment's context counted)
    int phase_ = 0;   // 0 nothing yet, 1 before the body, 2 in the body
    bool headOpen_ = false;
    bool skipNewline_ = false;
};

} // namespace

std::wstring DecodeEntities(const std::wstring& text, bool inAttribute) {
    if (text.find('&') == std::wstring::npos) return text;
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '&') i += DecodeOne(text, i, inAttribute, out);
        else out.push_back(text[i++]);
    }
    return out;
}

std::wstring NormalizeAttributeName(const std::wstring& name) {
    std::wstring low = LowerAscii(name);
    if (low == L"contenteditable") return L"contentEditable";
    if (low == L"colspan") return L"colSpan";
    if (low == L"rowspan") return L"rowSpan";
    return low;
}

namespace {
// CR LF and lone CR become LF; NUL becomes U+FFFD.
std::wstring NormalizeNewlines(const std::wstring& s) {
    if (s.find('\r') == std::wstring::npos && s.find(wchar_t(0)) == std::wstring::npos) return s;
    std::wstring out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        wchar_t c = s[i];
        if (c == '\r') {
            out.push_back('\n');
            if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else if (c == 0) {
            out.push_back(wchar_t(0xFFFD));
        } else {
            out.push_back(c);
        }
    }
    return out;
}
}

void ParseDocument(DocImpl& impl, const std::wstring& html, bool* tableOpen) {
    std::wstring input = NormalizeNewlines(html);
    TreeBuilder b(impl, input);
    b.BuildDocument();
    if (tableOpen) *tableOpen = b.TableOpen();
}

std::vector<NodePtr> ParseFragment(DocImpl& impl, const std::wstring& html, int contextTagId,
                                   const std::wstring& contextName, size_t contextDepth) {
    std::wstring input = NormalizeNewlines(html);
    TreeBuilder b(impl, input);
    return b.BuildFragment(contextTagId, contextName, contextDepth);
}

// Markup cut short reads the same as the whole up to the token it cuts, except where a table is
// still open (its stray content goes before it): so a growing prefix is parsed until its text
// reaches past what is asked for, far enough that the cut token cannot change it.
std::wstring PreviewText(const std::wstring& html, size_t maxChars) {
    const size_t kMargin = 64;
    size_t want = maxChars > std::wstring::npos - kMargin ? maxChars : maxChars + kMargin;
    size_t budget = std::max<size_t>(4096, maxChars < 65536 ? maxChars * 16 : maxChars);
    for (;;) {
        bool whole = budget >= html.size();
        DocumentPtr doc = Document::Create();
        bool tableOpen = false;
        doc->Impl().ResetContent();
        ParseDocument(doc->Impl(), whole ? html : html.substr(0, budget), &tableOpen);
        Element* body = doc->Body();
        std::wstring text = body ? InnerTextOf(body, want) : std::wstring();
        if (whole || (text.size() >= want && !tableOpen)) return text.substr(0, maxChars);
        budget = budget > html.size() / 4 ? html.size() : budget * 4;
    }
}

std::vector<Attribute> ParseAttributeText(const std::wstring& text) {
    std::wstring markup = L"<x " + text + L">";
    Tokenizer tok(markup);
    Token t;
    tok.Next(t);
    return t.type == Token::Start ? t.attrs : std::vector<Attribute>();
}

} // namespace HtmlEngine
