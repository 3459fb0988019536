// Clipping: one masked picture placed in 3D space.
//
// A clipping holds the placement of its image entry (position, depth and
// pixel sizes, the three angles, the field of view, the picture plane), the
// flags that say how the image takes part in sculpting and texturing, the
// silhouette grid built from the mask and the border, and the projection
// that carving, face creation, sharpening and texturing read.
//
// This class is the model only: it knows nothing of drawing. The drawable
// scene node (with its side, outline, front, back and decal meshes) is
// layered on top of it by the transformation mode; everything the sculpting
// pipeline needs lives here, so the pipeline and its tests run headless.
//
// The clipping links itself to its entry's border as the border's owner: the
// border's inside tests far from the outline read this clipping's grid, and
// its anchors follow this clipping's adding-voxels flag.
#pragma once

#include "core/math3d.h"
#include "image/border.h"
#include "sculpt/clipping_projection.h"
#include "sculpt/silhouette_grid.h"

#include <cstdint>
#include <optional>

struct ImageEntry;

// How the image takes part (the project keys are the field names).
struct ClippingFlags {
    // The image takes part at all.
    bool enabled = false;
    // The image carves the object.
    bool forsculpting = true;
    // True: the silhouette marks what is kept; false: what is removed.
    bool addingvoxels = true;
    // The image paints the texture.
    bool fortexturing = true;
    // Texture only between the slab's front and back face.
    bool textureonlyinside = false;
    // Texture only where the mask is set.
    bool texturetakesmask = true;
    // The outline is used by sharpening.
    bool participateinsharpening = true;
    // Priority when several images can paint one triangle.
    std::int32_t texturestrength = 1;
    // The image also paints surfaces seen from behind.
    bool texturebothsides = false;
};

class Clipping : public BorderOwner {
public:
    // Makes the clipping of `entry` with the default placement and flags,
    // links it to the entry's border, builds the silhouette grid and prepares
    // the projection. The entry must outlive the clipping.
    explicit Clipping(ImageEntry& entry);
    // Unlinks the clipping from its entry's border.
    ~Clipping() override;
    Clipping(const Clipping&) = delete;
    Clipping& operator=(const Clipping&) = delete;

    ImageEntry& entry() const { return entry_; }

    // --- changes of the image ----------------------------------------------------

    // The picture, its reference points, the mask or the border changed:
    // each brings the clipping up to date at once (update()).
    void imageChanged() { update(); }
    void maskChanged() { update(); }
    void borderChanged() { update(); }

    // The image changed while nobody needs the clipping yet (the user is
    // masking in the 2D mode): only remembered, so that every brush stamp
    // stays cheap; updateIfOutOfDate() catches up.
    void markImageChanged() { outOfDate_ = true; }
    // An image change was remembered, or the border changed since the last
    // update.
    bool isOutOfDate() const;
    // update() when isOutOfDate(); true when it ran.
    bool updateIfOutOfDate();

    // Relinks the entry's current border, rebuilds it first when it is marked
    // changed (which also cleans the mask), then rebuilds the silhouette grid
    // and the snap point, clears the border's changed-for-3D mark and
    // prepares the projection.
    void update();

    // --- placement -------------------------------------------------------------------

    const ClippingPlacement& placement() const { return placement_; }
    // Each setter stores the value and marks the projection for preparation.
    void setPlacement(const ClippingPlacement& placement);
    void setTranslation(const D3DXVECTOR3& translation);
    void setRotation(const D3DXVECTOR3& rotation);
    void setScaling(const D3DXVECTOR3& scaling);
    void setAngles(float angle, float angleheight, float angleimage);
    void setFov(bool set, float x, float y);
    // Stores the picture-plane position; the previous one is kept.
    void setImagePlane(float position);
    float previousImagePlane() const { return previousImagePlane_; }

    // The picture-plane position set aside while a sculpting run holds the
    // plane in the middle (project key `depth`).
    float depth() const { return depth_; }
    void setDepth(float depth) { depth_ = depth; }
    // Sets the current position aside into `depth` and moves the plane to the
    // middle of the slab (0.5); restoreImagePlane() takes it back.
    void holdImagePlaneInMiddle();
    void restoreImagePlane();

    // Set by every placement change; cleared by prepareProjection().
    bool needsPreparation() const { return needsPreparation_; }
    void markNeedsPreparation() { needsPreparation_ = true; }

    // --- flags -----------------------------------------------------------------------

    const ClippingFlags& flags() const { return flags_; }
    // Stores the flags. When `addingvoxels` changes, the border is rebuilt
    // (its anchors depend on it) and the clipping updated.
    void setFlags(const ClippingFlags& flags);

    // True when the clipping can take part in carving: enabled, for
    // sculpting, with a silhouette and with a placement that projects.
    bool isReadyForSculpting() const;

    // --- silhouette ----------------------------------------------------------------------

    const SilhouetteGrid& grid() const { return grid_; }
    bool hasSilhouette() const { return grid_.hasSilhouette(); }
    // The image's snap point in grid coordinates:
    // (512 - marginRight - snapPoint.x, 512 - marginBottom - snapPoint.y).
    const D3DXVECTOR2& snapPoint() const { return snapPoint_; }

    // BorderOwner.
    bool addingVoxels() const override { return flags_.addingvoxels; }
    int silhouetteCell(int i, int j) const override { return grid_.cell(i, j); }

    // --- projection ------------------------------------------------------------------------

    // Recomputes the projection from the placement and the picture and clears
    // needs preparation. False when the placement is refused (then nothing
    // projects, no point is inside and every cube is outside).
    bool prepareProjection() const;
    // The prepared projection (prepared first when needed).
    const ClippingProjection& projection() const;

    // The operations of ClippingProjection, preparing first when needed.
    std::optional<ClipPoint> projectPoint(const D3DXVECTOR3& point) const;
    std::optional<D3DXVECTOR3> unprojectPoint(const ClipPoint& point) const;
    bool isPointInside(const D3DXVECTOR3& point) const;
    // The cube at `centre` with the bounding radius `radius`.
    int classifyCell(const D3DXVECTOR3& centre, float radius) const;
    D3DXVECTOR3 localOffset(const D3DXVECTOR3& point) const;
    D3DXVECTOR3 localOffsetWithPictureOffsets(const D3DXVECTOR3& point) const;
    D3DXVECTOR3 worldAxis(int axis) const;

private:
    Border* linkBorder();
    void updateSnapPoint();
    PictureFrame pictureFrame() const;
    void placementChanged() { needsPreparation_ = true; }

    ImageEntry& entry_;
    ClippingPlacement placement_;
    float previousImagePlane_ = 0.5f;
    float depth_ = 0.5f;
    ClippingFlags flags_;
    bool outOfDate_ = false;
    SilhouetteGrid grid_;
    D3DXVECTOR2 snapPoint_;
    // The projection is a cache of the placement, refreshed on first use.
    mutable ClippingProjection projection_;
    mutable bool needsPreparation_ = true;
};
