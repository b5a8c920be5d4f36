// The message loop's window work, with one small window as the application's main window:
// the PreTranslateMessage walk, idle-time command-state updates, and the main window's end when
// InitInstance fails.
#include "Framework.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const UINT kEaten = WM_USER + 5;     // taken by PreTranslateMessage
const UINT kDispatched = WM_USER + 6;

class CLoopWnd : public CWnd {
 public:
  std::vector<std::string>* log = nullptr;
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message == kEaten) {
      log->push_back("pretranslate " + std::to_string(msg->wParam));
      return TRUE;
    }
    return FALSE;
  }

 protected:
  LRESULT OnEaten(WPARAM w, LPARAM) {
    log->push_back("handler saw eaten " + std::to_string(w));
    return 0;
  }
  LRESULT OnDispatched(WPARAM w, LPARAM) {
    log->push_back("dispatched " + std::to_string(w));
    return 0;
  }
  LRESULT OnIdleUpdate(WPARAM w, LPARAM) {
    log->push_back("idle update " + std::to_string(w));
    ::PostQuitMessage(4);  // the queue was empty: everything before has been handled
    return 0;
  }
  LRESULT OnTimeout(WPARAM, LPARAM) {
    log->push_back("timeout");
    ::PostQuitMessage(99);  // no idle round came: end the loop rather than hang the test
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CLoopWnd, CWnd)
  ON_MESSAGE(kEaten, OnEaten)
  ON_MESSAGE(kDispatched, OnDispatched)
  ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdate)
  ON_MESSAGE(WM_TIMER, OnTimeout)
END_MESSAGE_MAP()

class CWindowApp : public CWinApp {
 public:
  CWindowApp() : CWinApp(L"FxLoopWindowApp") {}
  std::vector<std::string> log;
  CLoopWnd wnd;
  BOOL initResult = TRUE;
  HWND hwnd = nullptr;
  BOOL InitInstance() override {
    wnd.log = &log;
    if (!wnd.CreateEx(0, AfxRegisterWndClass(0), L"loop", WS_POPUP, -2000, -2000, 50, 50, nullptr, nullptr))
      return FALSE;
    hwnd = wnd.m_hWnd;
    m_pMainWnd = &wnd;
    ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&m);  // creation's own
    ::PostMessageW(hwnd, kEaten, 1, 0);
    ::PostMessageW(hwnd, kDispatched, 2, 0);
    ::PostMessageW(hwnd, kEaten, 3, 0);
    ::SetTimer(hwnd, 1, 10000, nullptr);
    return initResult;
  }
  int ExitInstance() override {
    if (wnd.m_hWnd) wnd.DestroyWindow();
    return CWinApp::ExitInstance();
  }
};

TEST(CoreLoop, WindowMessagesAreWalkedThenDispatchedAndIdleUpdatesTheMainWindow) {
  CWindowApp app;
  EXPECT_EQ(4, AfxWinMain(::GetModuleHandleW(nullptr), nullptr, (LPTSTR)L"", SW_SHOW));
  ASSERT_NE(nullptr, app.hwnd);
  std::vector<std::string> want = {"pretranslate 1", "dispatched 2", "pretranslate 3", "idle update 1"};
  ASSERT_LE(want.size(), app.log.size());
  EXPECT_EQ(want, std::vector<std::string>(app.log.begin(), app.log.begin() + want.size()));
  EXPECT_EQ(&app.wnd, AfxGetMainWnd());
}

TEST(CoreLoop, FailedInitInstanceDestroysTheMainWindow) {
  CWindowApp app;
  app.initResult = FALSE;
  AfxWinMain(::GetModuleHandleW(nullptr), nullptr, (LPTSTR)L"", SW_SHOW);
  ASSERT_NE(nullptr, app.hwnd);
  EXPECT_FALSE(::IsWindow(app.hwnd));
  EXPECT_TRUE(app.log.empty());  // nothing ran: no loop
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {}
}

}  // namespace
