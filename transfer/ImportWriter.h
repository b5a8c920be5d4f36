// How the importers write notes: each note goes into the store inside a savepoint of its own
// and joins the notebook only once all its rows are in, so a failure, a stop or a bad input in
// the middle of a note never leaves part of it behind. Notes are committed in batches.
#pragma once
#include "Framework.h"
#include "Notebook.h"
#include <vector>

namespace PeloraUI {
namespace Import {

class CImportTransaction {
public:
    // batch: notes per commit of the enclosing transaction; a batch also ends once it has been
    // open for batchMs, so the store lock is never held long. Every commit costs a flush to
    // disk, so batches are large.
    explicit CImportTransaction(DB::CPeloraDatabase* db, int batch = 500, unsigned batchMs = 500);
    ~CImportTransaction();
    CImportTransaction(const CImportTransaction&) = delete;
    CImportTransaction& operator=(const CImportTransaction&) = delete;

    // Starts a note's savepoint (and a batch when none is open).
    bool BeginNote();
    // Keeps the note's rows (the batch stays open). False when they cannot be kept.
    bool CommitNote();
    // After a kept note's last writes (its tags): commits the batch when it is full or old.
    // False when that commit failed.
    bool NoteDone();
    // Drops every row written since BeginNote.
    void RollbackNote();
    // Commits the open batch (before folders are made, and at the end). False on failure.
    bool Flush();

private:
    bool Exec(const char* sql);

    DB::CPeloraDatabase* m_db;
    int m_batch;
    unsigned m_batchMs;
    ULONGLONG m_batchStart = 0;
    int m_inBatch = 0;
    bool m_open = false;
    bool m_inNote = false;
};

// One note being imported: made outside the notebook, filled, then either kept (registered in
// its folder, tags set, listeners told) or dropped without a trace.
class CImportNote {
public:
    CImportNote(CImportTransaction& tx, Pelora::CFolderItem* folder);
    ~CImportNote();   // drops the note unless Commit succeeded
    CImportNote(const CImportNote&) = delete;
    CImportNote& operator=(const CImportNote&) = delete;

    // False when the note's row could not be made.
    bool Ok() const { return m_note != nullptr; }
    Pelora::CNoteItem* Note() { return m_note; }
    DB::CItemNote& Record() { return m_note->GetRecord(); }
    // The body in stored form; the preview text comes from it unless one is given.
    void SetBody(const wchar_t* html, int chars, const wchar_t* preview = nullptr);
    // Stores an attachment record of the note (note_id is set here); the note owns it afterwards.
    // False when the store refused it (the whole note should then be dropped).
    bool AddAttach(DB::CItemAttach* rec);
    void SetTags(const std::vector<CString>& tags) { m_tags = tags; }
    // Writes content, preview and record, keeps the rows and adds the note to its folder.
    // Returns the note (owned by the notebook), or null when the store failed.
    Pelora::CNoteItem* Commit();

private:
    CImportTransaction& m_tx;
    Pelora::CFolderItem* m_folder;
    Pelora::CNoteItem* m_note = nullptr;
    std::vector<CString> m_tags;
    bool m_failed = false;
    bool m_committed = false;
};

// The note store's folder of that id (loading it when needed).
Pelora::CFolderItem* ImportFolder(const wchar_t* id);
// A new folder under parent (null: "usr_folder"). With unique, a name a child already has
// becomes name1, name2, ...
Pelora::CFolderItem* CreateImportFolder(CImportTransaction& tx, const CString& name, Pelora::CFolderItem* parent,
                                        bool unique);

// Text as HTML character data: & < > " become entities.
CString EscapeHtmlText(const wchar_t* text, int chars = -1);

} // namespace Import
} // namespace PeloraUI
