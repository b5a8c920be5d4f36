// CImage over GDI+: files and streams round trip pixel for pixel; drawing blends alpha.
#include <gtest/gtest.h>
#include "Framework.h"
#include <string>

namespace {

std::wstring TempFile(const wchar_t* name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return std::wstring(dir) + L"pelora_img_" + std::to_wstring(GetCurrentProcessId()) + L"_" + name;
}

std::string FileStart(const std::wstring& path, size_t n) {
  std::string bytes(n, '\0');
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD read = 0;
  if (f != INVALID_HANDLE_VALUE) {
    ReadFile(f, &bytes[0], (DWORD)n, &read, nullptr);
    CloseHandle(f);
  }
  bytes.resize(read);
  return bytes;
}

const std::string kPngMagic("\x89PNG", 4);

COLORREF Pattern(int x, int y) { return RGB(x * 7 % 256, y * 11 % 256, (x * y + 3) % 256); }

void Fill(CImage& img) {
  for (int y = 0; y < img.GetHeight(); ++y)
    for (int x = 0; x < img.GetWidth(); ++x) img.SetPixel(x, y, Pattern(x, y));
}

// Every pixel (and alpha) of b equals a's.
::testing::AssertionResult SamePixels(const CImage& a, const CImage& b) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
    return ::testing::AssertionFailure() << "size " << b.GetWidth() << "x" << b.GetHeight();
  for (int y = 0; y < a.GetHeight(); ++y)
    for (int x = 0; x < a.GetWidth(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y) || a.GetAlpha(x, y) != b.GetAlpha(x, y))
        return ::testing::AssertionFailure() << "pixel " << x << "," << y << ": " << std::hex << a.GetPixel(x, y)
                                             << " became " << b.GetPixel(x, y);
  return ::testing::AssertionSuccess();
}

TEST(ComImage, PngAndBmpFilesRoundTripPixelForPixel) {
  CImage img;
  ASSERT_TRUE(img.Create(37, 23, 24));  // odd width: rows are padded
  EXPECT_LT(img.GetPitch(), 0);          // bottom-up
  Fill(img);
  const struct {
    const wchar_t* name;
    std::string magic;
  } files[] = {{L"a.png", kPngMagic}, {L"a.BMP", "BM"}, {L"a.unknown", kPngMagic}};
  for (const auto& f : files) {
    SCOPED_TRACE(std::string(f.name, f.name + wcslen(f.name)));
    std::wstring path = TempFile(f.name);
    ASSERT_HRESULT_SUCCEEDED(img.Save(path.c_str()));
    EXPECT_EQ(FileStart(path, f.magic.size()), f.magic);
    CImage back;
    ASSERT_HRESULT_SUCCEEDED(back.Load(path.c_str()));
    EXPECT_EQ(back.GetBPP(), 24);
    EXPECT_FALSE(back.HasAlphaChannel());
    EXPECT_TRUE(SamePixels(img, back));
    DeleteFileW(path.c_str());
  }
  CImage none;
  EXPECT_FALSE(SUCCEEDED(none.Load(TempFile(L"missing.png").c_str())));
  EXPECT_TRUE(none.IsNull());
  EXPECT_EQ(img.Save(TempFile(L"x.emf").c_str(), kImageFormatEMF), E_INVALIDARG);  // no metafile encoder
}

TEST(ComImage, AlphaAndStreamsRoundTrip) {
  CImage img;
  ASSERT_TRUE(img.Create(16, 9, 32, CImage::createAlphaChannel));
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 16; ++x) {
      BYTE* p = static_cast<BYTE*>(img.GetPixelAddress(x, y));
      p[0] = (BYTE)(x * 16), p[1] = (BYTE)(y * 28), p[2] = 200, p[3] = (BYTE)(15 + x * 15);
    }
  }
  CComPtr<IStream> stream;
  ASSERT_HRESULT_SUCCEEDED(CComMemStream::Create(nullptr, 0, &stream));
  ASSERT_HRESULT_SUCCEEDED(img.Save(stream, kImageFormatPNG));
  const CComMemStream* mem = static_cast<CComMemStream*>(stream.p);
  ASSERT_GT(mem->GetSize(), 8u);
  EXPECT_EQ(std::string((const char*)mem->GetData(), 4), kPngMagic);
  LARGE_INTEGER zero = {};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  CImage back;
  ASSERT_HRESULT_SUCCEEDED(back.Load(stream));
  EXPECT_EQ(back.GetBPP(), 32);
  EXPECT_TRUE(back.HasAlphaChannel());
  EXPECT_TRUE(SamePixels(img, back));

  // a stream holding a BMP
  CImage plain;
  ASSERT_TRUE(plain.Create(5, 4, 24));
  Fill(plain);
  CComPtr<IStream> bmp;
  ASSERT_HRESULT_SUCCEEDED(CComMemStream::Create(nullptr, 0, &bmp));
  ASSERT_HRESULT_SUCCEEDED(plain.Save(bmp, kImageFormatBMP));
  bmp->Seek(zero, STREAM_SEEK_SET, nullptr);
  CImage plainBack;
  ASSERT_HRESULT_SUCCEEDED(plainBack.Load(bmp));
  EXPECT_TRUE(SamePixels(plain, plainBack));

  CComPtr<IStream> junk;
  ASSERT_HRESULT_SUCCEEDED(CComMemStream::Create("not an image", 12, &junk));
  EXPECT_FALSE(SUCCEEDED(back.Load(junk)));
  EXPECT_TRUE(back.IsNull());
}

TEST(ComImage, FileTypeComesFromTheExtension) {
  const struct {
    const wchar_t* path;
    const GUID* type;
  } cases[] = {
      {L"c:\\a\\b.PNG", &kImageFormatPNG}, {L"x.jpeg", &kImageFormatJPEG}, {L"x.jpg", &kImageFormatJPEG},
      {L"x.gif", &kImageFormatGIF},         {L"x.tiff", &kImageFormatTIFF}, {L"x.bmp", &kImageFormatBMP},
      {L"x.emf", &kImageFormatEMF},         {L"x.wmf", &kImageFormatWMF},   {L"x.txt", &GUID_NULL},
      {L"dir.png\\file", &GUID_NULL},       {L"noext", &GUID_NULL},
  };
  for (const auto& c : cases)
    EXPECT_TRUE(CImage::FileTypeFromPath(c.path) == *c.type) << std::string(c.path, c.path + wcslen(c.path));
}

TEST(ComImage, DrawBlendsAlphaAndCopiesOpaqueImages) {
  CImage canvas;
  ASSERT_TRUE(canvas.Create(6, 6, 24));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) canvas.SetPixel(x, y, RGB(255, 255, 255));

  CImage half;
  ASSERT_TRUE(half.Create(1, 1, 32, CImage::createAlphaChannel));
  BYTE* p = static_cast<BYTE*>(half.GetPixelAddress(0, 0));
  p[0] = 0, p[1] = 100, p[2] = 200, p[3] = 128;  // straight alpha
  CImage opaque;
  ASSERT_TRUE(opaque.Create(2, 2, 24));
  Fill(opaque);

  HDC dc = canvas.GetDC();
  EXPECT_TRUE(half.Draw(dc, 1, 1));
  EXPECT_TRUE(opaque.Draw(dc, 3, 3));
  canvas.ReleaseDC();
  GdiFlush();
  COLORREF c = canvas.GetPixel(1, 1);
  // colour * a + white * (1 - a)
  EXPECT_NEAR(GetRValue(c), 200 * 128 / 255 + 127, 2);
  EXPECT_NEAR(GetGValue(c), 100 * 128 / 255 + 127, 2);
  EXPECT_NEAR(GetBValue(c), 127, 2);
  EXPECT_EQ(canvas.GetPixel(4, 4), Pattern(1, 1));
  EXPECT_EQ(canvas.GetPixel(0, 0), RGB(255, 255, 255));
}

// What the editor saves and the clipboard hands over: a screen-compatible bitmap, and an indexed
// DIB with its own colour table. Both save through GDI and load back as 24-bit colour.
TEST(ComImage, DeviceBitmapsAndIndexedImagesSaveTheirColours) {
  HDC screen = ::GetDC(nullptr);
  HBITMAP ddb = CreateCompatibleBitmap(screen, 9, 5);
  HDC mem = CreateCompatibleDC(screen);
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(mem, ddb);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x) ::SetPixel(mem, x, y, Pattern(x * 9, y * 9));
  SelectObject(mem, old);
  DeleteDC(mem);
  CImage device;
  device.Attach(ddb);
  EXPECT_FALSE(device.IsDIBSection());
  EXPECT_EQ(device.GetBits(), nullptr);
  EXPECT_EQ(device.GetWidth(), 9);
  EXPECT_EQ(device.GetHeight(), 5);

  CImage indexed;
  ASSERT_TRUE(indexed.Create(6, 3, 8));
  EXPECT_TRUE(indexed.IsIndexed());
  ASSERT_EQ(indexed.GetMaxColorTableEntries(), 256);
  RGBQUAD table[256] = {};
  for (int i = 0; i < 256; ++i) table[i] = {(BYTE)(255 - i), (BYTE)(i * 3), (BYTE)i, 0};
  indexed.SetColorTable(0, 256, table);
  RGBQUAD readBack[256] = {};
  indexed.GetColorTable(0, 256, readBack);
  EXPECT_EQ(memcmp(table, readBack, sizeof table), 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) *static_cast<BYTE*>(indexed.GetPixelAddress(x, y)) = (BYTE)(x * 40 + y * 7);

  const struct {
    const char* name;
    CImage* image;
    COLORREF (*expected)(int x, int y);
  } images[] = {
      {"device", &device, [](int x, int y) { return Pattern(x * 9, y * 9); }},
      {"indexed", &indexed,
       [](int x, int y) {
         int i = (x * 40 + y * 7) & 255;
         return RGB(i, (i * 3) & 255, 255 - i);
       }},
  };
  for (const auto& im : images) {
    for (const wchar_t* name : {L"d.bmp", L"d.png"}) {
      SCOPED_TRACE(std::string(im.name) + " " + std::string(name, name + wcslen(name)));
      std::wstring path = TempFile(name);
      ASSERT_HRESULT_SUCCEEDED(im.image->Save(path.c_str()));
      CImage back;
      ASSERT_HRESULT_SUCCEEDED(back.Load(path.c_str()));
      ASSERT_EQ(back.GetWidth(), im.image->GetWidth());
      ASSERT_EQ(back.GetHeight(), im.image->GetHeight());
      int wrong = 0;
      for (int y = 0; y < back.GetHeight(); ++y)
        for (int x = 0; x < back.GetWidth(); ++x)
          if (back.GetPixel(x, y) != im.expected(x, y) && wrong++ == 0)
            ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << back.GetPixel(x, y) << " for "
                          << im.expected(x, y);
      DeleteFileW(path.c_str());
    }
  }
}

}  // namespace
