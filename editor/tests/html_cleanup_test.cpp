#include "HtmlClearFormatting.h"
#include "HtmlNormalizeStyles.h"
#include "ByteBuffer.h"
#include "html_testutil.h"
#include "HtmlEngine.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <string>

namespace {

struct ClearCase {
    const wchar_t* html;
    const wchar_t* out[4];  // for options 0, 1 (links), 2 (images), 3 (both); null: as option 0
};

TEST(HtmlClearFormatting, OptionsTable)
{
    const ClearCase cases[] = {
        {L"<FONT color=red>x</FONT>", {L"x"}},
        {L"<font>a<b>b</b><I>i</I><u>u</u><strong>s</strong><strike>k</strike></font>", {L"abiusk"}},
        {L"<form><svg><path d=1/></svg></form>", {L""}},
        // the separator stays, and each removed attribute leaves one blank
        {L"<H1 class=t style=\"a:b\">T</H1>", {L"<DIV    >T</DIV>"}},
        {L"<P>a</P>", {L"<DIV>a</DIV><DIV></DIV>"}},
        {L"<p>a", {L"<DIV>a"}},
        {L"<p/>", {L"<DIV></DIV><DIV></DIV>"}},
        {L"<code>c</code><label>l</label><textarea>t</textarea><button>b</button>",
         {L"<DIV>c</DIV><DIV>l</DIV><DIV>t</DIV><DIV>b</DIV>"}},
        {L"<A href=\"u\" class=c>l</A>",
         {L"<A href=\"u\"  >l</A>", L"<SPAN    >l</SPAN>", nullptr, L"<SPAN    >l</SPAN>"}},
        {L"<IMG src=a.png class=c>", {L"<IMG src=a.png class=c>", nullptr, L"", L""}},
        {L"<P class=c><A href=u>l</A><IMG src=i></P>",
         {L"<DIV  ><A href=u>l</A><IMG src=i></DIV><DIV></DIV>", L"<DIV  ><SPAN  >l</SPAN><IMG src=i></DIV><DIV></DIV>",
          L"<DIV  ><A href=u>l</A></DIV><DIV></DIV>", L"<DIV  ><SPAN  >l</SPAN></DIV><DIV></DIV>"}},
        {L"<table class=t><tr style=s><td class=c>x</td></tr></table>",
         {L"<table  ><tr  ><td  >x</td></tr></table>"}},
        // tags in no table come back as they were, attributes included
        {L"<BR><BLOCKQUOTE style=x>q</BLOCKQUOTE>", {L"<BR><BLOCKQUOTE style=x>q</BLOCKQUOTE>"}},
        {L"<DIV STYLE=\"x\">y</DIV>", {L"<DIV STYLE=\"x\">y</DIV>"}},
        {L"<STYLE>p{}</STYLE><!-- c --><!DOCTYPE html>", {L"<STYLE>p{}</STYLE><!-- c --><!DOCTYPE html>"}},
        // numbered lists go like bulleted ones
        {L"<OL><LI>one</LI></OL><UL><LI>two</LI></UL>", {L"onetwo"}},
        // to-do boxes keep their checked state; other form fields go
        {L"<SPAN contentEditable=false class=x><INPUT type=checkbox checked /></SPAN>",
         {L"<SPAN contentEditable=false  ><INPUT type=checkbox checked/></SPAN>"}},
        {L"<input TYPE=\"CheckBox\"><input type=text value=v><input>", {L"<input TYPE=\"CheckBox\">"}},
        {L"<!checkbox checked />x<!checkbox />", {L"<!checkbox checked />x<!checkbox />"}},
        {L"plain & simple", {L"plain & simple"}},
        // a "<" of the text that would meet a letter once the tag between them goes
        {L"a<<font>b</font> </<b>i</b> <<B>", {L"a&lt;b &lt;/i <"}},
    };
    for (const ClearCase& c : cases) {
        for (int options = 0; options < 4; ++options) {
            CString html = c.html;
            HtmlClearFormatting(html, options);
            const wchar_t* expected = c.out[options] ? c.out[options] : c.out[0];
            EXPECT_EQ(Narrow(expected), Narrow(html)) << Narrow(c.html) << " options " << options;
        }
    }
}

int DeepestElement(const HtmlEngine::Node* node, int depth = 0)
{
    int deepest = depth;
    for (const auto& child : node->Children())
        if (child->Type() == HtmlEngine::NodeType::Element)
            deepest = std::max(deepest, DeepestElement(child.get(), depth + 1));
    return deepest;
}

// What the clean-up writes must read back in HTML as it was meant: paragraphs and empty
// paragraphs side by side, not each one inside the one before.
TEST(HtmlClearFormatting, CleanedParagraphsStaySideBySideInTheEngine)
{
    struct {
        const wchar_t* paragraph;
        size_t blocksEach;   // DIVs each paragraph leaves directly under BODY
    } cases[] = {
        {L"<P>a</P>", 2},
        {L"<p class=c/>", 2},
        {L"<H1>t</H1><P style=x>b</P>", 3},
        {L"<code/>", 1},
    };
    for (const auto& c : cases) {
        CString html;
        for (int i = 0; i < 1000; ++i)
            html += c.paragraph;
        HtmlClearFormatting(html, 0);
        auto doc = HtmlEngine::Document::Create();
        doc->LoadHtml(std::wstring(L"<BODY>") + html.GetString() + L"</BODY>");
        ASSERT_NE(nullptr, doc->Body());
        EXPECT_EQ(1, DeepestElement(doc->Body())) << Narrow(c.paragraph);
        EXPECT_EQ(1000 * c.blocksEach, doc->Body()->ChildCount()) << Narrow(c.paragraph);
    }
}

CString Normalize(const wchar_t* html, int options = 0)
{
    CString out;
    EXPECT_TRUE(HtmlNormalizeStyles(html, out, options));
    return out;
}

TEST(HtmlNormalizeStyles, HeadingsBecomeSizedBoldDivs)
{
    const wchar_t* sizes[] = {L"32px", L"24px", L"18px", L"16px", L"13px", L"10px"};
    for (int level = 1; level <= 6; ++level) {
        CString html, expected;
        html.Format(L"<H%d>T</h%d>", level, level);
        expected.Format(L"<DIV style=\"font-size: %s; font-weight: bold\">T</DIV>", sizes[level - 1]);
        EXPECT_EQ(Narrow(expected), Narrow(Normalize(html))) << level;
    }
    EXPECT_EQ("<DIV class=t style=\"color: red; font-size: 24px; font-weight: bold\">x</DIV>",
              Narrow(Normalize(L"<h2 class=t style='color: red; margin: 0; font-size: 9pt'>x</h2>")));
}

TEST(HtmlNormalizeStyles, Table)
{
    struct Case {
        const wchar_t* html;
        int options;
        const wchar_t* out;
    } cases[] = {
        // each paragraph becomes a DIV followed by an empty line
        {L"<p>a</p><p>b</p>", 0, L"<DIV>a</DIV><DIV>&nbsp;</DIV><DIV>b</DIV><DIV>&nbsp;</DIV>"},
        {L"<div><p/></div>", 0, L"<div><DIV/><DIV>&nbsp;</DIV></div>"},
        {L"<FOOTER>f</FOOTER>", 0, L"<DIV>f</DIV>"},
        // Office paragraph marks vanish, their content stays; the name is matched exactly
        {L"<div>x<o:p>&nbsp;</o:p></div>", 0, L"<div>x&nbsp;</div>"},
        {L"<div><O:P>y</O:P></div>", 0, L"<div><O:P>y</O:P></div>"},
        // block spacing goes, margin-left stays
        {L"<div style=\"margin: 0; margin-left: 10px; padding-top: 2px; color: red\">x</div>", 0,
         L"<div style=\"margin-left: 10px; color: red\">x</div>"},
        {L"<div style='margin-top:1px;padding:0;padding-bottom:0;margin-bottom:0' id=1>x</div>", 0,
         L"<div id=1>x</div>"},
        // a style with nothing to remove keeps its own text
        {L"<div style='color:red' class=a>x</div>", 0, L"<div style='color:red' class=a>x</div>"},
        {L"<div style=\"background: url(data:image/png;base64,AA==); margin: 0\">x</div>", 0,
         L"<div style=\"background: url(data:image/png;base64,AA==)\">x</div>"},
        // loose top-level content is wrapped once, unless asked not to
        {L"text<div>a</div>", 0, L"<DIV>text<div>a</div></DIV>"},
        {L"text<div>a</div>", HtmlNormalizeNoWrap, L"text<div>a</div>"},
        {L"<b>x</b>", 0, L"<DIV><b>x</b></DIV>"},
        {L"<div>a</div>\r\n<div>b</div>\r\n", 0, L"<div>a</div>\r\n<div>b</div>\r\n"},
        {L"<h1>T</h1>", 0, L"<DIV style=\"font-size: 32px; font-weight: bold\">T</DIV>"},
        // an end tag that closes nothing is dropped
        {L"a</div>b", 0, L"<DIV>ab</DIV>"},
        {L"<</div>b", 0, L"<DIV>&lt;b</DIV>"},
        {L"<div>a</div></div>", 0, L"<div>a</div>"},
        // stored check boxes and comments pass through
        {L"<div><!checkbox checked />task</div>", 0, L"<div><!checkbox checked />task</div>"},
        {L"", 0, L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Narrow(c.out), Narrow(Normalize(c.html, c.options))) << Narrow(c.html);
}

TEST(HtmlNormalizeStyles, ByteBufferOutput)
{
    CByteBuffer out;
    ASSERT_TRUE(HtmlNormalizeStyles(L"<p>\x0436</p>", &out, 0));
    CString expected = L"<DIV>\x0436</DIV><DIV>&nbsp;</DIV>";
    ASSERT_EQ(expected.GetLength() * 2, out.size);
    EXPECT_EQ(0, memcmp(out.data, expected.GetString(), out.size));
    EXPECT_EQ(0, out.data[out.size]);  // the buffer's own terminator
    EXPECT_EQ(0, out.data[out.size + 1]);

    CByteBuffer untouched;
    EXPECT_FALSE(HtmlNormalizeStyles(nullptr, &untouched, 0));
    EXPECT_FALSE(HtmlNormalizeStyles(L"<p>", nullptr, 0));
    EXPECT_EQ(0, untouched.size);
    EXPECT_EQ(nullptr, untouched.data);
}

}  // namespace
