#include "ImportRun.h"
#include "Notebook.h"
#include "LWFileHelper.h"

namespace PeloraUI {
namespace Import {

std::vector<CString> SplitQuotedPaths(const CString& text, volatile LONG* stop)
{
    std::vector<CString> out;
    int i = 0;
    while (!(stop && *stop)) {
        int open = text.Find(L'"', i);
        if (open < 0)
            break;
        int close = text.Find(L'"', open + 1);
        if (close < 0)
            break;
        out.push_back(text.Mid(open + 1, close - open - 1));
        i = close + 1;
    }
    return out;
}

CString JoinQuotedPaths(const std::vector<CString>& paths)
{
    CString out;
    for (const CString& p : paths)
        out += L"\"" + p + L"\"  ";
    return out;
}

CImportRunResult RunImportFiles(CImportFile* reader, HWND progress, const CString& pathText, volatile LONG* stop)
{
    CImportRunResult result;
    std::vector<CString> paths = SplitQuotedPaths(pathText, stop);
    result.files = (int)paths.size();
    SendProgress(progress, WM_IMPORT_SET_NUM_FILES, (WPARAM)paths.size());
    for (int k = 0; k < (int)paths.size() && !(stop && *stop); ++k) {
        CString path = paths[k];
        path.Trim(L'"');
        SendProgressText(progress, WM_IMPORT_SET_FILE, (WPARAM)k, LWFileHelper::UrlGetFileName(path));
        BOOL ok = reader ? reader->ImportFile(progress, path) : FALSE;
        if (!ok) {
            ++result.failed;
            CString text;
            text.Format(L"Can not import a data from '%s'\nError: %s", path.GetString(),
                        reader ? reader->m_errorText.GetString() : L"");
            GetImportUi()->ShowMessage(text, CString());
        } else if (reader && reader->m_skippedNotes > 0) {
            // the notes that could be read are in; the user learns what was left out and why
            CString text;
            text.Format(L"%d note(s) of '%s' could not be read and were left out.\nFirst reason: %s",
                        reader->m_skippedNotes, path.GetString(), reader->m_skipReason.GetString());
            GetImportUi()->ShowMessage(text, CString());
        }
        SendProgress(progress, WM_IMPORT_SET_FILE, (WPARAM)(k + 1));
    }
    result.stopped = stop && *stop;
    if (!result.stopped && reader) {
        if (Pelora::CNoteItem* note = reader->GetLastNote())
            GetImportUi()->SetActiveNote(note->GetFolder(), note);
    }
    return result;
}

} // namespace Import
} // namespace PeloraUI
