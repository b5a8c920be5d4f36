#include "LWImage.h"
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

int BitCount(uint32_t mask)
{
    int n = 0;
    for (; mask; mask &= mask - 1)
        ++n;
    return n;
}

int LowestBit(uint32_t mask)
{
    if (!mask)
        return 0;
    int n = 0;
    while (!(mask & 1u)) {
        mask >>= 1;
        ++n;
    }
    return n;
}

// One channel of a masked pixel widened or narrowed to 8 bits.
struct Channel {
    explicit Channel(uint32_t m) : mask(m), shift(LowestBit(m)), bits(BitCount(m)) {}
    BYTE Read(uint32_t pixel) const
    {
        if (!bits)
            return 0;
        uint32_t value = (pixel & mask) >> shift;
        if (bits >= 8)
            return BYTE(value >> (bits - 8));
        return BYTE(value * 255u / ((1u << bits) - 1u));
    }
    uint32_t mask;
    int shift;
    int bits;
};

}  // namespace

BOOL LWImage::CreateFromPackedDib(const void* block, size_t size)
{
    const BYTE* bytes = static_cast<const BYTE*>(block);
    if (!bytes || size < sizeof(BITMAPINFOHEADER))
        return FALSE;
    BITMAPINFOHEADER header;
    memcpy(&header, bytes, sizeof(header));
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > size)
        return FALSE;
    const int bpp = header.biBitCount;
    if (bpp != 8 && bpp != 24 && bpp != 32)
        return FALSE;
    const bool masked = header.biCompression == BI_BITFIELDS;
    if (header.biCompression != BI_RGB && !(masked && bpp == 32))
        return FALSE;
    const int64_t width = header.biWidth;
    const int64_t height = header.biHeight < 0 ? -int64_t(header.biHeight) : int64_t(header.biHeight);
    const bool topDown = header.biHeight < 0;
    if (width <= 0 || height <= 0 || width > 0x8000 || height > 0x8000)
        return FALSE;

    // Masks follow a plain 40-byte header; larger headers hold them in the same places.
    size_t offset = header.biSize;
    uint32_t masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
    if (masked) {
        if (header.biSize == sizeof(BITMAPINFOHEADER)) {
            if (offset + sizeof(masks) > size)
                return FALSE;
            memcpy(masks, bytes + offset, sizeof(masks));
            offset += sizeof(masks);
        } else {
            if (header.biSize < sizeof(BITMAPINFOHEADER) + sizeof(masks))
                return FALSE;
            memcpy(masks, bytes + sizeof(BITMAPINFOHEADER), sizeof(masks));
        }
    }
    // The colour table holds biClrUsed entries (all 256 for 8 bits when 0); deeper images may
    // carry one too, which is skipped.
    size_t tableEntries = header.biClrUsed;
    if (bpp == 8 && tableEntries == 0)
        tableEntries = 256;
    if (tableEntries > (size - offset) / sizeof(RGBQUAD))
        return FALSE;
    const size_t tableOffset = offset;
    const size_t colours = bpp == 8 ? (tableEntries < 256 ? tableEntries : 256) : 0;
    offset += tableEntries * sizeof(RGBQUAD);

    const size_t stride = size_t((width * bpp + 31) / 32 * 4);
    if (offset > size || size - offset < stride * size_t(height))
        return FALSE;
    const BYTE* pixels = bytes + offset;

    Destroy();
    if (!Create(int(width), int(height), bpp))
        return FALSE;

    if (bpp == 8) {
        std::vector<RGBQUAD> table(colours);
        memcpy(table.data(), bytes + tableOffset, colours * sizeof(RGBQUAD));
        SetColorTable(0, UINT(colours), table.data());
    }

    const bool plain = !masked || (masks[0] == 0x00FF0000 && masks[1] == 0x0000FF00 && masks[2] == 0x000000FF);
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
    const size_t rowBytes = size_t((width * bpp + 7) / 8);
    for (int y = 0; y < int(height); ++y) {
        const BYTE* source = pixels + stride * size_t(topDown ? y : int(height) - 1 - y);
        BYTE* target = static_cast<BYTE*>(GetPixelAddress(0, y));
        if (plain) {
            memcpy(target, source, rowBytes);
            continue;
        }
        for (int x = 0; x < int(width); ++x) {
            uint32_t pixel;
            memcpy(&pixel, source + 4 * x, 4);
            target[4 * x] = blue.Read(pixel);
            target[4 * x + 1] = green.Read(pixel);
            target[4 * x + 2] = red.Read(pixel);
            target[4 * x + 3] = 0;
        }
    }
    return TRUE;
}

BOOL LWImage::CreateFromClipboard()
{
    if (HANDLE dib = GetClipboardData(CF_DIB)) {
        const void* block = GlobalLock(dib);
        if (!block)
            return FALSE;
        BOOL ok = CreateFromPackedDib(block, GlobalSize(dib));
        GlobalUnlock(dib);
        return ok;
    }

    HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP info = {};
    if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return FALSE;
    // the device bitmap's bits, fetched as a 32-bit bottom-up DIB
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = info.bmWidth;
    header.biHeight = info.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    const size_t pixelBytes = size_t(info.bmWidth) * 4 * size_t(info.bmHeight);
    std::vector<BYTE> packed(sizeof(header) + pixelBytes);
    memcpy(packed.data(), &header, sizeof(header));
    HDC screen = ::GetDC(nullptr);
    int rows = GetDIBits(screen, bitmap, 0, UINT(info.bmHeight), packed.data() + sizeof(header),
                         reinterpret_cast<BITMAPINFO*>(packed.data()), DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    if (rows != info.bmHeight)
        return FALSE;
    return CreateFromPackedDib(packed.data(), packed.size());
}

BOOL LWImage::Load(const wchar_t*)
{
    return FALSE;
}

BOOL LWImage::Save(const wchar_t*, Type)
{
    return FALSE;
}
