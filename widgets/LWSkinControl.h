// Skins: small bitmaps painted at any size by the nine-slice rule (corners 1:1, edges stretched
// along their length, centre both ways). SkinControl is the record callers fill in and controls
// copy; LWSkinControl paints one loaded skin.
#pragma once
#include "Framework.h"
#include "LWExport.h"

// Eight 32-bit integers, copied by value into every control that is given one.
struct SkinControl {
    UINT bmpNormal;   // resource id of the normal bitmap; 0 = no skin
    UINT bmpState;    // resource id of the pushed / checked bitmap
    int cx;           // bitmap width
    int cy;           // bitmap height
    RECT rcMargins;   // left column width, top row height, x of the right column, y of the bottom row
};

class LWAPI LWSkinControl {
public:
    LWSkinControl();
    virtual ~LWSkinControl();

    // Loads the bitmap `bitmapId` from the first module of the process that holds it; margins
    // default to 3 pixels on every side. 1 on success; 0 (and no skin) otherwise.
    virtual int SetSkin(unsigned int bitmapId, RECT* margins);
    // Paints any bitmap into `dest` by the nine-slice rule, clipped to `dest`.
    virtual void drawSkin(CDC* dc, CRect& dest, CBitmap& bitmap, const SIZE& size, const RECT& margins);
    // Paints the loaded skin; nothing without one.
    virtual void drawSkin(CDC* dc, CRect& dest);

    CBitmap m_bitmap;
    SIZE m_size;
    RECT m_margins;
};
