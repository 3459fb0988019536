// Internal interface between the picture-file front end (image_file.cpp) and
// the individual format codecs. Nothing outside src/render includes this.
//
// Every decoder works on a complete in-memory file, checks every offset and
// size against the buffer before reading, refuses pictures beyond the size
// limits before it allocates, and reports failures as a short sentence in
// `error`. Decoders fill `image` completely on success and leave it in an
// unspecified state on failure (the front end clears it).
#pragma once

#include "render/image_file.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace imagecodec {

// ---- shared helpers (codec_common.cpp) -------------------------------------

// Little-endian reads; the caller has checked that the bytes exist.
inline uint16_t readU16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t readU32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t readI32(const unsigned char* p) { return static_cast<int32_t>(readU32(p)); }

// Little-endian appends for the encoders.
void putU16(std::vector<unsigned char>& out, uint32_t value);
void putU32(std::vector<unsigned char>& out, uint32_t value);

// True if width and height are positive and within kMaxImageSide and
// kMaxImagePixels; otherwise false with a message naming the format.
bool checkDimensions(long long width, long long height, const char* format, std::string& error);

// Sizes `image` for width x height RGBA pixels, all opaque black.
void allocatePixels(RgbaImage& image, int width, int height);

// One colour channel described by a bit mask (as in BMP bit fields and DDS
// pixel formats). A zero mask gives the channel's default.
struct ChannelMask {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t maximum = 0; // mask >> shift
};
ChannelMask makeChannelMask(uint32_t mask);
// The channel of `pixel` scaled to 0..255; `fallback` when the mask is zero.
unsigned char extractChannel(const ChannelMask& channel, uint32_t pixel, unsigned char fallback);

// Linear float to 8 bit: clamped to 0..1 and rounded; NaN gives 0.
unsigned char floatToByte(float value);

// True if any alpha byte of the RGBA buffer is below 255.
bool anyTranslucentPixel(const std::vector<unsigned char>& rgba);

// The pixels as tightly packed RGB (alpha dropped).
std::vector<unsigned char> packRgb(const RgbaImage& image);

// ---- BMP and DIB (codec_bmp.cpp) -------------------------------------------

// True if the bytes start like a BMP file ("BM") or a bare DIB (a bitmap
// info header without the file header).
bool looksLikeBmp(const unsigned char* bytes, size_t count);
bool decodeBmp(const unsigned char* bytes, size_t count, RgbaImage& image, std::string& error);
bool readBmpSize(const unsigned char* bytes, size_t count, int& width, int& height, std::string& error);
// 24-bit BMP without alpha, 32-bit BMP (V4 header with an alpha mask) with.
void encodeBmp(const RgbaImage& image, std::vector<unsigned char>& out);

// ---- DDS (codec_dds.cpp) ---------------------------------------------------

bool looksLikeDds(const unsigned char* bytes, size_t count);
bool decodeDds(const unsigned char* bytes, size_t count, RgbaImage& image, std::string& error);
bool readDdsSize(const unsigned char* bytes, size_t count, int& width, int& height, std::string& error);
// Uncompressed 32-bit BGRA, one level; the alpha mask is declared only when
// the image has alpha.
void encodeDds(const RgbaImage& image, std::vector<unsigned char>& out);

// ---- PFM (codec_pfm.cpp) ---------------------------------------------------

bool looksLikePfm(const unsigned char* bytes, size_t count);
bool decodePfm(const unsigned char* bytes, size_t count, RgbaImage& image, std::string& error);
bool readPfmSize(const unsigned char* bytes, size_t count, int& width, int& height, std::string& error);

// ---- PGM and PPM (codec_pnm.cpp) -------------------------------------------

// "P2", "P3", "P5" or "P6" (plain or binary grey or colour map).
bool looksLikePnm(const unsigned char* bytes, size_t count);
bool decodePnm(const unsigned char* bytes, size_t count, RgbaImage& image, std::string& error);
bool readPnmSize(const unsigned char* bytes, size_t count, int& width, int& height, std::string& error);
// Binary P6, maximum value 255; alpha is dropped.
void encodePpm(const RgbaImage& image, std::vector<unsigned char>& out);

// ---- JPEG through libjpeg-turbo (codec_jpeg.cpp) -------------------------------

bool decodeJpeg(const unsigned char* bytes, size_t count, RgbaImage& image, std::string& error);
// Straight into `rgbBuffer(width, height)` (three bytes per pixel). False
// without a word in `error` when this decoder cannot take the file (the
// caller then tries the general path); with a reason for a refusal.
bool decodeJpegRgb(const unsigned char* bytes, size_t count,
                   const std::function<unsigned char*(int, int)>& rgbBuffer, std::string& error);
bool readJpegSize(const unsigned char* bytes, size_t count, int& width, int& height, std::string& error);

// ---- Formats decoded by stb_image (codec_stb.cpp) ----------------------------

// JPEG, PNG, Radiance HDR and TGA. `format` names the format
// for messages ("PNG", ...); `guessed` says that the content was not
// recognised and TGA (which has no signature) is only being tried, so that a
// failure reads as an unknown format.
bool decodeWithStb(const unsigned char* bytes, size_t count, const char* format, bool guessed, RgbaImage& image,
                   std::string& error);
bool readStbSize(const unsigned char* bytes, size_t count, const char* format, bool guessed, int& width,
                 int& height, std::string& error);

// PNG (RGBA when the image has alpha, else RGB), JPEG (RGB, `quality` 1..100)
// and TGA (32 or 24 bit likewise). False only if the writer failed.
bool encodePng(const RgbaImage& image, std::vector<unsigned char>& out);
bool encodeJpeg(const RgbaImage& image, int quality, std::vector<unsigned char>& out);
bool encodeTga(const RgbaImage& image, std::vector<unsigned char>& out);

} // namespace imagecodec
