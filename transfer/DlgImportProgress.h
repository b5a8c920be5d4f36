// The import progress dialog: the user picks one or more files, a worker thread runs the reader
// over them, and a bar shows the progress by file and by note within the file. It stands on the
// framework's plain dialog until the program's skinned dialog base exists.
#pragma once
#include "Framework.h"
#include "ImportFile.h"

namespace PeloraUI {
namespace Import {

class CDlgImportProgress : public CDialog {
    DECLARE_DYNAMIC(CDlgImportProgress)
public:
    explicit CDlgImportProgress(CWnd* parent = nullptr);
    ~CDlgImportProgress() override;

    // Set by the creator before DoModal; never owned.
    CImportFile* m_reader = nullptr;
    CString m_pathText;
    int m_option = 0;

    bool IsRunning() const { return m_threadId != 0 || m_thread != nullptr; }
    // Run state, read by the tests.
    volatile LONG m_stopRequest = 0;
    int m_fileCount = 1;
    int m_fileIndex = 0;
    int m_noteCount = 1;
    int m_noteIndex = 0;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnBrowse();
    void OnStart();
    void OnCancelCommand();
    LRESULT OnSetNumFiles(WPARAM, LPARAM);
    LRESULT OnSetFile(WPARAM, LPARAM);
    LRESULT OnSetNumNotes(WPARAM, LPARAM);
    LRESULT OnUpdateInfo(WPARAM, LPARAM);
    HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind);
    DECLARE_MESSAGE_MAP()

private:
    static DWORD WINAPI Worker(void* param);
    void Run();
    void SetRunningLayout(bool running);
    void ShowText(LPARAM text);
    int ProgressUpper();

    CString m_browseText;
    volatile DWORD m_threadId = 0;
    HANDLE volatile m_thread = nullptr;
};

} // namespace Import
} // namespace PeloraUI
