// CString (wide: the UI and store string) and CStringA (narrow, in the ANSI code page).
// Plain value types over std::basic_string; header-only so both trees and every module share one
// definition without exported template instances. Indexes and lengths count UTF-16 code units
// (a surrogate pair is two), as callers of the wide string expect.
#pragma once
#include "FxBase.h"
#include <oleauto.h>
#include <string>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <cctype>
#include <functional>
#include <algorithm>

namespace fx {

template <typename T> struct StrTraits;

template <> struct StrTraits<wchar_t> {
  typedef char Other;
  static int Len(const wchar_t* s) { return s ? (int)wcslen(s) : 0; }
  static int FormatCount(const wchar_t* f, va_list a) { return _vscwprintf(f, a); }
  static int FormatTo(wchar_t* b, size_t n, const wchar_t* f, va_list a) { return _vsnwprintf(b, n, f, a); }
  static void Lower(wchar_t* s, int n) { if (n > 0) CharLowerBuffW(s, n); }
  static void Upper(wchar_t* s, int n) { if (n > 0) CharUpperBuffW(s, n); }
  static int Compare(const wchar_t* a, const wchar_t* b) { return wcscmp(a, b); }
  // Ordinal after case folding: the same for every user locale, and Cyrillic folds too.
  static int CompareNoCase(const wchar_t* a, const wchar_t* b) {
    return CompareStringOrdinal(a, -1, b, -1, TRUE) - CSTR_EQUAL;
  }
  static int Collate(const wchar_t* a, const wchar_t* b) { return wcscoll(a, b); }
  static bool IsSpace(wchar_t c) { return iswspace(c) != 0; }
  static const wchar_t* Chr(const wchar_t* s, wchar_t c) { return wcschr(s, c); }
  // From the other width, in the ANSI code page; length -1 means up to the terminator.
  static std::wstring Convert(const char* s, int n) {
    std::wstring r;
    if (!s) return r;
    if (n < 0) n = (int)strlen(s);
    if (n == 0) return r;
    int m = MultiByteToWideChar(CP_ACP, 0, s, n, nullptr, 0);
    r.resize(m);
    MultiByteToWideChar(CP_ACP, 0, s, n, &r[0], m);
    return r;
  }
};

template <> struct StrTraits<char> {
  typedef wchar_t Other;
  static int Len(const char* s) { return s ? (int)strlen(s) : 0; }
  static int FormatCount(const char* f, va_list a) { return _vscprintf(f, a); }
  static int FormatTo(char* b, size_t n, const char* f, va_list a) { return _vsnprintf(b, n, f, a); }
  static void Lower(char* s, int n) { if (n > 0) CharLowerBuffA(s, n); }
  static void Upper(char* s, int n) { if (n > 0) CharUpperBuffA(s, n); }
  static int Compare(const char* a, const char* b) { return strcmp(a, b); }
  static int CompareNoCase(const char* a, const char* b) { return _stricmp(a, b); }
  static int Collate(const char* a, const char* b) { return strcoll(a, b); }
  static bool IsSpace(char c) { return isspace((unsigned char)c) != 0; }
  static const char* Chr(const char* s, char c) { return strchr(s, c); }
  static std::string Convert(const wchar_t* s, int n) {
    std::string r;
    if (!s) return r;
    if (n < 0) n = (int)wcslen(s);
    if (n == 0) return r;
    int m = WideCharToMultiByte(CP_ACP, 0, s, n, nullptr, 0, nullptr, nullptr);
    r.resize(m);
    WideCharToMultiByte(CP_ACP, 0, s, n, &r[0], m, nullptr, nullptr);
    return r;
  }
};

template <typename T>
class CStringT {
  typedef StrTraits<T> Tr;
  typedef typename Tr::Other O;
  std::basic_string<T> m_s;

  static bool InSet(T c, const T* set) { return set && c != 0 && Tr::Chr(set, c) != nullptr; }
  void Clamp(int& first, int& count) const {
    int len = GetLength();
    if (first < 0) first = 0;
    if (first > len) first = len;
    if (count < 0) count = 0;
    if (count > len - first) count = len - first;
  }
  void AssignPtr(const T* s) {
    // A string id made into a pointer (MAKEINTRESOURCE) loads that string, as callers expect.
    if (s && IS_INTRESOURCE(s)) { LoadString(LOWORD((ULONG_PTR)s)); return; }
    if (s) m_s.assign(s); else m_s.clear();
  }

 public:
  typedef T XCHAR;
  typedef const T* PCXSTR;

  CStringT() {}
  CStringT(const CStringT& s) : m_s(s.m_s) {}
  CStringT(CStringT&& s) noexcept : m_s(std::move(s.m_s)) {}
  CStringT(const T* s) { AssignPtr(s); }
  CStringT(const T* s, int n) { if (s && n > 0) m_s.assign(s, n); }
  CStringT(T ch, int repeat = 1) { if (repeat > 0) m_s.assign(repeat, ch); }
  CStringT(const O* s) : m_s(Tr::Convert(s, -1)) {}
  CStringT(const O* s, int n) : m_s(Tr::Convert(s, n < 0 ? 0 : n)) {}
  CStringT(const CStringT<O>& s) : m_s(Tr::Convert(s.GetString(), s.GetLength())) {}
  CStringT(const unsigned char* s) : CStringT((const char*)s) {}
  explicit CStringT(const std::basic_string<T>& s) : m_s(s) {}

  CStringT& operator=(const CStringT& s) { m_s = s.m_s; return *this; }
  CStringT& operator=(CStringT&& s) noexcept { m_s = std::move(s.m_s); return *this; }
  CStringT& operator=(const T* s) { AssignPtr(s); return *this; }
  CStringT& operator=(T ch) { m_s.assign(1, ch); return *this; }
  CStringT& operator=(const O* s) { m_s = Tr::Convert(s, -1); return *this; }
  CStringT& operator=(const CStringT<O>& s) { m_s = Tr::Convert(s.GetString(), s.GetLength()); return *this; }

  // --- size and access
  int GetLength() const { return (int)m_s.size(); }
  bool IsEmpty() const { return m_s.empty(); }
  void Empty() { m_s.clear(); }
  const T* GetString() const { return m_s.c_str(); }
  operator const T*() const { return m_s.c_str(); }
  T GetAt(int i) const { ASSERT(i >= 0 && i < GetLength()); return m_s[i]; }
  T operator[](int i) const { return GetAt(i); }
  void SetAt(int i, T ch) { ASSERT(i >= 0 && i < GetLength()); if (i >= 0 && i < GetLength()) m_s[i] = ch; }
  const std::basic_string<T>& str() const { return m_s; }

  // --- buffer access: write up to the returned size, then ReleaseBuffer
  T* GetBuffer() { return &m_s[0]; }
  T* GetBuffer(int minLength) {
    if (minLength > GetLength()) m_s.resize(minLength);
    return &m_s[0];
  }
  T* GetBufferSetLength(int length) { m_s.resize(length < 0 ? 0 : length); return &m_s[0]; }
  // -1: the string ends at the first terminator written into the buffer.
  void ReleaseBuffer(int newLength = -1) {
    if (newLength < 0) {
      size_t z = m_s.find(T(0));
      if (z != std::basic_string<T>::npos) m_s.resize(z);
    } else if (newLength <= GetLength()) {
      m_s.resize(newLength);
    }
  }
  void ReleaseBufferSetLength(int newLength) { ReleaseBuffer(newLength); }
  void Preallocate(int length) { if (length > 0) m_s.reserve(length); }
  void FreeExtra() { m_s.shrink_to_fit(); }
  void Truncate(int length) { if (length >= 0 && length < GetLength()) m_s.resize(length); }
  void SetString(const T* s) { AssignPtr(s); }
  void SetString(const T* s, int n) { if (s && n > 0) m_s.assign(s, n); else m_s.clear(); }

  // --- building
  CStringT& Append(const T* s) { if (s) m_s.append(s); return *this; }
  CStringT& Append(const T* s, int n) { if (s && n > 0) m_s.append(s, n); return *this; }
  CStringT& Append(const CStringT& s) { m_s.append(s.m_s); return *this; }
  CStringT& AppendChar(T ch) { m_s.push_back(ch); return *this; }
  CStringT& operator+=(const CStringT& s) { m_s.append(s.m_s); return *this; }
  CStringT& operator+=(const T* s) { if (s) m_s.append(s); return *this; }
  CStringT& operator+=(T ch) { m_s.push_back(ch); return *this; }
  CStringT& operator+=(const O* s) { m_s.append(Tr::Convert(s, -1)); return *this; }

  // printf-style with the platform's rules: in a wide format %s is a wide string, %S narrow.
  void FormatV(const T* format, va_list args) {
    if (!format) { m_s.clear(); return; }
    va_list copy;
    va_copy(copy, args);
    int n = Tr::FormatCount(format, copy);
    va_end(copy);
    if (n <= 0) { m_s.clear(); return; }
    std::basic_string<T> out(n, T(0));
    Tr::FormatTo(&out[0], n + 1, format, args);
    m_s.swap(out);
  }
  void Format(const T* format, ...) { va_list a; va_start(a, format); FormatV(format, a); va_end(a); }
  void Format(UINT formatId, ...) {
    CStringT f; f.LoadString(formatId);
    va_list a; va_start(a, formatId); FormatV(f, a); va_end(a);
  }
  void AppendFormatV(const T* format, va_list args) { CStringT t; t.FormatV(format, args); m_s.append(t.m_s); }
  void AppendFormat(const T* format, ...) { va_list a; va_start(a, format); AppendFormatV(format, a); va_end(a); }

  // --- searching (-1 when not found)
  int Find(T ch, int start = 0) const {
    if (start < 0 || start >= GetLength()) return -1;
    size_t p = m_s.find(ch, start);
    return p == std::basic_string<T>::npos ? -1 : (int)p;
  }
  int Find(const T* sub, int start = 0) const {
    if (!sub || start < 0 || start > GetLength()) return -1;
    size_t p = m_s.find(sub, start);
    return p == std::basic_string<T>::npos ? -1 : (int)p;
  }
  int ReverseFind(T ch) const {
    size_t p = m_s.rfind(ch);
    return p == std::basic_string<T>::npos ? -1 : (int)p;
  }
  int FindOneOf(const T* set) const {
    for (int i = 0; i < GetLength(); ++i) if (InSet(m_s[i], set)) return i;
    return -1;
  }

  // --- extracting (out-of-range arguments are clamped)
  CStringT Mid(int first) const { return Mid(first, GetLength()); }
  CStringT Mid(int first, int count) const {
    Clamp(first, count);
    return CStringT(m_s.substr(first, count));
  }
  CStringT Left(int count) const { return Mid(0, count); }
  CStringT Right(int count) const {
    if (count < 0) count = 0;
    if (count > GetLength()) count = GetLength();
    return CStringT(m_s.substr(GetLength() - count));
  }
  CStringT SpanIncluding(const T* set) const {
    int i = 0;
    while (i < GetLength() && InSet(m_s[i], set)) ++i;
    return Left(i);
  }
  CStringT SpanExcluding(const T* set) const {
    int i = 0;
    while (i < GetLength() && !InSet(m_s[i], set)) ++i;
    return Left(i);
  }
  // The next token after `start` (leading delimiters skipped); `start` moves past the token's
  // delimiter. At the end the result is empty and `start` becomes -1.
  CStringT Tokenize(const T* delimiters, int& start) const {
    if (start >= 0 && start < GetLength()) {
      if (!delimiters || !*delimiters) {
        CStringT r = Mid(start);
        start = GetLength();
        return r;
      }
      int i = start;
      while (i < GetLength() && InSet(m_s[i], delimiters)) ++i;
      if (i < GetLength()) {
        int j = i;
        while (j < GetLength() && !InSet(m_s[j], delimiters)) ++j;
        start = j + 1;
        return Mid(i, j - i);
      }
    }
    start = -1;
    return CStringT();
  }

  // --- trimming: white space, one character, or any character of a set
  CStringT& TrimRight() {
    size_t n = m_s.size();
    while (n > 0 && Tr::IsSpace(m_s[n - 1])) --n;
    m_s.resize(n);
    return *this;
  }
  CStringT& TrimLeft() {
    size_t i = 0;
    while (i < m_s.size() && Tr::IsSpace(m_s[i])) ++i;
    m_s.erase(0, i);
    return *this;
  }
  CStringT& TrimRight(T ch) { size_t n = m_s.size(); while (n > 0 && m_s[n - 1] == ch) --n; m_s.resize(n); return *this; }
  CStringT& TrimLeft(T ch) { size_t i = 0; while (i < m_s.size() && m_s[i] == ch) ++i; m_s.erase(0, i); return *this; }
  CStringT& TrimRight(const T* set) { size_t n = m_s.size(); while (n > 0 && InSet(m_s[n - 1], set)) --n; m_s.resize(n); return *this; }
  CStringT& TrimLeft(const T* set) { size_t i = 0; while (i < m_s.size() && InSet(m_s[i], set)) ++i; m_s.erase(0, i); return *this; }
  CStringT& Trim() { TrimRight(); return TrimLeft(); }
  CStringT& Trim(T ch) { TrimRight(ch); return TrimLeft(ch); }
  CStringT& Trim(const T* set) { TrimRight(set); return TrimLeft(set); }

  // --- changing in place
  CStringT& MakeLower() { if (!m_s.empty()) Tr::Lower(&m_s[0], GetLength()); return *this; }
  CStringT& MakeUpper() { if (!m_s.empty()) Tr::Upper(&m_s[0], GetLength()); return *this; }
  CStringT& MakeReverse() { std::reverse(m_s.begin(), m_s.end()); return *this; }
  int Replace(T from, T to) {
    int n = 0;
    for (auto& c : m_s) if (c == from) { c = to; ++n; }
    return n;
  }
  int Replace(const T* from, const T* to) {
    int fl = Tr::Len(from), tl = Tr::Len(to), n = 0;
    if (fl == 0) return 0;
    size_t p = 0;
    while ((p = m_s.find(from, p, fl)) != std::basic_string<T>::npos) {
      m_s.replace(p, fl, to ? to : m_s.c_str() + m_s.size(), tl);
      p += tl;
      ++n;
    }
    return n;
  }
  int Remove(T ch) {
    size_t before = m_s.size();
    m_s.erase(std::remove(m_s.begin(), m_s.end(), ch), m_s.end());
    return (int)(before - m_s.size());
  }
  int Insert(int index, T ch) {
    if (index < 0) index = 0;
    if (index > GetLength()) index = GetLength();
    m_s.insert(m_s.begin() + index, ch);
    return GetLength();
  }
  int Insert(int index, const T* s) {
    if (index < 0) index = 0;
    if (index > GetLength()) index = GetLength();
    if (s) m_s.insert(index, s);
    return GetLength();
  }
  int Delete(int index, int count = 1) {
    if (index < 0) index = 0;
    if (count > 0 && index < GetLength()) m_s.erase(index, count);
    return GetLength();
  }

  // --- comparing: <0, 0, >0
  int Compare(const T* s) const { return Tr::Compare(m_s.c_str(), s ? s : m_s.c_str() + m_s.size()); }
  int CompareNoCase(const T* s) const { return Tr::CompareNoCase(m_s.c_str(), s ? s : m_s.c_str() + m_s.size()); }
  int Collate(const T* s) const { return Tr::Collate(m_s.c_str(), s ? s : m_s.c_str() + m_s.size()); }
  int CollateNoCase(const T* s) const { return CompareNoCase(s); }

  // --- resources and automation
  // Loads the string from the first module of the resource list that has it.
  BOOL LoadString(UINT id) {
    int n = 0;
    const wchar_t* p = AfxFindStringResource(id, &n);
    if (!p) { m_s.clear(); return FALSE; }
    AssignWide(p, n);
    return TRUE;
  }
  BOOL LoadString(HINSTANCE module, UINT id) {
    const wchar_t* p = nullptr;
    int n = module ? ::LoadStringW(module, id, (LPWSTR)&p, 0) : 0;
    if (n <= 0 || !p) return LoadString(id);
    AssignWide(p, n);
    return TRUE;
  }
  BSTR AllocSysString() const { return ToBstr(m_s); }
  BSTR SetSysString(BSTR* b) const {
    if (*b) SysFreeString(*b);
    *b = AllocSysString();
    return *b;
  }

  // --- operators (hidden friends: found for CStringT operands only)
  friend CStringT operator+(const CStringT& a, const CStringT& b) { CStringT r(a); r += b; return r; }
  friend CStringT operator+(const CStringT& a, const T* b) { CStringT r(a); r += b; return r; }
  friend CStringT operator+(const T* a, const CStringT& b) { CStringT r(a); r += b; return r; }
  friend CStringT operator+(const CStringT& a, T b) { CStringT r(a); r += b; return r; }
  friend CStringT operator+(T a, const CStringT& b) { CStringT r(a); r += b; return r; }
  friend bool operator==(const CStringT& a, const CStringT& b) { return a.m_s == b.m_s; }
  friend bool operator==(const CStringT& a, const T* b) { return a.Compare(b) == 0; }
  friend bool operator==(const T* a, const CStringT& b) { return b.Compare(a) == 0; }
  friend bool operator==(const CStringT& a, T b) { return a.GetLength() == 1 && a.m_s[0] == b; }
  friend bool operator!=(const CStringT& a, const CStringT& b) { return !(a == b); }
  friend bool operator!=(const CStringT& a, const T* b) { return !(a == b); }
  friend bool operator!=(const T* a, const CStringT& b) { return !(b == a); }
  friend bool operator!=(const CStringT& a, T b) { return !(a == b); }
  friend bool operator<(const CStringT& a, const CStringT& b) { return a.Compare(b) < 0; }
  friend bool operator<(const CStringT& a, const T* b) { return a.Compare(b) < 0; }
  friend bool operator<(const T* a, const CStringT& b) { return b.Compare(a) > 0; }
  friend bool operator>(const CStringT& a, const CStringT& b) { return a.Compare(b) > 0; }
  friend bool operator>(const CStringT& a, const T* b) { return a.Compare(b) > 0; }
  friend bool operator>(const T* a, const CStringT& b) { return b.Compare(a) < 0; }
  friend bool operator<=(const CStringT& a, const CStringT& b) { return a.Compare(b) <= 0; }
  friend bool operator<=(const CStringT& a, const T* b) { return a.Compare(b) <= 0; }
  friend bool operator>=(const CStringT& a, const CStringT& b) { return a.Compare(b) >= 0; }
  friend bool operator>=(const CStringT& a, const T* b) { return a.Compare(b) >= 0; }

 private:
  static void FromWide(std::wstring& d, const wchar_t* p, int n) { d.assign(p, n); }
  static void FromWide(std::string& d, const wchar_t* p, int n) { d = StrTraits<char>::Convert(p, n); }
  static BSTR ToBstr(const std::wstring& s) { return SysAllocStringLen(s.c_str(), (UINT)s.size()); }
  static BSTR ToBstr(const std::string& s) { return ToBstr(StrTraits<wchar_t>::Convert(s.c_str(), (int)s.size())); }
  void AssignWide(const wchar_t* p, int n) { FromWide(m_s, p, n); }
};

}  // namespace fx

typedef fx::CStringT<wchar_t> CStringW;
typedef fx::CStringT<char> CStringA;
typedef CStringW CString;

namespace std {
template <typename T> struct hash<fx::CStringT<T>> {
  size_t operator()(const fx::CStringT<T>& s) const { return hash<basic_string<T>>()(s.str()); }
};
}  // namespace std
