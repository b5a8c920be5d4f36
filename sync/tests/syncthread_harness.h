// The two sync threads of the tests, started once for the program, and a recording observer.
// A client is a MemStore: a sync runs for one client at a time (SyncOnce), against one
// account on the stand-in.
#pragma once
#include "SyncThread.h"
#include "client_support.h"
#include "syncthread_memstore.h"
#include <condition_variable>
#include <mutex>
#include <ostream>

// Readable CStrings in test failures.
inline void PrintTo(const CString& s, std::ostream* os)
{
    *os << '"' << Sync::ToUtf8(s) << '"';
}

namespace test {

struct RecordedEvent {
    int code;
    CString text1, text2;
    WPARAM value;
};

class RecordingObserver : public Sync::ISyncObserver {
public:
    void OnSyncThreadEvent(int code, const wchar_t* text1, const wchar_t* text2, WPARAM value) override;
    void OnSyncProgress(const SyncProgressRecord& progress) override;
    void Clear();
    std::vector<RecordedEvent> Events();
    std::vector<SyncProgressRecord> ProgressList();
    std::vector<int> Codes();
    int Count(int code);
    bool WaitFor(int code, int count, int timeoutMs);
    SyncProgressRecord LastProgress();

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<RecordedEvent> m_events;
    std::vector<SyncProgressRecord> m_progress;
};

// Started on first use, ended when the program ends.
struct SyncThreads {
    Sync::CSyncThread* a = nullptr;
    Sync::CSyncThread* b = nullptr;
    RecordingObserver observer;
    TestAccountStore accountStore;
    CUserAccounts accounts{&accountStore};
    static SyncThreads& Get();
    ~SyncThreads();
};

// A client with a pair of sync threads of its own (its own group: client, store, account and
// events), so that two clients sync at the same time in one program. Its store is set per run.
class Client {
public:
    explicit Client(const wchar_t* name);
    ~Client();
    void Use(MemStore& store);
    void SignIn(const wchar_t* email = L"sync@example.com");
    void Start();                       // a sync begins (returns at once)
    bool Wait(int timeoutMs = 60000);   // until it has ended
    bool Sync(int timeoutMs = 60000) { Start(); return Wait(timeoutMs); }
    bool Succeeded() { return group.GetUploadResult() == 0 && group.GetDownloadResult() == 0; }

    Sync::CSyncGroup group;
    RecordingObserver observer;

private:
    TestAccountStore m_accountStore;
    CUserAccounts m_accounts{&m_accountStore};
    Sync::CSyncThread* m_a = nullptr;
    Sync::CSyncThread* m_b = nullptr;
    int m_ended = 0;
};

// A fresh stand-in with one account (registered), signed in on the shared client; faults cleared.
void FreshAccount(const wchar_t* email = L"sync@example.com");
// One whole sync of `store`; false when it did not end within the time.
bool SyncOnce(MemStore& store, int timeoutMs = 60000);
Json::Value Fault(const char* target, const char* kind, Json::Value extra = Json::Value(Json::objectValue));
// The words of a note's HTML: the receiving side normalises the markup, not the text.
CString Words(const CString& html);

}  // namespace test
