// The local store: the only way into the user's SQLite database.
#pragma once
#include "Framework.h"
#include "DbRecords.h"
#include "SQLite3Helpers.h"
#include <vector>

namespace DB {

// Called once per found note; the record is reused for the next row, so copy what you keep.
typedef void (*NoteSearchCallback)(CItemNote* record, void* data);

// Why the last OpenDatabase failed.
enum EOpenError : int {
    OpenOk = 0,
    OpenMissing,        // no file and creating was not allowed, or the path is a folder
    OpenCannotOpen,     // the engine could not open or create the file
    OpenReadOnly,       // the file (or its folder) cannot be written
    OpenLocked,         // another connection holds a lock on it
    OpenCorrupt,        // not a database, or a damaged one
    OpenNewerVersion,   // written by a newer version of the program ("DbVersion" above ours)
    OpenWriteFailed,    // preparing the schema failed (disk full, I/O error); nothing was kept
};

class CPeloraDatabase {
public:
    CPeloraDatabase();
    virtual ~CPeloraDatabase();
    CPeloraDatabase(const CPeloraDatabase&) = delete;
    CPeloraDatabase& operator=(const CPeloraDatabase&) = delete;

    // The database object of the process: the most recently constructed one still alive (null
    // when none is). The attachment records find the attachments folder through it.
    static CPeloraDatabase* GetCurrent();

    // --- opening, parameters
    int OpenDatabase(const wchar_t* path, int allowCreate);
    void CloseDatabase();
    bool IsOpen() const { return m_db != nullptr; }
    CString GetDatabasePath() const;
    CString GetPathTail() const { return GetDatabasePath(); }
    EOpenError GetOpenError() const { return m_openError; }
    // A readable text of the last opening failure ("" after a successful one).
    CString GetOpenErrorText() const { return m_openErrorText; }
    bool GetParam(const wchar_t* name, CString& value);
    bool SetParam(const wchar_t* name, const CString& value);
    bool SetParam(const wchar_t* name, const char* utf8Value);
    // The connection, for the store's own tests and tools; never keep statements on it.
    sqlite3* GetHandle() const { return m_db; }
    // Milliseconds the engine waits for another connection's lock before giving up.
    void SetBusyTimeout(int ms) { m_busyTimeoutMs = ms; }

    // --- local HTTP server thread (shell/LocalHttpServer.cpp)
    int StartNetService();
    int StopNetService();

    // --- notes
    int CreateNote(CItemNote* rec);
    int UpdateNote(CItemNote* rec, int byItemId);
    int NoteUpdatePreview(CItemNote* rec);
    int NoteLoadPreview(CItemNote* rec);
    int NoteUpdateContent(CItemNote* rec);
    int NoteLoadContent(CItemNote* rec);
    int GetNoteList(const CItemNote* filter, NoteSearchCallback callback, void* data);
    int GetNoteList(const CItemNote* filter, CItemList* list);
    int GetNoteListForUpload(int afterItemId, CItemList* list);
    int GetNoteForDownload(CItemNote* rec, int* count);
    int RemoveNote(CItemNote* rec);
    int UpdateNoteTrashedFlag(int noteItemId, int trashed);

    // --- folders
    int GetFolderList(const CItemFolder* filter, CItemList* list, int orderByDateCreate);
    int CreateFolder(CItemFolder* rec);
    int UpdateFolder(CItemFolder* rec, int byItemId);
    int RemoveFolder(CItemFolder* rec);

    // --- search and user sort order
    // folders: folders.itemid values ended by 0, or null for all; dateRanges: "from" or
    // "from-to" in seconds since 1970.
    int SearchNotes(const int* folders, const std::vector<CString>& words, const std::vector<CString>& tags,
                    const std::vector<CString>& dateRanges, NoteSearchCallback callback, void* data);
    int SearchNotes(const int* folders, const std::vector<CString>& words, NoteSearchCallback callback, void* data);
    static CString PrepareSearchSql(const wchar_t* column, int count, int& nextParam);
    static CString PrepareSearchSql(const wchar_t* column, const std::vector<CString>& dateRanges);
    static CString PrepareSearchSql(const wchar_t* column, const int* values);
    // buffer/count: the caller's order buffer (new[]-allocated) and its capacity on input, the
    // number of entries on output. Returns the buffer's capacity afterwards.
    unsigned GetSortData(const wchar_t* fld_id, int sub_id, int*& buffer, unsigned& count);
    int UpdateSortData(const wchar_t* fld_id, int sub_id, const int* entries, int count);

    // --- attachments
    int CreateAttach(CItemAttach* rec);
    int UpdateAttach(CItemAttach* rec);
    bool UpdateAttachContent(CItemAttach* rec);
    int GetAttachList(const CItemAttach* filter, CItemList* list, int limit);
    int GetAttachCount(const CItemAttach* filter, int* count);
    int LoadAttachContent(CItemAttach* rec);
    int RemoveAttach(int itemid);
    int RemoveAttach(const CItemAttach* rec, int mark, int flags);
    int MarkAttachesAsDirty(const wchar_t* note_id);
    int FixBugOfTempname();
    CString GetAttachesPath() const;
    int SaveResourceToDatabase(const wchar_t* name, int resourceId);
    // The same with the bytes given (SaveResourceToDatabase loads them from the program).
    int SaveSystemAttach(const wchar_t* name, const BYTE* bytes, int length);

    // --- reminders and tasks
    int CreateReminder(CItemReminder* rec);
    int UpdateReminder(CItemReminder* rec);
    int GetReminderList(const CItemReminder* filter, CItemList* list);
    int RemoveReminder(const CItemReminder* filter);
    int CreateTask(CItemTask* rec);
    int UpdateTask(CItemTask* rec);
    int GetTaskList(const CItemTask* filter, CItemList* list);
    int RemoveTask(const CItemTask* filter);

    // --- tags
    int TagCreate(CItemTag* rec, int tagType);
    int TagUpdate(CItemTag* rec);
    int TagRemove(int tagItemId);
    int TagGetList(CItemList* list, int tagType, int flagFilter);
    int TagGetNoteCount(int tagItemId);
    // A new[] array of the note itemids (the caller frees it with delete[]), or null.
    int* TagGetNoteList(int tagItemId, int* count);
    int GetNoteTags(const CItemNote* note, std::vector<CString>& names);
    // The same, appended to a string list.
    int GetNoteTags(const CItemNote* note, CStringList& names);
    int UpdateNoteTags(int tagItemId, int noteItemId);
    int RemoveNoteTag(int noteItemId, int tagItemId);

    // Every store operation holds this lock; a caller may hold it across several operations
    // that must see one state (it is recursive).
    void Lock() { EnterCriticalSection(&m_lock); }
    void Unlock() { LeaveCriticalSection(&m_lock); }

    HANDLE net_service_thread = nullptr;
    CString database_path;
    int conflict_folder_itemid = 0;

private:
    bool CreateSchema();
    int UpgradeColumn(const char* table, const char* column);
    bool CreateSpecialFolders();
    bool SaveSystemAttaches();
    void FailOpen(EOpenError error, const CString& text);
    void CloseLocked();
    int RemoveAttachLocked(const CItemAttach* rec, int mark, int flags);
    int RemoveNoteTagLocked(int noteItemId, int tagItemId);

    sqlite3* m_db = nullptr;
    CRITICAL_SECTION m_lock;
    EOpenError m_openError = OpenOk;
    CString m_openErrorText;
    int m_busyTimeoutMs = 3000;
    // the local HTTP server's stop request
    volatile LONG m_netStop = 0;
};

// Several store operations kept or dropped as one: from construction it holds the store lock
// and a savepoint, which is rolled back unless Commit succeeds. It nests with the savepoints of
// the store's own operations, so a failed operation inside it leaves the rest to decide.
class CStoreTransaction {
public:
    explicit CStoreTransaction(CPeloraDatabase* db);
    ~CStoreTransaction();
    CStoreTransaction(const CStoreTransaction&) = delete;
    CStoreTransaction& operator=(const CStoreTransaction&) = delete;
    // False when no file is open or the savepoint could not be made: write nothing then.
    bool Started() const { return m_started; }
    // True when everything since construction is kept.
    bool Commit();

private:
    CPeloraDatabase* m_db;
    bool m_started = false;
    bool m_done = false;
};

} // namespace DB
