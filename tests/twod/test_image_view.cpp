// The 2D view's arithmetic: centring, wheel and drag zoom around the pointer,
// the narrowest view, panning and the clamp that keeps the picture within
// reach, and the pointer mapping at the view's edges.
#include "twod/image_view.h"

#include <gtest/gtest.h>

namespace {

void expectView(const ViewRect& view, float left, float top, float right, float bottom) {
    EXPECT_FLOAT_EQ(view.left, left);
    EXPECT_FLOAT_EQ(view.top, top);
    EXPECT_FLOAT_EQ(view.right, right);
    EXPECT_FLOAT_EQ(view.bottom, bottom);
}

TEST(ImageView, CentredViewIsTheSquareBelowTheMiddle) {
    expectView(centredView(1024, 768), 208, 120, 816, 728);
    expectView(centredView(1280, 800), 320, 120, 960, 760);
}

TEST(ImageView, WheelZoomMovesEverySideByAFifthOfTheWidthHalvedAndKeepsThePointer) {
    struct Case {
        float width;
        int step;
        bool zooms;
        float side;  // how far each side moves outwards
    };
    const Case cases[] = {
        {200.0f, +1, true, 20.0f},   // (200 div 5) * 0.5
        {200.0f, -1, true, -20.0f},
        {204.9f, +1, true, 20.0f},   // the width is truncated first
        {127.0f, -1, false, 0.0f},   // too narrow to zoom out further
        {127.0f, +1, true, 12.5f},   // ... but it zooms in
        {128.0f, -1, true, -12.5f},
        {4.0f, +1, false, 0.0f},     // no step left
    };
    for (const Case& c : cases) {
        ViewRect view{100.0f, 50.0f, 100.0f + c.width, 50.0f + c.width};
        // The pointer in the middle keeps its place, so every side moves alike.
        const float middle = 100.0f + c.width / 2.0f;
        EXPECT_EQ(zoomByWheel(view, middle, 50.0f + c.width / 2.0f, c.step), c.zooms) << c.width;
        EXPECT_NEAR(view.left, 100.0f - c.side, 1e-3f) << c.width;
        EXPECT_NEAR(view.right, 100.0f + c.width + c.side, 1e-3f) << c.width;
        EXPECT_NEAR(view.top, 50.0f - c.side, 1e-3f) << c.width;
    }

    // Off the middle the pointer keeps its relative place.
    ViewRect view{0.0f, 0.0f, 200.0f, 200.0f};
    ASSERT_TRUE(zoomByWheel(view, 50.0f, 150.0f, +1));
    EXPECT_FLOAT_EQ((50.0f - view.left) / (view.right - view.left), 0.25f);
    EXPECT_FLOAT_EQ((150.0f - view.top) / (view.bottom - view.top), 0.75f);

    ViewRect empty;
    EXPECT_FALSE(zoomByWheel(empty, 0.0f, 0.0f, +1));
}

TEST(ImageView, DragZoomGrowsWhenThePointerGoesUpAndNeverGetsNarrowerThan128) {
    ViewRect view{100.0f, 100.0f, 300.0f, 300.0f};
    zoomByDrag(view, 200.0f, 200.0f, -10.0f);
    EXPECT_GT(view.right - view.left, 200.0f);
    EXPECT_FLOAT_EQ((view.left + view.right) / 2.0f, 200.0f);  // the anchor stays

    zoomByDrag(view, 150.0f, 150.0f, 10000.0f);
    EXPECT_FLOAT_EQ(view.right - view.left, kLeastViewWidth);
    EXPECT_FLOAT_EQ(view.bottom - view.top, kLeastViewWidth);
}

TEST(ImageView, TheClampKeepsSomeOfThePictureWithinReach) {
    const ReachBounds bounds = reachBounds(1024, 768, 30);
    EXPECT_FLOAT_EQ(bounds.left, 40.0f);
    EXPECT_FLOAT_EQ(bounds.top, 60.0f);
    EXPECT_FLOAT_EQ(bounds.right, 984.0f);
    EXPECT_FLOAT_EQ(bounds.bottom, 738.0f);

    struct Case {
        const char* what;
        float dx;
        float dy;
        int marginRight;
        int marginBottom;
        float left;  // expected after the clamp
        float top;
    };
    // A 512-pixel view: the picture is as wide as the view less its margins.
    const Case cases[] = {
        {"far left: the right edge stops at 40", -5000.0f, 0.0f, 0, 0, 40.0f - 512.0f, 200.0f},
        {"far left with a right margin of 128", -5000.0f, 0.0f, 128, 0, 40.0f - 384.0f, 200.0f},
        {"far right: the left edge stops at 984", 5000.0f, 0.0f, 0, 0, 984.0f, 200.0f},
        {"far up with a bottom margin", 0.0f, -5000.0f, 0, 256, 200.0f, 60.0f - 256.0f},
        {"far down", 0.0f, 5000.0f, 0, 0, 200.0f, 738.0f},
        {"within reach: unchanged", 10.0f, 10.0f, 0, 0, 210.0f, 210.0f},
    };
    for (const Case& c : cases) {
        ViewRect view{200.0f, 200.0f, 712.0f, 712.0f};
        panView(view, c.dx, c.dy);
        clampView(view, bounds, c.marginRight, c.marginBottom);
        EXPECT_FLOAT_EQ(view.left, c.left) << c.what;
        EXPECT_FLOAT_EQ(view.top, c.top) << c.what;
        EXPECT_FLOAT_EQ(view.right - view.left, 512.0f) << c.what;
    }
}

TEST(ImageView, ThePointerIsOnTheImageUpToTheEdgesOfItsPicture) {
    Image picture(512, 512);
    picture.marginBottom = 128;
    const ViewRect view{100.0f, 100.0f, 356.0f, 356.0f};  // half the canvas size
    struct Case {
        float px;
        float py;
        bool onImage;
        float x;
        float y;
    };
    const Case cases[] = {
        {100.0f, 100.0f, true, 0.0f, 0.0f},
        {356.0f, 292.0f, true, 512.0f, 384.0f},  // the far corner of the picture, edges included
        {356.0f, 293.0f, false, 512.0f, 386.0f},  // below the picture: canvas margin
        {99.0f, 200.0f, false, -2.0f, 200.0f},
    };
    for (const Case& c : cases) {
        const ViewPixel pixel = viewToPixel(view, c.px, c.py, picture);
        EXPECT_EQ(pixel.onImage, c.onImage) << c.px << ", " << c.py;
        EXPECT_FLOAT_EQ(pixel.x, c.x);
        EXPECT_FLOAT_EQ(pixel.y, c.y);
        const ImagePoint back = pixelToView(view, pixel.x, pixel.y);
        EXPECT_FLOAT_EQ(back.x, c.px);
        EXPECT_FLOAT_EQ(back.y, c.py);
    }
}

}  // namespace
