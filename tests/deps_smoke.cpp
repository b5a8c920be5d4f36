// Each third-party library is linked and called once under Wine.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <json/json.h>
#include <sqlite3.h>
#include <tinyxml.h>
#include <tomcrypt.h>
#include <zlib.h>

#include <string>
#include <thread>

TEST(Deps, SqliteInMemoryRoundTrip)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "INSERT INTO t(name) VALUES(?)", -1, &st, nullptr), SQLITE_OK);
    sqlite3_bind_text(st, 1, "\xD0\x9F\xD1\x80\xD0\xB8 'q'", -1, SQLITE_TRANSIENT);
    ASSERT_EQ(sqlite3_step(st), SQLITE_DONE);
    sqlite3_finalize(st);
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT name FROM t WHERE id = ?", -1, &st, nullptr), SQLITE_OK);
    sqlite3_bind_int64(st, 1, sqlite3_last_insert_rowid(db));
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ((const char*)sqlite3_column_text(st, 0), "\xD0\x9F\xD1\x80\xD0\xB8 'q'");
    sqlite3_finalize(st);
    sqlite3_close(db);
}

TEST(Deps, JsonCppParseAndWrite)
{
    Json::Value v;
    Json::CharReaderBuilder rb;
    std::string err;
    std::string text = R"({"errorCode":0,"body":{"items":[1,"two",true]}})";
    std::unique_ptr<Json::CharReader> r(rb.newCharReader());
    ASSERT_TRUE(r->parse(text.data(), text.data() + text.size(), &v, &err)) << err;
    EXPECT_EQ(v["errorCode"].asInt(), 0);
    EXPECT_EQ(v["body"]["items"][1].asString(), "two");
    Json::StreamWriterBuilder wb;
    wb["indentation"] = "";
    EXPECT_EQ(Json::writeString(wb, v["body"]), R"({"items":[1,"two",true]})");
}

TEST(Deps, TinyXmlParse)
{
    TiXmlDocument doc;
    doc.Parse("<?xml version=\"1.0\" encoding=\"UTF-8\"?><langs><s id=\"7\">Hello</s></langs>", nullptr,
              TIXML_ENCODING_UTF8);
    ASSERT_FALSE(doc.Error()) << doc.ErrorDesc();
    TiXmlElement* s = doc.RootElement()->FirstChildElement("s");
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s->Attribute("id"), "7");
    EXPECT_STREQ(s->GetText(), "Hello");
}

TEST(Deps, TomcryptMd5Rfc1321)
{
    struct { const char* in; const char* hex; } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (auto& c : cases) {
        hash_state md;
        unsigned char out[16];
        md5_init(&md);
        md5_process(&md, (const unsigned char*)c.in, (unsigned long)strlen(c.in));
        md5_done(&md, out);
        char hex[33];
        for (int i = 0; i < 16; ++i)
            sprintf(hex + 2 * i, "%02x", out[i]);
        EXPECT_STREQ(hex, c.hex) << "input \"" << c.in << "\"";
    }
}

TEST(Deps, ZlibInflate)
{
    std::string text(10000, 'x');
    for (size_t i = 0; i < text.size(); i += 7)
        text[i] = char('a' + i % 26);
    uLongf clen = compressBound((uLong)text.size());
    std::string packed(clen, '\0');
    ASSERT_EQ(compress2((Bytef*)&packed[0], &clen, (const Bytef*)text.data(), (uLong)text.size(), 9), Z_OK);
    std::string out(text.size(), '\0');
    uLongf olen = (uLongf)out.size();
    ASSERT_EQ(uncompress((Bytef*)&out[0], &olen, (const Bytef*)packed.data(), clen), Z_OK);
    EXPECT_EQ(olen, text.size());
    EXPECT_EQ(out, text);
}

// A one-shot HTTP server on a loopback port of the system's choice.
static void ServeOnce(SOCKET ls, const std::string& body)
{
    SOCKET c = accept(ls, nullptr, nullptr);
    if (c == INVALID_SOCKET)
        return;
    std::string req;
    char buf[1024];
    while (req.find("\r\n\r\n") == std::string::npos) {
        int n = recv(c, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        req.append(buf, n);
    }
    std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
                        "\r\nConnection: close\r\n\r\n" + body;
    send(c, reply.data(), (int)reply.size(), 0);
    shutdown(c, SD_SEND);
    closesocket(c);
}

static size_t Collect(char* p, size_t size, size_t n, void* user)
{
    static_cast<std::string*>(user)->append(p, size * n);
    return size * n;
}

TEST(Deps, CurlGetFromLoopback)
{
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    SOCKET ls = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(ls, (sockaddr*)&a, sizeof a), 0);
    ASSERT_EQ(listen(ls, 1), 0);
    int len = sizeof a;
    getsockname(ls, (sockaddr*)&a, &len);
    std::thread server(ServeOnce, ls, std::string("hello from loopback"));

    ASSERT_EQ(curl_global_init(CURL_GLOBAL_ALL), CURLE_OK);
    CURL* curl = curl_easy_init();
    std::string url = "http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/x";
    std::string got;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &got);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 20L);
    EXPECT_EQ(curl_easy_perform(curl), CURLE_OK);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(got, "hello from loopback");
    curl_easy_cleanup(curl);
    curl_global_cleanup();
    server.join();
    closesocket(ls);
    WSACleanup();
}
