// CString/CStringA behaviour the program relies on: formatting, trimming, searching, editing,
// tokenizing, conversions, with Cyrillic text and surrogate pairs.
#include "Framework.h"
#include <gtest/gtest.h>

namespace {

const wchar_t kSmile[] = L"\xD83D\xDE00";  // U+1F600, one surrogate pair

TEST(CoreString, FormatFollowsThePlatformRules) {
  struct Case { CString got; const wchar_t* want; } cases[] = {
    {[] { CString s; s.Format(L"%s|%S", L"\x041F\x0440\x0438\x0432\x0435\x0442", "narrow"); return s; }(),
     L"\x041F\x0440\x0438\x0432\x0435\x0442|narrow"},
    {[] { CString s; s.Format(L"%d %u %x %05.1f", -7, 7u, 255, 2.34); return s; }(), L"-7 7 ff 002.3"},
    {[] { CString s; s.Format(L"%I64d/%lld", (long long)1 << 40, -((long long)1 << 40)); return s; }(),
     L"1099511627776/-1099511627776"},
    {[] { CString s; s.Format(L"[%-4s][%3c]%%", kSmile, L'z'); return s; }(), L"[\xD83D\xDE00  ][  z]%"},
    {[] { CString s = L"old"; s.Format(L"%s", L""); return s; }(), L""},
    {[] { CString s = L"a"; s.AppendFormat(L"%d-%s", 5, L"b"); return s; }(), L"a5-b"},
  };
  for (auto& c : cases) EXPECT_STREQ(c.want, (LPCTSTR)c.got);
  // long results are not cut at some fixed buffer size
  CString longText(L'x', 5000), out;
  out.Format(L"<%s>", (LPCTSTR)longText);
  EXPECT_EQ(5002, out.GetLength());
  CStringA narrow;
  narrow.Format("%s=%S;%d", "k", L"v", 3);
  EXPECT_STREQ("k=v;3", narrow);
}

TEST(CoreString, TrimRemovesWhiteSpaceOrTheGivenCharacters) {
  struct Case { const wchar_t* in; int how; const wchar_t* want; } cases[] = {
    {L"  \t\r\n a b \n", 0, L"a b"},
    {L"\x3000\x0410\x0411 ", 0, L"\x0410\x0411"},  // ideographic space is white space
    {L"   ", 0, L""},
    {L"", 0, L""},
    {L"xxaxx", 1, L"a"},
    {L"..,a,b.,", 2, L"a,b"},
    {L" \xD83D\xDE00 ", 0, L"\xD83D\xDE00"},
    {L"\xD83D\xDE00..", 2, L"\xD83D\xDE00"},
    {L"  left", 3, L"left"},
    {L"right  ", 4, L"right"},
    {L"  both  ", 3, L"both  "},
  };
  for (auto& c : cases) {
    CString s = c.in;
    switch (c.how) {
      case 0: s.Trim(); break;
      case 1: s.Trim(L'x'); break;
      case 2: s.Trim(L".,"); break;
      case 3: s.TrimLeft(); break;
      case 4: s.TrimRight(); break;
    }
    EXPECT_STREQ(c.want, s) << "input: " << (const void*)c.in;
  }
}

TEST(CoreString, CaseAndComparisonCoverCyrillic) {
  CString s = L"\x041F\x0440\x0438\x0432\x0435\x0442 World";  // "Привет World"
  CString lower = s, upper = s;
  lower.MakeLower();
  upper.MakeUpper();
  EXPECT_STREQ(L"\x043F\x0440\x0438\x0432\x0435\x0442 world", lower);
  EXPECT_STREQ(L"\x041F\x0420\x0418\x0412\x0415\x0422 WORLD", upper);
  EXPECT_EQ(0, lower.CompareNoCase(upper));
  EXPECT_NE(0, lower.Compare(upper));
  EXPECT_LT(CString(L"abc").Compare(L"abd"), 0);
  EXPECT_GT(CString(L"b").CompareNoCase(L"A"), 0);
  EXPECT_LT(CString(L"").Compare(L"a"), 0);
  CString withPair = CString(L"a") + kSmile;
  withPair.MakeUpper();
  EXPECT_STREQ(L"A\xD83D\xDE00", withPair);
  EXPECT_TRUE(CString(L"x") < CString(L"y"));
  EXPECT_TRUE(CString(L"x") == L"x");
  EXPECT_TRUE(L"x" != CString(L"y"));
  EXPECT_TRUE(CString(L"q") == L'q');
}

TEST(CoreString, SearchAndExtractClampOutOfRangeArguments) {
  CString s = L"one,two;three";
  EXPECT_EQ(3, s.Find(L','));
  EXPECT_EQ(-1, s.Find(L',', 4));
  EXPECT_EQ(4, s.Find(L"two"));
  EXPECT_EQ(-1, s.Find(L"two", 5));
  EXPECT_EQ(-1, s.Find(L'x', 100));
  EXPECT_EQ(7, s.ReverseFind(L';'));
  EXPECT_EQ(3, s.FindOneOf(L";,"));
  EXPECT_EQ(-1, s.FindOneOf(L"!"));
  struct Case { CString got; const wchar_t* want; } cases[] = {
    {s.Left(3), L"one"}, {s.Left(-1), L""}, {s.Left(99), L"one,two;three"},
    {s.Mid(4, 3), L"two"}, {s.Mid(8), L"three"}, {s.Mid(99), L""}, {s.Mid(-2, 3), L"one"},
    {s.Mid(10, 99), L"ree"}, {s.Right(5), L"three"}, {s.Right(99), L"one,two;three"},
    {s.Right(0), L""}, {s.SpanIncluding(L"enow"), L"one"}, {s.SpanExcluding(L";"), L"one,two"},
    {CString(kSmile).Left(1), L"\xD83D"},  // code units, as callers index them
  };
  for (auto& c : cases) EXPECT_STREQ(c.want, c.got);
}

TEST(CoreString, EditingInPlace) {
  CString s = L"a-b-c";
  EXPECT_EQ(2, s.Replace(L'-', L'+'));
  EXPECT_STREQ(L"a+b+c", s);
  EXPECT_EQ(2, s.Replace(L"+", L"--"));
  EXPECT_STREQ(L"a--b--c", s);
  EXPECT_EQ(2, s.Replace(L"--", nullptr));
  EXPECT_STREQ(L"abc", s);
  EXPECT_EQ(0, s.Replace(L"", L"x"));
  CString r = L"aaa";
  EXPECT_EQ(3, r.Replace(L"a", L"aa"));  // replacements are not rescanned
  EXPECT_STREQ(L"aaaaaa", r);
  EXPECT_EQ(6, r.Remove(L'a'));
  EXPECT_TRUE(r.IsEmpty());
  CString t = L"ace";
  EXPECT_EQ(4, t.Insert(1, L'b'));
  EXPECT_EQ(5, t.Insert(99, L"f"));
  EXPECT_EQ(6, t.Insert(3, L"d"));
  EXPECT_STREQ(L"abcdef", t);
  EXPECT_EQ(4, t.Delete(1, 2));
  EXPECT_STREQ(L"adef", t);
  EXPECT_EQ(4, t.Delete(10));
  EXPECT_EQ(1, t.Delete(1, 100));
  t.SetAt(0, L'\x0416');
  EXPECT_EQ(L'\x0416', t.GetAt(0));
  EXPECT_EQ(L'\x0416', t[0]);
}

TEST(CoreString, BufferAccessSetsTheLength) {
  CString s = L"abc";
  wchar_t* p = s.GetBuffer(64);
  wcscpy(p, L"\x0430\x0431\x0432\x0433 long text");
  s.ReleaseBuffer();
  EXPECT_STREQ(L"\x0430\x0431\x0432\x0433 long text", s);
  EXPECT_EQ(14, s.GetLength());
  p = s.GetBufferSetLength(3);
  p[2] = L'!';
  s.ReleaseBuffer(3);
  EXPECT_STREQ(L"\x0430\x0431!", s);
  DWORD n = GetCurrentDirectoryW(MAX_PATH, s.GetBuffer(MAX_PATH));
  s.ReleaseBuffer();
  EXPECT_EQ((int)n, s.GetLength());
  CString e;
  e.GetBuffer(0);
  e.ReleaseBuffer();
  EXPECT_TRUE(e.IsEmpty());
}

TEST(CoreString, TokenizeSkipsEmptyTokensAndEndsWithMinusOne) {
  CString s = L";;a;bb;;\x0436;";
  int pos = 0;
  std::vector<CString> tokens;
  for (CString t = s.Tokenize(L";", pos); pos != -1; t = s.Tokenize(L";", pos)) tokens.push_back(t);
  ASSERT_EQ(3u, tokens.size());
  EXPECT_STREQ(L"a", tokens[0]);
  EXPECT_STREQ(L"bb", tokens[1]);
  EXPECT_STREQ(L"\x0436", tokens[2]);
  pos = 0;
  EXPECT_TRUE(CString(L";;;").Tokenize(L";", pos).IsEmpty());
  EXPECT_EQ(-1, pos);
  pos = 0;
  EXPECT_STREQ(L"x y", CString(L"x y").Tokenize(L",", pos));
}

TEST(CoreString, ConversionsAndSysStrings) {
  CStringA a = "plain";
  CString w = a;
  EXPECT_STREQ(L"plain", w);
  CStringA back = CString(L"text");
  EXPECT_STREQ("text", back);
  BSTR b = CString(L"\x0416 \xD83D\xDE00").AllocSysString();
  EXPECT_EQ(4u, SysStringLen(b));
  EXPECT_STREQ(L"\x0416 \xD83D\xDE00", b);
  SysFreeString(b);
  b = CStringA("abc").AllocSysString();
  EXPECT_STREQ(L"abc", b);
  SysFreeString(b);
  CString joined = L"a" + CString(L"b") + L'c' + CString(L"d") + L"e";
  EXPECT_STREQ(L"abcde", joined);
  CString rep(L'-', 3);
  EXPECT_STREQ(L"---", rep);
  CString part(L"abcdef", 2);
  EXPECT_STREQ(L"ab", part);
  CString copy = joined;
  copy.SetAt(0, L'z');
  EXPECT_STREQ(L"abcde", joined);  // value semantics
  EXPECT_FALSE(CString().LoadString(0xFFF0));
}

}  // namespace
