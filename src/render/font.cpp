#include "render/font.h"

#include "render/sprite_atlas.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// Slant given to an upright face asked for in italic (x += 0.2 · y).
constexpr FT_Fixed kItalicShear = 0x3333;

// Fixed-point 26.6 values (as FreeType measures) to whole pixels.
int roundPixels(FT_Pos value) { return static_cast<int>((value + 32) >> 6); }
int ceilPixels(FT_Pos value) { return static_cast<int>((value + 63) >> 6); }

// Length of the UTF-8 sequence led by `lead`, 0 for a byte that cannot lead one.
int sequenceLength(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// The character of a complete, valid UTF-8 sequence, or 0 when it is not one.
char32_t decodeSequence(const unsigned char* bytes, int length) {
    static constexpr unsigned char kLeadMask[5] = {0, 0, 0x1F, 0x0F, 0x07};
    char32_t value = bytes[0] & kLeadMask[length];
    for (int i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80) return 0;
        value = (value << 6) | (bytes[i] & 0x3F);
    }
    static constexpr char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    return value;
}

// Characters of `text`: UTF-8 where the bytes form valid sequences, each
// other byte as the Latin-1 character of its value.
std::u32string decodeText(const String& text) {
    std::u32string characters;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.text());
    const int count = text.length();
    for (int i = 0; i < count;) {
        const int length = sequenceLength(bytes[i]);
        const char32_t decoded = length > 0 && i + length <= count ? decodeSequence(bytes + i, length) : 0;
        if (decoded != 0) {
            characters.push_back(decoded);
            i += length;
        } else {
            characters.push_back(bytes[i]);
            ++i;
        }
    }
    return characters;
}

// `text` split at line feeds, carriage returns dropped.
std::vector<std::u32string> splitLines(const String& text) {
    std::vector<std::u32string> lines(1);
    for (char32_t c : decodeText(text)) {
        if (c == U'\n') lines.emplace_back();
        else if (c != U'\r') lines.back().push_back(c);
    }
    return lines;
}

// The glyph bitmap as one coverage byte per pixel, top row first.
bool coverageOf(const FT_Bitmap& bitmap, std::vector<unsigned char>& coverage) {
    const int width = static_cast<int>(bitmap.width);
    const int height = static_cast<int>(bitmap.rows);
    coverage.assign(static_cast<size_t>(width) * height, 0);
    const int pitch = bitmap.pitch;
    const unsigned char* top = pitch >= 0 ? bitmap.buffer : bitmap.buffer - static_cast<ptrdiff_t>(pitch) * (height - 1);
    for (int row = 0; row < height; ++row) {
        const unsigned char* source = top + static_cast<ptrdiff_t>(row) * pitch;
        unsigned char* target = &coverage[static_cast<size_t>(row) * width];
        for (int column = 0; column < width; ++column) {
            switch (bitmap.pixel_mode) {
            case FT_PIXEL_MODE_GRAY:
                target[column] = static_cast<unsigned char>(
                    bitmap.num_grays == 256 ? source[column] : source[column] * 255 / std::max(1, bitmap.num_grays - 1));
                break;
            case FT_PIXEL_MODE_MONO:
                target[column] = (source[column / 8] & (0x80 >> (column % 8))) ? 255 : 0;
                break;
            default:
                return false;
            }
        }
    }
    return true;
}

}  // namespace

struct Font::Impl {
    struct Glyph {
        FT_UInt index = 0;
        FT_Pos advance = 0;  // 26.6
        int left = 0;        // from the pen to the bitmap's left edge
        int top = 0;         // from the baseline up to the bitmap's top edge
        bool drawable = false;
        AtlasRegion region;
    };

    explicit Impl(SpriteAtlas& spriteAtlas) : atlas(spriteAtlas), atlasGeneration(spriteAtlas.generation()) {}
    ~Impl() {
        if (face != nullptr) FT_Done_Face(face);
        if (library != nullptr) FT_Done_FreeType(library);
    }

    const Glyph& glyph(char32_t character);
    Glyph rasterise(char32_t character);
    FT_Pos kerning(FT_UInt previous, FT_UInt next) const;
    // Width of one line in 26.6.
    FT_Pos lineWidth(const std::u32string& line);

    FT_Library library = nullptr;
    FT_Face face = nullptr;
    bool hasKerning = false;
    SpriteAtlas& atlas;
    uint64_t atlasGeneration;  // the atlas generation the glyphs' regions belong to
    std::unordered_map<char32_t, Glyph> glyphs;
    std::vector<unsigned char> coverage;
};

Font::Impl::Glyph Font::Impl::rasterise(char32_t character) {
    Glyph result;
    // Tabs are as wide as a space; other control characters take no room.
    if (character == U'\t') character = U' ';
    else if (character < 0x20 || character == 0x7F) return result;
    result.index = FT_Get_Char_Index(face, character);
    if (FT_Load_Glyph(face, result.index, FT_LOAD_RENDER) != 0) return result;
    const FT_GlyphSlot slot = face->glyph;
    result.advance = slot->advance.x;
    result.left = slot->bitmap_left;
    result.top = slot->bitmap_top;
    if (slot->bitmap.width > 0 && slot->bitmap.rows > 0 && coverageOf(slot->bitmap, coverage)) {
        const int width = static_cast<int>(slot->bitmap.width);
        result.drawable = atlas.addCoverage(width, static_cast<int>(slot->bitmap.rows), coverage.data(), width, result.region);
    }
    return result;
}

const Font::Impl::Glyph& Font::Impl::glyph(char32_t character) {
    // A recycled atlas has forgotten every glyph: rasterise them again.
    if (atlasGeneration != atlas.generation()) {
        glyphs.clear();
        atlasGeneration = atlas.generation();
    }
    auto found = glyphs.find(character);
    if (found != glyphs.end()) return found->second;
    return glyphs.emplace(character, rasterise(character)).first->second;
}

FT_Pos Font::Impl::kerning(FT_UInt previous, FT_UInt next) const {
    if (!hasKerning || previous == 0 || next == 0) return 0;
    FT_Vector delta{0, 0};
    if (FT_Get_Kerning(face, previous, next, FT_KERNING_DEFAULT, &delta) != 0) return 0;
    return delta.x;
}

FT_Pos Font::Impl::lineWidth(const std::u32string& line) {
    FT_Pos pen = 0;
    FT_UInt previous = 0;
    for (char32_t c : line) {
        const Glyph& g = glyph(c);
        pen += kerning(previous, g.index) + g.advance;
        previous = g.index;
    }
    return pen;
}

Font::Font(SpriteAtlas& atlas, const FontFile& file, int pixelHeight, bool italic, String& error)
    : impl_(std::make_unique<Impl>(atlas)), pixelHeight_(std::max(1, pixelHeight)), family_(file.family) {
    if (FT_Init_FreeType(&impl_->library) != 0) {
        impl_->library = nullptr;
        error = "The font engine could not be started";
        return;
    }
    if (FT_New_Face(impl_->library, file.path.text(), file.faceIndex, &impl_->face) != 0) {
        impl_->face = nullptr;
        error = String("Could not open the font file ").append(file.path);
        return;
    }
    FT_Face face = impl_->face;
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelHeight_)) != 0 &&
        !(FT_HAS_FIXED_SIZES(face) && FT_Select_Size(face, 0) == 0)) {
        FT_Done_Face(face);
        impl_->face = nullptr;
        error = String("The font file ").append(file.path).append(String(" has no usable size"));
        return;
    }
    if (italic && (face->style_flags & FT_STYLE_FLAG_ITALIC) == 0) {
        FT_Matrix shear{0x10000, kItalicShear, 0, 0x10000};
        FT_Set_Transform(face, &shear, nullptr);
    }
    impl_->hasKerning = FT_HAS_KERNING(face);
    ascent_ = ceilPixels(face->size->metrics.ascender);
    lineHeight_ = ascent_ + ceilPixels(-face->size->metrics.descender);
    if (lineHeight_ <= 0) lineHeight_ = pixelHeight_;
    if (family_.length() == 0 && face->family_name != nullptr) family_ = String(face->family_name);
}

Font::~Font() = default;

bool Font::isUsable() const { return impl_->face != nullptr; }

int Font::cachedGlyphs() const { return static_cast<int>(impl_->glyphs.size()); }

TextExtent Font::measure(const String& text) {
    TextExtent extent;
    if (!isUsable() || text.length() == 0) return extent;
    const std::vector<std::u32string> lines = splitLines(text);
    for (const std::u32string& line : lines) extent.width = std::max(extent.width, roundPixels(impl_->lineWidth(line)));
    extent.height = static_cast<int>(lines.size()) * lineHeight_;
    return extent;
}

void Font::preload(const String& text) {
    if (!isUsable()) return;
    for (char32_t c : decodeText(text)) impl_->glyph(c);
}

void Font::layout(const String& text, const PixelRect& rect, TextAlign align,
                  const std::function<void(const GlyphQuad&)>& emit) {
    if (!isUsable() || text.length() == 0) return;
    const std::vector<std::u32string> lines = splitLines(text);
    for (size_t lineIndex = 0; lineIndex < lines.size(); ++lineIndex) {
        const std::u32string& line = lines[lineIndex];
        const int width = roundPixels(impl_->lineWidth(line));
        int x = rect.left;
        if (align == TextAlign::Centre) x = rect.left + static_cast<int>(std::floor((rect.width() - width) / 2.0));
        else if (align == TextAlign::Right) x = rect.right - width;
        const int baseline = rect.top + static_cast<int>(lineIndex) * lineHeight_ + ascent_;

        FT_Pos pen = static_cast<FT_Pos>(x) * 64;
        FT_UInt previous = 0;
        for (char32_t c : line) {
            const Impl::Glyph& g = impl_->glyph(c);
            pen += impl_->kerning(previous, g.index);
            previous = g.index;
            if (g.drawable) {
                GlyphQuad quad;
                quad.texture = g.region.texture;
                quad.left = static_cast<float>(roundPixels(pen) + g.left);
                quad.top = static_cast<float>(baseline - g.top);
                quad.right = quad.left + static_cast<float>(g.region.width);
                quad.bottom = quad.top + static_cast<float>(g.region.height);
                quad.coords = {g.region.u0, g.region.v0, g.region.u1, g.region.v1};
                emit(quad);
            }
            pen += g.advance;
        }
    }
}
