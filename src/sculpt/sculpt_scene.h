// SculptScene: the clippings as a sculpting or texturing run sees them,
// copied once on the thread that owns the clippings.
//
// A run works only on this copy: placements with the picture plane held in
// the middle of the slab, flags, silhouette grids, masks (from which each
// copy rebuilds its own border on the run's thread) and, for texturing, the
// pictures. So the run may go on on another thread while the live clippings
// are drawn and edited, and two runs of equal scenes give equal meshes.
//
//   SculptScene scene = SculptScene::capture(clippings, SculptScene::Pictures::No);   // owner's thread
//   ... any thread: carve, sharpen, texture with scene.sculptList() ...
#pragma once

#include "image/border.h"
#include "image/image.h"
#include "sculpt/clipping.h"
#include "sculpt/clipping_projection.h"
#include "sculpt/silhouette_grid.h"

#include <memory>
#include <span>
#include <vector>

// One clipping of a scene.
class SculptClipping : public BorderOwner {
public:
    // Copies `clipping` as it is now; its projection must already be
    // prepared the way the run sees it (SculptScene::capture does this).
    // `withPicture`: the picture is copied too (texturing needs it).
    SculptClipping(const Clipping& clipping, int workspaceIndex, bool withPicture);
    SculptClipping(const SculptClipping&) = delete;
    SculptClipping& operator=(const SculptClipping&) = delete;

    // Slot of the clipping in the workspace's list.
    int workspaceIndex() const { return workspaceIndex_; }
    const ClippingFlags& flags() const { return flags_; }
    const ClippingProjection& projection() const { return projection_; }
    const SilhouetteGrid& grid() const { return grid_; }
    bool hasSilhouette() const { return grid_.hasSilhouette(); }
    // Enabled, for sculpting, with a silhouette and a usable projection.
    bool carves() const;
    // Enabled and for texturing.
    bool paints() const { return flags_.enabled && flags_.fortexturing; }

    // The cube and point tests of the clipping (see ClippingProjection).
    int classifyCell(const D3DXVECTOR3& centre, float radius) const {
        return projection_.classifyCell(centre, radius, grid_);
    }
    bool isPointInside(const D3DXVECTOR3& point) const { return projection_.isPointInside(point, grid_); }

    // The border rebuilt from the copied mask; null when the clipping had
    // none. Made by prepareBorder() (or on first use), on the run's thread.
    Border* border();
    const Border* border() const;
    void prepareBorder();
    // The picture (an invalid image unless copied).
    const Image& picture() const { return picture_; }

    // BorderOwner: the copy's own flag and grid.
    bool addingVoxels() const override { return flags_.addingvoxels; }
    int silhouetteCell(int i, int j) const override { return grid_.cell(i, j); }

private:
    int workspaceIndex_;
    ClippingFlags flags_;
    ClippingProjection projection_;
    SilhouetteGrid grid_;
    bool hasBorder_ = false;
    Image mask_;
    Border::Recipe recipe_;
    std::unique_ptr<Border> border_;
    Image picture_;
};

class SculptScene {
public:
    enum class Pictures { No, Yes };

    SculptScene() = default;
    SculptScene(SculptScene&&) = default;
    SculptScene& operator=(SculptScene&&) = default;

    // Copies every present clipping of `clippings` (the workspace's list;
    // entries may be null), first bringing an out-of-date one up to date
    // (Clipping::updateIfOutOfDate), with each picture plane held in the middle of
    // its slab while the projection is taken, exactly as a run of the
    // "Sculpture" command holds it (the clipping's `depth` field keeps the
    // plane's position, as after such a run). Must run on the thread that
    // owns the clippings; costs a few copies of 512 by 512 buffers per
    // clipping.
    static SculptScene capture(std::span<Clipping* const> clippings, Pictures pictures);

    // One entry per slot of the captured list; null where it had none.
    const std::vector<std::unique_ptr<SculptClipping>>& slots() const { return slots_; }
    // The clippings that carve, in list order.
    std::vector<SculptClipping*> sculptList() const;
    bool empty() const { return slots_.empty(); }
    // Rebuilds every copy's border (on the calling thread).
    void prepareBorders();

private:
    std::vector<std::unique_ptr<SculptClipping>> slots_;
};
