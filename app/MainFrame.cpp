#include "MainFrame.h"
#include "PeloraApp.h"
#include "Notebook.h"
#include "ActivityLog.h"
#include "StringTable.h"
#include "resource.h"

using namespace PeloraShell;

IMPLEMENT_DYNAMIC(CMainFrame, LWMDIFrameWnd)


BEGIN_MESSAGE_MAP(CPanesPlace, CWnd)
    ON_WM_SIZE()
END_MESSAGE_MAP()

void CPanesPlace::OnSize(UINT type, int cx, int cy)
{
    CWnd::OnSize(type, cx, cy);
    int catalog = std::min(std::max(m_cxCatalog, 0), std::max(0, cx - 4));
    if (m_catalog.GetSafeHwnd())
        m_catalog.MoveWindow(0, 0, catalog, cy);
    if (m_noteList.GetSafeHwnd())
        m_noteList.MoveWindow(catalog + 4, 0, std::max(0, cx - catalog - 4), cy);
}

BEGIN_MESSAGE_MAP(CMainFrame, LWMDIFrameWnd)
    ON_WM_CREATE()
    ON_WM_TIMER()
    ON_WM_CLOSE()
    ON_WM_DESTROY()
    ON_WM_ENDSESSION()
    ON_WM_SIZE()
    ON_WM_SHOWWINDOW()
    ON_MESSAGE(WM_APP + 1, OnRelayout)
    ON_MESSAGE(WM_FRAME_CREATE_CHILDS, OnCreateChilds)
    ON_MESSAGE(WM_FRAME_SYNC_EVENT, OnSyncEvent)
    ON_MESSAGE(WM_FRAME_SYNC_PROGRESS, OnSyncProgress)
    ON_MESSAGE(WM_FRAME_TRAY, OnTrayNotify)
    ON_MESSAGE(WM_FRAME_ACTIVATE_NOTE, OnActivateNote)
    ON_COMMAND(ID_TRAY_OPEN, OnTrayOpenPelora)
END_MESSAGE_MAP()

namespace {

const UINT_PTR kSyncTimer = 1221;
const UINT kStatusSyncPane = 140;
const UINT kTrayIconId = 1234;

} // namespace

CMainFrame::CMainFrame() {}
CMainFrame::~CMainFrame() {}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    if (!LWMDIFrameWnd::PreCreateWindow(cs))
        return FALSE;
    // the class a second instance looks for; the frame paints no background of its own
    WNDCLASSW wc = {};
    HINSTANCE instance = AfxGetInstanceHandle();
    if (!::GetClassInfoW(instance, L"PeloraApp", &wc)) {
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = instance;
        wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
        wc.hCursor = ::LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
        wc.lpszClassName = L"PeloraApp";
        if (!::RegisterClassW(&wc))
            return FALSE;
    }
    cs.lpszClass = L"PeloraApp";
    return TRUE;
}

BOOL CMainFrame::LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CCreateContext* context)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_TRACE, "CMainFrame::LoadFrame");
    return LWMDIFrameWnd::LoadFrame(resourceId, style, parent, context);
}

int CMainFrame::OnCreate(LPCREATESTRUCT cs)
{
    if (LWMDIFrameWnd::OnCreate(cs) == -1)
        return -1;
    CMenu* system = GetSystemMenu(FALSE);
    if (system && system->GetMenuItemCount() >= 2) {
        UINT pos = system->GetMenuItemCount() - 2;
        CWinApp* app = AfxGetApp();
        system->InsertMenu(pos, MF_BYPOSITION | MF_SEPARATOR, 0, (LPCTSTR)nullptr);
        system->InsertMenu(pos + 1, MF_BYPOSITION | MF_STRING | (app->GetProfileInt(L"Options", L"StartOnLogon", 0) ? MF_CHECKED : 0),
                           32883, GetLangString(1120, L"Autorun Pelora"));
        system->InsertMenu(pos + 2, MF_BYPOSITION | MF_STRING | (app->GetProfileInt(L"Options", L"ShowInTray", 1) ? MF_CHECKED : 0),
                           32884, GetLangString(1121, L"Show/Hide tray icon"));
    }
    PostMessage(WM_FRAME_CREATE_CHILDS, 0, 0);
    return 0;
}

LRESULT CMainFrame::OnCreateChilds(WPARAM, LPARAM)
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_TRACE, "CMainFrame::OnCreateChilds");
    if (m_childsCreated)
        return 0;
    m_childsCreated = 1;
    m_wndToolBar.CreateBar(this);
    static const UINT indicators[] = {kStatusSyncPane, ID_SEPARATOR};
    if (m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR)) {
        m_wndStatusBar.SetIndicators(indicators, 2);
        m_wndStatusBar.SetPaneInfo(0, kStatusSyncPane, SBPS_NORMAL, 200);
        m_wndStatusBar.SetPaneText(0, L"");
    }
    // the places of the catalogue and the note list, laid out beside the MDI client
    CRect client;
    GetClientRect(&client);
    CWinApp* app = AfxGetApp();
    int width = std::max(200, (int)client.Width());
    m_cxLeftPane = (int)app->GetProfileInt(L"MainWindow", L"cxLeftPane", width / 2);
    m_cxLeftPane = std::min(std::max(m_cxLeftPane, 50), std::max(50, width - 50));
    m_cxCatalog = (int)app->GetProfileInt(L"Catalog", L"Width", (width / 2) * 2 / 5);
    m_cxCatalog = std::min(std::max(m_cxCatalog, 50), std::max(50, m_cxLeftPane - 50));
    LPCTSTR placeClass = AfxRegisterWndClass(0, ::LoadCursor(nullptr, IDC_ARROW), (HBRUSH)(COLOR_WINDOW + 1));
    LPCTSTR panesClass = AfxRegisterWndClass(0, ::LoadCursor(nullptr, IDC_ARROW), (HBRUSH)(COLOR_BTNFACE + 1));
    m_wndPanes.m_cxCatalog = m_cxCatalog;
    if (m_wndPanes.CreateEx(0, panesClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, CRect(0, 0, 0, 0), this, 207)) {
        m_wndPanes.m_catalog.CreateEx(WS_EX_CLIENTEDGE, placeClass, L"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), &m_wndPanes, 205);
        m_wndPanes.m_noteList.CreateEx(WS_EX_CLIENTEDGE, placeClass, L"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), &m_wndPanes, 206);
        DockWindow(&m_wndPanes, LWDockLeft, m_cxLeftPane, 1, 4);
    }
    RecalcLayout();
    SetTimer(kSyncTimer, 10000, nullptr);
    // the first note view reports its editor ready; until the editor has views, the frame does
    PostThreadMessageW(GetCurrentThreadId(), WM_APP_INITED_HTML_EDITOR, 0, 0);
    return 0;
}

void CMainFrame::CompleteInitialize()
{
    CWinApp* app = AfxGetApp();
    if (m_wndStatusBar.GetSafeHwnd())
        m_wndStatusBar.ShowWindow(app->GetProfileInt(L"Options.Sync", L"ShowNotifications", 0) ? SW_HIDE : SW_SHOW);
    RecalcLayout();
}

void CMainFrame::CreateTrayIcon()
{
    if (m_trayIcon.m_bIconAdded)
        return;
    HICON icon = (HICON)::LoadImageW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 16, 16, 0);
    m_trayIcon.Create(m_hWnd, icon, WM_FRAME_TRAY, kTrayIconId, L"");
}

void CMainFrame::DeleteTrayIcon()
{
    if (m_trayIcon.m_bIconAdded)
        m_trayIcon.Destroy();
}

LRESULT CMainFrame::OnSyncEvent(WPARAM, LPARAM lp)
{
    HandleSyncEvent(reinterpret_cast<SyncEventRecord*>(lp));
    return 0;
}

void CMainFrame::HandleSyncEvent(SyncEventRecord* record)
{
    if (!record)
        return;
    std::unique_ptr<SyncEventRecord> owned(record);  // freed on every path
    Pelora::CNotebook* book = m_sink ? m_sink->Notebook() : nullptr;
    switch (record->code) {
    case 1:
        m_syncRunning = 1;
        if (m_sink)
            m_sink->SetDownloadingNote(CString());
        m_wndToolBar.StartAnimation();
        break;
    case 2:
        m_syncRunning = 0;
        if (m_sink)
            m_sink->SetDownloadingNote(CString());
        m_wndToolBar.StopAnimation();
        if (m_pendingCommand) {
            UINT command = m_pendingCommand;
            m_pendingCommand = 0;
            if (m_sink)
                m_sink->PostCommand(command);
        } else if (m_exitPending) {
            DestroyWindow();
        }
        break;
    case 3:
        if (m_sink)
            m_sink->MsgBox(6);
        break;
    case 4:
        if (m_sink)
            m_sink->MsgBox(record->text1 == L"note_too_large" ? 5 : 4);
        break;
    case 5:
        if (m_sink)
            m_sink->SetDownloadingNote(record->text1);
        break;
    case 6:
        if (book)
            book->OnEventFolderRemoved(record->text1);
        break;
    case 7:
        if (book)
            book->OnEventFolderCreated(record->text1);
        break;
    case 8:
        if (book)
            book->OnEventFolderUpdated(record->text1);
        break;
    case 9:
        if (book)
            book->OnEventNoteRemoved(record->text1);
        break;
    case 11:
        if (book)
            book->OnEventNoteUpdated(record->text1);
        break;
    case 12:
        if (m_sink)
            m_sink->ReloadNote(record->text1);
        break;
    case 14:
        if (book)
            book->OnEventAttachUpdated(record->text1, record->text2);
        if (m_sink)
            m_sink->RefreshAttach(record->text2, record->text1);
        break;
    case 15:
        if (book)
            book->OnEventAttachRemoved(record->text1);
        break;
    case 16:
        if (m_sink)
            m_sink->OnUpdateChecked(_wtoi(record->text1), record->wparam);
        break;
    case 17:
        if (m_sink)
            m_sink->OnUpdateDownloaded();
        break;
    default:
        // 18-21 belong to the update and backup dialogs, which take them while open
        break;
    }
}

LRESULT CMainFrame::OnSyncProgress(WPARAM, LPARAM lp)
{
    HandleSyncProgress(reinterpret_cast<SyncProgressRecord*>(lp));
    return 0;
}

void CMainFrame::HandleSyncProgress(SyncProgressRecord* record)
{
    if (!record)
        return;
    std::unique_ptr<SyncProgressRecord> owned(record);
    m_statusText = record->text;
    if (m_wndStatusBar.GetSafeHwnd())
        m_wndStatusBar.SetPaneText(0, record->text);
}

LRESULT CMainFrame::OnTrayNotify(WPARAM, LPARAM lp)
{
    if (lp == WM_LBUTTONDOWN)
        OnTrayOpenPelora();
    return 0;
}

LRESULT CMainFrame::OnActivateNote(WPARAM wp, LPARAM lp)
{
    if (CPeloraApp* app = GetPeloraApp())
        app->SetActiveNote(reinterpret_cast<Pelora::CFolderItem*>(wp), reinterpret_cast<Pelora::CNoteItem*>(lp), 0);
    return 0;
}

void CMainFrame::OnTimer(UINT_PTR id)
{
    if (id != kSyncTimer) {
        LWMDIFrameWnd::OnTimer(id);
        return;
    }
    Pelora::CNotebook* book = m_sink ? m_sink->Notebook() : nullptr;
    if (book && book->IsLoaded())
        book->CheckReminders();
    ++m_tickCount;
    if (m_syncRunning || m_exitPending)
        return;
    int interval = (int)AfxGetApp()->GetProfileInt(L"Options.Sync", L"AutoSyncInterval", 0);
    if (interval > 0 && m_tickCount / 6 >= interval) {
        m_tickCount = 0;
        if (m_sink)
            m_sink->PostCommand(ID_SYNC_RUN);
    }
}

void CMainFrame::OnClose()
{
    CPeloraApp* app = GetPeloraApp();
    bool toTray = app && app->IsSignedIn() && AfxGetApp()->GetProfileInt(L"Options", L"ShowInTray", 1) == 1 &&
                  m_trayIcon.m_bIconAdded;
    if (toTray) {
        ShowWindow(SW_HIDE);
        return;
    }
    PostMessage(WM_COMMAND, ID_APP_EXIT, 0);
}

void CMainFrame::OnEndSession(BOOL ending)
{
    // the notes are saved first; nothing is asked while the session ends
    if (ending) {
        if (CPeloraApp* app = GetPeloraApp()) {
            m_exitPending = 1;
            app->OnAppExit();
        }
    }
    LWMDIFrameWnd::OnEndSession(ending);
}

void CMainFrame::OnSize(UINT type, int cx, int cy)
{
    LWMDIFrameWnd::OnSize(type, cx, cy);
    if (type == SIZE_MAXIMIZED || type == SIZE_RESTORED || type == SIZE_MINIMIZED) {
        int sizeType = type == SIZE_MAXIMIZED ? 2 : (type == SIZE_MINIMIZED ? 1 : 0);
        m_sizeType = sizeType;
        if (sizeType != 1 && m_saveSettings && IsWindowVisible())
            AfxGetApp()->WriteProfileInt(L"Options", L"TypeMainWindowSize", sizeType);
    }
}

void CMainFrame::OnShowWindow(BOOL show, UINT status)
{
    LWMDIFrameWnd::OnShowWindow(show, status);
    // the bars leave the layout while the frame is hidden: lay out again once it shows
    if (show)
        PostMessage(WM_APP + 1, 0, 0);
}

LRESULT CMainFrame::OnRelayout(WPARAM, LPARAM)
{
    RecalcLayout();
    return 0;
}

void CMainFrame::OnDestroy()
{
    KillTimer(kSyncTimer);
    DeleteTrayIcon();
    if (m_saveSettings && m_childsCreated) {
        CWinApp* app = AfxGetApp();
        app->WriteProfileInt(L"Catalog", L"Width", m_cxCatalog);
        if (m_cxLeftPane)
            app->WriteProfileInt(L"MainWindow", L"cxLeftPane", m_cxLeftPane);
    }
    LWMDIFrameWnd::OnDestroy();
}

void CMainFrame::OnTrayOpenPelora()
{
    CPeloraApp* app = GetPeloraApp();
    if (app && app->IsSignedIn()) {
        ShowWindow(m_sizeType == 2 || m_sizeType == 3 ? SW_SHOWMAXIMIZED : SW_RESTORE);
        SetForegroundWindow();
        return;
    }
    if (app)
        app->ShowAuthWindow(VARIANT_TRUE);
}
