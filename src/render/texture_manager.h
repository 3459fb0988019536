// The texture manager: makes and owns the textures of the GUI (art files and
// textures made from pictures) and deletes them all at shut-down. Art files
// are loaded once per path; asking for the same path again gives the same
// texture, including an empty one for a file that could not be loaded, so a
// missing file is reported once.
#pragma once

#include "core/string.h"
#include "platform/graphics_device.h"
#include "render/texture.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class TextureManager {
public:
    explicit TextureManager(gfx::GraphicsDevice& device);
    // Logs "Delete texturemanager", deletes every texture, logs
    // "Texturemanager deleted".
    ~TextureManager();
    TextureManager(const TextureManager&) = delete;
    TextureManager& operator=(const TextureManager&) = delete;

    // The texture of the picture file at `path` (loaded on first request).
    // Never null; an unloadable file gives an empty texture.
    Texture* load(const String& path);
    // A new texture from a picture, owned by the manager.
    Texture* create(const RgbView& picture);
    // A new texture from RGBA texels, owned by the manager.
    Texture* create(int width, int height, const unsigned char* rgba);
    // Deletes a texture the manager owns (a loaded one is forgotten as well);
    // false for a texture it does not own.
    bool destroy(Texture* texture);

    int count() const { return static_cast<int>(loaded_.size() + made_.size()); }
    gfx::GraphicsDevice& device() const { return device_; }

private:
    gfx::GraphicsDevice& device_;
    std::map<std::string, std::unique_ptr<Texture>> loaded_;
    std::vector<std::unique_ptr<Texture>> made_;
};
