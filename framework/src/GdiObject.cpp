// CGdiObject and the pen, brush, font, bitmap, region and palette classes.
#include "FxGdi.h"
#include "GdiHandleMap.h"

std::atomic<long> g_fxGdiLive{0};

long AfxGetGdiObjectCount() { return g_fxGdiLive.load(); }

void AfxDeleteTempGdiMaps() {
  CGdiObject::DeleteTempMap();
  CDC::DeleteTempMap();
  CImageList::DeleteTempMap();
}

namespace {

FxHandleMap<CGdiObject, HGDIOBJ>& GdiMap() {
  static FxHandleMap<CGdiObject, HGDIOBJ> map;
  return map;
}

// A temporary wrapper of the class that matches the handle, so that CPen::FromHandle and its
// kin hand out an object of their own class.
CGdiObject* MakeWrapper(HGDIOBJ h) {
  CGdiObject* obj;
  switch (::GetObjectType(h)) {
    case OBJ_PEN:
    case OBJ_EXTPEN: obj = new CPen; break;
    case OBJ_BRUSH: obj = new CBrush; break;
    case OBJ_FONT: obj = new CFont; break;
    case OBJ_BITMAP: obj = new CBitmap; break;
    case OBJ_REGION: obj = new CRgn; break;
    case OBJ_PAL: obj = new CPalette; break;
    default: obj = new CGdiObject; break;
  }
  obj->m_hObject = h;
  return obj;
}

HDC ScreenOr(CDC* dc, bool& release) {
  HDC h = dc ? dc->m_hAttribDC : nullptr;
  release = (h == nullptr);
  return h ? h : ::GetDC(nullptr);
}

}  // namespace

IMPLEMENT_DYNCREATE(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CPen, CGdiObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)
IMPLEMENT_DYNAMIC(CRgn, CGdiObject)
IMPLEMENT_DYNAMIC(CPalette, CGdiObject)

CGdiObject::~CGdiObject() { DeleteObject(); }

CGdiObject* PASCAL CGdiObject::FromHandle(HGDIOBJ h) { return GdiMap().FromHandle(h, MakeWrapper); }

void PASCAL CGdiObject::DeleteTempMap() {
  GdiMap().DeleteTemporaries([](CGdiObject* o) { o->m_hObject = nullptr; });
}

// An object holds one handle: a second one is refused (rather than leaking the first and
// leaving the map pointing at the wrong object).
BOOL CGdiObject::Attach(HGDIOBJ h) {
  ASSERT(m_hObject == nullptr);
  if (!h || m_hObject) return FALSE;
  m_hObject = h;
  GdiMap().SetPermanent(h, this);
  ++g_fxGdiLive;
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ h = m_hObject;
  if (h) {
    GdiMap().RemovePermanent(h, this);
    --g_fxGdiLive;
  }
  m_hObject = nullptr;
  return h;
}

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  return ::DeleteObject(Detach());
}

BOOL CGdiObject::AttachNew(HGDIOBJ h) {
  if (!h) return FALSE;
  if (!m_hObject && Attach(h)) return TRUE;
  ::DeleteObject(h);  // this object already holds a handle: the new one is not kept
  return FALSE;
}

BOOL CGdiObject::CreateStockObject(int index) { return Attach(::GetStockObject(index)); }

// The constructors that create at once throw the resource exception on failure, so an object
// never exists half made.
CPen::CPen(int style, int width, COLORREF color) {
  if (!CreatePen(style, width, color)) AfxThrowResourceException();
}

CPen::CPen(int style, int width, const LOGBRUSH* brush, int styleCount, const DWORD* styles) {
  if (!CreatePen(style, width, brush, styleCount, styles)) AfxThrowResourceException();
}

CBrush::CBrush(COLORREF color) {
  if (!CreateSolidBrush(color)) AfxThrowResourceException();
}

CBrush::CBrush(int hatch, COLORREF color) {
  if (!CreateHatchBrush(hatch, color)) AfxThrowResourceException();
}

CBrush::CBrush(CBitmap* bitmap) {
  if (!CreatePatternBrush(bitmap)) AfxThrowResourceException();
}

BOOL CBrush::CreatePatternBrush(CBitmap* bitmap) {
  HBITMAP h = (HBITMAP)bitmap->GetSafeHandle();
  return h ? AttachNew(::CreatePatternBrush(h)) : FALSE;
}

BOOL CBrush::CreateSysColorBrush(int index) { return Attach(::GetSysColorBrush(index)); }

BOOL CFont::CreatePointFont(int pointSize, LPCTSTR faceName, CDC* dc) {
  LOGFONT lf = {};
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfHeight = pointSize;
  if (faceName) lstrcpynW(lf.lfFaceName, faceName, LF_FACESIZE);
  return CreatePointFontIndirect(&lf, dc);
}

BOOL CFont::CreatePointFontIndirect(const LOGFONT* lf, CDC* dc) {
  bool release = false;
  HDC h = ScreenOr(dc, release);
  LOGFONT font = *lf;
  // Tenths of a point to logical units: device pixels through the DC's mapping, as a
  // character height (negative) measured from the origin.
  POINT pt = {0, ::MulDiv(::GetDeviceCaps(h, LOGPIXELSY), lf->lfHeight, 720)};
  ::DPtoLP(h, &pt, 1);
  POINT org = {0, 0};
  ::DPtoLP(h, &org, 1);
  font.lfHeight = -abs(pt.y - org.y);
  if (release) ::ReleaseDC(nullptr, h);
  return CreateFontIndirect(&font);
}

BOOL CBitmap::LoadBitmap(LPCTSTR resourceName) {
  HINSTANCE module = AfxFindResourceHandle(resourceName, RT_BITMAP);
  return module ? AttachNew(::LoadBitmapW(module, resourceName)) : FALSE;
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
  bool release = false;
  HDC h = dc ? dc->m_hDC : nullptr;
  if (!h) { h = ::GetDC(nullptr); release = true; }
  BOOL ok = AttachNew(::CreateCompatibleBitmap(h, width, height));
  if (release) ::ReleaseDC(nullptr, h);
  return ok;
}

BOOL CRgn::CreateFromPath(CDC* dc) { return AttachNew(::PathToRegion(dc->m_hDC)); }

BOOL CPalette::CreateHalftonePalette(CDC* dc) { return AttachNew(::CreateHalftonePalette(dc->GetSafeHdc())); }
