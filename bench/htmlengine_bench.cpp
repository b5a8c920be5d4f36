// The HTML engine on a 1 MB note: parse alone, parse + serialise, then 1,000 typing-sized edits
// at spread-out places and the undo of every one of them; then the shapes that used to grow
// with the square of their size (find every match, bold over alternating runs, removing a long
// list, pasting many lines at the top, deleting most of a long DIV, freeing a large flat
// document, a short preview of a long note), each the median of three runs. Run by hand:
//   wine bench_htmlengine.exe [size in KB, default 1024]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "HtmlEngine.h"
#include "htmlengine_note.h"

using namespace HtmlEngine;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

DocumentPtr Loaded(const std::wstring& html) {
    auto doc = Document::Create();
    doc->SetDesignMode(true);
    doc->LoadHtml(html);
    return doc;
}

void QuadraticShapes(const std::wstring& note) {
    // every match of a word that occurs 4,000 times, by repeated finds from the last match
    std::wstring words;
    for (int i = 0; i < 4000; ++i) words += L"<DIV>line " + std::to_wstring(i) + L" holds the needle once</DIV>";
    auto findDoc = Loaded(words);
    int found = 0;
    double findMs = MedianMs([&] {
        auto t0 = Clock::now();
        MarkupPointer p(findDoc.get()), e(findDoc.get());
        p.MoveToContainer(findDoc->Body(), true);
        found = 0;
        while (p.FindText(L"needle", 0, &e)) {
            ++found;
            p.MoveToPointer(e);
        }
        return Ms(t0, Clock::now());
    });
    std::printf("find all, %d matches:            %8.1f ms\n", found, findMs);

    // bold over 16,000 alternating plain and bold runs, and its undo
    std::wstring runs = L"<DIV>";
    for (int i = 0; i < 8000; ++i) runs += L"plain <B>bold</B> ";
    runs += L"</DIV>";
    double undoMs = 0;
    double boldMs = MedianMs([&] {
        auto doc = Loaded(runs);
        doc->Exec(CMD_SELECTALL);
        auto t0 = Clock::now();
        doc->Exec(CMD_BOLD);
        auto t1 = Clock::now();
        doc->Undo();
        undoMs = Ms(t1, Clock::now());
        return Ms(t0, t1);
    });
    std::printf("bold over 16,000 runs:             %8.1f ms  (its undo %.1f ms)\n", boldMs, undoMs);

    // removing a list of 20,000 items
    std::wstring list = L"<UL>";
    for (int i = 0; i < 20000; ++i) list += L"<LI>item " + std::to_wstring(i) + L"</LI>";
    list += L"</UL>";
    double listMs = MedianMs([&] {
        auto doc = Loaded(list);
        doc->Exec(CMD_SELECTALL);
        auto t0 = Clock::now();
        doc->Exec(CMD_UNORDERLIST);
        return Ms(t0, Clock::now());
    });
    std::printf("remove a list of 20,000 items:     %8.1f ms\n", listMs);

    // pasting 20,000 lines of text at the top of the 1 MB note, and its undo
    std::wstring pasted;
    for (int i = 0; i < 20000; ++i) pasted += L"pasted line " + std::to_wstring(i) + L"\r\n";
    MemoryClipboard clip;
    clip.SetText(pasted);
    double pasteUndoMs = 0;
    double pasteMs = MedianMs([&] {
        auto doc = Loaded(note);
        doc->SetClipboard(&clip);
        MarkupPointer top(doc.get());
        top.MoveToContainer(doc->Body(), true);
        doc->GetSelection().MoveCaret(top);
        auto t0 = Clock::now();
        doc->Exec(CMD_PASTE);
        auto t1 = Clock::now();
        doc->Undo();
        pasteUndoMs = Ms(t1, Clock::now());
        return Ms(t0, t1);
    });
    std::printf("paste 20,000 lines at the top:     %8.1f ms  (its undo %.1f ms)\n", pasteMs, pasteUndoMs);

    // deleting all but the ends of a DIV of 20,000 lines, and its undo
    std::wstring lines = L"<DIV>";
    for (int i = 0; i < 20000; ++i) lines += L"line " + std::to_wstring(i) + L" of plain text<BR>";
    lines += L"</DIV>";
    double deleteUndoMs = 0;
    double deleteMs = MedianMs([&] {
        auto doc = Loaded(lines);
        Element* div = doc->Body()->FirstElementChild();
        MarkupPointer a(doc.get()), b(doc.get());
        a.MoveTo(div->FirstChild(), 2);
        b.MoveTo(div->ChildAt(div->ChildCount() - 2), 2);
        doc->GetSelection().SelectRange(a, b);
        auto t0 = Clock::now();
        doc->DeleteBackward();
        auto t1 = Clock::now();
        doc->Undo();
        deleteUndoMs = Ms(t1, Clock::now());
        return Ms(t0, t1);
    });
    std::printf("delete 20,000 lines of a DIV:      %8.1f ms  (its undo %.1f ms)\n", deleteMs, deleteUndoMs);

    // freeing a flat 5 MB document
    std::wstring flat;
    while (flat.size() < 5u * 1024 * 1024) flat += L"<DIV>a flat line of text <B>x</B></DIV>";
    double freeMs = MedianMs([&] {
        auto doc = Loaded(flat);
        auto t0 = Clock::now();
        doc.reset();
        return Ms(t0, Clock::now());
    });
    std::printf("free a flat 5 MB document:         %8.1f ms\n", freeMs);

    // a 200-character preview of the 1 MB note beside the whole load and inner text
    std::wstring preview;
    double previewMs = MedianMs([&] {
        auto t0 = Clock::now();
        preview = PreviewText(note, 200);
        return Ms(t0, Clock::now());
    });
    double wholeMs = MedianMs([&] {
        auto t0 = Clock::now();
        auto doc = Loaded(note);
        std::wstring all = doc->Body()->InnerText();
        return Ms(t0, Clock::now());
    });
    std::printf("200-character preview of the note: %8.3f ms  (load + whole inner text %.1f ms, ratio %.0f)\n",
                previewMs, wholeMs, previewMs > 0 ? wholeMs / previewMs : 0.0);
}

} // namespace

int main(int argc, char** argv) {
    size_t kb = argc > 1 ? size_t(std::atoi(argv[1])) : 1024;
    std::wstring note = MakeNote(kb * 1024);
    std::printf("note: %zu characters\n", note.size());

    auto t0 = Clock::now();
    auto parsed = Document::Create();
    parsed->LoadHtml(note);
    auto t1 = Clock::now();
    std::printf("parse only:          %8.1f ms\n", Ms(t0, t1));

    auto t2 = Clock::now();
    auto doc = Document::Create();
    doc->SetDesignMode(true);
    doc->LoadHtml(note);
    std::wstring out = doc->DocumentElement()->OuterHtml();
    auto t3 = Clock::now();
    std::printf("parse + serialise:   %8.1f ms  (%zu characters out)\n", Ms(t2, t3), out.size());

    // text nodes to edit in, spread over the whole note
    std::vector<TextNode*> texts;
    for (Node* x = doc->Body(); x; x = x->NextInOrder(doc->Body()))
        if (x->IsText() && x->AsText()->Length() > 4) texts.push_back(x->AsText());
    const int kEdits = 1000;
    auto t4 = Clock::now();
    int done = 0;
    for (int i = 0; i < kEdits && !texts.empty(); ++i) {
        TextNode* t = texts[(size_t(i) * 7919) % texts.size()];
        if (!t->Parent()) continue;
        MarkupPointer p(doc.get());
        p.MoveTo(t, t->Length() / 2);
        doc->GetSelection().MoveCaret(p);   // a new place: each edit is its own undo step
        switch (i % 4) {
        case 0: case 1: doc->TypeText(L"x"); break;
        case 2: doc->DeleteBackward(); break;
        default: doc->InsertParagraph(); break;
        }
        ++done;
    }
    auto t5 = Clock::now();
    std::printf("%d edits:          %8.1f ms  (%.3f ms each)\n", done, Ms(t4, t5), Ms(t4, t5) / (done ? done : 1));

    int undone = 0;
    auto t6 = Clock::now();
    while (doc->Undo()) ++undone;
    auto t7 = Clock::now();
    std::printf("%d undos:          %8.1f ms  (%.3f ms each)\n", undone, Ms(t6, t7), Ms(t6, t7) / (undone ? undone : 1));
    bool same = doc->DocumentElement()->OuterHtml() == out;
    std::printf("undo restored the loaded note: %s\n", same ? "yes" : "NO");

    // pasted plain text: one DIV holding 20,000 lines and their BRs (40,000 children)
    std::wstring flat = L"<DIV>";
    for (int i = 0; i < 20000; ++i) flat += L"line " + std::to_wstring(i) + L" of plain text pasted<BR>";
    flat += L"</DIV>";
    auto wide = Document::Create();
    wide->SetDesignMode(true);
    wide->LoadHtml(flat);
    MarkupPointer top(wide.get());
    top.MoveTo(wide->Body()->FirstChild()->FirstChild(), 3);
    wide->GetSelection().MoveCaret(top);
    auto t8 = Clock::now();
    wide->InsertParagraph();
    auto t9 = Clock::now();
    wide->Undo();
    wide->Exec(CMD_SELECTALL);
    auto t10 = Clock::now();
    wide->Exec(CMD_BOLD);
    auto t11 = Clock::now();
    wide->Exec(CMD_BOLD);
    auto t12 = Clock::now();
    std::printf("one DIV of 20,000 lines: Enter at its top %.1f ms, bold all %.1f ms, unbold all %.1f ms\n",
                Ms(t8, t9), Ms(t10, t11), Ms(t11, t12));
    QuadraticShapes(note);
    return same ? 0 : 1;
}
