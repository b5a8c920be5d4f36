// Initial full sync into an empty database: 5,000 notes of 4 KB and 500 attachments of 100 KB
// from the note-service stand-in over loopback, beside the time plain libcurl requests take to
// fetch the same bytes (one structure request, one request per note, one GET per attachment).
// Run by hand under Wine with the stand-in around it:
//   sync/tests/with_noteservice.sh build/x86_64/bin/bench_syncthread.exe [notes] [attachments]
#include "MergeNotebookStore.h"
#include "Notebook.h"
#include "NotebookServices.h"
#include "PeloraDatabase.h"
#include "SyncThread.h"
#include "Md5.h"
#include <curl/curl.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace Sync;
using Clock = std::chrono::steady_clock;

namespace {

struct EndObserver : ISyncObserver {
    HANDLE ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    void OnSyncThreadEvent(int code, const wchar_t*, const wchar_t*, WPARAM) override
    {
        if (code == SYNC_EVENT_ENDED)
            SetEvent(ended);
    }
    void OnSyncProgress(const SyncProgressRecord&) override {}
};

struct Services : Pelora::IApplicationServices, Pelora::IEditorServices, Pelora::IPaneServices {};

std::vector<BYTE> Digest(const char* password)
{
    static const char kSalt[] = "(q7w2e9rtz)54abKLmnop8yuD~8421ghj]{[}xvb}[907T";
    std::string text = std::string(kSalt) + password;
    CMD5 md5;
    md5.Init();
    md5.Update(text.data(), text.size());
    std::vector<BYTE> d(16);
    md5.Final(d.data());
    return d;
}

size_t Collect(char* data, size_t size, size_t count, void* user)
{
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

}  // namespace

int main(int argc, char** argv)
{
    const int noteCount = argc > 1 ? atoi(argv[1]) : 5000;
    const int attachCount = argc > 2 ? atoi(argv[2]) : 500;
    CStringA url = GetDefaultServiceUrl();
    curl_global_init(CURL_GLOBAL_ALL);

    // --- the account and its data, sent by a client of its own
    CSync seeder(url, "win_client");
    seeder.RegisterUser(L"bench@example.com", L"bench");
    std::vector<BYTE> digest = Digest("bench");
    seeder.SetCredentials(L"bench@example.com", digest.data(), 16);
    if (seeder.Authenticate() != 0) {
        printf("cannot sign in at %s\n", url.GetString());
        return 1;
    }
    std::string attachBytes(100 * 1024, 'a');
    for (size_t i = 0; i < attachBytes.size(); ++i)
        attachBytes[i] = (char)('a' + (i * 7919) % 26);
    std::wstring body;
    while (body.size() < 4000)
        body += L"<p>Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod.</p>";
    body.resize(4096 - 16);
    std::vector<CServerObject> batch;
    unsigned stamp = 0;
    CString desc;
    for (int i = 0; i < noteCount; ++i) {
        CServerObject o;
        o.globalId.Format(L"benchnote%06d", i);
        o.type = L"note";
        o.parentId = L"default";
        o.title.Format(L"Note %d", i);
        o.text = (L"<div>" + body + L"</div>").c_str();
        o.hasText = true;
        if (i < attachCount) {
            CServerAttach a;
            a.globalId.Format(L"benchatt%06d", i);
            a.displayName.Format(L"file%d.bin", i);
            a.inList = 1;
            if (seeder.UploadAttachement(a.displayName, attachBytes.data(), attachBytes.size(),
                                         "application/octet-stream", a.tempname) != 0) {
                printf("upload %d failed\n", i);
                return 1;
            }
            o.attachements.push_back(a);
        }
        batch.push_back(o);
        if (batch.size() == 250 || i == noteCount - 1) {
            int rc = seeder.Store(batch, nullptr, stamp, desc);
            if (rc != 0) {
                printf("store failed: %d\n", rc);
                return 1;
            }
            batch.clear();
        }
    }
    printf("seeded %d notes of 4 KB and %d attachments of 100 KB\n", noteCount, attachCount);

    // --- the sync into an empty database
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    CString dbPath;
    dbPath.Format(L"%spelora-bench-%lu.db", temp, GetCurrentProcessId());
    DeleteFileW(dbPath);
    DB::CPeloraDatabase db;
    if (db.OpenDatabase(dbPath, 1) != 1) {
        printf("cannot open the database\n");
        return 1;
    }
    Services services;
    Pelora::CNotebook book(&db);
    book.SetServices(&services, &services, &services);
    book.LoadNotebook();
    CNotebookSyncStore store(&db, &book);
    EndObserver observer;
    CSyncThread* a = new CSyncThread;
    CSyncThread* b = new CSyncThread;
    CSyncThread::SetThreads(a, b);
    a->SetObserver(&observer);
    b->SetObserver(&observer);
    a->CreateThread();
    b->CreateThread();
    while (CSyncThread::GetThreadCount() < 2)
        Sleep(5);
    CSyncThread::SetStore(&store);
    CSyncThread::SetAccount(L"bench@example.com", digest.data());
    Clock::time_point t0 = Clock::now();
    a->RunSync();
    WaitForSingleObject(observer.ended, INFINITE);
    double syncSeconds = Seconds(t0);
    int up = CSyncThread::GetUploadResult(), down = CSyncThread::GetDownloadResult();
    DB::CItemNote all;
    DB::CItemList notes;
    db.GetNoteList(&all, &notes);
    DB::CItemAttach attachFilter;
    int pending = 0;
    attachFilter.sync_priority = 1;
    db.GetAttachCount(&attachFilter, &pending);
    printf("sync: %.2f s (upload %d, download %d; %d notes in the database, %d attachments still queued)\n",
           syncSeconds, up, down, notes.GetCount(), pending);
    std::string session = CSyncThread::GetClient()->GetSessionId().GetString();

    // --- the same bytes with plain libcurl requests
    CURL* h = curl_easy_init();
    curl_slist* headers = curl_slist_append(nullptr, ("Marrowgate-Session-ID: " + session).c_str());
    headers = curl_slist_append(headers, "Content-Type: application/json");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    std::string reply;
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply);
    long long bytes = 0;
    std::vector<std::string> locations;
    Clock::time_point t1 = Clock::now();
    auto post = [&](const std::string& json) {
        reply.clear();
        curl_easy_setopt(h, CURLOPT_URL, url.GetString());
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, json.c_str());
        curl_easy_perform(h);
        bytes += (long long)reply.size();
    };
    post("{\"action\":\"notes:get\",\"body\":{\"last_update_time\":\"0\",\"returnData\":\"structure\"},"
         "\"_client_software\":\"win_notes\"}");
    for (int i = 0; i < noteCount; ++i) {
        char id[32];
        snprintf(id, sizeof id, "benchnote%06d", i);
        post(std::string("{\"action\":\"notes:get\",\"body\":{\"last_update_time\":\"0\",\"returnData\":\"all\","
                         "\"limit\":{\"global_id\":\"") + id + "\"}},\"_client_software\":\"win_notes\"}");
        if (i < attachCount) {
            size_t at = reply.find("\"location\"");
            size_t q1 = at == std::string::npos ? at : reply.find('"', reply.find(':', at) + 1);
            size_t q2 = q1 == std::string::npos ? q1 : reply.find('"', q1 + 1);
            if (q2 != std::string::npos)
                locations.push_back(reply.substr(q1 + 1, q2 - q1 - 1));
        }
    }
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    for (const std::string& loc : locations) {
        reply.clear();
        curl_easy_setopt(h, CURLOPT_URL, loc.c_str());
        curl_easy_perform(h);
        bytes += (long long)reply.size();
    }
    double rawSeconds = Seconds(t1);
    curl_slist_free_all(headers);
    curl_easy_cleanup(h);
    printf("plain libcurl: %.2f s (%lld bytes, %zu attachments)\n", rawSeconds, bytes, locations.size());
    printf("ratio sync / plain: %.2f (target: at most 3)\n", rawSeconds > 0 ? syncSeconds / rawSeconds : 0.0);

    for (CSyncThread* t : {b, a}) {
        t->PostThreadMessage(WM_QUIT, 0, 0);
        WaitForSingleObject(t->m_hThread, 10000);
        delete t;
    }
    db.CloseDatabase();
    DeleteFileW(dbPath);
    return 0;
}
