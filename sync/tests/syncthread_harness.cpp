#include "syncthread_harness.h"
#include <chrono>
#include <cwctype>

namespace test {

void RecordingObserver::OnSyncThreadEvent(int code, const wchar_t* text1, const wchar_t* text2, WPARAM value)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_events.push_back({code, text1 ? text1 : L"", text2 ? text2 : L"", value});
    m_changed.notify_all();
}

void RecordingObserver::OnSyncProgress(const SyncProgressRecord& progress)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_progress.push_back(progress);
}

void RecordingObserver::Clear()
{
    std::lock_guard<std::mutex> g(m_lock);
    m_events.clear();
    m_progress.clear();
}

std::vector<RecordedEvent> RecordingObserver::Events()
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_events;
}

std::vector<SyncProgressRecord> RecordingObserver::ProgressList()
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_progress;
}

std::vector<int> RecordingObserver::Codes()
{
    std::vector<int> out;
    for (const RecordedEvent& e : Events())
        out.push_back(e.code);
    return out;
}

int RecordingObserver::Count(int code)
{
    int n = 0;
    for (const RecordedEvent& e : Events())
        n += e.code == code;
    return n;
}

bool RecordingObserver::WaitFor(int code, int count, int timeoutMs)
{
    std::unique_lock<std::mutex> g(m_lock);
    return m_changed.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] {
        int n = 0;
        for (const RecordedEvent& e : m_events)
            n += e.code == code;
        return n >= count;
    });
}

SyncProgressRecord RecordingObserver::LastProgress()
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_progress.empty() ? SyncProgressRecord() : m_progress.back();
}

SyncThreads& SyncThreads::Get()
{
    static SyncThreads threads;
    if (!threads.a) {
        threads.a = new Sync::CSyncThread;
        threads.b = new Sync::CSyncThread;
        Sync::CSyncThread::SetThreads(threads.a, threads.b);
        threads.a->SetObserver(&threads.observer);
        threads.b->SetObserver(&threads.observer);
        threads.a->CreateThread();
        threads.b->CreateThread();
        while (Sync::CSyncThread::GetThreadCount() < 2)
            Sleep(10);
        Sync::CSyncThread::GetClient()->SetAccountCache(&threads.accounts);
        Sync::CSyncThread::SetRetryPauseMs(50);
    }
    return threads;
}

SyncThreads::~SyncThreads()
{
    for (Sync::CSyncThread* t : {b, a}) {
        if (!t)
            continue;
        t->PostThreadMessage(WM_QUIT, 0, 0);
        WaitForSingleObject(t->m_hThread, 10000);
        delete t;
    }
}

Client::Client(const wchar_t* name) : group(name)
{
    m_a = new Sync::CSyncThread;
    m_b = new Sync::CSyncThread;
    group.SetThreads(m_a, m_b);
    m_a->SetObserver(&observer);
    m_b->SetObserver(&observer);
    m_a->CreateThread();
    m_b->CreateThread();
    while (group.GetThreadCount() < 2)
        Sleep(10);
    group.GetClient()->SetAccountCache(&m_accounts);
    group.SetRetryPauseMs(50);
}

Client::~Client()
{
    for (Sync::CSyncThread* t : {m_b, m_a}) {
        t->PostThreadMessage(WM_QUIT, 0, 0);
        WaitForSingleObject(t->m_hThread, 10000);
        delete t;
    }
}

void Client::Use(MemStore& store) { group.SetStore(&store); }

void Client::SignIn(const wchar_t* email)
{
    std::vector<BYTE> digest = PasswordDigest("secret");
    group.SetAccount(email, digest.data());
    group.GetClient()->SetTimeouts(Sync::CSync::Timeouts());
}

void Client::Start()
{
    m_ended = observer.Count(Sync::SYNC_EVENT_ENDED);
    m_a->RunSync();
}

bool Client::Wait(int timeoutMs)
{
    bool done = observer.WaitFor(Sync::SYNC_EVENT_ENDED, m_ended + 1, timeoutMs);
    for (int i = 0; i < 200 && group.IsSyncRunning(); ++i)
        Sleep(10);
    return done;
}

void FreshAccount(const wchar_t* email)
{
    SyncThreads& t = SyncThreads::Get();
    ResetService(false);
    Sync::CSync reg(ServiceUrl().c_str(), "win_client");
    reg.RegisterUser(email, L"secret");
    std::vector<BYTE> digest = PasswordDigest("secret");
    Sync::CSyncThread::SetAccount(email, digest.data());
    Sync::CSyncThread::GetClient()->SetTimeouts(Sync::CSync::Timeouts());
    t.observer.Clear();
}

bool SyncOnce(MemStore& store, int timeoutMs)
{
    SyncThreads& t = SyncThreads::Get();
    Sync::CSyncThread::SetStore(&store);
    int ended = t.observer.Count(Sync::SYNC_EVENT_ENDED);
    t.a->RunSync();
    bool done = t.observer.WaitFor(Sync::SYNC_EVENT_ENDED, ended + 1, timeoutMs);
    // the threads are idle again once the end has been reported
    for (int i = 0; i < 200 && Sync::CSyncThread::IsSyncRunning(); ++i)
        Sleep(10);
    return done;
}

Json::Value Fault(const char* target, const char* kind, Json::Value extra)
{
    extra["op"] = "fault";
    extra["target"] = target;
    extra["kind"] = kind;
    return Control(extra);
}

CString Words(const CString& html)
{
    CString out;
    bool inTag = false;
    for (int i = 0; i < html.GetLength(); ++i) {
        wchar_t c = html[i];
        if (c == L'<')
            inTag = true;
        else if (c == L'>')
            inTag = false;
        else if (!inTag && !iswspace(c))
            out += c;
    }
    out.Replace(L"&nbsp;", L"");
    return out;
}

}  // namespace test
