// Named, typed values kept as text (LWProperty), ordered lists of them (LWPropertySet), the
// listener a property calls when its text changes, and LWInputDialog, which edits one property
// in a small modal dialog.
#pragma once
#include "Framework.h"
#include "LWExport.h"

class LWProperty;
class LWPropertySet;

// Property types the grid and the input dialog know.
#define LWPROP_BOOL 2
#define LWPROP_FILEOPEN 4
#define LWPROP_DIRECTORY 5
#define LWPROP_FILESAVE 6
// Attribute bits.
#define LWPROP_CHECKED 1
#define LWPROP_HIDDEN 4

class LWAPI LWPropertyEvents {
public:
    // After the property's value text was set.
    virtual void OnPropertyValueChanged(LWProperty* prop) = 0;

protected:
    ~LWPropertyEvents() {}
};

class LWAPI LWProperty {
public:
    LWProperty();
    LWProperty(const wchar_t* name, const wchar_t* value, int type, int attributes);
    LWProperty(LWPropertyEvents* listener, const wchar_t* name, const wchar_t* value, int type, int attributes);
    // Copies get their own set of possible values (holding the same entries).
    LWProperty(const LWProperty& other);
    LWProperty& operator=(const LWProperty& other);
    virtual ~LWProperty();

    virtual int getType();
    virtual const wchar_t* getName();
    virtual void setName(const wchar_t* name);
    virtual int getAttributes();
    virtual void setAttributes(int attributes);
    virtual void setAttributesByMask(int value, int mask);
    virtual void clear();
    virtual const wchar_t* getStringValue();
    virtual void setStringValue(const wchar_t* value);
    virtual float getNumberValue();
    virtual void setNumberValue(float value);
    virtual LWPropertySet* getPossibleValues();

    int m_nChanges;
    CString m_strName;
    int m_nType;
    int m_nAttributes;
    CString m_strValue;
    LWPropertySet* m_pPossibleValues;
    LWPropertyEvents* m_pListener;
    int m_nReserved;
};

class LWAPI LWPropertySet {
public:
    LWPropertySet();
    LWPropertySet(const LWPropertySet& other);
    LWPropertySet& operator=(const LWPropertySet& other);
    virtual ~LWPropertySet();

    virtual int getPropCount();
    // Inserted before `before` when that one is in the set, else appended.
    virtual void addProperty(LWProperty* prop, LWProperty* before = nullptr);
    virtual LWProperty* getProperty(int index);
    virtual void removeProperty(LWProperty* prop);
    virtual void removeProperty(int index);
    virtual void removeAll();

    CPtrList m_list;  // LWProperty*, never owned
};

class LWAPI LWInputDialog : public CDialog {
    DECLARE_DYNAMIC(LWInputDialog)
public:
    explicit LWInputDialog(CWnd* parent = nullptr);

    LWProperty* m_pProperty;

    BOOL OnInitDialog() override;
    void OnOK() override;
};
