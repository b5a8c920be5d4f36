// Document templates, the document manager and CWinApp's document and shell commands.
#include "Framework.h"
#include "FxDocView.h"

namespace {

// A new object of `cls` when it is a `kind`; null (and traced) otherwise.
CObject* CreateOfKind(CRuntimeClass* cls, CRuntimeClass* kind, const wchar_t* what) {
  CObject* obj = cls ? cls->CreateObject() : nullptr;
  if (!obj || !obj->IsKindOf(kind)) {
    TRACE(L"CDocTemplate: cannot create the %s\n", what);
    delete obj;
    return nullptr;
  }
  return obj;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CDocTemplate

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)

CDocTemplate::CDocTemplate(UINT resourceId, CRuntimeClass* docClass, CRuntimeClass* frameClass,
                           CRuntimeClass* viewClass)
    : m_nIDResource(resourceId), m_pDocClass(docClass), m_pFrameClass(frameClass), m_pViewClass(viewClass) {}

CDocTemplate::~CDocTemplate() {}

void CDocTemplate::LoadTemplate() {
  if (m_strDocStrings.IsEmpty() && !m_strDocStrings.LoadString(m_nIDResource))
    TRACE(L"CDocTemplate: no string resource %u\n", m_nIDResource);
}

BOOL CDocTemplate::GetDocString(CString& text, DocStringIndex index) const {
  return AfxExtractSubString(text, m_strDocStrings, (int)index);
}

void CDocTemplate::AddDocument(CDocument* doc) { doc->m_pDocTemplate = this; }

void CDocTemplate::RemoveDocument(CDocument* doc) {
  if (doc->m_pDocTemplate == this) doc->m_pDocTemplate = nullptr;
}

CDocument* CDocTemplate::CreateNewDocument() {
  CDocument* doc = static_cast<CDocument*>(CreateOfKind(m_pDocClass, RUNTIME_CLASS(CDocument), L"document"));
  if (!doc) return nullptr;
  AddDocument(doc);
  return doc;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* doc, CFrameWnd* other) {
  CCreateContext context;
  context.m_pCurrentFrame = other;
  context.m_pCurrentDoc = doc;
  context.m_pNewViewClass = m_pViewClass;
  context.m_pNewDocTemplate = this;
  CFrameWnd* frame = static_cast<CFrameWnd*>(CreateOfKind(m_pFrameClass, RUNTIME_CLASS(CFrameWnd), L"frame"));
  if (!frame) return nullptr;
  // A frame that fails to load deletes itself.
  if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context)) return nullptr;
  return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* frame, CDocument* doc, BOOL makeVisible) {
  frame->InitialUpdateFrame(doc, makeVisible);
}

BOOL CDocTemplate::SaveAllModified() {
  POSITION pos = GetFirstDocPosition();
  while (pos)
    if (!GetNextDoc(pos)->SaveModified()) return FALSE;
  return TRUE;
}

void CDocTemplate::CloseAllDocuments(BOOL) {
  POSITION pos = GetFirstDocPosition();
  while (pos) {
    CDocument* doc = GetNextDoc(pos);  // the position moves on before the document goes
    doc->OnCloseDocument();
  }
}

CDocTemplate::Confidence CDocTemplate::MatchDocType(LPCTSTR path, CDocument*& match) {
  match = nullptr;
  POSITION pos = GetFirstDocPosition();
  while (pos) {
    CDocument* doc = GetNextDoc(pos);
    if (!doc->GetPathName().IsEmpty() && doc->GetPathName().CompareNoCase(path) == 0) {
      match = doc;
      return yesAlreadyOpen;
    }
  }
  CString ext;
  if (GetDocString(ext, filterExt) && !ext.IsEmpty()) {
    const wchar_t* dot = wcsrchr(path, L'.');
    if (dot && ext.CompareNoCase(dot) == 0) return yesAttemptNative;
  }
  return yesAttemptForeign;
}

// ---------------------------------------------------------------------------------------------
// CMultiDocTemplate

IMPLEMENT_DYNAMIC(CMultiDocTemplate, CDocTemplate)

CMultiDocTemplate::CMultiDocTemplate(UINT resourceId, CRuntimeClass* docClass, CRuntimeClass* frameClass,
                                     CRuntimeClass* viewClass)
    : CDocTemplate(resourceId, docClass, frameClass, viewClass) {}

CMultiDocTemplate::~CMultiDocTemplate() {
  // Documents still open are no longer this template's.
  POSITION pos = GetFirstDocPosition();
  while (pos) GetNextDoc(pos)->m_pDocTemplate = nullptr;
  m_docList.RemoveAll();
  if (m_hMenuShared) ::DestroyMenu(m_hMenuShared);
}

void CMultiDocTemplate::LoadTemplate() {
  CDocTemplate::LoadTemplate();
  LPCTSTR name = MAKEINTRESOURCE(m_nIDResource);
  if (!m_hMenuShared) {
    HINSTANCE module = AfxFindResourceHandle(name, RT_MENU);
    m_hMenuShared = module ? ::LoadMenuW(module, name) : nullptr;
  }
  if (!m_hAccelTable) {
    HINSTANCE module = AfxFindResourceHandle(name, RT_ACCELERATOR);
    m_hAccelTable = module ? ::LoadAcceleratorsW(module, name) : nullptr;
  }
}

void CMultiDocTemplate::AddDocument(CDocument* doc) {
  CDocTemplate::AddDocument(doc);
  m_docList.AddTail(doc);
}

void CMultiDocTemplate::RemoveDocument(CDocument* doc) {
  CDocTemplate::RemoveDocument(doc);
  if (POSITION pos = m_docList.Find(doc)) m_docList.RemoveAt(pos);
}

void CMultiDocTemplate::SetDefaultTitle(CDocument* doc) {
  CString title;
  if (!GetDocString(title, docName) || title.IsEmpty()) title = L"Untitled";
  CString n;
  n.Format(L"%u", m_nUntitledCount + 1);
  doc->SetTitle(title + n);
}

CDocument* CMultiDocTemplate::OpenDocumentFile(LPCTSTR path, BOOL makeVisible) {
  CDocument* doc = CreateNewDocument();
  if (!doc) return nullptr;
  // While the frame is made, a failure must not close the document under us.
  BOOL autoDelete = doc->m_bAutoDelete;
  doc->m_bAutoDelete = FALSE;
  CFrameWnd* frame = CreateNewFrame(doc, nullptr);
  doc->m_bAutoDelete = autoDelete;
  if (!frame) {
    TRACE(L"CMultiDocTemplate: cannot create the frame\n");
    delete doc;
    return nullptr;
  }
  if (!path) {
    SetDefaultTitle(doc);
    if (!doc->OnNewDocument()) {
      frame->DestroyWindow();  // takes the view, and with the last view the document
      return nullptr;
    }
    ++m_nUntitledCount;
  } else {
    CWaitCursor wait;
    if (!doc->OnOpenDocument(path)) {
      frame->DestroyWindow();
      return nullptr;
    }
    doc->SetPathName(path);
  }
  InitialUpdateFrame(frame, doc, makeVisible);
  return doc;
}

// ---------------------------------------------------------------------------------------------
// CDocManager

CDocManager::~CDocManager() {
  POSITION pos = m_templateList.GetHeadPosition();
  while (pos) delete (CDocTemplate*)m_templateList.GetNext(pos);
  m_templateList.RemoveAll();
}

void CDocManager::AddDocTemplate(CDocTemplate* docTemplate) {
  if (!docTemplate || m_templateList.Find(docTemplate)) return;
  docTemplate->LoadTemplate();
  m_templateList.AddTail(docTemplate);
}

int CDocManager::GetOpenDocumentCount() {
  int count = 0;
  POSITION pos = GetFirstDocTemplatePosition();
  while (pos) {
    CDocTemplate* t = GetNextDocTemplate(pos);
    POSITION d = t->GetFirstDocPosition();
    while (d) {
      t->GetNextDoc(d);
      ++count;
    }
  }
  return count;
}

void CDocManager::OnFileNew() {
  if (m_templateList.IsEmpty()) {
    TRACE(L"CDocManager: no document template\n");
    return;
  }
  ((CDocTemplate*)m_templateList.GetHead())->OpenDocumentFile(nullptr);
}

CDocument* CDocManager::OpenDocumentFile(LPCTSTR path) {
  if (!path || !*path) return nullptr;
  CDocTemplate* best = nullptr;
  CDocTemplate::Confidence bestMatch = CDocTemplate::noAttempt;
  POSITION pos = GetFirstDocTemplatePosition();
  while (pos) {
    CDocTemplate* t = GetNextDocTemplate(pos);
    CDocument* open = nullptr;
    CDocTemplate::Confidence c = t->MatchDocType(path, open);
    if (c == CDocTemplate::yesAlreadyOpen && open) {
      // Already open: bring its frame forward.
      POSITION v = open->GetFirstViewPosition();
      if (v) {
        CFrameWnd* frame = open->GetNextView(v)->GetParentFrame();
        if (frame) frame->ActivateFrame();
      }
      return open;
    }
    if (c > bestMatch) {
      bestMatch = c;
      best = t;
    }
  }
  return best ? best->OpenDocumentFile(path) : nullptr;
}

BOOL CDocManager::SaveAllModified() {
  POSITION pos = GetFirstDocTemplatePosition();
  while (pos)
    if (!GetNextDocTemplate(pos)->SaveAllModified()) return FALSE;
  return TRUE;
}

void CDocManager::CloseAllDocuments(BOOL endSession) {
  POSITION pos = GetFirstDocTemplatePosition();
  while (pos) GetNextDocTemplate(pos)->CloseAllDocuments(endSession);
}

void AfxDeleteDocManager(CWinApp* app) {
  if (!app) return;
  delete app->m_pDocManager;
  app->m_pDocManager = nullptr;
}

// ---------------------------------------------------------------------------------------------
// CWinApp: documents and the shell

void CWinApp::AddDocTemplate(CDocTemplate* docTemplate) {
  if (!m_pDocManager) m_pDocManager = new CDocManager;
  m_pDocManager->AddDocTemplate(docTemplate);
}

POSITION CWinApp::GetFirstDocTemplatePosition() const {
  return m_pDocManager ? m_pDocManager->GetFirstDocTemplatePosition() : nullptr;
}

CDocTemplate* CWinApp::GetNextDocTemplate(POSITION& pos) const {
  return m_pDocManager ? m_pDocManager->GetNextDocTemplate(pos) : nullptr;
}

void CWinApp::OnFileNew() {
  if (m_pDocManager) m_pDocManager->OnFileNew();
}

void CWinApp::OnFileOpen() {
  if (!m_pDocManager) return;
  // The templates' filters ("Notes (*.ext)|*.ext|"), then every file.
  CString filter;
  POSITION pos = GetFirstDocTemplatePosition();
  while (pos) {
    CDocTemplate* t = GetNextDocTemplate(pos);
    CString name, ext;
    if (t->GetDocString(name, CDocTemplate::filterName) && !name.IsEmpty() &&
        t->GetDocString(ext, CDocTemplate::filterExt) && !ext.IsEmpty())
      filter += name + L"|*" + ext + L"|";
  }
  filter += L"All Files (*.*)|*.*||";
  CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, filter,
                     m_pMainWnd);
  if (dialog.DoModal() == IDOK) m_pDocManager->OpenDocumentFile(dialog.GetPathName());
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& info) {
  switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
      // A FileNew handler of the application's own comes first.
      if (!OnCmdMsg(ID_FILE_NEW, 0, nullptr, nullptr)) OnFileNew();
      return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen:
      return m_pDocManager && m_pDocManager->OpenDocumentFile(info.m_strFileName) != nullptr;
    case CCommandLineInfo::AppRegister:
      RegisterShellFileTypes(TRUE);
      return FALSE;  // a registration run ends here
    case CCommandLineInfo::AppUnregister:
      UnregisterShellFileTypes();
      return FALSE;
    case CCommandLineInfo::FileNothing:
    case CCommandLineInfo::FileDDE:
      return TRUE;
    default:  // printing is not offered
      return FALSE;
  }
}

void CWinApp::EnableShellOpen() {
  // Files reach the program through its single-instance hand-over, not through DDE: nothing to
  // set up.
}

namespace {

bool SetClassesValue(const CString& key, LPCTSTR name, const CString& value) {
  HKEY h = nullptr;
  if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr) != ERROR_SUCCESS)
    return false;
  LONG r = ::RegSetValueExW(h, name, 0, REG_SZ, (const BYTE*)(LPCTSTR)value,
                            (DWORD)((value.GetLength() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(h);
  return r == ERROR_SUCCESS;
}

}  // namespace

// Each template with a registry file type: its type key with a name, icon and open command, and
// its extension pointing at the type.
void CWinApp::RegisterShellFileTypes(BOOL) {
  wchar_t exe[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  POSITION pos = GetFirstDocTemplatePosition();
  while (pos) {
    CDocTemplate* t = GetNextDocTemplate(pos);
    CString typeId, typeName, ext;
    if (!t->GetDocString(typeId, CDocTemplate::regFileTypeId) || typeId.IsEmpty()) continue;
    t->GetDocString(typeName, CDocTemplate::regFileTypeName);
    SetClassesValue(typeId, nullptr, typeName);
    SetClassesValue(typeId + L"\\DefaultIcon", nullptr, CString(exe) + L",0");
    SetClassesValue(typeId + L"\\shell\\open\\command", nullptr, L"\"" + CString(exe) + L"\" \"%1\"");
    if (t->GetDocString(ext, CDocTemplate::filterExt) && !ext.IsEmpty()) SetClassesValue(ext, nullptr, typeId);
  }
}

void CWinApp::UnregisterShellFileTypes() {
  POSITION pos = GetFirstDocTemplatePosition();
  while (pos) {
    CDocTemplate* t = GetNextDocTemplate(pos);
    CString typeId, ext;
    if (!t->GetDocString(typeId, CDocTemplate::regFileTypeId) || typeId.IsEmpty()) continue;
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, typeId);
    if (t->GetDocString(ext, CDocTemplate::filterExt) && !ext.IsEmpty()) ::RegDeleteTreeW(HKEY_CLASSES_ROOT, ext);
  }
}
