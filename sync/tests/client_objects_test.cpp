// Server objects read without a service: the reading rules, the update-check reply.
#include "client_support.h"
#include <gtest/gtest.h>

namespace {

TEST(ServerObjects, ReadingRulesOfANoteOrFolder)
{
    struct Row {
        const char* json;
        int index;
        unsigned dateAddedUser;
        int pagecolor;
        bool ok;
    } rows[] = {
        {R"({"index":-3})", 0, 0, 0xFFFFFF, true},
        {R"({"index":2.9})", 2, 0, 0xFFFFFF, true},
        {R"({"index":1e12})", 2147483647, 0, 0xFFFFFF, true},
        {R"({"date_added_user":0,"date_added":77})", 0, 77, 0xFFFFFF, true},
        {R"({"date_added_user":5,"date_added":77})", 0, 5, 0xFFFFFF, true},
        {R"({"date_added_user":-5})", 0, 0, 0xFFFFFF, true},
        {R"({"pagecolor":0})", 0, 0, 0, true},
        {R"({"pagecolor":null})", 0, 0, 0xFFFFFF, true},
        {R"({"index":"3"})", 0, 0, 0, false},
        {R"({"global_id":["a"]})", 0, 0, 0, false},
        {R"({"tags":"ideas"})", 0, 0, 0, false},
        {R"([1])", 0, 0, 0, false},
    };
    for (const Row& row : rows) {
        Sync::CServerObject o;
        EXPECT_EQ(row.ok, o.Read(test::ParseJson(row.json))) << row.json;
        if (row.ok) {
            EXPECT_EQ(row.index, o.index) << row.json;
            EXPECT_EQ(row.dateAddedUser, o.dateAddedUser) << row.json;
            EXPECT_EQ(row.pagecolor, o.pagecolor) << row.json;
        }
    }
}

TEST(ServerObjects, UpdateCheckReply)
{
    struct Row {
        const char* reply;
        bool taken;
        int number;
        const wchar_t* text;
        const wchar_t* url;
    } rows[] = {
        {"210|2.1.0|https://host/setup.exe", true, 210, L"2.1.0", L"https://host/setup.exe"},
        {"210|2.1.0| https://host/setup.exe \r\n", true, 210, L"2.1.0", L"https://host/setup.exe"},
        {"209|only one", true, 209, L"only one", L"only one"},
        {"x|a|b", true, 0, L"a", L"b"},
        {"|2.1.0|url", false, 0, L"", L""},
        {"no bar at all", false, 0, L"", L""},
        {"", false, 0, L"", L""},
        {"7|a|b|c", true, 7, L"a", L"b|c"},
    };
    for (const Row& row : rows) {
        int number = -1;
        CString text, url;
        EXPECT_EQ(row.taken, Sync::ParseUpdateReply(row.reply, number, text, url)) << row.reply;
        EXPECT_EQ(row.number, number) << row.reply;
        EXPECT_STREQ(row.text, text) << row.reply;
        EXPECT_STREQ(row.url, url) << row.reply;
    }
    Sync::CSync client("https://notes.example.com/api/v2", "win_client");
    EXPECT_STREQ("https://notes.example.com/repo/win-notes/?v=0", client.GetUpdateCheckUrl());
}

TEST(ServerObjects, DefaultServiceAddressComesFromTheEnvironmentOnly)
{
    const char* saved = getenv("PELORA_SERVICE_URL");
    std::string keep = saved ? saved : "";
    _putenv_s("PELORA_SERVICE_URL", "");
    EXPECT_STREQ(Sync::kBuiltInServiceUrl, Sync::GetDefaultServiceUrl());
    EXPECT_EQ(0, strncmp(Sync::kBuiltInServiceUrl, "https://", 8));
    _putenv_s("PELORA_SERVICE_URL", "http://127.0.0.1:5555");
    EXPECT_STREQ("http://127.0.0.1:5555", Sync::GetDefaultServiceUrl());
    _putenv_s("PELORA_SERVICE_URL", keep.c_str());
}

}  // namespace
