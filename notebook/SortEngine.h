// Sorts arrays of note items in place for the note list and the folder items.
#pragma once
#include "Framework.h"

namespace Pelora {

class CNoteItem;

// Even types sort ascending, odd ones descending.
enum ESortType : int {
    SortByName = 0,
    SortByDateModify = 2,
    SortByDateCreate = 4,
    SortBySize = 6,
    SortByTodo = 8,
    SortByShared = 10,
    SortByReminder = 12,
    SortNone = 14,
    SortByUser = 16,
};

class CSortEngine {
public:
    void Sort(int type, CNoteItem** notes, int count) const;

    static void ResortNotesByName(CNoteItem** notes, int count, bool desc);
    static void ResortNotesByDateModify(CNoteItem** notes, int count, bool desc);
    static void ResortNotesByDateCreate(CNoteItem** notes, int count, bool desc);
    static void ResortNotesBySize(CNoteItem** notes, int count, bool desc);
    static void ResortNotesByTodo(CNoteItem** notes, int count, bool desc);
    static void ResortNotesBySharedNote(CNoteItem** notes, int count, bool desc);
    static void ResortNotesByReminderedNote(CNoteItem** notes, int count, bool desc);
    static void ResortNotesByUser(CNoteItem** notes, int count, bool desc);
};

} // namespace Pelora
