// COleDropTarget: registration on a window, and IDropTarget calls (made directly, as OLE's drag
// loop would) reaching the handlers in client coordinates with the effect limited to what the
// source allows.
#include <gtest/gtest.h>
#include "Framework.h"
#include <cstring>
#include <string>
#include <vector>

namespace {

// Records every handler call as one line; answers what the test sets.
class RecordingTarget : public COleDropTarget {
 public:
  CLIPFORMAT format = 0;
  DROPEFFECT enterAnswer = DROPEFFECT_NONE;
  DROPEFFECT overAnswer = DROPEFFECT_NONE;
  BOOL dropAnswer = TRUE;
  DROPEFFECT dropExAnswer = (DROPEFFECT)-1;
  std::vector<std::string> calls;
  CWnd* enteredWnd = nullptr;

  DROPEFFECT OnDragEnter(CWnd* wnd, COleDataObject* data, DWORD keys, CPoint p) override {
    enteredWnd = wnd;
    Log("enter", data, keys, p, 0);
    return enterAnswer;
  }
  DROPEFFECT OnDragOver(CWnd*, COleDataObject* data, DWORD keys, CPoint p) override {
    Log("over", data, keys, p, 0);
    return overAnswer;
  }
  BOOL OnDrop(CWnd*, COleDataObject* data, DROPEFFECT effect, CPoint p) override {
    Log("drop", data, 0, p, effect);
    return dropAnswer;
  }
  DROPEFFECT OnDropEx(CWnd*, COleDataObject* data, DROPEFFECT dropDefault, DROPEFFECT list, CPoint p) override {
    Log("dropex", data, list, p, dropDefault);
    return dropExAnswer;
  }
  void OnDragLeave(CWnd*) override { calls.push_back("leave"); }

 private:
  void Log(const char* what, COleDataObject* data, DWORD keys, CPoint p, DROPEFFECT effect) {
    char line[128];
    snprintf(line, sizeof line, "%s keys=%lu at=%ld,%ld effect=%lu data=%d", what, (unsigned long)keys, (long)p.x,
             (long)p.y, (unsigned long)effect, data && data->IsDataAvailable(format) ? 1 : 0);
    calls.push_back(line);
  }
};

HGLOBAL Block(const char* text) {
  size_t n = strlen(text) + 1;
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, n + 8);
  memcpy(GlobalLock(g), text, n);
  GlobalUnlock(g);
  return g;
}

class DropTarget : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(AfxOleInit());
    m_format = (CLIPFORMAT)RegisterClipboardFormatW(L"PeloraNote_Source_TagItem");
    // a borderless pop-up that takes hit tests: client (0, 0) is screen (200, 150)
    m_wnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | SS_NOTIFY, 200, 150, 300, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(m_wnd, nullptr);
    m_source.CacheGlobalData(m_format, Block("tag"));
    m_target.format = m_format;
  }
  void TearDown() override {
    m_target.Revoke();
    if (m_wnd) DestroyWindow(m_wnd);
    AfxOleTerm();
  }
  static POINTL Screen(int x, int y) { return {200 + x, 150 + y}; }

  HWND m_wnd = nullptr;
  CLIPFORMAT m_format = 0;
  COleDataSource m_source;
  RecordingTarget m_target;
};

TEST_F(DropTarget, RegistersOnceOnALiveWindowUntilRevoked) {
  EXPECT_FALSE(m_target.RegisterWindow(nullptr, nullptr));
  EXPECT_FALSE(m_target.RegisterWindow(nullptr, (HWND)(LONG_PTR)0x7ffe));
  ASSERT_TRUE(m_target.RegisterWindow(nullptr, m_wnd));
  EXPECT_EQ(m_target.GetWindowHandle(), m_wnd);
  EXPECT_FALSE(m_target.RegisterWindow(nullptr, m_wnd)) << "registered twice";
  RecordingTarget other;
  EXPECT_FALSE(other.RegisterWindow(nullptr, m_wnd)) << "a second target on the same window";
  m_target.Revoke();
  EXPECT_EQ(m_target.GetWindowHandle(), nullptr);
  EXPECT_EQ(RevokeDragDrop(m_wnd), DRAGDROP_E_NOTREGISTERED);
  EXPECT_TRUE(other.RegisterWindow(nullptr, m_wnd));
  other.Revoke();
  // a target that goes away revokes itself
  {
    RecordingTarget scoped;
    ASSERT_TRUE(scoped.RegisterWindow(nullptr, m_wnd));
  }
  EXPECT_EQ(RevokeDragDrop(m_wnd), DRAGDROP_E_NOTREGISTERED);
}

TEST_F(DropTarget, HandlersGetTheWindowObjectTheTargetWasRegisteredOn) {
  CWnd wnd;
  ASSERT_TRUE(wnd.Attach(m_wnd));
  ASSERT_TRUE(m_target.Register(&wnd));
  EXPECT_EQ(m_target.GetWindowHandle(), m_wnd);
  DWORD effect = DROPEFFECT_COPY;
  ASSERT_EQ(m_target.GetDropTarget()->DragEnter(m_source.GetDataObject(), 0, Screen(0, 0), &effect), S_OK);
  EXPECT_EQ(m_target.enteredWnd, &wnd);
  m_target.GetDropTarget()->DragLeave();
  m_target.Revoke();
  CWnd* none = nullptr;
  EXPECT_FALSE(m_target.Register(none));
  wnd.Detach();
}

TEST_F(DropTarget, AnswersAreLimitedToTheEffectsTheSourceAllows) {
  ASSERT_TRUE(m_target.RegisterWindow(nullptr, m_wnd));
  IDropTarget* ole = m_target.GetDropTarget();
  struct Case {
    DROPEFFECT answer, allowed, expected;
  } cases[] = {
      {DROPEFFECT_MOVE, DROPEFFECT_MOVE, DROPEFFECT_MOVE},
      {DROPEFFECT_COPY, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, DROPEFFECT_COPY},
      {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_NONE},
      {DROPEFFECT_LINK, DROPEFFECT_COPY | DROPEFFECT_MOVE, DROPEFFECT_NONE},
      {DROPEFFECT_NONE, DROPEFFECT_MOVE, DROPEFFECT_NONE},
      {DROPEFFECT_MOVE | DROPEFFECT_SCROLL, DROPEFFECT_MOVE, DROPEFFECT_MOVE | DROPEFFECT_SCROLL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "answer " << c.answer << " allowed " << c.allowed);
    m_target.enterAnswer = m_target.overAnswer = c.answer;
    DWORD effect = c.allowed;
    ASSERT_EQ(ole->DragEnter(m_source.GetDataObject(), MK_LBUTTON, Screen(10, 20), &effect), S_OK);
    EXPECT_EQ(effect, c.expected);
    effect = c.allowed;
    ASSERT_EQ(ole->DragOver(MK_LBUTTON | MK_CONTROL, Screen(11, 21), &effect), S_OK);
    EXPECT_EQ(effect, c.expected);
    ASSERT_EQ(ole->DragLeave(), S_OK);
  }
  // every handler saw client coordinates, the keys and the dragged data (also in DragOver,
  // which OLE calls without the data object)
  ASSERT_EQ(m_target.calls.size(), 3 * (sizeof cases / sizeof cases[0]));
  EXPECT_EQ(m_target.calls[0], "enter keys=1 at=10,20 effect=0 data=1");
  EXPECT_EQ(m_target.calls[1], "over keys=9 at=11,21 effect=0 data=1");
  EXPECT_EQ(m_target.calls[2], "leave");
}

TEST_F(DropTarget, DropAsksForTheEffectThenDropsAndAlwaysLeaves) {
  ASSERT_TRUE(m_target.RegisterWindow(nullptr, m_wnd));
  IDropTarget* ole = m_target.GetDropTarget();
  struct Case {
    const char* name;
    DROPEFFECT over;
    BOOL dropAnswer;
    DROPEFFECT dropEx;
    DWORD expected;
    std::vector<std::string> calls;
  } cases[] = {
      {"accepted", DROPEFFECT_MOVE, TRUE, (DROPEFFECT)-1, DROPEFFECT_MOVE,
       {"over keys=0 at=5,6 effect=0 data=1", "dropex keys=3 at=5,6 effect=2 data=1",
        "drop keys=0 at=5,6 effect=2 data=1", "leave"}},
      {"refused by OnDrop", DROPEFFECT_COPY, FALSE, (DROPEFFECT)-1, DROPEFFECT_NONE,
       {"over keys=0 at=5,6 effect=0 data=1", "dropex keys=3 at=5,6 effect=1 data=1",
        "drop keys=0 at=5,6 effect=1 data=1", "leave"}},
      {"no effect: OnDrop is not asked", DROPEFFECT_NONE, TRUE, (DROPEFFECT)-1, DROPEFFECT_NONE,
       {"over keys=0 at=5,6 effect=0 data=1", "dropex keys=3 at=5,6 effect=0 data=1", "leave"}},
      {"outside what is allowed", DROPEFFECT_LINK, TRUE, (DROPEFFECT)-1, DROPEFFECT_NONE,
       {"over keys=0 at=5,6 effect=0 data=1", "dropex keys=3 at=5,6 effect=0 data=1", "leave"}},
      {"handled by OnDropEx", DROPEFFECT_MOVE, TRUE, DROPEFFECT_COPY, DROPEFFECT_COPY,
       {"over keys=0 at=5,6 effect=0 data=1", "dropex keys=3 at=5,6 effect=2 data=1", "leave"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_target.calls.clear();
    m_target.overAnswer = c.over;
    m_target.dropAnswer = c.dropAnswer;
    m_target.dropExAnswer = c.dropEx;
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_EQ(ole->Drop(m_source.GetDataObject(), 0, Screen(5, 6), &effect), S_OK);
    EXPECT_EQ(effect, c.expected);
    EXPECT_EQ(m_target.calls, c.calls);
  }
}

TEST_F(DropTarget, DroppedDataIsReadableAndHeldOnlyDuringTheDrag) {
  struct Reader : RecordingTarget {
    std::string read;
    BOOL OnDrop(CWnd*, COleDataObject* data, DROPEFFECT, CPoint) override {
      HGLOBAL g = data->GetGlobalData(format);
      if (!g) return FALSE;
      read = (const char*)GlobalLock(g);
      GlobalUnlock(g);
      GlobalFree(g);
      return TRUE;
    }
  } reader;
  reader.format = m_format;
  reader.overAnswer = DROPEFFECT_MOVE;
  ASSERT_TRUE(reader.RegisterWindow(nullptr, m_wnd));
  IDataObject* data = m_source.GetDataObject();
  data->AddRef();
  ULONG before = data->Release();
  IDropTarget* ole = reader.GetDropTarget();
  DWORD effect = DROPEFFECT_MOVE;
  ASSERT_EQ(ole->DragEnter(data, MK_LBUTTON, Screen(1, 1), &effect), S_OK);
  data->AddRef();
  EXPECT_EQ(data->Release(), before + 1) << "the drag keeps the data while it lasts";
  effect = DROPEFFECT_MOVE;
  ASSERT_EQ(ole->Drop(data, 0, Screen(1, 1), &effect), S_OK);
  EXPECT_EQ(effect, DROPEFFECT_MOVE);
  EXPECT_EQ(reader.read, "tag");
  data->AddRef();
  EXPECT_EQ(data->Release(), before) << "released when the drag ended";
  reader.Revoke();
}

TEST_F(DropTarget, ACallArrivingAfterTheTargetIsGoneIsRefused) {
  IDropTarget* ole = nullptr;
  {
    RecordingTarget doomed;
    ASSERT_TRUE(doomed.RegisterWindow(nullptr, m_wnd));
    doomed.enterAnswer = DROPEFFECT_MOVE;
    ole = doomed.GetDropTarget();
    ole->AddRef();  // as a drag loop under way would
  }
  DWORD effect = DROPEFFECT_MOVE;
  EXPECT_EQ(ole->DragEnter(m_source.GetDataObject(), MK_LBUTTON, Screen(1, 1), &effect), S_OK);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  effect = DROPEFFECT_MOVE;
  EXPECT_EQ(ole->Drop(m_source.GetDataObject(), 0, Screen(1, 1), &effect), S_OK);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  EXPECT_EQ(ole->DragLeave(), S_OK);
  EXPECT_EQ(ole->Release(), 0u);
}

// The whole path through OLE's own drag loop: a data source dragged over a registered window
// (the cursor is placed there, no mouse input is made) is dropped by the drop source's word.
TEST_F(DropTarget, ADragThroughOlesLoopReachesTheTargetUnderTheCursor) {
  ShowWindow(m_wnd, SW_SHOWNOACTIVATE);
  SetWindowPos(m_wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  UpdateWindow(m_wnd);
  ASSERT_TRUE(SetCursorPos(200 + 30, 150 + 40));
  POINT at;
  GetCursorPos(&at);
  if (WindowFromPoint(at) != m_wnd) GTEST_SKIP() << "the window is not under the cursor on this display";
  ASSERT_TRUE(m_target.RegisterWindow(nullptr, m_wnd));
  m_target.enterAnswer = m_target.overAnswer = DROPEFFECT_MOVE;
  // keeps the drag going a few rounds, then drops
  struct Countdown : COleDropSource {
    int left = 3;
    SCODE QueryContinueDrag(BOOL, DWORD) override { return --left > 0 ? S_OK : DRAGDROP_S_DROP; }
  } source;
  EXPECT_EQ(m_source.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE, nullptr, &source), DROPEFFECT_MOVE);
  ASSERT_FALSE(m_target.calls.empty());
  EXPECT_EQ(m_target.calls.front(), "enter keys=0 at=30,40 effect=0 data=1");
  EXPECT_EQ(m_target.calls.back(), "leave");
  bool dropped = false;
  for (const std::string& c : m_target.calls) dropped |= c.rfind("drop keys=0 at=30,40 effect=2 data=1", 0) == 0;
  EXPECT_TRUE(dropped);
}

}  // namespace
