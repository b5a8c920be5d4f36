// Threads: CWinThread for worker functions and for user-interface threads with a message loop
// and a thread message map (ON_THREAD_MESSAGE), started by AfxBeginThread.
#pragma once
#include "FxCmdTarget.h"

class CWnd;
class CWinThread;

typedef UINT(AFX_CDECL* AFX_THREADPROC)(LPVOID);

// The loop's window work. Each pointer left null means the loop's own: AfxPreTranslateMessage
// (the walk from the message's window up to its top-level window); at the first idle round
// WM_IDLEUPDATECMDUI to the visible main window and its descendants that have objects, at the
// second AfxDeleteTempMaps; DestroyWindow of the main window when the application's
// InitInstance fails. The window layer sets the ones it needs to extend (WndThread.cpp).
struct AFX_THREAD_HOOKS {
  BOOL (*preTranslateMessage)(CWinThread* thread, MSG* msg) = nullptr;  // TRUE takes the message
  BOOL (*onIdle)(CWinThread* thread, LONG count) = nullptr;             // TRUE for more rounds
  void (*destroyMainWnd)(CWinThread* thread) = nullptr;
};
AFX_THREAD_HOOKS& AfxGetThreadHooks();

class CWinThread : public CCmdTarget {
  DECLARE_DYNAMIC(CWinThread)
 public:
  // A user-interface thread; its class overrides InitInstance (and usually ExitInstance).
  CWinThread();
  // A worker thread that runs proc(param) and ends when it returns.
  CWinThread(AFX_THREADPROC proc, LPVOID param);
  ~CWinThread() override;  // closes the thread handle

  // Starts the thread. It has a message queue before this returns, so messages posted right
  // afterwards are never lost. With CREATE_SUSPENDED it waits for ResumeThread before
  // InitInstance (or the worker function) runs.
  BOOL CreateThread(DWORD createFlags = 0, UINT stackSize = 0, LPSECURITY_ATTRIBUTES sa = nullptr);

  // The thread's life: InitInstance; when it succeeds, Run until WM_QUIT; ExitInstance either
  // way; then Delete (which deletes the object when m_bAutoDelete is set).
  virtual BOOL InitInstance();           // FALSE: the thread ends at once
  virtual int Run();                     // the message loop; returns ExitInstance's result
  virtual int ExitInstance();            // the exit code: WM_QUIT's wParam
  virtual void Delete();

  // One message: FALSE on WM_QUIT. Thread messages (no window) go to the thread's message map
  // through PreTranslateMessage; window messages are offered to the window tree, then
  // translated and dispatched.
  virtual BOOL PumpMessage();
  virtual BOOL PreTranslateMessage(MSG* msg);
  virtual BOOL OnIdle(LONG count);       // TRUE when more idle calls are wanted
  virtual BOOL IsIdleMessage(MSG* msg);  // FALSE for repeats that must not restart idle work
  virtual CWnd* GetMainWnd();

  BOOL PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam);
  DWORD ResumeThread();
  DWORD SuspendThread();
  int GetThreadPriority();
  BOOL SetThreadPriority(int priority);
  // The message the loop is handling now (the last one taken from the queue).
  const MSG* GetCurrentMessage() const { return &m_msgCur; }
  operator HANDLE() const { return m_hThread; }

  HANDLE m_hThread = nullptr;
  DWORD m_nThreadID = 0;
  BOOL m_bAutoDelete = TRUE;
  CWnd* m_pMainWnd = nullptr;
  CWnd* m_pActiveWnd = nullptr;
  MSG m_msgCur = {};
  AFX_THREADPROC m_pfnThreadProc = nullptr;
  LPVOID m_pThreadParams = nullptr;

 private:
  friend DWORD WINAPI FxThreadEntry(LPVOID);
  POINT m_ptCursorLast = {-1, -1};  // for IsIdleMessage
  UINT m_nMsgLast = 0;
};

// Starts fn(param) on a new thread; the returned object deletes itself when the thread ends
// (clear m_bAutoDelete, with CREATE_SUSPENDED, to keep it). Null on failure.
CWinThread* AfxBeginThread(AFX_THREADPROC fn, LPVOID param, int priority = THREAD_PRIORITY_NORMAL,
                           UINT stackSize = 0, DWORD createFlags = 0, LPSECURITY_ATTRIBUTES sa = nullptr);
// Creates an object of a CWinThread class with dynamic creation and runs it as a
// user-interface thread. Null when the class cannot be created or the thread cannot start.
CWinThread* AfxBeginThread(CRuntimeClass* threadClass, int priority = THREAD_PRIORITY_NORMAL,
                           UINT stackSize = 0, DWORD createFlags = 0, LPSECURITY_ATTRIBUTES sa = nullptr);
// Ends the calling thread now (objects on its stack are not destroyed). With `deleteObject`
// the thread's object is deleted first, when it allows it.
[[noreturn]] void AfxEndThread(UINT exitCode, BOOL deleteObject = TRUE);
// The object of the calling thread: its CWinThread, or the application on the application's
// thread; null on threads the framework did not start.
CWinThread* AfxGetThread();
// The main window of the calling thread (falling back to the application's).
CWnd* AfxGetMainWnd();
// The message the calling thread's loop is handling (an empty record on a thread without one).
MSG* AfxGetCurrentMessage();
