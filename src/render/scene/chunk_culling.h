// Skipping whole drawing chunks that lie outside the view volume before they
// reach the device. The test is conservative (a chunk is skipped only when
// the device would have drawn none of its pixels), so the picture does not
// change; a software rasteriser is spared the vertices and triangles.
#pragma once

#include "core/math3d.h"

#include <array>

// A sphere around a chunk's corners.
struct ChunkBounds {
    D3DXVECTOR3 centre{0, 0, 0};
    float radius = 0.0f;
};

// Grows the box around the finite points it is given; finish() gives the
// sphere around the box (radius 0 at the origin when no point was given).
class ChunkBoundsBuilder {
public:
    void addPoint(const D3DXVECTOR3& point);
    ChunkBounds finish() const;

private:
    D3DXVECTOR3 low_{0, 0, 0};
    D3DXVECTOR3 high_{0, 0, 0};
    bool empty_ = true;
};

// The view volume in the mesh's own coordinates: left, right, bottom, top,
// near and far plane, normals of unit length pointing inwards.
struct ChunkView {
    std::array<D3DXPLANE, 6> planes{};
    // False when the matrix gives a plane without a normal: nothing is culled.
    bool valid = false;
};

// The volume of `worldViewProjection` (world * view * projection, row
// vectors; visible: -w <= x, y <= w and 0 <= z <= w, as the device clips).
ChunkView chunkViewOf(const D3DXMATRIX& worldViewProjection);

// True when the sphere of `bounds` lies wholly outside one plane of `view`.
bool isOutsideView(const ChunkBounds& bounds, const ChunkView& view);
