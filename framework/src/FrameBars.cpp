// Control bars: the base, dock bars, tool bars and status bars, and the frame's docking.
#include "Framework.h"
#include "FxBars.h"
#include <algorithm>

namespace {

bool IsHorizontal(DWORD style) { return (style & CBRS_ORIENT_HORZ) != 0; }

// The CCmdUI of one tool-bar button.
class CToolCmdUI : public CCmdUI {
 public:
  CToolBar* bar = nullptr;
  void Enable(BOOL on) override {
    m_bEnableChanged = TRUE;
    bar->SendMessage(TB_ENABLEBUTTON, m_nID, MAKELONG(on ? TRUE : FALSE, 0));
  }
  void SetCheck(int check) override {
    bar->SendMessage(TB_CHECKBUTTON, m_nID, MAKELONG(check == 1, 0));
    bar->SendMessage(TB_INDETERMINATE, m_nID, MAKELONG(check == 2, 0));
  }
  void SetRadio(BOOL on) override { SetCheck(on ? 1 : 0); }
  void SetText(LPCTSTR) override {}
};

// The CCmdUI of one status-bar pane: disabled panes show no text.
class CStatusCmdUI : public CCmdUI {
 public:
  CStatusBar* bar = nullptr;
  void Enable(BOOL on) override {
    m_bEnableChanged = TRUE;
    UINT style = bar->GetPaneStyle((int)m_nIndex);
    bar->SetPaneStyle((int)m_nIndex, on ? (style & ~SBPS_DISABLED) : (style | SBPS_DISABLED));
  }
  void SetCheck(int check) override {
    UINT style = bar->GetPaneStyle((int)m_nIndex);
    bar->SetPaneStyle((int)m_nIndex, check ? (style | SBPS_POPOUT) : (style & ~SBPS_POPOUT));
  }
  void SetRadio(BOOL on) override { SetCheck(on ? 1 : 0); }
  void SetText(LPCTSTR text) override { bar->SetPaneText((int)m_nIndex, text); }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// The frame's docking

const DWORD CFrameWnd::dwDockBarMap[4][2] = {
    {AFX_IDW_DOCKBAR_TOP, CBRS_TOP},
    {AFX_IDW_DOCKBAR_BOTTOM, CBRS_BOTTOM},
    {AFX_IDW_DOCKBAR_LEFT, CBRS_LEFT},
    {AFX_IDW_DOCKBAR_RIGHT, CBRS_RIGHT},
};

void CFrameWnd::EnableDocking(DWORD style) {
  for (const auto& entry : dwDockBarMap) {
    if (!(entry[1] & style & CBRS_ALIGN_ANY)) continue;
    CWnd* existing = CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, entry[0]));
    if (existing && existing->IsKindOf(RUNTIME_CLASS(CDockBar))) continue;
    CDockBar* dock = new CDockBar;
    if (!dock->Create(this, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | entry[1], entry[0]))
      AfxThrowResourceException();
  }
}

void CFrameWnd::DockControlBar(CControlBar* bar, UINT dockBarId, LPCRECT rect) {
  if (!bar || !bar->m_hWnd) return;
  CDockBar* dock = nullptr;
  for (const auto& entry : dwDockBarMap) {
    if (dockBarId ? entry[0] != dockBarId : !(entry[1] & bar->m_dwDockStyle & CBRS_ALIGN_ANY)) continue;
    CWnd* w = CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, entry[0]));
    if (w && w->IsKindOf(RUNTIME_CLASS(CDockBar))) {
      dock = static_cast<CDockBar*>(w);
      break;
    }
  }
  if (!dock) return;
  dock->DockControlBar(bar, rect);
  RecalcLayout();
}

CWnd* CFrameWnd::GetControlBar(UINT id) {
  POSITION pos = m_listControlBars.GetHeadPosition();
  while (pos) {
    CControlBar* bar = (CControlBar*)m_listControlBars.GetNext(pos);
    if (bar->m_hWnd && (UINT)bar->GetDlgCtrlID() == id) return bar;
  }
  return CWnd::FromHandle(::GetDlgItem(m_hWnd, id));
}

// ---------------------------------------------------------------------------------------------
// CControlBar

IMPLEMENT_DYNAMIC(CControlBar, CWnd)

BEGIN_MESSAGE_MAP(CControlBar, CWnd)
  ON_MESSAGE(WM_SIZEPARENT, OnSizeParent)
  ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUIMsg)
  ON_WM_NCPAINT()
  ON_WM_NCCALCSIZE()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CControlBar::~CControlBar() {
  if (m_pDockSite) {
    if (POSITION pos = m_pDockSite->m_listControlBars.Find(this)) m_pDockSite->m_listControlBars.RemoveAt(pos);
  }
}

DWORD CControlBar::SplitStyle(DWORD style) {
  m_dwStyle = style & CBRS_ALL;
  return style & ~CBRS_ALL;
}

void CControlBar::AttachToFrame(CWnd* parent) {
  CWnd* w = parent;
  while (w && !w->IsKindOf(RUNTIME_CLASS(CFrameWnd))) w = w->GetParent();
  m_pDockSite = static_cast<CFrameWnd*>(w);
  if (m_pDockSite && !m_pDockSite->m_listControlBars.Find(this)) m_pDockSite->m_listControlBars.AddTail(this);
}

void CControlBar::OnDestroy() {
  if (m_pDockBar) m_pDockBar->RemoveControlBar(this);
  if (m_pDockSite) {
    if (POSITION pos = m_pDockSite->m_listControlBars.Find(this)) m_pDockSite->m_listControlBars.RemoveAt(pos);
    m_pDockSite = nullptr;
  }
  CWnd::OnDestroy();
}

void CControlBar::PostNcDestroy() {
  if (m_bAutoDelete) delete this;
}

CSize CControlBar::CalcFixedLayout(BOOL stretch, BOOL horz) {
  CSize size;
  if (stretch) size = horz ? CSize(32767, 0) : CSize(0, 32767);
  CRect rect;
  CalcInsideRect(rect, horz);
  size.cx = std::max<LONG>(size.cx, -rect.Width());
  size.cy = std::max<LONG>(size.cy, -rect.Height());
  return size;
}

CSize CControlBar::CalcDynamicLayout(int, DWORD mode) { return CalcFixedLayout(FALSE, (mode & 0x8) != 0); }

void CControlBar::CalcInsideRect(CRect& rect, BOOL horz) const {
  // Borders on the sides the style asks for; the gripper before the first item.
  if (m_dwStyle & CBRS_BORDER_LEFT) rect.left += 1;
  if (m_dwStyle & CBRS_BORDER_TOP) rect.top += 1;
  if (m_dwStyle & CBRS_BORDER_RIGHT) rect.right -= 1;
  if (m_dwStyle & CBRS_BORDER_BOTTOM) rect.bottom -= 1;
  if (horz) {
    rect.left += m_cxLeftBorder;
    rect.right -= m_cxRightBorder;
    rect.top += m_cyTopBorder;
    rect.bottom -= m_cyBottomBorder;
  } else {
    rect.left += m_cyTopBorder;
    rect.right -= m_cyBottomBorder;
    rect.top += m_cxLeftBorder;
    rect.bottom -= m_cxRightBorder;
  }
}

void CControlBar::OnNcCalcSize(BOOL, NCCALCSIZE_PARAMS* params) {
  CRect rect(params->rgrc[0]);
  CRect inside(0, 0, 0, 0);
  CalcInsideRect(inside, IsHorizontal(m_dwStyle));
  // Only the borders and gripper are non-client; the item margins stay inside the control.
  if (m_dwStyle & CBRS_BORDER_LEFT) rect.left += 1;
  if (m_dwStyle & CBRS_BORDER_TOP) rect.top += 1;
  if (m_dwStyle & CBRS_BORDER_RIGHT) rect.right -= 1;
  if (m_dwStyle & CBRS_BORDER_BOTTOM) rect.bottom -= 1;
  if (m_dwStyle & CBRS_GRIPPER) {
    if (IsHorizontal(m_dwStyle))
      rect.left += 6;
    else
      rect.top += 6;
  }
  if (rect.right < rect.left) rect.right = rect.left;
  if (rect.bottom < rect.top) rect.bottom = rect.top;
  params->rgrc[0] = rect;
}

void CControlBar::OnNcPaint() {
  CWindowDC dc(this);
  CRect window;
  GetWindowRect(&window);
  window.OffsetRect(-window.left, -window.top);
  DrawBorders(&dc, window);
  DrawGripper(&dc, window);
}

void CControlBar::DrawBorders(CDC* dc, CRect& rect) {
  COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT), shadow = ::GetSysColor(COLOR_BTNSHADOW);
  if (m_dwStyle & CBRS_BORDER_TOP) dc->FillSolidRect(rect.left, rect.top, rect.Width(), 1, light);
  if (m_dwStyle & CBRS_BORDER_LEFT) dc->FillSolidRect(rect.left, rect.top, 1, rect.Height(), light);
  if (m_dwStyle & CBRS_BORDER_BOTTOM) dc->FillSolidRect(rect.left, rect.bottom - 1, rect.Width(), 1, shadow);
  if (m_dwStyle & CBRS_BORDER_RIGHT) dc->FillSolidRect(rect.right - 1, rect.top, 1, rect.Height(), shadow);
}

void CControlBar::DrawGripper(CDC* dc, const CRect& rect) {
  if (!(m_dwStyle & CBRS_GRIPPER)) return;
  COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT), shadow = ::GetSysColor(COLOR_BTNSHADOW);
  if (IsHorizontal(m_dwStyle))
    dc->Draw3dRect(rect.left + 2, rect.top + 2, 3, rect.Height() - 4, light, shadow);
  else
    dc->Draw3dRect(rect.left + 2, rect.top + 2, rect.Width() - 4, 3, light, shadow);
}

// A visible bar takes its height (or width) from the free rectangle on its side.
LRESULT CControlBar::OnSizeParent(WPARAM, LPARAM lParam) {
  AFX_SIZEPARENTPARAMS* p = (AFX_SIZEPARENTPARAMS*)lParam;
  if (!IsWindowVisible() || !(m_dwStyle & CBRS_ALIGN_ANY)) return 0;
  BOOL horz = IsHorizontal(m_dwStyle);
  CSize size = CalcFixedLayout(p->bStretch, horz);
  CRect r(p->rect);
  if (horz) {
    size.cy = std::min<LONG>(size.cy, r.Height());
    if (m_dwStyle & CBRS_ALIGN_TOP) {
      r.bottom = r.top + size.cy;
      p->rect.top += size.cy;
    } else {
      r.top = r.bottom - size.cy;
      p->rect.bottom -= size.cy;
    }
    if (!p->bStretch && size.cx < r.Width()) r.right = r.left + size.cx;
  } else {
    size.cx = std::min<LONG>(size.cx, r.Width());
    if (m_dwStyle & CBRS_ALIGN_LEFT) {
      r.right = r.left + size.cx;
      p->rect.left += size.cx;
    } else {
      r.left = r.right - size.cx;
      p->rect.right -= size.cx;
    }
    if (!p->bStretch && size.cy < r.Height()) r.bottom = r.top + size.cy;
  }
  if (p->hDWP)
    p->hDWP = ::DeferWindowPos(p->hDWP, m_hWnd, nullptr, r.left, r.top, r.Width(), r.Height(),
                               SWP_NOZORDER | SWP_NOACTIVATE);
  return 0;
}

LRESULT CControlBar::OnIdleUpdateCmdUIMsg(WPARAM wParam, LPARAM) {
  if (!IsWindowVisible()) return 0;
  CFrameWnd* target = m_pDockSite ? m_pDockSite : GetParentFrame();
  if (target) OnUpdateCmdUI(target, (BOOL)wParam);
  return 0;
}

// Notifications of the bar's own children (and of the control the bar is) go to the frame, after
// the sender's reflected handlers had their turn.
LRESULT CControlBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM: {
      HWND sender = nullptr;
      if (message == WM_COMMAND) sender = (HWND)lParam;
      if (message == WM_NOTIFY) sender = ((NMHDR*)lParam)->hwndFrom;
      if (message == WM_DRAWITEM) sender = ((DRAWITEMSTRUCT*)lParam)->hwndItem;
      LRESULT result = 0;
      CWnd* child = sender && sender != m_hWnd ? CWnd::FromHandlePermanent(sender) : nullptr;
      if (child && child->OnChildNotify(message, wParam, lParam, &result)) return result;
      CFrameWnd* frame = m_pDockSite ? m_pDockSite : GetParentFrame();
      if (frame) return frame->SendMessage(message, wParam, lParam);
      break;
    }
    default:
      break;
  }
  return CWnd::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// CDockBar

IMPLEMENT_DYNAMIC(CDockBar, CControlBar)

BEGIN_MESSAGE_MAP(CDockBar, CControlBar)
  ON_WM_SIZE()
END_MESSAGE_MAP()

BOOL CDockBar::Create(CWnd* parent, DWORD style, UINT id) {
  m_cxLeftBorder = m_cxRightBorder = m_cyTopBorder = m_cyBottomBorder = 0;
  DWORD windowStyle = SplitStyle(style);
  m_dwStyle &= ~CBRS_BORDER_ANY;  // a side has no borders of its own
  m_dwDockStyle = m_dwStyle & CBRS_ALIGN_ANY;
  LPCTSTR cls = AfxRegisterWndClass(0, ::LoadCursor(nullptr, IDC_ARROW), (HBRUSH)(COLOR_BTNFACE + 1));
  if (!CWnd::CreateEx(0, cls, nullptr, windowStyle | WS_CHILD, CRect(0, 0, 0, 0), parent, id)) return FALSE;
  AttachToFrame(parent);
  return TRUE;
}

int CDockBar::GetDockedCount() const {
  int n = 0;
  for (const auto& row : m_rows) n += (int)row.size();
  return n;
}

void CDockBar::DockControlBar(CControlBar* bar, LPCRECT rect) {
  if (bar->m_pDockBar && bar->m_pDockBar != this) bar->m_pDockBar->RemoveControlBar(bar);
  RemoveControlBar(bar);
  bar->SetParent(this);
  // A tool-bar control keeps the window it notifies: tell it about its new parent.
  if (bar->IsKindOf(RUNTIME_CLASS(CToolBar))) bar->SendMessage(TB_SETPARENT, (WPARAM)m_hWnd);
  bar->m_pDockBar = this;
  bar->m_dwStyle = (bar->m_dwStyle & ~CBRS_ALIGN_ANY) | (m_dwStyle & CBRS_ALIGN_ANY);
  BOOL horz = IsHorizontal(m_dwStyle);
  if (!rect) {
    m_rows.push_back({{bar, 0}});
  } else {
    // The row whose band holds the rectangle's leading edge; a new row past the last one.
    CRect r(rect);
    ScreenToClient(&r);
    int along = horz ? r.left : r.top, across = horz ? r.top : r.left;
    int start = 0;
    size_t row = m_rows.size();
    for (size_t i = 0; i < m_rows.size(); ++i) {
      int thickness = 0;
      for (const Slot& s : m_rows[i]) {
        CSize sz = s.bar->CalcFixedLayout(FALSE, horz);
        thickness = std::max<int>(thickness, horz ? sz.cy : sz.cx);
      }
      if (across >= start && across < start + thickness) {
        row = i;
        break;
      }
      start += thickness;
    }
    if (row == m_rows.size()) m_rows.emplace_back();
    auto& slots = m_rows[row];
    Slot slot = {bar, std::max(0, along)};
    auto at = std::find_if(slots.begin(), slots.end(), [&](const Slot& s) { return s.offset > slot.offset; });
    slots.insert(at, slot);
  }
  LayoutBars();
}

void CDockBar::RemoveControlBar(CControlBar* bar) {
  for (auto row = m_rows.begin(); row != m_rows.end(); ++row) {
    auto it = std::find_if(row->begin(), row->end(), [&](const Slot& s) { return s.bar == bar; });
    if (it == row->end()) continue;
    row->erase(it);
    if (row->empty()) m_rows.erase(row);
    if (bar->m_pDockBar == this) bar->m_pDockBar = nullptr;
    return;
  }
}

CSize CDockBar::CalcFixedLayout(BOOL stretch, BOOL horz) {
  int total = 0;
  for (const auto& row : m_rows) {
    int thickness = 0;
    for (const Slot& s : row) {
      if (!s.bar->IsWindowVisible()) continue;
      CSize sz = s.bar->CalcFixedLayout(FALSE, horz);
      thickness = std::max<int>(thickness, horz ? sz.cy : sz.cx);
    }
    total += thickness;
  }
  if (horz) return CSize(stretch ? 32767 : 0, total);
  return CSize(total, stretch ? 32767 : 0);
}

// Rows one after the other; in a row, bars at their offsets, pushed along so none overlap.
void CDockBar::LayoutBars() {
  BOOL horz = IsHorizontal(m_dwStyle);
  int across = 0;
  for (auto& row : m_rows) {
    int thickness = 0, along = 0;
    for (Slot& s : row) {
      if (!s.bar->IsWindowVisible()) continue;
      CSize sz = s.bar->CalcFixedLayout(FALSE, horz);
      along = std::max(along, s.offset);
      if (horz)
        s.bar->SetWindowPos(nullptr, along, across, sz.cx, sz.cy, SWP_NOZORDER | SWP_NOACTIVATE);
      else
        s.bar->SetWindowPos(nullptr, across, along, sz.cx, sz.cy, SWP_NOZORDER | SWP_NOACTIVATE);
      along += horz ? sz.cx : sz.cy;
      thickness = std::max<int>(thickness, horz ? sz.cy : sz.cx);
    }
    across += thickness;
  }
}

void CDockBar::OnSize(UINT type, int cx, int cy) {
  CControlBar::OnSize(type, cx, cy);
  LayoutBars();
}

// ---------------------------------------------------------------------------------------------
// CToolBar

IMPLEMENT_DYNAMIC(CToolBar, CControlBar)

CToolBar::~CToolBar() { m_ctrl.m_hWnd = nullptr; }

BOOL CToolBar::Create(CWnd* parent, DWORD style, UINT id) {
  return CreateEx(parent, 0, style, CRect(m_cxLeftBorder, m_cyTopBorder, m_cxRightBorder, m_cyBottomBorder), id);
}

BOOL CToolBar::CreateEx(CWnd* parent, DWORD ctrlStyle, DWORD style, CRect borders, UINT id) {
  m_cxLeftBorder = borders.left;
  m_cyTopBorder = borders.top;
  m_cxRightBorder = borders.right;
  m_cyBottomBorder = borders.bottom;
  DWORD windowStyle = SplitStyle(style);
  // The control neither places nor sizes itself: the frame's layout does.
  windowStyle |= ctrlStyle | CCS_NOPARENTALIGN | CCS_NOMOVEY | CCS_NODIVIDER | CCS_NORESIZE;
  if (m_dwStyle & CBRS_TOOLTIPS) windowStyle |= TBSTYLE_TOOLTIPS;
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&icc);
  if (!CWnd::CreateEx(0, TOOLBARCLASSNAME, nullptr, windowStyle | WS_CHILD, CRect(0, 0, 0, 0), parent, id))
    return FALSE;
  SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SetSizes(m_sizeButton, m_sizeImage);
  AttachToFrame(parent);
  return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT resourceId) { return LoadToolBar(MAKEINTRESOURCE(resourceId)); }

BOOL CToolBar::LoadToolBar(LPCTSTR resourceName) {
  HINSTANCE module = AfxFindResourceHandle(resourceName, MAKEINTRESOURCE(RT_TOOLBAR_ID));
  HRSRC res = module ? ::FindResourceW(module, resourceName, MAKEINTRESOURCE(RT_TOOLBAR_ID)) : nullptr;
  HGLOBAL mem = res ? ::LoadResource(module, res) : nullptr;
  const WORD* data = mem ? (const WORD*)::LockResource(mem) : nullptr;
  DWORD bytes = res ? ::SizeofResource(module, res) : 0;
  if (!data || bytes < 8 || data[0] != 1) return FALSE;
  WORD width = data[1], height = data[2], count = data[3];
  if (bytes < 8u + 2u * count) return FALSE;
  std::vector<UINT> ids(data + 4, data + 4 + count);
  if (!SetButtons(ids.data(), (int)ids.size())) return FALSE;
  SetSizes(CSize(width + 7, height + 7), CSize(width, height));
  return LoadBitmap(resourceName);
}

BOOL CToolBar::LoadBitmap(LPCTSTR resourceName) {
  CBitmap bitmap;
  if (!bitmap.LoadBitmap(resourceName)) return FALSE;
  if (m_images.m_hImageList) {
    SendMessage(TB_SETIMAGELIST, 0, 0);
    m_images.DeleteImageList();
  }
  if (!m_images.Create(m_sizeImage.cx, m_sizeImage.cy, ILC_COLOR24 | ILC_MASK, 0, 4)) return FALSE;
  if (m_images.Add(&bitmap, RGB(192, 192, 192)) < 0) return FALSE;
  SendMessage(TB_SETIMAGELIST, 0, (LPARAM)m_images.m_hImageList);
  return TRUE;
}

BOOL CToolBar::SetButtons(const UINT* ids, int count) {
  while (SendMessage(TB_BUTTONCOUNT) > 0) SendMessage(TB_DELETEBUTTON, 0);
  int image = 0;
  for (int i = 0; i < count; ++i) {
    TBBUTTON b = {};
    b.idCommand = ids ? (int)ids[i] : 0;
    if (b.idCommand == 0) {
      b.fsStyle = TBSTYLE_SEP;
      b.iBitmap = 8;  // separator width
    } else {
      b.fsStyle = TBSTYLE_BUTTON;
      b.fsState = TBSTATE_ENABLED;
      b.iBitmap = image++;
    }
    if (!SendMessage(TB_ADDBUTTONS, 1, (LPARAM)&b)) return FALSE;
  }
  return TRUE;
}

void CToolBar::SetSizes(SIZE button, SIZE image) {
  m_sizeButton = button;
  m_sizeImage = image;
  if (!m_hWnd) return;
  SendMessage(TB_SETBITMAPSIZE, 0, MAKELONG(image.cx, image.cy));
  SendMessage(TB_SETBUTTONSIZE, 0, MAKELONG(button.cx, button.cy));
}

int CToolBar::GetCount() const { return (int)SendMessage(TB_BUTTONCOUNT); }

int CToolBar::CommandToIndex(UINT id) const { return (int)SendMessage(TB_COMMANDTOINDEX, id); }

UINT CToolBar::GetItemID(int index) const {
  TBBUTTON b = {};
  SendMessage(TB_GETBUTTON, index, (LPARAM)&b);
  return (UINT)b.idCommand;
}

void CToolBar::GetItemRect(int index, LPRECT rect) const {
  if (!SendMessage(TB_GETITEMRECT, index, (LPARAM)rect)) ::SetRectEmpty(rect);
}

UINT CToolBar::GetButtonStyle(int index) const {
  TBBUTTON b = {};
  if (!SendMessage(TB_GETBUTTON, index, (LPARAM)&b)) return 0;
  return MAKELONG(b.fsStyle, b.fsState);
}

void CToolBar::SetButtonStyle(int index, UINT style) {
  TBBUTTONINFOW info = {};
  info.cbSize = sizeof(info);
  info.dwMask = TBIF_STYLE | TBIF_STATE | TBIF_BYINDEX;
  info.fsStyle = (BYTE)LOWORD(style);
  info.fsState = (BYTE)HIWORD(style);
  SendMessage(TB_SETBUTTONINFOW, index, (LPARAM)&info);
}

void CToolBar::GetButtonInfo(int index, UINT& id, UINT& style, int& image) const {
  TBBUTTON b = {};
  SendMessage(TB_GETBUTTON, index, (LPARAM)&b);
  id = (UINT)b.idCommand;
  style = MAKELONG(b.fsStyle, b.fsState);
  image = b.iBitmap;
}

void CToolBar::SetButtonInfo(int index, UINT id, UINT style, int image) {
  TBBUTTONINFOW info = {};
  info.cbSize = sizeof(info);
  info.dwMask = TBIF_COMMAND | TBIF_STYLE | TBIF_STATE | TBIF_IMAGE | TBIF_BYINDEX;
  info.idCommand = (int)id;
  info.fsStyle = (BYTE)LOWORD(style);
  info.fsState = (BYTE)HIWORD(style);
  info.iImage = image;
  SendMessage(TB_SETBUTTONINFOW, index, (LPARAM)&info);
}

BOOL CToolBar::SetButtonText(int index, LPCTSTR text) {
  TBBUTTONINFOW info = {};
  info.cbSize = sizeof(info);
  info.dwMask = TBIF_TEXT | TBIF_BYINDEX;
  info.pszText = (LPWSTR)text;
  return SendMessage(TB_SETBUTTONINFOW, index, (LPARAM)&info) != 0;
}

CString CToolBar::GetButtonText(int index) const {
  wchar_t buffer[256] = {};
  TBBUTTONINFOW info = {};
  info.cbSize = sizeof(info);
  info.dwMask = TBIF_TEXT | TBIF_BYINDEX;
  info.pszText = buffer;
  info.cchText = 256;
  SendMessage(TB_GETBUTTONINFOW, index, (LPARAM)&info);
  return buffer;
}

CSize CToolBar::CalcFixedLayout(BOOL stretch, BOOL horz) {
  // The buttons' extent plus the bar's margins.
  CRect inside(0, 0, 0, 0);
  CalcInsideRect(inside, horz);
  int along = 0, across = 0;
  int n = GetCount();
  for (int i = 0; i < n; ++i) {
    CRect r;
    GetItemRect(i, &r);
    along = std::max<int>(along, horz ? r.right : r.bottom);
    across = std::max<int>(across, horz ? r.Height() : r.Width());
  }
  if (across == 0) across = horz ? m_sizeButton.cy : m_sizeButton.cx;
  CSize size = horz ? CSize(along - inside.Width(), across - inside.Height())
                    : CSize(across - inside.Width(), along - inside.Height());
  if (stretch) {
    if (horz)
      size.cx = 32767;
    else
      size.cy = 32767;
  }
  return size;
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) {
  CToolCmdUI state;
  state.bar = this;
  int n = GetCount();
  state.m_nIndexMax = (UINT)n;
  for (int i = 0; i < n; ++i) {
    TBBUTTON b = {};
    SendMessage(TB_GETBUTTON, i, (LPARAM)&b);
    if (b.fsStyle & TBSTYLE_SEP) continue;
    state.m_nIndex = (UINT)i;
    state.m_nID = (UINT)b.idCommand;
    state.DoUpdate(target, disableIfNoHandler);
  }
}

// ---------------------------------------------------------------------------------------------
// CStatusBar

IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)

BEGIN_MESSAGE_MAP(CStatusBar, CControlBar)
  ON_WM_SIZE()
END_MESSAGE_MAP()

BOOL CStatusBar::Create(CWnd* parent, DWORD style, UINT id) { return CreateEx(parent, 0, style, id); }

BOOL CStatusBar::CreateEx(CWnd* parent, DWORD ctrlStyle, DWORD style, UINT id) {
  DWORD windowStyle = SplitStyle(style);
  windowStyle |= ctrlStyle | CCS_NOPARENTALIGN | CCS_NOMOVEY | CCS_NODIVIDER | CCS_NORESIZE;
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&icc);
  if (!CWnd::CreateEx(0, STATUSCLASSNAMEW, nullptr, windowStyle | WS_CHILD, CRect(0, 0, 0, 0), parent, id))
    return FALSE;
  SendMessage(WM_SETFONT, (WPARAM)::GetStockObject(DEFAULT_GUI_FONT), FALSE);
  AttachToFrame(parent);
  return TRUE;
}

BOOL CStatusBar::SetIndicators(const UINT* ids, int count) {
  m_panes.clear();
  CClientDC dc(this);
  CFont* old = dc.SelectObject(CFont::FromHandle((HFONT)SendMessage(WM_GETFONT)));
  BOOL ok = TRUE;
  for (int i = 0; i < count; ++i) {
    Pane pane = {ids ? ids[i] : 0, SBPS_NORMAL, 0, CString()};
    if (pane.id == ID_SEPARATOR) {
      pane.style = SBPS_STRETCH | SBPS_NOBORDERS;
    } else {
      if (!pane.text.LoadString(pane.id)) ok = FALSE;  // the pane stays, empty
      pane.width = dc.GetTextExtent(pane.text).cx;
    }
    m_panes.push_back(pane);
  }
  if (old) dc.SelectObject(old);
  UpdateParts();
  return ok;
}

int CStatusBar::CommandToIndex(UINT id) const {
  for (size_t i = 0; i < m_panes.size(); ++i)
    if (m_panes[i].id == id) return (int)i;
  return -1;
}

UINT CStatusBar::GetItemID(int index) const {
  return index >= 0 && index < GetCount() ? m_panes[index].id : 0;
}

void CStatusBar::GetItemRect(int index, LPRECT rect) const {
  if (!SendMessage(SB_GETRECT, index, (LPARAM)rect)) ::SetRectEmpty(rect);
}

void CStatusBar::GetPaneInfo(int index, UINT& id, UINT& style, int& width) const {
  if (index < 0 || index >= GetCount()) {
    id = style = 0;
    width = 0;
    return;
  }
  id = m_panes[index].id;
  style = m_panes[index].style;
  width = m_panes[index].width;
}

void CStatusBar::SetPaneInfo(int index, UINT id, UINT style, int width) {
  if (index < 0 || index >= GetCount()) return;
  m_panes[index].id = id;
  m_panes[index].style = style;
  m_panes[index].width = width;
  UpdateParts();
}

UINT CStatusBar::GetPaneStyle(int index) const { return index >= 0 && index < GetCount() ? m_panes[index].style : 0; }

void CStatusBar::SetPaneStyle(int index, UINT style) {
  if (index < 0 || index >= GetCount() || m_panes[index].style == style) return;
  m_panes[index].style = style;
  UpdateParts();
}

CString CStatusBar::GetPaneText(int index) const {
  return index >= 0 && index < GetCount() ? m_panes[index].text : CString();
}

BOOL CStatusBar::SetPaneText(int index, LPCTSTR text, BOOL update) {
  if (index < 0 || index >= GetCount()) return FALSE;
  Pane& pane = m_panes[index];
  pane.text = text ? text : L"";
  if (update) {
    UINT kind = pane.style & (SBT_NOBORDERS | SBT_POPOUT | SBT_OWNERDRAW);
    SendMessage(SB_SETTEXTW, index | kind, (LPARAM)(pane.style & SBPS_DISABLED ? L"" : (LPCTSTR)pane.text));
  }
  return TRUE;
}

// Part edges: fixed panes from their widths (plus a margin), the stretching pane takes the rest.
void CStatusBar::UpdateParts() {
  if (!m_hWnd || m_panes.empty()) return;
  CRect client;
  GetClientRect(&client);
  const int margin = 6;
  int fixed = 0;
  for (const Pane& p : m_panes)
    if (!(p.style & SBPS_STRETCH)) fixed += p.width + margin;
  int stretch = std::max(0, client.Width() - fixed);
  std::vector<int> edges;
  int x = 0;
  for (const Pane& p : m_panes) {
    x += (p.style & SBPS_STRETCH) ? stretch : p.width + margin;
    edges.push_back(x);
  }
  SendMessage(SB_SETPARTS, edges.size(), (LPARAM)edges.data());
  for (size_t i = 0; i < m_panes.size(); ++i) SetPaneText((int)i, m_panes[i].text);
}

void CStatusBar::OnSize(UINT type, int cx, int cy) {
  CControlBar::OnSize(type, cx, cy);
  UpdateParts();
}

CSize CStatusBar::CalcFixedLayout(BOOL stretch, BOOL horz) {
  // The font's height with room for the pane borders.
  CClientDC dc(nullptr);
  CFont* old = dc.SelectObject(CFont::FromHandle((HFONT)SendMessage(WM_GETFONT)));
  TEXTMETRIC tm = {};
  dc.GetTextMetrics(&tm);
  if (old) dc.SelectObject(old);
  CSize size = CControlBar::CalcFixedLayout(stretch, horz);
  size.cy = std::max<LONG>(size.cy, tm.tmHeight + 8);
  return size;
}

void CStatusBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) {
  CStatusCmdUI state;
  state.bar = this;
  state.m_nIndexMax = (UINT)m_panes.size();
  for (size_t i = 0; i < m_panes.size(); ++i) {
    if (m_panes[i].id == ID_SEPARATOR) continue;
    state.m_nIndex = (UINT)i;
    state.m_nID = m_panes[i].id;
    state.DoUpdate(target, disableIfNoHandler);
  }
}
