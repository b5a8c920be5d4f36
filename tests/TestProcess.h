// Helpers shared by the tests that start programs and wait for COM calls and events: a program
// started or run to its end, and this thread's messages pumped until a condition holds. Every
// wait is bounded.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

namespace PeloraTest {

// exe started with args (its path quoted first on the command line); the process handle, or
// null with the error in GetLastError.
inline HANDLE StartProgram(const std::wstring& exe, const wchar_t* args)
{
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

// Runs exe to its end (at most a minute, then it is ended); its exit code, the start's error
// when it did not start, E_FAIL when it had to be ended.
inline DWORD RunProgram(const std::wstring& exe, const wchar_t* args)
{
    HANDLE process = StartProgram(exe, args);
    if (!process)
        return GetLastError();
    DWORD code = (DWORD)E_FAIL;
    if (WaitForSingleObject(process, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    else
        TerminateProcess(process, 1);
    CloseHandle(process);
    return code;
}

// Pumps this thread's messages (COM calls and events arrive through them) until done() or
// timeoutMs; whether done() came true.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

} // namespace PeloraTest
