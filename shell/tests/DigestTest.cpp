#include "Base64.h"
#include "BinRes.h"
#include "Md5.h"
#include "MemoryStream.h"
#include "TestUtil.h"
#include <shlwapi.h>
#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {

using testutil::TempDir;

// RFC 1321, appendix A.5
const struct {
    const char* text;
    const char* hex;
} kMd5Vectors[] = {
    {"", "D41D8CD98F00B204E9800998ECF8427E"},
    {"a", "0CC175B9C0F1B6A831C399E269772661"},
    {"abc", "900150983CD24FB0D6963F7D28E17F72"},
    {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
    {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57EDF4A22BE3C955AC49DA2E2107B67A"},
};

TEST(Md5, RfcVectors)
{
    CMD5 md5;
    for (auto& v : kMd5Vectors) {
        md5.Init();
        md5.Update(v.text, strlen(v.text));
        EXPECT_STREQ(v.hex, md5.HexDigest()) << v.text;
    }
    // the same digest fed in pieces, and raw bytes of the last one
    md5.Init();
    md5.Update("message ", 8);
    md5.Update("digest", 6);
    EXPECT_STREQ("F96B697D7CB7938D525A2F31AAF161D0", md5.HexDigest());
    unsigned char raw[16];
    md5.Init();
    md5.Update("abc", 3);
    md5.Final(raw);
    EXPECT_EQ(0x90, raw[0]);
    EXPECT_EQ(0x72, raw[15]);
}

TEST(Md5, DigestFile)
{
    TempDir dir;
    CMD5 md5;
    ASSERT_TRUE(testutil::WriteAll(dir / L"empty", ""));
    EXPECT_STREQ(L"D41D8CD98F00B204E9800998ECF8427E", (const wchar_t*)md5.DigestFile((dir / L"empty").c_str()));
    ASSERT_TRUE(testutil::WriteAll(dir / L"abc", "abc"));
    EXPECT_STREQ(L"900150983CD24FB0D6963F7D28E17F72", (const wchar_t*)md5.DigestFile((dir / L"abc").c_str()));
    EXPECT_STREQ(L"", (const wchar_t*)md5.DigestFile((dir / L"missing").c_str()));

    // a file longer than one read block equals the digest of its bytes in one piece
    std::string big(2500001, 'q');
    for (size_t i = 0; i < big.size(); i += 997)
        big[i] = (char)i;
    ASSERT_TRUE(testutil::WriteAll(dir / L"big", big));
    md5.Init();
    md5.Update(big.data(), big.size());
    std::string expected = md5.HexDigest();
    CString got = md5.DigestFile((dir / L"big").c_str());
    EXPECT_EQ(std::wstring(expected.begin(), expected.end()), std::wstring((const wchar_t*)got));
}

std::string Decode(const char* text, int length = -1)
{
    int n = length < 0 ? (int)strlen(text) : length;
    std::string out(Base64DecodedSize(n) + 1, '\0');
    int got = Base64Decode(text, length, &out[0]);
    EXPECT_LE(got, Base64DecodedSize(n)) << text;
    out.resize(got);
    return out;
}

TEST(Base64, Decode)
{
    const struct {
        const char* text;
        const char* bytes;
    } cases[] = {
        {"TWFu", "Man"},
        {"TWE=", "Ma"},
        {"TQ==", "M"},
        {"TWFu\r\nTWFu", "ManMan"},
        {" TW Fu\tTW\vE=", "ManMa"},       // any white space is skipped
        {"TWFu=TWFu", "Man"},              // the first "=" ends the data
        {"TW!F*u", "Man"},                 // characters outside the alphabet are ignored
        {"TWE", "Ma"},                     // unpadded last group
        {"TQ", "M"},
        {"T", ""},
        {"", ""},
        {"+/+/", "\xFB\xFF\xBF"},
    };
    for (auto& c : cases)
        EXPECT_EQ(std::string(c.bytes), Decode(c.text)) << c.text;
    EXPECT_EQ("Ma", Decode("TWFu", 3));    // only the given length is read
    EXPECT_EQ(6, Base64DecodedSize(8));
    EXPECT_EQ(3, Base64DecodedSize(3));
}

TEST(MemoryStream, WriteSeekRead)
{
    CMemoryStream s;
    ULONG n = 0;
    ASSERT_EQ(S_OK, s.Write("0123456789", 10, &n));
    EXPECT_EQ(10u, n);
    EXPECT_EQ(10u, s.GetSize());
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER pos = {};
    ASSERT_EQ(S_OK, s.Seek(zero, STREAM_SEEK_SET, &pos));
    EXPECT_EQ(0u, pos.QuadPart);
    char buf[20] = {};
    ASSERT_EQ(S_OK, s.Read(buf, 20, &n));
    EXPECT_EQ(10u, n);
    EXPECT_EQ(0, memcmp(buf, "0123456789", 10));

    // a write from the middle grows the block to exactly its end
    LARGE_INTEGER back;
    back.QuadPart = -3;
    ASSERT_EQ(S_OK, s.Seek(back, STREAM_SEEK_END, &pos));
    EXPECT_EQ(7u, pos.QuadPart);
    ASSERT_EQ(S_OK, s.Write("abcde", 5, &n));
    EXPECT_EQ(12u, s.GetSize());
    EXPECT_EQ(0, memcmp(s.GetData(), "0123456abcde", 12));

    // past the end fails and keeps the position
    LARGE_INTEGER beyond;
    beyond.QuadPart = 13;
    EXPECT_EQ(E_FAIL, s.Seek(beyond, STREAM_SEEK_SET, &pos));
    EXPECT_EQ(12u, s.GetPosition());
    back.QuadPart = -13;
    EXPECT_EQ(E_FAIL, s.Seek(back, STREAM_SEEK_CUR, nullptr));

    STATSTG st;
    ASSERT_EQ(S_OK, s.Stat(&st, STATFLAG_NONAME));
    EXPECT_EQ((DWORD)STGTY_STREAM, st.type);
    EXPECT_EQ(12u, st.cbSize.QuadPart);
    EXPECT_NE(0u, st.mtime.dwHighDateTime);

    BYTE* block = s.Detach();
    EXPECT_EQ(0u, s.GetSize());
    delete[] block;
}

TEST(MemoryStream, AnswersItsInterfaces)
{
    CMemoryStream s;
    for (REFIID iid : {IID_IUnknown, IID_ISequentialStream, IID_IStream}) {
        void* p = nullptr;
        ASSERT_EQ(S_OK, s.QueryInterface(iid, &p));
        EXPECT_EQ(static_cast<IStream*>(&s), p);
        EXPECT_EQ(0u, s.Release());
    }
    void* p = (void*)1;
    EXPECT_EQ(E_NOINTERFACE, s.QueryInterface(IID_IPersist, &p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(E_NOTIMPL, s.Clone(nullptr));

    // the system's stream helpers can use it
    IStream* stream = &s;
    ULONG n = 0;
    ASSERT_EQ(S_OK, stream->Write("xyz", 3, &n));
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    char buf[4] = {};
    ASSERT_EQ(S_OK, IStream_Read(stream, buf, 3));
    EXPECT_STREQ("xyz", buf);
    delete[] s.Detach();
}

TEST(BinRes, ResourceIntoMemory)
{
    BYTE* data = nullptr;
    DWORD size = 0;
    ASSERT_EQ(1, Utils::BinRes::ExtractBinResource(L"TEXTFILE", 901, data, size));
    const char expected[] = "port={{SRVPORT}};again={{SRVPORT}};cut={{SRVPORT}";
    ASSERT_EQ(sizeof expected - 1, size);
    EXPECT_EQ(0, memcmp(data, expected, size));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(0, data[size + i]);
    delete[] data;

    ASSERT_EQ(1, Utils::BinRes::ExtractBinResource(L"TEXTFILE", 999, data, size));
    EXPECT_EQ(0u, size);
    EXPECT_EQ(0, data[0]);
    delete[] data;
}

TEST(BinRes, ResourceIntoFileWithThePort)
{
    TempDir dir;
    Utils::BinRes::SetServerPort(51234);
    std::wstring path = dir / L"page.txt";
    ASSERT_EQ(1, Utils::BinRes::ExtractBinResource(L"TEXTFILE", 901, path.c_str()));
    std::string text;
    ASSERT_TRUE(testutil::ReadAll(path, text));
    EXPECT_EQ("port=51234;again=51234;cut={{SRVPORT}", text);

    ASSERT_EQ(1, Utils::BinRes::ExtractBinResource(L"TEXTFILE", 999, path.c_str()));
    ASSERT_TRUE(testutil::ReadAll(path, text));
    EXPECT_EQ("", text);
    EXPECT_EQ(0, Utils::BinRes::ExtractBinResource(L"TEXTFILE", 901, (dir / L"no\\such.txt").c_str()));
    Utils::BinRes::SetServerPort(0);
}

} // namespace
