// The sign-in window the program uses until the account dialogs exist: e-mail, password and
// "Sign in", checked by sync thread A against the note service (or the account cache when the
// service cannot be reached). The last e-mail is remembered; the password never is.
#pragma once
#include "PeloraApp.h"

namespace PeloraShell {

class CLoginWindow : public CLoginSession, public CWnd {
public:
    enum : UINT { WM_AUTH_DONE = WM_APP + 20, IDC_EMAIL = 1001, IDC_PASSWORD = 1002, IDC_SIGNIN = 1003, IDC_STATUS = 1004 };

    CLoginWindow();
    ~CLoginWindow() override;

    // The remembered account signs in by itself only with a digest stored for it and the
    // option "AutoLogin" set; otherwise the window asks.
    int Authenticate(int) override;
    void LoadLastLogin() override;
    bool HasLoginWindow() const override { return GetSafeHwnd() != nullptr; }
    bool IsLoginWindowVisible() const override { return HasLoginWindow() && ::IsWindowVisible(GetSafeHwnd()); }
    void ShowLoginWindow() override;
    void HideLoginWindow() override;

    // The digest the service checks: MD5 of the client's fixed salt and the UTF-8 password.
    static void PasswordDigest(const CString& password, BYTE digest[16]);

protected:
    afx_msg int OnCreate(LPCREATESTRUCT cs);
    afx_msg void OnClose();
    afx_msg void OnSignIn();
    afx_msg LRESULT OnAuthDone(WPARAM result, LPARAM status);
    DECLARE_MESSAGE_MAP()

    CString m_lastLogin;
    CString m_pendingLogin;
    BYTE m_pendingDigest[16] = {};
    bool m_busy = false;
    HFONT m_font = nullptr;
};

} // namespace PeloraShell
