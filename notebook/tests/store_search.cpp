// The two search statements and the user sort order.
#include "store_fixture.h"
#include <algorithm>
#include <set>

using namespace StoreTest;

namespace {

void CollectTitle(DB::CItemNote* rec, void* data)
{
    static_cast<std::multiset<std::wstring>*>(data)->insert(rec->note_title.GetString());
}

std::vector<CString> Words(std::initializer_list<const wchar_t*> items)
{
    std::vector<CString> out;
    for (const wchar_t* w : items)
        out.push_back(w);
    return out;
}

} // namespace

class StoreSearch : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        AddNote(L"xaBx", L"<p>nothing</p>", 1, 1000);
        AddNote(L"plain", L"<p>SHOUT AB here</p>", 1, 1000 + 86399);
        AddNote(L"\x041C\x043E\x0441\x043A\x0432\x0430", L"<p>\x042F\x0411\x041B\x041E\x041A\x041E</p>", 1, 1000 + 86400);
        AddNote(L"conflict ab", L"<p>ab</p>", 4, 5000);   // in the conflicts folder
        AddNote(L"quote", L"<p>it's O'Brien</p>", 5, 1500);
        DB::CItemNote* empty = AddNote(L"nulltext", nullptr, 1, 2000);
        Exec(Raw(), ("UPDATE notes_content SET data=NULL WHERE idrec=" + std::to_string(empty->content_id)).c_str());
        DB::CItemTag tag;
        tag.tag_name = L"red";
        db.TagCreate(&tag, 0);
        db.UpdateNoteTags(tag.itemid, notes[0]->itemid);
        db.UpdateNoteTags(tag.itemid, notes[4]->itemid);
        DB::CItemTag blue;
        blue.tag_name = L"blue";
        db.TagCreate(&blue, 0);
        db.UpdateNoteTags(blue.itemid, notes[2]->itemid);
        // a removed note matches every word, tag and date below and is never found
        DB::CItemNote* removed = AddNote(L"removed ab", L"<p>ab shout</p>", 1, 1000);
        Exec(Raw(), ("UPDATE notes SET b_removed=1 WHERE itemid=" + std::to_string(removed->itemid)).c_str());
        db.UpdateNoteTags(tag.itemid, removed->itemid);
        // a saved search named like a tag holds links too: a tag search never follows them
        DB::CItemTag saved;
        saved.tag_name = L"blue";
        db.TagCreate(&saved, 1);
        db.UpdateNoteTags(saved.itemid, notes[0]->itemid);
        db.UpdateNoteTags(saved.itemid, notes[1]->itemid);
    }

    std::multiset<std::wstring> Find(const std::vector<CString>& words, const int* folders = nullptr)
    {
        std::multiset<std::wstring> found;
        EXPECT_EQ(db.SearchNotes(folders, words, CollectTitle, &found), 1);
        return found;
    }

    std::multiset<std::wstring> Find(const std::vector<CString>& words, const std::vector<CString>& tags,
                                     const std::vector<CString>& dates, const int* folders = nullptr)
    {
        std::multiset<std::wstring> found;
        EXPECT_EQ(db.SearchNotes(folders, words, tags, dates, CollectTitle, &found), 1);
        return found;
    }
};

TEST_F(StoreSearch, WordsMatchTitleOrHtmlWithoutCase)
{
    const std::wstring moscow = L"\x041C\x043E\x0441\x043A\x0432\x0430";
    struct Case { std::vector<CString> words; std::multiset<std::wstring> expected; } cases[] = {
        {Words({L"Ab"}), {L"xaBx", L"plain"}},                       // conflicts folder left out
        {Words({L"ab", L"shout"}), {L"plain"}},                      // every word must match
        {Words({L"\x044F\x0431\x043B"}), {moscow}},                  // Cyrillic in the HTML, any case
        {Words({L"\x041C\x041E\x0421"}), {moscow}},                  // Cyrillic in the title
        {Words({L"o'brien"}), {L"quote"}},                           // a quote in a bound word
        {Words({L"p>"}), {L"plain", L"xaBx", moscow, L"quote"}},     // markup counts; NULL text holds nothing
        {Words({L"zzz"}), {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Find(c.words), c.expected);
        EXPECT_EQ(Find(c.words, {}, {}), c.expected);
    }
    std::multiset<std::wstring> none;
    EXPECT_EQ(db.SearchNotes(nullptr, std::vector<CString>(), CollectTitle, &none), 0);
    EXPECT_EQ(db.SearchNotes(nullptr, Words({L"a"}), nullptr, nullptr), 0);
    EXPECT_EQ(db.SearchNotes(nullptr, Words({L"a"}), {}, {}, nullptr, nullptr), 0);

    int onlyFive[] = {5, 0};
    EXPECT_EQ(Find(Words({L"'"}), onlyFive), std::multiset<std::wstring>{L"quote"});
    EXPECT_EQ(Find(Words({L"'"}), {}, {}, onlyFive), std::multiset<std::wstring>{L"quote"});
}

TEST_F(StoreSearch, TagsAndDates)
{
    const std::wstring moscow = L"\x041C\x043E\x0441\x043A\x0432\x0430";
    struct Case { std::vector<CString> words, tags, dates; std::multiset<std::wstring> expected; } cases[] = {
        {{}, Words({L"red"}), {}, {L"xaBx", L"quote"}},
        {{}, Words({L"red", L"blue"}), {}, {L"xaBx", L"quote", moscow}},   // one tag is enough
        {{}, Words({L"blue"}), {}, {moscow}},                       // not the saved search "blue"
        {Words({L"brien"}), Words({L"red"}), {}, {L"quote"}},
        {{}, {}, Words({L"1000"}), {L"xaBx", L"plain", L"quote", L"nulltext"}},   // that day only
        {{}, {}, Words({L"0-1500"}), {L"xaBx", L"quote"}},         // up to and including
        {{}, {}, Words({L"1500-87400"}), {L"quote", L"nulltext", L"plain"}},
        {{}, {}, Words({L"87400"}), {moscow}},
        {{}, {}, Words({L"3000-1000"}), {L"xaBx", L"plain", moscow, L"quote", L"nulltext"}},   // no condition
        {{}, Words({L"red"}), Words({L"1400-1600"}), {L"quote"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Find(c.words, c.tags, c.dates), c.expected);
}

TEST(StoreSearchSql, ConditionBuilders)
{
    int next = 3;
    EXPECT_EQ(DB::CPeloraDatabase::PrepareSearchSql(L"tag_name", 2, next), CString(L"tag_name=?3 OR tag_name=?4"));
    EXPECT_EQ(next, 5);
    EXPECT_TRUE(DB::CPeloraDatabase::PrepareSearchSql(L"c", 0, next).IsEmpty());
    int ids[] = {4, 7, 0};
    EXPECT_EQ(DB::CPeloraDatabase::PrepareSearchSql(L"folder_id", ids), CString(L"folder_id=4 OR folder_id=7"));
    EXPECT_TRUE(DB::CPeloraDatabase::PrepareSearchSql(L"folder_id", (const int*)nullptr).IsEmpty());
    EXPECT_EQ(DB::CPeloraDatabase::PrepareSearchSql(L"d", Words({L"1000", L"0-2000", L"3000-1000", L"5-9"})),
              CString(L"(d>=1000 AND d<87400) OR d<=2000 OR (d>=5 AND d<9)"));
}

TEST_F(StoreSearch, SortOrderRowPerFolder)
{
    std::vector<int> order(20);
    for (int i = 0; i < 20; ++i)
        order[i] = 100 + i;
    ASSERT_EQ(db.UpdateSortData(L"f'1", 0, order.data(), 20), 1);
    ASSERT_EQ(db.UpdateSortData(L"f'1", 1, order.data(), 2), 1);
    ASSERT_EQ(db.UpdateSortData(L"f'1", 0, order.data(), 20), 1);
    EXPECT_EQ(Count("notes_sort_data"), 2);

    int* buffer = new int[10];
    unsigned count = 10;
    EXPECT_EQ(db.GetSortData(L"f'1", 0, buffer, count), 1044u);
    ASSERT_EQ(count, 20u);
    EXPECT_EQ(buffer[19], 119);
    unsigned capacity = 1044;
    count = capacity;
    EXPECT_EQ(db.GetSortData(L"f'1", 1, buffer, count), 1044u);   // large enough: kept
    EXPECT_EQ(count, 2u);

    // a row whose size claims more than its blob holds gives only what is there
    ASSERT_TRUE(Exec(Raw(), "UPDATE notes_sort_data SET sort_size=500000 WHERE sub_id=1"));
    count = capacity;
    db.GetSortData(L"f'1", 1, buffer, count);
    EXPECT_EQ(count, 2u);

    ASSERT_EQ(db.UpdateSortData(L"f'1", 0, order.data(), 0), 1);
    count = capacity;
    db.GetSortData(L"f'1", 0, buffer, count);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(db.GetSortData(nullptr, 0, buffer, count), 0u);
    delete[] buffer;
}
