// The sync's view of the program's own store and notebook: ISyncStore over
// DB::CPeloraDatabase and Pelora::CNotebook. Built as its own library (pelora_sync_notebook)
// so that the client alone does not pull in the model.
#pragma once
#include "MergeStore.h"
#include "SyncClient.h"

namespace DB {
class CPeloraDatabase;
class CItemNote;
class CItemFolder;
class CItemAttach;
class CStoreTransaction;
}  // namespace DB
namespace Pelora {
class CNotebook;
}

namespace Sync {

class CNotebookSyncStore : public ISyncStore {
public:
    // The notebook may be null (no in-memory items: conflict copies are then not possible).
    CNotebookSyncStore(DB::CPeloraDatabase* db, Pelora::CNotebook* notebook) : m_db(db), m_notebook(notebook) {}
    ~CNotebookSyncStore() override;

    CString GetParam(const wchar_t* name, const wchar_t* defaultValue) override;
    void SetParam(const wchar_t* name, const wchar_t* value) override;
    std::vector<MergeFolder> FindFolders(const wchar_t* folderId) override;
    bool GetFolderByItemId(int itemid, MergeFolder& out) override;
    std::vector<MergeFolder> GetDirtyFolders() override;
    std::vector<MergeFolder> GetRemovedFolders() override;
    bool CreateFolder(MergeFolder& folder) override;
    bool UpdateFolder(const MergeFolder& folder) override;
    bool RemoveFolder(const wchar_t* folderId) override;
    std::vector<MergeFolder> GetChildFolders(const wchar_t* folderId) override;
    void OnFolderCreated(const MergeFolder& folder) override;
    bool GetNote(const wchar_t* noteId, MergeNote& out) override;
    bool CreateNote(MergeNote& note) override;
    bool UpdateNote(const MergeNote& note) override;
    bool LoadNoteContent(MergeNote& note) override;
    bool UpdateNoteContent(const MergeNote& note) override;
    bool RemoveNote(const wchar_t* noteId) override;
    std::vector<MergeNote> GetNotesForUpload() override;
    std::vector<MergeNote> GetNotesInFolder(int folderItemId) override;
    std::vector<MergeNote> GetNotesForDownload(int limit, int& total) override;
    std::vector<MergeNote> GetRemovedNotes() override;
    void OnNoteCreated(const MergeNote& note) override;
    bool CopyNoteToConflictFolder(const MergeNote& note, CString& newNoteId) override;
    bool IsNoteBeingEdited(const wchar_t* noteId) override;
    // What is written while the outermost lock is held is one transaction of the store,
    // committed when that lock is given back: a note's merge is written whole or not at all,
    // and its rows reach the disk together instead of one synchronous write each.
    void Lock() override;
    void Unlock() override;
    std::vector<MergeAttach> GetAttaches(const wchar_t* noteId, const wchar_t* attachId, bool includeRemoved) override;
    std::vector<MergeAttach> GetAttachesForDownload(int limit, int& total) override;
    std::vector<MergeAttach> GetRemovedAttaches() override;
    bool CreateAttach(MergeAttach& attach) override;
    bool UpdateAttach(const MergeAttach& attach) override;
    bool UpdateAttachContent(const MergeAttach& attach) override;
    bool LoadAttachContent(MergeAttach& attach) override;
    int ReceiveAttachContent(MergeAttach& attach, const std::function<int(IAttachSink*)>& fetch) override;
    bool RemoveAttach(int itemid) override;
    bool RemoveAttachById(const wchar_t* attachId) override;
    void MarkAttachesAsDirty(const wchar_t* noteId) override;
    CString GetAttachFilePath(const MergeAttach& attach) override;
    std::vector<MergeTask> GetTasks(const wchar_t* noteId) override;
    void RemoveTasks(const wchar_t* noteId) override;
    bool CreateTask(const MergeTask& task) override;
    std::vector<CString> GetNoteTags(const wchar_t* noteId) override;
    void LinkNoteTag(const wchar_t* noteId, const wchar_t* name) override;
    void UnlinkNoteTag(const wchar_t* noteId, const wchar_t* name) override;
    bool FindTag(const wchar_t* name, int& flags) override;
    void AddTag(const wchar_t* name, int flags) override;
    std::vector<CString> GetTagNamesForUpload() override;
    std::vector<CString> GetRemovedTagNames() override;
    void MarkTagsSynced(const std::vector<CString>& names) override;
    void RemoveTag(const wchar_t* name) override;
    void MergeServerTags(const std::vector<CString>& names) override;
    bool GetReminder(const wchar_t* noteId, MergeReminder& out) override;
    void UpdateReminder(const wchar_t* noteId, const MergeReminder& reminder) override;
    void RemoveReminder(const wchar_t* noteId) override;

private:
    bool ReadNote(const wchar_t* noteId, DB::CItemNote& row);
    std::vector<MergeFolder> Folders(const DB::CItemFolder& filter);
    std::vector<MergeAttach> Attaches(const DB::CItemAttach& filter, int limit);
    int NoteItemId(const wchar_t* noteId);
    int TagItemId(const wchar_t* name);

    DB::CPeloraDatabase* m_db;
    Pelora::CNotebook* m_notebook;
    int m_lockDepth = 0;                          // under the store's lock
    DB::CStoreTransaction* m_batch = nullptr;     // open while m_lockDepth > 0
};

}  // namespace Sync
