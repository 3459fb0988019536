// MeshRepr: the drawable form of the sculpted object. The sculpting pipeline
// hands it one record per triangle (three corners already shaded, coloured
// and textured, and the face normal); fill() turns them into static drawing
// chunks and into picking meshes of 5001 indices.
//
// Drawing is made for software rasterisers as much as for graphics cards:
//  - a corner is stored once per chunk however many triangles share it
//    (equal position, normal and texture coordinates), so a smoothly shaded
//    object costs about half a vertex per triangle instead of three, and
//    each chunk's triangles are ordered so that shared corners are met close
//    together;
//  - a chunk that lies outside the view volume is not sent to the device;
//  - the buffers are made once per fill and drawn as they are every frame.
//
// The object takes its colour from its material (the material buttons), lit
// by the scene's light with the material's specular highlight, and
// multiplied by the texture while the texture is shown. The corners'
// curvature colour stays in the fill data for other users but is not drawn.
#pragma once

#include "render/scene/chunk_culling.h"
#include "render/scene/mesh.h"

#include <span>
#include <vector>

// One triangle as the pipeline hands it over: corners E, F, G.
struct MeshReprTriangle {
    VertexPNCT corners[3];
    D3DXVECTOR3 faceNormal;
};

// The chunks and picking meshes of a MeshRepr, made without a device, so
// that a worker thread can prepare them and the drawing thread only has to
// hand them to the device (MeshRepr::fill(MeshReprData)).
struct MeshReprData {
    struct Chunk {
        std::vector<VertexPNT> vertices;
        std::vector<uint16_t> indices;
        ChunkBounds bounds;
    };
    std::vector<Chunk> chunks;
    std::vector<PickMesh> pickMeshes;
};

// The data MeshRepr::fill(triangles) draws: in order, each triangle with its
// winding reversed (E, G, F) and its corners' positions, normals and texture
// coordinates, MeshRepr::kChunkTriangles to a chunk, equal corners of a
// chunk stored once and each chunk's triangles in vertex-cache order; a
// parallel set of positions and face normals makes the picking meshes, a new
// one every MeshRepr::kPickIndices indices.
MeshReprData buildMeshReprData(std::span<const MeshReprTriangle> triangles);

class MeshRepr : public Mesh {
public:
    // Triangles per drawing chunk (fewer when the chunk's distinct corners
    // would not fit 16-bit indices).
    static constexpr int kChunkTriangles = 16384;
    // Indices per picking mesh (1667 triangles).
    static constexpr int kPickIndices = 5001;
    // Shininess of the specular highlight of the material.
    static constexpr float kSpecularPower = 24.0f;

    // A mesh with lighting, depth test and depth write on and `material`
    // (see setMaterialColours). Call fill() to give it geometry.
    MeshRepr(gfx::GraphicsDevice& device, const gfx::Material& material);

    // Replaces the geometry with `triangles`: in order, each drawn with its
    // winding reversed (E, G, F) and its corners' positions, normals and
    // texture coordinates, kChunkTriangles to a chunk (fewer when the
    // chunk's distinct corners would not fit 16-bit indices). A parallel set
    // of positions and face normals feeds the picking meshes, a new one
    // every kPickIndices indices. No triangles leave the mesh without chunks
    // or picking meshes. The texture list is kept (callers replace it with
    // clearTextures() / addTexture()).
    void fill(std::span<const MeshReprTriangle> triangles);
    // Replaces the geometry with data built by buildMeshReprData() (a chunk
    // the device refuses is logged and left out).
    void fill(MeshReprData data);

    // The material's colours (diffuse alpha forced to 1, the specular
    // highlight's power kSpecularPower).
    void setMaterialColours(const gfx::Material& material);

    // Material, render states, world matrix and sampler filters, then every
    // chunk the view may show (chunks outside the view volume of the
    // device's current transforms are skipped). The first texture of the list is bound while textures are on;
    // otherwise no texture is bound, whatever an earlier draw left. The
    // material's specular highlight is drawn and switched off afterwards.
    void render() override;

    // Triangles and distinct corners in the drawing chunks.
    int triangleCount() const;
    int vertexCount() const;
    // The bounds of drawing chunk `index`.
    const ChunkBounds& chunkBounds(int index) const { return bounds_[static_cast<size_t>(index)]; }
    // Chunks drawn by the last render().
    int chunksDrawn() const { return chunksDrawn_; }

    static int classType();

private:
    std::vector<ChunkBounds> bounds_;
    int chunksDrawn_ = 0;
};
