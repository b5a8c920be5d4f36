// A plain text file as a new note: the text (escaped) inside one DIV, titled with the path.
#pragma once
#include "NoteImportHelper.h"

namespace PeloraUI {
namespace Import {

class CImportFileText : public CNoteImportHelper {
public:
    CImportFileText() {}
    ~CImportFileText() override {}
    // The file-open dialog, then LoadFile with the chosen path.
    virtual void BrowseFile();
    // The note made, or null (after a message) when the file cannot be read.
    virtual Pelora::CNoteItem* LoadFile(const wchar_t* path);
};

// A text file's bytes as text: UTF-16 (with a mark, or zero bytes in pairs), UTF-8 (with or
// without a mark) or code page 1251; zero characters are left out.
CString DecodeTextFile(const char* raw, int length);
// "<div>" + the text with &, <, > and " escaped + "</div>".
CString TextToNoteHtml(const wchar_t* text, int chars);

} // namespace Import
} // namespace PeloraUI
