// Not a check: shows the panes' controls on screen for a while so a screenshot can be taken
// (run with --gtest_also_run_disabled_tests --gtest_filter=*Gallery*).
#include "DlgMsg.h"
#include "HyperLink.h"
#include "NoteRows.h"
#include "PanesIds.h"
#include "resource.h"
#include "PanesTestUtil.h"
#include "SkinScrollBar.h"
#include "SmallControls.h"
#include "StringTable.h"

using namespace ptest;

namespace {

// Paints a few note rows of each kind.
class RowsWnd : public CWnd {
public:
    CNoteRowPainter painter;
    std::vector<NoteRow> rows;
    HBITMAP picture = nullptr;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (message != WM_PAINT)
            return CWnd::OnWndMsg(message, wParam, lParam, result);
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(m_hWnd, &ps);
        CRect client;
        GetClientRect(&client);
        int y = 0;
        const UINT states[] = {0, ODS_SELECTED, ODS_FOCUS};
        for (size_t i = 0; i < rows.size(); ++i) {
            DRAWITEMSTRUCT dis = {};
            dis.itemID = (UINT)i;
            dis.itemState = states[i % 3];
            dis.hDC = dc;
            const int h = i < 3 ? CNoteRowPainter::FullHeight : CNoteRowPainter::CompactHeight;
            dis.rcItem = CRect(0, y, client.right, y + h);
            painter.DrawItem(&dis, &rows[i], i < 3 ? 0 : 1, false, false);
            y += h;
        }
        DRAWITEMSTRUCT empty = {};
        empty.itemID = (UINT)CNoteRowPainter::EmptyRow;
        empty.hDC = dc;
        empty.rcItem = CRect(0, y, client.right, client.bottom);
        painter.DrawItem(&empty, nullptr, 0, true, false);
        ::EndPaint(m_hWnd, &ps);
        *result = 0;
        return TRUE;
    }
};

TEST(Gallery, DISABLED_ShowTheNoteRows)
{
    Host host(520, 420);
    RowsWnd rows;
    // A picture: a sky over a field.
    std::vector<DWORD> pixels(120 * 60);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 120; ++x)
            pixels[y * 120 + x] = y < 35 ? 0x0087CEEB - (DWORD)(y << 8) : 0x004C9A2A;
    rows.picture = ::CreateBitmap(120, 60, 1, 32, pixels.data());
    NoteRow r;
    r.title = L"Trip to the mountains";
    r.date = L"11/12/2026";
    r.previewText = L"Pack the boots, the map and the small stove. Trains leave at 7:40 from the central station; "
                    L"tickets are in the mail from Tuesday. Remember the charger.";
    r.preview = rows.picture;
    r.attachCount = 2;
    r.shared = true;
    r.reminder = true;
    r.reminderText = L"12-24-2026  09:00 AM";
    rows.rows.push_back(r);
    r.title = L"\u0421\u043f\u0438\u0441\u043e\u043a \u043f\u043e\u043a\u0443\u043f\u043e\u043a \"\u043d\u0430 \u043d\u0435\u0434\u0435\u043b\u044e\"";
    r.preview = nullptr;
    r.attachCount = 0;
    r.reminder = false;
    rows.rows.push_back(r);
    r.title = L"A title far too long to fit in the row of the note list, so it is cut with dots at the end of it";
    r.shared = false;
    rows.rows.push_back(r);
    r.reminder = true;
    rows.rows.push_back(r);
    r.reminder = false;
    r.title = L"Compact row";
    rows.rows.push_back(r);
    rows.Create(AfxRegisterWndClass(0), L"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 520, 420), &host, 1);
    host.Show();
    ShowForScreenshot();
    rows.DestroyWindow();
    ::DeleteObject(rows.picture);
}

TEST(Gallery, DISABLED_ShowTheControls)
{
    Host host(520, 320);
    CBitmap skin;
    skin.LoadBitmap(IDB_SCROLL_SKIN);
    CListBox folders;
    folders.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_BORDER | LBS_NOINTEGRALHEIGHT,
                   CRect(10, 10, 210, 200), &host, 42);
    const wchar_t* names[] = {L"Inbox", L"Рабочие заметки", L"Recipes \"best\"", L"Travel / 2026", L"Books"};
    for (int i = 0; i < 30; ++i)
        folders.AddString(names[i % 5]);
    folders.SendMessage(LB_SETHORIZONTALEXTENT, 400, 0);
    AttachSkinnedScrollBars(&folders, (HBITMAP)skin.GetSafeHandle());

    PeloraUI::CHyperLink link;
    link.Create(L"Open the help pages", WS_CHILD | WS_VISIBLE, CRect(230, 10, 420, 32), &host, 500);
    link.SetBackgroundColour(RGB(255, 255, 255));
    link.SetHighlight(TRUE);
    PeloraUI::CHyperLink hovered;
    hovered.Create(L"Hovered link", WS_CHILD | WS_VISIBLE, CRect(230, 40, 420, 62), &host, 501);
    hovered.SetBackgroundColour(RGB(255, 255, 255));
    hovered.m_bHovered = 1;

    PeloraUI::CCheckBox box1, box2;
    box1.Create(L"Export tags", WS_CHILD | WS_VISIBLE, CRect(230, 80, 420, 100), &host, 300);
    box2.Create(L"Export attachments", WS_CHILD | WS_VISIBLE, CRect(230, 104, 420, 124), &host, 301);
    box2.m_bChecked = 1;

    CListCtrl2 keys;
    keys.m_bOwnFont = TRUE;
    keys.m_nRowFactor = 2;
    keys.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SHOWSELALWAYS, CRect(230, 140, 510, 300),
                &host, 400);
    keys.InsertColumn(0, L"Action", LVCFMT_LEFT, 140);
    keys.InsertColumn(1, L"Hot key", LVCFMT_LEFT, 130);
    const wchar_t* rows[][2] = {{L"New note", L"Ctrl+Alt+N"}, {L"Paste clip", L"Ctrl+Alt+V"}, {L"Search", L"Ctrl+F"}};
    for (int i = 0; i < 3; ++i) {
        keys.InsertItem(i, rows[i][0]);
        keys.SetItemText(i, 1, rows[i][1]);
    }
    keys.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);

    host.Show();
    ShowForScreenshot();
}

// A dialog that stays up for a screenshot and then cancels itself (its own watchdog).
template <class Base>
class Shown : public Base {
public:
    using Base::Base;
    BOOL OnInitDialog() override
    {
        BOOL r = Base::OnInitDialog();
        this->SetTimer(kEnd, 8000, nullptr);
        return r;
    }
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (message == WM_TIMER && wParam == kEnd) {
            this->EndDialog(IDCANCEL);
            *result = 0;
            return TRUE;
        }
        return Base::OnWndMsg(message, wParam, lParam, result);
    }

private:
    static const UINT_PTR kEnd = 0x5A;
};

// The message box with two buttons and an icon, then the delete question.
TEST(Gallery, DISABLED_ShowTheMessageBoxes)
{
    CStringTable::Instance()->Load();
    Shown<CDlgMsg> msg(nullptr, IDS_YES, IDS_NO);
    msg.m_strMessage = L"Sync is still running.\nQuit Pelora anyway?";
    // A 48 x 48 icon on the pure red key: a blue disc with a white bar.
    CClientDC screen(nullptr);
    CDC mem;
    mem.CreateCompatibleDC(&screen);
    msg.m_bmpIcon.CreateCompatibleBitmap(&screen, 48, 48);
    CBitmap* old = mem.SelectObject(&msg.m_bmpIcon);
    mem.FillSolidRect(0, 0, 48, 48, RGB(255, 0, 0));
    CBrush blue(RGB(40, 110, 200));
    CBrush* oldBrush = mem.SelectObject(&blue);
    mem.SelectStockObject(NULL_PEN);
    mem.Ellipse(2, 2, 46, 46);
    mem.SelectObject(oldBrush);
    mem.FillSolidRect(21, 10, 6, 18, RGB(255, 255, 255));
    mem.FillSolidRect(21, 32, 6, 6, RGB(255, 255, 255));
    mem.SelectObject(old);
    EXPECT_EQ(IDCANCEL, msg.DoModal());

    int dontAsk = 0;
    const unsigned states = LWButton::s_defBmpStateRes;
    LWButton::s_defBmpStateRes = IDB_BUTTON_STATES;  // the check box as the program sets it up
    Shown<CDlgAreYouSure> question(nullptr, &dontAsk);
    question.m_nKind = -1;
    question.m_bSeveralNotes = 1;
    EXPECT_EQ(IDCANCEL, question.DoModal());
    LWButton::s_defBmpStateRes = states;
}

}  // namespace
