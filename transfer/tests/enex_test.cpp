// ENEX import: notes, bodies, resources, tags and dates; the streaming scanner; hostile files;
// a stop in the middle; a store failure in the middle of a note.
#include "transfer_fixture.h"
#include "EnexScanner.h"
#include "EvernoteImport.h"
#include <sqlite3.h>

using namespace Pelora;
using namespace PeloraUI::Import;
using namespace TransferTest;

namespace {

struct Res {
    std::string mime;
    std::string bytes;
    std::string extra;   // more markup inside <resource>
};

std::string Note(const std::string& title, const std::string& enml, const std::vector<std::string>& tags = {},
                 const std::vector<Res>& res = {}, const std::string& more = "")
{
    std::string t = "<note>";
    if (!title.empty())
        t += "<title>" + title + "</title>";
    t += "<content><![CDATA[<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<!DOCTYPE en-note SYSTEM \"http://xml.evernote.com/pub/enml2.dtd\"><en-note>" +
         enml + "</en-note>]]></content>";
    t += more;
    for (auto& tag : tags)
        t += "<tag>" + tag + "</tag>";
    for (auto& r : res)
        t += "<resource><data encoding=\"base64\">\n" + Base64(r.bytes) + "\n</data><mime>" + r.mime + "</mime>" +
             r.extra + "</resource>";
    return t + "</note>\n";
}

std::string Enex(const std::string& notes)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE en-export SYSTEM \"http://xml.evernote.com/pub/evernote-export3.dtd\">\n"
           "<en-export export-date=\"20240101T000000Z\" application=\"Fixture\">\n" +
           notes + "</en-export>\n";
}

std::string Media(const std::string& bytes, const std::string& type)
{
    return "<en-media hash=\"" + Md5Hex(bytes) + "\" type=\"" + type + "\" width=\"8\"/>";
}

class EnexImport : public ImportFixture {
protected:
    CNoteItem* NoteTitled(CFolderItem* f, const char* title)
    {
        for (int i = 0; f && i < f->GetNoteCount(); ++i)
            if (Utf8(f->GetNoteItem(i)->GetTitle()) == title)
                return f->GetNoteItem(i);
        return nullptr;
    }
    // Notes the store holds whole: a row in notes with its content row.
    int WholeNotes() { return Count("SELECT count(*) FROM notes n JOIN notes_content c ON c.idrec=n.content_id"); }
};

TEST_F(EnexImport, NotesWithImagesAttachmentsTagsDatesAndUnicode)
{
    std::string png = TinyPng(60, 60, 0x3366CC);
    std::string pdf = "%PDF-1.4 fixture";
    std::string notes =
        Note("\xC3\x9C" "bersicht \xE2\x98\x83", "<div>Caf\xC3\xA9 &amp; more</div>" + Media(png, "image/png"),
             {"work", " home ", ""}, {{"image/png", png}, {"application/pdf", pdf}},
             "<created>20240115T103000Z</created><updated>20240116T000000Z</updated>"
             "<note-attributes><source-url>https://example.org/a?b=1</source-url></note-attributes>") +
        Note("", Media(png, "image/png") + "<p>twice</p>" + Media(png, "image/png"), {}, {{"image/png", png}, {"image/png", png}}) +
        Note("Plain", "<div>just text</div>");
    CString path = Write(L"export.enex", Enex(notes));
    CEvernoteImport reader;
    ASSERT_TRUE(reader.ImportFile(progress.Wnd(), path)) << Utf8(reader.m_errorText);
    EXPECT_EQ(0, reader.m_skippedNotes);
    EXPECT_EQ(3, reader.m_importedNotes);
    EXPECT_EQ((std::vector<std::string>{"notes 3", "note 0 \xC3\x9C" "bersicht \xE2\x98\x83", "note 1", "note 1 no title",
                                        "note 2", "note 2 Plain", "note 3"}),
              progress.lines);

    CFolderItem* folder = FolderNamed(L"From Evernote");
    ASSERT_TRUE(folder);
    ASSERT_EQ(3, folder->GetNoteCount());
    CNoteItem* first = NoteTitled(folder, "\xC3\x9C" "bersicht \xE2\x98\x83");
    ASSERT_TRUE(first);
    EXPECT_EQ(1705314600, first->GetRecord().date_create);       // 2024-01-15 10:30:00 UTC
    EXPECT_EQ(1705363200, first->GetRecord().date_update_user);  // 2024-01-16 00:00:00 UTC
    EXPECT_EQ("https://example.org/a?b=1", Utf8(first->GetRecord().url));
    EXPECT_EQ((std::vector<std::string>{"work", "home"}), TagsOf(first));
    EXPECT_EQ(1, first->GetRecord().b_syncdirty);

    // the image is referenced by its attachment id; the PDF is a plain attachment
    std::string imageId = Text(("SELECT attach_id FROM attaches WHERE note_id='" + Utf8(first->GetNoteId()) +
                                "' AND mime='image/png'").c_str());
    ASSERT_EQ(16u, imageId.size());
    std::string body = Body(first);
    EXPECT_NE(std::string::npos, body.find("src=\"#attacheloc:" + imageId + "#\"")) << body;
    EXPECT_NE(std::string::npos, body.find("Caf\xC3\xA9 &amp; more")) << body;
    EXPECT_EQ(std::string::npos, body.find("en-media")) << body;
    std::string noteId = Utf8(first->GetNoteId());
    EXPECT_EQ(0, Count(("SELECT type FROM attaches WHERE attach_id='" + imageId + "'").c_str()));
    EXPECT_EQ(1, Count(("SELECT type FROM attaches WHERE note_id='" + noteId + "' AND mime='application/pdf'").c_str()));
    EXPECT_EQ((int)pdf.size(), Count(("SELECT length(data) FROM attaches WHERE note_id='" + noteId +
                                      "' AND mime='application/pdf'").c_str()));
    std::string pdfName = Text(("SELECT filename FROM attaches WHERE note_id='" + noteId + "' AND mime='application/pdf'").c_str());
    EXPECT_EQ(".pdf", pdfName.substr(pdfName.size() - 4));
    EXPECT_EQ((int)png.size(), Count(("SELECT length(data) FROM attaches WHERE attach_id='" + imageId + "'").c_str()));

    // the same picture twice in a note, listed twice: one attachment, both references to it
    CNoteItem* second = NoteTitled(folder, "no title");
    ASSERT_TRUE(second);
    EXPECT_EQ(1, Count(("SELECT count(*) FROM attaches WHERE note_id='" + Utf8(second->GetNoteId()) + "'").c_str()));
    std::string id2 = Text(("SELECT attach_id FROM attaches WHERE note_id='" + Utf8(second->GetNoteId()) + "'").c_str());
    std::string body2 = Body(second);
    size_t at = body2.find("#attacheloc:" + id2 + "#");
    ASSERT_NE(std::string::npos, at) << body2;
    EXPECT_NE(std::string::npos, body2.find("#attacheloc:" + id2 + "#", at + 1)) << body2;

    // every run makes a folder of its own
    CEvernoteImport again;
    ASSERT_TRUE(again.ImportFile(nullptr, path));
    EXPECT_NE(folder, again.m_enexFolder);
    EXPECT_EQ(2, Count("SELECT count(*) FROM folders WHERE folder_name='From Evernote'"));
    EXPECT_EQ(6, Count("SELECT count(*) FROM notes n JOIN notes_content c ON c.idrec=n.content_id JOIN folders f "
                       "ON f.itemid=n.folder_id WHERE f.folder_name='From Evernote'"));
}

TEST(EnexDates, UtcTextAndBoundaries)
{
    struct Case {
        const char* text;
        bool ok;
        int value;
    } cases[] = {
        {"19700101T000000Z", true, 0},
        {"20240229T235959Z", true, 1709251199},   // leap day
        {"20230229T000000Z", false, 0},           // no such day
        {"20241301T000000Z", false, 0},
        {"20240115T246000Z", false, 0},
        {"20240115T103000", false, 0},            // no zone
        {"20240115 103000Z", false, 0},
        {"2024011AT103000Z", false, 0},
        {"20380119T031407Z", true, 2147483647},   // the last second the store holds
        {"20380119T031408Z", false, 0},
        {"19691231T235959Z", false, 0},
        {"", false, 0},
    };
    for (const Case& c : cases) {
        int v = -1;
        EXPECT_EQ(c.ok, ParseEnexDate(c.text, v)) << c.text;
        if (c.ok) {
            EXPECT_EQ(c.value, v) << c.text;
        }
    }
    int unused = 0;
    EXPECT_FALSE(ParseEnexDate(nullptr, unused));
}

TEST(EnexNames, ExtensionsFromMimeTypes)
{
    const char* cases[][2] = {
        {"image/png", "png"}, {"image/JPEG", "jpeg"}, {"image/svg+xml", "svg"}, {"image/../../x", "bin"},
        {"application/x-zip", "x"}, {"text", "text"}, {"image/", "bin"}, {"a/b\\c", "b"},
        {"image/aaaaaaaaaaaaaaaaaaaa", "aaaaaaaaaa"}, {"image/con", "con"},
    };
    for (auto& c : cases)
        EXPECT_EQ(c[1], Utf8(ExtensionForMime(CString(c[0])))) << c[0];
    const char* types[][2] = {
        {"image/png", "image/png"}, {"application/vnd.ms-excel", "application/vnd.ms-excel"},
        {"image/../../x", "application/octet-stream"}, {"image/png\r\nX-Evil: 1", "application/octet-stream"},
        {"/png", "application/octet-stream"}, {"image/", "application/octet-stream"},
        {"a/b/c", "application/octet-stream"}, {"text/plain; charset=utf-8", "application/octet-stream"},
    };
    for (auto& t : types)
        EXPECT_EQ(t[1], Utf8(CleanMimeType(CString(t[0])))) << t[0];
}

// The scanner finds each note element once, whatever the block size and wherever the
// look-alikes stand: inside CDATA, comments, attribute values and processing instructions.
TEST(EnexScanner, EachNoteOnceAcrossBlocks)
{
    std::string tricky =
        "<?xml version=\"1.0\"?><!DOCTYPE x [ <!ENTITY a \"<note>\"> ]><en-export>"
        "<!-- <note><title>in a comment</title></note> -->"
        "<note><title>one</title><content><![CDATA[<en-note></note><note>]]]]></en-note>]]></content></note>"
        "<?pi <note> ?>"
        "<note a=\"</note>\" b='>'><title>two</title></note>"
        "<notes><title>not a note</title></notes>"
        "<note/>"
        "<note><title>three</title><resource><data>QUJD</data><data/></resource></note>"
        "</en-export>";
    CString path = ModelTest::MakeTempDir();
    CString file = path + L"t.enex";
    ModelTest::WriteFileBytes(file, tricky);
    size_t saved = CEnexScanner::s_blockBytes;
    for (size_t block : {1u, 2u, 7u, 16u, 4096u}) {
        CEnexScanner::s_blockBytes = block;
        CEnexScanner scanner;
        CString error;
        ASSERT_TRUE(scanner.Open(file, path, error));
        CEnexNote note;
        CString reason;
        std::vector<std::string> xml;
        std::vector<size_t> dataCounts;
        std::string data0;
        while (scanner.Next(note, reason) == CEnexScanner::NoteReady) {
            xml.push_back(note.xml);
            dataCounts.push_back(note.data.size());
            if (!note.data.empty())
                data0 = note.data[0].bytes;
        }
        ASSERT_EQ(4u, xml.size()) << "block " << block;
        EXPECT_EQ("<note><title>one</title><content><![CDATA[<en-note></note><note>]]]]></en-note>]]></content></note>", xml[0]);
        EXPECT_EQ("<note a=\"</note>\" b='>'><title>two</title></note>", xml[1]);
        EXPECT_EQ("<note/>", xml[2]);
        EXPECT_EQ("<note><title>three</title><resource><data></data><data/></resource></note>", xml[3]);
        EXPECT_EQ(2u, dataCounts[3]);
        EXPECT_EQ("ABC", data0);
    }
    CEnexScanner::s_blockBytes = saved;
    ModelTest::RemoveTree(path);
}

// Hostile files: each gives a clear account and loses nothing already stored.
TEST_F(EnexImport, HostileFilesTable)
{
    std::string png = TinyPng(60, 60, 0x00AA00);
    struct Case {
        const char* name;
        std::string file;
        bool ok;
        std::vector<std::string> titles;   // notes imported, in order
        int skipped;
        const char* reason;                // part of the first skip reason or of the error
        int attaches;                      // attachments made by the run
    } cases[] = {
        {"truncated", Enex(Note("kept", "x") + "<note><title>cut").substr(0, Enex(Note("kept", "x")).size() + 4),
         true, {"kept"}, 1, "ends inside a note", 0},
        {"cdata never ends", Enex(Note("kept", "x") + "<note><title>t</title><content><![CDATA[<en-note>forever"),
         true, {"kept"}, 1, "ends inside a note", 0},
        {"invalid utf-8", Enex(Note("bad \xFF\xFE title", "<div>\xC3</div>")), true, {"bad \xEF\xBF\xBD\xEF\xBF\xBD title"}, 0, "", 0},
        {"not well-formed note", Enex(Note("fine", "x") + "<note><title>x</titl></note>"), true, {"fine"}, 1,
         "not well-formed", 0},
        {"base64 with garbage",
         Enex("<note><title>g</title><resource><data>QUJD*!$%QUJD</data><mime>application/pdf</mime></resource>"
              "<resource><data>QU=JD</data><mime>text/plain</mime></resource>"
              "<resource><data>QUJDRA=</data><mime>text/plain</mime></resource></note>"),
         true, {"g"}, 0, "", 1},
        {"hostile mime and file name",
         Enex(Note("m", Media(png, "image/../../x"), {}, {{"image/../../x", png,
              "<resource-attributes><file-name>..\\..\\CON</file-name></resource-attributes>"}})),
         true, {"m"}, 0, "", 1},
        {"no notes at all", "\x89PNG garbage \x00\x01 not xml", true, {}, 0, "", 0},
        {"missing file", "", false, {}, 0, "file not found", 0},
    };
    // something already stored that no import may touch
    CNoteItem* before = book->CreateNote(book->GetFolder(kDefaultFolderId, 1), 1);
    before->SetTitle(L"stored before");
    db.UpdateNote(&before->GetRecord(), 1);
    int beforeItem = before->GetItemId();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CString path = std::string(c.name) == "missing file" ? dir + L"nothing.enex" : Write(L"hostile.enex", c.file);
        int attachesBefore = Count("SELECT count(*) FROM attaches");
        CEvernoteImport reader;
        EXPECT_EQ(c.ok, !!reader.ImportFile(nullptr, path));
        EXPECT_EQ(c.skipped, reader.m_skippedNotes);
        CString said = c.ok ? reader.m_skipReason : reader.m_errorText;
        EXPECT_NE(-1, said.Find(CString(c.reason))) << Utf8(said);
        std::vector<std::string> titles;
        for (int i = 0; reader.m_enexFolder && i < reader.m_enexFolder->GetNoteCount(); ++i)
            titles.push_back(Utf8(reader.m_enexFolder->GetNoteItem(i)->GetTitle()));
        EXPECT_EQ(c.titles, titles);
        EXPECT_EQ(c.attaches, Count("SELECT count(*) FROM attaches") - attachesBefore);
        EXPECT_EQ(1, Count(("SELECT count(*) FROM notes WHERE note_title='stored before' AND itemid=" +
                            std::to_string(beforeItem)).c_str()));
    }
    // the garbage case kept only the clean resource ("ABCD"); the hostile type got a clean name
    EXPECT_EQ(1, Count("SELECT count(*) FROM attaches WHERE mime='text/plain' AND length(data)=4"));
    std::string name = Text("SELECT filename FROM attaches WHERE mime='application/octet-stream'");
    EXPECT_EQ(".bin", name.substr(name.size() - 4)) << name;
    EXPECT_EQ(std::string::npos, name.find("..")) << name;
    EXPECT_EQ(std::string::npos, name.find("CON")) << name;
}

// A note of more than the text limit is skipped and counted; the notes around it come in.
TEST_F(EnexImport, HugeElementIsSkipped)
{
    CString path = dir + L"huge.enex";
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    auto put = [&](const std::string& s) {
        DWORD n = 0;
        WriteFile(f, s.data(), (DWORD)s.size(), &n, nullptr);
    };
    std::string head = Enex(Note("before", "x"));
    put(head.substr(0, head.size() - 13));   // without "</en-export>\n"
    put("<note><title>");
    std::string chunk(1 << 20, 'A');
    for (int i = 0; i < 200; ++i)
        put(chunk);
    put("</title></note>");
    put(Note("after", "y"));
    put("</en-export>\n");
    CloseHandle(f);
    CEvernoteImport reader;
    ASSERT_TRUE(reader.ImportFile(nullptr, path));
    EXPECT_EQ(1, reader.m_skippedNotes);
    EXPECT_NE(-1, reader.m_skipReason.Find(L"larger than 64 MB")) << Utf8(reader.m_skipReason);
    ASSERT_EQ(2, reader.m_enexFolder->GetNoteCount());
    EXPECT_EQ("before", Utf8(reader.m_enexFolder->GetNoteItem(0)->GetTitle()));
    EXPECT_EQ("after", Utf8(reader.m_enexFolder->GetNoteItem(1)->GetTitle()));
}

// A stop requested while a note is being imported ends the run after that note: every note in
// the store is whole, with its body and its attachment.
TEST_F(EnexImport, StopInTheMiddleLeavesWholeNotes)
{
    std::string notes;
    for (int i = 0; i < 10; ++i) {
        std::string png = TinyPng(60, 60, 0x010101u * (unsigned)(i + 1));
        notes += Note("n" + std::to_string(i), "<div>body " + std::to_string(i) + "</div>" + Media(png, "image/png"), {"t"},
                      {{"image/png", png}});
    }
    CString path = Write(L"stop.enex", Enex(notes));
    int wholeBefore = WholeNotes();
    CEvernoteImport reader;
    struct Ctx {
        CEvernoteImport* reader;
    } ctx{&reader};
    progress.onNoteData = &ctx;
    progress.onNote = [](void* data, WPARAM index, const wchar_t* title) {
        if (index == 3 && title)
            InterlockedExchange(&((Ctx*)data)->reader->m_stopRequest, 1);
    };
    ASSERT_TRUE(reader.ImportFile(progress.Wnd(), path));
    ASSERT_EQ(4, reader.m_importedNotes);
    ASSERT_EQ(4, reader.m_enexFolder->GetNoteCount());
    EXPECT_EQ(wholeBefore + 4, WholeNotes());
    EXPECT_EQ(4, Count("SELECT count(*) FROM attaches WHERE length(data) > 0 AND mime='image/png'"));
    for (int i = 0; i < 4; ++i) {
        CNoteItem* n = reader.m_enexFolder->GetNoteItem(i);
        std::string body = Body(n);
        EXPECT_NE(std::string::npos, body.find("body " + std::to_string(i))) << body;
        std::string id = Text(("SELECT attach_id FROM attaches WHERE note_id='" + Utf8(n->GetNoteId()) + "'").c_str());
        EXPECT_NE(std::string::npos, body.find("#attacheloc:" + id + "#")) << body;
    }
    EXPECT_EQ("note 4", progress.lines.back());
}

// The store refuses a write in the middle of a note: that note leaves no row at all, the notes
// before it stay whole, and the run reports the failure.
TEST_F(EnexImport, StoreFailureInsideANoteLeavesNoPart)
{
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db.GetHandle(),
                                      "CREATE TRIGGER refuse BEFORE INSERT ON attaches WHEN NEW.mime='image/gif' "
                                      "BEGIN SELECT RAISE(ABORT, 'disk full'); END;",
                                      nullptr, nullptr, nullptr));
    std::string png = TinyPng(60, 60, 0x112233);
    std::string notes = Note("ok", Media(png, "image/png"), {"x"}, {{"image/png", png}}) +
                        Note("boom", "<div>never</div>", {"y"}, {{"image/png", png + "1"}, {"image/gif", "GIF89a"}}) +
                        Note("later", "z");
    int notesBefore = Count("SELECT count(*) FROM notes");
    int attachesBefore = Count("SELECT count(*) FROM attaches");
    int lastAttachBefore = Count("SELECT ifnull(max(itemid), 0) FROM attaches");
    CEvernoteImport reader;
    EXPECT_FALSE(reader.ImportFile(nullptr, Write(L"fail.enex", Enex(notes))));
    EXPECT_NE(-1, reader.m_errorText.Find(L"cannot be written")) << Utf8(reader.m_errorText);
    EXPECT_EQ(1, Count("SELECT count(*) FROM notes") - notesBefore);
    EXPECT_EQ(0, Count("SELECT count(*) FROM notes WHERE note_title='boom'"));
    EXPECT_EQ(1, Count("SELECT count(*) FROM attaches") - attachesBefore);
    EXPECT_EQ(0, Count("SELECT count(*) FROM notes_content WHERE idrec NOT IN (SELECT content_id FROM notes)"));
    EXPECT_EQ(0, Count(("SELECT count(*) FROM attaches WHERE note_id NOT IN (SELECT note_id FROM notes) AND itemid > " +
                        std::to_string(lastAttachBefore)).c_str()));
    ASSERT_EQ(1, reader.m_enexFolder->GetNoteCount());
    EXPECT_EQ("ok", Utf8(reader.m_enexFolder->GetNoteItem(0)->GetTitle()));
}

} // namespace
