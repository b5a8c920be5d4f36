// The local HTTP server over a real socket on 127.0.0.1: requests and the replies they get.
#include "store_fixture.h"
#include "BinRes.h"
#include "LocalHttpServer.h"
#include <iphlpapi.h>
#include <ws2tcpip.h>

using namespace StoreTest;

namespace {

const char kCommon[] =
    "Host: 127.0.0.1\nConnection: close\nExpires: Mon, 18 Oct 1980 14:15:00 GMT\n"
    "Cache-Control: no-store, no-cache\nPragma: no-cache\n";

SOCKET Connect(int port)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons((u_short)port);
    DWORD timeout = 5000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, (const char*)&timeout, sizeof timeout);
    if (connect(s, (sockaddr*)&addr, sizeof addr) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

std::string ReadAll(SOCKET s)
{
    std::string out;
    char buf[8192];
    int n;
    while ((n = recv(s, buf, sizeof buf, 0)) > 0)
        out.append(buf, n);
    return out;
}

std::string Ask(int port, const std::string& request)
{
    SOCKET s = Connect(port);
    if (s == INVALID_SOCKET)
        return "<no connection>";
    send(s, request.data(), (int)request.size(), 0);
    std::string reply = ReadAll(s);
    closesocket(s);
    return reply;
}

std::string Resource(UINT id)
{
    BYTE* bytes = nullptr;
    DWORD size = 0;
    Utils::BinRes::ExtractBinResource(L"DBITEMS", id, bytes, size);
    std::string out((const char*)bytes, size);
    delete[] bytes;
    return out;
}

} // namespace

class StoreHttpServer : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 2), &wsa);
        Utils::BinRes::SetServerPort(0);
        ASSERT_EQ(db.StartNetService(), 1);
        for (int i = 0; i < 500 && !Utils::BinRes::GetServerPort(); ++i)
            Sleep(10);
        port = Utils::BinRes::GetServerPort();
        ASSERT_NE(port, 0);
    }
    void TearDown() override
    {
        EXPECT_EQ(db.StopNetService(), 1);
        WSACleanup();
        StoreFixture::TearDown();
    }
    void Store(const wchar_t* id, const wchar_t* mime, const std::string& bytes, int flags = 0)
    {
        DB::CItemAttach a;
        a.attach_id = id;
        a.note_id = L"n1";
        a.mime = mime;
        a.flags = flags;
        ASSERT_EQ(db.CreateAttach(&a), 1);
        a.RelocateBuffer((int)bytes.size());
        memcpy(a.data, bytes.data(), bytes.size());
        ASSERT_TRUE(db.UpdateAttachContent(&a));
    }
    int port = 0;
};

TEST_F(StoreHttpServer, RequestsAndReplies)
{
    Store(L"img'1", L"image/gif", std::string("GIF89a\0\x01", 8));
    Store(L"hidden", L"image/png", "secret", DB::AttachFlagNoServe);
    Store(L"evil", L"text/plain\r\nSet-Cookie: x", "body");
    ASSERT_TRUE(Exec(Raw(), "DELETE FROM attaches WHERE attach_id='logo.png'"));   // served from the program

    const std::string ok = "HTTP/1.1 200 OK\n";
    struct Case { std::string request; std::string reply; } cases[] = {
        {"GET /attach/logo.png HTTP/1.1\r\n\r\n", ok + kCommon + "Content-Type: \n\n" + Resource(183)},
        {"GET /attach/style.css?v=7 HTTP/1.1\r\n\r\n", ok + kCommon + "Content-Type: text/css\n\n" + Resource(178)},
        {"GET /attach/index.htm#top HTTP/1.1\r\n\r\n", ok + kCommon + "Content-Type: text/html\n\n" + Resource(213)},
        {"GET /attach/img'1 HTTP/1.1\r\n\r\n", ok + kCommon + "Content-Type: image/gif\n\n" + std::string("GIF89a\0\x01", 8)},
        {"GET /attach/hidden HTTP/1.1\r\n\r\n", ok + kCommon + "Content-Type: image/png\n\n"},
        {"GET /attach/evil HTTP/1.1\r\n\r\n", ok + kCommon + "Content-Type: text/plainSet-Cookie: x\n\nbody"},
        {"GET /note/o1700000000x0001 HTTP/1.1\r\n\r\n", ok + kCommon + "Content-Type: text/html; charset=UTF-8\n\n"},
        {"GET /attach/nothing-here HTTP/1.1\r\n\r\n", std::string("HTTP/1.1 404 Not Found\n") + kCommon + "\n"},
        {"GET /attach/x' OR '1'='1 HTTP/1.1\r\n\r\n", std::string("HTTP/1.1 404 Not Found\n") + kCommon + "\n"},
        {"POST /attach/logo.png HTTP/1.1\r\n\r\n", std::string("HTTP/1.1 403 ERROR\n") + kCommon},
        {"GET /elsewhere HTTP/1.1\r\n\r\n", std::string("HTTP/1.1 403 ERROR\n") + kCommon},
        {"GE", std::string("HTTP/1.1 403 ERROR\n") + kCommon},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Ask(port, c.request), c.reply) << c.request;
}

TEST_F(StoreHttpServer, FileKeptAttachmentsAreStreamedFromTheirFile)
{
    DB::CItemAttach a;
    a.attach_id = L"bigfile";
    a.note_id = L"n1";
    a.filename = L"movie.bin";
    a.mime = L"video/mp4";
    a.flags = DB::AttachFlagFileStorage;
    ASSERT_EQ(a.OpenStream(1), 1);
    std::string bytes(200000, 'v');
    ASSERT_EQ(a.WriteData(bytes.data(), (int)bytes.size()), (int)bytes.size());
    a.CloseStream();
    ASSERT_EQ(db.CreateAttach(&a), 1);
    ASSERT_TRUE(db.UpdateAttachContent(&a));
    std::string reply = Ask(port, "GET /attach/bigfile HTTP/1.1\r\n\r\n");
    EXPECT_EQ(reply, std::string("HTTP/1.1 200 OK\n") + kCommon + "Content-Type: video/mp4\n\n" + bytes);
}

TEST_F(StoreHttpServer, ListensOnLoopbackOnlyAndServesOneClientAtATime)
{
    // the listening socket's address, as the system reports it
    ULONG size = 0;
    GetTcpTable(nullptr, &size, FALSE);
    std::vector<char> buf(size + 4096);
    size = (ULONG)buf.size();
    ASSERT_EQ(GetTcpTable((PMIB_TCPTABLE)buf.data(), &size, FALSE), (DWORD)NO_ERROR);
    auto* table = (PMIB_TCPTABLE)buf.data();
    bool found = false;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_TCPROW& row = table->table[i];
        if (row.dwState == MIB_TCP_STATE_LISTEN && ntohs((u_short)row.dwLocalPort) == port) {
            found = true;
            EXPECT_EQ(row.dwLocalAddr, htonl(INADDR_LOOPBACK));
        }
    }
    EXPECT_TRUE(found);

    // a first client that has not sent yet holds the server; the second waits for it
    SOCKET first = Connect(port);
    ASSERT_NE(first, INVALID_SOCKET);
    Sleep(100);
    SOCKET second = Connect(port);
    ASSERT_NE(second, INVALID_SOCKET);
    const char req[] = "GET /note/x HTTP/1.1\r\n\r\n";
    send(second, req, sizeof req - 1, 0);
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(second, &ready);
    timeval wait = {0, 300000};
    EXPECT_EQ(select(0, &ready, nullptr, nullptr, &wait), 0);
    send(first, req, sizeof req - 1, 0);
    EXPECT_EQ(ReadAll(first).substr(0, 16), "HTTP/1.1 200 OK\n");
    EXPECT_EQ(ReadAll(second).substr(0, 16), "HTTP/1.1 200 OK\n");
    closesocket(first);
    closesocket(second);
}

TEST_F(StoreHttpServer, StopClosesTheSocketAndEndsTheThread)
{
    HANDLE thread = db.net_service_thread;
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(db.StopNetService(), 1);
    EXPECT_EQ(db.net_service_thread, nullptr);
    EXPECT_EQ(Connect(port), INVALID_SOCKET);
    EXPECT_EQ(db.StopNetService(), 0);
    // started again for TearDown
    Utils::BinRes::SetServerPort(0);
    ASSERT_EQ(db.StartNetService(), 1);
}
