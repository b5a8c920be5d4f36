#include "HtmlText.h"
#include <cwchar>
#include <string>

bool HtmlEqualsNoCase(const wchar_t* text, const wchar_t* pattern, int count)
{
    for (int i = 0; i < count; ++i)
        if (HtmlLowerAscii(text[i]) != HtmlLowerAscii(pattern[i]))
            return false;
    return true;
}

int HtmlCompareNoCase(const wchar_t* a, const wchar_t* b)
{
    if (!a || !b)
        return a ? 1 : (b ? -1 : 0);
    for (;; ++a, ++b) {
        wchar_t x = HtmlLowerAscii(*a), y = HtmlLowerAscii(*b);
        if (x != y || !x)
            return int(x) - int(y);
    }
}

void HtmlTrimBlanks(const wchar_t*& begin, const wchar_t*& end)
{
    while (begin < end && HtmlIsBlank(*begin))
        ++begin;
    while (end > begin && HtmlIsBlank(end[-1]))
        --end;
}

void HtmlTrimBlanks(CString& text)
{
    const wchar_t* b = text.GetString();
    const wchar_t* e = b + text.GetLength();
    HtmlTrimBlanks(b, e);
    if (b != text.GetString() || e != text.GetString() + text.GetLength())
        text = CString(b, int(e - b));
}

int HtmlReplaceAll(CString& text, const wchar_t* from, const wchar_t* to)
{
    const std::wstring& s = text.str();
    size_t fromLength = wcslen(from);
    size_t hit = fromLength ? s.find(from, 0, fromLength) : std::wstring::npos;
    if (hit == std::wstring::npos)
        return 0;
    std::wstring out;
    out.reserve(s.size());
    size_t done = 0;
    int count = 0;
    for (; hit != std::wstring::npos; hit = s.find(from, done, fromLength)) {
        out.append(s, done, hit - done);
        out += to;
        done = hit + fromLength;
        ++count;
    }
    out.append(s, done, std::wstring::npos);
    text = CString(out.c_str(), int(out.size()));
    return count;
}
