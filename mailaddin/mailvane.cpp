// Mailvane.dll: the mail-client add-in (in-process COM server loaded by the mail client).
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
