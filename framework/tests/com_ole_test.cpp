// OLE data transfer: a data source's cached formats reach a data object through the real OLE
// clipboard, before and after the clipboard is flushed; drags end by the drop source's word.
#include <gtest/gtest.h>
#include "Framework.h"
#include <cstring>
#include <string>

namespace {

HGLOBAL Block(const void* data, size_t size) {
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, size);
  memcpy(GlobalLock(g), data, size);
  GlobalUnlock(g);
  return g;
}

std::string Contents(HGLOBAL g, size_t size) {
  if (!g) return "<none>";
  std::string s((const char*)GlobalLock(g), size);
  GlobalUnlock(g);
  GlobalFree(g);
  return s;
}

class OleTransfer : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(AfxOleInit());
    m_notes = (CLIPFORMAT)RegisterClipboardFormatW(L"PeloraNote_Source_NoteItem");
    m_folder = (CLIPFORMAT)RegisterClipboardFormatW(L"PeloraNote_Source_FolderItem");
    m_tag = (CLIPFORMAT)RegisterClipboardFormatW(L"PeloraNote_Source_TagItem");
  }
  void TearDown() override {
    OleSetClipboard(nullptr);
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
    AfxOleTerm();
  }
  CLIPFORMAT m_notes = 0, m_folder = 0, m_tag = 0;
};

const std::string kNoteIds("note-one\0n2\0\0", 13);
const std::string kFolderId("usr_folder\0", 11);
const std::string kTagName("\xD1\x82\xD0\xB5\xD0\xB3\0", 7);  // UTF-8, Cyrillic

TEST_F(OleTransfer, CachedFormatsRoundTripThroughTheClipboard) {
  {
    COleDataSource source;
    source.CacheGlobalData(m_notes, Block(kNoteIds.data(), kNoteIds.size()));
    source.CacheGlobalData(m_folder, Block(kFolderId.data(), kFolderId.size()));
    source.CacheGlobalData(m_tag, Block(kTagName.data(), kTagName.size()));
    ASSERT_TRUE(source.SetClipboard());
    EXPECT_EQ(COleDataSource::GetClipboardOwner(), &source);

    COleDataObject data;
    ASSERT_TRUE(data.AttachClipboard());
    EXPECT_TRUE(data.IsDataAvailable(m_notes));
    EXPECT_TRUE(data.IsDataAvailable(m_tag));
    EXPECT_FALSE(data.IsDataAvailable(CF_BITMAP));
    EXPECT_EQ(Contents(data.GetGlobalData(m_notes), kNoteIds.size()), kNoteIds);
    EXPECT_EQ(Contents(data.GetGlobalData(m_folder), kFolderId.size()), kFolderId);
    EXPECT_EQ(Contents(data.GetGlobalData(m_tag), kTagName.size()), kTagName);
    EXPECT_EQ(data.GetGlobalData(CF_UNICODETEXT), nullptr);

    int offered = 0;
    FORMATETC f;
    data.BeginEnumFormats();
    while (data.GetNextFormat(&f))
      if (f.cfFormat == m_notes || f.cfFormat == m_folder || f.cfFormat == m_tag) ++offered;
    EXPECT_EQ(offered, 3);
  }
  // the clipboard keeps the data alive after the source object is gone, and keeps it when flushed
  EXPECT_EQ(COleDataSource::GetClipboardOwner(), nullptr);
  {
    COleDataObject data;
    ASSERT_TRUE(data.AttachClipboard());
    EXPECT_EQ(Contents(data.GetGlobalData(m_folder), kFolderId.size()), kFolderId);
  }
  ASSERT_HRESULT_SUCCEEDED(OleFlushClipboard());
  COleDataObject flushed;
  ASSERT_TRUE(flushed.AttachClipboard());
  EXPECT_EQ(Contents(flushed.GetGlobalData(m_notes), kNoteIds.size()), kNoteIds);
  EXPECT_EQ(Contents(flushed.GetGlobalData(m_tag), kTagName.size()), kTagName);
}

TEST_F(OleTransfer, EmptyFreesTheCacheAndUnknownFormatsAreRefused) {
  COleDataSource source;
  source.CacheGlobalData(m_folder, Block(kFolderId.data(), kFolderId.size()));
  COleDataObject data;
  data.Attach(source.GetDataObject(), FALSE);
  EXPECT_TRUE(data.IsDataAvailable(m_folder));
  // a later block for the same format replaces the first
  source.CacheGlobalData(m_folder, Block("other\0", 6));
  EXPECT_EQ(Contents(data.GetGlobalData(m_folder), 6), std::string("other\0", 6));
  FORMATETC f = {m_tag, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM m = {};
  EXPECT_EQ(source.GetDataObject()->GetData(&f, &m), DV_E_FORMATETC);
  source.Empty();
  EXPECT_FALSE(data.IsDataAvailable(m_folder));
}

// Drop sources that end a drag at once, as a seam for the drag loop.
struct EndAtOnce : COleDropSource {
  SCODE answer;
  int asked = 0;
  explicit EndAtOnce(SCODE a) : answer(a) {}
  SCODE QueryContinueDrag(BOOL, DWORD) override {
    ++asked;
    return answer;
  }
};

TEST_F(OleTransfer, DragEndsByTheDropSourcesWord) {
  COleDataSource source;
  source.CacheGlobalData(m_notes, Block(kNoteIds.data(), kNoteIds.size()));
  EndAtOnce cancel(DRAGDROP_S_CANCEL);
  EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE, nullptr, &cancel), DROPEFFECT_NONE);
  EXPECT_GE(cancel.asked, 1);
  // no window that accepts drops under the cursor: nothing happens
  SetCursorPos(0, 0);
  EndAtOnce drop(DRAGDROP_S_DROP);
  EXPECT_EQ(source.DoDragDrop(DROPEFFECT_MOVE, nullptr, &drop), DROPEFFECT_NONE);
  // the default source follows the mouse: escape cancels, a released button drops
  COleDropSource standard;
  standard.m_buttonDrop = MK_LBUTTON;
  standard.m_buttonCancel = MK_RBUTTON;
  EXPECT_EQ(standard.QueryContinueDrag(TRUE, MK_LBUTTON), DRAGDROP_S_CANCEL);
  EXPECT_EQ(standard.QueryContinueDrag(FALSE, MK_LBUTTON), S_OK);
  EXPECT_EQ(standard.QueryContinueDrag(FALSE, MK_LBUTTON | MK_RBUTTON), DRAGDROP_S_CANCEL);
  EXPECT_EQ(standard.QueryContinueDrag(FALSE, 0), DRAGDROP_S_DROP);
}

}  // namespace
