// The sync over the program's own store and notebook (a SQLite file), against a second
// client kept in memory, both on one account of the stand-in.
#include "MergeNotebookStore.h"
#include "NoteItem.h"
#include "Notebook.h"
#include "NotebookServices.h"
#include "PeloraDatabase.h"
#include "ReminderItem.h"
#include "TagList.h"
#include "syncthread_harness.h"
#include <gtest/gtest.h>
#include <shellapi.h>

using namespace Sync;
using test::Words;

namespace {

std::string U(const CString& s)
{
    return Sync::ToUtf8(s);
}

struct Services : Pelora::IApplicationServices, Pelora::IEditorServices, Pelora::IPaneServices {};

class StoreClient : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::FreshAccount();
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        dir.Format(L"%spelora-syncstore-%lu\\", temp, GetCurrentProcessId());
        CreateDirectoryW(dir, nullptr);
        DeleteFileW(dir + L"database.db");
        ASSERT_EQ(1, db.OpenDatabase(dir + L"database.db", 1));
        book = new Pelora::CNotebook(&db);
        book->SetServices(&services, &services, &services);
        ASSERT_EQ(1, book->LoadNotebook());
        store = new CNotebookSyncStore(&db, book);
    }
    void TearDown() override
    {
        delete store;
        delete book;
        db.CloseDatabase();
        SHFILEOPSTRUCTW op = {};
        std::wstring path(dir.GetString());
        path.push_back(L'\0');
        path.push_back(L'\0');
        op.wFunc = FO_DELETE;
        op.pFrom = path.c_str();
        op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
        SHFileOperationW(&op);
    }
    // A note the user wrote: stored dirty, as the editor saves it.
    void Write(const wchar_t* id, const wchar_t* folderId, const wchar_t* title, const wchar_t* html, int time)
    {
        MergeNote n;
        n.note_id = id;
        n.folder_id = store->FindFolders(folderId)[0].itemid;
        n.note_title = title;
        n.b_syncdirty = 1;
        n.date_create = n.date_update = n.date_update_user = time;
        EXPECT_TRUE(store->CreateNote(n));
        n.content = html;
        EXPECT_TRUE(store->UpdateNoteContent(n));
    }
    CString Content(const wchar_t* id)
    {
        MergeNote n;
        n.note_id = id;
        return store->LoadNoteContent(n) ? Words(n.content) : CString(L"<missing>");
    }
    bool SyncReal()
    {
        test::SyncThreads& t = test::SyncThreads::Get();
        CSyncThread::SetStore(store);
        int ended = t.observer.Count(SYNC_EVENT_ENDED);
        t.a->RunSync();
        bool done = t.observer.WaitFor(SYNC_EVENT_ENDED, ended + 1, 60000);
        for (int i = 0; i < 200 && CSyncThread::IsSyncRunning(); ++i)
            Sleep(10);
        EXPECT_EQ(0, CSyncThread::GetUploadResult());
        EXPECT_EQ(0, CSyncThread::GetDownloadResult());
        return done && CSyncThread::GetUploadResult() == 0 && CSyncThread::GetDownloadResult() == 0;
    }

    CString dir;
    DB::CPeloraDatabase db;
    Services services;
    Pelora::CNotebook* book = nullptr;
    CNotebookSyncStore* store = nullptr;
};

TEST_F(StoreClient, DatabaseClientAndMemoryClientConverge)
{
    int now = (int)time(nullptr);
    MergeFolder f;
    f.folder_id = L"fold-db";
    f.folder_name = L"From the database";
    f.parent_id = L"usr_folder";
    f.b_syncdirty = 1;
    f.date_create = f.date_update = now;
    ASSERT_TRUE(store->CreateFolder(f));
    Write(L"note-db1", L"fold-db", L"DB one", L"<p>written in the database</p>", now);
    Write(L"note-db2", L"default", L"DB two", L"<p>second</p>", now);
    MergeAttach a;
    a.attach_id = L"att-db1";
    a.note_id = L"note-db1";
    a.filename = L"data.bin";
    a.mime = L"application/octet-stream";
    a.type = 1;
    a.data = std::string("\0\1\2 attachment bytes", 20);
    a.size = 20;
    ASSERT_TRUE(store->CreateAttach(a));
    ASSERT_TRUE(store->UpdateAttachContent(a));
    book->GetTagList()->AddTag(L"dbtag", Pelora::TagFlagKept);
    store->LinkNoteTag(L"note-db1", L"dbtag");
    MergeReminder r;
    r.b_valid = 1;
    r.time_initial = r.time_to_run = now + 7200;
    store->UpdateReminder(L"note-db2", r);

    ASSERT_TRUE(SyncReal());
    test::MemStore mem;
    ASSERT_TRUE(test::SyncOnce(mem));
    ASSERT_NE(nullptr, mem.Note(L"note-db1"));
    EXPECT_EQ(L"fold-db", mem.FolderIdOf(*mem.Note(L"note-db1")));
    EXPECT_EQ(U(Words(L"<p>written in the database</p>")), U(Words(mem.Note(L"note-db1")->content)));
    EXPECT_EQ(std::set<CString>{L"dbtag"}, mem.TagsOf(L"note-db1"));
    ASSERT_EQ(1u, mem.AttachesOf(L"note-db1").size());
    EXPECT_EQ(a.data, mem.AttachesOf(L"note-db1")[0].data);
    EXPECT_TRUE(mem.HasReminder(L"note-db2"));
    MergeNote row;
    ASSERT_TRUE(store->GetNote(L"note-db1", row));
    EXPECT_EQ(0, row.b_syncdirty);

    // the other client edits, adds a note with an attachment and a tag
    mem.EditNote(L"note-db1", L"<p>edited in memory</p>");
    mem.NewNote(L"note-mem", L"fold-db", L"Mem", L"<p>from memory</p>");
    mem.AttachToNote(L"note-mem", L"att-mem", L"m.txt", "memory bytes");
    mem.TagNote(L"note-mem", L"memtag");
    ASSERT_TRUE(test::SyncOnce(mem));
    ASSERT_TRUE(SyncReal());
    EXPECT_EQ(U(Words(L"<p>edited in memory</p>")), U(Content(L"note-db1")));
    EXPECT_EQ("frommemory", U(Content(L"note-mem")));
    ASSERT_TRUE(store->GetNote(L"note-mem", row));
    EXPECT_EQ(L"fold-db", store->FindFolders(L"fold-db")[0].folder_id);
    EXPECT_EQ(store->FindFolders(L"fold-db")[0].itemid, row.folder_id);
    EXPECT_EQ(0, row.sync_priority);
    std::vector<MergeAttach> atts = store->GetAttaches(L"note-mem", nullptr, false);
    ASSERT_EQ(1u, atts.size());
    ASSERT_TRUE(store->LoadAttachContent(atts[0]));
    EXPECT_EQ("memory bytes", atts[0].data);
    std::vector<CString> tags = store->GetNoteTags(L"note-mem");
    EXPECT_EQ(std::vector<CString>{L"memtag"}, tags);

    // an older local edit of the database client loses to the service's and is kept as a copy
    mem.EditNote(L"note-db2", L"<p>newer on the other side</p>");
    ASSERT_TRUE(test::SyncOnce(mem));
    ASSERT_TRUE(store->GetNote(L"note-db2", row));
    MergeNote edit = row;
    edit.content = L"<p>older local text</p>";
    ASSERT_TRUE(store->UpdateNoteContent(edit));
    edit.b_syncdirty = 1;
    // edited from the version it had: older than the other side's edit
    ASSERT_TRUE(store->UpdateNote(edit));
    ASSERT_TRUE(SyncReal());
    EXPECT_EQ(U(Words(L"<p>newer on the other side</p>")), U(Content(L"note-db2")));
    int conflicts = store->FindFolders(L"conflict_folder")[0].itemid;
    DB::CItemNote filter;
    filter.folder_id = conflicts;
    DB::CItemList kept;
    db.GetNoteList(&filter, &kept);
    ASSERT_EQ(1, kept.GetCount());
    EXPECT_EQ(L"olderlocaltext", Content(static_cast<DB::CItemNote*>(kept.GetHead())->note_id));
}

}  // namespace
