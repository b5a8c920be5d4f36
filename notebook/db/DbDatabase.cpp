// The database object: opening with schema creation and upgrades, and the params table.
#include "DbStatement.h"
#include "ActivityLog.h"
#include "BinRes.h"
#include "TextConv.h"
#include <algorithm>
#include <vector>

using namespace DB::Detail;

namespace DB {

namespace {

// Every live database object, oldest first: GetCurrent answers the newest, whatever order
// the objects are destroyed in.
SRWLOCK g_liveLock = SRWLOCK_INIT;
std::vector<CPeloraDatabase*> g_live;

// The twelve tables in the order they are created.
const char* const kTables[] = {
    "CREATE TABLE IF NOT EXISTS folders (itemid INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, folder_id TEXT, "
    "parent_id TEXT, folder_name TEXT, type INTEGER DEFAULT 0, tags TEXT, sav_prn_id TEXT, "
    "b_syncdirty INTEGER DEFAULT 0, b_removed INTEGER DEFAULT 0, flags INTEGER DEFAULT 0, "
    "date_create INTEGER DEFAULT 0, date_update INTEGER DEFAULT 0, order_value INTEGER DEFAULT 0);",

    "CREATE TABLE IF NOT EXISTS notes (itemid INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, note_id TEXT(20), "
    "folder_id INTEGER DEFAULT 0, prn_index INTEGER DEFAULT 0, date_create INTEGER DEFAULT 0, "
    "date_update INTEGER DEFAULT 0, date_update_user INTEGER DEFAULT 0, preview_id INTEGER DEFAULT 0, "
    "content_id INTEGER DEFAULT 0, note_title TEXT, sav_fld_id INTEGER DEFAULT 0, b_syncdirty INTEGER DEFAULT 0, "
    "b_removed INTEGER DEFAULT 0, b_shared INTEGER DEFAULT 0, sync_priority INTEGER DEFAULT 0, "
    "sync_timestamp INTEGER DEFAULT 0, num_tasks INTEGER DEFAULT 0, num_attaches INTEGER DEFAULT 0, "
    "editable INTEGER DEFAULT 0, total_size INTEGER DEFAULT 0, content_size INTEGER DEFAULT 0, "
    "crypt_type INTEGER DEFAULT 0);",

    "CREATE TABLE IF NOT EXISTS notes_preview (pview_id INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, "
    "preview_text TEXT, width INTEGER DEFAULT 0, height INTEGER DEFAULT 0, preview_size INTEGER DEFAULT 0, "
    "preview_image BLOB);",

    "CREATE TABLE IF NOT EXISTS notes_content (idrec INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, data BLOB, "
    "size INTEGER DEFAULT 0, owner TEXT, url TEXT, geo_str1 TEXT, geo_str2 TEXT, page_color INTEGER DEFAULT 0);",

    "CREATE TABLE IF NOT EXISTS notes_sort_data (idrec INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, fld_id TEXT, "
    "sub_id INTEGER DEFAULT 0, sort_data BLOB, sort_size INTEGER DEFAULT 0);",

    "CREATE TABLE IF NOT EXISTS attaches (itemid INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, attach_id TEXT, "
    "note_id TEXT, hash TEXT, filename TEXT, type INTEGER DEFAULT 0, mime TEXT, date_create INTEGER DEFAULT 0, "
    "date_update INTEGER DEFAULT 0, data BLOB, size INTEGER, b_syncdirty INTEGER DEFAULT 0, "
    "b_removed INTEGER DEFAULT 0, sync_priority INTEGER DEFAULT 0, sync_url TEXT, srv_id TEXT, "
    "flags INTEGER DEFAULT 0);",

    "CREATE TABLE IF NOT EXISTS tasks (itemid INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, task_id TEXT, "
    "note_id TEXT, task_info TEXT, task_prn_id TEXT, b_checked INTEGER DEFAULT 0, date_create INTEGER DEFAULT 0, "
    "date_update INTEGER DEFAULT 0);",

    "CREATE TABLE IF NOT EXISTS params (param TEXT, value TEXT);",

    "CREATE TABLE IF NOT EXISTS tag_list (itemid INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, tag_name TEXT, "
    "tag_type INTEGER DEFAULT 0, order_value INTEGER DEFAULT 0, tag_flags INTEGER DEFAULT 0);",

    "CREATE TABLE IF NOT EXISTS tag_links (itemid INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, "
    "tag_id INTEGER DEFAULT 0, note_id INTEGER DEFAULT 0, trashed INTEGER DEFAULT 0);",

    "CREATE TABLE IF NOT EXISTS reminders (itemid INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, reminder_id TEXT, "
    "note_id TEXT, b_valid INTEGER DEFAULT 0, time_initial INTEGER DEFAULT 0, time_to_run INTEGER DEFAULT 0, "
    "repeat INTEGER DEFAULT 0, completed INTEGER DEFAULT 0, geo_lat TEXT, geo_lng TEXT, "
    "priority INTEGER DEFAULT 0, type_reminder INTEGER DEFAULT 0);",

    "CREATE TABLE IF NOT EXISTS encryption_keys (itemid INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, uuid TEXT, "
    "keyinfo TEXT, flags INTEGER DEFAULT 0);",
};

// Lookups by a text id or a link column; without them every such lookup scans its table.
// Only indexes are added, so a file still opens with a program that does not know them.
const char* const kIndexes[] = {
    "CREATE INDEX IF NOT EXISTS idx_attaches_attach_id ON attaches (attach_id);",
    "CREATE INDEX IF NOT EXISTS idx_attaches_note_id ON attaches (note_id);",
    "CREATE INDEX IF NOT EXISTS idx_notes_note_id ON notes (note_id);",
    "CREATE INDEX IF NOT EXISTS idx_folders_folder_id ON folders (folder_id);",
    "CREATE INDEX IF NOT EXISTS idx_tag_links_tag_id ON tag_links (tag_id);",
    "CREATE INDEX IF NOT EXISTS idx_tag_links_note_id ON tag_links (note_id);",
    "CREATE INDEX IF NOT EXISTS idx_tasks_note_id ON tasks (note_id);",
    "CREATE INDEX IF NOT EXISTS idx_tasks_task_id ON tasks (task_id);",
    "CREATE INDEX IF NOT EXISTS idx_reminders_note_id ON reminders (note_id);",
    "CREATE INDEX IF NOT EXISTS idx_reminders_reminder_id ON reminders (reminder_id);",
    "CREATE INDEX IF NOT EXISTS idx_notes_sort_data_fld_id ON notes_sort_data (fld_id, sub_id);",
};

// Columns added to files written before they existed, in this order.
const struct { const char* table; const char* column; } kUpgrades[] = {
    {"folders", "flags"},        {"folders", "date_create"}, {"folders", "date_update"},
    {"folders", "order_value"},  {"tag_list", "order_value"}, {"tag_list", "tag_flags"},
    {"tag_links", "trashed"},    {"notes", "content_size"},  {"notes", "date_update_user"},
    {"notes", "crypt_type"},     {"notes_content", "page_color"}, {"reminders", "time_initial"},
    {"reminders", "type_reminder"}, {"attaches", "flags"},
};

// The store version this program writes; a file with a higher "DbVersion" is left alone.
const int kDbVersion = 1;

EOpenError ErrorFromCode(int rc, EOpenError fallback)
{
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return OpenLocked;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return OpenReadOnly;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return OpenCorrupt;
    default:
        return fallback;
    }
}

const wchar_t* DescribeError(EOpenError e)
{
    switch (e) {
    case OpenMissing: return L"The database file does not exist.";
    case OpenCannotOpen: return L"The database file cannot be opened.";
    case OpenReadOnly: return L"The database file cannot be written (read-only).";
    case OpenLocked: return L"The database file is locked by another program.";
    case OpenCorrupt: return L"The database file is damaged or is not a database.";
    case OpenNewerVersion: return L"The database file was written by a newer version of the program.";
    case OpenWriteFailed: return L"The database file could not be prepared (disk full or write error).";
    default: return L"";
    }
}

} // namespace

CPeloraDatabase::CPeloraDatabase()
{
    InitializeCriticalSection(&m_lock);
    AcquireSRWLockExclusive(&g_liveLock);
    g_live.push_back(this);
    ReleaseSRWLockExclusive(&g_liveLock);
}

CPeloraDatabase::~CPeloraDatabase()
{
    DB_OP("~CPeloraDatabase");
    StopNetService();
    CloseDatabase();
    AcquireSRWLockExclusive(&g_liveLock);
    auto it = std::find(g_live.begin(), g_live.end(), this);
    if (it != g_live.end())
        g_live.erase(it);
    bool last = g_live.empty();
    ReleaseSRWLockExclusive(&g_liveLock);
    // Only the last database object shuts the engine down; the engine starts again on demand.
    if (last)
        sqlite3_shutdown();
    DeleteCriticalSection(&m_lock);
}

CPeloraDatabase* CPeloraDatabase::GetCurrent()
{
    AcquireSRWLockShared(&g_liveLock);
    CPeloraDatabase* current = g_live.empty() ? nullptr : g_live.back();
    ReleaseSRWLockShared(&g_liveLock);
    return current;
}

CString CPeloraDatabase::GetDatabasePath() const
{
    CPeloraDatabase* self = const_cast<CPeloraDatabase*>(this);
    CStoreLock lock(self);
    return database_path;
}

void CPeloraDatabase::CloseLocked()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    database_path = L"";
    conflict_folder_itemid = 0;
}

void CPeloraDatabase::CloseDatabase()
{
    CStoreLock lock(this);
    CloseLocked();
}

void CPeloraDatabase::FailOpen(EOpenError error, const CString& text)
{
    m_openError = error;
    m_openErrorText = DescribeError(error);
    if (!text.IsEmpty())
        m_openErrorText += L" (" + text + L")";
    CLogStream log(LOG_LEVEL_STORE);
    log << "DB::CPeloraDatabase::OpenDatabase: " << m_openErrorText.GetString();
    log.End();
    CloseLocked();
}

int CPeloraDatabase::OpenDatabase(const wchar_t* path, int allowCreate)
{
    DB_OP("OpenDatabase");
    CStoreLock lock(this);
    CloseLocked();
    m_openError = OpenOk;
    m_openErrorText.Empty();
    if (!path || !*path) {
        FailOpen(OpenMissing, L"");
        return 0;
    }

    DWORD attrs = GetFileAttributesW(path);
    bool exists = attrs != INVALID_FILE_ATTRIBUTES;
    if ((exists && (attrs & FILE_ATTRIBUTE_DIRECTORY)) || (!exists && !allowCreate)) {
        FailOpen(OpenMissing, path);
        return 0;
    }

    // The engine would quietly open such a file read-only (or, for a privileged user, write it).
    if (exists && (attrs & FILE_ATTRIBUTE_READONLY)) {
        FailOpen(OpenReadOnly, path);
        return 0;
    }

    char* utf8 = nullptr;
    if (WideToUtf8(path, utf8) <= 0) {
        FailOpen(OpenCannotOpen, path);
        return 0;
    }
    // An existing file is only opened, never created anew.
    int openFlags = SQLITE_OPEN_READWRITE | (exists ? 0 : SQLITE_OPEN_CREATE);
    int rc = sqlite3_open_v2(utf8, &m_db, openFlags, nullptr);
    delete[] utf8;
    if (rc != SQLITE_OK || !m_db) {
        FailOpen(ErrorFromCode(rc, OpenCannotOpen), m_db ? CString(sqlite3_errmsg(m_db)) : CString());
        return 0;
    }
    sqlite3_extended_result_codes(m_db, 0);
    sqlite3_busy_timeout(m_db, m_busyTimeoutMs);
    if (sqlite3_db_readonly(m_db, "main") == 1) {
        FailOpen(OpenReadOnly, path);
        return 0;
    }

    // Read the header and the schema before anything is written: a damaged file, or one from a
    // newer version, is left exactly as it is.
    int tables = 0;
    {
        CStatement probe(m_db, "SELECT count(*) FROM sqlite_master WHERE type='table' AND name='params';", 0);
        rc = probe.PrepareResult();
        if (probe.Ok()) {
            rc = probe.Step();
            if (rc == SQLITE_ROW) {
                tables = probe.ColInt(0);
                rc = SQLITE_OK;
            }
        }
    }
    if (rc != SQLITE_OK) {
        FailOpen(ErrorFromCode(rc, OpenCorrupt), CString(sqlite3_errmsg(m_db)));
        return 0;
    }
    if (tables > 0) {
        CStatement version(m_db, "SELECT value FROM params WHERE param='DbVersion';", 0);
        if (version.Ok() && version.Row() && _wtoi(version.ColText(0)) > kDbVersion) {
            FailOpen(OpenNewerVersion, L"DbVersion " + version.ColText(0));
            return 0;
        }
    }

    // Every write of the opening is one transaction: a failure leaves the file as it was.
    rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        FailOpen(ErrorFromCode(rc, OpenWriteFailed), CString(sqlite3_errmsg(m_db)));
        return 0;
    }
    bool ok = CreateSchema();
    ok = ok && SetParam(L"DbVersion", CString(L"1"));
    ok = ok && CreateSpecialFolders();
    if (ok) {
        CItemFolder conflicts;
        conflicts.folder_id = L"conflict_folder";
        conflicts.parent_id = L"usr_folder";
        conflicts.folder_name = L"Conflicts";
        conflicts.type = 1;
        ok = UpdateFolder(&conflicts, 0) == 1;
    }
    if (ok) {
        // folders still under the old top id move under "usr_folder" and go up at the next sync
        ok = SQLite3::ExecuteSql(m_db, "UPDATE folders SET parent_id='usr_folder', b_syncdirty=1 "
                                       "WHERE parent_id='root_folder'", 0) == 0;
    }
    ok = ok && SaveSystemAttaches();
    ok = ok && FixBugOfTempname() == 1;
    if (ok)
        ok = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok) {
        rc = sqlite3_errcode(m_db);
        CString detail(sqlite3_errmsg(m_db));
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        FailOpen(ErrorFromCode(rc, OpenWriteFailed), detail);
        return 0;
    }

    {
        CItemFolder filter;
        filter.folder_id = L"conflict_folder";
        filter.parent_id = L"usr_folder";
        CItemList list;
        GetFolderList(&filter, &list, 0);
        if (!list.IsEmpty())
            conflict_folder_itemid = static_cast<CItemFolder*>(list.GetHead())->itemid;
    }
    SQLite3::RegisterTextFunctions(m_db);
    database_path = path;
    return 1;
}

bool CPeloraDatabase::CreateSchema()
{
    for (const char* sql : kTables) {
        if (SQLite3::ExecuteSql(m_db, sql, 1) != 0)
            return false;
    }
    for (const auto& up : kUpgrades) {
        int added = UpgradeColumn(up.table, up.column);
        if (added < 0)
            return false;
        if (added && strcmp(up.column, "content_size") == 0) {
            if (SQLite3::ExecuteSql(m_db, "UPDATE notes SET content_size=(SELECT size FROM notes_content "
                                          "WHERE idrec=notes.content_id)", 0) != 0)
                return false;
        }
    }
    for (const char* sql : kIndexes) {
        if (SQLite3::ExecuteSql(m_db, sql, 1) != 0)
            return false;
    }
    return true;
}

// 1 when the column was added, 0 when it was there, -1 when adding it failed.
int CPeloraDatabase::UpgradeColumn(const char* table, const char* column)
{
    {
        CStatement probe(m_db, Fmt("SELECT %s FROM %s;", column, table), 0);
        if (probe.Ok())
            return 0;
    }
    if (SQLite3::ExecuteSql(m_db, Fmt("ALTER TABLE %s ADD COLUMN %s INTEGER DEFAULT 0;", table, column).c_str(), 0) != 0)
        return -1;
    return 1;
}

bool CPeloraDatabase::CreateSpecialFolders()
{
    static const struct { const wchar_t* id; const wchar_t* parent; const wchar_t* name; int type; } kFolders[] = {
        {L"default", L"", L"My Notes", 2},
        {L"usr_folder", L"", L"User Folder", 0},
        {L"trash", L"", L"Trash", 3},
        {L"conflict_folder", L"usr_folder", L"Conflicts", 1},
    };
    for (const auto& f : kFolders) {
        CItemFolder rec;
        rec.folder_id = f.id;
        rec.parent_id = f.parent;
        rec.folder_name = f.name;
        rec.type = f.type;
        CItemList found;
        if (!GetFolderList(&rec, &found, 0))
            return false;
        if (found.IsEmpty() && CreateFolder(&rec) != 1)
            return false;
    }
    return true;
}

bool CPeloraDatabase::SaveSystemAttaches()
{
    static const struct { const wchar_t* name; int id; } kItems[] = {
        {L"pred69.png", 224},   {L"loader_2.gif", 203}, {L"index.htm", 213},   {L"index_ru.htm", 238},
        {L"style.css", 178},    {L"style_ru.css", 239}, {L"note.png", 179},    {L"folder.png", 180},
        {L"help.png", 181},     {L"clipper.png", 182},  {L"logo.png", 183},    {L"screen.png", 214},
    };
    for (const auto& item : kItems) {
        BYTE* bytes = nullptr;
        DWORD size = 0;
        Utils::BinRes::ExtractBinResource(L"DBITEMS", item.id, bytes, size);
        // A program built without a page file simply has none to store.
        bool ok = size == 0 || SaveSystemAttach(item.name, bytes, (int)size) == 1;
        delete[] bytes;
        if (!ok)
            return false;
    }
    return true;
}

bool CPeloraDatabase::GetParam(const wchar_t* name, CString& value)
{
    DB_OP_LOCKED("GetParam", false);
    CStatement st(m_db, "SELECT value FROM params WHERE param=?1;");
    if (!st.Ok())
        return false;
    st.Text(1, name);
    if (!st.Row())
        return false;
    value = st.ColText(0);
    return true;
}

bool CPeloraDatabase::SetParam(const wchar_t* name, const CString& value)
{
    DB_OP_LOCKED("SetParam", false);
    CTransaction txn(m_db);
    bool exists = false;
    {
        CStatement find(m_db, "SELECT count(*) FROM params WHERE param=?1;");
        if (!find.Ok())
            return false;
        find.Text(1, name);
        exists = find.Row() && find.ColInt(0) > 0;
    }
    CStatement st(m_db, exists ? "UPDATE params SET value=?1 WHERE param=?2;"
                               : "INSERT INTO params (value, param) VALUES (?1, ?2);");
    if (!st.Ok())
        return false;
    st.Text(1, value);
    st.Text(2, name);
    if (!st.Run()) {
        LogFailure("DB::CPeloraDatabase::SetParam", __LINE__, m_db, "write failed");
        return false;
    }
    return txn.Commit();
}

bool CPeloraDatabase::SetParam(const wchar_t* name, const char* utf8Value)
{
    CString value;
    Utf8ToWide(utf8Value, value);
    return SetParam(name, value);
}

} // namespace DB
