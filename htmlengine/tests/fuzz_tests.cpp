// Untrusted markup must never crash or hang the engine. For a bounded time, random markup is
// parsed, edited with random commands on random selections, and serialised; what was parsed and
// what was edited must read back as written; then the whole history is undone (giving back the
// loaded markup) and redone (giving back the edited one).
// PELORA_FUZZ_SECONDS sets the time (default 4); PELORA_FUZZ_SEED the first seed.
#include <chrono>
#include <cstdlib>
#include <random>
#include "TestDoc.h"

using namespace HtmlEngine;
using namespace TestDoc;

namespace {

struct Gen {
    std::mt19937 rng;
    explicit Gen(uint32_t seed) : rng(seed) {}
    size_t Pick(size_t n) { return n ? std::uniform_int_distribution<size_t>(0, n - 1)(rng) : 0; }
    bool Chance(int percent) { return int(Pick(100)) < percent; }

    std::wstring Markup(int depth = 0) {
        static const wchar_t* const kTags[] = {L"div", L"p", L"b", L"i", L"u", L"span", L"font", L"a", L"ul", L"ol",
                                               L"li", L"table", L"tr", L"td", L"tbody", L"br", L"img", L"hr", L"h1",
                                               L"blockquote", L"strong", L"em", L"sup", L"input", L"style", L"script",
                                               L"textarea", L"title", L"body", L"html", L"head", L"pre", L"spl", L"x:y",
                                               L"plaintext", L"xmp", L"caption", L"dd", L"dt", L"nobr", L"s"};
        static const wchar_t* const kAttrs[] = {L"style=\"color: red; font-size: 12pt\"", L"class=a", L"size=9",
                                                L"size=-1", L"face='Arial'", L"href=\"http://x\"", L"colspan=3",
                                                L"rowspan=0", L"align=center", L"contentEditable=false",
                                                L"type=checkbox", L"checked", L"src=\"x.png\" width=10", L"a=\"<>&\"",
                                                L"style=\"font-weight: 700; text-decoration: underline\"", L"=", L"'x'"};
        static const wchar_t* const kText[] = {L"word", L" ", L"&nbsp", L"&amp;", L"&#0;", L"&#x10FFFF;", L"&#xD800;",
                                               L"\u00E9", L"\U0001F600", L"<", L">", L"&", L"\r\n", L"\t", L"a b c",
                                               L"<!-- c -->", L"<!checkbox />", L"<!checkbox checked />", L"</",
                                               L"<!", L"<!doctype html>", L"<?x?>", L"]]>", L"&lt", L"\"", L"'"};
        std::wstring out;
        size_t parts = 1 + Pick(depth > 3 ? 2 : 4);
        for (size_t i = 0; i < parts; ++i) {
            switch (Pick(4)) {
            case 0: case 1: out += kText[Pick(sizeof kText / sizeof *kText)]; break;
            default: {
                std::wstring tag = kTags[Pick(sizeof kTags / sizeof *kTags)];
                if (Chance(30)) for (auto& c : tag) c = towupper(c);
                out += L"<" + tag;
                for (size_t k = Pick(3); k > 0; --k) out += std::wstring(L" ") + kAttrs[Pick(sizeof kAttrs / sizeof *kAttrs)];
                out += Chance(10) ? L"/>" : L">";
                if (depth < 6) out += Markup(depth + 1);
                if (Chance(80)) out += L"</" + (Chance(85) ? tag : std::wstring(kTags[Pick(sizeof kTags / sizeof *kTags)])) + L">";
            }
            }
        }
        return out;
    }

    // A random position in the body: inside a text node, or between the children of an element.
    bool Place(Document& doc, MarkupPointer& p) {
        std::vector<Node*> nodes;
        for (Node* n = doc.Body(); n; n = n->NextInOrder(doc.Body()))
            if (n->IsText() || (n->IsElement() && !n->AsElement()->IsVoid())) nodes.push_back(n);
        if (nodes.empty()) return false;
        Node* n = nodes[Pick(nodes.size())];
        size_t len = n->IsText() ? n->AsText()->Length() : n->ChildCount();
        return p.MoveTo(n, Pick(len + 1));
    }
};

const int kCommands[] = {CMD_BOLD, CMD_ITALIC, CMD_UNDERLINE, CMD_STRIKETHROUGH, CMD_SUPERSCRIPT, CMD_SUBSCRIPT,
                         CMD_FONTNAME, CMD_FONTSIZE, CMD_FORECOLOR, CMD_BACKCOLOR, CMD_FONTSIZE_PX,
                         CMD_JUSTIFYLEFT, CMD_JUSTIFYCENTER, CMD_JUSTIFYRIGHT, CMD_JUSTIFYFULL, CMD_ORDERLIST,
                         CMD_UNORDERLIST, CMD_INDENT, CMD_OUTDENT, CMD_HORIZONTALLINE, CMD_CUT, CMD_COPY, CMD_PASTE,
                         CMD_SELECTALL, CMD_CLEARSELECTION};

Value ValueFor(Gen& g, int cmd) {
    switch (cmd) {
    case CMD_FONTNAME: return Value(g.Chance(50) ? L"Arial" : L"'Times New Roman', serif");
    case CMD_FONTSIZE: return g.Chance(50) ? Value(int32_t(g.Pick(9))) : Value(L"+1");
    case CMD_FORECOLOR: case CMD_BACKCOLOR: return g.Chance(50) ? Value(int32_t(g.Pick(0x1000000))) : Value(L"#12ab");
    case CMD_FONTSIZE_PX: return Value(int32_t(g.Pick(2000)) - 100);
    default: return Value();
    }
}

// One random edit; true when it was an undoable operation that may have changed the markup.
bool g_trace = false;

void Trace(const char* what, Document& doc) {
    if (g_trace) std::printf("%s -> %s\n", what, testing::PrintToString(doc.DocumentElement() ? doc.DocumentElement()->OuterHtml() : L"").c_str());
}

void RandomEdit(Gen& g, Document& doc, MemoryClipboard& clip) {
    MarkupPointer a(&doc), b(&doc);
    if (g.Chance(70) && g.Place(doc, a)) {
        if (g.Chance(60) && g.Place(doc, b)) doc.GetSelection().SelectRange(a, b);
        else doc.GetSelection().MoveCaret(a);
    }
    switch (g.Pick(12)) {
    case 0: case 1: case 2: {
        int cmd = kCommands[g.Pick(sizeof kCommands / sizeof *kCommands)];
        if (cmd == CMD_PASTE && g.Chance(50)) clip.SetContent(BuildHtmlFormat(g.Markup(3), L""), L"t");
        doc.Exec(cmd, ValueFor(g, cmd));
        break;
    }
    case 3: doc.TypeText(g.Chance(80) ? L"x" : L" "); break;
    case 4: doc.InsertParagraph(); break;
    case 5: doc.InsertLineBreak(); break;
    case 6: doc.DeleteBackward(); break;
    case 7: doc.DeleteForward(); break;
    case 8: {
        TextRange r = doc.GetSelection().CreateRange();
        if (r.IsPositioned()) r.PasteHtml(g.Markup(4));
        break;
    }
    case 9: {
        auto all = doc.Body()->GetElementsByTagName(L"*");
        if (all.empty()) break;
        Element* e = all[g.Pick(all.size())].get();
        switch (g.Pick(6)) {
        case 0: e->SetInnerHtml(g.Markup(5)); break;
        case 1: e->SetOuterHtml(g.Markup(5)); break;
        case 2: e->RemoveNode(g.Chance(50)); break;
        case 3: e->SetStyle(L"line-height", L"1.5"); break;
        case 4: if (e->Is(TAG_TABLE)) { e->InsertRow(int(g.Pick(3)) - 1); e->DeleteRow(int(g.Pick(3)) - 1); }
                else if (e->Is(TAG_TR)) { e->InsertCell(int(g.Pick(3)) - 1); e->DeleteCell(0); }
                else e->SetInnerText(L"t\nu");
                break;
        default: doc.RemoveElement(e); break;
        }
        break;
    }
    case 10: {
        if (!g.Place(doc, a) || !g.Place(doc, b)) break;
        if (b.IsLeftOf(a)) std::swap(a, b);
        if (g.Chance(50)) doc.Remove(a, b);
        else doc.InsertElement(doc.CreateElement(TAG_FONT, L"STYLE=\"FONT-SIZE: 20px\""), a, b);
        break;
    }
    default: {
        if (!g.Place(doc, a)) break;
        MarkupPointer e(&doc);
        TextRange r(&doc);
        r.MoveToElementText(doc.Body());
        r.FindText(L"word", unsigned(g.Pick(8)));
        doc.InsertText(L"w", a);
        break;
    }
    }
    Trace("edit", doc);
}

// The markup of a document that reads `html`.
std::wstring Trip(const std::wstring& html) {
    auto doc = Document::Create();
    doc->LoadHtml(html);
    return doc->DocumentElement()->OuterHtml();
}

// Where two texts part, with a little context, instead of two long texts.
std::string Difference(const std::wstring& got, const std::wstring& want) {
    size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
    size_t from = i > 60 ? i - 60 : 0;
    return "at " + std::to_string(i) + "\n got: " + Show(got.substr(from, 140)) + "\nwant: " + Show(want.substr(from, 140));
}

} // namespace

TEST(Fuzz, ParseEditSerialiseUndo) {
    const char* secs = std::getenv("PELORA_FUZZ_SECONDS");
    const char* seedText = std::getenv("PELORA_FUZZ_SEED");
    double limit = secs ? std::atof(secs) : 4.0;
    g_trace = std::getenv("PELORA_FUZZ_TRACE") != nullptr;
    uint32_t seed = seedText ? uint32_t(std::strtoul(seedText, nullptr, 10)) : 1;
    auto start = std::chrono::steady_clock::now();
    int rounds = 0;
    for (;; ++seed, ++rounds) {
        if (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() > limit) break;
        Gen g(seed);
        auto doc = Document::Create();
        doc->SetDesignMode(true);
        MemoryClipboard clip;
        doc->SetClipboard(&clip);
        std::wstring source = g.Markup();
        doc->LoadHtml(source);
        std::wstring loaded = doc->DocumentElement() ? doc->DocumentElement()->OuterHtml() : L"";
        // what the parser made reads back as it was written
        std::wstring once = Trip(loaded);
        ASSERT_TRUE(once == loaded) << "seed " << seed << " source " << Show(source) << "\n" << Difference(once, loaded);
        int edits = 1 + int(g.Pick(40));
        for (int i = 0; i < edits; ++i) {
            RandomEdit(g, *doc, clip);
            ASSERT_NE(doc->Body(), nullptr) << "seed " << seed;
        }
        std::wstring edited = doc->DocumentElement() ? doc->DocumentElement()->OuterHtml() : L"";
        // and so does what the edits made of it
        std::wstring reread = Trip(edited);
        ASSERT_TRUE(reread == edited) << "edited, seed " << seed << "\n" << Difference(reread, edited);
        // the whole history undoes back to the loaded markup and redoes to the edited one
        int guard = 0;
        while (doc->Undo() && ++guard < 1000) {}
        std::wstring undone = doc->DocumentElement() ? doc->DocumentElement()->OuterHtml() : L"";
        ASSERT_TRUE(undone == loaded) << "undo, seed " << seed << "\n" << Difference(undone, loaded);
        guard = 0;
        while (doc->Redo() && ++guard < 1000) {}
        std::wstring redone = doc->DocumentElement() ? doc->DocumentElement()->OuterHtml() : L"";
        ASSERT_TRUE(redone == edited) << "redo, seed " << seed << "\n" << Difference(redone, edited);
    }
    std::printf("fuzz: %d documents from seed %u in %.1f s\n", rounds, seed - rounds, limit);
}

TEST(Fuzz, DeepAndLargeInputs) {
    // nesting far beyond the tree's depth cap, long attribute lists and unterminated markup:
    // parsed, edited and serialised without running away (the parts past the cap become
    // siblings; editing cost grows with the number of siblings of one element)
    std::wstring deep;
    for (int i = 0; i < 3000; ++i) deep += L"<div><b>";
    deep += L"x";
    auto doc = Document::Create();
    doc->SetDesignMode(true);
    doc->LoadHtml(deep);
    std::wstring out = doc->Body()->InnerHtml();
    EXPECT_NE(out.find(L'x'), std::wstring::npos);
    doc->Exec(CMD_SELECTALL);
    EXPECT_TRUE(doc->Exec(CMD_BOLD));
    EXPECT_TRUE(doc->Exec(CMD_UNDO));
    EXPECT_EQ(doc->Body()->InnerHtml(), out);
    auto again = Document::Create();
    again->LoadHtml(doc->DocumentElement()->OuterHtml());
    EXPECT_NE(again->Body()->InnerHtml().find(L'x'), std::wstring::npos);
    std::wstring attrs = L"<div";
    for (int i = 0; i < 20000; ++i) attrs += L" a" + std::to_wstring(i) + L"=" + std::to_wstring(i);
    attrs += L">y";
    doc->LoadHtml(attrs + std::wstring(200000, L'<'));
    EXPECT_NE(doc->Body()->InnerHtml().find(L'y'), std::wstring::npos);
    doc->LoadHtml(std::wstring(100000, L'&') + L"<!--" + std::wstring(100000, L'-'));
    EXPECT_NE(doc->Body(), nullptr);
    doc->LoadHtml(L"<table>" + std::wstring(2000, L'x') + std::wstring(3000, L'<') + L"td>");
    EXPECT_NE(doc->Body(), nullptr);
}
