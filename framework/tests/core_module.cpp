// The resource search: the program's module first, then the registered extension DLLs.
#include "Framework.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Writes a string-table block (16 strings from `first`, a multiple of 16) as resource data.
std::vector<BYTE> StringBlock(UINT first, const std::vector<std::pair<UINT, std::wstring>>& strings) {
  std::vector<WORD> words;
  for (UINT id = first; id < first + 16; ++id) {
    std::wstring text;
    for (auto& s : strings)
      if (s.first == id) text = s.second;
    words.push_back((WORD)text.size());
    words.insert(words.end(), text.begin(), text.end());
  }
  return std::vector<BYTE>((BYTE*)words.data(), (BYTE*)(words.data() + words.size()));
}

// A DLL-shaped file made for the test: a copy of this program whose resources are replaced
// by one string block and one data item, loaded as a data file.
class ExtensionModule {
 public:
  ExtensionModule() {
    wchar_t exe[MAX_PATH], dir[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    ::GetTempPathW(MAX_PATH, dir);
    path.Format(L"%sfxcore_ext_%lu.dll", dir, ::GetCurrentProcessId());
    if (!::CopyFileW(exe, path, FALSE)) return;
    HANDLE u = ::BeginUpdateResourceW(path, TRUE);
    if (!u) return;
    std::vector<BYTE> block = StringBlock(0x7100, {{0x7102, L"extension loses"}, {0x7103, L"extension only"}});
    const WORD lang = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    ::UpdateResourceW(u, RT_STRING, MAKEINTRESOURCEW(0x7100 / 16 + 1), lang, block.data(), (DWORD)block.size());
    char data[] = "extension data";
    ::UpdateResourceW(u, RT_RCDATA, L"FXEXTDATA", lang, data, sizeof data);
    if (!::EndUpdateResourceW(u, FALSE)) return;
    module = ::LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  }
  ~ExtensionModule() {
    if (module) ::FreeLibrary(module);
    ::DeleteFileW(path);
  }
  CString path;
  HMODULE module = nullptr;
};

CString Load(UINT id) {
  CString s;
  return s.LoadString(id) ? s : CString(L"<none>");
}

TEST(CoreModule, ResourcesAreSearchedInTheProgramThenInExtensions) {
  ExtensionModule ext;
  ASSERT_NE(nullptr, ext.module) << "fixture not made";
  HINSTANCE program = ::GetModuleHandleW(nullptr);

  struct Case { UINT id; const wchar_t* before; const wchar_t* after; } cases[] = {
    {0x7101, L"program only", L"program only"},
    {0x7102, L"program wins", L"program wins"},  // both have it: the program comes first
    {0x7103, L"<none>", L"extension only"},
    {0x7104, L"<none>", L"<none>"},
  };
  for (auto& c : cases) EXPECT_STREQ(c.before, Load(c.id)) << c.id;
  EXPECT_EQ(nullptr, AfxFindResourceHandle(L"FXEXTDATA", RT_RCDATA));

  AfxRegisterResourceModule(ext.module);
  AfxRegisterResourceModule(ext.module);  // once is enough
  for (auto& c : cases) EXPECT_STREQ(c.after, Load(c.id)) << c.id;
  EXPECT_EQ(ext.module, AfxFindResourceHandle(L"FXEXTDATA", RT_RCDATA));
  EXPECT_EQ(program, AfxGetResourceHandle());
  // a module's own strings stay reachable by handle
  CString own;
  EXPECT_TRUE(own.LoadString(ext.module, 0x7102));
  EXPECT_STREQ(L"extension loses", own);

  AfxUnregisterResourceModule(ext.module);
  for (auto& c : cases) EXPECT_STREQ(c.before, Load(c.id)) << c.id;
  EXPECT_EQ(nullptr, AfxFindResourceHandle(L"FXEXTDATA", RT_RCDATA));
}

}  // namespace
