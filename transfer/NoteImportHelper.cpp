#include "NoteImportHelper.h"
#include "ImportFile.h"
#include "ImportWriter.h"
#include "HtmlNode.h"
#include "HtmlTokenizer.h"
#include "TextConv.h"
#include "LWFileHelper.h"
#include "ObjectId.h"
#include <tinyxml.h>

using namespace Pelora;

namespace PeloraUI {
namespace Import {

namespace {

CString Utf8Text(const char* utf8)
{
    CString out;
    if (utf8)
        Utf8ToWide(utf8, out);
    return out;
}

bool NameIs(const TiXmlElement* e, const char* name)
{
    return _stricmp(e->Value(), name) == 0;
}

CString Canonical(const CString& path)
{
    wchar_t full[MAX_PATH * 2];
    DWORD n = GetFullPathNameW(path, MAX_PATH * 2, full, nullptr);
    return n && n < MAX_PATH * 2 ? CString(full) : CString();
}

} // namespace

CNoteImportHelper::CNoteImportHelper(CFolderItem* folder) : m_folder(folder)
{
    m_allowedDir = LWFileHelper::GetTempDir();
}

CNoteImportHelper::~CNoteImportHelper() {}

int CNoteImportHelper::ImportFromXml(const wchar_t* descriptor)
{
    char* utf8 = nullptr;
    if (!descriptor || !WideToUtf8(descriptor, utf8))
        return -1;
    TiXmlDocument doc;
    doc.Parse(utf8, nullptr, TIXML_ENCODING_UTF8);
    delete[] utf8;
    if (doc.Error())
        return -1;
    for (const TiXmlElement* e = doc.FirstChildElement(); e; e = e->NextSiblingElement())
        ReadElement(e);
    CNotebook* book = GetNotebook();
    if (m_lastNote && book) {
        CFolderItem* folder = book->FindFolderByItemId(m_lastNote->GetRecord().folder_id);
        GetImportUi()->SetActiveNote(folder, m_lastNote);
    }
    return -1;
}

void CNoteImportHelper::ReadElement(const TiXmlElement* element)
{
    if (NameIs(element, "note")) {
        ReadNote(element);
        return;
    }
    for (const TiXmlElement* c = element->FirstChildElement(); c; c = c->NextSiblingElement())
        ReadElement(c);
}

CString CNoteImportHelper::CheckPath(const CString& path)
{
    // only a file directly inside the add-in's folder: the descriptor may come from any COM client
    CString full = Canonical(path);
    CString base = Canonical(m_allowedDir);
    if (!full.IsEmpty() && !base.IsEmpty()) {
        if (base.Right(1) != L"\\")
            base += L"\\";
        if (full.GetLength() > base.GetLength() && full.Left(base.GetLength()).CompareNoCase(base) == 0) {
            CString rest = full.Mid(base.GetLength());
            if (rest.FindOneOf(L"\\/:") < 0)
                return full;
        }
    }
    if (m_refusedPaths++ == 0)
        m_firstRefused = path;
    return CString();
}

void CNoteImportHelper::ReadNote(const TiXmlElement* element)
{
    CNotebook* book = GetNotebook();
    DB::CPeloraDatabase* db = GetDatabase();
    CFolderItem* folder = m_folder ? m_folder : (book ? book->FindFolder(kDefaultFolderId) : nullptr);
    if (!book || !db || !folder)
        return;
    CImportTransaction tx(db, 1);
    CImportNote note(tx, folder);
    if (!note.Ok())
        return;
    // the names of this note's attachments only: another note's files are not its pictures
    CAttachNameMap names;
    std::vector<CString> tags;
    for (const TiXmlElement* c = element->FirstChildElement(); c; c = c->NextSiblingElement()) {
        if (NameIs(c, "attachment")) {
            CString path = Utf8Text(c->Attribute("pathname"));
            CString name = Utf8Text(c->Attribute("filename"));
            CString id;
            if (AttachFile(note, path, id))
                names[std::wstring(name.GetString())] = id;
        } else if (NameIs(c, "tag")) {
            tags.push_back(Utf8Text(c->GetText()));
        } else if (NameIs(c, "title")) {
            note.Note()->SetTitle(Utf8Text(c->GetText()));
        }
    }
    CString body;
    const char* bodyPath = element->Attribute("pathname");
    if (bodyPath) {
        CString path = CheckPath(Utf8Text(bodyPath));
        if (!path.IsEmpty())
            ReadBodyFile(path, true, body);
    }
    CString preview;
    {
        CHtmlNode root;
        root.Parse(body, body.GetLength(), true);
        root.GetPlainText(preview, 0);
    }
    CString html = RewriteImageSources(body, body.GetLength(), names);
    if (!tags.empty()) {
        note.Note()->GetTags().clear();
        note.SetTags(tags);
    }
    note.SetBody(html, html.GetLength(), preview);
    CNoteItem* done = note.Commit();
    tx.Flush();
    if (!done)
        return;
    ++m_notes;
    m_lastNote = done;
    RefreshViews(folder, done);
}

bool CNoteImportHelper::AttachFile(CImportNote& note, const CString& given, CString& attachId)
{
    CString path = CheckPath(given);
    if (path.IsEmpty())
        return false;
    HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        GetImportUi()->ShowMessage(path, L"Error: cann't open file");
        return false;
    }
    LARGE_INTEGER size = {};
    GetFileSizeEx(f, &size);
    CloseHandle(f);
    if (size.QuadPart == 0) {
        GetImportUi()->ShowMessage(path, L"Error: file has zero length");
        return false;
    }
    DB::CItemAttach* a = new DB::CItemAttach;
    CString id;
    PeloraGenerateKeyString(id);
    if (!a->ImportFromFile(path, note.Record().note_id, 1, id)) {
        delete a;
        GetImportUi()->ShowMessage(path, L"Error: cann't open file");
        return false;
    }
    a->mime = LWFileHelper::GetMimeType(path);
    a->type = 1;
    if (!note.AddAttach(a))
        return false;
    attachId = id;
    return true;
}

bool CNoteImportHelper::ReadBodyFile(const CString& path, bool utf8, CString& body)
{
    char* raw = nullptr;
    int length = 0;
    CString error;
    if (!ReadWholeFile(path, kMaxWholeFileBytes / 2, raw, length, error))
        return false;
    wchar_t* wide = utf8 ? utf8_to_unicode(raw) : cp1251_to_unicode(raw);
    delete[] raw;
    if (!wide)
        return false;
    body = wide;
    free(wide);
    return true;
}

int CNoteImportHelper::RefreshViews(CFolderItem* folder, CNoteItem* note)
{
    GetImportUi()->RefreshViews(folder, note);
    return 1;
}

// --- image sources

CString CNoteImportHelper::MapImageSource(const CString& value, const CAttachNameMap& map)
{
    CString key = value;
    int colon = value.Find(L':');
    int at = colon >= 0 ? value.Find(L'@', colon + 1) : -1;
    if (colon >= 0 && at > colon)
        key = value.Mid(colon + 1, at - colon - 1);
    auto it = map.find(std::wstring(key.GetString()));
    if (it != map.end())
        return L"#attacheloc:" + it->second + L"#";
    // a mail's remote pictures keep their address
    CString lower = value;
    lower.Trim();
    if (lower.Left(7).CompareNoCase(L"http://") == 0 || lower.Left(8).CompareNoCase(L"https://") == 0)
        return value;
    return L"about:blank";
}

CString CNoteImportHelper::RewriteImageSources(const wchar_t* html, int chars, const CAttachNameMap& map)
{
    CString out;
    if (!html || chars <= 0)
        return out;
    out.Preallocate(chars + 64);
    CHtmlTokenizer tok;
    tok.Reset();
    int pos = 0, copied = 0, valueStart = -1;
    bool image = false, source = false;
    for (;;) {
        int token = tok.NextToken(html, chars, pos);
        if (token == CHtmlTokenizer::TokenEnd)
            break;
        switch (token) {
        case CHtmlTokenizer::TokenTagName:
            image = chars - pos >= 3 && _wcsnicmp(html + pos, L"img", 3) == 0;
            source = false;
            break;
        case CHtmlTokenizer::TokenAttribute:
            source = chars - pos >= 4 && _wcsnicmp(html + pos, L"src=", 4) == 0;
            break;
        case CHtmlTokenizer::TokenValue:
            if (image && source && tok.GetQuote()) {
                out.Append(html + copied, pos + 1 - copied);
                valueStart = pos + 1;
                copied = valueStart;
            }
            break;
        case CHtmlTokenizer::TokenValueEnd:
            if (valueStart >= 0) {
                out += MapImageSource(CString(html + valueStart, pos - valueStart), map);
                copied = pos;
                valueStart = -1;
                image = false;
                source = false;
            }
            break;
        }
        if (pos >= chars)
            break;
        ++pos;
    }
    if (valueStart >= 0) {
        // a value still open at the end is dropped with its source
        out += MapImageSource(CString(html + valueStart, chars - valueStart), map);
    } else if (copied < chars) {
        out.Append(html + copied, chars - copied);
    }
    return out;
}

// --- the writer

namespace {

CString Xml(const CString& text, bool attribute)
{
    CString out;
    for (int i = 0; i < text.GetLength(); ++i) {
        wchar_t c = text[i];
        if (c == L'&')
            out += L"&amp;";
        else if (c == L'<')
            out += L"&lt;";
        else if (c == L'>')
            out += L"&gt;";
        else if (c == L'\'' && attribute)
            out += L"&apos;";
        else
            out += c;
    }
    return out;
}

} // namespace

CString WriteMailDescriptor(const CMailDescriptor& mail)
{
    CString t = L"<?xml version=\"1.0\" standalone='no' ?>\n<folder>\n  <note ";
    if (!mail.bodyId.IsEmpty()) {
        t += L" pathname='" + Xml(mail.tempDir + L"email_" + mail.bodyId + L".htm", true) + L"'";
        t += mail.saveAttachments ? L" b_save_attachments='1'" : L" b_save_attachments='0'";
    }
    t += L">\n    <title>" + Xml(mail.title, false) + L"</title>\n";
    for (const CString& tag : mail.tags)
        t += L"    <tag>" + Xml(tag, false) + L"</tag>\n";
    for (const CString& name : mail.attachmentNames)
        t += L"    <attachment pathname='" + Xml(mail.tempDir + name, true) + L"' filename='" + Xml(name, true) +
             L"' />\n";
    t += L"  </note>\n</folder>\n";
    return t;
}

} // namespace Import
} // namespace PeloraUI
