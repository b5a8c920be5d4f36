// The engine's window, driven by messages: keyboard selection, check box clicks, what it paints
// (read back through WM_PRINTCLIENT into a DIB), pictures loaded in the background, bad input.
// Set PELORA_SHOT to a .bmp path to keep the rich note's picture for looking at it.
#include <gtest/gtest.h>
#include <cstdlib>
#include <functional>
#include "HtmlEngine.h"
#include "htmlengine/GdiPlatform.h"
#include "htmlengine/HtmlWindow.h"

using namespace HtmlEngine;

namespace {

// Runs the queue until it is empty (and, with until, until until() holds or about 10 s passed).
void Settle(std::function<bool()> until = nullptr) {
    for (int round = 0; round < 1000; ++round) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        if (!until || until()) return;
        Sleep(10);
    }
}

// Runs the queue for about ms milliseconds.
void PumpFor(int ms) {
    for (int waited = 0; waited < ms; waited += 20) {
        Settle();
        Sleep(20);
    }
    Settle();
}

struct Host : IHtmlWindowHost {
    int completes = 0, updates = 0;
    std::vector<std::pair<DesignerEvent, std::wstring>> designer;
    void OnDocumentComplete() override { ++completes; }
    void OnUpdateUI() override { ++updates; }
    bool PreHandleEvent(DesignerEvent e, Element* el) override {
        designer.emplace_back(e, el->GetAttribute(L"href"));
        return false;
    }
};

struct Fixture {
    HWND top = nullptr;
    HtmlWindow win;
    Host host;
    Fixture(const std::wstring& html, int w = 400, int h = 300, bool design = true) {
        static ATOM atom = [] {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = DefWindowProcW;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"PeloraEngineTestTop";
            return RegisterClassW(&wc);
        }();
        (void)atom;
        RECT r = {0, 0, w, h};
        top = CreateWindowExW(0, L"PeloraEngineTestTop", L"engine", WS_POPUP | WS_VISIBLE, 0, 0, w + 40, h + 40,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        win.SetHost(&host);
        EXPECT_TRUE(win.Create(top, r, 1));
        win.SetDesignMode(design);
        win.LoadHtml(html);
        Settle([&] { return host.completes > 0 && !win.IsBusy(); });
    }
    ~Fixture() {
        win.Destroy();
        DestroyWindow(top);
        Settle();
    }
    Document* Doc() { return win.GetDocument(); }
    Element* Find(const wchar_t* tag, size_t i = 0) {
        auto all = Doc()->GetElementsByTagName(tag);
        return i < all.size() ? all[i].get() : nullptr;
    }
    void Keys(bool shift, bool ctrl) {
        BYTE state[256];
        GetKeyboardState(state);
        state[VK_SHIFT] = shift ? 0x80 : 0;
        state[VK_CONTROL] = ctrl ? 0x80 : 0;
        state[VK_MENU] = 0;
        SetKeyboardState(state);
    }
    void Key(UINT vk, bool shift = false, bool ctrl = false) {
        Keys(shift, ctrl);
        SendMessageW(win.Handle(), WM_KEYDOWN, vk, 1);
        SendMessageW(win.Handle(), WM_KEYUP, vk, 0xC0000001);
        Keys(false, false);
        Settle();
    }
    void Type(const std::wstring& text) {
        for (wchar_t c : text) SendMessageW(win.Handle(), WM_CHAR, c, 1);
        Settle();
    }
    void Click(int x, int y, bool shift = false) {
        LPARAM at = MAKELPARAM(x, y);
        SendMessageW(win.Handle(), WM_LBUTTONDOWN, MK_LBUTTON | (shift ? MK_SHIFT : 0), at);
        SendMessageW(win.Handle(), WM_LBUTTONUP, shift ? MK_SHIFT : 0, at);
        Settle();
    }
    void CaretAt(const wchar_t* tag, size_t index, size_t offset) {
        MarkupPointer p(Doc());
        p.MoveTo(Find(tag, index)->FirstChild(), offset);
        Doc()->GetSelection().MoveCaret(p);
    }
    // The client area as painted (selection included), as 0x00RRGGBB pixels.
    std::vector<uint32_t> Pixels(int* w, int* h) {
        RECT rc;
        GetClientRect(win.Handle(), &rc);
        *w = rc.right;
        *h = rc.bottom;
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = *w;
        bi.bmiHeader.biHeight = -*h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HDC mem = CreateCompatibleDC(nullptr);
        HBITMAP dib = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(mem, dib);
        SendMessageW(win.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem), PRF_CLIENT);
        GdiFlush();
        std::vector<uint32_t> out(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + size_t(*w) * size_t(*h));
        for (auto& p : out) p &= 0xFFFFFF;
        SelectObject(mem, old);
        DeleteObject(dib);
        DeleteDC(mem);
        return out;
    }
};

// A 24-bit BMP file of w x h pixels filled by f(x, y) -> 0xRRGGBB.
std::string MakeBmp(int w, int h, std::function<uint32_t(int, int)> f) {
    int stride = (w * 3 + 3) & ~3;
    std::string out(54 + size_t(stride) * h, '\0');
    auto put32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) out[at + i] = char(v >> (8 * i)); };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, uint32_t(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    out[26] = 1;
    out[28] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t c = f(x, h - 1 - y);
            size_t at = 54 + size_t(y) * stride + size_t(x) * 3;
            out[at] = char(c & 0xFF);
            out[at + 1] = char((c >> 8) & 0xFF);
            out[at + 2] = char((c >> 16) & 0xFF);
        }
    return out;
}

} // namespace

TEST(Window, KeyboardSelection) {
    Fixture f(L"<BODY><DIV>ab cd</DIV><DIV>ef</DIV><DIV>ghijklm</DIV></BODY>");
    SetFocus(f.win.Handle());
    f.CaretAt(L"DIV", 0, 0);
    struct Step { UINT key; bool shift, ctrl; const wchar_t* selected; };
    const Step steps[] = {
        {VK_RIGHT, true, false, L"a"},
        {VK_RIGHT, true, false, L"ab"},
        {VK_RIGHT, true, true, L"ab "},
        {VK_END, true, false, L"ab cd"},
        {VK_DOWN, true, false, L"ab cd\r\nef"},
        {VK_DOWN, true, false, nullptr},   // into "ghijklm" near its fifth character
        {VK_LEFT, true, true, L"ab cd\r\nef"},   // to the start of "ghijklm"
        {VK_UP, true, false, L"ab cd"},          // to the start of "ef"
        {VK_HOME, true, true, L""},
        {VK_END, true, true, L"ab cd\r\nef\r\nghijklm"},
        {VK_LEFT, false, false, L""},   // collapses to the start
        {VK_RIGHT, true, false, L"a"},
        {VK_RIGHT, false, false, L""},  // collapses to the end
        {VK_RIGHT, true, false, L"b"},
        {'A', false, true, L"ab cd\r\nef\r\nghijklm"},
    };
    for (const Step& s : steps) {
        f.Key(s.key, s.shift, s.ctrl);
        std::wstring got = f.Doc()->GetSelection().Text();
        if (!s.selected) {
            EXPECT_EQ(got.substr(0, 13), L"ab cd\r\nef\r\ngh");
            EXPECT_LT(got.size(), 20u);
            continue;
        }
        EXPECT_EQ(got, s.selected) << "key " << s.key << " shift " << s.shift << " ctrl " << s.ctrl;
    }
}

TEST(Window, TypingEnterBackspaceAndTabGoThroughTheEditingOperations) {
    Fixture f(L"<BODY><DIV>ab</DIV></BODY>");
    SetFocus(f.win.Handle());
    f.CaretAt(L"DIV", 0, 2);
    f.Type(L"c\x0414");
    f.Key(VK_RETURN);
    f.Type(L"x");
    f.Key(VK_BACK);   // the "x"
    f.Key(VK_BACK);   // the paragraph break
    f.Key(VK_TAB);
    EXPECT_EQ(f.Doc()->Body()->InnerHtml(), L"<DIV>abc\x0414&nbsp;&nbsp;&nbsp;&nbsp;</DIV>");
    f.Key('Z', false, true);
    EXPECT_EQ(f.Doc()->Body()->InnerHtml(), L"<DIV>abc\x0414</DIV>");
    // read-only and browse mode change nothing
    f.win.SetReadOnly(true);
    f.Type(L"q");
    f.Key(VK_BACK);
    f.win.SetReadOnly(false);
    f.win.SetDesignMode(false);
    f.Type(L"q");
    EXPECT_EQ(f.Doc()->Body()->InnerHtml(), L"<DIV>abc\x0414</DIV>");
    EXPECT_GT(f.host.updates, 0);
}

TEST(Window, ClickingACheckBoxTogglesItsStoredState) {
    Fixture f(L"<BODY><DIV><SPAN contentEditable=false><INPUT type=checkbox></SPAN> task</DIV></BODY>");
    Element* box = f.Find(L"INPUT");
    Rect r;
    ASSERT_TRUE(f.win.GetLayout().ElementRect(box, &r));
    int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    f.Click(x, y);
    EXPECT_TRUE(box->IsChecked());
    EXPECT_NE(f.Doc()->Body()->InnerHtml().find(L"checked"), std::wstring::npos);
    f.Click(x, y);
    EXPECT_FALSE(box->IsChecked());
    f.Doc()->Undo();
    EXPECT_TRUE(box->IsChecked());
    // a click beside the box does nothing to it
    f.Click(r.right + 30, y);
    EXPECT_TRUE(box->IsChecked());
    // read-only: no change; a click handler that cancels: no change, but it heard the click
    f.win.SetReadOnly(true);
    f.Click(x, y);
    EXPECT_TRUE(box->IsChecked());
    f.win.SetReadOnly(false);
    struct Cancel : IEventHandler {
        int calls = 0;
        bool Invoke(Element*) override { ++calls; return false; }
    };
    auto cancel = std::make_shared<Cancel>();
    box->SetEventHandler(L"onclick", cancel);
    f.Click(x, y);
    EXPECT_TRUE(box->IsChecked());
    EXPECT_EQ(cancel->calls, 1);
}

TEST(Window, SelectionAndHighlightsArePainted) {
    Fixture f(L"<BODY style=\"font-size: 20px\"><DIV>aaaa bbbb cccc</DIV></BODY>");
    Document* doc = f.Doc();
    TextNode* t = f.Find(L"DIV")->FirstChild()->AsText();
    MarkupPointer a(doc), b(doc);
    auto xAt = [&](size_t off) {
        MarkupPointer p(doc);
        p.MoveTo(t, off);
        Rect r;
        f.win.GetLayout().CaretRect(p, &r);
        return r;
    };
    Rect s = xAt(5), e = xAt(9), h0 = xAt(10), h1 = xAt(14);
    a.MoveTo(t, 5);
    b.MoveTo(t, 9);
    doc->GetSelection().SelectRange(a, b);
    a.MoveTo(t, 10);
    b.MoveTo(t, 14);
    RenderStyle look;
    look.backgroundColor = L"#FFFF80";
    look.textColor = L"#000000";
    doc->AddHighlight(a, b, look);
    int w, h;
    auto px = f.Pixels(&w, &h);
    auto count = [&](int x0, int x1, int y0, int y1, uint32_t color) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += px[size_t(y) * w + x] == color;
        return n;
    };
    int selArea = (e.left - s.left) * s.Height();
    // the selection: blue behind white text over "bbbb", nowhere else
    EXPECT_GT(count(s.left, e.left, s.top, s.bottom, 0x3399FF), selArea / 2);
    EXPECT_GT(count(s.left, e.left, s.top, s.bottom, 0xFFFFFF), 0);
    EXPECT_EQ(count(0, s.left - 1, 0, h, 0x3399FF), 0);
    EXPECT_EQ(count(e.left + 1, w, 0, h, 0x3399FF), 0);
    // the highlight: yellow behind "cccc"
    EXPECT_GT(count(h0.left, h1.left, h0.top, h0.bottom, 0xFFFF80), (h1.left - h0.left) * h0.Height() / 2);
    EXPECT_EQ(count(0, h0.left - 1, 0, h, 0xFFFF80), 0);
}

TEST(Window, MouseSelectionByClickShiftClickDoubleClickAndDrag) {
    Fixture f(L"<BODY style=\"font-size: 20px\"><DIV>one two three</DIV></BODY>");
    Document* doc = f.Doc();
    TextNode* t = f.Find(L"DIV")->FirstChild()->AsText();
    auto at = [&](size_t off) {
        MarkupPointer p(doc);
        p.MoveTo(t, off);
        Rect r;
        f.win.GetLayout().CaretRect(p, &r);
        return POINT{r.left, (r.top + r.bottom) / 2};
    };
    POINT p4 = at(4), p7 = at(7), p13 = at(13), p5 = at(5);
    f.Click(p4.x, p4.y);
    EXPECT_TRUE(doc->GetSelection().IsCollapsed());
    f.Click(p13.x, p13.y, true);
    EXPECT_EQ(doc->GetSelection().Text(), L"two three");
    SendMessageW(f.win.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(p5.x, p5.y));
    SendMessageW(f.win.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(p5.x, p5.y));
    Settle();
    EXPECT_EQ(doc->GetSelection().Text(), L"two");
    SendMessageW(f.win.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p4.x, p4.y));
    SendMessageW(f.win.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p5.x, p5.y));
    SendMessageW(f.win.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p7.x, p7.y));
    SendMessageW(f.win.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(p7.x, p7.y));
    Settle();
    EXPECT_EQ(doc->GetSelection().Text(), L"two");
}

TEST(Window, DraggingPastAnEdgeScrollsUntilTheButtonComesUp) {
    std::wstring html = L"<BODY style=\"margin:0; font-size:14px\">";
    for (int i = 0; i < 200; ++i) html += L"<DIV>line " + std::to_wstring(i) + L"</DIV>";
    Fixture f(html + L"</BODY>", 300, 200);
    HWND h = f.win.Handle();
    Document* doc = f.Doc();
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 5));
    // one move to below the window, then the mouse stays there
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 230));
    int first = f.win.ScrollY();
    EXPECT_GT(first, 0);
    Settle([&] { return f.win.ScrollY() > first + 100; });
    EXPECT_GT(f.win.ScrollY(), first + 100);
    // the selection reaches the line at the bottom edge
    std::wstring picked = doc->GetSelection().Text();
    EXPECT_EQ(picked.rfind(L"line 0", 0), 0u) << testing::PrintToString(picked.substr(0, 20));
    Rect endRect;
    ASSERT_TRUE(f.win.GetLayout().CaretRect(doc->GetSelection().End(), &endRect));
    EXPECT_GE(endRect.bottom, f.win.ScrollY() + 150);

    // back inside the window: the scrolling stops
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 100));
    int inside = f.win.ScrollY();
    PumpFor(300);   // several timer periods
    EXPECT_EQ(f.win.ScrollY(), inside);
    // past the top edge it scrolls up; the button coming up ends it
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, -30));
    int up = f.win.ScrollY();
    Settle([&] { return f.win.ScrollY() < up - 50 || f.win.ScrollY() == 0; });
    EXPECT_LT(f.win.ScrollY(), up - 20);
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(20, -30));
    int released = f.win.ScrollY();
    PumpFor(300);
    EXPECT_EQ(f.win.ScrollY(), released);
}

TEST(Window, LinksTellTheDesignerAndClicksReachTheirHandlers) {
    Fixture f(L"<BODY style=\"font-size: 20px\"><DIV>see <A href=\"http://x/\">the link</A> here</DIV></BODY>");
    Rect r;
    ASSERT_TRUE(f.win.GetLayout().ElementRect(f.Find(L"A"), &r));
    SendMessageW(f.win.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(r.left + 3, r.top + 3));
    SendMessageW(f.win.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(1, r.bottom + 40));
    ASSERT_EQ(f.host.designer.size(), 2u);
    EXPECT_EQ(f.host.designer[0].first, DesignerEvent::MouseOver);
    EXPECT_EQ(f.host.designer[0].second, L"http://x/");
    EXPECT_EQ(f.host.designer[1].first, DesignerEvent::MouseOut);
    struct Count : IEventHandler {
        int n = 0;
        bool Invoke(Element*) override { ++n; return true; }
    };
    auto click = std::make_shared<Count>(), dbl = std::make_shared<Count>();
    f.Find(L"A")->SetEventHandler(L"onclick", click);
    f.Find(L"A")->SetEventHandler(L"ondblclick", dbl);
    f.Click(r.left + 3, r.top + 3);
    SendMessageW(f.win.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(r.left + 3, r.top + 3));
    Settle();
    EXPECT_EQ(click->n, 1);
    EXPECT_EQ(dbl->n, 1);
}

TEST(Window, PicturesLoadInTheBackground) {
    std::string bmp = MakeBmp(80, 40, [](int x, int) { return x < 40 ? 0xFF0000u : 0x0000FFu; });
    Fixture f(L"", 400, 300);
    f.win.SetResolver([&](const std::wstring& url, std::string* bytes) {
        if (url == L"pic://ok") { *bytes = bmp; return true; }
        if (url == L"pic://broken") { *bytes = "not a picture"; return true; }
        if (url == L"pic://huge") {   // a PNG header claiming 60000 x 60000 pixels
            *bytes = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\xea\x60\0\0\xea\x60\x08\x06\0\0\0", 29);
            return true;
        }
        return false;
    });
    f.win.LoadHtml(L"<BODY style=\"margin:0\"><IMG src=\"pic://ok\"><IMG src=\"pic://broken\"><IMG src=\"pic://huge\" "
                   L"style=\"max-width: 200px\"><IMG src=\"nowhere:x\"></BODY>");
    EXPECT_TRUE(f.win.IsBusy());
    Settle([&] { return !f.win.IsBusy(); });
    ASSERT_FALSE(f.win.IsBusy());
    Element* ok = f.Find(L"IMG", 0);
    EXPECT_EQ(ok->NaturalWidth(), 80);
    Rect r;
    f.win.GetLayout().ElementRect(ok, &r);
    EXPECT_EQ(r.Width(), 80);
    EXPECT_EQ(r.Height(), 40);
    int w, h;
    auto px = f.Pixels(&w, &h);
    EXPECT_EQ(px[size_t(r.top + 20) * w + r.left + 10], 0xFF0000u);
    EXPECT_EQ(px[size_t(r.top + 20) * w + r.left + 70], 0x0000FFu);
    EXPECT_EQ(f.Find(L"IMG", 1)->NaturalWidth(), 0);   // broken: a placeholder
    f.win.GetLayout().ElementRect(f.Find(L"IMG", 2), &r);
    EXPECT_EQ(r.Width(), 200);
    EXPECT_EQ(r.Height(), 200);
    HBITMAP copy = nullptr;
    EXPECT_EQ(f.win.RenderImage(ok, &copy), S_OK);
    ASSERT_TRUE(copy);
    BITMAP bm;
    GetObjectW(copy, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 80);
    DeleteObject(copy);
    EXPECT_EQ(f.win.RenderImage(f.Find(L"DIV"), &copy), E_INVALIDARG);
}

TEST(Window, PrintingPaginatesAtThePageHeight) {
    std::wstring html = L"<BODY>";
    for (int i = 0; i < 200; ++i) html += L"<DIV>line " + std::to_wstring(i) + L"</DIV>";
    Fixture f(html + L"</BODY>");
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 50, 50);
    SelectObject(mem, bmp);
    int pages = f.win.PrintPages(mem, false);
    int pageH = GetDeviceCaps(mem, VERTRES) * 96 / GetDeviceCaps(mem, LOGPIXELSY);
    int content = f.win.GetLayout().ContentHeight();
    (void)content;
    EXPECT_GE(pages, 1);
    EXPECT_LE(pages, 1 + 200 * 40 / std::max(1, pageH));
    DeleteDC(mem);
    DeleteObject(bmp);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(f.win.QueryStatus(CMD_PRINT) & (CMDF_SUPPORTED | CMDF_ENABLED), unsigned(CMDF_SUPPORTED | CMDF_ENABLED));
}

TEST(Window, BadInputNeitherCrashesNorHangs) {
    std::wstring deep = L"<BODY>";
    for (int i = 0; i < 3000; ++i) deep += (i % 3 == 0) ? L"<TABLE><TR><TD>" : (i % 3 == 1) ? L"<UL><LI>x" : L"<DIV>y";
    Fixture f(deep + L"</BODY>", 300, 200);
    f.win.ScrollTo(1 << 30);
    int w, h;
    f.Pixels(&w, &h);
    SetFocus(f.win.Handle());
    for (UINT k : {VK_END, VK_DOWN, VK_RIGHT, VK_UP, VK_HOME, VK_NEXT, VK_PRIOR}) f.Key(k, true, false);
    f.Click(10, 10);
    // a picture that claims 60000 x 60000 pixels and nothing limits: laid out at that size,
    // never decoded, painted and scrolled through as a placeholder
    f.win.SetResolver([](const std::wstring&, std::string* bytes) {
        *bytes = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\xea\x60\0\0\xea\x60\x08\x06\0\0\0", 29);
        return true;
    });
    f.win.LoadHtml(L"<BODY style=\"margin:0\"><IMG src=\"pic://huge\"><DIV>after</DIV></BODY>");
    Settle([&] { return !f.win.IsBusy(); });
    Rect huge;
    ASSERT_TRUE(f.win.GetLayout().ElementRect(f.Find(L"IMG"), &huge));
    EXPECT_EQ(huge.Width(), 60000);
    EXPECT_EQ(huge.Height(), 60000);
    f.win.ScrollTo(30000);
    f.Pixels(&w, &h);
    f.Key(VK_END, false, true);
    f.Type(L"z");
    EXPECT_EQ(f.Find(L"DIV")->InnerText(), L"afterz");
    // zero-width window
    MoveWindow(f.win.Handle(), 0, 0, 0, 100, TRUE);
    f.win.LoadHtml(L"<BODY><DIV>some words that wrap at every space</DIV><TABLE><TR><TD>a</TD></TR></TABLE></BODY>");
    Settle();
    f.Key(VK_DOWN);
    f.Key(VK_END, true);
    MoveWindow(f.win.Handle(), 0, 0, 300, 200, TRUE);
    // a 10 MB note
    std::wstring big = L"<BODY>";
    while (big.size() < 10u * 1024 * 1024) big += L"<DIV>Words in a paragraph of a very large note, <B>bold</B> and plain.</DIV>";
    f.win.LoadHtml(big + L"</BODY>");
    Settle();
    f.win.ScrollTo(f.win.GetLayout().ContentHeight() / 2);
    f.Pixels(&w, &h);
    f.Key(VK_END, false, true);
    f.Type(L"z");
    EXPECT_GT(f.win.GetLayout().ContentHeight(), 100000);
}

TEST(Window, FontFamiliesMapToFacesOfTheirKind) {
    // where a named face is missing, the font mapper still gets one of the same kind: a fixed
    // pitch for monospace and Courier New, so PRE lines up
    GdiPlatform gdi;
    for (const wchar_t* family : {L"monospace", L"Courier New", L"Lucida Console"}) {
        FontSpec spec;
        spec.family = family;
        spec.sizePx = 16;
        int font = gdi.MakeFont(spec);
        EXPECT_EQ(gdi.TextWidth(font, L"iiii", 4), gdi.TextWidth(font, L"MMMM", 4)) << testing::PrintToString(std::wstring(family));
    }
    FontSpec sans;
    sans.family = L"Arial";
    sans.sizePx = 16;
    int font = gdi.MakeFont(sans);
    EXPECT_LT(gdi.TextWidth(font, L"iiii", 4), gdi.TextWidth(font, L"MMMM", 4));
}

TEST(Window, TextIsDrawnWhereItWasMeasured) {
    // long runs end inside their measured width (a string ending in a full stop or "!", whose
    // ink stays inside its advance), so nothing drawn runs into the next item
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 900;
    bi.bmiHeader.biHeight = -40;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, dib);
    GdiPlatform gdi;
    gdi.SetTarget(dc);
    const wchar_t* texts[] = {L"\u0420\u0443\u0441\u0441\u043a\u0438\u0439 \u0442\u0435\u043a\u0441\u0442: "
                              L"\u041f\u0440\u0438\u0432\u0435\u0442, \u0433\u043e\u0440\u044b!",
                              L"Words in a paragraph of a very large note, bold and plain.",
                              L"Stove, gas and matches; tent and sleeping bag; maps, paper and phone."};
    for (int size : {13, 14, 16}) {
        FontSpec spec;
        spec.family = L"Arial";
        spec.sizePx = size;
        int font = gdi.MakeFont(spec);
        for (const wchar_t* text : texts) {
            std::wstring t(text);
            gdi.FillRect(Rect{0, 0, 900, 40}, 0xFFFFFF);
            gdi.DrawString(font, 10, 28, t.data(), t.size(), 0);
            GdiFlush();
            int right = -1;
            const uint32_t* px = static_cast<const uint32_t*>(bits);
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 900; ++x)
                    if ((px[y * 900 + x] & 0xFFFFFF) != 0xFFFFFF) right = std::max(right, x);
            EXPECT_LE(right + 1 - 10, gdi.TextWidth(font, t.data(), t.size())) << size << " " << testing::PrintToString(t);
        }
    }
    gdi.SetTarget(nullptr);
    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(dc);
}

TEST(Window, RichNoteScreenshot) {
    std::string bmp = MakeBmp(160, 90, [](int x, int y) {
        return uint32_t((x * 255 / 160) << 16 | (y * 255 / 90) << 8 | 0x80);
    });
    Fixture f(L"", 760, 700);
    f.win.SetResolver([&](const std::wstring&, std::string* bytes) { *bytes = bmp; return true; });
    f.win.LoadHtml(
        L"<HTML><HEAD><STYLE type=text/css>\nIMG {\nborder: none;\nmax-width: 660px;\nheight: auto;\n}\n</STYLE></HEAD>"
        L"<BODY style=\"font-size:14px; font-family:'Arial'; \">"
        L"<H1>Trip to the mountains</H1><H2>Packing list</H2>"
        L"<DIV><SPAN contentEditable=false><INPUT type=checkbox checked></SPAN> Tent and sleeping bag</DIV>"
        L"<DIV><SPAN contentEditable=false><INPUT type=checkbox></SPAN> Stove, <B>gas</B> and <I>matches</I></DIV>"
        L"<UL><LI>Maps<UL><LI>paper</LI><LI>phone</LI></UL></LI><LI>Water <FONT color=#cc0000>filter</FONT></LI></UL>"
        L"<OL><LI>Day one: valley</LI><LI>Day two: <U>ridge</U> and <STRIKE>summit</STRIKE></LI></OL>"
        L"<TABLE width=550px border=1 cellpadding=3><TBODY><TR><TD><DIV><B>Day</B></DIV></TD><TD><DIV><B>Distance</B></DIV></TD></TR>"
        L"<TR><TD><DIV>1</DIV></TD><TD><DIV>12 km</DIV></TD></TR><TR><TD colspan=2><DIV>Rest day</DIV></TD></TR></TBODY></TABLE>"
        L"<DIV style=\"line-height: 1.5\">Русский текст: Привет, горы! <A href=\"http://example.org/\">a link</A> and "
        L"<SPAN style=\"background-color: #ffff00\">highlighted</SPAN> words.</DIV>"
        L"<DIV align=center><IMG src=\"pic://view\" width=160 height=90></DIV><HR>"
        L"<PRE>  code  block\n    indented</PRE></BODY></HTML>");
    Settle([&] { return !f.win.IsBusy(); });
    int w, h;
    auto px = f.Pixels(&w, &h);
    // something of everything is there: dark text, the picture's colours, the table's grey border
    int dark = 0, red = 0;
    for (uint32_t p : px) {
        dark += p == 0;
        red += p == 0xCC0000;
    }
    EXPECT_GT(dark, 1000);
    EXPECT_GT(red, 5);
    const char* shot = std::getenv("PELORA_SHOT");
    if (shot && *shot) {
        BITMAPFILEHEADER fh = {};
        BITMAPINFOHEADER ih = {};
        ih.biSize = sizeof ih;
        ih.biWidth = w;
        ih.biHeight = -h;
        ih.biPlanes = 1;
        ih.biBitCount = 32;
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof ih;
        fh.bfSize = fh.bfOffBits + DWORD(px.size() * 4);
        FILE* out = std::fopen(shot, "wb");
        ASSERT_TRUE(out);
        std::fwrite(&fh, sizeof fh, 1, out);
        std::fwrite(&ih, sizeof ih, 1, out);
        std::fwrite(px.data(), 4, px.size(), out);
        std::fclose(out);
    }
}
