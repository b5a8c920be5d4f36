#include "SyncClient.h"
#include "ActivityLog.h"
#include "UserAccounts.h"
#include <curl/curl.h>
#include <ws2tcpip.h>
#include <wincrypt.h>
#include <wininet.h>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>

namespace Sync {

const char* const kBuiltInServiceUrl = "https://notes.example.com/api";

CStringA GetDefaultServiceUrl()
{
    const char* env = getenv("PELORA_SERVICE_URL");
    return CStringA(env && *env ? env : kBuiltInServiceUrl);
}

bool IsAllowedUrl(const char* url)
{
    if (!url)
        return false;
    if (_strnicmp(url, "https://", 8) == 0)
        return url[8] != 0;
    if (_strnicmp(url, "http://", 7) != 0)
        return false;
    // the host: up to the first "/", "?" or "#"; user info and port taken off
    std::string authority(url + 7, strcspn(url + 7, "/?#"));
    size_t at = authority.rfind('@');
    if (at != std::string::npos)
        authority.erase(0, at + 1);
    std::string host;
    if (!authority.empty() && authority[0] == '[') {
        size_t close = authority.find(']');
        if (close == std::string::npos)
            return false;
        host = authority.substr(1, close - 1);
        return host == "::1";
    }
    host = authority.substr(0, authority.find(':'));
    for (char& c : host)
        c = (char)tolower((unsigned char)c);
    if (host == "localhost")
        return true;
    // a dotted IPv4 address in 127.0.0.0/8, four decimal parts
    int parts[4];
    char tail = 0;
    if (sscanf(host.c_str(), "%d.%d.%d.%d%c", &parts[0], &parts[1], &parts[2], &parts[3], &tail) != 4)
        return false;
    for (int p : parts)
        if (p < 0 || p > 255)
            return false;
    return parts[0] == 127 && host.find_first_not_of("0123456789.") == std::string::npos;
}

namespace detail {

// One transfer's state: where the bytes go, its own stall detector, its bound on the
// reply's size and its total time-out.
struct Transfer {
    ITransferEvents* events = nullptr;
    unsigned stallMs = 3000;
    std::string* reply = nullptr;
    FILE* file = nullptr;
    time_t lastTick = 0;
    IAttachSink* sink = nullptr;
    long long received = 0;
    long long limit = LLONG_MAX;   // bytes after decompression
    bool tooLarge = false;
    long totalMs = 0;              // 0 = no total time-out
    std::chrono::steady_clock::time_point start;
    bool timedOut = false;
    bool reportUpload = false;
    CURL* handle = nullptr;
    std::string host;          // for the certificate check of https transfers
    HCERTSTORE roots = nullptr;
    double lastCount = 0;
    DWORD lastChange = 0;

    // False (and the transfer ends) when length more bytes would pass the bound.
    bool Take(size_t length)
    {
        if ((long long)length > limit - received) {
            tooLarge = true;
            return false;
        }
        received += (long long)length;
        return true;
    }
    bool PastDeadline()
    {
        if (totalMs > 0 && std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(totalMs))
            timedOut = true;
        return timedOut;
    }
};

}  // namespace detail

using detail::Transfer;

namespace {

void LogLine(const char* what, const char* text)
{
    CLogStream log(LOG_LEVEL_SYNC);
    log << what << (text ? text : "");
    log.End();
}

size_t WriteReply(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    size_t length = size * count;
    if (!t->Take(length))
        return 0;
    try {
        t->reply->append(data, length);
    } catch (const std::bad_alloc&) {
        // no exception may cross libcurl: a reply that cannot be held is too large
        t->tooLarge = true;
        return 0;
    }
    return length;
}

size_t WriteFile(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    size_t length = size * count;
    if (!t->Take(length))
        return 0;
    if (length && fwrite(data, 1, length, t->file) != length)
        return 0;
    time_t now = time(nullptr);
    if (now != t->lastTick) {
        t->lastTick = now;
        if (t->events)
            t->events->OnUpdateDownloadTick();
    }
    return length;
}

size_t WriteSink(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    size_t length = size * count;
    if (!t->Take(length))
        return 0;
    if (length && !t->sink->WriteData(data, length))
        return 0;
    return length;
}

// The one part of an upload: a file read from disk as it goes, or the caller's bytes.
struct UploadSource {
    FILE* file = nullptr;
    const char* bytes = nullptr;
    curl_off_t size = 0;
    curl_off_t offset = 0;
};

size_t ReadUpload(char* buffer, size_t size, size_t count, void* user)
{
    auto* s = static_cast<UploadSource*>(user);
    size_t want = size * count;
    if (s->file)
        return fread(buffer, 1, want, s->file);
    curl_off_t left = s->size - s->offset;
    if ((curl_off_t)want > left)
        want = (size_t)left;
    if (want)
        memcpy(buffer, s->bytes + s->offset, want);
    s->offset += (curl_off_t)want;
    return want;
}

int SeekUpload(void* user, curl_off_t offset, int origin)
{
    auto* s = static_cast<UploadSource*>(user);
    if (origin != SEEK_SET || offset < 0 || offset > s->size)
        return CURL_SEEKFUNC_CANTSEEK;
    if (s->file)
        return _fseeki64(s->file, offset, SEEK_SET) == 0 ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
    s->offset = offset;
    return CURL_SEEKFUNC_OK;
}

bool IsSuccessStatus(CURL* handle)
{
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    return status >= 200 && status < 300;
}

int ProgressCallback(void* clientp, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal, curl_off_t ulnow)
{
    auto* t = static_cast<Transfer*>(clientp);
    ITransferEvents* events = t->events;
    if (t->reportUpload && events)
        events->ReportUploadProgress(ultotal > 0 ? (double)ulnow * 100.0 / (double)ultotal : 0.0);
    if (events && events->IsTerminating()) {
        LogLine("terminating... retval = ", "-1");
        return -1;
    }
    if (t->PastDeadline()) {
        LogLine("total time-out... retval = ", "-1");
        return -1;
    }
    // Stall detection, per transfer: with a known size, no new byte for stallMs after at
    // least one has come means the connection is dead.
    DWORD now = GetTickCount();
    if (dltotal == 0) {
        t->lastCount = 0;
        t->lastChange = now;
    } else if (t->lastCount > 0 && (double)dlnow == t->lastCount && now - t->lastChange > t->stallMs) {
        LogLine("pausing... retval = ", "-1");
        return -1;
    }
    if ((double)dlnow != t->lastCount) {
        t->lastCount = (double)dlnow;
        t->lastChange = now;
    }
    return 0;
}

// An address written as the host is matched against the certificate's IP address entries
// (a host name is matched by the SSL policy itself).
bool CertificateNamesAddress(PCCERT_CONTEXT cert, const std::string& host, bool& isAddress)
{
    BYTE address[16];
    DWORD length = 0;
    isAddress = false;
    if (inet_pton(AF_INET, host.c_str(), address) == 1)
        length = 4;
    else if (inet_pton(AF_INET6, host.c_str(), address) == 1)
        length = 16;
    if (!length)
        return false;
    isAddress = true;
    PCERT_EXTENSION ext = CertFindExtension(szOID_SUBJECT_ALT_NAME2, cert->pCertInfo->cExtension,
                                            cert->pCertInfo->rgExtension);
    if (!ext)
        return false;
    CERT_ALT_NAME_INFO* names = nullptr;
    DWORD size = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, ext->Value.pbData, ext->Value.cbData,
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &names, &size))
        return false;
    bool match = false;
    for (DWORD i = 0; i < names->cAltEntry && !match; ++i) {
        const CERT_ALT_NAME_ENTRY& e = names->rgAltEntry[i];
        match = e.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && e.IPAddress.cbData == length &&
                memcmp(e.IPAddress.pbData, address, length) == 0;
    }
    LocalFree(names);
    return match;
}

// The server's certificate chain (as the TLS handshake gave it) must lead to a trusted root
// and name the host. Schannel checks this itself where it can; Wine's does not, so the
// client checks it once more, with crypt32, before anything of the request is sent.
bool VerifyServerChain(CURL* handle, const std::string& host, HCERTSTORE roots)
{
    curl_certinfo* info = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_CERTINFO, &info) != CURLE_OK || !info || info->num_of_certs <= 0)
        return false;
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    if (!store)
        return false;
    PCCERT_CONTEXT leaf = nullptr;
    for (int i = 0; i < info->num_of_certs; ++i) {
        for (curl_slist* field = info->certinfo[i]; field; field = field->next) {
            if (strncmp(field->data, "Cert:", 5) != 0)
                continue;
            const char* pem = field->data + 5;
            DWORD size = 0;
            if (!CryptStringToBinaryA(pem, 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
                continue;
            std::vector<BYTE> der(size);
            CryptStringToBinaryA(pem, 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr);
            PCCERT_CONTEXT added = nullptr;
            CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), size, CERT_STORE_ADD_ALWAYS,
                                             i == 0 ? &added : nullptr);
            if (i == 0)
                leaf = added;
        }
    }
    bool ok = false;
    if (leaf) {
        LPSTR usage[] = {(LPSTR)szOID_PKIX_KP_SERVER_AUTH};
        CERT_CHAIN_PARA para = {};
        para.cbSize = sizeof para;
        para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
        para.RequestedUsage.Usage.cUsageIdentifier = 1;
        para.RequestedUsage.Usage.rgpszUsageIdentifier = usage;
        PCCERT_CHAIN_CONTEXT chain = nullptr;
        // an engine of its own: the process's default one keeps the root store it saw first
        CERT_CHAIN_ENGINE_CONFIG config = {};
        config.cbSize = sizeof config;
        HCERTCHAINENGINE engine = nullptr;
        if (!CertCreateCertificateChainEngine(&config, &engine))
            engine = nullptr;
        if (CertGetCertificateChain(engine, leaf, nullptr, store, &para, 0, nullptr, &chain)) {
            CString wideHost = FromUtf8(host);
            HTTPSPolicyCallbackData extra = {};
            extra.cbStruct = sizeof extra;
            extra.dwAuthType = AUTHTYPE_SERVER;
            extra.pwszServerName = const_cast<wchar_t*>(wideHost.GetString());
            bool isAddress = false;
            bool addressNamed = CertificateNamesAddress(leaf, host, isAddress);
            if (isAddress)
                extra.fdwChecks |= SECURITY_FLAG_IGNORE_CERT_CN_INVALID;   // checked just above
            bool rootKnown = true;
            if (roots) {
                // the caller's roots instead of the system's: the chain must end in one of them
                rootKnown = false;
                if (chain->cChain > 0 && chain->rgpChain[0]->cElement > 0) {
                    const CERT_CHAIN_ELEMENT* top = chain->rgpChain[0]->rgpElement[chain->rgpChain[0]->cElement - 1];
                    PCCERT_CONTEXT found = CertFindCertificateInStore(roots, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING,
                                                                      top->pCertContext, nullptr);
                    rootKnown = found != nullptr;
                    if (found)
                        CertFreeCertificateContext(found);
                }
                extra.fdwChecks |= SECURITY_FLAG_IGNORE_UNKNOWN_CA;
            }
            CERT_CHAIN_POLICY_PARA policy = {};
            policy.cbSize = sizeof policy;
            policy.pvExtraPolicyPara = &extra;
            CERT_CHAIN_POLICY_STATUS status = {};
            status.cbSize = sizeof status;
            ok = rootKnown && (!isAddress || addressNamed) && CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status) &&
                 status.dwError == 0;
            CertFreeCertificateChain(chain);
        }
        if (engine)
            CertFreeCertificateChainEngine(engine);
        CertFreeCertificateContext(leaf);
    }
    CertCloseStore(store, 0);
    return ok;
}

int CheckBeforeRequest(void* clientp, char*, char*, int, int)
{
    auto* t = static_cast<Transfer*>(clientp);
    if (t->host.empty())
        return CURL_PREREQFUNC_OK;   // plain http (loopback only)
    // A kept-alive connection of this handle was checked when it was made: a connection
    // whose check failed goes with its handle (see Release), and a new one has the chain.
    long connects = 0;
    if (curl_easy_getinfo(t->handle, CURLINFO_NUM_CONNECTS, &connects) == CURLE_OK && connects == 0)
        return CURL_PREREQFUNC_OK;
    if (VerifyServerChain(t->handle, t->host, t->roots))
        return CURL_PREREQFUNC_OK;
    LogLine("certificate refused for ", t->host.c_str());
    return CURL_PREREQFUNC_ABORT;
}

std::string HttpsHost(const char* url)
{
    std::string host;
    if (!url || _strnicmp(url, "https://", 8) != 0)
        return host;
    CURLU* parsed = curl_url();
    char* part = nullptr;
    if (curl_url_set(parsed, CURLUPART_URL, url, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_HOST, &part, 0) == CURLUE_OK && part) {
        host = part;
        if (host.size() > 2 && host.front() == '[' && host.back() == ']')
            host = host.substr(1, host.size() - 2);
    }
    curl_free(part);
    curl_url_cleanup(parsed);
    if (host.empty())
        host = "?";   // an https URL without a readable host is never trusted
    return host;
}

}  // namespace

CSync::CSync(const char* baseAddress, const char* /*clientKind*/)
    : m_baseAddress(baseAddress ? baseAddress : "")
{
    curl_global_init(CURL_GLOBAL_ALL);
}

CSync::~CSync()
{
    for (CURL* handle : m_idleHandles)
        curl_easy_cleanup(handle);
    m_idleHandles.clear();
    curl_global_cleanup();
}

void CSync::SetTimeouts(const Timeouts& t)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_timeouts = t;
}

CSync::Timeouts CSync::GetTimeouts() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_timeouts;
}

void CSync::SetReplyLimits(const ReplyLimits& limits)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_limits = limits;
}

void CSync::SetAccountLimits(unsigned long long maxNoteBytes, unsigned long long maxAttachmentBytes)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_maxNoteBytes = maxNoteBytes ? maxNoteBytes : kDefaultMaxNoteBytes;
    m_maxAttachmentBytes = maxAttachmentBytes ? maxAttachmentBytes : kDefaultMaxAttachmentBytes;
}

size_t CSync::GetReplyLimit(ReplyKind kind) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    switch (kind) {
    case ReplyKind::List:
        return m_limits.listBytes;
    case ReplyKind::Note: {
        unsigned long long bytes = 2 * m_maxNoteBytes + m_limits.noteOverhead;
        return bytes > (unsigned long long)(SIZE_MAX / 2) ? SIZE_MAX / 2 : (size_t)bytes;
    }
    case ReplyKind::Small:
    default:
        return m_limits.smallBytes;
    }
}

void CSync::SetConnectionOptions(const CConnectionOptions& options)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_options = options;
}

CConnectionOptions CSync::GetConnectionOptions() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_options;
}

CStringA CSync::GetUpdateCheckUrl() const
{
    const std::string& base = m_baseAddress;
    size_t scheme = base.find("://");
    size_t hostEnd = scheme == std::string::npos ? std::string::npos : base.find_first_of("/?#", scheme + 3);
    std::string origin = hostEnd == std::string::npos ? base : base.substr(0, hostEnd);
    return CStringA((origin + "/repo/win-notes/?v=0").c_str());
}

void CSync::SetCredentials(const wchar_t* email, const BYTE* digest, int digestLength)
{
    static const char kHex[] = "0123456789abcdef";
    std::lock_guard<std::mutex> guard(m_lock);
    if (!digest || digestLength <= 0) {
        m_sessionId.clear();
        m_email = email ? email : L"";
        m_passwordText.clear();
        memset(m_digest, 0, sizeof m_digest);
        m_digestLength = 0;
        if (m_accounts)
            m_accounts->SetCurrentUser(L"");
        return;
    }
    if (digestLength > (int)sizeof m_digest)
        digestLength = (int)sizeof m_digest;
    m_email = email ? email : L"";
    m_passwordText.clear();
    for (int i = 0; i < digestLength; ++i) {
        m_passwordText.push_back(kHex[digest[i] >> 4]);
        m_passwordText.push_back(kHex[digest[i] & 15]);
    }
    memset(m_digest, 0, sizeof m_digest);
    memcpy(m_digest, digest, (size_t)digestLength);
    m_digestLength = digestLength;
    if (m_accounts)
        m_accounts->SetCurrentUser(m_email);
}

void CSync::GetCredentials(CString& email, BYTE* digest, int& digestLength) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    email = m_email;
    if (digest)
        memcpy(digest, m_digest, (size_t)m_digestLength);
    digestLength = m_digestLength;
}

CStringA CSync::GetPasswordText() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return CStringA(m_passwordText.c_str());
}

CStringA CSync::GetSessionId() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return CStringA(m_sessionId.c_str());
}

void CSync::SetSessionId(const char* id)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_sessionId = id ? id : "";
}

CString CSync::GetLastErrorDesc() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lastErrorDesc;
}

void CSync::Log(const char* what, const char* text) const
{
    CLogStream log(LOG_LEVEL_SYNC);
    log << what << (text ? text : "");
    log.End();
}

bool CSync::CheckConnection(const char* url)
{
    if (GetConnectionOptions().dontDetectInternetConnection)
        return true;
    CString wide(url ? FromUtf8(url, strlen(url)) : CString());
    if (InternetCheckConnectionW(wide, FLAG_ICC_FORCE_CONNECTION, 0))
        return true;
    if (InternetCheckConnectionW(nullptr, FLAG_ICC_FORCE_CONNECTION, 0))
        return true;
    InternetAttemptConnect(0);
    return false;
}

void CSync::SetNetOptions(CURL* handle)
{
    Timeouts timeouts = GetTimeouts();
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, timeouts.connectSeconds);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, timeouts.lowSpeedSeconds);
    // the password digest works as a password: certificates and host names are checked
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    CConnectionOptions o = GetConnectionOptions();
    if (o.proxyType != 0) {
        curl_easy_setopt(handle, CURLOPT_PROXY, ToUtf8(o.proxyName).c_str());
        curl_easy_setopt(handle, CURLOPT_PROXYPORT, (long)o.proxyPort);
        if (o.proxyUseAuth) {
            std::string userpwd = ToUtf8(o.proxyUserName) + ":" + ToUtf8(o.proxyUserPass);
            curl_easy_setopt(handle, CURLOPT_PROXYUSERPWD, userpwd.c_str());
            if (o.proxyUseNTLM)
                curl_easy_setopt(handle, CURLOPT_PROXYAUTH, (long)CURLAUTH_NTLM);
        }
    }
}

// Every transfer takes an idle handle (with the connection it left open) or a new one; it is
// reset, so nothing of the last transfer's options is left but its connection.
CURL* CSync::NewHandle(const char* url, Transfer& transfer)
{
    CURL* handle = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_poolLock);
        if (!m_idleHandles.empty()) {
            handle = m_idleHandles.back();
            m_idleHandles.pop_back();
        }
    }
    if (handle)
        curl_easy_reset(handle);
    else
        handle = curl_easy_init();
    if (!handle)
        return nullptr;
    transfer.events = m_events;
    transfer.handle = handle;
    transfer.host = HttpsHost(url);
    transfer.roots = m_rootStore;
    Timeouts timeouts = GetTimeouts();
    transfer.stallMs = timeouts.stallMs;
    transfer.lastChange = GetTickCount();
    transfer.start = std::chrono::steady_clock::now();
    if (transfer.totalMs > 0)
        curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, transfer.totalMs);
    curl_easy_setopt(handle, CURLOPT_URL, url);
    SetNetOptions(handle);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &ProgressCallback);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
    if (transfer.limit != LLONG_MAX)
        curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, (curl_off_t)transfer.limit);   // refused by its announced size
    if (!transfer.host.empty()) {
        curl_easy_setopt(handle, CURLOPT_CERTINFO, 1L);
        curl_easy_setopt(handle, CURLOPT_PREREQFUNCTION, &CheckBeforeRequest);
        curl_easy_setopt(handle, CURLOPT_PREREQDATA, &transfer);
    }
    return handle;
}

void CSync::Release(CURL* handle, int curlResult)
{
    if (!handle)
        return;
    if (curlResult == CURLE_OK) {
        std::lock_guard<std::mutex> guard(m_poolLock);
        if (m_idleHandles.size() < 4) {
            m_idleHandles.push_back(handle);
            return;
        }
    }
    // a failed transfer may leave its connection in any state: it goes with the handle
    curl_easy_cleanup(handle);
}

// A libcurl result with the transfer's own reasons: a reply over its bound, a request over
// its total time-out.
static int TransferResult(int rc, const Transfer& t)
{
    if (rc == CURLE_OK)
        return rc;
    if (t.tooLarge || rc == CURLE_FILESIZE_EXCEEDED)
        return CURLE_FILESIZE_EXCEEDED;
    if (t.timedOut || (rc == CURLE_OPERATION_TIMEDOUT && t.totalMs > 0 &&
                       std::chrono::steady_clock::now() - t.start >= std::chrono::milliseconds(t.totalMs)))
        return CURLE_OPERATION_TIMEDOUT;
    return rc;
}

static bool TimedOut(int rc, const Transfer& t)
{
    return rc == CURLE_OPERATION_TIMEDOUT && (t.timedOut || (t.totalMs > 0 && std::chrono::steady_clock::now() - t.start >=
                                                                                  std::chrono::milliseconds(t.totalMs)));
}

static void LogFailure(int rc, const Transfer& t, const char* url)
{
    if (rc == CURLE_FILESIZE_EXCEEDED) {
        char text[64];
        snprintf(text, sizeof text, "%lld bytes allowed: ", t.limit);
        CLogStream log(LOG_LEVEL_SYNC);
        log << "reply too large, " << text << (url ? url : "");
        log.End();
    } else if (TimedOut(rc, t)) {
        char text[64];
        snprintf(text, sizeof text, "%ld ms: ", t.totalMs);
        CLogStream log(LOG_LEVEL_SYNC);
        log << "request timed out after " << text << (url ? url : "");
        log.End();
    }
}

// A session header list, or null without a session. "Expect:" keeps libcurl from waiting
// for "100 Continue" before it sends a large body.
static curl_slist* SessionHeaders(const std::string& session)
{
    if (session.empty())
        return nullptr;
    curl_slist* list = curl_slist_append(nullptr, ("Marrowgate-Session-ID: " + session).c_str());
    return curl_slist_append(list, "Expect:");
}

// Runs a request set up on handle with the session's headers; the reply collected in buffer
// goes to reply only when the transfer succeeded.
static int PerformWithSession(CURL* handle, const std::string& session, Transfer& t, std::string& buffer,
                              std::string& reply)
{
    curl_slist* headers = SessionHeaders(session);
    if (headers)
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &WriteReply);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &t);
    int rc = TransferResult((int)curl_easy_perform(handle), t);
    if (rc == 0)
        reply.swap(buffer);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);   // not needed once the transfer is over
    return rc;
}

int CSync::Post(const char* body, std::string& reply, size_t limit, Transfer& t)
{
    reply.clear();
    if (!IsAllowedUrl(m_baseAddress.c_str()))
        return CURLE_UNSUPPORTED_PROTOCOL;
    std::string buffer;
    t.reply = &buffer;
    t.limit = (long long)limit;
    t.totalMs = GetTimeouts().requestMs;
    CURL* handle = NewHandle(m_baseAddress.c_str(), t);
    if (!handle)
        return 2;
    curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "deflate");
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body ? body : "");
    int rc = PerformWithSession(handle, GetSessionId().GetString(), t, buffer, reply);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, nullptr);
    Release(handle, rc);
    LogFailure(rc, t, m_baseAddress.c_str());
    return rc;
}

int CSync::HttpPost(const char* body, std::string& reply)
{
    Transfer t;
    return Post(body, reply, GetReplyLimit(ReplyKind::Small), t);
}

int CSync::HttpGet(const char* url, std::string& reply)
{
    reply.clear();
    if (!IsAllowedUrl(url))
        return CURLE_UNSUPPORTED_PROTOCOL;
    Transfer t;
    std::string buffer;
    t.reply = &buffer;
    t.limit = (long long)GetReplyLimit(ReplyKind::Small);
    t.totalMs = GetTimeouts().requestMs;
    CURL* handle = NewHandle(url, t);
    if (!handle)
        return 2;
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &WriteReply);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &t);
    int rc = TransferResult((int)curl_easy_perform(handle), t);
    if (rc == 0 && !IsSuccessStatus(handle))
        rc = CURLE_HTTP_RETURNED_ERROR;
    if (rc == 0)
        reply.swap(buffer);
    Release(handle, rc);
    LogFailure(rc, t, url);
    Log("    http_response:  ", reply.c_str());
    char code[16];
    snprintf(code, sizeof code, "%d", rc);
    Log("    http_result:  ", code);
    return rc;
}

int CSync::HttpDownload(const char* url, const wchar_t* path)
{
    if (!IsAllowedUrl(url))
        return CURLE_UNSUPPORTED_PROTOCOL;
    Transfer t;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        t.limit = (long long)m_limits.installerBytes;
        t.totalMs = m_timeouts.fileMs;
    }
    CURL* handle = NewHandle(url, t);
    if (!handle)
        return 2;
    t.file = path ? _wfopen(path, L"wb") : nullptr;
    if (!t.file) {
        Release(handle, 0);
        return -1;
    }
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &WriteFile);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &t);
    int rc = TransferResult((int)curl_easy_perform(handle), t);
    if (rc == 0 && !IsSuccessStatus(handle))
        rc = CURLE_HTTP_RETURNED_ERROR;
    Release(handle, rc);
    LogFailure(rc, t, url);
    if (fclose(t.file) != 0 && rc == 0)
        rc = CURLE_WRITE_ERROR;
    if (rc != 0)
        _wremove(path);   // an error page or a cut file must never be run as the installer
    return rc;
}

int CSync::DownloadAttachement(const char* url, IAttachSink* sink, long long expectedSize)
{
    if (!sink)
        return 4;
    Transfer t;
    t.sink = sink;
    {
        // the announced size when the caller knows it (a longer body is cut at once), else
        // the account's maximum attachment size
        std::lock_guard<std::mutex> guard(m_lock);
        t.limit = expectedSize >= 0 ? expectedSize : (long long)m_maxAttachmentBytes;
        t.totalMs = m_timeouts.fileMs;
    }
    const bool allowed = IsAllowedUrl(url);
    CURL* handle = allowed ? NewHandle(url, t) : nullptr;
    if (allowed && !handle)
        return -14;
    int rc = 4;
    sink->OpenStream(1);
    if (handle) {
        curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "deflate");
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &WriteSink);
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &t);
        int code = TransferResult((int)curl_easy_perform(handle), t);
        bool complete = code == 0 && IsSuccessStatus(handle) && (expectedSize < 0 || t.received == expectedSize);
        Release(handle, code);
        LogFailure(code, t, url);
        if (complete)
            rc = 0;
        else if (TimedOut(code, t))
            rc = SYNC_TIMED_OUT;
        else if (code == CURLE_FILESIZE_EXCEEDED && expectedSize < 0)
            rc = SYNC_REPLY_TOO_LARGE;
    }
    sink->CloseStream();
    char text[16];
    snprintf(text, sizeof text, "%d", rc);
    Log("Downloading result: ", text);
    return rc;
}

int CSync::PostForm(const char* field, const wchar_t* uploadName, const wchar_t* path, const void* data,
                    size_t length, bool fromFile, const char* contentType, std::string& reply)
{
    reply.clear();
    std::string url = m_baseAddress + "/files:preupload";
    if (!IsAllowedUrl(url.c_str()))
        return CURLE_UNSUPPORTED_PROTOCOL;
    UploadSource source;
    if (fromFile) {
        // Opened here with its wide name, so any file name works; streamed from disk.
        source.file = path ? _wfopen(path, L"rb") : nullptr;
        if (!source.file)
            return CURLE_READ_ERROR;
        _fseeki64(source.file, 0, SEEK_END);
        source.size = (curl_off_t)_ftelli64(source.file);
        _fseeki64(source.file, 0, SEEK_SET);
    } else {
        source.bytes = static_cast<const char*>(data);   // a null buffer is an empty part
        source.size = data ? (curl_off_t)length : 0;
    }
    Transfer t;
    std::string buffer;
    t.reply = &buffer;
    t.reportUpload = !fromFile;
    t.limit = (long long)GetReplyLimit(ReplyKind::Small);
    t.totalMs = GetTimeouts().fileMs;
    CURL* handle = NewHandle(url.c_str(), t);
    if (!handle) {
        if (source.file)
            fclose(source.file);
        return 2;
    }
    curl_mime* form = curl_mime_init(handle);
    curl_mimepart* part = curl_mime_addpart(form);
    curl_mime_name(part, field ? field : "file");
    curl_mime_filename(part, ToUtf8(uploadName).c_str());
    curl_mime_data_cb(part, source.size, &ReadUpload, &SeekUpload, nullptr, &source);
    if (contentType && *contentType)
        curl_mime_type(part, contentType);
    curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "deflate");
    curl_easy_setopt(handle, CURLOPT_MIMEPOST, form);
    int rc = PerformWithSession(handle, GetSessionId().GetString(), t, buffer, reply);
    curl_easy_setopt(handle, CURLOPT_MIMEPOST, nullptr);   // the form goes before the handle is used again
    curl_mime_free(form);
    Release(handle, rc);
    LogFailure(rc, t, url.c_str());
    if (source.file)
        fclose(source.file);
    char text[16];
    snprintf(text, sizeof text, "%d", rc);
    Log("res = ", text);
    Log("reply = ", reply.c_str());
    return rc;
}

int CSync::HttpPostFileData(const char* field, const wchar_t* uploadName, const wchar_t* path,
                            const char* contentType, std::string& reply)
{
    return PostForm(field, uploadName, path, nullptr, 0, true, contentType, reply);
}

int CSync::HttpPostFileData(const char* field, const wchar_t* uploadName, const void* data, size_t length,
                            const char* contentType, std::string& reply)
{
    return PostForm(field, uploadName, nullptr, data, length, false, contentType, reply);
}

bool CSync::ParseReply(const std::string& text, Json::Value& out)
{
    out = Json::Value();
    try {
        Json::CharReaderBuilder builder;
        builder["collectComments"] = false;
        builder["stackLimit"] = kMaxJsonDepth;
        std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        std::string errors;
        if (reader->parse(text.data(), text.data() + text.size(), &out, &errors))
            return true;
    } catch (const std::exception&) {
        // the reader throws past its nesting bound; memory may run out on a huge reply
    }
    out = Json::Value();
    return false;
}

int CSync::ReadUploadReply(int curlResult, const std::string& reply, CString& serverName)
{
    char text[16];
    snprintf(text, sizeof text, "%d", curlResult);
    Log("CURLcode = ", text);
    if (curlResult == CURLE_FILESIZE_EXCEEDED)
        return -SYNC_REPLY_TOO_LARGE;
    if (curlResult != 0)
        return -14;
    Json::Value root;
    int code = 0;
    if (!ParseReply(reply, root) || !root.isObject() || !JsonRead::Member(root, "errorCode").isIntegral() ||
        !JsonRead::Int(root, "errorCode", code))
        return -8;
    const Json::Value& files = JsonRead::Member(JsonRead::Member(root, "body"), "files");
    CString name;
    if (!JsonRead::Text(files, "file", name))
        return -8;
    serverName = name;
    return code < 0 ? -code : code;
}

int CSync::UploadAttachement(const wchar_t* uploadName, const wchar_t* path, const char* contentType,
                             CString& serverName)
{
    std::string reply;
    int rc = HttpPostFileData("file", uploadName, path, contentType, reply);
    return ReadUploadReply(rc, reply, serverName);
}

int CSync::UploadAttachement(const wchar_t* uploadName, const void* data, size_t length, const char* contentType,
                             CString& serverName)
{
    std::string reply;
    int rc = HttpPostFileData("file", uploadName, data, length, contentType, reply);
    return ReadUploadReply(rc, reply, serverName);
}

int CSync::SendRequest(const Json::Value& request, Json::Value& reply, int logFlag, ReplyKind kind)
{
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    writer["emitUTF8"] = true;
    std::string text = Json::writeString(writer, request);
    std::string answer;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_lastErrorDesc.Empty();
    }
    Transfer t;
    int rc = Post(text.c_str(), answer, GetReplyLimit(kind), t);
    int result;
    if (rc == 0)
        result = 0;
    else if (rc == CURLE_FILESIZE_EXCEEDED)
        result = SYNC_REPLY_TOO_LARGE;
    else if (TimedOut(rc, t))
        result = SYNC_TIMED_OUT;
    else if (rc == CURLE_COULDNT_RESOLVE_HOST || rc == CURLE_COULDNT_CONNECT || rc == CURLE_OPERATION_TIMEDOUT)
        result = SYNC_UNREACHABLE;
    else
        result = SYNC_TRANSPORT_FAILED;
    reply = Json::Value();
    if (result == 0) {
        // An unreadable reply is anything that is not an object with an integer errorCode.
        if (!ParseReply(answer, reply) || !reply.isObject() || !JsonRead::Member(reply, "errorCode").isIntegral() ||
            !JsonRead::Int(reply, "errorCode", result)) {
            reply = Json::Value();
            result = SYNC_BAD_REPLY;
        } else {
            CString desc;
            if (JsonRead::Text(JsonRead::Member(reply, "body"), "_errorDesc", desc)) {
                std::lock_guard<std::mutex> guard(m_lock);
                m_lastErrorDesc = desc;
            }
        }
    }
    if ((result != 0 || m_verboseLog) && logFlag) {
        // a huge request or reply is logged by its beginning
        const size_t kLogged = 64 * 1024;
        Log("    http_post = ", text.size() > kLogged ? (text.substr(0, kLogged) + "...").c_str() : text.c_str());
        Log("    http_response = ",
            answer.size() > kLogged ? (answer.substr(0, kLogged) + "...").c_str() : answer.c_str());
    }
    return result;
}

int CSync::SendRequestNoReply(const Json::Value& request, int logFlag)
{
    Json::Value reply;
    return SendRequest(request, reply, logFlag);
}

}  // namespace Sync
