#include "GcString.h"
#include "TextConv.h"
#include "WindowLayer.h"
#include <cstdlib>
#include <cstring>
#include <cwchar>

CGcString& CGcString::operator=(const CGcString& other)
{
    if (this != &other)
        Assign(other.m_p);
    return *this;
}

void CGcString::Assign(const wchar_t* text, int length)
{
    if (length < 0)
        length = text ? (int)wcslen(text) : 0;
    wchar_t* p = new wchar_t[length + 1];
    if (length)
        wmemcpy(p, text, length);
    p[length] = 0;
    delete[] m_p;
    m_p = p;
    m_len = length;
}

void CGcString::AssignUtf8(const char* utf8)
{
    wchar_t* wide = utf8 ? utf8_to_unicode(utf8) : nullptr;
    Assign(wide ? wide : L"");
    free(wide);
}

void CGcString::Append(const wchar_t* text, int length)
{
    if (length < 0)
        length = text ? (int)wcslen(text) : 0;
    if (!length)
        return;
    wchar_t* p = new wchar_t[m_len + length + 1];
    if (m_len)
        wmemcpy(p, m_p, m_len);
    wmemcpy(p + m_len, text, length);
    p[m_len + length] = 0;
    delete[] m_p;
    m_p = p;
    m_len += length;
}

BOOL CGcString::LoadString(UINT id, HINSTANCE instance)
{
    if (!instance) {
        CGcModule* module = GcGetModule();
        instance = module && module->m_hInstance ? module->m_hInstance : GetModuleHandleW(nullptr);
    }
    wchar_t buf[256];
    int n = ::LoadStringW(instance, id, buf, 256);
    Assign(buf, n > 0 ? n : 0);
    return n > 0;
}
