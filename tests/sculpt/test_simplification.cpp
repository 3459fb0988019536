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
    mesh.clearEdges();
    mesh.clearVerticesAndTriangles();
    SculptVertex* c[8];
    for (int k = 0; k < 8; ++k) {
        c[k] = mesh.makeVertex(D3DXVECTOR3((k & 1) ? sx : -sx, (k & 4) ? sy : -sy, (k & 2) ? sz : -sz));
    }
    const int faces[6][4] = {{3, 2, 7, 6}, {0, 1, 4, 5}, {2, 0, 6, 4}, {1, 3, 5, 7}, {4, 5, 6, 7}, {2, 3, 0, 1}};
    for (const auto& q : faces) mesh.addQuad(c[q[0]], c[q[1]], c[q[2]], c[q[3]]);
}

int liveVertices(const SculptMesh& mesh) { return mesh.objectInfo().vertices; }
int liveTriangles(const SculptMesh& mesh) { return mesh.objectInfo().triangles; }

// Every live triangle has three distinct, live corners that list it, a
// finite non-zero area; every live vertex is finite and lists only live
// triangles that use it and only valid edges that end at it.
void expectConsistentRecords(const SculptMesh& mesh) {
    std::set<const SculptVertex*> live;
    for (int i = 0; i < mesh.vertices().count(); ++i) {
        const SculptVertex* v = mesh.vertices()[i];
        if (v == nullptr) continue;
        live.insert(v);
        ASSERT_EQ(v->index, i);
        ASSERT_TRUE(std::isfinite(v->position.x) && std::isfinite(v->position.y) && std::isfinite(v->position.z));
        for (const MeshCreationTriangle* t : v->triangles) {
            ASSERT_NE(t, nullptr);
            ASSERT_EQ(mesh.triangles()[t->index], t);
            ASSERT_TRUE(t->e == v || t->f == v || t->g == v);
        }
        for (const VertexConnection* edge : v->edges) {
            ASSERT_TRUE(edge != nullptr && edge->valid);
            ASSERT_TRUE(edge->a == v || edge->b == v);
            ASSERT_NE(edge->a, edge->b);
        }
    }
    for (int i = 0; i < mesh.triangles().count(); ++i) {
        const MeshCreationTriangle* t = mesh.triangles()[i];
        if (t == nullptr) continue;
        ASSERT_TRUE(live.count(t->e) && live.count(t->f) && live.count(t->g)) << "triangle " << i;
        ASSERT_TRUE(t->e != t->f && t->f != t->g && t->g != t->e) << "triangle " << i;
        const D3DXVECTOR3 u = t->f->position - t->e->position, w = t->g->position - t->e->position;
        D3DXVECTOR3 cross;
        D3DXVec3Cross(&cross, &u, &w);
        ASSERT_GT(D3DXVec3Length(&cross), 0.0f) << "triangle " << i;
    }
}

void expectClosedManifold(const SculptMesh& mesh) {
    const meshchecks::Topology topology = meshchecks::topology(mesh);
    EXPECT_EQ(topology.edgesNotShardByTwo, 0);
    EXPECT_EQ(topology.unbalancedDirectedEdges, 0);
    // Closed genus-0 surface: V - E + F = 2.
    EXPECT_EQ(liveVertices(mesh) - topology.edges + liveTriangles(mesh), 2);
}

// --- ordered edge set ---------------------------------------------------------------------------

TEST(OrderedEdgeSet, EqualCostsKeepInsertionOrderAndReinsertionGoesLast) {
    std::vector<VertexConnection> edges(4);
    OrderedEdgeSet set;
    for (VertexConnection& e : edges) {
        e.cost = 1.0f;
        set.insert(&e);
    }
    EXPECT_EQ(set.first(), &edges[0]);
    set.erase(&edges[0]);
    set.insert(&edges[0]);  // same cost: now after 1, 2, 3
    std::vector<VertexConnection*> order;
    while (!set.empty()) {
        order.push_back(set.first());
        set.erase(set.first());
    }
    EXPECT_EQ(order, (std::vector<VertexConnection*>{&edges[1], &edges[2], &edges[3], &edges[0]}));
    EXPECT_FALSE(OrderedEdgeSet::contains(&edges[0]));
    set.erase(&edges[0]);  // not in the set: nothing happens
    EXPECT_TRUE(set.empty());
}

TEST(OrderedEdgeSet, MatchesAMultisetUnderRandomInsertEraseAndRekey) {
    std::mt19937 random(7);
    std::vector<VertexConnection> edges(300);
    OrderedEdgeSet set;
    std::set<std::pair<float, long>> reference;
    std::map<const VertexConnection*, std::pair<float, long>> keyOf;
    long sequence = 0;
    std::uniform_int_distribution<int> pick(0, 299), costs(0, 9), action(0, 3);
    for (int round = 0; round < 20000; ++round) {
        VertexConnection* e = &edges[static_cast<std::size_t>(pick(random))];
        if (action(random) == 0 && OrderedEdgeSet::contains(e)) {
            set.erase(e);
            reference.erase(keyOf[e]);
        } else {
            if (OrderedEdgeSet::contains(e)) {
                set.erase(e);
                reference.erase(keyOf[e]);
            }
            e->cost = static_cast<float>(costs(random));
            set.insert(e);
            keyOf[e] = {e->cost, sequence++};
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
    for (int i = 0; i < mesh.triangles().count(); ++i) mesh.triangles()[i]->normal = D3DXVECTOR3(9, 9, 9);
    for (int i = 0; i < mesh.vertices().count(); ++i) {
        mesh.vertices()[i]->normal = D3DXVECTOR3();
        mesh.vertices()[i]->curvature = 0.7f;
    }
    RecordingProgress progress;
    const SimplificationResult result = simplify(mesh, {0.0f, 5.0f}, progress);
    EXPECT_EQ(result.verticesRemoved, 0);
    EXPECT_EQ(liveVertices(mesh), 8);
    EXPECT_EQ(liveTriangles(mesh), 12);
    ASSERT_EQ(progress.steps.size(), 1u);
    EXPECT_EQ(progress.steps[0].first, "Sculpturing - Simplification - Initialisation");
    EXPECT_FLOAT_EQ(progress.steps[0].second, 65.0f);
    for (int i = 0; i < 12; ++i) {
        const MeshCreationTriangle* t = mesh.triangles()[i];
        const D3DXVECTOR3 centre = (t->e->position + t->f->position + t->g->position) / 3.0f;
        EXPECT_NEAR(D3DXVec3Length(&t->normal), 1.0f, 1e-5f);
        EXPECT_GT(D3DXVec3Dot(&t->normal, &centre), 0.0f) << "face normal points outwards";
    }
    for (int i = 0; i < 8; ++i) {
        const SculptVertex* v = mesh.vertices()[i];
        D3DXVECTOR3 expected;
        for (const MeshCreationTriangle* t : v->triangles) expected += t->normal;
        D3DXVec3Normalize(&expected, &expected);
        EXPECT_NEAR(D3DXVec3Dot(&v->normal, &expected), 1.0f, 1e-5f);
        float sum = 0.0f;
        for (const VertexConnection* e : v->edges) sum += (1.0f - D3DXVec3Dot(&e->a->normal, &e->b->normal)) * 0.5f;
        EXPECT_NEAR(v->curvature, sum / static_cast<float>(v->edges.size()), 1e-6f);
        EXPECT_GT(v->curvature, 0.0f);
    }
}

TEST(Simplification, EdgeCostIsLengthRaisedByWeightedCurvature) {
    SculptVertex a, b;
    a.reset(D3DXVECTOR3(0, 0, 0));
    b.reset(D3DXVECTOR3(3, 4, 0));
    a.curvature = 0.25f;
    b.curvature = 0.5f;
    VertexConnection edge;
    edge.a = &a;
    edge.b = &b;
    EXPECT_FLOAT_EQ(edgeCost(edge, 0.0f), 5.0f);
    EXPECT_FLOAT_EQ(edgeCost(edge, 2.0f), 5.0f * (0.75f * 2.0f + 1.0f));
}

// --- collapses on a box ----------------------------------------------------------------------------

TEST(Simplification, OneCollapseOnAClosedBoxRemovesOneVertexAndTwoTriangles) {
    SculptMesh mesh;
    buildBox(mesh, 8.0f, 8.0f, 8.0f);
    std::map<const SculptVertex*, D3DXVECTOR3> before;
    std::map<const SculptVertex*, std::set<const SculptVertex*>> neighboursBefore;
    for (int i = 0; i < 8; ++i) {
        const SculptVertex* v = mesh.vertices()[i];
        before[v] = v->position;
        for (const VertexConnection* e : v->edges) neighboursBefore[v].insert(e->other(v));
    }
    RecordingProgress progress;
    const SimplificationResult result = simplify(mesh, {1.0f / 8.0f, 0.0f}, progress);  // r = 1
    EXPECT_EQ(result.steps, 1);
    EXPECT_EQ(result.verticesRemoved, 1);
    EXPECT_EQ(result.trianglesRemoved, 2);
    EXPECT_EQ(liveVertices(mesh), 7);
    EXPECT_EQ(liveTriangles(mesh), 10);
    expectConsistentRecords(mesh);
    expectClosedManifold(mesh);

    // The kept vertex sits at the midpoint of the collapsed edge, and every
    // former neighbour of the removed vertex now reaches it.
    const SculptVertex* removed = nullptr;
    for (const auto& [vertex, position] : before) {
        if (!vertex->registered) removed = vertex;
    }
    ASSERT_NE(removed, nullptr);
    const SculptVertex* kept = nullptr;
    for (const SculptVertex* candidate : neighboursBefore[removed]) {
        const D3DXVECTOR3 d = candidate->position - (before[removed] + before[candidate]) * 0.5f;
        if (D3DXVec3Length(&d) < 1e-5f) kept = candidate;
    }
    ASSERT_NE(kept, nullptr);
    for (const SculptVertex* neighbour : neighboursBefore[removed]) {
        if (neighbour == kept) continue;
        bool reaches = false;
        for (const VertexConnection* e : neighbour->edges) reaches = reaches || e->other(neighbour) == kept;
        EXPECT_TRUE(reaches);
    }
}

TEST(Simplification, WithoutNormalParticipationTheShortestEdgeGoesFirst) {
    // Box 2 x 6 x 20: the x edges (length 2) are the shortest; corners differ
    // in curvature, which w = 0 must ignore.
    SculptMesh mesh;
    buildBox(mesh, 1.0f, 3.0f, 10.0f);
    RecordingProgress progress;
    simplify(mesh, {1.0f / 8.0f, 0.0f}, progress);
    int atHalfX = 0;
    for (int i = 0; i < mesh.vertices().count(); ++i) {
        const SculptVertex* v = mesh.vertices()[i];
        if (v != nullptr && std::abs(v->position.x) < 1e-6f) ++atHalfX;
    }
    EXPECT_EQ(atHalfX, 1) << "the collapsed edge ran along x";
    expectClosedManifold(mesh);
}

TEST(Simplification, ANonFinitePositionNeverSpreads) {
    SculptMesh mesh;
    buildBox(mesh, 8.0f, 8.0f, 8.0f);
    SculptVertex* broken = mesh.vertices()[0];
    broken->position.x = std::numeric_limits<float>::quiet_NaN();
    RecordingProgress progress;
    const SimplificationResult result = simplify(mesh, {1.0f, 0.0f}, progress);
    EXPECT_GT(result.verticesRemoved, 0);
    for (int i = 0; i < mesh.vertices().count(); ++i) {
        const SculptVertex* v = mesh.vertices()[i];
        if (v != nullptr && v != broken) {
            EXPECT_TRUE(std::isfinite(v->position.x)) << "vertex " << i;
        }
    }
    EXPECT_TRUE(broken->registered) << "an edge to the broken vertex never collapses";
}

// --- whole runs on a carved sphere ------------------------------------------------------------------

struct CarvedSphere {
    synthetic::Scene scene{synthetic::sphere(), synthetic::sixViews()};
    std::vector<Clipping*> clippings = scene.clippings();
    RecordingProgress progress;
    SimplificationResult result;

    std::unique_ptr<Sculpture> run(float amount, float w) {
        SculptStages stages;
        stages.simplify = [this, amount, w](SculptMesh& mesh, SculptProgress& sink) {
            result = simplify(mesh, {amount, w}, sink);
        };
        SculptSettings settings;
        settings.depth = 6;
        auto sculpture = std::make_unique<Sculpture>(settings, stages);
        EXPECT_TRUE(sculpture->execute(clippings, progress));
        return sculpture;
    }
};

TEST(Simplification, HalfAmountKeepsTheCarvedSphereClosedManifoldAndFinite) {
    for (const float w : {0.0f, 10.0f}) {
        CarvedSphere sphere;
        const auto run = sphere.run(0.5f, w);
        const SculptMesh& mesh = run->mesh();
        const int vertices = mesh.vertices().count();
        const int triangles = mesh.triangles().count();
        ASSERT_GT(vertices, 100);
        EXPECT_EQ(sphere.result.steps, vertices / 2);
        EXPECT_EQ(liveVertices(mesh), vertices - sphere.result.verticesRemoved);
        EXPECT_EQ(liveTriangles(mesh), triangles - 2 * sphere.result.verticesRemoved);
        EXPECT_GT(sphere.result.verticesRemoved, vertices * 45 / 100) << "w = " << w;
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
    const int vertices = run->mesh().vertices().count();
    const int every = static_cast<int>(static_cast<float>(run->mesh().edges().count()) * 0.04f);
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
    EXPECT_EQ(sphere.result.steps, mesh.vertices().count());
    EXPECT_LT(sphere.result.verticesRemoved, sphere.result.steps) << "a closed surface cannot lose every vertex";
    EXPECT_GE(liveVertices(mesh), 4);
    expectConsistentRecords(mesh);
    expectClosedManifold(mesh);
}

}  // namespace
