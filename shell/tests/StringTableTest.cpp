#include "StringTable.h"
#include "BinRes.h"
#include "resource.h"
#include <gtest/gtest.h>
#include <tinyxml.h>
#include <set>
#include <string>

namespace {

// The table is process-wide; every test leaves it released.
struct StringTableTest : testing::Test {
    void TearDown() override { CStringTable::Release(); }
};

const char kSample[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<!-- texts of the tests -->\n"
    "<String_Table>\n"
    "  <string ids=\"1\" en=\"&amp;File\" ru=\"&#x424;\xD0\xB0\xD0\xB9\xD0\xBB\" />\n"
    "  <string ids=\"5\" en=\"Only English\" />\n"
    "  <STRING IDS=\"6\" EN=\"Two&#xA;lines &quot;q&quot; &lt;&gt; &apos;\" Ru=\"\xD0\x94\xD0\xB2\xD0\xB5\" />\n"
    "  <string en=\"no id\" ru=\"no id\" />\n"
    "  <string ids=\"7x\" en=\"Seven\" />\n"
    "  <string ids=\"7\" en=\"Seven again\" />\n"
    "  <other ids=\"8\" en=\"not a row\" />\n"
    "</String_Table>\n";

std::wstring Text(int id, const wchar_t* def)
{
    return (const wchar_t*)GetLangString(id, def);
}

TEST_F(StringTableTest, DefaultsBeforeLoading)
{
    EXPECT_EQ(L"New Folder", Text(10, L"New Folder"));
    CStringTable::Instance()->SetLanguage(LANG_ID_RUSSIAN);
    EXPECT_EQ(L"New Folder", Text(10, L"New Folder"));
    EXPECT_EQ(L"", Text(10, nullptr));
}

TEST_F(StringTableTest, LooksUpEitherLanguage)
{
    CStringTable* t = CStringTable::Instance();
    ASSERT_NE(0, t->LoadXml(kSample));
    EXPECT_EQ(LANG_ID_ENGLISH, t->GetLanguage());
    EXPECT_EQ(L"&File", Text(1, L"x"));
    EXPECT_EQ(L"Two\nlines \"q\" <> '", Text(6, L"x"));
    EXPECT_EQ(L"Seven again", Text(7, L"x"));      // a later row replaces an earlier one
    EXPECT_EQ(L"x", Text(8, L"x"));
    EXPECT_EQ(nullptr, t->FindText(3));

    t->SetLanguage(LANG_ID_RUSSIAN);
    EXPECT_EQ(L"\x0424\x0430\x0439\x043B", Text(1, L"x"));
    EXPECT_EQ(L"\x0414\x0432\x0435", Text(6, L"x"));
    // no Russian text: the caller's default, not the English row
    EXPECT_EQ(L"Default", Text(5, L"Default"));
    EXPECT_EQ(L"", Text(5, nullptr));

    for (int english : {9, 7, 0, 1049}) {
        t->SetLanguage(english);
        EXPECT_EQ(L"Only English", Text(5, L"Default")) << english;
    }
}

TEST_F(StringTableTest, BrokenXmlLeavesTheDefaults)
{
    CStringTable* t = CStringTable::Instance();
    EXPECT_EQ(0, t->LoadXml("<string_table><string ids=\"1\" en=\"x\"></string_table"));
    EXPECT_EQ(L"&File", Text(1, L"&File"));
    EXPECT_NE(0, t->LoadXml("<other><string ids=\"1\" en=\"x\"/></other>"));
    EXPECT_EQ(L"&File", Text(1, L"&File"));
}

TEST_F(StringTableTest, ProgramTableFromTheResource)
{
    CStringTable* t = CStringTable::Instance();
    ASSERT_NE(0, t->Load());
    EXPECT_EQ(L"&File", Text(1, L""));
    EXPECT_EQ(L"New Folder", Text(10, L""));
    EXPECT_EQ(L"New Note", Text(11, L""));
    EXPECT_EQ(L"Sync", Text(2000, L""));
    EXPECT_EQ(L"1 year", Text(31156, L""));
    t->SetLanguage(LANG_ID_RUSSIAN);
    EXPECT_EQ(L"\x0424\x0430\x0439\x043B", Text(1, L""));
    EXPECT_EQ(L"\x041D\x043E\x0432\x0430\x044F \x043F\x0430\x043F\x043A\x0430", Text(10, L""));
    EXPECT_EQ(L"\x043A\x0430\x0436\x0434\x044B\x0439 \x0433\x043E\x0434", Text(31156, L""));
}

// Every row of the shipped table has an id of its own and both texts.
TEST_F(StringTableTest, ShippedRowsAreComplete)
{
    BYTE* data = nullptr;
    DWORD size = 0;
    Utils::BinRes::ExtractBinResource(L"DATA_FILES", IDR_LANGS_XML, data, size);
    TiXmlDocument doc;
    doc.Parse((const char*)data, nullptr, TIXML_ENCODING_UTF8);
    delete[] data;
    ASSERT_FALSE(doc.Error()) << doc.ErrorDesc() << " row " << doc.ErrorRow();
    const TiXmlElement* root = doc.FirstChildElement("string_table");
    ASSERT_NE(nullptr, root);
    std::set<int> ids;
    int rows = 0;
    for (const TiXmlElement* e = root->FirstChildElement(); e; e = e->NextSiblingElement()) {
        ++rows;
        const char* id = e->Attribute("ids");
        ASSERT_NE(nullptr, id);
        EXPECT_TRUE(ids.insert(atoi(id)).second) << "duplicate id " << id;
        const char* en = e->Attribute("en");
        const char* ru = e->Attribute("ru");
        EXPECT_TRUE(en && *en) << "no English text for " << id;
        EXPECT_TRUE(ru && *ru) << "no Russian text for " << id;
    }
    EXPECT_GT(rows, 4);
}

TEST_F(StringTableTest, FontCache)
{
    CStringTable* t = CStringTable::Instance();
    HFONT a = t->GetFont(L"Tahoma", -12, 400, FALSE, FALSE, FALSE);
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(a, t->GetFont(L"Tahoma", -12, 400, FALSE, FALSE, FALSE));
    HFONT bold = t->GetFont(L"Tahoma", -12, 700, FALSE, FALSE, FALSE);
    EXPECT_NE(a, bold);
    EXPECT_NE(a, t->GetFont(L"tahoma", -12, 400, FALSE, FALSE, FALSE));   // face names compare exactly
    EXPECT_NE(a, t->GetFont(L"Tahoma", -12, 400, FALSE, TRUE, FALSE));
    LOGFONTW lf = {};
    ASSERT_TRUE(GetObjectW(bold, sizeof lf, &lf));
    EXPECT_EQ(RUSSIAN_CHARSET, lf.lfCharSet);
    EXPECT_EQ(-12, lf.lfHeight);
}

} // namespace
