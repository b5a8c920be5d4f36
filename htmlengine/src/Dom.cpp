#include "htmlengine/Dom.h"
#include <algorithm>
#include <cwchar>
#include "htmlengine/Markup.h"
#include "htmlengine/Style.h"
#include "DocImpl.h"
#include "Parser.h"
#include "Serializer.h"
#include "TextUtil.h"

namespace HtmlEngine {

// ---------------------------------------------------------------- Node

Node::Node(NodeType type, Document* doc) : type_(type), doc_(doc) {
    if (doc_ && type_ != NodeType::Document) {
        livenext_ = doc_->liveHead_;
        if (livenext_) livenext_->liveprev_ = this;
        doc_->liveHead_ = this;
    }
}

Node::~Node() {
    if (doc_ && type_ != NodeType::Document) {
        if (liveprev_) liveprev_->livenext_ = livenext_;
        else doc_->liveHead_ = livenext_;
        if (livenext_) livenext_->liveprev_ = liveprev_;
    }
    // release the subtree without recursion, whatever its depth, in document order: that is
    // the order in which a parse allocated it, and some heaps (Wine's) free many blocks in
    // the reverse order many times slower
    std::vector<NodePtr> pending;
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        (*it)->parent_ = nullptr;
        pending.push_back(std::move(*it));
    }
    children_.clear();
    while (!pending.empty()) {
        NodePtr n = std::move(pending.back());
        pending.pop_back();
        if (n.use_count() == 1) {
            for (auto it = n->children_.rbegin(); it != n->children_.rend(); ++it) {
                (*it)->parent_ = nullptr;
                pending.push_back(std::move(*it));
            }
            n->children_.clear();
        }
    }
}

Element* Node::AsElement() { return IsElement() ? static_cast<Element*>(this) : nullptr; }
const Element* Node::AsElement() const { return IsElement() ? static_cast<const Element*>(this) : nullptr; }
TextNode* Node::AsText() { return IsText() ? static_cast<TextNode*>(this) : nullptr; }
const TextNode* Node::AsText() const { return IsText() ? static_cast<const TextNode*>(this) : nullptr; }

Element* Node::ParentElement() const { return parent_ ? parent_->AsElement() : nullptr; }

size_t Node::IndexInParent() const {
    if (!parent_) return 0;
    const auto& sib = parent_->children_;
    if (indexHint_ < sib.size() && sib[indexHint_].get() == this) return indexHint_;
    // look near the hint first: edits move siblings by a few places
    size_t n = sib.size();
    for (size_t d = 1; d < 8; ++d) {
        if (indexHint_ + d < n && sib[indexHint_ + d].get() == this) return indexHint_ = indexHint_ + d;
        if (indexHint_ >= d && indexHint_ - d < n && sib[indexHint_ - d].get() == this) return indexHint_ = indexHint_ - d;
    }
    for (size_t i = 0; i < n; ++i)
        if (sib[i].get() == this) return indexHint_ = i;
    return 0;
}

Node* Node::PreviousSibling() const {
    if (!parent_) return nullptr;
    size_t i = IndexInParent();
    return i > 0 ? parent_->children_[i - 1].get() : nullptr;
}

Node* Node::NextSibling() const {
    if (!parent_) return nullptr;
    size_t i = IndexInParent();
    return i + 1 < parent_->children_.size() ? parent_->children_[i + 1].get() : nullptr;
}

bool Node::Contains(const Node* other) const {
    for (; other; other = other->parent_)
        if (other == this) return true;
    return false;
}

size_t Node::Depth() const {
    size_t d = 0;
    for (const Node* n = parent_; n; n = n->parent_) ++d;
    return d;
}

Node* Node::NextInOrder(const Node* root) const {
    if (!children_.empty()) return children_.front().get();
    return NextSkippingChildren(root);
}

Node* Node::NextSkippingChildren(const Node* root) const {
    const Node* n = this;
    while (n && n != root) {
        if (Node* s = n->NextSibling()) return s;
        n = n->parent_;
    }
    return nullptr;
}

Node* Node::PreviousInOrder(const Node* root) const {
    if (this == root) return nullptr;
    Node* p = PreviousSibling();
    if (!p) return parent_;
    while (!p->children_.empty()) p = p->children_.back().get();
    return p;
}

std::wstring Node::TextContent() const {
    if (IsText()) return AsText()->Data();
    std::wstring out;
    for (const Node* n = NextInOrder(this); n; n = n->NextInOrder(this))
        if (n->IsText()) out += n->AsText()->Data();
    return out;
}

std::wstring Node::InnerText() const {
    if (IsText()) return AsText()->Data();
    return InnerTextOf(this);
}

std::wstring Node::InnerText(size_t maxChars) const {
    if (IsText()) return AsText()->Data().substr(0, maxChars);
    return InnerTextOf(this, maxChars);
}

std::wstring Node::OuterHtml() const { return SerializeNode(this, true); }
std::wstring Node::InnerHtml() const { return SerializeNode(this, false); }

bool Node::AppendChild(const NodePtr& child) { return InsertBefore(child, nullptr); }

bool Node::InsertBefore(const NodePtr& child, Node* reference) {
    if (!child || child.get() == this || child->Type() == NodeType::Document) return false;
    if (child->doc_ != doc_ || !IsContainer(this) || IsText() || child->Contains(this)) return false;
    if (reference && reference->parent_ != this) return false;
    if (reference == child.get()) return true;
    if (!doc_) {
        if (child->parent_) DocImpl::RawDetach(child.get());
        DocImpl::RawInsert(this, reference ? reference->IndexInParent() : children_.size(), child);
        return true;
    }
    DocImpl& d = doc_->Impl();
    {
        DocImpl::Batch batch(d);
        if (child->parent_) {
            Node* oldParent = child->parent_;
            size_t oldIdx = child->IndexInParent();
            size_t idx = reference ? reference->IndexInParent() : children_.size();
            if (oldParent == this && oldIdx < idx) --idx;
            d.MoveNode(child.get(), this, idx);
        } else {
            d.InsertNode(this, reference ? reference->IndexInParent() : children_.size(), child);
        }
    }
    return !d.refused;   // false when it would nest elements deeper than the cap
}

NodePtr Node::RemoveChild(Node* child) {
    if (!child || child->parent_ != this) return nullptr;
    return child->RemoveNode(true);
}

NodePtr Node::RemoveNode(bool deep) {
    NodePtr self = Self();
    if (!parent_) return self;
    if (!doc_) { DocImpl::RawDetach(this); return self; }
    DocImpl& d = doc_->Impl();
    DocImpl::Batch batch(d);
    if (!deep && IsElement()) {
        // the content takes its place in one step
        d.UnwrapChildren(parent_, {AsElement()});
        return self;
    }
    if (!deep) {
        Node* parent = parent_;
        while (!children_.empty()) d.MoveNode(children_.front().get(), parent, IndexInParent());
    }
    d.DetachNode(this);
    return self;
}

bool Node::ReplaceWith(const NodePtr& replacement) {
    if (!parent_ || !replacement || replacement.get() == this) return false;
    Node* parent = parent_;
    if (!doc_) return false;
    DocImpl::Batch batch(doc_->Impl());
    if (!parent->InsertBefore(replacement, this)) return false;
    RemoveNode(true);
    return true;
}

// ---------------------------------------------------------------- TextNode, CommentNode

void TextNode::SetData(const std::wstring& data) {
    if (!OwnerDocument()) { data_ = data; return; }
    DocImpl::Batch batch(OwnerDocument()->Impl());
    OwnerDocument()->Impl().SpliceText(this, 0, data_.size(), data);
}

TextPtr TextNode::SplitAt(size_t offset) {
    if (offset > data_.size() || !Parent() || !OwnerDocument()) return nullptr;
    DocImpl::Batch batch(OwnerDocument()->Impl());
    return OwnerDocument()->Impl().SplitText(this, offset);
}

std::wstring CommentNode::Data() const {
    const std::wstring& m = markup_;
    if (m.size() >= 7 && m.compare(0, 4, L"<!--") == 0 && m.compare(m.size() - 3, 3, L"-->") == 0)
        return m.substr(4, m.size() - 7);
    if (m.size() >= 3 && m[0] == '<' && m.back() == '>') return m.substr(2, m.size() - 3);
    return m;
}

// ---------------------------------------------------------------- Element

Element::Element(Document* doc, std::wstring tagName, int tagId)
    : Node(NodeType::Element, doc), tagName_(std::move(tagName)), tagId_(tagId) {}

Element::~Element() = default;

bool Element::IsVoid() const { return IsVoidTag(tagId_); }
bool Element::IsBlock() const { return IsBlockTag(tagId_); }

bool Element::HasAttribute(const std::wstring& name) const {
    for (const auto& a : attrs_)
        if (IEquals(a.name, name)) return true;
    return false;
}

std::wstring Element::GetAttribute(const std::wstring& name) const {
    for (const auto& a : attrs_)
        if (IEquals(a.name, name)) return a.value;
    return std::wstring();
}

bool Element::GetAttribute(const std::wstring& name, std::wstring* value) const {
    for (const auto& a : attrs_)
        if (IEquals(a.name, name)) { *value = a.value; return true; }
    value->clear();
    return false;
}

void Element::SetAttribute(const std::wstring& name, const std::wstring& value) {
    if (name.empty()) return;
    std::wstring n = NormalizeAttributeName(name);
    if (!OwnerDocument()) {
        for (auto& a : attrs_)
            if (IEquals(a.name, n)) { a.value = value; return; }
        attrs_.push_back(Attribute{n, value});
        return;
    }
    DocImpl::Batch batch(OwnerDocument()->Impl());
    OwnerDocument()->Impl().SetAttr(this, n, &value);
}

bool Element::RemoveAttribute(const std::wstring& name) {
    if (!HasAttribute(name)) return false;
    if (!OwnerDocument()) {
        attrs_.erase(std::remove_if(attrs_.begin(), attrs_.end(),
                                    [&](const Attribute& a) { return IEquals(a.name, name); }),
                     attrs_.end());
        return true;
    }
    DocImpl::Batch batch(OwnerDocument()->Impl());
    OwnerDocument()->Impl().SetAttr(this, name, nullptr);
    return true;
}

namespace {
// Replaces all children of parent with nodes (recorded).
void ReplaceChildren(DocImpl& d, Node* parent, std::vector<NodePtr>& nodes) {
    while (parent->ChildCount()) d.DetachNode(parent->LastChild());
    for (auto& n : nodes) d.InsertNode(parent, parent->ChildCount(), n);
}

void InsertNodesAt(DocImpl& d, Node* parent, size_t index, std::vector<NodePtr>& nodes) {
    d.InsertNodes(parent, index, nodes);
}
}

bool Element::SetInnerHtml(const std::wstring& html) {
    if (IsVoid() || !OwnerDocument()) return false;
    DocImpl& d = OwnerDocument()->Impl();
    std::vector<NodePtr> nodes = ParseFragment(d, html, tagId_, tagName_, Depth());
    DocImpl::Batch batch(d);
    ReplaceChildren(d, this, nodes);
    return true;
}

bool Element::SetOuterHtml(const std::wstring& html) {
    Node* parent = Parent();
    if (!parent || !OwnerDocument()) return false;
    DocImpl& d = OwnerDocument()->Impl();
    const Element* ctx = parent->AsElement();
    std::vector<NodePtr> nodes = ctx ? ParseFragment(d, html, ctx->TagId(), ctx->TagName(), ctx->Depth())
                                     : ParseFragment(d, html, TAG_BODY, L"", 2);
    DocImpl::Batch batch(d);
    NodePtr self = Self();
    InsertNodesAt(d, parent, IndexInParent(), nodes);
    d.DetachNode(this);
    return true;
}

void Element::SetInnerText(const std::wstring& text) {
    if (IsVoid() || !OwnerDocument()) return;
    DocImpl& d = OwnerDocument()->Impl();
    std::vector<NodePtr> nodes;
    std::wstring line;
    for (size_t i = 0; i <= text.size(); ++i) {
        wchar_t c = i < text.size() ? text[i] : 0;
        if (i == text.size() || c == '\n' || c == '\r') {
            if (!line.empty()) nodes.push_back(d.NewText(line));
            line.clear();
            if (i == text.size()) break;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            nodes.push_back(d.NewElement(TAG_BR));
        } else {
            line.push_back(c);
        }
    }
    DocImpl::Batch batch(d);
    ReplaceChildren(d, this, nodes);
}

bool Element::InsertAdjacentHtml(Where where, const std::wstring& html) {
    if (!OwnerDocument()) return false;
    DocImpl& d = OwnerDocument()->Impl();
    Node* parent = (where == Where::BeforeBegin || where == Where::AfterEnd) ? Parent() : this;
    if (!parent || (parent == this && IsVoid())) return false;
    const Element* ctx = parent->AsElement();
    std::vector<NodePtr> nodes = ctx ? ParseFragment(d, html, ctx->TagId(), ctx->TagName(), ctx->Depth())
                                     : ParseFragment(d, html, TAG_BODY, L"", 2);
    size_t index = where == Where::BeforeBegin ? IndexInParent()
                 : where == Where::AfterEnd ? IndexInParent() + 1
                 : where == Where::AfterBegin ? 0 : ChildCount();
    DocImpl::Batch batch(d);
    InsertNodesAt(d, parent, index, nodes);
    return true;
}

bool Element::InsertAdjacentElement(Where where, const ElementPtr& element) {
    if (!element) return false;
    switch (where) {
    case Where::BeforeBegin:
        return Parent() && Parent()->InsertBefore(element, this);
    case Where::AfterEnd:
        return Parent() && Parent()->InsertBefore(element, NextSibling());
    case Where::AfterBegin:
        return InsertBefore(element, FirstChild());
    case Where::BeforeEnd:
        return AppendChild(element);
    }
    return false;
}

bool Element::InsertAdjacentText(Where where, const std::wstring& text) {
    if (!OwnerDocument()) return false;
    TextPtr t = OwnerDocument()->CreateTextNode(text);
    switch (where) {
    case Where::BeforeBegin:
        return Parent() && Parent()->InsertBefore(t, this);
    case Where::AfterEnd:
        return Parent() && Parent()->InsertBefore(t, NextSibling());
    case Where::AfterBegin:
        return InsertBefore(t, FirstChild());
    case Where::BeforeEnd:
        return AppendChild(t);
    }
    return false;
}

ElementPtr Element::CloneShallow() const {
    Document* doc = OwnerDocument();
    if (!doc) return nullptr;
    ElementPtr e = doc->Impl().NewElement(tagName_);
    e->attrs_ = attrs_;
    return e;
}

std::wstring Element::GetStyle(const std::wstring& property) const {
    return FindDeclaration(GetAttribute(L"style"), property);
}

void Element::SetStyle(const std::wstring& property, const std::wstring& value) {
    std::wstring css = SetDeclaration(GetAttribute(L"style"), property, value);
    SetStyleText(css);
}

void Element::SetStyleText(const std::wstring& css) {
    if (Trim(css).empty()) RemoveAttribute(L"style");
    else SetAttribute(L"style", css);
}

Element* Element::PreviousElementSibling() const {
    for (Node* n = PreviousSibling(); n; n = n->PreviousSibling())
        if (n->IsElement()) return n->AsElement();
    return nullptr;
}

Element* Element::NextElementSibling() const {
    for (Node* n = NextSibling(); n; n = n->NextSibling())
        if (n->IsElement()) return n->AsElement();
    return nullptr;
}

Element* Element::FirstElementChild() const {
    for (const auto& c : Children())
        if (c->IsElement()) return c->AsElement();
    return nullptr;
}

std::vector<ElementPtr> Element::ChildElements() const {
    std::vector<ElementPtr> out;
    for (const auto& c : Children())
        if (c->IsElement()) out.push_back(std::static_pointer_cast<Element>(c));
    return out;
}

Element* Element::Closest(int tagId) {
    for (Node* n = this; n; n = n->Parent())
        if (n->IsElement() && n->AsElement()->tagId_ == tagId) return n->AsElement();
    return nullptr;
}

Element* Element::ClosestOf(std::initializer_list<int> tagIds) {
    for (Node* n = this; n; n = n->Parent()) {
        if (!n->IsElement()) continue;
        for (int id : tagIds)
            if (n->AsElement()->tagId_ == id) return n->AsElement();
    }
    return nullptr;
}

namespace {
void CollectByTag(const Node* root, const std::wstring& name, std::vector<ElementPtr>& out) {
    bool all = name == L"*";
    std::wstring up = UpperAscii(name);
    if (up == L"IMAGE") up = L"IMG";
    for (Node* n = root->NextInOrder(root); n; n = n->NextInOrder(root)) {
        if (!n->IsElement()) continue;
        if (all || n->AsElement()->TagName() == up) out.push_back(std::static_pointer_cast<Element>(n->Self()));
    }
}
}

std::vector<ElementPtr> Element::GetElementsByTagName(const std::wstring& name) const {
    std::vector<ElementPtr> out;
    CollectByTag(this, name, out);
    return out;
}

// ---- tables

Element* Element::OwnerTable() const {
    for (Node* n = Parent(); n; n = n->Parent())
        if (n->IsElement() && n->AsElement()->Is(TAG_TABLE)) return n->AsElement();
    return nullptr;
}

std::vector<ElementPtr> Element::Rows() const {
    std::vector<ElementPtr> rows;
    auto addRowsOf = [&rows](const Node* parent) {
        for (const auto& c : parent->Children())
            if (c->IsElement() && c->AsElement()->Is(TAG_TR)) rows.push_back(std::static_pointer_cast<Element>(c));
    };
    if (tagId_ == TAG_TABLE) {
        for (const auto& c : Children()) {
            if (!c->IsElement()) continue;
            const Element* e = c->AsElement();
            if (e->Is(TAG_TR)) rows.push_back(std::static_pointer_cast<Element>(c));
            else if (IsTableSectionTag(e->TagId())) addRowsOf(e);
        }
    } else if (IsTableSectionTag(tagId_)) {
        addRowsOf(this);
    }
    return rows;
}

ElementPtr Element::InsertRow(int index) {
    Document* doc = OwnerDocument();
    if (!doc || (tagId_ != TAG_TABLE && !IsTableSectionTag(tagId_))) return nullptr;
    std::vector<ElementPtr> rows = Rows();
    if (index < -1 || index > int(rows.size())) return nullptr;
    DocImpl& d = doc->Impl();
    DocImpl::Batch batch(d);
    ElementPtr tr = d.NewElement(TAG_TR);
    if (rows.empty()) {
        Node* section = this;
        if (tagId_ == TAG_TABLE) {
            section = nullptr;
            for (auto it = Children().rbegin(); it != Children().rend(); ++it)
                if ((*it)->IsElement() && (*it)->AsElement()->Is(TAG_TBODY)) { section = it->get(); break; }
            if (!section) {
                ElementPtr tbody = d.NewElement(TAG_TBODY);
                d.InsertNode(this, ChildCount(), tbody);
                section = tbody.get();
            }
        }
        d.InsertNode(section, section->ChildCount(), tr);
    } else if (index == -1 || index == int(rows.size())) {
        Element* last = rows.back().get();
        d.InsertNode(last->Parent(), last->IndexInParent() + 1, tr);
    } else {
        Element* at = rows[size_t(index)].get();
        d.InsertNode(at->Parent(), at->IndexInParent(), tr);
    }
    return tr;
}

bool Element::DeleteRow(int index) {
    std::vector<ElementPtr> rows = Rows();
    if (rows.empty()) return false;
    if (index == -1) index = int(rows.size()) - 1;
    if (index < 0 || index >= int(rows.size())) return false;
    rows[size_t(index)]->RemoveNode(true);
    return true;
}

std::vector<ElementPtr> Element::Cells() const {
    std::vector<ElementPtr> cells;
    if (tagId_ != TAG_TR) return cells;
    for (const auto& c : Children())
        if (c->IsElement() && (c->AsElement()->Is(TAG_TD) || c->AsElement()->Is(TAG_TH)))
            cells.push_back(std::static_pointer_cast<Element>(c));
    return cells;
}

ElementPtr Element::InsertCell(int index) {
    Document* doc = OwnerDocument();
    if (!doc || tagId_ != TAG_TR) return nullptr;
    std::vector<ElementPtr> cells = Cells();
    if (index < -1 || index > int(cells.size())) return nullptr;
    DocImpl& d = doc->Impl();
    DocImpl::Batch batch(d);
    ElementPtr td = d.NewElement(TAG_TD);
    if (index == -1 || index == int(cells.size())) {
        size_t at = cells.empty() ? ChildCount() : cells.back()->IndexInParent() + 1;
        d.InsertNode(this, at, td);
    } else {
        d.InsertNode(this, cells[size_t(index)]->IndexInParent(), td);
    }
    return td;
}

bool Element::DeleteCell(int index) {
    std::vector<ElementPtr> cells = Cells();
    if (cells.empty()) return false;
    if (index == -1) index = int(cells.size()) - 1;
    if (index < 0 || index >= int(cells.size())) return false;
    cells[size_t(index)]->RemoveNode(true);
    return true;
}

int Element::RowIndex() const {
    if (tagId_ != TAG_TR) return -1;
    Element* table = OwnerTable();
    if (!table) return -1;
    std::vector<ElementPtr> rows = table->Rows();
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].get() == this) return int(i);
    return -1;
}

int Element::CellIndex() const {
    Element* row = ParentElement();
    if (!row || !row->Is(TAG_TR)) return -1;
    std::vector<ElementPtr> cells = row->Cells();
    for (size_t i = 0; i < cells.size(); ++i)
        if (cells[i].get() == this) return int(i);
    return -1;
}

namespace {
int LeadingInt(const std::wstring& s, int fallback) {
    size_t i = 0;
    while (i < s.size() && IsHtmlSpace(s[i])) ++i;
    long v = 0;
    size_t start = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && v < 1000000) v = v * 10 + (s[i++] - '0');
    return i == start ? fallback : int(v);
}
}

// Spans are capped as browsers cap them, so that grids built from them stay small.
int Element::ColSpan() const {
    int v = LeadingInt(GetAttribute(L"colSpan"), 1);
    return v < 1 ? 1 : v > 1000 ? 1000 : v;
}

void Element::SetColSpan(int span) {
    if (span <= 1) RemoveAttribute(L"colSpan");
    else SetAttribute(L"colSpan", std::to_wstring(span > 1000 ? 1000 : span));
}

int Element::RowSpan() const {
    int v = LeadingInt(GetAttribute(L"rowSpan"), 1);
    return v < 1 ? 1 : v > 65534 ? 65534 : v;
}

void Element::SetRowSpan(int span) {
    if (span <= 1) RemoveAttribute(L"rowSpan");
    else SetAttribute(L"rowSpan", std::to_wstring(span > 65534 ? 65534 : span));
}

// ---- images, check boxes, handlers, sheet

void Element::SetSrc(const std::wstring& src) { SetAttribute(L"src", src); }

int Element::Width() const {
    int v = LeadingInt(GetAttribute(L"width"), -1);
    return v >= 0 ? v : naturalWidth_;
}

int Element::Height() const {
    int v = LeadingInt(GetAttribute(L"height"), -1);
    return v >= 0 ? v : naturalHeight_;
}

bool Element::IsComplete() const { return imageComplete_; }

void Element::SetImageLoaded(bool ok, int naturalWidth, int naturalHeight) {
    imageComplete_ = true;
    naturalWidth_ = ok ? naturalWidth : 0;
    naturalHeight_ = ok ? naturalHeight : 0;
    if (Document* d = OwnerDocument()) d->Impl().Touched(this);
}

void Element::SetChecked(bool checked) {
    if (checked) SetAttribute(L"checked", L"");
    else RemoveAttribute(L"checked");
}

void Element::SetEventHandler(const std::wstring& event, std::shared_ptr<IEventHandler> handler) {
    for (auto it = handlers_.begin(); it != handlers_.end(); ++it) {
        if (IEquals(it->first, event)) {
            if (handler) it->second = std::move(handler);
            else handlers_.erase(it);
            return;
        }
    }
    if (handler) handlers_.emplace_back(event, std::move(handler));
}

std::shared_ptr<IEventHandler> Element::GetEventHandler(const std::wstring& event) const {
    for (const auto& h : handlers_)
        if (IEquals(h.first, event)) return h.second;
    return nullptr;
}

StyleSheet* Element::Sheet() {
    bool isSheet = tagId_ == TAG_STYLE || (tagId_ == TAG_LINK && IEquals(GetAttribute(L"rel"), L"stylesheet"));
    if (!isSheet) return nullptr;
    if (!sheet_) sheet_.reset(new StyleSheet(this));
    return sheet_.get();
}

// ---------------------------------------------------------------- Document

Document::Document() : Node(NodeType::Document, nullptr) {
    doc_ = this;
    impl_.reset(new DocImpl(this));
    impl_->Attach();
}

DocumentPtr Document::Create() {
    DocumentPtr d(new Document());
    d->LoadHtml(L"");
    return d;
}

Document::~Document() {
    for (MarkupPointer* p : impl_->pointers) {
        p->doc_ = nullptr;
        p->container_ = nullptr;
        p->hold_.reset();
        p->reg_ = SIZE_MAX;
    }
    impl_->pointers.clear();
    impl_.reset();
    // nodes that outlive the document (held by callers) no longer belong to one
    for (Node* n = liveHead_; n;) {
        Node* next = n->livenext_;
        n->doc_ = nullptr;
        n->liveprev_ = n->livenext_ = nullptr;
        n = next;
    }
    liveHead_ = nullptr;
}

void Document::LoadHtml(const std::wstring& html) {
    impl_->ResetContent();
    ParseDocument(*impl_, html);
    impl_->RequestImages(this);
    impl_->sheetsKnown = false;
    dirty_ = false;
    if (Element* body = Body()) {
        impl_->Place(impl_->selStart, Pos{body, 0});
        impl_->Place(impl_->selEnd, Pos{body, 0});
    }
    impl_->selType = SelectionType::None;
}

namespace {
std::wstring DecodeBytes(const unsigned char* p, size_t n) {
    std::wstring out;
    if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        bool le = p[0] == 0xFF;
        out.reserve(n / 2);
        for (size_t i = 2; i + 1 < n; i += 2) {
            unsigned u = le ? (p[i] | (p[i + 1] << 8)) : ((p[i] << 8) | p[i + 1]);
            if (sizeof(wchar_t) == 4 && u >= 0xD800 && u <= 0xDBFF && i + 3 < n) {
                unsigned lo = le ? (p[i + 2] | (p[i + 3] << 8)) : ((p[i + 2] << 8) | p[i + 3]);
                if (lo >= 0xDC00 && lo <= 0xDFFF) {
                    AppendCodePoint(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
                    i += 2;
                    continue;
                }
            }
            out.push_back(wchar_t(u));
        }
        return out;
    }
    size_t skip = (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) ? 3 : 0;
    return Utf8ToWide(std::string(reinterpret_cast<const char*>(p) + skip, n - skip));
}
}

void Document::LoadBytes(const void* data, size_t size) {
    LoadHtml(data ? DecodeBytes(static_cast<const unsigned char*>(data), size) : std::wstring());
}

void Document::LoadStream(IByteSource& source) {
    std::vector<unsigned char> bytes;
    std::vector<unsigned char> chunk(64 * 1024);
    for (;;) {
        uint32_t got = 0;
        bool more = source.Read(chunk.data(), uint32_t(chunk.size()), &got);
        if (got > chunk.size()) got = uint32_t(chunk.size());
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
        if (!more || got == 0) break;
    }
    LoadBytes(bytes.data(), bytes.size());
}

Element* Document::DocumentElement() const {
    for (const auto& c : Children())
        if (c->IsElement()) return c->AsElement();
    return nullptr;
}

Element* Document::Head() const {
    if (Element* html = DocumentElement())
        for (const auto& c : html->Children())
            if (c->IsElement() && c->AsElement()->Is(TAG_HEAD)) return c->AsElement();
    return nullptr;
}

Element* Document::Body() const {
    if (Element* html = DocumentElement())
        for (const auto& c : html->Children())
            if (c->IsElement() && c->AsElement()->Is(TAG_BODY)) return c->AsElement();
    for (Node* n = NextInOrder(this); n; n = n->NextInOrder(this))
        if (n->IsElement() && n->AsElement()->Is(TAG_BODY)) return n->AsElement();
    return nullptr;
}

Element* Document::EnsureBody() {
    if (Element* b = Body()) return b;
    DocImpl::Batch batch(*impl_);
    Element* html = DocumentElement();
    if (!html || !html->Is(TAG_HTML)) {
        ElementPtr h = impl_->NewElement(TAG_HTML);
        impl_->InsertNode(this, ChildCount(), h);
        html = h.get();
    }
    ElementPtr body = impl_->NewElement(TAG_BODY);
    impl_->InsertNode(html, html->ChildCount(), body);
    return body.get();
}

ElementPtr Document::CreateElement(const std::wstring& tagName) {
    std::wstring name = Trim(tagName);
    // "<TAG attrs>" is accepted too
    if (!name.empty() && name[0] == '<') {
        std::vector<NodePtr> nodes = ParseFragment(name, nullptr);
        if (!nodes.empty() && nodes[0]->IsElement()) {
            ElementPtr e = std::static_pointer_cast<Element>(nodes[0]);
            while (e->ChildCount()) DocImpl::RawDetach(e->FirstChild());
            return e;
        }
        return nullptr;
    }
    if (name.empty()) return nullptr;
    return impl_->NewElement(name);
}

ElementPtr Document::CreateElement(int tagId, const std::wstring& attributes) {
    const wchar_t* name = TagNameFromId(tagId);
    if (!*name) return nullptr;
    ElementPtr e = impl_->NewElement(tagId);
    e->attrs_ = ParseAttributeText(attributes);
    return e;
}

ElementPtr Document::CreateElementFromMarkup(const std::wstring& tagName, const std::wstring& attributes) {
    if (tagName.empty()) return nullptr;
    ElementPtr e = impl_->NewElement(tagName);
    e->attrs_ = ParseAttributeText(attributes);
    return e;
}

TextPtr Document::CreateTextNode(const std::wstring& text) { return impl_->NewText(text); }

// Comment text that would end the comment early ("-->", "--!>", a leading ">" or "->") is
// split by a space, so that the comment reads back as one comment.
NodePtr Document::CreateComment(const std::wstring& data) {
    std::wstring safe;
    for (wchar_t c : data) {
        if (c == '-' && !safe.empty() && safe.back() == '-') safe.push_back(' ');
        safe.push_back(c);
    }
    if (!safe.empty() && (safe[0] == '>' || (safe[0] == '-' && (safe.size() == 1 || safe[1] == '>'))))
        safe.insert(safe.begin(), ' ');
    if (!safe.empty() && safe.back() == '-') safe.push_back(' ');
    return impl_->NewComment(L"<!--" + safe + L"-->");
}

std::vector<ElementPtr> Document::GetElementsByTagName(const std::wstring& name) const {
    std::vector<ElementPtr> out;
    CollectByTag(this, name, out);
    return out;
}

std::vector<NodePtr> Document::ParseFragment(const std::wstring& html, const Element* context) {
    return HtmlEngine::ParseFragment(*impl_, html, context ? context->TagId() : TAG_BODY,
                                     context ? context->TagName() : L"", context ? context->Depth() : 2);
}

void Document::SetDesignModeText(const std::wstring& value) {
    if (IEquals(Trim(value), L"on")) designMode_ = true;
    else if (IEquals(Trim(value), L"off")) designMode_ = false;
}

uint32_t Document::RegisterChangeSink(IChangeSink* sink) {
    if (!sink) return 0;
    uint32_t cookie = impl_->nextCookie++;
    if (impl_->nextCookie == 0) impl_->nextCookie = 1;
    impl_->sinks.emplace_back(cookie, sink);
    return cookie;
}

void Document::UnregisterChangeSink(uint32_t cookie) {
    auto& s = impl_->sinks;
    s.erase(std::remove_if(s.begin(), s.end(), [cookie](const std::pair<uint32_t, IChangeSink*>& x) {
                return x.first == cookie;
            }),
            s.end());
}

void Document::BeginUndoUnit(const std::wstring& name) { impl_->BeginUnit(name); }
void Document::EndUndoUnit() { impl_->EndUnit(); }
bool Document::CanUndo() const { return !impl_->undoStack.empty() || (impl_->unitOpen && !impl_->current.ops.empty()); }
bool Document::CanRedo() const { return !impl_->redoStack.empty(); }
bool Document::Undo() { return impl_->Undo(); }
bool Document::Redo() { return impl_->Redo(); }
void Document::ClearUndo() { impl_->ClearHistory(); }

std::wstring Document::UndoUnitName() const {
    return impl_->undoStack.empty() ? std::wstring() : impl_->undoStack.back().name;
}

Selection& Document::GetSelection() { return impl_->selection; }

std::vector<StyleSheet*> Document::StyleSheets() {
    DocImpl& d = *impl_;
    if (d.sheetsKnown) return d.sheets;
    std::vector<StyleSheet*> out;
    for (Node* n = NextInOrder(this); n; n = n->NextInOrder(this)) {
        Element* e = n->AsElement();
        if (!e) continue;
        if (StyleSheet* s = e->Sheet()) out.push_back(s);
    }
    d.sheets = out;
    d.sheetsKnown = true;
    return out;
}

StyleSheet* Document::CreateStyleSheet() {
    // A new sheet is presentation, not content: it is neither an undo step nor a change notice.
    Element* head = Head();
    if (!head) {
        Element* html = DocumentElement();
        if (!html) return nullptr;
        ElementPtr h = impl_->NewElement(TAG_HEAD);
        DocImpl::RawInsert(html, 0, h);
        head = h.get();
    }
    ElementPtr style = impl_->NewElement(TAG_STYLE);
    style->attrs_.push_back(Attribute{L"type", L"text/css"});
    DocImpl::RawAppend(head, style);
    impl_->sheetsKnown = false;
    return style->Sheet();
}

void Document::SetClipboard(IClipboard* clipboard) { impl_->clipboard = clipboard; }
IClipboard* Document::Clipboard() const { return impl_->clipboard; }
void Document::SetImageLoader(IImageLoader* loader) {
    impl_->imageLoader = loader;
    impl_->RequestImages(this);
}
IImageLoader* Document::ImageLoader() const { return impl_->imageLoader; }

} // namespace HtmlEngine
