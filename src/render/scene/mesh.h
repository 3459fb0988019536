// Mesh: a scene node that owns buffer chunks on one graphics device, draws
// them, and can be picked by a ray through its picking meshes. Every mesh is
// also a Valuable holding one float for its users.
//
// A new mesh hands one drawable entry to the render list: itself (render()).
#pragma once

#include "platform/graphics_device.h"
#include "render/scene/component.h"
#include "render/scene/mesh_chunk.h"
#include "render/scene/picking.h"

#include <cstdint>
#include <span>
#include <vector>

// One float by which records can be ordered.
class Valuable {
public:
    virtual ~Valuable() = default;
    virtual float getValue() const = 0;
};

class Mesh : public Component, public Valuable {
public:
    // An empty mesh on `device` (which must outlive it).
    explicit Mesh(gfx::GraphicsDevice& device, int typeNumber = classType());
    ~Mesh() override;

    // --- Valuable: the stored value (0 until set).
    float getValue() const override { return value_; }
    void setValue(float value) { value_ = value; }

    // When enabled and not hidden, appends the mesh's drawable entries.
    void collect(const Camera* view, RenderList& list) override;
    void releaseDeviceObjects() override;
    // Makes every chunk's buffers again; a chunk the device refuses is logged
    // and stays undrawn.
    void restoreDeviceObjects() override;

    // Like render() without the texture step, for the first chunk only.
    virtual void renderFirstChunk();
    // Material (if set), render states, world matrix, textures (when on),
    // sampler filters, then every chunk in order with one indexed draw each,
    // stopping at the first chunk with neither vertices nor triangles.
    virtual void render();
    // The plain mesh has no buffer test: it prints "Pick with buffer should
    // not do this too slow" once per chunk and returns false.
    virtual bool pickBuffer(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& distance);

    // --- buffer chunks. Each appends one chunk made from the vertices and
    // 16-bit indices (triangle list; index count / 3 triangles) and returns
    // true. On failure the failure is logged at "Mesh::createbuffer" (and
    // printed) and the mesh stays without the chunk: "Could not create vertex
    // buffer", "Could not create index buffer", or "Mesh buffer indices out
    // of range" when an index names no vertex.
    bool createBuffer(std::span<const VertexPNCT> vertices, std::span<const uint16_t> indices);
    bool createBuffer(std::span<const VertexPN> vertices, std::span<const uint16_t> indices);
    bool createBuffer(std::span<const VertexPNT> vertices, std::span<const uint16_t> indices);
    bool createBuffer(std::span<const VertexPNC> vertices, std::span<const uint16_t> indices);
    // Gives back and forgets every chunk.
    void clearChunks();
    int chunkCount() const { return static_cast<int>(chunks_.size()); }
    const MeshChunk& chunk(int index) const { return chunks_[static_cast<size_t>(index)]; }

    // --- picking. createPickMesh appends a picking mesh made from the
    // positions and normals of the vertices and the 16-bit indices; on
    // failure it prints "Mesh picking Out of memory!!!!!" or "Mesh picking
    // Wrong create mesh call!!!!" and adds nothing.
    bool createPickMesh(std::span<const VertexPNCT> vertices, std::span<const uint16_t> indices);
    bool createPickMesh(std::span<const VertexPN> vertices, std::span<const uint16_t> indices);
    // Appends a picking mesh made elsewhere (see buildPickMesh).
    void addPickMesh(PickMesh mesh) { pickMeshes_.push_back(std::move(mesh)); }
    void clearPickMeshes();
    int pickMeshCount() const { return static_cast<int>(pickMeshes_.size()); }
    const PickMesh& pickMesh(int index) const { return pickMeshes_[static_cast<size_t>(index)]; }
    // Every hit of the ray (model coordinates) on the picking meshes whose
    // box it meets: true when there was one, with the smallest and largest
    // distance. Outputs are written only on a hit.
    bool pick(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& nearest, float& farthest) const;
    // The smallest hit distance greater than kNearestMinimum; true when there
    // was such a hit (the output is written only then).
    bool pickNearest(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& nearest) const;
    static constexpr float kNearestMinimum = 0.1f;
    // Picking meshes tested face by face since the mesh was made (those
    // whose box the ray missed are not counted).
    int exactPickTests() const { return exactPickTests_; }

    gfx::GraphicsDevice& device() const { return device_; }

    static int classType();

protected:
    // The steps render() shares with its subclasses.
    void setMaterialOnDevice();
    void setWorldMatrixOnDevice();
    void setTexturesOnDevice();
    void setSamplerFilters();
    // One indexed draw of `chunk` (nothing for an undrawable chunk).
    void drawChunk(const MeshChunk& chunk);
    // Appends a chunk of `kind`; see createBuffer().
    bool appendChunk(VertexKind kind, const void* vertexBytes, int vertexCount, std::span<const uint16_t> indices);
    bool appendPickMesh(const void* firstVertex, size_t stride, int vertexCount, std::span<const uint16_t> indices);
    std::vector<MeshChunk>& chunks() { return chunks_; }

private:
    // Calls `onHit` for every hit on the picking meshes whose box the ray meets.
    template <class OnHit>
    void forEachPickHit(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, OnHit onHit) const;

    static constexpr size_t kChunkGrowth = 1000;

    gfx::GraphicsDevice& device_;
    float value_ = 0.0f;
    std::vector<MeshChunk> chunks_;
    std::vector<PickMesh> pickMeshes_;
    mutable int exactPickTests_ = 0;
};
