#include "GcGdi.h"
#include "WindowLayer.h"

CGcPatternBrush::CGcPatternBrush(UINT bitmapId)
{
    CGcModule* module = GcGetModule();
    HINSTANCE instance = module && module->m_hInstance ? module->m_hInstance : GetModuleHandleW(nullptr);
    m_bitmap = LoadBitmapW(instance, MAKEINTRESOURCEW(bitmapId));
    if (m_bitmap)
        m_h = CreatePatternBrush(m_bitmap);
}

CGcPatternBrush::~CGcPatternBrush()
{
    if (m_h)
        DeleteObject(m_h);
    if (m_bitmap)
        DeleteObject(m_bitmap);
}
