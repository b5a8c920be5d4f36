// The record classes on their own: copies, buffers, lists, preview text, reminder arithmetic.
#include "store_fixture.h"
#include <ctime>

using namespace StoreTest;

namespace {

void SetContent(DB::CItemNote& n, const wchar_t* html)
{
    int bytes = (int)wcslen(html) * 2;
    n.RelocateContentBuffer(bytes, 1);
    memcpy(n.content_data, html, bytes);
}

// Counts destructions, to see which list deletes its records.
struct CountedItem : DB::CItemBase {
    static int destroyed;
    ~CountedItem() override { ++destroyed; }
};
int CountedItem::destroyed = 0;

} // namespace

TEST(StoreRecords, DefaultsSelectByIdAlone)
{
    DB::CItemNote note;
    EXPECT_EQ(note.page_color, 0xFFFFFF);
    EXPECT_EQ(note.filter_mask, 0);
    EXPECT_EQ(note.content_data, nullptr);
    DB::CItemAttach attach;
    EXPECT_EQ(attach.stream_mode, -1);
    EXPECT_EQ(attach.stream_pos, -1);
    DB::CItemReminder reminder;
    EXPECT_EQ(reminder.priority, 2);
    attach.sync_url = L"https://files/1";
    EXPECT_TRUE(attach.IsAttachOnServer());
    attach.sync_url.Empty();
    EXPECT_FALSE(attach.IsAttachOnServer());
}

// Assignment gives the target buffers of its own: both records can be destroyed safely and a
// change to one does not show in the other.
TEST(StoreRecords, AssignmentCopiesBuffersDeeply)
{
    auto* a = new DB::CItemNote;
    a->note_id = L"n1";
    SetContent(*a, L"<b>hello</b>");
    a->RelocatePreviewImage(3);
    memcpy(a->preview_image, "PNG", 3);
    DB::CItemNote b;
    SetContent(b, L"old");
    b = *a;
    ASSERT_NE(b.content_data, a->content_data);
    ASSERT_NE(b.preview_image, a->preview_image);
    EXPECT_STREQ(b.GetContentText(), L"<b>hello</b>");
    EXPECT_EQ(memcmp(b.preview_image, "PNG", 3), 0);
    a->content_data[0] = 'X';
    delete a;
    EXPECT_STREQ(b.GetContentText(), L"<b>hello</b>");

    DB::CItemAttach x;
    x.attach_id = L"a1";
    x.RelocateBuffer(4);
    memcpy(x.data, "abcd", 4);
    ASSERT_EQ(x.OpenStream(0), 1);
    DB::CItemAttach y(x);
    EXPECT_NE(y.data, x.data);
    EXPECT_EQ(y.size, 4);
    EXPECT_EQ(memcmp(y.data, "abcd", 4), 0);
    EXPECT_EQ(y.stream_pos, -1);   // the stream stays with its owner
    EXPECT_EQ(y.OpenStream(0), 1);
}

TEST(StoreRecords, BuffersKeepEightZeroBytesAndCopyWhatFits)
{
    DB::CItemNote n;
    SetContent(n, L"abcdef");
    n.RelocateContentBuffer(4, 0);   // shrink keeps the first 4 bytes
    EXPECT_EQ(n.content_size, 4);
    EXPECT_STREQ(n.GetContentText(), L"ab");
    n.RelocateContentBuffer(10, 0);
    EXPECT_EQ(memcmp(n.content_data, L"ab", 4), 0);
    for (int i = 10; i < 18; ++i)
        EXPECT_EQ(n.content_data[i], 0);
    n.DeleteContent();
    EXPECT_EQ(n.content_size, 0);

    DB::CItemAttach a;
    EXPECT_EQ(a.RelocateBuffer(5), 5);
    EXPECT_EQ(a.RelocateBuffer(0), 0);
    EXPECT_EQ(a.data, nullptr);
    EXPECT_EQ(a.RelocateBuffer(-3), -3);   // below 1: no buffer, size as given
    EXPECT_EQ(a.data, nullptr);
}

TEST(StoreRecords, OwningListsDeleteTheirRecordsPlainListsDoNot)
{
    CountedItem::destroyed = 0;
    CountedItem* kept[25];
    {
        CObjectList plain;
        for (auto*& k : kept)
            plain.AddTail(k = new CountedItem);
        EXPECT_EQ(plain.GetCount(), 25);
    }
    EXPECT_EQ(CountedItem::destroyed, 0);
    {
        CAttachList owning;
        for (auto* k : kept)
            owning.AddTail(k);
        owning.AddTail(nullptr);
        POSITION pos = owning.GetHeadPosition();
        EXPECT_EQ(owning.GetNext(pos), kept[0]);
        EXPECT_EQ(owning.GetNext(pos), kept[1]);
        owning.RemoveAt(owning.Find(kept[24]));
        delete kept[24];
    }
    EXPECT_EQ(CountedItem::destroyed, 25);

    DB::CItemList list;
    list.AddTail(new CountedItem);
    list.AddHead(new CountedItem);
    list.RemoveAll();
    EXPECT_EQ(CountedItem::destroyed, 27);
    EXPECT_TRUE(list.IsEmpty());
    list.AddTail(new CountedItem);   // usable again after RemoveAll
    EXPECT_EQ(list.GetCount(), 1);
}

TEST(StoreRecords, PreviewTextFromHtml)
{
    struct Case { const wchar_t* html; const wchar_t* expected; } cases[] = {
        {L"<p>A&nbsp;B</p>", L"A B"},
        {L"<div>&#65;&#66;</div>", L"AB"},
        {L"<p>one</p><p>two</p>", L"one two"},
        {L"<p>\x041F\x0440\x0438\x0432\x0435\x0442</p>", L"\x041F\x0440\x0438\x0432\x0435\x0442"},
    };
    for (const Case& c : cases) {
        DB::CItemNote n;
        SetContent(n, c.html);
        n.PreparePreviewText();
        EXPECT_STREQ(n.preview_text.GetString(), c.expected) << (const char*)CStringA(c.html).GetString();
    }
    DB::CItemNote empty;
    empty.preview_text = L"stale";
    empty.PreparePreviewText();
    EXPECT_TRUE(empty.preview_text.IsEmpty());

    // cut to 250 characters before "&nbsp;" is replaced, so the result may be shorter
    CString longText = L"<p>";
    for (int i = 0; i < 60; ++i)
        longText += L"ab&nbsp;";
    longText += L"</p>";
    DB::CItemNote n;
    SetContent(n, longText);
    n.PreparePreviewText();
    EXPECT_LT(n.preview_text.GetLength(), 250);
    EXPECT_EQ(n.preview_text.Left(6), CString(L"ab ab "));
}

TEST(StoreRecords, RepeatingReminderMovesPastNow)
{
    const int now = 1700000000;
    struct Case { int repeat; int timeToRun; int expected; } cases[] = {
        {0, now - 10, now - 10},
        {3600, now, now + 3600},
        {3600, now + 1, now + 1},
        {1800, now - 1800 * 3 - 5, now + 1800 - 5},
        {7200, now - 100, now - 100},   // not a repeat of the table: unchanged
    };
    for (const Case& c : cases) {
        DB::CItemReminder r;
        r.repeat = c.repeat;
        r.time_to_run = c.timeToRun;
        r.UpdateTimeToRun(now);
        EXPECT_EQ(r.time_to_run, c.expected) << c.repeat;
    }

    // 31 January, monthly: the last day of February, not the platform's 3 March
    struct tm jan = {};
    jan.tm_year = 2023 - 1900;
    jan.tm_mon = 0;
    jan.tm_mday = 31;
    jan.tm_hour = 12;
    jan.tm_isdst = -1;
    int start = (int)mktime(&jan);
    DB::CItemReminder monthly;
    monthly.repeat = DB::Repeat1Month;
    monthly.time_to_run = start;
    monthly.UpdateTimeToRun(start + 3600);
    time_t t = monthly.time_to_run;
    struct tm moved;
    localtime_s(&moved, &t);
    EXPECT_EQ(moved.tm_mon, 1);
    EXPECT_EQ(moved.tm_mday, 28);
    EXPECT_EQ(moved.tm_hour, 12);

    DB::CItemReminder yearly;
    yearly.repeat = DB::Repeat1Year;
    yearly.time_to_run = start;
    yearly.UpdateTimeToRun(start);
    t = yearly.time_to_run;
    localtime_s(&moved, &t);
    EXPECT_EQ(moved.tm_year, 2024 - 1900);
}

TEST(StoreRecords, RepeatComboBox)
{
    HWND combo = CreateWindowExW(0, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_POPUP, 0, 0, 100, 200, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(combo, nullptr);
    DB::CItemReminder r;
    r.repeat = 7200;
    EXPECT_EQ(r.FillComboBox(combo), 7);
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 7);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    wchar_t text[64];
    SendMessageW(combo, CB_GETLBTEXT, 5, (LPARAM)text);
    EXPECT_STREQ(text, L"1 month");
    EXPECT_EQ(r.UpdateRepeatTypeFromComboBox(combo), -1);
    EXPECT_EQ(r.repeat, 0);
    SendMessageW(combo, CB_SETCURSEL, 4, 0);
    EXPECT_EQ(r.UpdateRepeatTypeFromComboBox(combo), 4);
    EXPECT_EQ(r.repeat, 604800);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    EXPECT_EQ(r.FillComboBox(combo), 7);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 4);
    DestroyWindow(combo);
}
