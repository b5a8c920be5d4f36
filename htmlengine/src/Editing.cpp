#include "Editing.h"
#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include "Parser.h"
#include "TextUtil.h"
#include "Walk.h"

namespace HtmlEngine {

namespace {
bool IsWhitespaceText(const Node* n) {
    if (!n->IsText()) return false;
    for (wchar_t c : n->AsText()->Data())
        if (!IsHtmlSpace(c)) return false;
    return true;
}

bool IsContainerBlock(const Element* e) {
    switch (e->TagId()) {
    case TAG_BODY: case TAG_TD: case TAG_TH: case TAG_BLOCKQUOTE: case TAG_FORM: case TAG_FIELDSET:
    case TAG_HTML: case TAG_TABLE: case TAG_TBODY: case TAG_THEAD: case TAG_TFOOT: case TAG_TR:
    case TAG_OL: case TAG_UL: case TAG_DIR: case TAG_MENU: case TAG_DL: case TAG_CAPTION:
        return true;
    default:
        return false;
    }
}

bool IsTableStructure(const Element* e) {
    int id = e->TagId();
    return id == TAG_TABLE || id == TAG_TBODY || id == TAG_THEAD || id == TAG_TFOOT || id == TAG_TR ||
           id == TAG_TD || id == TAG_TH || id == TAG_CAPTION;
}

// Position just after node n.
Pos After(Node* n) { return Canon(Pos{n->Parent(), n->IndexInParent() + 1}); }
Pos Before(Node* n) { return Canon(Pos{n->Parent(), n->IndexInParent()}); }
}

Pos EditablePos(Document* doc, Pos p) {
    Element* body = doc->Body();
    if (!body) return p;
    Node* n = p.node;
    if (n && body->Contains(n)) {
        // never inside a read-only island (the check box's SPAN): text typed there would be
        // lost with the island when the note is stored; its start goes before it, else after
        Element* island = nullptr;
        for (Node* x = n; x && x != body; x = x->Parent())
            if (x->IsElement() && IEquals(x->AsElement()->GetAttribute(L"contenteditable"), L"false"))
                island = x->AsElement();
        if (!island) return p;
        size_t i = island->IndexInParent();
        bool atStart = ComparePos(Canon(p), Canon(Pos{island, 0})) == 0;
        return Canon(Pos{island->Parent(), atStart ? i : i + 1});
    }
    // before the body: its start; after it (or elsewhere): its end
    if (n && ComparePos(Canon(p), Canon(Pos{body, 0})) < 0) return Canon(Pos{body, 0});
    return Canon(Pos{body, body->ChildCount()});
}

Pos SplitTextAt(DocImpl& d, Pos p) {
    p = Canon(p);
    if (!p.node || !p.node->IsText()) return p;
    TextNode* t = p.node->AsText();
    if (!t->Parent()) return p;
    d.SplitText(t, p.off);
    return Canon(Pos{t->Parent(), t->IndexInParent() + 1});
}

Pos InsertTextAt(DocImpl& d, Pos p, const std::wstring& text) {
    p = Canon(p);
    if (text.empty() || !p.node) return p;
    if (p.node->IsText()) {
        TextNode* t = p.node->AsText();
        d.SpliceText(t, p.off, 0, text);
        return Canon(Pos{t, p.off + text.size()});
    }
    if (!IsContainer(p.node) || p.node->Type() == NodeType::Document) return p;
    Node* prev = p.off > 0 ? p.node->ChildAt(p.off - 1) : nullptr;
    Node* next = p.off < p.node->ChildCount() ? p.node->ChildAt(p.off) : nullptr;
    if (prev && prev->IsText()) {
        TextNode* t = prev->AsText();
        size_t at = t->Length();
        d.SpliceText(t, at, 0, text);
        return Canon(Pos{t, at + text.size()});
    }
    if (next && next->IsText()) {
        TextNode* t = next->AsText();
        d.SpliceText(t, 0, 0, text);
        return Canon(Pos{t, text.size()});
    }
    TextPtr t = d.NewText(text);
    d.InsertNode(p.node, p.off, t);
    return Canon(Pos{t.get(), text.size()});
}

Pos InsertNodesAt(DocImpl& d, Pos p, std::vector<NodePtr>& nodes) {
    p = SplitTextAt(d, p);
    if (!p.node || p.node->IsText() || !IsContainer(p.node)) return p;
    if (nodes.empty()) return p;
    // all in one step: pasting many lines into a long note stays linear
    d.InsertNodes(p.node, p.off, nodes);
    Node* last = nodes.back().get();
    return last->Parent() ? After(last) : p;
}

void DeleteContents(DocImpl& d, Pos a, Pos b) {
    a = Canon(a);
    b = Canon(b);
    if (!a.node || !b.node || ComparePos(a, b) >= 0) return;
    if (a.node == b.node && a.node->IsText()) {
        d.SpliceText(a.node->AsText(), a.off, b.off - a.off, L"");
        return;
    }
    Document* doc = d.doc;
    LivePos end(doc, b, Gravity::Right);
    // trim the partly covered text nodes first
    if (a.node->IsText()) {
        TextNode* t = a.node->AsText();
        d.SpliceText(t, a.off, t->Length() - a.off, L"");
        a = After(t);
    }
    LivePos p(doc, a, Gravity::Left);
    Pos e = end.get();
    if (e.node->IsText()) {
        TextNode* t = e.node->AsText();
        d.SpliceText(t, 0, e.off, L"");
        end.set(Before(t));
    }
    // remove the nodes wholly inside, entering those that hold the end
    for (size_t guard = 0; guard < 10000000; ++guard) {
        Pos q = p.get();
        Pos stop = end.get();
        if (ComparePos(q, stop) >= 0) break;
        Node* n = nullptr;
        Pos r = q;
        Context ctx = StepRight(r, true, &n, 0, nullptr);
        if (ctx == Context::None) break;
        if (ctx == Context::ExitScope) { p.set(r); continue; }
        Node* whole = n;
        if (ctx == Context::EnterScope) {
            Pos afterN = After(n);
            if (ComparePos(afterN, stop) > 0) { p.set(r); continue; }   // holds the end: enter
        }
        Node* parent = whole->Parent();
        if (!parent) continue;
        // with it go the siblings after it that lie wholly before the end, in one step
        size_t from = whole->IndexInParent(), to = parent->ChildCount();
        if (stop.node == parent) {
            to = stop.off;
        } else {
            Node* top = stop.node;
            while (top && top->Parent() != parent) top = top->Parent();
            if (top) to = top->IndexInParent();
        }
        if (to <= from) to = from + 1;
        d.DetachChildren(parent, from, to - from);
    }
}

Element* BlockOf(Pos p) {
    Node* n = p.node;
    if (n && n->IsText()) n = n->Parent();
    for (; n; n = n->Parent()) {
        Element* e = n->AsElement();
        if (e && e->IsBlock()) return e->Is(TAG_HTML) || e->Is(TAG_HEAD) ? nullptr : e;
    }
    return nullptr;
}

namespace {
bool HasContent(const Node* n) {
    for (const Node* x = n->NextInOrder(n); x; x = x->NextInOrder(n)) {
        if (x->IsText() && x->AsText()->Length() > 0) return true;
        if (x->IsElement() && x->AsElement()->IsVoid()) return true;
    }
    return false;
}

// Removes el when it became empty, and its parents that became empty with it.
void RemoveIfEmpty(DocImpl& d, Element* el) {
    while (el && !el->Is(TAG_BODY) && !IsTableStructure(el) && !el->Is(TAG_HTML) && el->Parent() && !HasContent(el)) {
        Element* parent = el->ParentElement();
        d.DetachNode(el);
        el = parent;
    }
}

bool SameCellOrBothOutside(Element* a, Element* b) {
    Element* ca = a ? a->ClosestOf({TAG_TD, TAG_TH, TAG_CAPTION}) : nullptr;
    Element* cb = b ? b->ClosestOf({TAG_TD, TAG_TH, TAG_CAPTION}) : nullptr;
    return ca == cb;
}
}

Pos DeleteForEditing(DocImpl& d, Pos a, Pos b) {
    a = Canon(a);
    b = Canon(b);
    if (ComparePos(a, b) > 0) std::swap(a, b);
    Document* doc = d.doc;
    LivePos caret(doc, a, Gravity::Left);
    LivePos tail(doc, b, Gravity::Right);
    DeleteContents(d, a, b);
    Element* ba = BlockOf(caret.get());
    Element* bb = BlockOf(tail.get());
    if (!ba || !bb || ba == bb || !SameCellOrBothOutside(ba, bb) || IsTableStructure(ba) || IsTableStructure(bb))
        return caret.get();
    if (ba->Contains(bb)) {
        if (!bb->Is(TAG_BODY) && !IsContainerBlock(bb)) UnwrapElement(d, bb);
    } else if (bb->Contains(ba)) {
        // pull the inline run that follows the start's block into it
        Node* x = ba;
        while (x->Parent() != bb) x = x->Parent();
        size_t from = x->IndexInParent() + 1, to = from;
        while (to < bb->ChildCount() && !(bb->ChildAt(to)->IsElement() && bb->ChildAt(to)->AsElement()->IsBlock()))
            ++to;
        d.MoveChildren(bb, from, to, ba, ba->ChildCount());
    } else if (!IsContainerBlock(ba) && !IsContainerBlock(bb)) {
        Element* parent = bb->ParentElement();
        d.MoveChildren(bb, 0, bb->ChildCount(), ba, ba->ChildCount());
        d.DetachNode(bb);
        RemoveIfEmpty(d, parent);
    }
    return caret.get();
}

void UnwrapElement(DocImpl& d, Element* el) {
    Node* parent = el->Parent();
    if (!parent) return;
    d.UnwrapChildren(parent, {el});
}

void UnwrapAll(DocImpl& d, const std::vector<Element*>& elements) {
    // deepest first: an element's unwrapped content is in place before the element goes
    std::vector<std::pair<size_t, Element*>> byDepth;
    byDepth.reserve(elements.size());
    for (Element* e : elements)
        if (e && e->Parent()) byDepth.emplace_back(e->Depth(), e);
    std::stable_sort(byDepth.begin(), byDepth.end(),
                     [](const std::pair<size_t, Element*>& x, const std::pair<size_t, Element*>& y) { return x.first > y.first; });
    size_t i = 0;
    while (i < byDepth.size()) {
        size_t depth = byDepth[i].first;
        std::vector<Node*> parents;
        std::unordered_map<Node*, std::vector<Element*>> groups;
        for (; i < byDepth.size() && byDepth[i].first == depth; ++i) {
            Element* e = byDepth[i].second;
            auto& g = groups[e->Parent()];
            if (g.empty()) parents.push_back(e->Parent());
            g.push_back(e);
        }
        for (Node* parent : parents) d.UnwrapChildren(parent, groups[parent]);
    }
}

Element* SplitElementAt(DocImpl& d, Element* el, Pos p) {
    p = SplitTextAt(d, p);
    if (!p.node || !el->Contains(p.node) || !el->Parent()) return nullptr;
    Node* container = p.node;
    size_t index = p.off;
    Element* made = nullptr;
    for (;;) {
        Element* c = container->AsElement();
        if (!c) return nullptr;
        ElementPtr copy = c->CloneShallow();
        Node* parent = c->Parent();
        size_t at = c->IndexInParent();
        d.InsertNode(parent, at + 1, copy);
        d.MoveChildren(c, index, c->ChildCount(), copy.get(), copy->ChildCount());
        made = copy.get();
        if (c == el) break;
        container = parent;
        index = at + 1;
    }
    return made;
}

std::vector<std::vector<Node*>> InlineRuns(Pos a, Pos b) {
    std::vector<std::vector<Node*>> runs;
    a = Canon(a);
    b = Canon(b);
    std::vector<Node*> cur;
    auto close = [&]() {
        bool visible = false;
        for (Node* n : cur) visible = visible || !IsWhitespaceText(n);
        if (visible) runs.push_back(cur);
        cur.clear();
    };
    Pos p = a;
    for (size_t guard = 0; guard < 10000000 && ComparePos(p, b) < 0; ++guard) {
        Node* n = nullptr;
        Pos r = p;
        Context ctx = StepRight(r, true, &n, 0, nullptr);
        if (ctx == Context::None) break;
        if (ctx == Context::ExitScope) { close(); p = r; continue; }
        // the text of STYLE, SCRIPT, TEXTAREA, ... is not markup: never wrapped in formats
        if (ctx == Context::Text && n->Parent() && n->Parent()->IsElement() &&
            IsRawTextTag(n->Parent()->AsElement()->TagId())) {
            close();
            p = r;
            continue;
        }
        if (ctx == Context::EnterScope && n->IsElement() && IsRawTextTag(n->AsElement()->TagId())) {
            close();
            p = ComparePos(After(n), b) <= 0 ? After(n) : r;
            continue;
        }
        if (ctx == Context::Text && n->Parent() && p.node->IsText()) {
            // a partly covered text: callers split texts first; skip what is outside
            close();
            p = r;
            continue;
        }
        bool whole = ComparePos(After(n), b) <= 0;
        if (ctx == Context::EnterScope) {
            Element* e = n->AsElement();
            if (!whole || (e && (e->IsBlock() || IsTableStructure(e)))) {
                close();
                p = r;   // descend
                continue;
            }
        }
        if (!whole) { close(); p = r; continue; }
        if (!cur.empty() && cur.back()->Parent() != n->Parent()) close();
        if (n->IsElement() && n->AsElement()->IsBlock()) { close(); p = After(n); continue; }
        cur.push_back(n);
        p = After(n);
    }
    close();
    return runs;
}

std::vector<Element*> WrapRuns(DocImpl& d, const ElementPtr& el, Pos a, Pos b) {
    std::vector<Element*> out;
    Document* doc = d.doc;
    LivePos end(doc, b, Gravity::Right);
    Pos s = SplitTextAt(d, a);
    LivePos start(doc, s, Gravity::Left);
    SplitTextAt(d, end.get());
    auto runs = InlineRuns(start.get(), end.get());
    for (size_t i = 0; i < runs.size(); ++i) {
        ElementPtr w = i == 0 ? el : el->CloneShallow();
        WrapRun(d, w, runs[i]);
        out.push_back(w.get());
    }
    return out;
}

void WrapRun(DocImpl& d, const ElementPtr& w, const std::vector<Node*>& run) {
    Node* first = run.front();
    Node* parent = first->Parent();
    d.InsertNode(parent, first->IndexInParent(), w);
    // a run is normally a stretch of siblings: it moves in one step
    size_t at = first->IndexInParent();
    bool contiguous = true;
    for (size_t k = 0; k < run.size() && contiguous; ++k)
        contiguous = run[k]->Parent() == parent && parent->ChildAt(at + k) == run[k];
    if (contiguous) d.MoveChildren(parent, at, at + run.size(), w.get(), w->ChildCount());
    else
        for (Node* n : run) d.MoveNode(n, w.get(), w->ChildCount());
}

Pos DescendToStart(Pos p) {
    p = Canon(p);
    for (int guard = 0; guard < 1000; ++guard) {
        if (!p.node || p.node->IsText() || p.off >= p.node->ChildCount()) break;
        Element* c = p.node->ChildAt(p.off)->AsElement();
        if (!c || c->IsBlock() || c->IsVoid()) break;
        p = Canon(Pos{c, 0});
    }
    return p;
}

bool ReplaceRangeWithText(Document& doc, MarkupPointer& start, MarkupPointer& end, const std::wstring& text) {
    DocImpl& d = doc.Impl();
    DocImpl::Batch batch(d);
    Pos a = DocImpl::PosOf(start), b = DocImpl::PosOf(end);
    Pos at = DeleteForEditing(d, a, b);
    Pos after = InsertTextAt(d, EditablePos(&doc, at), text);
    d.Place(start, after);
    d.Place(end, after);
    return true;
}

bool ReplaceRangeWithHtml(Document& doc, MarkupPointer& start, MarkupPointer& end, const std::wstring& html) {
    DocImpl& d = doc.Impl();
    DocImpl::Batch batch(d);
    Pos a = DocImpl::PosOf(start), b = DocImpl::PosOf(end);
    Pos at = EditablePos(&doc, DeleteForEditing(d, a, b));
    Node* scope = at.node->IsText() ? at.node->Parent() : at.node;
    const Element* ctx = scope ? scope->AsElement() : nullptr;
    std::vector<NodePtr> nodes =
        ParseFragment(d, html, ctx ? ctx->TagId() : TAG_BODY, ctx ? ctx->TagName() : L"", ctx ? ctx->Depth() : 2);
    Pos after = InsertNodesAt(d, at, nodes);
    d.Place(start, after);
    d.Place(end, after);
    return true;
}

std::vector<Element*> Paragraphs(DocImpl& d, Pos a, Pos b) {
    std::vector<Element*> out;
    Document* doc = d.doc;
    a = EditablePos(doc, Canon(a));
    b = EditablePos(doc, Canon(b));
    if (ComparePos(a, b) > 0) std::swap(a, b);
    LivePos la(doc, a, Gravity::Left), lb(doc, b, Gravity::Right);
    // leaves (text and objects) in the range; the caret's neighbourhood when collapsed
    std::vector<Node*> leaves;
    {
        Pos p = a;
        if (ComparePos(a, b) == 0) {
            Node* n = nullptr;
            Pos q = p;
            Context c = StepRight(q, false, &n, 0, nullptr);
            if ((c == Context::Text || c == Context::NoScope) && n) leaves.push_back(n);
            else {
                q = p;
                c = StepLeft(q, false, &n, 0, nullptr);
                if ((c == Context::Text || c == Context::NoScope) && n) leaves.push_back(n);
            }
        }
        for (size_t guard = 0; guard < 10000000 && ComparePos(p, b) < 0; ++guard) {
            Node* n = nullptr;
            Context c = StepRight(p, true, &n, 0, nullptr);
            if (c == Context::None) break;
            if ((c == Context::Text && !IsWhitespaceText(n)) || c == Context::NoScope) {
                if (n->IsElement() || n->IsText()) leaves.push_back(n);
            }
        }
    }
    std::unordered_set<Element*> seen;
    auto add = [&out, &seen](Element* e) {
        if (e && seen.insert(e).second) out.push_back(e);
    };
    if (leaves.empty()) {
        // an empty paragraph at the caret, or a new one
        Element* blk = BlockOf(la.get());
        if (blk && !IsContainerBlock(blk)) { add(blk); return out; }
        if (!blk) return out;
        ElementPtr div = d.NewElement(TAG_DIV);
        Pos at = SplitTextAt(d, la.get());
        d.InsertNode(at.node, at.off, div);
        add(div.get());
        return out;
    }
    for (Node* leaf : leaves) {
        if (!leaf->Parent()) continue;
        Element* blk = BlockOf(Before(leaf));
        if (!blk) continue;
        if (!IsContainerBlock(blk)) { add(blk); continue; }
        // inline content straight in a container: the run around the leaf becomes a DIV
        Node* top = leaf;
        while (top->Parent() != blk) top = top->Parent();
        if (top->IsElement() && top->AsElement()->IsBlock()) continue;
        Node* first = top;
        while (Node* s = first->PreviousSibling()) {
            if ((s->IsElement() && s->AsElement()->IsBlock())) break;
            first = s;
        }
        size_t from = first->IndexInParent(), to = from;
        while (to < blk->ChildCount() && !(blk->ChildAt(to)->IsElement() && blk->ChildAt(to)->AsElement()->IsBlock()))
            ++to;
        // a BR that ends the run stays inside the new paragraph
        ElementPtr div = d.NewElement(TAG_DIV);
        d.InsertNode(blk, from, div);
        d.MoveChildren(blk, from + 1, to + 1, div.get(), 0);
        add(div.get());
    }
    return out;
}

// ---------------------------------------------------------------- markup services

bool Document::InsertElement(const ElementPtr& element, const MarkupPointer& start, const MarkupPointer& end) {
    if (!element || element->OwnerDocument() != this || element->Parent() || !start.IsPositioned() ||
        !end.IsPositioned() || start.GetDocument() != this || end.GetDocument() != this)
        return false;
    DocImpl& d = *impl_;
    DocImpl::Batch batch(d);
    Pos a = DocImpl::PosOf(start), b = DocImpl::PosOf(end);
    if (ComparePos(a, b) > 0) std::swap(a, b);
    if (element->IsVoid() || ComparePos(a, b) == 0) {
        Pos at = SplitTextAt(d, a);
        if (at.node->IsText() || !IsContainer(at.node)) return false;
        d.InsertNode(at.node, at.off, element);
        return true;
    }
    // both ends in one parent (after lifting ends that sit at an element's edge): one wrapper
    LivePos lb(this, b, Gravity::Right);
    Pos s = SplitTextAt(d, a);
    LivePos la(this, s, Gravity::Left);
    SplitTextAt(d, lb.get());
    Pos pa = la.get(), pb = lb.get();
    Node* common = CommonContainer(pa, pb);
    auto lift = [&](Pos p, bool atStart) {
        for (int guard = 0; guard < 1000; ++guard) {
            if (!p.node || p.node == common || p.node->IsText() || !p.node->Parent()) break;
            Element* e = p.node->AsElement();
            if (!e || e->Is(TAG_BODY) || e->IsBlock()) break;
            if (atStart ? p.off != 0 : p.off != p.node->ChildCount()) break;
            p = atStart ? Before(p.node) : After(p.node);
        }
        return p;
    };
    pa = lift(pa, true);
    pb = lift(pb, false);
    if (pa.node == pb.node && !pa.node->IsText()) {
        bool blocks = false;
        for (size_t i = pa.off; i < pb.off; ++i) {
            Node* c = pa.node->ChildAt(i);
            blocks = blocks || (c->IsElement() && c->AsElement()->IsBlock());
        }
        if (!blocks || element->IsBlock()) {
            Node* parent = pa.node;
            size_t from = pa.off, count = pb.off - pa.off;
            d.InsertNode(parent, from, element);
            d.MoveChildren(parent, from + 1, from + 1 + count, element.get(), element->ChildCount());
            return true;
        }
    }
    return !WrapRuns(d, element, pa, pb).empty() || true;
}

bool Document::InsertText(const std::wstring& text, const MarkupPointer& at) {
    if (!at.IsPositioned() || at.GetDocument() != this) return false;
    DocImpl::Batch batch(*impl_);
    InsertTextAt(*impl_, DocImpl::PosOf(at), text);
    return true;
}

bool Document::InsertHtml(const std::wstring& html, const MarkupPointer& start, const MarkupPointer& end) {
    if (!start.IsPositioned() || !end.IsPositioned() || start.GetDocument() != this || end.GetDocument() != this)
        return false;
    MarkupPointer s(start), e(end);
    return ReplaceRangeWithHtml(*this, s, e, html);
}

bool Document::Remove(const MarkupPointer& start, const MarkupPointer& end) {
    if (!start.IsPositioned() || !end.IsPositioned() || start.GetDocument() != this || end.GetDocument() != this)
        return false;
    DocImpl::Batch batch(*impl_);
    Pos a = DocImpl::PosOf(start), b = DocImpl::PosOf(end);
    if (ComparePos(Canon(a), Canon(b)) > 0) std::swap(a, b);
    DeleteContents(*impl_, a, b);
    return true;
}

bool Document::RemoveElement(Element* element) {
    if (!element || element->OwnerDocument() != this || !element->Parent()) return false;
    DocImpl::Batch batch(*impl_);
    UnwrapElement(*impl_, element);
    return true;
}

} // namespace HtmlEngine
