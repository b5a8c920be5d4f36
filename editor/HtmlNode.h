// The program's light HTML node list: a parser that cuts wide HTML into a flat sequence of text
// runs, tags, comments and style blocks, a serialiser that writes it back, a capped plain-text
// extractor (note previews, import titles) and attribute and inline-style helpers.
// No DTD, no nesting rules, no entity table: start and end tags are separate element nodes.
#pragma once
#include "Framework.h"
#include <string>
#include <unordered_map>
#include <vector>

class CByteBuffer;

// name -> value pairs in insertion order. Setting a name again moves it to the end, which keeps
// the CSS meaning of a rewritten style: "padding: 0; padding-left: 3px" stays in that order.
// Lookups go through a hash index, so reading a tag with very many attributes stays linear.
class CHtmlAttributeMap {
public:
    int GetCount() const { return int(m_items.size()) - m_dead; }
    bool IsEmpty() const { return GetCount() == 0; }
    bool Lookup(const wchar_t* name, CString& value) const;
    void SetAt(const CString& name, const CString& value);
    bool RemoveKey(const wchar_t* name);
    void RemoveAll();
    // index in [0, GetCount())
    const CString& GetKeyAt(int index) const;
    const CString& GetValueAt(int index) const;

private:
    struct Item {
        CString name;
        CString value;
        bool live = true;
    };
    void Compact() const;

    // entries replaced or removed stay as dead items until the next indexed read
    mutable std::vector<Item> m_items;
    mutable std::unordered_map<std::wstring, size_t> m_index;
    mutable int m_dead = 0;
};

class CHtmlNode {
public:
    enum Kind : UINT { NodeText = 0, NodeElement = 1, NodeComment = 2, NodeStyle = 3 };

    explicit CHtmlNode(UINT kind = NodeText) : m_kind(kind) {}
    ~CHtmlNode();
    CHtmlNode(const CHtmlNode&) = delete;
    CHtmlNode& operator=(const CHtmlNode&) = delete;

    // Appends the nodes of a zero-terminated text (or of `length` characters) to the children.
    // With `trim`, text runs are trimmed and runs of blanks only are dropped. 0 for a null text.
    int Parse(const wchar_t* text, bool trim);
    int Parse(const wchar_t* text, int length, bool trim);

    // This node and its children serialised, appended to `out` / to the buffer as UTF-16
    // (false when the buffer cannot grow; it is then unchanged).
    void ToHtml(CString& out) const;
    bool WriteHtml(CByteBuffer& sink) const;

    // Appends the text nodes' texts, each followed by one space, with "&nbsp;" made a space and
    // "&quot;" a double quote. maxLength <= 0: no cap; otherwise stops once `out` reaches it.
    void GetPlainText(CString& out, int maxLength) const;

    int GetChildCount() const { return int(m_children.size()); }
    CHtmlNode* GetChild(int index) const;
    // Takes ownership; an index at or past the count appends.
    void InsertChild(int index, CHtmlNode* node);
    void AppendChild(CHtmlNode* node) { InsertChild(GetChildCount(), node); }

    // Parallel lists ending in a null name / a 0 id. The tag is compared ignoring case; at the
    // first match its id goes to m_tagId. Returns the last comparison (0 = matched).
    int LookupTagId(const wchar_t* const* names, const UINT* ids);

    // Range [start, end) of the attribute `name` (exact, case-sensitive) in m_attributes,
    // covering name, "=" and the value with its quotes; 0 and -1/-1 when there is none.
    int FindAttribute(const wchar_t* name, int& start, int& end) const;
    // Replaces every attribute of that name with one blank; returns how many went.
    int RemoveAttribute(const wchar_t* name);
    // The value of an attribute, quotes removed; false when there is none.
    bool GetAttributeValue(const wchar_t* name, CString& value) const;

    // Declarations of the "style" attribute (double-, single- or unquoted), names lower-case.
    void GetStyleMap(CHtmlAttributeMap& map) const;
    // Writes the map as the "style" attribute (removes it when the map is empty).
    void SetStyleMap(const CHtmlAttributeMap& map);

    UINT m_kind = NodeText;
    CString m_text;        // text runs as written; comment and style nodes hold the whole block
    CString m_tag;         // element name as written; empty = written as nothing
    CString m_attributes;  // raw text between the name and ">", trimmed
    bool m_selfClosing = false;
    bool m_closing = false;
    UINT m_tagId = 0;
    std::vector<CHtmlNode*> m_children;

private:
    void Serialize(CString& out) const;
    int FindAttributeFrom(const wchar_t* name, int from, int& start, int& end) const;
};

// Reads name=value pairs from the text after a tag name up to ">" or "/>" (a ">" inside a quoted
// value does not stop it). Quoted values keep their quotes. Returns the index where it stopped.
int HtmlParseAttributes(const wchar_t* text, CHtmlAttributeMap& map);
// Each pair as name=value (or the bare name when the value is empty) followed by one blank.
CString HtmlJoinAttributes(const CHtmlAttributeMap& map);
