#include "render/font_cache.h"

#include "core/logger.h"

#include <algorithm>
#include <cstdio>

namespace {

// Logical pixels per inch of the screen the fonts are sized for.
constexpr int kScreenDpi = 96;
// Largest em size in pixels a font is rasterised at.
constexpr int kLargestPixelHeight = 1024;

const FontDescription& unsetDescription() {
    static const FontDescription description;
    return description;
}

String describe(const FontDescription& description) {
    char size[32];
    std::snprintf(size, sizeof size, " %d", description.pointSize);
    String text(description.face);
    text.append(String(size));
    if (description.style != 0) text.append(String(" italic"));
    return text;
}

}  // namespace

FontCache::FontCache() : resolver_(findFontFile) {}

FontCache::~FontCache() = default;

int FontCache::fontHeight(int pointSize) {
    // MulDiv(pointSize, 96, 72): rounded half away from zero.
    const long long product = static_cast<long long>(pointSize) * kScreenDpi;
    const long long rounded = product >= 0 ? (product + 36) / 72 : (product - 36) / 72;
    return static_cast<int>(-std::clamp<long long>(rounded, -kLargestPixelHeight, kLargestPixelHeight));
}

void FontCache::setResolver(FontResolver resolver) { resolver_ = resolver ? std::move(resolver) : findFontFile; }

Font* FontCache::font(int index) const {
    if (index < 0 || index >= size()) return nullptr;
    return fonts_[static_cast<size_t>(index)].get();
}

const FontDescription& FontCache::description(int index) const {
    if (index < 0 || index >= size()) return unsetDescription();
    return descriptions_[static_cast<size_t>(index)];
}

std::unique_ptr<Font> FontCache::load(SpriteAtlas& atlas, const FontDescription& description) const {
    const bool italic = description.style != 0;
    const int pixelHeight = std::max(1, -fontHeight(description.pointSize));
    FontFile file;
    String error;
    if (!resolver_(description.face, italic, file, error)) {
        Logger::instance().error("FontCache", String("Could not find font ").append(describe(description)));
        Logger::instance().error("FontCache", error);
        return std::make_unique<Font>(atlas, FontFile{}, pixelHeight, italic, error);
    }
    auto font = std::make_unique<Font>(atlas, file, pixelHeight, italic, error);
    if (!font->isUsable()) {
        Logger::instance().error("FontCache", String("Could not load font ").append(describe(description)));
        Logger::instance().error("FontCache", error);
    }
    return font;
}

int FontCache::findReusable(const String& face, int pointSize, unsigned char style) const {
    for (int i = 0; i < size(); ++i) {
        const FontDescription& d = descriptions_[static_cast<size_t>(i)];
        if (fonts_[static_cast<size_t>(i)] && d.face.equals(face) && d.pointSize == pointSize && d.style == style)
            return i;
    }
    return -1;
}

int FontCache::freeSlot() {
    for (int i = 0; i < size(); ++i)
        if (!fonts_[static_cast<size_t>(i)] && !descriptions_[static_cast<size_t>(i)].isSet()) return i;
    fonts_.emplace_back();
    descriptions_.emplace_back();
    return size() - 1;
}

int FontCache::create(SpriteAtlas& atlas, const String& face, int pointSize, bool italic, bool reuse) {
    const unsigned char style = italic ? 1 : 0;
    if (reuse) {
        const int existing = findReusable(face, pointSize, style);
        if (existing >= 0) return existing;
    }
    const int index = freeSlot();
    FontDescription description;
    description.face = face;
    description.pointSize = pointSize;
    description.style = style;
    fonts_[static_cast<size_t>(index)] = load(atlas, description);
    descriptions_[static_cast<size_t>(index)] = description;
    return index;
}

void FontCache::release(int index) {
    if (index < 0 || index >= size()) return;
    fonts_[static_cast<size_t>(index)].reset();
    descriptions_[static_cast<size_t>(index)] = FontDescription{};
}

void FontCache::releaseAll() {
    for (auto& font : fonts_) font.reset();
}

void FontCache::recreateAll(SpriteAtlas& atlas) {
    for (size_t i = 0; i < fonts_.size(); ++i)
        if (!fonts_[i] && descriptions_[i].isSet()) fonts_[i] = load(atlas, descriptions_[i]);
}

void FontCache::clear() {
    fonts_.clear();
    descriptions_.clear();
}
