#include "store_fixture.h"
#include <cstdio>

namespace StoreTest {

int ErrorCounter::count = 0;

namespace {
void CountError(const wchar_t*, const wchar_t*) { ++ErrorCounter::count; }
} // namespace

ErrorCounter::ErrorCounter()
{
    count = 0;
    SQLite3::SetErrorSink(CountError);
}

ErrorCounter::~ErrorCounter() { SQLite3::SetErrorSink(nullptr); }

CString MakeTempDir()
{
    static LONG counter = 0;
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    CString dir;
    dir.Format(L"%spelora_store_%lu_%ld\\", base, GetCurrentProcessId(), InterlockedIncrement(&counter));
    RemoveTree(dir);
    CreateDirectoryW(dir, nullptr);
    return dir;
}

void RemoveTree(const CString& dir)
{
    CString pattern = dir + L"*";
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(pattern, &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            CString name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            CString full = dir + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full + L"\\");
            } else {
                SetFileAttributesW(full, FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full);
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    CString bare = dir;
    bare.TrimRight(L'\\');
    SetFileAttributesW(bare, FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(bare);
}

std::string ReadFileBytes(const CString& path)
{
    std::string out;
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        out.append(buf, got);
    CloseHandle(h);
    return out;
}

void WriteFileBytes(const CString& path, const std::string& bytes)
{
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(h);
}

int QueryInt(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    int value = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        value = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    return value;
}

std::string QueryText(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    std::string value;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW &&
        sqlite3_column_text(st, 0))
        value = (const char*)sqlite3_column_text(st, 0);
    sqlite3_finalize(st);
    return value;
}

bool Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

void StoreFixture::SetUp()
{
    dir = MakeTempDir();
    path = dir + L"database.db";
    db.SetBusyTimeout(50);
    ASSERT_EQ(db.OpenDatabase(path, 1), 1) << db.GetOpenErrorText().GetString();
}

void StoreFixture::TearDown()
{
    for (DB::CItemNote* n : notes)
        delete n;
    db.CloseDatabase();
    RemoveTree(dir);
}

int StoreFixture::Count(const char* table, const char* where)
{
    std::string sql = std::string("SELECT count(*) FROM ") + table + (where ? std::string(" WHERE ") + where : "");
    return QueryInt(Raw(), sql.c_str());
}

DB::CItemNote* StoreFixture::AddNote(const wchar_t* title, const wchar_t* html, int folderItemId, int dateCreate)
{
    auto* n = new DB::CItemNote;
    notes.push_back(n);
    static int seq = 0;
    n->note_id.Format(L"note%012d", ++seq);
    n->note_title = title;
    n->folder_id = folderItemId;
    n->date_create = dateCreate;
    n->editable = 1;
    if (html) {
        int bytes = (int)wcslen(html) * 2;
        n->RelocateContentBuffer(bytes, 1);
        memcpy(n->content_data, html, bytes);
    }
    EXPECT_EQ(db.NoteUpdateContent(n), 1);
    EXPECT_EQ(db.CreateNote(n), 1);
    return n;
}

} // namespace StoreTest
