#include "render/scene/mesh_repr.h"

#include <vector>

namespace {

// Vertices and indices gathered until a batch is full.
template <class Vertex>
struct Batch {
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;

    // Appends three vertices and the reversed-winding indices of one triangle.
    void addTriangle(const Vertex& e, const Vertex& f, const Vertex& g) {
        const auto base = static_cast<uint16_t>(vertices.size());
        vertices.push_back(e);
        vertices.push_back(f);
        vertices.push_back(g);
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

VertexPN pickVertex(const VertexPNCT& corner, const D3DXVECTOR3& faceNormal) { return {corner.position, faceNormal}; }

}  // namespace

int MeshRepr::classType() {
    static const int type = registerSceneClass();
    return type;
}

MeshRepr::MeshRepr(gfx::GraphicsDevice& device, const gfx::Material& material) : Mesh(device, classType()) {
    rsLightEnabled().enabled = true;
    rsBuffer().depthTest = true;
    rsBuffer().depthWrite = true;
    gfx::Material opaque = material;
    opaque.diffuse.a = 1.0f;
    setMaterial(opaque);
}

void MeshRepr::fill(std::span<const MeshReprTriangle> triangles) {
    clearChunks();
    clearPickMeshes();
    Batch<VertexPNCT> drawing;
    Batch<VertexPN> picking;
    for (const MeshReprTriangle& triangle : triangles) {
        const VertexPNCT* c = triangle.corners;
        drawing.addTriangle(c[0], c[1], c[2]);
        picking.addTriangle(pickVertex(c[0], triangle.faceNormal), pickVertex(c[1], triangle.faceNormal),
                            pickVertex(c[2], triangle.faceNormal));
        if (static_cast<int>(drawing.indices.size()) >= kChunkIndices) {
            createBuffer(std::span<const VertexPNCT>(drawing.vertices), drawing.indices);
            drawing.clear();
        }
        if (static_cast<int>(picking.indices.size()) >= kPickIndices) {
            createPickMesh(std::span<const VertexPN>(picking.vertices), picking.indices);
            picking.clear();
        }
    }
    if (!drawing.isEmpty()) createBuffer(std::span<const VertexPNCT>(drawing.vertices), drawing.indices);
    if (!picking.isEmpty()) createPickMesh(std::span<const VertexPN>(picking.vertices), picking.indices);
}
