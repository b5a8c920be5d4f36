// CDC: the device-context wrapper with separate output and attribute handles.
#include "FxGdi.h"
#include "GdiHandleMap.h"
#include <vector>

namespace {

FxHandleMap<CDC, HDC>& DCMap() {
  static FxHandleMap<CDC, HDC> map;
  return map;
}

}  // namespace

IMPLEMENT_DYNCREATE(CDC, CObject)

CDC::~CDC() {
  if (m_hDC) ::DeleteDC(Detach());
}

CDC* PASCAL CDC::FromHandle(HDC h) {
  return DCMap().FromHandle(h, [](HDC dc) {
    CDC* obj = new CDC;
    obj->m_hDC = obj->m_hAttribDC = dc;
    return obj;
  });
}

void PASCAL CDC::DeleteTempMap() {
  DCMap().DeleteTemporaries([](CDC* dc) { dc->m_hDC = dc->m_hAttribDC = nullptr; });
}

BOOL CDC::Attach(HDC h) {
  ASSERT(m_hDC == nullptr);
  if (!h || m_hDC) return FALSE;
  m_hDC = m_hAttribDC = h;
  DCMap().SetPermanent(h, this);
  ++g_fxGdiLive;
  return TRUE;
}

HDC CDC::Detach() {
  HDC h = m_hDC;
  if (h) {
    DCMap().RemovePermanent(h, this);
    --g_fxGdiLive;
  }
  m_hDC = m_hAttribDC = nullptr;
  return h;
}

// A DC this object made but cannot keep (it holds one already) is deleted again.
static BOOL AttachOrDelete(CDC* obj, HDC h) {
  if (!h) return FALSE;
  if (obj->Attach(h)) return TRUE;
  ::DeleteDC(h);
  return FALSE;
}

BOOL CDC::CreateDC(LPCTSTR driver, LPCTSTR device, LPCTSTR output, const DEVMODE* init) {
  return AttachOrDelete(this, ::CreateDCW(driver, device, output, init));
}

BOOL CDC::CreateIC(LPCTSTR driver, LPCTSTR device, LPCTSTR output, const DEVMODE* init) {
  return AttachOrDelete(this, ::CreateICW(driver, device, output, init));
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
  if (m_hDC) return FALSE;
  return AttachOrDelete(this, ::CreateCompatibleDC(dc ? dc->m_hDC : nullptr));
}

BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  return ::DeleteDC(Detach());
}

// Both handles receive every state change; the output handle answers when there is no
// attribute handle.
int CDC::SaveDC() {
  int saved = 0;
  if (m_hAttribDC) saved = ::SaveDC(m_hAttribDC);
  if (m_hDC && m_hDC != m_hAttribDC) {
    int out = ::SaveDC(m_hDC);
    if (!m_hAttribDC) saved = out;
  }
  return saved;
}

BOOL CDC::RestoreDC(int saved) {
  BOOL ok = TRUE;
  if (m_hDC && m_hDC != m_hAttribDC) ok = ::RestoreDC(m_hDC, saved);
  if (m_hAttribDC) ok = ::RestoreDC(m_hAttribDC, saved) && ok;
  return ok;
}

HGDIOBJ CDC::SelectObject(HGDIOBJ h) {
  if (!h) return nullptr;
  HGDIOBJ old = nullptr;
  if (m_hDC && m_hDC != m_hAttribDC) old = ::SelectObject(m_hDC, h);
  if (m_hAttribDC) old = ::SelectObject(m_hAttribDC, h);
  return old;
}

CGdiObject* CDC::SelectStockObject(int index) {
  return CGdiObject::FromHandle(SelectObject(::GetStockObject(index)));
}

CPen* CDC::SelectObject(CPen* pen) {
  HGDIOBJ h = pen->GetSafeHandle();
  return h ? CPen::FromHandle((HPEN)SelectObject(h)) : nullptr;
}

CBrush* CDC::SelectObject(CBrush* brush) {
  HGDIOBJ h = brush->GetSafeHandle();
  return h ? CBrush::FromHandle((HBRUSH)SelectObject(h)) : nullptr;
}

CFont* CDC::SelectObject(CFont* font) {
  HGDIOBJ h = font->GetSafeHandle();
  return h ? CFont::FromHandle((HFONT)SelectObject(h)) : nullptr;
}

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
  HGDIOBJ h = bitmap->GetSafeHandle();
  return h ? CBitmap::FromHandle((HBITMAP)SelectObject(h)) : nullptr;
}

int CDC::SelectObject(CRgn* rgn) {
  HGDIOBJ h = rgn->GetSafeHandle();
  if (!h) return ERROR;
  int result = ERROR;
  if (m_hDC && m_hDC != m_hAttribDC) result = (int)(INT_PTR)::SelectObject(m_hDC, h);
  if (m_hAttribDC) result = (int)(INT_PTR)::SelectObject(m_hAttribDC, h);
  return result;
}

CGdiObject* CDC::SelectObject(CGdiObject* obj) {
  HGDIOBJ h = obj->GetSafeHandle();
  return h ? CGdiObject::FromHandle(SelectObject(h)) : nullptr;
}

CPalette* CDC::SelectPalette(CPalette* pal, BOOL forceBackground) {
  HPALETTE h = (HPALETTE)pal->GetSafeHandle();
  return CPalette::FromHandle(::SelectPalette(m_hDC, h, forceBackground));
}

// Setters apply to both handles and answer with the attribute handle's former value.
namespace {
template <class Call>
auto SetBoth(HDC out, HDC attr, Call call) -> decltype(call(out)) {
  decltype(call(out)) old{};
  if (out && out != attr) old = call(out);
  if (attr) old = call(attr);
  return old;
}
}  // namespace
#define FX_SET_BOTH(body) return SetBoth(m_hDC, m_hAttribDC, [&](HDC h) { return body; })

COLORREF CDC::SetBkColor(COLORREF c) { FX_SET_BOTH(::SetBkColor(h, c)); }
int CDC::SetBkMode(int mode) { FX_SET_BOTH(::SetBkMode(h, mode)); }
COLORREF CDC::SetTextColor(COLORREF c) { FX_SET_BOTH(::SetTextColor(h, c)); }
int CDC::SetROP2(int mode) { FX_SET_BOTH(::SetROP2(h, mode)); }
int CDC::SetStretchBltMode(int mode) { FX_SET_BOTH(::SetStretchBltMode(h, mode)); }
int CDC::SetPolyFillMode(int mode) { FX_SET_BOTH(::SetPolyFillMode(h, mode)); }
UINT CDC::SetTextAlign(UINT flags) { FX_SET_BOTH(::SetTextAlign(h, flags)); }
int CDC::SetTextCharacterExtra(int extra) { FX_SET_BOTH(::SetTextCharacterExtra(h, extra)); }
int CDC::SetMapMode(int mode) { FX_SET_BOTH(::SetMapMode(h, mode)); }

int CDC::SelectClipRgn(CRgn* rgn) { FX_SET_BOTH(::SelectClipRgn(h, (HRGN)rgn->GetSafeHandle())); }
int CDC::SelectClipRgn(CRgn* rgn, int mode) {
  FX_SET_BOTH(::ExtSelectClipRgn(h, (HRGN)rgn->GetSafeHandle(), mode));
}
int CDC::ExcludeClipRect(int l, int t, int r, int b) { FX_SET_BOTH(::ExcludeClipRect(h, l, t, r, b)); }
int CDC::IntersectClipRect(int l, int t, int r, int b) { FX_SET_BOTH(::IntersectClipRect(h, l, t, r, b)); }
int CDC::OffsetClipRgn(int x, int y) { FX_SET_BOTH(::OffsetClipRgn(h, x, y)); }

#undef FX_SET_BOTH

// Point and size setters: the same rule through the *Ex calls.
namespace {
template <class Call>
POINT SetPointBoth(HDC out, HDC attr, Call call) {
  POINT p = {0, 0};
  if (out && out != attr) call(out, &p);
  if (attr) call(attr, &p);
  return p;
}
template <class Call>
SIZE SetSizeBoth(HDC out, HDC attr, Call call) {
  SIZE s = {0, 0};
  if (out && out != attr) call(out, &s);
  if (attr) call(attr, &s);
  return s;
}
}  // namespace

CPoint CDC::SetBrushOrg(int x, int y) {
  return SetPointBoth(m_hDC, m_hAttribDC, [&](HDC h, POINT* p) { ::SetBrushOrgEx(h, x, y, p); });
}
CPoint CDC::GetBrushOrg() const {
  POINT p = {0, 0};
  ::GetBrushOrgEx(m_hDC, &p);
  return p;
}
CPoint CDC::GetViewportOrg() const {
  POINT p = {0, 0};
  ::GetViewportOrgEx(m_hAttribDC, &p);
  return p;
}
CPoint CDC::SetViewportOrg(int x, int y) {
  return SetPointBoth(m_hDC, m_hAttribDC, [&](HDC h, POINT* p) { ::SetViewportOrgEx(h, x, y, p); });
}
CPoint CDC::OffsetViewportOrg(int dx, int dy) {
  return SetPointBoth(m_hDC, m_hAttribDC, [&](HDC h, POINT* p) { ::OffsetViewportOrgEx(h, dx, dy, p); });
}
CPoint CDC::GetWindowOrg() const {
  POINT p = {0, 0};
  ::GetWindowOrgEx(m_hAttribDC, &p);
  return p;
}
CPoint CDC::SetWindowOrg(int x, int y) {
  return SetPointBoth(m_hDC, m_hAttribDC, [&](HDC h, POINT* p) { ::SetWindowOrgEx(h, x, y, p); });
}
CPoint CDC::OffsetWindowOrg(int dx, int dy) {
  return SetPointBoth(m_hDC, m_hAttribDC, [&](HDC h, POINT* p) { ::OffsetWindowOrgEx(h, dx, dy, p); });
}
CSize CDC::GetViewportExt() const {
  SIZE s = {0, 0};
  ::GetViewportExtEx(m_hAttribDC, &s);
  return s;
}
CSize CDC::SetViewportExt(int cx, int cy) {
  return SetSizeBoth(m_hDC, m_hAttribDC, [&](HDC h, SIZE* s) { ::SetViewportExtEx(h, cx, cy, s); });
}
CSize CDC::GetWindowExt() const {
  SIZE s = {0, 0};
  ::GetWindowExtEx(m_hAttribDC, &s);
  return s;
}
CSize CDC::SetWindowExt(int cx, int cy) {
  return SetSizeBoth(m_hDC, m_hAttribDC, [&](HDC h, SIZE* s) { ::SetWindowExtEx(h, cx, cy, s); });
}

CPoint CDC::GetCurrentPosition() const {
  POINT p = {0, 0};
  ::GetCurrentPositionEx(m_hAttribDC, &p);
  return p;
}

CPoint CDC::MoveTo(int x, int y) {
  return SetPointBoth(m_hDC, m_hAttribDC, [&](HDC h, POINT* p) { ::MoveToEx(h, x, y, p); });
}

BOOL CDC::LineTo(int x, int y) {
  // The attribute handle follows the pen position so GetCurrentPosition stays right.
  if (m_hAttribDC && m_hAttribDC != m_hDC) ::MoveToEx(m_hAttribDC, x, y, nullptr);
  return ::LineTo(m_hDC, x, y);
}

void CDC::FillSolidRect(LPCRECT rc, COLORREF color) {
  ::SetBkColor(m_hDC, color);
  ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, rc, nullptr, 0, nullptr);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color) {
  RECT rc = {x, y, x + cx, y + cy};
  FillSolidRect(&rc, color);
}

void CDC::Draw3dRect(LPCRECT rc, COLORREF topLeft, COLORREF bottomRight) {
  Draw3dRect(rc->left, rc->top, rc->right - rc->left, rc->bottom - rc->top, topLeft, bottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight) {
  FillSolidRect(x, y, cx - 1, 1, topLeft);
  FillSolidRect(x, y, 1, cy - 1, topLeft);
  FillSolidRect(x + cx - 1, y, 1, cy, bottomRight);
  FillSolidRect(x, y + cy - 1, cx, 1, bottomRight);
}

BOOL CDC::MaskBlt(int x, int y, int w, int h, CDC* src, int xs, int ys, CBitmap& mask, int xm, int ym, DWORD rop) {
  return ::MaskBlt(m_hDC, x, y, w, h, src->GetSafeHdc(), xs, ys, (HBITMAP)mask.GetSafeHandle(), xm, ym, rop);
}

BOOL CDC::TextOut(int x, int y, LPCTSTR text, int count) { return ::TextOutW(m_hDC, x, y, text, count); }

BOOL CDC::ExtTextOut(int x, int y, UINT options, LPCRECT rc, LPCTSTR text, UINT count, LPINT dx) {
  return ::ExtTextOutW(m_hDC, x, y, options, rc, text, count, dx);
}

CSize CDC::TabbedTextOut(int x, int y, LPCTSTR text, int count, int tabs, LPINT tabStops, int tabOrigin) {
  LONG r = ::TabbedTextOutW(m_hDC, x, y, text, count, tabs, tabStops, tabOrigin);
  return CSize(LOWORD(r), HIWORD(r));
}

int CDC::DrawText(LPCTSTR text, int count, LPRECT rc, UINT format) {
  return ::DrawTextW(m_hDC, text, count, rc, format);
}

int CDC::DrawTextEx(LPTSTR text, int count, LPRECT rc, UINT format, LPDRAWTEXTPARAMS params) {
  return ::DrawTextExW(m_hDC, text, count, rc, format, params);
}

int CDC::DrawTextEx(const CString& s, LPRECT rc, UINT format, LPDRAWTEXTPARAMS params) {
  // The system call may write an ellipsis into the text (DT_MODIFYSTRING), so it gets a copy
  // with room for it.
  std::vector<wchar_t> buffer((size_t)s.GetLength() + 5, L'\0');
  memcpy(buffer.data(), (LPCTSTR)s, sizeof(wchar_t) * s.GetLength());
  return DrawTextEx(buffer.data(), s.GetLength(), rc, format, params);
}

BOOL CDC::GrayString(CBrush* brush, BOOL(CALLBACK* output)(HDC, LPARAM, int), LPARAM data, int count, int x,
                     int y, int w, int h) {
  return ::GrayStringW(m_hDC, (HBRUSH)brush->GetSafeHandle(), output, data, count, x, y, w, h);
}

CSize CDC::GetTextExtent(LPCTSTR text, int count) const {
  SIZE s = {0, 0};
  ::GetTextExtentPoint32W(m_hAttribDC, text, count, &s);
  return s;
}

CSize CDC::GetOutputTextExtent(LPCTSTR text, int count) const {
  SIZE s = {0, 0};
  ::GetTextExtentPoint32W(m_hDC, text, count, &s);
  return s;
}

CSize CDC::GetTabbedTextExtent(LPCTSTR text, int count, int tabs, LPINT tabStops) const {
  DWORD r = ::GetTabbedTextExtentW(m_hAttribDC, text, count, tabs, tabStops);
  return CSize(LOWORD(r), HIWORD(r));
}

int CDC::GetTextFace(CString& face) const {
  wchar_t buffer[LF_FACESIZE] = {};
  int n = ::GetTextFaceW(m_hAttribDC, LF_FACESIZE, buffer);
  face = buffer;
  return n;
}

int CDC::Escape(int escape, int count, LPCSTR input, LPVOID output) {
  return ::Escape(m_hDC, escape, count, input, output);
}

IMPLEMENT_DYNAMIC(CPaintDC, CDC)
IMPLEMENT_DYNAMIC(CClientDC, CDC)
IMPLEMENT_DYNAMIC(CWindowDC, CDC)

CPaintDC::~CPaintDC() {
  Detach();
  if (m_hWnd) ::EndPaint(m_hWnd, &m_ps);
}

CClientDC::~CClientDC() {
  HDC h = Detach();
  if (h) ::ReleaseDC(m_hWnd, h);
}

CWindowDC::~CWindowDC() {
  HDC h = Detach();
  if (h) ::ReleaseDC(m_hWnd, h);
}
