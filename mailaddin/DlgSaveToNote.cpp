#include "DlgSaveToNote.h"

namespace Mailvane {

CDlgSaveToPeloraNote::CDlgSaveToPeloraNote(CWnd* parent) : UI::CDialogExt(kDlgSaveToNote, parent) {
  m_caption = L"Send to Pelora Note";
  m_images = ImageList_LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(kBmpFolders), 16, 0, RGB(255, 0, 0),
                                  IMAGE_BITMAP, LR_CREATEDIBSECTION);
}

CDlgSaveToPeloraNote::~CDlgSaveToPeloraNote() {
  if (m_images) ImageList_Destroy(m_images);
}

void CDlgSaveToPeloraNote::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_TITLE, m_edit);
  DDX_Control(pDX, IDOK, m_ok);
  DDX_Control(pDX, IDCANCEL, m_close);
  DDX_Control(pDX, IDC_SAVE_ATTACHMENTS, m_check);
  DDX_Control(pDX, IDC_FOLDERS, m_folderCombo);
  DDX_Control(pDX, IDC_TAGS, m_tagCombo);
  DDX_Text(pDX, IDC_TITLE, m_title);
}

BOOL CDlgSaveToPeloraNote::OnInitDialog() {
  UI::CDialogExt::OnInitDialog();
  m_check.SetKind(UI::LWButton::KindCheck);
  m_check.SetBackgroundColor(m_checkBackground);
  m_check.SetTextPlacement(1);
  m_check.SizeToText();
  m_check.SetCheck(m_saveAttachments);
  if (m_several) {
    m_edit.SetReadOnly(TRUE);
    m_edit.EnableWindow(FALSE);
  }
  if (m_tags)
    for (size_t i = 0; i < m_tags->size(); ++i) m_tagCombo.InsertString((int)i, (*m_tags)[i].c_str());
  if (m_folders) {
    for (size_t i = 0; i < m_folders->size(); ++i) {
      FolderEntry& e = (*m_folders)[i];
      int index = m_folderCombo.InsertString((int)i, e.name.c_str());
      m_folderCombo.SetItemDataPtr(index, &e);
      if (e.isDefault) m_folderCombo.SetCurSel(index);  // the last default one wins
    }
  }
  CRect combo, button;
  m_folderCombo.GetWindowRect(&combo);
  m_ok.GetWindowRect(&button);
  ScreenToClient(&combo);
  ScreenToClient(&button);
  m_panelBottom = (combo.bottom + button.top) / 2;
  m_folderCombo.SetDrawOwner(this);
  return TRUE;
}

void CDlgSaveToPeloraNote::OnOK() {
  if (!UpdateData(TRUE)) return;
  int sel = m_folderCombo.GetCurSel();
  m_chosen = sel >= 0 ? static_cast<FolderEntry*>(m_folderCombo.GetItemDataPtr(sel)) : nullptr;
  m_saveAttachments = m_check.GetCheck();
  EndDialog(IDOK);
}

void CDlgSaveToPeloraNote::OnCancel() {
  m_chosen = nullptr;
  EndDialog(IDCANCEL);
}

void CDlgSaveToPeloraNote::GetCheckedTags(std::vector<std::wstring>* list) const {
  if (!list) return;
  *list = m_tagCombo.GetCheckedTags();
}

LRESULT CDlgSaveToPeloraNote::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    const NMHDR* nm = reinterpret_cast<const NMHDR*>(lParam);
    if (nm && nm->idFrom == IDC_TITLE && nm->code == UI::LWEdit::kNotifyEnter) {
      OnOK();
      return 0;
    }
  }
  return UI::CDialogExt::WindowProc(message, wParam, lParam);
}

void CDlgSaveToPeloraNote::DrawBackground(HDC dc, const CRect& client) {
  UI::CDialogExt::DrawBackground(dc, client);
  HPEN pen = CreatePen(PS_SOLID, 1, 0xCFCAC7);
  HGDIOBJ old = SelectObject(dc, pen);
  Rectangle(dc, client.left, m_skin[4] - 3, client.right, m_panelBottom);
  SelectObject(dc, old);
  DeleteObject(pen);
  // the band of the buttons below the panel takes the check box's colour, so that the check
  // box does not stand on it as a lighter box
  RECT band = {client.left, m_panelBottom, client.right, client.bottom};
  HBRUSH b = CreateSolidBrush(m_checkBackground);
  FillRect(dc, &band, b);
  DeleteObject(b);
}

int CDlgSaveToPeloraNote::DrawItem(CWnd* control, HDC dc, const DRAWITEMSTRUCT* item) {
  HWND combo = control->GetSafeHwnd();
  int n = (int)::SendMessageW(combo, CB_GETLBTEXTLEN, item->itemID, 0);
  std::wstring text(n > 0 ? (size_t)n + 1 : 1, L'\0');
  if (n > 0) ::SendMessageW(combo, CB_GETLBTEXT, item->itemID, (LPARAM)&text[0]);
  text.resize(n > 0 ? (size_t)n : 0);
  bool selected = (item->itemState & ODS_SELECTED) != 0, focus = (item->itemState & ODS_FOCUS) != 0;
  COLORREF fill;
  if (selected)
    fill = UI::CComboBoxBase::kHighlight;
  else if (!focus)
    fill = UI::CComboBoxBase::kItemBackground;
  else
    return TRUE;  // focus only: left as it is
  HBRUSH b = CreateSolidBrush(fill);
  FillRect(dc, &item->rcItem, b);
  DeleteObject(b);
  const FolderEntry* e = reinterpret_cast<const FolderEntry*>(item->itemData);
  int x = item->rcItem.left + (e ? e->depth * 16 : 0) + 4;
  if (m_images) ImageList_Draw(m_images, (e && e->isLocal) ? 1 : 0, dc, x, item->rcItem.top, ILD_NORMAL);
  HGDIOBJ old = SelectObject(dc, (HFONT)SendMessage(WM_GETFONT, 0, 0));
  ::SetTextColor(dc, 0x000000);
  SetBkMode(dc, TRANSPARENT);
  RECT t = {x + 20, item->rcItem.top, item->rcItem.right, item->rcItem.bottom};
  bool ellipsis = static_cast<UI::CComboBoxBase*>(control)->GetEllipsis();
  DrawTextW(dc, text.c_str(), (int)text.size(), &t,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (ellipsis ? DT_END_ELLIPSIS : 0));
  SelectObject(dc, old);
  return TRUE;
}

INT_PTR RunSaveDialog(SaveDialogData& data) {
  CDlgSaveToPeloraNote dlg(nullptr);
  dlg.m_title = data.title.c_str();
  dlg.m_several = data.several;
  dlg.m_folders = data.folders;
  dlg.m_tags = data.tags;
  INT_PTR result = dlg.DoModal();
  data.title = (LPCWSTR)dlg.m_title;
  data.chosen = result == IDOK ? dlg.m_chosen : nullptr;
  data.saveAttachments = dlg.m_saveAttachments;
  dlg.GetCheckedTags(&data.checkedTags);
  return result;
}

}  // namespace Mailvane
