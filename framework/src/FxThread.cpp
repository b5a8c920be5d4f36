// CWinThread: thread start-up handshake, the message loop and thread-message dispatch.
#include "Framework.h"
#include <process.h>

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)

namespace {
// The CWinThread of each thread the framework started.
thread_local CWinThread* t_currentThread = nullptr;

// Handed to the new thread. The thread frees it once it has passed the start-up handshake.
struct ThreadStartup {
  CWinThread* thread;
  HANDLE started;  // set by the new thread when its message queue exists
  HANDLE go;       // set by the creator once it has suspended the thread, if asked to
};

// The WM_MOUSEMOVE/WM_NCMOUSEMOVE that the loop treats as no news (the pointer did not move).
bool SameMouseMove(const MSG* msg, const POINT& last, UINT lastMsg) {
  return (msg->message == WM_MOUSEMOVE || msg->message == WM_NCMOUSEMOVE) &&
         msg->message == lastMsg && msg->pt.x == last.x && msg->pt.y == last.y;
}
}  // namespace

AFX_THREAD_HOOKS& AfxGetThreadHooks() {
  static AFX_THREAD_HOOKS hooks;
  return hooks;
}

DWORD WINAPI FxThreadEntry(LPVOID p) {
  ThreadStartup* startup = static_cast<ThreadStartup*>(p);
  CWinThread* thread = startup->thread;
  t_currentThread = thread;
  MSG msg;
  ::PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // makes the queue
  ::SetEvent(startup->started);
  ::WaitForSingleObject(startup->go, INFINITE);
  ::CloseHandle(startup->go);
  delete startup;

  UINT result;
  if (thread->m_pfnThreadProc)
    result = thread->m_pfnThreadProc(thread->m_pThreadParams);
  else if (!thread->InitInstance())
    result = (UINT)thread->ExitInstance();
  else
    result = (UINT)thread->Run();
  t_currentThread = nullptr;
  thread->Delete();
  return result;
}

CWinThread::CWinThread() {}

CWinThread::CWinThread(AFX_THREADPROC proc, LPVOID param) : m_pfnThreadProc(proc), m_pThreadParams(param) {}

CWinThread::~CWinThread() {
  if (m_hThread) ::CloseHandle(m_hThread);
  if (t_currentThread == this) t_currentThread = nullptr;
}

BOOL CWinThread::CreateThread(DWORD createFlags, UINT stackSize, LPSECURITY_ATTRIBUTES sa) {
  if (m_hThread) return FALSE;  // already running
  ThreadStartup* startup = new ThreadStartup{this, ::CreateEventW(nullptr, TRUE, FALSE, nullptr),
                                              ::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  HANDLE started = startup->started;
  if (!started || !startup->go) {
    if (started) ::CloseHandle(started);
    if (startup->go) ::CloseHandle(startup->go);
    delete startup;
    return FALSE;
  }
  // _beginthreadex so the C runtime of the new thread is set up as for any thread of ours.
  unsigned id = 0;
  HANDLE h = (HANDLE)_beginthreadex(sa, stackSize, (unsigned(__stdcall*)(void*))FxThreadEntry,
                                    startup, createFlags & ~CREATE_SUSPENDED, &id);
  if (!h) {
    ::CloseHandle(started);
    ::CloseHandle(startup->go);
    delete startup;
    return FALSE;
  }
  m_hThread = h;
  m_nThreadID = id;
  ::WaitForSingleObject(started, INFINITE);
  ::CloseHandle(started);
  if (createFlags & CREATE_SUSPENDED) ::SuspendThread(h);
  ::SetEvent(startup->go);  // the thread owns `startup` from here on
  return TRUE;
}

BOOL CWinThread::InitInstance() { return FALSE; }

int CWinThread::ExitInstance() { return (int)m_msgCur.wParam; }

void CWinThread::Delete() {
  if (m_bAutoDelete) delete this;
}

int CWinThread::Run() {
  BOOL idle = TRUE;
  LONG idleCount = 0;
  for (;;) {
    while (idle && !::PeekMessageW(&m_msgCur, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!OnIdle(idleCount++)) idle = FALSE;
    }
    do {
      if (!PumpMessage()) return ExitInstance();
      if (IsIdleMessage(&m_msgCur)) {
        idle = TRUE;
        idleCount = 0;
      }
    } while (::PeekMessageW(&m_msgCur, nullptr, 0, 0, PM_NOREMOVE));
  }
}

BOOL CWinThread::PumpMessage() {
  BOOL got = ::GetMessageW(&m_msgCur, nullptr, 0, 0);
  if (got == 0 || got == -1) {  // WM_QUIT, or a broken queue that would spin forever
    if (got == -1) m_msgCur.wParam = (WPARAM)-1;
    return FALSE;
  }
  if (!PreTranslateMessage(&m_msgCur)) {
    ::TranslateMessage(&m_msgCur);
    ::DispatchMessageW(&m_msgCur);
  }
  return TRUE;
}

BOOL CWinThread::PreTranslateMessage(MSG* msg) {
  if (!msg->hwnd) return DispatchThreadMessage(msg);
  AFX_THREAD_HOOKS& hooks = AfxGetThreadHooks();
  return hooks.preTranslateMessage ? hooks.preTranslateMessage(this, msg) : AfxPreTranslateMessage(msg);
}

BOOL CWinThread::OnIdle(LONG count) {
  AFX_THREAD_HOOKS& hooks = AfxGetThreadHooks();
  if (hooks.onIdle) return hooks.onIdle(this, count);
  if (count <= 0) {
    // first round: command states of the main window and its bars
    CWnd* main = GetMainWnd();
    HWND h = main ? main->GetSafeHwnd() : nullptr;
    if (h && ::IsWindowVisible(h)) {
      AfxCallWndProc(main, h, WM_IDLEUPDATECMDUI, TRUE, 0);
      main->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE, TRUE);
    }
    return TRUE;
  }
  if (count == 1) AfxDeleteTempMaps();  // second round: temporary wrappers
  return FALSE;
}

BOOL CWinThread::IsIdleMessage(MSG* msg) {
  if (SameMouseMove(msg, m_ptCursorLast, m_nMsgLast)) return FALSE;
  m_ptCursorLast = msg->pt;
  m_nMsgLast = msg->message;
  // painting and the caret's blink timer do not start a new round of idle work
  return msg->message != WM_PAINT && msg->message != 0x0118 /* WM_SYSTIMER */;
}

CWnd* CWinThread::GetMainWnd() { return m_pMainWnd; }

BOOL CWinThread::PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return m_nThreadID && ::PostThreadMessageW(m_nThreadID, message, wParam, lParam);
}

DWORD CWinThread::ResumeThread() { return ::ResumeThread(m_hThread); }
DWORD CWinThread::SuspendThread() { return ::SuspendThread(m_hThread); }
int CWinThread::GetThreadPriority() { return ::GetThreadPriority(m_hThread); }
BOOL CWinThread::SetThreadPriority(int priority) { return ::SetThreadPriority(m_hThread, priority); }

// ---------------------------------------------------------------------------------------------
namespace {
CWinThread* Start(CWinThread* thread, int priority, UINT stackSize, DWORD createFlags,
                  LPSECURITY_ATTRIBUTES sa) {
  if (!thread->CreateThread(createFlags | CREATE_SUSPENDED, stackSize, sa)) {
    delete thread;
    return nullptr;
  }
  thread->SetThreadPriority(priority);
  if (!(createFlags & CREATE_SUSPENDED)) thread->ResumeThread();
  return thread;
}
}  // namespace

CWinThread* AfxBeginThread(AFX_THREADPROC fn, LPVOID param, int priority, UINT stackSize,
                           DWORD createFlags, LPSECURITY_ATTRIBUTES sa) {
  if (!fn) return nullptr;
  return Start(new CWinThread(fn, param), priority, stackSize, createFlags, sa);
}

CWinThread* AfxBeginThread(CRuntimeClass* threadClass, int priority, UINT stackSize,
                           DWORD createFlags, LPSECURITY_ATTRIBUTES sa) {
  if (!threadClass || !threadClass->IsDerivedFrom(RUNTIME_CLASS(CWinThread))) return nullptr;
  CObject* object = threadClass->CreateObject();
  if (!object) return nullptr;
  return Start(static_cast<CWinThread*>(object), priority, stackSize, createFlags, sa);
}

void AfxEndThread(UINT exitCode, BOOL deleteObject) {
  CWinThread* thread = t_currentThread;
  t_currentThread = nullptr;
  if (thread && deleteObject) thread->Delete();
  _endthreadex(exitCode);
  for (;;) {}  // not reached
}

CWinThread* AfxGetThread() {
  if (t_currentThread) return t_currentThread;
  CWinApp* app = AfxGetApp();
  return app && app->m_nThreadID == ::GetCurrentThreadId() ? app : nullptr;
}

CWnd* AfxGetMainWnd() {
  CWinThread* thread = AfxGetThread();
  CWnd* wnd = thread ? thread->GetMainWnd() : nullptr;
  if (!wnd && AfxGetApp()) wnd = AfxGetApp()->GetMainWnd();
  return wnd;
}

MSG* AfxGetCurrentMessage() {
  static thread_local MSG none;
  CWinThread* thread = AfxGetThread();
  return thread ? &thread->m_msgCur : &none;
}
