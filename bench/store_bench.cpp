// The store's overhead over plain SQLite: insert N notes of 4 KB HTML with two tags and one
// attachment each, load every note record, run both search statements. Each figure is printed
// beside the time of the equivalent plain statements on a second file in the same run, so the
// ratio (store / raw) is what to compare across machines. Both sides run their inserts inside one
// outer transaction, as a bulk import would. Run by hand: bench_store.exe [notes]
#include "PeloraDatabase.h"
#include "bench_clock.h"
#include <sqlite3.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// About 4 KB of note HTML (2,048 UTF-16 units) with the note's number in it.
std::wstring MakeHtml(int i)
{
    wchar_t head[64];
    swprintf(head, 64, L"<DIV>note %d</DIV>", i);
    std::wstring html = head;
    const wchar_t* piece = L"<DIV>Some text with <B>bold</B> words and \x0442\x0435\x043A\x0441\x0442 in it.</DIV>";
    while (html.size() < 2040)
        html += piece;
    html.resize(2040);
    return html;
}

CString TempFile(const wchar_t* name)
{
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    CString path;
    path.Format(L"%spelora_bench_%lu_%s", dir, GetCurrentProcessId(), name);
    DeleteFileW(path);
    return path;
}

struct Times {
    double insert = 0, load = 0, searchTags = 0, searchWords = 0;
};

void CountRow(DB::CItemNote*, void* data) { ++*(int*)data; }

Times RunStore(const CString& path, int count, int& found)
{
    Times t;
    DB::CPeloraDatabase db;
    if (!db.OpenDatabase(path, 1)) {
        fwprintf(stderr, L"cannot open %s\n", path.GetString());
        exit(1);
    }
    const BYTE attachBytes[512] = {1, 2, 3};
    double start = Seconds();
    sqlite3_exec(db.GetHandle(), "BEGIN", nullptr, nullptr, nullptr);
    DB::CItemTag tags[2];
    tags[0].tag_name = L"work";
    tags[1].tag_name = L"\x0434\x043E\x043C";
    db.TagCreate(&tags[0], 0);
    db.TagCreate(&tags[1], 0);
    for (int i = 0; i < count; ++i) {
        DB::CItemNote note;
        note.note_id.Format(L"n%07d", i);
        note.folder_id = 1;
        note.note_title.Format(L"Title %d", i);
        note.date_create = 1000000 + i;
        std::wstring html = MakeHtml(i);
        note.RelocateContentBuffer((int)(html.size() * 2), 1);
        memcpy(note.content_data, html.data(), html.size() * 2);
        db.NoteUpdateContent(&note);
        db.CreateNote(&note);
        db.UpdateNoteTags(tags[0].itemid, note.itemid);
        db.UpdateNoteTags(tags[1].itemid, note.itemid);
        DB::CItemAttach attach;
        attach.attach_id.Format(L"a%07d", i);
        attach.note_id = note.note_id;
        attach.filename = L"picture.png";
        attach.mime = L"image/png";
        db.CreateAttach(&attach);
        attach.RelocateBuffer(sizeof attachBytes);
        memcpy(attach.data, attachBytes, sizeof attachBytes);
        db.UpdateAttachContent(&attach);
    }
    sqlite3_exec(db.GetHandle(), "COMMIT", nullptr, nullptr, nullptr);
    t.insert = Seconds() - start;

    start = Seconds();
    DB::CItemNote filter;
    DB::CItemList list;
    db.GetNoteList(&filter, &list);
    t.load = Seconds() - start;

    std::vector<CString> words = {L"BOLD", L"note 77"};
    std::vector<CString> tagNames = {L"work"};
    std::vector<CString> dates = {L"1000000-1005000"};
    found = 0;
    start = Seconds();
    db.SearchNotes(nullptr, words, tagNames, dates, CountRow, &found);
    t.searchTags = Seconds() - start;
    start = Seconds();
    db.SearchNotes(nullptr, words, CountRow, &found);
    t.searchWords = Seconds() - start;
    return t;
}

sqlite3_stmt* Prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        fprintf(stderr, "prepare failed: %s\n", sqlite3_errmsg(db));
        exit(1);
    }
    return st;
}

// The same work as plain statements on a second file with the same schema.
Times RunRaw(const CString& path, int count, int& found)
{
    Times t;
    // The store lays out the same tables and registers the search functions on the connection;
    // everything after that is plain SQLite.
    DB::CPeloraDatabase db;
    db.OpenDatabase(path, 1);
    sqlite3* raw = db.GetHandle();
    const BYTE attachBytes[512] = {1, 2, 3};
    double start = Seconds();
    sqlite3_exec(raw, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_exec(raw, "INSERT INTO tag_list (tag_name) VALUES ('work'); INSERT INTO tag_list (tag_name) VALUES ('x');",
                 nullptr, nullptr, nullptr);
    for (int i = 0; i < count; ++i) {
        std::wstring html = MakeHtml(i);
        sqlite3_stmt* st = Prepare(raw, "INSERT INTO notes_content (data, size) VALUES (?1, ?2)");
        sqlite3_bind_blob(st, 1, html.data(), (int)html.size() * 2, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 2, (int)html.size() * 2);
        sqlite3_step(st);
        sqlite3_finalize(st);
        int content = (int)sqlite3_last_insert_rowid(raw);
        char id[32], title[32];
        snprintf(id, sizeof id, "n%07d", i);
        snprintf(title, sizeof title, "Title %d", i);
        st = Prepare(raw, "INSERT INTO notes (note_id, folder_id, note_title, date_create, content_id) VALUES (?1, 1, ?2, ?3, ?4)");
        sqlite3_bind_text(st, 1, id, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, title, -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 3, 1000000 + i);
        sqlite3_bind_int(st, 4, content);
        sqlite3_step(st);
        sqlite3_finalize(st);
        int note = (int)sqlite3_last_insert_rowid(raw);
        for (int tag = 1; tag <= 2; ++tag) {
            st = Prepare(raw, "INSERT INTO tag_links (tag_id, note_id) VALUES (?1, ?2)");
            sqlite3_bind_int(st, 1, tag);
            sqlite3_bind_int(st, 2, note);
            sqlite3_step(st);
            sqlite3_finalize(st);
        }
        char attach[32];
        snprintf(attach, sizeof attach, "a%07d", i);
        st = Prepare(raw, "INSERT INTO attaches (attach_id, note_id, filename, mime) VALUES (?1, ?2, 'picture.png', 'image/png')");
        sqlite3_bind_text(st, 1, attach, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, id, -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_finalize(st);
        st = Prepare(raw, "UPDATE attaches SET data=?1, size=?2 WHERE attach_id=?3 AND note_id=?4");
        sqlite3_bind_blob(st, 1, attachBytes, sizeof attachBytes, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 2, sizeof attachBytes);
        sqlite3_bind_text(st, 3, attach, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, id, -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_finalize(st);
    }
    sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr);
    t.insert = Seconds() - start;

    start = Seconds();
    sqlite3_stmt* st = Prepare(raw, "SELECT itemid, note_id, folder_id, prn_index, date_create, date_update, "
                                    "date_update_user, preview_id, content_id, note_title, sav_fld_id, b_syncdirty, "
                                    "b_removed, b_shared, sync_priority, sync_timestamp, num_tasks, num_attaches, "
                                    "editable, total_size, content_size, crypt_type FROM notes;");
    long long sum = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < 22; ++c)
            sum += (c == 1 || c == 9) ? sqlite3_column_bytes16(st, c) : sqlite3_column_int(st, c);
    }
    sqlite3_finalize(st);
    t.load = Seconds() - start;

    const char* word = "(CharIndexUNICODE(?%d, notes_content.data, 0) >= 0 OR CharIndexUTF8(?%d, notes.note_title, 0) >= 0)";
    char w2[256], w3[256];
    snprintf(w2, sizeof w2, word, 2, 2);
    snprintf(w3, sizeof w3, word, 3, 3);
    std::string tagsSql = std::string("SELECT DISTINCT notes.itemid, notes.note_id, notes.folder_id, notes.date_create, "
                                      "notes.date_update, notes.date_update_user, notes.preview_id, notes.content_id, "
                                      "notes.note_title, notes.b_shared FROM tag_list, tag_links, notes, notes_content "
                                      "WHERE notes.folder_id<>4 AND (notes.date_create>=1000000 AND notes.date_create<1005000) "
                                      "AND (tag_name=?1) AND (tag_links.tag_id=tag_list.itemid) AND "
                                      "(notes.itemid=tag_links.note_id) AND (notes.content_id=notes_content.idrec) AND ") +
                          w2 + " AND " + w3 + ";";
    snprintf(w2, sizeof w2, word, 1, 1);
    snprintf(w3, sizeof w3, word, 2, 2);
    std::string wordsSql = std::string("SELECT itemid, note_id, folder_id, date_create, date_update, date_update_user, "
                                       "preview_id, content_id, note_title, b_shared FROM notes, notes_content WHERE "
                                       "notes.content_id=notes_content.idrec AND notes.folder_id<>4 AND ") +
                           w2 + " AND " + w3 + ";";
    auto search = [&](const std::string& sql, const std::vector<const wchar_t*>& params) {
        double begin = Seconds();
        sqlite3_stmt* s = Prepare(raw, sql.c_str());
        for (size_t i = 0; i < params.size(); ++i)
            sqlite3_bind_text16(s, (int)i + 1, params[i], -1, SQLITE_TRANSIENT);
        while (sqlite3_step(s) == SQLITE_ROW) {
            sqlite3_column_int(s, 0);
            sqlite3_column_text16(s, 1);
            sqlite3_column_text16(s, 8);
            ++found;
        }
        sqlite3_finalize(s);
        return Seconds() - begin;
    };
    found = 0;
    t.searchTags = search(tagsSql, {L"work", L"BOLD", L"note 77"});
    t.searchWords = search(wordsSql, {L"BOLD", L"note 77"});
    (void)sum;
    return t;
}

void Line(const char* what, double store, double raw)
{
    printf("%-34s store %9.3f s   raw %9.3f s   ratio %5.2f\n", what, store, raw, raw > 0 ? store / raw : 0.0);
}

} // namespace

int main(int argc, char** argv)
{
    int count = argc > 1 ? atoi(argv[1]) : 10000;
    if (count < 1)
        count = 10000;
    CString storePath = TempFile(L"store.db");
    CString rawPath = TempFile(L"raw.db");
    int storeFound = 0, rawFound = 0;
    Times store = RunStore(storePath, count, storeFound);
    Times raw = RunRaw(rawPath, count, rawFound);
    printf("%d notes of 4 KB HTML, two tags and one attachment each (found %d / %d rows)\n", count, storeFound,
           rawFound);
    Line("insert notes, tags, attachments", store.insert, raw.insert);
    Line("load all note records", store.load, raw.load);
    Line("search with tags and dates", store.searchTags, raw.searchTags);
    Line("search with words only", store.searchWords, raw.searchWords);
    DeleteFileW(storePath);
    DeleteFileW(rawPath);
    return 0;
}
