// Pixel access, copies and geometry of Image.
#include "image/image.h"

#include <gtest/gtest.h>

namespace {

const Rgb kMargin{102, 102, 118};

// A w by h image whose pixel (x, y) holds (x, y, x ^ y) (mod 256): every
// pixel of a small picture is distinguishable.
Image patterned(int w, int h) {
    Image image(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y, Rgb{static_cast<unsigned char>(x), static_cast<unsigned char>(y),
                                     static_cast<unsigned char>(x ^ y)});
        }
    }
    return image;
}

// A 512 square mask-like canvas: pattern inside the picture, black margins.
Image embeddedMask(int pictureW, int pictureH) {
    return patterned(pictureW, pictureH).embedInCanvas(Rgb{0, 0, 0});
}

TEST(ImagePixels, GuardedAccessOutsideAndOnInvalidImages) {
    Image image(512, 4, Rgb{9, 8, 7});
    Rgb colour{1, 2, 3};
    EXPECT_FALSE(image.getPixel(-1, 0, colour));
    EXPECT_EQ(colour, (Rgb{0, 0, 0}));
    EXPECT_FALSE(image.getPixel(0, 4, colour));
    EXPECT_FALSE(image.setPixel(512, 0, Rgb{255, 255, 255}));
    EXPECT_FALSE(image.setPixel(0, -1, Rgb{255, 255, 255}));
    EXPECT_EQ(image.pixel(511, 0), (Rgb{9, 8, 7}));
    EXPECT_EQ(image.pixel(0, 3), (Rgb{9, 8, 7}));
    EXPECT_TRUE(image.setPixel(511, 3, Rgb{1, 0, 0}));
    EXPECT_TRUE(image.isSet(511, 3));

    Image invalid;
    int w = -1, h = -1;
    EXPECT_FALSE(invalid.getSize(w, h));
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    EXPECT_FALSE(invalid.setPixel(0, 0, Rgb{1, 1, 1}));
    EXPECT_FALSE(invalid.isSet(0, 0));
    EXPECT_EQ(invalid.bytes(), nullptr);
}

TEST(ImagePixels, ConstructorsSetNameGeometryAndRefuseBadSizes) {
    const unsigned char bytes[] = {1, 2, 3, 4, 5, 6};
    Image fromBytes(2, 1, bytes);
    EXPECT_EQ(fromBytes.pixel(1, 0), (Rgb{4, 5, 6}));
    EXPECT_TRUE(fromBytes.name().equals("not set"));

    Image image(30, 20);
    EXPECT_EQ(image.pixel(29, 19), (Rgb{0, 0, 0}));
    EXPECT_FLOAT_EQ(image.area.right, 30.0f);
    EXPECT_FLOAT_EQ(image.area.bottom, 20.0f);
    EXPECT_FLOAT_EQ(image.rotationCentre.x, 15.0f);
    EXPECT_FLOAT_EQ(image.snapPoint.y, 10.0f);

    EXPECT_FALSE(Image(0, 10).isValid());
    EXPECT_FALSE(Image(10, -3).isValid());
    EXPECT_FALSE(Image(Image::kMaxSide + 1, 1).isValid());
}

TEST(ImagePixels, NameIsCutToItsLimit) {
    Image image(1, 1);
    image.setName(String(std::string(1500, 'n').c_str()));
    EXPECT_EQ(image.nameLength(), Image::kMaxNameLength);
}

TEST(ImagePixels, SurfaceBytesAreReorderedAndPitchHonoured) {
    // 2 by 2, pitch 12 (4 bytes of row padding): blue, green, red, alpha.
    const unsigned char surface[] = {1, 2, 3, 0, 4, 5, 6, 0, 99, 99, 99, 99,
                                     7, 8, 9, 0, 10, 11, 12, 0, 99, 99, 99, 99};
    Image image = Image::fromBgraSurface(2, 2, surface, 12);
    EXPECT_EQ(image.pixel(0, 0), (Rgb{3, 2, 1}));
    EXPECT_EQ(image.pixel(1, 1), (Rgb{12, 11, 10}));
    EXPECT_FALSE(Image::fromBgraSurface(2, 2, surface, 7).isValid());
}

TEST(ImageCopies, CloneAndAssignFollowTheReferencePointRules) {
    Image source = patterned(40, 30);
    source.setName("seven");
    source.marginRight = 4;
    source.marginBottom = 3;
    source.area.right = 36.0f;
    source.rotationCentre = ImagePoint{1.0f, 2.0f};
    source.fovCentre = ImagePoint{5.0f, 6.0f};
    source.snapPoint = ImagePoint{7.0f, 8.0f};

    Image copy = source.clone();
    EXPECT_TRUE(copy.equals(source));
    EXPECT_TRUE(copy.name().equals("seven"));
    EXPECT_EQ(copy.marginRight, 4);
    EXPECT_FLOAT_EQ(copy.area.right, 36.0f);
    EXPECT_FLOAT_EQ(copy.fovCentre.x, 1.0f);
    EXPECT_FLOAT_EQ(copy.snapPoint.y, 8.0f);

    Image target(5, 5);
    target.assign(source);
    EXPECT_TRUE(target.equals(source));
    EXPECT_EQ(target.marginBottom, 3);
    EXPECT_FLOAT_EQ(target.area.bottom, 27.0f);
    EXPECT_FLOAT_EQ(target.area.right, 36.0f);
    EXPECT_FLOAT_EQ(target.fovCentre.y, 2.0f);
    EXPECT_FLOAT_EQ(target.snapPoint.x, 7.0f);

    // Assigning a smaller image into a larger one keeps addressing right.
    Image small = patterned(3, 2);
    target.assign(small);
    EXPECT_EQ(target.width(), 3);
    EXPECT_EQ(target.pixel(2, 1), small.pixel(2, 1));
    Rgb outside;
    EXPECT_FALSE(target.getPixel(3, 0, outside));
}

TEST(ImageCopies, CropReadsBlackOutsideTheSource) {
    Image source = patterned(10, 10);
    Image part = source.crop(8, 7, 4, 4);
    ASSERT_EQ(part.width(), 4);
    ASSERT_EQ(part.height(), 4);
    EXPECT_EQ(part.pixel(0, 0), source.pixel(8, 7));
    EXPECT_EQ(part.pixel(1, 2), source.pixel(9, 9));
    EXPECT_EQ(part.pixel(2, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(part.pixel(0, 3), (Rgb{0, 0, 0}));
    Image far = source.crop(-2147483647, 2147483600, 2, 2);
    EXPECT_EQ(far.pixel(1, 1), (Rgb{0, 0, 0}));
}

TEST(ImageGeometry, ScaleToFitAndEmbedMakeTheWorkingCanvas) {
    Image wide = Image(600, 400, Rgb{10, 20, 30}).scaleToFit();
    ASSERT_EQ(wide.width(), 512);
    ASSERT_EQ(wide.height(), 341);
    EXPECT_EQ(wide.pixel(300, 200), (Rgb{10, 20, 30}));

    Image canvas = wide.embedInCanvas(kMargin);
    ASSERT_EQ(canvas.width(), 512);
    ASSERT_EQ(canvas.height(), 512);
    EXPECT_EQ(canvas.marginRight, 0);
    EXPECT_EQ(canvas.marginBottom, 171);
    EXPECT_FLOAT_EQ(canvas.area.right, 512.0f);
    EXPECT_FLOAT_EQ(canvas.area.bottom, 341.0f);
    EXPECT_FLOAT_EQ(canvas.rotationCentre.y, 170.5f);
    EXPECT_FLOAT_EQ(canvas.snapPoint.x, 256.0f);
    EXPECT_EQ(canvas.pixel(511, 340), (Rgb{10, 20, 30}));
    EXPECT_EQ(canvas.pixel(0, 341), kMargin);

    Image tall = Image(400, 600).scaleToFit();
    EXPECT_EQ(tall.width(), 341);
    EXPECT_EQ(tall.height(), 512);

    Image fits = patterned(512, 300);
    EXPECT_TRUE(fits.scaleToFit().equals(fits));

    Image sliver = Image(5000, 2).scaleToFit();
    EXPECT_EQ(sliver.width(), 512);
    EXPECT_EQ(sliver.height(), 1);
}

TEST(ImageGeometry, ResampleBoxAveragesAndNeverDividesByZero) {
    Image source(4, 2);
    source.setPixel(0, 0, Rgb{100, 0, 0});
    source.setPixel(1, 0, Rgb{200, 0, 0});
    source.setPixel(0, 1, Rgb{0, 0, 0});
    source.setPixel(1, 1, Rgb{1, 0, 0});
    source.setPixel(2, 0, Rgb{0, 10, 0});
    Image half = source.resampleBox(2, 1);
    ASSERT_EQ(half.width(), 2);
    EXPECT_EQ(half.pixel(0, 0), (Rgb{75, 0, 0}));  // (100 + 200 + 0 + 1) / 4 = 75.25
    EXPECT_EQ(half.pixel(1, 0), (Rgb{0, 3, 0}));   // 10 / 4 = 2.5 rounds up

    // The last box stays inside the source instead of averaging in black.
    Image row(7, 1, Rgb{70, 70, 70});
    EXPECT_EQ(row.resampleBox(2, 1).pixel(1, 0), (Rgb{70, 70, 70}));

    // Enlarging: every destination pixel covers one source pixel.
    Image small = patterned(2, 2);
    Image big = small.resampleBox(5, 5);
    EXPECT_EQ(big.pixel(0, 0), small.pixel(0, 0));
    EXPECT_EQ(big.pixel(4, 0), small.pixel(1, 0));
    EXPECT_EQ(big.pixel(4, 4), small.pixel(1, 1));
    EXPECT_FALSE(source.resampleBox(0, 3).isValid());
}

TEST(ImageGeometry, MirrorsTouchOnlyTheEffectivePicture) {
    Image canvas = patterned(300, 200).embedInCanvas(kMargin);
    Image horizontal = canvas.mirrorHorizontal();
    EXPECT_EQ(horizontal.pixel(0, 5), canvas.pixel(299, 5));
    EXPECT_EQ(horizontal.pixel(299, 7), canvas.pixel(0, 7));
    EXPECT_EQ(horizontal.pixel(300, 5), kMargin);
    EXPECT_EQ(horizontal.pixel(511, 511), kMargin);
    EXPECT_EQ(horizontal.marginRight, 212);
    EXPECT_EQ(horizontal.marginBottom, 312);

    Image vertical = canvas.mirrorVertical();
    EXPECT_EQ(vertical.pixel(3, 0), canvas.pixel(3, 199));
    EXPECT_EQ(vertical.pixel(3, 199), canvas.pixel(3, 0));
    EXPECT_EQ(vertical.pixel(3, 200), kMargin);
    EXPECT_TRUE(vertical.mirrorVertical().equals(canvas));
}

TEST(ImageGeometry, RotationsTurnPictureAndSwapMargins) {
    Image mask = embeddedMask(512, 384);
    mask.rotationCentre = ImagePoint{10.0f, 20.0f};
    Image right = mask.rotateRight();
    EXPECT_EQ(right.marginRight, 128);
    EXPECT_EQ(right.marginBottom, 0);
    EXPECT_FLOAT_EQ(right.area.right, 384.0f);
    EXPECT_FLOAT_EQ(right.area.bottom, 512.0f);
    EXPECT_FLOAT_EQ(right.rotationCentre.x, 10.0f);
    EXPECT_FLOAT_EQ(right.snapPoint.x, 256.0f);
    // Clockwise: the old bottom-left corner of the picture is the new top left.
    EXPECT_EQ(right.pixel(0, 0), mask.pixel(0, 383));
    EXPECT_EQ(right.pixel(383, 0), mask.pixel(0, 0));
    EXPECT_EQ(right.pixel(383, 511), mask.pixel(511, 0));

    Image left = mask.rotateLeft();
    EXPECT_EQ(left.marginRight, 128);
    EXPECT_EQ(left.marginBottom, 0);
    EXPECT_EQ(left.pixel(0, 0), mask.pixel(511, 0));
    EXPECT_EQ(left.pixel(0, 511), mask.pixel(0, 0));

    EXPECT_TRUE(right.rotateLeft().equals(mask));
    EXPECT_TRUE(left.rotateRight().equals(mask));
    Image twice = mask.rotateRight().rotateRight();
    EXPECT_EQ(twice.marginRight, 0);
    EXPECT_EQ(twice.marginBottom, 128);
    EXPECT_EQ(twice.pixel(0, 0), mask.pixel(511, 383));
    EXPECT_TRUE(twice.rotateLeft().rotateLeft().equals(mask));

    // A non-square image changes its full size.
    Image strip = patterned(5, 3).rotateRight();
    EXPECT_EQ(strip.width(), 3);
    EXPECT_EQ(strip.height(), 5);
    EXPECT_EQ(strip.pixel(2, 4), (Rgb{4, 0, 4}));
}

TEST(ImageGeometry, RotationSurvivesNonsenseArea) {
    Image image = patterned(4, 4);
    image.area.bottom = 1e30f;
    image.area.right = -5.0f;
    EXPECT_EQ(image.rotateRight().width(), 4);
    EXPECT_EQ(image.rotateLeft().pixel(0, 0), (Rgb{0, 0, 0}));
}

TEST(ImageMask, ClearFrameClearsFrameAndMargins) {
    Image mask(512, 512, Rgb{200, 200, 200});
    mask.marginRight = 100;
    mask.clearFrame();
    for (int y = 0; y < 512; ++y) {
        EXPECT_FALSE(mask.isSet(0, y));
        EXPECT_TRUE(mask.isSet(410, y) == (y != 0 && y != 511));
        for (int x = 411; x < 512; ++x) ASSERT_FALSE(mask.isSet(x, y)) << x << "," << y;
    }
    EXPECT_TRUE(mask.isSet(1, 1));
    EXPECT_FALSE(mask.isSet(5, 0));

    Image odd(8, 8, Rgb{1, 1, 1});
    odd.marginRight = -2000000000;
    odd.marginBottom = 2000000000;
    odd.clearFrame();
    EXPECT_FALSE(odd.isSet(3, 3));
}

TEST(ImageMask, EqualsComparesSizeAndEveryByte) {
    Image a = patterned(6, 4);
    Image b = patterned(6, 4);
    EXPECT_TRUE(a.equals(b));
    b.setPixel(5, 3, Rgb{5, 3, 7});
    EXPECT_FALSE(a.equals(b));
    EXPECT_FALSE(a.equals(patterned(4, 6)));
    a.fill(Rgb{1, 2, 3});
    EXPECT_EQ(a.pixel(5, 3), (Rgb{1, 2, 3}));
}

}  // namespace
