// The process-wide table of user-interface texts in English and Russian, read from the
// "langs.xml" resource, and the cache of fonts the user interface creates by description.
#pragma once
#include "Framework.h"
#include <map>
#include <vector>

class TiXmlDocument;

enum {
    LANG_ID_ENGLISH = 9,
    LANG_ID_RUSSIAN = 25,   // the only id that selects Russian
};

class CStringTable {
public:
    // The one table, created empty (and unloaded) on first use.
    static CStringTable* Instance();
    // Frees the table, its document, its fonts and both maps (application exit).
    static void Release();

    // Reads "DATA_FILES" 223 of the program; non-zero when the XML parsed.
    int Load();
    // Fills the maps from a "string_table" document (what Load does with the resource).
    int LoadXml(const char* xml);
    int SetLanguage(int id);
    int GetLanguage() const { return m_language; }

    // UTF-8 text of the id in the current language, or null.
    const char* FindText(int id) const;
    // The table's text of the id, else the caller's default.
    CString GetText(int id, const wchar_t* defaultText) const;

    // A cached font (never deleted by the caller), created when missing.
    HFONT GetFont(const wchar_t* face, int height, int weight, BOOL italic, BOOL underline, BOOL strikeOut);

private:
    CStringTable() = default;
    ~CStringTable();
    CStringTable(const CStringTable&) = delete;
    CStringTable& operator=(const CStringTable&) = delete;

    TiXmlDocument* m_doc = nullptr;   // the maps point into its attribute texts
    int m_language = LANG_ID_ENGLISH;
    std::map<int, const char*> m_english;
    std::map<int, const char*> m_russian;
    std::vector<HFONT> m_fonts;
};

// Every user-interface text: the id's text in the user's language, else `defaultText`.
CString GetLangString(int id, const wchar_t* defaultText = nullptr);
