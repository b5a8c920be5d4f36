// The JSON export and import: the file layout, escaping, and a whole notebook exported and read
// into an empty database.
#include "model_fixture.h"
#include "NotebookJson.h"
#include <json/json.h>
#include <memory>

using namespace Pelora;
using ModelTest::Narrow;

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

class CountingProgress : public IExportProgress {
public:
    void SetTotal(int n) override { total = n; }
    void NoteProgress(int count, const wchar_t* title) override
    {
        steps.push_back(std::to_string(count) + (title ? " " + Narrow(title) : ""));
    }
    int total = -1;
    std::vector<std::string> steps;
};

Json::Value Parse(const std::string& text)
{
    Json::CharReaderBuilder b;
    Json::Value v;
    std::string errors;
    std::unique_ptr<Json::CharReader> r(b.newCharReader());
    EXPECT_TRUE(r->parse(text.data(), text.data() + text.size(), &v, &errors)) << errors << "\n" << text;
    return v;
}

class ModelJson : public ModelTest::NotebookFixture {};

TEST_F(ModelJson, EmptyNotebookLayout)
{
    Load();
    StringOutput out;
    CountingProgress progress;
    EXPECT_EQ(1, book->ExportToJson(&progress, &out, dir));
    EXPECT_EQ(0, progress.total);
    const std::string& t = out.text;
    EXPECT_EQ(0u, t.find("[\r\n  {\r\n  \"version\":\"1.0\"\r\n  },\r\n  {\r\n  \"elem_type\":\"folder\",\r\n"
                          "  \"folder_id\":\"default\",\r\n"));
    EXPECT_EQ(t.size() - 9, t.rfind("  {}\r\n]\r\n"));
    Json::Value v = Parse(t);
    ASSERT_TRUE(v.isArray());
    ASSERT_EQ(6u, v.size());
    const char* order[] = {"default", "usr_folder", "conflict_folder", "trash"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(order[i], v[i + 1]["folder_id"].asString());
        EXPECT_TRUE(v[i + 1]["notes"].isArray());
    }
    // "conflict_folder" sits below "usr_folder" but is written once, on its own
    EXPECT_EQ(0u, v[2]["subfolders"].size());
    EXPECT_TRUE(v[5].isObject() && v[5].empty());
}

TEST_F(ModelJson, EscapingAndRemovedNotes)
{
    DB::CItemFolder* f = AddFolderRow(L"q", L"Say \"hi\" \\ there", L"usr_folder");
    AddNoteRow(L"n1", L"Title \"q\"", f->itemid, L"<p class=\"a\">line\r\nback\\slash\ttab</p>");
    DB::CItemNote* gone = AddNoteRow(L"n2", L"Gone", f->itemid);
    Load();
    book->GetNote(L"n2")->GetRecord().b_removed = 1;  // removed meanwhile, still attached
    (void)gone;
    StringOutput out;
    CountingProgress progress;
    book->ExportToJson(&progress, &out, dir);
    Json::Value v = Parse(out.text);
    const Json::Value& folder = v[2]["subfolders"][0];
    EXPECT_EQ("Say \"hi\" \\ there", folder["folder_name"].asString());
    ASSERT_EQ(1u, folder["notes"].size());
    EXPECT_EQ("Title \"q\"", folder["notes"][0]["note_title"].asString());
    EXPECT_EQ("<p class=\"a\">line\r\nback\\slash\ttab</p>", folder["notes"][0]["content_data"].asString());
    EXPECT_EQ(1, progress.total);  // the removed note is not counted either
    EXPECT_EQ((std::vector<std::string>{"0 Title \"q\"", "1"}), progress.steps);
}

TEST(ModelJsonPaths, AttachmentPathsStayInTheExportFolder)
{
    struct Case {
        const wchar_t* pathname;
        const wchar_t* expected;
    } cases[] = {
        {L".\\files\\a.png", L"C:\\exp\\files\\a.png"},
        {L"./files/b.png", L"C:\\exp\\files\\b.png"},
        {L"files\\c.png", L"C:\\exp\\files\\c.png"},
        {L".\\files\\..\\..\\secret.txt", L""},
        {L"..\\secret.txt", L""},
        {L"C:\\Windows\\win.ini", L""},
        {L"\\\\server\\share\\x", L""},
        {L"\\root.txt", L""},
        {L".\\files\\a.png:stream", L""},
        {L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, ResolveImportPath(L"C:\\exp", c.pathname)) << Narrow(c.pathname);
    EXPECT_EQ(L"", ResolveImportPath(nullptr, L"a.png"));
}

TEST_F(ModelJson, ExportThenImportIntoAnEmptyDatabase)
{
    DB::CItemFolder* work = AddFolderRow(L"work", L"Work", L"usr_folder");
    AddFolderRow(L"deep", L"Deep", L"work");
    AddNoteRow(L"n1", L"First", 1, L"<p><!checkbox checked />done</p>");
    AddNoteRow(L"n2", L"Second \u00e9\u4e2d", work->itemid, L"<p>unicode \u00e9\u4e2d</p>");
    AddNoteRow(L"nc", L"Conflicted", 4);
    Load();
    CNoteItem* n1 = book->GetNote(L"n1");
    CNoteItem* n2 = book->GetNote(L"n2");
    std::vector<CString> tags{L"alpha", L"beta"};
    book->SetNoteTags(&tags, n1, 0);
    n1->AddTask(L"buy milk", 0);
    n1->AddTask(L"call", 1);
    n1->SaveTasks();
    std::string bytes;
    for (int i = 0; i < 300; ++i)
        bytes += (char)(i * 7);
    CString src = dir + L"blob.bin";
    ModelTest::WriteFileBytes(src, bytes);
    ASSERT_EQ(0, book->AttachFileToNote(n2, src, nullptr));
    n2->Load(0);
    CString oldAttach = n2->GetAttach(0)->attach_id;
    n2->SetContentText(L"<p>see <img src=\"#attacheloc:" + oldAttach + L"#\"></p>");
    db.NoteUpdateContent(&n2->GetRecord());

    CString exportDir = dir + L"export\\";
    CreateDirectoryW(exportDir, nullptr);
    CreateDirectoryW(exportDir + L"files\\", nullptr);
    StringOutput out;
    book->ExportToJson(nullptr, &out, exportDir + L"files\\");
    ModelTest::WriteFileBytes(exportDir + L"notes.json", out.text);

    int n1Created = n1->GetRecord().date_create;
    // a second, empty database
    delete book;
    book = nullptr;
    db.CloseDatabase();
    CString dir2 = ModelTest::MakeTempDir();
    DB::CPeloraDatabase db2;
    ASSERT_EQ(1, db2.OpenDatabase(dir2 + L"database.db", 1));
    {
        CNotebook book2(&db2);
        ASSERT_EQ(1, book2.LoadNotebook());
        CJsonNoteImporter importer(exportDir);
        ASSERT_TRUE(importer.ImportText(ModelTest::ReadFileBytes(exportDir + L"notes.json").c_str()));
        EXPECT_EQ(3, importer.GetImportedCount());
        EXPECT_EQ(1, book2.FindFolder(L"conflict_folder")->GetNoteCount());

        CFolderItem* def = book2.FindFolder(L"default");
        ASSERT_EQ(1, def->GetNoteCount());
        CNoteItem* c1 = def->GetNoteItem(0);
        c1->Load(0);
        EXPECT_EQ(L"First", c1->GetTitle());
        EXPECT_EQ(L"<p><!checkbox checked />done</p>", CString(c1->GetRecord().GetContentText()));
        EXPECT_EQ(tags, c1->GetTags());
        ASSERT_EQ(2, c1->GetTaskCount());
        EXPECT_EQ(L"buy milk", c1->GetTask(0)->task_info);
        EXPECT_EQ(1, c1->GetTask(1)->b_checked);
        EXPECT_EQ(n1Created, c1->GetRecord().date_create);

        CFolderItem* work2 = book2.FindFolder(L"usr_folder")->FindChildFolder(L"work", -1);
        ASSERT_NE(nullptr, work2);
        EXPECT_EQ(1, work2->GetFolderCount());  // "Deep" came along
        ASSERT_EQ(1, work2->GetNoteCount());
        CNoteItem* c2 = work2->GetNoteItem(0);
        c2->Load(0);
        EXPECT_EQ(L"Second \u00e9\u4e2d", c2->GetTitle());
        ASSERT_EQ(1, c2->GetAttachCount());
        DB::CItemAttach* a = c2->GetAttach(0);
        EXPECT_NE(oldAttach, a->attach_id);
        EXPECT_EQ(L"<p>see <img src=\"#attacheloc:" + a->attach_id + L"#\"></p>", CString(c2->GetRecord().GetContentText()));
        ASSERT_EQ(1, db2.LoadAttachContent(a));
        ASSERT_EQ((int64_t)bytes.size(), a->size);
        EXPECT_EQ(bytes, std::string((const char*)a->data, (size_t)a->size));
        EXPECT_EQ(L"blob.bin", a->filename);

        // importing the same file again merges the folders by name
        CJsonNoteImporter again(exportDir);
        again.ImportText(ModelTest::ReadFileBytes(exportDir + L"notes.json").c_str());
        EXPECT_EQ(2, book2.FindFolder(L"usr_folder")->GetFolderCount());  // conflicts and work, nothing new
        EXPECT_EQ(2, work2->GetNoteCount());
    }
    db2.CloseDatabase();
    ModelTest::RemoveTree(dir2);
    // the fixture's tear-down expects a notebook
    book = new CNotebook(&db);
}

} // namespace
