// The setup launcher starts only a complete download the user agreed to run: a table of the
// cases it refuses, and one real start.
#include <gtest/gtest.h>
#include "SetupLauncher.h"
#include <string>

using namespace PeloraShell;

namespace {

CString g_reported;
CString Reported() { return g_reported; }

CString TempFile(const wchar_t* name, const char* bytes)
{
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    CString path = CString(dir) + name;
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, bytes, (DWORD)strlen(bytes), &written, nullptr);
    CloseHandle(h);
    return path;
}

TEST(SetupLauncher, StartsNothingButACompleteAgreedDownload)
{
    CString full = TempFile(L"pelora-setup-full.exe", "MZ not really a program");
    CString empty = TempFile(L"pelora-setup-empty.exe", "");
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    struct Row {
        int run;
        CString path;
        CString reported;
        const wchar_t* refusal;
    } rows[] = {
        {0, full, full, L"the user did not ask for the upgrade"},
        {1, L"", L"", L"no setup program was downloaded"},
        {1, full, L"", L"the download is no longer complete"},       // a later attempt failed
        {1, full, empty, L"the download is no longer complete"},
        {1, CString(dir) + L"pelora-no-such-setup.exe", CString(dir) + L"pelora-no-such-setup.exe", L"the setup program is missing"},
        {1, CString(dir), CString(dir), L"the setup program is missing"},
        {1, empty, empty, L"the setup program is empty"},
        {1, full, full, L""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(CStringA(r.path).GetString()) + " run " + std::to_string(r.run));
        CSetupLauncher launcher;
        launcher.m_run = r.run;
        launcher.m_path = r.path;
        g_reported = r.reported;
        launcher.m_currentDownload = Reported;
        EXPECT_STREQ(r.refusal, launcher.Refusal().GetString());
        if (*r.refusal) {
            EXPECT_FALSE(launcher.Run());
        }
    }
    DeleteFileW(full);
    DeleteFileW(empty);
}

TEST(SetupLauncher, StartsTheDownloadedProgram)
{
    // a real program under the downloaded name: the system's own "hostname"
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    CString path = CString(dir) + L"pelora setup with blanks.exe";
    ASSERT_TRUE(CopyFileW(CString(system) + L"\\hostname.exe", path, FALSE));
    CSetupLauncher launcher;
    launcher.m_run = 1;
    launcher.m_path = path;
    g_reported = path;
    launcher.m_currentDownload = Reported;
    EXPECT_TRUE(launcher.Run());
    Sleep(500);
    DeleteFileW(path);
}

} // namespace
