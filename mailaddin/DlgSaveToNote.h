// The send dialog: title, tags, target folder and whether attachments are saved.
#pragma once
#include "Controls.h"
#include "SendTypes.h"

namespace Mailvane {

const UINT kDlgSaveToNote = 201;
const UINT kBmpFolders = 237;
enum {
  IDC_TITLE = 201, IDC_SAVE_ATTACHMENTS = 206, IDC_FOLDERS = 207, IDC_TITLE_LABEL = 208, IDC_TAGS = 209
};

// What the send flow gives the dialog and takes back.
struct SaveDialogData {
  std::wstring title;                         // in and out
  bool several = false;                       // the title is then read-only
  std::vector<FolderEntry>* folders = nullptr;
  std::vector<std::wstring>* tags = nullptr;
  FolderEntry* chosen = nullptr;              // out: none when cancelled or nothing chosen
  bool saveAttachments = true;                // out
  std::vector<std::wstring> checkedTags;      // out, in the order they were checked
};

// Runs the dialog modally (no owner); its result (IDOK, IDCANCEL, or -1 when it could not be made).
INT_PTR RunSaveDialog(SaveDialogData& data);

class CDlgSaveToPeloraNote : public UI::CDialogExt, public UI::LWDrawEvent {
 public:
  explicit CDlgSaveToPeloraNote(CWnd* parent = nullptr);
  ~CDlgSaveToPeloraNote() override;

  CString m_title;
  bool m_several = false;
  std::vector<FolderEntry>* m_folders = nullptr;
  std::vector<std::wstring>* m_tags = nullptr;
  FolderEntry* m_chosen = nullptr;
  bool m_saveAttachments = true;
  void GetCheckedTags(std::vector<std::wstring>* list) const;

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  int DrawItem(CWnd* control, HDC dc, const DRAWITEMSTRUCT* item) override;

  UI::LWEdit m_edit;
  UI::LWButton m_ok, m_close, m_check;
  UI::CComboBoxFolders m_folderCombo;
  UI::CComboBoxTags m_tagCombo;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void DrawBackground(HDC dc, const CRect& client) override;

  COLORREF m_checkBackground = 0xF6F2F1;
  HIMAGELIST m_images = nullptr;
  int m_panelBottom = 0;
};

}  // namespace Mailvane
