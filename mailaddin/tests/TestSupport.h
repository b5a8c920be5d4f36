// Shared helpers of the add-in's tests: paths, the registered add-in and program stand-in, a
// private temporary folder, files, and modal dialogs driven from a timer with a watchdog.
#pragma once
#include <windows.h>
#include "TestProcess.h"
#include <functional>
#include <string>
#include <vector>

namespace MailTest {

std::wstring BinDir();  // the folder of the test program (and of Mailvane.dll)
// Mailvane.dll loaded and registered (once per process); its module.
HMODULE AddInModule();
// Registers PeloraStandin.exe as the local server of class "PeloraStandin.Application".
void RegisterProgramStandin();

// A fresh empty folder under the system's temporary folder, removed by the destructor.
struct ScratchDir {
  ScratchDir();
  ~ScratchDir();
  std::wstring path;  // without a trailing separator
};

std::string ReadFile(const std::wstring& path);
void WriteFile(const std::wstring& path, const std::string& bytes);
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& text);
std::vector<std::wstring> ListDir(const std::wstring& dir);  // names, without "." and ".."
bool Exists(const std::wstring& path);
std::vector<std::string> Lines(const std::string& text);
int Count(const std::string& text, const std::string& what);

// Runs a modal loop that `run` enters; `step` is called from a timer on this thread every
// 50 ms while the loop runs (the window it looks for may not exist yet); when it answers
// true it is done. A watchdog posts IDCANCEL to the window after `timeoutMs` and ends the
// test's wait; answers whether step finished.
bool DriveModal(const std::function<void()>& run, const std::function<bool()>& step, DWORD timeoutMs = 20000);
// The send dialog of this thread's process, or nullptr.
HWND FindSendDialog();
// Pumps this thread's messages until done() or timeoutMs; a program run to its end.
using PeloraTest::PumpUntil;
using PeloraTest::RunProgram;

}  // namespace MailTest
