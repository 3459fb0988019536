// Decoding and encoding of picture files. Every decoder gives 8-bit RGBA at
// the file's own size; encoders take the same layout and choose the format
// from the file name's extension. Safe on untrusted files: a corrupt,
// truncated or hostile file gives false and a message, never a crash.
#pragma once

#include "core/string.h"

#include <vector>

// Pictures larger than this on either side are refused.
constexpr int kMaxImageSide = 16384;

struct RgbaImage {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;             // the file carried an alpha channel
    std::vector<unsigned char> pixels; // width * height * 4 bytes, rows top first
};

// Reads BMP, DIB, JPG, PNG, PPM, TGA, HDR, PFM and DDS (uncompressed and
// DXT1/3/5), recognised by content. On failure returns false and sets `error`
// to a one-line reason.
bool decodeImageFile(const String& path, RgbaImage& image, String& error);
bool decodeImageMemory(const unsigned char* bytes, size_t count, RgbaImage& image, String& error);

// Reads only the width and height stored in the file.
bool readImageSize(const String& path, int& width, int& height, String& error);

// Writes BMP, DIB, JPG, PNG, PPM, TGA or DDS according to the extension of
// `path` (case-insensitive). Unknown extensions are refused with a message.
// The file is written to a temporary name and renamed into place.
bool encodeImageFile(const String& path, const RgbaImage& image, String& error);

// True if encodeImageFile knows the extension of `path`.
bool isWritableImageName(const String& path);
