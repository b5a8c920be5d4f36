// What the sync threads need of the local store and the in-memory notebook while they merge
// and upload. The records carry the store's column names so that an adapter over the
// database and the notebook is a field-for-field copy; tests implement it in memory.
#pragma once
#include "Framework.h"
#include <functional>
#include <string>
#include <vector>

namespace Sync {

class IAttachSink;   // SyncClient.h

// Built-in folders (item ids 1 to 3) and the folder kinds of the store's "type" column.
enum { FOLDER_TYPE_USER = 0, FOLDER_TYPE_CONFLICT = 1, FOLDER_TYPE_DEFAULT = 2, FOLDER_TYPE_TRASH = 3 };
// Folder flags bit: the sync-folders dialog's do-not-sync mark.
enum { FOLDER_FLAG_NO_SYNC = 1 };
// Attachment flags bit: the bytes live in a file under the attachments folder.
enum { ATTACH_FLAG_FILE_STORAGE = 1 };
// Tag flags: removed locally (its removal is still to be sent); known to the service.
enum { TAG_FLAG_REMOVED = 2, TAG_FLAG_FROM_SERVER = 0x8000 };

struct MergeFolder {
    int itemid = 0;
    CString folder_id;
    CString parent_id;
    CString folder_name;
    int type = 0;
    int b_syncdirty = 0;
    int b_removed = 0;
    int flags = 0;
    int date_create = 0;
    int date_update = 0;
};

struct MergeNote {
    int itemid = 0;
    CString note_id;
    int folder_id = 0;          // item id of its folder
    int prn_index = 0;
    int date_create = 0;
    int date_update = 0;
    int date_update_user = 0;
    CString note_title;
    int sav_fld_id = 0;
    int b_syncdirty = 0;
    int b_removed = 0;
    int b_shared = 0;           // bit 0 shared by link, bit 1 has a reminder
    int sync_priority = 0;
    int sync_timestamp = 0;     // the service's stamp of the version this note was last in step with
    int num_tasks = 0;
    int editable = 1;
    int crypt_type = 0;
    CString preview_text;
    CString url;
    CString geo_str1;
    CString geo_str2;
    int page_color = 0xFFFFFF;
    CString content;            // stored HTML; only after LoadNoteContent
};

struct MergeAttach {
    int itemid = 0;
    CString attach_id;
    CString note_id;
    CString hash;
    CString filename;
    int type = 0;               // 1 = shown in the attachment list
    CString mime;
    int date_create = 0;
    int date_update = 0;
    std::string data;           // bytes, or the file name for a file-kept attachment
    long long size = 0;
    int b_syncdirty = 0;
    int b_removed = 0;
    int sync_priority = 0;
    CString sync_url;
    CString srv_id;
    int flags = 0;
};

struct MergeTask {
    CString task_id;
    CString note_id;
    CString task_info;
    int b_checked = 0;
};

struct MergeReminder {
    int b_valid = 0;
    int time_initial = 0;
    int time_to_run = 0;
    int repeat = 0;
    int completed = 0;
    CString geo_lat;
    CString geo_lng;
    int priority = 2;
    int type_reminder = 0;      // 1 = place
};

// The store and notebook operations of a sync. Called on both sync threads; an
// implementation guards itself where the store needs it.
class ISyncStore {
public:
    virtual ~ISyncStore() = default;

    // parameters ("last_update_time")
    virtual CString GetParam(const wchar_t* name, const wchar_t* defaultValue) = 0;
    virtual void SetParam(const wchar_t* name, const wchar_t* value) = 0;

    // folders
    virtual std::vector<MergeFolder> FindFolders(const wchar_t* folderId) = 0;
    virtual bool GetFolderByItemId(int itemid, MergeFolder& out) = 0;
    virtual std::vector<MergeFolder> GetDirtyFolders() = 0;      // b_syncdirty 1, removed or not
    virtual std::vector<MergeFolder> GetRemovedFolders() = 0;    // b_removed 1
    virtual bool CreateFolder(MergeFolder& folder) = 0;          // sets itemid
    virtual bool UpdateFolder(const MergeFolder& folder) = 0;
    virtual bool RemoveFolder(const wchar_t* folderId) = 0;      // true when one was removed
    virtual std::vector<MergeFolder> GetChildFolders(const wchar_t* folderId) = 0;
    // the notebook loads a folder the sync created
    virtual void OnFolderCreated(const MergeFolder& folder) = 0;

    // notes
    virtual bool GetNote(const wchar_t* noteId, MergeNote& out) = 0;
    virtual bool CreateNote(MergeNote& note) = 0;                // sets itemid
    virtual bool UpdateNote(const MergeNote& note) = 0;          // the row, not the content
    virtual bool LoadNoteContent(MergeNote& note) = 0;
    virtual bool UpdateNoteContent(const MergeNote& note) = 0;
    virtual bool RemoveNote(const wchar_t* noteId) = 0;
    // Dirty, not removed, in folders of type 0, 2 or 3 and in "conflict_folder" (conflict
    // copies go to the service too, so that every client keeps both texts), lowest item id first.
    virtual std::vector<MergeNote> GetNotesForUpload() = 0;
    // the notes of a folder (by item id) that are not removed
    virtual std::vector<MergeNote> GetNotesInFolder(int folderItemId) = 0;
    // The first `limit` notes with sync_priority above 0, lowest first, among equals the
    // latest date_update first; total = how many there are.
    virtual std::vector<MergeNote> GetNotesForDownload(int limit, int& total) = 0;
    virtual std::vector<MergeNote> GetRemovedNotes() = 0;
    // the notebook attaches a note the sync created to its folder and tells its listeners
    virtual void OnNoteCreated(const MergeNote& note) = 0;
    // The notebook copies the note (content, tags, attachments) into "conflict_folder" under
    // a new id, which it answers; false when it has no item for the note or the copy's text
    // could not be stored (the caller then keeps the note as it is).
    virtual bool CopyNoteToConflictFolder(const MergeNote& note, CString& newNoteId) = 0;
    // True while the note has changes that its row may not show yet (the notebook's item is
    // being edited or saved): the merge counts them as unsent local changes.
    virtual bool IsNoteBeingEdited(const wchar_t* noteId) = 0;

    // Holds off the user's saves while the sync reads a note, decides and writes it back, so
    // that the decision is made on the note as it is when it is written. Recursive.
    virtual void Lock() = 0;
    virtual void Unlock() = 0;

    // attachments
    virtual std::vector<MergeAttach> GetAttaches(const wchar_t* noteId, const wchar_t* attachId,
                                                 bool includeRemoved) = 0;
    // The first `limit` attachments with sync_priority of at least 1, lowest first, removed
    // or not (without their bytes); total = how many there are.
    virtual std::vector<MergeAttach> GetAttachesForDownload(int limit, int& total) = 0;
    virtual std::vector<MergeAttach> GetRemovedAttaches() = 0;
    virtual bool CreateAttach(MergeAttach& attach) = 0;
    virtual bool UpdateAttach(const MergeAttach& attach) = 0;    // the row
    virtual bool UpdateAttachContent(const MergeAttach& attach) = 0;
    virtual bool LoadAttachContent(MergeAttach& attach) = 0;
    // A download into the attachment: `fetch` writes the bytes into the sink it is given and
    // answers its result; on 0 the store keeps them (a file-kept attachment in its file, so
    // large ones never sit in memory) and sets attach.size. Answers fetch's result.
    virtual int ReceiveAttachContent(MergeAttach& attach, const std::function<int(IAttachSink*)>& fetch) = 0;
    virtual bool RemoveAttach(int itemid) = 0;
    virtual bool RemoveAttachById(const wchar_t* attachId) = 0;
    virtual void MarkAttachesAsDirty(const wchar_t* noteId) = 0;  // srv_id "", sync_priority 0
    // where a file-kept attachment's file lies
    virtual CString GetAttachFilePath(const MergeAttach& attach) = 0;

    // to-dos
    virtual std::vector<MergeTask> GetTasks(const wchar_t* noteId) = 0;
    virtual void RemoveTasks(const wchar_t* noteId) = 0;
    virtual bool CreateTask(const MergeTask& task) = 0;

    // tags of notes and the tag list
    virtual std::vector<CString> GetNoteTags(const wchar_t* noteId) = 0;
    virtual void LinkNoteTag(const wchar_t* noteId, const wchar_t* name) = 0;
    virtual void UnlinkNoteTag(const wchar_t* noteId, const wchar_t* name) = 0;
    virtual bool FindTag(const wchar_t* name, int& flags) = 0;
    virtual void AddTag(const wchar_t* name, int flags) = 0;
    virtual std::vector<CString> GetTagNamesForUpload() = 0;     // not marked removed
    virtual std::vector<CString> GetRemovedTagNames() = 0;
    virtual void MarkTagsSynced(const std::vector<CString>& names) = 0;
    virtual void RemoveTag(const wchar_t* name) = 0;
    // the service's whole tag list, as the structure reply brings it
    virtual void MergeServerTags(const std::vector<CString>& names) = 0;

    // reminders (one per note)
    virtual bool GetReminder(const wchar_t* noteId, MergeReminder& out) = 0;
    virtual void UpdateReminder(const wchar_t* noteId, const MergeReminder& reminder) = 0;
    virtual void RemoveReminder(const wchar_t* noteId) = 0;
};

// Holds an ISyncStore's lock for one scope.
class CSyncStoreLock {
public:
    explicit CSyncStoreLock(ISyncStore* store) : m_store(store) { m_store->Lock(); }
    ~CSyncStoreLock() { m_store->Unlock(); }
    CSyncStoreLock(const CSyncStoreLock&) = delete;
    CSyncStoreLock& operator=(const CSyncStoreLock&) = delete;

private:
    ISyncStore* m_store;
};

// Holds an ISyncStore's lock over a run of items (the structure step's notes), given back and
// taken again after `ms` so that the user's saves never wait long. What is written under one
// hold reaches the store together (see CNotebookSyncStore::Lock).
class CSyncStoreBatch {
public:
    explicit CSyncStoreBatch(ISyncStore* store, DWORD ms = 100) : m_store(store), m_ms(ms)
    {
        m_store->Lock();
        m_start = GetTickCount();
    }
    ~CSyncStoreBatch() { m_store->Unlock(); }
    CSyncStoreBatch(const CSyncStoreBatch&) = delete;
    CSyncStoreBatch& operator=(const CSyncStoreBatch&) = delete;

    // Between two items: lets others in when the hold has lasted long enough.
    void Next()
    {
        if (GetTickCount() - m_start < m_ms)
            return;
        m_store->Unlock();
        m_store->Lock();
        m_start = GetTickCount();
    }

private:
    ISyncStore* m_store;
    DWORD m_ms;
    DWORD m_start = 0;
};

}  // namespace Sync
