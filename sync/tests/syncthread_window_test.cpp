// What the sync threads send to windows: the application's observer (events posted with a
// record the window frees, progress sent), share-link answers, the sync-folders answer; and
// the installer download.
#include "syncthread_harness.h"
#include <gtest/gtest.h>
#include <thread>

using namespace Sync;

namespace {

struct Received {
    UINT message;
    WPARAM wParam;
    SyncEventRecord event;
    SyncProgressRecord progress;
    std::string text;
};
std::vector<Received> g_received;

LRESULT CALLBACK RecordProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Received r = {message, wParam, {}, {}, {}};
    switch (message) {
    case WM_SYNC_EVENT: {
        SyncEventRecord* record = (SyncEventRecord*)lParam;
        r.event = *record;
        delete record;   // the receiver frees it
        break;
    }
    case WM_SYNC_PROGRESS: {
        SyncProgressRecord* record = (SyncProgressRecord*)lParam;
        r.progress = *record;
        delete record;
        break;
    }
    case WM_SHARE_LINK_RESULT: {
        char* text = (char*)lParam;
        r.text = text ? text : "";
        delete[] text;
        break;
    }
    case WM_UNSHARE_LINK_RESULT:
    case WM_SYNC_FOLDERS_READY:
        break;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    g_received.push_back(r);
    return 0;
}

class Windows : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::FreshAccount();
        g_received.clear();
        WNDCLASSW wc = {};
        wc.lpfnWndProc = RecordProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"SyncThreadTestReceiver";
        RegisterClassW(&wc);
        window = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(nullptr, window);
    }
    void TearDown() override { DestroyWindow(window); }
    // Pumps until `message` has arrived `count` times.
    bool PumpFor(UINT message, size_t count, DWORD ms = 20000)
    {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < ms) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            size_t n = 0;
            for (const Received& r : g_received)
                n += r.message == message;
            if (n >= count)
                return true;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        return false;
    }
    HWND window = nullptr;
};

TEST_F(Windows, ObserverPostsEventsAndSendsProgressToTheWindow)
{
    CSyncWindowObserver observer(window);
    std::thread worker([&] {
        observer.OnSyncThreadEvent(9, L"note-1", nullptr, 77);
        SyncProgressRecord p;
        p.progress = 42.5f;
        p.code = -1;
        p.text = L"Sync failed";
        observer.OnSyncProgress(p);   // sent: returns once the window has handled it
    });
    ASSERT_TRUE(PumpFor(WM_SYNC_PROGRESS, 1));
    worker.join();
    ASSERT_TRUE(PumpFor(WM_SYNC_EVENT, 1));
    // a sent message is handled before posted ones: find each by its kind
    ASSERT_EQ(2u, g_received.size());
    const Received& ev = g_received[0].message == WM_SYNC_EVENT ? g_received[0] : g_received[1];
    const Received& pr = g_received[0].message == WM_SYNC_PROGRESS ? g_received[0] : g_received[1];
    EXPECT_EQ((UINT)WM_SYNC_EVENT, ev.message);
    EXPECT_EQ(9, ev.event.code);
    EXPECT_EQ(std::string("note-1"), ToUtf8(ev.event.text1));
    EXPECT_TRUE(ev.event.text2.IsEmpty());   // null becomes empty
    EXPECT_EQ(77u, ev.wParam);
    EXPECT_EQ((UINT)WM_SYNC_PROGRESS, pr.message);
    EXPECT_EQ(42.5f, pr.progress.progress);
    EXPECT_EQ(-1, pr.progress.code);
    EXPECT_EQ(std::string("Sync failed"), ToUtf8(pr.progress.text));
    // without a window nothing is posted (and nothing leaks)
    CSyncWindowObserver none;
    none.OnSyncThreadEvent(1, L"", nullptr, 0);
}

TEST_F(Windows, ShareLinkSyncFoldersAndInstaller)
{
    test::ResetService(true);
    std::vector<BYTE> digest = test::PasswordDigest("demo");
    CSyncThread::SetAccount(L"demo@example.com", digest.data());
    ASSERT_EQ(0, CSyncThread::GetClient()->Authenticate());
    CSyncThread* a = test::SyncThreads::Get().a;

    a->GetShareLink(window, L"seednotewelcome1");
    ASSERT_TRUE(PumpFor(WM_SHARE_LINK_RESULT, 1));
    EXPECT_EQ(0u, g_received.back().wParam);
    EXPECT_NE(std::string::npos, g_received.back().text.find("/s/"));
    a->UnshareLink(window, L"seednotewelcome1");
    ASSERT_TRUE(PumpFor(WM_UNSHARE_LINK_RESULT, 1));
    EXPECT_EQ(0u, g_received.back().wParam);
    a->GetShareLink(window, L"no-such-note");
    ASSERT_TRUE(PumpFor(WM_SHARE_LINK_RESULT, 2));
    EXPECT_NE(0u, g_received.back().wParam);

    // the sync-folders dialog's request: the folders arrive, nothing else of the reply
    test::MemStore store;
    CSyncThread::SetStore(&store);
    a->RequestSyncFolders(window);
    ASSERT_TRUE(PumpFor(WM_SYNC_FOLDERS_READY, 1));
    EXPECT_EQ(0u, g_received.back().wParam);
    EXPECT_NE(nullptr, store.Folder(L"fold-work") ? store.Folder(L"fold-work") : store.Folder(L"default"));
    EXPECT_GT(store.folders.size(), 4u);
    EXPECT_TRUE(store.notes.empty());
    EXPECT_EQ(CString(L"0"), store.GetParam(L"last_update_time", L"0"));

    // update check, then the installer into the temporary folder
    test::RecordingObserver& observer = test::SyncThreads::Get().observer;
    a->CheckUpdate(1);
    ASSERT_TRUE(observer.WaitFor(SYNC_EVENT_UPDATE_CHECKED, 1, 20000));
    a->DownloadUpdate();
    ASSERT_TRUE(observer.WaitFor(SYNC_EVENT_UPDATE_DOWNLOADED, 1, 30000));
    CString path = CSyncThread::GetDownloadedInstaller();
    ASSERT_FALSE(path.IsEmpty());
    EXPECT_EQ(CString(L".exe"), path.Right(4));
    WIN32_FILE_ATTRIBUTE_DATA info = {};
    ASSERT_TRUE(GetFileAttributesExW(path, GetFileExInfoStandard, &info));
    EXPECT_GE(info.nFileSizeLow, 64u * 1024u);
    DeleteFileW(path);
}

}  // namespace
