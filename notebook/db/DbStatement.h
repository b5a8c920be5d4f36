// Private helpers of the store's sources: statements that finalise themselves, the store lock,
// savepoints and the per-operation log record.
#pragma once
#include "PeloraDatabase.h"
#include <sqlite3.h>
#include <string>

namespace DB {
namespace Detail {

// Writes the store record every public operation starts with: name, ":", line, " - ".
void LogOp(const char* name, int line);
// Writes a store failure with the engine's message.
void LogFailure(const char* name, int line, sqlite3* db, const char* what);

// A prepared statement that is finalised when it goes out of scope.
class CStatement {
public:
    // Prepares UTF-8 SQL; with showErrors a failure is reported (SQLite3::ReportError).
    CStatement(sqlite3* db, const std::string& sql, int showErrors = 1);
    CStatement(sqlite3* db, const char* sql, int showErrors = 1);
    ~CStatement() { if (m_stmt) sqlite3_finalize(m_stmt); }
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;

    bool Ok() const { return m_stmt != nullptr; }
    int PrepareResult() const { return m_prepare; }
    sqlite3_stmt* Get() const { return m_stmt; }

    void Int(int index, int value) { sqlite3_bind_int(m_stmt, index, value); }
    void Int64(int index, int64_t value) { sqlite3_bind_int64(m_stmt, index, value); }
    void Text(int index, const CString& text) { SQLite3::BindText(m_stmt, index, text.GetString()); }
    void Text(int index, const wchar_t* text) { SQLite3::BindText(m_stmt, index, text); }
    // A null pointer with a positive length binds NULL; a zero length binds an empty blob.
    void Blob(int index, const void* bytes, int length);

    // One step: SQLITE_ROW, SQLITE_DONE or an error code.
    int Step() { return m_stmt ? sqlite3_step(m_stmt) : SQLITE_MISUSE; }
    bool Row() { return Step() == SQLITE_ROW; }
    // Runs to its end; true when done.
    bool Run();
    void Reset() { sqlite3_reset(m_stmt); sqlite3_clear_bindings(m_stmt); }

    int ColInt(int col) const { return sqlite3_column_int(m_stmt, col); }
    int64_t ColInt64(int col) const { return sqlite3_column_int64(m_stmt, col); }
    bool ColNull(int col) const { return sqlite3_column_type(m_stmt, col) == SQLITE_NULL; }
    CString ColText(int col) const;
    const void* ColBlob(int col) const { return sqlite3_column_blob(m_stmt, col); }
    int ColBytes(int col) const { return sqlite3_column_bytes(m_stmt, col); }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_prepare = SQLITE_MISUSE;
};

// Holds the store lock for one operation.
class CStoreLock {
public:
    explicit CStoreLock(CPeloraDatabase* db) : m_db(db) { m_db->Lock(); }
    ~CStoreLock() { m_db->Unlock(); }
    CStoreLock(const CStoreLock&) = delete;
    CStoreLock& operator=(const CStoreLock&) = delete;

private:
    CPeloraDatabase* m_db;
};

// A savepoint around the statements of one operation: released by Commit, rolled back when it
// goes out of scope without Commit. Savepoints nest, so operations can call each other.
class CTransaction {
public:
    explicit CTransaction(sqlite3* db);
    ~CTransaction();
    CTransaction(const CTransaction&) = delete;
    CTransaction& operator=(const CTransaction&) = delete;
    bool Started() const { return m_started; }
    bool Commit();

private:
    sqlite3* m_db;
    bool m_started = false;
    bool m_done = false;
};

// Joins names with ", ".
std::string JoinColumns(const char* const* names, int count, const char* prefix = "");
// "a=?1, b=?2, ..." numbered from 1.
std::string AssignColumns(const char* const* names, int count);
// "INSERT INTO table (a, b, ...) VALUES (?1, ?2, ...);", the values numbered from 1 in column order.
std::string InsertColumns(const char* table, const char* const* names, int count);
// printf into a std::string.
std::string Fmt(const char* format, ...);

} // namespace Detail
} // namespace DB

// The first line of every public store operation.
#define DB_OP(name) ::DB::Detail::LogOp("DB::CPeloraDatabase::" name, __LINE__)
// The same plus the lock; returns failValue when no file is open.
#define DB_OP_LOCKED(name, failValue)            \
    DB_OP(name);                                 \
    ::DB::Detail::CStoreLock _storeLock(this);   \
    if (!m_db) return failValue
