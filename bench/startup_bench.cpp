// The program's start: time from process start to the main window shown and to the notebook
// loaded (an automation client's first answer with folders), with an empty store and with
// 10,000 notes in 200 folders; five warm runs of each, alternating, medians and their ratio.
// Run by hand from the build's bin folder (it registers Pelora.exe, signs a bench account in by
// itself through the remembered-account path, and puts the settings back afterwards).
#include "Framework.h"
#include "bench_clock.h"
#include "bench_store.h"
#include <shlobj.h>
#include "PeloraDatabase.h"
#include "UserAccounts.h"
#include "AtlBase.h"
#include "PeloraLib.h"
#include <sqlite3.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const wchar_t kLogin[] = L"bench@example.com";
const wchar_t kSettings[] = L"Software\\Quendale\\Pelora\\Settings";

std::wstring TempRoot(const wchar_t* name)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring root = std::wstring(temp) + L"pelora-startup-" + name;
    SHCreateDirectoryExW(nullptr, (root + L"\\Quendale\\Pelora\\" + kLogin).c_str(), nullptr);
    return root;
}

void Populate(const std::wstring& appData, int notes, int folders)
{
    DB::CPeloraDatabase db;
    std::wstring path = appData + L"\\Quendale\\Pelora\\" + kLogin + L"\\database.db";
    DeleteFileW(path.c_str());
    if (db.OpenDatabase(path.c_str(), 1) != 1) {
        fprintf(stderr, "cannot make %ls\n", path.c_str());
        exit(1);
    }
    sqlite3_exec(db.GetHandle(), "BEGIN", nullptr, nullptr, nullptr);
    std::vector<int> folderIds = MakeFolders(db, folders);
    for (int i = 0; i < notes; ++i) {
        DB::CItemNote n;
        n.note_id.Format(L"note%011d", i);
        n.note_title.Format(L"Note %d", i);
        n.folder_id = folderIds[i % folders];
        n.date_create = 1000000 + i;
        n.date_update = n.date_update_user = 2000000 + i;
        n.editable = 1;
        db.CreateNote(&n);
    }
    sqlite3_exec(db.GetHandle(), "COMMIT", nullptr, nullptr, nullptr);
    db.CloseDatabase();
}

DWORD Run(const wchar_t* args)
{
    std::wstring cmd = std::wstring(L"Pelora.exe ") + args;
    STARTUPINFOW si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return GetLastError();
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

struct Times {
    double window = -1;
    double loaded = -1;
};

Times StartOnce(const std::wstring& appData)
{
    Times t;
    SetEnvironmentVariableW(L"APPDATA", appData.c_str());
    STARTUPINFOW si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    wchar_t cmd[] = L"Pelora.exe";
    double t0 = Seconds();
    if (!CreateProcessW(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return t;
    HWND frame = nullptr;
    CComPtr<IPeloraApplication> app;
    while (Seconds() - t0 < 60 && (t.window < 0 || t.loaded < 0)) {
        if (!frame)
            frame = FindWindowW(L"PeloraApp", nullptr);
        if (t.window < 0 && frame && IsWindowVisible(frame))
            t.window = Seconds() - t0;
        if (t.loaded < 0 && frame) {
            if (!app)
                app.CoCreateInstance(L"Pelora.Application", nullptr, CLSCTX_LOCAL_SERVER);
            CComPtr<IDispatch> disp;
            CComQIPtr<IPeloraNotebook> nb;
            long count = 0;
            if (app && SUCCEEDED(app->GetActiveNotebook(&disp)) && (nb = disp) && SUCCEEDED(nb->GetFolderCount(&count)) && count > 0)
                t.loaded = Seconds() - t0;
        }
        Sleep(5);
    }
    app.Release();
    if (frame)
        PostMessageW(frame, WM_COMMAND, 57665, 0);
    if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return t;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

} // namespace

int wmain()
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (Run(L"/RegServer") != 0) {
        fprintf(stderr, "Pelora.exe /RegServer failed\n");
        return 1;
    }
    std::wstring empty = TempRoot(L"empty"), full = TempRoot(L"full");
    double t0 = Seconds();
    Populate(empty, 0, 0);
    Populate(full, 10000, 200);
    printf("stores written: %.2f s\n", Seconds() - t0);

    // the bench account signs in by itself; the service is unreachable at once
    CUserAccounts accounts;
    accounts.LoadAll();
    CUserAccountRecord source;
    for (int i = 0; i < 16; ++i)
        source.digest[i] = (BYTE)(i + 1);
    accounts.SetCurrentUser(kLogin);
    accounts.SetDigest(nullptr, &source);
    accounts.SaveUser();
    HKEY key;
    RegCreateKeyExW(HKEY_CURRENT_USER, kSettings, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    wchar_t oldLogin[256] = L"";
    DWORD size = sizeof oldLogin;
    bool hadLogin = RegGetValueW(key, nullptr, L"LastLogin", RRF_RT_REG_SZ, nullptr, oldLogin, &size) == ERROR_SUCCESS;
    RegSetValueExW(key, L"LastLogin", 0, REG_SZ, (const BYTE*)kLogin, (DWORD)(wcslen(kLogin) + 1) * 2);
    DWORD on = 1;
    RegSetValueExW(key, L"AutoLogin", 0, REG_DWORD, (const BYTE*)&on, sizeof on);
    // the remembered sign-in holds only when "LastHash" is the digest the cache holds
    BYTE oldHash[64];
    DWORD hashSize = sizeof oldHash;
    bool hadHash = RegGetValueW(key, nullptr, L"LastHash", RRF_RT_REG_BINARY, nullptr, oldHash, &hashSize) == ERROR_SUCCESS;
    RegSetValueExW(key, L"LastHash", 0, REG_BINARY, source.digest, sizeof source.digest);
    SetEnvironmentVariableW(L"PELORA_SERVICE_URL", L"http://127.0.0.1:9");

    StartOnce(empty);  // warm
    std::vector<double> emptyWindow, emptyLoaded, fullWindow, fullLoaded;
    for (int run = 0; run < 5; ++run) {
        Times e = StartOnce(empty);
        Times f = StartOnce(full);
        printf("run %d: empty window %.3f s loaded %.3f s; 10,000 notes window %.3f s loaded %.3f s\n", run, e.window,
               e.loaded, f.window, f.loaded);
        emptyWindow.push_back(e.window);
        emptyLoaded.push_back(e.loaded);
        fullWindow.push_back(f.window);
        fullLoaded.push_back(f.loaded);
    }
    double ew = Median(emptyWindow), el = Median(emptyLoaded), fw = Median(fullWindow), fl = Median(fullLoaded);
    printf("median, empty store:        window shown %.3f s, notebook loaded %.3f s\n", ew, el);
    printf("median, 10,000 notes:       window shown %.3f s, notebook loaded %.3f s\n", fw, fl);
    printf("ratio 10,000 notes / empty: window %.2f, loaded %.2f (goal: at most 2)\n", fw / ew, fl / el);

    DWORD off = 0;
    RegSetValueExW(key, L"AutoLogin", 0, REG_DWORD, (const BYTE*)&off, sizeof off);
    if (hadLogin)
        RegSetValueExW(key, L"LastLogin", 0, REG_SZ, (const BYTE*)oldLogin, (DWORD)(wcslen(oldLogin) + 1) * 2);
    else
        RegDeleteValueW(key, L"LastLogin");
    if (hadHash)
        RegSetValueExW(key, L"LastHash", 0, REG_BINARY, oldHash, hashSize);
    else
        RegDeleteValueW(key, L"LastHash");
    RegCloseKey(key);
    Run(L"/UnregServer");
    CoUninitialize();
    return 0;
}
