// Octree carving: the level tables and cell keys, classifyCell's counting
// shortcut against the cell walk it stands for, isCellSettled over adding and
// removing clippings, depth 0 and 7, results that do not depend on the number
// of threads, and the captions and picture planes of a run.
#include "carve_cell_by_cell.h"
#include "sculpt/clipping.h"
#include "sculpt/octree_carving.h"
#include "sculpt/row_order.h"
#include "sculpt/sculpt_scene.h"
#include "sculpt/sculpture.h"
#include "synthetic_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using synthetic::Capsule;
using synthetic::View;

// A stadium seen from the side, swept along x.
synthetic::Scene singleView(double slab = 1500.0) {
    return synthetic::Scene({Capsule{{0, -150, 0}, {0, 150, 0}, 200.0}}, {View{0, 0, slab}});
}

std::vector<const SculptClipping*> constList(const SculptScene& scene) {
    const std::vector<SculptClipping*> list = scene.sculptList();
    return {list.begin(), list.end()};
}

TEST(LevelTables, HalveFromTheRootCube) {
    const LevelTables tables;
    EXPECT_FLOAT_EQ(tables.edge[0], 2048.0f);
    EXPECT_FLOAT_EQ(tables.edge[7], 16.0f);
    EXPECT_FLOAT_EQ(tables.half[10], 1.0f);
    EXPECT_FLOAT_EQ(tables.quarter[1], 256.0f);
    EXPECT_NEAR(tables.radius[7], 1.2 * std::sqrt(3.0) * 8.0, 1e-4);
}

TEST(CellKeys, RoundTripAndChildrenFollowTheirParent) {
    const std::uint32_t positions[][3] = {{0, 0, 0}, {1, 2, 3}, {4095, 17, 2048}, {(1u << 20) - 1, 5, (1u << 20) - 1}};
    for (const auto& p : positions) {
        std::uint32_t x = 0, y = 0, z = 0;
        cellPosition(cellKeyOf(p[0], p[1], p[2]), x, y, z);
        EXPECT_EQ(x, p[0]);
        EXPECT_EQ(y, p[1]);
        EXPECT_EQ(z, p[2]);
    }
    // The eight children of a cube come right after each other, after every
    // child of a smaller key.
    const CellKey parent = cellKeyOf(3, 5, 6);
    const CellKey before = cellKeyOf(3, 5, 5);
    for (std::uint32_t bits = 0; bits < 8; ++bits) {
        EXPECT_EQ(cellKeyOf(6 + (bits >> 2), 10 + ((bits >> 1) & 1), 12 + (bits & 1)), (parent << 3) | bits);
        EXPECT_GT((parent << 3) | bits, (before << 3) | 7u);
    }
    // The centre is the sum of the quarter steps from the root.
    const LevelTables tables;
    D3DXVECTOR3 walked(0, 0, 0);
    std::uint32_t x = 0, y = 0, z = 0;
    for (int level = 0; level < 9; ++level) {
        const std::uint32_t bx = (0x15Au >> level) & 1u, by = (0x0F3u >> level) & 1u, bz = (0x1C7u >> level) & 1u;
        walked += D3DXVECTOR3(bx ? 1.0f : -1.0f, by ? 1.0f : -1.0f, bz ? 1.0f : -1.0f) * tables.quarter[level];
        x = 2 * x + bx;
        y = 2 * y + by;
        z = 2 * z + bz;
    }
    EXPECT_EQ(cellCentre(x, y, z, 9, tables), walked);
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

// The counting shortcut must answer exactly as the walk over the cells, for
// cubes of every level anywhere, through every kind of placement.
void expectCountsAnswerAsTheWalk(const Clipping& clipping, std::mt19937& random, int cubes) {
    const LevelTables tables;
    std::uniform_real_distribution<float> coordinate(-700.0f, 700.0f);
    std::uniform_int_distribution<int> level(1, 12);
    int partial = 0, inside = 0, outside = 0;
    for (int i = 0; i < cubes; ++i) {
        const D3DXVECTOR3 centre(coordinate(random), coordinate(random), coordinate(random));
        const float radius = tables.radius[level(random)];
        const int fast = clipping.projection().classifyCell(centre, radius, clipping.grid());
        const int walked = clipping.projection().classifyCellByWalk(centre, radius, clipping.grid());
        ASSERT_EQ(fast, walked) << "cube at " << centre.x << " " << centre.y << " " << centre.z << " radius " << radius;
        partial += fast == CellPartial;
        inside += fast == CellInside;
        outside += fast == CellOutside;
    }
    // The cubes met every answer.
    EXPECT_GT(partial, 0);
    EXPECT_GT(inside, 0);
    EXPECT_GT(outside, 0);
}

TEST(ClassifyCell, CountsAnswerAsTheCellWalkOnTheRingAndRandomPlacements) {
    std::mt19937 random(1234);
    const synthetic::Scene ring(synthetic::ringWithPost(), synthetic::sixViews(), 2.0, true);
    for (Clipping* clipping : ring.clippings()) expectCountsAnswerAsTheWalk(*clipping, random, 4000);
    // Random placements: turned, tilted, scaled unevenly, moved, shallow
    // slabs, with and without a field of view.
    std::uniform_real_distribution<float> angle(-180.0f, 180.0f);
    std::uniform_real_distribution<float> scale(0.5f, 4.0f);
    std::uniform_real_distribution<float> shift(-200.0f, 200.0f);
    const synthetic::Scene creature(synthetic::creature(), synthetic::fourViews60(), 2.0, true);
    for (int n = 0; n < 12; ++n) {
        Clipping& clipping = *creature.clippings()[static_cast<std::size_t>(n % 4)];
        ClippingPlacement placement = clipping.placement();
        placement.angle = angle(random);
        placement.angleheight = angle(random) / 2.0f;
        placement.angleimage = angle(random);
        placement.scaling = D3DXVECTOR3(100.0f * scale(random) * scale(random), scale(random), scale(random));
        placement.translation = D3DXVECTOR3(shift(random), shift(random), shift(random));
        placement.fovSet = n % 3 == 0;
        placement.fovX = scale(random) / 2.0f;
        placement.fovY = scale(random) / 2.0f;
        clipping.setPlacement(placement);
        expectCountsAnswerAsTheWalk(clipping, random, 3000);
    }
}

TEST(IsCellSettled, AddingAndRemovingClippings) {
    synthetic::Scene adding = singleView();
    synthetic::Scene removing({Capsule{{0, 0, 0}, {0, 0, 0}, 60.0}}, {View{90, 0}});
    Clipping* remover = removing.clippings()[0];
    ClippingFlags flags = remover->flags();
    flags.addingvoxels = false;
    remover->setFlags(flags);

    std::vector<Clipping*> one = adding.clippings();
    const SculptScene alone = SculptScene::capture(one, SculptScene::Pictures::No);
    const std::vector<const SculptClipping*> list = constList(alone);
    EXPECT_TRUE(isCellSettled(list, D3DXVECTOR3(0, 0, 400), 20.0f));   // outside: removed
    EXPECT_TRUE(isCellSettled(list, D3DXVECTOR3(0, 0, 0), 20.0f));     // solid: no surface
    EXPECT_FALSE(isCellSettled(list, D3DXVECTOR3(0, 0, 200), 20.0f));  // on the rim

    std::vector<Clipping*> both{one[0], remover};
    const SculptScene two = SculptScene::capture(both, SculptScene::Pictures::No);
    const std::vector<const SculptClipping*> withRemover = constList(two);
    ASSERT_EQ(withRemover.size(), 2u);
    // On the first rim: partial there, but wholly inside the removed disc's
    // sweep, so removed, whichever clipping comes first.
    EXPECT_TRUE(isCellSettled(withRemover, D3DXVECTOR3(0, 0, 200), 20.0f));
    const std::vector<const SculptClipping*> reversed{withRemover[1], withRemover[0]};
    EXPECT_TRUE(isCellSettled(reversed, D3DXVECTOR3(0, 0, 200), 20.0f));
    // On the first rim and beside the disc: still to be refined.
    EXPECT_FALSE(isCellSettled(withRemover, D3DXVECTOR3(150, 0, 200), 20.0f));
    // On the disc's rim and solid for the first: the surface of the hole.
    EXPECT_FALSE(isCellSettled(withRemover, D3DXVECTOR3(60, 0, 0), 20.0f));
}

TEST(Carve, DepthZeroKeepsTheUntestedRoot) {
    const synthetic::Scene scene = singleView();
    std::vector<Clipping*> clippings = scene.clippings();
    const SculptScene captured = SculptScene::capture(clippings, SculptScene::Pictures::No);
    OctreeCarver carver;
    const OwnRunControl control;
    ASSERT_TRUE(carver.carve(0, constList(captured), LevelTables(), control));
    EXPECT_EQ(carver.finestCells(), std::vector<CellKey>{0});
    EXPECT_EQ(carver.cellTests(), 0u);
}

TEST(Carve, DepthSevenKeepsPartialCubesInKeyOrderWhateverTheThreads) {
    const synthetic::Scene scene = singleView(600.0);
    std::vector<Clipping*> clippings = scene.clippings();
    const SculptScene captured = SculptScene::capture(clippings, SculptScene::Pictures::No);
    const LevelTables tables;
    OctreeCarver carver;
    std::vector<int> levels;
    const OwnRunControl single(nullptr, 1);
    ASSERT_TRUE(carver.carve(7, constList(captured), tables, single, [&levels](int level) { levels.push_back(level); }));
    EXPECT_EQ(levels, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    ASSERT_EQ(carver.cellsPerLevel().size(), 8u);
    const std::vector<CellKey> cells = carver.finestCells();
    EXPECT_GT(cells.size(), 1000u);
    EXPECT_TRUE(std::is_sorted(cells.begin(), cells.end()));
    for (CellKey key : cells) {
        std::uint32_t x = 0, y = 0, z = 0;
        cellPosition(key, x, y, z);
        // Every kept cube is partial: near the stadium's rim or a slab face.
        EXPECT_EQ(clippings[0]->classifyCell(cellCentre(x, y, z, 7, tables), tables.radius[7]), CellPartial);
    }
    for (int threads : {2, 3, 5}) {
        OctreeCarver again;
        const OwnRunControl several(nullptr, threads);
        ASSERT_TRUE(again.carve(7, constList(captured), tables, several));
        EXPECT_EQ(again.finestCells(), cells) << threads << " threads";
        EXPECT_EQ(again.cellsPerLevel(), carver.cellsPerLevel());
    }
}

// A wide field of view for the picture: its cubes are always asked, never
// marked as seen inside.
void giveAFieldOfView(Clipping& clipping) {
    ClippingPlacement wide = clipping.placement();
    wide.fovSet = true;
    wide.fovX = 4.0f;
    wide.fovY = 0.4f;
    clipping.setPlacement(wide);
}

TEST(Carve, SkippingCubesSeenInsideFromTheirParentKeepsExactlyWhatTheRuleKeeps) {
    // The ring, and the creature with one picture given a field of view (whose
    // cubes are always asked) and another turned and tilted.
    const synthetic::Scene ring(synthetic::ringWithPost(), synthetic::sixViews(), 2.0, true);
    const synthetic::Scene creature(synthetic::creature(), synthetic::fourViews60(), 2.0, true);
    giveAFieldOfView(*creature.clippings()[1]);
    ClippingPlacement tilted = creature.clippings()[2]->placement();
    tilted.angleheight = 17.0f;
    tilted.angleimage = 8.0f;
    creature.clippings()[2]->setPlacement(tilted);
    for (const synthetic::Scene* scene : {&ring, &creature}) {
        std::vector<Clipping*> clippings = scene->clippings();
        const SculptScene captured = SculptScene::capture(clippings, SculptScene::Pictures::No);
        OctreeCarver carver;
        const OwnRunControl control;
        ASSERT_TRUE(carver.carve(7, constList(captured), LevelTables(), control));
        EXPECT_EQ(carver.finestCells(), carveCellByCell(constList(captured), 7, LevelTables{}, isCellSettled));
    }
}

TEST(Carve, TheFinestLevelInRowsHoldsTheSameCubesAndMarksInRowOrder) {
    // The ring and the creature (one picture with a field of view, whose
    // cubes get no inside marks) at the shallowest depths and at 7, on one
    // thread and on several: carving in rows keeps what carving in keys
    // keeps, each cube with its marks, in row order.
    const synthetic::Scene ring(synthetic::ringWithPost(), synthetic::sixViews(), 2.0, true);
    const synthetic::Scene creature(synthetic::creature(), synthetic::fourViews60(), 2.0, true);
    giveAFieldOfView(*creature.clippings()[1]);
    for (const synthetic::Scene* scene : {&ring, &creature}) {
        std::vector<Clipping*> clippings = scene->clippings();
        const SculptScene captured = SculptScene::capture(clippings, SculptScene::Pictures::No);
        for (int depth : {0, 1, 2, 7}) {
            OctreeCarver keys;
            ASSERT_TRUE(keys.carve(depth, constList(captured), LevelTables(), OwnRunControl(nullptr, 1)));
            EXPECT_FALSE(keys.finestInRows());
            std::vector<std::pair<std::uint64_t, std::uint64_t>> expected;
            for (std::size_t i = 0; i < keys.finestCount(); ++i) {
                std::uint32_t x = 0, y = 0, z = 0;
                cellPosition(keys.finestCells()[i], x, y, z);
                expected.emplace_back(rowKeyOf(x, y, z, depth), keys.finestInsideMarks()[i]);
            }
            std::sort(expected.begin(), expected.end());
            for (int threads : {1, 2, 3}) {
                SCOPED_TRACE(testing::Message() << "depth " << depth << ", " << threads << " threads");
                OctreeCarver rows;
                ASSERT_TRUE(rows.carve(depth, constList(captured), LevelTables(), OwnRunControl(nullptr, threads), {},
                                       FinestOrder::Rows));
                EXPECT_TRUE(rows.finestInRows());
                std::vector<std::pair<std::uint64_t, std::uint64_t>> found;
                for (std::size_t i = 0; i < rows.finestCount(); ++i) {
                    found.emplace_back(rows.finestCells()[i], rows.finestInsideMarks()[i]);
                }
                EXPECT_EQ(found, expected);
                EXPECT_EQ(rows.cellsPerLevel(), keys.cellsPerLevel());
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
    SculptSettings settings;
    settings.depth = 7;
    settings.smoothingPasses = 2;
    settings.makeFillData = true;
    Sculpture run(settings);
    RecordingProgress progress;
    ASSERT_TRUE(run.prepare(clippings));
    // The run sees the picture plane in the middle of the slab; the clipping
    // keeps its own, with the run's `depth` bookkeeping.
    ClippingPlacement middle = clippings[0]->placement();
    middle.imagePlane = 0.5f;
    ClippingProjection expected;
    ASSERT_TRUE(expected.prepare(middle, PictureFrame{512, 512, {255, 255}, {255, 255}}, clippings[0]->grid().boundingBox()));
    EXPECT_EQ(run.sculptList()[0]->projection().viewingDirection(), expected.viewingDirection());
    EXPECT_FLOAT_EQ(clippings[0]->placement().imagePlane, 0.2f);
    EXPECT_FLOAT_EQ(clippings[0]->depth(), 0.2f);
    ASSERT_EQ(run.run(progress), RunOutcome::Finished);
    EXPECT_EQ(progress.finishedCount, 1);

    std::vector<std::pair<std::string, float>> captions{{"Sculpture", 0.0f}, {"Sculpturing - Creating Octree", 0.0f}};
    for (int level = 1; level <= 7; ++level) {
        captions.emplace_back("Sculpturing - Creating Octree Depth " + std::to_string(level), 0.0f);
    }
    for (const auto& step : std::vector<std::pair<std::string, float>>{
             {"Sculpturing - Creating Faces", 15.0f},
             {"Sculpturing - Sharpening mesh", 35.0f},
             {"Sculpturing - Smoothing mesh", 50.0f},
             {"Sculpturing - Smoothing mesh - Pass 0", 60.0f},
             {"Sculpturing - Mesh simplification", 65.0f},
             {"Sculpturing - Simplification - Initialisation", 65.0f},
             {"Sculpturing - Creating Buffers", 85.0f},
             {"Create mesh", 90.0f},
             {"Sculpturing - Creating Bounding Volume", 95.0f}}) {
        captions.push_back(step);
    }
    EXPECT_EQ(progress.steps, captions);
    EXPECT_EQ(static_cast<int>(run.fillData().size()), run.objectInfo().triangles);
    // A run is made once.
    EXPECT_EQ(run.run(progress), RunOutcome::NothingToSculpt);

    // Nothing carves: no step, no change.
    ClippingFlags flags = clippings[0]->flags();
    flags.enabled = false;
    clippings[0]->setFlags(flags);
    Sculpture idle(settings);
    RecordingProgress none;
    EXPECT_FALSE(idle.execute(clippings, none));
    EXPECT_TRUE(none.steps.empty());
    EXPECT_FALSE(idle.execute(std::vector<Clipping*>{nullptr}, none));
    EXPECT_EQ(idle.run(none), RunOutcome::NothingToSculpt);
}

TEST(Sculpture, ClampsTheDepthIntoTheTables) {
    SculptSettings settings;
    settings.depth = 400;
    EXPECT_EQ(Sculpture(settings).depth(), Sculpture::kMaxDepth);
    settings.depth = -3;
    EXPECT_EQ(Sculpture(settings).depth(), 0);
}

}  // namespace
