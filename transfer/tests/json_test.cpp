// The program's own JSON export read back, notes with values of the wrong type, Springpad files
// with notebooks, pictures and paths that try to leave the export's folder.
#include "transfer_fixture.h"
#include "JsonImport.h"
#include "ImportWriter.h"

using namespace Pelora;
using namespace PeloraUI::Import;
using namespace TransferTest;

namespace {

class StringOutput : public IExportOutput {
public:
    bool Write(const void* bytes, int length) override
    {
        text.append(static_cast<const char*>(bytes), length);
        return true;
    }
    std::string text;
};

class JsonImportTest : public ImportFixture {
protected:
    // One exported note with tags, tasks and an attachment its body shows, written by the
    // program's own exporter into dir\export\.
    CString MakeExport()
    {
        CFolderItem* projects = book->CreateFolder(L"Projects", FolderUser, book->GetFolder(kUserFolderId, 1));
        CNoteItem* n = book->CreateNote(projects, 1);
        n->SetTitle(L"Plan \u00e9");
        std::vector<CString> tags{L"alpha", L"beta"};
        book->SetNoteTags(&tags, n, 0);
        n->AddTask(L"buy milk", 1);
        n->SaveTasks();
        CString src = dir + L"pic.bin";
        ModelTest::WriteFileBytes(src, std::string(300, 'p'));
        EXPECT_EQ(0, book->AttachFileToNote(n, src, nullptr));
        n->Load(0);
        CString attach = n->GetAttach(0)->attach_id;
        CString longText(std::wstring(250, L'x').c_str());
        n->SetContentText(L"<div>" + longText + L"<img src=\"#attacheloc:" + attach + L"#\"></div>");
        n->GetRecord().date_create = 1000;
        db.NoteUpdateContent(&n->GetRecord());
        db.UpdateNote(&n->GetRecord(), 1);
        CString exportDir = dir + L"export\\";
        CreateDirectoryW(exportDir, nullptr);
        CreateDirectoryW(exportDir + L"files\\", nullptr);
        StringOutput out;
        book->ExportToJson(nullptr, &out, exportDir + L"files\\");
        ModelTest::WriteFileBytes(exportDir + L"notes.json", out.text);
        m_projects = projects;
        m_original = n;
        return exportDir + L"notes.json";
    }
    CFolderItem* m_projects = nullptr;
    CNoteItem* m_original = nullptr;
};

TEST_F(JsonImportTest, OwnExportReadsBack)
{
    CString path = MakeExport();
    CJsonImport reader;
    ASSERT_TRUE(reader.ImportFile(progress.Wnd(), path)) << Utf8(reader.m_errorText);
    EXPECT_EQ(1, reader.m_importedNotes);
    EXPECT_EQ((std::vector<std::string>{"notes 1", "note 0 Plan \xC3\xA9", "note 1"}), progress.lines);
    ASSERT_EQ(2, m_projects->GetNoteCount());
    CNoteItem* copy = reader.GetLastNote();
    ASSERT_TRUE(copy && copy != m_original);
    copy->Load(0);
    EXPECT_EQ(L"Plan \u00e9", copy->GetTitle());
    EXPECT_EQ(1000, copy->GetRecord().date_create);
    EXPECT_EQ((std::vector<std::string>{"alpha", "beta"}), TagsOf(copy));
    ASSERT_EQ(1, copy->GetTaskCount());
    EXPECT_EQ(L"buy milk", copy->GetTask(0)->task_info);
    ASSERT_EQ(1, copy->GetAttachCount());
    CString newId = copy->GetAttach(0)->attach_id;
    EXPECT_NE(m_original->GetAttach(0)->attach_id, newId);
    EXPECT_NE(-1, CString(copy->GetRecord().GetContentText()).Find(L"#attacheloc:" + newId + L"#"));
    EXPECT_EQ(1, copy->GetRecord().b_syncdirty);
}

TEST_F(JsonImportTest, PreviewIsTheFirst200CharactersUnlessGiven)
{
    std::string longText(250, 'y');
    std::string json = "[{\"elem_type\":\"folder\",\"folder_id\":\"default\",\"notes\":["
                       "{\"note_title\":\"a\",\"content_data\":\"" + longText + "\"},"
                       "{\"note_title\":\"b\",\"content_data\":\"" + longText + "\",\"preview_text\":\"given\"}]}]";
    CJsonImport reader;
    ASSERT_TRUE(reader.ImportFile(nullptr, Write(L"p.json", json)));
    EXPECT_EQ(std::string(200, 'y'), Text("SELECT p.preview_text FROM notes n JOIN notes_preview p ON p.pview_id=n.preview_id "
                                          "WHERE n.note_title='a'"));
    EXPECT_EQ("given", Text("SELECT p.preview_text FROM notes n JOIN notes_preview p ON p.pview_id=n.preview_id "
                            "WHERE n.note_title='b'"));
}

// Every note with a value of the wrong type is left out and reported; the good notes around it
// come in; files that are not exports are refused with a reason.
TEST_F(JsonImportTest, WrongTypesAndBrokenFilesTable)
{
    struct Case {
        const char* name;
        std::string json;
        bool ok;
        int imported;
        int skipped;
        const char* said;   // part of the reason (first skip, or the error)
    } cases[] = {
        {"title is a number", "{\"note_title\":5}", true, 2, 1, "note_title"},
        {"content is an object", "{\"content_data\":{\"a\":1}}", true, 2, 1, "content_data"},
        {"date is a word", "{\"note_title\":\"d\",\"date_create\":\"soon\"}", true, 2, 1, "date_create"},
        {"tags is a text", "{\"tags\":\"x\"}", true, 2, 1, "tags"},
        {"a tag is a number", "{\"tags\":[\"ok\",3]}", true, 2, 1, "tag"},
        {"a task is a number", "{\"tasks\":[1]}", true, 2, 1, "tasks"},
        {"a path is a number", "{\"attach_list\":[{\"pathname\":7}]}", true, 2, 1, "pathname"},
        {"title is a list", "{\"note_title\":[\"a\"]}", true, 2, 1, "note_title"},
        {"page colour is an object", "{\"page_color\":{}}", true, 2, 1, "page_color"},
        {"path leaves the folder", "{\"note_title\":\"p\",\"attach_list\":[{\"pathname\":\"..\\\\..\\\\secret.txt\"},"
                                   "{\"pathname\":\"C:\\\\windows\\\\win.ini\"},{\"pathname\":\".\\\\CON\"}]}",
         true, 3, 0, ""},
        {"invalid utf-8", "{\"note_title\":\"bad \xFF title\"}", true, 3, 0, ""},
    };
    CString secret = Write(L"secret.txt", "secret");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string json = "[{\"elem_type\":\"folder\",\"folder_id\":\"default\",\"notes\":[{\"note_title\":\"before\"}," +
                           c.json + ",{\"note_title\":\"after\"}]}]";
        CString path = Write(L"sub\\t.json", "");
        CreateDirectoryW(dir + L"sub", nullptr);
        path = Write(L"sub\\t.json", json);
        int notes = Count("SELECT count(*) FROM notes");
        int attaches = Count("SELECT count(*) FROM attaches");
        CJsonImport reader;
        EXPECT_EQ(c.ok, !!reader.ImportFile(nullptr, path));
        EXPECT_EQ(c.imported, reader.m_importedNotes);
        EXPECT_EQ(c.skipped, reader.m_skippedNotes);
        EXPECT_NE(-1, reader.m_skipReason.Find(CString(c.said))) << Utf8(reader.m_skipReason);
        EXPECT_EQ(c.imported, Count("SELECT count(*) FROM notes") - notes);
        EXPECT_EQ(0, Count("SELECT count(*) FROM attaches") - attaches);
    }
    struct Broken {
        std::string json;
        const wchar_t* said;
    } broken[] = {
        {"[{\"elem_type\":\"folder\",\"notes\":[{\"note_title\":\"x\"", L"not valid JSON"},
        {"{\"elem_type\":\"folder\"}", L"not a Pelora JSON export"},
        {"", L"not valid JSON"},
        {std::string(2000, '['), L"not valid JSON"},
    };
    int notes = Count("SELECT count(*) FROM notes");
    for (const Broken& b : broken) {
        CJsonImport reader;
        EXPECT_FALSE(reader.ImportFile(nullptr, Write(L"b.json", b.json)));
        EXPECT_NE(-1, reader.m_errorText.Find(b.said)) << Utf8(reader.m_errorText);
    }
    EXPECT_EQ(notes, Count("SELECT count(*) FROM notes"));
}

TEST(WholeFileRead, BoundsAndErrors)
{
    CString d = ModelTest::MakeTempDir();
    ModelTest::WriteFileBytes(d + L"ten.txt", "0123456789");
    struct Case {
        CString path;
        int64_t max;
        bool ok;
        const wchar_t* said;
    } cases[] = {
        {d + L"ten.txt", 10, true, L""},
        {d + L"ten.txt", 9, false, L"too large"},
        {d + L"none.txt", 100, false, L"not found"},
        {d, 100, false, L"folder"},
    };
    for (const Case& c : cases) {
        char* data = nullptr;
        int n = -1;
        CString error;
        EXPECT_EQ(c.ok, ReadWholeFile(c.path, c.max, data, n, error)) << Utf8(c.path);
        EXPECT_NE(-1, error.Find(c.said)) << Utf8(error);
        if (c.ok) {
            EXPECT_EQ(10, n);
            EXPECT_EQ(std::string("0123456789\0\0\0\0\0\0\0\0", 18), std::string(data, 18));
        }
        delete[] data;
    }
    ModelTest::RemoveTree(d);
}

// --- Springpad

class SpringpadTest : public ImportFixture {};

TEST_F(SpringpadTest, NotebooksNotesBookmarksAndPictures)
{
    CreateDirectoryW(dir + L"export", nullptr);
    CreateDirectoryW(dir + L"export\\images", nullptr);
    std::string png = TinyPng(60, 60, 0x445566);
    ModelTest::WriteFileBytes(dir + L"export\\images\\a.png", png);
    ModelTest::WriteFileBytes(dir + L"export\\inside.png", png);
    ModelTest::WriteFileBytes(dir + L"outside.png", png);
    std::string abs = Utf8(dir) + "export\\\\inside.png";
    for (size_t i = 0; (i = abs.find('\\', i)) != std::string::npos; i += 2)
        if (abs[i + 1] != '\\')
            abs.insert(i, "\\");
    std::string json = "["
        "{\"type\":\"Notebook\",\"name\":\"Ideas\",\"uuid\":\"u1\"},"
        "{\"type\":\"Notebook\",\"name\":\"Ideas\",\"uuid\":\"u2\"},"
        "{\"type\":\"Note\",\"name\":\"First\",\"text\":\"<b>one</b>\",\"image\":\"images/a.png\",\"notebooks\":[\"u2\",\"u1\"]},"
        "{\"type\":\"Bookmark\",\"name\":\"Mark\",\"text\":\"http://x\",\"notebooks\":[\"u1\"]},"
        "{\"type\":\"Task\",\"name\":\"ignored\"},"
        "{\"type\":\"Note\",\"name\":\"Escape\",\"text\":\"t\",\"image\":\"..\\\\outside.png\"},"
        "{\"type\":\"Note\",\"name\":\"Absolute in\",\"text\":\"t\",\"image\":\"" + abs + "\"},"
        "{\"type\":\"Note\",\"name\":\"System\",\"text\":\"t\",\"image\":\"C:\\\\windows\\\\win.ini\"},"
        "{\"type\":\"Note\",\"name\":7}"
        "]";
    CString path = Write(L"export\\springpad.json", json);
    CSpringpadImport reader;
    reader.SetOption(true);
    ASSERT_TRUE(reader.ImportFile(progress.Wnd(), path)) << Utf8(reader.m_errorText);
    EXPECT_EQ("notes 6", progress.lines.front());
    EXPECT_EQ(5, reader.m_importedNotes);
    EXPECT_EQ(1, reader.m_skippedNotes);
    EXPECT_EQ(2, reader.m_refusedImages);
    CFolderItem* ideas = FolderNamed(L"Ideas");
    CFolderItem* ideas1 = FolderNamed(L"Ideas1");
    ASSERT_TRUE(ideas && ideas1);
    ASSERT_EQ(1, ideas1->GetNoteCount());
    ASSERT_EQ(1, ideas->GetNoteCount());
    EXPECT_EQ(L"Mark", ideas->GetNoteItem(0)->GetTitle());
    CNoteItem* first = ideas1->GetNoteItem(0);
    EXPECT_EQ(L"First", first->GetTitle());
    std::string id = Text(("SELECT attach_id FROM attaches WHERE note_id='" + Utf8(first->GetNoteId()) + "'").c_str());
    EXPECT_EQ("<img src=\"#attacheloc:" + id + "\" /><br>\n<b>one</b>", Body(first));
    EXPECT_EQ((int)png.size(), Count(("SELECT length(data) FROM attaches WHERE attach_id='" + id + "'").c_str()));
    // pictures outside the export's folder never reach the store
    EXPECT_EQ(2, Count(("SELECT count(*) FROM attaches WHERE length(data)=" + std::to_string(png.size())).c_str()));
    EXPECT_EQ(0, Count("SELECT count(*) FROM attaches WHERE filename='win.ini' OR filename='outside.png'"));
}

TEST_F(SpringpadTest, WithoutTheOptionNotesGoToTheActiveFolder)
{
    CFolderItem* active = book->CreateFolder(L"Active", FolderUser, book->GetFolder(kUserFolderId, 1));
    services.activeFolder = active;
    std::string json = "[{\"type\":\"Notebook\",\"name\":\"Ideas\",\"uuid\":\"u1\"},"
                       "{\"type\":\"Note\",\"name\":\"N\",\"text\":\"x\",\"notebooks\":[\"u1\"]}]";
    CSpringpadImport reader;
    ASSERT_TRUE(reader.ImportFile(nullptr, Write(L"s.json", json)));
    EXPECT_FALSE(FolderNamed(L"Ideas"));
    ASSERT_EQ(1, active->GetNoteCount());
    // with the trash active, "default" takes them
    services.activeFolder = book->GetFolder(kTrashFolderId, 1);
    int before = book->GetFolder(kDefaultFolderId, 1)->GetNoteCount();
    CSpringpadImport again;
    ASSERT_TRUE(again.ImportFile(nullptr, Write(L"s.json", json)));
    EXPECT_EQ(before + 1, book->GetFolder(kDefaultFolderId, 1)->GetNoteCount());
}

TEST(SpringpadPaths, OnlyInsideTheExportFolder)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* result;   // relative to the base, or "" for refused
    } cases[] = {
        {L"images/a.png", L"images\\a.png"},
        {L"a.png", L"a.png"},
        {L"..\\a.png", L""},
        {L"images\\..\\..\\a.png", L""},
        {L"C:\\base\\export\\a.png", L"a.png"},
        {L"C:\\base\\export\\..\\a.png", L""},
        {L"C:\\base\\exported\\a.png", L""},
        {L"C:\\other\\a.png", L""},
        {L"\\\\server\\share\\a.png", L""},
        {L"a.png:stream", L""},
        {L"CON", L""},
        {L"images\\nul.png", L""},
        {L"com1 .txt", L""},
        {L"C:\\base\\export\\LPT9", L""},
        {L"console.png", L"console.png"},
        {L"", L""},
    };
    for (const Case& c : cases) {
        CString got = ResolvePathInside(L"C:\\base\\export\\", c.path);
        CString want = *c.result ? CString(L"C:\\base\\export\\") + c.result : CString();
        EXPECT_EQ(Utf8(want), Utf8(got)) << Utf8(c.path);
    }
}

} // namespace
