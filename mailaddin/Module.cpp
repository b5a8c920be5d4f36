// Mailvane.dll: a 64-bit in-process COM server loaded by the mail client.
#include "Framework.h"
#include "Module.h"
#include "AddIn.h"
#include <vector>

using namespace Mailvane;

namespace {

// {E0564789-BAA9-46EA-A38D-EEF01DE6E6C3}
const GUID kAppId = {0xE0564789, 0xBAA9, 0x46EA, {0xA3, 0x8D, 0xEE, 0xF0, 0x1D, 0xE6, 0xE6, 0xC3}};
const UINT kAppIdScript = 101;

BEGIN_OBJECT_MAP(ObjectMap)
  OBJECT_ENTRY(CLSID_PeloraMailvane, CPeloraMailvane)
END_OBJECT_MAP()

// The DLL's module and its application-wide state.
class CMailvaneModule : public CComDllModule {};
CMailvaneModule g_module;

struct CMailvaneApp {
  HINSTANCE instance = nullptr;
  MailvaneReportHook reportHook = nullptr;
  HICON icons[2] = {nullptr, nullptr};  // 16 and 32 pixels, made once

  void InitInstance(HINSTANCE dll) {
    instance = dll;
    AfxSetInstanceHandle(dll);
    g_module.Init(ObjectMap, dll, &LIBID_MailvaneLib);
    g_module.SetAppId(kAppId, kAppIdScript);
  }
  void ExitInstance() {
    for (HICON& icon : icons) {
      if (icon) DestroyIcon(icon);
      icon = nullptr;
    }
    g_module.Term();
  }
};
CMailvaneApp g_app;

}  // namespace

namespace Mailvane {

HINSTANCE ModuleInstance() { return g_app.instance; }

void ReportToUser(const std::wstring& text) {
  if (g_app.reportHook) {
    g_app.reportHook(text.c_str());
    return;
  }
  MessageBoxW(nullptr, text.c_str(), L"Send to Pelora Note", MB_OK | MB_ICONWARNING | MB_TASKMODAL);
}

std::wstring LoadRibbonXml(UINT id) {
  HRSRC res = FindResourceW(g_app.instance, MAKEINTRESOURCEW(id), L"RIBBON_XML");
  if (!res) return std::wstring();
  HGLOBAL data = LoadResource(g_app.instance, res);
  DWORD size = SizeofResource(g_app.instance, res);
  const char* bytes = data ? static_cast<const char*>(LockResource(data)) : nullptr;
  if (!bytes || size == 0) return std::wstring();
  // the text may be any length: copy it with zeros after it before converting
  std::vector<char> buf(bytes, bytes + size);
  buf.insert(buf.end(), 8, '\0');
  int n = MultiByteToWideChar(CP_ACP, 0, buf.data(), -1, nullptr, 0);
  if (n <= 1) return std::wstring();
  std::wstring text((size_t)n, L'\0');
  MultiByteToWideChar(CP_ACP, 0, buf.data(), -1, &text[0], n);
  text.resize((size_t)n - 1);
  return text;
}

HICON AddInIcon(int size) {
  HICON& icon = g_app.icons[size <= 16 ? 0 : 1];
  if (!icon)
    icon = (HICON)LoadImageW(g_app.instance, MAKEINTRESOURCEW(kIconAddIn), IMAGE_ICON, size, size, 0);
  return icon;
}

std::wstring ProgramProgId() {
  wchar_t buf[256];
  DWORD n = GetEnvironmentVariableW(L"PELORA_AUTOMATION_PROGID", buf, 256);
  if (n > 0 && n < 256) return std::wstring(buf, n);
  return L"Pelora.Application";
}

}  // namespace Mailvane

extern "C" {

void WINAPI MailvaneSetReportHook(MailvaneReportHook hook) { g_app.reportHook = hook; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    g_app.InitInstance(instance);
  } else if (reason == DLL_PROCESS_DETACH && !reserved) {
    // an unload by FreeLibrary (at process exit COM and the system clean up themselves)
    g_app.ExitInstance();
  }
  return TRUE;
}

HRESULT WINAPI DllCanUnloadNow() { return g_module.DllCanUnloadNow(); }

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return g_module.DllGetClassObject(clsid, iid, out);
}

HRESULT WINAPI DllRegisterServer() { return g_module.DllRegisterServer(TRUE); }

HRESULT WINAPI DllUnregisterServer() { return g_module.DllUnregisterServer(TRUE); }

}  // extern "C"
