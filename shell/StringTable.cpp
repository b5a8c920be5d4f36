#include "StringTable.h"
#include "ActivityLog.h"
#include "BinRes.h"
#include "TextConv.h"
#include "resource.h"
#include <tinyxml.h>
#include <cstdlib>
#include <cstring>

namespace {
CStringTable* s_table = nullptr;

int IdOf(const char* text)
{
    // leading digits; 0 when there are none
    int id = 0;
    for (const char* p = text; *p >= '0' && *p <= '9'; ++p)
        id = id * 10 + (*p - '0');
    return id;
}

const char* AttributeNoCase(const TiXmlElement* e, const char* name)
{
    for (const TiXmlAttribute* a = e->FirstAttribute(); a; a = a->Next())
        if (_stricmp(a->Name(), name) == 0)
            return a->Value();
    return nullptr;
}
} // namespace

CStringTable* CStringTable::Instance()
{
    if (!s_table)
        s_table = new CStringTable;
    return s_table;
}

void CStringTable::Release()
{
    delete s_table;
    s_table = nullptr;
}

CStringTable::~CStringTable()
{
    for (HFONT f : m_fonts)
        DeleteObject(f);
    delete m_doc;
}

int CStringTable::Load()
{
    PELORA_TRACE_SCOPE(LOG_LEVEL_TRACE, "CStringTable::Load");
    BYTE* data = nullptr;
    DWORD size = 0;
    Utils::BinRes::ExtractBinResource(L"DATA_FILES", IDR_LANGS_XML, data, size);
    int ok = size ? LoadXml((const char*)data) : 0;
    delete[] data;
    return ok;
}

int CStringTable::LoadXml(const char* xml)
{
    if (!m_doc)
        m_doc = new TiXmlDocument;
    // A new parse replaces the texts the maps point into.
    m_english.clear();
    m_russian.clear();
    m_doc->Clear();
    m_doc->Parse(xml ? xml : "", nullptr, TIXML_ENCODING_UNKNOWN);
    if (m_doc->Error())
        return 0;
    for (const TiXmlNode* n = m_doc->FirstChild(); n; n = n->NextSibling()) {
        const TiXmlElement* root = n->ToElement();
        if (!root || _stricmp(root->Value(), "string_table") != 0)
            continue;
        for (const TiXmlElement* row = root->FirstChildElement(); row; row = row->NextSiblingElement()) {
            if (_stricmp(row->Value(), "string") != 0)
                continue;
            const char* ids = AttributeNoCase(row, "ids");
            if (!ids)
                continue;
            int id = IdOf(ids);
            if (const char* en = AttributeNoCase(row, "en"))
                m_english[id] = en;
            if (const char* ru = AttributeNoCase(row, "ru"))
                m_russian[id] = ru;
        }
        break;
    }
    return 1;
}

int CStringTable::SetLanguage(int id)
{
    m_language = id;
    return 1;
}

const char* CStringTable::FindText(int id) const
{
    const std::map<int, const char*>& map = m_language == LANG_ID_RUSSIAN ? m_russian : m_english;
    auto it = map.find(id);
    return it == map.end() ? nullptr : it->second;
}

CString CStringTable::GetText(int id, const wchar_t* defaultText) const
{
    CString text(defaultText ? defaultText : L"");
    if (const char* found = FindText(id))
        Utf8ToWide(found, text);
    return text;
}

HFONT CStringTable::GetFont(const wchar_t* face, int height, int weight, BOOL italic, BOOL underline,
                            BOOL strikeOut)
{
    if (!face)
        face = L"";
    for (HFONT f : m_fonts) {
        LOGFONTW lf = {};
        if (!GetObjectW(f, sizeof lf, &lf))
            continue;
        if (wcscmp(lf.lfFaceName, face) == 0 && lf.lfHeight == height && lf.lfWeight == weight &&
            !lf.lfItalic == !italic && !lf.lfUnderline == !underline && !lf.lfStrikeOut == !strikeOut)
            return f;
    }
    BOOL smoothing = FALSE;
    UINT type = 0;
    SystemParametersInfoW(SPI_GETFONTSMOOTHING, 0, &smoothing, 0);
    SystemParametersInfoW(SPI_GETFONTSMOOTHINGTYPE, 0, &type, 0);
    bool clearType = smoothing && type >= FE_FONTSMOOTHINGCLEARTYPE;
    HFONT f = CreateFontW(height, 0, 0, 0, weight, italic ? TRUE : FALSE, underline ? TRUE : FALSE,
                          strikeOut ? TRUE : FALSE, RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                          clearType ? CLEARTYPE_QUALITY : DEFAULT_QUALITY, DEFAULT_PITCH, face);
    if (f)
        m_fonts.push_back(f);
    return f;
}

CString GetLangString(int id, const wchar_t* defaultText)
{
    return CStringTable::Instance()->GetText(id, defaultText);
}
