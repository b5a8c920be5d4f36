// Drag and drop: payloads (round trips, byte sizes, malformed and oversize data), the data
// source, the effect table of notes over folders, the drops carried out on a fixture notebook
// and the note list's target driven through IDropTarget.
#include "DragDrop.h"
#include "NotebookFixture.h"
#include "PanesTestUtil.h"
#include "TagList.h"
#include <string>

using namespace ptest;
using namespace Pelora;

namespace {

HGLOBAL Block(const std::string& bytes)
{
    HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    memcpy(::GlobalLock(h), bytes.data(), bytes.size());
    ::GlobalUnlock(h);
    return h;
}

std::string Bytes(HGLOBAL h)
{
    std::string out((const char*)::GlobalLock(h), ::GlobalSize(h));
    ::GlobalUnlock(h);
    return out;
}

TEST(DragPayload, NotesAndTextsRoundTripAsUtf8Bytes)
{
    struct Case { const char* name; std::vector<CString> ids; std::string bytes; } table[] = {
        {"two ids", {L"a1", L"b22"}, std::string("a1\0b22\0\0", 8)},
        {"non-ASCII", {L"\u0437\u0430\u043c"}, std::string("\xD0\xB7\xD0\xB0\xD0\xBC\0\0", 8)},
        {"emoji", {L"\U0001F600"}, std::string("\xF0\x9F\x98\x80\0\0", 6)},
        {"empty ids are left out", {L"", L"x"}, std::string("x\0\0", 3)},
        {"none", {}, std::string("\0", 1)},
    };
    for (const auto& t : table) {
        HGLOBAL h = PeloraDrag::BuildNotesPayload(t.ids);
        ASSERT_NE(nullptr, h);
        // The block holds the bytes (counted in bytes, not characters) and zeroes after them.
        std::string got = Bytes(h);
        ASSERT_GE(got.size(), t.bytes.size()) << t.name;
        EXPECT_EQ(t.bytes, got.substr(0, t.bytes.size())) << t.name;
        std::vector<CString> back;
        EXPECT_TRUE(PeloraDrag::ReadNotesPayload(h, back)) << t.name;
        std::vector<CString> expect;
        for (auto& id : t.ids)
            if (!id.IsEmpty())
                expect.push_back(id);
        EXPECT_EQ(expect, back) << t.name;
        ::GlobalFree(h);
    }
    for (const wchar_t* text : {L"Work", L"\u0420\u0430\u0431\u043e\u0442\u0430 \"2026\" / \U0001F4DD"}) {
        HGLOBAL h = PeloraDrag::BuildTextPayload(text);
        CString back;
        EXPECT_TRUE(PeloraDrag::ReadTextPayload(h, back));
        EXPECT_STREQ(text, (const wchar_t*)back);
        ::GlobalFree(h);
    }
}

TEST(DragPayload, MalformedAndOversizePayloadsAreRefused)
{
    struct Case { const char* name; std::string bytes; bool notesOk, textOk; } table[] = {
        {"no end of list", std::string("a1\0b2\0", 6), false, true},
        {"no NUL at all", std::string("a1b2", 4), false, false},
        {"not UTF-8", std::string("\xFF\xFE\0\0", 4), false, false},
        {"cut inside a character", std::string("\xD0\0\0", 3), false, false},
        {"empty text", std::string("\0\0", 2), true, false},
        {"well formed", std::string("a1\0\0", 4), true, true},
    };
    for (const auto& t : table) {
        HGLOBAL h = Block(t.bytes);
        std::vector<CString> ids{L"stale"};
        CString text = L"stale";
        EXPECT_EQ(t.notesOk, PeloraDrag::ReadNotesPayload(h, ids)) << t.name;
        EXPECT_EQ(t.textOk, PeloraDrag::ReadTextPayload(h, text)) << t.name;
        if (!t.notesOk) {
            EXPECT_TRUE(ids.empty()) << t.name;
        }
        if (!t.textOk) {
            EXPECT_TRUE(text.IsEmpty()) << t.name;
        }
        ::GlobalFree(h);
    }
    // A block past the bound is not read at all.
    HGLOBAL big = Block(std::string(64, 'a') + std::string(2, '\0'));
    std::vector<CString> ids;
    CString text;
    EXPECT_FALSE(PeloraDrag::ReadNotesPayload(big, ids, 32));
    EXPECT_FALSE(PeloraDrag::ReadTextPayload(big, text, 32));
    EXPECT_TRUE(PeloraDrag::ReadTextPayload(big, text, 66));
    ::GlobalFree(big);
    EXPECT_FALSE(PeloraDrag::ReadNotesPayload(nullptr, ids));
}

using DropFixture = ptest::NotebookFixture;

TEST_F(DropFixture, NotesOverFoldersGetTheirEffectFromKindAndKeys)
{
    CFolderItem* user = book->FindFolder(L"work");
    CFolderItem* def = book->FindFolder(L"default");
    CFolderItem* trash = book->FindFolder(L"trash");
    CFolderItem* conflict = book->FindFolder(L"conflict_folder");
    CFolderItem* tag = book->GetTagList()->FindByName(L"urgent");
    CFolderItem* search = book->AddSearchItem(L"recipes");
    ASSERT_TRUE(user && def && trash && conflict && tag && search);
    struct Case { const char* name; CFolderItem* target; DWORD keys; DROPEFFECT expect; } table[] = {
        {"user, no key", user, 0, DROPEFFECT_MOVE},
        {"user, Ctrl", user, MK_CONTROL, DROPEFFECT_COPY},
        {"user, Ctrl+Shift", user, MK_CONTROL | MK_SHIFT, DROPEFFECT_MOVE},
        {"user, Ctrl+Alt", user, MK_CONTROL | MK_ALT, DROPEFFECT_MOVE},
        {"user, Shift", user, MK_SHIFT, DROPEFFECT_MOVE},
        {"default, Ctrl", def, MK_CONTROL, DROPEFFECT_COPY},
        {"trash, Ctrl", trash, MK_CONTROL, DROPEFFECT_MOVE},
        {"tag", tag, 0, DROPEFFECT_LINK},
        {"conflict folder", conflict, 0, DROPEFFECT_NONE},
        {"saved search", search, 0, DROPEFFECT_NONE},
        {"all notes", book->GetRoot(), 0, DROPEFFECT_NONE},
        {"nothing", nullptr, 0, DROPEFFECT_NONE},
    };
    for (const auto& t : table)
        EXPECT_EQ(t.expect, PeloraDrag::NotesDropEffect(t.target, t.keys)) << t.name;
}

TEST_F(DropFixture, DroppedNotesAreMovedCopiedTaggedOrTrashedInTheStore)
{
    const int workId = work->itemid;
    CFolderItem* target = book->FindFolder(L"work");
    // A missing note (deleted during the drag) is skipped; the others still move.
    EXPECT_TRUE(PeloraDrag::DropNotes(*book, {L"n1", L"gone", L"n2"}, target, DROPEFFECT_MOVE));
    EXPECT_EQ(workId, FolderOf("n1"));
    EXPECT_EQ(workId, FolderOf("n2"));

    CFolderItem* def = book->FindFolder(L"default");
    EXPECT_TRUE(PeloraDrag::DropNotes(*book, {L"n3"}, def, DROPEFFECT_COPY));
    EXPECT_EQ(workId, FolderOf("n3")) << "a copy leaves the note where it was";
    EXPECT_EQ(1, Query("SELECT COUNT(*) FROM notes WHERE folder_id=1 AND note_title='Three' AND b_removed=0"));

    CFolderItem* tag = book->GetTagList()->FindByName(L"urgent");
    CNoteItem* n4 = book->FindNoteById(L"n4");
    const int before = n4->GetRecord().date_update;
    EXPECT_TRUE(PeloraDrag::DropNotes(*book, {L"n4"}, tag, DROPEFFECT_LINK));
    EXPECT_EQ(1, Tagged("n4", "urgent"));
    EXPECT_EQ(before, n4->GetRecord().date_update) << "a tag from the catalogue keeps the note's time";

    CFolderItem* trash = book->FindFolder(L"trash");
    CFolderItem* into = trash;
    EXPECT_TRUE(PeloraDrag::DropNotes(*book, {L"n4"}, into, DROPEFFECT_MOVE));
    EXPECT_EQ(3, Query("SELECT folder_id FROM notes WHERE note_id='n4'"));
    EXPECT_EQ(trash, into);

    // No effect, no target, or only missing notes: nothing happens and the drop fails.
    CFolderItem* none = nullptr;
    EXPECT_FALSE(PeloraDrag::DropNotes(*book, {L"n1"}, target, DROPEFFECT_NONE));
    EXPECT_FALSE(PeloraDrag::DropNotes(*book, {L"n1"}, none, DROPEFFECT_MOVE));
    EXPECT_FALSE(PeloraDrag::DropNotes(*book, {L"gone"}, target, DROPEFFECT_MOVE));
    EXPECT_EQ(workId, FolderOf("n1"));
}

TEST_F(DropFixture, TheDataSourceOffersWhatTheTargetReads)
{
    CItemDataSource empty;
    EXPECT_FALSE(empty.PrepareNotes(nullptr, 3));
    CNoteItem* none[1] = {nullptr};
    EXPECT_FALSE(empty.PrepareNotes(none, 0));
    EXPECT_FALSE(empty.PrepareFolder(nullptr));
    EXPECT_EQ(DROPEFFECT_NONE, empty.StartDragNotes(none, 0)) << "no selection, no drag";

    CItemDataSource source;
    CNoteItem* picked[2] = {book->FindNoteById(L"n1"), book->FindNoteById(L"n3")};
    ASSERT_TRUE(source.PrepareNotes(picked, 2));
    ASSERT_TRUE(source.PrepareFolder(book->FindFolder(L"projects")));
    COleDataObject data;
    data.Attach(source.GetDataObject(), FALSE);
    ASSERT_TRUE(data.IsDataAvailable(PeloraDrag::NoteFormat()));
    HGLOBAL h = data.GetGlobalData(PeloraDrag::NoteFormat());
    std::vector<CString> ids;
    EXPECT_TRUE(PeloraDrag::ReadNotesPayload(h, ids));
    EXPECT_EQ((std::vector<CString>{L"n1", L"n3"}), ids);
    ::GlobalFree(h);
    h = data.GetGlobalData(PeloraDrag::FolderFormat());
    CString folder;
    EXPECT_TRUE(PeloraDrag::ReadTextPayload(h, folder));
    EXPECT_STREQ(L"projects", (const wchar_t*)folder);
    ::GlobalFree(h);
    EXPECT_FALSE(data.IsDataAvailable(PeloraDrag::TagFormat()));
}

// A data object offering one tag payload of the given bytes.
class TagData : public COleDataSource {
public:
    explicit TagData(const std::string& bytes) { CacheGlobalData(PeloraDrag::TagFormat(), Block(bytes)); }
};

TEST_F(DropFixture, ATagDroppedOnANoteInTheListTagsItThroughIDropTarget)
{
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    Host host;
    CWnd list;
    list.Create(AfxRegisterWndClass(0), L"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 200, 200), &host, 1073);
    // Each case drops on its own note in the top rows (50 pixels each); nothing below 100.
    CNoteItem* under = nullptr;
    COleDropTargetNoteList target(book, [&](CPoint pt) -> CNoteItem* { return pt.y < 100 ? under : nullptr; });
    ASSERT_TRUE(target.Register(&list));
    IDropTarget* drop = target.GetDropTarget();
    auto at = [&](int x, int y) {
        CPoint pt(x, y);
        list.ClientToScreen(&pt);
        return POINTL{pt.x, pt.y};
    };
    struct Case {
        const char* name;
        const char* note;
        std::string payload;
        int y;
        DWORD overEffect;
        bool tagged;
    } table[] = {
        {"known tag on a note", "n2", std::string("urgent\0", 7), 10, DROPEFFECT_MOVE, true},
        {"below the rows", "n1", std::string("urgent\0", 7), 150, DROPEFFECT_NONE, false},
        {"unknown tag", "n3", std::string("later\0", 6), 10, DROPEFFECT_MOVE, false},
        {"malformed payload", "n4", std::string("urg\xFF", 4), 10, DROPEFFECT_NONE, false},
    };
    for (const auto& t : table) {
        under = book->FindNoteById(CString(t.note));
        ASSERT_NE(nullptr, under);
        const int before = under->GetRecord().date_update;
        TagData data(t.payload);
        DWORD effect = DROPEFFECT_MOVE | DROPEFFECT_COPY;
        ASSERT_EQ(S_OK, drop->DragEnter(data.GetDataObject(), MK_LBUTTON, at(20, t.y), &effect));
        effect = DROPEFFECT_MOVE | DROPEFFECT_COPY;
        ASSERT_EQ(S_OK, drop->DragOver(MK_LBUTTON, at(20, t.y), &effect));
        EXPECT_EQ(t.overEffect, effect) << t.name;
        effect = DROPEFFECT_MOVE | DROPEFFECT_COPY;
        drop->Drop(data.GetDataObject(), 0, at(20, t.y), &effect);
        EXPECT_EQ(t.tagged ? 1 : 0, Query(std::string("SELECT COUNT(*) FROM tag_links l JOIN notes n ON n.itemid=l.note_id "
                                                       "WHERE n.note_id='") + t.note + "'")) << t.name;
        if (t.tagged) {
            EXPECT_EQ(1, Tagged(t.note, "urgent"));
            EXPECT_NE(before, under->GetRecord().date_update) << "a tag dropped on a note updates its time";
        }
        EXPECT_FALSE(target.m_bTagOffered) << "reset after every drop";
    }
    target.Revoke();
    list.DestroyWindow();
    ::OleUninitialize();
}

}  // namespace
