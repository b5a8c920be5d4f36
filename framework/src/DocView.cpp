// CDocument and CView.
#include "Framework.h"
#include "FxDocView.h"
#include <algorithm>
#include <vector>

// ---------------------------------------------------------------------------------------------
// CDocument

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

CDocument::~CDocument() {
  // Views outliving their document must not call back into it.
  POSITION pos = GetFirstViewPosition();
  while (pos) GetNextView(pos)->m_pDocument = nullptr;
  m_viewList.RemoveAll();
  if (m_pDocTemplate) m_pDocTemplate->RemoveDocument(this);
}

void CDocument::SetTitle(LPCTSTR title) {
  m_strTitle = title ? title : L"";
  UpdateFrameCounts();
}

void CDocument::SetPathName(LPCTSTR path, BOOL) {
  wchar_t full[MAX_PATH * 2] = {};
  if (!path || !::GetFullPathNameW(path, (DWORD)_countof(full), full, nullptr)) {
    m_strPathName = path ? path : L"";
  } else {
    m_strPathName = full;
  }
  const wchar_t* name = m_strPathName;
  if (const wchar_t* slash = wcsrchr(name, L'\\')) name = slash + 1;
  SetTitle(name);
}

void CDocument::AddView(CView* view) {
  if (!view || view->m_pDocument == this) return;
  m_viewList.AddTail(view);
  view->m_pDocument = this;
  OnChangedViewList();
}

void CDocument::RemoveView(CView* view) {
  POSITION pos = m_viewList.Find(view);
  if (!pos) return;
  m_viewList.RemoveAt(pos);
  view->m_pDocument = nullptr;
  OnChangedViewList();
}

void CDocument::OnChangedViewList() {
  if (m_viewList.IsEmpty() && m_bAutoDelete) {
    OnCloseDocument();
    return;
  }
  UpdateFrameCounts();
}

void CDocument::UpdateAllViews(CView* sender, LPARAM hint, CObject* hintObject) {
  POSITION pos = GetFirstViewPosition();
  while (pos) {
    CView* view = GetNextView(pos);
    if (view != sender) view->OnUpdate(sender, hint, hintObject);
  }
}

void CDocument::UpdateFrameCounts() {
  // The distinct frames that show this document, numbered when there is more than one.
  std::vector<CFrameWnd*> frames;
  POSITION pos = GetFirstViewPosition();
  while (pos) {
    CView* view = GetNextView(pos);
    if (!view->m_hWnd || !view->IsWindowVisible()) continue;
    CFrameWnd* frame = view->GetParentFrame();
    if (frame && std::find(frames.begin(), frames.end(), frame) == frames.end()) frames.push_back(frame);
  }
  int n = 0;
  for (CFrameWnd* frame : frames) {
    frame->m_nWindow = frames.size() > 1 ? ++n : -1;
    frame->OnUpdateFrameTitle(TRUE);
  }
}

BOOL CDocument::OnNewDocument() {
  DeleteContents();
  m_strPathName.Empty();
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnOpenDocument(LPCTSTR) {
  DeleteContents();
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnSaveDocument(LPCTSTR) {
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CDocument::OnCloseDocument() {
  // Destroying the frames removes the views one by one; the document must not close itself again
  // from OnChangedViewList meanwhile.
  BOOL autoDelete = m_bAutoDelete;
  m_bAutoDelete = FALSE;
  while (!m_viewList.IsEmpty()) {
    CView* view = (CView*)m_viewList.GetHead();
    CFrameWnd* frame = view->GetParentFrame();
    if (frame) {
      PreCloseFrame(frame);
      frame->DestroyWindow();
    }
    // A view without a frame, or one that outlived its frame, is let go here.
    if (!m_viewList.IsEmpty() && m_viewList.GetHead() == view) RemoveView(view);
  }
  m_bAutoDelete = autoDelete;
  DeleteContents();
  if (m_bAutoDelete) delete this;
}

BOOL CDocument::CanCloseFrame(CFrameWnd* frame) {
  // Only the last frame of the document asks about unsaved changes.
  POSITION pos = GetFirstViewPosition();
  while (pos) {
    CView* view = GetNextView(pos);
    CFrameWnd* other = view->GetParentFrame();
    if (other && other != frame) return TRUE;
  }
  return SaveModified();
}

// The document's own map, then its template's.
BOOL CDocument::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) {
  if (CCmdTarget::OnCmdMsg(id, code, extra, info)) return TRUE;
  return m_pDocTemplate && m_pDocTemplate->OnCmdMsg(id, code, extra, info);
}

// ---------------------------------------------------------------------------------------------
// CView

IMPLEMENT_DYNAMIC(CView, CWnd)

BEGIN_MESSAGE_MAP(CView, CWnd)
  ON_WM_CREATE()
  ON_WM_DESTROY()
  ON_WM_PAINT()
  ON_WM_MOUSEACTIVATE()
  ON_MESSAGE(WM_INITIALUPDATE, OnInitialUpdateMsg)
END_MESSAGE_MAP()

CView::~CView() {
  if (m_pDocument) m_pDocument->RemoveView(this);
}

BOOL CView::PreCreateWindow(CREATESTRUCT& cs) {
  if (!cs.lpszClass)
    cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW), (HBRUSH)(COLOR_WINDOW + 1));
  // A bordered view gets the sunken client edge instead.
  if (cs.style & WS_BORDER) {
    cs.dwExStyle |= WS_EX_CLIENTEDGE;
    cs.style &= ~WS_BORDER;
  }
  return TRUE;
}

int CView::OnCreate(LPCREATESTRUCT cs) {
  if (CWnd::OnCreate(cs) == -1) return -1;
  CCreateContext* context = cs ? (CCreateContext*)cs->lpCreateParams : nullptr;
  if (context && context->m_pCurrentDoc) context->m_pCurrentDoc->AddView(this);
  return 0;
}

void CView::OnDestroy() {
  CFrameWnd* frame = GetParentFrame();
  if (frame && frame->GetActiveView() == this) frame->SetActiveView(nullptr, FALSE);
  CWnd::OnDestroy();
}

void CView::PostNcDestroy() { delete this; }

void CView::OnPaint() {
  CPaintDC dc(this);
  OnPrepareDC(&dc);
  OnDraw(&dc);
}

int CView::OnMouseActivate(CWnd* desktop, UINT hitTest, UINT message) {
  int result = CWnd::OnMouseActivate(desktop, hitTest, message);
  if (result == MA_NOACTIVATE || result == MA_NOACTIVATEANDEAT) return result;
  CFrameWnd* frame = GetParentFrame();
  if (frame && frame->GetActiveView() != this) frame->SetActiveView(this);
  return result;
}

LRESULT CView::OnInitialUpdateMsg(WPARAM, LPARAM) {
  OnInitialUpdate();
  return 0;
}

void CView::OnUpdate(CView*, LPARAM, CObject*) { Invalidate(TRUE); }

void CView::OnActivateView(BOOL activate, CView* activated, CView*) {
  // The view takes the focus when its top-level window is the active one.
  if (activate && activated == this && m_hWnd && ::GetAncestor(m_hWnd, GA_ROOT) == ::GetActiveWindow())
    SetFocus();
}

// The view's own map, then its document's (which goes on to the template).
BOOL CView::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) {
  if (CWnd::OnCmdMsg(id, code, extra, info)) return TRUE;
  return m_pDocument && m_pDocument->OnCmdMsg(id, code, extra, info);
}
