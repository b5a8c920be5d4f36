// The client against the note-service stand-in: one account's whole protocol, attachments
// up and down with identical bytes, HTTPS with and without a trusted certificate, and the
// update check.
#include "client_support.h"
#include <gtest/gtest.h>
#include <wincrypt.h>
#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

std::wstring Wide(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
}

// A signed-in client of the stand-in with an account cache of its own.
struct Session {
    test::TestAccountStore store;
    CUserAccounts accounts{&store};
    Sync::CSync client;
    explicit Session(const std::string& url = test::ServiceUrl()) : client(url.c_str(), "win_client")
    {
        client.SetAccountCache(&accounts);
    }
    int SignIn(const wchar_t* email, const char* password)
    {
        std::vector<BYTE> digest = test::PasswordDigest(password);
        client.SetCredentials(email, digest.data(), 16);
        return client.Authenticate();
    }
};

Json::Value RequestLog()
{
    Json::Value op;
    op["op"] = "requests";
    op["clear"] = true;
    return test::Control(op)["requests"];
}

TEST(Service, OneAccountThroughTheWholeProtocol)
{
    test::ResetService(false);
    Session s;
    ASSERT_EQ(0, s.client.RegisterUser(L"alice@example.com", L"p\x00e4ssword"));
    EXPECT_EQ(-4, s.client.RegisterUser(L"Alice@Example.com", L"other"));   // exists: no fallback
    EXPECT_EQ(-3, s.SignIn(L"alice@example.com", "wrong"));
    ASSERT_EQ(0, s.SignIn(L"alice@example.com", "p\xc3\xa4ssword"));
    EXPECT_FALSE(s.client.GetSessionId().IsEmpty());
    CUserAccountRecord* r = s.accounts.FindUser(L"alice@example.com");
    ASSERT_NE(nullptr, r);
    EXPECT_GT(r->registerDate.wYear, 2000);
    EXPECT_EQ(1024, r->usageNotesMax);
    EXPECT_EQ(16u, r->maxNoteSizeMB);
    EXPECT_EQ(256, r->maxAttachmentSize);
    EXPECT_FALSE(r->notesEmail.IsEmpty());
    EXPECT_FALSE(s.store.ReadRaw(L"alice@example.com").empty());

    Sync::CServerObject folder;
    folder.globalId = L"fold-alice-01";
    folder.type = L"folder";
    folder.parentId = L"root";
    folder.title = L"\x041f\x0440\x043e\x0435\x043a\x0442\x044b";
    Sync::CServerObject note;
    note.globalId = L"note-alice-001";
    note.type = L"note";
    note.parentId = folder.globalId;
    note.title = L"First";
    note.text = L"<p>Hello \x00e9\x0416 &amp; <b>bold</b></p>";
    note.tags = {L"ideas"};
    std::vector<CString> tags = {L"ideas", L"work"};
    unsigned s1 = 0;
    CString desc;
    ASSERT_EQ(0, s.client.Store({folder, note}, &tags, s1, desc));
    EXPECT_GT(s1, 0u);

    Sync::CDataStruct data;
    ASSERT_EQ(0, s.client.GetDataStruct("0", data));
    ASSERT_EQ(2u, data.items.size());
    EXPECT_TRUE(data.items[0].IsFolder());
    EXPECT_STREQ(folder.title, data.items[0].title);
    EXPECT_TRUE(data.items[1].IsNote());
    EXPECT_FALSE(data.items[1].hasText);
    EXPECT_EQ(s1, data.items[1].dateUpdated);
    EXPECT_STREQ(std::to_wstring(s1).c_str(), data.lastUpdateTime);
    EXPECT_TRUE(data.hasTags);
    EXPECT_EQ(2u, data.tags.size());

    std::vector<Sync::CServerObject> full;
    ASSERT_EQ(0, s.client.DownloadNote("0", note.globalId, full));
    ASSERT_EQ(1u, full.size());
    EXPECT_STREQ(note.text, full[0].text);
    EXPECT_FALSE(full[0].textShort.IsEmpty());

    CStringA link, again;
    ASSERT_EQ(0, s.client.GetNoteShareLink(note.globalId, link));
    EXPECT_EQ(0, strncmp(link, (test::ServiceUrl() + "/s/").c_str(), test::ServiceUrl().size() + 3)) << link.GetString();
    ASSERT_EQ(0, s.client.GetNoteShareLink(note.globalId, again));
    EXPECT_STREQ(link, again);
    EXPECT_EQ(0, s.client.NoteUnshareLink(note.globalId));
    EXPECT_EQ(-19, s.client.GetNoteShareLink(L"no-such-note", link));

    Json::Value op;
    op["op"] = "backup";
    op["email"] = "alice@example.com";
    std::string backupId = test::Control(op)["global_id"].asString();
    unsigned s2 = 0;
    ASSERT_EQ(0, s.client.RemoveOnServer({note.globalId}, {}, {L"work"}, s2));
    EXPECT_GT(s2, s1);
    ASSERT_EQ(0, s.client.GetDataStruct(CStringA(std::to_string(s1).c_str()), data));
    ASSERT_EQ(1u, data.removed.size());
    EXPECT_STREQ(note.globalId, data.removed[0].globalId);
    EXPECT_STREQ(L"note", data.removed[0].type);
    EXPECT_EQ(1u, data.tags.size());

    Sync::BackupListRecord* backups = nullptr;
    ASSERT_EQ(0, s.client.GetBackupList(&backups));
    ASSERT_NE(nullptr, backups);
    EXPECT_STREQ(Wide(backupId).c_str(), backups[0].backupId);
    EXPECT_EQ(1, backups[0].noteCount);
    EXPECT_EQ(0, backups[1].valid);
    delete[] backups;
    Sync::BackupPreviewRecord* preview = nullptr;
    ASSERT_EQ(0, s.client.GetBackupPreview(Wide(backupId).c_str(), &preview));
    bool found = false;
    int count = 0;
    for (; preview[count].valid; ++count)
        found = found || preview[count].id == note.globalId;
    EXPECT_TRUE(found);
    delete[] preview;
    int restored = -1;
    std::vector<CString> items = {note.globalId};
    ASSERT_EQ(0, s.client.RestoreBackup(Wide(backupId).c_str(), &items, &restored));
    EXPECT_EQ(0, restored);
    ASSERT_EQ(0, s.client.GetDataStruct(CStringA(std::to_string(s2).c_str()), data));
    ASSERT_EQ(1u, data.items.size());
    EXPECT_STREQ(note.globalId, data.items[0].globalId);

    // the session header goes with every action but the sign-in and registration
    RequestLog();
    s.client.SetSessionId("");
    s.client.RegisterUser(L"bob@example.com", L"pw");
    s.SignIn(L"bob@example.com", "pw");
    s.client.GetUserInfo();
    Json::Value log = RequestLog();
    std::vector<std::string> withSession, without;
    for (const Json::Value& entry : log)
        (entry["session"].isString() ? withSession : without).push_back(entry["action"].asString());
    EXPECT_EQ((std::vector<std::string>{"user:register", "user:auth"}), without);
    EXPECT_EQ((std::vector<std::string>{"notes:account", "user:info"}), withSession);

    op = Json::Value();
    op["op"] = "expire_sessions";
    test::Control(op);
    EXPECT_EQ(-5, s.client.GetUserInfo());
}

std::string MakeFile(const char* name, size_t size, unsigned seed, unsigned long long& hash)
{
    std::string path = test::TempPath(name);
    FILE* f = fopen(path.c_str(), "wb");
    std::vector<unsigned> block(1 << 18);
    unsigned x = seed;
    hash = 1469598103934665603ULL;
    for (size_t done = 0; done < size;) {
        for (unsigned& v : block) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            v = x;
        }
        size_t n = std::min(size - done, block.size() * sizeof(unsigned));
        fwrite(block.data(), 1, n, f);
        hash = test::Fnv1a(block.data(), n, hash);
        done += n;
    }
    fclose(f);
    return path;
}

TEST(Service, AttachmentsGoUpAndComeBackWithIdenticalBytes)
{
    struct Row {
        const char* name;
        size_t size;
        bool fromFile;
    } rows[] = {
        {"1 MB from memory", 1 << 20, false},
        {"1 MB from a file", 1 << 20, true},
        {"120 MB from a file", 120u << 20, true},
    };
    test::ResetService(true);
    Session s;
    ASSERT_EQ(0, s.SignIn(L"demo@example.com", "demo"));
    test::TestTransferEvents events;
    s.client.SetTransferEvents(&events);
    int n = 0;
    for (const Row& row : rows) {
        auto start = Clock::now();
        unsigned long long hash = 0;
        std::string path = MakeFile("sync_client_upload.bin", row.size, 0x1234567u + n, hash);
        CString serverName;
        events.uploadReports = 0;
        int rc;
        if (row.fromFile) {
            rc = s.client.UploadAttachement(L"d\x00e4ta.bin", Wide(path).c_str(), "application/x-test", serverName);
        } else {
            FILE* f = fopen(path.c_str(), "rb");
            std::string bytes(row.size, '\0');
            fread(&bytes[0], 1, row.size, f);
            fclose(f);
            rc = s.client.UploadAttachement(L"d\x00e4ta.bin", bytes.data(), bytes.size(), "application/x-test", serverName);
            EXPECT_GT(events.uploadReports.load(), 0) << row.name;
            EXPECT_DOUBLE_EQ(100.0, events.lastPercent) << row.name;
        }
        DeleteFileA(path.c_str());
        ASSERT_EQ(0, rc) << row.name;
        ASSERT_FALSE(serverName.IsEmpty()) << row.name;

        Sync::CServerObject note;
        note.globalId.Format(L"att-note-%d", n);
        note.type = L"note";
        note.parentId = L"default";
        note.title = L"with attachment";
        note.text = L"<p>#attacheloc:att</p>";
        Sync::CServerAttach a;
        a.globalId.Format(L"att-%d", n);
        a.tempname = serverName;
        a.displayName = L"d\x00e4ta.bin";
        a.inList = 1;
        note.attachements.push_back(a);
        unsigned stamp = 0;
        CString desc;
        ASSERT_EQ(0, s.client.Store({note}, nullptr, stamp, desc)) << row.name << " " << desc.GetString();
        std::vector<Sync::CServerObject> back;
        ASSERT_EQ(0, s.client.DownloadNote("0", note.globalId, back)) << row.name;
        ASSERT_EQ(1u, back.size());
        ASSERT_EQ(1u, back[0].attachements.size());
        const Sync::CServerAttach& got = back[0].attachements[0];
        EXPECT_EQ(row.size, got.size) << row.name;
        EXPECT_STREQ(L"application/x-test", got.mime);
        EXPECT_STREQ(L"d\x00e4ta.bin", got.displayName);

        test::HashingSink sink;
        sink.keepBytes = false;
        ASSERT_EQ(0, s.client.DownloadAttachement(Sync::ToUtf8(got.location).c_str(), &sink, (long long)got.size))
            << row.name;
        EXPECT_EQ(row.size, sink.size) << row.name;
        EXPECT_EQ(hash, sink.hash) << row.name;
        printf("[   INFO   ] %s: round trip in %.1f s\n", row.name,
               std::chrono::duration<double>(Clock::now() - start).count());
        ++n;
    }
}

// A root store of the test's own with the stand-in's certificate in it. (Wine's system root
// store is a read-only copy of the host's roots, so a test cannot add one there.)
class TrustedCertificate {
public:
    explicit TrustedCertificate(const char* pemPath)
    {
        m_store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
        FILE* f = pemPath ? fopen(pemPath, "rb") : nullptr;
        if (!f || !m_store)
            return;
        std::string pem(16384, '\0');
        pem.resize(fread(&pem[0], 1, pem.size(), f));
        fclose(f);
        DWORD size = 0;
        if (!CryptStringToBinaryA(pem.c_str(), (DWORD)pem.size(), CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
            return;
        std::vector<BYTE> der(size);
        CryptStringToBinaryA(pem.c_str(), (DWORD)pem.size(), CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr);
        m_ok = CertAddEncodedCertificateToStore(m_store, X509_ASN_ENCODING, der.data(), size, CERT_STORE_ADD_ALWAYS, nullptr);
    }
    ~TrustedCertificate()
    {
        if (m_store)
            CertCloseStore(m_store, 0);
    }
    bool Ok() const { return m_ok; }
    HCERTSTORE Store() const { return m_store; }

private:
    HCERTSTORE m_store = nullptr;
    bool m_ok = false;
};

TEST(Service, HttpsNeedsATrustedCertificateForTheRightHost)
{
    const char* url = getenv("PELORA_TEST_HTTPS_URL");
    const char* cert = getenv("PELORA_TEST_HTTPS_CERT");
    ASSERT_TRUE(url && cert) << "started by with_noteservice.sh";
    std::string byName = url;
    byName.replace(byName.find("127.0.0.1"), 9, "localhost");
    TrustedCertificate trusted(cert);
    ASSERT_TRUE(trusted.Ok());
    TrustedCertificate empty(nullptr);
    Json::Value login;
    login["action"] = "user:auth";
    login["body"]["email"] = "nobody@example.com";
    login["body"]["password"] = "00000000000000000000000000000000";
    login["body"]["hauth"] = true;
    login["_client_software"] = "win_notes";
    struct Row {
        const char* name;
        std::string base;
        HCERTSTORE roots;
        int expected;
    } rows[] = {
        {"the system's roots do not know a self-signed certificate", url, nullptr, 4},
        {"trusted: the service answers (wrong password)", url, trusted.Store(), -3},
        {"trusted, but made for 127.0.0.1, not for localhost", byName, trusted.Store(), 4},
        {"roots without it", url, empty.Store(), 4},
    };
    for (const Row& row : rows) {
        Sync::CSync client(row.base.c_str(), "win_client");
        client.SetRootStore(row.roots);
        EXPECT_EQ(row.expected, client.SendRequestNoReply(login, 1)) << row.name;
    }
    // nothing of a refused request reached the service
    Json::Value op;
    op["op"] = "requests";
    Json::Value log = test::Control(url, op)["requests"];
    EXPECT_EQ(1u, log.size());
}

TEST(Service, UpdateCheckAndInstallerDownload)
{
    test::ResetService(true);
    Sync::CSync client(test::ServiceUrl().c_str(), "win_client");
    std::string reply;
    ASSERT_EQ(0, client.HttpGet(client.GetUpdateCheckUrl(), reply));
    int number = 0;
    CString text, url;
    ASSERT_TRUE(Sync::ParseUpdateReply(reply.c_str(), number, text, url)) << reply;
    EXPECT_EQ(209, number);
    EXPECT_STREQ(L"2.0.9", text);
    std::string file = test::TempPath("sync_client_setup.exe");
    ASSERT_EQ(0, client.HttpDownload(Sync::ToUtf8(url).c_str(), Wide(file).c_str()));
    WIN32_FILE_ATTRIBUTE_DATA info = {};
    ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &info));
    EXPECT_EQ(2u + 65536u, info.nFileSizeLow);

    Json::Value fault;
    fault["op"] = "fault";
    fault["target"] = "installer";
    fault["kind"] = "error";
    test::Control(fault);
    EXPECT_NE(0, client.HttpDownload(Sync::ToUtf8(url).c_str(), Wide(file).c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(file.c_str())) << "an error page is not kept as the installer";
    test::ClearFaults();
}

}  // namespace

namespace {

TEST(Service, CompressedRepliesAreRead)
{
    test::ResetService(true);
    Json::Value op;
    op["op"] = "options";
    op["deflate"] = true;
    test::Control(op);
    Session s;
    ASSERT_EQ(0, s.SignIn(L"demo@example.com", "demo"));
    Sync::CDataStruct data;
    ASSERT_EQ(0, s.client.GetDataStruct("0", data));
    EXPECT_GE(data.items.size(), 4u);   // the demo account's folders and notes
    Json::Value log = RequestLog();
    ASSERT_GT(log.size(), 0u);
    for (const Json::Value& entry : log)
        EXPECT_NE(std::string::npos, entry["accept_encoding"].asString().find("deflate"));
    test::ResetService(true);
}

}  // namespace
