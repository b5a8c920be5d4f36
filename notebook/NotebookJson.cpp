// The JSON export of the notebook (written as text, no JSON library) and the readers of the
// import (JsonCpp); the HTML page export's small writer; the export progress window.
#include "Notebook.h"
#include "NotebookJson.h"
#include "ActivityLog.h"
#include "TextConv.h"
#include <json/json.h>
#include <algorithm>
#include <map>

namespace Pelora {

namespace {

// Every text goes out escaped: a quote or backslash in a name must not break the file.
CStringA Esc(const CString& text)
{
    return EscapeJsonWide(text);
}

CStringA Num(int v)
{
    CStringA s;
    s.Format("%d", v);
    return s;
}

CStringA Field(const CStringA& indent, const char* key, const CStringA& value, bool comma = true)
{
    return indent + "\"" + key + "\":\"" + value + (comma ? "\",\r\n" : "\"\r\n");
}

int ReadInt(const Json::Value& v, const char* key)
{
    if (!v.isObject() || !v.isMember(key))
        return 0;
    const Json::Value& x = v[key];
    if (x.isString())
        return (int)strtol(x.asCString(), nullptr, 10);
    if (x.isInt())
        return x.asInt();
    if (x.isUInt())
        return (int)x.asUInt();
    return 0;
}

CString ReadText(const Json::Value& v, const char* key)
{
    CString out;
    if (v.isObject() && v.isMember(key) && v[key].isString())
        Utf8ToWide(v[key].asCString(), out);
    return out;
}

void Send(IExportOutput* out, const CStringA& text)
{
    if (out && !text.IsEmpty())
        out->Write(text.GetString(), text.GetLength());
}

} // namespace

// --- progress window

void CExportProgressWindow::SetTotal(int total)
{
    if (m_wnd)
        SendMessageW(m_wnd, MsgTotal, (WPARAM)total, 0);
}

void CExportProgressWindow::NoteProgress(int count, const wchar_t* title)
{
    if (!m_wnd)
        return;
    wchar_t* copy = nullptr;
    if (title) {
        size_t n = wcslen(title);
        copy = new wchar_t[n + 1];
        wmemcpy(copy, title, n + 1);
    }
    SendMessageW(m_wnd, MsgNote, (WPARAM)count, (LPARAM)copy);
}

// --- notebook

int CNotebook::ExportToJson(IExportProgress* progress, IExportOutput* out, const wchar_t* path)
{
    PELORA_TRACE_SCOPE(1, "Pelora::CNotebook::ExportToJson");
    Send(out, "[\r\n  {\r\n" + Field("  ", "version", "1.0", false) + "  },\r\n");
    static const wchar_t* const kOrder[] = {kDefaultFolderId, kUserFolderId, kConflictFolderId, kTrashFolderId};
    CFolderItem* folders[4] = {};
    int total = 0;
    for (int i = 0; i < 4; ++i) {
        folders[i] = GetFolder(kOrder[i], 1);
        if (folders[i])
            total += folders[i]->GetExportNoteCount();
    }
    if (progress)
        progress->SetTotal(total);
    for (CFolderItem* f : folders)
        if (f)
            f->ExportToJson(progress, out, "  ", false, path);
    Send(out, "  {}\r\n]\r\n");
    return 1;
}

int CNotebook::ExportToHtml(IExportProgress* progress, IHtmlPageWriter* writer, const wchar_t* path, CNoteItem* note)
{
    PELORA_TRACE_SCOPE(1, "Pelora::CNotebook::ExportToHtml");
    CSimpleHtmlPageWriter simple;
    if (!writer)
        writer = &simple;
    static const wchar_t* const kOrder[] = {kDefaultFolderId, kUserFolderId, kConflictFolderId, kTrashFolderId};
    if (note) {
        if (progress)
            progress->SetTotal(1);
        CFolderItem* folder = note->GetFolder();
        return folder ? folder->ExportToHtml(progress, writer, path, note) : writer->ExportNoteToFile(note, path, nullptr);
    }
    int total = 0;
    for (const wchar_t* id : kOrder)
        if (CFolderItem* f = GetFolder(id, 1))
            total += f->GetExportNoteCount();
    if (progress)
        progress->SetTotal(total);
    bool ok = true;
    for (const wchar_t* id : kOrder)
        if (CFolderItem* f = GetFolder(id, 1))
            ok = f->ExportToHtml(progress, writer, path, nullptr) && ok;
    return ok ? 1 : 0;
}

// --- folder writer and reader

void CFolderItem::ExportToJson(IExportProgress* progress, IExportOutput* out, const char* indent, bool isLast,
                               const wchar_t* path)
{
    CStringA in = indent ? indent : "";
    CStringA head = in + "{\r\n" + in + "\"elem_type\":\"folder\",\r\n";
    head += Field(in, "folder_id", Esc(m_folder.folder_id));
    head += Field(in, "folder_name", Esc(m_folder.folder_name));
    head += Field(in, "type", Num(m_folder.type));
    head += in + "\"tags\":[\"" + Esc(m_folder.tags) + "\"],\r\n";
    head += Field(in, "b_syncdirty", Num(m_folder.b_syncdirty));
    head += Field(in, "b_removed", Num(m_folder.b_removed));
    CStringA flags;
    flags.Format("%u", (unsigned)m_folder.flags);
    head += Field(in, "flags", flags);
    head += in + "\"subfolders\":\r\n" + in + "[\r\n";
    Send(out, head);
    CStringA inner = in + "  ";
    std::vector<CFolderItem*> children;
    // a special folder below this one is written on its own (once)
    for (int i = 0; i < GetFolderCount(); ++i)
        if (CFolderItem* c = GetFolderItem(i))
            if (!c->IsSpecial())
                children.push_back(c);
    for (size_t i = 0; i < children.size(); ++i)
        children[i]->ExportToJson(progress, out, inner, i + 1 == children.size(), path);
    Send(out, in + "],\r\n" + in + "\"notes\":\r\n" + in + "[\r\n");
    // removed notes are not written: the last one written carries no comma
    std::vector<CNoteItem*> notes;
    for (CNoteItem* n : m_notes)
        if (n && !n->GetRecord().b_removed)
            notes.push_back(n);
    for (size_t i = 0; i < notes.size(); ++i)
        notes[i]->ExportToJson(progress, out, inner, i + 1 == notes.size(), path);
    Send(out, in + "]\r\n" + in + (isLast ? "} \r\n" : "},\r\n"));
}

void CFolderItem::ImportFromJson(INoteImporter* importer, const Json::Value& value)
{
    CNotebook* book = GetNotebook();
    if (!importer || !book || !value.isObject() || importer->IsCancelled())
        return;
    const Json::Value& subs = value["subfolders"];
    if (subs.isArray()) {
        for (const Json::Value& sub : subs) {
            if (importer->IsCancelled())
                return;
            if (!sub.isObject() || !sub.isMember("folder_id") || !sub.isMember("folder_name"))
                continue;
            CString name = ReadText(sub, "folder_name");
            int type = sub.isMember("type") ? ReadInt(sub, "type") : 0;
            if (type != 0 && type != 1)
                type = 0;
            CFolderItem* child = FindChildFolder(name, -1);
            if (!child) {
                child = book->CreateFolder(name, type, this);
                if (!child)
                    continue;
                book->OnEventFolderCreated(child->GetFolderId());
            }
            child->ImportFromJson(importer, sub);
        }
    }
    const Json::Value& notes = value["notes"];
    if (notes.isArray()) {
        for (const Json::Value& n : notes) {
            if (importer->IsCancelled())
                return;
            if (n.isObject())
                importer->ImportNote(this, n);
        }
    }
}

// --- note writer and readers

CStringA CNoteItem::ExportToJsonText(const char* indent, bool isLast, const wchar_t* path)
{
    Load(0);
    if (m_note.b_removed)
        return CStringA();
    CStringA in = indent ? indent : "";
    CStringA t = in + "{\r\n";
    t += Field(in, "note_id", Esc(m_note.note_id));
    t += Field(in, "date_create", Num(m_note.date_create));
    t += Field(in, "date_update", Num(m_note.date_update_user));
    t += Field(in, "note_title", Esc(m_note.note_title));
    t += Field(in, "b_syncdirty", Num(m_note.b_syncdirty));
    t += Field(in, "b_removed", Num(m_note.b_removed));
    t += Field(in, "b_shared", Num(m_note.b_shared));
    t += Field(in, "sync_priority", Num(m_note.sync_priority));
    t += Field(in, "num_tasks", Num(m_note.num_tasks));
    t += Field(in, "editable", Num(m_note.editable));
    t += Field(in, "preview_text", Esc(m_note.preview_text));
    CString content(m_note.GetContentText(), std::max(0, m_note.content_size / 2));
    t += Field(in, "content_data", EscapeJsonWide(content));
    t += Field(in, "owner", Esc(m_note.owner));
    t += Field(in, "url", Esc(m_note.url));
    t += Field(in, "geo_str1", Esc(m_note.geo_str1));
    t += Field(in, "geo_str2", Esc(m_note.geo_str2));
    t += Field(in, "page_color", Num(m_note.page_color));
    t += in + "\"tags\":[";
    for (size_t i = 0; i < m_tags.size(); ++i)
        t += (i ? ",\"" : "\"") + Esc(m_tags[i]) + "\"";
    t += "],\r\n";
    t += in + "\"tasks\":[";
    if (m_tasks.IsEmpty()) {
        t += "  ],\r\n";
    } else {
        t += "\r\n";
        CStringA in2 = in + in;
        int n = m_tasks.GetCount(), i = 0;
        POSITION pos = m_tasks.GetHeadPosition();
        while (pos) {
            DB::CItemTask* task = static_cast<DB::CItemTask*>(m_tasks.GetNext(pos));
            t += in2 + "{\r\n";
            t += Field(in2, "task_info", Esc(task->task_info));
            t += Field(in2, "b_checked", Num(task->b_checked));
            t += Field(in2, "date_create", Num(task->date_create));
            t += Field(in2, "date_update", Num(task->date_update), false);
            t += in2 + (++i < n ? "},\r\n" : "}\r\n");
        }
        t += "  ],\r\n";
    }
    t += in + "\"attach_list\":[\r\n";
    std::vector<DB::CItemAttach*> attaches;
    POSITION pos = m_attaches.GetHeadPosition();
    while (pos) {
        DB::CItemAttach* a = m_attaches.GetNextAttach(pos);
        if (!a->IsSystemAttach() && !a->b_removed)
            attaches.push_back(a);
    }
    for (size_t i = 0; i < attaches.size(); ++i)
        t += attaches[i]->ExportToJsonText(in + "  ", i + 1 == attaches.size(), path);
    t += in + "]\r\n" + in + (isLast ? "} \r\n" : "},\r\n");
    return t;
}

void CNoteItem::ExportToJson(IExportProgress* progress, IExportOutput* out, const char* indent, bool isLast,
                             const wchar_t* path)
{
    Load(0);
    if (m_note.b_removed)
        return;
    DB::CPeloraDatabase* db = GetDatabase();
    if (db)
        db->NoteLoadPreview(&m_note);
    int count = progress ? progress->Counter : 0;
    if (progress)
        progress->NoteProgress(count, m_note.note_title);
    Send(out, ExportToJsonText(indent, isLast, path));
    m_note.DeletePreviewImage();
    if (progress) {
        progress->NoteProgress(count + 1, nullptr);
        progress->Counter = count + 1;
    }
}

std::vector<CString> CNoteItem::ReadJsonTagNames(const Json::Value& value)
{
    std::vector<CString> names;
    if (!value.isObject() || !value["tags"].isArray())
        return names;
    for (const Json::Value& t : value["tags"]) {
        CString name;
        if (t.isString())
            Utf8ToWide(t.asCString(), name);
        name.Trim();
        if (!name.IsEmpty())
            names.push_back(name);
    }
    return names;
}

void CNoteItem::ImportTagsFromJson(const Json::Value& value)
{
    std::vector<CString> names = ReadJsonTagNames(value);
    CNotebook* book = GetNotebook();
    if (book && !names.empty())
        book->SetNoteTags(&names, this, 0);
}

bool CNoteItem::ImportTasksFromJson(const Json::Value& value)
{
    if (!value.isObject() || !value["tasks"].isArray())
        return true;
    DB::CPeloraDatabase* db = GetDatabase();
    for (const Json::Value& t : value["tasks"]) {
        CString info = ReadText(t, "task_info");
        info.Trim();
        if (info.IsEmpty())
            continue;
        DB::CItemTask* task = AddTask(info, ReadInt(t, "b_checked"));
        task->date_create = ReadInt(t, "date_create");
        task->date_update = ReadInt(t, "date_update");
        bool stored = !db || db->CreateTask(task);
        task->pending_insert = 0;
        if (!stored)
            return false;
        ++m_note.num_tasks;
    }
    return true;
}

CString ResolveImportPath(const wchar_t* baseDir, const CString& pathname)
{
    CString rel = pathname;
    rel.Replace(L'/', L'\\');
    while (rel.Left(2) == L".\\")
        rel = rel.Mid(2);
    // only a plain relative path below the export's folder: no drive, root, UNC, stream or ".."
    if (rel.IsEmpty() || rel[0] == L'\\' || rel.Find(L':') >= 0 || !baseDir || !*baseDir)
        return CString();
    int start = 0;
    while (start <= rel.GetLength()) {
        int slash = rel.Find(L'\\', start);
        CString part = slash < 0 ? rel.Mid(start) : rel.Mid(start, slash - start);
        if (part == L".." || part.IsEmpty())
            return CString();
        if (slash < 0)
            break;
        start = slash + 1;
    }
    CString base = baseDir;
    if (base[base.GetLength() - 1] != L'\\' && base[base.GetLength() - 1] != L'/')
        base += L"\\";
    return base + rel;
}

bool CNoteItem::ImportAttachesFromJson(const Json::Value& value, const wchar_t* baseDir)
{
    if (!value.isObject() || !value["attach_list"].isArray())
        return true;
    DB::CPeloraDatabase* db = GetDatabase();
    if (!db)
        return true;
    std::vector<std::pair<CString, CString>> renamed;
    for (const Json::Value& a : value["attach_list"]) {
        if (!a.isObject())
            continue;
        CString oldId = ReadText(a, "attach_id");
        CString path = ResolveImportPath(baseDir, ReadText(a, "pathname"));
        if (path.IsEmpty())
            continue;
        DB::CItemAttach* rec = new DB::CItemAttach;
        int type = ReadInt(a, "type");
        if (!rec->ImportFromFile(path, m_note.note_id, type, nullptr)) {
            delete rec;
            continue;
        }
        CString name = ReadText(a, "attachname");
        if (!name.IsEmpty())
            rec->filename = name;
        CString mime = ReadText(a, "mime");
        if (!mime.IsEmpty())
            rec->mime = mime;
        rec->type = type;
        rec->date_create = ReadInt(a, "date_create");
        rec->date_update = ReadInt(a, "date_update");
        rec->b_syncdirty = 1;
        if (!db->CreateAttach(rec) || !db->UpdateAttachContent(rec)) {
            delete rec;
            return false;
        }
        // only the bitmap here: the caller stores the preview with the note
        if (!m_preview)
            MakePreviewBitmap(rec);
        if (!oldId.IsEmpty())
            renamed.emplace_back(oldId, rec->attach_id);
        rec->RelocateBuffer(0);
        m_attaches.AddTail(rec);
    }
    if (!renamed.empty() && m_note.content_data) {
        CString text(m_note.GetContentText(), std::max(0, m_note.content_size / 2));
        for (auto& r : renamed)
            text.Replace(r.first, r.second);
        SetContentText(text);
        return db->NoteUpdateContent(&m_note) != 0;
    }
    return true;
}

// --- the model's own note importer

CJsonNoteImporter::CJsonNoteImporter(const wchar_t* baseDir) : m_baseDir(baseDir ? baseDir : L"") {}

int CJsonNoteImporter::ImportNote(CFolderItem* folder, const Json::Value& value)
{
    CNotebook* book = GetNotebook();
    DB::CPeloraDatabase* db = GetDatabase();
    if (!book || !db || !folder || !value.isObject())
        return 0;
    CNoteItem* note = book->NewNoteItem(folder);
    DB::CItemNote& rec = note->GetRecord();
    CString title = ReadText(value, "note_title");
    if (value.isMember("note_title"))
        note->SetTitle(title);
    if (value.isMember("date_create"))
        rec.date_create = ReadInt(value, "date_create");
    if (value.isMember("date_update"))
        rec.date_update = rec.date_update_user = ReadInt(value, "date_update");
    rec.b_shared = ReadInt(value, "b_shared");
    if (value.isMember("editable"))
        rec.editable = ReadInt(value, "editable");
    rec.owner = ReadText(value, "owner");
    rec.url = ReadText(value, "url");
    rec.geo_str1 = ReadText(value, "geo_str1");
    rec.geo_str2 = ReadText(value, "geo_str2");
    if (value.isMember("page_color"))
        rec.page_color = ReadInt(value, "page_color");
    note->SetPreviewText(ReadText(value, "preview_text"));
    if (value.isMember("content_data"))
        note->SetContentText(ReadText(value, "content_data"));
    rec.num_tasks = 0;
    rec.b_syncdirty = 1;

    // The note with its tasks, attachments, preview and tag links is stored whole or not at
    // all; tag items are found or made first (the tag list's mutex comes before the store).
    std::vector<CString> tagNames = CNoteItem::ReadJsonTagNames(value);
    std::vector<CTagItem*> tags, created;
    bool ok = book->MakeNoteTags(tagNames, tags, created);
    if (ok) {
        DB::CStoreTransaction txn(db);
        ok = txn.Started() && book->StoreNewNote(note);
        ok = ok && note->ImportTasksFromJson(value);
        ok = ok && note->ImportAttachesFromJson(value, m_baseDir);
        ok = ok && note->PreviewImageWrite();
        ok = ok && db->UpdateNote(&rec, 1);
        ok = ok && book->LinkNoteTags(tags, rec.itemid);
        ok = ok && txn.Commit();
    }
    if (!ok) {
        book->DropNoteTags(created);
        delete note;
        return 0;
    }
    book->AdoptNewNote(note, folder, tagNames);
    if (note->GetPreviewBitmap() && book->Panes())
        book->Panes()->RedrawNoteList();
    ++m_imported;
    book->NotifyNoteChanged(note);
    return 1;
}

bool CJsonNoteImporter::ImportText(const char* utf8)
{
    CNotebook* book = GetNotebook();
    if (!book || !utf8)
        return false;
    Json::CharReaderBuilder builder;
    Json::Value root;
    std::string errors;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    if (!reader->parse(utf8, utf8 + strlen(utf8), &root, &errors) || !root.isArray())
        return false;
    for (const Json::Value& elem : root) {
        if (IsCancelled())
            break;
        if (!elem.isObject() || ReadText(elem, "elem_type") != L"folder")
            continue;
        // the special folders take their own contents; anything else lands under "usr_folder"
        CString id = ReadText(elem, "folder_id");
        CFolderItem* target = nullptr;
        if (id == kDefaultFolderId || id == kUserFolderId || id == kConflictFolderId || id == kTrashFolderId)
            target = book->GetFolder(id, 1);
        if (!target)
            target = book->GetFolder(kUserFolderId, 1);
        if (target)
            target->ImportFromJson(this, elem);
    }
    return true;
}

// --- the least HTML page writer

bool CSimpleHtmlPageWriter::ExportNoteToFile(CNoteItem* note, const wchar_t* fileName, const wchar_t* directory)
{
    if (!note)
        return false;
    CString dir = directory ? directory : L"";
    if (!dir.IsEmpty() && dir[dir.GetLength() - 1] != L'\\' && dir[dir.GetLength() - 1] != L'/')
        dir += L"\\";
    CString name = fileName && *fileName ? CString(fileName) : note->GetNoteId() + L".html";
    // a name taken from user text must stay inside the directory
    for (const wchar_t* bad = L"\\/:*?\"<>|"; *bad; ++bad)
        name.Replace(*bad, L'_');
    wchar_t* html = nullptr;
    const DB::CItemNote& rec = note->GetRecord();
    CString prefix;  // attachments are written beside the page and linked by file name
    int bytes = CNoteItem::NoteToHtml(rec.GetContentText(), rec.content_size, prefix, html);
    CString body(html, bytes / 2);
    delete[] html;
    for (int i = 0; i < note->GetAttachCount(); ++i) {
        DB::CItemAttach* a = note->GetAttach(i);
        if (a->IsSystemAttach())
            continue;
        CString file = a->GetStorageFileName();
        if (a->SaveToFile(dir + file, nullptr))
            body.Replace(L"\"" + a->attach_id + L"\"", L"\"" + file + L"\"");
    }
    CString page = L"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"><title>" +
                   rec.note_title + L"</title></head><body>" + body + L"</body></html>";
    char* utf8 = nullptr;
    int size = WideToUtf8(page, utf8);
    if (!size)
        return false;
    HANDLE f = CreateFileW(dir + name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = f != INVALID_HANDLE_VALUE;
    if (ok) {
        DWORD written = 0;
        static const unsigned char bom[] = {0xEF, 0xBB, 0xBF};
        ok = WriteFile(f, bom, 3, &written, nullptr) && WriteFile(f, utf8, (DWORD)(size - 1), &written, nullptr);
        CloseHandle(f);
    }
    delete[] utf8;
    return ok;
}

} // namespace Pelora
