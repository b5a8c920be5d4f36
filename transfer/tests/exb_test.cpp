// Evernote database import: notebooks as folders, bodies bounded by their blob, resources,
// tags, dates in UTC; files that are not Evernote databases.
#include "transfer_fixture.h"
#include "EvernoteImport.h"
#include <sqlite3.h>

using namespace Pelora;
using namespace PeloraUI::Import;
using namespace TransferTest;

namespace {

struct ExbNote {
    int uid;
    std::string title, notebook, notebookUid, tags;
    double created, updated;
    long long size;   // the size the row claims for its body
    std::string body; // stored in attrs.data (afl 65538)
    std::string url;
};

struct ExbResource {
    int uid, note;
    std::string mime, fileName, hash, data;
};

class ExbFile {
public:
    explicit ExbFile(const CString& path)
    {
        sqlite3_open(ModelTest::Narrow(path).c_str(), &m_db);
        Exec("CREATE TABLE note_attr (uid INTEGER, title TEXT, notebook TEXT, notebook_uid TEXT, tags TEXT, "
             "date_created REAL, date_updated REAL, is_deleted INTEGER, size INTEGER, source_url TEXT);"
             "CREATE TABLE attrs (uid INTEGER, aid INTEGER, afl INTEGER, csn INTEGER, data BLOB);"
             "CREATE TABLE resource_attr (uid INTEGER, note INTEGER, mime TEXT, width INTEGER, height INTEGER, "
             "file_name TEXT, is_attachment INTEGER, size INTEGER, hash TEXT);"
             "CREATE TABLE resources (uid INTEGER, md5 TEXT, data BLOB);");
    }
    ~ExbFile() { sqlite3_close(m_db); }
    void Exec(const std::string& sql) { ASSERT_EQ(SQLITE_OK, sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr)) << sql; }
    void Add(const ExbNote& n)
    {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(m_db, "INSERT INTO note_attr VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, 0, ?8, ?9)", -1, &s, nullptr);
        sqlite3_bind_int(s, 1, n.uid);
        sqlite3_bind_text(s, 2, n.title.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 3, n.notebook.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 4, n.notebookUid.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 5, n.tags.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(s, 6, n.created);
        sqlite3_bind_double(s, 7, n.updated);
        sqlite3_bind_int64(s, 8, n.size);
        sqlite3_bind_text(s, 9, n.url.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(s);
        sqlite3_finalize(s);
        sqlite3_prepare_v2(m_db, "INSERT INTO attrs VALUES (?1, 1, 65538, 0, ?2)", -1, &s, nullptr);
        sqlite3_bind_int(s, 1, n.uid);
        sqlite3_bind_blob(s, 2, n.body.data(), (int)n.body.size(), SQLITE_TRANSIENT);
        sqlite3_step(s);
        sqlite3_finalize(s);
    }
    void Add(const ExbResource& r)
    {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(m_db, "INSERT INTO resource_attr VALUES (?1, ?2, ?3, 8, 8, ?4, 0, ?5, ?6)", -1, &s, nullptr);
        sqlite3_bind_int(s, 1, r.uid);
        sqlite3_bind_int(s, 2, r.note);
        sqlite3_bind_text(s, 3, r.mime.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 4, r.fileName.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(s, 5, (int)r.data.size());
        sqlite3_bind_text(s, 6, r.hash.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(s);
        sqlite3_finalize(s);
        sqlite3_prepare_v2(m_db, "INSERT INTO resources VALUES (?1, ?2, ?3)", -1, &s, nullptr);
        sqlite3_bind_int(s, 1, r.uid);
        sqlite3_bind_text(s, 2, r.hash.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_blob(s, 3, r.data.data(), (int)r.data.size(), SQLITE_TRANSIENT);
        sqlite3_step(s);
        sqlite3_finalize(s);
    }

private:
    sqlite3* m_db = nullptr;
};

std::string Enml(const std::string& inner)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><en-note style=\"x\">" + inner + "</en-note>";
}

class ExbImport : public ImportFixture {
protected:
    CNoteItem* Only(CFolderItem* f)
    {
        return f && f->GetNoteCount() == 1 ? f->GetNoteItem(0) : nullptr;
    }
};

TEST_F(ExbImport, NotebooksBodiesResourcesTagsAndDates)
{
    std::string png = TinyPng(64, 64, 0xCC0000);
    std::string hash = Md5Hex(png);
    std::string body1 = Enml("<div>first</div><en-media type=\"image/png\" hash=\"" + hash + "\"/>");
    std::string body2 = Enml("<div>second-part</div>");
    CString path = dir + L"Evernote.exb";
    {
        ExbFile exb(path);
        // the row claims more than its blob holds; zero bytes after the text are cut
        exb.Add({1, "One \xE2\x9C\x93", "Work", "nb-1", "alpha, beta ,  gamma", 719163.5, 738000.25, 99999,
                 body1 + std::string(4, '\0'), "http://example.org/1"});
        // a second notebook of the same name; the row claims less than its blob holds
        exb.Add({2, "Two", "Work", "nb-2", "", 738000.0, 0.0, (long long)body2.find("-part"), body2 + "tail", ""});
        exb.Add({3, "Three", "Work", "nb-1", "alpha", 738001.999988426, 738001.0, (long long)body2.size(), body2, ""});
        exb.Add({10, 1, "image/png", "..\\..\\pic.png", hash, png});
        exb.Add({11, 1, "application/pdf", "report.pdf", std::string(32, 'b'), "%PDF fixture"});
    }
    CEvernoteImport reader;
    reader.SetOption(true);
    ASSERT_TRUE(reader.ImportFile(progress.Wnd(), path)) << Utf8(reader.m_errorText);
    EXPECT_EQ(3, reader.m_importedNotes);
    EXPECT_EQ("notes 3", progress.lines.front());

    CFolderItem* work = FolderNamed(L"Work");
    CFolderItem* work1 = FolderNamed(L"Work1");
    ASSERT_TRUE(work && work1);
    EXPECT_EQ(2, work->GetNoteCount());
    CNoteItem* two = Only(work1);
    ASSERT_TRUE(two);
    EXPECT_EQ("Two", Utf8(two->GetTitle()));
    // cut at the size the row claims, and never read past the blob
    std::string b2 = Body(two);
    EXPECT_NE(std::string::npos, b2.find("second")) << b2;
    EXPECT_EQ(std::string::npos, b2.find("part")) << b2;
    EXPECT_EQ(std::string::npos, b2.find("tail")) << b2;
    EXPECT_EQ(1627516800, two->GetRecord().date_create);   // day 738000 is 2021-07-29 00:00 UTC, not the day before
    EXPECT_EQ(1627516800, two->GetRecord().date_update_user);

    CNoteItem* one = nullptr;
    for (int i = 0; i < work->GetNoteCount(); ++i)
        if (Utf8(work->GetNoteItem(i)->GetTitle()) == "One \xE2\x9C\x93")
            one = work->GetNoteItem(i);
    ASSERT_TRUE(one);
    EXPECT_EQ(43200, one->GetRecord().date_create);                 // 1970-01-01 12:00 UTC
    EXPECT_EQ(1627516800 + 21600, one->GetRecord().date_update_user);
    EXPECT_EQ((std::vector<std::string>{"alpha", "beta", "gamma"}), TagsOf(one));
    EXPECT_EQ("http://example.org/1", Utf8(one->GetRecord().url));
    std::string b1 = Body(one);
    std::string noteId = Utf8(one->GetNoteId());
    std::string imageId = Text(("SELECT attach_id FROM attaches WHERE note_id='" + noteId + "' AND mime='image/png'").c_str());
    EXPECT_NE(std::string::npos, b1.find("src=\"#attacheloc:" + imageId + "#\"")) << b1;
    EXPECT_EQ("pic.png", Text(("SELECT filename FROM attaches WHERE attach_id='" + imageId + "'").c_str()));
    EXPECT_EQ(0, Count(("SELECT type FROM attaches WHERE attach_id='" + imageId + "'").c_str()));
    EXPECT_EQ(1, Count(("SELECT type FROM attaches WHERE note_id='" + noteId + "' AND filename='report.pdf'").c_str()));
    EXPECT_EQ(2, Count(("SELECT count(*) FROM attaches WHERE note_id='" + noteId + "'").c_str()));
}

TEST_F(ExbImport, WithoutTheOptionNotesGoToDefault)
{
    CString path = dir + L"e.exb";
    {
        ExbFile exb(path);
        exb.Add({1, "A", "Work", "nb-1", "", 738000.0, 0, 100, Enml("a"), ""});
        exb.Add({2, "B", "Home", "nb-2", "", 738000.0, 0, 100, Enml("b"), ""});
    }
    int before = book->GetFolder(kDefaultFolderId, 1)->GetNoteCount();
    CEvernoteImport reader;
    ASSERT_TRUE(reader.ImportFile(nullptr, path));
    EXPECT_EQ(before + 2, book->GetFolder(kDefaultFolderId, 1)->GetNoteCount());
    EXPECT_FALSE(FolderNamed(L"Work"));
}

TEST(ExbDates, DayNumbers)
{
    struct Case {
        double day;
        bool ok;
        int value;
    } cases[] = {
        {719163.0, true, 0}, {719163.5, true, 43200}, {719164.0, true, 86400}, {738000.999988426, true, 1627603199},
        {719162.9, false, 0}, {0.0, false, 0}, {719163.0 + 24855.2, false, 0},
    };
    for (const Case& c : cases) {
        int v = -1;
        EXPECT_EQ(c.ok, EvernoteDayToTime(c.day, v)) << c.day;
        if (c.ok) {
            EXPECT_EQ(c.value, v) << c.day;
        }
    }
}

TEST_F(ExbImport, FilesThatAreNotEvernoteDatabases)
{
    CString text = Write(L"notes.exb", "this is not a database at all, just text\n");
    CString other = dir + L"other.exb";
    {
        sqlite3* db2 = nullptr;
        sqlite3_open(ModelTest::Narrow(other).c_str(), &db2);
        sqlite3_exec(db2, "CREATE TABLE something (x);", nullptr, nullptr, nullptr);
        sqlite3_close(db2);
    }
    CString partial = dir + L"partial.exb";
    {
        sqlite3* db2 = nullptr;
        sqlite3_open(ModelTest::Narrow(partial).c_str(), &db2);
        sqlite3_exec(db2, "CREATE TABLE note_attr (uid INTEGER, title TEXT);", nullptr, nullptr, nullptr);
        sqlite3_close(db2);
    }
    struct Case {
        CString path;
        const wchar_t* message;
    } cases[] = {
        {text, L"not an Evernote database"},
        {other, L"not an Evernote database"},
        {partial, L"tables or columns are missing"},
        {dir, L"folder"},
        {dir + L"missing.exb", L"file not found"},
    };
    int notes = Count("SELECT count(*) FROM notes");
    for (const Case& c : cases) {
        CEvernoteImport reader;
        EXPECT_FALSE(reader.ImportFile(nullptr, c.path)) << Utf8(c.path);
        EXPECT_NE(-1, reader.m_errorText.Find(c.message)) << Utf8(reader.m_errorText);
    }
    EXPECT_EQ(notes, Count("SELECT count(*) FROM notes"));
}

} // namespace
