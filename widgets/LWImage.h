// An image on the framework's CImage that can take a bitmap from the clipboard.
#pragma once
#include "Framework.h"
#include "AtlImage.h"
#include "LWExport.h"

class LWAPI LWImage : public CImage {
public:
    // Kinds of image files; Load and Save keep no files of their own.
    enum Type { TypeBmp = 0, TypePng = 1, TypeJpeg = 2, TypeGif = 3 };

    LWImage() = default;
    ~LWImage() = default;

    // The caller has opened the clipboard. Takes CF_DIB, else CF_BITMAP, of 8, 24 or 32 bits per
    // pixel, uncompressed (32 bits also with colour masks), rows bottom-up or top-down. FALSE for
    // an empty clipboard, another depth or compression, or a block shorter than its header says.
    BOOL CreateFromClipboard();

    // Nothing is loaded or saved here: both return FALSE.
    BOOL Load(const wchar_t* path);
    BOOL Save(const wchar_t* path, Type type);

private:
    // A DIB as the clipboard keeps it: header, masks, colour table and pixels in one block.
    BOOL CreateFromPackedDib(const void* block, size_t size);
};
