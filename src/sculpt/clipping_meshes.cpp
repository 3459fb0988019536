#include "sculpt/clipping_meshes.h"

#include "image/border.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;

D3DXVECTOR3 cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    D3DXVECTOR3 out;
    D3DXVec3Cross(&out, &a, &b);
    return out;
}

// The wall normal at sample `k` of `chain`: across the outline tangent and
// the depth edge, turned to point out of the silhouette.
D3DXVECTOR3 wallNormal(const std::vector<OutlineSample>& chain, size_t k, const ClippingModelFrame& frame) {
    const OutlineSample& here = chain[k];
    const OutlineSample& before = chain[k > 0 ? k - 1 : k];
    const OutlineSample& after = chain[k + 1 < chain.size() ? k + 1 : k];
    const D3DXVECTOR3 tangent = frame.point(after.u, after.w, 0.5f) - frame.point(before.u, before.w, 0.5f);
    const D3DXVECTOR3 depth = frame.point(here.u, here.w, 1.0f) - frame.point(here.u, here.w, 0.0f);
    D3DXVECTOR3 normal = cross(tangent, depth);
    // Outward in the picture plane is against the outline normal; the model
    // y and z axes follow w and u.
    const D3DXVECTOR3 outward(0.0f, -here.normalW, -here.normalU);
    if (D3DXVec3Dot(&normal, &outward) < 0.0f) normal = -normal;
    if (D3DXVec3LengthSq(&normal) <= 0.0f) normal = outward;
    D3DXVec3Normalize(&normal, &normal);
    return normal;
}

void startPiece(std::vector<SidePiece>& pieces) { pieces.emplace_back(); }

}  // namespace

std::vector<std::vector<OutlineSample>> sampleOutline(const Border& border, int quality) {
    const size_t step = static_cast<size_t>(std::max(quality, 1));
    std::vector<std::vector<OutlineSample>> chains;
    for (const std::vector<BorderVertex*>& polygon : border.polygons()) {
        // The polygon repeats its first vertex at the end.
        const size_t count = polygon.size() > 0 ? polygon.size() - 1 : 0;
        if (count <= step) continue;
        std::vector<OutlineSample> chain;
        auto take = [&](const BorderVertex* vertex) {
            chain.push_back(OutlineSample{vertex->position.x, vertex->position.y, vertex->normal.x, vertex->normal.y});
        };
        for (size_t i = 0; i < polygon.size() - 1; i += step) take(polygon[i]);
        take(polygon.back());
        chains.push_back(std::move(chain));
    }
    return chains;
}

std::vector<OutlineSample> simplifiedChain(const std::vector<OutlineSample>& chain, float tolerance) {
    if (chain.size() <= 2) return chain;
    std::vector<unsigned char> keep(chain.size(), 0);
    keep.front() = keep.back() = 1;
    // Distance of sample k from the line (or point) through samples a and b.
    auto distance = [&](size_t k, size_t a, size_t b) {
        const float ax = chain[a].u, aw = chain[a].w;
        const float dx = chain[b].u - ax, dw = chain[b].w - aw;
        const float px = chain[k].u - ax, pw = chain[k].w - aw;
        const float length = std::sqrt(dx * dx + dw * dw);
        if (length < 1e-6f) return std::sqrt(px * px + pw * pw);
        return std::fabs(px * dw - pw * dx) / length;
    };
    std::vector<std::pair<size_t, size_t>> stack{{0, chain.size() - 1}};
    while (!stack.empty()) {
        const auto [a, b] = stack.back();
        stack.pop_back();
        float farthest = -1.0f;
        size_t at = a;
        for (size_t k = a + 1; k < b; ++k) {
            const float d = distance(k, a, b);
            if (d > farthest) {
                farthest = d;
                at = k;
            }
        }
        if (at == a || farthest <= tolerance) continue;
        keep[at] = 1;
        stack.push_back({a, at});
        stack.push_back({at, b});
    }
    std::vector<OutlineSample> kept;
    for (size_t k = 0; k < chain.size(); ++k)
        if (keep[k]) kept.push_back(chain[k]);
    return kept;
}

std::vector<SidePiece> buildSideWalls(const std::vector<std::vector<OutlineSample>>& chains,
                                      const ClippingModelFrame& frame) {
    std::vector<SidePiece> pieces;
    for (const std::vector<OutlineSample>& chain : chains) {
        if (chain.size() < 2) continue;
        // A strip continues in the current chunk while it fits; a chunk break
        // repeats the last sample so the wall stays closed.
        bool continuing = false;
        for (size_t k = 0; k < chain.size(); ++k) {
            if (pieces.empty() || pieces.back().vertices.size() + 2 > static_cast<size_t>(kSideChunkVertices)) {
                startPiece(pieces);
                if (k > 0) --k;
                continuing = false;
            }
            SidePiece& piece = pieces.back();
            const OutlineSample& sample = chain[k];
            const D3DXVECTOR3 normal = wallNormal(chain, k, frame);
            const auto near = static_cast<uint16_t>(piece.vertices.size());
            piece.vertices.push_back(VertexPN{frame.point(sample.u, sample.w, 0.0f), normal});
            piece.vertices.push_back(VertexPN{frame.point(sample.u, sample.w, 1.0f), normal});
            if (continuing) {
                const auto previous = static_cast<uint16_t>(near - 2);
                uint16_t quad[6] = {previous, static_cast<uint16_t>(previous + 1), near,
                                    near, static_cast<uint16_t>(previous + 1), static_cast<uint16_t>(near + 1)};
                // Wound so that the front faces look out of the silhouette.
                const D3DXVECTOR3& a = piece.vertices[quad[0]].position;
                const D3DXVECTOR3 face = cross(piece.vertices[quad[1]].position - a, piece.vertices[quad[2]].position - a);
                const D3DXVECTOR3 outward = piece.vertices[quad[0]].normal + piece.vertices[quad[2]].normal;
                if (D3DXVec3Dot(&face, &outward) < 0.0f) {
                    std::swap(quad[1], quad[2]);
                    std::swap(quad[4], quad[5]);
                }
                piece.indices.insert(piece.indices.end(), quad, quad + 6);
            }
            continuing = true;
        }
    }
    return pieces;
}

std::vector<D3DXVECTOR3> buildOutlineLines(const std::vector<std::vector<OutlineSample>>& chains,
                                           const ClippingModelFrame& frame) {
    std::vector<D3DXVECTOR3> points;
    for (float s : {0.0f, 1.0f}) {
        for (const std::vector<OutlineSample>& chain : chains) {
            for (size_t k = 0; k + 1 < chain.size(); ++k) {
                points.push_back(frame.point(chain[k].u, chain[k].w, s));
                points.push_back(frame.point(chain[k + 1].u, chain[k + 1].w, s));
            }
        }
    }
    return points;
}

void appendPictureQuad(const ClippingModelFrame& frame, const PictureRect& rect, float s, uint32_t colour,
                       int textureWidth, int textureHeight, std::vector<VertexPNCT>& vertices,
                       std::vector<uint16_t>& indices) {
    const float width = static_cast<float>(std::max(textureWidth, 1));
    const float height = static_cast<float>(std::max(textureHeight, 1));
    const auto base = static_cast<uint16_t>(vertices.size());
    const D3DXVECTOR3 normal(-1.0f, 0.0f, 0.0f);
    const float us[4] = {rect.u0, rect.u1, rect.u0, rect.u1};
    const float ws[4] = {rect.w0, rect.w0, rect.w1, rect.w1};
    for (int corner = 0; corner < 4; ++corner) {
        VertexPNCT vertex;
        vertex.position = frame.point(us[corner], ws[corner], s);
        vertex.normal = normal;
        vertex.colour = colour;
        vertex.u = (frame.pictureWidth() - us[corner]) / width;
        vertex.v = (frame.pictureHeight() - ws[corner]) / height;
        vertices.push_back(vertex);
    }
    const uint16_t quad[6] = {base, static_cast<uint16_t>(base + 1), static_cast<uint16_t>(base + 2),
                              static_cast<uint16_t>(base + 2), static_cast<uint16_t>(base + 1),
                              static_cast<uint16_t>(base + 3)};
    indices.insert(indices.end(), quad, quad + 6);
}

PictureRect shownPictureRect(const ClippingModelFrame& frame, const GridBox& silhouetteBox, bool wholePicture) {
    const float width = std::max(frame.pictureWidth(), 0.0f);
    const float height = std::max(frame.pictureHeight(), 0.0f);
    if (wholePicture || silhouetteBox.isEmpty()) return PictureRect{0.0f, 0.0f, width, height};
    // Cell i covers outline coordinates [i + 1, i + 2].
    return PictureRect{std::clamp(silhouetteBox.minI + 1.0f - 4.0f, 0.0f, width),
                       std::clamp(silhouetteBox.minJ + 1.0f - 4.0f, 0.0f, height),
                       std::clamp(silhouetteBox.maxI + 2.0f + 4.0f, 0.0f, width),
                       std::clamp(silhouetteBox.maxJ + 2.0f + 4.0f, 0.0f, height)};
}

// --- meshes -------------------------------------------------------------------------------

namespace {

// Blending with the source alpha; depth tested, not written.
void setTranslucentStates(gfx::GraphicsDevice& device) {
    device.setRenderState(gfx::RenderState::SrcBlend, gfx::kBlendSrcAlpha);
    device.setRenderState(gfx::RenderState::DestBlend, gfx::kBlendInvSrcAlpha);
    device.setRenderState(gfx::RenderState::AlphaRef, 1);
}

void makeTranslucent(Component& node, bool alphaTest) {
    node.rsAlpha().blending = true;
    node.rsAlpha().alphaTest = alphaTest;
    node.rsBuffer().depthWrite = false;
    node.rsCull().mode = 0;
}

}  // namespace

int ClippingSide::classType() {
    static const int type = registerSceneClass();
    return type;
}

ClippingSide::ClippingSide(gfx::GraphicsDevice& device) : Mesh(device, classType()) {
    makeTranslucent(*this, false);
    // Each wall is drawn from outside only: the tube shows one layer of it.
    rsCull().mode = 2;
    rsLightEnabled().enabled = true;
    rsAmbientLight() = RSAmbientLight(120, 120, 120);
    setColour(255, 255, 255, 105);
}

void ClippingSide::setWalls(const std::vector<SidePiece>& pieces) {
    clearChunks();
    for (const SidePiece& piece : pieces) createBuffer(std::span<const VertexPN>(piece.vertices), piece.indices);
}

void ClippingSide::setColour(uint8_t red, uint8_t green, uint8_t blue, int opacity) {
    gfx::Material material;
    const float alpha = static_cast<float>(std::clamp(opacity, 0, 255)) / 255.0f;
    material.diffuse = gfx::ColourValue{red / 255.0f, green / 255.0f, blue / 255.0f, alpha};
    material.ambient = gfx::ColourValue{red / 255.0f, green / 255.0f, blue / 255.0f, alpha};
    setMaterial(material);
}

void ClippingSide::applyRenderstates(gfx::GraphicsDevice& device) {
    Mesh::applyRenderstates(device);
    setTranslucentStates(device);
}

int ClippingBorder::classType() {
    static const int type = registerSceneClass();
    return type;
}

ClippingBorder::ClippingBorder(gfx::GraphicsDevice& device) : LineList(device, classType()) {
    rsLightEnabled().enabled = false;
    setColour(0, 200, 0);
}

void ClippingBorder::setLines(const std::vector<D3DXVECTOR3>& points) {
    clearLineSets();
    if (!points.empty()) addLineSet(points);
}

void ClippingBorder::setColour(uint8_t red, uint8_t green, uint8_t blue) {
    gfx::Material material;
    material.diffuse = gfx::ColourValue{red / 255.0f, green / 255.0f, blue / 255.0f, 1.0f};
    setMaterial(material);
}

int ClippingFront::classType() {
    static const int type = registerSceneClass();
    return type;
}

ClippingFront::ClippingFront(gfx::GraphicsDevice& device, int typeNumber) : Mesh(device, typeNumber) {
    makeTranslucent(*this, true);
    rsLightEnabled().enabled = false;
    gfx::Material material;
    material.diffuse = gfx::ColourValue{1.0f, 1.0f, 1.0f, 1.0f};
    setMaterial(material);
}

void ClippingFront::setQuad(const std::vector<VertexPNCT>& vertices, const std::vector<uint16_t>& indices) {
    clearChunks();
    createBuffer(std::span<const VertexPNCT>(vertices), indices);
}

void ClippingFront::applyRenderstates(gfx::GraphicsDevice& device) {
    Mesh::applyRenderstates(device);
    setTranslucentStates(device);
}

int ClippingBack::classType() {
    static const int type = registerSceneClass();
    return type;
}

ClippingBack::ClippingBack(gfx::GraphicsDevice& device) : ClippingFront(device, classType()) {}

int ClippingLayer::classType() {
    static const int type = registerSceneClass();
    return type;
}

ClippingLayer::ClippingLayer(gfx::GraphicsDevice& device) : ClippingFront(device, classType()) {
    // Decals are opaque pieces of the picture.
    rsBuffer().depthWrite = true;
}

bool ClippingLayer::setQuads(const std::vector<VertexPNCT>& vertices, const std::vector<uint16_t>& indices) {
    clearChunks();
    const size_t quads = std::min(vertices.size() / 4, static_cast<size_t>(kCapacity / 4));
    quadCount_ = 0;
    if (quads == 0) return true;
    const size_t indexCount = std::min(indices.size(), quads * 6);
    if (!createBuffer(std::span<const VertexPNCT>(vertices.data(), quads * 4),
                      std::span<const uint16_t>(indices.data(), indexCount))) {
        std::printf("Could not allocate verts in clipping layer\n");
        return false;
    }
    quadCount_ = static_cast<int>(quads);
    return true;
}
