#include "JsonImport.h"
#include "ImportWriter.h"
#include "NotebookJson.h"
#include "TextConv.h"
#include <json/json.h>
#include <memory>

using namespace Pelora;

namespace PeloraUI {
namespace Import {

namespace {

bool IsText(const Json::Value& v) { return v.isNull() || v.isString(); }
bool IsNumber(const Json::Value& v)
{
    if (v.isNull() || v.isInt() || v.isUInt())
        return true;
    if (!v.isString())
        return false;
    const char* s = v.asCString();
    if (*s == '-')
        ++s;
    if (!*s || strlen(s) > 10)
        return false;
    for (; *s; ++s)
        if (*s < '0' || *s > '9')
            return false;
    return true;
}

CString Text(const Json::Value& obj, const char* key)
{
    CString out;
    const Json::Value& v = obj[key];
    if (v.isString())
        Utf8ToWide(v.asCString(), out);
    return out;
}

int Number(const Json::Value& obj, const char* key)
{
    const Json::Value& v = obj[key];
    if (v.isString())
        return (int)strtol(v.asCString(), nullptr, 10);
    if (v.isInt())
        return v.asInt();
    if (v.isUInt())
        return (int)v.asUInt();
    return 0;
}

bool Parse(const char* text, int length, Json::Value& root, CString& error)
{
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    try {
        if (!reader->parse(text, text + length, &root, &errors)) {
            Utf8ToWide(("the file is not valid JSON: " + errors.substr(0, 200)).c_str(), error);
            return false;
        }
    } catch (const std::exception& e) {
        Utf8ToWide((std::string("the file is not valid JSON: ") + e.what()).c_str(), error);
        return false;
    }
    return true;
}

// The folder of the export file, with its separator.
CString BaseDirOf(const CString& path)
{
    int cut = std::max(path.ReverseFind(L'\\'), path.ReverseFind(L'/'));
    return cut < 0 ? CString() : path.Left(cut + 1);
}

const char* const kTextKeys[] = {"note_title", "content_data", "preview_text", "owner", "url", "geo_str1", "geo_str2"};
const char* const kNumberKeys[] = {"prn_index", "date_create", "date_update", "editable", "page_color"};

} // namespace

CString CheckJsonNote(const Json::Value& note)
{
    if (!note.isObject())
        return L"a note is not an object.";
    CString why;
    for (const char* k : kTextKeys)
        if (!IsText(note[k]))
            why.Format(L"a note's \"%S\" is not a text.", k);
    for (const char* k : kNumberKeys)
        if (!IsNumber(note[k]))
            why.Format(L"a note's \"%S\" is not a number.", k);
    const Json::Value& tags = note["tags"];
    if (!tags.isNull()) {
        if (!tags.isArray())
            return L"a note's \"tags\" is not a list.";
        for (const Json::Value& t : tags)
            if (!t.isString())
                return L"a note's tag is not a text.";
    }
    for (const char* list : {"tasks", "attach_list"}) {
        const Json::Value& items = note[list];
        if (items.isNull())
            continue;
        if (!items.isArray()) {
            why.Format(L"a note's \"%S\" is not a list.", list);
            return why;
        }
        for (const Json::Value& item : items) {
            if (!item.isObject()) {
                why.Format(L"an entry of a note's \"%S\" is not an object.", list);
                return why;
            }
            for (const char* k : {"task_info", "attach_id", "pathname", "attachname", "mime"})
                if (!IsText(item[k])) {
                    why.Format(L"an entry of a note's \"%S\" has a \"%S\" that is not a text.", list, k);
                    return why;
                }
            for (const char* k : {"b_checked", "date_create", "date_update", "type"})
                if (!IsNumber(item[k])) {
                    why.Format(L"an entry of a note's \"%S\" has a \"%S\" that is not a number.", list, k);
                    return why;
                }
        }
    }
    return why;
}

// --- own JSON

// The folder items walk the export and hand every note object here.
class CJsonImport::CNoteReader : public INoteImporter {
public:
    CNoteReader(CJsonImport& owner, HWND progress, const CString& baseDir)
        : m_owner(owner), m_progress(progress), m_baseDir(baseDir), m_tx(GetDatabase()) {}
    bool IsCancelled() override { return m_owner.IsStopRequested() || m_failed; }
    int ImportNote(CFolderItem* folder, const Json::Value& value) override;
    bool Finish() { return m_tx.Flush() && !m_failed; }

    int counter = 0;

private:
    int Write(CFolderItem* folder, const Json::Value& value);

    CJsonImport& m_owner;
    HWND m_progress;
    CString m_baseDir;
    CImportTransaction m_tx;
    bool m_failed = false;
};

int CJsonImport::CNoteReader::ImportNote(CFolderItem* folder, const Json::Value& value)
{
    CString why = CheckJsonNote(value);
    int done = 0;
    if (why.IsEmpty()) {
        SendProgressText(m_progress, WM_IMPORT_UPDATE_INFO, (WPARAM)counter, Text(value, "note_title"));
        try {
            done = Write(folder, value);
            if (done < 0) {
                m_failed = true;
                m_owner.m_errorText = L"the notes cannot be written to the database.";
            }
        } catch (const std::exception& e) {
            // a value no check foresaw: this note is left out (its rows were rolled back)
            Utf8ToWide((std::string("a note cannot be read: ") + e.what()).c_str(), why);
        }
    }
    if (!why.IsEmpty())
        m_owner.SkipNote(why);
    ++counter;
    SendProgress(m_progress, WM_IMPORT_UPDATE_INFO, (WPARAM)counter);
    return done > 0 ? 1 : 0;
}

int CJsonImport::CNoteReader::Write(CFolderItem* folder, const Json::Value& value)
{
    CImportNote note(m_tx, folder);
    if (!note.Ok())
        return -1;
    CNoteItem* item = note.Note();
    DB::CItemNote& rec = note.Record();
    CString content = Text(value, "content_data");
    note.SetBody(content, content.GetLength(), content.Left(200));
    item->SetTitle(Text(value, "note_title"));
    if (value.isMember("prn_index") && !value["prn_index"].isNull())
        rec.prn_index = Number(value, "prn_index");
    if (value.isMember("date_create") && !value["date_create"].isNull())
        rec.date_create = Number(value, "date_create");
    if (value.isMember("date_update") && !value["date_update"].isNull())
        rec.date_update = rec.date_update_user = Number(value, "date_update");
    if (value.isMember("editable") && !value["editable"].isNull())
        rec.editable = Number(value, "editable");
    if (value["preview_text"].isString())
        item->SetPreviewText(Text(value, "preview_text"));
    if (value["owner"].isString())
        rec.owner = Text(value, "owner");
    if (value["url"].isString())
        rec.url = Text(value, "url");
    if (value["geo_str1"].isString())
        rec.geo_str1 = Text(value, "geo_str1");
    if (value["geo_str2"].isString())
        rec.geo_str2 = Text(value, "geo_str2");
    if (value.isMember("page_color") && !value["page_color"].isNull())
        rec.page_color = Number(value, "page_color");
    rec.num_tasks = 0;
    item->ImportTasksFromJson(value);
    bool reserved = false;
    for (const Json::Value& a : value["attach_list"])
        reserved = reserved || HasReservedPart(Text(a, "pathname"));
    if (reserved) {
        // a device name ("CON", "NUL") is not a file of the export: those entries are left out
        Json::Value kept(Json::arrayValue);
        for (const Json::Value& a : value["attach_list"])
            if (!HasReservedPart(Text(a, "pathname")))
                kept.append(a);
        Json::Value copy(Json::objectValue);
        copy["attach_list"] = kept;
        item->ImportAttachesFromJson(copy, m_baseDir);
    } else {
        item->ImportAttachesFromJson(value, m_baseDir);
    }
    CNoteItem* done = note.Commit();
    if (!done)
        return -1;
    // tags join once the note is in its folder
    done->ImportTagsFromJson(value);
    m_owner.m_lastNote = done;
    ++m_owner.m_importedNotes;
    return 1;
}

CJsonImport::CJsonImport()
{
    m_caption = L"Import JSON to Pelora";
    m_fileFilter = L"JSON databases (*.json)|*.json|All Files (*.*)|*.*||";
    m_defaultExt = L"json";
    m_pathLabel = L"JSON Database File";
}

int CJsonImport::CountFolderNotes(const Json::Value& folder, int depth)
{
    if (!folder.isObject() || depth > 200)
        return 0;
    int n = folder["notes"].isArray() ? (int)folder["notes"].size() : 0;
    if (folder["subfolders"].isArray())
        for (const Json::Value& sub : folder["subfolders"])
            n += CountFolderNotes(sub, depth + 1);
    return n;
}

BOOL CJsonImport::ImportFile(HWND progress, const CString& path)
{
    ResetRun();
    m_importedNotes = 0;
    char* text = nullptr;
    int length = 0;
    if (!ReadWholeFile(path, kMaxWholeFileBytes, text, length, m_errorText))
        return FALSE;
    BOOL ok = ImportJsonText(progress, text, length, BaseDirOf(path));
    delete[] text;
    return ok;
}

BOOL CJsonImport::ImportJsonText(HWND progress, const char* text, int length, const CString& baseDir)
{
    CNotebook* book = GetNotebook();
    if (!book || !GetDatabase()) {
        m_errorText = L"no notebook is open.";
        return FALSE;
    }
    Json::Value root;
    if (!Parse(text, length, root, m_errorText))
        return FALSE;
    if (!root.isArray()) {
        m_errorText = L"the file is not a Pelora JSON export (no list of folders).";
        return FALSE;
    }
    auto isFolder = [](const Json::Value& e) {
        return e.isObject() && e["elem_type"].isString() && e["elem_type"].asString() == "folder";
    };
    int total = 0;
    for (const Json::Value& e : root)
        if (isFolder(e))
            total += CountFolderNotes(e, 0);
    SendProgress(progress, WM_IMPORT_SET_NUM_NOTES, (WPARAM)total);
    CNoteReader reader(*this, progress, baseDir);
    for (const Json::Value& e : root) {
        if (reader.IsCancelled())
            break;
        if (!isFolder(e))
            continue;
        // the special folders take their own contents; anything else lands under "usr_folder"
        CString id = Text(e, "folder_id");
        CFolderItem* target = nullptr;
        if (id == kDefaultFolderId || id == kUserFolderId || id == kConflictFolderId || id == kTrashFolderId)
            target = ImportFolder(id);
        if (!target)
            target = ImportFolder(kUserFolderId);
        if (!target)
            continue;
        try {
            target->ImportFromJson(&reader, e);
        } catch (const std::exception& ex) {
            CString why;
            Utf8ToWide((std::string("a folder cannot be read: ") + ex.what()).c_str(), why);
            SkipNote(why);
        }
    }
    if (!reader.Finish()) {
        if (m_errorText.IsEmpty())
            m_errorText = L"the notes cannot be written to the database.";
        return FALSE;
    }
    if (book->Panes()) {
        book->Panes()->RefreshCatalogItem(book->GetRoot());
        book->Panes()->ReloadNoteList(ImportFolder(kUserFolderId));
    }
    return TRUE;
}

// --- Springpad

CString CheckSpringpadItem(const Json::Value& item)
{
    if (!item.isObject())
        return L"an entry is not an object.";
    for (const char* k : {"type", "name", "uuid", "text", "image"})
        if (!IsText(item[k])) {
            CString why;
            why.Format(L"an entry's \"%S\" is not a text.", k);
            return why;
        }
    const Json::Value& books = item["notebooks"];
    if (!books.isNull() && (!books.isArray() || (books.size() > 0 && !books[0u].isString())))
        return L"an entry's \"notebooks\" is not a list of texts.";
    return CString();
}

bool IsReservedFileName(const CString& name)
{
    CString base = name;
    int dot = base.Find(L'.');
    if (dot >= 0)
        base = base.Left(dot);
    base.TrimRight(L" ");
    base.MakeUpper();
    static const wchar_t* const names[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
    for (const wchar_t* n : names)
        if (base == n)
            return true;
    return base.GetLength() == 4 && (base.Left(3) == L"COM" || base.Left(3) == L"LPT") && base[3] >= L'0' &&
           base[3] <= L'9';
}

bool HasReservedPart(const CString& path)
{
    int start = 0;
    for (int i = 0; i <= path.GetLength(); ++i) {
        if (i == path.GetLength() || path[i] == L'\\' || path[i] == L'/') {
            if (IsReservedFileName(path.Mid(start, i - start)))
                return true;
            start = i + 1;
        }
    }
    return false;
}

CString ResolvePathInside(const CString& baseDir, const CString& path)
{
    if (path.IsEmpty() || baseDir.IsEmpty() || HasReservedPart(path))
        return CString();
    CString p = path;
    p.Replace(L'/', L'\\');
    bool absolute = (p.GetLength() >= 2 && p[1] == L':') || p.Left(1) == L"\\";
    if (!absolute)
        return ResolveImportPath(baseDir, p);
    wchar_t full[MAX_PATH * 2], base[MAX_PATH * 2];
    DWORD n = GetFullPathNameW(p, MAX_PATH * 2, full, nullptr);
    DWORD m = GetFullPathNameW(baseDir, MAX_PATH * 2, base, nullptr);
    if (!n || n >= MAX_PATH * 2 || !m || m >= MAX_PATH * 2)
        return CString();
    CString f = full, b = base;
    if (b.Right(1) != L"\\")
        b += L"\\";
    // below the folder, and a plain file name there: no stream, no device
    if (f.GetLength() <= b.GetLength() || f.Left(b.GetLength()).CompareNoCase(b) != 0)
        return CString();
    CString rest = f.Mid(b.GetLength());
    if (rest.Find(L':') >= 0)
        return CString();
    return ResolveImportPath(b, rest);
}

CSpringpadImport::CSpringpadImport()
{
    m_caption = L"Import Springpad to Pelora";
    m_fileFilter = L"SpringPad databases (*.json)|*.json|All Files (*.*)|*.*||";
    m_defaultExt = L"json";
    m_pathLabel = L"Springpad Database File";
}

BOOL CSpringpadImport::ImportFile(HWND progress, const CString& path)
{
    ResetRun();
    m_importedNotes = 0;
    m_refusedImages = 0;
    char* text = nullptr;
    int length = 0;
    if (!ReadWholeFile(path, kMaxWholeFileBytes, text, length, m_errorText))
        return FALSE;
    BOOL ok = ImportSpringpadText(progress, text, length, BaseDirOf(path));
    delete[] text;
    return ok;
}

BOOL CSpringpadImport::ImportSpringpadText(HWND progress, const char* text, int length, const CString& baseDir)
{
    CNotebook* book = GetNotebook();
    DB::CPeloraDatabase* db = GetDatabase();
    if (!book || !db) {
        m_errorText = L"no notebook is open.";
        return FALSE;
    }
    Json::Value root;
    if (!Parse(text, length, root, m_errorText))
        return FALSE;
    if (!root.isArray()) {
        m_errorText = L"the file is not a Springpad export (no list of entries).";
        return FALSE;
    }
    CFolderItem* target = m_createFolders ? ImportFolder(kUserFolderId) : GetImportUi()->GetActiveFolder();
    // the root, a tag, a saved search or the trash hold no notes of their own
    if (!target || target->GetType() == FolderRoot || target->GetType() == FolderTag ||
        target->GetType() == FolderSavedSearch || book->IsRemovedFolder(target) || target->IsTrash())
        target = ImportFolder(kDefaultFolderId);
    auto typeOf = [](const Json::Value& e) {
        return e.isObject() && e["type"].isString() ? e["type"].asString() : std::string();
    };
    CImportTransaction tx(db);
    std::map<std::wstring, CFolderItem*> notebooks;
    int total = 0;
    for (const Json::Value& e : root) {
        std::string type = typeOf(e);
        if (type == "Notebook" && m_createFolders && CheckSpringpadItem(e).IsEmpty()) {
            CFolderItem* folder = CreateImportFolder(tx, Text(e, "name"), target, true);
            if (folder)
                notebooks[std::wstring(Text(e, "uuid").GetString())] = folder;
        }
        if (type == "Note" || type == "Bookmark")
            ++total;
    }
    SendProgress(progress, WM_IMPORT_SET_NUM_NOTES, (WPARAM)total);
    int index = 0;
    BOOL ok = TRUE;
    for (const Json::Value& e : root) {
        if (IsStopRequested())
            break;
        std::string type = typeOf(e);
        if (type != "Note" && type != "Bookmark")
            continue;
        CString why = CheckSpringpadItem(e);
        if (!why.IsEmpty()) {
            SkipNote(why);
            SendProgress(progress, WM_IMPORT_UPDATE_INFO, (WPARAM)++index);
            continue;
        }
        CString name = Text(e, "name");
        CString body = Text(e, "text");
        CString image = Text(e, "image");
        CString notebookUid;
        if (e["notebooks"].isArray() && e["notebooks"].size() > 0)
            Utf8ToWide(e["notebooks"][0u].asCString(), notebookUid);
        SendProgressText(progress, WM_IMPORT_UPDATE_INFO, (WPARAM)index, name);
        auto it = notebooks.find(std::wstring(notebookUid.GetString()));
        CFolderItem* folder = it != notebooks.end() ? it->second : target;
        CImportNote note(tx, folder);
        if (!note.Ok()) {
            ok = FALSE;
            break;
        }
        CString html;
        if (!image.IsEmpty()) {
            CString file = ResolvePathInside(baseDir, image);
            DB::CItemAttach* a = new DB::CItemAttach;
            if (file.IsEmpty() || !a->ImportFromFile(file, note.Record().note_id, 1, nullptr)) {
                // a picture outside the export's folder, or one that cannot be read, is left out
                ++m_refusedImages;
                delete a;
            } else {
                CString id = a->attach_id;
                if (!note.AddAttach(a)) {
                    ok = FALSE;
                    break;
                }
                html.Format(L"<img src=\"#attacheloc:%s\" /><br>\n", id.GetString());
            }
        }
        html += body;
        note.SetBody(html, html.GetLength(), body.Left(200));
        note.Note()->SetTitle(name);
        CNoteItem* done = note.Commit();
        if (!done) {
            ok = FALSE;
            break;
        }
        m_lastNote = done;
        ++m_importedNotes;
        SendProgress(progress, WM_IMPORT_UPDATE_INFO, (WPARAM)++index);
    }
    if (!tx.Flush())
        ok = FALSE;
    if (!ok)
        m_errorText = L"the notes cannot be written to the database.";
    if (book->Panes()) {
        book->Panes()->RefreshCatalogItem(book->GetRoot());
        book->Panes()->ReloadNoteList(target);
    }
    return ok;
}

} // namespace Import
} // namespace PeloraUI
