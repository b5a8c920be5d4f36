// Pelora.exe driven from another process: registration seen in the registry (not by the
// program's word), the automation objects through the vtable and by name, the login event to
// the sinks of two application objects, the keep-alive of ShowApp and the end of a server
// started by a client. In the x86_64 tree the 32-bit program is driven too, where it runs.
#include <gtest/gtest.h>
#include "AtlCom.h"
#include "PeloraLib.h"
#include "TestProcess.h"
#include <cstdlib>
#include <string>
#include <vector>

using PeloraTest::PumpUntil;
using PeloraTest::RunProgram;
using PeloraTest::StartProgram;

namespace {

struct Program {
    const char* name;
    const char* unixPath;
    int bits;
};

std::wstring WindowsPath(const char* unixPath)
{
    std::wstring path = L"Z:";
    for (const char* p = unixPath; *p; ++p)
        path += (*p == '/') ? L'\\' : (wchar_t)(unsigned char)*p;
    return path;
}

bool KeyExists(const std::wstring& path, DWORD view)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::wstring ReadString(const std::wstring& path, const wchar_t* value, DWORD view)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return L"<missing>";
    wchar_t buf[2048] = L"";
    DWORD size = sizeof buf;
    LONG err = RegGetValueW(key, nullptr, value, RRF_RT_REG_SZ, nullptr, buf, &size);
    RegCloseKey(key);
    return err == ERROR_SUCCESS ? buf : L"<missing>";
}

// A value of the part of HKCR both views share (ProgIDs, the URL protocol): a 32-bit writer's
// keys may sit in either place.
std::wstring ReadShared(const std::wstring& path, const wchar_t* value, DWORD view)
{
    std::wstring v = ReadString(path, value, view);
    return v != L"<missing>" ? v : ReadString(path, value, KEY_WOW64_64KEY);
}

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

struct Coclass {
    const wchar_t* clsid;
    const wchar_t* progId;
    const wchar_t* description;
};
const Coclass kCoclasses[] = {
    {L"{0DE9A20D-8B45-4632-AF82-A5707CDA1834}", L"Pelora.Application", L"PeloraApplication Class"},
    {L"{7E835244-64CA-475E-93D0-97FB77DD3595}", L"Pelora.Notebook", L"PeloraNotebook Class"},
    {L"{9476C1D5-00FC-433C-8638-E58EB8D35018}", L"Pelora.Folder", L"PeloraFolder Class"},
    {L"{AC601BF6-A8E6-42FA-A3AE-FC39A4409413}", L"Pelora.Tags", L"PeloraTags Class"},
    {L"{7FF02CED-8905-4AFC-9AE1-548FC898EFC6}", L"Pelora.Tag", L"PeloraTag Class"},
    {L"{182F7338-3391-40E0-8B3D-2CB5100274F6}", L"Pelora.HtmlEventObject", L"HtmlEventObject Class"},
};
const wchar_t kAppId[] = L"{E2608EE4-3226-4B0F-8376-BE8851959E45}";
const wchar_t kLibId[] = L"{D0C11937-A7C8-42FF-B795-79CC3508908C}";
const wchar_t* const kInterfaces[] = {
    L"{3B9EDABB-6310-4939-B210-AC08A5634960}", L"{F96ADA87-758F-402D-835A-7EBF5F378228}",
    L"{BB8D61D2-5649-4B66-95A5-1FA8ACF94182}", L"{0826E34B-6801-4118-A6D2-6F741477D976}",
    L"{21E56D0C-E0A9-4CC9-9E2A-12320C9E4779}", L"{2EA6B103-AB79-48AF-8DBB-01974F22CB08}",
};
const DWORD kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

// The window of the program's main frame and its process, or null.
HWND FindProgramWindow(DWORD* pid = nullptr)
{
    HWND wnd = FindWindowW(L"PeloraApp", nullptr);
    if (wnd && pid)
        GetWindowThreadProcessId(wnd, pid);
    return wnd;
}

class ProgramServer : public ::testing::TestWithParam<Program> {
protected:
    void SetUp() override
    {
        const Program& p = GetParam();
        const char* noI386 = getenv("PELORA_NO_I386");
        if (p.bits == 32 && noI386 && strcmp(noI386, "1") == 0)
            GTEST_SKIP() << "this machine cannot run 32-bit programs: the 32-bit program is not driven here";
        m_exe = WindowsPath(p.unixPath);
        ASSERT_NE(GetFileAttributesW(m_exe.c_str()), INVALID_FILE_ATTRIBUTES) << p.unixPath << " is missing";
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        m_comInit = true;
        ASSERT_EQ(0u, RunProgram(m_exe, L"/RegServer")) << "registration failed";
        m_registered = true;
    }
    void TearDown() override
    {
        // no program of this test outlives it
        DWORD pid = 0;
        if (HWND wnd = FindProgramWindow(&pid)) {
            HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
            PostMessageW(wnd, WM_CLOSE, 0, 0);
            if (process && WaitForSingleObject(process, 20000) != WAIT_OBJECT_0) {
                ADD_FAILURE() << "the program did not end on WM_CLOSE";
                TerminateProcess(process, 1);
            }
            if (process)
                CloseHandle(process);
        }
        if (m_registered) {
            EXPECT_EQ(0u, RunProgram(m_exe, L"/UnregServer"));
        }
        if (m_comInit)
            CoUninitialize();
    }

    // A client's application object once the program has started (IsAppInited polled, as the
    // add-in does).
    CComPtr<IPeloraApplication> Connect()
    {
        CComPtr<IPeloraApplication> app;
        HRESULT hr = app.CoCreateInstance(L"Pelora.Application", nullptr, CLSCTX_LOCAL_SERVER);
        EXPECT_HRESULT_SUCCEEDED(hr);
        if (!app)
            return app;
        VARIANT_BOOL inited = VARIANT_FALSE;
        for (int i = 0; i < 200 && inited != VARIANT_TRUE; ++i) {
            app->IsAppInited(&inited);
            if (inited != VARIANT_TRUE)
                PumpUntil([] { return false; }, 100);
        }
        EXPECT_EQ(VARIANT_TRUE, inited) << "the program never finished starting";
        return app;
    }

    std::wstring m_exe;
    bool m_comInit = false;
    bool m_registered = false;
};

TEST_P(ProgramServer, RegistrationWritesEveryClassTheAppIdAndTheProtocolAndRemovesThem)
{
    for (DWORD view : kViews) {
        SCOPED_TRACE(view == KEY_WOW64_64KEY ? "64-bit view" : "32-bit view");
        for (const Coclass& c : kCoclasses) {
            SCOPED_TRACE(Narrow(c.progId));
            std::wstring key = std::wstring(L"CLSID\\") + c.clsid;
            EXPECT_EQ(c.description, ReadString(key, nullptr, view));
            EXPECT_EQ(0, _wcsicmp(ReadString(key + L"\\LocalServer32", nullptr, view).c_str(), m_exe.c_str()));
            EXPECT_EQ(kAppId, ReadString(key, L"AppID", view));
            EXPECT_EQ(kLibId, ReadString(key + L"\\TypeLib", nullptr, view));
            EXPECT_EQ(std::wstring(c.progId) + L".1", ReadString(key + L"\\ProgID", nullptr, view));
            EXPECT_EQ(c.progId, ReadString(key + L"\\VersionIndependentProgID", nullptr, view));
            EXPECT_TRUE(KeyExists(key + L"\\Programmable", view));
            EXPECT_EQ(c.clsid, ReadShared(std::wstring(c.progId) + L"\\CLSID", nullptr, view));
            EXPECT_EQ(std::wstring(c.progId) + L".1", ReadShared(std::wstring(c.progId) + L"\\CurVer", nullptr, view));
            EXPECT_EQ(c.clsid, ReadShared(std::wstring(c.progId) + L".1\\CLSID", nullptr, view));
        }
        for (const wchar_t* iid : kInterfaces)
            EXPECT_TRUE(KeyExists(std::wstring(L"Interface\\") + iid, view)) << Narrow(iid);
        EXPECT_EQ(L"Pelora", ReadString(std::wstring(L"AppID\\") + kAppId, nullptr, view));
        EXPECT_EQ(kAppId, ReadString(L"AppID\\Pelora.EXE", L"AppID", view));
    }
    EXPECT_EQ(L"URL:Pelora Protocol", ReadShared(L"pelora", nullptr, KEY_WOW64_64KEY));
    EXPECT_EQ(L"", ReadShared(L"pelora", L"URL Protocol", KEY_WOW64_64KEY));
    EXPECT_EQ(m_exe + L",1", ReadShared(L"pelora\\DefaultIcon", nullptr, KEY_WOW64_64KEY));
    EXPECT_EQ(L"\"" + m_exe + L"\" \"/uri:%l\"", ReadShared(L"pelora\\shell\\open\\command", nullptr, KEY_WOW64_64KEY));

    ASSERT_EQ(0u, RunProgram(m_exe, L"/UnregServer"));
    m_registered = false;
    for (DWORD view : kViews) {
        for (const Coclass& c : kCoclasses) {
            EXPECT_FALSE(KeyExists(std::wstring(L"CLSID\\") + c.clsid, view)) << Narrow(c.clsid);
            EXPECT_FALSE(KeyExists(c.progId, view)) << Narrow(c.progId);
            EXPECT_FALSE(KeyExists(std::wstring(c.progId) + L".1", view)) << Narrow(c.progId);
        }
        for (const wchar_t* key : {L"AppID\\Pelora.EXE", L"pelora"})
            EXPECT_FALSE(KeyExists(key, view)) << Narrow(key);
        EXPECT_FALSE(KeyExists(std::wstring(L"AppID\\") + kAppId, view));
        EXPECT_FALSE(KeyExists(std::wstring(L"TypeLib\\") + kLibId, view));
        EXPECT_TRUE(KeyExists(L"CLSID", view));
    }
    EXPECT_EQ(nullptr, FindProgramWindow()) << "a registration run shows no window";
}

TEST_P(ProgramServer, ClientStartsTheProgramHiddenCallsItAndTheProgramEndsWithItsLastObject)
{
    CComPtr<IPeloraApplication> app = Connect();
    ASSERT_TRUE(app);
    DWORD pid = 0;
    HWND frame = FindProgramWindow(&pid);
    ASSERT_NE(nullptr, frame);
    EXPECT_FALSE(IsWindowVisible(frame)) << "started for a client, the program shows nothing";
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    ASSERT_NE(nullptr, process);

    long state = -1;
    EXPECT_EQ(S_OK, app->GetLoginState(&state));
    EXPECT_EQ(0, state);
    // ShowApp(FALSE) leaves the window hidden
    EXPECT_EQ(S_OK, app->ShowApp(VARIANT_FALSE));
    EXPECT_FALSE(IsWindowVisible(frame));
    long result = 7;
    CComBSTR unknown(L"pelora:format.disk?drive=c");
    EXPECT_EQ(S_OK, app->ExecCmd(unknown, &result));
    EXPECT_EQ(-1, result);
    CComBSTR open(L"pelora:note.open?note_id=nothing-here");
    EXPECT_EQ(S_OK, app->ExecCmd(open, &result));
    EXPECT_EQ(-1, result);

    // by name, across the process boundary
    CComPtr<IDispatch> disp;
    ASSERT_HRESULT_SUCCEEDED(app->QueryInterface(IID_IDispatch, (void**)&disp));
    DISPID id = 0;
    LPOLESTR name[] = {const_cast<LPOLESTR>(L"GetActiveNotebook")};
    ASSERT_EQ(S_OK, disp->GetIDsOfNames(IID_NULL, name, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(5, id);
    CComVariant nb;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    ASSERT_EQ(S_OK, disp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &nb, nullptr, nullptr));
    ASSERT_EQ(VT_DISPATCH, nb.vt);
    CComQIPtr<IPeloraNotebook> notebook(nb.pdispVal);
    ASSERT_TRUE(notebook);
    long folders = -1;
    EXPECT_EQ(S_OK, notebook->GetFolderCount(&folders));
    EXPECT_EQ(0, folders) << "no account is signed in";
    CComPtr<IDispatch> folder;
    EXPECT_EQ(E_FAIL, notebook->GetFolderDefault(&folder));
    EXPECT_EQ(E_INVALIDARG, notebook->GetFolderItem(0, &folder));
    // the failure carries its description across
    CComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        CComBSTR text;
        info->GetDescription(&text);
        EXPECT_GT(text.Length(), 0u);
    }

    nb.Clear();
    notebook.Release();
    disp.Release();
    app.Release();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 20000)) << "the program outlived its last client";
    CloseHandle(process);
}

TEST_P(ProgramServer, LoginEventReachesTheSinksOfTwoApplicationObjects)
{
    CComPtr<IPeloraApplication> first = Connect();
    ASSERT_TRUE(first);
    CComPtr<IPeloraApplication> second;
    ASSERT_HRESULT_SUCCEEDED(second.CoCreateInstance(L"Pelora.Application", nullptr, CLSCTX_LOCAL_SERVER));
    struct Seen {
        int sink;
        long state;
        bool senderIsItsObject;
    };
    std::vector<Seen> seen;
    CComPtr<IUnknown> firstUnk, secondUnk;
    first->QueryInterface(IID_IUnknown, (void**)&firstUnk);
    second->QueryInterface(IID_IUnknown, (void**)&secondUnk);
    CComDispEventSink* sinks[2] = {};
    IUnknown* owners[2] = {firstUnk, secondUnk};
    for (int i = 0; i < 2; ++i) {
        IUnknown* owner = owners[i];
        ASSERT_HRESULT_SUCCEEDED(CComDispEventSink::Create(
            DIID_IPeloraApplicationEvent,
            [&seen, i, owner](DISPID id, DISPPARAMS* p, VARIANT*) {
                if (id != 1 || p->cArgs != 2)
                    return DISP_E_MEMBERNOTFOUND;
                VARIANT* sender = CComDispEventSink::Arg(p, 0);
                VARIANT* state = CComDispEventSink::Arg(p, 1);
                CComPtr<IUnknown> senderUnk;
                if (sender->vt == VT_UNKNOWN && sender->punkVal)
                    sender->punkVal->QueryInterface(IID_IUnknown, (void**)&senderUnk);
                seen.push_back({i, state->vt == VT_I4 ? state->lVal : -9, senderUnk.p == owner});
                return S_OK;
            },
            &sinks[i]));
        ASSERT_HRESULT_SUCCEEDED(sinks[i]->Advise(i == 0 ? (IUnknown*)first : (IUnknown*)second));
    }
    // opening the login window fires LoginInProgress
    EXPECT_EQ(S_OK, first->ShowAuthWindow(VARIANT_FALSE));
    EXPECT_TRUE(PumpUntil([&] { return seen.size() >= 2; }, 20000)) << "events seen: " << seen.size();
    ASSERT_EQ(2u, seen.size());
    int perSink[2] = {0, 0};
    for (const Seen& s : seen) {
        EXPECT_EQ(1, s.state);
        EXPECT_TRUE(s.senderIsItsObject) << "sink " << s.sink;
        ++perSink[s.sink];
    }
    EXPECT_EQ(1, perSink[0]);
    EXPECT_EQ(1, perSink[1]);
    for (CComDispEventSink* s : sinks) {
        s->Unadvise();
        s->Release();
    }
}

TEST_P(ProgramServer, ShowAppKeepsTheProgramAfterTheClientLetsGoUntilTheUserCloses)
{
    CComPtr<IPeloraApplication> app = Connect();
    ASSERT_TRUE(app);
    DWORD pid = 0;
    HWND frame = FindProgramWindow(&pid);
    ASSERT_NE(nullptr, frame);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    ASSERT_NE(nullptr, process);
    EXPECT_EQ(S_OK, app->ShowApp(VARIANT_TRUE));
    EXPECT_TRUE(IsWindowVisible(frame));
    app.Release();
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(process, 2000)) << "the program ended with its client";
    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 20000)) << "the program did not end on close";
    CloseHandle(process);
}

std::vector<Program> Programs()
{
    std::vector<Program> list;
#ifdef __x86_64__
    list.push_back({"x86_64", PELORA_EXE_OWN, 64});
    list.push_back({"i686_from_64_bit_client", PELORA_EXE_I686, 32});
#else
    list.push_back({"i686", PELORA_EXE_OWN, 32});
#endif
    return list;
}

INSTANTIATE_TEST_SUITE_P(Programs, ProgramServer, ::testing::ValuesIn(Programs()),
                         [](const ::testing::TestParamInfo<Program>& info) { return std::string(info.param.name); });

} // namespace

namespace {

// Counts the program's main frames (hidden ones too) on the desktop.
int CountFrames()
{
    int n = 0;
    for (HWND w = FindWindowW(L"PeloraApp", nullptr); w; w = FindWindowExW(nullptr, w, L"PeloraApp", nullptr))
        ++n;
    return n;
}

TEST_P(ProgramServer, TwoStartsAtOnceLeaveOneInstanceAndTheSecondHandsOver)
{
    // both at once: the named mutex lets exactly one be first
    HANDLE a = StartProgram(m_exe, L"");
    HANDLE b = StartProgram(m_exe, L"sendto: C:\\windows\\win.ini");
    ASSERT_TRUE(a && b);
    HANDLE both[2] = {a, b};
    // one of them ends by itself (the second), the other stays
    DWORD first = WaitForMultipleObjects(2, both, FALSE, 60000);
    ASSERT_TRUE(first == WAIT_OBJECT_0 || first == WAIT_OBJECT_0 + 1) << "neither start ended";
    HANDLE survivor = first == WAIT_OBJECT_0 ? b : a;
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(survivor, 3000)) << "no instance is left";
    PumpUntil([] { return CountFrames() >= 1; }, 20000);
    EXPECT_EQ(1, CountFrames());

    // a later start hands its files over and ends; still one instance
    HANDLE c = StartProgram(m_exe, L"sendto: C:\\windows\\system.ini");
    ASSERT_TRUE(c);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(c, 60000)) << "the second start did not end";
    DWORD code = 99;
    GetExitCodeProcess(c, &code);
    EXPECT_EQ(0u, code);
    EXPECT_EQ(1, CountFrames());
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(survivor, 0));
    for (HANDLE h : {a, b, c})
        CloseHandle(h);
}

} // namespace
