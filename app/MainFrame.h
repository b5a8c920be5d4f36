// The program's top-level window: an MDI frame (window class "PeloraApp", which a second
// instance looks for) with the main tool bar, the status bar, the tray icon and the places of
// the catalogue and the note list beside the MDI client. It receives what the sync threads
// report (progress and events) and drives the automatic sync with timer 1221.
#pragma once
#include "Framework.h"
#include "LWStatusBar.h"
#include "LWIconTray.h"
#include "LWMDIFrameWnd.h"
#include "MainToolbar.h"
#include "SyncThread.h"

namespace Pelora { class CNotebook; }

// What the frame does with sync events that reach beyond it: the notebook, the editor frame
// and the application's message boxes. The program passes its own; tests pass recorders.
class IMainFrameSink {
public:
    virtual ~IMainFrameSink() {}
    virtual Pelora::CNotebook* Notebook() = 0;
    // The application's message box for a refusal of the service (codes 1-6).
    virtual void MsgBox(int code) = 0;
    // The editor frame's downloading note (empty: none) and its reload of a changed note.
    virtual void SetDownloadingNote(const CString& noteId) = 0;
    virtual void ReloadNote(const CString& noteId) = 0;
    virtual void RefreshAttach(const CString& noteId, const CString& attachId) = 0;
    // Update check (16), update downloaded (17), the replayed command after a sync (2).
    virtual void OnUpdateChecked(int latestVersion, WPARAM askedAtLogin) = 0;
    virtual void OnUpdateDownloaded() = 0;
    virtual void PostCommand(UINT command) = 0;
};

// The panes' side of the frame: the catalogue's and the note list's places side by side.
class CPanesPlace : public CWnd {
public:
    CWnd m_catalog;
    CWnd m_noteList;
    int m_cxCatalog = 200;

protected:
    afx_msg void OnSize(UINT type, int cx, int cy);
    DECLARE_MESSAGE_MAP()
};

class CMainFrame : public LWMDIFrameWnd {
    DECLARE_DYNAMIC(CMainFrame)
public:
    CMainFrame();
    ~CMainFrame() override;

    BOOL LoadFrame(UINT resourceId, DWORD style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, CWnd* parent = nullptr,
                   CCreateContext* context = nullptr) override;
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;

    void SetSink(IMainFrameSink* sink) { m_sink = sink; }
    void CreateTrayIcon();
    void DeleteTrayIcon();
    // The last stage of start-up: the status bar and the final layout.
    void CompleteInitialize();
    // Handles one sync event record and frees it (also for unknown codes).
    void HandleSyncEvent(SyncEventRecord* record);
    void HandleSyncProgress(SyncProgressRecord* record);

    int m_sizeType = 3;           // "TypeMainWindowSize"
    int m_syncRunning = 0;        // between sync events 1 and 2
    int m_exitPending = 0;        // "Stop and quit" chosen during a sync
    UINT m_pendingCommand = 0;    // replayed when the sync ends
    int m_tickCount = 0;          // timer 1221 ticks since the last automatic sync
    int m_childsCreated = 0;
    int m_saveSettings = 1;       // only the primary instance writes its settings
    CString m_statusText;         // what status pane 140 shows
    CMainToolbar m_wndToolBar;
    LWStatusBar m_wndStatusBar;
    LWIconTray m_trayIcon;
    CPanesPlace m_wndPanes;       // docked on the left: the places of the catalogue and the note list
    int m_cxLeftPane = 0;
    int m_cxCatalog = 0;

protected:
    afx_msg int OnCreate(LPCREATESTRUCT cs);
    afx_msg LRESULT OnCreateChilds(WPARAM, LPARAM);
    afx_msg LRESULT OnSyncEvent(WPARAM, LPARAM);
    afx_msg LRESULT OnSyncProgress(WPARAM, LPARAM);
    afx_msg LRESULT OnTrayNotify(WPARAM, LPARAM);
    afx_msg LRESULT OnActivateNote(WPARAM, LPARAM);
    afx_msg void OnTimer(UINT_PTR id);
    afx_msg void OnClose();
    afx_msg void OnDestroy();
    afx_msg void OnEndSession(BOOL ending);
    afx_msg void OnSize(UINT type, int cx, int cy);
    afx_msg void OnShowWindow(BOOL show, UINT status);
    afx_msg LRESULT OnRelayout(WPARAM, LPARAM);
    afx_msg void OnTrayOpenPelora();
    DECLARE_MESSAGE_MAP()

    IMainFrameSink* m_sink = nullptr;
};
