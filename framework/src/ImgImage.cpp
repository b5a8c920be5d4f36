// CImage over a DIB section and GDI+'s flat API.
#include "AtlImage.h"
#include <gdiplus.h>
#include <cstring>
#include <cwchar>
#include <vector>

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

const GUID kImageFormatBMP = {0xb96b3cab, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
const GUID kImageFormatEMF = {0xb96b3cac, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
const GUID kImageFormatWMF = {0xb96b3cad, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
const GUID kImageFormatJPEG = {0xb96b3cae, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
const GUID kImageFormatPNG = {0xb96b3caf, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
const GUID kImageFormatGIF = {0xb96b3cb0, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
const GUID kImageFormatTIFF = {0xb96b3cb1, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

namespace {

HRESULT FromStatus(GpStatus s) {
  switch (s) {
    case Ok: return S_OK;
    case InvalidParameter: return E_INVALIDARG;
    case OutOfMemory: return E_OUTOFMEMORY;
    case FileNotFound: return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    case AccessDenied: return E_ACCESSDENIED;
    case UnknownImageFormat: return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    case NotImplemented: return E_NOTIMPL;
    case Win32Error: return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : ERROR_GEN_FAILURE);
    default: return E_FAIL;
  }
}

bool EncoderFor(const GUID& format, CLSID* clsid) {
  UINT count = 0, size = 0;
  if (GdipGetImageEncodersSize(&count, &size) != Ok || !size) return false;
  std::vector<BYTE> buf(size);
  ImageCodecInfo* codecs = reinterpret_cast<ImageCodecInfo*>(buf.data());
  if (GdipGetImageEncoders(count, size, codecs) != Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (codecs[i].FormatID == format) {
      *clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

struct GpImageHolder {
  GpImage* p = nullptr;
  ~GpImageHolder() {
    if (p) GdipDisposeImage(p);
  }
};

}  // namespace

bool CImage::InitGdiPlus() {
  static const bool started = [] {
    ULONG_PTR token = 0;
    GdiplusStartupInput input;
    input.GdiplusVersion = 1;
    input.DebugEventCallback = nullptr;
    input.SuppressBackgroundThread = FALSE;
    input.SuppressExternalCodecs = FALSE;
    return GdiplusStartup(&token, &input, nullptr) == Ok;
  }();
  return started;
}

GUID CImage::FileTypeFromPath(LPCWSTR path) {
  static const struct {
    LPCWSTR ext;
    const GUID* format;
  } types[] = {
      {L".bmp", &kImageFormatBMP}, {L".dib", &kImageFormatBMP}, {L".png", &kImageFormatPNG},
      {L".jpg", &kImageFormatJPEG}, {L".jpeg", &kImageFormatJPEG}, {L".jpe", &kImageFormatJPEG},
      {L".gif", &kImageFormatGIF}, {L".tif", &kImageFormatTIFF}, {L".tiff", &kImageFormatTIFF},
      {L".emf", &kImageFormatEMF}, {L".wmf", &kImageFormatWMF},
  };
  LPCWSTR dot = path ? wcsrchr(path, L'.') : nullptr;
  if (dot && !wcspbrk(dot, L"\\/")) {
    for (const auto& t : types)
      if (_wcsicmp(dot, t.ext) == 0) return *t.format;
  }
  return GUID_NULL;
}

BOOL CImage::Create(int width, int height, int bpp, DWORD flags) {
  Destroy();
  if (width <= 0 || height == 0) return FALSE;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return FALSE;
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD colors[256];
  } info = {};
  info.h.biSize = sizeof info.h;
  info.h.biWidth = width;
  info.h.biHeight = height;
  info.h.biPlanes = 1;
  info.h.biBitCount = (WORD)bpp;
  info.h.biCompression = BI_RGB;
  if (bpp <= 8) {
    int n = 1 << bpp;
    info.h.biClrUsed = (DWORD)n;
    for (int i = 0; i < n; ++i) {
      BYTE v = (BYTE)(i * 255 / (n - 1));
      info.colors[i] = {v, v, v, 0};
    }
  }
  void* bits = nullptr;
  m_bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!m_bitmap || !ReadDib()) {
    Destroy();
    return FALSE;
  }
  m_hasAlpha = (flags & createAlphaChannel) && bpp == 32;
  return TRUE;
}

bool CImage::ReadDib() {
  DIBSECTION ds = {};
  if (GetObjectW(m_bitmap, sizeof ds, &ds) != sizeof ds || !ds.dsBm.bmBits) return false;
  m_width = ds.dsBm.bmWidth;
  m_height = ds.dsBm.bmHeight;
  m_bpp = ds.dsBm.bmBitsPixel;
  int stride = ((m_width * m_bpp + 31) / 32) * 4;
  BYTE* base = static_cast<BYTE*>(ds.dsBm.bmBits);
  if (ds.dsBmih.biHeight > 0) {  // bottom-up: row 0 is the last in memory
    m_bits = base + (size_t)(m_height - 1) * stride;
    m_pitch = -stride;
  } else {
    m_bits = base;
    m_pitch = stride;
  }
  return true;
}

void CImage::Destroy() {
  while (m_dcCount > 0) ReleaseDC();
  if (m_bitmap) DeleteObject(m_bitmap);
  m_bitmap = nullptr;
  m_bits = nullptr;
  m_width = m_height = m_bpp = m_pitch = 0;
  m_hasAlpha = false;
}

void CImage::Attach(HBITMAP bitmap) {
  Destroy();
  m_bitmap = bitmap;
  if (m_bitmap && !ReadDib()) {
    // not a DIB section: keep the handle, but there are no bits to reach
    BITMAP bm = {};
    GetObjectW(m_bitmap, sizeof bm, &bm);
    m_width = bm.bmWidth;
    m_height = bm.bmHeight;
    m_bpp = bm.bmBitsPixel;
  }
}

HBITMAP CImage::Detach() {
  while (m_dcCount > 0) ReleaseDC();
  HBITMAP b = m_bitmap;
  m_bitmap = nullptr;
  Destroy();
  return b;
}

void* CImage::GetPixelAddress(int x, int y) {
  if (!m_bits || x < 0 || y < 0 || x >= m_width || y >= m_height) return nullptr;
  return static_cast<BYTE*>(m_bits) + (ptrdiff_t)y * m_pitch + (ptrdiff_t)x * m_bpp / 8;
}

COLORREF CImage::GetPixel(int x, int y) const {
  const BYTE* p = static_cast<const BYTE*>(const_cast<CImage*>(this)->GetPixelAddress(x, y));
  if (!p) return CLR_INVALID;
  if (m_bpp == 24 || m_bpp == 32) return RGB(p[2], p[1], p[0]);
  if (m_bpp == 16) {
    WORD v = (WORD)(p[0] | (p[1] << 8));
    return RGB(((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31, (v & 31) * 255 / 31);
  }
  COLORREF c = ::GetPixel(GetDC(), x, y);
  ReleaseDC();
  return c;
}

void CImage::SetPixel(int x, int y, COLORREF color) {
  BYTE* p = static_cast<BYTE*>(GetPixelAddress(x, y));
  if (!p) return;
  if (m_bpp == 24 || m_bpp == 32) {
    p[0] = GetBValue(color);
    p[1] = GetGValue(color);
    p[2] = GetRValue(color);
  } else if (m_bpp == 16) {
    WORD v = (WORD)(((GetRValue(color) >> 3) << 10) | ((GetGValue(color) >> 3) << 5) | (GetBValue(color) >> 3));
    p[0] = (BYTE)v;
    p[1] = (BYTE)(v >> 8);
  } else {
    ::SetPixel(GetDC(), x, y, color);
    ReleaseDC();
  }
}

void CImage::GetColorTable(UINT first, UINT count, RGBQUAD* colors) const {
  if (!IsIndexed() || !colors) return;
  ::GetDIBColorTable(GetDC(), first, count, colors);
  ReleaseDC();
}

void CImage::SetColorTable(UINT first, UINT count, const RGBQUAD* colors) {
  if (!IsIndexed() || !colors) return;
  ::SetDIBColorTable(GetDC(), first, count, colors);
  ReleaseDC();
}

BYTE CImage::GetAlpha(int x, int y) const {
  const BYTE* p = static_cast<const BYTE*>(const_cast<CImage*>(this)->GetPixelAddress(x, y));
  return (p && m_bpp == 32 && m_hasAlpha) ? p[3] : 255;
}

HDC CImage::GetDC() const {
  if (!m_bitmap) return nullptr;
  if (m_dcCount++ == 0) {
    m_dc = CreateCompatibleDC(nullptr);
    m_oldBitmap = SelectObject(m_dc, m_bitmap);
  }
  return m_dc;
}

void CImage::ReleaseDC() const {
  if (m_dcCount <= 0) return;
  if (--m_dcCount == 0) {
    SelectObject(m_dc, m_oldBitmap);
    DeleteDC(m_dc);
    m_dc = nullptr;
    m_oldBitmap = nullptr;
  }
}

// ---- loading ----

HRESULT CImage::LoadFrom(void* gdip) {
  GpImage* image = static_cast<GpImage*>(gdip);
  UINT w = 0, h = 0, flags = 0;
  PixelFormat format = 0;
  ImageType type = ImageTypeUnknown;
  GdipGetImageWidth(image, &w);
  GdipGetImageHeight(image, &h);
  GdipGetImagePixelFormat(image, &format);
  GdipGetImageFlags(image, &flags);
  GdipGetImageType(image, &type);
  if (!w || !h) return E_FAIL;
  if (type == ImageTypeMetafile) {
    // a metafile is drawn once onto white at its own size
    if (!Create((int)w, (int)h, 32)) return E_OUTOFMEMORY;
    HDC dc = GetDC();
    RECT all = {0, 0, (LONG)w, (LONG)h};
    FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    GpGraphics* g = nullptr;
    GpStatus s = GdipCreateFromHDC(dc, &g);
    if (s == Ok) {
      s = GdipDrawImageRectI(g, image, 0, 0, (INT)w, (INT)h);
      GdipDeleteGraphics(g);
    }
    ReleaseDC();
    if (s != Ok) Destroy();
    return FromStatus(s);
  }
  bool alpha = (format & (PixelFormatAlpha | PixelFormatPAlpha)) || (flags & ImageFlagsHasAlpha);
  if (!Create((int)w, (int)h, alpha ? 32 : 24, alpha ? createAlphaChannel : 0)) return E_OUTOFMEMORY;
  GpRect rect(0, 0, (INT)w, (INT)h);
  BitmapData data = {};
  GpStatus s = GdipBitmapLockBits(static_cast<GpBitmap*>(image), &rect, ImageLockModeRead,
                                  alpha ? PixelFormat32bppARGB : PixelFormat24bppRGB, &data);
  if (s != Ok) {
    Destroy();
    return FromStatus(s);
  }
  size_t rowBytes = (size_t)w * (alpha ? 4 : 3);
  for (UINT y = 0; y < h; ++y)
    memcpy(GetPixelAddress(0, (int)y), static_cast<BYTE*>(data.Scan0) + (ptrdiff_t)y * data.Stride, rowBytes);
  GdipBitmapUnlockBits(static_cast<GpBitmap*>(image), &data);
  return S_OK;
}

HRESULT CImage::Load(LPCWSTR path) {
  Destroy();
  if (!path) return E_POINTER;
  if (!InitGdiPlus()) return E_FAIL;
  GpImageHolder image;
  GpStatus s = GdipLoadImageFromFile(path, &image.p);
  return s == Ok ? LoadFrom(image.p) : FromStatus(s);
}

HRESULT CImage::Load(IStream* stream) {
  Destroy();
  if (!stream) return E_POINTER;
  if (!InitGdiPlus()) return E_FAIL;
  GpImageHolder image;
  GpStatus s = GdipLoadImageFromStream(stream, &image.p);
  return s == Ok ? LoadFrom(image.p) : FromStatus(s);
}

// ---- saving ----

namespace {

// A GDI+ bitmap holding a copy of the image's pixels.
GpStatus MakeGdipBitmap(const CImage& img, HBITMAP bitmap, GpBitmap** out) {
  int bpp = img.GetBPP();
  // device-dependent bitmaps and indexed or 16-bit DIBs: GDI+ reads them through GDI
  if (!img.IsDIBSection() || (bpp != 24 && bpp != 32)) return GdipCreateBitmapFromHBITMAP(bitmap, nullptr, out);
  PixelFormat format = bpp == 24 ? PixelFormat24bppRGB : img.HasAlphaChannel() ? PixelFormat32bppARGB : PixelFormat32bppRGB;
  GpStatus s = GdipCreateBitmapFromScan0(img.GetWidth(), img.GetHeight(), 0, format, nullptr, out);
  if (s != Ok) return s;
  GpRect rect(0, 0, img.GetWidth(), img.GetHeight());
  BitmapData data = {};
  s = GdipBitmapLockBits(*out, &rect, ImageLockModeWrite, format, &data);
  if (s == Ok) {
    size_t rowBytes = (size_t)img.GetWidth() * (bpp / 8);
    const BYTE* row0 = static_cast<const BYTE*>(img.GetBits());
    for (int y = 0; y < img.GetHeight(); ++y)
      memcpy(static_cast<BYTE*>(data.Scan0) + (ptrdiff_t)y * data.Stride, row0 + (ptrdiff_t)y * img.GetPitch(), rowBytes);
    s = GdipBitmapUnlockBits(*out, &data);
  }
  if (s != Ok) {
    GdipDisposeImage(*out);
    *out = nullptr;
  }
  return s;
}

}  // namespace

HRESULT CImage::Save(LPCWSTR path, REFGUID fileType) const {
  if (!path) return E_POINTER;
  if (!m_bitmap) return E_UNEXPECTED;
  if (!InitGdiPlus()) return E_FAIL;
  GUID format = fileType;
  if (format == GUID_NULL) format = FileTypeFromPath(path);
  CLSID encoder;
  // no encoder for the extension (none at all, or a metafile): PNG
  if (format == GUID_NULL || !EncoderFor(format, &encoder)) {
    if (fileType != GUID_NULL || !EncoderFor(kImageFormatPNG, &encoder)) return E_INVALIDARG;
  }
  GpImageHolder image;
  GpStatus s = MakeGdipBitmap(*this, m_bitmap, reinterpret_cast<GpBitmap**>(&image.p));
  if (s == Ok) s = GdipSaveImageToFile(image.p, path, &encoder, nullptr);
  return FromStatus(s);
}

HRESULT CImage::Save(IStream* stream, REFGUID fileType) const {
  if (!stream) return E_POINTER;
  if (!m_bitmap) return E_UNEXPECTED;
  if (!InitGdiPlus()) return E_FAIL;
  CLSID encoder;
  if (!EncoderFor(fileType == GUID_NULL ? kImageFormatPNG : fileType, &encoder)) return E_INVALIDARG;
  GpImageHolder image;
  GpStatus s = MakeGdipBitmap(*this, m_bitmap, reinterpret_cast<GpBitmap**>(&image.p));
  if (s == Ok) s = GdipSaveImageToStream(image.p, stream, &encoder, nullptr);
  return FromStatus(s);
}

// ---- drawing ----

BOOL CImage::Draw(HDC dc, int x, int y) const { return Draw(dc, x, y, m_width, m_height, 0, 0, m_width, m_height); }

BOOL CImage::Draw(HDC dc, const RECT& d) const {
  return Draw(dc, d.left, d.top, d.right - d.left, d.bottom - d.top, 0, 0, m_width, m_height);
}

BOOL CImage::Draw(HDC dc, const RECT& d, const RECT& s) const {
  return Draw(dc, d.left, d.top, d.right - d.left, d.bottom - d.top, s.left, s.top, s.right - s.left, s.bottom - s.top);
}

BOOL CImage::Draw(HDC dc, int xd, int yd, int wd, int hd, int xs, int ys, int ws, int hs) const {
  if (!m_bitmap || !dc) return FALSE;
  if (m_hasAlpha && m_bpp == 32 && m_bits) {
    // AlphaBlend wants premultiplied colours; the image keeps straight alpha for saving
    CImage pre;
    if (!pre.Create(m_width, -m_height, 32)) return FALSE;
    for (int y = 0; y < m_height; ++y) {
      const BYTE* s = static_cast<const BYTE*>(m_bits) + (ptrdiff_t)y * m_pitch;
      BYTE* t = static_cast<BYTE*>(pre.GetPixelAddress(0, y));
      for (int x = 0; x < m_width; ++x, s += 4, t += 4) {
        t[0] = (BYTE)((s[0] * s[3] + 127) / 255);
        t[1] = (BYTE)((s[1] * s[3] + 127) / 255);
        t[2] = (BYTE)((s[2] * s[3] + 127) / 255);
        t[3] = s[3];
      }
    }
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    BOOL ok = AlphaBlend(dc, xd, yd, wd, hd, pre.GetDC(), xs, ys, ws, hs, blend);
    pre.ReleaseDC();
    return ok;
  }
  HDC src = GetDC();
  int oldMode = 0;
  POINT oldOrg;
  bool stretch = wd != ws || hd != hs;
  if (stretch) {
    oldMode = SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, &oldOrg);
  }
  BOOL ok = ::StretchBlt(dc, xd, yd, wd, hd, src, xs, ys, ws, hs, SRCCOPY);
  if (stretch) {
    SetStretchBltMode(dc, oldMode);
    SetBrushOrgEx(dc, oldOrg.x, oldOrg.y, nullptr);
  }
  ReleaseDC();
  return ok;
}

BOOL CImage::BitBlt(HDC dc, int x, int y, DWORD rop) const {
  if (!m_bitmap || !dc) return FALSE;
  BOOL ok = ::BitBlt(dc, x, y, m_width, m_height, GetDC(), 0, 0, rop);
  ReleaseDC();
  return ok;
}

BOOL CImage::StretchBlt(HDC dc, int x, int y, int w, int h, DWORD rop) const {
  if (!m_bitmap || !dc) return FALSE;
  int oldMode = SetStretchBltMode(dc, HALFTONE);
  BOOL ok = ::StretchBlt(dc, x, y, w, h, GetDC(), 0, 0, m_width, m_height, rop);
  ReleaseDC();
  SetStretchBltMode(dc, oldMode);
  return ok;
}
