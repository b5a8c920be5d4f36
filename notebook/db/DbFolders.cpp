// Folders in the store.
#include "DbStatement.h"

using namespace DB::Detail;

namespace DB {

namespace {

const char* const kFolderColumns[] = {
    "folder_id", "parent_id", "folder_name", "type", "tags", "sav_prn_id", "b_syncdirty", "b_removed", "flags",
    "date_create", "date_update", "order_value",
};
const int kFolderColumnCount = 12;
// A new folder leaves order_value, the last column, to the table's default.
const int kFolderInsertColumnCount = kFolderColumnCount - 1;

// Binds the columns a new folder is written with, numbered from 1 in kFolderColumns order.
void BindFolderColumns(CStatement& st, const CItemFolder* r)
{
    st.Text(1, r->folder_id);
    st.Text(2, r->parent_id);
    st.Text(3, r->folder_name);
    st.Int(4, r->type);
    st.Text(5, r->tags);
    st.Text(6, r->sav_prn_id);
    st.Int(7, r->b_syncdirty);
    st.Int(8, r->b_removed);
    st.Int(9, r->flags);
    st.Int(10, r->date_create);
    st.Int(11, r->date_update);
}

bool IsSpecialFolder(const CString& id)
{
    return id == L"default" || id == L"usr_folder" || id == L"trash" || id == L"conflict_folder";
}

} // namespace

int CPeloraDatabase::GetFolderList(const CItemFolder* filter, CItemList* list, int orderByDateCreate)
{
    DB_OP_LOCKED("GetFolderList", 0);
    if (!list || !filter)
        return 0;
    std::string sql = "SELECT itemid, " + JoinColumns(kFolderColumns, kFolderColumnCount) + " FROM folders WHERE itemid>0";
    if (filter->itemid)
        sql += " AND itemid=?1";
    if (!filter->folder_id.IsEmpty())
        sql += " AND folder_id=?2";
    if (!filter->parent_id.IsEmpty())
        sql += " AND parent_id=?3";
    if (filter->filter_mask & FilterSyncDirty)
        sql += " AND b_syncdirty=?4";
    if (filter->filter_mask & FilterRemoved)
        sql += " AND b_removed=?5";
    if (orderByDateCreate)
        sql += " ORDER BY date_create";
    sql += ";";
    CStatement st(m_db, sql);
    if (!st.Ok())
        return 1;
    if (filter->itemid)
        st.Int(1, filter->itemid);
    if (!filter->folder_id.IsEmpty())
        st.Text(2, filter->folder_id);
    if (!filter->parent_id.IsEmpty())
        st.Text(3, filter->parent_id);
    if (filter->filter_mask & FilterSyncDirty)
        st.Int(4, filter->b_syncdirty ? 1 : 0);
    if (filter->filter_mask & FilterRemoved)
        st.Int(5, filter->b_removed ? 1 : 0);
    while (st.Row()) {
        CItemFolder* rec = new CItemFolder;
        int c = 0;
        rec->itemid = st.ColInt(c++);
        rec->folder_id = st.ColText(c++);
        rec->parent_id = st.ColText(c++);
        rec->folder_name = st.ColText(c++);
        rec->type = st.ColInt(c++);
        rec->tags = st.ColText(c++);
        rec->sav_prn_id = st.ColText(c++);
        rec->b_syncdirty = st.ColInt(c++);
        rec->b_removed = st.ColInt(c++);
        rec->flags = st.ColInt(c++);
        rec->date_create = st.ColInt(c++);
        rec->date_update = st.ColInt(c++);
        rec->order_value = st.ColInt(c++);
        list->AddTail(rec);
    }
    return 1;
}

int CPeloraDatabase::CreateFolder(CItemFolder* rec)
{
    DB_OP_LOCKED("CreateFolder", 0);
    if (!rec)
        return 0;
    // The existence test and the insert see one state.
    CTransaction txn(m_db);
    {
        CItemList found;
        GetFolderList(rec, &found, 0);
        if (!found.IsEmpty())
            return 0;
    }
    CStatement st(m_db, InsertColumns("folders", kFolderColumns, kFolderInsertColumnCount));
    if (!st.Ok())
        return 0;
    BindFolderColumns(st, rec);
    if (st.Step() != SQLITE_DONE) {
        LogFailure("DB::CPeloraDatabase::CreateFolder", __LINE__, m_db, "Didn't Insert Item!");
        return 0;
    }
    int newId = (int)sqlite3_last_insert_rowid(m_db);
    if (!txn.Commit())
        return 0;
    rec->itemid = newId;
    return 1;
}

int CPeloraDatabase::UpdateFolder(CItemFolder* rec, int byItemId)
{
    DB_OP_LOCKED("UpdateFolder", 0);
    if (!rec || rec->folder_id.IsEmpty())
        return 0;
    CStatement st(m_db, "UPDATE folders SET " + AssignColumns(kFolderColumns, kFolderColumnCount) +
                            (byItemId ? " WHERE itemid=?13;" : " WHERE folder_id=?13;"));
    if (!st.Ok())
        return 0;
    BindFolderColumns(st, rec);
    st.Int(12, rec->order_value);
    if (byItemId)
        st.Int(13, rec->itemid);
    else
        st.Text(13, rec->folder_id);
    if (st.Step() != SQLITE_DONE) {
        LogFailure("DB::CPeloraDatabase::UpdateFolder", __LINE__, m_db, "Didn't Update Item!");
        return 0;
    }
    return 1;
}

int CPeloraDatabase::RemoveFolder(CItemFolder* rec)
{
    DB_OP_LOCKED("RemoveFolder", 0);
    if (!rec || IsSpecialFolder(rec->folder_id))
        return 0;
    bool byId = !rec->folder_id.IsEmpty();
    // Without an id only a stored ordinary folder (past the four special ones) can be named.
    if (!byId && rec->itemid <= 4)
        return 0;
    CStatement st(m_db, byId ? "DELETE FROM folders WHERE folder_id=?1;"
                             : "DELETE FROM folders WHERE itemid=?1 AND IFNULL(folder_id, '') NOT IN "
                               "('default', 'usr_folder', 'trash', 'conflict_folder');");
    if (!st.Ok())
        return 0;
    if (byId)
        st.Text(1, rec->folder_id);
    else
        st.Int(1, rec->itemid);
    if (!st.Run()) {
        LogFailure("DB::CPeloraDatabase::RemoveFolder", __LINE__, m_db, "delete failed");
        return 0;
    }
    return 1;
}

} // namespace DB
