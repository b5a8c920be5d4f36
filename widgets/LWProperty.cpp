#include "LWProperty.h"
#include "LWResourceLists.h"
#include <cstdio>
#include <cwchar>

// ---- LWProperty ----

LWProperty::LWProperty()
    : m_nChanges(0), m_nType(0), m_nAttributes(0), m_pPossibleValues(new LWPropertySet), m_pListener(nullptr),
      m_nReserved(0)
{
}

LWProperty::LWProperty(const wchar_t* name, const wchar_t* value, int type, int attributes)
    : LWProperty(nullptr, name, value, type, attributes)
{
}

LWProperty::LWProperty(LWPropertyEvents* listener, const wchar_t* name, const wchar_t* value, int type, int attributes)
    : m_nChanges(0), m_strName(name ? name : L""), m_nType(type), m_nAttributes(attributes),
      m_strValue(value ? value : L""), m_pPossibleValues(new LWPropertySet), m_pListener(listener), m_nReserved(0)
{
}

LWProperty::LWProperty(const LWProperty& other)
    : m_nChanges(other.m_nChanges), m_strName(other.m_strName), m_nType(other.m_nType),
      m_nAttributes(other.m_nAttributes), m_strValue(other.m_strValue),
      m_pPossibleValues(new LWPropertySet(*other.m_pPossibleValues)), m_pListener(other.m_pListener),
      m_nReserved(other.m_nReserved)
{
}

LWProperty& LWProperty::operator=(const LWProperty& other)
{
    if (this == &other)
        return *this;
    m_nChanges = other.m_nChanges;
    m_strName = other.m_strName;
    m_nType = other.m_nType;
    m_nAttributes = other.m_nAttributes;
    m_strValue = other.m_strValue;
    *m_pPossibleValues = *other.m_pPossibleValues;
    m_pListener = other.m_pListener;
    m_nReserved = other.m_nReserved;
    return *this;
}

LWProperty::~LWProperty()
{
    delete m_pPossibleValues;
}

int LWProperty::getType() { return m_nType; }
const wchar_t* LWProperty::getName() { return m_strName; }
void LWProperty::setName(const wchar_t* name) { m_strName = name ? name : L""; }
int LWProperty::getAttributes() { return m_nAttributes; }
void LWProperty::setAttributes(int attributes) { m_nAttributes = attributes; }
void LWProperty::setAttributesByMask(int value, int mask) { m_nAttributes = (m_nAttributes & ~mask) | (value & mask); }
void LWProperty::clear() {}
const wchar_t* LWProperty::getStringValue() { return m_strValue; }

void LWProperty::setStringValue(const wchar_t* value)
{
    m_strValue = value ? value : L"";
    if (m_pListener)
        m_pListener->OnPropertyValueChanged(this);
    ++m_nChanges;
}

float LWProperty::getNumberValue()
{
    return (float)_wtof(m_strValue);
}

void LWProperty::setNumberValue(float value)
{
    wchar_t text[400];
    swprintf(text, 400, L"%.15lf", (double)value);
    size_t n = wcslen(text);
    while (n > 0 && text[n - 1] == L'0')
        text[--n] = 0;
    while (n > 0 && text[n - 1] == L'.')
        text[--n] = 0;
    m_strValue = text;
}

LWPropertySet* LWProperty::getPossibleValues() { return m_pPossibleValues; }

// ---- LWPropertySet ----

LWPropertySet::LWPropertySet() : m_list(10) {}

LWPropertySet::LWPropertySet(const LWPropertySet& other) : m_list(10)
{
    *this = other;
}

LWPropertySet& LWPropertySet::operator=(const LWPropertySet& other)
{
    if (this == &other)
        return *this;
    m_list.RemoveAll();
    for (POSITION pos = other.m_list.GetHeadPosition(); pos;)
        m_list.AddTail(other.m_list.GetNext(pos));
    return *this;
}

LWPropertySet::~LWPropertySet() = default;

int LWPropertySet::getPropCount() { return (int)m_list.GetCount(); }

void LWPropertySet::addProperty(LWProperty* prop, LWProperty* before)
{
    if (!prop)
        return;
    POSITION at = before ? m_list.Find(before) : nullptr;
    if (at)
        m_list.InsertBefore(at, prop);
    else
        m_list.AddTail(prop);
}

LWProperty* LWPropertySet::getProperty(int index)
{
    if (index < 0 || index >= m_list.GetCount())
        return nullptr;
    return (LWProperty*)m_list.GetAt(m_list.FindIndex(index));
}

void LWPropertySet::removeProperty(LWProperty* prop)
{
    if (POSITION pos = m_list.Find(prop))
        m_list.RemoveAt(pos);
}

void LWPropertySet::removeProperty(int index)
{
    if (index < 0 || index >= m_list.GetCount())
        return;
    m_list.RemoveAt(m_list.FindIndex(index));
}

void LWPropertySet::removeAll() { m_list.RemoveAll(); }

// ---- LWInputDialog ----

IMPLEMENT_DYNAMIC(LWInputDialog, CDialog)

LWInputDialog::LWInputDialog(CWnd* parent) : CDialog(IDD_LW_INPUT, parent), m_pProperty(nullptr) {}

namespace {
// "value - name" entries of the possible values, the one matching `value` selected.
void FillChoices(CComboBox& combo, LWProperty* prop)
{
    LWPropertySet* values = prop->getPossibleValues();
    const CString current = prop->getStringValue();
    for (int i = 0; i < values->getPropCount(); ++i) {
        LWProperty* choice = values->getProperty(i);
        CString entry;
        entry.Format(L"%s - %s", choice->getStringValue(), choice->getName());
        combo.AddString(entry);
        if (current == choice->getStringValue())
            combo.SetCurSel(i);
    }
}
}

BOOL LWInputDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (!m_pProperty)
        return TRUE;
    CComboBox* combo = (CComboBox*)GetDlgItem(IDC_LW_INPUT_COMBO);
    CEdit* edit = (CEdit*)GetDlgItem(IDC_LW_INPUT_EDIT);
    if (!combo || !edit)
        return TRUE;
    if (m_pProperty->getType() == LWPROP_BOOL) {
        combo->AddString(L"No");
        combo->AddString(L"Yes");
        combo->SetCurSel((int)m_pProperty->getNumberValue() != 0 ? 1 : 0);
        combo->ShowWindow(SW_SHOW);
    } else if (m_pProperty->getPossibleValues()->getPropCount() > 0) {
        FillChoices(*combo, m_pProperty);
        combo->ShowWindow(SW_SHOW);
    } else {
        edit->SetWindowText(m_pProperty->getStringValue());
        edit->ShowWindow(SW_SHOW);
    }
    return TRUE;
}

void LWInputDialog::OnOK()
{
    if (m_pProperty) {
        CComboBox* combo = (CComboBox*)GetDlgItem(IDC_LW_INPUT_COMBO);
        CEdit* edit = (CEdit*)GetDlgItem(IDC_LW_INPUT_EDIT);
        if (m_pProperty->getType() == LWPROP_BOOL && combo) {
            m_pProperty->setStringValue(combo->GetCurSel() == 0 ? L"0" : L"1");
        } else if (m_pProperty->getPossibleValues()->getPropCount() > 0 && combo) {
            if (LWProperty* chosen = m_pProperty->getPossibleValues()->getProperty(combo->GetCurSel()))
                m_pProperty->setStringValue(chosen->getStringValue());
        } else if (edit) {
            CString text;
            edit->GetWindowText(text);
            m_pProperty->setStringValue(text);
        }
    }
    EndDialog(IDOK);
}
