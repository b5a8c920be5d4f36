// The reader contract every file importer follows, the progress messages readers send to the
// window that runs them, and the bounded whole-file read they share.
#pragma once
#include "Framework.h"
#include <cstdint>

namespace Pelora {
class CNoteItem;
class CFolderItem;
}

namespace PeloraUI {
namespace Import {

// Sent (never posted) to the progress window; a text in lParam is a new[] copy the window frees.
enum : UINT {
    WM_IMPORT_SET_NUM_FILES = WM_USER + 0x51,   // wParam: files in this run
    WM_IMPORT_SET_FILE = WM_USER + 0x52,        // wParam: index of the file now starting / files done
    WM_IMPORT_SET_NUM_NOTES = WM_USER + 0x53,   // wParam: notes in the current file
    WM_IMPORT_UPDATE_INFO = WM_USER + 0x54,     // wParam: index of the note now starting / notes done
};

// The largest file a reader takes into memory whole. Bigger files are refused with a message
// instead of an allocation that wraps or exhausts the address space.
const int64_t kMaxWholeFileBytes = 256ll << 20;

// Sends a message with a new[] copy of text (or 0); nothing without a window.
void SendProgressText(HWND wnd, UINT message, WPARAM wParam, const wchar_t* text);
inline void SendProgress(HWND wnd, UINT message, WPARAM wParam)
{
    if (wnd)
        ::SendMessageW(wnd, message, wParam, 0);
}

// Reads a whole file of at most maxBytes (plus eight zero bytes after it, so that it also reads
// as a narrow or wide text). False with a readable reason when it cannot be opened, is a
// folder, is larger than maxBytes, cannot be allocated or cannot be read.
bool ReadWholeFile(const wchar_t* path, int64_t maxBytes, char*& data, int& length, CString& error);

// What the importers ask of the application's windows. The program installs its own; without
// one, messages go to a plain system message box and the active note and folder are left alone.
class IImportUi {
public:
    virtual ~IImportUi() {}
    virtual void ShowMessage(const CString& text, const CString& caption);
    virtual Pelora::CFolderItem* GetActiveFolder();
    virtual void SetActiveNote(Pelora::CFolderItem* /*folder*/, Pelora::CNoteItem* /*note*/) {}
    // The catalogue item of folder and, when it is shown, the note list are brought up to date.
    virtual void RefreshViews(Pelora::CFolderItem* /*folder*/, Pelora::CNoteItem* /*note*/) {}
};
void SetImportUi(IImportUi* ui);
IImportUi* GetImportUi();

class CImportFile {
public:
    CImportFile() {}
    virtual ~CImportFile();
    CImportFile(const CImportFile&) = delete;
    CImportFile& operator=(const CImportFile&) = delete;

    // Imports every note of the file; false with m_errorText set on failure.
    virtual BOOL ImportFile(HWND progress, const CString& path) = 0;
    virtual Pelora::CNoteItem* GetLastNote() = 0;
    // The file as UTF-16: UTF-8 (with or without a byte-order mark) and code page 1251 are
    // converted, UTF-16 stays as it is (with its mark). The caller delete[]s the buffer; bytes is
    // its length without the terminator. False, with the reason in m_errorText, as above.
    virtual BOOL ReadFileToBuffer(const wchar_t* path, wchar_t** buffer, int* bytes);
    // The reader's one choice, shown as the dialog's check box (none when the text is empty).
    virtual CString GetOptionText() const { return CString(); }
    virtual void SetOption(bool) {}

    // Readers test it between notes; the progress dialog's Cancel sets it.
    volatile LONG m_stopRequest = 0;
    CString m_caption;
    CString m_fileFilter;
    CString m_defaultExt;
    CString m_pathLabel;
    CString m_errorText;
    // Notes of the last file that could not be read and were left out, and the first reason.
    int m_skippedNotes = 0;
    CString m_skipReason;

    bool IsStopRequested() const { return m_stopRequest != 0; }
    void ResetRun()
    {
        m_errorText.Empty();
        m_skippedNotes = 0;
        m_skipReason.Empty();
    }
    void SkipNote(const CString& reason)
    {
        if (m_skippedNotes++ == 0)
            m_skipReason = reason;
    }
};

} // namespace Import
} // namespace PeloraUI
