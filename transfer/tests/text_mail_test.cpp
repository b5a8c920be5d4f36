// Text files as notes (encodings, escaping, bounds) and the mail import descriptor (writer and
// reader, image sources, files outside the add-in's folder).
#include "transfer_fixture.h"
#include "TextImport.h"
#include "NoteImportHelper.h"
#include "TextConv.h"

using namespace Pelora;
using namespace PeloraUI::Import;
using namespace TransferTest;

namespace {

// Records what the importers show and make active.
class RecordingUi : public IImportUi {
public:
    void ShowMessage(const CString& text, const CString& caption) override
    {
        messages.push_back(Utf8(caption) + "|" + Utf8(text));
    }
    CFolderItem* GetActiveFolder() override { return active; }
    void SetActiveNote(CFolderItem* folder, CNoteItem* note) override
    {
        activated.push_back(note);
        (void)folder;
    }
    void RefreshViews(CFolderItem*, CNoteItem*) override { ++refreshed; }
    std::vector<std::string> messages;
    std::vector<CNoteItem*> activated;
    CFolderItem* active = nullptr;
    int refreshed = 0;
};

class UiFixture : public ImportFixture {
protected:
    void SetUp() override
    {
        ImportFixture::SetUp();
        SetImportUi(&ui);
    }
    void TearDown() override
    {
        SetImportUi(nullptr);
        ImportFixture::TearDown();
    }
    RecordingUi ui;
};

class TextImportTest : public UiFixture {};

TEST_F(TextImportTest, EncodingsEscapingAndPreview)
{
    std::string utf16("\xFF\xFE", 2);
    for (wchar_t c : std::wstring(L"wide \u00e9\u4e2d <b>"))
        utf16 += std::string{(char)(c & 255), (char)(c >> 8)};
    struct Case {
        const wchar_t* name;
        std::string bytes;
        std::string body;
    } cases[] = {
        {L"lines.txt", "a\r\nb\r\nc", "<div>a\r\nb\r\nc</div>"},
        {L"utf8.txt", "caf\xC3\xA9 \xE2\x82\xAC", "<div>caf\xC3\xA9 \xE2\x82\xAC</div>"},
        {L"bom.txt", "\xEF\xBB\xBF" "bom", "<div>bom</div>"},
        {L"utf16.txt", utf16, "<div>wide \xC3\xA9\xE4\xB8\xAD &lt;b&gt;</div>"},
        {L"cp1251.txt", "\xCF\xF0\xE8\xE2\xE5\xF2", "<div>\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82</div>"},
        {L"markup.txt", "<script>alert(1)</script> & \"q\"",
         "<div>&lt;script&gt;alert(1)&lt;/script&gt; &amp; &quot;q&quot;</div>"},
        {L"empty.txt", "", "<div></div>"},
        {L"zero.txt", std::string("a\0b", 3), "<div>ab</div>"},
    };
    ui.active = book->GetFolder(kDefaultFolderId, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.name));
        CString path = Write(c.name, c.bytes);
        CImportFileText text;
        CNoteItem* note = text.LoadFile(path);
        ASSERT_TRUE(note);
        EXPECT_EQ(c.body, Body(note));
        EXPECT_EQ(Utf8(path), Utf8(note->GetTitle()));
        EXPECT_EQ(note, ui.activated.back());
        int bytes = Count(("SELECT length(c.data) FROM notes n JOIN notes_content c ON c.idrec=n.content_id WHERE n.itemid=" +
                           std::to_string(note->GetItemId())).c_str());
        CString wide;
        Utf8ToWide(c.body.c_str(), wide);
        EXPECT_EQ(2 * wide.GetLength(), bytes);   // the stored size is the body's, nothing past it
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TextImportTest, PreviewFolderAndMissingFile)
{
    CString path = Write(L"long.txt", std::string(300, 'z'));
    ui.active = book->GetFolder(kTrashFolderId, 1);
    int before = book->GetFolder(kDefaultFolderId, 1)->GetNoteCount();
    CImportFileText text;
    CNoteItem* note = text.LoadFile(path);
    ASSERT_TRUE(note);
    EXPECT_EQ(before + 1, book->GetFolder(kDefaultFolderId, 1)->GetNoteCount());
    EXPECT_EQ(std::string(200, 'z'), Text(("SELECT p.preview_text FROM notes n JOIN notes_preview p ON "
                                           "p.pview_id=n.preview_id WHERE n.itemid=" + std::to_string(note->GetItemId())).c_str()));
    EXPECT_EQ(1, ui.refreshed);

    int notes = Count("SELECT count(*) FROM notes");
    EXPECT_FALSE(text.LoadFile(dir + L"missing.txt"));
    ASSERT_EQ(1u, ui.messages.size());
    EXPECT_EQ("|Can't open file: " + Utf8(dir) + "missing.txt", ui.messages[0]);
    EXPECT_EQ(notes, Count("SELECT count(*) FROM notes"));
}

// --- mail descriptor

class MailTest : public UiFixture {
protected:
    void SetUp() override
    {
        UiFixture::SetUp();
        temp = dir + L"mailtemp\\";
        CreateDirectoryW(temp, nullptr);
    }
    CString Put(const wchar_t* name, const std::string& bytes)
    {
        ModelTest::WriteFileBytes(temp + name, bytes);
        return temp + name;
    }
    int Import(const CString& xml, CFolderItem* folder = nullptr)
    {
        CNoteImportHelper helper(folder);
        helper.m_allowedDir = temp;
        int r = helper.ImportFromXml(xml);
        last = helper.m_lastNote;
        refused = helper.m_refusedPaths;
        return r;
    }
    CString temp;
    CNoteItem* last = nullptr;
    int refused = 0;
};

TEST_F(MailTest, WriterEscapesAndTheReaderTakesItBack)
{
    CMailDescriptor mail;
    mail.tempDir = temp + L"it's\\";
    CreateDirectoryW(mail.tempDir, nullptr);
    mail.bodyId = L"0123456789abcdef";
    mail.saveAttachments = true;
    mail.title = L"Q&A <today> 'quoted'";
    mail.tags = {L"a&b", L"c"};
    mail.attachmentNames = {L"it's.txt"};
    CString xml = WriteMailDescriptor(mail);
    EXPECT_EQ("<?xml version=\"1.0\" standalone='no' ?>\n<folder>\n"
              "  <note  pathname='" + Utf8(temp) + "it&apos;s\\email_0123456789abcdef.htm' b_save_attachments='1'>\n"
              "    <title>Q&amp;A &lt;today&gt; 'quoted'</title>\n"
              "    <tag>a&amp;b</tag>\n    <tag>c</tag>\n"
              "    <attachment pathname='" + Utf8(temp) + "it&apos;s\\it&apos;s.txt' filename='it&apos;s.txt' />\n"
              "  </note>\n</folder>\n",
              Utf8(xml));
    ModelTest::WriteFileBytes(mail.tempDir + L"email_0123456789abcdef.htm", "<p>Hello <img src=\"cid:it's.txt@x\"></p>");
    ModelTest::WriteFileBytes(mail.tempDir + L"it's.txt", "attached");
    CNoteImportHelper helper(nullptr);
    helper.m_allowedDir = mail.tempDir;
    EXPECT_EQ(-1, helper.ImportFromXml(xml));
    ASSERT_TRUE(helper.m_lastNote);
    CNoteItem* n = helper.m_lastNote;
    EXPECT_EQ(L"Q&A <today> 'quoted'", n->GetTitle());
    EXPECT_EQ((std::vector<std::string>{"a&b", "c"}), TagsOf(n));
    std::string id = Text(("SELECT attach_id FROM attaches WHERE note_id='" + Utf8(n->GetNoteId()) + "'").c_str());
    EXPECT_EQ("<p>Hello <img src=\"#attacheloc:" + id + "#\"></p>", Body(n));
    EXPECT_EQ(book->FindFolder(kDefaultFolderId), n->GetFolder());
    EXPECT_EQ(n, ui.activated.back());
    EXPECT_EQ(1, Count(("SELECT type FROM attaches WHERE attach_id='" + id + "'").c_str()));
}

TEST_F(MailTest, ImageSourcesTable)
{
    CAttachNameMap map;
    map[L"pic.png"] = L"ID1";
    struct Case {
        const wchar_t* html;
        const wchar_t* out;
    } cases[] = {
        {L"<img src=\"cid:pic.png@01D2\">", L"<img src=\"#attacheloc:ID1#\">"},
        {L"<IMG SRC='pic.png'>", L"<IMG SRC='#attacheloc:ID1#'>"},
        {L"<img src=\"http://example.org/a.png\">", L"<img src=\"http://example.org/a.png\">"},
        {L"<img src=\"HTTPS://example.org/a.png\">", L"<img src=\"HTTPS://example.org/a.png\">"},
        {L"<img src=\"file:///C:/x.png\">", L"<img src=\"about:blank\">"},
        {L"<img src=\"cid:other.png@x\">", L"<img src=\"about:blank\">"},
        {L"<img src=\"javascript:alert(1)\">", L"<img src=\"about:blank\">"},
        {L"<img src=unquoted.png>", L"<img src=unquoted.png>"},
        {L"<img src = \"pic.png\">", L"<img src = \"pic.png\">"},
        {L"<script src=\"pic.png\"></script>", L"<script src=\"pic.png\"></script>"},
        {L"<p>pic.png</p><img alt=\"pic.png\" src=\"pic.png\">", L"<p>pic.png</p><img alt=\"pic.png\" src=\"#attacheloc:ID1#\">"},
        {L"<img src=\"pic.png", L"<img src=\"#attacheloc:ID1#"},
    };
    for (const Case& c : cases) {
        CString got = CNoteImportHelper::RewriteImageSources(c.html, (int)wcslen(c.html), map);
        EXPECT_EQ(Utf8(c.out), Utf8(got)) << Utf8(c.html);
    }
}

TEST_F(MailTest, AttachmentsBelongToTheirOwnNote)
{
    Put(L"email_a.htm", "<img src=\"cid:shared.png@1\">");
    Put(L"email_b.htm", "<img src=\"cid:shared.png@1\"><img src=\"cid:mine.png@2\">");
    Put(L"shared.png", "png-a");
    Put(L"mine.png", "png-b");
    CString xml = L"<?xml version=\"1.0\" standalone='no' ?>\n<folder>\n"
                  L"  <note  pathname='" + temp + L"email_a.htm' b_save_attachments='0'>\n    <title>A</title>\n"
                  L"    <attachment pathname='" + temp + L"shared.png' filename='shared.png' />\n  </note>\n"
                  L"  <note  pathname='" + temp + L"email_b.htm' b_save_attachments='1'>\n    <title>B</title>\n"
                  L"    <attachment pathname='" + temp + L"mine.png' filename='mine.png' />\n  </note>\n</folder>\n";
    EXPECT_EQ(-1, Import(xml));
    ASSERT_TRUE(last);
    EXPECT_EQ(L"B", last->GetTitle());
    std::string mine = Text(("SELECT attach_id FROM attaches WHERE note_id='" + Utf8(last->GetNoteId()) + "'").c_str());
    // B does not get A's picture: its own map holds only mine.png
    EXPECT_EQ("<img src=\"about:blank\"><img src=\"#attacheloc:" + mine + "#\">", Body(last));
    EXPECT_EQ(1, Count("SELECT count(*) FROM notes WHERE note_title='A'"));
    EXPECT_EQ(1, Count("SELECT count(*) FROM attaches WHERE filename='shared.png'"));
    EXPECT_EQ(last, ui.activated.back());
    EXPECT_EQ(1u, ui.activated.size());
}

// Files outside the add-in's folder are refused, whatever path names them; the note still comes.
TEST_F(MailTest, PathsOutsideTheFolderAreRefused)
{
    ModelTest::WriteFileBytes(dir + L"outside.htm", "<p>secret body</p>");
    ModelTest::WriteFileBytes(dir + L"outside.txt", "secret");
    CreateDirectoryW(temp + L"sub", nullptr);
    ModelTest::WriteFileBytes(temp + L"sub\\deep.txt", "deep");
    Put(L"ok.txt", "fine");
    struct Case {
        CString path;
        bool accepted;
    } cases[] = {
        {dir + L"outside.txt", false},
        {temp + L"..\\outside.txt", false},
        {temp + L"sub\\deep.txt", false},
        {L"C:\\windows\\win.ini", false},
        {temp + L"ok.txt:stream", false},
        {temp + L"CON", false},
        {L"ok.txt", false},
        {temp + L"ok.txt", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.path));
        ui.messages.clear();
        int attaches = Count("SELECT count(*) FROM attaches");
        CString xml = L"<folder><note pathname='" + dir + L"outside.htm'><title>T</title><attachment pathname='" + c.path +
                      L"' filename='x' /></note></folder>";
        Import(xml);
        ASSERT_TRUE(last);
        EXPECT_EQ(c.accepted ? 1 : 2, refused);   // the body file outside is refused every time
        EXPECT_EQ(c.accepted ? 1 : 0, Count("SELECT count(*) FROM attaches") - attaches);
        EXPECT_EQ(std::string::npos, Body(last).find("secret"));
    }
}

TEST_F(MailTest, DescriptorsThatAreNotXmlImportNothing)
{
    int notes = Count("SELECT count(*) FROM notes");
    const wchar_t* bad[] = {L"", L"<folder><note>", L"not xml", L"<folder></note></folder>"};
    for (const wchar_t* x : bad)
        EXPECT_EQ(-1, Import(x));
    EXPECT_EQ(notes, Count("SELECT count(*) FROM notes"));
    // a note without a body file gets an empty body; no tags leave the note's own
    EXPECT_EQ(-1, Import(L"<folder><note><title>bare</title></note></folder>"));
    ASSERT_TRUE(last);
    EXPECT_EQ("", Body(last));
    EXPECT_TRUE(TagsOf(last).empty());
}

} // namespace
