// Shared helpers of the store tests: a temporary folder per test and raw SQL on the file.
#pragma once
#include "PeloraDatabase.h"
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace StoreTest {

// A new empty folder under the temp folder (with a trailing backslash).
CString MakeTempDir();
void RemoveTree(const CString& dir);
// The bytes of a file ("" when missing).
std::string ReadFileBytes(const CString& path);
void WriteFileBytes(const CString& path, const std::string& bytes);

// One integer from a statement on the store's connection (-1 when it fails).
int QueryInt(sqlite3* db, const char* sql);
// One text (UTF-8) from a statement.
std::string QueryText(sqlite3* db, const char* sql);
// Runs SQL on a connection; true when it worked.
bool Exec(sqlite3* db, const char* sql);

// Counts the error reports the store makes (the place a message box would be).
struct ErrorCounter {
    ErrorCounter();
    ~ErrorCounter();
    static int count;
};

// A test with an open store "database.db" in a fresh folder.
class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    sqlite3* Raw() { return db.GetHandle(); }
    int Count(const char* table, const char* where = nullptr);
    // A note row with a content row holding `html` (as UTF-16LE) and the given title.
    DB::CItemNote* AddNote(const wchar_t* title, const wchar_t* html, int folderItemId = 1, int dateCreate = 0);

    DB::CPeloraDatabase db;
    CString dir;
    CString path;
    std::vector<DB::CItemNote*> notes;
};

} // namespace StoreTest
