// ClippingProjection: how a clipping maps world points into its picture.
//
// A clipping is a slab of space: the picture's silhouette swept along the
// clipping's viewing axis over the depth D. A world point p is turned into
// the clipping's frame by v = (p - P) * R (P the translation, R the rotation
// built from the three angles, vectors as rows). t = v.x is the depth (the
// slab runs from t = -D/2, the near face, to t = D/2, the far face);
// u = v.z / sz and w = v.y / sy are the picture coordinates (u horizontal,
// w vertical) in outline coordinates, after the picture offsets are added.
// With the field of view switched on the swept silhouette widens linearly
// towards the far face: fov times wider there than at the near face.
//
// The projection is computed once by prepare() from the placement and the
// picture's geometry and then only read. A placement that cannot give a
// sound projection (a depth or pixel size that is zero, negative or not a
// number, a non-finite position or angle, a field-of-view ratio that is not
// positive) is refused: the projection is then unusable, nothing projects,
// no point is inside and every cube is outside.
#pragma once

#include "core/math3d.h"
#include "sculpt/silhouette_grid.h"

#include <optional>

// Where a clipping sits in space and how it is shown. The scene-node rotation
// is kept for the display; the projection reads the three angles instead.
struct ClippingPlacement {
    D3DXVECTOR3 translation{0.0f, 0.0f, 0.0f};
    // Radians; the displayed node's orientation only.
    D3DXVECTOR3 rotation{0.0f, 0.0f, 0.0f};
    // x: depth D of the slab; y: world units per pixel vertically; z: world
    // units per pixel horizontally.
    D3DXVECTOR3 scaling{1500.0f, 1.0f, 1.0f};
    // Degrees: turn about the world Y axis, tilt about Z (used negated), turn
    // of the picture about its own viewing axis.
    float angle = 0.0f;
    float angleheight = 0.0f;
    float angleimage = 0.0f;
    // Perspective: on/off and the widening ratio at the far face.
    bool fovSet = false;
    float fovX = 1.5f;
    float fovY = 1.5f;
    // Where the picture plane lies within the slab, as a fraction of D.
    float imagePlane = 0.5f;
};

// What the projection needs of the picture: the effective size of the mask
// (width - marginRight, height - marginBottom) and the two reference points
// in picture pixels.
struct PictureFrame {
    float width = 0.0f;
    float height = 0.0f;
    D3DXVECTOR2 rotationCentre;
    D3DXVECTOR2 fovCentre;
};

// A point in the clipping's frame: depth t and picture coordinates w
// (vertical) and u (horizontal).
struct ClipPoint {
    float t = 0.0f;
    float w = 0.0f;
    float u = 0.0f;
};

// Answers of classifyCell.
enum CellClass : int {
    CellOutside = 0,
    CellInside = 1,
    CellPartial = 2,
};

class ClippingProjection {
public:
    // Computes R, R^-1, the copies of position and scaling, the offsets,
    // centre shifts and viewing direction. Returns false, and leaves the
    // projection unusable, when the placement or frame is degenerate (see
    // above). `box` is the silhouette's bounding box, for the display box.
    bool prepare(const ClippingPlacement& placement, const PictureFrame& frame, const GridBox& box);

    // True after a successful prepare().
    bool isUsable() const { return usable_; }
    // True when at least the position and the angles were sound, so that the
    // local frame queries below answer (even if the scalings were refused).
    bool isFrameUsable() const { return frameUsable_; }

    // The world point in the clipping's frame. Empty when the projection is
    // unusable, the point is not finite, or the point lies so far beyond the
    // far face that a narrowing field of view (ratio below 1) has no image
    // for it.
    std::optional<ClipPoint> projectPoint(const D3DXVECTOR3& point) const;
    // The same for loops that project many points: false where projectPoint
    // is empty (`p` is then left as it was), else true with the point in `p`.
    bool projectPoint(const D3DXVECTOR3& point, ClipPoint& p) const;

    // The exact inverse of projectPoint: the world point of (t, w, u). Empty
    // when the projection is unusable, the input is not finite or the depth
    // has no image (as above).
    std::optional<D3DXVECTOR3> unprojectPoint(const ClipPoint& point) const;
    // The same for loops: false where unprojectPoint is empty (`world` is
    // then left as it was), else true with the point in `world`.
    bool unprojectPoint(const ClipPoint& point, D3DXVECTOR3& world) const;

    // True when the point projects onto an inside cell of `grid` (the rim
    // counts as outside) within the slab, its faces included.
    bool isPointInside(const D3DXVECTOR3& point, const SilhouetteGrid& grid) const;

    // The cube centred at `centre` with bounding radius `radius` against the
    // swept silhouette: CellOutside, CellInside (wholly inside the silhouette
    // and the slab) or CellPartial (cut by the rim or by a slab face). The
    // cube's picture box is not shrunk by the field of view. An unusable
    // projection, a non-finite centre or a negative or non-finite radius
    // give CellOutside.
    int classifyCell(const D3DXVECTOR3& centre, float radius, const SilhouetteGrid& grid) const;
    // The same answer found by walking the cells of the picture box one by
    // one, columns outer and rows inner (a rim cell, or an outside cell after
    // an inside one, makes the cube partial): the rule classifyCell answers
    // from the grid's running counts. Kept to check it.
    int classifyCellByWalk(const D3DXVECTOR3& centre, float radius, const SilhouetteGrid& grid) const;
    // classifyCell of a cube whose centre is already in the local frame
    // (toLocalFrame), for callers that step from cube to cube.
    int classifyLocal(const D3DXVECTOR3& local, float radius, const SilhouetteGrid& grid, bool byWalk = false) const;
    // (p - P) * R: the point in the local frame (t, y, z) in world units.
    D3DXVECTOR3 toLocalFrame(const D3DXVECTOR3& point) const;

    // --- local frame (for the interactive placement) ---------------------------

    // (p - P) * R: the point in the clipping's frame in world units, without
    // picture offsets.
    D3DXVECTOR3 localOffset(const D3DXVECTOR3& point) const;
    // As localOffset with the plain picture offsets added to y (H - rc.y) and
    // z (W - rc.x), still in world units (not divided by the pixel sizes).
    D3DXVECTOR3 localOffsetWithPictureOffsets(const D3DXVECTOR3& point) const;
    // The world direction of the local axis 0 (x, depth), 1 (y, vertical) or
    // 2 (z, horizontal): the unit axis turned by R^-1. Any other number gives
    // the zero vector.
    D3DXVECTOR3 worldAxis(int axis) const;
    // Before the first prepare(), or after one with a non-finite position or
    // angle, R and R^-1 are the identity and P the origin.

    // --- derived values -------------------------------------------------------

    const D3DXMATRIX& rotation() const { return rotation_; }
    const D3DXMATRIX& inverseRotation() const { return inverseRotation_; }
    // Unit world direction of the +t axis: a surface facing the picture has a
    // normal n with n . direction < 0.
    const D3DXVECTOR3& viewingDirection() const { return direction_; }
    float depth() const { return depth_; }
    float halfDepth() const { return halfDepth_; }
    float pictureWidth() const { return width_; }
    // The field of view is on: cubes' picture boxes are not shrunk with the
    // silhouette, so a child's box need not lie within its parent's.
    bool hasPerspective() const { return perspective_; }
    // World units per picture unit: the smaller of the two pixel sizes.
    float smallerPixelSize() const { return scaleY_ < scaleZ_ ? scaleY_ : scaleZ_; }
    float pictureHeight() const { return height_; }
    // The silhouette box scaled by the pixel sizes about its centre, grown by
    // 4 and clamped to [0, W] x [0, H]; for display and picking.
    const GridBox& displayBox() const { return displayBox_; }

private:
    // 1 / (s * (fov - 1) + 1) of depth t for both axes; false where the
    // denominator is not positive.
    bool perspectiveFactors(float t, float& fu, float& fw) const;
    // The grid cells a cube's picture box covers, within the picture and the
    // silhouette's box; `noPicture` when the centre has no picture position.
    struct CellRectangle {
        int firstI = 0, lastI = -1, firstJ = 0, lastJ = -1;
        bool noPicture = false;
    };
    // False when the box covers no cell at all.
    bool cellRectangle(const D3DXVECTOR3& local, float radius, const SilhouetteGrid& grid, CellRectangle& r) const;
    // The rest of projectPoint for a point already in the local frame; false
    // where projectPoint gives nothing.
    bool localToPicture(const D3DXVECTOR3& local, ClipPoint& p) const;
    // The cell walk of classifyCell over columns firstI..lastI and rows
    // firstJ..lastJ, all within the picture.
    static int walkCells(const SilhouetteGrid& grid, int firstI, int lastI, int firstJ, int lastJ, bool straddles);
    void computeFrame(const ClippingPlacement& placement);
    void computeDisplayBox(const GridBox& box);

    bool usable_ = false;
    bool frameUsable_ = false;
    D3DXMATRIX rotation_{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    D3DXMATRIX inverseRotation_{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    D3DXVECTOR3 position_;
    float depth_ = 0.0f;
    float halfDepth_ = 0.0f;
    float scaleY_ = 1.0f;
    float scaleZ_ = 1.0f;
    float inverseScaleY_ = 1.0f;
    float inverseScaleZ_ = 1.0f;
    float width_ = 0.0f;
    float height_ = 0.0f;
    bool perspective_ = false;
    // Plain offsets (W - rc.x, H - rc.y) and perspective offsets
    // (W - fc.x, H - fc.y).
    float plainOffsetU_ = 0.0f;
    float plainOffsetW_ = 0.0f;
    float fovOffsetU_ = 0.0f;
    float fovOffsetW_ = 0.0f;
    // Centre shifts between rotation and field-of-view centre.
    float shiftU_ = 0.0f;
    float shiftW_ = 0.0f;
    float fovXMinusOne_ = 0.0f;
    float fovYMinusOne_ = 0.0f;
    // Number of columns (rows) i with 0 <= i < W (H): the cells a walk reads.
    int columnLimit_ = 0;
    int rowLimit_ = 0;
    D3DXVECTOR3 direction_{1.0f, 0.0f, 0.0f};
    GridBox displayBox_;
};
