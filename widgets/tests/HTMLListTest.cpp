#include "HTMLListCtrl.h"
#include "WidgetTestUtil.h"
#include <string>
#include <vector>

namespace {

struct Said {
    UINT code;
    int item;
    std::wstring text;
    long data;
    BOOL checked;
};

class HtmlHost : public CWnd {
public:
    std::vector<Said> said;
    HtmlHost()
    {
        CreateEx(0, AfxRegisterWndClass(CS_DBLCLKS), L"html", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 300, 400, nullptr, nullptr);
    }
    ~HtmlHost() override { DestroyWindow(); }
    std::vector<UINT> Codes()
    {
        std::vector<UINT> out;
        for (const Said& s : said)
            out.push_back(s.code);
        return out;
    }
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (message == WM_NOTIFY && wParam == 5) {
            const NM_HTMLLISTCTRL* nm = (const NM_HTMLLISTCTRL*)lParam;
            said.push_back({nm->hdr.code, nm->nItemNo, (LPCWSTR)nm->sItemText, nm->lItemData, nm->bChecked});
            *result = 0;
            return TRUE;
        }
        return CWnd::OnWndMsg(message, wParam, lParam, result);
    }
};

class CountingList : public CHTMLListCtrl {
public:
    std::vector<int> drawn;
    void DrawItem(CDC* dc, CRect rect, HTMLLIST_ITEM* item, BOOL selected) override
    {
        drawn.push_back(item->nItemNo);
        CHTMLListCtrl::DrawItem(dc, rect, item, selected);
    }
};

std::vector<LWHtmlRun> Runs(const wchar_t* text, UINT format = DT_WORDBREAK, BOOL grey = FALSE, int width = 1000)
{
    wtest::Canvas canvas(10, 10, RGB(255, 255, 255));
    canvas.dc.SelectObject(CFont::FromHandle((HFONT)::GetStockObject(DEFAULT_GUI_FONT)));
    canvas.dc.SetTextColor(RGB(1, 2, 3));
    RECT r = {0, 0, width, 100};
    std::vector<LWHtmlRun> runs;
    CHTMLListCtrl::DrawHTML(&canvas.dc, text, &r, format, grey, &runs);
    return runs;
}

TEST(HtmlRenderer, TagsSetStylesAndColours)
{
    const COLORREF ink = RGB(1, 2, 3);
    const struct {
        const wchar_t* html;
        std::vector<std::wstring> words;
        std::vector<int> styles;
        std::vector<COLORREF> colours;
    } cases[] = {
        {L"<b>bold</b> plain", {L"bold", L"plain"}, {1, 0}, {ink, ink}},
        {L"<bogus>x</bogus>y", {L"x", L"y"}, {1, 0}, {ink, ink}},  // a word beginning with b is bold
        {L"<b >x", {L"<b", L">x"}, {0, 0}, {ink, ink}},           // a space before ">": text
        {L"<i>a</i><u>b</u><sub>c</sub><sup>d</sup><em>e</em><strong>f</strong><STRONG>g",
         {L"a", L"b", L"c", L"d", L"e", L"f", L"g"}, {2, 4, 16, 8, 2, 1, 1}, {ink, ink, ink, ink, ink, ink, ink}},
        {L"<FONT color=\"#00FF00\">green</FONT> back", {L"green", L"back"}, {0, 0}, {RGB(0, 255, 0), ink}},
        {L"<font color='#0000ff'>blue", {L"blue"}, {0}, {RGB(0, 0, 255)}},
        {L"<font color=1z2y3x>odd", {L"odd"}, {0}, {RGB(0x10, 0x20, 0x30)}},  // a non-hex digit counts 0
        {L"<font size=2>same", {L"same"}, {0}, {ink}},                          // no colour: nothing pushed
        {L"<font color=#ff<b>cut", {L"cut"}, {1}, {RGB(0xFF, 0, 0)}},           // the tag ends at "<"
        {L"a<font color=#ab", {L"a"}, {0}, {ink}},                              // ends with the text
        {L"</font>x", {L"x"}, {0}, {ink}},                                      // nothing to pop
        {L"<x>y", {L"<x>y"}, {0}, {ink}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::wstring(c.html).size() << " chars: case " << (&c - cases));
        const auto runs = Runs(c.html);
        ASSERT_EQ(c.words.size(), runs.size());
        for (size_t i = 0; i < runs.size(); ++i) {
            EXPECT_EQ(c.words[i], std::wstring((LPCWSTR)runs[i].word)) << i;
            EXPECT_EQ(c.styles[i], runs[i].style) << i;
            EXPECT_EQ(c.colours[i], runs[i].colour) << i;
        }
    }
    // Nine nested colours on a stack of eight: the ninth changes without a push.
    std::wstring deep;
    for (int i = 1; i <= 9; ++i) {
        wchar_t tag[32];
        swprintf(tag, 32, L"<font color=#0000%02x>", i);
        deep += tag;
    }
    deep += L"w9</font>w8</font>w7";
    const auto runs = Runs(deep.c_str());
    ASSERT_EQ(3u, runs.size());
    EXPECT_EQ(RGB(0, 0, 9), runs[0].colour);
    EXPECT_EQ(RGB(0, 0, 7), runs[1].colour);
    EXPECT_EQ(RGB(0, 0, 6), runs[2].colour);
}

TEST(HtmlRenderer, BreaksParagraphsWrappingGreyAndMeasure)
{
    auto runs = Runs(L"<p>a<br>b<p>c");
    ASSERT_EQ(3u, runs.size());
    const int lh = runs[1].y;
    EXPECT_GT(lh, 0);
    EXPECT_EQ(0, runs[0].y);  // a paragraph as the first token adds no gap
    EXPECT_EQ(lh + lh * 3 / 2, runs[2].y);
    EXPECT_EQ(runs[0].x, runs[1].x);  // each line starts again after one space
    runs = Runs(L"a<br>b", DT_WORDBREAK | DT_SINGLELINE);
    EXPECT_EQ(0, runs[1].y);

    // Words that do not fit move to the next line, or widen the area without word breaks.
    runs = Runs(L"alpha beta gamma", DT_WORDBREAK, FALSE, 60);
    ASSERT_EQ(3u, runs.size());
    EXPECT_GT(runs[2].y, 0);
    runs = Runs(L"alpha beta gamma", 0, FALSE, 60);
    EXPECT_EQ(0, runs[2].y);

    runs = Runs(L"<b>done</b> <font color=#ff0000>late", DT_WORDBREAK, TRUE);
    for (const auto& r : runs) {
        EXPECT_EQ(RGB(0xC0, 0xC0, 0xC0), r.colour);
        EXPECT_TRUE(r.style & 64);
    }

    wtest::Canvas canvas(10, 10, RGB(255, 255, 255));
    CRect r(10, 20, 500, 20);
    const int y = CHTMLListCtrl::DrawHTML(&canvas.dc, L"one<br>two three", &r, DT_CALCRECT | DT_WORDBREAK, FALSE);
    EXPECT_GT(y, 0);
    EXPECT_EQ(20 + y + y, r.bottom);  // two lines
    EXPECT_GT(r.Width(), 0);
    EXPECT_EQ(0, CHTMLListCtrl::DrawHTML(nullptr, L"x", &r, 0, FALSE));
}

struct HtmlListFixture : testing::Test {
    HtmlHost host;
    CountingList list;
    void SetUp() override { ASSERT_TRUE(list.Create(&host, CRect(0, 0, 240, 300), 5, WS_CHILD | WS_VISIBLE | WS_VSCROLL)); }
    void Paint()
    {
        list.Invalidate();
        list.SendMessage(WM_PAINT);
    }
    void Key(UINT key) { list.SendMessage(WM_KEYDOWN, key, 0); }
};

TEST_F(HtmlListFixture, HeightsMeasuredFixedAndZero)
{
    EXPECT_EQ(0, list.InsertItem(L"Short", 0, NORMAL_TEXT));
    EXPECT_EQ(1, list.InsertItem(L"A much longer line of plain text that has to wrap over several lines here", 0,
                                 NORMAL_TEXT));
    EXPECT_EQ(2, list.InsertItem(L"<b>Due</b> today", 0, HTML_TEXT));
    EXPECT_EQ(3, list.InsertItem(L"C:\\Notes\\a folder\\with a long name\\note.txt", 0, SINGLE_LINE_TEXT, 30));
    EXPECT_EQ(4, list.InsertItem(L"hidden", 0, NORMAL_TEXT, 0));
    HTMLLIST_ITEM* items[5];
    int total = 0;
    for (int i = 0; i < 5; ++i) {
        POSITION pos = list.m_listItems.FindIndex(i);
        items[i] = (HTMLLIST_ITEM*)list.m_listItems.GetAt(pos);
        total += items[i]->nHeight;
    }
    EXPECT_GT(items[0]->nHeight, 8);
    EXPECT_GT(items[1]->nHeight, items[0]->nHeight);  // wrapped
    EXPECT_EQ(30, items[3]->nHeight);
    EXPECT_EQ(0, items[4]->nHeight);
    EXPECT_EQ(total, list.GetTotalHeight());
    list.drawn.clear();
    Paint();
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), list.drawn);  // the 0-pixel item is never painted

    const int before = AfxGetGdiObjectCount();
    list.SetExtendedStyle(HTMLLIST_STYLE_CHECKBOX | HTMLLIST_STYLE_GRIDLINES);
    list.SetItemCheck(2, TRUE);
    for (int i = 0; i < 20; ++i)
        Paint();
    wtest::Pump();
    EXPECT_EQ(before, AfxGetGdiObjectCount());

    // Erasing never asks for another paint (it used to, so painting never stopped).
    list.ValidateRect(nullptr);
    wtest::Canvas canvas(10, 10, RGB(0, 0, 0));
    EXPECT_TRUE(list.SendMessage(WM_ERASEBKGND, (WPARAM)canvas.dc.GetSafeHdc()));
    EXPECT_FALSE(::GetUpdateRect(list.m_hWnd, nullptr, FALSE));
}

TEST_F(HtmlListFixture, DeletingByKeyAndByButton)
{
    for (const wchar_t* t : {L"zero", L"one", L"two"})
        list.InsertItem(t);
    Paint();
    // Delete without a selection: nothing deleted, nothing said.
    Key(VK_DELETE);
    EXPECT_EQ(3, list.GetItemCount());
    EXPECT_TRUE(host.said.empty());

    Key(VK_DOWN);  // from none: the last
    EXPECT_EQ(2, list.GetSelectedItem());
    Key(VK_UP);
    EXPECT_EQ(1, list.GetSelectedItem());
    host.said.clear();
    Key(VK_DELETE);
    EXPECT_EQ(2, list.GetItemCount());
    EXPECT_EQ(L"two", std::wstring((LPCWSTR)list.GetItemText(1)));
    EXPECT_EQ(1, list.GetSelectedItem());
    ASSERT_EQ((std::vector<UINT>{7, 1, 8}), host.Codes());
    EXPECT_EQ(L"one", host.said[0].text);
    EXPECT_EQ(L"two", host.said[1].text);
    EXPECT_EQ(1, host.said[2].item);
    EXPECT_EQ(L"", host.said[2].text);
    // The last item: the selection equals the new count and nothing shows selected.
    host.said.clear();
    Key(VK_DELETE);
    EXPECT_EQ(1, list.GetItemCount());
    EXPECT_EQ(1, list.GetSelectedItem());
    EXPECT_EQ((std::vector<UINT>{7, 8}), host.Codes());

    // The delete strip: the rightmost 17 pixels over an item.
    list.InsertItem(L"again");
    Paint();
    host.said.clear();
    HTMLLIST_ITEM* first = (HTMLLIST_ITEM*)list.m_listItems.GetHead();
    CRect client;
    list.GetClientRect(&client);
    const int y = first->rcItem.top + 5;
    list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.right - 5, y));
    EXPECT_EQ(1, list.GetItemCount());
    EXPECT_EQ(L"again", std::wstring((LPCWSTR)list.GetItemText(0)));
    ASSERT_EQ((std::vector<UINT>{7, 8}), host.Codes());
    EXPECT_EQ(L"zero", host.said[0].text);
    EXPECT_FALSE(list.DeleteItem(5));
}

TEST_F(HtmlListFixture, ClicksChecksAndEditing)
{
    list.SetExtendedStyle(HTMLLIST_STYLE_CHECKBOX);
    for (const wchar_t* t : {L"zero", L"one", L"two"})
        list.InsertItem(t);
    list.SetItemData(1, 77);
    Paint();
    HTMLLIST_ITEM* one = (HTMLLIST_ITEM*)list.m_listItems.GetAt(list.m_listItems.FindIndex(1));
    const int middle = (one->rcItem.top + one->rcItem.bottom) / 2;
    list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, middle));  // in the box
    EXPECT_TRUE(list.GetItemCheck(1));
    EXPECT_EQ(1, list.GetSelectedItem());
    ASSERT_EQ((std::vector<UINT>{2, 5, 1}), host.Codes());
    EXPECT_EQ(-1, host.said[0].item);
    EXPECT_EQ(1, host.said[1].item);
    EXPECT_TRUE(host.said[1].checked);
    EXPECT_EQ(77, host.said[2].data);
    host.said.clear();
    list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, middle));  // beside the box
    EXPECT_TRUE(list.GetItemCheck(1));
    EXPECT_EQ((std::vector<UINT>{2, 1}), host.Codes());
    host.said.clear();
    list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 290));  // below the items
    EXPECT_EQ(-1, list.GetSelectedItem());
    EXPECT_EQ((std::vector<UINT>{2, 1}), host.Codes());
    EXPECT_EQ(-1, host.said[1].item);
    host.said.clear();
    list.SetSelectedItem(0);
    Key(VK_SPACE);
    EXPECT_TRUE(list.GetItemCheck(0));
    EXPECT_EQ((std::vector<UINT>{5}), host.Codes());

    // The edit reports the item that was edited, even after the selection moved on.
    host.said.clear();
    EXPECT_EQ(0, list.BeginEdit(9));
    ASSERT_EQ(1, list.BeginEdit(2));
    EXPECT_TRUE(list.m_edit.GetStyle() & WS_VISIBLE);
    list.m_edit.SetWindowText(L"two, edited");
    list.SetSelectedItem(0);
    list.StopEdit();
    EXPECT_FALSE(list.m_edit.GetStyle() & WS_VISIBLE);
    ASSERT_EQ((std::vector<UINT>{6}), host.Codes());
    EXPECT_EQ(2, host.said[0].item);
    EXPECT_EQ(L"two, edited", host.said[0].text);
    EXPECT_EQ(L"two", std::wstring((LPCWSTR)list.GetItemText(2)));  // the item itself is not changed
    list.StopEdit();  // not editing: nothing
    EXPECT_EQ(1u, host.said.size());

    // Bad indexes read as nothing and are ignored on writes.
    EXPECT_EQ(L"", std::wstring((LPCWSTR)list.GetItemText(-1)));
    list.SetItemText(40, L"x");
    list.SetItemCheck(40, TRUE);
    EXPECT_EQ(0, list.GetItemData(40));
    list.SetSelectedItem(40);
    EXPECT_EQ(2, list.GetSelectedItem());
    list.SetSelectedItem(-4);
    EXPECT_EQ(0, list.GetSelectedItem());
}

} // namespace
