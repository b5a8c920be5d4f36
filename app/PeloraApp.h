// The application object: start-up in two stages, the automation server's host, the login
// state, the active folder and note, the "pelora:" command interpreter, profile switching and
// shut-down. One process-wide instance, theApp (main.cpp).
#pragma once
#include "Framework.h"
#include "AutomationHost.h"
#include "CommandArgs.h"
#include "Notebook.h"
#include "NotebookServices.h"
#include "SyncThread.h"
#include "MainFrame.h"
#include "SetupLauncher.h"
#include <memory>

namespace DB { class CPeloraDatabase; }
namespace Sync { class CNotebookSyncStore; }
class CUserAccounts;

namespace PeloraShell {

// Messages of the application's thread and the main frame.
enum : UINT {
    WM_APP_INITED_HTML_EDITOR = WM_USER + 10,  // thread message: the first note view is ready
    WM_FRAME_TRAY = WM_USER + 1,
    WM_FRAME_SYNC_PROGRESS = WM_USER + 4,
    WM_FRAME_SYNC_EVENT = WM_USER + 5,
    WM_FRAME_ACTIVATE_NOTE = WM_USER + 7,
    WM_FRAME_CREATE_CHILDS = WM_USER + 11,
    WM_PREVIEW_LOAD = WM_USER + 0x50,           // thread message of the preview thread
};

// Commands of the program.
enum : UINT {
    ID_NOTE_NEW = 32783,
    ID_FOLDER_NEW = 32842,
    ID_SYNC_RUN = 32836,
    ID_TRAY_OPEN = 32870,
    ID_SHOW_AUTH_WINDOW = 32926,
    ID_LOGOUT = 32929,
    ID_CHECK_UPDATES = 32957,
    ID_COPY_NOTE_LINK = 32812,
    ID_REPAIR_DATABASE = 33401,
};

// The signed-in account as the login window keeps it. Until the account dialogs exist the
// program has no login window of its own: Authenticate signs in only the remembered account.
class CLoginSession {
public:
    virtual ~CLoginSession() {}
    // 1 when the remembered account signed in (without asking), else 0.
    virtual int Authenticate(int) { return 0; }
    virtual void LoadLastLogin() {}
    virtual bool HasLoginWindow() const { return false; }
    virtual bool IsLoginWindowVisible() const { return false; }
    virtual void ShowLoginWindow() {}
    virtual void HideLoginWindow() {}
    // Forgets the session and the stored login.
    virtual void Logout() { login.Empty(); memset(digest, 0, sizeof digest); }

    CString login;
    BYTE digest[16] = {};
    int showMainWindow = 1;
};

class CPeloraApp : public CWinApp,
                   public IAutomationHost,
                   public Pelora::IApplicationServices,
                   public IMainFrameSink {
public:
    CPeloraApp();
    ~CPeloraApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    // --- stages
    afx_msg void OnInitedHtmlEditor(WPARAM, LPARAM);
    int InitializeApplication(int);
    void OnAuthorizationEvent(int state);
    afx_msg void OnAppExit();

    // --- IAutomationHost
    bool IsAppInited() override { return m_isInited != 0; }
    HRESULT ShowApp(bool show) override;
    HRESULT GetLoginState(long* state) override;
    HRESULT ShowAuthWindow(VARIANT_BOOL showMainWnd) override;
    HRESULT ExecCmd(const CString& command, long* result) override;
    Pelora::CNotebook* GetNotebook() override;
    int GetProfileGeneration() override { return m_profileGeneration; }
    int ImportNotes(Pelora::CFolderItem* folder, const wchar_t* descriptor) override;

    // --- IApplicationServices
    Pelora::CNoteItem* GetActiveNote() override { return m_activeNote; }
    Pelora::CFolderItem* GetActiveFolder() override { return m_activeFolder; }
    CString GetAttachUrlPrefix() override;

    // --- IMainFrameSink
    Pelora::CNotebook* Notebook() override { return GetNotebook(); }
    void MsgBox(int code) override;
    void SetDownloadingNote(const CString&) override {}
    void ReloadNote(const CString&) override {}
    void RefreshAttach(const CString&, const CString&) override {}
    void OnUpdateChecked(int latestVersion, WPARAM askedAtLogin) override;
    void OnUpdateDownloaded() override;
    void PostCommand(UINT command) override;

    // --- commands and state
    void SetActiveNote(Pelora::CFolderItem* folder, Pelora::CNoteItem* note, int flags);
    int SwitchUserProfile(const CString& login);
    void UserLogout();
    BOOL ConfirmLogoutOperation(UINT command);
    int OpenNoteById(const wchar_t* noteId);
    CString GetBaseUrl();
    bool IsSignedIn() const { return m_login && !m_login->login.IsEmpty(); }
    afx_msg void HandlerShowAuthWindow();
    afx_msg void OnCommandLogout();
    afx_msg void OnCommandSyncRun();
    afx_msg void OnNoteNew();

    // --- single instance (second process)
    void ProcessSecondInstance(HWND running);
    void ProcessCommandLine(HWND running);
    void SendFilesToRunningInstance(const CStringList& paths);

    // A name a login may take as one folder of a path: no separators, no "." or "..", no
    // reserved device name; empty when nothing usable is left.
    static CString CleanPathComponent(const CString& login);

    CCommandArgs* GetCommandArgs() { return m_cmdInfo.get(); }
    CMainFrame* GetMainFrame();
    CLoginSession* GetLogin() { return m_login.get(); }
    DB::CPeloraDatabase* GetDatabase() { return m_database.get(); }
    CUserAccounts* GetAccounts() { return m_accounts.get(); }
    // The main window's first show command, from "TypeMainWindowSize" (0-4).
    static int ShowCommandForSizeType(int sizeType);
    // For tests: a login window of another kind.
    void SetLoginSession(CLoginSession* login) { m_login.reset(login); }

    int m_isInited = 0;
    int m_sizeType = 3;
    UINT m_htmlFormat = 0;
    IUnknown* m_keepAlive = nullptr;

protected:
    bool RegisterServer(bool registerIt);
    void StopWorkerThreads();
    DECLARE_MESSAGE_MAP()

    std::unique_ptr<CCommandArgs> m_cmdInfo;
    std::unique_ptr<CLoginSession> m_login;
    std::unique_ptr<DB::CPeloraDatabase> m_database;
    std::unique_ptr<Pelora::CNotebook> m_notebook;
    std::unique_ptr<Sync::CNotebookSyncStore> m_syncStore;
    std::unique_ptr<CUserAccounts> m_accounts;
    Pelora::CFolderItem* m_activeFolder = nullptr;
    Pelora::CNoteItem* m_activeNote = nullptr;
    CWinThread* m_previewThread = nullptr;  // kept (not self-deleting) so exit can join it
    Sync::CSyncThread* m_syncA = nullptr;
    Sync::CSyncThread* m_syncB = nullptr;
    // the sync threads' reports go to the main frame (none while it has no window)
    Sync::CSyncWindowObserver m_syncObserver;
    HANDLE m_instanceMutex = nullptr;
    bool m_classObjectsRegistered = false;
    HRESULT m_registerResult = S_OK;
    int m_profileGeneration = 1;
    CString m_baseUrl;
    CSetupLauncher m_setupLauncher;
};

// How long exit waits for the sync threads to end, at most.
extern DWORD g_syncStopWaitMs;

} // namespace PeloraShell

PeloraShell::CPeloraApp* GetPeloraApp();
