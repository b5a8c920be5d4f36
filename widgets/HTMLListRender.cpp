// CHTMLListCtrl's mini renderer: words of a small subset of HTML (bold, italic, underline,
// sub- and superscript, font colour, line and paragraph breaks) placed, wrapped and drawn.
#include "HTMLListCtrl.h"
#include <algorithm>

namespace {
const COLORREF kGreyText = RGB(0xC0, 0xC0, 0xC0);

struct Tag {
    int bit;       // style bit; 0 for font, br, p
    const wchar_t* name;
};

// In the order they are tried: the first name the tag word begins with wins.
const Tag kTags[] = {{4, L"u"}, {8, L"sup"}, {16, L"sub"}, {1, L"strong"}, {0, L"p"},
                     {2, L"i"}, {0, L"font"}, {2, L"em"}, {0, L"br"}, {1, L"b"}};

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return 0;
}

// The colour of a font tag's text ("<font color=..." up to its end), or false without "color=".
bool ParseColour(const wchar_t* tag, int length, COLORREF& colour)
{
    if (length < 12 || _wcsnicmp(tag + 6, L"color=", 6) != 0)
        return false;
    int i = 12;
    if (i < length && (tag[i] == L'"' || tag[i] == L'\''))
        ++i;
    if (i < length && tag[i] == L'#')
        ++i;
    int digits[6] = {};
    for (int k = 0; k < 6 && i + k < length; ++k)  // never past the tag's end
        digits[k] = HexDigit(tag[i + k]);
    colour = RGB(digits[0] * 16 + digits[1], digits[2] * 16 + digits[3], digits[4] * 16 + digits[5]);
    return true;
}

} // namespace

int CHTMLListCtrl::DrawHTML(CDC* dc, const CString& source, RECT* rect, UINT format, BOOL grey,
                            std::vector<LWHtmlRun>* runs)
{
    if (!dc || !dc->GetSafeHdc())
        return 0;
    const HDC hdc = dc->GetSafeHdc();
    format &= ~(DT_CENTER | DT_RIGHT | DT_EXPANDTABS);
    format |= DT_NOPREFIX;
    const bool measure = (format & DT_CALCRECT) != 0;
    const bool single = (format & DT_SINGLELINE) != 0;
    const int saved = ::SaveDC(hdc);
    SIZE probe = {};
    ::GetTextExtentPoint32W(hdc, L"+y", 2, &probe);
    const int lineHeight = probe.cy;
    POINT origin = {0, 0};
    int width = 0;
    if (rect) {
        origin = {rect->left, rect->top};
        width = rect->right - rect->left;
    } else {
        ::GetCurrentPositionEx(hdc, &origin);
        width = ::GetSystemMetrics(SM_CXSCREEN) - origin.x;
    }
    LOGFONTW base = {};
    ::GetObjectW(::GetCurrentObject(hdc, OBJ_FONT), sizeof(base), &base);
    HFONT fonts[128] = {};
    auto fontFor = [&](int style) {
        style &= 127;
        if (!fonts[style]) {
            LOGFONTW lf = base;
            lf.lfWeight = (style & 1) ? FW_BOLD : FW_NORMAL;
            lf.lfItalic = (style & 2) ? TRUE : FALSE;
            lf.lfUnderline = (style & 4) ? TRUE : FALSE;
            lf.lfStrikeOut = (style & 64) ? TRUE : FALSE;
            if (style & (8 | 16))
                lf.lfHeight = lf.lfHeight * 7 / 10;
            fonts[style] = ::CreateFontIndirectW(&lf);
        }
        return fonts[style];
    };
    const COLORREF original = ::GetTextColor(hdc);
    COLORREF stack[8];
    int depth = 0;
    COLORREF colour = original;
    for (COLORREF& c : stack)
        c = original;

    const wchar_t* s = source;
    const int n = source.GetLength();
    int x = 0, y = 0, widest = 0, style = 0;
    bool firstToken = true;
    int spaceWidth = 0;
    int i = 0;
    while (i < n) {
        while (i < n && IsSpace(s[i]))
            ++i;
        if (i >= n)
            break;
        bool isTag = false;
        int end = i;  // one past the token
        const Tag* tag = nullptr;
        bool closing = false;
        if (s[i] == L'<') {
            closing = i + 1 < n && s[i + 1] == L'/';
            const int word = i + 1 + (closing ? 1 : 0);
            for (const Tag& t : kTags) {
                const int len = lstrlenW(t.name);
                if (word + len <= n && _wcsnicmp(s + word, t.name, len) == 0) {
                    tag = &t;
                    break;
                }
            }
            if (tag && !closing && lstrcmpW(tag->name, L"font") == 0) {
                end = word;
                while (end < n && s[end] != L'<' && s[end] != L'>')
                    ++end;
                if (end < n && s[end] == L'>')
                    ++end;
                isTag = true;
            } else if (tag) {
                int after = word;
                while (after < n && !IsSpace(s[after]) && s[after] != L'>' && s[after] != L'<')
                    ++after;
                if (after < n && s[after] == L'>') {
                    end = after + 1;
                    isTag = true;
                }
            }
        }
        if (isTag) {
            const bool font = lstrcmpW(tag->name, L"font") == 0;
            if (font && !closing) {
                COLORREF parsed = 0;
                if (ParseColour(s + i, end - i, parsed)) {
                    if (depth < 8)
                        stack[depth++] = colour;
                    colour = parsed;
                }
            } else if (font) {
                colour = depth > 0 ? stack[--depth] : stack[0];
            } else if (lstrcmpW(tag->name, L"br") == 0) {
                if (!closing && !single) {
                    y += lineHeight;
                    x = 0;
                }
            } else if (lstrcmpW(tag->name, L"p") == 0) {
                if (!closing && !single && !firstToken) {
                    y += lineHeight * 3 / 2;
                    x = 0;
                }
            } else if (closing) {
                style &= ~tag->bit;
            } else {
                style |= tag->bit;
            }
            firstToken = false;
            i = end;
            continue;
        }
        // A word: up to white space or the next "<" (a "<" that starts no tag belongs to it).
        end = i + 1;
        while (end < n && !IsSpace(s[end]) && s[end] != L'<')
            ++end;
        firstToken = false;
        const int drawStyle = style | (grey ? 64 : 0);
        ::SelectObject(hdc, fontFor(drawStyle));
        SIZE space = {}, size = {};
        ::GetTextExtentPoint32W(hdc, L" ", 1, &space);
        spaceWidth = space.cx;
        ::GetTextExtentPoint32W(hdc, s + i, end - i, &size);
        const int w = size.cx;
        if (w > width)
            width = w;
        x += spaceWidth;
        if (x + w > width) {
            if (format & DT_WORDBREAK) {
                y += lineHeight;
                x = 0;
            } else {
                width = x + w;
            }
        }
        if (runs)
            runs->push_back({CString(s + i, end - i), drawStyle, grey ? kGreyText : colour, x, y, w});
        if (!measure) {
            ::SetTextColor(hdc, grey ? kGreyText : colour);
            ::SetBkMode(hdc, TRANSPARENT);
            const bool line = (drawStyle & (4 | 64)) != 0 && x >= spaceWidth;
            RECT r = {origin.x + x - (line ? spaceWidth : 0), origin.y + y, origin.x + width, origin.y + y + lineHeight};
            UINT wordFormat = DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP | ((drawStyle & 16) ? DT_BOTTOM : DT_TOP);
            if (line) {
                CString text = L" " + CString(s + i, end - i);
                ::DrawTextW(hdc, text, text.GetLength(), &r, wordFormat);
            } else {
                ::DrawTextW(hdc, s + i, end - i, &r, wordFormat);
            }
        }
        x += w;
        widest = std::max(widest, x);
        i = end;
    }
    ::RestoreDC(hdc, saved);
    for (HFONT f : fonts)
        if (f)
            ::DeleteObject(f);
    if (measure && rect) {
        rect->right = rect->left + widest;
        rect->bottom = rect->top + y + lineHeight;
    }
    return y;
}
