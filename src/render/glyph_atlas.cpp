#include "render/glyph_atlas.h"

#include <algorithm>

namespace {

// Empty texels kept around every glyph so that filtering never picks up a
// neighbour.
constexpr int kPadding = 1;

}  // namespace

GlyphAtlas::GlyphAtlas(gfx::GraphicsDevice& device, int pageSize) : device_(device), pageSize_(std::max(16, pageSize)) {}

GlyphAtlas::~GlyphAtlas() {
    for (const Page& page : pages_) device_.destroyTexture(page.texture);
}

bool GlyphAtlas::reserve(Page& page, int width, int height, int& x, int& y) {
    const int paddedWidth = width + kPadding;
    const int paddedHeight = height + kPadding;
    if (page.cursor + paddedWidth > page.size) {
        // Next shelf.
        page.shelfTop += page.shelfHeight;
        page.shelfHeight = 0;
        page.cursor = kPadding;
    }
    if (page.cursor + paddedWidth > page.size || page.shelfTop + paddedHeight > page.size) return false;
    x = page.cursor;
    y = page.shelfTop;
    page.cursor += paddedWidth;
    page.shelfHeight = std::max(page.shelfHeight, paddedHeight);
    return true;
}

bool GlyphAtlas::addPage(int minimumSize) {
    const gfx::DeviceCaps caps = device_.caps();
    const int limit = std::min(caps.maxTextureWidth, caps.maxTextureHeight);
    int size = pageSize_;
    while (size < minimumSize && size <= limit / 2) size *= 2;
    if (size < minimumSize || size > limit) return false;
    const std::vector<unsigned char> clear(static_cast<size_t>(size) * size * 4, 0);
    Page page;
    page.texture = device_.createTexture(size, size, clear.data());
    if (!page.texture) return false;
    page.size = size;
    page.shelfTop = kPadding;
    page.cursor = kPadding;
    pages_.push_back(page);
    return true;
}

bool GlyphAtlas::add(int width, int height, const unsigned char* coverage, int pitch, AtlasRegion& region) {
    if (width <= 0 || height <= 0 || coverage == nullptr || pitch < width) return false;
    int x = 0;
    int y = 0;
    const bool placed = (!pages_.empty() && reserve(pages_.back(), width, height, x, y)) ||
                        (addPage(std::max(width, height) + 2 * kPadding) && reserve(pages_.back(), width, height, x, y));
    if (!placed) return false;
    const Page& page = pages_.back();

    upload_.assign(static_cast<size_t>(width) * height * 4, 255);
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            upload_[(static_cast<size_t>(row) * width + column) * 4 + 3] = coverage[row * pitch + column];
    if (!device_.updateTexture(page.texture, x, y, width, height, upload_.data())) return false;

    const float size = static_cast<float>(page.size);
    region.texture = page.texture;
    region.width = width;
    region.height = height;
    region.u0 = static_cast<float>(x) / size;
    region.v0 = static_cast<float>(y) / size;
    region.u1 = static_cast<float>(x + width) / size;
    region.v1 = static_cast<float>(y + height) / size;
    return true;
}
