// Dialogs: CDialog (modal and modeless, from a template resource or one in memory), dialog data
// exchange (DDX_/DDV_), and the common dialogs the program uses (file, colour).
#pragma once
#include "FxWnd.h"
#include <commdlg.h>

class CDialog;

// One UpdateData pass: moves values between member variables and the dialog's controls.
class CDataExchange {
 public:
  BOOL m_bSaveAndValidate;  // TRUE: controls -> variables (and validate)
  CWnd* m_pDlgWnd;
  HWND m_hWndLastControl = nullptr;
  BOOL m_bEditLastControl = FALSE;

  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
  HWND PrepareCtrl(int nIDC);      // the control's handle (a missing control is a programming error)
  HWND PrepareEditCtrl(int nIDC);  // the same, remembered as an edit for the failure focus
  // Validation failed: the last control gets the focus (an edit has its text selected) and the
  // pass stops (CUserException, caught by UpdateData).
  [[noreturn]] void Fail();
};

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void DDX_Text(CDataExchange* pDX, int nIDC, long& value);
void DDX_Text(CDataExchange* pDX, int nIDC, DWORD& value);
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);  // index in the group starting at nIDC
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value);
void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index);
// Binds rControl to the dialog's control the first time (subclassing it).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);
void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars);

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)
 public:
  CDialog() {}
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  explicit CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  // Modeless
  virtual BOOL Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
  virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  virtual BOOL CreateIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd = nullptr);
  // Modal
  BOOL InitModalIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd = nullptr);
  // Runs the dialog until EndDialog; its result, or -1 when the dialog could not be made.
  virtual INT_PTR DoModal();
  void EndDialog(int nResult);

  virtual BOOL OnInitDialog();  // default: UpdateData(FALSE); TRUE gives the focus to the first control
  // WM_INITDIALOG: PreInitDialog, then OnInitDialog, whose answer it returns.
  LRESULT HandleInitDialog(WPARAM, LPARAM);
  virtual void OnOK();          // UpdateData(TRUE), then EndDialog(IDOK)
  virtual void OnCancel();      // EndDialog(IDCANCEL)

  BOOL PreTranslateMessage(MSG* pMsg) override;  // dialog keyboard handling (IsDialogMessage)
  // Commands not handled here go on to the owner and then to the thread (the application).
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

  void NextDlgCtrl() const { ::SendMessage(m_hWnd, WM_NEXTDLGCTL, 0, 0); }
  void PrevDlgCtrl() const { ::SendMessage(m_hWnd, WM_NEXTDLGCTL, 1, 0); }
  void GotoDlgCtrl(CWnd* pWndCtrl) { ::SendMessage(m_hWnd, WM_NEXTDLGCTL, (WPARAM)pWndCtrl->GetSafeHwnd(), 1); }
  void SetDefID(UINT nID) { ::SendMessage(m_hWnd, DM_SETDEFID, nID, 0); }
  DWORD GetDefID() const { return (DWORD)::SendMessage(m_hWnd, DM_GETDEFID, 0, 0); }
  void MapDialogRect(LPRECT r) const { ::MapDialogRect(m_hWnd, r); }

  LPCTSTR m_lpszTemplateName = nullptr;  // a resource name, or MAKEINTRESOURCE(id)
  LPCDLGTEMPLATE m_lpDialogTemplate = nullptr;
  CWnd* m_pParentWnd = nullptr;
  UINT m_nIDHelp = 0;

 protected:
  // The modal loop: PreTranslateMessage walk (which ends in IsDialogMessage) then dispatch,
  // until EndDialog; WM_QUIT ends it too and is posted again for the outer loop.
  virtual int RunModalLoop();
  BOOL CreateFromTemplate(LPCDLGTEMPLATE tmpl, HWND hParent, HINSTANCE hInst);
  HWND PreModal();  // the owner to disable while modal

  // WM_INITDIALOG, before OnInitDialog: the template's controls exist, no data has been
  // exchanged yet. Does nothing here.
  virtual void PreInitDialog();

  int m_nModalResult = -1;
  BOOL m_bInModalLoop = FALSE;
  BOOL m_bContinueModal = FALSE;

  DECLARE_MESSAGE_MAP()
};

// A test seam for dialogs the platform runs itself (file and colour choosers): when set, DoModal
// calls it instead and returns its answer; it may fill the dialog's structure as a user would.
class CCommonDialog;
typedef INT_PTR (*AFX_COMMONDIALOG_HOOK)(CCommonDialog* dialog);
AFX_COMMONDIALOG_HOOK AfxSetCommonDialogHook(AFX_COMMONDIALOG_HOOK hook);

class CCommonDialog : public CDialog {
  DECLARE_DYNAMIC(CCommonDialog)
 public:
  explicit CCommonDialog(CWnd* pParentWnd) { m_pParentWnd = pParentWnd; }

 protected:
  HWND OwnerForModal();  // parent's top-level window, or the thread's active window
};

class CFileDialog : public CCommonDialog {
  DECLARE_DYNAMIC(CFileDialog)
 public:
  // lpszFilter: pairs of description and pattern separated by "|", ended by "||".
  explicit CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr, LPCTSTR lpszFileName = nullptr,
                       DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = nullptr,
                       CWnd* pParentWnd = nullptr, DWORD dwSize = 0, BOOL bVistaStyle = TRUE);
  INT_PTR DoModal() override;

  CString GetPathName() const;   // the (first) chosen path
  CString GetFileName() const;   // its name with extension
  CString GetFileExt() const;    // its extension without the dot
  CString GetFileTitle() const;  // its name without extension
  CString GetFolderPath() const;
  // Multiple selection: iterate the chosen paths (null when there are none).
  POSITION GetStartPosition() const;
  CString GetNextPathName(POSITION& pos) const;

  OPENFILENAMEW m_ofn = {};
  BOOL m_bOpenFileDialog;

 protected:
  CString m_strFilter;  // the filter with "|" turned into NULs
  CString m_strDefExt;
  wchar_t m_szFileName[MAX_PATH] = {};
  wchar_t m_szFileTitle[MAX_PATH] = {};
};

class CColorDialog : public CCommonDialog {
  DECLARE_DYNAMIC(CColorDialog)
 public:
  explicit CColorDialog(COLORREF clrInit = 0, DWORD dwFlags = 0, CWnd* pParentWnd = nullptr);
  INT_PTR DoModal() override;
  COLORREF GetColor() const { return m_cc.rgbResult; }
  void SetCurrentColor(COLORREF clr) { m_cc.rgbResult = clr; }
  static COLORREF* GetSavedCustomColors();  // the 16 custom colours, shared by every instance

  CHOOSECOLORW m_cc = {};
};
