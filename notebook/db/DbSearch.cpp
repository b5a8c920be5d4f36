// Search over notes and the user sort order of a folder's notes.
#include "DbStatement.h"
#include <algorithm>

using namespace DB::Detail;

namespace DB {

namespace {

const char kSearchColumns[] =
    "notes.itemid, notes.note_id, notes.folder_id, notes.date_create, notes.date_update, notes.date_update_user, "
    "notes.preview_id, notes.content_id, notes.note_title, notes.b_shared ";

// " OR " joined pieces: the trailing blanks and the letters of the last " OR " go.
CString CutTrailingOr(CString s)
{
    s.TrimRight(L" OR");
    return s;
}

std::string Narrow(const CString& s)
{
    // The builders only produce ASCII (column names, digits, operators).
    std::string out;
    out.reserve(s.GetLength());
    for (int i = 0; i < s.GetLength(); ++i)
        out += (char)s[i];
    return out;
}

std::string WordCondition(int number)
{
    return Fmt(" AND (CharIndexUNICODE(?%d, notes_content.data, 0) >= 0 OR CharIndexUTF8(?%d, notes.note_title, 0) >= 0) ",
               number, number);
}

void RunSearch(CStatement& st, NoteSearchCallback callback, void* data)
{
    CItemNote rec;
    while (st.Row()) {
        rec.itemid = st.ColInt(0);
        rec.note_id = st.ColText(1);
        rec.folder_id = st.ColInt(2);
        rec.date_create = st.ColInt(3);
        rec.date_update = st.ColInt(4);
        rec.date_update_user = st.ColInt(5);
        if (!rec.date_update_user)
            rec.date_update_user = rec.date_update;
        rec.preview_id = st.ColInt(6);
        rec.content_id = st.ColInt(7);
        rec.note_title = st.ColText(8);
        rec.b_shared = st.ColInt(9);
        callback(&rec, data);
    }
}

} // namespace

CString CPeloraDatabase::PrepareSearchSql(const wchar_t* column, int count, int& nextParam)
{
    CString out;
    for (int i = 0; i < count; ++i)
        out.AppendFormat(L"%s=?%d OR ", column, nextParam++);
    return CutTrailingOr(out);
}

CString CPeloraDatabase::PrepareSearchSql(const wchar_t* column, const std::vector<CString>& dateRanges)
{
    CString out;
    for (const CString& entry : dateRanges) {
        unsigned from = (unsigned)_wtoi(entry);
        unsigned to = from;
        int dash = entry.Find(L'-', 1);
        if (dash > 0)
            to = (unsigned)_wtoi(entry.Mid(dash + 1));
        if (from != 0 && to == from)
            out.AppendFormat(L"(%s>=%d AND %s<%d) OR ", column, (int)from, column, (int)(from + 86400));
        else if (from != 0 && to == 0)
            out.AppendFormat(L"%s>=%d OR ", column, (int)from);
        else if (from != 0 && from < to)
            out.AppendFormat(L"(%s>=%d AND %s<%d) OR ", column, (int)from, column, (int)to);
        else if (from == 0 && to != 0)
            out.AppendFormat(L"%s<=%d OR ", column, (int)to);
    }
    return CutTrailingOr(out);
}

CString CPeloraDatabase::PrepareSearchSql(const wchar_t* column, const int* values)
{
    CString out;
    for (; values && *values; ++values)
        out.AppendFormat(L"%s=%d OR ", column, *values);
    return CutTrailingOr(out);
}

int CPeloraDatabase::SearchNotes(const int* folders, const std::vector<CString>& words, const std::vector<CString>& tags,
                                 const std::vector<CString>& dateRanges, NoteSearchCallback callback, void* data)
{
    DB_OP_LOCKED("SearchNotes", 0);
    if (!callback)
        return 0;
    std::string sql = std::string("SELECT DISTINCT     ") + kSearchColumns +
                      (tags.empty() ? "FROM notes, notes_content " : "FROM tag_list, tag_links, notes, notes_content ") +
                      "WHERE " + Fmt(" notes.folder_id<>%d AND ", conflict_folder_itemid) +
                      // a removed note waits only for the service to hear of it: never a hit
                      "notes.b_removed=0 AND ";
    CString cond = PrepareSearchSql(L"folder_id", folders);
    if (!cond.IsEmpty())
        sql += "(" + Narrow(cond) + ") AND ";
    cond = PrepareSearchSql(L"notes.date_create", dateRanges);
    if (!cond.IsEmpty())
        sql += "(" + Narrow(cond) + ") AND ";
    int next = 1;
    cond = PrepareSearchSql(L"tag_name", (int)tags.size(), next);
    if (!cond.IsEmpty())
        sql += "(" + Narrow(cond) + ") AND ";
    if (!tags.empty())
        // saved searches are tag_list rows too (tag_type 1): only real tags match a tag name
        sql += "(tag_list.tag_type=0) AND (tag_links.tag_id=tag_list.itemid) AND (notes.itemid=tag_links.note_id) AND ";
    sql += "(notes.content_id=notes_content.idrec) ";
    for (size_t i = 0; i < words.size(); ++i)
        sql += WordCondition((int)(tags.size() + 1 + i));
    sql += ";";
    CStatement st(m_db, sql);
    if (!st.Ok())
        return 1;
    int n = 1;
    for (const CString& t : tags)
        st.Text(n++, t);
    for (const CString& w : words)
        st.Text(n++, w);
    RunSearch(st, callback, data);
    return 1;
}

int CPeloraDatabase::SearchNotes(const int* folders, const std::vector<CString>& words, NoteSearchCallback callback,
                                 void* data)
{
    DB_OP_LOCKED("SearchNotes", 0);
    if (!callback || words.empty())
        return 0;
    std::string sql = std::string("SELECT itemid, note_id, folder_id, date_create, date_update, date_update_user, "
                                  "preview_id, content_id, note_title, b_shared "
                                  "FROM notes, notes_content WHERE notes.content_id=notes_content.idrec ") +
                      Fmt(" AND notes.folder_id<>%d AND notes.b_removed=0 ", conflict_folder_itemid);
    if (folders && *folders) {
        sql += " AND (";
        for (const int* f = folders; *f; ++f)
            sql += Fmt(f == folders ? "folder_id=%d" : " OR folder_id=%d", *f);
        sql += ")";
    }
    for (size_t i = 0; i < words.size(); ++i)
        sql += WordCondition((int)i + 1);
    sql += ";";
    CStatement st(m_db, sql);
    if (!st.Ok())
        return 1;
    for (size_t i = 0; i < words.size(); ++i)
        st.Text((int)i + 1, words[i]);
    RunSearch(st, callback, data);
    return 1;
}

unsigned CPeloraDatabase::GetSortData(const wchar_t* fld_id, int sub_id, int*& buffer, unsigned& count)
{
    DB_OP_LOCKED("GetSortData", 0);
    if (!fld_id)
        return 0;
    CStatement st(m_db, "SELECT sort_data, sort_size FROM notes_sort_data WHERE fld_id=?1 AND sub_id=?2");
    const void* blob = nullptr;
    unsigned n = 0;
    if (st.Ok()) {
        st.Text(1, fld_id);
        st.Int(2, sub_id);
        if (st.Row()) {
            blob = st.ColBlob(0);
            int size = st.ColInt(1);
            // Never more entries than the blob holds.
            unsigned held = blob ? (unsigned)st.ColBytes(0) / 4 : 0;
            n = size > 0 ? std::min((unsigned)size, held) : 0;
        }
    }
    unsigned capacity;
    if (buffer && count >= n) {
        capacity = count;
    } else {
        delete[] buffer;
        capacity = n + 1024;
        buffer = new int[capacity];
    }
    count = 0;
    if (buffer && blob && n) {
        memcpy(buffer, blob, (size_t)n * 4);
        count = n;
    }
    return capacity;
}

int CPeloraDatabase::UpdateSortData(const wchar_t* fld_id, int sub_id, const int* entries, int count)
{
    DB_OP_LOCKED("UpdateSortData", 0);
    if (!fld_id)
        return 0;
    // The old order stays unless the new one is written.
    CTransaction txn(m_db);
    {
        CStatement del(m_db, "DELETE FROM notes_sort_data WHERE fld_id=?1 AND sub_id=?2");
        if (!del.Ok())
            return 0;
        del.Text(1, fld_id);
        del.Int(2, sub_id);
        if (!del.Run())
            return 0;
    }
    if (entries && count > 0) {
        CStatement ins(m_db, "INSERT INTO notes_sort_data (fld_id, sub_id, sort_data, sort_size) VALUES (?2, ?3, ?1, ?4)");
        if (!ins.Ok())
            return 0;
        ins.Blob(1, entries, count * 4);
        ins.Text(2, fld_id);
        ins.Int(3, sub_id);
        ins.Int(4, count);
        if (ins.Step() != SQLITE_DONE) {
            LogFailure("DB::CPeloraDatabase::UpdateSortData", __LINE__, m_db, "Didn't Insert Item!");
            return 0;
        }
    }
    return txn.Commit() ? 1 : 0;
}

} // namespace DB
