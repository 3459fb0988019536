#include "image/masking_session.h"
#include "image/masking_tools.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <utility>

namespace {

constexpr Rgb kGrey{192, 192, 192};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

// A black image of w by h with the given margins and the matching area.
Image makeImage(int w, int h, int marginRight = 0, int marginBottom = 0, Rgb colour = kBlack) {
    Image image(w, h, colour);
    image.marginRight = marginRight;
    image.marginBottom = marginBottom;
    image.area = ImageRect{static_cast<float>(h - marginBottom), 0.0f, static_cast<float>(w - marginRight), 0.0f};
    return image;
}

std::set<std::pair<int, int>> setPixels(const Image& mask) {
    std::set<std::pair<int, int>> result;
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            if (mask.isSet(x, y)) result.insert({x, y});
    return result;
}

int countSet(const Image& mask) { return static_cast<int>(setPixels(mask).size()); }

bool frameAndMarginsUnset(const Image& mask) {
    int w = effectiveWidth(mask);
    int h = effectiveHeight(mask);
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            if ((x == 0 || y == 0 || x >= w - 1 || y >= h - 1) && mask.isSet(x, y)) return false;
    return true;
}

void fillBox(Image& image, int x0, int y0, int x1, int y1, Rgb colour) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) image.setPixel(x, y, colour);
}

}  // namespace


TEST(MaskBrush, SmallStampsCoverTheDocumentedPixels) {
    Image mask = makeImage(20, 20);
    stampBrush(mask, 5, 5, 1, BrushType::Circle, kGrey);
    EXPECT_EQ(setPixels(mask), (std::set<std::pair<int, int>>{{5, 5}}));
    EXPECT_EQ(mask.pixel(5, 5), kGrey);

    mask = makeImage(20, 20);
    stampBrush(mask, 5, 5, 2, BrushType::Circle, kGrey);
    EXPECT_EQ(setPixels(mask), (std::set<std::pair<int, int>>{{5, 5}, {4, 5}, {6, 5}, {5, 4}, {5, 6}}));

    mask = makeImage(20, 20);
    stampBrush(mask, 5, 5, 2, BrushType::Square, kGrey);
    EXPECT_EQ(countSet(mask), 9);
    EXPECT_TRUE(mask.isSet(4, 4) && mask.isSet(6, 6));

    mask = makeImage(20, 20);
    stampBrush(mask, 5, 5, 3, static_cast<BrushType>(1), kGrey);
    EXPECT_EQ(countSet(mask), 0) << "an unknown brush type draws nothing";
}

TEST(MaskBrush, CircleEdgeFollowsTheDistanceRule) {
    Image mask = makeImage(64, 64);
    stampBrush(mask, 30, 30, 11, BrushType::Circle, kGrey);  // radius 5
    EXPECT_TRUE(mask.isSet(35, 30) && mask.isSet(33, 34));     // 25, 9 + 16 = 25
    EXPECT_FALSE(mask.isSet(35, 31) || mask.isSet(34, 34));  // 26, 32 > 25
}

TEST(MaskBrush, StampsAreClampedToTheWritableRegion) {
    Image mask = makeImage(20, 20, 5, 3);  // W = 15, H = 17
    stampBrush(mask, 0, 0, 4, BrushType::Square, kGrey);
    EXPECT_EQ(setPixels(mask), (std::set<std::pair<int, int>>{{1, 1}, {2, 1}, {1, 2}, {2, 2}}));

    mask = makeImage(20, 20, 5, 3);
    stampBrush(mask, 0, 0, 1, BrushType::Square, kGrey);
    EXPECT_EQ(setPixels(mask), (std::set<std::pair<int, int>>{{1, 1}}));

    mask = makeImage(20, 20, 5, 3);
    stampBrush(mask, 14, 16, 6, BrushType::Square, kGrey);
    EXPECT_TRUE(mask.isSet(13, 15));
    EXPECT_TRUE(frameAndMarginsUnset(mask));

    // A brush wholly off the picture does not paint a stripe along its edge.
    mask = makeImage(20, 20, 5, 3);
    stampBrush(mask, 40, 8, 10, BrushType::Square, kGrey);
    stampBrush(mask, -30, -30, 10, BrushType::Square, kGrey);
    EXPECT_EQ(countSet(mask), 0);

    Image tiny = makeImage(2, 2);
    stampBrush(tiny, 1, 1, 9, BrushType::Square, kGrey);
    EXPECT_EQ(countSet(tiny), 0);
}

TEST(MaskBrush, LineStampCoversTheWholeLine) {
    EXPECT_EQ(linePositions(3, 4, 3, 4, 0.9f), (std::vector<PixelPosition>{{3, 4}, {3, 4}}));
    EXPECT_GE(linePositions(0, 0, 5, 0, 0.0f).size(), 2u) << "a step of 0 must still end";

    Image mask = makeImage(40, 40);
    stampLine(mask, 2, 10, 30, 10, 0.05f, 1, BrushType::Circle, kGrey);
    EXPECT_EQ(countSet(mask), 29);
    for (int x = 2; x <= 30; ++x) EXPECT_TRUE(mask.isSet(x, 10)) << x;

    mask = makeImage(40, 40);
    stampLine(mask, 2, 2, 30, 25, 0.05f, 1, BrushType::Square, kGrey);
    // Diagonal: each row between the end points has at least one pixel.
    for (int y = 2; y <= 25; ++y) {
        bool any = false;
        for (int x = 0; x < 40; ++x) any = any || mask.isSet(x, y);
        EXPECT_TRUE(any) << y;
    }
}

TEST(MaskRectangle, BorderOrFilledInsideTheArea) {
    Image mask = makeImage(20, 20);
    drawRectangle(mask, 8, 9, 3, 4, RectangleFilling::BorderOnly, kGrey);  // corners in any order
    EXPECT_EQ(countSet(mask), 2 * 6 + 2 * 4);
    EXPECT_TRUE(mask.isSet(3, 4) && mask.isSet(8, 9) && mask.isSet(3, 9));
    EXPECT_FALSE(mask.isSet(5, 6));

    mask = makeImage(20, 20);
    drawRectangle(mask, 3, 4, 8, 9, RectangleFilling::Inside, kGrey);
    EXPECT_EQ(countSet(mask), 36);

    // Clamped into the writable region and cut by a smaller area.
    mask = makeImage(20, 20);
    mask.area.right = 10.0f;
    drawRectangle(mask, -5, -5, 50, 50, RectangleFilling::Inside, kGrey);
    EXPECT_EQ(countSet(mask), 9 * 18);
    EXPECT_TRUE(mask.isSet(1, 1) && mask.isSet(9, 18));
    EXPECT_FALSE(mask.isSet(10, 5));
    EXPECT_TRUE(frameAndMarginsUnset(mask));
}


TEST(MaskFill, UniformPictureFillsTheInteriorButNotTheFrame) {
    Image picture = makeImage(30, 30, 6, 4, Rgb{10, 20, 30});
    fillBox(picture, 24, 0, 29, 29, Rgb{102, 102, 118});  // margin colour
    Image mask = makeImage(30, 30, 6, 4);
    int written = floodFill(picture, mask, 5, 5, FillBasis::Image, 0, kGrey);
    EXPECT_EQ(written, 22 * 24);
    EXPECT_EQ(countSet(mask), 22 * 24);
    EXPECT_TRUE(frameAndMarginsUnset(mask));
}

TEST(MaskFill, DiagonalRegionsAreNotJoinedAndToleranceBoundsAreIncluded) {
    Image picture = makeImage(20, 20, 0, 0, kWhite);
    fillBox(picture, 2, 2, 6, 6, kBlack);
    fillBox(picture, 7, 7, 11, 11, kBlack);  // touches the first only at a corner
    Image mask = makeImage(20, 20);
    EXPECT_EQ(floodFill(picture, mask, 3, 3, FillBasis::Image, 0, kGrey), 25);
    EXPECT_FALSE(mask.isSet(7, 7));

    Image steps = makeImage(20, 20, 0, 0, Rgb{100, 100, 100});
    fillBox(steps, 10, 1, 10, 18, Rgb{135, 100, 65});  // exactly 35 away
    fillBox(steps, 14, 0, 14, 19, Rgb{100, 136, 100});  // 36 away, a full-height wall
    mask = makeImage(20, 20);
    floodFill(steps, mask, 2, 2, FillBasis::Image, 35, kGrey);
    EXPECT_TRUE(mask.isSet(10, 5) && mask.isSet(13, 5));
    EXPECT_FALSE(mask.isSet(14, 5) || mask.isSet(16, 5));
}

TEST(MaskFill, MaskBasisFloodsTheMaskRegions) {
    // A ring in the mask; the picture underneath is uniform, so only the mask
    // can tell the hole from the outside.
    Image picture = makeImage(20, 20, 0, 0, kWhite);
    Image mask = makeImage(20, 20);
    Rgb value{1, 1, 1};  // the smallest transparency must not bleed into unset pixels
    fillBox(mask, 4, 4, 12, 12, value);
    fillBox(mask, 6, 6, 10, 10, kBlack);
    EXPECT_EQ(floodFill(picture, mask, 8, 8, FillBasis::Mask, 1, value), 25);
    EXPECT_EQ(countSet(mask), 81);
    EXPECT_FALSE(mask.isSet(3, 3));

    // Removing from a set region clears exactly that region.
    fillBox(mask, 15, 15, 17, 17, value);
    floodFill(picture, mask, 5, 5, FillBasis::Mask, 1, kBlack);
    EXPECT_EQ(countSet(mask), 9);
}

TEST(MaskFill, BadSeedsAndSizesDoNothing) {
    Image picture = makeImage(10, 10, 0, 0, kWhite);
    Image mask = makeImage(10, 10);
    Image other = makeImage(12, 10, 0, 0, kWhite);
    for (auto [image, x, y] : {std::tuple{&picture, -1, 3}, {&picture, 3, 10}, {&other, 3, 3}})
        EXPECT_EQ(floodFill(*image, mask, x, y, FillBasis::Image, 10, kGrey), 0);
    EXPECT_EQ(floodFill(Image(), mask, 3, 3, FillBasis::Image, 10, kGrey), 0);
    EXPECT_EQ(countSet(mask), 0);
}


TEST(MaskThreshold, GlobalSidesIncludeTheBoundsAndKeepTheFrame) {
    Image picture = makeImage(10, 10, 0, 0, Rgb{128, 128, 128});
    picture.setPixel(3, 3, Rgb{129, 0, 0});
    picture.setPixel(4, 4, Rgb{127, 127, 127});
    ThresholdRule rule{128, 128, 128, ThresholdSide::Smaller};
    Image mask = makeImage(10, 10);
    applyGlobalThreshold(picture, mask, rule, kGrey);
    EXPECT_EQ(countSet(mask), 64 - 1);
    EXPECT_FALSE(mask.isSet(3, 3));
    EXPECT_TRUE(frameAndMarginsUnset(mask));

    rule.side = ThresholdSide::Bigger;
    mask = makeImage(10, 10);
    applyGlobalThreshold(picture, mask, rule, kGrey);
    EXPECT_EQ(countSet(mask), 64 - 2);
    EXPECT_FALSE(mask.isSet(4, 4));
}

TEST(MaskThreshold, LocalTestsOnlyUnderTheBrushInsideTheArea) {
    Image picture = makeImage(30, 30, 0, 0, kBlack);
    Image mask = makeImage(30, 30);
    mask.area.left = 12.0f;
    ThresholdRule rule{10, 10, 10, ThresholdSide::Smaller};
    applyThresholdUnderBrush(picture, mask, 12, 12, 5, BrushType::Square, rule, kGrey);
    EXPECT_EQ(countSet(mask), 3 * 5);
    EXPECT_FALSE(mask.isSet(11, 12));
    EXPECT_TRUE(mask.isSet(14, 14));
}


TEST(MaskGrow, GlobalExtremesOfTheNeighbourRule) {
    Image mask = makeImage(12, 12, 2, 0);
    mask.setPixel(5, 5, kGrey);
    growShrinkGlobal(mask, MaskOperation::Add, 0, kGrey);
    EXPECT_EQ(countSet(mask), 8 * 10);
    EXPECT_TRUE(frameAndMarginsUnset(mask));

    // Shrinking with N = 8 clears everything not completely surrounded.
    growShrinkGlobal(mask, MaskOperation::Remove, 8, kGrey);
    EXPECT_EQ(countSet(mask), 6 * 8);
    EXPECT_FALSE(mask.isSet(1, 1));
    EXPECT_TRUE(mask.isSet(2, 2));
}

TEST(MaskGrow, GlobalPassReadsTheMaskAsItWasBefore) {
    Image mask = makeImage(20, 20);
    mask.setPixel(10, 10, kGrey);
    growShrinkGlobal(mask, MaskOperation::Add, 1, kGrey);
    EXPECT_EQ(countSet(mask), 9) << "one pass grows one ring, not a chain reaction";

    // A pixel with 2 neighbours stays with N = 1, one with a single neighbour goes.
    mask = makeImage(20, 20);
    fillBox(mask, 3, 3, 5, 3, kGrey);
    growShrinkGlobal(mask, MaskOperation::Remove, 1, kGrey);
    EXPECT_EQ(setPixels(mask), (std::set<std::pair<int, int>>{{4, 3}}));
}

TEST(MaskGrow, LocalStrokeDecidesEachPixelOnce) {
    Image mask = makeImage(30, 30);
    mask.setPixel(15, 15, kGrey);
    LocalGrowStroke stroke(mask);
    EXPECT_EQ(stroke.stamp(mask, 15, 15, 10, BrushType::Square, MaskOperation::Add, 1, kGrey), 121);
    EXPECT_EQ(countSet(mask), 9);
    // A second stamp over the same pixels decides nothing again.
    EXPECT_EQ(stroke.stamp(mask, 15, 15, 10, BrushType::Square, MaskOperation::Add, 1, kGrey), 0);
    EXPECT_EQ(countSet(mask), 9);
    // A fresh stroke grows from the new state.
    LocalGrowStroke next(mask);
    next.stamp(mask, 15, 15, 10, BrushType::Square, MaskOperation::Add, 1, kGrey);
    EXPECT_EQ(countSet(mask), 25);
}

TEST(MaskGrow, LocalGrowingCountsOnlyNeighboursInsideTheBoxRule) {
    // Square brush of size 4 at (10, 10): box 8 .. 12 in both directions;
    // growing counts neighbours in columns and rows 8 .. 11 only.
    auto grownAround = [](int x, int y) {
        Image mask = makeImage(30, 30);
        mask.setPixel(x, y, kGrey);
        LocalGrowStroke stroke(mask);
        stroke.stamp(mask, 10, 10, 4, BrushType::Square, MaskOperation::Add, 1, kGrey);
        return countSet(mask) - 1;
    };
    EXPECT_EQ(grownAround(12, 10), 0) << "last column of the box";
    EXPECT_EQ(grownAround(10, 12), 0) << "last row of the box";
    EXPECT_EQ(grownAround(13, 10), 0) << "outside the box";
    EXPECT_EQ(grownAround(8, 8), 3) << "first column and row count";
    EXPECT_EQ(grownAround(11, 11), 8);

    // Local shrinking counts all eight, also outside the box.
    Image block = makeImage(30, 30);
    fillBox(block, 5, 5, 15, 15, kGrey);
    LocalGrowStroke shrink(block);
    shrink.stamp(block, 10, 10, 4, BrushType::Square, MaskOperation::Remove, 7, kGrey);
    EXPECT_EQ(countSet(block), 121) << "every pixel under the brush is fully surrounded";
}


TEST(MaskWhole, InvertTwiceRestoresWithTheCurrentValue) {
    Image mask = makeImage(12, 12, 1, 2);
    fillBox(mask, 3, 3, 6, 6, Rgb{50, 50, 50});
    Rgb value{77, 77, 77};
    invertMask(mask, value);
    EXPECT_EQ(countSet(mask), 9 * 8 - 16);
    EXPECT_TRUE(frameAndMarginsUnset(mask));
    invertMask(mask, value);
    EXPECT_EQ(countSet(mask), 16);
    EXPECT_EQ(mask.pixel(3, 3), value);

    fillWholeMask(mask, value);
    EXPECT_EQ(countSet(mask), 9 * 8);
    EXPECT_TRUE(frameAndMarginsUnset(mask));
    eraseWholeMask(mask);
    EXPECT_EQ(countSet(mask), 0);
}

TEST(MaskWhole, ValueRewriteTouchesOnlySetPixels) {
    Image mask = makeImage(10, 10);
    mask.setPixel(2, 2, Rgb{50, 50, 50});
    mask.setPixel(3, 2, Rgb{0, 9, 0});
    rewriteMaskValue(mask, Rgb{200, 200, 200});
    EXPECT_TRUE(mask.pixel(2, 2) == (Rgb{200, 200, 200}) && mask.pixel(3, 2) == (Rgb{200, 200, 200}));
    EXPECT_EQ(countSet(mask), 2);
    EXPECT_EQ(maskValueColour(0.0f), (Rgb{1, 1, 1}));
    EXPECT_EQ(maskValueColour(191.9f), (Rgb{191, 191, 191}));
    EXPECT_EQ(drawingColour(MaskOperation::Remove, 192.0f), kBlack);
}


TEST(MaskView, PointerMappingAndOnImageTest) {
    Image image = makeImage(512, 512, 112, 12);  // W = 400, H = 500
    ViewRect view{100.0f, 50.0f, 612.0f, 306.0f};  // 512 wide, 256 high
    ViewPixel p = viewToPixel(view, 200.0f, 100.0f, image);
    EXPECT_TRUE(p.x == 100.0f && p.y == 100.0f && p.onImage);
    EXPECT_TRUE(viewToPixel(view, 500.0f, 300.0f, image).onImage);   // x = 400 exactly
    EXPECT_FALSE(viewToPixel(view, 501.0f, 100.0f, image).onImage);  // in the margin
    EXPECT_FALSE(viewToPixel(view, 99.0f, 100.0f, image).onImage);
    EXPECT_FALSE(viewToPixel(ViewRect{5.0f, 5.0f, 5.0f, 9.0f}, 5.0f, 6.0f, image).onImage);
    ImagePoint back = pixelToView(view, 100.0f, 100.0f);
    EXPECT_TRUE(back.x == 200.0f && back.y == 100.0f);
}

namespace {

struct CountingListener : MaskChangeListener {
    std::vector<const Image*> changed;
    void maskChanged(Image& mask) override { changed.push_back(&mask); }
};

// Two images of different sizes with their histories and a session.
struct SessionFixture : ::testing::Test {
    Image pictureA = makeImage(64, 64, 0, 0, kWhite);
    Image maskA = makeImage(64, 64);
    Image pictureB = makeImage(32, 32, 4, 2, kWhite);
    Image maskB = makeImage(32, 32, 4, 2);
    std::vector<MaskTarget> loaded{{&pictureA, &maskA}, {&pictureB, &maskB}};
    MaskChangeNotifier notifier;
    CountingListener listener;
    MaskUndoList undo{notifier, 5};
    MaskingSession session{undo, notifier};

    SessionFixture() {
        notifier.addListener(&listener);
        undo.makeStack(maskA);
        undo.makeStack(maskB);
    }
    MaskImages images(int selected = 0) const { return MaskImages{loaded, selected}; }
};

}  // namespace

TEST_F(SessionFixture, RefusesWithoutSelectionOrOffThePicture) {
    EXPECT_FALSE(session.brushPress(images(-1), 10, 10));
    EXPECT_FALSE(session.fillWholeMask(images(-1)));
    EXPECT_FALSE(session.brushPress(images(1), 29, 5)) << "column 29 lies in image B's margin";
    EXPECT_FALSE(session.strokeActive());
    session.brushDrag(images(0), 20, 20);
    EXPECT_EQ(countSet(maskA) + countSet(maskB), 0);
    EXPECT_TRUE(listener.changed.empty());
    EXPECT_FALSE(undo.undoEnabled(&maskA));
}

TEST_F(SessionFixture, BrushStrokeSnapshotsOnceAndNotifies) {
    session.settings.brushSize = 3;
    ASSERT_TRUE(session.brushPress(images(), 10, 10));
    session.brushDrag(images(), 30, 10);
    session.brushDrag(images(), 30, 30);
    session.release();
    for (int x = 10; x <= 30; ++x) EXPECT_TRUE(maskA.isSet(x, 10)) << x;
    for (int y = 10; y <= 30; ++y) EXPECT_TRUE(maskA.isSet(30, y)) << y;
    EXPECT_EQ(maskA.pixel(20, 10), kGrey);
    EXPECT_EQ(listener.changed.size(), 3u);
    EXPECT_EQ(countSet(maskB), 0);
    EXPECT_EQ(undo.stackFor(&maskA)->count(), 1);
    EXPECT_EQ(undo.undo(&maskA, false), HistoryOutcome::Done);
    EXPECT_EQ(countSet(maskA), 0);
}

TEST_F(SessionFixture, ParallelMaskingOnTwoSizesClampsEachImage) {
    ASSERT_TRUE(session.setParallelMasking(images(), true));
    session.settings.brushType = BrushType::Square;
    session.settings.brushSize = 10;
    ASSERT_TRUE(session.brushPress(images(), 27, 28));
    session.release();
    // A: the full 11 by 11 box. B (W = 28, H = 30): clamped to columns 22 .. 26, rows 23 .. 28.
    EXPECT_EQ(countSet(maskA), 121);
    EXPECT_EQ(countSet(maskB), 5 * 6);
    EXPECT_TRUE(maskB.isSet(26, 28));
    EXPECT_TRUE(frameAndMarginsUnset(maskB));
    EXPECT_EQ(undo.stackFor(&maskB)->count(), 1);

    // A fill in parallel works on each image's own picture.
    session.settings.fillBasis = FillBasis::Image;
    ASSERT_TRUE(session.eraseWholeMask(images()));
    ASSERT_TRUE(session.fillClick(images(), 5, 5));
    EXPECT_EQ(countSet(maskA), 62 * 62);
    EXPECT_EQ(countSet(maskB), 26 * 28);

    // Fewer than two images switch it off.
    std::vector<MaskTarget> single{loaded[0]};
    session.imagesChanged(MaskImages{single, 0});
    EXPECT_FALSE(session.settings.parallelMasking);
    EXPECT_FALSE(session.setParallelMasking(MaskImages{single, 0}, true));
}

TEST_F(SessionFixture, LineToolOneAndMultipleLines) {
    EXPECT_EQ(session.lineClick(images(), 5, 5), MaskingSession::LineClick::StartSet);
    EXPECT_EQ(session.lineClick(images(), 15, 5), MaskingSession::LineClick::LineDrawn);
    EXPECT_FALSE(session.lineStarted());
    EXPECT_EQ(countSet(maskA), 11);

    session.settings.lineMode = LineMode::MultipleLines;
    session.lineClick(images(), 5, 20);
    session.lineClick(images(), 15, 20);
    session.lineClick(images(), 15, 30);
    EXPECT_TRUE(session.lineStarted());
    EXPECT_EQ(session.lineStart(), (PixelPosition{15, 30}));
    EXPECT_EQ(countSet(maskA), 11 + 11 + 10);
    session.stopLines();
    EXPECT_EQ(session.lineClick(images(), 40, 40), MaskingSession::LineClick::StartSet);
}

TEST_F(SessionFixture, RectanglePipetteAndTransparency) {
    session.settings.rectangleFilling = RectangleFilling::Inside;
    ASSERT_TRUE(session.rectanglePress(images(), 10, 10));
    ASSERT_TRUE(session.rectangleRelease(images(), 15, 20));  // other corner (14, 19)
    EXPECT_EQ(countSet(maskA), 5 * 10);
    EXPECT_FALSE(session.rectangleRelease(images(), 15, 20)) << "a release without a press draws nothing";

    pictureA.setPixel(7, 8, Rgb{1, 2, 3});
    EXPECT_FALSE(session.pipetteClick(images(), 7, 8)) << "pipette off";
    session.settings.pipette = true;
    ASSERT_TRUE(session.pipetteClick(images(), 7, 8));
    EXPECT_TRUE(session.settings.redThreshold == 1 && session.settings.blueThreshold == 3 && !session.settings.pipette);

    maskB.setPixel(3, 3, kWhite);
    session.setTransparency(images(-1), 300.0f);
    EXPECT_TRUE(maskA.pixel(12, 12) == kWhite && maskB.pixel(3, 3) == kWhite);
    session.setTransparency(images(-1), 40.5f);
    EXPECT_TRUE(maskA.pixel(12, 12) == (Rgb{40, 40, 40}) && maskB.pixel(3, 3) == (Rgb{40, 40, 40}));
}

TEST_F(SessionFixture, LocalGrowStrokeKeepsItsDecisionsAcrossDrags) {
    maskA.setPixel(20, 20, kGrey);
    maskA.setPixel(24, 20, kGrey);  // not counted by the first stamp's box (16 .. 24)
    session.settings.brushType = BrushType::Square;
    session.settings.brushSize = 8;
    ASSERT_TRUE(session.localGrowPress(images(), 20, 20));
    session.localGrowDrag(images(), 21, 20);  // box 17 .. 25 now counts column 24
    session.localGrowDrag(images(), 20, 20);
    session.release();
    EXPECT_FALSE(maskA.isSet(23, 20)) << "decided by the first stamp, not again by the second";
    EXPECT_TRUE(maskA.isSet(25, 20));
    EXPECT_EQ(countSet(maskA), 2 + 8 + 3);
    EXPECT_EQ(undo.stackFor(&maskA)->count(), 1);
}
