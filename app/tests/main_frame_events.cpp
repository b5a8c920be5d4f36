// What the main frame does with the sync threads' events (WM_USER+5, codes 1-21) and progress
// records: a table of codes against the calls a recording sink receives, over a notebook on a
// temporary store; every record is taken over and freed, unknown codes too.
#include "model_fixture.h"
#include "MainFrame.h"
#include "Notebook.h"
#include <string>
#include <vector>

using namespace ModelTest;

namespace {

class RecordingSink : public IMainFrameSink {
public:
    Pelora::CNotebook* Notebook() override { return book; }
    void MsgBox(int code) override { calls.push_back("MsgBox " + std::to_string(code)); }
    void SetDownloadingNote(const CString& id) override { calls.push_back("Downloading " + Narrow(id)); }
    void ReloadNote(const CString& id) override { calls.push_back("Reload " + Narrow(id)); }
    void RefreshAttach(const CString& note, const CString& attach) override
    {
        calls.push_back("RefreshAttach " + Narrow(note) + " " + Narrow(attach));
    }
    void OnUpdateChecked(int version, WPARAM atLogin) override
    {
        calls.push_back("UpdateChecked " + std::to_string(version) + " " + std::to_string((int)atLogin));
    }
    void OnUpdateDownloaded() override { calls.push_back("UpdateDownloaded"); }
    void PostCommand(UINT command) override { calls.push_back("Command " + std::to_string(command)); }

    Pelora::CNotebook* book = nullptr;
    std::vector<std::string> calls;
};

class MainFrameEvents : public NotebookFixture {
protected:
    void SetUp() override
    {
        NotebookFixture::SetUp();
        Load();
        sink.book = book;
        frame.SetSink(&sink);
    }
    // Hands one record over as the thread would, and returns the sink's calls for it.
    std::vector<std::string> Send(int code, const wchar_t* t1 = L"", const wchar_t* t2 = L"", WPARAM param = 0)
    {
        sink.calls.clear();
        SyncEventRecord* record = new SyncEventRecord;
        record->code = code;
        record->text1 = t1;
        record->text2 = t2;
        record->wparam = param;
        frame.HandleSyncEvent(record);
        return sink.calls;
    }

    RecordingSink sink;
    CMainFrame frame;  // no window: the events need none
};

using Calls = std::vector<std::string>;

TEST_F(MainFrameEvents, EventCodesAgainstWhatTheFrameDoes)
{
    struct Row {
        int code;
        const wchar_t* text1;
        const wchar_t* text2;
        WPARAM param;
        Calls calls;
        int syncRunning;
    } rows[] = {
        {1, L"", L"", 0, {"Downloading "}, 1},
        {5, L"n-1", L"n-1", 0, {"Downloading n-1"}, 1},
        {2, L"", L"", 0, {"Downloading "}, 0},
        {3, L"", L"", 0, {"MsgBox 6"}, 0},
        {4, L"usage_quota_exceed", L"", 0, {"MsgBox 4"}, 0},
        {4, L"note_too_large", L"", 0, {"MsgBox 5"}, 0},
        {4, L"something new", L"", 0, {"MsgBox 4"}, 0},
        {12, L"n-1", L"", 0, {"Reload n-1"}, 0},
        {14, L"a-1", L"n-1", 0, {"RefreshAttach n-1 a-1"}, 0},
        {16, L"210", L"https://example.com/setup.exe", 1, {"UpdateChecked 210 1"}, 0},
        {16, L"not a number", L"", 0, {"UpdateChecked 0 0"}, 0},
        {17, L"", L"", 0, {"UpdateDownloaded"}, 0},
        // the notebook's own events reach the notebook only
        {6, L"no-such-folder", L"", 0, {}, 0},
        {7, L"no-such-folder", L"", 0, {}, 0},
        {8, L"no-such-folder", L"", 0, {}, 0},
        {9, L"no-such-note", L"", 0, {}, 0},
        {11, L"no-such-note", L"", 0, {}, 0},
        {15, L"no-such-attach", L"", 0, {}, 0},
        // the sync side sends neither 10 nor 13; the dialogs' codes find no dialog; others are freed
        {10, L"", L"", 0, {}, 0},
        {13, L"", L"", 0, {}, 0},
        {18, L"", L"", 0, {}, 0},
        {19, L"", L"", 0, {}, 0},
        {21, L"", L"", 5, {}, 0},
        {-3, L"", L"", 0, {}, 0},
        {1000, L"", L"", 0, {}, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.code);
        EXPECT_EQ(r.calls, Send(r.code, r.text1, r.text2, r.param));
        EXPECT_EQ(r.syncRunning, frame.m_syncRunning);
    }
}

TEST_F(MainFrameEvents, SyncEndReplaysThePendingCommandOnce)
{
    Send(1);
    frame.m_pendingCommand = 32929;
    EXPECT_EQ((Calls{"Downloading ", "Command 32929"}), Send(2));
    EXPECT_EQ(0u, frame.m_pendingCommand);
    EXPECT_EQ((Calls{"Downloading "}), Send(2));
}

TEST_F(MainFrameEvents, WithoutANotebookTheNotebookEventsAreDropped)
{
    sink.book = nullptr;
    for (int code : {6, 7, 8, 9, 11, 14, 15})
        Send(code, L"x", L"y");
    EXPECT_EQ((Calls{"RefreshAttach y x"}), Send(14, L"x", L"y"));
}

TEST_F(MainFrameEvents, ProgressRecordsShowTheirTextAndAreFreed)
{
    for (float progress : {0.0f, 42.5f, 100.0f}) {
        SyncProgressRecord* record = new SyncProgressRecord;
        record->progress = progress;
        record->text = L"Sync complete";
        frame.HandleSyncProgress(record);
        EXPECT_STREQ(L"Sync complete", frame.m_statusText.GetString());
    }
    frame.HandleSyncProgress(nullptr);
}

} // namespace
