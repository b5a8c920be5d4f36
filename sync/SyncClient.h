// Sync::CSync, the one client through which the program talks to the note service: JSON
// actions POSTed to the service's base address, plain GETs, downloads to a file or into an
// attachment, and multipart file uploads, all over libcurl.
#pragma once
#include "Framework.h"
#include "ServerObjects.h"
#include <json/json.h>
#include <mutex>
#include <string>
#include <vector>

class CUserAccounts;
typedef void CURL;

namespace Sync {

namespace detail {
struct Transfer;
}

// The service's base address: PELORA_SERVICE_URL when it is set and not empty (the run
// command and the tests point the client at the local stand-in that way), else the
// built-in address.
CStringA GetDefaultServiceUrl();
extern const char* const kBuiltInServiceUrl;

// https:// to any host; plain http:// only to a loopback address (127.x.x.x, [::1],
// localhost). Every transfer checks its URL with this first.
bool IsAllowedUrl(const char* url);

// Result codes of the JSON layer besides the service's own "errorCode".
enum {
    SYNC_OK = 0,
    SYNC_TERMINATED = 2,
    SYNC_TRANSPORT_FAILED = 4,
    SYNC_UNREACHABLE = 5,
    SYNC_BAD_REPLY = 8,
    SYNC_REPLY_TOO_LARGE = 9,   // the reply outgrew the bound for its kind (after decompression)
    SYNC_TIMED_OUT = 10,        // the request took longer than its total time-out
};

// What a JSON reply may be, which bounds its size: most replies are small; lists (the change
// set, backups) get a generous fixed bound; a note's download is bounded by the account's
// maximum note size.
enum class ReplyKind { Small, List, Note };

// Connection options of the options dialog's connection page ("Options.Connection").
struct CConnectionOptions {
    int proxyType = 0;            // 0 = no proxy, else the named proxy is used
    CString proxyName;
    int proxyPort = 0;
    int proxyUseAuth = 0;
    CString proxyUserName;
    CString proxyUserPass;
    int proxyUseNTLM = 0;         // only together with proxyUseAuth
    int dontDetectInternetConnection = 0;
};

// What a transfer asks of the sync thread while it runs (implemented by sync thread A's
// object; the client never owns it). Called on the thread that runs the transfer.
class ITransferEvents {
public:
    virtual ~ITransferEvents() = default;
    // True while a running sync is being stopped: the transfer is aborted.
    virtual bool IsTerminating() = 0;
    // Upload progress of an attachment from memory, 0..100.
    virtual void ReportUploadProgress(double percent) = 0;
    // The installer download is progressing (at most once a second).
    virtual void OnUpdateDownloadTick() = 0;
};

// Where an attachment download puts its bytes (the attachment record of the store).
class IAttachSink {
public:
    virtual ~IAttachSink() = default;
    virtual bool OpenStream(int mode) = 0;   // 1 = write
    virtual bool WriteData(const void* data, size_t length) = 0;
    virtual void CloseStream() = 0;
};

// An IAttachSink over any record with the store's stream operations
// (int OpenStream(int), int WriteData(const void*, int) answering the bytes taken,
// void CloseStream()), such as the store's attachment record.
template <class Record>
class CAttachSinkOf : public IAttachSink {
public:
    explicit CAttachSinkOf(Record& record) : m_record(record) {}
    bool OpenStream(int mode) override { return m_record.OpenStream(mode) != 0; }
    bool WriteData(const void* data, size_t length) override
    {
        // in pieces an int can count
        const char* p = static_cast<const char*>(data);
        while (length) {
            int piece = length > (1u << 30) ? (1 << 30) : (int)length;
            if (m_record.WriteData(p, piece) != piece)
                return false;
            p += piece;
            length -= (size_t)piece;
        }
        return true;
    }
    void CloseStream() override { m_record.CloseStream(); }

private:
    Record& m_record;
};

class CSync {
public:
    // Transfers that stall: no byte for this long after at least one (with a known size)
    // is a failed transfer. The low-speed limit ends any transfer that moves less than one
    // byte a second for lowSpeedSeconds, and the connect time-out a connection that never
    // comes: no transfer can hang for ever.
    // requestMs bounds a whole JSON request or GET, fileMs a transfer of a file or an
    // attachment: a reply that trickles in just fast enough for the low-speed limit still ends.
    struct Timeouts {
        unsigned stallMs = 3000;
        long connectSeconds = 60;
        long lowSpeedSeconds = 60;
        long requestMs = 5 * 60 * 1000;
        long fileMs = 60 * 60 * 1000;
    };
    // Bounds of a reply's size in bytes, counted after decompression (so a deflate reply
    // cannot expand without bound either). A note's reply may be twice the account's maximum
    // note size (JSON escapes) plus noteOverhead.
    struct ReplyLimits {
        size_t smallBytes = 4u << 20;
        size_t listBytes = 64u << 20;
        size_t noteOverhead = 1u << 20;
        size_t installerBytes = 512u << 20;
    };
    // The account's limits until the service tells them (the service's defaults).
    static const unsigned long long kDefaultMaxNoteBytes = 16ull << 20;
    static const unsigned long long kDefaultMaxAttachmentBytes = 256ull << 20;

    CSync(const char* baseAddress, const char* clientKind);
    ~CSync();
    CSync(const CSync&) = delete;
    CSync& operator=(const CSync&) = delete;

    // --- wiring (the application and the sync threads) ---
    // The account cache: SetCredentials makes the e-mail its current account and the
    // account-information replies are written into it. Attach it once the account
    // information can be shown; without it nothing is taken.
    void SetAccountCache(CUserAccounts* accounts) { m_accounts = accounts; }
    CUserAccounts* GetAccountCache() const { return m_accounts; }
    void SetTransferEvents(ITransferEvents* events) { m_events = events; }
    void SetConnectionOptions(const CConnectionOptions& options);
    CConnectionOptions GetConnectionOptions() const;
    // Bit 0 of "LogType": requests and replies of every action are logged (not only failures).
    void SetVerboseLog(bool on) { m_verboseLog = on; }
    void SetTimeouts(const Timeouts& t);
    Timeouts GetTimeouts() const;
    void SetReplyLimits(const ReplyLimits& limits);
    // The largest reply a request of this kind may get.
    size_t GetReplyLimit(ReplyKind kind) const;
    // The account's maximum note and attachment sizes in bytes, as the last account
    // information gave them (0 for either: back to the default).
    void SetAccountLimits(unsigned long long maxNoteBytes, unsigned long long maxAttachmentBytes);
    // The roots a server certificate must lead to: null (the default) is the system's root
    // store; a store of the caller's replaces it (not owned; it must outlive the client).
    void SetRootStore(void* certStore) { m_rootStore = certStore; }

    const char* GetBaseAddress() const { return m_baseAddress.c_str(); }
    // The update check's address: the service's host with "/repo/win-notes/?v=0".
    CStringA GetUpdateCheckUrl() const;

    // --- credentials and session ---
    void SetCredentials(const wchar_t* email, const BYTE* digest, int digestLength);
    void GetCredentials(CString& email, BYTE* digest, int& digestLength) const;
    CStringA GetPasswordText() const;
    CStringA GetSessionId() const;
    void SetSessionId(const char* id);

    // --- transport ---
    bool CheckConnection(const char* url);
    void SetNetOptions(CURL* handle);
    int HttpPost(const char* body, std::string& reply);
    int HttpGet(const char* url, std::string& reply);
    // 0, a libcurl code (also for a non-2xx status or a short body), -1 when the file cannot
    // be created. A failed download leaves no file behind.
    int HttpDownload(const char* url, const wchar_t* path);
    // 0, or 4 on any failure (also a non-2xx status, or not `expectedSize` bytes when that
    // is not negative); -14 when no handle.
    int DownloadAttachement(const char* url, IAttachSink* sink, long long expectedSize = -1);
    int HttpPostFileData(const char* field, const wchar_t* uploadName, const wchar_t* path,
                         const char* contentType, std::string& reply);
    int HttpPostFileData(const char* field, const wchar_t* uploadName, const void* data, size_t length,
                         const char* contentType, std::string& reply);
    // 0, the service's code made positive, -14 transport failure, -8 unreadable reply.
    int UploadAttachement(const wchar_t* uploadName, const wchar_t* path, const char* contentType,
                          CString& serverName);
    int UploadAttachement(const wchar_t* uploadName, const void* data, size_t length, const char* contentType,
                          CString& serverName);
    // The reply is read with a nesting bound and inside the error handling: anything that is
    // not an object with an integer "errorCode" is 8, a reply over the bound of its kind 9,
    // a request over its total time-out 10.
    int SendRequest(const Json::Value& request, Json::Value& reply, int logFlag,
                    ReplyKind kind = ReplyKind::Small);
    int SendRequestNoReply(const Json::Value& request, int logFlag);

    // --- actions of the note service ---
    int Authenticate();
    int GetNotesAccount();
    int GetUserInfo();
    int ReadAccountInfo(const Json::Value& info, const Json::Value& usage, const Json::Value& limits);
    int GetDataStruct(const char* lastUpdateTime, CDataStruct& out);
    int DownloadNote(const char* lastUpdateTime, const wchar_t* noteId, std::vector<CServerObject>& notes);
    // tags == null: no tag list is sent. On -20, errorDesc is the service's "_errorDesc".
    int Store(const std::vector<CServerObject>& objects, const std::vector<CString>* tags,
              unsigned& lastUpdateTime, CString& errorDesc);
    int RemoveOnServer(const std::vector<CString>& notes, const std::vector<CString>& attachements,
                       const std::vector<CString>& tags, unsigned& lastUpdateTime);
    int GetNoteShareLink(const wchar_t* noteId, CStringA& link);
    int NoteUnshareLink(const wchar_t* noteId);
    // *list: new[]'ed records ending with valid == 0 (the receiver delete[]s them); null on failure.
    int GetBackupList(BackupListRecord** list);
    int GetBackupPreview(const wchar_t* backupId, BackupPreviewRecord** list);
    int RestoreBackup(const wchar_t* backupId, const std::vector<CString>* items, int* result);
    int RegisterUser(const wchar_t* email, const wchar_t* password);

    // The last reply's "_errorDesc" (any action), for the caller's messages.
    CString GetLastErrorDesc() const;

    // The JSON reader every reply goes through: false for text that is not JSON, nested deeper
    // than kMaxJsonDepth, or too large to hold; never throws.
    static const int kMaxJsonDepth = 64;
    static bool ParseReply(const std::string& text, Json::Value& out);

private:
    CURL* NewHandle(const char* url, detail::Transfer& transfer);
    // Gives the handle back for the next transfer to reuse (with its open connection), or
    // closes it when the transfer failed.
    void Release(CURL* handle, int curlResult);
    int Post(const char* body, std::string& reply, size_t limit, detail::Transfer& t);
    int PostForm(const char* field, const wchar_t* uploadName, const wchar_t* path, const void* data,
                 size_t length, bool fromFile, const char* contentType, std::string& reply);
    int ReadUploadReply(int curlResult, const std::string& reply, CString& serverName);
    Json::Value Envelope(const char* action) const;
    void Log(const char* what, const char* text) const;

    std::string m_baseAddress;
    mutable std::mutex m_lock;      // credentials, session id, options, time-outs, limits, last error text
    CString m_email;
    std::string m_passwordText;
    BYTE m_digest[64] = {};
    int m_digestLength = 0;
    std::string m_sessionId;
    CConnectionOptions m_options;
    CString m_lastErrorDesc;
    CUserAccounts* m_accounts = nullptr;
    ITransferEvents* m_events = nullptr;
    bool m_verboseLog = false;
    Timeouts m_timeouts;
    ReplyLimits m_limits;
    unsigned long long m_maxNoteBytes = kDefaultMaxNoteBytes;
    unsigned long long m_maxAttachmentBytes = kDefaultMaxAttachmentBytes;
    void* m_rootStore = nullptr;
    // Idle easy handles: each keeps its connection open, so the next request needs no new
    // connection (and no new TLS handshake). One per thread that uses the client at a time.
    std::mutex m_poolLock;
    std::vector<CURL*> m_idleHandles;
};

}  // namespace Sync
