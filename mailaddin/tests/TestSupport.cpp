#include "TestSupport.h"
#include <fstream>
#include <sstream>
#include "SendTypes.h"

namespace MailTest {

std::wstring BinDir() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path, n);
  return p.substr(0, p.find_last_of(L"\\/"));
}

HMODULE AddInModule() {
  static HMODULE module = [] {
    HMODULE m = LoadLibraryW((BinDir() + L"\\Mailvane.dll").c_str());
    if (m) {
      auto reg = (HRESULT(WINAPI*)())GetProcAddress(m, "DllRegisterServer");
      if (reg) reg();
    }
    return m;
  }();
  return module;
}

void RegisterProgramStandin() {
  const wchar_t* clsid = L"{5C1A9E4B-3F2D-4B8A-9C61-7E2F0D4A8B13}";
  std::wstring exe = BinDir() + L"\\PeloraStandin.exe";
  HKEY key;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, L"PeloraStandin.Application\\CLSID", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    RegSetValueExW(key, nullptr, 0, REG_SZ, (const BYTE*)clsid, (DWORD)(wcslen(clsid) + 1) * 2);
    RegCloseKey(key);
  }
  std::wstring k = std::wstring(L"CLSID\\") + clsid + L"\\LocalServer32";
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, k.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExW(key, nullptr, 0, REG_SZ, (const BYTE*)exe.c_str(), (DWORD)(exe.size() + 1) * 2);
    RegCloseKey(key);
  }
}

ScratchDir::ScratchDir() {
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  static unsigned counter = 0;
  for (;;) {
    path = std::wstring(tmp) + L"mailaddin_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++counter);
    if (CreateDirectoryW(path.c_str(), nullptr)) break;
  }
}

ScratchDir::~ScratchDir() { Mailvane::RemoveMailFolder(path); }

std::string ReadFile(const std::wstring& path) {
  std::ifstream f(Narrow(path).c_str(), std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

void WriteFile(const std::wstring& path, const std::string& bytes) {
  std::ofstream f(Narrow(path).c_str(), std::ios::binary);
  f << bytes;
}

std::wstring Widen(const std::string& s) {
  int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), (int)s.size(), nullptr, 0);
  std::wstring w((size_t)n, L'\0');
  if (n) MultiByteToWideChar(CP_UTF8, 0, s.c_str(), (int)s.size(), &w[0], n);
  return w;
}

std::string Narrow(const std::wstring& w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), (int)w.size(), nullptr, 0, nullptr, nullptr);
  std::string s((size_t)n, '\0');
  if (n) WideCharToMultiByte(CP_UTF8, 0, w.c_str(), (int)w.size(), &s[0], n, nullptr, nullptr);
  return s;
}

std::vector<std::wstring> ListDir(const std::wstring& dir) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (wcscmp(fd.cFileName, L".") && wcscmp(fd.cFileName, L"..")) names.push_back(fd.cFileName);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return names;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream s(text);
  std::string line;
  while (std::getline(s, line)) lines.push_back(line);
  return lines;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

namespace {
struct ModalDrive {
  std::function<bool()> step;
  bool done = false;
  DWORD deadline = 0;
  bool timedOut = false;
};
ModalDrive* g_drive = nullptr;

void CALLBACK DriveTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_drive || g_drive->done) return;
  if (GetTickCount() > g_drive->deadline) {
    // the watchdog: end whatever modal window is up so the test fails instead of hanging
    g_drive->timedOut = true;
    if (HWND dlg = FindSendDialog()) PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  g_drive->done = g_drive->step();
}
}  // namespace

bool DriveModal(const std::function<void()>& run, const std::function<bool()>& step, DWORD timeoutMs) {
  ModalDrive drive;
  drive.step = step;
  drive.deadline = GetTickCount() + timeoutMs;
  ModalDrive* outer = g_drive;
  g_drive = &drive;
  UINT_PTR timer = SetTimer(nullptr, 0, 50, DriveTimer);
  run();
  KillTimer(nullptr, timer);
  g_drive = outer;
  return drive.done && !drive.timedOut;
}

HWND FindSendDialog() {
  struct Find {
    HWND found = nullptr;
  } f;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM lp) -> BOOL {
        wchar_t text[64];
        GetWindowTextW(w, text, 64);
        if (IsWindowVisible(w) && wcscmp(text, L"Send to Pelora Note") == 0) {
          reinterpret_cast<Find*>(lp)->found = w;
          return FALSE;
        }
        return TRUE;
      },
      (LPARAM)&f);
  return f.found;
}

}  // namespace MailTest
