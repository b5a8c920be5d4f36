// Merge and conflict rules: two clients on one account converge; conflicting edits leave
// both texts somewhere (the service or "conflict_folder"); the download queue's order; the
// age tier.
#include "syncthread_harness.h"
#include <gtest/gtest.h>
#include <ctime>

using namespace Sync;
using test::MemStore;
using test::Words;

namespace {

CString ContentOf(MemStore& s, const wchar_t* id)
{
    MergeNote* n = s.Note(id);
    return n ? Words(n->content) : CString(L"<missing>");
}

// What a client shows: every live note with its folder, title, words and tags.
std::map<CString, CString> View(MemStore& s)
{
    std::map<CString, CString> out;
    for (const CString& id : s.LiveNoteIds()) {
        MergeNote* n = s.Note(id);
        if (s.FolderIdOf(*n) == L"conflict_folder")
            continue;
        CString line = s.FolderIdOf(*n) + L"|" + n->note_title + L"|" + Words(n->content) + L"|";
        for (const CString& t : s.TagsOf(id))
            line += t + L",";
        line.AppendFormat(L"|a%d", (int)s.AttachesOf(id).size());
        out[id] = line;
    }
    return out;
}

class Merge : public ::testing::Test {
protected:
    void SetUp() override { test::FreshAccount(); }
    test::SyncThreads& T() { return test::SyncThreads::Get(); }
    void Sync(MemStore& s)
    {
        ASSERT_TRUE(test::SyncOnce(s));
        EXPECT_EQ(0, CSyncThread::GetUploadResult());
        EXPECT_EQ(0, CSyncThread::GetDownloadResult());
        EXPECT_EQ(L"Sync complete", T().observer.LastProgress().text);
    }
};

TEST_F(Merge, TwoClientsConvergeAfterChangesOnBothSides)
{
    MemStore a, b;
    a.NewFolder(L"fold-work", L"Work");
    a.NewNote(L"note-one", L"fold-work", L"One", L"<p>first text</p>");
    a.TagNote(L"note-one", L"ideas");
    a.AttachToNote(L"note-one", L"att-one", L"pic.png", std::string("\x89PNG\r\n\x1a\n-bytes-", 15));
    a.AddTodo(L"note-one", L"task-one", L"buy milk", false);
    a.AddTodo(L"note-one", L"task-two", L"done", true);
    a.NewNote(L"note-two", L"default", L"Two", L"<p>second</p>");
    a.SetNoteReminder(L"note-two", (int)time(nullptr) + 3600);
    Sync(a);
    Sync(b);

    EXPECT_EQ(View(a), View(b));
    ASSERT_NE(nullptr, b.Folder(L"fold-work"));
    EXPECT_EQ(L"Work", b.Folder(L"fold-work")->folder_name);
    std::vector<MergeAttach> atts = b.AttachesOf(L"note-one");
    ASSERT_EQ(1u, atts.size());
    EXPECT_EQ(std::string("\x89PNG\r\n\x1a\n-bytes-", 15), atts[0].data);
    EXPECT_EQ(L"pic.png", atts[0].filename);
    EXPECT_EQ(0, atts[0].sync_priority);
    EXPECT_EQ(2u, b.TasksOf(L"note-one").size());
    EXPECT_EQ(1, b.Note(L"note-one")->num_tasks);
    MergeReminder r;
    ASSERT_TRUE(b.HasReminder(L"note-two", &r));
    EXPECT_EQ(a.reminders[L"note-two"].time_to_run, r.time_to_run);
    EXPECT_TRUE(b.Note(L"note-two")->b_shared & 2);
    EXPECT_EQ(0, b.Note(L"note-one")->b_syncdirty);

    // B edits, moves, trashes, tags and drops a reminder; A deletes and restores
    b.EditNote(L"note-one", L"<p>first text, edited on B</p>");
    b.MoveNote(L"note-two", L"fold-work");
    b.UntagNote(L"note-one", L"ideas");
    b.TagNote(L"note-one", L"work");
    b.NewNote(L"note-three", L"default", L"Three", L"<p>third</p>");
    b.MoveNote(L"note-three", L"trash");
    b.reminders.erase(L"note-two");
    b.Note(L"note-two")->b_shared &= ~2;
    a.NewNote(L"note-four", L"default", L"Four", L"<p>to be deleted</p>");
    Sync(b);
    Sync(a);
    a.DeleteNote(L"note-four");
    a.MoveNote(L"note-three", L"default");   // restored from the trash
    a.AttachToNote(L"note-two", L"att-two", L"doc.txt", "hello");
    Sync(a);
    Sync(b);
    Sync(a);

    EXPECT_EQ(View(a), View(b));
    EXPECT_EQ(nullptr, b.Note(L"note-four"));
    EXPECT_EQ(L"default", b.FolderIdOf(*b.Note(L"note-three")));
    EXPECT_EQ(L"fold-work", a.FolderIdOf(*a.Note(L"note-two")));
    EXPECT_EQ(Words(L"<p>first text, edited on B</p>"), ContentOf(a, L"note-one"));
    EXPECT_EQ(std::set<CString>{L"work"}, a.TagsOf(L"note-one"));
    EXPECT_FALSE(a.HasReminder(L"note-two"));
    ASSERT_EQ(2u, b.AttachesOf(L"note-two").size() + b.AttachesOf(L"note-one").size());
    EXPECT_TRUE(a.NotesIn(L"conflict_folder").empty());
    EXPECT_TRUE(b.NotesIn(L"conflict_folder").empty());
}

// Which text ends on the service (and so on both clients) and which is kept in
// "conflict_folder", for edits of one note on both sides: when both changed since the last
// sync both texts stay, whatever the clocks say, and the copy reaches the other client too.
TEST_F(Merge, ConflictTable)
{
    enum Side { NONE, LOCAL, SERVER };
    struct Case {
        const char* name;
        int localOffset;     // the local change's time, against the service's edit
        bool localDelete;
        bool serverDelete;
        Side winner;         // whose text the note has afterwards (NONE: gone)
        Side inConflict;     // whose text "conflict_folder" keeps
    } cases[] = {
        {"equal times", 0, false, false, SERVER, LOCAL},
        {"local newer", +100, false, false, SERVER, LOCAL},
        {"server newer", -100, false, false, SERVER, LOCAL},
        {"local delete, newer server edit", -100, true, false, SERVER, NONE},
        // the deletion was of the version before the service's edit, which it never saw
        {"local delete after the server edit", +100, true, false, SERVER, NONE},
        {"server delete, unsent local edit", +100, false, true, NONE, LOCAL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::FreshAccount();
        MemStore a, b;
        a.NewNote(L"note-c", L"default", L"C", L"<p>original</p>");
        Sync(a);
        Sync(b);
        // the service's change (B), then the local one (A) with a time relative to it
        if (c.serverDelete)
            b.DeleteNote(L"note-c");
        else
            b.EditNote(L"note-c", L"<p>server side</p>");
        Sync(b);
        int serverTime = b.Note(L"note-c") ? b.Note(L"note-c")->date_update : (int)time(nullptr);
        if (c.localDelete)
            a.DeleteNote(L"note-c", serverTime + c.localOffset);
        else
            a.EditNote(L"note-c", L"<p>local side</p>", serverTime + c.localOffset);
        Sync(a);
        Sync(b);
        Sync(a);
        Sync(b);

        const wchar_t* expect = c.winner == LOCAL ? L"localside" : c.winner == SERVER ? L"serverside" : nullptr;
        for (MemStore* s : {&a, &b}) {
            MergeNote* n = s->Note(L"note-c");
            if (!expect) {
                EXPECT_TRUE(!n || n->b_removed);
            } else {
                ASSERT_TRUE(n && !n->b_removed);
                EXPECT_EQ(expect, Words(n->content));
            }
            std::vector<MergeNote> kept = s->NotesIn(L"conflict_folder");
            if (c.inConflict == NONE) {
                EXPECT_TRUE(kept.empty());
            } else {
                ASSERT_EQ(1u, kept.size());
                EXPECT_EQ(L"localside", ContentOf(*s, kept[0].note_id));
            }
        }
    }
}

// An emptied reply keeps the note's old content and its place in the queue; a note
// waiting for its content is not sent, and a local edit made meanwhile becomes a copy.
TEST_F(Merge, ContentIsKeptUntilTheDownloadReplacesIt)
{
    MemStore a, b;
    a.NewNote(L"note-k", L"default", L"K", L"<p>version one</p>");
    Sync(a);
    Sync(b);
    a.EditNote(L"note-k", L"<p>version two</p>");
    Sync(a);
    // the content download fails: B keeps version one and keeps the note queued
    // the structure request passes, every content download answers garbage
    {
        Json::Value op;
        op["op"] = "fault";
        op["target"] = "notes:get";
        op["kind"] = "delay";
        op["ms"] = 0;
        op["times"] = 1;
        test::Control(op);
        op["kind"] = "garbage";
        op["times"] = 0;
        test::Control(op);
    }
    ASSERT_TRUE(test::SyncOnce(b));
    test::ClearFaults();
    EXPECT_EQ(L"versionone", ContentOf(b, L"note-k"));
    EXPECT_GT(b.Note(L"note-k")->sync_priority, 0);
    // edited on B while it waits: not sent over version two, kept as a copy instead
    b.EditNote(L"note-k", L"<p>version one, edited on B</p>");
    Sync(b);
    EXPECT_EQ(L"versiontwo", ContentOf(b, L"note-k"));
    std::vector<MergeNote> kept = b.NotesIn(L"conflict_folder");
    ASSERT_EQ(1u, kept.size());
    EXPECT_EQ(Words(L"version one, edited on B"), ContentOf(b, kept[0].note_id));
    Sync(a);
    EXPECT_EQ(L"versiontwo", ContentOf(a, L"note-k"));
}

// Folders the user keeps out of the sync: their notes go neither way.
TEST_F(Merge, DoNotSyncFolderKeepsItsNotesHere)
{
    MemStore a, b;
    a.NewFolder(L"fold-private", L"Private");
    a.NewNote(L"note-shared", L"fold-private", L"Shared", L"<p>goes</p>");
    Sync(a);
    Sync(b);
    ASSERT_NE(nullptr, b.Note(L"note-shared"));
    b.Folder(L"fold-private")->flags |= FOLDER_FLAG_NO_SYNC;
    b.NewNote(L"note-private", L"fold-private", L"Private", L"<p>stays</p>");
    a.EditNote(L"note-shared", L"<p>changed on A</p>");
    Sync(a);
    Sync(b);
    Sync(a);
    EXPECT_EQ(nullptr, a.Note(L"note-private"));
    EXPECT_EQ(L"goes", ContentOf(b, L"note-shared"));
    EXPECT_EQ(1, b.Note(L"note-private")->b_syncdirty);
}

// Download order: notes wanted now, attachments wanted now, other notes by priority,
// other attachments (full sync only).
TEST_F(Merge, DownloadQueueOrder)
{
    MemStore a, b;
    for (const wchar_t* id : {L"note-q1", L"note-q2", L"note-q3"})
        a.NewNote(id, L"default", id, L"<p>text</p>");
    a.AttachToNote(L"note-q1", L"att-q1", L"one.bin", "11");
    a.AttachToNote(L"note-q2", L"att-q2", L"two.bin", "22");
    Sync(a);
    Sync(b);
    // queue everything again with chosen priorities
    b.Note(L"note-q1")->sync_priority = 5;
    b.Note(L"note-q2")->sync_priority = 1;
    b.Note(L"note-q3")->sync_priority = 3;
    for (auto& entry : b.attaches)
        entry.second.sync_priority = entry.second.attach_id == L"att-q1" ? 1 : 4;

    for (int syncType : {1, 0}) {
        SCOPED_TRACE(syncType);
        CSyncThread::SetSyncType(syncType);
        if (syncType == 0) {   // the notes are done: only the other attachment waits
            for (auto& entry : b.notes)
                entry.second.sync_priority = 0;
        }
        T().observer.Clear();
        Sync(b);
        std::vector<CString> order;
        for (const test::RecordedEvent& e : T().observer.Events()) {
            if (e.code == SYNC_EVENT_NOTE_PLAIN)
                order.push_back(e.text1);
            else if (e.code == SYNC_EVENT_ATTACH)
                order.push_back(e.text1);
        }
        if (syncType == 1) {
            std::vector<CString> expect = {L"note-q2", L"att-q1", L"note-q3", L"note-q1"};
            EXPECT_EQ(expect, order);
            EXPECT_EQ(4, b.attaches.begin()->second.attach_id == L"att-q2" ? b.attaches.begin()->second.sync_priority
                                                                            : std::next(b.attaches.begin())->second.sync_priority);
        } else {
            std::vector<CString> expect = {L"att-q2"};
            EXPECT_EQ(expect, order);
        }
    }
    CSyncThread::SetSyncType(0);
}

// Age tier: days counted on the calendar, across month and year ends.
TEST(AgeTier, RealDayDifference)
{
    struct tm base = {};
    base.tm_year = 2026 - 1900;
    base.tm_mon = 2;   // March 2, 12:00: the days before it lie in February
    base.tm_mday = 2;
    base.tm_hour = 12;
    base.tm_isdst = -1;
    time_t now = mktime(&base);
    struct {
        int daysAgo;
        int tier;
    } cases[] = {{0, 2}, {3, 2}, {4, 5}, {7, 5}, {8, 8}, {14, 8}, {15, 10}, {40, 10}, {400, 10}, {-1, 10}};
    for (auto c : cases) {
        SCOPED_TRACE(c.daysAgo);
        struct tm t = base;
        t.tm_mday -= c.daysAgo;
        t.tm_isdst = -1;
        int date = (int)mktime(&t);
        EXPECT_EQ(c.tier, CSyncThread::GetAttachPriority(date, 0, now));
        EXPECT_EQ(c.tier, CSyncThread::GetAttachPriority(0, date, now));
    }
    EXPECT_EQ(10, CSyncThread::GetAttachPriority(0, 0, now));
    EXPECT_EQ(10, CSyncThread::GetAttachPriority(-5, 0, now));
}

}  // namespace
