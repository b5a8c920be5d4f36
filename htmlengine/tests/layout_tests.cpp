// Layout over the fixed-metric platform: a character of a font of size S is S / 2 px wide
// (bold one more), ascent S * 4 / 5, descent the rest. Pages use a 10 px font (5 px characters,
// 10 px lines) and no body margin unless a case says otherwise.
#include <functional>
#include "TestDoc.h"
#include "htmlengine/FakePlatform.h"
#include "htmlengine/Layout.h"

using namespace HtmlEngine;
using namespace TestDoc;

namespace {

const wchar_t* kBody = L"<BODY style=\"margin:0; font-size:10px; font-family:F\">";

struct Page {
    DocumentPtr doc;
    FakePlatform fake;
    std::unique_ptr<Layout> layout;
    Page(const std::wstring& html, int width, bool design = true) {
        doc = Load(std::wstring(kBody) + html, design);
        layout.reset(new Layout(doc.get(), &fake));
        layout->SetWidth(width);
        layout->Update();
    }
    // The texts drawn by a paint of the whole page, joined by "|".
    std::wstring Texts() {
        fake.ops.clear();
        layout->Paint(Rect{0, 0, 100000, 100000}, 0, 0, PaintOptions());
        return fake.Texts();
    }
    Element* Find(const std::wstring& tag, size_t index = 0) {
        auto all = doc->GetElementsByTagName(tag);
        return index < all.size() ? all[index].get() : nullptr;
    }
    Rect Box(const std::wstring& tag, size_t index = 0) {
        Rect r;
        EXPECT_TRUE(layout->ElementRect(Find(tag, index), &r)) << Show(tag);
        return r;
    }
};

std::wstring Nbsp() { return std::wstring(1, wchar_t(0xA0)); }

} // namespace

TEST(Layout, LinesBreakAtTheWidth) {
    struct Case { const wchar_t* html; int width; std::wstring texts; int height; };
    const Case cases[] = {
        {L"<DIV>aaa bbb ccc</DIV>", 100, L"aaa bbb ccc", 10},
        {L"<DIV>aaa bbb ccc</DIV>", 40, L"aaa bbb|ccc", 20},
        {L"<DIV>aaa bbb ccc</DIV>", 35, L"aaa bbb|ccc", 20},   // the space after "bbb" hangs
        {L"<DIV>aaa bbb ccc</DIV>", 34, L"aaa|bbb|ccc", 30},
        {L"<DIV>aaa bbb ccc</DIV>", 0, L"aaa|bbb|ccc", 30},    // a zero-width window
        {L"<DIV>  aaa   \n bbb  </DIV>", 100, L"aaa bbb", 10},  // white space collapses
        {L"<DIV>aaa&nbsp;bbb ccc</DIV>", 20, L"aaa" + Nbsp() + L"bbb|ccc", 20},   // no break at nbsp
        {L"<DIV>a<BR>b</DIV>", 100, L"a|b", 20},
        {L"<DIV>a<BR><BR>b</DIV>", 100, L"a|b", 30},
        {L"<DIV>a<BR></DIV>", 100, L"a", 10},                  // a last BR adds no line
        {L"<PRE>a  b\n  c d</PRE>", 10, L"a  b|  c d", 40},      // PRE keeps spaces, never wraps, has 1em margins
        {L"<DIV>aa<B>bb</B> cc</DIV>", 27, L"aa|bb|cc", 20},    // bold is 6 px a character here
        {L"<DIV>aa<B>bb</B> cc</DIV>", 22, L"aa|bb|cc", 20},
        {L"<DIV>aa<B>bb</B> cc</DIV>", 21, L"aa|bb|cc", 20},
        {L"<DIV>x</DIV><DIV>y</DIV>", 100, L"x|y", 20},
        {L"<DIV><SPAN style=\"font-size:20px\">A</SPAN>b</DIV>", 100, L"A|b", 20},
    };
    for (const Case& c : cases) {
        Page p(c.html, c.width);
        EXPECT_EQ(p.Texts(), c.texts) << Show(c.html) << " at " << c.width;
        EXPECT_EQ(p.layout->ContentHeight(), c.height) << Show(c.html) << " at " << c.width;
    }
}

TEST(Layout, LineHeightOfTheSpacingCommand) {
    struct Case { const wchar_t* value; int line; };
    for (const Case& c : {Case{L"1", 10}, Case{L"1.5", 15}, Case{L"2", 20}, Case{L"normal", 10}, Case{L"30px", 30}}) {
        Page p(L"<DIV style=\"line-height: " + std::wstring(c.value) + L"\">a<BR>b</DIV>", 200);
        EXPECT_EQ(p.Box(L"DIV").Height(), 2 * c.line) << Show(c.value);
    }
}

TEST(Layout, MarginsCollapse) {
    // P has 1em (10 px) margins; no border or padding between a block and its first or last
    // child lets their margins meet outside it
    struct Case { const wchar_t* html; const wchar_t* tag; size_t index; int top; int height; };
    const Case cases[] = {
        {L"<P>a</P><P>b</P>", L"P", 1, 30, 50},                            // siblings: the larger, once
        {L"<P>a</P>\n   <P>b</P>", L"P", 1, 30, 50},                        // white space between them
        {L"<DIV style=\"margin-top:20px\"><P>x</P></DIV>", L"P", 0, 20, 40}, // through the top of its parent
        {L"<DIV style=\"margin-top:20px\"><P>x</P></DIV>", L"DIV", 0, 20, 40},
        {L"<DIV style=\"margin-top:5px\"><DIV style=\"margin-top:15px\"><P>x</P></DIV></DIV>", L"P", 0, 15, 35},
        {L"<DIV style=\"margin-top:20px\"><DIV style=\"margin-top:-5px\">x</DIV></DIV>", L"DIV", 1, 15, 25},
        {L"<DIV style=\"padding-top:1px\"><P>x</P></DIV>", L"P", 0, 11, 31},   // padding keeps them apart
        {L"<DIV style=\"border-top:2px solid\"><P>x</P></DIV>", L"P", 0, 12, 32},
        {L"<DIV>t<P>x</P></DIV>", L"P", 0, 20, 40},                          // a line above keeps it inside
        {L"<DIV><P>a</P></DIV><DIV>b</DIV>", L"DIV", 1, 30, 40},            // through the bottom
        {L"<DIV style=\"padding-bottom:1px\"><P>a</P></DIV><DIV>b</DIV>", L"DIV", 1, 31, 41},
        {L"<TABLE cellspacing=0 cellpadding=0><TR><TD><P>a</P></TD></TR></TABLE>", L"P", 0, 10, 30},   // cells keep theirs
        {L"<H1>T</H1><P>b</P>", L"P", 0, 46, 66},   // 2em heading (20 px), 0.67em margins (13 px)
    };
    for (const Case& c : cases) {
        Page p(c.html, 200);
        EXPECT_EQ(p.Box(c.tag, c.index).top, c.top) << Show(c.html);
        EXPECT_EQ(p.layout->ContentHeight(), c.height) << Show(c.html);
    }
}

TEST(Layout, ListMarkersAndNumbers) {
    struct Case { const wchar_t* html; const wchar_t* texts; };
    const Case cases[] = {
        {L"<OL><LI>a<LI>b<OL><LI>c</OL><LI>d</OL>", L"1.|a|2.|b|1.|c|3.|d"},
        {L"<OL start=5><LI>a<LI value=10>b<LI>c</OL>", L"5.|a|10.|b|11.|c"},
        {L"<OL type=a><LI>a<LI>b</OL><OL type=I><LI>c<LI>d</OL>", L"a.|a|b.|b|I.|c|II.|d"},
        {L"<UL><LI>a<LI>b</UL>", L"a|b"},   // bullets are drawn, not written
    };
    for (const Case& c : cases) {
        Page p(c.html, 300);
        EXPECT_EQ(p.Texts(), c.texts) << Show(c.html);
    }
    // nested bullets: a disc, then a circle (a ring: fewer filled pixels), then squares
    Page p(L"<UL><LI>a<UL><LI>b<UL><LI>c</UL></UL></UL>", 300);
    Rect a = p.Box(L"LI", 0), b = p.Box(L"LI", 1), c = p.Box(L"LI", 2);
    EXPECT_EQ(b.left - a.left, 40);
    EXPECT_EQ(c.left - b.left, 40);
}

TEST(Layout, TableColumnsFromContent) {
    // cell: content + 2 x 3 padding + 2 x 1 border; table: 3 spacings of 2 + 2 x 1 border
    Page p(L"<TABLE border=1 cellpadding=3 cellspacing=2><TR><TD>aaaa</TD><TD>bb</TD></TR></TABLE>", 500);
    EXPECT_EQ(p.Box(L"TABLE").Width(), 28 + 18 + 8);
    Rect a = p.Box(L"TD", 0), b = p.Box(L"TD", 1);
    EXPECT_EQ(a.left, 3);
    EXPECT_EQ(a.Width(), 28);
    EXPECT_EQ(b.left, 33);
    EXPECT_EQ(b.Width(), 18);
    EXPECT_EQ(a.Height(), 10 + 8);

    // a fixed width spreads the room over the columns by their content
    Page fixed(L"<TABLE width=550px border=1 cellpadding=3><TR><TD>aaaa</TD><TD>bb</TD></TR></TABLE>", 300);
    EXPECT_EQ(fixed.Box(L"TABLE").Width(), 550);
    EXPECT_GT(fixed.Box(L"TD", 0).Width(), fixed.Box(L"TD", 1).Width());

    // narrower than the content: words wrap down to the widest word
    Page narrow(L"<TABLE cellpadding=0 cellspacing=0><TR><TD>aaaa bbbb cccc</TD><TD>dd ee</TD></TR></TABLE>", 50);
    EXPECT_EQ(narrow.Box(L"TD", 0).Width() + narrow.Box(L"TD", 1).Width(), 50);
    EXPECT_GE(narrow.Box(L"TD", 0).Width(), 20);
    EXPECT_GE(narrow.Box(L"TD", 1).Width(), 10);
}

TEST(Layout, TableCellsTakeTheirShareOfTheWidth) {
    struct Case { const wchar_t* html; int avail; std::vector<int> widths; };
    const Case cases[] = {
        {L"<TABLE width=200 cellspacing=0 cellpadding=0><TR><TD width=\"25%\">a</TD><TD>b</TD></TR></TABLE>", 500, {50, 150}},
        {L"<TABLE width=200 cellspacing=0 cellpadding=0><TR><TD style=\"width:60%\">a</TD><TD>b</TD><TD>c</TD></TR></TABLE>",
         500, {120, 40, 40}},
        // the content wins over a share too small for it
        {L"<TABLE width=200 cellspacing=0 cellpadding=0><TR><TD width=\"10%\">aaaaaaaa</TD><TD>b</TD></TR></TABLE>", 500, {40, 160}},
        // shares past 100 % are cut
        {L"<TABLE width=200 cellspacing=0 cellpadding=0><TR><TD width=\"80%\">a</TD><TD width=\"80%\">b</TD></TR></TABLE>",
         500, {160, 40}},
        // an auto table grows until each share holds its content: "bbbb" (20 px) is half of 40
        {L"<TABLE cellspacing=0 cellpadding=0><TR><TD width=\"50%\">aa</TD><TD>bbbb</TD></TR></TABLE>", 500, {20, 20}},
        {L"<TABLE cellspacing=0 cellpadding=0><TR><TD width=\"25%\">aa</TD><TD>bbbb bbbb bbbb</TD></TR></TABLE>", 500, {23, 70}},
        // narrower than the shares want: the auto column keeps its widest word
        {L"<TABLE cellspacing=0 cellpadding=0><TR><TD width=\"90%\">a</TD><TD>bbbb bbbb</TD></TR></TABLE>", 40, {20, 20}},
    };
    for (const Case& c : cases) {
        Page p(c.html, c.avail);
        std::vector<int> widths;
        for (size_t i = 0; i < c.widths.size(); ++i) widths.push_back(p.Box(L"TD", i).Width());
        EXPECT_EQ(widths, c.widths) << Show(c.html);
    }
}

TEST(Layout, TableSpans) {
    Page p(L"<TABLE cellpadding=0 cellspacing=2><TR><TD colspan=2>aaaaaaaaaa</TD><TD rowspan=2>x<BR>y<BR>z</TD></TR>"
           L"<TR><TD>a</TD><TD>b</TD></TR></TABLE>", 500);
    Rect span = p.Box(L"TD", 0), tall = p.Box(L"TD", 1), a = p.Box(L"TD", 2), b = p.Box(L"TD", 3);
    EXPECT_EQ(span.left, a.left);
    EXPECT_EQ(span.right, b.right);
    EXPECT_EQ(a.Width(), b.Width());
    EXPECT_EQ(a.Width() + b.Width() + 2, 50);
    EXPECT_EQ(tall.top, span.top);
    EXPECT_EQ(tall.bottom, a.bottom);
    EXPECT_EQ(tall.Height(), 30);   // three lines; the rows share what the tall cell needs
    EXPECT_EQ(a.top, span.bottom + 2);
}

TEST(Layout, PicturesScaleToTheirLimit) {
    struct Case { const wchar_t* html; int natW, natH; int w, h; };
    const Case cases[] = {
        {L"<IMG src=a width=100 height=50>", 0, 0, 100, 50},
        {L"<IMG src=a>", 800, 400, 800, 400},
        {L"<STYLE>IMG { max-width: 460px; height: auto }</STYLE><IMG src=a width=800 height=400>", 800, 400, 460, 230},
        {L"<STYLE>IMG { max-width: 460px; height: auto }</STYLE><IMG src=a>", 800, 400, 460, 230},
        {L"<STYLE>IMG { max-width: 460px }</STYLE><IMG src=a width=300>", 600, 200, 300, 100},
        {L"<IMG src=a>", 0, 0, 24, 24},   // failed: a placeholder
        {L"<IMG src=a style=\"max-width: 100px\">", 40000, 30000, 100, 75},
    };
    for (const Case& c : cases) {
        DocumentPtr doc = Load(std::wstring(kBody) + c.html);
        Element* img = doc->GetElementsByTagName(L"IMG")[0].get();
        if (c.natW) img->SetImageLoaded(true, c.natW, c.natH);
        FakePlatform fake;
        Layout layout(doc.get(), &fake);
        layout.SetWidth(600);
        Rect r;
        ASSERT_TRUE(layout.ElementRect(img, &r));
        EXPECT_EQ(r.Width(), c.w) << Show(c.html);
        EXPECT_EQ(r.Height(), c.h) << Show(c.html);
    }
}

namespace {

// Every position inside the text of a page, in document order.
std::vector<std::pair<TextNode*, size_t>> TextPositions(Document* doc) {
    std::vector<std::pair<TextNode*, size_t>> out;
    for (Node* n = doc->Body(); n; n = n->NextInOrder(doc->Body()))
        if (n->IsText())
            for (size_t i = 0; i <= n->AsText()->Length(); ++i) out.emplace_back(n->AsText(), i);
    return out;
}

bool SameRect(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The same place on the same line: where two runs of different sizes meet, the caret's height
// depends on which run's end or start the position is.
bool SamePlace(const Rect& a, const Rect& b) { return a.left == b.left && a.top < b.bottom && b.top < a.bottom; }

} // namespace

TEST(Layout, CaretAndHitTestRoundTripOnEveryCharacter) {
    // mixed fonts and sizes, collapsed spaces, nbsp, a picture, a check box and a wrapped line
    for (int width : {1000, 60, 23}) {
        Page p(L"<DIV>ab  <B>cd</B> <I>e&nbsp;f</I> <FONT size=5>gh</FONT> <IMG src=x width=12 height=30>"
               L"<SPAN contentEditable=false><INPUT type=checkbox></SPAN>ij<SUB>k</SUB> lmnop qr</DIV>", width);
        MarkupPointer at(p.doc.get()), back(p.doc.get());
        for (auto& pos : TextPositions(p.doc.get())) {
            ASSERT_TRUE(at.MoveTo(pos.first, pos.second));
            Rect r, r2;
            ASSERT_TRUE(p.layout->CaretRect(at, &r)) << pos.second;
            ASSERT_TRUE(p.layout->PositionFromPoint(r.left, r.top + 1, &back));
            ASSERT_TRUE(p.layout->CaretRect(back, &r2));
            EXPECT_TRUE(SamePlace(r, r2)) << Show(pos.first->Data()) << " offset " << pos.second << " width " << width
                                         << ": " << r.left << "," << r.top << " came back " << r2.left << "," << r2.top;
            bool inside = pos.second > 0 && pos.second < pos.first->Length() && pos.first->Data()[pos.second] != ' ' &&
                          pos.first->Data()[pos.second - 1] != ' ';
            if (inside) {
                EXPECT_TRUE(back.IsEqualTo(at)) << Show(pos.first->Data()) << " offset " << pos.second;
            }
        }
    }
}

TEST(Layout, JustifiedLinesSpreadTheirSpaces) {
    // at 47 px "aa bb cc" (40 px) fills the first line: 7 px over its two spaces, 4 to the first
    struct Case { const wchar_t* html; int width; std::vector<int> xs; };
    const Case cases[] = {
        {L"<DIV style=\"text-align:justify\">aa bb cc dd</DIV>", 47, {0, 19, 37, 0}},
        {L"<DIV align=justify>aa bb cc dd</DIV>", 47, {0, 19, 37, 0}},
        {L"<DIV style=\"text-align:justify\">aa bb<BR>cc dd</DIV>", 47, {0, 0}},   // a line ended by BR stays as it is
        {L"<DIV style=\"text-align:justify\">aa <B>bb</B> cc dd</DIV>", 50, {0, 19, 40, 0}},
        {L"<DIV style=\"text-align:justify\">aaaaaaaaaaaa bb</DIV>", 47, {0, 0}},   // a lone word stays left
    };
    for (const Case& c : cases) {
        Page p(c.html, c.width);
        p.fake.ops.clear();
        p.layout->Paint(Rect{0, 0, 1000, 1000}, 0, 0, PaintOptions());
        std::vector<int> xs;
        for (const auto& op : p.fake.ops)
            if (op.kind == FakePlatform::Op::Text) xs.push_back(op.rect.left);
        EXPECT_EQ(xs, c.xs) << Show(c.html);
        // every character's caret comes back from a click on it
        MarkupPointer at(p.doc.get()), back(p.doc.get());
        for (auto& pos : TextPositions(p.doc.get())) {
            ASSERT_TRUE(at.MoveTo(pos.first, pos.second));
            Rect r, r2;
            ASSERT_TRUE(p.layout->CaretRect(at, &r));
            ASSERT_TRUE(p.layout->PositionFromPoint(r.left, r.top + 1, &back));
            ASSERT_TRUE(p.layout->CaretRect(back, &r2));
            EXPECT_TRUE(SamePlace(r, r2)) << Show(c.html) << " offset " << pos.second;
        }
    }
}

TEST(Layout, CaretMovesByCharacterWordLineAndDocument) {
    Page p(L"<DIV>ab cd</DIV><DIV>ef <B>gh</B></DIV><DIV></DIV><DIV>ij</DIV>", 1000);
    auto texts = TextPositions(p.doc.get());
    MarkupPointer at(p.doc.get());
    auto caretText = [&]() {
        // the characters left of the caret in its text node, and the node's text
        Node* c = at.Container();
        if (c->IsText()) return c->AsText()->Data().substr(0, at.Offset()) + L"|" + c->AsText()->Data().substr(at.Offset());
        Node* right = c->ChildAt(at.Offset());
        if (right && right->IsText()) return L"|" + right->AsText()->Data();
        Node* left = at.Offset() ? c->ChildAt(at.Offset() - 1) : nullptr;
        if (left && left->IsText()) return left->AsText()->Data() + L"|";
        return std::wstring(L"<") + (right ? right->OuterHtml() : L"end") + L">";
    };
    at.MoveTo(texts[0].first, 0);
    std::vector<std::wstring> rights;
    for (int i = 0; i < 12 && p.layout->Move(at, CaretMove::Right); ++i) rights.push_back(caretText());
    const std::vector<std::wstring> expectRight = {L"a|b cd", L"ab| cd", L"ab |cd", L"ab c|d", L"ab cd|", L"|ef ",
                                                   L"e|f ",   L"ef| ",   L"ef |",   L"g|h",    L"gh|",    L"|ij"};
    EXPECT_EQ(rights, expectRight);
    std::vector<std::wstring> lefts;
    while (lefts.size() < 12 && p.layout->Move(at, CaretMove::Left)) lefts.push_back(caretText());
    EXPECT_EQ(lefts.back(), L"|ab cd");
    EXPECT_EQ(lefts.size(), 12u);

    struct Case { CaretMove move; const wchar_t* from; size_t off; const wchar_t* to; };
    const Case cases[] = {
        {CaretMove::WordRight, L"ab cd", 0, L"ab |cd"},
        {CaretMove::WordRight, L"ab cd", 1, L"ab |cd"},
        {CaretMove::WordLeft, L"ab cd", 4, L"ab |cd"},
        {CaretMove::WordLeft, L"ab cd", 3, L"|ab cd"},
        {CaretMove::LineEnd, L"ab cd", 1, L"ab cd|"},
        {CaretMove::LineStart, L"ab cd", 4, L"|ab cd"},
        {CaretMove::Down, L"ab cd", 1, L"e|f "},
        {CaretMove::Up, L"ef ", 2, L"ab| cd"},
        {CaretMove::DocumentEnd, L"ab cd", 1, L"ij|"},
        {CaretMove::DocumentStart, L"ij", 1, L"|ab cd"},
    };
    for (const Case& c : cases) {
        for (auto& t : texts)
            if (t.first->Data() == c.from) { at.MoveTo(t.first, c.off); break; }
        p.layout->Move(at, c.move);
        EXPECT_EQ(caretText(), c.to) << int(c.move) << " from " << Show(c.from) << " " << c.off;
    }
}

TEST(Layout, AnEditRebuildsOnlyItsBlock) {
    std::wstring html;
    for (int i = 0; i < 300; ++i) html += L"<DIV>line " + std::to_wstring(i) + L" of the note</DIV>";
    html += L"<TABLE><TR><TD>x</TD></TR></TABLE><OL><LI>a<LI>b</OL>";
    Page p(html, 400);
    p.layout->Update();
    Element* div = p.Find(L"DIV", 150);
    MarkupPointer at(p.doc.get());
    at.MoveTo(div->FirstChild(), 4);
    p.doc->GetSelection().MoveCaret(at);
    p.doc->TypeText(L" and some more words to wrap the line of this paragraph");
    p.layout->Update();
    EXPECT_EQ(p.layout->LastRebuiltBlocks(), 1u);
    p.doc->DeleteBackward();
    p.doc->Exec(CMD_BOLD);
    p.doc->Undo();
    // after any edits the incremental layout equals a fresh one
    auto check = [&](const char* what) {
        FakePlatform fresh;
        Layout other(p.doc.get(), &fresh);
        other.SetWidth(400);
        EXPECT_EQ(p.layout->ContentHeight(), other.ContentHeight()) << what;
        for (auto& t : TextPositions(p.doc.get())) {
            if (t.second % 3) continue;
            MarkupPointer m(p.doc.get());
            m.MoveTo(t.first, t.second);
            Rect a, b;
            ASSERT_TRUE(p.layout->CaretRect(m, &a));
            ASSERT_TRUE(other.CaretRect(m, &b));
            ASSERT_TRUE(SameRect(a, b)) << what << " " << Show(t.first->Data()) << " " << t.second;
        }
    };
    check("typing");
    Element* li = p.Find(L"LI", 1);
    at.MoveTo(li->FirstChild(), 1);
    p.doc->GetSelection().MoveCaret(at);
    p.doc->InsertParagraph();
    p.layout->Update();
    EXPECT_NE(p.Texts().find(L"|3."), std::wstring::npos);   // the new item is numbered
    check("a new list item");
    p.Find(L"TD")->SetInnerHtml(L"a much longer cell content");
    check("a cell");
    p.doc->Undo();
    p.doc->Undo();
    check("undo");
    p.doc->LoadHtml(L"<BODY><DIV>new</DIV></BODY>");
    check("load");
}

TEST(Layout, SelectionAndHighlightsArePaintedOverTheirText) {
    Page p(L"<DIV>ab cd ef</DIV><DIV>gh</DIV>", 1000);
    TextNode* t = p.Find(L"DIV")->FirstChild()->AsText();
    MarkupPointer a(p.doc.get()), b(p.doc.get());
    a.MoveTo(t, 3);
    b.MoveTo(t, 5);
    p.doc->GetSelection().SelectRange(a, b);
    a.MoveTo(t, 6);
    b.MoveTo(t, 8);
    RenderStyle look;
    look.backgroundColor = L"#FFFF80";
    look.textColor = L"#000000";
    p.doc->AddHighlight(a, b, look);
    p.Texts();
    PaintOptions options;
    auto fills = [&](uint32_t color) {
        std::vector<Rect> out;
        for (auto& op : p.fake.ops)
            if (op.kind == FakePlatform::Op::Fill && op.color == color) out.push_back(op.rect);
        return out;
    };
    auto sel = fills(options.selectionBack);
    ASSERT_EQ(sel.size(), 1u);
    EXPECT_EQ(sel[0].left, 15);
    EXPECT_EQ(sel[0].right, 25);
    EXPECT_EQ(sel[0].top, 0);
    EXPECT_EQ(sel[0].bottom, 10);
    auto hl = fills(0xFFFF80);
    ASSERT_EQ(hl.size(), 1u);
    EXPECT_EQ(hl[0].left, 30);
    EXPECT_EQ(hl[0].right, 40);
    // the selected text is drawn again in the selection's colour
    bool white = false;
    for (auto& op : p.fake.ops) white = white || (op.kind == FakePlatform::Op::Text && op.color == options.selectionText);
    EXPECT_TRUE(white);
    // a selection across two blocks covers the rest of the first line and the start of the next
    a.MoveTo(t, 6);
    b.MoveTo(p.Find(L"DIV", 1)->FirstChild(), 1);
    p.doc->GetSelection().SelectRange(a, b);
    p.Texts();
    sel = fills(options.selectionBack);
    ASSERT_EQ(sel.size(), 2u);
    EXPECT_EQ(sel[0].left, 30);
    EXPECT_GT(sel[0].right, 40);
    EXPECT_EQ(sel[1].left, 0);
    EXPECT_EQ(sel[1].right, 5);
    EXPECT_EQ(sel[1].top, 10);
}
