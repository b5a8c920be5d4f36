#include "TextConv.h"
#include <gtest/gtest.h>
#include <malloc.h>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Utf8Case {
    const char* utf8;
    const wchar_t* wide;
};

// Round trips between UTF-8 and UTF-16, including characters outside the basic plane.
const Utf8Case kRoundTrips[] = {
    {"", L""},
    {"abc", L"abc"},
    {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", L"\x041F\x0440\x0438\x0432\x0435\x0442"},
    {"\xE2\x82\xAC 5", L"\x20AC 5"},
    {"\xF0\x9F\x98\x80!", L"\xD83D\xDE00!"},
    {"\xEF\xBF\xBF", L"\xFFFF"},
};

TEST(TextConv, Utf8AndWideRoundTrip)
{
    for (const Utf8Case& c : kRoundTrips) {
        CString w(L"old");
        int n = Utf8ToWide(c.utf8, w);
        EXPECT_STREQ(c.wide, (const wchar_t*)w) << c.utf8;
        EXPECT_EQ((int)wcslen(c.wide) + 1, n);

        char* back = nullptr;
        int bytes = WideToUtf8(c.wide, back);
        ASSERT_NE(nullptr, back);
        EXPECT_EQ((int)strlen(c.utf8) + 1, bytes);
        EXPECT_STREQ(c.utf8, back);
        delete[] back;

        wchar_t* copy = utf8_to_unicode(c.utf8);
        ASSERT_NE(nullptr, copy);
        EXPECT_STREQ(c.wide, copy);
        free(copy);
    }
}

TEST(TextConv, InvalidUtf8BecomesReplacementCharacters)
{
    struct {
        const char* utf8;
        const wchar_t* wide;
    } cases[] = {
        {"\xC3\x28", L"\xFFFD("},         // lead byte without its continuation
        {"a\x80z", L"a\xFFFDz"},          // lone continuation byte
        {"\xED\xA0\x80", nullptr},        // an encoded surrogate is not UTF-8
        {"\xC0\xAF", nullptr},            // overlong "/"
    };
    for (auto& c : cases) {
        CString w;
        Utf8ToWide(c.utf8, w);
        if (c.wide) {
            EXPECT_STREQ(c.wide, (const wchar_t*)w);
        }
        // whatever the exact replacement, nothing invalid gets through as text
        EXPECT_EQ(-1, w.Find(L'/')) << c.utf8;
        for (int i = 0; i < w.GetLength(); ++i)
            EXPECT_FALSE(w[i] >= 0xD800 && w[i] <= 0xDFFF) << c.utf8;
    }
}

TEST(TextConv, LoneSurrogatesBecomeReplacementCharacters)
{
    char* utf8 = nullptr;
    EXPECT_EQ(8, WideToUtf8(L"\xD800" L"a" L"\xDC00", utf8));
    ASSERT_NE(nullptr, utf8);
    EXPECT_STREQ("\xEF\xBF\xBD" "a" "\xEF\xBF\xBD", utf8);
    delete[] utf8;
}

TEST(TextConv, NullSourcesLeaveTargetsAlone)
{
    CString w(L"keep");
    EXPECT_EQ(0, Utf8ToWide(nullptr, w));
    EXPECT_STREQ(L"keep", (const wchar_t*)w);

    char* untouched = (char*)"x";
    EXPECT_EQ(0, WideToUtf8(nullptr, untouched));
    EXPECT_STREQ("x", untouched);

    EXPECT_EQ(nullptr, utf8_to_unicode(nullptr));
    EXPECT_EQ(nullptr, unicode_to_1251(nullptr));
    EXPECT_EQ(nullptr, cp1251_to_unicode(nullptr));
}

TEST(TextConv, CodePage1251)
{
    struct {
        const char* cp;
        const wchar_t* wide;
    } cases[] = {
        {"", L""},
        {"Hello", L"Hello"},
        {"\xCF\xF0\xE8\xE2\xE5\xF2", L"\x041F\x0440\x0438\x0432\x0435\x0442"},   // Привет
        {"\xA8\xB8\xB9", L"\x0401\x0451\x2116"},                                 // Ё ё №
        {"\x88", L"\x20AC"},                                                     // euro sign
    };
    for (auto& c : cases) {
        wchar_t* w = cp1251_to_unicode(c.cp);
        ASSERT_NE(nullptr, w);
        EXPECT_STREQ(c.wide, w);
        // room for eight more zero characters behind the text
        EXPECT_GE(_msize(w), (wcslen(c.wide) + 9) * sizeof(wchar_t));
        free(w);
        char* back = unicode_to_1251(c.wide);
        ASSERT_NE(nullptr, back);
        EXPECT_STREQ(c.cp, back);
        free(back);
    }
    // a character the code page lacks becomes the default character
    char* lossy = unicode_to_1251(L"a\x4E2D" L"b");
    ASSERT_NE(nullptr, lossy);
    EXPECT_STREQ("a?b", lossy);
    free(lossy);
}

TEST(TextConv, DetectTextEncoding)
{
    struct {
        std::string bytes;
        int expected;
    } cases[] = {
        {"abc", 1},
        {std::string("ab\0cd", 5), 2},
        {"\xC3\x28", 3},
        {"a\xC3", 3},                                    // lead byte at the end
        {"", 1},
        {"\xEF\xBB\xBF\xFF\xFF", 1},                     // byte-order marks decide
        {"\xFF\xFE" "a", 2},
        {"\xFE\xFF", 2},
        {std::string("abc\0\0", 5), 1},                  // trailing zeros are not examined
        {std::string("\0\0", 2), 1},
        {"\xD0\x9F\xE2\x82\xAC\xF0\x9F\x98\x80", 1},     // two-, three- and four-byte sequences
        {"\x80", 3},                                     // lone continuation byte
        {"\xF8\x88\x80\x80\x80", 3},                     // 11111xxx
        {"\xE2\x82", 3},                                 // cut sequence
        {"\xE2\x28\xAC", 3},                             // wrong continuation
        {"\xCF\xF0\xE8\xE2\xE5\xF2", 3},                 // code page 1251 text
        // the edges of each sequence length
        {"\xC2\x80\xDF\xBF", 1},                             // U+0080, U+07FF
        {"\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80", 1},        // U+0800, U+D7FF, U+E000
        {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", 1},             // U+10000, U+10FFFF
        // overlong forms
        {"\xC0\x80", 3},
        {"\xC1\xBF", 3},
        {"\xE0\x80\x80", 3},
        {"\xE0\x9F\xBF", 3},
        {"\xF0\x80\x80\x80", 3},
        {"\xF0\x8F\xBF\xBF", 3},
        // UTF-16 surrogates written as UTF-8, alone and as a pair
        {"\xED\xA0\x80", 3},
        {"\xED\xBF\xBF", 3},
        {"\xED\xA0\xBD\xED\xB8\x80", 3},
        // past U+10FFFF
        {"\xF4\x90\x80\x80", 3},
        {"\xF5\x80\x80\x80", 3},
        {"\xFF", 3},
        // cut off at the end and in the middle
        {"\xF0\x9F\x98", 3},
        {"\xF0\x9F" "a", 3},
    };
    for (auto& c : cases)
        EXPECT_EQ(c.expected, DetectTextEncoding(c.bytes.data(), c.bytes.size())) << testing::PrintToString(c.bytes);
}

// Code page 1251 text whose bytes happen to pair up like UTF-8 sequences (a capital before a
// closing quote or degree sign, a letter before a no-break space and a dash) is read as
// code page 1251, the way the text importer decodes a file it sniffed.
TEST(TextConv, Cp1251TextThatLooksLikeUtf8DecodesAsCp1251)
{
    struct {
        const char* bytes;
        const wchar_t* text;
    } cases[] = {
        {"Sort \xC0\xBB", L"Sort \x0410\x00BB"},                 // А»
        {"\xC1\xB0", L"\x0411\x00B0"},                           // Б°
        {"\xED\xA0\x97 5", L"\x043D\x00A0\x2014 5"},            // н, no-break space, em dash
        {"\xE0\x93\x94", L"\x0430\x201C\x201D"},                // а“”
        {"\xF4\x90\x80\x80", L"\x0444\x0452\x0402\x0402"},     // фђЂЂ
        {"\xF5\x85\x85\x85", L"\x0445\x2026\x2026\x2026"},     // х………
    };
    for (auto& c : cases) {
        size_t n = strlen(c.bytes);
        int encoding = DetectTextEncoding(c.bytes, n);
        EXPECT_EQ(TEXT_ENCODING_NOT_UTF8, encoding) << testing::PrintToString(std::string(c.bytes));
        wchar_t* text = encoding == TEXT_ENCODING_UTF8 ? utf8_to_unicode(c.bytes) : cp1251_to_unicode(c.bytes);
        ASSERT_NE(nullptr, text);
        EXPECT_STREQ(c.text, text);
        free(text);
    }
}

TEST(TextConv, FindNoCase)
{
    const wchar_t* html = L"<html><BODY CLASS='note'>text</BODY></html>";
    const wchar_t* found = FindNoCase(html, L"<body class=\"note\">");
    ASSERT_NE(nullptr, found);
    EXPECT_EQ(6, found - html);
    EXPECT_EQ(html + 29, FindNoCase(html, L"</body>"));
    EXPECT_EQ(html, FindNoCase(html, L""));
    EXPECT_EQ(nullptr, FindNoCase(html, L"<head>"));
    EXPECT_EQ(nullptr, FindNoCase(L"ab", L"abc"));
    EXPECT_EQ(nullptr, FindNoCase((const wchar_t*)nullptr, L"a"));
    // only ASCII letters fold
    EXPECT_EQ(nullptr, FindNoCase(L"\x0430", L"\x0410"));
}

TEST(TextConv, IntToText)
{
    EXPECT_STREQ(L"0", (const wchar_t*)IntToText(0));
    EXPECT_STREQ(L"FF", (const wchar_t*)IntToText(255));
    EXPECT_STREQ(L"FFFFFFFF", (const wchar_t*)IntToText(-1));
}

TEST(TextConv, EscapeJson)
{
    struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"plain", "plain"},
        {"a/b", "a\\/b"},
        {"say \"hi\"", "say \\\"hi\\\""},
        {"back\\slash", "back\\\\slash"},
        {"\b\t\n\f\r", "\\b\\t\\n\\f\\r"},
        {"\x01\x1F", "\\u0001\\u001F"},                  // other control characters
        {"\xD0\x9F\x7F", "\xD0\x9F\x7F"},                // UTF-8 and DEL pass unchanged
        {"", ""},
    };
    for (auto& c : cases)
        EXPECT_STREQ(c.out, (const char*)EscapeJsonString(c.in)) << c.in;
    EXPECT_STREQ("", (const char*)EscapeJsonString(nullptr));
    EXPECT_STREQ("\\\"\xD0\x9F\\\"\\n", (const char*)EscapeJsonWide(L"\"\x041F\"\n"));
}

} // namespace
