// Sharpening and smoothing of the sculpt mesh: what one adding clipping does
// to every vertex, the pass structure and captions, in-place smoothing, sound
// output on degenerate input, moves that stay local, the clean-up that keeps
// the surface valid, and how closely the sharpened mesh hugs the visual hull
// of synthetic objects.
#include "hull_measures.h"
#include "mesh_checks.h"
#include "sculpt/mesh_repair.h"
#include "sculpt/sculpture.h"
#include "sculpt/sharpening.h"
#include "sculpt/smoothing.h"
#include "synthetic_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using hullmeasures::Reference;

struct RecordingProgress : SculptProgress {
    void step(const std::string& caption, float percent) override { steps.emplace_back(caption, percent); }
    std::vector<std::pair<std::string, float>> steps;
};

// Carves `scene` at `depth` without any later stage.
struct Carved {
    Carved(const synthetic::Scene& scene, int depth) : run(settingsOf(depth)) {
        SilentProgress progress;
        std::vector<Clipping*> clippings = scene.clippings();
        EXPECT_TRUE(run.execute(clippings, progress));
    }
    static SculptSettings settingsOf(int depth) {
        SculptSettings s;
        s.depth = depth;
        return s;
    }
    bool sharpen(int passes, SculptProgress* progress = nullptr, const SharpeningOptions& options = {}) {
        const OwnRunControl control(progress);
        return sharpenMesh(run.mesh(), passes, run.sculptList(), run.cellRadius(), control, options);
    }
    Sculpture run;
};

bool finite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

void expectAllFinite(const SculptMesh& mesh) {
    for (std::uint32_t v = 0; v < mesh.vertexSlots(); ++v) {
        if (!mesh.isVertex(v)) continue;
        ASSERT_TRUE(finite(mesh.position(v)) && finite(mesh.normal(v)) && std::isfinite(mesh.curvature(v)))
            << "vertex " << v;
    }
    for (std::uint32_t t = 0; t < mesh.triangleSlots(); ++t) {
        if (!mesh.isTriangle(t)) continue;
        ASSERT_TRUE(finite(mesh.faceNormal(t))) << "triangle " << t;
    }
}

void expectValid(const SculptMesh& mesh) {
    const MeshValidity v = meshchecks::validityOf(mesh, true);
    EXPECT_TRUE(v.isValid()) << "not shared by two " << v.edgesNotSharedByTwo << ", unbalanced " << v.unbalancedEdges
                             << ", non-manifold vertices " << v.nonManifoldVertices << ", coincident "
                             << v.coincidentVertices << ", zero area " << v.zeroAreaTriangles << ", crossing "
                             << v.selfIntersections;
}

TEST(Sharpening, OneAddingClippingPullsEveryVertexOntoTheSilhouetteAndIntoTheSlab) {
    // A slab only 500 deep: the hull is a disc-shaped cylinder, cut by both faces.
    const synthetic::Scene scene(synthetic::sphere(), {synthetic::View{30, 20, 500.0}}, 2.0, true);
    Carved carved(scene, 6);
    SculptClipping& clipping = *carved.run.sculptList().front();
    const Border& border = *clipping.border();
    const float half = clipping.projection().halfDepth();
    auto offenders = [&](float tolerance) {
        int count = 0;
        const SculptMesh& mesh = carved.run.mesh();
        for (std::uint32_t v = 0; v < mesh.vertexSlots(); ++v) {
            if (!mesh.isVertex(v)) continue;
            const std::optional<ClipPoint> p = clipping.projection().projectPoint(mesh.position(v));
            EXPECT_TRUE(p.has_value());
            D3DXVECTOR3 nearest;
            border.nearestOutlinePoint(D3DXVECTOR3(p->u, p->w, 0.0f), nearest);
            const float off = std::hypot(nearest.x - p->u, nearest.y - p->w);
            const bool onSilhouette = border.isInsideOutline(p->u, p->w) || off <= tolerance;
            const bool inSlab = p->t >= -half - tolerance && p->t <= half + tolerance;
            count += (onSilhouette && inSlab) ? 0 : 1;
        }
        return count;
    };
    // The carved envelope sticks out of the silhouette and the slab.
    ASSERT_GT(offenders(0.01f), 100);
    ASSERT_TRUE(carved.sharpen(1));
    EXPECT_EQ(offenders(0.01f), 0);
    expectAllFinite(carved.run.mesh());
    expectValid(carved.run.mesh());
}

TEST(Sharpening, SkippingWhatCannotHaveChangedGivesTheSameMeshAsLookingAtEverything) {
    // Thin legs, horns and a tail seen from four sides: vertices move
    // between the outlines, edge steps move neighbours, and the untangling
    // moves vertices of turned triangles.
    const synthetic::Scene scene(synthetic::creature(), synthetic::fourViews60(), 2.0, true);
    Carved skipping(scene, 8);
    Carved afresh(scene, 8);
    ASSERT_EQ(skipping.run.mesh().positions(), afresh.run.mesh().positions());
    ASSERT_TRUE(skipping.sharpen(10));
    SharpeningOptions everything;
    everything.skipUnchanged = false;
    ASSERT_TRUE(afresh.sharpen(10, nullptr, everything));
    const SculptMesh& a = skipping.run.mesh();
    const SculptMesh& b = afresh.run.mesh();
    ASSERT_EQ(a.vertexSlots(), b.vertexSlots());
    ASSERT_EQ(a.triangleSlots(), b.triangleSlots());
    int differentPlaces = 0;
    for (std::uint32_t v = 0; v < a.vertexSlots(); ++v) {
        differentPlaces += a.isVertex(v) != b.isVertex(v) || !(a.position(v) == b.position(v)) ? 1 : 0;
    }
    EXPECT_EQ(differentPlaces, 0);
    int differentTriangles = 0;
    for (std::uint32_t t = 0; t < a.triangleSlots(); ++t) {
        const MeshCreationTriangle& x = a.triangle(t);
        const MeshCreationTriangle& y = b.triangle(t);
        differentTriangles += x.e != y.e || x.f != y.f || x.g != y.g ? 1 : 0;
    }
    EXPECT_EQ(differentTriangles, 0);
}

TEST(Sharpening, ZeroPassesLeaveTheMeshAndTheProgressAlone) {
    const synthetic::Scene scene(synthetic::sphere300(), {synthetic::View{0, 0}, synthetic::View{90, 0}}, 2.0, true);
    Carved carved(scene, 5);
    const std::vector<D3DXVECTOR3> before = carved.run.mesh().positions();
    const D3DXVECTOR3 normalBefore = carved.run.mesh().normal(0);
    RecordingProgress progress;
    carved.sharpen(0, &progress);
    const OwnRunControl control(&progress);
    smoothMesh(carved.run.mesh(), 0, carved.run.cellEdge(), control);
    EXPECT_EQ(carved.run.mesh().positions(), before);
    EXPECT_TRUE(normalBefore == carved.run.mesh().normal(0));
    EXPECT_TRUE(progress.steps.empty());
}

TEST(Sharpening, ReportsEveryPassCaptionAndFinishesWithFreshNormals) {
    const synthetic::Scene scene(synthetic::sphere300(), {synthetic::View{0, 0}, synthetic::View{90, 0}}, 2.0, true);
    Carved carved(scene, 5);
    RecordingProgress progress;
    carved.sharpen(31, &progress);
    // Sides every 30th pass, edges on every pass.
    ASSERT_EQ(progress.steps.size(), 2u + 31u);
    EXPECT_EQ(progress.steps[0].first, "Sculpturing - Sharpening mesh create sides - Pass 0");
    EXPECT_FLOAT_EQ(progress.steps[0].second, 40.0f);
    EXPECT_EQ(progress.steps[1].first, "Sculpturing - Sharpening mesh create sides - Pass 30");
    EXPECT_NEAR(progress.steps[1].second, 40.0f + 300.0f / 31.0f, 1e-4);
    EXPECT_EQ(progress.steps[2].first, "Sculpturing - Sharpening mesh create edges - Pass 0");
    EXPECT_FLOAT_EQ(progress.steps[2].second, 50.0f);
    EXPECT_EQ(progress.steps.back().first, "Sculpturing - Sharpening mesh create edges - Pass 30");
    // The moved surface is shaded by its own normals, not the cube faces'.
    int slanted = 0;
    SculptMesh& mesh = carved.run.mesh();
    for (std::uint32_t t = 0; t < mesh.triangleSlots(); ++t) {
        if (!mesh.isTriangle(t)) continue;
        const D3DXVECTOR3 n = mesh.faceNormal(t);
        const float largest = std::max({std::fabs(n.x), std::fabs(n.y), std::fabs(n.z)});
        slanted += largest < 0.99f ? 1 : 0;
        mesh.computeFaceNormal(t);
        EXPECT_TRUE(n == mesh.faceNormal(t));
    }
    EXPECT_GT(slanted, mesh.objectInfo().triangles / 4);
}

TEST(Sharpening, PipelineStagesRunInOrderWithTheirCaptions) {
    const synthetic::Scene scene(synthetic::sphere300(), {synthetic::View{0, 0}, synthetic::View{90, 0}}, 2.0, true);
    SculptSettings settings;
    settings.depth = 5;
    settings.sharpeningPasses = 2;
    settings.smoothingPasses = 1;
    Sculpture run(settings);
    RecordingProgress progress;
    std::vector<Clipping*> clippings = scene.clippings();
    ASSERT_TRUE(run.execute(clippings, progress));
    std::vector<std::string> captions;
    for (const auto& s : progress.steps) captions.push_back(s.first);
    const auto at = [&](const std::string& c) { return std::find(captions.begin(), captions.end(), c) - captions.begin(); };
    EXPECT_LT(at("Sculpturing - Sharpening mesh"), at("Sculpturing - Sharpening mesh create sides - Pass 0"));
    EXPECT_LT(at("Sculpturing - Sharpening mesh create edges - Pass 1"), at("Sculpturing - Smoothing mesh"));
    EXPECT_LT(at("Sculpturing - Smoothing mesh"), at("Sculpturing - Smoothing mesh - Pass 0"));
    EXPECT_LT(at("Sculpturing - Smoothing mesh - Pass 0"), at("Sculpturing - Mesh simplification"));
    EXPECT_FLOAT_EQ(progress.steps[static_cast<std::size_t>(at("Sculpturing - Smoothing mesh - Pass 0"))].second, 60.0f);
}

// The closed surface of a tetrahedron-like double pyramid around the origin,
// small enough for hand checks: an octahedron with corners at +-1.
SculptMesh octahedron() {
    SculptMesh mesh;
    const D3DXVECTOR3 corners[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (const D3DXVECTOR3& c : corners) mesh.addVertex(c);
    const std::uint32_t faces[8][3] = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4}, {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};
    for (const auto& f : faces) {
        // E, F, G face outwards along (G - E) x (F - E).
        mesh.addTriangle(f[0], f[2], f[1]);
    }
    mesh.buildEdges();
    mesh.computeNormalsAndCurvature();
    return mesh;
}

TEST(Smoothing, MovesInPlaceInSlotOrder) {
    const synthetic::Scene scene(synthetic::sphere300(), {synthetic::View{0, 0}, synthetic::View{90, 0}}, 2.0, true);
    Carved carved(scene, 5);
    SculptMesh& mesh = carved.run.mesh();
    // Each vertex in slot order goes to the mean of its neighbours as they
    // are at that moment.
    std::vector<D3DXVECTOR3> expected = mesh.positions();
    const VertexLists neighbours = mesh.neighbourLists();
    for (std::uint32_t v = 0; v < mesh.vertexSlots(); ++v) {
        D3DXVECTOR3 sum(0, 0, 0);
        for (std::uint32_t w : neighbours.of(v)) sum += expected[w] - expected[v];
        expected[v] += sum * (1.0f / static_cast<float>(neighbours.of(v).size()));
    }
    const OwnRunControl control;
    ASSERT_TRUE(smoothMesh(mesh, 1, carved.run.cellEdge(), control));
    expectValid(mesh);
    for (std::uint32_t v = 0; v < mesh.vertexSlots(); ++v) {
        ASSERT_NEAR(mesh.position(v).x, expected[v].x, 1e-3f) << v;
        ASSERT_NEAR(mesh.position(v).y, expected[v].y, 1e-3f) << v;
        ASSERT_NEAR(mesh.position(v).z, expected[v].z, 1e-3f) << v;
    }
}

TEST(Sharpening, DegenerateGeometryGivesNoNaN) {
    // A silhouette of one pixel and a slab one thousandth deep, carved and
    // reshaped through the whole pipeline.
    for (const double slab : {1500.0, 0.001}) {
        const synthetic::Scene dot({synthetic::Capsule{{0, 0, 0}, {0, 0, 0}, 0.9}},
                                   {synthetic::View{0, 0, slab}, synthetic::View{90, 0}}, 2.0, true);
        SculptSettings settings;
        settings.depth = 8;
        settings.sharpeningPasses = 10;
        settings.smoothingPasses = 10;
        Sculpture run(settings);
        SilentProgress quiet;
        std::vector<Clipping*> clippings = dot.clippings();
        run.execute(clippings, quiet);
        expectAllFinite(run.mesh());
        expectValid(run.mesh());
    }
    // A margin far wider than the slab orders the planes backwards.
    const SlabPlanes planes = slabPlanesOf(1.0f, 10.0f);
    EXPECT_LT(planes.farInner2, planes.nearFace);
    EXPECT_FLOAT_EQ(slabMarginOf(5.0f), 12.0f);
}

TEST(Sharpening, NoVertexIsThrownAwayFromItsNeighbours) {
    // Thin parts: a vertex inside a thin leg or tail must not be thrown along
    // the outline onto an anchor far away (the edge step meets an anchor only
    // next to it); it would leave long spikes behind. Whole groups of
    // vertices may travel further together, where the carved cubes stand
    // well off a narrow part of the hull, but never one without its
    // neighbours.
    const synthetic::Scene scene(synthetic::creature(), synthetic::fourViews60(), 2.0, true);
    Carved carved(scene, 8);
    ASSERT_TRUE(carved.sharpen(10));
    const SculptMesh& mesh = carved.run.mesh();
    float longest = 0.0f;
    for (std::uint32_t t = 0; t < mesh.triangleSlots(); ++t) {
        if (!mesh.isTriangle(t)) continue;
        const MeshCreationTriangle& tri = mesh.triangle(t);
        for (int k = 0; k < 3; ++k) {
            const D3DXVECTOR3 edge = mesh.position(tri.corner(k)) - mesh.position(tri.corner((k + 1) % 3));
            longest = std::max(longest, D3DXVec3Length(&edge));
        }
    }
    EXPECT_LE(longest, 5.0f * carved.run.cellEdge());
    expectValid(mesh);
}

TEST(MeshRepair, TakesBackMovesThatFoldOrFlattenTheSurface) {
    // An octahedron with one corner pushed through the opposite side: its
    // triangles cross the others, so the corner goes back part of the way or
    // all of it.
    SculptMesh mesh = octahedron();
    const MeshBeforeStage before = MeshBeforeStage::of(mesh);
    mesh.position(4) = D3DXVECTOR3(0.5f, 0.5f, -1.5f);
    ASSERT_GT(meshchecks::validityOf(mesh, true).selfIntersections, 0);
    RepairReport report;
    const OwnRunControl control;
    ASSERT_TRUE(repairMesh(mesh, before, 1.0f, control, &report));
    expectValid(mesh);
    EXPECT_GT(report.undone, 0);
    EXPECT_GT(mesh.position(4).z, -1.5f);

    // Two vertices moved onto each other along an edge are merged, the
    // triangles that collapsed with them removed.
    SculptMesh merged = octahedron();
    const MeshBeforeStage start = MeshBeforeStage::of(merged);
    merged.position(4) = D3DXVECTOR3(0.0f, 0.6f, 0.6f);
    merged.position(2) = D3DXVECTOR3(0.0f, 0.6f, 0.6f);
    ASSERT_TRUE(repairMesh(merged, start, 1.0f, control, &report));
    expectValid(merged);
    EXPECT_FALSE(report.restored);
    EXPECT_EQ(report.edits, 1);
    EXPECT_EQ(merged.objectInfo().vertices, 5);
    EXPECT_EQ(merged.objectInfo().triangles, 6);
}

// Sharpening with 10 passes against the hull's silhouettes and volume.
void expectHugsTheHull(const synthetic::Scene& scene, int depth, double minIoU, double maxVolumeError) {
    Carved carved(scene, depth);
    const double hull = hullmeasures::hullVolume(scene, carved.run.cellEdge(), 440.0, Reference::Outlines);
    const double iouBefore = hullmeasures::worstSilhouetteIoU(scene, carved.run.mesh(), Reference::Outlines);
    const double volumeBefore = carved.run.mesh().signedVolume();
    ASSERT_TRUE(carved.sharpen(10));
    const double iouAfter = hullmeasures::worstSilhouetteIoU(scene, carved.run.mesh(), Reference::Outlines);
    const double volumeError = carved.run.mesh().signedVolume() / hull - 1.0;
    std::printf("depth %d: worst IoU %.4f -> %.4f, volume %+.2f %% -> %+.2f %% of the hull\n", depth, iouBefore,
                iouAfter, 100.0 * (volumeBefore / hull - 1.0), 100.0 * volumeError);
    EXPECT_GE(iouAfter, minIoU);
    EXPECT_GT(iouAfter, iouBefore);
    EXPECT_LE(std::fabs(volumeError), maxVolumeError);
    expectAllFinite(carved.run.mesh());
    expectValid(carved.run.mesh());
}

// The measures above ask the scene whether pixel centres lie inside the
// traced outlines; those answers must be the border's own, not those of a
// point a fraction of a pixel away, or every figure is biased along the
// whole outline.
TEST(HullMeasures, OutlineAnswersAtPixelCentresAndCornersAreTheBordersOwn) {
    const synthetic::Scene scene(synthetic::creature(), {synthetic::View{0, 0}, synthetic::View{60, 0}}, 2.0, true);
    for (int v = 0; v < 2; ++v) {
        int differing = 0, inside = 0;
        for (int py = 0; py < synthetic::kUsable; ++py) {
            for (int px = 0; px < synthetic::kUsable; ++px) {
                for (const double half : {0.0, 0.5}) {
                    const double x = px + half, y = py + half;
                    const bool own = scene.insideOutlineExactly(v, x, y);
                    differing += own != scene.insideOutline(v, x, y) ? 1 : 0;
                    inside += own ? 1 : 0;
                }
            }
        }
        EXPECT_GT(inside, 10000) << "view " << v;
        EXPECT_EQ(differing, 0) << "view " << v;
    }
}

TEST(SharpeningQuality, SphereFromThreeAxesHugsItsHull) {
    const synthetic::Scene scene(synthetic::sphere(),
                                 {synthetic::View{0, 0}, synthetic::View{90, 0}, synthetic::View{0, 90}}, 2.0, true);
    expectHugsTheHull(scene, 7, 0.99, 0.01);
}

TEST(SharpeningQuality, RingWithPostFromSixViewsHugsItsHull) {
    const synthetic::Scene scene(synthetic::ringWithPost(), synthetic::sixViews(), 2.0, true);
    expectHugsTheHull(scene, 7, 0.98, 0.02);
}

// Thin legs, horns and a tail seen from four pictures 60 degrees apart: the
// clean-up after sharpening must mend crossings without sending the vertices
// back off the silhouettes (taking back whole moves left the worst view at
// 0.948 here).
TEST(SharpeningQuality, CreatureWithThinPartsHugsItsHull) {
    const synthetic::Scene scene(synthetic::creature(), synthetic::fourViews60(), 2.0, true);
    expectHugsTheHull(scene, 9, 0.975, 0.015);
}

}  // namespace
