// The note service's actions: each builds its request, sends it with SendRequest and reads
// the reply's keys with checked reads (a key of the wrong kind makes the reply unreadable).
#include "SyncClient.h"
#include "ActivityLog.h"
#include "UserAccounts.h"
#include <cmath>
#include <climits>

namespace Sync {

using namespace JsonRead;

namespace {

Json::Value Utf8(const wchar_t* text)
{
    return Json::Value(ToUtf8(text ? text : L""));
}

Json::Value TextArray(const std::vector<CString>& texts)
{
    Json::Value list(Json::arrayValue);
    for (const CString& t : texts)
        list.append(Utf8(t));
    return list;
}

// A number of bytes from the service as whole MB.
bool MegaBytes(const Json::Value& object, const char* key, int& out)
{
    double bytes = 0;
    if (!Double(object, key, bytes))
        return false;
    double mb = std::trunc(bytes / 1048576.0);
    out = mb < 0 ? 0 : (mb > (double)INT_MAX ? INT_MAX : (int)mb);
    return true;
}

// Reads the items of a reply's list into out; a list that is not an array gives none.
// False when an item is unreadable.
template <class Item>
bool ReadItems(const Json::Value& list, std::vector<Item>& out)
{
    if (!list.isArray())
        return true;
    for (const Json::Value& v : list) {
        Item item;
        if (!item.Read(v))
            return false;
        out.push_back(std::move(item));
    }
    return true;
}

// The body of a "notes:get" request for what changed since lastUpdateTime (all of it without one).
Json::Value& NotesGetBody(Json::Value& request, const char* lastUpdateTime, const char* returnData)
{
    Json::Value& body = request["body"] = Json::Value(Json::objectValue);
    body["last_update_time"] = lastUpdateTime ? lastUpdateTime : "0";
    body["returnData"] = returnData;
    return body;
}

}  // namespace

Json::Value CSync::Envelope(const char* action) const
{
    Json::Value request(Json::objectValue);
    request["action"] = action;
    request["body"] = Json::Value(Json::nullValue);
    request["_client_software"] = "win_notes";
    return request;
}

int CSync::Authenticate()
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSync::Authenticate");
    Json::Value request = Envelope("user:auth");
    CString email;
    std::string password;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        email = m_email;
        password = m_passwordText;
    }
    Json::Value& body = request["body"] = Json::Value(Json::objectValue);
    body["email"] = Utf8(email);
    body["password"] = password;
    body["hauth"] = true;
    Json::Value reply;
    int rc = SendRequest(request, reply, 0);   // never log the password digest
    if (rc != 0)
        return rc;
    const Json::Value& result = Member(reply, "body");
    std::string session;
    if (!TextA(result, "sessionid", session) || session.empty())
        return SYNC_BAD_REPLY;
    const Json::Value& info = Member(result, "info");
    SetSessionId(session.c_str());
    if (ReadAccountInfo(info, Member(info, "usage"), Member(info, "limits")) < 0)
        return SYNC_BAD_REPLY;
    return GetNotesAccount();
}

int CSync::GetNotesAccount()
{
    Json::Value reply;
    int rc = SendRequest(Envelope("notes:account"), reply, 1);
    if (rc != 0)
        return rc;
    CString notesEmail;
    if (!Text(Member(reply, "body"), "notes_email", notesEmail))
        return SYNC_BAD_REPLY;
    if (m_accounts)
        m_accounts->TakeNotesEmail(notesEmail);
    return 0;
}

int CSync::GetUserInfo()
{
    Json::Value request = Envelope("user:info");
    request.removeMember("body");
    Json::Value reply;
    int rc = SendRequest(request, reply, 1);
    if (rc != 0)
        return rc;
    const Json::Value& body = Member(reply, "body");
    if (ReadAccountInfo(body, Member(body, "usage"), Member(body, "limits")) < 0)
        return SYNC_BAD_REPLY;
    return 0;
}

// 1 when the information went into the current account's record, 0 when nothing was
// taken, -1 when a value has the wrong kind (nothing is taken then either).
int CSync::ReadAccountInfo(const Json::Value& info, const Json::Value& usage, const Json::Value& limits)
{
    CServiceAccountInfo taken;
    int values[5] = {};
    double noteBytes = 0, attachmentBytes = 0;
    const Json::Value& notes = Member(usage, "notes");
    if (!Text(info, "register_date", taken.registerDate) || !Int(info, "days_to_quota_reset", taken.daysToQuotaReset) ||
        !MegaBytes(notes, "max", values[0]) || !MegaBytes(notes, "current", values[1]) ||
        !MegaBytes(limits, "NOTES_MAX_SIZE", values[2]) || !MegaBytes(limits, "NOTES_MONTH_USAGE_QUOTA", values[3]) ||
        !MegaBytes(limits, "NOTES_MAX_ATTACHMENT_SIZE", values[4]) || !Double(limits, "NOTES_MAX_SIZE", noteBytes) ||
        !Double(limits, "NOTES_MAX_ATTACHMENT_SIZE", attachmentBytes))
        return -1;
    // the bounds of note and attachment downloads follow the account's limits
    auto bytes = [](double v) { return v > 0 && v < 1e18 ? (unsigned long long)v : 0ull; };
    SetAccountLimits(bytes(noteBytes), bytes(attachmentBytes));
    if (!m_accounts || taken.registerDate.IsEmpty())
        return 0;
    taken.notesMax = values[0];
    taken.notesCurrent = values[1];
    taken.maxNoteSizeMB = (unsigned)values[2];
    taken.monthUsageQuota = values[3];
    taken.maxAttachmentSize = values[4];
    // nothing is taken without a current account
    return m_accounts->TakeServiceInfo(taken) || !m_accounts->GetCurrentUserName().IsEmpty() ? 1 : 0;
}

int CSync::GetDataStruct(const char* lastUpdateTime, CDataStruct& out)
{
    out.Clear();
    Json::Value request = Envelope("notes:get");
    NotesGetBody(request, lastUpdateTime, "structure");
    Json::Value reply;
    int rc = SendRequest(request, reply, 1, ReplyKind::List);
    if (rc != 0)
        return rc;
    const Json::Value& result = Member(reply, "body");
    if (result.isNull())
        return 1;
    if (!result.isObject())
        return SYNC_BAD_REPLY;
    CDataStruct data;
    const Json::Value& tags = Member(result, "tags");
    if (tags.isArray()) {
        if (!TextList(result, "tags", data.tags))
            return SYNC_BAD_REPLY;
        data.hasTags = true;
    }
    // lists that are not arrays are left empty
    if (!ReadItems(Member(result, "removedItems"), data.removed) || !ReadItems(Member(result, "notes"), data.items))
        return SYNC_BAD_REPLY;
    // without a new time stamp the change set cannot be taken: the next sync would ask for
    // everything since an empty stamp
    if (!Text(result, "last_update_time", data.lastUpdateTime) || data.lastUpdateTime.IsEmpty())
        return SYNC_BAD_REPLY;
    out = std::move(data);
    return 0;
}

int CSync::DownloadNote(const char* lastUpdateTime, const wchar_t* noteId, std::vector<CServerObject>& notes)
{
    notes.clear();
    Json::Value request = Envelope("notes:get");
    Json::Value& body = NotesGetBody(request, lastUpdateTime, "all");
    body["limit"] = Json::Value(Json::objectValue);
    body["limit"]["global_id"] = Utf8(noteId);
    Json::Value reply;
    int rc = SendRequest(request, reply, 1, ReplyKind::Note);
    if (rc != 0)
        return rc;
    const Json::Value& result = Member(reply, "body");
    if (result.isNull())
        return 1;
    if (!result.isObject())
        return SYNC_BAD_REPLY;
    std::vector<CServerObject> items;
    if (!ReadItems(Member(result, "notes"), items))
        return SYNC_BAD_REPLY;
    notes.swap(items);
    return 0;
}

int CSync::Store(const std::vector<CServerObject>& objects, const std::vector<CString>* tags,
                 unsigned& lastUpdateTime, CString& errorDesc)
{
    errorDesc.Empty();
    Json::Value request = Envelope("notes:update");
    Json::Value& store = request["body"]["store"];
    store = Json::Value(Json::objectValue);
    Json::Value& list = store["notes"] = Json::Value(Json::arrayValue);
    for (const CServerObject& o : objects)
        list.append(o.ToJson());
    if (tags)
        store["tags"] = TextArray(*tags);
    Json::Value reply;
    int rc = SendRequest(request, reply, 1);
    const Json::Value& result = Member(reply, "body");
    Text(result, "_errorDesc", errorDesc);
    unsigned stamp = 0;
    if (rc == -19) {
        // the other objects were stored: take the new time when the reply has one
        if (UInt(result, "last_update_time", stamp) && stamp)
            lastUpdateTime = stamp;
        return rc;
    }
    if (rc != 0)
        return rc;
    // the stamp becomes the notes' change time: a reply without one is not taken
    if (Member(result, "last_update_time").isNull() || !UInt(result, "last_update_time", stamp))
        return SYNC_BAD_REPLY;
    lastUpdateTime = stamp;
    return 0;
}

int CSync::RemoveOnServer(const std::vector<CString>& notes, const std::vector<CString>& attachements,
                          const std::vector<CString>& tags, unsigned& lastUpdateTime)
{
    Json::Value request = Envelope("notes:update");
    Json::Value& remove = request["body"]["remove"];
    remove = Json::Value(Json::objectValue);
    if (!notes.empty())
        remove["notes"] = TextArray(notes);
    if (!attachements.empty())
        remove["attachements"] = TextArray(attachements);
    if (!tags.empty())
        remove["tags"] = TextArray(tags);
    Json::Value reply;
    int rc = SendRequest(request, reply, 1);
    if (rc != 0)
        return rc;
    unsigned stamp = 0;
    if (!UInt(Member(reply, "body"), "last_update_time", stamp))
        return SYNC_BAD_REPLY;
    lastUpdateTime = stamp;
    return 0;
}

int CSync::GetNoteShareLink(const wchar_t* noteId, CStringA& link)
{
    link.Empty();
    Json::Value request = Envelope("notes:share");
    Json::Value ids(Json::arrayValue);
    ids.append(Utf8(noteId));
    request["body"] = Json::Value(Json::objectValue);
    request["body"]["global_id"] = ids;
    Json::Value reply;
    int rc = SendRequest(request, reply, 1);
    if (rc != 0)
        return rc;
    std::string text;
    if (!TextA(Member(reply, "body"), ToUtf8(noteId).c_str(), text))
        return SYNC_BAD_REPLY;
    link = text.c_str();
    return 0;
}

int CSync::NoteUnshareLink(const wchar_t* noteId)
{
    Json::Value request = Envelope("notes:unshare");
    Json::Value ids(Json::arrayValue);
    ids.append(Utf8(noteId));
    request["body"] = Json::Value(Json::objectValue);
    request["body"]["global_id"] = ids;
    return SendRequestNoReply(request, 1);
}

int CSync::GetBackupList(BackupListRecord** list)
{
    if (list)
        *list = nullptr;
    Json::Value reply;
    int rc = SendRequest(Envelope("notes:getBackups"), reply, 1, ReplyKind::List);
    if (rc != 0)
        return rc;
    const Json::Value& backups = Member(reply, "body");
    if (!backups.isArray())
        return SYNC_BAD_REPLY;
    std::vector<BackupListRecord> records;
    for (const Json::Value& b : backups) {
        BackupListRecord r;
        unsigned date = 0, notes = 0, folders = 0;
        if (!b.isObject() || !Text(b, "global_id", r.backupId) || !UInt(b, "date", date) ||
            !UInt(b, "count_notes", notes) || !UInt(b, "count_folders", folders))
            return SYNC_BAD_REPLY;
        r.valid = 1;
        r.date = (int)date;
        r.noteCount = (int)notes;
        r.folderCount = (int)folders;
        records.push_back(r);
    }
    if (list) {
        *list = new BackupListRecord[records.size() + 1];
        for (size_t i = 0; i < records.size(); ++i)
            (*list)[i] = records[i];
    }
    return 0;
}

int CSync::GetBackupPreview(const wchar_t* backupId, BackupPreviewRecord** list)
{
    if (list)
        *list = nullptr;
    Json::Value request = Envelope("notes:viewBackup");
    request["body"] = Json::Value(Json::objectValue);
    request["body"]["global_id"] = Utf8(backupId);
    Json::Value reply;
    int rc = SendRequest(request, reply, 1, ReplyKind::List);
    if (rc != 0)
        return rc;
    const Json::Value& items = Member(reply, "body");
    if (!items.isArray())
        return SYNC_BAD_REPLY;
    std::vector<BackupPreviewRecord> records;
    bool hasDefault = false;
    for (const Json::Value& i : items) {
        BackupPreviewRecord r;
        unsigned added = 0, updated = 0;
        if (!i.isObject() || !Text(i, "global_id", r.id) || !Text(i, "title", r.title) ||
            !Text(i, "parent_id", r.parentId) || !UInt(i, "date_added_user", added) ||
            !UInt(i, "date_updated_user", updated) || !Text(i, "type", r.type))
            return SYNC_BAD_REPLY;
        r.valid = 1;
        r.added = (int)added;
        r.updated = (int)updated;
        r.isNote = r.type == L"note" ? 1 : 0;
        hasDefault = hasDefault || r.id == L"default";
        records.push_back(r);
    }
    if (!hasDefault) {
        BackupPreviewRecord r;
        r.valid = 1;
        r.id = L"default";
        r.title = L"My Notes";
        r.type = L"folder";
        records.push_back(r);
    }
    for (BackupPreviewRecord& r : records) {
        // the search text; CharLowerBuff knows every script without switching the
        // process-wide C locale under the other threads
        r.lowerTitle = r.title;
        if (r.lowerTitle.GetLength() > 0)
            CharLowerBuffW(r.lowerTitle.GetBuffer(), (DWORD)r.lowerTitle.GetLength());
    }
    if (list) {
        *list = new BackupPreviewRecord[records.size() + 1];
        for (size_t i = 0; i < records.size(); ++i)
            (*list)[i] = records[i];
    }
    return 0;
}

int CSync::RestoreBackup(const wchar_t* backupId, const std::vector<CString>* items, int* result)
{
    Json::Value request = Envelope("notes:restoreBackup");
    request["body"] = Json::Value(Json::objectValue);
    request["body"]["global_id"] = Utf8(backupId);
    if (items && !items->empty())
        request["body"]["items"] = TextArray(*items);
    int rc = SendRequestNoReply(request, 1);
    if (result)
        *result = rc;
    return rc;
}

int CSync::RegisterUser(const wchar_t* email, const wchar_t* password)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_SYNC, "Sync::CSync::RegisterUser");
    Json::Value request = Envelope("user:register");
    Json::Value& body = request["body"] = Json::Value(Json::objectValue);
    body["email"] = Utf8(email);
    body["password"] = Utf8(password);
    body["service"] = "pelora";
    body["languages"] = Json::Value(Json::nullValue);
    // the plain password is in this request: never logged
    int rc = SendRequestNoReply(request, 0);
    // The older form only when this one could not be delivered or is not known; any answer
    // of the service itself (such as -4, the account exists) is the answer.
    if (rc != SYNC_TRANSPORT_FAILED && rc != SYNC_UNREACHABLE && rc != -2)
        return rc;
    Json::Value old(Json::objectValue);
    old["action"] = "user_register";
    old["email"] = Utf8(email);
    old["password"] = Utf8(password);
    old["_client_software"] = "win_notes";
    return SendRequestNoReply(old, 0);
}

}  // namespace Sync
