#include "LoginWindow.h"
#include "SyncClient.h"

namespace PeloraShell {

BEGIN_MESSAGE_MAP(CLoginWindow, CWnd)
    ON_WM_CREATE()
    ON_WM_CLOSE()
    ON_COMMAND(IDC_SIGNIN, OnSignIn)
    ON_MESSAGE(WM_AUTH_DONE, OnAuthDone)
END_MESSAGE_MAP()

namespace {

// Called on sync thread A: the answer goes back to the window's thread.
void AuthDone(void* userData, Sync::CSyncThread*, Sync::AuthRequest* request)
{
    HWND wnd = (HWND)userData;
    if (::IsWindow(wnd))
        ::PostMessageW(wnd, CLoginWindow::WM_AUTH_DONE, (WPARAM)request->result, (LPARAM)request->status);
}

} // namespace

CLoginWindow::CLoginWindow() {}

CLoginWindow::~CLoginWindow()
{
    if (GetSafeHwnd())
        DestroyWindow();
    if (m_font)
        DeleteObject(m_font);
}

void CLoginWindow::LoadLastLogin()
{
    CPeloraApp* app = GetPeloraApp();
    if (!m_auth && app && app->GetAccounts()) {
        CString key = PeloraUI::CRegistryLoginSettings::kDefaultKey;
        if (app->m_pszRegistryKey && app->m_pszProfileName)
            key = CString(L"Software\\") + app->m_pszRegistryKey + L"\\" + app->m_pszProfileName + L"\\Settings";
        m_settings.reset(new PeloraUI::CRegistryLoginSettings(key));
        // no client: the application gives the signed-in account to the sync side itself
        m_auth.reset(new PeloraUI::CAuthLogin(*m_settings, *app->GetAccounts(), nullptr));
    }
    if (!m_auth)
        return;
    m_autoLogin = m_settings->GetInt(L"AutoLogin", 0);
    m_auth->LoadLastLogin(nullptr);
    if (GetSafeHwnd())
        SetDlgItemText(IDC_EMAIL, Address());
}

int CLoginWindow::Authenticate(int skip)
{
    // without a remembered sign-in the digest is empty: nothing to check against the cache
    if (!m_auth || !m_auth->RememberMe() || !m_auth->Authenticate(skip))
        return 0;
    TakeSignedIn();
    return 1;
}

void CLoginWindow::TakeSignedIn()
{
    login = m_auth->SignedInAddress();
    memcpy(digest, m_auth->Digest(), sizeof digest);
}

void CLoginWindow::Logout()
{
    CLoginSession::Logout();
    if (m_auth)
        m_auth->Logout();
}

void CLoginWindow::ShowLoginWindow()
{
    if (!GetSafeHwnd()) {
        LPCTSTR cls = AfxRegisterWndClass(0, ::LoadCursor(nullptr, IDC_ARROW), (HBRUSH)(COLOR_BTNFACE + 1),
                                          ::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(220)));
        int w = 380, h = 230;
        int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
        if (!CreateEx(0, cls, L"Pelora Note - Sign in", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_BORDER,
                      CRect(x, y, x + w, y + h), nullptr, 0))
            return;
    }
    ShowWindow(SW_SHOW);
    SetActiveWindow();
    SetForegroundWindow();
    if (CWnd* focus = GetDlgItem(Address().IsEmpty() ? IDC_EMAIL : IDC_PASSWORD))
        focus->SetFocus();
}

void CLoginWindow::HideLoginWindow()
{
    if (GetSafeHwnd())
        ShowWindow(SW_HIDE);
}

int CLoginWindow::OnCreate(LPCREATESTRUCT cs)
{
    if (CWnd::OnCreate(cs) == -1)
        return -1;
    NONCLIENTMETRICSW metrics = {sizeof metrics};
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    m_font = CreateFontIndirectW(&metrics.lfMessageFont);
    struct Item {
        const wchar_t* cls;
        const wchar_t* text;
        DWORD style;
        int id;
        RECT rect;
    } items[] = {
        // edits one line high (a single-line edit puts its text at the top), labels on their text
        {L"STATIC", L"E-mail:", SS_LEFT, 0, {20, 24, 100, 42}},
        {L"EDIT", L"", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, IDC_EMAIL, {100, 20, 350, 41}},
        {L"STATIC", L"Password:", SS_LEFT, 0, {20, 62, 100, 80}},
        {L"EDIT", L"", ES_AUTOHSCROLL | ES_PASSWORD | WS_BORDER | WS_TABSTOP, IDC_PASSWORD, {100, 58, 350, 79}},
        {L"BUTTON", L"Sign in", BS_DEFPUSHBUTTON | WS_TABSTOP, IDC_SIGNIN, {250, 96, 350, 121}},
        {L"STATIC", L"", SS_LEFT, IDC_STATUS, {20, 137, 350, 177}},
    };
    for (const Item& it : items) {
        HWND child = CreateWindowExW(0, it.cls, it.text, WS_CHILD | WS_VISIBLE | it.style, it.rect.left, it.rect.top,
                                     it.rect.right - it.rect.left, it.rect.bottom - it.rect.top, m_hWnd,
                                     (HMENU)(INT_PTR)it.id, AfxGetInstanceHandle(), nullptr);
        if (child)
            ::SendMessageW(child, WM_SETFONT, (WPARAM)m_font, FALSE);
    }
    SetDlgItemText(IDC_EMAIL, Address());
    return 0;
}

void CLoginWindow::OnSignIn()
{
    if (m_busy)
        return;
    CString email, password;
    GetDlgItemText(IDC_EMAIL, email);
    GetDlgItemText(IDC_PASSWORD, password);
    email.Trim();
    Sync::CSyncThread* thread = Sync::CSyncThread::GetThreadA();
    if (email.IsEmpty() || password.IsEmpty()) {
        SetDlgItemText(IDC_STATUS, L"Enter your e-mail and password.");
        return;
    }
    if (!thread || !m_auth) {
        SetDlgItemText(IDC_STATUS, L"Pelora is still starting. Try again in a moment.");
        return;
    }
    if (Sync::CSync* client = Sync::CSyncThread::GetClient()) {
        Sync::CConnectionOptions options = client->GetConnectionOptions();
        options.dontDetectInternetConnection = (int)AfxGetApp()->GetProfileInt(L"Options.Connection", L"DontDetectInternetConnection", 0);
        client->SetConnectionOptions(options);
    }
    SetDlgItemText(IDC_PASSWORD, L"");
    m_busy = true;
    GetDlgItem(IDC_SIGNIN)->EnableWindow(FALSE);
    SetDlgItemText(IDC_STATUS, L"Signing in...");
    if (m_auth->BeginSignIn(email, password, m_autoLogin) == PeloraUI::CAuthLogin::Start::Cached)
        PostMessage(WM_AUTH_DONE, 0, PeloraUI::AUTH_KIND_CACHE);
    else
        thread->PostAuthRequest(AuthDone, (void*)m_hWnd, m_auth->Address(), m_auth->Digest());
}

LRESULT CLoginWindow::OnAuthDone(WPARAM result, LPARAM kind)
{
    m_busy = false;
    GetDlgItem(IDC_SIGNIN)->EnableWindow(TRUE);
    PeloraUI::CAuthLogin::Outcome outcome = m_auth->Complete((int)result, (int)kind);
    if (outcome == PeloraUI::CAuthLogin::Outcome::Refused) {
        bool wrong = (int)result == -3 || (int)result == -5;   // wrong password, unknown address
        SetDlgItemText(IDC_STATUS, wrong ? L"Wrong e-mail or password."
                                         : L"Could not sign in: the note service cannot be reached.");
        return 0;
    }
    SetDlgItemText(IDC_STATUS, L"");
    if (outcome == PeloraUI::CAuthLogin::Outcome::SignedIn)
        TakeSignedIn();
    if (CPeloraApp* app = GetPeloraApp())
        app->OnAuthorizationEvent(outcome == PeloraUI::CAuthLogin::Outcome::SignedIn ? 2 : 0);
    return 0;
}

void CLoginWindow::OnClose()
{
    // closing the window without signing in ends a start that nobody else holds
    ShowWindow(SW_HIDE);
    if (CPeloraApp* app = GetPeloraApp())
        app->OnAuthorizationEvent(0);
}

} // namespace PeloraShell
