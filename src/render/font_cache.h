// The renderer's table of fonts. A font is addressed by its index in the
// table; beside every slot the table keeps the font's description (face,
// point size, style), so that the fonts can be released before a device
// reset and created again afterwards. A freed slot holds no font and the
// description "notset", and is the first to be used again.
#pragma once

#include "core/string.h"
#include "platform/graphics_device.h"
#include "render/font.h"
#include "render/font_lookup.h"

#include <memory>
#include <vector>

// Face name of a slot whose font was freed.
inline constexpr const char* kUnsetFontFace = "notset";

struct FontDescription {
    String face = kUnsetFontFace;
    int pointSize = 0;
    unsigned char style = 0;  // 1: italic

    bool isSet() const { return !face.equals(kUnsetFontFace); }
};

class FontCache {
public:
    FontCache();
    ~FontCache();
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;

    // Pixel height for a point size on the 96 dots per inch screen: the
    // font's height is −(pointSize × 96 / 72), rounded like MulDiv.
    static int fontHeight(int pointSize);

    // Returns the index of a font of `face` at `pointSize` points. With
    // `reuse` an existing font of the same face, size and style is returned;
    // otherwise the first free slot (or a new one at the end) gets a new
    // font. A face that cannot be loaded is logged and still gets its slot:
    // that font measures and draws nothing.
    // The font keeps its glyphs in `atlas`, which must outlive it.
    int create(SpriteAtlas& atlas, const String& face, int pointSize, bool italic, bool reuse);

    // The font in slot `index`; null for a free slot or an index outside the table.
    Font* font(int index) const;
    bool isValid(int index) const { return font(index) != nullptr; }
    // The description of slot `index` (a "notset" one outside the table).
    const FontDescription& description(int index) const;
    int size() const { return static_cast<int>(fonts_.size()); }

    // Frees one font; its slot becomes free and its description "notset".
    void release(int index);
    // Frees every font but keeps the descriptions (before a device reset).
    void releaseAll();
    // Creates a font for every slot whose description is set and that holds
    // no font (after a device reset).
    void recreateAll(SpriteAtlas& atlas);
    // Frees every font and forgets the table.
    void clear();

    // Where face names are looked up; findFontFile by default.
    void setResolver(FontResolver resolver);

private:
    std::unique_ptr<Font> load(SpriteAtlas& atlas, const FontDescription& description) const;
    int findReusable(const String& face, int pointSize, unsigned char style) const;
    int freeSlot();

    FontResolver resolver_;
    std::vector<std::unique_ptr<Font>> fonts_;
    std::vector<FontDescription> descriptions_;
};
