// Decoding and encoding of picture files. Every decoder gives 8-bit RGBA at
// the file's own size; encoders take the same layout and choose the format
// from the file name's extension. Safe on untrusted files: a corrupt,
// truncated or hostile file gives false and a message, never a crash.
#pragma once

#include "core/string.h"

#include <functional>
#include <vector>

// Pictures larger than this on either side are refused.
constexpr int kMaxImageSide = 16384;
// Pictures with more pixels than this (512 MiB as RGBA) are refused too, so
// that a small hostile file cannot make a decoder claim gigabytes.
constexpr long long kMaxImagePixels = 1LL << 27;

struct RgbaImage {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;             // the file carried an alpha channel
    std::vector<unsigned char> pixels; // width * height * 4 bytes, rows top first
};

// Reads BMP, DIB, JPG, PNG, PPM/PGM, TGA, HDR, PFM and DDS (uncompressed and
// DXT1/3/5), recognised by content. On failure returns false, sets `error`
// to a one-line reason and leaves `image` empty.
// Without an alpha channel every alpha byte is 255 and `hasAlpha` false.
// A 32-bit BMP without bit fields counts as having alpha only when some of
// its fourth bytes are non-zero; a DXT1 file when it declares alpha or uses
// its transparent texel; PNG also when a transparency chunk makes a pixel
// translucent. HDR and PFM values are clamped to 0..1 and scaled to 0..255.
bool decodeImageFile(const String& path, RgbaImage& image, String& error);
bool decodeImageMemory(const unsigned char* bytes, size_t count, RgbaImage& image, String& error);

// As decodeImageFile, with the colour written as three bytes per pixel (red,
// green, blue, rows top first) into the place `rgbBuffer(width, height)`
// gives (width * height * 3 bytes; a null place refuses the picture). The
// alpha channel, when the file has one, goes to `alpha`, one byte per pixel;
// it is left empty otherwise. JPEG files are decoded straight into the place,
// without a picture of four bytes per pixel in between.
bool decodeImageFileRgb(const String& path, const std::function<unsigned char*(int, int)>& rgbBuffer,
                        std::vector<unsigned char>& alpha, String& error);

// Reads only the width and height stored in the file, without decoding the
// pixels. False (with a reason) for a header the decoders would refuse,
// including pictures beyond the size limits.
bool readImageSize(const String& path, int& width, int& height, String& error);
// The same for a file already in memory.
bool readImageSizeMemory(const unsigned char* bytes, size_t count, int& width, int& height, String& error);

// Writes BMP, DIB, JPG, PNG, PPM, TGA or DDS according to the extension of
// `path` (case-insensitive). Unknown extensions are refused with a message.
// The file is written to a temporary name and renamed into place.
// Alpha is kept when `hasAlpha` is set: BMP and DIB become 32-bit (V4 header
// with an alpha mask) instead of 24-bit, PNG and TGA get four channels, DDS
// declares its alpha mask (DDS is always uncompressed 32-bit BGRA). JPG
// (quality 90) and PPM (binary P6) never carry alpha. Refused with a
// message: an empty picture, one beyond the size limits, and one whose
// `pixels` do not hold width * height * 4 bytes.
bool encodeImageFile(const String& path, const RgbaImage& image, String& error);

// True if encodeImageFile knows the extension of `path`.
bool isWritableImageName(const String& path);
