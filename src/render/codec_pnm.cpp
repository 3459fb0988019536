// PGM and PPM: binary (P5, P6) and plain text (P2, P3) netpbm grey and colour
// maps with any maximum value up to 65535; 16-bit samples are big-endian.
// Samples are scaled from 0..maximum to 0..255. Written: binary P6 with a
// maximum of 255.
#include "render/image_codecs.h"


namespace imagecodec {
namespace {

struct PnmLayout {
    int width = 0;
    int height = 0;
    int channels = 1;
    bool binary = true;
    uint32_t maximum = 255;
    size_t dataOffset = 0;
};

bool isSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

void skipSpaceAndComments(const unsigned char* bytes, size_t count, size_t& pos) {
    for (;;) {
        while (pos < count && isSpace(bytes[pos])) ++pos;
        if (pos >= count || bytes[pos] != '#') return;
        while (pos < count && bytes[pos] != '\n' && bytes[pos] != '\r') ++pos;
    }
}

// Reads a decimal number of at most 9 digits after white space and comments.
bool readNumber(const unsigned char* bytes, size_t count, size_t& pos, uint32_t& value) {
    skipSpaceAndComments(bytes, count, pos);
    size_t start = pos;
    value = 0;
    while (pos < count && isDigit(bytes[pos]) && pos - start < 9) value = value * 10 + (bytes[pos++] - '0');
    return pos > start && (pos >= count || !isDigit(bytes[pos]));
}

const char* formatName(const unsigned char* bytes) { return (bytes[1] == '3' || bytes[1] == '6') ? "PPM" : "PGM"; }

bool parseLayout(const unsigned char* bytes, size_t count, PnmLayout& layout, std::string& error) {
    const char* format = formatName(bytes);
    layout.channels = (bytes[1] == '3' || bytes[1] == '6') ? 3 : 1;
    layout.binary = bytes[1] == '5' || bytes[1] == '6';
    size_t pos = 2;
    uint32_t width = 0, height = 0;
    if (!readNumber(bytes, count, pos, width) || !readNumber(bytes, count, pos, height) ||
        !readNumber(bytes, count, pos, layout.maximum)) {
        error = std::string(format) + " header is invalid";
        return false;
    }
    if (!checkDimensions(width, height, format, error)) return false;
    if (layout.maximum < 1 || layout.maximum > 65535) {
        error = std::string(format) + " maximum value " + std::to_string(layout.maximum) + " is out of range";
        return false;
    }
    if (pos >= count || !isSpace(bytes[pos])) {
        error = std::string(format) + " pixel data is missing";
        return false;
    }
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height);
    layout.dataOffset = pos + 1; // exactly one white-space byte ends the header
    return true;
}

unsigned char scaleSample(uint32_t value, uint32_t maximum) {
    if (value >= maximum) return 255;
    return static_cast<unsigned char>((value * 255 + maximum / 2) / maximum);
}

void storeSample(RgbaImage& image, size_t sampleIndex, int channels, unsigned char value) {
    size_t pixelIndex = sampleIndex / static_cast<size_t>(channels);
    unsigned char* out = image.pixels.data() + pixelIndex * 4;
    if (channels == 1)
        out[0] = out[1] = out[2] = value;
    else
        out[sampleIndex % 3] = value;
}

} // namespace

bool looksLikePnm(const unsigned char* bytes, size_t count) {
    return count >= 2 && bytes[0] == 'P' && bytes[1] >= '2' && bytes[1] <= '6' && bytes[1] != '4';
}

bool decodePnm(const unsigned char* bytes, size_t count, RgbaImage& image, std::string& error) {
    PnmLayout layout;
    if (!parseLayout(bytes, count, layout, error)) return false;
    const char* format = formatName(bytes);
    size_t samples = static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height) *
                     static_cast<size_t>(layout.channels);
    size_t sampleBytes = layout.maximum > 255 ? 2 : 1;
    // Plain files need at least one byte per sample: the check bounds the
    // allocation by the file size either way.
    size_t needed = layout.binary ? samples * sampleBytes : samples;
    if (count - layout.dataOffset < needed) {
        error = std::string(format) + " pixel data is truncated";
        return false;
    }
    allocatePixels(image, layout.width, layout.height);
    size_t pos = layout.dataOffset;
    for (size_t i = 0; i < samples; ++i) {
        uint32_t value = 0;
        if (layout.binary) {
            value = sampleBytes == 2 ? (static_cast<uint32_t>(bytes[pos]) << 8) | bytes[pos + 1] : bytes[pos];
            pos += sampleBytes;
        } else if (!readNumber(bytes, count, pos, value)) {
            error = std::string(format) + " pixel data is truncated or invalid";
            return false;
        }
        storeSample(image, i, layout.channels, scaleSample(value, layout.maximum));
    }
    return true;
}

bool readPnmSize(const unsigned char* bytes, size_t count, int& width, int& height, std::string& error) {
    PnmLayout layout;
    if (!parseLayout(bytes, count, layout, error)) return false;
    width = layout.width;
    height = layout.height;
    return true;
}

void encodePpm(const RgbaImage& image, std::vector<unsigned char>& out) {
    std::string header = "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    std::vector<unsigned char> rgb = packRgb(image);
    out.clear();
    out.reserve(header.size() + rgb.size());
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), rgb.begin(), rgb.end());
}

} // namespace imagecodec
