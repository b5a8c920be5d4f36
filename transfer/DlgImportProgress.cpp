#include "DlgImportProgress.h"
#include "ImportDialogIds.h"
#include "ImportRun.h"
#include <commctrl.h>
#include <vector>

namespace PeloraUI {
namespace Import {

IMPLEMENT_DYNAMIC(CDlgImportProgress, CDialog)

BEGIN_MESSAGE_MAP(CDlgImportProgress, CDialog)
    ON_COMMAND(IDC_IMPORT_BROWSE, OnBrowse)
    ON_COMMAND(IDC_IMPORT_START, OnStart)
    ON_COMMAND(IDCANCEL, OnCancelCommand)
    ON_MESSAGE(WM_IMPORT_SET_NUM_FILES, OnSetNumFiles)
    ON_MESSAGE(WM_IMPORT_SET_FILE, OnSetFile)
    ON_MESSAGE(WM_IMPORT_SET_NUM_NOTES, OnSetNumNotes)
    ON_MESSAGE(WM_IMPORT_UPDATE_INFO, OnUpdateInfo)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CDlgImportProgress::CDlgImportProgress(CWnd* parent) : CDialog(IDD_IMPORT_PROGRESS, parent) {}

CDlgImportProgress::~CDlgImportProgress() {}

void CDlgImportProgress::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_IMPORT_PATH, m_pathText);
    DDX_Text(dx, IDC_IMPORT_BROWSE, m_browseText);
    DDX_Check(dx, IDC_IMPORT_OPTION, m_option);
}

BOOL CDlgImportProgress::OnInitDialog()
{
    if (m_reader && !m_reader->m_caption.IsEmpty())
        SetWindowText(m_reader->m_caption);
    m_browseText = L"Browse";
    CDialog::OnInitDialog();
    if (m_reader && !m_reader->m_pathLabel.IsEmpty())
        SetDlgItemText(IDC_IMPORT_PATH_LABEL, m_reader->m_pathLabel);
    CString option = m_reader ? m_reader->GetOptionText() : CString();
    if (!option.IsEmpty()) {
        SetDlgItemText(IDC_IMPORT_OPTION, option);
        ::ShowWindow(::GetDlgItem(m_hWnd, IDC_IMPORT_OPTION), SW_SHOW);
    }
    // Cancel and Start take turns in one place; the status line takes the path field's place
    RECT start, path;
    ::GetWindowRect(::GetDlgItem(m_hWnd, IDC_IMPORT_START), &start);
    ::MapWindowPoints(nullptr, m_hWnd, (POINT*)&start, 2);
    ::MoveWindow(::GetDlgItem(m_hWnd, IDCANCEL), start.left, start.top, start.right - start.left,
                 start.bottom - start.top, FALSE);
    ::GetWindowRect(::GetDlgItem(m_hWnd, IDC_IMPORT_PATH), &path);
    ::MapWindowPoints(nullptr, m_hWnd, (POINT*)&path, 2);
    ::MoveWindow(::GetDlgItem(m_hWnd, IDC_IMPORT_STATUS), path.left, path.top, path.right - path.left,
                 path.bottom - path.top - 3, FALSE);
    HWND bar = ::GetDlgItem(m_hWnd, IDC_IMPORT_PROGRESS);
    RECT r;
    ::GetWindowRect(bar, &r);
    ::MapWindowPoints(nullptr, m_hWnd, (POINT*)&r, 2);
    ::MoveWindow(bar, r.left, r.top, r.right - r.left, 11, FALSE);
    ::SendMessageW(bar, PBM_SETRANGE32, 0, 1000);
    ::SendMessageW(bar, PBM_SETPOS, 0, 0);
    return TRUE;
}

int CDlgImportProgress::ProgressUpper()
{
    return (int)::SendDlgItemMessageW(m_hWnd, IDC_IMPORT_PROGRESS, PBM_GETRANGE, FALSE, 0);
}

void CDlgImportProgress::ShowText(LPARAM text)
{
    if (!text)
        return;
    SetDlgItemText(IDC_IMPORT_PATH, (const wchar_t*)text);
}

void CDlgImportProgress::OnBrowse()
{
    UpdateData(TRUE);
    CFileDialog dlg(TRUE, m_reader ? m_reader->m_defaultExt.GetString() : nullptr, nullptr,
                    OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_ALLOWMULTISELECT,
                    m_reader && !m_reader->m_fileFilter.IsEmpty() ? m_reader->m_fileFilter.GetString()
                                                                 : L"All Files (*.*)|*.*||",
                    AfxGetMainWnd());
    std::vector<wchar_t> names(0x41000, 0);
    dlg.m_ofn.lpstrFile = names.data();
    dlg.m_ofn.nMaxFile = (DWORD)names.size();
    if (dlg.DoModal() != IDOK)
        return;
    std::vector<CString> paths;
    POSITION pos = dlg.GetStartPosition();
    while (pos)
        paths.push_back(dlg.GetNextPathName(pos));
    m_pathText = JoinQuotedPaths(paths);
    SetDlgItemText(IDC_IMPORT_PATH, m_pathText);
}

void CDlgImportProgress::OnStart()
{
    if (IsRunning())
        return;
    m_stopRequest = 0;
    if (m_reader)
        m_reader->m_stopRequest = 0;
    UpdateData(TRUE);
    if (m_reader)
        m_reader->SetOption(m_option != 0);
    DWORD id = 0;
    HANDLE thread = ::CreateThread(nullptr, 0, Worker, this, CREATE_SUSPENDED, &id);
    if (!thread)
        return;
    m_thread = thread;
    m_threadId = id;
    ::ResumeThread(thread);
}

void CDlgImportProgress::OnCancelCommand()
{
    InterlockedExchange(&m_stopRequest, 1);
    if (m_reader)
        InterlockedExchange(&m_reader->m_stopRequest, 1);
    OnCancel();
}

void CDlgImportProgress::OnCancel()
{
    // while a worker runs, Cancel only asks it to stop
    if (!IsRunning())
        EndDialog(IDCANCEL);
}

void CDlgImportProgress::OnOK()
{
    EndDialog(IDOK);
}

LRESULT CDlgImportProgress::OnSetNumFiles(WPARAM count, LPARAM)
{
    m_fileCount = (int)count;
    return 0;
}

LRESULT CDlgImportProgress::OnSetNumNotes(WPARAM count, LPARAM)
{
    m_noteCount = (int)count;
    return 0;
}

LRESULT CDlgImportProgress::OnSetFile(WPARAM index, LPARAM text)
{
    m_fileIndex = (int)index;
    if (!m_hWnd) {
        delete[] (wchar_t*)text;
        return 0;
    }
    int upper = ProgressUpper();
    ShowText(text);
    delete[] (wchar_t*)text;
    int files = m_fileCount > 0 ? m_fileCount : 1;
    ::SendDlgItemMessageW(m_hWnd, IDC_IMPORT_PROGRESS, PBM_SETPOS, (WPARAM)(int)((double)upper / files * m_fileIndex), 0);
    return 0;
}

LRESULT CDlgImportProgress::OnUpdateInfo(WPARAM index, LPARAM text)
{
    m_noteIndex = (int)index;
    if (!m_hWnd) {
        delete[] (wchar_t*)text;
        return 0;
    }
    int upper = ProgressUpper();
    float step = (float)upper / (float)(m_fileCount > 0 ? m_fileCount : 1);
    ShowText(text);
    delete[] (wchar_t*)text;
    // a reader that reports no notes moves the bar by files only
    double within = m_noteCount > 0 ? (double)m_noteIndex / m_noteCount : 0.0;
    if (within > 1.0)
        within = 1.0;
    ::SendDlgItemMessageW(m_hWnd, IDC_IMPORT_PROGRESS, PBM_SETPOS, (WPARAM)(int)((within + m_fileIndex) * step), 0);
    return 0;
}

HBRUSH CDlgImportProgress::OnCtlColor(CDC* dc, CWnd* wnd, UINT kind)
{
    if (kind == CTLCOLOR_STATIC && dc) {
        dc->SetTextColor(0x212121);
        dc->SetBkMode(TRANSPARENT);
        return (HBRUSH)::GetStockObject(WHITE_BRUSH);
    }
    return CDialog::OnCtlColor(dc, wnd, kind);
}

void CDlgImportProgress::SetRunningLayout(bool running)
{
    if (!m_hWnd)
        return;
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_IMPORT_PATH), !running);
    ::ShowWindow(::GetDlgItem(m_hWnd, IDC_IMPORT_START), running ? SW_HIDE : SW_SHOW);
    ::ShowWindow(::GetDlgItem(m_hWnd, IDCANCEL), running ? SW_SHOW : SW_HIDE);
    ::ShowWindow(::GetDlgItem(m_hWnd, IDC_IMPORT_BROWSE), running ? SW_HIDE : SW_SHOW);
    if (!m_reader)
        return;
    if (running) {
        SetDlgItemText(IDC_IMPORT_PATH_LABEL, L"Current note:");
    } else {
        SetDlgItemText(IDC_IMPORT_PATH, m_pathText);
        SetDlgItemText(IDC_IMPORT_PATH_LABEL, m_reader->m_pathLabel);
    }
}

DWORD WINAPI CDlgImportProgress::Worker(void* param)
{
    OleInitialize(nullptr);
    static_cast<CDlgImportProgress*>(param)->Run();
    OleUninitialize();
    return 0;
}

void CDlgImportProgress::Run()
{
    SetRunningLayout(true);
    CImportRunResult result = RunImportFiles(m_reader, m_hWnd, m_pathText, &m_stopRequest);
    SetRunningLayout(false);
    bool stopped = result.stopped || m_stopRequest;
    if (!stopped && m_hWnd)
        ::PostMessageW(m_hWnd, WM_COMMAND, IDOK, 0);
    InterlockedExchange(&m_stopRequest, 0);
    HANDLE self = m_thread;
    m_thread = nullptr;
    m_threadId = 0;
    if (self)
        ::CloseHandle(self);
}

} // namespace Import
} // namespace PeloraUI
