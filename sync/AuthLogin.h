// The sign-in's rules without its window: the salted password digest, the remembered sign-in
// under the profile section "Settings" ("LastLogin", "AutoLogin", "LastHash"), the check
// against the account cache and what an answer of the sync thread leads to. The login dialog
// drives it from its controls; the tests drive it directly.
#pragma once
#include "Framework.h"
#include <vector>

class CUserAccounts;
namespace Sync { class CSync; }

namespace PeloraUI {

// Fixed salt put before the password; changing it would lock every account out.
extern const char kPasswordSalt[];

// MD5 of the salt followed by the password in UTF-8 (no terminator). The two are hashed one
// after the other, so a password of any length is taken whole.
void PasswordDigest(const wchar_t* password, BYTE digest[16]);

// The remembered sign-in's values.
class ILoginSettings {
public:
    virtual ~ILoginSettings() = default;
    virtual CString GetString(const wchar_t* name, const wchar_t* fallback) = 0;
    virtual int GetInt(const wchar_t* name, int fallback) = 0;
    // False when the value is missing or not binary.
    virtual bool GetBinary(const wchar_t* name, std::vector<BYTE>& out) = 0;
    virtual bool WriteString(const wchar_t* name, const wchar_t* value) = 0;
    virtual bool WriteInt(const wchar_t* name, int value) = 0;
    virtual bool WriteBinary(const wchar_t* name, const BYTE* bytes, size_t size) = 0;
};

// HKEY_CURRENT_USER\<key path>, "Software\Quendale\Pelora\Settings" by default.
class CRegistryLoginSettings : public ILoginSettings {
public:
    static const wchar_t* const kDefaultKey;
    explicit CRegistryLoginSettings(const wchar_t* keyPath = kDefaultKey) : m_keyPath(keyPath) {}
    CString GetString(const wchar_t* name, const wchar_t* fallback) override;
    int GetInt(const wchar_t* name, int fallback) override;
    bool GetBinary(const wchar_t* name, std::vector<BYTE>& out) override;
    bool WriteString(const wchar_t* name, const wchar_t* value) override;
    bool WriteInt(const wchar_t* name, int value) override;
    bool WriteBinary(const wchar_t* name, const BYTE* bytes, size_t size) override;
    const CString& KeyPath() const { return m_keyPath; }

private:
    bool Write(const wchar_t* name, DWORD type, const void* bytes, DWORD size);
    CString m_keyPath;
};

// Kinds of a sign-in outcome (lParam of WM_USER+9).
enum { AUTH_KIND_REFUSED = 0, AUTH_KIND_CACHE = 1, AUTH_KIND_SERVICE = 2 };
const int kAuthCancelled = 7;     // result with kind 1: the user cancelled
const UINT kAuthCompleteMessage = WM_USER + 9;

// The dialog's texts: string id and the text used when the table has none.
struct LoginText {
    int id;
    const wchar_t* text;
};
enum { IDS_AUTH_FAILED = 1320 };
extern const LoginText kLoginTexts[9];   // caption, labels, button, check box, links, failure
// The id's text in the user's language (its default when the table lacks it).
CString GetLoginText(int id);

// The state of one login dialog. The client may be null (nothing is given to a service then).
class CAuthLogin {
public:
    CAuthLogin(ILoginSettings& settings, CUserAccounts& accounts, Sync::CSync* client);

    // address null: "LastLogin". Keeps the remembered digest only when "AutoLogin" is 1 and
    // "LastHash" is 16 bytes that the cache holds for this address; else remember-me is 0.
    void LoadLastLogin(const wchar_t* address);
    // skip 0: signs in when the cache holds the entered address with the current digest.
    bool Authenticate(int skip);

    enum class Start { Cached, AskService };
    // Takes what the controls hold (the address is trimmed, the password is not). Cached: the
    // cache confirmed the digest, "LastHash" is written and the caller posts (0, kind 1) to
    // itself; AskService: the caller posts the request with Address() and Digest().
    Start BeginSignIn(const wchar_t* address, const wchar_t* password, int rememberMe);

    enum class Outcome { SignedIn, Cancelled, Refused };
    // An answer (result, kind): SignedIn or Cancelled tell the owner 2 or 0 and empty the
    // password edit; Refused shows the failure text and keeps the dialog open.
    Outcome Complete(int result, int kind);
    // Cancel: an unchecked "Remember me" writes "AutoLogin" = 0; the caller posts (7, kind 1).
    void Cancel(int rememberMe);
    void Logout();

    const CString& Address() const { return m_address; }
    const CString& SignedInAddress() const { return m_signedInAddress; }
    const BYTE* Digest() const { return m_digest; }
    int RememberMe() const { return m_rememberMe; }
    bool SignedIn() const { return m_signedIn != 0; }

private:
    void GiveCredentials();
    void ClearCredentials();

    ILoginSettings& m_settings;
    CUserAccounts& m_accounts;
    Sync::CSync* m_client;
    CString m_signedInAddress;
    CString m_address;
    BYTE m_digest[16] = {};
    int m_rememberMe = 0;
    int m_signedIn = 0;
};

} // namespace PeloraUI
