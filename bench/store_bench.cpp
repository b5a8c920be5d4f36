// The store's overhead over plain SQLite: insert N notes of 4 KB HTML with two tags and one
// attachment each, load every note record, run both search statements. Both sides work on a file
// laid out by the store (same tables, same indexes, same search functions) and write the same
// columns: the raw side runs the statements the store runs, prepared once, with nothing around
// them. Both run their inserts inside one outer transaction, as a bulk import would.
// After one warm-up pass, each pass runs both sides on fresh files, the side that goes first
// alternating; every figure printed is the median over the passes, and the ratio is the median
// of the per-pass ratios (store / raw). Run by hand: bench_store.exe [notes] [passes]
#include "PeloraDatabase.h"
#include "bench_clock.h"
#include <sqlite3.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// About 4 KB of note HTML (2,040 UTF-16 units) with the note's number in it.
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

enum { Insert, Load, SearchTags, SearchWords, Phases };
const char* const kPhaseNames[Phases] = {"insert notes, tags, attachments", "load all note records",
                                         "search with tags and dates", "search with words only"};

struct Times {
    double t[Phases] = {};
    int found = 0;
};

const std::vector<CString> kWords = {L"BOLD", L"note 77"};
const std::vector<CString> kTags = {L"work"};
const std::vector<CString> kDates = {L"1000000-1005000"};
const BYTE kAttachBytes[512] = {1, 2, 3};

void CountRow(DB::CItemNote*, void* data) { ++*(int*)data; }

// A query timed after one untimed run of it, so both sides read from a warm cache.
template <class F>
double Warm(F run)
{
    run();
    double start = Seconds();
    run();
    return Seconds() - start;
}

void Open(DB::CPeloraDatabase& db, const CString& path)
{
    if (!db.OpenDatabase(path, 1)) {
        fwprintf(stderr, L"cannot open %s\n", path.GetString());
        exit(1);
    }
}

Times RunStore(const CString& path, int count)
{
    Times t;
    DB::CPeloraDatabase db;
    Open(db, path);
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
        note.content_size = (int)html.size() * 2;
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
        attach.RelocateBuffer(sizeof kAttachBytes);
        memcpy(attach.data, kAttachBytes, sizeof kAttachBytes);
        db.UpdateAttachContent(&attach);
    }
    sqlite3_exec(db.GetHandle(), "COMMIT", nullptr, nullptr, nullptr);
    t.t[Insert] = Seconds() - start;

    t.t[Load] = Warm([&] {
        DB::CItemNote filter;
        DB::CItemList list;
        db.GetNoteList(&filter, &list);
    });
    t.t[SearchTags] = Warm([&] {
        t.found = 0;
        db.SearchNotes(nullptr, kWords, kTags, kDates, CountRow, &t.found);
    });
    int words = 0;
    t.t[SearchWords] = Warm([&] {
        words = 0;
        db.SearchNotes(nullptr, kWords, CountRow, &words);
    });
    t.found += words;
    return t;
}

sqlite3_stmt* Prepare(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        fprintf(stderr, "prepare failed: %s\n", sqlite3_errmsg(db));
        exit(1);
    }
    return st;
}

void Step(sqlite3_stmt* st)
{
    sqlite3_step(st);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
}

// As the store binds text: UTF-8 (a UTF-16 value would be converted again at every use).
void BindText(sqlite3_stmt* st, int i, const wchar_t* text)
{
    char buf[256];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, buf, sizeof buf, nullptr, nullptr);
    sqlite3_bind_text(st, i, buf, n > 0 ? n - 1 : 0, SQLITE_TRANSIENT);
}

// One note record of the load, as a plain program would keep it.
struct RawNote {
    int ints[20];
    std::wstring noteId, title;
};

// The same work as plain statements: the store's columns, bound the same way.
Times RunRaw(const CString& path, int count)
{
    Times t;
    // The store lays out the file (tables, indexes) and registers the search functions on the
    // connection; everything after that is plain SQLite.
    DB::CPeloraDatabase db;
    Open(db, path);
    sqlite3* raw = db.GetHandle();
    double start = Seconds();
    sqlite3_exec(raw, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* tag = Prepare(raw, "INSERT INTO tag_list (tag_name, tag_type, tag_flags) VALUES (?1, 0, 0)");
    BindText(tag, 1, L"work");
    Step(tag);
    int tagIds[2] = {(int)sqlite3_last_insert_rowid(raw), 0};
    BindText(tag, 1, L"\x0434\x043E\x043C");
    Step(tag);
    tagIds[1] = (int)sqlite3_last_insert_rowid(raw);
    sqlite3_finalize(tag);
    sqlite3_stmt* content = Prepare(raw, "INSERT INTO notes_content (data, size, owner, url, geo_str1, geo_str2, "
                                         "page_color) VALUES (?1, ?6, ?2, ?3, ?4, ?5, ?7)");
    sqlite3_stmt* note = Prepare(raw, "INSERT INTO notes (note_id, folder_id, prn_index, date_create, date_update, "
                                      "date_update_user, preview_id, content_id, note_title, sav_fld_id, b_syncdirty, "
                                      "b_removed, b_shared, sync_priority, sync_timestamp, num_tasks, num_attaches, "
                                      "editable, total_size, content_size, crypt_type) VALUES (?1, ?2, ?3, ?4, ?5, "
                                      "?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21)");
    sqlite3_stmt* link = Prepare(raw, "INSERT INTO tag_links (tag_id, note_id) VALUES (?1, ?2)");
    sqlite3_stmt* attach = Prepare(raw, "INSERT INTO attaches (attach_id, note_id, hash, filename, type, mime, "
                                        "date_create, date_update, size, b_syncdirty, b_removed, sync_priority, "
                                        "sync_url, srv_id, flags) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, "
                                        "?11, ?12, ?13, ?14, ?15)");
    sqlite3_stmt* attachData = Prepare(raw, "UPDATE attaches SET data=?1, size=?2 WHERE attach_id=?3 AND note_id=?4");
    for (int i = 0; i < count; ++i) {
        std::wstring html = MakeHtml(i);
        sqlite3_bind_blob(content, 1, html.data(), (int)html.size() * 2, SQLITE_TRANSIENT);
        for (int p = 2; p <= 5; ++p)
            BindText(content, p, L"");
        sqlite3_bind_int(content, 6, (int)html.size() * 2);
        sqlite3_bind_int(content, 7, 0xFFFFFF);
        Step(content);
        int contentId = (int)sqlite3_last_insert_rowid(raw);
        wchar_t id[32], title[32], attachId[32];
        swprintf(id, 32, L"n%07d", i);
        swprintf(title, 32, L"Title %d", i);
        swprintf(attachId, 32, L"a%07d", i);
        const int ints[] = {1, 0, 1000000 + i, 0, 0, 0, contentId};
        BindText(note, 1, id);
        for (int c = 0; c < 7; ++c)
            sqlite3_bind_int(note, 2 + c, ints[c]);
        BindText(note, 9, title);
        const int rest[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, (int)html.size() * 2, 0};
        for (int c = 0; c < 12; ++c)
            sqlite3_bind_int(note, 10 + c, rest[c]);
        Step(note);
        int noteId = (int)sqlite3_last_insert_rowid(raw);
        for (int tagId : tagIds) {
            sqlite3_bind_int(link, 1, tagId);
            sqlite3_bind_int(link, 2, noteId);
            Step(link);
        }
        BindText(attach, 1, attachId);
        BindText(attach, 2, id);
        BindText(attach, 3, L"");
        BindText(attach, 4, L"picture.png");
        sqlite3_bind_int(attach, 5, 0);
        BindText(attach, 6, L"image/png");
        for (int c = 7; c <= 12; ++c)
            sqlite3_bind_int(attach, c, 0);
        BindText(attach, 13, L"");
        BindText(attach, 14, L"");
        sqlite3_bind_int(attach, 15, 0);
        Step(attach);
        sqlite3_bind_blob(attachData, 1, kAttachBytes, sizeof kAttachBytes, SQLITE_TRANSIENT);
        sqlite3_bind_int64(attachData, 2, sizeof kAttachBytes);
        BindText(attachData, 3, attachId);
        BindText(attachData, 4, id);
        Step(attachData);
    }
    for (sqlite3_stmt* st : {content, note, link, attach, attachData})
        sqlite3_finalize(st);
    sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr);
    t.t[Insert] = Seconds() - start;

    t.t[Load] = Warm([&] {
        sqlite3_stmt* st = Prepare(raw, "SELECT itemid, note_id, folder_id, prn_index, date_create, date_update, "
                                        "date_update_user, preview_id, content_id, note_title, sav_fld_id, b_syncdirty, "
                                        "b_removed, b_shared, sync_priority, sync_timestamp, num_tasks, num_attaches, "
                                        "editable, total_size, content_size, crypt_type FROM notes;");
        std::vector<RawNote*> rows;
        while (sqlite3_step(st) == SQLITE_ROW) {
            RawNote* r = new RawNote;
            int k = 0;
            for (int c = 0; c < 22; ++c) {
                if (c == 1 || c == 9) {
                    const wchar_t* text = (const wchar_t*)sqlite3_column_text16(st, c);
                    (c == 1 ? r->noteId : r->title) = text ? text : L"";
                } else {
                    r->ints[k++] = sqlite3_column_int(st, c);
                }
            }
            rows.push_back(r);
        }
        sqlite3_finalize(st);
        for (RawNote* r : rows)
            delete r;
    });

    const char* word = "(CharIndexUNICODE(?%d, notes_content.data, 0) >= 0 OR CharIndexUTF8(?%d, notes.note_title, 0) >= 0)";
    auto wordAt = [&](int n) {
        char buf[256];
        snprintf(buf, sizeof buf, word, n, n);
        return std::string(buf);
    };
    // the statements the store builds, conditions in the same order
    std::string tagsSql = "SELECT DISTINCT notes.itemid, notes.note_id, notes.folder_id, notes.date_create, "
                          "notes.date_update, notes.date_update_user, notes.preview_id, notes.content_id, "
                          "notes.note_title, notes.b_shared FROM tag_list, tag_links, notes, notes_content "
                          "WHERE notes.folder_id<>4 AND notes.b_removed=0 AND "
                          "((notes.date_create>=1000000 AND notes.date_create<1005000)) AND (tag_name=?1) AND "
                          "(tag_list.tag_type=0) AND (tag_links.tag_id=tag_list.itemid) AND "
                          "(notes.itemid=tag_links.note_id) AND (notes.content_id=notes_content.idrec) AND " +
                          wordAt(2) + " AND " + wordAt(3) + ";";
    std::string wordsSql = "SELECT itemid, note_id, folder_id, date_create, date_update, date_update_user, "
                           "preview_id, content_id, note_title, b_shared FROM notes, notes_content WHERE "
                           "notes.content_id=notes_content.idrec AND notes.folder_id<>4 AND notes.b_removed=0 AND " +
                           wordAt(1) + " AND " + wordAt(2) + ";";
    auto search = [&](const std::string& sql, const std::vector<const wchar_t*>& params, int& found) {
        found = 0;
        sqlite3_stmt* s = Prepare(raw, sql);
        for (size_t i = 0; i < params.size(); ++i)
            BindText(s, (int)i + 1, params[i]);
        while (sqlite3_step(s) == SQLITE_ROW) {
            std::wstring noteId((const wchar_t*)sqlite3_column_text16(s, 1));
            std::wstring title((const wchar_t*)sqlite3_column_text16(s, 8));
            for (int c : {0, 2, 3, 4, 5, 6, 7, 9})
                sqlite3_column_int(s, c);
            ++found;
        }
        sqlite3_finalize(s);
    };
    int tagsFound = 0, wordsFound = 0;
    t.t[SearchTags] = Warm([&] { search(tagsSql, {L"work", L"BOLD", L"note 77"}, tagsFound); });
    t.t[SearchWords] = Warm([&] { search(wordsSql, {L"BOLD", L"note 77"}, wordsFound); });
    t.found = tagsFound + wordsFound;
    return t;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    int count = argc > 1 ? atoi(argv[1]) : 10000;
    if (count < 1)
        count = 10000;
    int passes = argc > 2 ? atoi(argv[2]) : 5;
    if (passes < 1)
        passes = 5;
    std::vector<double> store[Phases], raw[Phases], ratio[Phases];
    int storeFound = 0, rawFound = 0;
    for (int pass = -1; pass < passes; ++pass) {
        CString storePath = TempFile(L"store.db");
        CString rawPath = TempFile(L"raw.db");
        Times s, r;
        if (pass % 2 == 0) {
            s = RunStore(storePath, count);
            r = RunRaw(rawPath, count);
        } else {
            r = RunRaw(rawPath, count);
            s = RunStore(storePath, count);
        }
        DeleteFileW(storePath);
        DeleteFileW(rawPath);
        if (pass < 0)
            continue;  // the warm-up pass
        storeFound = s.found;
        rawFound = r.found;
        for (int p = 0; p < Phases; ++p) {
            store[p].push_back(s.t[p]);
            raw[p].push_back(r.t[p]);
            ratio[p].push_back(r.t[p] > 0 ? s.t[p] / r.t[p] : 0.0);
        }
    }
    printf("%d notes of 4 KB HTML, two tags and one attachment each; %d passes after a warm-up, "
           "order alternating (found %d / %d rows)\n",
           count, passes, storeFound, rawFound);
    for (int p = 0; p < Phases; ++p)
        printf("%-34s store %9.4f s   raw %9.4f s   median ratio %5.2f\n", kPhaseNames[p], Median(store[p]),
               Median(raw[p]), Median(ratio[p]));
    return 0;
}
