#include "render/scene/floor.h"
#include "render/scene/polygon_triangulation.h"
#include "render/scene/text3d.h"
#include "render/scene/transp_cube.h"
#include "render/scene/xfile_mesh.h"

#include "platform/null_device.h"
#include "render/texture.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <tuple>
#include <vector>

namespace {

struct NullFixture : ::testing::Test {
    std::unique_ptr<gfx::GraphicsDevice> device = gfx::createNullDevice(64, 64);
    gfx::NullDevice& null = static_cast<gfx::NullDevice&>(*device);
};

// Two one-triangle subsets: a half-transparent red one with a texture in a
// sub-folder (named with a backslash, as models written on other systems
// do) and an opaque blue one.
const char* kTwoSubsetModel = R"(xof 0303txt 0032

Material Red {
  1.000000;0.000000;0.000000;0.500000;;
  10.000000;
  0.200000;0.200000;0.200000;;
  0.000000;0.000000;0.000000;;
  TextureFilename { "tex\\pixel.bmp"; }
}

Material Blue {
  0.000000;0.000000;1.000000;1.000000;;
  5.000000;
  0.000000;0.000000;0.000000;;
  0.000000;0.000000;0.000000;;
}

Mesh Quad {
  4;
  0.0;0.0;1.0;,
  0.0;1.0;1.0;,
  1.0;0.0;1.0;,
  1.0;1.0;1.0;;
  2;
  3;0,1,2;,
  3;2,1,3;;
  MeshMaterialList {
    2;
    2;
    0,
    1;;
    { Red }
    { Blue }
  }
  MeshTextureCoords {
    4;
    0.0;0.0;,
    0.0;1.0;,
    1.0;0.0;,
    1.0;1.0;;
  }
}
)";

// A 2 × 2 24-bit BMP.
std::vector<unsigned char> tinyBmp() {
    std::vector<unsigned char> file(14 + 40 + 16, 0);
    auto put32 = [&](size_t at, uint32_t value) { std::memcpy(&file[at], &value, 4); };
    auto put16 = [&](size_t at, uint16_t value) { std::memcpy(&file[at], &value, 2); };
    file[0] = 'B';
    file[1] = 'M';
    for (const auto& [at, value] : {std::pair<size_t, uint32_t>{2, 70}, {10, 54}, {14, 40}, {18, 2}, {22, 2}, {34, 16}})
        put32(at, value);
    put16(26, 1);
    put16(28, 24);
    for (size_t i = 54; i < file.size(); ++i) file[i] = 0x80;
    return file;
}

std::vector<VertexPN> positionNormals(const MeshChunk& chunk) {
    std::vector<VertexPN> vertices(static_cast<size_t>(chunk.vertexCount));
    const size_t stride = static_cast<size_t>(vertexKindSize(chunk.kind));
    for (size_t i = 0; i < vertices.size(); ++i)
        std::memcpy(&vertices[i], chunk.vertexBytes.data() + i * stride, sizeof(VertexPN));
    return vertices;
}

D3DXVECTOR3 faceNormal(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c) {
    const D3DXVECTOR3 ab = b - a, ac = c - a;
    D3DXVECTOR3 n;
    D3DXVec3Cross(&n, &ab, &ac);
    return n;
}

// Topology of a triangle soup with its vertices welded by position.
struct Topology {
    bool closedAndOriented = true;  // every directed edge is met once, and its reverse once
    long eulerCharacteristic = 0;   // V − E + F
};

Topology topologyOf(const Mesh& mesh) {
    using Key = std::tuple<float, float, float>;
    std::map<Key, int> welded;
    std::map<std::pair<int, int>, int> directed;
    long faces = 0;
    for (int c = 0; c < mesh.chunkCount(); ++c) {
        const MeshChunk& chunk = mesh.chunk(c);
        const std::vector<VertexPN> vertices = positionNormals(chunk);
        auto id = [&](uint16_t index) {
            const D3DXVECTOR3& p = vertices[index].position;
            return welded.emplace(Key{p.x, p.y, p.z}, static_cast<int>(welded.size())).first->second;
        };
        for (size_t t = 0; t + 2 < chunk.indices.size(); t += 3) {
            const int v[3] = {id(chunk.indices[t]), id(chunk.indices[t + 1]), id(chunk.indices[t + 2])};
            for (int k = 0; k < 3; ++k) ++directed[{v[k], v[(k + 1) % 3]}];
            ++faces;
        }
    }
    Topology result;
    std::set<std::pair<int, int>> undirected;
    for (const auto& [edge, count] : directed) {
        const auto reverse = directed.find({edge.second, edge.first});
        if (count != 1 || reverse == directed.end() || reverse->second != 1) result.closedAndOriented = false;
        undirected.insert({std::min(edge.first, edge.second), std::max(edge.first, edge.second)});
    }
    result.eulerCharacteristic =
        static_cast<long>(welded.size()) - static_cast<long>(undirected.size()) + faces;
    return result;
}

}  // namespace

using SceneXFile = NullFixture;

TEST_F(SceneXFile, LoadsSubsetsWithAmbientEqualToDiffuseAndTheirTextures) {
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::writeText(dir.file("quad.x"), kTwoSubsetModel));
    const std::vector<unsigned char> bmp = tinyBmp();
    std::filesystem::create_directory(dir.file("tex"));
    ASSERT_TRUE(testsupport::writeBytes(dir.file("tex/pixel.bmp"), bmp.data(), bmp.size()));

    XFileMesh model(*device, String(dir.path().c_str()), "quad.x");
    ASSERT_TRUE(model.isLoaded());
    ASSERT_EQ(model.materialCount(), 2);
    const gfx::Material& red = model.subsetMaterial(0);
    EXPECT_EQ(red.diffuse.r, 1.0f);
    EXPECT_EQ(red.diffuse.a, 0.5f);
    EXPECT_EQ(red.ambient.r, red.diffuse.r);
    EXPECT_EQ(red.ambient.a, red.diffuse.a);
    EXPECT_EQ(red.power, 10.0f);
    EXPECT_EQ(model.subsetMaterial(1).ambient.b, 1.0f);
    ASSERT_NE(model.subsetTexture(0), nullptr);
    EXPECT_EQ(model.subsetTexture(0)->width(), 2);
    EXPECT_EQ(model.subsetTexture(1), nullptr);

    // Positions, winding and texture coordinates as the file holds them.
    ASSERT_EQ(model.chunkCount(), 2);
    for (int c = 0; c < 2; ++c) {
        const MeshChunk& chunk = model.chunk(c);
        EXPECT_EQ(chunk.kind, VertexKind::PositionNormalTex);
        std::vector<VertexPNT> v(static_cast<size_t>(chunk.vertexCount));
        std::memcpy(v.data(), chunk.vertexBytes.data(), chunk.vertexBytes.size());
        for (const VertexPNT& vertex : v) EXPECT_EQ(vertex.position.z, 1.0f);
        const D3DXVECTOR3 n =
            faceNormal(v[chunk.indices[0]].position, v[chunk.indices[1]].position, v[chunk.indices[2]].position);
        EXPECT_LT(n.z, 0.0f);  // (0,0) (0,1) (1,0) turns clockwise seen from -z
        if (model.chunkSubset(c) == 0) {
            for (const VertexPNT& vertex : v) {
                if (vertex.position.x == 0.0f && vertex.position.y == 1.0f) {
                    EXPECT_EQ(vertex.v, 1.0f);
                }
            }
        }
    }

    model.render();
    EXPECT_EQ(null.stats().drawCalls, 2);
    EXPECT_EQ(null.state().material.diffuse.b, 1.0f);  // the last subset's material
    EXPECT_EQ(device->renderState(gfx::RenderState::AlphaBlendEnable), 1u);
    EXPECT_EQ(device->renderState(gfx::RenderState::SrcBlend), gfx::kBlendSrcAlpha);
    EXPECT_EQ(device->renderState(gfx::RenderState::DestBlend), gfx::kBlendInvSrcAlpha);
    EXPECT_FALSE(null.state().texture);  // the blue subset has none

    gfx::Material green;
    green.diffuse = {0, 1, 0, 1};
    model.setOverrideMaterial(green);
    Texture overrideTexture(*device, 1, 1, std::vector<unsigned char>{1, 2, 3, 4}.data());
    model.setOverrideTexture(&overrideTexture);
    model.render();
    EXPECT_EQ(null.state().material.diffuse.g, 1.0f);
    EXPECT_EQ(null.state().texture, overrideTexture.handle());
}

TEST_F(SceneXFile, UnreadableModelsAndTexturesLeaveADrawableNode) {
    testsupport::TempDir dir;
    XFileMesh missing(*device, String(dir.path().c_str()), "nothere.x");
    EXPECT_FALSE(missing.isLoaded());
    missing.render();
    EXPECT_EQ(null.stats().drawCalls, 0);

    ASSERT_TRUE(testsupport::writeText(dir.file("broken.x"), "xof 0303txt 0032\nMesh {\n 4;\n 1.0;2.0;"));
    XFileMesh broken(*device, String(dir.path().c_str()), "broken.x");
    EXPECT_FALSE(broken.isLoaded());
    EXPECT_EQ(broken.chunkCount(), 0);

    // The texture file is missing: the subset is drawn untextured.
    ASSERT_TRUE(testsupport::writeText(dir.file("quad.x"), kTwoSubsetModel));
    XFileMesh untextured(*device, String((dir.path() + "/").c_str()), "quad.x");
    ASSERT_TRUE(untextured.isLoaded());
    EXPECT_EQ(untextured.subsetTexture(0), nullptr);
    untextured.render();
    EXPECT_EQ(null.stats().drawCalls, 2);
}

using SceneText3d = NullFixture;

TEST_F(SceneText3d, GlyphsAreClosedSolidsWithTheirTunnels) {
    FontFile font;
    String error;
    if (!findFontFile(Text3d::kFace, false, font, error)) GTEST_SKIP() << "no font installed";

    Text3d letter(*device, "A");
    ASSERT_GT(letter.chunkCount(), 0);
    EXPECT_EQ(letter.chunk(0).kind, VertexKind::PositionNormal);
    const Topology a = topologyOf(letter);
    EXPECT_TRUE(a.closedAndOriented);
    EXPECT_EQ(a.eulerCharacteristic, 0);  // genus 1: the counter stays open

    EXPECT_EQ(topologyOf(Text3d(*device, "L")).eulerCharacteristic, 2);

    // Front cap at z = 0, back cap at the extrusion; about one em high.
    float top = 0.0f;
    for (const VertexPN& v : positionNormals(letter.chunk(0))) {
        EXPECT_TRUE(v.position.z == 0.0f || v.position.z == Text3d::kExtrusion);
        top = std::max(top, v.position.y);
    }
    EXPECT_GT(top, 0.5f);
    EXPECT_LT(top, 1.0f);

    letter.render();
    EXPECT_EQ(null.stats().drawCalls, letter.chunkCount());
    EXPECT_EQ(null.stats().rejectedCalls, 0);

    EXPECT_EQ(topologyOf(Text3d(*device, "B8")).eulerCharacteristic, -4);  // two solids of genus 2

    for (char c = 33; c < 127; ++c) {
        const char text[2] = {c, 0};
        Text3d glyph(*device, text);
        EXPECT_GT(glyph.chunkCount(), 0) << c;
        EXPECT_TRUE(topologyOf(glyph).closedAndOriented) << c;
    }
}

TEST(SceneTriangulation, HolesStayOpenAndIslandsInsideThemFilled) {
    const Ring outer = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    const Ring hole = {{1, 1}, {1, 3}, {3, 3}, {3, 1}};
    const Ring island = {{1.5, 1.5}, {2.5, 1.5}, {2.5, 2.5}, {1.5, 2.5}};
    auto filledArea = [](std::vector<Ring> rings) {
        const auto triangles = triangulateRings(rings);
        std::vector<Point2> points;
        for (const Ring& r : rings) points.insert(points.end(), r.begin(), r.end());
        double area = 0.0;
        for (const auto& t : triangles) {
            const Ring triangle = {points[t[0]], points[t[1]], points[t[2]]};
            const double twice = doubleSignedArea(triangle);
            EXPECT_GT(twice, 0.0);  // counter-clockwise
            area += twice / 2.0;
        }
        return area;
    };
    EXPECT_DOUBLE_EQ(filledArea({outer, hole}), 12.0);
    // The same rings the other way round and in another order.
    EXPECT_DOUBLE_EQ(filledArea({Ring(hole.rbegin(), hole.rend()), Ring(outer.rbegin(), outer.rend())}), 12.0);
    EXPECT_DOUBLE_EQ(filledArea({outer, hole, island}), 13.0);
    // Two holes side by side, and a ring with repeated and collinear points.
    const Ring left = {{0.5, 0.5}, {0.5, 3.5}, {1.5, 3.5}, {1.5, 0.5}};
    const Ring right = {{2.5, 0.5}, {2.5, 3.5}, {3.5, 3.5}, {3.5, 0.5}};
    EXPECT_DOUBLE_EQ(filledArea({outer, left, right}), 10.0);
    const Ring untidy = {{0, 0}, {2, 0}, {2, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}};
    EXPECT_DOUBLE_EQ(filledArea({untidy}), 16.0);
}

TEST_F(SceneText3d, MissingFontLeavesAnEmptyMesh) {
    const FontResolver none = [](const String&, bool, FontFile&, String& error) {
        error = "no fonts here";
        return false;
    };
    EXPECT_EQ(Text3d(*device, "A", none).chunkCount(), 0);
    const FontResolver unreadable = [](const String&, bool, FontFile& file, String&) {
        file.path = "/nonexistent/font.ttf";
        return true;
    };
    Text3d text2(*device, "A", unreadable);
    EXPECT_EQ(text2.chunkCount(), 0);
    text2.render();
    EXPECT_EQ(null.stats().drawCalls, 0);
}

using SceneFloor = NullFixture;

TEST_F(SceneFloor, GridHasTwoUpFacingTrianglesPerCell) {
    Floor floor(*device, 10, 2.0f, nullptr);
    ASSERT_EQ(floor.chunkCount(), 1);
    const MeshChunk& chunk = floor.chunk(0);
    EXPECT_EQ(chunk.kind, VertexKind::PositionNormalColourTex);
    EXPECT_EQ(chunk.vertexCount, 121);
    EXPECT_EQ(chunk.triangleCount, 200);

    std::vector<VertexPNCT> v(static_cast<size_t>(chunk.vertexCount));
    std::memcpy(v.data(), chunk.vertexBytes.data(), chunk.vertexBytes.size());
    float minX = 0, maxX = 0;
    for (const VertexPNCT& vertex : v) {
        EXPECT_EQ(vertex.position.y, 0.0f);
        EXPECT_EQ(vertex.colour, 0x4CFFFFFFu);
        minX = std::min(minX, vertex.position.x);
        maxX = std::max(maxX, vertex.position.x);
    }
    EXPECT_EQ(minX, -10.0f);
    EXPECT_EQ(maxX, 10.0f);
    EXPECT_EQ(v[1].u - v[0].u, 1.0f);  // one texture repeat per cell
    for (size_t t = 0; t < chunk.indices.size(); t += 3)
        EXPECT_GT(faceNormal(v[chunk.indices[t]].position, v[chunk.indices[t + 1]].position,
                             v[chunk.indices[t + 2]].position).y, 0.0f);

    floor.render();
    EXPECT_EQ(null.stats().primitives, 200);
}

TEST_F(SceneFloor, LargeGridIsCutIntoChunksSixteenBitIndicesReach) {
    Floor floor(*device, 300, 1.0f, nullptr);
    ASSERT_GT(floor.chunkCount(), 1);
    int triangles = 0;
    for (int c = 0; c < floor.chunkCount(); ++c) {
        EXPECT_LE(floor.chunk(c).vertexCount, 65536);
        triangles += floor.chunk(c).triangleCount;
    }
    EXPECT_EQ(triangles, 2 * 300 * 300);
    floor.render();
    EXPECT_EQ(null.stats().drawCalls, floor.chunkCount());
    EXPECT_EQ(null.stats().rejectedCalls, 0);
}

TEST_F(SceneFloor, TranspCubeHasSixOutwardFaces) {
    TranspCube cube(*device, 3, nullptr);
    ASSERT_EQ(cube.chunkCount(), 6);
    for (int c = 0; c < 6; ++c) {
        const MeshChunk& chunk = cube.chunk(c);
        EXPECT_EQ(chunk.vertexCount, 16);
        EXPECT_EQ(chunk.triangleCount, 18);
        std::vector<VertexPNCT> v(static_cast<size_t>(chunk.vertexCount));
        std::memcpy(v.data(), chunk.vertexBytes.data(), chunk.vertexBytes.size());
        for (size_t t = 0; t < chunk.indices.size(); t += 3) {
            const D3DXVECTOR3& a = v[chunk.indices[t]].position;
            const D3DXVECTOR3 n = faceNormal(a, v[chunk.indices[t + 1]].position, v[chunk.indices[t + 2]].position);
            EXPECT_GT(D3DXVec3Dot(&n, &a), 0.0f);  // points away from the centre
            EXPECT_EQ(std::max({std::abs(a.x), std::abs(a.y), std::abs(a.z)}), 0.5f);
        }
    }
}
