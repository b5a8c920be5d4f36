#include "HtmlNode.h"
#include "ByteBuffer.h"
#include "html_testutil.h"
#include <gtest/gtest.h>
#include <string>

namespace {

// "T:text", "E:tag[attributes]" (with "/" before the tag for an end tag and after it when
// self-closing), "C:comment", "S:style", separated by " | ".
std::string Describe(const CHtmlNode& root)
{
    std::string out;
    for (int i = 0; i < root.GetChildCount(); ++i) {
        const CHtmlNode& n = *root.GetChild(i);
        if (i)
            out += " | ";
        switch (n.m_kind) {
        case CHtmlNode::NodeText: out += "T:" + Narrow(n.m_text); break;
        case CHtmlNode::NodeComment: out += "C:" + Narrow(n.m_text); break;
        case CHtmlNode::NodeStyle: out += "S:" + Narrow(n.m_text); break;
        default:
            out += "E:";
            if (n.m_closing)
                out += "/";
            out += Narrow(n.m_tag);
            if (!n.m_attributes.IsEmpty())
                out += "[" + Narrow(n.m_attributes) + "]";
            if (n.m_selfClosing)
                out += "/";
        }
    }
    return out;
}

struct ParseCase {
    const wchar_t* html;
    bool trim;
    const char* nodes;
    const wchar_t* written;  // null: the input itself
};

TEST(HtmlNode, ParseAndWrite)
{
    const ParseCase cases[] = {
        {L"a<b>c</b>", false, "T:a | E:b | T:c | E:/b", nullptr},
        {L"<br/>", false, "E:br/", nullptr},
        {L"<img src=x />", false, "E:img[src=x]/", L"<img src=x/>"},
        {L"<p  class=x   >", false, "E:p[class=x]", L"<p class=x>"},
        {L"<!-- a > b -->", false, "C:<!-- a > b -->", nullptr},
        {L"<![endif]>x", false, "C:<![endif]> | T:x", nullptr},
        {L"<style>p{}</STYLE>x", false, "S:<style>p{}</STYLE> | T:x", nullptr},
        {L"<style type=\"a>b\">p{}</style >", false, "S:<style type=\"a>b\">p{}</style >", nullptr},
        {L"<stylesheet>x", false, "E:stylesheet | T:x", nullptr},
        {L"  <b> x </b>  ", true, "E:b | T:x | E:/b", L"<b>x</b>"},
        {L"  <b> x </b>  ", false, "T:   | E:b | T: x  | E:/b | T:  ", nullptr},
        // a declaration ends at its ">" instead of running on to the next "-->"
        {L"<!DOCTYPE html><p>x</p>", false, "C:<!DOCTYPE html> | E:p | T:x | E:/p", nullptr},
        // the stored check boxes pass through whole
        {L"<!checkbox />a<!checkbox checked />", false, "C:<!checkbox /> | T:a | C:<!checkbox checked />", nullptr},
        // a ">" inside a quoted value belongs to the value
        {L"<a title=\"x>y\" href='p>q'>t</a>", false, "E:a[title=\"x>y\" href='p>q'] | T:t | E:/a", nullptr},
        {L"<a title=x>y>", false, "E:a[title=x] | T:y>", nullptr},
        // a "<" that cannot open a tag is text
        {L"1 < 2 <3 </ p> a<", false, "T:1 < 2 <3 </ p> a<", nullptr},
        {L"<?xml version=\"1.0\"?><b>", false, "E:?xml[version=\"1.0\"?] | E:b", nullptr},
        {L"<a x/ >", false, "E:a[x/]", L"<a x/ >"},
        // unterminated constructs are closed, so the text reads back the same way
        {L"<p class=\"x", false, "E:p[class=\"x\"]", L"<p class=\"x\">"},
        {L"x<b", false, "T:x | E:b", L"x<b>"},
        {L"<!-- a", false, "C:<!-- a-->", L"<!-- a-->"},
        {L"<![if x", false, "C:<![if x]>", L"<![if x]>"},
        {L"<!DOCTYPE html", false, "C:<!DOCTYPE html>", L"<!DOCTYPE html>"},
        {L"<style>p{", false, "S:<style>p{</style>", L"<style>p{</style>"},
        {L"<style a='", false, "S:<style a=''></style>", L"<style a=''></style>"},
        {L"", false, "", nullptr},
    };
    for (const ParseCase& c : cases) {
        CHtmlNode root(CHtmlNode::NodeText);
        EXPECT_EQ(1, root.Parse(c.html, c.trim));
        EXPECT_EQ(c.nodes, Describe(root)) << Narrow(c.html);
        CString out;
        root.ToHtml(out);
        EXPECT_EQ(Narrow(c.written ? c.written : c.html), Narrow(out)) << Narrow(c.html);
        // what was written reads back as the same nodes
        CHtmlNode again(CHtmlNode::NodeText);
        again.Parse(out, c.trim);
        EXPECT_EQ(Describe(root), Describe(again)) << Narrow(c.html);
    }
}

TEST(HtmlNode, ParseNullAndChildren)
{
    CHtmlNode root(CHtmlNode::NodeText);
    EXPECT_EQ(0, root.Parse(nullptr, false));
    EXPECT_EQ(0, root.GetChildCount());
    root.Parse(L"a<b>c", false);
    EXPECT_EQ(nullptr, root.GetChild(-1));
    EXPECT_EQ(nullptr, root.GetChild(3));
    CHtmlNode* first = new CHtmlNode(CHtmlNode::NodeText);
    first->m_text = L"0";
    root.InsertChild(0, first);
    CHtmlNode* last = new CHtmlNode(CHtmlNode::NodeText);
    last->m_text = L"9";
    root.InsertChild(99, last);
    CString out;
    root.ToHtml(out);
    EXPECT_EQ("0a<b>c9", Narrow(out));

    CByteBuffer buffer;
    ASSERT_TRUE(root.WriteHtml(buffer));
    ASSERT_EQ(out.GetLength() * 2, buffer.size);
    EXPECT_EQ(0, memcmp(buffer.data, out.GetString(), buffer.size));
}

TEST(HtmlNode, PlainTextCaps)
{
    struct Case {
        const wchar_t* html;
        int maxLength;
        const wchar_t* text;
    } cases[] = {
        {L"Hello world", 0, L" Hello world "},
        {L"Hello world", 5, L" Hell "},
        {L"Hello world", -1, L" Hello world "},
        {L"<b>abc</b>defgh", 6, L" abc d "},
        {L"<b>abc</b>defgh", 100, L" abc defgh "},
        {L"a&nbsp;b &quot;q&quot; &nbspc &amp;", 0, L" a b \"q\" &nbspc &amp; "},
        {L"<!-- note --><!checkbox checked />task<style>p{}</style>", 0, L" task "},
        // a cut never splits a surrogate pair
        {L"ab\xD83D\xDE00z", 4, L" ab "},
    };
    for (const auto& c : cases) {
        CHtmlNode root(CHtmlNode::NodeText);
        root.Parse(c.html, true);
        CString out;
        root.GetPlainText(out, c.maxLength);
        EXPECT_EQ(Narrow(c.text), Narrow(out)) << Narrow(c.html) << " cap " << c.maxLength;
    }
}

TEST(HtmlNode, LookupTagId)
{
    const wchar_t* const names[] = {L"P", L"DIV", nullptr};
    const UINT ids[] = {73, 30, 0};
    CHtmlNode node(CHtmlNode::NodeElement);
    node.m_tag = L"div";
    EXPECT_EQ(0, node.LookupTagId(names, ids));
    EXPECT_EQ(30u, node.m_tagId);
    CHtmlNode other(CHtmlNode::NodeElement);
    other.m_tag = L"span";
    EXPECT_NE(0, other.LookupTagId(names, ids));
    EXPECT_EQ(0u, other.m_tagId);
}

TEST(HtmlNode, FindAttribute)
{
    struct Case {
        const wchar_t* attributes;
        const wchar_t* name;
        const wchar_t* found;  // null: not found
    } cases[] = {
        {L"class=a style=\"color: red\" id=3", L"style", L"style=\"color: red\""},
        {L"class=a STYLE=\"color: red\"", L"style", nullptr},
        {L"data-style=\"x\" style=y", L"style", L"style=y"},
        {L"title=\"style=x\"", L"style", nullptr},
        {L"styles=x", L"style", nullptr},
        {L"style = 'a b' id=1", L" style ", L"style = 'a b'"},
        {L"hidden style", L"style", L"style"},
        {L"style=\"open", L"style", L"style=\"open"},
        {L"a=1", L"", nullptr},
    };
    for (const auto& c : cases) {
        CHtmlNode node(CHtmlNode::NodeElement);
        node.m_tag = L"p";
        node.m_attributes = c.attributes;
        int start = 7, end = 7;
        int found = node.FindAttribute(c.name, start, end);
        if (c.found) {
            ASSERT_EQ(1, found) << Narrow(c.attributes);
            EXPECT_EQ(Narrow(c.found), Narrow(node.m_attributes.Mid(start, end - start)));
        } else {
            EXPECT_EQ(0, found) << Narrow(c.attributes);
            EXPECT_EQ(-1, start);
            EXPECT_EQ(-1, end);
        }
    }
}

std::string DescribeMap(const CHtmlAttributeMap& map)
{
    std::string out;
    for (int i = 0; i < map.GetCount(); ++i)
        out += Narrow(map.GetKeyAt(i)) + "=" + Narrow(map.GetValueAt(i)) + ";";
    return out;
}

TEST(HtmlNode, StyleMapReadsEveryQuotingForm)
{
    struct Case {
        const wchar_t* attributes;
        const char* map;
    } cases[] = {
        {L"style=\"COLOR: red; FONT-SIZE: 12px\"", "color=red;font-size=12px;"},
        {L"style='color:red'", "color=red;"},
        {L"id=1 style=color:red;margin:0 class=x", "color=red;margin=0;"},
        {L"style=\"background: url(data:image/png;base64,AA==); color: red\"",
         "background=url(data:image/png;base64,AA==);color=red;"},
        {L"style=\"font-family: &quot;Times New Roman&quot;; color: red\"",
         "font-family=\"Times New Roman\";color=red;"},
        {L"style=\"font-family: &#34;A&#34;\"", "font-family=\"A\";"},
        {L"style='content: \"a;b\"; x: y'", "content=\"a;b\";x=y;"},
        {L"style=\"a: b; nocolon; :x; ; c : d ;\"", "a=b;c=d;"},
        {L"style=\"a: 1; A: 2\"", "a=2;"},
        {L"style", ""},
        {L"class=x", ""},
    };
    for (const auto& c : cases) {
        CHtmlNode node(CHtmlNode::NodeElement);
        node.m_tag = L"div";
        node.m_attributes = c.attributes;
        CHtmlAttributeMap map;
        node.GetStyleMap(map);
        EXPECT_EQ(c.map, DescribeMap(map)) << Narrow(c.attributes);
    }
}

TEST(HtmlNode, StyleMapWritesBack)
{
    struct Case {
        const wchar_t* before;
        const wchar_t* after;  // after reading the map and writing it back unchanged
    } cases[] = {
        {L"class=a style='COLOR:red' id=2", L"class=a style=\"color: red\" id=2"},
        {L"class=a", L"class=a"},
        {L"style=\"font-family: &quot;A B&quot;\"", L"style=\"font-family: &quot;A B&quot;\""},
        {L"style='font-family: \"A\"'", L"style=\"font-family: &quot;A&quot;\""},
        // only the first "style" counts; the others go
        {L"style=\"a: 1\" x=1 style=\"b: 2\" style=c:3", L"style=\"a: 1\" x=1"},
    };
    for (const auto& c : cases) {
        CHtmlNode node(CHtmlNode::NodeElement);
        node.m_tag = L"div";
        node.m_attributes = c.before;
        CHtmlAttributeMap map;
        node.GetStyleMap(map);
        node.SetStyleMap(map);
        EXPECT_EQ(Narrow(c.after), Narrow(node.m_attributes)) << Narrow(c.before);
        CHtmlAttributeMap again;
        node.GetStyleMap(again);
        EXPECT_EQ(DescribeMap(map), DescribeMap(again));
    }

    CHtmlNode node(CHtmlNode::NodeElement);
    node.m_tag = L"div";
    node.m_attributes = L"class=a style=\"color: red\"";
    node.SetStyleMap(CHtmlAttributeMap());
    EXPECT_EQ("class=a ", Narrow(node.m_attributes));  // the blank before it stays

    CHtmlAttributeMap map;
    map.SetAt(L"padding", L"0");
    map.SetAt(L"padding-left", L"3px");
    map.SetAt(L"padding", L"1px");  // set again: moves behind the longhand, as CSS reads it
    node.SetStyleMap(map);
    EXPECT_EQ("class=a style=\"padding-left: 3px; padding: 1px\"", Narrow(node.m_attributes));
}

TEST(HtmlNode, AttributeTextHelpers)
{
    struct Case {
        const wchar_t* text;
        const char* map;
        int stop;
        const wchar_t* joined;
    } cases[] = {
        {L" src=\"a b.png\" alt=x hidden data-x='1>2'>rest", "src=\"a b.png\";alt=x;hidden=;data-x='1>2';", 40,
         L"src=\"a b.png\" alt=x hidden data-x='1>2' "},
        {L"hash=\"abc\" type=\"image/png\"/>", "hash=\"abc\";type=\"image/png\";", 28,
         L"hash=\"abc\" type=\"image/png\" "},
        {L"a = \"b\" c", "a=\"b\";c=;", 9, L"a=\"b\" c "},
        {L"x=1 y=\"open", "x=1;y=\"open;", 11, L"x=1 y=\"open "},
        {L"", "", 0, L""},
    };
    for (const auto& c : cases) {
        CHtmlAttributeMap map;
        EXPECT_EQ(c.stop, HtmlParseAttributes(c.text, map)) << Narrow(c.text);
        EXPECT_EQ(c.map, DescribeMap(map)) << Narrow(c.text);
        EXPECT_EQ(Narrow(c.joined), Narrow(HtmlJoinAttributes(map)));
    }
    CHtmlAttributeMap map;
    EXPECT_EQ(0, HtmlParseAttributes(nullptr, map));

    CHtmlNode node(CHtmlNode::NodeElement);
    node.m_attributes = L"type=\"checkbox\" checked value=x";
    CString value;
    EXPECT_TRUE(node.GetAttributeValue(L"type", value));
    EXPECT_EQ("checkbox", Narrow(value));
    EXPECT_TRUE(node.GetAttributeValue(L"checked", value));
    EXPECT_EQ("", Narrow(value));
    EXPECT_FALSE(node.GetAttributeValue(L"name", value));
    EXPECT_EQ(1, node.RemoveAttribute(L"value"));
    EXPECT_EQ("type=\"checkbox\" checked  ", Narrow(node.m_attributes));
}

}  // namespace
