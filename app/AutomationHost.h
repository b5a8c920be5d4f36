// What the automation objects ask of the application. CPeloraApp implements it; tests give the
// objects a host of their own over a notebook on a temporary database.
#pragma once
#include "Framework.h"

namespace Pelora { class CNotebook; class CFolderItem; }

namespace PeloraShell {

class IAutomationHost {
public:
    virtual ~IAutomationHost() {}
    // The deferred start-up has run.
    virtual bool IsAppInited() = 0;
    // Keeps the program alive after the client lets go (show) and brings the main window up.
    virtual HRESULT ShowApp(bool show) = 0;
    virtual HRESULT GetLoginState(long* state) = 0;
    virtual HRESULT ShowAuthWindow(VARIANT_BOOL showMainWnd) = 0;
    virtual HRESULT ExecCmd(const CString& command, long* result) = 0;
    // The signed-in user's notebook; null when there is none.
    virtual Pelora::CNotebook* GetNotebook() = 0;
    // Counts profile loads and unloads: an object made for one notebook answers E_FAIL in the next.
    virtual int GetProfileGeneration() = 0;
    // Imports the notes of an XML descriptor into folder: 0 when notes were made, -1 when the
    // descriptor was unreadable or made no note, else the number of files named in it that were
    // refused (the notes were made without them).
    virtual int ImportNotes(Pelora::CFolderItem* folder, const wchar_t* descriptor) = 0;
};

// The process's host (not owned); null answers E_FAIL everywhere.
void SetAutomationHost(IAutomationHost* host);
IAutomationHost* GetAutomationHost();

} // namespace PeloraShell
