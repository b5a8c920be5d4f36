// CBufferDC: a paint DC that draws into an off-screen bitmap and copies it to the window when
// it goes, so a WM_PAINT handler paints without flicker. Construct it where a CPaintDC would
// be; everything drawn through it lands in the buffer.
#pragma once
#include "Framework.h"

class CBufferDC : public CPaintDC {
    DECLARE_DYNAMIC(CBufferDC)
public:
    explicit CBufferDC(CWnd* pWnd);
    ~CBufferDC() override;

    // A rectangle larger than the buffer grows it (what was drawn is kept); then the system's
    // bounds rectangle of the DC.
    UINT SetBoundsRect(LPCRECT bounds, UINT flags) override;
    // A restored state would select the buffer the DC had when it was saved; a grown buffer is
    // selected again.
    BOOL RestoreDC(int saved) override;

    // The buffer in client coordinates: pixel (x, y) of the bitmap is client point (x, y).
    const CRect& BufferRect() const { return m_rcBuffer; }
    BOOL IsGrown() const { return m_bGrown; }

private:
    HDC m_hPaintDC = nullptr;
    HDC m_hPaintAttribDC = nullptr;
    HDC m_hMemDC = nullptr;
    HBITMAP m_hBitmap = nullptr;
    HGDIOBJ m_hOldBitmap = nullptr;
    CRect m_rcBuffer;
    BOOL m_bGrown = FALSE;
};
