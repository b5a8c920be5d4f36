#include "DbHtmlText.h"
#include "StringTable.h"
#ifdef PELORA_HAVE_EDITOR
#include "HtmlNode.h"
#endif

namespace DB {
namespace Detail {

void HtmlPlainText(const wchar_t* html, CString& out)
{
    if (!html)
        return;
#ifdef PELORA_HAVE_EDITOR
    CHtmlNode root(0);
    root.Parse(html, true);
    root.GetPlainText(out, 0);
#else
    // Until the editor's parser is part of the build: text between tags, one space after each.
    bool inTag = false;
    CString part;
    for (const wchar_t* p = html; *p; ++p) {
        if (*p == L'<' || (*p == L'>' && inTag)) {
            part.Trim();
            if (!part.IsEmpty())
                out += part + L" ";
            part.Empty();
            inTag = *p == L'<';
        } else if (!inTag) {
            part += *p;
        }
    }
    part.Trim();
    if (!part.IsEmpty())
        out += part + L" ";
    out.Replace(L"&nbsp;", L" ");
    out.Replace(L"&quot;", L"\"");
#endif
}

CString LangText(UINT id, const wchar_t* defaultText)
{
    return GetLangString((int)id, defaultText);
}

} // namespace Detail
} // namespace DB
