// A client's local store and notebook in memory, for the sync thread tests: what the sync
// sees of them, plus the user's edits (create, edit, move, trash, delete...) as the program
// would make them: each edit marks the item dirty with the current time.
#pragma once
#include "MergeStore.h"
#include "SyncClient.h"
#include <functional>
#include <map>
#include <mutex>
#include <set>

namespace test {

class MemStore : public Sync::ISyncStore {
public:
    MemStore();

    // --- the user's side ---
    int Now() const;
    Sync::MergeFolder& NewFolder(const wchar_t* id, const wchar_t* name, const wchar_t* parent = L"usr_folder");
    Sync::MergeNote& NewNote(const wchar_t* id, const wchar_t* folderId, const wchar_t* title, const wchar_t* html);
    void EditNote(const wchar_t* id, const wchar_t* html, int time = 0);
    void MoveNote(const wchar_t* id, const wchar_t* folderId);
    void DeleteNote(const wchar_t* id, int time = 0);
    void DeleteFolder(const wchar_t* id);
    void TagNote(const wchar_t* id, const wchar_t* tag);
    void UntagNote(const wchar_t* id, const wchar_t* tag);
    Sync::MergeAttach& AttachToNote(const wchar_t* noteId, const wchar_t* attachId, const wchar_t* name,
                                    const std::string& bytes);
    void SetNoteReminder(const wchar_t* id, int when);
    void AddTodo(const wchar_t* id, const wchar_t* taskId, const wchar_t* label, bool checked);

    // --- looks ---
    Sync::MergeNote* Note(const wchar_t* id);
    Sync::MergeFolder* Folder(const wchar_t* id);
    CString FolderIdOf(const Sync::MergeNote& note);
    std::vector<Sync::MergeNote> NotesIn(const wchar_t* folderId);
    std::vector<Sync::MergeAttach> AttachesOf(const wchar_t* noteId);
    std::set<CString> TagsOf(const wchar_t* noteId);
    int TagFlags(const wchar_t* name);   // -1 when not in the tag list
    bool HasReminder(const wchar_t* noteId, Sync::MergeReminder* out = nullptr);
    std::vector<Sync::MergeTask> TasksOf(const wchar_t* noteId);
    std::vector<CString> LiveNoteIds();   // not removed, sorted

    // --- ISyncStore ---
    CString GetParam(const wchar_t* name, const wchar_t* defaultValue) override;
    void SetParam(const wchar_t* name, const wchar_t* value) override;
    std::vector<Sync::MergeFolder> FindFolders(const wchar_t* folderId) override;
    bool GetFolderByItemId(int itemid, Sync::MergeFolder& out) override;
    std::vector<Sync::MergeFolder> GetDirtyFolders() override;
    std::vector<Sync::MergeFolder> GetRemovedFolders() override;
    bool CreateFolder(Sync::MergeFolder& folder) override;
    bool UpdateFolder(const Sync::MergeFolder& folder) override;
    bool RemoveFolder(const wchar_t* folderId) override;
    std::vector<Sync::MergeFolder> GetChildFolders(const wchar_t* folderId) override;
    void OnFolderCreated(const Sync::MergeFolder&) override {}
    bool GetNote(const wchar_t* noteId, Sync::MergeNote& out) override;
    bool CreateNote(Sync::MergeNote& note) override;
    bool UpdateNote(const Sync::MergeNote& note) override;
    bool LoadNoteContent(Sync::MergeNote& note) override;
    bool UpdateNoteContent(const Sync::MergeNote& note) override;
    bool RemoveNote(const wchar_t* noteId) override;
    std::vector<Sync::MergeNote> GetNotesForUpload() override;
    std::vector<Sync::MergeNote> GetNotesInFolder(int folderItemId) override;
    std::vector<Sync::MergeNote> GetNotesForDownload(int limit, int& total) override;
    std::vector<Sync::MergeNote> GetRemovedNotes() override;
    void OnNoteCreated(const Sync::MergeNote&) override {}
    bool CopyNoteToConflictFolder(const Sync::MergeNote& note, CString& newNoteId) override;
    bool IsNoteBeingEdited(const wchar_t*) override { return false; }
    void Lock() override { lock.lock(); }
    void Unlock() override { lock.unlock(); }
    std::vector<Sync::MergeAttach> GetAttaches(const wchar_t* noteId, const wchar_t* attachId,
                                               bool includeRemoved) override;
    std::vector<Sync::MergeAttach> GetAttachesForDownload(int limit, int& total) override;
    std::vector<Sync::MergeAttach> GetRemovedAttaches() override;
    bool CreateAttach(Sync::MergeAttach& attach) override;
    bool UpdateAttach(const Sync::MergeAttach& attach) override;
    bool UpdateAttachContent(const Sync::MergeAttach& attach) override;
    bool LoadAttachContent(Sync::MergeAttach& attach) override;
    int ReceiveAttachContent(Sync::MergeAttach& attach, const std::function<int(Sync::IAttachSink*)>& fetch) override;
    bool RemoveAttach(int itemid) override;
    bool RemoveAttachById(const wchar_t* attachId) override;
    void MarkAttachesAsDirty(const wchar_t* noteId) override;
    CString GetAttachFilePath(const Sync::MergeAttach& attach) override { return attach.filename; }
    std::vector<Sync::MergeTask> GetTasks(const wchar_t* noteId) override;
    void RemoveTasks(const wchar_t* noteId) override;
    bool CreateTask(const Sync::MergeTask& task) override;
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
    bool GetReminder(const wchar_t* noteId, Sync::MergeReminder& out) override;
    void UpdateReminder(const wchar_t* noteId, const Sync::MergeReminder& reminder) override;
    void RemoveReminder(const wchar_t* noteId) override;

    // Called (outside the lock) when the sync reaches one of the store's calls, named by the
    // call ("GetNotesForUpload", "GetRemovedFolders"): a test forces an interleaving there.
    std::function<void(const char* call)> onCall;
    void Reached(const char* call);
    bool failCopies = false;   // conflict copies cannot be stored

    std::recursive_mutex lock;
    std::map<CString, CString> params;
    std::map<int, Sync::MergeFolder> folders;              // by item id
    std::map<CString, Sync::MergeNote> notes;              // by note id
    std::map<int, Sync::MergeAttach> attaches;             // by item id
    std::vector<Sync::MergeTask> tasks;
    std::map<CString, std::set<CString>> noteTags;
    std::map<CString, int> tagList;
    std::map<CString, Sync::MergeReminder> reminders;
    int nextItemId = 100;
};

}  // namespace test
