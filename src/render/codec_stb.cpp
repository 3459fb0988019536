// JPEG, PNG, Radiance HDR and TGA through the stb image library. PGM and PPM
// have a reader of their own: the library's reads 16-bit samples in the wrong
// byte order, ignores the maximum value, overruns its buffer when converting
// 16-bit samples to other channel counts and fills short files with stray
// memory.
// The header is always read first so that oversized pictures are refused
// before the library allocates for them.
#include "render/image_codecs.h"

#include <climits>
#include <memory>

#include <stb_image.h>
#include <stb_image_write.h>

namespace imagecodec {
namespace {

struct StbFree {
    void operator()(void* data) const { stbi_image_free(data); }
};

std::string libraryReason() {
    const char* reason = stbi_failure_reason();
    return reason ? reason : "unknown error";
}

// The library takes lengths as int.
bool fitsLibrary(size_t count, const char* format, std::string& error) {
    if (count <= static_cast<size_t>(INT_MAX)) return true;
    error = std::string(format) + " file is too large";
    return false;
}

bool readHeader(const unsigned char* bytes, size_t count, const char* format, bool guessed, int& width, int& height,
                int& channels, std::string& error) {
    if (!fitsLibrary(count, format, error)) return false;
    if (!stbi_info_from_memory(bytes, static_cast<int>(count), &width, &height, &channels)) {
        if (guessed)
            error = "Unrecognised picture format";
        else
            error = std::string(format) + " header is invalid (" + libraryReason() + ")";
        return false;
    }
    return checkDimensions(width, height, format, error);
}

bool checkDecodedSize(int width, int height, int expectedWidth, int expectedHeight, const char* format,
                      std::string& error) {
    if (width == expectedWidth && height == expectedHeight) return true;
    error = std::string(format) + " picture decoded at a size that differs from its header";
    return false;
}

// Spreads grey, grey+alpha, RGB or RGBA samples over RGBA pixels.
template <typename Sample, typename ToByte>
bool expandChannels(const Sample* data, int channels, const char* format, RgbaImage& image, ToByte toByte,
                    std::string& error) {
    if (channels < 1 || channels > 4) {
        error = std::string(format) + " picture has " + std::to_string(channels) + " channels";
        return false;
    }
    size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    for (size_t i = 0; i < count; ++i) {
        const Sample* in = data + i * static_cast<size_t>(channels);
        unsigned char* out = image.pixels.data() + i * 4;
        bool grey = channels < 3;
        out[0] = toByte(in[0]);
        out[1] = grey ? out[0] : toByte(in[1]);
        out[2] = grey ? out[0] : toByte(in[2]);
        out[3] = (channels == 2 || channels == 4) ? toByte(in[channels - 1]) : 255;
    }
    return true;
}

// Radiance HDR holds linear floats; they are clamped like PFM values.
bool decodeHdr(const unsigned char* bytes, int count, int width, int height, RgbaImage& image, std::string& error) {
    int w = 0, h = 0, channels = 0;
    std::unique_ptr<float, StbFree> data(stbi_loadf_from_memory(bytes, count, &w, &h, &channels, 0));
    if (!data) {
        error = "HDR data is corrupt (" + libraryReason() + ")";
        return false;
    }
    if (!checkDecodedSize(w, h, width, height, "HDR", error)) return false;
    allocatePixels(image, w, h);
    return expandChannels(data.get(), channels, "HDR", image, floatToByte, error);
}

struct ByteSink {
    std::vector<unsigned char>* out;
    bool failed = false;
};

void appendToSink(void* context, void* data, int size) {
    auto* sink = static_cast<ByteSink*>(context);
    if (sink->failed || size <= 0) return;
    try {
        const auto* bytes = static_cast<const unsigned char*>(data);
        sink->out->insert(sink->out->end(), bytes, bytes + size);
    } catch (...) {
        sink->failed = true; // never let an exception cross the C library
    }
}

} // namespace

bool decodeWithStb(const unsigned char* bytes, size_t count, const char* format, bool guessed, RgbaImage& image,
                   std::string& error) {
    int width = 0, height = 0, channels = 0;
    if (!readHeader(bytes, count, format, guessed, width, height, channels, error)) return false;
    int length = static_cast<int>(count);
    if (stbi_is_hdr_from_memory(bytes, length)) return decodeHdr(bytes, length, width, height, image, error);

    int w = 0, h = 0, fileChannels = 0;
    std::unique_ptr<unsigned char, StbFree> data(stbi_load_from_memory(bytes, length, &w, &h, &fileChannels, 4));
    if (!data) {
        error = std::string(format) + " data is corrupt (" + libraryReason() + ")";
        return false;
    }
    if (!checkDecodedSize(w, h, width, height, format, error)) return false;
    allocatePixels(image, w, h);
    auto copy = [](unsigned char v) { return v; };
    if (!expandChannels(data.get(), 4, format, image, copy, error)) return false;
    // A PNG transparency chunk counts as alpha whatever the channel count.
    image.hasAlpha = fileChannels == 2 || fileChannels == 4 || anyTranslucentPixel(image.pixels);
    return true;
}

bool readStbSize(const unsigned char* bytes, size_t count, const char* format, bool guessed, int& width, int& height,
                 std::string& error) {
    int channels = 0;
    return readHeader(bytes, count, format, guessed, width, height, channels, error);
}

bool encodePng(const RgbaImage& image, std::vector<unsigned char>& out) {
    ByteSink sink{&out};
    out.clear();
    int channels = image.hasAlpha ? 4 : 3;
    std::vector<unsigned char> rgb;
    if (!image.hasAlpha) rgb = packRgb(image);
    const unsigned char* data = image.hasAlpha ? image.pixels.data() : rgb.data();
    int ok = stbi_write_png_to_func(appendToSink, &sink, image.width, image.height, channels, data,
                                    image.width * channels);
    return ok && !sink.failed;
}

bool encodeJpeg(const RgbaImage& image, int quality, std::vector<unsigned char>& out) {
    ByteSink sink{&out};
    out.clear();
    std::vector<unsigned char> rgb = packRgb(image);
    int ok = stbi_write_jpg_to_func(appendToSink, &sink, image.width, image.height, 3, rgb.data(), quality);
    return ok && !sink.failed;
}

bool encodeTga(const RgbaImage& image, std::vector<unsigned char>& out) {
    ByteSink sink{&out};
    out.clear();
    int channels = image.hasAlpha ? 4 : 3;
    std::vector<unsigned char> rgb;
    if (!image.hasAlpha) rgb = packRgb(image);
    const unsigned char* data = image.hasAlpha ? image.pixels.data() : rgb.data();
    int ok = stbi_write_tga_to_func(appendToSink, &sink, image.width, image.height, channels, data);
    return ok && !sink.failed;
}

} // namespace imagecodec
