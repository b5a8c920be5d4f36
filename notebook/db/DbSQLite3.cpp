// Statement helpers, the search's text functions and the private helpers of the store sources.
#include "DbStatement.h"
#include "ActivityLog.h"
#include "TextConv.h"
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

SQLite3::ErrorSink g_errorSink = nullptr;

// Lower-case mapping of every UTF-16 unit, built once from the system's Unicode tables
// (CharLowerBuffW) so the result does not depend on any locale setting.
const wchar_t* FoldTable()
{
    static wchar_t* table = [] {
        wchar_t* t = new wchar_t[65536];
        for (int i = 0; i < 65536; ++i)
            t[i] = (wchar_t)i;
        // Surrogates are left alone; everything else is folded in one call.
        CharLowerBuffW(t + 1, 0xD800 - 1);
        CharLowerBuffW(t + 0xE000, 0x10000 - 0xE000);
        return t;
    }();
    return table;
}

// Converts an argument's UTF-8 text to wide; false for NULL.
bool ArgUtf8(sqlite3_value* v, std::wstring& out)
{
    if (sqlite3_value_type(v) == SQLITE_NULL)
        return false;
    const char* text = (const char*)sqlite3_value_text(v);
    int bytes = sqlite3_value_bytes(v);
    out.clear();
    if (!text || bytes <= 0)
        return true;
    int n = MultiByteToWideChar(CP_UTF8, 0, text, bytes, nullptr, 0);
    out.resize(n);
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, text, bytes, &out[0], n);
    return true;
}

// The needle is folded once per statement and kept as the argument's auxiliary data.
const std::wstring* FoldedNeedle(sqlite3_context* ctx, sqlite3_value* v)
{
    auto* cached = (std::wstring*)sqlite3_get_auxdata(ctx, 0);
    if (cached)
        return cached;
    std::wstring needle;
    if (!ArgUtf8(v, needle))
        return nullptr;
    const wchar_t* fold = FoldTable();
    for (auto& c : needle)
        c = fold[(unsigned short)c];
    auto* kept = new std::wstring(std::move(needle));
    sqlite3_set_auxdata(ctx, 0, kept, [](void* p) { delete (std::wstring*)p; });
    // set_auxdata may have destroyed it at once (it then holds nothing): ask again.
    cached = (std::wstring*)sqlite3_get_auxdata(ctx, 0);
    if (cached)
        return cached;
    static thread_local std::wstring scratch;
    ArgUtf8(v, scratch);
    for (auto& c : scratch)
        c = fold[(unsigned short)c];
    return &scratch;
}

int FindFolded(const std::wstring& needle, const wchar_t* hay, int hayLen)
{
    const wchar_t* fold = FoldTable();
    int n = (int)needle.size();
    if (n == 0)
        return 0;
    wchar_t first = needle[0];
    for (int i = 0; i + n <= hayLen; ++i) {
        if (fold[(unsigned short)hay[i]] != first)
            continue;
        int k = 1;
        while (k < n && fold[(unsigned short)hay[i + k]] == needle[k])
            ++k;
        if (k == n)
            return i;
    }
    return -1;
}

// The folded needle of a CharIndex call, or null when the call already has its answer: none for
// a wrong argument count, 0 without a needle.
const std::wstring* CharIndexNeedle(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (argc != 2 && argc != 3)
        return nullptr;
    const std::wstring* needle = FoldedNeedle(ctx, argv[0]);
    if (!needle)
        sqlite3_result_int64(ctx, 0);
    return needle;
}

// "CharIndexUNICODE"(needle, haystack[, start]): the haystack is UTF-16LE bytes (a note's HTML
// blob) up to its first zero character.
void CharIndexUnicodeFunc(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    const std::wstring* needle = CharIndexNeedle(ctx, argc, argv);
    if (!needle)
        return;
    // A note without content holds no word.
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_int64(ctx, -1);
        return;
    }
    const wchar_t* hay = (const wchar_t*)sqlite3_value_blob(argv[1]);
    int units = sqlite3_value_bytes(argv[1]) / 2;
    if (!hay)
        units = 0;
    int len = 0;
    while (len < units && hay[len] != 0)
        ++len;
    sqlite3_result_int64(ctx, FindFolded(*needle, hay, len));
}

// "CharIndexUTF8"(needle, haystack[, start]): the haystack is UTF-8 text (a note's title).
void CharIndexUtf8Func(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    const std::wstring* needle = CharIndexNeedle(ctx, argc, argv);
    if (!needle)
        return;
    std::wstring hay;
    if (!ArgUtf8(argv[1], hay)) {
        sqlite3_result_int64(ctx, -1);
        return;
    }
    sqlite3_result_int64(ctx, FindFolded(*needle, hay.c_str(), (int)hay.size()));
}

} // namespace

namespace SQLite3 {

void SetErrorSink(ErrorSink sink) { g_errorSink = sink; }

void ReportError(const wchar_t* text, const char* detail)
{
    CLogStream log(LOG_LEVEL_STORE);
    log << text << "\n" << (detail ? detail : "") << "\n";
    log.End();
    if (g_errorSink)
        g_errorSink(text, L"Error");
}

int PrepareSql(sqlite3* db, const char* sql, int byteCount, sqlite3_stmt** stmt, int showErrors)
{
    if (stmt)
        *stmt = nullptr;
    if (!db)
        return 1;
    int rc = sqlite3_prepare_v2(db, sql, byteCount, stmt, nullptr);
    if (rc != SQLITE_OK && showErrors == 1) {
        std::string detail = "SQL prepare failed! SQL:\n";
        detail += sql ? sql : "";
        detail += "\n";
        detail += sqlite3_errmsg(db);
        ReportError(L"SQL prepare failed!", detail.c_str());
    }
    return rc;
}

int PrepareSql(sqlite3* db, const wchar_t* sql, sqlite3_stmt** stmt, int showErrors)
{
    char* utf8 = nullptr;
    int size = sql ? WideToUtf8(sql, utf8) : 0;
    int rc = PrepareSql(db, size > 0 ? utf8 : "", size > 0 ? size - 1 : 0, stmt, showErrors);
    delete[] utf8;
    return rc;
}

int ExecuteSql(sqlite3* db, const char* sql, int showErrors)
{
    if (!db)
        return 1;
    sqlite3_stmt* stmt = nullptr;
    int rc = PrepareSql(db, sql, -1, &stmt, showErrors);
    if (rc != SQLITE_OK)
        return rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        int result = rc;
        if (showErrors == 1) {
            std::string detail = "SQL request failed! SQL:\n";
            detail += sql;
            detail += "\n";
            detail += sqlite3_errmsg(db);
            ReportError(L"SQL request failed!", detail.c_str());
            result = 1;
        }
        sqlite3_finalize(stmt);
        return result;
    }
    sqlite3_finalize(stmt);
    return 0;
}

int ExecuteSql(sqlite3* db, const wchar_t* sql, int showErrors)
{
    if (!db)
        return 1;
    char* utf8 = nullptr;
    int size = sql ? WideToUtf8(sql, utf8) : 0;
    int rc = ExecuteSql(db, size > 0 ? utf8 : "", showErrors);
    delete[] utf8;
    return rc;
}

int BindText(sqlite3_stmt* stmt, int index, const wchar_t* text)
{
    // The engine converts to the database's UTF-8 and keeps its own copy.
    if (!text)
        text = L"";
    return sqlite3_bind_text16(stmt, index, text, (int)(wcslen(text) * sizeof(wchar_t)), SQLITE_TRANSIENT);
}

BOOL CopyFileTo(const wchar_t* source, const wchar_t* destination, BOOL failIfExists)
{
    return CopyFileW(source, destination, failIfExists);
}

int RegisterTextFunctions(sqlite3* db)
{
    if (!db)
        return 1;
    int rc = SQLITE_OK;
    for (int args = 2; args <= 3 && rc == SQLITE_OK; ++args)
        rc = sqlite3_create_function_v2(db, "CharIndexUNICODE", args, SQLITE_ANY, nullptr, CharIndexUnicodeFunc,
                                        nullptr, nullptr, nullptr);
    for (int args = 2; args <= 3 && rc == SQLITE_OK; ++args)
        rc = sqlite3_create_function_v2(db, "CharIndexUTF8", args, SQLITE_ANY, nullptr, CharIndexUtf8Func,
                                        nullptr, nullptr, nullptr);
    return rc;
}

int CharIndexNoCase(const wchar_t* needle, int needleLen, const wchar_t* haystack, int haystackLen)
{
    const wchar_t* fold = FoldTable();
    std::wstring n(needle ? needle : L"", needle ? needleLen : 0);
    for (auto& c : n)
        c = fold[(unsigned short)c];
    return FindFolded(n, haystack ? haystack : L"", haystack ? haystackLen : 0);
}

} // namespace SQLite3

namespace DB {
namespace Detail {

void LogOp(const char* name, int line)
{
    CLogStream log(LOG_LEVEL_STORE);
    log << name << ":" << line << " - ";
    log.End();
}

void LogFailure(const char* name, int line, sqlite3* db, const char* what)
{
    CLogStream log(LOG_LEVEL_STORE);
    log << name << ":" << line << " - " << what << ": " << (db ? sqlite3_errmsg(db) : "no database");
    log.End();
}

CStatement::CStatement(sqlite3* db, const std::string& sql, int showErrors)
{
    m_prepare = SQLite3::PrepareSql(db, sql.c_str(), (int)sql.size(), &m_stmt, showErrors);
    if (m_prepare != SQLITE_OK && m_stmt) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

CStatement::CStatement(sqlite3* db, const char* sql, int showErrors)
{
    m_prepare = SQLite3::PrepareSql(db, sql, -1, &m_stmt, showErrors);
    if (m_prepare != SQLITE_OK && m_stmt) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

void CStatement::Blob(int index, const void* bytes, int length)
{
    if (length <= 0)
        sqlite3_bind_zeroblob(m_stmt, index, 0);
    else if (!bytes)
        sqlite3_bind_null(m_stmt, index);
    else
        sqlite3_bind_blob(m_stmt, index, bytes, length, SQLITE_TRANSIENT);
}

bool CStatement::Run()
{
    if (!m_stmt)
        return false;
    int rc;
    while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
    }
    return rc == SQLITE_DONE;
}

CString CStatement::ColText(int col) const
{
    const wchar_t* text = (const wchar_t*)sqlite3_column_text16(m_stmt, col);
    if (!text)
        return CString();
    return CString(text, sqlite3_column_bytes16(m_stmt, col) / (int)sizeof(wchar_t));
}

CTransaction::CTransaction(sqlite3* db) : m_db(db)
{
    m_started = db && sqlite3_exec(db, "SAVEPOINT store_op", nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool CTransaction::Commit()
{
    if (!m_started || m_done)
        return false;
    if (sqlite3_exec(m_db, "RELEASE store_op", nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;   // the destructor rolls back
    m_done = true;
    return true;
}

CTransaction::~CTransaction()
{
    if (m_started && !m_done) {
        sqlite3_exec(m_db, "ROLLBACK TO store_op", nullptr, nullptr, nullptr);
        sqlite3_exec(m_db, "RELEASE store_op", nullptr, nullptr, nullptr);
    }
}

} // namespace Detail

CStoreTransaction::CStoreTransaction(CPeloraDatabase* db) : m_db(db)
{
    if (!m_db)
        return;
    m_db->Lock();
    sqlite3* h = m_db->GetHandle();
    m_started = h && sqlite3_exec(h, "SAVEPOINT model_op", nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool CStoreTransaction::Commit()
{
    if (!m_started || m_done)
        return false;
    sqlite3* h = m_db->GetHandle();
    // an error that rolled the whole transaction back has taken the savepoint with it
    if (!h || sqlite3_get_autocommit(h) ||
        sqlite3_exec(h, "RELEASE model_op", nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    m_done = true;
    return true;
}

CStoreTransaction::~CStoreTransaction()
{
    if (!m_db)
        return;
    sqlite3* h = m_db->GetHandle();
    if (m_started && !m_done && h && !sqlite3_get_autocommit(h)) {
        sqlite3_exec(h, "ROLLBACK TO model_op", nullptr, nullptr, nullptr);
        sqlite3_exec(h, "RELEASE model_op", nullptr, nullptr, nullptr);
    }
    m_db->Unlock();
}

namespace Detail {

std::string JoinColumns(const char* const* names, int count, const char* prefix)
{
    std::string out;
    for (int i = 0; i < count; ++i) {
        if (i)
            out += ", ";
        out += prefix;
        out += names[i];
    }
    return out;
}

std::string AssignColumns(const char* const* names, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i) {
        if (i)
            out += ", ";
        out += names[i];
        out += "=?" + std::to_string(i + 1);
    }
    return out;
}

std::string InsertColumns(const char* table, const char* const* names, int count)
{
    std::string values;
    for (int i = 1; i <= count; ++i)
        values += (i > 1 ? ", ?" : "?") + std::to_string(i);
    return std::string("INSERT INTO ") + table + " (" + JoinColumns(names, count) + ") VALUES (" + values + ");";
}

std::string Fmt(const char* format, ...)
{
    va_list a;
    va_start(a, format);
    va_list copy;
    va_copy(copy, a);
    int n = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        vsnprintf(&out[0], n + 1, format, a);
    va_end(a);
    return out;
}

} // namespace Detail
} // namespace DB
