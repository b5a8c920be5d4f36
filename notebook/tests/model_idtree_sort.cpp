// The id tree, the scoped mutex and the sort engine.
#include "model_fixture.h"
#include <algorithm>
#include <memory>

using namespace Pelora;

namespace {

CNoteItem* Fake(uintptr_t v) { return reinterpret_cast<CNoteItem*>(v); }

TEST(ModelIdTree, InsertFindAndWalk)
{
    CIdTree tree;
    CNoteItem* out = Fake(1);
    EXPECT_EQ(0, tree.Find(5, out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(nullptr, tree.First());

    const unsigned keys[] = {1, 0xFFFFFFFFu, 0x80000000u, 3, 0x40000000u, 12345, 7};
    for (unsigned k : keys)
        tree.Insert(k, Fake(k + 100));
    for (unsigned k : keys) {
        EXPECT_EQ(1, tree.Find(k, out)) << k;
        EXPECT_EQ(Fake(k + 100), out) << k;
    }
    // 2 lies on the path to 1 and 3: a node without a value
    EXPECT_EQ(0, tree.Find(2, out));
    EXPECT_EQ(nullptr, out);

    tree.Insert(3, Fake(999));
    EXPECT_EQ(1, tree.Find(3, out));
    EXPECT_EQ(Fake(999), out);

    // the walk is pre-order: node, left, right; every key once
    std::vector<unsigned> walked;
    CIdTree::CNode* cursor = tree.First();
    while (cursor) {
        unsigned key;
        CNoteItem* value;
        tree.Next(cursor, key, value);
        walked.push_back(key);
    }
    std::vector<unsigned> expected = {0x80000000u, 0x40000000u, 1, 3, 7, 12345, 0xFFFFFFFFu};
    EXPECT_EQ(expected, walked);
    tree.Clear();
    EXPECT_TRUE(tree.IsEmpty());
    EXPECT_EQ(0, tree.Find(1, out));
}

TEST(ModelIdTree, FirstSkipsPathNodes)
{
    CIdTree tree;
    tree.Insert(0x20000000u, Fake(8));
    CIdTree::CNode* first = tree.First();
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(0x20000000u, first->key);
}

DWORD WINAPI TryMutex(void* p)
{
    auto* mutex = (Pelora::CMutex*)p;
    if (!mutex->TryLock())
        return WAIT_TIMEOUT;
    mutex->Unlock();
    return WAIT_OBJECT_0;
}

// What another thread's attempt on the mutex gives.
DWORD TryFromOtherThread(Pelora::CMutex& mutex)
{
    HANDLE t = CreateThread(nullptr, 0, TryMutex, &mutex, 0, nullptr);
    WaitForSingleObject(t, 5000);
    DWORD code = 99;
    GetExitCodeThread(t, &code);
    CloseHandle(t);
    return code;
}

TEST(ModelMutex, ScopedLockIsRecursiveAndReleases)
{
    Pelora::CMutex mutex;
    {
        CScopedMutexLock a(&mutex);
        EXPECT_EQ(WAIT_OBJECT_0, a.GetWaitResult());
        {
            CScopedMutexLock b(&mutex);  // same thread: nested
            EXPECT_EQ(WAIT_OBJECT_0, b.GetWaitResult());
        }
        // the inner release leaves the outer hold: other threads still wait
        EXPECT_EQ((DWORD)WAIT_TIMEOUT, TryFromOtherThread(mutex));
    }
    // released twice above: another thread gets it at once
    EXPECT_EQ(WAIT_OBJECT_0, TryFromOtherThread(mutex));

    CScopedMutexLock none(nullptr);
    EXPECT_EQ((DWORD)-1, none.GetWaitResult());
}

// --- sort engine, on notes that are not in any notebook

struct SortRow {
    const wchar_t* title;
    int dateUpdate;
    int dateCreate;
    int size;
    int tasks;
    int shared;
    unsigned user;
};

class ModelSort : public ::testing::Test {
protected:
    void SetUp() override
    {
        const SortRow rows[] = {
            {L"banana", 30, 5, 200, 1, 0, 2},
            {L"Apple", 10, 5, 100, 3, 1, 0},
            {L"cherry", 20, 1, 300, 0, 3, 1},
            {L"apple", 20, 9, 100, 2, 0, 3},
        };
        for (const SortRow& r : rows) {
            auto n = std::make_unique<CNoteItem>();
            n->GetRecord().note_title = r.title;
            n->GetRecord().date_update_user = r.dateUpdate;
            n->GetRecord().date_create = r.dateCreate;
            n->GetRecord().content_size = r.size;
            n->GetRecord().num_tasks = r.tasks;
            n->GetRecord().b_shared = r.shared;
            n->SetUserPosition(r.user);
            owned.push_back(std::move(n));
        }
    }
    std::vector<std::string> Sorted(int type)
    {
        std::vector<CNoteItem*> arr;
        for (auto& n : owned)
            arr.push_back(n.get());
        CSortEngine().Sort(type, arr.data(), (int)arr.size());
        std::vector<std::string> out;
        for (CNoteItem* n : arr)
            out.push_back(ModelTest::Narrow(n->GetTitle()));
        return out;
    }
    std::vector<std::unique_ptr<CNoteItem>> owned;
};

TEST_F(ModelSort, EveryKeyBothWays)
{
    struct Case {
        int type;
        std::vector<std::string> expected;
    } cases[] = {
        // names ignore case; an equal key lands beside the equal element the search meets
        {0, {"apple", "Apple", "banana", "cherry"}},
        {1, {"cherry", "banana", "Apple", "apple"}},
        {2, {"Apple", "apple", "cherry", "banana"}},
        {3, {"banana", "apple", "cherry", "Apple"}},
        {4, {"cherry", "banana", "Apple", "apple"}},
        {5, {"apple", "banana", "Apple", "cherry"}},
        {6, {"apple", "Apple", "banana", "cherry"}},
        {7, {"cherry", "banana", "Apple", "apple"}},
        {8, {"cherry", "banana", "apple", "Apple"}},
        {9, {"Apple", "apple", "banana", "cherry"}},
        // shared: bit 0 only
        {10, {"apple", "banana", "Apple", "cherry"}},
        {11, {"cherry", "Apple", "banana", "apple"}},
        {16, {"Apple", "cherry", "banana", "apple"}},
        {17, {"apple", "banana", "cherry", "Apple"}},
        // no sort
        {14, {"banana", "Apple", "cherry", "apple"}},
        {15, {"banana", "Apple", "cherry", "apple"}},
        {99, {"banana", "Apple", "cherry", "apple"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, Sorted(c.type)) << "type " << c.type;
}

TEST_F(ModelSort, SmallArraysAreLeftAlone)
{
    CNoteItem* one = owned[0].get();
    CSortEngine().Sort(0, &one, 1);
    EXPECT_EQ(owned[0].get(), one);
    CSortEngine().Sort(0, nullptr, 0);
}

TEST(ModelSortLarge, MatchesAStableOrderOnManyTies)
{
    // many equal keys: the binary search must still give a sorted array
    std::vector<std::unique_ptr<CNoteItem>> owned;
    std::vector<CNoteItem*> arr;
    unsigned seed = 7;
    for (int i = 0; i < 300; ++i) {
        seed = seed * 1103515245 + 12345;
        auto n = std::make_unique<CNoteItem>();
        n->GetRecord().date_create = (int)((seed >> 16) % 13) - 6;
        arr.push_back(n.get());
        owned.push_back(std::move(n));
    }
    for (int type : {4, 5}) {
        CSortEngine().Sort(type, arr.data(), (int)arr.size());
        for (size_t i = 1; i < arr.size(); ++i) {
            if (type == 4)
                ASSERT_LE(arr[i - 1]->GetRecord().date_create, arr[i]->GetRecord().date_create);
            else
                ASSERT_GE(arr[i - 1]->GetRecord().date_create, arr[i]->GetRecord().date_create);
        }
    }
}

} // namespace
