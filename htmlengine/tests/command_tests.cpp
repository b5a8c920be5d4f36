// Editing commands on tables of selections: a caret, a range in one text node, a range across
// blocks and a range across a list. Each case also checks that one undo gives back the exact
// markup from before the command and that redo gives the result again.
#include "TestDoc.h"

using namespace HtmlEngine;
using namespace TestDoc;

namespace {

struct CommandCase {
    const char* name;
    int command;
    Value value;
    const wchar_t* before;   // with selection markers
    const wchar_t* after;    // BODY inner HTML
};

void RunCases(const std::vector<CommandCase>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DocumentPtr doc = Load(c.before);
        std::wstring original = Body(doc);
        CountingSink sink;
        doc->RegisterChangeSink(&sink);
        EXPECT_TRUE(doc->Exec(c.command, c.value));
        std::wstring result = Body(doc);
        EXPECT_EQ(result, c.after);
        if (result == original) continue;
        EXPECT_TRUE(doc->IsDirty());
        EXPECT_GE(sink.calls, 1);
        ASSERT_TRUE(doc->CanUndo());
        EXPECT_TRUE(doc->Exec(CMD_UNDO));
        EXPECT_EQ(Body(doc), original) << "undo";
        EXPECT_TRUE(doc->Exec(CMD_REDO));
        EXPECT_EQ(Body(doc), result) << "redo";
    }
}

} // namespace

TEST(Commands, InlineToggles) {
    RunCases({
        {"bold in one text node", CMD_BOLD, Value(), L"<DIV>a[bc]d</DIV>", L"<DIV>a<STRONG>bc</STRONG>d</DIV>"},
        {"bold again removes it", CMD_BOLD, Value(), L"<DIV>a<STRONG>[bc]</STRONG>d</DIV>", L"<DIV>abcd</DIV>"},
        {"unbold part of a B", CMD_BOLD, Value(), L"<DIV><B>a[b]c</B></DIV>", L"<DIV><B>a</B>b<B>c</B></DIV>"},
        {"bold across blocks", CMD_BOLD, Value(), L"<DIV>a[b</DIV><DIV>c]d</DIV>",
         L"<DIV>a<STRONG>b</STRONG></DIV><DIV><STRONG>c</STRONG>d</DIV>"},
        {"bold across a list", CMD_BOLD, Value(), L"<UL><LI>[a</LI><LI>b]</LI></UL>",
         L"<UL><LI><STRONG>a</STRONG></LI><LI><STRONG>b</STRONG></LI></UL>"},
        {"bold on a caret changes nothing yet", CMD_BOLD, Value(), L"<DIV>a|b</DIV>", L"<DIV>ab</DIV>"},
        {"italic", CMD_ITALIC, Value(), L"<DIV>[ab]</DIV>", L"<DIV><EM>ab</EM></DIV>"},
        {"underline", CMD_UNDERLINE, Value(), L"<DIV>x[ab]</DIV>", L"<DIV>x<U>ab</U></DIV>"},
        {"strike-through", CMD_STRIKETHROUGH, Value(), L"<DIV>[ab]</DIV>", L"<DIV><STRIKE>ab</STRIKE></DIV>"},
        {"superscript", CMD_SUPERSCRIPT, Value(), L"<DIV>x[2]</DIV>", L"<DIV>x<SUP>2</SUP></DIV>"},
        {"subscript", CMD_SUBSCRIPT, Value(), L"<DIV>H[2]O</DIV>", L"<DIV>H<SUB>2</SUB>O</DIV>"},
        {"style sheet text in the body takes no format", CMD_BOLD, Value(),
         L"<DIV>[a</DIV><STYLE>P { color: red }</STYLE><DIV>b]</DIV>",
         L"<DIV><STRONG>a</STRONG></DIV><STYLE>P { color: red }</STYLE><DIV><STRONG>b</STRONG></DIV>"},
        {"un-italic of a styled span", CMD_ITALIC, Value(), L"<DIV><SPAN style=\"font-style: italic\">[ab]</SPAN></DIV>",
         L"<DIV>ab</DIV>"},
        {"bold over alternating runs makes one element", CMD_BOLD, Value(), L"<DIV>[a<B>b</B>c<STRONG>d</STRONG>e]</DIV>",
         L"<DIV><STRONG>abcde</STRONG></DIV>"},
        {"unbold of nested and styled bold", CMD_BOLD, Value(),
         L"<DIV><B>[a<I><B>b</B></I></B><STRONG>c</STRONG><SPAN style=\"font-weight: bold\">d</SPAN><B>e]</B></DIV>",
         L"<DIV>a<I>b</I>cde</DIV>"},
        {"unbold across the ends of two elements", CMD_BOLD, Value(), L"<DIV><B>a[b</B><B>c]d</B></DIV>",
         L"<DIV><B>a</B>bc<B>d</B></DIV>"},
        {"unbold keeps a styled span's other declarations", CMD_BOLD, Value(),
         L"<DIV><SPAN style=\"color: red; font-weight: bold\">[ab]</SPAN></DIV>", L"<DIV><SPAN style=\"color: red\">ab</SPAN></DIV>"},
    });
}

TEST(Commands, FontFormats) {
    RunCases({
        {"font name", CMD_FONTNAME, Value(L"Arial"), L"<DIV>a[bc]d</DIV>", L"<DIV>a<FONT face=Arial>bc</FONT>d</DIV>"},
        {"font size", CMD_FONTSIZE, Value(int32_t(5)), L"<DIV>[ab]</DIV>", L"<DIV><FONT size=5>ab</FONT></DIV>"},
        {"font size as text", CMD_FONTSIZE, Value(L"2"), L"<DIV>[ab]</DIV>", L"<DIV><FONT size=2>ab</FONT></DIV>"},
        {"fore colour, low byte red", CMD_FORECOLOR, Value(int32_t(0x0000FF)), L"<DIV>[ab]</DIV>",
         L"<DIV><FONT color=#ff0000>ab</FONT></DIV>"},
        {"fore colour as text", CMD_FORECOLOR, Value(L"#00ff00"), L"<DIV>[ab]</DIV>",
         L"<DIV><FONT color=#00ff00>ab</FONT></DIV>"},
        {"back colour", CMD_BACKCOLOR, Value(L"#ffff80"), L"<DIV>a[b]</DIV>",
         L"<DIV>a<FONT style=\"background-color: #ffff80\">b</FONT></DIV>"},
        {"font size across blocks", CMD_FONTSIZE, Value(int32_t(1)), L"<P>a[b</P><P>c]d</P>",
         L"<P>a<FONT size=1>b</FONT></P><P><FONT size=1>c</FONT>d</P>"},
        {"re-colouring replaces the inner colour", CMD_FORECOLOR, Value(L"#0000ff"),
         L"<DIV>[a<FONT color=#ff0000>b</FONT>]</DIV>", L"<DIV><FONT color=#0000ff>ab</FONT></DIV>"},
        {"pixel size", CMD_FONTSIZE_PX, Value(int32_t(20)), L"<DIV>a[b]</DIV>",
         L"<DIV>a<FONT style=\"font-size: 20px\">b</FONT></DIV>"},
    });
}

TEST(Commands, BlockFormats) {
    RunCases({
        {"justify center on a caret", CMD_JUSTIFYCENTER, Value(), L"<DIV>a|b</DIV>", L"<DIV align=center>ab</DIV>"},
        {"justify right across blocks", CMD_JUSTIFYRIGHT, Value(), L"<DIV>[a</DIV><P>b]</P><DIV>c</DIV>",
         L"<DIV align=right>a</DIV><P align=right>b</P><DIV>c</DIV>"},
        {"justify clears inline text-align", CMD_JUSTIFYLEFT, Value(), L"<DIV style=\"text-align: right\">[a]</DIV>",
         L"<DIV align=left>a</DIV>"},
        {"justify full across a list", CMD_JUSTIFYFULL, Value(), L"<UL><LI>[a</LI><LI>b]</LI></UL>",
         L"<UL><LI align=justify>a</LI><LI align=justify>b</LI></UL>"},
        {"bare text gets a block", CMD_JUSTIFYCENTER, Value(), L"a|b", L"<DIV align=center>ab</DIV>"},
        {"numbered list on a caret", CMD_ORDERLIST, Value(), L"<DIV>a|b</DIV>", L"<OL><LI>ab</LI></OL>"},
        {"bullets across blocks", CMD_UNORDERLIST, Value(), L"<DIV>[a</DIV><DIV>b]</DIV><DIV>c</DIV>",
         L"<UL><LI>a</LI><LI>b</LI></UL><DIV>c</DIV>"},
        {"bullets on bullets unwrap", CMD_UNORDERLIST, Value(), L"<UL><LI>[a</LI><LI>b]</LI></UL>",
         L"<DIV>a</DIV><DIV>b</DIV>"},
        {"unwrap the middle item splits the list", CMD_UNORDERLIST, Value(), L"<UL><LI>a</LI><LI>|b</LI><LI>c</LI></UL>",
         L"<UL><LI>a</LI></UL><DIV>b</DIV><UL><LI>c</LI></UL>"},
        {"unwrap the last two items", CMD_UNORDERLIST, Value(), L"<UL><LI>a</LI><LI>[b</LI><LI>c]</LI></UL>",
         L"<UL><LI>a</LI></UL><DIV>b</DIV><DIV>c</DIV>"},
        {"unwrap items of a list and of the list nested in it", CMD_UNORDERLIST, Value(),
         L"<UL><LI>[a</LI><UL><LI>b]</LI></UL></UL>", L"<DIV>a</DIV><UL><DIV>b</DIV></UL>"},
        {"an item's attributes go to its DIV and back", CMD_ORDERLIST, Value(),
         L"<OL><LI align=center class=k>[a]</LI></OL>", L"<DIV align=center class=k>a</DIV>"},
        {"numbering bullets renames the list", CMD_ORDERLIST, Value(), L"<UL><LI>[a</LI><LI>b]</LI></UL>",
         L"<OL><LI>a</LI><LI>b</LI></OL>"},
        {"indent", CMD_INDENT, Value(), L"<DIV>a|b</DIV>", L"<BLOCKQUOTE dir=ltr style=\"margin-right: 0px\"><DIV>ab</DIV></BLOCKQUOTE>"},
        {"outdent", CMD_OUTDENT, Value(), L"<BLOCKQUOTE style=\"margin-right: 0px\" dir=ltr><DIV>a|b</DIV></BLOCKQUOTE>",
         L"<DIV>ab</DIV>"},
        {"indent in a list nests it", CMD_INDENT, Value(), L"<UL><LI>a</LI><LI>|b</LI></UL>",
         L"<UL><LI>a</LI><UL><LI>b</LI></UL></UL>"},
        {"outdent of a nested item", CMD_OUTDENT, Value(), L"<UL><LI>a</LI><UL><LI>|b</LI></UL></UL>",
         L"<UL><LI>a</LI><LI>b</LI></UL>"},
        {"horizontal line at a caret", CMD_HORIZONTALLINE, Value(), L"<DIV>a|b</DIV>", L"<DIV>a<HR>b</DIV>"},
        {"horizontal line replaces a range", CMD_HORIZONTALLINE, Value(), L"<DIV>a[x]b</DIV>", L"<DIV>a<HR>b</DIV>"},
    });
}

// Formats and lists over many siblings: nothing of the format is left behind however many
// elements gave it, the selection still covers the text, and one undo and redo give back each
// state exactly.
TEST(Commands, FormatsAndListsOverManySiblings) {
    std::wstring words, boldWords, items, divs;
    for (int i = 0; i < 300; ++i) {
        std::wstring n = std::to_wstring(i);
        words += L"w" + n + L" <B>b" + n + L"</B> ";
        boldWords += L"<B>w" + n + L"</B> <STRONG>b" + n + L"</STRONG> ";
        items += L"<LI>item " + n + L"</LI>";
        divs += L"<DIV>item " + n + L"</DIV>";
    }
    struct Step { const char* name; std::wstring body; int command; const wchar_t* gone; const wchar_t* kept; };
    const Step steps[] = {
        {"unbold 600 bold words", L"<DIV>" + boldWords + L"</DIV>", CMD_BOLD, L"<B>", nullptr},
        {"bold over 600 runs", L"<DIV>" + words + L"</DIV>", CMD_BOLD, L"<B>", L"<STRONG>"},
        {"remove a list of 300 items", L"<UL>" + items + L"</UL>", CMD_UNORDERLIST, L"<LI>", L"<DIV>item 299</DIV>"},
        {"make a list of 300 paragraphs", divs, CMD_ORDERLIST, L"<DIV>", L"<LI>item 299</LI>"},
        {"indent 300 paragraphs", divs, CMD_INDENT, nullptr, L"<BLOCKQUOTE"},
        {"outdent 300 paragraphs", L"<BLOCKQUOTE>" + divs + L"</BLOCKQUOTE>", CMD_OUTDENT, L"<BLOCKQUOTE", L"<DIV>item 0</DIV>"},
        {"paste 600 lines over them", divs, CMD_PASTE, L"<DIV>", L"line 599<BR>"},
    };
    std::wstring lines;
    for (int i = 0; i < 600; ++i) lines += L"line " + std::to_wstring(i) + L"\r\n";
    MemoryClipboard clip;
    clip.SetText(lines);
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        DocumentPtr doc = Load(s.body);
        doc->SetClipboard(&clip);
        doc->Exec(CMD_SELECTALL);
        std::wstring before = Body(doc), text = doc->GetSelection().Text();
        ASSERT_TRUE(doc->Exec(s.command));
        std::wstring after = Body(doc);
        if (s.gone) {
            EXPECT_EQ(after.find(s.gone), std::wstring::npos) << Show(after.substr(0, 300));
        }
        if (s.kept) {
            EXPECT_NE(after.find(s.kept), std::wstring::npos) << Show(after.substr(0, 300));
        }
        if (s.command != CMD_PASTE) {
            EXPECT_TRUE(doc->GetSelection().Text() == text);
        }
        ASSERT_TRUE(doc->Undo());
        EXPECT_TRUE(Body(doc) == before);
        ASSERT_TRUE(doc->Redo());
        EXPECT_TRUE(Body(doc) == after);
    }
}

TEST(Commands, PendingFormatOnCaretAppliesToTypedText) {
    DocumentPtr doc = Load(L"<DIV>a|b</DIV>");
    EXPECT_TRUE(doc->Exec(CMD_BOLD));
    EXPECT_TRUE(doc->QueryStatus(CMD_BOLD) & CMDF_LATCHED);
    EXPECT_TRUE(doc->Exec(CMD_FONTSIZE_PX, Value(int32_t(24))));
    EXPECT_EQ(doc->QueryValue(CMD_FONTSIZE_PX).AsText(), L"24");
    EXPECT_TRUE(doc->TypeText(L"X"));
    EXPECT_EQ(Body(doc), L"<DIV>a<SPAN style=\"font-size: 24px\"><STRONG>X</STRONG></SPAN>b</DIV>");
    // moving the caret drops pending formats
    DocumentPtr d2 = Load(L"<DIV>a|b</DIV>");
    d2->Exec(CMD_ITALIC);
    MarkupPointer p(d2.get());
    p.MoveToContainer(d2->Body()->FirstChild()->FirstChild(), true);
    d2->GetSelection().MoveCaret(p);
    d2->TypeText(L"Y");
    EXPECT_EQ(Body(d2), L"<DIV>Yab</DIV>");
}

TEST(Commands, QueryStatusFlags) {
    struct Q { const char* name; const wchar_t* html; bool design; int command; unsigned flags; };
    const Q cases[] = {
        {"bold inside STRONG is latched", L"<DIV><STRONG>a|b</STRONG></DIV>", true, CMD_BOLD, 7},
        {"bold from a style", L"<DIV style=\"font-weight: 700\">a|b</DIV>", true, CMD_BOLD, 7},
        {"bold of mixed range is off", L"<DIV>[a<B>b</B>]</DIV>", true, CMD_BOLD, 3},
        {"browse mode: not enabled", L"<DIV><B>a|b</B></DIV>", false, CMD_BOLD, 5},
        {"bullets latched in UL", L"<UL><LI>a|b</LI></UL>", true, CMD_UNORDERLIST, 7},
        {"numbers not latched in UL", L"<UL><LI>a|b</LI></UL>", true, CMD_ORDERLIST, 3},
        {"centre latched", L"<DIV align=center>a|b</DIV>", true, CMD_JUSTIFYCENTER, 7},
        {"left latched by default", L"<DIV>a|b</DIV>", true, CMD_JUSTIFYLEFT, 7},
        {"undo without history", L"<DIV>a|b</DIV>", true, CMD_UNDO, 1},
        {"copy of a caret", L"<DIV>a|b</DIV>", true, CMD_COPY, 1},
        {"edit mode latched", L"<DIV>a|b</DIV>", true, CMD_EDITMODE, 7},
        {"browse mode latched", L"<DIV>a|b</DIV>", false, CMD_BROWSEMODE, 7},
        {"print needs layout", L"<DIV>a|b</DIV>", true, CMD_PRINT, 1},
        {"clear selection", L"<DIV>a|b</DIV>", true, CMD_CLEARSELECTION, 3},
        {"unknown command", L"<DIV>a|b</DIV>", true, 12345, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DocumentPtr doc = Load(c.html, c.design);
        EXPECT_EQ(doc->QueryStatus(c.command), c.flags);
    }
}

TEST(Commands, Values) {
    struct V { const char* name; const wchar_t* html; int command; const wchar_t* text; };
    const V cases[] = {
        {"font name of FONT face", L"<FONT face=\"Verdana, sans-serif\">a|b</FONT>", CMD_FONTNAME, L"Verdana"},
        {"font name of a quoted family", L"<DIV style=\"font-family: 'Times New Roman'\">a|b</DIV>", CMD_FONTNAME, L"Times New Roman"},
        {"font size 3 by default", L"<DIV>a|b</DIV>", CMD_FONTSIZE, L"3"},
        {"font size of FONT size=5", L"<FONT size=5>a|b</FONT>", CMD_FONTSIZE, L"5"},
        {"fore colour low byte red", L"<FONT color=#ff0000>a|b</FONT>", CMD_FORECOLOR, L"255"},
        {"fore colour of a style", L"<SPAN style=\"color: rgb(0, 0, 255)\">a|b</SPAN>", CMD_FORECOLOR, L"16711680"},
        {"back colour", L"<SPAN style=\"background-color: #00ff00\">a|b</SPAN>", CMD_BACKCOLOR, L"65280"},
        {"px of FONT size=3", L"<DIV><FONT size=3>a|b</FONT></DIV>", CMD_FONTSIZE_PX, L"16"},
        {"px of 12pt", L"<DIV style=\"font-size: 12pt\">a|b</DIV>", CMD_FONTSIZE_PX, L"16"},
        {"px through ancestors", L"<DIV style=\"font-size: 13px\"><B>a|b</B></DIV>", CMD_FONTSIZE_PX, L"13"},
        {"px of FONT size=1", L"<FONT size=1>a|b</FONT>", CMD_FONTSIZE_PX, L"10"},
        {"px, inline style before size", L"<FONT size=7 style=\"font-size: 20px\">a|b</FONT>", CMD_FONTSIZE_PX, L"20"},
        {"bold as bool", L"<B>a|b</B>", CMD_BOLD, L"true"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DocumentPtr doc = Load(c.html);
        EXPECT_EQ(doc->QueryValue(c.command).AsText(), c.text);
    }
}

TEST(Commands, NothingChangesInBrowseMode) {
    const int commands[] = {CMD_BOLD, CMD_ITALIC, CMD_FONTNAME, CMD_JUSTIFYCENTER, CMD_ORDERLIST, CMD_INDENT,
                            CMD_HORIZONTALLINE, CMD_CUT, CMD_PASTE};
    for (int cmd : commands) {
        DocumentPtr doc = Load(L"<DIV>a[bc]d</DIV>", false);
        MemoryClipboard clip;
        clip.SetText(L"x");
        doc->SetClipboard(&clip);
        EXPECT_FALSE(doc->Exec(cmd, cmd == CMD_FONTNAME ? Value(L"Arial") : Value())) << cmd;
        EXPECT_EQ(Body(doc), L"<DIV>abcd</DIV>") << cmd;
        EXPECT_FALSE(doc->IsDirty());
    }
}

TEST(Commands, SelectAllAndClearSelection) {
    DocumentPtr doc = Load(L"<DIV>a|b</DIV><P>c</P>");
    EXPECT_TRUE(doc->Exec(CMD_SELECTALL));
    EXPECT_EQ(doc->GetSelection().Type(), SelectionType::Text);
    EXPECT_EQ(doc->GetSelection().Text(), L"ab\r\nc");
    EXPECT_TRUE(doc->Exec(CMD_CLEARSELECTION));
    EXPECT_EQ(doc->GetSelection().Type(), SelectionType::None);
    EXPECT_EQ(Body(doc), L"<DIV>ab</DIV><P>c</P>");
}

TEST(Commands, ModeAndOptionCommands) {
    DocumentPtr doc = Load(L"<DIV>a|b</DIV>");
    const int options[] = {CMD_AUTOURLDETECT, CMD_DISABLE_EDITFOCUS_UI, CMD_KEEPSELECTION, CMD_OVERRIDE_CURSOR};
    for (int cmd : options) {
        EXPECT_TRUE(doc->Exec(cmd, Value(true)));
        EXPECT_EQ(doc->QueryStatus(cmd), 7u) << cmd;
        EXPECT_EQ(doc->QueryValue(cmd).AsText(), L"true");
        EXPECT_TRUE(doc->Exec(cmd, Value(false)));
        EXPECT_EQ(doc->QueryStatus(cmd), 3u) << cmd;
    }
    EXPECT_TRUE(doc->Exec(CMD_BROWSEMODE));
    EXPECT_FALSE(doc->DesignMode());
    EXPECT_TRUE(doc->Exec(CMD_EDITMODE));
    EXPECT_TRUE(doc->DesignMode());
    EXPECT_FALSE(doc->IsDirty());
}
