// Texture pages that hold rasterised glyphs. Glyph coverage bitmaps are
// packed row by row (shelves) into pages of white texels whose alpha is the
// coverage, so that a sprite colour tints the text. A page that is full is
// followed by a new one; pages are device textures and die with the atlas.
#pragma once

#include "platform/graphics_device.h"

#include <vector>

// Where a glyph lies in the atlas.
struct AtlasRegion {
    gfx::TextureHandle texture;
    int width = 0;
    int height = 0;
    float u0 = 0.0f, v0 = 0.0f, u1 = 0.0f, v1 = 0.0f;
};

class GlyphAtlas {
public:
    // Pages are `pageSize` texels square, larger only for a glyph that would
    // not fit (up to the device's texture limit).
    explicit GlyphAtlas(gfx::GraphicsDevice& device, int pageSize = 512);
    ~GlyphAtlas();
    GlyphAtlas(const GlyphAtlas&) = delete;
    GlyphAtlas& operator=(const GlyphAtlas&) = delete;

    // Copies a width × height coverage bitmap (one byte per texel, rows
    // `pitch` bytes apart, top row first) into free space. False when the
    // glyph is empty, larger than the device allows, or the device refuses
    // the texture.
    bool add(int width, int height, const unsigned char* coverage, int pitch, AtlasRegion& region);

    int pageCount() const { return static_cast<int>(pages_.size()); }
    gfx::TextureHandle page(int index) const { return pages_[static_cast<size_t>(index)].texture; }

private:
    struct Page {
        gfx::TextureHandle texture;
        int size = 0;
        int shelfTop = 0;     // top of the shelf being filled
        int shelfHeight = 0;  // tallest glyph on it so far
        int cursor = 0;       // next free column on it
    };

    // Finds room for a padded width × height block; false when the page is full.
    static bool reserve(Page& page, int width, int height, int& x, int& y);
    bool addPage(int minimumSize);

    gfx::GraphicsDevice& device_;
    int pageSize_;
    std::vector<Page> pages_;
    std::vector<unsigned char> upload_;
};
