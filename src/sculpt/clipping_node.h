// ClippingNode: the scene node that shows one clipping. It carries the
// clipping's placement as its transform and owns the display meshes of
// clipping_meshes.h (side walls, outline, front and back picture, decal
// layer), the collision lines the transformation mode fills in, the picking
// mesh and the silhouette field that the other images' collision lines,
// decals and snapping walk through.
//
// The node only shows the clipping; every placement value lives in the
// clipping itself. After a change of the clipping the owner calls
// placementChanged() (placement), rebuild() (picture, mask, border) or
// flagsChanged() (participation flags), and setLook() when a view setting
// changed.
#pragma once

#include "core/configuration.h"
#include "render/scene/container.h"
#include "render/scene/line_list.h"
#include "render/scene/picking.h"
#include "sculpt/clipping_frame.h"
#include "sculpt/clipping_meshes.h"
#include "sculpt/silhouette_field.h"

#include <memory>
#include <vector>

class Clipping;
class Texture;

// How every clipping is shown.
struct ClippingLook {
    // Every n-th outline vertex makes a wall quad (1: all).
    int sideQuality = 1;
    // Transparencies, 0 (opaque) to 255 (invisible): the side walls, the
    // picture where the mask is set, the picture elsewhere.
    int sideTransparency = 150;
    int maskTransparency = 100;
    int backgroundTransparency = 255;
    // Outline colours of images that add and that remove voxels.
    ColourBytes addingColour{0, 200, 0};
    ColourBytes removingColour{230, 30, 30};

    bool operator==(const ClippingLook&) const = default;
};

// The look the settings describe.
ClippingLook clippingLookOf(const Settings& settings);

// The texels of the front picture: the working copy's colour, alpha
// 255 - maskTransparency where the mask is set and 255 -
// backgroundTransparency elsewhere (transparencies clamped to 0..255).
std::vector<unsigned char> frontTexels(const Image& picture, const Image& mask, int maskTransparency,
                                       int backgroundTransparency);

class ClippingNode : public Container {
public:
    // Opacity of the back picture relative to the front one.
    static constexpr float kBackOpacity = 0.4f;
    // Share of the side opacity (255 - side transparency) one wall gets.
    static constexpr float kWallShare = 0.35f;
    // How far (pixels) the drawn walls may leave the sampled outline.
    static constexpr float kWallTolerance = 0.5f;
    // Outline sampling of the picking walls.
    static constexpr int kPickQuality = 4;

    // Builds every mesh of `clipping` (which must outlive the node) on
    // `device`.
    ClippingNode(gfx::GraphicsDevice& device, Clipping& clipping, const ClippingLook& look);
    ~ClippingNode() override;

    Clipping& clipping() const { return clipping_; }

    // Only the node's own flag: the children keep theirs.
    void setEnabled(bool enabled) override;
    // The picture, mask or border changed: textures, meshes, picking and the
    // field are made again (the clipping itself must be up to date).
    void rebuild() override;
    // The placement changed: the transform follows; the meshes are made
    // again when the picture frame changed (field of view, centres).
    void placementChanged();
    // The adding-voxels flag changed: the outline and wall colours follow.
    void flagsChanged();
    // A view setting changed; only what depends on it is made again.
    void setLook(const ClippingLook& look);
    const ClippingLook& look() const { return look_; }

    // The nearest hit of the world ray (origin, unit direction) on the
    // front and back picture (where the silhouette's box lies) and on the
    // walls; true with the distance along the ray. False when the node is
    // not enabled or its transform cannot be inverted.
    bool pick(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& distance) const;

    // Grows whenever rebuild() made the picture's meshes and field again.
    // The field reaches every silhouette cell and its neighbours.
    unsigned revision() const { return revision_; }

    const SilhouetteField& field() const { return field_; }
    const ClippingModelFrame& modelFrame() const { return frame_; }
    // The outline samples of the walls (side quality, then simplified within
    // kWallTolerance).
    const std::vector<std::vector<OutlineSample>>& outlineSamples() const { return samples_; }
    // Model point -> world point with the node's transform.
    D3DXVECTOR3 toWorld(const D3DXVECTOR3& model) const;

    ClippingSide& side() const { return *side_; }
    ClippingBorder& border() const { return *border_; }
    ClippingFront& front() const { return *front_; }
    ClippingBack& back() const { return *back_; }
    ClippingLayer& layer() const { return *layer_; }
    LineList& collisionLines() const { return *collisionLines_; }
    // The picture as an opaque texture for the decals, made on first use.
    Texture* pictureTexture();
    Texture* frontTexture() const { return frontTexture_.get(); }

    static int classType();

private:
    void followPlacement();
    void buildGeometry();
    void buildPictureQuads();
    void buildFrontTexture();
    void applyColours();

    gfx::GraphicsDevice& device_;
    Clipping& clipping_;
    ClippingLook look_;
    ClippingModelFrame frame_;
    std::vector<std::vector<OutlineSample>> samples_;
    SilhouetteField field_;
    std::vector<PickMesh> pickMeshes_;
    std::unique_ptr<Texture> frontTexture_;
    std::unique_ptr<Texture> pictureTexture_;
    ClippingSide* side_ = nullptr;
    ClippingBorder* border_ = nullptr;
    ClippingFront* front_ = nullptr;
    ClippingBack* back_ = nullptr;
    ClippingLayer* layer_ = nullptr;
    LineList* collisionLines_ = nullptr;
    unsigned revision_ = 0;
};
