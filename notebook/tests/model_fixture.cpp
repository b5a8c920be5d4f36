#include "model_fixture.h"
#include "TextConv.h"
#include <sqlite3.h>

namespace ModelTest {

CString MakeTempDir()
{
    static LONG counter = 0;
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    CString dir;
    dir.Format(L"%spelora_model_%lu_%ld\\", base, GetCurrentProcessId(), InterlockedIncrement(&counter));
    RemoveTree(dir);
    CreateDirectoryW(dir, nullptr);
    return dir;
}

void RemoveTree(const CString& dir)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(dir + L"*", &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            CString name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(dir + name + L"\\");
            else
                DeleteFileW(dir + name);
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(dir);
}

std::string ReadFileBytes(const CString& path)
{
    std::string out;
    HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof(buf), &got, nullptr) && got)
        out.append(buf, got);
    CloseHandle(f);
    return out;
}

void WriteFileBytes(const CString& path, const std::string& bytes)
{
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    WriteFile(f, bytes.data(), (DWORD)bytes.size(), &put, nullptr);
    CloseHandle(f);
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::string Narrow(const CString& text)
{
    char* utf8 = nullptr;
    std::string out;
    if (WideToUtf8(text, utf8)) {
        out = utf8;
        delete[] utf8;
    }
    return out;
}

void RecordingListener::AddText(const std::string& line)
{
    events.push_back(line);
    threads.push_back(GetCurrentThreadId());
}

void RecordingListener::Add(const char* what, Pelora::CFolderItem* f)
{
    std::string name = !f ? "null" : f->GetType() == Pelora::FolderTag || f->GetType() == Pelora::FolderSavedSearch
                                         ? Narrow(f->GetName())
                                         : Narrow(f->GetFolderId());
    AddText(std::string(what) + " " + name);
}

void RecordingListener::Add(const char* what, Pelora::CNoteItem* n)
{
    AddText(std::string(what) + " " + (n ? Narrow(n->GetTitle()) : "null"));
}

void RecordingListener::OnNotebookEvent_ReminderAlarm(Pelora::CReminderItem* r)
{
    AddText("ReminderAlarm " + (r ? Narrow(r->GetRecord().note_id) : std::string("null")));
}

void RecordingListener::OnNotebookEvent_TagMoved(Pelora::CTagItem* t, int from, int to)
{
    AddText("TagMoved " + Narrow(t->GetName()) + " " + std::to_string(from) + "->" + std::to_string(to));
}

void RecordingServices::RefreshCatalogItem(Pelora::CFolderItem* f)
{
    calls.push_back("RefreshCatalogItem " + (f ? Narrow(f->GetFolderId().IsEmpty() ? f->GetName() : f->GetFolderId()) : ""));
}

void NotebookFixture::SetUp()
{
    dir = MakeTempDir();
    ASSERT_EQ(1, db.OpenDatabase(dir + L"database.db", 1));
    book = new Pelora::CNotebook(&db);
    book->SetServices(&services, &services, &services);
    book->AddListener(&listener);
}

void NotebookFixture::TearDown()
{
    book->RemoveListener(&listener);
    delete book;
    for (auto* f : folderRows)
        delete f;
    for (auto* n : noteRows)
        delete n;
    db.CloseDatabase();
    RemoveTree(dir);
}

DB::CItemFolder* NotebookFixture::AddFolderRow(const wchar_t* id, const wchar_t* name, const wchar_t* parent, int type)
{
    auto* f = new DB::CItemFolder;
    f->folder_id = id;
    f->folder_name = name;
    f->parent_id = parent;
    f->type = type;
    f->date_create = 50;
    EXPECT_EQ(1, db.CreateFolder(f));
    folderRows.push_back(f);
    return f;
}

DB::CItemNote* NotebookFixture::AddNoteRow(const wchar_t* id, const wchar_t* title, int folderItemId,
                                           const wchar_t* html, int dateCreate)
{
    auto* n = new DB::CItemNote;
    n->note_id = id;
    n->note_title = title;
    n->folder_id = folderItemId;
    n->date_create = dateCreate;
    n->date_update = n->date_update_user = dateCreate;
    n->editable = 1;
    EXPECT_EQ(1, db.CreateNote(n));
    int chars = (int)wcslen(html);
    n->RelocateContentBuffer(chars * 2, 1);
    memcpy(n->content_data, html, chars * 2);
    n->content_size = chars * 2;
    EXPECT_EQ(1, db.NoteUpdateContent(n));
    EXPECT_EQ(1, db.UpdateNote(n, 1));
    noteRows.push_back(n);
    return n;
}

void NotebookFixture::Load()
{
    ASSERT_EQ(1, book->LoadNotebook());
    listener.events.clear();
    listener.threads.clear();
}

std::vector<std::string> NotebookFixture::Titles(Pelora::CFolderItem* f)
{
    std::vector<std::string> out;
    for (int i = 0; f && i < f->GetNoteCount(); ++i)
        out.push_back(Narrow(f->GetNoteItem(i)->GetTitle()));
    return out;
}

int QueryInt(DB::CPeloraDatabase& store, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    int v = -1;
    if (sqlite3_prepare_v2(store.GetHandle(), sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        v = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    return v;
}

int NotebookFixture::StoreInt(const char* sql)
{
    return QueryInt(db, sql);
}

} // namespace ModelTest
