// The engine's layout and painting on the 1 MB note, over GDI into a screen-sized bitmap:
// full layout beside the parse of the same note (the ratio), the first paint, a typed
// character at the end and in the middle (relayout and paint of the screen: the goal is a
// keystroke on screen within 16 ms), and the paint of one page when scrolling. Medians of
// several warm runs. Run by hand:  wine bench_htmlengine_layout.exe [size in KB, default 1024]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>
#include "HtmlEngine.h"
#include "htmlengine/GdiPlatform.h"
#include "htmlengine_note.h"

using namespace HtmlEngine;
using Clock = std::chrono::steady_clock;

namespace {

double Median(int runs, const std::function<void()>& setup, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        if (setup) setup();
        auto a = Clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - a).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    size_t kb = argc > 1 ? size_t(std::atoi(argv[1])) : 1024;
    const int W = 800, H = 600;
    std::wstring note = MakeNote(kb * 1024);
    std::printf("note: %zu characters, window %d x %d\n", note.size(), W, H);

    DocumentPtr doc = Document::Create();
    doc->SetDesignMode(true);
    double parse = Median(5, nullptr, [&] { doc->LoadHtml(note); });

    GdiPlatform platform;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, W, H);
    SelectObject(mem, bmp);
    ReleaseDC(nullptr, screen);
    platform.SetTarget(mem);

    std::unique_ptr<Layout> layout;
    double full = Median(5, [&] { layout.reset(); }, [&] {
        layout.reset(new Layout(doc.get(), &platform));
        layout->SetWidth(W);
        layout->Update();
    });
    PaintOptions options;
    double first = Median(5, [&] {
        layout.reset(new Layout(doc.get(), &platform));
        layout->SetWidth(W);
    }, [&] { layout->Paint(Rect{0, 0, W, H}, 0, 0, options); });
    std::printf("parse:                 %8.1f ms\n", parse);
    std::printf("full layout:           %8.1f ms  (%.2f x the parse)\n", full, full / parse);
    std::printf("layout + first paint:  %8.1f ms\n", first);

    // a character typed at a place, then the screen around the caret laid out and painted
    auto typing = [&](double where) {
        std::vector<TextNode*> texts;
        for (Node* x = doc->Body(); x; x = x->NextInOrder(doc->Body()))
            if (x->IsText() && x->AsText()->Length() > 4) texts.push_back(x->AsText());
        TextNode* t = texts[std::min(texts.size() - 1, size_t(texts.size() * where))];
        MarkupPointer p(doc.get());
        p.MoveTo(t, t->Length() / 2);
        doc->GetSelection().MoveCaret(p);
        layout->Update();
        return Median(21, nullptr, [&] {
            doc->TypeText(L"x");
            Rect caret;
            layout->CaretRect(doc->GetSelection().Start(), &caret);
            int top = std::max(0, caret.top - H / 2);
            layout->Paint(Rect{0, top, W, top + H}, 0, top, options);
        });
    };
    double atEnd = typing(0.999);
    std::printf("keystroke at the end:  %8.2f ms  (the edit, relayout of its block, paint of the screen)\n", atEnd);
    std::printf("keystroke in the middle: %6.2f ms\n", typing(0.5));

    int height = layout->ContentHeight();
    int page = 0;
    double scroll = Median(21, nullptr, [&] {
        int top = (page++ * H) % std::max(1, height - H);
        layout->Paint(Rect{0, top, W, top + H}, 0, top, options);
    });
    std::printf("page scroll paint:     %8.2f ms  (page of %d px, page height %d px)\n", scroll, H, height);

    platform.SetTarget(nullptr);
    DeleteDC(mem);
    DeleteObject(bmp);
    return 0;
}
