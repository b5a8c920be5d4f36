// The notes model's load beside the store's: a notebook of N notes (default 10,000) in 200
// folders with 500 tags is written once; then the store alone reads the same rows (notes,
// folders, tags with their links) and the notebook loads them; then the root's notes are sorted
// by every key. The figure to watch is the ratio model / store. Run by hand:
// bench_model.exe [notes]
#include "Notebook.h"
#include <sqlite3.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double Seconds()
{
    static LARGE_INTEGER freq = {};
    if (!freq.QuadPart)
        QueryPerformanceFrequency(&freq);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)freq.QuadPart;
}

void Populate(DB::CPeloraDatabase& db, int notes, int folders, int tags)
{
    sqlite3_exec(db.GetHandle(), "BEGIN", nullptr, nullptr, nullptr);
    std::vector<int> folderIds;
    for (int i = 0; i < folders; ++i) {
        DB::CItemFolder f;
        f.folder_id.Format(L"fld%05d", i);
        f.folder_name.Format(L"Folder %d", i);
        f.parent_id = L"usr_folder";
        if (i >= 20)
            f.parent_id.Format(L"fld%05d", i % 20);
        db.CreateFolder(&f);
        folderIds.push_back(f.itemid);
    }
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

// What the store alone does for the same rows: every note, folder and tag row, and every tag's links.
double StoreOnlyLoad(DB::CPeloraDatabase& db)
{
    double start = Seconds();
    DB::CItemNote noteFilter;
    noteFilter.filter_mask = DB::FilterRemoved;
    DB::CItemList notes;
    db.GetNoteList(&noteFilter, &notes);
    DB::CItemFolder folderFilter;
    DB::CItemList folders;
    db.GetFolderList(&folderFilter, &folders, 0);
    DB::CItemList tags;
    db.TagGetList(&tags, 0, 0);
    POSITION pos = tags.GetHeadPosition();
    while (pos) {
        DB::CItemTag* t = static_cast<DB::CItemTag*>(tags.GetNext(pos));
        int count = 0;
        delete[] db.TagGetNoteList(t->itemid, &count);
    }
    return Seconds() - start;
}

} // namespace

int main(int argc, char** argv)
{
    int notes = argc > 1 ? atoi(argv[1]) : 10000;
    if (notes < 1)
        notes = 10000;
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

    double store = StoreOnlyLoad(db);
    Pelora::CNotebook book(&db);
    double start = Seconds();
    book.LoadNotebook();
    double model = Seconds() - start;
    printf("load: store %.3f s, model %.3f s, ratio %.2f (target at most 2)\n", store, model,
           store > 0 ? model / store : 0.0);
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
