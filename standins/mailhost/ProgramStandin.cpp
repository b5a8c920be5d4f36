// PeloraStandin.exe: a recording stand-in of the program's automation server, for the add-in's
// tests. A local server of class "PeloraStandin.Application" whose objects answer by name the
// calls the add-in makes, behave as a configuration file says, and write down what they got.
//
// Configuration: the file named by the environment variable PELORA_STANDIN_CONFIG (which COM
// passes on from the client that starts the server), one key=value per line:
//   record=DIR         calls.log, import_N.xml and import_N/ (copies of the files named) go here
//   inited=N           IsAppInited answers false N times first; "never": always false
//   login=S            GetLoginState answers S (default 2)
//   login_sequence=A,B GetLoginState answers A, then B... (the last one from then on); no event
//   login_after_auth=S ShowAuthWindow makes the state 1, then S a moment later, firing
//                      OnLoginChanged each time
//   tags=A|B|C         the notebook's tags
//   no_notebook=1      GetActiveNotebook fails
//   die_on_import=N    the process ends inside the N-th ImportNotes call
//   import_fails=1     ImportNotes answers E_FAIL
//   copy_files=0       the files named are only looked at, not copied
// Serves one client (each creation starts a new process) and ends when its object is released.
#include "DispObject.h"
#include <oleauto.h>
#include <cstdio>
#include <fstream>
#include <sstream>

using Standin::DispObject;

namespace {

// {5C1A9E4B-3F2D-4B8A-9C61-7E2F0D4A8B13}
const CLSID CLSID_PeloraStandin = {0x5C1A9E4B, 0x3F2D, 0x4B8A, {0x9C, 0x61, 0x7E, 0x2F, 0x0D, 0x4A, 0x8B, 0x13}};
// the program's event interface
const IID DIID_AppEvents = {0xF96ADA87, 0x758F, 0x402D, {0x83, 0x5A, 0x7E, 0xBF, 0x5F, 0x37, 0x82, 0x28}};

std::map<std::string, std::string> g_config;
std::wstring g_record;
DispObject* g_app = nullptr;
bool g_handedOut = false;
int g_imports = 0;
long g_loginState = 2;

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

std::string Config(const char* key, const char* fallback = "") {
  auto it = g_config.find(key);
  return it == g_config.end() ? fallback : it->second;
}

void Record(const std::wstring& line) {
  if (g_record.empty()) return;
  std::ofstream f(Narrow(g_record + L"\\calls.log").c_str(), std::ios::app | std::ios::binary);
  f << Narrow(line) << "\n";
}

void LoadConfig() {
  wchar_t path[1024];
  if (!GetEnvironmentVariableW(L"PELORA_STANDIN_CONFIG", path, 1024)) return;
  std::ifstream f(Narrow(path).c_str(), std::ios::binary);
  std::string line;
  while (std::getline(f, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t eq = line.find('=');
    if (eq != std::string::npos) g_config[line.substr(0, eq)] = line.substr(eq + 1);
  }
  g_record = Widen(Config("record"));
  g_loginState = atol(Config("login", "2").c_str());
}

HRESULT Answer(VARIANT* r, long value) {
  if (r) {
    VariantInit(r);
    r->vt = VT_I4;
    r->lVal = value;
  }
  return S_OK;
}

HRESULT Answer(VARIANT* r, const std::wstring& text) {
  if (r) {
    VariantInit(r);
    r->vt = VT_BSTR;
    r->bstrVal = SysAllocStringLen(text.c_str(), (UINT)text.size());
  }
  return S_OK;
}

HRESULT Answer(VARIANT* r, DispObject* obj) {  // takes obj's reference
  if (r) {
    VariantInit(r);
    r->vt = VT_DISPATCH;
    r->pdispVal = obj;
  } else {
    obj->Release();
  }
  return S_OK;
}

std::wstring Unescape(const std::wstring& s) {
  std::wstring out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'&') {
      static const wchar_t* const names[][2] = {{L"&amp;", L"&"}, {L"&lt;", L"<"}, {L"&gt;", L">"}, {L"&apos;", L"'"}, {L"&quot;", L"\""}};
      bool done = false;
      for (auto& n : names)
        if (s.compare(i, wcslen(n[0]), n[0]) == 0) {
          out += n[1];
          i += wcslen(n[0]) - 1;
          done = true;
          break;
        }
      if (done) continue;
    }
    out += s[i];
  }
  return out;
}

// Writes the descriptor down and what the files it names hold at this moment.
void RecordImport(const std::wstring& folderName, const std::wstring& descriptor, long flags) {
  ++g_imports;
  std::wstring n = std::to_wstring(g_imports);
  Record(L"ImportNotes " + n + L" " + folderName + L" " + std::to_wstring(flags));
  if (g_record.empty()) return;
  {
    std::ofstream f(Narrow(g_record + L"\\import_" + n + L".xml").c_str(), std::ios::binary);
    f << Narrow(descriptor);
  }
  std::wstring dir = g_record + L"\\import_" + n;
  CreateDirectoryW(dir.c_str(), nullptr);
  for (size_t at = descriptor.find(L"pathname='"); at != std::wstring::npos;
       at = descriptor.find(L"pathname='", at + 1)) {
    size_t start = at + 10, end = descriptor.find(L'\'', start);
    std::wstring path = Unescape(descriptor.substr(start, end - start));
    WIN32_FILE_ATTRIBUTE_DATA data;
    bool exists = GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) != 0;
    unsigned long long size = exists ? ((unsigned long long)data.nFileSizeHigh << 32 | data.nFileSizeLow) : 0;
    Record(L"file " + path + L" " + (exists ? L"1 " : L"0 ") + std::to_wstring(size));
    size_t slash = path.find_last_of(L"\\/");
    if (exists && size < (4u << 20) && Config("copy_files", "1") != "0") CopyFileW(path.c_str(), (dir + L"\\" + path.substr(slash + 1)).c_str(), FALSE);
  }
}

struct FolderSpec {
  const wchar_t* name;
  long type;
  std::vector<FolderSpec> children;
};

DispObject* MakeFolder(const FolderSpec& spec) {
  DispObject* f = DispObject::Create(L"Folder");
  std::wstring name = spec.name;
  long type = spec.type;
  std::vector<FolderSpec> children = spec.children;
  f->SetMethod(L"GetFolderName", [name](WORD, const std::vector<VARIANT*>&, VARIANT* r) { return Answer(r, name); });
  f->SetMethod(L"GetFolderType", [type](WORD, const std::vector<VARIANT*>&, VARIANT* r) { return Answer(r, type); });
  f->SetMethod(L"GetSubFolderCount", [children](WORD, const std::vector<VARIANT*>&, VARIANT* r) {
    return Answer(r, (long)children.size());
  });
  f->SetMethod(L"GetSubFolderItem", [children](WORD, const std::vector<VARIANT*>& args, VARIANT* r) {
    long i = DispObject::ArgLong(args, 0, -1);
    if (i < 0 || i >= (long)children.size()) return E_INVALIDARG;
    return Answer(r, MakeFolder(children[(size_t)i]));
  });
  f->SetMethod(L"ImportNotes", [name](WORD, const std::vector<VARIANT*>& args, VARIANT* r) {
    long flags = DispObject::ArgLong(args, 1, -1);
    if (flags != 1) return E_INVALIDARG;
    if (atoi(Config("die_on_import", "0").c_str()) == g_imports + 1) {
      Record(L"died");
      ExitProcess(3);
    }
    RecordImport(name, DispObject::ArgText(args, 0), flags);
    if (Config("import_fails") == "1") return E_FAIL;
    return Answer(r, -1L);
  });
  return f;
}

const FolderSpec& DefaultFolder() {
  static const FolderSpec spec = {L"Notes", 2, {{L"Work", 1, {{L"Deep", 0, {}}}}}};
  return spec;
}

const FolderSpec& UserRoot() {
  static const FolderSpec spec = {
      L"usr_folder", 9,
      {{L"Projects", 0, {{L"Trash", 3, {{L"Below trash", 0, {}}}}}}, {L"Local Box", 1, {}}, {L"Tagged", 4, {}}}};
  return spec;
}

DispObject* MakeNotebook() {
  DispObject* nb = DispObject::Create(L"Notebook");
  nb->SetMethod(L"GetFolderDefault", [](WORD, const std::vector<VARIANT*>&, VARIANT* r) {
    return Answer(r, MakeFolder(DefaultFolder()));
  });
  nb->SetMethod(L"GetFolderUsers", [](WORD, const std::vector<VARIANT*>&, VARIANT* r) {
    return Answer(r, MakeFolder(UserRoot()));
  });
  nb->SetMethod(L"GetTags", [](WORD, const std::vector<VARIANT*>&, VARIANT* r) {
    std::vector<std::wstring> tags;
    std::wstring all = Widen(Config("tags"));
    for (size_t start = 0; !all.empty() && start <= all.size();) {
      size_t bar = all.find(L'|', start);
      if (bar == std::wstring::npos) bar = all.size();
      tags.push_back(all.substr(start, bar - start));
      start = bar + 1;
    }
    DispObject* list = DispObject::Create(L"Tags");
    list->SetMethod(L"GetCount", [tags](WORD, const std::vector<VARIANT*>&, VARIANT* r2) {
      return Answer(r2, (long)tags.size());
    });
    list->SetMethod(L"GetTagItem", [tags](WORD, const std::vector<VARIANT*>& args, VARIANT* r2) {
      long i = DispObject::ArgLong(args, 0, -1);
      if (i < 0 || i >= (long)tags.size()) return E_INVALIDARG;
      DispObject* tag = DispObject::Create(L"Tag");
      std::wstring name = tags[(size_t)i];
      tag->SetMethod(L"GetTagName", [name](WORD, const std::vector<VARIANT*>&, VARIANT* r3) { return Answer(r3, name); });
      return Answer(r2, tag);
    });
    return Answer(r, list);
  });
  return nb;
}

UINT_PTR g_loginTimer = 0;  // a thread timer: its id is the one SetTimer answered
long g_pendingLogin = -1;

void FireLogin(long state) {
  g_loginState = state;
  Record(L"fire OnLoginChanged " + std::to_wstring(state));
  VARIANT args[2];
  args[0].vt = VT_UNKNOWN;
  args[0].punkVal = static_cast<IDispatch*>(g_app);
  args[1].vt = VT_I4;
  args[1].lVal = state;
  g_app->Fire(DIID_AppEvents, 1, {args[0], args[1]});
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  // the client connects its sink after ShowAuthWindow returns: the login ends once it listens
  if (id == g_loginTimer && g_pendingLogin >= 0 && g_app->SinkCount(DIID_AppEvents) > 0) {
    KillTimer(nullptr, g_loginTimer);
    g_loginTimer = 0;
    long state = g_pendingLogin;
    g_pendingLogin = -1;
    FireLogin(state);
  }
}

DispObject* MakeApplication() {
  DispObject* app = DispObject::Create(L"Application");
  app->AddSource(DIID_AppEvents);
  app->SetMethod(L"IsAppInited", [](WORD, const std::vector<VARIANT*>&, VARIANT* r) {
    static int calls = 0;
    std::string inited = Config("inited", "0");
    bool ready = inited != "never" && ++calls > atoi(inited.c_str());
    if (r) {
      VariantInit(r);
      r->vt = VT_BOOL;
      r->boolVal = ready ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
  });
  app->SetMethod(L"GetLoginState", [](WORD, const std::vector<VARIANT*>&, VARIANT* r) {
    static size_t call = 0;
    std::string seq = Config("login_sequence");
    if (!seq.empty()) {
      std::vector<long> states;
      for (size_t at = 0; at <= seq.size();) {
        size_t comma = seq.find(',', at);
        if (comma == std::string::npos) comma = seq.size();
        states.push_back(atol(seq.substr(at, comma - at).c_str()));
        at = comma + 1;
      }
      g_loginState = states[call < states.size() ? call : states.size() - 1];
      ++call;
    }
    return Answer(r, g_loginState);
  });
  app->SetMethod(L"ShowAuthWindow", [](WORD, const std::vector<VARIANT*>& args, VARIANT*) {
    Record(L"ShowAuthWindow " + std::to_wstring(DispObject::ArgLong(args, 0, -1) != 0));
    std::string after = Config("login_after_auth");
    if (!after.empty()) {
      FireLogin(1);
      g_pendingLogin = atol(after.c_str());
      g_loginTimer = SetTimer(nullptr, 0, 150, OnTimer);
    }
    return S_OK;
  });
  app->SetMethod(L"ShowApp", [](WORD, const std::vector<VARIANT*>& args, VARIANT*) {
    Record(L"ShowApp " + std::to_wstring(DispObject::ArgLong(args, 0, -1) != 0));
    return S_OK;
  });
  app->SetMethod(L"GetActiveNotebook", [](WORD, const std::vector<VARIANT*>&, VARIANT* r) {
    if (Config("no_notebook") == "1") return E_FAIL;
    return Answer(r, MakeNotebook());
  });
  return app;
}

class Factory : public IClassFactory {
 public:
  STDMETHOD(QueryInterface)(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return 2; }
  STDMETHOD_(ULONG, Release)() override { return 1; }
  STDMETHOD(CreateInstance)(IUnknown* outer, REFIID iid, void** out) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    HRESULT hr = g_app->QueryInterface(iid, out);
    if (SUCCEEDED(hr)) {
      g_handedOut = true;
      Record(L"created");
    }
    return hr;
  }
  STDMETHOD(LockServer)(BOOL) override { return S_OK; }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  LoadConfig();
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  g_app = MakeApplication();
  Factory factory;
  DWORD cookie = 0;
  HRESULT hr = CoRegisterClassObject(CLSID_PeloraStandin, &factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &cookie);
  if (FAILED(hr)) return 2;
  // ends when the client let go of its object, or after two minutes whatever happens
  DWORD start = GetTickCount();
  MSG msg;
  while (GetTickCount() - start < 120000) {
    if (g_handedOut && g_app->Refs() == 1) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  Record(L"exit");
  CoRevokeClassObject(cookie);
  g_app->Release();
  CoUninitialize();
  return 0;
}
