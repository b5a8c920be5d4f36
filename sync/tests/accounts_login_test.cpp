// The sign-in's rules: the salted digest, the remembered sign-in in the registry, the cache
// check and what each answer of the sync thread leaves in the registry, the cache and the client.
#include "AuthLogin.h"
#include "client_support.h"
#include <gtest/gtest.h>

namespace {

using PeloraUI::CAuthLogin;

std::string Hex(const BYTE* d)
{
    static const char kHex[] = "0123456789abcdef";
    std::string s;
    for (int i = 0; i < 16; ++i) {
        s += kHex[d[i] >> 4];
        s += kHex[d[i] & 15];
    }
    return s;
}

std::string DigestHex(const wchar_t* password)
{
    BYTE d[16];
    PeloraUI::PasswordDigest(password, d);
    return Hex(d);
}

TEST(LoginDigest, SaltedMd5OfUtf8Password)
{
    std::wstring longPassword(1000, L'x');   // far past any fixed join buffer
    struct {
        const wchar_t* password;
        const char* hex;
    } cases[] = {
        {L"", "c2166ee80f24c79ce2ff94928d41ec03"},   // the salt alone
        {L"secret", "af510c45e62d39275b124186f8545861"},
        {longPassword.c_str(), "84e8251c2bbaa898e809c183b55ebd0c"},
        {L"\x043F\x0430\x0440\x043E\x043B\x044C\xD83D\xDE00", "89b112fa27501b36c9b38f10fb04ebcd"},   // Cyrillic and an emoji
        {nullptr, "c2166ee80f24c79ce2ff94928d41ec03"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.hex, DigestHex(c.password)) << (c.password ? wcslen(c.password) : 0);
    // the helper the other client tests sign in with agrees
    std::vector<BYTE> other = test::PasswordDigest("secret");
    EXPECT_EQ("af510c45e62d39275b124186f8545861", Hex(other.data()));
}

// A cache and the "Settings" values under one throw-away key of the test's own.
struct Fixture {
    test::TestAccountStore store;
    CUserAccounts accounts{&store};
    PeloraUI::CRegistryLoginSettings settings{SettingsKey(store)};
    Sync::CSync client{"http://127.0.0.1:1/", "win_client"};

    static CString SettingsKey(const test::TestAccountStore& s)
    {
        return s.KeyPath().Left(s.KeyPath().GetLength() - 6) + L"\\Settings";
    }
    Fixture() { accounts.LoadAll(); }
    void CacheAccount(const wchar_t* login, const wchar_t* password)
    {
        CUserAccountRecord r;
        PeloraUI::PasswordDigest(password, r.digest);
        ASSERT_TRUE(store.Write(login, r.Encode()));
        accounts.LoadAll();
    }
    std::vector<BYTE> Hash(const wchar_t* password)
    {
        std::vector<BYTE> d(16);
        PeloraUI::PasswordDigest(password, d.data());
        return d;
    }
    CString ClientEmail()
    {
        CString email;
        BYTE d[16];
        int n = 0;
        client.GetCredentials(email, d, n);
        return n == 16 ? email : CString();
    }
};

TEST(LoginRemembered, AutomaticSignInOnlyWithAConfirmedDigest)
{
    struct {
        const char* what;
        int autoLogin;            // -1: missing
        int hashBytes;            // -1: missing
        const wchar_t* hashOf;    // password the stored hash is of
        const wchar_t* address;   // null: "LastLogin"
        bool signsIn;
    } cases[] = {
        {"remembered and confirmed", 1, 16, L"pw", nullptr, true},
        {"switch off", 0, 16, L"pw", nullptr, false},
        {"switch missing", -1, 16, L"pw", nullptr, false},
        {"hash missing", 1, -1, L"pw", nullptr, false},
        {"hash 15 bytes", 1, 15, L"pw", nullptr, false},
        {"hash 17 bytes", 1, 17, L"pw", nullptr, false},
        {"hash of another password", 1, 16, L"old", nullptr, false},
        {"another address picked", 1, 16, L"pw", L"other@example.com", false},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.CacheAccount(L"ann@example.com", L"pw");
        f.settings.WriteString(L"LastLogin", L"ann@example.com");
        if (c.autoLogin >= 0)
            f.settings.WriteInt(L"AutoLogin", c.autoLogin);
        if (c.hashBytes >= 0) {
            std::vector<BYTE> h = f.Hash(c.hashOf);
            h.resize((size_t)c.hashBytes, 0);
            f.settings.WriteBinary(L"LastHash", h.data(), h.size());
        }
        CAuthLogin login(f.settings, f.accounts, &f.client);
        login.LoadLastLogin(c.address);
        EXPECT_STREQ(c.address ? c.address : L"ann@example.com", login.Address()) << c.what;
        EXPECT_EQ(c.signsIn ? 1 : 0, login.RememberMe()) << c.what;
        EXPECT_EQ(c.signsIn, login.Authenticate(0)) << c.what;
        EXPECT_EQ(c.signsIn, login.SignedIn()) << c.what;
        EXPECT_STREQ(c.signsIn ? L"ann@example.com" : L"", login.SignedInAddress()) << c.what;
        EXPECT_STREQ(c.signsIn ? L"ann@example.com" : L"", f.ClientEmail()) << c.what;
        EXPECT_FALSE(login.Authenticate(1)) << c.what;   // skip never signs in
    }
}

TEST(LoginSignIn, AnswersOfTheSyncThread)
{
    const int kNone = -100;
    struct {
        const char* what;
        int remember;
        int result, kind;
        CAuthLogin::Outcome outcome;
        int autoLogin;   // kNone: not written
        bool cached;     // the cache holds the digest afterwards
    } cases[] = {
        {"service accepts, remembered", 1, 0, 2, CAuthLogin::Outcome::SignedIn, 1, true},
        {"service accepts, not remembered", 0, 0, 2, CAuthLogin::Outcome::SignedIn, 0, true},
        {"service down, cache accepts", 1, 0, 1, CAuthLogin::Outcome::SignedIn, 1, true},
        {"wrong password", 1, -3, 0, CAuthLogin::Outcome::Refused, kNone, false},
        {"unknown user", 1, -5, 0, CAuthLogin::Outcome::Refused, kNone, false},
        {"service down, cache misses", 1, -6, 0, CAuthLogin::Outcome::Refused, kNone, false},
        {"session expired", 1, -1, 0, CAuthLogin::Outcome::Refused, kNone, false},
        {"cancelled", 1, PeloraUI::kAuthCancelled, 1, CAuthLogin::Outcome::Cancelled, kNone, false},
    };
    for (const auto& c : cases) {
        Fixture f;
        CAuthLogin login(f.settings, f.accounts, &f.client);
        login.LoadLastLogin(nullptr);
        ASSERT_EQ(CAuthLogin::Start::AskService, login.BeginSignIn(L"  bob@example.com\t", L" pw ", c.remember)) << c.what;
        EXPECT_STREQ(L"bob@example.com", login.Address()) << c.what;
        EXPECT_EQ(f.Hash(L" pw "), std::vector<BYTE>(login.Digest(), login.Digest() + 16)) << c.what;
        EXPECT_STREQ(L"bob@example.com", f.ClientEmail()) << c.what;   // handed over before the request

        EXPECT_EQ(c.outcome, login.Complete(c.result, c.kind)) << c.what;
        bool in = c.outcome == CAuthLogin::Outcome::SignedIn;
        EXPECT_EQ(in, login.SignedIn()) << c.what;
        EXPECT_EQ(c.autoLogin, f.settings.GetInt(L"AutoLogin", kNone)) << c.what;
        EXPECT_STREQ(in ? L"bob@example.com" : L"", f.settings.GetString(L"LastLogin", L"")) << c.what;
        std::vector<BYTE> hash;
        EXPECT_FALSE(f.settings.GetBinary(L"LastHash", hash)) << c.what;   // only a cache-confirmed sign-in writes it
        CUserAccounts reloaded(&f.store);
        reloaded.LoadAll();
        EXPECT_EQ(c.cached, reloaded.CheckOfflineLogin(L"bob@example.com", f.Hash(L" pw ").data())) << c.what;
        if (c.outcome == CAuthLogin::Outcome::Refused)
            EXPECT_STREQ(L"", f.ClientEmail()) << c.what;   // credentials cleared for the next try
        else
            EXPECT_STREQ(L"bob@example.com", f.ClientEmail()) << c.what;
    }
}

TEST(LoginSignIn, SecondSignInIsAnsweredByTheCache)
{
    Fixture f;
    {
        CAuthLogin first(f.settings, f.accounts, &f.client);
        ASSERT_EQ(CAuthLogin::Start::AskService, first.BeginSignIn(L"cy@example.com", L"pw", 1));
        ASSERT_EQ(CAuthLogin::Outcome::SignedIn, first.Complete(0, PeloraUI::AUTH_KIND_SERVICE));
        first.Logout();
        EXPECT_FALSE(first.SignedIn());
        EXPECT_STREQ(L"", f.ClientEmail());
    }
    // the next start still asks: nothing confirmed "LastHash" yet
    CAuthLogin next(f.settings, f.accounts, &f.client);
    next.LoadLastLogin(nullptr);
    EXPECT_STREQ(L"cy@example.com", next.Address());
    EXPECT_FALSE(next.Authenticate(0));
    // a wrong password goes to the service and writes nothing
    std::vector<BYTE> hash;
    EXPECT_EQ(CAuthLogin::Start::AskService, next.BeginSignIn(L"cy@example.com", L"PW", 1));
    EXPECT_FALSE(f.settings.GetBinary(L"LastHash", hash));
    // the right one is confirmed by the cache at once, without a request
    EXPECT_EQ(CAuthLogin::Start::Cached, next.BeginSignIn(L" cy@example.com ", L"pw", 1));
    EXPECT_TRUE(next.SignedIn());
    ASSERT_TRUE(f.settings.GetBinary(L"LastHash", hash));
    EXPECT_EQ(f.Hash(L"pw"), hash);
    EXPECT_EQ(CAuthLogin::Outcome::SignedIn, next.Complete(0, PeloraUI::AUTH_KIND_CACHE));
    // and the start after that signs in by itself
    CAuthLogin third(f.settings, f.accounts, &f.client);
    third.LoadLastLogin(nullptr);
    EXPECT_TRUE(third.Authenticate(0));
}

// Writes that fail part-way leave a state the next start reads safely: it asks again.
TEST(LoginSignIn, FailedWritesMakeTheNextStartAsk)
{
    struct FailingStore : test::TestAccountStore {
        bool Write(const CString&, const std::vector<BYTE>&) override { return false; }
    };
    struct FailingSettings : PeloraUI::CRegistryLoginSettings {
        using CRegistryLoginSettings::CRegistryLoginSettings;
        bool fail = false;
        bool WriteString(const wchar_t* n, const wchar_t* v) override { return !fail && CRegistryLoginSettings::WriteString(n, v); }
        bool WriteBinary(const wchar_t* n, const BYTE* b, size_t s) override { return !fail && CRegistryLoginSettings::WriteBinary(n, b, s); }
    };
    for (bool storeFails : {true, false}) {
        FailingStore failing;
        test::TestAccountStore working;
        test::TestAccountStore& store = storeFails ? failing : working;
        CUserAccounts accounts(&store);
        accounts.LoadAll();
        FailingSettings settings(Fixture::SettingsKey(store));
        {
            CAuthLogin login(settings, accounts, nullptr);
            ASSERT_EQ(CAuthLogin::Start::AskService, login.BeginSignIn(L"dee@example.com", L"pw", 1));
            // the service accepted: this run is signed in whatever the disk says
            EXPECT_EQ(CAuthLogin::Outcome::SignedIn, login.Complete(0, PeloraUI::AUTH_KIND_SERVICE)) << storeFails;
            EXPECT_TRUE(login.SignedIn()) << storeFails;
            settings.fail = !storeFails;   // "LastHash" cannot be written now
            EXPECT_EQ(CAuthLogin::Start::Cached, login.BeginSignIn(L"dee@example.com", L"pw", 1)) << storeFails;
        }
        CUserAccounts next(&store);
        next.LoadAll();
        CAuthLogin restart(settings, next, nullptr);
        restart.LoadLastLogin(nullptr);
        EXPECT_EQ(0, restart.RememberMe()) << storeFails;
        EXPECT_FALSE(restart.Authenticate(0)) << storeFails;
    }
}

TEST(LoginSignIn, CancelTurnsAutomaticSignInOffOnlyWhenUnticked)
{
    for (int remember : {0, 1}) {
        Fixture f;
        f.settings.WriteInt(L"AutoLogin", 1);
        CAuthLogin login(f.settings, f.accounts, &f.client);
        login.Cancel(remember);
        EXPECT_EQ(remember, f.settings.GetInt(L"AutoLogin", -1)) << remember;
    }
}

TEST(LoginSettings, RegistryValuesAndTheirKinds)
{
    Fixture f;
    EXPECT_STREQ(L"dflt", f.settings.GetString(L"LastLogin", L"dflt"));
    EXPECT_EQ(-7, f.settings.GetInt(L"AutoLogin", -7));
    std::vector<BYTE> bytes{1, 2, 3};
    EXPECT_FALSE(f.settings.GetBinary(L"LastHash", bytes));
    EXPECT_TRUE(bytes.empty());

    std::wstring longAddress(600, L'a');
    longAddress += L"@\x0434\x043E\x043C.example";
    ASSERT_TRUE(f.settings.WriteString(L"LastLogin", longAddress.c_str()));
    EXPECT_STREQ(longAddress.c_str(), f.settings.GetString(L"LastLogin", L""));
    ASSERT_TRUE(f.settings.WriteInt(L"AutoLogin", 1));
    EXPECT_EQ(1, f.settings.GetInt(L"AutoLogin", 0));
    // a value of the wrong kind reads as missing
    EXPECT_FALSE(f.settings.GetBinary(L"AutoLogin", bytes));
    EXPECT_EQ(5, f.settings.GetInt(L"LastLogin", 5));
    const BYTE zero[1] = {};
    ASSERT_TRUE(f.settings.WriteBinary(L"LastHash", zero, 0));
    EXPECT_TRUE(f.settings.GetBinary(L"LastHash", bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST(LoginTexts, FailureTextAndDefaults)
{
    EXPECT_STREQ(L"Auth Failed. Please check your Login and Password and try again.",
                 PeloraUI::GetLoginText(PeloraUI::IDS_AUTH_FAILED));
    EXPECT_STREQ(L"Login to Pelora Note", PeloraUI::GetLoginText(1328));
}

}  // namespace
