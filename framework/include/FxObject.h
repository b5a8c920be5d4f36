// CObject with its runtime-class record (kind tests, creation by class or by name) and the
// exception classes, thrown as pointers and released with Delete().
#pragma once
#include "FxString.h"

class CObject;

// One record per class. The base is reached through a function so that a record in the program
// can name a base class that lives in the framework DLL without a cross-module data reference.
struct CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;
  CObject* (*m_pfnCreateObject)();
  CRuntimeClass* (*m_pfnGetBaseClass)();
  CRuntimeClass* m_pNextClass;  // registry of every class, for FromName

  CObject* CreateObject() const;  // nullptr for a class without dynamic creation
  BOOL IsDerivedFrom(const CRuntimeClass* base) const;
  CRuntimeClass* GetBaseClass() const { return m_pfnGetBaseClass ? m_pfnGetBaseClass() : nullptr; }
  static CRuntimeClass* FromName(LPCSTR className);
  static CRuntimeClass* FromName(LPCWSTR className);
  static CObject* CreateObject(LPCSTR className);
  static CObject* CreateObject(LPCWSTR className);
};

// Links a record into the registry when its module is loaded.
struct AFX_CLASSINIT {
  explicit AFX_CLASSINIT(CRuntimeClass* cls);
};

#define RUNTIME_CLASS(cls) (&cls::class##cls)

#define DECLARE_DYNAMIC(cls)                          \
 public:                                              \
  static CRuntimeClass class##cls;                    \
  static CRuntimeClass* _GetBaseClass();              \
  CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(cls) \
  DECLARE_DYNAMIC(cls)         \
  static CObject* CreateObject();

#define DECLARE_SERIAL(cls) DECLARE_DYNCREATE(cls)

#define FX_IMPLEMENT_RUNTIMECLASS(cls, base, schema, create)                                  \
  CRuntimeClass* cls::_GetBaseClass() { return RUNTIME_CLASS(base); }                        \
  CRuntimeClass cls::class##cls = {#cls, (int)sizeof(cls), schema, create, &cls::_GetBaseClass, \
                                   nullptr};                                                 \
  static AFX_CLASSINIT _fx_init_##cls(&cls::class##cls);                                     \
  CRuntimeClass* cls::GetRuntimeClass() const { return RUNTIME_CLASS(cls); }

#define IMPLEMENT_DYNAMIC(cls, base) FX_IMPLEMENT_RUNTIMECLASS(cls, base, 0xFFFF, nullptr)
#define IMPLEMENT_DYNCREATE(cls, base)                     \
  CObject* cls::CreateObject() { return new cls; }         \
  FX_IMPLEMENT_RUNTIMECLASS(cls, base, 0xFFFF, &cls::CreateObject)
#define IMPLEMENT_SERIAL(cls, base, schema)                \
  CObject* cls::CreateObject() { return new cls; }         \
  FX_IMPLEMENT_RUNTIMECLASS(cls, base, schema, &cls::CreateObject)

class CObject {
 public:
  static CRuntimeClass classCObject;
  static CRuntimeClass* _GetBaseClass() { return nullptr; }
  virtual CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject() {}
  BOOL IsKindOf(const CRuntimeClass* cls) const;
  BOOL IsSerializable() const { return GetRuntimeClass()->m_wSchema != 0xFFFF; }
  virtual void AssertValid() const {}

 protected:
  CObject() {}

 private:
  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;
};

// ---------------------------------------------------------------------------------------------
// Exceptions: thrown as `new X`, caught as `X*`, released with Delete().

class CException : public CObject {
  DECLARE_DYNAMIC(CException)
 public:
  explicit CException(BOOL autoDelete = TRUE) : m_bAutoDelete(autoDelete) {}
  void Delete() { if (m_bAutoDelete) delete this; }
  // A one-line description; FALSE when there is none.
  virtual BOOL GetErrorMessage(LPTSTR error, UINT maxChars, PUINT helpContext = nullptr) const;
  BOOL m_bAutoDelete;
};

class CSimpleException : public CException {
  DECLARE_DYNAMIC(CSimpleException)
 public:
  explicit CSimpleException(LPCTSTR message = L"") : m_message(message) {}
  BOOL GetErrorMessage(LPTSTR error, UINT maxChars, PUINT helpContext = nullptr) const override;

 protected:
  CString m_message;
};

class CMemoryException : public CSimpleException {
  DECLARE_DYNAMIC(CMemoryException)
 public:
  CMemoryException() : CSimpleException(L"Out of memory.") {}
};

class CNotSupportedException : public CSimpleException {
  DECLARE_DYNAMIC(CNotSupportedException)
 public:
  CNotSupportedException() : CSimpleException(L"The operation is not supported.") {}
};

class CInvalidArgException : public CSimpleException {
  DECLARE_DYNAMIC(CInvalidArgException)
 public:
  CInvalidArgException() : CSimpleException(L"Invalid argument.") {}
};

class CResourceException : public CSimpleException {
  DECLARE_DYNAMIC(CResourceException)
 public:
  CResourceException() : CSimpleException(L"A window or resource could not be created.") {}
};

class CUserException : public CSimpleException {
  DECLARE_DYNAMIC(CUserException)
 public:
  CUserException() : CSimpleException(L"The operation was cancelled.") {}
};

[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowNotSupportedException();
[[noreturn]] void AfxThrowInvalidArgException();
[[noreturn]] void AfxThrowResourceException();
[[noreturn]] void AfxThrowUserException();

// TRY/CATCH blocks in the framework's style: a caught exception is deleted at the end of its
// CATCH block unless the block rethrows it with THROW_LAST().
struct FxExceptionHolder {
  CException* p;
  explicit FxExceptionHolder(CException* e) : p(e) {}
  ~FxExceptionHolder() { if (p) p->Delete(); }
  FxExceptionHolder(const FxExceptionHolder&) = delete;
  FxExceptionHolder& operator=(const FxExceptionHolder&) = delete;
};
#define TRY try
#define CATCH(cls, e) catch (cls * e) { FxExceptionHolder _fx_holder(e);
#define AND_CATCH(cls, e) } catch (cls * e) { FxExceptionHolder _fx_holder(e);
#define END_CATCH }
#define CATCH_ALL(e) CATCH(CException, e)
#define AND_CATCH_ALL(e) AND_CATCH(CException, e)
#define END_CATCH_ALL END_CATCH
#define THROW(e) throw e
#define THROW_LAST() do { _fx_holder.p = nullptr; throw; } while (0)
