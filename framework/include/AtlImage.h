// CImage: a DIB section with loading and saving through GDI+ (BMP, PNG, JPEG, GIF, TIFF, and
// EMF/WMF for loading) and drawing into a DC.
//
// Loaded images are bottom-up DIBs: 24 bits per pixel, or 32 with an alpha channel (straight, not
// premultiplied) when the file has transparency. GetBits() is the address of pixel (0, 0) and
// GetPitch() is negative for bottom-up images, as for any DIB.
#pragma once
#include <windows.h>
#include <objidl.h>

// GDI+ image format identifiers (the FormatID of an encoder or decoder).
extern const GUID kImageFormatBMP;
extern const GUID kImageFormatEMF;
extern const GUID kImageFormatWMF;
extern const GUID kImageFormatJPEG;
extern const GUID kImageFormatPNG;
extern const GUID kImageFormatGIF;
extern const GUID kImageFormatTIFF;

class CImage {
public:
  enum { createAlphaChannel = 0x01 };

  CImage() = default;
  ~CImage() { Destroy(); }
  CImage(const CImage&) = delete;
  CImage& operator=(const CImage&) = delete;

  // A new DIB section; a negative height makes it top-down. bpp: 1, 4, 8 (grey palette), 16, 24, 32.
  BOOL Create(int width, int height, int bpp, DWORD flags = 0);
  void Destroy();
  bool IsNull() const { return m_bitmap == nullptr; }

  // Takes ownership of a bitmap. A DIB section's pixels are reachable through GetBits; a
  // device-dependent bitmap (a screen-compatible one, say) can be drawn and saved only.
  void Attach(HBITMAP bitmap);
  HBITMAP Detach();
  operator HBITMAP() const { return m_bitmap; }

  HRESULT Load(LPCWSTR path);
  HRESULT Load(IStream* stream);
  // fileType GUID_NULL: chosen from the path's extension, PNG when it names no known format.
  HRESULT Save(LPCWSTR path, REFGUID fileType = GUID_NULL) const;
  HRESULT Save(IStream* stream, REFGUID fileType) const;
  // The format for a file name's extension (".bmp", ".png", ".jpg"/".jpeg", ".gif",
  // ".tif"/".tiff", ".emf", ".wmf", any case), or GUID_NULL.
  static GUID FileTypeFromPath(LPCWSTR path);

  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  int GetBPP() const { return m_bpp; }
  int GetPitch() const { return m_pitch; }
  void* GetBits() { return m_bits; }
  const void* GetBits() const { return m_bits; }
  void* GetPixelAddress(int x, int y);
  bool HasAlphaChannel() const { return m_hasAlpha; }
  void SetHasAlphaChannel(bool alpha) { m_hasAlpha = alpha && m_bpp == 32; }
  bool IsDIBSection() const { return m_bits != nullptr; }
  bool IsIndexed() const { return m_bits && m_bpp <= 8; }
  // Colour table of an indexed image (1, 4 or 8 bits per pixel); 0 entries for others.
  int GetMaxColorTableEntries() const { return IsIndexed() ? 1 << m_bpp : 0; }
  void GetColorTable(UINT first, UINT count, RGBQUAD* colors) const;
  void SetColorTable(UINT first, UINT count, const RGBQUAD* colors);
  // Colours of 16, 24 and 32-bit images are read and written directly; others through a DC.
  COLORREF GetPixel(int x, int y) const;
  void SetPixel(int x, int y, COLORREF color);
  // Straight alpha of a 32-bit image (255 for other images).
  BYTE GetAlpha(int x, int y) const;

  // A memory DC with the bitmap selected; calls nest, each GetDC needs a ReleaseDC.
  HDC GetDC() const;
  void ReleaseDC() const;

  // Images with alpha are blended, others copied; a size differing from the source's is
  // stretched with half-tone sampling.
  BOOL Draw(HDC dc, int x, int y) const;
  BOOL Draw(HDC dc, const RECT& dest) const;
  BOOL Draw(HDC dc, const RECT& dest, const RECT& src) const;
  BOOL Draw(HDC dc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc, int hSrc) const;
  BOOL BitBlt(HDC dc, int x, int y, DWORD rop = SRCCOPY) const;
  BOOL StretchBlt(HDC dc, int x, int y, int w, int h, DWORD rop = SRCCOPY) const;

  // GDI+ is started on first use and kept for the life of the process.
  static bool InitGdiPlus();

private:
  bool ReadDib();
  HRESULT LoadFrom(void* gdipBitmap);

  HBITMAP m_bitmap = nullptr;
  void* m_bits = nullptr;  // pixel (0, 0)
  int m_width = 0, m_height = 0, m_bpp = 0, m_pitch = 0;
  bool m_hasAlpha = false;
  mutable HDC m_dc = nullptr;
  mutable HGDIOBJ m_oldBitmap = nullptr;
  mutable int m_dcCount = 0;
};
