// Import of the program's own JSON export and of Springpad JSON exports. Both read the file
// whole (bounded), parse it with JsonCpp and check every value's type before using it: a note
// with a value of the wrong type is skipped and reported, never half-written.
#pragma once
#include "ImportFile.h"
#include <map>
#include <string>

namespace Json { class Value; }

namespace PeloraUI {
namespace Import {

class CImportTransaction;

// Why a note object cannot be read ("" when every key it has is of a usable type): texts are
// strings, numbers are numbers or decimal text, lists are arrays of the right elements.
CString CheckJsonNote(const Json::Value& note);
CString CheckSpringpadItem(const Json::Value& item);

class CJsonImport : public CImportFile {
public:
    CJsonImport();
    BOOL ImportFile(HWND progress, const CString& path) override;
    Pelora::CNoteItem* GetLastNote() override { return m_lastNote; }
    // Reads an export's UTF-8 text; attachment files are read below baseDir only.
    BOOL ImportJsonText(HWND progress, const char* text, int length, const CString& baseDir);

    int m_importedNotes = 0;

private:
    class CNoteReader;
    friend class CNoteReader;
    static int CountFolderNotes(const Json::Value& folder, int depth);

    Pelora::CNoteItem* m_lastNote = nullptr;
};

class CSpringpadImport : public CImportFile {
public:
    CSpringpadImport();
    BOOL ImportFile(HWND progress, const CString& path) override;
    Pelora::CNoteItem* GetLastNote() override { return m_lastNote; }
    CString GetOptionText() const override { return L"Create [Springpad] folder"; }
    void SetOption(bool on) override { m_createFolders = on; }
    BOOL ImportSpringpadText(HWND progress, const char* text, int length, const CString& baseDir);

    // "Create [Springpad] folder": notebooks become folders under "usr_folder".
    bool m_createFolders = false;
    int m_importedNotes = 0;
    int m_refusedImages = 0;

private:
    Pelora::CNoteItem* m_lastNote = nullptr;
};

// A picture path of an export: relative paths are taken below baseDir, absolute ones only when
// they lie inside it. "" for anything else (another folder, another drive, a device, a stream).
CString ResolvePathInside(const CString& baseDir, const CString& path);
// A device name of the system (CON, NUL, COM1, ... with any extension): such a "file" must not
// be opened as one.
bool IsReservedFileName(const CString& name);
// True when any part of the path is a reserved name.
bool HasReservedPart(const CString& path);

} // namespace Import
} // namespace PeloraUI
