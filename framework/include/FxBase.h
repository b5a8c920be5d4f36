// Basic types and macros of the class layer: POSITION, ASSERT/VERIFY/TRACE, module state stubs.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <commdlg.h>  // defines the GetFileTitle name mapping the same way for every includer
#include <tchar.h>
#include <cstddef>
#include <cstdarg>

#ifndef AFX_EXT_CLASS
#define AFX_EXT_CLASS
#endif
#ifndef AFXAPI
#define AFXAPI
#endif
#define AFX_INLINE inline
#define AFX_CDECL __cdecl

// Opaque iteration cookie of the collections; BEFORE_START_POSITION asks for the first element.
struct __POSITION {};
typedef __POSITION* POSITION;
#define BEFORE_START_POSITION ((POSITION)-1L)

// Assertion failures are reported to the debugger output and never stop the program (no box:
// the program runs headless in tests). The expression is evaluated in every build.
void AfxAssertFailedLine(const char* file, int line, const char* expr);
#define ASSERT(f) do { if (!(f)) AfxAssertFailedLine(__FILE__, __LINE__, #f); } while (0)
#define VERIFY(f) ASSERT(f)
#define ASSERT_VALID(p) ASSERT((p) != nullptr)
#define ASSERT_POINTER(p, type) ASSERT((p) != nullptr)
#define ASSERT_KINDOF(cls, p) ASSERT((p) != nullptr && (p)->IsKindOf(RUNTIME_CLASS(cls)))
#define ENSURE(f) ASSERT(f)
#define UNUSED(x) ((void)(x))
#define UNUSED_ALWAYS(x) ((void)(x))
#define DEBUG_NEW new
#ifndef _countof
#define _countof(a) (sizeof(a) / sizeof((a)[0]))
#endif

// Debug output (OutputDebugString), printf-style with the string layer's format rules.
void AFX_CDECL AfxTrace(const wchar_t* format, ...);
void AFX_CDECL AfxTrace(const char* format, ...);
#define TRACE AfxTrace
#define TRACE0(s) AfxTrace(s)
#define TRACE1(s, a) AfxTrace(s, a)
#define TRACE2(s, a, b) AfxTrace(s, a, b)
#define TRACE3(s, a, b, c) AfxTrace(s, a, b, c)

// One module state for the whole program (the class layer is one shared DLL), so managing the
// state around exported calls has nothing to switch.
struct AFX_MODULE_STATE;
inline AFX_MODULE_STATE* AfxGetStaticModuleState() { return nullptr; }
inline AFX_MODULE_STATE* AfxGetModuleState() { return nullptr; }
inline AFX_MODULE_STATE* AfxGetAppModuleState() { return nullptr; }
#define AFX_MANAGE_STATE(p) ((void)(p))

// Resource modules: the program's own module first, then each registered extension DLL.
HINSTANCE AfxGetInstanceHandle();
void AfxSetInstanceHandle(HINSTANCE hInst);
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hInst);
// Adds a DLL to the end of the resource search list (no effect if it is already there).
void AfxRegisterResourceModule(HINSTANCE hModule);
void AfxUnregisterResourceModule(HINSTANCE hModule);
// The first module in the search list that holds the resource, or nullptr.
HINSTANCE AfxFindResourceHandle(LPCTSTR name, LPCTSTR type);
// The string with this id from the first module that has it: a pointer into the (read-only)
// resource and its length, or nullptr when no module has it.
const wchar_t* AfxFindStringResource(UINT id, int* length);
