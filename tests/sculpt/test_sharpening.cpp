// Sharpening and smoothing of the sculpt mesh: what one adding clipping does
// to every vertex, the pass structure and captions, in-place smoothing, sound
// output on degenerate input, and how closely the sharpened mesh hugs the
// visual hull of synthetic objects.
#include "hull_measures.h"
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

struct RecordingProgress : SculptProgress {
    void step(const std::string& caption, float percent) override { steps.emplace_back(caption, percent); }
    std::vector<std::pair<std::string, float>> steps;
};

// Carves `scene` at `depth` without any later stage.
struct Carved {
    Carved(const synthetic::Scene& scene, int depth) : run(settingsOf(depth)) {
        SilentProgress progress;
        const std::vector<Clipping*> clippings = scene.clippings();
        EXPECT_TRUE(run.execute(clippings, progress));
    }
    static SculptSettings settingsOf(int depth) {
        SculptSettings s;
        s.depth = depth;
        return s;
    }
    void sharpen(int passes, SculptProgress* progress = nullptr) {
        sharpenMesh(run.mesh(), passes, run.sculptList(), run.cellRadius(), progress);
    }
    Sculpture run;
};

std::vector<D3DXVECTOR3> positionsOf(const SculptMesh& mesh) {
    std::vector<D3DXVECTOR3> positions;
    for (int i = 0; i < mesh.vertices().count(); ++i) positions.push_back(mesh.vertices()[i]->position);
    return positions;
}

bool finite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

void expectAllFinite(const SculptMesh& mesh) {
    for (int i = 0; i < mesh.vertices().count(); ++i) {
        const SculptVertex* v = mesh.vertices()[i];
        ASSERT_TRUE(finite(v->position) && finite(v->normal) && std::isfinite(v->curvature)) << "vertex " << i;
    }
    for (int i = 0; i < mesh.triangles().count(); ++i) {
        ASSERT_TRUE(finite(mesh.triangles()[i]->normal)) << "triangle " << i;
    }
}

TEST(Sharpening, OneAddingClippingPullsEveryVertexOntoTheSilhouetteAndIntoTheSlab) {
    // A slab only 500 deep: the hull is a disc-shaped cylinder, cut by both faces.
    const synthetic::Scene scene(synthetic::sphere(), {synthetic::View{30, 20, 500.0}}, 2.0, true);
    Carved carved(scene, 6);
    const Clipping& clipping = *carved.run.sculptList().front();
    const Border& border = *clipping.entry().border;
    const float half = clipping.projection().halfDepth();
    auto offenders = [&](float tolerance) {
        int count = 0;
        const SculptMesh& mesh = carved.run.mesh();
        for (int i = 0; i < mesh.vertices().count(); ++i) {
            const std::optional<ClipPoint> p = clipping.projectPoint(mesh.vertices()[i]->position);
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
    carved.sharpen(1);
    EXPECT_EQ(offenders(0.01f), 0);
    expectAllFinite(carved.run.mesh());
}

TEST(Sharpening, ZeroPassesLeaveTheMeshAndTheProgressAlone) {
    const synthetic::Scene scene(synthetic::sphere300(), {synthetic::View{0, 0}, synthetic::View{90, 0}}, 2.0, true);
    Carved carved(scene, 5);
    const std::vector<D3DXVECTOR3> before = positionsOf(carved.run.mesh());
    const D3DXVECTOR3 normalBefore = carved.run.mesh().vertices()[0]->normal;
    RecordingProgress progress;
    carved.sharpen(0, &progress);
    smoothMesh(carved.run.mesh(), 0, &progress);
    const std::vector<D3DXVECTOR3> after = positionsOf(carved.run.mesh());
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_TRUE(before[i] == after[i]) << "vertex " << i;
    }
    EXPECT_TRUE(normalBefore == carved.run.mesh().vertices()[0]->normal);
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
    const SculptMesh& mesh = carved.run.mesh();
    for (int i = 0; i < mesh.triangles().count(); ++i) {
        const D3DXVECTOR3& n = mesh.triangles()[i]->normal;
        const float largest = std::max({std::fabs(n.x), std::fabs(n.y), std::fabs(n.z)});
        slanted += largest < 0.99f ? 1 : 0;
        SculptMesh::computeFaceNormal(*mesh.triangles()[i]);
        EXPECT_TRUE(n == mesh.triangles()[i]->normal);
    }
    EXPECT_GT(slanted, mesh.triangles().count() / 4);
}

TEST(Sharpening, PipelineStagesRunInOrderWithTheirCaptions) {
    const synthetic::Scene scene(synthetic::sphere300(), {synthetic::View{0, 0}, synthetic::View{90, 0}}, 2.0, true);
    SculptSettings settings;
    settings.depth = 5;
    settings.sharpeningPasses = 2;
    settings.smoothingPasses = 1;
    Sculpture run(settings, SculptStages{sharpenStage, smoothStage, {}});
    RecordingProgress progress;
    const std::vector<Clipping*> clippings = scene.clippings();
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

// A unit square E F G H in the plane z = 0 as one quad: edges EG, EF, FH, FG, GH.
struct Square {
    Square() {
        e = mesh.makeVertex(D3DXVECTOR3(0, 0, 0));
        f = mesh.makeVertex(D3DXVECTOR3(1, 0, 0));
        g = mesh.makeVertex(D3DXVECTOR3(0, 1, 0));
        h = mesh.makeVertex(D3DXVECTOR3(1, 1, 0));
        mesh.addQuad(e, f, g, h);
    }
    SculptMesh mesh;
    SculptVertex *e, *f, *g, *h;
};

TEST(Smoothing, MovesInPlaceInArrayOrderAndStaysInThePlane) {
    Square s;
    smoothMesh(s.mesh, 1, nullptr);
    // E takes the mean of G and F; F already sees the moved E, G sees E and F.
    EXPECT_NEAR(s.e->position.x, 0.5f, 1e-6);
    EXPECT_NEAR(s.e->position.y, 0.5f, 1e-6);
    EXPECT_NEAR(s.f->position.x, 0.5f, 1e-6);
    EXPECT_NEAR(s.f->position.y, 2.5f / 3.0f, 1e-6);
    EXPECT_NEAR(s.g->position.x, 2.0f / 3.0f, 1e-6);
    EXPECT_NEAR(s.g->position.y, 7.0f / 9.0f, 1e-6);
    EXPECT_NEAR(s.h->position.x, (0.5f + 2.0f / 3.0f) / 2.0f, 1e-6);
    for (SculptVertex* v : {s.e, s.f, s.g, s.h}) EXPECT_EQ(v->position.z, 0.0f);
}

// Appends a vertex joined to E when pass 0 is reported.
struct AppendingProgress : SculptProgress {
    explicit AppendingProgress(Square& square) : square(square) {}
    void step(const std::string& caption, float) override {
        if (caption != "Sculpturing - Smoothing mesh - Pass 0") return;
        added = square.mesh.makeVertex(D3DXVECTOR3(5, 5, 5));
        added->index = square.mesh.vertices().append(added);
        square.mesh.connect(added, square.e);
    }
    Square& square;
    SculptVertex* added = nullptr;
};

TEST(Smoothing, TakesTheVertexCountOnceBeforeTheFirstPass) {
    Square s;
    AppendingProgress progress(s);
    smoothMesh(s.mesh, 3, &progress);
    ASSERT_NE(progress.added, nullptr);
    EXPECT_TRUE(progress.added->position == D3DXVECTOR3(5, 5, 5));
    // E did see the added neighbour.
    EXPECT_GT(s.e->position.z, 0.0f);
}

TEST(Sharpening, DegenerateGeometryGivesNoNaN) {
    // Coincident corners (zero-length edges) sharpened and smoothed against a
    // real silhouette.
    const synthetic::Scene scene(synthetic::sphere(), {synthetic::View{0, 0}}, 2.0, true);
    const std::vector<Clipping*> list = Sculpture::buildSculptList(scene.clippings());
    SculptMesh collapsed;
    const D3DXVECTOR3 point(900, 10, 10);
    collapsed.addQuad(collapsed.makeVertex(point), collapsed.makeVertex(point), collapsed.makeVertex(point),
                      collapsed.makeVertex(point));
    sharpenMesh(collapsed, 5, list, 4.0f, nullptr);
    smoothMesh(collapsed, 5, nullptr);
    expectAllFinite(collapsed);

    // A silhouette of one pixel and a slab one thousandth deep, carved and
    // reshaped through the whole pipeline.
    for (const double slab : {1500.0, 0.001}) {
        const synthetic::Scene dot({synthetic::Capsule{{0, 0, 0}, {0, 0, 0}, 0.9}},
                                   {synthetic::View{0, 0, slab}, synthetic::View{90, 0}}, 2.0, true);
        SculptSettings settings;
        settings.depth = 8;
        settings.sharpeningPasses = 10;
        settings.smoothingPasses = 10;
        Sculpture run(settings, SculptStages{sharpenStage, smoothStage, {}});
        SilentProgress quiet;
        const std::vector<Clipping*> clippings = dot.clippings();
        run.execute(clippings, quiet);
        expectAllFinite(run.mesh());
    }
    // A margin far wider than the slab orders the planes backwards.
    const SlabPlanes planes = slabPlanesOf(1.0f, 10.0f);
    EXPECT_LT(planes.farInner2, planes.nearFace);
    EXPECT_FLOAT_EQ(slabMarginOf(5.0f), 12.0f);
}

// Sharpening with 10 passes against the hull's silhouettes and volume.
void expectHugsTheHull(const synthetic::Scene& scene, int depth, double minIoU, double maxVolumeError) {
    Carved carved(scene, depth);
    const double hull = hullmeasures::hullVolume(scene, carved.run.cellEdge(), 440.0);
    const double iouBefore = hullmeasures::worstSilhouetteIoU(scene, carved.run.mesh());
    const double volumeBefore = carved.run.mesh().signedVolume();
    carved.sharpen(10);
    const double iouAfter = hullmeasures::worstSilhouetteIoU(scene, carved.run.mesh());
    const double volumeError = carved.run.mesh().signedVolume() / hull - 1.0;
    std::printf("depth %d: worst IoU %.4f -> %.4f, volume %+.2f %% -> %+.2f %% of the hull\n", depth, iouBefore,
                iouAfter, 100.0 * (volumeBefore / hull - 1.0), 100.0 * volumeError);
    EXPECT_GE(iouAfter, minIoU);
    EXPECT_GT(iouAfter, iouBefore);
    EXPECT_LE(std::fabs(volumeError), maxVolumeError);
    expectAllFinite(carved.run.mesh());
}

TEST(SharpeningQuality, SphereFromThreeAxesHugsItsHull) {
    const synthetic::Scene scene(synthetic::sphere(),
                                 {synthetic::View{0, 0}, synthetic::View{90, 0}, synthetic::View{0, 90}}, 2.0, true);
    expectHugsTheHull(scene, 7, 0.97, 0.04);
}

TEST(SharpeningQuality, RingWithPostFromSixViewsHugsItsHull) {
    const synthetic::Scene scene(synthetic::ringWithPost(), synthetic::sixViews(), 2.0, true);
    expectHugsTheHull(scene, 7, 0.97, 0.04);
}

}  // namespace
