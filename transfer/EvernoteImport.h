// Evernote import: ENEX export files (streamed note by note) and local Evernote databases
// (.exb, SQLite). ENML bodies become the stored HTML, embedded images become attachments
// referenced as "#attacheloc:" + id + "#", other resources plain attachments.
#pragma once
#include "ImportFile.h"
#include "ImportWriter.h"
#include <map>
#include <string>
#include <vector>

class TiXmlElement;

namespace PeloraUI {
namespace Import {

class CImportTransaction;
struct CEnexNote;

// Resource hash (its first 16 hex digits, lower case) -> attachment id, for one note.
class CEnmlIds {
public:
    // The id of the hash, made on first use.
    CString IdFor(const CString& hash);
    bool IsImage(const CString& id) const;
    void AddImage(const CString& id) { m_images.push_back(id); }
    void Clear();

private:
    std::map<std::wstring, CString> m_byHash;
    std::vector<CString> m_images;
};

// The ENML of a note (the whole content text) as stored HTML: the text inside <en-note>, each
// en-media element an IMG with an "#attacheloc:" source when it is an image and left out
// otherwise, the result run through the paste normaliser.
CString EnmlToHtml(const wchar_t* enml, CEnmlIds& ids);

// "YYYYMMDDTHHMMSSZ" (UTC) as seconds since 1970; false for any other text or a time the
// store cannot hold.
bool ParseEnexDate(const char* text, int& out);
// An Evernote database day number (719163.0 is 1970-01-01 00:00 UTC) as seconds since 1970.
bool EvernoteDayToTime(double day, int& out);
// The file extension for a MIME type: its subtype cut at the first character that is not a
// letter or digit, lower case, at most 10 characters; "bin" when nothing is left.
CString ExtensionForMime(const CString& mime);
// mime when it is a plain "type/subtype" of token characters, else "application/octet-stream".
CString CleanMimeType(const CString& mime);

class CEvernoteImport : public CImportFile {
public:
    CEvernoteImport();
    // A path ending in ".enex" (any case) is read as ENEX, anything else as a database.
    BOOL ImportFile(HWND progress, const CString& path) override;
    Pelora::CNoteItem* GetLastNote() override { return m_lastNote; }
    CString GetOptionText() const override { return L"Same folder as in Evernote"; }
    void SetOption(bool on) override { m_sameFolders = on; }

    // Database notes go into one folder per Evernote notebook ("Same folder as in Evernote").
    bool m_sameFolders = false;
    int m_importedNotes = 0;
    int m_skippedResources = 0;
    // The "From Evernote" folder the last ENEX run made.
    Pelora::CFolderItem* m_enexFolder = nullptr;

private:
    BOOL ImportEnex(HWND progress, const CString& path);
    BOOL ImportDatabase(HWND progress, const CString& path);
    // 1 imported, 0 skipped (reason given), -1 the store failed.
    int ImportEnexNote(CImportTransaction& tx, CEnexNote& raw, const CString& spoolDir, HWND progress, int index,
                       CString& reason);

    Pelora::CNoteItem* m_lastNote = nullptr;
    CEnmlIds m_ids;
};

} // namespace Import
} // namespace PeloraUI
