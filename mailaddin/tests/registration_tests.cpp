// What DllRegisterServer and DllUnregisterServer leave in the registry.
#include <gtest/gtest.h>
#include "TestSupport.h"

using namespace MailTest;

namespace {

const wchar_t kClsid[] = L"CLSID\\{D361FA6B-C65A-43CA-B347-A076A0506E41}";
const wchar_t kAddinKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins\\Mailvane.PeloraNote";

bool KeyExists(HKEY root, const std::wstring& path) {
  HKEY k;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

// value "" is the key's default value; "<missing>" when there is none
std::wstring Text(HKEY root, const std::wstring& path, const wchar_t* value = L"") {
  wchar_t buf[1024];
  DWORD size = sizeof(buf), type = 0;
  if (RegGetValueW(root, path.c_str(), *value ? value : nullptr, RRF_RT_REG_SZ, &type, buf, &size) != ERROR_SUCCESS)
    return L"<missing>";
  return buf;
}

DWORD Dword(HKEY root, const std::wstring& path, const wchar_t* value) {
  DWORD v = 0xDEAD, size = sizeof(v);
  if (RegGetValueW(root, path.c_str(), value, RRF_RT_REG_DWORD, nullptr, &v, &size) != ERROR_SUCCESS) return 0xDEAD;
  return v;
}

HRESULT CallExport(const char* name) {
  auto fn = (HRESULT(WINAPI*)())GetProcAddress(AddInModule(), name);
  return fn ? fn() : E_NOTIMPL;
}

}  // namespace

TEST(Registration, RegisterWritesEveryKeyAndUnregisterKeepsTheAppIdAndTheParents) {
  ASSERT_NE(AddInModule(), nullptr);
  ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
  const std::wstring appId = L"{E0564789-BAA9-46EA-A38D-EEF01DE6E6C3}";
  const struct {
    HKEY root;
    std::wstring key;
    const wchar_t* value;
    std::wstring expected;
  } texts[] = {
      {HKEY_CLASSES_ROOT, L"AppID\\" + appId, L"", L"Mailvane"},
      {HKEY_CLASSES_ROOT, L"AppID\\Mailvane.DLL", L"AppID", appId},
      {HKEY_CLASSES_ROOT, L"Mailvane.PeloraNote.1", L"", L"PeloraMailvane Class"},
      {HKEY_CLASSES_ROOT, L"Mailvane.PeloraNote.1\\CLSID", L"", L"{D361FA6B-C65A-43CA-B347-A076A0506E41}"},
      {HKEY_CLASSES_ROOT, L"Mailvane.PeloraNote", L"", L"PeloraMailvane Class"},
      {HKEY_CLASSES_ROOT, L"Mailvane.PeloraNote\\CLSID", L"", L"{D361FA6B-C65A-43CA-B347-A076A0506E41}"},
      {HKEY_CLASSES_ROOT, L"Mailvane.PeloraNote\\CurVer", L"", L"Mailvane.PeloraNote.1"},
      {HKEY_CLASSES_ROOT, kClsid, L"", L"PeloraMailvane Class"},
      {HKEY_CLASSES_ROOT, kClsid, L"AppID", appId},
      {HKEY_CLASSES_ROOT, std::wstring(kClsid) + L"\\ProgID", L"", L"Mailvane.PeloraNote.1"},
      {HKEY_CLASSES_ROOT, std::wstring(kClsid) + L"\\VersionIndependentProgID", L"", L"Mailvane.PeloraNote"},
      {HKEY_CLASSES_ROOT, std::wstring(kClsid) + L"\\TypeLib", L"", L"{19AA9349-9982-436E-89D6-3CDF1365B7F0}"},
      {HKEY_CLASSES_ROOT, std::wstring(kClsid) + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {HKEY_CURRENT_USER, kAddinKey, L"FriendlyName", L"Pelora Note for Outlook Addin"},
      {HKEY_CURRENT_USER, kAddinKey, L"Description", L"ATLCOM Outlook Addin"},
  };
  for (const auto& t : texts) EXPECT_EQ(Text(t.root, t.key, t.value), t.expected) << Narrow(t.key);
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::wstring(kClsid) + L"\\Programmable"));
  std::wstring server = Text(HKEY_CLASSES_ROOT, std::wstring(kClsid) + L"\\InprocServer32");
  ASSERT_GE(server.size(), 12u);
  EXPECT_EQ(_wcsicmp(server.substr(server.size() - 12).c_str(), L"Mailvane.dll"), 0) << Narrow(server);
  EXPECT_EQ(Dword(HKEY_CURRENT_USER, kAddinKey, L"LoadBehavior"), 3u);
  EXPECT_EQ(Dword(HKEY_CURRENT_USER, kAddinKey, L"CommandLineSafe"), 0u);
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"TypeLib\\{19AA9349-9982-436E-89D6-3CDF1365B7F0}"));

  // registering again changes nothing; unregistering removes what was added, not what it sits in
  ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
  ASSERT_EQ(CallExport("DllUnregisterServer"), S_OK);
  const std::wstring gone[] = {kClsid, L"Mailvane.PeloraNote.1", L"Mailvane.PeloraNote", L"AppID\\Mailvane.DLL",
                               L"TypeLib\\{19AA9349-9982-436E-89D6-3CDF1365B7F0}"};
  for (const std::wstring& k : gone) EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, k)) << Narrow(k);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kAddinKey));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office\\Outlook\\Addins"));
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, L"AppID\\" + appId), L"Mailvane");
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));

  // the other tests of this program use the registered add-in
  ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
}
