#include "TagList.h"
#include "Notebook.h"
#include "ActivityLog.h"
#include <algorithm>
#include <ctime>

namespace Pelora {

CTagList::CTagList() {}

CTagList::~CTagList()
{
    Clear();
}

int CTagList::IndexOf(const CTagItem* item) const
{
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i] == item)
            return (int)i;
    return -1;
}

CTagItem* CTagList::GetAt(int i)
{
    CScopedMutexLock lock(&m_mutex);
    return i >= 0 && i < (int)m_items.size() ? m_items[i] : nullptr;
}

CTagItem* CTagList::FindByName(const wchar_t* name)
{
    if (!name)
        return nullptr;
    CScopedMutexLock lock(&m_mutex);
    for (CTagItem* item : m_items)
        if (item->GetTag().tag_name == name)
            return item;
    return nullptr;
}

void CTagList::Append(CTagItem* item)
{
    if (m_items.size() + 1 > m_items.capacity())
        m_items.reserve(m_items.size() + 1000);
    m_items.push_back(item);
}

CTagItem* CTagList::AddTag(const wchar_t* name, int flags)
{
    if (!name)
        return nullptr;
    CScopedMutexLock lock(&m_mutex);
    if (CTagItem* found = FindByName(name))
        return found;
    DB::CPeloraDatabase* db = GetDatabase();
    if (!db)
        return nullptr;
    CTagItem* item = new CTagItem;
    item->GetTag().tag_name = name;
    item->GetTag().tag_flags = flags;
    db->TagCreate(&item->GetTag(), 0);
    Append(item);   // the list holds the item's first reference
    return item;
}

void CTagList::RemoveTag(CTagItem* item, int fromService)
{
    if (!item)
        return;
    CScopedMutexLock lock(&m_mutex);
    CNotebook* book = GetNotebook();
    DB::CPeloraDatabase* db = GetDatabase();
    std::vector<CNoteItem*> notes;
    for (int i = item->GetNoteCount() - 1; i >= 0; --i) {
        CNoteItem* note = item->GetNoteItem(i);
        item->DetachNoteOnly(note ? note->GetItemId() : 0);
        if (note)
            notes.push_back(note);
    }
    item->ClearNotes();
    // the links go before the notes read their tag names again, or they would keep this tag
    if (db)
        db->RemoveNoteTag(0, item->GetTag().itemid);
    for (CNoteItem* note : notes) {
        if (db)
            note->Load(1);
        if (book && book->App() && book->App()->GetActiveNote() == note && book->Editor())
            book->Editor()->RelayoutTagsBar();
    }
    if (!fromService && (item->GetTag().tag_flags & TagFlagOnService)) {
        item->GetTag().tag_flags |= TagFlagRemoved;
        if (db)
            db->TagUpdate(&item->GetTag());
        return;
    }
    int index = IndexOf(item);
    int tagId = item->GetTag().itemid;
    if (index >= 0) {
        m_items.erase(m_items.begin() + index);
        item->Release();
    }
    if (db && tagId)
        db->TagRemove(tagId);
}

void CTagList::RemoveTagById(int itemid)
{
    CScopedMutexLock lock(&m_mutex);
    for (int i = (int)m_items.size() - 1; i >= 0; --i)
        if (i < (int)m_items.size() && m_items[i]->GetTag().itemid == itemid)
            RemoveTag(m_items[i], 1);
    DB::CPeloraDatabase* db = GetDatabase();
    if (db && itemid) {
        db->RemoveNoteTag(0, itemid);
        db->TagRemove(itemid);
    }
}

void CTagList::UpdateFromServer(const std::vector<CString>* names)
{
    // A reply without a tag list says nothing about the tags: keep them all.
    if (!names)
        return;
    CScopedMutexLock lock(&m_mutex);
    for (CTagItem* item : m_items)
        if (item->GetTag().tag_flags & TagFlagOnService)
            item->GetTag().tag_flags |= TagFlagMergeMark;
    for (const CString& name : *names) {
        if (name.IsEmpty())
            continue;
        if (CTagItem* item = AddTag(name, TagFlagKept | TagFlagOnService))
            item->GetTag().tag_flags &= ~TagFlagMergeMark;
    }
    for (int i = (int)m_items.size() - 1; i >= 0; --i) {
        CTagItem* item = m_items[i];
        if (item->GetTag().tag_flags & TagFlagMergeMark) {
            item->GetTag().tag_flags = 0;
            RemoveTag(item, 0);
        }
    }
}

const wchar_t* CTagList::SortModeName(int mode)
{
    switch (mode) {
    case 0: case 1: return L"NameAsc";
    case 4: case 5: return L"DateCreateAsc";
    case 14: case 15: return L"PopularAsc";
    case 16: case 17: return L"UserAsc";
    default: return nullptr;
    }
}

bool CTagList::Sort(int mode)
{
    CScopedMutexLock lock(&m_mutex);
    m_sortMode = mode;
    const wchar_t* name = SortModeName(mode);
    if (!name)
        return false;
    auto before = [mode](CTagItem* a, CTagItem* b) -> bool {
        const DB::CItemTag& x = a->GetTag();
        const DB::CItemTag& y = b->GetTag();
        switch (mode) {
        case 0: case 1: {
            int r = x.tag_name.CompareNoCase(y.tag_name);
            if (r)
                return r < 0;
            return wcscmp(x.tag_name, y.tag_name) > 0;
        }
        case 4: case 5: return x.itemid < y.itemid;
        case 16: case 17: return x.order_value < y.order_value;
        default: return x.note_count > y.note_count;
        }
    };
    bool changed = false;
    for (int i = 1; i < (int)m_items.size();) {
        if (i > 0 && before(m_items[i], m_items[i - 1])) {
            std::swap(m_items[i], m_items[i - 1]);
            changed = true;
            --i;
            if (i == 0)
                i = 1;
        } else {
            ++i;
        }
    }
    DB::CPeloraDatabase* db = GetDatabase();
    if (db)
        db->SetParam(L"SortTags", CString(name));
    return changed;
}

void CTagList::Load()
{
    DB::CPeloraDatabase* db = GetDatabase();
    if (!db)
        return;
    CScopedMutexLock lock(&m_mutex);
    DB::CItemList rows;
    db->TagGetList(&rows, 0, 0);
    POSITION pos = rows.GetHeadPosition();
    while (pos) {
        DB::CItemTag* row = static_cast<DB::CItemTag*>(rows.GetNext(pos));
        if (row->tag_flags == 0) {
            if (row->note_count > 0) {
                row->tag_flags = TagFlagKept;
                db->TagUpdate(row);
            } else {
                db->TagRemove(row->itemid);
                continue;
            }
        }
        CTagItem* item = nullptr;
        for (CTagItem* it : m_items)
            if (it->GetTag().tag_name == row->tag_name)
                item = it;
        if (!item) {
            item = new CTagItem;
            Append(item);
        }
        item->GetTag() = *row;
        item->LoadTagNotes();
    }
    CString stored;
    db->GetParam(L"SortTags", stored);
    int mode = stored == L"NameAsc" ? 0 : stored == L"PopularAsc" ? 14 : stored == L"UserAsc" ? 16 : 4;
    Sort(mode);
}

void CTagList::GetTagNames(std::vector<CString>& list, int flags)
{
    CScopedMutexLock lock(&m_mutex);
    for (CTagItem* item : m_items) {
        const DB::CItemTag& t = item->GetTag();
        if (t.tag_flags & TagFlagRemoved)
            continue;
        CString name = t.tag_name;
        if (flags & 2)
            name.AppendFormat(L" (%d)", t.note_count);
        list.push_back(name);
    }
}

CTagList* CTagList::CopyMatching(const wchar_t* prefix)
{
    CScopedMutexLock lock(&m_mutex);
    CTagList* copy = new CTagList;
    size_t n = prefix ? wcslen(prefix) : 0;
    for (CTagItem* item : m_items) {
        if (n && _wcsnicmp(item->GetTag().tag_name, prefix, n) != 0)
            continue;
        item->AddRef();
        copy->Append(item);
    }
    return copy;
}

void CTagList::MarkSynced(const std::vector<CString>& names)
{
    CScopedMutexLock lock(&m_mutex);
    DB::CPeloraDatabase* db = GetDatabase();
    for (const CString& name : names) {
        CTagItem* item = FindByName(name);
        if (item && !(item->GetTag().tag_flags & TagFlagOnService)) {
            item->GetTag().tag_flags |= TagFlagOnService;
            if (db)
                db->TagUpdate(&item->GetTag());
        }
    }
}

void CTagList::Clear()
{
    CScopedMutexLock lock(&m_mutex);
    std::vector<CTagItem*> items;
    items.swap(m_items);
    for (CTagItem* item : items)
        item->Release();
}

// --- saved-search queries

namespace {

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// A quoted phrase or a run up to a blank or comma; the position moves past it.
CString ReadWord(const wchar_t* q, size_t& i, size_t n)
{
    CString word;
    if (q[i] == L'"') {
        size_t s = ++i;
        while (i < n && q[i] != L'"')
            ++i;
        word = CString(q + s, (int)(i - s));
        if (i < n)
            ++i;
    } else {
        size_t s = i;
        while (i < n && !IsSpace(q[i]) && q[i] != L',')
            ++i;
        word = CString(q + s, (int)(i - s));
    }
    return word;
}

int LocalMidnight(int day, int month, int year)
{
    if (year < 70)
        year += 2000;
    else if (year < 100)
        year += 1900;
    struct tm t = {};
    t.tm_mday = day;
    t.tm_mon = month - 1;
    t.tm_year = year - 1900;
    t.tm_isdst = -1;
    return (int)mktime(&t);
}

} // namespace

CSearchQuery CSearchQuery::Parse(const wchar_t* query)
{
    CSearchQuery out;
    if (!query)
        return out;
    size_t n = wcslen(query), i = 0;
    while (i < n) {
        size_t start = i;
        while (i < n && IsSpace(query[i]))
            ++i;
        if (i >= n)
            break;
        if (wcsncmp(query + i, L"tag:", 4) == 0) {
            i += 4;
            for (;;) {
                CString w = ReadWord(query, i, n);
                if (!w.IsEmpty())
                    out.tags.push_back(w);
                if (i < n && query[i] == L',') {
                    ++i;
                    continue;
                }
                break;
            }
        } else if (wcsncmp(query + i, L"date:", 5) == 0) {
            i += 5;
            for (;;) {
                CString item = ReadWord(query, i, n);
                int d1 = 0, m1 = 0, y1 = 0, d2 = 0, m2 = 0, y2 = 0;
                int dash = item.Find(L'-');
                CString first = dash >= 0 ? item.Left(dash) : item;
                if (swscanf(first, L"%d/%d/%d", &d1, &m1, &y1) == 3) {
                    int from = LocalMidnight(d1, m1, y1), to = from;
                    // a range takes in its whole last day: it ends at the next day's midnight
                    if (dash >= 0 && swscanf(item.Mid(dash + 1), L"%d/%d/%d", &d2, &m2, &y2) == 3)
                        to = LocalMidnight(d2 + 1, m2, y2);
                    CString range;
                    range.Format(L"%d-%d", from, to);
                    out.dates.push_back(range);
                }
                if (i < n && query[i] == L',') {
                    ++i;
                    continue;
                }
                break;
            }
        } else {
            CString w = ReadWord(query, i, n);
            if (!w.IsEmpty())
                out.words.push_back(w);
            else if (i < n && query[i] == L',')
                ++i;
        }
        if (i == start)
            break;
    }
    return out;
}

} // namespace Pelora
