#include "sculpt/clipping_projection.h"

#include <algorithm>
#include <cmath>

namespace {

// Degrees to radians with π = 4·atan(1), in float as the rest of the frame.
float degreesToRadians(float degrees) {
    const float pi = 4.0f * std::atan(1.0f);
    return degrees * (pi / 180.0f);
}

bool isFinite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
bool isFinite(const D3DXVECTOR2& v) { return std::isfinite(v.x) && std::isfinite(v.y); }
bool isFinite(const ClipPoint& p) { return std::isfinite(p.t) && std::isfinite(p.w) && std::isfinite(p.u); }

bool isPositiveFinite(float value) { return std::isfinite(value) && value > 0.0f; }

int roundToNearest(float value) { return static_cast<int>(roundHalfAwayFromZero(value)); }

// The grid cell a picture coordinate falls on (round to nearest); false for
// values no grid reaches, so that the conversion to int stays defined.
bool cellIndex(float coordinate, int& index) {
    if (!(coordinate > -1.0e6f && coordinate < 1.0e6f)) {
        return false;
    }
    index = roundToNearest(coordinate - 1.5f);
    return true;
}

// How many non-negative indices i satisfy i < extent (with i compared as a
// float, as the cell walks do); capped where floats stop counting integers.
int indexLimit(float extent) {
    if (!(extent > 0.0f)) {
        return 0;
    }
    if (!(extent < 16777216.0f)) {
        return 16777216;
    }
    return static_cast<int>(std::ceil(extent));
}

D3DXVECTOR3 turn(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
    D3DXVECTOR3 out;
    D3DXVec3TransformNormal(&out, &v, &m);
    return out;
}

}  // namespace

bool ClippingProjection::prepare(const ClippingPlacement& placement, const PictureFrame& frame, const GridBox& box) {
    usable_ = false;
    frameUsable_ = isFinite(placement.translation) && std::isfinite(placement.angle) &&
                   std::isfinite(placement.angleheight) && std::isfinite(placement.angleimage);
    if (!frameUsable_) {
        D3DXMatrixIdentity(&rotation_);
        D3DXMatrixIdentity(&inverseRotation_);
        position_ = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        direction_ = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
        return false;
    }
    computeFrame(placement);

    const bool soundPicture = std::isfinite(frame.width) && std::isfinite(frame.height) &&
                              isFinite(frame.rotationCentre) && isFinite(frame.fovCentre);
    if (soundPicture) {
        width_ = frame.width;
        height_ = frame.height;
        plainOffsetU_ = width_ - frame.rotationCentre.x;
        plainOffsetW_ = height_ - frame.rotationCentre.y;
        fovOffsetU_ = width_ - frame.fovCentre.x;
        fovOffsetW_ = height_ - frame.fovCentre.y;
    }
    const D3DXVECTOR3& scaling = placement.scaling;
    const bool soundScaling = isPositiveFinite(scaling.x) && isPositiveFinite(scaling.y) && isPositiveFinite(scaling.z);
    const bool soundFov = !placement.fovSet || (isPositiveFinite(placement.fovX) &&
                                                isPositiveFinite(placement.fovY) &&
                                                std::isfinite(placement.imagePlane));
    if (!soundScaling || !soundPicture || !soundFov) {
        return false;
    }

    depth_ = scaling.x;
    halfDepth_ = depth_ / 2.0f;
    scaleY_ = scaling.y;
    scaleZ_ = scaling.z;
    inverseScaleY_ = 1.0f / scaleY_;
    inverseScaleZ_ = 1.0f / scaleZ_;
    perspective_ = placement.fovSet;
    fovXMinusOne_ = placement.fovX - 1.0f;
    fovYMinusOne_ = placement.fovY - 1.0f;
    const float a = placement.imagePlane;
    shiftU_ = (frame.fovCentre.x - frame.rotationCentre.x) * (1.0f + fovXMinusOne_ * a);
    shiftW_ = (frame.fovCentre.y - frame.rotationCentre.y) * (1.0f + fovYMinusOne_ * a);
    columnLimit_ = indexLimit(width_);
    rowLimit_ = indexLimit(height_);

    computeDisplayBox(box);
    usable_ = true;
    return true;
}

// R = RotY(angle) · RotZ(−angleheight) · RotX(angleimage) and its inverse in
// the opposite order; the viewing direction is the local +t axis in world.
void ClippingProjection::computeFrame(const ClippingPlacement& placement) {
    const float yaw = degreesToRadians(placement.angle);
    const float pitch = degreesToRadians(placement.angleheight);
    const float roll = degreesToRadians(placement.angleimage);
    D3DXMATRIX aboutY;
    D3DXMATRIX aboutZ;
    D3DXMATRIX aboutX;
    D3DXMatrixRotationY(&aboutY, yaw);
    D3DXMatrixRotationZ(&aboutZ, -pitch);
    D3DXMatrixRotationX(&aboutX, roll);
    rotation_ = aboutY * aboutZ * aboutX;
    D3DXMatrixRotationX(&aboutX, -roll);
    D3DXMatrixRotationZ(&aboutZ, pitch);
    D3DXMatrixRotationY(&aboutY, -yaw);
    inverseRotation_ = aboutX * aboutZ * aboutY;
    position_ = placement.translation;
    direction_ = worldAxis(0);
}

void ClippingProjection::computeDisplayBox(const GridBox& box) {
    displayBox_ = GridBox{0.0f, 0.0f, std::max(width_, 0.0f), std::max(height_, 0.0f)};
    if (box.isEmpty()) {
        return;
    }
    const float centreI = (box.minI + box.maxI) / 2.0f;
    const float centreJ = (box.minJ + box.maxJ) / 2.0f;
    const float halfI = (box.maxI - box.minI) / 2.0f * scaleZ_;
    const float halfJ = (box.maxJ - box.minJ) / 2.0f * scaleY_;
    const float maxI = std::max(width_, 0.0f);
    const float maxJ = std::max(height_, 0.0f);
    displayBox_.minI = std::clamp(centreI - halfI - 4.0f, 0.0f, maxI);
    displayBox_.maxI = std::clamp(centreI + halfI + 4.0f, 0.0f, maxI);
    displayBox_.minJ = std::clamp(centreJ - halfJ - 4.0f, 0.0f, maxJ);
    displayBox_.maxJ = std::clamp(centreJ + halfJ + 4.0f, 0.0f, maxJ);
}

bool ClippingProjection::perspectiveFactors(float t, float& fu, float& fw) const {
    const float s = (halfDepth_ + t) / depth_;
    const float denominatorU = s * fovXMinusOne_ + 1.0f;
    const float denominatorW = s * fovYMinusOne_ + 1.0f;
    if (!(denominatorU > 0.0f && denominatorW > 0.0f)) {
        return false;
    }
    fu = 1.0f / denominatorU;
    fw = 1.0f / denominatorW;
    return true;
}

// (p - P) * R, written out with the same operations as D3DXVec3TransformNormal
// so that the answers match localOffset() bit for bit.
D3DXVECTOR3 ClippingProjection::toLocalFrame(const D3DXVECTOR3& point) const {
    const float x = point.x - position_.x;
    const float y = point.y - position_.y;
    const float z = point.z - position_.z;
    const D3DXMATRIX& m = rotation_;
    return D3DXVECTOR3(x * m._11 + y * m._21 + z * m._31, x * m._12 + y * m._22 + z * m._32,
                       x * m._13 + y * m._23 + z * m._33);
}

inline bool ClippingProjection::localToPicture(const D3DXVECTOR3& local, ClipPoint& p) const {
    p = ClipPoint{local.x, local.y * inverseScaleY_, local.z * inverseScaleZ_};
    if (!perspective_) {
        p.u += plainOffsetU_;
        p.w += plainOffsetW_;
    } else if (p.t >= -halfDepth_) {
        float fu = 1.0f;
        float fw = 1.0f;
        if (!perspectiveFactors(p.t, fu, fw)) {
            return false;
        }
        p.u = (p.u + shiftU_) * fu + fovOffsetU_;
        p.w = (p.w + shiftW_) * fw + fovOffsetW_;
    } else {
        // In front of the slab the silhouette is not shrunk any more.
        p.u = p.u + shiftU_ + fovOffsetU_;
        p.w = p.w + shiftW_ + fovOffsetW_;
    }
    return isFinite(p);
}

bool ClippingProjection::projectPoint(const D3DXVECTOR3& point, ClipPoint& p) const {
    ClipPoint projected;
    if (!usable_ || !isFinite(point) || !localToPicture(toLocalFrame(point), projected)) {
        return false;
    }
    p = projected;
    return true;
}

std::optional<ClipPoint> ClippingProjection::projectPoint(const D3DXVECTOR3& point) const {
    ClipPoint p;
    if (!projectPoint(point, p)) {
        return std::nullopt;
    }
    return p;
}

std::optional<D3DXVECTOR3> ClippingProjection::unprojectPoint(const ClipPoint& point) const {
    D3DXVECTOR3 world;
    if (!unprojectPoint(point, world)) {
        return std::nullopt;
    }
    return world;
}

bool ClippingProjection::unprojectPoint(const ClipPoint& point, D3DXVECTOR3& worldPoint) const {
    if (!usable_ || !isFinite(point)) {
        return false;
    }
    float u = point.u;
    float w = point.w;
    if (!perspective_) {
        u -= plainOffsetU_;
        w -= plainOffsetW_;
    } else {
        u -= fovOffsetU_;
        w -= fovOffsetW_;
        if (point.t >= -halfDepth_) {
            float fu = 1.0f;
            float fw = 1.0f;
            if (!perspectiveFactors(point.t, fu, fw)) {
                return false;
            }
            u /= fu;
            w /= fw;
        }
        u -= shiftU_;
        w -= shiftW_;
    }
    const D3DXVECTOR3 local(point.t, w * scaleY_, u * scaleZ_);
    const D3DXVECTOR3 world = turn(local, inverseRotation_) + position_;
    if (!isFinite(world)) {
        return false;
    }
    worldPoint = world;
    return true;
}

bool ClippingProjection::isPointInside(const D3DXVECTOR3& point, const SilhouetteGrid& grid) const {
    if (!usable_ || !isFinite(point)) {
        return false;
    }
    ClipPoint p;
    if (!localToPicture(toLocalFrame(point), p) || p.t < -halfDepth_ || p.t > halfDepth_) {
        return false;
    }
    int i = 0;
    int j = 0;
    if (!cellIndex(p.u, i) || !cellIndex(p.w, j)) {
        return false;
    }
    if (i < 0 || j < 0 || i >= columnLimit_ || j >= rowLimit_) {
        return false;
    }
    return grid.cell(i, j) == GridInside;
}

bool ClippingProjection::cellRectangle(const D3DXVECTOR3& local, float radius, const SilhouetteGrid& grid,
                                       CellRectangle& rectangle) const {
    ClipPoint p;
    if (!localToPicture(local, p)) {
        rectangle.noPicture = true;
        return true;
    }
    const GridBox& box = grid.boundingBox();
    if (box.isEmpty()) {
        return false;
    }
    const float reachU = radius * inverseScaleZ_;
    const float reachW = radius * inverseScaleY_;
    const float u0 = std::max(p.u - reachU - 1.5f, box.minI);
    const float u1 = std::min(p.u + reachU - 1.5f, box.maxI);
    const float w0 = std::max(p.w - reachW - 1.5f, box.minJ);
    const float w1 = std::min(p.w + reachW - 1.5f, box.maxJ);
    if (!(u0 <= u1 && w0 <= w1)) {
        return false;
    }
    // The box lies within the grid now, so the indices are small. Cells
    // beyond the picture are skipped, not read as outside.
    rectangle.firstI = std::max(roundToNearest(u0), 0);
    rectangle.lastI = std::min(roundToNearest(u1), columnLimit_ - 1);
    rectangle.firstJ = std::max(roundToNearest(w0), 0);
    rectangle.lastJ = std::min(roundToNearest(w1), rowLimit_ - 1);
    return rectangle.firstI <= rectangle.lastI && rectangle.firstJ <= rectangle.lastJ;
}

int ClippingProjection::classifyLocal(const D3DXVECTOR3& local, float radius, const SilhouetteGrid& grid,
                                      bool byWalk) const {
    if (!usable_) {
        return CellOutside;
    }
    const float t = local.x;
    if (t + radius < -halfDepth_ || t - radius > halfDepth_) {
        return CellOutside;
    }
    const bool straddles = (t - radius <= -halfDepth_ && -halfDepth_ < t + radius) ||
                           (t - radius < halfDepth_ && halfDepth_ < t + radius);
    CellRectangle r;
    if (!cellRectangle(local, radius, grid, r)) {
        return CellOutside;
    }
    if (r.noPicture) {
        // Only beyond the far face of a narrowing field of view: the cube
        // reaches into the slab but has no picture box, so refine it.
        return CellPartial;
    }
    if (byWalk) {
        return walkCells(grid, r.firstI, r.lastI, r.firstJ, r.lastJ, straddles);
    }
    // The walk's answer from the counts alone: no outside cell of a grid
    // touches an inside one (the rim lies between), so a rectangle with both
    // holds a rim cell, and the walk meets a rim cell exactly when one lies
    // in the rectangle.
    const SilhouetteGrid::RectCounts counts = grid.countsIn(r.firstI, r.lastI, r.firstJ, r.lastJ);
    if (counts.rim > 0) {
        return CellPartial;
    }
    if (counts.inside == 0) {
        return CellOutside;
    }
    return straddles ? CellPartial : CellInside;
}

int ClippingProjection::classifyCell(const D3DXVECTOR3& centre, float radius, const SilhouetteGrid& grid) const {
    if (!usable_ || !isFinite(centre) || !std::isfinite(radius) || radius < 0.0f) {
        return CellOutside;
    }
    return classifyLocal(toLocalFrame(centre), radius, grid, false);
}

int ClippingProjection::classifyCellByWalk(const D3DXVECTOR3& centre, float radius, const SilhouetteGrid& grid) const {
    if (!usable_ || !isFinite(centre) || !std::isfinite(radius) || radius < 0.0f) {
        return CellOutside;
    }
    return classifyLocal(toLocalFrame(centre), radius, grid, true);
}

// Columns outer, rows inner: a rim cell, or an outside cell after an inside
// one, makes the cube partial at once.
int ClippingProjection::walkCells(const SilhouetteGrid& grid, int firstI, int lastI, int firstJ, int lastJ,
                                  bool straddles) {
    bool seenInside = false;
    for (int i = firstI; i <= lastI; ++i) {
        for (int j = firstJ; j <= lastJ; ++j) {
            const int value = grid.cell(i, j);
            if (value == GridBorder) {
                return CellPartial;
            }
            if (value == GridInside) {
                seenInside = true;
            } else if (seenInside) {
                return CellPartial;
            }
        }
    }
    if (!seenInside) {
        return CellOutside;
    }
    return straddles ? CellPartial : CellInside;
}

D3DXVECTOR3 ClippingProjection::localOffset(const D3DXVECTOR3& point) const {
    return turn(point - position_, rotation_);
}

D3DXVECTOR3 ClippingProjection::localOffsetWithPictureOffsets(const D3DXVECTOR3& point) const {
    D3DXVECTOR3 v = localOffset(point);
    v.y += plainOffsetW_;
    v.z += plainOffsetU_;
    return v;
}

D3DXVECTOR3 ClippingProjection::worldAxis(int axis) const {
    const D3DXVECTOR3 unit(axis == 0 ? 1.0f : 0.0f, axis == 1 ? 1.0f : 0.0f, axis == 2 ? 1.0f : 0.0f);
    return turn(unit, inverseRotation_);
}
