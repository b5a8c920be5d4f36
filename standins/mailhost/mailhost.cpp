// mailhost.exe: the mail client as a program, for tests and for trying the add-in by hand.
//   mailhost.exe [--version V] [--mails DIR] [--press] [--answer ok|cancel] [--log FILE]
// Loads the add-in by its registered class ("Mailvane.PeloraNote") in a single-threaded
// apartment, connects it with a mail client of version V (default 16.0.0), asks it for the
// ribbon XML of each ribbon id, and with --press selects the mails of DIR and calls the ribbon
// button's callback by name, as the ribbon does. The add-in's dialog is answered from a timer
// with --answer (OK, or the Close button); without it the dialog waits for a person. DIR holds
// one folder per mail: subject.txt (UTF-8), body.htm, body.txt and attachments/ (each file is
// an attachment of that name). The log (UTF-8) gets the ribbon XML lengths, what the add-in
// told the user, and "done". Exit code 0, or 1 when the add-in could not be loaded.
#include "MailHost.h"
#include <algorithm>
#include <fstream>
#include <sstream>

using Standin::HostAttachment;
using Standin::HostMail;
using Standin::MailHost;

namespace {

std::ofstream g_log;
std::wstring g_answer;

std::string Narrow(const std::wstring& w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), (int)w.size(), nullptr, 0, nullptr, nullptr);
  std::string s((size_t)n, '\0');
  if (n) WideCharToMultiByte(CP_UTF8, 0, w.c_str(), (int)w.size(), &s[0], n, nullptr, nullptr);
  return s;
}

std::wstring ReadText(const std::wstring& path) {
  std::ifstream f(Narrow(path).c_str(), std::ios::binary);
  if (!f) return std::wstring();
  std::stringstream s;
  s << f.rdbuf();
  std::string bytes = s.str();
  int n = MultiByteToWideChar(CP_UTF8, 0, bytes.c_str(), (int)bytes.size(), nullptr, 0);
  std::wstring w((size_t)n, L'\0');
  if (n) MultiByteToWideChar(CP_UTF8, 0, bytes.c_str(), (int)bytes.size(), &w[0], n);
  return w;
}

std::vector<std::wstring> List(const std::wstring& dir, bool folders) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    bool isDir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (wcscmp(fd.cFileName, L".") && wcscmp(fd.cFileName, L"..") && isDir == folders) names.push_back(fd.cFileName);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<HostMail> ReadMails(const std::wstring& dir) {
  std::vector<HostMail> mails;
  for (const std::wstring& name : List(dir, true)) {
    std::wstring m = dir + L"\\" + name;
    HostMail mail;
    mail.subject = ReadText(m + L"\\subject.txt");
    mail.htmlBody = ReadText(m + L"\\body.htm");
    mail.body = ReadText(m + L"\\body.txt");
    for (const std::wstring& a : List(m + L"\\attachments", false))
      mail.attachments.push_back({a, a, m + L"\\attachments\\" + a});
    mails.push_back(mail);
  }
  return mails;
}

void WINAPI OnReport(LPCWSTR text) {
  g_log << "report " << Narrow(text) << "\n";
  g_log.flush();
}

// Answers the add-in's dialog once it is up (the timer runs inside its modal loop).
void CALLBACK AnswerTimer(HWND, UINT, UINT_PTR, DWORD) {
  HWND dlg = FindWindowW(nullptr, L"Send to Pelora Note");
  DWORD pid = 0;
  if (!dlg || !IsWindowVisible(dlg) || (GetWindowThreadProcessId(dlg, &pid), pid != GetCurrentProcessId())) return;
  int id = g_answer == L"ok" ? IDOK : IDCANCEL;
  g_log << "dialog answered " << Narrow(g_answer) << "\n";
  PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dlg, id));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring version = L"16.0.0", mailsDir, logPath = L"mailhost.log";
  bool press = false;
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    std::wstring next = i + 1 < argc ? argv[i + 1] : L"";
    if (a == L"--version") version = next, ++i;
    else if (a == L"--mails") mailsDir = next, ++i;
    else if (a == L"--answer") g_answer = next, ++i;
    else if (a == L"--log") logPath = next, ++i;
    else if (a == L"--press") press = true;
  }
  g_log.open(Narrow(logPath).c_str(), std::ios::binary | std::ios::trunc);
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int rc = 0;
  {
    MailHost host(version);
    CLSID clsid;
    IDTExtensibility2Host* addin = nullptr;
    if (FAILED(CLSIDFromProgID(L"Mailvane.PeloraNote", &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDTExtensibility2Host, (void**)&addin))) {
      g_log << "the add-in could not be loaded\n";
      rc = 1;
    } else {
      if (HMODULE dll = GetModuleHandleW(L"Mailvane.dll"))
        if (auto hook = (void(WINAPI*)(void(WINAPI*)(LPCWSTR)))GetProcAddress(dll, "MailvaneSetReportHook")) hook(OnReport);
      addin->OnConnection(host.Application(), 0, nullptr, nullptr);
      IRibbonExtensibilityHost* ribbon = nullptr;
      if (SUCCEEDED(addin->QueryInterface(IID_IRibbonExtensibilityHost, (void**)&ribbon))) {
        for (const wchar_t* id : {L"Microsoft.Outlook.Explorer", L"Microsoft.Outlook.Mail.Read"}) {
          BSTR rid = SysAllocString(id), xml = nullptr;
          ribbon->GetCustomUI(rid, &xml);
          g_log << "ribbon " << Narrow(id) << " " << (xml ? SysStringLen(xml) : 0) << "\n";
          SysFreeString(xml);
          SysFreeString(rid);
        }
        ribbon->Release();
      }
      if (press) {
        host.Select(ReadMails(mailsDir));
        UINT_PTR timer = g_answer.empty() ? 0 : SetTimer(nullptr, 0, 100, AnswerTimer);
        // the ribbon's way: the callback by name through IDispatch
        IDispatch* disp = nullptr;
        LPOLESTR name = const_cast<LPOLESTR>(L"OnButton_SendToPeloraNote");
        DISPID id = 0;
        if (SUCCEEDED(addin->QueryInterface(IID_IDispatch, (void**)&disp)) &&
            SUCCEEDED(disp->GetIDsOfNames(IID_NULL, &name, 1, 0, &id))) {
          VARIANT arg;
          arg.vt = VT_DISPATCH;
          arg.pdispVal = nullptr;
          DISPPARAMS dp = {&arg, nullptr, 1, 0};
          HRESULT hr = disp->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr);
          g_log << "pressed " << (SUCCEEDED(hr) ? "ok" : "failed") << "\n";
        }
        if (disp) disp->Release();
        if (timer) KillTimer(nullptr, timer);
      }
      addin->OnDisconnection(0, nullptr);
      addin->Release();
    }
  }
  CoUninitialize();
  g_log << "done\n";
  return rc;
}
