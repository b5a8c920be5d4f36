#include "TextImport.h"
#include "ImportFile.h"
#include "ImportWriter.h"
#include "TextConv.h"

using namespace Pelora;

namespace PeloraUI {
namespace Import {

CString TextToNoteHtml(const wchar_t* text, int chars)
{
    return L"<div>" + EscapeHtmlText(text, chars) + L"</div>";
}

void CImportFileText::BrowseFile()
{
    CFileDialog dlg(TRUE, L"txt", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                    L"Text files (*.txt)|*.txt|All Files (*.*)|*.*||", AfxGetMainWnd());
    if (dlg.DoModal() == IDOK)
        LoadFile(dlg.GetPathName());
}

CString DecodeTextFile(const char* raw, int n)
{
    const unsigned char* b = (const unsigned char*)raw;
    CString out;
    bool le = n >= 2 && b[0] == 0xFF && b[1] == 0xFE;
    bool be = n >= 2 && b[0] == 0xFE && b[1] == 0xFF;
    if (!le && !be && n % 2 == 0 && DetectTextEncoding(raw, (size_t)n) == TEXT_ENCODING_UTF16)
        le = true;   // zero bytes in pairs and no mark: little-endian as the system writes it
    if (le || be) {
        int start = (b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF) ? 2 : 0;
        wchar_t* p = out.GetBuffer((n - start) / 2 + 1);
        int k = 0;
        for (int i = start; i + 1 < n; i += 2) {
            wchar_t c = le ? (wchar_t)(b[i] | b[i + 1] << 8) : (wchar_t)(b[i] << 8 | b[i + 1]);
            if (c)
                p[k++] = c;
        }
        out.ReleaseBuffer(k);
        return out;
    }
    // a stray zero byte would end the text early: it is left out
    std::string bytes;
    bytes.reserve((size_t)n);
    for (int i = 0; i < n; ++i)
        if (raw[i])
            bytes += raw[i];
    int skip = bytes.size() >= 3 && (unsigned char)bytes[0] == 0xEF && (unsigned char)bytes[1] == 0xBB &&
                       (unsigned char)bytes[2] == 0xBF ? 3 : 0;
    int encoding = DetectTextEncoding(bytes.data(), bytes.size());
    wchar_t* wide = encoding == TEXT_ENCODING_UTF8 ? utf8_to_unicode(bytes.c_str() + skip)
                                                   : cp1251_to_unicode(bytes.c_str() + skip);
    if (wide) {
        out = wide;
        free(wide);
    }
    return out;
}

CNoteItem* CImportFileText::LoadFile(const wchar_t* path)
{
    char* raw = nullptr;
    int length = 0;
    CString error;
    // the text becomes UTF-16 and then HTML: a quarter of the whole-file bound keeps both in reach
    if (!path || !ReadWholeFile(path, kMaxWholeFileBytes / 4, raw, length, error)) {
        CString message;
        message.Format(L"Can't open file: %s", path ? path : L"");
        if (error != L"file not found.")
            message += L"\n" + error;
        GetImportUi()->ShowMessage(message, CString());
        return nullptr;
    }
    HCURSOR cursor = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    CString text = DecodeTextFile(raw, length);
    delete[] raw;
    CString html = TextToNoteHtml(text, text.GetLength());
    CString preview = text.Left(200);

    CNotebook* book = GetNotebook();
    CFolderItem* folder = GetImportUi()->GetActiveFolder();
    if (!folder || !book || book->IsRemovedFolder(folder) || folder->IsTrash() || folder->GetType() == FolderRoot ||
        folder->GetType() == FolderTag || folder->GetType() == FolderSavedSearch)
        folder = ImportFolder(kDefaultFolderId);
    CNoteItem* done = nullptr;
    if (folder && GetDatabase()) {
        CImportTransaction tx(GetDatabase(), 1);
        CImportNote note(tx, folder);
        if (note.Ok()) {
            note.Note()->SetTitle(path);
            note.SetBody(html, html.GetLength(), preview);
            done = note.Commit();
        }
    }
    if (done) {
        RefreshViews(folder, done);
        m_lastNote = done;
        GetImportUi()->SetActiveNote(folder, done);
    }
    SetCursor(cursor);
    return done;
}

} // namespace Import
} // namespace PeloraUI
