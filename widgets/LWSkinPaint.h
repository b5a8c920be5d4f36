// Inside the library: the one nine-slice painter and skin loader every skinned control uses.
#pragma once
#include "Framework.h"

// The bitmap with this resource id from the first module of the process that holds it (the
// program, then the extension modules), or null; a missing id is traced.
HBITMAP LWLoadSkinBitmap(UINT id, const wchar_t* who);

// Nine-slice painting of `bitmap` (cx x cy, margins as in SkinControl) into `dest` on `hdc`,
// clipped to `dest`: a destination smaller than the margins shows the overlapping corners and
// nothing outside it. A null DC or bitmap, or an empty destination, paints nothing (traced).
void LWPaintNineSlice(HDC hdc, const RECT& dest, HBITMAP bitmap, SIZE size, const RECT& margins);

// Lumawin.dll's own module, for the library's own resources.
HINSTANCE LWModuleHandle();
