// Simplification: the ordered edge set against a reference multiset, normals
// and curvatures without removal, a single collapse on a closed box, the
// length-only order of w = 0, and whole runs on a carved sphere (closed,
// manifold, finite, consistent records, progress captions).
#include "mesh_checks.h"
#include "sculpt/simplification.h"
#include "sculpt/sculpture.h"
#include "synthetic_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

class RecordingProgress : public SculptProgress {
public:
    void step(const std::string& caption, float percent) override { steps.emplace_back(caption, percent); }
    std::vector<std::pair<std::string, float>> steps;
};

// A closed box with corners at (+-sx, +-sy, +-sz), built quad by quad with
// the corner orders face creation uses, so the normals point outwards.
void buildBox(SculptMesh& mesh, float sx, float sy, float sz) {
    mesh.clear();
    for (int k = 0; k < 8; ++k) {
        mesh.addVertex(D3DXVECTOR3((k & 1) ? sx : -sx, (k & 4) ? sy : -sy, (k & 2) ? sz : -sz));
    }
    const std::uint32_t faces[6][4] = {{3, 2, 7, 6}, {0, 1, 4, 5}, {2, 0, 6, 4}, {1, 3, 5, 7}, {4, 5, 6, 7}, {2, 3, 0, 1}};
    for (const auto& q : faces) {
        mesh.addTriangle(q[0], q[1], q[2]);
        mesh.addTriangle(q[1], q[3], q[2]);
    }
    mesh.buildEdges();
}

int liveVertices(const SculptMesh& mesh) { return mesh.objectInfo().vertices; }
int liveTriangles(const SculptMesh& mesh) { return mesh.objectInfo().triangles; }
int liveEdges(const SculptMesh& mesh) {
    int count = 0;
    for (std::uint32_t i = 0; i < mesh.edgeSlots(); ++i) count += mesh.isEdge(i) ? 1 : 0;
    return count;
}

// Every live triangle has three distinct, live, finite corners and a
// non-zero area; every live edge joins two live vertices that share a
// triangle.
void expectConsistentRecords(const SculptMesh& mesh) {
    for (std::uint32_t t = 0; t < mesh.triangleSlots(); ++t) {
        if (!mesh.isTriangle(t)) continue;
        const MeshCreationTriangle& tri = mesh.triangle(t);
        ASSERT_TRUE(mesh.isVertex(tri.e) && mesh.isVertex(tri.f) && mesh.isVertex(tri.g)) << "triangle " << t;
        ASSERT_TRUE(tri.e != tri.f && tri.f != tri.g && tri.g != tri.e) << "triangle " << t;
        const D3DXVECTOR3 u = mesh.position(tri.f) - mesh.position(tri.e);
        const D3DXVECTOR3 w = mesh.position(tri.g) - mesh.position(tri.e);
        D3DXVECTOR3 cross;
        D3DXVec3Cross(&cross, &u, &w);
        ASSERT_GT(D3DXVec3Length(&cross), 0.0f) << "triangle " << t;
    }
    const VertexLists around = mesh.triangleLists();
    for (std::uint32_t i = 0; i < mesh.edgeSlots(); ++i) {
        if (!mesh.isEdge(i)) continue;
        const VertexConnection& edge = mesh.edge(i);
        ASSERT_TRUE(mesh.isVertex(edge.a) && mesh.isVertex(edge.b)) << "edge " << i;
        bool shared = false;
        for (std::uint32_t t : around.of(edge.a)) shared = shared || mesh.triangle(t).has(edge.b);
        ASSERT_TRUE(shared) << "edge " << i;
    }
}

void expectClosedManifold(const SculptMesh& mesh) {
    const MeshValidity v = meshchecks::validityOf(mesh);
    EXPECT_EQ(v.edgesNotSharedByTwo, 0);
    EXPECT_EQ(v.unbalancedEdges, 0);
    EXPECT_EQ(v.nonManifoldVertices, 0);
    EXPECT_EQ(v.zeroAreaTriangles, 0);
    EXPECT_EQ(v.coincidentVertices, 0);
    // Closed genus-0 surface: V - E + F = 2.
    EXPECT_EQ(liveVertices(mesh) - liveEdges(mesh) + liveTriangles(mesh), 2);
}

// --- ordered edge set ---------------------------------------------------------------------------

TEST(OrderedEdgeSet, EqualCostsKeepInsertionOrderAndReinsertionGoesLast) {
    OrderedEdgeSet set(4);
    for (std::uint32_t e = 0; e < 4; ++e) set.insert(e, 1.0f);
    EXPECT_EQ(set.first(), 0u);
    set.erase(0);
    set.insert(0, 1.0f);  // same cost: now after 1, 2, 3
    std::vector<std::uint32_t> order;
    while (!set.empty()) {
        order.push_back(set.first());
        set.erase(set.first());
    }
    EXPECT_EQ(order, (std::vector<std::uint32_t>{1, 2, 3, 0}));
    EXPECT_FALSE(set.contains(0));
    set.erase(0);  // not in the set: nothing happens
    EXPECT_TRUE(set.empty());
    EXPECT_EQ(set.first(), kNoIndex);
}

TEST(OrderedEdgeSet, MatchesAMultisetUnderRandomInsertEraseRekeyAndBulkAssign) {
    std::mt19937 random(7);
    OrderedEdgeSet set(300);
    std::set<std::pair<float, long>> reference;
    std::map<std::uint32_t, std::pair<float, long>> keyOf;
    long sequence = 0;
    // A bulk start: the same order as inserting one by one.
    std::vector<std::uint32_t> first;
    std::vector<float> costs(300, 0.0f);
    std::uniform_int_distribution<int> pick(0, 299), costOf(0, 9), action(0, 3);
    for (std::uint32_t e = 0; e < 300; e += 3) {
        first.push_back(e);
        costs[e] = static_cast<float>(costOf(random));
        keyOf[e] = {costs[e], sequence++};
        reference.insert(keyOf[e]);
    }
    set.assign(first, costs);
    for (int round = 0; round < 20000; ++round) {
        const std::uint32_t e = static_cast<std::uint32_t>(pick(random));
        const int what = action(random);
        if (what == 3) {
            // Re-keyed in place, in the set or not.
            const float cost = static_cast<float>(costOf(random));
            set.rekey(e, cost);
            if (keyOf.count(e) != 0) reference.erase(keyOf[e]);
            keyOf[e] = {cost, sequence++};
            reference.insert(keyOf[e]);
            ASSERT_EQ(set.size(), reference.size());
            ASSERT_EQ(keyOf[set.first()], *reference.begin()) << "round " << round;
            continue;
        }
        if (set.contains(e)) {
            set.erase(e);
            reference.erase(keyOf[e]);
        }
        if (what != 0) {
            const float cost = static_cast<float>(costOf(random));
            set.insert(e, cost);
            keyOf[e] = {cost, sequence++};
            reference.insert(keyOf[e]);
        }
        ASSERT_EQ(set.size(), reference.size());
        if (!reference.empty()) {
            ASSERT_EQ(keyOf[set.first()], *reference.begin()) << "round " << round;
        }
    }
}

// --- normals, curvature, cost ---------------------------------------------------------------------

TEST(Simplification, ZeroAmountStillComputesNormalsAndCurvatures) {
    SculptMesh mesh;
    buildBox(mesh, 8.0f, 8.0f, 8.0f);
    for (std::uint32_t v = 0; v < mesh.vertexSlots(); ++v) {
        mesh.setNormal(v, D3DXVECTOR3());
        mesh.setCurvature(v, 0.7f);
    }
    RecordingProgress progress;
    const OwnRunControl control(&progress);
    const SimplificationResult result = simplify(mesh, {0.0f, 5.0f}, control);
    EXPECT_EQ(result.verticesRemoved, 0);
    EXPECT_EQ(liveVertices(mesh), 8);
    EXPECT_EQ(liveTriangles(mesh), 12);
    ASSERT_EQ(progress.steps.size(), 1u);
    EXPECT_EQ(progress.steps[0].first, "Sculpturing - Simplification - Initialisation");
    EXPECT_FLOAT_EQ(progress.steps[0].second, 65.0f);
    const VertexLists triangles = mesh.triangleLists();
    const VertexLists neighbours = mesh.neighbourLists();
    for (std::uint32_t t = 0; t < 12; ++t) {
        const MeshCreationTriangle& tri = mesh.triangle(t);
        const D3DXVECTOR3 centre = (mesh.position(tri.e) + mesh.position(tri.f) + mesh.position(tri.g)) / 3.0f;
        EXPECT_NEAR(D3DXVec3Length(&mesh.faceNormal(t)), 1.0f, 1e-5f);
        EXPECT_GT(D3DXVec3Dot(&mesh.faceNormal(t), &centre), 0.0f) << "face normal points outwards";
    }
    for (std::uint32_t v = 0; v < 8; ++v) {
        D3DXVECTOR3 expected;
        for (std::uint32_t t : triangles.of(v)) expected += mesh.faceNormal(t);
        D3DXVec3Normalize(&expected, &expected);
        EXPECT_NEAR(D3DXVec3Dot(&mesh.normal(v), &expected), 1.0f, 1e-5f);
        float sum = 0.0f;
        for (std::uint32_t w : neighbours.of(v)) sum += (1.0f - D3DXVec3Dot(&mesh.normal(v), &mesh.normal(w))) * 0.5f;
        EXPECT_NEAR(mesh.curvature(v), sum / static_cast<float>(neighbours.of(v).size()), 1e-6f);
        EXPECT_GT(mesh.curvature(v), 0.0f);
    }
}

TEST(Simplification, EdgeCostIsLengthRaisedByWeightedCurvature) {
    SculptMesh mesh;
    mesh.addVertex(D3DXVECTOR3(0, 0, 0));
    mesh.addVertex(D3DXVECTOR3(3, 4, 0));
    mesh.setCurvature(0, 0.25f);
    mesh.setCurvature(1, 0.5f);
    const VertexConnection edge{1, 0};
    EXPECT_FLOAT_EQ(edgeCost(mesh, edge, 0.0f), 5.0f);
    EXPECT_FLOAT_EQ(edgeCost(mesh, edge, 2.0f), 5.0f * (0.75f * 2.0f + 1.0f));
}

// --- collapses on a box ----------------------------------------------------------------------------

TEST(Simplification, OneCollapseOnAClosedBoxRemovesOneVertexAndTwoTriangles) {
    SculptMesh mesh;
    buildBox(mesh, 8.0f, 8.0f, 8.0f);
    const std::vector<D3DXVECTOR3> before = mesh.positions();
    const VertexLists neighboursBefore = mesh.neighbourLists();
    const OwnRunControl control;
    const SimplificationResult result = simplify(mesh, {1.0f / 8.0f, 0.0f}, control);  // r = 1
    EXPECT_EQ(result.steps, 1);
    EXPECT_EQ(result.verticesRemoved, 1);
    EXPECT_EQ(result.trianglesRemoved, 2);
    EXPECT_EQ(liveVertices(mesh), 7);
    EXPECT_EQ(liveTriangles(mesh), 10);
    expectConsistentRecords(mesh);
    expectClosedManifold(mesh);

    // The kept vertex sits at the midpoint of the collapsed edge, and every
    // former neighbour of the removed vertex now reaches it.
    std::uint32_t removed = kNoIndex;
    for (std::uint32_t v = 0; v < 8; ++v) {
        if (!mesh.isVertex(v)) removed = v;
    }
    ASSERT_NE(removed, kNoIndex);
    std::uint32_t kept = kNoIndex;
    for (std::uint32_t candidate : neighboursBefore.of(removed)) {
        const D3DXVECTOR3 d = mesh.position(candidate) - (before[removed] + before[candidate]) * 0.5f;
        if (D3DXVec3Length(&d) < 1e-5f) kept = candidate;
    }
    ASSERT_NE(kept, kNoIndex);
    const VertexLists after = mesh.neighbourLists();
    for (std::uint32_t neighbour : neighboursBefore.of(removed)) {
        if (neighbour == kept) continue;
        const auto list = after.of(neighbour);
        EXPECT_NE(std::find(list.begin(), list.end(), kept), list.end());
    }
}

TEST(Simplification, WithoutNormalParticipationTheShortestEdgeGoesFirst) {
    // Box 2 x 6 x 20: the x edges (length 2) are the shortest; corners differ
    // in curvature, which w = 0 must ignore.
    SculptMesh mesh;
    buildBox(mesh, 1.0f, 3.0f, 10.0f);
    const OwnRunControl control;
    simplify(mesh, {1.0f / 8.0f, 0.0f}, control);
    int atHalfX = 0;
    for (std::uint32_t v = 0; v < mesh.vertexSlots(); ++v) {
        if (mesh.isVertex(v) && std::abs(mesh.position(v).x) < 1e-6f) ++atHalfX;
    }
    EXPECT_EQ(atHalfX, 1) << "the collapsed edge ran along x";
    expectClosedManifold(mesh);
}

TEST(Simplification, ANonFinitePositionNeverSpreads) {
    SculptMesh mesh;
    buildBox(mesh, 8.0f, 8.0f, 8.0f);
    mesh.position(0).x = std::numeric_limits<float>::quiet_NaN();
    const OwnRunControl control;
    const SimplificationResult result = simplify(mesh, {1.0f, 0.0f}, control);
    EXPECT_GT(result.verticesRemoved, 0);
    for (std::uint32_t v = 1; v < mesh.vertexSlots(); ++v) {
        if (!mesh.isVertex(v)) continue;
        EXPECT_TRUE(std::isfinite(mesh.position(v).x)) << "vertex " << v;
    }
    EXPECT_TRUE(mesh.isVertex(0)) << "an edge to the broken vertex never collapses";
}

// --- whole runs on a carved sphere ------------------------------------------------------------------

struct CarvedSphere {
    synthetic::Scene scene{synthetic::sphere(), synthetic::sixViews()};
    std::vector<Clipping*> clippings = scene.clippings();
    RecordingProgress progress;

    std::unique_ptr<Sculpture> run(float amount, float w) {
        SculptSettings settings;
        settings.depth = 6;
        settings.simplification = amount;
        settings.normalParticipation = w;
        settings.makeFillData = true;
        auto sculpture = std::make_unique<Sculpture>(settings);
        EXPECT_TRUE(sculpture->execute(clippings, progress));
        return sculpture;
    }
};

TEST(Simplification, EveryStageBeforeItLeavesNormalsAndCurvaturesCurrent) {
    // The run's simplification takes the normals and curvatures as the
    // stages left them: after face creation, sharpening and smoothing, in
    // every combination, computing them again must change nothing.
    const synthetic::Scene scene(synthetic::ringWithPost(), synthetic::sixViews());
    std::vector<Clipping*> clippings = scene.clippings();
    for (const auto& [sharpening, smoothing] : {std::pair{0, 0}, std::pair{3, 0}, std::pair{0, 2}, std::pair{3, 2}}) {
        SCOPED_TRACE(testing::Message() << "sharpening " << sharpening << ", smoothing " << smoothing);
        SculptSettings settings;
        settings.depth = 7;
        settings.sharpeningPasses = sharpening;
        settings.smoothingPasses = smoothing;
        settings.threads = 2;
        Sculpture run(settings);
        RecordingProgress progress;
        ASSERT_TRUE(run.execute(clippings, progress));
        SculptMesh& mesh = run.mesh();
        ASSERT_GT(mesh.vertexSlots(), 100u);
        std::vector<D3DXVECTOR3> faceNormals;
        for (std::uint32_t t = 0; t < mesh.triangleSlots(); ++t) faceNormals.push_back(mesh.faceNormal(t));
        std::vector<D3DXVECTOR3> normals;
        std::vector<float> curvatures;
        for (std::uint32_t v = 0; v < mesh.vertexSlots(); ++v) {
            normals.push_back(mesh.normal(v));
            curvatures.push_back(mesh.curvature(v));
        }
        mesh.computeNormalsAndCurvature();
        for (std::uint32_t t = 0; t < mesh.triangleSlots(); ++t) {
            if (!mesh.isTriangle(t)) continue;
            ASSERT_EQ(mesh.faceNormal(t), faceNormals[t]) << "triangle " << t;
        }
        for (std::uint32_t v = 0; v < mesh.vertexSlots(); ++v) {
            if (!mesh.isVertex(v)) continue;
            ASSERT_EQ(mesh.normal(v), normals[v]) << "vertex " << v;
            ASSERT_EQ(mesh.curvature(v), curvatures[v]) << "vertex " << v;
        }
    }
}

TEST(Simplification, HalfAmountKeepsTheCarvedSphereClosedManifoldAndFinite) {
    for (const float w : {0.0f, 10.0f}) {
        CarvedSphere sphere;
        const auto run = sphere.run(0.5f, w);
        const SculptMesh& mesh = run->mesh();
        const int vertices = static_cast<int>(mesh.vertexSlots());
        const int triangles = static_cast<int>(mesh.triangleSlots());
        ASSERT_GT(vertices, 100);
        const int removed = vertices - liveVertices(mesh);
        EXPECT_EQ(liveTriangles(mesh), triangles - 2 * removed);
        EXPECT_GT(removed, vertices * 45 / 100) << "w = " << w;
        EXPECT_LE(removed, vertices / 2);
        expectConsistentRecords(mesh);
        expectClosedManifold(mesh);
        EXPECT_GT(run->mesh().signedVolume(), 0.0);
        for (const MeshReprTriangle& t : run->fillData()) {
            for (const auto& corner : t.corners) EXPECT_TRUE(std::isfinite(corner.normal.x));
        }
    }
}

TEST(Simplification, ProgressEveryFourPercentOfTheEdges) {
    CarvedSphere sphere;
    const auto run = sphere.run(0.5f, 1.0f);
    const int vertices = static_cast<int>(run->mesh().vertexSlots());
    const int every = static_cast<int>(static_cast<float>(run->mesh().edgeSlots()) * 0.04f);
    const int steps = vertices / 2;
    std::vector<std::pair<std::string, float>> removing;
    bool initialised = false;
    for (const auto& step : sphere.progress.steps) {
        if (step.first == "Sculpturing - Simplification - Initialisation") initialised = true;
        if (step.first.rfind("Sculpturing - Simplification - Removing", 0) == 0) removing.push_back(step);
    }
    EXPECT_TRUE(initialised);
    ASSERT_EQ(static_cast<int>(removing.size()), (steps + every - 1) / every);
    char expected[160];
    std::snprintf(expected, sizeof expected,
                  "Sculpturing - Simplification - Removing %d vertices from %d vertices. %d vertices removed", steps,
                  vertices, every);
    EXPECT_EQ(removing[1].first, expected);
    EXPECT_FLOAT_EQ(removing[0].second, 70.0f);
    EXPECT_FLOAT_EQ(removing[1].second, static_cast<float>(every) / static_cast<float>(steps) * 15.0f + 70.0f);
}

TEST(Simplification, FullAmountRunsDryWithoutBreakingTheSurface) {
    CarvedSphere sphere;
    const auto run = sphere.run(1.0f, 0.0f);
    const SculptMesh& mesh = run->mesh();
    EXPECT_GE(liveVertices(mesh), 4) << "a closed surface cannot lose every vertex";
    expectConsistentRecords(mesh);
    expectClosedManifold(mesh);
}

}  // namespace
