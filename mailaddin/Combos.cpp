// The folder and tag pickers: flat owner-drawn drop-down lists; the tag list is multi-choice
// and shows its chosen tags as chips in the closed combo.
#include "Controls.h"

namespace UI {

namespace {

HIMAGELIST ArrowImages() {
  static HIMAGELIST arrows = ImageList_LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(kBmpComboArrow), 8, 0,
                                                  RGB(255, 0, 0), IMAGE_BITMAP, LR_CREATEDIBSECTION);
  return arrows;
}

std::wstring ItemText(HWND combo, int index) {
  int n = (int)::SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
  if (n <= 0) return std::wstring();
  std::wstring s((size_t)n + 1, L'\0');
  n = (int)::SendMessageW(combo, CB_GETLBTEXT, index, (LPARAM)&s[0]);
  s.resize(n > 0 ? (size_t)n : 0);
  return s;
}

void Fill(HDC dc, const RECT& r, COLORREF c) {
  HBRUSH b = CreateSolidBrush(c);
  FillRect(dc, &r, b);
  DeleteObject(b);
}

}  // namespace

// ---- common ----

HFONT CComboBoxBase::ItemFont() const { return SharedFont(L"Tahoma", -12, 400); }

void CComboBoxBase::PreSubclassWindow() { ::SendMessageW(m_hWnd, WM_SETFONT, (WPARAM)ItemFont(), FALSE); }

void CComboBoxBase::DeleteAllItems() {
  while (::SendMessageW(m_hWnd, CB_DELETESTRING, 0, 0) > 0) {
  }
}

void CComboBoxBase::DrawItemText(HDC dc, const CRect& rect, const std::wstring& text, int indent) {
  HGDIOBJ old = SelectObject(dc, ItemFont());
  ::SetTextColor(dc, 0x000000);
  SetBkMode(dc, TRANSPARENT);
  CRect t = rect;
  t.left += indent;
  DrawTextW(dc, text.c_str(), (int)text.size(), &t,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (m_ellipsis ? DT_END_ELLIPSIS : 0));
  SelectObject(dc, old);
}

void CComboBoxBase::PaintFace(HDC dc) {
  CRect client;
  ::GetClientRect(m_hWnd, &client);
  Fill(dc, client, 0xFFFFFF);  // the gradient's two colours are equal: a plain white face
  HPEN pen = CreatePen(PS_SOLID, 1, kBorder);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, client.left, client.top, client.right, client.bottom);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  if (HIMAGELIST arrows = ArrowImages()) ImageList_Draw(arrows, 0, dc, client.right - 14, client.top + 8, ILD_NORMAL);
  DrawFaceContent(dc, client);
}

LRESULT CComboBoxBase::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(m_hWnd, &ps);
      PaintFace(dc);
      ::EndPaint(m_hWnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return TRUE;
    case WM_CTLCOLORLISTBOX: {
      HWND list = (HWND)lParam;
      if (!m_list) {
        m_list = list;
        HFONT mine = (HFONT)::SendMessageW(m_hWnd, WM_GETFONT, 0, 0);
        if (mine && (HFONT)::SendMessageW(list, WM_GETFONT, 0, 0) != mine) ::SendMessageW(list, WM_SETFONT, (WPARAM)mine, FALSE);
      }
      CRect r;
      ::GetWindowRect(m_hWnd, &r);
      CRect lr;
      ::GetWindowRect(list, &lr);
      if (lr.left != r.left || lr.top != r.bottom)
        ::SetWindowPos(list, nullptr, r.left, r.bottom, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    default: break;
  }
  return CComboBox::WindowProc(message, wParam, lParam);
}

// ---- folders ----

void CComboBoxFolders::DrawFaceContent(HDC dc, const CRect& client) {
  int sel = (int)::SendMessageW(m_hWnd, CB_GETCURSEL, 0, 0);
  std::wstring text = sel >= 0 ? ItemText(m_hWnd, sel) : m_placeholder;
  HGDIOBJ old = SelectObject(dc, ItemFont());
  ::SetTextColor(dc, ::IsWindowEnabled(m_hWnd) ? 0x000000 : 0xC0C0C0);
  SetBkMode(dc, TRANSPARENT);
  RECT r = {client.left + 7, client.top + 5, client.right - 20, client.bottom};
  DrawTextW(dc, text.c_str(), (int)text.size(), &r, DT_SINGLELINE | DT_NOPREFIX | (m_ellipsis ? DT_END_ELLIPSIS : 0));
  SelectObject(dc, old);
}

void CComboBoxFolders::DrawItem(LPDRAWITEMSTRUCT dis) {
  if ((int)dis->itemID < 0) return;
  if (dis->itemState & ODS_COMBOBOXEDIT) {
    PaintFace(dis->hDC);
    return;
  }
  if (m_drawOwner && m_drawOwner->DrawItem(this, dis->hDC, dis) == 1) return;
  bool selected = (dis->itemState & ODS_SELECTED) != 0, focus = (dis->itemState & ODS_FOCUS) != 0;
  if (selected)
    Fill(dis->hDC, dis->rcItem, kHighlight);
  else if (!focus)
    Fill(dis->hDC, dis->rcItem, kItemBackground);
  else
    return;
  DrawItemText(dis->hDC, dis->rcItem, ItemText(m_hWnd, (int)dis->itemID), 8);
}

// ---- tags ----

CComboBoxTags::CComboBoxTags() {
  m_chipFont = SharedFont(L"Tahoma", 13, 400);
  m_chipImages = ImageList_LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(kBmpChips), 14, 0, RGB(255, 0, 0),
                                      IMAGE_BITMAP, LR_CREATEDIBSECTION);
}

CComboBoxTags::~CComboBoxTags() {
  if (m_chipImages) ImageList_Destroy(m_chipImages);
}

bool CComboBoxTags::IsChecked(const std::wstring& name) const {
  for (const std::wstring& t : m_checked)
    if (t == name) return true;
  return false;
}

void CComboBoxTags::Check(const std::wstring& name) {
  if (!IsChecked(name)) m_checked.push_back(name);
  LayoutChips();
}

void CComboBoxTags::Uncheck(const std::wstring& name) {
  for (size_t i = 0; i < m_checked.size(); ++i)
    if (m_checked[i] == name) m_checked.erase(m_checked.begin() + (long)i--);
  LayoutChips();
}

void CComboBoxTags::LayoutChips() {
  m_chips.clear();
  m_chipAreaEnd = 5;
  m_lastTop = 3;
  CRect client(0, 0, 0, 0);
  if (m_hWnd) ::GetClientRect(m_hWnd, &client);
  HDC dc = ::GetDC(m_hWnd);
  HGDIOBJ old = SelectObject(dc, m_chipFont);
  CRect chip(7, 3, 260, 21);
  for (const std::wstring& tag : m_checked) {
    SIZE size = {};
    GetTextExtentPoint32W(dc, tag.c_str(), (int)tag.size(), &size);
    chip.right = chip.left + size.cx + 6;
    m_chips.push_back(chip);
    if (chip.right < client.Width() - 30) {
      m_chipAreaEnd = chip.right + 20;
      m_lastTop = chip.top;
    }
    chip.left = chip.right + 20;
  }
  SelectObject(dc, old);
  ::ReleaseDC(m_hWnd, dc);
  if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

int CComboBoxTags::GetVisibleChipCount() const {
  int n = 0;
  while (n < (int)m_chips.size() && m_chips[(size_t)n].left + 25 < m_chipAreaEnd) ++n;
  return n;
}

int CComboBoxTags::HitTestRemoveMark(CPoint pt) const {
  // only chips that are drawn: a hidden chip has no mark to click
  int visible = GetVisibleChipCount();
  for (int i = 0; i < visible; ++i) {
    const CRect& c = m_chips[(size_t)i];
    if (pt.x > c.right && pt.x < c.right + 14 && pt.y > c.top && pt.y < c.bottom) return i;
  }
  return -1;
}

void CComboBoxTags::DrawFaceContent(HDC dc, const CRect&) {
  int visible = GetVisibleChipCount();
  HGDIOBJ old = SelectObject(dc, m_chipFont);
  HBRUSH frame = CreateSolidBrush(0xD1BEB7);
  for (int i = 0; i < visible; ++i) {
    CRect c = m_chips[(size_t)i];
    Fill(dc, c, 0xBEEFFF);
    FrameRect(dc, &c, frame);
    ::SetTextColor(dc, 0x000000);
    ::SetBkColor(dc, 0xBEEFFF);
    SetBkMode(dc, OPAQUE);
    const std::wstring& t = m_checked[(size_t)i];
    DrawTextW(dc, t.c_str(), (int)t.size(), &c, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    if (m_chipImages) {
      ImageList_Draw(m_chipImages, 0, dc, c.left - 5, c.top, ILD_NORMAL);
      ImageList_Draw(m_chipImages, 1, dc, c.right - 1, c.top, ILD_NORMAL);
    }
  }
  DeleteObject(frame);
  SelectObject(dc, old);
}

void CComboBoxTags::DrawItem(LPDRAWITEMSTRUCT dis) {
  if ((int)dis->itemID < 0) return;
  if (dis->itemState & ODS_COMBOBOXEDIT) {
    PaintFace(dis->hDC);
    return;
  }
  std::wstring text = ItemText(m_hWnd, (int)dis->itemID);
  bool selectedFocused = (dis->itemState & ODS_SELECTED) && (dis->itemState & ODS_FOCUS);
  Fill(dis->hDC, dis->rcItem, (selectedFocused || IsChecked(text)) ? kHighlight : kItemBackground);
  DrawItemText(dis->hDC, dis->rcItem, text, 8);
}

BOOL CComboBoxTags::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_COMMAND && HIWORD(wParam) == CBN_SELCHANGE) {
    int sel = (int)::SendMessageW(m_hWnd, CB_GETCURSEL, 0, 0);
    if (sel >= 0) {
      std::wstring text = ItemText(m_hWnd, sel);
      if (IsChecked(text))
        Uncheck(text);
      else
        Check(text);
    }
    return FALSE;  // the owner hears of it as well
  }
  return CComboBoxBase::OnChildNotify(message, wParam, lParam, result);
}

LRESULT CComboBoxTags::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN) {
    int hit = HitTestRemoveMark(CPoint((short)LOWORD(lParam), (short)HIWORD(lParam)));
    if (hit >= 0) {
      std::wstring tag = m_checked[(size_t)hit];
      Uncheck(tag);
      return 0;  // the list does not open
    }
  }
  if (message == WM_SIZE) LayoutChips();
  return CComboBoxBase::WindowProc(message, wParam, lParam);
}

}  // namespace UI
