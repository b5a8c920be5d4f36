// Frames, documents and views: command routing order, CCmdUI state of menus, FileNew through the
// document template, MDI activation, titles, closing, several views of one document, and the
// layout of bars around a view.
#include "Framework.h"
#include "frame_testutil.h"
#include <gtest/gtest.h>
#include <string>

#define IDR_TEST_MAIN 3010
#define IDR_TEST_DOC 3011
#define ID_T_VIEW 40001
#define ID_T_DOC 40002
#define ID_T_CHILD 40003
#define ID_T_MAIN 40004
#define ID_T_APP 40005
#define ID_T_TEMPLATE 40006
#define ID_T_NOBODY 40007
#define ID_T_CHECKED 40008

namespace {

using frametest::Settle;
using frametest::N;

std::string g_log;  // who handled the last command
std::string g_activations;  // views told of (de)activation, in order
int g_liveDocs = 0;

std::string Text(HWND h) {
  wchar_t buffer[256] = {};
  GetWindowTextW(h, buffer, 256);
  return N(buffer);
}

class TestDoc : public CDocument {
  DECLARE_DYNCREATE(TestDoc)
 public:
  TestDoc() { ++g_liveDocs; }
  ~TestDoc() override { --g_liveDocs; }
  BOOL refuseClose = FALSE;
  BOOL SaveModified() override { return !(refuseClose && IsModified()); }
  // Files whose name holds "bad" cannot be read.
  BOOL OnOpenDocument(LPCTSTR path) override {
    if (wcsstr(path, L"bad")) return FALSE;
    return CDocument::OnOpenDocument(path);
  }

 protected:
  void OnView() { g_log += "doc"; }
  void OnDoc() { g_log += "doc"; }
  void OnUpdateChecked(CCmdUI* ui) { ui->SetCheck(1); }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(TestDoc, CDocument)
BEGIN_MESSAGE_MAP(TestDoc, CDocument)
  ON_COMMAND(ID_T_VIEW, OnView)
  ON_COMMAND(ID_T_DOC, OnDoc)
  ON_COMMAND(ID_T_CHECKED, OnDoc)
  ON_UPDATE_COMMAND_UI(ID_T_CHECKED, OnUpdateChecked)
END_MESSAGE_MAP()

class TestView : public CView {
  DECLARE_DYNCREATE(TestView)
 public:
  int initialUpdates = 0;
  int updates = 0;
  LPARAM lastHint = 0;
  void OnDraw(CDC* dc) override { dc->FillSolidRect(0, 0, 4, 4, RGB(255, 0, 0)); }
  void OnInitialUpdate() override {
    ++initialUpdates;
    CView::OnInitialUpdate();
  }
  std::string name;  // for the activation log
  void OnActivateView(BOOL activate, CView* activated, CView* deactivated) override {
    if (!name.empty()) g_activations += name + (activate ? "+" : "-") + " ";
    CView::OnActivateView(activate, activated, deactivated);
  }
  void OnUpdate(CView* sender, LPARAM hint, CObject* obj) override {
    ++updates;
    lastHint = hint;
    CView::OnUpdate(sender, hint, obj);
  }

 protected:
  void OnView() { g_log += "view"; }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(TestView, CView)
BEGIN_MESSAGE_MAP(TestView, CView)
  ON_COMMAND(ID_T_VIEW, OnView)
END_MESSAGE_MAP()

class TestChild : public CMDIChildWnd {
  DECLARE_DYNCREATE(TestChild)
 protected:
  void OnView() { g_log += "child"; }
  void OnChild() { g_log += "child"; }
  void OnTemplate() { g_log += "child"; }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(TestChild, CMDIChildWnd)
BEGIN_MESSAGE_MAP(TestChild, CMDIChildWnd)
  ON_COMMAND(ID_T_VIEW, OnView)
  ON_COMMAND(ID_T_CHILD, OnChild)
  ON_COMMAND(ID_T_TEMPLATE, OnTemplate)
END_MESSAGE_MAP()

class TestMain : public CMDIFrameWnd {
  DECLARE_DYNCREATE(TestMain)
 protected:
  void OnMain() { g_log += "main"; }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(TestMain, CMDIFrameWnd)
BEGIN_MESSAGE_MAP(TestMain, CMDIFrameWnd)
  ON_COMMAND(ID_T_MAIN, OnMain)
  ON_COMMAND(ID_T_VIEW, OnMain)
  ON_COMMAND(ID_T_DOC, OnMain)
  ON_COMMAND(ID_T_CHILD, OnMain)
  ON_COMMAND(ID_T_APP, OnMain)
  ON_COMMAND(ID_T_TEMPLATE, OnMain)
END_MESSAGE_MAP()

class TestTemplate : public CMultiDocTemplate {
 public:
  using CMultiDocTemplate::CMultiDocTemplate;

 protected:
  void OnTemplate() { g_log += "template"; }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(TestTemplate, CMultiDocTemplate)
  ON_COMMAND(ID_T_TEMPLATE, OnTemplate)
END_MESSAGE_MAP()

class TestApp : public CWinApp {
 public:
  TestApp() : CWinApp(L"FrameTests") {}

 protected:
  void OnApp() { g_log += "app"; }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(TestApp, CWinApp)
  ON_COMMAND(ID_T_APP, OnApp)
  ON_COMMAND(ID_T_CHILD, OnApp)
END_MESSAGE_MAP()

TestApp& App() {
  static TestApp* app = [] {
    TestApp* a = new TestApp;
    a->AddDocTemplate(new TestTemplate(IDR_TEST_DOC, RUNTIME_CLASS(TestDoc), RUNTIME_CLASS(TestChild),
                                       RUNTIME_CLASS(TestView)));
    return a;
  }();
  return *app;
}

CMultiDocTemplate* Template() {
  POSITION pos = App().GetFirstDocTemplatePosition();
  return static_cast<CMultiDocTemplate*>(App().GetNextDocTemplate(pos));
}

class FrameDocView : public ::testing::Test {
 protected:
  TestMain* main = nullptr;

  void SetUp() override {
    App();
    Template()->m_nUntitledCount = 0;  // untitled documents count from 1 in each test
    main = new TestMain;
    ASSERT_TRUE(main->LoadFrame(IDR_TEST_MAIN, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE));
    App().m_pMainWnd = main;
    main->ShowWindow(SW_SHOW);
    Settle();
  }
  void TearDown() override {
    App().m_pDocManager->CloseAllDocuments(FALSE);
    App().m_pMainWnd = nullptr;
    if (main && IsWindow(main->m_hWnd)) main->DestroyWindow();
    Settle();
    AfxDeleteTempMaps();
    EXPECT_EQ(0, g_liveDocs);
  }

  CDocument* NewDocument() {
    CCommandLineInfo info;
    info.m_nShellCommand = CCommandLineInfo::FileNew;
    EXPECT_TRUE(App().ProcessShellCommand(info));
    Settle();
    CMDIChildWnd* child = main->MDIGetActive();
    return child ? child->GetActiveDocument() : nullptr;
  }

  std::string Route(UINT id) {
    g_log.clear();
    main->SendMessage(WM_COMMAND, id, 0);
    return g_log;
  }
};

TEST_F(FrameDocView, CommandsRouteThroughViewDocumentTemplateChildFrameAndApplication) {
  // Without a child: the frame, then the application.
  EXPECT_EQ("main", Route(ID_T_APP));
  EXPECT_EQ("main", Route(ID_T_CHILD));  // the frame before the application
  ASSERT_NE(nullptr, NewDocument());
  struct Case {
    UINT id;
    const char* handler;
  } cases[] = {
      {ID_T_VIEW, "view"},          // view, document, child frame and main frame all handle it
      {ID_T_DOC, "doc"},            // document and main frame
      {ID_T_TEMPLATE, "template"},  // template, child frame and main frame
      {ID_T_CHILD, "child"},        // child frame, main frame and application
      {ID_T_APP, "app"},            // the child's routing ends in the application, before the main frame
      {ID_T_MAIN, "main"},
      {ID_T_NOBODY, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.handler, Route(c.id)) << c.id;
}

// Keys reach the accelerators through the PreTranslateMessage walk from the focused view: the
// active child's table first, then the frame's, both routed like menu commands.
TEST_F(FrameDocView, AcceleratorsOfTheChildAndTheFrame) {
  ASSERT_NE(nullptr, NewDocument());
  CView* view = main->MDIGetActive()->GetActiveView();
  struct Case {
    UINT key;
    BOOL taken;
    const char* handler;
  } cases[] = {{VK_F5, TRUE, "doc"}, {VK_F6, TRUE, "main"}, {'A', FALSE, ""}};
  for (const Case& c : cases) {
    g_log.clear();
    MSG msg = {view->m_hWnd, WM_KEYDOWN, c.key, 0};
    EXPECT_EQ(c.taken, AfxPreTranslateMessage(&msg)) << c.key;
    EXPECT_EQ(c.handler, g_log) << c.key;
  }
}

TEST_F(FrameDocView, MenuItemsTakeTheirStateFromTheRouting) {
  ASSERT_NE(nullptr, NewDocument());
  // The active child's template menu is the frame's menu now.
  HMENU bar = ::GetMenu(main->m_hWnd);
  EXPECT_EQ(Template()->m_hMenuShared, bar);
  HMENU popup = ::GetSubMenu(bar, 0);
  main->SendMessage(WM_INITMENUPOPUP, (WPARAM)popup, 0);
  struct Case {
    UINT id;
    UINT state;  // MF_GRAYED and MF_CHECKED bits
  } cases[] = {
      {ID_T_VIEW, 0},
      {ID_T_DOC, 0},
      {ID_T_NOBODY, MF_GRAYED},  // no handler anywhere: disabled
      {ID_T_CHECKED, MF_CHECKED},  // the document's update handler checks it
      {ID_T_MAIN, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.state, ::GetMenuState(popup, c.id, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED)) << c.id;

  // Without automatic disabling an item nobody handles keeps the state it has.
  main->m_bAutoMenuEnable = FALSE;
  ::EnableMenuItem(popup, ID_T_NOBODY, MF_BYCOMMAND | MF_ENABLED);
  main->SendMessage(WM_INITMENUPOPUP, (WPARAM)popup, 0);
  EXPECT_EQ(0u, ::GetMenuState(popup, ID_T_NOBODY, MF_BYCOMMAND) & MF_GRAYED);
}

// Exit (ID_APP_EXIT, handled by CWinApp) closes the main window as its close box would; the
// loop is told to quit only once the window is gone, or at once when there is none.
TEST_F(FrameDocView, AppExitClosesTheMainWindowThenQuits) {
  TestDoc* doc = static_cast<TestDoc*>(NewDocument());
  ASSERT_NE(nullptr, doc);
  doc->refuseClose = TRUE;
  doc->SetModifiedFlag(TRUE);
  HWND h = main->m_hWnd;
  ::SendMessageW(h, WM_COMMAND, ID_APP_EXIT, 0);
  MSG quit;
  EXPECT_TRUE(::IsWindow(h));  // the document kept it open
  EXPECT_FALSE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(main, App().m_pMainWnd);

  doc->refuseClose = FALSE;
  ::SendMessageW(h, WM_COMMAND, ID_APP_EXIT, 0);
  main = nullptr;  // the frame deleted itself with its window
  EXPECT_FALSE(::IsWindow(h));
  EXPECT_EQ(nullptr, App().m_pMainWnd);
  ASSERT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(0u, quit.wParam);

  EXPECT_TRUE(App().OnCmdMsg(ID_APP_EXIT, CN_COMMAND, nullptr, nullptr));
  EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(FrameDocView, FileNewMakesDocumentChildAndViewAndActivationFollows) {
  CDocument* first = NewDocument();
  ASSERT_NE(nullptr, first);
  EXPECT_TRUE(first->IsKindOf(RUNTIME_CLASS(TestDoc)));
  EXPECT_EQ("TestDoc1", N(first->GetTitle()));
  EXPECT_FALSE(first->IsModified());
  CMDIChildWnd* child1 = main->MDIGetActive();
  ASSERT_NE(nullptr, child1);
  EXPECT_EQ(child1, main->GetActiveFrame());
  TestView* view1 = static_cast<TestView*>(child1->GetActiveView());
  ASSERT_NE(nullptr, view1);
  EXPECT_EQ(first, view1->GetDocument());
  EXPECT_EQ(1, view1->initialUpdates);
  EXPECT_EQ(AFX_IDW_PANE_FIRST, view1->GetDlgCtrlID());
  EXPECT_EQ(child1, view1->GetParentFrame());
  EXPECT_EQ(main, view1->GetTopLevelFrame());
  EXPECT_EQ("TestDoc1", Text(child1->m_hWnd));
  EXPECT_EQ("TestDoc1 - Frame Test", Text(main->m_hWnd));

  CDocument* second = NewDocument();
  ASSERT_NE(nullptr, second);
  EXPECT_EQ("TestDoc2", N(second->GetTitle()));
  CMDIChildWnd* child2 = main->MDIGetActive();
  EXPECT_NE(child1, child2);
  EXPECT_EQ("TestDoc2 - Frame Test", Text(main->m_hWnd));

  // Switching children: the old child's view hears of it first, then the new one's; the frame
  // keeps showing the child template's menu.
  static_cast<TestView*>(child1->GetActiveView())->name = "v1";
  static_cast<TestView*>(child2->GetActiveView())->name = "v2";
  g_activations.clear();
  main->MDIActivate(child1);
  Settle();
  EXPECT_EQ("v2- v1+ ", g_activations);
  EXPECT_EQ(Template()->m_hMenuShared, ::GetMenu(main->m_hWnd));
  EXPECT_EQ(child1, main->MDIGetActive());
  EXPECT_EQ(child1, main->GetActiveFrame());
  EXPECT_EQ("TestDoc1 - Frame Test", Text(main->m_hWnd));
  EXPECT_EQ("doc", Route(ID_T_DOC));  // routed through the newly active child's document

  first->SetModifiedFlag();
  EXPECT_TRUE(first->IsModified());
  first->SetModifiedFlag(FALSE);

  CCommandLineInfo nothing;
  nothing.m_nShellCommand = CCommandLineInfo::FileNothing;
  EXPECT_TRUE(App().ProcessShellCommand(nothing));
  EXPECT_EQ(2, g_liveDocs);
}

TEST_F(FrameDocView, FileOpenTitlesByNameReusesAnOpenDocumentAndDropsAFailedOne) {
  auto Open = [&](LPCTSTR path) {
    CCommandLineInfo info;
    info.m_nShellCommand = CCommandLineInfo::FileOpen;
    info.m_strFileName = path;
    BOOL ok = App().ProcessShellCommand(info);
    Settle();
    return ok;
  };
  EXPECT_TRUE(Open(L"C:\\notes\\first.tst"));
  CMDIChildWnd* child = main->MDIGetActive();
  ASSERT_NE(nullptr, child);
  CDocument* doc = child->GetActiveDocument();
  EXPECT_EQ("first.tst", N(doc->GetTitle()));
  EXPECT_EQ("C:\\notes\\first.tst", N(doc->GetPathName()));
  EXPECT_EQ("first.tst", Text(child->m_hWnd));

  // The same file again (any letter case): the open document, no second frame.
  EXPECT_TRUE(Open(L"C:\\NOTES\\FIRST.TST"));
  EXPECT_EQ(1, g_liveDocs);
  EXPECT_EQ(child, main->MDIGetActive());

  // A file that cannot be read leaves neither a document nor a frame behind.
  EXPECT_FALSE(Open(L"C:\\notes\\bad.tst"));
  EXPECT_EQ(1, g_liveDocs);
  EXPECT_EQ(child, main->MDIGetActive());
  EXPECT_EQ("first.tst - Frame Test", Text(main->m_hWnd));
}

// The File Open command asks through the file dialog (its test seam answers as a user would).
std::wstring g_offeredFilter;
INT_PTR g_dialogAnswer = IDOK;
INT_PTR ChooseFile(CCommonDialog* dialog) {
  CFileDialog* file = static_cast<CFileDialog*>(dialog);
  const wchar_t* f = file->m_ofn.lpstrFilter;
  g_offeredFilter.clear();
  while (f && *f) {  // NUL-separated, ended by two NULs
    g_offeredFilter += f;
    g_offeredFilter += L'|';
    f += wcslen(f) + 1;
  }
  wcscpy(file->m_ofn.lpstrFile, L"C:\\notes\\chosen.tst");
  return g_dialogAnswer;
}

TEST_F(FrameDocView, FileOpenCommandOpensTheChosenFile) {
  AFX_COMMONDIALOG_HOOK old = AfxSetCommonDialogHook(ChooseFile);
  g_dialogAnswer = IDCANCEL;
  App().OnFileOpen();
  EXPECT_EQ(0, g_liveDocs);
  EXPECT_EQ(L"Test Files (*.tst)|*.tst|All Files (*.*)|*.*|", g_offeredFilter);
  g_dialogAnswer = IDOK;
  App().OnFileOpen();
  Settle();
  EXPECT_EQ(1, g_liveDocs);
  ASSERT_NE(nullptr, main->MDIGetActive());
  EXPECT_EQ("chosen.tst", N(main->MDIGetActive()->GetActiveDocument()->GetTitle()));
  AfxSetCommonDialogHook(old);
}

std::wstring ClassesValue(LPCTSTR key) {
  wchar_t value[512] = {};
  LONG size = sizeof(value);
  if (RegQueryValueW(HKEY_CLASSES_ROOT, key, value, &size) != ERROR_SUCCESS) return L"<none>";
  return value;
}

TEST(FrameShell, FileTypesAreRegisteredFromTheTemplateStringsAndRemoved) {
  App();
  App().RegisterShellFileTypes(TRUE);
  EXPECT_EQ(L"FrameTest Document", ClassesValue(L"FrameTest.Document"));
  EXPECT_EQ(L"FrameTest.Document", ClassesValue(L".tst"));
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  EXPECT_EQ(L"\"" + std::wstring(exe) + L"\" \"%1\"", ClassesValue(L"FrameTest.Document\\shell\\open\\command"));

  // An unregister run removes them and ends the start (FALSE).
  CCommandLineInfo info;
  info.m_nShellCommand = CCommandLineInfo::AppUnregister;
  EXPECT_FALSE(App().ProcessShellCommand(info));
  EXPECT_EQ(L"<none>", ClassesValue(L"FrameTest.Document"));
  EXPECT_EQ(L"<none>", ClassesValue(L".tst"));
}

TEST_F(FrameDocView, ClosingTheLastChildClosesItsDocumentAndRestoresTheFrameMenu) {
  ASSERT_NE(nullptr, NewDocument());
  CMDIChildWnd* child = main->MDIGetActive();
  HMENU shared = Template()->m_hMenuShared;
  EXPECT_EQ(1, g_liveDocs);

  child->SendMessage(WM_CLOSE);
  Settle();
  EXPECT_EQ(0, g_liveDocs);
  EXPECT_EQ(nullptr, main->MDIGetActive());
  EXPECT_EQ(main, main->GetActiveFrame());
  EXPECT_EQ(main->m_hMenuDefault, ::GetMenu(main->m_hWnd));
  EXPECT_TRUE(IsMenu(shared));  // the template's menu outlives its children
  EXPECT_EQ("Frame Test", Text(main->m_hWnd));
  EXPECT_EQ("main", Route(ID_T_VIEW));

  // A document that refuses (unsaved changes) keeps its frame.
  TestDoc* doc = static_cast<TestDoc*>(NewDocument());
  ASSERT_NE(nullptr, doc);
  doc->refuseClose = TRUE;
  doc->SetModifiedFlag();
  CMDIChildWnd* kept = main->MDIGetActive();
  kept->SendMessage(WM_CLOSE);
  Settle();
  EXPECT_EQ(1, g_liveDocs);
  EXPECT_EQ(kept, main->MDIGetActive());
  doc->refuseClose = FALSE;
}

TEST_F(FrameDocView, SeveralViewsOfOneDocumentAreNumberedAndUpdatedTogether) {
  CDocument* doc = NewDocument();
  ASSERT_NE(nullptr, doc);
  CMDIChildWnd* child1 = main->MDIGetActive();
  main->SendMessage(WM_COMMAND, ID_WINDOW_NEW, 0);
  Settle();
  CMDIChildWnd* child2 = main->MDIGetActive();
  ASSERT_NE(child1, child2);
  EXPECT_EQ(doc, child2->GetActiveDocument());
  EXPECT_EQ("TestDoc1:1", Text(child1->m_hWnd));
  EXPECT_EQ("TestDoc1:2", Text(child2->m_hWnd));

  TestView* view1 = static_cast<TestView*>(child1->GetActiveView());
  TestView* view2 = static_cast<TestView*>(child2->GetActiveView());
  int before1 = view1->updates, before2 = view2->updates;
  doc->UpdateAllViews(view1, 7);
  EXPECT_EQ(before1, view1->updates);
  EXPECT_EQ(before2 + 1, view2->updates);
  EXPECT_EQ(7, view2->lastHint);

  // One frame of two closes alone; the document stays with the other.
  child2->SendMessage(WM_CLOSE);
  Settle();
  EXPECT_EQ(1, g_liveDocs);
  EXPECT_EQ(child1, main->MDIGetActive());
  EXPECT_EQ("TestDoc1", Text(child1->m_hWnd));
}

// An SDI frame with a view and a bar: the bar takes its share through WM_SIZEPARENT, the view the
// rest less the reserved border; the bar command hides the bar and the view grows.
class BottomBar : public CWnd {
 protected:
  LRESULT OnSizeParent(WPARAM, LPARAM lParam) {
    if (!IsWindowVisible()) return 0;
    AFX_SIZEPARENTPARAMS* p = (AFX_SIZEPARENTPARAMS*)lParam;
    p->rect.bottom -= 20;
    p->hDWP = ::DeferWindowPos(p->hDWP, m_hWnd, nullptr, p->rect.left, p->rect.bottom,
                               p->rect.right - p->rect.left, 20, SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(BottomBar, CWnd)
  ON_MESSAGE(WM_SIZEPARENT, OnSizeParent)
END_MESSAGE_MAP()

TEST(FrameLayout, BarsTakeTheirShareAndTheViewFillsTheRest) {
  App();
  TestDoc* doc = new TestDoc;
  doc->SetTitle(L"Solo");
  CCreateContext context;
  context.m_pNewViewClass = RUNTIME_CLASS(TestView);
  context.m_pCurrentDoc = doc;
  CFrameWnd* frame = new CFrameWnd;
  ASSERT_TRUE(frame->LoadFrame(IDR_TEST_MAIN, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context));
  frame->SetWindowPos(nullptr, 0, 0, 300, 200, SWP_NOZORDER);
  BottomBar* bar = new BottomBar;
  ASSERT_TRUE(bar->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), frame, AFX_IDW_STATUS_BAR));
  frame->InitialUpdateFrame(doc, TRUE);
  Settle();
  EXPECT_EQ("Solo - Frame Test", Text(frame->m_hWnd));

  CView* view = frame->GetActiveView();
  ASSERT_NE(nullptr, view);
  EXPECT_EQ(doc, frame->GetActiveDocument());
  CRect client, viewRect;
  frame->GetClientRect(&client);
  auto ViewRect = [&] {
    CRect r;
    view->GetWindowRect(&r);
    frame->ScreenToClient(&r);
    return r;
  };
  EXPECT_EQ(CRect(0, 0, client.right, client.bottom - 20), ViewRect());

  frame->m_rectBorder = CRect(10, 5, 0, 0);
  frame->RecalcLayout();
  EXPECT_EQ(CRect(10, 5, client.right, client.bottom - 20), ViewRect());

  frame->SendMessage(WM_COMMAND, ID_VIEW_STATUS_BAR, 0);
  EXPECT_FALSE(bar->IsWindowVisible());
  EXPECT_EQ(CRect(10, 5, client.right, client.bottom), ViewRect());

  frame->SendMessage(WM_CLOSE);  // the last frame of the document closes it
  Settle();
  EXPECT_EQ(0, g_liveDocs);
  delete bar;
  AfxDeleteTempMaps();
}

TEST(FrameLayout, LoadFrameOfAMissingResourceFailsCleanly) {
  CFrameWnd* frame = new CFrameWnd;  // deletes itself on failure
  EXPECT_FALSE(frame->LoadFrame(3999, WS_OVERLAPPEDWINDOW));
  CString part;
  EXPECT_TRUE(AfxExtractSubString(part, L"a\nb\n\nd", 1));
  EXPECT_EQ(CString(L"b"), part);
  EXPECT_TRUE(AfxExtractSubString(part, L"a\nb\n\nd", 2));
  EXPECT_TRUE(part.IsEmpty());
  EXPECT_FALSE(AfxExtractSubString(part, L"a\nb", 2));
}

}  // namespace
