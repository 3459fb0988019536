// XFileMesh: a model read from a DirectX ".x" file (text or binary), drawn
// subset by subset. Each subset has its material (ambient set equal to
// diffuse) and, when the file names one, its texture loaded from the model's
// directory. An override material and an override texture, when set, are
// used for every subset instead.
//
// A model that cannot be read prints "Could not load file: <path>" and draws
// nothing; a texture that cannot be read prints "could not load: <path>" and
// its subset is drawn without texture.
#pragma once

#include "core/string.h"
#include "render/scene/mesh.h"

#include <memory>
#include <optional>
#include <vector>

class Texture;

class XFileMesh : public Mesh {
public:
    // Loads `directory`/`fileName`. `directory` may be empty (then the file
    // name is used as it is) and may end with a slash.
    XFileMesh(gfx::GraphicsDevice& device, const String& directory, const String& fileName);
    ~XFileMesh() override;

    // Material, render states, world matrix, textures (when on); then
    // diffuse from the material, alpha blending on (source alpha, inverse
    // source alpha); with no materials one draw of subset 0, otherwise depth
    // test and depth write on and for every subset its material and its
    // texture on stage 0 (or the overrides), then its chunks.
    void render() override;

    bool isLoaded() const { return loaded_; }
    const String& directory() const { return directory_; }
    const String& fileName() const { return fileName_; }
    int materialCount() const { return static_cast<int>(materials_.size()); }
    const gfx::Material& subsetMaterial(int subset) const { return materials_[static_cast<size_t>(subset)]; }
    // The texture of `subset`, null when it has none.
    Texture* subsetTexture(int subset) const { return textures_[static_cast<size_t>(subset)].get(); }
    // The subset chunk `chunk` belongs to.
    int chunkSubset(int chunk) const { return chunkSubsets_[static_cast<size_t>(chunk)]; }

    void setOverrideMaterial(const gfx::Material& material) { overrideMaterial_ = material; }
    void clearOverrideMaterial() { overrideMaterial_.reset(); }
    // `texture` (not owned; null clears the override) on every subset.
    void setOverrideTexture(Texture* texture) { overrideTexture_ = texture; }

    static int classType();

private:
    bool load(const String& path);
    void loadTexture(int subset, const String& textureName);
    void drawSubset(int subset);
    void setSubsetTexture(int subset);

    String directory_;
    String fileName_;
    bool loaded_ = false;
    std::vector<gfx::Material> materials_;
    std::vector<std::unique_ptr<Texture>> textures_;
    std::vector<int> chunkSubsets_;
    std::optional<gfx::Material> overrideMaterial_;
    Texture* overrideTexture_ = nullptr;
};
