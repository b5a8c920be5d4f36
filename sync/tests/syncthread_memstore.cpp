#include "syncthread_memstore.h"
#include "ObjectId.h"
#include <algorithm>
#include <ctime>

using namespace Sync;

namespace test {

using Guard = std::lock_guard<std::recursive_mutex>;

MemStore::MemStore()
{
    // the built-in folders
    auto builtIn = [this](int itemid, const wchar_t* id, const wchar_t* name, int type) {
        MergeFolder f;
        f.itemid = itemid;
        f.folder_id = id;
        f.folder_name = name;
        f.type = type;
        folders[itemid] = f;
    };
    builtIn(1, L"default", L"My Notes", FOLDER_TYPE_DEFAULT);
    builtIn(2, L"trash", L"Trash", FOLDER_TYPE_TRASH);
    builtIn(3, L"conflict_folder", L"Conflicts", FOLDER_TYPE_CONFLICT);
    builtIn(4, L"usr_folder", L"Folders", FOLDER_TYPE_USER);
}

int MemStore::Now() const { return (int)time(nullptr); }

// An edit is later than the version the note had: the service's stamps may run a few
// seconds ahead of this clock when it writes often.
static int Touch(MergeNote* n, int time)
{
    if (time)
        return time;
    int now = (int)::time(nullptr);
    return now > n->date_update ? now : n->date_update + 1;
}

static void MarkEdited(MergeNote* n)
{
    n->b_syncdirty = 1;
    n->date_update = Touch(n, 0);
}

// The values of `items` that `keep` accepts, in key order.
template <class Map, class Keep>
static std::vector<typename Map::mapped_type> ValuesWhere(const Map& items, Keep keep)
{
    std::vector<typename Map::mapped_type> out;
    for (auto& entry : items)
        if (keep(entry.second))
            out.push_back(entry.second);
    return out;
}

MergeFolder& MemStore::NewFolder(const wchar_t* id, const wchar_t* name, const wchar_t* parent)
{
    Guard g(lock);
    MergeFolder f;
    f.folder_id = id;
    f.folder_name = name;
    f.parent_id = parent;
    f.b_syncdirty = 1;
    f.date_create = f.date_update = Now();
    CreateFolder(f);
    return folders[f.itemid];
}

MergeNote& MemStore::NewNote(const wchar_t* id, const wchar_t* folderId, const wchar_t* title, const wchar_t* html)
{
    Guard g(lock);
    MergeNote n;
    n.note_id = id;
    n.folder_id = Folder(folderId)->itemid;
    n.note_title = title;
    n.content = html;
    n.b_syncdirty = 1;
    n.date_create = n.date_update = n.date_update_user = Now();
    CreateNote(n);
    return notes[n.note_id];
}

void MemStore::EditNote(const wchar_t* id, const wchar_t* html, int time)
{
    Guard g(lock);
    MergeNote* n = Note(id);
    n->content = html;
    n->b_syncdirty = 1;
    n->date_update = n->date_update_user = Touch(n, time);
}

void MemStore::MoveNote(const wchar_t* id, const wchar_t* folderId)
{
    Guard g(lock);
    MergeNote* n = Note(id);
    n->folder_id = Folder(folderId)->itemid;
    MarkEdited(n);
}

void MemStore::DeleteNote(const wchar_t* id, int time)
{
    Guard g(lock);
    MergeNote* n = Note(id);
    // a deletion keeps the note's time unless told: it says which version was deleted
    n->b_removed = 1;
    n->b_syncdirty = 1;
    if (time)
        n->date_update = time;
}

void MemStore::DeleteFolder(const wchar_t* id)
{
    Guard g(lock);
    MergeFolder* f = Folder(id);
    f->b_removed = 1;
    for (auto& entry : notes)
        if (entry.second.folder_id == f->itemid)
            entry.second.b_removed = 1;
}

void MemStore::TagNote(const wchar_t* id, const wchar_t* tag)
{
    Guard g(lock);
    if (!tagList.count(tag))
        tagList[tag] = 0;
    noteTags[id].insert(tag);
    MarkEdited(Note(id));
}

void MemStore::UntagNote(const wchar_t* id, const wchar_t* tag)
{
    Guard g(lock);
    noteTags[id].erase(tag);
    MarkEdited(Note(id));
}

MergeAttach& MemStore::AttachToNote(const wchar_t* noteId, const wchar_t* attachId, const wchar_t* name,
                                    const std::string& bytes)
{
    Guard g(lock);
    MergeAttach a;
    a.attach_id = attachId;
    a.note_id = noteId;
    a.filename = name;
    a.mime = L"application/octet-stream";
    a.type = 1;
    a.data = bytes;
    a.size = (long long)bytes.size();
    a.date_create = a.date_update = Now();
    CreateAttach(a);
    MarkEdited(Note(noteId));
    return attaches[a.itemid];
}

void MemStore::SetNoteReminder(const wchar_t* id, int when)
{
    Guard g(lock);
    MergeReminder r;
    r.b_valid = 1;
    r.time_initial = r.time_to_run = when;
    r.priority = 2;
    reminders[id] = r;
    Note(id)->b_shared |= 2;
    MarkEdited(Note(id));
}

void MemStore::AddTodo(const wchar_t* id, const wchar_t* taskId, const wchar_t* label, bool checked)
{
    Guard g(lock);
    MergeTask t;
    t.task_id = taskId;
    t.note_id = id;
    t.task_info = label;
    t.b_checked = checked;
    tasks.push_back(t);
    MarkEdited(Note(id));
}

MergeNote* MemStore::Note(const wchar_t* id)
{
    Guard g(lock);
    auto it = notes.find(id);
    return it == notes.end() ? nullptr : &it->second;
}

MergeFolder* MemStore::Folder(const wchar_t* id)
{
    Guard g(lock);
    for (auto& entry : folders)
        if (entry.second.folder_id == id)
            return &entry.second;
    return nullptr;
}

CString MemStore::FolderIdOf(const MergeNote& note)
{
    Guard g(lock);
    auto it = folders.find(note.folder_id);
    return it == folders.end() ? CString() : it->second.folder_id;
}

std::vector<MergeNote> MemStore::NotesIn(const wchar_t* folderId)
{
    Guard g(lock);
    std::vector<MergeNote> out;
    MergeFolder* f = Folder(folderId);
    for (auto& entry : notes)
        if (f && entry.second.folder_id == f->itemid && !entry.second.b_removed)
            out.push_back(entry.second);
    return out;
}

std::vector<MergeAttach> MemStore::AttachesOf(const wchar_t* noteId) { return GetAttaches(noteId, nullptr, false); }

std::set<CString> MemStore::TagsOf(const wchar_t* noteId)
{
    Guard g(lock);
    return noteTags[noteId];
}

int MemStore::TagFlags(const wchar_t* name)
{
    Guard g(lock);
    auto it = tagList.find(name);
    return it == tagList.end() ? -1 : it->second;
}

bool MemStore::HasReminder(const wchar_t* noteId, MergeReminder* out)
{
    Guard g(lock);
    auto it = reminders.find(noteId);
    if (it == reminders.end())
        return false;
    if (out)
        *out = it->second;
    return true;
}

std::vector<MergeTask> MemStore::TasksOf(const wchar_t* noteId) { return GetTasks(noteId); }

std::vector<CString> MemStore::LiveNoteIds()
{
    Guard g(lock);
    std::vector<CString> out;
    for (auto& entry : notes)
        if (!entry.second.b_removed)
            out.push_back(entry.first);
    return out;
}

// ---------------------------------------------------------------- ISyncStore

CString MemStore::GetParam(const wchar_t* name, const wchar_t* defaultValue)
{
    Guard g(lock);
    auto it = params.find(name);
    return it == params.end() ? CString(defaultValue) : it->second;
}

void MemStore::SetParam(const wchar_t* name, const wchar_t* value)
{
    Guard g(lock);
    params[name] = value;
}

std::vector<MergeFolder> MemStore::FindFolders(const wchar_t* folderId)
{
    Guard g(lock);
    return ValuesWhere(folders, [&](const MergeFolder& f) { return f.folder_id == folderId; });
}

bool MemStore::GetFolderByItemId(int itemid, MergeFolder& out)
{
    Guard g(lock);
    auto it = folders.find(itemid);
    if (it == folders.end())
        return false;
    out = it->second;
    return true;
}

std::vector<MergeFolder> MemStore::GetDirtyFolders()
{
    Guard g(lock);
    return ValuesWhere(folders, [](const MergeFolder& f) { return f.b_syncdirty; });
}

void MemStore::Reached(const char* call)
{
    std::function<void(const char*)> hook;
    {
        Guard g(lock);
        hook = onCall;
    }
    if (hook)
        hook(call);
}

std::vector<MergeFolder> MemStore::GetChildFolders(const wchar_t* folderId)
{
    Guard g(lock);
    return ValuesWhere(folders, [&](const MergeFolder& f) { return f.parent_id == folderId; });
}

std::vector<MergeNote> MemStore::GetNotesInFolder(int folderItemId)
{
    Guard g(lock);
    std::vector<MergeNote> out =
        ValuesWhere(notes, [&](const MergeNote& n) { return n.folder_id == folderItemId && !n.b_removed; });
    for (MergeNote& n : out)
        n.content.Empty();
    return out;
}

std::vector<MergeFolder> MemStore::GetRemovedFolders()
{
    Reached("GetRemovedFolders");
    Guard g(lock);
    return ValuesWhere(folders, [](const MergeFolder& f) { return f.b_removed; });
}

bool MemStore::CreateFolder(MergeFolder& folder)
{
    Guard g(lock);
    folder.itemid = nextItemId++;
    folders[folder.itemid] = folder;
    return true;
}

bool MemStore::UpdateFolder(const MergeFolder& folder)
{
    Guard g(lock);
    if (!folders.count(folder.itemid))
        return false;
    folders[folder.itemid] = folder;
    return true;
}

bool MemStore::RemoveFolder(const wchar_t* folderId)
{
    Guard g(lock);
    for (auto it = folders.begin(); it != folders.end(); ++it) {
        if (it->second.folder_id == folderId) {
            folders.erase(it);
            return true;
        }
    }
    return false;
}

bool MemStore::GetNote(const wchar_t* noteId, MergeNote& out)
{
    Guard g(lock);
    auto it = notes.find(noteId);
    if (it == notes.end())
        return false;
    out = it->second;
    out.content.Empty();   // the content comes with LoadNoteContent only
    return true;
}

bool MemStore::CreateNote(MergeNote& note)
{
    Guard g(lock);
    note.itemid = nextItemId++;
    notes[note.note_id] = note;
    return true;
}

bool MemStore::UpdateNote(const MergeNote& note)
{
    Guard g(lock);
    auto it = notes.find(note.note_id);
    if (it == notes.end())
        return false;
    CString content = it->second.content;
    it->second = note;
    it->second.content = content;
    return true;
}

bool MemStore::LoadNoteContent(MergeNote& note)
{
    Guard g(lock);
    auto it = notes.find(note.note_id);
    if (it == notes.end())
        return false;
    note.content = it->second.content;
    return true;
}

bool MemStore::UpdateNoteContent(const MergeNote& note)
{
    Guard g(lock);
    auto it = notes.find(note.note_id);
    if (it == notes.end())
        return false;
    it->second.content = note.content;
    return true;
}

bool MemStore::RemoveNote(const wchar_t* noteId)
{
    Guard g(lock);
    for (auto it = attaches.begin(); it != attaches.end();)
        it = it->second.note_id == noteId ? attaches.erase(it) : std::next(it);
    noteTags.erase(noteId);
    reminders.erase(noteId);
    return notes.erase(noteId) != 0;
}

std::vector<MergeNote> MemStore::GetNotesForUpload()
{
    Reached("GetNotesForUpload");
    Guard g(lock);
    std::vector<MergeNote> out;
    for (auto& entry : notes) {
        const MergeNote& n = entry.second;
        if (n.b_syncdirty && !n.b_removed && folders.count(n.folder_id))
            out.push_back(n);
    }
    std::sort(out.begin(), out.end(), [](const MergeNote& a, const MergeNote& b) { return a.itemid < b.itemid; });
    for (MergeNote& n : out)
        n.content.Empty();
    return out;
}

std::vector<MergeNote> MemStore::GetNotesForDownload(int limit, int& total)
{
    Guard g(lock);
    std::vector<MergeNote> out = ValuesWhere(notes, [](const MergeNote& n) { return n.sync_priority > 0; });
    std::stable_sort(out.begin(), out.end(), [](const MergeNote& a, const MergeNote& b) {
        return a.sync_priority != b.sync_priority ? a.sync_priority < b.sync_priority : a.date_update > b.date_update;
    });
    for (MergeNote& n : out)
        n.content.Empty();
    total = (int)out.size();
    if ((int)out.size() > limit)
        out.resize((size_t)limit);
    return out;
}

std::vector<MergeNote> MemStore::GetRemovedNotes()
{
    Guard g(lock);
    return ValuesWhere(notes, [](const MergeNote& n) { return n.b_removed; });
}

bool MemStore::CopyNoteToConflictFolder(const MergeNote& note, CString& newNoteId)
{
    Guard g(lock);
    auto it = notes.find(note.note_id);
    if (it == notes.end() || failCopies)
        return false;
    MergeNote copy = it->second;
    PeloraGenerateKeyString(newNoteId);
    copy.note_id = newNoteId;
    copy.folder_id = Folder(L"conflict_folder")->itemid;
    copy.b_syncdirty = 1;
    copy.b_removed = 0;
    copy.sync_priority = 0;
    copy.date_update = copy.date_update_user = Now();
    // attachments get new ids (as the notebook's copy does), to be sent with the copy
    for (MergeAttach a : GetAttaches(note.note_id, nullptr, false)) {
        CString newAttachId;
        PeloraGenerateKeyString(newAttachId);
        copy.content.Replace(a.attach_id, newAttachId);
        a.attach_id = newAttachId;
        a.note_id = newNoteId;
        a.srv_id.Empty();
        a.sync_url.Empty();
        a.sync_priority = 0;
        CreateAttach(a);
    }
    CreateNote(copy);
    noteTags[newNoteId] = noteTags[note.note_id];
    return true;
}

std::vector<MergeAttach> MemStore::GetAttaches(const wchar_t* noteId, const wchar_t* attachId, bool includeRemoved)
{
    Guard g(lock);
    std::vector<MergeAttach> out;
    for (auto& entry : attaches) {
        const MergeAttach& a = entry.second;
        if ((!noteId || a.note_id == noteId) && (!attachId || a.attach_id == attachId) &&
            (includeRemoved || !a.b_removed))
            out.push_back(a);
    }
    return out;
}

std::vector<MergeAttach> MemStore::GetAttachesForDownload(int limit, int& total)
{
    Guard g(lock);
    std::vector<MergeAttach> out = ValuesWhere(attaches, [](const MergeAttach& a) { return a.sync_priority >= 1; });
    std::stable_sort(out.begin(), out.end(),
                     [](const MergeAttach& a, const MergeAttach& b) { return a.sync_priority < b.sync_priority; });
    total = (int)out.size();
    if ((int)out.size() > limit)
        out.resize((size_t)limit);
    for (MergeAttach& a : out)
        a.data.clear();
    return out;
}

std::vector<MergeAttach> MemStore::GetRemovedAttaches()
{
    Guard g(lock);
    return ValuesWhere(attaches, [](const MergeAttach& a) { return a.b_removed; });
}

bool MemStore::CreateAttach(MergeAttach& attach)
{
    Guard g(lock);
    attach.itemid = nextItemId++;
    attaches[attach.itemid] = attach;
    return true;
}

bool MemStore::UpdateAttach(const MergeAttach& attach)
{
    Guard g(lock);
    auto it = attaches.find(attach.itemid);
    if (it == attaches.end())
        return false;
    std::string data = it->second.data;
    it->second = attach;
    it->second.data = data;
    return true;
}

bool MemStore::UpdateAttachContent(const MergeAttach& attach)
{
    Guard g(lock);
    auto it = attaches.find(attach.itemid);
    if (it == attaches.end())
        return false;
    it->second.data = attach.data;
    it->second.size = (long long)attach.data.size();
    return true;
}

bool MemStore::LoadAttachContent(MergeAttach& attach)
{
    Guard g(lock);
    auto it = attaches.find(attach.itemid);
    if (it == attaches.end())
        return false;
    attach.data = it->second.data;
    return true;
}

int MemStore::ReceiveAttachContent(MergeAttach& attach, const std::function<int(IAttachSink*)>& fetch)
{
    struct Sink : IAttachSink {
        std::string bytes;
        bool OpenStream(int) override
        {
            bytes.clear();
            return true;
        }
        bool WriteData(const void* data, size_t length) override
        {
            bytes.append((const char*)data, length);
            return true;
        }
        void CloseStream() override {}
    } sink;
    int rc = fetch(&sink);
    if (rc != 0)
        return rc;
    attach.data.swap(sink.bytes);
    attach.size = (long long)attach.data.size();
    UpdateAttachContent(attach);
    attach.data.clear();
    return 0;
}

bool MemStore::RemoveAttach(int itemid)
{
    Guard g(lock);
    return attaches.erase(itemid) != 0;
}

bool MemStore::RemoveAttachById(const wchar_t* attachId)
{
    Guard g(lock);
    bool any = false;
    for (auto it = attaches.begin(); it != attaches.end();) {
        if (it->second.attach_id == attachId) {
            it = attaches.erase(it);
            any = true;
        } else {
            ++it;
        }
    }
    return any;
}

void MemStore::MarkAttachesAsDirty(const wchar_t* noteId)
{
    Guard g(lock);
    for (auto& entry : attaches) {
        if (entry.second.note_id == noteId) {
            entry.second.srv_id.Empty();
            entry.second.sync_priority = 0;
        }
    }
}

std::vector<MergeTask> MemStore::GetTasks(const wchar_t* noteId)
{
    Guard g(lock);
    std::vector<MergeTask> out;
    for (const MergeTask& t : tasks)
        if (t.note_id == noteId)
            out.push_back(t);
    return out;
}

void MemStore::RemoveTasks(const wchar_t* noteId)
{
    Guard g(lock);
    tasks.erase(std::remove_if(tasks.begin(), tasks.end(), [&](const MergeTask& t) { return t.note_id == noteId; }),
                tasks.end());
}

bool MemStore::CreateTask(const MergeTask& task)
{
    Guard g(lock);
    tasks.push_back(task);
    return true;
}

std::vector<CString> MemStore::GetNoteTags(const wchar_t* noteId)
{
    Guard g(lock);
    const std::set<CString>& s = noteTags[noteId];
    return std::vector<CString>(s.begin(), s.end());
}

void MemStore::LinkNoteTag(const wchar_t* noteId, const wchar_t* name)
{
    Guard g(lock);
    noteTags[noteId].insert(name);
}

void MemStore::UnlinkNoteTag(const wchar_t* noteId, const wchar_t* name)
{
    Guard g(lock);
    noteTags[noteId].erase(name);
}

bool MemStore::FindTag(const wchar_t* name, int& flags)
{
    Guard g(lock);
    auto it = tagList.find(name);
    if (it == tagList.end())
        return false;
    flags = it->second;
    return true;
}

void MemStore::AddTag(const wchar_t* name, int flags)
{
    Guard g(lock);
    tagList[name] = flags;
}

std::vector<CString> MemStore::GetTagNamesForUpload()
{
    Guard g(lock);
    std::vector<CString> out;
    for (auto& entry : tagList)
        if (!(entry.second & TAG_FLAG_REMOVED))
            out.push_back(entry.first);
    return out;
}

std::vector<CString> MemStore::GetRemovedTagNames()
{
    Guard g(lock);
    std::vector<CString> out;
    for (auto& entry : tagList)
        if (entry.second & TAG_FLAG_REMOVED)
            out.push_back(entry.first);
    return out;
}

void MemStore::MarkTagsSynced(const std::vector<CString>& names)
{
    Guard g(lock);
    for (const CString& n : names)
        if (tagList.count(n))
            tagList[n] |= TAG_FLAG_FROM_SERVER;
}

void MemStore::RemoveTag(const wchar_t* name)
{
    Guard g(lock);
    tagList.erase(name);
    for (auto& entry : noteTags)
        entry.second.erase(name);
}

void MemStore::MergeServerTags(const std::vector<CString>& names)
{
    Guard g(lock);
    for (const CString& n : names)
        if (!tagList.count(n))
            tagList[n] = TAG_FLAG_FROM_SERVER;
}

bool MemStore::GetReminder(const wchar_t* noteId, MergeReminder& out) { return HasReminder(noteId, &out); }

void MemStore::UpdateReminder(const wchar_t* noteId, const MergeReminder& reminder)
{
    Guard g(lock);
    reminders[noteId] = reminder;
}

void MemStore::RemoveReminder(const wchar_t* noteId)
{
    Guard g(lock);
    reminders.erase(noteId);
}

}  // namespace test
