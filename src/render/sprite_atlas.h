// Texture pages shared by the small things the sprite batch draws: glyphs of
// every font and pieces of GUI art. Quads whose texels lie on one page are
// drawn with one call, however art and text are interleaved on the screen.
//
// Blocks are packed row by row (shelves) on the newest page. Every block
// keeps a one-texel border of its own: clear around glyphs (white texels
// whose alpha is the coverage, so that a sprite colour tints the text), and
// a copy of the edge texels around pictures, so that filtering at a
// picture's edge samples what a clamped texture of its own would.
//
// Pictures are placed on at most `pageLimit` pages; glyphs may always add a
// page, since text must be drawn. Once the limit is reached the atlas asks
// to be recycled: its owner calls recycle() between frames, when no quad
// that samples a page is pending. Recycling forgets every block and changes
// generation(), which tells whoever keeps regions (fonts, the renderer's art
// table) to ask again. Pages are device textures and die with the atlas.
#pragma once

#include "platform/graphics_device.h"

#include <cstdint>
#include <vector>

// Where a block lies in the atlas: its page, its size and first texel, and
// the texture coordinates of its edges.
struct AtlasRegion {
    gfx::TextureHandle texture;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    float u0 = 0.0f, v0 = 0.0f, u1 = 0.0f, v1 = 0.0f;
};

class SpriteAtlas {
public:
    // Largest picture side the atlas takes; larger pictures are drawn from
    // their own textures.
    static constexpr int kLargestPicture = 256;

    // Pages are `pageSize` texels square (at least 64), larger only for a
    // glyph that would not fit (up to the device's texture limit).
    explicit SpriteAtlas(gfx::GraphicsDevice& device, int pageSize = 1024, int pageLimit = 4);
    ~SpriteAtlas();
    SpriteAtlas(const SpriteAtlas&) = delete;
    SpriteAtlas& operator=(const SpriteAtlas&) = delete;

    // Copies a width × height coverage bitmap (one byte per texel, rows
    // `pitch` bytes apart, top row first) into free space. False when the
    // glyph is empty, larger than the device allows, or the device refuses
    // the texture.
    bool addCoverage(int width, int height, const unsigned char* coverage, int pitch, AtlasRegion& region);
    // Copies width × height RGBA texels (rows top first). False when the
    // picture is empty or larger than kLargestPicture, when the pages for
    // pictures are full (the atlas then wants recycling), or when the device
    // refuses the texels.
    bool addPicture(int width, int height, const unsigned char* rgba, AtlasRegion& region);
    // Writes new texels of the region's size over a region addPicture gave
    // (in this generation); false when the device refuses them.
    bool replacePicture(const AtlasRegion& region, const unsigned char* rgba);

    bool wantsRecycling() const { return wantsRecycling_; }
    // Forgets every block, gives the pages back and starts a new generation.
    void recycle();
    uint64_t generation() const { return generation_; }

    int pageCount() const { return static_cast<int>(pages_.size()); }
    gfx::TextureHandle page(int index) const { return pages_[static_cast<size_t>(index)].texture; }

private:
    struct Page {
        gfx::TextureHandle texture;
        int size = 0;
        int shelfTop = 0;     // top of the shelf being filled
        int shelfHeight = 0;  // tallest block on it so far
        int cursor = 0;       // next free column on it
    };

    // Finds room for a block of the padded size on `page`; false when it is full.
    static bool reserve(Page& page, int paddedWidth, int paddedHeight, int& x, int& y);
    // Room for a padded block: on the newest page, else on a new one (if `mayAddPage`).
    bool place(int paddedWidth, int paddedHeight, bool mayAddPage, int& pageIndex, int& x, int& y);
    bool addPage(int minimumSize);
    // Sends upload_ (a padded block at x, y) to the page and fills `region`.
    bool store(int pageIndex, int x, int y, int width, int height, AtlasRegion& region);

    gfx::GraphicsDevice& device_;
    int pageSize_;
    int pageLimit_;
    bool wantsRecycling_ = false;
    uint64_t generation_ = 1;
    std::vector<Page> pages_;
    std::vector<unsigned char> upload_;
};
