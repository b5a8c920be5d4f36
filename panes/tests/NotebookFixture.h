// A notebook over a fresh store for the panes' tests.
#pragma once
#include "Notebook.h"
#include "TagList.h"
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace ptest {

// A notebook over a fresh store: default(1) usr_folder(2) trash(3) conflict_folder(4) come with
// it; "work" with "projects" below it, four notes and the tag "urgent".
class NotebookFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t base[MAX_PATH];
        ::GetTempPathW(MAX_PATH, base);
        dir.Format(L"%spelora_panes_book_%lu\\", base, ::GetCurrentProcessId());
        ::CreateDirectoryW(dir, nullptr);
        ::DeleteFileW(dir + L"database.db");
        ASSERT_EQ(1, db.OpenDatabase(dir + L"database.db", 1));
        book = new Pelora::CNotebook(&db);
        work = AddFolder(L"work", L"Work", L"usr_folder");
        AddFolder(L"projects", L"Projects", L"work");
        AddNote(L"n1", L"One", 1);
        AddNote(L"n2", L"Two", 1);
        AddNote(L"n3", L"Three", work->itemid);
        AddNote(L"n4", L"Four", work->itemid);
        ASSERT_EQ(1, book->LoadNotebook());
        ASSERT_NE(nullptr, book->GetTagList()->AddTag(L"urgent", Pelora::TagFlagKept));
    }
    void TearDown() override
    {
        delete book;
        for (auto* f : folders)
            delete f;
        for (auto* n : notes)
            delete n;
        db.CloseDatabase();
        ::DeleteFileW(dir + L"database.db");
        ::RemoveDirectoryW(dir);
    }
    DB::CItemFolder* AddFolder(const wchar_t* id, const wchar_t* name, const wchar_t* parent)
    {
        auto* f = new DB::CItemFolder;
        f->folder_id = id;
        f->folder_name = name;
        f->parent_id = parent;
        f->date_create = 50;
        EXPECT_EQ(1, db.CreateFolder(f));
        folders.push_back(f);
        return f;
    }
    DB::CItemNote* AddNote(const wchar_t* id, const wchar_t* title, int folder)
    {
        auto* n = new DB::CItemNote;
        n->note_id = id;
        n->note_title = title;
        n->folder_id = folder;
        n->date_create = n->date_update = n->date_update_user = 100;
        n->editable = 1;
        EXPECT_EQ(1, db.CreateNote(n));
        notes.push_back(n);
        return n;
    }
    int Query(const std::string& sql)
    {
        sqlite3_stmt* st = nullptr;
        int v = -1;
        if (sqlite3_prepare_v2(db.GetHandle(), sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            v = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        return v;
    }
    int FolderOf(const char* noteId)
    {
        return Query(std::string("SELECT folder_id FROM notes WHERE note_id='") + noteId + "' AND b_removed=0");
    }
    int Tagged(const char* noteId, const char* tag)
    {
        return Query(std::string("SELECT COUNT(*) FROM tag_links l JOIN tag_list t ON t.itemid=l.tag_id JOIN notes n ON "
                                 "n.itemid=l.note_id WHERE n.note_id='") + noteId + "' AND t.tag_name='" + tag + "'");
    }

    CString dir;
    DB::CPeloraDatabase db;
    Pelora::CNotebook* book = nullptr;
    DB::CItemFolder* work = nullptr;
    std::vector<DB::CItemFolder*> folders;
    std::vector<DB::CItemNote*> notes;
};

}  // namespace ptest
