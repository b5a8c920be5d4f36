// Documents and views: CDocument, CView, the document templates that make a document with its
// frame and view from one resource id, and the document manager behind CWinApp's file commands.
#pragma once
#include "FxFrame.h"
#include "FxColl.h"
#include "FxApp.h"

class CDocument : public CCmdTarget {
  DECLARE_DYNAMIC(CDocument)
 public:
  CDocument() {}
  ~CDocument() override;

  const CString& GetTitle() const { return m_strTitle; }
  // Also retitles the frames that show the document.
  virtual void SetTitle(LPCTSTR title);
  const CString& GetPathName() const { return m_strPathName; }
  // The title becomes the file's name.
  virtual void SetPathName(LPCTSTR path, BOOL addToMRU = TRUE);
  CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }

  virtual BOOL IsModified() { return m_bModified; }
  virtual void SetModifiedFlag(BOOL modified = TRUE) { m_bModified = modified; }

  // Views, in the order they were added.
  virtual POSITION GetFirstViewPosition() const { return m_viewList.GetHeadPosition(); }
  virtual CView* GetNextView(POSITION& pos) const { return (CView*)m_viewList.GetNext(pos); }
  void AddView(CView* view);
  void RemoveView(CView* view);
  // Tells every view but `sender` (OnUpdate).
  void UpdateAllViews(CView* sender, LPARAM hint = 0, CObject* hintObject = nullptr);
  void UpdateFrameCounts();

  // Life of a document: new, opened, saved, closed.
  virtual BOOL OnNewDocument();
  // Opening and saving know no file format here: a document class reads and writes its own
  // file in its overrides. The bases only clear the contents and keep the flags right.
  virtual BOOL OnOpenDocument(LPCTSTR path);
  virtual BOOL OnSaveDocument(LPCTSTR path);
  // Destroys the frames that show the document, then the document (when m_bAutoDelete).
  virtual void OnCloseDocument();
  virtual void DeleteContents() {}
  virtual BOOL CanCloseFrame(CFrameWnd* frame);
  virtual BOOL SaveModified() { return TRUE; }
  virtual void PreCloseFrame(CFrameWnd*) {}
  // The last view went away: an auto-deleting document closes.
  virtual void OnChangedViewList();

  BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) override;

  CString m_strTitle;
  CString m_strPathName;
  CDocTemplate* m_pDocTemplate = nullptr;
  CPtrList m_viewList;
  BOOL m_bModified = FALSE;
  BOOL m_bAutoDelete = TRUE;
  BOOL m_bEmbedded = FALSE;
};

class CView : public CWnd {
  DECLARE_DYNAMIC(CView)
 public:
  CView() {}
  ~CView() override;

  CDocument* GetDocument() const { return m_pDocument; }
  virtual void OnDraw(CDC* dc) = 0;
  virtual void OnPrepareDC(CDC*, void* printInfo = nullptr) { (void)printInfo; }
  virtual void OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }
  // A change of the document; the base repaints everything.
  virtual void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject);
  virtual void OnActivateView(BOOL activate, CView* activated, CView* deactivated);
  virtual void OnActivateFrame(UINT, CFrameWnd*) {}

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;
  BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) override;

  CDocument* m_pDocument = nullptr;

 protected:
  int OnCreate(LPCREATESTRUCT cs);
  void OnDestroy();
  void OnPaint();
  int OnMouseActivate(CWnd* desktop, UINT hitTest, UINT message);
  LRESULT OnInitialUpdateMsg(WPARAM, LPARAM);
  void PostNcDestroy() override;  // views delete themselves
  DECLARE_MESSAGE_MAP()
};

// Makes documents of one class with their frames and views, from one resource id whose string
// holds seven "\n"-separated parts (GetDocString).
class CDocTemplate : public CCmdTarget {
  DECLARE_DYNAMIC(CDocTemplate)
 public:
  enum DocStringIndex {
    windowTitle = 0,
    docName,
    fileNewName,
    filterName,
    filterExt,
    regFileTypeId,
    regFileTypeName
  };
  enum Confidence { noAttempt, maybeAttemptForeign, maybeAttemptNative, yesAttemptForeign, yesAttemptNative, yesAlreadyOpen };

  ~CDocTemplate() override;

  // The string resource (found through the resource list) and the shared menu and accelerators
  // of the id; called when the template is added to the application.
  virtual void LoadTemplate();
  virtual BOOL GetDocString(CString& text, DocStringIndex index) const;

  virtual void AddDocument(CDocument* doc);
  virtual void RemoveDocument(CDocument* doc);
  virtual POSITION GetFirstDocPosition() const = 0;
  virtual CDocument* GetNextDoc(POSITION& pos) const = 0;

  virtual CDocument* CreateNewDocument();
  virtual CFrameWnd* CreateNewFrame(CDocument* doc, CFrameWnd* other);
  virtual void InitialUpdateFrame(CFrameWnd* frame, CDocument* doc, BOOL makeVisible = TRUE);
  virtual void SetDefaultTitle(CDocument* doc) = 0;
  // Opens the file (null: a new, untitled document) in a new frame. Null on failure.
  virtual CDocument* OpenDocumentFile(LPCTSTR path, BOOL makeVisible = TRUE) = 0;
  virtual BOOL SaveAllModified();
  virtual void CloseAllDocuments(BOOL endSession);
  virtual Confidence MatchDocType(LPCTSTR path, CDocument*& match);

  UINT m_nIDResource = 0;
  CRuntimeClass* m_pDocClass = nullptr;
  CRuntimeClass* m_pFrameClass = nullptr;
  CRuntimeClass* m_pViewClass = nullptr;
  CString m_strDocStrings;

 protected:
  CDocTemplate(UINT resourceId, CRuntimeClass* docClass, CRuntimeClass* frameClass, CRuntimeClass* viewClass);
};

class CMultiDocTemplate : public CDocTemplate {
  DECLARE_DYNAMIC(CMultiDocTemplate)
 public:
  CMultiDocTemplate(UINT resourceId, CRuntimeClass* docClass, CRuntimeClass* frameClass, CRuntimeClass* viewClass);
  ~CMultiDocTemplate() override;

  void LoadTemplate() override;
  void AddDocument(CDocument* doc) override;
  void RemoveDocument(CDocument* doc) override;
  POSITION GetFirstDocPosition() const override { return m_docList.GetHeadPosition(); }
  CDocument* GetNextDoc(POSITION& pos) const override { return (CDocument*)m_docList.GetNext(pos); }
  // "<docName><n>" for the n-th untitled document (docName "Untitled" when the string has none).
  void SetDefaultTitle(CDocument* doc) override;
  CDocument* OpenDocumentFile(LPCTSTR path, BOOL makeVisible = TRUE) override;

  HMENU m_hMenuShared = nullptr;   // the MDI frame's menu while a child of this template is active
  HACCEL m_hAccelTable = nullptr;
  CPtrList m_docList;
  UINT m_nUntitledCount = 0;
};

// The application's templates; CWinApp's document commands use it (created by AddDocTemplate).
class CDocManager : public CObject {
 public:
  CDocManager() {}
  ~CDocManager() override;  // deletes the templates

  void AddDocTemplate(CDocTemplate* docTemplate);
  POSITION GetFirstDocTemplatePosition() const { return m_templateList.GetHeadPosition(); }
  CDocTemplate* GetNextDocTemplate(POSITION& pos) const { return (CDocTemplate*)m_templateList.GetNext(pos); }
  int GetOpenDocumentCount();
  // A new document of the first template (the program has one template).
  void OnFileNew();
  CDocument* OpenDocumentFile(LPCTSTR path);
  BOOL SaveAllModified();
  void CloseAllDocuments(BOOL endSession);

  CPtrList m_templateList;
};

// For the application's destructor: the document manager and its templates go with it.
void AfxDeleteDocManager(CWinApp* app);
