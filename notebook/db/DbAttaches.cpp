// Attachments in the store: the attaches table and the built-in page files.
#include "DbStatement.h"
#include "BinRes.h"
#include "DbFileHelpers.h"

using namespace DB::Detail;

namespace DB {

namespace {

const char* const kAttachColumns[] = {
    "attach_id", "note_id", "hash", "filename", "type", "mime", "date_create", "date_update", "size", "b_syncdirty",
    "b_removed", "sync_priority", "sync_url", "srv_id", "flags",
};
const int kAttachColumnCount = 15;

void BindAttachColumns(CStatement& st, const CItemAttach* r)
{
    st.Text(1, r->attach_id);
    st.Text(2, r->note_id);
    st.Text(3, r->hash);
    st.Text(4, r->filename);
    st.Int(5, r->type);
    st.Text(6, r->mime);
    st.Int(7, r->date_create);
    st.Int(8, r->date_update);
    st.Int64(9, r->size);
    st.Int(10, r->b_syncdirty);
    st.Int(11, r->b_removed);
    st.Int(12, r->sync_priority);
    st.Text(13, r->sync_url);
    st.Text(14, r->srv_id);
    st.Int(15, r->flags);
}

// The bytes UpdateAttachContent writes: the buffer, or for a file-kept record the file's name
// as wide text without terminator.
int ContentLength(const CItemAttach* r)
{
    if (!r->data)
        return 0;
    if (r->IsFileStorage())
        return (int)(wcslen((const wchar_t*)r->data) * sizeof(wchar_t));
    return (int)(uint32_t)r->size;
}

} // namespace

int CPeloraDatabase::CreateAttach(CItemAttach* rec)
{
    DB_OP_LOCKED("CreateAttach", 0);
    if (!rec)
        return 0;
    CStatement st(m_db, InsertColumns("attaches", kAttachColumns, kAttachColumnCount));
    if (!st.Ok())
        return 0;
    BindAttachColumns(st, rec);
    if (st.Step() != SQLITE_DONE) {
        LogFailure("DB::CPeloraDatabase::CreateAttach", __LINE__, m_db, "Didn't Insert Item!");
        return 0;
    }
    rec->itemid = (int)sqlite3_last_insert_rowid(m_db);
    return 1;
}

int CPeloraDatabase::UpdateAttach(CItemAttach* rec)
{
    DB_OP_LOCKED("UpdateAttach", 0);
    if (!rec || rec->note_id.IsEmpty())
        return 0;
    CStatement st(m_db, "UPDATE attaches SET " + AssignColumns(kAttachColumns, kAttachColumnCount) +
                            " WHERE attach_id=?16 AND note_id=?17;");
    if (!st.Ok())
        return 0;
    BindAttachColumns(st, rec);
    st.Text(16, rec->attach_id);
    st.Text(17, rec->note_id);
    if (st.Step() != SQLITE_DONE) {
        LogFailure("DB::CPeloraDatabase::UpdateAttach", __LINE__, m_db, "Didn't Update Item!");
        return 0;
    }
    return 1;
}

bool CPeloraDatabase::UpdateAttachContent(CItemAttach* rec)
{
    DB_OP_LOCKED("UpdateAttachContent", false);
    if (!rec)
        return false;
    CStatement st(m_db, "UPDATE attaches SET data=?1, size=?2 WHERE attach_id=?3 AND note_id=?4;");
    if (!st.Ok())
        return false;
    int length = ContentLength(rec);
    if (rec->data)
        st.Blob(1, rec->data, length);
    else
        sqlite3_bind_null(st.Get(), 1);
    st.Int64(2, rec->size);
    st.Text(3, rec->attach_id);
    st.Text(4, rec->note_id);
    if (st.Step() != SQLITE_DONE) {
        LogFailure("DB::CPeloraDatabase::UpdateAttachContent", __LINE__, m_db, "Didn't Update Item!");
        return false;
    }
    return true;
}

int CPeloraDatabase::GetAttachList(const CItemAttach* filter, CItemList* list, int limit)
{
    DB_OP_LOCKED("GetAttachList", 0);
    if (!list || !filter)
        return 0;
    std::string sql = "SELECT itemid, " + JoinColumns(kAttachColumns, kAttachColumnCount) + " FROM attaches WHERE itemid>0";
    if (!filter->note_id.IsEmpty())
        sql += " AND note_id=?1";
    if (!filter->attach_id.IsEmpty())
        sql += " AND attach_id=?2";
    if (filter->filter_mask & FilterSyncDirty)
        sql += " AND b_syncdirty=?3";
    if (filter->filter_mask & FilterRemoved)
        sql += " AND b_removed=?4";
    if (filter->filter_mask & FilterType)
        sql += " AND type=?5";
    if (filter->sync_priority)
        sql += " AND sync_priority>=?6 ORDER BY sync_priority";
    if (limit > 0)
        sql += " LIMIT ?7";
    sql += ";";
    CStatement st(m_db, sql);
    if (!st.Ok())
        return 1;
    if (!filter->note_id.IsEmpty())
        st.Text(1, filter->note_id);
    if (!filter->attach_id.IsEmpty())
        st.Text(2, filter->attach_id);
    if (filter->filter_mask & FilterSyncDirty)
        st.Int(3, filter->b_syncdirty ? 1 : 0);
    if (filter->filter_mask & FilterRemoved)
        st.Int(4, filter->b_removed ? 1 : 0);
    if (filter->filter_mask & FilterType)
        st.Int(5, filter->type);
    if (filter->sync_priority)
        st.Int(6, filter->sync_priority);
    if (limit > 0)
        st.Int(7, limit);
    while (st.Row()) {
        CItemAttach* rec = new CItemAttach;
        int c = 0;
        rec->itemid = st.ColInt(c++);
        rec->attach_id = st.ColText(c++);
        rec->note_id = st.ColText(c++);
        rec->hash = st.ColText(c++);
        rec->filename = st.ColText(c++);
        rec->type = st.ColInt(c++);
        rec->mime = st.ColText(c++);
        rec->date_create = st.ColInt(c++);
        rec->date_update = st.ColInt(c++);
        rec->size = st.ColInt64(c++);
        rec->b_syncdirty = st.ColInt(c++);
        rec->b_removed = st.ColInt(c++);
        rec->sync_priority = st.ColInt(c++);
        rec->sync_url = st.ColText(c++);
        rec->srv_id = st.ColText(c++);
        rec->flags = st.ColInt(c++);
        list->AddTail(rec);
    }
    return 1;
}

int CPeloraDatabase::GetAttachCount(const CItemAttach* filter, int* count)
{
    DB_OP_LOCKED("GetAttachCount", 0);
    if (!filter || !count)
        return 0;
    *count = 0;
    std::string sql = "SELECT COUNT(*) FROM attaches WHERE itemid>0";
    if (!filter->note_id.IsEmpty())
        sql += " AND note_id=?1";
    if (!filter->attach_id.IsEmpty())
        sql += " AND attach_id=?2";
    if (filter->b_removed)
        sql += " AND b_removed=?3";
    if (filter->sync_priority)
        sql += " AND sync_priority>=?4";
    sql += ";";
    CStatement st(m_db, sql);
    if (!st.Ok())
        return 1;
    if (!filter->note_id.IsEmpty())
        st.Text(1, filter->note_id);
    if (!filter->attach_id.IsEmpty())
        st.Text(2, filter->attach_id);
    if (filter->b_removed)
        st.Int(3, filter->b_removed);
    if (filter->sync_priority)
        st.Int(4, filter->sync_priority);
    if (st.Row())
        *count = st.ColInt(0);
    return 1;
}

int CPeloraDatabase::LoadAttachContent(CItemAttach* rec)
{
    DB_OP_LOCKED("LoadAttachContent", 0);
    if (!rec)
        return 0;
    bool byNote = !rec->note_id.IsEmpty();
    CStatement st(m_db, byNote ? "SELECT attach_id, mime, data, size FROM attaches WHERE attach_id=?1 AND note_id=?2;"
                               : "SELECT attach_id, mime, data, size FROM attaches WHERE attach_id=?1;");
    if (!st.Ok())
        return 1;
    st.Text(1, rec->attach_id);
    if (byNote)
        st.Text(2, rec->note_id);
    if (st.Row()) {
        rec->attach_id = st.ColText(0);
        rec->mime = st.ColText(1);
        int bytes = st.ColBytes(2);
        const void* blob = st.ColBlob(2);
        rec->RelocateBuffer(0);
        rec->RelocateBuffer(bytes);
        if (blob && bytes > 0)
            memcpy(rec->data, blob, bytes);
        if (rec->IsFileStorage())
            rec->size = st.ColInt64(3);
    }
    return 1;
}

int CPeloraDatabase::RemoveAttach(int itemid)
{
    DB_OP_LOCKED("RemoveAttach", 0);
    CStatement st(m_db, "DELETE FROM attaches WHERE itemid=?1");
    if (!st.Ok())
        return 0;
    st.Int(1, itemid);
    if (!st.Run()) {
        LogFailure("DB::CPeloraDatabase::RemoveAttach", __LINE__, m_db, "delete failed");
        return 0;
    }
    return 1;
}

int CPeloraDatabase::RemoveAttach(const CItemAttach* rec, int mark, int flags)
{
    DB_OP_LOCKED("RemoveAttach", 0);
    return RemoveAttachLocked(rec, mark, flags);
}

int CPeloraDatabase::RemoveAttachLocked(const CItemAttach* rec, int mark, int flags)
{
    if (!rec)
        return 0;
    std::string sql = mark ? "UPDATE attaches SET b_removed=1 WHERE itemid>0" : "DELETE FROM attaches WHERE itemid>0";
    bool any = false;
    if (!rec->note_id.IsEmpty())
        sql += " AND note_id=?1", any = true;
    if (!rec->attach_id.IsEmpty())
        sql += " AND attach_id=?2", any = true;
    if (flags)
        sql += " AND flags=?3", any = true;
    if (!any)
        return 0;
    CStatement st(m_db, sql + ";");
    if (!st.Ok())
        return 0;
    if (!rec->note_id.IsEmpty())
        st.Text(1, rec->note_id);
    if (!rec->attach_id.IsEmpty())
        st.Text(2, rec->attach_id);
    if (flags)
        st.Int(3, flags);
    if (!st.Run()) {
        LogFailure("DB::CPeloraDatabase::RemoveAttach", __LINE__, m_db, "remove failed");
        return 0;
    }
    return 1;
}

int CPeloraDatabase::MarkAttachesAsDirty(const wchar_t* note_id)
{
    DB_OP_LOCKED("MarkAttachesAsDirty", 0);
    CStatement st(m_db, "UPDATE attaches SET sync_priority=0, srv_id='' WHERE note_id=?1;");
    if (!st.Ok())
        return 0;
    st.Text(1, note_id);
    return st.Run() ? 1 : 0;
}

int CPeloraDatabase::FixBugOfTempname()
{
    DB_OP_LOCKED("FixBugOfTempname", 0);
    return SQLite3::ExecuteSql(m_db, "UPDATE attaches SET srv_id='' WHERE srv_id='invalid data';", 1) == 0 ? 1 : 0;
}

CString CPeloraDatabase::GetAttachesPath() const
{
    CString path = GetDatabasePath();
    // No open file, no folder: never fall back to the current directory.
    if (path.IsEmpty())
        return CString();
    return Files::GetDirName(path) + L"data\\";
}

int CPeloraDatabase::SaveResourceToDatabase(const wchar_t* name, int resourceId)
{
    DB_OP_LOCKED("SaveResourceToDatabase", 0);
    BYTE* bytes = nullptr;
    DWORD size = 0;
    Utils::BinRes::ExtractBinResource(L"DBITEMS", (UINT)resourceId, bytes, size);
    int result = size > 0 ? SaveSystemAttach(name, bytes, (int)size) : 0;
    delete[] bytes;
    return result;
}

int CPeloraDatabase::SaveSystemAttach(const wchar_t* name, const BYTE* bytes, int length)
{
    DB_OP_LOCKED("SaveSystemAttach", 0);
    if (!name || !bytes || length <= 0)
        return 0;
    CTransaction txn(m_db);
    CItemAttach rec;
    rec.attach_id = name;
    bool exists = false;
    {
        // Rewrite only when the stored bytes differ from the program's.
        CStatement st(m_db, "SELECT data FROM attaches WHERE attach_id=?1 ORDER BY itemid LIMIT 1;");
        if (!st.Ok())
            return 0;
        st.Text(1, name);
        if (st.Row()) {
            exists = true;
            if (st.ColBytes(0) == length && memcmp(st.ColBlob(0), bytes, length) == 0)
                return 1;
        }
    }
    rec.note_id = L"sys_record";
    rec.RelocateBuffer(length);
    memcpy(rec.data, bytes, length);
    if (!exists && !CreateAttach(&rec))
        return 0;
    if (!UpdateAttachContent(&rec))
        return 0;
    return txn.Commit() ? 1 : 0;
}

} // namespace DB
