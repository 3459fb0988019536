// Meshes on the null device: buffer chunks and their kinds, drawing, device
// loss, picking with the bounding-box pre-test and the 0.1 rule, and line
// lists.
#include "render/scene/line_list.h"
#include "render/scene/mesh.h"

#include "platform/null_device.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct NullFixture : ::testing::Test {
    std::unique_ptr<gfx::GraphicsDevice> device = gfx::createNullDevice(64, 64);
    gfx::NullDevice& null = static_cast<gfx::NullDevice&>(*device);
};

// A quad facing ±z at depth z, x and y within [x0, x0 + 1] × [-0.5, 0.5].
void addQuad(std::vector<VertexPNCT>& vertices, std::vector<uint16_t>& indices, float z, float x0 = -0.5f) {
    const auto base = static_cast<uint16_t>(vertices.size());
    const D3DXVECTOR3 normal{0, 0, -1};
    vertices.push_back({{x0, -0.5f, z}, normal, 0xFFFFFFFF, 0, 0});
    vertices.push_back({{x0, 0.5f, z}, normal, 0xFFFFFFFF, 0, 1});
    vertices.push_back({{x0 + 1, -0.5f, z}, normal, 0xFFFFFFFF, 1, 0});
    vertices.push_back({{x0 + 1, 0.5f, z}, normal, 0xFFFFFFFF, 1, 1});
    for (int k : {0, 1, 2, 2, 1, 3}) indices.push_back(static_cast<uint16_t>(base + k));
}

const D3DXVECTOR3 kForward{0, 0, 1};

}  // namespace

using SceneMesh = NullFixture;

TEST_F(SceneMesh, ChunkKindMatchesItsVertexLayout) {
    Mesh mesh(*device);
    std::vector<VertexPNCT> full;
    std::vector<uint16_t> indices;
    addQuad(full, indices, 1.0f);
    ASSERT_TRUE(mesh.createBuffer(std::span<const VertexPNCT>(full), indices));

    std::vector<VertexPN> plain;
    for (const VertexPNCT& v : full) plain.push_back({v.position, v.normal});
    ASSERT_TRUE(mesh.createBuffer(std::span<const VertexPN>(plain), indices));

    ASSERT_EQ(mesh.chunkCount(), 2);
    EXPECT_EQ(mesh.chunk(0).kind, VertexKind::PositionNormalColourTex);
    EXPECT_EQ(mesh.chunk(0).vertexBytes.size(), 4u * 36u);
    EXPECT_EQ(mesh.chunk(0).triangleCount, 2);
    EXPECT_EQ(mesh.chunk(1).kind, VertexKind::PositionNormal);
    EXPECT_EQ(mesh.chunk(1).vertexBytes.size(), 4u * 24u);
    // The layout a kind draws with has the stride its vertices were written with.
    for (int c = 0; c < 2; ++c)
        EXPECT_EQ(gfx::vertexStride(vertexKindFlags(mesh.chunk(c).kind)), vertexKindSize(mesh.chunk(c).kind));

    mesh.render();
    EXPECT_EQ(null.stats().drawCalls, 2);
    EXPECT_EQ(null.stats().primitives, 4);
    EXPECT_EQ(null.stats().rejectedCalls, 0);
}

TEST_F(SceneMesh, IndicesNamingNoVertexAreRefused) {
    Mesh mesh(*device);
    std::vector<VertexPNCT> vertices;
    std::vector<uint16_t> indices;
    addQuad(vertices, indices, 1.0f);
    indices[4] = 9;
    EXPECT_FALSE(mesh.createBuffer(std::span<const VertexPNCT>(vertices), indices));
    EXPECT_EQ(mesh.chunkCount(), 0);
    EXPECT_EQ(null.liveBuffers(), 0);
}

TEST_F(SceneMesh, DrawingStopsAtTheFirstEmptyChunk) {
    Mesh mesh(*device);
    std::vector<VertexPNCT> vertices, none;
    std::vector<uint16_t> indices, noIndices;
    addQuad(vertices, indices, 1.0f);
    ASSERT_TRUE(mesh.createBuffer(std::span<const VertexPNCT>(none), noIndices));
    ASSERT_TRUE(mesh.createBuffer(std::span<const VertexPNCT>(vertices), indices));
    mesh.render();
    EXPECT_EQ(null.stats().drawCalls, 0);

    Mesh second(*device);
    ASSERT_TRUE(second.createBuffer(std::span<const VertexPNCT>(vertices), indices));
    ASSERT_TRUE(second.createBuffer(std::span<const VertexPNCT>(none), noIndices));
    ASSERT_TRUE(second.createBuffer(std::span<const VertexPNCT>(vertices), indices));
    second.render();
    EXPECT_EQ(null.stats().drawCalls, 1);
    second.renderFirstChunk();
    EXPECT_EQ(null.stats().drawCalls, 2);
}

TEST_F(SceneMesh, RenderSetsMaterialStatesWorldAndTexturesOff) {
    Mesh mesh(*device);
    std::vector<VertexPNCT> vertices;
    std::vector<uint16_t> indices;
    addQuad(vertices, indices, 1.0f);
    mesh.createBuffer(std::span<const VertexPNCT>(vertices), indices);
    gfx::Material material;
    material.diffuse = {0.25f, 0.5f, 0.75f, 1.0f};
    mesh.setMaterial(material);
    mesh.rsCull().mode = 0;
    mesh.setTranslation({7, 8, 9});
    mesh.render();
    EXPECT_EQ(null.state().material.diffuse.g, 0.5f);
    EXPECT_EQ(null.state().renderStates[static_cast<int>(gfx::RenderState::CullMode)], gfx::kCullNone);
    EXPECT_EQ(null.state().world._42, 8.0f);
    EXPECT_EQ(null.state().minification, gfx::TextureFilter::Linear);
}

TEST_F(SceneMesh, BuffersComeBackAfterADeviceReset) {
    Mesh mesh(*device);
    std::vector<VertexPNCT> vertices;
    std::vector<uint16_t> indices;
    addQuad(vertices, indices, 1.0f);
    mesh.createBuffer(std::span<const VertexPNCT>(vertices), indices);
    mesh.releaseDeviceObjects();
    EXPECT_EQ(null.liveBuffers(), 0);
    device->simulateLoss(0);
    ASSERT_TRUE(device->reset(64, 64));
    mesh.restoreDeviceObjects();
    EXPECT_EQ(null.liveBuffers(), 2);
    null.resetStats();
    mesh.render();
    EXPECT_EQ(null.stats().drawCalls, 1);
    EXPECT_EQ(null.stats().rejectedCalls, 0);
}

TEST_F(SceneMesh, PickReportsNearestAndFarthestHit) {
    Mesh mesh(*device);
    std::vector<VertexPNCT> vertices;
    std::vector<uint16_t> indices;
    addQuad(vertices, indices, 0.05f);
    addQuad(vertices, indices, 1.0f);
    addQuad(vertices, indices, 3.0f);
    ASSERT_TRUE(mesh.createPickMesh(std::span<const VertexPNCT>(vertices), indices));
    ASSERT_EQ(mesh.pickMeshCount(), 1);
    EXPECT_EQ(mesh.pickMesh(0).boxMin, D3DXVECTOR3(-0.5f, -0.5f, 0.05f));
    EXPECT_EQ(mesh.pickMesh(0).boxMax, D3DXVECTOR3(0.5f, 0.5f, 3.0f));

    const D3DXVECTOR3 offCentre{0.2f, 0.1f, 0.0f};  // inside one triangle of each quad
    float nearest = -1, farthest = -1;
    ASSERT_TRUE(mesh.pick(offCentre, kForward, nearest, farthest));
    EXPECT_NEAR(nearest, 0.05f, 1e-6f);
    EXPECT_NEAR(farthest, 3.0f, 1e-6f);

    // Hits at 0.1 or closer do not count for the nearest pick.
    ASSERT_TRUE(mesh.pickNearest(offCentre, kForward, nearest));
    EXPECT_NEAR(nearest, 1.0f, 1e-6f);

    // A miss leaves the outputs alone.
    nearest = farthest = -1;
    EXPECT_FALSE(mesh.pick({5, 5, 0}, kForward, nearest, farthest));
    EXPECT_FALSE(mesh.pick(offCentre, {0, 0, -1}, nearest, farthest));
    EXPECT_EQ(nearest, -1);
    EXPECT_EQ(farthest, -1);
}

TEST_F(SceneMesh, PickNearestWithOnlyCloseHitsFindsNothing) {
    Mesh mesh(*device);
    std::vector<VertexPNCT> vertices;
    std::vector<uint16_t> indices;
    addQuad(vertices, indices, 0.05f);
    mesh.createPickMesh(std::span<const VertexPNCT>(vertices), indices);
    float nearest = -1;
    EXPECT_FALSE(mesh.pickNearest({0.2f, 0.1f, 0}, kForward, nearest));
    EXPECT_EQ(nearest, -1);
}

TEST_F(SceneMesh, MissedBoundingBoxSkipsTheExactTest) {
    Mesh mesh(*device);
    std::vector<VertexPNCT> near, aside;
    std::vector<uint16_t> nearIndices, asideIndices;
    addQuad(near, nearIndices, 2.0f);
    addQuad(aside, asideIndices, 2.0f, 10.0f);
    mesh.createPickMesh(std::span<const VertexPNCT>(near), nearIndices);
    mesh.createPickMesh(std::span<const VertexPNCT>(aside), asideIndices);

    float nearest = 0;
    ASSERT_TRUE(mesh.pickNearest({0.2f, 0.1f, 0}, kForward, nearest));
    EXPECT_EQ(mesh.exactPickTests(), 1);
    EXPECT_FALSE(mesh.pickNearest({0.2f, 3.0f, 0}, kForward, nearest));
    EXPECT_EQ(mesh.exactPickTests(), 1);
}

TEST_F(SceneMesh, PickMeshNeedsFacesAndValidIndices) {
    Mesh mesh(*device);
    std::vector<VertexPNCT> vertices;
    std::vector<uint16_t> indices;
    addQuad(vertices, indices, 1.0f);
    EXPECT_FALSE(mesh.createPickMesh(std::span<const VertexPNCT>(vertices), std::span<const uint16_t>()));
    indices[0] = 4;
    EXPECT_FALSE(mesh.createPickMesh(std::span<const VertexPNCT>(vertices), indices));
    EXPECT_EQ(mesh.pickMeshCount(), 0);
}

TEST_F(SceneMesh, LineListDrawsPairsOfPoints) {
    LineList lines(*device);
    const std::vector<D3DXVECTOR3> points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {5, 5, 5}};
    ASSERT_TRUE(lines.addLineSet(points));
    EXPECT_FALSE(lines.addLineSet(std::span<const D3DXVECTOR3>()));
    EXPECT_EQ(lines.lineSetCount(), 1);
    lines.render();
    EXPECT_EQ(null.stats().drawCalls, 1);
    EXPECT_EQ(null.stats().primitives, 2);  // the fifth point has no partner

    lines.releaseDeviceObjects();
    EXPECT_EQ(null.liveBuffers(), 0);
    lines.restoreDeviceObjects();
    lines.render();
    EXPECT_EQ(null.stats().drawCalls, 2);
    EXPECT_EQ(null.stats().rejectedCalls, 0);
}
