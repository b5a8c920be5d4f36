// One note in memory: its record, tag names, to-do tasks, attachments, preview bitmap and
// display caches; and the stored note HTML with its editor form.
#pragma once
#include "Framework.h"
#include "DbRecords.h"
#include <vector>

namespace Json { class Value; }
class CByteBuffer;

namespace Pelora {

class CFolderItem;
class IExportOutput;
class IExportProgress;

class CNoteItem {
public:
    CNoteItem();
    virtual ~CNoteItem();
    CNoteItem(const CNoteItem&) = delete;
    CNoteItem& operator=(const CNoteItem&) = delete;

    // --- record and accessors
    DB::CItemNote& GetRecord() { return m_note; }
    const DB::CItemNote& GetRecord() const { return m_note; }
    int GetItemId() const { return m_note.itemid; }
    CString GetNoteId() const { return m_note.note_id; }
    CString GetTitle() const { return m_note.note_title; }
    void SetTitle(const wchar_t* text);
    void SetUrl(const wchar_t* text) { m_note.url = text ? text : L""; }
    CFolderItem* GetFolder() const;
    void SetModified(int v) { m_modified = v; }
    int IsModified() const { return m_modified; }
    int GetPreviewFlag() const { return m_previewTextFlag; }
    int GetPreviewImageFlag() const { return m_previewImageFlag; }
    void SetPreviewImageFlag(int v) { m_previewImageFlag = v; }
    // t = -1 means now.
    void SetDateCreate(int t);
    void SetDateUpdate(int t);

    // --- tags
    std::vector<CString>& GetTags() { return m_tags; }
    int GetTagCount() const { return (int)m_tags.size(); }
    CString GetTagAt(int i) const;
    bool HasTag(const wchar_t* name) const;

    // --- tasks (the to-do pane's items; not the check boxes inside the HTML)
    int GetTaskCount() const { return m_tasks.GetCount(); }
    DB::CItemTask* GetTask(int i) const;
    DB::CItemTask* AddTask(const wchar_t* text, int checked);
    void SaveTasks();

    // --- attachments
    int GetAttachCount() const { return m_attaches.GetCount(); }
    DB::CItemAttach* GetAttach(int i) const;
    DB::CItemAttach* FindAttach(const wchar_t* attachId) const;
    void ClearAttaches() { m_attaches.RemoveAll(); }
    bool RemoveAttach(const wchar_t* attachId);
    CAttachList& GetAttaches() { return m_attaches; }
    // Appends the rows matching the ids (either may be null).
    void LoadAttaches(const wchar_t* noteId, const wchar_t* attachId);
    // Flags the editor view sets/clears around its saves.
    void SetAttachesChanged(int v) { m_attachesChanged = v; }
    int GetAttachesChanged() const { return m_attachesChanged; }
    void SetPasteOnOpen(int v) { m_pasteOnOpen = v; }
    int GetPasteOnOpen() const { return m_pasteOnOpen; }
    // attach_ids the stored HTML refers to (filled by ConvertHtmlToNote).
    const std::vector<CString>& GetReferencedAttaches() const { return m_referenced; }

    // --- content and preview
    void FreeData();
    void SetContentText(const wchar_t* text);
    // Takes the buffer's block.
    void SetContentBuffer(CByteBuffer& buffer);
    bool IsContentLoaded() const { return m_note.content_data != nullptr; }
    void SetPreviewText(const wchar_t* text);
    CString GetPreviewText() const;
    HBITMAP GetPreviewBitmap() const { return m_preview; }
    void LoadPreviewImage();
    int PreviewImageInit();
    // Makes the preview bitmap from an image attachment, redraws the note list and stores it.
    int CreatePreviewFromAttach(DB::CItemAttach* attach);
    // Only makes the bitmap (1) or not (0): no redraw, no store.
    int MakePreviewBitmap(DB::CItemAttach* attach);
    // Stores the preview (with the bitmap's pixels, or none); false when the store failed.
    bool PreviewImageWrite();

    // --- user order position (sort types 16 and 17)
    unsigned GetUserPosition() const { return m_userPosition; }
    void SetUserPosition(unsigned v) { m_userPosition = v; }

    // --- loading and saving
    // Reads the tag names again; unless tagsOnly also the tasks, content and attachments.
    void Load(int tagsOnly);
    // Stores preview, content and row and purges unreferenced attachments, all in one store
    // transaction; false (nothing written, still modified) when any of it failed.
    bool SaveNote();
    bool PurgeUnusedAttaches();

    // --- stored form <-> editor form. Both return the byte size of the new wide text handed
    // out through out (a new[] block the caller delete[]s, with two zero bytes after it).
    int ConvertHtmlToNote(const wchar_t* html, int length, wchar_t*& out);
    int ConvertNoteToHtml(const wchar_t* content, int size, wchar_t*& out) const;
    // The conversions with an explicit attachment prefix (the application's comes through the
    // notebook's services).
    static int HtmlToNote(const wchar_t* html, int length, const CString& prefix, std::vector<CString>* referenced,
                          wchar_t*& out);
    static int NoteToHtml(const wchar_t* content, int size, const CString& prefix, wchar_t*& out);

    // --- dates and display
    // "date time" in one text, or the two parts apart.
    CString FormatDateCreate() const;
    CString FormatDateUpdate() const;
    void FormatDateCreate(CString& date, CString& time) const;
    void FormatDateUpdate(CString& date, CString& time) const;
    CString GetDisplayTitle(HDC dc, int maxWidth, SIZE* size);

    // --- JSON
    void ExportToJson(IExportProgress* progress, IExportOutput* out, const char* indent, bool isLast,
                      const wchar_t* path);
    // What ExportToJson writes (empty for a removed note); path is where attachments go.
    CStringA ExportToJsonText(const char* indent, bool isLast, const wchar_t* path);
    void ImportTagsFromJson(const Json::Value& value);
    // Both false when the store failed (the caller's transaction then drops the note); an
    // attachment whose file cannot be read is skipped.
    bool ImportTasksFromJson(const Json::Value& value);
    // baseDir confines each attachment's "pathname" to the export's folder.
    bool ImportAttachesFromJson(const Json::Value& value, const wchar_t* baseDir);
    // The non-empty names of a JSON note's "tags".
    static std::vector<CString> ReadJsonTagNames(const Json::Value& value);

private:
    static CString FormatDate(int t, int dayFirst);

    std::vector<CString> m_tags;
    int m_attachesChanged = 0;
    int m_pasteOnOpen = 0;
    unsigned m_userPosition = 0;
    int m_modified = 0;
    std::vector<CString> m_referenced;
    DB::CItemNote m_note;
    HBITMAP m_preview = nullptr;
    DB::CItemList m_tasks;
    CAttachList m_attaches;
    int m_previewTextFlag = 1;
    int m_previewImageFlag = 0;
    int m_titleWidth = -1;
    CString m_displayTitle;
    SIZE m_titleSize = {0, 0};
};

} // namespace Pelora
