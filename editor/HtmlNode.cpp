#include "HtmlNode.h"
#include "HtmlText.h"
#include "ByteBuffer.h"
#include <cwchar>

namespace {

// What a "<" starts. A "<" that cannot start markup ("a < b", "<3", "</ p>") is plain text,
// as in a browser, so that it is written back instead of vanishing as a nameless tag.
enum class Markup { None, Element, Comment, Style };

Markup Classify(const wchar_t* p, const wchar_t* end)
{
    if (p + 1 >= end)
        return Markup::None;
    wchar_t c = p[1];
    if (c == L'!')
        return Markup::Comment;
    if (c == L'?')
        return Markup::Element;  // "<?xml ...?>" of Office HTML, kept as written
    if (c == L'/')
        return (p + 2 < end && HtmlIsAsciiLetter(p[2])) ? Markup::Element : Markup::None;
    if (!HtmlIsAsciiLetter(c))
        return Markup::None;
    if (end - p >= 6 && HtmlEqualsNoCase(p, L"<style", 6)) {
        if (end - p == 6)
            return Markup::Style;
        wchar_t after = p[6];
        if (HtmlIsBlank(after) || after == L'>' || after == L'/')
            return Markup::Style;
    }
    return Markup::Element;
}

struct TagEnd {
    const wchar_t* close = nullptr;  // the ">" that ends the tag; null when the text ends first
    wchar_t openQuote = 0;           // quote of a value still open at the end of the text
};

// Finds the ">" ending a tag, reading from just after its name. Quoted values are skipped the
// way CHtmlTokenizer reads them: a quote counts only where a value starts, after "=".
TagEnd ScanTag(const wchar_t* p, const wchar_t* end)
{
    enum { Name, BeforeValue, Quoted, Unquoted } state = Name;
    wchar_t quote = 0;
    TagEnd result;
    for (; p < end; ++p) {
        wchar_t c = *p;
        switch (state) {
        case Quoted:
            if (c == quote)
                state = Name;
            break;
        case BeforeValue:
            if (c == L'>') {
                result.close = p;
                return result;
            }
            if (c == L'"' || c == L'\'') {
                quote = c;
                state = Quoted;
            } else if (!HtmlIsBlank(c)) {
                state = Unquoted;
            }
            break;
        case Unquoted:
            if (c == L'>') {
                result.close = p;
                return result;
            }
            if (HtmlIsBlank(c))
                state = Name;
            break;
        case Name:
            if (c == L'>') {
                result.close = p;
                return result;
            }
            if (c == L'=')
                state = BeforeValue;
            break;
        }
    }
    if (state == Quoted)
        result.openQuote = quote;
    return result;
}

const wchar_t* FindText(const wchar_t* p, const wchar_t* end, const wchar_t* pattern, int length)
{
    while (end - p >= length) {
        const wchar_t* hit = wmemchr(p, pattern[0], (end - p) - length + 1);
        if (!hit)
            return nullptr;
        if (wmemcmp(hit, pattern, length) == 0)
            return hit;
        p = hit + 1;
    }
    return nullptr;
}

// "</style" (any case), optional blanks, ">": returns the character after the ">".
const wchar_t* FindStyleEnd(const wchar_t* p, const wchar_t* end)
{
    while (p < end) {
        const wchar_t* lt = wmemchr(p, L'<', end - p);
        if (!lt)
            return nullptr;
        p = lt + 1;
        if (end - lt < 7 || !HtmlEqualsNoCase(lt, L"</style", 7))
            continue;
        const wchar_t* q = lt + 7;
        while (q < end && HtmlIsBlank(*q))
            ++q;
        if (q < end && *q == L'>')
            return q + 1;
    }
    return nullptr;
}

// Comments and "<!" constructs. An unterminated one takes the rest of the text and is closed,
// so that the written text is well-formed and reads back as the same node.
const wchar_t* ReadComment(const wchar_t* p, const wchar_t* end, CString& text)
{
    const wchar_t* stop = nullptr;
    const wchar_t* closer;
    if (end - p >= 4 && p[2] == L'-' && p[3] == L'-') {
        // "<!-- ... -->"; "<!-->" closes at once
        closer = L"-->";
        const wchar_t* hit = FindText(p + 2, end, L"-->", 3);
        if (hit)
            stop = hit + 3;
    } else if (end - p >= 3 && p[2] == L'[') {
        // "<![endif]>", "<![CDATA[ ... ]]>"
        closer = L"]>";
        const wchar_t* hit = FindText(p + 3, end, L"]>", 2);
        if (hit)
            stop = hit + 2;
    } else {
        // "<!DOCTYPE html>", "<!checkbox checked />": a declaration ends at its ">"
        closer = L">";
        const wchar_t* hit = p + 2 < end ? wmemchr(p + 2, L'>', end - (p + 2)) : nullptr;
        if (hit)
            stop = hit + 1;
    }
    if (stop) {
        text.SetString(p, int(stop - p));
        return stop;
    }
    text.SetString(p, int(end - p));
    text += closer;
    return end;
}

const wchar_t* ReadStyle(const wchar_t* p, const wchar_t* end, CString& text)
{
    TagEnd open = ScanTag(p + 6, end);
    if (!open.close) {
        text.SetString(p, int(end - p));
        if (open.openQuote)
            text += open.openQuote;
        text += L"></style>";
        return end;
    }
    const wchar_t* stop = FindStyleEnd(open.close + 1, end);
    if (stop) {
        text.SetString(p, int(stop - p));
        return stop;
    }
    text.SetString(p, int(end - p));
    text += L"</style>";
    return end;
}

const wchar_t* ReadElement(const wchar_t* p, const wchar_t* end, CHtmlNode& node)
{
    const wchar_t* q = p + 1;
    node.m_closing = *q == L'/';
    if (node.m_closing)
        ++q;
    const wchar_t* name = q;
    while (q < end && !HtmlIsBlank(*q) && *q != L'>' && !(*q == L'/' && q + 1 < end && q[1] == L'>'))
        ++q;
    node.m_tag.SetString(name, int(q - name));

    TagEnd tagEnd = ScanTag(q, end);
    const wchar_t* attrEnd = tagEnd.close ? tagEnd.close : end;
    if (tagEnd.close && tagEnd.close[-1] == L'/' && tagEnd.close - 1 >= name) {
        node.m_selfClosing = true;
        --attrEnd;
    }
    const wchar_t* attr = q;
    if (attr < attrEnd) {
        if (tagEnd.openQuote) {
            // a value still open when the text ends gets its closing quote
            node.m_attributes.SetString(attr, int(attrEnd - attr));
            node.m_attributes += tagEnd.openQuote;
            HtmlTrimBlanks(node.m_attributes);
        } else {
            HtmlTrimBlanks(attr, attrEnd);
            node.m_attributes.SetString(attr, int(attrEnd - attr));
        }
    }
    return tagEnd.close ? tagEnd.close + 1 : end;
}

// ASCII letters, digits and "#": what may stand between "&" and ";" of a character reference.
bool IsEntityChar(wchar_t c)
{
    return HtmlIsAsciiLetter(c) || (c >= L'0' && c <= L'9') || c == L'#';
}

// Whether the ";" at `semicolon` closes a character reference such as "&quot;" or "&#34;".
bool EndsEntity(const wchar_t* begin, const wchar_t* semicolon)
{
    const wchar_t* p = semicolon;
    int count = 0;
    while (p > begin && IsEntityChar(p[-1]) && count < 32) {
        --p;
        ++count;
    }
    return count > 0 && p > begin && p[-1] == L'&';
}

// Turns the HTML quote references of a style value into the quote character itself.
void DecodeQuotes(CString& text)
{
    if (text.Find(L'&') < 0)
        return;
    HtmlReplaceAll(text, L"&quot;", L"\"");
    HtmlReplaceAll(text, L"&#34;", L"\"");
    HtmlReplaceAll(text, L"&#x22;", L"\"");
    HtmlReplaceAll(text, L"&#X22;", L"\"");
    HtmlReplaceAll(text, L"&#39;", L"'");
    HtmlReplaceAll(text, L"&apos;", L"'");
}

// Called before a text is written after `out`. A "<" that was plain text ("a <", "x </") can
// meet the text of a following node once a tag between them is removed or two runs are written
// one after the other ("<" + "b" reads as a tag): such a "<" is written as "&lt;", which shows
// the same and reads back as text.
void GuardLooseLessThan(CString& out, const CString& text)
{
    int n = out.GetLength();
    if (n == 0 || text.IsEmpty())
        return;
    wchar_t next = text[0];
    int lt = -1;
    if (out[n - 1] == L'<') {
        if (HtmlIsAsciiLetter(next) || next == L'!' || next == L'?' || next == L'/')
            lt = n - 1;
    } else if (n >= 2 && out[n - 1] == L'/' && out[n - 2] == L'<') {
        if (HtmlIsAsciiLetter(next))
            lt = n - 2;
    }
    if (lt < 0)
        return;
    CString tail = out.Mid(lt + 1);
    out.Truncate(lt);
    out += L"&lt;";
    out += tail;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CHtmlAttributeMap

bool CHtmlAttributeMap::Lookup(const wchar_t* name, CString& value) const
{
    auto it = m_index.find(name ? name : L"");
    if (it == m_index.end())
        return false;
    value = m_items[it->second].value;
    return true;
}

void CHtmlAttributeMap::SetAt(const CString& name, const CString& value)
{
    auto it = m_index.find(name.str());
    if (it != m_index.end()) {
        m_items[it->second].live = false;
        m_items[it->second].value.Empty();
        ++m_dead;
    }
    m_index[name.str()] = m_items.size();
    m_items.push_back({name, value, true});
}

bool CHtmlAttributeMap::RemoveKey(const wchar_t* name)
{
    auto it = m_index.find(name ? name : L"");
    if (it == m_index.end())
        return false;
    m_items[it->second].live = false;
    ++m_dead;
    m_index.erase(it);
    return true;
}

void CHtmlAttributeMap::RemoveAll()
{
    m_items.clear();
    m_index.clear();
    m_dead = 0;
}

void CHtmlAttributeMap::Compact() const
{
    if (!m_dead)
        return;
    size_t kept = 0;
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (!m_items[i].live)
            continue;
        if (kept != i)
            m_items[kept] = std::move(m_items[i]);
        m_index[m_items[kept].name.str()] = kept;
        ++kept;
    }
    m_items.resize(kept);
    m_dead = 0;
}

const CString& CHtmlAttributeMap::GetKeyAt(int index) const
{
    Compact();
    return m_items[index].name;
}

const CString& CHtmlAttributeMap::GetValueAt(int index) const
{
    Compact();
    return m_items[index].value;
}

// ---------------------------------------------------------------------------------------------
// CHtmlNode

CHtmlNode::~CHtmlNode()
{
    for (CHtmlNode* child : m_children)
        delete child;
}

CHtmlNode* CHtmlNode::GetChild(int index) const
{
    if (index < 0 || index >= GetChildCount())
        return nullptr;
    return m_children[index];
}

void CHtmlNode::InsertChild(int index, CHtmlNode* node)
{
    if (!node)
        return;
    if (index < 0)
        index = 0;
    if (index >= GetChildCount())
        m_children.push_back(node);
    else
        m_children.insert(m_children.begin() + index, node);
}

int CHtmlNode::Parse(const wchar_t* text, bool trim)
{
    if (!text)
        return 0;
    return Parse(text, int(wcslen(text)), trim);
}

int CHtmlNode::Parse(const wchar_t* text, int length, bool trim)
{
    if (!text)
        return 0;
    if (length < 0)
        length = int(wcslen(text));
    const wchar_t* end = text + length;
    const wchar_t* run = text;  // start of the pending text run
    const wchar_t* p = text;

    auto commitText = [&](const wchar_t* b, const wchar_t* e) {
        if (trim)
            HtmlTrimBlanks(b, e);
        if (b == e)
            return;
        CHtmlNode* node = new CHtmlNode(NodeText);
        node->m_text.SetString(b, int(e - b));
        m_children.push_back(node);
    };

    while (p < end) {
        const wchar_t* lt = wmemchr(p, L'<', end - p);
        if (!lt)
            break;
        Markup markup = Classify(lt, end);
        if (markup == Markup::None) {
            p = lt + 1;
            continue;
        }
        commitText(run, lt);
        CHtmlNode* node;
        switch (markup) {
        case Markup::Comment:
            node = new CHtmlNode(NodeComment);
            p = ReadComment(lt, end, node->m_text);
            break;
        case Markup::Style:
            node = new CHtmlNode(NodeStyle);
            p = ReadStyle(lt, end, node->m_text);
            break;
        default:
            node = new CHtmlNode(NodeElement);
            p = ReadElement(lt, end, *node);
            break;
        }
        m_children.push_back(node);
        run = p;
    }
    commitText(run, end);
    return 1;
}

void CHtmlNode::Serialize(CString& out) const
{
    if (m_kind == NodeElement) {
        if (!m_tag.IsEmpty()) {
            out += m_closing ? L"</" : L"<";
            out += m_tag;
            if (!m_attributes.IsEmpty()) {
                out += L' ';
                out += m_attributes;
            }
            if (m_selfClosing) {
                out += L"/>";
            } else {
                // "<a x/" + ">" would read back as a self-closing tag
                const CString& last = m_attributes.IsEmpty() ? m_tag : m_attributes;
                if (last[last.GetLength() - 1] == L'/')
                    out += L' ';
                out += L'>';
            }
        }
    } else {
        if (m_kind == NodeText)
            GuardLooseLessThan(out, m_text);
        out += m_text;
    }
    for (const CHtmlNode* child : m_children)
        child->Serialize(out);
}

void CHtmlNode::ToHtml(CString& out) const
{
    Serialize(out);
}

bool CHtmlNode::WriteHtml(CByteBuffer& sink) const
{
    CString html;
    Serialize(html);
    return sink.AppendText(html.GetString(), html.GetLength());
}

void CHtmlNode::GetPlainText(CString& out, int maxLength) const
{
    if (m_kind == NodeText) {
        CString text = m_text;
        if (text.Find(L'&') >= 0) {
            HtmlReplaceAll(text, L"&nbsp;", L" ");
            HtmlReplaceAll(text, L"&quot;", L"\"");
        }
        if (maxLength <= 0 || out.GetLength() + text.GetLength() + 1 < maxLength) {
            out += text;
            out += L' ';
        } else if (out.GetLength() < maxLength) {
            int take = maxLength - out.GetLength();
            // never leave half of a surrogate pair at the cut
            if (take > 0 && take < text.GetLength() && text[take - 1] >= 0xD800 && text[take - 1] <= 0xDBFF)
                --take;
            out.Append(text.GetString(), take);
            out += L' ';
        }
    }
    for (const CHtmlNode* child : m_children) {
        if (maxLength > 0 && out.GetLength() >= maxLength)
            break;
        child->GetPlainText(out, maxLength);
    }
}

int CHtmlNode::LookupTagId(const wchar_t* const* names, const UINT* ids)
{
    int result = 1;
    if (!names || !ids)
        return result;
    for (int i = 0; names[i] && ids[i]; ++i) {
        result = HtmlCompareNoCase(m_tag, names[i]);
        if (result == 0) {
            m_tagId = ids[i];
            break;
        }
    }
    return result;
}

// Attributes are read as the tag reader reads them: a name runs to a blank or "="; blanks may
// stand around "="; a value is quoted (to the same quote) or runs to the next blank.
int CHtmlNode::FindAttributeFrom(const wchar_t* name, int from, int& start, int& end) const
{
    start = end = -1;
    if (!name)
        return 0;
    const wchar_t* nb = name;
    const wchar_t* ne = name + wcslen(name);
    HtmlTrimBlanks(nb, ne);
    int nameLength = int(ne - nb);
    if (nameLength == 0)
        return 0;

    const wchar_t* s = m_attributes.GetString();
    int n = m_attributes.GetLength();
    int i = from < 0 ? 0 : from;
    while (i < n) {
        while (i < n && HtmlIsBlank(s[i]))
            ++i;
        if (i >= n)
            break;
        int nameStart = i;
        while (i < n && !HtmlIsBlank(s[i]) && s[i] != L'=')
            ++i;
        int nameEnd = i;
        int j = i;
        while (j < n && HtmlIsBlank(s[j]))
            ++j;
        if (j < n && s[j] == L'=') {
            ++j;
            while (j < n && HtmlIsBlank(s[j]))
                ++j;
            if (j < n && (s[j] == L'"' || s[j] == L'\'')) {
                wchar_t quote = s[j++];
                while (j < n && s[j] != quote)
                    ++j;
                if (j < n)
                    ++j;
            } else {
                while (j < n && !HtmlIsBlank(s[j]))
                    ++j;
            }
            i = j;
        }
        if (nameEnd - nameStart == nameLength && wmemcmp(s + nameStart, nb, nameLength) == 0) {
            start = nameStart;
            end = i;
            return 1;
        }
    }
    return 0;
}

int CHtmlNode::FindAttribute(const wchar_t* name, int& start, int& end) const
{
    return FindAttributeFrom(name, 0, start, end);
}

int CHtmlNode::RemoveAttribute(const wchar_t* name)
{
    // one pass, so a tag with thousands of copies of the attribute costs no more than its length
    int removed = 0, start, end, from = 0;
    CString kept;
    while (FindAttributeFrom(name, from, start, end)) {
        kept.Append(m_attributes.GetString() + from, start - from);
        kept += L' ';
        from = end;
        ++removed;
    }
    if (removed) {
        kept.Append(m_attributes.GetString() + from, m_attributes.GetLength() - from);
        m_attributes = kept;
    }
    return removed;
}

bool CHtmlNode::GetAttributeValue(const wchar_t* name, CString& value) const
{
    int start, end;
    value.Empty();
    if (!FindAttribute(name, start, end))
        return false;
    const wchar_t* p = m_attributes.GetString() + start;
    const wchar_t* e = m_attributes.GetString() + end;
    const wchar_t* eq = p;
    while (eq < e && *eq != L'=')
        ++eq;
    if (eq == e)
        return true;  // a bare name
    ++eq;
    HtmlTrimBlanks(eq, e);
    if (eq < e && (*eq == L'"' || *eq == L'\'')) {
        wchar_t quote = *eq++;
        if (e > eq && e[-1] == quote)
            --e;
    }
    value.SetString(eq, int(e - eq));
    return true;
}

void CHtmlNode::GetStyleMap(CHtmlAttributeMap& map) const
{
    map.RemoveAll();
    CString style;
    if (!GetAttributeValue(L"style", style))
        return;
    DecodeQuotes(style);

    // Split at ";" outside CSS strings and parentheses: "url(data:image/png;base64,...)" and
    // "content: 'a;b'" are single declarations.
    const wchar_t* s = style.GetString();
    const wchar_t* end = s + style.GetLength();
    const wchar_t* piece = s;
    wchar_t quote = 0;
    int parens = 0;
    for (const wchar_t* p = s;; ++p) {
        if (p < end) {
            wchar_t c = *p;
            if (quote) {
                if (c == quote)
                    quote = 0;
                continue;
            }
            if (c == L'"' || c == L'\'') {
                quote = c;
                continue;
            }
            if (c == L'(') {
                ++parens;
                continue;
            }
            if (c == L')') {
                if (parens > 0)
                    --parens;
                continue;
            }
            if (c != L';' || parens > 0 || EndsEntity(s, p))
                continue;
        }
        // a declaration piece [piece, p)
        const wchar_t* colon = piece;
        while (colon < p && *colon != L':')
            ++colon;
        if (colon < p && colon > piece) {
            const wchar_t* nb = piece;
            const wchar_t* ne = colon;
            HtmlTrimBlanks(nb, ne);
            const wchar_t* vb = colon + 1;
            const wchar_t* ve = p;
            HtmlTrimBlanks(vb, ve);
            if (nb < ne) {
                CString propName(nb, int(ne - nb));
                for (int k = 0; k < propName.GetLength(); ++k)
                    propName.SetAt(k, HtmlLowerAscii(propName[k]));
                map.SetAt(propName, CString(vb, int(ve - vb)));
            }
        }
        if (p >= end)
            break;
        piece = p + 1;
    }
}

void CHtmlNode::SetStyleMap(const CHtmlAttributeMap& map)
{
    CString style;
    if (!map.IsEmpty()) {
        CString join;
        for (int i = 0; i < map.GetCount(); ++i) {
            if (i)
                join += L"; ";
            join += map.GetKeyAt(i);
            join += L": ";
            join += map.GetValueAt(i);
        }
        // the attribute is written in double quotes
        HtmlReplaceAll(join, L"\"", L"&quot;");
        style = L"style=\"" + join + L"\"";
    }

    int start, end;
    if (!FindAttribute(L"style", start, end)) {
        if (style.IsEmpty())
            return;
        if (!m_attributes.IsEmpty() && !HtmlIsBlank(m_attributes[m_attributes.GetLength() - 1]))
            m_attributes += L' ';
        m_attributes += style;
        return;
    }
    // a browser reads only the first "style"; later ones would come back on the next read
    CString rewritten = m_attributes.Left(start) + style;
    int from = end;
    while (FindAttributeFrom(L"style", from, start, end)) {
        int blanks = start;
        while (blanks > from && HtmlIsBlank(m_attributes[blanks - 1]))
            --blanks;
        rewritten.Append(m_attributes.GetString() + from, blanks - from);
        from = end;
    }
    rewritten.Append(m_attributes.GetString() + from, m_attributes.GetLength() - from);
    m_attributes = rewritten;
}

// ---------------------------------------------------------------------------------------------
// Attribute text

int HtmlParseAttributes(const wchar_t* text, CHtmlAttributeMap& map)
{
    if (!text)
        return 0;
    enum { Between, Name, Value } mode = Between;
    CString name, value;
    wchar_t quote = 0;
    int i = 0;
    for (;; ++i) {
        wchar_t c = text[i];
        if (c == 0)
            break;
        if (!(mode == Value && quote)) {
            if (c == L'>')
                break;
            if (c == L'/' && text[i + 1] == L'>') {
                ++i;
                break;
            }
        }
        switch (mode) {
        case Between:
            if (!HtmlIsBlank(c)) {
                name = c;
                value.Empty();
                quote = 0;
                mode = Name;
            }
            break;
        case Name:
            if (HtmlIsBlank(c)) {
                // "name = value": blanks may stand before the "="
                int k = i;
                while (HtmlIsBlank(text[k]))
                    ++k;
                if (text[k] == L'=') {
                    i = k - 1;
                    break;
                }
                map.SetAt(name, CString());
                name.Empty();
                mode = Between;
            } else if (c == L'=') {
                while (HtmlIsBlank(text[i + 1]))
                    ++i;
                if (text[i + 1] == L'"' || text[i + 1] == L'\'') {
                    quote = text[i + 1];
                    value = quote;
                    ++i;
                }
                mode = Value;
            } else {
                name += c;
            }
            break;
        case Value:
            if (quote) {
                value += c;
                if (c == quote) {
                    map.SetAt(name, value);
                    name.Empty();
                    mode = Between;
                }
            } else if (HtmlIsBlank(c)) {
                map.SetAt(name, value);
                name.Empty();
                mode = Between;
            } else {
                value += c;
            }
            break;
        }
    }
    if (!name.IsEmpty())
        map.SetAt(name, value);
    return i;
}

CString HtmlJoinAttributes(const CHtmlAttributeMap& map)
{
    CString out;
    for (int i = 0; i < map.GetCount(); ++i) {
        out += map.GetKeyAt(i);
        if (!map.GetValueAt(i).IsEmpty()) {
            out += L'=';
            out += map.GetValueAt(i);
        }
        out += L' ';
    }
    return out;
}
