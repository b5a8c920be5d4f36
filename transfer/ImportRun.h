// The import worker's run over the chosen files, apart from any window: the progress dialog's
// worker thread calls it, and tests drive it directly.
#pragma once
#include "ImportFile.h"
#include <vector>

namespace PeloraUI {
namespace Import {

// The paths of a path text: each is the text between a pair of double quotes; text outside
// quotes is ignored. Stops early once *stop is set.
std::vector<CString> SplitQuotedPaths(const CString& text, volatile LONG* stop);
// "\"path\"  " for each path, as the file-open dialog's choice is shown.
CString JoinQuotedPaths(const std::vector<CString>& paths);

struct CImportRunResult {
    int files = 0;      // paths in the text
    int failed = 0;     // files whose import failed
    bool stopped = false;
};

// Imports each path with the reader, sending the file messages to progress and telling the
// user of every failed file (and of notes a file could not give) through the import UI. When
// the run was not stopped, the reader's last note is made active.
CImportRunResult RunImportFiles(CImportFile* reader, HWND progress, const CString& pathText, volatile LONG* stop);

} // namespace Import
} // namespace PeloraUI
