// CMenu: a menu handle with the item operations, owner-draw hooks and a handle map.
// The object destroys its menu when it is destroyed, unless the menu was detached first (a menu
// given to a window must be detached, since the window destroys it).
#pragma once
#include "FxBase.h"
#include "FxString.h"
#include "FxObject.h"
#include "FxGeom.h"

class CWnd;
class CBitmap;

class CMenu : public CObject {
  DECLARE_DYNCREATE(CMenu)
 public:
  HMENU m_hMenu = nullptr;

  CMenu() {}
  ~CMenu() override;

  operator HMENU() const { return m_hMenu; }
  HMENU GetSafeHmenu() const;
  BOOL operator==(const CMenu& o) const { return m_hMenu == o.m_hMenu; }
  BOOL operator!=(const CMenu& o) const { return m_hMenu != o.m_hMenu; }

  // The permanent wrapper of a menu, else a temporary one freed by DeleteTempMap at idle.
  static CMenu* PASCAL FromHandle(HMENU h);
  // Only an object that owns the menu (Attach, Load, Create), else null.
  static CMenu* PASCAL FromHandlePermanent(HMENU h);
  static void PASCAL DeleteTempMap();
  BOOL Attach(HMENU h);
  HMENU Detach();

  BOOL CreateMenu() { return !m_hMenu && AttachNew(::CreateMenu()); }
  BOOL CreatePopupMenu() { return !m_hMenu && AttachNew(::CreatePopupMenu()); }
  // From the first module of the resource list that holds the menu.
  BOOL LoadMenu(LPCTSTR resourceName);
  BOOL LoadMenu(UINT resourceId) { return LoadMenu(MAKEINTRESOURCE(resourceId)); }
  BOOL LoadMenuIndirect(const void* menuTemplate) { return !m_hMenu && AttachNew(::LoadMenuIndirectW(menuTemplate)); }
  BOOL DestroyMenu();

  // --- items
  BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCTSTR text = nullptr) { return ::AppendMenuW(m_hMenu, flags, id, text); }
  BOOL AppendMenu(UINT flags, UINT_PTR id, const CBitmap* bitmap);
  BOOL InsertMenu(UINT position, UINT flags, UINT_PTR id = 0, LPCTSTR text = nullptr) {
    return ::InsertMenuW(m_hMenu, position, flags, id, text);
  }
  BOOL InsertMenu(UINT position, UINT flags, UINT_PTR id, const CBitmap* bitmap);
  BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR id = 0, LPCTSTR text = nullptr) {
    return ::ModifyMenuW(m_hMenu, position, flags, id, text);
  }
  BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR id, const CBitmap* bitmap);
  BOOL RemoveMenu(UINT position, UINT flags) { return ::RemoveMenu(m_hMenu, position, flags); }
  // Destroys a popup item's sub-menu as well; a sub-menu's temporary wrapper stays harmless
  // because temporaries never destroy their handle.
  BOOL DeleteMenu(UINT position, UINT flags) { return ::DeleteMenu(m_hMenu, position, flags); }
  BOOL InsertMenuItem(UINT item, LPMENUITEMINFO info, BOOL byPosition = FALSE) {
    return ::InsertMenuItemW(m_hMenu, item, byPosition, info);
  }
  BOOL GetMenuItemInfo(UINT item, LPMENUITEMINFO info, BOOL byPosition = FALSE) const {
    return ::GetMenuItemInfoW(m_hMenu, item, byPosition, info);
  }
  BOOL SetMenuItemInfo(UINT item, LPMENUITEMINFO info, BOOL byPosition = FALSE) {
    return ::SetMenuItemInfoW(m_hMenu, item, byPosition, info);
  }

  // --- state
  UINT CheckMenuItem(UINT item, UINT check) { return ::CheckMenuItem(m_hMenu, item, check); }
  BOOL CheckMenuRadioItem(UINT first, UINT last, UINT item, UINT flags) {
    return ::CheckMenuRadioItem(m_hMenu, first, last, item, flags);
  }
  UINT EnableMenuItem(UINT item, UINT enable) { return ::EnableMenuItem(m_hMenu, item, enable); }
  BOOL SetDefaultItem(UINT item, BOOL byPosition = FALSE) { return ::SetMenuDefaultItem(m_hMenu, item, byPosition); }
  UINT GetDefaultItem(UINT flags, BOOL byPosition = FALSE) const { return ::GetMenuDefaultItem(m_hMenu, byPosition, flags); }
  BOOL SetMenuItemBitmaps(UINT position, UINT flags, const CBitmap* unchecked, const CBitmap* checked);
  BOOL SetMenuContextHelpId(DWORD id) { return ::SetMenuContextHelpId(m_hMenu, id); }
  DWORD GetMenuContextHelpId() const { return ::GetMenuContextHelpId(m_hMenu); }

  // --- queries
  UINT GetMenuItemCount() const { return (UINT)::GetMenuItemCount(m_hMenu); }
  UINT GetMenuItemID(int position) const { return ::GetMenuItemID(m_hMenu, position); }
  UINT GetMenuState(UINT id, UINT flags) const { return ::GetMenuState(m_hMenu, id, flags); }
  int GetMenuString(UINT id, LPTSTR text, int maxCount, UINT flags) const {
    return ::GetMenuStringW(m_hMenu, id, text, maxCount, flags);
  }
  int GetMenuString(UINT id, CString& text, UINT flags) const;
  CMenu* GetSubMenu(int position) const { return FromHandle(::GetSubMenu(m_hMenu, position)); }

  // Shows the menu as a popup owned by `owner`. With TPM_RETURNCMD the chosen command is
  // returned (0 for none) and no WM_COMMAND is sent.
  BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, LPCRECT rect = nullptr);
  BOOL TrackPopupMenuEx(UINT flags, int x, int y, CWnd* owner, LPTPMPARAMS params);

  // Owner-drawn items: the owning window passes WM_MEASUREITEM and WM_DRAWITEM for menu items
  // to the menu's wrapper. The defaults do nothing.
  virtual void MeasureItem(LPMEASUREITEMSTRUCT) {}
  virtual void DrawItem(LPDRAWITEMSTRUCT) {}

 private:
  BOOL AttachNew(HMENU h);  // a menu this object made; destroyed again when it cannot be kept
};
