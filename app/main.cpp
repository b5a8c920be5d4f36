// Pelora.exe's entry: the one application object, run by the framework's WinMain.
#include "PeloraApp.h"

static PeloraShell::CPeloraApp theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show)
{
    return AfxWinMain(instance, previous, commandLine, show);
}
