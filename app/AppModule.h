// The program's COM server module: the object map of the automation objects, registration
// (the AppID and URL-protocol script first) and the end of a server started by a client.
#pragma once
#include "Framework.h"
#include "AtlModule.h"

namespace PeloraShell {

class CAppModule : public CComExeModule {
public:
    // Registers (or removes) the AppID, every class and the type library in both registry views.
    HRESULT UpdateServer(bool registerIt);
    // When set, the program ends as its last automation object goes (a start by a client that
    // never showed the program to the user).
    void SetEndWithLastClient(bool end) { m_endWithLastClient = end; }

protected:
    void OnLastUnlock() override;

private:
    bool m_endWithLastClient = false;
};

// The process's module (made on first use, initialised with the object map).
CAppModule& GetAppModule();

} // namespace PeloraShell
