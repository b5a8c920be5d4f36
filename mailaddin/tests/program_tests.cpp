// The add-in with the real program (Pelora.exe of this tree) as its automation server. The
// program cannot sign in yet (it has no account dialogs), so this follows the signed-out road:
// the program is started by COM, the add-in waits for it, asks for the login window, listens
// for the login through the program's event, and lets go when the next press abandons the wait;
// the program then ends by itself.
#include <gtest/gtest.h>
#include "MailHost.h"
#include "Mailvane.h"
#include "TestSupport.h"

using namespace MailTest;
using Standin::HostMail;
using Standin::MailHost;

namespace {

typedef void(WINAPI* ReportHook)(LPCWSTR text);
typedef void(WINAPI* SetReportHook)(ReportHook hook);
std::vector<std::wstring> g_reports;
void WINAPI OnReport(LPCWSTR text) { g_reports.push_back(text); }

HWND ProgramWindow(DWORD* pid = nullptr) {
  HWND wnd = FindWindowW(L"PeloraApp", nullptr);
  if (wnd && pid) GetWindowThreadProcessId(wnd, pid);
  return wnd;
}

}  // namespace

TEST(WithTheProgram, SignedOutTheAddInAsksForTheLoginListensAndLetsGoOnTheNextPress) {
  std::wstring exe = BinDir() + L"\\Pelora.exe";
  ASSERT_TRUE(Exists(exe));
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  ASSERT_EQ(RunProgram(exe, L"/RegServer"), 0u);
  ASSERT_NE(AddInModule(), nullptr);
  auto setHook = (SetReportHook)GetProcAddress(AddInModule(), "MailvaneSetReportHook");
  ASSERT_NE(setHook, nullptr);
  setHook(OnReport);
  SetEnvironmentVariableW(L"PELORA_AUTOMATION_PROGID", nullptr);
  ScratchDir temp, work;
  wchar_t oldTemp[1024] = L"";
  GetEnvironmentVariableW(L"TEMP", oldTemp, 1024);
  SetEnvironmentVariableW(L"TEMP", temp.path.c_str());
  {
    MailHost host(L"16.0.0");
    IDTExtensibility2Host* addin = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_PeloraMailvane, nullptr, CLSCTX_INPROC_SERVER, IID_IDTExtensibility2Host,
                               (void**)&addin),
              S_OK);
    IPeloraMailvane* mailvane = nullptr;
    ASSERT_EQ(addin->QueryInterface(IID_IPeloraMailvane, (void**)&mailvane), S_OK);
    ASSERT_EQ(addin->OnConnection(host.Application(), 0, nullptr, nullptr), S_OK);
    std::wstring a = work.path + L"\\a.bin";
    WriteFile(a, "attachment");
    host.Select({{L"For the program", L"<p>x</p>", L"", L"S", {{L"a.txt", L"", a}}}});

    EXPECT_EQ(mailvane->OnButton_SendToPeloraNote(nullptr), S_OK);
    // the program runs, started by COM; it was not signed in, so nothing was asked or sent yet,
    // and the add-in is connected to the program's login event (no message told of a failure)
    DWORD pid = 0;
    EXPECT_NE(ProgramWindow(&pid), nullptr);
    EXPECT_TRUE(g_reports.empty()) << Narrow(g_reports.empty() ? L"" : g_reports[0]);
    EXPECT_EQ(FindSendDialog(), nullptr);
    EXPECT_TRUE(ListDir(temp.path).empty());

    // the next press abandons the wait: the add-in lets go and the program, started for it, ends
    HANDLE process = pid ? OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid) : nullptr;
    host.Select({});
    EXPECT_EQ(mailvane->OnButton_SendToPeloraNote(nullptr), S_OK);
    EXPECT_TRUE(PumpUntil([&] { return !process || WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, 30000))
        << "the program did not end after the add-in let go";
    if (process) {
      if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) TerminateProcess(process, 1);
      CloseHandle(process);
    }
    addin->OnDisconnection(0, nullptr);
    mailvane->Release();
    addin->Release();
  }
  SetEnvironmentVariableW(L"TEMP", oldTemp);
  EXPECT_EQ(RunProgram(exe, L"/UnregServer"), 0u);
  CoUninitialize();
}
