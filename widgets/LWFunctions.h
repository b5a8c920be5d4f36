// The library's C functions.
#pragma once
#include "Framework.h"
#include "LWExport.h"

// Sets `out` to 30 upper-case hexadecimal digits taken from a new GUID; returns 4.
LWAPI_C int LWGenerateKeyString(CString& out);

// Fills `rect` on the DC's output handle with a gradient from `from` to `to`; `mode` is the
// system gradient mode (GRADIENT_FILL_RECT_H 0: left to right, GRADIENT_FILL_RECT_V 1: top to
// bottom). Returns the system GradientFill's result (FALSE for a null DC).
LWAPI_C BOOL LW_GradientFill(CDC* dc, RECT rect, COLORREF from, COLORREF to, int mode);
