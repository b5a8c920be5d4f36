// The notebook's tags (shared by the tag pane, the editor's tags bar, automation and the sync),
// and the parser of saved-search queries.
#pragma once
#include "Framework.h"
#include "IdTree.h"
#include <vector>

namespace Pelora {

class CTagItem;

// tag_flags of a tag row.
enum : int {
    TagFlagOnService = 0x0001,  // the service knows the tag
    TagFlagRemoved = 0x0002,    // removed here, waiting for the service (hidden)
    TagFlagMergeMark = 0x0004,  // scratch mark of the service merge
    TagFlagKept = 0x8000,       // created or kept by the program
};

// Sort modes (even and odd sort alike); stored as "SortTags".
enum : int { TagSortName = 0, TagSortDateCreate = 4, TagSortPopular = 14, TagSortUser = 16 };

class CTagList {
public:
    CTagList();
    ~CTagList();
    CTagList(const CTagList&) = delete;
    CTagList& operator=(const CTagList&) = delete;

    // Without the mutex.
    int GetCount() const { return (int)m_items.size(); }
    int IndexOf(const CTagItem* item) const;
    CTagItem* GetAt(int i);
    CTagItem* FindByName(const wchar_t* name);
    // The existing item of that name, or a new tag created in the store (null without a store).
    CTagItem* AddTag(const wchar_t* name, int flags);
    void RemoveTag(CTagItem* item, int fromService);
    void RemoveTagById(int itemid);
    // The service's tag list. names null means the reply had no list: nothing changes.
    void UpdateFromServer(const std::vector<CString>* names);
    bool Sort(int mode);
    int GetSortMode() const { return m_sortMode; }
    void Load();
    // flags bit 1 (value 2) appends " (count)".
    void GetTagNames(std::vector<CString>& list, int flags);
    // A new list (the caller deletes it) of the items whose name begins with prefix.
    CTagList* CopyMatching(const wchar_t* prefix);
    void MarkSynced(const std::vector<CString>& names);
    void Clear();

    CMutex* GetMutex() { return &m_mutex; }

    static const wchar_t* SortModeName(int mode);

private:
    void Append(CTagItem* item);

    std::vector<CTagItem*> m_items;
    CMutex m_mutex;
    int m_sortMode = -1;
};

// A saved-search query split into words, tags and date ranges ("from-to" in seconds since 1970
// of local midnights).
struct CSearchQuery {
    std::vector<CString> words;
    std::vector<CString> tags;
    std::vector<CString> dates;
    static CSearchQuery Parse(const wchar_t* query);
};

} // namespace Pelora
