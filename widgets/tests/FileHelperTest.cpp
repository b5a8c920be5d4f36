#include "LWFileHelper.h"
#include "LWFunctions.h"
#include <gtest/gtest.h>
#include <shellapi.h>
#include <string>
#include <vector>

namespace {

std::wstring W(const CString& s)
{
    return (const wchar_t*)s;
}

bool Exists(const std::wstring& p)
{
    return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDir(const std::wstring& p)
{
    DWORD a = GetFileAttributesW(p.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void Touch(const std::wstring& p, const char* text = "x")
{
    HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << std::string(p.begin(), p.end());
    DWORD n;
    WriteFile(h, text, (DWORD)strlen(text), &n, nullptr);
    CloseHandle(h);
}

// A scratch folder under the temporary folder (removed with the helper under test).
struct Scratch {
    std::wstring path;
    Scratch()
    {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        static int n = 0;
        path = std::wstring(base) + L"lw_files_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
               std::to_wstring(++n);
        CreateDirectoryW(path.c_str(), nullptr);
    }
    ~Scratch() { LWFileHelper::RemoveDir(path.c_str()); }
    std::wstring operator/(const std::wstring& name) const { return path + L"\\" + name; }
};

TEST(FileHelper, MimeTypes)
{
    const struct {
        const wchar_t* name;
        const wchar_t* type;
    } cases[] = {
        {L"Report.PDF", L"application/octet-stream"},
        {L"a.JPEG", L"image/jpeg"},
        {L"song.ogg", L"audio/ogg"},
        {L"clip.asf", L"audio/asf"},
        {L"x.tar.gz", L"application/gzip"},
        {L"letter.docx", L"application/msword"},
        {L"old.Doc", L"application/msword"},
        {L"sheet.XLSX", L"application/excel"},
        {L"deck.odp", L"application/ms-powerpoint"},
        {L"movie.ts", L"video/ts"},
        {L"page.html", L"text/html"},
        {L"page.htm", L"application/octet-stream"},
        {L"pack.7z", L"application/x-7z-compressed"},
        {L"sound.flac", L"audio/flac"},
        {L"arch.bz2", L"application/bzip2"},
        {L"setup.msi", L"application/octet-stream"},
        {L"noextension", L"application/octet-stream"},
        {L"", L"application/octet-stream"},
    };
    for (auto& c : cases)
        EXPECT_EQ(std::wstring(c.type), W(LWFileHelper::GetMimeType(c.name))) << c.name;
}

TEST(FileHelper, PathParts)
{
    EXPECT_EQ(L"b.png", W(LWFileHelper::UrlGetFileName(L"http://host/a/b.png")));
    EXPECT_EQ(L"y.txt", W(LWFileHelper::UrlGetFileName(L"C:\\x\\y.txt")));
    EXPECT_EQ(L"plain", W(LWFileHelper::UrlGetFileName(L"plain")));
    EXPECT_EQ(L"", W(LWFileHelper::UrlGetFileName(L"dir/")));
    EXPECT_EQ(L"C:\\x\\", W(LWFileHelper::GetDirName(L"C:\\x\\y.txt")));
    EXPECT_EQ(L"a/b/", W(LWFileHelper::GetDirName(L"a/b/c")));
    EXPECT_EQ(L"plain", W(LWFileHelper::GetDirName(L"plain")));
}

TEST(FileHelper, UrlsAndDecoding)
{
    EXPECT_TRUE(LWFileHelper::IsUrlEmpty(L""));
    EXPECT_TRUE(LWFileHelper::IsUrlEmpty(L"   "));
    EXPECT_TRUE(LWFileHelper::IsUrlEmpty(L"  HTTP://  "));
    EXPECT_TRUE(LWFileHelper::IsUrlEmpty(L"://"));
    EXPECT_FALSE(LWFileHelper::IsUrlEmpty(L"http://host"));
    EXPECT_FALSE(LWFileHelper::IsUrlEmpty(L"ab"));

    const struct {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"a%20b", L"a b"},
        {L"%2f%2F", L"//"},
        {L"%e9t%C3%A9", L"\x00E9t\x00C3\x00A9"},   // one character per escape, no UTF-8 decoding
        {L"%zz", L"%zz"},
        {L"%00x", L"%00x"},
        {L"100%", L"100%"},
        {L"%4", L"%4"},
        {L"%%41", L"%A"},
        {L"", L""},
    };
    for (auto& c : cases) {
        wchar_t* d = LWFileHelper::DecodeURI(c.in);
        EXPECT_STREQ(c.out, d) << c.in;
        delete[] d;
    }
    wchar_t* none = LWFileHelper::DecodeURI(nullptr);
    EXPECT_STREQ(L"", none);
    delete[] none;
}

// Sets an environment variable for the test's scope.
struct EnvVar {
    std::wstring name, old;
    bool had;
    EnvVar(const wchar_t* n, const wchar_t* value) : name(n)
    {
        wchar_t buf[2048];
        had = GetEnvironmentVariableW(n, buf, 2048) > 0;
        if (had)
            old = buf;
        SetEnvironmentVariableW(n, value);
    }
    ~EnvVar() { SetEnvironmentVariableW(name.c_str(), had ? old.c_str() : nullptr); }
};

TEST(FileHelper, TemporaryFolders)
{
    {
        EnvVar temp(L"TEMP", L"X:\\t"), tmp(L"TMP", L"Y:\\u\\");
        EXPECT_EQ(L"X:\\t\\", W(LWFileHelper::GetTempDir()));
    }
    {
        EnvVar temp(L"TEMP", nullptr), tmp(L"TMP", L"Y:\\u/");
        EXPECT_EQ(L"Y:\\u/", W(LWFileHelper::GetTempDir()));
    }
    {
        EnvVar temp(L"TEMP", nullptr), tmp(L"TMP", nullptr);
        EXPECT_EQ(L"\\", W(LWFileHelper::GetTempDir()));
    }
    Scratch s;
    EnvVar temp(L"TEMP", s.path.c_str());
    std::wstring made = W(LWFileHelper::CreateDirInTemp());
    ASSERT_EQ(s.path.size() + 1 + 30, made.size());
    EXPECT_EQ(s.path + L"\\", made.substr(0, s.path.size() + 1));
    EXPECT_TRUE(IsDir(made));
    EXPECT_NE(made, W(LWFileHelper::CreateDirInTemp()));
}

TEST(FileHelper, CreateCountAndRemoveDirectories)
{
    Scratch s;
    std::wstring deep = s / L"a\\b\\c";
    EXPECT_TRUE(LWFileHelper::CreateDir(deep.c_str()));
    EXPECT_TRUE(IsDir(deep));
    EXPECT_TRUE(LWFileHelper::CreateDir(deep.c_str()));            // already there
    EXPECT_TRUE(LWFileHelper::CreateDir((s / L"d\\e\\").c_str()));  // a final separator
    EXPECT_TRUE(IsDir(s / L"d\\e"));
    Touch(s / L"file");
    EXPECT_FALSE(LWFileHelper::CreateDir((s / L"file").c_str()));   // a file holds the place
    EXPECT_FALSE(LWFileHelper::CreateDir(L"Q:nowhere"));   // no separator and no such drive

    Touch(s / L"a\\1");
    Touch(s / L"a\\b\\2");
    Touch(s / L"a\\b\\c\\3");
    EXPECT_EQ(3u, LWFileHelper::CountFiles((s / L"a").c_str()));
    EXPECT_EQ(0u, LWFileHelper::CountFiles((s / L"missing").c_str()));

    LWFileHelper::RemoveDir((s / L"a\\").c_str());
    EXPECT_FALSE(Exists(s / L"a"));
    EXPECT_TRUE(Exists(s / L"file"));
}

TEST(FileHelper, CopyDirReportsProgressAndPartialCopies)
{
    Scratch s;
    CreateDirectoryW((s / L"src").c_str(), nullptr);
    CreateDirectoryW((s / L"dst").c_str(), nullptr);
    for (const wchar_t* n : {L"1", L"2", L"3", L"4"})
        Touch(s / (std::wstring(L"src\\") + n), "data");
    float percent = -1;
    UINT done = 7, total = 0;
    EXPECT_TRUE(LWFileHelper::CopyDir((s / L"src\\").c_str(), (s / L"dst").c_str(), &percent, done, total));
    EXPECT_EQ(4u, total);
    EXPECT_EQ(4u, done);
    EXPECT_FLOAT_EQ(100.0f, percent);
    EXPECT_TRUE(Exists(s / L"dst\\3"));

    // a preset total: four of eight is 50 per cent
    done = 0;
    total = 8;
    EXPECT_TRUE(LWFileHelper::CopyDir((s / L"src").c_str(), (s / L"dst").c_str(), &percent, done, total));
    EXPECT_FLOAT_EQ(50.0f, percent);

    // a missing destination subfolder is made; a file that cannot be written makes the result FALSE
    CreateDirectoryW((s / L"src\\sub").c_str(), nullptr);
    Touch(s / L"src\\sub\\5");
    DeleteFileW((s / L"dst\\4").c_str());
    CreateDirectoryW((s / L"dst\\4").c_str(), nullptr);   // a folder where file 4 should go
    done = total = 0;
    EXPECT_FALSE(LWFileHelper::CopyDir((s / L"src").c_str(), (s / L"dst").c_str(), nullptr, done, total));
    EXPECT_EQ(5u, total);
    EXPECT_EQ(5u, done);
    EXPECT_TRUE(Exists(s / L"dst\\sub\\5"));
    EXPECT_TRUE(Exists(s / L"dst\\2"));

    EXPECT_FALSE(LWFileHelper::CopyDir((s / L"nothing").c_str(), (s / L"dst").c_str(), nullptr, done, total));
    CreateDirectoryW((s / L"empty").c_str(), nullptr);
    done = total = 0;
    EXPECT_TRUE(LWFileHelper::CopyDir((s / L"empty").c_str(), (s / L"dst").c_str(), nullptr, done, total));
}

TEST(FileHelper, MoveFilesAndFolders)
{
    Scratch s;
    Touch(s / L"f.txt");
    EXPECT_TRUE(LWFileHelper::Move((s / L"f.txt").c_str(), (s / L"g.txt").c_str(), 0));
    EXPECT_TRUE(Exists(s / L"g.txt"));
    EXPECT_FALSE(LWFileHelper::Move((s / L"f.txt").c_str(), (s / L"h.txt").c_str(), 0));

    LWFileHelper::CreateDir((s / L"tree\\inner").c_str());
    Touch(s / L"tree\\1");
    Touch(s / L"tree\\inner\\2");
    CreateDirectoryW((s / L"into").c_str(), nullptr);
    EXPECT_FALSE(LWFileHelper::Move((s / L"tree").c_str(), (s / L"g.txt").c_str(), 0));   // a file as target
    EXPECT_TRUE(LWFileHelper::Move((s / L"tree").c_str(), (s / L"into").c_str(), 0));
    EXPECT_TRUE(Exists(s / L"into\\tree\\1"));
    EXPECT_TRUE(Exists(s / L"into\\tree\\inner\\2"));
    EXPECT_FALSE(Exists(s / L"tree"));
}

// A copy or move whose destination is the source or lies inside it is refused before anything
// is written, however the two paths are spelled; a neighbour whose name merely starts the same
// is not inside.
TEST(FileHelper, CopyAndMoveRefuseTheSourceTree)
{
    const struct {
        const wchar_t* src;
        const wchar_t* dst;   // "*short": the 8.3 form of src\Long Folder Name
        bool copyRefused, moveRefused;
    } cases[] = {
        {L"src", L"src", true, true},
        {L"src", L"src\\sub", true, true},
        {L"src", L"SRC\\Sub\\", true, true},
        {L"src", L"src\\sub\\..\\sub\\deeper\\..", true, true},
        {L"src", L"src/sub", true, true},
        {L"src", L"*short", true, true},
        {L"src\\", L"src\\.\\sub", true, true},
        {L"src", L"src2", false, false},
        {L"src", L"other", false, false},
        // into the folder that holds it: a copy is fine, a move would put it onto itself
        {L"src\\sub", L"src", false, true},
        {L"src", L".", false, true},
    };
    for (const auto& c : cases) {
        Scratch s;
        LWFileHelper::CreateDir((s / L"src\\sub").c_str());
        LWFileHelper::CreateDir((s / L"src\\Long Folder Name").c_str());
        LWFileHelper::CreateDir((s / L"src2").c_str());
        LWFileHelper::CreateDir((s / L"other").c_str());
        Touch(s / L"src\\a.txt");
        Touch(s / L"src\\sub\\b.txt");
        std::wstring src = s / c.src, dst = s / c.dst;
        if (std::wstring(c.dst) == L"*short") {
            wchar_t shortPath[MAX_PATH] = {};
            ASSERT_NE(0u, GetShortPathNameW((s / L"src\\Long Folder Name").c_str(), shortPath, MAX_PATH));
            dst = shortPath;
        }
        std::string row = std::string(c.src, c.src + wcslen(c.src)) + " -> " + std::string(c.dst, c.dst + wcslen(c.dst));

        UINT done = 0, total = 0;
        SetLastError(0);
        BOOL copied = LWFileHelper::CopyDir(src.c_str(), dst.c_str(), nullptr, done, total);
        if (c.copyRefused) {
            EXPECT_FALSE(copied) << row;
            EXPECT_EQ((DWORD)LWFileHelper::ErrorDestinationInsideSource, GetLastError()) << row;
            EXPECT_EQ(0u, done) << row;
            EXPECT_FALSE(Exists(s / L"src\\sub\\sub")) << row;
            EXPECT_FALSE(Exists(s / L"src\\sub\\a.txt")) << row;
        } else {
            EXPECT_TRUE(copied) << row;
        }

        SetLastError(0);
        BOOL moved = LWFileHelper::Move(src.c_str(), dst.c_str(), 0);
        if (c.moveRefused) {
            EXPECT_FALSE(moved) << row;
            EXPECT_EQ((DWORD)LWFileHelper::ErrorDestinationInsideSource, GetLastError()) << row;
            EXPECT_TRUE(Exists(s / L"src\\sub\\b.txt")) << row;
            EXPECT_FALSE(Exists(s / L"src\\sub\\sub")) << row;
            EXPECT_FALSE(Exists(s / L"src\\src")) << row;
        } else {
            EXPECT_TRUE(moved) << row;
            EXPECT_TRUE(Exists(dst + L"\\src\\sub\\b.txt")) << row;
            EXPECT_FALSE(Exists(src)) << row;
        }
    }

    // the comparison alone, for paths that need not exist
    EXPECT_TRUE(LWFileHelper::IsSameOrInside(L"C:\\Data\\new\\deeper", L"c:\\data\\"));
    EXPECT_TRUE(LWFileHelper::IsSameOrInside(L"C:\\x", L"C:\\"));
    EXPECT_FALSE(LWFileHelper::IsSameOrInside(L"C:\\Database", L"C:\\Data"));
    EXPECT_FALSE(LWFileHelper::IsSameOrInside(L"C:\\Data", L"C:\\Data\\new"));
    EXPECT_FALSE(LWFileHelper::IsSameOrInside(L"", L"C:\\Data"));
}

TEST(FileHelper, UniqueNamesAndReadability)
{
    Scratch s;
    std::wstring dir = s.path + L"\\";
    EXPECT_EQ(L"a.txt", W(LWFileHelper::MakeUniqueFileName(dir.c_str(), L"a.txt")));
    Touch(s / L"a.txt");
    EXPECT_EQ(L"a_1.txt", W(LWFileHelper::MakeUniqueFileName(dir.c_str(), L"a.txt")));
    CreateDirectoryW((s / L"a_1.txt").c_str(), nullptr);   // a folder takes the name too
    EXPECT_EQ(L"a_2.txt", W(LWFileHelper::MakeUniqueFileName(dir.c_str(), L"a.txt")));
    Touch(s / L".profile");
    EXPECT_EQ(L".profile_1", W(LWFileHelper::MakeUniqueFileName(dir.c_str(), L".profile")));
    Touch(s / L"readme");
    EXPECT_EQ(L"readme_1", W(LWFileHelper::MakeUniqueFileName(dir.c_str(), L"readme")));

    EXPECT_TRUE(LWFileHelper::IsFileReadable((s / L"a.txt").c_str()));
    EXPECT_FALSE(LWFileHelper::IsFileReadable((s / L"none.txt").c_str()));
    EXPECT_FALSE(LWFileHelper::IsFileReadable(s.path.c_str()));
}

// A key under HKEY_CURRENT_USER that the test removes again.
struct TestKey {
    std::wstring path = L"Software\\PeloraTests\\FileHelper" + std::to_wstring(GetCurrentProcessId());
    ~TestKey() { LWFileHelper::RemoveReg(path.c_str(), HKEY_CURRENT_USER); }
    void Set(const std::wstring& sub, const wchar_t* name, DWORD type, const void* data, DWORD size)
    {
        HKEY k;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, (path + sub).c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &k, nullptr));
        if (name)
            RegSetValueExW(k, name, 0, type, (const BYTE*)data, size);
        RegCloseKey(k);
    }
    bool Has(const std::wstring& sub)
    {
        HKEY k;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, (path + sub).c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
            return false;
        RegCloseKey(k);
        return true;
    }
};

TEST(FileHelper, RegistryMoveKeepsWholeValues)
{
    TestKey key;
    std::vector<BYTE> big(5000);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = (BYTE)(i * 7);
    const wchar_t text[] = L"a text value";
    DWORD number = 42;
    key.Set(L"\\from\\Users", L"big", REG_BINARY, big.data(), (DWORD)big.size());
    key.Set(L"\\from\\Users", L"text", REG_SZ, text, sizeof text);
    key.Set(L"\\from\\Users\\inner\\deeper", L"n", REG_DWORD, &number, sizeof number);
    key.Set(L"\\to", nullptr, 0, nullptr, 0);

    ASSERT_TRUE(LWFileHelper::RegMoveKey((key.path + L"\\from\\Users").c_str(), (key.path + L"\\to").c_str()));
    EXPECT_FALSE(key.Has(L"\\from\\Users"));
    EXPECT_TRUE(key.Has(L"\\to\\Users\\inner\\deeper"));
    std::vector<BYTE> got(6000);
    DWORD size = (DWORD)got.size(), type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, (key.path + L"\\to\\Users").c_str(), L"big",
                                          RRF_RT_ANY, &type, got.data(), &size));
    EXPECT_EQ((DWORD)REG_BINARY, type);
    ASSERT_EQ(big.size(), size);
    EXPECT_EQ(0, memcmp(big.data(), got.data(), size));
    wchar_t back[64] = {};
    size = sizeof back;
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, (key.path + L"\\to\\Users").c_str(), L"text",
                                          RRF_RT_REG_SZ, nullptr, back, &size));
    EXPECT_STREQ(text, back);
    DWORD n = 0;
    size = sizeof n;
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, (key.path + L"\\to\\Users\\inner\\deeper").c_str(),
                                          L"n", RRF_RT_REG_DWORD, nullptr, &n, &size));
    EXPECT_EQ(42u, n);

    EXPECT_FALSE(LWFileHelper::RegMoveKey((key.path + L"\\missing").c_str(), (key.path + L"\\to").c_str()));
}

TEST(FileHelper, RegistryDeleteTrees)
{
    TestKey key;
    key.Set(L"\\a\\b\\c", L"v", REG_SZ, L"x", 4);
    key.Set(L"\\a\\d", nullptr, 0, nullptr, 0);
    wchar_t buffer[1024];
    wcscpy(buffer, (key.path + L"\\a").c_str());
    EXPECT_TRUE(LWFileHelper::RegDelnodeRecurse(HKEY_CURRENT_USER, buffer));
    EXPECT_STREQ((key.path + L"\\a").c_str(), buffer);   // the buffer is restored
    EXPECT_FALSE(key.Has(L"\\a"));
    EXPECT_TRUE(LWFileHelper::RegDelnodeRecurse(HKEY_CURRENT_USER, buffer));   // "Key not found."

    key.Set(L"\\r\\s\\t", nullptr, 0, nullptr, 0);
    LWFileHelper::RemoveReg((key.path + L"\\r").c_str(), HKEY_CURRENT_USER);
    EXPECT_FALSE(key.Has(L"\\r"));
    EXPECT_TRUE(key.Has(L""));
}

TEST(LibraryFunctions, GenerateKeyString)
{
    CString a, b(L"old");
    EXPECT_EQ(4, LWGenerateKeyString(a));
    EXPECT_EQ(4, LWGenerateKeyString(b));
    for (const CString* s : {&a, &b}) {
        ASSERT_EQ(30, s->GetLength());
        for (int i = 0; i < 30; ++i) {
            wchar_t c = (*s)[i];
            EXPECT_TRUE((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F')) << W(*s);
        }
    }
    EXPECT_NE(W(a), W(b));
}

} // namespace
