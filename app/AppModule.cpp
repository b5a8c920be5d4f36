#include "AppModule.h"
#include "Automation.h"
#include "PeloraApp.h"

namespace PeloraShell {

CAppModule& GetAppModule()
{
    static CAppModule module;
    static bool inited = false;
    if (!inited) {
        inited = true;
        module.Init(GetObjectMap(), GetModuleHandleW(nullptr), &LIBID_PeloraLib);
        module.SetAppId(kPeloraAppId, IDR_PELORA_APPID);
    }
    return module;
}

HRESULT CAppModule::UpdateServer(bool registerIt)
{
    return registerIt ? RegisterServer(TRUE) : UnregisterServer(TRUE);
}

void CAppModule::OnLastUnlock()
{
    if (!m_endWithLastClient)
        return;
    // posted: the client's last Release must return before the program goes
    CPeloraApp* app = GetPeloraApp();
    if (app && app->m_pMainWnd && app->m_pMainWnd->GetSafeHwnd() && !app->m_pMainWnd->IsWindowVisible())
        app->m_pMainWnd->PostMessage(WM_COMMAND, ID_APP_EXIT, 0);
}

} // namespace PeloraShell
