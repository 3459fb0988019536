// JPEG through libjpeg-turbo: several times faster than the general library
// on photographs, which are what users load most. The header is read first so
// that oversized pictures are refused before anything is allocated for them.
#include "render/image_codecs.h"

#include <climits>
#include <memory>

#include <turbojpeg.h>

namespace imagecodec {
namespace {

struct Decompressor {
    tjhandle handle = tjInitDecompress();
    ~Decompressor() {
        if (handle != nullptr) tjDestroy(handle);
    }
    std::string reason() const {
        const char* text = tjGetErrorStr2(handle);
        return text != nullptr ? text : "unknown error";
    }
};

bool readHeader(Decompressor& jpeg, const unsigned char* bytes, size_t count, int& width, int& height,
                std::string& error) {
    if (jpeg.handle == nullptr) {
        error = "JPEG decoder could not be started";
        return false;
    }
    if (count > static_cast<size_t>(ULONG_MAX)) {
        error = "JPEG file is too large";
        return false;
    }
    int subsampling = 0;
    int colourspace = 0;
    if (tjDecompressHeader3(jpeg.handle, bytes, static_cast<unsigned long>(count), &width, &height, &subsampling,
                            &colourspace) != 0) {
        error = "JPEG header is invalid (" + jpeg.reason() + ")";
        return false;
    }
    return checkDimensions(width, height, "JPEG", error);
}

}  // namespace

bool decodeJpeg(const unsigned char* bytes, size_t count, RgbaImage& image, std::string& error) {
    Decompressor jpeg;
    int width = 0;
    int height = 0;
    if (!readHeader(jpeg, bytes, count, width, height, error)) return false;
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    if (tjDecompress2(jpeg.handle, bytes, static_cast<unsigned long>(count), pixels.data(), width, 0, height,
                      TJPF_RGBA, 0) != 0 &&
        tjGetErrorCode(jpeg.handle) != TJERR_WARNING) {
        // A warning (a truncated or slightly damaged file) still gives a
        // picture. Anything else (a colour space this decoder does not
        // convert, say) is left to the general library.
        return decodeWithStb(bytes, count, "JPEG", false, image, error);
    }
    image.width = width;
    image.height = height;
    image.hasAlpha = false;
    image.pixels = std::move(pixels);
    return true;
}

bool decodeJpegRgb(const unsigned char* bytes, size_t count,
                   const std::function<unsigned char*(int, int)>& rgbBuffer, std::string& error) {
    Decompressor jpeg;
    int width = 0;
    int height = 0;
    if (!readHeader(jpeg, bytes, count, width, height, error)) return false;
    unsigned char* out = rgbBuffer(width, height);
    if (out == nullptr) {
        error = "JPEG picture of this size cannot be taken";
        return false;
    }
    if (tjDecompress2(jpeg.handle, bytes, static_cast<unsigned long>(count), out, width, 0, height, TJPF_RGB, 0) != 0 &&
        tjGetErrorCode(jpeg.handle) != TJERR_WARNING) {
        error.clear();  // left to the general path
        return false;
    }
    return true;
}

bool readJpegSize(const unsigned char* bytes, size_t count, int& width, int& height, std::string& error) {
    Decompressor jpeg;
    return readHeader(jpeg, bytes, count, width, height, error);
}

}  // namespace imagecodec
