// Helpers shared by the picture codecs: size checks, bit-mask channels and
// sample conversion.
#include "render/image_codecs.h"

#include <bit>
#include <cmath>

namespace imagecodec {

void putU16(std::vector<unsigned char>& out, uint32_t value) {
    out.push_back(static_cast<unsigned char>(value & 0xFF));
    out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

void putU32(std::vector<unsigned char>& out, uint32_t value) {
    putU16(out, value & 0xFFFF);
    putU16(out, value >> 16);
}

bool checkDimensions(long long width, long long height, const char* format, std::string& error) {
    if (width <= 0 || height <= 0) {
        error = std::string(format) + " header has an invalid size (" + std::to_string(width) + " x " +
                std::to_string(height) + ")";
        return false;
    }
    if (width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxImagePixels) {
        error = std::string(format) + " picture is too large (" + std::to_string(width) + " x " +
                std::to_string(height) + "; at most " + std::to_string(kMaxImageSide) + " pixels a side)";
        return false;
    }
    return true;
}

void allocatePixels(RgbaImage& image, int width, int height) {
    image.width = width;
    image.height = height;
    image.hasAlpha = false;
    size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    image.pixels.assign(count * 4, 0);
    for (size_t i = 0; i < count; ++i) image.pixels[i * 4 + 3] = 255;
}

ChannelMask makeChannelMask(uint32_t mask) {
    ChannelMask channel;
    channel.mask = mask;
    if (mask != 0) {
        channel.shift = std::countr_zero(mask);
        channel.maximum = mask >> channel.shift;
    }
    return channel;
}

unsigned char extractChannel(const ChannelMask& channel, uint32_t pixel, unsigned char fallback) {
    if (channel.mask == 0) return fallback;
    uint64_t value = (pixel & channel.mask) >> channel.shift;
    // Masks need not be contiguous; scaling by the masked maximum keeps the
    // full range either way.
    return static_cast<unsigned char>((value * 255 + channel.maximum / 2) / channel.maximum);
}

unsigned char floatToByte(float value) {
    if (!(value > 0.0f)) return 0; // also NaN
    if (value >= 1.0f) return 255;
    return static_cast<unsigned char>(std::lround(value * 255.0f));
}

bool anyTranslucentPixel(const std::vector<unsigned char>& rgba) {
    for (size_t i = 3; i < rgba.size(); i += 4)
        if (rgba[i] != 255) return true;
    return false;
}

std::vector<unsigned char> packRgb(const RgbaImage& image) {
    size_t count = image.pixels.size() / 4;
    std::vector<unsigned char> rgb(count * 3);
    for (size_t i = 0; i < count; ++i) {
        rgb[i * 3 + 0] = image.pixels[i * 4 + 0];
        rgb[i * 3 + 1] = image.pixels[i * 4 + 1];
        rgb[i * 3 + 2] = image.pixels[i * 4 + 2];
    }
    return rgb;
}

} // namespace imagecodec
