// The sign-in window the program uses until the account dialogs exist: e-mail, password and
// "Sign in". The sign-in's rules (digest, account cache, remembered sign-in) are the login
// dialog's (PeloraUI::CAuthLogin); this window only gives them its controls. The last e-mail
// is remembered; the password never is.
#pragma once
#include "PeloraApp.h"
#include "AuthLogin.h"
#include <memory>

namespace PeloraShell {

class CLoginWindow : public CLoginSession, public CWnd {
public:
    enum : UINT { WM_AUTH_DONE = WM_APP + 20, IDC_EMAIL = 1001, IDC_PASSWORD = 1002, IDC_SIGNIN = 1003, IDC_STATUS = 1004 };

    CLoginWindow();
    ~CLoginWindow() override;

    // The remembered account signs in by itself only when "AutoLogin" is set and "LastHash"
    // is the digest the account cache holds for it; otherwise the window asks.
    int Authenticate(int skip) override;
    void LoadLastLogin() override;
    void Logout() override;
    bool HasLoginWindow() const override { return GetSafeHwnd() != nullptr; }
    bool IsLoginWindowVisible() const override { return HasLoginWindow() && ::IsWindowVisible(GetSafeHwnd()); }
    void ShowLoginWindow() override;
    void HideLoginWindow() override;

protected:
    afx_msg int OnCreate(LPCREATESTRUCT cs);
    afx_msg void OnClose();
    afx_msg void OnSignIn();
    afx_msg LRESULT OnAuthDone(WPARAM result, LPARAM kind);
    DECLARE_MESSAGE_MAP()

    void TakeSignedIn();
    CString Address() const { return m_auth ? m_auth->Address() : CString(); }

    // made by LoadLastLogin, over the application's registry key and account cache
    std::unique_ptr<PeloraUI::CRegistryLoginSettings> m_settings;
    std::unique_ptr<PeloraUI::CAuthLogin> m_auth;
    // "AutoLogin" as the user left it: this window has no check box for it, so a sign-in
    // writes it back unchanged
    int m_autoLogin = 0;
    bool m_busy = false;
    HFONT m_font = nullptr;
};

} // namespace PeloraShell
