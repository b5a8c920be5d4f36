// Initial full sync into an empty database: 5,000 notes of 4 KB and 500 attachments of 100 KB
// from the note-service stand-in over loopback, beside plain libcurl making the same requests
// for the same bytes (sign-in, the structure, one request per note, one GET per attachment)
// over the same kind of connection: one kept-alive connection on each side. Both sides run
// once to warm up, then RUNS times each in alternating order; the median of the ratios is
// printed, with the requests each side made as the stand-in counted them.
// Run by hand under Wine with the stand-in around it:
//   sync/tests/with_noteservice.sh build/x86_64/bin/bench_syncthread.exe [notes] [attachments] [runs]
#include "MergeNotebookStore.h"
#include "Notebook.h"
#include "NotebookServices.h"
#include "PeloraDatabase.h"
#include "SyncThread.h"
#include "Md5.h"
#include <curl/curl.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
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

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The stand-in's count of requests per target since the last call.
std::string TakeRequestCounts(const char* base)
{
    std::string url = base;
    size_t path = url.find('/', url.find("://") + 3);
    if (path != std::string::npos)
        url.erase(path);
    url += "/_control";
    CURL* h = curl_easy_init();
    std::string reply;
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, "{\"op\":\"requests\",\"clear\":true}");
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply);
    curl_easy_perform(h);
    curl_easy_cleanup(h);
    Json::Value root;
    std::string out;
    if (CSync::ParseReply(reply, root)) {
        const Json::Value& counts = root["counts"];
        for (const std::string& name : counts.getMemberNames())
            out += " " + name + "=" + std::to_string(counts[name].asInt());
    }
    return out;
}

// The sync side: one initial sync into a new database through the two sync threads, whose
// client (and its connection) lives on between runs.
struct SyncSide {
    CStringA url;
    std::vector<BYTE> digest;
    int expectedNotes = 0;
    EndObserver observer;
    CSyncThread* a = nullptr;
    CSyncThread* b = nullptr;

    void Start()
    {
        a = new CSyncThread;
        b = new CSyncThread;
        CSyncThread::SetThreads(a, b);
        a->SetObserver(&observer);
        b->SetObserver(&observer);
        a->CreateThread();
        b->CreateThread();
        while (CSyncThread::GetThreadCount() < 2)
            Sleep(5);
    }

    void Stop()
    {
        for (CSyncThread* t : {b, a}) {
            t->PostThreadMessage(WM_QUIT, 0, 0);
            WaitForSingleObject(t->m_hThread, 10000);
            delete t;
        }
    }

    // Seconds, or a negative value when the sync did not bring every note.
    double Run(int run)
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        CString dbPath;
        dbPath.Format(L"%spelora-bench-%lu-%d.db", temp, GetCurrentProcessId(), run);
        DeleteFileW(dbPath);
        double seconds = -1;
        {
            DB::CPeloraDatabase db;
            if (db.OpenDatabase(dbPath, 1) != 1) {
                printf("cannot open the database\n");
                return -1;
            }
            Services services;
            Pelora::CNotebook book(&db);
            book.SetServices(&services, &services, &services);
            book.LoadNotebook();
            CNotebookSyncStore store(&db, &book);
            CSyncThread::SetStore(&store);
            CSyncThread::SetAccount(L"bench@example.com", digest.data());
            ResetEvent(observer.ended);
            Clock::time_point t0 = Clock::now();
            a->RunSync();
            WaitForSingleObject(observer.ended, INFINITE);
            seconds = Seconds(t0);
            DB::CItemNote all;
            DB::CItemList notes;
            db.GetNoteList(&all, &notes);
            DB::CItemAttach attachFilter;
            int pending = 0;
            attachFilter.sync_priority = 1;
            db.GetAttachCount(&attachFilter, &pending);
            int up = CSyncThread::GetUploadResult(), down = CSyncThread::GetDownloadResult();
            if (up != 0 || down != 0 || notes.GetCount() < expectedNotes || pending != 0) {
                printf("sync run %d: upload %d, download %d, %d notes, %d attachments still queued\n", run, up, down,
                       (int)notes.GetCount(), pending);
                seconds = -1;
            }
            CSyncThread::SetStore(nullptr);
            db.CloseDatabase();
        }
        DeleteFileW(dbPath);
        return seconds;
    }
};

// The plain side: the same requests over one kept-alive libcurl handle, the reply of each
// gathered into a string; attachment addresses found by a plain search.
struct PlainSide {
    CStringA url;
    std::string password;
    int noteCount = 0;
    int attachCount = 0;
    CURL* h = curl_easy_init();
    std::string reply;
    long long bytes = 0;

    ~PlainSide() { curl_easy_cleanup(h); }

    bool Post(const std::string& json, const std::string& session)
    {
        reply.clear();
        curl_slist* headers = session.empty() ? nullptr
                                              : curl_slist_append(nullptr, ("Marrowgate-Session-ID: " + session).c_str());
        if (headers)
            headers = curl_slist_append(headers, "Expect:");
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(h, CURLOPT_URL, url.GetString());
        curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "deflate");
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, json.c_str());
        CURLcode rc = curl_easy_perform(h);
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
        curl_slist_free_all(headers);
        bytes += (long long)reply.size();
        return rc == CURLE_OK;
    }

    static std::string Field(const std::string& text, const char* key, size_t from = 0)
    {
        size_t at = text.find(std::string("\"") + key + "\"", from);
        size_t q1 = at == std::string::npos ? at : text.find('"', text.find(':', at) + 1);
        size_t q2 = q1 == std::string::npos ? q1 : text.find('"', q1 + 1);
        return q2 == std::string::npos ? std::string() : text.substr(q1 + 1, q2 - q1 - 1);
    }

    double Run()
    {
        bytes = 0;
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, Collect);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply);
        Clock::time_point t0 = Clock::now();
        if (!Post("{\"action\":\"user:auth\",\"body\":{\"email\":\"bench@example.com\",\"password\":\"" + password +
                      "\",\"hauth\":true},\"_client_software\":\"win_notes\"}",
                  ""))
            return -1;
        std::string session = Field(reply, "sessionid");
        Post("{\"action\":\"notes:account\",\"body\":null,\"_client_software\":\"win_notes\"}", session);
        Post("{\"action\":\"notes:get\",\"body\":{\"last_update_time\":\"0\",\"returnData\":\"structure\"},"
             "\"_client_software\":\"win_notes\"}",
             session);
        std::vector<std::string> locations;
        for (int i = 0; i < noteCount; ++i) {
            char id[32];
            snprintf(id, sizeof id, "benchnote%06d", i);
            Post(std::string("{\"action\":\"notes:get\",\"body\":{\"last_update_time\":\"0\",\"returnData\":\"all\","
                             "\"limit\":{\"global_id\":\"") +
                     id + "\"}},\"_client_software\":\"win_notes\"}",
                 session);
            std::string location = Field(reply, "location");
            if (!location.empty())
                locations.push_back(location);
        }
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
        for (const std::string& loc : locations) {
            reply.clear();
            curl_easy_setopt(h, CURLOPT_URL, loc.c_str());
            curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "deflate");
            curl_easy_perform(h);
            bytes += (long long)reply.size();
        }
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        Post("{\"action\":\"user:info\",\"_client_software\":\"win_notes\"}", session);
        double seconds = Seconds(t0);
        return (int)locations.size() == attachCount ? seconds : -1;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    const int noteCount = argc > 1 ? atoi(argv[1]) : 5000;
    const int attachCount = argc > 2 ? atoi(argv[2]) : 500;
    const int runs = argc > 3 ? std::max(1, atoi(argv[3])) : 5;
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

    SyncSide sync;
    sync.url = url;
    sync.digest = digest;
    sync.expectedNotes = noteCount;
    sync.Start();
    PlainSide plain;
    plain.url = url;
    plain.noteCount = noteCount;
    plain.attachCount = attachCount;
    plain.password = seeder.GetPasswordText().GetString();

    // warm: both sides once, not counted; the stand-in's counts show the same requests
    TakeRequestCounts(url);
    if (sync.Run(0) < 0)
        return 1;
    std::string syncRequests = TakeRequestCounts(url);
    if (plain.Run() < 0) {
        printf("plain libcurl did not get every attachment\n");
        return 1;
    }
    std::string plainRequests = TakeRequestCounts(url);
    printf("requests, sync: %s\nrequests, plain:%s (%lld bytes)\n", syncRequests.c_str(), plainRequests.c_str(),
           plain.bytes);

    std::vector<double> syncTimes, plainTimes, ratios;
    for (int run = 1; run <= runs; ++run) {
        double s = 0, p = 0;
        if (run % 2) {
            s = sync.Run(run);
            p = plain.Run();
        } else {
            p = plain.Run();
            s = sync.Run(run);
        }
        if (s < 0 || p <= 0)
            return 1;
        syncTimes.push_back(s);
        plainTimes.push_back(p);
        ratios.push_back(s / p);
        printf("run %d (%s first): sync %.2f s, plain libcurl %.2f s, ratio %.2f\n", run, run % 2 ? "sync" : "plain", s,
               p, s / p);
        fflush(stdout);
    }
    printf("median of %d runs: sync %.2f s, plain libcurl %.2f s; median ratio sync / plain: %.2f (goal: at most 2)\n",
           runs, Median(syncTimes), Median(plainTimes), Median(ratios));
    sync.Stop();
    return 0;
}
