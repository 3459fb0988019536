#include "render/scene/mesh_chunk.h"

#include <cstring>
#include <limits>

int vertexKindSize(VertexKind kind) {
    switch (kind) {
    case VertexKind::PositionNormalColour: return 28;
    case VertexKind::PositionNormalColourTex: return 36;
    case VertexKind::PositionColourSpecular: return 32;
    case VertexKind::PositionNormalTex: return 32;
    case VertexKind::PositionNormal: return 24;
    }
    return 0;
}

uint32_t vertexKindFlags(VertexKind kind) {
    switch (kind) {
    case VertexKind::PositionNormalColour: return gfx::kPosition | gfx::kNormal | gfx::kDiffuse;
    case VertexKind::PositionNormalColourTex: return gfx::kPosition | gfx::kNormal | gfx::kDiffuse | gfx::kTex1;
    case VertexKind::PositionColourSpecular: return 0;
    case VertexKind::PositionNormalTex: return gfx::kPosition | gfx::kNormal | gfx::kTex1;
    case VertexKind::PositionNormal: return gfx::kPosition | gfx::kNormal;
    }
    return 0;
}

namespace {

bool indicesNameVertices(std::span<const uint16_t> indices, int vertexCount) {
    for (uint16_t index : indices)
        if (static_cast<int>(index) >= vertexCount) return false;
    return true;
}

}  // namespace

ChunkError makeChunk(gfx::GraphicsDevice& device, VertexKind kind, const void* vertexBytes, int vertexCount,
                     std::span<const uint16_t> indices, MeshChunk& chunk) {
    const int stride = vertexKindSize(kind);
    const bool tooManyVertices = vertexCount > std::numeric_limits<uint16_t>::max() + 1;
    if (vertexCount < 0 || tooManyVertices || (vertexCount > 0 && vertexBytes == nullptr) ||
        !indicesNameVertices(indices, vertexCount))
        return ChunkError::BadIndices;

    chunk = MeshChunk{};
    chunk.kind = kind;
    chunk.vertexCount = vertexCount;
    chunk.triangleCount = static_cast<int>(indices.size() / 3);
    chunk.indexCount = chunk.triangleCount * 3;
    const size_t byteCount = static_cast<size_t>(vertexCount) * static_cast<size_t>(stride);
    chunk.vertexBytes.resize(byteCount);
    if (byteCount > 0) std::memcpy(chunk.vertexBytes.data(), vertexBytes, byteCount);
    chunk.indices.assign(indices.begin(), indices.begin() + chunk.indexCount);
    if (!chunk.isDrawable()) return ChunkError::None;

    chunk.vertexBuffer = device.createVertexBuffer(chunk.vertexBytes.data(), chunk.vertexBytes.size());
    if (!chunk.vertexBuffer) return ChunkError::VertexBufferFailed;
    chunk.indexBuffer = device.createIndexBuffer(chunk.indices.data(), chunk.indices.size());
    if (!chunk.indexBuffer) {
        device.destroyBuffer(chunk.vertexBuffer);
        chunk.vertexBuffer = {};
        return ChunkError::IndexBufferFailed;
    }
    return ChunkError::None;
}

bool uploadChunk(gfx::GraphicsDevice& device, MeshChunk& chunk) {
    releaseChunk(device, chunk);
    if (!chunk.isDrawable()) return true;
    chunk.vertexBuffer = device.createVertexBuffer(chunk.vertexBytes.data(), chunk.vertexBytes.size());
    if (!chunk.vertexBuffer) return false;
    chunk.indexBuffer = device.createIndexBuffer(chunk.indices.data(), chunk.indices.size());
    if (!chunk.indexBuffer) {
        device.destroyBuffer(chunk.vertexBuffer);
        chunk.vertexBuffer = {};
        return false;
    }
    return true;
}

void releaseChunk(gfx::GraphicsDevice& device, MeshChunk& chunk) {
    if (chunk.vertexBuffer) device.destroyBuffer(chunk.vertexBuffer);
    if (chunk.indexBuffer) device.destroyBuffer(chunk.indexBuffer);
    chunk.vertexBuffer = {};
    chunk.indexBuffer = {};
}
