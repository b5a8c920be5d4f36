// The note service's objects as the client reads and sends them, the checked JSON readers
// they are built on, the update-check reply and the backup records handed to the dialogs.
#pragma once
#include "Framework.h"
#include <json/json.h>
#include <string>
#include <vector>

namespace Sync {

// UTF-8 at the JSON edge, wide text inside the program. Unpaired surrogates and invalid
// bytes become U+FFFD instead of losing the whole text.
std::string ToUtf8(const wchar_t* text);
inline std::string ToUtf8(const CString& text) { return ToUtf8(text.GetString()); }
CString FromUtf8(const char* text, size_t length);
inline CString FromUtf8(const std::string& text) { return FromUtf8(text.data(), text.size()); }

// Checked reads of one member of a JSON object. The service's replies are not trusted:
// a member of the wrong JSON kind answers false (the caller reports an unreadable reply)
// instead of throwing from inside JsonCpp. An absent or null member keeps the default in
// `out` and answers true. Numbers are clamped to the target's range.
namespace JsonRead {
const Json::Value& Member(const Json::Value& object, const char* key);
bool Text(const Json::Value& object, const char* key, CString& out);
bool TextA(const Json::Value& object, const char* key, std::string& out);
bool Int(const Json::Value& object, const char* key, int& out);
bool UInt(const Json::Value& object, const char* key, unsigned& out);
bool UInt64(const Json::Value& object, const char* key, unsigned long long& out);
bool Double(const Json::Value& object, const char* key, double& out);
bool Bool(const Json::Value& object, const char* key, bool& out);
// A list of texts; absent or null is an empty list, anything but an array of strings is false.
bool TextList(const Json::Value& object, const char* key, std::vector<CString>& out);
}  // namespace JsonRead

struct CServerReminder {
    bool present = false;
    long long date = 0;       // seconds since 1970; 0 for a place reminder
    double lat = 0, lng = 0;
    int priority = 0;
    int interval = 0;
};

// An attachment of a note. Read: global_id, mime, size, date_added, location,
// display_name, in_list. Sent: global_id, tempname, type and type_extra (""),
// display_name, in_list (0 or 1).
struct CServerAttach {
    CString globalId;
    CString mime;
    unsigned long long size = 0;
    unsigned dateAdded = 0;
    CString location;       // download URL
    CString displayName;
    int inList = 0;
    CString tempname;       // sent only: the server file name the upload returned

    bool Read(const Json::Value& object);
    Json::Value ToJson() const;
};

struct CServerTodo {
    CString globalId;
    CString label;
    bool checked = false;

    bool Read(const Json::Value& object);
    Json::Value ToJson() const;
};

// One note or folder (told apart by `type`). Reading rules: a negative or fractional
// "index" is truncated and clamped at 0; "date_added_user" of 0 takes "date_added";
// an absent "pagecolor" is 0xFFFFFF; a null or absent "reminder" is none.
struct CServerObject {
    CString globalId;
    CString type;             // "note" or "folder"
    CString parentId;
    CString rootParentId;
    int index = 0;
    CString title;
    CString text;
    bool hasText = false;     // "text" was in the reply (full download)
    CString textShort;
    unsigned dateAddedUser = 0;
    unsigned dateAdded = 0;
    unsigned dateUpdated = 0;
    unsigned dateUpdatedUser = 0;
    unsigned shared = 0;
    int editnote = 0;
    CString url;
    int pagecolor = 0xFFFFFF;
    double locationLat = 0, locationLng = 0;
    CServerReminder reminder;
    std::vector<CString> tags;
    std::vector<CServerAttach> attachements;
    std::vector<CServerTodo> todo;
    CString textAttachmentGlobalId;   // sent only, when not empty

    bool IsNote() const { return type == L"note"; }
    bool IsFolder() const { return type == L"folder"; }
    // False when a member has the wrong JSON kind; `this` is then partly filled.
    bool Read(const Json::Value& object);
    // What an upload sends: a folder carries its id, type, parent, index, dates and title;
    // a note carries everything the service keeps of it.
    Json::Value ToJson() const;
};

// An entry of "removedItems": type "note", "folder" or "attachement".
struct CRemovedItem {
    CString globalId;
    CString type;
    unsigned dateUpdated = 0;

    bool Read(const Json::Value& object);
};

// What "notes:get" in structure mode brings.
struct CDataStruct {
    std::vector<CServerObject> items;
    std::vector<CRemovedItem> removed;
    bool hasTags = false;          // "tags" was an array: hand `tags` to the tag list
    std::vector<CString> tags;
    CString lastUpdateTime;        // the new time stamp, as text

    void Clear();
};

// Update check reply "N|text|url": true when a "|" sits at a position above 0; then
// `number` is the leading decimal value, `text` what lies between the first and the
// second "|", `url` everything after the second (trimmed). With one "|" only, both
// texts are everything after it.
bool ParseUpdateReply(const char* reply, int& number, CString& text, CString& url);

// Backup list (reply of "notes:getBackups"): new[]'ed by the client, delete[]'d by the
// receiver; the last record has valid == 0.
struct BackupListRecord {
    BYTE valid = 0;
    CString backupId;
    int date = 0;
    int noteCount = 0;
    int folderCount = 0;
};

// Backup preview (reply of "notes:viewBackup"), same ownership; the last four fields
// belong to the preview dialog.
struct BackupPreviewRecord {
    BYTE valid = 0;
    CString id;
    CString title;
    CString parentId;
    int added = 0;
    int updated = 0;
    CString type;
    CString lowerTitle;   // search text
    int treeItem = 0;
    int listIndex = -1;
    int isNote = 0;
    int ticked = 0;
};

}  // namespace Sync
