// Helpers of the frame tests: a message pump that settles the queue, and texts as narrow strings.
#pragma once
#include "Framework.h"
#include <string>

namespace frametest {

// Dispatches everything waiting until the queue is empty.
inline void Settle() {
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}

// Texts compared as narrow strings, so failures print them.
inline std::string N(const CString& s) { return std::string((const char*)CStringA(s)); }

}  // namespace frametest
