// Building boxes and inline items from the tree, and rebuilding the blocks an edit touched.
#include <algorithm>
#include "LayoutBoxes.h"
#include "TextUtil.h"

namespace HtmlEngine {

namespace {

// Boxes deeper than this lay their content out inline: a hostile note nested thousands of
// levels deep costs no stack.
constexpr int kMaxBoxDepth = 120;
// Words longer than this are measured and drawn in pieces (a megabyte without a space).
constexpr uint32_t kMaxWordChars = 256;

bool IsCollapsible(wchar_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool IsBlockLevel(Display d) {
    return d == Display::Block || d == Display::ListItem || d == Display::Table || d == Display::RowGroup ||
           d == Display::Row || d == Display::Cell;
}

std::wstring Roman(int n, bool upper) {
    static const struct { int v; const wchar_t* s; } kRoman[] = {
        {1000, L"m"}, {900, L"cm"}, {500, L"d"}, {400, L"cd"}, {100, L"c"}, {90, L"xc"},
        {50, L"l"}, {40, L"xl"}, {10, L"x"}, {9, L"ix"}, {5, L"v"}, {4, L"iv"}, {1, L"i"}};
    if (n <= 0 || n >= 4000) return std::to_wstring(n);
    std::wstring out;
    for (const auto& r : kRoman)
        while (n >= r.v) { out += r.s; n -= r.v; }
    return upper ? UpperAscii(out) : out;
}

std::wstring Alpha(int n, bool upper) {
    if (n <= 0) return std::to_wstring(n);
    std::wstring out;
    while (n > 0) {
        --n;
        out.insert(out.begin(), wchar_t((upper ? 'A' : 'a') + n % 26));
        n /= 26;
    }
    return out;
}

int IntAttr(const Element* e, const wchar_t* name, int fallback, int lo, int hi) {
    std::wstring v;
    if (!e->GetAttribute(name, &v)) return fallback;
    v = Trim(v);
    if (v.empty() || !((v[0] >= '0' && v[0] <= '9') || v[0] == '-')) return fallback;
    long n = wcstol(v.c_str(), nullptr, 10);
    return int(std::max<long>(lo, std::min<long>(n, hi)));
}

} // namespace

std::wstring ListMarkerText(ListMark mark, int n) {
    switch (mark) {
    case ListMark::Decimal: return std::to_wstring(n) + L".";
    case ListMark::LowerAlpha: return Alpha(n, false) + L".";
    case ListMark::UpperAlpha: return Alpha(n, true) + L".";
    case ListMark::LowerRoman: return Roman(n, false) + L".";
    case ListMark::UpperRoman: return Roman(n, true) + L".";
    default: return std::wstring();
    }
}

int LayoutImpl::WordWidth(const BoxStyle* st, const wchar_t* s, size_t n) {
    if (n > 48) return platform->TextWidth(st->fontId, s, n);
    // the key is built in a kept buffer: a lookup of a known word allocates nothing
    std::wstring& key = wordKey;
    key.clear();
    key.push_back(wchar_t(st->fontId & 0xFFFF));
    key.push_back(wchar_t((st->fontId >> 16) | 0x8000));
    key.append(s, n);
    auto it = wordCache.find(key);
    if (it != wordCache.end()) return it->second;
    if (wordCache.size() > 300000) wordCache.clear();
    int w = platform->TextWidth(st->fontId, s, n);
    wordCache.emplace(key, w);
    return w;
}

void LayoutImpl::AddText(Box* flow, TextNode* t, const BoxStyle* st) {
    const std::wstring& s = t->Data();
    uint32_t n = uint32_t(std::min<size_t>(s.size(), 0xFFFFFFF0u));
    uint32_t i = 0;
    auto push = [&](Item::Kind kind, uint32_t a, uint32_t b) {
        Item it;
        it.kind = kind;
        it.node = t;
        it.start = a;
        it.end = b;
        it.style = st;
        if (kind == Item::Word) it.width = WordWidth(st, s.data() + a, b - a);
        else if (kind == Item::Space) it.width = WordWidth(st, L" ", 1);
        else if (kind == Item::Tab) it.width = WordWidth(st, L" ", 1) * 8;
        if (kind == Item::Space) {
            // a space after a space (of this or an earlier text) or at the flow's start shows nothing
            bool afterSpace = true;
            for (size_t k = flow->items.size(); k-- > 0;) {
                const Item& prev = flow->items[k];
                if (prev.kind == Item::Space && prev.collapsed) continue;
                afterSpace = prev.kind == Item::Space || prev.kind == Item::Break;
                break;
            }
            it.collapsed = afterSpace;
        }
        flow->items.push_back(it);
    };
    while (i < n) {
        wchar_t c = s[i];
        if (st->pre) {
            if (c == '\n' || c == '\r') {
                uint32_t j = i + 1;
                if (c == '\r' && j < n && s[j] == '\n') ++j;
                push(Item::Break, i, j);
                i = j;
            } else if (c == '\t') {
                push(Item::Tab, i, i + 1);
                ++i;
            } else {
                uint32_t j = i;
                while (j < n && s[j] != '\n' && s[j] != '\r' && s[j] != '\t' && j - i < kMaxWordChars) ++j;
                push(Item::Word, i, j);
                i = j;
            }
        } else if (IsCollapsible(c)) {
            uint32_t j = i;
            while (j < n && IsCollapsible(s[j])) ++j;
            push(Item::Space, i, j);
            i = j;
        } else {
            uint32_t j = i;
            while (j < n && !IsCollapsible(s[j]) && j - i < kMaxWordChars) ++j;
            // keep a surrogate pair in one piece
            if (j < n && j - i == kMaxWordChars && s[j - 1] >= 0xD800 && s[j - 1] <= 0xDBFF) --j;
            push(Item::Word, i, j);
            i = j;
        }
    }
}

void LayoutImpl::AddInline(Box* block, Box*& flow, Node* n, const BoxStyle& st, int depth, Node* readOnly) {
    auto ensureFlow = [&]() {
        if (flow) return;
        auto f = std::make_unique<Box>();
        f->kind = Box::Flow;
        f->style = block->style;
        f->parent = block;
        f->index = uint32_t(block->children.size());
        flow = f.get();
        block->children.push_back(std::move(f));
    };
    if (n->IsText()) {
        TextNode* t = n->AsText();
        if (!flow && !st.pre) {   // white space between blocks makes no flow
            bool blank = true;
            for (wchar_t c : t->Data()) blank = blank && IsCollapsible(c);
            if (blank) return;
        }
        ensureFlow();
        AddText(flow, t, &st);
        return;
    }
    Element* e = n->AsElement();
    if (!e) return;
    auto cs = ComputeStyle(e, st, true);
    if (cs->display == Display::None) return;
    block->inlineStyles.push_back(cs);
    const BoxStyle* s = cs.get();
    if (!readOnly && !s->editable && st.editable) readOnly = e;
    Node* atomNode = readOnly ? readOnly : e;
    int id = e->TagId();
    if (id == TAG_BR) {
        ensureFlow();
        Item it;
        it.kind = Item::Break;
        it.node = atomNode;
        it.element = e;
        it.style = s;
        flow->items.push_back(it);
        return;
    }
    if (id == TAG_IMG || id == TAG_INPUT) {
        ensureFlow();
        Item it;
        it.node = atomNode;
        it.element = e;
        it.style = s;
        if (id == TAG_IMG) {
            it.kind = Item::Picture;
            int w = s->width, h = s->height;
            int nw = e->NaturalWidth(), nh = e->NaturalHeight();
            bool loaded = e->IsComplete() && nw > 0 && nh > 0;
            it.loadState = loaded ? 0 : (e->IsComplete() ? 2 : 1);
            if (w < 0 && h < 0) {
                if (loaded) { w = nw; h = nh; }
                else { w = 24; h = 24; }
            } else if (w < 0) {
                w = loaded ? int(int64_t(h) * nw / nh) : h;
            } else if (h < 0) {
                h = loaded ? int(int64_t(w) * nh / nw) : w;
            }
            if (s->maxWidth >= 0 && w > s->maxWidth) {
                if (s->height < 0 && w > 0) h = int(int64_t(h) * s->maxWidth / w);
                w = s->maxWidth;
            }
            it.boxW = std::max(0, std::min(w, 1000000));
            it.boxH = std::max(0, std::min(h, 1000000));
            it.borderW = int16_t(std::min(s->border[0], 100));
            it.marginX = int16_t(std::max(0, std::min(s->margin[3], 1000)));
            it.marginY = int16_t(std::max(0, std::min(s->margin[0], 1000)));
        } else {
            std::wstring type = LowerAscii(Trim(e->GetAttribute(L"type")));
            if (type == L"checkbox" || type == L"radio") {
                it.kind = Item::CheckBox;
                it.boxW = it.boxH = 13;
                it.marginX = 3;
                it.marginY = 3;
            } else {
                it.kind = Item::Control;
                it.boxW = s->width >= 0 ? std::min(s->width, 10000) : IntAttr(e, L"size", 20, 1, 1000) * 7 + 6;
                it.boxH = s->height >= 0 ? std::min(s->height, 10000) : 20;
                it.marginX = 1;
                it.marginY = 1;
            }
        }
        it.width = it.boxW + 2 * it.borderW + 2 * it.marginX;
        flow->items.push_back(it);
        return;
    }
    bool blockInside = IsBlockLevel(cs->display);
    auto implicitBreak = [&](bool atEnd) {
        if (!flow || flow->items.empty()) return;
        Item it;
        it.kind = Item::Break;
        it.node = e;
        it.start = atEnd ? 1 : 0;   // marks a break of a block laid out inline
        it.end = 2;
        it.style = s;
        flow->items.push_back(it);
    };
    if (blockInside) implicitBreak(false);
    for (Node* c = e->FirstChild(); c; c = c->NextSibling()) AddInline(block, flow, c, *s, depth, readOnly);
    if (blockInside) implicitBreak(true);
}

std::unique_ptr<Box> LayoutImpl::BuildBlock(Element* e, const BoxStyle& parentStyle, Box* parent, int depth) {
    auto st = ComputeStyle(e, parentStyle, false);
    if (st->display == Display::None) return nullptr;
    auto box = std::make_unique<Box>();
    box->element = e;
    box->style = st;
    box->parent = parent;
    if (st->display == Display::Table) box->kind = Box::Table;
    else if (st->display == Display::Cell) box->kind = Box::Cell;
    else if (e->Is(TAG_HR)) box->kind = Box::Rule;
    boxOf[e] = box.get();
    ++rebuilt;
    if (box->kind == Box::Table) BuildTable(box.get(), depth);
    else if (box->kind != Box::Rule) BuildChildren(box.get(), depth);
    return box;
}

void LayoutImpl::BuildChildren(Box* box, int depth) {
    Element* e = box->element;
    Box* flow = nullptr;
    int number = 0;
    bool isList = IsListTag(e->TagId());
    if (isList) number = IntAttr(e, L"start", 1, -1000000, 1000000) - 1;
    for (Node* c = e->FirstChild(); c; c = c->NextSibling()) {
        Element* ce = c->AsElement();
        if (ce && depth < kMaxBoxDepth) {
            bool block = ce->IsBlock() || ce->Is(TAG_LI);
            if (!block) {
                std::wstring display = LowerAscii(Trim(ce->GetStyle(L"display")));
                block = display == L"block";
            }
            if (block) {
                auto child = BuildBlock(ce, *box->style, box, depth + 1);
                if (!child) continue;
                flow = nullptr;
                if (ce->Is(TAG_LI)) {
                    number = IntAttr(ce, L"value", number + 1, -1000000, 1000000);
                    const BoxStyle& ls = *child->style;
                    if (ls.listMark >= ListMark::Decimal && ls.listMark != ListMark::None)
                        child->marker = ListMarkerText(ls.listMark, isList || ce->ParentElement() ? number : 1);
                }
                child->index = uint32_t(box->children.size());
                box->children.push_back(std::move(child));
                continue;
            }
        }
        if (c->IsComment()) continue;
        Box* before = flow;
        AddInline(box, flow, c, *box->style, depth, nullptr);
        if (flow) {
            if (!before) flow->firstNode = c;
            flow->lastNode = c;
        }
    }
}

void LayoutImpl::BuildTable(Box* box, int depth) {
    Element* table = box->element;
    box->table = std::make_unique<Box::TableData>();
    Box::TableData& t = *box->table;
    t.spacing = IntAttr(table, L"cellspacing", 2, 0, 1000);
    t.padding = IntAttr(table, L"cellpadding", 1, 0, 1000);
    t.cellBorder = box->style->border[0] > 0 ? 1 : 0;
    std::vector<Element*> rows;
    for (Node* c = table->FirstChild(); c; c = c->NextSibling()) {
        Element* ce = c->AsElement();
        if (!ce) continue;
        if (ce->Is(TAG_TR)) rows.push_back(ce);
        else if (IsTableSectionTag(ce->TagId()))
            for (Node* r = ce->FirstChild(); r; r = r->NextSibling())
                if (r->AsElement() && r->AsElement()->Is(TAG_TR)) rows.push_back(r->AsElement());
    }
    const int kMaxCols = 1000;
    std::vector<int> busy;   // per column: rows still covered by a cell from above
    int nrows = int(rows.size());
    for (int r = 0; r < nrows; ++r) {
        Element* tr = rows[size_t(r)];
        auto rowStyle = ComputeStyle(tr, *box->style, false);
        if (rowStyle->display == Display::None) continue;
        int col = 0;
        for (Node* c = tr->FirstChild(); c; c = c->NextSibling()) {
            Element* ce = c->AsElement();
            if (!ce || !(ce->Is(TAG_TD) || ce->Is(TAG_TH))) continue;
            while (col < int(busy.size()) && busy[size_t(col)] > 0) ++col;
            if (col >= kMaxCols) break;
            auto cell = BuildBlock(ce, *rowStyle, box, depth + 1);
            if (!cell) continue;
            cell->kind = Box::Cell;
            BoxStyle& cs = *cell->style;
            if (cs.background == kNoColor) cs.background = rowStyle->background;
            if (!cs.padding[0] && !cs.padding[1] && !cs.padding[2] && !cs.padding[3])
                for (int& p : cs.padding) p = t.padding;
            if (t.cellBorder && !cs.border[0] && !cs.border[1] && !cs.border[2] && !cs.border[3])
                for (int& b : cs.border) b = t.cellBorder;
            int colSpan = std::max(1, std::min(ce->ColSpan(), kMaxCols - col));
            int rowSpanAttr = IntAttr(ce, L"rowspan", 1, 0, 65534);
            int rowSpan = rowSpanAttr == 0 ? nrows - r : std::min(std::max(rowSpanAttr, 1), nrows - r);
            if (int(busy.size()) < col + colSpan) busy.resize(size_t(col + colSpan), 0);
            for (int k = col; k < col + colSpan; ++k) busy[size_t(k)] = std::max(busy[size_t(k)], rowSpan);
            cell->index = uint32_t(box->children.size());
            t.cells.push_back(Box::CellSlot{cell.get(), r, col, rowSpan, colSpan});
            box->children.push_back(std::move(cell));
            col += colSpan;
        }
        for (int& b : busy)
            if (b > 0) --b;
    }
    t.rowH.assign(size_t(nrows), 0);
    t.rowY.assign(size_t(nrows), 0);
}

// ---------------------------------------------------------------- keeping boxes in step

void LayoutImpl::DropBoxes(Box* box) {
    if (box->element) {
        auto it = boxOf.find(box->element);
        if (it != boxOf.end() && it->second == box) boxOf.erase(it);
    }
    for (auto& c : box->children) DropBoxes(c.get());
}

void LayoutImpl::NodeChanged(Node* node) {
    if (fullRebuild || !root) return;
    for (Node* n = node; n; n = n->Parent()) {
        if (n->IsElement()) {
            auto it = boxOf.find(n);
            if (it != boxOf.end()) {
                if (!it->second->queued) {
                    it->second->queued = true;
                    dirty.push_back(it->second);
                }
                return;
            }
        }
        if (n->Type() == NodeType::Document) break;
    }
    // a change outside every box (HEAD, a node not in the tree): only the tree itself matters
    Node* top = node;
    while (top->Parent()) top = top->Parent();
    if (top == doc) {
        for (Node* n = node; n; n = n->Parent())
            if (n->IsElement() && n->AsElement()->Is(TAG_HEAD)) return;   // style sheets are compared at update
        fullRebuild = true;
    }
}

void LayoutImpl::ContentReset() {
    fullRebuild = true;
    dirty.clear();
}

void LayoutImpl::Update() {
    rebuilt = 0;
    bool designNow = doc->DesignMode();
    if (designNow != design) {
        design = designNow;
        fullRebuild = true;
    }
    LoadSheets();
    if (!fullRebuild && root && root->element != doc->Body()) fullRebuild = true;
    if (fullRebuild) {
        boxOf.clear();
        dirty.clear();
        root.reset();
        Element* top = doc->Body() ? doc->Body() : doc->DocumentElement();
        auto base = RootStyle();
        if (top) {
            Element* html = doc->DocumentElement();
            std::shared_ptr<BoxStyle> htmlStyle = base;
            if (html && html != top) htmlStyle = ComputeStyle(html, *base, false);
            root = BuildBlock(top, *htmlStyle, nullptr, 0);
        }
        if (!root) {   // a hidden or missing BODY: an empty page
            root = std::make_unique<Box>();
            root->style = base;
        }
        fullRebuild = false;
        NumberFlows();
        LayoutBox(root.get(), width);
        return;
    }
    if (!dirty.empty()) {
        // the box each change rebuilds: list items and cells take their list or table along,
        // and a box whose element left its place goes with its parent
        std::vector<Box*> targets;
        for (Box* b : dirty) b->queued = false;
        for (Box* b : dirty) {
            Box* t = b;
            while (t->parent && t->element &&
                   (t->kind == Box::Cell || t->element->Is(TAG_LI) || t->element->Parent() != t->parent->element))
                t = t->parent;
            if (!t->queued) {
                t->queued = true;
                targets.push_back(t);
            }
        }
        dirty.clear();
        std::vector<Box*> todo;
        for (Box* t : targets) {
            bool under = false;
            for (Box* a = t->parent; a && !under; a = a->parent) under = a->queued;
            if (!under) todo.push_back(t);
        }
        for (Box* t : targets) t->queued = false;
        // a rebuilt block with as many flows as before takes over their numbers; otherwise every
        // flow is numbered again (a walk of the whole page)
        bool renumber = false;
        std::vector<Box*> oldFlows, newFlows;
        for (Box* t : todo) {
            if (t == root.get() || !t->element) {
                fullRebuild = true;
                Update();
                return;
            }
            Box* parent = t->parent;
            Element* e = t->element;
            uint32_t idx = t->index;
            int depth = 0;
            for (Box* a = parent; a; a = a->parent) ++depth;
            oldFlows.clear();
            CollectFlows(t, oldFlows);
            uint32_t firstOrder = oldFlows.empty() ? 0 : oldFlows.front()->order;
            DropBoxes(t);
            std::unique_ptr<Box> fresh;
            if (e->Parent()) fresh = BuildBlock(e, *parent->style, parent, depth);
            newFlows.clear();
            if (fresh) CollectFlows(fresh.get(), newFlows);
            bool same = fresh && newFlows.size() == oldFlows.size();
            for (size_t k = 0; same && k < oldFlows.size(); ++k)
                same = firstOrder + k < flowsInOrder.size() && flowsInOrder[firstOrder + k] == oldFlows[k];
            if (same) {
                for (size_t k = 0; k < newFlows.size(); ++k) {
                    newFlows[k]->order = uint32_t(firstOrder + k);
                    flowsInOrder[firstOrder + k] = newFlows[k];
                }
            } else {
                renumber = true;
            }
            if (fresh) {
                fresh->index = idx;
                fresh->marker = t->marker;
                parent->children[idx] = std::move(fresh);
            } else {
                parent->children.erase(parent->children.begin() + idx);
                for (size_t k = idx; k < parent->children.size(); ++k) parent->children[k]->index = uint32_t(k);
            }
            for (Box* a = parent; a; a = a->parent) {
                a->needsLayout = true;
                a->intrinsicValid = false;
            }
        }
        if (renumber) NumberFlows();
    }
    LayoutBox(root.get(), width);
}

void LayoutImpl::CollectFlows(Box* box, std::vector<Box*>& out) {
    if (box->kind == Box::Flow) {
        out.push_back(box);
        return;
    }
    for (auto& c : box->children) CollectFlows(c.get(), out);
}

void LayoutImpl::NumberFlows() {
    flowsInOrder.clear();
    if (!root) return;
    std::vector<Box*> stack{root.get()};
    while (!stack.empty()) {
        Box* b = stack.back();
        stack.pop_back();
        if (b->kind == Box::Flow) {
            b->order = uint32_t(flowsInOrder.size());
            flowsInOrder.push_back(b);
            continue;
        }
        for (size_t i = b->children.size(); i-- > 0;) stack.push_back(b->children[i].get());
    }
}

} // namespace HtmlEngine
