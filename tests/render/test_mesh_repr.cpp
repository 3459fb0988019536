// The sculpted object's drawable on the null device: corners shared within a
// chunk, chunk and picking-mesh sizes, the texture switch, the material, and
// chunks outside the view left undrawn; and the view-volume test itself.
#include "render/scene/chunk_culling.h"
#include "render/scene/mesh_repr.h"
#include "render/texture.h"

#include "platform/null_device.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

struct MeshReprFixture : ::testing::Test {
    std::unique_ptr<gfx::GraphicsDevice> device = gfx::createNullDevice(64, 64);
    gfx::NullDevice& null = static_cast<gfx::NullDevice&>(*device);
};

VertexPNCT corner(float x, float y, float z, float u = 0.0f) { return {{x, y, z}, {0, 0, -1}, 0xFFFF0000, u, 0.0f}; }

MeshReprTriangle triangle(const VertexPNCT& e, const VertexPNCT& f, const VertexPNCT& g) {
    MeshReprTriangle t;
    t.corners[0] = e;
    t.corners[1] = f;
    t.corners[2] = g;
    t.faceNormal = {0, 0, -1};
    return t;
}

// `count` triangles of three corners each, none shared, near (x, 0, z).
std::vector<MeshReprTriangle> separateTriangles(int count, float x = 0.0f, float z = 0.0f) {
    std::vector<MeshReprTriangle> out;
    for (int i = 0; i < count; ++i) {
        const float y = static_cast<float>(i) * 0.0001f;
        out.push_back(triangle(corner(x, y, z), corner(x, y + 1, z), corner(x + 1, y, z)));
    }
    return out;
}

std::vector<VertexPNT> chunkVertices(const MeshChunk& chunk) {
    std::vector<VertexPNT> out(static_cast<size_t>(chunk.vertexCount));
    std::memcpy(out.data(), chunk.vertexBytes.data(), chunk.vertexBytes.size());
    return out;
}

// A camera at (0, 0, -10) looking along +z, 30 degrees high.
void lookAlongZ(gfx::GraphicsDevice& device) {
    D3DXMATRIX view;
    D3DXMATRIX projection;
    const D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 0.5235988f, 1.0f, 1.0f, 1000.0f);
    device.setTransform(gfx::TransformKind::View, view);
    device.setTransform(gfx::TransformKind::Projection, projection);
}

}  // namespace

using MeshReprTest = MeshReprFixture;

TEST_F(MeshReprTest, EqualCornersAreStoredOnceAndTrianglesKeepTheirReversedWinding) {
    MeshRepr repr(*device, gfx::Material{});
    const VertexPNCT a = corner(0, 0, 0), b = corner(0, 1, 0), c = corner(1, 0, 0), d = corner(1, 1, 0);
    const VertexPNCT cOtherUv = corner(1, 0, 0, 0.5f);
    const std::vector<MeshReprTriangle> triangles = {triangle(a, b, c), triangle(b, d, c), triangle(b, d, cOtherUv)};
    repr.fill(triangles);

    ASSERT_EQ(repr.chunkCount(), 1);
    const MeshChunk& chunk = repr.chunk(0);
    EXPECT_EQ(chunk.kind, VertexKind::PositionNormalTex);
    EXPECT_EQ(repr.vertexCount(), 5) << "a, b, c, d once each; c with other texture coordinates apart";
    EXPECT_EQ(repr.triangleCount(), 3);

    // Whatever order the chunk draws them in, each triangle is there as E, G, F.
    const std::vector<VertexPNT> vertices = chunkVertices(chunk);
    std::vector<std::vector<D3DXVECTOR3>> drawn;
    for (int t = 0; t < chunk.triangleCount; ++t) {
        std::vector<D3DXVECTOR3> corners;
        for (int k = 0; k < 3; ++k) corners.push_back(vertices[chunk.indices[static_cast<size_t>(t * 3 + k)]].position);
        drawn.push_back(corners);
    }
    for (const MeshReprTriangle& t : triangles) {
        const std::vector<D3DXVECTOR3> expected = {t.corners[0].position, t.corners[2].position, t.corners[1].position};
        bool found = false;
        for (const auto& corners : drawn) {
            for (int rotation = 0; rotation < 3 && !found; ++rotation)
                found = corners[static_cast<size_t>(rotation)] == expected[0] &&
                        corners[static_cast<size_t>((rotation + 1) % 3)] == expected[1] &&
                        corners[static_cast<size_t>((rotation + 2) % 3)] == expected[2];
        }
        EXPECT_TRUE(found);
    }
}

TEST_F(MeshReprTest, ChunksAndPickingMeshesSplitAtTheirSizesAndRefillingReplacesThem) {
    MeshRepr repr(*device, gfx::Material{});
    const int count = MeshRepr::kChunkTriangles + 1;
    repr.fill(separateTriangles(count));

    ASSERT_EQ(repr.chunkCount(), 2);
    EXPECT_EQ(repr.chunk(0).triangleCount, MeshRepr::kChunkTriangles);
    EXPECT_EQ(repr.chunk(1).triangleCount, 1);
    const int pickTriangles = MeshRepr::kPickIndices / 3;
    ASSERT_EQ(repr.pickMeshCount(), (count + pickTriangles - 1) / pickTriangles);
    EXPECT_EQ(repr.pickMesh(0).indices.size(), static_cast<size_t>(MeshRepr::kPickIndices));

    lookAlongZ(*device);
    repr.render();
    EXPECT_EQ(null.stats().drawCalls, 2);
    EXPECT_EQ(null.stats().primitives, count);
    EXPECT_EQ(null.stats().rejectedCalls, 0);

    repr.fill(std::span<const MeshReprTriangle>());
    EXPECT_EQ(repr.chunkCount(), 0);
    EXPECT_EQ(repr.pickMeshCount(), 0);
    EXPECT_EQ(null.liveBuffers(), 0);
}

TEST_F(MeshReprTest, PicksWithFaceNormals) {
    MeshRepr repr(*device, gfx::Material{});
    MeshReprTriangle t = triangle(corner(0, 0, 2), corner(0, 1, 2), corner(1, 0, 2));
    t.corners[0].normal = {1, 0, 0};  // a smooth normal that differs from the face normal
    repr.fill(std::span<const MeshReprTriangle>(&t, 1));
    ASSERT_EQ(repr.pickMeshCount(), 1);
    EXPECT_EQ(repr.pickMesh(0).vertices[0].normal, D3DXVECTOR3(0, 0, -1));
    float nearest = 0;
    ASSERT_TRUE(repr.pickNearest({0.2f, 0.2f, 0}, {0, 0, 1}, nearest));
    EXPECT_NEAR(nearest, 2.0f, 1e-6f);
}

TEST_F(MeshReprTest, TheTextureIsBoundOnlyWhileTexturesAreOn) {
    const unsigned char texel[4] = {0, 255, 0, 255};
    Texture texture(*device, 1, 1, texel);
    Texture other(*device, 1, 1, texel);
    MeshRepr repr(*device, gfx::Material{});
    repr.fill(separateTriangles(1));
    repr.addTexture(&texture);
    lookAlongZ(*device);

    repr.render();
    EXPECT_EQ(null.state().texture, texture.handle());

    other.bind(0);  // left bound by an earlier draw
    repr.setTexturesOn(false);
    repr.render();
    EXPECT_FALSE(null.state().texture) << "an untextured object must not pick up another node's texture";

    repr.setTexturesOn(true);
    repr.clearTextures();
    other.bind(0);
    repr.render();
    EXPECT_FALSE(null.state().texture);
}

TEST_F(MeshReprTest, TheMaterialIsOpaqueWithTheHighlightAndTheHighlightEndsWithTheDraw) {
    gfx::Material material;
    material.diffuse = {0.2f, 0.4f, 0.6f, 0.1f};
    material.specular = {1, 1, 1, 1};
    MeshRepr repr(*device, material);
    EXPECT_EQ(repr.material()->diffuse.a, 1.0f);
    EXPECT_EQ(repr.material()->diffuse.g, 0.4f);
    EXPECT_EQ(repr.material()->power, MeshRepr::kSpecularPower);
    EXPECT_TRUE(repr.rsLightEnabled().enabled);

    material.emissive = {0.5f, 0, 0, 1};
    repr.setMaterialColours(material);
    repr.fill(separateTriangles(1));
    lookAlongZ(*device);
    repr.render();
    EXPECT_EQ(null.state().material.emissive.r, 0.5f);
    EXPECT_EQ(null.state().material.diffuse.a, 1.0f);
    EXPECT_EQ(null.state().get(gfx::RenderState::SpecularEnable), 0u);
}

TEST_F(MeshReprTest, ChunksOutsideTheViewAreNotDrawn) {
    MeshRepr repr(*device, gfx::Material{});
    std::vector<MeshReprTriangle> triangles = separateTriangles(MeshRepr::kChunkTriangles, 0.0f, 5.0f);
    const std::vector<MeshReprTriangle> behind = separateTriangles(MeshRepr::kChunkTriangles, 0.0f, -50.0f);
    const std::vector<MeshReprTriangle> aside = separateTriangles(MeshRepr::kChunkTriangles, 400.0f, 5.0f);
    triangles.insert(triangles.end(), behind.begin(), behind.end());
    triangles.insert(triangles.end(), aside.begin(), aside.end());
    repr.fill(triangles);
    ASSERT_EQ(repr.chunkCount(), 3);

    lookAlongZ(*device);
    repr.render();
    EXPECT_EQ(repr.chunksDrawn(), 1);
    EXPECT_EQ(null.stats().primitives, MeshRepr::kChunkTriangles);

    // Without a usable projection nothing is culled.
    device->setTransform(gfx::TransformKind::Projection, D3DXMATRIX());
    repr.render();
    EXPECT_EQ(repr.chunksDrawn(), 3);
}

TEST(ChunkCulling, SpheresOutsideAnyPlaneOfTheViewAreCulled) {
    D3DXMATRIX view;
    D3DXMATRIX projection;
    const D3DXVECTOR3 eye(0, 0, 0), at(0, 0, 1), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    // 90 degrees high, square: the side planes are x = +-z and y = +-z.
    D3DXMatrixPerspectiveFovLH(&projection, 1.5707964f, 1.0f, 1.0f, 100.0f);
    const ChunkView chunkView = chunkViewOf(view * projection);
    ASSERT_TRUE(chunkView.valid);

    struct Case {
        D3DXVECTOR3 centre;
        float radius;
        bool outside;
    };
    const float d = 0.70710678f;  // distance to a side plane per unit off it
    for (const Case& c : {Case{{0, 0, 10}, 1, false},
                          Case{{0, 0, 0.5f}, 0.4f, true},    // before the near plane
                          Case{{0, 0, 0.5f}, 0.6f, false},   // reaching past it
                          Case{{0, 0, 102}, 1.9f, true},     // beyond the far plane
                          Case{{0, 0, 102}, 2.1f, false},
                          Case{{12, 0, 10}, 2 * d - 0.01f, true},  // right of x = z
                          Case{{12, 0, 10}, 2 * d + 0.01f, false},
                          Case{{-12, 0, 10}, 2 * d - 0.01f, true},
                          Case{{0, 12, 10}, 2 * d - 0.01f, true},
                          Case{{0, -12, 10}, 2 * d + 0.01f, false},
                          Case{{0, 0, -5}, 1, true}}) {
        ChunkBounds bounds;
        bounds.centre = c.centre;
        bounds.radius = c.radius;
        EXPECT_EQ(isOutsideView(bounds, chunkView), c.outside)
            << c.centre.x << ", " << c.centre.y << ", " << c.centre.z << " r " << c.radius;
    }
}

TEST(ChunkCulling, BoundsEncloseEveryFinitePoint) {
    ChunkBoundsBuilder builder;
    EXPECT_EQ(builder.finish().radius, 0.0f);
    const float nan = std::nanf("");
    for (const D3DXVECTOR3& p : {D3DXVECTOR3(-1, 0, 2), D3DXVECTOR3(3, 4, -2), D3DXVECTOR3(nan, 0, 0)})
        builder.addPoint(p);
    const ChunkBounds bounds = builder.finish();
    EXPECT_EQ(bounds.centre, D3DXVECTOR3(1, 2, 0));
    for (const D3DXVECTOR3& p : {D3DXVECTOR3(-1, 0, 2), D3DXVECTOR3(3, 4, -2)}) {
        const D3DXVECTOR3 offset = p - bounds.centre;
        EXPECT_LE(D3DXVec3Length(&offset), bounds.radius + 1e-5f);
    }
}
