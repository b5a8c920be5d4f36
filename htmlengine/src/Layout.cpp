// The layout's public face: update, size, positions, caret moves.
#include <algorithm>
#include "LayoutBoxes.h"
#include "TextUtil.h"

namespace HtmlEngine {

namespace {

bool IsWordItemChar(wchar_t c) { return !(c == ' ' || c == 0xA0 || c == '\t' || c == '\n' || c == '\r'); }

} // namespace

LayoutImpl::LayoutImpl(Document* d, IPlatform* p) : doc(d), platform(p) { doc->Impl().AddObserver(this); }

LayoutImpl::~LayoutImpl() { doc->Impl().RemoveObserver(this); }

Layout::Layout(Document* document, IPlatform* platform) : impl_(new LayoutImpl(document, platform)) {}
Layout::~Layout() = default;

void Layout::SetPictureSource(IPictureSource* source) { impl_->pictures = source; }

void Layout::SetWidth(int width) {
    width = std::max(0, width);
    if (width == impl_->width) return;
    impl_->width = width;
    if (impl_->root) impl_->root->needsLayout = true;
}

int Layout::Width() const { return impl_->width; }

void Layout::Update() {
    LayoutImpl& L = *impl_;
    L.Update();
    if (L.root) {
        const BoxStyle& st = *L.root->style;
        L.root->x = L.root->element ? st.margin[3] : 0;
        L.root->y = L.root->element ? L.root->marginTop : 0;
    }
}

void Layout::PictureChanged(Element* image) { impl_->NodeChanged(image); }

int Layout::ContentHeight() {
    Update();
    const Box* r = impl_->root.get();
    return r ? r->y + r->h + std::max(0, r->element ? r->marginBottom : 0) : 0;
}

int Layout::ContentWidth() {
    Update();
    const Box* r = impl_->root.get();
    if (!r) return 0;
    int w = r->x + r->w;
    for (const auto& c : r->children) w = std::max(w, r->x + c->x + c->w);
    return std::max(impl_->width, w + std::max(0, r->style->margin[1]));
}

size_t Layout::LastRebuiltBlocks() const { return impl_->rebuilt; }

bool Layout::CaretRect(const MarkupPointer& at, Rect* rect) {
    if (!at.IsPositioned() || at.GetDocument() != impl_->doc) return false;
    Update();
    return impl_->CaretRect(DocImpl::PosOf(at), rect);
}

bool Layout::PositionFromPoint(int x, int y, MarkupPointer* out) {
    Update();
    LayoutImpl& L = *impl_;
    if (!L.root || !L.root->element) return false;
    Pos p = L.HitBox(L.root.get(), x - L.root->x, y - L.root->y, nullptr);
    if (!p.node) return false;
    return out->MoveTo(p.node, p.off);
}

Element* Layout::ElementFromPoint(int x, int y) {
    Update();
    LayoutImpl& L = *impl_;
    if (!L.root || !L.root->element) return nullptr;
    Element* e = nullptr;
    L.HitBox(L.root.get(), x - L.root->x, y - L.root->y, &e);
    return e ? e : L.root->element;
}

bool Layout::ElementRect(Element* element, Rect* rect) {
    Update();
    LayoutImpl& L = *impl_;
    auto it = L.boxOf.find(element);
    int ax, ay;
    if (it != L.boxOf.end()) {
        L.AbsOrigin(it->second, &ax, &ay);
        *rect = Rect{ax, ay, ax + it->second->w, ay + it->second->h};
        return true;
    }
    Box* blk = L.BoxFor(element);
    if (!blk) return false;
    bool any = false;
    Rect u;
    std::vector<Box*> stack{blk};
    while (!stack.empty()) {
        Box* b = stack.back();
        stack.pop_back();
        for (auto& c : b->children) stack.push_back(c.get());
        if (b->kind != Box::Flow || b->lines.empty()) continue;
        L.AbsOrigin(b, &ax, &ay);
        for (const Item& item : b->items) {
            if (!element->Contains(item.element ? item.element : item.node)) continue;
            const Line& line = b->lines[std::min<size_t>(item.line, b->lines.size() - 1)];
            Rect r{ax + item.x, ay + line.top, ax + item.x + Advance(item), ay + line.top + line.height};
            if (item.element == element && item.boxW + item.boxH > 0) {   // a picture or a control: its own box
                int h = item.boxH + 2 * item.borderW;
                int bottom = ay + line.top + line.baseline + item.style->shift - item.marginY;
                r = Rect{ax + item.x + item.marginX, bottom - h, ax + item.x + item.marginX + item.boxW + 2 * item.borderW, bottom};
            }
            if (!any) u = r;
            else u = Rect{std::min(u.left, r.left), std::min(u.top, r.top), std::max(u.right, r.right), std::max(u.bottom, r.bottom)};
            any = true;
        }
    }
    if (any) *rect = u;
    return any;
}

namespace {

struct Loc {
    Box* flow;
    size_t item, k;
};

bool StepRight(LayoutImpl& L, Loc& l) {
    if (l.k < L.DisplayLength(l.flow->items[l.item])) { ++l.k; return true; }
    if (l.item + 1 < l.flow->items.size()) { ++l.item; l.k = 0; return true; }
    Box* next = L.NextFlow(l.flow, true);
    if (!next) return false;
    l = Loc{next, 0, 0};
    return true;
}

bool StepLeft(LayoutImpl& L, Loc& l) {
    if (l.k > 0) { --l.k; return true; }
    if (l.item > 0) { --l.item; l.k = L.DisplayLength(l.flow->items[l.item]); return true; }
    Box* prev = L.NextFlow(l.flow, false);
    if (!prev) return false;
    l = Loc{prev, prev->items.size() - 1, L.DisplayLength(prev->items.back())};
    return true;
}

// The character right (or left) of a location: items' text, "A" for a picture or a check box,
// "\n" between flows and for breaks, 0 at the document's ends.
wchar_t CharNext(LayoutImpl& L, Loc l, bool right) {
    for (int guard = 0; guard < 64; ++guard) {
        const Item& it = l.flow->items[l.item];
        size_t len = L.DisplayLength(it);
        if (right ? l.k < len : l.k > 0) {
            size_t idx = right ? l.k : l.k - 1;
            if (it.kind == Item::Word) return it.node->AsText()->Data()[it.start + idx];
            if (it.kind == Item::Space || it.kind == Item::Tab) return ' ';
            if (it.kind == Item::Break) return '\n';
            return 'A';
        }
        if (right ? l.item + 1 < l.flow->items.size() : l.item > 0) {
            if (right) { ++l.item; l.k = 0; }
            else { --l.item; l.k = L.DisplayLength(l.flow->items[l.item]); }
            continue;
        }
        return L.NextFlow(l.flow, right) ? '\n' : 0;
    }
    return ' ';
}

} // namespace

bool Layout::Move(MarkupPointer& at, CaretMove move, int* goalX) {
    if (!at.IsPositioned() || at.GetDocument() != impl_->doc) return false;
    Update();
    LayoutImpl& L = *impl_;
    if (L.flowsInOrder.empty()) return false;
    Pos p = Canon(DocImpl::PosOf(at));
    auto set = [&](Pos q) {
        if (!q.node) return false;
        bool moved = Canon(q) != p;
        at.MoveTo(q.node, q.off);
        return moved;
    };
    auto firstFlow = [&]() -> Box* {
        for (Box* f : L.flowsInOrder) if (!f->lines.empty()) return f;
        return nullptr;
    };
    auto lastFlow = [&]() -> Box* {
        for (size_t i = L.flowsInOrder.size(); i-- > 0;) if (!L.flowsInOrder[i]->lines.empty()) return L.flowsInOrder[i];
        return nullptr;
    };
    if (move == CaretMove::DocumentStart) {
        Box* f = firstFlow();
        return f && set(L.PosAt(f, 0, 0));
    }
    if (move == CaretMove::DocumentEnd) {
        Box* f = lastFlow();
        if (!f) return false;
        size_t i = f->items.size() - 1;
        return set(L.PosAt(f, i, L.DisplayLength(f->items[i])));
    }
    Loc l;
    if (!L.Locate(p, &l.flow, &l.item, &l.k) || l.flow->lines.empty()) {
        // an empty block: the nearest flow above or below it
        Rect r;
        if (!L.CaretRect(p, &r)) return false;
        bool down = move == CaretMove::Right || move == CaretMove::WordRight || move == CaretMove::Down ||
                    move == CaretMove::LineEnd;
        if (move == CaretMove::LineStart || move == CaretMove::LineEnd) return false;
        Box* pick = nullptr;
        for (Box* f : L.flowsInOrder) {
            if (f->lines.empty()) continue;
            int ax, ay;
            L.AbsOrigin(f, &ax, &ay);
            if (down && ay >= r.bottom) { pick = f; break; }
            if (!down && ay + f->h <= r.top) pick = f;
        }
        if (!pick) return false;
        if (down) return set(L.PosAt(pick, 0, 0));
        size_t i = pick->items.size() - 1;
        return set(L.PosAt(pick, i, L.DisplayLength(pick->items[i])));
    }
    switch (move) {
    case CaretMove::Right:
    case CaretMove::Left: {
        bool right = move == CaretMove::Right;
        for (int guard = 0; guard < 100000; ++guard) {
            Loc was = l;
            if (!(right ? StepRight(L, l) : StepLeft(L, l))) return false;
            // the end of one item and the start of the next on the same line are one place
            auto& items = l.flow->items;
            bool samePlace = was.flow == l.flow && was.item != l.item &&
                             items[was.item].line == items[l.item].line &&
                             (right ? was.k == L.DisplayLength(items[was.item]) && l.k == 0
                                    : was.k == 0 && l.k == L.DisplayLength(items[l.item]));
            if (samePlace) continue;
            Pos q = L.PosAt(l.flow, l.item, l.k);
            if (q != p) return set(q);
        }
        return false;
    }
    case CaretMove::WordRight: {
        int guard = 0;
        // over the rest of this word, then over the spaces after it
        while (guard++ < 100000) {
            wchar_t c = CharNext(L, l, true);
            if (!c || !IsWordItemChar(c)) break;
            StepRight(L, l);
        }
        while (guard++ < 100000) {
            wchar_t c = CharNext(L, l, true);
            if (!c || IsWordItemChar(c)) break;
            if (!StepRight(L, l)) break;
        }
        return set(L.PosAt(l.flow, l.item, l.k));
    }
    case CaretMove::WordLeft: {
        int guard = 0;
        while (guard++ < 100000) {
            wchar_t c = CharNext(L, l, false);
            if (!c || IsWordItemChar(c)) break;
            if (!StepLeft(L, l)) break;
        }
        while (guard++ < 100000) {
            wchar_t c = CharNext(L, l, false);
            if (!c || !IsWordItemChar(c)) break;
            StepLeft(L, l);
        }
        return set(L.PosAt(l.flow, l.item, l.k));
    }
    case CaretMove::LineStart:
    case CaretMove::LineEnd: {
        const Line& line = l.flow->lines[l.flow->items[l.item].line];
        if (move == CaretMove::LineStart) {
            size_t i = line.begin;
            while (i + 1 < line.end && l.flow->items[i].kind == Item::Space && !l.flow->items[i].shown) ++i;
            return set(L.PosAt(l.flow, i, 0));
        }
        size_t i = line.end - 1;
        const Item& it = l.flow->items[i];
        bool hang = it.kind == Item::Break || (it.kind == Item::Space && line.end < l.flow->items.size());
        return set(L.PosAt(l.flow, i, hang ? 0 : L.DisplayLength(it)));
    }
    case CaretMove::Up:
    case CaretMove::Down: {
        Rect r;
        L.CaretRect(p, &r);
        int gx = goalX && *goalX >= 0 ? *goalX : r.left;
        if (goalX) *goalX = gx;
        size_t li = l.flow->items[l.item].line;
        Box* f = l.flow;
        if (move == CaretMove::Down) {
            if (li + 1 < f->lines.size()) ++li;
            else {
                f = L.NextFlow(f, true);
                if (!f) return false;
                li = 0;
            }
        } else {
            if (li > 0) --li;
            else {
                f = L.NextFlow(f, false);
                if (!f) return false;
                li = f->lines.size() - 1;
            }
        }
        int ax, ay;
        L.AbsOrigin(f, &ax, &ay);
        return set(L.HitFlow(f, gx - ax, f->lines[li].top));
    }
    default:
        return false;
    }
}

bool Layout::WordAt(const MarkupPointer& at, MarkupPointer* start, MarkupPointer* end) {
    if (!at.IsPositioned()) return false;
    Update();
    LayoutImpl& L = *impl_;
    Loc l;
    if (!L.Locate(DocImpl::PosOf(at), &l.flow, &l.item, &l.k)) return false;
    auto& items = l.flow->items;
    size_t a = l.item, b = l.item;
    // a position at a word's end belongs to that word
    if (items[a].kind != Item::Word && l.k == 0 && a > 0 && items[a - 1].kind == Item::Word) a = b = a - 1;
    if (items[a].kind == Item::Word) {
        while (a > 0 && items[a - 1].kind == Item::Word && items[a - 1].line == items[a].line) --a;
        while (b + 1 < items.size() && items[b + 1].kind == Item::Word && items[b + 1].line == items[b].line) ++b;
    }
    Pos s = L.PosAt(l.flow, a, 0);
    Pos e = L.PosAt(l.flow, b, L.DisplayLength(items[b]));
    return start->MoveTo(s.node, s.off) && end->MoveTo(e.node, e.off);
}

} // namespace HtmlEngine
