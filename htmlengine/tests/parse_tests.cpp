// Parsing and serialising: the forms the editor code matches on, forgiving parsing of broken
// markup, and stability (serialise -> parse -> serialise gives the same text).
#include <gtest/gtest.h>
#include "HtmlEngine.h"

using namespace HtmlEngine;

namespace {

std::wstring BodyHtml(const std::wstring& html) {
    auto doc = Document::Create();
    doc->LoadHtml(html);
    return doc->Body() ? doc->Body()->InnerHtml() : L"<no body>";
}

struct RoundTrip {
    const wchar_t* input;
    const wchar_t* body;   // the BODY's inner HTML after parsing
};

const RoundTrip kRoundTrips[] = {
    // tag names upper case, whatever the input
    {L"<p>Hello&nbsp<b>world</b>", L"<P>Hello&nbsp;<B>world</B></P>"},
    {L"<div><Span>a</sPan></DIV>", L"<DIV><SPAN>a</SPAN></DIV>"},
    // "style" and "class" in lower case, style values always double-quoted
    {L"<DIV STYLE='color: red' CLASS=x>a</DIV>", L"<DIV style=\"color: red\" class=x>a</DIV>"},
    {L"<span Style=font-weight:bold>b</span>", L"<SPAN style=\"font-weight:bold\">b</SPAN>"},
    // other attribute values quoted only when they need it
    {L"<a href=\"http://x.org/a b\">l</a>", L"<A href=\"http://x.org/a b\">l</A>"},
    {L"<font size=\"3\" face=Arial>f</font>", L"<FONT size=3 face=Arial>f</FONT>"},
    // the check box form, checked and unchecked
    {L"<SPAN contentEditable=false><INPUT type=checkbox></SPAN>",
     L"<SPAN contentEditable=false><INPUT type=checkbox></SPAN>"},
    {L"<span contenteditable=\"false\"><input type=\"checkbox\" checked /></span>x",
     L"<SPAN contentEditable=false><INPUT type=checkbox checked></SPAN>x"},
    // void elements never get an end tag; stray end tags vanish
    {L"a<br>b<br/>c</br>", L"a<BR>b<BR>c<BR>"},
    {L"<img src=\"a.png\" width=10></img>", L"<IMG src=\"a.png\" width=10>"},
    {L"x</span>y</div>z", L"xyz"},
    // formatting left open by a block goes on after it, as in browsers
    {L"<div><b>bold<i>both</div>after", L"<DIV><B>bold<I>both</I></B></DIV><B><I>after</I></B>"},
    {L"<p><b>x<p>y</b>z", L"<P><B>x</B></P><P><B>y</B>z</P>"},
    // misnested formatting: the inner element is reopened after the outer one's end
    {L"<b>1<i>2</b>3</i>", L"<B>1<I>2</I></B><I>3</I>"},
    {L"<b>1<i>2<u>3</b>4</u>5</i>6", L"<B>1<I>2<U>3</U></I></B><I><U>4</U>5</I>6"},
    // a format ended inside a block that opened within it: the block's content keeps it
    {L"<b>1<p>2</b>3</p>", L"<B>1</B><P><B>2</B>3</P>"},
    {L"<a href=x>1<div>2</a>3</div>", L"<A href=\"x\">1</A><DIV><A href=\"x\">2</A>3</DIV>"},
    // formats opened in a cell end with it
    {L"<table><tr><td><b>x</td><td>y</table>z",
     L"<TABLE><TBODY><TR><TD><B>x</B></TD><TD>y</TD></TR></TBODY></TABLE>z"},
    // PLAINTEXT ends at its end tag, so that it does not take in what is written after it
    {L"<plaintext>a<b>&amp;</plaintext>c", L"<PLAINTEXT>a<b>&amp;</PLAINTEXT>c"},
    {L"<plaintext>a<b>", L"<PLAINTEXT>a<b></PLAINTEXT>"},
    // what a table's stray content would close if read in front of the table is left out there
    {L"<li><table><p><table><li>", L"<LI><P></P><TABLE></TABLE><TABLE></TABLE></LI>"},
    {L"<p>1<table><div>2</div></table>", L"<P>1</P><DIV>2</DIV><TABLE></TABLE>"},
    {L"<li>1<table><tr><td>2</td></tr><li>3</table>",
     L"<LI>13<TABLE><TBODY><TR><TD>2</TD></TR></TBODY></TABLE></LI>"},
    // a heading never stands in another one, also when formatting is open inside it
    {L"<h1><font>1<h1>2</font>3", L"<H1><FONT>1</FONT></H1><H1><FONT>2</FONT>3</H1>"},
    // a carriage return from a reference stays one
    {L"a&#13;b<a title=\"&#13;\">c</a>", L"a&#13;b<A title=\"&#13;\">c</A>"},
    // a stray end tag without an open format changes nothing
    {L"1</b>2<i>3</b>4", L"12<I>34</I>"},
    // content moved out of a table into an open link does not make a link inside a link
    {L"<a href=x>1<table><a href=y>2</a></table>", L"<A href=\"x\">12<TABLE></TABLE></A>"},
    {L"<a>1<table><tr><td><a>2</td></tr></table>", L"<A>1<TABLE><TBODY><TR><TD><A>2</A></TD></TR></TBODY></TABLE></A>"},
    // the line feed right after <PRE> is dropped, one after a comment in it is kept
    {L"<pre>\nx</pre>", L"<PRE>x</PRE>"},
    {L"<pre>\n\nx</pre>", L"<PRE>\n\nx</PRE>"},
    {L"<pre><!-- c -->\nx</pre>", L"<PRE><!-- c -->\nx</PRE>"},
    // P closes at a block start
    {L"<p>one<p>two<div>three</div>", L"<P>one</P><P>two</P><DIV>three</DIV>"},
    // list items and table cells close each other
    {L"<ul><li>a<li>b</ul>", L"<UL><LI>a</LI><LI>b</LI></UL>"},
    {L"<table><tr><td>1<td>2<tr><td>3</table>",
     L"<TABLE><TBODY><TR><TD>1</TD><TD>2</TD></TR><TR><TD>3</TD></TR></TBODY></TABLE>"},
    // entities: named with and without semicolon, numeric, unknown kept as text
    {L"a&amp;b&lt;c&gt;d&quot;e", L"a&amp;b&lt;c&gt;d\"e"},
    {L"&#65;&#x42;&copy&foo;", L"AB\u00A9&amp;foo;"},
    {L"&nbsp&nbsp;", L"&nbsp;&nbsp;"},
    // comments and declarations kept verbatim
    {L"a<!-- note -->b", L"a<!-- note -->b"},
    {L"<!checkbox />x<!checkbox checked />", L"<!checkbox />x<!checkbox checked />"},
    // text with markup characters is escaped
    {L"1 < 2 > 0", L"1 &lt; 2 &gt; 0"},
    // broken tags at the end of the input
    {L"abc<", L"abc&lt;"},
    {L"abc<div class=\"x", L"abc<DIV class=x></DIV>"},
    {L"<div a='1' a='2' B=3 b=4>", L"<DIV a=1 b=3></DIV>"},
    {L"<", L"&lt;"},
    {L"", L""},
};

} // namespace

TEST(Parse, BodyRoundTrips) {
    for (const auto& c : kRoundTrips) {
        std::wstring got = BodyHtml(c.input);
        EXPECT_EQ(got, c.body) << "input: " << testing::PrintToString(std::wstring(c.input));
        // stable: the serialised form parses back to itself
        EXPECT_EQ(BodyHtml(got), got) << "input: " << testing::PrintToString(std::wstring(c.input));
    }
}

TEST(Parse, DocumentAlwaysHasHtmlHeadBody) {
    const wchar_t* inputs[] = {L"", L"text only", L"<html></html>", L"<head><title>t</title></head>",
                               L"<body bgcolor=#ffffff>x</body>", L"<frameset></frameset>"};
    for (auto in : inputs) {
        auto doc = Document::Create();
        doc->LoadHtml(in);
        ASSERT_NE(doc->DocumentElement(), nullptr) << testing::PrintToString(std::wstring(in));
        EXPECT_NE(doc->Head(), nullptr);
        EXPECT_NE(doc->Body(), nullptr);
        EXPECT_EQ(doc->GetElementsByTagName(L"BODY").size(), 1u);
    }
}

TEST(Parse, NotePageTemplateKeepsItsParts) {
    auto doc = Document::Create();
    doc->LoadHtml(L"<HTML><HEAD><META content=\"IE=7.0\" http-equiv=X-UA-Compatible>\n"
                  L"<STYLE type=text/css>\nIMG {\nborder: none;\nwidth: inherit;\nmax-width: 360px;\n"
                  L"height: auto;\n}\n</STYLE>\n</HEAD>\n<BODY bgcolor=\"#ffffff\" style=\"font-size:13px; "
                  L"font-family:'Arial'; \" ><div>note</div>");
    Element* body = doc->Body();
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->GetAttribute(L"BGCOLOR"), L"#ffffff");
    EXPECT_EQ(body->GetStyle(L"font-size"), L"13px");
    EXPECT_EQ(body->GetStyle(L"font-family"), L"'Arial'");
    EXPECT_EQ(body->InnerHtml(), L"<DIV>note</DIV>");
    auto sheets = doc->StyleSheets();
    ASSERT_EQ(sheets.size(), 1u);
    StyleRule* img = sheets[0]->FindRule(L"img");
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->GetProperty(L"max-width"), L"360px");
    // the whole document is stable through a second load
    std::wstring once = doc->DocumentElement()->OuterHtml();
    auto again = Document::Create();
    again->LoadHtml(once);
    EXPECT_EQ(again->DocumentElement()->OuterHtml(), once);
}

TEST(Parse, Utf16StreamWithByteOrderMark) {
    std::wstring text = L"<div>\u00E9t\u00E9 \u4E2D</div>";
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) { bytes += char(c & 0xFF); bytes += char((c >> 8) & 0xFF); }
    auto doc = Document::Create();
    doc->SetDesignMode(true);
    doc->LoadBytes(bytes.data(), bytes.size());
    EXPECT_EQ(doc->Body()->InnerHtml(), L"<DIV>\u00E9t\u00E9 \u4E2D</DIV>");
    EXPECT_TRUE(doc->DesignMode());   // design mode survives a load
    EXPECT_FALSE(doc->IsDirty());
    // UTF-8 with and without its mark
    auto u8 = Document::Create();
    u8->LoadBytes("\xEF\xBB\xBF<b>\xC3\xA9</b>", 12);
    EXPECT_EQ(u8->Body()->InnerHtml(), L"<B>\u00E9</B>");
}

TEST(Parse, PreviewTextIsTheStartOfTheInnerText) {
    // long enough that only a part of each is parsed for the shorter previews
    std::wstring rows, table, cut;
    for (int i = 0; i < 3000; ++i) rows += L"<DIV>row " + std::to_wstring(i) + L" &amp; <B>more</B>   text</DIV>";
    for (int i = 0; i < 1000; ++i) table += L"<TR><TD>cell " + std::to_wstring(i) + L"</TD></TR>stray " + std::to_wstring(i);
    for (int i = 0; i < 2000; ++i) cut += L"&amp;&nbsp;<!-- c --><SPAN>x</SPAN>  \r\n";
    const std::wstring notes[] = {
        L"",
        L"<p>short</p>",
        L"<HEAD><TITLE>title</TITLE><STYLE>p{}</STYLE></HEAD><BODY>" + rows,
        L"<TABLE>" + table,                      // stray text goes before the still open table
        L"<TABLE>" + table + L"</TABLE>" + rows,
        L"<PRE>" + cut + L"</PRE>" + cut,
        std::wstring(20000, L' ') + L"late text",
    };
    for (const auto& html : notes) {
        auto doc = Document::Create();
        doc->LoadHtml(html);
        std::wstring whole = doc->Body()->InnerText();
        for (size_t n : {size_t(0), size_t(1), size_t(200), size_t(5000), whole.size(), whole.size() + 10}) {
            std::wstring want = whole.substr(0, n);
            EXPECT_TRUE(PreviewText(html, n) == want) << n << " of " << testing::PrintToString(html.substr(0, 60));
            EXPECT_TRUE(doc->Body()->InnerText(n) == want) << n << " of " << testing::PrintToString(html.substr(0, 60));
        }
    }
}
