// CMenu: loading from the resource list, item operations, states, the handle map and ownership.
#include "Framework.h"
#include <gtest/gtest.h>

#define IDR_FRAME_MENU 3002

namespace {

CString ItemText(CMenu* menu, UINT pos) {
  CString s;
  menu->GetMenuString(pos, s, MF_BYPOSITION);
  return s;
}

TEST(FrameMenu, LoadsFromTheResourceListAndWrapsSubMenus) {
  CMenu bar;
  ASSERT_TRUE(bar.LoadMenu(IDR_FRAME_MENU));
  EXPECT_EQ(2u, bar.GetMenuItemCount());
  EXPECT_EQ(CString(L"&File"), ItemText(&bar, 0));

  CMenu* file = bar.GetSubMenu(0);
  ASSERT_NE(nullptr, file);
  EXPECT_EQ(file, bar.GetSubMenu(0));  // one temporary per handle until idle
  EXPECT_EQ(4u, file->GetMenuItemCount());
  struct Item {
    UINT pos;
    UINT id;
    const wchar_t* text;
  } items[] = {{0, 100, L"&New"}, {1, 101, L"&Open"}, {2, 0, L""}, {3, 102, L"E&xit"}};
  for (const Item& i : items) {
    EXPECT_EQ(i.id, file->GetMenuItemID(i.pos)) << i.pos;
    EXPECT_EQ(CString(i.text), ItemText(file, i.pos)) << i.pos;
  }
  EXPECT_EQ((UINT)-1, bar.GetMenuItemID(1));  // a popup has no command id
  EXPECT_EQ(nullptr, file->GetSubMenu(0));
  CMenu* deep = bar.GetSubMenu(1)->GetSubMenu(1);
  ASSERT_NE(nullptr, deep);
  EXPECT_EQ(210u, deep->GetMenuItemID(0));

  // Temporaries go at idle; the menus themselves stay with their owner.
  HMENU fileHandle = file->m_hMenu;
  CMenu::DeleteTempMap();
  EXPECT_TRUE(IsMenu(fileHandle));

  CMenu missing;
  EXPECT_FALSE(missing.LoadMenu(3999));
  EXPECT_EQ(nullptr, missing.GetSafeHmenu());
  CMenu* none = nullptr;
  EXPECT_EQ(nullptr, none->GetSafeHmenu());
}

TEST(FrameMenu, ItemOperationsAndStates) {
  CMenu popup;
  ASSERT_TRUE(popup.CreatePopupMenu());
  EXPECT_TRUE(popup.AppendMenu(MF_STRING, 10, L"Ten"));
  EXPECT_TRUE(popup.AppendMenu(MF_SEPARATOR));
  EXPECT_TRUE(popup.AppendMenu(MF_STRING, 30, L"Thirty"));
  EXPECT_TRUE(popup.InsertMenu(0, MF_BYPOSITION | MF_STRING, 5, L"Five"));
  EXPECT_TRUE(popup.InsertMenu(30, MF_BYCOMMAND | MF_STRING, 20, L"Twenty"));
  UINT order[] = {5, 10, 0, 20, 30};
  ASSERT_EQ(5u, popup.GetMenuItemCount());
  for (UINT i = 0; i < 5; ++i) EXPECT_EQ(order[i], popup.GetMenuItemID(i)) << i;

  EXPECT_TRUE(popup.ModifyMenu(10, MF_BYCOMMAND | MF_STRING, 11, L"Eleven"));
  EXPECT_EQ(11u, popup.GetMenuItemID(1));
  EXPECT_EQ(CString(L"Eleven"), ItemText(&popup, 1));

  struct State {
    UINT (*apply)(CMenu&);
    UINT id;
    UINT expected;
    UINT previous;
  } states[] = {
      {[](CMenu& m) { return m.CheckMenuItem(20, MF_BYCOMMAND | MF_CHECKED); }, 20, MF_CHECKED, MF_UNCHECKED},
      {[](CMenu& m) { return m.EnableMenuItem(30, MF_BYCOMMAND | MF_GRAYED); }, 30, MF_GRAYED, MF_ENABLED},
      {[](CMenu& m) { return m.EnableMenuItem(30, MF_BYCOMMAND | MF_ENABLED); }, 30, MF_ENABLED, MF_GRAYED},
  };
  for (const State& s : states) {
    EXPECT_EQ(s.previous, s.apply(popup)) << s.id;
    EXPECT_EQ(s.expected, popup.GetMenuState(s.id, MF_BYCOMMAND) & (MF_CHECKED | MF_GRAYED)) << s.id;
  }
  EXPECT_EQ((UINT)-1, popup.CheckMenuItem(999, MF_BYCOMMAND | MF_CHECKED));  // no such item
  EXPECT_TRUE(popup.CheckMenuRadioItem(0, 1, 0, MF_BYPOSITION));
  EXPECT_EQ((UINT)MF_CHECKED, popup.GetMenuState(0, MF_BYPOSITION) & MF_CHECKED);

  EXPECT_TRUE(popup.RemoveMenu(2, MF_BYPOSITION));
  EXPECT_TRUE(popup.DeleteMenu(5, MF_BYCOMMAND));
  EXPECT_EQ(3u, popup.GetMenuItemCount());
  EXPECT_FALSE(popup.DeleteMenu(5, MF_BYCOMMAND));

  // A long item text comes back whole.
  CString longText(L'x', 600);
  popup.AppendMenu(MF_STRING, 40, longText);
  CString back;
  EXPECT_EQ(600, popup.GetMenuString(40, back, MF_BYCOMMAND));
  EXPECT_EQ(longText, back);
}

TEST(FrameMenu, OwnershipDetachAttachAndDestroy) {
  HMENU kept, destroyed;
  {
    CMenu a, b;
    ASSERT_TRUE(a.CreateMenu());
    ASSERT_TRUE(b.CreatePopupMenu());
    // A popup appended to a bar belongs to the bar from then on.
    ASSERT_TRUE(a.AppendMenu(MF_POPUP, (UINT_PTR)b.m_hMenu, L"Sub"));
    HMENU sub = b.Detach();
    EXPECT_EQ(a.GetSubMenu(0)->m_hMenu, sub);
    EXPECT_NE(&b, CMenu::FromHandle(sub));
    kept = a.Detach();
    destroyed = nullptr;
    CMenu c;
    ASSERT_TRUE(c.CreatePopupMenu());
    destroyed = c.m_hMenu;
    EXPECT_EQ(&c, CMenu::FromHandle(destroyed));
    EXPECT_EQ(&c, CMenu::FromHandlePermanent(destroyed));
    EXPECT_EQ(nullptr, CMenu::FromHandlePermanent(sub));  // only a temporary wraps it
  }
  CMenu::DeleteTempMap();
  EXPECT_TRUE(IsMenu(kept));
  EXPECT_FALSE(IsMenu(destroyed));
  {
    CMenu once;
    ASSERT_TRUE(once.CreatePopupMenu());
    HMENU first = once.m_hMenu;
    EXPECT_FALSE(once.CreatePopupMenu());  // one menu per object
    EXPECT_FALSE(once.LoadMenu(IDR_FRAME_MENU));
    EXPECT_EQ(first, once.m_hMenu);
  }
  {
    CMenu owner;
    EXPECT_TRUE(owner.Attach(kept));
    EXPECT_TRUE(owner.GetSubMenu(0) != nullptr);
  }
  EXPECT_FALSE(IsMenu(kept));
}

enum { ID_RADIO_A = 41101, ID_RADIO_B, ID_RADIO_OFF, ID_CHECK_ONLY };

class RadioFrame : public CFrameWnd {
 protected:
  void OnUpdateOn(CCmdUI* ui) { ui->SetRadio(TRUE); }
  void OnUpdateOff(CCmdUI* ui) { ui->SetRadio(FALSE); }
  void OnUpdateCheck(CCmdUI* ui) { ui->SetCheck(1); }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(RadioFrame, CFrameWnd)
  ON_UPDATE_COMMAND_UI(ID_RADIO_A, OnUpdateOn)
  ON_UPDATE_COMMAND_UI(ID_RADIO_B, OnUpdateOn)
  ON_UPDATE_COMMAND_UI(ID_RADIO_OFF, OnUpdateOff)
  ON_UPDATE_COMMAND_UI(ID_CHECK_ONLY, OnUpdateCheck)
END_MESSAGE_MAP()

// SetRadio on a menu item (WM_INITMENUPOPUP through the frame's routing) gives the radio bullet
// and, as the checked bitmap, one dot shared by every radio item: what a menu manager drawing
// the items itself looks for.
TEST(FrameMenu, RadioItemsCarryTheSharedDotBitmap) {
  RadioFrame* frame = new RadioFrame;
  ASSERT_TRUE(frame->Create(nullptr, L"radio", WS_OVERLAPPEDWINDOW));
  CMenu popup;
  ASSERT_TRUE(popup.CreatePopupMenu());
  for (UINT id = ID_RADIO_A; id <= ID_CHECK_ONLY; ++id) popup.AppendMenu(MF_STRING, id, L"item");
  frame->SendMessage(WM_INITMENUPOPUP, (WPARAM)popup.m_hMenu, 0);

  struct Case {
    UINT id;
    bool checked, radio, dot;
  } cases[] = {
      {ID_RADIO_A, true, true, true},
      {ID_RADIO_B, true, true, true},
      {ID_RADIO_OFF, false, false, true},  // the dot waits for a later check
      {ID_CHECK_ONLY, true, false, false},
  };
  HBITMAP dot = nullptr;
  for (const Case& c : cases) {
    MENUITEMINFOW mii = {sizeof(mii)};
    mii.fMask = MIIM_STATE | MIIM_FTYPE | MIIM_CHECKMARKS;
    ASSERT_TRUE(::GetMenuItemInfoW(popup.m_hMenu, c.id, FALSE, &mii)) << c.id;
    EXPECT_EQ(c.checked, (mii.fState & MFS_CHECKED) != 0) << c.id;
    EXPECT_EQ(c.radio, (mii.fType & MFT_RADIOCHECK) != 0) << c.id;
    EXPECT_EQ(c.dot, mii.hbmpChecked != nullptr) << c.id;
    EXPECT_EQ(nullptr, mii.hbmpUnchecked) << c.id;
    if (c.dot && !dot) dot = mii.hbmpChecked;
    if (c.dot) {
      EXPECT_EQ(dot, mii.hbmpChecked) << c.id;
    }
  }
  ASSERT_NE(nullptr, dot);

  // check-mark sized, white around a black centre
  BITMAP info = {};
  ASSERT_EQ((int)sizeof(info), ::GetObjectW(dot, sizeof(info), &info));
  EXPECT_EQ(::GetSystemMetrics(SM_CXMENUCHECK), info.bmWidth);
  EXPECT_EQ(::GetSystemMetrics(SM_CYMENUCHECK), info.bmHeight);
  HDC mem = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(mem, dot);
  EXPECT_EQ(RGB(0, 0, 0), ::GetPixel(mem, info.bmWidth / 2, info.bmHeight / 2));
  EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(mem, 0, 0));
  EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(mem, info.bmWidth - 1, info.bmHeight - 1));
  ::SelectObject(mem, old);
  ::DeleteDC(mem);

  // the same dot on a menu of its own, as a menu manager would fetch it
  CMenu probe;
  ASSERT_TRUE(probe.CreatePopupMenu());
  probe.AppendMenu(MF_STRING, 1, L"probe");
  CCmdUI state;
  state.m_hMenu = probe.m_hMenu;
  state.m_nIndexMax = 1;
  state.m_nID = 1;
  state.SetRadio(TRUE);
  MENUITEMINFOW mii = {sizeof(mii)};
  mii.fMask = MIIM_CHECKMARKS;
  ASSERT_TRUE(::GetMenuItemInfoW(probe.m_hMenu, 0, TRUE, &mii));
  EXPECT_EQ(dot, mii.hbmpChecked);
  frame->DestroyWindow();
}

}  // namespace
