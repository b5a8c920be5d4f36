// The DllMain of a DLL that carries framework_static and an application object of its own.
// Only in the static library, and alone in its object file: the linker takes it only for a DLL
// that defines no DllMain itself (a program never asks for one).
#include "Framework.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  return AfxDllAppMain(instance, reason);
}
