// Replies made to hurt the client: nested without end, huge, deflate bombs and replies that
// trickle in; each ends with its own result in bounded time and memory. Also the kept-alive
// connection and the account cache's lock against the sync threads' writes.
#include "client_support.h"
#include <gtest/gtest.h>
#include <psapi.h>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Fault(const char* target, const char* kind, double bytes, int depth = 0, int ms = 0)
{
    Json::Value fault;
    fault["op"] = "fault";
    fault["target"] = target;
    fault["kind"] = kind;
    fault["bytes"] = bytes;
    fault["depth"] = depth;
    fault["ms"] = ms;
    fault["times"] = 1;
    test::Control(fault);
}

Json::Value Requests()
{
    Json::Value op;
    op["op"] = "requests";
    op["clear"] = true;
    return test::Control(op)["requests"];
}

size_t PeakPrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&counters, sizeof counters))
        return 0;
    return counters.PeakPagefileUsage;
}

// A signed-in client of the demo account.
struct Demo {
    Sync::CSync client{test::ServiceUrl().c_str(), "win_client"};
    Demo()
    {
        std::vector<BYTE> digest = test::PasswordDigest("demo");
        client.SetCredentials(L"demo@example.com", digest.data(), 16);
        EXPECT_EQ(0, client.Authenticate());
    }
};

TEST(Hostile, EveryKindOfHostileReplyEndsWithItsOwnResult)
{
    test::ResetService(true);
    Demo demo;
    Sync::CSync& client = demo.client;
    // the trickling rows end by a short total time-out; the others by their bound alone
    // (the stand-in takes a while to make a large bomb)
    Sync::CSync::Timeouts quick;
    quick.requestMs = 1500;
    quick.fileMs = 1500;
    // notes and attachments of at most 1 MiB, as the account information tells the client
    Json::Value limits;
    limits["op"] = "limits";
    limits["email"] = "demo@example.com";
    limits["max_note_size"] = 1 << 20;
    limits["max_attachment_size"] = 1 << 20;
    test::Control(limits);
    ASSERT_EQ(0, client.GetUserInfo());

    std::vector<Sync::CServerObject> notes;
    Sync::CDataStruct data;
    ASSERT_EQ(0, client.GetDataStruct("0", data));
    const Sync::CServerAttach* attach = nullptr;
    for (const Sync::CServerObject& o : data.items)
        if (!o.attachements.empty())
            attach = &o.attachements[0];
    ASSERT_TRUE(attach) << "the demo account has a note with an image";
    const std::string location = Sync::ToUtf8(attach->location);

    enum Call { kInfo, kStructure, kNote, kBackups, kAttachment, kUpload, kUpdateCheck };
    struct Row {
        const char* name;
        Call call;
        const char* target;
        const char* kind;
        double bytes;
        int depth;
        int ms;
        int expected;
    } rows[] = {
        {"nested a hundred thousand deep", kInfo, "user:info", "nested", 0, 100000, 0, 8},
        {"nested in a list reply", kStructure, "notes:get", "nested", 0, 5000, 0, 8},
        {"1 GiB for a small reply", kInfo, "user:info", "huge", 1024.0 * 1048576, 0, 0, 9},
        {"a deflate bomb for a small reply", kInfo, "user:info", "bomb", 64.0 * 1048576, 0, 0, 9},
        {"a deflate bomb for the change set", kStructure, "notes:get", "bomb", 256.0 * 1048576, 0, 0, 9},
        {"a note past the account's limit", kNote, "notes:get", "huge", 8.0 * 1048576, 0, 0, 9},
        {"a backup list past the list bound", kBackups, "notes:getBackups", "bomb", 100.0 * 1048576, 0, 0, 9},
        {"an attachment past the account's limit", kAttachment, "download", "bomb", 8.0 * 1048576, 0, 0, 9},
        {"an upload's reply that never ends", kUpload, "upload", "huge", 1024.0 * 1048576, 0, 0, -9},
        {"a reply trickling a byte every 200 ms", kInfo, "user:info", "trickle", 0, 0, 200, 10},
        {"an attachment trickling", kAttachment, "download", "trickle", 0, 0, 200, 10},
        {"the update check trickling", kUpdateCheck, "update", "trickle", 0, 0, 200, 28},
    };
    const size_t peakBefore = PeakPrivateBytes();
    for (const Row& row : rows) {
        test::ClearFaults();
        Fault(row.target, row.kind, row.bytes, row.depth, row.ms);
        client.SetTimeouts(row.ms ? quick : Sync::CSync::Timeouts());
        auto start = Clock::now();
        int rc = -1000;
        switch (row.call) {
        case kInfo:
            rc = client.GetUserInfo();
            break;
        case kStructure:
            rc = client.GetDataStruct("0", data);
            break;
        case kNote:
            rc = client.DownloadNote("0", L"seednotewelcome1", notes);
            break;
        case kBackups: {
            Sync::BackupListRecord* list = nullptr;
            rc = client.GetBackupList(&list);
            delete[] list;
            break;
        }
        case kAttachment: {
            test::HashingSink sink;
            rc = client.DownloadAttachement(location.c_str(), &sink);
            EXPECT_LE(sink.size, 1u << 20) << row.name;
            EXPECT_EQ(sink.opened, sink.closed) << row.name;
            break;
        }
        case kUpload: {
            CString serverName;
            rc = client.UploadAttachement(L"a.txt", "abc", 3, "text/plain", serverName);
            break;
        }
        case kUpdateCheck: {
            std::string reply;
            rc = client.HttpGet(client.GetUpdateCheckUrl(), reply);
            EXPECT_EQ("", reply) << row.name;
            break;
        }
        }
        EXPECT_EQ(row.expected, rc) << row.name;
        EXPECT_LT(SecondsSince(start), 20.0) << row.name;
        // the client still works: the next request gets a fresh answer
        test::ClearFaults();
        EXPECT_EQ(0, client.GetUserInfo()) << "after: " << row.name;
    }
    test::ResetService(true);
    // nothing near a gigabyte was ever held
    const size_t peakAfter = PeakPrivateBytes();
    if (peakBefore && peakAfter) {
        EXPECT_LT(peakAfter - peakBefore, (size_t)400 << 20);
    }
}

TEST(Hostile, TheBoundsFollowTheKindOfReplyAndTheAccount)
{
    Sync::CSync client("http://127.0.0.1:1/", "win_client");
    Sync::CSync::ReplyLimits limits;
    limits.smallBytes = 1000;
    limits.listBytes = 5000;
    limits.noteOverhead = 100;
    client.SetReplyLimits(limits);
    EXPECT_EQ(1000u, client.GetReplyLimit(Sync::ReplyKind::Small));
    EXPECT_EQ(5000u, client.GetReplyLimit(Sync::ReplyKind::List));
    EXPECT_EQ(2 * (16u << 20) + 100, client.GetReplyLimit(Sync::ReplyKind::Note)) << "the default note size";
    client.SetAccountLimits(3000, 0);
    EXPECT_EQ(6100u, client.GetReplyLimit(Sync::ReplyKind::Note));
}

TEST(Hostile, NestingWithinTheBoundIsRead)
{
    struct Row {
        int depth;
        bool readable;
    } rows[] = {{1, true}, {Sync::CSync::kMaxJsonDepth - 2, true}, {Sync::CSync::kMaxJsonDepth + 1, false},
                {1000000, false}};
    for (const Row& row : rows) {
        std::string text = std::string((size_t)row.depth, '[') + std::string((size_t)row.depth, ']');
        Json::Value out;
        EXPECT_EQ(row.readable, Sync::CSync::ParseReply(text, out)) << row.depth;
        EXPECT_EQ(row.readable, out.isArray()) << row.depth;
    }
}

TEST(Hostile, TheConnectionIsKeptBetweenRequestsAndRenewedAfterAFailure)
{
    test::ResetService(true);
    Demo demo;
    Requests();
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(0, demo.client.GetUserInfo());
    // cut short after the headers (a connection closed before any answer is tried once more
    // on a new one by libcurl)
    Json::Value cut;
    cut["op"] = "fault";
    cut["target"] = "user:info";
    cut["kind"] = "stall";
    cut["after_bytes"] = 1;
    cut["times"] = 1;
    test::Control(cut);
    EXPECT_EQ(4, demo.client.GetUserInfo());
    ASSERT_EQ(0, demo.client.GetUserInfo());
    Json::Value log = Requests();
    ASSERT_EQ(5u, log.size());
    for (Json::ArrayIndex i = 1; i < 4; ++i)
        EXPECT_EQ(log[0]["port"], log[i]["port"]) << "request " << i << " came on the kept connection";
    EXPECT_NE(log[3]["port"], log[4]["port"]) << "a failed transfer's connection is not used again";
}

// The store's write is held open: a login switch on another thread waits for it, so the
// information lands in the record it was read for.
class BlockingStore : public test::TestAccountStore {
public:
    HANDLE writing = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE proceed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> block{false};
    ~BlockingStore() override
    {
        CloseHandle(writing);
        CloseHandle(proceed);
    }
    bool Write(const CString& login, const std::vector<BYTE>& value) override
    {
        if (block.exchange(false)) {
            SetEvent(writing);
            WaitForSingleObject(proceed, 10000);
        }
        return test::TestAccountStore::Write(login, value);
    }
};

TEST(Hostile, TheAccountCacheIsWrittenInOneLockedStep)
{
    BlockingStore store;
    CUserAccounts accounts(&store);
    accounts.SetCurrentUser(L"first@example.com");
    CServiceAccountInfo info;
    info.registerDate = L"2024-05-06";
    info.notesMax = 1024;
    info.maxNoteSizeMB = 16;
    store.block = true;
    std::thread sync([&] { EXPECT_TRUE(accounts.TakeServiceInfo(info)); });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(store.writing, 10000));
    std::atomic<bool> switched{false};
    std::thread ui([&] {
        accounts.SetCurrentUser(L"second@example.com");
        switched = true;
    });
    Sleep(200);   // long enough for the switch to happen if nothing held it back
    EXPECT_FALSE(switched.load()) << "the current account changed in the middle of the write";
    SetEvent(store.proceed);
    sync.join();
    ui.join();
    EXPECT_TRUE(switched.load());
    EXPECT_EQ(1024, accounts.FindUser(L"first@example.com")->usageNotesMax);
    EXPECT_EQ(0, accounts.FindUser(L"second@example.com")->usageNotesMax);
    EXPECT_STREQ(L"second@example.com", accounts.GetCurrentUserName());
    EXPECT_FALSE(accounts.TakeNotesEmail(L"")) << "an empty notes e-mail is not taken";
    EXPECT_TRUE(accounts.TakeNotesEmail(L"n@example.com"));
    EXPECT_FALSE(accounts.TakeNotesEmail(L"other@example.com")) << "only while the record has none";
    EXPECT_STREQ(L"n@example.com", accounts.GetCurrentRecord().notesEmail);
}

}  // namespace
