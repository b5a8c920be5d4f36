// The DLL's frame: its module (class objects, registration) and the things every part uses:
// the DLL's instance for resources and the one way the add-in tells the user something.
#pragma once
#include <windows.h>
#include <string>

namespace Mailvane {

HINSTANCE ModuleInstance();

// Tells the user something went wrong (a message box of the mail client's thread, with no
// owner). A host may take the text instead: see MailvaneSetReportHook.
void ReportToUser(const std::wstring& text);

// The ribbon XML resource id as a wide string (empty when missing).
std::wstring LoadRibbonXml(UINT id);

// The add-in's icon at size x size, loaded once and kept until the DLL unloads.
HICON AddInIcon(int size);

// The ProgID of the program's application object. A test may name a stand-in instead through
// the environment variable PELORA_AUTOMATION_PROGID.
std::wstring ProgramProgId();

}  // namespace Mailvane

extern "C" {
// The report hook: when set, ReportToUser hands the text to it instead of showing a box.
typedef void(WINAPI* MailvaneReportHook)(LPCWSTR text);
__declspec(dllexport) void WINAPI MailvaneSetReportHook(MailvaneReportHook hook);
}
