// Inside the library: the one nine-slice painter and skin loader every skinned control uses, and
// the off-screen image the self-painted controls draw into.
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

// A memory DC holding a `width` x `height` bitmap compatible with `like`, for painting a window
// in one copy. ok() is false when either could not be made (or the size is empty).
class LWOffScreen {
public:
    LWOffScreen(CDC* like, int width, int height)
    {
        if (width > 0 && height > 0 && m_dc.CreateCompatibleDC(like) &&
            m_bitmap.CreateCompatibleBitmap(like, width, height))
            m_old = ::SelectObject(m_dc.GetSafeHdc(), m_bitmap.GetSafeHandle());
    }
    ~LWOffScreen()
    {
        if (m_old)
            ::SelectObject(m_dc.GetSafeHdc(), m_old);  // a selected bitmap is never freed
    }
    LWOffScreen(const LWOffScreen&) = delete;
    LWOffScreen& operator=(const LWOffScreen&) = delete;

    bool ok() const { return m_old != nullptr; }
    CDC* dc() { return &m_dc; }

private:
    CDC m_dc;
    CBitmap m_bitmap;
    HGDIOBJ m_old = nullptr;
};
