#include "render/texture.h"

#include "core/logger.h"
#include "render/image_file.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>

namespace {

constexpr const char* kLogSource = "DxTexture";

std::vector<unsigned char> opaqueTexels(const RgbView& picture) {
    std::vector<unsigned char> rgba(static_cast<size_t>(picture.width) * picture.height * 4);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            unsigned char* t = &rgba[(static_cast<size_t>(y) * picture.width + x) * 4];
            for (int c = 0; c < 3; ++c) t[c] = picture.byte(x, y, c);
            t[3] = 255;
        }
    return rgba;
}

// Clamps [low, high) to [0, limit) as whole texels; NaN bounds count as the
// nearest limit.
void clampSpan(float low, float high, int limit, int& first, int& end) {
    const float lo = std::fmax(0.0f, std::fmin(low, static_cast<float>(limit)));
    const float hi = std::fmax(0.0f, std::fmin(high, static_cast<float>(limit)));
    first = static_cast<int>(std::floor(lo));
    end = static_cast<int>(std::ceil(hi));
}

void printConsole(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

}  // namespace

// ------------------------------------------------------------------ Texture --

Texture::Texture(gfx::GraphicsDevice& device, const String& path) : device_(device), fileName_(path) {
    TextureList::instance().add(this);
    RgbaImage image;
    String error;
    if (!decodeImageFile(path, image, error)) {
        Logger::instance().error("DxTexture::DxTexture", String("Could not load texture ").append(path));
        Logger::instance().error("DxTexture::DxTexture", error);
        printConsole(String("ERROR in DxTexture!!! Could not load ").append(path).append('\n').text());
        return;
    }
    fileWidth_ = image.width;
    fileHeight_ = image.height;
    adopt(image.width, image.height, std::move(image.pixels));
}

Texture::Texture(gfx::GraphicsDevice& device, const RgbView& picture) : device_(device) {
    TextureList::instance().add(this);
    if (!picture.isValid()) {
        Logger::instance().error("DxTexture(Image* pBmp)", "Bitmap not set");
        return;
    }
    adopt(picture.width, picture.height, opaqueTexels(picture));
}

Texture::Texture(gfx::GraphicsDevice& device, const RgbView& picture, const RgbView& mask) : device_(device) {
    TextureList::instance().add(this);
    if (!picture.isValid() || !mask.isValid()) {
        if (!picture.isValid()) Logger::instance().error("DxTexture(Image* pBmp,Image* pBmpAlpha)", "pBmp not set");
        if (!mask.isValid()) Logger::instance().error("DxTexture(Image* pBmp,Image* pBmpAlpha)", "pBmpAlpha not set");
        return;
    }
    std::vector<unsigned char> rgba = opaqueTexels(picture);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            rgba[(static_cast<size_t>(y) * picture.width + x) * 4 + 3] = mask.byte(x, y, 0);
    adopt(picture.width, picture.height, std::move(rgba));
}

Texture::Texture(gfx::GraphicsDevice& device, const RgbView& mask, TexelColour colour) : device_(device) {
    TextureList::instance().add(this);
    if (!mask.isValid()) {
        Logger::instance().error("DxTexture(Image* pBmp)", "Bitmap not set");
        return;
    }
    std::vector<unsigned char> rgba(static_cast<size_t>(mask.width) * mask.height * 4);
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            unsigned char* t = &rgba[(static_cast<size_t>(y) * mask.width + x) * 4];
            t[0] = colour.red;
            t[1] = colour.green;
            t[2] = colour.blue;
            t[3] = mask.byte(x, y, 0);
        }
    adopt(mask.width, mask.height, std::move(rgba));
}

Texture::Texture(gfx::GraphicsDevice& device, int width, int height, const unsigned char* rgba) : device_(device) {
    TextureList::instance().add(this);
    if (rgba == nullptr || width <= 0 || height <= 0) {
        Logger::instance().error(kLogSource, "Texels not set");
        return;
    }
    adopt(width, height, std::vector<unsigned char>(rgba, rgba + static_cast<size_t>(width) * height * 4));
}

Texture::~Texture() {
    releaseDeviceCopy();
    TextureList::instance().remove(this);
}

void Texture::adopt(int width, int height, std::vector<unsigned char> rgba) {
    ++revision_;
    width_ = width;
    height_ = height;
    rgba_ = std::move(rgba);
    if (!recreateDeviceCopy()) Logger::instance().error(kLogSource, "The device refused the texture");
}

void Texture::releaseDeviceCopy() {
    if (handle_) device_.destroyTexture(handle_);
    handle_ = {};
}

bool Texture::recreateDeviceCopy() {
    releaseDeviceCopy();
    if (isEmpty()) return false;
    handle_ = device_.createTexture(width_, height_, rgba_.data());
    return static_cast<bool>(handle_);
}

void Texture::bind(int stage) const {
    if (stage == 0) device_.setTexture(handle_);
}

void Texture::bind() const { bind(0); }

uint64_t Texture::nextSerial() {
    static std::atomic<uint64_t> serials{0};
    return ++serials;
}

bool Texture::upload(int left, int top, int right, int bottom) {
    ++revision_;  // the kept texels have changed, whatever the device says
    if (!handle_ || left >= right || top >= bottom) return false;
    const int width = right - left;
    const int height = bottom - top;
    const unsigned char* source = nullptr;
    if (left == 0 && width == width_) {
        source = &rgba_[static_cast<size_t>(top) * width_ * 4];  // whole rows lie together
    } else {
        staging_.resize(static_cast<size_t>(width) * height * 4);
        for (int row = 0; row < height; ++row)
            std::copy_n(texel(left, top + row), static_cast<size_t>(width) * 4,
                        &staging_[static_cast<size_t>(row) * width * 4]);
        source = staging_.data();
    }
    if (device_.updateTexture(handle_, left, top, width, height, source)) return true;
    Logger::instance().error(kLogSource, "The device refused the new texels");
    return false;
}

bool Texture::clampArea(const TexelArea& area, int sourceWidth, int sourceHeight, int& left, int& top, int& right,
                        int& bottom) const {
    clampSpan(area.left, area.right, std::min(width_, sourceWidth), left, right);
    clampSpan(area.top, area.bottom, std::min(height_, sourceHeight), top, bottom);
    return left < right && top < bottom;
}

bool Texture::updateColour(const RgbView& picture, const TexelArea& area) {
    int left, top, right, bottom;
    if (isEmpty() || !picture.isValid() || !clampArea(area, picture.width, picture.height, left, top, right, bottom))
        return false;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            for (int c = 0; c < 3; ++c) texel(x, y)[c] = picture.byte(x, y, c);
    return upload(left, top, right, bottom);
}

bool Texture::updateColour(const RgbView& picture) {
    const TexelArea whole{static_cast<float>(height_), 0.0f, static_cast<float>(width_), 0.0f};
    return updateColour(picture, whole);
}

bool Texture::updateAlpha(const RgbView& mask, const TexelArea& area) {
    int left, top, right, bottom;
    if (isEmpty() || !mask.isValid() || !clampArea(area, mask.width, mask.height, left, top, right, bottom))
        return false;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) texel(x, y)[3] = mask.byte(x, y, 0);
    if (upload(left, top, right, bottom)) return true;
    printConsole("DxTexture updateA lock unsuccessful\n");
    return false;
}

bool Texture::updateAlpha(const RgbView& mask) {
    const TexelArea whole{static_cast<float>(height_), 0.0f, static_cast<float>(width_), 0.0f};
    return updateAlpha(mask, whole);
}

bool Texture::updateColourAndAlpha(const RgbView& picture, const RgbView& mask) {
    if (isEmpty() || !picture.isValid() || !mask.isValid()) return false;
    const int right = std::min(width_, picture.width);
    const int bottom = std::min(height_, picture.height);
    for (int y = 0; y < bottom; ++y)
        for (int x = 0; x < right; ++x) {
            unsigned char* t = texel(x, y);
            for (int c = 0; c < 3; ++c) t[c] = picture.byte(x, y, c);
            t[3] = mask.byte(x, y, 0);
        }
    return upload(0, 0, right, bottom);
}

bool Texture::fillColour(TexelColour colour, int width, int height) {
    const int right = std::clamp(width, 0, width_);
    const int bottom = std::clamp(height, 0, height_);
    if (isEmpty() || right == 0 || bottom == 0) return false;
    for (int y = 0; y < bottom; ++y)
        for (int x = 0; x < right; ++x) {
            unsigned char* t = texel(x, y);
            t[0] = colour.red;
            t[1] = colour.green;
            t[2] = colour.blue;
        }
    return upload(0, 0, right, bottom);
}

bool Texture::readColour(std::vector<unsigned char>& rgb, int& width, int& height) const {
    if (isEmpty()) {
        printConsole(">> ERROR COULD NOT LOCK TEXTURE TO READ COLOR\n");
        return false;
    }
    rgb.resize(static_cast<size_t>(width_) * height_ * 3);
    for (size_t i = 0, count = static_cast<size_t>(width_) * height_; i < count; ++i)
        std::copy_n(&rgba_[i * 4], 3, &rgb[i * 3]);
    width = width_;
    height = height_;
    return true;
}

bool Texture::readAlpha(std::vector<unsigned char>& rgb, int& width, int& height) const {
    if (isEmpty()) {
        printConsole(">> ERROR COULD NOT LOCK TEXTURE TO READ ALPHA\n");
        return false;
    }
    rgb.resize(static_cast<size_t>(width_) * height_ * 3);
    for (size_t i = 0, count = static_cast<size_t>(width_) * height_; i < count; ++i)
        std::fill_n(&rgb[i * 3], 3, rgba_[i * 4 + 3]);
    width = width_;
    height = height_;
    return true;
}

bool Texture::hasAlpha() const {
    for (size_t i = 3; i < rgba_.size(); i += 4)
        if (rgba_[i] != 0) return true;
    return false;
}

// -------------------------------------------------------------- TextureList --

TextureList& TextureList::instance() {
    // Never destroyed, so textures that outlive static destruction can still
    // unregister.
    static TextureList* list = new TextureList;
    return *list;
}

void TextureList::add(Texture* texture) {
    if (texture != nullptr && std::find(textures_.begin(), textures_.end(), texture) == textures_.end())
        textures_.push_back(texture);
}

void TextureList::remove(Texture* texture) { std::erase(textures_, texture); }

int TextureList::countOn(const gfx::GraphicsDevice& device) const {
    return static_cast<int>(
        std::count_if(textures_.begin(), textures_.end(), [&device](const Texture* t) { return &t->device() == &device; }));
}

void TextureList::releaseAll(gfx::GraphicsDevice& device) {
    for (Texture* texture : textures_)
        if (&texture->device() == &device) texture->releaseDeviceCopy();
}

int TextureList::recreateAll(gfx::GraphicsDevice& device) {
    int failures = 0;
    for (Texture* texture : textures_)
        if (&texture->device() == &device && !texture->isEmpty() && !texture->recreateDeviceCopy()) ++failures;
    return failures;
}
