#include "PeloraApp.h"
#include "Automation.h"
#include "AppModule.h"
#include "ActivityLog.h"
#include "StringTable.h"
#include "PeloraDatabase.h"
#include "MergeNotebookStore.h"
#include "UserAccounts.h"
#include "NoteImportHelper.h"
#include "OleData.h"
#include "BinRes.h"
#include "DlgMsg.h"
#include "BgThread.h"
#include "LoginWindow.h"
#include "WidgetDefaults.h"
#include <shlobj.h>
#include "FxSocket.h"
#include "resource.h"
#include <algorithm>

namespace PeloraShell {

DWORD g_syncStopWaitMs = 15000;

BEGIN_MESSAGE_MAP(CPeloraApp, CWinApp)
    ON_THREAD_MESSAGE(WM_APP_INITED_HTML_EDITOR, OnInitedHtmlEditor)
    ON_COMMAND(ID_APP_EXIT, OnAppExit)
    ON_COMMAND(ID_SHOW_AUTH_WINDOW, HandlerShowAuthWindow)
    ON_COMMAND(ID_LOGOUT, OnCommandLogout)
    ON_COMMAND(ID_SYNC_RUN, OnCommandSyncRun)
    ON_COMMAND(ID_NOTE_NEW, OnNoteNew)
END_MESSAGE_MAP()

namespace {

// One instance per user session; the window of the first is found for the hand-over.
const wchar_t kInstanceMutex[] = L"Local\\Quendale.Pelora.Instance";

// A small window that says why the program has not ended yet.
class CWaitNotice {
public:
    void Show(const wchar_t* text)
    {
        if (m_wnd)
            return;
        int w = 360, h = 60;
        int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
        m_wnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"STATIC", text, WS_POPUP | WS_BORDER | SS_CENTER | SS_CENTERIMAGE,
                                x, y, w, h, nullptr, nullptr, AfxGetInstanceHandle(), nullptr);
        if (m_wnd) {
            ShowWindow(m_wnd, SW_SHOWNOACTIVATE);
            UpdateWindow(m_wnd);
        }
    }
    ~CWaitNotice()
    {
        if (m_wnd)
            DestroyWindow(m_wnd);
    }

private:
    HWND m_wnd = nullptr;
};

// An information line of the trace log.
void LogInfo(const char* text)
{
    CLogStream line(LOG_LEVEL_INFO);
    line << "PeloraShell::CPeloraApp" << " - " << text;
    line.End();
}

// Waits for a thread handle while keeping this thread's windows painted.
bool WaitThread(HANDLE thread, DWORD ms)
{
    if (!thread)
        return true;
    DWORD start = GetTickCount();
    for (;;) {
        DWORD spent = GetTickCount() - start;
        if (spent >= ms)
            return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
        DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, ms - spent, QS_PAINT);
        if (r == WAIT_OBJECT_0)
            return true;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
            DispatchMessageW(&msg);
    }
}

} // namespace

CPeloraApp::CPeloraApp() : CWinApp(L"Pelora") {}

CPeloraApp::~CPeloraApp() {}

CMainFrame* CPeloraApp::GetMainFrame()
{
    return dynamic_cast<CMainFrame*>(m_pMainWnd);
}

int CPeloraApp::ShowCommandForSizeType(int sizeType)
{
    switch (sizeType) {
    case 0: return SW_SHOW;
    case 2: case 3: return SW_SHOWMAXIMIZED;
    case 1: case 4: return SW_SHOWMINIMIZED;
    default: return -1;
    }
}

BOOL CPeloraApp::InitInstance()
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_INFO, "PeloraShell::CPeloraApp::InitInstance");
    m_cmdInfo.reset(new CCommandArgs);
    SetWidgetDefaults();
    if (!m_login)
        m_login.reset(new CLoginWindow);
    InitCommonControls();
    CWinApp::InitInstance();
    if (!AfxSocketInit()) {
        AfxMessageBox(IDP_SOCKETS_INIT_FAILED);
        return FALSE;
    }
    if (!AfxOleInit()) {
        AfxMessageBox(IDP_OLE_INIT_FAILED);
        return FALSE;
    }
    ParseCommandLine(*m_cmdInfo);
    int shell = m_cmdInfo->m_nShellCommand;
    if (shell == CCommandLineInfo::AppRegister || shell == CCommandLineInfo::AppUnregister) {
        // registration runs beside a running instance and ends at once
        m_cmdInfo->m_register = 1;
        m_registerResult = GetAppModule().UpdateServer(shell == CCommandLineInfo::AppRegister);
        return FALSE;
    }
    bool automation = m_cmdInfo->m_bRunEmbedded || m_cmdInfo->m_bRunAutomated;

    SetRegistryKey(L"Quendale");
    LoadStdProfileSettings(4);
    int userLanguage = (int)GetProfileInt(L"Settings", L"UserLanguage", PRIMARYLANGID(LANGIDFROMLCID(GetThreadLocale())));
    CStringTable::Instance()->Load();
    CStringTable::Instance()->SetLanguage(userLanguage);

    // one instance per session: a named mutex, so that two starts at once cannot both be first
    m_instanceMutex = CreateMutexW(nullptr, FALSE, kInstanceMutex);
    bool second = m_instanceMutex && GetLastError() == ERROR_ALREADY_EXISTS;
    if (second) {
        // the first may not have its window yet: it is made right after the mutex
        HWND running = nullptr;
        for (int i = 0; i < 100 && !running; ++i) {
            running = FindWindowW(L"PeloraApp", nullptr);
            if (!running)
                Sleep(100);
        }
        if (running)
            ProcessSecondInstance(running);
        return FALSE;
    }

    if (!m_cmdInfo->m_unknown.IsEmpty() && !automation) {
        CString text = L"Pelora does not know these command-line switches and ignored them:";
        for (POSITION pos = m_cmdInfo->m_unknown.GetHeadPosition(); pos;)
            text += L" /" + m_cmdInfo->m_unknown.GetNext(pos);
        AfxMessageBox(text, MB_OK | MB_ICONINFORMATION);
    }

    m_database.reset(new DB::CPeloraDatabase);
    m_notebook.reset(new Pelora::CNotebook(m_database.get()));
    m_notebook->SetServices(this, nullptr, nullptr);
    m_accounts.reset(new CUserAccounts);
    SetAutomationHost(this);

    CMainFrame* frame = new CMainFrame;
    m_pMainWnd = frame;
    frame->SetSink(this);
    if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE)) {
        m_pMainWnd = nullptr;  // a failed frame deletes itself
        return FALSE;
    }
    m_syncObserver.SetWindow(frame->GetSafeHwnd());
    frame->DragAcceptFiles(TRUE);

    if (FAILED(GetAppModule().RegisterClassObjects(CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE)))
        return FALSE;
    m_classObjectsRegistered = true;

    if (automation) {
        // started by a client: nothing shows until it asks; the program ends with its last object
        m_login->showMainWindow = 0;
        m_nCmdShow = SW_HIDE;
        GetAppModule().SetEndWithLastClient(true);
        return TRUE;
    }

    m_sizeType = (int)GetProfileInt(L"Options", L"TypeMainWindowSize", 3);
    frame->m_sizeType = m_sizeType;
    int show = ShowCommandForSizeType(m_sizeType);
    if (show >= 0)
        m_nCmdShow = show;
    if (m_cmdInfo->m_autorun && GetProfileInt(L"Options", L"ShowInTray", 1))
        m_nCmdShow = SW_HIDE;
    m_login->showMainWindow = m_nCmdShow != SW_HIDE;
    return TRUE;
}

void CPeloraApp::OnInitedHtmlEditor(WPARAM, LPARAM)
{
    if (m_isInited)
        return;
    InitializeApplication(0);
    m_isInited = 1;
    if (m_login->Authenticate(0) == 1) {
        OnAuthorizationEvent(2);
        return;
    }
    if (m_login->showMainWindow || (m_cmdInfo->m_autorun && GetProfileInt(L"Options", L"ShowInTray", 1)))
        ShowAuthWindow(VARIANT_TRUE);
}

int CPeloraApp::InitializeApplication(int)
{
    if (m_htmlFormat)
        return 1;
    PELORA_TRACE_SCOPE(LOG_LEVEL_INFO, "PeloraShell::CPeloraApp::InitializeApplication");
    m_htmlFormat = RegisterClipboardFormatW(L"HTML Format");
    if (m_database)
        m_database->StartNetService();
    if (m_accounts)
        m_accounts->LoadAll();
    // the preview thread is kept (not self-deleting) so that exit can wait for it
    m_previewThread = AfxBeginThread(RUNTIME_CLASS(CBgThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (m_previewThread) {
        m_previewThread->m_bAutoDelete = FALSE;
        m_previewThread->ResumeThread();
    }
    m_syncA = static_cast<Sync::CSyncThread*>(AfxBeginThread(&Sync::CSyncThread::classCSyncThread));
    if (m_syncA)
        m_syncA->SetObserver(&m_syncObserver);
    m_syncB = static_cast<Sync::CSyncThread*>(AfxBeginThread(&Sync::CSyncThread::classCSyncThread));
    if (m_syncB)
        m_syncB->SetObserver(&m_syncObserver);
    Sync::CSyncThread::SetThreads(m_syncA, m_syncB);
    m_login->LoadLastLogin();
    if (CMainFrame* frame = GetMainFrame()) {
        if (GetProfileInt(L"Options", L"ShowInTray", 1) && !(m_cmdInfo->m_bRunEmbedded || m_cmdInfo->m_bRunAutomated))
            frame->CreateTrayIcon();
        frame->CompleteInitialize();
    }
    return 1;
}

void CPeloraApp::OnAuthorizationEvent(int state)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_INFO, "PeloraShell::CPeloraApp::OnAuthorizationEvent");
    if (state == 2) {
        if (m_syncA)
            m_syncA->PostAuthRequest(nullptr, nullptr, m_login->login, m_login->digest);
        Sync::CSyncThread::SetAccount(m_login->login, m_login->digest);
        if (!SwitchUserProfile(m_login->login) && !(m_cmdInfo->m_bRunEmbedded || m_cmdInfo->m_bRunAutomated)) {
            // a damaged, locked or newer store is refused and left as it is: say so
            CString text = L"Pelora could not open the notes of this account.";
            if (m_database && !m_database->GetOpenErrorText().IsEmpty())
                text += L"\n\n" + m_database->GetOpenErrorText();
            CDlgMsg box(nullptr);
            box.m_strMessage = text;
            box.DoModal();
        }
        m_login->HideLoginWindow();
        if (m_login->showMainWindow && m_pMainWnd) {
            if (m_nCmdShow == SW_HIDE)
                m_nCmdShow = m_sizeType == 2 ? SW_SHOWMAXIMIZED : SW_SHOW;
            m_pMainWnd->ShowWindow(m_nCmdShow);
            m_pMainWnd->UpdateWindow();
        }
    } else if (state == 0) {
        if (CPeloraApplication::GetLiveCount() == 0)
            OnAppExit();
    }
    CPeloraApplication::FireLoginChangedAll(state);
}

void CPeloraApp::OnAppExit()
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_INFO, "PeloraShell::CPeloraApp::OnAppExit");
    CMainFrame* frame = GetMainFrame();
    if (frame && IsSignedIn() && !frame->m_exitPending && !ConfirmLogoutOperation(ID_APP_EXIT))
        return;
    if (frame && frame->GetSafeHwnd()) {
        frame->KillTimer(1221);
        frame->DestroyWindow();
    }
    m_pMainWnd = nullptr;
    PostQuitMessage(0);
    if (m_keepAlive) {
        IUnknown* keep = m_keepAlive;
        m_keepAlive = nullptr;
        keep->Release();
    }
}

void CPeloraApp::StopWorkerThreads()
{
    // the sync threads are told first, then the preview thread; exit waits for each, bounded
    if (m_syncB)
        m_syncB->PostThreadMessage(WM_QUIT, 0, 0);
    if (m_syncA)
        m_syncA->PostThreadMessage(WM_QUIT, 0, 0);
    if (m_previewThread)
        m_previewThread->PostThreadMessage(WM_QUIT, 0, 0);
    CWaitNotice notice;
    DWORD start = GetTickCount();
    while (Sync::CSyncThread::GetThreadCount() > 0 && GetTickCount() - start < g_syncStopWaitMs) {
        if (GetTickCount() - start > 500)
            notice.Show(L"Pelora is waiting for the synchronisation to stop...");
        Sleep(20);
    }
    if (m_previewThread) {
        if (WaitThread(m_previewThread->m_hThread, 5000)) {
            delete m_previewThread;
            m_previewThread = nullptr;
        }
    }
    m_syncA = m_syncB = nullptr;
}

int CPeloraApp::ExitInstance()
{
    LogInfo("PeloraNote is stoping...");
    StopWorkerThreads();
    bool threadsEnded = Sync::CSyncThread::GetThreadCount() == 0 && !m_previewThread;
    SetAutomationHost(nullptr);
    if (threadsEnded) {
        // only once no thread can touch them
        if (m_notebook) {
            m_notebook->UnloadNotebook();
            m_notebook.reset();
        }
        if (m_database) {
            m_database->StopNetService();
            m_database->CloseDatabase();
            m_database.reset();
        }
    } else {
        // a thread that did not end may still use them: they are left to the process's end
        LogInfo("worker threads did not end in time: the notebook is left open");
        m_notebook.release();
        m_database.release();
    }
    if (m_classObjectsRegistered) {
        GetAppModule().RevokeClassObjects();
        m_classObjectsRegistered = false;
    }
    LogInfo("PeloraNote complete work.");
    g_ActivityLog.Flush();
    m_login.reset();
    int result = CWinApp::ExitInstance();
    if (m_setupLauncher.m_run && !m_setupLauncher.Run())
        LogInfo("the setup program was not started: it is not a complete download");
    if (m_cmdInfo && m_cmdInfo->m_register)
        result = (int)m_registerResult;
    m_accounts.reset();
    CStringTable::Release();
    if (m_instanceMutex) {
        CloseHandle(m_instanceMutex);
        m_instanceMutex = nullptr;
    }
    return result;
}

BOOL CPeloraApp::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_MOUSEWHEEL) {
        POINT pt = {(short)LOWORD(msg->lParam), (short)HIWORD(msg->lParam)};
        HWND under = WindowFromPoint(pt);
        if (under && under != msg->hwnd && GetWindowThreadProcessId(under, nullptr) == GetCurrentThreadId()) {
            PostMessageW(under, msg->message, msg->wParam, msg->lParam);
            return TRUE;
        }
    }
    return CWinApp::PreTranslateMessage(msg);
}

// ---------------------------------------------------------------- automation host

HRESULT CPeloraApp::ShowApp(bool show)
{
    if (show && !m_keepAlive) {
        // one more application object keeps the program alive after the client lets go
        CLSID clsid;
        if (SUCCEEDED(CLSIDFromProgID(L"Pelora.Application", &clsid)))
            CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                             IID_IUnknown, (void**)&m_keepAlive);
        GetAppModule().SetEndWithLastClient(false);
    }
    // FALSE leaves the window as it is
    if (!show || !m_pMainWnd || !m_pMainWnd->GetSafeHwnd())
        return S_OK;
    m_pMainWnd->ShowWindow(SW_SHOW);
    ::SetWindowPos(m_pMainWnd->GetSafeHwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    m_pMainWnd->SetActiveWindow();
    m_pMainWnd->SetForegroundWindow();
    ::SetWindowPos(m_pMainWnd->GetSafeHwnd(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return S_OK;
}

HRESULT CPeloraApp::GetLoginState(long* state)
{
    if (!m_isInited)
        return E_FAIL;
    if (!state)
        return E_INVALIDARG;
    if (m_login->HasLoginWindow() && m_login->IsLoginWindowVisible())
        *state = 1;
    else
        *state = IsSignedIn() ? 2 : 0;
    return S_OK;
}

HRESULT CPeloraApp::ShowAuthWindow(VARIANT_BOOL showMainWnd)
{
    if (!m_isInited)
        return E_FAIL;
    m_login->showMainWindow = showMainWnd != VARIANT_FALSE;
    if (m_pMainWnd && m_pMainWnd->GetSafeHwnd()) {
        m_pMainWnd->ShowWindow(SW_HIDE);
        m_pMainWnd->PostMessage(WM_COMMAND, ID_SHOW_AUTH_WINDOW, 0);
    }
    return S_OK;
}

void CPeloraApp::HandlerShowAuthWindow()
{
    if (m_pMainWnd)
        m_pMainWnd->ShowWindow(SW_HIDE);
    m_login->ShowLoginWindow();
    OnAuthorizationEvent(1);
}

Pelora::CNotebook* CPeloraApp::GetNotebook()
{
    return m_notebook && m_notebook->IsLoaded() ? m_notebook.get() : nullptr;
}

int CPeloraApp::ImportNotes(Pelora::CFolderItem* folder, const wchar_t* descriptor)
{
    PeloraUI::Import::CNoteImportHelper helper(folder);
    int read = helper.ImportFromXml(descriptor);
    (void)read;  // the reader answers -1 whatever happened: its counts tell
    if (helper.m_notes <= 0)
        return -1;
    return helper.m_refusedPaths;
}

HRESULT CPeloraApp::ExecCmd(const CString& text, long* result)
{
    if (!m_isInited)
        return E_FAIL;
    if (!result)
        return E_POINTER;
    *result = -1;
    if (text.GetLength() > kMaxCommandChars)
        return S_OK;
    CMapStringToString params;
    CString command = ParseUriString(text, params);
    CString noteId;
    params.Lookup(L"note_id", noteId);
    if (command.CompareNoCase(L"pelora:note.new") == 0) {
        OnNoteNew();
    } else if (command.CompareNoCase(L"pelora:folder.new") == 0) {
        // the catalogue pane makes the folder (once it exists)
    } else if (command.CompareNoCase(L"pelora:note.open") == 0) {
        long state = 0;
        GetLoginState(&state);
        if (state == 2)
            *result = OpenNoteById(noteId) == 1 ? 0 : -1;
        else if (state == 1)
            m_cmdInfo->m_pendingNoteId = noteId;
    }
    CStringList paths;
    if (ParseSendToCommand(text, paths)) {
        m_cmdInfo->m_sendToList.RemoveAll();
        for (POSITION pos = paths.GetHeadPosition(); pos;) {
            CString clean = CleanHandedPath(paths.GetNext(pos));
            if (!clean.IsEmpty() && !m_cmdInfo->m_sendToList.Find(clean))
                m_cmdInfo->m_sendToList.AddTail(clean);
        }
        // the editor frame makes a note of the listed files once it exists
    }
    return S_OK;
}

int CPeloraApp::OpenNoteById(const wchar_t* noteId)
{
    Pelora::CNotebook* book = GetNotebook();
    if (!book || !noteId || !*noteId)
        return 0;
    Pelora::CNoteItem* note = book->FindNoteById(noteId);
    if (!note)
        return 0;
    Pelora::CFolderItem* folder = book->FindFolderByItemId(note->GetRecord().folder_id);
    if (!folder)
        return 0;
    folder->SetSelectedNoteId(noteId);
    SetActiveNote(folder, note, 0x10);
    return 1;
}

// ---------------------------------------------------------------- state

CString CPeloraApp::GetBaseUrl()
{
    if (m_baseUrl.IsEmpty()) {
        int port = Utils::BinRes::GetServerPort();
        if (port > 0)
            m_baseUrl.Format(L"http://127.0.0.1:%d", port);
    }
    return m_baseUrl;
}

CString CPeloraApp::GetAttachUrlPrefix()
{
    CString base = GetBaseUrl();
    return base.IsEmpty() ? CString() : base + L"/attach/";
}

void CPeloraApp::SetActiveNote(Pelora::CFolderItem* folder, Pelora::CNoteItem* note, int flags)
{
    if (!folder && note && m_notebook)
        folder = m_notebook->FindFolderByItemId(note->GetRecord().folder_id);
    if (folder == m_activeFolder && note == m_activeNote && !(flags & 1))
        return;
    if (m_pMainWnd && GetCurrentThreadId() != m_nThreadID) {
        m_pMainWnd->PostMessage(WM_FRAME_ACTIVATE_NOTE, (WPARAM)folder, (LPARAM)note);
        return;
    }
    m_activeFolder = folder;
    m_activeNote = note;
}

CString CPeloraApp::CleanPathComponent(const CString& login)
{
    CString out;
    for (int i = 0; i < login.GetLength() && out.GetLength() < 128; ++i) {
        wchar_t c = login[i];
        if (c < 32 || wcschr(L"\\/:*?\"<>|", c))
            c = L'_';
        out += c;
    }
    out.Trim();
    out.TrimRight(L".");
    if (out.IsEmpty() || out == L"." || out == L"..")
        return CString();
    // reserved device names, with or without an extension
    CString base = out;
    int dot = base.Find(L'.');
    if (dot >= 0)
        base = base.Left(dot);
    static const wchar_t* const devices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"COM1", L"COM2", L"COM3", L"COM4", L"COM5",
                                             L"COM6", L"COM7", L"COM8", L"COM9", L"LPT1", L"LPT2", L"LPT3", L"LPT4",
                                             L"LPT5", L"LPT6", L"LPT7", L"LPT8", L"LPT9"};
    for (const wchar_t* d : devices)
        if (base.CompareNoCase(d) == 0)
            return L"_" + out;
    return out;
}

int CPeloraApp::SwitchUserProfile(const CString& login)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_INFO, "PeloraShell::CPeloraApp::SwitchUserProfile");
    if (m_notebook)
        m_notebook->UnloadNotebook();
    if (m_database)
        m_database->CloseDatabase();
    ++m_profileGeneration;
    m_activeFolder = nullptr;
    m_activeNote = nullptr;
    CString component = CleanPathComponent(login);
    if (component.IsEmpty() || !m_database || !m_notebook)
        return 0;
    CString custom;
    if (m_accounts) {
        if (CUserAccountRecord* record = m_accounts->FindUser(login))
            custom = m_accounts->GetDataFolder(record);
    }
    CString defaultFolder = GetProfileString(L"Options", L"DefaultDatabasePath", L"");
    if (!defaultFolder.IsEmpty() && defaultFolder.Right(1) != L"\\")
        defaultFolder += L"\\";
    wchar_t appData[MAX_PATH * 2] = L"";
    GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH * 2);
    struct Candidate {
        CString path;
        int create;
    };
    std::vector<Candidate> candidates;
    if (!custom.IsEmpty()) {
        candidates.push_back({custom, 0});
        candidates.push_back({custom + L"\\database.db", 0});
    }
    if (!defaultFolder.IsEmpty())
        candidates.push_back({defaultFolder + component + L"\\database.db", 0});
    CString appFolder = CString(appData) + L"\\Quendale\\Pelora\\";
    if (appData[0])
        candidates.push_back({appFolder + component + L"\\database.db", 0});
    // a new profile: under the default folder when one is set, else under the application data
    CString newFolder = (defaultFolder.IsEmpty() ? appFolder : defaultFolder) + component;
    bool opened = false;
    for (const Candidate& c : candidates) {
        if (GetFileAttributesW(c.path) != INVALID_FILE_ATTRIBUTES && m_database->OpenDatabase(c.path, c.create) == 1) {
            opened = true;
            break;
        }
    }
    if (!opened && (appData[0] || !defaultFolder.IsEmpty())) {
        SHCreateDirectoryExW(nullptr, newFolder, nullptr);
        opened = m_database->OpenDatabase(newFolder + L"\\database.db", 1) == 1;
    }
    if (!opened)
        return 0;
    if (m_notebook->LoadNotebook() != 1) {
        m_database->CloseDatabase();
        return 0;
    }
    m_syncStore.reset(new Sync::CNotebookSyncStore(m_database.get(), m_notebook.get()));
    Sync::CSyncThread::SetStore(m_syncStore.get());
    ++m_profileGeneration;
    return 1;
}

void CPeloraApp::UserLogout()
{
    m_login->Logout();
    Sync::CSyncThread::SetStore(nullptr);
    if (m_notebook)
        m_notebook->UnloadNotebook();
    if (m_database)
        m_database->CloseDatabase();
    m_syncStore.reset();
    ++m_profileGeneration;
    m_activeFolder = nullptr;
    m_activeNote = nullptr;
}

BOOL CPeloraApp::ConfirmLogoutOperation(UINT command)
{
    CMainFrame* frame = GetMainFrame();
    if (!frame || !frame->m_syncRunning)
        return TRUE;
    CDlgMsg box(m_pMainWnd, 1610, 1611);
    box.m_strMessage = GetLangString(1612, L"\nSynchronization is not completed yet!\n\n");
    if (box.DoModal() == IDOK) {
        if (command == ID_APP_EXIT) {
            frame->KillTimer(1221);
            frame->m_exitPending = 1;
        }
        frame->m_pendingCommand = command;
        if (m_syncA)
            m_syncA->StopSync();
    }
    return FALSE;
}

void CPeloraApp::OnCommandLogout()
{
    if (!IsSignedIn() || !ConfirmLogoutOperation(ID_LOGOUT))
        return;
    CMainFrame* frame = GetMainFrame();
    if (frame && frame->m_exitPending) {
        PostQuitMessage(0);
        return;
    }
    if (m_pMainWnd)
        m_pMainWnd->ShowWindow(SW_HIDE);
    UserLogout();
    ShowAuthWindow(VARIANT_TRUE);
}

void CPeloraApp::OnCommandSyncRun()
{
    if (!IsSignedIn() || !m_syncA)
        return;
    if (Sync::CSyncThread::IsSyncRunning())
        m_syncA->StopSync();
    else
        m_syncA->RunSync();
}

void CPeloraApp::OnNoteNew()
{
    Pelora::CNotebook* book = GetNotebook();
    if (!book)
        return;
    // until the note list chooses the folder, a new note goes to "default"
    Pelora::CFolderItem* folder = book->GetFolder(Pelora::kDefaultFolderId, 1);
    if (folder) {
        if (Pelora::CNoteItem* note = book->CreateNote(folder, 0))
            SetActiveNote(folder, note, 0x10);
    }
}

void CPeloraApp::MsgBox(int code)
{
    static bool open = false;
    if (open || code < 1 || code > 6)
        return;
    static const wchar_t* const texts[] = {
        L"The note service refused the request.",
        L"The note service refused the request: the account is blocked.",
        L"The note service refused the request: the subscription has ended.",
        L"The monthly upload allowance of this account is used up.",
        L"A note is larger than this account allows.",
        L"The monthly upload allowance of this account is nearly used up.",
    };
    open = true;
    CDlgMsg box(m_pMainWnd);
    box.m_strMessage = texts[code - 1];
    box.DoModal();
    open = false;
}

void CPeloraApp::OnUpdateChecked(int latestVersion, WPARAM askedAtLogin)
{
    if (latestVersion > 209) {
        if (m_syncA)
            m_syncA->DownloadUpdate();
    } else if (askedAtLogin == 0) {
        CDlgMsg box(m_pMainWnd);
        box.m_strMessage = GetLangString(1506, L"You already have the latest Pelora Note application.\n");
        box.DoModal();
    }
}

void CPeloraApp::OnUpdateDownloaded()
{
    m_setupLauncher.m_path = Sync::CSyncThread::GetDownloadedInstaller();
    if (m_setupLauncher.m_path.IsEmpty())
        return;
    CDlgMsg box(m_pMainWnd, 901, 902);
    box.m_strMessage = GetLangString(1507, L"Setup file was downloaded successfully.\nWhould you like to upgrade Pelora Note application now?");
    if (box.DoModal() == IDOK) {
        m_setupLauncher.m_run = 1;
        OnAppExit();
    }
}

void CPeloraApp::PostCommand(UINT command)
{
    if (m_pMainWnd && m_pMainWnd->GetSafeHwnd())
        m_pMainWnd->PostMessage(WM_COMMAND, command, 0);
}

// ---------------------------------------------------------------- second instance

void CPeloraApp::ProcessSecondInstance(HWND running)
{
    CoInitialize(nullptr);
    m_cmdInfo->m_primary = 0;
    int shell = m_cmdInfo->m_nShellCommand;
    if (shell != CCommandLineInfo::AppRegister && shell != CCommandLineInfo::AppUnregister)
        m_cmdInfo->m_nShellCommand = CCommandLineInfo::FileNew;
    ProcessCommandLine(running);
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(running, WM_COMMAND, ID_TRAY_OPEN, 0, SMTO_ABORTIFHUNG, 10000, &answer);
    CoUninitialize();
}

void CPeloraApp::ProcessCommandLine(HWND)
{
    // a link given on the command line is never run: it only keeps files from being handed over
    if (m_cmdInfo->m_uris.IsEmpty() && !m_cmdInfo->m_sendToList.IsEmpty())
        SendFilesToRunningInstance(m_cmdInfo->m_sendToList);
}

void CPeloraApp::SendFilesToRunningInstance(const CStringList& paths)
{
    if (m_cmdInfo->m_primary == 1)
        return;
    CString command = BuildSendToCommand(paths);
    if (command.IsEmpty())
        return;
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(L"Pelora.Application", &clsid)))
        return;
    IPeloraApplication* app = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                                IID_IPeloraApplication, (void**)&app)) || !app)
        return;
    BSTR text = SysAllocStringLen(command.GetString(), command.GetLength());
    long result = -1;
    app->ExecCmd(text, &result);
    SysFreeString(text);
    app->Release();
}

} // namespace PeloraShell

PeloraShell::CPeloraApp* GetPeloraApp()
{
    return dynamic_cast<PeloraShell::CPeloraApp*>(AfxGetApp());
}
