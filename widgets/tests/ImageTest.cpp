#include "LWFunctions.h"
#include "LWImage.h"
#include <gtest/gtest.h>
#include <cstring>
#include <vector>

namespace {

const int kWidth = 3;  // odd, so 24-bit rows carry padding
const int kHeight = 4;

// The picture every variant encodes: pixel (x, y) counted from the top left.
COLORREF Expected(int x, int y)
{
    return RGB(10 + 60 * x, 20 + 50 * y, 230 - 40 * x - 20 * y);
}

struct DibSpec {
    int bpp = 24;
    bool topDown = false;
    DWORD compression = BI_RGB;
    DWORD headerSize = sizeof(BITMAPINFOHEADER);
    DWORD masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};  // red, green, blue
    DWORD clrUsed = 0;
    size_t cut = 0;  // bytes taken off the end of the block
};

void Put(std::vector<BYTE>& out, const void* p, size_t n)
{
    const BYTE* b = static_cast<const BYTE*>(p);
    out.insert(out.end(), b, b + n);
}

DWORD Pack(DWORD value, DWORD mask)
{
    // an 8-bit channel value placed under its mask (masks here are 8 bits wide)
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return value << shift;
}

// A packed DIB as the clipboard keeps it. 8-bit images use a palette of the twelve colours.
std::vector<BYTE> MakeDib(const DibSpec& spec)
{
    std::vector<BYTE> dib;
    BITMAPV5HEADER header = {};
    header.bV5Size = spec.headerSize;
    header.bV5Width = kWidth;
    header.bV5Height = spec.topDown ? -kHeight : kHeight;
    header.bV5Planes = 1;
    header.bV5BitCount = WORD(spec.bpp);
    header.bV5Compression = spec.compression;
    header.bV5ClrUsed = spec.clrUsed;
    header.bV5RedMask = spec.masks[0];
    header.bV5GreenMask = spec.masks[1];
    header.bV5BlueMask = spec.masks[2];
    Put(dib, &header, spec.headerSize);
    if (spec.compression == BI_BITFIELDS && spec.headerSize == sizeof(BITMAPINFOHEADER))
        Put(dib, spec.masks, sizeof(spec.masks));
    size_t entries = spec.bpp == 8 ? (spec.clrUsed ? spec.clrUsed : 256) : spec.clrUsed;
    for (size_t i = 0; i < entries; ++i) {
        COLORREF c = i < size_t(kWidth * kHeight) ? Expected(int(i) % kWidth, int(i) / kWidth) : RGB(1, 2, 3);
        RGBQUAD q = {GetBValue(c), GetGValue(c), GetRValue(c), 0};
        Put(dib, &q, sizeof(q));
    }
    int stride = (kWidth * spec.bpp + 31) / 32 * 4;
    for (int row = 0; row < kHeight; ++row) {
        int y = spec.topDown ? row : kHeight - 1 - row;
        std::vector<BYTE> line(stride, 0xEE);
        for (int x = 0; x < kWidth; ++x) {
            COLORREF c = Expected(x, y);
            if (spec.bpp == 8) {
                line[x] = BYTE(y * kWidth + x);
            } else if (spec.bpp == 24) {
                line[3 * x] = GetBValue(c);
                line[3 * x + 1] = GetGValue(c);
                line[3 * x + 2] = GetRValue(c);
            } else {
                DWORD pixel = Pack(GetRValue(c), spec.masks[0]) | Pack(GetGValue(c), spec.masks[1]) |
                              Pack(GetBValue(c), spec.masks[2]);
                memcpy(&line[4 * x], &pixel, 4);
            }
        }
        Put(dib, line.data(), line.size());
    }
    dib.resize(dib.size() - spec.cut);
    return dib;
}

// A hidden window to own the clipboard while a test fills it.
class ClipboardTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_owner = CreateWindowW(L"STATIC", L"clipboard owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(m_owner);
    }
    void TearDown() override { DestroyWindow(m_owner); }

    // Puts the data on the clipboard, reads it back into `image` with the clipboard open.
    BOOL PasteInto(LWImage& image, UINT format, HANDLE data)
    {
        if (!OpenClipboard(m_owner))
            return FALSE;
        EmptyClipboard();
        if (data)
            SetClipboardData(format, data);
        BOOL ok = image.CreateFromClipboard();
        CloseClipboard();
        return ok;
    }

    BOOL PasteDib(LWImage& image, const std::vector<BYTE>& dib)
    {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, dib.size());
        memcpy(GlobalLock(block), dib.data(), dib.size());
        GlobalUnlock(block);
        return PasteInto(image, CF_DIB, block);
    }

    static void ExpectPicture(const LWImage& image, int bpp)
    {
        ASSERT_FALSE(image.IsNull());
        EXPECT_EQ(kWidth, image.GetWidth());
        EXPECT_EQ(kHeight, image.GetHeight());
        EXPECT_EQ(bpp, image.GetBPP());
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                EXPECT_EQ(Expected(x, y), image.GetPixel(x, y)) << "pixel " << x << "," << y;
    }

    HWND m_owner = nullptr;
};

TEST_F(ClipboardTest, DibVariantsGiveTheSamePixels)
{
    struct Case {
        const char* name;
        DibSpec spec;
    };
    std::vector<Case> cases;
    {
        DibSpec s;
        cases.push_back({"24 bits bottom-up", s});
        s.topDown = true;
        cases.push_back({"24 bits top-down", s});
        s.clrUsed = 5;
        cases.push_back({"24 bits with an optimising colour table", s});
    }
    {
        DibSpec s;
        s.bpp = 32;
        cases.push_back({"32 bits, no masks", s});
        s.compression = BI_BITFIELDS;
        cases.push_back({"32 bits, masks after the header", s});
        s.topDown = true;
        s.masks[0] = 0x000000FF;
        s.masks[2] = 0x00FF0000;
        cases.push_back({"32 bits, red and blue masks swapped, top-down", s});
        s.headerSize = sizeof(BITMAPV5HEADER);
        s.masks[0] = 0xFF000000;
        s.masks[1] = 0x00FF0000;
        s.masks[2] = 0x0000FF00;
        cases.push_back({"32 bits, version 5 header with its own masks", s});
    }
    {
        DibSpec s;
        s.bpp = 8;
        cases.push_back({"8 bits, full palette", s});
        s.clrUsed = 12;
        cases.push_back({"8 bits, 12-entry palette", s});
        s.topDown = true;
        cases.push_back({"8 bits, 12-entry palette, top-down", s});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LWImage image;
        ASSERT_TRUE(PasteDib(image, MakeDib(c.spec)));
        ExpectPicture(image, c.spec.bpp);
    }
}

TEST_F(ClipboardTest, RefusesWhatItCannotRead)
{
    struct Case {
        const char* name;
        DibSpec spec;
    };
    std::vector<Case> cases;
    DibSpec s;
    s.bpp = 16;
    cases.push_back({"16 bits", s});
    s = DibSpec();
    s.bpp = 8;
    s.compression = BI_RLE8;
    cases.push_back({"run-length 8 bits", s});
    s = DibSpec();
    s.compression = BI_BITFIELDS;
    cases.push_back({"masks on 24 bits", s});
    s = DibSpec();
    s.cut = 1;
    cases.push_back({"last row cut short", s});
    s = DibSpec();
    s.bpp = 8;
    s.clrUsed = 200;
    s.cut = 700;
    cases.push_back({"colour table runs past the block", s});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LWImage image;
        EXPECT_FALSE(PasteDib(image, MakeDib(c.spec)));
    }

    std::vector<BYTE> header = MakeDib(DibSpec());
    header.resize(sizeof(BITMAPINFOHEADER) - 4);
    LWImage image;
    EXPECT_FALSE(PasteDib(image, header));
    EXPECT_FALSE(PasteInto(image, CF_DIB, nullptr));  // nothing on the clipboard

    EXPECT_FALSE(image.Load(L"x.png"));
    EXPECT_FALSE(image.Save(L"x.png", LWImage::TypePng));
}

TEST_F(ClipboardTest, DeviceBitmap)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            SetPixel(dc, x, y, Expected(x, y));
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);

    LWImage image;
    ASSERT_TRUE(PasteInto(image, CF_BITMAP, bitmap));  // the clipboard owns the bitmap now
    ASSERT_FALSE(image.IsNull());
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            EXPECT_EQ(Expected(x, y), image.GetPixel(x, y)) << "pixel " << x << "," << y;
}

// A 32-bit DIB section of 20 x 10 pixels, white, behind a CDC.
class GradientTest : public testing::Test {
protected:
    void SetUp() override
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = 20;
        info.bmiHeader.biHeight = -10;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        m_bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
        ASSERT_TRUE(m_bitmap);
        memset(m_bits, 0xFF, 20 * 10 * 4);
        m_dc.Attach(CreateCompatibleDC(nullptr));
        m_old = SelectObject(m_dc.m_hDC, m_bitmap);
    }
    void TearDown() override
    {
        SelectObject(m_dc.m_hDC, m_old);
        DeleteDC(m_dc.Detach());
        DeleteObject(m_bitmap);
    }
    COLORREF At(int x, int y) const
    {
        DWORD p = m_bits[y * 20 + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

    CDC m_dc;
    HBITMAP m_bitmap = nullptr;
    DWORD* m_bits = nullptr;
    HGDIOBJ m_old = nullptr;
};

TEST_F(GradientTest, EqualColoursPaintASolidRectangle)
{
    RECT r = {2, 3, 12, 8};
    ASSERT_TRUE(LW_GradientFill(&m_dc, r, RGB(10, 120, 200), RGB(10, 120, 200), GRADIENT_FILL_RECT_H));
    GdiFlush();
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            bool inside = x >= 2 && x < 12 && y >= 3 && y < 8;
            EXPECT_EQ(inside ? RGB(10, 120, 200) : RGB(255, 255, 255), At(x, y)) << x << "," << y;
        }
}

TEST_F(GradientTest, DirectionFollowsTheMode)
{
    RECT r = {0, 0, 20, 10};
    ASSERT_TRUE(LW_GradientFill(&m_dc, r, RGB(0, 0, 0), RGB(255, 0, 0), GRADIENT_FILL_RECT_H));
    GdiFlush();
    EXPECT_LT(GetRValue(At(0, 5)), 20);
    EXPECT_GT(GetRValue(At(19, 5)), 230);
    EXPECT_EQ(At(7, 0), At(7, 9));  // columns are uniform
    for (int x = 1; x < 20; ++x)
        EXPECT_LE(GetRValue(At(x - 1, 5)), GetRValue(At(x, 5)));

    ASSERT_TRUE(LW_GradientFill(&m_dc, r, RGB(0, 0, 0), RGB(0, 0, 255), GRADIENT_FILL_RECT_V));
    GdiFlush();
    EXPECT_LT(GetBValue(At(5, 0)), 30);
    EXPECT_GT(GetBValue(At(5, 9)), 220);
    EXPECT_EQ(At(0, 4), At(19, 4));  // rows are uniform
}

TEST_F(GradientTest, EmptyRectangleAndNullDcPaintNothing)
{
    RECT empty = {5, 5, 5, 9};
    LW_GradientFill(&m_dc, empty, RGB(0, 0, 0), RGB(0, 0, 0), GRADIENT_FILL_RECT_H);
    GdiFlush();
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(RGB(255, 255, 255), At(x, y)) << x << "," << y;
    RECT r = {0, 0, 4, 4};
    EXPECT_FALSE(LW_GradientFill(nullptr, r, 0, 0, GRADIENT_FILL_RECT_H));
}

}  // namespace
