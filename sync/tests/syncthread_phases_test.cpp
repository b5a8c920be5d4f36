// The phase machinery of the two sync threads: the sequence of a sync as the observer sees
// it, and what each kind of failure of the service makes of it.
#include "syncthread_harness.h"
#include <winsock2.h>
#include <gtest/gtest.h>

using namespace Sync;
using test::MemStore;

namespace {

Json::Value With(std::initializer_list<std::pair<const char*, Json::Value>> keys)
{
    Json::Value v(Json::objectValue);
    for (auto& k : keys)
        v[k.first] = k.second;
    return v;
}

std::vector<CString> Texts(const std::vector<SyncProgressRecord>& list)
{
    std::vector<CString> out;
    for (const SyncProgressRecord& p : list)
        out.push_back(p.text);
    return out;
}

bool Contains(const std::vector<CString>& list, const wchar_t* text)
{
    return std::find(list.begin(), list.end(), CString(text)) != list.end();
}

int Requests(const char* action)
{
    Json::Value op;
    op["op"] = "requests";
    Json::Value list = test::Control(op)["requests"];
    int n = 0;
    for (const Json::Value& r : list)
        n += r["action"].asString() == action;
    return n;
}

int Uploads()
{
    Json::Value op;
    op["op"] = "requests";
    Json::Value list = test::Control(op)["requests"];
    int n = 0;
    for (const Json::Value& r : list)
        n += r["path"].asString().find("preupload") != std::string::npos;
    return n;
}

class Phases : public ::testing::Test {
protected:
    void SetUp() override { test::FreshAccount(); }
    void TearDown() override
    {
        test::ClearFaults();
        CSyncThread::GetClient()->SetTimeouts(CSync::Timeouts());
    }
    test::RecordingObserver& Observer() { return test::SyncThreads::Get().observer; }
};

TEST_F(Phases, OneSyncReportsEveryPhaseInOrder)
{
    MemStore a;
    a.NewFolder(L"fold-p", L"P");
    a.NewNote(L"note-p", L"fold-p", L"P", L"<p>p</p>");
    ASSERT_TRUE(test::SyncOnce(a));
    std::vector<CString> texts = Texts(Observer().ProgressList());
    // the upload side's phases in their order (the download side's interleave)
    std::vector<CString> upload;
    for (const CString& t : texts)
        if (t == L"Authenticate..." || t == L"Downloading meta info..." || t == L"Updating folders..." ||
            t == L"Updating notes..." || t == L"Removing old items..." || t == L"Upload folders/tags..." ||
            t == L"Upload notes..." || t == L"Sync complete")
            if (upload.empty() || upload.back() != t)
                upload.push_back(t);
    std::vector<CString> expect = {L"Authenticate...",      L"Downloading meta info...", L"Updating folders...",
                                   L"Updating notes...",    L"Removing old items...",    L"Upload folders/tags...",
                                   L"Upload notes...",      L"Sync complete"};
    EXPECT_EQ(expect, upload);
    EXPECT_EQ(100.0f, Observer().LastProgress().progress);
    std::vector<int> codes = Observer().Codes();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(SYNC_EVENT_STARTED, codes.front());
    EXPECT_EQ(SYNC_EVENT_ENDED, codes.back());
    EXPECT_EQ(1, Observer().Count(SYNC_EVENT_ENDED));
    EXPECT_NE(L"0", a.GetParam(L"last_update_time", L"0"));
    EXPECT_EQ(0, a.Note(L"note-p")->b_syncdirty);
    EXPECT_EQ(0, a.Folder(L"fold-p")->b_syncdirty);
    EXPECT_FALSE(CSyncThread::IsSyncRunning());
}

// Failures of the service and what the user is told.
TEST_F(Phases, FaultTable)
{
    struct Case {
        const char* name;
        const char* target;
        const char* kind;
        Json::Value extra;
        int upload, download;   // results; -100 = not checked
        const wchar_t* progress;
        int quotaEvent;         // event 4's count
        const wchar_t* eventText;
    } cases[] = {
        {"structure fails", "notes:get", "error", With({{"code", -99}, {"desc", "internal"}}), -99, -100,
         L"Sync failed", 0, nullptr},
        {"garbage reply", "notes:get", "garbage", Json::Value(Json::objectValue), 8, -100, L"Sync failed", 0,
         nullptr},
        {"quota exceeded", "notes:update", "error", With({{"code", -20}, {"desc", "usage_quota_exceed"}}), -20, 0,
         L"Sync failed: quota exceed", 1, L"usage_quota_exceed"},
        {"login refused", "user:auth", "error", With({{"code", -3}, {"desc", "wrong"}}), -100, -100,
         L"Authenticate failed", 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::FreshAccount();
        MemStore a;
        a.params[L"last_update_time"] = L"0";
        a.NewNote(L"note-f", L"default", L"F", L"<p>f</p>");
        a.tagList.clear();
        MemStore seed;
        seed.NewNote(L"note-s", L"default", L"S", L"<p>s</p>");
        ASSERT_TRUE(test::SyncOnce(seed));
        Observer().Clear();
        test::Fault(c.target, c.kind, c.extra);
        ASSERT_TRUE(test::SyncOnce(a));
        test::ClearFaults();
        EXPECT_EQ(c.progress, Observer().LastProgress().text);
        EXPECT_EQ(-1, Observer().LastProgress().code);
        if (c.upload != -100) {
            EXPECT_EQ(c.upload, CSyncThread::GetUploadResult());
        }
        if (c.download != -100) {
            EXPECT_EQ(c.download, CSyncThread::GetDownloadResult());
        }
        // told at once when the upload side ends first, and again at the end
        int quota = Observer().Count(SYNC_EVENT_QUOTA_EXCEEDED);
        EXPECT_TRUE(c.quotaEvent ? quota >= 1 && quota <= 2 : quota == 0) << quota;
        if (c.eventText) {
            for (const test::RecordedEvent& e : Observer().Events()) {
                if (e.code == SYNC_EVENT_QUOTA_EXCEEDED) {
                    EXPECT_EQ(c.eventText, e.text1);
                }
            }
        }
        EXPECT_EQ(1, Observer().Count(SYNC_EVENT_ENDED));
        EXPECT_FALSE(CSyncThread::IsSyncRunning());
        if (c.upload == -99 || c.upload == 8) {
            // a failed structure step keeps the stamp and starts no download
            EXPECT_EQ(L"0", a.GetParam(L"last_update_time", L"0"));
            EXPECT_EQ(0, Observer().Count(SYNC_EVENT_DOWNLOADING));
            EXPECT_EQ(nullptr, a.Note(L"note-s"));
        }
        EXPECT_EQ(1, a.Note(L"note-f")->b_syncdirty);   // nothing was sent
    }
}

// -23 (an attachment's upload is unknown to the service) sends the attachments and the note
// again, but not for ever: after a few rounds the note waits for the next sync.
TEST_F(Phases, RefusedAttachmentsAreSentAgainAFewTimesOnly)
{
    MemStore a;
    a.NewNote(L"note-23", L"default", L"N", L"<p>n</p>");
    a.AttachToNote(L"note-23", L"att-23", L"a.bin", "abc");
    a.NewNote(L"note-ok", L"default", L"OK", L"<p>ok</p>");
    a.tagList.clear();
    test::Control(With({{"op", "requests"}, {"clear", true}}));
    test::Fault("notes:update", "error", With({{"code", -23}, {"desc", "unknown_tempname"}, {"times", 0}}));
    ASSERT_TRUE(test::SyncOnce(a));
    test::ClearFaults();
    // every store is refused here: each note is sent a few times, the attachment before each
    EXPECT_EQ(2 * CSyncThread::kMaxUploadsPerNote, Requests("notes:update"));
    EXPECT_EQ(CSyncThread::kMaxUploadsPerNote, Uploads());
    EXPECT_EQ(-23, CSyncThread::GetUploadResult());
    EXPECT_EQ(L"Sync failed", Observer().LastProgress().text);
    EXPECT_EQ(1, a.Note(L"note-23")->b_syncdirty);
    // the next sync sends it
    ASSERT_TRUE(test::SyncOnce(a));
    EXPECT_EQ(0, a.Note(L"note-23")->b_syncdirty);
    EXPECT_EQ(0, a.Note(L"note-ok")->b_syncdirty);
    EXPECT_EQ(0, CSyncThread::GetUploadResult());
}

TEST_F(Phases, StopDuringASlowReplyEndsTerminated)
{
    MemStore a;
    test::Fault("notes:get", "delay", With({{"ms", 20000}, {"times", 1}}));
    CSyncThread* t = test::SyncThreads::Get().a;
    CSyncThread::SetStore(&a);
    t->RunSync();
    ASSERT_TRUE(Observer().WaitFor(SYNC_EVENT_STARTED, 1, 10000));
    Sleep(1500);
    ASSERT_TRUE(CSyncThread::IsSyncRunning());
    DWORD start = GetTickCount();
    t->StopSync();
    ASSERT_TRUE(Observer().WaitFor(SYNC_EVENT_ENDED, 1, 15000));
    EXPECT_LT(GetTickCount() - start, 10000u);
    EXPECT_EQ(L"Sync terminated", Observer().LastProgress().text);
    EXPECT_EQ(2, CSyncThread::GetUploadResult());
    EXPECT_EQ(L"0", a.GetParam(L"last_update_time", L"0"));
}

// The checks read the group's mirror; the named events other holders open must say the same,
// idle, while a sync runs, right after a stop and after the end.
TEST_F(Phases, NamedEventsAgreeWithTheStateChecks)
{
    MemStore a;
    test::Fault("notes:get", "delay", With({{"ms", 20000}, {"times", 1}}));
    CSyncThread* t = test::SyncThreads::Get().a;
    CSyncThread::SetStore(&a);
    CSyncGroup& g = CSyncGroup::Default();
    auto expectAgree = [&g](const char* when) {
        for (int which = 0; which < 3; ++which) {
            HANDLE e = nullptr;   // the threads open them as they start
            for (int i = 0; i < 100 && !(e = OpenEventW(SYNCHRONIZE, FALSE, g.EventName(which))); ++i)
                Sleep(50);
            ASSERT_TRUE(e) << when << " " << which;
            bool set = WaitForSingleObject(e, 0) == WAIT_OBJECT_0;
            CloseHandle(e);
            EXPECT_EQ(g.IsStateSet(which), set) << when << " " << which;
        }
    };
    expectAgree("idle");
    t->RunSync();
    ASSERT_TRUE(Observer().WaitFor(SYNC_EVENT_STARTED, 1, 10000));
    ASSERT_TRUE(CSyncThread::IsSyncRunning());
    EXPECT_FALSE(g.IsStateSet(0));
    expectAgree("running");
    t->StopSync();
    EXPECT_TRUE(g.IsStateSet(0));
    expectAgree("stopping");
    ASSERT_TRUE(Observer().WaitFor(SYNC_EVENT_ENDED, 1, 15000));
    for (int i = 0; i < 100 && CSyncThread::IsSyncRunning(); ++i)
        Sleep(50);
    EXPECT_FALSE(CSyncThread::IsSyncRunning());
    expectAgree("ended");
}

TEST_F(Phases, StalledAttachmentDownloadFailsAndMovesBack)
{
    MemStore a, b;
    a.NewNote(L"note-st", L"default", L"S", L"<p>s</p>");
    a.AttachToNote(L"note-st", L"att-st", L"big.bin", std::string(200000, 'x'));
    ASSERT_TRUE(test::SyncOnce(a));
    CSync::Timeouts quick;
    quick.stallMs = 3000;
    CSyncThread::GetClient()->SetTimeouts(quick);
    test::Fault("download", "stall", With({{"after_bytes", 1000}, {"seconds", 30}}));
    Observer().Clear();
    ASSERT_TRUE(test::SyncOnce(b, 120000));
    test::ClearFaults();
    EXPECT_EQ(4, CSyncThread::GetDownloadResult());
    EXPECT_EQ(L"Sync failed", Observer().LastProgress().text);
    std::vector<MergeAttach> atts = b.AttachesOf(L"note-st");
    ASSERT_EQ(1u, atts.size());
    EXPECT_EQ(CSyncThread::GetAttachPriority(atts[0].date_create, 0) + 1, atts[0].sync_priority);
    EXPECT_TRUE(atts[0].data.empty());
    // without the stall the next sync brings the bytes
    ASSERT_TRUE(test::SyncOnce(b, 60000));
    atts = b.AttachesOf(L"note-st");
    ASSERT_EQ(1u, atts.size());
    EXPECT_EQ(200000u, atts[0].data.size());
    EXPECT_EQ(0, atts[0].sync_priority);
}

TEST_F(Phases, RunSyncDuringASyncRestartsItAfterTheEnd)
{
    MemStore a;
    a.NewNote(L"note-r", L"default", L"R", L"<p>r</p>");
    test::Fault("notes:get", "delay", With({{"ms", 1500}, {"times", 1}}));
    CSyncThread* t = test::SyncThreads::Get().a;
    CSyncThread::SetStore(&a);
    t->RunSync();
    ASSERT_TRUE(Observer().WaitFor(SYNC_EVENT_STARTED, 1, 10000));
    Sleep(300);
    t->RunSync();   // while the first runs
    ASSERT_TRUE(Observer().WaitFor(SYNC_EVENT_ENDED, 2, 30000));
    std::vector<int> codes;
    for (int c : Observer().Codes())
        if (c == SYNC_EVENT_STARTED || c == SYNC_EVENT_ENDED)
            codes.push_back(c);
    std::vector<int> expect = {1, 2, 1, 2};
    EXPECT_EQ(expect, codes);
    std::vector<CString> texts = Texts(Observer().ProgressList());
    EXPECT_TRUE(Contains(texts, L"Sync terminated"));
    EXPECT_EQ(L"Sync complete", Observer().LastProgress().text);
    for (int i = 0; i < 100 && CSyncThread::IsSyncRunning(); ++i)
        Sleep(10);
    EXPECT_EQ(0, a.Note(L"note-r")->b_syncdirty);
}

// A service that cannot be reached (5): the login is checked against the account cache,
// the user stays signed in, but nothing is synchronised.
TEST_F(Phases, UnreachableServiceFallsBackToTheCachedLogin)
{
    test::SyncThreads& threads = test::SyncThreads::Get();
    std::vector<BYTE> digest = test::PasswordDigest("secret");
    // what the login dialog keeps of an accepted sign-in
    CUserAccountRecord known;
    memcpy(known.digest, digest.data(), 16);
    ASSERT_TRUE(threads.accounts.SetDigest(threads.accounts.SetCurrentUser(L"sync@example.com"), &known));
    // every connection goes to a proxy port where nothing listens
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, (sockaddr*)&addr, sizeof addr);
    int len = sizeof addr;
    getsockname(s, (sockaddr*)&addr, &len);
    closesocket(s);
    CSync* client = CSyncThread::GetClient();
    CConnectionOptions saved = client->GetConnectionOptions();
    CConnectionOptions dead = saved;
    dead.proxyType = 1;
    dead.proxyName = L"127.0.0.1";
    dead.proxyPort = ntohs(addr.sin_port);
    dead.dontDetectInternetConnection = 1;
    client->SetConnectionOptions(dead);

    struct Result {
        int result = -100, status = -100;
        HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    } r;
    auto callback = [](void* user, CSyncThread*, AuthRequest* request) {
        Result* res = (Result*)user;
        res->result = request->result;
        res->status = request->status;
        SetEvent(res->done);
    };
    threads.a->PostAuthRequest(callback, &r, L"sync@example.com", digest.data());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(r.done, 30000));
    EXPECT_EQ(AUTH_OFFLINE, r.status);
    EXPECT_EQ(0, r.result);
    ResetEvent(r.done);
    threads.a->PostAuthRequest(callback, &r, L"sync@example.com", test::PasswordDigest("other").data());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(r.done, 30000));
    EXPECT_EQ(AUTH_FAILED, r.status);
    EXPECT_EQ(-6, r.result);

    // a sync signs in offline and stops there
    MemStore a;
    a.NewNote(L"note-o", L"default", L"O", L"<p>o</p>");
    Observer().Clear();
    ASSERT_TRUE(test::SyncOnce(a));
    client->SetConnectionOptions(saved);
    EXPECT_EQ(L"Sync failed", Observer().LastProgress().text);
    EXPECT_EQ(1, a.Note(L"note-o")->b_syncdirty);
    std::vector<int> expect = {SYNC_EVENT_STARTED, SYNC_EVENT_ENDED};
    EXPECT_EQ(expect, Observer().Codes());
    CloseHandle(r.done);
}

// Long service texts are cut to the error field's size.
TEST_F(Phases, LongErrorTextIsCut)
{
    MemStore a;
    a.NewNote(L"note-l", L"default", L"L", L"<p>l</p>");
    a.tagList.clear();
    std::string desc(1000, 'e');
    test::Fault("notes:update", "error", With({{"code", -20}, {"desc", desc}}));
    ASSERT_TRUE(test::SyncOnce(a));
    EXPECT_EQ(255, CSyncThread::GetLastErrorDesc().GetLength());
    for (const test::RecordedEvent& e : Observer().Events())
        if (e.code == SYNC_EVENT_QUOTA_EXCEEDED) {
            EXPECT_EQ(255, e.text1.GetLength());
        }
}

// The requests of the user interface that are not a sync.
TEST_F(Phases, UpdateCheckBackupsAndSharing)
{
    test::ResetService(true);
    std::vector<BYTE> digest = test::PasswordDigest("demo");
    CSyncThread::SetAccount(L"demo@example.com", digest.data());
    CSync* client = CSyncThread::GetClient();
    ASSERT_EQ(0, client->Authenticate());
    CSyncThread* t = test::SyncThreads::Get().a;

    t->CheckUpdate(77);
    ASSERT_TRUE(Observer().WaitFor(SYNC_EVENT_UPDATE_CHECKED, 1, 20000));
    test::RecordedEvent e = Observer().Events().back();
    EXPECT_EQ(L"209", e.text1);
    EXPECT_EQ(77u, e.value);
    EXPECT_NE(-1, e.text2.Find(L"/download/"));

    t->GetBackupList();
    ASSERT_TRUE(Observer().WaitFor(SYNC_EVENT_BACKUP_LIST, 1, 20000));
    BackupListRecord* list = (BackupListRecord*)Observer().Events().back().value;
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(1, list[0].valid);
    CString backupId = list[0].backupId;
    delete[] list;

    t->RestoreBackup(backupId, nullptr);
    ASSERT_TRUE(Observer().WaitFor(SYNC_EVENT_RESTORE_DONE, 1, 20000));
    EXPECT_EQ(0u, Observer().Events().back().value);
    t->RestoreBackup(nullptr, nullptr);
    ASSERT_TRUE(Observer().WaitFor(SYNC_EVENT_RESTORE_DONE, 2, 20000));
    EXPECT_EQ((WPARAM)(INT_PTR)-1, Observer().Events().back().value);
}

}  // namespace
