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

// Spreads a line's free room over the spaces between its words (the last line of a block and
// a line ended by BR stay as they are): the leftmost spaces take the odd pixels.
void Justify(std::vector<Item>& items, const Line& line, int free) {
    size_t first = line.end, last = line.begin;   // the first and last item that is not a space
    for (size_t k = line.begin; k < line.end; ++k) {
        if (items[k].kind == Item::Space || items[k].kind == Item::Break) continue;
        first = std::min(first, k);
        last = k;
    }
    if (first >= last) return;
    std::vector<size_t> gaps;
    for (size_t k = first + 1; k < last; ++k)
        if (items[k].kind == Item::Space && items[k].shown) gaps.push_back(k);
    if (gaps.empty()) return;
    int each = free / int(gaps.size()), odd = free % int(gaps.size());
    int moved = 0;
    size_t g = 0;
    for (size_t k = first; k < line.end; ++k) {
        items[k].x += moved;
        if (g < gaps.size() && gaps[g] == k) {
            items[k].extra = each + (int(g) < odd ? 1 : 0);
            moved += items[k].extra;
            ++g;
        }
    }
}

} // namespace

// Two margins that meet: the larger of positive ones, the more negative of negative ones, else
// their sum.
int JoinMargins(int a, int b) {
    if (a >= 0 && b >= 0) return std::max(a, b);
    if (a <= 0 && b <= 0) return std::min(a, b);
    return a + b;
}

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
    for (Item& it : items) it.extra = 0;
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
            else if (block.align == Align::Justify && !forced && i < n) Justify(items, line, free);
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
    // columns whose cells ask for a share of the table's width ("50%"), shares cut to 100 in all
    std::vector<double> colPct(size_t(ncols), 0);
    for (const auto& c : t.cells)
        if (c.colSpan == 1 && c.box->style->widthPercent > 0)
            colPct[size_t(c.col)] = std::max(colPct[size_t(c.col)], c.box->style->widthPercent);
    double sumPct = 0;
    for (double& p : colPct) {
        p = std::min(p, 100 - sumPct);
        sumPct += p;
    }
    int sumMin = 0, sumMax = 0, autoMax = 0;
    for (int k = 0; k < ncols; ++k) {
        colMax[size_t(k)] = std::max(colMax[size_t(k)], colMin[size_t(k)]);
        sumMin += colMin[size_t(k)];
        sumMax += colMax[size_t(k)];
        if (colPct[size_t(k)] <= 0) autoMax += colMax[size_t(k)];
    }
    // the width at which every column gets its share and its content
    int64_t wantMax = sumMax;
    for (int k = 0; k < ncols; ++k)
        if (colPct[size_t(k)] > 0) wantMax = std::max<int64_t>(wantMax, int64_t(colMax[size_t(k)] * 100 / colPct[size_t(k)]));
    if (sumPct > 0 && sumPct < 100) wantMax = std::max<int64_t>(wantMax, int64_t(autoMax * 100 / (100 - sumPct)));
    wantMax = std::min<int64_t>(wantMax, 1000000);
    int extra = t.spacing * (ncols + 1) + st.border[1] + st.border[3];
    box->minW = sumMin + extra;
    box->maxW = int(wantMax) + extra;
    if (st.width >= 0) box->minW = box->maxW = std::max(box->minW, st.width);
    if (availWidth < 0) return;

    int target;
    if (st.width >= 0) target = std::max(st.width, sumMin + extra);
    else if (st.widthPercent >= 0) target = std::max(int(availWidth * st.widthPercent / 100), sumMin + extra);
    else target = std::max(std::min(availWidth, int(wantMax) + extra), sumMin + extra);
    int room = target - extra;
    t.colW.assign(size_t(ncols), 0);
    // columns with a share take it first (never below their content), the others what is left
    std::vector<int> shares, others;
    for (int k = 0; k < ncols; ++k) (colPct[size_t(k)] > 0 ? shares : others).push_back(k);
    int otherMin = 0;
    for (int k : others) otherMin += colMin[size_t(k)];
    int taken = 0;
    for (int k : shares) {
        t.colW[size_t(k)] = std::max(colMin[size_t(k)], int(room * colPct[size_t(k)] / 100));
        taken += t.colW[size_t(k)];
    }
    if (taken > room - otherMin) {   // the shares leave too little: they give back down to their content
        int over = taken - std::max(0, room - otherMin);
        for (int k : shares) {
            int give = std::min(over, t.colW[size_t(k)] - colMin[size_t(k)]);
            t.colW[size_t(k)] -= give;
            taken -= give;
            over -= give;
        }
    }
    int rest = std::max(0, room - taken);
    if (others.empty()) {
        if (!shares.empty() && rest > 0) t.colW[size_t(shares.back())] += rest;
    } else {
        // what the auto columns get: up to their widest content, then the spare after it
        int oMin = 0, oMax = 0;
        for (int k : others) {
            oMin += colMin[size_t(k)];
            oMax += colMax[size_t(k)];
        }
        int given = 0;
        if (rest >= oMax) {
            int spare = rest - oMax;
            for (int k : others) {
                int add = oMax > 0 ? int(int64_t(spare) * colMax[size_t(k)] / oMax) : spare / int(others.size());
                t.colW[size_t(k)] = colMax[size_t(k)] + add;
                given += colMax[size_t(k)] + add;
            }
        } else if (rest > oMin && oMax > oMin) {
            for (int k : others) {
                int add = int(int64_t(rest - oMin) * (colMax[size_t(k)] - colMin[size_t(k)]) / (oMax - oMin));
                t.colW[size_t(k)] = colMin[size_t(k)] + add;
                given += colMin[size_t(k)] + add;
            }
        } else {
            for (int k : others) {
                t.colW[size_t(k)] = colMin[size_t(k)];
                given += colMin[size_t(k)];
            }
        }
        if (given < rest) t.colW[size_t(others.back())] += rest - given;
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
        // A block's top margin meets its first child's when nothing (border, padding, a line)
        // stands between them, and likewise at the bottom: the two become one, outside the block.
        bool opensTop = box->kind == Box::Block && st.border[0] == 0 && st.padding[0] == 0;
        bool opensBottom = box->kind == Box::Block && st.border[2] == 0 && st.padding[2] == 0 && st.height < 0;
        int prevMargin = 0;
        bool first = true;        // no line or block above yet
        int leadMargin = 0;       // the first child's top margin, when it leaves through the top
        for (auto& cp : box->children) {
            Box* c = cp.get();
            LayoutBox(c, contentW);
            if (c->kind == Box::Flow) {
                c->x = left;
                if (c->h == 0) {   // white space between blocks: no line, no break in the margins
                    c->y = y;
                    continue;
                }
                y += prevMargin;
                prevMargin = 0;
            } else {
                const BoxStyle& cs = *c->style;
                if (first && opensTop) leadMargin = c->marginTop;
                else if (first) y += c->marginTop;
                else y += JoinMargins(prevMargin, c->marginTop);
                prevMargin = c->marginBottom;
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
        bool empty = true;
        for (auto& c : box->children) empty = empty && c->h == 0;
        int trailMargin = 0;      // the last child's bottom margin, when it leaves through the bottom
        if (empty && design && box->parent && !box->element->Is(TAG_BODY) && !IsListTag(box->element->TagId()))
            y += prevMargin + StrutHeight(st);   // an empty block keeps a line to put the caret in
        else if (opensBottom && prevMargin && !first)
            trailMargin = prevMargin;
        else
            y += prevMargin;
        box->marginTop = JoinMargins(st.margin[0], leadMargin);
        box->marginBottom = JoinMargins(st.margin[2], trailMargin);
        y += st.padding[2] + st.border[2];
        if (st.height >= 0 && box->kind == Box::Block)
            y = std::max(y, st.height + st.padding[0] + st.padding[2] + st.border[0] + st.border[2]);
        box->h = y;
        break;
    }
    }
    if (box->kind != Box::Block) {
        box->marginTop = st.margin[0];
        box->marginBottom = st.margin[2];
    }
    box->contentH = box->h;
    box->needsLayout = false;
    box->laidWidth = avail;
}

} // namespace HtmlEngine
