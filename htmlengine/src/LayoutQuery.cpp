// Positions on the page: where a markup position is drawn, which position is under a point,
// and the caret moves between them.
#include <algorithm>
#include "LayoutBoxes.h"

namespace HtmlEngine {

int StrutHeight(const BoxStyle& st);

Pos CanonPos(Pos p) { return Canon(p); }

namespace {

Pos Around(Node* n, bool after) {
    Node* parent = n->Parent();
    if (!parent) return Pos{n, 0};
    return Canon(Pos{parent, n->IndexInParent() + (after ? 1 : 0)});
}

bool IsAtom(const Item& it) {
    return it.kind == Item::Picture || it.kind == Item::CheckBox || it.kind == Item::Control;
}

// a break around a block laid out inline (no BR of its own)
bool IsImplicitBreak(const Item& it) { return it.kind == Item::Break && !it.element && it.node->IsElement(); }

} // namespace

Pos LayoutImpl::ItemStart(const Box* flow, size_t i) const {
    const Item& it = flow->items[i];
    if (it.node->IsText()) return Canon(Pos{it.node, it.start});
    if (IsImplicitBreak(it)) return Canon(Pos{it.node, it.start ? it.node->ChildCount() : 0});
    return Around(it.node, false);
}

Pos LayoutImpl::ItemEnd(const Box* flow, size_t i) const {
    const Item& it = flow->items[i];
    if (it.node->IsText()) return Canon(Pos{it.node, it.end});
    if (IsImplicitBreak(it)) return Canon(Pos{it.node, it.start ? it.node->ChildCount() : 0});
    return Around(it.node, true);
}

size_t LayoutImpl::DisplayLength(const Item& it) const {
    switch (it.kind) {
    case Item::Word: return it.end - it.start;
    case Item::Space: return it.shown ? 1 : 0;
    case Item::Break: return IsImplicitBreak(it) ? 0 : 1;
    default: return 1;
    }
}

std::wstring LayoutImpl::DisplayText(const Item& it) const {
    if (it.kind == Item::Word) return it.node->AsText()->Data().substr(it.start, it.end - it.start);
    if (it.kind == Item::Space && it.shown) return L" ";
    return std::wstring();
}

int LayoutImpl::PrefixWidth(const Item& it, size_t k) {
    if (k == 0) return 0;
    if (it.kind == Item::Word) {
        size_t len = it.end - it.start;
        if (k >= len) return it.width;
        return platform->TextWidth(it.style->fontId, it.node->AsText()->Data().data() + it.start, k);
    }
    if (it.kind == Item::Break) return 0;
    return Advance(it);
}

Pos LayoutImpl::PosAt(Box* flow, size_t i, size_t k) const {
    const Item& it = flow->items[i];
    if (it.kind == Item::Word) return Canon(Pos{it.node, it.start + std::min<size_t>(k, it.end - it.start)});
    return k == 0 ? ItemStart(flow, i) : ItemEnd(flow, i);
}

void LayoutImpl::AbsOrigin(const Box* box, int* x, int* y) const {
    int ax = 0, ay = 0;
    for (const Box* b = box; b; b = b->parent) {
        ax += b->x;
        ay += b->y;
        if (b->parent) ay += b->parent->shiftY;
    }
    *x = ax;
    *y = ay;
}

Box* LayoutImpl::BoxFor(Node* n) const {
    for (; n; n = n->Parent()) {
        if (!n->IsElement()) continue;
        auto it = boxOf.find(n);
        if (it != boxOf.end()) return it->second;
    }
    return nullptr;
}

namespace {

// Index of the block element's child that a box covers first.
size_t DomBegin(const Box* b) {
    if (b->kind == Box::Flow) return b->firstNode ? b->firstNode->IndexInParent() : 0;
    return b->element ? b->element->IndexInParent() : 0;
}
size_t DomEnd(const Box* b) {   // last covered child
    if (b->kind == Box::Flow) return b->lastNode ? b->lastNode->IndexInParent() : 0;
    return b->element ? b->element->IndexInParent() : 0;
}

} // namespace

// The flow that holds a position, or null (then *blockOut is the box the position lies in).
Box* LayoutImpl::FlowFor(Pos p, Box** blockOut) {
    *blockOut = nullptr;
    if (!p.node) return nullptr;
    Box* blk = nullptr;
    Node* below = nullptr;   // p's ancestor (or p's node) that is a child of blk's element
    for (Node* n = p.node; n; n = n->Parent()) {
        if (n->IsElement()) {
            auto it = boxOf.find(n);
            if (it != boxOf.end()) { blk = it->second; break; }
        }
        below = n;
    }
    if (!blk) return nullptr;
    *blockOut = blk;
    if (blk->kind == Box::Table || blk->kind == Box::Rule || blk->children.empty()) return nullptr;
    size_t idx;
    bool inside = below != nullptr;
    if (inside) idx = below->IndexInParent();
    else idx = p.off;
    auto& ch = blk->children;
    // last child box that begins at or before idx
    size_t lo = 0, hi = ch.size();
    while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        if (DomBegin(ch[mid].get()) <= idx) lo = mid + 1;
        else hi = mid;
    }
    Box* cand = lo > 0 ? ch[lo - 1].get() : nullptr;
    if (cand && cand->kind == Box::Flow && idx <= DomEnd(cand) + (inside ? 0 : 1)) return cand;
    if (cand && cand->kind != Box::Flow && inside && DomBegin(cand) == idx) {
        // inside a block child that has no box of its own in the map (cannot happen) or a table part
        return nullptr;
    }
    // between blocks: the start of the next box, else the end of the previous one
    Box* next = lo < ch.size() ? ch[lo].get() : nullptr;
    if (cand && !inside && DomBegin(cand) == idx && cand->kind != Box::Flow) next = cand;
    auto firstFlow = [&](Box* b, bool fromEnd) -> Box* {
        while (b && b->kind != Box::Flow) {
            if (b->children.empty()) return nullptr;
            b = fromEnd ? b->children.back().get() : b->children.front().get();
        }
        return b;
    };
    if (next) {
        if (Box* f = firstFlow(next, false)) { *blockOut = f->parent; return f; }
        *blockOut = next;
        return nullptr;
    }
    if (cand) {
        if (Box* f = firstFlow(cand, true)) { *blockOut = f->parent; return f; }
        *blockOut = cand;
    }
    return nullptr;
}

bool LayoutImpl::Locate(Pos p, Box** flowOut, size_t* itemOut, size_t* kOut) {
    p = Canon(p);
    Box* blk;
    Box* flow = FlowFor(p, &blk);
    if (!flow || flow->items.empty()) return false;
    auto& items = flow->items;
    size_t n = items.size();
    // before the flow, or after it: its edges
    if (ComparePos(p, ItemStart(flow, 0)) <= 0) {
        *flowOut = flow; *itemOut = 0; *kOut = 0;
        return true;
    }
    if (ComparePos(p, ItemEnd(flow, n - 1)) >= 0) {
        *flowOut = flow; *itemOut = n - 1; *kOut = DisplayLength(items[n - 1]);
        return true;
    }
    // first item that ends at or after p
    size_t lo = 0, hi = n;
    while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        if (ComparePos(ItemEnd(flow, mid), p) < 0) lo = mid + 1;
        else hi = mid;
    }
    size_t i = std::min(lo, n - 1);
    size_t k;
    const Item& it = items[i];
    if (ComparePos(ItemStart(flow, i), p) >= 0) k = 0;
    else if (it.kind == Item::Word && p.node == it.node) k = p.off - it.start;
    else k = DisplayLength(it);
    // at the boundary of two items the position shows at the start of a new line
    if (k == DisplayLength(it) && i + 1 < n && (items[i + 1].line != it.line || it.kind == Item::Break) &&
        ComparePos(ItemStart(flow, i + 1), p) == 0) {
        ++i;
        k = 0;
    }
    // a hidden space shows where the next shown item starts
    *flowOut = flow;
    *itemOut = i;
    *kOut = k;
    return true;
}

bool LayoutImpl::CaretRect(Pos p, Rect* r) {
    Box* flow;
    size_t i, k;
    if (Locate(p, &flow, &i, &k)) {
        int ax, ay;
        AbsOrigin(flow, &ax, &ay);
        Item& it = flow->items[i];
        if (flow->lines.empty()) {
            int h = StrutHeight(*flow->style);
            *r = Rect{ax, ay, ax + 1, ay + h};
            return true;
        }
        const Line& line = flow->lines[std::min<size_t>(it.line, flow->lines.size() - 1)];
        int x = ax + it.x + PrefixWidth(it, k);
        int top, h;
        if (IsAtom(it)) {
            h = it.boxH + 2 * it.borderW;
            top = ay + line.top + line.baseline - it.marginY - h;
        } else {
            const BoxStyle& st = *it.style;
            h = st.metrics.Height();
            top = ay + line.top + line.baseline - st.metrics.ascent + st.shift;
        }
        *r = Rect{x, top, x + 1, top + std::max(1, h)};
        return true;
    }
    Box* blk;
    FlowFor(Canon(p), &blk);
    if (!blk) return false;
    int ax, ay;
    AbsOrigin(blk, &ax, &ay);
    const BoxStyle& st = *blk->style;
    int left = ax + st.border[3] + st.padding[3];
    int inner = blk->w - st.border[1] - st.border[3] - st.padding[1] - st.padding[3];
    if (st.align == Align::Center) left += inner / 2;
    else if (st.align == Align::Right) left += std::max(0, inner - 1);
    int top = ay + st.border[0] + st.padding[0];
    *r = Rect{left, top, left + 1, top + std::max(1, st.metrics.Height())};
    return true;
}

Pos LayoutImpl::HitFlow(Box* flow, int x, int y) {
    auto& items = flow->items;
    if (items.empty()) return Pos{};
    if (flow->lines.empty()) return ItemStart(flow, 0);
    auto& lines = flow->lines;
    size_t lo = 0, hi = lines.size();
    while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        if (lines[mid].top + lines[mid].height <= y) lo = mid + 1;
        else hi = mid;
    }
    const Line& line = lines[std::min(lo, lines.size() - 1)];
    if (line.begin >= line.end) return ItemStart(flow, std::min<size_t>(line.begin, items.size() - 1));
    // the item under x; past the end: after the last shown item (before a break or hanging space)
    size_t last = line.end - 1;
    for (size_t i = line.begin; i < line.end; ++i) {
        Item& it = items[i];
        if (it.kind == Item::Space && !it.shown) continue;
        if (it.kind == Item::Break) break;
        if (x < it.x + Advance(it) || i == last) {
            if (x >= it.x + Advance(it)) return PosAt(flow, i, DisplayLength(it));
            if (it.kind == Item::Word) {
                size_t len = it.end - it.start;
                std::vector<int> ends(len);
                platform->TextExtents(it.style->fontId, it.node->AsText()->Data().data() + it.start, len, ends.data());
                size_t k = 0;
                while (k < len) {
                    int left = k ? ends[k - 1] : 0;
                    if (x - it.x < (left + ends[k] + 1) / 2) break;
                    ++k;
                }
                return PosAt(flow, i, k);
            }
            return PosAt(flow, i, x - it.x < Advance(it) / 2 ? 0 : DisplayLength(it));
        }
    }
    // past the end of the line
    for (size_t i = line.end; i-- > line.begin;) {
        Item& it = items[i];
        if (it.kind == Item::Break || (it.kind == Item::Space && (i + 1 == line.end || !it.shown))) {
            if (i == line.begin) return PosAt(flow, i, 0);
            continue;
        }
        return PosAt(flow, i, DisplayLength(it));
    }
    return PosAt(flow, line.begin, 0);
}

Pos LayoutImpl::HitBox(Box* box, int x, int y, Element** element) {
    if (box->kind == Box::Flow) {
        if (element) {
            *element = box->parent ? box->parent->element : nullptr;
            for (const Line& line : box->lines) {
                if (y < line.top || y >= line.top + line.height) continue;
                for (size_t i = line.begin; i < line.end; ++i) {
                    const Item& it = box->items[i];
                    if (x >= it.x && x < it.x + Advance(it)) {
                        if (it.element) *element = it.element;
                        else if (it.node->IsText()) *element = it.node->ParentElement();
                        break;
                    }
                }
                break;
            }
        }
        return HitFlow(box, x, y);
    }
    if (element) *element = box->element;
    auto& ch = box->children;
    if (ch.empty()) {
        if (!box->element) return Pos{};
        return Canon(Pos{box->element, 0});
    }
    int cy = y - box->shiftY;
    Box* pick = nullptr;
    if (box->kind == Box::Table) {
        long best = -1;
        for (auto& c : ch) {
            long dx = x < c->x ? c->x - x : x >= c->x + c->w ? x - c->x - c->w + 1 : 0;
            long dy = cy < c->y ? c->y - cy : cy >= c->y + c->h ? cy - c->y - c->h + 1 : 0;
            long d = dx + dy * 4;
            if (best < 0 || d < best) { best = d; pick = c.get(); }
        }
    } else {
        size_t lo = 0, hi = ch.size();
        while (lo < hi) {
            size_t mid = (lo + hi) / 2;
            if (ch[mid]->y <= cy) lo = mid + 1;
            else hi = mid;
        }
        // the child whose rows hold y, else the nearer of the two around it
        Box* before = lo > 0 ? ch[lo - 1].get() : nullptr;
        Box* after = lo < ch.size() ? ch[lo].get() : nullptr;
        // skip boxes with no height (empty flows) when looking for the nearest
        while (before && before->h == 0 && before->index > 0) before = ch[before->index - 1].get();
        if (before && cy < before->y + before->h) pick = before;
        else if (before && after) pick = (cy - (before->y + before->h) <= after->y - cy) ? before : after;
        else pick = before ? before : after;
        if (pick && pick->h == 0) {
            for (auto& c : ch)
                if (c->h > 0) { pick = c.get(); break; }
        }
    }
    if (!pick) return Canon(Pos{box->element, 0});
    bool insideChild = x >= pick->x && x < pick->x + pick->w && cy >= pick->y && cy < pick->y + pick->h;
    Element* inner = nullptr;
    Pos p = HitBox(pick, x - pick->x, cy - pick->y, element ? &inner : nullptr);
    if (element && insideChild && inner) *element = inner;
    if (!p.node && pick->element) p = Canon(Pos{pick->element, 0});
    return p;
}

Box* LayoutImpl::NextFlow(Box* flow, bool forward) const {
    size_t o = flow->order;
    while (true) {
        if (forward) {
            if (o + 1 >= flowsInOrder.size()) return nullptr;
            ++o;
        } else {
            if (o == 0) return nullptr;
            --o;
        }
        Box* f = flowsInOrder[o];
        if (!f->lines.empty()) return f;
    }
}

} // namespace HtmlEngine
