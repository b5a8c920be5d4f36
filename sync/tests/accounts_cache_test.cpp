// The account cache: records in the registry, their byte layout, old and bad values.
#include "client_support.h"
#include <gtest/gtest.h>

namespace {

using test::TestAccountStore;

CUserAccountRecord SampleRecord()
{
    CUserAccountRecord r;
    for (int i = 0; i < 16; ++i)
        r.digest[i] = (BYTE)(0xA0 + i);
    r.registerDate.wYear = 2024;
    r.registerDate.wMonth = 2;
    r.registerDate.wDay = 29;
    r.daysToQuotaReset = 12;
    r.usageNotesMax = 1024;
    r.usageNotesCurrent = 3;
    r.maxNoteSizeMB = 16;
    r.monthUsageQuota = 1024;
    r.maxAttachmentSize = 256;
    r.notesEmail = L"n\x00f6tes@example.com";
    r.endDate = L"01/03/2025";
    r.dataFolder = L"C:\\Data\\\x0417\x0430\x043C\x0435\x0442\x043A\x0438";
    return r;
}

void ExpectSameRecord(const CUserAccountRecord& a, const CUserAccountRecord& b)
{
    EXPECT_EQ(0, memcmp(a.digest, b.digest, 16));
    EXPECT_EQ(0, memcmp(&a.registerDate, &b.registerDate, sizeof(SYSTEMTIME)));
    EXPECT_EQ(a.daysToQuotaReset, b.daysToQuotaReset);
    EXPECT_EQ(a.usageNotesMax, b.usageNotesMax);
    EXPECT_EQ(a.usageNotesCurrent, b.usageNotesCurrent);
    EXPECT_EQ(a.maxNoteSizeMB, b.maxNoteSizeMB);
    EXPECT_EQ(a.monthUsageQuota, b.monthUsageQuota);
    EXPECT_EQ(a.maxAttachmentSize, b.maxAttachmentSize);
    EXPECT_EQ(4, b.version);
    EXPECT_STREQ(a.notesEmail, b.notesEmail);
    EXPECT_STREQ(a.endDate, b.endDate);
    EXPECT_STREQ(a.dataFolder, b.dataFolder);
}

// The stored value written out by hand: 64 fixed bytes, then three UTF-16LE texts.
std::vector<BYTE> HandEncoded(const CUserAccountRecord& r)
{
    std::vector<BYTE> v;
    v.insert(v.end(), r.digest, r.digest + 16);
    const WORD date[8] = {r.registerDate.wYear, r.registerDate.wMonth, 0, r.registerDate.wDay, 0, 0, 0, 0};
    for (WORD w : date) {
        v.push_back((BYTE)w);
        v.push_back((BYTE)(w >> 8));
    }
    const unsigned ints[8] = {(unsigned)r.daysToQuotaReset, 0, (unsigned)r.usageNotesMax, (unsigned)r.usageNotesCurrent,
                              r.maxNoteSizeMB, (unsigned)r.monthUsageQuota, (unsigned)r.maxAttachmentSize, 4};
    for (unsigned u : ints)
        for (int i = 0; i < 4; ++i)
            v.push_back((BYTE)(u >> (8 * i)));
    for (const CString* t : {&r.notesEmail, &r.endDate, &r.dataFolder}) {
        for (int i = 0; i <= t->GetLength(); ++i) {
            wchar_t ch = i < t->GetLength() ? (*t)[i] : 0;
            v.push_back((BYTE)ch);
            v.push_back((BYTE)(ch >> 8));
        }
    }
    return v;
}

TEST(AccountCache, RecordIsStoredInTheDocumentedLayoutAndReadBack)
{
    TestAccountStore store;
    CUserAccountRecord sample = SampleRecord();
    {
        CUserAccounts cache(&store);
        CUserAccountRecord* r = cache.SetCurrentUser(L"Someone@Example.com");
        ASSERT_NE(nullptr, r);
        *r = sample;
        EXPECT_TRUE(cache.SaveUser());
    }
    std::vector<BYTE> raw = store.ReadRaw(L"Someone@Example.com");
    EXPECT_EQ(HandEncoded(sample), raw);
    EXPECT_EQ(70u + 2 * (sample.notesEmail.GetLength() + sample.endDate.GetLength() + sample.dataFolder.GetLength()),
              raw.size());

    CUserAccounts again(&store);
    EXPECT_EQ(1, again.LoadAll());
    EXPECT_TRUE(again.GetCurrentUserName().IsEmpty());
    CUserAccountRecord* loaded = again.FindUser(L"Someone@Example.com");
    ASSERT_NE(nullptr, loaded);
    ExpectSameRecord(sample, *loaded);
    EXPECT_EQ(nullptr, again.FindUser(L"someone@example.com"));   // logins keep their case
    CString date;
    EXPECT_TRUE(again.FormatRegisterDate(loaded, date));
    EXPECT_STREQ(L"2024-2-29", date);
}

struct DecodeCase {
    const char* name;
    std::vector<BYTE> bytes;
    bool valid;
    int usageMax;          // expected when valid
    const wchar_t* email;
};

std::vector<BYTE> Fixed(size_t size, unsigned version, unsigned usageMax)
{
    std::vector<BYTE> v(size, 0);
    for (int i = 0; i < 4 && 40 + i < (int)size; ++i)
        v[40 + i] = (BYTE)(usageMax >> (8 * i));
    for (int i = 0; i < 4 && 60 + i < (int)size; ++i)
        v[60 + i] = (BYTE)(version >> (8 * i));
    return v;
}

std::vector<BYTE> WithText(std::vector<BYTE> v, const wchar_t* text, bool terminated)
{
    for (const wchar_t* p = text; *p; ++p) {
        v.push_back((BYTE)*p);
        v.push_back((BYTE)(*p >> 8));
    }
    if (terminated) {
        v.push_back(0);
        v.push_back(0);
    }
    return v;
}

std::vector<BYTE> Plus(std::vector<BYTE> v, BYTE extra)
{
    v.push_back(extra);
    return v;
}

TEST(AccountCache, ValuesAreDecodedOrSkippedWithoutReadingPastTheirEnd)
{
    const DecodeCase cases[] = {
        {"exactly 64 bytes: no texts", Fixed(64, 4, 77), true, 77, L""},
        {"60 bytes: no version, taken as version 4", Fixed(60, 0, 5), true, 5, L""},
        {"version 3 keeps bytes: 10,485,760 reads as 10 MB", Fixed(64, 3, 10485760), true, 10, L""},
        {"one text with its terminator", WithText(Fixed(64, 4, 1), L"a@b.c", true), true, 1, L"a@b.c"},
        {"shorter than the fixed part", Fixed(59, 4, 1), false, 0, nullptr},
        {"empty value", {}, false, 0, nullptr},
        {"e-mail without terminator", WithText(Fixed(64, 4, 1), L"a@b.c", false), false, 0, nullptr},
        {"end date without terminator", WithText(WithText(Fixed(64, 4, 1), L"a@b.c", true), L"01/01", false), false, 0,
         nullptr},
        {"an odd last byte after the texts", Plus(WithText(Fixed(64, 4, 2), L"x", true), 0x41), true, 2, L"x"},
    };
    TestAccountStore store;
    int n = 0;
    for (const DecodeCase& c : cases) {
        const std::vector<BYTE>& bytes = c.bytes;
        CUserAccountRecord r;
        EXPECT_EQ(c.valid, r.Decode(bytes.data(), bytes.size())) << c.name;
        if (c.valid) {
            EXPECT_EQ(c.usageMax, r.usageNotesMax) << c.name;
            EXPECT_STREQ(c.email, r.notesEmail) << c.name;
            EXPECT_EQ(4, r.version) << c.name;
        }
        wchar_t name[32];
        swprintf(name, 32, L"user%d", n++);
        store.WriteRaw(name, bytes);
    }
    // a good record among bad ones, a value of another type and a name too long to be a
    // login: the good ones load, the rest are skipped
    store.WriteRaw(L"not-binary", {1, 2, 3, 4}, REG_DWORD);
    store.WriteRaw(std::wstring(300, L'x').c_str(), Fixed(64, 4, 1));
    store.WriteRaw(L"zz-last", Fixed(64, 4, 9));
    CUserAccounts cache(&store);
    cache.LoadAll();
    n = 0;
    for (const DecodeCase& c : cases) {
        wchar_t name[32];
        swprintf(name, 32, L"user%d", n++);
        EXPECT_EQ(c.valid, cache.FindUser(name) != nullptr) << c.name;
    }
    EXPECT_EQ(nullptr, cache.FindUser(L"not-binary"));
    ASSERT_NE(nullptr, cache.FindUser(L"zz-last"));
    EXPECT_EQ(9, cache.FindUser(L"zz-last")->usageNotesMax);

    // a version 3 record is written back as version 4 in MB
    CUserAccountRecord* old = cache.SetCurrentUser(L"user2");
    ASSERT_NE(nullptr, old);
    EXPECT_TRUE(cache.SaveUser());
    std::vector<BYTE> saved = store.ReadRaw(L"user2");
    ASSERT_GE(saved.size(), 64u);
    EXPECT_EQ(4, saved[60]);
    EXPECT_EQ(10, saved[40]);
}

TEST(AccountCache, WithoutCurrentAccountGettersReadTheSharedDefaultAndSettersFail)
{
    TestAccountStore store;
    CUserAccounts cache(&store);
    CUserAccounts other(&store);
    EXPECT_EQ(nullptr, cache.SetCurrentUser(L""));
    EXPECT_TRUE(cache.GetCurrentUserName().IsEmpty());
    EXPECT_EQ(cache.GetNotesMax(), other.GetNotesMax());   // one default record per process
    EXPECT_NE(nullptr, cache.GetNotesEmail());
    CString text;
    EXPECT_FALSE(cache.SetRegisterDate(nullptr, L"2020-1-2"));
    EXPECT_FALSE(cache.FormatRegisterDate(nullptr, text));
    EXPECT_FALSE(cache.SetDigest(nullptr, cache.FindUser(L"nobody")));
    EXPECT_FALSE(cache.SaveUser());

    CUserAccountRecord* a = cache.SetCurrentUser(L"a@example.com");
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(&a->usageNotesMax, cache.GetNotesMax());
    EXPECT_TRUE(cache.SetRegisterDate(nullptr, L"2021-12-31"));
    EXPECT_EQ(2021, a->registerDate.wYear);
    EXPECT_EQ(12, a->registerDate.wMonth);
    EXPECT_EQ(31, a->registerDate.wDay);
    cache.SetDataFolder(L"D:\\notes");
    EXPECT_STREQ(L"D:\\notes", cache.GetDataFolder());
    EXPECT_EQ(a, cache.SetCurrentUser(L"a@example.com"));   // the same record again
    cache.SetCurrentUser(L"b@example.com");
    std::vector<CString> names = cache.GetUserNames();
    EXPECT_EQ(2u, names.size());
}

TEST(AccountCache, OfflineLoginNeedsTheExactLoginAndDigest)
{
    TestAccountStore store;
    CUserAccounts cache(&store);
    std::vector<BYTE> good = test::PasswordDigest("secret");
    CUserAccountRecord* r = cache.SetCurrentUser(L"me@example.com");
    memcpy(r->digest, good.data(), 16);
    std::vector<BYTE> bad = good;
    bad[15] ^= 1;
    cache.SetCurrentUser(L"new@example.com");  // cached, never signed in: no digest
    cache.SetCurrentUser(L"me@example.com");
    const BYTE zero[16] = {};
    struct {
        const wchar_t* login;
        const BYTE* digest;
        bool ok;
    } rows[] = {
        {L"me@example.com", good.data(), true},
        {L"me@example.com", bad.data(), false},
        {L"ME@example.com", good.data(), false},
        {L"other@example.com", good.data(), false},
        {L"me@example.com", nullptr, false},
        {L"new@example.com", zero, false},
    };
    for (auto& row : rows)
        EXPECT_EQ(row.ok, cache.CheckOfflineLogin(row.login, row.digest)) << (row.digest == bad.data() ? "bad" : "");
}

}  // namespace
