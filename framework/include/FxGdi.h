// GDI wrappers: CGdiObject and its pens, brushes, fonts, bitmaps and regions; CDC with its
// paint, client, window and memory forms; CImageList.
//
// Ownership: an object that created or attached a handle deletes it in its destructor.
// FromHandle returns the permanent wrapper of a handle when there is one, else a temporary
// wrapper that does not own the handle and is freed by DeleteTempMap (the idle loop calls it).
#pragma once
#include "FxBase.h"
#include "FxString.h"
#include "FxObject.h"
#include "FxGeom.h"
#include <commctrl.h>

class CWnd;
class CDC;

// GetSafeHandle and its kin are called through pointers that may be null. The compiler may
// assume `this` is never null and drop a plain test, so the pointer is passed through an empty
// asm statement first, which hides its origin.
inline bool FxIsNullObject(const void* p) {
  asm volatile("" : "+r"(p));
  return p == nullptr;
}
class CBitmap;

// Live GDI objects and device contexts held by the wrappers of this layer: every handle a
// wrapper creates or attaches counts one until the wrapper deletes or detaches it. Tests compare
// the figure before and after a piece of drawing code (the platform's own counter is a stub).
long AfxGetGdiObjectCount();

// Releases this thread's temporary wrappers of every GDI class (CGdiObject, CDC, CImageList).
void AfxDeleteTempGdiMaps();

// The bitmap resource hRsrc of hInst (from FindResource) made a bitmap for the screen, with the
// four colours of button art turned into the system's: black into COLOR_BTNTEXT, grey 128 into
// COLOR_BTNSHADOW, grey 192 into COLOR_BTNFACE and white into COLOR_BTNHIGHLIGHT; with bMono
// each of them but black becomes white. Palette bitmaps have their colour table mapped, 24- and
// 32-bit ones their pixels. The caller deletes the bitmap; null when the resource is not a
// bitmap that can be read.
HBITMAP AfxLoadSysColorBitmap(HINSTANCE hInst, HRSRC hRsrc, BOOL bMono = FALSE);

// The object that registers these wrappers with the window layer (so that handlers receive
// CDC* and CMenu* arguments) must be linked even from the static build, where nothing else may
// refer to it: every file that includes this header refers to it.
extern int g_fxGdiWindowHooks;
[[gnu::used]] static int* const g_fxGdiWindowHooksRef = &g_fxGdiWindowHooks;

class CGdiObject : public CObject {
  DECLARE_DYNCREATE(CGdiObject)
 public:
  HGDIOBJ m_hObject = nullptr;

  CGdiObject() {}
  ~CGdiObject() override;

  operator HGDIOBJ() const { return m_hObject; }
  HGDIOBJ GetSafeHandle() const { return FxIsNullObject(this) ? nullptr : m_hObject; }

  // The wrapper of a handle: the permanent one when the handle is attached somewhere, else a
  // temporary of the class that matches the handle's type.
  static CGdiObject* PASCAL FromHandle(HGDIOBJ h);
  static void PASCAL DeleteTempMap();

  BOOL Attach(HGDIOBJ h);
  HGDIOBJ Detach();
  BOOL DeleteObject();
  BOOL CreateStockObject(int index);  // deleting a stock object is a no-op of the system
  BOOL UnrealizeObject() { return ::UnrealizeObject(m_hObject); }
  int GetObject(int size, void* buffer) const { return ::GetObjectW(m_hObject, size, buffer); }
  UINT GetObjectType() const { return (UINT)::GetObjectType(m_hObject); }
  BOOL operator==(const CGdiObject& o) const { return m_hObject == o.m_hObject; }
  BOOL operator!=(const CGdiObject& o) const { return m_hObject != o.m_hObject; }

 protected:
  // Takes ownership of a handle the class just created; FALSE (and nothing owned) for null.
  BOOL AttachNew(HGDIOBJ h);
};

class CPen : public CGdiObject {
  DECLARE_DYNAMIC(CPen)
 public:
  CPen() {}
  CPen(int style, int width, COLORREF color);
  CPen(int style, int width, const LOGBRUSH* brush, int styleCount = 0, const DWORD* styles = nullptr);
  static CPen* PASCAL FromHandle(HPEN h) { return static_cast<CPen*>(CGdiObject::FromHandle(h)); }
  operator HPEN() const { return (HPEN)m_hObject; }
  BOOL CreatePen(int style, int width, COLORREF color) { return AttachNew(::CreatePen(style, width, color)); }
  BOOL CreatePen(int style, int width, const LOGBRUSH* brush, int styleCount = 0, const DWORD* styles = nullptr) {
    return AttachNew(::ExtCreatePen(style, width, brush, styleCount, styles));
  }
  BOOL CreatePenIndirect(LPLOGPEN lp) { return AttachNew(::CreatePenIndirect(lp)); }
  int GetLogPen(LOGPEN* lp) const { return GetObject(sizeof(LOGPEN), lp); }
};

class CBrush : public CGdiObject {
  DECLARE_DYNAMIC(CBrush)
 public:
  CBrush() {}
  explicit CBrush(COLORREF color);
  CBrush(int hatch, COLORREF color);
  explicit CBrush(CBitmap* bitmap);
  static CBrush* PASCAL FromHandle(HBRUSH h) { return static_cast<CBrush*>(CGdiObject::FromHandle(h)); }
  operator HBRUSH() const { return (HBRUSH)m_hObject; }
  BOOL CreateSolidBrush(COLORREF color) { return AttachNew(::CreateSolidBrush(color)); }
  BOOL CreateHatchBrush(int index, COLORREF color) { return AttachNew(::CreateHatchBrush(index, color)); }
  BOOL CreateBrushIndirect(const LOGBRUSH* lb) { return AttachNew(::CreateBrushIndirect(lb)); }
  BOOL CreatePatternBrush(CBitmap* bitmap);
  BOOL CreateDIBPatternBrush(const void* packedDib, UINT usage) { return AttachNew(::CreateDIBPatternBrushPt(packedDib, usage)); }
  // System colour brushes are owned by the system: kept, never deleted.
  BOOL CreateSysColorBrush(int index);
  int GetLogBrush(LOGBRUSH* lb) const { return GetObject(sizeof(LOGBRUSH), lb); }
};

class CFont : public CGdiObject {
  DECLARE_DYNAMIC(CFont)
 public:
  CFont() {}
  static CFont* PASCAL FromHandle(HFONT h) { return static_cast<CFont*>(CGdiObject::FromHandle(h)); }
  operator HFONT() const { return (HFONT)m_hObject; }
  BOOL CreateFontIndirect(const LOGFONT* lf) { return AttachNew(::CreateFontIndirectW(lf)); }
  BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                  BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision,
                  BYTE quality, BYTE pitchAndFamily, LPCTSTR faceName) {
    return AttachNew(::CreateFontW(height, width, escapement, orientation, weight, italic, underline,
                                   strikeOut, charSet, outPrecision, clipPrecision, quality,
                                   pitchAndFamily, faceName));
  }
  // Size in tenths of a point, converted with the vertical resolution of `dc` (the screen's
  // when null).
  BOOL CreatePointFont(int pointSize, LPCTSTR faceName, CDC* dc = nullptr);
  BOOL CreatePointFontIndirect(const LOGFONT* lf, CDC* dc = nullptr);
  int GetLogFont(LOGFONT* lf) const { return GetObject(sizeof(LOGFONT), lf); }
};

class CBitmap : public CGdiObject {
  DECLARE_DYNAMIC(CBitmap)
 public:
  CBitmap() {}
  static CBitmap* PASCAL FromHandle(HBITMAP h) { return static_cast<CBitmap*>(CGdiObject::FromHandle(h)); }
  operator HBITMAP() const { return (HBITMAP)m_hObject; }
  // From the first module of the resource list that holds the bitmap.
  BOOL LoadBitmap(LPCTSTR resourceName);
  BOOL LoadBitmap(UINT resourceId) { return LoadBitmap(MAKEINTRESOURCE(resourceId)); }
  BOOL LoadOEMBitmap(UINT bitmapId) { return AttachNew(::LoadBitmapW(nullptr, MAKEINTRESOURCE(bitmapId))); }
  BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
    return AttachNew(::CreateBitmap(width, height, planes, bitsPerPixel, bits));
  }
  BOOL CreateBitmapIndirect(LPBITMAP bm) { return AttachNew(::CreateBitmapIndirect(bm)); }
  BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
  BOOL CreateDiscardableBitmap(CDC* dc, int width, int height) { return CreateCompatibleBitmap(dc, width, height); }
  int GetBitmap(BITMAP* bm) const { return GetObject(sizeof(BITMAP), bm); }
  DWORD SetBitmapBits(DWORD count, const void* bits) { return ::SetBitmapBits((HBITMAP)m_hObject, count, bits); }
  DWORD GetBitmapBits(DWORD count, void* bits) const { return ::GetBitmapBits((HBITMAP)m_hObject, count, bits); }
  CSize SetBitmapDimension(int w, int h) {
    SIZE s = {0, 0};
    ::SetBitmapDimensionEx((HBITMAP)m_hObject, w, h, &s);
    return s;
  }
  CSize GetBitmapDimension() const {
    SIZE s = {0, 0};
    ::GetBitmapDimensionEx((HBITMAP)m_hObject, &s);
    return s;
  }
};

class CRgn : public CGdiObject {
  DECLARE_DYNAMIC(CRgn)
 public:
  CRgn() {}
  static CRgn* PASCAL FromHandle(HRGN h) { return static_cast<CRgn*>(CGdiObject::FromHandle(h)); }
  operator HRGN() const { return (HRGN)m_hObject; }
  BOOL CreateRectRgn(int l, int t, int r, int b) { return AttachNew(::CreateRectRgn(l, t, r, b)); }
  BOOL CreateRectRgnIndirect(LPCRECT rc) { return AttachNew(::CreateRectRgnIndirect(rc)); }
  BOOL CreateEllipticRgn(int l, int t, int r, int b) { return AttachNew(::CreateEllipticRgn(l, t, r, b)); }
  BOOL CreateEllipticRgnIndirect(LPCRECT rc) { return AttachNew(::CreateEllipticRgnIndirect(rc)); }
  BOOL CreateRoundRectRgn(int l, int t, int r, int b, int w, int h) { return AttachNew(::CreateRoundRectRgn(l, t, r, b, w, h)); }
  BOOL CreatePolygonRgn(const POINT* pts, int count, int mode) { return AttachNew(::CreatePolygonRgn(pts, count, mode)); }
  BOOL CreatePolyPolygonRgn(const POINT* pts, const INT* counts, int polys, int mode) {
    return AttachNew(::CreatePolyPolygonRgn(pts, counts, polys, mode));
  }
  BOOL CreateFromPath(CDC* dc);
  void SetRectRgn(int l, int t, int r, int b) { ::SetRectRgn((HRGN)m_hObject, l, t, r, b); }
  void SetRectRgn(LPCRECT rc) { SetRectRgn(rc->left, rc->top, rc->right, rc->bottom); }
  int CombineRgn(const CRgn* a, const CRgn* b, int mode) {
    return ::CombineRgn((HRGN)m_hObject, (HRGN)a->GetSafeHandle(), (HRGN)b->GetSafeHandle(), mode);
  }
  int CopyRgn(const CRgn* src) { return ::CombineRgn((HRGN)m_hObject, (HRGN)src->GetSafeHandle(), nullptr, RGN_COPY); }
  BOOL EqualRgn(const CRgn* o) const { return ::EqualRgn((HRGN)m_hObject, (HRGN)o->GetSafeHandle()); }
  int OffsetRgn(int x, int y) { return ::OffsetRgn((HRGN)m_hObject, x, y); }
  int OffsetRgn(POINT p) { return OffsetRgn(p.x, p.y); }
  int GetRgnBox(LPRECT rc) const { return ::GetRgnBox((HRGN)m_hObject, rc); }
  BOOL PtInRegion(int x, int y) const { return ::PtInRegion((HRGN)m_hObject, x, y); }
  BOOL PtInRegion(POINT p) const { return PtInRegion(p.x, p.y); }
  BOOL RectInRegion(LPCRECT rc) const { return ::RectInRegion((HRGN)m_hObject, rc); }
};

class CPalette : public CGdiObject {
  DECLARE_DYNAMIC(CPalette)
 public:
  static CPalette* PASCAL FromHandle(HPALETTE h) { return static_cast<CPalette*>(CGdiObject::FromHandle(h)); }
  operator HPALETTE() const { return (HPALETTE)m_hObject; }
  BOOL CreatePalette(LPLOGPALETTE lp) { return AttachNew(::CreatePalette(lp)); }
  BOOL CreateHalftonePalette(CDC* dc);
  int GetEntryCount() const {
    WORD n = 0;
    GetObject(sizeof(WORD), &n);
    return n;
  }
};

// A device context. Output goes to m_hDC; queries read m_hAttribDC (the same handle unless a
// derived class separates them, as an off-screen paint DC does). The drawing operations that a
// buffering DC must redirect are virtual.
class CDC : public CObject {
  DECLARE_DYNCREATE(CDC)
 public:
  HDC m_hDC = nullptr;
  HDC m_hAttribDC = nullptr;
  BOOL m_bPrinting = FALSE;

  CDC() {}
  ~CDC() override;

  operator HDC() const { return m_hDC; }
  HDC GetSafeHdc() const { return FxIsNullObject(this) ? nullptr : m_hDC; }

  static CDC* PASCAL FromHandle(HDC h);
  static void PASCAL DeleteTempMap();
  BOOL Attach(HDC h);
  HDC Detach();
  virtual void SetAttribDC(HDC h) { m_hAttribDC = h; }
  virtual void SetOutputDC(HDC h) { m_hDC = h; }
  virtual void ReleaseAttribDC() { m_hAttribDC = nullptr; }
  virtual void ReleaseOutputDC() { m_hDC = nullptr; }

  BOOL CreateDC(LPCTSTR driver, LPCTSTR device, LPCTSTR output, const DEVMODE* init);
  BOOL CreateIC(LPCTSTR driver, LPCTSTR device, LPCTSTR output, const DEVMODE* init);
  // A memory DC compatible with `dc` (the screen when null).
  BOOL CreateCompatibleDC(CDC* dc);
  BOOL DeleteDC();

  virtual int SaveDC();
  virtual BOOL RestoreDC(int saved);
  int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hAttribDC, index); }
  BOOL IsPrinting() const { return m_bPrinting; }

  // --- objects
  CGdiObject* SelectStockObject(int index);
  CPen* SelectObject(CPen* pen);
  CBrush* SelectObject(CBrush* brush);
  virtual CFont* SelectObject(CFont* font);
  CBitmap* SelectObject(CBitmap* bitmap);
  int SelectObject(CRgn* rgn);  // region type, as SelectClipRgn
  CGdiObject* SelectObject(CGdiObject* obj);
  HGDIOBJ SelectObject(HGDIOBJ h);
  CPalette* SelectPalette(CPalette* pal, BOOL forceBackground);
  UINT RealizePalette() { return ::RealizePalette(m_hDC); }
  CPen* GetCurrentPen() const { return CPen::FromHandle((HPEN)::GetCurrentObject(m_hAttribDC, OBJ_PEN)); }
  CBrush* GetCurrentBrush() const { return CBrush::FromHandle((HBRUSH)::GetCurrentObject(m_hAttribDC, OBJ_BRUSH)); }
  CFont* GetCurrentFont() const { return CFont::FromHandle((HFONT)::GetCurrentObject(m_hAttribDC, OBJ_FONT)); }
  CBitmap* GetCurrentBitmap() const { return CBitmap::FromHandle((HBITMAP)::GetCurrentObject(m_hAttribDC, OBJ_BITMAP)); }

  // --- attributes
  COLORREF GetBkColor() const { return ::GetBkColor(m_hAttribDC); }
  virtual COLORREF SetBkColor(COLORREF c);
  int GetBkMode() const { return ::GetBkMode(m_hAttribDC); }
  int SetBkMode(int mode);
  COLORREF GetTextColor() const { return ::GetTextColor(m_hAttribDC); }
  virtual COLORREF SetTextColor(COLORREF c);
  int GetROP2() const { return ::GetROP2(m_hAttribDC); }
  int SetROP2(int mode);
  int GetStretchBltMode() const { return ::GetStretchBltMode(m_hAttribDC); }
  int SetStretchBltMode(int mode);
  int GetPolyFillMode() const { return ::GetPolyFillMode(m_hAttribDC); }
  int SetPolyFillMode(int mode);
  UINT GetTextAlign() const { return ::GetTextAlign(m_hAttribDC); }
  UINT SetTextAlign(UINT flags);
  int SetTextCharacterExtra(int extra);
  int GetTextCharacterExtra() const { return ::GetTextCharacterExtra(m_hAttribDC); }
  COLORREF GetNearestColor(COLORREF c) const { return ::GetNearestColor(m_hAttribDC, c); }
  CPoint GetBrushOrg() const;
  CPoint SetBrushOrg(int x, int y);
  CPoint SetBrushOrg(POINT p) { return SetBrushOrg(p.x, p.y); }

  // --- coordinates
  int GetMapMode() const { return ::GetMapMode(m_hAttribDC); }
  virtual int SetMapMode(int mode);
  CPoint GetViewportOrg() const;
  virtual CPoint SetViewportOrg(int x, int y);
  CPoint SetViewportOrg(POINT p) { return SetViewportOrg(p.x, p.y); }
  virtual CPoint OffsetViewportOrg(int dx, int dy);
  CPoint GetWindowOrg() const;
  CPoint SetWindowOrg(int x, int y);
  CPoint SetWindowOrg(POINT p) { return SetWindowOrg(p.x, p.y); }
  CPoint OffsetWindowOrg(int dx, int dy);
  CSize GetViewportExt() const;
  virtual CSize SetViewportExt(int cx, int cy);
  CSize GetWindowExt() const;
  virtual CSize SetWindowExt(int cx, int cy);
  void DPtoLP(LPPOINT pts, int count = 1) const { ::DPtoLP(m_hAttribDC, pts, count); }
  void DPtoLP(LPRECT rc) const { ::DPtoLP(m_hAttribDC, (LPPOINT)rc, 2); }
  void LPtoDP(LPPOINT pts, int count = 1) const { ::LPtoDP(m_hAttribDC, pts, count); }
  void LPtoDP(LPRECT rc) const { ::LPtoDP(m_hAttribDC, (LPPOINT)rc, 2); }

  // --- clipping and bounds
  virtual int GetClipBox(LPRECT rc) const { return ::GetClipBox(m_hDC, rc); }
  virtual BOOL PtVisible(int x, int y) const { return ::PtVisible(m_hDC, x, y); }
  BOOL PtVisible(POINT p) const { return PtVisible(p.x, p.y); }
  virtual BOOL RectVisible(LPCRECT rc) const { return ::RectVisible(m_hDC, rc); }
  int SelectClipRgn(CRgn* rgn);
  int SelectClipRgn(CRgn* rgn, int mode);
  int ExcludeClipRect(int l, int t, int r, int b);
  int ExcludeClipRect(LPCRECT rc) { return ExcludeClipRect(rc->left, rc->top, rc->right, rc->bottom); }
  int IntersectClipRect(int l, int t, int r, int b);
  int IntersectClipRect(LPCRECT rc) { return IntersectClipRect(rc->left, rc->top, rc->right, rc->bottom); }
  int OffsetClipRgn(int x, int y);
  virtual UINT SetBoundsRect(LPCRECT bounds, UINT flags) { return ::SetBoundsRect(m_hDC, bounds, flags); }
  UINT GetBoundsRect(LPRECT bounds, UINT flags) { return ::GetBoundsRect(m_hAttribDC, bounds, flags); }

  // --- lines and shapes
  CPoint GetCurrentPosition() const;
  CPoint MoveTo(int x, int y);
  CPoint MoveTo(POINT p) { return MoveTo(p.x, p.y); }
  BOOL LineTo(int x, int y);
  BOOL LineTo(POINT p) { return LineTo(p.x, p.y); }
  BOOL Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) { return ::Arc(m_hDC, x1, y1, x2, y2, x3, y3, x4, y4); }
  BOOL Polyline(const POINT* pts, int count) { return ::Polyline(m_hDC, pts, count); }
  BOOL PolyBezier(const POINT* pts, int count) { return ::PolyBezier(m_hDC, pts, count); }
  BOOL Polygon(const POINT* pts, int count) { return ::Polygon(m_hDC, pts, count); }
  BOOL PolyPolygon(const POINT* pts, const INT* counts, int polys) { return ::PolyPolygon(m_hDC, pts, counts, polys); }
  BOOL Rectangle(int l, int t, int r, int b) { return ::Rectangle(m_hDC, l, t, r, b); }
  BOOL Rectangle(LPCRECT rc) { return Rectangle(rc->left, rc->top, rc->right, rc->bottom); }
  BOOL RoundRect(int l, int t, int r, int b, int w, int h) { return ::RoundRect(m_hDC, l, t, r, b, w, h); }
  BOOL RoundRect(LPCRECT rc, POINT p) { return RoundRect(rc->left, rc->top, rc->right, rc->bottom, p.x, p.y); }
  BOOL Ellipse(int l, int t, int r, int b) { return ::Ellipse(m_hDC, l, t, r, b); }
  BOOL Ellipse(LPCRECT rc) { return Ellipse(rc->left, rc->top, rc->right, rc->bottom); }
  BOOL Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) { return ::Pie(m_hDC, x1, y1, x2, y2, x3, y3, x4, y4); }
  BOOL Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) { return ::Chord(m_hDC, x1, y1, x2, y2, x3, y3, x4, y4); }

  void FillRect(LPCRECT rc, CBrush* brush) { ::FillRect(m_hDC, rc, (HBRUSH)brush->GetSafeHandle()); }
  void FrameRect(LPCRECT rc, CBrush* brush) { ::FrameRect(m_hDC, rc, (HBRUSH)brush->GetSafeHandle()); }
  void InvertRect(LPCRECT rc) { ::InvertRect(m_hDC, rc); }
  void DrawFocusRect(LPCRECT rc) { ::DrawFocusRect(m_hDC, rc); }
  // Fills with a colour through the background colour, which keeps that colour afterwards
  // (no brush is made).
  void FillSolidRect(LPCRECT rc, COLORREF color);
  void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
  // Top and left edges in `topLeft`, bottom and right in `bottomRight`, one pixel wide.
  void Draw3dRect(LPCRECT rc, COLORREF topLeft, COLORREF bottomRight);
  void Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight);
  BOOL DrawEdge(LPRECT rc, UINT edge, UINT flags) { return ::DrawEdge(m_hDC, rc, edge, flags); }
  BOOL DrawFrameControl(LPRECT rc, UINT type, UINT state) { return ::DrawFrameControl(m_hDC, rc, type, state); }
  BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }
  BOOL DrawIcon(POINT p, HICON icon) { return ::DrawIcon(m_hDC, p.x, p.y, icon); }
  BOOL DrawState(CPoint p, CSize s, HBITMAP bmp, UINT flags, CBrush* brush = nullptr) {
    return ::DrawStateW(m_hDC, (HBRUSH)brush->GetSafeHandle(), nullptr, (LPARAM)bmp, 0, p.x, p.y, s.cx, s.cy, flags | DST_BITMAP);
  }
  BOOL DrawState(CPoint p, CSize s, HICON icon, UINT flags, HBRUSH brush = nullptr) {
    return ::DrawStateW(m_hDC, brush, nullptr, (LPARAM)icon, 0, p.x, p.y, s.cx, s.cy, flags | DST_ICON);
  }
  BOOL FillRgn(CRgn* rgn, CBrush* brush) { return ::FillRgn(m_hDC, (HRGN)rgn->GetSafeHandle(), (HBRUSH)brush->GetSafeHandle()); }
  BOOL FrameRgn(CRgn* rgn, CBrush* brush, int w, int h) {
    return ::FrameRgn(m_hDC, (HRGN)rgn->GetSafeHandle(), (HBRUSH)brush->GetSafeHandle(), w, h);
  }
  BOOL InvertRgn(CRgn* rgn) { return ::InvertRgn(m_hDC, (HRGN)rgn->GetSafeHandle()); }
  BOOL PaintRgn(CRgn* rgn) { return ::PaintRgn(m_hDC, (HRGN)rgn->GetSafeHandle()); }

  // --- pixels and blocks
  COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
  COLORREF GetPixel(POINT p) const { return GetPixel(p.x, p.y); }
  COLORREF SetPixel(int x, int y, COLORREF c) { return ::SetPixel(m_hDC, x, y, c); }
  COLORREF SetPixel(POINT p, COLORREF c) { return SetPixel(p.x, p.y, c); }
  BOOL SetPixelV(int x, int y, COLORREF c) { return ::SetPixelV(m_hDC, x, y, c); }
  BOOL PatBlt(int x, int y, int w, int h, DWORD rop) { return ::PatBlt(m_hDC, x, y, w, h, rop); }
  BOOL BitBlt(int x, int y, int w, int h, CDC* src, int xs, int ys, DWORD rop) {
    return ::BitBlt(m_hDC, x, y, w, h, src->GetSafeHdc(), xs, ys, rop);
  }
  BOOL StretchBlt(int x, int y, int w, int h, CDC* src, int xs, int ys, int ws, int hs, DWORD rop) {
    return ::StretchBlt(m_hDC, x, y, w, h, src->GetSafeHdc(), xs, ys, ws, hs, rop);
  }
  BOOL MaskBlt(int x, int y, int w, int h, CDC* src, int xs, int ys, CBitmap& mask, int xm, int ym, DWORD rop);
  BOOL TransparentBlt(int x, int y, int w, int h, CDC* src, int xs, int ys, int ws, int hs, UINT transparent) {
    return ::TransparentBlt(m_hDC, x, y, w, h, src->GetSafeHdc(), xs, ys, ws, hs, transparent);
  }
  BOOL AlphaBlend(int x, int y, int w, int h, CDC* src, int xs, int ys, int ws, int hs, BLENDFUNCTION blend) {
    return ::AlphaBlend(m_hDC, x, y, w, h, src->GetSafeHdc(), xs, ys, ws, hs, blend);
  }
  BOOL GradientFill(TRIVERTEX* vertices, ULONG count, void* mesh, ULONG meshCount, DWORD mode) {
    return ::GradientFill(m_hDC, vertices, count, mesh, meshCount, mode);
  }
  BOOL ScrollDC(int dx, int dy, LPCRECT scroll, LPCRECT clip, CRgn* update, LPRECT updateRect) {
    return ::ScrollDC(m_hDC, dx, dy, scroll, clip, (HRGN)update->GetSafeHandle(), updateRect);
  }

  // --- text
  virtual BOOL TextOut(int x, int y, LPCTSTR text, int count);
  BOOL TextOut(int x, int y, const CString& s) { return TextOut(x, y, (LPCTSTR)s, s.GetLength()); }
  virtual BOOL ExtTextOut(int x, int y, UINT options, LPCRECT rc, LPCTSTR text, UINT count, LPINT dx);
  BOOL ExtTextOut(int x, int y, UINT options, LPCRECT rc, const CString& s, LPINT dx) {
    return ExtTextOut(x, y, options, rc, (LPCTSTR)s, (UINT)s.GetLength(), dx);
  }
  virtual CSize TabbedTextOut(int x, int y, LPCTSTR text, int count, int tabs, LPINT tabStops, int tabOrigin);
  CSize TabbedTextOut(int x, int y, const CString& s, int tabs, LPINT tabStops, int tabOrigin) {
    return TabbedTextOut(x, y, (LPCTSTR)s, s.GetLength(), tabs, tabStops, tabOrigin);
  }
  virtual int DrawText(LPCTSTR text, int count, LPRECT rc, UINT format);
  int DrawText(const CString& s, LPRECT rc, UINT format) { return DrawText((LPCTSTR)s, s.GetLength(), rc, format); }
  virtual int DrawTextEx(LPTSTR text, int count, LPRECT rc, UINT format, LPDRAWTEXTPARAMS params);
  int DrawTextEx(const CString& s, LPRECT rc, UINT format, LPDRAWTEXTPARAMS params);
  virtual BOOL GrayString(CBrush* brush, BOOL(CALLBACK* output)(HDC, LPARAM, int), LPARAM data, int count,
                          int x, int y, int w, int h);
  CSize GetTextExtent(LPCTSTR text, int count) const;
  CSize GetTextExtent(const CString& s) const { return GetTextExtent((LPCTSTR)s, s.GetLength()); }
  CSize GetOutputTextExtent(LPCTSTR text, int count) const;
  CSize GetOutputTextExtent(const CString& s) const { return GetOutputTextExtent((LPCTSTR)s, s.GetLength()); }
  CSize GetTabbedTextExtent(LPCTSTR text, int count, int tabs, LPINT tabStops) const;
  CSize GetTabbedTextExtent(const CString& s, int tabs, LPINT tabStops) const {
    return GetTabbedTextExtent((LPCTSTR)s, s.GetLength(), tabs, tabStops);
  }
  BOOL GetTextMetrics(LPTEXTMETRIC tm) const { return ::GetTextMetricsW(m_hAttribDC, tm); }
  BOOL GetOutputTextMetrics(LPTEXTMETRIC tm) const { return ::GetTextMetricsW(m_hDC, tm); }
  int GetTextFace(CString& face) const;
  BOOL GetCharWidth(UINT first, UINT last, LPINT buffer) const { return ::GetCharWidthW(m_hAttribDC, first, last, buffer); }
  virtual int Escape(int escape, int count, LPCSTR input, LPVOID output);

  // --- paths
  BOOL BeginPath() { return ::BeginPath(m_hDC); }
  BOOL EndPath() { return ::EndPath(m_hDC); }
  BOOL AbortPath() { return ::AbortPath(m_hDC); }
  BOOL FillPath() { return ::FillPath(m_hDC); }
  BOOL StrokePath() { return ::StrokePath(m_hDC); }
  BOOL SelectClipPath(int mode) { return ::SelectClipPath(m_hDC, mode); }
};

// BeginPaint/EndPaint around the object's lifetime.
class CPaintDC : public CDC {
  DECLARE_DYNAMIC(CPaintDC)
 public:
  PAINTSTRUCT m_ps = {};
  HWND m_hWnd = nullptr;
  explicit CPaintDC(CWnd* wnd);
  ~CPaintDC() override;
};

// GetDC/ReleaseDC of a window's client area (the screen for a null window).
class CClientDC : public CDC {
  DECLARE_DYNAMIC(CClientDC)
 public:
  HWND m_hWnd = nullptr;
  explicit CClientDC(CWnd* wnd);
  ~CClientDC() override;
};

// GetWindowDC/ReleaseDC: the whole window including the non-client area (the screen for null).
class CWindowDC : public CDC {
  DECLARE_DYNAMIC(CWindowDC)
 public:
  HWND m_hWnd = nullptr;
  explicit CWindowDC(CWnd* wnd);
  ~CWindowDC() override;
};

// An image list of comctl32. The object owns its list unless attached from FromHandle.
class CImageList : public CObject {
  DECLARE_DYNCREATE(CImageList)
 public:
  HIMAGELIST m_hImageList = nullptr;

  CImageList() {}
  ~CImageList() override;
  operator HIMAGELIST() const { return m_hImageList; }
  HIMAGELIST GetSafeHandle() const { return FxIsNullObject(this) ? nullptr : m_hImageList; }
  static CImageList* PASCAL FromHandle(HIMAGELIST h);
  static void PASCAL DeleteTempMap();

  BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
  // From a bitmap resource (found through the resource list), split into images `cx` wide;
  // pixels of `mask` become transparent (CLR_NONE: no mask).
  BOOL Create(UINT bitmapId, int cx, int grow, COLORREF mask);
  BOOL Create(LPCTSTR bitmapName, int cx, int grow, COLORREF mask);
  BOOL Attach(HIMAGELIST h);
  HIMAGELIST Detach();
  BOOL DeleteImageList();

  int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
  BOOL SetImageCount(UINT count) { return ImageList_SetImageCount(m_hImageList, count); }
  BOOL GetImageInfo(int image, IMAGEINFO* info) const { return ImageList_GetImageInfo(m_hImageList, image, info); }
  BOOL GetIconSize(int* cx, int* cy) const { return ImageList_GetIconSize(m_hImageList, cx, cy); }
  COLORREF SetBkColor(COLORREF c) { return ImageList_SetBkColor(m_hImageList, c); }
  COLORREF GetBkColor() const { return ImageList_GetBkColor(m_hImageList); }

  // Each returns the index of the first new image, or -1.
  int Add(CBitmap* bitmap, CBitmap* mask);
  int Add(CBitmap* bitmap, COLORREF mask);
  int Add(HICON icon) { return ImageList_ReplaceIcon(m_hImageList, -1, icon); }
  BOOL Replace(int image, CBitmap* bitmap, CBitmap* mask);
  int Replace(int image, HICON icon) { return ImageList_ReplaceIcon(m_hImageList, image, icon); }
  BOOL Remove(int image) { return ImageList_Remove(m_hImageList, image); }
  BOOL Copy(int dst, int src, UINT flags = ILCF_MOVE) { return ImageList_Copy(m_hImageList, dst, m_hImageList, src, flags); }
  HICON ExtractIcon(int image) { return ImageList_ExtractIcon(nullptr, m_hImageList, image); }
  BOOL SetOverlayImage(int image, int overlay) { return ImageList_SetOverlayImage(m_hImageList, image, overlay); }

  BOOL Draw(CDC* dc, int image, POINT p, UINT style);
  BOOL DrawEx(CDC* dc, int image, POINT p, SIZE s, COLORREF bk, COLORREF fg, UINT style);
  BOOL DrawIndirect(IMAGELISTDRAWPARAMS* params) { return ImageList_DrawIndirect(params); }

  BOOL BeginDrag(int image, CPoint hotSpot) { return ImageList_BeginDrag(m_hImageList, image, hotSpot.x, hotSpot.y); }
  static void PASCAL EndDrag() { ImageList_EndDrag(); }
  static BOOL PASCAL DragMove(CPoint p) { return ImageList_DragMove(p.x, p.y); }
  static BOOL PASCAL DragEnter(HWND lock, CPoint p) { return ImageList_DragEnter(lock, p.x, p.y); }
  static BOOL PASCAL DragLeave(HWND lock) { return ImageList_DragLeave(lock); }
  static BOOL PASCAL DragShowNolock(BOOL show) { return ImageList_DragShowNolock(show); }
};
