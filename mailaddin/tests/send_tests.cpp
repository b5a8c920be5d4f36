// Sending mails: the add-in in this process (loaded through COM), the mail client played by the
// host stand-in, the program by PeloraStandin.exe, which records what it receives.
#include <gtest/gtest.h>
#include "MailHost.h"
#include "Mailvane.h"
#include "TestSupport.h"

typedef void(WINAPI* ReportHook)(LPCWSTR text);
typedef void(WINAPI* SetReportHook)(ReportHook hook);

using namespace MailTest;
using Standin::HostAttachment;
using Standin::HostMail;
using Standin::MailHost;

namespace {

std::vector<std::wstring> g_reports;
void WINAPI OnReport(LPCWSTR text) { g_reports.push_back(text); }

class SendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_NE(AddInModule(), nullptr);
    auto setHook = (SetReportHook)GetProcAddress(AddInModule(), "MailvaneSetReportHook");
    ASSERT_NE(setHook, nullptr);
    setHook(OnReport);
    g_reports.clear();
    RegisterProgramStandin();
    wchar_t old[1024] = L"";
    GetEnvironmentVariableW(L"TEMP", old, 1024);
    oldTemp = old;
    SetEnvironmentVariableW(L"TEMP", temp.path.c_str());
    SetEnvironmentVariableW(L"PELORA_AUTOMATION_PROGID", L"PeloraStandin.Application");
    SetEnvironmentVariableW(L"PELORA_STANDIN_CONFIG", (work.path + L"\\standin.cfg").c_str());
    CreateDirectoryW(Record().c_str(), nullptr);
    Configure("");
    ASSERT_EQ(CoCreateInstance(CLSID_PeloraMailvane, nullptr, CLSCTX_INPROC_SERVER, IID_IDTExtensibility2Host,
                               (void**)&addin),
              S_OK);
    ASSERT_EQ(addin->QueryInterface(IID_IPeloraMailvane, (void**)&mailvane), S_OK);
    ASSERT_EQ(addin->OnConnection(host.Application(), 0, nullptr, nullptr), S_OK);
  }
  void TearDown() override {
    if (mailvane) mailvane->Release();
    if (addin) {
      addin->OnDisconnection(0, nullptr);
      addin->Release();
    }
    // the stand-in ends once the add-in let go of it; wait, so runs do not overlap
    if (Log().find("created") != std::string::npos) {
      EXPECT_TRUE(PumpUntil([&] { return Has("exit"); }, 15000));
    }
    SetEnvironmentVariableW(L"TEMP", oldTemp.c_str());
    SetEnvironmentVariableW(L"PELORA_AUTOMATION_PROGID", nullptr);
    CoUninitialize();
  }

  std::wstring Record() const { return work.path + L"\\record"; }
  void Configure(const std::string& extra) {
    WriteFile(work.path + L"\\standin.cfg", "record=" + Narrow(Record()) + "\ntags=" + u8"Работа|home|a&b" + "\n" + extra);
  }
  std::string Log() const { return ReadFile(Record() + L"\\calls.log"); }
  bool Has(const std::string& what) const { return Log().find(what) != std::string::npos; }
  std::string Import(int n) const { return ReadFile(Record() + L"\\import_" + std::to_wstring(n) + L".xml"); }
  std::wstring Source(const std::wstring& name, const std::string& bytes) {
    std::wstring path = work.path + L"\\" + name;
    WriteFile(path, bytes);
    return path;
  }
  void Press() { EXPECT_EQ(mailvane->OnButton_SendToPeloraNote(nullptr), S_OK); }
  // Presses the button and answers the dialog with `answer` when it comes.
  bool PressAndAnswer(const std::function<void(HWND)>& answer, bool waitForImport = false) {
    return DriveModal(
        [&] {
          Press();
          if (waitForImport) PumpUntil([&] { return Has("ImportNotes") || Has("exit"); }, 20000);
        },
        [&] {
          HWND dlg = FindSendDialog();
          if (!dlg) return false;
          answer(dlg);
          return true;
        });
  }

  ScratchDir temp, work;
  std::wstring oldTemp;
  MailHost host{L"16.0.0"};
  IDTExtensibility2Host* addin = nullptr;
  IPeloraMailvane* mailvane = nullptr;
};

std::wstring ComboText(HWND combo, int i) {
  wchar_t buf[256] = L"";
  SendMessageW(combo, CB_GETLBTEXT, i, (LPARAM)buf);
  return buf;
}

void ChooseTag(HWND dlg, int index) {
  HWND tags = GetDlgItem(dlg, 209);
  SendMessageW(tags, CB_SETCURSEL, index, 0);
  SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(209, CBN_SELCHANGE), (LPARAM)tags);
}

void Click(HWND dlg, int id) { SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dlg, id)); }

}  // namespace

TEST_F(SendTest, ThreeMailsArriveWithBodiesTagsAndEveryAttachmentUnderItsOwnName) {
  std::wstring a = Source(L"a.bin", "AAAA"), b = Source(L"b.bin", "BBBBBB"), c = Source(L"c.bin", "evil!"),
               d = Source(L"d.bin", "shown");
  const std::wstring subject1 = L"Отчёт за март & <итоги>";
  HostMail m1{subject1, L"<p>Привет, мир</p>", L"", L"Sender", {}};
  m1.attachments = {{L"report.pdf", L"Report", a}, {L"report.pdf", L"Report", b}, {L"..\\..\\evil.txt", L"", c},
                    {L"", L"Shown name.txt", d}, {L"broken.bin", L"", L""}};
  HostMail m2{L"Plain one", L"", L"line1\r\nline2 <b>", L"Sender", {}};
  HostMail m3{L"Empty", L"", L"", L"Sender", {{L"report.pdf", L"", a}}};
  HostMail meeting;
  meeting.isMail = false;
  meeting.subject = L"A meeting";
  host.Select({m1, meeting, m2, m3});

  std::vector<std::wstring> folders;
  int selected = -2;
  std::wstring title;
  bool titleEnabled = true;
  ASSERT_TRUE(PressAndAnswer([&](HWND dlg) {
    HWND combo = GetDlgItem(dlg, 207);
    for (int i = 0; i < (int)SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i) folders.push_back(ComboText(combo, i));
    selected = (int)SendMessageW(combo, CB_GETCURSEL, 0, 0);
    wchar_t buf[512];
    GetDlgItemTextW(dlg, 201, buf, 512);
    title = buf;
    titleEnabled = IsWindowEnabled(GetDlgItem(dlg, 201));
    ChooseTag(dlg, 2);
    ChooseTag(dlg, 1);
    ChooseTag(dlg, 0);
    ChooseTag(dlg, 1);  // chosen again: unchecked
    SendMessageW(combo, CB_SETCURSEL, 1, 0);
    Click(dlg, IDOK);
  }));
  EXPECT_EQ(folders, (std::vector<std::wstring>{L"Notes", L"Work", L"Deep", L"Projects", L"Local Box"}));
  EXPECT_EQ(selected, 0);  // the default folder
  EXPECT_EQ(title, subject1);
  EXPECT_FALSE(titleEnabled);  // several mails: the title is not edited
  EXPECT_TRUE(g_reports.empty()) << Narrow(g_reports.empty() ? L"" : g_reports[0]);

  std::string log = Log();
  EXPECT_EQ(Count(log, "ShowApp 1"), 1);
  EXPECT_EQ(Count(log, "ImportNotes"), 3);
  EXPECT_EQ(Count(log, " Work 1\n"), 3);
  EXPECT_EQ(Count(log, " 0 0\n"), 0) << log;  // every file named existed while the program read it

  const std::string tempUtf8 = Narrow(temp.path) + "\\PeloraMail_";
  std::string x1 = Import(1);
  EXPECT_EQ(x1.rfind("<?xml version=\"1.0\" standalone='no' ?>\n<folder>\n  <note  pathname='" + tempUtf8, 0), 0u) << x1;
  EXPECT_NE(x1.find(".htm' b_save_attachments='1'>\n"), std::string::npos);
  EXPECT_NE(x1.find(u8"    <title>Отчёт за март &amp; &lt;итоги&gt;</title>\n    <tag>a&amp;b</tag>\n    <tag>Работа</tag>\n"),
            std::string::npos) << x1;
  EXPECT_EQ(Count(x1, "<attachment "), 4);
  for (const char* name : {"report.pdf", "report (2).pdf", ".._.._evil.txt", "Shown name.txt"})
    EXPECT_NE(x1.find(std::string("filename='") + name + "'"), std::string::npos) << name;
  const struct {
    const wchar_t* name;
    const char* bytes;
  } copies[] = {{L"report.pdf", "AAAA"}, {L"report (2).pdf", "BBBBBB"}, {L".._.._evil.txt", "evil!"},
                {L"Shown name.txt", "shown"}};
  for (const auto& f : copies) EXPECT_EQ(ReadFile(Record() + L"\\import_1\\" + f.name), f.bytes) << Narrow(f.name);
  std::vector<std::wstring> bodies;
  for (const std::wstring& n : ListDir(Record() + L"\\import_1"))
    if (n.rfind(L"email_", 0) == 0) bodies.push_back(n);
  ASSERT_EQ(bodies.size(), 1u);
  EXPECT_EQ(ReadFile(Record() + L"\\import_1\\" + bodies[0]), u8"<p>Привет, мир</p>");

  std::string x2 = Import(2);
  EXPECT_NE(x2.find("    <title>Plain one</title>\n"), std::string::npos);
  EXPECT_EQ(Count(x2, "<attachment "), 0);
  bool plainBody = false;
  for (const std::wstring& n : ListDir(Record() + L"\\import_2"))
    plainBody = plainBody || ReadFile(Record() + L"\\import_2\\" + n).find("line1<br>line2 &lt;b&gt;") != std::string::npos;
  EXPECT_TRUE(plainBody);

  std::string x3 = Import(3);
  EXPECT_NE(x3.find("  <note >\n    <title>Empty</title>\n"), std::string::npos) << x3;
  EXPECT_EQ(Count(x3, "<attachment "), 1);
  // the three mails had folders of their own, and nothing is left behind
  EXPECT_NE(x1.substr(x1.find(tempUtf8), tempUtf8.size() + 16), x3.substr(x3.find(tempUtf8), tempUtf8.size() + 16));
  EXPECT_TRUE(ListDir(temp.path).empty());
}

TEST_F(SendTest, OneMailWithAnEditedTitleAndNoAttachmentsWanted) {
  host.Select({{L"Subject", L"<b>x</b>", L"", L"S", {{L"a.txt", L"", Source(L"a.bin", "a")}}}});
  ASSERT_TRUE(PressAndAnswer([&](HWND dlg) {
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, 201)));
    SetDlgItemTextW(dlg, 201, L"Edited 'title'");
    Click(dlg, 206);  // no attachments
    SendMessageW(GetDlgItem(dlg, 206), BM_SETCHECK, BST_UNCHECKED, 0);
    // Enter in the title acts as "Save note"
    SendMessageW(GetDlgItem(dlg, 201), WM_KEYDOWN, VK_RETURN, 0);
  }));
  std::string x = Import(1);
  EXPECT_NE(x.find("b_save_attachments='0'"), std::string::npos) << x;
  EXPECT_NE(x.find("<title>Edited 'title'</title>"), std::string::npos);
  EXPECT_EQ(Count(x, "<attachment "), 0);
  EXPECT_EQ(host.SaveCount(), 0);
  EXPECT_EQ(Count(Log(), " Notes 1\n"), 1);
  EXPECT_TRUE(ListDir(temp.path).empty());
}

TEST_F(SendTest, CancelOrNoFolderImportsNothing) {
  host.Select({{L"Subject", L"<b>x</b>", L"", L"S", {}}});
  ASSERT_TRUE(PressAndAnswer([&](HWND dlg) { Click(dlg, IDCANCEL); }));
  ASSERT_TRUE(PressAndAnswer([&](HWND dlg) {
    SendMessageW(GetDlgItem(dlg, 207), CB_SETCURSEL, (WPARAM)-1, 0);
    Click(dlg, IDOK);
  }));
  EXPECT_EQ(Count(Log(), "ImportNotes"), 0);
  EXPECT_EQ(Count(Log(), "ShowApp"), 0);
  EXPECT_TRUE(g_reports.empty());
}

TEST_F(SendTest, NoMailInTheSelectionDoesNotStartTheProgram) {
  HostMail contact;
  contact.isMail = false;
  host.Select({contact});
  Press();
  host.Select({});
  Press();
  EXPECT_FALSE(Exists(Record() + L"\\calls.log"));
  EXPECT_TRUE(g_reports.empty());
}

TEST_F(SendTest, SignedOutTheLoginWindowOpensAndTheDialogFollowsTheLogin) {
  Configure("login=0\nlogin_after_auth=2\n");
  host.Select({{L"After login", L"<p>x</p>", L"", L"S", {}}});
  // the dialog is not opened inside the program's event call but from the mail client's queue
  ASSERT_TRUE(PressAndAnswer([&](HWND dlg) { Click(dlg, IDOK); }, true))
      << Log() << Narrow(g_reports.empty() ? L"" : g_reports[0]);
  std::string log = Log();
  EXPECT_NE(log.find("ShowAuthWindow 0\nfire OnLoginChanged 1\nfire OnLoginChanged 2\n"), std::string::npos) << log;
  EXPECT_EQ(Count(log, "ImportNotes 1 Notes 1"), 1);
}

TEST_F(SendTest, ALoginThatEndsBeforeTheAddInListensIsNotMissed) {
  Configure("login_sequence=1,2\n");
  host.Select({{L"Quick login", L"<p>x</p>", L"", L"S", {}}});
  ASSERT_TRUE(PressAndAnswer([&](HWND dlg) { Click(dlg, IDOK); }, true)) << Log();
  EXPECT_EQ(Count(Log(), "ImportNotes 1 Notes 1"), 1);
}

TEST_F(SendTest, AFailedLoginDropsTheMails) {
  Configure("login=0\nlogin_after_auth=0\n");
  host.Select({{L"Never", L"<p>x</p>", L"", L"S", {}}});
  Press();
  EXPECT_TRUE(PumpUntil([&] { return Has("exit"); }, 15000)) << Log();
  EXPECT_EQ(Count(Log(), "ImportNotes"), 0);
  EXPECT_EQ(FindSendDialog(), nullptr);
}

TEST_F(SendTest, TheProgramDyingMidSendIsReportedAndLeavesNoFiles) {
  Configure("die_on_import=2\n");
  std::wstring a = Source(L"a.bin", "AAAA");
  host.Select({{L"one", L"<p>1</p>", L"", L"S", {{L"a.txt", L"", a}}},
               {L"two", L"<p>2</p>", L"", L"S", {{L"a.txt", L"", a}}},
               {L"three", L"<p>3</p>", L"", L"S", {}}});
  ASSERT_TRUE(PressAndAnswer([&](HWND dlg) { Click(dlg, IDOK); }));
  ASSERT_EQ(g_reports.size(), 1u);
  EXPECT_NE(g_reports[0].find(L"Pelora stopped while the mails were being sent: 1 of 3 arrived."), std::wstring::npos)
      << Narrow(g_reports[0]);
  EXPECT_TRUE(Has("died"));
  EXPECT_TRUE(ListDir(temp.path).empty());
  WriteFile(Record() + L"\\calls.log", "exit\n");  // the process is gone: nothing to wait for
}

TEST_F(SendTest, ProgramProblemsAreReportedInTheMailClient) {
  const struct {
    const char* config;
    const wchar_t* progId;
    const wchar_t* message;
  } cases[] = {
      {"", L"PeloraStandin.Missing", L"Pelora could not be started"},
      {"no_notebook=1\n", L"PeloraStandin.Application", L"Pelora has no notebook open"},
      {"import_fails=1\n", L"PeloraStandin.Application", L"Pelora did not take the mail \"m\" (error 0x80004005)."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.config);
    g_reports.clear();
    DeleteFileW((Record() + L"\\calls.log").c_str());
    Configure(c.config);
    SetEnvironmentVariableW(L"PELORA_AUTOMATION_PROGID", c.progId);
    host.Select({{L"m", L"<p>x</p>", L"", L"S", {}}});
    bool dialog = false;
    DriveModal([&] { Press(); },
               [&] {
                 HWND dlg = FindSendDialog();
                 if (dlg) {
                   dialog = true;
                   Click(dlg, IDOK);
                 }
                 return dlg != nullptr;
               },
               8000);
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_NE(g_reports[0].find(c.message), std::wstring::npos) << Narrow(g_reports[0]);
    EXPECT_TRUE(ListDir(temp.path).empty());
    if (Exists(Record() + L"\\calls.log")) {
      EXPECT_TRUE(PumpUntil([&] { return Has("exit"); }, 15000));
    }
  }
}

TEST_F(SendTest, AProgramThatNeverGetsReadyIsGivenUpWithoutFreezingTheClient) {
  Configure("inited=never\n");
  host.Select({{L"m", L"<p>x</p>", L"", L"S", {}}});
  // the client's messages keep flowing during the wait
  int ticks = 0;
  DriveModal([&] { Press(); }, [&] { return ++ticks < 0; }, 60000);
  EXPECT_GT(ticks, 20);
  ASSERT_EQ(g_reports.size(), 1u);
  EXPECT_NE(g_reports[0].find(L"Pelora did not get ready in time"), std::wstring::npos);
}

TEST_F(SendTest, HugeMailsArriveWhole) {
  Configure("copy_files=0\n");
  std::wstring small = Source(L"s.bin", "s");
  HostMail many{std::wstring(10000, L'Ж'), L"<p>many</p>", L"", L"S", {}};
  for (int i = 0; i < 10000; ++i) many.attachments.push_back({L"same.txt", L"", small});
  // a 200 MB attachment (a sparse file: its size is what matters)
  std::wstring big = work.path + L"\\big.bin";
  HANDLE f = CreateFileW(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  LARGE_INTEGER size;
  size.QuadPart = 200LL << 20;
  SetFilePointerEx(f, size, nullptr, FILE_BEGIN);
  SetEndOfFile(f);
  CloseHandle(f);
  HostMail large{L"big", L"", L"", L"S", {{L"big.bin", L"", big}}};
  host.Select({many, large});
  ASSERT_TRUE(PressAndAnswer([&](HWND dlg) { Click(dlg, IDOK); }));
  std::string x1 = Import(1);
  EXPECT_EQ(Count(x1, "<attachment "), 10000);
  EXPECT_NE(x1.find("filename='same (10000).txt'"), std::string::npos);
  EXPECT_NE(x1.find("<title>" + Narrow(std::wstring(10000, L'Ж')) + "</title>"), std::string::npos);
  EXPECT_NE(Log().find(" 1 209715200\n"), std::string::npos);
  EXPECT_TRUE(ListDir(temp.path).empty());
}

TEST_F(SendTest, TheMailHostProgramLoadsTheAddInAndSendsMailsFromFiles) {
  // mails as files, the way mailhost.exe reads them
  std::wstring mails = work.path + L"\\mails", one = mails + L"\\1";
  CreateDirectoryW(mails.c_str(), nullptr);
  CreateDirectoryW(one.c_str(), nullptr);
  CreateDirectoryW((one + L"\\attachments").c_str(), nullptr);
  WriteFile(one + L"\\subject.txt", u8"Из файла");
  WriteFile(one + L"\\body.htm", "<p>from a file</p>");
  WriteFile(one + L"\\attachments\\notes.txt", "attached");
  std::wstring log = work.path + L"\\mailhost.log";
  std::wstring args = L"--press --answer ok --mails \"" + mails + L"\" --log \"" + log + L"\"";
  HANDLE process = PeloraTest::StartProgram(BinDir() + L"\\mailhost.exe", args.c_str());
  ASSERT_TRUE(process != nullptr);
  bool ended = PumpUntil([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, 60000);
  if (!ended) TerminateProcess(process, 1);
  DWORD code = 1;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  ASSERT_TRUE(ended);
  EXPECT_EQ(code, 0u);
  std::string hostLog = ReadFile(log);
  EXPECT_NE(hostLog.find("ribbon Microsoft.Outlook.Explorer "), std::string::npos) << hostLog;
  EXPECT_EQ(hostLog.find("ribbon Microsoft.Outlook.Explorer 0\n"), std::string::npos);
  EXPECT_NE(hostLog.find("dialog answered ok\npressed ok\n"), std::string::npos) << hostLog;
  EXPECT_EQ(Count(hostLog, "report "), 0) << hostLog;
  EXPECT_TRUE(PumpUntil([&] { return Has("exit"); }, 15000));
  std::string x = Import(1);
  EXPECT_NE(x.find(u8"<title>Из файла</title>"), std::string::npos) << x;
  EXPECT_NE(x.find("filename='notes.txt'"), std::string::npos);
  EXPECT_EQ(ReadFile(Record() + L"\\import_1\\notes.txt"), "attached");
  EXPECT_TRUE(ListDir(temp.path).empty());
}
