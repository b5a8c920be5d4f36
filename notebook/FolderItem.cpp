#include "FolderItem.h"
#include "Notebook.h"
#include "ActivityLog.h"
#include <algorithm>
#include <ctime>

namespace Pelora {

CFolderItem::CFolderItem(int type)
{
    m_folder.type = type == FolderUser ? FolderUser : FolderConflicts;
    m_folder.folder_name = type == FolderUser ? L"Sync Folder" : L"Local Folder";
    m_notes.reserve(1024);
}

CFolderItem::~CFolderItem() {}

int CFolderItem::AddRef()
{
    return (int)InterlockedIncrement(&m_refs);
}

int CFolderItem::Release()
{
    LONG n;
    for (;;) {
        LONG cur = m_refs;
        n = cur > 0 ? cur - 1 : 0;
        if (InterlockedCompareExchange(&m_refs, n, cur) == cur)
            break;
    }
    if (n == 0)
        delete this;
    return (int)n;
}

CFolderItem* CFolderItem::GetFolderItem(int i)
{
    if (i < 0 || i >= (int)m_children.size())
        return nullptr;
    CNotebook* book = GetNotebook();
    return book ? book->GetFolder(m_children[i], 0) : nullptr;
}

int CFolderItem::SetFlags(int set, int clear)
{
    m_folder.flags = (m_folder.flags | set) & ~clear;
    return m_folder.flags;
}

void CFolderItem::SetParent(const wchar_t* parentId, const wchar_t* savParentId)
{
    m_folder.parent_id = parentId ? parentId : L"";
    if (savParentId)
        m_folder.sav_prn_id = savParentId;
    m_folder.b_syncdirty = 1;
}

CFolderItem* CFolderItem::FindChildFolder(const wchar_t* name, int type)
{
    for (int i = 0; i < GetFolderCount(); ++i) {
        CFolderItem* child = GetFolderItem(i);
        if (!child)
            continue;
        if (name && child->GetName().CompareNoCase(name) != 0)
            continue;
        if (type != -1 && child->GetType() != type)
            continue;
        return child;
    }
    return nullptr;
}

void CFolderItem::SetOrderValue(int v)
{
    m_folder.order_value = v;
    CNotebook* book = GetNotebook();
    m_folder.date_update = book ? book->Now() : (int)time(nullptr);
    if (m_folder.type == FolderUser || m_folder.type == FolderDefault)
        m_folder.b_syncdirty = 1;
}

int CFolderItem::GetTotalNoteCount(int recursive)
{
    int n = GetNoteCount();
    if (recursive)
        for (int i = 0; i < GetFolderCount(); ++i)
            if (CFolderItem* child = GetFolderItem(i))
                n += child->GetTotalNoteCount(recursive);
    return n;
}

int CFolderItem::GetTrashNoteCount()
{
    int n = GetNoteCount();
    if (IsTrash())
        for (int i = 0; i < GetFolderCount(); ++i)
            if (CFolderItem* child = GetFolderItem(i))
                n += child->GetNoteCount();
    return n;
}

int CFolderItem::GetNoteItemId(int i) const
{
    if (i < 0 || i >= (int)m_notes.size() || !m_notes[i])
        return -1;
    return m_notes[i]->GetItemId();
}

CNoteItem* CFolderItem::GetNoteItem(int i) const
{
    return i >= 0 && i < (int)m_notes.size() ? m_notes[i] : nullptr;
}

int CFolderItem::GetNoteIndex(int itemid) const
{
    // Every change of m_notes keeps the table (InsertNote, RemoveNoteAt, NotesReordered), and a
    // note's itemid never changes: an entry below the mark is exact, one past it may be old.
    auto it = m_positions.find(itemid);
    if (it == m_positions.end() || (size_t)it->second >= m_positionsUpTo) {
        // bring the positions past the exact part up to date, then look again
        for (size_t i = m_positionsUpTo; i < m_notes.size(); ++i)
            if (m_notes[i])
                m_positions[m_notes[i]->GetItemId()] = (int)i;
        m_positionsUpTo = m_notes.size();
        it = m_positions.find(itemid);
        if (it == m_positions.end())
            return -1;
    }
    return it->second;
}

void CFolderItem::NotesReordered() const
{
    m_positions.clear();
    m_positionsUpTo = 0;
}

CNoteItem* CFolderItem::GetNextNote(CNoteItem* note) const
{
    int n = (int)m_notes.size();
    for (int i = 0; i < n; ++i) {
        if (m_notes[i] != note)
            continue;
        if (i + 1 < n)
            return m_notes[i + 1];
        return i > 0 ? m_notes[i - 1] : nullptr;
    }
    return nullptr;
}

CNoteItem* CFolderItem::GetSelectedNote()
{
    if (m_selectedNoteId.IsEmpty())
        return nullptr;
    CNotebook* book = GetNotebook();
    return book ? book->GetNote(m_selectedNoteId) : nullptr;
}

bool CFolderItem::IsTrash() const
{
    return m_folder.folder_id == kTrashFolderId;
}

bool CFolderItem::IsSpecial() const
{
    const CString& id = m_folder.folder_id;
    return id == kDefaultFolderId || id == kUserFolderId || id == kTrashFolderId || id == kConflictFolderId;
}

int CFolderItem::GetExportNoteCount()
{
    int n = 0;
    for (CNoteItem* note : m_notes)
        if (note && !note->GetRecord().b_removed)
            ++n;
    for (int i = 0; i < GetFolderCount(); ++i)
        if (CFolderItem* child = GetFolderItem(i))
            if (!child->IsSpecial())
                n += child->GetExportNoteCount();
    return n;
}

bool CFolderItem::FeedsRoot() const
{
    if (GetType() == FolderRoot)
        return false;
    return m_folder.folder_id != kTrashFolderId && m_folder.parent_id != kTrashFolderId &&
           m_folder.folder_id != kConflictFolderId;
}

void CFolderItem::Reserve(int n)
{
    if (n > m_capacity) {
        m_capacity = (n + 1024) / 1024 * 1024;
        m_notes.reserve(m_capacity);
    }
}

int CFolderItem::InsertNote(CNoteItem* note)
{
    Reserve((int)m_notes.size() + 1);
    if (m_sortType != -1 && (m_sortType & 1)) {
        m_notes.insert(m_notes.begin(), note);
        NotesReordered();
        return 0;
    }
    if (m_positionsUpTo == m_notes.size()) {
        m_positions[note->GetItemId()] = (int)m_notes.size();
        ++m_positionsUpTo;
    }
    m_notes.push_back(note);
    return (int)m_notes.size() - 1;
}

bool CFolderItem::RemoveNoteAt(int itemid)
{
    int i = GetNoteIndex(itemid);
    if (i < 0)
        return false;
    m_notes.erase(m_notes.begin() + i);
    // the notes after it moved up by one: their positions are put right when next needed
    m_positions.erase(itemid);
    if (m_positionsUpTo > (size_t)i)
        m_positionsUpTo = (size_t)i;
    return true;
}

int CFolderItem::AttachNote(int itemid)
{
    CNotebook* book = GetNotebook();
    if (!book)
        return -1;
    CNoteItem* note = book->FindNoteByItemId(itemid);
    if (FeedsRoot() && note) {
        // A tag takes part only for notes whose own folder shows in "All My Notes": tagging a
        // note in the trash must not bring it back there.
        bool feeds = true;
        if (GetType() == FolderTag || GetType() == FolderSavedSearch) {
            CFolderItem* own = book->FindFolderByItemId(note->GetRecord().folder_id, nullptr, -1);
            feeds = own && own->FeedsRoot();
        }
        if (feeds)
            book->GetRoot()->AttachNote(itemid);
    }
    int i = GetNoteIndex(itemid);
    if (i >= 0)
        return i;
    if (!note)
        return -1;
    return InsertNote(note);
}

bool CFolderItem::DetachNote(int itemid, int keepInRoot)
{
    CNotebook* book = GetNotebook();
    if (!keepInRoot && GetType() != FolderRoot && book)
        book->GetRoot()->DetachNote(itemid, 1);
    return RemoveNoteAt(itemid);
}

void CFolderItem::SetSortType(int type)
{
    if (type != 16 && type != 17 && !m_notes.empty()) {
        CNotebook* book = GetNotebook();
        if (book)
            book->GetSortEngine()->Sort(type, m_notes.data(), (int)m_notes.size());
        else
            CSortEngine().Sort(type, m_notes.data(), (int)m_notes.size());
        NotesReordered();
    }
    m_sortType = type;
}

void CFolderItem::AddChildId(const CString& id)
{
    if (std::find(m_children.begin(), m_children.end(), id) == m_children.end())
        m_children.push_back(id);
}

bool CFolderItem::RemoveChildId(const CString& id)
{
    auto it = std::find(m_children.begin(), m_children.end(), id);
    if (it == m_children.end())
        return false;
    m_children.erase(it);
    return true;
}

bool CFolderItem::LoadSortData(int order)
{
    DB::CPeloraDatabase* db = GetDatabase();
    std::vector<int>& dst = m_order[order ? 1 : 0];
    dst.clear();
    if (!db)
        return false;
    int* buffer = nullptr;
    unsigned count = 0;
    db->GetSortData(m_folder.folder_id, order, buffer, count);
    if (buffer) {
        dst.assign(buffer, buffer + count);
        delete[] buffer;
    }
    return true;
}

bool CFolderItem::SaveSortData(CNoteItem* const* notes, int count, int order, bool forward)
{
    std::vector<int>& dst = m_order[order ? 1 : 0];
    dst.clear();
    if (count > 0 && notes) {
        dst.reserve(count + 1024);
        for (int i = 0; i < count; ++i) {
            CNoteItem* n = notes[forward ? i : count - 1 - i];
            dst.push_back(n ? n->GetItemId() : 0);
        }
    }
    DB::CPeloraDatabase* db = GetDatabase();
    return db && db->UpdateSortData(m_folder.folder_id, order, dst.data(), (int)dst.size());
}

void CFolderItem::ApplyUserOrder(int order)
{
    CNotebook* book = GetNotebook();
    if (!book)
        return;
    const std::vector<int>& src = m_order[order ? 1 : 0];
    for (size_t i = 0; i < src.size(); ++i)
        if (CNoteItem* n = book->FindNoteByItemId(src[i]))
            n->SetUserPosition((unsigned)i);
}

bool CFolderItem::ExportToHtml(IExportProgress* progress, IHtmlPageWriter* writer, const wchar_t* targetPath,
                               CNoteItem* note)
{
    PELORA_TRACE_SCOPE(1, "Pelora::CFolderItem::ExportToHtml");
    if (!writer || !targetPath)
        return false;
    CString target = targetPath;
    auto exportOne = [&](CNoteItem* n, const CString& fileName, const CString& dir) {
        if (!n->IsContentLoaded())
            n->Load(0);
        int count = progress ? progress->Counter : 0;
        if (progress)
            progress->NoteProgress(count, n->GetTitle());
        bool ok = !n->IsContentLoaded() || writer->ExportNoteToFile(n, fileName.IsEmpty() ? nullptr : fileName.GetString(), dir);
        if (progress) {
            progress->NoteProgress(count + 1, nullptr);
            progress->Counter = count + 1;
        }
        return ok;
    };
    bool ok = true;
    if (note) {
        int slash = std::max(target.ReverseFind(L'\\'), target.ReverseFind(L'/'));
        CString dir = slash >= 0 ? target.Left(slash + 1) : CString();
        CString name = slash >= 0 ? target.Mid(slash + 1) : target;
        return exportOne(note, name, dir);
    }
    CString dir = target;
    if (!dir.IsEmpty() && dir[dir.GetLength() - 1] != L'\\' && dir[dir.GetLength() - 1] != L'/')
        dir += L"\\";
    // a special folder below this one is exported on its own
    for (int i = 0; i < GetFolderCount(); ++i)
        if (CFolderItem* child = GetFolderItem(i))
            if (!child->IsSpecial())
                ok = child->ExportToHtml(progress, writer, target, nullptr) && ok;
    std::vector<CNoteItem*> notes = m_notes;
    for (CNoteItem* n : notes)
        if (n)
            ok = exportOne(n, CString(), dir) && ok;
    return ok;
}

// --- comparators of the catalogue's tree sort

int CFolderItem::CompareByDateAsc(CFolderItem* a, CFolderItem* b)
{
    if (!a || !b || a == b)
        return 0;
    return a->GetItemId() < b->GetItemId() ? -1 : a->GetItemId() > b->GetItemId() ? 1 : 0;
}

int CFolderItem::CompareByDateDesc(CFolderItem* a, CFolderItem* b)
{
    return -CompareByDateAsc(a, b);
}

int CFolderItem::CompareByName(CFolderItem* a, CFolderItem* b)
{
    if (!a || !b || a == b)
        return 0;
    CString na = a->GetName(), nb = b->GetName();
    int r = na.CompareNoCase(nb);
    if (r)
        return r;
    return -wcscmp(na.GetString(), nb.GetString());
}

int CFolderItem::CompareByPopularity(CFolderItem* a, CFolderItem* b)
{
    if (!a || !b || a == b)
        return 0;
    return b->GetNoteCount() - a->GetNoteCount();
}

int CFolderItem::CompareByUserOrder(CFolderItem* a, CFolderItem* b)
{
    if (!a || !b || a == b)
        return 0;
    return a->GetOrderValue() < b->GetOrderValue() ? -1 : a->GetOrderValue() > b->GetOrderValue() ? 1 : 0;
}

// --- root

CRootFolderItem::CRootFolderItem() : CFolderItem(FolderConflicts)
{
    m_folder.folder_id = kRootFolderId;
    m_folder.folder_name = L"All My Notes";
    m_folder.type = FolderRoot;
}

void CRootFolderItem::AddFolderNotes(CFolderItem* folder, int recursive)
{
    if (!folder)
        return;
    if (recursive)
        for (int i = 0; i < folder->GetFolderCount(); ++i)
            if (CFolderItem* child = folder->GetFolderItem(i))
                AddFolderNotes(child, recursive);
    DB::CPeloraDatabase* db = GetDatabase();
    for (int i = 0; i < folder->GetNoteCount(); ++i) {
        int id = folder->GetNoteItemId(i);
        if (db)
            db->UpdateNoteTrashedFlag(id, 0);
        AttachNote(id);
    }
}

void CRootFolderItem::DropFolderNotes(CFolderItem* folder, int recursive)
{
    if (!folder)
        return;
    if (recursive)
        for (int i = 0; i < folder->GetFolderCount(); ++i)
            if (CFolderItem* child = folder->GetFolderItem(i))
                DropFolderNotes(child, recursive);
    DB::CPeloraDatabase* db = GetDatabase();
    CNotebook* book = GetNotebook();
    for (int i = 0; i < folder->GetNoteCount(); ++i) {
        int id = folder->GetNoteItemId(i);
        if (db)
            db->UpdateNoteTrashedFlag(id, 1);
        if (book) {
            CTagList* tags = book->GetTagList();
            CScopedMutexLock lock(tags->GetMutex());
            for (int t = 0; t < tags->GetCount(); ++t)
                if (CTagItem* tag = tags->GetAt(t))
                    tag->DetachNoteOnly(id);
            lock.Release();
            for (int s = 0; s < book->GetSearchCount(); ++s)
                book->GetSearchAt(s)->DetachNoteOnly(id);
        }
        DetachNote(id, 1);
    }
}

// --- filter node

CFilterFolderItem::CFilterFolderItem() : CFolderItem(FolderConflicts)
{
    m_folder.folder_id = L"filter_folder";
}

int CFilterFolderItem::AttachNote(int itemid)
{
    // combining catalogue items never changes the root
    int i = GetNoteIndex(itemid);
    if (i >= 0)
        return i;
    CNotebook* book = GetNotebook();
    CNoteItem* note = book ? book->FindNoteByItemId(itemid) : nullptr;
    return note ? InsertNote(note) : -1;
}

bool CFilterFolderItem::DetachNote(int itemid, int)
{
    return RemoveNoteAt(itemid);
}

void CFilterFolderItem::ClearFilter()
{
    CNotebook* book = GetNotebook();
    for (CFolderItem* item : m_items) {
        item->SetFilterMark(0);
        if (book)
            book->Panes()->SetCatalogStateImage(item, 0);
    }
    m_items.clear();
    ClearNotes();
}

int CFilterFolderItem::AddFilter(CFolderItem* item, int mode)
{
    if (!item)
        return 0;
    if (std::find(m_items.begin(), m_items.end(), item) == m_items.end())
        m_items.push_back(item);
    item->SetFilterMark(0);
    if (mode == 0) {
        for (int i = GetNoteCount() - 1; i >= 0; --i) {
            int id = GetNoteItemId(i);
            if (item->GetNoteIndex(id) < 0)
                DetachNote(id, 1);
        }
    } else if (mode == 2) {
        if (m_notes.empty()) {
            std::vector<CNoteItem*> copy;
            item->CopyNotes(copy);
            Reserve((int)copy.size());
            m_notes = copy;
            NotesReordered();
        } else {
            for (int i = 0; i < item->GetNoteCount(); ++i)
                AttachNote(item->GetNoteItemId(i));
        }
    } else if (mode == 1) {
        for (int i = 0; i < item->GetNoteCount(); ++i)
            DetachNote(item->GetNoteItemId(i), 1);
    }
    item->SetFilterMark(mode == 1 ? FilterMarkExclude : FilterMarkKeep);
    CNotebook* book = GetNotebook();
    if (book && m_items.size() > 1) {
        book->Panes()->SetCatalogStateImage(item, item->GetFilterMark());
        book->Panes()->SetCatalogStateImage(m_items[0], m_items[0]->GetFilterMark());
    }
    return 1;
}

// --- tags

CTagItem::CTagItem() : CFolderItem(FolderConflicts)
{
    m_folder.type = FolderTag;
    m_folder.folder_name.Empty();
}

CTagItem::~CTagItem() {}

void CTagItem::ClearNotes()
{
    CFolderItem::ClearNotes();
    m_tag.note_count = 0;
}

int CTagItem::AttachNote(int itemid)
{
    int r = CFolderItem::AttachNote(itemid);
    m_tag.note_count = GetNoteCount();
    return r;
}

bool CTagItem::DetachNoteOnly(int itemid)
{
    bool r = CFolderItem::DetachNote(itemid, 1);
    m_tag.note_count = GetNoteCount();
    return r;
}

void CTagItem::LoadTagNotes()
{
    CNotebook* book = GetNotebook();
    DB::CPeloraDatabase* db = GetDatabase();
    CFolderItem::ClearNotes();
    if (!book || !db)
        return;
    int count = 0;
    int* ids = db->TagGetNoteList(m_tag.itemid, &count);
    bool removed = false;
    for (int i = 0; ids && i < count; ++i) {
        CNoteItem* note = book->FindNoteByItemId(ids[i]);
        if (note) {
            if (GetNoteIndex(ids[i]) < 0)
                InsertNote(note);
        } else {
            db->RemoveNoteTag(ids[i], m_tag.itemid);
            removed = true;
        }
    }
    delete[] ids;
    m_tag.note_count = GetNoteCount();
    if (removed && m_catalogItem && book->Panes())
        book->Panes()->RefreshCatalogItem(this);
}

CSavedSearchItem::CSavedSearchItem()
{
    m_folder.type = FolderSavedSearch;
    m_tag.tag_type = 1;
}

} // namespace Pelora
