// Shared pieces of the client tests: the stand-in's address and control calls, a small
// scriptable HTTP server of our own (to see exact requests and to misbehave in ways the
// stand-in does not), and test implementations of the client's callbacks.
#pragma once
#include "SyncClient.h"
#include "UserAccounts.h"
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace test {

// The plain stand-in's address (PELORA_SERVICE_URL, set by with_noteservice.sh).
std::string ServiceUrl();
// POST /_control with a JSON object; the parsed reply ({"ok": ...}).
Json::Value Control(const std::string& base, const Json::Value& op);
Json::Value Control(const Json::Value& op);
void ResetService(bool seed = true);
void ClearFaults();
// The digest the login dialog makes: MD5 of the fixed salt and the UTF-8 password.
std::vector<BYTE> PasswordDigest(const char* password);
// Parses JSON text; a null value when it is not JSON.
Json::Value ParseJson(const std::string& text);
std::string TempPath(const char* name);

// One request as the capture server read it.
struct CapturedRequest {
    std::string method;
    std::string target;                         // as sent: "/path" or an absolute URI (proxy)
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
    bool Has(const char* header) const { return headers.count(header) != 0; }
    std::string Header(const char* name) const
    {
        auto it = headers.find(name);
        return it == headers.end() ? std::string() : it->second;
    }
};

struct CannedReply {
    int status = 200;
    std::string contentType = "application/json";
    std::string body = "{\"errorCode\":0,\"body\":{}}";
    long long announcedLength = -1;   // Content-Length when not the body's size
    int delayMs = 0;                  // before the headers
    size_t sendBytes = (size_t)-1;    // send only this much of the body ...
    int stallMs = 0;                  // ... then wait this long and close
    size_t trickleChunk = 0;          // send the body in chunks of this size ...
    int trickleMs = 0;                // ... this far apart
    bool drop = false;                // close without an answer
};

// A loopback HTTP/1.1 server on its own thread, one thread per connection; every connection
// is answered once and closed. Waits end early when the server stops.
class CaptureServer {
public:
    using Responder = std::function<CannedReply(const CapturedRequest&)>;
    CaptureServer();
    ~CaptureServer();
    void SetResponder(Responder responder);
    void SetReply(const CannedReply& reply);
    std::vector<CapturedRequest> Requests();
    int Port() const { return m_port; }
    std::string Url(const char* path = "/api") const;

private:
    void AcceptLoop();
    void Serve(uintptr_t socket);
    bool Wait(int ms);   // false when the server stops first

    uintptr_t m_listen = ~(uintptr_t)0;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    void* m_stopEvent = nullptr;
    std::thread m_acceptThread;
    std::vector<std::thread> m_workers;
    void* m_lock = nullptr;
    Responder m_responder;
    std::vector<CapturedRequest> m_requests;
};

// Records what the client reports; IsTerminating answers the flag.
class TestTransferEvents : public Sync::ITransferEvents {
public:
    std::atomic<bool> terminate{false};
    std::atomic<int> uploadReports{0};
    std::atomic<int> downloadTicks{0};
    double lastPercent = -1;
    bool IsTerminating() override { return terminate.load(); }
    void ReportUploadProgress(double percent) override
    {
        ++uploadReports;
        lastPercent = percent;
    }
    void OnUpdateDownloadTick() override { ++downloadTicks; }
};

// An attachment sink that keeps a size and a digest of what it was given (and the bytes
// themselves when they are small).
class HashingSink : public Sync::IAttachSink {
public:
    int opened = 0, closed = 0;
    unsigned long long size = 0;
    unsigned long long hash = 1469598103934665603ULL;   // FNV-1a
    std::string bytes;
    bool keepBytes = true;
    bool OpenStream(int mode) override;
    bool WriteData(const void* data, size_t length) override;
    void CloseStream() override { ++closed; }
};
unsigned long long Fnv1a(const void* data, size_t length, unsigned long long hash = 1469598103934665603ULL);

// Records under a registry key of the tests' own, removed again by the destructor.
class TestAccountStore : public CRegistryUserAccountStore {
public:
    TestAccountStore();
    ~TestAccountStore() override;
    void WriteRaw(const wchar_t* name, const std::vector<BYTE>& bytes, DWORD type = REG_BINARY);
    std::vector<BYTE> ReadRaw(const wchar_t* name);
};

}  // namespace test
