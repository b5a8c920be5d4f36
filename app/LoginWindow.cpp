#include "LoginWindow.h"
#include "Md5.h"
#include "TextConv.h"
#include "StringTable.h"
#include "SyncClient.h"
#include "UserAccounts.h"

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

void CLoginWindow::PasswordDigest(const CString& password, BYTE digest[16])
{
    static const char kSalt[] = "(q7w2e9rtz)54abKLmnop8yuD~8421ghj]{[}xvb}[907T";
    std::string text(kSalt);
    char* utf8 = nullptr;
    if (WideToUtf8(password, utf8) && utf8) {
        text += utf8;
        delete[] utf8;
    }
    CMD5 md5;
    md5.Init();
    md5.Update(text.data(), text.size());
    md5.Final(digest);
    SecureZeroMemory(&text[0], text.size());
}

void CLoginWindow::LoadLastLogin()
{
    m_lastLogin = AfxGetApp()->GetProfileString(L"Settings", L"LastLogin", L"");
    if (GetSafeHwnd())
        SetDlgItemText(IDC_EMAIL, m_lastLogin);
}

int CLoginWindow::Authenticate(int)
{
    if (m_lastLogin.IsEmpty() || !AfxGetApp()->GetProfileInt(L"Settings", L"AutoLogin", 0))
        return 0;
    CUserAccounts accounts;
    accounts.LoadAll();
    CUserAccountRecord* record = accounts.FindUser(m_lastLogin);
    static const BYTE zero[16] = {};
    if (!record || memcmp(record->digest, zero, 16) == 0)
        return 0;
    login = m_lastLogin;
    memcpy(digest, record->digest, 16);
    return 1;
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
    if (CWnd* focus = GetDlgItem(m_lastLogin.IsEmpty() ? IDC_EMAIL : IDC_PASSWORD))
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
        {L"STATIC", L"E-mail:", SS_LEFT, 0, {20, 22, 100, 42}},
        {L"EDIT", L"", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, IDC_EMAIL, {100, 20, 350, 44}},
        {L"STATIC", L"Password:", SS_LEFT, 0, {20, 62, 100, 82}},
        {L"EDIT", L"", ES_AUTOHSCROLL | ES_PASSWORD | WS_BORDER | WS_TABSTOP, IDC_PASSWORD, {100, 60, 350, 84}},
        {L"BUTTON", L"Sign in", BS_DEFPUSHBUTTON | WS_TABSTOP, IDC_SIGNIN, {250, 100, 350, 130}},
        {L"STATIC", L"", SS_LEFT, IDC_STATUS, {20, 145, 350, 185}},
    };
    for (const Item& it : items) {
        HWND child = CreateWindowExW(0, it.cls, it.text, WS_CHILD | WS_VISIBLE | it.style, it.rect.left, it.rect.top,
                                     it.rect.right - it.rect.left, it.rect.bottom - it.rect.top, m_hWnd,
                                     (HMENU)(INT_PTR)it.id, AfxGetInstanceHandle(), nullptr);
        if (child)
            ::SendMessageW(child, WM_SETFONT, (WPARAM)m_font, FALSE);
    }
    SetDlgItemText(IDC_EMAIL, m_lastLogin);
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
    if (!thread) {
        SetDlgItemText(IDC_STATUS, L"Pelora is still starting. Try again in a moment.");
        return;
    }
    if (Sync::CSync* client = Sync::CSyncThread::GetClient()) {
        Sync::CConnectionOptions options = client->GetConnectionOptions();
        options.dontDetectInternetConnection = (int)AfxGetApp()->GetProfileInt(L"Options.Connection", L"DontDetectInternetConnection", 0);
        client->SetConnectionOptions(options);
    }
    m_pendingLogin = email;
    PasswordDigest(password, m_pendingDigest);
    SetDlgItemText(IDC_PASSWORD, L"");
    m_busy = true;
    GetDlgItem(IDC_SIGNIN)->EnableWindow(FALSE);
    SetDlgItemText(IDC_STATUS, L"Signing in...");
    thread->PostAuthRequest(AuthDone, (void*)m_hWnd, m_pendingLogin, m_pendingDigest);
}

LRESULT CLoginWindow::OnAuthDone(WPARAM result, LPARAM status)
{
    m_busy = false;
    GetDlgItem(IDC_SIGNIN)->EnableWindow(TRUE);
    if ((int)result != 0 || (status != Sync::AUTH_ONLINE && status != Sync::AUTH_OFFLINE)) {
        SetDlgItemText(IDC_STATUS, (int)result == -3 ? L"Wrong e-mail or password."
                                                      : L"Could not sign in: the note service cannot be reached.");
        return 0;
    }
    login = m_pendingLogin;
    memcpy(digest, m_pendingDigest, 16);
    m_lastLogin = login;
    AfxGetApp()->WriteProfileString(L"Settings", L"LastLogin", login);
    CUserAccounts accounts;
    accounts.LoadAll();
    CUserAccountRecord source;
    memcpy(source.digest, digest, 16);
    accounts.SetCurrentUser(login);
    accounts.SetDigest(nullptr, &source);
    accounts.SaveUser();
    SetDlgItemText(IDC_STATUS, L"");
    if (CPeloraApp* app = GetPeloraApp())
        app->OnAuthorizationEvent(2);
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
