#include "MergeNotebookStore.h"
#include "FolderItem.h"
#include "NoteItem.h"
#include "Notebook.h"
#include "PeloraDatabase.h"
#include "ReminderItem.h"
#include "TagList.h"
#include "ActivityLog.h"
#include <sqlite3.h>
#include <algorithm>

namespace Sync {

namespace {

MergeFolder FromRow(const DB::CItemFolder& r)
{
    MergeFolder f;
    f.itemid = r.itemid;
    f.folder_id = r.folder_id;
    f.parent_id = r.parent_id;
    f.folder_name = r.folder_name;
    f.type = r.type;
    f.b_syncdirty = r.b_syncdirty;
    f.b_removed = r.b_removed;
    f.flags = r.flags;
    f.date_create = r.date_create;
    f.date_update = r.date_update;
    return f;
}

void ToRow(const MergeFolder& f, DB::CItemFolder& r)
{
    r.itemid = f.itemid;
    r.folder_id = f.folder_id;
    r.parent_id = f.parent_id;
    r.folder_name = f.folder_name;
    r.type = f.type;
    r.b_syncdirty = f.b_syncdirty;
    r.b_removed = f.b_removed;
    r.flags = f.flags;
    r.date_create = f.date_create;
    r.date_update = f.date_update;
}

MergeNote FromRow(const DB::CItemNote& r)
{
    MergeNote n;
    n.itemid = r.itemid;
    n.note_id = r.note_id;
    n.folder_id = r.folder_id;
    n.prn_index = r.prn_index;
    n.date_create = r.date_create;
    n.date_update = r.date_update;
    n.date_update_user = r.date_update_user;
    n.note_title = r.note_title;
    n.sav_fld_id = r.sav_fld_id;
    n.b_syncdirty = r.b_syncdirty;
    n.b_removed = r.b_removed;
    n.b_shared = r.b_shared;
    n.sync_priority = r.sync_priority;
    n.sync_timestamp = r.sync_timestamp;
    n.num_tasks = r.num_tasks;
    n.editable = r.editable;
    n.crypt_type = r.crypt_type;
    n.preview_text = r.preview_text;
    n.url = r.url;
    n.geo_str1 = r.geo_str1;
    n.geo_str2 = r.geo_str2;
    n.page_color = r.page_color;
    return n;
}

// The fields the sync owns; the row keeps everything else (content and preview ids, owner...).
void ToRow(const MergeNote& n, DB::CItemNote& r)
{
    r.note_id = n.note_id;
    r.folder_id = n.folder_id;
    r.prn_index = n.prn_index;
    r.date_create = n.date_create;
    r.date_update = n.date_update;
    r.date_update_user = n.date_update_user;
    r.note_title = n.note_title;
    r.sav_fld_id = n.sav_fld_id;
    r.b_syncdirty = n.b_syncdirty;
    r.b_removed = n.b_removed;
    r.b_shared = n.b_shared;
    r.sync_priority = n.sync_priority;
    r.sync_timestamp = n.sync_timestamp;
    r.num_tasks = n.num_tasks;
    r.editable = n.editable;
    r.crypt_type = n.crypt_type;
    r.preview_text = n.preview_text;
    r.url = n.url;
    r.geo_str1 = n.geo_str1;
    r.geo_str2 = n.geo_str2;
    r.page_color = n.page_color;
}

MergeAttach FromRow(const DB::CItemAttach& r, bool withData)
{
    MergeAttach a;
    a.itemid = r.itemid;
    a.attach_id = r.attach_id;
    a.note_id = r.note_id;
    a.hash = r.hash;
    a.filename = r.filename;
    a.type = r.type;
    a.mime = r.mime;
    a.date_create = r.date_create;
    a.date_update = r.date_update;
    a.size = r.size;
    a.b_syncdirty = r.b_syncdirty;
    a.b_removed = r.b_removed;
    a.sync_priority = r.sync_priority;
    a.sync_url = r.sync_url;
    a.srv_id = r.srv_id;
    a.flags = r.flags;
    if (withData && r.data && r.size > 0)
        a.data.assign((const char*)r.data, (size_t)r.size);
    return a;
}

void ToRow(const MergeAttach& a, DB::CItemAttach& r)
{
    r.itemid = a.itemid;
    r.attach_id = a.attach_id;
    r.note_id = a.note_id;
    r.hash = a.hash;
    r.filename = a.filename;
    r.type = a.type;
    r.mime = a.mime;
    r.date_create = a.date_create;
    r.date_update = a.date_update;
    r.b_syncdirty = a.b_syncdirty;
    r.b_removed = a.b_removed;
    r.sync_priority = a.sync_priority;
    r.sync_url = a.sync_url;
    r.srv_id = a.srv_id;
    r.flags = a.flags;
}

template <class Row>
std::vector<Row*> Rows(DB::CItemList& list)
{
    std::vector<Row*> out;
    POSITION pos = list.GetHeadPosition();
    while (pos)
        out.push_back(static_cast<Row*>(list.GetNext(pos)));
    return out;
}

// The stored row of `attach` (the one with its itemid), owned by `list`; null when it is gone.
DB::CItemAttach* FindAttachRow(DB::CPeloraDatabase* db, const MergeAttach& attach, DB::CItemList& list)
{
    DB::CItemAttach filter;
    filter.attach_id = attach.attach_id;
    filter.note_id = attach.note_id;
    db->GetAttachList(&filter, &list, 0);
    for (DB::CItemAttach* r : Rows<DB::CItemAttach>(list))
        if (r->itemid == attach.itemid)
            return r;
    return nullptr;
}

// Puts `size` bytes of content into a note row's buffer.
void SetContent(DB::CItemNote& r, const void* bytes, int size)
{
    r.RelocateContentBuffer(size, 1);
    if (size > 0)
        memcpy(r.content_data, bytes, (size_t)size);
    r.content_size = size;
}

// Ids of a one-column query in the store's connection (under its lock); ?1 is `limit`.
std::vector<CString> QueryIds(DB::CPeloraDatabase* db, const char* sql, int limit, int& total,
                              const char* countSql = nullptr)
{
    std::vector<CString> out;
    total = 0;
    db->Lock();
    sqlite3* h = db->GetHandle();
    sqlite3_stmt* st = nullptr;
    if (countSql && h && sqlite3_prepare_v2(h, countSql, -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        total = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    st = nullptr;
    if (h && sqlite3_prepare_v2(h, sql, -1, &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_int(st, 1, limit);
        while (sqlite3_step(st) == SQLITE_ROW) {
            const void* text = sqlite3_column_text16(st, 0);
            out.push_back(text ? CString((const wchar_t*)text) : CString());
        }
    }
    sqlite3_finalize(st);
    db->Unlock();
    return out;
}

}  // namespace

CString CNotebookSyncStore::GetParam(const wchar_t* name, const wchar_t* defaultValue)
{
    CString value;
    if (!m_db->GetParam(name, value) || value.IsEmpty())
        return defaultValue;
    return value;
}

void CNotebookSyncStore::SetParam(const wchar_t* name, const wchar_t* value)
{
    m_db->SetParam(name, CString(value));
}

std::vector<MergeFolder> CNotebookSyncStore::Folders(const DB::CItemFolder& filter)
{
    DB::CItemList list;
    m_db->GetFolderList(&filter, &list, 0);
    std::vector<MergeFolder> out;
    for (DB::CItemFolder* r : Rows<DB::CItemFolder>(list))
        out.push_back(FromRow(*r));
    return out;
}

std::vector<MergeFolder> CNotebookSyncStore::FindFolders(const wchar_t* folderId)
{
    if (!folderId || !*folderId)
        return {};
    DB::CItemFolder filter;
    filter.folder_id = folderId;
    return Folders(filter);
}

bool CNotebookSyncStore::GetFolderByItemId(int itemid, MergeFolder& out)
{
    if (itemid <= 0)
        return false;
    DB::CItemFolder filter;
    filter.itemid = itemid;
    std::vector<MergeFolder> list = Folders(filter);
    if (list.size() != 1)
        return false;
    out = list[0];
    return true;
}

std::vector<MergeFolder> CNotebookSyncStore::GetDirtyFolders()
{
    DB::CItemFolder filter;
    filter.b_syncdirty = 1;
    filter.filter_mask = DB::FilterSyncDirty;
    return Folders(filter);
}

std::vector<MergeFolder> CNotebookSyncStore::GetRemovedFolders()
{
    DB::CItemFolder filter;
    filter.b_removed = 1;
    filter.filter_mask = DB::FilterRemoved;
    return Folders(filter);
}

bool CNotebookSyncStore::CreateFolder(MergeFolder& folder)
{
    DB::CItemFolder row;
    ToRow(folder, row);
    row.itemid = 0;
    if (!m_db->CreateFolder(&row))
        return false;
    folder.itemid = row.itemid;
    return true;
}

bool CNotebookSyncStore::UpdateFolder(const MergeFolder& folder)
{
    DB::CItemFolder filter;
    filter.itemid = folder.itemid;
    DB::CItemList list;
    m_db->GetFolderList(&filter, &list, 0);
    if (list.IsEmpty())
        return false;
    DB::CItemFolder* row = static_cast<DB::CItemFolder*>(list.GetHead());
    ToRow(folder, *row);
    return m_db->UpdateFolder(row, 1) != 0;
}

bool CNotebookSyncStore::RemoveFolder(const wchar_t* folderId)
{
    std::vector<MergeFolder> found = FindFolders(folderId);
    if (found.empty())
        return false;
    DB::CItemFolder row;
    ToRow(found[0], row);
    return m_db->RemoveFolder(&row) != 0;
}

std::vector<MergeFolder> CNotebookSyncStore::GetChildFolders(const wchar_t* folderId)
{
    if (!folderId || !*folderId)
        return {};
    DB::CItemFolder filter;
    filter.parent_id = folderId;
    return Folders(filter);
}

void CNotebookSyncStore::OnFolderCreated(const MergeFolder& folder)
{
    if (m_notebook)
        m_notebook->GetFolder(folder.folder_id, 1);
}

bool CNotebookSyncStore::ReadNote(const wchar_t* noteId, DB::CItemNote& row)
{
    if (!noteId || !*noteId)
        return false;
    DB::CItemNote filter;
    filter.note_id = noteId;
    DB::CItemList list;
    m_db->GetNoteList(&filter, &list);
    if (list.IsEmpty())
        return false;
    row = *static_cast<DB::CItemNote*>(list.GetHead());
    return true;
}

bool CNotebookSyncStore::GetNote(const wchar_t* noteId, MergeNote& out)
{
    DB::CItemNote row;
    if (!ReadNote(noteId, row))
        return false;
    out = FromRow(row);
    return true;
}

bool CNotebookSyncStore::CreateNote(MergeNote& note)
{
    DB::CItemNote row;
    ToRow(note, row);
    if (!m_db->CreateNote(&row))
        return false;
    note.itemid = row.itemid;
    return true;
}

bool CNotebookSyncStore::UpdateNote(const MergeNote& note)
{
    DB::CItemNote row;
    if (!ReadNote(note.note_id, row))
        return false;
    ToRow(note, row);
    bool ok = m_db->UpdateNote(&row, 1) != 0;
    // the notebook's item follows its row (the panes read the item)
    if (m_notebook) {
        if (Pelora::CNoteItem* item = m_notebook->FindNoteById(note.note_id)) {
            DB::CItemNote& r = item->GetRecord();
            ToRow(note, r);
        }
    }
    return ok;
}

bool CNotebookSyncStore::LoadNoteContent(MergeNote& note)
{
    DB::CItemNote row;
    if (!ReadNote(note.note_id, row) || !m_db->NoteLoadContent(&row))
        return false;
    note.content = row.GetContentText();
    return true;
}

bool CNotebookSyncStore::UpdateNoteContent(const MergeNote& note)
{
    DB::CItemNote row;
    if (!ReadNote(note.note_id, row))
        return false;
    int bytes = note.content.GetLength() * 2;
    SetContent(row, note.content.GetString(), bytes);
    row.PreparePreviewText();
    bool ok = m_db->NoteUpdateContent(&row) != 0;
    if (ok)
        m_db->UpdateNote(&row, 1);   // the content id and the preview text
    if (m_notebook) {
        if (Pelora::CNoteItem* item = m_notebook->FindNoteById(note.note_id)) {
            DB::CItemNote& r = item->GetRecord();
            if (r.content_data)   // a loaded item takes the new text as well
                SetContent(r, note.content.GetString(), bytes);
            r.content_id = row.content_id;
        }
    }
    return ok;
}

bool CNotebookSyncStore::RemoveNote(const wchar_t* noteId)
{
    DB::CItemNote row;
    if (!ReadNote(noteId, row))
        return false;
    return m_db->RemoveNote(&row) != 0;
}

std::vector<MergeNote> CNotebookSyncStore::GetNotesForUpload()
{
    DB::CItemList list;
    m_db->GetNoteListForUpload(0, &list);
    std::vector<MergeNote> out;
    for (DB::CItemNote* r : Rows<DB::CItemNote>(list))
        out.push_back(FromRow(*r));
    // conflict copies are sent as well: the other clients keep both texts too
    int total = 0;
    for (const CString& id : QueryIds(m_db,
                                      "SELECT notes.note_id FROM notes, folders WHERE notes.folder_id=folders.itemid"
                                      " AND folders.type=1 AND notes.b_syncdirty=1 AND notes.b_removed=0"
                                      " AND ?1=?1 ORDER BY notes.itemid;",
                                      0, total)) {
        MergeNote n;
        if (GetNote(id, n))
            out.push_back(n);
    }
    std::sort(out.begin(), out.end(), [](const MergeNote& a, const MergeNote& b) { return a.itemid < b.itemid; });
    return out;
}

std::vector<MergeNote> CNotebookSyncStore::GetNotesInFolder(int folderItemId)
{
    std::vector<MergeNote> out;
    int total = 0;
    for (const CString& id :
         QueryIds(m_db, "SELECT note_id FROM notes WHERE folder_id=?1 AND b_removed=0 ORDER BY itemid;", folderItemId,
                  total)) {
        MergeNote n;
        if (GetNote(id, n))
            out.push_back(n);
    }
    return out;
}

std::vector<MergeNote> CNotebookSyncStore::GetNotesForDownload(int limit, int& total)
{
    std::vector<MergeNote> out;
    for (const CString& id :
         QueryIds(m_db, "SELECT note_id FROM notes WHERE sync_priority>0 ORDER BY sync_priority ASC, date_update DESC LIMIT ?1;",
                  limit, total, "SELECT COUNT(*) FROM notes WHERE sync_priority>0;")) {
        MergeNote n;
        if (GetNote(id, n))
            out.push_back(n);
    }
    return out;
}

std::vector<MergeNote> CNotebookSyncStore::GetRemovedNotes()
{
    DB::CItemNote filter;
    filter.b_removed = 1;
    filter.filter_mask = DB::FilterRemoved;
    DB::CItemList list;
    m_db->GetNoteList(&filter, &list);
    std::vector<MergeNote> out;
    for (DB::CItemNote* r : Rows<DB::CItemNote>(list))
        out.push_back(FromRow(*r));
    return out;
}

void CNotebookSyncStore::OnNoteCreated(const MergeNote& note)
{
    if (!m_notebook)
        return;
    Pelora::CFolderItem* folder = m_notebook->FindFolderByItemId(note.folder_id);
    if (!folder)
        return;
    if (m_notebook->GetNote(note.note_id))
        folder->AttachNote(note.itemid);
    m_notebook->NotifyFolderChanged(folder);
}

bool CNotebookSyncStore::CopyNoteToConflictFolder(const MergeNote& note, CString& newNoteId)
{
    if (!m_notebook)
        return false;
    Pelora::CFolderItem* conflicts = m_notebook->GetFolder(L"conflict_folder", 1);
    Pelora::CNoteItem* item = m_notebook->FindNoteById(note.note_id);
    if (!item)
        item = m_notebook->GetNote(note.note_id);
    if (!conflicts || !item)
        return false;
    // the copy is made of the stored text, which is what the user last saved
    DB::CItemNote row;
    if (ReadNote(note.note_id, row) && m_db->NoteLoadContent(&row))
        SetContent(item->GetRecord(), row.content_data, row.content_size);
    Pelora::CNoteItem* copy = m_notebook->CopyNote(item, conflicts, nullptr);
    if (!copy)
        return false;
    newNoteId = copy->GetNoteId();
    m_notebook->NotifyFolderChanged(conflicts);
    // the original may be replaced next: only a copy whose text is stored counts
    const DB::CItemNote& made = copy->GetRecord();
    DB::CItemNote stored;
    if (!ReadNote(newNoteId, stored) || !m_db->NoteLoadContent(&stored) || stored.content_size != made.content_size ||
        (made.content_size > 0 && memcmp(stored.content_data, made.content_data, (size_t)made.content_size) != 0))
        return false;
    return true;
}

bool CNotebookSyncStore::IsNoteBeingEdited(const wchar_t* noteId)
{
    if (!m_notebook)
        return false;
    Pelora::CNoteItem* item = m_notebook->FindNoteById(noteId);
    if (!item)
        return false;
    if (item->IsModified())
        return true;
    // a save marks the item dirty before it writes the row
    DB::CItemNote row;
    return item->GetRecord().b_syncdirty && ReadNote(noteId, row) && !row.b_syncdirty;
}

// The notebook's note lock first, then the store's: the order the notebook itself takes them in.
void CNotebookSyncStore::Lock()
{
    if (m_notebook)
        EnterCriticalSection(m_notebook->GetNoteLock());
    m_db->Lock();
    if (m_lockDepth++ == 0)
        m_batch = new DB::CStoreTransaction(m_db);
}

void CNotebookSyncStore::Unlock()
{
    if (--m_lockDepth == 0) {
        // a failed commit rolls the whole scope back: the rows stay as they were before it
        if (m_batch->Started() && !m_batch->Commit()) {
            CLogStream log(LOG_LEVEL_SYNC);
            log << "The store did not take the sync's writes; they are rolled back.";
            log.End();
        }
        delete m_batch;
        m_batch = nullptr;
    }
    m_db->Unlock();
    if (m_notebook)
        LeaveCriticalSection(m_notebook->GetNoteLock());
}

CNotebookSyncStore::~CNotebookSyncStore()
{
    // a scope left open is not committed
    delete m_batch;
}

std::vector<MergeAttach> CNotebookSyncStore::Attaches(const DB::CItemAttach& filter, int limit)
{
    DB::CItemList list;
    m_db->GetAttachList(&filter, &list, limit);
    std::vector<MergeAttach> out;
    for (DB::CItemAttach* r : Rows<DB::CItemAttach>(list))
        out.push_back(FromRow(*r, false));
    return out;
}

std::vector<MergeAttach> CNotebookSyncStore::GetAttaches(const wchar_t* noteId, const wchar_t* attachId,
                                                         bool includeRemoved)
{
    DB::CItemAttach filter;
    if (noteId)
        filter.note_id = noteId;
    if (attachId)
        filter.attach_id = attachId;
    if (!includeRemoved) {
        filter.b_removed = 0;
        filter.filter_mask = DB::FilterRemoved;
    }
    return Attaches(filter, 0);
}

std::vector<MergeAttach> CNotebookSyncStore::GetAttachesForDownload(int limit, int& total)
{
    DB::CItemAttach filter;
    filter.sync_priority = 1;
    total = 0;
    m_db->GetAttachCount(&filter, &total);
    if (limit <= 0)
        return {};
    return Attaches(filter, limit);
}

std::vector<MergeAttach> CNotebookSyncStore::GetRemovedAttaches()
{
    DB::CItemAttach filter;
    filter.b_removed = 1;
    filter.filter_mask = DB::FilterRemoved;
    return Attaches(filter, 0);
}

bool CNotebookSyncStore::CreateAttach(MergeAttach& attach)
{
    DB::CItemAttach row;
    ToRow(attach, row);
    row.itemid = 0;
    row.size = attach.size;
    if (!m_db->CreateAttach(&row))
        return false;
    attach.itemid = row.itemid;
    return true;
}

bool CNotebookSyncStore::UpdateAttach(const MergeAttach& attach)
{
    DB::CItemList list;
    DB::CItemAttach* r = FindAttachRow(m_db, attach, list);
    if (!r)
        return false;
    long long size = r->size;
    ToRow(attach, *r);
    r->size = attach.size ? attach.size : size;
    return m_db->UpdateAttach(r) != 0;
}

bool CNotebookSyncStore::UpdateAttachContent(const MergeAttach& attach)
{
    DB::CItemAttach row;
    ToRow(attach, row);
    row.RelocateBuffer((int64_t)attach.data.size());
    if (!attach.data.empty())
        memcpy(row.data, attach.data.data(), attach.data.size());
    row.size = (int64_t)attach.data.size();
    bool ok = m_db->UpdateAttachContent(&row);
    if (ok)
        m_db->UpdateAttach(&row);
    return ok;
}

bool CNotebookSyncStore::LoadAttachContent(MergeAttach& attach)
{
    DB::CItemAttach row;
    ToRow(attach, row);
    row.size = attach.size;
    if (!m_db->LoadAttachContent(&row))
        return false;
    attach.data.clear();
    if (row.data && row.size > 0)
        attach.data.assign((const char*)row.data, (size_t)row.size);
    return true;
}

int CNotebookSyncStore::ReceiveAttachContent(MergeAttach& attach, const std::function<int(IAttachSink*)>& fetch)
{
    DB::CItemList list;
    DB::CItemAttach* r = FindAttachRow(m_db, attach, list);
    if (!r)
        return 4;
    // the record streams into its file (file-kept) or its buffer
    CAttachSinkOf<DB::CItemAttach> sink(*r);
    int rc = fetch(&sink);
    if (rc != 0)
        return rc;
    if (!m_db->UpdateAttachContent(r))
        return 4;
    attach.size = r->size;
    return 0;
}

bool CNotebookSyncStore::RemoveAttach(int itemid) { return m_db->RemoveAttach(itemid) != 0; }

bool CNotebookSyncStore::RemoveAttachById(const wchar_t* attachId)
{
    if (!attachId || !*attachId)
        return false;
    DB::CItemAttach filter;
    filter.attach_id = attachId;
    return m_db->RemoveAttach(&filter, 0, 0) != 0;
}

void CNotebookSyncStore::MarkAttachesAsDirty(const wchar_t* noteId) { m_db->MarkAttachesAsDirty(noteId); }

CString CNotebookSyncStore::GetAttachFilePath(const MergeAttach& attach)
{
    DB::CItemList list;
    DB::CItemAttach* r = FindAttachRow(m_db, attach, list);
    if (!r)
        return CString();
    // a file-kept row's data holds its file's name
    m_db->LoadAttachContent(r);
    return r->GetStorageFilePath();
}

std::vector<MergeTask> CNotebookSyncStore::GetTasks(const wchar_t* noteId)
{
    DB::CItemTask filter;
    filter.note_id = noteId;
    DB::CItemList list;
    m_db->GetTaskList(&filter, &list);
    std::vector<MergeTask> out;
    for (DB::CItemTask* r : Rows<DB::CItemTask>(list)) {
        MergeTask t;
        t.task_id = r->task_id;
        t.note_id = r->note_id;
        t.task_info = r->task_info;
        t.b_checked = r->b_checked;
        out.push_back(t);
    }
    return out;
}

void CNotebookSyncStore::RemoveTasks(const wchar_t* noteId)
{
    if (!noteId || !*noteId)
        return;
    DB::CItemTask filter;
    filter.note_id = noteId;
    m_db->RemoveTask(&filter);
}

bool CNotebookSyncStore::CreateTask(const MergeTask& task)
{
    DB::CItemTask row;
    row.task_id = task.task_id;
    row.note_id = task.note_id;
    row.task_info = task.task_info;
    row.b_checked = task.b_checked;
    return m_db->CreateTask(&row) != 0;
}

int CNotebookSyncStore::NoteItemId(const wchar_t* noteId)
{
    DB::CItemNote row;
    return ReadNote(noteId, row) ? row.itemid : 0;
}

int CNotebookSyncStore::TagItemId(const wchar_t* name)
{
    if (!m_notebook)
        return 0;
    Pelora::CTagItem* tag = m_notebook->GetTagList()->FindByName(name);
    return tag ? tag->GetTag().itemid : 0;
}

std::vector<CString> CNotebookSyncStore::GetNoteTags(const wchar_t* noteId)
{
    DB::CItemNote row;
    std::vector<CString> names;
    if (ReadNote(noteId, row))
        m_db->GetNoteTags(&row, names);
    return names;
}

void CNotebookSyncStore::LinkNoteTag(const wchar_t* noteId, const wchar_t* name)
{
    int note = NoteItemId(noteId), tag = TagItemId(name);
    if (note && tag)
        m_db->UpdateNoteTags(tag, note);
}

void CNotebookSyncStore::UnlinkNoteTag(const wchar_t* noteId, const wchar_t* name)
{
    int note = NoteItemId(noteId), tag = TagItemId(name);
    if (note && tag)
        m_db->RemoveNoteTag(note, tag);
}

bool CNotebookSyncStore::FindTag(const wchar_t* name, int& flags)
{
    if (!m_notebook)
        return false;
    Pelora::CTagItem* tag = m_notebook->GetTagList()->FindByName(name);
    if (!tag)
        return false;
    flags = tag->GetTagFlags();
    return true;
}

void CNotebookSyncStore::AddTag(const wchar_t* name, int flags)
{
    if (m_notebook)
        m_notebook->GetTagList()->AddTag(name, flags);
}

std::vector<CString> CNotebookSyncStore::GetTagNamesForUpload()
{
    std::vector<CString> names;
    if (m_notebook)
        m_notebook->GetTagList()->GetTagNames(names, 4);
    return names;
}

std::vector<CString> CNotebookSyncStore::GetRemovedTagNames()
{
    std::vector<CString> names;
    if (!m_notebook)
        return names;
    Pelora::CTagList* list = m_notebook->GetTagList();
    for (int i = 0; i < list->GetCount(); ++i)
        if (Pelora::CTagItem* t = list->GetAt(i))
            if (t->GetTagFlags() & Pelora::TagFlagRemoved)
                names.push_back(t->GetTagName());
    return names;
}

void CNotebookSyncStore::MarkTagsSynced(const std::vector<CString>& names)
{
    if (m_notebook)
        m_notebook->GetTagList()->MarkSynced(names);
}

void CNotebookSyncStore::RemoveTag(const wchar_t* name)
{
    if (int id = TagItemId(name))
        m_notebook->GetTagList()->RemoveTagById(id);
}

void CNotebookSyncStore::MergeServerTags(const std::vector<CString>& names)
{
    if (m_notebook)
        m_notebook->GetTagList()->UpdateFromServer(&names);
}

bool CNotebookSyncStore::GetReminder(const wchar_t* noteId, MergeReminder& out)
{
    Pelora::CReminderItem* item = m_notebook ? m_notebook->GetReminder(noteId, 0) : nullptr;
    if (!item)
        return false;
    const DB::CItemReminder& r = item->GetRecord();
    out.b_valid = r.b_valid;
    out.time_initial = r.time_initial;
    out.time_to_run = r.time_to_run;
    out.repeat = r.repeat;
    out.completed = r.completed;
    out.geo_lat = r.geo_lat;
    out.geo_lng = r.geo_lng;
    out.priority = r.priority;
    out.type_reminder = r.type_reminder;
    return true;
}

void CNotebookSyncStore::UpdateReminder(const wchar_t* noteId, const MergeReminder& reminder)
{
    Pelora::CReminderItem* item = m_notebook ? m_notebook->GetReminder(noteId, 1) : nullptr;
    if (!item)
        return;
    DB::CItemReminder& r = item->GetRecord();
    r.b_valid = reminder.b_valid;
    r.time_initial = reminder.time_initial;
    r.time_to_run = reminder.time_to_run;
    r.completed = reminder.completed;
    r.geo_lat = reminder.geo_lat;
    r.geo_lng = reminder.geo_lng;
    r.priority = reminder.priority;
    r.UpdateRepeatTypeFromServer(reminder.repeat);
    r.type_reminder = reminder.type_reminder;
    m_notebook->UpdateReminder(item);
}

void CNotebookSyncStore::RemoveReminder(const wchar_t* noteId)
{
    if (m_notebook)
        m_notebook->RemoveReminder(noteId);
}

}  // namespace Sync
