// BMP and DIB: Windows bitmaps with or without the 14-byte file header.
//
// Read: core (12-byte), info (40), OS/2 2.x (64), V2 (52), V3 (56), V4 (108)
// and V5 (124) headers; 1, 2, 4 and 8 bits through the colour table, 16, 24
// and 32 bits directly or through bit fields; RLE8 and RLE4; rows bottom-up
// or top-down. Written: 24-bit, or 32-bit with a V4 header when the picture
// has alpha; rows bottom-up.
#include "render/image_codecs.h"

#include <algorithm>
#include <array>

namespace imagecodec {
namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiJpeg = 4;
constexpr uint32_t kBiPng = 5;
constexpr uint32_t kBiAlphaBitfields = 6;

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kOs2HeaderSize = 64;
constexpr uint32_t kV4HeaderSize = 108;

struct BmpLayout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = kBiRgb;
    std::array<uint32_t, 4> masks{}; // red, green, blue, alpha
    bool alphaFromMask = false;      // the alpha mask was given explicitly
    bool alphaIfNonZero = false;     // 32-bit without bit fields: the fourth byte may be alpha
    size_t paletteOffset = 0;
    int paletteEntries = 0;
    int paletteEntrySize = 4;
    size_t pixelOffset = 0;
};

using Palette = std::array<std::array<unsigned char, 3>, 256>; // red, green, blue

bool isKnownInfoSize(uint32_t size) {
    return size == kCoreHeaderSize || size == kInfoHeaderSize || size == 52 || size == 56 || size == kOs2HeaderSize ||
           size == kV4HeaderSize || size == 124;
}

bool isKnownBitCount(int bits) {
    return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool hasFileHeader(const unsigned char* bytes, size_t count) {
    return count >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
}

// Checks the compression against the bit depth and the row order.
bool checkCompression(const BmpLayout& layout, uint32_t infoSize, std::string& error) {
    uint32_t compression = layout.compression;
    if (infoSize == kOs2HeaderSize && compression != kBiRgb && compression != kBiRle8 && compression != kBiRle4) {
        error = "OS/2 compressed BMP files are not supported";
        return false;
    }
    if (compression == kBiJpeg || compression == kBiPng) {
        error = "BMP files holding JPEG or PNG data are not supported";
        return false;
    }
    if (compression == kBiRle8 || compression == kBiRle4) {
        if (layout.bitCount != (compression == kBiRle8 ? 8 : 4)) {
            error = "BMP run-length encoding does not match its bit depth";
            return false;
        }
        if (layout.topDown) {
            error = "BMP with top-down rows cannot be run-length encoded";
            return false;
        }
        return true;
    }
    if (compression == kBiBitfields || compression == kBiAlphaBitfields) {
        if (layout.bitCount < 16) {
            error = "BMP bit fields need 16, 24 or 32 bits per pixel";
            return false;
        }
        return true;
    }
    if (compression != kBiRgb) {
        error = "BMP compression " + std::to_string(compression) + " is not supported";
        return false;
    }
    return true;
}

// Reads the bit-field masks (from the header or right after it) or sets the
// default masks for the bit depth. `afterHeader` moves past masks stored
// behind a 40-byte header.
bool readMasks(const unsigned char* bytes, size_t count, size_t infoStart, uint32_t infoSize, BmpLayout& layout,
               size_t& afterHeader, std::string& error) {
    auto& masks = layout.masks;
    if (layout.compression == kBiBitfields || layout.compression == kBiAlphaBitfields) {
        int maskCount = layout.compression == kBiAlphaBitfields ? 4 : 3;
        if (infoSize >= 52) {
            const unsigned char* info = bytes + infoStart;
            for (int i = 0; i < 3; ++i) masks[i] = readU32(info + 40 + 4 * i);
            if (infoSize >= 56) masks[3] = readU32(info + 52);
        } else {
            if (count - afterHeader < static_cast<size_t>(4 * maskCount)) {
                error = "BMP bit-field masks are truncated";
                return false;
            }
            for (int i = 0; i < maskCount; ++i) masks[i] = readU32(bytes + afterHeader + 4 * i);
            afterHeader += static_cast<size_t>(4 * maskCount);
        }
        if (layout.bitCount < 32) {
            uint32_t limit = 1u << layout.bitCount;
            for (uint32_t mask : masks) {
                if (mask >= limit) {
                    error = "BMP bit-field masks do not fit the pixel size";
                    return false;
                }
            }
        }
        if ((masks[0] | masks[1] | masks[2]) == 0) {
            error = "BMP bit-field masks are empty";
            return false;
        }
        layout.alphaFromMask = masks[3] != 0;
        return true;
    }
    if (layout.bitCount == 16) {
        masks = {0x7C00, 0x03E0, 0x001F, 0};
    } else if (layout.bitCount == 24 || layout.bitCount == 32) {
        masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
        if (layout.bitCount == 32) {
            masks[3] = 0xFF000000;
            layout.alphaIfNonZero = true;
        }
    }
    return true;
}

// Parses every header field the decoder needs and checks it against the
// size of the buffer.
bool parseLayout(const unsigned char* bytes, size_t count, BmpLayout& layout, std::string& error) {
    bool fileHeader = hasFileHeader(bytes, count);
    size_t infoStart = fileHeader ? kFileHeaderSize : 0;
    if (count < infoStart + 4) {
        error = "BMP file is truncated before its header";
        return false;
    }
    uint32_t pixelOffsetField = fileHeader ? readU32(bytes + 10) : 0;
    uint32_t infoSize = readU32(bytes + infoStart);
    if (!isKnownInfoSize(infoSize)) {
        error = "BMP header size " + std::to_string(infoSize) + " is not supported";
        return false;
    }
    if (count - infoStart < infoSize) {
        error = "BMP header is truncated";
        return false;
    }
    const unsigned char* info = bytes + infoStart;
    long long width = 0;
    long long height = 0;
    uint32_t colorsUsed = 0;
    if (infoSize == kCoreHeaderSize) {
        width = readU16(info + 4);
        height = readU16(info + 6);
        layout.bitCount = readU16(info + 10);
        layout.paletteEntrySize = 3;
    } else {
        width = readI32(info + 4);
        height = readI32(info + 8);
        layout.bitCount = readU16(info + 14);
        layout.compression = readU32(info + 16);
        colorsUsed = readU32(info + 32);
    }
    if (height < 0) {
        layout.topDown = true;
        height = -height;
    }
    if (!checkDimensions(width, height, "BMP", error)) return false;
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height);
    if (!isKnownBitCount(layout.bitCount)) {
        error = "BMP with " + std::to_string(layout.bitCount) + " bits per pixel is not supported";
        return false;
    }
    if (layout.paletteEntrySize == 3 && layout.bitCount != 24 && layout.bitCount > 8) {
        error = "BMP core header with " + std::to_string(layout.bitCount) + " bits per pixel is not supported";
        return false;
    }
    if (!checkCompression(layout, infoSize, error)) return false;

    size_t afterHeader = infoStart + infoSize;
    if (!readMasks(bytes, count, infoStart, infoSize, layout, afterHeader, error)) return false;

    // The colour table lies between the header and the pixels; a pixel
    // offset that cuts it short limits the number of usable entries.
    layout.paletteOffset = afterHeader;
    size_t paletteEnd = afterHeader;
    if (layout.bitCount <= 8) {
        uint32_t maxEntries = 1u << layout.bitCount;
        uint32_t entries = (colorsUsed == 0 || colorsUsed > maxEntries) ? maxEntries : colorsUsed;
        size_t limit = count;
        if (fileHeader && pixelOffsetField != 0 && pixelOffsetField < count) limit = pixelOffsetField;
        size_t available = limit > afterHeader ? (limit - afterHeader) / static_cast<size_t>(layout.paletteEntrySize) : 0;
        layout.paletteEntries = static_cast<int>(std::min<size_t>(entries, available));
        if (layout.paletteEntries == 0) {
            error = "BMP colour table is missing";
            return false;
        }
        paletteEnd = afterHeader + static_cast<size_t>(layout.paletteEntries * layout.paletteEntrySize);
    } else if (colorsUsed > 0 && colorsUsed <= 256) {
        // Optional colour table of a direct-colour bitmap: only skipped.
        paletteEnd = std::min(count, afterHeader + static_cast<size_t>(colorsUsed) * 4);
    }

    if (fileHeader && pixelOffsetField != 0) {
        if (pixelOffsetField > count) {
            error = "BMP pixel data offset lies past the end of the file";
            return false;
        }
        if (pixelOffsetField < infoStart + infoSize) {
            error = "BMP pixel data offset points into the header";
            return false;
        }
        layout.pixelOffset = pixelOffsetField;
    } else {
        layout.pixelOffset = paletteEnd;
    }
    return true;
}

Palette readPalette(const unsigned char* bytes, const BmpLayout& layout) {
    Palette palette{};
    for (int i = 0; i < layout.paletteEntries; ++i) {
        const unsigned char* entry = bytes + layout.paletteOffset + static_cast<size_t>(i * layout.paletteEntrySize);
        palette[static_cast<size_t>(i)] = {entry[2], entry[1], entry[0]};
    }
    return palette;
}

void putPaletteColour(unsigned char* dst, const Palette& palette, int entries, unsigned index) {
    if (index < static_cast<unsigned>(entries)) {
        dst[0] = palette[index][0];
        dst[1] = palette[index][1];
        dst[2] = palette[index][2];
    } else {
        dst[0] = dst[1] = dst[2] = 0; // index beyond the table: black
    }
    dst[3] = 255;
}

void decodeIndexedRow(const unsigned char* src, unsigned char* dst, const BmpLayout& layout, const Palette& palette) {
    int bits = layout.bitCount;
    unsigned valueMask = (1u << bits) - 1;
    for (int x = 0; x < layout.width; ++x) {
        size_t bitPos = static_cast<size_t>(x) * static_cast<size_t>(bits);
        unsigned byte = src[bitPos / 8];
        unsigned shift = 8 - static_cast<unsigned>(bits) - static_cast<unsigned>(bitPos % 8);
        putPaletteColour(dst + x * 4, palette, layout.paletteEntries, (byte >> shift) & valueMask);
    }
}

// Direct-colour row; returns true if any alpha value was non-zero.
bool decodeDirectRow(const unsigned char* src, unsigned char* dst, const BmpLayout& layout,
                     const std::array<ChannelMask, 4>& channels) {
    int bytesPerPixel = layout.bitCount / 8;
    bool anyAlpha = false;
    for (int x = 0; x < layout.width; ++x) {
        const unsigned char* p = src + static_cast<size_t>(x) * static_cast<size_t>(bytesPerPixel);
        uint32_t value = 0;
        for (int b = bytesPerPixel - 1; b >= 0; --b) value = (value << 8) | p[b];
        unsigned char* out = dst + x * 4;
        out[0] = extractChannel(channels[0], value, 0);
        out[1] = extractChannel(channels[1], value, 0);
        out[2] = extractChannel(channels[2], value, 0);
        out[3] = extractChannel(channels[3], value, 255);
        anyAlpha = anyAlpha || out[3] != 0;
    }
    return anyAlpha;
}

bool decodeUncompressed(const unsigned char* bytes, size_t count, const BmpLayout& layout, RgbaImage& image,
                        std::string& error) {
    uint64_t stride = (static_cast<uint64_t>(layout.width) * static_cast<uint64_t>(layout.bitCount) + 31) / 32 * 4;
    uint64_t needed = stride * static_cast<uint64_t>(layout.height);
    if (count - layout.pixelOffset < needed) {
        error = "BMP pixel data is truncated";
        return false;
    }
    allocatePixels(image, layout.width, layout.height);
    Palette palette = readPalette(bytes, layout);
    bool useAlpha = layout.alphaFromMask || layout.alphaIfNonZero;
    std::array<ChannelMask, 4> channels = {makeChannelMask(layout.masks[0]), makeChannelMask(layout.masks[1]),
                                           makeChannelMask(layout.masks[2]),
                                           makeChannelMask(useAlpha ? layout.masks[3] : 0)};
    bool anyAlpha = false;
    for (int row = 0; row < layout.height; ++row) {
        const unsigned char* src = bytes + layout.pixelOffset + static_cast<size_t>(row) * stride;
        int y = layout.topDown ? row : layout.height - 1 - row;
        unsigned char* dst = image.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(layout.width) * 4;
        if (layout.bitCount <= 8)
            decodeIndexedRow(src, dst, layout, palette);
        else
            anyAlpha = decodeDirectRow(src, dst, layout, channels) || anyAlpha;
    }
    if (layout.alphaFromMask) {
        image.hasAlpha = true;
    } else if (layout.alphaIfNonZero) {
        // A fourth byte that is zero everywhere is padding, not alpha.
        image.hasAlpha = anyAlpha;
        if (!anyAlpha)
            for (size_t i = 3; i < image.pixels.size(); i += 4) image.pixels[i] = 255;
    }
    return true;
}

// Position in run-length encoded rows (counted from the bottom). Without an
// image it only moves, so that a stream can be checked before allocating.
struct RleCursor {
    int width;
    int height;
    RgbaImage* image;
    const Palette& palette;
    int entries;
    int x = 0;
    int row = 0;

    bool atEnd() const { return row >= height; }
    void put(unsigned index) {
        if (x >= width) return; // pixels past the row's end are dropped
        if (image) {
            size_t offset =
                (static_cast<size_t>(height - 1 - row) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4;
            putPaletteColour(image->pixels.data() + offset, palette, entries, index);
        }
        ++x;
    }
};

// Follows an RLE8 or RLE4 stream; false if it ends early.
bool walkRunLength(const unsigned char* bytes, size_t count, const BmpLayout& layout, RleCursor& cursor,
                   std::string& error) {
    bool fourBit = layout.compression == kBiRle4;
    size_t pos = layout.pixelOffset;
    while (!cursor.atEnd()) {
        if (count - pos < 2) {
            // Tolerate a stream that stops after its last pixel without the
            // closing marker; anything shorter is a truncated file.
            bool lastRowDone = cursor.row == layout.height - 1 && cursor.x >= layout.width;
            if (lastRowDone) break;
            error = "BMP run-length data is truncated";
            return false;
        }
        unsigned first = bytes[pos];
        unsigned second = bytes[pos + 1];
        pos += 2;
        if (first > 0) { // a run of one index (RLE4: two alternating indices)
            for (unsigned i = 0; i < first && cursor.x < layout.width; ++i)
                cursor.put(fourBit ? ((i & 1) ? (second & 15) : (second >> 4)) : second);
            continue;
        }
        if (second == 0) { // end of line
            cursor.x = 0;
            ++cursor.row;
        } else if (second == 1) { // end of bitmap
            break;
        } else if (second == 2) { // move right and up
            if (count - pos < 2) {
                error = "BMP run-length data is truncated";
                return false;
            }
            cursor.x = std::min(layout.width, cursor.x + bytes[pos]);
            cursor.row += bytes[pos + 1];
            pos += 2;
        } else { // literal indices, padded to an even number of bytes
            size_t literalBytes = fourBit ? (second + 1) / 2 : second;
            if (count - pos < literalBytes) {
                error = "BMP run-length data is truncated";
                return false;
            }
            for (unsigned i = 0; i < second && cursor.x < layout.width; ++i) {
                unsigned byte = bytes[pos + (fourBit ? i / 2 : i)];
                cursor.put(fourBit ? ((i & 1) ? (byte & 15) : (byte >> 4)) : byte);
            }
            pos += literalBytes;
            if (literalBytes % 2 == 1 && pos < count) ++pos;
        }
    }
    return true;
}

bool decodeRunLength(const unsigned char* bytes, size_t count, const BmpLayout& layout, RgbaImage& image,
                     std::string& error) {
    Palette palette = readPalette(bytes, layout);
    // A truncated stream is refused before the picture is allocated.
    RleCursor check{layout.width, layout.height, nullptr, palette, layout.paletteEntries};
    if (!walkRunLength(bytes, count, layout, check, error)) return false;

    allocatePixels(image, layout.width, layout.height);
    // Pixels the stream skips keep colour 0, as in a freshly made bitmap.
    for (size_t i = 0; i < image.pixels.size(); i += 4)
        putPaletteColour(&image.pixels[i], palette, layout.paletteEntries, 0);
    RleCursor cursor{layout.width, layout.height, &image, palette, layout.paletteEntries};
    return walkRunLength(bytes, count, layout, cursor, error);
}

} // namespace

bool looksLikeBmp(const unsigned char* bytes, size_t count) {
    if (hasFileHeader(bytes, count)) return true;
    // A bare DIB starts with its header size; demand a plane count of 1 and
    // a known depth so that other formats are not taken for one.
    if (count < 16) return false;
    uint32_t infoSize = readU32(bytes);
    if (!isKnownInfoSize(infoSize)) return false;
    if (infoSize == kCoreHeaderSize) return readU16(bytes + 8) == 1 && isKnownBitCount(readU16(bytes + 10));
    return readU16(bytes + 12) == 1 && isKnownBitCount(readU16(bytes + 14));
}

bool decodeBmp(const unsigned char* bytes, size_t count, RgbaImage& image, std::string& error) {
    BmpLayout layout;
    if (!parseLayout(bytes, count, layout, error)) return false;
    if (layout.compression == kBiRle8 || layout.compression == kBiRle4)
        return decodeRunLength(bytes, count, layout, image, error);
    return decodeUncompressed(bytes, count, layout, image, error);
}

bool readBmpSize(const unsigned char* bytes, size_t count, int& width, int& height, std::string& error) {
    BmpLayout layout;
    if (!parseLayout(bytes, count, layout, error)) return false;
    width = layout.width;
    height = layout.height;
    return true;
}

void encodeBmp(const RgbaImage& image, std::vector<unsigned char>& out) {
    bool alpha = image.hasAlpha;
    uint32_t width = static_cast<uint32_t>(image.width);
    uint32_t height = static_cast<uint32_t>(image.height);
    uint32_t bytesPerPixel = alpha ? 4 : 3;
    uint32_t stride = (width * bytesPerPixel + 3) & ~3u;
    uint32_t infoSize = alpha ? kV4HeaderSize : kInfoHeaderSize;
    uint32_t pixelOffset = static_cast<uint32_t>(kFileHeaderSize) + infoSize;
    uint32_t dataSize = stride * height;

    out.clear();
    out.reserve(pixelOffset + dataSize);
    out.push_back('B');
    out.push_back('M');
    putU32(out, pixelOffset + dataSize);
    putU32(out, 0);
    putU32(out, pixelOffset);

    putU32(out, infoSize);
    putU32(out, width);
    putU32(out, height); // positive: rows bottom-up
    putU16(out, 1);
    putU16(out, bytesPerPixel * 8);
    putU32(out, alpha ? kBiBitfields : kBiRgb);
    putU32(out, dataSize);
    putU32(out, 2835); // 72 dots per inch
    putU32(out, 2835);
    putU32(out, 0);
    putU32(out, 0);
    if (alpha) {
        putU32(out, 0x00FF0000);
        putU32(out, 0x0000FF00);
        putU32(out, 0x000000FF);
        putU32(out, 0xFF000000);
        putU32(out, 0x73524742); // colour space "sRGB"
        out.insert(out.end(), 36 + 12, 0); // end points and gamma, unused for sRGB
    }

    size_t rowStart = out.size();
    out.resize(rowStart + dataSize, 0);
    for (uint32_t row = 0; row < height; ++row) {
        const unsigned char* src = image.pixels.data() + static_cast<size_t>(height - 1 - row) * width * 4;
        unsigned char* dst = out.data() + rowStart + static_cast<size_t>(row) * stride;
        for (uint32_t x = 0; x < width; ++x, src += 4, dst += bytesPerPixel) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
            if (alpha) dst[3] = src[3];
        }
    }
}

} // namespace imagecodec
