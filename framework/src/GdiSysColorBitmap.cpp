// AfxLoadSysColorBitmap: tool-bar and menu art drawn in the classic button greys, shown in the
// user's system colours.
#include "Framework.h"
#include <cstring>
#include <cstdlib>
#include <vector>

namespace {

const struct {
  BYTE r, g, b;
  int sysColor;
} kButtonColours[] = {
    {0x00, 0x00, 0x00, COLOR_BTNTEXT},
    {0x80, 0x80, 0x80, COLOR_BTNSHADOW},
    {0xC0, 0xC0, 0xC0, COLOR_BTNFACE},
    {0xFF, 0xFF, 0xFF, COLOR_BTNHIGHLIGHT},
};

// One colour stored blue, green, red (as in colour tables and 24/32-bit rows).
void MapColour(BYTE* bgr, BOOL mono) {
  for (const auto& m : kButtonColours) {
    if (bgr[0] != m.b || bgr[1] != m.g || bgr[2] != m.r) continue;
    COLORREF c = mono ? (m.sysColor == COLOR_BTNTEXT ? RGB(0, 0, 0) : RGB(255, 255, 255)) : ::GetSysColor(m.sysColor);
    bgr[0] = GetBValue(c);
    bgr[1] = GetGValue(c);
    bgr[2] = GetRValue(c);
    return;
  }
}

}  // namespace

HBITMAP AfxLoadSysColorBitmap(HINSTANCE hInst, HRSRC hRsrc, BOOL bMono) {
  if (!hRsrc) return nullptr;
  HGLOBAL glob = ::LoadResource(hInst, hRsrc);
  const BYTE* data = glob ? (const BYTE*)::LockResource(glob) : nullptr;
  DWORD size = ::SizeofResource(hInst, hRsrc);
  if (!data || size < sizeof(BITMAPINFOHEADER)) return nullptr;
  BITMAPINFOHEADER head;
  memcpy(&head, data, sizeof head);
  int bpp = head.biBitCount;
  bool palette = bpp == 1 || bpp == 4 || bpp == 8;
  if (head.biSize < sizeof head || head.biSize > size || head.biPlanes != 1 || head.biCompression != BI_RGB ||
      head.biWidth <= 0 || head.biHeight == 0 || head.biWidth > 0x8000 || std::abs(head.biHeight) > 0x8000 ||
      !(palette || bpp == 24 || bpp == 32))
    return nullptr;
  // Every size is checked against the resource before anything is read past the header.
  size_t colours = palette ? (head.biClrUsed ? head.biClrUsed : (size_t)1 << bpp) : head.biClrUsed;
  if (palette && colours > ((size_t)1 << bpp)) return nullptr;
  size_t width = (size_t)head.biWidth, height = (size_t)std::abs(head.biHeight);
  size_t stride = (width * (size_t)bpp + 31) / 32 * 4;
  size_t tableBytes = colours * sizeof(RGBQUAD);
  size_t total = head.biSize + tableBytes + stride * height;
  if (total > size) return nullptr;

  std::vector<BYTE> copy(data, data + total);
  BYTE* table = copy.data() + head.biSize;
  BYTE* bits = table + tableBytes;
  if (palette) {
    for (size_t i = 0; i < colours; ++i) MapColour(table + i * sizeof(RGBQUAD), bMono);
  } else {
    size_t step = (size_t)bpp / 8;
    for (size_t y = 0; y < height; ++y)
      for (size_t x = 0; x < width; ++x) MapColour(bits + y * stride + x * step, bMono);
  }

  HDC screen = ::GetDC(nullptr);
  HBITMAP bitmap = screen ? ::CreateCompatibleBitmap(screen, (int)width, (int)height) : nullptr;
  if (bitmap) {
    HDC mem = ::CreateCompatibleDC(screen);
    HGDIOBJ old = mem ? ::SelectObject(mem, bitmap) : nullptr;
    int rows = mem ? ::StretchDIBits(mem, 0, 0, (int)width, (int)height, 0, 0, (int)width, (int)height, bits,
                                     (const BITMAPINFO*)copy.data(), DIB_RGB_COLORS, SRCCOPY)
                   : 0;
    if (mem) {
      ::SelectObject(mem, old);
      ::DeleteDC(mem);
    }
    if (rows <= 0) {
      ::DeleteObject(bitmap);
      bitmap = nullptr;
    }
  }
  if (screen) ::ReleaseDC(nullptr, screen);
  return bitmap;
}
