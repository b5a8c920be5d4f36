// The note list's rows: what a row takes from its note, the fitting of texts, and the pixels
// of the full, compact and empty rows (states, marks, preview placement, wide rows).
#include "NoteRows.h"
#include "NotebookFixture.h"
#include "PanesTestUtil.h"
#include "ReminderItem.h"

using namespace ptest;

namespace {

using NoteRowFixture = ptest::NotebookFixture;

TEST_F(NoteRowFixture, ARowTakesItsNotesDataAndShortensThePreviewInTheNote)
{
    Pelora::CNoteItem* note = book->FindNoteById(L"n3");
    ASSERT_NE(nullptr, note);
    CString longText;
    for (int i = 0; i < 30; ++i)
        longText += L"line\r\nmore ";
    note->SetPreviewText(longText);
    note->GetRecord().b_shared = 1;
    note->GetRecord().date_create = 1000000;
    note->GetRecord().date_update = 2000000000;
    NoteRow row = NoteRow::From(book, note, 0);
    EXPECT_EQ(L"Three", row.title);
    EXPECT_EQ(200, note->GetPreviewText().GetLength()) << "stored back shortened";
    EXPECT_EQ(-1, row.previewText.Find(L'\r'));
    EXPECT_EQ(-1, row.previewText.Find(L'\n'));
    EXPECT_TRUE(row.shared);
    EXPECT_FALSE(row.reminder);
    EXPECT_EQ(0, row.attachCount);
    EXPECT_EQ(note->FormatDateUpdate(), row.date);
    for (int sort : {4, 5})
        EXPECT_EQ(note->FormatDateCreate(), NoteRow::From(book, note, sort).date) << sort;

    // An active reminder shows; a completed one does not.
    Pelora::CReminderItem* r = book->GetReminder(L"n3", 1);
    ASSERT_NE(nullptr, r);
    r->GetRecord().b_valid = 1;
    r->GetRecord().time_initial = r->GetRecord().time_to_run = 1700000000;
    row = NoteRow::From(book, note, 0);
    EXPECT_TRUE(row.reminder);
    EXPECT_EQ(r->FormatTime(), row.reminderText);
    r->GetRecord().geo_lat = L"55.75";
    EXPECT_EQ(L"Reminder by location", NoteRow::From(book, note, 0).reminderText);
    r->GetRecord().completed = 1;
    EXPECT_FALSE(NoteRow::From(book, note, 0).reminder);
    EXPECT_FALSE(NoteRow::From(book, nullptr, 0).reminder);
}

TEST(NoteRows, FitTextCutsFourCharactersBeforeTheLastThatFits)
{
    Canvas canvas(400, 100, RGB(255, 255, 255));
    CNoteRowPainter painter;
    CFont* old = canvas.dc.SelectObject(&painter.m_fontText);
    const int lineH = canvas.dc.GetTextExtent(CString(L"W")).cy;
    const CString words = L"alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi omicron pi rho";
    struct Case { const char* name; CString text; CRect rc; bool cut; } table[] = {
        {"fits", L"short text", CRect(0, 0, 300, lineH), false},
        {"two lines of many", words, CRect(0, 0, 120, 2 * lineH), true},
        {"one tiny line", words, CRect(0, 0, 12, lineH), true},
        {"no room", words, CRect(0, 0, 0, 0), true},
        {"empty", L"", CRect(0, 0, 100, lineH), false},
    };
    for (const auto& t : table) {
        CString fitted = CNoteRowPainter::FitText(&canvas.dc, t.text, t.rc);
        if (!t.cut) {
            EXPECT_STREQ((const wchar_t*)t.text, (const wchar_t*)fitted) << t.name;
            continue;
        }
        EXPECT_LT(fitted.GetLength(), t.text.GetLength() + 4) << t.name;
        if (t.rc.Width() > 0) {
            EXPECT_EQ(L" ...", fitted.Right(4)) << t.name;
            EXPECT_EQ(t.text.Left(fitted.GetLength() - 4), fitted.Left(fitted.GetLength() - 4)) << t.name;
        }
    }
    // The compact row's line: the longest start that fits with "...".
    CString line = CNoteRowPainter::FitLine(&canvas.dc, words, 100);
    EXPECT_EQ(L"...", line.Right(3));
    EXPECT_LE(canvas.dc.GetTextExtent(line).cx, 100);
    EXPECT_GT(canvas.dc.GetTextExtent(words.Left(line.GetLength() - 2) + L"...").cx, 100);
    EXPECT_EQ(L"...", CNoteRowPainter::FitLine(&canvas.dc, words, 0));
    canvas.dc.SelectObject(old);
}

struct Painted {
    Canvas canvas;
    CNoteRowPainter& painter;
    Painted(CNoteRowPainter& p, int w, int h) : canvas(w, h, RGB(255, 0, 255)), painter(p) {}
    BOOL Draw(const NoteRow* row, int view, UINT state, int itemId = 0, bool listEmpty = false, bool underTags = false)
    {
        DRAWITEMSTRUCT dis = {};
        dis.CtlType = ODT_LISTVIEW;
        dis.itemID = (UINT)itemId;
        dis.itemState = state;
        dis.hDC = canvas.dc.GetSafeHdc();
        dis.rcItem = CRect(0, 0, canvas.w, canvas.h);
        return painter.DrawItem(&dis, row, view, listEmpty, underTags);
    }
};

TEST(NoteRows, FullRowBackgroundsSeparatorAndMarks)
{
    CNoteRowPainter painter;
    NoteRow row;
    row.title = L"Shopping list";
    row.date = L"12/11/2026";
    row.previewText = L"Milk, bread and a few other things for the weekend";
    struct Case { const char* name; UINT state; COLORREF background; } table[] = {
        {"plain", 0, RGB(255, 255, 255)},
        {"selected", ODS_SELECTED, RGB(101, 179, 239)},
        {"focused", ODS_FOCUS, RGB(241, 242, 245)},
    };
    for (const auto& t : table) {
        Painted p(painter, 500, CNoteRowPainter::FullHeight);
        ASSERT_TRUE(p.Draw(&row, 0, t.state)) << t.name;
        EXPECT_EQ(t.background, p.canvas.At(300, 60)) << t.name;
        EXPECT_EQ(RGB(216, 231, 240), p.canvas.At(250, 96)) << t.name << ": separator";
        EXPECT_EQ(RGB(255, 255, 255), p.canvas.At(0, 40)) << t.name << ": the white edge";
        EXPECT_EQ(0, p.canvas.Count(CRect(0, 0, 500, 97), RGB(255, 0, 255))) << t.name << ": every pixel painted";
    }
    // Attachments: the clip and the count appear right of the date and change nothing else.
    row.attachCount = 0;
    Painted without(painter, 500, CNoteRowPainter::FullHeight);
    without.Draw(&row, 0, 0);
    row.attachCount = 3;
    Painted with(painter, 500, CNoteRowPainter::FullHeight);
    with.Draw(&row, 0, 0);
    int changedLeft = 0, changedRight = 0;
    CFont* old = without.canvas.dc.SelectObject(&painter.m_fontText);
    const int dateEnd = 10 + without.canvas.dc.GetTextExtent(row.date).cx;
    without.canvas.dc.SelectObject(old);
    for (int y = 0; y < 97; ++y)
        for (int x = 0; x < 500; ++x)
            if (without.canvas.At(x, y) != with.canvas.At(x, y))
                ++(x < dateEnd + 5 ? changedLeft : changedRight);
    EXPECT_EQ(0, changedLeft);
    EXPECT_GT(changedRight, 20);
    row.attachCount = 0;
    // The shared mark at the bottom right.
    for (bool shared : {false, true}) {
        row.shared = shared;
        Painted p(painter, 500, CNoteRowPainter::FullHeight);
        p.Draw(&row, 0, 0);
        EXPECT_EQ(shared, p.canvas.Count(CRect(500 - 50, 97 - 50, 500 - 20, 97 - 20), RGB(0x5B, 0x8D, 0xB8)) > 0);
    }
}

TEST(NoteRows, AWideShortPreviewIsCentredWithEqualBands)
{
    CNoteRowPainter painter;
    // 160 x 40 of pure green: scaled to the 80-pixel box width, 20 high, centred in 90.
    std::vector<DWORD> pixels(160 * 40, 0x0000C800);
    HBITMAP bmp = ::CreateBitmap(160, 40, 1, 32, pixels.data());
    Canvas canvas(100, 100, RGB(255, 0, 255));
    ASSERT_EQ(1, painter.DrawPreview(bmp, &canvas.dc, 10, 3, 90, 93, false));
    int first = -1, last = -1;
    for (int y = 3; y < 93; ++y)
        if (canvas.At(50, y) == RGB(0, 200, 0)) {
            if (first < 0)
                first = y;
            last = y;
        }
    ASSERT_GE(first, 0);
    EXPECT_EQ(20, last - first + 1);
    EXPECT_LE(std::abs((first - 3) - (92 - last)), 1) << "bands above and below";
    EXPECT_EQ(RGB(255, 255, 255), canvas.At(50, 5)) << "the band is the row's background";
    EXPECT_EQ(0, painter.DrawPreview(nullptr, &canvas.dc, 10, 3, 90, 93, false));
    ::DeleteObject(bmp);
}

TEST(NoteRows, RowsWiderThanAnyBufferAndTheEmptyList)
{
    CNoteRowPainter painter;
    NoteRow row;
    row.title = L"Wide";
    {
        Painted p(painter, 3000, CNoteRowPainter::FullHeight);
        ASSERT_TRUE(p.Draw(&row, 0, 0));
        EXPECT_EQ(RGB(255, 255, 255), p.canvas.At(2900, 50)) << "painted, not left over";
        EXPECT_EQ(RGB(216, 231, 240), p.canvas.At(2990, 96));
    }
    {
        // A compact row with a reminder mark; the buffer serves a row of another height too.
        row.reminder = true;
        row.reminderText = L"12/24/2026  09:00 AM";
        Painted p(painter, 400, CNoteRowPainter::CompactHeight);
        ASSERT_TRUE(p.Draw(&row, 1, 0));
        EXPECT_GT(p.canvas.Count(CRect(7, 0, 20, 29), RGB(0xD9, 0x8B, 0x00)), 0) << "the reminder mark";
        EXPECT_EQ(RGB(216, 231, 240), p.canvas.At(200, 28));
        EXPECT_EQ(row.reminderText, CNoteRowPainter::TooltipText(row, 1, 12));
        EXPECT_EQ(L"", CNoteRowPainter::TooltipText(row, 1, 30));
        EXPECT_EQ(L"", CNoteRowPainter::TooltipText(row, 0, 12));
    }
    for (bool empty : {false, true}) {
        Painted p(painter, 300, 200);
        ASSERT_TRUE(p.Draw(nullptr, 0, 0, CNoteRowPainter::EmptyRow, empty, false));
        EXPECT_EQ(empty, p.canvas.Count(CRect(0, 90, 300, 110), RGB(255, 255, 255)) < 300 * 20) << empty;
        EXPECT_EQ(0, p.canvas.Count(CRect(0, 0, 300, 200), RGB(255, 0, 255)));
    }
    EXPECT_EQ(L"No notes added yet", CNoteRowPainter::EmptyText(false));
    EXPECT_NE(CNoteRowPainter::EmptyText(false), CNoteRowPainter::EmptyText(true));
    Painted none(painter, 100, 29);
    EXPECT_FALSE(none.Draw(nullptr, 0, 0, 5)) << "no row, nothing drawn";
}

}  // namespace
