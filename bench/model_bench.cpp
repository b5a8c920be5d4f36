// The notes model's load beside plain SQLite: a notebook of N notes (default 10,000) in 200
// folders with 500 tags is written once; then plain statements read the rows the load reads
// (reminders, notes, folders, tags and saved searches with their counts, every link) into plain
// records, and the notebook loads them, warm, several passes in alternating order; the ratio
// printed is the median of the per-pass ratios model / raw. Then the root's notes are sorted by
// every key. Run by hand: bench_model.exe [notes] [passes]
#include "Notebook.h"
#include "bench_clock.h"
#include "bench_store.h"
#include <sqlite3.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Populate(DB::CPeloraDatabase& db, int notes, int folders, int tags)
{
    sqlite3_exec(db.GetHandle(), "BEGIN", nullptr, nullptr, nullptr);
    std::vector<int> folderIds = MakeFolders(db, folders);
    std::vector<int> tagIds;
    for (int i = 0; i < tags; ++i) {
        DB::CItemTag t;
        t.tag_name.Format(L"tag %d", i);
        t.tag_flags = 0x8000;
        db.TagCreate(&t, 0);
        tagIds.push_back(t.itemid);
    }
    for (int i = 0; i < notes; ++i) {
        DB::CItemNote n;
        n.note_id.Format(L"note%011d", i);
        n.note_title.Format(L"Note %d %c", (i * 7919) % notes, L'a' + i % 26);
        n.folder_id = folderIds[i % folders];
        n.date_create = 1000000 + (i * 31) % 99991;
        n.date_update = n.date_update_user = 2000000 + (i * 17) % 99991;
        n.num_tasks = i % 5;
        n.b_shared = i % 3 == 0;
        n.editable = 1;
        n.content_size = (i * 13) % 8000;
        db.CreateNote(&n);
        db.UpdateNoteTags(tagIds[i % tags], n.itemid);
        db.UpdateNoteTags(tagIds[(i * 7) % tags], n.itemid);
    }
    sqlite3_exec(db.GetHandle(), "COMMIT", nullptr, nullptr, nullptr);
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

// Every row of a query into plain records: integers as they are, texts as wide strings.
struct RawRow {
    std::vector<int> ints;
    std::vector<std::wstring> texts;
};

void ReadAll(sqlite3* db, const char* sql, std::vector<RawRow>& out)
{
    sqlite3_stmt* st = Prepare(db, sql);
    while (sqlite3_step(st) == SQLITE_ROW) {
        RawRow row;
        for (int c = 0, n = sqlite3_column_count(st); c < n; ++c) {
            if (sqlite3_column_type(st, c) == SQLITE_TEXT)
                row.texts.emplace_back((const wchar_t*)sqlite3_column_text16(st, c));
            else
                row.ints.push_back(sqlite3_column_int(st, c));
        }
        out.push_back(std::move(row));
    }
    sqlite3_finalize(st);
}

// The rows the notebook's load reads, read with plain SQLite: reminders, the notes that are not
// removed, the folders, the tags and saved searches with their note counts, and every link.
double RawLoad(sqlite3* db)
{
    double start = Seconds();
    std::vector<RawRow> reminders, notes, folders, tags, searches, links;
    ReadAll(db, "SELECT itemid, reminder_id, note_id, b_valid, time_initial, time_to_run, repeat, completed, geo_lat, "
                "geo_lng, priority, type_reminder FROM reminders", reminders);
    ReadAll(db, "SELECT itemid, note_id, folder_id, prn_index, date_create, date_update, date_update_user, "
                "preview_id, content_id, note_title, sav_fld_id, b_syncdirty, b_removed, b_shared, sync_priority, "
                "sync_timestamp, num_tasks, num_attaches, editable, total_size, content_size, crypt_type FROM notes "
                "WHERE b_removed=0", notes);
    ReadAll(db, "SELECT itemid, folder_id, parent_id, folder_name, type, tags, sav_prn_id, b_syncdirty, b_removed, "
                "flags, date_create, date_update, order_value FROM folders WHERE b_removed=0", folders);
    const char* tagSql = "SELECT tag_list.itemid, tag_list.tag_name, tag_list.order_value, tag_list.tag_flags, "
                         "COUNT(note_id) FROM tag_list LEFT OUTER JOIN tag_links ON tag_list.itemid = tag_links.tag_id "
                         "WHERE (trashed=0 OR trashed IS NULL) AND tag_type=%d GROUP BY tag_name ORDER BY tag_name ASC";
    char sql[512];
    snprintf(sql, sizeof sql, tagSql, 0);
    ReadAll(db, sql, tags);
    snprintf(sql, sizeof sql, tagSql, 1);
    ReadAll(db, sql, searches);
    ReadAll(db, "SELECT tag_id, note_id FROM tag_links WHERE (trashed=0 OR trashed IS NULL)", links);
    return Seconds() - start;
}

double ModelLoad(DB::CPeloraDatabase& db)
{
    Pelora::CNotebook book(&db);
    double start = Seconds();
    book.LoadNotebook();
    double t = Seconds() - start;
    book.UnloadNotebook();
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
    int notes = argc > 1 ? atoi(argv[1]) : 10000;
    if (notes < 1)
        notes = 10000;
    int passes = argc > 2 ? atoi(argv[2]) : 5;
    if (passes < 1)
        passes = 5;
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    CString path;
    path.Format(L"%spelora_model_bench_%lu.db", tmp, GetCurrentProcessId());
    DeleteFileW(path);

    DB::CPeloraDatabase db;
    if (!db.OpenDatabase(path, 1)) {
        fprintf(stderr, "cannot open the database\n");
        return 1;
    }
    double t0 = Seconds();
    Populate(db, notes, 200, 500);
    printf("write %d notes, 200 folders, 500 tags: %.3f s\n", notes, Seconds() - t0);

    // one untimed run of each warms the file cache; then passes in alternating order
    RawLoad(db.GetHandle());
    ModelLoad(db);
    std::vector<double> raws, models, ratios;
    for (int pass = 0; pass < passes; ++pass) {
        double r, m;
        if (pass % 2 == 0) {
            r = RawLoad(db.GetHandle());
            m = ModelLoad(db);
        } else {
            m = ModelLoad(db);
            r = RawLoad(db.GetHandle());
        }
        raws.push_back(r);
        models.push_back(m);
        ratios.push_back(r > 0 ? m / r : 0.0);
    }
    printf("load (%d passes): raw SQLite %.4f s, model %.4f s, median ratio %.2f\n", passes, Median(raws),
           Median(models), Median(ratios));

    Pelora::CNotebook book(&db);
    book.LoadNotebook();
    printf("root notes %d, tags %d\n", book.GetRoot()->GetNoteCount(), book.GetTagList()->GetCount());

    std::vector<Pelora::CNoteItem*> base;
    book.GetRoot()->CopyNotes(base);
    const struct { int type; const char* name; } keys[] = {
        {0, "name"}, {2, "date modified"}, {4, "date created"}, {6, "size"}, {8, "to-do"},
        {10, "shared"}, {12, "reminder"}, {16, "user order"},
    };
    for (const auto& k : keys) {
        for (int dir = 0; dir < 2; ++dir) {
            std::vector<Pelora::CNoteItem*> arr = base;
            double s = Seconds();
            book.GetSortEngine()->Sort(k.type + dir, arr.data(), (int)arr.size());
            printf("sort by %-13s %s: %.3f s\n", k.name, dir ? "desc" : "asc ", Seconds() - s);
        }
    }
    book.UnloadNotebook();
    db.CloseDatabase();
    DeleteFileW(path);
    return 0;
}
