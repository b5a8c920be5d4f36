// Test documents written as BODY markup with the selection marked in the text:
// "[" and "]" bound a selected range, "|" is a caret. The markers are taken out before the
// test looks at the document; loading them leaves no undo history and a clean document.
#pragma once
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>
#include "HtmlEngine.h"

namespace TestDoc {

using namespace HtmlEngine;

inline DocumentPtr Load(const std::wstring& bodyHtml, bool design = true) {
    DocumentPtr doc = Document::Create();
    doc->SetDesignMode(design);
    doc->LoadHtml(bodyHtml);
    struct Mark { wchar_t c; TextNode* node; size_t off; };
    std::vector<Mark> marks;
    std::vector<std::pair<TextNode*, std::wstring>> edits;
    for (Node* n = doc->Body(); n; n = n->NextInOrder(doc->Body())) {
        if (!n->IsText()) continue;
        TextNode* t = n->AsText();
        std::wstring clean;
        bool had = false;
        for (wchar_t c : t->Data()) {
            if (c == L'[' || c == L']' || c == L'|') { marks.push_back({c, t, clean.size()}); had = true; }
            else clean += c;
        }
        if (had) edits.emplace_back(t, clean);
    }
    for (auto& e : edits) e.first->SetData(e.second);
    MarkupPointer start(doc.get()), end(doc.get());
    for (const Mark& m : marks) {
        if (m.c == L'[' || m.c == L'|') start.MoveTo(m.node, m.off);
        if (m.c == L']' || m.c == L'|') end.MoveTo(m.node, m.off);
    }
    if (start.IsPositioned() && end.IsPositioned()) doc->GetSelection().SelectRange(start, end);
    doc->ClearUndo();
    doc->ClearDirty();
    return doc;
}

inline std::wstring Body(const DocumentPtr& doc) { return doc->Body() ? doc->Body()->InnerHtml() : L"<no body>"; }

inline std::string Show(const std::wstring& s) { return testing::PrintToString(s); }

// Counts change notices.
struct CountingSink : IChangeSink {
    int calls = 0;
    void Notify() override { ++calls; }
};

} // namespace TestDoc
