// Laying boxes out for a width: breaking flows into lines, stacking blocks, sizing tables.
// A box laid out for the same width and not changed since keeps its size, so after an edit only
// the changed block is broken into lines again and its ancestors restack their children.
#include <algorithm>
#include <cmath>
#include "LayoutBoxes.h"

namespace HtmlEngine {

namespace {

// Ascent and descent an item of this style gives its line (half-leading of line-height).
void TextExtent(const BoxStyle& st, int* ascent, int* descent) {
    int a = st.metrics.ascent, d = st.metrics.descent;
    double lh = st.lineHeight < 0 ? -st.lineHeight * st.font.sizePx : st.lineHeight;
    if (lh > 0) {
        int l = int(std::lround(lh));
        int leading = l - (a + d);
        int half = leading / 2;
        a += half;
        d += leading - half;
    }
    *ascent = a - st.shift;
    *descent = d + st.shift;
}

bool BreaksAfter(const Item& it) {
    return (it.kind == Item::Space && !it.style->nowrap) || it.kind == Item::Picture || it.kind == Item::CheckBox ||
           it.kind == Item::Control;
}

bool IsAtom(const Item& it) {
    return it.kind == Item::Picture || it.kind == Item::CheckBox || it.kind == Item::Control;
}

} // namespace

int StrutHeight(const BoxStyle& st) {
    int a, d;
    TextExtent(st, &a, &d);
    return std::max(0, a + d);
}

void LayoutImpl::LayoutFlow(Box* flow, int width) {
    std::vector<Item>& items = flow->items;
    flow->lines.clear();
    size_t n = items.size();
    size_t i = 0;
    int top = 0;
    const BoxStyle& block = *flow->style;
    while (i < n) {
        Line line;
        line.begin = uint32_t(i);
        int x = 0;
        bool content = false;
        bool forced = false;
        size_t lineIndex = flow->lines.size();
        // spaces at a line's start show nothing
        while (i < n && items[i].kind == Item::Space) {
            items[i].shown = false;
            items[i].x = 0;
            items[i].line = uint32_t(lineIndex);
            ++i;
        }
        while (i < n && !forced) {
            // the next unbreakable segment: items up to and including a break opportunity
            size_t j = i;
            int segWidth = 0;       // without its trailing spaces
            int trailing = 0;
            while (j < n) {
                const Item& it = items[j];
                if (it.kind == Item::Break) break;
                if (it.kind == Item::Space) {
                    if (!it.collapsed) trailing += it.width;
                    ++j;
                    if (!it.style->nowrap) {
                        while (j < n && items[j].kind == Item::Space) {
                            if (!items[j].collapsed) trailing += items[j].width;
                            ++j;
                        }
                        break;
                    }
                    segWidth += trailing;
                    trailing = 0;
                    continue;
                }
                if (IsAtom(it) && j > i) break;   // a picture starts its own segment
                segWidth += trailing + it.width;
                trailing = 0;
                ++j;
                if (BreaksAfter(it)) break;
            }
            bool isBreak = j == i && items[i].kind == Item::Break;
            if (isBreak) j = i + 1;
            if (content && !isBreak && x + segWidth > width && !block.nowrap) break;
            for (size_t k = i; k < j; ++k) {
                Item& it = items[k];
                it.line = uint32_t(lineIndex);
                it.x = x;
                it.shown = !(it.kind == Item::Space && it.collapsed);
                if (it.kind == Item::Space && it.collapsed) continue;
                x += it.width;
            }
            if (isBreak) forced = true;
            else content = true;
            i = j;
        }
        line.end = uint32_t(i);
        // the width without the spaces hanging at its end
        int w = x;
        for (size_t k = line.end; k-- > line.begin;) {
            const Item& it = items[k];
            if (it.kind == Item::Break) continue;
            if (it.kind != Item::Space) break;
            if (it.shown) w = it.x;
        }
        line.width = w;
        int asc, desc;
        TextExtent(block, &asc, &desc);
        for (size_t k = line.begin; k < line.end; ++k) {
            const Item& it = items[k];
            int a, d;
            if (IsAtom(it)) {
                a = it.boxH + 2 * it.borderW + 2 * it.marginY - it.style->shift;
                d = it.style->shift;
            } else {
                TextExtent(*it.style, &a, &d);
            }
            asc = std::max(asc, a);
            desc = std::max(desc, d);
        }
        line.top = top;
        line.baseline = asc;
        line.height = std::max(0, asc + desc);
        top += line.height;
        // alignment
        int free = width - line.width;
        int shift = 0;
        if (free > 0) {
            if (block.align == Align::Center) shift = free / 2;
            else if (block.align == Align::Right) shift = free;
        }
        if (shift)
            for (size_t k = line.begin; k < line.end; ++k) items[k].x += shift;
        flow->lines.push_back(line);
    }
    // a flow of nothing but collapsed spaces has no line
    bool visible = false;
    for (const Item& it : items)
        if (it.kind != Item::Space || it.shown) { visible = true; break; }
    if (!visible) flow->lines.clear();
    flow->h = flow->lines.empty() ? 0 : flow->lines.back().top + flow->lines.back().height;
}

void LayoutImpl::Intrinsic(Box* box) {
    if (box->intrinsicValid) return;
    int mn = 0, mx = 0;
    const BoxStyle& st = *box->style;
    if (box->kind == Box::Flow) {
        int seg = 0, line = 0, trailing = 0;
        for (const Item& it : box->items) {
            if (it.kind == Item::Break) {
                mx = std::max(mx, line);
                line = 0;
                seg = 0;
                trailing = 0;
                continue;
            }
            if (it.kind == Item::Space) {
                if (!it.collapsed && line > 0) trailing += it.width;
                if (!it.style->nowrap) seg = 0;
                continue;
            }
            if (IsAtom(it)) seg = 0;
            line += trailing + it.width;
            trailing = 0;
            seg += it.width;
            mn = std::max(mn, seg);
            if (BreaksAfter(it)) seg = 0;
        }
        mx = std::max(mx, line);
        if (st.nowrap) mn = mx;
    } else if (box->kind == Box::Table) {
        LayoutTable(box, -1);   // -1: columns only
        mn = box->minW;
        mx = box->maxW;
    } else if (box->kind == Box::Rule) {
        mn = mx = st.width >= 0 ? st.width : 0;
    } else {
        for (auto& c : box->children) {
            Intrinsic(c.get());
            int extra = c->kind == Box::Flow ? 0 : c->style->margin[1] + c->style->margin[3];
            mn = std::max(mn, c->minW + extra);
            mx = std::max(mx, c->maxW + extra);
        }
        int pad = st.padding[1] + st.padding[3] + st.border[1] + st.border[3];
        if (st.width >= 0 && box->kind != Box::Cell) mn = mx = std::max(mn, st.width);
        else if (st.width >= 0) { mn = std::max(mn, st.width); mx = std::max(mn, std::max(mx, st.width)); }
        mn += pad;
        mx += pad;
    }
    box->minW = mn;
    box->maxW = std::max(mn, mx);
    box->intrinsicValid = true;
}

void LayoutImpl::LayoutTable(Box* box, int availWidth) {
    Box::TableData& t = *box->table;
    const BoxStyle& st = *box->style;
    int ncols = 0, nrows = int(t.rowH.size());
    for (const auto& c : t.cells) ncols = std::max(ncols, c.col + c.colSpan);
    std::vector<int> colMin(size_t(ncols), 0), colMax(size_t(ncols), 0);
    // single columns first, then cells spanning several spread what they need over them
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& c : t.cells) {
            if ((c.colSpan == 1) != (pass == 0)) continue;
            Intrinsic(c.box);
            int mn = c.box->minW, mx = c.box->maxW;
            if (c.colSpan == 1) {
                colMin[size_t(c.col)] = std::max(colMin[size_t(c.col)], mn);
                colMax[size_t(c.col)] = std::max(colMax[size_t(c.col)], mx);
                continue;
            }
            int haveMin = t.spacing * (c.colSpan - 1), haveMax = haveMin;
            for (int k = c.col; k < c.col + c.colSpan; ++k) {
                haveMin += colMin[size_t(k)];
                haveMax += colMax[size_t(k)];
            }
            for (int k = c.col; k < c.col + c.colSpan; ++k) {
                if (mn > haveMin) colMin[size_t(k)] += (mn - haveMin) / c.colSpan + (k == c.col ? (mn - haveMin) % c.colSpan : 0);
                if (mx > haveMax) colMax[size_t(k)] += (mx - haveMax) / c.colSpan + (k == c.col ? (mx - haveMax) % c.colSpan : 0);
            }
        }
    }
    int sumMin = 0, sumMax = 0;
    for (int k = 0; k < ncols; ++k) {
        colMax[size_t(k)] = std::max(colMax[size_t(k)], colMin[size_t(k)]);
        sumMin += colMin[size_t(k)];
        sumMax += colMax[size_t(k)];
    }
    int extra = t.spacing * (ncols + 1) + st.border[1] + st.border[3];
    box->minW = sumMin + extra;
    box->maxW = sumMax + extra;
    if (st.width >= 0) box->minW = box->maxW = std::max(box->minW, st.width);
    if (availWidth < 0) return;

    int target;
    if (st.width >= 0) target = std::max(st.width, sumMin + extra);
    else if (st.widthPercent >= 0) target = std::max(int(availWidth * st.widthPercent / 100), sumMin + extra);
    else target = std::max(std::min(availWidth, sumMax + extra), sumMin + extra);
    int room = target - extra;
    t.colW.assign(size_t(ncols), 0);
    if (room >= sumMax) {
        int spare = room - sumMax, given = 0;
        for (int k = 0; k < ncols; ++k) {
            int add = sumMax > 0 ? int(int64_t(spare) * colMax[size_t(k)] / sumMax) : spare / std::max(1, ncols);
            t.colW[size_t(k)] = colMax[size_t(k)] + add;
            given += add;
        }
        if (ncols) t.colW[size_t(ncols - 1)] += spare - given;
    } else if (room > sumMin && sumMax > sumMin) {
        int given = 0;
        for (int k = 0; k < ncols; ++k) {
            int add = int(int64_t(room - sumMin) * (colMax[size_t(k)] - colMin[size_t(k)]) / (sumMax - sumMin));
            t.colW[size_t(k)] = colMin[size_t(k)] + add;
            given += add;
        }
        if (ncols) t.colW[size_t(ncols - 1)] += room - sumMin - given;
    } else {
        t.colW = colMin;
    }
    t.colX.assign(size_t(ncols), 0);
    int x = st.border[3] + t.spacing;
    for (int k = 0; k < ncols; ++k) {
        t.colX[size_t(k)] = x;
        x += t.colW[size_t(k)] + t.spacing;
    }
    box->w = x + st.border[1];
    // cells at their widths, then rows as high as their highest cell
    std::fill(t.rowH.begin(), t.rowH.end(), 0);
    for (const auto& c : t.cells) {
        int w = t.spacing * (c.colSpan - 1);
        for (int k = c.col; k < c.col + c.colSpan; ++k) w += t.colW[size_t(k)];
        LayoutBox(c.box, w);
        c.box->x = t.colX[size_t(c.col)];
        if (c.rowSpan == 1) t.rowH[size_t(c.row)] = std::max(t.rowH[size_t(c.row)], c.box->contentH);
    }
    for (const auto& c : t.cells) {
        if (c.rowSpan == 1) continue;
        int have = t.spacing * (c.rowSpan - 1);
        for (int r = c.row; r < c.row + c.rowSpan; ++r) have += t.rowH[size_t(r)];
        if (c.box->contentH > have) t.rowH[size_t(c.row + c.rowSpan - 1)] += c.box->contentH - have;
    }
    int y = st.border[0] + t.spacing;
    for (int r = 0; r < nrows; ++r) {
        t.rowY[size_t(r)] = y;
        y += t.rowH[size_t(r)] + t.spacing;
    }
    box->h = y + st.border[2];
    for (const auto& c : t.cells) {
        int full = t.spacing * (c.rowSpan - 1);
        for (int r = c.row; r < c.row + c.rowSpan; ++r) full += t.rowH[size_t(r)];
        c.box->y = t.rowY[size_t(c.row)];
        c.box->h = full;
        std::wstring valign = c.box->element->GetAttribute(L"valign");
        int free = full - c.box->contentH;
        if (valign == L"top" || valign == L"TOP") c.box->shiftY = 0;
        else if (valign == L"bottom" || valign == L"BOTTOM") c.box->shiftY = free;
        else c.box->shiftY = free / 2;
    }
}

void LayoutImpl::LayoutBox(Box* box, int avail) {
    avail = std::max(0, avail);
    if (!box->needsLayout && box->laidWidth == avail) {
        box->h = box->contentH;
        return;
    }
    const BoxStyle& st = *box->style;
    switch (box->kind) {
    case Box::Flow:
        box->w = avail;
        LayoutFlow(box, avail);
        break;
    case Box::Table:
        LayoutTable(box, avail);
        break;
    case Box::Rule: {
        int w = avail - st.margin[1] - st.margin[3];
        if (st.width >= 0) w = std::min(w, st.width);
        else if (st.widthPercent >= 0) w = int(avail * st.widthPercent / 100);
        box->w = std::max(0, w);
        box->h = std::max(2, st.height >= 0 ? st.height : st.border[0] + st.border[2]);
        break;
    }
    default: {
        int w = box->kind == Box::Cell ? avail : avail - st.margin[1] - st.margin[3];
        if (box->kind != Box::Cell && box->parent) {
            int pad = st.padding[1] + st.padding[3] + st.border[1] + st.border[3];
            if (st.width >= 0) w = st.width + pad;
            else if (st.widthPercent >= 0) w = int(avail * st.widthPercent / 100);
        }
        box->w = std::max(0, w);
        int contentW = std::max(0, box->w - st.padding[1] - st.padding[3] - st.border[1] - st.border[3]);
        int left = st.border[3] + st.padding[3];
        int y = st.border[0] + st.padding[0];
        int prevMargin = 0;
        bool first = true;
        for (auto& cp : box->children) {
            Box* c = cp.get();
            LayoutBox(c, contentW);
            if (c->kind == Box::Flow) {
                y += prevMargin;
                prevMargin = 0;
                c->x = left;
            } else {
                const BoxStyle& cs = *c->style;
                y += first ? cs.margin[0] : std::max(prevMargin, cs.margin[0]);
                prevMargin = cs.margin[2];
                c->x = left + cs.margin[3];
                if (c->kind == Box::Table || c->kind == Box::Rule) {
                    std::wstring a = c->element->GetAttribute(L"align");
                    int free = contentW - c->w - cs.margin[1] - cs.margin[3];
                    bool center = a == L"center" || a == L"CENTER" || (c->kind == Box::Rule && a.empty());
                    if (free > 0 && center) c->x += free / 2;
                    else if (free > 0 && (a == L"right" || a == L"RIGHT")) c->x += free;
                }
            }
            c->y = y;
            y += c->h;
            first = false;
        }
        y += prevMargin;
        bool empty = true;
        for (auto& c : box->children) empty = empty && c->h == 0;
        if (empty && design && box->parent && !box->element->Is(TAG_BODY) && !IsListTag(box->element->TagId()))
            y += StrutHeight(st);   // an empty block keeps a line to put the caret in
        y += st.padding[2] + st.border[2];
        if (st.height >= 0 && box->kind == Box::Block)
            y = std::max(y, st.height + st.padding[0] + st.padding[2] + st.border[0] + st.border[2]);
        box->h = y;
        break;
    }
    }
    box->contentH = box->h;
    box->needsLayout = false;
    box->laidWidth = avail;
}

} // namespace HtmlEngine
