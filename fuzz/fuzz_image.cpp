// Fuzz target for the picture decoders, aimed at the hand-written BMP/DIB,
// DDS and PFM readers (other formats pass through the same front end).
// Every decoded picture must be consistent with its size and limits, must
// be opaque when it claims no alpha, and must survive a trip through the
// BMP and DDS writers and readers unchanged.
//
//   python3 fuzz/make_image_seeds.py corpus
//   build-fuzz/fuzz/fuzz_image corpus -dict=fuzz/image.dict -max_total_time=60
#include "core/string.h"
#include "render/image_codecs.h"
#include "render/image_file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

void checkConsistent(const RgbaImage& image) {
    if (image.width < 1 || image.height < 1 || image.width > kMaxImageSide || image.height > kMaxImageSide)
        __builtin_trap();
    if (image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4)
        __builtin_trap();
    if (!image.hasAlpha)
        for (size_t i = 3; i < image.pixels.size(); i += 4)
            if (image.pixels[i] != 255) __builtin_trap();
}

void checkRoundTrip(const RgbaImage& image,
                    void (*encode)(const RgbaImage&, std::vector<unsigned char>&),
                    bool (*decode)(const unsigned char*, size_t, RgbaImage&, std::string&)) {
    std::vector<unsigned char> bytes;
    encode(image, bytes);
    RgbaImage again;
    std::string error;
    if (!decode(bytes.data(), bytes.size(), again, error)) __builtin_trap();
    if (again.width != image.width || again.height != image.height || again.pixels != image.pixels)
        __builtin_trap();
    if (again.hasAlpha != image.hasAlpha) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RgbaImage image;
    String error;
    // A few bytes of run-length BMP (or PNG) may rightly describe a picture of
    // hundreds of megabytes; decoding such inputs only spends time in fill
    // loops, so the header is checked alone for them.
    int width = 0, height = 0;
    if (readImageSizeMemory(data, size, width, height, error) &&
        static_cast<long long>(width) * height > (1LL << 22))
        return 0;
    if (!decodeImageMemory(data, size, image, error)) {
        if (error.length() == 0 || !image.pixels.empty()) __builtin_trap();
        return 0;
    }
    checkConsistent(image);
    if (static_cast<size_t>(image.width) * static_cast<size_t>(image.height) <= (1u << 16)) {
        checkRoundTrip(image, imagecodec::encodeBmp, imagecodec::decodeBmp);
        checkRoundTrip(image, imagecodec::encodeDds, imagecodec::decodeDds);
    }
    return 0;
}
