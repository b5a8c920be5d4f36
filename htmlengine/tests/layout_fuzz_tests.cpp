// Random documents laid out at random widths, painted, and walked with random caret moves,
// hit tests and edits: nothing may crash or hang, every caret lies on the page, and the page
// laid out edit by edit equals a fresh layout. Bounded in time
// (PELORA_FUZZ_SECONDS, default 2; PELORA_FUZZ_SEED the first seed).
#include <chrono>
#include <cstdlib>
#include <random>
#include "TestDoc.h"
#include "htmlengine/FakePlatform.h"
#include "htmlengine/Layout.h"

using namespace HtmlEngine;

namespace {

std::wstring RandomMarkup(std::mt19937& rng, int depth) {
    static const wchar_t* const kOpen[] = {L"<DIV>", L"<P>", L"<B>", L"<I style=\"font-size:20px\">", L"<UL><LI>",
                                           L"<OL start=3><LI>", L"<TABLE border=1><TR><TD colspan=2>", L"<TD rowspan=3>",
                                           L"<PRE>", L"<SPAN contentEditable=false><INPUT type=checkbox>", L"<A href=x>",
                                           L"<FONT size=7>", L"<SUB>", L"<DIV style=\"line-height:2; margin:-5px\">",
                                           L"<H1>", L"<CENTER>", L"<TR>", L"<LI>", L"<DIV align=justify>",
                                           L"<TD width=\"40%\">", L"<DIV style=\"margin:12px 0; padding-bottom:1px\">"};
    static const wchar_t* const kLeaf[] = {L"word ", L"  ", L"&nbsp;", L"<BR>", L"<IMG src=a width=300 height=5>",
                                           L"<HR>", L"long-word-without-any-space", L"\n", L"\t", L"a", L"\u0416\u0436 "};
    std::wstring out;
    int parts = 1 + int(rng() % 5);
    for (int i = 0; i < parts; ++i) {
        if (depth < 6 && rng() % 3 == 0) {
            out += kOpen[rng() % (sizeof kOpen / sizeof *kOpen)];
            out += RandomMarkup(rng, depth + 1);
        } else {
            out += kLeaf[rng() % (sizeof kLeaf / sizeof *kLeaf)];
        }
    }
    return out;
}

} // namespace

TEST(LayoutFuzz, RandomPagesCaretsAndEdits) {
    double seconds = 2;
    if (const char* s = std::getenv("PELORA_FUZZ_SECONDS")) seconds = std::min(60.0, std::atof(s));
    uint32_t seed = 1;
    if (const char* s = std::getenv("PELORA_FUZZ_SEED")) seed = uint32_t(std::strtoul(s, nullptr, 10));
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
    int pages = 0;
    for (; std::chrono::steady_clock::now() < until; ++seed, ++pages) {
        std::mt19937 rng(seed);
        DocumentPtr doc = TestDoc::Load(RandomMarkup(rng, 0));
        FakePlatform fake;
        Layout layout(doc.get(), &fake);
        layout.SetWidth(int(rng() % 300));
        int height = layout.ContentHeight();
        layout.Paint(Rect{0, 0, 400, height + 10}, 0, 0, PaintOptions());
        MarkupPointer at(doc.get()), other(doc.get());
        for (int step = 0; step < 40; ++step) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " step " << step);
            int x = int(rng() % 400) - 20, y = int(rng() % (height + 40)) - 20;
            switch (rng() % 6) {
            case 0: layout.PositionFromPoint(x, y, &at); break;
            case 1: layout.ElementFromPoint(x, y); break;
            case 2: layout.Move(at, CaretMove(rng() % 10)); break;
            case 3:
                if (at.IsPositioned() && layout.PositionFromPoint(x, y, &other)) doc->GetSelection().SelectRange(at, other);
                break;
            case 4:
                if (at.IsPositioned()) {
                    doc->GetSelection().MoveCaret(at);
                    if (rng() % 2) doc->TypeText(L"q ");
                    else if (rng() % 2) doc->InsertParagraph();
                    else doc->DeleteBackward();
                }
                break;
            default: layout.SetWidth(int(rng() % 300)); break;
            }
            Rect r;
            if (at.IsPositioned() && layout.CaretRect(at, &r)) {
                EXPECT_GE(r.top, -20);
                EXPECT_LE(r.bottom, layout.ContentHeight() + 100);
            }
            height = layout.ContentHeight();
            layout.Paint(Rect{0, 0, 400, height}, 0, 0, PaintOptions());
        }
        // what the edits left laid out step by step is what a fresh layout makes of it
        Layout fresh(doc.get(), &fake);
        fresh.SetWidth(layout.Width());
        EXPECT_EQ(fresh.ContentHeight(), layout.ContentHeight()) << "seed " << seed;
        Rect r1, r2;
        if (at.IsPositioned() && layout.CaretRect(at, &r1) && fresh.CaretRect(at, &r2)) {
            EXPECT_EQ(r1.left, r2.left) << "seed " << seed;
            EXPECT_EQ(r1.top, r2.top) << "seed " << seed;
        }
        // and paints the same, selection included (its ends are compared by flow numbers)
        auto paintOps = [&](Layout& l) {
            fake.ops.clear();
            l.Paint(Rect{0, 0, 400, l.ContentHeight()}, 0, 0, PaintOptions());
            std::wstring out;
            for (const auto& op : fake.ops)
                out += std::to_wstring(op.kind) + L"," + std::to_wstring(op.rect.left) + L"," + std::to_wstring(op.rect.top) +
                       L"," + std::to_wstring(op.rect.right) + L"," + std::to_wstring(op.color) + L"," + op.text + L";";
            return out;
        };
        EXPECT_TRUE(paintOps(layout) == paintOps(fresh)) << "seed " << seed;
        if (HasFailure()) break;
    }
    std::printf("layout fuzz: %d pages from seed %u\n", pages, seed - pages);
}
