// The transport: result codes, the request's shape and headers, termination, stalls and
// time-outs, download checks, the URL policy and the proxy options.
#include "client_support.h"
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <chrono>
#include <cstdio>

namespace {

using test::CannedReply;
using test::CaptureServer;
using test::CapturedRequest;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

Json::Value DemoLogin()
{
    Json::Value request;
    request["action"] = "user:auth";
    request["body"]["email"] = "demo@example.com";
    std::vector<BYTE> d = test::PasswordDigest("demo");
    char hex[33];
    for (int i = 0; i < 16; ++i)
        sprintf(hex + 2 * i, "%02x", d[i]);
    request["body"]["password"] = hex;
    request["body"]["hauth"] = true;
    request["_client_software"] = "win_notes";
    return request;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring Wide(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
}

TEST(Transport, ResultCodesOfTheServiceAndTheConnection)
{
    struct Row {
        const char* name;
        const char* faultKind;   // null: no fault
        int code;
        double seconds;
        int expected;
        double maxSeconds;
    } rows[] = {
        {"plain answer", nullptr, 0, 0, 0, 10},
        {"the service's own code", "error", -19, 0, -19, 10},
        {"not JSON", "garbage", 0, 0, 8, 10},
        {"connection closed without an answer", "drop", 0, 0, 4, 10},
        {"slow but answering", "delay", 0, 0, 0, 10},
        {"stalled after the first byte", "stall", 0, 20, 4, 12},
    };
    test::ResetService();
    Sync::CSync client(test::ServiceUrl().c_str(), "win_client");
    for (const Row& row : rows) {
        test::ClearFaults();
        if (row.faultKind) {
            Json::Value fault;
            fault["op"] = "fault";
            fault["target"] = "user:auth";
            fault["kind"] = row.faultKind;
            fault["code"] = row.code;
            fault["desc"] = "forced";
            fault["ms"] = 300;
            fault["seconds"] = row.seconds;
            fault["after_bytes"] = 1;
            test::Control(fault);
        }
        Json::Value reply;
        auto start = Clock::now();
        EXPECT_EQ(row.expected, client.SendRequest(DemoLogin(), reply, 1)) << row.name;
        EXPECT_LT(SecondsSince(start), row.maxSeconds) << row.name;
        if (row.expected == 0) {
            EXPECT_TRUE(reply["body"]["sessionid"].isString()) << row.name;
        }
    }
    test::ClearFaults();

    // nobody listens on this port: the service cannot be reached
    CaptureServer* gone = new CaptureServer();
    std::string closed = gone->Url();
    delete gone;
    Sync::CSync nowhere(closed.c_str(), "win_client");
    Json::Value reply;
    EXPECT_EQ(5, nowhere.SendRequest(DemoLogin(), reply, 1));
}

TEST(Transport, RepliesThatAreNotAnObjectWithAnIntegerErrorCodeAreUnreadable)
{
    struct Row {
        const char* body;
        int expected;
    } rows[] = {
        {"{\"errorCode\":0,\"body\":{}}", 0},
        {"{\"errorCode\":-23,\"body\":{\"_errorDesc\":\"attachment_missing\"}}", -23},
        {"[]", 8},
        {"\"text\"", 8},
        {"{\"errorCode\":\"0\"}", 8},
        {"{\"errorCode\":1.5}", 8},
        {"{\"body\":{}}", 8},
        {"<html><body>Service unavailable</body></html>", 8},
        {"", 8},
        {"{\"errorCode\":0", 8},
    };
    CaptureServer server;
    Sync::CSync client(server.Url().c_str(), "win_client");
    for (const Row& row : rows) {
        CannedReply canned;
        canned.body = row.body;
        server.SetReply(canned);
        Json::Value reply;
        EXPECT_EQ(row.expected, client.SendRequest(DemoLogin(), reply, 1)) << row.body;
    }
    EXPECT_STREQ(L"", client.GetLastErrorDesc());
    server.SetReply(CannedReply{200, "application/json", rows[1].body});
    Json::Value reply;
    client.SendRequest(DemoLogin(), reply, 1);
    EXPECT_STREQ(L"attachment_missing", client.GetLastErrorDesc());
}

TEST(Transport, RequestGoesToTheBaseAddressWithTheSessionHeaderOnlyWithASession)
{
    CaptureServer server;
    Sync::CSync client(server.Url("/api/v1").c_str(), "win_client");
    Json::Value small;
    small["action"] = "notes:account";
    small["body"] = Json::Value();
    small["_client_software"] = "win_notes";
    Json::Value big = small;
    big["body"]["padding"] = std::string(2 * 1024 * 1024, 'x');   // large enough for "100-continue"

    struct Row {
        const char* session;
        const Json::Value* request;
    } rows[] = {{"", &small}, {"s3ss10n", &small}, {"s3ss10n", &big}};
    for (const Row& row : rows) {
        client.SetSessionId(row.session);
        Json::Value reply;
        ASSERT_EQ(0, client.SendRequest(*row.request, reply, 1));
        CapturedRequest seen = server.Requests().back();
        EXPECT_EQ("POST", seen.method);
        EXPECT_EQ("/api/v1", seen.target);
        EXPECT_NE(std::string::npos, seen.Header("accept-encoding").find("deflate"));
        EXPECT_EQ(*row.request, test::ParseJson(seen.body));
        EXPECT_EQ(std::string::npos, seen.body.find('\n'));   // compact text
        if (*row.session) {
            EXPECT_EQ(row.session, seen.Header("marrowgate-session-id"));
            EXPECT_FALSE(seen.Has("expect")) << "Expect: suppressed with the session header";
        } else {
            EXPECT_FALSE(seen.Has("marrowgate-session-id"));
            EXPECT_FALSE(seen.Has("expect"));
        }
    }
    // credentials without a digest end the session
    client.SetCredentials(L"me@example.com", nullptr, 0);
    EXPECT_STREQ("", client.GetSessionId());
    Json::Value reply;
    client.SendRequest(small, reply, 1);
    EXPECT_FALSE(server.Requests().back().Has("marrowgate-session-id"));
}

TEST(Transport, CredentialsKeepTheDigestAsLowercaseHexAndNameTheCurrentAccount)
{
    test::TestAccountStore store;
    CUserAccounts accounts(&store);
    Sync::CSync client("http://127.0.0.1:1/api", "win_client");
    client.SetAccountCache(&accounts);
    const BYTE digest[16] = {0x00, 0x01, 0x0a, 0x7f, 0x80, 0xab, 0xcd, 0xef, 0xff, 0x10, 0x20, 0x30, 0x40, 0x50, 0x9e, 0x5c};
    client.SetSessionId("kept");
    client.SetCredentials(L"Me@Example.com", digest, 16);
    EXPECT_STREQ("00010a7f80abcdefff10203040509e5c", client.GetPasswordText());
    EXPECT_STREQ("kept", client.GetSessionId());   // a new digest leaves the session alone
    EXPECT_STREQ(L"Me@Example.com", accounts.GetCurrentUserName());
    CString email;
    BYTE back[64] = {};
    int length = 0;
    client.GetCredentials(email, back, length);
    EXPECT_STREQ(L"Me@Example.com", email);
    EXPECT_EQ(16, length);
    EXPECT_EQ(0, memcmp(digest, back, 16));

    client.SetCredentials(L"", nullptr, 0);
    EXPECT_STREQ("", client.GetSessionId());
    EXPECT_TRUE(accounts.GetCurrentUserName().IsEmpty());
    client.GetCredentials(email, back, length);
    EXPECT_EQ(0, length);
}

// One kind of transfer, started against a server that does not answer for 10 s.
struct TransferRow {
    const char* name;
    std::function<int(Sync::CSync&, const std::string& url)> run;
    std::function<bool(int)> expected;
};

std::vector<TransferRow> TransferKinds()
{
    static std::string file = test::TempPath("sync_client_download.bin");
    static std::vector<char> data(256 * 1024, 'd');
    return {
        {"JSON request", [](Sync::CSync& c, const std::string&) { return c.SendRequestNoReply(DemoLogin(), 1); },
         [](int rc) { return rc == 4; }},
        {"GET", [](Sync::CSync& c, const std::string& url) { std::string r; return c.HttpGet(url.c_str(), r); },
         [](int rc) { return rc != 0; }},
        {"download to a file",
         [](Sync::CSync& c, const std::string& url) { return c.HttpDownload(url.c_str(), Wide(file).c_str()); },
         [](int rc) { return rc != 0 && !FileExists(file); }},
        {"download into an attachment",
         [](Sync::CSync& c, const std::string& url) {
             test::HashingSink sink;
             int rc = c.DownloadAttachement(url.c_str(), &sink);
             return sink.opened == 1 && sink.closed == 1 ? rc : 99;
         },
         [](int rc) { return rc == 4; }},
        {"upload from memory",
         [](Sync::CSync& c, const std::string&) {
             CString name;
             return c.UploadAttachement(L"a.bin", data.data(), data.size(), "application/octet-stream", name);
         },
         [](int rc) { return rc == -14; }},
    };
}

TEST(Transport, TheTerminateStateAbortsEveryKindOfTransfer)
{
    CaptureServer server;
    CannedReply slow;
    slow.delayMs = 10000;
    server.SetReply(slow);
    for (const TransferRow& row : TransferKinds()) {
        Sync::CSync client(server.Url().c_str(), "win_client");
        test::TestTransferEvents events;
        client.SetTransferEvents(&events);
        std::thread stopper([&] {
            Sleep(400);
            events.terminate = true;
        });
        auto start = Clock::now();
        int rc = row.run(client, server.Url("/file"));
        double took = SecondsSince(start);
        stopper.join();
        EXPECT_TRUE(row.expected(rc)) << row.name << ": " << rc;
        EXPECT_LT(took, 7.0) << row.name;   // the server would answer after 10 s
        EXPECT_GE(took, 0.3) << row.name;
    }
}

TEST(Transport, EachTransferDetectsItsOwnStall)
{
    // One transfer stalls after ten bytes while another on a second thread keeps receiving a
    // byte every 250 ms: the stall is still seen after about 3 s, and the slow one completes.
    CaptureServer server;
    server.SetResponder([](const CapturedRequest& r) {
        CannedReply reply;
        reply.contentType = "application/octet-stream";
        if (r.target == "/stall") {
            reply.body = std::string(1000, 's');
            reply.sendBytes = 10;
            reply.stallMs = 15000;
        } else {
            reply.body = std::string(28, 't');   // about 7 s: longer than the stall takes to be seen
            reply.trickleChunk = 1;
            reply.trickleMs = 250;
        }
        return reply;
    });
    Sync::CSync client(server.Url().c_str(), "win_client");
    int slowResult = -1;
    std::string slowBody;
    std::thread slow([&] { slowResult = client.HttpGet(server.Url("/trickle").c_str(), slowBody); });
    Sleep(300);
    test::HashingSink sink;
    auto start = Clock::now();
    int stalled = client.DownloadAttachement(server.Url("/stall").c_str(), &sink);
    double took = SecondsSince(start);
    slow.join();
    EXPECT_EQ(4, stalled);
    EXPECT_GT(took, 2.9);
    EXPECT_LT(took, 6.5);   // a detector shared with the trickling transfer would wait for its end
    EXPECT_EQ(0, slowResult);
    EXPECT_EQ(28u, slowBody.size());
}

TEST(Transport, NoAnswerAtAllEndsWithTheLowSpeedTimeout)
{
    CaptureServer server;
    CannedReply silent;
    silent.delayMs = 20000;
    server.SetReply(silent);
    Sync::CSync client(server.Url().c_str(), "win_client");
    Sync::CSync::Timeouts t;
    t.lowSpeedSeconds = 2;
    client.SetTimeouts(t);
    auto start = Clock::now();
    EXPECT_EQ(5, client.SendRequestNoReply(DemoLogin(), 1));   // timed out: unreachable
    // libcurl averages the speed over its last five seconds, so the sent request counts for a while
    EXPECT_LT(SecondsSince(start), 15.0);
}

TEST(Transport, DownloadsNeedA2xxStatusAndTheWholeBody)
{
    const std::string file = test::TempPath("sync_client_installer.exe");
    const std::wstring wfile = Wide(file);
    std::string payload(5000, '\0');
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = (char)(i * 7 + 3);
    struct Row {
        const char* name;
        int status;
        size_t sendBytes;
        int kind;                 // 0 GET, 1 to a file, 2 into an attachment
        long long expectedSize;   // for attachments
        bool ok;
    } rows[] = {
        {"GET 200", 200, (size_t)-1, 0, -1, true},
        {"GET 404", 404, (size_t)-1, 0, -1, false},
        {"GET 302", 302, (size_t)-1, 0, -1, false},
        {"file 200", 200, (size_t)-1, 1, -1, true},
        {"file 500 error page", 500, (size_t)-1, 1, -1, false},
        {"file cut short", 200, 100, 1, -1, false},
        {"attachment 200", 200, (size_t)-1, 2, -1, true},
        {"attachment 200 with its announced size", 200, (size_t)-1, 2, 5000, true},
        {"attachment 200, not the announced size", 200, (size_t)-1, 2, 4999, false},
        {"attachment 404", 404, (size_t)-1, 2, -1, false},
        {"attachment cut short", 200, 100, 2, -1, false},
    };
    CaptureServer server;
    Sync::CSync client(server.Url().c_str(), "win_client");
    for (const Row& row : rows) {
        CannedReply reply;
        reply.status = row.status;
        reply.contentType = "application/octet-stream";
        reply.body = payload;
        reply.sendBytes = row.sendBytes;
        server.SetReply(reply);
        DeleteFileA(file.c_str());
        if (row.kind == 0) {
            std::string got;
            int rc = client.HttpGet(server.Url("/repo/win-notes/?v=0").c_str(), got);
            EXPECT_EQ(row.ok, rc == 0) << row.name;
            EXPECT_EQ(row.ok ? payload : std::string(), got) << row.name;
        } else if (row.kind == 1) {
            int rc = client.HttpDownload(server.Url("/download/setup.exe").c_str(), wfile.c_str());
            EXPECT_EQ(row.ok, rc == 0) << row.name;
            EXPECT_EQ(row.ok, FileExists(file)) << row.name << ": a failed download leaves no file";
            if (row.ok) {
                FILE* f = fopen(file.c_str(), "rb");
                std::string back(6000, '\0');
                back.resize(fread(&back[0], 1, back.size(), f));
                fclose(f);
                EXPECT_EQ(payload, back);
            }
        } else {
            test::HashingSink sink;
            int rc = client.DownloadAttachement(server.Url("/files/x").c_str(), &sink, row.expectedSize);
            EXPECT_EQ(row.ok ? 0 : 4, rc) << row.name;
            EXPECT_EQ(1, sink.opened);
            EXPECT_EQ(1, sink.closed);
            if (row.ok) {
                EXPECT_EQ(payload, sink.bytes) << row.name;
            }
        }
    }
    std::wstring missing = Wide(test::TempPath("no-such-folder\\setup.exe"));
    EXPECT_EQ(-1, client.HttpDownload(server.Url("/download/setup.exe").c_str(), missing.c_str()));
    DeleteFileA(file.c_str());
}

// A record with the store's stream operations.
struct StreamRecord {
    int opens = 0, closes = 0;
    std::string data;
    int limit = 1 << 30;   // bytes it takes before it fails
    int OpenStream(int mode) { return ++opens, mode == 1; }
    int WriteData(const void* bytes, int count)
    {
        int take = std::min(count, limit - (int)data.size());
        data.append(static_cast<const char*>(bytes), (size_t)take);
        return take;
    }
    void CloseStream() { ++closes; }
};

TEST(Transport, AttachmentDownloadWritesIntoAStoreRecord)
{
    CaptureServer server;
    CannedReply reply;
    reply.contentType = "image/png";
    reply.body = std::string(300000, 'p');
    server.SetReply(reply);
    Sync::CSync client(server.Url().c_str(), "win_client");
    StreamRecord record;
    Sync::CAttachSinkOf<StreamRecord> sink(record);
    EXPECT_EQ(0, client.DownloadAttachement(server.Url("/files/t").c_str(), &sink, 300000));
    EXPECT_EQ(reply.body, record.data);
    EXPECT_EQ(1, record.opens);
    EXPECT_EQ(1, record.closes);

    StreamRecord full;
    full.limit = 1000;   // a record that cannot take it all: the download fails, the stream is closed
    Sync::CAttachSinkOf<StreamRecord> fullSink(full);
    EXPECT_EQ(4, client.DownloadAttachement(server.Url("/files/t").c_str(), &fullSink));
    EXPECT_EQ(1, full.closes);
}

TEST(Transport, TheInstallerDownloadTicksAtMostOnceASecond)
{
    CaptureServer server;
    CannedReply reply;
    reply.contentType = "application/octet-stream";
    reply.body = std::string(60, 'i');
    reply.trickleChunk = 2;
    reply.trickleMs = 100;   // about 3 s in all
    server.SetReply(reply);
    Sync::CSync client(server.Url().c_str(), "win_client");
    test::TestTransferEvents events;
    client.SetTransferEvents(&events);
    std::string file = test::TempPath("sync_client_ticks.exe");
    auto start = Clock::now();
    ASSERT_EQ(0, client.HttpDownload(server.Url("/download/a.exe").c_str(), Wide(file).c_str()));
    double took = SecondsSince(start);
    EXPECT_GE(events.downloadTicks.load(), 2);
    EXPECT_LE(events.downloadTicks.load(), (int)took + 2);   // one per second (and the first at once)
    DeleteFileA(file.c_str());
}

TEST(Transport, PlainHttpOnlyToLoopback)
{
    struct Row {
        const char* url;
        bool allowed;
    } rows[] = {
        {"https://notes.example.com/api", true},
        {"https://203.0.113.5:8443/", true},
        {"http://127.0.0.1:8080/api", true},
        {"http://127.1.2.3/", true},
        {"http://localhost:99/x", true},
        {"http://LOCALHOST/", true},
        {"http://[::1]:8080/", true},
        {"http://notes.example.com/api", false},
        {"http://127.0.0.1.example.com/", false},
        {"http://user@127.0.0.1:80@evil.example/", false},
        {"http://128.0.0.1/", false},
        {"http://[::2]/", false},
        {"ftp://127.0.0.1/", false},
        {"file:///C:/windows/win.ini", false},
        {"https://", false},
        {"", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.allowed, Sync::IsAllowedUrl(row.url)) << row.url;

    Sync::CSync client("http://192.0.2.1/api", "win_client");   // would need a connection
    auto start = Clock::now();
    EXPECT_EQ(4, client.SendRequestNoReply(DemoLogin(), 1));
    std::string reply;
    EXPECT_NE(0, client.HttpGet("http://192.0.2.1/repo/win-notes/?v=0", reply));
    EXPECT_LT(SecondsSince(start), 1.0) << "refused before any connection";
}

TEST(Transport, ConnectionCheckCanBeTurnedOff)
{
    Sync::CSync client("http://127.0.0.1:1/api", "win_client");
    Sync::CConnectionOptions o;
    o.dontDetectInternetConnection = 1;
    client.SetConnectionOptions(o);
    EXPECT_TRUE(client.CheckConnection("http://127.0.0.1:1/api"));
}

TEST(Transport, ProxyOptionsApplyOnlyWhenAProxyTypeIsChosen)
{
    // The capture server is both the service and the proxy: a proxied request names the
    // whole URL in its request line.
    CaptureServer server;
    const std::string base = server.Url("/api");
    struct Row {
        const char* name;
        int type, useAuth, useNTLM;
        bool proxied;
        const char* authPrefix;   // of Proxy-Authorization, "" = none
    } rows[] = {
        {"no proxy, although a name is stored", 0, 1, 1, false, ""},
        {"proxy", 1, 0, 0, true, ""},
        {"proxy with basic authentication", 2, 1, 0, true, "Basic "},
        {"NTLM alone is not authentication", 1, 0, 1, true, ""},
        {"proxy with NTLM authentication", 1, 1, 1, true, "NTLM "},
    };
    for (const Row& row : rows) {
        Sync::CSync client(base.c_str(), "win_client");
        Sync::CConnectionOptions o;
        o.proxyType = row.type;
        o.proxyName = L"127.0.0.1";
        o.proxyPort = server.Port();
        o.proxyUseAuth = row.useAuth;
        o.proxyUserName = L"proxyuser";
        o.proxyUserPass = L"proxypass";
        o.proxyUseNTLM = row.useNTLM;
        client.SetConnectionOptions(o);
        size_t before = server.Requests().size();
        int rc = client.SendRequestNoReply(DemoLogin(), 1);
        std::vector<CapturedRequest> seen = server.Requests();
        if (std::string(row.authPrefix) == "NTLM " && seen.size() == before) {
            // Wine's NTLM needs Samba's helper; without it the handshake cannot start, and
            // nothing (above all no password in clear) is sent
            EXPECT_NE(0, rc) << row.name;
            continue;
        }
        ASSERT_GT(seen.size(), before) << row.name;
        const CapturedRequest& first = seen[before];
        EXPECT_EQ(row.proxied ? base : std::string("/api"), first.target) << row.name;
        std::string auth = first.Header("proxy-authorization");
        if (*row.authPrefix) {
            EXPECT_EQ(0u, auth.find(row.authPrefix)) << row.name << ": " << auth;
        } else {
            EXPECT_EQ("", auth) << row.name;
        }
        if (std::string(row.authPrefix) == "Basic ") {
            EXPECT_EQ("Basic cHJveHl1c2VyOnByb3h5cGFzcw==", auth);   // proxyuser:proxypass
        }
    }
}

}  // namespace
