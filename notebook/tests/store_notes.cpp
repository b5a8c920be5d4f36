// Notes and folders in the store: round trips, filters, upload and download lists, removal.
#include "store_fixture.h"

using namespace StoreTest;

namespace {

const wchar_t* const kOddTitle = L"O'Brien's \x0417\x0430\x043C\x0435\x0442\x043A\x0430 \"q\" '); DELETE FROM notes; --";

void Collect(DB::CItemNote* rec, void* data) { static_cast<std::vector<DB::CItemNote>*>(data)->push_back(*rec); }

DB::CItemNote FullNote()
{
    DB::CItemNote n;
    n.note_id = L"o1700000000x0001";
    n.folder_id = 1;
    n.prn_index = 3;
    n.date_create = 100;
    n.date_update = 200;
    n.date_update_user = 0;
    n.preview_id = 0;
    n.content_id = 0;
    n.note_title = kOddTitle;
    n.sav_fld_id = 9;
    n.b_syncdirty = 1;
    n.b_removed = 0;
    n.b_shared = 3;
    n.sync_priority = 0;
    n.sync_timestamp = 12345;
    n.num_tasks = 2;
    n.num_attaches = 1;
    n.editable = 1;
    n.total_size = 0;
    n.content_size = 0;
    n.crypt_type = 0;
    return n;
}

} // namespace

class StoreNotes : public StoreFixture {};

TEST_F(StoreNotes, NoteRowPreviewAndContentRoundTrip)
{
    DB::CItemNote n = FullNote();
    const wchar_t* html = L"<p>\x0422\x0435\x043A\x0441\x0442 it's</p>";
    int bytes = (int)wcslen(html) * 2;
    n.RelocateContentBuffer(bytes, 1);
    memcpy(n.content_data, html, bytes);
    n.owner = L"owner'o";
    n.url = L"https://example.test/a?b='c'";
    n.geo_str1 = L"55.7";
    n.geo_str2 = L"37.6";
    n.page_color = 0x00AABB;
    ASSERT_EQ(db.NoteUpdateContent(&n), 1);
    ASSERT_GT(n.content_id, 0);
    n.preview_text = L"  \x041F\x0440\x0435\x0432\x044C\x044E  ";
    n.width = 4;
    n.height = 5;
    n.RelocatePreviewImage(3);
    memcpy(n.preview_image, "IMG", 3);
    ASSERT_EQ(db.NoteUpdatePreview(&n), 1);
    ASSERT_GT(n.preview_id, 0);
    ASSERT_EQ(db.CreateNote(&n), 1);
    ASSERT_GT(n.itemid, 0);

    DB::CItemNote filter;
    filter.note_id = n.note_id;
    DB::CItemList list;
    ASSERT_EQ(db.GetNoteList(&filter, &list), 1);
    ASSERT_EQ(list.GetCount(), 1);
    auto* got = static_cast<DB::CItemNote*>(list.GetHead());
    EXPECT_EQ(got->itemid, n.itemid);
    EXPECT_EQ(got->note_title, n.note_title);
    EXPECT_EQ(got->prn_index, 3);
    EXPECT_EQ(got->sav_fld_id, 9);
    EXPECT_EQ(got->b_shared, 3);
    EXPECT_EQ(got->sync_timestamp, 12345);
    EXPECT_EQ(got->num_tasks, 2);
    EXPECT_EQ(got->content_size, bytes);
    EXPECT_EQ(got->date_update_user, 0);   // the list form reports the stored value

    ASSERT_EQ(db.NoteLoadContent(got), 1);
    ASSERT_EQ(got->content_size, bytes);
    EXPECT_STREQ(got->GetContentText(), html);
    EXPECT_EQ(got->owner, CString(L"owner'o"));
    EXPECT_EQ(got->url, n.url);
    EXPECT_EQ(got->geo_str2, CString(L"37.6"));
    EXPECT_EQ(got->page_color, 0x00AABB);
    ASSERT_EQ(db.NoteLoadPreview(got), 1);
    EXPECT_EQ(got->preview_text, CString(L"\x041F\x0440\x0435\x0432\x044C\x044E"));
    EXPECT_EQ(got->preview_size, 3);
    EXPECT_EQ(memcmp(got->preview_image, "IMG", 3), 0);
    EXPECT_EQ(got->width, 4);

    // the callback form fills date_update_user from date_update
    std::vector<DB::CItemNote> seen;
    ASSERT_EQ(db.GetNoteList(&filter, Collect, &seen), 1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].date_update_user, 200);
    EXPECT_EQ(seen[0].note_title, n.note_title);

    // full update by id and by note_id
    got->note_title = L"\x041D\x043E\x0432\x044B\x0439 'new'";
    got->b_removed = 1;
    ASSERT_EQ(db.UpdateNote(got, 1), 1);
    got->num_attaches = 7;
    ASSERT_EQ(db.UpdateNote(got, 0), 1);
    EXPECT_EQ(QueryInt(Raw(), "SELECT num_attaches * 10 + b_removed FROM notes"), 71);
    DB::CItemNote noId;
    EXPECT_EQ(db.UpdateNote(&noId, 0), 0);
    EXPECT_EQ(Count("notes"), 1);
}

TEST_F(StoreNotes, ContentEdgeCases)
{
    // a note whose text lies in an attachment keeps an empty (not NULL) blob
    DB::CItemNote n;
    n.note_id = L"crypt";
    n.crypt_type = 1;
    n.RelocateContentBuffer(10, 1);
    ASSERT_EQ(db.NoteUpdateContent(&n), 1);
    EXPECT_EQ(QueryText(Raw(), "SELECT typeof(data) || length(data) || '/' || size FROM notes_content"), "blob0/0");
    ASSERT_EQ(db.NoteUpdateContent(&n), 1);
    EXPECT_EQ(QueryText(Raw(), "SELECT typeof(data) || length(data) || '/' || size FROM notes_content"), "blob0/10");

    ASSERT_TRUE(Exec(Raw(), "UPDATE notes_content SET page_color=NULL"));
    DB::CItemNote load;
    load.note_id = L"crypt";
    load.content_id = n.content_id;
    load.page_color = 5;
    ASSERT_EQ(db.NoteLoadContent(&load), 1);
    EXPECT_EQ(load.page_color, 0xFFFFFF);
    ASSERT_TRUE(Exec(Raw(), "UPDATE notes_content SET page_color=0"));
    ASSERT_EQ(db.NoteLoadContent(&load), 1);
    EXPECT_EQ(load.page_color, 0);

    DB::CItemNote noId;
    EXPECT_EQ(db.NoteLoadContent(&noId), 0);
}

TEST_F(StoreNotes, ListFilters)
{
    struct Row { const wchar_t* id; int folder; int dirty; int removed; };
    const Row rows[] = {{L"a", 1, 0, 0}, {L"b", 1, 1, 0}, {L"c", 2, 1, 1}, {L"d", 2, 0, 1}};
    for (const Row& r : rows) {
        DB::CItemNote n;
        n.note_id = r.id;
        n.folder_id = r.folder;
        n.b_syncdirty = r.dirty;
        n.b_removed = r.removed;
        ASSERT_EQ(db.CreateNote(&n), 1);
    }
    struct Case { int folder; int mask; int dirty; int removed; const wchar_t* id; int expected; } cases[] = {
        {0, 0, 0, 0, nullptr, 4},
        {0, 0, 1, 1, L"c", 1},            // an id alone selects whatever the flags
        {2, 0, 0, 0, nullptr, 2},
        {0, DB::FilterSyncDirty, 5, 0, nullptr, 2},   // any non-zero value means 1
        {0, DB::FilterRemoved, 0, 0, nullptr, 2},
        {1, DB::FilterSyncDirty | DB::FilterRemoved, 1, 0, nullptr, 1},
        {0, 0, 0, 0, L"zz' OR '1'='1", 0},
    };
    for (const Case& c : cases) {
        DB::CItemNote f;
        f.folder_id = c.folder;
        f.filter_mask = c.mask;
        f.b_syncdirty = c.dirty;
        f.b_removed = c.removed;
        if (c.id)
            f.note_id = c.id;
        DB::CItemList list;
        db.GetNoteList(&f, &list);
        EXPECT_EQ(list.GetCount(), c.expected) << c.folder << "/" << c.mask;
    }
}

TEST_F(StoreNotes, UploadAndDownloadQueues)
{
    DB::CItemFolder user;
    user.folder_id = L"f_user";
    user.parent_id = L"usr_folder";
    ASSERT_EQ(db.CreateFolder(&user), 1);
    struct Row { const wchar_t* id; int folder; int dirty; int removed; int priority; int updated; };
    const Row rows[] = {
        {L"up1", 1, 1, 0, 0, 0},            // "default"
        {L"up2", user.itemid, 1, 0, 0, 0},  // an ordinary folder
        {L"conf", 4, 1, 0, 0, 0},           // the conflicts folder is never uploaded
        {L"gone", 1, 1, 1, 0, 0},
        {L"clean", 1, 0, 0, 2, 50},
        {L"wait1", 1, 0, 0, 1, 10},
        {L"wait2", 1, 0, 0, 1, 20},
    };
    for (const Row& r : rows) {
        DB::CItemNote n;
        n.note_id = r.id;
        n.folder_id = r.folder;
        n.b_syncdirty = r.dirty;
        n.b_removed = r.removed;
        n.sync_priority = r.priority;
        n.date_update = r.updated;
        ASSERT_EQ(db.CreateNote(&n), 1);
    }
    DB::CItemList upload;
    ASSERT_EQ(db.GetNoteListForUpload(0, &upload), 1);
    ASSERT_EQ(upload.GetCount(), 2);
    auto* first = static_cast<DB::CItemNote*>(upload.GetHead());
    auto* second = static_cast<DB::CItemNote*>(upload.GetTail());
    EXPECT_EQ(first->note_id, CString(L"up1"));
    EXPECT_EQ(first->folder_global_id, CString(L"default"));
    EXPECT_EQ(second->folder_global_id, CString(L"f_user"));
    DB::CItemList after;
    db.GetNoteListForUpload(first->itemid, &after);
    EXPECT_EQ(after.GetCount(), 1);

    DB::CItemNote next;
    int count = -1;
    ASSERT_EQ(db.GetNoteForDownload(&next, &count), 1);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(next.note_id, CString(L"wait2"));   // lowest priority, then the newest

    ASSERT_TRUE(Exec(Raw(), "UPDATE notes SET sync_priority=0"));
    DB::CItemNote untouched;
    untouched.note_title = L"keep";
    ASSERT_EQ(db.GetNoteForDownload(&untouched, &count), 1);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(untouched.note_title, CString(L"keep"));
}

TEST_F(StoreNotes, RemoveNoteTakesEverythingOrNothing)
{
    auto makeNote = [&](const wchar_t* id) {
        DB::CItemNote* n = AddNote(L"t", L"<p>x</p>");
        n->note_id = id;
        EXPECT_EQ(db.UpdateNote(n, 1), 1);
        n->preview_text = L"p";
        EXPECT_EQ(db.NoteUpdatePreview(n), 1);
        EXPECT_EQ(db.UpdateNote(n, 1), 1);
        DB::CItemTag tag;
        tag.tag_name = L"tag";
        EXPECT_EQ(db.TagCreate(&tag, 0), 1);
        EXPECT_EQ(db.UpdateNoteTags(tag.itemid, n->itemid), 1);
        DB::CItemTask task;
        task.task_id = CString(id) + L"_t";
        task.note_id = id;
        EXPECT_EQ(db.CreateTask(&task), 1);
        DB::CItemAttach a;
        a.attach_id = CString(id) + L"_a";
        a.note_id = id;
        EXPECT_EQ(db.CreateAttach(&a), 1);
        return n;
    };
    DB::CItemNote* keep = makeNote(L"keep");
    DB::CItemNote* gone = makeNote(L"gone");

    // a failing step rolls the whole removal back
    ASSERT_TRUE(Exec(Raw(), "CREATE TRIGGER no_delete BEFORE DELETE ON notes BEGIN SELECT RAISE(ABORT, 'no'); END"));
    EXPECT_EQ(db.RemoveNote(gone), 0);
    EXPECT_EQ(Count("attaches", "note_id='gone'"), 1);
    EXPECT_EQ(Count("tag_links"), 2);
    EXPECT_EQ(Count("tasks"), 2);
    EXPECT_EQ(Count("notes_preview"), 2);
    ASSERT_TRUE(Exec(Raw(), "DROP TRIGGER no_delete"));

    ASSERT_EQ(db.RemoveNote(gone), 1);
    EXPECT_EQ(Count("notes"), 1);
    EXPECT_EQ(Count("notes_content"), 1);
    EXPECT_EQ(Count("notes_preview"), 1);
    EXPECT_EQ(Count("tasks"), 1);
    EXPECT_EQ(Count("tag_links"), 1);
    EXPECT_EQ(Count("attaches", "note_id='gone'"), 0);
    EXPECT_EQ(Count("attaches", "note_id='keep'"), 1);
    (void)keep;

    DB::CItemNote noId;
    EXPECT_EQ(db.RemoveNote(&noId), 0);
}

TEST_F(StoreNotes, TrashedFlagOfTagLinks)
{
    DB::CItemNote* n = AddNote(L"t", L"x");
    DB::CItemTag tag;
    tag.tag_name = L"t";
    db.TagCreate(&tag, 0);
    db.UpdateNoteTags(tag.itemid, n->itemid);
    ASSERT_EQ(db.UpdateNoteTrashedFlag(n->itemid, 1), 1);
    EXPECT_EQ(db.TagGetNoteCount(tag.itemid), 0);
    ASSERT_EQ(db.UpdateNoteTrashedFlag(n->itemid, 0), 1);
    EXPECT_EQ(db.TagGetNoteCount(tag.itemid), 1);
}

class StoreFolders : public StoreFixture {};

TEST_F(StoreFolders, CreateOnceUpdateRemove)
{
    DB::CItemFolder f;
    f.folder_id = L"f'1";
    f.parent_id = L"usr_folder";
    f.folder_name = L"\x041F\x0430\x043F\x043A\x0430 'one'";
    f.tags = L"a, b";
    f.sav_prn_id = L"p'x";
    f.flags = 6;
    f.date_create = 50;
    f.order_value = 9;   // not written by the insert
    ASSERT_EQ(db.CreateFolder(&f), 1);
    ASSERT_GT(f.itemid, 4);
    int first = f.itemid;
    EXPECT_EQ(db.CreateFolder(&f), 0);
    EXPECT_EQ(f.itemid, first);
    DB::CItemFolder anyParent;
    anyParent.folder_id = L"f'1";   // an empty parent matches any
    EXPECT_EQ(db.CreateFolder(&anyParent), 0);

    DB::CItemFolder filter;
    filter.folder_id = L"f'1";
    DB::CItemList list;
    ASSERT_EQ(db.GetFolderList(&filter, &list, 0), 1);
    ASSERT_EQ(list.GetCount(), 1);
    auto* got = static_cast<DB::CItemFolder*>(list.GetHead());
    EXPECT_EQ(got->folder_name, f.folder_name);
    EXPECT_EQ(got->tags, CString(L"a, b"));
    EXPECT_EQ(got->sav_prn_id, CString(L"p'x"));
    EXPECT_EQ(got->flags, 6);
    EXPECT_EQ(got->order_value, 0);

    got->order_value = 3;
    got->b_removed = 1;
    ASSERT_EQ(db.UpdateFolder(got, 1), 1);
    DB::CItemFolder noId;
    noId.itemid = got->itemid;
    EXPECT_EQ(db.UpdateFolder(&noId, 1), 0);

    DB::CItemFolder notRemoved;
    notRemoved.filter_mask = DB::FilterRemoved;
    DB::CItemList live;
    db.GetFolderList(&notRemoved, &live, 0);
    EXPECT_EQ(live.GetCount(), 4);

    DB::CItemNote n;
    n.note_id = L"n";
    n.folder_id = got->itemid;
    db.CreateNote(&n);
    ASSERT_EQ(db.RemoveFolder(got), 1);
    EXPECT_EQ(Count("folders"), 4);
    EXPECT_EQ(Count("notes"), 1);   // notes are not touched
}

TEST_F(StoreFolders, SpecialFoldersAndNamelessRowsAreNeverRemoved)
{
    DB::CItemFolder trash;
    trash.folder_id = L"trash";
    EXPECT_EQ(db.RemoveFolder(&trash), 0);
    // a row without an id, named by a low itemid, is left alone
    ASSERT_TRUE(Exec(Raw(), "INSERT INTO folders (folder_id, folder_name) VALUES ('', 'nameless')"));
    DB::CItemFolder low;
    low.itemid = 2;
    EXPECT_EQ(db.RemoveFolder(&low), 0);
    EXPECT_EQ(Count("folders"), 5);
    // by itemid, an ordinary folder goes; a special folder at a high itemid stays
    DB::CItemFolder byItem;
    byItem.itemid = QueryInt(Raw(), "SELECT itemid FROM folders WHERE folder_name='nameless'");
    EXPECT_EQ(db.RemoveFolder(&byItem), 1);
    EXPECT_EQ(Count("folders"), 4);
    ASSERT_TRUE(Exec(Raw(), "UPDATE folders SET itemid=40 WHERE folder_id='trash'"));
    DB::CItemFolder high;
    high.itemid = 40;
    db.RemoveFolder(&high);
    EXPECT_EQ(Count("folders", "folder_id='trash'"), 1);
}

TEST_F(StoreFolders, OrderByDateCreate)
{
    const int dates[] = {300, 100, 200};
    for (int i = 0; i < 3; ++i) {
        DB::CItemFolder f;
        f.folder_id.Format(L"f%d", i);
        f.date_create = dates[i];
        db.CreateFolder(&f);
    }
    DB::CItemFolder all;
    DB::CItemList list;
    db.GetFolderList(&all, &list, 1);
    ASSERT_EQ(list.GetCount(), 7);
    POSITION pos = list.GetHeadPosition();
    for (int i = 0; i < 4; ++i)
        list.GetNext(pos);   // the special folders, dated 0
    EXPECT_EQ(static_cast<DB::CItemFolder*>(list.GetNext(pos))->date_create, 100);
    EXPECT_EQ(static_cast<DB::CItemFolder*>(list.GetNext(pos))->date_create, 200);
}
