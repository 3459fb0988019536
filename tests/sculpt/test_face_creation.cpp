// Face creation on hand-made finest levels: counts of the single cube and two
// cubes, corner sharing around staircases, cubes touching only along an edge
// or at a corner (and empty pockets touching at a corner) split into a valid
// surface, faces inside the object, the same mesh on any number of threads,
// the records' arrays, normals, and the drawable's fill data.
#include "mesh_checks.h"
#include "sculpt/face_creation.h"
#include "sculpt/fan_lists.h"
#include "sculpt/sculpt_scene.h"
#include "sculpt/sculpture.h"
#include "synthetic_scene.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int kDepth = 7;
constexpr float kEdge = 16.0f;
// Cube index 101 of level 7 is centred on 600 (-1024 + 101.5 * 16).
constexpr std::uint32_t kFar = 101;
// Cube index 64 is centred on 8, next to the origin.
constexpr std::uint32_t kMiddle = 63;

// One clipping along x whose silhouette is a sphere of radius 300 at the
// origin: cubes far from it have every face outside, cubes at the origin
// every face inside.
struct Fixture {
    synthetic::Scene scene{synthetic::sphere300(), {synthetic::View{0, 0}}};
    std::vector<Clipping*> clippings = scene.clippings();
    SculptScene captured = SculptScene::capture(clippings, SculptScene::Pictures::No);
    SculptMesh mesh;
    FaceCreation faces;
    LevelTables tables;

    // Makes the faces of the cubes at `offsets` from (base, base, base).
    void create(const std::vector<std::array<int, 3>>& offsets, std::uint32_t base = kFar, int threads = 1) {
        std::vector<CellKey> cells;
        for (const auto& o : offsets) {
            cells.push_back(cellKeyOf(base + static_cast<std::uint32_t>(o[0]), base + static_cast<std::uint32_t>(o[1]),
                                      base + static_cast<std::uint32_t>(o[2])));
        }
        const std::vector<SculptClipping*> list = captured.sculptList();
        const std::vector<const SculptClipping*> constList(list.begin(), list.end());
        const OwnRunControl control(nullptr, threads);
        ASSERT_TRUE(faces.createFaces(cells, kDepth, tables, constList, mesh, control));
    }
};

void expectValid(const SculptMesh& mesh) {
    const MeshValidity v = meshchecks::validityOf(mesh, true);
    EXPECT_TRUE(v.isValid()) << "not shared by two " << v.edgesNotSharedByTwo << ", unbalanced " << v.unbalancedEdges
                             << ", non-manifold vertices " << v.nonManifoldVertices << ", coincident "
                             << v.coincidentVertices << ", zero area " << v.zeroAreaTriangles << ", crossing "
                             << v.selfIntersections;
}

TEST(FaceCreation, SingleCubeGivesEightVerticesTwelveTrianglesEighteenEdges) {
    Fixture f;
    f.create({{0, 0, 0}});
    EXPECT_EQ(f.mesh.vertexSlots(), 8u);
    EXPECT_EQ(f.mesh.triangleSlots(), 12u);
    EXPECT_EQ(f.mesh.edgeSlots(), 18u);
    EXPECT_NEAR(f.mesh.signedVolume(), kEdge * kEdge * kEdge, 1e-2);
    const D3DXVECTOR3 centre(600.0f, 600.0f, 600.0f);
    // Every face normal points out of the cube; every vertex is a corner
    // with three or more edges and a normal pointing out.
    for (std::uint32_t t = 0; t < 12; ++t) {
        const MeshCreationTriangle& tri = f.mesh.triangle(t);
        const D3DXVECTOR3 middle = (f.mesh.position(tri.e) + f.mesh.position(tri.f) + f.mesh.position(tri.g)) / 3.0f - centre;
        EXPECT_GT(D3DXVec3Dot(&middle, &f.mesh.faceNormal(t)), 0.0f);
        EXPECT_NEAR(D3DXVec3Length(&f.mesh.faceNormal(t)), 1.0f, 1e-5f);
    }
    const VertexLists neighbours = f.mesh.neighbourLists();
    for (std::uint32_t v = 0; v < 8; ++v) {
        const D3DXVECTOR3 out = f.mesh.position(v) - centre;
        EXPECT_NEAR(std::fabs(out.x), 8.0f, 1e-5f);
        EXPECT_GT(D3DXVec3Dot(&out, &f.mesh.normal(v)), 0.0f);
        EXPECT_GE(neighbours.of(v).size(), 3u);
    }
    expectValid(f.mesh);
}

TEST(FaceCreation, TheFinestDepthsAndTheGridsEdgesGiveClosedCubes) {
    // Cubes at the very corners of the grid, and two face neighbours far
    // out, at the deepest depth the run allows and at 12: the slabs of such
    // a depth are many, the surface the same.
    Fixture f;
    const std::vector<SculptClipping*> list = f.captured.sculptList();
    const std::vector<const SculptClipping*> constList(list.begin(), list.end());
    for (int depth : {12, kMaxCarvingDepth}) {
        SCOPED_TRACE(depth);
        const std::uint32_t last = (std::uint32_t{1} << depth) - 1;
        const std::vector<CellKey> cells = {cellKeyOf(0, 0, 0), cellKeyOf(last, last, last),
                                            cellKeyOf(last - 5, 7, last), cellKeyOf(last - 4, 7, last)};
        SculptMesh mesh;
        ASSERT_TRUE(f.faces.createFaces(cells, depth, f.tables, constList, mesh, OwnRunControl(nullptr, 2)));
        EXPECT_EQ(mesh.vertexSlots(), 8u + 8u + 12u);
        EXPECT_EQ(mesh.triangleSlots(), 12u + 12u + 20u);
        const double edge = f.tables.edge[depth];
        EXPECT_NEAR(mesh.signedVolume(), 4.0 * edge * edge * edge, 1e-3 * edge * edge * edge);
        expectValid(mesh);
    }
}

TEST(FaceCreation, TwoFaceNeighboursShareFourCorners) {
    Fixture f;
    f.create({{0, 0, 0}, {1, 0, 0}});
    EXPECT_EQ(f.mesh.vertexSlots(), 12u);
    EXPECT_EQ(f.mesh.triangleSlots(), 20u);
    EXPECT_EQ(f.mesh.edgeSlots(), 30u);
    EXPECT_NEAR(f.mesh.signedVolume(), 2.0 * kEdge * kEdge * kEdge, 1e-2);
    expectValid(f.mesh);
}

TEST(FaceCreation, FacesInsideTheObjectAreNotEmitted) {
    Fixture f;
    f.create({{0, 0, 0}}, kMiddle);
    EXPECT_EQ(f.mesh.triangleSlots(), 0u);
    EXPECT_EQ(f.mesh.objectInfo().vertices, 0);
}

// Cube sets whose surfaces pinch: the shape, how many corners split, how
// many empty cubes are filled, and the cubes' volume afterwards.
struct PinchCase {
    const char* name;
    std::vector<std::array<int, 3>> cells;
    std::size_t splitCorners;
    std::size_t filled;
    int cubes;
};

TEST(FaceCreation, CubesTouchingAtEdgesAndCornersSplitIntoAValidSurface) {
    // A ring of six cubes around an empty cube, touching that cube's
    // neighbours only at corners, gives the pinch of two empty pockets.
    std::vector<std::array<int, 3>> pockets;
    for (int x = 0; x < 2; ++x)
        for (int y = 0; y < 2; ++y)
            for (int z = 0; z < 2; ++z)
                if (!(x == 0 && y == 0 && z == 0) && !(x == 1 && y == 1 && z == 1)) pockets.push_back({x, y, z});
    const std::vector<PinchCase> cases = {
        {"staircase around a corner", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 1}}, 0, 0, 4},
        {"two cubes along an edge", {{0, 0, 0}, {1, 1, 0}}, 2, 0, 2},
        // Joined at both ends of the edge: a copy at either end cannot close
        // the surface, so an empty cube beside the edge is filled.
        {"two cubes along an edge, joined above and below",
         {{0, 0, 0}, {1, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 0, -1}, {1, 0, -1}, {1, 1, -1}},
         2,  // the filled cube touches a cube above and one below at a corner
         1,
         9},
        {"two cubes at a corner", {{0, 0, 0}, {1, 1, 1}}, 1, 0, 2},
        {"two empty pockets at a corner", pockets, 1, 0, 6},
    };
    for (const PinchCase& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.create(c.cells);
        expectValid(f.mesh);
        EXPECT_EQ(f.faces.splitCorners(), c.splitCorners);
        EXPECT_EQ(f.faces.filledCubes(), c.filled);
        // Split corners move a little into their own cubes.
        EXPECT_NEAR(f.mesh.signedVolume(), c.cubes * kEdge * kEdge * kEdge, 0.1 * kEdge * kEdge * kEdge);
    }
}

TEST(FaceCreation, TheMeshDoesNotDependOnTheThreadsNorOnWhoHoldsTheCubes) {
    const synthetic::Scene ring(synthetic::ringWithPost(), synthetic::sixViews());
    std::vector<Clipping*> clippings = ring.clippings();
    const SculptScene captured = SculptScene::capture(clippings, SculptScene::Pictures::No);
    const std::vector<SculptClipping*> list = captured.sculptList();
    const std::vector<const SculptClipping*> constList(list.begin(), list.end());
    const LevelTables tables;
    OctreeCarver carver;
    const OwnRunControl one(nullptr, 1);
    ASSERT_TRUE(carver.carve(8, constList, tables, one));
    SculptMesh reference;
    FaceCreation faces;
    ASSERT_TRUE(faces.createFaces(carver.finestCells(), 8, tables, constList, reference, one));
    expectValid(reference);
    const auto expectReference = [&](const SculptMesh& mesh) {
        ASSERT_EQ(mesh.positions(), reference.positions());
        ASSERT_EQ(mesh.triangleSlots(), reference.triangleSlots());
        for (std::uint32_t t = 0; t < mesh.triangleSlots(); ++t) {
            ASSERT_EQ(mesh.triangle(t).e, reference.triangle(t).e);
            ASSERT_EQ(mesh.triangle(t).f, reference.triangle(t).f);
            ASSERT_EQ(mesh.triangle(t).g, reference.triangle(t).g);
        }
    };
    for (int threads : {2, 3}) {
        SculptMesh mesh;
        const OwnRunControl several(nullptr, threads);
        ASSERT_TRUE(faces.createFaces(carver.finestCells(), 8, tables, constList, mesh, several));
        expectReference(mesh);
    }
    // Handed over from the carver with its inside marks, the cubes give the
    // same surface and are freed on the way.
    const std::size_t cubes = carver.finestCount();
    std::vector<CellKey> cells;
    std::vector<std::uint64_t> marks;
    carver.takeFinest(cells, marks);
    EXPECT_EQ(cells.size(), cubes);
    EXPECT_EQ(marks.size(), cubes);
    EXPECT_TRUE(carver.finestCells().empty());
    EXPECT_EQ(carver.memoryBytes(), 0u);
    SculptMesh taken;
    ASSERT_TRUE(faces.createFaces(std::move(cells), 8, tables, constList, taken, OwnRunControl(nullptr, 2),
                                  std::move(marks)));
    expectReference(taken);
    EXPECT_EQ(cells.capacity(), 0u);
    EXPECT_EQ(marks.capacity(), 0u);
    // Carved in rows, the cubes need no sorting and give the same surface.
    OctreeCarver inRows;
    ASSERT_TRUE(inRows.carve(8, constList, tables, one, {}, FinestOrder::Rows));
    std::vector<CellKey> rowKeys;
    std::vector<std::uint64_t> rowMarks;
    inRows.takeFinest(rowKeys, rowMarks);
    SculptMesh fromRows;
    ASSERT_TRUE(faces.createFacesFromRows(std::move(rowKeys), 8, tables, constList, fromRows,
                                          OwnRunControl(nullptr, 2), std::move(rowMarks)));
    expectReference(fromRows);
}

TEST(SculptMesh, EdgesOfMoreThanTwoTrianglesAreFoundWhenTheEdgesAreBuilt) {
    // Four triangles around the edge 0-1, and a second fan where 2-3 is
    // shared by exactly two: only 0-1 is overused, found by either way of
    // building the edges, and forgotten when the mesh is cleared.
    SculptMesh mesh;
    for (int v = 0; v < 6; ++v) mesh.addVertex(D3DXVECTOR3(static_cast<float>(v), static_cast<float>(v * v), 0.5f * v));
    mesh.addTriangle(0, 1, 2);
    mesh.addTriangle(1, 0, 3);
    mesh.addTriangle(0, 1, 4);
    mesh.addTriangle(1, 0, 5);
    mesh.addTriangle(2, 3, 5);
    mesh.addTriangle(3, 2, 4);
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {{0, 1}};
    mesh.buildEdges();
    EXPECT_EQ(mesh.overusedEdges(), expected);
    ParallelRunner two(2);
    mesh.buildEdges(mesh.triangleLists(), two);
    EXPECT_EQ(mesh.overusedEdges(), expected);
    mesh.clear();
    EXPECT_TRUE(mesh.overusedEdges().empty());
}

TEST(SculptMesh, ListsPerVertexAreInRecordOrderOnAnyNumberOfThreads) {
    // Enough triangles and edges to be split between threads, some of them
    // removed: every vertex's list holds its live triangles (neighbours) in
    // triangle (edge) order, as one walk over the records makes it.
    SculptMesh mesh;
    std::mt19937 random(3);
    // More vertices than one block of the lists' starts takes.
    constexpr std::uint32_t kVertices = 140000;
    for (std::uint32_t v = 0; v < kVertices; ++v) mesh.addVertex(D3DXVECTOR3(static_cast<float>(v), 0.0f, 0.0f));
    std::uniform_int_distribution<std::uint32_t> pick(0, kVertices - 1);
    while (mesh.triangleSlots() < 150000) {
        const std::uint32_t a = pick(random), b = pick(random), c = pick(random);
        if (a != b && b != c && a != c) mesh.addTriangle(a, b, c);
    }
    for (std::uint32_t t = 0; t < mesh.triangleSlots(); t += 7) mesh.removeTriangle(t);
    mesh.buildEdges();
    for (std::uint32_t e = 0; e < mesh.edgeSlots(); e += 5) mesh.removeEdge(e);
    std::vector<std::vector<std::uint32_t>> triangles(kVertices), neighbours(kVertices);
    for (std::uint32_t t = 0; t < mesh.triangleSlots(); ++t) {
        if (!mesh.isTriangle(t)) continue;
        for (int k = 0; k < 3; ++k) triangles[mesh.triangle(t).corner(k)].push_back(t);
    }
    for (std::uint32_t e = 0; e < mesh.edgeSlots(); ++e) {
        if (!mesh.isEdge(e)) continue;
        neighbours[mesh.edge(e).a].push_back(mesh.edge(e).b);
        neighbours[mesh.edge(e).b].push_back(mesh.edge(e).a);
    }
    const auto expectLists = [](const VertexLists& lists, const std::vector<std::vector<std::uint32_t>>& expected) {
        ASSERT_EQ(lists.start.size(), expected.size() + 1);
        for (std::uint32_t v = 0; v < expected.size(); ++v) {
            const auto list = lists.of(v);
            ASSERT_EQ(std::vector<std::uint32_t>(list.begin(), list.end()), expected[v]) << "vertex " << v;
        }
    };
    expectLists(mesh.triangleLists(), triangles);
    expectLists(mesh.neighbourLists(), neighbours);
    for (int threads : {2, 3}) {
        SCOPED_TRACE(threads);
        ParallelRunner runner(threads);
        expectLists(mesh.triangleLists(runner), triangles);
        expectLists(mesh.neighbourLists(runner), neighbours);
    }
    // The fans an edit follows, gathered on one thread or on several: the
    // same lists, and each still grows past its room and shrinks in place.
    FanLists alone;
    alone.build(mesh);
    ParallelRunner two(2);
    FanLists shared;
    shared.build(mesh, two);
    for (FanLists* fans : {&alone, &shared}) {
        std::vector<std::vector<std::uint32_t>> expected = triangles;
        for (std::uint32_t v = 0; v < kVertices; v += 997) {
            for (std::uint32_t t = 0; t < 5; ++t) {
                fans->add(v, 900000 + t);
                expected[v].push_back(900000 + t);
            }
            if (!expected[v].empty()) {
                fans->remove(v, expected[v].front());
                expected[v].erase(expected[v].begin());
            }
        }
        for (std::uint32_t v = 0; v < kVertices; ++v) {
            const auto list = fans->of(v);
            ASSERT_EQ(std::vector<std::uint32_t>(list.begin(), list.end()), expected[v])
                << (fans == &alone ? "one thread" : "two threads") << ", vertex " << v;
        }
    }
}

TEST(SculptMesh, ObjectInfoSkipsRemovedRecords) {
    Fixture f;
    f.create({{0, 0, 0}});
    f.mesh.removeTriangle(3);
    f.mesh.removeVertex(5);
    const ObjectInfo info = f.mesh.objectInfo();
    EXPECT_EQ(info.vertices, 7);
    EXPECT_EQ(info.triangles, 11);
    EXPECT_EQ(objectInfoText(info), "Object consits of 7 vertices and 11 triangles.");
    EXPECT_EQ(f.mesh.reprTriangles(false).size(), 11u);
}

TEST(SculptMesh, FillDataShadesColoursAndTakesTextureCoordinates) {
    Fixture f;
    f.create({{0, 0, 0}});
    const std::uint32_t plusZ = 0;  // the first quad made is the +z face
    ASSERT_NEAR(f.mesh.faceNormal(plusZ).z, 1.0f, 1e-6f);
    const MeshCreationTriangle tri = f.mesh.triangle(plusZ);
    f.mesh.setCurvature(tri.e, 0.25f);
    std::vector<TriangleTexture> textures(f.mesh.triangleSlots());
    textures[plusZ] = TriangleTexture{{0.1f, 0.2f, 0.3f}, {0.4f, 0.5f, 0.6f}};
    f.mesh.setTextureCoordinates(textures);

    const std::vector<MeshReprTriangle> smooth = f.mesh.reprTriangles(false);
    ASSERT_EQ(smooth.size(), 12u);
    EXPECT_FLOAT_EQ(smooth[plusZ].corners[2].u, 0.3f);
    EXPECT_FLOAT_EQ(smooth[plusZ].corners[1].v, 0.5f);
    EXPECT_EQ(smooth[plusZ].corners[0].colour, 0xFFBF0000u);  // round(0.75 * 255) = 191
    EXPECT_EQ(smooth[plusZ].corners[0].normal, f.mesh.normal(tri.e));
    EXPECT_EQ(smooth[plusZ].faceNormal, f.mesh.faceNormal(plusZ));
    EXPECT_EQ(smooth[5].corners[1].u, 0.0f);
    const std::vector<MeshReprTriangle> flat = f.mesh.reprTriangles(true);
    EXPECT_EQ(flat[plusZ].corners[0].normal, f.mesh.faceNormal(plusZ));
}

}  // namespace
