#include "LWBitmapButton.h"
#include "LWComboBox.h"
#include "LWEdit.h"
#include "WidgetTestUtil.h"
#include "test_ids.h"

namespace {

struct EditHost {
    wtest::Host host;
    LWEdit edit;
    CButton other;
    explicit EditHost(bool visible = false) : host(400, 300, visible)
    {
        edit.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, CRect(10, 10, 210, 34), &host, 7);
        other.Create(L"other", WS_CHILD | WS_VISIBLE, CRect(10, 50, 100, 70), &host, 8);
        wtest::Pump();
        host.Take();
    }
    void Key(UINT vk)
    {
        edit.PostMessage(WM_KEYDOWN, vk, 1);
        wtest::Pump();
    }
    void Char(wchar_t ch)
    {
        edit.PostMessage(WM_CHAR, ch, 1);
        wtest::Pump();
    }
    CString Text()
    {
        CString t;
        edit.GetWindowText(t);
        return t;
    }
};

// Holds modifier keys down in the thread's key state while it lives.
struct Modifiers {
    BYTE saved[256];
    Modifiers(std::initializer_list<int> keys)
    {
        ::GetKeyboardState(saved);
        BYTE state[256];
        memcpy(state, saved, sizeof state);
        for (int k : keys)
            state[k] = 0x80;
        ::SetKeyboardState(state);
    }
    ~Modifiers() { ::SetKeyboardState(saved); }
};

TEST(Edit, KeysBecomeNoticesToTheParent)
{
    const struct {
        const char* name;
        UINT key;
        INT_PTR tabNotify;
        UINT code;  // 0: no notice
    } table[] = {
        {"Enter", VK_RETURN, 0, LWEN_ENTER},
        {"Esc", VK_ESCAPE, 0, LWEN_ESCAPE},
        {"Tab with Tab-notify", VK_TAB, 1, LWEN_TAB},
        {"Tab without it", VK_TAB, 0, 0},
        {"a letter", 'Q', 0, 0},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        EditHost h;
        h.edit.m_bTabNotify = row.tabNotify;
        h.Key(row.key);
        auto seen = h.host.Take();
        if (!row.code) {
            for (const auto& n : seen)
                EXPECT_NE((UINT)WM_NOTIFY, n.message);
            continue;
        }
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ((UINT)WM_NOTIFY, seen[0].message);
        EXPECT_EQ(row.code, seen[0].code);
        EXPECT_EQ(7u, seen[0].id);
        EXPECT_EQ(h.edit.m_hWnd, seen[0].from);
        EXPECT_EQ((WPARAM)h.edit.m_hWnd, seen[0].wParam);
    }
}

TEST(Edit, EveryCharacterIsReportedAndADisabledEditIgnoresThem)
{
    EditHost h;
    h.Char(L'h');
    h.Char(L'i');
    EXPECT_EQ(CString(L"hi"), h.Text());
    auto seen = h.host.Take();
    int chars = 0;
    for (const auto& n : seen)
        if (n.message == WM_COMMAND && n.code == LWEN_CHAR && n.id == 7)
            ++chars;
    EXPECT_EQ(2, chars);
    EXPECT_EQ(769, LWEN_CHAR);

    h.edit.EnableWindow(FALSE);
    h.Char(L'x');
    h.Key(VK_RETURN);
    EXPECT_EQ(CString(L"hi"), h.Text());
    EXPECT_TRUE(h.host.Take().empty());
}

TEST(Edit, FocusChangesAreReported)
{
    EditHost h(true);
    h.host.SetForegroundWindow();
    h.other.SetFocus();
    wtest::Pump();
    h.host.Take();
    h.edit.SetFocus();
    wtest::Pump();
    h.other.SetFocus();
    wtest::Pump();
    std::vector<UINT> codes;
    for (const auto& n : h.host.Take())
        if (n.message == WM_NOTIFY)
            codes.push_back(n.code);
    EXPECT_EQ((std::vector<UINT>{LWEN_SETFOCUS, LWEN_KILLFOCUS}), codes);
}

TEST(Edit, DoubleClickAsksTheParentFirst)
{
    EditHost h;
    h.edit.SetWindowText(L"alpha beta");
    h.edit.SetSel(0, 0);
    h.host.answerCommand = 1;  // the parent takes it: the edit does not select a word
    h.edit.PostMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    wtest::Pump();
    int doubleClicks = 0;
    for (const auto& n : h.host.Take())
        doubleClicks += n.message == WM_COMMAND && n.code == LWEN_DBLCLK && n.id == 7;
    EXPECT_EQ(1, doubleClicks);
    EXPECT_EQ(772, LWEN_DBLCLK);
    int start = -1, end = -1;
    h.edit.GetSel(start, end);
    EXPECT_EQ(0, end);
}

TEST(Edit, CtrlBackspaceDeletesTheWordBeforeTheCaret)
{
    const struct {
        const wchar_t* text;
        int start, end;
        const wchar_t* after;
        int caret;
    } table[] = {
        {L"hello world", 11, 11, L"hello ", 6},     // at the very end: nothing is read past it
        {L"hello world", 6, 6, L"world", 0},        // after a space: the spaces and the word
        {L"hello    world", 7, 7, L"hello  world", 5},  // between spaces: only the spaces
        {L"hello world", 3, 3, L"lo world", 0},     // inside a word: back to its start
        {L"hello world", 5, 5, L" world", 0},       // before a space: the word and spaces before it
        {L"one two", 0, 0, L"one two", 0},          // at the start: nothing
        {L"hello world", 6, 9, L"ld", 0},           // a selection goes too
        {L"   ", 3, 3, L"", 0},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message() << CStringA(row.text).GetString() << " @" << row.start);
        EditHost h;
        h.edit.SetWindowText(row.text);
        h.edit.SetSel(row.start, row.end);
        {
            Modifiers ctrl({VK_CONTROL});
            h.Key(VK_BACK);
        }
        EXPECT_EQ(CString(row.after), h.Text());
        int s = -1, e = -1;
        h.edit.GetSel(s, e);
        EXPECT_EQ(row.caret, s);
        EXPECT_EQ(row.caret, e);
    }
}

TEST(Edit, CtrlASelectsEverything)
{
    EditHost h;
    h.edit.SetWindowText(L"select me");
    h.edit.SetSel(2, 2);
    {
        Modifiers ctrl({VK_CONTROL});
        h.Key('A');
    }
    int s = -1, e = -1;
    h.edit.GetSel(s, e);
    EXPECT_EQ(0, s);
    EXPECT_EQ(9, e);
}

TEST(Edit, CueTextShowsOnlyWhileEmptyAndUnfocused)
{
    EditHost h;
    h.edit.m_strCue = L"Search";
    h.edit.m_clrCue = RGB(250, 0, 0);
    wtest::Canvas canvas(200, 24, RGB(255, 255, 255));
    EXPECT_TRUE(h.edit.DrawHelperString(&canvas.dc));
    bool red = false;
    for (int y = 0; y < 24 && !red; ++y)
        for (int x = 0; x < 200 && !red; ++x)
            red = canvas.At(x, y) == RGB(250, 0, 0);
    EXPECT_TRUE(red);
    h.edit.SetWindowText(L"  ");
    EXPECT_TRUE(h.edit.DrawHelperString(&canvas.dc));
    h.edit.SetWindowText(L"x");
    EXPECT_FALSE(h.edit.DrawHelperString(&canvas.dc));
    h.edit.SetWindowText(L"");
    h.edit.m_strCue.Empty();
    EXPECT_FALSE(h.edit.DrawHelperString(&canvas.dc));
}

TEST(Edit, OwnBorderCentresTheTextLine)
{
    wtest::Host host;
    LWEdit edit;
    edit.m_nBorderMode = 1;
    edit.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(10, 10, 210, 50), &host, 3);
    edit.SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    CRect client;
    edit.GetClientRect(&client);
    EXPECT_LT(client.Height(), 30);
    EXPECT_GT(client.Height(), 5);
    EXPECT_FALSE(edit.m_rcLayoutClient.IsRectEmpty());
}

// ---- combo box ----

class Combo : public LWComboBox {
public:
    using LWComboBox::FitText;
};

TEST(ComboBox, CreateMakesAnOwnerDrawnDropList)
{
    wtest::Host host;
    LWComboBox combo;
    ASSERT_TRUE(combo.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL, CRect(10, 10, 200, 200), &host, 5));
    EXPECT_EQ((DWORD)0x223, combo.GetStyle() & 0x223);
    combo.AddString(L"one");
    combo.AddString(L"two");
    combo.ResetContent();
    EXPECT_EQ(0, combo.GetCount());
}

TEST(ComboBox, NothingSelectedShowsTheCueText)
{
    wtest::Host host;
    LWComboBox combo;
    combo.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(10, 10, 200, 200), &host, 5);
    combo.AddString(L"first");
    CRect client;
    combo.GetClientRect(&client);
    wtest::Canvas empty(client.Width(), client.Height(), RGB(1, 2, 3));
    combo.Draw(&empty.dc);
    combo.m_strCue = L"Choose a folder";
    wtest::Canvas cue(client.Width(), client.Height(), RGB(1, 2, 3));
    combo.Draw(&cue.dc);
    int differ = 0;
    for (int y = 0; y < cue.h; ++y)
        for (int x = 0; x < cue.w; ++x)
            differ += cue.At(x, y) != empty.At(x, y);
    EXPECT_GT(differ, 20);
    EXPECT_EQ(RGB(255, 255, 255), cue.At(3, 3));  // white face inside the border
}

TEST(ComboBox, LongTextsAreShortenedWhenNothingElseFits)
{
    Combo combo;
    wtest::Canvas canvas(10, 10, 0);
    CFont* old = canvas.dc.SelectObject(&combo.m_font);
    const CString text = L"A rather long folder name";
    const int full = canvas.dc.GetTextExtent(text, text.GetLength()).cx;
    const int dots = canvas.dc.GetTextExtent(L"A...", 4).cx;
    EXPECT_EQ(text, combo.FitText(&canvas.dc, text, full));
    CString shortened = combo.FitText(&canvas.dc, text, full - 10);
    EXPECT_EQ(L"...", shortened.Right(3));
    EXPECT_LE(canvas.dc.GetTextExtent(shortened, shortened.GetLength()).cx, full - 10);
    EXPECT_EQ(CString(L"A..."), combo.FitText(&canvas.dc, text, dots));
    EXPECT_EQ(text, combo.FitText(&canvas.dc, text, dots - 1));  // not even one character fits
    canvas.dc.SelectObject(old);
}

TEST(ComboBox, DropListItemsPaintOnlyWhenSelectionAndFocusAgree)
{
    wtest::Host host;
    LWComboBox combo;
    combo.Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(10, 10, 200, 200), &host, 5);
    combo.AddString(L"item");
    const struct {
        UINT state;
        COLORREF at;
    } table[] = {
        {ODS_SELECTED | ODS_FOCUS, 0xF1C379}, {0, 0xFFFFFF}, {ODS_SELECTED, RGB(1, 2, 3)}, {ODS_FOCUS, RGB(1, 2, 3)},
    };
    for (const auto& row : table) {
        wtest::Canvas canvas(100, 20, RGB(1, 2, 3));
        DRAWITEMSTRUCT dis = {ODT_COMBOBOX, 5, 0, ODA_DRAWENTIRE, row.state, combo.m_hWnd, canvas.dc.GetSafeHdc(),
                              {0, 0, 100, 20}, 0};
        combo.DrawItem(&dis);
        EXPECT_EQ(row.at, canvas.At(95, 2)) << row.state;
    }
}

// ---- bitmap button ----

TEST(BitmapButton, TakesItsBitmapsByNameAndTheirSize)
{
    wtest::TraceCatcher trace;
    wtest::Host host;
    LWBitmapButton ok;
    ASSERT_TRUE(ok.Create(CString(L"okbutton"), CRect(20, 20, 20, 20), &host, 9));
    CRect r;
    ok.GetWindowRect(&r);
    EXPECT_EQ(32, r.Width());
    EXPECT_EQ(24, r.Height());
    EXPECT_TRUE(ok.GetExStyle() & WS_EX_TRANSPARENT);
    EXPECT_EQ(0x5600000Bu, (DWORD)ok.GetStyle() & 0xFFFF000Fu);

    LWBitmapButton none;
    EXPECT_FALSE(none.Create(CString(L"nosuch"), CRect(0, 0, 10, 10), &host, 10));
    EXPECT_TRUE(trace.Saw(L"LWBitmapButton: no bitmap nosuchU"));

    // each state shows its own face
    wtest::Canvas up(32, 24, 0), down(32, 24, 0);
    DRAWITEMSTRUCT dis = {ODT_BUTTON, 9, 0, ODA_DRAWENTIRE, 0, ok.m_hWnd, up.dc.GetSafeHdc(), {0, 0, 32, 24}, 0};
    ok.DrawItem(&dis);
    dis.hDC = down.dc.GetSafeHdc();
    dis.itemState = ODS_SELECTED;
    ok.DrawItem(&dis);
    EXPECT_NE(up.At(6, 6), down.At(6, 6));
}

} // namespace
