#include "LWProperty.h"
#include "LWResourceLists.h"
#include "WidgetTestUtil.h"
#include <vector>

namespace {

class Heard : public LWPropertyEvents {
public:
    std::vector<CString> values;
    void OnPropertyValueChanged(LWProperty* prop) override { values.push_back(prop->getStringValue()); }
};

TEST(Property, NumbersTextAndTheListener)
{
    Heard heard;
    LWProperty prop(&heard, L"Width", nullptr, 0, 0);
    EXPECT_STREQ(L"", prop.getStringValue());
    const struct {
        float value;
        const wchar_t* text;
    } numbers[] = {{0.0f, L"0"}, {2.0f, L"2"}, {1.5f, L"1.5"}, {0.1f, L"0.100000001490116"}, {-3.25f, L"-3.25"},
                   {100.0f, L"100"}};
    for (const auto& n : numbers) {
        prop.setNumberValue(n.value);
        EXPECT_STREQ(n.text, prop.getStringValue()) << n.value;
    }
    EXPECT_TRUE(heard.values.empty());  // numbers touch neither the listener nor the count
    EXPECT_EQ(0, prop.m_nChanges);
    prop.setStringValue(L"12.5");
    prop.setStringValue(nullptr);
    EXPECT_EQ(2, prop.m_nChanges);
    ASSERT_EQ(2u, heard.values.size());
    EXPECT_STREQ(L"12.5", heard.values[0]);
    prop.setStringValue(L"abc");
    EXPECT_EQ(0.0f, prop.getNumberValue());
    prop.setStringValue(L"7.5");
    EXPECT_EQ(7.5f, prop.getNumberValue());

    prop.setAttributes(0xF0 | LWPROP_CHECKED);
    prop.setAttributesByMask(LWPROP_HIDDEN, LWPROP_HIDDEN | LWPROP_CHECKED);
    EXPECT_EQ(0xF0 | LWPROP_HIDDEN, prop.getAttributes());
}

TEST(Property, CopiesOwnTheirSetOfPossibleValues)
{
    LWProperty small(L"small", L"S", 0, 0), large(L"large", L"L", 0, 0);
    LWProperty* size = new LWProperty(L"Size", L"S", 0, 0);
    size->getPossibleValues()->addProperty(&small);
    size->getPossibleValues()->addProperty(&large);
    LWProperty* copy = new LWProperty(*size);
    EXPECT_NE(size->getPossibleValues(), copy->getPossibleValues());
    ASSERT_EQ(2, copy->getPossibleValues()->getPropCount());
    EXPECT_EQ(&large, copy->getPossibleValues()->getProperty(1));
    LWProperty assigned;
    assigned = *copy;
    EXPECT_STREQ(L"Size", assigned.getName());
    EXPECT_EQ(2, assigned.getPossibleValues()->getPropCount());
    delete size;  // each deletes only its own set: no double delete, the entries live on
    copy->getPossibleValues()->removeProperty(&small);
    EXPECT_EQ(1, copy->getPossibleValues()->getPropCount());
    EXPECT_EQ(2, assigned.getPossibleValues()->getPropCount());
    delete copy;
    EXPECT_STREQ(L"small", small.getName());
}

TEST(Property, SetInsertsBeforeAndRemovesWithoutDeleting)
{
    LWProperty a(L"a", L"", 0, 0), b(L"b", L"", 0, 0), c(L"c", L"", 0, 0), stranger(L"x", L"", 0, 0);
    LWPropertySet set;
    set.addProperty(&a);
    set.addProperty(&c, &stranger);  // not in the set: appended
    set.addProperty(&b, &c);
    set.addProperty(nullptr);
    ASSERT_EQ(3, set.getPropCount());
    EXPECT_EQ(&a, set.getProperty(0));
    EXPECT_EQ(&b, set.getProperty(1));
    EXPECT_EQ(&c, set.getProperty(2));
    EXPECT_EQ(nullptr, set.getProperty(3));
    EXPECT_EQ(nullptr, set.getProperty(-1));
    set.removeProperty(&stranger);
    set.removeProperty(7);
    set.removeProperty(1);
    EXPECT_EQ(&c, set.getProperty(1));
    set.removeProperty(&a);
    EXPECT_EQ(1, set.getPropCount());
    set.removeAll();
    EXPECT_EQ(0, set.getPropCount());
}

// The dialog made modeless here: what OnInitDialog shows and what OnOK writes.
TEST(Property, InputDialogShowsTheRightEditorAndWritesItsValue)
{
    wtest::Host host;
    LWProperty yes(L"enabled", L"1", 0, 0), no(L"disabled", L"0", 0, 0);
    LWProperty flag(L"Flag", L"3", LWPROP_BOOL, 0);
    LWProperty choice(L"Mode", L"0", 0, 0);
    choice.getPossibleValues()->addProperty(&yes);
    choice.getPossibleValues()->addProperty(&no);
    LWProperty text(L"Title", L"Groceries", 0, 0);
    const struct {
        LWProperty* prop;
        bool combo;
        int selected;       // in the drop-down
        int choose;         // selected before OK (-2: leave)
        const wchar_t* typed;
        const wchar_t* result;
    } rows[] = {
        {&flag, true, 1, 0, nullptr, L"0"},
        {&choice, true, 1, 0, nullptr, L"1"},
        {&choice, true, 0, -1, nullptr, L"1"},  // nothing chosen: unchanged
        {&text, false, -1, -2, L"Shopping", L"Shopping"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.prop->getName());
        LWInputDialog dialog(&host);
        dialog.m_pProperty = r.prop;
        ASSERT_TRUE(dialog.Create(IDD_LW_INPUT, &host));
        CComboBox* combo = (CComboBox*)dialog.GetDlgItem(143);
        CEdit* edit = (CEdit*)dialog.GetDlgItem(142);
        ASSERT_TRUE(combo && edit);
        EXPECT_EQ(r.combo, (combo->GetStyle() & WS_VISIBLE) != 0);
        EXPECT_EQ(!r.combo, (edit->GetStyle() & WS_VISIBLE) != 0);
        if (r.combo) {
            EXPECT_EQ(r.selected, combo->GetCurSel());
        }
        if (r.prop == &choice && r.choose == 0) {
            CString entry;
            combo->GetLBText(0, entry);
            EXPECT_STREQ(L"1 - enabled", entry);
        }
        if (r.choose != -2)
            combo->SetCurSel(r.choose);
        if (r.typed)
            edit->SetWindowText(r.typed);
        dialog.OnOK();
        EXPECT_STREQ(r.result, r.prop->getStringValue());
        dialog.DestroyWindow();
    }
}

} // namespace

