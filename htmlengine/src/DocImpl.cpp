#include "DocImpl.h"
#include <algorithm>
#include <iterator>
#include "htmlengine/Style.h"
#include "TextUtil.h"
#include "Parser.h"

namespace HtmlEngine {

// ---------------------------------------------------------------- positions

bool IsContainer(const Node* n) {
    if (!n) return false;
    switch (n->Type()) {
    case NodeType::Document:
    case NodeType::Text:
        return true;
    case NodeType::Element:
        return !static_cast<const Element*>(n)->IsVoid();
    default:
        return false;
    }
}

Pos Canon(Pos p) {
    if (!p.node) return p;
    if (p.node->IsText()) {
        const TextNode* t = p.node->AsText();
        if (p.off > t->Length()) p.off = t->Length();
        if (p.off > 0 && p.off < t->Length()) return p;
        Node* parent = t->Parent();
        if (!parent) return p;
        size_t idx = t->IndexInParent();
        p = Pos{parent, (p.off == 0 && t->Length() > 0) ? idx : idx + 1};
    }
    size_t n = p.node->ChildCount();
    if (p.off > n) p.off = n;
    while (p.off < n) {
        Node* c = p.node->ChildAt(p.off);
        if (c->IsText() && c->AsText()->Length() == 0) ++p.off;
        else break;
    }
    return p;
}

namespace {
// The chain of nodes from the root down to n.
void Chain(Node* n, std::vector<Node*>& out) {
    out.clear();
    for (; n; n = n->Parent()) out.push_back(n);
    std::reverse(out.begin(), out.end());
}
}

int ComparePos(Pos a, Pos b) {
    if (a.node == b.node) return a.off < b.off ? -1 : a.off > b.off ? 1 : 0;
    if (!a.node || !b.node) return 0;
    static thread_local std::vector<Node*> ca, cb;
    Chain(a.node, ca);
    Chain(b.node, cb);
    if (ca[0] != cb[0]) return ca[0] < cb[0] ? -1 : 1;   // different trees: any fixed order
    size_t i = 0;
    while (i < ca.size() && i < cb.size() && ca[i] == cb[i]) ++i;
    // ca[i-1] == cb[i-1] is the deepest common node
    if (i == ca.size()) {
        // a.node is an ancestor of b.node: compare a.off with the index of b's branch
        size_t ci = cb[i]->IndexInParent();
        return a.off <= ci ? -1 : 1;
    }
    if (i == cb.size()) {
        size_t ci = ca[i]->IndexInParent();
        return b.off <= ci ? 1 : -1;
    }
    size_t ia = ca[i]->IndexInParent(), ib = cb[i]->IndexInParent();
    return ia < ib ? -1 : 1;
}

// ---------------------------------------------------------------- construction

// The selection's pointers join the document's pointer list in Attach: a pointer registers with
// Document::Impl(), which is not set while this constructor runs.
DocImpl::DocImpl(Document* d) : doc(d), selection(d), selStart(nullptr), selEnd(nullptr) {}

void DocImpl::Attach() {
    selStart = MarkupPointer(doc);
    selEnd = MarkupPointer(doc);
    selStart.SetGravity(Gravity::Left);
    selEnd.SetGravity(Gravity::Right);
}

DocImpl::~DocImpl() = default;

ElementPtr DocImpl::NewElement(const std::wstring& name) {
    std::wstring up;
    up.reserve(name.size());
    for (wchar_t c : name) up.push_back((c >= 'a' && c <= 'z') ? wchar_t(c - 32) : c);
    int id = TagIdFromName(up);
    if (id == TAG_IMG) up = L"IMG";
    return ElementPtr(new Element(doc, up, id));
}

ElementPtr DocImpl::NewElement(int tagId) {
    const wchar_t* name = TagNameFromId(tagId);
    return ElementPtr(new Element(doc, name, *name ? tagId : TAG_UNKNOWN));
}

TextPtr DocImpl::NewText(std::wstring data) { return TextPtr(new TextNode(doc, std::move(data))); }

NodePtr DocImpl::NewComment(std::wstring markup, NodeType type) {
    return NodePtr(new CommentNode(doc, type, std::move(markup)));
}

void DocImpl::RawAppend(Node* parent, const NodePtr& child) {
    child->parent_ = parent;
    child->indexHint_ = parent->children_.size();
    parent->children_.push_back(child);
}

void DocImpl::RawInsert(Node* parent, size_t index, const NodePtr& child) {
    if (index > parent->children_.size()) index = parent->children_.size();
    child->parent_ = parent;
    child->indexHint_ = index;
    parent->children_.insert(parent->children_.begin() + long(index), child);
}

NodePtr DocImpl::RawDetach(Node* node) {
    Node* parent = node->parent_;
    if (!parent) return node->Self();
    size_t idx = node->IndexInParent();
    NodePtr keep = parent->children_[idx];
    parent->children_.erase(parent->children_.begin() + long(idx));
    node->parent_ = nullptr;
    return keep;
}

// ---------------------------------------------------------------- pointers

void DocImpl::Place(MarkupPointer& p, Pos pos) const {
    pos = Canon(pos);
    p.Set(pos.node, pos.off);
}

void DocImpl::Recanonicalize() {
    for (MarkupPointer* p : pointers)
        if (p->container_) Place(*p, PosOf(*p));
}

void DocImpl::RequestImages(Node* root) {
    IImageLoader* loader = imageLoader;
    if (!loader) return;
    for (Node* n = root; n; n = n->NextInOrder(root)) {
        Element* e = n->AsElement();
        if (e && e->Is(TAG_IMG) && !e->imageRequested_ && e->HasAttribute(L"src")) {
            e->imageRequested_ = true;
            e->imageComplete_ = false;
            loader->Request(e, e->Src());
        }
    }
}

// ---------------------------------------------------------------- primitives

namespace {
// Elements from the document's HTML down to n, n included; 0 outside the document.
size_t ElementDepth(const Node* n) {
    size_t depth = 0;
    for (; n; n = n->Parent()) {
        if (n->Type() == NodeType::Document) return depth;
        if (n->IsElement()) ++depth;
    }
    return 0;
}

// The most elements with content nested in one another from n down, n included.
size_t ElementHeight(const Node* n) {
    size_t most = 0;
    std::vector<std::pair<const Node*, size_t>> stack{{n, 0}};
    while (!stack.empty()) {
        auto [x, above] = stack.back();
        stack.pop_back();
        if (!x->IsElement() || x->AsElement()->IsVoid()) continue;
        most = std::max(most, above + 1);
        for (const auto& c : x->Children()) stack.emplace_back(c.get(), above + 1);
    }
    return most;
}
}

namespace {
// Only text reads back inside a raw-text element (a style sheet, a script, a title, ...).
bool OnlyTextInside(const Node* parent) {
    const Element* e = parent->AsElement();
    return e && e->TagId() != TAG_UNKNOWN && IsRawTextTag(e->TagId());
}

bool IsTablePart(int id) {
    return id == TAG_TABLE || id == TAG_TBODY || id == TAG_THEAD || id == TAG_TFOOT || id == TAG_TR;
}

bool IsSpecialForItems(int id) {
    // what ends the search of a new list item for an open one, as the parser does it
    switch (id) {
    case TAG_ADDRESS: case TAG_DIV: case TAG_P: case TAG_UNKNOWN:
        return false;
    default:
        return IsBlockTag(id) || id == TAG_APPLET || id == TAG_BUTTON || id == TAG_CAPTION || id == TAG_TD ||
               id == TAG_TH || id == TAG_MARQUEE || id == TAG_OBJECT || id == TAG_SELECT || id == TAG_TEXTAREA;
    }
}

bool ClosesParagraph(int id) {
    switch (id) {
    case TAG_ADDRESS: case TAG_BLOCKQUOTE: case TAG_CENTER: case TAG_DIR: case TAG_DIV: case TAG_DL:
    case TAG_FIELDSET: case TAG_MENU: case TAG_OL: case TAG_P: case TAG_UL: case TAG_H1: case TAG_H2:
    case TAG_H3: case TAG_H4: case TAG_H5: case TAG_H6: case TAG_PRE: case TAG_LISTING: case TAG_FORM:
    case TAG_HR: case TAG_TABLE: case TAG_XMP: case TAG_PLAINTEXT: case TAG_LI: case TAG_DD: case TAG_DT:
        return true;
    default:
        return false;
    }
}

// Whether element x, placed under `parent`, reads back there: its start tag read at that place
// closes none of the elements around it, and table parts stand in their table parents. The
// ancestors are walked as they will be once `root` is placed under `rootParent`.
bool ElementReadsBackUnder(const Element* x, const Node* parent, const Node* root, const Node* rootParent) {
    int id = x->TagId();
    const Element* pe = parent->AsElement();
    int pid = pe ? pe->TagId() : TAG_NULL;
    switch (id) {
    case TAG_TR:
        return pid == TAG_TBODY || pid == TAG_THEAD || pid == TAG_TFOOT;
    case TAG_TD: case TAG_TH:
        return pid == TAG_TR;
    case TAG_TBODY: case TAG_THEAD: case TAG_TFOOT: case TAG_CAPTION: case TAG_COLGROUP:
        return pid == TAG_TABLE;
    case TAG_COL:
        return pid == TAG_TABLE || pid == TAG_COLGROUP;
    default:
        break;
    }
    // inside a table, outside its cells, only table parts and a few others stay in place
    if (pe && IsTablePart(pid) && id != TAG_STYLE && id != TAG_SCRIPT && id != TAG_INPUT && id != TAG_FORM)
        return false;
    if (id == TAG_OPTION && pid == TAG_OPTION) return false;
    bool pScope = ClosesParagraph(id) || (id >= TAG_H1 && id <= TAG_H6);
    bool itemScope = id == TAG_LI || id == TAG_DD || id == TAG_DT;
    bool heading = id >= TAG_H1 && id <= TAG_H6;
    bool selfScope = id == TAG_A || id == TAG_BUTTON || id == TAG_NOBR || heading;
    for (const Node* n = parent; n && n->IsElement() && (pScope || itemScope || selfScope);
         n = n == root ? rootParent : n->Parent()) {
        int a = n->AsElement()->TagId();
        if (a == TAG_BODY || a == TAG_HTML) break;
        if (pScope && a == TAG_P) return false;
        if (itemScope && (id == TAG_LI ? a == TAG_LI : (a == TAG_DD || a == TAG_DT))) return false;
        if (selfScope && (a == id || (heading && a >= TAG_H1 && a <= TAG_H6))) return false;
        if (IsSpecialForItems(a)) itemScope = false;
        bool boundary = a == TAG_APPLET || a == TAG_CAPTION || a == TAG_TABLE || a == TAG_TD || a == TAG_TH ||
                        a == TAG_MARQUEE || a == TAG_OBJECT;
        if (boundary || a == TAG_BUTTON) pScope = false;
        if (boundary) selfScope = false;
    }
    return true;
}

bool IsBlankText(const Node* n) {
    if (!n->IsText()) return false;
    for (wchar_t c : n->AsText()->Data())
        if (!IsHtmlSpace(c)) return false;
    return true;
}

// Whether node and everything inside it read back where node is placed under parent.
bool ReadsBackUnder(const Node* node, const Node* parent) {
    std::vector<std::pair<const Node*, const Node*>> todo{{node, parent}};
    while (!todo.empty()) {
        auto [n, p] = todo.back();
        todo.pop_back();
        if (OnlyTextInside(p)) {
            if (!n->IsText()) return false;
            continue;
        }
        if (n->IsText()) {
            if (p->IsElement() && IsTablePart(p->AsElement()->TagId()) && !IsBlankText(n)) return false;
            continue;
        }
        if (!n->IsElement()) continue;
        if (!ElementReadsBackUnder(n->AsElement(), p, node, parent)) return false;
        for (const auto& c : n->Children()) todo.emplace_back(c.get(), n);
    }
    return true;
}
}

void DocImpl::CheckPlacement(Node* parent, Node* node) {
    if (replaying || unreadable) return;
    size_t depth = ElementDepth(parent);
    if (depth == 0 && parent->Type() != NodeType::Document) return;   // not in the document (yet)
    if (depth + ElementHeight(node) > kMaxTreeDepth || (depth >= 2 && !ReadsBackUnder(node, parent)))
        unreadable = true;
}

void DocImpl::InsertNode(Node* parent, size_t index, const NodePtr& node) {
    if (index > parent->ChildCount()) index = parent->ChildCount();
    CheckPlacement(parent, node.get());
    Pos x = Canon(Pos{parent, index});
    std::vector<char> eq(pointers.size());
    for (size_t i = 0; i < pointers.size(); ++i) eq[i] = PosOf(*pointers[i]) == x;
    RawInsert(parent, index, node);
    for (size_t i = 0; i < pointers.size(); ++i) {
        MarkupPointer& p = *pointers[i];
        if (!p.container_) continue;
        if (eq[i]) {
            Place(p, Pos{parent, p.gravity_ == Gravity::Left ? index : index + 1});
        } else if (p.container_ == parent && p.offset_ >= index) {
            Place(p, Pos{parent, p.offset_ + 1});
        }
    }
    Op op{Op::Insert};
    op.node.Set(node.get());
    op.parent.Set(parent);
    op.index = index;
    Record(std::move(op));
    if (imageLoader) RequestImages(node.get());
}

void DocImpl::InsertNodes(Node* parent, size_t index, const std::vector<NodePtr>& nodes) {
    if (nodes.size() == 1) InsertNode(parent, index, nodes[0]);
    if (nodes.size() <= 1) return;
    if (index > parent->ChildCount()) index = parent->ChildCount();
    for (const auto& n : nodes) CheckPlacement(parent, n.get());
    size_t count = nodes.size();
    Pos x = Canon(Pos{parent, index});
    std::vector<char> eq(pointers.size());
    for (size_t i = 0; i < pointers.size(); ++i) eq[i] = PosOf(*pointers[i]) == x;
    for (const auto& n : nodes) n->parent_ = parent;
    parent->children_.insert(parent->children_.begin() + long(index), nodes.begin(), nodes.end());
    for (size_t k = index; k < parent->children_.size(); ++k) parent->children_[k]->indexHint_ = k;
    for (size_t i = 0; i < pointers.size(); ++i) {
        MarkupPointer& p = *pointers[i];
        if (!p.container_) continue;
        if (eq[i]) Place(p, Pos{parent, p.gravity_ == Gravity::Left ? index : index + count});
        else if (p.container_ == parent && p.offset_ >= index) Place(p, Pos{parent, p.offset_ + count});
    }
    Op op{Op::InsertRange};
    op.parent.Set(parent);
    op.index = index;
    op.count = count;
    for (const auto& n : nodes) op.nodes.emplace_back(n.get());
    Record(std::move(op));
    if (imageLoader)
        for (const auto& n : nodes) RequestImages(n.get());
}

void DocImpl::RemoveRange(Node* parent, size_t index, size_t count) {
    if (index + count > parent->ChildCount()) return;
    for (MarkupPointer* p : pointers) {
        if (!p->container_) continue;
        if (p->container_ == parent) {
            if (p->offset_ >= index + count) p->Set(parent, p->offset_ - count);
            else if (p->offset_ > index) p->Set(parent, index);
            continue;
        }
        // inside one of the removed nodes: find the ancestor that is a child of parent
        Node* top = p->container_;
        while (top && top->parent_ != parent) top = top->parent_;
        if (top) {
            size_t k = top->IndexInParent();
            if (k >= index && k < index + count) p->Set(parent, index);
        }
    }
    for (size_t k = index; k < index + count; ++k) parent->children_[k]->parent_ = nullptr;
    parent->children_.erase(parent->children_.begin() + long(index), parent->children_.begin() + long(index + count));
    for (size_t k = index; k < parent->children_.size(); ++k) parent->children_[k]->indexHint_ = k;
    for (MarkupPointer* p : pointers)
        if (p->container_ == parent) Place(*p, PosOf(*p));
    Changed();
}

void DocImpl::DetachChildren(Node* parent, size_t index, size_t count) {
    if (count == 0 || index + count > parent->ChildCount()) return;
    if (count == 1) {
        DetachNode(parent->ChildAt(index));
        return;
    }
    Op op{Op::DetachRange};
    op.parent.Set(parent);
    op.index = index;
    op.count = count;
    for (size_t k = index; k < index + count; ++k) op.nodes.emplace_back(parent->ChildAt(k));
    RemoveRange(parent, index, count);
    Record(std::move(op));
}

NodePtr DocImpl::DetachNode(Node* node) {
    Node* parent = node->Parent();
    if (!parent) return node->Self();
    size_t idx = node->IndexInParent();
    for (MarkupPointer* p : pointers) {
        if (!p->container_) continue;
        if (node->Contains(p->container_)) p->Set(parent, idx);
        else if (p->container_ == parent && p->offset_ > idx) p->Set(parent, p->offset_ - 1);
    }
    NodePtr keep = RawDetach(node);
    for (MarkupPointer* p : pointers)
        if (p->container_ == parent) Place(*p, PosOf(*p));
    Op op{Op::Detach};
    op.node.Set(node);
    op.parent.Set(parent);
    op.index = idx;
    Record(std::move(op));
    return keep;
}

void DocImpl::MoveNode(Node* node, Node* newParent, size_t newIndex) {
    Node* oldParent = node->Parent();
    if (!oldParent || node->Contains(newParent)) return;
    CheckPlacement(newParent, node);
    size_t oldIdx = node->IndexInParent();
    NodePtr keep = node->Self();
    for (MarkupPointer* p : pointers)
        if (p->container_ == oldParent && p->offset_ > oldIdx) p->Set(oldParent, p->offset_ - 1);
    RawDetach(node);
    for (MarkupPointer* p : pointers)
        if (p->container_ == oldParent) Place(*p, PosOf(*p));
    if (newIndex > newParent->ChildCount()) newIndex = newParent->ChildCount();
    Pos x = Canon(Pos{newParent, newIndex});
    std::vector<char> eq(pointers.size());
    for (size_t i = 0; i < pointers.size(); ++i) eq[i] = PosOf(*pointers[i]) == x;
    RawInsert(newParent, newIndex, keep);
    for (size_t i = 0; i < pointers.size(); ++i) {
        MarkupPointer& p = *pointers[i];
        if (!p.container_) continue;
        if (eq[i]) Place(p, Pos{newParent, p.gravity_ == Gravity::Left ? newIndex : newIndex + 1});
        else if (p.container_ == newParent && p.offset_ >= newIndex) Place(p, Pos{newParent, p.offset_ + 1});
        else if (p.container_ == oldParent) Place(p, PosOf(p));
    }
    Op op{Op::Move};
    op.node.Set(node);
    op.parent.Set(newParent);
    op.index = newIndex;
    op.oldParent.Set(oldParent);
    op.oldIndex = oldIdx;
    Record(std::move(op));
}

void DocImpl::MoveChildren(Node* from, size_t begin, size_t end, Node* to, size_t index) {
    if (end > from->ChildCount()) end = from->ChildCount();
    if (begin >= end) return;
    size_t count = end - begin;
    if (from == to) {
        for (size_t k = 0; k < count; ++k) MoveNode(from->ChildAt(begin), to, index + k);
        return;
    }
    for (size_t k = begin; k < end; ++k)
        if (from->children_[k]->Contains(to)) return;
    // between two siblings of one tag (splitting an element, joining it again) nothing
    // changes around the children; elsewhere they must read back in their new place
    bool alike = from->parent_ == to->parent_ && from->IsElement() && to->IsElement() &&
                 from->AsElement()->TagName() == to->AsElement()->TagName();
    for (size_t k = begin; k < end && !alike && !unreadable && !replaying; ++k)
        CheckPlacement(to, from->children_[k].get());
    // leave `from`: pointers between the moved children go along with them. One right after
    // the last of them stays after the content: in `from` when `to` stands just before the
    // place the children leave (wrapping them), else at the end of what moved (splitting),
    // unless it keeps to the left.
    bool wrapping = begin > 0 && from->children_[begin - 1]->Contains(to);
    std::vector<std::pair<MarkupPointer*, size_t>> along;
    for (MarkupPointer* p : pointers) {
        if (p->container_ != from) continue;
        if (p->offset_ > end) p->Set(from, p->offset_ - count);
        else if (p->offset_ > begin && (p->offset_ < end || (!wrapping && p->gravity_ == Gravity::Right)))
            along.emplace_back(p, p->offset_ - begin);
        else if (p->offset_ > begin) p->Set(from, begin);
    }
    for (auto& x : along) x.first->Set(nullptr, 0);
    std::vector<NodePtr> moved(std::make_move_iterator(from->children_.begin() + long(begin)),
                               std::make_move_iterator(from->children_.begin() + long(end)));
    from->children_.erase(from->children_.begin() + long(begin), from->children_.begin() + long(end));
    for (size_t k = begin; k < from->children_.size(); ++k) from->children_[k]->indexHint_ = k;
    for (MarkupPointer* p : pointers)
        if (p->container_ == from) Place(*p, PosOf(*p));
    // enter `to`
    if (index > to->ChildCount()) index = to->ChildCount();
    Pos x = Canon(Pos{to, index});
    std::vector<char> eq(pointers.size());
    for (size_t i = 0; i < pointers.size(); ++i) eq[i] = PosOf(*pointers[i]) == x;
    for (auto& n : moved) n->parent_ = to;
    to->children_.insert(to->children_.begin() + long(index), moved.begin(), moved.end());
    for (size_t k = index; k < to->children_.size(); ++k) to->children_[k]->indexHint_ = k;
    for (size_t i = 0; i < pointers.size(); ++i) {
        MarkupPointer& p = *pointers[i];
        if (!p.container_) continue;
        if (eq[i]) Place(p, Pos{to, p.gravity_ == Gravity::Left ? index : index + count});
        else if (p.container_ == to && p.offset_ >= index) Place(p, Pos{to, p.offset_ + count});
        else if (p.container_ == from) Place(p, PosOf(p));
    }
    for (auto& x : along) Place(*x.first, Pos{to, index + x.second});
    Op op{Op::MoveRange};
    op.oldParent.Set(from);
    op.oldIndex = begin;
    op.parent.Set(to);
    op.index = index;
    op.count = count;
    Record(std::move(op));
}

void DocImpl::UnwrapChildren(Node* parent, const std::vector<Element*>& elements) {
    std::vector<std::pair<size_t, Element*>> at;
    at.reserve(elements.size());
    for (Element* e : elements)
        if (e && e->parent_ == parent) at.emplace_back(e->IndexInParent(), e);
    if (at.empty()) return;
    std::sort(at.begin(), at.end());
    at.erase(std::unique(at.begin(), at.end()), at.end());
    // the content moves out of the elements it was in: it must read back in its new place
    for (auto& x : at)
        for (const auto& c : x.second->children_)
            if (!unreadable) CheckPlacement(parent, c.get());
    Op op{Op::Unwrap};
    op.parent.Set(parent);
    op.unwrapped.resize(at.size());
    // shift[j]: how far children after the first j unwrapped elements move
    std::vector<long long> shift(at.size() + 1, 0);
    for (size_t j = 0; j < at.size(); ++j) {
        UnwrappedItem& it = op.unwrapped[j];
        it.element.Set(at[j].second);
        it.index = at[j].first;
        it.count = at[j].second->children_.size();
        shift[j + 1] = shift[j] + (long long)it.count - 1;
    }
    auto firstAtOrAfter = [&at](size_t index) {
        return size_t(std::lower_bound(at.begin(), at.end(), std::make_pair(index, (Element*)nullptr)) - at.begin());
    };
    for (MarkupPointer* p : pointers) {
        if (!p->container_) continue;
        if (p->container_ == parent) {
            size_t j = firstAtOrAfter(p->offset_);
            p->Set(parent, size_t((long long)p->offset_ + shift[j]));
        } else if (p->container_->parent_ == parent && p->container_->IsElement()) {
            size_t j = firstAtOrAfter(p->container_->IndexInParent());
            if (j < at.size() && at[j].second == p->container_)
                p->Set(parent, size_t((long long)at[j].first + shift[j]) + p->offset_);
        }
    }
    std::vector<NodePtr> rebuilt;
    rebuilt.reserve(size_t((long long)parent->children_.size() + shift[at.size()]));
    size_t j = 0;
    for (size_t k = 0; k < parent->children_.size(); ++k) {
        if (j < at.size() && at[j].first == k) {
            Element* e = at[j++].second;
            for (auto& c : e->children_) {
                c->parent_ = parent;
                rebuilt.push_back(std::move(c));
            }
            e->children_.clear();
            e->parent_ = nullptr;
            continue;
        }
        rebuilt.push_back(std::move(parent->children_[k]));
    }
    parent->children_.swap(rebuilt);
    for (size_t k = 0; k < parent->children_.size(); ++k) parent->children_[k]->indexHint_ = k;
    for (MarkupPointer* p : pointers)
        if (p->container_ == parent) Place(*p, PosOf(*p));
    Record(std::move(op));
}

void DocImpl::RewrapChildren(const Op& op) {
    Node* parent = op.parent.get();
    const auto& items = op.unwrapped;
    // where each element's content starts now
    std::vector<size_t> start(items.size());
    std::vector<long long> shift(items.size() + 1, 0);
    for (size_t j = 0; j < items.size(); ++j) {
        start[j] = size_t((long long)items[j].index + shift[j]);
        shift[j + 1] = shift[j] + (long long)items[j].count - 1;
    }
    for (MarkupPointer* p : pointers) {
        if (p->container_ != parent) continue;
        size_t o = p->offset_;
        size_t k = size_t(std::lower_bound(start.begin(), start.end(), o) - start.begin());   // starts before o
        if (k > 0 && start[k - 1] + items[k - 1].count > o) {
            Node* e = items[k - 1].element.get();
            p->Set(e, o - start[k - 1]);
        } else {
            p->Set(parent, size_t((long long)o - shift[k]));
        }
    }
    std::vector<NodePtr> rebuilt;
    rebuilt.reserve(size_t((long long)parent->children_.size() - shift[items.size()]));
    size_t j = 0;
    for (size_t k = 0; k < parent->children_.size();) {
        if (j < items.size() && start[j] == k) {
            Element* e = items[j].element.get()->AsElement();
            for (size_t c = 0; c < items[j].count && k < parent->children_.size(); ++c, ++k) {
                NodePtr& child = parent->children_[k];
                child->parent_ = e;
                child->indexHint_ = c;
                e->children_.push_back(std::move(child));
            }
            e->parent_ = parent;
            rebuilt.push_back(items[j].element.hold);
            ++j;
            continue;
        }
        rebuilt.push_back(std::move(parent->children_[k++]));
    }
    for (; j < items.size(); ++j) {   // empty elements at the very end
        items[j].element.get()->parent_ = parent;
        rebuilt.push_back(items[j].element.hold);
    }
    parent->children_.swap(rebuilt);
    for (size_t k = 0; k < parent->children_.size(); ++k) parent->children_[k]->indexHint_ = k;
    for (MarkupPointer* p : pointers)
        if (p->container_ == parent || (p->container_ && p->container_->parent_ == parent)) Place(*p, PosOf(*p));
    Changed();
}

void DocImpl::SpliceText(TextNode* t, size_t off, size_t del, const std::wstring& ins) {
    size_t len = t->data_.size();
    if (off > len) off = len;
    if (del > len - off) del = len - off;
    if (del == 0 && ins.empty()) return;
    Op op{Op::Splice};
    op.node.Set(t);
    op.index = off;
    op.removed = t->data_.substr(off, del);
    op.inserted = ins;
    if (del) {
        for (MarkupPointer* p : pointers) {
            if (p->container_ != t) continue;
            if (p->offset_ >= off + del) p->offset_ -= del;
            else if (p->offset_ > off) p->offset_ = off;
        }
        t->data_.erase(off, del);
        for (MarkupPointer* p : pointers)
            if (p->container_ == t) Place(*p, PosOf(*p));
        // an emptied text changes which child index is canonical around it
        if (t->data_.empty() && t->Parent())
            for (MarkupPointer* p : pointers)
                if (p->container_ == t->Parent()) Place(*p, PosOf(*p));
    }
    if (!ins.empty() && !replaying && t->Parent() && t->Parent()->IsElement() &&
        IsTablePart(t->Parent()->AsElement()->TagId())) {
        for (wchar_t c : ins) unreadable = unreadable || !IsHtmlSpace(c);   // text between table rows
    }
    if (!ins.empty()) {
        Pos x = Canon(Pos{t, off});
        std::vector<char> eq(pointers.size());
        for (size_t i = 0; i < pointers.size(); ++i) eq[i] = PosOf(*pointers[i]) == x;
        bool wasEmpty = t->data_.empty();
        t->data_.insert(off, ins);
        for (size_t i = 0; i < pointers.size(); ++i) {
            MarkupPointer& p = *pointers[i];
            if (!p.container_) continue;
            if (eq[i]) Place(p, Pos{t, p.gravity_ == Gravity::Left ? off : off + ins.size()});
            else if (p.container_ == t && p.offset_ > off) p.offset_ += ins.size();
            else if (wasEmpty && p.container_ == t->Parent()) Place(p, PosOf(p));
        }
    }
    Record(std::move(op));
}

TextPtr DocImpl::SplitText(TextNode* t, size_t off) {
    Node* parent = t->Parent();
    if (!parent || off > t->Length()) return nullptr;
    TextPtr next = NewText(t->data_.substr(off));
    size_t idx = t->IndexInParent();
    for (MarkupPointer* p : pointers) {
        if (p->container_ == t && p->offset_ > off) p->Set(next.get(), p->offset_ - off);
        else if (p->container_ == parent && p->offset_ > idx) p->Set(parent, p->offset_ + 1);
    }
    t->data_.resize(off);
    RawInsert(parent, idx + 1, next);
    Recanonicalize();
    Op op{Op::Split};
    op.node.Set(t);
    op.other.Set(next.get());
    op.index = off;
    Record(std::move(op));
    return next;
}

void DocImpl::MergeText(TextNode* t, TextNode* next) {
    Node* parent = t->Parent();
    if (!parent || next->Parent() != parent || t->NextSibling() != next) return;
    size_t len1 = t->Length();
    size_t idx = next->IndexInParent();
    for (MarkupPointer* p : pointers) {
        if (p->container_ == next) p->Set(t, len1 + p->offset_);
        else if (p->container_ == parent && p->offset_ > idx) p->Set(parent, p->offset_ - 1);
        else if (p->container_ == parent && p->offset_ == idx) p->Set(t, len1);
    }
    t->data_ += next->data_;
    NodePtr keep = RawDetach(next);
    Recanonicalize();
    Op op{Op::Merge};
    op.node.Set(t);
    op.other.Set(next);
    op.index = len1;
    Record(std::move(op));
}

namespace {
size_t FindAttr(const std::vector<Attribute>& attrs, const std::wstring& name) {
    for (size_t i = 0; i < attrs.size(); ++i) {
        const std::wstring& a = attrs[i].name;
        if (a.size() != name.size()) continue;
        bool same = true;
        for (size_t k = 0; k < a.size() && same; ++k) {
            wchar_t x = a[k], y = name[k];
            if (x >= 'A' && x <= 'Z') x = wchar_t(x + 32);
            if (y >= 'A' && y <= 'Z') y = wchar_t(y + 32);
            same = x == y;
        }
        if (same) return i;
    }
    return SIZE_MAX;
}
}

void DocImpl::SetAttr(Element* e, const std::wstring& name, const std::wstring* value) {
    size_t i = FindAttr(e->attrs_, name);
    Op op{Op::SetAttr};
    op.node.Set(e);
    if (i != SIZE_MAX) {
        if (value && e->attrs_[i].value == *value) return;
        op.name = e->attrs_[i].name;
        op.hadOld = true;
        op.oldValue = e->attrs_[i].value;
        op.attrIndex = i;
        if (value) e->attrs_[i].value = *value;
        else e->attrs_.erase(e->attrs_.begin() + long(i));
    } else {
        if (!value) return;
        op.name = name;
        op.attrIndex = e->attrs_.size();
        e->attrs_.push_back(Attribute{name, *value});
    }
    op.hasNew = value != nullptr;
    if (value) op.newValue = *value;
    bool isSrc = e->Is(TAG_IMG) && IEquals(op.name, L"src");
    Record(std::move(op));
    if (isSrc) {
        e->imageRequested_ = false;
        e->imageComplete_ = true;
        if (e->Parent()) RequestImages(e);
    }
}

// ---------------------------------------------------------------- operations and undo

void DocImpl::Changed(bool sheets) {
    changedInOperation = true;
    if (sheets) sheetsKnown = false;
}

bool DocImpl::KeepsSheets(const Op& op) {
    auto plain = [](Node* n) {
        return n && n->IsElement() && !n->AsElement()->Is(TAG_STYLE) && !n->AsElement()->Is(TAG_LINK);
    };
    Node* n = op.node.get();
    switch (op.kind) {
    case Op::Splice:
    case Op::Split:
    case Op::Merge:
        return n && n->IsText() && plain(n->Parent());
    case Op::SetAttr:
        return plain(n);
    default:
        return false;
    }
}

void DocImpl::Record(Op&& op) {
    Changed(!KeepsSheets(op));
    if (!observers.empty()) {
        Touched(op.node.get());
        Touched(op.parent.get());
        Touched(op.oldParent.get());
    }
    if (replaying) return;
    if (!unitOpen) {
        current = UndoUnit();
        current.before = SaveSelection();
        unitOpen = true;
    }
    current.ops.push_back(std::move(op));
    if (batchDepth == 0 && unitDepth == 0) {
        // a change outside any operation: its own unit, reported at once
        ++batchDepth;
        opStart = current.ops.size() - 1;
        EndBatch();
    }
}

void DocImpl::BeginBatch() {
    if (batchDepth++ == 0) {
        opStart = unitOpen ? current.ops.size() : 0;
        unreadable = false;
        refused = false;
    }
}

void DocImpl::EndBatch() {
    if (batchDepth > 0) --batchDepth;
    if (batchDepth == 0 && unreadable) {
        unreadable = false;
        refused = true;
        replaying = true;
        for (size_t i = current.ops.size(); i-- > opStart;) ApplyInverse(current.ops[i]);
        replaying = false;
        current.ops.resize(std::min(opStart, current.ops.size()));
    }
    if (batchDepth > 0 || unitDepth > 0) return;
    if (unitOpen) {
        current.after = SaveSelection();
        UndoUnit u = std::move(current);
        current = UndoUnit();
        unitOpen = false;
        FinishUnit(std::move(u));
    }
    if (changedInOperation) {
        changedInOperation = false;
        doc->SetDirty();
        NotifySinks();
    }
}

void DocImpl::BeginUnit(const std::wstring& name) {
    if (unitDepth == 0) {
        if (!unitOpen) {
            current = UndoUnit();
            current.before = SaveSelection();
            unitOpen = true;
        }
        if (current.name.empty()) current.name = name;
    }
    ++unitDepth;
}

void DocImpl::EndUnit() {
    if (unitDepth == 0) return;
    --unitDepth;
    if (unitDepth == 0 && batchDepth == 0) {
        ++batchDepth;
        EndBatch();
    }
}

void DocImpl::FinishUnit(UndoUnit&& unit) {
    if (unit.ops.empty()) return;
    if (unit.typing && typingChain && !undoStack.empty() && undoStack.back().typing) {
        UndoUnit& last = undoStack.back();
        for (auto& op : unit.ops) last.ops.push_back(std::move(op));
        last.after = unit.after;
    } else {
        undoStack.push_back(std::move(unit));
        if (undoStack.size() > kMaxUndo) undoStack.erase(undoStack.begin());
    }
    typingChain = undoStack.back().typing;
    redoStack.clear();
}

void DocImpl::ApplyInverse(const Op& op) {
    switch (op.kind) {
    case Op::Insert:
        if (op.node.get()->Parent()) DetachNode(op.node.get());
        break;
    case Op::Detach:
        if (!op.node.get()->Parent()) InsertNode(op.parent.get(), op.index, op.node.hold);
        break;
    case Op::Move:
        MoveNode(op.node.get(), op.oldParent.get(), op.oldIndex);
        break;
    case Op::MoveRange:
        MoveChildren(op.parent.get(), op.index, op.index + op.count, op.oldParent.get(), op.oldIndex);
        break;
    case Op::Splice:
        SpliceText(op.node.get()->AsText(), op.index, op.inserted.size(), op.removed);
        break;
    case Op::Split:
        MergeText(op.node.get()->AsText(), op.other.get()->AsText());
        break;
    case Op::Merge:
        ResplitText(op);
        break;
    case Op::Unwrap:
        RewrapChildren(op);
        break;
    case Op::InsertRange:
        RemoveRange(op.parent.get(), op.index, op.count);
        break;
    case Op::DetachRange: {
        std::vector<NodePtr> nodes;
        for (const auto& n : op.nodes) nodes.push_back(n.hold);
        InsertNodes(op.parent.get(), op.index, nodes);
        break;
    }
    case Op::SetAttr: {
        Element* e = op.node.get()->AsElement();
        if (op.hadOld) {
            size_t i = FindAttr(e->attrs_, op.name);
            if (i == SIZE_MAX) {
                size_t at = std::min(op.attrIndex, e->attrs_.size());
                e->attrs_.insert(e->attrs_.begin() + long(at), Attribute{op.name, op.oldValue});
                Changed();
                Touched(e);
            } else {
                SetAttr(e, op.name, &op.oldValue);
            }
        } else {
            SetAttr(e, op.name, nullptr);
        }
        break;
    }
    }
}

// Splits op.node at op.index into the very node op.other holds (not a new one), so that later
// steps of the history still find it.
void DocImpl::ResplitText(const Op& op) {
    TextNode* t = op.node.get()->AsText();
    TextNode* next = op.other.get()->AsText();
    Node* parent = t->Parent();
    if (!parent) return;
    size_t idx = t->IndexInParent();
    for (MarkupPointer* p : pointers) {
        if (p->container_ == t && p->offset_ > op.index) p->Set(next, p->offset_ - op.index);
        else if (p->container_ == parent && p->offset_ > idx) p->Set(parent, p->offset_ + 1);
    }
    next->data_ = t->data_.substr(op.index);
    t->data_.resize(op.index);
    RawInsert(parent, idx + 1, op.other.hold);
    Recanonicalize();
    Changed();
    Touched(parent);
}

void DocImpl::ApplyForward(const Op& op) {
    switch (op.kind) {
    case Op::Insert:
        if (!op.node.get()->Parent()) InsertNode(op.parent.get(), op.index, op.node.hold);
        break;
    case Op::Detach:
        if (op.node.get()->Parent()) DetachNode(op.node.get());
        break;
    case Op::Move:
        MoveNode(op.node.get(), op.parent.get(), op.index);
        break;
    case Op::MoveRange:
        MoveChildren(op.oldParent.get(), op.oldIndex, op.oldIndex + op.count, op.parent.get(), op.index);
        break;
    case Op::Splice:
        SpliceText(op.node.get()->AsText(), op.index, op.removed.size(), op.inserted);
        break;
    case Op::Split:
        ResplitText(op);
        break;
    case Op::Merge:
        MergeText(op.node.get()->AsText(), op.other.get()->AsText());
        break;
    case Op::InsertRange: {
        std::vector<NodePtr> nodes;
        for (const auto& n : op.nodes) nodes.push_back(n.hold);
        InsertNodes(op.parent.get(), op.index, nodes);
        break;
    }
    case Op::DetachRange:
        RemoveRange(op.parent.get(), op.index, op.count);
        break;
    case Op::Unwrap: {
        std::vector<Element*> els;
        for (const auto& it : op.unwrapped) els.push_back(it.element.get()->AsElement());
        UnwrapChildren(op.parent.get(), els);
        break;
    }
    case Op::SetAttr: {
        Element* e = op.node.get()->AsElement();
        if (op.hasNew) {
            size_t i = FindAttr(e->attrs_, op.name);
            if (i == SIZE_MAX) {
                size_t at = std::min(op.attrIndex, e->attrs_.size());
                e->attrs_.insert(e->attrs_.begin() + long(at), Attribute{op.name, op.newValue});
                Changed();
                Touched(e);
            } else {
                SetAttr(e, op.name, &op.newValue);
            }
        } else {
            SetAttr(e, op.name, nullptr);
        }
        break;
    }
    }
}

bool DocImpl::Undo() {
    if (batchDepth > 0 || unitDepth > 0) return false;
    if (undoStack.empty()) return false;
    UndoUnit unit = std::move(undoStack.back());
    undoStack.pop_back();
    BeginBatch();
    replaying = true;
    for (size_t i = unit.ops.size(); i-- > 0;) ApplyInverse(unit.ops[i]);
    replaying = false;
    RestoreSelection(unit.before);
    typingChain = false;
    redoStack.push_back(std::move(unit));
    changedInOperation = true;
    EndBatch();
    return true;
}

bool DocImpl::Redo() {
    if (batchDepth > 0 || unitDepth > 0) return false;
    if (redoStack.empty()) return false;
    UndoUnit unit = std::move(redoStack.back());
    redoStack.pop_back();
    BeginBatch();
    replaying = true;
    for (const Op& op : unit.ops) ApplyForward(op);
    replaying = false;
    RestoreSelection(unit.after);
    typingChain = false;
    undoStack.push_back(std::move(unit));
    changedInOperation = true;
    EndBatch();
    return true;
}

void DocImpl::ClearHistory() {
    undoStack.clear();
    redoStack.clear();
    typingChain = false;
}

void DocImpl::NotifySinks() {
    if (notifying) return;
    notifying = true;
    auto copy = sinks;
    for (auto& s : copy) {
        bool still = false;
        for (auto& t : sinks) still = still || (t.first == s.first);
        if (still && s.second) s.second->Notify();
    }
    notifying = false;
}

// ---------------------------------------------------------------- saved positions

SavedPos DocImpl::Save(Pos p) const {
    SavedPos s;
    if (!p.node) return s;
    s.off = p.off;
    for (Node* n = p.node; n; n = n->Parent()) {
        if (n == doc) {
            std::reverse(s.path.begin(), s.path.end());
            s.valid = true;
            return s;
        }
        s.path.push_back(uint32_t(n->IndexInParent()));
    }
    s.path.clear();
    return s;
}

bool DocImpl::Restore(const SavedPos& s, Pos* p) const {
    if (!s.valid) return false;
    Node* n = doc;
    for (uint32_t i : s.path) {
        n = n->ChildAt(i);
        if (!n) return false;
    }
    *p = Canon(Pos{n, s.off});
    return true;
}

SavedSelection DocImpl::SaveSelection() const {
    SavedSelection s;
    s.type = selType;
    if (selStart.container_) s.start = Save(PosOf(selStart));
    if (selEnd.container_) s.end = Save(PosOf(selEnd));
    for (const auto& e : selControls) s.controls.push_back(Save(Pos{e.get(), 0}));
    return s;
}

void DocImpl::RestoreSelection(const SavedSelection& s) {
    Pos a, b;
    selControls.clear();
    if (s.type == SelectionType::Control) {
        for (const auto& c : s.controls) {
            Pos p;
            if (Restore(c, &p) && p.node->IsElement()) selControls.push_back(std::static_pointer_cast<Element>(p.node->Self()));
        }
    }
    if (Restore(s.start, &a) && Restore(s.end, &b)) {
        Place(selStart, a);
        Place(selEnd, b);
        selType = s.type;
        if (selType == SelectionType::Control && selControls.empty()) selType = SelectionType::Text;
    } else {
        selStart.Unposition();
        selEnd.Unposition();
        selType = SelectionType::None;
    }
    SelectionChanged();
}

void DocImpl::SetSelection(Pos start, Pos end) {
    start = Canon(start);
    end = Canon(end);
    if (ComparePos(start, end) > 0) std::swap(start, end);
    Place(selStart, start);
    Place(selEnd, end);
    selControls.clear();
    selType = SelectionType::Text;
    SelectionChanged();
}

void DocImpl::ResetContent() {
    sheetsKnown = false;
    if (unitOpen) { current = UndoUnit(); unitOpen = false; }
    ClearHistory();
    highlights.clear();
    pending.clear();
    selControls.clear();
    selType = SelectionType::None;
    for (MarkupPointer* p : pointers) p->Set(nullptr, 0);
    while (doc->ChildCount()) RawDetach(doc->LastChild());
    changedInOperation = false;
    for (IDocObserver* o : observers) o->ContentReset();
}

} // namespace HtmlEngine
