#include "render/scene/picking.h"

#include <cstring>
#include <new>

namespace {

VertexPN readVertex(const unsigned char* bytes) {
    VertexPN vertex;
    std::memcpy(&vertex, bytes, sizeof(VertexPN));
    return vertex;
}

bool isValidCall(const void* firstVertex, size_t stride, int vertexCount, std::span<const uint16_t> indices) {
    if (firstVertex == nullptr || vertexCount <= 0 || stride < sizeof(VertexPN) || indices.size() < 3) return false;
    for (uint16_t index : indices)
        if (static_cast<int>(index) >= vertexCount) return false;
    return true;
}

}  // namespace

PickMeshError buildPickMesh(const void* firstVertex, size_t stride, int vertexCount,
                            std::span<const uint16_t> indices, PickMesh& mesh) {
    if (!isValidCall(firstVertex, stride, vertexCount, indices)) return PickMeshError::WrongCall;
    PickMesh built;
    try {
        built.vertices.resize(static_cast<size_t>(vertexCount));
        built.indices.resize(indices.size() / 3 * 3);
    } catch (const std::bad_alloc&) {
        return PickMeshError::OutOfMemory;
    }
    const auto* bytes = static_cast<const unsigned char*>(firstVertex);
    for (int i = 0; i < vertexCount; ++i) built.vertices[static_cast<size_t>(i)] = readVertex(bytes + i * stride);
    for (size_t i = 0; i < built.indices.size(); ++i) built.indices[i] = indices[i];
    D3DXComputeBoundingBox(built.vertices.data(), built.vertices.size(), sizeof(VertexPN), &built.boxMin,
                           &built.boxMax);
    mesh = std::move(built);
    return PickMeshError::None;
}

int intersectAll(const PickMesh& mesh, const D3DXVECTOR3& origin, const D3DXVECTOR3& direction,
                 const std::function<void(float)>& onHit) {
    int hits = 0;
    for (size_t face = 0; face + 2 < mesh.indices.size(); face += 3) {
        const D3DXVECTOR3& p0 = mesh.vertices[mesh.indices[face]].position;
        const D3DXVECTOR3& p1 = mesh.vertices[mesh.indices[face + 1]].position;
        const D3DXVECTOR3& p2 = mesh.vertices[mesh.indices[face + 2]].position;
        float distance = 0.0f;
        if (!D3DXIntersectTri(&p0, &p1, &p2, &origin, &direction, nullptr, nullptr, &distance)) continue;
        ++hits;
        onHit(distance);
    }
    return hits;
}

bool rayHitsBox(const PickMesh& mesh, const D3DXVECTOR3& origin, const D3DXVECTOR3& direction) {
    return D3DXBoxBoundProbe(&mesh.boxMin, &mesh.boxMax, &origin, &direction);
}
