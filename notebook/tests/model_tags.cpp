// The tag list: flags through a tag's life, the service merge, sort modes and the note links;
// saved searches and their query parser.
#include "model_fixture.h"
#include <ctime>

using namespace Pelora;
using ModelTest::Narrow;

namespace {

using Names = std::vector<CString>;
using Events = std::vector<std::string>;

class ModelTags : public ModelTest::NotebookFixture {
protected:
    void SetUp() override
    {
        NotebookFixture::SetUp();
        AddNoteRow(L"n1", L"One", 1, L"<p>apple pie</p>");
        AddNoteRow(L"n2", L"Two", 1, L"<p>banana split</p>");
        Load();
    }
    CTagList* Tags() { return book->GetTagList(); }
    Names TagNames(int flags = 0)
    {
        Names out;
        Tags()->GetTagNames(out, flags);
        return out;
    }
    int Flags(const wchar_t* name)
    {
        CTagItem* t = Tags()->FindByName(name);
        return t ? t->GetTagFlags() : -1;
    }
};

TEST_F(ModelTags, SetAndReplaceTagsOnANote)
{
    CNoteItem* n1 = book->GetNote(L"n1");
    Names names{L"work", L"home"};
    EXPECT_FALSE(book->SetNoteTags(nullptr, n1, 0));
    ASSERT_TRUE(book->SetNoteTags(&names, n1, 1));
    EXPECT_EQ((Events{"TagAdded work", "TagAdded home", "NoteChanged One"}), listener.events);
    EXPECT_EQ(names, n1->GetTags());
    EXPECT_EQ(2, StoreInt("SELECT COUNT(*) FROM tag_links"));
    EXPECT_EQ(1, Tags()->FindByName(L"work")->GetNoteCount());
    EXPECT_EQ(TagFlagKept, Flags(L"work"));

    // shown in the catalogue: a change keeps or moves the tag
    Tags()->FindByName(L"work")->SetCatalogHandle((HANDLE)1);
    Tags()->FindByName(L"home")->SetCatalogHandle((HANDLE)2);
    Tags()->Sort(TagSortName);
    listener.events.clear();
    CNoteItem* n2 = book->GetNote(L"n2");
    Names one{L"work"};
    book->SetNoteTags(&one, n2, 0);
    EXPECT_EQ((Events{"TagChanged work", "NoteChanged Two"}), listener.events);
    EXPECT_EQ(2, Tags()->FindByName(L"work")->GetNoteCount());
    listener.events.clear();

    Tags()->Sort(TagSortPopular);
    EXPECT_EQ(L"work", Tags()->GetAt(0)->GetName());
    Names work{L"work", L"unknown"};
    book->ReplaceTags(&work, n2);
    book->ReplaceTags(&work, n1);
    // both left "work": the popularity order puts "home" first again
    EXPECT_EQ((Events{"TagChanged work", "NoteChanged Two", "TagMoved work 0->1", "NoteChanged One"}), listener.events);
    EXPECT_EQ((Names{L"home"}), n1->GetTags());
    EXPECT_EQ(1, StoreInt("SELECT COUNT(*) FROM tag_links"));
    CString stored;
    db.GetParam(L"SortTags", stored);
    EXPECT_EQ(L"PopularAsc", stored);
}

TEST_F(ModelTags, FlagLifeCycle)
{
    CNoteItem* n1 = book->GetNote(L"n1");
    Names names{L"local", L"shared"};
    book->SetNoteTags(&names, n1, 0);
    // the upload went through: the service knows both
    Tags()->MarkSynced(names);
    EXPECT_EQ(TagFlagKept | TagFlagOnService, Flags(L"shared"));
    // a tag that only lives here goes at once; one the service knows waits, hidden
    CTagItem* local = Tags()->FindByName(L"local");
    local->GetTag().tag_flags = TagFlagKept;
    Tags()->RemoveTag(local, 0);
    EXPECT_EQ(nullptr, Tags()->FindByName(L"local"));
    Tags()->RemoveTag(Tags()->FindByName(L"shared"), 0);
    EXPECT_EQ(TagFlagKept | TagFlagOnService | TagFlagRemoved, Flags(L"shared"));
    EXPECT_EQ(Names{}, TagNames());
    EXPECT_EQ(0, StoreInt("SELECT COUNT(*) FROM tag_links"));
    EXPECT_TRUE(n1->GetTags().empty());
    // the service confirms: gone for good
    Tags()->RemoveTagById(Tags()->FindByName(L"shared")->GetTag().itemid);
    EXPECT_EQ(nullptr, Tags()->FindByName(L"shared"));
    EXPECT_EQ(0, StoreInt("SELECT COUNT(*) FROM tag_list WHERE tag_type=0"));
}

TEST_F(ModelTags, ServiceMergeTable)
{
    struct Case {
        const char* what;
        std::vector<const wchar_t*> server;  // null entry: the reply had no "tags" array
        bool noList;
        Names expected;
    } cases[] = {
        {"known tag missing from the service goes", {L"b"}, false, {L"b", L"local"}},
        {"new service tags arrive", {L"a", L"b", L"c"}, false, {L"a", L"b", L"c", L"local"}},
        {"an empty list removes every known tag", {}, false, {L"local"}},
        {"no list at all changes nothing", {}, true, {L"a", L"b", L"local"}},
    };
    for (const Case& c : cases) {
        Tags()->Clear();
        StoreInt("DELETE FROM tag_list");
        Tags()->AddTag(L"a", TagFlagKept | TagFlagOnService);
        Tags()->AddTag(L"b", TagFlagKept | TagFlagOnService);
        Tags()->AddTag(L"local", TagFlagKept);  // not on the service yet: never merged away
        Names server;
        for (const wchar_t* s : c.server)
            server.push_back(s);
        Tags()->UpdateFromServer(c.noList ? nullptr : &server);
        Tags()->Sort(TagSortName);
        EXPECT_EQ(c.expected, TagNames()) << c.what;
        if (CTagItem* t = Tags()->FindByName(L"c")) {
            EXPECT_EQ(TagFlagKept | TagFlagOnService, t->GetTagFlags()) << c.what;
        }
        for (int i = 0; i < Tags()->GetCount(); ++i)
            EXPECT_EQ(0, Tags()->GetAt(i)->GetTagFlags() & TagFlagMergeMark) << c.what;
    }
}

TEST_F(ModelTags, LoadSortsByTheStoredModeAndDropsEmptyTags)
{
    CNoteItem* n1 = book->GetNote(L"n1");
    Names names{L"beta", L"Alpha", L"alpha"};
    book->SetNoteTags(&names, n1, 0);
    Tags()->AddTag(L"empty", 0);  // no notes, no flags: dropped at load
    StoreInt("UPDATE tag_list SET tag_flags=0");
    db.SetParam(L"SortTags", L"Whatever");
    book->UnloadNotebook();
    Load();
    // unknown mode: creation order, and the name is written back
    EXPECT_EQ((Names{L"beta", L"Alpha", L"alpha"}), TagNames());
    CString stored;
    db.GetParam(L"SortTags", stored);
    EXPECT_EQ(L"DateCreateAsc", stored);
    EXPECT_EQ(TagFlagKept, Flags(L"beta"));
    EXPECT_EQ(-1, Flags(L"empty"));
    EXPECT_EQ(1, Tags()->FindByName(L"beta")->GetNoteCount());
    EXPECT_EQ(book->GetNote(L"n1"), Tags()->FindByName(L"beta")->GetNoteItem(0));

    Tags()->Sort(TagSortName);
    // equal ignoring case: the case-sensitive order reversed puts "alpha" first
    EXPECT_EQ((Names{L"alpha", L"Alpha", L"beta"}), TagNames());
    EXPECT_EQ((Names{L"alpha (1)", L"Alpha (1)", L"beta (1)"}), TagNames(2));
    std::unique_ptr<CTagList> copy(Tags()->CopyMatching(L"AL"));
    EXPECT_EQ(2, copy->GetCount());
    std::unique_ptr<CTagList> all(Tags()->CopyMatching(L""));
    EXPECT_EQ(3, all->GetCount());
}

TEST_F(ModelTags, TrashedNotesLeaveTags)
{
    CNoteItem* n1 = book->GetNote(L"n1");
    Names names{L"t"};
    book->SetNoteTags(&names, n1, 0);
    CTagItem* tag = Tags()->FindByName(L"t");
    EXPECT_EQ(1, tag->GetNoteCount());
    book->MoveNoteToTrash(n1);
    EXPECT_EQ(0, tag->GetNoteCount());
    EXPECT_EQ(1, StoreInt("SELECT trashed FROM tag_links"));
    // tagging a note in the trash does not bring it back into "All My Notes"
    Names more{L"u"};
    book->SetNoteTags(&more, n1, 0);
    EXPECT_EQ(-1, book->GetRoot()->GetNoteIndex(n1->GetItemId()));
    book->RestoreNoteFromTrash(n1);
    EXPECT_EQ(0, StoreInt("SELECT MAX(trashed) FROM tag_links"));
}

TEST_F(ModelTags, SavedSearches)
{
    // a removed note matching the query is neither found nor put back into "All My Notes"
    CNoteItem* gone = book->CreateNote(book->FindFolder(L"default"), 1);
    gone->SetContentText(L"<p>apple, deleted</p>");
    ASSERT_TRUE(gone->SaveNote());
    ASSERT_TRUE(book->RemoveNote(gone));
    CSavedSearchItem* s = book->AddSearchItem(L"apple");
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(FolderSavedSearch, s->GetType());
    EXPECT_EQ(s, book->FindSearchItem(L"apple"));
    EXPECT_EQ(nullptr, book->FindSearchItem(L"APPLE"));
    EXPECT_EQ(s, book->FindSearchByQuery(L"APPLE"));
    book->RunSearch(s, nullptr, L"apple");
    EXPECT_EQ((std::vector<std::string>{"One"}), Titles(s));
    EXPECT_EQ(2, book->GetRoot()->GetNoteCount());
    Names names;
    book->GetSearchNames(names, 1);
    EXPECT_EQ((Names{L"apple (1)"}), names);
    // the links survive a reload
    book->UnloadNotebook();
    Load();
    s = book->FindSearchItem(L"apple");
    ASSERT_NE(nullptr, s);
    EXPECT_EQ((std::vector<std::string>{"One"}), Titles(s));
    book->RemoveSearchItem(s);
    EXPECT_EQ(0, book->GetSearchCount());
    EXPECT_EQ(0, StoreInt("SELECT COUNT(*) FROM tag_list"));
    EXPECT_EQ(2, book->GetRoot()->GetNoteCount());
}

int Midnight(int d, int m, int y)
{
    struct tm t = {};
    t.tm_mday = d;
    t.tm_mon = m - 1;
    t.tm_year = y - 1900;
    t.tm_isdst = -1;
    return (int)mktime(&t);
}

CString Range(int from, int to)
{
    CString r;
    r.Format(L"%d-%d", from, to);
    return r;
}

TEST(ModelSearchQuery, ParserTable)
{
    struct Case {
        const wchar_t* query;
        Names words, tags, dates;
    } cases[] = {
        {L"tag:work,home report", {L"report"}, {L"work", L"home"}, {}},
        {L"date:1/2/15", {}, {}, {Range(Midnight(1, 2, 2015), Midnight(1, 2, 2015))}},
        // a range takes in its whole last day
        {L"date:30/12/2014-2/1/2015", {}, {}, {Range(Midnight(30, 12, 2014), Midnight(3, 1, 2015))}},
        {L"  \"two words\" single\r\n", {L"two words", L"single"}, {}, {}},
        {L"\"unclosed phrase", {L"unclosed phrase"}, {}, {}},
        {L"Tag:x", {L"Tag:x"}, {}, {}},
        {L"a,b", {L"a", L"b"}, {}, {}},
        {L"date:bad tag:\"a b\",c", {}, {L"a b", L"c"}, {}},
        {L"", {}, {}, {}},
    };
    for (const Case& c : cases) {
        CSearchQuery q = CSearchQuery::Parse(c.query);
        EXPECT_EQ(c.words, q.words) << Narrow(c.query);
        EXPECT_EQ(c.tags, q.tags) << Narrow(c.query);
        EXPECT_EQ(c.dates, q.dates) << Narrow(c.query);
    }
}

} // namespace
