#include "image/border.h"
#include "image/image.h"
#include "image/image_entry.h"
#include "sculpt/clipping.h"
#include "sculpt/silhouette_grid.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const Rgb kSet{255, 255, 255};

// A 512 square mask with the given margins and the pixels x0..x1, y0..y1
// (inclusive) set.
Image rectangleMask(int x0, int y0, int x1, int y1, int marginRight = 0, int marginBottom = 0) {
    Image mask(512, 512);
    mask.marginRight = marginRight;
    mask.marginBottom = marginBottom;
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            mask.setPixel(x, y, kSet);
        }
    }
    return mask;
}

int countCells(const SilhouetteGrid& grid, int value) {
    int n = 0;
    for (int i = 0; i < SilhouetteGrid::kSide; ++i) {
        for (int j = 0; j < SilhouetteGrid::kSide; ++j) {
            n += grid.cell(i, j) == value ? 1 : 0;
        }
    }
    return n;
}

}  // namespace

// Pixels 100..109 by 200..204 without margins: W' = H' = 510, so the cells
// are 401..410 by 306..310; 50 cells, the 8 by 3 core inside, the ring rim.
TEST(SilhouetteGrid, RectangleTurnsByHalfATurnWithRimAndBox) {
    SilhouetteGrid grid;
    grid.build(rectangleMask(100, 200, 109, 204), {});

    EXPECT_TRUE(grid.hasSilhouette());
    EXPECT_EQ(grid.count(), 50);
    EXPECT_EQ(countCells(grid, GridInside), 24);
    EXPECT_EQ(countCells(grid, GridBorder), 26);
    EXPECT_EQ(grid.cell(410, 310), GridBorder);  // pixel (100, 200)
    EXPECT_EQ(grid.cell(401, 306), GridBorder);  // pixel (109, 204)
    EXPECT_EQ(grid.cell(409, 309), GridInside);  // pixel (101, 201)
    EXPECT_EQ(grid.cell(402, 307), GridInside);  // pixel (108, 203)
    EXPECT_EQ(grid.cell(411, 308), GridOutside);
    EXPECT_EQ(grid.cell(100, 200), GridOutside);  // not the unturned pixel

    const GridBox& box = grid.boundingBox();
    EXPECT_FLOAT_EQ(box.minI, 400.0f);
    EXPECT_FLOAT_EQ(box.minJ, 305.0f);
    EXPECT_FLOAT_EQ(box.maxI, 411.0f);
    EXPECT_FLOAT_EQ(box.maxJ, 311.0f);
}

// Margins shorten the turned range: with marginRight 112 and marginBottom 12,
// W' = 398 and H' = 498, so pixel (100, 200) is cell (298, 298); a pixel at
// x = 0 lands on the clamped box edge.
TEST(SilhouetteGrid, MarginsShiftTheCellsAndClampTheBox) {
    SilhouetteGrid grid;
    grid.build(rectangleMask(0, 200, 2, 202, 112, 12), {});
    EXPECT_EQ(grid.extentI(), 398);
    EXPECT_EQ(grid.extentJ(), 498);
    EXPECT_EQ(grid.cell(398, 298), GridBorder);  // pixel (0, 200)
    EXPECT_EQ(grid.cell(397, 297), GridInside);  // pixel (1, 201)
    EXPECT_FLOAT_EQ(grid.boundingBox().maxI, 398.0f);
    EXPECT_FLOAT_EQ(grid.boundingBox().minI, 395.0f);

    // Pixels in the margin (x >= W') are not part of the silhouette.
    SilhouetteGrid margins;
    margins.build(rectangleMask(398, 10, 420, 20, 112, 12), {});
    EXPECT_FALSE(margins.hasSilhouette());
}

TEST(SilhouetteGrid, EmptyInvalidAndOddMasksGiveSafeGrids) {
    SilhouetteGrid grid;
    grid.build(Image(512, 512), {});
    EXPECT_FALSE(grid.hasSilhouette());
    EXPECT_TRUE(grid.boundingBox().isEmpty());

    grid.build(rectangleMask(10, 10, 20, 20), {});
    ASSERT_TRUE(grid.hasSilhouette());
    grid.build(Image(), {});
    EXPECT_FALSE(grid.hasSilhouette());
    EXPECT_EQ(grid.cell(505, 505), GridOutside);  // the earlier build is gone

    // A negative margin would turn pixels past the grid's last cell.
    grid.build(rectangleMask(0, 0, 5, 5, -300, -300), {});
    EXPECT_EQ(grid.extentI(), 510);
    EXPECT_EQ(grid.cell(510, 510), GridBorder);
    grid.build(rectangleMask(0, 0, 5, 5, 600, 0), {});
    EXPECT_FALSE(grid.hasSilhouette());
    EXPECT_EQ(grid.cell(-1, 3), GridOutside);
    EXPECT_EQ(grid.cell(513, 3), GridOutside);
}

TEST(SilhouetteGrid, AnyNonZeroByteSetsAMaskPixel) {
    Image mask(512, 512);
    mask.setPixel(50, 60, Rgb{0, 7, 0});
    SilhouetteGrid grid;
    grid.build(mask, {});
    EXPECT_EQ(grid.count(), 1);
    EXPECT_EQ(grid.cell(460, 450), GridBorder);
}

// Without margins pixel (10, 20) is cell (500, 490), which covers the outline
// square [501, 502] x [491, 492]. An outline that holds only the point
// (502, 492) therefore adds the four cells sharing that corner, all rim.
TEST(SilhouetteGrid, UnsetCellsInsideTheOutlineAreAskedAtTheirCorners) {
    const OutlineInsideTest outline = [](float x, float y) { return x == 502.0f && y == 492.0f; };
    SilhouetteGrid grid;
    grid.build(Image(512, 512), outline);

    EXPECT_EQ(grid.count(), 4);
    EXPECT_EQ(grid.cell(500, 490), GridBorder);
    EXPECT_EQ(grid.cell(501, 490), GridBorder);
    EXPECT_EQ(grid.cell(500, 491), GridBorder);
    EXPECT_EQ(grid.cell(501, 491), GridBorder);
    EXPECT_EQ(grid.cell(499, 490), GridOutside);
    EXPECT_FLOAT_EQ(grid.boundingBox().minI, 499.0f);
    EXPECT_FLOAT_EQ(grid.boundingBox().maxJ, 492.0f);

    // Only unset pixels are asked about, four corners each: 510 * 510 - 1.
    int calls = 0;
    Image mask(512, 512);
    mask.setPixel(10, 20, kSet);
    grid.build(mask, [&calls](float, float) {
        ++calls;
        return false;
    });
    EXPECT_EQ(calls, 4 * (510 * 510 - 1));
    EXPECT_EQ(grid.count(), 1);
}

// With the real border of the image: a rectangle with a one-pixel notch in
// its top edge. Smoothing pulls the notch's outline outwards, so the notch
// joins the silhouette, while the straight edges add nothing.
TEST(SilhouetteGrid, SmoothedBorderFillsANotchButNotTheStraightEdges) {
    Image mask = rectangleMask(100, 100, 139, 129);
    ImageEntry plain(Image(), Image(512, 512), rectangleMask(100, 100, 139, 129));
    Clipping plainClipping(plain);
    EXPECT_EQ(plainClipping.grid().count(), 40 * 30);

    mask.setPixel(120, 100, Rgb{});
    ImageEntry notched(Image(), Image(512, 512), std::move(mask));
    Clipping clipping(notched);
    // Pixel (120, 100) is cell (390, 410).
    EXPECT_NE(clipping.grid().cell(390, 410), GridOutside);
    EXPECT_EQ(clipping.grid().count(), 40 * 30);
    // Above the straight top edge nothing was added.
    EXPECT_EQ(clipping.grid().cell(400, 411), GridOutside);
}
