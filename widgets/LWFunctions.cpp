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

namespace {

// A gradient corner: the colour's channels widened to 16 bits, opaque.
TRIVERTEX GradientVertex(LONG x, LONG y, COLORREF color)
{
    TRIVERTEX v = {};
    v.x = x;
    v.y = y;
    v.Red = COLOR16(GetRValue(color) << 8);
    v.Green = COLOR16(GetGValue(color) << 8);
    v.Blue = COLOR16(GetBValue(color) << 8);
    v.Alpha = 0xFFFF;
    return v;
}

} // namespace

LWAPI_C BOOL LW_GradientFill(CDC* dc, RECT rect, COLORREF from, COLORREF to, int mode)
{
    HDC hdc = dc ? dc->GetSafeHdc() : nullptr;
    if (!hdc)
        return FALSE;
    TRIVERTEX vertices[2] = {GradientVertex(rect.left, rect.top, from), GradientVertex(rect.right, rect.bottom, to)};
    GRADIENT_RECT joined = {0, 1};
    return GradientFill(hdc, vertices, 2, &joined, 1, ULONG(mode));
}
