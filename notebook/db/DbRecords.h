// Store records: one plain class per table, used both as a row and as the filter of a list
// query, and the owning record lists the queries fill.
#pragma once
#include "Framework.h"
#include <cstdint>

namespace DB {

// Base of every store record: the owning lists delete their records through it.
class CItemBase {
public:
    virtual ~CItemBase() {}
};

} // namespace DB

// An abstract source of bytes, read or written in one pass (the sync uploads and downloads
// attachment bytes through it).
class CDataSource : public DB::CItemBase {
public:
    ~CDataSource() override {}
    // mode 0 = read, 1 = write; 1 when the stream is open.
    virtual int OpenStream(int mode) = 0;
    virtual int ReadData(void* buffer, int count) = 0;
    virtual int WriteData(const void* bytes, int count) = 0;
    virtual int64_t GetDataSize() = 0;
    virtual void CloseStream() = 0;
};

namespace DB {

// Filter bits of the list queries.
enum : int {
    FilterSyncDirty = 1,    // compare b_syncdirty
    FilterRemoved = 2,      // compare b_removed
    FilterType = 4,         // compare type (attachments)
};

// Attachment flags.
enum : int {
    AttachFlagFileStorage = 1,  // the bytes lie in a file under the attachments folder
    AttachFlagNoServe = 2,      // the local HTTP server does not load the bytes
    AttachFlagNoteText = 6,     // the attachment carries the text of a note whose crypt_type is 1
};

// Attachments of this size or more are kept as files (100 MiB).
const int64_t FileStorageThreshold = 104857600;

class CItemFolder : public CItemBase {
public:
    CItemFolder() {}
    CItemFolder(const CItemFolder& src) { *this = src; }
    CItemFolder& operator=(const CItemFolder& src);

    int itemid = 0;
    CString folder_id;
    CString parent_id;
    CString folder_name;
    int type = 0;
    CString tags;
    CString sav_prn_id;
    int b_syncdirty = 0;
    int b_removed = 0;
    int flags = 0;
    int date_create = 0;
    int date_update = 0;
    int order_value = 0;
    int filter_mask = 0;
};

class CItemNote : public CItemBase {
public:
    CItemNote() {}
    CItemNote(const CItemNote& src) { *this = src; }
    // Deep copy: the target gets buffers of its own.
    CItemNote& operator=(const CItemNote& src);
    ~CItemNote() override;

    // content_data becomes a new block of size + 8 bytes (zeroed with clear, else keeping the
    // first min(content_size, size) bytes); content_size = size.
    void RelocateContentBuffer(int size, int clear);
    void DeleteContent();
    BYTE* RelocatePreviewImage(int size);
    void DeletePreviewImage();
    // preview_text from the plain text of content_data.
    void PreparePreviewText();
    // content_data read as wide text (always terminated), or "" without content.
    const wchar_t* GetContentText() const { return content_data ? (const wchar_t*)content_data : L""; }

    int itemid = 0;
    CString note_id;
    int folder_id = 0;
    int prn_index = 0;
    int date_create = 0;
    int date_update = 0;
    int date_update_user = 0;
    int preview_id = 0;
    int content_id = 0;
    CString note_title;
    int sav_fld_id = 0;
    int b_syncdirty = 0;
    int b_removed = 0;
    int b_shared = 0;
    int sync_priority = 0;
    int sync_timestamp = 0;
    int num_tasks = 0;
    int num_attaches = 0;
    int editable = 0;
    int total_size = 0;
    int content_size = 0;
    int crypt_type = 0;
    CString preview_text;
    int width = 0;
    int height = 0;
    int preview_size = 0;
    BYTE* preview_image = nullptr;
    BYTE* content_data = nullptr;
    CString owner;
    CString url;
    CString geo_str1;
    CString geo_str2;
    int page_color = 0xFFFFFF;
    CString folder_global_id;
    int filter_mask = 0;
};

class CItemAttach : public CDataSource {
public:
    CItemAttach() {}
    CItemAttach(const CItemAttach& src) { *this = src; }
    // Deep copy of the row and its bytes; an open stream is never shared (the target has none).
    CItemAttach& operator=(const CItemAttach& src);
    ~CItemAttach() override;

    int OpenStream(int mode) override;
    int ReadData(void* buffer, int count) override;
    int WriteData(const void* bytes, int count) override;
    int64_t GetDataSize() override;
    void CloseStream() override;

    // data becomes a block of size bytes (keeping what fits); below 1 frees it. Returns size.
    int64_t RelocateBuffer(int64_t size);
    bool IsAttachOnServer() const { return !sync_url.IsEmpty() || !srv_id.IsEmpty(); }
    bool IsFileStorage() const { return (flags & AttachFlagFileStorage) != 0; }
    int ImportFromFile(const wchar_t* path, const wchar_t* noteId, int type, const wchar_t* attachId);
    bool IsSystemAttach() const;
    int SaveToFile(const wchar_t* path, float* progress);
    bool ExportToJsonFormat(CFile* output, const char* indent, bool is_last, const wchar_t* folder);
    // What ExportToJsonFormat writes (after saving the bytes beside it into folder); "" for a
    // built-in page file.
    CStringA ExportToJsonText(const char* indent, bool is_last, const wchar_t* folder);

    // A file-kept attachment's name inside the attachments folder: attach_id + "_" + filename,
    // with characters that could leave the folder or are not allowed in a name replaced.
    CString GetStorageFileName() const;
    // Full path of a file-kept attachment's file. data may hold the name (the usual form) or an
    // absolute path (rows written by older versions through the stream).
    CString GetStorageFilePath() const;
    // The threshold test; a seam so tests can probe it without writing 100 MiB.
    static bool IsFileStorageSize(int64_t length) { return length >= FileStorageThreshold; }

    int itemid = 0;
    CString attach_id;
    CString note_id;
    CString hash;
    CString filename;
    int type = 0;
    CString mime;
    int date_create = 0;
    int date_update = 0;
    BYTE* data = nullptr;
    int64_t size = 0;
    int b_syncdirty = 0;
    int b_removed = 0;
    int sync_priority = 0;
    CString sync_url;
    CString srv_id;
    int flags = 0;
    int filter_mask = 0;
    int stream_mode = -1;
    int64_t stream_pos = -1;
    HANDLE stream_file = INVALID_HANDLE_VALUE;

private:
    // data becomes the wide text with its terminator (size is left to the caller).
    void SetDataText(const CString& text);
    // The text data holds for a file-kept record (its file's name, or an older full path).
    CString GetDataText() const;

    // Bytes allocated for data (its payload, without the 8 zero bytes).
    int64_t m_dataLength = 0;
};

// Repeat intervals of a reminder, in seconds.
enum RepeatType : int {
    RepeatOnce = 0,
    Repeat30Min = 1800,
    Repeat1Hour = 3600,
    Repeat1Day = 86400,
    Repeat1Week = 604800,
    Repeat1Month = 2592000,
    Repeat1Year = 31536000,
};

class CItemReminder : public CItemBase {
public:
    CItemReminder() {}
    ~CItemReminder() override {}

    virtual void UpdateRepeatTypeFromServer(int value) { repeat = value; }
    // Sets time_to_run to NextRun(now).
    virtual void UpdateTimeToRun(int now);
    // The run after now of a reminder that is due (time_to_run <= now); otherwise, and for a
    // reminder that does not repeat or whose repeat is not one of the table, time_to_run.
    // Half-hourly and hourly repeats step in seconds. The others count whole days, weeks,
    // months or years from time_initial (time_to_run when it is 0) in local time, so the
    // wall-clock time survives a daylight-saving change and a monthly reminder of the 31st
    // runs on the last day of shorter months and on the 31st again after them; a yearly one
    // of 29 February runs on the 28th in other years.
    int NextRun(int now) const;
    // Fills a combo box with the seven repeat texts and selects the current one; returns 7.
    virtual int FillComboBox(HWND combo);
    // Sets repeat from the combo box's selection; returns the selected index.
    virtual int UpdateRepeatTypeFromComboBox(HWND combo);

    int itemid = 0;
    CString reminder_id;
    CString note_id;
    int b_valid = 0;
    int time_initial = 0;
    int time_to_run = 0;
    int repeat = 0;
    int completed = 0;
    CString geo_lat;
    CString geo_lng;
    int priority = 2;
    int type_reminder = 0;
};

class CItemTask : public CItemBase {
public:
    int itemid = 0;
    CString task_id;
    CString note_id;
    CString task_info;
    CString task_prn_id;
    int b_checked = 0;
    int date_create = 0;
    int date_update = 0;
    int pending_remove = 0;
    int pending_insert = 0;
    int pending_update = 0;
};

class CItemTag : public CItemBase {
public:
    int itemid = 0;
    CString tag_name;
    int tag_type = 0;
    int order_value = 0;
    int tag_flags = 0;
    int note_count = 0;
};

} // namespace DB

// A doubly linked list of record pointers; nodes come from a pool that grows in blocks of 10.
// It owns its nodes, not its records.
class CObjectList {
public:
    struct CNode {
        CNode* pNext;
        CNode* pPrev;
        DB::CItemBase* data;
    };

    explicit CObjectList(int blockSize = 10) : m_blockSize(blockSize > 0 ? blockSize : 10) {}
    virtual ~CObjectList();
    CObjectList(const CObjectList&) = delete;
    CObjectList& operator=(const CObjectList&) = delete;

    int GetCount() const { return m_count; }
    int GetSize() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }

    DB::CItemBase* GetHead() const { return m_head ? m_head->data : nullptr; }
    DB::CItemBase* GetTail() const { return m_tail ? m_tail->data : nullptr; }
    POSITION GetHeadPosition() const { return (POSITION)m_head; }
    POSITION GetTailPosition() const { return (POSITION)m_tail; }
    DB::CItemBase* GetNext(POSITION& pos) const;
    DB::CItemBase* GetPrev(POSITION& pos) const;
    DB::CItemBase* GetAt(POSITION pos) const { return pos ? ((CNode*)pos)->data : nullptr; }
    void SetAt(POSITION pos, DB::CItemBase* item) { if (pos) ((CNode*)pos)->data = item; }
    POSITION FindIndex(int index) const;
    POSITION Find(const DB::CItemBase* item, POSITION after = nullptr) const;

    POSITION AddHead(DB::CItemBase* item);
    POSITION AddTail(DB::CItemBase* item);
    POSITION InsertBefore(POSITION pos, DB::CItemBase* item);
    POSITION InsertAfter(POSITION pos, DB::CItemBase* item);
    // Unlink without deleting the record; the record is returned to the caller.
    DB::CItemBase* RemoveHead();
    DB::CItemBase* RemoveTail();
    void RemoveAt(POSITION pos);
    // Frees the nodes only (records are left alone).
    virtual void RemoveAll();

    // A node from the pool with its links set, counted; the caller stores the element and
    // links the neighbours to it.
    CNode* NewNode(CNode* pPrev, CNode* pNext);

protected:
    void FreeNode(CNode* node);
    void FreeAllNodes();

    CNode* m_head = nullptr;
    CNode* m_tail = nullptr;
    int m_count = 0;
    CNode* m_free = nullptr;
    struct CBlock { CBlock* next; };
    CBlock* m_blocks = nullptr;
    int m_blockSize;
};

namespace DB {

// An owning list of records: removing all or destroying it deletes every record.
class CItemList : public CObjectList {
public:
    CItemList() : CObjectList(10) {}
    ~CItemList() override;
    void RemoveAll() override;
};

} // namespace DB

// The owning list of attachment records (note items, the editor, the local HTTP server).
class CAttachList : public DB::CItemList {
public:
    DB::CItemAttach* GetNextAttach(POSITION& pos) const { return static_cast<DB::CItemAttach*>(GetNext(pos)); }
};
