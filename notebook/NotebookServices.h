// What the notes model asks of the application, the editor, the panes and the import/export
// room. Those rooms implement these small interfaces; the model only sees the interfaces, and
// tests give it recording doubles. Every call comes from the UI thread.
#pragma once
#include "Framework.h"

namespace Json { class Value; }

namespace Pelora {

class CNoteItem;
class CFolderItem;

// The application object's side: the active note and folder, the local attachment URL, the
// editor's default font and the options store.
class IApplicationServices {
public:
    virtual ~IApplicationServices() {}
    virtual CNoteItem* GetActiveNote() { return nullptr; }
    virtual CFolderItem* GetActiveFolder() { return nullptr; }
    // The local server's attachment prefix: "http://127.0.0.1:<port>/attach/".
    virtual CString GetAttachUrlPrefix() { return CString(); }
    // Editor defaults for a new note's body ("FontSizeDefault", "FontNameDefault").
    virtual CString GetDefaultFontSize() { return L"14"; }
    virtual CString GetDefaultFontName() { return L"Arial"; }
    // Saves every options page (done when the notebook unloads).
    virtual void SaveOptions() {}
    // "Options.View" DateFormat: 0 by language, 1 day/month/year, 2 month/day/year.
    virtual int GetDateFormat() { return 0; }
};

// The note editor frame and its panels.
class IEditorServices {
public:
    virtual ~IEditorServices() {}
    virtual bool HasEditorFrame() { return false; }
    // The tags bar lays itself out again (the active note's tags changed).
    virtual void RelayoutTagsBar() {}
    // The editing tool bar's Reminder button.
    virtual void SetReminderState(int) {}
    // The view showing note (if any) reloads every image of that source.
    virtual void ReloadImage(CNoteItem*, const CString& /*attachId*/) {}
    // The attachments panel reloads when it shows note_id.
    virtual void OnNoteAttachChanged(const CString& /*attachId*/, const CString& /*noteId*/) {}
};

// The catalogue pane and the note list.
class IPaneServices {
public:
    virtual ~IPaneServices() {}
    virtual bool HasCatalog() { return false; }
    // Rewrites a catalogue item's caption (name and counts).
    virtual void RefreshCatalogItem(CFolderItem*) {}
    // Inserts folder with its subfolders at the end of parent's catalogue item.
    virtual void InsertCatalogSubtree(CFolderItem* /*parent*/, CFolderItem* /*folder*/) {}
    virtual void RemoveCatalogItem(CFolderItem*) {}
    // The state image of an item taking part in the filter node: its filter mark (4096 keep,
    // 8192 exclude) under the state-image mask 0xF000, or 0 to clear it.
    virtual void SetCatalogStateImage(CFolderItem*, int /*mark*/) {}
    virtual void RedrawCatalog() {}
    virtual void UpdateTagList() {}
    virtual void HighlightNoteTags(CNoteItem*) {}
    // The note list refills from the folder and redraws.
    virtual void ReloadNoteList(CFolderItem*) {}
    virtual void RedrawNoteList() {}
};

// The output file of a JSON export.
class IExportOutput {
public:
    virtual ~IExportOutput() {}
    virtual bool Write(const void* bytes, int length) = 0;
};

// The progress window of an export: it gets the number of notes (message 1107) and one
// message 1108 before and after each note; Counter is the running count the writers advance.
class IExportProgress {
public:
    enum : UINT { MsgTotal = WM_USER + 83, MsgNote = WM_USER + 84 };
    virtual ~IExportProgress() {}
    virtual void SetTotal(int) {}
    // Before a note (with its title) and after it (title null).
    virtual void NoteProgress(int /*count*/, const wchar_t* /*title*/) {}
    int Counter = 0;
};

// Sends the two progress messages to a window; the title is a new[] copy the window frees.
class CExportProgressWindow : public IExportProgress {
public:
    explicit CExportProgressWindow(HWND wnd) : m_wnd(wnd) {}
    void SetTotal(int total) override;
    void NoteProgress(int count, const wchar_t* title) override;

private:
    HWND m_wnd;
};

// The JSON import dialog's side of the folder reader.
class INoteImporter {
public:
    virtual ~INoteImporter() {}
    virtual bool IsCancelled() { return false; }
    // Imports one note object into folder (creating the note, its tags, tasks and attachments).
    virtual int ImportNote(CFolderItem* folder, const Json::Value& note) = 0;
};

// The HTML page writer of the export: writes note as a page file (fileName may be null: the
// writer picks one) with its attachments beside it in directory.
class IHtmlPageWriter {
public:
    virtual ~IHtmlPageWriter() {}
    virtual bool ExportNoteToFile(CNoteItem* note, const wchar_t* fileName, const wchar_t* directory) = 0;
};

// The least page writer the model needs on its own: the note's editor-form HTML as a UTF-8 page
// with a byte-order mark, attachment files beside it. The import/export room brings the full one.
class CSimpleHtmlPageWriter : public IHtmlPageWriter {
public:
    bool ExportNoteToFile(CNoteItem* note, const wchar_t* fileName, const wchar_t* directory) override;
};

} // namespace Pelora
