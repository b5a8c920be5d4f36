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
