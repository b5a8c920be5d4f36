// The import worker's run over several files and the progress dialog driven by messages.
#include "transfer_fixture.h"
#include "DlgImportProgress.h"
#include "ImportDialogIds.h"
#include "ImportRun.h"
#include <commctrl.h>
#include <functional>

using namespace PeloraUI::Import;
using namespace TransferTest;

namespace {

class RecordingUi : public IImportUi {
public:
    void ShowMessage(const CString& text, const CString&) override
    {
        EnterCriticalSection(&lock);
        messages.push_back(Utf8(text));
        LeaveCriticalSection(&lock);
    }
    void SetActiveNote(Pelora::CFolderItem*, Pelora::CNoteItem* note) override { activated.push_back(note); }
    RecordingUi() { InitializeCriticalSection(&lock); }
    ~RecordingUi() { DeleteCriticalSection(&lock); }
    CRITICAL_SECTION lock;
    std::vector<std::string> messages;
    std::vector<Pelora::CNoteItem*> activated;
};

// A reader that reports notes per file as told and fails the files whose name holds "bad".
class FakeReader : public CImportFile {
public:
    BOOL ImportFile(HWND progress, const CString& path) override
    {
        ResetRun();
        files.push_back(Utf8(path));
        if (path.Find(L"bad") >= 0) {
            m_errorText = L"broken on purpose";
            return FALSE;
        }
        SendProgress(progress, WM_IMPORT_SET_NUM_NOTES, (WPARAM)notes);
        for (int i = 0; i < notes && !IsStopRequested(); ++i) {
            SendProgressText(progress, WM_IMPORT_UPDATE_INFO, (WPARAM)i, L"t");
            if (progress)
                positions.push_back((int)SendDlgItemMessageW(progress, IDC_IMPORT_PROGRESS, PBM_GETPOS, 0, 0));
            if (onNote)
                onNote(this, i);
            SendProgress(progress, WM_IMPORT_UPDATE_INFO, (WPARAM)(i + 1));
        }
        if (path.Find(L"skips") >= 0)
            SkipNote(L"a note is not well-formed.");
        return TRUE;
    }
    Pelora::CNoteItem* GetLastNote() override { return &note; }
    int notes = 2;
    std::vector<std::string> files;
    std::vector<int> positions;
    void (*onNote)(FakeReader*, int) = nullptr;
    HWND dialog = nullptr;
    Pelora::CNoteItem note;
};

class RunTest : public ::testing::Test {
protected:
    void SetUp() override { SetImportUi(&ui); }
    void TearDown() override { SetImportUi(nullptr); }
    RecordingUi ui;
};

TEST(ImportPaths, QuotedPathText)
{
    struct Case {
        const wchar_t* text;
        std::vector<std::string> paths;
    } cases[] = {
        {L"\"C:\\a.enex\"  \"C:\\b c.enex\"  ", {"C:\\a.enex", "C:\\b c.enex"}},
        {L"C:\\unquoted.enex", {}},
        {L"\"one\" junk \"two", {"one"}},
        {L"", {}},
        {L"\"\"", {""}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> got;
        for (const CString& p : SplitQuotedPaths(c.text, nullptr))
            got.push_back(Utf8(p));
        EXPECT_EQ(c.paths, got) << Utf8(c.text);
    }
    volatile LONG stop = 1;
    EXPECT_TRUE(SplitQuotedPaths(L"\"a\"", &stop).empty());
    EXPECT_EQ("\"x\"  \"y\"  ", Utf8(JoinQuotedPaths({L"x", L"y"})));
}

TEST_F(RunTest, FailuresAndSkippedNotesAreTold)
{
    ProgressRecorder progress;
    FakeReader reader;
    CImportRunResult r = RunImportFiles(&reader, progress.Wnd(), L"\"C:\\d\\one.enex\"  \"C:\\d\\bad.enex\"  \"C:\\d\\skips.enex\"  ",
                                        nullptr);
    EXPECT_EQ(3, r.files);
    EXPECT_EQ(1, r.failed);
    EXPECT_EQ((std::vector<std::string>{"C:\\d\\one.enex", "C:\\d\\bad.enex", "C:\\d\\skips.enex"}), reader.files);
    ASSERT_EQ(2u, ui.messages.size());
    EXPECT_EQ("Can not import a data from 'C:\\d\\bad.enex'\nError: broken on purpose", ui.messages[0]);
    EXPECT_EQ("1 note(s) of 'C:\\d\\skips.enex' could not be read and were left out.\nFirst reason: a note is not well-formed.",
              ui.messages[1]);
    EXPECT_EQ("files 3", progress.lines[0]);
    EXPECT_EQ("file 0 one.enex", progress.lines[1]);
    EXPECT_EQ("file 3", progress.lines.back());
    ASSERT_EQ(1u, ui.activated.size());   // the last note of a run that was not stopped
}

// A dialog that acts one step per timer tick inside its own modal loop, as a user would.
class ScriptedProgress : public CDlgImportProgress {
public:
    std::vector<std::function<bool(ScriptedProgress&)>> steps;   // a step returning false is tried again
    std::vector<std::string> seen;

protected:
    BOOL OnInitDialog() override
    {
        CDlgImportProgress::OnInitDialog();
        SetTimer(1, 20, nullptr);
        return TRUE;
    }
    void OnTimer(UINT_PTR)
    {
        if (m_next < steps.size() && steps[m_next](*this))
            ++m_next;
    }
    DECLARE_MESSAGE_MAP()
    size_t m_next = 0;
};

BEGIN_MESSAGE_MAP(ScriptedProgress, CDlgImportProgress)
    ON_WM_TIMER()
END_MESSAGE_MAP()

bool Visible(CWnd& d, int id)
{
    return (::GetWindowLongW(::GetDlgItem(d.m_hWnd, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

void Press(CWnd& d, int id)
{
    d.PostMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)::GetDlgItem(d.m_hWnd, id));
}

TEST_F(RunTest, DialogRunsThreeFilesAndClosesWithOk)
{
    FakeReader reader;
    reader.m_caption = L"Import test files";
    reader.m_pathLabel = L"Test file path:";
    ScriptedProgress dlg;
    dlg.m_reader = &reader;
    dlg.steps = {
        [](ScriptedProgress& d) {
            CString label;
            d.GetDlgItemText(IDC_IMPORT_PATH_LABEL, label);
            d.seen.push_back(Utf8(label));
            d.seen.push_back(Visible(d, IDCANCEL) ? "cancel shown" : "cancel hidden");
            d.SetDlgItemText(IDC_IMPORT_PATH, L"\"C:\\f\\a.x\"  \"C:\\f\\b.x\"  \"C:\\f\\c.x\"  ");
            Press(d, IDC_IMPORT_START);
            return true;
        },
    };
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ((std::vector<std::string>{"Test file path:", "cancel hidden"}), dlg.seen);
    EXPECT_EQ(3u, reader.files.size());
    // at the first note of file k the bar stands at 1000 * k / 3, and moves by note within it
    EXPECT_EQ((std::vector<int>{0, 166, 333, 500, 666, 833}), reader.positions);
    EXPECT_EQ(3, dlg.m_fileCount);
    EXPECT_EQ(1u, ui.activated.size());
}

// Cancel while running only stops the run; the dialog stays, idle; a second Cancel closes it.
TEST_F(RunTest, CancelStopsTheRunThenClosesTheDialog)
{
    FakeReader reader;
    reader.notes = 5;
    ScriptedProgress dlg;
    dlg.m_reader = &reader;
    static HWND s_dialog;
    reader.onNote = [](FakeReader* r, int i) {
        if (i != 1)
            return;
        ::PostMessageW(s_dialog, WM_COMMAND, IDCANCEL, 0);
        // the reader goes on only once the dialog asked it to stop
        for (int k = 0; k < 3000 && !r->IsStopRequested(); ++k)
            Sleep(5);
    };
    dlg.steps = {
        [](ScriptedProgress& d) {
            s_dialog = d.m_hWnd;
            d.SetDlgItemText(IDC_IMPORT_PATH, L"\"C:\\f\\a.x\"  \"C:\\f\\b.x\"  ");
            Press(d, IDC_IMPORT_START);
            return true;
        },
        [](ScriptedProgress& d) {
            if (d.IsRunning())
                return false;   // the run ends on its own after the stop
            d.seen.push_back(Visible(d, IDC_IMPORT_START) ? "start shown" : "start hidden");
            d.seen.push_back(Visible(d, IDCANCEL) ? "cancel shown" : "cancel hidden");
            d.seen.push_back(::IsWindowEnabled(::GetDlgItem(d.m_hWnd, IDC_IMPORT_PATH)) ? "path enabled" : "path disabled");
            Press(d, IDCANCEL);
            return true;
        },
    };
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ((std::vector<std::string>{"start shown", "cancel hidden", "path enabled"}), dlg.seen);
    EXPECT_EQ(1u, reader.files.size());        // the second file never started
    EXPECT_EQ(2u, reader.positions.size());    // notes 0 and 1 of five
    EXPECT_TRUE(ui.activated.empty());         // a stopped run makes no note active
}

// Start again after a Cancel: the new run is not stopped at once.
TEST_F(RunTest, StartAfterCancelRunsAgain)
{
    FakeReader reader;
    reader.m_stopRequest = 1;   // left over from an earlier Cancel
    ScriptedProgress dlg;
    dlg.m_reader = &reader;
    dlg.m_stopRequest = 1;
    dlg.steps = {[](ScriptedProgress& d) {
        d.SetDlgItemText(IDC_IMPORT_PATH, L"\"C:\\f\\a.x\"  ");
        Press(d, IDC_IMPORT_START);
        return true;
    }};
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(2u, reader.positions.size());
}

} // namespace
