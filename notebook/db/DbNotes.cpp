// Notes in the store: the notes row, its notes_preview and notes_content rows.
#include "DbStatement.h"

using namespace DB::Detail;

namespace DB {

namespace {

// The notes columns in their fixed order (insert, full update, full loads).
const char* const kNoteColumns[] = {
    "note_id", "folder_id", "prn_index", "date_create", "date_update", "date_update_user", "preview_id",
    "content_id", "note_title", "sav_fld_id", "b_syncdirty", "b_removed", "b_shared", "sync_priority",
    "sync_timestamp", "num_tasks", "num_attaches", "editable", "total_size", "content_size", "crypt_type",
};
const int kNoteColumnCount = 21;

// Binds the 21 columns to ?first .. ?first+20.
void BindNoteColumns(CStatement& st, const CItemNote* r, int first)
{
    const int ints[] = {r->folder_id, r->prn_index, r->date_create, r->date_update, r->date_update_user,
                        r->preview_id, r->content_id};
    st.Text(first, r->note_id);
    for (int i = 0; i < 7; ++i)
        st.Int(first + 1 + i, ints[i]);
    st.Text(first + 8, r->note_title);
    const int rest[] = {r->sav_fld_id, r->b_syncdirty, r->b_removed, r->b_shared, r->sync_priority,
                        r->sync_timestamp, r->num_tasks, r->num_attaches, r->editable, r->total_size,
                        r->content_size, r->crypt_type};
    for (int i = 0; i < 12; ++i)
        st.Int(first + 9 + i, rest[i]);
}

// Reads "itemid, <the 21 columns>" starting at column col.
void ReadNoteColumns(const CStatement& st, CItemNote* r, int col)
{
    r->itemid = st.ColInt(col++);
    r->note_id = st.ColText(col++);
    r->folder_id = st.ColInt(col++);
    r->prn_index = st.ColInt(col++);
    r->date_create = st.ColInt(col++);
    r->date_update = st.ColInt(col++);
    r->date_update_user = st.ColInt(col++);
    r->preview_id = st.ColInt(col++);
    r->content_id = st.ColInt(col++);
    r->note_title = st.ColText(col++);
    r->sav_fld_id = st.ColInt(col++);
    r->b_syncdirty = st.ColInt(col++);
    r->b_removed = st.ColInt(col++);
    r->b_shared = st.ColInt(col++);
    r->sync_priority = st.ColInt(col++);
    r->sync_timestamp = st.ColInt(col++);
    r->num_tasks = st.ColInt(col++);
    r->num_attaches = st.ColInt(col++);
    r->editable = st.ColInt(col++);
    r->total_size = st.ColInt(col++);
    r->content_size = st.ColInt(col++);
    r->crypt_type = st.ColInt(col++);
}

// The filter of both GetNoteList forms; binds nothing itself, returns the values to bind.
struct NoteFilter {
    std::string where;
    int ints[4] = {};
    int intCount = 0;
    bool hasNoteId = false;
};

NoteFilter BuildNoteFilter(const CItemNote* f)
{
    NoteFilter out;
    auto add = [&](const char* cond) {
        out.where += out.where.empty() ? " WHERE " : " AND ";
        out.where += cond;
    };
    if (f->itemid)
        add("itemid=?1");
    if (!f->note_id.IsEmpty())
        add("note_id=?2"), out.hasNoteId = true;
    if (f->folder_id)
        add("folder_id=?3");
    if (f->filter_mask & FilterSyncDirty)
        add("b_syncdirty=?4");
    if (f->filter_mask & FilterRemoved)
        add("b_removed=?5");
    return out;
}

void BindNoteFilter(CStatement& st, const CItemNote* f)
{
    if (f->itemid)
        st.Int(1, f->itemid);
    if (!f->note_id.IsEmpty())
        st.Text(2, f->note_id);
    if (f->folder_id)
        st.Int(3, f->folder_id);
    if (f->filter_mask & FilterSyncDirty)
        st.Int(4, f->b_syncdirty ? 1 : 0);
    if (f->filter_mask & FilterRemoved)
        st.Int(5, f->b_removed ? 1 : 0);
}

} // namespace

int CPeloraDatabase::CreateNote(CItemNote* rec)
{
    DB_OP_LOCKED("CreateNote", 0);
    if (!rec)
        return 0;
    CStatement st(m_db, InsertColumns("notes", kNoteColumns, kNoteColumnCount));
    if (!st.Ok())
        return 0;
    BindNoteColumns(st, rec, 1);
    if (st.Step() != SQLITE_DONE) {
        LogFailure("DB::CPeloraDatabase::CreateNote", __LINE__, m_db, "Didn't Insert Item!");
        return 0;
    }
    rec->itemid = (int)sqlite3_last_insert_rowid(m_db);
    return 1;
}

int CPeloraDatabase::UpdateNote(CItemNote* rec, int byItemId)
{
    DB_OP_LOCKED("UpdateNote", 0);
    if (!rec || (!byItemId && rec->note_id.IsEmpty()))
        return 0;
    CStatement st(m_db, "UPDATE notes SET " + AssignColumns(kNoteColumns, kNoteColumnCount) +
                            (byItemId ? " WHERE itemid=?22;" : " WHERE note_id=?22;"));
    if (!st.Ok())
        return 0;
    BindNoteColumns(st, rec, 1);
    if (byItemId)
        st.Int(22, rec->itemid);
    else
        st.Text(22, rec->note_id);
    if (st.Step() != SQLITE_DONE) {
        LogFailure("DB::CPeloraDatabase::UpdateNote", __LINE__, m_db, "Didn't Update Item!");
        return 0;
    }
    return 1;
}

int CPeloraDatabase::NoteUpdatePreview(CItemNote* rec)
{
    DB_OP_LOCKED("NoteUpdatePreview", 0);
    if (!rec)
        return 0;
    bool update = rec->preview_id != 0;
    CStatement st(m_db, update ? "UPDATE notes_preview SET preview_text=?1, width=?3, height=?4, preview_size=?5, "
                                 "preview_image=?2 WHERE pview_id=?6"
                               : "INSERT INTO notes_preview (preview_text, width, height, preview_size, "
                                 "preview_image) VALUES (?1, ?3, ?4, ?5, ?2)");
    if (!st.Ok())
        return 0;
    st.Text(1, rec->preview_text);
    if (rec->preview_image)
        st.Blob(2, rec->preview_image, rec->preview_size);
    else
        sqlite3_bind_null(st.Get(), 2);
    st.Int(3, rec->width);
    st.Int(4, rec->height);
    st.Int(5, rec->preview_size);
    if (update)
        st.Int(6, rec->preview_id);
    if (st.Step() != SQLITE_DONE) {
        LogFailure("DB::CPeloraDatabase::NoteUpdatePreview", __LINE__, m_db, "Didn't Insert Item!");
        return 0;
    }
    if (!update)
        rec->preview_id = (int)sqlite3_last_insert_rowid(m_db);
    return 1;
}

int CPeloraDatabase::NoteLoadPreview(CItemNote* rec)
{
    DB_OP_LOCKED("NoteLoadPreview", 0);
    if (!rec)
        return 0;
    if (!rec->preview_id)
        return 1;
    CStatement st(m_db, "SELECT preview_text, width, height, preview_image FROM notes_preview WHERE pview_id=?1");
    if (!st.Ok())
        return 1;
    st.Int(1, rec->preview_id);
    if (st.Row()) {
        rec->preview_text = st.ColText(0);
        rec->preview_text.Trim();
        rec->width = st.ColInt(1);
        rec->height = st.ColInt(2);
        const void* blob = st.ColBlob(3);
        int bytes = st.ColBytes(3);
        if (blob && bytes > 0) {
            // A buffer already large enough keeps its size; a smaller one grows to the blob.
            if (rec->preview_size < bytes || !rec->preview_image)
                rec->RelocatePreviewImage(bytes);
            memcpy(rec->preview_image, blob, bytes);
        }
    }
    return 1;
}

int CPeloraDatabase::NoteUpdateContent(CItemNote* rec)
{
    DB_OP_LOCKED("NoteUpdateContent", 0);
    if (!rec)
        return 0;
    bool update = rec->content_id != 0;
    // A note whose text lies in an attachment keeps an empty (not NULL) blob here.
    const void* data = rec->crypt_type == 1 ? "" : (const void*)rec->content_data;
    int length = rec->crypt_type == 1 ? 0 : rec->content_size;
    int size = (rec->crypt_type == 1 && !update) ? 0 : rec->content_size;
    CStatement st(m_db, update ? "UPDATE notes_content SET data=?1, size=?6, owner=?2, url=?3, geo_str1=?4, "
                                 "geo_str2=?5, page_color=?7 WHERE idrec=?8"
                               : "INSERT INTO notes_content (data, size, owner, url, geo_str1, geo_str2, "
                                 "page_color) VALUES (?1, ?6, ?2, ?3, ?4, ?5, ?7)");
    if (!st.Ok())
        return 0;
    st.Blob(1, data, length);
    st.Text(2, rec->owner);
    st.Text(3, rec->url);
    st.Text(4, rec->geo_str1);
    st.Text(5, rec->geo_str2);
    st.Int(6, size);
    st.Int(7, rec->page_color);
    if (update)
        st.Int(8, rec->content_id);
    if (st.Step() != SQLITE_DONE) {
        LogFailure("DB::CPeloraDatabase::NoteUpdateContent", __LINE__, m_db, "Didn't Insert Item!");
        return 0;
    }
    if (!update)
        rec->content_id = (int)sqlite3_last_insert_rowid(m_db);
    return 1;
}

int CPeloraDatabase::NoteLoadContent(CItemNote* rec)
{
    DB_OP_LOCKED("NoteLoadContent", 0);
    if (!rec || rec->note_id.IsEmpty())
        return 0;
    CStatement st(m_db, "SELECT data, owner, url, geo_str1, geo_str2, page_color FROM notes_content WHERE idrec=?1");
    if (!st.Ok())
        return 1;
    st.Int(1, rec->content_id);
    if (st.Row()) {
        int bytes = st.ColBytes(0);
        const void* blob = st.ColBlob(0);
        rec->RelocateContentBuffer(bytes, 1);
        if (blob && bytes > 0)
            memcpy(rec->content_data, blob, bytes);
        rec->owner = st.ColText(1);
        rec->url = st.ColText(2);
        rec->geo_str1 = st.ColText(3);
        rec->geo_str2 = st.ColText(4);
        rec->page_color = st.ColNull(5) ? 0xFFFFFF : st.ColInt(5);
    }
    return 1;
}

int CPeloraDatabase::GetNoteList(const CItemNote* filter, NoteSearchCallback callback, void* data)
{
    DB_OP_LOCKED("GetNoteList", 0);
    if (!callback || !filter)
        return 0;
    NoteFilter f = BuildNoteFilter(filter);
    CStatement st(m_db, "SELECT itemid, note_id, folder_id, date_create, date_update, date_update_user, preview_id, "
                        "content_id, note_title, sav_fld_id, b_syncdirty, b_removed, b_shared, sync_priority, "
                        "sync_timestamp, num_tasks, num_attaches, editable, content_size, crypt_type FROM notes" +
                            f.where + ";");
    if (!st.Ok())
        return 1;
    BindNoteFilter(st, filter);
    CItemNote rec;
    while (st.Row()) {
        int c = 0;
        rec.itemid = st.ColInt(c++);
        rec.note_id = st.ColText(c++);
        rec.folder_id = st.ColInt(c++);
        rec.date_create = st.ColInt(c++);
        rec.date_update = st.ColInt(c++);
        rec.date_update_user = st.ColInt(c++);
        if (!rec.date_update_user)
            rec.date_update_user = rec.date_update;
        rec.preview_id = st.ColInt(c++);
        rec.content_id = st.ColInt(c++);
        rec.note_title = st.ColText(c++);
        rec.sav_fld_id = st.ColInt(c++);
        rec.b_syncdirty = st.ColInt(c++);
        rec.b_removed = st.ColInt(c++);
        rec.b_shared = st.ColInt(c++);
        rec.sync_priority = st.ColInt(c++);
        rec.sync_timestamp = st.ColInt(c++);
        rec.num_tasks = st.ColInt(c++);
        rec.num_attaches = st.ColInt(c++);
        rec.editable = st.ColInt(c++);
        rec.content_size = st.ColInt(c++);
        rec.crypt_type = st.ColInt(c++);
        callback(&rec, data);
    }
    return 1;
}

int CPeloraDatabase::GetNoteList(const CItemNote* filter, CItemList* list)
{
    DB_OP_LOCKED("GetNoteList", 0);
    if (!list || !filter)
        return 0;
    NoteFilter f = BuildNoteFilter(filter);
    CStatement st(m_db, "SELECT itemid, " + JoinColumns(kNoteColumns, kNoteColumnCount) + " FROM notes" + f.where + ";");
    if (!st.Ok())
        return 1;
    BindNoteFilter(st, filter);
    while (st.Row()) {
        CItemNote* rec = new CItemNote;
        ReadNoteColumns(st, rec, 0);
        list->AddTail(rec);
    }
    return 1;
}

int CPeloraDatabase::GetNoteListForUpload(int afterItemId, CItemList* list)
{
    DB_OP_LOCKED("GetNoteListForUpload", 0);
    if (!list)
        return 0;
    std::string sql = "SELECT notes.itemid, " + JoinColumns(kNoteColumns, kNoteColumnCount, "notes.") +
                      ", folders.folder_id FROM notes, folders WHERE notes.folder_id=folders.itemid"
                      " AND notes.itemid>?1 AND notes.b_syncdirty=1 AND notes.b_removed=0"
                      " AND (folders.type=0 OR folders.type=2 OR folders.type=3);";
    OutputDebugStringA(sql.c_str());
    CStatement st(m_db, sql);
    if (!st.Ok())
        return 1;
    st.Int(1, afterItemId);
    while (st.Row()) {
        CItemNote* rec = new CItemNote;
        ReadNoteColumns(st, rec, 0);
        rec->folder_global_id = st.ColText(22);
        list->AddTail(rec);
    }
    return 1;
}

int CPeloraDatabase::GetNoteForDownload(CItemNote* rec, int* count)
{
    DB_OP_LOCKED("GetNoteForDownload", 0);
    int n = 0;
    {
        CStatement st(m_db, "SELECT COUNT(*) FROM notes WHERE sync_priority>0");
        if (st.Ok() && st.Row())
            n = st.ColInt(0);
    }
    if (count)
        *count = n;
    if (n >= 1 && rec) {
        CStatement st(m_db, "SELECT notes.itemid, " + JoinColumns(kNoteColumns, kNoteColumnCount) +
                                " FROM notes WHERE notes.sync_priority>0 ORDER BY notes.sync_priority ASC, "
                                "date_update DESC;");
        if (st.Ok() && st.Row())
            ReadNoteColumns(st, rec, 0);
    }
    return 1;
}

int CPeloraDatabase::RemoveNote(CItemNote* rec)
{
    DB_OP_LOCKED("RemoveNote", 0);
    if (!rec || rec->note_id.IsEmpty())
        return 0;
    // All six deletions stand or fall together.
    CTransaction txn(m_db);
    CItemAttach attaches;
    attaches.note_id = rec->note_id;
    bool ok = RemoveAttachLocked(&attaches, 0, 0) == 1;
    if (ok && rec->itemid)
        ok = RemoveNoteTagLocked(rec->itemid, 0) == 1;
    struct Step { const char* sql; int kind; } steps[] = {
        {"DELETE FROM tasks WHERE note_id=?1;", 0},
        {"DELETE FROM notes_preview WHERE pview_id=?1;", 1},
        {"DELETE FROM notes_content WHERE idrec=?1;", 2},
        {"DELETE FROM notes WHERE note_id=?1;", 0},
    };
    for (const auto& s : steps) {
        if (!ok)
            break;
        CStatement st(m_db, s.sql);
        if (!st.Ok()) {
            ok = false;
            break;
        }
        if (s.kind == 0)
            st.Text(1, rec->note_id);
        else
            st.Int(1, s.kind == 1 ? rec->preview_id : rec->content_id);
        ok = st.Run();
    }
    if (!ok || !txn.Commit()) {
        LogFailure("DB::CPeloraDatabase::RemoveNote", __LINE__, m_db, "remove failed, nothing removed");
        return 0;
    }
    return 1;
}

int CPeloraDatabase::UpdateNoteTrashedFlag(int noteItemId, int trashed)
{
    DB_OP_LOCKED("UpdateNoteTrashedFlag", 0);
    CStatement st(m_db, "UPDATE tag_links SET trashed=?1 WHERE note_id=?2;");
    if (!st.Ok())
        return 0;
    st.Int(1, trashed);
    st.Int(2, noteItemId);
    if (!st.Run()) {
        LogFailure("DB::CPeloraDatabase::UpdateNoteTrashedFlag", __LINE__, m_db, "Didn't Update Item!");
        return 0;
    }
    return 1;
}

} // namespace DB
