// The document model: relatives, attributes, markup get/set, tables, images, style sheets and
// computed styles, as the editor code uses them.
#include "TestDoc.h"

using namespace HtmlEngine;
using namespace TestDoc;

TEST(Dom, TagIdsTheEditorComparesWith) {
    struct T { const wchar_t* name; int id; };
    const T ids[] = {{L"A", 2}, {L"B", 7}, {L"DIV", 30}, {L"FONT", 36},
                     {L"H1", 41}, {L"H6", 46}, {L"HR", 48}, {L"IMG", 52}, {L"INPUT", 53}, {L"LI", 58},
                     {L"OL", 71}, {L"P", 73}, {L"SPAN", 86}, {L"TABLE", 92}, {L"TD", 95}, {L"TR", 101},
                     {L"U", 103}, {L"UL", 104}, {L"spl", TAG_UNKNOWN}};
    for (const auto& t : ids) {
        EXPECT_EQ(TagIdFromName(t.name), t.id) << Show(t.name);
        auto doc = Document::Create();
        EXPECT_EQ(doc->CreateElement(t.name)->TagId(), t.id) << Show(t.name);
    }
    EXPECT_STREQ(TagNameFromId(104), L"UL");
}

TEST(Dom, AttributesIgnoreCase) {
    auto doc = Load(L"<A HREF=\"x.htm\" Target=_blank>l</A>");
    Element* a = doc->GetElementsByTagName(L"a")[0].get();
    EXPECT_EQ(a->GetAttribute(L"href"), L"x.htm");
    EXPECT_EQ(a->GetAttribute(L"TARGET"), L"_blank");
    a->SetAttribute(L"hReF", L"y.htm");
    EXPECT_EQ(a->Attributes().size(), 2u);
    EXPECT_TRUE(a->RemoveAttribute(L"target"));
    EXPECT_FALSE(a->RemoveAttribute(L"target"));
    EXPECT_EQ(a->OuterHtml(), L"<A href=\"y.htm\">l</A>");
    Element* body = doc->Body();
    body->SetAttribute(L"link", L"#0000FF");
    body->SetAttribute(L"vlink", L"#0000FF");
    EXPECT_EQ(body->GetAttribute(L"LINK"), L"#0000FF");
}

TEST(Dom, RelativesAndSearch) {
    auto doc = Load(L"<DIV id=a><P>1</P>x<P>2</P></DIV><SPL>s</SPL><A href=h>a</A><a href=i>b</a>");
    EXPECT_EQ(doc->GetElementsByTagName(L"A").size(), 2u);
    EXPECT_EQ(doc->GetElementsByTagName(L"SPL").size(), 1u);
    EXPECT_EQ(doc->GetElementsByTagName(L"HTML").size(), 1u);
    Element* div = doc->Body()->FirstElementChild();
    ASSERT_TRUE(div && div->Is(TAG_DIV));
    auto ps = div->GetElementsByTagName(L"P");
    ASSERT_EQ(ps.size(), 2u);
    EXPECT_EQ(ps[0]->NextElementSibling(), ps[1].get());
    EXPECT_EQ(ps[0]->NextSibling()->AsText()->Data(), L"x");
    EXPECT_EQ(ps[1]->PreviousElementSibling(), ps[0].get());
    EXPECT_EQ(ps[1]->ParentElement(), div);
    EXPECT_TRUE(div->Contains(ps[1]->FirstChild()));
    EXPECT_EQ(ps[1]->FirstChild()->ParentElement()->Closest(TAG_DIV), div);
    EXPECT_EQ(div->ChildElements().size(), 2u);
    EXPECT_EQ(doc->GetElementsByTagName(L"*").size(), 9u);   // HTML HEAD BODY DIV P P SPL A A
}

TEST(Dom, MarkupGetAndSet) {
    auto doc = Load(L"<DIV>a<B>b</B><BR>c</DIV><P>d</P>");
    Element* div = doc->Body()->FirstElementChild();
    EXPECT_EQ(div->InnerHtml(), L"a<B>b</B><BR>c");
    EXPECT_EQ(div->InnerText(), L"ab\r\nc");
    EXPECT_EQ(doc->DocumentElement()->InnerText(), L"ab\r\nc\r\nd");
    EXPECT_TRUE(div->SetInnerHtml(L"<i>new</i>"));
    EXPECT_EQ(Body(doc), L"<DIV><I>new</I></DIV><P>d</P>");
    div->SetInnerText(L"1 < 2\nnext");
    EXPECT_EQ(div->InnerHtml(), L"1 &lt; 2<BR>next");
    // an A's outer HTML replaced by its inner HTML keeps the content (removing a link)
    auto d2 = Load(L"<DIV>x<A href=\"u\">li<B>nk</B></A>y</DIV>");
    Element* a = d2->GetElementsByTagName(L"A")[0].get();
    EXPECT_TRUE(a->SetOuterHtml(a->InnerHtml()));
    EXPECT_EQ(Body(d2), L"<DIV>xli<B>nk</B>y</DIV>");
    // removeNode: deep and keeping the content
    auto d3 = Load(L"<DIV><SPAN>a<B>b</B></SPAN>c</DIV>");
    d3->GetElementsByTagName(L"SPAN")[0]->RemoveNode(false);
    EXPECT_EQ(Body(d3), L"<DIV>a<B>b</B>c</DIV>");
    d3->GetElementsByTagName(L"B")[0]->RemoveNode(true);
    EXPECT_EQ(Body(d3), L"<DIV>ac</DIV>");
    // insertAdjacent*
    Element* dd = d3->Body()->FirstElementChild();
    EXPECT_TRUE(dd->InsertAdjacentHtml(Where::BeforeBegin, L"<HR>"));
    EXPECT_TRUE(dd->InsertAdjacentText(Where::AfterBegin, L"<1>"));
    EXPECT_TRUE(dd->InsertAdjacentElement(Where::AfterEnd, d3->CreateElement(L"p")));
    EXPECT_EQ(Body(d3), L"<HR><DIV>&lt;1&gt;ac</DIV><P></P>");
    // create from a tag id and raw attribute text
    ElementPtr link = d3->CreateElement(TAG_A, L"href=\"http://x.org/?a=1&amp;b=2\" class=k");
    EXPECT_EQ(link->GetAttribute(L"href"), L"http://x.org/?a=1&b=2");
    EXPECT_EQ(link->ClassName(), L"k");
}

TEST(Dom, BodyMissingAndEnsured) {
    auto doc = Document::Create();
    doc->LoadHtml(L"<html><head></head></html>");
    ASSERT_NE(doc->Body(), nullptr);   // the parser makes one
    doc->Body()->RemoveNode(true);
    EXPECT_EQ(doc->Body(), nullptr);
    Element* b = doc->EnsureBody();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->ParentElement(), doc->DocumentElement());
    EXPECT_EQ(doc->EnsureBody(), b);
}

TEST(Dom, Tables) {
    auto doc = Load(L"<TABLE width=550px border=1 cellpadding=3><TR><TD>a</TD><TD colspan=2>b</TD></TR>"
                    L"<TR><TD rowspan=2>c</TD><TD>d</TD><TD>e</TD></TR></TABLE>");
    Element* t = doc->GetElementsByTagName(L"TABLE")[0].get();
    auto rows = t->Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1]->RowIndex(), 1);
    auto cells = rows[0]->Cells();
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[1]->ColSpan(), 2);
    EXPECT_EQ(cells[0]->ColSpan(), 1);
    EXPECT_EQ(rows[1]->Cells()[0]->RowSpan(), 2);
    EXPECT_EQ(cells[1]->CellIndex(), 1);
    EXPECT_EQ(cells[1]->OwnerTable(), t);
    cells[1]->SetColSpan(3);
    EXPECT_EQ(cells[1]->GetAttribute(L"colspan"), L"3");
    ElementPtr r = t->InsertRow(1);
    ASSERT_TRUE(r);
    ElementPtr c = r->InsertCell(0);
    c->SetInnerHtml(L"<DIV>&nbsp;</DIV>");
    EXPECT_EQ(r->RowIndex(), 1);
    EXPECT_EQ(t->Rows().size(), 3u);
    EXPECT_FALSE(t->InsertRow(7));
    EXPECT_TRUE(t->DeleteRow(2));
    EXPECT_TRUE(t->DeleteRow(0));
    EXPECT_FALSE(t->DeleteRow(5));
    EXPECT_EQ(Body(doc), L"<TABLE width=550px border=1 cellpadding=3><TBODY><TR><TD><DIV>&nbsp;</DIV></TD></TR>"
                         L"</TBODY></TABLE>");
    EXPECT_TRUE(t->Rows()[0]->DeleteCell(0));
    EXPECT_TRUE(t->Rows()[0]->Cells().empty());
}

namespace {
struct RecordingLoader : IImageLoader {
    std::vector<std::wstring> urls;
    void Request(Element*, const std::wstring& url) override { urls.push_back(url); }
};
}

TEST(Dom, Images) {
    auto doc = Document::Create();
    RecordingLoader loader;
    doc->SetImageLoader(&loader);
    doc->SetDesignMode(true);
    doc->LoadHtml(L"<IMG src=\"http://127.0.0.1:1/attach/A1\" width=40><IMG src=b.png>");
    auto imgs = doc->GetElementsByTagName(L"IMG");
    ASSERT_EQ(imgs.size(), 2u);
    EXPECT_EQ(loader.urls.size(), 2u);
    EXPECT_FALSE(imgs[1]->IsComplete());
    EXPECT_EQ(imgs[1]->Width(), 0);
    imgs[1]->SetImageLoaded(true, 120, 80);
    EXPECT_TRUE(imgs[1]->IsComplete());
    EXPECT_EQ(imgs[1]->Width(), 120);
    EXPECT_EQ(imgs[1]->Height(), 80);
    EXPECT_EQ(imgs[0]->Width(), 40);
    // setting src again asks for the image again (a reload after the file changed)
    imgs[1]->SetSrc(L"about:blank");
    imgs[1]->SetSrc(L"b.png");
    EXPECT_GE(loader.urls.size(), 3u);
    EXPECT_EQ(loader.urls.back(), L"b.png");
    EXPECT_FALSE(imgs[1]->IsComplete());
    // without a loader images are complete at once
    auto d2 = Load(L"<IMG src=c.png>");
    EXPECT_TRUE(d2->GetElementsByTagName(L"IMG")[0]->IsComplete());
}

TEST(Dom, InlineStyles) {
    auto doc = Load(L"<DIV style=\"COLOR: red; font-size:12px\">x</DIV>");
    Element* div = doc->Body()->FirstElementChild();
    EXPECT_EQ(div->GetStyle(L"color"), L"red");
    EXPECT_EQ(div->GetStyle(L"FONT-SIZE"), L"12px");
    div->SetStyle(L"line-height", L"1.5");
    div->SetStyle(L"color", L"");
    div->SetStyle(L"margin-left", L"40px");
    EXPECT_EQ(div->GetStyle(L"color"), L"");
    EXPECT_EQ(div->GetStyle(L"line-height"), L"1.5");
    EXPECT_EQ(div->OuterHtml(), L"<DIV style=\"font-size: 12px; line-height: 1.5; margin-left: 40px\">x</DIV>");
    div->SetStyleText(L"");
    EXPECT_FALSE(div->HasAttribute(L"style"));
}

TEST(Dom, StyleSheetImageRule) {
    auto doc = Document::Create();
    doc->LoadHtml(L"<HTML><HEAD><LINK rel=stylesheet href=x.css><STYLE type=text/css>\nIMG {\nborder: none;\n"
                  L"max-width: 360px;\n}\n</STYLE></HEAD><BODY>x</BODY></HTML>");
    auto sheets = doc->StyleSheets();
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0]->Href(), L"x.css");
    EXPECT_EQ(sheets[1]->Href(), L"");
    StyleRule* rule = sheets[1]->FindRule(L"img");
    ASSERT_NE(rule, nullptr);
    rule->SetCssText(L"MAX-WIDTH: 460px; HEIGHT: auto; border: none;");
    EXPECT_EQ(rule->GetProperty(L"max-width"), L"460px");
    EXPECT_EQ(sheets[1]->FindRule(L"IMG")->GetProperty(L"height"), L"auto");
    // the changed rule is written with the document
    EXPECT_NE(doc->Head()->InnerHtml().find(L"460px"), std::wstring::npos);
    EXPECT_FALSE(doc->IsDirty());
    // a document without a sheet gets one in HEAD
    auto d2 = Load(L"x");
    StyleSheet* s = d2->CreateStyleSheet();
    ASSERT_NE(s, nullptr);
    s->AddRule(L"IMG", L"border: none");
    EXPECT_EQ(d2->StyleSheets().size(), 1u);
    EXPECT_EQ(s->OwnerNode()->ParentElement(), d2->Head());
    EXPECT_EQ(d2->StyleSheets()[0]->FindRule(L"IMG")->GetProperty(L"border"), L"none");
}

TEST(Dom, StyleSheetsFollowEveryKindOfEdit) {
    // the list of sheets is kept between edits that cannot touch it (typing in the body); every
    // other change finds it again
    auto doc = Load(L"<STYLE>B { color: #ff0000 }</STYLE><DIV>text</DIV><DIV id=box></DIV>");
    ASSERT_EQ(doc->StyleSheets().size(), 1u);
    Element* div = doc->GetElementsByTagName(L"DIV")[0].get();
    MarkupPointer p(doc.get());
    p.MoveTo(div->FirstChild(), 2);
    doc->GetSelection().MoveCaret(p);
    doc->TypeText(L"xy");
    EXPECT_EQ(doc->StyleSheets().size(), 1u);
    Element* box = doc->GetElementsByTagName(L"DIV")[1].get();
    box->SetInnerHtml(L"<STYLE>I { color: #00ff00 }</STYLE>");   // a sheet arrives in the body
    ASSERT_EQ(doc->StyleSheets().size(), 2u);
    EXPECT_NE(doc->StyleSheets()[1]->FindRule(L"I"), nullptr);
    box->SetInnerHtml(L"");
    EXPECT_EQ(doc->StyleSheets().size(), 1u);
    doc->Undo();
    EXPECT_EQ(doc->StyleSheets().size(), 2u);
    doc->Undo();
    EXPECT_EQ(doc->StyleSheets().size(), 1u);
    // a LINK becomes a sheet by its rel attribute
    box->SetInnerHtml(L"<LINK href=a.css>");
    EXPECT_EQ(doc->StyleSheets().size(), 1u);
    doc->GetElementsByTagName(L"LINK")[0]->SetAttribute(L"rel", L"stylesheet");
    EXPECT_EQ(doc->StyleSheets().size(), 2u);
    // text typed into a STYLE changes its rules
    Element* style = doc->GetElementsByTagName(L"STYLE")[0].get();
    TextNode* css = style->FirstChild()->AsText();
    css->SetData(L"U" + css->Data().substr(1));
    EXPECT_EQ(doc->StyleSheets()[0]->FindRule(L"B"), nullptr);
    EXPECT_NE(doc->StyleSheets()[0]->FindRule(L"U"), nullptr);
}

TEST(Dom, ComputedFontSize) {
    struct C { const wchar_t* html; double px; };
    const C cases[] = {
        {L"<FONT size=3><I>x</I></FONT>", 16},
        {L"<FONT size=1><I>x</I></FONT>", 10},
        {L"<FONT size=7><I>x</I></FONT>", 48},
        {L"<DIV style=\"font-size: 12pt\"><I>x</I></DIV>", 16},
        {L"<DIV style=\"font-size: 20px\"><SPAN style=\"font-size: 150%\"><I>x</I></SPAN></DIV>", 30},
        {L"<DIV style=\"font-size: 10px\"><SPAN style=\"font-size: 2em\"><I>x</I></SPAN></DIV>", 20},
        {L"<H1><I>x</I></H1>", 32},
        {L"<I>x</I>", 16},
    };
    for (const auto& c : cases) {
        auto doc = Load(c.html);
        Element* i = doc->GetElementsByTagName(L"I")[0].get();
        EXPECT_DOUBLE_EQ(ComputedFontSizePx(i), c.px) << Show(c.html);
    }
    auto doc = Load(L"<STYLE>.big { font-size: 30px } DIV B { color: #00ff00 }</STYLE><DIV class=big><B>x</B></DIV>");
    Element* b = doc->GetElementsByTagName(L"B")[0].get();
    EXPECT_EQ(ComputedStyle(b, L"font-size"), L"30px");
    EXPECT_EQ(ComputedStyle(b, L"font-weight"), L"bold");
}

TEST(Dom, CssParsingHelpers) {
    uint32_t rgb = 0;
    EXPECT_TRUE(ParseColor(L"#f00", &rgb)); EXPECT_EQ(rgb, 0xFF0000u);
    EXPECT_TRUE(ParseColor(L"rgb(1, 2, 3)", &rgb)); EXPECT_EQ(rgb, 0x010203u);
    EXPECT_TRUE(ParseColor(L"Navy", &rgb)); EXPECT_EQ(rgb, 0x000080u);
    EXPECT_FALSE(ParseColor(L"#12", &rgb));
    EXPECT_FALSE(ParseColor(L"", &rgb));
    EXPECT_EQ(ColorToHex(0xFFFF80), L"#ffff80");
    EXPECT_EQ(RgbToBgr(0x123456), 0x563412u);
    double px = 0;
    EXPECT_TRUE(ParseLengthPx(L"1in", 16, &px)); EXPECT_DOUBLE_EQ(px, 96);
    EXPECT_TRUE(ParseLengthPx(L"12pt", 16, &px)); EXPECT_DOUBLE_EQ(px, 16);
    EXPECT_FALSE(ParseLengthPx(L"bold", 16, &px));
    auto decls = ParseDeclarations(L"color: red; COLOR: blue !important; ; x; font-family: 'a;b'");
    ASSERT_EQ(decls.size(), 2u);
    EXPECT_EQ(decls[0].value, L"blue");
    EXPECT_TRUE(decls[0].important);
    EXPECT_EQ(decls[1].value, L"'a;b'");
    EXPECT_EQ(SetDeclaration(L"a: 1; b: 2", L"a", L""), L"b: 2");
}

namespace {
struct CountingHandler : IEventHandler {
    int calls = 0;
    bool Invoke(Element*) override { ++calls; return false; }
};
}

TEST(Dom, EventHandlerSlotsAndFragments) {
    auto doc = Load(L"<A href=\"pelora:cmd.newnote\">n</A><IMG src=x>");
    auto handler = std::make_shared<CountingHandler>();
    Element* a = doc->GetElementsByTagName(L"A")[0].get();
    a->SetEventHandler(L"onclick", handler);
    EXPECT_EQ(a->GetEventHandler(L"ONCLICK"), handler);
    EXPECT_EQ(a->GetEventHandler(L"ondblclick"), nullptr);
    EXPECT_FALSE(a->GetEventHandler(L"onclick")->Invoke(a));   // the window layer dispatches
    a->SetEventHandler(L"onclick", nullptr);
    EXPECT_EQ(a->GetEventHandler(L"onclick"), nullptr);
    EXPECT_FALSE(doc->IsDirty());   // handlers are not markup
    // fragments parse as they would inside their context, unattached
    auto nodes = doc->ParseFragment(L"<td>x</td><li>y");
    ASSERT_FALSE(nodes.empty());
    for (const auto& n : nodes) EXPECT_EQ(n->Parent(), nullptr);
    auto cells = doc->ParseFragment(L"<td>x</td>", doc->CreateElement(L"TR").get());
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(cells[0]->OuterHtml(), L"<TD>x</TD>");
}

TEST(Dom, PixelSizesOfHtmlSizes) {
    const wchar_t* px[] = {L"", L"10", L"14", L"16", L"18", L"24", L"32", L"48"};
    for (int size = 1; size <= 7; ++size) {
        auto doc = Load(L"<FONT size=" + std::to_wstring(size) + L">a|b</FONT>");
        EXPECT_EQ(doc->QueryValue(CMD_FONTSIZE_PX).AsText(), px[size]) << size;
    }
    struct C { const wchar_t* css; const wchar_t* px; };
    const C lengths[] = {{L"1.5em", L"24"}, {L"10mm", L"38"}, {L"1in", L"96"}, {L"2pc", L"32"},
                           // a zero integer part counts as no size: the HTML size of the text decides
                           {L"0.5in", L"48"}};
    for (const auto& c : lengths) {
        auto doc = Load(std::wstring(L"<SPAN style=\"font-size: ") + c.css + L"\">a|b</SPAN>");
        EXPECT_EQ(doc->QueryValue(CMD_FONTSIZE_PX).AsText(), c.px) << Show(c.css);
    }
}

// Whatever the engine makes reads back as it was written: nesting stays within what the
// parser reads, and text made through the DOM never ends its comment or raw-text element early.
TEST(Dom, WhatTheEngineMakesReadsBackTheSame) {
    auto trip = [](const DocumentPtr& doc) {
        std::wstring once = doc->DocumentElement()->OuterHtml();
        auto again = Document::Create();
        again->LoadHtml(once);
        return again->DocumentElement()->OuterHtml() == once;
    };
    // indenting 450 times stops where the parser's nesting cap is
    DocumentPtr doc = Load(L"<DIV>a|b</DIV>");
    for (int i = 0; i < 450; ++i) doc->Exec(CMD_INDENT);
    size_t deepest = 0;
    for (Node* n = doc->Body(); n; n = n->NextInOrder(doc->Body()))
        if (n->IsElement()) deepest = std::max(deepest, n->Depth());
    EXPECT_EQ(deepest, 400u);
    EXPECT_TRUE(trip(doc));
    // a DOM change that would nest deeper is refused; markup set deep inside is cut to fit
    Element* inner = doc->Body();
    while (inner->FirstElementChild()) inner = inner->FirstElementChild();
    ASSERT_EQ(inner->Depth(), 400u);
    EXPECT_FALSE(inner->AppendChild(doc->CreateElement(L"B")));
    EXPECT_TRUE(inner->AppendChild(doc->CreateElement(L"BR")));
    inner->SetInnerHtml(L"<B><I><U>deep</U></I></B>");
    EXPECT_NE(Body(doc).find(L"deep"), std::wstring::npos);
    EXPECT_TRUE(trip(doc));
    while (doc->Undo()) {}   // the steps that were made undo as before
    EXPECT_EQ(Body(doc), L"<DIV>ab</DIV>");

    // comment and style text holding their own end markers
    struct Made { const wchar_t* comment; const wchar_t* style; };
    const Made cases[] = {
        {L"a-->b", L"p{}</style><b>x</b>"},
        {L"--!>", L"</STYLE >"},
        {L">", L"<\\/style>"},
        {L"-", L"</styles>"},
    };
    for (const auto& c : cases) {
        DocumentPtr d = Load(L"<DIV>x</DIV>");
        d->Body()->AppendChild(d->CreateComment(c.comment));
        ElementPtr style = d->CreateElement(L"STYLE");
        style->AppendChild(d->CreateTextNode(c.style));
        d->Body()->AppendChild(style);
        EXPECT_TRUE(trip(d)) << Show(d->DocumentElement()->OuterHtml());
        auto again = Document::Create();
        again->LoadHtml(d->DocumentElement()->OuterHtml());
        EXPECT_EQ(again->Body()->ChildCount(), 3u) << Show(c.comment) << Show(c.style);
        EXPECT_TRUE(again->GetElementsByTagName(L"B").empty());
    }
}

// A change that would make markup that reads back differently is refused whole, the document
// left as it was: anything but text in a raw-text element, table parts out of their places,
// and elements whose start tag would close one around them.
TEST(Dom, ChangesThatWouldNotReadBackAreRefused) {
    struct C { const char* name; const wchar_t* body; const wchar_t* parentTag; const wchar_t* child; };
    const C cases[] = {
        {"element in a style sheet", L"<STYLE>p{}</STYLE>", L"STYLE", L"B"},
        {"element in a title", L"<TITLE>t</TITLE>", L"TITLE", L"BR"},
        {"row outside a table", L"<DIV>x</DIV>", L"DIV", L"TR"},
        {"cell in a table section", L"<TABLE><TBODY><TR><TD>1</TD></TR></TBODY></TABLE>", L"TBODY", L"TD"},
        {"paragraph in a paragraph", L"<P>x</P>", L"P", L"P"},
        {"table in a paragraph", L"<P>x</P>", L"P", L"TABLE"},
        {"item in an item", L"<UL><LI>x</LI></UL>", L"LI", L"LI"},
        {"heading in a heading", L"<H1>x</H1>", L"H1", L"H2"},
        {"link in a link", L"<A href=x>x</A>", L"A", L"A"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DocumentPtr doc = Load(c.body);
        std::wstring before = Body(doc);
        Element* parent = doc->GetElementsByTagName(c.parentTag)[0].get();
        EXPECT_FALSE(parent->AppendChild(doc->CreateElement(c.child)));
        EXPECT_EQ(Body(doc), before);
        EXPECT_FALSE(doc->CanUndo());
    }
    // what does read back is taken
    DocumentPtr doc = Load(L"<UL><LI>x</LI></UL><P>y</P>");
    EXPECT_TRUE(doc->GetElementsByTagName(L"LI")[0]->AppendChild(doc->CreateElement(L"UL")));
    EXPECT_TRUE(doc->GetElementsByTagName(L"P")[0]->AppendChild(doc->CreateElement(L"B")));
    EXPECT_TRUE(doc->GetElementsByTagName(L"P")[0]->AppendChild(doc->CreateTextNode(L"z")));
    // typing text between table rows is refused too; in a cell it is not
    DocumentPtr t = Load(L"<TABLE><TBODY> <TR><TD>|1</TD></TR></TBODY></TABLE>");
    EXPECT_TRUE(t->TypeText(L"a"));
    TextNode* gap = t->GetElementsByTagName(L"TBODY")[0]->FirstChild()->AsText();
    gap->SetData(L" b ");
    EXPECT_EQ(Body(t), L"<TABLE><TBODY> <TR><TD>a1</TD></TR></TBODY></TABLE>");
}
