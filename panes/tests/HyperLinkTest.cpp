// The hyperlink control: clicks (open, command, both, neither), hover and leave, the focus
// notices, the cursor, and the colours it paints in each state.
#include "HyperLink.h"
#include "PanesTestUtil.h"

using namespace ptest;

namespace {

class TestLink : public PeloraUI::CHyperLink {
public:
    std::vector<CString> opened;
    CPoint pointer{-1000, -1000};  // screen position the link sees
    void OpenAddress(const CString& address) override { opened.push_back(address); }
    CPoint PointerPos() const override { return pointer; }
};

struct LinkFixture {
    Host host;
    TestLink link;
    explicit LinkFixture(DWORD style = 0, UINT id = 500)
    {
        link.Create(L"Open the help", WS_CHILD | WS_VISIBLE | style, CRect(10, 10, 130, 30), &host, id);
    }
    void Click(int x1, int y1, int x2, int y2)
    {
        link.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x1, y1));
        link.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x2, y2));
        link.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(x2, y2));
        Pump();
    }
    int Commands() const
    {
        int n = 0;
        for (const auto& notice : host.notices)
            n += notice.message == WM_COMMAND && notice.id == 500;
        return n;
    }
};

TEST(HyperLink, AClickOpensTheAddressOrTellsTheParent)
{
    struct Case {
        const char* name;
        const wchar_t* address;
        int openOnClick;
        DWORD style;
        UINT id;
        int releaseX;
        bool disabled;
        int opened, commands;
    } table[] = {
        {"address", L"https://help.example/", 1, 0, 500, 20, false, 1, 0},
        {"no address", nullptr, 1, 0, 500, 20, false, 0, 1},
        {"empty address", L"", 1, 0, 500, 20, false, 0, 1},
        {"opening off", L"https://help.example/", 0, 0, 500, 20, false, 0, 1},
        {"notify style: both", L"https://help.example/", 1, SS_NOTIFY, 500, 20, false, 1, 1},
        {"no id: no command", nullptr, 1, 0, 0, 20, false, 0, 0},
        {"released outside", L"https://help.example/", 1, SS_NOTIFY, 500, 400, false, 0, 0},
        {"disabled", L"https://help.example/", 1, SS_NOTIFY, 500, 20, true, 0, 0},
    };
    for (const auto& t : table) {
        LinkFixture f(t.style, t.id);
        f.link.SetTooltipText(t.address);
        f.link.m_bOpenOnClick = t.openOnClick;
        f.link.m_bDisabled = t.disabled;
        f.Click(20, 10, t.releaseX, 10);
        EXPECT_EQ(t.opened, (int)f.link.opened.size()) << t.name;
        if (t.opened) {
            EXPECT_STREQ(t.address, (const wchar_t*)f.link.opened[0]) << t.name;
        }
        int commands = 0;
        for (const auto& n : f.host.notices)
            commands += n.message == WM_COMMAND;
        EXPECT_EQ(t.commands, commands) << t.name;
        EXPECT_FALSE(f.link.m_bPressed) << t.name;
        EXPECT_NE(f.link.m_hWnd, ::GetCapture()) << t.name;
    }
}

TEST(HyperLink, AReleaseWithoutAPressHereDoesNothing)
{
    LinkFixture f(SS_NOTIFY);
    f.link.SetTooltipText(L"https://help.example/");
    f.link.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    EXPECT_TRUE(f.link.opened.empty());
    EXPECT_EQ(0, f.Commands());
}

TEST(HyperLink, HoverIsKeptWhileThePointerIsStillOverTheLinkOrItsTip)
{
    LinkFixture f;
    CRect win;
    f.link.GetWindowRect(&win);
    f.link.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    EXPECT_TRUE(f.link.m_bHovered);
    EXPECT_EQ(f.link.m_clrHover, f.link.TextColour());

    // The leave notice comes while the pointer is still over the link (it went onto the tip,
    // which covers it): the hover look stays, and the timer decides later.
    f.link.pointer = win.CenterPoint();
    f.link.SendMessage(WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(f.link.m_bHovered);
    f.link.SendMessage(WM_TIMER, PeloraUI::CHyperLink::TimerLeave, 0);
    EXPECT_TRUE(f.link.m_bHovered) << "still there when the timer came";

    f.link.pointer = CPoint(win.right + 200, win.bottom + 200);
    f.link.SendMessage(WM_TIMER, PeloraUI::CHyperLink::TimerLeave, 0);
    EXPECT_FALSE(f.link.m_bHovered);
    EXPECT_EQ(f.link.m_clrNormal, f.link.TextColour());

    // Leaving straight away ends the hover at once.
    f.link.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    f.link.SendMessage(WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(f.link.m_bHovered);
}

TEST(HyperLink, TheHandShowsUnlessDisabledAndTheFocusIsReported)
{
    HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW), hand = ::LoadCursorW(nullptr, IDC_HAND);
    for (int disabled : {0, 1}) {
        LinkFixture f;
        f.link.m_bDisabled = disabled;
        ::SetCursor(arrow);
        f.link.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
        EXPECT_EQ(disabled ? arrow : hand, ::GetCursor()) << disabled;
        EXPECT_EQ(!disabled, f.link.m_bHovered != 0) << disabled;
    }
    LinkFixture f;
    f.link.SendMessage(WM_SETFOCUS, 0, 0);
    f.link.SendMessage(WM_KILLFOCUS, 0, 0);
    ASSERT_EQ(2u, f.host.notices.size());
    EXPECT_EQ(773u, f.host.notices[0].code);
    EXPECT_EQ(774u, f.host.notices[1].code);
    EXPECT_EQ(500u, f.host.notices[1].id);
}

TEST(HyperLink, TextAndUnderlineColoursFollowTheState)
{
    const COLORREF bg = RGB(250, 250, 240);
    struct Case { const char* name; int highlight, hovered, pressed, disabled; COLORREF text, underline; } table[] = {
        {"normal", 0, 0, 0, 0, RGB(0, 0, 255), bg},
        {"normal highlighted", 1, 0, 0, 0, RGB(0, 0, 255), RGB(0, 0, 255)},
        {"hovered", 0, 1, 0, 0, RGB(255, 0, 0), RGB(255, 0, 0)},
        {"pressed", 0, 1, 1, 0, RGB(200, 0, 225), RGB(200, 0, 225)},
        {"disabled", 1, 1, 0, 1, ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNSHADOW)},
    };
    for (const auto& t : table) {
        LinkFixture f;
        f.link.SetBackgroundColour(bg);
        f.link.m_bHighlight = t.highlight;
        f.link.m_bHovered = t.hovered;
        f.link.m_bPressed = t.pressed;
        f.link.m_bDisabled = t.disabled;
        EXPECT_EQ(t.text, f.link.TextColour()) << t.name;
        Canvas canvas(120, 20, RGB(0, 255, 0));
        f.link.Paint(&canvas.dc);
        // Line height from the link's font; one line, centred; underline on its last row.
        CFont* old = canvas.dc.SelectObject(&f.link.m_font);
        TEXTMETRICW tm;
        canvas.dc.GetTextMetrics(&tm);
        const int width = canvas.dc.GetTextExtent(CString(L"Open the help")).cx;
        canvas.dc.SelectObject(old);
        const int top = std::max(0, (20 - (int)(tm.tmHeight + 2) - 1) / 2);
        const int underlineY = top + tm.tmHeight - 1;
        EXPECT_EQ(bg, canvas.At(119, 0)) << t.name;
        EXPECT_EQ(t.underline, canvas.At(1, underlineY)) << t.name;
        EXPECT_EQ(t.underline, canvas.At(width, underlineY)) << t.name;
        EXPECT_EQ(bg, canvas.At(width + 1, underlineY)) << t.name;
        CRect textArea(1, top, width + 1, underlineY - 1);
        EXPECT_GT(canvas.Count(textArea, t.text), 0) << t.name;
    }
}

TEST(HyperLink, MultiLineTextIsCentredAsABlock)
{
    LinkFixture f;
    f.link.SetWindowPos(nullptr, 0, 0, 120, 60, SWP_NOMOVE | SWP_NOZORDER);
    f.link.m_bMultiLine = TRUE;
    f.link.m_bHighlight = TRUE;
    f.link.SetDrawText(L"one\ntwo\n\n");  // trailing line feeds do not count
    Canvas canvas(120, 60, RGB(0, 255, 0));
    f.link.Paint(&canvas.dc);
    CFont* old = canvas.dc.SelectObject(&f.link.m_font);
    TEXTMETRICW tm;
    canvas.dc.GetTextMetrics(&tm);
    canvas.dc.SelectObject(old);
    const int lineH = tm.tmHeight + 2, top = (60 - 2 * lineH - 1) / 2;
    const COLORREF blue = RGB(0, 0, 255);
    for (int line = 0; line < 3; ++line) {
        const int y = top + line * lineH + tm.tmHeight - 1;
        EXPECT_EQ(line < 2 ? blue : f.link.m_clrBackground, canvas.At(2, y)) << "underline of line " << line;
    }
}

}  // namespace
