// Markup pointers, text ranges, the selection, the markup operations with their named undo
// units, find, highlight segments and change notices.
#include "TestDoc.h"

using namespace HtmlEngine;
using namespace TestDoc;

namespace {

// One walk step as text: the context and what was passed.
std::wstring Step(Context c, Node* n, const std::wstring& text) {
    switch (c) {
    case Context::None: return L"none";
    case Context::Text: return L"text:" + text;
    case Context::EnterScope: return L"enter:" + n->AsElement()->TagName();
    case Context::ExitScope: return L"exit:" + n->AsElement()->TagName();
    case Context::NoScope: return L"noscope:" + (n->IsElement() ? n->AsElement()->TagName() : std::wstring(L"#comment"));
    }
    return L"?";
}

std::vector<std::wstring> WalkRight(Document* doc, MarkupPointer p, const MarkupPointer* end = nullptr) {
    std::vector<std::wstring> out;
    for (int guard = 0; guard < 100; ++guard) {
        if (end && p.IsRightOfOrEqualTo(*end)) break;
        Node* n = nullptr;
        std::wstring text;
        Context c = p.Right(true, &n, nullptr, &text);
        out.push_back(Step(c, n, text));
        if (c == Context::None) break;
    }
    return out;
}

} // namespace

TEST(Markup, WalkRightAndLeft) {
    auto doc = Load(L"<DIV>ab<B>c</B><IMG src=x><!-- k --></DIV>d");
    MarkupPointer p(doc.get());
    ASSERT_TRUE(p.MoveToContainer(doc->Body(), true));
    EXPECT_EQ(WalkRight(doc.get(), p),
              (std::vector<std::wstring>{L"enter:DIV", L"text:ab", L"enter:B", L"text:c", L"exit:B", L"noscope:IMG",
                                         L"noscope:#comment", L"exit:DIV", L"text:d", L"exit:BODY", L"exit:HTML", L"none"}));
    // leftward from the end of the body back to its start
    MarkupPointer q(doc.get());
    q.MoveToContainer(doc->Body(), false);
    std::vector<std::wstring> left;
    MarkupPointer start(doc.get());
    start.MoveToContainer(doc->Body(), true);
    while (q.IsRightOf(start)) {
        Node* n = nullptr;
        std::wstring text;
        Context c = q.Left(true, &n, nullptr, &text);
        left.push_back(Step(c, n, text));
        if (c == Context::None) break;
    }
    EXPECT_EQ(left, (std::vector<std::wstring>{L"text:d", L"enter:DIV", L"noscope:#comment", L"noscope:IMG",
                                               L"enter:B", L"text:c", L"exit:B", L"text:ab", L"exit:DIV"}));
}

TEST(Markup, TextStepsByCountAndLooking) {
    auto doc = Load(L"<DIV>hello</DIV>");
    MarkupPointer p(doc.get());
    p.MoveToContainer(doc->Body()->FirstChild(), true);
    long cch = 2;
    std::wstring text;
    EXPECT_EQ(p.Right(true, nullptr, &cch, &text), Context::Text);
    EXPECT_EQ(cch, 2);
    EXPECT_EQ(text, L"he");
    // looking does not move
    MarkupPointer before(p);
    cch = -1;
    EXPECT_EQ(p.Right(false, nullptr, &cch, &text), Context::Text);
    EXPECT_EQ(text, L"llo");
    EXPECT_TRUE(p.IsEqualTo(before));
    EXPECT_EQ(p.CurrentScope()->TagName(), L"DIV");
    cch = 10;
    EXPECT_EQ(p.Left(true, nullptr, &cch, &text), Context::Text);
    EXPECT_EQ(cch, 2);
    EXPECT_EQ(text, L"he");
}

TEST(Markup, CompareAndElementEdges) {
    auto doc = Load(L"<DIV>a<B>b</B>c</DIV>");
    Element* b = doc->GetElementsByTagName(L"B")[0].get();
    struct E { Where where; const wchar_t* right; };   // the item right of each edge
    const E edges[] = {{Where::BeforeBegin, L"enter:B"}, {Where::AfterBegin, L"text:b"},
                       {Where::BeforeEnd, L"exit:B"}, {Where::AfterEnd, L"text:c"}};
    std::vector<MarkupPointer> ptrs;
    for (const auto& e : edges) {
        MarkupPointer p(doc.get());
        ASSERT_TRUE(p.MoveAdjacentToElement(b, e.where));
        Node* n = nullptr;
        std::wstring text;
        Context c = p.Right(false, &n, nullptr, &text);
        EXPECT_EQ(Step(c, n, text), e.right);
        ptrs.push_back(p);
    }
    for (size_t i = 0; i + 1 < ptrs.size(); ++i) {
        EXPECT_EQ(ptrs[i].Compare(ptrs[i + 1]), -1);
        EXPECT_EQ(ptrs[i + 1].Compare(ptrs[i]), 1);
    }
    MarkupPointer copy(doc.get());
    copy.MoveToPointer(ptrs[2]);
    EXPECT_TRUE(copy.IsEqualTo(ptrs[2]));
    EXPECT_EQ(ptrs[1].CurrentScope(), b);
    MarkupPointer unpositioned(doc.get());
    EXPECT_FALSE(unpositioned.IsPositioned());
}

TEST(Markup, PointersStayInPlaceWithGravity) {
    auto doc = Load(L"<DIV>ab|cd</DIV>");
    MarkupPointer left(doc.get()), right(doc.get());
    left.MoveToPointer(doc->GetSelection().Start());
    right.MoveToPointer(doc->GetSelection().Start());
    left.SetGravity(Gravity::Left);
    right.SetGravity(Gravity::Right);
    MarkupPointer at(doc.get());
    at.MoveToPointer(left);
    EXPECT_TRUE(doc->InsertText(L"XY", at));
    EXPECT_EQ(Body(doc), L"<DIV>abXYcd</DIV>");
    TextRange between(left, right);
    EXPECT_EQ(between.Text(), L"XY");
    // a pointer after an edit further left moves with its text
    MarkupPointer dpos(doc.get());
    dpos.MoveToContainer(doc->Body()->FirstChild(), true);
    doc->InsertText(L"0", dpos);
    EXPECT_EQ(TextRange(left, right).Text(), L"XY");
}

TEST(Markup, TextRanges) {
    auto doc = Load(L"<DIV>a[b<B>c</B></DIV><P>d]e</P>");
    TextRange r = doc->GetSelection().CreateRange();
    EXPECT_EQ(r.Text(), L"bc\r\nd");
    EXPECT_EQ(r.HtmlText(), L"<DIV>b<B>c</B></DIV><P>d</P>");
    EXPECT_EQ(r.ParentElement(), doc->Body());
    TextRange inner(doc.get());
    inner.MoveToElementText(doc->GetElementsByTagName(L"B")[0].get());
    EXPECT_EQ(inner.Text(), L"c");
    EXPECT_EQ(inner.ParentElement()->TagName(), L"B");
    EXPECT_TRUE(r.InRange(inner));
    EXPECT_FALSE(inner.InRange(r));
    inner.Collapse(false);
    EXPECT_TRUE(inner.IsEmpty());
    // pasteHTML replaces and collapses after the pasted content
    EXPECT_TRUE(r.PasteHtml(L"<I>new</I>"));
    EXPECT_TRUE(r.IsEmpty());
    EXPECT_EQ(Body(doc), L"<DIV>a<I>new</I>e</DIV>");
    EXPECT_TRUE(doc->Undo());
    EXPECT_EQ(Body(doc), L"<DIV>ab<B>c</B></DIV><P>de</P>");
    // select makes it the document's selection
    TextRange all(doc.get());
    all.MoveToElementText(doc->Body());
    EXPECT_TRUE(all.Select());
    EXPECT_EQ(doc->GetSelection().Type(), SelectionType::Text);
    EXPECT_EQ(doc->GetSelection().Text(), L"abc\r\nde");
}

TEST(Markup, SelectionKinds) {
    auto doc = Load(L"<DIV>a|b<IMG src=x.png>c</DIV>");
    Selection& sel = doc->GetSelection();
    EXPECT_EQ(sel.Type(), SelectionType::None);   // a caret
    EXPECT_TRUE(sel.IsCollapsed());
    Element* img = doc->GetElementsByTagName(L"IMG")[0].get();
    sel.SelectElement(img);
    EXPECT_EQ(sel.Type(), SelectionType::Control);
    ASSERT_EQ(sel.ControlElements().size(), 1u);
    EXPECT_EQ(sel.ControlElements()[0].get(), img);
    sel.Empty();
    EXPECT_EQ(sel.Type(), SelectionType::None);
    EXPECT_TRUE(sel.ControlElements().empty());
}

TEST(Markup, OperationsAndNamedUndoUnits) {
    struct Op {
        const char* name;
        const wchar_t* before;
        std::function<void(Document&)> run;
        const wchar_t* after;
    };
    auto selStart = [](Document& d) { MarkupPointer p(&d); p.MoveToPointer(d.GetSelection().Start()); return p; };
    auto selEnd = [](Document& d) { MarkupPointer p(&d); p.MoveToPointer(d.GetSelection().End()); return p; };
    const Op ops[] = {
        {"insert element around a range", L"<DIV>a[bc]d</DIV>",
         [&](Document& d) { d.InsertElement(d.CreateElement(TAG_FONT, L"STYLE=\"FONT-SIZE: 20px\""), selStart(d), selEnd(d)); },
         L"<DIV>a<FONT style=\"FONT-SIZE: 20px\">bc</FONT>d</DIV>"},
        {"insert element across blocks is split per block", L"<DIV>a[b</DIV><DIV>c]d</DIV>",
         [&](Document& d) { d.InsertElement(d.CreateElement(TAG_A, L"href=\"u\""), selStart(d), selEnd(d)); },
         L"<DIV>a<A href=\"u\">b</A></DIV><DIV><A href=\"u\">c</A>d</DIV>"},
        {"insert text", L"<DIV>a|b</DIV>", [&](Document& d) { d.InsertText(L"<x>&", selStart(d)); },
         L"<DIV>a&lt;x&gt;&amp;b</DIV>"},
        {"insert html over a range", L"<DIV>a[b]c</DIV>",
         [&](Document& d) { d.InsertHtml(L"<SPAN contentEditable=false><INPUT type=checkbox /></SPAN>", selStart(d), selEnd(d)); },
         L"<DIV>a<SPAN contentEditable=false><INPUT type=checkbox></SPAN>c</DIV>"},
        {"remove a range across blocks keeps both blocks", L"<DIV>a[b</DIV><P>c]d</P>",
         [&](Document& d) { d.Remove(selStart(d), selEnd(d)); }, L"<DIV>a</DIV><P>d</P>"},
        {"remove whole elements inside a range", L"<DIV>a[b</DIV><HR><P>c</P><P>d]e</P>",
         [&](Document& d) { d.Remove(selStart(d), selEnd(d)); }, L"<DIV>a</DIV><P>e</P>"},
        {"remove an element keeps its content", L"<DIV><FONT size=3>a<B>b</B></FONT></DIV>",
         [&](Document& d) { d.RemoveElement(d.GetElementsByTagName(L"FONT")[0].get()); }, L"<DIV>a<B>b</B></DIV>"},
        {"several DOM changes in one unit", L"<DIV>x</DIV>",
         [&](Document& d) {
             d.BeginUndoUnit(L"Clear all content");
             d.Body()->SetInnerHtml(L"");
             d.BeginUndoUnit(L"inner");   // nested units join the outer one
             d.Body()->InsertAdjacentHtml(Where::AfterBegin, L"<DIV style=\"font-size: 13px; font-family: 'Arial'; \"></DIV>");
             d.EndUndoUnit();
             d.Body()->SetAttribute(L"bgcolor", L"#ffffff");
             d.EndUndoUnit();
         },
         L"<DIV style=\"font-size: 13px; font-family: 'Arial'; \"></DIV>"},
        {"style and attribute changes", L"<DIV>x</DIV>",
         [&](Document& d) {
             d.BeginUndoUnit(L"set-unset align");
             Element* e = d.Body()->FirstElementChild();
             e->SetAttribute(L"align", L"center");
             e->SetStyle(L"line-height", L"2");
             d.EndUndoUnit();
         },
         L"<DIV align=center style=\"line-height: 2\">x</DIV>"},
        {"table rows in one unit", L"<TABLE><TR><TD>a</TD></TR></TABLE>",
         [&](Document& d) {
             d.BeginUndoUnit(L"insert table");
             Element* t = d.GetElementsByTagName(L"TABLE")[0].get();
             ElementPtr r = t->InsertRow(-1);
             r->InsertCell(0)->SetInnerHtml(L"<DIV>&nbsp;</DIV>");
             d.EndUndoUnit();
         },
         L"<TABLE><TBODY><TR><TD>a</TD></TR><TR><TD><DIV>&nbsp;</DIV></TD></TR></TBODY></TABLE>"},
    };
    for (const auto& op : ops) {
        SCOPED_TRACE(op.name);
        auto doc = Load(op.before);
        std::wstring original = Body(doc);
        std::wstring whole = doc->DocumentElement()->OuterHtml();
        CountingSink sink;
        doc->RegisterChangeSink(&sink);
        op.run(*doc);
        std::wstring result = Body(doc);
        EXPECT_EQ(result, op.after);
        EXPECT_EQ(sink.calls, 1) << "one notice per outermost operation";
        ASSERT_TRUE(doc->CanUndo());
        EXPECT_TRUE(doc->Undo());
        EXPECT_EQ(doc->DocumentElement()->OuterHtml(), whole) << "one undo reverts the whole unit";
        EXPECT_FALSE(doc->CanUndo());
        EXPECT_TRUE(doc->Redo());
        EXPECT_EQ(Body(doc), result);
        EXPECT_FALSE(doc->CanRedo());
    }
}

TEST(Markup, UndoUnitNamesAndHistory) {
    auto doc = Load(L"<DIV>a|b</DIV>");
    doc->BeginUndoUnit(L"FindReplace");
    doc->Body()->FirstElementChild()->SetAttribute(L"id", L"k");
    doc->EndUndoUnit();
    EXPECT_EQ(doc->UndoUnitName(), L"FindReplace");
    doc->BeginUndoUnit(L"press return");
    doc->EndUndoUnit();   // an empty unit leaves no history step
    EXPECT_EQ(doc->UndoUnitName(), L"FindReplace");
    EXPECT_TRUE(doc->Undo());
    EXPECT_FALSE(doc->Undo());
    EXPECT_TRUE(doc->CanRedo());
    // a new change drops the redo history
    doc->Body()->SetAttribute(L"x", L"1");
    EXPECT_FALSE(doc->CanRedo());
    // loading clears the history and the dirty mark
    EXPECT_TRUE(doc->IsDirty());
    doc->LoadHtml(L"<DIV>new</DIV>");
    EXPECT_FALSE(doc->CanUndo());
    EXPECT_FALSE(doc->IsDirty());
    // End without Begin does nothing harmful
    doc->EndUndoUnit();
    doc->Body()->SetAttribute(L"y", L"1");
    EXPECT_TRUE(doc->Undo());
    EXPECT_EQ(doc->Body()->OuterHtml(), L"<BODY><DIV>new</DIV></BODY>");
}

TEST(Markup, ChangeSinkCalls) {
    auto doc = Load(L"<DIV>a[b]c</DIV>");
    CountingSink one, two;
    uint32_t c1 = doc->RegisterChangeSink(&one);
    uint32_t c2 = doc->RegisterChangeSink(&two);
    EXPECT_NE(c1, 0u);
    EXPECT_NE(c1, c2);
    doc->Exec(CMD_BOLD);                       // one command: one notice
    EXPECT_EQ(one.calls, 1);
    doc->Body()->SetAttribute(L"link", L"#0000FF");   // one DOM call: one notice
    EXPECT_EQ(one.calls, 2);
    doc->GetSelection().Empty();               // selection changes are not markup changes
    doc->QueryStatus(CMD_BOLD);
    doc->QueryValue(CMD_FONTSIZE_PX);
    doc->StyleSheets();
    EXPECT_EQ(one.calls, 2);
    doc->Undo();
    EXPECT_EQ(one.calls, 3);
    doc->UnregisterChangeSink(c1);
    doc->UnregisterChangeSink(12345);          // unknown cookie: nothing
    doc->Redo();
    EXPECT_EQ(one.calls, 3);
    EXPECT_EQ(two.calls, 4);
    doc->LoadHtml(L"<DIV>x</DIV>");            // a load is no edit: the editor restarts tracking after it
    EXPECT_EQ(two.calls, 4);
    EXPECT_FALSE(doc->IsDirty());
}

namespace {
// A sink that edits the document from inside its notice must not recurse without end.
struct EditingSink : IChangeSink {
    Document* doc = nullptr;
    int calls = 0;
    void Notify() override {
        if (++calls < 5) doc->Body()->SetAttribute(L"n", std::to_wstring(calls));
    }
};
}

TEST(Markup, ChangeSinkThatEdits) {
    auto doc = Load(L"<DIV>a</DIV>");
    EditingSink sink;
    sink.doc = doc.get();
    doc->RegisterChangeSink(&sink);
    doc->Body()->SetAttribute(L"x", L"1");
    EXPECT_GE(sink.calls, 1);
    EXPECT_LE(sink.calls, 5);
}

TEST(Markup, FindText) {
    struct F { const wchar_t* html; const wchar_t* what; unsigned flags; int count; };
    const F cases[] = {
        {L"<DIV>note notes Note</DIV>", L"note", 0, 3},
        {L"<DIV>note notes Note</DIV>", L"note", FIND_MATCH_CASE, 2},
        {L"<DIV>note notes Note</DIV>", L"note", FIND_WHOLE_WORD, 2},
        {L"<DIV>note notes Note</DIV>", L"note", FIND_WHOLE_WORD | FIND_MATCH_CASE, 1},
        {L"<DIV>no<B>te</B> x</DIV>", L"note", 0, 1},          // across elements
        {L"<DIV>a note</DIV><DIV>note b</DIV>", L"note", FIND_WHOLE_WORD, 2},
        {L"<DIV>x&nbsp;note</DIV>", L"x note", 0, 1},          // nbsp matches a space
        {L"<DIV>aaaa</DIV>", L"aa", 0, 2},                      // no overlapping matches
        {L"<DIV>\u00C9t\u00E9</DIV>", L"\u00E9t\u00C9", 0, 1},  // case beyond ASCII
        {L"<DIV>abc</DIV>", L"", 0, 0},
        // a whole word is judged by the text after it, in the next node or at the very end
        {L"<DIV>note<B>s</B> note</DIV>", L"note", FIND_WHOLE_WORD, 1},
        {L"<DIV>a note</DIV>", L"note", FIND_WHOLE_WORD, 1},
        {L"<DIV>n<I>o</I><B>t</B>e</DIV><DIV>note</DIV>", L"note", 0, 2},
        {L"<DIV>not</DIV><DIV>e</DIV>", L"note", 0, 0},   // a block boundary never matches
    };
    for (const auto& c : cases) {
        auto doc = Load(c.html);
        MarkupPointer p(doc.get()), end(doc.get()), stop(doc.get());
        p.MoveToContainer(doc->Body(), true);
        stop.MoveToContainer(doc->Body(), false);
        int n = 0;
        while (n < 20 && p.FindText(c.what, c.flags, &end, &stop)) {
            ++n;
            EXPECT_EQ(TextRange(p, end).Text().size(), std::wstring(c.what).size());
            p.MoveToPointer(end);
        }
        EXPECT_EQ(n, c.count) << Show(c.html) << " " << Show(c.what) << " flags " << c.flags;
    }
    // a range's findText covers the match
    auto doc = Load(L"<DIV>one two three</DIV>");
    TextRange r(doc.get());
    r.MoveToElementText(doc->Body());
    EXPECT_TRUE(r.FindText(L"TWO"));
    EXPECT_EQ(r.Text(), L"two");
    EXPECT_FALSE(r.FindText(L"TWO", FIND_MATCH_CASE));
}

TEST(Markup, FindEveryMatchInOrder) {
    // finding from the end of the last match visits each match once, in document order, up to
    // the search end, whatever text lies between
    std::wstring html;
    for (int i = 0; i < 300; ++i) html += L"<DIV>row " + std::to_wstring(i) + L": needle<B>needle</B></DIV>";
    auto doc = Load(html);
    MarkupPointer p(doc.get()), e(doc.get()), stop(doc.get());
    p.MoveToContainer(doc->Body(), true);
    stop.MoveToContainer(doc->Body()->ChildAt(150), true);
    int n = 0;
    while (p.FindText(L"NEEDLE", 0, &e, &stop)) {
        ASSERT_EQ(TextRange(p, e).Text(), L"needle");
        ASSERT_TRUE(p.IsLeftOf(e));
        p.MoveToPointer(e);
        ++n;
    }
    EXPECT_EQ(n, 300);
}

TEST(Markup, FindAndReplaceAsOneUnit) {
    auto doc = Load(L"<DIV>cat dog cat</DIV>");
    MarkupPointer s(doc.get()), e(doc.get());
    s.MoveToContainer(doc->Body(), true);
    ASSERT_TRUE(s.FindText(L"cat", FIND_WHOLE_WORD, &e));
    s.SetGravity(Gravity::Left);
    e.SetGravity(Gravity::Right);
    doc->BeginUndoUnit(L"FindReplace");
    MarkupPointer at(doc.get());
    at.MoveToPointer(e);
    doc->InsertText(L"bird", at);
    MarkupPointer matchEnd(doc.get());
    matchEnd.MoveToPointer(s);
    long three = 3;
    matchEnd.Right(true, nullptr, &three, nullptr);
    doc->Remove(s, matchEnd);
    doc->EndUndoUnit();
    EXPECT_EQ(Body(doc), L"<DIV>bird dog cat</DIV>");
    EXPECT_TRUE(doc->Exec(CMD_UNDO));
    EXPECT_EQ(Body(doc), L"<DIV>cat dog cat</DIV>");
}

TEST(Markup, HighlightSegmentsFollowEdits) {
    auto doc = Load(L"<DIV>find me, find you</DIV>");
    RenderStyle style{L"false", L"#FFFF80", L"#000000"};
    MarkupPointer p(doc.get()), e(doc.get());
    p.MoveToContainer(doc->Body(), true);
    std::vector<std::shared_ptr<HighlightSegment>> segs;
    while (p.FindText(L"find", 0, &e)) {
        segs.push_back(doc->AddHighlight(p, e, style));
        p.MoveToPointer(e);
    }
    ASSERT_EQ(segs.size(), 2u);
    EXPECT_EQ(doc->Highlights().size(), 2u);
    EXPECT_EQ(segs[0]->Style().backgroundColor, L"#FFFF80");
    // text typed before a segment moves it; text typed inside it changes its text
    MarkupPointer at(doc.get());
    at.MoveToContainer(doc->Body()->FirstChild(), true);
    doc->InsertText(L">> ", at);
    EXPECT_EQ(segs[0]->Text(), L"find");
    MarkupPointer inside(doc.get());
    inside.MoveToPointer(segs[1]->Start());
    long two = 2;
    inside.Right(true, nullptr, &two, nullptr);
    doc->InsertText(L"X", inside);
    EXPECT_EQ(segs[1]->Text(), L"fiXnd");
    // removing the text of a segment leaves it empty, not dangling
    doc->Remove(segs[0]->Start(), segs[0]->End());
    EXPECT_EQ(segs[0]->Text(), L"");
    doc->RemoveHighlight(segs[0]);
    EXPECT_EQ(doc->Highlights().size(), 1u);
    // a load drops all highlights
    doc->LoadHtml(L"<DIV>x</DIV>");
    EXPECT_TRUE(doc->Highlights().empty());
    EXPECT_EQ(segs[1]->Text(), L"");
}
