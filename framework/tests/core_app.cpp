// The application object: settings in the registry (checked with the system's reg tool too),
// the command line, names and module handles.
#include "Framework.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const wchar_t kCompany[] = L"FxCoreTestMaker";
const wchar_t kAppKey[] = L"HKCU\\Software\\FxCoreTestMaker\\FxCoreTest";

// Runs `reg query` on a key and returns its output (empty when the key is not there).
std::string RegQuery(const std::wstring& key) {
  std::wstring cmd = L"reg query \"" + key + L"\" 2>NUL";
  // starting cmd.exe and reg.exe under a busy Wine now and then fails outright: try again
  for (int attempt = 0; attempt < 3; ++attempt) {
    FILE* p = _wpopen(cmd.c_str(), L"r");
    if (!p) continue;
    std::string out;
    char buf[512];
    while (fgets(buf, sizeof buf, p)) out += buf;
    if (_pclose(p) == 0 && !out.empty()) return out;
  }
  return "";
}

// The line of `reg query` output that names `value`, or "".
std::string RegLine(const std::string& out, const std::string& value) {
  size_t at = 0;
  while ((at = out.find(value, at)) != std::string::npos) {
    size_t start = out.rfind('\n', at);
    start = start == std::string::npos ? 0 : start + 1;
    size_t end = out.find('\n', at);
    std::string line = out.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (line.find_first_not_of(" \t") == at - start) return line;
    at += value.size();
  }
  return "";
}

class CoreApp : public ::testing::Test {
 protected:
  void SetUp() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\FxCoreTestMaker"); }
  void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\FxCoreTestMaker"); }
};

TEST_F(CoreApp, ProfileValuesRoundTripThroughTheRegistry) {
  CWinApp app(L"FxCoreTest");
  app.SetRegistryKey(kCompany);
  EXPECT_STREQ(L"FxCoreTest", app.m_pszProfileName);

  struct IntCase { const wchar_t* entry; int value; const char* regText; } ints[] = {
    {L"Zero", 0, "0x0"}, {L"Answer", 42, "0x2a"}, {L"Minus", -1, "0xffffffff"},
  };
  for (auto& c : ints) ASSERT_TRUE(app.WriteProfileInt(L"Settings", c.entry, c.value));
  struct StrCase { const wchar_t* entry; const wchar_t* value; } strs[] = {
    {L"Empty", L""},
    {L"Cyrillic", L"\x041F\x0440\x0438\x0432\x0435\x0442 world"},
    {L"Spaces", L"  a  b  "},
  };
  for (auto& c : strs) ASSERT_TRUE(app.WriteProfileString(L"Options", c.entry, c.value));
  std::vector<BYTE> blob(70);
  for (size_t i = 0; i < blob.size(); ++i) blob[i] = (BYTE)(i * 37);
  blob[3] = 0;
  ASSERT_TRUE(app.WriteProfileBinary(L"Users", L"user@example.com", blob.data(), (UINT)blob.size()));
  ASSERT_TRUE(app.WriteProfileBinary(L"Users", L"nobody", nullptr, 0));
  ASSERT_TRUE(app.WriteProfileString(L"", L"AppVersion", L"209"));  // the app key itself

  // read back through a second application object with the same names
  CWinApp reader(L"FxCoreTest");
  reader.SetRegistryKey(kCompany);
  for (auto& c : ints) {
    EXPECT_EQ((UINT)c.value, reader.GetProfileInt(L"Settings", c.entry, 77)) << c.entry;
    EXPECT_EQ((UINT)c.value, reader.GetProfileInt(L"settings", c.entry, 77)) << "sections ignore case";
  }
  for (auto& c : strs) EXPECT_STREQ(c.value, reader.GetProfileString(L"Options", c.entry, L"dflt")) << c.entry;
  EXPECT_STREQ(L"209", reader.GetProfileString(L"", L"AppVersion"));
  LPBYTE data = nullptr;
  UINT bytes = 0;
  ASSERT_TRUE(reader.GetProfileBinary(L"Users", L"user@example.com", &data, &bytes));
  ASSERT_EQ(blob.size(), bytes);
  EXPECT_EQ(0, memcmp(blob.data(), data, bytes));
  delete[] data;
  ASSERT_TRUE(reader.GetProfileBinary(L"Users", L"nobody", &data, &bytes));
  EXPECT_EQ(0u, bytes);
  delete[] data;

  // and through the system's own tool
  std::string settings = RegQuery(std::wstring(kAppKey) + L"\\Settings");
  for (auto& c : ints) {
    std::string line = RegLine(settings, CStringA(c.entry).GetString());
    EXPECT_NE(std::string::npos, line.find("REG_DWORD")) << line;
    EXPECT_NE(std::string::npos, line.find(c.regText)) << line;
  }
  std::string root = RegQuery(kAppKey);
  EXPECT_NE(std::string::npos, RegLine(root, "AppVersion").find("REG_SZ    209")) << root;
  std::string users = RegQuery(std::wstring(kAppKey) + L"\\Users");
  std::string userLine = RegLine(users, "user@example.com");
  EXPECT_NE(std::string::npos, userLine.find("REG_BINARY")) << users;
  EXPECT_NE(std::string::npos, userLine.find("00254A0094")) << userLine;  // bytes 0..4, byte 3 zeroed
}

TEST_F(CoreApp, SectionsEnumerateAndDeleteAndMismatchedTypesGiveDefaults) {
  CWinApp app(L"FxCoreTest");
  app.SetRegistryKey(kCompany);
  const wchar_t* logins[] = {L"b@x.org", L"a@x.org", L"\x0438\x0432\x0430\x043D@x.ru"};
  BYTE one = 1;
  for (const wchar_t* l : logins) ASSERT_TRUE(app.WriteProfileBinary(L"Users", l, &one, 1));

  // what the account cache does: open the section and enumerate its values by index
  HKEY key = app.GetSectionKey(L"Users");
  ASSERT_NE(nullptr, key);
  std::vector<CString> names;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD n = 256;
    if (::RegEnumValueW(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.push_back(name);
  }
  ::RegCloseKey(key);
  ASSERT_EQ(3u, names.size());
  for (const wchar_t* l : logins)
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), CString(l))) << CStringA(l).GetString();

  // a value of another type reads as the default
  ASSERT_TRUE(app.WriteProfileString(L"Mixed", L"Number", L"12"));
  ASSERT_TRUE(app.WriteProfileInt(L"Mixed", L"Text", 12));
  EXPECT_EQ(5u, app.GetProfileInt(L"Mixed", L"Number", 5));
  EXPECT_STREQ(L"d", app.GetProfileString(L"Mixed", L"Text", L"d"));
  LPBYTE data = (LPBYTE)1;
  UINT bytes = 9;
  EXPECT_FALSE(app.GetProfileBinary(L"Mixed", L"Text", &data, &bytes));
  EXPECT_EQ(nullptr, data);
  EXPECT_EQ(0u, bytes);
  EXPECT_STREQ(L"", app.GetProfileString(L"Missing", L"Entry"));

  // null value deletes the entry, null entry the section
  ASSERT_TRUE(app.WriteProfileString(L"Mixed", L"Number", nullptr));
  EXPECT_STREQ(L"gone", app.GetProfileString(L"Mixed", L"Number", L"gone"));
  EXPECT_EQ(12u, app.GetProfileInt(L"Mixed", L"Text", 0));
  ASSERT_TRUE(app.WriteProfileString(L"Users", nullptr, nullptr));
  EXPECT_FALSE(app.GetProfileBinary(L"Users", L"a@x.org", &data, &bytes));
  EXPECT_EQ("", RegQuery(std::wstring(kAppKey) + L"\\Users"));
  EXPECT_TRUE(app.WriteProfileString(L"NeverWritten", nullptr, nullptr));
  // reading does not create keys
  EXPECT_EQ(0u, app.GetProfileInt(L"ReadOnly", L"x", 0));
  HKEY probe = nullptr;
  EXPECT_NE(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_CURRENT_USER,
                                           L"Software\\FxCoreTestMaker\\FxCoreTest\\ReadOnly", 0,
                                           KEY_READ, &probe));
}

TEST_F(CoreApp, BeforeSetRegistryKeyReadsGiveDefaultsAndWritesStoreNothing) {
  CWinApp app(L"FxCoreTest");
  EXPECT_EQ(nullptr, app.m_pszRegistryKey);
  EXPECT_EQ(nullptr, app.GetAppRegistryKey());
  EXPECT_EQ(nullptr, app.GetSectionKey(L"Settings"));
  EXPECT_FALSE(app.WriteProfileInt(L"Settings", L"LogType", 1));
  EXPECT_FALSE(app.WriteProfileString(L"Settings", L"LastLogin", L"x"));
  BYTE b = 1;
  EXPECT_FALSE(app.WriteProfileBinary(L"Users", L"x", &b, 1));
  EXPECT_EQ(3u, app.GetProfileInt(L"Options", L"TypeMainWindowSize", 3));
  EXPECT_STREQ(L"dflt", app.GetProfileString(L"Settings", L"LastLogin", L"dflt"));
  LPBYTE data = nullptr;
  UINT bytes = 0;
  EXPECT_FALSE(app.GetProfileBinary(L"Users", L"x", &data, &bytes));
  EXPECT_EQ("", RegQuery(L"HKCU\\Software\\FxCoreTestMaker"));
}

// Records every ParseParam call, as a program's own command-line class sees them.
class CRecordingInfo : public CCommandLineInfo {
 public:
  CString calls;
  void ParseParam(const wchar_t* param, BOOL flag, BOOL last) override {
    CCommandLineInfo::ParseParam(param, flag, last);
    CString one;
    one.Format(L"[%s%s%s]", flag ? L"/" : L"", param, last ? L"." : L"");
    calls += one;
  }
};

TEST(CoreCommandLine, SwitchesFilesAndShellCommands) {
  struct Case {
    const wchar_t* args;
    int command;
    BOOL splash, embedded, automated;
    const wchar_t* file;
    const wchar_t* calls;
  } cases[] = {
    {L"", CCommandLineInfo::FileNew, TRUE, FALSE, FALSE, L"", L""},
    {L"/Embedding", CCommandLineInfo::FileNew, FALSE, TRUE, FALSE, L"", L"[/Embedding.]"},
    {L"-automation", CCommandLineInfo::FileNew, FALSE, FALSE, TRUE, L"", L"[/automation.]"},
    {L"/regserver", CCommandLineInfo::AppRegister, TRUE, FALSE, FALSE, L"", L"[/regserver.]"},
    {L"-REGISTER", CCommandLineInfo::AppRegister, TRUE, FALSE, FALSE, L"", L"[/REGISTER.]"},
    {L"/unregserver", CCommandLineInfo::AppUnregister, TRUE, FALSE, FALSE, L"", L"[/unregserver.]"},
    {L"/Unregister", CCommandLineInfo::AppUnregister, TRUE, FALSE, FALSE, L"", L"[/Unregister.]"},
    {L"/dde", CCommandLineInfo::FileDDE, TRUE, FALSE, FALSE, L"", L"[/dde.]"},
    {L"\"C:\\My Notes\\a.voziv\"", CCommandLineInfo::FileOpen, TRUE, FALSE, FALSE,
     L"C:\\My Notes\\a.voziv", L"[C:\\My Notes\\a.voziv.]"},
    {L"/p x.txt", CCommandLineInfo::FilePrint, TRUE, FALSE, FALSE, L"x.txt", L"[/p][x.txt.]"},
    // the program's own switches pass through untouched
    {L"/autorun \"/uri:pelora:note.open?note_id=7&x=1\"", CCommandLineInfo::FileNew, TRUE, FALSE,
     FALSE, L"", L"[/autorun][/uri:pelora:note.open?note_id=7&x=1.]"},
    {L"/sendto: \"C:\\a b.txt\" c.txt", CCommandLineInfo::FileOpen, TRUE, FALSE, FALSE,
     L"C:\\a b.txt", L"[/sendto:][C:\\a b.txt][c.txt.]"},
    {L"/embedding /automation", CCommandLineInfo::FileNew, FALSE, TRUE, TRUE, L"",
     L"[/embedding][/automation.]"},
    {L"-", CCommandLineInfo::FileNew, TRUE, FALSE, FALSE, L"", L"[/.]"},
  };
  for (auto& c : cases) {
    CRecordingInfo info;
    CWinApp::ParseCommandLine(info, c.args);
    CStringA where(c.args);
    EXPECT_EQ(c.command, info.m_nShellCommand) << where.GetString();
    EXPECT_EQ(c.splash, info.m_bShowSplash) << where.GetString();
    EXPECT_EQ(c.embedded, info.m_bRunEmbedded) << where.GetString();
    EXPECT_EQ(c.automated, info.m_bRunAutomated) << where.GetString();
    EXPECT_STREQ(c.file, info.m_strFileName) << where.GetString();
    EXPECT_STREQ(c.calls, info.calls) << where.GetString();
  }

  CCommandLineInfo printTo;
  CWinApp::ParseCommandLine(printTo, L"/pt doc.txt \"Laser 1\" drv LPT1: extra");
  EXPECT_EQ(CCommandLineInfo::FilePrintTo, printTo.m_nShellCommand);
  EXPECT_STREQ(L"doc.txt", printTo.m_strFileName);
  EXPECT_STREQ(L"Laser 1", printTo.m_strPrinterName);
  EXPECT_STREQ(L"drv", printTo.m_strDriverName);
  EXPECT_STREQ(L"LPT1:", printTo.m_strPortName);
  EXPECT_EQ(-1, (int)CCommandLineInfo::FileNothing);

  // the process's own command line: the test runner's arguments, none of them a file
  CRecordingInfo own;
  CWinApp app(L"FxCoreTest");
  app.ParseCommandLine(own);
  EXPECT_EQ(CCommandLineInfo::FileNew, own.m_nShellCommand);
}

TEST(CoreAppObject, NamesHandlesAndCurrentApplication) {
  EXPECT_EQ(nullptr, AfxGetApp());
  {
    CWinApp app;  // no name given and no title string: the program file's name
    EXPECT_STREQ(L"framework_core_tests", app.m_pszAppName);
    EXPECT_STREQ(L"framework_core_tests", app.m_pszExeName);
    EXPECT_EQ(&app, AfxGetApp());
    EXPECT_STREQ(L"framework_core_tests", AfxGetAppName());
    EXPECT_EQ(::GetModuleHandleW(nullptr), app.m_hInstance);
    EXPECT_EQ(::GetModuleHandleW(nullptr), AfxGetInstanceHandle());
    EXPECT_EQ(::GetModuleHandleW(nullptr), AfxGetResourceHandle());
    EXPECT_EQ(::GetCurrentThreadId(), app.m_nThreadID);
    EXPECT_EQ(&app, AfxGetThread());  // on the application's thread
    EXPECT_EQ(nullptr, AfxGetMainWnd());
    // a program may replace a name with its own copy
    free((void*)app.m_pszAppName);
    app.m_pszAppName = _wcsdup(L"Renamed");
    app.SetRegistryKey(L"FxCoreTestMaker");
    EXPECT_STREQ(L"Renamed", app.m_pszProfileName);
    EXPECT_NE(nullptr, app.LoadStandardCursor(IDC_ARROW));
    EXPECT_EQ(nullptr, app.LoadIcon(12345));  // no such icon anywhere
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
  }
  EXPECT_EQ(nullptr, AfxGetApp());
  EXPECT_EQ(nullptr, AfxGetThread());
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\FxCoreTestMaker");
}

std::wstring Env(const wchar_t* name) {
  wchar_t buffer[2048] = {};
  ::GetEnvironmentVariableW(name, buffer, 2048);
  return buffer;
}

// A DLL with an application object of its own (FxDllAppTest.dll, built with framework_static
// as the add-in is): loading it runs InitInstance with the DLL as instance and resource module,
// unloading runs ExitInstance; a failing InitInstance runs ExitInstance once and fails the load.
// The program's own application state is not touched.
TEST(CoreAppObject, ApplicationObjectHostedInADll) {
#ifndef _WIN64
  GTEST_SKIP() << "framework_static, which such a DLL carries, is built in the x86_64 tree";
#endif
  const std::wstring init =
      L"init app=1 instance=1 resource=1 name=Fx Dll App exe=FxDllAppTest string=hello from the DLL";
  struct Case {
    bool fail;
    std::wstring afterLoad, afterUnload;
  } cases[] = {
      {false, init, init + L"|exit"},
      {true, init + L"|exit", init + L"|exit"},
  };
  for (const Case& c : cases) {
    ::SetEnvironmentVariableW(L"FX_DLLAPP_LOG", nullptr);
    ::SetEnvironmentVariableW(L"FX_DLLAPP_FAIL", c.fail ? L"1" : nullptr);
    HMODULE dll = ::LoadLibraryW(L"FxDllAppTest.dll");
    EXPECT_EQ(c.fail, dll == nullptr);
    EXPECT_EQ(c.afterLoad, Env(L"FX_DLLAPP_LOG")) << c.fail;
    EXPECT_EQ(nullptr, AfxGetApp());
    EXPECT_EQ(::GetModuleHandleW(nullptr), AfxGetInstanceHandle());
    if (dll) ::FreeLibrary(dll);
    EXPECT_EQ(nullptr, ::GetModuleHandleW(L"FxDllAppTest.dll"));
    EXPECT_EQ(c.afterUnload, Env(L"FX_DLLAPP_LOG")) << c.fail;
  }
  ::SetEnvironmentVariableW(L"FX_DLLAPP_LOG", nullptr);
  ::SetEnvironmentVariableW(L"FX_DLLAPP_FAIL", nullptr);
}

}  // namespace
