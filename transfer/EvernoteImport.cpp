#include "EvernoteImport.h"
#include "EnexScanner.h"
#include "HtmlNode.h"
#include "HtmlNormalizeStyles.h"
#include "TextConv.h"
#include "LWFileHelper.h"
#include "LWFunctions.h"
#include "ObjectId.h"
#include <tinyxml.h>
#include <algorithm>

using namespace Pelora;

namespace PeloraUI {
namespace Import {

// --- ids and ENML

CString CEnmlIds::IdFor(const CString& hash)
{
    CString key = hash;
    key.Remove(L'"');
    key = key.Left(16);
    key.MakeLower();
    auto it = m_byHash.find(std::wstring(key.GetString()));
    if (it != m_byHash.end())
        return it->second;
    CString id;
    PeloraGenerateKeyString(id);
    m_byHash[std::wstring(key.GetString())] = id;
    return id;
}

bool CEnmlIds::IsImage(const CString& id) const
{
    return std::find(m_images.begin(), m_images.end(), id) != m_images.end();
}

void CEnmlIds::Clear()
{
    m_byHash.clear();
    m_images.clear();
}

CString EnmlToHtml(const wchar_t* enml, CEnmlIds& ids)
{
    if (!enml)
        return CString();
    const wchar_t* start = FindNoCase(enml, L"<en-note");
    if (start) {
        // past the start tag's ">" (one inside a quoted attribute does not end it)
        wchar_t quote = 0;
        for (start += 8; *start; ++start) {
            if (quote) {
                if (*start == quote)
                    quote = 0;
            } else if (*start == L'"' || *start == L'\'') {
                quote = *start;
            } else if (*start == L'>') {
                ++start;
                break;
            }
        }
    } else {
        start = enml;
    }
    const wchar_t* end = FindNoCase(start, L"</en-note>");
    CString text(start, end ? (int)(end - start) : (int)wcslen(start));
    text.Replace(L"&apos;", L"'");

    CString out;
    out.Preallocate(text.GetLength() + 64);
    int pos = 0;
    for (;;) {
        const wchar_t* base = text.GetString();
        const wchar_t* media = FindNoCase(base + pos, L"<en-media");
        if (!media) {
            out += base + pos;
            break;
        }
        int at = (int)(media - base);
        wchar_t after = base[at + 9];
        if (after != L' ' && after != L'\t' && after != L'\r' && after != L'\n' && after != L'/' && after != L'>') {
            out.Append(base + pos, at + 9 - pos);
            pos = at + 9;
            continue;
        }
        out.Append(base + pos, at - pos);
        CHtmlAttributeMap attrs;
        int stop = HtmlParseAttributes(base + at + 9, attrs);
        int next = at + 9 + stop;
        if (base[next] == L'>')
            ++next;
        // an explicit end tag goes with it
        if (FindNoCase(base + next, L"</en-media>") == base + next)
            next += 11;
        CString hash, type;
        attrs.Lookup(L"hash", hash);
        attrs.Lookup(L"type", type);
        hash.Trim(L'"');
        hash.Trim(L'\'');
        type.Trim(L'"');
        type.Trim(L'\'');
        CString id = ids.IdFor(hash);
        if (type.GetLength() >= 6 && type.Left(5).CompareNoCase(L"image") == 0) {
            attrs.RemoveKey(L"hash");
            attrs.SetAt(L"src", L"\"#attacheloc:" + id + L"#\"");
            out += L"<img ";
            out += HtmlJoinAttributes(attrs);
            out += L" />";
            ids.AddImage(id);
        }
        pos = next;
    }
    CString normalised;
    if (HtmlNormalizeStyles(out, normalised, 0))
        return normalised;
    return out;
}

// --- dates and names

namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t DaysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool Digits(const char* t, int from, int count, int& value)
{
    value = 0;
    for (int i = from; i < from + count; ++i) {
        if (t[i] < '0' || t[i] > '9')
            return false;
        value = value * 10 + (t[i] - '0');
    }
    return true;
}

int DaysInMonth(int y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : days[m - 1];
}

CString ChildText(const TiXmlElement* e, const char* name)
{
    CString out;
    const TiXmlElement* c = e ? e->FirstChildElement(name) : nullptr;
    if (c && c->GetText())
        Utf8ToWide(c->GetText(), out);
    return out;
}

void CollectData(const TiXmlElement* e, std::vector<const TiXmlElement*>& out)
{
    for (const TiXmlElement* c = e->FirstChildElement(); c; c = c->NextSiblingElement()) {
        if (strcmp(c->Value(), "data") == 0)
            out.push_back(c);
        CollectData(c, out);
    }
}

} // namespace

bool ParseEnexDate(const char* t, int& out)
{
    if (!t || strlen(t) != 16 || t[8] != 'T' || t[15] != 'Z')
        return false;
    int y, mo, d, h, mi, s;
    if (!Digits(t, 0, 4, y) || !Digits(t, 4, 2, mo) || !Digits(t, 6, 2, d) || !Digits(t, 9, 2, h) ||
        !Digits(t, 11, 2, mi) || !Digits(t, 13, 2, s))
        return false;
    if (mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo) || h > 23 || mi > 59 || s > 59)
        return false;
    int64_t v = DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
    if (v < 0 || v > 0x7FFFFFFF)
        return false;
    out = (int)v;
    return true;
}

bool EvernoteDayToTime(double day, int& out)
{
    if (!(day >= 719163.0) || day > 719163.0 + 24855.0)
        return false;
    // whole seconds of the UTC instant; rounding keeps 719163.5 at exactly noon
    double seconds = (day - 719163.0) * 86400.0 + 0.5;
    if (seconds >= 2147483647.0)
        return false;
    out = (int)seconds;
    return true;
}

CString ExtensionForMime(const CString& mime)
{
    int slash = mime.Find(L'/');
    CString ext;
    for (int i = slash + 1; i < mime.GetLength() && ext.GetLength() < 10; ++i) {
        wchar_t c = mime[i];
        if ((c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9'))
            ext += c;
        else if (c >= L'A' && c <= L'Z')
            ext += (wchar_t)(c - L'A' + L'a');
        else
            break;
    }
    return ext.IsEmpty() ? CString(L"bin") : ext;
}

CString CleanMimeType(const CString& mime)
{
    // a plain "type/subtype" of token characters, or nothing the store and the server pass on
    int slash = mime.Find(L'/');
    bool ok = slash > 0 && slash < mime.GetLength() - 1 && mime.GetLength() <= 100;
    for (int i = 0; ok && i < mime.GetLength(); ++i) {
        wchar_t c = mime[i];
        ok = i == slash || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
             (c && wcschr(L"!#$&^_.+-", c) && !(c == L'.' && i > 0 && mime[i - 1] == L'.'));
    }
    return ok ? mime : CString(L"application/octet-stream");
}

// --- the reader

CEvernoteImport::CEvernoteImport()
{
    m_caption = L"Import Evernote to Pelora";
    m_fileFilter = L"Evernote files (*.exb;*.enex)|*.exb;*.enex;|Evernote databases (*.exb)|*.exb|"
                   L"Evernote notes (*.enex)|*.enex|All Files (*.*)|*.*||";
    m_pathLabel = L"Evernote Database File:";
}

BOOL CEvernoteImport::ImportFile(HWND progress, const CString& path)
{
    ResetRun();
    m_importedNotes = 0;
    m_skippedResources = 0;
    DWORD attrs = GetFileAttributesW(path);
    if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY)) {
        m_errorText = attrs == INVALID_FILE_ATTRIBUTES ? L"file not found." : L"the path names a folder, not a file.";
        return FALSE;
    }
    if (path.GetLength() >= 5 && path.Right(5).CompareNoCase(L".enex") == 0)
        return ImportEnex(progress, path);
    return ImportDatabase(progress, path);
}

BOOL CEvernoteImport::ImportEnex(HWND progress, const CString& path)
{
    CNotebook* book = GetNotebook();
    if (!book || !GetDatabase()) {
        m_errorText = L"no notebook is open.";
        return FALSE;
    }
    // a first pass counts the notes for the progress bar; it decodes nothing
    int count = 0;
    {
        CEnexScanner counter;
        if (!counter.Open(path, CString(), m_errorText))
            return FALSE;
        CEnexNote note;
        CString reason;
        for (;;) {
            CEnexScanner::Result r = counter.Next(note, reason);
            if (r == CEnexScanner::EndOfFile || r == CEnexScanner::ReadFailed)
                break;
            ++count;
        }
    }
    SendProgress(progress, WM_IMPORT_SET_NUM_NOTES, (WPARAM)count);
    if (count == 0)
        return TRUE;

    CString spoolDir = LWFileHelper::CreateDirInTemp();
    if (spoolDir.IsEmpty()) {
        m_errorText = L"no temporary folder can be made.";
        return FALSE;
    }
    if (spoolDir.Right(1) != L"\\")
        spoolDir += L"\\";
    CEnexScanner scanner;
    if (!scanner.Open(path, spoolDir, m_errorText)) {
        LWFileHelper::RemoveDir(spoolDir);
        return FALSE;
    }
    CImportTransaction tx(GetDatabase());
    // a new folder on every run, even when one of that name exists
    m_enexFolder = CreateImportFolder(tx, L"From Evernote", nullptr, false);
    BOOL ok = m_enexFolder != nullptr;
    if (!ok)
        m_errorText = L"the folder \"From Evernote\" cannot be made.";
    CEnexNote raw;
    for (int index = 0; ok && !IsStopRequested(); ++index) {
        CString reason;
        CEnexScanner::Result r = scanner.Next(raw, reason);
        if (r == CEnexScanner::EndOfFile)
            break;
        if (r == CEnexScanner::ReadFailed) {
            m_errorText = L"the file cannot be read.";
            ok = FALSE;
            break;
        }
        if (r == CEnexScanner::NoteUnusable) {
            SkipNote(reason);
            SendProgress(progress, WM_IMPORT_UPDATE_INFO, (WPARAM)(index + 1));
            continue;
        }
        int done = ImportEnexNote(tx, raw, spoolDir, progress, index, reason);
        if (done < 0) {
            m_errorText = L"the notes cannot be written to the database.";
            ok = FALSE;
        } else if (done == 0) {
            SkipNote(reason);
        }
        raw.Clear();
        SendProgress(progress, WM_IMPORT_UPDATE_INFO, (WPARAM)(index + 1));
    }
    raw.Clear();
    if (!tx.Flush() && ok) {
        m_errorText = L"the notes cannot be written to the database.";
        ok = FALSE;
    }
    scanner.Close();
    LWFileHelper::RemoveDir(spoolDir);
    if (book->Panes())
        book->Panes()->UpdateTagList();
    return ok;
}

int CEvernoteImport::ImportEnexNote(CImportTransaction& tx, CEnexNote& raw, const CString& spoolDir, HWND progress,
                                    int index, CString& reason)
{
    TiXmlDocument doc;
    doc.Parse(raw.xml.c_str(), nullptr, TIXML_ENCODING_UTF8);
    const TiXmlElement* root = doc.Error() ? nullptr : doc.RootElement();
    if (!root) {
        reason.Format(L"a note at byte %I64d is not well-formed XML.", raw.offset);
        return 0;
    }
    // the scanner left the <data> texts out: its entries follow the data elements in order
    std::vector<const TiXmlElement*> dataElems;
    CollectData(root, dataElems);
    if (dataElems.size() != raw.data.size()) {
        reason.Format(L"a note at byte %I64d has resources that cannot be matched.", raw.offset);
        return 0;
    }
    CString title = ChildText(root, "title");
    title.Trim();
    if (title.IsEmpty())
        title = L"no title";
    SendProgressText(progress, WM_IMPORT_UPDATE_INFO, (WPARAM)index, title);

    m_ids.Clear();
    CString content;
    if (const TiXmlElement* c = root->FirstChildElement("content"))
        if (c->GetText())
            Utf8ToWide(c->GetText(), content);
    CString body = EnmlToHtml(content, m_ids);

    CImportNote note(tx, m_enexFolder);
    if (!note.Ok())
        return -1;
    note.Note()->SetTitle(title);
    DB::CItemNote& rec = note.Record();
    if (const TiXmlElement* attrs = root->FirstChildElement("note-attributes"))
        note.Note()->SetUrl(ChildText(attrs, "source-url"));
    int t = 0;
    const TiXmlElement* created = root->FirstChildElement("created");
    if (created && ParseEnexDate(created->GetText(), t))
        rec.date_create = rec.date_update = rec.date_update_user = t;
    const TiXmlElement* updated = root->FirstChildElement("updated");
    if (updated && ParseEnexDate(updated->GetText(), t))
        rec.date_update = rec.date_update_user = t;

    std::vector<CString> tags;
    for (const TiXmlElement* e = root->FirstChildElement("tag"); e; e = e->NextSiblingElement("tag")) {
        CString tag;
        if (e->GetText())
            Utf8ToWide(e->GetText(), tag);
        tag.Trim();
        if (!tag.IsEmpty() && std::find(tags.begin(), tags.end(), tag) == tags.end())
            tags.push_back(tag);
    }
    note.SetTags(tags);

    std::vector<CString> stored;
    for (const TiXmlElement* res = root->FirstChildElement("resource"); res; res = res->NextSiblingElement("resource")) {
        const TiXmlElement* dataElem = res->FirstChildElement("data");
        CString mime = ChildText(res, "mime");
        mime.Trim();
        auto at = std::find(dataElems.begin(), dataElems.end(), dataElem);
        if (!dataElem || mime.IsEmpty() || at == dataElems.end()) {
            ++m_skippedResources;
            continue;
        }
        CEnexData& data = raw.data[at - dataElems.begin()];
        if (data.bad || data.size <= 0) {
            ++m_skippedResources;
            continue;
        }
        CString id = m_ids.IdFor(data.md5);
        // the same bytes twice in one note are stored once
        if (std::find(stored.begin(), stored.end(), id) != stored.end())
            continue;
        int type = m_ids.IsImage(id) ? 0 : 1;
        CString key;
        LWGenerateKeyString(key);
        CString fileName = key + L"." + ExtensionForMime(mime);
        DB::CItemAttach* a = new DB::CItemAttach;
        if (data.file.IsEmpty()) {
            a->attach_id = id;
            a->filename = fileName;
            a->type = type;
            a->date_create = a->date_update = (int)time(nullptr);
            a->RelocateBuffer(data.size);
            memcpy(a->data, data.bytes.data(), (size_t)data.size);
            a->size = data.size;
        } else {
            CString named = spoolDir + LWFileHelper::MakeUniqueFileName(spoolDir, fileName);
            if (!MoveFileW(data.file, named) || !a->ImportFromFile(named, rec.note_id, type, id)) {
                DeleteFileW(named);
                delete a;
                ++m_skippedResources;
                continue;
            }
            DeleteFileW(named);
            data.file.Empty();
        }
        a->mime = CleanMimeType(mime);
        if (!note.AddAttach(a))
            return -1;
        stored.push_back(id);
    }
    note.SetBody(body, body.GetLength());
    CNoteItem* done = note.Commit();
    if (!done)
        return -1;
    m_lastNote = done;
    ++m_importedNotes;
    return 1;
}

} // namespace Import
} // namespace PeloraUI
