// Painting the boxes that meet a clip rectangle: backgrounds, borders, list markers, text with
// its decorations, pictures and their placeholders, check boxes, rules; then the highlight
// segments and the selection over the text they cover.
#include <algorithm>
#include <cmath>
#include "LayoutBoxes.h"

namespace HtmlEngine {

namespace {

struct Range {
    uint32_t f0, f1;     // flow order numbers
    size_t i0, k0, i1, k1;
    uint32_t back, text;
    bool hasText;
};

bool IsAtom(const Item& it) {
    return it.kind == Item::Picture || it.kind == Item::CheckBox || it.kind == Item::Control;
}

struct Painter {
    LayoutImpl& L;
    IPlatform& P;
    Rect clip;   // document coordinates
    int ox, oy;
    const PaintOptions& opt;
    std::vector<Range> ranges;   // highlights first, the selection last
    Element* control = nullptr;  // a selected picture

    Rect Dev(int l, int t, int r, int b) const { return Rect{l - ox, t - oy, r - ox, b - oy}; }

    void Frame(int l, int t, int r, int b, const int* width, uint32_t color) {
        if (width[0] > 0) P.FillRect(Dev(l, t, r, t + width[0]), color);
        if (width[2] > 0) P.FillRect(Dev(l, b - width[2], r, b), color);
        if (width[3] > 0) P.FillRect(Dev(l, t, l + width[3], b), color);
        if (width[1] > 0) P.FillRect(Dev(r - width[1], t, r, b), color);
    }

    void Marker(Box* li, int ax, int ay) {
        const BoxStyle& st = *li->style;
        if (st.listMark == ListMark::None) return;
        // the baseline of the item's first line
        int baseline = ay + st.border[0] + st.padding[0] + st.metrics.ascent;
        Box* b = li;
        int bx = ax, by = ay;
        while (b && !b->children.empty()) {
            Box* c = b->children.front().get();
            bx += c->x;
            by += c->y + b->shiftY;
            if (c->kind == Box::Flow) {
                if (!c->lines.empty()) baseline = by + c->lines[0].top + c->lines[0].baseline;
                break;
            }
            b = c;
        }
        int left = ax + st.border[3] + st.padding[3];
        if (!li->marker.empty()) {
            int w = P.TextWidth(st.fontId, li->marker.data(), li->marker.size());
            P.DrawString(st.fontId, left - w - st.font.sizePx / 2 - ox, baseline - oy, li->marker.data(), li->marker.size(), st.color);
            return;
        }
        int size = std::max(3, st.font.sizePx / 3);
        int x = left - st.font.sizePx / 2 - size - 2;
        int y = baseline - st.metrics.ascent / 2 - size / 2 - 1;
        if (st.listMark == ListMark::Square) {
            P.FillRect(Dev(x, y, x + size, y + size), st.color);
        } else {
            // a disc, or a ring for circle: rows of a small circle
            for (int r = 0; r < size; ++r) {
                double dy = r + 0.5 - size / 2.0;
                double half = std::sqrt(std::max(0.0, size * size / 4.0 - dy * dy));
                int x0 = x + int(size / 2.0 - half + 0.5), x1 = x + int(size / 2.0 + half + 0.5);
                if (x1 <= x0) continue;
                if (st.listMark == ListMark::Circle && r > 0 && r < size - 1) {
                    P.FillRect(Dev(x0, y + r, x0 + 1, y + r + 1), st.color);
                    P.FillRect(Dev(x1 - 1, y + r, x1, y + r + 1), st.color);
                } else {
                    P.FillRect(Dev(x0, y + r, x1, y + r + 1), st.color);
                }
            }
        }
    }

    void Box_(Box* box, int ax, int ay) {
        if (ay > clip.bottom || ay + box->h < clip.top) {
            // content may overflow a box's height only sideways, never downwards
            return;
        }
        const BoxStyle& st = *box->style;
        if (box->kind != Box::Flow) {
            if (st.background != kNoColor && box != L.root.get()) P.FillRect(Dev(ax, ay, ax + box->w, ay + box->h), st.background);
            if (box->kind == Box::Rule) {
                if (st.background != kNoColor) return;
                P.FillRect(Dev(ax, ay, ax + box->w, ay + 1), 0x9A9A9A);
                P.FillRect(Dev(ax, ay + box->h - 1, ax + box->w, ay + box->h), 0xEEEEEE);
                P.FillRect(Dev(ax, ay, ax + 1, ay + box->h), 0x9A9A9A);
                P.FillRect(Dev(ax + box->w - 1, ay, ax + box->w, ay + box->h), 0xEEEEEE);
                return;
            }
            Frame(ax, ay, ax + box->w, ay + box->h, st.border, box->kind == Box::Table || box->kind == Box::Cell ? 0x808080 : st.borderColor);
            if (st.display == Display::ListItem) Marker(box, ax, ay);
        } else {
            Flow(box, ax, ay);
            return;
        }
        auto& ch = box->children;
        int cy = ay + box->shiftY;
        size_t start = 0;
        if (box->kind != Box::Table) {
            size_t lo = 0, hi = ch.size();
            while (lo < hi) {   // first child that ends below the clip's top
                size_t mid = (lo + hi) / 2;
                if (cy + ch[mid]->y + ch[mid]->h < clip.top) lo = mid + 1;
                else hi = mid;
            }
            start = lo;
        }
        for (size_t i = start; i < ch.size(); ++i) {
            Box* c = ch[i].get();
            if (box->kind != Box::Table && cy + c->y > clip.bottom) break;
            Box_(c, ax + c->x, cy + c->y);
        }
    }

    // Draws the runs of a line (text of one node and style drawn at once) in one colour or in
    // their own colours.
    void Runs(Box* flow, const Line& line, int ax, int ay, bool own, uint32_t color) {
        auto& items = flow->items;
        int base = ay + line.top + line.baseline;
        size_t i = line.begin;
        while (i < line.end) {
            Item& it = items[i];
            if (it.kind != Item::Word && !(it.kind == Item::Space && it.shown)) { ++i; continue; }
            std::wstring run = L.DisplayText(it);
            size_t j = i + 1;
            // a justified space ends a run: the words after it moved
            while (j < line.end && items[j - 1].extra == 0 && items[j].style == it.style && items[j].node == it.node &&
                   (items[j].kind == Item::Word || (items[j].kind == Item::Space && items[j].shown))) {
                run += L.DisplayText(items[j]);
                ++j;
            }
            int x0 = ax + it.x;
            int x1 = ax + items[j - 1].x + Advance(items[j - 1]);
            const BoxStyle& st = *it.style;
            if (x1 >= clip.left && x0 <= clip.right) {
                int y = base + st.shift;
                uint32_t c = own ? st.color : color;
                if (own && st.inlineBackground != kNoColor)
                    P.FillRect(Dev(x0, y - st.metrics.ascent, x1, y + st.metrics.descent), st.inlineBackground);
                // trailing spaces of a run take no text
                size_t shown = run.size();
                while (shown > 0 && run[shown - 1] == ' ') --shown;
                if (shown) P.DrawString(st.fontId, x0 - ox, y - oy, run.data(), shown, c);
                int thick = std::max(1, st.font.sizePx / 14);
                if (st.underline) {
                    int uy = y + std::max(1, st.metrics.descent / 2);
                    P.FillRect(Dev(x0, uy, x1, uy + thick), c);
                }
                if (st.strike) {
                    int sy = y - st.metrics.ascent / 3;
                    P.FillRect(Dev(x0, sy, x1, sy + thick), c);
                }
            }
            i = j;
        }
    }

    void Atom(const Item& it, int x, int top) {
        int l = x + it.marginX, t = top + it.marginY;
        int w = it.boxW + 2 * it.borderW, h = it.boxH + 2 * it.borderW;
        if (it.kind == Item::Picture) {
            if (it.borderW) {
                int bw[4] = {it.borderW, it.borderW, it.borderW, it.borderW};
                Frame(l, t, l + w, t + h, bw, it.style->color);
            }
            Rect inner{l + it.borderW, t + it.borderW, l + it.borderW + it.boxW, t + it.borderW + it.boxH};
            PicturePtr pic = (L.pictures && it.loadState == 0) ? L.pictures->PictureFor(it.element) : nullptr;
            if (pic) {
                P.DrawPicture(*pic, Dev(inner.left, inner.top, inner.right, inner.bottom));
            } else {
                // loading: a light frame; failed: a frame with a red cross in its corner
                P.FillRect(Dev(inner.left, inner.top, inner.right, inner.bottom), 0xF4F4F4);
                int one[4] = {1, 1, 1, 1};
                Frame(inner.left, inner.top, inner.right, inner.bottom, one, 0xA0A0A0);
                if (it.loadState == 2 && it.boxW >= 10 && it.boxH >= 10) {
                    int cx = inner.left + 3, cy = inner.top + 3;
                    for (int k = 0; k < 6; ++k) {
                        P.FillRect(Dev(cx + k, cy + k, cx + k + 1, cy + k + 1), 0xD00000);
                        P.FillRect(Dev(cx + 5 - k, cy + k, cx + 6 - k, cy + k + 1), 0xD00000);
                    }
                }
            }
            if (control && control == it.element) {
                int one[4] = {1, 1, 1, 1};
                Frame(l - 1, t - 1, l + w + 1, t + h + 1, one, 0x000000);
                for (int hx : {l - 3, l + w / 2 - 3, l + w - 3})
                    for (int hy : {t - 3, t + h / 2 - 3, t + h - 3})
                        if (hx != l + w / 2 - 3 || hy != t + h / 2 - 3) {
                            P.FillRect(Dev(hx, hy, hx + 7, hy + 7), 0xFFFFFF);
                            Frame(hx, hy, hx + 7, hy + 7, one, 0x000000);
                        }
            }
            return;
        }
        if (it.kind == Item::CheckBox) {
            P.FillRect(Dev(l, t, l + w, t + h), 0xFFFFFF);
            int one[4] = {1, 1, 1, 1};
            Frame(l, t, l + w, t + h, one, 0x333333);
            if (it.element && it.element->IsChecked()) {
                // a tick: down from the left third, then up to the top right
                for (int k = 0; k < 3; ++k) {
                    int y0 = t + 6 + k;
                    P.FillRect(Dev(l + 3 + k, y0, l + 4 + k, y0 + 3), 0x000000);
                }
                for (int k = 0; k < 5; ++k) {
                    int y0 = t + 7 - k;
                    P.FillRect(Dev(l + 6 + k, y0, l + 7 + k, y0 + 3), 0x000000);
                }
            }
            return;
        }
        P.FillRect(Dev(l, t, l + w, t + h), 0xFFFFFF);
        int one[4] = {1, 1, 1, 1};
        Frame(l, t, l + w, t + h, one, 0x7A7A7A);
    }

    // The x extent of a range on a line, false when the range misses it.
    bool Span(Box* flow, const Line& line, const Range& r, int ax, int* x0, int* x1) {
        if (line.begin >= line.end) return false;
        auto& items = flow->items;
        uint32_t f = flow->order;
        size_t last = line.end - 1;
        size_t lastK = L.DisplayLength(items[last]);
        auto less = [](uint32_t fa, size_t ia, size_t ka, uint32_t fb, size_t ib, size_t kb) {
            if (fa != fb) return fa < fb;
            if (ia != ib) return ia < ib;
            return ka < kb;
        };
        if (!less(r.f0, r.i0, r.k0, f, last, lastK)) return false;     // starts at or after the line's end
        if (!less(f, line.begin, 0, r.f1, r.i1, r.k1)) return false;   // ends at or before its start
        int left = ax + items[line.begin].x, right = ax + items[last].x + Advance(items[last]);
        if (less(f, line.begin, 0, r.f0, r.i0, r.k0)) left = ax + items[r.i0].x + L.PrefixWidth(items[r.i0], r.k0);
        if (less(r.f1, r.i1, r.k1, f, last, lastK)) right = ax + items[r.i1].x + L.PrefixWidth(items[r.i1], r.k1);
        else if (less(f, last, lastK, r.f1, r.i1, r.k1) && (line.end == items.size() || items[last].kind == Item::Break))
            right += std::max(4, flow->style->font.sizePx / 3);   // the range goes on past the line's end
        if (right <= left) return false;
        *x0 = left;
        *x1 = right;
        return true;
    }

    void Flow(Box* flow, int ax, int ay) {
        auto& lines = flow->lines;
        size_t lo = 0, hi = lines.size();
        while (lo < hi) {
            size_t mid = (lo + hi) / 2;
            if (ay + lines[mid].top + lines[mid].height < clip.top) lo = mid + 1;
            else hi = mid;
        }
        for (size_t li = lo; li < lines.size(); ++li) {
            const Line& line = lines[li];
            int top = ay + line.top;
            if (top > clip.bottom) break;
            Runs(flow, line, ax, ay, true, 0);
            for (size_t i = line.begin; i < line.end; ++i) {
                const Item& it = flow->items[i];
                if (IsAtom(it)) {
                    int boxTop = top + line.baseline + it.style->shift - (it.boxH + 2 * it.borderW + 2 * it.marginY);
                    Atom(it, ax + it.x, boxTop);
                }
            }
            for (const Range& r : ranges) {
                int x0, x1;
                if (!Span(flow, line, r, ax, &x0, &x1)) continue;
                Rect band = Dev(x0, top, x1, top + line.height);
                P.PushClip(band);
                P.FillRect(band, r.back);
                if (r.hasText) Runs(flow, line, ax, ay, false, r.text);
                for (size_t i = line.begin; i < line.end; ++i) {
                    const Item& it = flow->items[i];
                    if (IsAtom(it) && it.kind != Item::Picture) {
                        int boxTop = top + line.baseline + it.style->shift - (it.boxH + 2 * it.borderW + 2 * it.marginY);
                        Atom(it, ax + it.x, boxTop);
                    }
                }
                P.PopClip();
            }
        }
    }
};

bool MakeRange(LayoutImpl& L, const MarkupPointer& a, const MarkupPointer& b, uint32_t back, uint32_t text, bool hasText,
               Range* out) {
    if (!a.IsPositioned() || !b.IsPositioned()) return false;
    Box *fa, *fb;
    size_t ia, ka, ib, kb;
    if (!L.Locate(DocImpl::PosOf(a), &fa, &ia, &ka) || !L.Locate(DocImpl::PosOf(b), &fb, &ib, &kb)) return false;
    *out = Range{fa->order, fb->order, ia, ka, ib, kb, back, text, hasText};
    return true;
}

} // namespace

void Layout::Paint(const Rect& clip, int originX, int originY, const PaintOptions& options) {
    Update();
    LayoutImpl& L = *impl_;
    IPlatform& P = *L.platform;
    Painter painter{L, P, clip, originX, originY, options, {}, nullptr};
    uint32_t page = options.pageBack;
    if (L.root && L.root->style->background != kNoColor) page = L.root->style->background;
    P.FillRect(Rect{clip.left - originX, clip.top - originY, clip.right - originX, clip.bottom - originY}, page);
    if (!L.root) return;
    Document* doc = L.doc;
    if (options.highlights) {
        for (const auto& h : doc->Highlights()) {
            uint32_t back = 0xFFFF80, text = 0;
            bool hasBack = ParseColor(h->Style().backgroundColor, &back);
            bool hasText = ParseColor(h->Style().textColor, &text);
            if (!hasBack) back = options.selectionBack;
            Range r;
            if (MakeRange(L, h->Start(), h->End(), back, text, hasText, &r)) painter.ranges.push_back(r);
        }
    }
    Selection& sel = doc->GetSelection();
    if (options.selection) {
        if (sel.Type() == SelectionType::Control) {
            auto controls = sel.ControlElements();
            if (!controls.empty()) painter.control = controls.front().get();
        } else if (sel.Type() == SelectionType::Text && !sel.IsCollapsed()) {
            Range r;
            if (MakeRange(L, sel.Start(), sel.End(), options.selectionBack, options.selectionText, true, &r))
                painter.ranges.push_back(r);
        }
    }
    P.PushClip(Rect{clip.left - originX, clip.top - originY, clip.right - originX, clip.bottom - originY});
    painter.Box_(L.root.get(), L.root->x, L.root->y);
    P.PopClip();
}

} // namespace HtmlEngine
