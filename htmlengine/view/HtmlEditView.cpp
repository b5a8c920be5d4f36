// CHtmlEditView and CHtmlEditDoc.
#include "HtmlEditView.h"

using namespace HtmlEngine;

IMPLEMENT_DYNCREATE(CHtmlEditView, CView)

BEGIN_MESSAGE_MAP(CHtmlEditView, CView)
  ON_WM_CREATE()
  ON_WM_SIZE()
  ON_WM_SETFOCUS()
END_MESSAGE_MAP()

CHtmlEditView::CHtmlEditView() { m_host.view = this; }

CHtmlEditView::~CHtmlEditView() = default;

int CHtmlEditView::OnCreate(LPCREATESTRUCT cs) {
  if (CView::OnCreate(cs) == -1) return -1;
  CRect rc;
  GetClientRect(&rc);
  RECT r = {0, 0, rc.Width(), rc.Height()};
  m_engine.SetHost(&m_host);
  if (!m_engine.Create(m_hWnd, r, AFX_IDW_PANE_FIRST)) return -1;
  return 0;
}

void CHtmlEditView::OnSize(UINT type, int cx, int cy) {
  CView::OnSize(type, cx, cy);
  if (m_engine.Handle()) ::MoveWindow(m_engine.Handle(), 0, 0, cx, cy, TRUE);
}

void CHtmlEditView::OnSetFocus(CWnd*) {
  if (m_engine.Handle()) ::SetFocus(m_engine.Handle());
}

void CHtmlEditView::Host::OnDocumentComplete() {
  view->OnDocumentComplete(view->GetHtmlDocument()->Url().c_str());
}

void CHtmlEditView::OnDocumentComplete(LPCTSTR) {}

BOOL CHtmlEditView::ExecCommand(int command, const Value& in, Value* out, BOOL prompt) {
  return m_engine.Exec(command, in, out, prompt != FALSE) ? TRUE : FALSE;
}

int CHtmlEditView::EngineCommandOf(UINT id) {
  switch (id) {
    case ID_EDIT_COPY: return CMD_COPY;
    case ID_EDIT_CUT: return CMD_CUT;
    case ID_EDIT_PASTE: return CMD_PASTE;
    case ID_EDIT_UNDO: return CMD_UNDO;
    case ID_EDIT_REDO: return CMD_REDO;
    case ID_EDIT_SELECT_ALL: return CMD_SELECTALL;
    case ID_FILE_PRINT: return CMD_PRINT;
    default: return 0;
  }
}

BOOL CHtmlEditView::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) {
  // the derived view's own handlers first, then the engine's commands
  if (CView::OnCmdMsg(id, code, extra, info)) return TRUE;
  int command = EngineCommandOf(id);
  if (!command || !m_engine.Handle()) return FALSE;
  unsigned flags = m_engine.QueryStatus(command);
  if (code == int(CN_UPDATE_COMMAND_UI)) {
    if (info) return TRUE;
    CCmdUI* ui = static_cast<CCmdUI*>(extra);
    if (ui) {
      ui->Enable((flags & CMDF_ENABLED) != 0);
      if (flags & CMDF_LATCHED) ui->SetCheck(1);
    }
    return TRUE;
  }
  if (code != CN_COMMAND) return FALSE;
  if (info) return TRUE;
  if (flags & CMDF_ENABLED) m_engine.Exec(command, Value(), nullptr, command == CMD_PRINT);
  return TRUE;
}

IMPLEMENT_DYNCREATE(CHtmlEditDoc, CDocument)

CHtmlEditView* CHtmlEditDoc::GetView() const {
  POSITION pos = GetFirstViewPosition();
  while (pos) {
    CView* v = GetNextView(pos);
    if (v && v->IsKindOf(RUNTIME_CLASS(CHtmlEditView))) return static_cast<CHtmlEditView*>(v);
  }
  return nullptr;
}

HtmlEngine::Document* CHtmlEditDoc::GetHtmlDocument() const {
  CHtmlEditView* v = GetView();
  return v ? v->GetHtmlDocument() : nullptr;
}

BOOL CHtmlEditDoc::OnNewDocument() {
  if (!CDocument::OnNewDocument()) return FALSE;
  if (CHtmlEditView* v = GetView()) v->LoadHtml(L"");
  return TRUE;
}

BOOL CHtmlEditDoc::IsModified() {
  HtmlEngine::Document* d = GetHtmlDocument();
  return (d && d->IsDirty()) || CDocument::IsModified();
}
