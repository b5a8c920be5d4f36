// The merge and conflict rules of a sync: what the service's change set does to the local
// store and notebook, what is uploaded, and how downloads are queued (sync_priority).
// No user's text is lost on either side: an older local edit that the service's version
// replaces is kept as a copy in "conflict_folder" first.
#include "SyncThread.h"
#include "SyncThreadLog.h"
#include "ActivityLog.h"
#include "HtmlNormalizeStyles.h"
#include "StringTable.h"
#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <cstdio>
#include <ctime>

namespace Sync {

namespace {

bool IsBuiltIn(const MergeFolder& f)
{
    return f.itemid >= 1 && f.itemid <= 3;
}

// Days since 1970 of a time's local calendar date: a real day count across months and years.
long long LocalDayNumber(time_t t)
{
    struct tm lt = {};
    if (localtime_s(&lt, &t) != 0)
        return 0;
    // days from civil (proleptic Gregorian), so month ends and leap years count right
    long long y = lt.tm_year + 1900;
    unsigned m = (unsigned)lt.tm_mon + 1, d = (unsigned)lt.tm_mday;
    y -= m <= 2;
    long long era = (y >= 0 ? y : y - 399) / 400;
    unsigned yoe = (unsigned)(y - era * 400);
    unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + (long long)doe - 719468;
}

}  // namespace

int CSyncThread::GetAttachPriority(int date1, int date2, time_t now)
{
    int t = std::max(date1, date2);
    if (t <= 0)
        return 10;
    if (!now)
        now = time(nullptr);
    long long d = LocalDayNumber(now) - LocalDayNumber((time_t)t);
    if (d < 0)
        return 10;
    if (d <= 3)
        return 2;
    if (d <= 7)
        return 5;
    if (d <= 14)
        return 8;
    return 10;
}

CString CSyncThread::GetFolderGlobalId(int itemid)
{
    ISyncStore* store = Store();
    MergeFolder f;
    if (!store || !store->GetFolderByItemId(itemid, f)) {
        LogNum("Invalid itemid =", itemid);
        return CString();
    }
    return f.folder_id;
}

int CSyncThread::GetFolderItemId(const wchar_t* folderId)
{
    ISyncStore* store = Store();
    if (!store)
        return -1;
    std::vector<MergeFolder> list = store->FindFolders(folderId);
    if (list.size() != 1) {
        Log("Invalid global_id ", folderId);
        LogNum("folders.GetCount() =", (long long)list.size());
        return -1;
    }
    return list[0].itemid;
}

void CSyncThread::RemoveNoteTasks(const wchar_t* noteId)
{
    if (ISyncStore* store = Store())
        store->RemoveTasks(noteId);
}

// ---------------------------------------------------------------- folders

int CSyncThread::SyncUpdateClientFolders(const std::vector<CServerObject>& objects)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::SyncUpdateClientFolders");
    ISyncStore* store = Store();
    if (!store)
        return SYNC_NOT_RUNNING;
    CSyncStoreBatch batch(store);
    for (const CServerObject& o : objects) {
        if (!o.IsFolder())
            continue;
        if (IsTerminating())
            return SYNC_TERMINATED;
        batch.Next();
        std::vector<MergeFolder> found = store->FindFolders(o.globalId);
        bool exists = !found.empty();
        MergeFolder f = exists ? found[0] : MergeFolder();
        bool builtIn = exists && IsBuiltIn(f);
        if (exists && f.b_removed && !builtIn) {
            // deleted here (perhaps right after the sync that sent it): the service's copy,
            // even this client's own echo, does not bring it back; the removal step decides
            Log("    Folder removed here; its removal will be sent. folder_id=", o.globalId);
            continue;
        }
        if (exists && f.b_syncdirty && f.date_update > (int)o.dateUpdated) {
            Log("    FOLDER COLISION. Folder will be sent to server. folder_id=", o.globalId);
            continue;
        }
        if (exists && f.b_syncdirty)
            Log("    FOLDER COLISION. Folder will be replaced from server. folder_id=", o.globalId);
        f.folder_id = o.globalId;
        if (o.parentId == L"root" || o.parentId.IsEmpty())
            f.parent_id = builtIn ? L"" : L"usr_folder";
        else
            f.parent_id = o.parentId;
        f.date_create = (int)(o.dateAddedUser ? o.dateAddedUser : o.dateAdded);
        f.date_update = (int)o.dateUpdated;
        if (!builtIn)
            f.type = FOLDER_TYPE_USER;
        f.b_syncdirty = 0;
        f.b_removed = 0;
        f.folder_name = o.title;
        if (exists) {
            store->UpdateFolder(f);
            Event(SYNC_EVENT_FOLDER_UPDATED, f.folder_id, nullptr);
            Log("    Updated folder from server. folder_id=", f.folder_id);
        } else {
            store->CreateFolder(f);
            store->OnFolderCreated(f);
            Event(SYNC_EVENT_FOLDER_CREATED, f.folder_id, nullptr);
            Log("    Created folder from server. folder_id=", f.folder_id);
        }
    }
    return 0;
}

// ---------------------------------------------------------------- notes

int CSyncThread::SyncUpdateClientNotes(const std::vector<CServerObject>& objects, int timestamp)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::SyncUpdateClientNotes");
    if (int rc = NoteCheck())
        return rc;
    CSyncStoreBatch batch(Store());
    for (const CServerObject& o : objects) {
        if (IsTerminating())
            return SYNC_TERMINATED;
        batch.Next();
        if (o.IsNote()) {
            int rc = SyncUpdateClientNote(o, nullptr, timestamp, 1);
            if (rc != 0) {
                LogNum("    SyncUpdateClientNote() result:", rc);
                return rc;
            }
        } else if (!o.IsFolder()) {
            Log("    invalid type =", o.type);
        }
    }
    return 0;
}

// The service's text is the one this note has (as it was sent, or as the receiving side
// normalises it): taking it loses nothing, so no conflict copy is made.
static bool SameText(const MergeNote& local, const CServerObject& o)
{
    if (local.note_title != o.title)
        return false;
    if (local.content == o.text)
        return true;
    CString normalized;
    return HtmlNormalizeStyles(o.text, normalized, 0) && normalized == local.content;
}

int CSyncThread::SyncUpdateClientNote(const CServerObject& o, MergeNote* local, int timestamp, int mode)
{
    if (!o.IsNote()) {
        Log("Invalid type = ", o.type);
        return 0;
    }
    if (int rc = NoteCheck())
        return rc;
    ISyncStore* store = Store();
    const int serverTime = (int)o.dateUpdated;

    // Notes of folders the user keeps out of the sync are not touched.
    std::vector<MergeFolder> parents = store->FindFolders(o.parentId);
    if (parents.size() == 1 && (parents[0].flags & FOLDER_FLAG_NO_SYNC)) {
        Log("    Note of a folder that is not synchronised. note_id =", o.globalId);
        return 0;
    }
    if (mode == 0)
        return MergeNoteContent(o, local);

    MergeNote note;
    bool isNew = false;
    if (!store->GetNote(o.globalId, note)) {
        note = MergeNote();
        note.note_id = o.globalId;
        int folder = GetFolderItemId(o.parentId);
        std::vector<MergeFolder> def = store->FindFolders(L"default");
        note.folder_id = folder > 0 ? folder : (def.size() == 1 ? def[0].itemid : 0);
        note.sync_timestamp = timestamp;   // the change set it came with
        store->CreateNote(note);
        isNew = true;
    }
    if (!isNew && !FolderSyncs(note.folder_id)) {
        Log("    Note of a folder that is not synchronised. note_id =", o.globalId);
        return 0;
    }

    // Changed on the service since the version this client has: newer than the stamp the note
    // was last in step with. The service's echo of this client's own upload is not a change.
    bool serverChanged = serverTime > note.sync_timestamp && !(!note.b_syncdirty && note.date_update >= serverTime);
    if (!isNew && note.b_removed) {
        // Deleted here, changed there: the deletion was of a version older than the service's,
        // whose text nobody here has seen, so the note comes back (whatever the clocks say).
        if (!serverChanged) {
            Log("    CONFLICT CHANGES: removal will be send to server. note_id =", o.globalId);
            return 0;
        }
        Log("    CONFLICT CHANGES: removed note is restored from server. note_id =", o.globalId);
        note.b_removed = 0;
    } else if (!isNew && note.b_syncdirty) {
        if (!serverChanged) {
            Log("    CONFLICT CHANGES: note will be send to server. note_id =", o.globalId);
            return 0;
        }
        // Changed on both sides, whatever the times say: both texts are kept. The note is
        // queued for its content and not sent meanwhile; when the content arrives, the local
        // text (if it differs) becomes a copy in "conflict_folder" and the note takes the
        // service's. The row keeps its local fields until then.
        Log("    CONFLICT CHANGES: changed on both sides, both are kept. note_id =", o.globalId);
        SetNotePriority(note.note_id, 1, false);
        return 0;
    } else if (!isNew && !serverChanged) {
        if (note.sync_priority != 0)
            SetNotePriority(note.note_id, 0, false);
        return 0;
    }
    Log(isNew ? "    Create note for downloading from server. note_id ="
              : "    Update note for downloading from server. note_id =",
        o.globalId);

    ApplyServerFields(o, note);
    note.sync_priority = GetAttachPriority(note.date_create, serverTime);
    // The content stays as it is until the download replaces it: emptying it here would leave
    // nothing if the download never comes. The row is written as it is now, under the lock,
    // so that an edit saved meanwhile is not marked clean.
    CSyncStoreLock lock(store);
    if (!isNew) {
        MergeNote current;
        if (!store->GetNote(o.globalId, current))
            return 0;
        if ((current.b_syncdirty && !current.b_removed) || store->IsNoteBeingEdited(o.globalId)) {
            current.sync_priority = 1;
            store->UpdateNote(current);
            return 0;
        }
    }
    store->UpdateNote(note);
    if (isNew)
        store->OnNoteCreated(note);
    else
        Event(SYNC_EVENT_NOTE_UPDATED, note.note_id, note.note_id);
    return 0;
}

void CSyncThread::ApplyServerFields(const CServerObject& o, MergeNote& note)
{
    ISyncStore* store = Store();
    std::vector<MergeFolder> rp = o.rootParentId.IsEmpty() ? std::vector<MergeFolder>()
                                                            : store->FindFolders(o.rootParentId);
    note.sav_fld_id = rp.size() == 1 ? rp[0].itemid : 0;
    int folder = GetFolderItemId(o.parentId);
    if (folder > 0)
        note.folder_id = folder;   // an unknown folder keeps the note where it is
    note.prn_index = o.index;
    note.date_create = (int)(o.dateAddedUser ? o.dateAddedUser : o.dateAdded);
    note.date_update_user = (int)o.dateUpdatedUser;
    note.note_title = o.title;
    note.b_syncdirty = 0;
    note.b_removed = 0;
    if (o.shared)
        note.b_shared |= 1;
    else
        note.b_shared &= ~1;
    note.editable = o.editnote;
    note.url = o.url;
    note.geo_str1.Format(L"%f", o.locationLat);
    note.geo_str2.Format(L"%f", o.locationLng);
    note.page_color = o.pagecolor;
    if (note.crypt_type) {
        note.preview_text.Empty();
    } else {
        note.preview_text = o.textShort;
        note.preview_text.Trim();
    }
}

// The content download: the service's version becomes the note. The decision is made on the
// note as it is when it is written, under the store's lock: an edit saved (or being saved)
// while the content was on its way is first kept as a copy in "conflict_folder", unless its
// text is the service's; when the copy cannot be stored, nothing is replaced.
int CSyncThread::MergeNoteContent(const CServerObject& o, MergeNote* local)
{
    ISyncStore* store = Store();
    const int serverTime = (int)o.dateUpdated;
    CSyncStoreLock lock(store);
    MergeNote note;
    if (!store->GetNote(o.globalId, note)) {
        Log("    Note is gone here; its content is not taken. note_id =", o.globalId);
        return 0;
    }
    bool changedHere = (note.b_syncdirty && !note.b_removed) || store->IsNoteBeingEdited(note.note_id);
    if (note.b_removed)
        Log("    CONFLICT CHANGES: removed note is restored from server. note_id =", o.globalId);
    if (changedHere) {
        MergeNote mine = note;
        store->LoadNoteContent(mine);
        if (SameText(mine, o)) {
            Log("    The local text is the service's: no copy. note_id =", o.globalId);
        } else {
            CString copyId;
            if (!store->CopyNoteToConflictFolder(mine, copyId)) {
                Log("    The local text could not be kept as a copy: the note is left as it is. note_id =",
                    o.globalId);
                return SYNC_COPY_FAILED;
            }
            Log("    CONFLICT CHANGES: note will be replaced from server. note_id =", o.globalId);
            Log("        note_id of saved local content =", copyId);
            Log("        note_id of replaced content =", note.note_id);
        }
    }
    ApplyServerFields(o, note);
    note.date_update = serverTime;
    note.sync_timestamp = serverTime;
    if (!note.crypt_type) {
        CString normalized;
        if (HtmlNormalizeStyles(o.text, normalized, 0))
            note.content = normalized;
        else
            note.content = o.text;
    }
    note.sync_priority = 0;
    int rc = 0;
    if (!o.attachements.empty())
        rc = SyncUpdateNoteAttaches(o, o.attachements);
    if (rc == 0)
        rc = SyncUpdateNoteTags(note, o.tags);
    if (rc == 0)
        rc = SyncUpdateTodoItems(note, o.todo);
    if (rc != 0)
        return rc;

    if (o.reminder.present) {
        MergeReminder r;
        bool had = store->GetReminder(note.note_id, r);
        if (!had || !r.b_valid || r.time_initial != (int)o.reminder.date) {
            r.completed = 0;
            r.time_to_run = (int)o.reminder.date;
            r.time_initial = (int)o.reminder.date;
            r.b_valid = 1;
        }
        int olderDays = Group().GetReminderOlderDays();
        if (olderDays > 0 && (long long)time(nullptr) - r.time_initial >= (long long)olderDays * 86400)
            r.completed = 1;
        r.geo_lat.Format(L"%lf", o.reminder.lat);
        r.geo_lng.Format(L"%lf", o.reminder.lng);
        r.priority = o.reminder.priority;
        r.repeat = o.reminder.interval;
        r.type_reminder = o.reminder.date == 0 ? 1 : 0;
        store->UpdateReminder(note.note_id, r);
        note.b_shared |= 2;
    } else {
        store->RemoveReminder(note.note_id);
        note.b_shared &= ~2;
    }
    store->UpdateNoteContent(note);
    store->UpdateNote(note);
    if (local)
        *local = note;
    Event(SYNC_EVENT_NOTE_UPDATED, note.note_id, note.note_id);
    if (note.crypt_type == 0)
        Event(SYNC_EVENT_NOTE_PLAIN, note.note_id, note.note_id);
    return 0;
}

int CSyncThread::SyncUpdateNoteAttaches(const CServerObject& note, const std::vector<CServerAttach>& attaches)
{
    if (int rc = NoteCheck())
        return rc;
    ISyncStore* store = Store();
    for (const CServerAttach& a : attaches) {
        std::vector<MergeAttach> list = store->GetAttaches(nullptr, a.globalId, true);
        if (!list.empty()) {
            LogNum("list.GetCount() = ", (long long)list.size());
            continue;
        }
        MergeAttach r;
        r.attach_id = a.globalId;
        r.note_id = note.globalId;
        r.mime = a.mime;
        if (a.size >= 104857600ULL)
            r.flags |= ATTACH_FLAG_FILE_STORAGE;
        r.date_create = r.date_update = (int)a.dateAdded;
        r.size = 0;
        r.sync_priority = GetAttachPriority((int)a.dateAdded, 0);
        r.sync_url = a.location;
        r.type = a.inList ? 1 : 0;
        r.filename = a.displayName;
        if (r.filename.IsEmpty()) {
            int cut = std::max(a.location.ReverseFind(L'\\'), a.location.ReverseFind(L'/'));
            r.filename = cut > 0 ? a.location.Mid(cut + 1) : CString(L"tmp_filename");
        }
        CLogStream log(LOG_LEVEL_SYNC);
        log << "Create attach for download:  note_id=" << r.note_id.GetString() << ", attach_id="
            << r.attach_id.GetString();
        log.End();
        store->CreateAttach(r);
        Event(SYNC_EVENT_ATTACH, r.attach_id, r.note_id);
    }
    return 0;
}

int CSyncThread::SyncUpdateNoteTags(const MergeNote& note, const std::vector<CString>& tags)
{
    if (int rc = NoteCheck())
        return rc;
    ISyncStore* store = Store();
    std::vector<CString> local = store->GetNoteTags(note.note_id);
    for (const CString& name : tags) {
        int flags = 0;
        bool exists = store->FindTag(name, flags);
        bool removedHere = exists && (flags & TAG_FLAG_REMOVED);
        auto it = std::find(local.begin(), local.end(), name);
        if (it != local.end()) {
            if (!removedHere)
                local.erase(it);   // stays linked
        } else if (!removedHere) {
            if (!exists)
                store->AddTag(name, TAG_FLAG_FROM_SERVER);
            store->LinkNoteTag(note.note_id, name);
        }
    }
    for (const CString& name : local) {
        int flags = 0;
        if (store->FindTag(name, flags))
            store->UnlinkNoteTag(note.note_id, name);
    }
    return 0;
}

int CSyncThread::SyncUpdateTodoItems(MergeNote& note, const std::vector<CServerTodo>& todo)
{
    if (int rc = NoteCheck())
        return rc;
    ISyncStore* store = Store();
    store->RemoveTasks(note.note_id);
    note.num_tasks = 0;
    for (const CServerTodo& t : todo) {
        MergeTask task;
        task.task_id = t.globalId;
        task.note_id = note.note_id;
        task.b_checked = t.checked ? 1 : 0;
        task.task_info = t.label;
        store->CreateTask(task);
        if (!t.checked)
            ++note.num_tasks;
    }
    return 0;
}

// ---------------------------------------------------------------- removals from the server

int CSyncThread::SyncRemoveClientItems(const std::vector<CRemovedItem>& items)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::SyncRemoveClientItems");
    if (int rc = NoteCheck())
        return rc;
    ISyncStore* store = Store();
    // Notes and attachments first, then folders: a folder's notes that are still here when it
    // goes are the ones the service did not have.
    for (int pass = 0; pass < 2; ++pass) {
        for (const CRemovedItem& item : items) {
            if (IsTerminating())
                return SYNC_TERMINATED;
            bool folder = item.type == L"folder";
            if (folder != (pass == 1))
                continue;
            if (folder) {
                Log("    remove folder. global_id =", item.globalId);
                RemoveFolderKeepingNotes(item.globalId);
            } else if (item.type == L"attachement") {
                Log("    remove attachment. global_id =", item.globalId);
                store->RemoveAttachById(item.globalId);
                Event(SYNC_EVENT_ATTACH_REMOVED, item.globalId, L"");
            } else if (item.type == L"note") {
                Log("    remove note/folder. global_id =", item.globalId);
                CSyncStoreLock lock(store);
                MergeNote note;
                bool exists = store->GetNote(item.globalId, note);
                if (exists && !note.b_removed &&
                    (note.b_syncdirty || store->IsNoteBeingEdited(item.globalId))) {
                    // edits not sent yet would go with the note: they are kept as a copy, and
                    // without the copy the note stays (its next upload meets the removal again)
                    CString copyId;
                    if (!store->CopyNoteToConflictFolder(note, copyId)) {
                        Log("        the local text could not be kept as a copy; the note stays. note_id =",
                            item.globalId);
                        continue;
                    }
                    Log("        note_id of saved local content =", copyId);
                }
                RemoveNoteTasks(item.globalId);
                if (exists) {
                    store->RemoveNote(item.globalId);
                    Event(SYNC_EVENT_NOTE_REMOVED, item.globalId, item.globalId);
                }
                RemoveFolderKeepingNotes(item.globalId);
            }
        }
    }
    return 0;
}

// A folder the service removed. A note still in it here (written here and not sent yet, or
// moved into it) would be left in no folder and never sent: it goes to "conflict_folder" and
// is sent from there. Folders of its own that the service never knew move to the top.
void CSyncThread::RemoveFolderKeepingNotes(const CString& folderId)
{
    ISyncStore* store = Store();
    std::vector<MergeFolder> found = store->FindFolders(folderId);
    if (found.size() != 1 || IsBuiltIn(found[0]))
        return;
    std::vector<MergeFolder> conflicts = store->FindFolders(L"conflict_folder");
    if (conflicts.empty())
        conflicts = store->FindFolders(L"default");
    CSyncStoreLock lock(store);
    if (!conflicts.empty()) {
        for (MergeNote& n : store->GetNotesInFolder(found[0].itemid)) {
            Log("    note of a folder removed on the server goes to the conflicts. note_id =", n.note_id);
            n.folder_id = conflicts[0].itemid;
            n.b_syncdirty = 1;
            n.sync_priority = 0;
            store->UpdateNote(n);
            Event(SYNC_EVENT_NOTE_UPDATED, n.note_id, n.note_id);
        }
    }
    for (MergeFolder& child : store->GetChildFolders(folderId)) {
        child.parent_id = L"usr_folder";
        child.b_syncdirty = 1;
        store->UpdateFolder(child);
        Event(SYNC_EVENT_FOLDER_UPDATED, child.folder_id, nullptr);
    }
    if (store->RemoveFolder(folderId))
        Event(SYNC_EVENT_FOLDER_REMOVED, folderId, nullptr);
}

// ---------------------------------------------------------------- downloads

int CSyncThread::SyncDownloadNote(MergeNote& note)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::SyncDownloadNote");
    if (int rc = NoteCheck())
        return rc;
    std::vector<CServerObject> notes;
    int rc = FetchNoteContent(note, notes);
    CSyncStoreLock lock(Store());
    return MergeFetchedNote(note, notes, rc);
}

int CSyncThread::FetchNoteContent(const MergeNote& note, std::vector<CServerObject>& notes)
{
    CSync* client = Client();
    char stamp[16];
    snprintf(stamp, sizeof stamp, "%d", note.sync_timestamp);
    int rc = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        rc = client->DownloadNote(stamp, note.note_id, notes);
        LogNum("DownloadNote() result:", rc);
        if (rc == 0)
            break;
    }
    return rc;
}

int CSyncThread::MergeFetchedNote(MergeNote& note, const std::vector<CServerObject>& notes, int rc)
{
    if (rc == 0) {
        if (notes.empty()) {
            // Nothing came: the note keeps its content and stays queued (behind fresher
            // items) for the next sync; a removal on the service comes with the next change set.
            LogNum("server returns invalid data. size=", 0);
            note.sync_priority = SetNotePriority(note.note_id, 1, true);
            m_skipDownload.insert(note.note_id);
            return 0;
        }
        for (const CServerObject& o : notes) {
            if (!o.IsNote()) {
                Log("possible error. type=", o.type);
                continue;
            }
            rc = SyncUpdateClientNote(o, &note, note.sync_timestamp, 0);
            if (rc != 0)
                break;
        }
    }
    if (rc != 0) {
        note.sync_priority = SetNotePriority(note.note_id, 1, true);
        LogNum("Error during download of note. set sync_priority=", note.sync_priority);
    }
    return rc;
}

// Changes only the queue place of the note's row as it is now (an edit saved meanwhile stays).
int CSyncThread::SetNotePriority(const CString& noteId, int value, bool add)
{
    ISyncStore* store = Store();
    CSyncStoreLock lock(store);
    MergeNote current;
    if (!store->GetNote(noteId, current))
        return 0;
    current.sync_priority = add ? current.sync_priority + value : value;
    store->UpdateNote(current);
    return current.sync_priority;
}

void CSyncThread::OnSyncDownloadAttaches(MergeAttach& attach)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::OnSyncDownloadAttaches");
    ISyncStore* store = Store();
    CSync* client = Client();
    Event(SYNC_EVENT_DOWNLOADING, attach.note_id, attach.note_id);
    int waiting = 0;
    store->GetAttachesForDownload(0, waiting);
    CString text;
    text.Format(GetLangString(1725, L"Download attachments (%d)...").GetString(), waiting);
    Progress(0.0f, 0, text);
    {
        CLogStream log(LOG_LEVEL_SYNC);
        log << "Downloading attachment (attach_id=" << attach.attach_id.GetString()
            << ", note_id=" << attach.note_id.GetString() << ")";
        log.End();
    }
    int rc = 4;
    std::string url = ToUtf8(attach.sync_url);
    for (int attempt = 0; attempt < 3 && client; ++attempt) {
        rc = store->ReceiveAttachContent(attach, [&](IAttachSink* sink) {
            return client->DownloadAttachement(url.c_str(), sink);
        });
        if (rc == 0)
            break;
    }
    if (rc != 0) {
        attach.data.clear();
        attach.sync_priority += 1;
        m_skipAttach.insert(attach.attach_id);
    } else {
        attach.sync_priority = 0;
    }
    store->UpdateAttach(attach);
    if (rc == 0) {
        Event(SYNC_EVENT_ATTACH, attach.attach_id, attach.note_id);
        PostThreadMessage(WM_SYNC_DOWNLOAD_ITEM, 0, 0);
    } else {
        PostToA(WM_SYNC_DOWNLOAD_DONE, (WPARAM)rc, 0);
    }
}

// ---------------------------------------------------------------- uploads

int CSyncThread::SyncUploadFoldersToServer()
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::SyncUploadFoldersToServer");
    if (int rc = NoteCheck())
        return rc;
    ISyncStore* store = Store();
    CSync* client = Client();
    std::vector<MergeFolder> folders = store->GetDirtyFolders();
    std::vector<CString> tags = store->GetTagNamesForUpload();
    if (folders.empty() && tags.empty()) {
        Log("No folders/tags for upload.");
        return 0;
    }
    std::vector<CServerObject> objects;
    for (const MergeFolder& f : folders) {
        CServerObject o;
        o.globalId = f.folder_id;
        o.type = L"folder";
        o.parentId = (f.parent_id == L"usr_folder" || f.parent_id.IsEmpty()) ? CString(L"root") : f.parent_id;
        o.index = 0;
        o.dateUpdatedUser = o.dateUpdated = (unsigned)f.date_update;
        o.dateAddedUser = o.dateAdded = (unsigned)f.date_create;
        o.title = f.folder_name;
        objects.push_back(o);
    }
    unsigned newTime = 0;
    CString desc;
    int rc = client->Store(objects, &tags, newTime, desc);
    if (rc == 0) {
        for (MergeFolder f : folders) {
            f.b_syncdirty = 0;
            store->UpdateFolder(f);
        }
        store->MarkTagsSynced(tags);
        LogNum("Uploading result of folders.  new_last_upd =", newTime);
    }
    return rc;
}

// What an upload of the note sends, made from the store as it is now.
CServerObject CSyncThread::NoteObject(MergeNote& note)
{
    ISyncStore* store = Store();
    store->LoadNoteContent(note);
    CServerObject o;
    o.globalId = note.note_id;
    o.type = L"note";
    o.parentId = GetFolderGlobalId(note.folder_id);
    o.index = 0;
    o.url = note.url;
    if (note.sav_fld_id) {
        MergeFolder f;
        if (store->GetFolderByItemId(note.sav_fld_id, f))
            o.rootParentId = f.folder_id;
    }
    o.title = note.note_title;
    o.text = note.content;
    o.hasText = true;
    o.editnote = note.editable;
    o.dateUpdatedUser = (unsigned)note.date_update_user;
    o.dateAddedUser = o.dateAdded = (unsigned)note.date_create;
    o.dateUpdated = (unsigned)note.date_update;
    o.pagecolor = note.page_color;
    if (note.crypt_type == 1) {
        for (const MergeAttach& a : store->GetAttaches(note.note_id, nullptr, false))
            if (a.flags == 6)
                o.textAttachmentGlobalId = a.attach_id;
    }
    MergeReminder r;
    if (store->GetReminder(note.note_id, r) && r.b_valid) {
        o.reminder.present = true;
        bool place = r.type_reminder == 1;
        o.reminder.date = place ? 0 : r.time_to_run;
        o.reminder.lat = place ? _wtof(r.geo_lat) : 0;
        o.reminder.lng = place ? _wtof(r.geo_lng) : 0;
        o.reminder.priority = r.priority ? r.priority : 2;
        o.reminder.interval = place ? 0 : r.repeat;
    }
    for (const MergeAttach& a : m_attachQueue) {
        CServerAttach sa;
        sa.globalId = a.attach_id;
        sa.tempname = a.srv_id;
        sa.displayName = a.filename;
        sa.inList = a.type != 0 ? 1 : 0;
        o.attachements.push_back(sa);
    }
    o.tags = store->GetNoteTags(note.note_id);
    for (const MergeTask& t : store->GetTasks(note.note_id)) {
        CServerTodo todo;
        todo.globalId = t.task_id;
        todo.label = t.task_info;
        todo.checked = t.b_checked != 0;
        o.todo.push_back(todo);
    }
    return o;
}

int CSyncThread::SyncUploadNoteToServer(MergeNote& note, CString& errorText)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::SyncUploadNoteToServer");
    if (int rc = NoteCheck())
        return rc;
    ISyncStore* store = Store();
    CSync* client = Client();

    // The protocol has no conditional store: another client may have sent this note since the
    // structure step. What the service has is asked for right before sending; a version newer
    // than both that step and the one this note is in step with is merged as a conflict (both
    // texts kept) instead of being overwritten. What remains is the time between this answer
    // and the store.
    {
        char stamp[16];
        snprintf(stamp, sizeof stamp, "%d", note.sync_timestamp);
        std::vector<CServerObject> now;
        int rc = client->DownloadNote(stamp, note.note_id, now);
        if (rc != 0)
            return rc;
        for (const CServerObject& o : now) {
            if (!o.IsNote() || o.globalId != note.note_id ||
                (int)o.dateUpdated <= std::max(note.sync_timestamp, m_structureStamp))
                continue;
            Log("    CONFLICT CHANGES: sent by another client since the structure step. note_id =", note.note_id);
            return SyncUpdateClientNote(o, &note, note.sync_timestamp, 0);
        }
    }

    CServerObject o = NoteObject(note);
    unsigned newTime = 0;
    int rc = client->Store({o}, nullptr, newTime, errorText);
    if (rc == -19)
        return KeepNoteRemovedOnServer(note);
    if (rc != 0)
        return rc;
    // Any change since the upload began keeps the note dirty: what would be sent now is made
    // again from the store, under its lock, and compared (a save within the same second has
    // the same time). The service's version is this one either way.
    CSyncStoreLock lock(store);
    MergeNote current;
    if (!store->GetNote(note.note_id, current))
        return 0;
    MergeNote again = current;
    bool unchanged = !current.b_removed && !store->IsNoteBeingEdited(note.note_id) &&
                     NoteObject(again).ToJson() == o.ToJson();
    current.sync_timestamp = (int)newTime;
    if (unchanged) {
        current.date_update = (int)newTime;
        current.b_syncdirty = 0;
    } else {
        Log("    Changed while it was sent: stays dirty. note_id =", note.note_id);
    }
    store->UpdateNote(current);
    note = current;
    return 0;
}

// The service removed the note while this edit was on its way (-19): the text is kept as a
// copy in "conflict_folder", sent as a note of its own, and the note goes as it did there.
// Without the copy the note stays as it is (dirty) and the sync reports it.
int CSyncThread::KeepNoteRemovedOnServer(MergeNote& note)
{
    ISyncStore* store = Store();
    CSyncStoreLock lock(store);
    MergeNote current;
    if (!store->GetNote(note.note_id, current))
        return 0;
    if (!current.b_removed) {
        CString copyId;
        if (!store->CopyNoteToConflictFolder(current, copyId)) {
            Log("    Removed on the server; the local text could not be copied. note_id =", note.note_id);
            return SYNC_COPY_FAILED;
        }
        Log("    Removed on the server while sent; kept as note_id =", copyId);
    }
    RemoveNoteTasks(note.note_id);
    store->RemoveNote(note.note_id);
    Event(SYNC_EVENT_NOTE_REMOVED, note.note_id, note.note_id);
    return 0;
}

int CSyncThread::SyncUploadAttach(const wchar_t* noteId, const wchar_t* attachId, CString& serverName)
{
    ISyncStore* store = Store();
    CSync* client = Client();
    std::vector<MergeAttach> list = store->GetAttaches(noteId, attachId, true);
    while (list.size() > 1) {
        store->RemoveAttach(list.front().itemid);
        list.erase(list.begin());
    }
    if (list.empty()) {
        LogNum("Invalid attach_list.GetCount()", 0);
        return 4;
    }
    MergeAttach& a = list[0];
    store->LoadAttachContent(a);
    std::string mime = ToUtf8(a.mime);
    if (a.flags & ATTACH_FLAG_FILE_STORAGE)
        return client->UploadAttachement(a.filename, store->GetAttachFilePath(a), mime.c_str(), serverName);
    return client->UploadAttachement(a.filename, a.data.data(), a.data.size(), mime.c_str(), serverName);
}

// The folders whose removal is held back: a removal on the service takes every note of the
// folder and its subfolders with it, so a folder that holds a live note here (one brought back,
// or one not sent yet), or one that another client has put a note into since the structure
// step, is not removed.
int CSyncThread::SyncRemoveDeleted()
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSyncThread::SyncRemoveDeleted");
    if (int rc = NoteCheck())
        return rc;
    ISyncStore* store = Store();
    CSync* client = Client();
    std::vector<MergeFolder> folders = store->GetRemovedFolders();
    std::vector<MergeNote> removedNotes = store->GetRemovedNotes();
    std::vector<MergeAttach> removedAttaches = store->GetRemovedAttaches();
    std::vector<CString> tags = store->GetRemovedTagNames();
    if (folders.empty() && removedNotes.empty() && removedAttaches.empty() && tags.empty())
        return 0;

    // What other clients have sent since the structure step (this client's own uploads aside).
    std::set<CString> changedThere, parentsThere;
    if (!folders.empty() || !removedNotes.empty()) {
        char stamp[16];
        snprintf(stamp, sizeof stamp, "%d", m_structureStamp);
        CDataStruct data;
        int rc = client->GetDataStruct(stamp, data);
        if (rc != 0)
            return rc;
        for (const CServerObject& o : data.items) {
            if (!o.IsNote() || m_uploaded.count(o.globalId))
                continue;
            changedThere.insert(o.globalId);
            parentsThere.insert(o.parentId);
        }
    }
    // folder id → whether its subtree holds a note that the removal would take
    std::map<CString, bool> keeps;
    std::function<bool(const MergeFolder&, int)> holdsNotes = [&](const MergeFolder& f, int depth) -> bool {
        auto it = keeps.find(f.folder_id);
        if (it != keeps.end())
            return it->second;
        keeps[f.folder_id] = false;   // a cycle stops here
        bool holds = parentsThere.count(f.folder_id) != 0 || !store->GetNotesInFolder(f.itemid).empty();
        if (!holds && depth < 64)
            for (const MergeFolder& child : store->GetChildFolders(f.folder_id))
                if (holdsNotes(child, depth + 1))
                    holds = true;
        keeps[f.folder_id] = holds;
        return holds;
    };
    std::vector<CString> notes, attaches;
    std::vector<MergeFolder> sentFolders;
    std::vector<MergeNote> sentNotes;
    for (MergeFolder& f : folders) {
        if (holdsNotes(f, 0)) {
            // it stays, as the service has it
            Log("    Folder holds notes; its removal is not sent. folder_id=", f.folder_id);
            f.b_removed = 0;
            f.b_syncdirty = 0;
            store->UpdateFolder(f);
            Event(SYNC_EVENT_FOLDER_UPDATED, f.folder_id, nullptr);
            continue;
        }
        notes.push_back(f.folder_id);
        sentFolders.push_back(f);
    }
    for (const MergeNote& n : removedNotes) {
        if (changedThere.count(n.note_id)) {
            // changed elsewhere since the structure step: the next sync brings it back
            Log("    Note changed on the server; its removal waits. note_id =", n.note_id);
            continue;
        }
        notes.push_back(n.note_id);
        sentNotes.push_back(n);
    }
    for (const MergeAttach& a : removedAttaches)
        attaches.push_back(a.attach_id);
    if (notes.empty() && attaches.empty() && tags.empty())
        return 0;
    unsigned newTime = 0;
    int rc = client->RemoveOnServer(notes, attaches, tags, newTime);
    LogNum("RemoveOnServer(): new_last_upd =", newTime);
    if (rc == 0) {
        for (const MergeFolder& f : sentFolders)
            store->RemoveFolder(f.folder_id);
        for (const MergeNote& n : sentNotes)
            store->RemoveNote(n.note_id);
        for (const MergeAttach& a : removedAttaches)
            store->RemoveAttach(a.itemid);
        for (const CString& t : tags)
            store->RemoveTag(t);
    }
    LogNum("Result of removing on server =", rc);
    return rc;
}

}  // namespace Sync
