#include "render/scene/mesh.h"

#include "core/logger.h"
#include "render/texture.h"

#include <cstdio>

namespace {

// The render-list entry of a mesh: draws it.
class MeshDrawable final : public Drawable {
public:
    explicit MeshDrawable(Mesh& mesh) : mesh_(mesh) {}
    void draw() override { mesh_.render(); }

private:
    Mesh& mesh_;
};

void reportBufferError(const char* message) {
    Logger::instance().error("Mesh::createbuffer", message);
    std::printf("%s\n", message);
}

}  // namespace

int Mesh::classType() {
    static const int type = registerSceneClass();
    return type;
}

Mesh::Mesh(gfx::GraphicsDevice& device, int typeNumber) : Component(typeNumber), device_(device) {
    chunks_.reserve(kChunkGrowth);
    addDrawable(std::make_unique<MeshDrawable>(*this));
}

Mesh::~Mesh() { clearChunks(); }

void Mesh::collect(const Camera* view, RenderList& list) {
    (void)view;
    if (isCollectable()) appendDrawables(list);
}

void Mesh::releaseDeviceObjects() {
    for (MeshChunk& chunk : chunks_) releaseChunk(device_, chunk);
}

void Mesh::restoreDeviceObjects() {
    for (MeshChunk& chunk : chunks_)
        if (!uploadChunk(device_, chunk)) reportBufferError("Could not create vertex buffer");
}

void Mesh::setMaterialOnDevice() {
    if (material() != nullptr) device_.setMaterial(*material());
}

void Mesh::setWorldMatrixOnDevice() { device_.setTransform(gfx::TransformKind::World, worldMatrix(worldTransform())); }

void Mesh::setTexturesOnDevice() {
    if (!texturesOn()) return;
    const auto& list = textures();
    for (size_t stage = 0; stage < list.size(); ++stage)
        if (list[stage] != nullptr) list[stage]->bind(static_cast<int>(stage));
}

void Mesh::setSamplerFilters() {
    const gfx::DeviceCaps caps = device_.caps();
    const gfx::TextureFilter minification = caps.minLinear ? gfx::TextureFilter::Linear : gfx::TextureFilter::Point;
    const gfx::TextureFilter magnification = caps.magLinear ? gfx::TextureFilter::Linear : gfx::TextureFilter::Point;
    device_.setTextureFilter(magnification, minification);
}

void Mesh::drawChunk(const MeshChunk& chunk) {
    const uint32_t flags = vertexKindFlags(chunk.kind);
    if (flags == 0 || !chunk.isDrawable() || !chunk.isUploaded()) return;
    device_.drawIndexed(gfx::Primitive::TriangleList, flags, chunk.vertexBuffer, chunk.vertexCount, chunk.indexBuffer,
                        chunk.indexCount);
}

void Mesh::renderFirstChunk() {
    setMaterialOnDevice();
    applyRenderstates(device_);
    setWorldMatrixOnDevice();
    setSamplerFilters();
    if (!chunks_.empty() && chunks_.front().hasGeometry()) drawChunk(chunks_.front());
}

void Mesh::render() {
    setMaterialOnDevice();
    applyRenderstates(device_);
    setWorldMatrixOnDevice();
    setTexturesOnDevice();
    setSamplerFilters();
    for (const MeshChunk& chunk : chunks_) {
        if (!chunk.hasGeometry()) break;
        drawChunk(chunk);
    }
}

bool Mesh::pickBuffer(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& distance) {
    (void)origin;
    (void)direction;
    (void)distance;
    for (size_t i = 0; i < chunks_.size(); ++i) std::printf("Pick with buffer should not do this too slow\n");
    return false;
}

bool Mesh::appendChunk(VertexKind kind, const void* vertexBytes, int vertexCount, std::span<const uint16_t> indices) {
    MeshChunk chunk;
    switch (makeChunk(device_, kind, vertexBytes, vertexCount, indices, chunk)) {
    case ChunkError::None: break;
    case ChunkError::BadIndices: reportBufferError("Mesh buffer indices out of range"); return false;
    case ChunkError::VertexBufferFailed: reportBufferError("Could not create vertex buffer"); return false;
    case ChunkError::IndexBufferFailed: reportBufferError("Could not create index buffer"); return false;
    }
    if (chunks_.size() == chunks_.capacity()) chunks_.reserve(chunks_.size() + kChunkGrowth);
    chunks_.push_back(std::move(chunk));
    return true;
}

bool Mesh::createBuffer(std::span<const VertexPNCT> vertices, std::span<const uint16_t> indices) {
    return appendChunk(VertexKind::PositionNormalColourTex, vertices.data(), static_cast<int>(vertices.size()),
                       indices);
}

bool Mesh::createBuffer(std::span<const VertexPN> vertices, std::span<const uint16_t> indices) {
    return appendChunk(VertexKind::PositionNormal, vertices.data(), static_cast<int>(vertices.size()), indices);
}

bool Mesh::createBuffer(std::span<const VertexPNT> vertices, std::span<const uint16_t> indices) {
    return appendChunk(VertexKind::PositionNormalTex, vertices.data(), static_cast<int>(vertices.size()), indices);
}

bool Mesh::createBuffer(std::span<const VertexPNC> vertices, std::span<const uint16_t> indices) {
    return appendChunk(VertexKind::PositionNormalColour, vertices.data(), static_cast<int>(vertices.size()),
                       indices);
}

void Mesh::clearChunks() {
    for (MeshChunk& chunk : chunks_) releaseChunk(device_, chunk);
    chunks_.clear();
}

bool Mesh::appendPickMesh(const void* firstVertex, size_t stride, int vertexCount,
                          std::span<const uint16_t> indices) {
    PickMesh mesh;
    switch (buildPickMesh(firstVertex, stride, vertexCount, indices, mesh)) {
    case PickMeshError::None: break;
    case PickMeshError::OutOfMemory: std::printf("Mesh picking Out of memory!!!!!\n"); return false;
    case PickMeshError::WrongCall: std::printf("Mesh picking Wrong create mesh call!!!!\n"); return false;
    }
    pickMeshes_.push_back(std::move(mesh));
    return true;
}

bool Mesh::createPickMesh(std::span<const VertexPNCT> vertices, std::span<const uint16_t> indices) {
    return appendPickMesh(vertices.data(), sizeof(VertexPNCT), static_cast<int>(vertices.size()), indices);
}

bool Mesh::createPickMesh(std::span<const VertexPN> vertices, std::span<const uint16_t> indices) {
    return appendPickMesh(vertices.data(), sizeof(VertexPN), static_cast<int>(vertices.size()), indices);
}

void Mesh::clearPickMeshes() { pickMeshes_.clear(); }

template <class OnHit>
void Mesh::forEachPickHit(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, OnHit onHit) const {
    for (const PickMesh& mesh : pickMeshes_) {
        if (!rayHitsBox(mesh, origin, direction)) continue;
        ++exactPickTests_;
        intersectAll(mesh, origin, direction, onHit);
    }
}

bool Mesh::pick(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& nearest, float& farthest) const {
    bool found = false;
    float low = 0.0f;
    float high = 0.0f;
    forEachPickHit(origin, direction, [&](float distance) {
        if (!found) {
            low = high = distance;
            found = true;
        } else if (distance < low) {
            low = distance;
        } else if (distance > high) {
            high = distance;
        }
    });
    if (found) {
        nearest = low;
        farthest = high;
    }
    return found;
}

bool Mesh::pickNearest(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& nearest) const {
    bool found = false;
    float low = 0.0f;
    forEachPickHit(origin, direction, [&](float distance) {
        if (distance <= kNearestMinimum) return;
        if (!found || distance < low) low = distance;
        found = true;
    });
    if (found) nearest = low;
    return found;
}
