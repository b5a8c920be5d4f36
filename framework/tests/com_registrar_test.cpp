// Registry scripts: what registration writes, what unregistration removes, syntax errors, and
// the 32/64-bit views. Every key lives below a per-run test key that is removed afterwards.
#include <gtest/gtest.h>
#include "Framework.h"
#include <string>

namespace {

std::wstring NewGuidText() {
  GUID g;
  CoCreateGuid(&g);
  wchar_t buf[64];
  StringFromGUID2(g, buf, 64);
  return buf;
}

bool Exists(HKEY root, const std::wstring& path, DWORD view = 0) {
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::wstring String(HKEY root, const std::wstring& path, const wchar_t* name, DWORD view = 0) {
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return L"<no key>";
  wchar_t buf[512];
  DWORD size = sizeof buf, type = 0;
  LONG err = RegQueryValueExW(key, name, nullptr, &type, (BYTE*)buf, &size);
  RegCloseKey(key);
  if (err != ERROR_SUCCESS) return L"<no value>";
  return std::wstring(buf, size / 2 - (size >= 2 && buf[size / 2 - 1] == 0 ? 1 : 0)) + (type == REG_EXPAND_SZ ? L" (e)" : L"");
}

DWORD Dword(HKEY root, const std::wstring& path, const wchar_t* name) {
  DWORD v = 0xDEAD, size = sizeof v;
  RegGetValueW(root, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &v, &size);
  return v;
}

class Registrar : public ::testing::Test {
protected:
  void SetUp() override {
    m_base = L"Software\\PeloraFxTest\\" + NewGuidText();
    m_reg.AddReplacement(L"BASE", m_base.c_str());
    m_reg.AddReplacement(L"MODULE", L"C:\\Program Files\\Pelora\\Pelora.exe");
    m_reg.AddReplacement(L"APPID", L"{E2608EE4-3226-4B0F-8376-BE8851959E45}");
  }
  void TearDown() override {
    ComRegDeleteTree(HKEY_CURRENT_USER, m_base.c_str(), 0);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\PeloraFxTest");  // only when empty
  }
  std::wstring m_base;
  CComRegistrar m_reg;
};

// The shapes the program's and the add-in's scripts use.
const wchar_t kScript[] =
    L"HKCU\n"
    L"{\n"
    L"  NoRemove '%BASE%'\n"
    L"  {\n"
    L"    Pelora.Application.1 = s 'PeloraApplication Class'\n"
    L"    {\n"
    L"      CLSID = s '{0DE9A20D-8B45-4632-AF82-A5707CDA1834}'\n"
    L"    }\n"
    L"    NoRemove CLSID\n"
    L"    {\n"
    L"      ForceRemove {0DE9A20D-8B45-4632-AF82-A5707CDA1834} = s 'PeloraApplication Class'\n"
    L"      {\n"
    L"        ProgID = s 'Pelora.Application.1'\n"
    L"        ForceRemove 'Programmable'\n"
    L"        LocalServer32 = s '%MODULE%'\n"
    L"        val AppID = s '%APPID%'\n"
    L"      }\n"
    L"    }\n"
    L"    ForceRemove pelora = s 'URL:Pelora Protocol'\n"
    L"    {\n"
    L"      val 'URL Protocol' = s ''\n"
    L"      DefaultIcon = s '%MODULE%,1'\n"
    L"      shell { open { command = s '\"%MODULE%\" \"/uri:%%l\"' } }\n"
    L"    }\n"
    L"    Addin = s 'it''s quoted'\n"
    L"    {\n"
    L"      val LoadBehavior = d '3'\n"
    L"      val Mask = d 0x10\n"
    L"      val Path = e '%%TEMP%%\\x'\n"
    L"      val Bytes = b '00ff10'\n"
    L"    }\n"
    L"  }\n"
    L"}\n";

TEST_F(Registrar, RegisterWritesKeysValuesAndReplacements) {
  ASSERT_HRESULT_SUCCEEDED(m_reg.StringRegister(kScript)) << std::string(m_reg.GetError().begin(), m_reg.GetError().end());
  const std::wstring clsid = m_base + L"\\CLSID\\{0DE9A20D-8B45-4632-AF82-A5707CDA1834}";
  EXPECT_EQ(String(HKEY_CURRENT_USER, m_base + L"\\Pelora.Application.1", nullptr), L"PeloraApplication Class");
  EXPECT_EQ(String(HKEY_CURRENT_USER, m_base + L"\\Pelora.Application.1\\CLSID", nullptr),
            L"{0DE9A20D-8B45-4632-AF82-A5707CDA1834}");
  EXPECT_EQ(String(HKEY_CURRENT_USER, clsid + L"\\LocalServer32", nullptr), L"C:\\Program Files\\Pelora\\Pelora.exe");
  EXPECT_EQ(String(HKEY_CURRENT_USER, clsid, L"AppID"), L"{E2608EE4-3226-4B0F-8376-BE8851959E45}");
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, clsid + L"\\Programmable"));
  EXPECT_EQ(String(HKEY_CURRENT_USER, m_base + L"\\pelora", L"URL Protocol"), L"");
  EXPECT_EQ(String(HKEY_CURRENT_USER, m_base + L"\\pelora\\DefaultIcon", nullptr), L"C:\\Program Files\\Pelora\\Pelora.exe,1");
  EXPECT_EQ(String(HKEY_CURRENT_USER, m_base + L"\\pelora\\shell\\open\\command", nullptr),
            L"\"C:\\Program Files\\Pelora\\Pelora.exe\" \"/uri:%l\"");
  EXPECT_EQ(String(HKEY_CURRENT_USER, m_base + L"\\Addin", nullptr), L"it's quoted");
  EXPECT_EQ(Dword(HKEY_CURRENT_USER, m_base + L"\\Addin", L"LoadBehavior"), 3u);
  EXPECT_EQ(Dword(HKEY_CURRENT_USER, m_base + L"\\Addin", L"Mask"), 16u);
  EXPECT_EQ(String(HKEY_CURRENT_USER, m_base + L"\\Addin", L"Path"), L"%TEMP%\\x (e)");
  BYTE bytes[8] = {};
  DWORD size = sizeof bytes;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, (m_base + L"\\Addin").c_str(), L"Bytes", RRF_RT_REG_BINARY, nullptr, bytes, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(bytes[1], 0xFF);
  // registering again is harmless
  EXPECT_HRESULT_SUCCEEDED(m_reg.StringRegister(kScript));
}

TEST_F(Registrar, ForceRemoveClearsStaleContentOnRegister) {
  HKEY key;
  const std::wstring stale = m_base + L"\\CLSID\\{0DE9A20D-8B45-4632-AF82-A5707CDA1834}\\InprocServer32";
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, stale.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_HRESULT_SUCCEEDED(m_reg.StringRegister(kScript));
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, stale));
}

TEST_F(Registrar, UnregisterRemovesWhatItWroteAndKeepsNoRemoveAndForeignKeys) {
  ASSERT_HRESULT_SUCCEEDED(m_reg.StringRegister(kScript));
  HKEY key;
  // someone else's key below a plain key keeps that key; one below a ForceRemove key does not
  const std::wstring foreign = m_base + L"\\Addin\\Foreign";
  const std::wstring inForced = m_base + L"\\pelora\\Extra";
  for (const std::wstring& k : {foreign, inForced}) {
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, k.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  ASSERT_HRESULT_SUCCEEDED(m_reg.StringUnregister(kScript));
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, m_base));            // NoRemove
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, m_base + L"\\CLSID"));  // NoRemove
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, m_base + L"\\CLSID\\{0DE9A20D-8B45-4632-AF82-A5707CDA1834}"));
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, m_base + L"\\Pelora.Application.1"));
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, m_base + L"\\pelora"));
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, foreign));
  EXPECT_EQ(Dword(HKEY_CURRENT_USER, m_base + L"\\Addin", L"LoadBehavior"), 0xDEADu);  // its values went
  // unregistering twice is harmless
  EXPECT_HRESULT_SUCCEEDED(m_reg.StringUnregister(kScript));
}

TEST_F(Registrar, DeleteRemovesAKeyOnRegisterOnly) {
  ASSERT_HRESULT_SUCCEEDED(m_reg.StringRegister(kScript));
  const wchar_t del[] = L"HKCU { NoRemove '%BASE%' { Delete Addin } }";
  EXPECT_HRESULT_SUCCEEDED(m_reg.StringUnregister(del));
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, m_base + L"\\Addin"));
  EXPECT_HRESULT_SUCCEEDED(m_reg.StringRegister(del));
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, m_base + L"\\Addin"));
}

TEST_F(Registrar, BadScriptsWriteNothing) {
  const struct {
    const wchar_t* script;
    int line;
  } cases[] = {
      {L"HKCU { NoRemove '%BASE%' { A = s 'x' }", 1},                 // missing }
      {L"HKCU { NoRemove '%BASE%' { A = s '%NOSUCH%' } }", 1},        // unknown replacement
      {L"HKCU { NoRemove '%BASE%' { A = s 'unterminated } }", 1},
      {L"HKCU {\n NoRemove '%BASE%' {\n A = q 'x' } }", 3},           // unknown type
      {L"HKCU { NoRemove '%BASE%' { val A } }", 1},                   // value without data
      {L"HKCU { NoRemove '%BASE%' { A = d 'ten' } }", 1},
      {L"HKXX { A }", 1},                                             // unknown root
      {L"HKCU { NoRemove '%BASE%' { A = s '50%' } }", 1},             // lone %
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.script, c.script + wcslen(c.script)));
    EXPECT_EQ(m_reg.StringRegister(c.script), DISP_E_EXCEPTION);
    EXPECT_FALSE(m_reg.GetError().empty());
    EXPECT_EQ(m_reg.GetErrorLine(), c.line);
    EXPECT_FALSE(Exists(HKEY_CURRENT_USER, m_base));
  }
}

TEST_F(Registrar, BothViewsAreWrittenAndRemoved) {
  // a class key, which the two views keep apart
  const std::wstring guid = NewGuidText();
  const std::wstring script = L"HKCR { NoRemove CLSID { ForceRemove " + guid + L" = s 'Test' { LocalServer32 = s '%MODULE%' } } }";
  m_reg.SetViews(ComRegViewBoth);
  ASSERT_HRESULT_SUCCEEDED(m_reg.StringRegister(script.c_str()));
  for (DWORD view : {ComRegView32, ComRegView64}) {
    SCOPED_TRACE(view == ComRegView32 ? "32-bit view" : "64-bit view");
    EXPECT_EQ(String(HKEY_CLASSES_ROOT, L"CLSID\\" + guid + L"\\LocalServer32", nullptr, view),
              L"C:\\Program Files\\Pelora\\Pelora.exe");
  }
  ASSERT_HRESULT_SUCCEEDED(m_reg.StringUnregister(script.c_str()));
  for (DWORD view : {ComRegView32, ComRegView64}) {
    EXPECT_FALSE(Exists(HKEY_CLASSES_ROOT, L"CLSID\\" + guid, view));
    EXPECT_TRUE(Exists(HKEY_CLASSES_ROOT, L"CLSID", view));
  }
}

TEST_F(Registrar, CopyTreeCarriesAKeyIntoTheOtherView) {
  const std::wstring guid = NewGuidText();
  const std::wstring script =
      L"HKCR { NoRemove CLSID { ForceRemove " + guid + L" = s 'Test' { val AppID = s '%APPID%' InprocServer32 = s 'x.dll' } } }";
  m_reg.SetViews(ComRegView64);
  ASSERT_HRESULT_SUCCEEDED(m_reg.StringRegister(script.c_str()));
  EXPECT_EQ(ComRegCopyTree(HKEY_CLASSES_ROOT, (L"CLSID\\" + guid).c_str(), ComRegView64, ComRegView32), ERROR_SUCCESS);
  EXPECT_EQ(String(HKEY_CLASSES_ROOT, L"CLSID\\" + guid, L"AppID", ComRegView32), L"{E2608EE4-3226-4B0F-8376-BE8851959E45}");
  EXPECT_EQ(String(HKEY_CLASSES_ROOT, L"CLSID\\" + guid + L"\\InprocServer32", nullptr, ComRegView32), L"x.dll");
  EXPECT_EQ(ComRegCopyTree(HKEY_CLASSES_ROOT, L"CLSID\\{00000000-0000-0000-0000-0000000000AB}", ComRegView64, ComRegView32),
            ERROR_FILE_NOT_FOUND);
  m_reg.SetViews(ComRegViewBoth);
  ASSERT_HRESULT_SUCCEEDED(m_reg.StringUnregister(script.c_str()));
  EXPECT_FALSE(Exists(HKEY_CLASSES_ROOT, L"CLSID\\" + guid, ComRegView32));
  EXPECT_FALSE(Exists(HKEY_CLASSES_ROOT, L"CLSID\\" + guid, ComRegView64));
}

}  // namespace
