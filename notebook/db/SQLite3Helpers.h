// Statement helpers on a SQLite connection, and the two text functions the search uses.
#pragma once
#include "Framework.h"

struct sqlite3;
struct sqlite3_stmt;

namespace SQLite3 {

// Prepares UTF-8 (or wide, converted to UTF-8) SQL. Returns the engine's result (0 = ready).
// A null connection returns 1. With showErrors a failure is reported (see SetErrorSink).
int PrepareSql(sqlite3* db, const wchar_t* sql, sqlite3_stmt** stmt, int showErrors);
int PrepareSql(sqlite3* db, const char* sql, int byteCount, sqlite3_stmt** stmt, int showErrors);
// Runs a statement to its end: 0 when done, else non-zero (1 with showErrors, else the
// engine's result). A null connection returns 1.
int ExecuteSql(sqlite3* db, const wchar_t* sql, int showErrors);
int ExecuteSql(sqlite3* db, const char* sql, int showErrors);
// Binds a wide text as UTF-8 (the engine copies it). A null text binds "".
int BindText(sqlite3_stmt* stmt, int index, const wchar_t* text);
// CopyFileW with its result.
BOOL CopyFileTo(const wchar_t* source, const wchar_t* destination, BOOL failIfExists);

// Registers "CharIndexUNICODE" and "CharIndexUTF8" for 2 and 3 arguments.
int RegisterTextFunctions(sqlite3* db);
// Zero-based position of needle in haystack, matching Latin and Cyrillic letters without regard
// to case and without touching the process locale; -1 when not found.
int CharIndexNoCase(const wchar_t* needle, int needleLen, const wchar_t* haystack, int haystackLen);

// Where reported errors go. The default writes them to the trace log only, so no worker thread
// ever blocks on a box; the application may install a sink that tells the user (on its UI
// thread). The sink receives the text ("SQL prepare failed!") and the caption ("Error").
typedef void (*ErrorSink)(const wchar_t* text, const wchar_t* caption);
void SetErrorSink(ErrorSink sink);
void ReportError(const wchar_t* text, const char* detail);

} // namespace SQLite3
