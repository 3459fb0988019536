// PFM: portable float maps. "PF" holds three floats per pixel, "Pf" one
// (grey). The header is "PF", width, height and a scale separated by white
// space, then exactly one white-space byte; a negative scale marks
// little-endian floats. Rows run bottom-up. Values are clamped to 0..1.
#include "render/image_codecs.h"

#include <bit>
#include <charconv>
#include <cmath>

namespace imagecodec {
namespace {

struct PfmLayout {
    int width = 0;
    int height = 0;
    int channels = 3;
    bool littleEndian = false;
    size_t dataOffset = 0;
};

bool isSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Reads the next white-space separated token of at most 64 bytes.
bool nextToken(const unsigned char* bytes, size_t count, size_t& pos, std::string& token) {
    while (pos < count && isSpace(bytes[pos])) ++pos;
    size_t start = pos;
    while (pos < count && !isSpace(bytes[pos]) && pos - start < 64) ++pos;
    if (pos == start || (pos < count && !isSpace(bytes[pos]))) return false;
    token.assign(reinterpret_cast<const char*>(bytes + start), pos - start);
    return true;
}

bool parseDimension(const std::string& token, long long& value) {
    const char* end = token.data() + token.size();
    auto result = std::from_chars(token.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

bool parseLayout(const unsigned char* bytes, size_t count, PfmLayout& layout, std::string& error) {
    if (!looksLikePfm(bytes, count)) {
        error = "PFM header is missing";
        return false;
    }
    layout.channels = bytes[1] == 'F' ? 3 : 1;
    size_t pos = 2;
    std::string widthText;
    std::string heightText;
    std::string scaleText;
    long long width = 0;
    long long height = 0;
    if (!nextToken(bytes, count, pos, widthText) || !nextToken(bytes, count, pos, heightText) ||
        !parseDimension(widthText, width) || !parseDimension(heightText, height)) {
        error = "PFM header has no valid size";
        return false;
    }
    if (!checkDimensions(width, height, "PFM", error)) return false;
    double scale = 0.0;
    if (!nextToken(bytes, count, pos, scaleText)) {
        error = "PFM header has no scale";
        return false;
    }
    const char* end = scaleText.data() + scaleText.size();
    auto result = std::from_chars(scaleText.data(), end, scale);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(scale) || scale == 0.0) {
        error = "PFM header has an invalid scale";
        return false;
    }
    // nextToken stopped on the single separator before the data.
    if (pos >= count) {
        error = "PFM pixel data is missing";
        return false;
    }
    // Files written with Windows line ends carry "\r\n" there.
    bool crlf = bytes[pos] == '\r' && pos + 1 < count && bytes[pos + 1] == '\n';
    pos += crlf ? 2 : 1;
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height);
    layout.littleEndian = scale < 0.0;
    layout.dataOffset = pos;
    return true;
}

float readFloat(const unsigned char* p, bool littleEndian) {
    uint32_t bits = littleEndian ? readU32(p)
                                 : (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
                                       (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
    return std::bit_cast<float>(bits);
}

} // namespace

bool looksLikePfm(const unsigned char* bytes, size_t count) {
    return count >= 3 && bytes[0] == 'P' && (bytes[1] == 'F' || bytes[1] == 'f') && isSpace(bytes[2]);
}

bool decodePfm(const unsigned char* bytes, size_t count, RgbaImage& image, std::string& error) {
    PfmLayout layout;
    if (!parseLayout(bytes, count, layout, error)) return false;
    size_t rowFloats = static_cast<size_t>(layout.width) * static_cast<size_t>(layout.channels);
    uint64_t needed = static_cast<uint64_t>(rowFloats) * static_cast<uint64_t>(layout.height) * 4;
    if (count - layout.dataOffset < needed) {
        error = "PFM pixel data is truncated";
        return false;
    }
    allocatePixels(image, layout.width, layout.height);
    for (int row = 0; row < layout.height; ++row) {
        const unsigned char* src = bytes + layout.dataOffset + static_cast<size_t>(row) * rowFloats * 4;
        unsigned char* dst =
            image.pixels.data() + static_cast<size_t>(layout.height - 1 - row) * static_cast<size_t>(layout.width) * 4;
        for (int x = 0; x < layout.width; ++x, dst += 4) {
            for (int c = 0; c < 3; ++c) {
                int channel = layout.channels == 3 ? c : 0;
                size_t offset = (static_cast<size_t>(x) * static_cast<size_t>(layout.channels) + static_cast<size_t>(channel)) * 4;
                dst[c] = floatToByte(readFloat(src + offset, layout.littleEndian));
            }
        }
    }
    return true;
}

bool readPfmSize(const unsigned char* bytes, size_t count, int& width, int& height, std::string& error) {
    PfmLayout layout;
    if (!parseLayout(bytes, count, layout, error)) return false;
    width = layout.width;
    height = layout.height;
    return true;
}

} // namespace imagecodec
