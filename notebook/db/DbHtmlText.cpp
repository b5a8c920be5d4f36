#include "DbHtmlText.h"
#include "HtmlNode.h"
#include "StringTable.h"

namespace DB {
namespace Detail {

void HtmlPlainText(const wchar_t* html, CString& out)
{
    if (!html)
        return;
    CHtmlNode root(0);
    root.Parse(html, true);
    root.GetPlainText(out, 0);
}

CString LangText(UINT id, const wchar_t* defaultText)
{
    return GetLangString((int)id, defaultText);
}

} // namespace Detail
} // namespace DB
