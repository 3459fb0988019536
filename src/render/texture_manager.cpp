#include "render/texture_manager.h"

#include "core/logger.h"

#include <algorithm>

TextureManager::TextureManager(gfx::GraphicsDevice& device) : device_(device) {}

TextureManager::~TextureManager() {
    Logger& log = Logger::instance();
    log.info("Delete texturemanager");
    log.indent();
    loaded_.clear();
    made_.clear();
    log.unindent();
    log.info("Texturemanager deleted");
}

Texture* TextureManager::load(const String& path) {
    std::unique_ptr<Texture>& slot = loaded_[path.str()];
    if (!slot) slot = std::make_unique<Texture>(device_, path);
    return slot.get();
}

Texture* TextureManager::create(const RgbView& picture) {
    made_.push_back(std::make_unique<Texture>(device_, picture));
    return made_.back().get();
}

Texture* TextureManager::create(int width, int height, const unsigned char* rgba) {
    made_.push_back(std::make_unique<Texture>(device_, width, height, rgba));
    return made_.back().get();
}

bool TextureManager::destroy(Texture* texture) {
    if (texture == nullptr) return false;
    auto made = std::find_if(made_.begin(), made_.end(), [texture](const auto& t) { return t.get() == texture; });
    if (made != made_.end()) {
        made_.erase(made);
        return true;
    }
    auto loaded =
        std::find_if(loaded_.begin(), loaded_.end(), [texture](const auto& entry) { return entry.second.get() == texture; });
    if (loaded == loaded_.end()) return false;
    loaded_.erase(loaded);
    return true;
}
