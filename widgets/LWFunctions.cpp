#include "LWFunctions.h"
#include <objbase.h>
#include <new>

LWAPI_C int LWGenerateKeyString(CString& out)
{
    GUID guid = {};
    CoCreateGuid(&guid);
    wchar_t text[100] = {};
    StringFromGUID2(guid, text, 100);
    // "{8-4-4-4-12}": drop the brace and the last two digits, then the dashes
    text[35] = 0;
    BSTR digits = SysAllocString(text + 1);
    if (!digits)
        throw std::bad_alloc();
    out.Empty();
    out += digits;
    SysFreeString(digits);
    out.Remove(L'-');
    return 4;
}

LWAPI_C BOOL LW_GradientFill(CDC* dc, RECT rect, COLORREF from, COLORREF to, int mode)
{
    HDC hdc = dc ? dc->GetSafeHdc() : nullptr;
    if (!hdc)
        return FALSE;
    // channels widened to 16 bits, opaque
    TRIVERTEX vertices[2] = {};
    vertices[0].x = rect.left;
    vertices[0].y = rect.top;
    vertices[0].Red = COLOR16(GetRValue(from) << 8);
    vertices[0].Green = COLOR16(GetGValue(from) << 8);
    vertices[0].Blue = COLOR16(GetBValue(from) << 8);
    vertices[0].Alpha = 0xFFFF;
    vertices[1].x = rect.right;
    vertices[1].y = rect.bottom;
    vertices[1].Red = COLOR16(GetRValue(to) << 8);
    vertices[1].Green = COLOR16(GetGValue(to) << 8);
    vertices[1].Blue = COLOR16(GetBValue(to) << 8);
    vertices[1].Alpha = 0xFFFF;
    GRADIENT_RECT joined = {0, 1};
    return GradientFill(hdc, vertices, 2, &joined, 1, ULONG(mode));
}
