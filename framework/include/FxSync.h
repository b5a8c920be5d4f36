// Synchronisation objects over Win32 handles, and CSingleLock to hold one for a scope.
#pragma once
#include "FxObject.h"

class CSyncObject : public CObject {
  DECLARE_DYNAMIC(CSyncObject)
 public:
  explicit CSyncObject(LPCTSTR name = nullptr) { (void)name; }
  ~CSyncObject() override;
  virtual BOOL Lock(DWORD timeout = INFINITE);  // TRUE when the object was acquired in time
  virtual BOOL Unlock() = 0;
  operator HANDLE() const { return m_hObject; }
  HANDLE m_hObject = nullptr;
};

class CCriticalSection : public CSyncObject {
  DECLARE_DYNAMIC(CCriticalSection)
 public:
  CCriticalSection();
  ~CCriticalSection() override;
  BOOL Lock() { ::EnterCriticalSection(&m_sect); return TRUE; }
  BOOL Lock(DWORD) override { return Lock(); }  // waits without a time limit
  BOOL Unlock() override { ::LeaveCriticalSection(&m_sect); return TRUE; }
  operator CRITICAL_SECTION*() { return &m_sect; }
  CRITICAL_SECTION m_sect;
};

class CMutex : public CSyncObject {
  DECLARE_DYNAMIC(CMutex)
 public:
  explicit CMutex(BOOL initiallyOwn = FALSE, LPCTSTR name = nullptr, LPSECURITY_ATTRIBUTES sa = nullptr);
  BOOL Unlock() override { return ::ReleaseMutex(m_hObject); }
};

class CEvent : public CSyncObject {
  DECLARE_DYNAMIC(CEvent)
 public:
  // initiallyOwn: created signalled. A named event that already exists is opened as it is.
  explicit CEvent(BOOL initiallyOwn = FALSE, BOOL manualReset = FALSE, LPCTSTR name = nullptr,
                  LPSECURITY_ATTRIBUTES sa = nullptr);
  BOOL SetEvent() { return ::SetEvent(m_hObject); }
  BOOL ResetEvent() { return ::ResetEvent(m_hObject); }
  BOOL PulseEvent() { return ::PulseEvent(m_hObject); }
  BOOL Unlock() override { return TRUE; }
};

class CSemaphore : public CSyncObject {
  DECLARE_DYNAMIC(CSemaphore)
 public:
  explicit CSemaphore(LONG initialCount = 1, LONG maxCount = 1, LPCTSTR name = nullptr,
                      LPSECURITY_ATTRIBUTES sa = nullptr);
  BOOL Unlock() override { return ::ReleaseSemaphore(m_hObject, 1, nullptr); }
  BOOL Unlock(LONG count, LPLONG previous = nullptr) { return ::ReleaseSemaphore(m_hObject, count, previous); }
};

// Acquires on Lock (or at construction) and releases on Unlock or at the end of the scope.
class CSingleLock {
 public:
  explicit CSingleLock(CSyncObject* object, BOOL initialLock = FALSE);
  ~CSingleLock() { Unlock(); }
  BOOL Lock(DWORD timeout = INFINITE);
  BOOL Unlock();
  BOOL IsLocked() const { return m_bAcquired; }

 private:
  CSingleLock(const CSingleLock&) = delete;
  CSingleLock& operator=(const CSingleLock&) = delete;
  CSyncObject* m_pObject;
  BOOL m_bAcquired = FALSE;
};
