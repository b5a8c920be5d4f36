#include "ImportWriter.h"
#include "ActivityLog.h"
#include <sqlite3.h>

using namespace Pelora;

namespace PeloraUI {
namespace Import {

CImportTransaction::CImportTransaction(DB::CPeloraDatabase* db, int batch, unsigned batchMs)
    : m_db(db), m_batch(batch > 0 ? batch : 1), m_batchMs(batchMs)
{
}

CImportTransaction::~CImportTransaction()
{
    if (m_inNote)
        RollbackNote();
    Flush();
}

bool CImportTransaction::Exec(const char* sql)
{
    return m_db && m_db->GetHandle() && sqlite3_exec(m_db->GetHandle(), sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool CImportTransaction::BeginNote()
{
    if (!m_db || !m_db->GetHandle() || m_inNote)
        return false;
    if (!m_open) {
        // the store lock is held for the batch: other threads' writes must not join it
        m_db->Lock();
        if (!Exec("BEGIN")) {
            m_db->Unlock();
            return false;
        }
        m_open = true;
        m_inBatch = 0;
        m_batchStart = GetTickCount64();
    }
    if (!Exec("SAVEPOINT import_note"))
        return false;
    m_inNote = true;
    return true;
}

bool CImportTransaction::CommitNote()
{
    if (!m_inNote)
        return false;
    m_inNote = false;
    if (!Exec("RELEASE import_note")) {
        Exec("ROLLBACK TO import_note");
        Exec("RELEASE import_note");
        return false;
    }
    ++m_inBatch;
    return true;
}

bool CImportTransaction::NoteDone()
{
    if (m_open && (m_inBatch >= m_batch || GetTickCount64() - m_batchStart >= m_batchMs))
        return Flush();
    return true;
}

void CImportTransaction::RollbackNote()
{
    if (!m_inNote)
        return;
    m_inNote = false;
    Exec("ROLLBACK TO import_note");
    Exec("RELEASE import_note");
}

bool CImportTransaction::Flush()
{
    if (!m_open)
        return true;
    bool ok = Exec("COMMIT");
    if (!ok)
        Exec("ROLLBACK");
    m_open = false;
    m_inBatch = 0;
    m_db->Unlock();
    return ok;
}

// --- one note

CImportNote::CImportNote(CImportTransaction& tx, CFolderItem* folder) : m_tx(tx), m_folder(folder)
{
    CNotebook* book = GetNotebook();
    if (!book || !folder || !m_tx.BeginNote())
        return;
    m_note = book->CreateNote(folder, 0);
    if (!m_note || !m_note->GetItemId()) {
        delete m_note;
        m_note = nullptr;
        m_tx.RollbackNote();
    }
}

CImportNote::~CImportNote()
{
    if (m_note && !m_committed) {
        m_tx.RollbackNote();
        delete m_note;
    }
}

void CImportNote::SetBody(const wchar_t* html, int chars, const wchar_t* preview)
{
    if (!m_note)
        return;
    DB::CItemNote& rec = m_note->GetRecord();
    if (chars < 0)
        chars = html ? (int)wcslen(html) : 0;
    rec.RelocateContentBuffer(chars * 2, 1);
    if (chars > 0)
        memcpy(rec.content_data, html, (size_t)chars * 2);
    rec.content_size = chars * 2;
    if (preview)
        m_note->SetPreviewText(preview);
    else
        rec.PreparePreviewText();
}

bool CImportNote::AddAttach(DB::CItemAttach* rec)
{
    DB::CPeloraDatabase* db = GetDatabase();
    if (!m_note || !rec || !db) {
        delete rec;
        return false;
    }
    rec->note_id = m_note->GetNoteId();
    rec->b_syncdirty = 1;
    if (!db->CreateAttach(rec) || !rec->itemid || !db->UpdateAttachContent(rec)) {
        delete rec;
        m_failed = true;
        return false;
    }
    // No preview bitmap is decoded here: the note keeps its preview pending, and the note list
    // makes it from the first picture when the row is shown. Decoding every picture of an
    // import would cost more than all the rest of the import.
    // the bytes are in the store: the note keeps only the row
    rec->RelocateBuffer(0);
    m_note->GetAttaches().AddTail(rec);
    return true;
}

CNoteItem* CImportNote::Commit()
{
    DB::CPeloraDatabase* db = GetDatabase();
    CNotebook* book = GetNotebook();
    if (!m_note || m_failed || !db || !book)
        return nullptr;
    DB::CItemNote& rec = m_note->GetRecord();
    rec.b_syncdirty = 1;
    rec.num_attaches = m_note->GetAttachCount();
    if (!db->NoteUpdateContent(&rec) || !db->NoteUpdatePreview(&rec) || !db->UpdateNote(&rec, 1))
        return nullptr;
    if (!m_tx.CommitNote())
        return nullptr;
    m_committed = true;
    CNoteItem* note = m_note;
    book->RegisterNote(note);
    m_folder->AttachNote(note->GetItemId());
    // the tag rows join the same batch as the note's (the batch cannot end in between)
    if (!m_tags.empty())
        book->SetNoteTags(&m_tags, note, 0);
    // what the panes need stays in the record; the bytes are in the store
    note->FreeData();
    book->NotifyNoteChanged(note);
    return m_tx.NoteDone() ? note : nullptr;
}

// --- folders and text

CFolderItem* ImportFolder(const wchar_t* id)
{
    CNotebook* book = GetNotebook();
    return book ? book->GetFolder(id, 1) : nullptr;
}

CFolderItem* CreateImportFolder(CImportTransaction& tx, const CString& name, CFolderItem* parent, bool unique)
{
    CNotebook* book = GetNotebook();
    if (!book)
        return nullptr;
    if (!parent)
        parent = ImportFolder(kUserFolderId);
    if (!parent)
        return nullptr;
    // the folder's rows are written on their own, never inside a batch that might roll back
    if (!tx.Flush())
        return nullptr;
    CString chosen = name;
    for (int i = 1; unique && parent->FindChildFolder(chosen, -1); ++i)
        chosen.Format(L"%s%d", name.GetString(), i);
    CFolderItem* folder = book->CreateFolder(chosen, FolderUser, parent);
    if (folder)
        book->OnEventFolderCreated(folder->GetFolderId());
    return folder;
}

CString EscapeHtmlText(const wchar_t* text, int chars)
{
    CString out;
    if (!text)
        return out;
    if (chars < 0)
        chars = (int)wcslen(text);
    out.Preallocate(chars + chars / 8 + 16);
    for (int i = 0; i < chars; ++i) {
        switch (text[i]) {
        case L'&': out += L"&amp;"; break;
        case L'<': out += L"&lt;"; break;
        case L'>': out += L"&gt;"; break;
        case L'"': out += L"&quot;"; break;
        case 0: break;   // a NUL would end the stored text early
        default: out += text[i];
        }
    }
    return out;
}

} // namespace Import
} // namespace PeloraUI
