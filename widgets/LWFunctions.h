// The library's C functions.
#pragma once
#include "Framework.h"
#include "LWExport.h"

// Sets `out` to 30 upper-case hexadecimal digits taken from a new GUID; returns 4.
LWAPI_C int LWGenerateKeyString(CString& out);
