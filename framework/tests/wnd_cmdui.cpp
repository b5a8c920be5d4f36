// CCmdUI: update handlers decide the state of menu items and dialog controls; commands without
// any handler are disabled when asked; a handler may pass the decision on.
#include "wnd_testutil.h"

using namespace wndtest;

namespace {

enum { ID_DISABLED = 32801, ID_CHECKED, ID_RADIO, ID_TEXT, ID_PASSES, ID_ONLY_COMMAND, ID_NO_HANDLER };

class Sink : public CCmdTarget {
 public:
  int commands = 0;

 protected:
  void OnUpdateDisabled(CCmdUI* ui) { ui->Enable(FALSE); }
  void OnUpdateChecked(CCmdUI* ui) { ui->SetCheck(1); }
  void OnUpdateRadio(CCmdUI* ui) { ui->SetRadio(TRUE); }
  void OnUpdateText(CCmdUI* ui) { ui->SetText(L"New &text"); }
  void OnUpdatePasses(CCmdUI* ui) { ui->ContinueRouting(); }
  void OnCommand() { ++commands; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Sink, CCmdTarget)
  ON_UPDATE_COMMAND_UI(ID_DISABLED, OnUpdateDisabled)
  ON_UPDATE_COMMAND_UI(ID_CHECKED, OnUpdateChecked)
  ON_UPDATE_COMMAND_UI(ID_RADIO, OnUpdateRadio)
  ON_UPDATE_COMMAND_UI(ID_TEXT, OnUpdateText)
  ON_UPDATE_COMMAND_UI(ID_PASSES, OnUpdatePasses)
  ON_COMMAND(ID_ONLY_COMMAND, OnCommand)
  ON_COMMAND(ID_CHECKED, OnCommand)
  ON_COMMAND(ID_RADIO, OnCommand)
  ON_COMMAND(ID_TEXT, OnCommand)
END_MESSAGE_MAP()

TEST(WndCmdUI, MenuItemsTakeTheStateTheirHandlersGive) {
  Sink sink;
  HMENU menu = ::CreatePopupMenu();
  for (UINT id = ID_DISABLED; id <= ID_NO_HANDLER; ++id) ::AppendMenuW(menu, MF_STRING, id, L"item");
  ::AppendMenuW(menu, MF_STRING, 0xFF00, L"1 Child window");  // an MDI window-list entry
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  HMENU sub = ::CreatePopupMenu();
  ::AppendMenuW(menu, MF_POPUP, (UINT_PTR)sub, L"sub");
  CCmdUI::UpdateMenu(&sink, menu, TRUE);

  struct Case {
    UINT id;
    bool grayed, checked, radio;
  } cases[] = {
      {ID_DISABLED, true, false, false},  {ID_CHECKED, false, true, false}, {ID_RADIO, false, true, true},
      {ID_TEXT, false, false, false},     {ID_PASSES, true, false, false},  // passed on, nobody else: disabled
      {ID_ONLY_COMMAND, false, false, false}, {ID_NO_HANDLER, true, false, false},
  };
  for (const Case& c : cases) {
    MENUITEMINFOW mii = {sizeof(mii)};
    mii.fMask = MIIM_STATE | MIIM_FTYPE;
    ASSERT_TRUE(::GetMenuItemInfoW(menu, c.id, FALSE, &mii)) << c.id;
    EXPECT_EQ((mii.fState & MFS_GRAYED) != 0, c.grayed) << c.id;
    EXPECT_EQ((mii.fState & MFS_CHECKED) != 0, c.checked) << c.id;
    EXPECT_EQ((mii.fType & MFT_RADIOCHECK) != 0, c.radio) << c.id;
  }
  wchar_t text[32] = {};
  ::GetMenuStringW(menu, ID_TEXT, text, 32, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"New &text");
  EXPECT_EQ(::GetMenuItemCount(menu), 10);  // the separator and the sub-menu are left alone
  EXPECT_EQ(::GetMenuState(menu, 0xFF00, MF_BYCOMMAND) & MF_GRAYED, 0u);  // never auto-disabled

  // Without auto-disabling, items nobody handles keep their state.
  ::EnableMenuItem(menu, ID_NO_HANDLER, MF_BYCOMMAND | MF_ENABLED);
  CCmdUI::UpdateMenu(&sink, menu, FALSE);
  EXPECT_EQ(::GetMenuState(menu, ID_NO_HANDLER, MF_BYCOMMAND) & MF_GRAYED, 0u);
  ::DestroyMenu(menu);

  // The handler lookup without calling it.
  AFX_CMDHANDLERINFO info;
  EXPECT_TRUE(sink.OnCmdMsg(ID_ONLY_COMMAND, CN_COMMAND, nullptr, &info));
  EXPECT_EQ(info.pTarget, &sink);
  EXPECT_EQ(sink.commands, 0);
  EXPECT_FALSE(sink.OnCmdMsg(ID_NO_HANDLER, CN_COMMAND, nullptr, &info));
}

TEST(WndCmdUI, DialogControlsFollowTheirHandlers) {
  Sink sink;
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, L"p", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr));
  auto make = [&](UINT id, DWORD style) {
    return ::CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD | style, 0, 0, 50, 20, parent.m_hWnd, (HMENU)(UINT_PTR)id,
                             nullptr, nullptr);
  };
  HWND disabled = make(ID_DISABLED, BS_PUSHBUTTON);
  HWND checked = make(ID_CHECKED, BS_CHECKBOX);
  HWND text = make(ID_TEXT, BS_PUSHBUTTON);
  HWND orphan = make(ID_NO_HANDLER, BS_PUSHBUTTON);
  HWND autoCheck = make(ID_PASSES, BS_AUTOCHECKBOX);  // toggles itself: never auto-disabled
  parent.UpdateDialogControls(&sink, TRUE);
  EXPECT_FALSE(::IsWindowEnabled(disabled));
  EXPECT_TRUE(::IsWindowEnabled(checked));
  EXPECT_EQ(::SendMessageW(checked, BM_GETCHECK, 0, 0), BST_CHECKED);
  wchar_t buf[32] = {};
  ::GetWindowTextW(text, buf, 32);
  EXPECT_STREQ(buf, L"New &text");
  EXPECT_FALSE(::IsWindowEnabled(orphan));
  EXPECT_TRUE(::IsWindowEnabled(autoCheck));
  parent.DestroyWindow();
}

}  // namespace

namespace {

UINT g_threadReg = ::RegisterWindowMessageW(L"PeloraFxTestThreadMessage");

class ThreadSink : public CCmdTarget {
 public:
  std::vector<std::string> seen;

 protected:
  void OnPlain(WPARAM w, LPARAM l) { seen.push_back(Fmt("plain %d %d", (int)w, (int)l)); }
  void OnRegistered(WPARAM w, LPARAM) { seen.push_back(Fmt("registered %d", (int)w)); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ThreadSink, CCmdTarget)
  ON_THREAD_MESSAGE(WM_USER + 0x50, OnPlain)
  ON_REGISTERED_THREAD_MESSAGE(g_threadReg, OnRegistered)
END_MESSAGE_MAP()

TEST(WndCmdUI, ThreadMessagesByNumberAndByRegistration) {
  ThreadSink sink;
  MSG a = {nullptr, WM_USER + 0x50, 1, 2};
  MSG b = {nullptr, g_threadReg, 3, 0};
  MSG c = {nullptr, WM_USER + 0x51, 0, 0};
  EXPECT_TRUE(sink.DispatchThreadMessage(&a));
  EXPECT_TRUE(sink.DispatchThreadMessage(&b));
  EXPECT_FALSE(sink.DispatchThreadMessage(&c));
  EXPECT_EQ(sink.seen, (std::vector<std::string>{"plain 1 2", "registered 3"}));
}

}  // namespace
