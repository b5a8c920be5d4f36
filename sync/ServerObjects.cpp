#include "ServerObjects.h"
#include <climits>
#include <cmath>
#include <cstdlib>

namespace Sync {

std::string ToUtf8(const wchar_t* text)
{
    std::string out;
    if (!text || !*text)
        return out;
    int length = (int)wcslen(text);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return out;
    out.resize(bytes);
    WideCharToMultiByte(CP_UTF8, 0, text, length, &out[0], bytes, nullptr, nullptr);
    return out;
}

CString FromUtf8(const char* text, size_t length)
{
    CString out;
    if (!text || length == 0 || length > INT_MAX)
        return out;
    int chars = MultiByteToWideChar(CP_UTF8, 0, text, (int)length, nullptr, 0);
    if (chars <= 0)
        return out;
    wchar_t* buffer = out.GetBufferSetLength(chars);
    MultiByteToWideChar(CP_UTF8, 0, text, (int)length, buffer, chars);
    return out;
}

namespace JsonRead {

const Json::Value& Member(const Json::Value& object, const char* key)
{
    static const Json::Value null;
    if (!object.isObject())
        return null;
    const Json::Value* found = object.find(key, key + strlen(key));
    return found ? *found : null;
}

bool Text(const Json::Value& object, const char* key, CString& out)
{
    const Json::Value& v = Member(object, key);
    if (v.isNull())
        return true;
    if (!v.isString())
        return false;
    const char* begin = nullptr;
    const char* end = nullptr;
    v.getString(&begin, &end);
    out = FromUtf8(begin, (size_t)(end - begin));
    return true;
}

bool TextA(const Json::Value& object, const char* key, std::string& out)
{
    const Json::Value& v = Member(object, key);
    if (v.isNull())
        return true;
    if (!v.isString())
        return false;
    out = v.asString();
    return true;
}

// A JSON number (or boolean) as a double; false for any other kind.
static bool Number(const Json::Value& v, double& out)
{
    if (v.isBool()) {
        out = v.asBool() ? 1 : 0;
        return true;
    }
    if (!v.isNumeric())
        return false;
    if (v.isInt64())
        out = (double)v.asInt64();
    else if (v.isUInt64())
        out = (double)v.asUInt64();
    else
        out = v.asDouble();
    return !std::isnan(out);
}

template <class T>
static bool Clamped(const Json::Value& object, const char* key, T& out, double low, double high)
{
    const Json::Value& v = Member(object, key);
    if (v.isNull())
        return true;
    if (v.isInt64() && (double)v.asInt64() >= low && (double)v.asInt64() <= high) {
        out = (T)v.asInt64();   // exact for every 64-bit value in range
        return true;
    }
    if (v.isUInt64() && (double)v.asUInt64() <= high) {
        out = (T)v.asUInt64();
        return true;
    }
    double d = 0;
    if (!Number(v, d))
        return false;
    d = std::trunc(d);
    if (d < low)
        d = low;
    if (d > high)
        d = high;
    out = (T)d;
    return true;
}

bool Int(const Json::Value& object, const char* key, int& out)
{
    return Clamped(object, key, out, (double)INT_MIN, (double)INT_MAX);
}

bool UInt(const Json::Value& object, const char* key, unsigned& out)
{
    return Clamped(object, key, out, 0.0, (double)UINT_MAX);
}

bool UInt64(const Json::Value& object, const char* key, unsigned long long& out)
{
    // 2^64 - 2048 is the largest double below 2^64
    return Clamped(object, key, out, 0.0, 18446744073709549568.0);
}

bool Double(const Json::Value& object, const char* key, double& out)
{
    const Json::Value& v = Member(object, key);
    if (v.isNull())
        return true;
    return Number(v, out);
}

bool Bool(const Json::Value& object, const char* key, bool& out)
{
    const Json::Value& v = Member(object, key);
    if (v.isNull())
        return true;
    double d = 0;
    if (!Number(v, d))
        return false;
    out = d != 0;
    return true;
}

bool TextList(const Json::Value& object, const char* key, std::vector<CString>& out)
{
    out.clear();
    const Json::Value& v = Member(object, key);
    if (v.isNull())
        return true;
    if (!v.isArray())
        return false;
    for (const Json::Value& item : v) {
        if (!item.isString())
            return false;
        out.push_back(FromUtf8(item.asString()));
    }
    return true;
}

}  // namespace JsonRead

using namespace JsonRead;

static Json::Value Utf8Value(const CString& text)
{
    return Json::Value(ToUtf8(text));
}

bool CServerAttach::Read(const Json::Value& o)
{
    if (!o.isObject())
        return false;
    return Text(o, "global_id", globalId) && Text(o, "mime", mime) && UInt64(o, "size", size) &&
           UInt(o, "date_added", dateAdded) && Text(o, "location", location) &&
           Text(o, "display_name", displayName) && Int(o, "in_list", inList);
}

Json::Value CServerAttach::ToJson() const
{
    Json::Value o(Json::objectValue);
    o["global_id"] = Utf8Value(globalId);
    o["tempname"] = Utf8Value(tempname);
    o["type"] = "";
    o["type_extra"] = "";
    o["display_name"] = Utf8Value(displayName);
    o["in_list"] = inList != 0 ? 1 : 0;
    return o;
}

bool CServerTodo::Read(const Json::Value& o)
{
    if (!o.isObject())
        return false;
    return Text(o, "global_id", globalId) && Text(o, "label", label) && Bool(o, "checked", checked);
}

Json::Value CServerTodo::ToJson() const
{
    Json::Value o(Json::objectValue);
    o["global_id"] = Utf8Value(globalId);
    o["label"] = Utf8Value(label);
    o["checked"] = checked;
    return o;
}

// A list an object may leave out; anything there but an array of readable items is unreadable.
template <class Item>
static bool ReadOptionalList(const Json::Value& list, std::vector<Item>& out)
{
    if (list.isNull())
        return true;
    if (!list.isArray())
        return false;
    for (const Json::Value& v : list) {
        Item item;
        if (!item.Read(v))
            return false;
        out.push_back(item);
    }
    return true;
}

bool CServerObject::Read(const Json::Value& o)
{
    if (!o.isObject())
        return false;
    double position = 0;
    if (!(Text(o, "global_id", globalId) && Text(o, "type", type) && Text(o, "parent_id", parentId) &&
          Text(o, "root_parent_id", rootParentId) && Double(o, "index", position) && Text(o, "title", title) &&
          Text(o, "text_short", textShort) && UInt(o, "date_added_user", dateAddedUser) &&
          UInt(o, "date_added", dateAdded) && UInt(o, "date_updated", dateUpdated) &&
          UInt(o, "date_updated_user", dateUpdatedUser) && UInt(o, "shared", shared) &&
          Int(o, "editnote", editnote) && Text(o, "url", url) && Int(o, "pagecolor", pagecolor) &&
          Double(o, "location_lat", locationLat) && Double(o, "location_lng", locationLng) &&
          TextList(o, "tags", tags)))
        return false;
    // "index": truncated; negative (and absurd) positions give 0
    position = std::trunc(position);
    index = position > 0 && position < (double)INT_MAX ? (int)position : (position >= (double)INT_MAX ? INT_MAX : 0);
    if (dateAddedUser == 0)
        dateAddedUser = dateAdded;
    const Json::Value& body = Member(o, "text");
    hasText = !body.isNull();
    if (!Text(o, "text", text))
        return false;

    const Json::Value& rem = Member(o, "reminder");
    reminder = CServerReminder();
    if (!rem.isNull()) {
        if (!rem.isObject())
            return false;
        reminder.present = true;
        if (!(Clamped(rem, "date", reminder.date, -9.2e18, 9.2e18) && Double(rem, "lat", reminder.lat) &&
              Double(rem, "lng", reminder.lng) && Int(rem, "priority", reminder.priority) &&
              Int(rem, "interval", reminder.interval)))
            return false;
    }

    attachements.clear();
    if (!ReadOptionalList(Member(o, "attachements"), attachements))
        return false;
    todo.clear();
    return ReadOptionalList(Member(o, "todo"), todo);
}

Json::Value CServerObject::ToJson() const
{
    Json::Value o(Json::objectValue);
    o["global_id"] = Utf8Value(globalId);
    o["type"] = Utf8Value(type);
    o["parent_id"] = Utf8Value(parentId);
    o["index"] = index;
    if (IsFolder()) {
        o["date_updated_user"] = dateUpdatedUser;
        o["date_updated"] = dateUpdated;
        o["date_added_user"] = dateAddedUser;
        o["date_added"] = dateAdded;
        o["title"] = Utf8Value(title);
        return o;
    }
    o["url"] = Utf8Value(url);
    o["root_parent_id"] = Utf8Value(rootParentId);
    o["title"] = Utf8Value(title);
    o["text"] = Utf8Value(text);
    o["editnote"] = editnote;
    o["date_updated_user"] = dateUpdatedUser;
    o["date_added_user"] = dateAddedUser;
    o["date_updated"] = dateUpdated;
    o["date_added"] = dateAdded;
    o["pagecolor"] = pagecolor;
    if (!textAttachmentGlobalId.IsEmpty())
        o["text_attachment_global_id"] = Utf8Value(textAttachmentGlobalId);
    if (reminder.present) {
        Json::Value r(Json::objectValue);
        r["date"] = (Json::Int64)reminder.date;
        r["lat"] = reminder.lat;
        r["lng"] = reminder.lng;
        r["priority"] = reminder.priority;
        r["interval"] = reminder.interval;
        o["reminder"] = r;
    } else {
        o["reminder"] = Json::Value(Json::nullValue);
    }
    Json::Value list(Json::arrayValue);
    for (const CServerAttach& a : attachements)
        list.append(a.ToJson());
    o["attachements"] = list;
    Json::Value names(Json::arrayValue);
    for (const CString& t : tags)
        names.append(Utf8Value(t));
    o["tags"] = names;
    Json::Value todos(Json::arrayValue);
    for (const CServerTodo& t : todo)
        todos.append(t.ToJson());
    o["todo"] = todos;
    return o;
}

bool CRemovedItem::Read(const Json::Value& o)
{
    if (!o.isObject())
        return false;
    return Text(o, "global_id", globalId) && Text(o, "type", type) && UInt(o, "date_updated", dateUpdated);
}

void CDataStruct::Clear()
{
    items.clear();
    removed.clear();
    hasTags = false;
    tags.clear();
    lastUpdateTime.Empty();
}

static CString Trimmed(const CString& text)
{
    const std::wstring& s = text.str();
    size_t first = s.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos)
        return CString();
    size_t last = s.find_last_not_of(L" \t\r\n");
    return CString(s.substr(first, last - first + 1));
}

bool ParseUpdateReply(const char* reply, int& number, CString& text, CString& url)
{
    number = 0;
    text.Empty();
    url.Empty();
    if (!reply)
        return false;
    const char* bar = strchr(reply, '|');
    if (!bar || bar == reply)
        return false;
    number = atoi(reply);
    const char* rest = bar + 1;
    const char* second = strchr(rest, '|');
    if (!second) {
        text = FromUtf8(rest, strlen(rest));
        url = Trimmed(text);
        return true;
    }
    text = FromUtf8(rest, (size_t)(second - rest));
    url = Trimmed(FromUtf8(second + 1, strlen(second + 1)));
    return true;
}

}  // namespace Sync
