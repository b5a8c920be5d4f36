#include "SortEngine.h"
#include "NoteItem.h"
#include "Notebook.h"
#include <cstdint>

namespace Pelora {

namespace {

// Insertion sort with a binary search for the place: before(a, b) is true when a must come
// strictly before b. Equal keys land next to an equal element.
template <class Before, class Same>
void InsertionSort(CNoteItem** notes, int count, Before before, Same same)
{
    if (!notes || count < 2)
        return;
    for (int i = 1; i < count; ++i) {
        CNoteItem* key = notes[i];
        if (!before(key, notes[i - 1]))
            continue;
        int lo = 0, hi = i - 1, place = -1;
        while (hi > lo) {
            int mid = (lo + hi) / 2;
            if (same(key, notes[mid])) {
                place = mid;
                break;
            }
            if (before(notes[mid], key)) {  // key belongs after mid
                if (lo == mid) {
                    place = hi;
                    break;
                }
                lo = mid;
            } else {
                hi = mid;
            }
        }
        if (place < 0)
            place = lo;
        for (int j = i; j > place; --j)
            notes[j] = notes[j - 1];
        notes[place] = key;
    }
}

template <class Key>
void SortByKey(CNoteItem** notes, int count, bool desc, Key key)
{
    if (desc)
        InsertionSort(notes, count, [&](CNoteItem* a, CNoteItem* b) { return key(b) < key(a); },
                      [&](CNoteItem* a, CNoteItem* b) { return key(a) == key(b); });
    else
        InsertionSort(notes, count, [&](CNoteItem* a, CNoteItem* b) { return key(a) < key(b); },
                      [&](CNoteItem* a, CNoteItem* b) { return key(a) == key(b); });
}

} // namespace

void CSortEngine::Sort(int type, CNoteItem** notes, int count) const
{
    bool desc = (type & 1) != 0;
    switch (type) {
    case 0: case 1: ResortNotesByName(notes, count, desc); break;
    case 2: case 3: ResortNotesByDateModify(notes, count, desc); break;
    case 4: case 5: ResortNotesByDateCreate(notes, count, desc); break;
    case 6: case 7: ResortNotesBySize(notes, count, desc); break;
    case 8: case 9: ResortNotesByTodo(notes, count, desc); break;
    case 10: case 11: ResortNotesBySharedNote(notes, count, desc); break;
    case 12: case 13: ResortNotesByReminderedNote(notes, count, desc); break;
    case 16: case 17: ResortNotesByUser(notes, count, desc); break;
    default: break;
    }
}

void CSortEngine::ResortNotesByName(CNoteItem** notes, int count, bool desc)
{
    auto cmp = [](CNoteItem* a, CNoteItem* b) {
        return _wcsicmp(a->GetRecord().note_title.GetString(), b->GetRecord().note_title.GetString());
    };
    if (desc)
        InsertionSort(notes, count, [&](CNoteItem* a, CNoteItem* b) { return cmp(a, b) > 0; },
                      [&](CNoteItem* a, CNoteItem* b) { return cmp(a, b) == 0; });
    else
        InsertionSort(notes, count, [&](CNoteItem* a, CNoteItem* b) { return cmp(a, b) < 0; },
                      [&](CNoteItem* a, CNoteItem* b) { return cmp(a, b) == 0; });
}

void CSortEngine::ResortNotesByDateModify(CNoteItem** notes, int count, bool desc)
{
    SortByKey(notes, count, desc, [](CNoteItem* n) { return n->GetRecord().date_update_user; });
}

void CSortEngine::ResortNotesByDateCreate(CNoteItem** notes, int count, bool desc)
{
    SortByKey(notes, count, desc, [](CNoteItem* n) { return n->GetRecord().date_create; });
}

void CSortEngine::ResortNotesBySize(CNoteItem** notes, int count, bool desc)
{
    SortByKey(notes, count, desc, [](CNoteItem* n) { return n->GetRecord().content_size; });
}

void CSortEngine::ResortNotesByTodo(CNoteItem** notes, int count, bool desc)
{
    SortByKey(notes, count, desc, [](CNoteItem* n) { return n->GetRecord().num_tasks; });
}

void CSortEngine::ResortNotesBySharedNote(CNoteItem** notes, int count, bool desc)
{
    SortByKey(notes, count, desc, [](CNoteItem* n) { return n->GetRecord().b_shared & 1; });
}

void CSortEngine::ResortNotesByReminderedNote(CNoteItem** notes, int count, bool desc)
{
    // Notes without a reminder come last both ways: their key is the far end of the order.
    CNotebook* book = GetNotebook();
    auto key = [book, desc](CNoteItem* n) -> uint32_t {
        CReminderItem* r = book ? book->GetReminder(n->GetRecord().note_id, 0) : nullptr;
        if (!r)
            return desc ? 0u : 0xFFFFFFFFu;
        return (uint32_t)r->GetRecord().time_initial;
    };
    SortByKey(notes, count, desc, key);
}

void CSortEngine::ResortNotesByUser(CNoteItem** notes, int count, bool desc)
{
    SortByKey(notes, count, desc, [](CNoteItem* n) { return n->GetUserPosition(); });
}

} // namespace Pelora
