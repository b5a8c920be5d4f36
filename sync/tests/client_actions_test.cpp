// Every action of the note service: the request it sends (exactly) and what it takes from
// the reply; replies of the wrong kind; the registration's fallback.
#include "client_support.h"
#include "ActivityLog.h"
#include <gtest/gtest.h>

namespace {

using test::CannedReply;
using test::CaptureServer;
using test::CapturedRequest;

// The capture server answers each action with the reply given for it.
void AnswerByAction(CaptureServer& server, std::map<std::string, std::string> replies)
{
    server.SetResponder([replies](const CapturedRequest& r) {
        Json::Value request = test::ParseJson(r.body);
        std::string action = request.isObject() && request["action"].isString() ? request["action"].asString() : "";
        CannedReply reply;
        auto it = replies.find(action);
        if (it != replies.end())
            reply.body = it->second;
        return reply;
    });
}

struct Fixture {
    CaptureServer server;
    test::TestAccountStore store;
    CUserAccounts accounts{&store};
    Sync::CSync client{server.Url("/api").c_str(), "win_client"};
    Fixture()
    {
        client.SetAccountCache(&accounts);
        std::vector<BYTE> digest = test::PasswordDigest("demo");
        client.SetCredentials(L"demo@example.com", digest.data(), 16);
        client.SetSessionId("S0");
    }
};

struct ActionRow {
    const char* name;
    std::map<std::string, std::string> replies;
    std::vector<const char*> requests;   // expected request texts, in order
    std::function<int(Fixture&)> call;
    int expected;
    std::function<void(Fixture&)> check;
};

Sync::CServerObject SampleFolder()
{
    Sync::CServerObject f;
    f.globalId = L"fold1";
    f.type = L"folder";
    f.parentId = L"root";
    f.title = L"W\x00f6rk";
    f.dateAdded = f.dateAddedUser = 100;
    f.dateUpdated = f.dateUpdatedUser = 200;
    return f;
}

Sync::CServerObject SampleNote()
{
    Sync::CServerObject n;
    n.globalId = L"note1";
    n.type = L"note";
    n.parentId = L"fold1";
    n.rootParentId = L"";
    n.title = L"T";
    n.text = L"<p>\x0417</p>";
    n.url = L"http://src.example/";
    n.editnote = 1;
    n.dateAdded = n.dateAddedUser = 300;
    n.dateUpdated = 400;
    n.dateUpdatedUser = 401;
    n.pagecolor = 0xFFEEDD;
    n.reminder.present = true;
    n.reminder.date = 1700000000;
    n.reminder.priority = 2;
    n.reminder.interval = 7;
    Sync::CServerAttach a;
    a.globalId = L"att1";
    a.tempname = L"tmp123";
    a.displayName = L"a.png";
    a.inList = 5;
    n.attachements.push_back(a);
    n.tags = {L"ideas", L"x y"};
    Sync::CServerTodo t;
    t.globalId = L"td1";
    t.label = L"buy";
    t.checked = true;
    n.todo.push_back(t);
    return n;
}

const char* const kAuthReply = R"({"errorCode":0,"body":{"sessionid":"S1","info":{"register_date":"2023-4-5",
  "days_to_quota_reset":9,"usage":{"notes":{"max":1073741824,"current":5767168}},
  "limits":{"NOTES_MAX_SIZE":16777216,"NOTES_MONTH_USAGE_QUOTA":1073741824,"NOTES_MAX_ATTACHMENT_SIZE":268435456}}}})";

std::vector<ActionRow> Actions()
{
    static Sync::CDataStruct data;
    static std::vector<Sync::CServerObject> notes;
    static unsigned stamp;
    static CString errorDesc;
    static CStringA link;
    static int restoreResult;
    return {
        {"user:auth, then notes:account",
         {{"user:auth", kAuthReply}, {"notes:account", R"({"errorCode":0,"body":{"notes_email":"demo-notes@example.com"}})"}},
         {R"({"action":"user:auth","body":{"email":"demo@example.com","password":"PASSWORD","hauth":true},"_client_software":"win_notes"})",
          R"({"action":"notes:account","body":null,"_client_software":"win_notes"})"},
         [](Fixture& f) { return f.client.Authenticate(); }, 0,
         [](Fixture& f) {
             EXPECT_STREQ("S1", f.client.GetSessionId());
             CUserAccountRecord* r = f.accounts.FindUser(L"demo@example.com");
             ASSERT_NE(nullptr, r);
             EXPECT_EQ(2023, r->registerDate.wYear);
             EXPECT_EQ(4, r->registerDate.wMonth);
             EXPECT_EQ(5, r->registerDate.wDay);
             EXPECT_EQ(9, r->daysToQuotaReset);
             EXPECT_EQ(1024, r->usageNotesMax);
             EXPECT_EQ(5, r->usageNotesCurrent);   // 5.5 MB, truncated
             EXPECT_EQ(16u, r->maxNoteSizeMB);
             EXPECT_EQ(1024, r->monthUsageQuota);
             EXPECT_EQ(256, r->maxAttachmentSize);
             EXPECT_STREQ(L"demo-notes@example.com", r->notesEmail);
             EXPECT_FALSE(f.store.ReadRaw(L"demo@example.com").empty()) << "saved";
         }},
        {"notes:account keeps a notes e-mail that is already known",
         {{"notes:account", R"({"errorCode":0,"body":{"notes_email":"new@example.com"}})"}},
         {R"({"action":"notes:account","body":null,"_client_software":"win_notes"})"},
         [](Fixture& f) {
             *f.accounts.GetNotesEmail() = L"old@example.com";
             return f.client.GetNotesAccount();
         },
         0, [](Fixture& f) { EXPECT_STREQ(L"old@example.com", *f.accounts.GetNotesEmail()); }},
        {"user:info has no body key",
         {{"user:info", R"({"errorCode":0,"body":{"register_date":"2022-12-1","days_to_quota_reset":3,
            "usage":{"notes":{"max":2097152,"current":1048575}},"limits":{"NOTES_MAX_SIZE":1048576}}})"}},
         {R"({"action":"user:info","_client_software":"win_notes"})"},
         [](Fixture& f) { return f.client.GetUserInfo(); }, 0,
         [](Fixture& f) {
             EXPECT_EQ(2, *f.accounts.GetNotesMax());
             EXPECT_EQ(0, *f.accounts.GetNotesCurrent());
             EXPECT_EQ(1u, *f.accounts.GetMaxNotesSizeMB());
             EXPECT_EQ(3, *f.accounts.GetDaysToQuotaReset());
             CString date;
             f.accounts.FormatRegisterDate(nullptr, date);
             EXPECT_STREQ(L"2022-12-1", date);
         }},
        {"user:info without a registration date takes nothing",
         {{"user:info", R"({"errorCode":0,"body":{"register_date":"","days_to_quota_reset":3,
            "usage":{"notes":{"max":2097152}}}})"}},
         {R"({"action":"user:info","_client_software":"win_notes"})"},
         [](Fixture& f) { return f.client.GetUserInfo(); }, 0,
         [](Fixture& f) { EXPECT_EQ(0, *f.accounts.GetNotesMax()); }},
        {"notes:get structure",
         {{"notes:get", R"({"errorCode":0,"body":{"last_update_time":"42","tags":["ideas","food"],
            "removedItems":[{"global_id":"gone","type":"attachement","date_updated":41}],
            "notes":[{"global_id":"fold1","type":"folder","parent_id":"root","title":"Work","index":2.9,
                      "date_added":10,"date_added_user":0,"date_updated":40},
                     {"global_id":"note1","type":"note","parent_id":"fold1","root_parent_id":"trash","title":"N",
                      "index":-3,"text_short":"short","date_added_user":11,"date_added":12,"date_updated":41,
                      "date_updated_user":39,"shared":1,"editnote":1,"url":"u","location_lat":1.5,
                      "location_lng":-2.25,"reminder":null,"tags":["ideas"]}]}})"}},
         {R"({"action":"notes:get","body":{"last_update_time":"17","returnData":"structure"},"_client_software":"win_notes"})"},
         [](Fixture& f) { return f.client.GetDataStruct("17", data); }, 0,
         [](Fixture&) {
             ASSERT_EQ(2u, data.items.size());
             const Sync::CServerObject& folder = data.items[0];
             EXPECT_TRUE(folder.IsFolder());
             EXPECT_EQ(2, folder.index);            // 2.9 is read as 2
             EXPECT_EQ(10u, folder.dateAddedUser);  // 0 takes "date_added"
             EXPECT_EQ(0xFFFFFF, folder.pagecolor); // absent
             const Sync::CServerObject& note = data.items[1];
             EXPECT_TRUE(note.IsNote());
             EXPECT_EQ(0, note.index);              // -3 is read as 0
             EXPECT_STREQ(L"trash", note.rootParentId);
             EXPECT_EQ(11u, note.dateAddedUser);
             EXPECT_EQ(41u, note.dateUpdated);
             EXPECT_EQ(39u, note.dateUpdatedUser);
             EXPECT_EQ(1u, note.shared);
             EXPECT_EQ(1, note.editnote);
             EXPECT_DOUBLE_EQ(-2.25, note.locationLng);
             EXPECT_FALSE(note.reminder.present);
             EXPECT_FALSE(note.hasText);
             EXPECT_STREQ(L"short", note.textShort);
             ASSERT_EQ(1u, note.tags.size());
             ASSERT_EQ(1u, data.removed.size());
             EXPECT_STREQ(L"gone", data.removed[0].globalId);
             EXPECT_STREQ(L"attachement", data.removed[0].type);
             EXPECT_TRUE(data.hasTags);
             EXPECT_EQ(2u, data.tags.size());
             EXPECT_STREQ(L"42", data.lastUpdateTime);
         }},
        {"notes:get of one note with its content",
         {{"notes:get", R"({"errorCode":0,"body":{"last_update_time":"50","tags":[],"removedItems":[],
            "notes":[{"global_id":"note1","type":"note","title":"N","text":"<p>hi \u0416</p>","pagecolor":255,
                      "reminder":{"date":1700000000,"lat":1.0,"lng":2.0,"priority":3,"interval":1},
                      "attachements":[{"global_id":"a1","mime":"image/png","size":6000000000,"date_added":5,
                                       "location":"http://127.0.0.1/files/tok","display_name":"p.png","in_list":1}],
                      "todo":[{"global_id":"t1","label":"milk","checked":true},{"global_id":"t2","label":"eggs","checked":false}]}]}})"}},
         {R"({"action":"notes:get","body":{"last_update_time":"17","returnData":"all","limit":{"global_id":"note1"}},"_client_software":"win_notes"})"},
         [](Fixture& f) { return f.client.DownloadNote("17", L"note1", notes); }, 0,
         [](Fixture&) {
             ASSERT_EQ(1u, notes.size());
             const Sync::CServerObject& n = notes[0];
             EXPECT_TRUE(n.hasText);
             EXPECT_STREQ(L"<p>hi \x0416</p>", n.text);
             EXPECT_EQ(255, n.pagecolor);
             EXPECT_TRUE(n.reminder.present);
             EXPECT_EQ(1700000000, n.reminder.date);
             EXPECT_EQ(3, n.reminder.priority);
             ASSERT_EQ(1u, n.attachements.size());
             EXPECT_EQ(6000000000ULL, n.attachements[0].size);
             EXPECT_STREQ(L"http://127.0.0.1/files/tok", n.attachements[0].location);
             EXPECT_EQ(1, n.attachements[0].inList);
             ASSERT_EQ(2u, n.todo.size());
             EXPECT_TRUE(n.todo[0].checked);
             EXPECT_FALSE(n.todo[1].checked);
         }},
        {"notes:update store with tags",
         {{"notes:update", R"({"errorCode":0,"body":{"last_update_time":99}})"}},
         {R"({"action":"notes:update","body":{"store":{"notes":[
              {"global_id":"fold1","type":"folder","parent_id":"root","index":0,"date_updated_user":200,
               "date_updated":200,"date_added_user":100,"date_added":100,"title":"W\u00f6rk"},
              {"global_id":"note1","type":"note","parent_id":"fold1","index":0,"url":"http://src.example/",
               "root_parent_id":"","title":"T","text":"<p>\u0417</p>","editnote":1,"date_updated_user":401,
               "date_added_user":300,"date_updated":400,"date_added":300,"pagecolor":16772829,
               "reminder":{"date":1700000000,"lat":0.0,"lng":0.0,"priority":2,"interval":7},
               "attachements":[{"global_id":"att1","tempname":"tmp123","type":"","type_extra":"","display_name":"a.png","in_list":1}],
               "tags":["ideas","x y"],"todo":[{"global_id":"td1","label":"buy","checked":true}]}],
             "tags":["ideas","food"]}},"_client_software":"win_notes"})"},
         [](Fixture& f) {
             std::vector<CString> tags = {L"ideas", L"food"};
             return f.client.Store({SampleFolder(), SampleNote()}, &tags, stamp, errorDesc);
         },
         0, [](Fixture&) { EXPECT_EQ(99u, stamp); }},
        {"notes:update store without tags, quota exceeded",
         {{"notes:update", R"({"errorCode":-20,"body":{"_errorDesc":"usage_quota_exceed"}})"}},
         {R"({"action":"notes:update","body":{"store":{"notes":[{"global_id":"fold1","type":"folder","parent_id":"root",
              "index":0,"date_updated_user":200,"date_updated":200,"date_added_user":100,"date_added":100,
              "title":"W\u00f6rk"}]}},"_client_software":"win_notes"})"},
         [](Fixture& f) {
             stamp = 7;
             return f.client.Store({SampleFolder()}, nullptr, stamp, errorDesc);
         },
         -20,
         [](Fixture&) {
             EXPECT_STREQ(L"usage_quota_exceed", errorDesc);
             EXPECT_EQ(7u, stamp);
         }},
        {"notes:update remove, only lists with entries",
         {{"notes:update", R"({"errorCode":0,"body":{"last_update_time":100}})"}},
         {R"({"action":"notes:update","body":{"remove":{"notes":["n1","f1"],"tags":["old"]}},"_client_software":"win_notes"})"},
         [](Fixture& f) { return f.client.RemoveOnServer({L"n1", L"f1"}, {}, {L"old"}, stamp); }, 0,
         [](Fixture&) { EXPECT_EQ(100u, stamp); }},
        {"notes:share",
         {{"notes:share", R"({"errorCode":0,"body":{"note1":"https://notes.example.com/s/abc"}})"}},
         {R"({"action":"notes:share","body":{"global_id":["note1"]},"_client_software":"win_notes"})"},
         [](Fixture& f) { return f.client.GetNoteShareLink(L"note1", link); }, 0,
         [](Fixture&) { EXPECT_STREQ("https://notes.example.com/s/abc", link); }},
        {"notes:unshare",
         {{"notes:unshare", R"({"errorCode":0,"body":{}})"}},
         {R"({"action":"notes:unshare","body":{"global_id":["note1"]},"_client_software":"win_notes"})"},
         [](Fixture& f) { return f.client.NoteUnshareLink(L"note1"); }, 0, nullptr},
        {"notes:restoreBackup with items",
         {{"notes:restoreBackup", R"({"errorCode":0,"body":{"restored":2}})"}},
         {R"({"action":"notes:restoreBackup","body":{"global_id":"b1","items":["x","y"]},"_client_software":"win_notes"})"},
         [](Fixture& f) {
             std::vector<CString> items = {L"x", L"y"};
             restoreResult = 77;
             return f.client.RestoreBackup(L"b1", &items, &restoreResult);
         },
         0, [](Fixture&) { EXPECT_EQ(0, restoreResult); }},
        {"notes:restoreBackup of everything",
         {{"notes:restoreBackup", R"({"errorCode":-19,"body":{"_errorDesc":"backup_not_found"}})"}},
         {R"({"action":"notes:restoreBackup","body":{"global_id":"b1"},"_client_software":"win_notes"})"},
         [](Fixture& f) {
             std::vector<CString> none;
             return f.client.RestoreBackup(L"b1", &none, &restoreResult);
         },
         -19, [](Fixture&) { EXPECT_EQ(-19, restoreResult); }},
        {"user:register",
         {{"user:register", R"({"errorCode":0,"body":{}})"}},
         {R"({"action":"user:register","body":{"email":"new@example.com","password":"p\u00e4ss","service":"pelora","languages":null},"_client_software":"win_notes"})"},
         [](Fixture& f) { return f.client.RegisterUser(L"new@example.com", L"p\x00e4ss"); }, 0, nullptr},
    };
}

TEST(Actions, EachActionSendsItsRequestAndReadsItsReply)
{
    for (ActionRow& row : Actions()) {
        Fixture f;
        AnswerByAction(f.server, row.replies);
        EXPECT_EQ(row.expected, row.call(f)) << row.name;
        std::vector<CapturedRequest> seen = f.server.Requests();
        ASSERT_EQ(row.requests.size(), seen.size()) << row.name;
        for (size_t i = 0; i < seen.size(); ++i) {
            std::string expected = row.requests[i];
            size_t at = expected.find("PASSWORD");
            if (at != std::string::npos)
                expected.replace(at, 8, f.client.GetPasswordText().GetString());
            Json::Value want = test::ParseJson(expected);
            ASSERT_FALSE(want.isNull()) << row.name << ": bad expectation";
            EXPECT_EQ(want, test::ParseJson(seen[i].body)) << row.name << "\n" << seen[i].body;
        }
        if (row.check)
            row.check(f);
    }
}

TEST(Actions, BackupListAndPreviewRecordsEndWithATerminator)
{
    Fixture f;
    AnswerByAction(f.server,
                   {{"notes:getBackups", R"({"errorCode":0,"body":[{"global_id":"b1","date":1000,"count_notes":4,"count_folders":2},
                                                               {"global_id":"b2","date":2000,"count_notes":0,"count_folders":1}]})"},
                    {"notes:viewBackup", R"({"errorCode":0,"body":[{"global_id":"f1","title":"\u0417\u0410\u041c\u0415\u0422\u041a\u0418 Work",
                      "parent_id":"root","date_added_user":5,"date_updated_user":6,"type":"folder"},
                      {"global_id":"n1","title":"Note","parent_id":"f1","date_added_user":7,"date_updated_user":8,"type":"note"}]})"}});
    Sync::BackupListRecord* list = nullptr;
    ASSERT_EQ(0, f.client.GetBackupList(&list));
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(1, list[0].valid);
    EXPECT_STREQ(L"b1", list[0].backupId);
    EXPECT_EQ(1000, list[0].date);
    EXPECT_EQ(4, list[0].noteCount);
    EXPECT_EQ(2, list[0].folderCount);
    EXPECT_EQ(1, list[1].valid);
    EXPECT_EQ(0, list[2].valid);
    delete[] list;

    Sync::BackupPreviewRecord* preview = nullptr;
    ASSERT_EQ(0, f.client.GetBackupPreview(L"b1", &preview));
    ASSERT_NE(nullptr, preview);
    EXPECT_STREQ(L"\x0437\x0430\x043c\x0435\x0442\x043a\x0438 work", preview[0].lowerTitle);
    EXPECT_EQ(0, preview[0].isNote);
    EXPECT_EQ(-1, preview[0].listIndex);
    EXPECT_EQ(1, preview[1].isNote);
    EXPECT_EQ(7, preview[1].added);
    // no "default" among the items: "My Notes" is added before the terminator
    EXPECT_EQ(1, preview[2].valid);
    EXPECT_STREQ(L"default", preview[2].id);
    EXPECT_STREQ(L"My Notes", preview[2].title);
    EXPECT_STREQ(L"", preview[2].parentId);
    EXPECT_STREQ(L"folder", preview[2].type);
    EXPECT_EQ(0, preview[3].valid);
    delete[] preview;
}

TEST(Actions, RepliesOfTheWrongKindAreUnreadableNeverAnException)
{
    struct Row {
        const char* name;
        const char* action;
        const char* reply;
        int expected;
    } rows[] = {
        {"session id not a text", "user:auth", R"({"errorCode":0,"body":{"sessionid":5}})", 8},
        {"no session id", "user:auth", R"({"errorCode":0,"body":{}})", 8},
        {"info not readable", "user:auth", R"({"errorCode":0,"body":{"sessionid":"s","info":{"register_date":7}}})", 8},
        {"usage figure a text", "user:info", R"({"errorCode":0,"body":{"register_date":"2020-1-1","usage":{"notes":{"max":"big"}}}})", 8},
        {"body an array", "notes:get", R"({"errorCode":0,"body":[1,2]})", 8},
        {"a title that is a number", "notes:get", R"({"errorCode":0,"body":{"last_update_time":"1","notes":[{"global_id":"a","type":"note","title":5}]}})", 8},
        {"a note that is a text", "notes:get", R"({"errorCode":0,"body":{"last_update_time":"1","notes":["a"]}})", 8},
        {"tags with a number", "notes:get", R"({"errorCode":0,"body":{"last_update_time":"1","tags":["a",1]}})", 8},
        {"attachments an object", "notes:get", R"({"errorCode":0,"body":{"last_update_time":"1","notes":[{"global_id":"a","attachements":{}}]}})", 8},
        {"reminder a number", "notes:get", R"({"errorCode":0,"body":{"last_update_time":"1","notes":[{"global_id":"a","reminder":5}]}})", 8},
        {"to-do checked a text", "notes:get", R"({"errorCode":0,"body":{"last_update_time":"1","notes":[{"global_id":"a","todo":[{"checked":"yes"}]}]}})", 8},
        {"time stamp not a text", "notes:get", R"({"errorCode":0,"body":{"last_update_time":{}}})", 8},
        {"no time stamp", "notes:get", R"({"errorCode":0,"body":{"notes":[]}})", 8},
        {"notes not an array: an empty list", "notes:get", R"({"errorCode":0,"body":{"last_update_time":"3","notes":{"a":1},"removedItems":5}})", 0},
        {"no body", "notes:get", R"({"errorCode":0})", 1},
    };
    for (const Row& row : rows) {
        Fixture f;
        AnswerByAction(f.server, {{row.action, row.reply}});
        int rc = -1000;
        EXPECT_NO_THROW({
            if (std::string(row.action) == "user:auth") {
                rc = f.client.Authenticate();
            } else if (std::string(row.action) == "user:info") {
                rc = f.client.GetUserInfo();
            } else {
                Sync::CDataStruct data;
                rc = f.client.GetDataStruct("0", data);
                if (rc == 0) {
                    EXPECT_TRUE(data.items.empty());
                    EXPECT_TRUE(data.removed.empty());
                }
            }
        }) << row.name;
        EXPECT_EQ(row.expected, rc) << row.name;
    }
    // other actions with a body of the wrong kind
    Fixture f;
    AnswerByAction(f.server, {{"notes:getBackups", R"({"errorCode":0,"body":{"global_id":"b"}})"},
                              {"notes:share", R"({"errorCode":0,"body":{"note1":["x"]}})"},
                              {"notes:update", R"({"errorCode":0,"body":{"last_update_time":"soon"}})"}});
    Sync::BackupListRecord* list = nullptr;
    EXPECT_EQ(8, f.client.GetBackupList(&list));
    EXPECT_EQ(nullptr, list);
    CStringA link;
    EXPECT_EQ(8, f.client.GetNoteShareLink(L"note1", link));
    unsigned stamp = 0;
    CString desc;
    EXPECT_EQ(8, f.client.Store({SampleFolder()}, nullptr, stamp, desc));
    AnswerByAction(f.server, {{"notes:update", R"({"errorCode":0,"body":{}})"}});
    EXPECT_EQ(8, f.client.Store({SampleFolder()}, nullptr, stamp, desc)) << "no new time";
}

TEST(Actions, RegistrationFallsBackOnlyWhenTheRequestCouldNotBeDeliveredOrIsUnknown)
{
    const char* kOld = R"({"action":"user_register","email":"new@example.com","password":"pw","_client_software":"win_notes"})";
    struct Row {
        const char* name;
        CannedReply first;
        bool fallback;
        int expected;
    } rows[] = {
        {"registered", CannedReply{200, "application/json", R"({"errorCode":0,"body":{}})"}, false, 0},
        {"the account exists", CannedReply{200, "application/json", R"({"errorCode":-4,"body":{"_errorDesc":"exists"}})"}, false, -4},
        {"unreadable reply", CannedReply{200, "text/html", "<html>oops</html>"}, false, 8},
        {"unknown action", CannedReply{200, "application/json", R"({"errorCode":-2,"body":{}})"}, true, 3},
        {"connection dropped", [] { CannedReply r; r.drop = true; return r; }(), true, 3},
    };
    for (const Row& row : rows) {
        Fixture f;
        CannedReply first = row.first;
        f.server.SetResponder([first](const CapturedRequest& r) {
            if (test::ParseJson(r.body)["action"].asString() == "user:register")
                return first;
            return CannedReply{200, "application/json", R"({"errorCode":3,"body":{}})"};
        });
        EXPECT_EQ(row.expected, f.client.RegisterUser(L"new@example.com", L"pw")) << row.name;
        std::vector<CapturedRequest> seen = f.server.Requests();
        ASSERT_EQ(row.fallback ? 2u : 1u, seen.size()) << row.name;
        if (row.fallback) {
            EXPECT_EQ(test::ParseJson(kOld), test::ParseJson(seen[1].body)) << row.name;
        }
    }
}

std::string LogText()
{
    g_ActivityLog.Flush();
    std::string text;
    FILE* f = _wfopen(g_ActivityLog.GetPath(), L"rb");
    if (!f)
        return text;
    char chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, f)) > 0)
        text.append(chunk, got);
    fclose(f);
    return text;
}

TEST(Actions, PasswordsNeverReachTheLogWhileFailedRequestsDo)
{
    Fixture f;
    AnswerByAction(f.server, {{"user:register", R"({"errorCode":-4,"body":{"_errorDesc":"exists"}})"},
                              {"user:auth", R"({"errorCode":-3,"body":{"_errorDesc":"wrong"}})"},
                              {"notes:share", R"({"errorCode":-19,"body":{"_errorDesc":"marker-share-failed"}})"}});
    f.client.SetVerboseLog(true);
    std::vector<BYTE> digest = test::PasswordDigest("only-in-this-test");   // other tests log theirs
    f.client.SetCredentials(L"demo@example.com", digest.data(), 16);
    EXPECT_EQ(-4, f.client.RegisterUser(L"new@example.com", L"plain-secret-42"));
    EXPECT_EQ(-3, f.client.Authenticate());
    CStringA link;
    EXPECT_EQ(-19, f.client.GetNoteShareLink(L"note1", link));
    std::string log = LogText();
    ASSERT_FALSE(log.empty()) << "the log is written";
    EXPECT_EQ(std::string::npos, log.find("plain-secret-42"));
    EXPECT_EQ(std::string::npos, log.find(f.client.GetPasswordText().GetString()));
    EXPECT_NE(std::string::npos, log.find("marker-share-failed"));
}

}  // namespace
