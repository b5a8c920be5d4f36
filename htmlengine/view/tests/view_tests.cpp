// The view and document bases on a frame, driven by messages: the notices a derived view hears
// (document complete, update UI, the designer's link events, keys first), the edit commands
// routed from the frame into the engine with their menu state, and the document's modified flag.
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>
#include "HtmlEditView.h"

using namespace HtmlEngine;

namespace {

#define ID_T_OWN 40101   // a command of the derived view

// Runs the queue until it is empty (and, with until, until it holds or about 10 s passed).
void Settle(const std::function<bool()>& until = nullptr) {
  for (int round = 0; round < 1000; ++round) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    if (!until || until()) return;
    Sleep(10);
  }
}

class TestView : public CHtmlEditView {
  DECLARE_DYNCREATE(TestView)
 public:
  std::vector<std::wstring> completes;   // URLs of OnDocumentComplete
  int updates = 0;
  std::vector<std::pair<DesignerEvent, std::wstring>> designer;
  BOOL consumeDesigner = FALSE;
  UINT swallowKey = 0;                   // the accelerator hook takes this key
  std::vector<UINT> keys;                // keys the hook saw
  int own = 0;

  void OnDocumentComplete(LPCTSTR url) override { completes.push_back(url ? url : L"(null)"); }
  void OnUpdateUI() override { ++updates; }
  BOOL OnPreHandleEvent(DesignerEvent e, Element* el) override {
    designer.emplace_back(e, el ? el->GetAttribute(L"href") : L"");
    return consumeDesigner;
  }
  BOOL OnTranslateAccelerator(const MSG& m) override {
    if (m.message == WM_KEYDOWN) keys.push_back(UINT(m.wParam));
    return m.message == WM_KEYDOWN && m.wParam == swallowKey;
  }

 protected:
  void OnOwn() { ++own; }
  // the derived view answers select all itself: its handler comes before the engine's command
  void OnSelectAllOwn() { own += 10; }
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(TestView, CHtmlEditView)
BEGIN_MESSAGE_MAP(TestView, CHtmlEditView)
  ON_COMMAND(ID_T_OWN, OnOwn)
END_MESSAGE_MAP()

// The same view with its own select all handler.
class OwnSelectAllView : public TestView {
  DECLARE_DYNCREATE(OwnSelectAllView)
 protected:
  DECLARE_MESSAGE_MAP()
};
IMPLEMENT_DYNCREATE(OwnSelectAllView, TestView)
BEGIN_MESSAGE_MAP(OwnSelectAllView, TestView)
  ON_COMMAND(ID_EDIT_SELECT_ALL, OnSelectAllOwn)
END_MESSAGE_MAP()

// A menu item's state as the routing leaves it.
struct StateUI : CCmdUI {
  int enabled = -1, checked = -1;
  void Enable(BOOL on) override {
    enabled = on ? 1 : 0;
    m_bEnableChanged = TRUE;   // as the menu's own item does: the update handler decided
  }
  void SetCheck(int check) override { checked = check; }
};

struct Frame {
  CFrameWnd* frame = nullptr;
  CHtmlEditDoc* doc = nullptr;
  TestView* view = nullptr;
  MemoryClipboard clipboard;

  explicit Frame(CRuntimeClass* viewClass = RUNTIME_CLASS(TestView)) {
    doc = new CHtmlEditDoc;
    doc->m_bAutoDelete = FALSE;   // the test owns it
    CCreateContext context;
    context.m_pNewViewClass = viewClass;
    context.m_pCurrentDoc = doc;
    frame = new CFrameWnd;
    EXPECT_TRUE(frame->Create(nullptr, L"view test", WS_OVERLAPPEDWINDOW, CRect(0, 0, 500, 400), nullptr, nullptr, 0,
                              &context));
    view = static_cast<TestView*>(frame->GetDlgItem(AFX_IDW_PANE_FIRST));
    frame->SetActiveView(view);
    frame->RecalcLayout();
    view->GetHtmlDocument()->SetClipboard(&clipboard);
    Settle();
  }
  ~Frame() {
    frame->DestroyWindow();
    Settle();
    delete doc;
  }
  void Load(const std::wstring& html) {
    size_t before = view->completes.size();
    view->LoadHtml(html);
    Settle([&] { return view->completes.size() > before; });
  }
  Element* Find(const wchar_t* tag, size_t i = 0) {
    auto all = view->GetHtmlDocument()->GetElementsByTagName(tag);
    return i < all.size() ? all[i].get() : nullptr;
  }
  void Command(UINT id) {
    frame->SendMessage(WM_COMMAND, id, 0);
    Settle();
  }
  StateUI State(UINT id) {
    StateUI ui;
    ui.m_nID = id;
    ui.DoUpdate(frame, TRUE);
    return ui;
  }
  void SelectText(const wchar_t* tag, size_t from, size_t to) {
    Document* d = view->GetHtmlDocument();
    MarkupPointer a(d), b(d);
    a.MoveTo(Find(tag)->FirstChild(), from);
    b.MoveTo(Find(tag)->FirstChild(), to);
    d->GetSelection().SelectRange(a, b);
    Settle();
  }
};

} // namespace

TEST(HtmlEditView, TheEngineFillsTheViewAndLoadsTellTheView) {
  Frame f;
  ASSERT_TRUE(f.view && f.view->IsKindOf(RUNTIME_CLASS(CHtmlEditView)));
  HWND engine = f.view->GetEngineWindow();
  ASSERT_TRUE(IsWindow(engine));
  wchar_t cls[64] = {};
  GetClassNameW(engine, cls, 64);
  EXPECT_STREQ(cls, L"PeloraHtmlView");
  EXPECT_EQ(GetParent(engine), f.view->m_hWnd);
  RECT view, win;
  GetClientRect(f.view->m_hWnd, &view);
  GetWindowRect(engine, &win);
  EXPECT_EQ(win.right - win.left, view.right);
  EXPECT_EQ(win.bottom - win.top, view.bottom);
  f.view->SetWindowPos(nullptr, 0, 0, 300, 200, SWP_NOZORDER | SWP_NOMOVE);
  GetClientRect(f.view->m_hWnd, &view);
  GetWindowRect(engine, &win);
  EXPECT_EQ(win.right - win.left, view.right);

  f.view->completes.clear();
  f.Load(L"<BODY><P>one</P></BODY>");
  ASSERT_EQ(f.view->completes.size(), 1u);
  EXPECT_EQ(f.view->completes[0], f.view->GetHtmlDocument()->Url());
  EXPECT_EQ(f.view->GetHtmlDocument()->Body()->InnerText(), L"one");
  f.Load(L"<BODY><P>two</P></BODY>");
  EXPECT_EQ(f.view->completes.size(), 2u);   // once per load

  // design mode survives a load; the document is the view's
  f.view->SetDesignMode(TRUE);
  f.Load(L"<BODY>three</BODY>");
  EXPECT_TRUE(f.view->GetDesignMode());
  EXPECT_EQ(f.doc->GetView(), f.view);
  EXPECT_EQ(f.doc->GetHtmlDocument(), f.view->GetHtmlDocument());
}

TEST(HtmlEditView, SelectionChangesReachOnUpdateUIOncePerBurst) {
  Frame f;
  f.view->SetDesignMode(TRUE);
  f.Load(L"<BODY><DIV>alpha beta</DIV></BODY>");
  Settle();
  f.view->updates = 0;
  f.SelectText(L"DIV", 0, 5);
  EXPECT_GE(f.view->updates, 1);
  int after = f.view->updates;
  // three moves before the queue runs: one notice
  Document* d = f.view->GetHtmlDocument();
  for (size_t off : {1u, 2u, 3u}) {
    MarkupPointer p(d);
    p.MoveTo(f.Find(L"DIV")->FirstChild(), off);
    d->GetSelection().MoveCaret(p);
  }
  Settle();
  EXPECT_EQ(f.view->updates, after + 1);
}

TEST(HtmlEditView, EditCommandsRouteIntoTheEngineWithTheirMenuState) {
  Frame f;
  f.view->SetDesignMode(TRUE);
  f.Load(L"<BODY><DIV>alpha beta</DIV></BODY>");
  Document* d = f.view->GetHtmlDocument();
  MarkupPointer p(d);
  p.MoveTo(f.Find(L"DIV")->FirstChild(), 0);
  d->GetSelection().MoveCaret(p);
  Settle();

  // nothing selected, nothing done: copy, cut and undo are off; paste waits for the clipboard
  struct Case { UINT id; int enabled; };
  for (const Case& c : {Case{ID_EDIT_COPY, 0}, Case{ID_EDIT_CUT, 0}, Case{ID_EDIT_UNDO, 0}, Case{ID_EDIT_REDO, 0},
                        Case{ID_EDIT_SELECT_ALL, 1}})
    EXPECT_EQ(f.State(c.id).enabled, c.enabled) << c.id;

  f.SelectText(L"DIV", 0, 5);
  EXPECT_EQ(f.State(ID_EDIT_COPY).enabled, 1);
  EXPECT_EQ(f.State(ID_EDIT_CUT).enabled, 1);
  f.Command(ID_EDIT_COPY);
  EXPECT_EQ(f.State(ID_EDIT_PASTE).enabled, 1);
  f.Command(ID_EDIT_CUT);
  EXPECT_EQ(f.Find(L"DIV")->InnerText(), L"beta");   // the space left at the line's start shows nothing
  EXPECT_EQ(f.State(ID_EDIT_UNDO).enabled, 1);
  EXPECT_TRUE(f.doc->IsModified());
  f.Command(ID_EDIT_UNDO);
  EXPECT_EQ(f.Find(L"DIV")->InnerText(), L"alpha beta");
  EXPECT_EQ(f.State(ID_EDIT_REDO).enabled, 1);
  f.Command(ID_EDIT_REDO);
  EXPECT_EQ(f.Find(L"DIV")->InnerText(), L"beta");
  f.Command(ID_EDIT_PASTE);
  EXPECT_EQ(f.Find(L"DIV")->InnerText(), L"alpha beta");
  f.Command(ID_EDIT_SELECT_ALL);
  EXPECT_EQ(d->GetSelection().Text(), L"alpha beta");

  // the derived view's own commands still reach it; a disabled command does nothing
  f.Command(ID_T_OWN);
  EXPECT_EQ(f.view->own, 1);
  EXPECT_EQ(CHtmlEditView::EngineCommandOf(ID_T_OWN), 0);
  f.view->SetDesignMode(FALSE);
  f.Load(L"<BODY><DIV>read</DIV></BODY>");
  f.SelectText(L"DIV", 0, 4);
  EXPECT_EQ(f.State(ID_EDIT_CUT).enabled, 0);
  f.Command(ID_EDIT_CUT);
  EXPECT_EQ(f.Find(L"DIV")->InnerText(), L"read");
}

TEST(HtmlEditView, ADerivedHandlerComesBeforeTheEngine) {
  Frame f(RUNTIME_CLASS(OwnSelectAllView));
  f.Load(L"<BODY><DIV>alpha</DIV></BODY>");
  f.Command(ID_EDIT_SELECT_ALL);
  EXPECT_EQ(f.view->own, 10);
  EXPECT_TRUE(f.view->GetHtmlDocument()->GetSelection().Text().empty());
}

TEST(HtmlEditView, DesignerPreHandleAndAcceleratorHooks) {
  Frame f;
  f.view->SetDesignMode(TRUE);
  f.Load(L"<BODY style=\"font-size:20px\"><DIV>see <A href=\"http://x/\">the link</A></DIV><DIV>abc</DIV></BODY>");
  HWND engine = f.view->GetEngineWindow();
  Rect r;
  ASSERT_TRUE(f.view->GetEngine().GetLayout().ElementRect(f.Find(L"A"), &r));
  SendMessageW(engine, WM_MOUSEMOVE, 0, MAKELPARAM(r.left + 3, r.top + 3));
  SendMessageW(engine, WM_MOUSEMOVE, 0, MAKELPARAM(r.left + 3, r.bottom + 60));
  ASSERT_EQ(f.view->designer.size(), 2u);
  EXPECT_EQ(f.view->designer[0].first, DesignerEvent::MouseOver);
  EXPECT_EQ(f.view->designer[0].second, L"http://x/");
  EXPECT_EQ(f.view->designer[1].first, DesignerEvent::MouseOut);

  // keys reach the hook first; what it takes the engine never sees
  Document* d = f.view->GetHtmlDocument();
  MarkupPointer p(d);
  p.MoveTo(f.Find(L"DIV", 1)->FirstChild(), 3);
  d->GetSelection().MoveCaret(p);
  f.view->swallowKey = VK_BACK;
  SendMessageW(engine, WM_KEYDOWN, VK_BACK, 1);
  Settle();
  EXPECT_EQ(f.Find(L"DIV", 1)->InnerText(), L"abc");
  f.view->swallowKey = 0;
  SendMessageW(engine, WM_KEYDOWN, VK_BACK, 1);
  Settle();
  EXPECT_EQ(f.Find(L"DIV", 1)->InnerText(), L"ab");
  EXPECT_EQ(f.view->keys, (std::vector<UINT>{VK_BACK, VK_BACK}));
}

TEST(HtmlEditDoc, NewDocumentIsAnEmptyPageAndModifiedFollowsTheEngine) {
  Frame f;
  f.view->SetDesignMode(TRUE);
  f.Load(L"<BODY><DIV>text</DIV></BODY>");
  EXPECT_FALSE(f.doc->IsModified());
  f.SelectText(L"DIV", 0, 4);
  f.view->GetHtmlDocument()->TypeText(L"new");
  EXPECT_TRUE(f.doc->IsModified());
  size_t before = f.view->completes.size();
  EXPECT_TRUE(f.doc->OnNewDocument());
  Settle([&] { return f.view->completes.size() > before; });
  EXPECT_EQ(f.view->GetHtmlDocument()->Body()->InnerText(), L"");
  EXPECT_FALSE(f.doc->IsModified());
  f.doc->SetModifiedFlag(TRUE);   // marked by its owner
  EXPECT_TRUE(f.doc->IsModified());
}
