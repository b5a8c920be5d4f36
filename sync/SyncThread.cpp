// The two sync threads: the chain of phase messages, the shared state of a sync and the
// requests of the user interface. The merge rules themselves are in Merge.cpp.
#include "SyncThread.h"
#include "SyncThreadLog.h"
#include "ActivityLog.h"
#include "ObjectId.h"
#include "StringTable.h"
#include "UserAccounts.h"
#include <cstdio>
#include <ctime>
#include <mutex>

namespace Sync {

namespace {

const wchar_t* const kEventNames[3] = {L"PelorEventSyncTerminate", L"PelorEventUploadRunning",
                                        L"PelorEventDownloadRunning"};
enum { kTerminateEvent, kUploadEvent, kDownloadEvent };

// The error text field holds 255 characters: longer service texts are cut, not refused.
const int kMaxErrorDesc = 255;

HANDLE OpenNamed(const wchar_t* name)
{
    // manual reset, not signalled; an existing event of that name is opened (and then made to
    // follow the group's mirror)
    return CreateEventW(nullptr, TRUE, FALSE, name);
}

}  // namespace

IMPLEMENT_DYNCREATE(CSyncThread, CWinThread)

BEGIN_MESSAGE_MAP(CSyncThread, CWinThread)
ON_THREAD_MESSAGE(WM_SYNC_AUTH_REQUEST, OnAuthRequest)
ON_THREAD_MESSAGE(WM_SYNC_RUN, OnRunSync)
ON_THREAD_MESSAGE(WM_SYNC_STOP, OnStopSync)
ON_THREAD_MESSAGE(WM_SYNC_GET_STRUCT, OnSyncGetNotesStruct)
ON_THREAD_MESSAGE(WM_SYNC_UPLOAD_FOLDERS, OnSyncUploadFolders)
ON_THREAD_MESSAGE(WM_SYNC_UPLOAD_NOTES, OnSyncUploadNotes)
ON_THREAD_MESSAGE(WM_SYNC_UPLOAD_ATTACH, OnSyncUploadAttach)
ON_THREAD_MESSAGE(WM_SYNC_REMOVE_ITEMS, OnSyncRemoveItems)
ON_THREAD_MESSAGE(WM_SYNC_DOWNLOAD_ITEM, OnSyncDownloadItem)
ON_THREAD_MESSAGE(WM_SYNC_DOWNLOAD_DONE, OnDownloadDone)
ON_THREAD_MESSAGE(WM_SYNC_UPLOAD_DONE, OnUploadDone)
ON_THREAD_MESSAGE(WM_SYNC_FINISH, OnSyncFinish)
ON_THREAD_MESSAGE(WM_SYNC_CHECK_UPDATE, OnCheckUpdate)
ON_THREAD_MESSAGE(WM_SYNC_DOWNLOAD_UPDATE, OnDownloadUpdate)
ON_THREAD_MESSAGE(WM_SYNC_DOWNLOAD_FOLDERS, OnSyncDownloadFolders)
ON_THREAD_MESSAGE(WM_SYNC_GET_BACKUP_LIST, OnGetBackupList)
ON_THREAD_MESSAGE(WM_SYNC_GET_BACKUP_PREVIEW, OnGetBackupPreview)
ON_THREAD_MESSAGE(WM_SYNC_RESTORE_BACKUP, OnRestoreBackup)
ON_THREAD_MESSAGE(WM_SYNC_GET_SHARE_LINK, OnGetShareLinkReq)
ON_THREAD_MESSAGE(WM_SYNC_UNSHARE_LINK, OnUnshareLinkReq)
END_MESSAGE_MAP()

// ---------------------------------------------------------------- observer of a window

void CSyncWindowObserver::OnSyncThreadEvent(int code, const wchar_t* text1, const wchar_t* text2, WPARAM value)
{
    HWND window = m_window.load();
    if (!window)
        return;
    SyncEventRecord* record = new SyncEventRecord;
    record->code = code;
    record->text1 = text1 ? text1 : L"";
    record->text2 = text2 ? text2 : L"";
    record->wparam = value;
    if (!PostMessageW(window, WM_SYNC_EVENT, value, (LPARAM)record))
        delete record;   // the window is gone: nobody would free it
}

void CSyncWindowObserver::OnSyncProgress(const SyncProgressRecord& progress)
{
    HWND window = m_window.load();
    if (!window)
        return;
    SyncProgressRecord* record = new SyncProgressRecord(progress);
    // sent, so the frame has handled (and freed) it when this returns; a failed send frees it here
    if (!SendMessageTimeoutW(window, WM_SYNC_PROGRESS, 0, (LPARAM)record, SMTO_NORMAL, 30000, nullptr))
        delete record;
}

// ---------------------------------------------------------------- the group of a pair

CSyncGroup::CSyncGroup(const wchar_t* name) : m_name(name ? name : L"") {}

CSyncGroup& CSyncGroup::Default()
{
    static CSyncGroup group;
    return group;
}

CString CSyncGroup::EventName(int which) const
{
    CString name = kEventNames[which];
    if (!m_name.IsEmpty())
        name += L"." + m_name;
    return name;
}

void CSyncGroup::SetThreads(CSyncThread* a, CSyncThread* b)
{
    for (CSyncThread* t : {a, b})
        if (t)
            t->SetGroup(this);
    m_threadA = a;
    m_threadB = b;
}

CSync* CSyncGroup::GetClient()
{
    CSingleLock guard(&m_lock, TRUE);
    return m_client;
}

int CSyncGroup::GetThreadCount()
{
    CSingleLock guard(&m_lock, TRUE);
    return m_threadCount;
}

void CSyncGroup::SetAccount(const wchar_t* email, const BYTE digest[16])
{
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        m_email = email ? email : L"";
        memset(m_digest, 0, 16);
        if (digest)
            memcpy(m_digest, digest, 16);
    }
    // the application installs the credentials it accepted
    if (CSync* client = GetClient())
        client->SetCredentials(email, digest, digest ? 16 : 0);
}

void CSyncGroup::GetAccount(CString& email, BYTE digest[16])
{
    std::lock_guard<std::mutex> guard(m_textLock);
    email = m_email;
    memcpy(digest, m_digest, 16);
}

CString CSyncGroup::GetDownloadedInstaller()
{
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_installer;
}

void CSyncGroup::SetDownloadedInstaller(const CString& path)
{
    std::lock_guard<std::mutex> guard(m_textLock);
    m_installer = path;
}

CString CSyncGroup::GetLastErrorDesc()
{
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_lastErrorDesc;
}

void CSyncGroup::SetLastErrorDesc(const CString& text)
{
    std::lock_guard<std::mutex> guard(m_textLock);
    m_lastErrorDesc = text.GetLength() > kMaxErrorDesc ? text.Left(kMaxErrorDesc) : text;
}

bool CSyncGroup::IsSyncRunning()
{
    return (m_state.load() & ((1u << kUploadEvent) | (1u << kDownloadEvent))) != 0;
}

bool CSyncGroup::IsStateSet(int which) const { return (m_state.load() & (1u << which)) != 0; }

// ---------------------------------------------------------------- construction and wiring

CSyncThread::CSyncThread() { m_bAutoDelete = FALSE; }

CSyncThread::~CSyncThread() {}

void CSyncThread::SetThreads(CSyncThread* a, CSyncThread* b) { CSyncGroup::Default().SetThreads(a, b); }
CSyncThread* CSyncThread::GetThreadA() { return CSyncGroup::Default().GetThreadA(); }
CSyncThread* CSyncThread::GetThreadB() { return CSyncGroup::Default().GetThreadB(); }
CSync* CSyncThread::GetClient() { return CSyncGroup::Default().GetClient(); }
int CSyncThread::GetThreadCount() { return CSyncGroup::Default().GetThreadCount(); }
void CSyncThread::SetRetryPauseMs(unsigned ms) { CSyncGroup::Default().SetRetryPauseMs(ms); }
void CSyncThread::SetStore(ISyncStore* store) { CSyncGroup::Default().SetStore(store); }
ISyncStore* CSyncThread::GetStore() { return CSyncGroup::Default().GetStore(); }
void CSyncThread::SetSyncType(int type) { CSyncGroup::Default().SetSyncType(type); }
void CSyncThread::SetReminderOlderDays(int days) { CSyncGroup::Default().SetReminderOlderDays(days); }
int CSyncThread::GetReminderOlderDays() { return CSyncGroup::Default().GetReminderOlderDays(); }
void CSyncThread::SetAccount(const wchar_t* email, const BYTE digest[16])
{
    CSyncGroup::Default().SetAccount(email, digest);
}
CString CSyncThread::GetDownloadedInstaller() { return CSyncGroup::Default().GetDownloadedInstaller(); }
int CSyncThread::GetUploadResult() { return CSyncGroup::Default().GetUploadResult(); }
int CSyncThread::GetDownloadResult() { return CSyncGroup::Default().GetDownloadResult(); }
CString CSyncThread::GetLastErrorDesc() { return CSyncGroup::Default().GetLastErrorDesc(); }
bool CSyncThread::IsSyncRunning() { return CSyncGroup::Default().IsSyncRunning(); }

BOOL CSyncThread::InitInstance()
{
    CWinThread::InitInstance();
    CSyncGroup& g = Group();
    CSingleLock guard(&g.m_lock, TRUE);
    ++g.m_threadCount;
    for (int which = 0; which < 3; ++which) {
        m_events[which] = OpenNamed(g.EventName(which));
        PublishState(which);
    }
    if (!g.m_client) {
        g.m_client = new CSync(GetDefaultServiceUrl(), "win_client");
        g.m_client->SetTransferEvents(this);
    } else if (this == g.m_threadA.load()) {
        g.m_client->SetTransferEvents(this);
    }
    return TRUE;
}

int CSyncThread::ExitInstance()
{
    {
        CSyncGroup& g = Group();
        CSingleLock guard(&g.m_lock, TRUE);
        if (g.m_client && g.m_threadCount == 1) {
            delete g.m_client;
            g.m_client = nullptr;
        }
        --g.m_threadCount;
        for (HANDLE& h : m_events) {
            if (h)
                CloseHandle(h);
            h = nullptr;
        }
    }
    return CWinThread::ExitInstance();
}

// ---------------------------------------------------------------- state

// The three events' states are mirrored in the group's bits, which every check reads: a check
// runs many times per note (and on every transfer progress call), and asking the events each
// time costs a round trip to the kernel object. The mirror is the state; the events follow it.
// Both change under the group's lock, so two threads setting and clearing one state cannot
// leave them apart, and no handle is closed meanwhile.
void CSyncThread::SetState(int which, bool on)
{
    CSingleLock guard(&Group().m_lock, TRUE);
    if (on)
        Group().m_state.fetch_or(1u << which);
    else
        Group().m_state.fetch_and(~(1u << which));
    PublishState(which);
}

void CSyncThread::PublishState(int which)
{
    if (HANDLE event = m_events[which]) {
        if (Group().IsStateSet(which))
            SetEvent(event);
        else
            ResetEvent(event);
    }
}

bool CSyncThread::IsTerminating()
{
    return Group().IsSyncRunning() && Group().IsStateSet(kTerminateEvent);
}

int CSyncThread::NoteCheck()
{
    if (IsTerminating())
        return SYNC_TERMINATED;
    if (!Group().IsSyncRunning())
        return SYNC_NOT_RUNNING;
    return 0;
}

bool CSyncThread::Pause(unsigned ms)
{
    // a stop ends the wait early
    if (!m_events[kTerminateEvent]) {
        Sleep(ms);
        return true;
    }
    return WaitForSingleObject(m_events[kTerminateEvent], ms) != WAIT_OBJECT_0;
}

bool CSyncThread::StopRetrying(int attempt)
{
    return IsTerminating() || (attempt < 2 && !Pause(Group().GetRetryPauseMs()));
}

bool CSyncThread::CheckOfflineLogin(const wchar_t* email, const BYTE digest[16])
{
    CSync* client = Client();
    CUserAccounts* accounts = client ? client->GetAccountCache() : nullptr;
    return accounts && accounts->CheckOfflineLogin(email, digest);
}

// ---------------------------------------------------------------- reports

void CSyncThread::Event(int code, const wchar_t* text1, const wchar_t* text2, WPARAM value)
{
    if (m_observer)
        m_observer->OnSyncThreadEvent(code, text1, text2, value);
}

void CSyncThread::Progress(float progress, int code, const CString& text)
{
    if (!m_observer)
        return;
    SyncProgressRecord record;
    record.progress = progress;
    record.code = code;
    record.text = text;
    m_observer->OnSyncProgress(record);
}

void CSyncThread::Progress(float progress, int code, int stringId, const wchar_t* defaultText)
{
    Progress(progress, code, GetLangString(stringId, defaultText));
}

void CSyncThread::ReportUploadProgress(double percent)
{
    time_t now = time(nullptr);
    time_t last = Group().m_lastUploadReport.load();
    if (now - last < 3)
        return;
    Group().m_lastUploadReport = now;
    CString text;
    text.Format(L"%s %.1lf%%", GetLangString(1723, L"Upload attachment ").GetString(), percent);
    Progress(0.0f, 0, text);
}

void CSyncThread::OnUpdateDownloadTick() { Event(SYNC_EVENT_UPDATE_PROGRESS, nullptr, nullptr); }

void CSyncThread::PostToA(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (CSyncThread* a = Group().GetThreadA())
        a->PostThreadMessage(message, wParam, lParam);
}

void CSyncThread::PostToB(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (CSyncThread* b = Group().GetThreadB())
        b->PostThreadMessage(message, wParam, lParam);
}

bool CSyncThread::FolderSyncs(int folderItemId)
{
    ISyncStore* store = Store();
    MergeFolder folder;
    return !(store && store->GetFolderByItemId(folderItemId, folder) && (folder.flags & FOLDER_FLAG_NO_SYNC));
}

// ---------------------------------------------------------------- requests

void CSyncThread::PostAuthRequest(AuthCallback callback, void* userData, const wchar_t* email, const BYTE digest[16])
{
    AuthRequest* request = new AuthRequest;
    request->callback = callback;
    request->userData = userData;
    request->email = email ? email : L"";
    if (digest)
        memcpy(request->digest, digest, 16);
    if (!PostThreadMessage(WM_SYNC_AUTH_REQUEST, 0, (LPARAM)request))
        delete request;
}

void CSyncThread::RunSync() { PostThreadMessage(WM_SYNC_RUN, 0, 0); }

void CSyncThread::StopSync()
{
    SetState(kTerminateEvent, true);
    PostThreadMessage(WM_SYNC_STOP, 0, 0);
}

void CSyncThread::CheckUpdate(WPARAM value) { PostThreadMessage(WM_SYNC_CHECK_UPDATE, value, 0); }
void CSyncThread::DownloadUpdate() { PostThreadMessage(WM_SYNC_DOWNLOAD_UPDATE, 0, 0); }
void CSyncThread::RequestSyncFolders(HWND window) { PostToB(WM_SYNC_DOWNLOAD_FOLDERS, (WPARAM)window, 0); }
void CSyncThread::GetBackupList() { PostThreadMessage(WM_SYNC_GET_BACKUP_LIST, 0, 0); }

namespace {
wchar_t* CopyText(const wchar_t* text)
{
    if (!text)
        return nullptr;
    size_t n = wcslen(text) + 1;
    wchar_t* copy = new wchar_t[n];
    memcpy(copy, text, n * sizeof(wchar_t));
    return copy;
}
}  // namespace

void CSyncThread::GetBackupPreview(const wchar_t* backupId)
{
    wchar_t* id = CopyText(backupId);
    if (!PostThreadMessage(WM_SYNC_GET_BACKUP_PREVIEW, 0, (LPARAM)id))
        delete[] id;
}

void CSyncThread::RestoreBackup(const wchar_t* backupId, std::vector<CString>* items)
{
    wchar_t* id = CopyText(backupId);
    if (!PostThreadMessage(WM_SYNC_RESTORE_BACKUP, (WPARAM)items, (LPARAM)id)) {
        delete[] id;
        delete items;
    }
}

void CSyncThread::GetShareLink(HWND window, const wchar_t* noteId)
{
    wchar_t* id = CopyText(noteId);
    if (!PostThreadMessage(WM_SYNC_GET_SHARE_LINK, (WPARAM)window, (LPARAM)id))
        delete[] id;
}

void CSyncThread::UnshareLink(HWND window, const wchar_t* noteId)
{
    wchar_t* id = CopyText(noteId);
    if (!PostThreadMessage(WM_SYNC_UNSHARE_LINK, (WPARAM)window, (LPARAM)id))
        delete[] id;
}

// ---------------------------------------------------------------- login

void CSyncThread::OnAuthRequest(WPARAM, LPARAM lParam)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::OnAuthRequest");
    AuthRequest* request = (AuthRequest*)lParam;
    if (!request)
        return;
    request->result = -6;
    request->status = AUTH_FAILED;
    CSync* client = Client();
    if (client) {
        CString savedEmail;
        BYTE savedDigest[64] = {};
        int savedLength = 0;
        client->GetCredentials(savedEmail, savedDigest, savedLength);
        bool offline = true;
        if (client->CheckConnection(client->GetBaseAddress())) {
            client->SetCredentials(request->email, request->digest, 16);
            int rc = client->Authenticate();
            request->result = rc;
            if (rc == 0)
                request->status = AUTH_ONLINE;
            offline = rc == SYNC_UNREACHABLE;
        }
        if (offline) {
            request->status = AUTH_FAILED;
            request->result = -6;
            if (CheckOfflineLogin(request->email, request->digest)) {
                request->status = AUTH_OFFLINE;
                request->result = 0;
            }
        }
        // the caller installs the new credentials when it accepts the result
        client->SetCredentials(savedEmail, savedLength ? savedDigest : nullptr, savedLength);
    }
    if (request->callback)
        request->callback(request->userData, this, request);
    delete request;
}

namespace {
void AuthCompleteCallback(void*, CSyncThread* thread, AuthRequest* request)
{
    thread->OnMessageAuthComplete(request->result, request->status);
}
}  // namespace

void CSyncThread::OnRunSync(WPARAM, LPARAM)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::OnRunSync");
    if (Running()) {
        Log("Restarting sync by user...");
        SetState(kTerminateEvent, true);
        m_restart = 1;
        return;
    }
    Log("Run sync by user...");
    SetState(kTerminateEvent, false);
    SetState(kUploadEvent, true);
    Group().m_uploadResult = SYNC_STILL_RUNNING;
    // no download yet: an old download result must not colour this sync's end
    Group().m_downloadResult = 0;
    m_endReported = false;
    Group().SetLastErrorDesc(CString());
    m_restart = 0;
    m_uploadCount.clear();
    m_skipUpload.clear();
    m_uploaded.clear();
    m_skipResult = 0;
    Progress(0.0f, 0, 1716, L"Authenticate...");
    Event(SYNC_EVENT_STARTED, L"", nullptr);
    CString email;
    BYTE digest[16];
    Group().GetAccount(email, digest);
    PostAuthRequest(AuthCompleteCallback, nullptr, email, digest);
}

void CSyncThread::OnMessageAuthComplete(int result, int status)
{
    if (status != AUTH_OFFLINE && status != AUTH_ONLINE) {
        Log("Authenticate failed");
        Progress(0.0f, -1, 1715, L"Authenticate failed");
    } else if (result != 0 || status != AUTH_ONLINE) {
        // an offline acceptance signs the user in but does not sync
        Log("Sync failed");
        Progress(0.0f, -1, 1713, L"Sync failed");
    }
    if (status != AUTH_ONLINE || result != 0) {
        SetState(kUploadEvent, false);
        m_restart = 0;
    } else {
        PostThreadMessage(WM_SYNC_GET_STRUCT, 0, 0);
    }
    if (m_observer && !Group().IsSyncRunning())
        Event(SYNC_EVENT_ENDED, L"", nullptr);
}

void CSyncThread::OnStopSync(WPARAM, LPARAM)
{
    if (Running()) {
        m_restart = 0;
        SetState(kTerminateEvent, true);
    }
}

// ---------------------------------------------------------------- structure

void CSyncThread::OnSyncGetNotesStruct(WPARAM, LPARAM)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::OnSyncGetNotesStruct");
    ISyncStore* store = Store();
    CSync* client = Client();
    if (IsTerminating() || !Running() || !store || !client) {
        PostThreadMessage(WM_SYNC_UPLOAD_DONE, SYNC_TERMINATED, 0);
        return;
    }
    Progress(0.0f, 0, 1717, L"Downloading meta info...");
    CString stamp = store->GetParam(L"last_update_time", L"0");
    std::string stampA = ToUtf8(stamp);
    CDataStruct data;
    int rc = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        Log("Downloading note struct...  from timestamp = ", stamp);
        rc = client->GetDataStruct(stampA.c_str(), data);
        if (rc == 0)
            break;
        if (StopRetrying(attempt)) {
            rc = SYNC_TERMINATED;
            break;
        }
    }
    if (rc == 0) {
        if (data.hasTags)
            store->MergeServerTags(data.tags);
        Progress(0.0f, 0, 1718, L"Updating folders...");
        rc = SyncUpdateClientFolders(data.items);
        if (rc == 0) {
            Progress(0.0f, 0, 1719, L"Updating notes...");
            rc = SyncUpdateClientNotes(data.items, _wtoi(stamp));
        }
        if (rc == 0) {
            Progress(0.0f, 0, 1720, L"Removing old items...");
            rc = SyncRemoveClientItems(data.removed);
        }
    }
    if (rc != 0) {
        Log("Downloaded note struct. Using previous timestamp = ", stamp);
        PostThreadMessage(WM_SYNC_UPLOAD_DONE, (WPARAM)rc, 0);
        return;
    }
    store->SetParam(L"last_update_time", data.lastUpdateTime);
    m_structureStamp = _wtoi(data.lastUpdateTime);
    Log("    new_timestamp = ", data.lastUpdateTime);
    PostThreadMessage(WM_SYNC_UPLOAD_FOLDERS, 0, 0);
    CSyncThread* b = Group().GetThreadB();
    if (b && !Group().IsStateSet(kDownloadEvent)) {
        SetState(kDownloadEvent, true);
        Group().m_downloadResult = SYNC_STILL_RUNNING;
        b->PostThreadMessage(WM_SYNC_DOWNLOAD_ITEM, 1, 0);
    }
}

// ---------------------------------------------------------------- uploads

void CSyncThread::OnSyncUploadFolders(WPARAM, LPARAM)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::OnSyncUploadFolders");
    if (IsTerminating() || !Running()) {
        PostThreadMessage(WM_SYNC_UPLOAD_DONE, SYNC_TERMINATED, 0);
        return;
    }
    int rc = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        Progress(0.0f, 0, 1721, L"Upload folders/tags...");
        rc = SyncUploadFoldersToServer();
        if (rc == 0) {
            PostThreadMessage(WM_SYNC_UPLOAD_NOTES, 0, 0);
            return;
        }
        if (IsTerminating() || !Pause(Group().GetRetryPauseMs())) {
            Log("terminated");
            rc = SYNC_TERMINATED;
            break;
        }
    }
    PostThreadMessage(WM_SYNC_UPLOAD_DONE, (WPARAM)rc, 0);
}

void CSyncThread::OnSyncUploadNotes(WPARAM, LPARAM)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::OnSyncUploadNotes");
    ISyncStore* store = Store();
    CSync* client = Client();
    if (IsTerminating() || !Running() || !store || !client) {
        PostThreadMessage(WM_SYNC_UPLOAD_DONE, SYNC_TERMINATED, 0);
        return;
    }
    Progress(0.0f, 0, 1722, L"Upload notes...");
    // Notes still waiting for their content from the server are not sent: their local text
    // is not the server's latest, and the download keeps a local edit as a conflict copy.
    MergeNote note;
    bool found = false;
    for (MergeNote& n : store->GetNotesForUpload()) {
        if (n.sync_priority > 0 || m_skipUpload.count(n.note_id) || !FolderSyncs(n.folder_id))
            continue;
        note = n;
        found = true;
        break;
    }
    if (!found) {
        Log("No notes for upload");
        PostThreadMessage(WM_SYNC_REMOVE_ITEMS, 0, 0);
        return;
    }
    // A note that keeps coming back (the service keeps refusing its attachments, or its
    // row cannot be marked clean) is given up on for this sync and reported at its end.
    if (m_uploadCount[note.note_id] >= kMaxUploadsPerNote) {
        Log("Note upload given up for this sync. note_id = ", note.note_id);
        m_skipUpload.insert(note.note_id);
        if (!m_skipResult)
            m_skipResult = -23;
        PostThreadMessage(WM_SYNC_UPLOAD_NOTES, 0, 0);
        return;
    }
    m_attachQueue.clear();
    for (MergeAttach& a : store->GetAttaches(note.note_id, nullptr, false))
        m_attachQueue.push_back(a);
    for (const MergeAttach& a : m_attachQueue) {
        if (a.srv_id.IsEmpty() && a.sync_url.IsEmpty()) {
            PostThreadMessage(WM_SYNC_UPLOAD_ATTACH, 0, 0);
            return;
        }
        CLogStream log(LOG_LEVEL_SYNC);
        log << "POSSIBLE ERROR Attach will not be upload !!! " << a.srv_id.GetString() << " "
            << a.sync_url.GetString() << " " << a.sync_priority;
        log.End();
    }
    ++m_uploadCount[note.note_id];
    int rc = 0;
    CString errorText;
    for (int attempt = 0; attempt < 3; ++attempt) {
        rc = SyncUploadNoteToServer(note, errorText);
        if (rc == 0 || rc == -20)
            break;
        if (rc == SYNC_COPY_FAILED) {
            // the note stays as it is here: it is tried again by the next sync
            m_skipUpload.insert(note.note_id);
            m_skipResult = rc;
            rc = 0;
            break;
        }
        if (rc == -23) {
            store->MarkAttachesAsDirty(note.note_id);
            rc = 0;
            break;
        }
        if (StopRetrying(attempt)) {
            rc = SYNC_TERMINATED;
            break;
        }
    }
    if (rc == 0) {
        m_uploaded.insert(note.note_id);
        rc = client->GetUserInfo();
        if (rc == 0) {
            if (CUserAccounts* accounts = client->GetAccountCache()) {
                unsigned long long max = (unsigned)*accounts->GetNotesMax();
                unsigned long long current = (unsigned)*accounts->GetNotesCurrent();
                if (current * 1024 + 5120 >= max * 1024)
                    Event(SYNC_EVENT_QUOTA_NEAR, L"", nullptr);
            }
            PostThreadMessage(WM_SYNC_UPLOAD_NOTES, 0, 0);
            return;
        }
        errorText = client->GetLastErrorDesc();
    }
    Group().SetLastErrorDesc(errorText);
    PostThreadMessage(WM_SYNC_UPLOAD_DONE, (WPARAM)rc, 0);
}

void CSyncThread::OnSyncUploadAttach(WPARAM, LPARAM)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::OnSyncUploadAttach");
    ISyncStore* store = Store();
    if (IsTerminating() || !Running() || !store) {
        PostThreadMessage(WM_SYNC_UPLOAD_DONE, SYNC_TERMINATED, 0);
        return;
    }
    Progress(0.0f, 0, 1723, L"Upload attachments...");
    for (MergeAttach& a : m_attachQueue) {
        if (!a.srv_id.IsEmpty() || !a.sync_url.IsEmpty())
            continue;
        int rc = 0;
        CString serverName;
        for (int attempt = 0; attempt < 3; ++attempt) {
            rc = SyncUploadAttach(a.note_id, a.attach_id, serverName);
            if (rc == 0)
                break;
            if (StopRetrying(attempt)) {
                rc = SYNC_TERMINATED;
                break;
            }
        }
        if (rc != 0) {
            PostThreadMessage(WM_SYNC_UPLOAD_DONE, (WPARAM)rc, 0);
            return;
        }
        // the store's row as it is now (the upload may have removed duplicates)
        std::vector<MergeAttach> rows = store->GetAttaches(a.note_id, a.attach_id, true);
        MergeAttach row = rows.empty() ? a : rows.back();
        row.sync_priority = 0;
        row.srv_id = serverName;
        store->UpdateAttach(row);
        a.srv_id = serverName;
        a.sync_priority = 0;
        PostThreadMessage(WM_SYNC_UPLOAD_ATTACH, 0, 0);
        return;
    }
    PostThreadMessage(WM_SYNC_UPLOAD_NOTES, 0, 0);
}

void CSyncThread::OnSyncRemoveItems(WPARAM, LPARAM)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::OnSyncRemoveItems");
    if (IsTerminating() || !Running()) {
        PostThreadMessage(WM_SYNC_UPLOAD_DONE, SYNC_TERMINATED, 0);
        return;
    }
    int rc = SyncRemoveDeleted();
    if (rc == 0 && m_skipResult) {
        // notes given up on: the sync did not send everything
        rc = m_skipResult;
        Group().SetLastErrorDesc(rc == SYNC_COPY_FAILED ? L"conflict copy could not be stored"
                                                        : L"note upload repeated too often");
    }
    PostThreadMessage(WM_SYNC_UPLOAD_DONE, (WPARAM)rc, 0);
}

// ---------------------------------------------------------------- downloads (thread B)

void CSyncThread::OnSyncDownloadItem(WPARAM wParam, LPARAM)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::OnSyncDownloadItem");
    ISyncStore* store = Store();
    if (IsTerminating() || !Running() || !store) {
        PostToA(WM_SYNC_DOWNLOAD_DONE, SYNC_TERMINATED, 0);
        return;
    }
    if (wParam == 1) {
        // the first item of a sync: what the last sync gave up on is tried again
        m_skipDownload.clear();
        m_skipAttach.clear();
        m_downloadSkipResult = 0;
    }
    // Notes of do-not-sync folders stay out of the queue; notes given up on in this sync
    // (an empty reply) wait for the next.
    // the queue is read in one hold of the store (one read of the file, not one per query)
    int total = 0;
    int count = 0;
    std::vector<MergeNote> waiting;
    MergeAttach attach;
    bool haveAttach = false;
    {
        CSyncStoreLock lock(store);
        int limit = (int)m_skipDownload.size() + 16;
        for (MergeNote& n : store->GetNotesForDownload(limit, total))
            if (!m_skipDownload.count(n.note_id) && FolderSyncs(n.folder_id))
                waiting.push_back(n);
        count = waiting.empty() ? 0 : total - (int)m_skipDownload.size();
        if (!waiting.empty() && count < 1)
            count = 1;
        if (!(count > 0 && waiting[0].sync_priority == 1)) {
            int attachTotal = 0;
            for (MergeAttach& a : store->GetAttachesForDownload((int)m_skipAttach.size() + 16, attachTotal)) {
                if (m_skipAttach.count(a.attach_id))
                    continue;
                MergeNote owner;
                if (store->GetNote(a.note_id, owner) && !FolderSyncs(owner.folder_id))
                    continue;
                attach = a;
                haveAttach = true;
                break;
            }
        }
    }
    // the notes at the head of the queue that share its place go in one run
    for (size_t i = 1; i < waiting.size(); ++i)
        if (waiting[i].sync_priority != waiting[0].sync_priority) {
            waiting.resize(i);
            break;
        }
    if (count > 0 && waiting[0].sync_priority == 1) {
        OnSyncDownloadNoteContent(waiting, count);
        return;
    }
    if (haveAttach && attach.sync_priority == 1) {
        OnSyncDownloadAttaches(attach);
        return;
    }
    if (count > 0) {
        OnSyncDownloadNoteContent(waiting, count);
        return;
    }
    if (!haveAttach || Group().GetSyncType() != 0 || attach.sync_priority <= 1) {
        Log("No items for download.");
        PostToA(WM_SYNC_DOWNLOAD_DONE, (WPARAM)m_downloadSkipResult, 0);
        return;
    }
    OnSyncDownloadAttaches(attach);
}

void CSyncThread::OnSyncDownloadNoteContent(std::vector<MergeNote>& notes, int waiting)
{
    // The first attempt of each note: the requests one after the other without the store's
    // lock, then one hold of it for all the merges, so the rows of the whole run reach the
    // disk in one write. Each merge still decides on its note as it is at that moment. The run
    // ends early after a failed request (that note goes on alone), on a stop, and once it has
    // taken long or brought much, so that the notes show up without long delays.
    const DWORD started = GetTickCount();
    const size_t kMaxBytes = 16u << 20;
    size_t bytes = 0;
    std::vector<std::vector<CServerObject>> replies;
    std::vector<int> results;
    std::vector<bool> asked;   // false: the sync stopped before the request
    for (size_t i = 0; i < notes.size(); ++i) {
        if (i > 0 && (results.back() != 0 || IsTerminating() || bytes >= kMaxBytes || GetTickCount() - started >= 500))
            break;
        MergeNote& note = notes[i];
        Event(SYNC_EVENT_DOWNLOADING, note.note_id, note.note_id);
        CString text;
        text.Format(GetLangString(1724, L"Download note's content (%d)...").GetString(), waiting - (int)i);
        Progress(0.0f, 0, text);
        PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::SyncDownloadNote");
        replies.emplace_back();
        int rc = NoteCheck();
        asked.push_back(rc == 0);
        if (rc == 0)
            rc = FetchNoteContent(note, replies.back());
        for (const CServerObject& o : replies.back())
            bytes += (size_t)o.text.GetLength() * sizeof(wchar_t);
        results.push_back(rc);
    }
    {
        CSyncStoreLock lock(Store());
        for (size_t i = 0; i < results.size(); ++i)
            if (asked[i])
                results[i] = MergeFetchedNote(notes[i], replies[i], results[i]);
    }
    for (size_t i = 0; i < results.size(); ++i) {
        if (int rc = SkipIfCopyFailed(notes[i], results[i])) {
            RetryNoteContent(notes[i], rc);
            return;
        }
    }
    PostThreadMessage(WM_SYNC_DOWNLOAD_ITEM, 0, 0);
}

int CSyncThread::SkipIfCopyFailed(const MergeNote& note, int rc)
{
    if (rc != SYNC_COPY_FAILED)
        return rc;
    // left as it is here and reported at the end; the others still come
    m_skipDownload.insert(note.note_id);
    m_downloadSkipResult = rc;
    return 0;
}

void CSyncThread::RetryNoteContent(MergeNote& note, int rc)
{
    for (int attempt = 0;;) {
        if (StopRetrying(attempt)) {
            PostToA(WM_SYNC_DOWNLOAD_DONE, SYNC_TERMINATED, 0);
            return;
        }
        // the next attempt works on the row as it is now (its sync_priority was raised)
        ISyncStore* store = Store();
        MergeNote fresh;
        if (store && store->GetNote(note.note_id, fresh))
            note = fresh;
        if (++attempt == 3)
            break;
        rc = SkipIfCopyFailed(note, SyncDownloadNote(note));
        if (rc == 0) {
            PostThreadMessage(WM_SYNC_DOWNLOAD_ITEM, 0, 0);
            return;
        }
    }
    PostToA(WM_SYNC_DOWNLOAD_DONE, (WPARAM)rc, 0);
}

void CSyncThread::OnDownloadDone(WPARAM wParam, LPARAM)
{
    Group().m_downloadResult = (int)wParam;
    SetState(kDownloadEvent, false);
    PostToA(WM_SYNC_FINISH, 0, 0);
}

void CSyncThread::OnUploadDone(WPARAM wParam, LPARAM)
{
    Group().m_uploadResult = (int)wParam;
    SetState(kUploadEvent, false);
    PostToA(WM_SYNC_FINISH, 0, 0);
}

void CSyncThread::OnSyncFinish(WPARAM, LPARAM)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::OnSyncFinish");
    if (CSync* client = Client())
        client->GetUserInfo();
    if (Group().IsStateSet(kUploadEvent))
        return;
    int u = Group().GetUploadResult(), d = Group().GetDownloadResult();
    bool ended = u != SYNC_STILL_RUNNING && d != SYNC_STILL_RUNNING;
    // Both done messages may arrive after both sides have ended: the end is reported once.
    if (ended && m_endReported)
        return;
    if (u == 0 && d == 0) {
        Log("Sync complete success");
        Progress(100.0f, 0, 1710, L"Sync complete");
    } else if (u == SYNC_TERMINATED || d == SYNC_TERMINATED) {
        Log("Sync terminated");
        Progress(0.0f, -1, 1711, L"Sync terminated");
    } else if (u == -20) {
        Log("Sync failed: quota exceed");
        Event(SYNC_EVENT_QUOTA_EXCEEDED, Group().GetLastErrorDesc(), nullptr);
        Progress(0.0f, -1, 1712, L"Sync failed: quota exceed");
    } else if (u != SYNC_STILL_RUNNING && d != SYNC_STILL_RUNNING) {
        LogNum("Sync failed: ", u ? u : d);
        Progress(0.0f, -1, 1713, L"Sync failed");
    }
    if (ended) {
        m_endReported = true;
        if (m_observer)
            Event(SYNC_EVENT_ENDED, L"", nullptr);
        if (m_restart) {
            m_restart = 0;
            PostThreadMessage(WM_SYNC_RUN, 0, 0);
        }
    }
}

// ---------------------------------------------------------------- update check and installer

void CSyncThread::OnCheckUpdate(WPARAM wParam, LPARAM)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::OnCheckUpdate");
    CSync* client = Client();
    std::string reply;
    CString number, url;
    if (client && client->HttpGet(client->GetUpdateCheckUrl(), reply) == 0) {
        int n = 0;
        CString text;
        if (ParseUpdateReply(reply.c_str(), n, text, url)) {
            number.Format(L"%d", n);
            m_updateUrl = url;
            m_updateText = text;
        } else {
            url.Empty();
        }
    }
    Event(SYNC_EVENT_UPDATE_CHECKED, number, url, wParam);
}

void CSyncThread::OnDownloadUpdate(WPARAM, LPARAM)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::OnDownloadUpdate");
    Group().SetDownloadedInstaller(CString());
    CSync* client = Client();
    if (!client || m_updateUrl.IsEmpty())
        return;
    wchar_t temp[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
    CString path = n && n < MAX_PATH ? CString(temp) : CString(L".");
    if (path.Right(1) != L"\\")
        path += L"\\";
    CString id;
    PeloraGenerateKeyString(id);
    path += id + L".exe";
    int rc = client->HttpDownload(ToUtf8(m_updateUrl).c_str(), path);
    Progress(0.0f, 0, CString());
    if (rc == 0) {
        Group().SetDownloadedInstaller(path);
        Event(SYNC_EVENT_UPDATE_DOWNLOADED, L"", L"");
    }
}

// ---------------------------------------------------------------- sync-folders dialog (thread B)

void CSyncThread::OnSyncDownloadFolders(WPARAM wParam, LPARAM)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::OnSyncDownloadFolders");
    ISyncStore* store = Store();
    CSync* client = Client();
    int rc = 4;
    if (store && client) {
        std::string stamp = ToUtf8(store->GetParam(L"last_update_time", L"0"));
        CDataStruct data;
        for (int attempt = 0; attempt < 3; ++attempt) {
            rc = client->GetDataStruct(stamp.c_str(), data);
            LogNum("GetDataStruct() result", rc);
            if (rc == 0) {
                if (data.hasTags)
                    store->MergeServerTags(data.tags);
                rc = SyncUpdateClientFolders(data.items);
                LogNum("SyncUpdateClientFolders() result", rc);
                break;
            }
            if (attempt < 2)
                Sleep(Group().GetRetryPauseMs() / 5);
        }
    }
    Sleep(Group().GetRetryPauseMs() / 2);
    if (HWND window = (HWND)wParam)
        SendMessageW(window, WM_SYNC_FOLDERS_READY, (WPARAM)rc, 0);
}

// ---------------------------------------------------------------- backups and sharing

void CSyncThread::OnGetBackupList(WPARAM, LPARAM)
{
    BackupListRecord* list = nullptr;
    if (CSync* client = Client())
        client->GetBackupList(&list);
    Event(SYNC_EVENT_BACKUP_LIST, L"", L"", (WPARAM)list);
}

void CSyncThread::OnGetBackupPreview(WPARAM, LPARAM lParam)
{
    wchar_t* id = (wchar_t*)lParam;
    BackupPreviewRecord* list = nullptr;
    CSync* client = Client();
    if (id && client)
        client->GetBackupPreview(id, &list);
    delete[] id;
    Event(SYNC_EVENT_BACKUP_PREVIEW, L"", L"", (WPARAM)list);
}

void CSyncThread::OnRestoreBackup(WPARAM wParam, LPARAM lParam)
{
    wchar_t* id = (wchar_t*)lParam;
    std::vector<CString>* items = (std::vector<CString>*)wParam;
    int result = -1;
    CSync* client = Client();
    if (id && client) {
        int restored = 0;
        result = client->RestoreBackup(id, items, &restored);
    }
    delete[] id;
    delete items;
    Event(SYNC_EVENT_RESTORE_DONE, L"", L"", (WPARAM)(INT_PTR)result);
}

void CSyncThread::OnGetShareLinkReq(WPARAM wParam, LPARAM lParam)
{
    wchar_t* id = (wchar_t*)lParam;
    CStringA link;
    int rc = 4;
    if (CSync* client = Client())
        rc = id ? client->GetNoteShareLink(id, link) : 4;
    Log("note_id =", id);
    delete[] id;
    char* text = new char[link.GetLength() + 1];
    memcpy(text, link.GetString(), (size_t)link.GetLength() + 1);
    if (!wParam || !PostMessageW((HWND)wParam, WM_SHARE_LINK_RESULT, (WPARAM)rc, (LPARAM)text))
        delete[] text;
}

void CSyncThread::OnUnshareLinkReq(WPARAM wParam, LPARAM lParam)
{
    wchar_t* id = (wchar_t*)lParam;
    int rc = 4;
    if (CSync* client = Client())
        rc = id ? client->NoteUnshareLink(id) : 4;
    delete[] id;
    if (wParam)
        PostMessageW((HWND)wParam, WM_UNSHARE_LINK_RESULT, (WPARAM)rc, 0);
}

}  // namespace Sync
