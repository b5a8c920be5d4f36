#include "client_support.h"
#include "Md5.h"
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>
#include <cstdlib>
#include <mutex>

namespace test {

std::string ServiceUrl()
{
    const char* url = getenv("PELORA_SERVICE_URL");
    return url ? url : "";
}

static size_t Collect(char* data, size_t size, size_t count, void* user)
{
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

Json::Value ParseJson(const std::string& text)
{
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value out;
    std::string errors;
    if (!reader->parse(text.data(), text.data() + text.size(), &out, &errors))
        return Json::Value();
    return out;
}

Json::Value Control(const std::string& base, const Json::Value& op)
{
    std::string url = base;
    size_t scheme = url.find("://");
    size_t path = url.find('/', scheme + 3);
    if (path != std::string::npos)
        url.erase(path);
    url += "/_control";
    Json::StreamWriterBuilder writer;
    std::string body = Json::writeString(writer, op);
    std::string reply;
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);   // the tests' own control channel
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    CURLcode rc = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    EXPECT_EQ(CURLE_OK, rc) << "control call to " << url;
    Json::Value result = ParseJson(reply);
    EXPECT_TRUE(result.isObject() && result["ok"].asBool()) << reply;
    return result;
}

Json::Value Control(const Json::Value& op)
{
    return Control(ServiceUrl(), op);
}

void ResetService(bool seed)
{
    Json::Value op;
    op["op"] = "reset";
    op["seed"] = seed;
    Control(op);
}

void ClearFaults()
{
    Json::Value op;
    op["op"] = "clear_faults";
    Control(op);
}

std::vector<BYTE> PasswordDigest(const char* password)
{
    static const char kSalt[] = "(q7w2e9rtz)54abKLmnop8yuD~8421ghj]{[}xvb}[907T";
    std::string text = std::string(kSalt) + password;
    CMD5 md5;
    md5.Init();
    md5.Update(text.data(), text.size());
    std::vector<BYTE> digest(16);
    md5.Final(digest.data());
    return digest;
}

std::string TempPath(const char* name)
{
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

// ---- capture server ----

namespace {
struct WinsockInit {
    WinsockInit()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
} g_winsock;

bool SendAll(SOCKET s, const char* data, size_t length)
{
    while (length) {
        int sent = send(s, data, (int)std::min<size_t>(length, 1 << 20), 0);
        if (sent <= 0)
            return false;
        data += sent;
        length -= (size_t)sent;
    }
    return true;
}
}  // namespace

CaptureServer::CaptureServer()
{
    m_lock = new std::mutex();
    m_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    bind(s, (sockaddr*)&addr, sizeof addr);
    listen(s, 16);
    int length = sizeof addr;
    getsockname(s, (sockaddr*)&addr, &length);
    m_port = ntohs(addr.sin_port);
    m_listen = (uintptr_t)s;
    m_acceptThread = std::thread([this] { AcceptLoop(); });
}

CaptureServer::~CaptureServer()
{
    m_stop = true;
    SetEvent((HANDLE)m_stopEvent);
    closesocket((SOCKET)m_listen);
    m_acceptThread.join();
    for (std::thread& t : m_workers)
        t.join();
    CloseHandle((HANDLE)m_stopEvent);
    delete static_cast<std::mutex*>(m_lock);
}

void CaptureServer::SetResponder(Responder responder)
{
    std::lock_guard<std::mutex> guard(*static_cast<std::mutex*>(m_lock));
    m_responder = std::move(responder);
}

void CaptureServer::SetReply(const CannedReply& reply)
{
    SetResponder([reply](const CapturedRequest&) { return reply; });
}

std::vector<CapturedRequest> CaptureServer::Requests()
{
    std::lock_guard<std::mutex> guard(*static_cast<std::mutex*>(m_lock));
    return m_requests;
}

std::string CaptureServer::Url(const char* path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

bool CaptureServer::Wait(int ms)
{
    return WaitForSingleObject((HANDLE)m_stopEvent, (DWORD)ms) == WAIT_TIMEOUT;
}

void CaptureServer::AcceptLoop()
{
    for (;;) {
        SOCKET c = accept((SOCKET)m_listen, nullptr, nullptr);
        if (c == INVALID_SOCKET || m_stop)
            break;
        m_workers.emplace_back([this, c] { Serve((uintptr_t)c); });
    }
}

void CaptureServer::Serve(uintptr_t socketValue)
{
    SOCKET s = (SOCKET)socketValue;
    std::string data;
    char chunk[65536];
    size_t headEnd;
    while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
        int got = recv(s, chunk, sizeof chunk, 0);
        if (got <= 0) {
            closesocket(s);
            return;
        }
        data.append(chunk, (size_t)got);
    }
    CapturedRequest request;
    std::string head = data.substr(0, headEnd);
    data.erase(0, headEnd + 4);
    size_t lineEnd = head.find("\r\n");
    std::string first = head.substr(0, lineEnd);
    size_t sp1 = first.find(' '), sp2 = first.rfind(' ');
    request.method = first.substr(0, sp1);
    request.target = first.substr(sp1 + 1, sp2 - sp1 - 1);
    size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
    while (pos < head.size()) {
        size_t end = head.find("\r\n", pos);
        if (end == std::string::npos)
            end = head.size();
        std::string line = head.substr(pos, end - pos);
        size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::string name = line.substr(0, colon);
            for (char& ch : name)
                ch = (char)tolower((unsigned char)ch);
            std::string value = line.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            request.headers[name] = value;
        }
        pos = end + 2;
    }
    if (request.Header("expect") == "100-continue")
        SendAll(s, "HTTP/1.1 100 Continue\r\n\r\n", 25);
    size_t length = (size_t)atoll(request.Header("content-length").c_str());
    while (data.size() < length) {
        int got = recv(s, chunk, sizeof chunk, 0);
        if (got <= 0)
            break;
        data.append(chunk, (size_t)got);
    }
    request.body = data.substr(0, length);
    Responder responder;
    {
        std::lock_guard<std::mutex> guard(*static_cast<std::mutex*>(m_lock));
        m_requests.push_back(request);
        responder = m_responder;
    }
    CannedReply reply = responder ? responder(request) : CannedReply();
    if (reply.drop || (reply.delayMs && !Wait(reply.delayMs))) {
        closesocket(s);
        return;
    }
    long long announced = reply.announcedLength >= 0 ? reply.announcedLength : (long long)reply.body.size();
    std::string headers = "HTTP/1.1 " + std::to_string(reply.status) + " Status\r\nContent-Type: " + reply.contentType +
                          "\r\nContent-Length: " + std::to_string(announced) + "\r\nConnection: close\r\n\r\n";
    SendAll(s, headers.data(), headers.size());
    size_t total = std::min(reply.sendBytes, reply.body.size());
    if (reply.trickleChunk) {
        for (size_t at = 0; at < total; at += reply.trickleChunk) {
            if (!SendAll(s, reply.body.data() + at, std::min(reply.trickleChunk, total - at)) || !Wait(reply.trickleMs))
                break;
        }
    } else {
        SendAll(s, reply.body.data(), total);
    }
    if (reply.stallMs)
        Wait(reply.stallMs);
    shutdown(s, SD_BOTH);
    closesocket(s);
}

// ---- sinks and stores ----

unsigned long long Fnv1a(const void* data, size_t length, unsigned long long hash)
{
    const BYTE* p = static_cast<const BYTE*>(data);
    for (size_t i = 0; i < length; ++i) {
        hash ^= p[i];
        hash *= 1099511628211ULL;
    }
    return hash;
}

bool HashingSink::OpenStream(int mode)
{
    EXPECT_EQ(1, mode);
    ++opened;
    size = 0;
    hash = 1469598103934665603ULL;
    bytes.clear();
    return true;
}

bool HashingSink::WriteData(const void* data, size_t length)
{
    EXPECT_EQ(1, opened);
    EXPECT_EQ(0, closed);
    size += length;
    hash = Fnv1a(data, length, hash);
    if (keepBytes)
        bytes.append(static_cast<const char*>(data), length);
    return true;
}

static CString UniqueTestKey()
{
    CString key;
    key.Format(L"Software\\PeloraTests\\sync_client_%lu_%lu\\Users", GetCurrentProcessId(), GetTickCount());
    return key;
}

TestAccountStore::TestAccountStore() : CRegistryUserAccountStore(UniqueTestKey()) {}

TestAccountStore::~TestAccountStore()
{
    CString parent = KeyPath().Left(KeyPath().GetLength() - 6);   // without "\Users"
    RegDeleteTreeW(HKEY_CURRENT_USER, parent);
}

void TestAccountStore::WriteRaw(const wchar_t* name, const std::vector<BYTE>& bytes, DWORD type)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    RegSetValueExW(key, name, 0, type, bytes.data(), (DWORD)bytes.size());
    RegCloseKey(key);
}

std::vector<BYTE> TestAccountStore::ReadRaw(const wchar_t* name)
{
    std::vector<BYTE> out(4096);
    DWORD size = (DWORD)out.size();
    if (RegGetValueW(HKEY_CURRENT_USER, KeyPath(), name, RRF_RT_REG_BINARY, nullptr, out.data(), &size) != ERROR_SUCCESS)
        return {};
    out.resize(size);
    return out;
}

}  // namespace test
