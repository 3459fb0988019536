// Picking meshes: a copy of a chunk's positions and normals with 32-bit
// indices and the axis-aligned box around the positions, tested against
// rays without touching the device.
#pragma once

#include "core/math3d.h"
#include "render/scene/mesh_chunk.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

struct PickMesh {
    std::vector<VertexPN> vertices;
    std::vector<uint32_t> indices;  // three per face
    D3DXVECTOR3 boxMin;
    D3DXVECTOR3 boxMax;

    int faceCount() const { return static_cast<int>(indices.size() / 3); }
};

enum class PickMeshError {
    None,
    OutOfMemory,  // the copy could not be allocated
    WrongCall,    // no faces, no vertices, or an index naming no vertex
};

// Builds `mesh` from `vertexCount` vertices starting at `firstVertex`, one
// every `stride` bytes, each beginning with a position and a normal (three
// floats each), and from the 16-bit `indices` (index count / 3 faces). The
// box is computed from the positions. `mesh` is left as it was on failure.
PickMeshError buildPickMesh(const void* firstVertex, size_t stride, int vertexCount,
                            std::span<const uint16_t> indices, PickMesh& mesh);

// Calls `onHit` with the distance of every face of `mesh` the ray (origin,
// direction) meets, either side, in face order. Returns the number of faces
// hit. The box is not consulted.
int intersectAll(const PickMesh& mesh, const D3DXVECTOR3& origin, const D3DXVECTOR3& direction,
                 const std::function<void(float)>& onHit);

// True when the ray meets the box of `mesh`.
bool rayHitsBox(const PickMesh& mesh, const D3DXVECTOR3& origin, const D3DXVECTOR3& direction);
