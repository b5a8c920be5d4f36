// The in-memory notebook of the signed-in user: the folder tree, every loaded note, the tag
// list, the saved searches and the reminders. Every model change goes through it: it writes the
// change through the store and tells its listeners (the panes and the editor views).
#pragma once
#include "Framework.h"
#include "PeloraDatabase.h"
#include "FolderItem.h"
#include "NoteItem.h"
#include "TagList.h"
#include "SortEngine.h"
#include "ReminderItem.h"
#include "IdTree.h"
#include "NotebookServices.h"
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace Pelora {

class CTagItem;

// What the panes and views learn. The notebook calls listeners on the thread that created it
// (the UI thread): a change made on another thread (the sync's merge) is posted there, in order.
class INotebookListener {
public:
    virtual ~INotebookListener() {}
    virtual void OnNotebookEvent_FolderCreated(CFolderItem*) {}
    virtual void OnNotebookEvent_FolderChanged(CFolderItem*) {}
    virtual void OnNotebookEvent_NoteChanged(CNoteItem*) {}
    virtual void OnNotebookEvent_NoteRemoved(CNoteItem*) {}
    virtual void OnNotebookEvent_NoteUpdated(CNoteItem*) {}
    virtual void OnNotebookEvent_ReminderAlarm(CReminderItem*) {}
    virtual void OnNotebookEvent_TagAdded(CTagItem*) {}
    virtual void OnNotebookEvent_TagChanged(CTagItem*) {}
    virtual void OnNotebookEvent_TagMoved(CTagItem*, int /*oldIndex*/, int /*newIndex*/) {}
};

// Special folder ids.
extern const wchar_t* const kRootFolderId;      // "root_folder" (never stored)
extern const wchar_t* const kDefaultFolderId;   // "default"
extern const wchar_t* const kUserFolderId;      // "usr_folder"
extern const wchar_t* const kTrashFolderId;     // "trash"
extern const wchar_t* const kConflictFolderId;  // "conflict_folder"

class CNotebook {
public:
    // Makes this the process's notebook and db the model's store.
    explicit CNotebook(DB::CPeloraDatabase* db);
    virtual ~CNotebook();
    CNotebook(const CNotebook&) = delete;
    CNotebook& operator=(const CNotebook&) = delete;

    // --- services of the other rooms (not owned; null gives the do-nothing defaults)
    void SetServices(IApplicationServices* app, IEditorServices* editor, IPaneServices* panes);
    IApplicationServices* App() { return m_app; }
    IEditorServices* Editor() { return m_editor; }
    IPaneServices* Panes() { return m_panes; }
    // The clock of reminders and time stamps; null restores time().
    void SetClock(int (*now)());
    int Now() const;

    // --- listeners
    void AddListener(INotebookListener* listener);
    void RemoveListener(INotebookListener* listener);
    void NotifyFolderCreated(CFolderItem* folder);
    void NotifyFolderChanged(CFolderItem* folder);
    void NotifyNoteChanged(CNoteItem* note);
    void NotifyNoteRemoved(CNoteItem* note);
    void NotifyNoteUpdated(CNoteItem* note);
    void NotifyReminderAlarm(CReminderItem* item);
    void NotifyTagAdded(CTagItem* tag);
    void NotifyTagChanged(CTagItem* tag);
    void NotifyTagMoved(CTagItem* tag, int oldIndex, int newIndex);
    // Delivers the notifications posted from other threads (also done by the message queue).
    void DeliverPosted();

    // --- loading and lookup
    int LoadNotebook();
    void UnloadNotebook();
    int IsLoaded() const { return m_loaded; }
    static bool RepairDatabase(const wchar_t* path);
    CFolderItem* FindFolder(const wchar_t* folderId, const wchar_t* name = nullptr, int type = 1,
                            const wchar_t* parentId = nullptr);
    CFolderItem* FindFolderByItemId(int itemid, const wchar_t* name = nullptr, int type = 1);
    CFolderItem* GetFolder(const wchar_t* folderId, int load);
    CFolderItem* GetFolderByIndex(int n);
    int GetFolderMapCount() const { return (int)m_folderOrder.size(); }
    void AttachFolder(CFolderItem* item);
    int IsRemovedFolder(CFolderItem* item);
    CNoteItem* GetNote(const wchar_t* noteId);
    CNoteItem* FindNoteById(const wchar_t* noteId);
    CNoteItem* FindNoteByItemId(int itemid);
    void RegisterNote(CNoteItem* note);
    void LoadNoteTags(CNoteItem* note, std::vector<CString>& list);
    // Loads the preview image of the note with that itemid, if it is still loaded. The preview
    // thread hands itemids over, never item pointers; this holds the note lock against unload.
    bool LoadNotePreview(int itemid);
    CRootFolderItem* GetRoot() { return &m_root; }
    CFilterFolderItem* GetFilter() { return &m_filter; }
    CTagList* GetTagList() { return &m_tags; }
    CSortEngine* GetSortEngine() { return &m_sort; }
    const std::vector<CFolderItem*>& GetRemovedFolders() const { return m_removedFolders; }

    // --- saved searches
    void GetSearchNames(std::vector<CString>& list, int withCounts);
    CSavedSearchItem* FindSearchItem(const wchar_t* name);
    CSavedSearchItem* FindSearchByQuery(const wchar_t* query);
    CSavedSearchItem* AddSearchItem(const wchar_t* query);
    void RemoveSearchItem(CSavedSearchItem* item);
    int RunSearch(CSavedSearchItem* item, const int* folders, const wchar_t* query);
    int GetSearchCount() const { return (int)m_searches.size(); }
    CSavedSearchItem* GetSearchAt(int i) { return i >= 0 && i < (int)m_searches.size() ? m_searches[i] : nullptr; }

    // --- reminders
    CReminderItem* GetReminder(const wchar_t* noteId, int create);
    void RemoveReminder(const wchar_t* noteId);
    void UpdateReminder(CReminderItem* item);
    void CheckReminders();
    int GetReminderCount() const { return (int)m_reminders.size(); }

    // --- notes
    CNoteItem* CreateNote(CFolderItem* folder, int attach);
    CNoteItem* CreateScreenClipNote(CFolderItem* item);
    CNoteItem* CopyNote(CNoteItem* note, CFolderItem* folder, const wchar_t* title);
    int MoveNote(CNoteItem* note, CFolderItem* folder);
    int MoveNoteToTrash(CNoteItem* note);
    bool RemoveNote(CNoteItem* note);
    void RestoreNoteFromTrash(CNoteItem* note);
    bool SetNoteTags(const std::vector<CString>* tagNames, CNoteItem* note, int stampDates);
    void ReplaceTags(const std::vector<CString>* tagNames, CNoteItem* note);
    int AttachFileToNote(CNoteItem* note, const wchar_t* path, const wchar_t* fileName);
    CString CopyAttachToNote(const wchar_t* attachId, const wchar_t* noteId);

    // --- folders
    CFolderItem* CreateFolder(const wchar_t* name, int type, CFolderItem* parent);
    void RenameFolder(CFolderItem* folder, const wchar_t* name);
    int MoveFolder(CFolderItem* folder, CFolderItem* newParent);
    void RestoreFolderFromTrash(CFolderItem* folder);
    void RemoveFolderTree(CFolderItem* folder);

    // --- sync events (UI thread, after the sync wrote the change into the store)
    void OnEventNoteUpdated(const wchar_t* noteId);
    void OnEventNoteRemoved(const wchar_t* noteId);
    void OnEventFolderCreated(const wchar_t* folderId);
    void OnEventFolderUpdated(const wchar_t* folderId);
    void OnEventFolderRemoved(const wchar_t* folderId);
    bool OnEventAttachUpdated(const wchar_t* attachId, const wchar_t* noteId);
    int OnEventAttachRemoved(const wchar_t* attachId);

    // --- export
    int ExportToJson(IExportProgress* progress, IExportOutput* out, const wchar_t* path);
    int ExportToHtml(IExportProgress* progress, IHtmlPageWriter* writer, const wchar_t* path, CNoteItem* note);
    // The folder of the JSON file being imported: attachment paths are confined to it.
    void SetImportBaseDir(const wchar_t* dir) { m_importBaseDir = dir ? dir : L""; }
    CString GetImportBaseDir() const { return m_importBaseDir; }

    // --- internals the model classes share
    bool LoadSubFolders(CFolderItem* folder);
    void AttachFolderNotes(CFolderItem* folder);
    void LoadReminders();
    void LoadNotes();
    void LoadSearches();
    // Every tag item and saved search detaches the note; folder-changed for those that held it.
    void DetachFromTags(CNoteItem* note);
    CRITICAL_SECTION* GetNoteLock() { return &m_noteLock; }
    // A new note for the folder (title "New Note", new note_id, the default body), not stored.
    CNoteItem* NewNoteItem(CFolderItem* folder);
    // Writes a new note's content, preview and row; called inside the caller's transaction.
    bool StoreNewNote(CNoteItem* note);
    // The tag items of the names, each once; missing ones are made and listed in created.
    // Called outside a store transaction (the tag list's mutex comes before the store lock).
    bool MakeNoteTags(const std::vector<CString>& names, std::vector<CTagItem*>& tags,
                      std::vector<CTagItem*>& created);
    // Stores the links of a stored note to the tags; inside the caller's transaction.
    bool LinkNoteTags(const std::vector<CTagItem*>& tags, int noteItemId);
    // Takes back the tag items MakeNoteTags made for a note whose transaction failed.
    void DropNoteTags(const std::vector<CTagItem*>& created);
    // After the commit: the note enters the id tree, its folder and its tags' items.
    void AdoptNewNote(CNoteItem* note, CFolderItem* folder, const std::vector<CString>& tagNames);
    // Stores a copy of the attachment for the note: 1 with its new id, 0 when the attachment
    // has no content to copy, -1 when writing failed. Inside the caller's transaction.
    int CopyAttachRecord(const wchar_t* attachId, const wchar_t* noteId, CString& newId);

private:
    struct Posted;
    void Post(Posted* p);
    void Deliver(Posted* p);
    bool OnUiThread() const;
    template <class F> void FanOut(F call);
    static LRESULT CALLBACK PostWndProc(HWND, UINT, WPARAM, LPARAM);
    void ClearReminderList();

    std::vector<INotebookListener*> m_listeners;
    int m_loaded = 0;
    CRITICAL_SECTION m_noteLock;
    CRootFolderItem m_root;
    CFilterFolderItem m_filter;
    std::map<std::wstring, CFolderItem*> m_folders;
    std::vector<CFolderItem*> m_folderOrder;    // map iteration order (insertion order)
    // the sync thread may enter a folder it reads from the store while the UI thread looks up
    // others: the map and its order are changed and walked under this lock
    CRITICAL_SECTION m_folderLock;
    CIdTree m_noteTree;
    // note_id -> item, a quicker way to what the walk of the id tree finds (under the note lock)
    std::unordered_map<std::wstring, CNoteItem*> m_noteIndex;
    // while LoadNotebook attaches the folders' notes: note itemids by folder itemid, in itemid order
    std::unordered_map<int, std::vector<int>>* m_loadingFolderNotes = nullptr;
    CTagList m_tags;
    std::vector<CSavedSearchItem*> m_searches;
    std::vector<CReminderItem*> m_reminders;
    std::vector<CReminderItem*> m_allReminders; // every item ever made; freed with the notebook
    // the sync thread looks reminders up and removes them while the UI timer walks the list
    CRITICAL_SECTION m_reminderLock;
    CSortEngine m_sort;
    std::vector<CFolderItem*> m_removedFolders;

    IApplicationServices* m_app;
    IEditorServices* m_editor;
    IPaneServices* m_panes;
    int (*m_clock)() = nullptr;
    CString m_importBaseDir;

    DWORD m_uiThread = 0;
    HWND m_postWnd = nullptr;
    CRITICAL_SECTION m_postLock;
    std::vector<Posted*> m_posted;
};

// The process's notebook and the model's store (set by the notebook's constructor).
CNotebook* GetNotebook();
DB::CPeloraDatabase* GetDatabase();

} // namespace Pelora
