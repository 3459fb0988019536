// Octree carving: the level tables, classifyCell answers as carving sees
// them, isCellSettled over adding and removing clippings, depth 0 and 7,
// neighbour links and the progress captions of a run.
#include "sculpt/clipping.h"
#include "sculpt/octree_carving.h"
#include "sculpt/sculpture.h"
#include "synthetic_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

using synthetic::Capsule;
using synthetic::View;

// A box -200..200 in z and y swept along x: a block of capsules is awkward,
// so a fat capsule pair is used whose side silhouette is a stadium.
synthetic::Scene singleView(double slab = 1500.0) {
    return synthetic::Scene({Capsule{{0, -150, 0}, {0, 150, 0}, 200.0}}, {View{0, 0, slab}});
}

TEST(LevelTables, HalveFromTheRootCube) {
    const LevelTables tables;
    EXPECT_FLOAT_EQ(tables.edge[0], 2048.0f);
    EXPECT_FLOAT_EQ(tables.edge[7], 16.0f);
    EXPECT_FLOAT_EQ(tables.half[10], 1.0f);
    EXPECT_FLOAT_EQ(tables.quarter[1], 256.0f);
    EXPECT_NEAR(tables.radius[7], 1.2 * std::sqrt(3.0) * 8.0, 1e-4);
}

TEST(ClassifyCell, OutsideInsidePartialAndSlabFaces) {
    const synthetic::Scene scene = singleView(600.0);
    Clipping& clipping = *scene.clippings()[0];
    // Well inside the stadium and the slab (|x| <= 300).
    EXPECT_EQ(clipping.classifyCell(D3DXVECTOR3(0, 0, 0), 20.0f), CellInside);
    // Beside the silhouette.
    EXPECT_EQ(clipping.classifyCell(D3DXVECTOR3(0, 0, 350), 20.0f), CellOutside);
    // On the silhouette's rim.
    EXPECT_EQ(clipping.classifyCell(D3DXVECTOR3(0, 0, 200), 20.0f), CellPartial);
    // Across the slab's near and far faces, and wholly behind the far one.
    EXPECT_EQ(clipping.classifyCell(D3DXVECTOR3(-300, 0, 0), 20.0f), CellPartial);
    EXPECT_EQ(clipping.classifyCell(D3DXVECTOR3(300, 0, 0), 20.0f), CellPartial);
    EXPECT_EQ(clipping.classifyCell(D3DXVECTOR3(340, 0, 0), 20.0f), CellOutside);
}

TEST(IsCellSettled, AddingAndRemovingClippings) {
    synthetic::Scene scene = singleView();
    std::vector<Clipping*> list = scene.clippings();
    list[0]->setCarvingLevel(7, 20.0f);
    EXPECT_TRUE(isCellSettled(list, D3DXVECTOR3(0, 0, 400)));   // outside: removed
    EXPECT_TRUE(isCellSettled(list, D3DXVECTOR3(0, 0, 0)));     // solid: no surface
    EXPECT_FALSE(isCellSettled(list, D3DXVECTOR3(0, 0, 200)));  // on the rim

    // A second picture, along z, that removes a small disc's sweep.
    synthetic::Scene removing({Capsule{{0, 0, 0}, {0, 0, 0}, 60.0}}, {View{90, 0}});
    Clipping* remover = removing.clippings()[0];
    ClippingFlags flags = remover->flags();
    flags.addingvoxels = false;
    remover->setFlags(flags);
    remover->setCarvingLevel(7, 20.0f);
    list.push_back(remover);
    // On the first rim: partial there, but wholly inside the removed disc's
    // sweep, so removed, whichever clipping comes first.
    EXPECT_TRUE(isCellSettled(list, D3DXVECTOR3(0, 0, 200)));
    const std::vector<Clipping*> reversed{remover, list[0]};
    EXPECT_TRUE(isCellSettled(reversed, D3DXVECTOR3(0, 0, 200)));
    // On the first rim and beside the disc: still to be refined.
    EXPECT_FALSE(isCellSettled(list, D3DXVECTOR3(150, 0, 200)));
    // On the disc's rim and solid for the first: the surface of the hole.
    EXPECT_FALSE(isCellSettled(list, D3DXVECTOR3(60, 0, 0)));
}

TEST(Carve, DepthZeroKeepsTheUntestedRoot) {
    const synthetic::Scene scene = singleView();
    OctreeCarver carver;
    carver.carve(0, scene.clippings(), LevelTables());
    ASSERT_NE(carver.finestList(), nullptr);
    EXPECT_EQ(carver.finestList()->next, nullptr);
    EXPECT_EQ(carver.finestList()->centre, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(carver.cellTests(), 0u);
}

TEST(Carve, DepthSevenKeepsOnlyLinkedSurfaceCubes) {
    const synthetic::Scene scene = singleView(600.0);
    const LevelTables tables;
    OctreeCarver carver;
    std::vector<int> levels;
    carver.carve(7, scene.clippings(), tables, [&levels](int level) { levels.push_back(level); });
    EXPECT_EQ(levels, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    ASSERT_EQ(carver.cellsPerLevel().size(), 8u);

    std::set<std::tuple<int, int, int>> cells;
    std::size_t count = 0;
    for (const OctreeNode* n = carver.finestList(); n != nullptr; n = n->next, ++count) {
        // Cube centres of edge 16 lie at 8 + 16k.
        EXPECT_EQ(std::fmod(std::abs(n->centre.x) - 8.0f, 16.0f), 0.0f);
        cells.insert({int(n->centre.x), int(n->centre.y), int(n->centre.z)});
        // Every kept cube is partial: near the stadium's rim or a slab face.
        EXPECT_EQ(scene.clippings()[0]->classifyCell(n->centre, tables.radius[7]), CellPartial);
    }
    EXPECT_EQ(count, carver.finestCount());
    EXPECT_GT(count, 1000u);
    // The neighbour links are exactly the kept face neighbours.
    const int offsets[6][3] = {{0, 0, -16}, {0, 0, 16}, {-16, 0, 0}, {16, 0, 0}, {0, 16, 0}, {0, -16, 0}};
    for (const OctreeNode* n = carver.finestList(); n != nullptr; n = n->next) {
        for (int side = 0; side < 6; ++side) {
            const std::tuple<int, int, int> there{int(n->centre.x) + offsets[side][0],
                                                  int(n->centre.y) + offsets[side][1],
                                                  int(n->centre.z) + offsets[side][2]};
            ASSERT_EQ(n->neighbours[side] != nullptr, cells.count(there) == 1);
            if (n->neighbours[side] != nullptr) {
                EXPECT_EQ(n->neighbours[side]->centre.x, float(std::get<0>(there)));
                EXPECT_EQ(n->neighbours[side]->centre.z, float(std::get<2>(there)));
            }
        }
    }
}

class RecordingProgress : public SculptProgress {
public:
    void step(const std::string& caption, float percent) override { steps.emplace_back(caption, percent); }
    void finished() override { ++finishedCount; }
    std::vector<std::pair<std::string, float>> steps;
    int finishedCount = 0;
};

TEST(Sculpture, CaptionsPlanesAndEmptyRuns) {
    const synthetic::Scene scene = singleView();
    std::vector<Clipping*> clippings = scene.clippings();
    clippings[0]->setImagePlane(0.2f);
    std::vector<float> planesSeen;
    SculptStages stages;
    stages.smooth = [&](SculptMesh&, int passes, const SculptStageContext&) {
        planesSeen.push_back(clippings[0]->placement().imagePlane);
        EXPECT_EQ(passes, 2);
    };
    SculptSettings settings;
    settings.depth = 7;
    settings.smoothingPasses = 2;
    Sculpture run(settings, stages);
    RecordingProgress progress;
    ASSERT_TRUE(run.execute(clippings, progress));
    EXPECT_EQ(planesSeen, std::vector<float>{0.5f});
    EXPECT_FLOAT_EQ(clippings[0]->placement().imagePlane, 0.2f);
    EXPECT_EQ(progress.finishedCount, 1);

    std::vector<std::pair<std::string, float>> expected{{"Sculpture", 0.0f}, {"Sculpturing - Creating Octree", 0.0f}};
    for (int level = 1; level <= 7; ++level) {
        expected.emplace_back("Sculpturing - Creating Octree Depth " + std::to_string(level), 0.0f);
    }
    for (const auto& step : std::vector<std::pair<std::string, float>>{{"Sculpturing - Creating Faces", 15.0f},
                                                                      {"Sculpturing - Sharpening mesh", 35.0f},
                                                                      {"Sculpturing - Smoothing mesh", 50.0f},
                                                                      {"Sculpturing - Mesh simplification", 65.0f},
                                                                      {"Sculpturing - Creating Buffers", 85.0f},
                                                                      {"Create mesh", 90.0f},
                                                                      {"Sculpturing - Creating Bounding Volume", 95.0f}}) {
        expected.push_back(step);
    }
    EXPECT_EQ(progress.steps, expected);
    EXPECT_EQ(static_cast<int>(run.fillData().size()), run.objectInfo().triangles);

    // Nothing carves: no step, no change.
    ClippingFlags flags = clippings[0]->flags();
    flags.enabled = false;
    clippings[0]->setFlags(flags);
    Sculpture idle(settings);
    RecordingProgress none;
    EXPECT_FALSE(idle.execute(clippings, none));
    EXPECT_TRUE(none.steps.empty());
    EXPECT_FALSE(idle.execute(std::vector<Clipping*>{nullptr}, none));
}

TEST(Sculpture, ClampsTheDepthIntoTheTables) {
    SculptSettings settings;
    settings.depth = 400;
    EXPECT_EQ(Sculpture(settings).depth(), Sculpture::kMaxDepth);
    settings.depth = -3;
    EXPECT_EQ(Sculpture(settings).depth(), 0);
}

}  // namespace
