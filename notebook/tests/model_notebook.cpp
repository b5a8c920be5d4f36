// The notebook over a store fixture: the loaded tree, note and folder operations with their
// notifications, sync events, listeners posted from another thread, and the database repair.
#include "model_fixture.h"
#include "NotebookJson.h"
#include <json/json.h>
#include <functional>
#include <memory>
#include <sqlite3.h>

using namespace Pelora;
using ModelTest::Narrow;

namespace {

using Events = std::vector<std::string>;

// default(1) usr_folder(2) trash(3) conflict_folder(4) are made by the store.
class ModelNotebook : public ModelTest::NotebookFixture {
protected:
    bool RawExec(const std::string& sql)
    {
        return sqlite3_exec(db.GetHandle(), sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    void SetUp() override
    {
        NotebookFixture::SetUp();
        work = AddFolderRow(L"work", L"Work", L"usr_folder");
        AddFolderRow(L"projects", L"Projects", L"work");
        AddFolderRow(L"old", L"Old", L"trash");
        AddNoteRow(L"n1", L"Note one", 1);
        AddNoteRow(L"n2", L"Note two", work->itemid);
        AddNoteRow(L"n3", L"Trashed", 3);
        AddNoteRow(L"n4", L"Conflict", 4);
        AddNoteRow(L"n5", L"In old", folderRows[2]->itemid);
        DB::CItemNote* gone = AddNoteRow(L"n6", L"Removed", 1);
        gone->b_removed = 1;
        db.UpdateNote(gone, 1);
        Load();
    }
    CNoteItem* Note(const wchar_t* id) { return book->GetNote(id); }
    DB::CItemFolder* work = nullptr;
};

TEST_F(ModelNotebook, LoadsTreeCountsAndKinds)
{
    struct Row {
        const wchar_t* id;
        int type;
        int notes;
        int children;
        int stamp;
    } rows[] = {
        {L"default", FolderDefault, 1, 0, 1000}, {L"usr_folder", FolderUser, 0, 2, 2000},
        {L"trash", FolderTrash, 1, 1, 3000},     {L"conflict_folder", FolderConflicts, 1, 0, 4000},
        {L"work", FolderUser, 1, 1, 0},          {L"projects", FolderUser, 0, 0, 0},
        {L"old", FolderUser, 1, 0, 0},
    };
    for (const Row& r : rows) {
        CFolderItem* f = Folder(r.id);
        ASSERT_NE(nullptr, f) << Narrow(r.id);
        EXPECT_EQ(r.type, f->GetType()) << Narrow(r.id);
        EXPECT_EQ(r.notes, f->GetNoteCount()) << Narrow(r.id);
        EXPECT_EQ(r.children, f->GetFolderCount()) << Narrow(r.id);
        EXPECT_TRUE(f->IsLoaded());
        if (r.stamp) {
            EXPECT_EQ(r.stamp, f->GetRecord().date_create);
            EXPECT_EQ(r.stamp, f->GetRecord().date_update);
        }
    }
    CFolderItem* root = book->FindFolder(L"ROOT_FOLDER");
    EXPECT_EQ(book->GetRoot(), root);
    EXPECT_EQ(FolderRoot, root->GetType());
    EXPECT_EQ(L"All My Notes", root->GetName());
    // the root shows notes outside the trash, folders in it and the conflicts
    EXPECT_EQ((std::vector<std::string>{"Note one", "Note two"}), Titles(root));
    // "conflict_folder" sits below "usr_folder"
    EXPECT_EQ(2, Folder(L"usr_folder")->GetTotalNoteCount(1));
    EXPECT_EQ(0, Folder(L"usr_folder")->GetTotalNoteCount(0));
    EXPECT_EQ(2, Folder(L"trash")->GetTrashNoteCount());
    EXPECT_EQ(nullptr, Note(L"n6"));
    EXPECT_EQ(1, book->IsRemovedFolder(Folder(L"old")));
    EXPECT_EQ(0, book->IsRemovedFolder(Folder(L"projects")));
    EXPECT_EQ(Folder(L"work"), book->FindFolder(nullptr, L"WORK", -1, nullptr));
    EXPECT_EQ(nullptr, book->FindFolder(nullptr, nullptr, -1, nullptr));
    EXPECT_EQ(Folder(L"conflict_folder"), book->FindFolderByItemId(0));
    EXPECT_EQ(Folder(L"work"), book->FindFolderByItemId(work->itemid));
    EXPECT_EQ(Folder(L"work"), Folder(L"usr_folder")->FindChildFolder(L"work", -1));
    EXPECT_EQ(nullptr, Folder(L"usr_folder")->FindChildFolder(L"work", 2));
}

TEST_F(ModelNotebook, CreateMoveTrashRestoreWithEvents)
{
    CFolderItem* def = Folder(L"default");
    CFolderItem* workItem = Folder(L"work");
    CNoteItem* note = book->CreateNote(def, 1);
    ASSERT_NE(nullptr, note);
    EXPECT_EQ(L"New Note", note->GetTitle());
    EXPECT_EQ(16, note->GetNoteId().GetLength());
    EXPECT_NE(0, note->GetItemId());
    EXPECT_NE(-1, def->GetNoteIndex(note->GetItemId()));
    EXPECT_NE(-1, book->GetRoot()->GetNoteIndex(note->GetItemId()));
    EXPECT_EQ(1, StoreInt("SELECT COUNT(*) FROM notes WHERE note_title='New Note' AND b_syncdirty=1"));
    EXPECT_NE(std::wstring::npos, std::wstring(note->GetRecord().GetContentText()).find(L"font-family: 'Arial'"));

    EXPECT_EQ(0, book->MoveNote(note, def));  // already there
    EXPECT_EQ(1, book->MoveNote(note, workItem));
    EXPECT_EQ((Events{"FolderChanged default", "FolderChanged work", "FolderChanged root_folder"}), listener.events);
    EXPECT_EQ(workItem->GetRecord().itemid, note->GetRecord().folder_id);
    listener.events.clear();

    EXPECT_EQ(1, book->MoveNoteToTrash(note));
    EXPECT_EQ((Events{"FolderChanged work", "FolderChanged trash", "FolderChanged root_folder"}), listener.events);
    EXPECT_EQ(3, note->GetRecord().folder_id);
    EXPECT_EQ(workItem->GetRecord().itemid, note->GetRecord().sav_fld_id);
    EXPECT_EQ(-1, book->GetRoot()->GetNoteIndex(note->GetItemId()));
    EXPECT_EQ(0, book->MoveNoteToTrash(note));
    listener.events.clear();

    book->RestoreNoteFromTrash(note);
    EXPECT_EQ(workItem->GetRecord().itemid, note->GetRecord().folder_id);
    EXPECT_EQ(0, note->GetRecord().sav_fld_id);
    EXPECT_NE(-1, workItem->GetNoteIndex(note->GetItemId()));
    EXPECT_NE(-1, book->GetRoot()->GetNoteIndex(note->GetItemId()));
    EXPECT_EQ((Events{"FolderChanged trash", "FolderChanged work", "FolderChanged root_folder"}), listener.events);

    // a note that reached the trash without a saved folder goes to "default"
    CNoteItem* trashed = Note(L"n3");
    book->RestoreNoteFromTrash(trashed);
    EXPECT_EQ(1, trashed->GetRecord().folder_id);
}

TEST_F(ModelNotebook, RemoveNoteKeepsTheItemFindable)
{
    CNoteItem* note = Note(L"n2");
    int itemid = note->GetItemId();
    EXPECT_TRUE(book->RemoveNote(note));
    EXPECT_EQ((Events{"NoteRemoved Note two", "FolderChanged work"}), listener.events);
    EXPECT_EQ(note, book->FindNoteById(L"n2"));
    EXPECT_EQ(note, book->FindNoteByItemId(itemid));
    EXPECT_EQ(nullptr, book->GetNote(L"n2"));
    EXPECT_EQ(1, StoreInt("SELECT b_removed FROM notes WHERE note_id='n2'"));
    EXPECT_EQ(-1, book->GetRoot()->GetNoteIndex(itemid));
    EXPECT_FALSE(book->RemoveNote(nullptr));
}

TEST_F(ModelNotebook, CopyNoteRenamesAttachmentsInTheCopy)
{
    CNoteItem* src = Note(L"n1");
    CString file = dir + L"pic.bin";
    ModelTest::WriteFileBytes(file, std::string("\x01\x02\x03\x00\x04", 5));
    ASSERT_EQ(0, book->AttachFileToNote(src, file, L"ignored"));
    EXPECT_EQ(1, book->AttachFileToNote(src, dir + L"missing.bin", nullptr));
    EXPECT_EQ(1, book->AttachFileToNote(src, dir, nullptr));
    src->Load(0);
    ASSERT_EQ(1, src->GetAttachCount());
    CString oldId = src->GetAttach(0)->attach_id;
    src->SetContentText(L"<p>x<img src=\"#attacheloc:" + oldId + L"#\"></p>");
    db.NoteUpdateContent(&src->GetRecord());
    src->Load(0);

    EXPECT_EQ(nullptr, book->CopyNote(src, Folder(L"trash"), nullptr));
    CNoteItem* copy = book->CopyNote(src, Folder(L"work"), L"Copy");
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(L"Copy", copy->GetTitle());
    ASSERT_EQ(1, copy->GetAttachCount());
    CString newId = copy->GetAttach(0)->attach_id;
    EXPECT_NE(oldId, newId);
    std::wstring content = copy->GetRecord().GetContentText();
    EXPECT_NE(std::wstring::npos, content.find(newId.GetString()));
    EXPECT_EQ(std::wstring::npos, content.find(oldId.GetString()));
    EXPECT_EQ(src->GetRecord().date_create, copy->GetRecord().date_create);
    EXPECT_EQ((Events{"FolderChanged work", "FolderChanged root_folder"}), listener.events);
    // the copy's bytes are the source's
    DB::CItemAttach* a = copy->GetAttach(0);
    ASSERT_EQ(1, db.LoadAttachContent(a));
    EXPECT_EQ(5, a->size);
}

// A write in the middle of a model operation fails (a trigger makes that statement fail): the
// operation reports it, hands out no note, and the store holds exactly what it held before.
// Once the store works again the same operation succeeds and leaves no row pointing nowhere.
TEST_F(ModelNotebook, MultiWriteOperationsAreAllOrNothing)
{
    CFolderItem* def = Folder(L"default");
    CFolderItem* workItem = Folder(L"work");
    CNoteItem* src = Note(L"n1");
    CString file = dir + L"a.bin";
    ModelTest::WriteFileBytes(file, "abc");
    ASSERT_EQ(0, book->AttachFileToNote(src, file, nullptr));
    std::vector<CString> red{L"red"};
    book->SetNoteTags(&red, src, 0);
    src->Load(0);
    ModelTest::WriteFileBytes(dir + L"b.bin", "defg");
    Json::Value imported;
    {
        const std::string text = "{\"note_title\":\"Imported\",\"content_data\":\"<p>hi</p>\","
                                 "\"tags\":[\"red\",\"fresh\"],\"tasks\":[{\"task_info\":\"t1\"}],"
                                 "\"attach_list\":[{\"attach_id\":\"old\",\"pathname\":\"b.bin\"}]}";
        Json::CharReaderBuilder b;
        std::unique_ptr<Json::CharReader> r(b.newCharReader());
        std::string errors;
        ASSERT_TRUE(r->parse(text.data(), text.data() + text.size(), &imported, &errors)) << errors;
    }
    CJsonNoteImporter importer(dir);
    int saves = 0;

    auto snapshot = [&] {
        std::string s;
        for (const char* t : {"notes", "notes_content", "notes_preview", "attaches", "tag_list", "tag_links", "tasks"})
            s += std::to_string(StoreInt((std::string("SELECT COUNT(*) FROM ") + t).c_str())) + " ";
        return s + std::to_string(StoreInt("SELECT total(length(data)) FROM notes_content")) + " " +
               std::to_string(StoreInt("SELECT total(date_update) FROM notes"));
    };
    struct Case {
        const char* what;
        const char* when;
        std::function<bool()> run;
    } cases[] = {
        {"create: the preview after the content", "BEFORE INSERT ON notes_preview",
         [&] { return book->CreateNote(def, 1) != nullptr; }},
        {"create: the row after content and preview", "BEFORE INSERT ON notes",
         [&] { return book->CreateNote(def, 1) != nullptr; }},
        {"copy: the row after the attachment", "BEFORE INSERT ON notes",
         [&] { return book->CopyNote(src, workItem, nullptr) != nullptr; }},
        {"copy: the tag link last", "BEFORE INSERT ON tag_links",
         [&] { return book->CopyNote(src, workItem, nullptr) != nullptr; }},
        {"save: the row after preview and content", "BEFORE UPDATE ON notes",
         [&] {
             src->SetContentText(saves++ ? L"<p>saved twice</p>" : L"<p>saved once, longer</p>");
             src->GetRecord().date_update = 7000 + saves;
             src->SetModified(1);
             return src->SaveNote();
         }},
        {"import: a task", "BEFORE INSERT ON tasks", [&] { return importer.ImportNote(def, imported) == 1; }},
        {"import: the attachment", "BEFORE INSERT ON attaches", [&] { return importer.ImportNote(def, imported) == 1; }},
        {"import: the tag links last", "BEFORE INSERT ON tag_links",
         [&] { return importer.ImportNote(def, imported) == 1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string before = snapshot();
        int inRoot = book->GetRoot()->GetNoteCount(), inDefault = def->GetNoteCount(), inWork = workItem->GetNoteCount();
        int tagged = book->GetTagList()->FindByName(L"red")->GetNoteCount();
        ASSERT_TRUE(RawExec(std::string("CREATE TRIGGER injected ") + c.when +
                                   " BEGIN SELECT RAISE(ABORT, 'injected'); END;"));
        EXPECT_FALSE(c.run());
        EXPECT_EQ(before, snapshot());
        EXPECT_EQ(inRoot, book->GetRoot()->GetNoteCount());
        EXPECT_EQ(inDefault, def->GetNoteCount());
        EXPECT_EQ(inWork, workItem->GetNoteCount());
        EXPECT_EQ(tagged, book->GetTagList()->FindByName(L"red")->GetNoteCount());
        EXPECT_EQ(nullptr, book->GetTagList()->FindByName(L"fresh"));  // made for the import, taken back
        ASSERT_TRUE(RawExec("DROP TRIGGER injected"));
        EXPECT_TRUE(c.run());
        EXPECT_NE(before, snapshot());
        EXPECT_EQ(0, StoreInt("SELECT COUNT(*) FROM notes WHERE (content_id<>0 AND content_id NOT IN "
                              "(SELECT idrec FROM notes_content)) OR (preview_id<>0 AND preview_id NOT IN "
                              "(SELECT pview_id FROM notes_preview))"));
        book->GetTagList()->RemoveTag(book->GetTagList()->FindByName(L"fresh"), 1);
    }
    EXPECT_EQ(0, src->IsModified());
    EXPECT_EQ(1, StoreInt("SELECT COUNT(*) FROM notes WHERE note_id='n1' AND date_update=7002"));
}

// A folder finds its notes by position however its array changed: appended, attached twice,
// taken out anywhere, put in front by a descending order, sorted, cleared. After each step every
// note's index is the one a walk of the array gives.
TEST_F(ModelNotebook, NoteIndexFollowsEveryChangeOfTheArray)
{
    CFolderItem* def = Folder(L"default");
    CFolderItem* f = Folder(L"work");
    std::vector<int> ids{Note(L"n2")->GetItemId()};
    for (int i = 0; i < 12; ++i) {
        CNoteItem* n = book->CreateNote(def, 1);
        ASSERT_NE(nullptr, n);
        ids.push_back(n->GetItemId());
    }
    auto walked = [&](int id) {
        for (int i = 0; i < f->GetNoteCount(); ++i)
            if (f->GetNoteItemId(i) == id)
                return i;
        return -1;
    };
    struct Step {
        const char* what;
        std::function<void()> run;
    } steps[] = {
        {"appended", [&] { for (int i = 1; i <= 6; ++i) EXPECT_EQ(i, f->AttachNote(ids[i])); }},
        {"attached twice", [&] { EXPECT_EQ(3, f->AttachNote(ids[3])); EXPECT_EQ(7, f->GetNoteCount()); }},
        {"taken out in the middle", [&] { EXPECT_TRUE(f->DetachNote(ids[2], 1)); }},
        {"taken out last", [&] { EXPECT_TRUE(f->DetachNote(ids[6], 1)); EXPECT_FALSE(f->DetachNote(ids[6], 1)); }},
        {"sorted descending, then one put in front", [&] { f->SetSortType(1); EXPECT_EQ(0, f->AttachNote(ids[7])); }},
        {"taken out first", [&] { EXPECT_TRUE(f->DetachNote(ids[7], 1)); }},
        {"sorted ascending, then appended", [&] {
             f->SetSortType(0);
             for (int i = 8; i <= 12; ++i) {
                 int count = f->GetNoteCount();
                 EXPECT_EQ(count, f->AttachNote(ids[i]));
             }
         }},
        {"cleared, then one attached", [&] { f->ClearNotes(); EXPECT_EQ(0, f->AttachNote(ids[4])); }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.run();
        for (int id : ids)
            EXPECT_EQ(walked(id), f->GetNoteIndex(id)) << "note " << id;
    }
    EXPECT_EQ(-1, f->GetNoteIndex(0));
}

TEST_F(ModelNotebook, FolderCreateMoveTrashRestoreRemove)
{
    CFolderItem* f = book->CreateFolder(L"Fresh", 0, nullptr);
    ASSERT_NE(nullptr, f);
    EXPECT_EQ((Events{"FolderCreated " + Narrow(f->GetFolderId()), "FolderChanged usr_folder"}), listener.events);
    EXPECT_EQ(L"usr_folder", f->GetParentId());
    EXPECT_EQ(1, f->GetRecord().b_syncdirty);
    EXPECT_NE(0, f->GetRecord().itemid);
    listener.events.clear();

    CFolderItem* workItem = Folder(L"work");
    EXPECT_EQ(0, book->MoveFolder(workItem, Folder(L"projects")));  // below itself
    EXPECT_EQ(0, book->MoveFolder(workItem, book->GetRoot()));
    EXPECT_EQ(1, book->MoveFolder(workItem, f));
    EXPECT_EQ((Events{"FolderChanged usr_folder", "FolderChanged " + Narrow(f->GetFolderId()), "FolderChanged root_folder"}),
              listener.events);
    EXPECT_EQ(1, f->GetFolderCount());
    listener.events.clear();

    // to the trash: the notes leave the root, the folder remembers its parent
    EXPECT_EQ(1, book->MoveFolder(workItem, Folder(L"trash")));
    EXPECT_EQ(-1, book->GetRoot()->GetNoteIndex(Note(L"n2")->GetItemId()));
    EXPECT_EQ(f->GetFolderId(), workItem->GetRecord().sav_prn_id);
    book->RestoreFolderFromTrash(workItem);
    EXPECT_EQ(f->GetFolderId(), workItem->GetParentId());
    EXPECT_TRUE(workItem->GetRecord().sav_prn_id.IsEmpty());

    book->RenameFolder(f, L"Renamed");
    EXPECT_EQ(1, StoreInt("SELECT COUNT(*) FROM folders WHERE folder_name='Renamed'"));

    listener.events.clear();
    book->RemoveFolderTree(f);
    EXPECT_EQ(nullptr, Folder(L"work"));
    EXPECT_EQ(nullptr, Folder(L"projects"));
    EXPECT_EQ(1, StoreInt("SELECT b_removed FROM notes WHERE note_id='n2'"));
    EXPECT_EQ(1, StoreInt("SELECT b_removed FROM folders WHERE folder_id='work'"));
    EXPECT_EQ(3u, book->GetRemovedFolders().size());
    EXPECT_EQ(1, Folder(L"usr_folder")->GetFolderCount());

    // the trash itself stays
    CFolderItem* trash = Folder(L"trash");
    book->RemoveFolderTree(trash);
    EXPECT_EQ(trash, Folder(L"trash"));
    EXPECT_EQ(0, trash->GetNoteCount());
}

TEST_F(ModelNotebook, MoveFolderWithMissingParentChangesNothing)
{
    CFolderItem* orphan = book->CreateFolder(L"Orphan", 0, nullptr);
    orphan->GetRecord().parent_id = L"nowhere";
    EXPECT_EQ(1, book->MoveFolder(orphan, Folder(L"work")));
    EXPECT_EQ(L"nowhere", orphan->GetParentId());
}

TEST_F(ModelNotebook, FanOutOrderNullsAndSelfRemoval)
{
    struct Leaver : ModelTest::RecordingListener {
        CNotebook* book = nullptr;
        void OnNotebookEvent_FolderChanged(CFolderItem* f) override
        {
            RecordingListener::OnNotebookEvent_FolderChanged(f);
            book->RemoveListener(this);
        }
    } leaver;
    leaver.book = book;
    ModelTest::RecordingListener last;
    book->AddListener(&leaver);
    book->AddListener(&last);
    book->AddListener(&listener);  // already there: no second entry

    book->NotifyNoteChanged(nullptr);
    EXPECT_EQ((Events{"NoteChanged null"}), listener.events);
    EXPECT_EQ((Events{"NoteChanged null"}), last.events);
    book->NotifyFolderChanged(nullptr);
    book->NotifyNoteRemoved(nullptr);
    EXPECT_EQ(1u, listener.events.size());

    // the leaver removes itself during its call: the walk stops there
    book->NotifyFolderChanged(Folder(L"default"));
    EXPECT_EQ(2u, listener.events.size());
    EXPECT_EQ(2u, leaver.events.size());
    EXPECT_EQ(1u, last.events.size());
    book->RemoveListener(&last);
}

// What the sync's merge does on its own thread.
DWORD WINAPI NotifyFromThread(void* note)
{
    CNotebook* book = GetNotebook();
    book->NotifyFolderChanged(book->FindFolder(L"work"));
    book->NotifyNoteChanged(static_cast<CNoteItem*>(note));
    book->NotifyFolderChanged(book->GetRoot());
    book->NotifyNoteUpdated(nullptr);
    return 0;
}

DWORD WINAPI NotifyTwoFromThread(void* note)
{
    GetNotebook()->NotifyNoteChanged(static_cast<CNoteItem*>(note));
    GetNotebook()->NotifyFolderChanged(GetNotebook()->FindFolder(L"work"));
    return 0;
}

TEST_F(ModelNotebook, ChangesFromAnotherThreadArePostedInOrder)
{
    HANDLE t = CreateThread(nullptr, 0, NotifyFromThread, Note(L"n1"), 0, nullptr);
    WaitForSingleObject(t, 10000);
    CloseHandle(t);
    EXPECT_TRUE(listener.events.empty());  // nothing ran on the other thread
    ModelTest::PumpMessages();
    EXPECT_EQ((Events{"FolderChanged work", "NoteChanged Note one", "FolderChanged root_folder", "NoteUpdated null"}),
              listener.events);
    for (DWORD id : listener.threads)
        EXPECT_EQ(GetCurrentThreadId(), id);
}

TEST_F(ModelNotebook, PostedNoteOfAnUnloadedNotebookIsDropped)
{
    CNoteItem* note = Note(L"n1");
    HANDLE t = CreateThread(nullptr, 0, NotifyTwoFromThread, note, 0, nullptr);
    WaitForSingleObject(t, 10000);
    CloseHandle(t);
    book->UnloadNotebook();
    ModelTest::PumpMessages();
    // the note is gone; the folder was kept alive by its reference until delivery
    EXPECT_EQ((Events{"FolderChanged work"}), listener.events);
    EXPECT_EQ((std::vector<std::string>{"SaveOptions"}), services.calls);
}

TEST_F(ModelNotebook, SyncEvents)
{
    services.catalog = true;
    CNoteItem* note = Note(L"n1");
    services.activeFolder = book->GetRoot();

    // the sync moved the note into "work" and renamed it
    DB::CItemNote* row = noteRows[0];
    row->folder_id = work->itemid;
    row->note_title = L"Renamed";
    db.UpdateNote(row, 1);
    book->OnEventNoteUpdated(L"n1");
    EXPECT_EQ(L"Renamed", note->GetTitle());
    EXPECT_NE(-1, Folder(L"work")->GetNoteIndex(note->GetItemId()));
    EXPECT_EQ(-1, Folder(L"default")->GetNoteIndex(note->GetItemId()));
    EXPECT_EQ((Events{"FolderChanged default", "FolderChanged work", "FolderChanged root_folder", "NoteUpdated Renamed"}),
              listener.events);
    listener.events.clear();
    services.calls.clear();

    book->OnEventNoteRemoved(L"n1");
    EXPECT_EQ(-1, book->GetRoot()->GetNoteIndex(note->GetItemId()));
    EXPECT_EQ((Events{"NoteRemoved Renamed", "FolderChanged work", "FolderChanged root_folder"}), listener.events);
    EXPECT_EQ((std::vector<std::string>{"ReloadNoteList", "RedrawNoteList"}), services.calls);

    // a folder made by the sync
    DB::CItemFolder* made = AddFolderRow(L"fromsync", L"From sync", L"work");
    AddNoteRow(L"n9", L"Synced note", made->itemid);
    services.calls.clear();
    book->OnEventFolderCreated(L"fromsync");
    ASSERT_NE(nullptr, Folder(L"fromsync"));
    EXPECT_EQ(2, Folder(L"work")->GetFolderCount());
    EXPECT_EQ(0, Folder(L"fromsync")->GetNoteCount());  // n9 is not loaded until asked for
    ASSERT_NE(nullptr, book->GetNote(L"n9"));

    // moved to another parent by the sync
    made->parent_id = L"usr_folder";
    db.UpdateFolder(made, 1);
    book->OnEventFolderUpdated(L"fromsync");
    EXPECT_EQ(1, Folder(L"work")->GetFolderCount());
    EXPECT_EQ(3, Folder(L"usr_folder")->GetFolderCount());

    book->OnEventFolderRemoved(L"trash");
    EXPECT_NE(nullptr, Folder(L"trash"));
    book->OnEventFolderRemoved(L"fromsync");
    EXPECT_EQ(2, Folder(L"usr_folder")->GetFolderCount());
    EXPECT_NE(nullptr, Folder(L"fromsync"));  // stays in the map

    book->OnEventNoteUpdated(L"unknown");
    book->OnEventFolderUpdated(L"unknown");
    EXPECT_EQ(1, book->OnEventAttachRemoved(L"x"));
}

TEST_F(ModelNotebook, AttachNoteRules)
{
    CFolderItem* old = Folder(L"old");
    CFolderItem* def = Folder(L"default");
    CNoteItem* n2 = Note(L"n2");
    // a folder in the trash and the conflicts never feed the root
    EXPECT_GE(old->AttachNote(n2->GetItemId()), 0);
    EXPECT_NE(-1, book->GetRoot()->GetNoteIndex(n2->GetItemId()));  // it was there already
    EXPECT_TRUE(book->GetRoot()->DetachNote(n2->GetItemId(), 1));
    EXPECT_GE(Folder(L"conflict_folder")->AttachNote(n2->GetItemId()), 0);
    EXPECT_EQ(-1, book->GetRoot()->GetNoteIndex(n2->GetItemId()));
    EXPECT_EQ(-1, def->AttachNote(987654));  // not loaded
    EXPECT_EQ(1, def->GetNoteCount());

    // descending sort: new notes go first
    def->SetSortType(16);
    EXPECT_EQ(16, def->GetSortType());
    def->SetSortType(5);
    EXPECT_EQ(0, def->AttachNote(n2->GetItemId()));
    EXPECT_EQ(n2, def->GetNoteItem(0));
    EXPECT_EQ(Note(L"n1"), def->GetNextNote(n2));
    EXPECT_EQ(n2, def->GetNextNote(Note(L"n1")));  // the last gives the one before
    EXPECT_EQ(-1, def->GetNoteItemId(5));
    def->SetSelectedNoteId(L"n2");
    EXPECT_EQ(n2, def->GetSelectedNote());

    // the capacity grows in steps of 1024
    EXPECT_EQ(1024, def->GetNoteCapacity());

    // Release to zero deletes an item
    CFolderItem* temp = new CFolderItem(0);
    EXPECT_EQ(L"Sync Folder", temp->GetName());
    EXPECT_EQ(2, temp->AddRef());
    EXPECT_EQ(1, temp->Release());
    EXPECT_EQ(0, temp->Release());
}

TEST_F(ModelNotebook, FilterNodeCombinesItems)
{
    CFilterFolderItem* filter = book->GetFilter();
    CFolderItem* root = book->GetRoot();
    EXPECT_EQ(0, filter->AddFilter(nullptr, 0));
    EXPECT_EQ(1, filter->AddFilter(root, 2));
    EXPECT_EQ(2, filter->GetNoteCount());
    EXPECT_TRUE(services.calls.empty());  // one item alone shows no mark
    EXPECT_EQ(1, filter->AddFilter(Folder(L"work"), 0));
    EXPECT_EQ((std::vector<std::string>{"Note two"}), Titles(filter));
    EXPECT_EQ(FilterMarkKeep, Folder(L"work")->GetFilterMark());
    EXPECT_EQ(1, filter->AddFilter(Folder(L"work"), 1));
    EXPECT_EQ(0, filter->GetNoteCount());
    EXPECT_EQ(FilterMarkExclude, Folder(L"work")->GetFilterMark());
    // combining never takes notes out of the root
    EXPECT_EQ(2, root->GetNoteCount());
    EXPECT_EQ((std::vector<std::string>{"StateImage work 4096", "StateImage root_folder 4096", "StateImage work 8192",
                                        "StateImage root_folder 4096"}),
              services.calls);
    services.calls.clear();
    filter->ClearFilter();
    EXPECT_EQ((std::vector<std::string>{"StateImage root_folder 0", "StateImage work 0"}), services.calls);
    EXPECT_EQ(0, Folder(L"work")->GetFilterMark());
    EXPECT_TRUE(filter->GetFilterItems().empty());
}

TEST_F(ModelNotebook, FolderComparators)
{
    CFolderItem* a = book->CreateFolder(L"alpha", 0, nullptr);
    CFolderItem* b = book->CreateFolder(L"Alpha", 0, nullptr);
    CFolderItem* c = book->CreateFolder(L"beta", 0, nullptr);
    EXPECT_LT(CFolderItem::CompareByDateAsc(a, b), 0);
    EXPECT_GT(CFolderItem::CompareByDateDesc(a, b), 0);
    EXPECT_LT(CFolderItem::CompareByName(b, c), 0);
    EXPECT_LT(CFolderItem::CompareByName(a, b), 0);  // equal ignoring case: reversed case-sensitive order
    EXPECT_EQ(0, CFolderItem::CompareByName(a, nullptr));
    a->SetOrderValue(5);
    b->SetOrderValue(2);
    EXPECT_GT(CFolderItem::CompareByUserOrder(a, b), 0);
    EXPECT_GT(CFolderItem::CompareByPopularity(c, Folder(L"work")), 0);
}

TEST_F(ModelNotebook, UserOrderRoundTrip)
{
    CFolderItem* def = Folder(L"default");
    CNoteItem* n1 = Note(L"n1");
    CNoteItem* extra = book->CreateNote(def, 1);
    CNoteItem* notes[] = {n1, extra};
    ASSERT_TRUE(def->SaveSortData(notes, 2, 0, false));
    def->LoadSortData(0);
    EXPECT_EQ((std::vector<int>{extra->GetItemId(), n1->GetItemId()}), def->GetOrder(0));
    def->ApplyUserOrder(0);
    EXPECT_EQ(0u, extra->GetUserPosition());
    EXPECT_EQ(1u, n1->GetUserPosition());
    def->SetSortType(17);  // stored only
    EXPECT_EQ(n1, def->GetNoteItem(0));
    def->SetSortType(16);
    EXPECT_EQ(n1, def->GetNoteItem(0));
}

TEST_F(ModelNotebook, UnloadAndLoadAgain)
{
    book->UnloadNotebook();
    EXPECT_EQ(0, book->IsLoaded());
    EXPECT_EQ(nullptr, Folder(L"default"));
    EXPECT_EQ(nullptr, book->FindNoteById(L"n1"));
    EXPECT_EQ(0, book->GetRoot()->GetNoteCount());
    Load();
    EXPECT_EQ(2, book->GetRoot()->GetNoteCount());
    EXPECT_NE(nullptr, Note(L"n1"));
}

TEST(ModelRepair, DuplicateIdsAndOrphans)
{
    CString dir = ModelTest::MakeTempDir();
    CString path = dir + L"database.db";
    {
        DB::CPeloraDatabase db;
        ASSERT_EQ(1, db.OpenDatabase(path, 1));
        sqlite3* h = db.GetHandle();
        const char* sql =
            "INSERT INTO folders (folder_id, parent_id, folder_name, type) VALUES ('dup', 'usr_folder', 'A', 0);"
            "INSERT INTO folders (folder_id, parent_id, folder_name, type) VALUES ('dup', 'usr_folder', 'B', 0);"
            "INSERT INTO folders (folder_id, parent_id, folder_name, type) VALUES ('lost', 'nowhere', 'C', 0);"
            "INSERT INTO folders (folder_id, parent_id, folder_name, type) VALUES ('c1', 'c2', 'D', 0);"
            "INSERT INTO folders (folder_id, parent_id, folder_name, type) VALUES ('c2', 'c1', 'E', 0);"
            "INSERT INTO notes (note_id, folder_id, note_title) VALUES ('same', 1, 'x');"
            "INSERT INTO notes (note_id, folder_id, note_title) VALUES ('same', 1, 'y');"
            "INSERT INTO attaches (attach_id, note_id, filename) VALUES ('at', 'same', 'f1');"
            "INSERT INTO attaches (attach_id, note_id, filename) VALUES ('at', 'same', 'f2');";
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(h, sql, nullptr, nullptr, nullptr));
        db.CloseDatabase();
    }
    EXPECT_FALSE(CNotebook::RepairDatabase(dir + L"nothere.db"));
    ASSERT_TRUE(CNotebook::RepairDatabase(path));
    DB::CPeloraDatabase db;
    ASSERT_EQ(1, db.OpenDatabase(path, 0));
    auto one = [&](const char* sql) { return ModelTest::QueryInt(db, sql); };
    EXPECT_EQ(0, one("SELECT COUNT(*) FROM (SELECT folder_id FROM folders GROUP BY folder_id HAVING COUNT(*) > 1)"));
    EXPECT_EQ(0, one("SELECT COUNT(*) FROM (SELECT note_id FROM notes GROUP BY note_id HAVING COUNT(*) > 1)"));
    EXPECT_EQ(0, one("SELECT COUNT(*) FROM (SELECT attach_id FROM attaches GROUP BY attach_id HAVING COUNT(*) > 1)"));
    EXPECT_EQ(4, one("SELECT COUNT(*) FROM folders WHERE folder_name IN ('B', 'C', 'D', 'E') AND parent_id='usr_folder'"));
    EXPECT_EQ(1, one("SELECT b_syncdirty FROM notes WHERE note_title='y'"));
    db.CloseDatabase();
    ModelTest::RemoveTree(dir);
}

} // namespace

namespace {

class PageRecorder : public IHtmlPageWriter {
public:
    bool ExportNoteToFile(CNoteItem* note, const wchar_t* fileName, const wchar_t* directory) override
    {
        pages.push_back(Narrow(note->GetTitle()) + " | " + (fileName ? Narrow(fileName) : "-") + " | " +
                        Narrow(directory ? directory : L""));
        return true;
    }
    std::vector<std::string> pages;
};

class ProgressRecorder : public IExportProgress {
public:
    void SetTotal(int n) override { steps.push_back("total " + std::to_string(n)); }
    void NoteProgress(int count, const wchar_t* title) override
    {
        steps.push_back(std::to_string(count) + (title ? " " + Narrow(title) : ""));
    }
    std::vector<std::string> steps;
};

TEST_F(ModelNotebook, ExportToHtmlWalksTheFoldersInOrder)
{
    PageRecorder pages;
    ProgressRecorder progress;
    EXPECT_EQ(1, book->ExportToHtml(&progress, &pages, L"C:\\out", nullptr));
    // default, usr_folder (work), conflict_folder (once, though it sits below usr_folder), trash
    EXPECT_EQ((std::vector<std::string>{"Note one | - | C:\\out\\", "Note two | - | C:\\out\\",
                                        "Conflict | - | C:\\out\\", "In old | - | C:\\out\\",
                                        "Trashed | - | C:\\out\\"}),
              pages.pages);
    ASSERT_FALSE(progress.steps.empty());
    EXPECT_EQ("total 5", progress.steps[0]);
    EXPECT_EQ("0 Note one", progress.steps[1]);
    EXPECT_EQ("1", progress.steps[2]);
    EXPECT_EQ("5", progress.steps.back());

    pages.pages.clear();
    ProgressRecorder one;
    book->ExportToHtml(&one, &pages, L"C:\\out\\page.html", Note(L"n2"));
    EXPECT_EQ((std::vector<std::string>{"Note two | page.html | C:\\out\\"}), pages.pages);
    EXPECT_EQ((std::vector<std::string>{"total 1", "0 Note two", "1"}), one.steps);
}

TEST_F(ModelNotebook, SimplePageWriterWritesUtf8WithItsAttachments)
{
    CNoteItem* note = Note(L"n1");
    CString file = dir + L"pic.png";
    ModelTest::WriteFileBytes(file, "not really a png");
    ASSERT_EQ(0, book->AttachFileToNote(note, file, nullptr));
    note->Load(0);
    CString id = note->GetAttach(0)->attach_id;
    note->SetContentText(L"<p>\u00e9<img src=\"#attacheloc:" + id + L"#\"></p>");
    CString out = dir + L"out\\";
    CreateDirectoryW(out, nullptr);
    CSimpleHtmlPageWriter writer;
    ASSERT_TRUE(writer.ExportNoteToFile(note, L"a/b.html", out));
    std::string page = ModelTest::ReadFileBytes(out + L"a_b.html");
    ASSERT_GE(page.size(), 3u);
    EXPECT_EQ("\xEF\xBB\xBF", page.substr(0, 3));
    EXPECT_NE(std::string::npos, page.find("<p>\xC3\xA9<img src=\""));
    std::string stored = Narrow(note->GetAttach(0)->GetStorageFileName());
    EXPECT_NE(std::string::npos, page.find("src=\"" + stored + "\""));
    EXPECT_EQ("not really a png", ModelTest::ReadFileBytes(out + CString(stored.c_str())));
}

TEST_F(ModelNotebook, ScreenClipNotesAndAttachmentEvents)
{
    std::vector<CString> names{L"clip"};
    CNoteItem* n1 = Note(L"n1");
    book->SetNoteTags(&names, n1, 0);
    CTagItem* tag = book->GetTagList()->FindByName(L"clip");
    CNoteItem* clip = book->CreateScreenClipNote(tag);
    ASSERT_NE(nullptr, clip);
    EXPECT_EQ(1, clip->GetRecord().folder_id);  // "default"
    EXPECT_TRUE(clip->HasTag(L"clip"));
    EXPECT_EQ(2, tag->GetNoteCount());
    CNoteItem* inWork = book->CreateScreenClipNote(Folder(L"work"));
    EXPECT_EQ(work->itemid, inWork->GetRecord().folder_id);
    EXPECT_EQ(1, book->CreateScreenClipNote(nullptr)->GetRecord().folder_id);

    CString file = dir + L"f.bin";
    ModelTest::WriteFileBytes(file, "abc");
    ASSERT_EQ(0, book->AttachFileToNote(n1, file, nullptr));
    n1->Load(0);
    CString id = n1->GetAttach(0)->attach_id;
    n1->GetAttach(0)->sync_priority = 3;
    services.editorFrame = true;
    services.calls.clear();
    EXPECT_TRUE(book->OnEventAttachUpdated(id, L"n1"));
    EXPECT_EQ(0, n1->GetAttach(0)->sync_priority);
    EXPECT_EQ((std::vector<std::string>{"OnNoteAttachChanged", "ReloadImage", "RedrawNoteList"}), services.calls);
    EXPECT_EQ(1, n1->GetPreviewImageFlag());
    EXPECT_FALSE(book->OnEventAttachUpdated(L"other", L"n1"));

    services.activeNote = n1;
    services.calls.clear();
    EXPECT_EQ(1, book->OnEventAttachRemoved(id));
    EXPECT_EQ(0, n1->GetAttachCount());
    EXPECT_EQ((std::vector<std::string>{"OnNoteAttachChanged"}), services.calls);
}

TEST_F(ModelNotebook, DatesAndDisplayTitle)
{
    CNoteItem* n1 = Note(L"n1");
    struct tm t = {};
    t.tm_year = 2015 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 4;
    t.tm_hour = 13;
    t.tm_min = 5;
    t.tm_sec = 9;
    t.tm_isdst = -1;
    n1->GetRecord().date_create = n1->GetRecord().date_update_user = (int)mktime(&t);
    EXPECT_EQ(L"03/04/2015 13:05:09", n1->FormatDateCreate());  // English: month first
    CString date, time;
    n1->FormatDateCreate(date, time);
    EXPECT_EQ(L"03/04/2015", date);
    EXPECT_EQ(L"13:05:09", time);
    struct DateApp : ModelTest::RecordingServices {
        int format = 0;
        int GetDateFormat() override { return format; }
    } app;
    book->SetServices(&app, &app, &app);
    app.format = 1;
    EXPECT_EQ(L"04/03/2015 13:05:09", n1->FormatDateUpdate());
    app.format = 2;
    EXPECT_EQ(L"03/04/2015 13:05:09", n1->FormatDateUpdate());
    book->SetServices(&services, &services, &services);

    HDC dc = CreateCompatibleDC(nullptr);
    n1->SetTitle(L"A rather long title for a narrow column");
    SIZE full = {};
    GetTextExtentPoint32W(dc, n1->GetTitle(), n1->GetTitle().GetLength(), &full);
    SIZE size = {};
    CString shown = n1->GetDisplayTitle(dc, full.cx / 2, &size);
    EXPECT_LT(size.cx, full.cx / 2);
    EXPECT_EQ(L"...", shown.Right(3));
    EXPECT_EQ(0, wcsncmp(shown, L"A rather", 8));
    EXPECT_EQ(n1->GetTitle(), n1->GetDisplayTitle(dc, full.cx + 1, &size));
    DeleteDC(dc);
}

} // namespace
