// Store records: buffers, deep copies, the note's preview text, the reminder's repeat
// arithmetic, and the record lists.
#include "DbRecords.h"
#include "DbHtmlText.h"
#include <algorithm>
#include <cstring>
#include <ctime>
#include <cstdint>

namespace DB {

namespace {

// A new[] block of size + 8 bytes whose trailing 8 bytes are zero.
BYTE* NewBlock(int size)
{
    BYTE* block = new BYTE[(size_t)size + 8];
    memset(block + size, 0, 8);
    return block;
}

BYTE* CopyBlock(const BYTE* src, int size)
{
    if (!src || size < 0)
        return nullptr;
    BYTE* block = NewBlock(size);
    memcpy(block, src, size);
    return block;
}

} // namespace

// --- CItemFolder

CItemFolder& CItemFolder::operator=(const CItemFolder& s)
{
    if (this == &s)
        return *this;
    itemid = s.itemid;
    folder_id = s.folder_id;
    parent_id = s.parent_id;
    folder_name = s.folder_name;
    type = s.type;
    tags = s.tags;
    sav_prn_id = s.sav_prn_id;
    b_syncdirty = s.b_syncdirty;
    b_removed = s.b_removed;
    flags = s.flags;
    date_create = s.date_create;
    date_update = s.date_update;
    order_value = s.order_value;
    filter_mask = s.filter_mask;
    return *this;
}

// --- CItemNote

CItemNote::~CItemNote()
{
    DeleteContent();
    DeletePreviewImage();
}

CItemNote& CItemNote::operator=(const CItemNote& s)
{
    if (this == &s)
        return *this;
    itemid = s.itemid;
    note_id = s.note_id;
    folder_id = s.folder_id;
    prn_index = s.prn_index;
    date_create = s.date_create;
    date_update = s.date_update;
    date_update_user = s.date_update_user;
    preview_id = s.preview_id;
    content_id = s.content_id;
    note_title = s.note_title;
    sav_fld_id = s.sav_fld_id;
    b_syncdirty = s.b_syncdirty;
    b_removed = s.b_removed;
    b_shared = s.b_shared;
    sync_priority = s.sync_priority;
    sync_timestamp = s.sync_timestamp;
    num_tasks = s.num_tasks;
    num_attaches = s.num_attaches;
    editable = s.editable;
    total_size = s.total_size;
    crypt_type = s.crypt_type;
    preview_text = s.preview_text;
    width = s.width;
    height = s.height;
    owner = s.owner;
    url = s.url;
    geo_str1 = s.geo_str1;
    geo_str2 = s.geo_str2;
    page_color = s.page_color;
    folder_global_id = s.folder_global_id;
    filter_mask = s.filter_mask;
    // Buffers are copied, never shared: each record frees its own.
    BYTE* content = CopyBlock(s.content_data, s.content_size);
    BYTE* image = CopyBlock(s.preview_image, s.preview_size);
    delete[] content_data;
    delete[] preview_image;
    content_data = content;
    preview_image = image;
    content_size = s.content_size;
    preview_size = s.preview_size;
    return *this;
}

void CItemNote::RelocateContentBuffer(int size, int clear)
{
    if (size < 0)
        size = 0;
    BYTE* block = NewBlock(size);
    if (clear)
        memset(block, 0, (size_t)size + 8);
    else if (content_data)
        memcpy(block, content_data, std::min(std::max(content_size, 0), size));
    delete[] content_data;
    content_data = block;
    content_size = size;
}

void CItemNote::DeleteContent()
{
    delete[] content_data;
    content_data = nullptr;
    content_size = 0;
}

BYTE* CItemNote::RelocatePreviewImage(int size)
{
    if (size < 0)
        size = 0;
    BYTE* block = NewBlock(size);
    if (preview_image)
        memcpy(block, preview_image, std::min(std::max(preview_size, 0), size));
    delete[] preview_image;
    preview_image = block;
    preview_size = size;
    return block;
}

void CItemNote::DeletePreviewImage()
{
    delete[] preview_image;
    preview_image = nullptr;
    preview_size = 0;
}

void CItemNote::PreparePreviewText()
{
    preview_text.Empty();
    if (content_data)
        Detail::HtmlPlainText(GetContentText(), preview_text);

    // Numeric character references become their characters.
    int p = 0;
    while ((p = preview_text.Find(L"&#", p)) >= 0) {
        int len = preview_text.GetLength();
        int stop = p + 2;
        while (stop < len && stop < p + 8 && preview_text[stop] != L';')
            ++stop;
        unsigned short value = 0;
        for (int i = p + 2; i < stop && i < len; ++i)
            value = (unsigned short)(value * 10 + (preview_text[i] - L'0'));
        CString ref = preview_text.Mid(p, stop - p + 1);
        CString ch = value ? CString((wchar_t)value, 1) : CString();
        preview_text.Replace(ref, ch);
        ++p;
    }
    if (preview_text.GetLength() > 250)
        preview_text.Truncate(250);
    preview_text.Replace(L"&nbsp;", L" ");
    preview_text.Trim();
}

// --- CItemReminder

namespace {

int DaysInMonth(int year, int month)  // month 0-11
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 1 && leap ? 29 : kDays[month];
}

// The k-th run after the first one (local time), or -1 when the platform cannot make it.
int64_t Occurrence(const struct tm& start, int repeat, int64_t k)
{
    struct tm t = start;
    if (repeat == Repeat1Day || repeat == Repeat1Week) {
        t.tm_mday += (int)(k * (repeat == Repeat1Day ? 1 : 7));
    } else {
        int64_t total = (int64_t)start.tm_mon + (repeat == Repeat1Month ? k : 12 * k);
        t.tm_year = start.tm_year + (int)(total / 12);
        t.tm_mon = (int)(total % 12);
        t.tm_mday = std::min(start.tm_mday, DaysInMonth(t.tm_year + 1900, t.tm_mon));
    }
    t.tm_isdst = -1;
    time_t r = mktime(&t);
    return r == (time_t)-1 ? -1 : (int64_t)r;
}

} // namespace

int CItemReminder::NextRun(int now) const
{
    if (time_to_run > now)
        return time_to_run;
    if (repeat == Repeat30Min || repeat == Repeat1Hour) {
        // whole steps at once: a reminder far in the past must not loop for long
        int64_t next = (int64_t)time_to_run + (((int64_t)now - time_to_run) / repeat + 1) * repeat;
        return next > INT32_MAX ? time_to_run : (int)next;
    }
    if (repeat != Repeat1Day && repeat != Repeat1Week && repeat != Repeat1Month && repeat != Repeat1Year)
        return time_to_run;
    time_t first = (time_t)(time_initial ? time_initial : time_to_run);
    time_t nowT = (time_t)now;
    struct tm start = {}, current = {};
    if (localtime_s(&start, &first) != 0 || localtime_s(&current, &nowT) != 0)
        return time_to_run;
    // Start a little short of now, then step: a calendar day or week differs from its length
    // in seconds by a daylight-saving shift at most, and a month or year start counted from
    // the calendar lies before now's month or year, so no run after now is skipped.
    int64_t k;
    if (repeat == Repeat1Day || repeat == Repeat1Week)
        k = ((int64_t)now - (int64_t)first) / repeat - 2;
    else if (repeat == Repeat1Month)
        k = (int64_t)(current.tm_year - start.tm_year) * 12 + (current.tm_mon - start.tm_mon) - 1;
    else
        k = (int64_t)current.tm_year - start.tm_year - 1;
    for (k = std::max<int64_t>(0, k); k >= 0; ++k) {
        int64_t t = Occurrence(start, repeat, k);
        if (t < 0 || t > INT32_MAX)
            break;
        if (t > now)
            return (int)t;
    }
    return time_to_run;
}

void CItemReminder::UpdateTimeToRun(int now)
{
    time_to_run = NextRun(now);
}

namespace {

const struct { int seconds; UINT id; const wchar_t* text; } kRepeats[] = {
    {RepeatOnce, 31150, L"Once"},      {Repeat30Min, 31151, L"30 min"},  {Repeat1Hour, 31152, L"1 hour"},
    {Repeat1Day, 31153, L"1 day"},     {Repeat1Week, 31154, L"1 week"},  {Repeat1Month, 31155, L"1 month"},
    {Repeat1Year, 31156, L"1 year"},
};

} // namespace

int CItemReminder::FillComboBox(HWND combo)
{
    for (int i = 0; i < 7; ++i) {
        CString text = Detail::LangText(kRepeats[i].id, kRepeats[i].text);
        SendMessageW(combo, CB_INSERTSTRING, i, (LPARAM)text.GetString());
    }
    for (int i = 0; i < 7; ++i) {
        if (kRepeats[i].seconds == repeat) {
            SendMessageW(combo, CB_SETCURSEL, i, 0);
            break;
        }
    }
    return 7;
}

int CItemReminder::UpdateRepeatTypeFromComboBox(HWND combo)
{
    int index = (int)SendMessageW(combo, CB_GETCURSEL, 0, 0);
    repeat = (index >= 1 && index <= 6) ? kRepeats[index].seconds : 0;
    return index;
}

// --- lists

CItemList::~CItemList()
{
    RemoveAll();
}

void CItemList::RemoveAll()
{
    for (CNode* n = m_head; n; n = n->pNext) {
        delete n->data;
        n->data = nullptr;
    }
    CObjectList::RemoveAll();
}

} // namespace DB

CObjectList::~CObjectList()
{
    FreeAllNodes();
}

void CObjectList::FreeAllNodes()
{
    while (m_blocks) {
        CBlock* next = m_blocks->next;
        ::operator delete(m_blocks);
        m_blocks = next;
    }
    m_head = m_tail = m_free = nullptr;
    m_count = 0;
}

void CObjectList::RemoveAll()
{
    FreeAllNodes();
}

CObjectList::CNode* CObjectList::NewNode(CNode* pPrev, CNode* pNext)
{
    if (!m_free) {
        // One block holds a link to the previous block and m_blockSize nodes.
        void* mem = ::operator new(sizeof(CBlock) + sizeof(CNode) * (size_t)m_blockSize);
        CBlock* block = (CBlock*)mem;
        block->next = m_blocks;
        m_blocks = block;
        CNode* nodes = (CNode*)(block + 1);
        for (int i = m_blockSize - 1; i >= 0; --i) {
            nodes[i].pNext = m_free;
            m_free = &nodes[i];
        }
    }
    CNode* node = m_free;
    m_free = m_free->pNext;
    node->pPrev = pPrev;
    node->pNext = pNext;
    node->data = nullptr;
    ++m_count;
    return node;
}

void CObjectList::FreeNode(CNode* node)
{
    node->pNext = m_free;
    m_free = node;
    if (--m_count == 0)
        FreeAllNodes();
}

DB::CItemBase* CObjectList::GetNext(POSITION& pos) const
{
    CNode* n = (CNode*)pos;
    if (!n)
        return nullptr;
    pos = (POSITION)n->pNext;
    return n->data;
}

DB::CItemBase* CObjectList::GetPrev(POSITION& pos) const
{
    CNode* n = (CNode*)pos;
    if (!n)
        return nullptr;
    pos = (POSITION)n->pPrev;
    return n->data;
}

POSITION CObjectList::FindIndex(int index) const
{
    if (index < 0 || index >= m_count)
        return nullptr;
    CNode* n = m_head;
    while (index-- > 0)
        n = n->pNext;
    return (POSITION)n;
}

POSITION CObjectList::Find(const DB::CItemBase* item, POSITION after) const
{
    CNode* n = after ? ((CNode*)after)->pNext : m_head;
    for (; n; n = n->pNext)
        if (n->data == item)
            return (POSITION)n;
    return nullptr;
}

POSITION CObjectList::AddHead(DB::CItemBase* item)
{
    CNode* n = NewNode(nullptr, m_head);
    n->data = item;
    if (m_head)
        m_head->pPrev = n;
    else
        m_tail = n;
    m_head = n;
    return (POSITION)n;
}

POSITION CObjectList::AddTail(DB::CItemBase* item)
{
    CNode* n = NewNode(m_tail, nullptr);
    n->data = item;
    if (m_tail)
        m_tail->pNext = n;
    else
        m_head = n;
    m_tail = n;
    return (POSITION)n;
}

POSITION CObjectList::InsertBefore(POSITION pos, DB::CItemBase* item)
{
    if (!pos)
        return AddHead(item);
    CNode* old = (CNode*)pos;
    CNode* n = NewNode(old->pPrev, old);
    n->data = item;
    if (old->pPrev)
        old->pPrev->pNext = n;
    else
        m_head = n;
    old->pPrev = n;
    return (POSITION)n;
}

POSITION CObjectList::InsertAfter(POSITION pos, DB::CItemBase* item)
{
    if (!pos)
        return AddTail(item);
    CNode* old = (CNode*)pos;
    CNode* n = NewNode(old, old->pNext);
    n->data = item;
    if (old->pNext)
        old->pNext->pPrev = n;
    else
        m_tail = n;
    old->pNext = n;
    return (POSITION)n;
}

void CObjectList::RemoveAt(POSITION pos)
{
    CNode* n = (CNode*)pos;
    if (!n)
        return;
    if (n->pPrev)
        n->pPrev->pNext = n->pNext;
    else
        m_head = n->pNext;
    if (n->pNext)
        n->pNext->pPrev = n->pPrev;
    else
        m_tail = n->pPrev;
    FreeNode(n);
}

DB::CItemBase* CObjectList::RemoveHead()
{
    if (!m_head)
        return nullptr;
    DB::CItemBase* item = m_head->data;
    RemoveAt((POSITION)m_head);
    return item;
}

DB::CItemBase* CObjectList::RemoveTail()
{
    if (!m_tail)
        return nullptr;
    DB::CItemBase* item = m_tail->data;
    RemoveAt((POSITION)m_tail);
    return item;
}
