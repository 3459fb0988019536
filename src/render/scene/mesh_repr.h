// MeshRepr: the drawable form of the sculpted object. The sculpting pipeline
// hands it one record per triangle (three 36-byte corners already shaded,
// coloured and textured, and the face normal); fill() turns them into drawing
// chunks of at most 15000 indices and picking meshes of 5001 indices.
#pragma once

#include "render/scene/mesh.h"

#include <span>

// One triangle as the pipeline hands it over: corners E, F, G.
struct MeshReprTriangle {
    VertexPNCT corners[3];
    D3DXVECTOR3 faceNormal;
};

class MeshRepr : public Mesh {
public:
    // Indices per drawing chunk (5000 triangles) and per picking mesh (1667).
    static constexpr int kChunkIndices = 15000;
    static constexpr int kPickIndices = 5001;

    // A mesh with lighting, depth test and depth write on and `material`
    // (its diffuse alpha forced to 1). Call fill() to give it geometry.
    MeshRepr(gfx::GraphicsDevice& device, const gfx::Material& material);

    // Replaces the geometry: every triangle in order is emitted as three
    // vertices at base, base + 1, base + 2 and indexed base, base + 2,
    // base + 1 (reversed winding); a parallel set of positions and face
    // normals indexed the same way feeds the picking meshes. A drawing batch
    // becomes a chunk when it reaches kChunkIndices, a picking batch a pick
    // mesh when it reaches kPickIndices; the rest is flushed at the end. No
    // triangles leave the mesh without chunks. The texture list is kept
    // (callers replace it with clearTextures() / addTexture()).
    void fill(std::span<const MeshReprTriangle> triangles);

    static int classType();
};
