#include "BufferDC.h"

IMPLEMENT_DYNAMIC(CBufferDC, CPaintDC)

CBufferDC::CBufferDC(CWnd* pWnd) : CPaintDC(pWnd)
{
    if (!m_hDC)
        return;
    ::GetClientRect(m_hWnd, &m_rcBuffer);
    m_hMemDC = ::CreateCompatibleDC(m_hDC);
    m_hBitmap = m_hMemDC ? ::CreateCompatibleBitmap(m_hDC, std::max(1, (int)m_rcBuffer.right),
                                                    std::max(1, (int)m_rcBuffer.bottom))
                         : nullptr;
    if (!m_hBitmap) {
        // Out of memory for the buffer: paint straight to the window.
        if (m_hMemDC)
            ::DeleteDC(m_hMemDC);
        m_hMemDC = nullptr;
        return;
    }
    m_hOldBitmap = ::SelectObject(m_hMemDC, m_hBitmap);
    // The buffer starts as what the window shows under the paint (its erased background).
    ::BitBlt(m_hMemDC, 0, 0, m_rcBuffer.right, m_rcBuffer.bottom, m_hDC, 0, 0, SRCCOPY);
    m_hPaintDC = m_hDC;
    m_hPaintAttribDC = m_hAttribDC;
    m_hDC = m_hAttribDC = m_hMemDC;
}

CBufferDC::~CBufferDC()
{
    if (!m_hMemDC)
        return;
    ::BitBlt(m_hPaintDC, m_rcBuffer.left, m_rcBuffer.top, m_rcBuffer.Width(), m_rcBuffer.Height(), m_hMemDC,
             m_rcBuffer.left, m_rcBuffer.top, SRCCOPY);
    ::SelectObject(m_hMemDC, m_hOldBitmap);
    ::DeleteObject(m_hBitmap);
    ::DeleteDC(m_hMemDC);
    // ~CPaintDC detaches and ends painting with the window's own handles.
    m_hDC = m_hPaintDC;
    m_hAttribDC = m_hPaintAttribDC;
}

UINT CBufferDC::SetBoundsRect(LPCRECT bounds, UINT flags)
{
    if (m_hMemDC && bounds && (bounds->right > m_rcBuffer.right || bounds->bottom > m_rcBuffer.bottom)) {
        const int w = std::max(bounds->right, m_rcBuffer.right), h = std::max(bounds->bottom, m_rcBuffer.bottom);
        if (HBITMAP grown = ::CreateCompatibleBitmap(m_hPaintDC, w, h)) {
            HDC copy = ::CreateCompatibleDC(m_hPaintDC);
            HGDIOBJ old = ::SelectObject(copy, grown);
            ::BitBlt(copy, 0, 0, m_rcBuffer.right, m_rcBuffer.bottom, m_hMemDC, 0, 0, SRCCOPY);
            ::SelectObject(copy, old);
            ::DeleteDC(copy);
            ::SelectObject(m_hMemDC, grown);
            ::DeleteObject(m_hBitmap);
            m_hBitmap = grown;
            m_rcBuffer.UnionRect(&m_rcBuffer, bounds);
            m_bGrown = TRUE;
        }
    }
    return CPaintDC::SetBoundsRect(bounds, flags);
}

BOOL CBufferDC::RestoreDC(int saved)
{
    BOOL ok = CPaintDC::RestoreDC(saved);
    if (m_bGrown && m_hMemDC)
        ::SelectObject(m_hMemDC, m_hBitmap);
    return ok;
}
