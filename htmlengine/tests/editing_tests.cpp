// Typing, Enter, Backspace and Delete; copy, cut and paste through the clipboard seam with the
// "HTML Format" text; the check box form of the editor.
#include <algorithm>
#include <cstring>
#include "TestDoc.h"

using namespace HtmlEngine;
using namespace TestDoc;

TEST(Editing, KeysOnSelections) {
    struct K { const char* name; const wchar_t* before; int key; const wchar_t* after; };
    enum { TYPE_X, ENTER, SHIFT_ENTER, BACKSPACE, DEL };
    const K cases[] = {
        {"type at a caret", L"<DIV>a|b</DIV>", TYPE_X, L"<DIV>aXb</DIV>"},
        {"type over a range", L"<DIV>a[bc]d</DIV>", TYPE_X, L"<DIV>aXd</DIV>"},
        {"type over a range across blocks joins them", L"<DIV>a[b</DIV><DIV>c]d</DIV>", TYPE_X, L"<DIV>aXd</DIV>"},
        {"type over a range across a list", L"<UL><LI>a[b</LI><LI>c]d</LI></UL>", TYPE_X, L"<UL><LI>aXd</LI></UL>"},
        {"type into an empty DIV", L"<DIV style=\"font-size: 13px\">|</DIV>", TYPE_X, L"<DIV style=\"font-size: 13px\">X</DIV>"},
        {"enter splits a DIV", L"<DIV>a|b</DIV>", ENTER, L"<DIV>a</DIV><DIV>b</DIV>"},
        {"enter splits inline formats", L"<DIV><B>a|b</B></DIV>", ENTER, L"<DIV><B>a</B></DIV><DIV><B>b</B></DIV>"},
        {"enter at the end of a list item", L"<UL><LI>ab|</LI></UL>", ENTER, L"<UL><LI>ab</LI><LI></LI></UL>"},
        {"enter over a range", L"<DIV>a[b]c</DIV>", ENTER, L"<DIV>a</DIV><DIV>c</DIV>"},
        {"shift+enter", L"<DIV>a|b</DIV>", SHIFT_ENTER, L"<DIV>a<BR>b</DIV>"},
        {"backspace a character", L"<DIV>ab|c</DIV>", BACKSPACE, L"<DIV>ac</DIV>"},
        {"backspace at a block start joins", L"<DIV>a</DIV><DIV>|b</DIV>", BACKSPACE, L"<DIV>ab</DIV>"},
        {"backspace a range", L"<DIV>a[bc]d</DIV>", BACKSPACE, L"<DIV>ad</DIV>"},
        {"backspace over an image", L"<DIV>a<IMG src=x>|b</DIV>", BACKSPACE, L"<DIV>ab</DIV>"},
        {"backspace at the document start", L"<DIV>|ab</DIV>", BACKSPACE, L"<DIV>ab</DIV>"},
        {"delete a character", L"<DIV>a|bc</DIV>", DEL, L"<DIV>ac</DIV>"},
        {"delete at a block end joins", L"<DIV>a|</DIV><P>b</P>", DEL, L"<DIV>ab</DIV>"},
        {"delete at the document end", L"<DIV>ab|</DIV>", DEL, L"<DIV>ab</DIV>"},
        {"delete a check box", L"<DIV>a|<SPAN contentEditable=false><INPUT type=checkbox></SPAN>b</DIV>", DEL,
         L"<DIV>ab</DIV>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = Load(c.before);
        std::wstring original = Body(doc);
        switch (c.key) {
        case TYPE_X: doc->TypeText(L"X"); break;
        case ENTER: doc->InsertParagraph(); break;
        case SHIFT_ENTER: doc->InsertLineBreak(); break;
        case BACKSPACE: doc->DeleteBackward(); break;
        case DEL: doc->DeleteForward(); break;
        }
        std::wstring result = Body(doc);
        EXPECT_EQ(result, c.after);
        if (result != original) {
            EXPECT_TRUE(doc->Undo());
            EXPECT_EQ(Body(doc), original) << "undo";
        }
    }
}

TEST(Editing, TypingJoinsOneUndoUnit) {
    auto doc = Load(L"<DIV>|</DIV>");
    for (wchar_t c : std::wstring(L"hello")) doc->TypeText(std::wstring(1, c));
    doc->InsertParagraph();
    for (wchar_t c : std::wstring(L"you")) doc->TypeText(std::wstring(1, c));
    EXPECT_EQ(Body(doc), L"<DIV>hello</DIV><DIV>you</DIV>");
    EXPECT_TRUE(doc->Undo());
    EXPECT_EQ(Body(doc), L"<DIV>hello</DIV><DIV></DIV>");
    EXPECT_TRUE(doc->Undo());
    EXPECT_EQ(Body(doc), L"<DIV>hello</DIV>");
    EXPECT_TRUE(doc->Undo());
    EXPECT_EQ(Body(doc), L"<DIV></DIV>");
    EXPECT_FALSE(doc->Undo());
    // the caret comes back with the undo: typing goes where it was
    doc->TypeText(L"Z");
    EXPECT_EQ(Body(doc), L"<DIV>Z</DIV>");
}

TEST(Editing, AutomaticLinks) {
    auto doc = Load(L"<DIV>see |</DIV>");
    doc->Exec(CMD_AUTOURLDETECT, Value(true));
    for (wchar_t c : std::wstring(L"http://x.org/a ")) doc->TypeText(std::wstring(1, c));
    EXPECT_EQ(Body(doc), L"<DIV>see <A href=\"http://x.org/a\">http://x.org/a</A> </DIV>");
    auto off = Load(L"<DIV>see |</DIV>");
    for (wchar_t c : std::wstring(L"http://x.org/a ")) off->TypeText(std::wstring(1, c));
    EXPECT_EQ(Body(off), L"<DIV>see http://x.org/a </DIV>");
}

TEST(Editing, CopyWritesHtmlFormatAndText) {
    auto doc = Load(L"<DIV>a[b<B>c</B></DIV><DIV>d]e</DIV>");
    doc->SetUrl(L"http://127.0.0.1:8080/note");
    MemoryClipboard clip;
    doc->SetClipboard(&clip);
    EXPECT_EQ(doc->QueryStatus(CMD_COPY), 3u);
    ASSERT_TRUE(doc->Exec(CMD_COPY));
    std::string raw;
    ASSERT_TRUE(clip.GetHtmlFormat(&raw));
    std::wstring fragment;
    ASSERT_TRUE(ExtractHtmlFragment(raw, &fragment));
    EXPECT_EQ(fragment, L"<DIV>b<B>c</B></DIV><DIV>d</DIV>");
    EXPECT_EQ(HtmlFormatSourceUrl(raw), L"http://127.0.0.1:8080/note");
    std::wstring text;
    ASSERT_TRUE(clip.GetUnicodeText(&text));
    EXPECT_EQ(text, L"bc\r\nd");
    // the header's offsets point at the markers and the html
    auto num = [&](const char* key) {
        size_t at = raw.find(key);
        return at == std::string::npos ? std::string::npos : size_t(std::stoul(raw.substr(at + std::strlen(key))));
    };
    size_t sf = num("StartFragment:"), ef = num("EndFragment:"), sh = num("StartHTML:"), eh = num("EndHTML:");
    ASSERT_NE(sf, std::string::npos);
    EXPECT_EQ(raw.compare(sf - 20, 20, "<!--StartFragment-->"), 0);
    EXPECT_EQ(raw.compare(ef, 18, "<!--EndFragment-->"), 0);
    EXPECT_EQ(raw.compare(sh, 6, "<html>"), 0);
    EXPECT_EQ(eh, raw.size());
    EXPECT_FALSE(doc->IsDirty());   // copying changes nothing
}

TEST(Editing, CutAndPaste) {
    auto doc = Load(L"<DIV>a[bc]d</DIV>");
    MemoryClipboard clip;
    doc->SetClipboard(&clip);
    ASSERT_TRUE(doc->Exec(CMD_CUT));
    EXPECT_EQ(Body(doc), L"<DIV>ad</DIV>");
    EXPECT_TRUE(doc->Exec(CMD_PASTE));
    EXPECT_EQ(Body(doc), L"<DIV>abcd</DIV>");
    EXPECT_TRUE(doc->Exec(CMD_PASTE));
    EXPECT_EQ(Body(doc), L"<DIV>abcbcd</DIV>");
    EXPECT_TRUE(doc->Exec(CMD_UNDO));
    EXPECT_TRUE(doc->Exec(CMD_UNDO));
    EXPECT_TRUE(doc->Exec(CMD_UNDO));
    EXPECT_EQ(Body(doc), L"<DIV>abcd</DIV>");
    // plain text on the clipboard: escaped, line breaks become BR
    auto d2 = Load(L"<DIV>x|y</DIV>");
    d2->SetClipboard(&clip);
    clip.SetText(L"1<2\r\nnext");
    EXPECT_TRUE(d2->Exec(CMD_PASTE));
    EXPECT_EQ(Body(d2), L"<DIV>x1&lt;2<BR>nexty</DIV>");
    // HTML Format without an end marker falls back to the text
    clip.SetContent("Version:0.9\r\n<html><body><!--StartFragment--><b>x</b>", L"plain");
    EXPECT_TRUE(d2->Exec(CMD_PASTE));
    EXPECT_NE(Body(d2).find(L"plain"), std::wstring::npos);
    // an empty clipboard: nothing to paste
    clip.Clear();
    EXPECT_EQ(d2->QueryStatus(CMD_PASTE), 1u);
    EXPECT_FALSE(d2->Exec(CMD_PASTE));
    // pasting over a selected image replaces it
    auto d3 = Load(L"<DIV>a<IMG src=x>b</DIV>");
    d3->SetClipboard(&clip);
    clip.SetContent(BuildHtmlFormat(L"<I>i</I>", L""), L"i");
    d3->GetSelection().SelectElement(d3->GetElementsByTagName(L"IMG")[0].get());
    EXPECT_TRUE(d3->Exec(CMD_PASTE));
    EXPECT_EQ(Body(d3), L"<DIV>a<I>i</I>b</DIV>");
    // a selection holding a comment that reads like the fragment's end marker pastes whole
    auto d4 = Load(L"<DIV>[1<!--EndFragment-->2<!--StartFragment-->3]</DIV>");
    d4->SetClipboard(&clip);
    ASSERT_TRUE(d4->Exec(CMD_COPY));
    d4->Exec(CMD_SELECTALL);
    ASSERT_TRUE(d4->Exec(CMD_PASTE));
    EXPECT_EQ(Body(d4), L"1<!--EndFragment-->2<!--StartFragment-->3");
}

TEST(Editing, HtmlFormatParsing) {
    struct H { const char* data; bool ok; const wchar_t* fragment; const wchar_t* url; };
    const H cases[] = {
        {"Version:0.9\r\nSourceURL: http://a.b/c \r\n<html><!--StartFragment-->x<!--EndFragment--></html>", true, L"x",
         L"http://a.b/c"},
        {"<!--startfragment-->\xC3\xA9<!--ENDFRAGMENT-->", true, L"\u00E9", L""},
        {"<!--EndFragment--><!--StartFragment-->", false, L"", L""},
        {"", false, L"", L""},
        {"<!--StartFragment-->", false, L"", L""},
        // a fragment holding comments that read like the markers ends at the last end marker
        {"<!--StartFragment-->a<!--EndFragment-->b<!--StartFragment-->c<!--EndFragment-->", true,
         L"a<!--EndFragment-->b<!--StartFragment-->c", L""},
    };
    for (const auto& c : cases) {
        std::wstring f;
        EXPECT_EQ(ExtractHtmlFragment(c.data, &f), c.ok) << c.data;
        if (c.ok) { EXPECT_EQ(f, c.fragment); }
        EXPECT_EQ(HtmlFormatSourceUrl(c.data), c.url) << c.data;
    }
    // build then extract gives the fragment back
    std::wstring back;
    ASSERT_TRUE(ExtractHtmlFragment(BuildHtmlFormat(L"<B>\u4E2D</B>", L"u"), &back));
    EXPECT_EQ(back, L"<B>\u4E2D</B>");
}

// The store writes check boxes as "<!checkbox />" / "<!checkbox checked />" and the notes model
// turns them into the editor form before loading and back after saving. The engine's part:
// the editor form parses and serialises to the same text, with the state the user set.
TEST(Editing, CheckBoxEditorFormIsStable) {
    const wchar_t* kUnchecked = L"<SPAN contentEditable=false><INPUT type=checkbox></SPAN>";
    const wchar_t* kChecked = L"<SPAN contentEditable=false><INPUT type=checkbox checked></SPAN>";
    struct C { const wchar_t* in; const wchar_t* out; };
    const C cases[] = {
        {L"<DIV><SPAN contentEditable=false><INPUT type=checkbox /></SPAN>todo</DIV>",
         L"<DIV><SPAN contentEditable=false><INPUT type=checkbox></SPAN>todo</DIV>"},
        {L"<DIV><SPAN contentEditable=false><INPUT type=checkbox checked /></SPAN>done</DIV>",
         L"<DIV><SPAN contentEditable=false><INPUT type=checkbox checked></SPAN>done</DIV>"},
        {L"<DIV><SPAN contentEditable=false><INPUT type=checkbox CHECKED=\"checked\"></SPAN></DIV>",
         L"<DIV><SPAN contentEditable=false><INPUT type=checkbox checked></SPAN></DIV>"},
    };
    for (const auto& c : cases) {
        auto doc = Load(c.in);
        EXPECT_EQ(Body(doc), c.out);
        auto again = Load(Body(doc));
        EXPECT_EQ(Body(again), c.out);
    }
    // toggling the box in the editor changes exactly the state
    auto doc = Load(std::wstring(L"<DIV>") + kUnchecked + L"a</DIV><DIV>" + kChecked + L"b</DIV>");
    auto boxes = doc->GetElementsByTagName(L"INPUT");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_FALSE(boxes[0]->IsChecked());
    EXPECT_TRUE(boxes[1]->IsChecked());
    boxes[0]->SetChecked(true);
    boxes[1]->SetChecked(false);
    EXPECT_EQ(Body(doc), std::wstring(L"<DIV>") + kChecked + L"a</DIV><DIV>" + kUnchecked + L"b</DIV>");
    EXPECT_TRUE(doc->IsDirty());
    // inserted the way the editor inserts a check box
    auto ins = Load(L"<DIV>x|</DIV>");
    TextRange r = ins->GetSelection().CreateRange();
    EXPECT_TRUE(r.PasteHtml(L"<SPAN contentEditable=false><INPUT type=checkbox /></SPAN>"));
    EXPECT_EQ(Body(ins), std::wstring(L"<DIV>x") + kUnchecked + L"</DIV>");
    // the store's declarations survive a load untouched, wherever they are
    auto raw = Load(L"<!checkbox />a<DIV><!checkbox checked />b</DIV>");
    EXPECT_EQ(Body(raw), L"<!checkbox />a<DIV><!checkbox checked />b</DIV>");
}

TEST(Editing, DesignModeAndDirtyThroughLoads) {
    auto doc = Document::Create();
    EXPECT_EQ(doc->DesignModeText(), L"Off");
    doc->SetDesignModeText(L"on");
    EXPECT_TRUE(doc->DesignMode());
    doc->LoadHtml(L"<DIV>a</DIV>");
    EXPECT_EQ(doc->DesignModeText(), L"On");
    EXPECT_EQ(doc->ReadyState(), L"complete");
    EXPECT_EQ(doc->Url(), L"about:blank");
    EXPECT_FALSE(doc->IsDirty());
    doc->Body()->FirstElementChild()->SetInnerText(L"b");
    EXPECT_TRUE(doc->IsDirty());
    doc->ClearDirty();
    EXPECT_FALSE(doc->IsDirty());
    doc->Exec(CMD_UNDO);
    EXPECT_TRUE(doc->IsDirty());
    doc->SetDesignModeText(L"Off");
    EXPECT_FALSE(doc->DesignMode());
    doc->SetDesignModeText(L"bogus");   // anything else leaves it as it is
    EXPECT_FALSE(doc->DesignMode());
}

namespace {
struct ChunkSource : IByteSource {
    std::string data;
    size_t pos = 0, chunk = 3;
    bool Read(void* buf, uint32_t count, uint32_t* got) override {
        size_t n = std::min<size_t>({chunk, count, data.size() - pos});
        std::memcpy(buf, data.data() + pos, n);
        pos += n;
        *got = uint32_t(n);
        return pos < data.size() || n > 0;
    }
};
}

TEST(Editing, LoadFromStreamInOddChunks) {
    std::wstring text = L"<DIV>\u00E9\u4E2Dx</DIV>";
    ChunkSource src;
    src.data = "\xFF\xFE";
    for (wchar_t c : text) { src.data += char(c & 0xFF); src.data += char((c >> 8) & 0xFF); }
    auto doc = Document::Create();
    doc->LoadStream(src);
    EXPECT_EQ(Body(doc), L"<DIV>\u00E9\u4E2Dx</DIV>");
    // an odd trailing byte and an empty stream do no harm
    ChunkSource odd;
    odd.data = std::string("\xFF\xFE" "a\0b", 5);
    doc->LoadStream(odd);
    EXPECT_EQ(Body(doc).substr(0, 1), L"a");
    ChunkSource empty;
    doc->LoadStream(empty);
    EXPECT_NE(doc->Body(), nullptr);
}

// The notes model finds a stored check box by the exact text "<SPAN contentEditable=false><INPUT "
// up to the next "</SPAN>": no command may add attributes to the SPAN or put anything between it
// and its INPUT.
TEST(Editing, CheckBoxFormSurvivesCommandsAroundIt) {
    const wchar_t* kBox = L"<SPAN contentEditable=false><INPUT type=checkbox checked></SPAN>";
    struct C { int command; Value value; };
    const C commands[] = {
        {CMD_BOLD, Value()}, {CMD_ITALIC, Value()}, {CMD_UNDERLINE, Value()}, {CMD_STRIKETHROUGH, Value()},
        {CMD_SUPERSCRIPT, Value()}, {CMD_FONTNAME, Value(L"Arial")}, {CMD_FONTSIZE, Value(int32_t(5))},
        {CMD_FORECOLOR, Value(int32_t(255))}, {CMD_BACKCOLOR, Value(L"#ffff80")}, {CMD_FONTSIZE_PX, Value(int32_t(20))},
        {CMD_JUSTIFYCENTER, Value()}, {CMD_UNORDERLIST, Value()}, {CMD_ORDERLIST, Value()}, {CMD_INDENT, Value()},
    };
    for (const auto& c : commands) {
        auto doc = Load(std::wstring(L"<DIV>[a") + kBox + L"b]</DIV><DIV>c</DIV>");
        EXPECT_TRUE(doc->Exec(c.command, c.value));
        std::wstring html = Body(doc);
        EXPECT_NE(html.find(kBox), std::wstring::npos) << c.command << " " << Show(html);
        // and once more on the result (a format removed again, a list unwrapped)
        doc->Exec(CMD_SELECTALL);
        doc->Exec(c.command, c.value);
        html = Body(doc);
        EXPECT_NE(html.find(kBox), std::wstring::npos) << c.command << " again " << Show(html);
    }
}

// A caret inside the check box's read-only SPAN (a pointer walk can put it there) edits beside
// the island, never inside it: the notes model stores the whole island as one "<!checkbox />".
TEST(Editing, CaretInsideCheckBoxIslandEditsBesideIt) {
    struct K { const char* name; bool atStart; int key; const wchar_t* after; };
    enum { TYPE, ENTER, PASTE_BOX };
    const K cases[] = {
        {"typing at the island's end", false, TYPE, L"<DIV>a<SPAN contentEditable=false><INPUT type=checkbox></SPAN>Zb</DIV>"},
        {"typing at the island's start", true, TYPE, L"<DIV>aZ<SPAN contentEditable=false><INPUT type=checkbox></SPAN>b</DIV>"},
        {"enter at the island's end", false, ENTER,
         L"<DIV>a<SPAN contentEditable=false><INPUT type=checkbox></SPAN></DIV><DIV>b</DIV>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = Load(L"<DIV>a<SPAN contentEditable=false><INPUT type=checkbox></SPAN>b</DIV>");
        MarkupPointer p(doc.get());
        p.MoveToContainer(doc->GetElementsByTagName(L"SPAN")[0].get(), c.atStart);
        doc->GetSelection().MoveCaret(p);
        if (c.key == TYPE) doc->TypeText(L"Z");
        else doc->InsertParagraph();
        EXPECT_EQ(Body(doc), c.after);
    }
    // inserting a box and typing after it, as the editor's insert-check-box does
    auto doc = Load(L"<DIV>x|</DIV>");
    TextRange r = doc->GetSelection().CreateRange();
    ASSERT_TRUE(r.PasteHtml(L"<SPAN contentEditable=false><INPUT type=checkbox /></SPAN>"));
    r.Select();
    doc->TypeText(L"todo");
    EXPECT_EQ(Body(doc), L"<DIV>x<SPAN contentEditable=false><INPUT type=checkbox></SPAN>todo</DIV>");
}
