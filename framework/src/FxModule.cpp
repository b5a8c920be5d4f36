// Module handles, the resource search list, assertion and trace output.
#include "Framework.h"
#include <mutex>
#include <vector>
#include <cstdio>

namespace {

struct ModuleList {
  std::mutex lock;
  HINSTANCE instance = nullptr;
  HINSTANCE resource = nullptr;
  std::vector<HINSTANCE> extensions;  // in registration order, searched after `resource`
};

ModuleList& Modules() {
  static ModuleList list;
  return list;
}

// The program's search order: its resource module, then the extension DLLs.
std::vector<HINSTANCE> SearchOrder() {
  ModuleList& m = Modules();
  std::lock_guard<std::mutex> g(m.lock);
  std::vector<HINSTANCE> order;
  order.push_back(m.resource ? m.resource : (m.instance ? m.instance : GetModuleHandleW(nullptr)));
  for (HINSTANCE h : m.extensions)
    if (h != order[0]) order.push_back(h);
  return order;
}

}  // namespace

HINSTANCE AfxGetInstanceHandle() {
  ModuleList& m = Modules();
  std::lock_guard<std::mutex> g(m.lock);
  return m.instance ? m.instance : GetModuleHandleW(nullptr);
}

void AfxSetInstanceHandle(HINSTANCE hInst) {
  ModuleList& m = Modules();
  std::lock_guard<std::mutex> g(m.lock);
  m.instance = hInst;
}

HINSTANCE AfxGetResourceHandle() { return SearchOrder().front(); }

void AfxSetResourceHandle(HINSTANCE hInst) {
  ModuleList& m = Modules();
  std::lock_guard<std::mutex> g(m.lock);
  m.resource = hInst;
}

void AfxRegisterResourceModule(HINSTANCE hModule) {
  ModuleList& m = Modules();
  std::lock_guard<std::mutex> g(m.lock);
  for (HINSTANCE h : m.extensions)
    if (h == hModule) return;
  m.extensions.push_back(hModule);
}

void AfxUnregisterResourceModule(HINSTANCE hModule) {
  ModuleList& m = Modules();
  std::lock_guard<std::mutex> g(m.lock);
  for (size_t i = 0; i < m.extensions.size(); ++i)
    if (m.extensions[i] == hModule) { m.extensions.erase(m.extensions.begin() + i); return; }
}

HINSTANCE AfxFindResourceHandle(LPCTSTR name, LPCTSTR type) {
  for (HINSTANCE h : SearchOrder())
    if (FindResourceW(h, name, type)) return h;
  return nullptr;
}

const wchar_t* AfxFindStringResource(UINT id, int* length) {
  for (HINSTANCE h : SearchOrder()) {
    const wchar_t* p = nullptr;
    int n = LoadStringW(h, id, (LPWSTR)&p, 0);
    if (n > 0 && p) {
      if (length) *length = n;
      return p;
    }
  }
  if (length) *length = 0;
  return nullptr;
}

void AfxAssertFailedLine(const char* file, int line, const char* expr) {
  char text[512];
  _snprintf(text, sizeof text - 1, "%s(%d): assertion failed: %s\n", file, line, expr);
  text[sizeof text - 1] = 0;
  OutputDebugStringA(text);
  if (IsDebuggerPresent()) DebugBreak();
}

void AFX_CDECL AfxTrace(const wchar_t* format, ...) {
  va_list a;
  va_start(a, format);
  CStringW s;
  s.FormatV(format, a);
  va_end(a);
  OutputDebugStringW(s);
}

void AFX_CDECL AfxTrace(const char* format, ...) {
  va_list a;
  va_start(a, format);
  CStringA s;
  s.FormatV(format, a);
  va_end(a);
  OutputDebugStringA(s);
}
