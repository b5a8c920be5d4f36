// Threads: a user-interface thread made by runtime class that handles posted thread messages
// in order and deletes itself on WM_QUIT; worker threads; the application's own message loop.
#include "Framework.h"
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

namespace {

const UINT kRecord = WM_USER + 0x50;
const UINT kRecordOther = WM_USER + 0x51;
const UINT kUnmapped = WM_USER + 0x52;
const int kEndThread = 2;

struct Seen {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD threadId;
  bool currentMatches;  // GetCurrentMessage() showed the message being handled
  bool threadIsSelf;    // AfxGetThread() returned the handling object
};

struct Journal {
  std::mutex lock;
  std::vector<Seen> seen;
  std::vector<std::string> life;  // InitInstance / ExitInstance / destructor, in order
  DWORD initThreadId = 0;
  int initResult = TRUE;  // kEndThread: InitInstance ends the thread itself
  void Life(const char* what) {
    std::lock_guard<std::mutex> g(lock);
    life.push_back(what);
  }
  void Reset(int init) {
    std::lock_guard<std::mutex> g(lock);
    seen.clear();
    life.clear();
    initThreadId = 0;
    initResult = init;
  }
};
Journal g_journal;

class CRecordingThread : public CWinThread {
  DECLARE_DYNCREATE(CRecordingThread)
 public:
  ~CRecordingThread() override { g_journal.Life("deleted"); }
  BOOL InitInstance() override {
    g_journal.initThreadId = ::GetCurrentThreadId();
    g_journal.Life("init");
    if (g_journal.initResult == kEndThread) AfxEndThread(9);
    return g_journal.initResult;
  }
  int ExitInstance() override {
    g_journal.Life("exit");
    return CWinThread::ExitInstance() + 100;
  }

 protected:
  void OnRecord(WPARAM w, LPARAM l) { Note(kRecord, w, l); }
  void OnRecordOther(WPARAM w, LPARAM l) { Note(kRecordOther, w, l); }
  void Note(UINT message, WPARAM w, LPARAM l) {
    const MSG* cur = GetCurrentMessage();
    std::lock_guard<std::mutex> g(g_journal.lock);
    g_journal.seen.push_back({message, w, l, ::GetCurrentThreadId(),
                              cur->message == message && cur->wParam == w && cur->lParam == l &&
                                  AfxGetCurrentMessage() == cur,
                              AfxGetThread() == this});
  }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(CRecordingThread, CWinThread)
BEGIN_MESSAGE_MAP(CRecordingThread, CWinThread)
  ON_THREAD_MESSAGE(kRecord, OnRecord)
  ON_THREAD_MESSAGE(kRecordOther, OnRecordOther)
END_MESSAGE_MAP()

HANDLE KeepHandle(CWinThread* t) {
  HANDLE h = nullptr;
  ::DuplicateHandle(::GetCurrentProcess(), t->m_hThread, ::GetCurrentProcess(), &h, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
  return h;
}

DWORD WaitExit(HANDLE h) {
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(h, 10000));
  DWORD code = 0;
  ::GetExitCodeThread(h, &code);
  ::CloseHandle(h);
  return code;
}

TEST(CoreThread, UiThreadHandlesPostedMessagesInOrderAndEndsOnQuit) {
  g_journal.Reset(TRUE);
  CWinThread* t = AfxBeginThread(RUNTIME_CLASS(CRecordingThread));
  ASSERT_NE(nullptr, t);
  ASSERT_TRUE(t->IsKindOf(RUNTIME_CLASS(CRecordingThread)));
  HANDLE h = KeepHandle(t);
  DWORD id = t->m_nThreadID;
  EXPECT_NE(0u, id);

  // posted at once: the queue exists before AfxBeginThread returns
  std::vector<Seen> want;
  for (int i = 0; i < 40; ++i) {
    UINT m = (i % 3 == 0) ? kRecordOther : kRecord;
    ASSERT_TRUE(t->PostThreadMessage(m, i, -i));
    want.push_back({m, (WPARAM)i, (LPARAM)-i, id, true, true});
    if (i % 10 == 5) {
      ASSERT_TRUE(::PostThreadMessageW(id, kUnmapped, i, 0));  // no handler: dropped
    }
  }
  ASSERT_TRUE(::PostThreadMessageW(id, WM_QUIT, 7, 0));
  EXPECT_EQ(107u, WaitExit(h));  // ExitInstance's result is the thread's exit code

  EXPECT_EQ(id, g_journal.initThreadId);
  ASSERT_EQ(want.size(), g_journal.seen.size());
  for (size_t i = 0; i < want.size(); ++i) {
    const Seen& s = g_journal.seen[i];
    EXPECT_EQ(want[i].message, s.message) << i;
    EXPECT_EQ(want[i].wParam, s.wParam) << i;
    EXPECT_EQ(want[i].lParam, s.lParam) << i;
    EXPECT_EQ(id, s.threadId) << i;
    EXPECT_TRUE(s.currentMatches) << i;
    EXPECT_TRUE(s.threadIsSelf) << i;
  }
  EXPECT_EQ((std::vector<std::string>{"init", "exit", "deleted"}), g_journal.life);
}

TEST(CoreThread, ThreadsEndingBeforeTheirLoopStillDeleteTheirObject) {
  struct Case { int init; DWORD code; std::vector<std::string> life; } cases[] = {
    {FALSE, 100, {"init", "exit", "deleted"}},  // ExitInstance still runs
    {kEndThread, 9, {"init", "deleted"}},        // AfxEndThread: straight out
  };
  for (auto& c : cases) {
    g_journal.Reset(c.init);
    CWinThread* t = AfxBeginThread(RUNTIME_CLASS(CRecordingThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(nullptr, t);
    HANDLE h = KeepHandle(t);
    EXPECT_TRUE(t->PostThreadMessage(kRecord, 1, 1));  // never handled: no loop runs
    t->ResumeThread();
    EXPECT_EQ(c.code, WaitExit(h)) << c.init;
    EXPECT_TRUE(g_journal.seen.empty());
    EXPECT_EQ(c.life, g_journal.life) << c.init;
  }
}

UINT AFX_CDECL Worker(LPVOID param) {
  int* out = static_cast<int*>(param);
  out[0] = ::GetThreadPriority(::GetCurrentThread());
  out[1] = AfxGetThread() != nullptr;
  return 42;
}

TEST(CoreThread, WorkerFunctionsAndKeptThreadObjects) {
  // kept object: created suspended, not deleted at the end, priority set before it runs
  int seen[2] = {-99, 0};
  CWinThread* t = AfxBeginThread(Worker, seen, THREAD_PRIORITY_ABOVE_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(nullptr, t);
  t->m_bAutoDelete = FALSE;
  EXPECT_EQ(-99, seen[0]);  // not started yet
  t->ResumeThread();
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(t->m_hThread, 10000));
  DWORD code = 0;
  ::GetExitCodeThread(t->m_hThread, &code);
  EXPECT_EQ(42u, code);
  EXPECT_EQ(THREAD_PRIORITY_ABOVE_NORMAL, seen[0]);
  EXPECT_EQ(1, seen[1]);
  delete t;

  // self-deleting worker (held suspended only so the test can take its handle first)
  int again[2] = {};
  t = AfxBeginThread(Worker, again, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
  ASSERT_NE(nullptr, t);
  HANDLE h = KeepHandle(t);
  t->ResumeThread();
  EXPECT_EQ(42u, WaitExit(h));

  // what cannot run as a thread
  EXPECT_EQ(nullptr, AfxBeginThread((AFX_THREADPROC) nullptr, nullptr));
  EXPECT_EQ(nullptr, AfxBeginThread(RUNTIME_CLASS(CWinThread)));  // no dynamic creation
  EXPECT_EQ(nullptr, AfxBeginThread(RUNTIME_CLASS(CFile)));       // not a thread class
}

// The application object's own loop: thread messages go to the application's message map.
class CLoopApp : public CWinApp {
 public:
  CLoopApp() : CWinApp(L"FxLoopApp") {}
  BOOL initResult = TRUE;
  std::vector<WPARAM> handled;
  BOOL InitInstance() override {
    PostThreadMessage(kRecord, 1, 0);
    PostThreadMessage(kRecord, 2, 0);
    PostThreadMessage(WM_QUIT, 3, 0);
    return initResult;
  }
  int ExitInstance() override { return CWinApp::ExitInstance() + 10; }

 protected:
  void OnRecord(WPARAM w, LPARAM) {
    handled.push_back(w);
    if (AfxGetThread() != this) handled.push_back(999);
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CLoopApp, CWinApp)
  ON_THREAD_MESSAGE(kRecord, OnRecord)
END_MESSAGE_MAP()

TEST(CoreThread, ApplicationLoopDispatchesItsThreadMessages) {
  {
    CLoopApp app;
    EXPECT_EQ(&app, AfxGetApp());
    EXPECT_EQ(13, AfxWinMain(::GetModuleHandleW(nullptr), nullptr, (LPTSTR)L"", SW_SHOW));
    EXPECT_EQ((std::vector<WPARAM>{1, 2}), app.handled);
    EXPECT_EQ(SW_SHOW, app.m_nCmdShow);
  }
  EXPECT_EQ(nullptr, AfxGetApp());
  {
    // a failed InitInstance runs ExitInstance and no loop
    CLoopApp app;
    app.initResult = FALSE;
    EXPECT_EQ(10, AfxWinMain(::GetModuleHandleW(nullptr), nullptr, (LPTSTR)L"", SW_HIDE));
    EXPECT_TRUE(app.handled.empty());
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {}  // drop what it posted
  }
}

}  // namespace
