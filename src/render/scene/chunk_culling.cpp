#include "render/scene/chunk_culling.h"

#include <algorithm>
#include <cmath>

namespace {

bool isFinite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// The plane whose coefficients are column `w` plus `sign` times column
// `axis` of `m` (axis < 0: column `w` alone), normalised; false when it has
// no normal.
bool planeOf(const D3DXMATRIX& m, int w, int axis, float sign, D3DXPLANE& out) {
    float c[4];
    for (int row = 0; row < 4; ++row) c[row] = m.m[row][w] + (axis >= 0 ? sign * m.m[row][axis] : 0.0f);
    const float length = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    if (!(length > 0.0f) || !std::isfinite(length) || !std::isfinite(c[3])) return false;
    out = D3DXPLANE(c[0] / length, c[1] / length, c[2] / length, c[3] / length);
    return true;
}

}  // namespace

void ChunkBoundsBuilder::addPoint(const D3DXVECTOR3& point) {
    if (!isFinite(point)) return;
    if (empty_) {
        low_ = high_ = point;
        empty_ = false;
        return;
    }
    low_ = D3DXVECTOR3(std::min(low_.x, point.x), std::min(low_.y, point.y), std::min(low_.z, point.z));
    high_ = D3DXVECTOR3(std::max(high_.x, point.x), std::max(high_.y, point.y), std::max(high_.z, point.z));
}

ChunkBounds ChunkBoundsBuilder::finish() const {
    ChunkBounds bounds;
    if (empty_) return bounds;
    bounds.centre = (low_ + high_) * 0.5f;
    const D3DXVECTOR3 half = (high_ - low_) * 0.5f;
    bounds.radius = D3DXVec3Length(&half);
    return bounds;
}

ChunkView chunkViewOf(const D3DXMATRIX& m) {
    ChunkView view;
    view.valid = planeOf(m, 3, 0, 1.0f, view.planes[0]) && planeOf(m, 3, 0, -1.0f, view.planes[1]) &&
                 planeOf(m, 3, 1, 1.0f, view.planes[2]) && planeOf(m, 3, 1, -1.0f, view.planes[3]) &&
                 planeOf(m, 2, -1, 1.0f, view.planes[4]) && planeOf(m, 3, 2, -1.0f, view.planes[5]);
    return view;
}

bool isOutsideView(const ChunkBounds& bounds, const ChunkView& view) {
    if (!view.valid) return false;
    for (const D3DXPLANE& plane : view.planes) {
        if (D3DXPlaneDotCoord(&plane, &bounds.centre) < -bounds.radius) return true;
    }
    return false;
}
