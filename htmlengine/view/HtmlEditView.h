// The view and document the note editor derives from, in the framework's doc/view manner: the
// view hosts the engine's window over its whole client area, hears the engine's notices through
// virtual functions and routes the edit commands (copy, cut, paste, undo, redo, select all,
// print) into the engine, with their update handlers.
#pragma once
#include "Framework.h"
#include "HtmlEngine.h"
#include "htmlengine/HtmlWindow.h"

class CHtmlEditView : public CView {
  DECLARE_DYNCREATE(CHtmlEditView)
 public:
  CHtmlEditView();
  ~CHtmlEditView() override;

  HtmlEngine::HtmlWindow& GetEngine() { return m_engine; }
  HtmlEngine::Document* GetHtmlDocument() const { return m_engine.GetDocument(); }
  HWND GetEngineWindow() const { return m_engine.Handle(); }

  // Loading: the view hears OnDocumentComplete once the document is in.
  void LoadHtml(const std::wstring& html) { m_engine.LoadHtml(html); }
  void LoadStream(HtmlEngine::IByteSource& source) { m_engine.LoadStream(source); }
  BOOL GetDesignMode() const { return GetHtmlDocument()->DesignMode(); }
  void SetDesignMode(BOOL on) { m_engine.SetDesignMode(on != FALSE); }
  BOOL IsBusy() const { return m_engine.IsBusy(); }

  // Engine commands by number (Commands.h), print included.
  unsigned QueryStatus(int command) { return m_engine.QueryStatus(command); }
  BOOL ExecCommand(int command, const HtmlEngine::Value& in = HtmlEngine::Value(), HtmlEngine::Value* out = nullptr,
                   BOOL prompt = FALSE);

  // Notices of the engine, for derived views.
  virtual void OnDocumentComplete(LPCTSTR url);
  virtual void OnUpdateUI() {}
  virtual void OnEngineKillFocus() {}
  // The edit designer's pre-handle (mouse over and out of links) and its accelerator hook;
  // TRUE: handled, the engine does not see it.
  virtual BOOL OnPreHandleEvent(HtmlEngine::DesignerEvent, HtmlEngine::Element*) { return FALSE; }
  virtual BOOL OnTranslateAccelerator(const MSG&) { return FALSE; }

  void OnDraw(CDC*) override {}
  BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) override;
  // The engine command a framework command id stands for, 0 for none.
  static int EngineCommandOf(UINT id);

 protected:
  int OnCreate(LPCREATESTRUCT cs);
  void OnSize(UINT type, int cx, int cy);
  void OnSetFocus(CWnd* old);
  DECLARE_MESSAGE_MAP()

 private:
  struct Host : HtmlEngine::IHtmlWindowHost {
    CHtmlEditView* view = nullptr;
    void OnDocumentComplete() override;
    void OnUpdateUI() override { view->OnUpdateUI(); }
    void OnKillFocus() override { view->OnEngineKillFocus(); }
    bool PreHandleEvent(HtmlEngine::DesignerEvent e, HtmlEngine::Element* el) override {
      return view->OnPreHandleEvent(e, el) != FALSE;
    }
    bool TranslateAccelerator(const MSG& m) override { return view->OnTranslateAccelerator(m) != FALSE; }
  };
  Host m_host;
  HtmlEngine::HtmlWindow m_engine;
};

class CHtmlEditDoc : public CDocument {
  DECLARE_DYNCREATE(CHtmlEditDoc)
 public:
  // The first view of the document that is an HTML editing view.
  CHtmlEditView* GetView() const;
  HtmlEngine::Document* GetHtmlDocument() const;
  // A new document is an empty page in the view.
  BOOL OnNewDocument() override;
  // Modified when the engine's document changed since its load, or when marked.
  BOOL IsModified() override;
};
