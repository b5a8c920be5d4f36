// The window layer's small owning wide string.
#pragma once
#include <winsock2.h>   // before windows.h, as everywhere in the program
#include <windows.h>

class CGcString {
public:
    CGcString() = default;
    CGcString(const wchar_t* text) { Assign(text); }
    ~CGcString() { delete[] m_p; }
    CGcString(const CGcString& other) { Assign(other.m_p); }
    CGcString& operator=(const CGcString& other);
    CGcString& operator=(const wchar_t* text) { Assign(text); return *this; }

    void Assign(const wchar_t* text, int length = -1);
    // UTF-8 text; an invalid sequence becomes a replacement character.
    void AssignUtf8(const char* utf8);
    void Append(const wchar_t* text, int length = -1);
    CGcString& operator+=(const wchar_t* text) { Append(text); return *this; }
    // A string of the module's string table, up to 255 characters; empty when missing.
    BOOL LoadString(UINT id, HINSTANCE instance = nullptr);

    const wchar_t* c_str() const { return m_p ? m_p : L""; }
    operator const wchar_t*() const { return c_str(); }
    int Length() const { return m_len; }

private:
    wchar_t* m_p = nullptr;
    int m_len = 0;
};
