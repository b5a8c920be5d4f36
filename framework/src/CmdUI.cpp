// CCmdUI: the enabled/checked/text state of a menu item or control, asked of the command routing.
#include "Framework.h"
#include "FxWnd.h"

void CCmdUI::Enable(BOOL bOn) {
  if (m_hMenu) {
    ::EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
  } else if (m_pOther) {
    HWND h = m_pOther->GetSafeHwnd();
    // Moving the focus off a control that is being disabled keeps the keyboard usable.
    if (!bOn && ::GetFocus() == h) ::SendMessage(::GetParent(h), WM_NEXTDLGCTL, 0, FALSE);
    ::EnableWindow(h, bOn);
  }
  m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int nCheck) {
  if (m_hMenu) {
    ::CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
  } else if (m_pOther) {
    HWND h = m_pOther->GetSafeHwnd();
    if (::SendMessage(h, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON) ::SendMessage(h, BM_SETCHECK, nCheck, 0);
  }
}

namespace {

// The mark of radio-checked menu items: one bitmap for the process, white with a black dot, set
// as the item's checked bitmap. A menu manager that draws items itself finds it there (and may
// repaint it in its own style); the handle lives as long as the module.
class MenuDot {
 public:
  MenuDot() {
    int cx = ::GetSystemMetrics(SM_CXMENUCHECK), cy = ::GetSystemMetrics(SM_CYMENUCHECK);
    if (cx <= 0 || cy <= 0) return;
    HDC mem = ::CreateCompatibleDC(nullptr);
    m_bitmap = ::CreateBitmap(cx, cy, 1, 1, nullptr);
    if (!mem || !m_bitmap) {
      if (mem) ::DeleteDC(mem);
      return;
    }
    HGDIOBJ oldBitmap = ::SelectObject(mem, m_bitmap);
    ::PatBlt(mem, 0, 0, cx, cy, WHITENESS);
    int d = (cx < cy ? cx : cy) / 2;
    if (d < 4) d = 4;
    int x = (cx - d) / 2, y = (cy - d) / 2;
    HGDIOBJ oldBrush = ::SelectObject(mem, ::GetStockObject(BLACK_BRUSH));
    HGDIOBJ oldPen = ::SelectObject(mem, ::GetStockObject(NULL_PEN));
    ::Ellipse(mem, x, y, x + d + 1, y + d + 1);  // a null pen draws one pixel short
    ::SelectObject(mem, oldPen);
    ::SelectObject(mem, oldBrush);
    ::SelectObject(mem, oldBitmap);
    ::DeleteDC(mem);
  }
  ~MenuDot() {
    if (m_bitmap) ::DeleteObject(m_bitmap);
  }
  HBITMAP m_bitmap = nullptr;
};

HBITMAP MenuDotBitmap() {
  static MenuDot dot;
  return dot.m_bitmap;
}

}  // namespace

void CCmdUI::SetRadio(BOOL bOn) {
  if (m_hMenu) {
    // A radio item shows a dot instead of the check mark: the system's bullet (MFT_RADIOCHECK)
    // and, for menus drawn by their owner, the dot as the checked bitmap.
    MENUITEMINFOW mii = {sizeof(mii)};
    mii.fMask = MIIM_FTYPE;
    ::GetMenuItemInfoW(m_hMenu, m_nIndex, TRUE, &mii);
    mii.fType = bOn ? (mii.fType | MFT_RADIOCHECK) : (mii.fType & ~MFT_RADIOCHECK);
    ::SetMenuItemInfoW(m_hMenu, m_nIndex, TRUE, &mii);
    if (HBITMAP dot = MenuDotBitmap()) ::SetMenuItemBitmaps(m_hMenu, m_nIndex, MF_BYPOSITION, nullptr, dot);
    ::CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (bOn ? MF_CHECKED : MF_UNCHECKED));
  } else {
    SetCheck(bOn ? 1 : 0);
  }
}

void CCmdUI::SetText(LPCTSTR lpszText) {
  if (m_hMenu) {
    UINT state = ::GetMenuState(m_hMenu, m_nIndex, MF_BYPOSITION);
    state &= ~(MF_BITMAP | MF_OWNERDRAW | MF_SEPARATOR | MF_POPUP | 0xFF00);
    ::ModifyMenuW(m_hMenu, m_nIndex, MF_BYPOSITION | MF_STRING | state, m_nID, lpszText);
  } else if (m_pOther) {
    CString cur;
    m_pOther->GetWindowText(cur);
    if (cur != lpszText) ::SetWindowTextW(m_pOther->GetSafeHwnd(), lpszText);
  }
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHandler) {
  if (m_nID == 0 || LOWORD(m_nID) == 0xFFFF) return TRUE;  // separators and ids that are not commands
  m_bEnableChanged = FALSE;
  BOOL handled = pTarget->OnCmdMsg(m_nID, (int)CN_UPDATE_COMMAND_UI, this, nullptr);
  if (bDisableIfNoHandler && !m_bEnableChanged) {
    AFX_CMDHANDLERINFO info;
    Enable(pTarget->OnCmdMsg(m_nID, CN_COMMAND, this, &info));
  }
  return handled;
}

void CCmdUI::UpdateMenu(CCmdTarget* pTarget, HMENU hMenu, BOOL bDisableIfNoHandler) {
  CCmdUI state;
  state.m_hMenu = hMenu;
  state.m_nIndexMax = (UINT)::GetMenuItemCount(hMenu);
  for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex) {
    UINT id = ::GetMenuItemID(hMenu, state.m_nIndex);
    if (id == 0 || id == (UINT)-1) continue;  // separators and sub-menus
    state.m_nID = id;
    // System commands and the MDI window list (ids from 0xF000) have no handlers to find.
    state.DoUpdate(pTarget, bDisableIfNoHandler && id < 0xF000);
    // A handler may have removed or added items.
    state.m_nIndexMax = (UINT)::GetMenuItemCount(hMenu);
  }
}
