#include "LocalHttpServer.h"
#include "ActivityLog.h"
#include "BinRes.h"
#include "PeloraDatabase.h"
#include "TextConv.h"
#include <ws2tcpip.h>
#include <algorithm>

namespace LocalHttp {

namespace {

const char kCommonHeaders[] =
    "Host: 127.0.0.1\n"
    "Connection: close\n"
    "Expires: Mon, 18 Oct 1980 14:15:00 GMT\n"
    "Cache-Control: no-store, no-cache\n"
    "Pragma: no-cache\n";

const struct { const wchar_t* name; UINT id; } kBuiltIn[] = {
    {L"index.htm", 213},   {L"index_ru.htm", 238}, {L"style.css", 178}, {L"style_ru.css", 239},
    {L"note.png", 179},    {L"folder.png", 180},   {L"help.png", 181},  {L"clipper.png", 182},
    {L"logo.png", 183},    {L"loader_2.gif", 203}, {L"screen.png", 214}, {L"pred69.png", 224},
};

const int kRequestBuffer = 4096;
const int kNameLimit = 300;     // the name never reaches past this byte of the request
const int kPollMs = 100;        // how often the accept loop looks at the stop request

// A header value as UTF-8 on one line (a stored MIME type never adds header lines).
std::string HeaderText(const CString& text)
{
    char* utf8 = nullptr;
    std::string out;
    if (WideToUtf8(text.GetString(), utf8) > 0)
        out = utf8;
    delete[] utf8;
    out.erase(std::remove_if(out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n'; }), out.end());
    return out;
}

bool SendAll(SOCKET s, const char* bytes, int length)
{
    while (length > 0) {
        int n = send(s, bytes, length, 0);
        if (n <= 0)
            return false;
        bytes += n;
        length -= n;
    }
    return true;
}

// Streams a file-kept attachment's file as the body.
void SendAttachFile(SOCKET s, DB::CItemAttach& rec)
{
    if (!rec.OpenStream(0))
        return;
    char chunk[65536];
    int n;
    while ((n = rec.ReadData(chunk, sizeof chunk)) > 0)
        if (!SendAll(s, chunk, n))
            break;
    rec.CloseStream();
}

void ServeRequest(DB::CPeloraDatabase* db, SOCKET s)
{
    char* request = new char[kRequestBuffer + 1]();
    int got = recv(s, request, kRequestBuffer, 0);
    std::string reply;
    if (got < 4 || strncmp(request, "GET ", 4) != 0) {
        reply = std::string("HTTP/1.1 403 ERROR\n") + kCommonHeaders;
        SendAll(s, reply.data(), (int)reply.size());
        delete[] request;
        return;
    }
    const char* p = request + 4;
    bool note = false, attach = false;
    if (strncmp(p, "/note/", 6) == 0) {
        note = true;
        p += 6;
    }
    if (strncmp(p, "/attach/", 8) == 0) {
        attach = true;
        p += 8;
    }
    CString name;
    for (; (p - request) < kNameLimit && *p && *p != ' ' && *p != '#' && *p != '?'; ++p)
        name += (wchar_t)(unsigned char)*p;

    if (!note && !attach) {
        reply = std::string("HTTP/1.1 403 ERROR\n") + kCommonHeaders;
        SendAll(s, reply.data(), (int)reply.size());
    } else if (!attach) {
        // note pages are answered with headers only
        reply = std::string("HTTP/1.1 200 OK\n") + kCommonHeaders + "Content-Type: text/html; charset=UTF-8\n\n";
        SendAll(s, reply.data(), (int)reply.size());
    } else {
        DB::CItemAttach rec;
        bool known = false;
        if (!name.IsEmpty() && db && db->IsOpen()) {
            rec.attach_id = name;
            DB::CItemList list;
            db->GetAttachList(&rec, &list, 0);
            known = !list.IsEmpty();
            if (list.GetCount() == 1)
                rec = *static_cast<DB::CItemAttach*>(list.GetHead());
            if (known && !(rec.flags & DB::AttachFlagNoServe) && !rec.IsFileStorage())
                db->LoadAttachContent(&rec);
        }
        CString mime = rec.mime;
        if (name == L"index.htm" || name == L"index_ru.htm")
            mime = L"text/html";
        else if (name == L"style.css" || name == L"style_ru.css")
            mime = L"text/css";

        BYTE* builtIn = nullptr;
        DWORD builtInSize = 0;
        bool hasContent = rec.data && rec.size > 0 && !rec.IsFileStorage();
        if (!hasContent && !(known && rec.IsFileStorage())) {
            if (UINT id = FindBuiltInItem(name)) {
                Utils::BinRes::ExtractBinResource(L"DBITEMS", id, builtIn, builtInSize);
                known = true;
            }
        }
        if (!known) {
            reply = std::string("HTTP/1.1 404 Not Found\n") + kCommonHeaders + "\n";
            SendAll(s, reply.data(), (int)reply.size());
        } else {
            reply = std::string("HTTP/1.1 200 OK\n") + kCommonHeaders + "Content-Type: " +
                    HeaderText(mime) + "\n\n";
            if (SendAll(s, reply.data(), (int)reply.size())) {
                if (hasContent)
                    SendAll(s, (const char*)rec.data, (int)rec.size);
                else if (builtInSize)
                    SendAll(s, (const char*)builtIn, (int)builtInSize);
                else if (rec.IsFileStorage() && !(rec.flags & DB::AttachFlagNoServe))
                    SendAttachFile(s, rec);
            }
        }
        delete[] builtIn;
    }
    delete[] request;
}

struct ServerArgs {
    DB::CPeloraDatabase* db;
    volatile LONG* stop;
};

DWORD WINAPI ServerThread(void* param)
{
    ServerArgs args = *(ServerArgs*)param;
    delete (ServerArgs*)param;
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);

    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);   // the program's own pages only
    addr.sin_port = 0;
    int port = 0;
    if (listener != INVALID_SOCKET && bind(listener, (sockaddr*)&addr, sizeof addr) == 0 &&
        listen(listener, 5) == 0) {
        int len = sizeof addr;
        if (getsockname(listener, (sockaddr*)&addr, &len) == 0)
            port = ntohs(addr.sin_port);
    }
    Utils::BinRes::SetServerPort(port);

    while (port && !InterlockedCompareExchange(args.stop, 0, 0)) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(listener, &ready);
        timeval wait = {0, kPollMs * 1000};
        int n = select(0, &ready, nullptr, nullptr, &wait);
        if (n < 0)
            break;
        if (n == 0)
            continue;
        SOCKET client = accept(listener, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            continue;
        DWORD timeout = kClientTimeoutMs;
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, (const char*)&timeout, sizeof timeout);
        setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, (const char*)&timeout, sizeof timeout);
        ServeRequest(args.db, client);
        shutdown(client, SD_SEND);
        closesocket(client);
    }
    if (listener != INVALID_SOCKET)
        closesocket(listener);
    WSACleanup();
    return 0;
}

} // namespace

UINT FindBuiltInItem(const wchar_t* name)
{
    for (const auto& item : kBuiltIn)
        if (name && wcscmp(name, item.name) == 0)
            return item.id;
    return 0;
}

} // namespace LocalHttp

namespace DB {

int CPeloraDatabase::StartNetService()
{
    if (net_service_thread)
        return 1;
    InterlockedExchange(&m_netStop, 0);
    auto* args = new LocalHttp::ServerArgs{this, &m_netStop};
    net_service_thread = CreateThread(nullptr, 0, LocalHttp::ServerThread, args, 0, nullptr);
    if (!net_service_thread) {
        delete args;
        return 0;
    }
    return 1;
}

int CPeloraDatabase::StopNetService()
{
    CLogStream log(LOG_LEVEL_STORE);
    log << "DB::CPeloraDatabase::StopNetService" << ":" << __LINE__ << " - ";
    log.End();
    if (!net_service_thread)
        return 0;
    // The thread sees the request within one poll (or when its current client is done or timed
    // out), closes its sockets and ends.
    InterlockedExchange(&m_netStop, 1);
    WaitForSingleObject(net_service_thread, INFINITE);
    CloseHandle(net_service_thread);
    net_service_thread = nullptr;
    return 1;
}

} // namespace DB
