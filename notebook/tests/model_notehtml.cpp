// The stored note HTML and its editor form, and the note item's small operations.
#include "model_fixture.h"

using namespace Pelora;

namespace {

const wchar_t kPrefix[] = L"http://127.0.0.1:4321/attach/";

std::wstring ToEditor(const std::wstring& stored)
{
    wchar_t* out = nullptr;
    int bytes = CNoteItem::NoteToHtml(stored.c_str(), (int)stored.size() * 2, kPrefix, out);
    std::wstring r(out, bytes / 2);
    delete[] out;
    return r;
}

std::wstring ToStored(const std::wstring& html, std::vector<CString>* refs = nullptr)
{
    wchar_t* out = nullptr;
    int bytes = CNoteItem::HtmlToNote(html.c_str(), (int)html.size(), kPrefix, refs, out);
    std::wstring r(out, bytes / 2);
    delete[] out;
    return r;
}

struct Pair {
    const wchar_t* stored;
    const wchar_t* editor;
};

// Each stored form gives its editor form, and the editor form gives the stored form back.
const Pair kRoundTrips[] = {
    {L"<p><!checkbox />a</p>", L"<p><SPAN contentEditable=false><INPUT type=checkbox /></SPAN>a</p>"},
    {L"<!checkbox checked /> done", L"<SPAN contentEditable=false><INPUT type=checkbox checked /></SPAN> done"},
    {L"<img src=\"#attacheloc:o1234567890x0001#\" alt=\"a\">",
     L"<img src=\"http://127.0.0.1:4321/attach/o1234567890x0001\" alt=\"a\">"},
    {L"<IMG class=\"p\" SRC=\"#attacheloc:id2#\">", L"<IMG class=\"p\" SRC=\"http://127.0.0.1:4321/attach/id2\">"},
    {L"<div style=\"width: 10px;height:2px; max-width:5px\">x</div>",
     L"<div style=\"sav_width: 10px;sav_height:2px; sav_max-width:5px\">x</div>"},
    {L"<img style=\"width:3px;max-width:4px;position:absolute;Left:2px\" src=\"#attacheloc:z#\">",
     L"<img style=\"width:3px;sav_max-width:4px;sav_position:absolute;sav_Left:2px\" src=\"http://127.0.0.1:4321/attach/z\">"},
    {L"<span style='float:left;display:block'>q</span>", L"<span style='sav_float:left;sav_display:block'>q</span>"},
    {L"<img src=\"http://example.com/a.png\"><span class=\"x\">y</span>",
     L"<img src=\"http://example.com/a.png\"><span class=\"x\">y</span>"},
    {L"<a href=\"#attacheloc:q#\">link</a>", L"<a href=\"#attacheloc:q#\">link</a>"},
    // an unquoted style value ends at the tag: the text after it is the user's
    {L"<div style=width:5cm;float:left>width: 5cm, float: left</div>",
     L"<div style=sav_width:5cm;sav_float:left>width: 5cm, float: left</div>"},
    {L"<p style=width:1>the word sav_data, sav_width: 2</p>", L"<p style=sav_width:1>the word sav_data, sav_width: 2</p>"},
    // the user's own "sav_" text, in a style value or not, is never touched
    {L"<p style=\"color:red; sav_data:1\">the word sav_data</p>",
     L"<p style=\"color:red; sav_data:1\">the word sav_data</p>"},
    // a stored value that already reads as marked gets one mark more, taken off on the way back
    {L"<div style=\"sav_width:2px;height:1px\">x</div>", L"<div style=\"sav_sav_width:2px;sav_height:1px\">x</div>"},
    {L"<img style=\"sav_width:1px;width:2px\">", L"<img style=\"sav_sav_width:1px;width:2px\">"},
    {L"plain text, no tags", L"plain text, no tags"},
    {L"", L""},
};

TEST(ModelNoteHtml, RoundTrips)
{
    for (const Pair& p : kRoundTrips) {
        EXPECT_EQ(p.editor, ToEditor(p.stored)) << ModelTest::Narrow(p.stored);
        EXPECT_EQ(p.stored, ToStored(p.editor)) << ModelTest::Narrow(p.editor);
    }
}

TEST(ModelNoteHtml, OneWayCases)
{
    struct OneWay {
        bool toEditor;
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        // two "#" before the closing quote both go
        {true, L"<img src=\"#attacheloc:ab##\">", L"<img src=\"http://127.0.0.1:4321/attach/ab\">"},
        // "checked" in capitals is still a checked box
        {false, L"<SPAN contentEditable=false><INPUT type=checkbox CHECKED></SPAN>", L"<!checkbox checked />"},
        {false, L"<span contenteditable=false><input type=checkbox /></span>", L"<!checkbox />"},
        // the editor's form cut short (no "</SPAN>") is left as it is
        {false, L"<SPAN contentEditable=false><INPUT type=checkbox", L"<SPAN contentEditable=false><INPUT type=checkbox"},
        // a marker cut short by the end of the text
        {true, L"x<!checkbox ", L"x<SPAN contentEditable=false><INPUT type=checkbox /></SPAN>"},
        // values without a closing quote end with the text
        {true, L"<img src=\"#attacheloc:cut", L"<img src=\"http://127.0.0.1:4321/attach/cut"},
        {false, L"<div style=\"sav_width:1", L"<div style=\"width:1"},
        // only a mark before a layout name goes
        {false, L"<div style=\"sav_data:1;sav_width:2\">sav_x</div>", L"<div style=\"sav_data:1;width:2\">sav_x</div>"},
        // "sav_" only after a boundary; other attributes are left alone
        {false, L"<div style=\"xsav_width:1\" title=\"sav_x\">", L"<div style=\"xsav_width:1\" title=\"sav_x\">"},
        // a src= on a non-image element is never rewritten
        {false, L"<iframe src=\"http://127.0.0.1:4321/attach/k\">", L"<iframe src=\"http://127.0.0.1:4321/attach/k\">"},
    };
    for (const OneWay& c : cases)
        EXPECT_EQ(c.out, c.toEditor ? ToEditor(c.in) : ToStored(c.in)) << ModelTest::Narrow(c.in);
}

TEST(ModelNoteHtml, ReferencedAttachmentsAreListed)
{
    std::vector<CString> refs;
    ToStored(L"<img src=\"http://127.0.0.1:4321/attach/a1\"><p><img src=\"http://127.0.0.1:4321/attach/b2\">"
             L"<img src=\"http://127.0.0.1:4321/attach/a1\">",
             &refs);
    EXPECT_EQ((std::vector<CString>{L"a1", L"b2", L"a1"}), refs);
}

TEST(ModelNoteItem, SmallOperations)
{
    CNoteItem note;
    EXPECT_EQ(L"New Note", note.GetTitle());
    EXPECT_EQ(1, note.GetRecord().editable);
    EXPECT_EQ(1, note.GetPreviewFlag());
    EXPECT_EQ(0xFFFFFF, note.GetRecord().page_color);
    note.SetPreviewText(L"  &laquo;quoted&raquo;  ");
    EXPECT_EQ(L"\u00ABquoted\u00BB", note.GetPreviewText());
    note.GetTags().push_back(L"Work");
    EXPECT_TRUE(note.HasTag(L"Work"));
    EXPECT_FALSE(note.HasTag(L"work"));
    EXPECT_EQ(L"", note.GetTagAt(3));
    note.SetContentText(L"abc");
    EXPECT_EQ(6, note.GetRecord().content_size);
    EXPECT_EQ(nullptr, note.GetTask(0));
    note.AddTask(L"one", 0);
    note.AddTask(L"two", 1);
    EXPECT_EQ(2, note.GetTaskCount());
    EXPECT_EQ(L"two", note.GetTask(1)->task_info);
    EXPECT_EQ(16, note.GetTask(0)->task_id.GetLength());
    EXPECT_FALSE(note.RemoveAttach(L"none"));
}

class ModelNoteStore : public ModelTest::NotebookFixture {};

TEST_F(ModelNoteStore, TasksSaveAndCountUnchecked)
{
    Load();
    CNoteItem* note = book->CreateNote(Folder(L"default"), 1);
    note->AddTask(L"a", 0);
    note->AddTask(L"b", 1);
    note->AddTask(L"c", 0);
    note->SetModified(0);
    note->SaveTasks();
    EXPECT_EQ(2, note->GetRecord().num_tasks);
    EXPECT_EQ(1, note->IsModified());
    EXPECT_EQ(3, StoreInt("SELECT COUNT(*) FROM tasks"));
    note->GetTask(0)->pending_remove = 1;
    note->GetTask(1)->b_checked = 0;
    note->GetTask(1)->pending_update = 1;
    note->SaveTasks();
    EXPECT_EQ(2, StoreInt("SELECT COUNT(*) FROM tasks"));
    EXPECT_EQ(0, StoreInt("SELECT COUNT(*) FROM tasks WHERE b_checked=1"));
    note->Load(0);
    EXPECT_EQ(2, note->GetTaskCount());
}

TEST_F(ModelNoteStore, SaveNotePurgesUnreferencedAttachments)
{
    Load();
    CNoteItem* note = book->CreateNote(Folder(L"default"), 1);
    CString file = dir + L"a.txt";
    ModelTest::WriteFileBytes(file, "hello");
    ASSERT_EQ(0, book->AttachFileToNote(note, file, nullptr));
    ASSERT_EQ(0, book->AttachFileToNote(note, file, nullptr));
    note->Load(0);
    ASSERT_EQ(2, note->GetAttachCount());
    // make both image attachments (type 0); one is on the service already
    for (int i = 0; i < 2; ++i) {
        DB::CItemAttach* a = note->GetAttach(i);
        a->type = 0;
        if (i == 1)
            a->sync_url = L"https://service/x";
        db.UpdateAttach(a);
    }
    CString kept = note->GetAttach(0)->attach_id;
    std::wstring html = L"<img src=\"http://127.0.0.1:4321/attach/" + std::wstring(kept.GetString()) + L"\">";
    wchar_t* stored = nullptr;
    note->ConvertHtmlToNote(html.c_str(), (int)html.size(), stored);
    note->SetContentText(stored);
    delete[] stored;
    note->SetAttachesChanged(1);
    note->SetModified(1);
    note->SaveNote();
    EXPECT_EQ(0, note->IsModified());
    std::string mine = "SELECT COUNT(*) FROM attaches WHERE note_id='" + ModelTest::Narrow(note->GetNoteId()) + "'";
    EXPECT_EQ(1, StoreInt((mine + " AND b_removed=0").c_str()));
    EXPECT_EQ(1, StoreInt((mine + " AND b_removed=1").c_str()));  // on the service: marked, not deleted
    std::string sql = "SELECT b_syncdirty FROM notes WHERE itemid=" + std::to_string(note->GetItemId());
    EXPECT_EQ(1, StoreInt(sql.c_str()));
}

} // namespace

namespace {

// A 24-bit BMP file of the given size, all one colour.
std::string MakeBmp(int w, int h)
{
    int row = (w * 3 + 3) & ~3;
    int size = 54 + row * h;
    std::string b(size, '\0');
    auto put32 = [&](int at, int v) { memcpy(&b[at], &v, 4); };
    auto put16 = [&](int at, short v) { memcpy(&b[at], &v, 2); };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    put16(26, 1);
    put16(28, 24);
    for (int i = 54; i < size; i += 3)
        b[i] = (char)0x80;
    return b;
}

TEST_F(ModelNoteStore, PreviewFromImageAttachments)
{
    Load();
    CNoteItem* note = book->CreateNote(Folder(L"default"), 1);
    struct Case {
        int w, h;
        int made;
        int pw, ph;
    } cases[] = {
        {50, 400, 0, 0, 0},      // too narrow
        {400, 50, 0, 0, 0},      // too low
        {1000, 800, 1, 125, 100},
        {300, 160, 1, 150, 80},  // halved once: both sides were above 150
        {120, 90, 1, 120, 90},
    };
    for (const Case& c : cases) {
        DB::CItemAttach a;
        std::string bmp = MakeBmp(c.w, c.h);
        a.mime = L"image/bmp";
        a.RelocateBuffer((int64_t)bmp.size());
        memcpy(a.data, bmp.data(), bmp.size());
        a.size = (int64_t)bmp.size();
        EXPECT_EQ(c.made, note->CreatePreviewFromAttach(&a)) << c.w << "x" << c.h;
        if (c.made) {
            BITMAP bm = {};
            ASSERT_NE(nullptr, note->GetPreviewBitmap());
            GetObject(note->GetPreviewBitmap(), sizeof(bm), &bm);
            EXPECT_EQ(c.pw, bm.bmWidth);
            EXPECT_EQ(c.ph, bm.bmHeight);
        }
    }
    DB::CItemAttach text;
    text.mime = L"text/plain";
    text.RelocateBuffer(4);
    text.size = 4;
    EXPECT_EQ(0, note->CreatePreviewFromAttach(&text));

    // the stored preview comes back through the preview thread's path, by itemid
    EXPECT_TRUE(book->LoadNotePreview(note->GetItemId()));
    ASSERT_NE(nullptr, note->GetPreviewBitmap());
    EXPECT_EQ(0, note->GetPreviewFlag());
    EXPECT_FALSE(book->LoadNotePreview(987654));
}

} // namespace
