// Runtime-class records, their registry, and the simple exceptions.
#include "Framework.h"
#include <mutex>

namespace {
std::mutex& RegistryLock() {
  static std::mutex m;
  return m;
}
CRuntimeClass*& RegistryHead() {
  static CRuntimeClass* head = nullptr;
  return head;
}
}  // namespace

AFX_CLASSINIT::AFX_CLASSINIT(CRuntimeClass* cls) {
  std::lock_guard<std::mutex> g(RegistryLock());
  cls->m_pNextClass = RegistryHead();
  RegistryHead() = cls;
}

CObject* CRuntimeClass::CreateObject() const {
  return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  for (const CRuntimeClass* c = this; c; c = c->GetBaseClass())
    if (c == base) return TRUE;
  return FALSE;
}

CRuntimeClass* CRuntimeClass::FromName(LPCSTR className) {
  if (!className) return nullptr;
  std::lock_guard<std::mutex> g(RegistryLock());
  for (CRuntimeClass* c = RegistryHead(); c; c = c->m_pNextClass)
    if (strcmp(c->m_lpszClassName, className) == 0) return c;
  return nullptr;
}

CRuntimeClass* CRuntimeClass::FromName(LPCWSTR className) {
  return className ? FromName(CStringA(className).GetString()) : nullptr;
}

CObject* CRuntimeClass::CreateObject(LPCSTR className) {
  CRuntimeClass* c = FromName(className);
  return c ? c->CreateObject() : nullptr;
}

CObject* CRuntimeClass::CreateObject(LPCWSTR className) {
  CRuntimeClass* c = FromName(className);
  return c ? c->CreateObject() : nullptr;
}

CRuntimeClass CObject::classCObject = {"CObject", (int)sizeof(CObject), 0xFFFF, nullptr, nullptr, nullptr};
static AFX_CLASSINIT _fx_init_CObject(&CObject::classCObject);

CRuntimeClass* CObject::GetRuntimeClass() const { return RUNTIME_CLASS(CObject); }

BOOL CObject::IsKindOf(const CRuntimeClass* cls) const {
  return GetRuntimeClass()->IsDerivedFrom(cls);
}

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CSimpleException, CException)
IMPLEMENT_DYNAMIC(CMemoryException, CSimpleException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CSimpleException)
IMPLEMENT_DYNAMIC(CInvalidArgException, CSimpleException)
IMPLEMENT_DYNAMIC(CResourceException, CSimpleException)
IMPLEMENT_DYNAMIC(CUserException, CSimpleException)

BOOL CException::GetErrorMessage(LPTSTR error, UINT maxChars, PUINT helpContext) const {
  if (helpContext) *helpContext = 0;
  if (error && maxChars) *error = 0;
  return FALSE;
}

BOOL CSimpleException::GetErrorMessage(LPTSTR error, UINT maxChars, PUINT helpContext) const {
  if (helpContext) *helpContext = 0;
  if (!error || !maxChars) return FALSE;
  lstrcpynW(error, m_message, (int)maxChars);
  return !m_message.IsEmpty();
}

void AfxThrowMemoryException() { throw new CMemoryException; }
void AfxThrowNotSupportedException() { throw new CNotSupportedException; }
void AfxThrowInvalidArgException() { throw new CInvalidArgException; }
void AfxThrowResourceException() { throw new CResourceException; }
void AfxThrowUserException() { throw new CUserException; }
