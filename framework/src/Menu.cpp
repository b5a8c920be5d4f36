// CMenu and its handle map.
#include "FxGdi.h"
#include "FxMenu.h"
#include "GdiHandleMap.h"
#include <vector>

namespace {

FxHandleMap<CMenu, HMENU>& MenuMap() {
  static FxHandleMap<CMenu, HMENU> map;
  return map;
}

}  // namespace

IMPLEMENT_DYNCREATE(CMenu, CObject)

CMenu::~CMenu() { DestroyMenu(); }

HMENU CMenu::GetSafeHmenu() const { return FxIsNullObject(this) ? nullptr : m_hMenu; }

CMenu* PASCAL CMenu::FromHandle(HMENU h) {
  return MenuMap().FromHandle(h, [](HMENU menu) {
    CMenu* obj = new CMenu;
    obj->m_hMenu = menu;
    return obj;
  });
}

CMenu* PASCAL CMenu::FromHandlePermanent(HMENU h) { return h ? MenuMap().LookupPermanent(h) : nullptr; }

void PASCAL CMenu::DeleteTempMap() {
  MenuMap().DeleteTemporaries([](CMenu* m) { m->m_hMenu = nullptr; });
}

BOOL CMenu::Attach(HMENU h) {
  ASSERT(m_hMenu == nullptr);
  if (!h || m_hMenu) return FALSE;
  m_hMenu = h;
  MenuMap().SetPermanent(h, this);
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU h = m_hMenu;
  if (h) MenuMap().RemovePermanent(h, this);
  m_hMenu = nullptr;
  return h;
}

BOOL CMenu::AttachNew(HMENU h) {
  if (!h) return FALSE;
  if (Attach(h)) return TRUE;
  ::DestroyMenu(h);  // this object already holds a menu: the new one is not kept
  return FALSE;
}

BOOL CMenu::LoadMenu(LPCTSTR resourceName) {
  HINSTANCE module = AfxFindResourceHandle(resourceName, RT_MENU);
  return module && !m_hMenu ? AttachNew(::LoadMenuW(module, resourceName)) : FALSE;
}

BOOL CMenu::DestroyMenu() {
  if (!m_hMenu) return FALSE;
  return ::DestroyMenu(Detach());
}

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR id, const CBitmap* bitmap) {
  return ::AppendMenuW(m_hMenu, flags | MF_BITMAP, id, (LPCTSTR)bitmap->GetSafeHandle());
}

BOOL CMenu::InsertMenu(UINT position, UINT flags, UINT_PTR id, const CBitmap* bitmap) {
  return ::InsertMenuW(m_hMenu, position, flags | MF_BITMAP, id, (LPCTSTR)bitmap->GetSafeHandle());
}

BOOL CMenu::ModifyMenu(UINT position, UINT flags, UINT_PTR id, const CBitmap* bitmap) {
  return ::ModifyMenuW(m_hMenu, position, flags | MF_BITMAP, id, (LPCTSTR)bitmap->GetSafeHandle());
}

BOOL CMenu::SetMenuItemBitmaps(UINT position, UINT flags, const CBitmap* unchecked, const CBitmap* checked) {
  return ::SetMenuItemBitmaps(m_hMenu, position, flags, (HBITMAP)unchecked->GetSafeHandle(),
                              (HBITMAP)checked->GetSafeHandle());
}

int CMenu::GetMenuString(UINT id, CString& text, UINT flags) const {
  text.Empty();
  MENUITEMINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STRING;
  if (!::GetMenuItemInfoW(m_hMenu, id, (flags & MF_BYPOSITION) != 0, &info)) return 0;
  int n = (int)info.cch;
  if (n == 0) return 0;
  std::vector<wchar_t> buffer((size_t)n + 1, L'\0');
  n = ::GetMenuStringW(m_hMenu, id, buffer.data(), n + 1, flags);
  text = buffer.data();
  return n;
}
