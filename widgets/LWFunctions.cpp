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
