#include "render/sprite_atlas.h"

#include <algorithm>
#include <cstring>

namespace {

// The border each block keeps around its texels.
constexpr int kBorder = 1;
constexpr int kSmallestPage = 64;

}  // namespace

SpriteAtlas::SpriteAtlas(gfx::GraphicsDevice& device, int pageSize, int pageLimit)
    : device_(device), pageSize_(std::max(kSmallestPage, pageSize)), pageLimit_(std::max(1, pageLimit)) {}

SpriteAtlas::~SpriteAtlas() {
    for (const Page& page : pages_) device_.destroyTexture(page.texture);
}

bool SpriteAtlas::reserve(Page& page, int paddedWidth, int paddedHeight, int& x, int& y) {
    if (page.cursor + paddedWidth > page.size) {
        // Next shelf.
        page.shelfTop += page.shelfHeight;
        page.shelfHeight = 0;
        page.cursor = 0;
    }
    if (page.cursor + paddedWidth > page.size || page.shelfTop + paddedHeight > page.size) return false;
    x = page.cursor;
    y = page.shelfTop;
    page.cursor += paddedWidth;
    page.shelfHeight = std::max(page.shelfHeight, paddedHeight);
    return true;
}

bool SpriteAtlas::addPage(int minimumSize) {
    const gfx::DeviceCaps caps = device_.caps();
    const int limit = std::min(caps.maxTextureWidth, caps.maxTextureHeight);
    int size = pageSize_;
    while (size < minimumSize && size <= limit / 2) size *= 2;
    if (size < minimumSize || size > limit) return false;
    Page page;
    page.texture = device_.createTexture(size, size, nullptr);
    if (!page.texture) return false;
    page.size = size;
    pages_.push_back(page);
    return true;
}

bool SpriteAtlas::place(int paddedWidth, int paddedHeight, bool mayAddPage, int& pageIndex, int& x, int& y) {
    if (!pages_.empty() && reserve(pages_.back(), paddedWidth, paddedHeight, x, y)) {
        pageIndex = pageCount() - 1;
        return true;
    }
    if (!mayAddPage || !addPage(std::max(paddedWidth, paddedHeight)) ||
        !reserve(pages_.back(), paddedWidth, paddedHeight, x, y)) {
        return false;
    }
    pageIndex = pageCount() - 1;
    return true;
}

bool SpriteAtlas::store(int pageIndex, int x, int y, int width, int height, AtlasRegion& region) {
    const Page& page = pages_[static_cast<size_t>(pageIndex)];
    if (!device_.updateTexture(page.texture, x, y, width + 2 * kBorder, height + 2 * kBorder, upload_.data())) {
        return false;
    }
    const float size = static_cast<float>(page.size);
    region.texture = page.texture;
    region.x = x + kBorder;
    region.y = y + kBorder;
    region.width = width;
    region.height = height;
    region.u0 = static_cast<float>(region.x) / size;
    region.v0 = static_cast<float>(region.y) / size;
    region.u1 = static_cast<float>(region.x + width) / size;
    region.v1 = static_cast<float>(region.y + height) / size;
    return true;
}

bool SpriteAtlas::addCoverage(int width, int height, const unsigned char* coverage, int pitch, AtlasRegion& region) {
    if (width <= 0 || height <= 0 || coverage == nullptr || pitch < width) return false;
    const int paddedWidth = width + 2 * kBorder;
    const int paddedHeight = height + 2 * kBorder;
    int pageIndex = 0;
    int x = 0;
    int y = 0;
    if (!place(paddedWidth, paddedHeight, true, pageIndex, x, y)) return false;
    if (pageCount() > pageLimit_) wantsRecycling_ = true;

    // White texels with the coverage as alpha, in a clear border.
    upload_.assign(static_cast<size_t>(paddedWidth) * paddedHeight * 4, 0);
    for (int row = 0; row < height; ++row) {
        unsigned char* texel = &upload_[(static_cast<size_t>(row + kBorder) * paddedWidth + kBorder) * 4];
        const unsigned char* source = coverage + static_cast<size_t>(row) * pitch;
        for (int column = 0; column < width; ++column, texel += 4) {
            texel[0] = texel[1] = texel[2] = 255;
            texel[3] = source[column];
        }
    }
    return store(pageIndex, x, y, width, height, region);
}

namespace {

// `rgba` (width × height) into `padded` with a border that repeats the edge texels.
void padByRepeatingEdges(int width, int height, const unsigned char* rgba, std::vector<unsigned char>& padded) {
    const int paddedWidth = width + 2 * kBorder;
    const int paddedHeight = height + 2 * kBorder;
    padded.resize(static_cast<size_t>(paddedWidth) * paddedHeight * 4);
    for (int row = 0; row < paddedHeight; ++row) {
        const int sourceRow = std::clamp(row - kBorder, 0, height - 1);
        const unsigned char* source = rgba + static_cast<size_t>(sourceRow) * width * 4;
        unsigned char* target = &padded[static_cast<size_t>(row) * paddedWidth * 4];
        std::memcpy(target, source, 4);
        std::memcpy(target + 4 * kBorder, source, static_cast<size_t>(width) * 4);
        std::memcpy(target + 4 * (kBorder + width), source + static_cast<size_t>(width - 1) * 4, 4);
    }
}

}  // namespace

bool SpriteAtlas::addPicture(int width, int height, const unsigned char* rgba, AtlasRegion& region) {
    if (width <= 0 || height <= 0 || rgba == nullptr || width > kLargestPicture || height > kLargestPicture) {
        return false;
    }
    int pageIndex = 0;
    int x = 0;
    int y = 0;
    if (!place(width + 2 * kBorder, height + 2 * kBorder, pageCount() < pageLimit_, pageIndex, x, y)) {
        wantsRecycling_ = true;
        return false;
    }
    padByRepeatingEdges(width, height, rgba, upload_);
    return store(pageIndex, x, y, width, height, region);
}

bool SpriteAtlas::replacePicture(const AtlasRegion& region, const unsigned char* rgba) {
    if (rgba == nullptr || region.width <= 0 || region.height <= 0) return false;
    padByRepeatingEdges(region.width, region.height, rgba, upload_);
    return device_.updateTexture(region.texture, region.x - kBorder, region.y - kBorder, region.width + 2 * kBorder,
                                 region.height + 2 * kBorder, upload_.data());
}

void SpriteAtlas::recycle() {
    for (const Page& page : pages_) device_.destroyTexture(page.texture);
    pages_.clear();
    wantsRecycling_ = false;
    ++generation_;
}
