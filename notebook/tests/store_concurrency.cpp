// Several threads on one store object: every operation runs whole under the store's lock.
#include "store_fixture.h"
#include <set>
#include <thread>

using namespace StoreTest;

class StoreConcurrency : public StoreFixture {};

TEST_F(StoreConcurrency, TwoWritersAndAReaderKeepEveryRowStraight)
{
    const int perThread = 150;
    DB::CItemTag tag;
    tag.tag_name = L"shared";
    ASSERT_EQ(db.TagCreate(&tag, 0), 1);
    std::vector<std::pair<int, std::wstring>> made[2];
    auto writer = [&](int t) {
        for (int i = 0; i < perThread; ++i) {
            DB::CItemNote n;
            n.note_id.Format(L"t%d_%04d", t, i);
            n.note_title = n.note_id;
            n.folder_id = 1;
            const wchar_t html[] = L"<p>concurrent</p>";
            n.RelocateContentBuffer(sizeof html - 2, 1);
            memcpy(n.content_data, html, sizeof html - 2);
            if (!db.NoteUpdateContent(&n) || !db.CreateNote(&n) || !db.UpdateNoteTags(tag.itemid, n.itemid))
                return;
            made[t].push_back({n.itemid, n.note_id.GetString()});
            CString value;
            value.Format(L"%d", i);
            db.SetParam(t ? L"writer1" : L"writer0", value);
        }
    };
    volatile bool stop = false;
    int searches = 0;
    auto reader = [&] {
        std::vector<CString> words{L"concurrent"};
        while (!stop) {
            int found = 0;
            db.SearchNotes(nullptr, words, [](DB::CItemNote*, void* data) { ++*(int*)data; }, &found);
            ++searches;
        }
    };
    std::thread r(reader);
    std::thread a(writer, 0), b(writer, 1);
    a.join();
    b.join();
    stop = true;
    r.join();

    ASSERT_EQ(made[0].size(), (size_t)perThread);
    ASSERT_EQ(made[1].size(), (size_t)perThread);
    EXPECT_EQ(Count("notes"), 2 * perThread);
    EXPECT_EQ(Count("notes_content"), 2 * perThread);
    EXPECT_EQ(db.TagGetNoteCount(tag.itemid), 2 * perThread);
    // each insert's key belongs to its own row (no key taken from the other thread's insert)
    std::set<int> keys;
    for (auto& list : made) {
        for (auto& m : list) {
            keys.insert(m.first);
            DB::CItemNote f;
            f.itemid = m.first;
            DB::CItemList rows;
            db.GetNoteList(&f, &rows);
            ASSERT_EQ(rows.GetCount(), 1);
            EXPECT_EQ(static_cast<DB::CItemNote*>(rows.GetHead())->note_id, CString(m.second.c_str()));
        }
    }
    EXPECT_EQ(keys.size(), (size_t)(2 * perThread));
    EXPECT_EQ(Count("params", "param LIKE 'writer%'"), 2);
    EXPECT_GT(searches, 0);
}
