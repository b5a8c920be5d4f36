// The nodes of the catalogue: real folders, the root "All My Notes", the filter node, tags and
// saved searches. Every kind holds the array of notes it shows.
#pragma once
#include "Framework.h"
#include "DbRecords.h"
#include <unordered_map>
#include <vector>

namespace Json { class Value; }

namespace Pelora {

class CNoteItem;
class INoteImporter;
class IExportOutput;
class IExportProgress;
class IHtmlPageWriter;

// Kinds returned by GetType.
enum EFolderKind : int {
    FolderUser = 0,         // user folders and "usr_folder"
    FolderConflicts = 1,    // "conflict_folder"
    FolderDefault = 2,      // "default"
    FolderTrash = 3,        // "trash"
    FolderTag = 4,
    FolderSavedSearch = 6,
    FolderRoot = 7,         // "All My Notes"
};

// Filter marks of items that take part in the filter node.
enum : int { FilterMarkKeep = 4096, FilterMarkExclude = 8192 };

class CFolderItem {
public:
    // A new folder: name "Local Folder" and type 1, or "Sync Folder" for type 0.
    explicit CFolderItem(int type = FolderConflicts);

    virtual ~CFolderItem();
    virtual int AddRef();
    virtual int Release();
    // Exports one note (when given) or the folder's tree into targetPath.
    virtual bool ExportToHtml(IExportProgress* progress, IHtmlPageWriter* writer, const wchar_t* targetPath,
                              CNoteItem* note);
    virtual void ExportToJson(IExportProgress* progress, IExportOutput* out, const char* indent, bool isLast,
                              const wchar_t* path);
    virtual void ImportFromJson(INoteImporter* importer, const Json::Value& value);
    virtual int IsLoaded() const { return m_loaded; }
    virtual int GetFolderCount() const { return (int)m_children.size(); }
    virtual CFolderItem* GetFolderItem(int i);
    virtual int GetItemId() const { return m_folder.itemid; }
    virtual CString GetName() const { return m_folder.folder_name; }
    virtual void SetName(const wchar_t* text) { m_folder.folder_name = text ? text : L""; }
    virtual CString GetFolderId() const { return m_folder.folder_id; }
    virtual CString GetParentId() const { return m_folder.parent_id; }
    virtual int GetType() const { return m_folder.type; }
    virtual int GetFlags() const { return m_folder.flags; }
    virtual int SetFlags(int set, int clear);
    virtual int GetDateCreate() const { return m_folder.date_create; }
    virtual void SetParent(const wchar_t* parentId, const wchar_t* savParentId);
    virtual CFolderItem* FindChildFolder(const wchar_t* name, int type);
    virtual void SetSelectedNoteId(const wchar_t* id) { m_selectedNoteId = id ? id : L""; }
    virtual CString GetSelectedNoteId() const { return m_selectedNoteId; }
    virtual int GetOrderValue() const { return m_folder.order_value; }
    virtual void SetOrderValue(int v);
    virtual void ClearNotes() { m_notes.clear(); NotesReordered(); }
    virtual void CopyNotes(std::vector<CNoteItem*>& dst) const { dst = m_notes; }
    virtual int GetNoteCount() const { return (int)m_notes.size(); }
    virtual int GetTotalNoteCount(int recursive);
    virtual int GetTrashNoteCount();
    virtual int GetNoteItemId(int i) const;
    virtual CNoteItem* GetNoteItem(int i) const;
    virtual int GetNoteIndex(int itemid) const;
    virtual CNoteItem* GetNextNote(CNoteItem* note) const;
    virtual CNoteItem* GetSelectedNote();
    // Adds the loaded note with that itemid (and to the root, for most kinds); its index, or -1
    // when no such note is loaded.
    virtual int AttachNote(int itemid);
    // Takes the note out (and out of the root unless keepInRoot); whether it was there.
    virtual bool DetachNote(int itemid, int keepInRoot);
    virtual void SetSelected(CFolderItem* item) { if (item == this) m_selectedMark = 1; }
    virtual void ClearSelected(CFolderItem* item) { if (item == this) m_selectedMark = 0; }
    // Sorts the notes (types 16 and 17, the user orders, are only stored).
    virtual void SetSortType(int type);
    virtual int GetSortType() const { return m_sortType; }

    // --- not virtual
    DB::CItemFolder& GetRecord() { return m_folder; }
    const DB::CItemFolder& GetRecord() const { return m_folder; }
    void SetLoaded(int v) { m_loaded = v; }
    // The child folder ids in load order.
    std::vector<CString>& GetChildIds() { return m_children; }
    void AddChildId(const CString& id);
    bool RemoveChildId(const CString& id);
    HANDLE GetCatalogHandle() const { return m_catalogItem; }
    void SetCatalogHandle(HANDLE h) { m_catalogItem = h; }
    int GetFilterMark() const { return m_filterMark; }
    void SetFilterMark(int v) { m_filterMark = v; }
    int GetSelectedMark() const { return m_selectedMark; }
    int GetNoteCapacity() const { return m_capacity; }
    // Whether this is the trash folder, tested by its folder_id.
    bool IsTrash() const;
    // True for a folder whose notes also show in "All My Notes".
    bool FeedsRoot() const;
    // One of "default", "usr_folder", "trash" and "conflict_folder".
    bool IsSpecial() const;
    // Notes an export of this folder writes: its own and its subfolders', without the special
    // folders below it ("conflict_folder" sits below "usr_folder" and is exported on its own).
    int GetExportNoteCount();

    // User orders (notes_sort_data sub_id 0 and 1).
    bool LoadSortData(int order);
    bool SaveSortData(CNoteItem* const* notes, int count, int order, bool forward);
    void ApplyUserOrder(int order);
    const std::vector<int>& GetOrder(int order) const { return m_order[order ? 1 : 0]; }

    // Comparators of the catalogue's tree sort.
    static int CompareByDateAsc(CFolderItem* a, CFolderItem* b);
    static int CompareByDateDesc(CFolderItem* a, CFolderItem* b);
    static int CompareByName(CFolderItem* a, CFolderItem* b);
    static int CompareByPopularity(CFolderItem* a, CFolderItem* b);
    static int CompareByUserOrder(CFolderItem* a, CFolderItem* b);

protected:
    CFolderItem(const CFolderItem&) = delete;
    CFolderItem& operator=(const CFolderItem&) = delete;
    // Grows the array's capacity (a multiple of 1024) to hold n notes.
    void Reserve(int n);
    int InsertNote(CNoteItem* note);
    bool RemoveNoteAt(int itemid);
    // After m_notes was sorted, assigned or cleared: every cached position is forgotten.
    void NotesReordered() const;

    LONG m_refs = 1;
    HANDLE m_catalogItem = nullptr;
    DB::CItemFolder m_folder;
    int m_loaded = 0;
    CString m_selectedNoteId;
    std::vector<int> m_order[2];
    std::vector<CNoteItem*> m_notes;
    // Positions of the notes by itemid, so that finding a note is not a walk of the array
    // (attaching every note of a large notebook would take the square of its size). Entries
    // below m_positionsUpTo are exact; later ones are put right by the next lookup that needs
    // them. Changed with m_notes, on the thread that changes m_notes.
    mutable std::unordered_map<int, int> m_positions;
    mutable size_t m_positionsUpTo = 0;
    int m_capacity = 1024;
    int m_filterMark = 0;
    int m_selectedMark = 0;
    std::vector<CString> m_children;
    int m_sortType = -1;
};

// "All My Notes": every note outside "trash" and "conflict_folder".
class CRootFolderItem : public CFolderItem {
public:
    CRootFolderItem();
    int GetType() const override { return FolderRoot; }
    // Puts the folder's notes (recursively) back into the root, tag links marked not trashed.
    void AddFolderNotes(CFolderItem* folder, int recursive);
    // Takes the folder's notes (recursively) out of the root, the tags and the saved searches.
    void DropFolderNotes(CFolderItem* folder, int recursive);
};

// The node that combines several catalogue items.
class CFilterFolderItem : public CFolderItem {
public:
    CFilterFolderItem();
    void ClearFilter();
    // mode 0 keeps only notes item also holds, 1 removes item's notes, 2 adds them.
    int AddFilter(CFolderItem* item, int mode);
    const std::vector<CFolderItem*>& GetFilterItems() const { return m_items; }
    bool DetachNote(int itemid, int keepInRoot) override;
    int AttachNote(int itemid) override;

private:
    std::vector<CFolderItem*> m_items;
};

// A tag of the tag list.
class CTagItem : public CFolderItem {
public:
    CTagItem();
    ~CTagItem() override;
    int GetItemId() const override { return m_tag.itemid; }
    CString GetName() const override { return GetTagName(); }
    int GetType() const override { return FolderTag; }
    int GetOrderValue() const override { return m_tag.order_value; }
    void SetOrderValue(int v) override { m_tag.order_value = v; }
    void ClearNotes() override;
    int AttachNote(int itemid) override;

    int GetStoredNoteCount() const { return m_tag.note_count; }
    // Fills the notes from the tag's links; links of notes that are not loaded are removed.
    void LoadTagNotes();
    CString GetTagName() const { return m_tag.tag_name; }
    int GetTagFlags() const { return m_tag.tag_flags; }
    bool DetachNoteOnly(int itemid);

    DB::CItemTag& GetTag() { return m_tag; }
    const DB::CItemTag& GetTag() const { return m_tag; }

protected:
    DB::CItemTag m_tag;
};

// A saved search: a tag row of kind 1 whose name is the query; its links hold the notes found.
class CSavedSearchItem : public CTagItem {
public:
    CSavedSearchItem();
    int GetType() const override { return FolderSavedSearch; }
};

} // namespace Pelora
