#include "render/scene/mesh_repr.h"

#include "render/texture.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The most distinct corners a chunk can address with 16-bit indices.
constexpr size_t kChunkVertexLimit = 65536;

// The corners of one drawing chunk, each distinct corner stored once. An
// open-addressing table finds a corner seen before by its bytes.
class ChunkBuilder {
public:
    ChunkBuilder() : slots_(kSlots, kEmpty) {}

    // True when one more triangle (up to three new corners) still fits.
    bool hasRoomForTriangle() const {
        return indices_.size() / 3 < static_cast<size_t>(MeshRepr::kChunkTriangles) &&
               vertices_.size() + 3 <= kChunkVertexLimit;
    }

    void addTriangle(const MeshReprTriangle& triangle) {
        const VertexPNCT* c = triangle.corners;
        // Reversed winding: E, G, F.
        indices_.push_back(indexOf(c[0]));
        indices_.push_back(indexOf(c[2]));
        indices_.push_back(indexOf(c[1]));
        for (int k = 0; k < 3; ++k) bounds_.addPoint(c[k].position);
    }

    bool isEmpty() const { return indices_.empty(); }
    std::span<const VertexPNT> vertices() const { return vertices_; }
    // The indices reordered so that triangles sharing corners follow each
    // other (fewer corners are shaded twice).
    std::span<const uint16_t> orderedIndices() {
        ordered_.resize(indices_.size());
        meshopt_optimizeVertexCache(ordered_.data(), indices_.data(), indices_.size(), vertices_.size());
        return ordered_;
    }
    ChunkBounds bounds() const { return bounds_.finish(); }

    void clear() {
        for (uint32_t slot : used_) slots_[slot] = kEmpty;
        used_.clear();
        vertices_.clear();
        indices_.clear();
        bounds_ = ChunkBoundsBuilder();
    }

private:
    static constexpr size_t kSlots = 2 * kChunkVertexLimit;
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;

    static uint64_t hashOf(const VertexPNT& v) {
        uint32_t words[sizeof(VertexPNT) / 4];
        std::memcpy(words, &v, sizeof words);
        uint64_t hash = 0x9E3779B97F4A7C15ull;
        for (uint32_t word : words) hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
        // Every bit of the words reaches the low bits the table uses.
        hash ^= hash >> 33;
        hash *= 0xC4CEB9FE1A85EC53ull;
        return hash ^ (hash >> 33);
    }

    uint16_t indexOf(const VertexPNCT& corner) {
        const VertexPNT v{corner.position, corner.normal, corner.u, corner.v};
        size_t slot = static_cast<size_t>(hashOf(v)) & (kSlots - 1);
        while (slots_[slot] != kEmpty) {
            if (std::memcmp(&vertices_[slots_[slot]], &v, sizeof v) == 0) return static_cast<uint16_t>(slots_[slot]);
            slot = (slot + 1) & (kSlots - 1);
        }
        slots_[slot] = static_cast<uint32_t>(vertices_.size());
        used_.push_back(static_cast<uint32_t>(slot));
        vertices_.push_back(v);
        return static_cast<uint16_t>(slots_[slot]);
    }

    std::vector<VertexPNT> vertices_;
    std::vector<uint16_t> indices_;
    std::vector<uint16_t> ordered_;
    std::vector<uint32_t> slots_;
    std::vector<uint32_t> used_;
    ChunkBoundsBuilder bounds_;
};

// Positions and face normals of the picking meshes, three per triangle.
struct PickBatch {
    std::vector<VertexPN> vertices;
    std::vector<uint16_t> indices;

    void addTriangle(const MeshReprTriangle& triangle) {
        const auto base = static_cast<uint16_t>(vertices.size());
        for (const VertexPNCT& corner : triangle.corners) vertices.push_back({corner.position, triangle.faceNormal});
        indices.push_back(base);
        indices.push_back(static_cast<uint16_t>(base + 2));
        indices.push_back(static_cast<uint16_t>(base + 1));
    }
    bool isEmpty() const { return indices.empty(); }
    void clear() {
        vertices.clear();
        indices.clear();
    }
};

}  // namespace

MeshReprData buildMeshReprData(std::span<const MeshReprTriangle> triangles) {
    MeshReprData data;
    ChunkBuilder drawing;
    PickBatch picking;
    auto flushDrawing = [&] {
        const std::span<const VertexPNT> vertices = drawing.vertices();
        const std::span<const uint16_t> indices = drawing.orderedIndices();
        data.chunks.push_back({std::vector<VertexPNT>(vertices.begin(), vertices.end()),
                               std::vector<uint16_t>(indices.begin(), indices.end()), drawing.bounds()});
        drawing.clear();
    };
    auto flushPicking = [&] {
        PickMesh mesh;
        if (buildPickMesh(picking.vertices.data(), sizeof(VertexPN), static_cast<int>(picking.vertices.size()),
                          picking.indices, mesh) == PickMeshError::None) {
            data.pickMeshes.push_back(std::move(mesh));
        }
        picking.clear();
    };
    for (const MeshReprTriangle& triangle : triangles) {
        if (!drawing.hasRoomForTriangle()) flushDrawing();
        drawing.addTriangle(triangle);
        picking.addTriangle(triangle);
        if (static_cast<int>(picking.indices.size()) >= MeshRepr::kPickIndices) flushPicking();
    }
    if (!drawing.isEmpty()) flushDrawing();
    if (!picking.isEmpty()) flushPicking();
    return data;
}

int MeshRepr::classType() {
    static const int type = registerSceneClass();
    return type;
}

MeshRepr::MeshRepr(gfx::GraphicsDevice& device, const gfx::Material& material) : Mesh(device, classType()) {
    rsLightEnabled().enabled = true;
    rsBuffer().depthTest = true;
    rsBuffer().depthWrite = true;
    setMaterialColours(material);
}

void MeshRepr::setMaterialColours(const gfx::Material& material) {
    gfx::Material opaque = material;
    opaque.diffuse.a = 1.0f;
    opaque.power = kSpecularPower;
    setMaterial(opaque);
}

void MeshRepr::fill(std::span<const MeshReprTriangle> triangles) { fill(buildMeshReprData(triangles)); }

void MeshRepr::fill(MeshReprData data) {
    clearChunks();
    clearPickMeshes();
    bounds_.clear();
    for (const MeshReprData::Chunk& chunk : data.chunks) {
        if (createBuffer(std::span<const VertexPNT>(chunk.vertices), chunk.indices)) bounds_.push_back(chunk.bounds);
    }
    for (PickMesh& mesh : data.pickMeshes) addPickMesh(std::move(mesh));
}

void MeshRepr::render() {
    gfx::GraphicsDevice& target = device();
    setMaterialOnDevice();
    applyRenderstates(target);
    setWorldMatrixOnDevice();
    const Texture* texture = textures().empty() ? nullptr : textures().front();
    if (texturesOn() && texture != nullptr) {
        texture->bind(0);
    } else {
        target.setTexture({});
    }
    setSamplerFilters();
    const ChunkView view = chunkViewOf(target.transform(gfx::TransformKind::World) *
                                       target.transform(gfx::TransformKind::View) *
                                       target.transform(gfx::TransformKind::Projection));
    target.setRenderState(gfx::RenderState::SpecularEnable, 1);
    chunksDrawn_ = 0;
    for (size_t i = 0; i < chunks().size(); ++i) {
        if (isOutsideView(bounds_[i], view)) continue;
        drawChunk(chunks()[i]);
        ++chunksDrawn_;
    }
    target.setRenderState(gfx::RenderState::SpecularEnable, 0);
}

int MeshRepr::triangleCount() const {
    int total = 0;
    for (int i = 0; i < chunkCount(); ++i) total += chunk(i).triangleCount;
    return total;
}

int MeshRepr::vertexCount() const {
    int total = 0;
    for (int i = 0; i < chunkCount(); ++i) total += chunk(i).vertexCount;
    return total;
}
