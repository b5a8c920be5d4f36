#include "TextUtil.h"

namespace HtmlEngine {

wchar_t FoldCase(wchar_t c) {
    unsigned u = static_cast<unsigned>(c);
    if (u < 0x80) return (u >= 'A' && u <= 'Z') ? wchar_t(u + 32) : c;
    if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return wchar_t(u + 32);
    if (u >= 0x100 && u <= 0x17F) {
        // Latin Extended-A: mostly pairs upper (even) / lower (odd); a run between is odd/even
        if ((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E)) return (u & 1) ? wchar_t(u + 1) : c;
        if (u == 0x130 || u == 0x131 || u == 0x138 || u == 0x149 || u == 0x17F) return c;
        return (u & 1) ? c : wchar_t(u + 1);
    }
    if (u >= 0x391 && u <= 0x3AB && u != 0x3A2) return wchar_t(u + 32);   // Greek
    if (u >= 0x410 && u <= 0x42F) return wchar_t(u + 32);                 // Cyrillic
    if (u >= 0x400 && u <= 0x40F) return wchar_t(u + 80);
    if (u >= 0x460 && u <= 0x4FF && !(u >= 0x482 && u <= 0x489)) return (u & 1) ? c : wchar_t(u + 1);
    return c;
}

wchar_t UpperAscii(wchar_t c) { return (c >= 'a' && c <= 'z') ? wchar_t(c - 32) : c; }

std::wstring LowerAscii(std::wstring s) {
    for (auto& c : s) if (c >= 'A' && c <= 'Z') c = wchar_t(c + 32);
    return s;
}

std::wstring UpperAscii(std::wstring s) {
    for (auto& c : s) c = UpperAscii(c);
    return s;
}

static wchar_t LowerA(wchar_t c) { return (c >= 'A' && c <= 'Z') ? wchar_t(c + 32) : c; }

bool IEquals(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerA(a[i]) != LowerA(b[i])) return false;
    return true;
}

bool IEquals(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; b[i]; ++i)
        if (i >= a.size() || LowerA(a[i]) != LowerA(b[i])) return false;
    return i == a.size();
}

bool IStartsWith(const std::wstring& s, const wchar_t* prefix) {
    for (size_t i = 0; prefix[i]; ++i)
        if (i >= s.size() || LowerA(s[i]) != LowerA(prefix[i])) return false;
    return true;
}

bool IsHtmlSpace(wchar_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

bool IsWordChar(wchar_t c) {
    unsigned u = static_cast<unsigned>(c);
    if (u < 0x80) return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_';
    if (u == 0xA0 || u == 0xAD || u == 0xD7 || u == 0xF7) return false;
    if (u < 0xC0) return u == 0xAA || u == 0xB5 || u == 0xBA;
    if (u >= 0x2000 && u <= 0x2BFF) return false;   // punctuation, symbols, arrows
    if (u >= 0x3000 && u <= 0x303F) return false;
    if (u >= 0xFE30 && u <= 0xFE4F) return false;
    if (u >= 0xFF00 && u <= 0xFF0F) return false;
    if (u == 0xFEFF || u == 0xFFFC || u == 0xFFFD) return false;
    return true;
}

std::wstring Trim(const std::wstring& s) {
    size_t b = 0, e = s.size();
    auto sp = [](wchar_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' || c == 0xA0; };
    while (b < e && sp(s[b])) ++b;
    while (e > b && sp(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::wstring TrimHtmlSpace(const std::wstring& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsHtmlSpace(s[b])) ++b;
    while (e > b && IsHtmlSpace(s[e - 1])) --e;
    return s.substr(b, e - b);
}

void AppendCodePoint(std::wstring& out, unsigned long cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (sizeof(wchar_t) == 2 && cp > 0xFFFF) {
        cp -= 0x10000;
        out.push_back(wchar_t(0xD800 + (cp >> 10)));
        out.push_back(wchar_t(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(wchar_t(cp));
    }
}

std::string WideToUtf8(const std::wstring& w) {
    std::string out;
    out.reserve(w.size() + w.size() / 4);
    for (size_t i = 0; i < w.size(); ++i) {
        unsigned long cp = static_cast<unsigned long>(w[i]) & (sizeof(wchar_t) == 2 ? 0xFFFFu : 0xFFFFFFFFu);
        if (sizeof(wchar_t) == 2 && cp >= 0xD800 && cp <= 0xDBFF && i + 1 < w.size()) {
            unsigned long lo = static_cast<unsigned long>(w[i + 1]) & 0xFFFF;
            if (lo >= 0xDC00 && lo <= 0xDFFF) { cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00); ++i; }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;   // lone surrogate
        if (cp > 0x10FFFF) cp = 0xFFFD;
        if (cp < 0x80) out.push_back(char(cp));
        else if (cp < 0x800) { out.push_back(char(0xC0 | (cp >> 6))); out.push_back(char(0x80 | (cp & 0x3F))); }
        else if (cp < 0x10000) {
            out.push_back(char(0xE0 | (cp >> 12))); out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (cp >> 18))); out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F))); out.push_back(char(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::wstring Utf8ToWide(const std::string& s) {
    std::wstring out;
    out.reserve(s.size());
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
    size_t n = s.size(), i = 0;
    while (i < n) {
        unsigned c = p[i];
        if (c < 0x80) { out.push_back(wchar_t(c)); ++i; continue; }
        int len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
        if (len == 0 || (c >= 0xF5)) { out.push_back(wchar_t(0xFFFD)); ++i; continue; }
        unsigned long cp = c & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
        int k = 1;
        for (; k < len; ++k) {
            if (i + k >= n || (p[i + k] & 0xC0) != 0x80) break;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (k < len || (len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) {
            out.push_back(wchar_t(0xFFFD));
            i += k > 0 ? k : 1;
            continue;
        }
        AppendCodePoint(out, cp);
        i += len;
    }
    return out;
}

} // namespace HtmlEngine
