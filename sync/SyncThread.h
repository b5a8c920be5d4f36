// Sync::CSyncThread: the two sync worker threads (A: requests of the user interface, login,
// structure, uploads and the end of a sync; B: downloads and the sync-folders request). A
// sync is a chain of thread messages on the two queues, so a stop takes effect between any
// two steps. Everything the threads report goes to an ISyncObserver: they never show a
// window of their own.
#pragma once
#include "Framework.h"
#include "MergeStore.h"
#include "SyncClient.h"
#include <atomic>
#include <ctime>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// Sent (WM_USER+4) to the main frame: progress 0..100, code -1 for an error.
struct SyncProgressRecord {
    float progress = 0;
    int code = 0;
    CString text;
};

// Posted (WM_USER+5) to the main frame, which frees it.
struct SyncEventRecord {
    int code = 0;
    CString text1;
    CString text2;
    WPARAM wparam = 0;
};

namespace Sync {

// Thread messages of the sync threads.
enum : UINT {
    WM_SYNC_AUTH_REQUEST = WM_USER + 0x10,      // 0x410
    WM_SYNC_RUN = WM_USER + 0x11,
    WM_SYNC_STOP = WM_USER + 0x12,
    WM_SYNC_GET_STRUCT = WM_USER + 0x13,
    WM_SYNC_UPLOAD_FOLDERS = WM_USER + 0x14,
    WM_SYNC_UPLOAD_NOTES = WM_USER + 0x15,
    WM_SYNC_UPLOAD_ATTACH = WM_USER + 0x16,
    WM_SYNC_REMOVE_ITEMS = WM_USER + 0x17,
    WM_SYNC_DOWNLOAD_ITEM = WM_USER + 0x18,
    WM_SYNC_DOWNLOAD_DONE = WM_USER + 0x19,
    WM_SYNC_UPLOAD_DONE = WM_USER + 0x1a,
    WM_SYNC_FINISH = WM_USER + 0x1b,
    WM_SYNC_CHECK_UPDATE = WM_USER + 0x1c,
    WM_SYNC_DOWNLOAD_UPDATE = WM_USER + 0x1d,
    WM_SYNC_DOWNLOAD_FOLDERS = WM_USER + 0x1e,
    WM_SYNC_GET_BACKUP_LIST = WM_USER + 0x1f,
    WM_SYNC_GET_BACKUP_PREVIEW = WM_USER + 0x20,
    WM_SYNC_RESTORE_BACKUP = WM_USER + 0x21,
    WM_SYNC_GET_SHARE_LINK = WM_USER + 0x22,
    WM_SYNC_UNSHARE_LINK = WM_USER + 0x23,      // 0x423
};

// Window messages the threads send or post.
enum : UINT {
    WM_SYNC_PROGRESS = WM_USER + 4,
    WM_SYNC_EVENT = WM_USER + 5,
    WM_SYNC_FOLDERS_READY = WM_USER + 8,
    WM_SHARE_LINK_RESULT = WM_USER + 13,
    WM_UNSHARE_LINK_RESULT = WM_USER + 14,
};

// Events (code of OnSyncThreadEvent).
enum {
    SYNC_EVENT_STARTED = 1,
    SYNC_EVENT_ENDED = 2,
    SYNC_EVENT_QUOTA_NEAR = 3,
    SYNC_EVENT_QUOTA_EXCEEDED = 4,
    SYNC_EVENT_DOWNLOADING = 5,
    SYNC_EVENT_FOLDER_REMOVED = 6,
    SYNC_EVENT_FOLDER_CREATED = 7,
    SYNC_EVENT_FOLDER_UPDATED = 8,
    SYNC_EVENT_NOTE_REMOVED = 9,
    SYNC_EVENT_NOTE_UPDATED = 11,
    SYNC_EVENT_NOTE_PLAIN = 12,
    SYNC_EVENT_ATTACH = 14,
    SYNC_EVENT_ATTACH_REMOVED = 15,
    SYNC_EVENT_UPDATE_CHECKED = 16,
    SYNC_EVENT_UPDATE_DOWNLOADED = 17,
    SYNC_EVENT_UPDATE_PROGRESS = 18,
    SYNC_EVENT_BACKUP_LIST = 19,
    SYNC_EVENT_BACKUP_PREVIEW = 20,
    SYNC_EVENT_RESTORE_DONE = 21,
};

// Phase results besides the client's. SYNC_COPY_FAILED: a local text could not be kept as a
// conflict copy, so the note was left as it is (it waits for the next sync).
enum { SYNC_NOT_RUNNING = 3, SYNC_STILL_RUNNING = 6, SYNC_COPY_FAILED = 9 };

// How the sync threads reach the application. Called on the sync threads.
class ISyncObserver {
public:
    virtual ~ISyncObserver() = default;
    // text1/text2 may be null (the receiver makes them empty).
    virtual void OnSyncThreadEvent(int code, const wchar_t* text1, const wchar_t* text2, WPARAM value) = 0;
    // The progress of a phase (the application sends it to the main frame).
    virtual void OnSyncProgress(const SyncProgressRecord& progress) = 0;
};

// An observer that does what the application does: events become SyncEventRecords posted
// to the window (WM_USER+5, wParam = value), progress a SyncProgressRecord sent to it
// (WM_USER+4). Without a window nothing is posted.
class CSyncWindowObserver : public ISyncObserver {
public:
    explicit CSyncWindowObserver(HWND window = nullptr) : m_window(window) {}
    void SetWindow(HWND window) { m_window = window; }
    void OnSyncThreadEvent(int code, const wchar_t* text1, const wchar_t* text2, WPARAM value) override;
    void OnSyncProgress(const SyncProgressRecord& progress) override;

private:
    std::atomic<HWND> m_window;
};

class CSyncThread;

// What one pair of sync threads shares: the client, the store, the signed-in account, the
// results of the two sides, the last error text and the names of the three events. The
// application runs its pair on the default group; another pair in the same process (a
// second client, as the tests run one) gets a group of its own, whose events carry its name.
class CSyncGroup {
public:
    // name: empty for the application's events, else a suffix that keeps this group's apart
    explicit CSyncGroup(const wchar_t* name = nullptr);
    static CSyncGroup& Default();

    void SetThreads(CSyncThread* a, CSyncThread* b);
    CSyncThread* GetThreadA() const { return m_threadA.load(); }
    CSyncThread* GetThreadB() const { return m_threadB.load(); }
    CSync* GetClient();
    int GetThreadCount();
    void SetRetryPauseMs(unsigned ms) { m_pauseMs = ms; }
    unsigned GetRetryPauseMs() const { return m_pauseMs; }
    void SetStore(ISyncStore* store) { m_store = store; }
    ISyncStore* GetStore() const { return m_store.load(); }
    void SetAccount(const wchar_t* email, const BYTE digest[16]);
    void GetAccount(CString& email, BYTE digest[16]);
    void SetSyncType(int type) { m_syncType = type; }
    int GetSyncType() const { return m_syncType; }
    void SetReminderOlderDays(int days) { m_reminderOlderDays = days; }
    int GetReminderOlderDays() const { return m_reminderOlderDays; }
    CString GetDownloadedInstaller();
    void SetDownloadedInstaller(const CString& path);
    bool IsSyncRunning();
    // one of the three events (0-2, as EventName) is set; read from the group's mirror of them
    bool IsStateSet(int which) const;
    int GetUploadResult() const { return m_uploadResult; }
    int GetDownloadResult() const { return m_downloadResult; }
    CString GetLastErrorDesc();
    void SetLastErrorDesc(const CString& text);
    // "PelorEventSyncTerminate", "PelorEventUploadRunning", "PelorEventDownloadRunning" (0-2),
    // with the group's name appended
    CString EventName(int which) const;

private:
    friend class CSyncThread;
    CString m_name;
    CCriticalSection m_lock;               // the client and the thread count
    CSync* m_client = nullptr;
    int m_threadCount = 0;
    std::atomic<int> m_uploadResult{0};
    std::atomic<int> m_downloadResult{0};
    std::mutex m_textLock;                 // the texts below
    CString m_lastErrorDesc;
    CString m_email;
    BYTE m_digest[16] = {};
    CString m_installer;
    std::atomic<time_t> m_lastUploadReport{0};
    std::atomic<CSyncThread*> m_threadA{nullptr};
    std::atomic<CSyncThread*> m_threadB{nullptr};
    std::atomic<ISyncStore*> m_store{nullptr};
    std::atomic<unsigned> m_pauseMs{1000};
    std::atomic<int> m_syncType{0};
    std::atomic<int> m_reminderOlderDays{0};
    std::atomic<unsigned> m_state{0};      // bit n: event n is set (changed with the event)
};

typedef void (*AuthCallback)(void* userData, CSyncThread* thread, struct AuthRequest* request);

// Status of a login request.
enum { AUTH_FAILED = 0, AUTH_OFFLINE = 1, AUTH_ONLINE = 2 };

struct AuthRequest {
    AuthCallback callback = nullptr;
    void* userData = nullptr;
    CString email;
    BYTE digest[16] = {};
    int result = -6;
    int status = AUTH_FAILED;
};

class CSyncThread : public CWinThread, public ITransferEvents {
    DECLARE_DYNCREATE(CSyncThread)
public:
    CSyncThread();
    ~CSyncThread() override;

    BOOL InitInstance() override;
    int ExitInstance() override;

    // The group this thread belongs to (the default one unless set before the thread starts).
    void SetGroup(CSyncGroup* group) { m_group = group ? group : &CSyncGroup::Default(); }
    CSyncGroup& Group() const { return *m_group; }

    // The static wiring below works on the default group (the application's pair).
    // The application's two threads: A takes the user interface's requests, B downloads.
    static void SetThreads(CSyncThread* a, CSyncThread* b);
    static CSyncThread* GetThreadA();
    static CSyncThread* GetThreadB();
    // The client both threads share (created by the first thread to start).
    static CSync* GetClient();
    static int GetThreadCount();
    // Pause between attempts of a step (1000 ms; the sync-folders request pauses 200 ms).
    static void SetRetryPauseMs(unsigned ms);
    // How often one sync sends a note again before it gives up on it for this sync.
    enum { kMaxUploadsPerNote = 3 };

    // --- wiring ---
    void SetObserver(ISyncObserver* observer) { m_observer = observer; }
    static void SetStore(ISyncStore* store);
    static ISyncStore* GetStore();
    // The signed-in account that every sync logs in with.
    static void SetAccount(const wchar_t* email, const BYTE digest[16]);
    // "SyncType" of the sync options: 0 full (attachments too), else notes only.
    static void SetSyncType(int type);
    // "reminder_older_day": a reminder older than this arrives completed.
    static void SetReminderOlderDays(int days);
    static int GetReminderOlderDays();
    // The application's setup launcher: the installer's path once downloaded.
    static CString GetDownloadedInstaller();

    // --- requests (post to the thread they are called on unless said otherwise) ---
    void PostAuthRequest(AuthCallback callback, void* userData, const wchar_t* email, const BYTE digest[16]);
    void RunSync();
    void StopSync();
    void CheckUpdate(WPARAM value);
    void DownloadUpdate();
    void RequestSyncFolders(HWND window);     // posted to thread B
    void GetBackupList();
    void GetBackupPreview(const wchar_t* backupId);
    // items: new'ed list or null, freed by the handler
    void RestoreBackup(const wchar_t* backupId, std::vector<CString>* items);
    void GetShareLink(HWND window, const wchar_t* noteId);
    void UnshareLink(HWND window, const wchar_t* noteId);

    static bool IsSyncRunning();
    bool IsTerminating() override;
    bool CheckOfflineLogin(const wchar_t* email, const BYTE digest[16]);

    // The last results of the two sides (6 while a side runs) and the last error text.
    static int GetUploadResult();
    static int GetDownloadResult();
    static CString GetLastErrorDesc();
    CString GetUpdateText() const { return m_updateText; }
    CString GetUpdateUrl() const { return m_updateUrl; }

    // --- transfer callbacks (ITransferEvents) ---
    void ReportUploadProgress(double percent) override;
    void OnUpdateDownloadTick() override;

    virtual void OnMessageAuthComplete(int result, int status);

    // --- merge rules (Merge.cpp) ---
    int SyncUpdateClientFolders(const std::vector<CServerObject>& objects);
    int SyncUpdateClientNotes(const std::vector<CServerObject>& objects, int timestamp);
    int SyncUpdateClientNote(const CServerObject& object, MergeNote* local, int timestamp, int mode);
    // The structure step's fields of a server note (not its content, not its times).
    void ApplyServerFields(const CServerObject& o, MergeNote& note);
    int MergeNoteContent(const CServerObject& o, MergeNote* local);
    int SetNotePriority(const CString& noteId, int value, bool add);
    int SyncUpdateNoteAttaches(const CServerObject& note, const std::vector<CServerAttach>& attaches);
    int SyncUpdateNoteTags(const MergeNote& note, const std::vector<CString>& tags);
    int SyncUpdateTodoItems(MergeNote& note, const std::vector<CServerTodo>& todo);
    int SyncRemoveClientItems(const std::vector<CRemovedItem>& items);
    void RemoveFolderKeepingNotes(const CString& folderId);
    // One note's content: fetched (three tries), then merged under the store's lock.
    int SyncDownloadNote(MergeNote& note);
    // The two halves: the request (no lock held), and the merge of what it brought, which the
    // caller runs under the store's lock; rc is the request's result.
    int FetchNoteContent(const MergeNote& note, std::vector<CServerObject>& notes);
    int MergeFetchedNote(MergeNote& note, const std::vector<CServerObject>& notes, int rc);
    void OnSyncDownloadAttaches(MergeAttach& attach);
    int SyncUploadFoldersToServer();
    int SyncUploadNoteToServer(MergeNote& note, CString& errorText);
    CServerObject NoteObject(MergeNote& note);
    int KeepNoteRemovedOnServer(MergeNote& note);
    int SyncUploadAttach(const wchar_t* noteId, const wchar_t* attachId, CString& serverName);
    int SyncRemoveDeleted();
    CString GetFolderGlobalId(int itemid);
    int GetFolderItemId(const wchar_t* folderId);
    void RemoveNoteTasks(const wchar_t* noteId);
    // Age tier of the download queue: 2 up to 3 days old, 5 up to a week, 8 up to two
    // weeks, else 10 (also for no date or a date in the future). `now` 0 = the current time.
    static int GetAttachPriority(int date1, int date2, time_t now = 0);

protected:
    void OnAuthRequest(WPARAM, LPARAM);
    void OnRunSync(WPARAM, LPARAM);
    void OnStopSync(WPARAM, LPARAM);
    void OnSyncGetNotesStruct(WPARAM, LPARAM);
    void OnSyncUploadFolders(WPARAM, LPARAM);
    void OnSyncUploadNotes(WPARAM, LPARAM);
    void OnSyncUploadAttach(WPARAM, LPARAM);
    void OnSyncRemoveItems(WPARAM, LPARAM);
    void OnSyncDownloadItem(WPARAM, LPARAM);
    void OnDownloadDone(WPARAM, LPARAM);
    void OnUploadDone(WPARAM, LPARAM);
    void OnSyncFinish(WPARAM, LPARAM);
    void OnCheckUpdate(WPARAM, LPARAM);
    void OnDownloadUpdate(WPARAM, LPARAM);
    void OnSyncDownloadFolders(WPARAM, LPARAM);
    void OnGetBackupList(WPARAM, LPARAM);
    void OnGetBackupPreview(WPARAM, LPARAM);
    void OnRestoreBackup(WPARAM, LPARAM);
    void OnGetShareLinkReq(WPARAM, LPARAM);
    void OnUnshareLinkReq(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    // Downloads the first notes of the queue (all of one queue place): each is fetched in turn,
    // then what came is merged in one hold of the store, so that the store writes them together.
    void OnSyncDownloadNoteContent(std::vector<MergeNote>& notes, int waiting);
    // The later attempts for one note whose first attempt ended with rc.
    void RetryNoteContent(MergeNote& note, int rc);
    // A note whose copy into the conflict folder failed is skipped for this sync (0); any other
    // result is returned as it is.
    int SkipIfCopyFailed(const MergeNote& note, int rc);
    void Event(int code, const wchar_t* text1, const wchar_t* text2, WPARAM value = 0);
    void Progress(float progress, int code, const CString& text);
    void Progress(float progress, int code, int stringId, const wchar_t* defaultText);
    void PostToA(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    void PostToB(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    bool Pause(unsigned ms);   // false when the sync is being stopped
    // After a failed attempt of three: true when the sync is being stopped, before or during
    // the pause that precedes the next attempt.
    bool StopRetrying(int attempt);
    ISyncStore* Store() const { return m_group->GetStore(); }
    CSync* Client() const { return m_group->GetClient(); }
    bool Running() const { return m_group->IsSyncRunning(); }
    bool FolderSyncs(int folderItemId);   // false for a do-not-sync folder
    int NoteCheck();                      // 2 terminating, 3 not running, else 0
    void SetState(int which, bool on);    // sets or resets event `which` and its mirror
    void PublishState(int which);         // event `which` as the mirror says (group's lock held)

    int m_restart = 0;
    std::vector<MergeAttach> m_attachQueue;
    // the group's three named events (terminate, upload running, download running), this
    // thread's handles to them; opened and closed under the group's lock
    HANDLE m_events[3] = {};
    CString m_updateUrl;
    CString m_updateText;
    ISyncObserver* m_observer = nullptr;
    CSyncGroup* m_group = &CSyncGroup::Default();

    // What one sync has done to its notes (thread A: uploads; thread B: downloads), so that
    // a note that keeps failing or keeps coming back is given up on for this sync.
    std::map<CString, int> m_uploadCount;
    std::set<CString> m_skipUpload;
    int m_skipResult = 0;
    bool m_endReported = false;
    std::set<CString> m_uploaded;     // notes sent in this sync (thread A)
    int m_structureStamp = 0;         // the service's stamp at this sync's structure step
    std::set<CString> m_skipDownload;
    int m_downloadSkipResult = 0;
    std::set<CString> m_skipAttach;
};

}  // namespace Sync
