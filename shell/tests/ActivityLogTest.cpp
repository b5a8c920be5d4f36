#include "ActivityLog.h"
#include "TestUtil.h"
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

using testutil::TempDir;

struct LogLine {
    std::string indent, name, kind;
    double elapsed = 0, duration = 0;
};

// Splits a log into its "(begin)" and "(exit)" lines; fails on any other line.
std::vector<LogLine> ParseLines(const std::string& text)
{
    static const std::regex line(R"((\d\d):(\d\d):(\d\d\d) - +([0-9.]+) - +([0-9.]+) -\t ( *)(\S*) \((begin|exit)\)\r)");
    std::vector<LogLine> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        EXPECT_NE(std::string::npos, end) << "unterminated line";
        if (end == std::string::npos)
            break;
        std::string one = text.substr(start, end - start);
        std::smatch m;
        EXPECT_TRUE(std::regex_match(one, m, line)) << one;
        if (m.size() == 9) {
            LogLine l;
            l.elapsed = std::stod(m[4]);
            l.duration = std::stod(m[5]);
            l.indent = m[6];
            l.name = m[7];
            l.kind = m[8];
            if (l.kind == "begin") {
                EXPECT_EQ("0.000000", m[5].str()) << one;
            }
            out.push_back(l);
        }
        start = end + 1;
    }
    return out;
}

std::string FileText(const std::wstring& path)
{
    std::string text;
    testutil::ReadAll(path, text);
    return text;
}

TEST(ActivityLog, UnwrittenLevelsCostNothing)
{
    TempDir dir;
    CActivityLog log((dir / L"a.log").c_str());
    for (unsigned level : {0x1u, 0x200u, 0x400u, 0x2u}) {
        EXPECT_EQ(0, log.TraceBegin(level, "Quiet", 1, 0));
        log.TraceEnd(level, "Quiet", 1, 0);
        log.TraceValue(level, "Quiet", 1, "x", "y");
        log.Append(level, "x");
    }
    EXPECT_EQ(0u, log.Pending());
}

TEST(ActivityLog, SyncLevelReachesTheFileAtOnce)
{
    TempDir dir;
    std::wstring path = dir / L"a.log";
    CActivityLog log(path.c_str());
    EXPECT_EQ(0, log.TraceBegin(LOG_LEVEL_SYNC, "Sync::CSyncThread::OnStart", 10, 0));
    EXPECT_EQ(0u, log.Pending());
    auto lines = ParseLines(FileText(path));
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("Sync::CSyncThread::OnStart", lines[0].name);
    EXPECT_EQ("begin", lines[0].kind);

    // other written levels wait in memory until a flush
    EXPECT_GT(log.TraceBegin(LOG_LEVEL_INFO, "Info", 1, 0), 0);
    EXPECT_GT(log.Pending(), 0u);
    EXPECT_EQ(1u, ParseLines(FileText(path)).size());
}

TEST(ActivityLog, NestedScopesIndentAndReportDurations)
{
    TempDir dir;
    std::wstring path = dir / L"a.log";
    CActivityLog log(path.c_str());
    log.TraceBegin(LOG_LEVEL_STORE, "A", 1, 0);
    log.TraceBegin(LOG_LEVEL_STORE, "B", 2, 0);
    Sleep(5);
    log.TraceEnd(LOG_LEVEL_STORE, "B", 2, 0);
    log.TraceEnd(LOG_LEVEL_STORE, "A", 1, 0);
    log.TraceBegin(LOG_LEVEL_INFO, nullptr, 3, 0);   // a null name prints as nothing
    log.TraceEnd(LOG_LEVEL_INFO, nullptr, 3, 0);
    log.Flush();
    auto l = ParseLines(FileText(path));
    ASSERT_EQ(6u, l.size());
    EXPECT_EQ("A", l[0].name);
    EXPECT_EQ("", l[0].indent);
    EXPECT_EQ("B", l[1].name);
    EXPECT_EQ("    ", l[1].indent);
    EXPECT_EQ("exit", l[2].kind);
    EXPECT_EQ("    ", l[2].indent);
    EXPECT_EQ("A", l[3].name);
    EXPECT_EQ("", l[3].indent);
    EXPECT_EQ("", l[4].name);
    EXPECT_EQ("", l[4].indent);
    // exit durations: B's own time, A's covering B's
    EXPECT_GE(l[2].duration, 4.0);
    EXPECT_GE(l[3].duration, l[2].duration);
    EXPECT_NEAR(l[2].elapsed - l[1].elapsed, l[2].duration, 0.01);
    EXPECT_LE(l[0].elapsed, l[1].elapsed);
}

TEST(ActivityLog, IndentationStopsAtOneHundredSpaces)
{
    TempDir dir;
    std::wstring path = dir / L"a.log";
    CActivityLog log(path.c_str());
    for (int i = 0; i < 27; ++i)
        log.TraceBegin(LOG_LEVEL_INFO, "Deep", i, 0);
    for (int i = 0; i < 27; ++i)
        log.TraceEnd(LOG_LEVEL_INFO, "Deep", i, 0);
    log.Flush();
    auto l = ParseLines(FileText(path));
    ASSERT_EQ(54u, l.size());
    EXPECT_EQ(100u, l[25].indent.size());
    EXPECT_EQ(100u, l[26].indent.size());
    // exits take four spaces each, so the last two exits of the deep scopes stand at 96 and 92
    EXPECT_EQ(96u, l[27].indent.size());
    EXPECT_EQ(0u, l[53].indent.size());
}

TEST(ActivityLog, ValueLinesAndRawText)
{
    TempDir dir;
    std::wstring path = dir / L"a.log";
    CActivityLog log(path.c_str());
    log.TraceValue(LOG_LEVEL_INFO, "Fn", 42, "text", "+more");
    log.TraceValue(LOG_LEVEL_INFO, nullptr, 0, "PeloraNote is stoping...", nullptr);
    log.TracePointers(LOG_LEVEL_INFO, "Ptr", 7, 0x10, 0xABC, 0);
    log.Append(LOG_LEVEL_STORE, "raw");
    log.Flush();
    std::string text = FileText(path);
    std::regex expected(
        R"(\d\d:\d\d:\d\d\d - +[0-9.]+ - +0\.000000 -\t Fn \(42\)text\+more\r\n)"
        R"(\d\d:\d\d:\d\d\d - +[0-9.]+ - +0\.000000 -\t PeloraNote is stoping\.\.\.\r\n)"
        R"(\d\d:\d\d:\d\d\d - +[0-9.]+ - +0\.000000 -\t Ptr \(7\)0x10 - 0xabc - 0x0\r\n)"
        R"(raw)");
    EXPECT_TRUE(std::regex_match(text, expected)) << text;
}

TEST(ActivityLog, RecordingSwitch)
{
    TempDir dir;
    CActivityLog log((dir / L"a.log").c_str());
    log.TraceBegin(LOG_LEVEL_INFO, "Last", 1, 0);
    log.TraceEnd(LOG_LEVEL_INFO, "Last", 1, 1);   // written, then recording stops
    size_t written = log.Pending();
    EXPECT_GT(written, 0u);
    EXPECT_EQ(0, log.IsRecording());
    log.TraceValue(LOG_LEVEL_INFO, "Off", 1, "", "");
    EXPECT_EQ(written, log.Pending());
    log.TraceBegin(LOG_LEVEL_INFO, "On", 1, 1);   // a switch turns it on again
    EXPECT_EQ(1, log.IsRecording());
    EXPECT_GT(log.Pending(), written);
}

TEST(ActivityLog, ThreadsWriteWholeLines)
{
    TempDir dir;
    std::wstring path = dir / L"a.log";
    CActivityLog log(path.c_str());
    const int kThreads = 4, kEach = 3000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < kEach; ++i) {
                log.TraceBegin(LOG_LEVEL_STORE, "Worker::Step", i, 0);
                log.TraceEnd(LOG_LEVEL_STORE, "Worker::Step", i, 0);
            }
        });
    for (auto& t : threads)
        t.join();
    log.Flush();
    auto l = ParseLines(FileText(path));
    EXPECT_EQ((size_t)kThreads * kEach * 2, l.size());
    for (auto& line : l)
        ASSERT_EQ("Worker::Step", line.name);
}

TEST(ActivityLog, UnwritableFileNeverOverrunsTheBuffer)
{
    TempDir dir;
    std::wstring folder = dir / L"later";
    std::wstring path = folder + L"\\a.log";
    CActivityLog log(path.c_str());
    std::string chunk(700, 'z');
    for (int i = 0; i < 8000; ++i) {   // about 5.6 MiB of text
        log.TraceValue(LOG_LEVEL_STORE, "Fill", i, chunk.c_str(), nullptr);
        log.TraceBegin(LOG_LEVEL_STORE, "Fill", i, 0);
        log.TraceEnd(LOG_LEVEL_STORE, "Fill", i, 0);
    }
    size_t kept = log.Pending();
    EXPECT_LE(kept, CActivityLog::kBufferSize);
    EXPECT_GT(kept, CActivityLog::kBufferSize - 3 * CActivityLog::kReserve);
    // once the folder exists the kept text reaches the file
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    log.Flush();
    EXPECT_EQ(0u, log.Pending());
    std::string text = FileText(path);
    EXPECT_EQ(kept, text.size());
}

TEST(ActivityLog, SecondInstanceKeepsTheRunningOnesLog)
{
    TempDir dir;
    std::wstring path = dir / L"shared.log";
    {
        CActivityLog first(path.c_str());
        first.TraceBegin(LOG_LEVEL_SYNC, "First", 1, 0);
        {
            CActivityLog second(path.c_str());
            second.TraceBegin(LOG_LEVEL_SYNC, "Second", 1, 0);
        }
        auto l = ParseLines(FileText(path));
        ASSERT_EQ(2u, l.size());
        EXPECT_EQ("First", l[0].name);
        EXPECT_EQ("Second", l[1].name);
    }
    // with no instance left, a new start begins an empty log
    CActivityLog third(path.c_str());
    EXPECT_FALSE(testutil::Exists(path));
}

TEST(ActivityLog, SaveAsAndClear)
{
    TempDir dir;
    std::wstring path = dir / L"a.log";
    CActivityLog log(path.c_str());
    log.TraceBegin(LOG_LEVEL_INFO, "Saved", 1, 0);
    ASSERT_TRUE(log.SaveAs((dir / L"copy.log").c_str()));
    EXPECT_EQ(FileText(path), FileText(dir / L"copy.log"));
    EXPECT_EQ(1u, ParseLines(FileText(dir / L"copy.log")).size());
    EXPECT_FALSE(log.SaveAs((dir / L"missing\\copy.log").c_str()));

    log.Clear();
    EXPECT_EQ("", FileText(path));
    // text still in memory reaches the cleared file at the next flush
    log.TraceBegin(LOG_LEVEL_INFO, "Kept", 1, 0);
    log.Clear();
    log.Flush();
    auto l = ParseLines(FileText(path));
    ASSERT_EQ(1u, l.size());
    EXPECT_EQ("Kept", l[0].name);
}

std::string ClipboardText()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return "<no clipboard>";
    if (HANDLE h = GetClipboardData(CF_TEXT)) {
        if (const char* p = (const char*)GlobalLock(h)) {
            text = p;
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
    return text;
}

void SetClipboardText(const char* text)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    size_t n = strlen(text) + 1;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, n);
    memcpy(GlobalLock(h), text, n);
    GlobalUnlock(h);
    SetClipboardData(CF_TEXT, h);
    CloseClipboard();
}

TEST(ActivityLog, CopyToClipboard)
{
    TempDir dir;
    std::wstring path = dir / L"a.log";
    CActivityLog log(path.c_str());
    log.TraceBegin(LOG_LEVEL_INFO, "Copied", 1, 0);
    ASSERT_TRUE(log.CopyToClipboard());
    EXPECT_EQ(FileText(path), ClipboardText());

    // a log that cannot be read leaves what the user has on the clipboard
    SetClipboardText("user's text");
    CActivityLog broken((dir / L"missing\\a.log").c_str());
    EXPECT_FALSE(broken.CopyToClipboard());
    EXPECT_EQ("user's text", ClipboardText());
}

// The program's own log and its record writer.
TEST(ActivityLog, RecordsOfTheProcessLog)
{
    // Every test program started from the same folder shares this log file, and one starting
    // up clears it: write the records again until a read finds them all.
    auto writeAndRead = [&]() -> std::string {
        g_ActivityLog.Flush();
        {
            CLogStream rec;
            rec.Begin(LOG_LEVEL_STORE) << "DB::CPeloraDatabase::StopNetService" << ":" << 274 << " - ";
            rec.End();
        }
        {
            CLogStream outer;
            outer.Begin(LOG_LEVEL_SYNC) << "Sync::Outer::Marker7" << " - ";
            CLogStream inner;
            inner.Begin(LOG_LEVEL_SYNC) << L"\x0442\x0435\x043A\x0441\x0442" << " " << -5 << " " << 4000000000u;
            inner.End();
            EXPECT_EQ(1, CLogStream::OpenRecords());
            outer.End();
        }
        {
            CTraceScope scope(LOG_LEVEL_SYNC, "ShellTests::ScopeMarker9", __LINE__);
        }
        g_ActivityLog.Flush();
        return FileText(g_ActivityLog.GetPath());
    };
    const char* kMarker7 = "\t\tSync::Outer::Marker7 - \t\t\xD1\x82\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82 -5 4000000000\n";
    std::string text;
    for (int attempt = 0; attempt < 20; ++attempt) {
        text = writeAndRead();
        if (text.find(kMarker7) != std::string::npos && text.find("ScopeMarker9 (exit)\r\n") != std::string::npos &&
            text.find("StopNetService:274 - \n") != std::string::npos)
            break;
        Sleep(100);
    }
    // Store records carry no tabs: one copy starts a line. (Another program writing to the
    // shared file may put its own text before a copy, so every copy is looked at.)
    const char* kStore = "DB::CPeloraDatabase::StopNetService:274 - \n";
    ASSERT_NE(std::string::npos, text.find(kStore));
    bool atLineStart = false;
    for (size_t at = text.find(kStore); at != std::string::npos; at = text.find(kStore, at + 1))
        atLineStart = atLineStart || at == 0 || text[at - 1] == '\n';
    EXPECT_TRUE(atLineStart) << text.substr(0, 2000);
    EXPECT_NE(std::string::npos, text.find(kMarker7)) << text.substr(0, 2000);
    EXPECT_NE(std::string::npos, text.find("ShellTests::ScopeMarker9 (begin)\r\n"));
    EXPECT_NE(std::string::npos, text.find("ShellTests::ScopeMarker9 (exit)\r\n"));
    std::wstring path = g_ActivityLog.GetPath();
    EXPECT_EQ(L"\\PeloraNote.log", path.substr(path.size() - 15));
}

} // namespace
