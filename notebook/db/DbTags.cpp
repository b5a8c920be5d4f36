// Tags and saved searches (tag_list) and the links of notes to them (tag_links).
#include "DbStatement.h"
#include "ActivityLog.h"

using namespace DB::Detail;

namespace DB {

namespace {

const int kTagRemovedFlag = 2;   // removed locally, waiting for the service

} // namespace

int CPeloraDatabase::TagCreate(CItemTag* rec, int tagType)
{
    DB_OP_LOCKED("TagCreate", 0);
    if (!rec)
        return 0;
    CStatement st(m_db, "INSERT INTO tag_list (tag_name, tag_type, tag_flags) VALUES (?1, ?2, ?3);");
    if (!st.Ok())
        return 0;
    st.Text(1, rec->tag_name);
    st.Int(2, tagType);
    st.Int(3, rec->tag_flags);
    if (st.Step() != SQLITE_DONE) {
        LogFailure("DB::CPeloraDatabase::TagCreate", __LINE__, m_db, "Didn't Insert Item!");
        return 0;
    }
    rec->itemid = (int)sqlite3_last_insert_rowid(m_db);
    CLogStream log(LOG_LEVEL_STORE);
    log << "TagCreate: itemid=" << rec->itemid << " name=" << rec->tag_name.GetString() << " flags=" << rec->tag_flags;
    log.End();
    return 1;
}

int CPeloraDatabase::TagUpdate(CItemTag* rec)
{
    DB_OP_LOCKED("TagUpdate", 0);
    if (!rec)
        return 0;
    CStatement st(m_db, "UPDATE tag_list SET order_value=?1, tag_flags=?2 WHERE itemid=?3;");
    if (!st.Ok())
        return 0;
    st.Int(1, rec->order_value);
    st.Int(2, rec->tag_flags);
    st.Int(3, rec->itemid);
    if (st.Step() != SQLITE_DONE) {
        LogFailure("DB::CPeloraDatabase::TagUpdate", __LINE__, m_db, "Didn't Update Item!");
        return 0;
    }
    return 1;
}

int CPeloraDatabase::TagRemove(int tagItemId)
{
    DB_OP_LOCKED("TagRemove", 0);
    CStatement st(m_db, "DELETE FROM tag_list WHERE itemid=?1;");
    if (!st.Ok())
        return 0;
    st.Int(1, tagItemId);
    return st.Run() ? 1 : 0;
}

int CPeloraDatabase::TagGetList(CItemList* list, int tagType, int flagFilter)
{
    DB_OP_LOCKED("TagGetList", 0);
    if (!list)
        return 0;
    CStatement st(m_db, "SELECT tag_list.itemid, tag_list.tag_name, tag_list.order_value, tag_list.tag_flags, COUNT(note_id) "
                        "FROM tag_list LEFT OUTER JOIN tag_links ON tag_list.itemid = tag_links.tag_id "
                        "WHERE (trashed=0 OR trashed IS NULL) AND tag_type=?1 "
                        "GROUP BY tag_name ORDER BY tag_name ASC");
    if (!st.Ok())
        return 1;
    st.Int(1, tagType);
    while (st.Row()) {
        int flags = st.ColInt(3);
        bool removed = (flags & kTagRemovedFlag) != 0;
        if ((flagFilter == 1 && removed) || (flagFilter == 2 && !removed))
            continue;
        CItemTag* tag = new CItemTag;
        tag->itemid = st.ColInt(0);
        tag->tag_name = st.ColText(1);
        tag->order_value = st.ColInt(2);
        tag->tag_flags = flags;
        tag->note_count = st.ColInt(4);
        list->AddTail(tag);
    }
    return 1;
}

int CPeloraDatabase::TagGetNoteCount(int tagItemId)
{
    DB_OP_LOCKED("TagGetNoteCount", 0);
    CStatement st(m_db, "SELECT COUNT(*) FROM tag_links WHERE (trashed=0 OR trashed IS NULL) AND tag_id=?1");
    if (!st.Ok())
        return 0;
    st.Int(1, tagItemId);
    return st.Row() ? st.ColInt(0) : 0;
}

int* CPeloraDatabase::TagGetNoteList(int tagItemId, int* count)
{
    DB_OP_LOCKED("TagGetNoteList", nullptr);
    if (!count)
        return nullptr;
    int n = TagGetNoteCount(tagItemId);
    int* ids = new int[n + 1]();
    *count = 0;
    CStatement st(m_db, "SELECT note_id FROM tag_links WHERE (trashed=0 OR trashed IS NULL) AND tag_id=?1");
    if (!st.Ok())
        return ids;
    st.Int(1, tagItemId);
    while (*count < n && st.Row())
        ids[(*count)++] = st.ColInt(0);
    return ids;
}

int CPeloraDatabase::GetNoteTags(const CItemNote* note, std::vector<CString>& names)
{
    DB_OP_LOCKED("GetNoteTags", 0);
    if (!note)
        return 0;
    CStatement st(m_db, "SELECT tag_name, tag_list.tag_flags FROM tag_list, tag_links WHERE tag_list.tag_type=0 AND "
                        "tag_list.itemid=tag_links.tag_id AND tag_links.note_id=?1");
    if (!st.Ok())
        return 1;
    st.Int(1, note->itemid);
    while (st.Row()) {
        if (!(st.ColInt(1) & kTagRemovedFlag))
            names.push_back(st.ColText(0));
    }
    return 1;
}

int CPeloraDatabase::GetNoteTags(const CItemNote* note, CStringList& names)
{
    std::vector<CString> found;
    int result = GetNoteTags(note, found);
    for (const CString& name : found)
        names.AddTail(name);
    return result;
}

int CPeloraDatabase::UpdateNoteTags(int tagItemId, int noteItemId)
{
    DB_OP_LOCKED("UpdateNoteTags", 0);
    CStatement st(m_db, "INSERT INTO tag_links (tag_id, note_id) VALUES (?1, ?2);");
    if (!st.Ok())
        return 0;
    st.Int(1, tagItemId);
    st.Int(2, noteItemId);
    if (st.Step() != SQLITE_DONE) {
        LogFailure("DB::CPeloraDatabase::UpdateNoteTags", __LINE__, m_db, "Didn't Insert Item!");
        return 0;
    }
    return 1;
}

int CPeloraDatabase::RemoveNoteTag(int noteItemId, int tagItemId)
{
    DB_OP_LOCKED("RemoveNoteTag", 0);
    return RemoveNoteTagLocked(noteItemId, tagItemId);
}

int CPeloraDatabase::RemoveNoteTagLocked(int noteItemId, int tagItemId)
{
    const char* sql = nullptr;
    if (noteItemId && tagItemId)
        sql = "DELETE FROM tag_links WHERE note_id=?1 AND tag_id=?2;";
    else if (noteItemId)
        sql = "DELETE FROM tag_links WHERE note_id=?1;";
    else if (tagItemId)
        sql = "DELETE FROM tag_links WHERE tag_id=?2;";
    else
        return 0;
    CStatement st(m_db, sql);
    if (!st.Ok())
        return 0;
    if (noteItemId)
        st.Int(1, noteItemId);
    if (tagItemId)
        st.Int(2, tagItemId);
    if (!st.Run()) {
        LogFailure("DB::CPeloraDatabase::RemoveNoteTag", __LINE__, m_db, "delete failed");
        return 0;
    }
    return 1;
}

} // namespace DB
