// Dialogs: modal runs driven by a timer inside the dialog's own loop, data exchange both ways
// with validation, the PreTranslateMessage offer before the dialog manager, WM_QUIT while modal,
// modeless dialogs, and the file dialog's multiple-selection parsing.
#include "wnd_testutil.h"
#include <functional>

using namespace wndtest;

namespace {

enum { IDC_NAME = 100, IDC_COUNT = 101, IDC_CHECK = 102, IDC_R1 = 103, IDC_R2 = 104, IDC_R3 = 105 };

DlgTemplate MakeTemplate() {
  DlgTemplate t(L"Test dialog", 200, 120);
  t.Item(0x81, IDC_NAME, L"", 5, 5, 100, 12, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL)
      .Item(0x81, IDC_COUNT, L"", 5, 20, 100, 12, WS_TABSTOP | WS_BORDER)
      .Item(0x80, IDC_CHECK, L"Check", 5, 35, 100, 12, WS_TABSTOP | BS_AUTOCHECKBOX)
      .Item(0x80, IDC_R1, L"One", 5, 50, 40, 12, WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON)
      .Item(0x80, IDC_R2, L"Two", 50, 50, 40, 12, BS_AUTORADIOBUTTON)
      .Item(0x80, IDC_R3, L"Three", 95, 50, 40, 12, BS_AUTORADIOBUTTON)
      .Item(0x80, IDOK, L"OK", 5, 100, 50, 14, WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON)
      .Item(0x80, IDCANCEL, L"Cancel", 60, 100, 50, 14, WS_TABSTOP | BS_PUSHBUTTON);
  return t;
}

// Runs `steps` one per timer tick inside the modal loop, as a user would act.
class ScriptedDialog : public CDialog {
 public:
  CString m_name = L"start";
  int m_count = 3;
  int m_check = 1;
  int m_radio = 2;
  std::vector<std::function<void(ScriptedDialog&)>> steps;
  Log log;
  UINT eatKey = 0;
  int initCalls = 0;

  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, IDC_NAME, m_name);
    DDX_Text(pDX, IDC_COUNT, m_count);
    DDV_MinMaxInt(pDX, m_count, 1, 10);
    DDX_Check(pDX, IDC_CHECK, m_check);
    DDX_Radio(pDX, IDC_R1, m_radio);
  }
  BOOL OnInitDialog() override {
    ++initCalls;
    CDialog::OnInitDialog();
    log.Add(Fmt("init name=%ls count=%ls", Text(IDC_NAME).GetString(), Text(IDC_COUNT).GetString()));
    SetTimer(1, 5);
    return TRUE;
  }
  BOOL PreTranslateMessage(MSG* m) override {
    if (m->message == WM_KEYDOWN) {
      log.Add(Fmt("pre key %u", (unsigned)m->wParam));
      if (m->wParam == eatKey) return TRUE;
    }
    return CDialog::PreTranslateMessage(m);
  }
  CString Text(int id) {
    CString s;
    GetDlgItemText(id, s);
    return s;
  }

 protected:
  size_t next_ = 0;
  void OnTimer(UINT_PTR) {
    if (next_ < steps.size()) steps[next_++](*this);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ScriptedDialog, CDialog)
  ON_WM_TIMER()
END_MESSAGE_MAP()

void Press(ScriptedDialog& d, int id) {
  d.PostMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)::GetDlgItem(d.m_hWnd, id));
}

TEST(WndDialog, ModalRoundTripOfDataExchange) {
  DlgTemplate t = MakeTemplate();
  ScriptedDialog d;
  d.InitModalIndirect(t.Get());
  d.steps = {
      [](ScriptedDialog& d) {
        d.SetDlgItemText(IDC_NAME, L"Ünïcode name");
        d.SetDlgItemText(IDC_COUNT, L" 7 ");
        d.CheckDlgButton(IDC_CHECK, BST_UNCHECKED);
        d.CheckRadioButton(IDC_R1, IDC_R3, IDC_R1);
        Press(d, IDOK);
      },
  };
  EXPECT_EQ(d.DoModal(), IDOK);
  EXPECT_EQ(d.initCalls, 1);
  EXPECT_EQ(d.log.entries.at(0), "init name=start count=3");
  EXPECT_STREQ(d.m_name, L"Ünïcode name");
  EXPECT_EQ(d.m_count, 7);
  EXPECT_EQ(d.m_check, 0);
  EXPECT_EQ(d.m_radio, 0);
  EXPECT_EQ(d.m_hWnd, nullptr);  // destroyed after the run
}

TEST(WndDialog, ValidationFailureKeepsTheDialogOpen) {
  MessageBoxCatcher boxes;
  DlgTemplate t = MakeTemplate();
  struct Case {
    const wchar_t* text;
    const wchar_t* complaint;
  } cases[] = {
      {L"abc", L"Please enter an integer."},
      {L"", L"Please enter an integer."},
      {L"99999999999", L"Please enter an integer."},
      {L"11", L"Please enter an integer between 1 and 10."},
      {L"0", L"Please enter an integer between 1 and 10."},
  };
  for (const Case& c : cases) {
    MessageBoxCatcher::Texts().clear();
    ScriptedDialog d;
    d.InitModalIndirect(t.Get());
    std::wstring bad = c.text;
    d.steps = {
        [bad](ScriptedDialog& d) {
          d.SetDlgItemText(IDC_COUNT, bad.c_str());
          Press(d, IDOK);
        },
        [](ScriptedDialog& d) {
          // Still open, the faulty edit has the focus with its text selected; a good value lets
          // OK through. A loaded X server can leave the dialog inactive, and then no window of
          // this thread holds the focus at all, so the focus is only asked of an active dialog.
          HWND edit = ::GetDlgItem(d.m_hWnd, IDC_COUNT);
          DWORD from = 1, to = 0;
          ::SendMessageW(edit, EM_GETSEL, (WPARAM)&from, (LPARAM)&to);
          bool focused = ::GetFocus() == edit || ::GetActiveWindow() != d.m_hWnd;
          d.log.Add(Fmt("focus on count %d", focused && from == 0 && to == (DWORD)::GetWindowTextLengthW(edit)));
          d.SetDlgItemText(IDC_COUNT, L"4");
          Press(d, IDOK);
        },
    };
    EXPECT_EQ(d.DoModal(), IDOK) << c.text;
    EXPECT_EQ(d.m_count, 4);
    ASSERT_EQ(MessageBoxCatcher::Texts().size(), 1u) << c.text;
    EXPECT_EQ(MessageBoxCatcher::Texts()[0], c.complaint);
    EXPECT_EQ(d.log.Only({"focus"}), std::vector<std::string>{"focus on count 1"});
  }
}

TEST(WndDialog, EndDialogCodesAndOwnerState) {
  DlgTemplate t = MakeTemplate();
  CWnd owner;
  ASSERT_TRUE(owner.CreateEx(0, nullptr, L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
  ScriptedDialog d;
  d.InitModalIndirect(t.Get(), &owner);
  BOOL ownerEnabledDuring = TRUE;
  HWND dialogOwner = nullptr;
  d.steps = {[&](ScriptedDialog& d) {
    ownerEnabledDuring = owner.IsWindowEnabled();
    dialogOwner = ::GetWindow(d.m_hWnd, GW_OWNER);
    d.EndDialog(42);
  }};
  EXPECT_EQ(d.DoModal(), 42);
  EXPECT_FALSE(ownerEnabledDuring);
  EXPECT_EQ(dialogOwner, owner.m_hWnd);
  EXPECT_TRUE(owner.IsWindowEnabled());

  // Cancel button and the Escape key both end with IDCANCEL; data is not taken back.
  ScriptedDialog c;
  c.InitModalIndirect(t.Get(), &owner);
  c.steps = {[](ScriptedDialog& d) {
    d.SetDlgItemText(IDC_NAME, L"changed");
    Press(d, IDCANCEL);
  }};
  EXPECT_EQ(c.DoModal(), IDCANCEL);
  EXPECT_STREQ(c.m_name, L"start");

  // Ended while still initialising: no loop at all.
  struct EndsAtOnce : ScriptedDialog {
    BOOL OnInitDialog() override {
      EndDialog(5);
      return TRUE;
    }
  } e;
  e.InitModalIndirect(t.Get(), &owner);
  EXPECT_EQ(e.DoModal(), 5);
  owner.DestroyWindow();
}

TEST(WndDialog, PreTranslateMessageRunsBeforeTheDialogManager) {
  DlgTemplate t = MakeTemplate();
  // Escape reaches the dialog's PreTranslateMessage and then cancels through the dialog manager.
  ScriptedDialog d;
  d.InitModalIndirect(t.Get());
  d.steps = {[](ScriptedDialog& d) { ::PostMessageW(::GetDlgItem(d.m_hWnd, IDC_NAME), WM_KEYDOWN, VK_ESCAPE, 1); }};
  EXPECT_EQ(d.DoModal(), IDCANCEL);
  EXPECT_EQ(d.log.Only({"pre"}), std::vector<std::string>{"pre key 27"});

  // Taken by PreTranslateMessage: the dialog manager never sees it.
  ScriptedDialog e;
  e.eatKey = VK_ESCAPE;
  e.InitModalIndirect(t.Get());
  e.steps = {[](ScriptedDialog& d) { ::PostMessageW(::GetDlgItem(d.m_hWnd, IDC_NAME), WM_KEYDOWN, VK_ESCAPE, 1); },
             [](ScriptedDialog& d) { d.EndDialog(7); }};
  EXPECT_EQ(e.DoModal(), 7);
}

TEST(WndDialog, QuitWhileModalEndsTheDialogAndReachesTheOuterLoop) {
  DlgTemplate t = MakeTemplate();
  ScriptedDialog d;
  d.InitModalIndirect(t.Get());
  d.steps = {[](ScriptedDialog&) { ::PostQuitMessage(3); }};
  EXPECT_EQ(d.DoModal(), IDCANCEL);
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST(WndDialog, ModelessDialog) {
  DlgTemplate t = MakeTemplate();
  ScriptedDialog d;
  ASSERT_TRUE(d.CreateIndirect(t.Get()));
  EXPECT_EQ(d.initCalls, 1);
  EXPECT_EQ(d.Text(IDC_NAME), CString(L"start"));  // OnInitDialog loaded the members
  EXPECT_EQ(CWnd::FromHandlePermanent(d.m_hWnd), &d);
  d.SetDlgItemText(IDC_COUNT, L"9");
  EXPECT_TRUE(d.UpdateData(TRUE));
  EXPECT_EQ(d.m_count, 9);
  // Keyboard navigation through the loop's walk: Tab moves the focus between controls.
  d.ShowWindow(SW_SHOW);
  ::SetFocus(::GetDlgItem(d.m_hWnd, IDC_NAME));
  ::PostMessageW(::GetDlgItem(d.m_hWnd, IDC_NAME), WM_KEYDOWN, VK_TAB, 1);
  Settle();
  EXPECT_EQ(::GetFocus(), ::GetDlgItem(d.m_hWnd, IDC_COUNT));
  d.DestroyWindow();
  EXPECT_EQ(d.m_hWnd, nullptr);
}

// WM_INITDIALOG runs PreInitDialog first: the template's controls are there, the members have
// not been written to them yet; OnInitDialog follows and does that.
TEST(WndDialog, PreInitDialogComesBeforeOnInitDialog) {
  DlgTemplate t = MakeTemplate();
  struct Ordered : ScriptedDialog {
    void PreInitDialog() override {
      log.Add(Fmt("pre controls=%d name=%ls", ::GetDlgItem(m_hWnd, IDC_R3) != nullptr,
                  Text(IDC_NAME).GetString()));
      ScriptedDialog::PreInitDialog();
    }
  } d;
  ASSERT_TRUE(d.CreateIndirect(t.Get()));
  EXPECT_EQ(d.log.entries, (std::vector<std::string>{"pre controls=1 name=", "init name=start count=3"}));
  // a dialog's own WM_INITDIALOG, sent again, takes the same way
  d.log.Clear();
  d.SendMessage(WM_INITDIALOG, 0, 0);
  EXPECT_EQ(d.log.Only({"pre", "init"}), (std::vector<std::string>{"pre controls=1 name=start", "init name=start count=3"}));
  d.DestroyWindow();
}

TEST(WndDialog, DdxControlBindsOnce) {
  DlgTemplate t = MakeTemplate();
  struct Bound : CDialog {
    CWnd m_edit;
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_NAME, m_edit); }
  } d;
  ASSERT_TRUE(d.CreateIndirect(t.Get()));
  EXPECT_EQ(d.m_edit.m_hWnd, ::GetDlgItem(d.m_hWnd, IDC_NAME));
  EXPECT_EQ(CWnd::FromHandlePermanent(d.m_edit.m_hWnd), &d.m_edit);
  EXPECT_TRUE(d.UpdateData(TRUE));  // a second pass keeps the binding
  EXPECT_EQ(CWnd::FromHandlePermanent(d.m_edit.m_hWnd), &d.m_edit);
  d.DestroyWindow();
  EXPECT_EQ(d.m_edit.m_hWnd, nullptr);
}

INT_PTR PickThree(CCommonDialog* dlg) {
  CFileDialog* f = static_cast<CFileDialog*>(dlg);
  static const wchar_t multi[] = L"C:\\data\0a.png\0b c.jpg\0D:\\other\\x.gif\0";
  memcpy(f->m_ofn.lpstrFile, multi, sizeof(multi));
  return IDOK;
}

TEST(WndDialog, FileDialogMultipleSelectionAndFilter) {
  AFX_COMMONDIALOG_HOOK old = AfxSetCommonDialogHook(&PickThree);
  std::vector<wchar_t> big(0x41000);
  CFileDialog dlg(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY, L"Images (*.png)|*.png|All Files (*.*)|*.*||");
  dlg.m_ofn.lpstrFile = big.data();
  dlg.m_ofn.nMaxFile = (DWORD)big.size();
  ASSERT_EQ(dlg.DoModal(), IDOK);
  std::vector<std::wstring> paths;
  for (POSITION pos = dlg.GetStartPosition(); pos;) paths.push_back(dlg.GetNextPathName(pos).GetString());
  std::vector<std::wstring> want = {L"C:\\data\\a.png", L"C:\\data\\b c.jpg", L"D:\\other\\x.gif"};
  EXPECT_EQ(paths, want);
  // The filter became NUL-separated pairs ending in two NULs.
  const wchar_t* f = dlg.m_ofn.lpstrFilter;
  std::vector<std::wstring> parts;
  while (*f) {
    parts.push_back(f);
    f += wcslen(f) + 1;
  }
  EXPECT_EQ(parts, (std::vector<std::wstring>{L"Images (*.png)", L"*.png", L"All Files (*.*)", L"*.*"}));

  // A single choice is one full path; its parts.
  CFileDialog one(FALSE, L".json", L"C:\\dir\\notes.backup.json", OFN_OVERWRITEPROMPT, L"JSON Files (*.json)|*.json|");
  EXPECT_STREQ(one.m_ofn.lpstrDefExt, L"json");
  POSITION pos = one.GetStartPosition();
  EXPECT_STREQ(one.GetNextPathName(pos), L"C:\\dir\\notes.backup.json");
  EXPECT_EQ(pos, nullptr);
  EXPECT_STREQ(one.GetFileName(), L"notes.backup.json");
  EXPECT_STREQ(one.GetFileExt(), L"json");
  EXPECT_STREQ(one.GetFileTitle(), L"notes.backup");
  EXPECT_STREQ(one.GetFolderPath(), L"C:\\dir");
  AfxSetCommonDialogHook(old);
}

INT_PTR PickRed(CCommonDialog* dlg) {
  static_cast<CColorDialog*>(dlg)->m_cc.rgbResult = RGB(200, 10, 10);
  return IDOK;
}

TEST(WndDialog, ColorDialogInitialAndChosenColour) {
  CColorDialog a(RGB(1, 2, 3), CC_FULLOPEN);
  EXPECT_EQ(a.m_cc.Flags & (CC_RGBINIT | CC_FULLOPEN), (DWORD)(CC_RGBINIT | CC_FULLOPEN));
  EXPECT_EQ(a.GetColor(), RGB(1, 2, 3));
  EXPECT_EQ(a.m_cc.lpCustColors, CColorDialog::GetSavedCustomColors());
  AFX_COMMONDIALOG_HOOK old = AfxSetCommonDialogHook(&PickRed);
  EXPECT_EQ(a.DoModal(), IDOK);
  EXPECT_EQ(a.GetColor(), RGB(200, 10, 10));
  AfxSetCommonDialogHook(old);
}

}  // namespace

namespace {

// The application's PreTranslateMessage (hot keys, in the program) sees the messages of a modal
// dialog's loop first, exactly as in the main loop.
class KeyApp : public CWinApp {
 public:
  KeyApp() : CWinApp(L"FxWndKeyApp") {}
  Log* log = nullptr;
  BOOL PreTranslateMessage(MSG* m) override {
    if (m->message == WM_KEYDOWN && log) {
      log->Add(Fmt("app key %u", (unsigned)m->wParam));
      if (m->wParam == VK_F5) return TRUE;
    }
    return CWinApp::PreTranslateMessage(m);
  }
};

TEST(WndDialog, ModalLoopOffersMessagesToTheApplicationFirst) {
  KeyApp app;
  ASSERT_EQ(AfxGetThread(), &app);
  DlgTemplate t = MakeTemplate();
  ScriptedDialog d;
  app.log = &d.log;
  d.InitModalIndirect(t.Get());
  d.steps = {[](ScriptedDialog& d) {
    HWND edit = ::GetDlgItem(d.m_hWnd, IDC_NAME);
    ::PostMessageW(edit, WM_KEYDOWN, VK_F5, 1);
    ::PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 1);
  }};
  EXPECT_EQ(d.DoModal(), IDCANCEL);
  std::vector<std::string> want = {"app key 116", "app key 27", "pre key 27"};
  EXPECT_EQ(d.log.Only({"app", "pre"}), want);
  app.log = nullptr;
}

}  // namespace

namespace {

class CmdApp : public CWinApp {
 public:
  CmdApp() : CWinApp(L"FxWndCmdApp") {}
  std::vector<UINT> seen;

 protected:
  void OnAppCommand(UINT id) { seen.push_back(id); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CmdApp, CWinApp)
  ON_COMMAND_RANGE(0x7FF0, 0x8010, OnAppCommand)
END_MESSAGE_MAP()

TEST(WndDialog, UnhandledMenuCommandsOfADialogReachTheApplication) {
  CmdApp app;
  ASSERT_EQ(AfxGetThread(), &app);
  DlgTemplate t = MakeTemplate();
  ScriptedDialog d;
  ASSERT_TRUE(d.CreateIndirect(t.Get()));
  ::SendMessageW(d.m_hWnd, WM_COMMAND, 0x8005, 0);  // a menu command: the application's
  ::SendMessageW(d.m_hWnd, WM_COMMAND, 0x7FF5, 0);  // a control id: stays with the dialog
  EXPECT_EQ(app.seen, std::vector<UINT>{0x8005});
  d.DestroyWindow();
}

}  // namespace

namespace {

// The same dialog from a compiled template resource (tests/wnd_resources.rc).
class ResourceDialog : public ScriptedDialog {
 public:
  explicit ResourceDialog(UINT id) { m_lpszTemplateName = MAKEINTRESOURCEW(id); }
};

TEST(WndDialog, TemplateFromTheResources) {
  ResourceDialog d(2001);
  d.steps = {[](ScriptedDialog& d) {
    d.log.Add(Fmt("caption %ls", [&] { CString s; d.GetWindowText(s); return s; }().GetString()));
    d.SetDlgItemText(IDC_COUNT, L"8");
    Press(d, IDOK);
  }};
  EXPECT_EQ(d.DoModal(), IDOK);
  EXPECT_EQ(d.m_count, 8);
  EXPECT_EQ(d.log.Only({"caption"}), std::vector<std::string>{"caption Resource dialog"});

  ResourceDialog modeless(2001);
  EXPECT_TRUE(modeless.Create(2001));
  EXPECT_STREQ(modeless.Text(IDC_NAME), L"start");
  modeless.DestroyWindow();

  // No such template: nothing is shown and the caller hears of it.
  ResourceDialog missing(2999);
  EXPECT_EQ(missing.DoModal(), -1);
  EXPECT_FALSE(missing.Create(2999));
}

}  // namespace
