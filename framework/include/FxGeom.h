// CPoint, CSize and CRect: the Win32 POINT, SIZE and RECT with arithmetic. Header-only.
#pragma once
#include "FxBase.h"
#include <utility>

class CSize;
class CRect;

class CPoint : public POINT {
 public:
  CPoint() { x = 0; y = 0; }
  CPoint(int cx, int cy) { x = cx; y = cy; }
  CPoint(POINT p) { x = p.x; y = p.y; }
  CPoint(SIZE s) { x = s.cx; y = s.cy; }
  explicit CPoint(LPARAM lParam) { x = (short)LOWORD(lParam); y = (short)HIWORD(lParam); }
  void Offset(int dx, int dy) { x += dx; y += dy; }
  void Offset(POINT p) { Offset(p.x, p.y); }
  void Offset(SIZE s) { Offset(s.cx, s.cy); }
  void SetPoint(int cx, int cy) { x = cx; y = cy; }
  bool operator==(POINT p) const { return x == p.x && y == p.y; }
  bool operator!=(POINT p) const { return !(*this == p); }
  CPoint& operator+=(SIZE s) { Offset(s); return *this; }
  CPoint& operator-=(SIZE s) { Offset(-s.cx, -s.cy); return *this; }
  CPoint& operator+=(POINT p) { Offset(p); return *this; }
  CPoint& operator-=(POINT p) { Offset(-p.x, -p.y); return *this; }
  CPoint operator+(SIZE s) const { return CPoint(x + s.cx, y + s.cy); }
  CPoint operator-(SIZE s) const { return CPoint(x - s.cx, y - s.cy); }
  CPoint operator+(POINT p) const { return CPoint(x + p.x, y + p.y); }
  inline CSize operator-(POINT p) const;
  CPoint operator-() const { return CPoint(-x, -y); }
  inline CRect operator+(const RECT* r) const;
  inline CRect operator-(const RECT* r) const;
};

class CSize : public SIZE {
 public:
  CSize() { cx = 0; cy = 0; }
  CSize(int w, int h) { cx = w; cy = h; }
  CSize(SIZE s) { cx = s.cx; cy = s.cy; }
  CSize(POINT p) { cx = p.x; cy = p.y; }
  bool operator==(SIZE s) const { return cx == s.cx && cy == s.cy; }
  bool operator!=(SIZE s) const { return !(*this == s); }
  CSize& operator+=(SIZE s) { cx += s.cx; cy += s.cy; return *this; }
  CSize& operator-=(SIZE s) { cx -= s.cx; cy -= s.cy; return *this; }
  void SetSize(int w, int h) { cx = w; cy = h; }
  CSize operator+(SIZE s) const { return CSize(cx + s.cx, cy + s.cy); }
  CSize operator-(SIZE s) const { return CSize(cx - s.cx, cy - s.cy); }
  CSize operator-() const { return CSize(-cx, -cy); }
  CPoint operator+(POINT p) const { return CPoint(cx + p.x, cy + p.y); }
  CPoint operator-(POINT p) const { return CPoint(cx - p.x, cy - p.y); }
};

inline CSize CPoint::operator-(POINT p) const { return CSize(x - p.x, y - p.y); }

class CRect : public RECT {
 public:
  CRect() { left = top = right = bottom = 0; }
  CRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
  CRect(const RECT& r) { CopyRect(&r); }
  CRect(const RECT* r) { CopyRect(r); }
  CRect(POINT p, SIZE s) { left = p.x; top = p.y; right = p.x + s.cx; bottom = p.y + s.cy; }
  CRect(POINT topLeft, POINT bottomRight) { left = topLeft.x; top = topLeft.y; right = bottomRight.x; bottom = bottomRight.y; }

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  CSize Size() const { return CSize(Width(), Height()); }
  CPoint& TopLeft() { return *reinterpret_cast<CPoint*>(&left); }
  CPoint& BottomRight() { return *reinterpret_cast<CPoint*>(&right); }
  const CPoint& TopLeft() const { return *reinterpret_cast<const CPoint*>(&left); }
  const CPoint& BottomRight() const { return *reinterpret_cast<const CPoint*>(&right); }
  CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
  operator LPRECT() { return this; }
  operator LPCRECT() const { return this; }

  BOOL IsRectEmpty() const { return ::IsRectEmpty(this); }
  BOOL IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  BOOL PtInRect(POINT p) const { return ::PtInRect(this, p); }
  void SetRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
  void SetRect(POINT topLeft, POINT bottomRight) { SetRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y); }
  void SetRectEmpty() { SetRect(0, 0, 0, 0); }
  void CopyRect(const RECT* r) { if (r) { left = r->left; top = r->top; right = r->right; bottom = r->bottom; } else SetRectEmpty(); }
  BOOL EqualRect(const RECT* r) const { return r && left == r->left && top == r->top && right == r->right && bottom == r->bottom; }

  void InflateRect(int x, int y) { left -= x; top -= y; right += x; bottom += y; }
  void InflateRect(SIZE s) { InflateRect(s.cx, s.cy); }
  void InflateRect(int l, int t, int r, int b) { left -= l; top -= t; right += r; bottom += b; }
  void InflateRect(const RECT* r) { InflateRect(r->left, r->top, r->right, r->bottom); }
  void DeflateRect(int x, int y) { InflateRect(-x, -y); }
  void DeflateRect(SIZE s) { InflateRect(-s.cx, -s.cy); }
  void DeflateRect(int l, int t, int r, int b) { InflateRect(-l, -t, -r, -b); }
  void DeflateRect(const RECT* r) { DeflateRect(r->left, r->top, r->right, r->bottom); }
  void OffsetRect(int x, int y) { left += x; right += x; top += y; bottom += y; }
  void OffsetRect(POINT p) { OffsetRect(p.x, p.y); }
  void OffsetRect(SIZE s) { OffsetRect(s.cx, s.cy); }
  void MoveToX(int x) { right += x - left; left = x; }
  void MoveToY(int y) { bottom += y - top; top = y; }
  void MoveToXY(int x, int y) { MoveToX(x); MoveToY(y); }
  void MoveToXY(POINT p) { MoveToXY(p.x, p.y); }
  void NormalizeRect() {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
  }
  BOOL IntersectRect(const RECT* a, const RECT* b) { return ::IntersectRect(this, a, b); }
  BOOL UnionRect(const RECT* a, const RECT* b) { return ::UnionRect(this, a, b); }
  BOOL SubtractRect(const RECT* a, const RECT* b) { return ::SubtractRect(this, a, b); }

  CRect& operator=(const RECT& r) { CopyRect(&r); return *this; }
  bool operator==(const RECT& r) const { return EqualRect(&r) != FALSE; }
  bool operator!=(const RECT& r) const { return !(*this == r); }
  CRect& operator+=(POINT p) { OffsetRect(p); return *this; }
  CRect& operator+=(SIZE s) { OffsetRect(s); return *this; }
  CRect& operator+=(const RECT* r) { InflateRect(r); return *this; }
  CRect& operator-=(POINT p) { OffsetRect(-p.x, -p.y); return *this; }
  CRect& operator-=(SIZE s) { OffsetRect(-s.cx, -s.cy); return *this; }
  CRect& operator-=(const RECT* r) { DeflateRect(r); return *this; }
  CRect& operator&=(const RECT& r) { ::IntersectRect(this, this, &r); return *this; }
  CRect& operator|=(const RECT& r) { ::UnionRect(this, this, &r); return *this; }
  CRect operator+(POINT p) const { CRect r(*this); r.OffsetRect(p); return r; }
  CRect operator-(POINT p) const { CRect r(*this); r.OffsetRect(-p.x, -p.y); return r; }
  CRect operator+(SIZE s) const { CRect r(*this); r.OffsetRect(s); return r; }
  CRect operator-(SIZE s) const { CRect r(*this); r.OffsetRect(-s.cx, -s.cy); return r; }
  CRect operator+(const RECT* o) const { CRect r(*this); r.InflateRect(o); return r; }
  CRect operator-(const RECT* o) const { CRect r(*this); r.DeflateRect(o); return r; }
  CRect operator&(const RECT& o) const { CRect r; ::IntersectRect(&r, this, &o); return r; }
  CRect operator|(const RECT& o) const { CRect r; ::UnionRect(&r, this, &o); return r; }
};

inline CRect CPoint::operator+(const RECT* r) const { CRect o(r); o.OffsetRect(x, y); return o; }
inline CRect CPoint::operator-(const RECT* r) const { CRect o(r); o.OffsetRect(-x, -y); return o; }
