#include "Notebook.h"
#include "ActivityLog.h"
#include "ObjectId.h"
#include <algorithm>
#include <ctime>
#include <map>
#include <set>

namespace Pelora {

const wchar_t* const kRootFolderId = L"root_folder";
const wchar_t* const kDefaultFolderId = L"default";
const wchar_t* const kUserFolderId = L"usr_folder";
const wchar_t* const kTrashFolderId = L"trash";
const wchar_t* const kConflictFolderId = L"conflict_folder";

namespace {

CNotebook* g_notebook = nullptr;
DB::CPeloraDatabase* g_database = nullptr;

IApplicationServices g_noApp;
IEditorServices g_noEditor;
IPaneServices g_noPanes;

const UINT kPostedMessage = WM_APP + 0x151;
const wchar_t kPostClass[] = L"PeloraNotebookPost";

} // namespace

CNotebook* GetNotebook() { return g_notebook; }
DB::CPeloraDatabase* GetDatabase() { return g_database; }

// A notification made on another thread, waiting for the UI thread. Folder and tag items are
// held by a reference; notes travel as itemids and are looked up again on delivery.
struct CNotebook::Posted {
    int kind = 0;
    CFolderItem* folder = nullptr;
    int noteItemId = 0;
    bool hasNote = false;
    CReminderItem* reminder = nullptr;
    int a = 0, b = 0;
};

CNotebook::CNotebook(DB::CPeloraDatabase* db)
    : m_app(&g_noApp), m_editor(&g_noEditor), m_panes(&g_noPanes)
{
    InitializeCriticalSection(&m_noteLock);
    InitializeCriticalSection(&m_postLock);
    InitializeCriticalSection(&m_reminderLock);
    InitializeCriticalSection(&m_folderLock);
    m_listeners.reserve(10);
    g_notebook = this;
    g_database = db;
    m_uiThread = GetCurrentThreadId();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = PostWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kPostClass;
    RegisterClassW(&wc);  // fails harmlessly when already registered
    m_postWnd = CreateWindowExW(0, kPostClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    if (m_postWnd)
        SetWindowLongPtrW(m_postWnd, GWLP_USERDATA, (LONG_PTR)this);
}

CNotebook::~CNotebook()
{
    UnloadNotebook();
    if (m_postWnd) {
        SetWindowLongPtrW(m_postWnd, GWLP_USERDATA, 0);
        DestroyWindow(m_postWnd);
    }
    EnterCriticalSection(&m_postLock);
    std::vector<Posted*> left;
    left.swap(m_posted);
    LeaveCriticalSection(&m_postLock);
    for (Posted* p : left) {
        if (p->folder)
            p->folder->Release();
        delete p;
    }
    for (CReminderItem* r : m_allReminders)
        delete r;
    for (CFolderItem* f : m_removedFolders)
        f->Release();
    m_removedFolders.clear();
    DeleteCriticalSection(&m_reminderLock);
    DeleteCriticalSection(&m_folderLock);
    DeleteCriticalSection(&m_postLock);
    DeleteCriticalSection(&m_noteLock);
    if (g_notebook == this) {
        g_notebook = nullptr;
        g_database = nullptr;
    }
}

void CNotebook::SetServices(IApplicationServices* app, IEditorServices* editor, IPaneServices* panes)
{
    m_app = app ? app : &g_noApp;
    m_editor = editor ? editor : &g_noEditor;
    m_panes = panes ? panes : &g_noPanes;
}

void CNotebook::SetClock(int (*now)())
{
    m_clock = now;
}

int CNotebook::Now() const
{
    return m_clock ? m_clock() : (int)time(nullptr);
}

// --- listeners

void CNotebook::AddListener(INotebookListener* listener)
{
    if (!listener || std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end())
        return;
    m_listeners.push_back(listener);
}

void CNotebook::RemoveListener(INotebookListener* listener)
{
    auto it = std::find(m_listeners.begin(), m_listeners.end(), listener);
    if (it != m_listeners.end())
        m_listeners.erase(it);
}

bool CNotebook::OnUiThread() const
{
    return GetCurrentThreadId() == m_uiThread;
}

// Calls the listeners in order; after each call the called listener is found again and the walk
// goes on with its successor, so a listener may remove itself (the walk then stops).
template <class F>
void CNotebook::FanOut(F call)
{
    if (m_listeners.empty())
        return;
    INotebookListener* current = m_listeners[0];
    for (;;) {
        if (!current)
            return;
        call(current);
        auto it = std::find(m_listeners.begin(), m_listeners.end(), current);
        if (it == m_listeners.end() || ++it == m_listeners.end())
            return;
        current = *it;
    }
}

enum {
    EvFolderCreated, EvFolderChanged, EvNoteChanged, EvNoteRemoved, EvNoteUpdated, EvReminderAlarm, EvTagAdded,
    EvTagChanged, EvTagMoved
};

void CNotebook::Post(Posted* p)
{
    if (p->folder)
        p->folder->AddRef();
    EnterCriticalSection(&m_postLock);
    m_posted.push_back(p);
    LeaveCriticalSection(&m_postLock);
    if (m_postWnd)
        PostMessageW(m_postWnd, kPostedMessage, 0, 0);
}

LRESULT CALLBACK CNotebook::PostWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kPostedMessage) {
        CNotebook* book = (CNotebook*)GetWindowLongPtrW(wnd, GWLP_USERDATA);
        if (book)
            book->DeliverPosted();
        return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

void CNotebook::DeliverPosted()
{
    if (!OnUiThread())
        return;
    for (;;) {
        EnterCriticalSection(&m_postLock);
        Posted* p = nullptr;
        if (!m_posted.empty()) {
            p = m_posted.front();
            m_posted.erase(m_posted.begin());
        }
        LeaveCriticalSection(&m_postLock);
        if (!p)
            return;
        Deliver(p);
        if (p->folder)
            p->folder->Release();
        delete p;
    }
}

void CNotebook::Deliver(Posted* p)
{
    CNoteItem* note = nullptr;
    if (p->hasNote) {
        note = FindNoteByItemId(p->noteItemId);
        if (!note)
            return;  // unloaded meanwhile
    }
    switch (p->kind) {
    case EvFolderCreated: NotifyFolderCreated(p->folder); break;
    case EvFolderChanged: NotifyFolderChanged(p->folder); break;
    case EvNoteChanged: NotifyNoteChanged(note); break;
    case EvNoteRemoved: NotifyNoteRemoved(note); break;
    case EvNoteUpdated: NotifyNoteUpdated(note); break;
    case EvReminderAlarm: NotifyReminderAlarm(p->reminder); break;
    case EvTagAdded: NotifyTagAdded(static_cast<CTagItem*>(p->folder)); break;
    case EvTagChanged: NotifyTagChanged(static_cast<CTagItem*>(p->folder)); break;
    case EvTagMoved: NotifyTagMoved(static_cast<CTagItem*>(p->folder), p->a, p->b); break;
    }
}

#define PELORA_POST_FOLDER(k, item)                                                                                   \
    if (!OnUiThread()) {                                                                                              \
        Posted* p = new Posted;                                                                                       \
        p->kind = k;                                                                                                  \
        p->folder = item;                                                                                             \
        Post(p);                                                                                                      \
        return;                                                                                                       \
    }

#define PELORA_POST_NOTE(k, n)                                                                                        \
    if (!OnUiThread()) {                                                                                              \
        Posted* p = new Posted;                                                                                       \
        p->kind = k;                                                                                                  \
        p->hasNote = n != nullptr;                                                                                    \
        p->noteItemId = n ? n->GetItemId() : 0;                                                                       \
        Post(p);                                                                                                      \
        return;                                                                                                       \
    }

void CNotebook::NotifyFolderCreated(CFolderItem* folder)
{
    if (!folder)
        return;
    PELORA_POST_FOLDER(EvFolderCreated, folder);
    FanOut([&](INotebookListener* l) { l->OnNotebookEvent_FolderCreated(folder); });
}

void CNotebook::NotifyFolderChanged(CFolderItem* folder)
{
    if (!folder)
        return;
    PELORA_POST_FOLDER(EvFolderChanged, folder);
    FanOut([&](INotebookListener* l) { l->OnNotebookEvent_FolderChanged(folder); });
}

void CNotebook::NotifyNoteChanged(CNoteItem* note)
{
    PELORA_POST_NOTE(EvNoteChanged, note);
    FanOut([&](INotebookListener* l) { l->OnNotebookEvent_NoteChanged(note); });
}

void CNotebook::NotifyNoteRemoved(CNoteItem* note)
{
    if (!note)
        return;
    PELORA_POST_NOTE(EvNoteRemoved, note);
    FanOut([&](INotebookListener* l) { l->OnNotebookEvent_NoteRemoved(note); });
}

void CNotebook::NotifyNoteUpdated(CNoteItem* note)
{
    PELORA_POST_NOTE(EvNoteUpdated, note);
    FanOut([&](INotebookListener* l) { l->OnNotebookEvent_NoteUpdated(note); });
}

void CNotebook::NotifyReminderAlarm(CReminderItem* item)
{
    if (!OnUiThread()) {
        Posted* p = new Posted;
        p->kind = EvReminderAlarm;
        p->reminder = item;  // reminder items live as long as the notebook
        Post(p);
        return;
    }
    FanOut([&](INotebookListener* l) { l->OnNotebookEvent_ReminderAlarm(item); });
}

void CNotebook::NotifyTagAdded(CTagItem* tag)
{
    PELORA_POST_FOLDER(EvTagAdded, tag);
    FanOut([&](INotebookListener* l) { l->OnNotebookEvent_TagAdded(tag); });
}

void CNotebook::NotifyTagChanged(CTagItem* tag)
{
    PELORA_POST_FOLDER(EvTagChanged, tag);
    FanOut([&](INotebookListener* l) { l->OnNotebookEvent_TagChanged(tag); });
}

void CNotebook::NotifyTagMoved(CTagItem* tag, int oldIndex, int newIndex)
{
    if (!OnUiThread()) {
        Posted* p = new Posted;
        p->kind = EvTagMoved;
        p->folder = tag;
        p->a = oldIndex;
        p->b = newIndex;
        Post(p);
        return;
    }
    FanOut([&](INotebookListener* l) { l->OnNotebookEvent_TagMoved(tag, oldIndex, newIndex); });
}

// --- loading

int CNotebook::LoadNotebook()
{
    PELORA_TRACE_SCOPE(1, "Pelora::CNotebook::LoadNotebook");
    // The whole load reads the file in one transaction (one lock of the file instead of one
    // per query: the tags alone make two queries each). The locks are taken in the order
    // everyone takes them: the tag list's, the notes', then the store's.
    LoadReminders();   // one query, and its lock is taken before the store's elsewhere
    CScopedMutexLock tagLock(m_tags.GetMutex());
    EnterCriticalSection(&m_noteLock);
    {
        DB::CStoreTransaction reads(g_database);
        LoadNotes();
        // the notes of each folder, found in one walk of all notes instead of one per folder
        std::unordered_map<int, std::vector<int>> byFolder;
        CIdTree::CNode* cursor = m_noteTree.First();
        while (cursor) {
            unsigned key;
            CNoteItem* note;
            m_noteTree.Next(cursor, key, note);
            if (note && !note->GetRecord().b_removed)
                byFolder[note->GetRecord().folder_id].push_back((int)key);
        }
        m_loadingFolderNotes = &byFolder;
        static const wchar_t* const kSpecial[] = {kDefaultFolderId, kUserFolderId, kTrashFolderId, kConflictFolderId};
        for (int i = 0; i < 4; ++i) {
            if (CFolderItem* f = GetFolder(kSpecial[i], 1)) {
                // fixed stamps keep the four in this order in the catalogue's date sorts
                f->GetRecord().date_create = 1000 * (i + 1);
                f->GetRecord().date_update = 1000 * (i + 1);
            }
        }
        m_loadingFolderNotes = nullptr;
        m_tags.Load();
        LoadSearches();
        reads.Commit();   // the load's repairs (stale tag links) are kept
    }
    LeaveCriticalSection(&m_noteLock);
    m_loaded = 1;
    return 1;
}

// Fills the reminder list from the store. A row that already has an item (by its key) gets the
// same item back with the row's values, so reloading after every note update makes no new
// items: only rows new to the notebook do.
void CNotebook::LoadReminders()
{
    if (!g_database)
        return;
    DB::CItemList rows;
    DB::CItemReminder filter;
    g_database->GetReminderList(&filter, &rows);
    EnterCriticalSection(&m_reminderLock);
    std::map<int, CReminderItem*> known;
    for (CReminderItem* item : m_allReminders)
        if (item->GetRecord().itemid)
            known[item->GetRecord().itemid] = item;
    std::vector<CReminderItem*> list;
    std::set<CReminderItem*> listed;
    while (!rows.IsEmpty()) {
        DB::CItemReminder* row = static_cast<DB::CItemReminder*>(rows.RemoveHead());
        auto it = known.find(row->itemid);
        CReminderItem* item = it == known.end() ? nullptr : it->second;
        if (!item) {
            item = new CReminderItem;
            m_allReminders.push_back(item);
        }
        if (listed.insert(item).second)
            list.push_back(item);
        DB::CItemReminder& r = item->GetRecord();
        r.itemid = row->itemid;
        r.reminder_id = row->reminder_id;
        r.note_id = row->note_id;
        r.b_valid = row->b_valid;
        r.time_initial = row->time_initial;
        r.time_to_run = row->time_to_run;
        r.repeat = row->repeat;
        r.completed = row->completed;
        r.geo_lat = row->geo_lat;
        r.geo_lng = row->geo_lng;
        r.priority = row->priority;
        r.type_reminder = row->type_reminder;
        delete row;
    }
    m_reminders.swap(list);
    LeaveCriticalSection(&m_reminderLock);
}

namespace {

} // namespace

void CNotebook::LoadNotes()
{
    if (!g_database)
        return;
    DB::CItemNote filter;
    filter.b_removed = 0;
    filter.filter_mask = DB::FilterRemoved;
    DB::CItemList rows;
    g_database->GetNoteList(&filter, &rows);
    EnterCriticalSection(&m_noteLock);
    while (!rows.IsEmpty()) {
        DB::CItemNote* row = static_cast<DB::CItemNote*>(rows.RemoveHead());
        CNoteItem* note = new CNoteItem;
        note->GetRecord() = *row;
        delete row;
        m_noteTree.Insert((unsigned)note->GetItemId(), note);
        m_noteIndex[std::wstring(note->GetRecord().note_id.GetString())] = note;
    }
    LeaveCriticalSection(&m_noteLock);
}

void CNotebook::LoadSearches()
{
    if (!g_database)
        return;
    DB::CItemList rows;
    g_database->TagGetList(&rows, 1, 0);
    POSITION pos = rows.GetHeadPosition();
    while (pos) {
        DB::CItemTag* row = static_cast<DB::CItemTag*>(rows.GetNext(pos));
        CSavedSearchItem* item = new CSavedSearchItem;
        item->GetTag() = *row;
        item->GetTag().tag_type = 1;
        item->GetRecord().folder_name = row->tag_name;
        m_searches.push_back(item);
        item->LoadTagNotes();
    }
}

void CNotebook::ClearReminderList()
{
    EnterCriticalSection(&m_reminderLock);
    m_reminders.clear();  // the items stay alive for whoever holds them
    LeaveCriticalSection(&m_reminderLock);
}

void CNotebook::UnloadNotebook()
{
    if (!m_loaded)
        return;
    PELORA_TRACE_SCOPE(1, "Pelora::CNotebook::UnloadNotebook");
    m_app->SaveOptions();
    ClearReminderList();
    m_filter.ClearFilter();
    for (CSavedSearchItem* s : m_searches)
        s->Release();
    m_searches.clear();
    std::vector<CFolderItem*> folders;
    EnterCriticalSection(&m_folderLock);
    folders.swap(m_folderOrder);
    m_folders.clear();
    LeaveCriticalSection(&m_folderLock);
    for (CFolderItem* f : folders)
        f->Release();
    for (CFolderItem* f : m_removedFolders)
        f->Release();
    m_removedFolders.clear();
    m_root.ClearNotes();
    EnterCriticalSection(&m_noteLock);
    CIdTree::CNode* cursor = m_noteTree.First();
    while (cursor) {
        unsigned key;
        CNoteItem* note;
        m_noteTree.Next(cursor, key, note);
        delete note;
    }
    m_noteTree.Clear();
    m_noteIndex.clear();
    LeaveCriticalSection(&m_noteLock);
    m_tags.Clear();
    m_root.SetCatalogHandle(nullptr);
    m_loaded = 0;
}

// --- lookup

CFolderItem* CNotebook::FindFolder(const wchar_t* folderId, const wchar_t* name, int type, const wchar_t* parentId)
{
    if (folderId && *folderId) {
        if (_wcsicmp(folderId, kRootFolderId) == 0)
            return &m_root;
        EnterCriticalSection(&m_folderLock);
        auto it = m_folders.find(folderId);
        CFolderItem* found = it == m_folders.end() ? nullptr : it->second;
        LeaveCriticalSection(&m_folderLock);
        return found;
    }
    if (!name && type == -1 && !parentId)
        return nullptr;
    CFolderItem* found = nullptr;
    EnterCriticalSection(&m_folderLock);
    for (CFolderItem* f : m_folderOrder) {
        if (type != -1 && f->GetType() != type)
            continue;
        if (name && f->GetName().CompareNoCase(name) != 0)
            continue;
        if (parentId && f->GetParentId() != parentId)
            continue;
        found = f;
        break;
    }
    LeaveCriticalSection(&m_folderLock);
    return found;
}

CFolderItem* CNotebook::FindFolderByItemId(int itemid, const wchar_t* name, int type)
{
    if (!itemid)
        return FindFolder(nullptr, name, type, nullptr);
    CFolderItem* found = nullptr;
    EnterCriticalSection(&m_folderLock);
    for (CFolderItem* f : m_folderOrder)
        if (f->GetRecord().itemid == itemid) {
            found = f;
            break;
        }
    LeaveCriticalSection(&m_folderLock);
    return found;
}

CFolderItem* CNotebook::GetFolder(const wchar_t* folderId, int load)
{
    CFolderItem* item = FindFolder(folderId, nullptr, 1, nullptr);
    if (!item) {
        if (!folderId || !*folderId || !g_database)
            return nullptr;
        DB::CItemFolder filter;
        filter.folder_id = folderId;
        DB::CItemList rows;
        g_database->GetFolderList(&filter, &rows, 0);
        if (rows.IsEmpty())
            return nullptr;
        DB::CItemFolder* row = static_cast<DB::CItemFolder*>(rows.GetHead());
        item = new CFolderItem(row->type);
        item->GetRecord() = *row;
        AttachFolder(item);
    }
    if (!item->IsLoaded() && load == 1 && item != &m_root) {
        LoadSubFolders(item);
        AttachFolderNotes(item);
        item->SetLoaded(1);
    }
    return item;
}

CFolderItem* CNotebook::GetFolderByIndex(int n)
{
    EnterCriticalSection(&m_folderLock);
    CFolderItem* f = n >= 0 && n < (int)m_folderOrder.size() ? m_folderOrder[n] : nullptr;
    LeaveCriticalSection(&m_folderLock);
    return f;
}

void CNotebook::AttachFolder(CFolderItem* item)
{
    if (!item)
        return;
    std::wstring id = item->GetFolderId().GetString();
    EnterCriticalSection(&m_folderLock);
    auto it = m_folders.find(id);
    if (it == m_folders.end()) {
        m_folders[id] = item;
        m_folderOrder.push_back(item);
    } else if (it->second != item) {
        // the earlier item may still be shown: keep it alive with the removed folders
        auto pos = std::find(m_folderOrder.begin(), m_folderOrder.end(), it->second);
        if (pos != m_folderOrder.end())
            *pos = item;
        m_removedFolders.push_back(it->second);
        it->second = item;
    }
    LeaveCriticalSection(&m_folderLock);
}

int CNotebook::IsRemovedFolder(CFolderItem* item)
{
    // the walk up is bounded: a damaged tree with a parent cycle must not hang
    for (int depth = 0; item && depth < 1000; ++depth) {
        if (item->GetFolderId() == kTrashFolderId)
            return 1;
        CString parent = item->GetParentId();
        if (parent.IsEmpty())
            return 0;
        item = FindFolder(parent, nullptr, 1, nullptr);
    }
    return 0;
}

bool CNotebook::LoadSubFolders(CFolderItem* folder)
{
    if (!folder || !g_database)
        return false;
    folder->GetChildIds().clear();
    DB::CItemFolder filter;
    filter.parent_id = folder->GetFolderId();
    filter.b_removed = 0;
    filter.filter_mask = DB::FilterRemoved;
    if (filter.parent_id.IsEmpty())
        return false;
    DB::CItemList rows;
    if (!g_database->GetFolderList(&filter, &rows, 0))
        return false;
    POSITION pos = rows.GetHeadPosition();
    while (pos) {
        DB::CItemFolder* row = static_cast<DB::CItemFolder*>(rows.GetNext(pos));
        if (row->folder_id.IsEmpty() || FindFolder(row->folder_id, nullptr, 1, nullptr))
            continue;  // a folder reached twice (a damaged tree) is loaded once
        CFolderItem* item = new CFolderItem(row->type);
        item->GetRecord() = *row;
        AttachFolder(item);
        LoadSubFolders(item);
        AttachFolderNotes(item);
        item->SetLoaded(1);
        folder->AddChildId(row->folder_id);
    }
    return true;
}

void CNotebook::AttachFolderNotes(CFolderItem* folder)
{
    if (!folder)
        return;
    int itemid = folder->GetRecord().itemid;
    if (!itemid)
        return;
    if (m_loadingFolderNotes) {
        auto it = m_loadingFolderNotes->find(itemid);
        if (it != m_loadingFolderNotes->end())
            for (int id : it->second)
                folder->AttachNote(id);
        return;
    }
    std::vector<int> ids;
    EnterCriticalSection(&m_noteLock);
    CIdTree::CNode* cursor = m_noteTree.First();
    while (cursor) {
        unsigned key;
        CNoteItem* note;
        m_noteTree.Next(cursor, key, note);
        if (note && note->GetRecord().folder_id == itemid && !note->GetRecord().b_removed)
            ids.push_back((int)key);
    }
    LeaveCriticalSection(&m_noteLock);
    for (int id : ids)
        folder->AttachNote(id);
}

CNoteItem* CNotebook::FindNoteById(const wchar_t* noteId)
{
    if (!noteId || !*noteId)
        return nullptr;
    EnterCriticalSection(&m_noteLock);
    CNoteItem* found = nullptr;
    auto it = m_noteIndex.find(noteId);
    if (it != m_noteIndex.end() && it->second->GetRecord().note_id == noteId) {
        found = it->second;
    } else {
        // an id changed after registration: walk the tree
        CIdTree::CNode* cursor = m_noteTree.First();
        while (cursor && !found) {
            unsigned key;
            CNoteItem* note;
            m_noteTree.Next(cursor, key, note);
            if (note && note->GetRecord().note_id == noteId)
                found = note;
        }
    }
    LeaveCriticalSection(&m_noteLock);
    return found;
}

CNoteItem* CNotebook::FindNoteByItemId(int itemid)
{
    if (!itemid)
        return nullptr;
    EnterCriticalSection(&m_noteLock);
    CNoteItem* note = nullptr;
    m_noteTree.Find((unsigned)itemid, note);
    LeaveCriticalSection(&m_noteLock);
    return note;
}

void CNotebook::RegisterNote(CNoteItem* note)
{
    if (!note || !note->GetItemId())
        return;
    EnterCriticalSection(&m_noteLock);
    m_noteTree.Insert((unsigned)note->GetItemId(), note);
    m_noteIndex[std::wstring(note->GetRecord().note_id.GetString())] = note;
    LeaveCriticalSection(&m_noteLock);
}

CNoteItem* CNotebook::GetNote(const wchar_t* noteId)
{
    CNoteItem* note = FindNoteById(noteId);
    if (note)
        return note->GetRecord().b_removed ? nullptr : note;
    if (!noteId || !*noteId || !g_database)
        return nullptr;
    DB::CItemNote filter;
    filter.note_id = noteId;
    filter.b_removed = 0;
    filter.filter_mask = DB::FilterRemoved;
    DB::CItemList rows;
    g_database->GetNoteList(&filter, &rows);
    if (rows.IsEmpty())
        return nullptr;
    // two threads may read the same row: the lock makes one of them win, the other uses it
    EnterCriticalSection(&m_noteLock);
    CNoteItem* again = FindNoteById(noteId);
    if (!again) {
        again = new CNoteItem;
        again->GetRecord() = *static_cast<DB::CItemNote*>(rows.GetHead());
        RegisterNote(again);
    }
    LeaveCriticalSection(&m_noteLock);
    return again->GetRecord().b_removed ? nullptr : again;
}

void CNotebook::LoadNoteTags(CNoteItem* note, std::vector<CString>& list)
{
    if (note && g_database)
        g_database->GetNoteTags(&note->GetRecord(), list);
}

bool CNotebook::LoadNotePreview(int itemid)
{
    EnterCriticalSection(&m_noteLock);
    CNoteItem* note = nullptr;
    m_noteTree.Find((unsigned)itemid, note);
    if (note)
        note->LoadPreviewImage();
    LeaveCriticalSection(&m_noteLock);
    return note != nullptr;
}

// --- saved searches

void CNotebook::GetSearchNames(std::vector<CString>& list, int withCounts)
{
    for (CSavedSearchItem* s : m_searches) {
        CString name = s->GetName();
        if (withCounts)
            name.AppendFormat(L" (%d)", s->GetStoredNoteCount());
        list.push_back(name);
    }
}

CSavedSearchItem* CNotebook::FindSearchItem(const wchar_t* name)
{
    if (!name)
        return nullptr;
    for (CSavedSearchItem* s : m_searches)
        if (s->GetName() == name)
            return s;
    return nullptr;
}

CSavedSearchItem* CNotebook::FindSearchByQuery(const wchar_t* query)
{
    if (!query)
        return nullptr;
    for (CSavedSearchItem* s : m_searches)
        if (s->GetName().CompareNoCase(query) == 0)
            return s;
    return nullptr;
}

CSavedSearchItem* CNotebook::AddSearchItem(const wchar_t* query)
{
    if (!query || !g_database)
        return nullptr;
    CSavedSearchItem* item = new CSavedSearchItem;
    item->GetRecord().folder_name = query;
    item->GetTag().tag_name = query;
    item->GetTag().tag_flags = TagFlagKept;
    g_database->TagCreate(&item->GetTag(), 1);
    m_searches.push_back(item);
    return item;
}

void CNotebook::RemoveSearchItem(CSavedSearchItem* item)
{
    if (!item)
        return;
    CString name = item->GetName();
    for (int i = item->GetNoteCount() - 1; i >= 0; --i)
        item->DetachNoteOnly(item->GetNoteItemId(i));
    if (g_database && item->GetTag().itemid) {
        g_database->RemoveNoteTag(0, item->GetTag().itemid);
        g_database->TagRemove(item->GetTag().itemid);
    }
    for (int i = (int)m_searches.size() - 1; i >= 0; --i) {
        if (m_searches[i]->GetName() == name) {
            CSavedSearchItem* s = m_searches[i];
            m_searches.erase(m_searches.begin() + i);
            s->Release();
        }
    }
}

namespace {

struct SearchContext {
    std::vector<int> ids;
};

void CollectFound(DB::CItemNote* rec, void* data)
{
    static_cast<SearchContext*>(data)->ids.push_back(rec->itemid);
}

} // namespace

int CNotebook::RunSearch(CSavedSearchItem* item, const int* folders, const wchar_t* query)
{
    if (!item || !g_database)
        return 0;
    item->ClearNotes();
    g_database->RemoveNoteTag(0, item->GetTag().itemid);
    CSearchQuery q = CSearchQuery::Parse(query);
    SearchContext found;
    int result;
    if (!q.tags.empty() || !q.dates.empty())
        result = g_database->SearchNotes(folders, q.words, q.tags, q.dates, CollectFound, &found);
    else
        result = g_database->SearchNotes(folders, q.words, CollectFound, &found);
    for (int id : found.ids) {
        g_database->UpdateNoteTags(item->GetTag().itemid, id);
        item->AttachNote(id);
    }
    item->GetTag().note_count = item->GetNoteCount();
    m_panes->RefreshCatalogItem(item);
    return result;
}

// --- reminders

CReminderItem* CNotebook::GetReminder(const wchar_t* noteId, int create)
{
    if (!noteId)
        return nullptr;
    EnterCriticalSection(&m_reminderLock);
    CReminderItem* found = nullptr;
    for (CReminderItem* r : m_reminders)
        if (r->GetRecord().note_id == noteId) {
            found = r;
            break;
        }
    if (!found && create && g_database) {
        found = new CReminderItem;
        found->GetRecord().note_id = noteId;
        PeloraGenerateKeyString(found->GetRecord().reminder_id);
        g_database->CreateReminder(&found->GetRecord());
        m_allReminders.push_back(found);
        m_reminders.push_back(found);
    }
    LeaveCriticalSection(&m_reminderLock);
    return found;
}

void CNotebook::RemoveReminder(const wchar_t* noteId)
{
    if (!noteId)
        return;
    EnterCriticalSection(&m_reminderLock);
    for (size_t i = 0; i < m_reminders.size(); ++i) {
        CReminderItem* r = m_reminders[i];
        if (r->GetRecord().note_id != noteId)
            continue;
        r->GetRecord().b_valid = 0;
        if (g_database) {
            g_database->UpdateReminder(&r->GetRecord());
            DB::CItemReminder filter;
            filter.reminder_id = r->GetRecord().reminder_id;
            filter.note_id = r->GetRecord().note_id;
            g_database->RemoveReminder(&filter);
        }
        m_reminders.erase(m_reminders.begin() + i);
        break;
    }
    LeaveCriticalSection(&m_reminderLock);
}

void CNotebook::UpdateReminder(CReminderItem* item)
{
    if (item && g_database)
        g_database->UpdateReminder(&item->GetRecord());
}

void CNotebook::CheckReminders()
{
    int now = Now();
    std::vector<CString> stale;
    EnterCriticalSection(&m_reminderLock);
    std::vector<CReminderItem*> list = m_reminders;  // listeners may change the list
    LeaveCriticalSection(&m_reminderLock);
    for (CReminderItem* item : list) {
        DB::CItemReminder& r = item->GetRecord();
        if (!r.b_valid || r.completed || r.type_reminder != 0 || r.time_to_run > now)
            continue;
        CNoteItem* note = GetNote(r.note_id);
        CFolderItem* folder = note ? note->GetFolder() : nullptr;
        if (note && !note->GetRecord().b_removed && folder && !folder->GetRecord().b_removed &&
            !IsRemovedFolder(folder)) {
            NotifyReminderAlarm(item);
            r.UpdateTimeToRun(now);
            if (r.repeat == 0)
                r.completed = 1;
            if (g_database)
                g_database->UpdateReminder(&r);
        } else {
            stale.push_back(r.note_id);
        }
    }
    for (const CString& id : stale)
        RemoveReminder(id);
}

// --- notes

CNoteItem* CNotebook::NewNoteItem(CFolderItem* folder)
{
    CString body;
    body.Format(L"<div style=\"font-size: %spx; font-family: '%s'; \"></div>", m_app->GetDefaultFontSize().GetString(),
                m_app->GetDefaultFontName().GetString());
    CNoteItem* note = new CNoteItem;
    DB::CItemNote& rec = note->GetRecord();
    int now = Now();
    rec.folder_id = folder ? folder->GetRecord().itemid : 0;
    rec.date_create = now;
    rec.date_update = rec.date_update_user = now;
    rec.b_syncdirty = 1;
    PeloraGenerateKeyString(rec.note_id);
    note->SetContentText(body);
    rec.preview_text.Empty();
    return note;
}

bool CNotebook::StoreNewNote(CNoteItem* note)
{
    // content and preview first, so the row is written once and never names a missing one
    DB::CItemNote& rec = note->GetRecord();
    return g_database && g_database->NoteUpdateContent(&rec) && g_database->NoteUpdatePreview(&rec) &&
           g_database->CreateNote(&rec);
}

bool CNotebook::MakeNoteTags(const std::vector<CString>& names, std::vector<CTagItem*>& tags,
                             std::vector<CTagItem*>& created)
{
    for (const CString& name : names) {
        if (name.IsEmpty())
            continue;
        CTagItem* tag = m_tags.FindByName(name);
        if (!tag) {
            tag = m_tags.AddTag(name, TagFlagKept);
            if (tag)
                created.push_back(tag);
        }
        if (!tag || !tag->GetTag().itemid)
            return false;
        if (std::find(tags.begin(), tags.end(), tag) == tags.end())
            tags.push_back(tag);
    }
    return true;
}

bool CNotebook::LinkNoteTags(const std::vector<CTagItem*>& tags, int noteItemId)
{
    for (CTagItem* tag : tags)
        if (!g_database || !g_database->UpdateNoteTags(tag->GetTag().itemid, noteItemId))
            return false;
    return true;
}

void CNotebook::DropNoteTags(const std::vector<CTagItem*>& created)
{
    for (CTagItem* tag : created)
        m_tags.RemoveTag(tag, 1);
}

void CNotebook::AdoptNewNote(CNoteItem* note, CFolderItem* folder, const std::vector<CString>& tagNames)
{
    RegisterNote(note);
    if (folder)
        folder->AttachNote(note->GetItemId());
    if (tagNames.empty())
        return;
    // the links are stored already: naming the tags first keeps SetNoteTags from linking again
    std::vector<CString> names;
    for (const CString& name : tagNames)
        if (!name.IsEmpty() && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    note->GetTags() = names;
    SetNoteTags(&names, note, 0);
}

CNoteItem* CNotebook::CreateNote(CFolderItem* folder, int attach)
{
    PELORA_TRACE_SCOPE(1, "Pelora::CNotebook::CreateNote");
    if (!folder || !g_database)
        return nullptr;
    CNoteItem* note = NewNoteItem(folder);
    {
        DB::CStoreTransaction txn(g_database);
        if (!txn.Started() || !StoreNewNote(note) || !txn.Commit()) {
            delete note;
            return nullptr;
        }
    }
    if (attach) {
        RegisterNote(note);
        folder->AttachNote(note->GetItemId());
    }
    return note;
}

CNoteItem* CNotebook::CreateScreenClipNote(CFolderItem* item)
{
    CFolderItem* target = item;
    if (!item || item->GetType() == FolderRoot || item->GetType() == FolderTag)
        target = GetFolder(kDefaultFolderId, 0);
    CNoteItem* note = CreateNote(target, 1);
    if (note && item && item->GetType() == FolderTag) {
        std::vector<CString> names{item->GetName()};
        SetNoteTags(&names, note, 0);
    }
    return note;
}

CNoteItem* CNotebook::CopyNote(CNoteItem* note, CFolderItem* folder, const wchar_t* title)
{
    PELORA_TRACE_SCOPE(1, "Pelora::CNotebook::CopyNote");
    if (!note || !folder || !g_database)
        return nullptr;
    int type = folder->GetType();
    if (type != FolderUser && type != FolderConflicts && type != FolderDefault)
        return nullptr;
    if (!note->IsContentLoaded())
        note->Load(0);
    else if (note->GetAttachCount() == 0)
        note->LoadAttaches(note->GetNoteId(), nullptr);
    CNoteItem* copy = NewNoteItem(folder);
    const DB::CItemNote& s = note->GetRecord();
    DB::CItemNote& d = copy->GetRecord();
    d.prn_index = s.prn_index;
    d.date_create = s.date_create;
    d.note_title = title ? CString(title) : s.note_title;
    d.sav_fld_id = s.sav_fld_id;
    d.owner = s.owner;
    d.url = s.url;
    d.geo_str1 = s.geo_str1;
    d.geo_str2 = s.geo_str2;
    d.page_color = s.page_color;
    d.RelocateContentBuffer(s.content_size, 1);
    if (s.content_data && s.content_size > 0)
        memcpy(d.content_data, s.content_data, (size_t)s.content_size);
    d.content_size = s.content_size;
    d.preview_text = s.preview_text;
    d.width = s.width;
    d.height = s.height;
    if (s.preview_image && s.preview_size > 0) {
        memcpy(d.RelocatePreviewImage(s.preview_size), s.preview_image, (size_t)s.preview_size);
        d.preview_size = s.preview_size;
    }
    d.date_update = d.date_update_user = Now();
    d.folder_id = folder->GetRecord().itemid;
    d.b_syncdirty = 1;
    std::vector<CString> tagNames = note->GetTags();

    // The copy, its attachments and its tag links are kept together or not at all. The tag
    // items are found (or made) before the store is held: the sync takes the tag list's mutex
    // first and the store second, so the other order could deadlock.
    std::vector<CTagItem*> tags, created;
    bool ok = MakeNoteTags(tagNames, tags, created), renamedAny = false;
    if (ok) {
        DB::CStoreTransaction txn(g_database);
        ok = txn.Started();
        // attachments get new ids first, so the content is stored once, naming them
        std::vector<std::pair<CString, CString>> renamed;
        for (int i = 0; ok && i < note->GetAttachCount(); ++i) {
            DB::CItemAttach* a = note->GetAttach(i);
            CString newId;
            int r = CopyAttachRecord(a->attach_id, d.note_id, newId);
            if (r < 0)
                ok = false;
            else if (r > 0)
                renamed.emplace_back(a->attach_id, newId);
        }
        if (ok && !renamed.empty()) {
            CString text(d.GetContentText(), d.content_size / 2);
            for (auto& r : renamed)
                text.Replace(r.first, r.second);
            copy->SetContentText(text);
            renamedAny = true;
        }
        ok = ok && StoreNewNote(copy);
        ok = ok && LinkNoteTags(tags, d.itemid);
        ok = ok && txn.Commit();
    }
    if (!ok) {
        DropNoteTags(created);
        delete copy;
        return nullptr;
    }
    if (renamedAny)
        copy->SetModified(1);
    AdoptNewNote(copy, folder, tagNames);
    copy->ClearAttaches();
    copy->LoadAttaches(d.note_id, nullptr);
    NotifyFolderChanged(folder);
    NotifyFolderChanged(&m_root);
    return copy;
}

int CNotebook::CopyAttachRecord(const wchar_t* attachId, const wchar_t* noteId, CString& newId)
{
    newId.Empty();
    if (!attachId || !noteId || !g_database)
        return 0;
    DB::CItemAttach filter;
    filter.attach_id = attachId;
    CAttachList list;
    g_database->GetAttachList(&filter, &list, 0);
    DB::CItemAttach* src = nullptr;
    POSITION pos = list.GetHeadPosition();
    while (pos && !src) {
        DB::CItemAttach* a = list.GetNextAttach(pos);
        if (g_database->LoadAttachContent(a) && (a->data || a->size == 0))
            src = a;
    }
    if (!src)
        return 0;
    DB::CItemAttach rec;
    rec.note_id = noteId;
    rec.filename = src->filename;
    rec.type = src->type;
    rec.mime = src->mime;
    rec.RelocateBuffer(src->size);
    if (src->size > 0 && rec.data)
        memcpy(rec.data, src->data, (size_t)src->size);
    rec.size = src->size;
    rec.date_create = rec.date_update = 0;
    rec.b_syncdirty = 0;
    PeloraGenerateKeyString(rec.attach_id);
    if (!g_database->CreateAttach(&rec) || !g_database->UpdateAttachContent(&rec))
        return -1;
    newId = rec.attach_id;
    return 1;
}

CString CNotebook::CopyAttachToNote(const wchar_t* attachId, const wchar_t* noteId)
{
    if (!attachId || !noteId || !g_database)
        return CString();
    CNoteItem* note = GetNote(noteId);
    if (!note)
        return CString();
    DB::CItemNote& rec = note->GetRecord();
    int wasDirty = rec.b_syncdirty;
    CString newId;
    DB::CStoreTransaction txn(g_database);
    if (!txn.Started())
        return CString();
    rec.b_syncdirty = 1;
    if (CopyAttachRecord(attachId, noteId, newId) <= 0 || !g_database->UpdateNote(&rec, 1) || !txn.Commit()) {
        rec.b_syncdirty = wasDirty;
        return CString();
    }
    note->SetModified(1);
    return newId;
}

void CNotebook::DetachFromTags(CNoteItem* note)
{
    int id = note->GetItemId();
    std::vector<CFolderItem*> held;
    {
        CScopedMutexLock lock(m_tags.GetMutex());
        for (int i = 0; i < m_tags.GetCount(); ++i)
            if (CTagItem* tag = m_tags.GetAt(i))
                if (tag->DetachNoteOnly(id))
                    held.push_back(tag);
    }
    for (CSavedSearchItem* s : m_searches)
        if (s->DetachNoteOnly(id))
            held.push_back(s);
    for (CFolderItem* f : held)
        NotifyFolderChanged(f);
}

int CNotebook::MoveNote(CNoteItem* note, CFolderItem* target)
{
    if (!note || !target)
        return 0;
    if (target->GetFolderId() == kTrashFolderId)
        return MoveNoteToTrash(note);
    DB::CItemNote& rec = note->GetRecord();
    CFolderItem* source = FindFolderByItemId(rec.folder_id, nullptr, -1);
    if (!rec.folder_id || !source || source == target)
        return 0;
    if (source->GetSelectedNoteId() == rec.note_id)
        source->SetSelectedNoteId(L"");
    source->DetachNote(rec.itemid, 0);
    rec.b_syncdirty = 1;
    if (source->IsTrash()) {
        rec.folder_id = rec.sav_fld_id ? rec.sav_fld_id : target->GetRecord().itemid;
        rec.sav_fld_id = 0;
    } else {
        rec.folder_id = target->GetRecord().itemid;
    }
    if (g_database) {
        g_database->UpdateNoteTrashedFlag(rec.itemid, 0);
        g_database->UpdateNote(&rec, 1);
    }
    target->AttachNote(rec.itemid);
    NotifyFolderChanged(source);
    NotifyFolderChanged(target);
    NotifyFolderChanged(&m_root);
    return 1;
}

int CNotebook::MoveNoteToTrash(CNoteItem* note)
{
    if (!note)
        return 0;
    DB::CItemNote& rec = note->GetRecord();
    CFolderItem* source = FindFolderByItemId(rec.folder_id, nullptr, -1);
    CFolderItem* trash = GetFolder(kTrashFolderId, 0);
    if ((source && source->IsTrash()) || !trash)
        return 0;
    if (g_database)
        g_database->UpdateNoteTrashedFlag(rec.itemid, 1);
    DetachFromTags(note);
    if (source) {
        if (source->GetSelectedNoteId() == rec.note_id)
            source->SetSelectedNoteId(L"");
        source->DetachNote(rec.itemid, 0);
    } else {
        m_root.DetachNote(rec.itemid, 1);
    }
    int now = Now();
    rec.date_update = rec.date_update_user = now;
    rec.sav_fld_id = rec.folder_id;
    rec.folder_id = trash->GetRecord().itemid;
    rec.b_syncdirty = 1;
    if (g_database)
        g_database->UpdateNote(&rec, 1);
    trash->AttachNote(rec.itemid);
    NotifyFolderChanged(source);
    NotifyFolderChanged(trash);
    NotifyFolderChanged(&m_root);
    return 1;
}

bool CNotebook::RemoveNote(CNoteItem* note)
{
    if (!note)
        return false;
    NotifyNoteRemoved(note);
    DB::CItemNote& rec = note->GetRecord();
    CFolderItem* folder = FindFolderByItemId(rec.folder_id, nullptr, -1);
    if (rec.folder_id && folder) {
        folder->DetachNote(rec.itemid, 0);
        NotifyFolderChanged(folder);
    } else {
        m_root.DetachNote(rec.itemid, 1);
    }
    DetachFromTags(note);
    rec.b_removed = 1;
    if (g_database) {
        g_database->UpdateNote(&rec, 1);
        DB::CItemAttach filter;
        filter.note_id = rec.note_id;
        if (!filter.note_id.IsEmpty())
            g_database->RemoveAttach(&filter, 1, 0);
    }
    return true;
}

void CNotebook::RestoreNoteFromTrash(CNoteItem* note)
{
    if (!note)
        return;
    CFolderItem* target = note->GetRecord().sav_fld_id ? FindFolderByItemId(note->GetRecord().sav_fld_id, nullptr, 1)
                                                       : nullptr;
    // a note that reached the trash some other way goes back to the default folder
    if (!target)
        target = GetFolder(kDefaultFolderId, 0);
    MoveNote(note, target);
}

bool CNotebook::SetNoteTags(const std::vector<CString>* tagNames, CNoteItem* note, int stampDates)
{
    if (!tagNames || !note)
        return false;
    bool handled = false;
    {
        CScopedMutexLock lock(m_tags.GetMutex());
        for (const CString& name : *tagNames) {
            if (name.IsEmpty())
                continue;
            CTagItem* tag = m_tags.AddTag(name, TagFlagKept);
            if (!tag)
                continue;
            handled = true;
            if (!note->HasTag(name)) {
                if (g_database)
                    g_database->UpdateNoteTags(tag->GetTag().itemid, note->GetItemId());
                note->GetTags().push_back(name);
                note->SetModified(1);
            }
            tag->AttachNote(note->GetItemId());
            if (tag->GetCatalogHandle()) {
                int before = m_tags.IndexOf(tag);
                if (m_tags.GetSortMode() != -1)
                    m_tags.Sort(m_tags.GetSortMode());
                int after = m_tags.IndexOf(tag);
                if (before == after)
                    NotifyTagChanged(tag);
                else
                    NotifyTagMoved(tag, before, after);
            } else {
                if (m_tags.GetSortMode() != -1)
                    m_tags.Sort(m_tags.GetSortMode());
                NotifyTagAdded(tag);
            }
        }
    }
    if (handled) {
        DB::CItemNote& rec = note->GetRecord();
        if (stampDates)
            rec.date_update = rec.date_update_user = Now();
        rec.b_syncdirty = 1;
        if (g_database)
            g_database->UpdateNote(&rec, 1);
        NotifyNoteChanged(note);
    }
    if (m_app->GetActiveNote() == note) {
        m_panes->HighlightNoteTags(note);
        m_editor->RelayoutTagsBar();
    }
    return true;
}

void CNotebook::ReplaceTags(const std::vector<CString>* tagNames, CNoteItem* note)
{
    if (!tagNames || !note)
        return;
    bool handled = false;
    {
        CScopedMutexLock lock(m_tags.GetMutex());
        for (const CString& name : *tagNames) {
            CTagItem* tag = m_tags.FindByName(name);
            if (!tag)
                continue;
            handled = true;
            auto& names = note->GetTags();
            names.erase(std::remove(names.begin(), names.end(), name), names.end());
            if (g_database)
                g_database->RemoveNoteTag(note->GetItemId(), tag->GetTag().itemid);
            tag->DetachNoteOnly(note->GetItemId());
            int before = m_tags.IndexOf(tag);
            if (m_tags.GetSortMode() != -1)
                m_tags.Sort(m_tags.GetSortMode());
            int after = m_tags.IndexOf(tag);
            if (before == after)
                NotifyTagChanged(tag);
            else
                NotifyTagMoved(tag, before, after);
        }
    }
    if (handled) {
        DB::CItemNote& rec = note->GetRecord();
        rec.date_update = rec.date_update_user = Now();
        rec.b_syncdirty = 1;
        if (g_database)
            g_database->UpdateNote(&rec, 1);
        NotifyNoteChanged(note);
    }
    if (m_app->GetActiveNote() == note) {
        m_panes->HighlightNoteTags(note);
        m_editor->RelayoutTagsBar();
    }
}

int CNotebook::AttachFileToNote(CNoteItem* note, const wchar_t* path, const wchar_t* fileName)
{
    (void)fileName;  // the attachment keeps the name of the file it was made from
    if (!note || !path || !g_database)
        return 1;
    DWORD attrs = GetFileAttributesW(path);
    if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY))
        return 1;
    DB::CItemAttach rec;
    CString attachId;
    PeloraGenerateKeyString(attachId);
    if (rec.ImportFromFile(path, note->GetNoteId(), 1, attachId) && g_database->CreateAttach(&rec) &&
        g_database->UpdateAttachContent(&rec))
        return 0;
    DB::CItemAttach filter;
    filter.note_id = note->GetNoteId();
    filter.attach_id = attachId;
    g_database->RemoveAttach(&filter, 0, 0);
    return 4;
}

// --- folders

CFolderItem* CNotebook::CreateFolder(const wchar_t* name, int type, CFolderItem* parent)
{
    PELORA_TRACE_SCOPE(1, "Pelora::CNotebook::CreateFolder");
    if (!parent)
        parent = GetFolder(kUserFolderId, 0);
    if (!parent)
        return nullptr;
    CFolderItem* item = new CFolderItem(type);
    DB::CItemFolder& rec = item->GetRecord();
    PeloraGenerateKeyString(rec.folder_id);
    rec.itemid = 0;
    rec.date_create = rec.date_update = Now();
    rec.parent_id = parent->GetFolderId();
    rec.folder_name = name ? name : L"";
    rec.type = type;
    rec.tags.Empty();
    rec.b_syncdirty = type == FolderUser ? 1 : 0;
    if (g_database)
        g_database->CreateFolder(&rec);
    item->SetLoaded(1);
    AttachFolder(item);
    parent->AddChildId(rec.folder_id);
    NotifyFolderCreated(item);
    NotifyFolderChanged(parent);
    return item;
}

void CNotebook::RenameFolder(CFolderItem* folder, const wchar_t* name)
{
    if (!folder || !name)
        return;
    DB::CItemFolder& rec = folder->GetRecord();
    rec.folder_name = name;
    rec.date_update = Now();
    rec.b_syncdirty = rec.type == FolderUser || rec.type == FolderDefault ? 1 : 0;
    if (g_database)
        g_database->UpdateFolder(&rec, 0);
}

int CNotebook::MoveFolder(CFolderItem* folder, CFolderItem* newParent)
{
    if (!folder || !newParent || folder == newParent || folder == &m_root || newParent == &m_root)
        return 0;
    // a folder never moves below itself: that would cut its subtree off the tree
    for (CFolderItem* up = newParent; up; up = FindFolder(up->GetParentId(), nullptr, 1, nullptr)) {
        if (up == folder)
            return 0;
        if (up->GetParentId().IsEmpty())
            break;
    }
    CFolderItem* oldParent = FindFolder(folder->GetParentId(), nullptr, 1, nullptr);
    if (!oldParent || oldParent == newParent || oldParent == folder)
        return 1;
    DB::CItemFolder& rec = folder->GetRecord();
    if (newParent->IsTrash()) {
        m_root.DropFolderNotes(folder, 1);
        rec.sav_prn_id = rec.parent_id;
    }
    oldParent->RemoveChildId(rec.folder_id);
    rec.date_update = Now();
    rec.parent_id = newParent->GetFolderId();
    rec.b_syncdirty = 1;
    if (g_database)
        g_database->UpdateFolder(&rec, 0);
    newParent->AddChildId(rec.folder_id);
    NotifyFolderChanged(oldParent);
    NotifyFolderChanged(newParent);
    NotifyFolderChanged(&m_root);
    return 1;
}

void CNotebook::RestoreFolderFromTrash(CFolderItem* folder)
{
    if (!folder)
        return;
    DB::CItemFolder& rec = folder->GetRecord();
    CFolderItem* target = rec.sav_prn_id.IsEmpty() ? nullptr : FindFolder(rec.sav_prn_id, nullptr, 1, nullptr);
    if (!target)
        target = GetFolder(kUserFolderId, 0);
    CFolderItem* trash = GetFolder(kTrashFolderId, 0);
    if (!target)
        return;
    if (trash)
        trash->RemoveChildId(rec.folder_id);
    rec.date_update = Now();
    rec.parent_id = target->GetFolderId();
    rec.sav_prn_id.Empty();
    rec.b_syncdirty = 1;
    if (g_database)
        g_database->UpdateFolder(&rec, 0);
    target->AddChildId(rec.folder_id);
    NotifyFolderChanged(trash);
    NotifyFolderChanged(target);
    NotifyFolderChanged(&m_root);
}

void CNotebook::RemoveFolderTree(CFolderItem* folder)
{
    if (!folder)
        return;
    PELORA_TRACE_SCOPE(1, "Pelora::CNotebook::RemoveFolderTree");
    // children first; a child that cannot be found is dropped from the list so the loop ends
    while (folder->GetFolderCount() > 0) {
        CString childId = folder->GetChildIds().front();
        CFolderItem* child = GetFolder(childId, 0);
        if (child)
            RemoveFolderTree(child);
        folder->RemoveChildId(childId);
    }
    for (int i = folder->GetNoteCount() - 1; i >= 0; --i) {
        CNoteItem* note = folder->GetNoteItem(i);
        if (note && note->GetRecord().b_removed != 1)
            RemoveNote(note);
    }
    if (folder->IsTrash())
        return;
    if (CFolderItem* parent = FindFolder(folder->GetParentId(), nullptr, 1, nullptr))
        parent->RemoveChildId(folder->GetFolderId());
    EnterCriticalSection(&m_folderLock);
    auto it = m_folders.find(folder->GetFolderId().GetString());
    bool mapped = it != m_folders.end() && it->second == folder;
    if (mapped) {
        m_folders.erase(it);
        m_folderOrder.erase(std::find(m_folderOrder.begin(), m_folderOrder.end(), folder));
    }
    LeaveCriticalSection(&m_folderLock);
    if (mapped) {
        DB::CItemFolder& rec = folder->GetRecord();
        if (rec.b_removed == 0) {
            rec.b_removed = 1;
            rec.date_update = Now();
            if (g_database)
                g_database->UpdateFolder(&rec, 0);
        }
        m_removedFolders.push_back(folder);
    }
}

// --- sync events

void CNotebook::OnEventNoteUpdated(const wchar_t* noteId)
{
    CNoteItem* note = FindNoteById(noteId);
    if (!note || !g_database)
        return;
    DB::CItemNote filter;
    filter.note_id = noteId;
    DB::CItemList rows;
    g_database->GetNoteList(&filter, &rows);
    if (rows.IsEmpty())
        return;
    DB::CItemNote* row = static_cast<DB::CItemNote*>(rows.GetHead());
    DB::CItemNote& rec = note->GetRecord();
    CFolderItem* oldFolder = FindFolderByItemId(rec.folder_id, nullptr, -1);
    CFolderItem* newFolder = FindFolderByItemId(row->folder_id, nullptr, -1);
    bool moved = rec.folder_id != row->folder_id;
    if (moved && oldFolder)
        oldFolder->DetachNote(rec.itemid, 0);
    // the row carries no content: a loaded content is read again
    bool hadContent = rec.content_data != nullptr;
    rec = *row;
    if (hadContent)
        g_database->NoteLoadContent(&rec);
    g_database->NoteLoadPreview(&rec);
    note->SetPreviewImageFlag(1);
    if (moved && newFolder && !rec.b_removed)
        newFolder->AttachNote(rec.itemid);
    LoadReminders();
    m_panes->UpdateTagList();
    if (m_app->GetActiveNote() == note && m_editor->HasEditorFrame()) {
        note->Load(1);
        m_editor->RelayoutTagsBar();
        CReminderItem* r = GetReminder(rec.note_id, 0);
        m_editor->SetReminderState(r && r->GetRecord().type_reminder == 0 ? r->GetRecord().b_valid : 0);
    }
    NotifyFolderChanged(oldFolder);
    if (newFolder != oldFolder)
        NotifyFolderChanged(newFolder);
    CFolderItem* active = m_app->GetActiveFolder();
    if (active && active != oldFolder && active != newFolder && active != &m_root)
        NotifyFolderChanged(active);
    NotifyFolderChanged(&m_root);
    NotifyNoteUpdated(note);
}

void CNotebook::OnEventNoteRemoved(const wchar_t* noteId)
{
    CNoteItem* note = FindNoteById(noteId);
    if (!note)
        return;
    CFolderItem* folder = FindFolderByItemId(note->GetRecord().folder_id, nullptr, -1);
    if (!note->GetRecord().folder_id || !folder)
        return;
    RemoveNote(note);
    NotifyFolderChanged(&m_root);
    CFolderItem* active = m_app->GetActiveFolder();
    if (active && (active == folder || active == &m_root)) {
        m_panes->ReloadNoteList(active);
        m_panes->RedrawNoteList();
    }
}

void CNotebook::OnEventFolderCreated(const wchar_t* folderId)
{
    CFolderItem* folder = GetFolder(folderId, 1);
    if (!folder)
        return;
    CFolderItem* parent = GetFolder(folder->GetParentId(), 0);
    if (parent) {
        parent->AddChildId(folder->GetFolderId());
        if (m_panes->HasCatalog() && (parent->GetCatalogHandle() || parent->GetFolderId() == kUserFolderId)) {
            m_panes->RefreshCatalogItem(parent);
            m_panes->InsertCatalogSubtree(parent, folder);
            m_panes->RedrawCatalog();
        }
    }
    m_panes->RefreshCatalogItem(&m_root);
}

void CNotebook::OnEventFolderUpdated(const wchar_t* folderId)
{
    if (!folderId || !*folderId || !g_database)
        return;
    DB::CItemFolder filter;
    filter.folder_id = folderId;
    DB::CItemList rows;
    g_database->GetFolderList(&filter, &rows, 0);
    if (rows.IsEmpty())
        return;
    DB::CItemFolder* row = static_cast<DB::CItemFolder*>(rows.GetHead());
    CFolderItem* folder = FindFolder(folderId, nullptr, 1, nullptr);
    if (!folder)
        return;
    if (folder->GetParentId() != row->parent_id) {
        CFolderItem* oldParent = FindFolder(folder->GetParentId(), nullptr, 1, nullptr);
        if (oldParent)
            oldParent->RemoveChildId(folder->GetFolderId());
        m_panes->RemoveCatalogItem(folder);
        if (oldParent)
            m_panes->RefreshCatalogItem(oldParent);
        folder->GetRecord() = *row;
        CFolderItem* newParent = FindFolder(row->parent_id, nullptr, 1, nullptr);
        if (newParent) {
            newParent->AddChildId(folder->GetFolderId());
            m_panes->RefreshCatalogItem(newParent);
            m_panes->InsertCatalogSubtree(newParent, folder);
        }
    } else {
        folder->GetRecord() = *row;
        m_panes->RefreshCatalogItem(folder);
        m_panes->RedrawCatalog();
    }
}

void CNotebook::OnEventFolderRemoved(const wchar_t* folderId)
{
    if (!folderId || !wcscmp(folderId, kDefaultFolderId) || !wcscmp(folderId, kUserFolderId) ||
        !wcscmp(folderId, kTrashFolderId))
        return;
    CFolderItem* folder = FindFolder(folderId, nullptr, 1, nullptr);
    if (!folder)
        return;
    if (CFolderItem* parent = FindFolder(folder->GetParentId(), nullptr, 1, nullptr))
        parent->RemoveChildId(folder->GetFolderId());
    m_panes->RemoveCatalogItem(folder);
}

bool CNotebook::OnEventAttachUpdated(const wchar_t* attachId, const wchar_t* noteId)
{
    CNoteItem* note = GetNote(noteId);
    if (!note || !attachId)
        return false;
    bool found = false;
    if (m_editor->HasEditorFrame()) {
        m_editor->OnNoteAttachChanged(attachId, noteId);
        if (DB::CItemAttach* a = note->FindAttach(attachId)) {
            found = true;
            m_editor->ReloadImage(note, attachId);
            a->sync_priority = 0;
        }
    }
    if (!note->GetPreviewBitmap()) {
        note->SetPreviewImageFlag(1);
        m_panes->RedrawNoteList();
    }
    return found;
}

int CNotebook::OnEventAttachRemoved(const wchar_t* attachId)
{
    CNoteItem* note = m_app->GetActiveNote();
    if (note && attachId && note->FindAttach(attachId)) {
        note->RemoveAttach(attachId);
        note->SetPreviewImageFlag(1);
        m_editor->OnNoteAttachChanged(attachId, note->GetNoteId());
    }
    return 1;
}

// --- repair

bool CNotebook::RepairDatabase(const wchar_t* path)
{
    PELORA_TRACE_SCOPE(1, "Pelora::CNotebook::RepairDatabase");
    if (!path)
        return false;
    DB::CPeloraDatabase db;
    if (!db.OpenDatabase(path, 0))
        return false;
    DB::CItemList folders;
    DB::CItemFolder all;
    db.GetFolderList(&all, &folders, 0);
    std::set<std::wstring> seen;
    POSITION pos = folders.GetHeadPosition();
    while (pos) {
        DB::CItemFolder* f = static_cast<DB::CItemFolder*>(folders.GetNext(pos));
        if (seen.insert(f->folder_id.GetString()).second)
            continue;
        PeloraGenerateKeyString(f->folder_id);
        f->parent_id = kUserFolderId;
        f->b_syncdirty = 1;
        db.UpdateFolder(f, 1);
        seen.insert(f->folder_id.GetString());
    }
    // reachability from the four special folders
    std::set<std::wstring> reachable;
    std::vector<std::wstring> queue = {kDefaultFolderId, kUserFolderId, kTrashFolderId, kConflictFolderId};
    for (auto& id : queue)
        reachable.insert(id);
    for (size_t i = 0; i < queue.size(); ++i) {
        pos = folders.GetHeadPosition();
        while (pos) {
            DB::CItemFolder* f = static_cast<DB::CItemFolder*>(folders.GetNext(pos));
            if (queue[i] == f->parent_id.GetString() && reachable.insert(f->folder_id.GetString()).second)
                queue.push_back(f->folder_id.GetString());
        }
    }
    pos = folders.GetHeadPosition();
    while (pos) {
        DB::CItemFolder* f = static_cast<DB::CItemFolder*>(folders.GetNext(pos));
        std::wstring id = f->folder_id.GetString();
        if (id == kDefaultFolderId || id == kUserFolderId || id == kTrashFolderId)
            continue;
        if (reachable.count(id))
            continue;
        f->parent_id = kUserFolderId;
        f->b_syncdirty = 1;
        db.UpdateFolder(f, 1);
    }
    DB::CItemList notes;
    DB::CItemNote noteFilter;
    db.GetNoteList(&noteFilter, &notes);
    seen.clear();
    pos = notes.GetHeadPosition();
    while (pos) {
        DB::CItemNote* n = static_cast<DB::CItemNote*>(notes.GetNext(pos));
        if (seen.insert(n->note_id.GetString()).second)
            continue;
        PeloraGenerateKeyString(n->note_id);
        n->b_syncdirty = 1;
        db.UpdateNote(n, 1);
        seen.insert(n->note_id.GetString());
    }
    DB::CItemList attaches;
    DB::CItemAttach attachFilter;
    db.GetAttachList(&attachFilter, &attaches, 0);
    seen.clear();
    pos = attaches.GetHeadPosition();
    while (pos) {
        DB::CItemAttach* a = static_cast<DB::CItemAttach*>(attaches.GetNext(pos));
        if (!seen.insert(a->attach_id.GetString()).second)
            db.RemoveAttach(a->itemid);
    }
    db.CloseDatabase();
    return true;
}

} // namespace Pelora
