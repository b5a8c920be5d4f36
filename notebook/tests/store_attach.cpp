// Attachments: rows, content, streams, blob-or-file storage, files in and out, built-in pages.
#include "store_fixture.h"
#include "BinRes.h"
#include "DbFileHelpers.h"

using namespace StoreTest;

namespace {

DB::CItemAttach* NewAttach(const wchar_t* id, const wchar_t* note, int priority = 0)
{
    auto* a = new DB::CItemAttach;
    a->attach_id = id;
    a->note_id = note;
    a->filename = L"pic 'one'.png";
    a->mime = L"image/png";
    a->sync_priority = priority;
    return a;
}

CString MakeSparseFile(const CString& path, int64_t length)
{
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER at;
    at.QuadPart = length;
    SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
    return path;
}

} // namespace

class StoreAttach : public StoreFixture {};

TEST_F(StoreAttach, RowsContentAndFilters)
{
    DB::CItemList keep;
    const int priorities[] = {0, 5, 3, 4};
    for (int i = 0; i < 4; ++i) {
        CString id;
        id.Format(L"a'%d", i);
        DB::CItemAttach* a = NewAttach(id, i < 3 ? L"n'1" : L"n2", priorities[i]);
        a->type = i % 2;
        a->size = 3;
        ASSERT_EQ(db.CreateAttach(a), 1);
        ASSERT_GT(a->itemid, 0);
        keep.AddTail(a);
    }
    auto* first = static_cast<DB::CItemAttach*>(keep.GetHead());
    first->RelocateBuffer(3);
    memcpy(first->data, "\x01\x00\x02", 3);
    ASSERT_TRUE(db.UpdateAttachContent(first));

    DB::CItemAttach all;
    DB::CItemList list;
    ASSERT_EQ(db.GetAttachList(&all, &list, 0), 1);
    EXPECT_EQ(list.GetCount(), 16);   // with the twelve built-in page files

    struct Case { const wchar_t* note; int mask; int type; int priority; int limit; int expected; const wchar_t* firstId; } cases[] = {
        {L"n'1", 0, 0, 0, 0, 3, L"a'0"},
        {L"n'1", DB::FilterType, 1, 0, 0, 1, L"a'1"},
        {nullptr, 0, 0, 3, 1, 1, L"a'2"},   // lowest queued priority of at least 3
        {nullptr, 0, 0, 4, 0, 2, L"a'3"},
        {L"x' OR 1=1 --", 0, 0, 0, 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        DB::CItemAttach f;
        if (c.note)
            f.note_id = c.note;
        f.filter_mask = c.mask;
        f.type = c.type;
        f.sync_priority = c.priority;
        DB::CItemList got;
        db.GetAttachList(&f, &got, c.limit);
        ASSERT_EQ(got.GetCount(), c.expected);
        if (c.firstId) {
            EXPECT_EQ(static_cast<DB::CItemAttach*>(got.GetHead())->attach_id, CString(c.firstId));
        }
    }
    DB::CItemAttach countFilter;
    countFilter.note_id = L"n'1";
    int count = -1;
    ASSERT_EQ(db.GetAttachCount(&countFilter, &count), 1);
    EXPECT_EQ(count, 3);

    DB::CItemAttach load;
    load.attach_id = L"a'0";
    ASSERT_EQ(db.LoadAttachContent(&load), 1);
    EXPECT_EQ(load.size, 3);
    EXPECT_EQ(memcmp(load.data, "\x01\x00\x02", 3), 0);
    EXPECT_EQ(load.mime, CString(L"image/png"));

    first->filename = L"\x0444\x043E\x0442\x043E.png";
    first->b_syncdirty = 1;
    ASSERT_EQ(db.UpdateAttach(first), 1);
    EXPECT_EQ(Count("attaches", "b_syncdirty=1"), 1);
    DB::CItemAttach noNote;
    noNote.attach_id = L"a'0";
    EXPECT_EQ(db.UpdateAttach(&noNote), 0);

    ASSERT_TRUE(Exec(Raw(), "UPDATE attaches SET srv_id='s', sync_priority=2 WHERE note_id='n2'"));
    ASSERT_EQ(db.MarkAttachesAsDirty(L"n2"), 1);
    EXPECT_EQ(QueryText(Raw(), "SELECT srv_id || sync_priority FROM attaches WHERE note_id='n2'"), "0");

    DB::CItemAttach mark;
    mark.note_id = L"n'1";
    ASSERT_EQ(db.RemoveAttach(&mark, 1, 0), 1);
    EXPECT_EQ(Count("attaches", "b_removed=1"), 3);
    DB::CItemAttach nothing;
    EXPECT_EQ(db.RemoveAttach(&nothing, 0, 0), 0);
    EXPECT_EQ(Count("attaches"), 16);
    ASSERT_EQ(db.RemoveAttach(&mark, 0, 0), 1);
    ASSERT_EQ(db.RemoveAttach(static_cast<DB::CItemAttach*>(keep.GetTail())->itemid), 1);
    EXPECT_EQ(Count("attaches"), 12);
}

TEST_F(StoreAttach, StreamOfABufferKeptRecord)
{
    DB::CItemAttach a;
    ASSERT_EQ(a.OpenStream(1), 1);
    EXPECT_EQ(a.OpenStream(1), 0);   // already open
    EXPECT_EQ(a.WriteData("hello", 5), 5);
    EXPECT_EQ(a.WriteData("world", 5), 5);
    a.CloseStream();
    EXPECT_EQ(a.size, 10);
    EXPECT_EQ(a.GetDataSize(), 10);
    char buf[16] = {};
    EXPECT_EQ(a.ReadData(buf, 4), 0);   // nothing open
    ASSERT_EQ(a.OpenStream(0), 1);
    EXPECT_EQ(a.ReadData(buf, 16), 10);
    EXPECT_EQ(std::string(buf, 10), "helloworld");
    EXPECT_EQ(a.ReadData(buf, 16), 0);
    a.CloseStream();

    // many small writes stay quick and exact
    DB::CItemAttach big;
    ASSERT_EQ(big.OpenStream(1), 1);
    for (int i = 0; i < 100000; ++i)
        ASSERT_EQ(big.WriteData(&i, 4), 4);
    big.CloseStream();
    ASSERT_EQ(big.size, 400000);
    EXPECT_EQ(((int*)big.data)[99999], 99999);
}

TEST_F(StoreAttach, ThresholdChoosesBlobOrFile)
{
    EXPECT_TRUE(DB::CItemAttach::IsFileStorageSize(104857600));
    EXPECT_FALSE(DB::CItemAttach::IsFileStorageSize(104857599));
    EXPECT_EQ(DB::FileStorageThreshold, 104857600);

    CString small = dir + L"small.txt";
    WriteFileBytes(small, "small bytes");
    DB::CItemAttach blob;
    ASSERT_EQ(blob.ImportFromFile(small, L"n1", 1, nullptr), 1);
    EXPECT_EQ(blob.flags, 0);
    EXPECT_EQ(blob.size, 11);
    EXPECT_EQ(blob.attach_id.GetLength(), 16);
    EXPECT_EQ(blob.filename, CString(L"small.txt"));
    EXPECT_EQ(blob.mime, CString(L"text/plain"));
    EXPECT_EQ(blob.b_syncdirty, 1);
    EXPECT_EQ(blob.type, 1);
    ASSERT_EQ(db.CreateAttach(&blob), 1);
    ASSERT_TRUE(db.UpdateAttachContent(&blob));
    EXPECT_EQ(QueryInt(Raw(), "SELECT length(data) FROM attaches WHERE filename='small.txt'"), 11);

    // exactly the threshold: a file under data\, the row holds its name
    CString huge = MakeSparseFile(dir + L"huge.bin", DB::FileStorageThreshold);
    DB::CItemAttach file;
    ASSERT_EQ(file.ImportFromFile(huge, L"n1", 0, L"bigid"), 1);
    EXPECT_EQ(file.flags, DB::AttachFlagFileStorage);
    EXPECT_EQ(file.size, DB::FileStorageThreshold);
    ASSERT_EQ(db.CreateAttach(&file), 1);
    ASSERT_TRUE(db.UpdateAttachContent(&file));
    EXPECT_EQ(DB::Files::GetFileLength(dir + L"data\\bigid_huge.bin"), DB::FileStorageThreshold);
    DB::CItemAttach loaded;
    loaded.attach_id = L"bigid";
    loaded.flags = DB::AttachFlagFileStorage;
    ASSERT_EQ(db.LoadAttachContent(&loaded), 1);
    EXPECT_EQ(loaded.size, DB::FileStorageThreshold);
    EXPECT_STREQ((const wchar_t*)loaded.data, L"bigid_huge.bin");
    // an existing file is never overwritten
    DB::CItemAttach again;
    EXPECT_EQ(again.ImportFromFile(huge, L"n1", 0, L"bigid"), 0);
    DeleteFileW(huge);
}

TEST_F(StoreAttach, FileKeptNamesStayInsideTheFolder)
{
    DB::CItemAttach a;
    a.attach_id = L"id1";
    a.note_id = L"n1";
    a.filename = L"..\\..\\escape.txt";
    a.flags = DB::AttachFlagFileStorage;
    ASSERT_EQ(a.OpenStream(1), 1);
    EXPECT_EQ(a.WriteData("0123456789", 10), 10);
    a.CloseStream();
    EXPECT_EQ(a.size, 10);
    EXPECT_EQ(a.filename, CString(L"..\\..\\escape.txt"));   // the row keeps the given name
    CString stored = (const wchar_t*)a.data;
    EXPECT_EQ(stored, CString(L"id1_.._.._escape.txt"));     // the file's name, not a path
    EXPECT_EQ(DB::Files::GetFileLength(dir + L"data\\id1_.._.._escape.txt"), 10);
    EXPECT_EQ(GetFileAttributesW(dir + L"..\\escape.txt"), INVALID_FILE_ATTRIBUTES);

    // reading accepts an absolute path as older rows hold it
    DB::CItemAttach old;
    old.attach_id = L"zz";
    old.filename = L"other";
    old.flags = DB::AttachFlagFileStorage;
    CString full = dir + L"data\\id1_.._.._escape.txt";
    int bytes = (full.GetLength() + 1) * 2;
    old.RelocateBuffer(bytes);
    memcpy(old.data, full.GetString(), bytes);
    ASSERT_EQ(old.OpenStream(0), 1);
    EXPECT_EQ(old.GetDataSize(), 10);
    char buf[16] = {};
    EXPECT_EQ(old.ReadData(buf, 16), 10);
    old.CloseStream();
    EXPECT_EQ(std::string(buf, 10), "0123456789");

    float progress = 0;
    ASSERT_EQ(a.SaveToFile(dir + L"out.txt", &progress), 1);
    EXPECT_EQ(ReadFileBytes(dir + L"out.txt"), "0123456789");
    EXPECT_EQ(progress, 100.0f);

    DB::CItemAttach missing;
    missing.attach_id = L"nofile";
    missing.filename = L"x";
    missing.flags = DB::AttachFlagFileStorage;
    EXPECT_EQ(missing.OpenStream(0), 0);
    EXPECT_EQ(missing.stream_mode, -1);
    EXPECT_EQ(missing.SaveToFile(dir + L"out2.txt", nullptr), 0);
}

TEST_F(StoreAttach, SaveToFileAndJsonExport)
{
    DB::CItemAttach a;
    a.attach_id = L"ex1";
    a.note_id = L"n1";
    a.filename = L"\x0444\x0430\x0439\x043B \"q\".txt";
    a.mime = L"text/plain";
    a.date_create = 7;
    a.sync_url = L"http://s/1";
    ASSERT_EQ(db.CreateAttach(&a), 1);
    a.RelocateBuffer(5);
    memcpy(a.data, "12345", 5);
    ASSERT_TRUE(db.UpdateAttachContent(&a));
    a.RelocateBuffer(0);

    float progress = 0;
    ASSERT_EQ(a.SaveToFile(dir + L"copy.bin", &progress), 1);   // reloads the bytes from the store
    EXPECT_EQ(ReadFileBytes(dir + L"copy.bin"), "12345");
    EXPECT_EQ(progress, 100.0f);

    CString exportDir = dir + L"export\\files\\";
    DB::Files::CreateDir(exportDir);
    CStringA first = a.ExportToJsonText("  ", false, exportDir);
    CStringA second = a.ExportToJsonText("  ", true, exportDir);
    CString name = a.GetStorageFileName();
    EXPECT_EQ(ReadFileBytes(exportDir + name), "12345");
    EXPECT_EQ(ReadFileBytes(exportDir + name + L"1"), "12345");
    std::string text = first.GetString();
    EXPECT_EQ(text.rfind("  {\r\n  \"attach_id\":\"ex1\",\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("\"type\":\"0\",\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"sync_url\":\"http:\\/\\/s\\/1\",\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"pathname\":\".\\\\files\\\\"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 9), "\"\r\n  },\r\n");
    std::string last = second.GetString();
    EXPECT_EQ(last.substr(last.size() - 9), "\"\r\n  } \r\n");

    // The same text lands in the caller's open file.
    {
        CFile out;
        ASSERT_TRUE(out.Open(dir + L"export\\notes.json", CFile::modeCreate | CFile::modeWrite));
        EXPECT_TRUE(a.ExportToJsonFormat(&out, "  ", true, exportDir));
        out.Close();
    }
    std::string written = ReadFileBytes(dir + L"export\\notes.json");
    EXPECT_EQ(written.rfind("  {\r\n  \"attach_id\":\"ex1\",\r\n", 0), 0u) << written;
    EXPECT_EQ(written.substr(written.size() - 9), "\"\r\n  } \r\n");
    EXPECT_EQ(ReadFileBytes(exportDir + name + L"2"), "12345");

    DB::CItemAttach page;
    page.attach_id = L"index.htm";
    EXPECT_TRUE(page.IsSystemAttach());
    EXPECT_TRUE(page.ExportToJsonText("", true, exportDir).IsEmpty());
    page.attach_id = L"Index.htm";
    EXPECT_FALSE(page.IsSystemAttach());
}

TEST_F(StoreAttach, BuiltInPagesAreRewrittenOnlyWhenTheirBytesDiffer)
{
    BYTE* bytes = nullptr;
    DWORD size = 0;
    Utils::BinRes::ExtractBinResource(L"DBITEMS", 183, bytes, size);
    ASSERT_GT(size, 0u);
    EXPECT_EQ(QueryInt(Raw(), "SELECT length(data) FROM attaches WHERE attach_id='logo.png'"), (int)size);

    // a stored page of the same size but other bytes is replaced
    ASSERT_TRUE(Exec(Raw(), "UPDATE attaches SET data=zeroblob(length(data)) WHERE attach_id='logo.png'"));
    int changesBefore = sqlite3_total_changes(Raw());
    ASSERT_EQ(db.SaveResourceToDatabase(L"logo.png", 183), 1);
    EXPECT_GT(sqlite3_total_changes(Raw()), changesBefore);
    std::string stored = QueryText(Raw(), "SELECT hex(data) FROM attaches WHERE attach_id='logo.png'");
    EXPECT_EQ(stored.substr(0, 8), "89504E47");
    changesBefore = sqlite3_total_changes(Raw());
    ASSERT_EQ(db.SaveResourceToDatabase(L"logo.png", 183), 1);
    EXPECT_EQ(sqlite3_total_changes(Raw()), changesBefore);   // unchanged: nothing written
    EXPECT_EQ(Count("attaches", "attach_id='logo.png'"), 1);
    EXPECT_EQ(db.SaveResourceToDatabase(L"none.png", 9999), 0);
    delete[] bytes;

    ASSERT_TRUE(Exec(Raw(), "UPDATE attaches SET srv_id='invalid data' WHERE attach_id='note.png'"));
    db.CloseDatabase();
    ASSERT_EQ(db.OpenDatabase(path, 0), 1);
    EXPECT_EQ(Count("attaches", "srv_id='invalid data'"), 0);
}
