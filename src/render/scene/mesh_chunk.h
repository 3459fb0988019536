// Buffer chunks of a mesh: one vertex buffer and one 16-bit index buffer
// drawn with a single indexed draw call. Each chunk keeps a copy of its
// vertex bytes and indices so that its device buffers can be made again after
// a device reset.
#pragma once

#include "core/math3d.h"
#include "platform/graphics_device.h"

#include <cstdint>
#include <span>
#include <vector>

// The vertex layouts a chunk can hold.
enum class VertexKind : int {
    PositionNormalColour = 0,     // 28 bytes
    PositionNormalColourTex = 1,  // 36 bytes
    PositionColourSpecular = 2,   // 32 bytes (no device layout: never drawn)
    PositionNormalTex = 3,        // 32 bytes
    PositionNormal = 4,           // 24 bytes
};

// Bytes per vertex of `kind`.
int vertexKindSize(VertexKind kind);
// The device layout flags of `kind`; 0 for a kind the device cannot draw.
uint32_t vertexKindFlags(VertexKind kind);

// Kind 0: position, normal, diffuse colour (0xAARRGGBB).
struct VertexPNC {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    uint32_t colour = 0;
};

// Kind 1: position, normal, diffuse colour, texture coordinates.
struct VertexPNCT {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    uint32_t colour = 0;
    float u = 0.0f;
    float v = 0.0f;
};

// Kind 3: position, normal, texture coordinates.
struct VertexPNT {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    float u = 0.0f;
    float v = 0.0f;
};

// Kind 4: position and normal.
struct VertexPN {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
};

static_assert(sizeof(VertexPNC) == 28);
static_assert(sizeof(VertexPNCT) == 36);
static_assert(sizeof(VertexPNT) == 32);
static_assert(sizeof(VertexPN) == 24);

// The kind a vertex struct stands for.
template <class Vertex> constexpr VertexKind vertexKindOf();
template <> constexpr VertexKind vertexKindOf<VertexPNC>() { return VertexKind::PositionNormalColour; }
template <> constexpr VertexKind vertexKindOf<VertexPNCT>() { return VertexKind::PositionNormalColourTex; }
template <> constexpr VertexKind vertexKindOf<VertexPNT>() { return VertexKind::PositionNormalTex; }
template <> constexpr VertexKind vertexKindOf<VertexPN>() { return VertexKind::PositionNormal; }

struct MeshChunk {
    int vertexCount = 0;
    int triangleCount = 0;
    int indexCount = 0;
    VertexKind kind = VertexKind::PositionNormalColourTex;
    gfx::BufferHandle vertexBuffer;
    gfx::BufferHandle indexBuffer;
    // Kept copies for re-creating the buffers.
    std::vector<unsigned char> vertexBytes;
    std::vector<uint16_t> indices;

    // True when the chunk holds something to draw.
    bool hasGeometry() const { return vertexCount > 0 || triangleCount > 0; }
    // True when the chunk has vertices and whole triangles to draw (an empty
    // chunk has no device buffers).
    bool isDrawable() const { return vertexCount > 0 && triangleCount > 0; }
    bool isUploaded() const { return static_cast<bool>(vertexBuffer) && static_cast<bool>(indexBuffer); }
};

// Why a chunk could not be made.
enum class ChunkError {
    None,
    BadIndices,           // an index reaches beyond the vertices, or too many vertices
    VertexBufferFailed,   // the device refused the vertex buffer
    IndexBufferFailed,    // the device refused the index buffer
};

// Fills `chunk` from `vertexCount` vertices of `kind` at `vertexBytes` and
// `indices`, checks that every index names a vertex, and makes its device
// buffers. Triangle count = index count / 3 (extra indices are ignored). A
// chunk without vertices or triangles is kept without device buffers.
ChunkError makeChunk(gfx::GraphicsDevice& device, VertexKind kind, const void* vertexBytes, int vertexCount,
                     std::span<const uint16_t> indices, MeshChunk& chunk);
// Makes the device buffers of `chunk` from its kept copies; false (nothing
// made) when the device refused either.
bool uploadChunk(gfx::GraphicsDevice& device, MeshChunk& chunk);
// Gives the device buffers of `chunk` back; the kept copies stay.
void releaseChunk(gfx::GraphicsDevice& device, MeshChunk& chunk);
