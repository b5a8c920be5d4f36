// The mail import descriptor: the XML text the mail add-in hands to a folder's ImportNotes,
// naming a body file and attachment files it wrote to the user's temporary folder. The reader
// turns each note element into a note; the writer makes the text the add-in sends.
#pragma once
#include "Framework.h"
#include <map>
#include <string>
#include <vector>

class TiXmlElement;
namespace Pelora {
class CFolderItem;
class CNoteItem;
}

namespace PeloraUI {
namespace Import {

class CImportNote;

// Attachment file name -> attachment id, for the note being read.
typedef std::map<std::wstring, CString> CAttachNameMap;

class CNoteImportHelper {
public:
    // folder: the automation object's folder; null means "default".
    explicit CNoteImportHelper(Pelora::CFolderItem* folder = nullptr);
    virtual ~CNoteImportHelper();
    CNoteImportHelper(const CNoteImportHelper&) = delete;
    CNoteImportHelper& operator=(const CNoteImportHelper&) = delete;

    // Reads the descriptor; always -1, which ImportNotes hands back as its err_code.
    int ImportFromXml(const wchar_t* descriptor);
    int RefreshViews(Pelora::CFolderItem* folder, Pelora::CNoteItem* note);

    // The IMG sources of the HTML rewritten: a source naming an attachment of map becomes
    // "#attacheloc:" + id + "#", http and https sources stay, any other becomes "about:blank".
    static CString RewriteImageSources(const wchar_t* html, int chars, const CAttachNameMap& map);
    static CString MapImageSource(const CString& value, const CAttachNameMap& map);

    // The only folder whose files a descriptor may name (the add-in writes there); by default
    // TEMP, else TMP.
    CString m_allowedDir;
    Pelora::CNoteItem* m_lastNote = nullptr;
    int m_notes = 0;
    // Paths refused because they lie outside the allowed folder, and the first of them.
    int m_refusedPaths = 0;
    CString m_firstRefused;

protected:
    void ReadElement(const TiXmlElement* element);
    void ReadNote(const TiXmlElement* note);
    // A file the descriptor names, checked against the allowed folder; "" when refused.
    CString CheckPath(const CString& path);
    // Stores one file as an attachment of the note (with a message box when it cannot be read).
    bool AttachFile(CImportNote& note, const CString& path, CString& attachId);
    // A text file as UTF-16 (bounded); false when it cannot be read.
    bool ReadBodyFile(const CString& path, bool utf8, CString& body);

    Pelora::CFolderItem* m_folder;
};

// What the add-in puts into a descriptor for one mail.
struct CMailDescriptor {
    CString tempDir;            // ends in a separator
    CString bodyId;             // the 16-character id of "email_<id>.htm"; empty: no body file
    bool saveAttachments = false;
    CString title;
    std::vector<CString> tags;
    std::vector<CString> attachmentNames;   // each saved as tempDir + name
};

// The descriptor text, every value escaped (a path with an apostrophe stays one attribute).
CString WriteMailDescriptor(const CMailDescriptor& mail);

} // namespace Import
} // namespace PeloraUI
