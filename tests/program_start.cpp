// Pelora.exe starts under Wine, shows its main window and ends cleanly when it is closed.
#include <windows.h>
#include <gtest/gtest.h>

TEST(ProgramStart, OpensMainWindowAndEndsOnClose)
{
    STARTUPINFOW si = {sizeof(si)};
    PROCESS_INFORMATION pi = {};
    wchar_t cmd[] = L"Pelora.exe";
    ASSERT_TRUE(CreateProcessW(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    HWND frame = nullptr;
    for (int i = 0; i < 300 && !frame; ++i) {  // up to 30 s for a cold prefix
        frame = FindWindowW(L"PeloraApp", nullptr);
        if (!frame)
            Sleep(100);
    }
    ASSERT_NE(frame, nullptr) << "main window never appeared";
    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}
