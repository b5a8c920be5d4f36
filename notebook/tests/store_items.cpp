// Reminders, tasks and tags in the store.
#include "store_fixture.h"

using namespace StoreTest;

class StoreItems : public StoreFixture {};

TEST_F(StoreItems, RemindersRoundTripAndRemoveRules)
{
    DB::CItemReminder r;
    r.reminder_id = L"r'1";
    r.note_id = L"n'1";
    r.b_valid = 1;
    r.time_initial = 10;
    r.time_to_run = 20;
    r.repeat = 3600;
    r.geo_lat = L"55'7";
    r.geo_lng = L"\x0432\x043E\x0441\x0442\x043E\x043A";
    r.type_reminder = 1;
    ASSERT_EQ(db.CreateReminder(&r), 1);
    ASSERT_GT(r.itemid, 0);
    DB::CItemReminder other;
    other.reminder_id = L"r2";
    other.note_id = L"n2";
    ASSERT_EQ(db.CreateReminder(&other), 1);

    DB::CItemReminder byNote;
    byNote.note_id = L"n'1";
    DB::CItemList list;
    ASSERT_EQ(db.GetReminderList(&byNote, &list), 1);
    ASSERT_EQ(list.GetCount(), 1);
    auto* got = static_cast<DB::CItemReminder*>(list.GetHead());
    EXPECT_EQ(got->geo_lat, CString(L"55'7"));
    EXPECT_EQ(got->geo_lng, r.geo_lng);
    EXPECT_EQ(got->priority, 2);
    EXPECT_EQ(got->repeat, 3600);
    EXPECT_EQ(got->type_reminder, 1);

    got->completed = 1;
    got->time_to_run = 99;
    ASSERT_EQ(db.UpdateReminder(got), 1);
    EXPECT_EQ(QueryInt(Raw(), "SELECT time_to_run + completed FROM reminders WHERE note_id='n''1'"), 100);
    DB::CItemReminder noId;
    EXPECT_EQ(db.UpdateReminder(&noId), 0);

    DB::CItemReminder all;
    DB::CItemList everything;
    db.GetReminderList(&all, &everything);
    EXPECT_EQ(everything.GetCount(), 2);
    EXPECT_EQ(db.RemoveReminder(&all), 0);
    EXPECT_EQ(Count("reminders"), 2);
    ASSERT_EQ(db.RemoveReminder(&byNote), 1);
    EXPECT_EQ(Count("reminders"), 1);
}

TEST_F(StoreItems, TasksRoundTripAndPendingFlags)
{
    const wchar_t* text = L"Buy \"milk\" & O'Neil's \x0445\x043B\x0435\x0431";
    for (int i = 0; i < 3; ++i) {
        DB::CItemTask t;
        t.task_id.Format(L"t'%d", i);
        t.note_id = i < 2 ? L"n1" : L"n2";
        t.task_info = text;
        t.task_prn_id = L"p'";
        t.pending_insert = 1;
        ASSERT_EQ(db.CreateTask(&t), 1);
        EXPECT_EQ(t.pending_insert, 0);
    }
    DB::CItemTask filter;
    filter.note_id = L"n1";
    DB::CItemList list;
    ASSERT_EQ(db.GetTaskList(&filter, &list), 1);
    ASSERT_EQ(list.GetCount(), 2);
    auto* t = static_cast<DB::CItemTask*>(list.GetHead());
    EXPECT_EQ(t->task_info, CString(text));
    EXPECT_EQ(t->task_prn_id, CString(L"p'"));
    t->b_checked = 1;
    t->pending_update = 1;
    ASSERT_EQ(db.UpdateTask(t), 1);
    EXPECT_EQ(t->pending_update, 0);
    EXPECT_EQ(Count("tasks", "b_checked=1"), 1);

    // a failed insert still leaves the pending state
    ASSERT_TRUE(Exec(Raw(), "CREATE TRIGGER no_insert BEFORE INSERT ON tasks BEGIN SELECT RAISE(ABORT, 'no'); END"));
    DB::CItemTask failing;
    failing.task_id = L"f";
    failing.pending_insert = 1;
    EXPECT_EQ(db.CreateTask(&failing), 0);
    EXPECT_EQ(failing.pending_insert, 0);
    EXPECT_EQ(failing.itemid, 0);

    DB::CItemTask one;
    one.note_id = L"n1";
    one.task_id = L"t'0";
    ASSERT_EQ(db.RemoveTask(&one), 1);
    EXPECT_EQ(Count("tasks"), 2);
    ASSERT_EQ(db.RemoveTask(&filter), 1);
    EXPECT_EQ(Count("tasks"), 1);
    DB::CItemTask none;
    EXPECT_EQ(db.RemoveTask(&none), 0);
    EXPECT_EQ(Count("tasks"), 1);
}

TEST_F(StoreItems, TagCountsListsAndFilters)
{
    auto tag = [&](const wchar_t* name, int type, int flags) {
        DB::CItemTag t;
        t.tag_name = name;
        t.tag_flags = flags;
        EXPECT_EQ(db.TagCreate(&t, type), 1);
        return t.itemid;
    };
    int work = tag(L"work", 0, 0x8001);
    int gone = tag(L"gone", 0, 0x8002);
    int empty = tag(L"\x043F\x0443\x0441\x0442\x043E", 0, 0);
    int search = tag(L"saved", 1, 0);
    (void)empty;

    int notesIds[3];
    for (int i = 0; i < 3; ++i) {
        DB::CItemNote* n = AddNote(L"n", L"x");
        notesIds[i] = n->itemid;
        db.UpdateNoteTags(work, n->itemid);
    }
    db.UpdateNoteTrashedFlag(notesIds[2], 1);
    db.UpdateNoteTags(gone, notesIds[0]);
    db.UpdateNoteTags(search, notesIds[0]);

    EXPECT_EQ(db.TagGetNoteCount(work), 2);
    int count = -1;
    int* ids = db.TagGetNoteList(work, &count);
    ASSERT_NE(ids, nullptr);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(ids[0] + ids[1], notesIds[0] + notesIds[1]);
    EXPECT_EQ(ids[2], 0);
    delete[] ids;
    EXPECT_EQ(db.TagGetNoteList(work, nullptr), nullptr);

    struct Case { int filter; std::vector<CString> names; } cases[] = {
        {0, {L"gone", L"work", L"\x043F\x0443\x0441\x0442\x043E"}},
        {1, {L"work", L"\x043F\x0443\x0441\x0442\x043E"}},
        {2, {L"gone"}},
    };
    for (const Case& c : cases) {
        DB::CItemList list;
        ASSERT_EQ(db.TagGetList(&list, 0, c.filter), 1);
        std::vector<CString> names;
        for (POSITION pos = list.GetHeadPosition(); pos;)
            names.push_back(static_cast<DB::CItemTag*>(list.GetNext(pos))->tag_name);
        EXPECT_EQ(names, c.names) << c.filter;
    }
    DB::CItemList withCounts;
    db.TagGetList(&withCounts, 0, 0);
    EXPECT_EQ(static_cast<DB::CItemTag*>(withCounts.GetHead())->note_count, 1);   // "gone"

    DB::CItemNote first;
    first.itemid = notesIds[0];
    std::vector<CString> names;
    ASSERT_EQ(db.GetNoteTags(&first, names), 1);
    EXPECT_EQ(names, std::vector<CString>{CString(L"work")});   // no removed tag, no saved search
    DB::CItemNote trashed;
    trashed.itemid = notesIds[2];
    names.clear();
    db.GetNoteTags(&trashed, names);
    EXPECT_EQ(names.size(), 1u);   // trashed links count here
    CStringList list;
    list.AddTail(L"kept");
    ASSERT_EQ(db.GetNoteTags(&trashed, list), 1);   // appended after what the list held
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetTail(), names[0]);

    DB::CItemTag upd;
    upd.itemid = work;
    upd.order_value = 5;
    upd.tag_flags = 1;
    ASSERT_EQ(db.TagUpdate(&upd), 1);
    EXPECT_EQ(QueryInt(Raw(), ("SELECT order_value * 10 + tag_flags FROM tag_list WHERE itemid=" +
                               std::to_string(work)).c_str()), 51);

    ASSERT_EQ(db.TagRemove(work), 1);
    EXPECT_EQ(Count("tag_links", ("tag_id=" + std::to_string(work)).c_str()), 3);   // links stay
    EXPECT_EQ(db.RemoveNoteTag(0, 0), 0);
    ASSERT_EQ(db.RemoveNoteTag(0, work), 1);
    EXPECT_EQ(Count("tag_links", ("tag_id=" + std::to_string(work)).c_str()), 0);
    db.UpdateNoteTags(gone, notesIds[1]);
    db.UpdateNoteTags(gone, notesIds[1]);
    EXPECT_EQ(Count("tag_links", ("tag_id=" + std::to_string(gone)).c_str()), 3);
    ASSERT_EQ(db.RemoveNoteTag(notesIds[1], gone), 1);
    EXPECT_EQ(Count("tag_links", ("tag_id=" + std::to_string(gone)).c_str()), 1);
}
