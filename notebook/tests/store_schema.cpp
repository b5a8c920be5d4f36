// The database file: schema, upgrades at opening, params, refused files, the text functions.
#include "store_fixture.h"

using namespace StoreTest;

namespace {

struct Column { const char* name; const char* type; const char* dflt; };

struct TableSpec {
    const char* name;
    std::vector<Column> columns;
};

const char* const KEY = "KEY";

// The stored format every version of the program reads and writes.
const std::vector<TableSpec>& Schema()
{
    static const std::vector<TableSpec> schema = {
        {"folders", {{"itemid", KEY, nullptr}, {"folder_id", "TEXT", nullptr}, {"parent_id", "TEXT", nullptr},
                     {"folder_name", "TEXT", nullptr}, {"type", "INTEGER", "0"}, {"tags", "TEXT", nullptr},
                     {"sav_prn_id", "TEXT", nullptr}, {"b_syncdirty", "INTEGER", "0"}, {"b_removed", "INTEGER", "0"},
                     {"flags", "INTEGER", "0"}, {"date_create", "INTEGER", "0"}, {"date_update", "INTEGER", "0"},
                     {"order_value", "INTEGER", "0"}}},
        {"notes", {{"itemid", KEY, nullptr}, {"note_id", "TEXT(20)", nullptr}, {"folder_id", "INTEGER", "0"},
                   {"prn_index", "INTEGER", "0"}, {"date_create", "INTEGER", "0"}, {"date_update", "INTEGER", "0"},
                   {"date_update_user", "INTEGER", "0"}, {"preview_id", "INTEGER", "0"}, {"content_id", "INTEGER", "0"},
                   {"note_title", "TEXT", nullptr}, {"sav_fld_id", "INTEGER", "0"}, {"b_syncdirty", "INTEGER", "0"},
                   {"b_removed", "INTEGER", "0"}, {"b_shared", "INTEGER", "0"}, {"sync_priority", "INTEGER", "0"},
                   {"sync_timestamp", "INTEGER", "0"}, {"num_tasks", "INTEGER", "0"}, {"num_attaches", "INTEGER", "0"},
                   {"editable", "INTEGER", "0"}, {"total_size", "INTEGER", "0"}, {"content_size", "INTEGER", "0"},
                   {"crypt_type", "INTEGER", "0"}}},
        {"notes_preview", {{"pview_id", KEY, nullptr}, {"preview_text", "TEXT", nullptr}, {"width", "INTEGER", "0"},
                           {"height", "INTEGER", "0"}, {"preview_size", "INTEGER", "0"}, {"preview_image", "BLOB", nullptr}}},
        {"notes_content", {{"idrec", KEY, nullptr}, {"data", "BLOB", nullptr}, {"size", "INTEGER", "0"},
                           {"owner", "TEXT", nullptr}, {"url", "TEXT", nullptr}, {"geo_str1", "TEXT", nullptr},
                           {"geo_str2", "TEXT", nullptr}, {"page_color", "INTEGER", "0"}}},
        {"notes_sort_data", {{"idrec", KEY, nullptr}, {"fld_id", "TEXT", nullptr}, {"sub_id", "INTEGER", "0"},
                             {"sort_data", "BLOB", nullptr}, {"sort_size", "INTEGER", "0"}}},
        {"attaches", {{"itemid", KEY, nullptr}, {"attach_id", "TEXT", nullptr}, {"note_id", "TEXT", nullptr},
                      {"hash", "TEXT", nullptr}, {"filename", "TEXT", nullptr}, {"type", "INTEGER", "0"},
                      {"mime", "TEXT", nullptr}, {"date_create", "INTEGER", "0"}, {"date_update", "INTEGER", "0"},
                      {"data", "BLOB", nullptr}, {"size", "INTEGER", nullptr}, {"b_syncdirty", "INTEGER", "0"},
                      {"b_removed", "INTEGER", "0"}, {"sync_priority", "INTEGER", "0"}, {"sync_url", "TEXT", nullptr},
                      {"srv_id", "TEXT", nullptr}, {"flags", "INTEGER", "0"}}},
        {"tasks", {{"itemid", KEY, nullptr}, {"task_id", "TEXT", nullptr}, {"note_id", "TEXT", nullptr},
                   {"task_info", "TEXT", nullptr}, {"task_prn_id", "TEXT", nullptr}, {"b_checked", "INTEGER", "0"},
                   {"date_create", "INTEGER", "0"}, {"date_update", "INTEGER", "0"}}},
        {"params", {{"param", "TEXT", nullptr}, {"value", "TEXT", nullptr}}},
        {"tag_list", {{"itemid", KEY, nullptr}, {"tag_name", "TEXT", nullptr}, {"tag_type", "INTEGER", "0"},
                      {"order_value", "INTEGER", "0"}, {"tag_flags", "INTEGER", "0"}}},
        {"tag_links", {{"itemid", KEY, nullptr}, {"tag_id", "INTEGER", "0"}, {"note_id", "INTEGER", "0"},
                       {"trashed", "INTEGER", "0"}}},
        {"reminders", {{"itemid", KEY, nullptr}, {"reminder_id", "TEXT", nullptr}, {"note_id", "TEXT", nullptr},
                       {"b_valid", "INTEGER", "0"}, {"time_initial", "INTEGER", "0"}, {"time_to_run", "INTEGER", "0"},
                       {"repeat", "INTEGER", "0"}, {"completed", "INTEGER", "0"}, {"geo_lat", "TEXT", nullptr},
                       {"geo_lng", "TEXT", nullptr}, {"priority", "INTEGER", "0"}, {"type_reminder", "INTEGER", "0"}}},
        {"encryption_keys", {{"itemid", KEY, nullptr}, {"uuid", "TEXT", nullptr}, {"keyinfo", "TEXT", nullptr},
                             {"flags", "INTEGER", "0"}}},
    };
    return schema;
}

std::string FileDigest(const CString& path) { return ReadFileBytes(path); }

} // namespace

class StoreSchema : public StoreFixture {};

TEST_F(StoreSchema, NewFileHasTheTwelveTablesExactly)
{
    EXPECT_EQ(QueryInt(Raw(), "SELECT count(*) FROM sqlite_master WHERE type='table' AND name<>'sqlite_sequence'"), 12);
    for (const TableSpec& t : Schema()) {
        std::string sql = std::string("PRAGMA table_info(") + t.name + ")";
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(Raw(), sql.c_str(), -1, &st, nullptr), SQLITE_OK);
        size_t i = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            ASSERT_LT(i, t.columns.size()) << t.name;
            const Column& c = t.columns[i++];
            std::string name = (const char*)sqlite3_column_text(st, 1);
            std::string type = (const char*)sqlite3_column_text(st, 2);
            const char* dflt = (const char*)sqlite3_column_text(st, 4);
            EXPECT_EQ(name, c.name) << t.name;
            if (c.type == KEY) {
                EXPECT_EQ(type, "INTEGER") << t.name;
                EXPECT_EQ(sqlite3_column_int(st, 5), 1) << t.name << " key";
            } else {
                EXPECT_EQ(type, c.type) << t.name << "." << c.name;
                EXPECT_EQ(dflt ? std::string(dflt) : std::string("<null>"), c.dflt ? c.dflt : "<null>")
                    << t.name << "." << c.name;
            }
        }
        sqlite3_finalize(st);
        EXPECT_EQ(i, t.columns.size()) << t.name;
    }
    std::string notes = QueryText(Raw(), "SELECT sql FROM sqlite_master WHERE name='notes'");
    EXPECT_NE(notes.find("itemid INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL"), std::string::npos);
}

TEST_F(StoreSchema, OpeningWritesVersionSpecialFoldersAndPagesOnce)
{
    CString version;
    ASSERT_TRUE(db.GetParam(L"DbVersion", version));
    EXPECT_STREQ(version.GetString(), L"1");
    const char* expected[] = {"default|", "usr_folder|", "trash|", "conflict_folder|usr_folder"};
    for (int i = 0; i < 4; ++i) {
        std::string row = QueryText(Raw(), ("SELECT folder_id || '|' || parent_id FROM folders WHERE itemid=" +
                                            std::to_string(i + 1)).c_str());
        EXPECT_EQ(row, expected[i]);
    }
    EXPECT_EQ(QueryText(Raw(), "SELECT folder_name || '/' || type FROM folders WHERE folder_id='default'"), "My Notes/2");
    EXPECT_EQ(QueryText(Raw(), "SELECT folder_name || '/' || type FROM folders WHERE folder_id='trash'"), "Trash/3");
    EXPECT_EQ(db.conflict_folder_itemid, 4);
    EXPECT_EQ(Count("attaches", "note_id='sys_record'"), 12);

    db.CloseDatabase();
    ASSERT_EQ(db.OpenDatabase(path, 0), 1);
    EXPECT_EQ(Count("folders"), 4);
    EXPECT_EQ(Count("attaches"), 12);
    EXPECT_EQ(Count("params", "param='DbVersion'"), 1);
    EXPECT_EQ(db.GetDatabasePath(), path);
}

TEST_F(StoreSchema, OpeningRepairsConflictsFolderAndOldTopFolder)
{
    ASSERT_TRUE(Exec(Raw(), "UPDATE folders SET folder_name='X', type=0, flags=4, b_syncdirty=1 "
                            "WHERE folder_id='conflict_folder'"));
    ASSERT_TRUE(Exec(Raw(), "INSERT INTO folders (folder_id, parent_id, folder_name) VALUES ('f1', 'root_folder', 'Old')"));
    db.CloseDatabase();
    ASSERT_EQ(db.OpenDatabase(path, 0), 1);
    // the conflicts folder is set back
    EXPECT_EQ(Count("folders", "folder_id='conflict_folder'"), 1);
    EXPECT_EQ(QueryText(Raw(), "SELECT parent_id || folder_name || type || b_syncdirty || flags FROM folders "
                               "WHERE folder_id='conflict_folder'"),
              "usr_folderConflicts100");
    EXPECT_EQ(QueryText(Raw(), "SELECT parent_id || '/' || b_syncdirty FROM folders WHERE folder_id='f1'"), "usr_folder/1");
}

// A file of an older version lacks a column: opening adds it (and fills content_size).
TEST_F(StoreSchema, EveryUpgradeAddsItsMissingColumn)
{
    const char* upgrades[][2] = {
        {"folders", "flags"},       {"folders", "date_create"}, {"folders", "date_update"},
        {"folders", "order_value"}, {"tag_list", "order_value"}, {"tag_list", "tag_flags"},
        {"tag_links", "trashed"},   {"notes", "content_size"},  {"notes", "date_update_user"},
        {"notes", "crypt_type"},    {"notes_content", "page_color"}, {"reminders", "time_initial"},
        {"reminders", "type_reminder"}, {"attaches", "flags"},
    };
    for (auto& up : upgrades) {
        SCOPED_TRACE(std::string(up[0]) + "." + up[1]);
        ASSERT_TRUE(Exec(Raw(), (std::string("ALTER TABLE ") + up[0] + " DROP COLUMN " + up[1]).c_str()));
        if (std::string(up[1]) == "content_size") {
            ASSERT_TRUE(Exec(Raw(), "INSERT INTO notes_content (idrec, size) VALUES (500, 77)"));
            ASSERT_TRUE(Exec(Raw(), "INSERT INTO notes (note_id, content_id) VALUES ('n1', 500)"));
        }
        db.CloseDatabase();
        ASSERT_EQ(db.OpenDatabase(path, 0), 1) << db.GetOpenErrorText().GetString();
        std::string probe = std::string("SELECT count(") + up[1] + ") FROM " + up[0];
        EXPECT_GE(QueryInt(Raw(), probe.c_str()), 0);
    }
    EXPECT_EQ(QueryInt(Raw(), "SELECT content_size FROM notes WHERE note_id='n1'"), 77);

    // with the column present nothing is recomputed
    ASSERT_TRUE(Exec(Raw(), "UPDATE notes SET content_size=5 WHERE note_id='n1'"));
    db.CloseDatabase();
    ASSERT_EQ(db.OpenDatabase(path, 0), 1);
    EXPECT_EQ(QueryInt(Raw(), "SELECT content_size FROM notes WHERE note_id='n1'"), 5);
}

// Every lookup of a row by a text id or a link column goes through an index, not a scan of
// its table; a file without the indexes (an older one) gets them at its next opening.
TEST_F(StoreSchema, LookupsUseIndexes)
{
    struct Case { const char* query; const char* index; } cases[] = {
        {"SELECT * FROM attaches WHERE itemid>0 AND attach_id='a'", "idx_attaches_attach_id"},
        {"SELECT * FROM attaches WHERE itemid>0 AND note_id='n'", "idx_attaches_note_id"},
        {"UPDATE attaches SET data=1 WHERE attach_id='a' AND note_id='n'", "idx_attaches_"},
        {"SELECT * FROM notes WHERE note_id='n'", "idx_notes_note_id"},
        {"UPDATE notes SET b_syncdirty=0 WHERE note_id='n'", "idx_notes_note_id"},
        {"SELECT * FROM folders WHERE itemid>0 AND folder_id='f'", "idx_folders_folder_id"},
        {"SELECT note_id FROM tag_links WHERE (trashed=0 OR trashed IS NULL) AND tag_id=3", "idx_tag_links_tag_id"},
        {"UPDATE tag_links SET trashed=1 WHERE note_id=5", "idx_tag_links_note_id"},
        {"SELECT * FROM tasks WHERE itemid>0 AND note_id='n'", "idx_tasks_note_id"},
        {"UPDATE tasks SET b_checked=1 WHERE task_id='t'", "idx_tasks_task_id"},
        {"SELECT * FROM reminders WHERE itemid>0 AND note_id='n'", "idx_reminders_note_id"},
        {"UPDATE reminders SET b_valid=0 WHERE reminder_id='r'", "idx_reminders_reminder_id"},
        {"SELECT sort_data FROM notes_sort_data WHERE fld_id='f' AND sub_id=0", "idx_notes_sort_data_fld_id"},
    };
    auto plan = [&](const char* query) {
        std::string detail;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(Raw(), (std::string("EXPLAIN QUERY PLAN ") + query).c_str(), -1, &st, nullptr) == SQLITE_OK)
            while (sqlite3_step(st) == SQLITE_ROW)
                detail += std::string((const char*)sqlite3_column_text(st, 3)) + "; ";
        sqlite3_finalize(st);
        return detail;
    };
    for (int round = 0; round < 2; ++round) {
        for (const Case& c : cases)
            EXPECT_NE(plan(c.query).find(c.index), std::string::npos) << c.query << " -> " << plan(c.query);
        // an older file: no index of ours; the next opening makes them
        std::vector<std::string> names;
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(Raw(), "SELECT name FROM sqlite_master WHERE type='index' AND name LIKE 'idx_%'", -1, &st,
                           nullptr);
        while (sqlite3_step(st) == SQLITE_ROW)
            names.push_back((const char*)sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
        EXPECT_EQ(names.size(), 11u);
        for (const std::string& name : names)
            ASSERT_TRUE(Exec(Raw(), ("DROP INDEX " + name).c_str()));
        EXPECT_EQ(plan(cases[0].query).find("idx_"), std::string::npos);
        db.CloseDatabase();
        ASSERT_EQ(db.OpenDatabase(path, 0), 1);
    }
}

// The current database is the newest one alive, whatever order the objects go in.
TEST_F(StoreSchema, CurrentDatabaseNeverDangles)
{
    DB::CPeloraDatabase* base = DB::CPeloraDatabase::GetCurrent();
    ASSERT_EQ(base, &db);
    for (bool newestFirst : {false, true}) {
        DB::CPeloraDatabase* a = new DB::CPeloraDatabase;
        DB::CPeloraDatabase* b = new DB::CPeloraDatabase;
        EXPECT_EQ(DB::CPeloraDatabase::GetCurrent(), b);
        delete (newestFirst ? b : a);
        EXPECT_EQ(DB::CPeloraDatabase::GetCurrent(), newestFirst ? a : b);
        delete (newestFirst ? a : b);
        EXPECT_EQ(DB::CPeloraDatabase::GetCurrent(), base);
    }
}

TEST_F(StoreSchema, ParamsKeepOneRowAndAnyText)
{
    ASSERT_TRUE(db.SetParam(L"last_update_time", "123"));
    ASSERT_TRUE(db.SetParam(L"last_update_time", "456"));
    EXPECT_EQ(Count("params", "param='last_update_time'"), 1);
    CString value = L"untouched";
    EXPECT_FALSE(db.GetParam(L"no such param", value));
    EXPECT_STREQ(value.GetString(), L"untouched");

    const wchar_t* odd = L"O'Brien's \x041F\x0430\x043F\x043A\x0430 'x'); DROP TABLE notes; --";
    ASSERT_TRUE(db.SetParam(L"it's mine", CString(odd)));
    ASSERT_TRUE(db.GetParam(L"it's mine", value));
    EXPECT_STREQ(value.GetString(), odd);
    EXPECT_EQ(Count("notes"), 0);
}

TEST(StoreClosed, OperationsOnAClosedStoreDoNothing)
{
    ErrorCounter errors;
    DB::CPeloraDatabase db;
    EXPECT_FALSE(db.SetParam(L"a", CString(L"b")));
    EXPECT_EQ(SQLite3::ExecuteSql(nullptr, L"SELECT 1", 1), 1);
    DB::CItemNote note;
    note.note_id = L"x";
    EXPECT_EQ(db.CreateNote(&note), 0);
    EXPECT_EQ(db.GetAttachesPath(), CString());
    EXPECT_EQ(ErrorCounter::count, 0);
}

// Files the store must refuse, each with its reason, and never change.
TEST(StoreOpen, RefusedFilesAreLeftAsTheyAre)
{
    CString dir = MakeTempDir();
    DB::CPeloraDatabase db;
    db.SetBusyTimeout(50);

    // missing, creation not allowed: nothing is made
    EXPECT_EQ(db.OpenDatabase(dir + L"missing.db", 0), 0);
    EXPECT_EQ(db.GetOpenError(), DB::OpenMissing);
    EXPECT_EQ(GetFileAttributesW(dir + L"missing.db"), INVALID_FILE_ATTRIBUTES);
    // a folder at the path
    EXPECT_EQ(db.OpenDatabase(dir, 1), 0);
    EXPECT_EQ(db.GetOpenError(), DB::OpenMissing);

    // not a database
    CString junk = dir + L"junk.db";
    std::string junkBytes(4096, 'J');
    WriteFileBytes(junk, junkBytes);
    EXPECT_EQ(db.OpenDatabase(junk, 0), 0);
    EXPECT_EQ(db.GetOpenError(), DB::OpenCorrupt);
    EXPECT_FALSE(db.GetOpenErrorText().IsEmpty());
    EXPECT_EQ(ReadFileBytes(junk), junkBytes);

    // written by a newer version
    CString newer = dir + L"newer.db";
    ASSERT_EQ(db.OpenDatabase(newer, 1), 1);
    ASSERT_TRUE(Exec(db.GetHandle(), "UPDATE params SET value='2' WHERE param='DbVersion'"));
    db.CloseDatabase();
    std::string before = FileDigest(newer);
    EXPECT_EQ(db.OpenDatabase(newer, 0), 0);
    EXPECT_EQ(db.GetOpenError(), DB::OpenNewerVersion);
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(FileDigest(newer), before);

    // locked by another connection
    CString locked = dir + L"locked.db";
    ASSERT_EQ(db.OpenDatabase(locked, 1), 1);
    db.CloseDatabase();
    sqlite3* other = nullptr;
    char utf8[MAX_PATH * 3];
    WideCharToMultiByte(CP_UTF8, 0, locked, -1, utf8, sizeof utf8, nullptr, nullptr);
    ASSERT_EQ(sqlite3_open(utf8, &other), SQLITE_OK);
    ASSERT_TRUE(Exec(other, "BEGIN EXCLUSIVE; INSERT INTO params (param, value) VALUES ('x', 'y');"));
    EXPECT_EQ(db.OpenDatabase(locked, 0), 0);
    EXPECT_EQ(db.GetOpenError(), DB::OpenLocked);
    Exec(other, "ROLLBACK");
    sqlite3_close(other);
    EXPECT_EQ(db.OpenDatabase(locked, 0), 1);
    db.CloseDatabase();

    // read-only
    CString ro = dir + L"ro.db";
    ASSERT_EQ(db.OpenDatabase(ro, 1), 1);
    db.CloseDatabase();
    before = FileDigest(ro);
    ASSERT_TRUE(SetFileAttributesW(ro, FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(db.OpenDatabase(ro, 0), 0);
    EXPECT_EQ(db.GetOpenError(), DB::OpenReadOnly);
    EXPECT_EQ(FileDigest(ro), before);
    SetFileAttributesW(ro, FILE_ATTRIBUTE_NORMAL);
    RemoveTree(dir);
}

// A write that does not fit fails and leaves nothing behind.
TEST_F(StoreSchema, FullDiskFailsCleanly)
{
    ErrorCounter errors;
    int order[3] = {7, 8, 9};
    ASSERT_EQ(db.UpdateSortData(L"default", 0, order, 3), 1);
    int pages = QueryInt(Raw(), "PRAGMA page_count");
    ASSERT_TRUE(Exec(Raw(), ("PRAGMA max_page_count=" + std::to_string(pages + 2)).c_str()));

    DB::CItemNote note;
    note.note_id = L"big";
    note.RelocateContentBuffer(1 << 20, 1);
    EXPECT_EQ(db.NoteUpdateContent(&note), 0);
    EXPECT_EQ(note.content_id, 0);
    EXPECT_EQ(Count("notes_content"), 0);

    std::vector<int> big(200000, 5);
    EXPECT_EQ(db.UpdateSortData(L"default", 0, big.data(), (int)big.size()), 0);
    int* buffer = nullptr;
    unsigned count = 0;
    db.GetSortData(L"default", 0, buffer, count);
    ASSERT_EQ(count, 3u);   // the old order survived
    EXPECT_EQ(buffer[2], 9);
    delete[] buffer;
}

TEST_F(StoreSchema, TextFunctionsFoldLatinAndCyrillicCase)
{
    struct Case { const char* sql; int expected; } cases[] = {
        {"SELECT CharIndexUTF8('Ab', 'xxaB')", 2},
        {"SELECT CharIndexUTF8('Ab', 'xxaB', 5)", 2},          // the start argument is ignored
        {"SELECT CharIndexUTF8('zz', 'xxaB')", -1},
        {"SELECT CharIndexUTF8(NULL, 'xxaB')", 0},
        {"SELECT CharIndexUTF8('a', NULL)", -1},               // no text holds no word
        {"SELECT CharIndexUTF8('\xD1\x8F', '\xD0\xAF\xD0\x91\xD0\x9B\xD0\x9E\xD0\x9A\xD0\x9E')", 0},  // я in ЯБЛОКО
        {"SELECT CharIndexUTF8('\xD0\xBB\xD0\xBE\xD0\x9A', '\xD0\xAF\xD0\x91\xD0\x9B\xD0\x9E\xD0\x9A\xD0\x9E')", 2},
        {"SELECT CharIndexUNICODE('BC', CAST(X'610062006300' AS BLOB))", 1},
        {"SELECT CharIndexUNICODE('c', CAST(X'6100000063000000' AS BLOB))", -1},  // stops at the first zero
        {"SELECT CharIndexUNICODE('a', NULL)", -1},
        {"SELECT CharIndexUNICODE('a', X'')", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QueryInt(Raw(), c.sql), c.expected) << c.sql;
    EXPECT_EQ(SQLite3::CharIndexNoCase(L"\x0401", 1, L"\x0451\x0436", 2), 0);   // Ё / ё
}
