// One font at one pixel size: a FreeType face, the glyphs rasterised so far
// (kept in the renderer's sprite atlas) and the text layout used for drawing
// and measuring. Glyphs are rasterised the first time a text needs them.
//
// Texts are bytes: valid UTF-8 sequences are read as such, every other byte
// as the Latin-1 character of that value. A line feed starts a new line; a
// carriage return is ignored.
#pragma once

#include "core/string.h"
#include "platform/graphics_device.h"
#include "render/sprite_atlas.h"
#include "render/font_lookup.h"
#include "render/sprite_batch.h"

#include <functional>
#include <memory>

enum class TextAlign { Left, Centre, Right };

// Size of a laid-out text in pixels.
struct TextExtent {
    int width = 0;   // widest line
    int height = 0;  // lines × line height
};

// One glyph ready to draw: screen rectangle, atlas page and coordinates.
struct GlyphQuad {
    gfx::TextureHandle texture;
    float left = 0.0f, top = 0.0f, right = 0.0f, bottom = 0.0f;
    QuadTexCoords coords;
};

class Font {
public:
    // Opens the face in `file` at `pixelHeight` (the em size in pixels). An
    // upright face asked for in italic is slanted. A file that cannot be
    // opened gives an unusable font (see isUsable) and a message in `error`.
    // The glyphs are kept in `atlas`, which must outlive the font.
    Font(SpriteAtlas& atlas, const FontFile& file, int pixelHeight, bool italic, String& error);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // False when the face could not be opened: such a font measures every
    // text as empty and draws nothing.
    bool isUsable() const;
    int pixelHeight() const { return pixelHeight_; }
    // Distance between the tops of two lines, and from a line's top to its
    // baseline, in pixels.
    int lineHeight() const { return lineHeight_; }
    int ascent() const { return ascent_; }
    const String& family() const { return family_; }

    // Width of the widest line and height of all lines of `text`.
    TextExtent measure(const String& text);
    // Rasterises the glyphs of `text` now, so that drawing it later needs no
    // new atlas space.
    void preload(const String& text);
    // Lays `text` out in `rect`: lines from the rectangle's top, each placed
    // at the left edge, centred, or against the right edge. Nothing is
    // clipped. Calls `emit` for every visible glyph.
    void layout(const String& text, const PixelRect& rect, TextAlign align,
                const std::function<void(const GlyphQuad&)>& emit);

    // Glyphs held in the atlas so far (for tests and statistics).
    int cachedGlyphs() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int pixelHeight_ = 0;
    int lineHeight_ = 0;
    int ascent_ = 0;
    String family_;
};
