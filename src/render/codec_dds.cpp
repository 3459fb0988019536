// DDS: DirectDraw surfaces. Only the first (largest) level of a plain 2D
// texture is read; mipmap counts are therefore never trusted.
//
// Read: uncompressed RGB(A) and luminance(+alpha) described by bit masks
// (8, 16, 24 or 32 bits per pixel), DXT1 (with its 1-bit alpha), DXT3 and
// DXT5. Refused with a message: cube maps, volume textures, the DX10
// extension header, premultiplied DXT2/DXT4 and every other format code.
// Written: uncompressed 32-bit BGRA, one level.
#include "render/image_codecs.h"

#include <array>
#include <cctype>

namespace imagecodec {
namespace {

constexpr size_t kMagicSize = 4;
constexpr uint32_t kHeaderSize = 124;
constexpr size_t kDataOffset = kMagicSize + kHeaderSize;

// Header flags
constexpr uint32_t kFlagCaps = 0x1;
constexpr uint32_t kFlagHeight = 0x2;
constexpr uint32_t kFlagWidth = 0x4;
constexpr uint32_t kFlagPitch = 0x8;
constexpr uint32_t kFlagPixelFormat = 0x1000;
constexpr uint32_t kFlagDepth = 0x800000;
// Pixel format flags
constexpr uint32_t kPfAlphaPixels = 0x1;
constexpr uint32_t kPfFourCc = 0x4;
constexpr uint32_t kPfRgb = 0x40;
constexpr uint32_t kPfLuminance = 0x20000;
// Capabilities
constexpr uint32_t kCapsTexture = 0x1000;
constexpr uint32_t kCaps2Cubemap = 0x200;
constexpr uint32_t kCaps2Volume = 0x200000;

constexpr uint32_t fourCc(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<unsigned char>(a)) | (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 8) |
           (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(d)) << 24);
}

enum class DdsKind { Uncompressed, Dxt1, Dxt3, Dxt5 };

struct DdsLayout {
    int width = 0;
    int height = 0;
    DdsKind kind = DdsKind::Uncompressed;
    uint32_t pixelFlags = 0;
    uint32_t bitCount = 0;
    std::array<uint32_t, 4> masks{}; // red (or luminance), green, blue, alpha
};

// "DXT1" when the code is four printable characters, else its number.
std::string describeFourCc(uint32_t code) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        unsigned char c = static_cast<unsigned char>((code >> (8 * i)) & 0xFF);
        if (!std::isprint(c)) return std::to_string(code);
        text.push_back(static_cast<char>(c));
    }
    return "'" + text + "'";
}

bool readCompressedKind(uint32_t code, DdsLayout& layout, std::string& error) {
    if (code == fourCc('D', 'X', 'T', '1')) {
        layout.kind = DdsKind::Dxt1;
    } else if (code == fourCc('D', 'X', 'T', '3')) {
        layout.kind = DdsKind::Dxt3;
    } else if (code == fourCc('D', 'X', 'T', '5')) {
        layout.kind = DdsKind::Dxt5;
    } else if (code == fourCc('D', 'X', '1', '0')) {
        error = "DDS files with the DX10 extension header are not supported";
        return false;
    } else if (code == fourCc('D', 'X', 'T', '2') || code == fourCc('D', 'X', 'T', '4')) {
        error = "DDS with premultiplied alpha (DXT2, DXT4) is not supported";
        return false;
    } else {
        error = "DDS format " + describeFourCc(code) + " is not supported";
        return false;
    }
    return true;
}

bool readUncompressedFormat(const unsigned char* pf, DdsLayout& layout, std::string& error) {
    layout.bitCount = readU32(pf + 12);
    for (int i = 0; i < 4; ++i) layout.masks[static_cast<size_t>(i)] = readU32(pf + 16 + 4 * i);
    bool luminance = (layout.pixelFlags & kPfLuminance) != 0;
    if (!(layout.pixelFlags & kPfRgb) && !luminance) {
        error = "DDS pixel format is neither RGB nor luminance nor block compressed";
        return false;
    }
    uint32_t bits = layout.bitCount;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        error = "DDS with " + std::to_string(bits) + " bits per pixel is not supported";
        return false;
    }
    if (!(layout.pixelFlags & kPfAlphaPixels)) layout.masks[3] = 0;
    if (luminance) layout.masks[1] = layout.masks[2] = 0;
    if (bits < 32) {
        for (uint32_t mask : layout.masks) {
            if (mask >= (1u << bits)) {
                error = "DDS colour masks do not fit the pixel size";
                return false;
            }
        }
    }
    if ((layout.masks[0] | layout.masks[1] | layout.masks[2]) == 0) {
        error = "DDS colour masks are empty";
        return false;
    }
    return true;
}

bool parseLayout(const unsigned char* bytes, size_t count, DdsLayout& layout, std::string& error) {
    if (count < kDataOffset) {
        error = "DDS header is truncated";
        return false;
    }
    const unsigned char* header = bytes + kMagicSize;
    if (readU32(header) != kHeaderSize) {
        error = "DDS header size " + std::to_string(readU32(header)) + " is not supported";
        return false;
    }
    uint32_t flags = readU32(header + 4);
    uint32_t height = readU32(header + 8);
    uint32_t width = readU32(header + 12);
    uint32_t depth = readU32(header + 20);
    uint32_t caps2 = readU32(header + 108);
    if (caps2 & kCaps2Cubemap) {
        error = "DDS cube maps are not supported";
        return false;
    }
    if ((caps2 & kCaps2Volume) || ((flags & kFlagDepth) && depth > 1)) {
        error = "DDS volume textures are not supported";
        return false;
    }
    if (!checkDimensions(width, height, "DDS", error)) return false;
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height);

    const unsigned char* pf = header + 72;
    layout.pixelFlags = readU32(pf + 4);
    if (layout.pixelFlags & kPfFourCc) return readCompressedKind(readU32(pf + 8), layout, error);
    return readUncompressedFormat(pf, layout, error);
}

size_t blockBytes(DdsKind kind) { return kind == DdsKind::Dxt1 ? 8 : 16; }

// Bytes of the first level.
uint64_t levelSize(const DdsLayout& layout) {
    if (layout.kind == DdsKind::Uncompressed) {
        uint64_t pitch = (static_cast<uint64_t>(layout.width) * layout.bitCount + 7) / 8;
        return pitch * static_cast<uint64_t>(layout.height);
    }
    uint64_t blocksWide = (static_cast<uint64_t>(layout.width) + 3) / 4;
    uint64_t blocksHigh = (static_cast<uint64_t>(layout.height) + 3) / 4;
    return blocksWide * blocksHigh * blockBytes(layout.kind);
}

void decodeUncompressed(const unsigned char* data, const DdsLayout& layout, RgbaImage& image) {
    std::array<ChannelMask, 4> channels = {makeChannelMask(layout.masks[0]), makeChannelMask(layout.masks[1]),
                                           makeChannelMask(layout.masks[2]), makeChannelMask(layout.masks[3])};
    bool luminance = (layout.pixelFlags & kPfLuminance) != 0;
    size_t bytesPerPixel = layout.bitCount / 8;
    size_t pixelCount = static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height);
    for (size_t i = 0; i < pixelCount; ++i) {
        const unsigned char* p = data + i * bytesPerPixel;
        uint32_t value = 0;
        for (size_t b = bytesPerPixel; b-- > 0;) value = (value << 8) | p[b];
        unsigned char* out = image.pixels.data() + i * 4;
        out[0] = extractChannel(channels[0], value, 0);
        out[1] = luminance ? out[0] : extractChannel(channels[1], value, 0);
        out[2] = luminance ? out[0] : extractChannel(channels[2], value, 0);
        out[3] = extractChannel(channels[3], value, 255);
    }
    image.hasAlpha = layout.masks[3] != 0;
}

// 5:6:5 colour to 8 bits per channel, the top bits repeated into the low ones.
std::array<int, 3> expand565(uint16_t colour) {
    int r = (colour >> 11) & 31;
    int g = (colour >> 5) & 63;
    int b = colour & 31;
    return {(r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)};
}

// Decodes the 8-byte colour part of a block into 16 RGBA texels (row-major).
// `threeColourMode` lets c0 <= c1 select the three-colour palette with a
// transparent fourth entry (DXT1 only).
void decodeColourBlock(const unsigned char* block, bool threeColourMode, std::array<std::array<unsigned char, 4>, 16>& texels) {
    uint16_t c0 = readU16(block);
    uint16_t c1 = readU16(block + 2);
    std::array<int, 3> a = expand565(c0);
    std::array<int, 3> b = expand565(c1);
    std::array<std::array<unsigned char, 4>, 4> palette{};
    bool fourColours = !threeColourMode || c0 > c1;
    for (int i = 0; i < 3; ++i) {
        palette[0][static_cast<size_t>(i)] = static_cast<unsigned char>(a[static_cast<size_t>(i)]);
        palette[1][static_cast<size_t>(i)] = static_cast<unsigned char>(b[static_cast<size_t>(i)]);
        int ai = a[static_cast<size_t>(i)];
        int bi = b[static_cast<size_t>(i)];
        if (fourColours) {
            palette[2][static_cast<size_t>(i)] = static_cast<unsigned char>((2 * ai + bi) / 3);
            palette[3][static_cast<size_t>(i)] = static_cast<unsigned char>((ai + 2 * bi) / 3);
        } else {
            palette[2][static_cast<size_t>(i)] = static_cast<unsigned char>((ai + bi) / 2);
            palette[3][static_cast<size_t>(i)] = 0;
        }
    }
    palette[0][3] = palette[1][3] = palette[2][3] = 255;
    palette[3][3] = fourColours ? 255 : 0;

    uint32_t indices = readU32(block + 4);
    for (int t = 0; t < 16; ++t) texels[static_cast<size_t>(t)] = palette[(indices >> (2 * t)) & 3];
}

// DXT3: sixteen explicit 4-bit alpha values.
void decodeExplicitAlpha(const unsigned char* block, std::array<std::array<unsigned char, 4>, 16>& texels) {
    for (int t = 0; t < 16; ++t) {
        unsigned nibble = (block[t / 2] >> ((t & 1) * 4)) & 15;
        texels[static_cast<size_t>(t)][3] = static_cast<unsigned char>(nibble * 17);
    }
}

// DXT5: two end points and sixteen 3-bit indices into eight values.
void decodeInterpolatedAlpha(const unsigned char* block, std::array<std::array<unsigned char, 4>, 16>& texels) {
    int a0 = block[0];
    int a1 = block[1];
    std::array<int, 8> values{a0, a1};
    if (a0 > a1) {
        for (int k = 1; k <= 6; ++k) values[static_cast<size_t>(k + 1)] = ((7 - k) * a0 + k * a1) / 7;
    } else {
        for (int k = 1; k <= 4; ++k) values[static_cast<size_t>(k + 1)] = ((5 - k) * a0 + k * a1) / 5;
        values[6] = 0;
        values[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 5; i >= 0; --i) bits = (bits << 8) | block[2 + i];
    for (int t = 0; t < 16; ++t)
        texels[static_cast<size_t>(t)][3] = static_cast<unsigned char>(values[(bits >> (3 * t)) & 7]);
}

void decodeBlocks(const unsigned char* data, const DdsLayout& layout, RgbaImage& image) {
    int blocksWide = (layout.width + 3) / 4;
    int blocksHigh = (layout.height + 3) / 4;
    size_t stride = blockBytes(layout.kind);
    bool transparentTexel = false;
    std::array<std::array<unsigned char, 4>, 16> texels{};
    for (int by = 0; by < blocksHigh; ++by) {
        for (int bx = 0; bx < blocksWide; ++bx) {
            const unsigned char* block = data + (static_cast<size_t>(by) * static_cast<size_t>(blocksWide) + static_cast<size_t>(bx)) * stride;
            if (layout.kind == DdsKind::Dxt1) {
                decodeColourBlock(block, true, texels);
            } else {
                decodeColourBlock(block + 8, false, texels);
                if (layout.kind == DdsKind::Dxt3)
                    decodeExplicitAlpha(block, texels);
                else
                    decodeInterpolatedAlpha(block, texels);
            }
            for (int t = 0; t < 16; ++t) {
                int x = bx * 4 + t % 4;
                int y = by * 4 + t / 4;
                if (x >= layout.width || y >= layout.height) continue;
                unsigned char* out = image.pixels.data() + (static_cast<size_t>(y) * static_cast<size_t>(layout.width) + static_cast<size_t>(x)) * 4;
                for (int c = 0; c < 4; ++c) out[c] = texels[static_cast<size_t>(t)][static_cast<size_t>(c)];
                transparentTexel = transparentTexel || out[3] == 0;
            }
        }
    }
    if (layout.kind == DdsKind::Dxt1)
        image.hasAlpha = transparentTexel || (layout.pixelFlags & kPfAlphaPixels) != 0;
    else
        image.hasAlpha = true;
}

} // namespace

bool looksLikeDds(const unsigned char* bytes, size_t count) {
    return count >= 4 && bytes[0] == 'D' && bytes[1] == 'D' && bytes[2] == 'S' && bytes[3] == ' ';
}

bool decodeDds(const unsigned char* bytes, size_t count, RgbaImage& image, std::string& error) {
    DdsLayout layout;
    if (!parseLayout(bytes, count, layout, error)) return false;
    if (count - kDataOffset < levelSize(layout)) {
        error = "DDS pixel data is truncated";
        return false;
    }
    allocatePixels(image, layout.width, layout.height);
    if (layout.kind == DdsKind::Uncompressed)
        decodeUncompressed(bytes + kDataOffset, layout, image);
    else
        decodeBlocks(bytes + kDataOffset, layout, image);
    return true;
}

bool readDdsSize(const unsigned char* bytes, size_t count, int& width, int& height, std::string& error) {
    DdsLayout layout;
    if (!parseLayout(bytes, count, layout, error)) return false;
    width = layout.width;
    height = layout.height;
    return true;
}

void encodeDds(const RgbaImage& image, std::vector<unsigned char>& out) {
    uint32_t width = static_cast<uint32_t>(image.width);
    uint32_t height = static_cast<uint32_t>(image.height);
    out.clear();
    out.reserve(kDataOffset + static_cast<size_t>(width) * height * 4);
    out.insert(out.end(), {'D', 'D', 'S', ' '});
    putU32(out, kHeaderSize);
    putU32(out, kFlagCaps | kFlagHeight | kFlagWidth | kFlagPitch | kFlagPixelFormat);
    putU32(out, height);
    putU32(out, width);
    putU32(out, width * 4); // pitch
    putU32(out, 0);         // depth
    putU32(out, 0);         // mipmap count: one level
    out.insert(out.end(), 11 * 4, 0);
    // Pixel format
    putU32(out, 32);
    putU32(out, kPfRgb | (image.hasAlpha ? kPfAlphaPixels : 0));
    putU32(out, 0);
    putU32(out, 32);
    putU32(out, 0x00FF0000);
    putU32(out, 0x0000FF00);
    putU32(out, 0x000000FF);
    putU32(out, image.hasAlpha ? 0xFF000000 : 0);
    putU32(out, kCapsTexture);
    out.insert(out.end(), 4 * 4, 0); // caps 2 to 4, reserved

    size_t start = out.size();
    out.resize(start + static_cast<size_t>(width) * height * 4);
    unsigned char* dst = out.data() + start;
    for (size_t i = 0; i + 3 < image.pixels.size(); i += 4, dst += 4) {
        dst[0] = image.pixels[i + 2];
        dst[1] = image.pixels[i + 1];
        dst[2] = image.pixels[i + 0];
        dst[3] = image.hasAlpha ? image.pixels[i + 3] : 255;
    }
}

} // namespace imagecodec
