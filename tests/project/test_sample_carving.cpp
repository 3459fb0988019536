// The sample project carved by the counting cube test and skipping of cubes
// seen inside from their parents keeps exactly the cubes the walk over the
// silhouette cells keeps, cube by cube.
#include "../sculpt/carve_cell_by_cell.h"
#include "project/clipping_elements.h"
#include "project/project_file.h"
#include "sculpt/octree_carving.h"
#include "sculpt/sculpt_scene.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Settled by the rule: every clipping asked through the cell walk.
bool settledByTheWalk(std::span<const SculptClipping* const> list, const D3DXVECTOR3& centre, float radius) {
    bool settled = true;
    for (const SculptClipping* clipping : list) {
        const int answer = clipping->projection().classifyCellByWalk(centre, radius, clipping->grid());
        const bool adding = clipping->flags().addingvoxels;
        if ((adding && answer == CellOutside) || (!adding && answer == CellInside)) return true;
        if (answer == CellPartial) settled = false;
    }
    return settled;
}

TEST(SampleCarving, CountsAndSkippedCubesKeepWhatTheCellWalkKeeps) {
    ImageList images;
    ClippingTable clippings(images);
    ProjectSettings settings;
    StatusSink quiet;
    const std::string path = testsupport::appDir() + "/data/sample/sample.qz";
    ASSERT_TRUE(loadProject(String(path.c_str()), images, settings, quiet, &clippings).opened) << path;
    std::vector<Clipping*> list;
    for (int slot = 0; slot < clippings.slotCount(); ++slot) list.push_back(clippings.clipping(slot));
    const SculptScene scene = SculptScene::capture(list, SculptScene::Pictures::No);
    const std::vector<SculptClipping*> carving = scene.sculptList();
    const std::vector<const SculptClipping*> constCarving(carving.begin(), carving.end());
    ASSERT_GE(constCarving.size(), 4u);

    const LevelTables tables;
    OctreeCarver carver;
    const OwnRunControl control(nullptr, 2);
    ASSERT_TRUE(carver.carve(7, constCarving, tables, control));
    const std::vector<CellKey> walked = carveCellByCell(constCarving, 7, tables, settledByTheWalk);
    EXPECT_GT(walked.size(), 1000u);
    EXPECT_EQ(carver.finestCells(), walked);

    // Cubes of every level anywhere around the object.
    std::mt19937 random(77);
    std::uniform_real_distribution<float> coordinate(-600.0f, 600.0f);
    std::uniform_int_distribution<int> level(2, 11);
    for (const SculptClipping* clipping : constCarving) {
        for (int i = 0; i < 3000; ++i) {
            const D3DXVECTOR3 centre(coordinate(random), coordinate(random), coordinate(random));
            const float radius = tables.radius[level(random)];
            ASSERT_EQ(clipping->classifyCell(centre, radius),
                      clipping->projection().classifyCellByWalk(centre, radius, clipping->grid()))
                << "clipping " << clipping->workspaceIndex() << " cube at " << centre.x << " " << centre.y << " "
                << centre.z << " radius " << radius;
        }
    }
}

}  // namespace
