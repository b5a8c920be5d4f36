// The model's side of the JSON import: a note importer that makes each note with its tags,
// tasks and attachments, and reads a whole export file into the notebook.
#pragma once
#include "NotebookServices.h"

namespace Pelora {

// Resolves an attachment's "pathname" of an export below baseDir (the folder that holds the
// export file); an empty text for anything that would leave it.
CString ResolveImportPath(const wchar_t* baseDir, const CString& pathname);

class CJsonNoteImporter : public INoteImporter {
public:
    // baseDir: the folder of the export file; attachment files are read only below it.
    explicit CJsonNoteImporter(const wchar_t* baseDir);
    int ImportNote(CFolderItem* folder, const Json::Value& note) override;
    // Reads an export file's text (UTF-8): each folder object goes into the folder of its id.
    bool ImportText(const char* utf8);
    int GetImportedCount() const { return m_imported; }

private:
    CString m_baseDir;
    int m_imported = 0;
};

} // namespace Pelora
