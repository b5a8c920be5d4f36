// Shared helpers of the notes-model tests: a notebook over a fresh temporary store, a listener
// and services that record what the model tells them.
#pragma once
#include "Notebook.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ModelTest {

// A new empty folder under the temp folder (with a trailing backslash).
CString MakeTempDir();
void RemoveTree(const CString& dir);
std::string ReadFileBytes(const CString& path);
void WriteFileBytes(const CString& path, const std::string& bytes);
// Delivers the window messages waiting for this thread (the notebook's posted notifications).
void PumpMessages();

// Every notification as one line: "FolderChanged default", "NoteRemoved <title>", ...
class RecordingListener : public Pelora::INotebookListener {
public:
    void OnNotebookEvent_FolderCreated(Pelora::CFolderItem* f) override { Add("FolderCreated", f); }
    void OnNotebookEvent_FolderChanged(Pelora::CFolderItem* f) override { Add("FolderChanged", f); }
    void OnNotebookEvent_NoteChanged(Pelora::CNoteItem* n) override { Add("NoteChanged", n); }
    void OnNotebookEvent_NoteRemoved(Pelora::CNoteItem* n) override { Add("NoteRemoved", n); }
    void OnNotebookEvent_NoteUpdated(Pelora::CNoteItem* n) override { Add("NoteUpdated", n); }
    void OnNotebookEvent_ReminderAlarm(Pelora::CReminderItem* r) override;
    void OnNotebookEvent_TagAdded(Pelora::CTagItem* t) override { Add("TagAdded", t); }
    void OnNotebookEvent_TagChanged(Pelora::CTagItem* t) override { Add("TagChanged", t); }
    void OnNotebookEvent_TagMoved(Pelora::CTagItem* t, int from, int to) override;

    std::vector<std::string> events;
    std::vector<DWORD> threads;

protected:
    void Add(const char* what, Pelora::CFolderItem* f);
    void Add(const char* what, Pelora::CNoteItem* n);
    void AddText(const std::string& line);
};

std::string Narrow(const CString& text);

// Records the services' calls as lines too.
class RecordingServices : public Pelora::IApplicationServices,
                          public Pelora::IEditorServices,
                          public Pelora::IPaneServices {
public:
    Pelora::CNoteItem* GetActiveNote() override { return activeNote; }
    Pelora::CFolderItem* GetActiveFolder() override { return activeFolder; }
    CString GetAttachUrlPrefix() override { return L"http://127.0.0.1:4321/attach/"; }
    void SaveOptions() override { calls.push_back("SaveOptions"); }
    bool HasEditorFrame() override { return editorFrame; }
    void RelayoutTagsBar() override { calls.push_back("RelayoutTagsBar"); }
    void SetReminderState(int s) override { calls.push_back("SetReminderState " + std::to_string(s)); }
    void ReloadImage(Pelora::CNoteItem*, const CString&) override { calls.push_back("ReloadImage"); }
    void OnNoteAttachChanged(const CString&, const CString&) override { calls.push_back("OnNoteAttachChanged"); }
    bool HasCatalog() override { return catalog; }
    void RefreshCatalogItem(Pelora::CFolderItem* f) override;
    void InsertCatalogSubtree(Pelora::CFolderItem*, Pelora::CFolderItem*) override { calls.push_back("InsertCatalogSubtree"); }
    void RemoveCatalogItem(Pelora::CFolderItem*) override { calls.push_back("RemoveCatalogItem"); }
    void SetCatalogStateImage(Pelora::CFolderItem* f, int mark) override
    {
        calls.push_back("StateImage " + Narrow(f->GetFolderId()) + " " + std::to_string(mark));
    }
    void RedrawCatalog() override { calls.push_back("RedrawCatalog"); }
    void UpdateTagList() override { calls.push_back("UpdateTagList"); }
    void HighlightNoteTags(Pelora::CNoteItem*) override { calls.push_back("HighlightNoteTags"); }
    void ReloadNoteList(Pelora::CFolderItem*) override { calls.push_back("ReloadNoteList"); }
    void RedrawNoteList() override { calls.push_back("RedrawNoteList"); }

    Pelora::CNoteItem* activeNote = nullptr;
    Pelora::CFolderItem* activeFolder = nullptr;
    bool editorFrame = false;
    bool catalog = false;
    std::vector<std::string> calls;
};

std::string Narrow(const CString& text);
// The first column of the first row sql yields from the store; -1 when it yields none.
int QueryInt(DB::CPeloraDatabase& store, const char* sql);

// A notebook over an open store "database.db" in a fresh folder.
class NotebookFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Rows written straight to the store before LoadNotebook.
    DB::CItemFolder* AddFolderRow(const wchar_t* id, const wchar_t* name, const wchar_t* parent, int type = 0);
    DB::CItemNote* AddNoteRow(const wchar_t* id, const wchar_t* title, int folderItemId, const wchar_t* html = L"<p>x</p>",
                              int dateCreate = 100);
    void Load();
    Pelora::CFolderItem* Folder(const wchar_t* id) { return book->FindFolder(id); }
    std::vector<std::string> Titles(Pelora::CFolderItem* f);
    int StoreInt(const char* sql);

    DB::CPeloraDatabase db;
    Pelora::CNotebook* book = nullptr;
    RecordingListener listener;
    RecordingServices services;
    CString dir;
    std::vector<DB::CItemFolder*> folderRows;
    std::vector<DB::CItemNote*> noteRows;
};

} // namespace ModelTest
