// Reminder items: due alarms with a fixed clock, the repeat arithmetic in local calendar terms
// (month ends, leap years, daylight saving) and the display text.
#include "model_fixture.h"
#include <cstdlib>
#include <ctime>

using namespace Pelora;

namespace {

int g_now = 0;
int FixedNow() { return g_now; }

// Local time of a wall-clock moment in the zone set by the fixture.
int Local(int y, int mo, int d, int h, int mi)
{
    struct tm t = {};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_isdst = -1;
    return (int)mktime(&t);
}

// The C library takes the zone from a TZ variable when there is one, else from the system (the
// test's environment sets the system zone to one with daylight saving).
class ZoneScope {
public:
    ZoneScope()
    {
        const char* old = getenv("TZ");
        m_old = old ? old : "";
        _putenv("TZ=");
        _tzset();
    }
    ~ZoneScope()
    {
        _putenv(("TZ=" + m_old).c_str());
        _tzset();
    }

private:
    std::string m_old;
};

// One rule moves a reminder on, for the store record and for the notebook's alarm.
TEST(ModelReminderRepeat, CalendarTable)
{
    ZoneScope zone;
    struct Case {
        const char* what;
        int repeat;
        int initial;
        int timeToRun;  // 0: the initial time
        int now;
        int expected;
    } cases[] = {
        {"monthly on the 31st: end of February", DB::Repeat1Month, Local(2015, 1, 31, 9, 0), 0,
         Local(2015, 2, 1, 0, 0), Local(2015, 2, 28, 9, 0)},
        {"monthly on the 31st: back to the 31st", DB::Repeat1Month, Local(2015, 1, 31, 9, 0),
         Local(2015, 2, 28, 9, 0), Local(2015, 2, 28, 10, 0), Local(2015, 3, 31, 9, 0)},
        {"monthly in a leap year", DB::Repeat1Month, Local(2016, 1, 30, 9, 0), 0, Local(2016, 2, 1, 0, 0),
         Local(2016, 2, 29, 9, 0)},
        {"monthly five years on: the next month, none skipped", DB::Repeat1Month, Local(2015, 1, 15, 9, 0),
         Local(2020, 1, 15, 9, 0), Local(2020, 1, 15, 9, 0), Local(2020, 2, 15, 9, 0)},
        {"monthly of the 31st years on: end of a leap February", DB::Repeat1Month, Local(2015, 1, 31, 9, 0),
         Local(2020, 1, 31, 9, 0), Local(2020, 1, 31, 10, 0), Local(2020, 2, 29, 9, 0)},
        {"monthly far behind in December: January of the next year", DB::Repeat1Month, Local(2010, 6, 10, 8, 0),
         Local(2010, 7, 10, 8, 0), Local(2019, 12, 20, 0, 0), Local(2020, 1, 10, 8, 0)},
        {"yearly on 29 February", DB::Repeat1Year, Local(2016, 2, 29, 8, 0), 0, Local(2016, 3, 1, 0, 0),
         Local(2017, 2, 28, 8, 0)},
        {"yearly on 29 February, next leap year", DB::Repeat1Year, Local(2016, 2, 29, 8, 0), 0,
         Local(2019, 3, 1, 0, 0), Local(2020, 2, 29, 8, 0)},
        {"yearly twenty years on", DB::Repeat1Year, Local(2000, 3, 10, 8, 0), Local(2020, 3, 10, 8, 0),
         Local(2020, 3, 10, 8, 0), Local(2021, 3, 10, 8, 0)},
        {"daily across the spring change keeps 09:00", DB::Repeat1Day, Local(2015, 3, 7, 9, 0), 0,
         Local(2015, 3, 7, 9, 30), Local(2015, 3, 8, 9, 0)},
        {"weekly across the autumn change keeps 09:00", DB::Repeat1Week, Local(2015, 10, 30, 9, 0), 0,
         Local(2015, 10, 30, 9, 1), Local(2015, 11, 6, 9, 0)},
        {"daily far behind jumps to the next day", DB::Repeat1Day, Local(2015, 1, 1, 7, 0), 0,
         Local(2015, 6, 10, 12, 0), Local(2015, 6, 11, 7, 0)},
        {"hourly steps in seconds", DB::Repeat1Hour, 1000000, 0, 1000000 + 3 * 3600 + 5, 1000000 + 4 * 3600},
        {"not due yet: unchanged", DB::Repeat1Month, Local(2015, 1, 15, 9, 0), Local(2015, 3, 15, 9, 0),
         Local(2015, 2, 20, 0, 0), Local(2015, 3, 15, 9, 0)},
        {"once keeps its time", DB::RepeatOnce, 5000, 0, 9000, 5000},
    };
    for (const Case& c : cases) {
        DB::CItemReminder r;
        r.repeat = c.repeat;
        r.time_initial = c.initial;
        r.time_to_run = c.timeToRun ? c.timeToRun : c.initial;
        EXPECT_EQ(c.expected, r.NextRun(c.now)) << c.what;
        r.UpdateTimeToRun(c.now);
        EXPECT_EQ(c.expected, r.time_to_run) << c.what;
    }
    // the zone really has the change: 7 to 8 March is 23 hours
    EXPECT_EQ(23 * 3600, Local(2015, 3, 8, 9, 0) - Local(2015, 3, 7, 9, 0));
}

TEST(ModelReminderText, FormatTime)
{
    ZoneScope zone;
    struct Case {
        int h, m, language;
        const wchar_t* expected;
    } cases[] = {
        {13, 5, 9, L"3-4-2015  01:05 PM"},
        {13, 5, 25, L"4/3/2015  13:05"},
        {0, 30, 9, L"3-4-2015  00:30 AM"},
        {12, 0, 9, L"3-4-2015  12:00 PM"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, CReminderItem::FormatTime(Local(2015, 3, 4, c.h, c.m), c.language));
}

class ModelReminders : public ModelTest::NotebookFixture {
protected:
    void SetUp() override
    {
        NotebookFixture::SetUp();
        AddNoteRow(L"live", L"Live", 1);
        AddNoteRow(L"bin", L"Binned", 3);
        Load();
        g_now = 1000000;
        book->SetClock(FixedNow);
    }
    CReminderItem* Make(const wchar_t* noteId, int due, int repeat)
    {
        CReminderItem* r = book->GetReminder(noteId, 1);
        r->GetRecord().b_valid = 1;
        r->GetRecord().time_initial = r->GetRecord().time_to_run = due;
        r->GetRecord().repeat = repeat;
        book->UpdateReminder(r);
        return r;
    }
};

TEST_F(ModelReminders, DueAlarmsFireOnceAndStaleOnesGo)
{
    CReminderItem* once = Make(L"live", g_now - 10, DB::RepeatOnce);
    EXPECT_EQ(once, book->GetReminder(L"live", 1));  // one per note
    CReminderItem* binned = Make(L"bin", g_now - 10, DB::Repeat1Hour);
    Make(L"missing", g_now - 10, DB::RepeatOnce);
    EXPECT_EQ(3, book->GetReminderCount());

    book->CheckReminders();
    EXPECT_EQ((std::vector<std::string>{"ReminderAlarm live"}), listener.events);
    EXPECT_EQ(1, once->GetRecord().completed);
    // a reminder of a note in the trash, or of no note, is deleted, not fired
    EXPECT_EQ(1, book->GetReminderCount());
    EXPECT_EQ(nullptr, book->GetReminder(L"bin", 0));
    EXPECT_EQ(0, binned->GetRecord().b_valid);  // the item stays usable by its holder
    EXPECT_EQ(1, StoreInt("SELECT COUNT(*) FROM reminders"));

    book->CheckReminders();
    EXPECT_EQ(1u, listener.events.size());  // completed: not again
}

TEST_F(ModelReminders, RepeatingReminderMovesOnEachFire)
{
    CReminderItem* r = Make(L"live", g_now - 10, DB::Repeat30Min);
    book->CheckReminders();
    EXPECT_EQ(g_now - 10 + 1800, r->GetRecord().time_to_run);
    EXPECT_EQ(0, r->GetRecord().completed);
    book->CheckReminders();
    EXPECT_EQ(1u, listener.events.size());  // not due yet
    g_now += 1800;
    book->CheckReminders();
    EXPECT_EQ(2u, listener.events.size());
    EXPECT_EQ(1, StoreInt(("SELECT COUNT(*) FROM reminders WHERE time_to_run=" +
                           std::to_string(r->GetRecord().time_to_run)).c_str()));

    // a place reminder (type 1) never fires here
    r->GetRecord().type_reminder = 1;
    g_now += 100000;
    book->CheckReminders();
    EXPECT_EQ(2u, listener.events.size());

    book->RemoveReminder(L"live");
    EXPECT_EQ(0, book->GetReminderCount());
    EXPECT_EQ(0, StoreInt("SELECT COUNT(*) FROM reminders"));
}

// A note update from the sync reloads the reminders: each row keeps its item (its values
// refreshed), a new row gets one, a deleted row's item leaves the list; no item is made twice.
TEST_F(ModelReminders, ReloadReplacesItems)
{
    CReminderItem* live = Make(L"live", g_now + 100, DB::RepeatOnce);
    CReminderItem* other = Make(L"other", g_now + 200, DB::Repeat1Day);
    for (int i = 0; i < 50; ++i)
        book->OnEventNoteUpdated(L"live");
    EXPECT_EQ(2, book->GetReminderCount());
    EXPECT_EQ(live, book->GetReminder(L"live", 0));
    EXPECT_EQ(other, book->GetReminder(L"other", 0));

    ASSERT_EQ(1, StoreInt("SELECT COUNT(*) FROM reminders WHERE note_id='other'"));
    db.RemoveReminder(&other->GetRecord());
    DB::CItemReminder fresh;
    fresh.reminder_id = L"r-fresh";
    fresh.note_id = L"bin";
    db.CreateReminder(&fresh);
    DB::CItemReminder changed = live->GetRecord();
    changed.time_to_run = g_now + 5000;
    db.UpdateReminder(&changed);
    book->OnEventNoteUpdated(L"live");
    EXPECT_EQ(2, book->GetReminderCount());
    EXPECT_EQ(live, book->GetReminder(L"live", 0));
    EXPECT_EQ(g_now + 5000, live->GetRecord().time_to_run);
    EXPECT_EQ(nullptr, book->GetReminder(L"other", 0));
    EXPECT_EQ(g_now + 200, other->GetRecord().time_to_run);  // still usable by its holder
    ASSERT_NE(nullptr, book->GetReminder(L"bin", 0));
    EXPECT_EQ(L"r-fresh", book->GetReminder(L"bin", 0)->GetRecord().reminder_id);
}

TEST_F(ModelReminders, SortByReminderPutsNotesWithoutOneLast)
{
    CFolderItem* def = Folder(L"default");
    CNoteItem* a = book->CreateNote(def, 1);
    CNoteItem* b = book->CreateNote(def, 1);
    Make(a->GetNoteId(), 500, 0);
    Make(b->GetNoteId(), 300, 0);
    CNoteItem* live = book->GetNote(L"live");
    for (int type : {12, 13}) {
        CNoteItem* arr[] = {live, a, b};
        book->GetSortEngine()->Sort(type, arr, 3);
        if (type == 12)
            EXPECT_EQ((std::vector<CNoteItem*>{b, a, live}), std::vector<CNoteItem*>(arr, arr + 3));
        else
            EXPECT_EQ((std::vector<CNoteItem*>{a, b, live}), std::vector<CNoteItem*>(arr, arr + 3));
    }
}

} // namespace
