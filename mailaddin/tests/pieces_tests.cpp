// The add-in's pieces on their own: text conversion, the import descriptor, ids, file names and
// the per-mail temporary folder.
#include <gtest/gtest.h>
#include "SendTypes.h"
#include "TestSupport.h"
#include "TextConv.h"
#include <cstdlib>

using namespace Mailvane;
using namespace MailTest;

TEST(TextConv, RoundTripsAndEmptyTexts) {
  const wchar_t* texts[] = {L"", L"plain", L"Привет, мир", L"€ and \U0001F600"};
  for (const wchar_t* t : texts) {
    char* utf8 = Utf16ToUtf8(t);
    ASSERT_NE(utf8, nullptr);
    wchar_t* back = Utf8ToUtf16(utf8);
    ASSERT_NE(back, nullptr);
    EXPECT_STREQ(back, t);
    free(back);
    free(utf8);
  }
  char* empty = nullptr;
  EXPECT_EQ(Utf16ToUtf8Buffer(L"", &empty), 1);  // the terminator alone
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty[0], '\0');
  free(empty);
  EXPECT_EQ(Utf16ToUtf8(nullptr), nullptr);

  // code page 1251 through UTF-16, both ways
  char* cp = Utf8ToCp1251(u8"Тест");
  ASSERT_NE(cp, nullptr);
  EXPECT_EQ(std::string(cp), "\xD2\xE5\xF1\xF2");
  char* utf8 = Cp1251ToUtf8(cp);
  EXPECT_EQ(std::string(utf8), u8"Тест");
  free(cp);
  free(utf8);
  std::wstring s = L"kept";
  Utf8ToString(nullptr, s);
  EXPECT_EQ(s, L"kept");
  Utf8ToString(u8"Ёж", s);
  EXPECT_EQ(s, L"Ёж");
}

TEST(Descriptor, ExactTextWithBodyTagsAndAttachments) {
  MailDescriptor d;
  d.title = L"Q&A <draft> 'one'";
  d.tags = {L"Работа", L"a&b"};
  d.bodyPath = L"C:\\T\\PeloraMail_x\\email_1.htm";
  d.saveAttachments = true;
  d.attachments = {{L"C:\\T\\PeloraMail_x\\it's.pdf", L"it's.pdf"}};
  EXPECT_EQ(BuildDescriptor(d),
            L"<?xml version=\"1.0\" standalone='no' ?>\n"
            L"<folder>\n"
            L"  <note  pathname='C:\\T\\PeloraMail_x\\email_1.htm' b_save_attachments='1'>\n"
            L"    <title>Q&amp;A &lt;draft&gt; 'one'</title>\n"
            L"    <tag>Работа</tag>\n"
            L"    <tag>a&amp;b</tag>\n"
            L"    <attachment pathname='C:\\T\\PeloraMail_x\\it&apos;s.pdf' filename='it&apos;s.pdf' />\n"
            L"  </note>\n"
            L"</folder>\n");
  MailDescriptor bare;
  bare.title = L"no body";
  bare.saveAttachments = false;
  EXPECT_EQ(BuildDescriptor(bare),
            L"<?xml version=\"1.0\" standalone='no' ?>\n<folder>\n  <note >\n    <title>no body</title>\n  </note>\n</folder>\n");
}

TEST(Descriptor, CharactersXmlCannotCarryBecomeSpaces) {
  const struct {
    std::wstring in, text, attribute;
  } cases[] = {
      {L"a\x01" L"b", L"a b", L"a b"},
      {L"tab\there\nline", L"tab\there\nline", L"tab\there\nline"},
      {std::wstring(L"lone\xD800") + L"x", L"lone x", L"lone x"},
      {L"pair \U0001F600", L"pair \U0001F600", L"pair \U0001F600"},
      {L"'q'", L"'q'", L"&apos;q&apos;"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(XmlEscape(c.in, false), c.text);
    EXPECT_EQ(XmlEscape(c.in, true), c.attribute);
  }
}

TEST(Ids, SixteenCharactersFromTimeAndCounter) {
  const struct {
    long long now;
    unsigned counter;
    const wchar_t* id;
    unsigned next;
  } cases[] = {
      {1700000000, 0, L"o1700000000x0000", 1},
      {1700000000, 0x1A2B, L"o1700000000x1A2B", 0x1A2C},
      {1700000000, 0xFFFF, L"o1700000000x0000", 1},  // the counter starts over above 0xFFFE
      {5, 7, L"objectidob5x0007", 8},
      {0xFFFFFFFFLL, 0, L"objectido-1x0000", 1},  // the low 32 bits, signed
  };
  for (const auto& c : cases) {
    unsigned counter = c.counter;
    std::wstring id = GenerateKeyString(c.now, &counter);
    EXPECT_EQ(id, c.id);
    EXPECT_EQ(id.size(), 16u);
    EXPECT_EQ(counter, c.next);
  }
  EXPECT_NE(GenerateKeyString(), GenerateKeyString());
}

TEST(FileNames, HostileNamesBecomeValidOnes) {
  const struct {
    std::wstring in, out;
  } cases[] = {
      {L"report.pdf", L"report.pdf"},
      {L"..\\..\\evil.exe", L".._.._evil.exe"},
      {L"../up/name.txt", L".._up_name.txt"},
      {L"C:\\Windows\\win.ini", L"C__Windows_win.ini"},
      {L"a:b*c?\"<>|.txt", L"a_b_c_____.txt"},
      {L"..", L"attachment"},
      {L".", L"attachment"},
      {L"", L"attachment"},
      {L"  padded . ", L"padded"},
      {L"CON", L"_CON"},
      {L"nul.txt", L"_nul.txt"},
      {L"com1.log", L"_com1.log"},
      {L"console.txt", L"console.txt"},
      {L"tab\tname", L"tab_name"},
  };
  for (const auto& c : cases) EXPECT_EQ(SafeFileName(c.in), c.out) << Narrow(c.in);
  std::wstring longName = SafeFileName(std::wstring(300, L'x') + L".pdf");
  EXPECT_EQ(longName.size(), 120u);
  EXPECT_EQ(longName.substr(116), L".pdf");
}

TEST(FileNames, EqualNamesInAnyLetterCaseAreNumbered) {
  UniqueNames used;
  const struct {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {{L"email_1.htm", L"email_1.htm"}, {L"a.txt", L"a.txt"},         {L"A.TXT", L"A (2).TXT"},
               {L"a (3).txt", L"a (3).txt"},     {L"a.txt", L"a (4).txt"},     {L"EMAIL_1.htm", L"EMAIL_1 (2).htm"},
               {L"noext", L"noext"},             {L"noext", L"noext (2)"},     {L"Ёлка.txt", L"Ёлка.txt"},
               {L"ёлка.TXT", L"ёлка (2).TXT"}};
  for (const auto& c : cases) EXPECT_EQ(used.Take(c.in), c.out) << Narrow(c.in);
  // thousands of equal names stay quick: each is numbered once
  UniqueNames many;
  DWORD start = GetTickCount();
  for (int i = 1; i <= 20000; ++i) many.Take(L"same.txt");
  EXPECT_EQ(many.Take(L"same.txt"), L"same (20001).txt");
  EXPECT_LT(GetTickCount() - start, 20000u);
}

TEST(MailFolder, FreshFolderPerMailRemovedWithEverythingInIt) {
  ScratchDir scratch;
  std::wstring a, b;
  ASSERT_TRUE(CreateMailFolder(scratch.path + L"\\", &a));
  ASSERT_TRUE(CreateMailFolder(scratch.path + L"\\", &b));
  EXPECT_NE(a, b);
  EXPECT_EQ(a.back(), L'\\');
  WriteFile(a + L"one.txt", "1");
  WriteFile(a + L"ro.txt", "2");
  SetFileAttributesW((a + L"ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  CreateDirectoryW((a + L"sub").c_str(), nullptr);
  WriteFile(a + L"sub\\deep.txt", "3");
  EXPECT_TRUE(RemoveMailFolder(a));
  EXPECT_TRUE(RemoveMailFolder(b));
  EXPECT_TRUE(ListDir(scratch.path).empty());
  EXPECT_FALSE(CreateMailFolder(scratch.path + L"\\missing\\", &a));
}

TEST(TempDirectory, TempThenTmpWithOneTrailingSeparator) {
  wchar_t oldTemp[1024] = L"", oldTmp[1024] = L"";
  GetEnvironmentVariableW(L"TEMP", oldTemp, 1024);
  GetEnvironmentVariableW(L"TMP", oldTmp, 1024);
  SetEnvironmentVariableW(L"TEMP", L"C:\\first");
  EXPECT_EQ(GetTempDirectory(), L"C:\\first\\");
  SetEnvironmentVariableW(L"TEMP", L"C:\\slash/");
  EXPECT_EQ(GetTempDirectory(), L"C:\\slash/");
  SetEnvironmentVariableW(L"TEMP", nullptr);
  SetEnvironmentVariableW(L"TMP", L"D:\\second\\");
  EXPECT_EQ(GetTempDirectory(), L"D:\\second\\");
  SetEnvironmentVariableW(L"TEMP", oldTemp);
  SetEnvironmentVariableW(L"TMP", oldTmp);
}
