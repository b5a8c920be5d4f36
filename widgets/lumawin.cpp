// Lumawin.dll: the skinned widget library. Its own resources load from this module; skins
// are found in the whole process, the program first.
#include "LWSkinPaint.h"

namespace {
HINSTANCE g_module = nullptr;
}

HINSTANCE LWModuleHandle()
{
    return g_module;
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = module;
        AfxRegisterResourceModule(module);
    } else if (reason == DLL_PROCESS_DETACH) {
        AfxUnregisterResourceModule(module);
    }
    return TRUE;
}
