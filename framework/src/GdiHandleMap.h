// Handle maps of the GDI and menu wrappers: one permanent entry per attached handle, and per
// thread the temporary wrappers FromHandle made for handles nobody attached.
#pragma once
#include <windows.h>
#include <atomic>
#include <mutex>
#include <unordered_map>
#include <vector>

// The live-handle figure behind AfxGetGdiObjectCount.
extern std::atomic<long> g_fxGdiLive;

template <class T, class H>
class FxHandleMap {
 public:
  void SetPermanent(H h, T* obj) {
    std::lock_guard<std::mutex> g(m_lock);
    m_permanent[h] = obj;
  }
  // Forgets `h` only while it still belongs to `obj` (another wrapper may have taken it since).
  void RemovePermanent(H h, T* obj) {
    std::lock_guard<std::mutex> g(m_lock);
    auto it = m_permanent.find(h);
    if (it != m_permanent.end() && it->second == obj) m_permanent.erase(it);
  }
  T* LookupPermanent(H h) {
    std::lock_guard<std::mutex> g(m_lock);
    auto it = m_permanent.find(h);
    return it == m_permanent.end() ? nullptr : it->second;
  }
  // The permanent wrapper, else this thread's temporary one, made by `make` on first request.
  template <class Make>
  T* FromHandle(H h, Make make) {
    if (!h) return nullptr;
    std::lock_guard<std::mutex> g(m_lock);
    auto it = m_permanent.find(h);
    if (it != m_permanent.end()) return it->second;
    auto& temps = m_temporary[GetCurrentThreadId()];
    auto t = temps.find(h);
    if (t != temps.end()) return t->second;
    T* obj = make(h);
    temps[h] = obj;
    return obj;
  }
  // Frees this thread's temporaries; `release` takes the handle out of a wrapper first so that
  // its destructor leaves the handle alone.
  template <class Release>
  void DeleteTemporaries(Release release) {
    std::vector<T*> doomed;
    {
      std::lock_guard<std::mutex> g(m_lock);
      auto it = m_temporary.find(GetCurrentThreadId());
      if (it == m_temporary.end()) return;
      for (auto& e : it->second) doomed.push_back(e.second);
      m_temporary.erase(it);
    }
    for (T* obj : doomed) {
      release(obj);
      delete obj;
    }
  }

 private:
  std::mutex m_lock;
  std::unordered_map<H, T*> m_permanent;
  std::unordered_map<DWORD, std::unordered_map<H, T*>> m_temporary;
};
