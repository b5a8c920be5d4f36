#include "Framework.h"

IMPLEMENT_DYNAMIC(CSyncObject, CObject)
IMPLEMENT_DYNAMIC(CCriticalSection, CSyncObject)
IMPLEMENT_DYNAMIC(CMutex, CSyncObject)
IMPLEMENT_DYNAMIC(CEvent, CSyncObject)
IMPLEMENT_DYNAMIC(CSemaphore, CSyncObject)

CSyncObject::~CSyncObject() {
  if (m_hObject) ::CloseHandle(m_hObject);
}

BOOL CSyncObject::Lock(DWORD timeout) {
  DWORD r = ::WaitForSingleObject(m_hObject, timeout);
  return r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
}

CCriticalSection::CCriticalSection() { ::InitializeCriticalSection(&m_sect); }
CCriticalSection::~CCriticalSection() { ::DeleteCriticalSection(&m_sect); }

CMutex::CMutex(BOOL initiallyOwn, LPCTSTR name, LPSECURITY_ATTRIBUTES sa) {
  m_hObject = ::CreateMutexW(sa, initiallyOwn, name);
  if (!m_hObject) AfxThrowResourceException();
}

CEvent::CEvent(BOOL initiallyOwn, BOOL manualReset, LPCTSTR name, LPSECURITY_ATTRIBUTES sa) {
  m_hObject = ::CreateEventW(sa, manualReset, initiallyOwn, name);
  if (!m_hObject) AfxThrowResourceException();
}

CSemaphore::CSemaphore(LONG initialCount, LONG maxCount, LPCTSTR name, LPSECURITY_ATTRIBUTES sa) {
  m_hObject = ::CreateSemaphoreW(sa, initialCount, maxCount, name);
  if (!m_hObject) AfxThrowResourceException();
}

CSingleLock::CSingleLock(CSyncObject* object, BOOL initialLock) : m_pObject(object) {
  if (initialLock) Lock();
}

BOOL CSingleLock::Lock(DWORD timeout) {
  if (!m_bAcquired && m_pObject) m_bAcquired = m_pObject->Lock(timeout);
  return m_bAcquired;
}

BOOL CSingleLock::Unlock() {
  if (m_bAcquired && m_pObject) m_bAcquired = !m_pObject->Unlock();
  return !m_bAcquired;
}
