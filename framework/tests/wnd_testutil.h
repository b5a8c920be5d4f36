// Helpers of the window tests: a message pump that settles the queue, and a log of what a
// window received that tests compare with a table of expected entries.
#pragma once
#include "Framework.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace wndtest {

// Dispatches everything waiting (sent and posted) until the queue is empty, through the same
// PreTranslateMessage walk a real loop uses.
inline void Settle() {
  MSG msg;
  for (int round = 0; round < 1000 && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++round) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage((int)msg.wParam);
      break;
    }
    if (AfxPreTranslateMessage(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// Runs the loop until pred() holds or the timeout passes (for timers); TRUE if it held.
template <class Pred>
bool PumpUntil(Pred pred, DWORD timeoutMs = 3000) {
  DWORD start = ::GetTickCount();
  while (!pred()) {
    if (::GetTickCount() - start > timeoutMs) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    Settle();
  }
  return true;
}

struct Log {
  std::vector<std::string> entries;
  void Add(const std::string& s) { entries.push_back(s); }
  void Clear() { entries.clear(); }
  // Entries in order, ignoring any not in `interesting` (when given).
  std::vector<std::string> Only(const std::vector<std::string>& prefixes) const {
    std::vector<std::string> out;
    for (auto& e : entries)
      for (auto& p : prefixes)
        if (e.compare(0, p.size(), p) == 0) {
          out.push_back(e);
          break;
        }
    return out;
  }
};

inline std::string Fmt(const char* f, ...) {
  char buf[256];
  va_list ap;
  va_start(ap, f);
  vsnprintf(buf, sizeof buf, f, ap);
  va_end(ap);
  return buf;
}

}  // namespace wndtest

namespace wndtest {

// A dialog template built in memory, the same bytes the resource compiler writes.
class DlgTemplate {
 public:
  DlgTemplate(LPCWSTR title, short cx, short cy, DWORD style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU) {
    Dword(style | DS_SETFONT);
    Dword(0);
    countAt_ = words_.size();
    Word(0);
    Word(0), Word(0), Word((WORD)cx), Word((WORD)cy);
    Word(0);  // no menu
    Word(0);  // standard class
    String(title);
    Word(8);
    String(L"MS Shell Dlg");
  }
  // Class ordinals: 0x80 button, 0x81 edit, 0x82 static, 0x83 list box, 0x85 combo box.
  DlgTemplate& Item(WORD classOrdinal, WORD id, LPCWSTR text, short x, short y, short cx, short cy, DWORD style) {
    if (words_.size() % 2) Word(0);  // DWORD alignment
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    Word((WORD)x), Word((WORD)y), Word((WORD)cx), Word((WORD)cy);
    Word(id);
    Word(0xFFFF);
    Word(classOrdinal);
    String(text);
    Word(0);
    ++words_[countAt_];
    return *this;
  }
  LPCDLGTEMPLATE Get() const { return (LPCDLGTEMPLATE)words_.data(); }

 private:
  void Word(WORD w) { words_.push_back(w); }
  void Dword(DWORD d) {
    Word(LOWORD(d));
    Word(HIWORD(d));
  }
  void String(LPCWSTR s) {
    for (; *s; ++s) Word(*s);
    Word(0);
  }
  std::vector<WORD> words_;
  size_t countAt_ = 0;
};

// Answers message boxes without showing them, recording their texts.
struct MessageBoxCatcher {
  static std::vector<std::wstring>& Texts() {
    static std::vector<std::wstring> t;
    return t;
  }
  static int Answer(HWND, LPCTSTR text, LPCTSTR, UINT) {
    Texts().push_back(text);
    return IDOK;
  }
  AFX_MESSAGEBOX_HOOK old;
  MessageBoxCatcher() : old(AfxSetMessageBoxHook(&Answer)) { Texts().clear(); }
  ~MessageBoxCatcher() { AfxSetMessageBoxHook(old); }
};

}  // namespace wndtest
