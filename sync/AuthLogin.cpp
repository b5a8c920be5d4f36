#include "AuthLogin.h"
#include "Md5.h"
#include "StringTable.h"
#include "SyncClient.h"
#include "TextConv.h"
#include "UserAccounts.h"
#include <string>

namespace PeloraUI {

const char kPasswordSalt[] = "(q7w2e9rtz)54abKLmnop8yuD~8421ghj]{[}xvb}[907T";
const wchar_t* const CRegistryLoginSettings::kDefaultKey = L"Software\\Quendale\\Pelora\\Settings";

const LoginText kLoginTexts[9] = {
    {1328, L"Login to Pelora Note"},
    {1321, L"E-mail address:"},
    {1322, L"Password:"},
    {1323, L"Login"},
    {1324, L"Remember me"},
    {1325, L"I forgot my password"},
    {1326, L"Don't have an account? Start\nsaving your notes now!"},
    {1327, L"Register an account for free"},
    {IDS_AUTH_FAILED, L"Auth Failed. Please check your Login and Password and try again."},
};

CString GetLoginText(int id)
{
    for (const LoginText& t : kLoginTexts)
        if (t.id == id)
            return GetLangString(id, t.text);
    return GetLangString(id);
}

void PasswordDigest(const wchar_t* password, BYTE digest[16])
{
    CMD5 md5;
    md5.Init();
    md5.Update(kPasswordSalt, sizeof kPasswordSalt - 1);
    char* utf8 = nullptr;
    if (int size = WideToUtf8(password, utf8)) {
        md5.Update(utf8, (size_t)size - 1);   // not its terminator
        SecureZeroMemory(utf8, (size_t)size);
        delete[] utf8;
    }
    md5.Final(digest);
}

// --- the registry ---

CString CRegistryLoginSettings::GetString(const wchar_t* name, const wchar_t* fallback)
{
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, m_keyPath, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS || size < 2)
        return CString(fallback ? fallback : L"");
    std::wstring text(size / 2, L'\0');
    if (RegGetValueW(HKEY_CURRENT_USER, m_keyPath, name, RRF_RT_REG_SZ, nullptr, &text[0], &size) != ERROR_SUCCESS)
        return CString(fallback ? fallback : L"");
    return CString(text.c_str());
}

int CRegistryLoginSettings::GetInt(const wchar_t* name, int fallback)
{
    DWORD value = 0, size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, m_keyPath, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return fallback;
    return (int)value;
}

bool CRegistryLoginSettings::GetBinary(const wchar_t* name, std::vector<BYTE>& out)
{
    out.clear();
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, m_keyPath, name, RRF_RT_REG_BINARY, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return false;
    out.resize(size);
    if (size && RegGetValueW(HKEY_CURRENT_USER, m_keyPath, name, RRF_RT_REG_BINARY, nullptr, out.data(), &size) != ERROR_SUCCESS) {
        out.clear();
        return false;
    }
    out.resize(size);
    return true;
}

bool CRegistryLoginSettings::Write(const wchar_t* name, DWORD type, const void* bytes, DWORD size)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, m_keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExW(key, name, 0, type, (const BYTE*)bytes, size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool CRegistryLoginSettings::WriteString(const wchar_t* name, const wchar_t* value)
{
    if (!value)
        value = L"";
    return Write(name, REG_SZ, value, (DWORD)((wcslen(value) + 1) * sizeof(wchar_t)));
}

bool CRegistryLoginSettings::WriteInt(const wchar_t* name, int value)
{
    DWORD v = (DWORD)value;
    return Write(name, REG_DWORD, &v, sizeof v);
}

bool CRegistryLoginSettings::WriteBinary(const wchar_t* name, const BYTE* bytes, size_t size)
{
    return Write(name, REG_BINARY, bytes, (DWORD)size);
}

// --- the sign-in ---

CAuthLogin::CAuthLogin(ILoginSettings& settings, CUserAccounts& accounts, Sync::CSync* client)
    : m_settings(settings), m_accounts(accounts), m_client(client)
{
}

void CAuthLogin::LoadLastLogin(const wchar_t* address)
{
    m_address = address ? CString(address) : m_settings.GetString(L"LastLogin", L"");
    m_rememberMe = m_settings.GetInt(L"AutoLogin", 0);
    memset(m_digest, 0, sizeof m_digest);
    if (m_rememberMe == 1) {
        std::vector<BYTE> hash;
        if (m_settings.GetBinary(L"LastHash", hash) && hash.size() == sizeof m_digest &&
            m_accounts.CheckOfflineLogin(m_address, hash.data())) {
            memcpy(m_digest, hash.data(), sizeof m_digest);
            return;
        }
    }
    m_rememberMe = 0;
}

bool CAuthLogin::Authenticate(int skip)
{
    if (skip || m_address.IsEmpty() || !m_accounts.CheckOfflineLogin(m_address, m_digest))
        return false;
    GiveCredentials();
    m_signedInAddress = m_address;
    m_signedIn = 1;
    return true;
}

CAuthLogin::Start CAuthLogin::BeginSignIn(const wchar_t* address, const wchar_t* password, int rememberMe)
{
    CString trimmed(address ? address : L"");
    trimmed.TrimLeft();
    trimmed.TrimRight();
    m_rememberMe = rememberMe;
    PasswordDigest(password, m_digest);
    // what the service will see: an address that does not survive UTF-8 is sent as it arrives
    m_address.Empty();
    char* utf8 = nullptr;
    if (WideToUtf8(trimmed, utf8)) {
        Utf8ToWide(utf8, m_address);
        delete[] utf8;
    }
    GiveCredentials();
    if (Authenticate(0)) {
        m_settings.WriteBinary(L"LastHash", m_digest, sizeof m_digest);
        return Start::Cached;
    }
    return Start::AskService;
}

CAuthLogin::Outcome CAuthLogin::Complete(int result, int kind)
{
    if (kind != AUTH_KIND_CACHE && kind != AUTH_KIND_SERVICE) {
        ClearCredentials();
        return Outcome::Refused;
    }
    if (result != 0)
        return Outcome::Cancelled;
    GiveCredentials();
    m_settings.WriteInt(L"AutoLogin", m_rememberMe);
    m_settings.WriteString(L"LastLogin", m_address);
    {
        auto lock = m_accounts.Lock();
        m_accounts.SetCurrentUser(m_address);
        CUserAccountRecord source;
        memcpy(source.digest, m_digest, sizeof m_digest);
        m_accounts.SetDigest(nullptr, &source);
        m_accounts.SaveUser();
    }
    Authenticate(0);
    return Outcome::SignedIn;
}

void CAuthLogin::Cancel(int rememberMe)
{
    m_rememberMe = rememberMe;
    if (!rememberMe)
        m_settings.WriteInt(L"AutoLogin", 0);
}

void CAuthLogin::Logout()
{
    m_rememberMe = 0;
    m_signedIn = 0;
    m_signedInAddress.Empty();
    ClearCredentials();
}

void CAuthLogin::GiveCredentials()
{
    if (m_client)
        m_client->SetCredentials(m_address, m_digest, sizeof m_digest);
}

void CAuthLogin::ClearCredentials()
{
    if (m_client)
        m_client->SetCredentials(L"", nullptr, 0);
}

} // namespace PeloraUI
