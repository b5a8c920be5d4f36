// The Evernote database (.exb) half of the Evernote import.
#include "EvernoteImport.h"
#include "TextConv.h"
#include <sqlite3.h>
#include <map>
#include <memory>

using namespace Pelora;

namespace PeloraUI {
namespace Import {

namespace {

struct StmtDeleter {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
typedef std::unique_ptr<sqlite3_stmt, StmtDeleter> Stmt;

Stmt Prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) {
        sqlite3_finalize(s);
        return Stmt();
    }
    return Stmt(s);
}

CString ColText(sqlite3_stmt* s, int col)
{
    CString out;
    const char* t = (const char*)sqlite3_column_text(s, col);
    if (t)
        Utf8ToWide(t, out);
    return out;
}

// A hash column as hex text: kept when it is text, written out when it is 16 raw bytes.
CString ColHash(sqlite3_stmt* s, int col)
{
    if (sqlite3_column_type(s, col) == SQLITE_BLOB) {
        const unsigned char* b = (const unsigned char*)sqlite3_column_blob(s, col);
        int n = sqlite3_column_bytes(s, col);
        CString hex;
        for (int i = 0; b && i < n && i < 16; ++i) {
            hex += L"0123456789abcdef"[b[i] >> 4];
            hex += L"0123456789abcdef"[b[i] & 15];
        }
        return hex;
    }
    return ColText(s, col);
}

} // namespace

BOOL CEvernoteImport::ImportDatabase(HWND progress, const CString& path)
{
    CNotebook* book = GetNotebook();
    DB::CPeloraDatabase* store = GetDatabase();
    if (!book || !store) {
        m_errorText = L"no notebook is open.";
        return FALSE;
    }
    char* utf8Path = nullptr;
    if (!WideToUtf8(path, utf8Path)) {
        m_errorText = L"the path cannot be used.";
        return FALSE;
    }
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(utf8Path, &db, SQLITE_OPEN_READONLY, nullptr);
    delete[] utf8Path;
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> closer(db, sqlite3_close);
    if (rc != SQLITE_OK) {
        m_errorText = L"the file cannot be opened as a database.";
        return FALSE;
    }
    Stmt count = Prepare(db, "SELECT count(*) FROM note_attr;");
    if (!count || sqlite3_step(count.get()) != SQLITE_ROW) {
        m_errorText = L"the file is not an Evernote database (no notes table).";
        return FALSE;
    }
    int total = sqlite3_column_int(count.get(), 0);
    SendProgress(progress, WM_IMPORT_SET_NUM_NOTES, (WPARAM)total);

    Stmt notes = Prepare(db, "SELECT uid, title, notebook, notebook_uid, tags, date_created, date_updated, is_deleted, "
                             "size, source_url FROM note_attr;");
    Stmt bodies = Prepare(db, "SELECT uid, aid, afl, csn, data FROM attrs WHERE uid=?1 AND afl=65538;");
    Stmt resources = Prepare(db, "SELECT uid, note, mime, width, height, file_name, is_attachment, size, hash "
                                 "FROM resource_attr WHERE note=?1;");
    Stmt resourceData = Prepare(db, "SELECT uid, md5, data FROM resources WHERE uid=?1;");
    if (!notes || !bodies || !resources || !resourceData) {
        m_errorText = L"the file is not an Evernote database (tables or columns are missing).";
        return FALSE;
    }
    CFolderItem* defaultFolder = ImportFolder(kDefaultFolderId);
    std::map<std::wstring, CFolderItem*> notebooks;
    CImportTransaction tx(store);
    BOOL ok = TRUE;
    int index = 0;
    for (; ok && !IsStopRequested(); ++index) {
        rc = sqlite3_step(notes.get());
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW) {
            m_errorText = L"the database cannot be read to its end.";
            ok = FALSE;
            break;
        }
        sqlite3_stmt* row = notes.get();
        int uid = sqlite3_column_int(row, 0);
        CString title = ColText(row, 1);
        CString notebookName = ColText(row, 2);
        CString notebookUid = ColText(row, 3);
        CString tagText = ColText(row, 4);
        double created = sqlite3_column_double(row, 5);
        double updated = sqlite3_column_double(row, 6);
        sqlite3_int64 size = sqlite3_column_int64(row, 8);
        CString url = ColText(row, 9);

        CFolderItem* folder = defaultFolder;
        if (m_sameFolders) {
            auto it = notebooks.find(std::wstring(notebookUid.GetString()));
            if (it != notebooks.end()) {
                folder = it->second;
            } else {
                CString name = notebookName;
                name.Trim();
                if (name.IsEmpty())
                    name = L"Evernote";
                folder = CreateImportFolder(tx, name, nullptr, true);
                if (!folder) {
                    m_errorText = L"a folder for an Evernote notebook cannot be made.";
                    ok = FALSE;
                    break;
                }
                notebooks[std::wstring(notebookUid.GetString())] = folder;
            }
        }
        SendProgressText(progress, WM_IMPORT_UPDATE_INFO, (WPARAM)index, title);
        CImportNote note(tx, folder);
        if (!note.Ok()) {
            m_errorText = L"the notes cannot be written to the database.";
            ok = FALSE;
            break;
        }
        note.Note()->SetTitle(title);
        note.Note()->SetUrl(url);
        m_ids.Clear();

        // the body: bounded by the blob, whatever size the note row claims
        CString body;
        sqlite3_reset(bodies.get());
        sqlite3_bind_int(bodies.get(), 1, uid);
        if (sqlite3_step(bodies.get()) == SQLITE_ROW) {
            const char* data = (const char*)sqlite3_column_blob(bodies.get(), 4);
            int n = sqlite3_column_bytes(bodies.get(), 4);
            if (size >= 0 && size < n)
                n = (int)size;
            while (n > 0 && data[n - 1] == 0)
                --n;
            std::string text(data ? data : "", data ? (size_t)n : 0);
            CString enml;
            Utf8ToWide(text.c_str(), enml);
            body = EnmlToHtml(enml, m_ids);
        }

        sqlite3_reset(resources.get());
        sqlite3_bind_int(resources.get(), 1, uid);
        std::vector<CString> stored;
        bool failed = false;
        while (!failed && sqlite3_step(resources.get()) == SQLITE_ROW) {
            int resUid = sqlite3_column_int(resources.get(), 0);
            CString mime = ColText(resources.get(), 2);
            CString fileName = ColText(resources.get(), 5);
            CString hash = ColHash(resources.get(), 8);
            sqlite3_reset(resourceData.get());
            sqlite3_bind_int(resourceData.get(), 1, resUid);
            if (sqlite3_step(resourceData.get()) != SQLITE_ROW) {
                ++m_skippedResources;
                continue;
            }
            const void* bytes = sqlite3_column_blob(resourceData.get(), 2);
            int n = sqlite3_column_bytes(resourceData.get(), 2);
            if (!bytes || n <= 0) {
                ++m_skippedResources;
                continue;
            }
            CString id = m_ids.IdFor(hash);
            if (std::find(stored.begin(), stored.end(), id) != stored.end())
                continue;
            // a name from the database must not carry a path
            fileName = fileName.Mid(std::max(fileName.ReverseFind(L'\\'), fileName.ReverseFind(L'/')) + 1);
            if (fileName.IsEmpty() || fileName == L"." || fileName == L"..")
                fileName = id + L"." + ExtensionForMime(mime);
            DB::CItemAttach* a = new DB::CItemAttach;
            a->attach_id = id;
            a->filename = fileName;
            a->mime = mime.IsEmpty() ? CString(L"application/octet-stream") : mime;
            a->type = m_ids.IsImage(id) ? 0 : 1;
            a->date_create = a->date_update = (int)time(nullptr);
            a->RelocateBuffer(n);
            memcpy(a->data, bytes, (size_t)n);
            a->size = n;
            if (!note.AddAttach(a))
                failed = true;
            else
                stored.push_back(id);
        }
        if (failed) {
            m_errorText = L"the notes cannot be written to the database.";
            ok = FALSE;
            break;
        }
        std::vector<CString> tags;
        int start = 0;
        while (start <= tagText.GetLength() && !tagText.IsEmpty()) {
            int comma = tagText.Find(L", ", start);
            CString tag = comma < 0 ? tagText.Mid(start) : tagText.Mid(start, comma - start);
            tag.Trim();
            if (!tag.IsEmpty() && std::find(tags.begin(), tags.end(), tag) == tags.end())
                tags.push_back(tag);
            if (comma < 0)
                break;
            start = comma + 2;
        }
        note.SetTags(tags);
        DB::CItemNote& rec = note.Record();
        int t = 0;
        if (EvernoteDayToTime(created, t))
            rec.date_create = rec.date_update = rec.date_update_user = t;
        if (updated != 0 && EvernoteDayToTime(updated, t))
            rec.date_update = rec.date_update_user = t;
        note.SetBody(body, body.GetLength());
        CNoteItem* done = note.Commit();
        if (!done) {
            m_errorText = L"the notes cannot be written to the database.";
            ok = FALSE;
            break;
        }
        m_lastNote = done;
        ++m_importedNotes;
        SendProgress(progress, WM_IMPORT_UPDATE_INFO, (WPARAM)(index + 1));
    }
    if (!tx.Flush() && ok) {
        m_errorText = L"the notes cannot be written to the database.";
        ok = FALSE;
    }
    if (book->Panes()) {
        book->Panes()->RefreshCatalogItem(book->GetRoot());
        book->Panes()->UpdateTagList();
    }
    return ok;
}

} // namespace Import
} // namespace PeloraUI
