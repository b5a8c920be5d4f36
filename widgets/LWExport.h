// Export and import of the library's classes and C functions: Lumawin.dll builds with
// LUMAWIN_BUILD defined; the program and the tests import.
#pragma once

#ifdef LUMAWIN_BUILD
#define LWAPI __declspec(dllexport)
#else
#define LWAPI __declspec(dllimport)
#endif

// C functions are exported with their plain names.
#define LWAPI_C extern "C" LWAPI
