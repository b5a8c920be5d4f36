#include "SetupLauncher.h"
#include "SyncThread.h"

namespace PeloraShell {

namespace {
CString SyncDownload() { return Sync::CSyncThread::GetDownloadedInstaller(); }
} // namespace

CString CSetupLauncher::Refusal() const
{
    if (!m_run)
        return L"the user did not ask for the upgrade";
    if (m_path.IsEmpty())
        return L"no setup program was downloaded";
    CString current = (m_currentDownload ? m_currentDownload : SyncDownload)();
    // a later download attempt that failed clears it: a partial file is never started
    if (current.CompareNoCase(m_path) != 0)
        return L"the download is no longer complete";
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(m_path, GetFileExInfoStandard, &data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return L"the setup program is missing";
    if (data.nFileSizeHigh == 0 && data.nFileSizeLow == 0)
        return L"the setup program is empty";
    return CString();
}

bool CSetupLauncher::Run()
{
    if (!Refusal().IsEmpty())
        return false;
    CString line = L"\"" + m_path + L"\"";
    std::wstring buffer(line.GetString());
    STARTUPINFOW si = {sizeof si};
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(m_path, &buffer[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

} // namespace PeloraShell
