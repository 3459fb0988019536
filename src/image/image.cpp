#include "image/image.h"

#include "core/file_io.h"
#include "core/logger.h"
#include "render/image_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

const Rgb kPlaceholderRed{255, 0, 0};
const int kUnsupportedDepthSide = 128;
const int kUndecodableSide = 256;

// Clamps a 64-bit value into 0 .. limit.
int clampToRange(long long value, int limit) {
    if (value < 0) return 0;
    if (value > limit) return limit;
    return static_cast<int>(value);
}

// A float coordinate truncated toward zero and clamped into 0 .. limit.
int clampFloatToRange(float value, int limit) {
    if (!(value > 0.0f)) return 0;  // also catches NaN
    if (value >= static_cast<float>(limit)) return limit;
    return static_cast<int>(value);
}

// The source span [first, last) of destination index `index` in a box filter
// with `scale` source pixels per destination pixel: first = round(index *
// scale), last = round(first + scale). The span is kept inside the source and
// covers at least one pixel, so enlarging works and edges are not darkened.
void boxSpan(int index, float scale, int sourceSize, long& first, long& last) {
    first = std::min<long>(std::lround(index * scale), sourceSize - 1);
    last = std::clamp<long>(std::lround(first + scale), first + 1, sourceSize);
}

String lowerCaseExtension(const String& fileName) {
    std::string_view name = fileName.view();
    size_t slash = name.find_last_of('/');
    size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return String();
    std::string extension(name.substr(dot + 1));
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return String(static_cast<int>(extension.size()), extension.data());
}

String joinText(const char* a, const String& b) {
    String text(a);
    text.append(b);
    return text;
}

// --- little-endian helpers for the BMP stream ----------------------------------

void putU16(std::vector<unsigned char>& out, unsigned value) {
    out.push_back(static_cast<unsigned char>(value & 0xFF));
    out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

void putU32(std::vector<unsigned char>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<unsigned char>((value >> shift) & 0xFF));
}

uint32_t getU16(const std::vector<unsigned char>& in, size_t at) {
    return static_cast<uint32_t>(in[at]) | (static_cast<uint32_t>(in[at + 1]) << 8);
}

uint32_t getU32(const std::vector<unsigned char>& in, size_t at) {
    return getU16(in, at) | (getU16(in, at + 2) << 16);
}

int32_t getI32(const std::vector<unsigned char>& in, size_t at) {
    return static_cast<int32_t>(getU32(in, at));
}

// What the reader needs from a BMP file's headers.
struct BmpLayout {
    long long width = 0;
    long long height = 0;   // positive; see topDown
    bool topDown = false;
    unsigned bitsPerPixel = 0;
    uint32_t compression = 0;
    size_t pixelOffset = 0;
};

const size_t kFileHeaderSize = 14;
const uint32_t kCoreHeaderSize = 12;
const uint32_t kInfoHeaderSize = 40;
const uint32_t kCompressionNone = 0;

// Parses the file and info headers. On failure returns false with `reason`.
bool parseBmpHeaders(const std::vector<unsigned char>& file, BmpLayout& layout, String& reason) {
    if (file.size() < kFileHeaderSize + 4 || file[0] != 'B' || file[1] != 'M') {
        reason = "not a bitmap file";
        return false;
    }
    layout.pixelOffset = getU32(file, 10);
    uint32_t headerSize = getU32(file, kFileHeaderSize);
    if (headerSize != kCoreHeaderSize && headerSize < kInfoHeaderSize) {
        reason = "unknown bitmap header";
        return false;
    }
    if (file.size() < kFileHeaderSize + headerSize) {
        reason = "bitmap header is truncated";
        return false;
    }
    const size_t info = kFileHeaderSize;
    if (headerSize == kCoreHeaderSize) {
        layout.width = getU16(file, info + 4);
        layout.height = getU16(file, info + 6);
        layout.bitsPerPixel = getU16(file, info + 10);
        layout.compression = kCompressionNone;
    } else {
        layout.width = getI32(file, info + 4);
        layout.height = getI32(file, info + 8);
        layout.bitsPerPixel = getU16(file, info + 14);
        layout.compression = getU32(file, info + 16);
    }
    if (layout.height < 0) {
        layout.topDown = true;
        layout.height = -layout.height;
    }
    return true;
}

// Checks size and data of an 8- or 24-bit layout against the file.
bool checkBmpPixelData(const std::vector<unsigned char>& file, const BmpLayout& layout, String& reason) {
    if (layout.compression != kCompressionNone) {
        reason = "compressed bitmaps are not supported";
        return false;
    }
    if (layout.width < 1 || layout.height < 1 || layout.width > Image::kMaxSide || layout.height > Image::kMaxSide) {
        reason = "bitmap size out of range";
        return false;
    }
    long long bytesPerPixel = layout.bitsPerPixel / 8;
    long long stride = (layout.width * bytesPerPixel + 3) / 4 * 4;
    long long needed = static_cast<long long>(layout.pixelOffset) + stride * layout.height;
    if (layout.pixelOffset < kFileHeaderSize || needed > static_cast<long long>(file.size())) {
        reason = "bitmap pixel data is truncated";
        return false;
    }
    return true;
}

void reportUnsupportedDepth(const String& fileName, unsigned bitsPerPixel) {
    std::printf("%u per pixel\n", bitsPerPixel);
    std::printf("Filename: %s\n", fileName.text());
    std::printf("Error loading bitmap could not specify byte per pixel\n");
    std::fflush(stdout);
}

}  // namespace

// --- construction ------------------------------------------------------------------

Image::Image() = default;

Image::Image(int width, int height) {
    allocate(width, height);
}

Image::Image(int width, int height, Rgb colour) {
    allocate(width, height);
    fill(colour);
}

Image::Image(int width, int height, const unsigned char* bytes) {
    allocate(width, height);
    if (valid_ && bytes != nullptr) std::copy(bytes, bytes + pixels_.size(), pixels_.begin());
}

Image::Image(const String& fileName, Image* alpha) {
    if (alpha != nullptr) *alpha = Image();
    loadFile(fileName, alpha);
}

Image Image::fromBgraSurface(int width, int height, const unsigned char* bgra, int rowPitch) {
    if (bgra == nullptr || width < 1 || rowPitch < 4LL * width) {
        Logger::instance().error("Image::fromBgraSurface", "Surface not usable");
        return Image();
    }
    Image image(width, height);
    for (int y = 0; y < image.height_; ++y) {
        const unsigned char* row = bgra + static_cast<size_t>(rowPitch) * static_cast<size_t>(y);
        for (int x = 0; x < image.width_; ++x) {
            const unsigned char* texel = row + 4 * x;
            image.setPixel(x, y, Rgb{texel[2], texel[1], texel[0]});
        }
    }
    return image;
}

void Image::allocate(int width, int height, bool black) {
    valid_ = false;
    width_ = 0;
    height_ = 0;
    pixels_.clear();
    name_ = "not set";
    marginRight = 0;
    marginBottom = 0;
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
        String text("Refused image size ");
        text.append(width).append('x').append(height);
        Logger::instance().error("Image", text);
        resetGeometry();
        return;
    }
    if (black) {
        pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0);
    } else {
        pixels_.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    }
    width_ = width;
    height_ = height;
    valid_ = true;
    resetGeometry();
}

void Image::resetGeometry() {
    area.top = 0.0f;
    area.left = 0.0f;
    area.right = static_cast<float>(width_ - marginRight);
    area.bottom = static_cast<float>(height_ - marginBottom);
    ImagePoint centre{(area.right - area.left) * 0.5f, (area.bottom - area.top) * 0.5f};
    rotationCentre = centre;
    fovCentre = centre;
    snapPoint = centre;
}

// --- state ------------------------------------------------------------------------

bool Image::getSize(int& width, int& height) const {
    width = valid_ ? width_ : 0;
    height = valid_ ? height_ : 0;
    return valid_;
}

void Image::setName(const String& text) {
    name_ = text.length() > kMaxNameLength ? String(kMaxNameLength, text.text()) : text;
}

// --- guarded pixel access -------------------------------------------------------------

bool Image::getPixel(int x, int y, Rgb& colour) const {
    if (!valid_ || x < 0 || y < 0 || x >= width_ || y >= height_) {
        colour = Rgb{};
        return false;
    }
    const unsigned char* p = &pixels_[(static_cast<size_t>(width_) * y + x) * 3];
    colour = Rgb{p[0], p[1], p[2]};
    return true;
}

Rgb Image::pixel(int x, int y) const {
    Rgb colour;
    getPixel(x, y, colour);
    return colour;
}

bool Image::setPixel(int x, int y, Rgb colour) {
    if (!valid_ || x < 0 || y < 0 || x >= width_ || y >= height_) return false;
    unsigned char* p = &pixels_[(static_cast<size_t>(width_) * y + x) * 3];
    p[0] = colour.red;
    p[1] = colour.green;
    p[2] = colour.blue;
    return true;
}

bool Image::isSet(int x, int y) const {
    return !isBlack(pixel(x, y));
}

// --- copies and geometry ------------------------------------------------------------------

Image Image::clone() const {
    Image copy;
    copy.valid_ = valid_;
    copy.width_ = width_;
    copy.height_ = height_;
    copy.pixels_ = pixels_;
    copy.name_ = name_;
    copy.marginRight = marginRight;
    copy.marginBottom = marginBottom;
    copy.area = area;
    copy.rotationCentre = rotationCentre;
    copy.snapPoint = snapPoint;
    copy.fovCentre = rotationCentre;
    return copy;
}

void Image::assign(const Image& source) {
    if (this == &source) return;
    valid_ = source.valid_;
    width_ = source.width_;
    height_ = source.height_;
    pixels_.assign(source.pixels_.begin(), source.pixels_.end());
    name_ = source.name_;
    loadError_ = String();
    marginRight = source.marginRight;
    marginBottom = source.marginBottom;
    area.left = 0.0f;
    area.top = 0.0f;
    area.right = static_cast<float>(width_ - marginRight);
    area.bottom = static_cast<float>(height_ - marginBottom);
    rotationCentre = source.rotationCentre;
    fovCentre = source.rotationCentre;
    snapPoint = source.snapPoint;
}

Image Image::crop(int x0, int y0, int w, int h) const {
    Image result(w, h);
    result.name_ = name_;
    for (int y = 0; y < result.height_; ++y) {
        for (int x = 0; x < result.width_; ++x) {
            result.setPixel(x, y, pixel(static_cast<int>(std::clamp<long long>(1LL * x0 + x, -1, width_)),
                                        static_cast<int>(std::clamp<long long>(1LL * y0 + y, -1, height_))));
        }
    }
    return result;
}

Image Image::mirrorVertical() const {
    Image result = clone();
    int w = clampToRange(1LL * width_ - marginRight, width_);
    int h = clampToRange(1LL * height_ - marginBottom, height_);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) result.setPixel(x, h - 1 - y, pixel(x, y));
    }
    return result;
}

Image Image::mirrorHorizontal() const {
    Image result = clone();
    int w = clampToRange(1LL * width_ - marginRight, width_);
    int h = clampToRange(1LL * height_ - marginBottom, height_);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) result.setPixel(w - 1 - x, y, pixel(x, y));
    }
    return result;
}

Image Image::copyWithGeometryOf(int width, int height) const {
    // The turned image: size swapped, margins and area swapped, rotation and
    // field-of-view centre unchanged, snap point at the new centre.
    Image result(width, height);
    result.name_ = name_;
    result.marginRight = marginBottom;
    result.marginBottom = marginRight;
    result.area.right = area.bottom;
    result.area.bottom = area.right;
    result.area.left = area.top;
    result.area.top = area.left;
    result.rotationCentre = rotationCentre;
    result.fovCentre = fovCentre;
    result.snapPoint = ImagePoint{width * 0.5f, height * 0.5f};
    return result;
}

Image Image::rotateRight() const {
    if (!valid_) return Image();
    Image result = copyWithGeometryOf(height_, width_);
    int h = clampFloatToRange(area.bottom, height_);
    for (int y = 0; y < result.height_; ++y) {
        for (int x = 0; x < result.width_; ++x) result.setPixel(x, y, pixel(y, h - 1 - x));
    }
    return result;
}

Image Image::rotateLeft() const {
    if (!valid_) return Image();
    Image result = copyWithGeometryOf(height_, width_);
    int w = clampFloatToRange(area.right, width_);
    for (int y = 0; y < result.height_; ++y) {
        for (int x = 0; x < result.width_; ++x) result.setPixel(x, y, pixel(w - 1 - y, x));
    }
    return result;
}

Image Image::scaleToFit() const {
    if (!valid_) return Image();
    int larger = std::max(width_, height_);
    if (larger <= kCanvasSide) return clone();
    int smaller = std::min(width_, height_);
    float side = static_cast<float>(smaller) / static_cast<float>(larger) * static_cast<float>(kCanvasSide);
    int other = std::max(1, static_cast<int>(side));
    return width_ >= height_ ? resampleBox(kCanvasSide, other) : resampleBox(other, kCanvasSide);
}

Image Image::embedInCanvas(Rgb marginColour) const {
    Image canvas(kCanvasSide, kCanvasSide, marginColour);
    canvas.name_ = name_;
    int w = std::min(width_, kCanvasSide);
    int h = std::min(height_, kCanvasSide);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) canvas.setPixel(x, y, pixel(x, y));
    }
    canvas.marginRight = kCanvasSide - w;
    canvas.marginBottom = kCanvasSide - h;
    canvas.resetGeometry();
    return canvas;
}

Image Image::resampleBox(int w, int h) const {
    Image result(w, h);
    if (!result.valid_ || !valid_) return Image();
    result.name_ = name_;
    const float sx = static_cast<float>(width_) / static_cast<float>(w);
    const float sy = static_cast<float>(height_) / static_cast<float>(h);
    // The source columns of every destination column, found once.
    std::vector<long> firstColumn(static_cast<size_t>(w));
    std::vector<long> lastColumn(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x) boxSpan(x, sx, width_, firstColumn[static_cast<size_t>(x)], lastColumn[static_cast<size_t>(x)]);
    // Row by row: the sums of each source column over the destination row's
    // source rows, then the sums of those over each destination column's
    // source columns. Reads the picture in memory order.
    // A column sum covers at most kMaxSide rows of 255: 32 bits hold it.
    std::vector<uint32_t> columnSums(static_cast<size_t>(width_) * 3);
    const size_t rowBytes = static_cast<size_t>(width_) * 3;
    for (int y = 0; y < h; ++y) {
        long y0 = 0, y1 = 0;
        boxSpan(y, sy, height_, y0, y1);
        std::fill(columnSums.begin(), columnSums.end(), 0u);
        for (long j = y0; j < y1; ++j) {
            const unsigned char* row = pixels_.data() + static_cast<size_t>(j) * rowBytes;
            uint32_t* sums = columnSums.data();
            for (size_t i = 0; i < rowBytes; ++i) sums[i] += row[i];
        }
        unsigned char* out = result.pixels_.data() + static_cast<size_t>(y) * w * 3;
        for (int x = 0; x < w; ++x) {
            const long x0 = firstColumn[static_cast<size_t>(x)];
            const long x1 = lastColumn[static_cast<size_t>(x)];
            unsigned long long sum[3] = {0, 0, 0};
            for (long i = x0; i < x1; ++i) {
                sum[0] += columnSums[static_cast<size_t>(i) * 3];
                sum[1] += columnSums[static_cast<size_t>(i) * 3 + 1];
                sum[2] += columnSums[static_cast<size_t>(i) * 3 + 2];
            }
            const double count = static_cast<double>((x1 - x0) * (y1 - y0));
            for (int c = 0; c < 3; ++c) out[x * 3 + c] = static_cast<unsigned char>(std::lround(sum[c] / count));
        }
    }
    return result;
}

bool Image::equals(const Image& other) const {
    return width_ == other.width_ && height_ == other.height_ && pixels_ == other.pixels_;
}

void Image::fill(Rgb colour) {
    for (size_t i = 0; i + 2 < pixels_.size(); i += 3) {
        pixels_[i] = colour.red;
        pixels_[i + 1] = colour.green;
        pixels_[i + 2] = colour.blue;
    }
}

void Image::clearFrame() {
    long long lastColumn = 1LL * width_ - marginRight - 1;
    long long lastRow = 1LL * height_ - marginBottom - 1;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            if (x == 0 || y == 0 || x >= lastColumn || y >= lastRow) setPixel(x, y, Rgb{});
        }
    }
}

// --- loading ---------------------------------------------------------------------

void Image::loadFile(const String& fileName, Image* alpha) {
    if (fileName.endsWith("bmp")) {
        loadBmp(fileName);
    } else {
        loadDecoded(fileName, alpha);
    }
    setName(fileName);
}

void Image::becomePlaceholder(int side, const String& reason) {
    allocate(side, side);
    fill(kPlaceholderRed);
    loadError_ = reason;
}

void Image::loadBmp(const String& fileName) {
    *this = Image();
    std::vector<unsigned char> file;
    BmpLayout layout;
    String reason;
    if (!readFile(fileName, file)) {
        reason = "could not open the file";
    } else if (parseBmpHeaders(file, layout, reason)) {
        if (layout.bitsPerPixel != 8 && layout.bitsPerPixel != 24) {
            reportUnsupportedDepth(fileName, layout.bitsPerPixel);
            String text;
            text.append(static_cast<int>(layout.bitsPerPixel)).append(String(" bits per pixel are not supported"));
            Logger::instance().error(joinText("Image ", fileName), text);
            becomePlaceholder(kUnsupportedDepthSide, text);
            return;
        }
        if (checkBmpPixelData(file, layout, reason)) {
            const int w = static_cast<int>(layout.width);
            const int h = static_cast<int>(layout.height);
            allocate(w, h);
            const size_t bytesPerPixel = layout.bitsPerPixel / 8;
            const size_t stride = (static_cast<size_t>(w) * bytesPerPixel + 3) / 4 * 4;
            for (int row = 0; row < h; ++row) {
                const unsigned char* source = file.data() + layout.pixelOffset + stride * row;
                const int y = layout.topDown ? row : h - 1 - row;
                for (int x = 0; x < w; ++x) {
                    const unsigned char* p = source + bytesPerPixel * x;
                    setPixel(x, y, bytesPerPixel == 3 ? Rgb{p[2], p[1], p[0]} : Rgb{p[0], p[0], p[0]});
                }
            }
            return;
        }
    }
    Logger::instance().error(joinText("Image ", fileName), joinText("Could not load bitmap: ", reason));
    *this = Image();
    loadError_ = reason;
}

void Image::loadDecoded(const String& fileName, Image* alpha) {
    std::vector<unsigned char> alphaBytes;
    String error;
    // The decoder writes the colour straight into this image's buffer.
    const auto buffer = [this](int width, int height) -> unsigned char* {
        if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return nullptr;
        allocate(width, height, false);
        return valid_ ? pixels_.data() : nullptr;
    };
    if (!decodeImageFileRgb(fileName, buffer, alphaBytes, error) || !valid_) {
        if (error.length() == 0) error = "decoder returned no usable picture";
        Logger::instance().error(joinText("Image ", fileName), joinText("Could not decode picture: ", error));
        std::printf("No image returned in image constr\n");
        std::fflush(stdout);
        becomePlaceholder(kUndecodableSide, error);
        return;
    }
    if (alpha != nullptr && alphaBytes.size() == static_cast<size_t>(width_) * height_) {
        Image channel(width_, height_);
        for (size_t i = 0; i < alphaBytes.size(); ++i) {
            channel.pixels_[i * 3] = alphaBytes[i];
            channel.pixels_[i * 3 + 1] = alphaBytes[i];
            channel.pixels_[i * 3 + 2] = alphaBytes[i];
        }
        channel.setName(fileName);
        *alpha = std::move(channel);
    }
}

// --- writing ----------------------------------------------------------------------

std::vector<unsigned char> Image::encodeBmp() const {
    std::vector<unsigned char> out;
    if (!valid_) return out;
    const size_t padding = static_cast<size_t>(width_ % 4);
    out.reserve(54 + (static_cast<size_t>(width_) * 3 + padding) * height_);
    out.push_back('B');
    out.push_back('M');
    putU32(out, 0);   // file size (left 0)
    putU16(out, 0);   // reserved
    putU16(out, 0);
    putU32(out, 54);  // pixel offset
    putU32(out, 40);  // info header size
    putU32(out, static_cast<uint32_t>(width_));
    putU32(out, static_cast<uint32_t>(height_));
    putU16(out, 1);   // planes
    putU16(out, 24);  // bits per pixel
    for (int i = 0; i < 6; ++i) putU32(out, 0);  // compression and the rest
    for (int y = height_ - 1; y >= 0; --y) {
        for (int x = 0; x < width_; ++x) {
            Rgb c = pixel(x, y);
            out.push_back(c.blue);
            out.push_back(c.green);
            out.push_back(c.red);
        }
        out.insert(out.end(), padding, 0);
    }
    return out;
}

bool Image::saveToFile(const String& fileName) const {
    if (!valid_) {
        Logger::instance().error(joinText("Image::saveToFile ", fileName), "Image not set");
        return false;
    }
    if (lowerCaseExtension(fileName).equals("bmp")) {
        std::vector<unsigned char> stream = encodeBmp();
        if (!replaceFile(fileName, stream.data(), static_cast<int>(stream.size()))) {
            Logger::instance().error(joinText("Image::saveToFile ", fileName), "Could not write the file");
            return false;
        }
        return true;
    }
    return writeEncoded(fileName, nullptr);
}

bool Image::saveToFileWithAlpha(const String& fileName, const Image& alpha) const {
    if (!valid_ || !alpha.valid_ || alpha.width_ != width_ || alpha.height_ != height_) {
        Logger::instance().error(joinText("Image::saveToFile ", fileName), "Image or alpha not set, or sizes differ");
        return false;
    }
    return writeEncoded(fileName, &alpha);
}

bool Image::writeEncoded(const String& fileName, const Image* alpha) const {
    const String where = joinText("Image::saveToFile ", fileName);
    if (!isWritableImageName(fileName)) {
        Logger::instance().error(where, "Unknown picture format");
        return false;
    }
    RgbaImage rgba;
    rgba.width = width_;
    rgba.height = height_;
    rgba.hasAlpha = alpha != nullptr;
    rgba.pixels.resize(static_cast<size_t>(width_) * height_ * 4);
    for (size_t i = 0, n = static_cast<size_t>(width_) * height_; i < n; ++i) {
        rgba.pixels[i * 4] = pixels_[i * 3];
        rgba.pixels[i * 4 + 1] = pixels_[i * 3 + 1];
        rgba.pixels[i * 4 + 2] = pixels_[i * 3 + 2];
        rgba.pixels[i * 4 + 3] = alpha != nullptr ? alpha->pixels_[i * 3] : 255;
    }
    String error;
    if (!encodeImageFile(fileName, rgba, error)) {
        Logger::instance().error(where, error);
        return false;
    }
    return true;
}
