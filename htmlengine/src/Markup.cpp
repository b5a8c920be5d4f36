#include "htmlengine/Markup.h"
#include <algorithm>
#include "DocImpl.h"
#include "Editing.h"
#include "Serializer.h"
#include "TextUtil.h"
#include "Walk.h"

namespace HtmlEngine {

// ---------------------------------------------------------------- walking

namespace {
bool IsSeparatorElement(const Node* n) {
    const Element* e = n ? n->AsElement() : nullptr;
    return e && (e->IsBlock() || e->IsVoid());
}

bool RawContent(const Node* n) {
    const Element* e = n ? n->AsElement() : nullptr;
    if (!e) return false;
    int id = e->TagId();
    return id == TAG_SCRIPT || id == TAG_STYLE || id == TAG_XMP || id == TAG_IFRAME || id == TAG_NOEMBED ||
           id == TAG_NOFRAMES || id == TAG_PLAINTEXT;
}
}

Context StepRight(Pos& p, bool move, Node** node, size_t maxChars, std::wstring* text) {
    if (node) *node = nullptr;
    if (!p.node) return Context::None;
    Pos q = p;
    Context ctx = Context::None;
    if (q.node->IsText()) {
        TextNode* t = q.node->AsText();
        size_t avail = t->Length() - std::min(q.off, t->Length());
        size_t n = (maxChars == 0 || maxChars > avail) ? avail : maxChars;
        if (text) text->assign(t->Data(), q.off, n);
        if (node) *node = t;
        q = Canon(Pos{t, q.off + n});
        ctx = Context::Text;
    } else {
        size_t count = q.node->ChildCount();
        size_t i = q.off;
        while (i < count && q.node->ChildAt(i)->IsText() && q.node->ChildAt(i)->AsText()->Length() == 0) ++i;
        if (i < count) {
            Node* c = q.node->ChildAt(i);
            if (node) *node = c;
            if (c->IsText()) {
                TextNode* t = c->AsText();
                size_t n = (maxChars == 0 || maxChars > t->Length()) ? t->Length() : maxChars;
                if (text) text->assign(t->Data(), 0, n);
                q = Canon(Pos{t, n});
                ctx = Context::Text;
            } else if (IsContainer(c)) {
                q = Canon(Pos{c, 0});
                ctx = Context::EnterScope;
            } else {
                q = Canon(Pos{q.node, i + 1});
                ctx = Context::NoScope;
            }
        } else {
            Node* parent = q.node->Parent();
            if (q.node->Type() == NodeType::Document || !parent) return Context::None;
            if (node) *node = q.node;
            q = Canon(Pos{parent, q.node->IndexInParent() + 1});
            ctx = Context::ExitScope;
        }
    }
    if (move) p = q;
    return ctx;
}

Context StepLeft(Pos& p, bool move, Node** node, size_t maxChars, std::wstring* text) {
    if (node) *node = nullptr;
    if (!p.node) return Context::None;
    Pos q = p;
    Context ctx = Context::None;
    if (q.node->IsText()) {
        TextNode* t = q.node->AsText();
        size_t off = std::min(q.off, t->Length());
        size_t n = (maxChars == 0 || maxChars > off) ? off : maxChars;
        if (text) text->assign(t->Data(), off - n, n);
        if (node) *node = t;
        q = Canon(Pos{t, off - n});
        ctx = Context::Text;
    } else {
        size_t i = std::min(q.off, q.node->ChildCount());
        while (i > 0 && q.node->ChildAt(i - 1)->IsText() && q.node->ChildAt(i - 1)->AsText()->Length() == 0) --i;
        if (i > 0) {
            Node* c = q.node->ChildAt(i - 1);
            if (node) *node = c;
            if (c->IsText()) {
                TextNode* t = c->AsText();
                size_t n = (maxChars == 0 || maxChars > t->Length()) ? t->Length() : maxChars;
                if (text) text->assign(t->Data(), t->Length() - n, n);
                q = Canon(Pos{t, t->Length() - n});
                ctx = Context::Text;
            } else if (IsContainer(c)) {
                q = Canon(Pos{c, c->ChildCount()});
                ctx = Context::EnterScope;
            } else {
                q = Canon(Pos{q.node, i - 1});
                ctx = Context::NoScope;
            }
        } else {
            Node* parent = q.node->Parent();
            if (q.node->Type() == NodeType::Document || !parent) return Context::None;
            if (node) *node = q.node;
            q = Canon(Pos{parent, q.node->IndexInParent()});
            ctx = Context::ExitScope;
        }
    }
    if (move) p = q;
    return ctx;
}

namespace {
// A step right that stops at b when b lies inside the text being passed.
Context StepToward(Pos& p, const Pos& b, Node** node, std::wstring* text, size_t* startOffset) {
    size_t limit = 0;
    *startOffset = 0;
    if (p.node->IsText()) *startOffset = p.off;
    if (b.node && b.node->IsText()) {
        if (p.node == b.node) limit = b.off > p.off ? b.off - p.off : 0;
        else if (!p.node->IsText() && p.off < p.node->ChildCount() && p.node->ChildAt(p.off) == b.node) limit = b.off;
        if (limit == 0 && p.node == b.node) return Context::None;
    }
    return StepRight(p, true, node, limit, text);
}
}

TextStreamReader::TextStreamReader(Pos a, Pos b, TextStream& out) : p_(Canon(a)), b_(Canon(b)), out_(out) {
    out_.chars.clear();
    out_.node.clear();
    out_.offset.clear();
}

bool TextStreamReader::Next() {
    while (!done_) {
        if (ComparePos(p_, b_) >= 0) break;
        Node* n = nullptr;
        size_t start = 0;
        Context ctx = StepToward(p_, b_, &n, &chunk_, &start);
        if (ctx == Context::None) break;
        if (ctx == Context::Text) {
            if (RawContent(n->Parent())) continue;
            for (size_t k = 0; k < chunk_.size(); ++k) {
                out_.chars.push_back(chunk_[k]);
                out_.node.push_back(n->AsText());
                out_.offset.push_back(start + k);
            }
            return true;
        }
        if (IsSeparatorElement(n) || ctx == Context::NoScope) {
            out_.chars.push_back(wchar_t(0xFFFC));
            out_.node.push_back(nullptr);
            out_.offset.push_back(0);
            return true;
        }
    }
    done_ = true;
    return false;
}

void BuildTextStream(Pos a, Pos b, TextStream& out) {
    TextStreamReader r(a, b, out);
    while (r.Next()) {}
}

size_t FindInStream(const TextStream& s, const std::wstring& text, unsigned flags, size_t from, bool complete,
                    size_t* next) {
    size_t m = text.size(), n = s.chars.size();
    if (next) *next = from;
    if (m == 0 || m > n) return std::wstring::npos;
    bool matchCase = (flags & FIND_MATCH_CASE) != 0;
    bool whole = (flags & FIND_WHOLE_WORD) != 0;
    auto norm = [matchCase](wchar_t c) {
        if (c == 0xA0) c = ' ';
        return matchCase ? c : FoldCase(c);
    };
    std::wstring pat;
    for (wchar_t c : text) pat.push_back(norm(c));
    // the last start whose match can be judged with what is read
    size_t end = complete ? n - m + 1 : n - m;
    size_t i = from;
    for (; i < end; ++i) {
        size_t k = 0;
        while (k < m && s.chars[i + k] != 0xFFFC && norm(s.chars[i + k]) == pat[k]) ++k;
        if (k < m) continue;
        if (whole) {
            if (i > 0 && IsWordChar(s.chars[i - 1]) && IsWordChar(s.chars[i])) continue;
            if (i + m < n && IsWordChar(s.chars[i + m]) && IsWordChar(s.chars[i + m - 1])) continue;
        }
        if (next) *next = i;
        return i;
    }
    if (next) *next = std::max(i, from);
    return std::wstring::npos;
}

std::wstring TextBetween(Pos a, Pos b, bool breaks) {
    TextStream s;
    BuildTextStream(a, b, s);
    std::wstring out;
    for (wchar_t c : s.chars) {
        if (c != 0xFFFC) { out.push_back(c); continue; }
        if (!breaks || out.empty()) continue;
        if (out.size() >= 2 && out.compare(out.size() - 2, 2, L"\r\n") == 0) continue;
        out += L"\r\n";
    }
    if (breaks)
        while (out.size() >= 2 && out.compare(out.size() - 2, 2, L"\r\n") == 0) out.erase(out.size() - 2);
    return out;
}

Node* CommonContainer(Pos a, Pos b) {
    Node* x = a.node;
    Node* y = b.node;
    if (!x || !y) return nullptr;
    if (x->IsText() && x->Parent()) x = x->Parent();
    if (y->IsText() && y->Parent()) y = y->Parent();
    for (Node* n = x; n; n = n->Parent())
        if (n->Contains(y)) return n;
    return nullptr;
}

std::wstring HtmlBetween(Pos a, Pos b) {
    a = Canon(a);
    b = Canon(b);
    if (ComparePos(a, b) >= 0) return std::wstring();
    Node* common = CommonContainer(a, b);
    if (!common) return std::wstring();
    std::wstring out;
    // inline elements around the whole range keep its formatting
    std::vector<Element*> around;
    for (Node* n = common; n && n->IsElement() && !n->AsElement()->IsBlock(); n = n->Parent())
        around.push_back(n->AsElement());
    for (size_t k = around.size(); k-- > 0;) AppendStartTagMarkup(out, around[k]);
    // elements that the range starts inside of
    std::vector<Node*> open;
    Node* start = a.node->IsText() ? a.node->Parent() : a.node;
    for (Node* n = start; n && n != common; n = n->Parent()) open.push_back(n);
    std::reverse(open.begin(), open.end());
    for (Node* n : open)
        if (n->IsElement()) AppendStartTagMarkup(out, n->AsElement());
    Pos p = a;
    std::wstring chunk;
    while (ComparePos(p, b) < 0) {
        Node* n = nullptr;
        size_t start2 = 0;
        Context ctx = StepToward(p, b, &n, &chunk, &start2);
        if (ctx == Context::None) break;
        switch (ctx) {
        case Context::Text:
            out += RawContent(n->Parent()) ? chunk : EscapeText(chunk);
            break;
        case Context::EnterScope:
            if (n->IsElement()) AppendStartTagMarkup(out, n->AsElement());
            open.push_back(n);
            break;
        case Context::ExitScope:
            if (n->IsElement()) out += L"</" + n->AsElement()->TagName() + L">";
            if (!open.empty() && open.back() == n) open.pop_back();
            break;
        case Context::NoScope:
            if (n->IsElement()) AppendStartTagMarkup(out, n->AsElement());
            else out += SerializeNode(n, true);
            break;
        default:
            break;
        }
    }
    for (size_t k = open.size(); k-- > 0;)
        if (open[k]->IsElement()) out += L"</" + open[k]->AsElement()->TagName() + L">";
    for (Element* e : around) out += L"</" + e->TagName() + L">";
    return out;
}

Pos DocStart(Document* doc) { return Canon(Pos{doc, 0}); }
Pos DocEnd(Document* doc) { return Canon(Pos{doc, doc->ChildCount()}); }

// ---------------------------------------------------------------- MarkupPointer

MarkupPointer::MarkupPointer(Document* document) : doc_(document) { Register(); }

MarkupPointer::MarkupPointer(const MarkupPointer& other) : doc_(other.doc_), gravity_(other.gravity_) {
    Register();
    Set(other.container_, other.offset_);
}

MarkupPointer& MarkupPointer::operator=(const MarkupPointer& other) {
    if (this == &other) return *this;
    if (doc_ != other.doc_) {
        Unregister();
        doc_ = other.doc_;
        Register();
    }
    gravity_ = other.gravity_;
    Set(other.container_, other.offset_);
    return *this;
}

MarkupPointer::~MarkupPointer() { Unregister(); }

void MarkupPointer::Register() {
    if (!doc_) return;
    auto& list = doc_->Impl().pointers;
    reg_ = list.size();
    list.push_back(this);
}

void MarkupPointer::Unregister() {
    if (!doc_ || reg_ == SIZE_MAX) return;
    auto& list = doc_->Impl().pointers;
    if (reg_ < list.size() && list[reg_] == this) {
        list[reg_] = list.back();
        list[reg_]->reg_ = reg_;
        list.pop_back();
    }
    reg_ = SIZE_MAX;
}

void MarkupPointer::Set(Node* container, size_t offset) {
    container_ = container;
    offset_ = offset;
    if (!container) hold_.reset();
    else if (!hold_ || hold_.get() != container)
        hold_ = container->Type() == NodeType::Document ? nullptr : container->Self();
}

void MarkupPointer::Unposition() { Set(nullptr, 0); }

bool MarkupPointer::MoveToPointer(const MarkupPointer& other) {
    if (!doc_ || other.doc_ != doc_ || !other.container_) return false;
    Set(other.container_, other.offset_);
    return true;
}

bool MarkupPointer::MoveAdjacentToElement(Element* element, Where where) {
    if (!doc_ || !element || element->OwnerDocument() != doc_) return false;
    Pos p;
    switch (where) {
    case Where::BeforeBegin:
    case Where::AfterEnd:
        if (!element->Parent()) return false;
        p = Pos{element->Parent(), element->IndexInParent() + (where == Where::AfterEnd ? 1 : 0)};
        break;
    case Where::AfterBegin:
    case Where::BeforeEnd:
        if (element->IsVoid()) return false;
        p = Pos{element, where == Where::AfterBegin ? 0 : element->ChildCount()};
        break;
    }
    doc_->Impl().Place(*this, p);
    return true;
}

bool MarkupPointer::MoveToContainer(Node* container, bool atStart) {
    if (!doc_ || !container || container->OwnerDocument() != doc_ || !IsContainer(container)) return false;
    size_t end = container->IsText() ? container->AsText()->Length() : container->ChildCount();
    doc_->Impl().Place(*this, Pos{container, atStart ? 0 : end});
    return true;
}

bool MarkupPointer::MoveTo(Node* container, size_t offset) {
    if (!doc_ || !container || container->OwnerDocument() != doc_ || !IsContainer(container)) return false;
    size_t end = container->IsText() ? container->AsText()->Length() : container->ChildCount();
    doc_->Impl().Place(*this, Pos{container, std::min(offset, end)});
    return true;
}

Element* MarkupPointer::CurrentScope() const {
    if (!container_) return nullptr;
    Pos p = Canon(Pos{container_, offset_});
    Node* n = p.node->IsText() ? p.node->Parent() : p.node;
    return n ? n->AsElement() : nullptr;
}

namespace {
using StepFn = Context (*)(Pos& p, bool move, Node** node, size_t maxChars, std::wstring* text);

// What Left and Right share: one step from p, at most *cch characters of text (any when it is
// 0), the text passed reported back, and the pointer moved along when asked.
Context StepPointer(MarkupPointer& ptr, DocImpl& d, Pos p, StepFn step, bool move, Node** node, long* cch,
                    std::wstring* text) {
    std::wstring t;
    size_t limit = (cch && *cch > 0) ? size_t(*cch) : 0;
    Context ctx = step(p, move, node, limit, &t);
    if (cch) *cch = ctx == Context::Text ? long(t.size()) : 0;
    if (text) *text = ctx == Context::Text ? t : std::wstring();
    if (move) d.Place(ptr, p);
    return ctx;
}
}

Context MarkupPointer::Left(bool move, Node** node, long* cch, std::wstring* text) {
    if (!IsPositioned()) return Context::None;
    return StepPointer(*this, doc_->Impl(), Canon(Pos{container_, offset_}), StepLeft, move, node, cch, text);
}

Context MarkupPointer::Right(bool move, Node** node, long* cch, std::wstring* text) {
    if (!IsPositioned()) return Context::None;
    return StepPointer(*this, doc_->Impl(), Canon(Pos{container_, offset_}), StepRight, move, node, cch, text);
}

int MarkupPointer::Compare(const MarkupPointer& other) const {
    if (!IsPositioned() || !other.IsPositioned()) return 0;
    return ComparePos(Canon(Pos{container_, offset_}), Canon(Pos{other.container_, other.offset_}));
}

bool MarkupPointer::FindText(const std::wstring& text, unsigned flags, MarkupPointer* matchEnd,
                             const MarkupPointer* searchEnd) {
    if (!IsPositioned() || text.empty()) return false;
    Pos a = Canon(Pos{container_, offset_});
    Pos b = (searchEnd && searchEnd->IsPositioned()) ? Canon(Pos{searchEnd->container_, searchEnd->offset_})
                                                     : DocEnd(doc_);
    // read only as far as the first match: finding every match from the last one stays one
    // pass over the document
    TextStream s;
    TextStreamReader reader(a, b, s);
    size_t i = std::wstring::npos, from = 0;
    while (i == std::wstring::npos) {
        bool more = reader.Next();
        i = FindInStream(s, text, flags, from, !more, &from);
        if (!more) break;
    }
    if (i == std::wstring::npos) return false;
    size_t last = i + text.size() - 1;
    doc_->Impl().Place(*this, Pos{s.node[i], s.offset[i]});
    if (matchEnd) {
        if (matchEnd->doc_ != doc_) return false;
        doc_->Impl().Place(*matchEnd, Pos{s.node[last], s.offset[last] + 1});
    }
    return true;
}

// ---------------------------------------------------------------- TextRange

TextRange::TextRange(Document* document) : start_(document), end_(document) {
    start_.SetGravity(Gravity::Left);
    end_.SetGravity(Gravity::Right);
}

TextRange::TextRange(const MarkupPointer& start, const MarkupPointer& end)
    : start_(start.GetDocument()), end_(start.GetDocument()) {
    start_.SetGravity(Gravity::Left);
    end_.SetGravity(Gravity::Right);
    MoveToPointers(start, end);
}

TextRange::TextRange(const TextRange& other) : start_(other.start_), end_(other.end_) {}

TextRange& TextRange::operator=(const TextRange& other) {
    start_ = other.start_;
    end_ = other.end_;
    return *this;
}

bool TextRange::IsEmpty() const {
    if (!IsPositioned()) return true;
    return start_.Compare(end_) >= 0;
}

bool TextRange::MoveToPointers(const MarkupPointer& start, const MarkupPointer& end) {
    if (!start.IsPositioned() || !end.IsPositioned() || start.GetDocument() != GetDocument() ||
        end.GetDocument() != GetDocument())
        return false;
    if (start.Compare(end) <= 0) {
        start_.MoveToPointer(start);
        end_.MoveToPointer(end);
    } else {
        start_.MoveToPointer(end);
        end_.MoveToPointer(start);
    }
    return true;
}

bool TextRange::MoveToElementText(Element* element) {
    if (!element || element->IsVoid()) return false;
    return start_.MoveAdjacentToElement(element, Where::AfterBegin) &&
           end_.MoveAdjacentToElement(element, Where::BeforeEnd);
}

void TextRange::Collapse(bool toStart) {
    if (!IsPositioned()) return;
    if (toStart) end_.MoveToPointer(start_);
    else start_.MoveToPointer(end_);
}

bool TextRange::Select() const {
    Document* doc = GetDocument();
    if (!doc || !IsPositioned()) return false;
    doc->GetSelection().SelectRange(start_, end_);
    return true;
}

std::wstring TextRange::Text() const {
    if (!IsPositioned()) return std::wstring();
    return TextBetween(DocImpl::PosOf(start_), DocImpl::PosOf(end_), true);
}

std::wstring TextRange::HtmlText() const {
    if (!IsPositioned()) return std::wstring();
    return HtmlBetween(DocImpl::PosOf(start_), DocImpl::PosOf(end_));
}

bool TextRange::SetText(const std::wstring& text) {
    if (!IsPositioned()) return false;
    return ReplaceRangeWithText(*GetDocument(), start_, end_, text);
}

bool TextRange::PasteHtml(const std::wstring& html) {
    if (!IsPositioned()) return false;
    return ReplaceRangeWithHtml(*GetDocument(), start_, end_, html);
}

Element* TextRange::ParentElement() const {
    if (!IsPositioned()) return nullptr;
    Pos a = Canon(DocImpl::PosOf(start_)), b = Canon(DocImpl::PosOf(end_));
    // move the ends inward over tags
    for (int guard = 0; guard < 10000 && ComparePos(a, b) < 0; ++guard) {
        Pos q = a;
        Context c = StepRight(q, false, nullptr, 0, nullptr);
        if (c != Context::EnterScope && c != Context::ExitScope) break;
        StepRight(q, true, nullptr, 0, nullptr);
        if (ComparePos(q, b) > 0) break;
        a = q;
    }
    for (int guard = 0; guard < 10000 && ComparePos(a, b) < 0; ++guard) {
        Pos q = b;
        Context c = StepLeft(q, false, nullptr, 0, nullptr);
        if (c != Context::EnterScope && c != Context::ExitScope) break;
        StepLeft(q, true, nullptr, 0, nullptr);
        if (ComparePos(q, a) < 0) break;
        b = q;
    }
    // a range that covers exactly one element without content stands for that element's parent
    Node* n = CommonContainer(a, b);
    while (n && !n->IsElement()) n = n->Parent();
    if (!n) return GetDocument() ? GetDocument()->Body() : nullptr;
    return n->AsElement();
}

bool TextRange::FindText(const std::wstring& text, unsigned flags) {
    Document* doc = GetDocument();
    if (!doc || !IsPositioned() || text.empty()) return false;
    MarkupPointer s(start_), e(doc);
    bool collapsed = IsEmpty();
    if (!s.FindText(text, flags, &e, collapsed ? nullptr : &end_)) return false;
    start_.MoveToPointer(s);
    end_.MoveToPointer(e);
    return true;
}

bool TextRange::IsEqual(const TextRange& other) const {
    return IsPositioned() && other.IsPositioned() && start_.Compare(other.start_) == 0 &&
           end_.Compare(other.end_) == 0;
}

bool TextRange::InRange(const TextRange& other) const {
    return IsPositioned() && other.IsPositioned() && start_.Compare(other.start_) <= 0 &&
           end_.Compare(other.end_) >= 0;
}

// ---------------------------------------------------------------- Selection

Selection::Selection(Document* doc) : doc_(doc) {}

SelectionType Selection::Type() const { return doc_->Impl().selType; }

bool Selection::IsCollapsed() const {
    const DocImpl& d = doc_->Impl();
    if (d.selType == SelectionType::Control) return false;
    return !d.selStart.IsPositioned() || d.selStart.Compare(d.selEnd) == 0;
}

TextRange Selection::CreateRange() const {
    const DocImpl& d = doc_->Impl();
    TextRange r(doc_);
    if (d.selStart.IsPositioned() && d.selEnd.IsPositioned()) r.MoveToPointers(d.selStart, d.selEnd);
    return r;
}

std::vector<ElementPtr> Selection::ControlElements() const { return doc_->Impl().selControls; }
const MarkupPointer& Selection::Start() const { return doc_->Impl().selStart; }
const MarkupPointer& Selection::End() const { return doc_->Impl().selEnd; }

void Selection::SelectRange(const MarkupPointer& start, const MarkupPointer& end) {
    DocImpl& d = doc_->Impl();
    if (!start.IsPositioned() || !end.IsPositioned() || start.GetDocument() != doc_ || end.GetDocument() != doc_) return;
    d.SetSelection(DocImpl::PosOf(start), DocImpl::PosOf(end));
    if (d.selStart.Compare(d.selEnd) == 0) d.selType = SelectionType::None;
}

void Selection::SelectElement(Element* element) {
    DocImpl& d = doc_->Impl();
    if (!element || element->OwnerDocument() != doc_ || !element->Parent()) return;
    size_t i = element->IndexInParent();
    d.SetSelection(Pos{element->Parent(), i}, Pos{element->Parent(), i + 1});
    d.selControls.assign(1, std::static_pointer_cast<Element>(element->Self()));
    d.selType = SelectionType::Control;
}

void Selection::MoveCaret(const MarkupPointer& at) {
    if (!at.IsPositioned() || at.GetDocument() != doc_) return;
    DocImpl& d = doc_->Impl();
    d.SetSelection(DocImpl::PosOf(at), DocImpl::PosOf(at));
    d.selType = SelectionType::None;
}

void Selection::Empty() {
    DocImpl& d = doc_->Impl();
    if (d.selEnd.IsPositioned()) d.selStart.MoveToPointer(d.selEnd);
    d.selControls.clear();
    d.selType = SelectionType::None;
    d.SelectionChanged();
}

std::wstring Selection::Text() const {
    if (Type() == SelectionType::None) return std::wstring();
    return CreateRange().Text();
}

// ---------------------------------------------------------------- highlights

HighlightSegment::HighlightSegment(const MarkupPointer& start, const MarkupPointer& end, const RenderStyle& style)
    : start_(start.GetDocument()), end_(start.GetDocument()), style_(style) {
    // the segment keeps to its text: content typed at its edges stays outside
    start_.SetGravity(Gravity::Right);
    end_.SetGravity(Gravity::Left);
    start_.MoveToPointer(start);
    end_.MoveToPointer(end);
}

std::wstring HighlightSegment::Text() const {
    if (!start_.IsPositioned() || !end_.IsPositioned()) return std::wstring();
    return TextBetween(DocImpl::PosOf(start_), DocImpl::PosOf(end_), false);
}

std::shared_ptr<HighlightSegment> Document::AddHighlight(const MarkupPointer& start, const MarkupPointer& end,
                                                         const RenderStyle& style) {
    if (!start.IsPositioned() || !end.IsPositioned() || start.GetDocument() != this || end.GetDocument() != this)
        return nullptr;
    bool ordered = start.Compare(end) <= 0;
    auto seg = std::make_shared<HighlightSegment>(ordered ? start : end, ordered ? end : start, style);
    impl_->highlights.push_back(seg);
    for (IDocObserver* o : impl_->observers) o->SelectionChanged();
    return seg;
}

void Document::RemoveHighlight(const std::shared_ptr<HighlightSegment>& segment) {
    auto& h = impl_->highlights;
    h.erase(std::remove(h.begin(), h.end(), segment), h.end());
    for (IDocObserver* o : impl_->observers) o->SelectionChanged();
}

std::vector<std::shared_ptr<HighlightSegment>> Document::Highlights() const { return impl_->highlights; }

} // namespace HtmlEngine
