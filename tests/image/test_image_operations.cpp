// Operations on whole images: quarter turns and mirrors with their mask and
// undo history, clones with their border modes, and the cut-out from the
// bigger picture (also a second one within the first), with the resampling
// they rest on.
#include "image/image_operations.h"

#include "image/border.h"
#include "image/mask_undo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// A picture whose every pixel differs from its neighbours.
Image patterned(int width, int height) {
    Image image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, Rgb{static_cast<unsigned char>(x * 7 + y), static_cast<unsigned char>(y * 3),
                                     static_cast<unsigned char>((x ^ y) & 0xFF)});
    return image;
}

// An entry loaded from a picture of width × height with a square mark in the
// mask at (40..59, 30..39).
std::unique_ptr<ImageEntry> entryOf(int width, int height) {
    Image bigger = patterned(width, height);
    Image working = makeWorkingCopy(bigger);
    auto entry = std::make_unique<ImageEntry>(std::move(bigger), std::move(working), Image());
    for (int y = 30; y < 40; ++y)
        for (int x = 40; x < 60; ++x) entry->mask.setPixel(x, y, Rgb{192, 192, 192});
    return entry;
}

TEST(ImageOperations, TurnsCarryTheMaskAndMarginsAndFourTurnsComeBack) {
    auto entry = entryOf(2000, 1500);  // 512 x 384 on the canvas
    const Image picture = entry->workingCopy.clone();
    const Image mask = entry->mask.clone();
    entry->workingCopy.rotationCentre = ImagePoint{100.0f, 50.0f};

    turnEntry(*entry, EntryTurn::RotateRight);
    EXPECT_EQ(entry->workingCopy.marginRight, 128);
    EXPECT_EQ(entry->workingCopy.marginBottom, 0);
    EXPECT_EQ(entry->mask.marginRight, 128);
    // The mark (x 40..59, y 30..39) turns clockwise: new x = H - 1 - y.
    EXPECT_TRUE(entry->mask.isSet(383 - 35, 50));
    EXPECT_FALSE(entry->mask.isSet(50, 35));
    EXPECT_FLOAT_EQ(entry->workingCopy.rotationCentre.x, 100.0f);  // the points keep their coordinates

    for (int i = 0; i < 3; ++i) turnEntry(*entry, EntryTurn::RotateRight);
    // The picture comes back (the canvas margins are filled anew).
    EXPECT_TRUE(entry->workingCopy.crop(0, 0, 512, 384).equals(picture.crop(0, 0, 512, 384)));
    EXPECT_TRUE(entry->mask.equals(mask));
    EXPECT_EQ(entry->mask.marginBottom, 128);

    turnEntry(*entry, EntryTurn::MirrorHorizontal);
    EXPECT_TRUE(entry->mask.isSet(511 - 50, 35));
    turnEntry(*entry, EntryTurn::MirrorHorizontal);
    EXPECT_TRUE(entry->mask.equals(mask));
}

TEST(ImageOperations, TheUndoHistoryTurnsWithTheMask) {
    auto entry = entryOf(1000, 600);
    MaskChangeNotifier notifier;
    MaskUndoList undo(notifier);
    undo.makeStack(entry->mask);
    undo.push(entry->mask);
    entry->mask.setPixel(200, 100, Rgb{192, 192, 192});

    turnEntry(*entry, EntryTurn::RotateLeft);
    undo.stackFor(&entry->mask)->transformRecords(
        [](const Image& record) { return turnedImage(record, EntryTurn::RotateLeft); });
    ASSERT_EQ(undo.undo(&entry->mask, false), HistoryOutcome::Done);
    // Back before the dot, still turned: the margins fit the working copy.
    EXPECT_EQ(entry->mask.marginRight, entry->workingCopy.marginRight);
    EXPECT_EQ(entry->mask.marginBottom, entry->workingCopy.marginBottom);
    Image expected = entryOf(1000, 600)->mask.rotateLeft();
    EXPECT_TRUE(entry->mask.equals(expected));
}

TEST(ImageOperations, AClonesBorderKeepsTheSmoothingModesOfItsSource) {
    auto source = entryOf(800, 800);
    source->border->update();
    ASSERT_FALSE(source->border->outline().empty());
    const int slot = source->border->outline().front()->slot;
    source->border->selectSlots({slot});
    source->border->setMode(Border::kModeFixed);
    source->border->setMaxDistance(3.0f);

    const std::unique_ptr<ImageEntry> copy = cloneEntry(*source, 7);
    EXPECT_EQ(copy->name().str(), "7");
    EXPECT_TRUE(copy->mask.equals(source->mask));
    EXPECT_TRUE(copy->biggerImage.equals(source->biggerImage));
    const Border& copied = *copy->border;
    ASSERT_NE(copied.vertexInSlot(slot), nullptr);
    EXPECT_EQ(copied.vertexInSlot(slot)->mode, Border::kModeFixed);
    EXPECT_FLOAT_EQ(copy->border->maxDistance(), 3.0f);
    // The copy's mask is its own.
    copy->mask.setPixel(5, 5, Rgb{1, 1, 1});
    EXPECT_FALSE(source->mask.isSet(5, 5));
}

TEST(ImageOperations, CutOutIsOfferedOnlyForPicturesLargerThanTheCanvas) {
    struct Case {
        int width;
        int height;
        CutOutRefusal expected;
    };
    const Case cases[] = {{512, 400, CutOutRefusal::PictureTooSmall},
                          {512, 512, CutOutRefusal::PictureTooSmall},
                          {513, 100, CutOutRefusal::None},
                          {300, 900, CutOutRefusal::None}};
    for (const Case& c : cases) EXPECT_EQ(cutOutRefusal(entryOf(c.width, c.height).get()), c.expected) << c.width;
    EXPECT_EQ(cutOutRefusal(nullptr), CutOutRefusal::NoImageSelected);
    ImageEntry plain(Image(), Image(512, 512), Image());
    EXPECT_EQ(cutOutRefusal(&plain), CutOutRefusal::NoBiggerImage);
}

TEST(ImageOperations, CutOutCropsTheBiggerPictureAndASecondOneCropsWithinTheFirst) {
    auto entry = entryOf(2000, 1500);  // factor 2000 / 512 = 3.90625 both ways
    const PixelCrop crop = cutOutCrop(*entry, ImagePoint{100.0f, 50.0f}, ImagePoint{300.0f, 150.0f});
    EXPECT_EQ(crop.x, 390);  // 100 * 3.90625 = 390.6
    EXPECT_EQ(crop.y, 195);
    EXPECT_EQ(crop.width, 781);  // 1171.8 - 390.6, truncated
    EXPECT_EQ(crop.height, 390);
    // Corners in any order, clamped to the picture, at least a pixel wide.
    const PixelCrop clamped = cutOutCrop(*entry, ImagePoint{600.0f, 20.0f}, ImagePoint{600.0f, -40.0f});
    EXPECT_EQ(clamped.x + clamped.width, 2000);
    EXPECT_GE(clamped.width, 1);
    EXPECT_EQ(clamped.y, 0);

    ASSERT_TRUE(cutOutEntry(*entry, ImagePoint{100.0f, 50.0f}, ImagePoint{300.0f, 150.0f}, 150));
    // Wider than tall: scaled to the canvas width.
    EXPECT_EQ(entry->workingCopy.marginRight, 0);
    EXPECT_EQ(entry->workingCopy.marginBottom, 512 - 390 * 512 / 781);
    EXPECT_EQ(entry->mask.marginBottom, entry->workingCopy.marginBottom);
    EXPECT_FALSE(entry->mask.isSet(45, 35));  // no alpha source: an empty mask
    EXPECT_TRUE(entry->workingCopy.equals(makeWorkingCopy(entry->biggerImage.crop(390, 195, 781, 390))));

    // The whole of what is shown now is the first crop again.
    const PixelCrop again = cutOutCrop(*entry, ImagePoint{0.0f, 0.0f},
                                       ImagePoint{512.0f, static_cast<float>(512 - entry->workingCopy.marginBottom)});
    EXPECT_EQ(again.x, 390);
    EXPECT_EQ(again.y, 195);
    EXPECT_EQ(again.width, 781);
    EXPECT_EQ(again.height, 390);
}

TEST(ImageOperations, CutOutTakesTheMaskFromTheAlphaSource) {
    auto entry = entryOf(1200, 1200);
    entry->alphaSource = Image(1200, 1200);
    for (int y = 500; y < 700; ++y)
        for (int x = 500; x < 700; ++x) entry->alphaSource.setPixel(x, y, Rgb{255, 255, 255});
    ASSERT_TRUE(cutOutEntry(*entry, ImagePoint{200.0f, 200.0f}, ImagePoint{320.0f, 320.0f}, 150));
    // A crop smaller than the canvas is not enlarged: the alpha square
    // 500..699 lands at 32..231 of the crop starting at 468.
    EXPECT_EQ(entry->mask.pixel(100, 100), (Rgb{150, 150, 150}));
    EXPECT_FALSE(entry->mask.isSet(5, 5));
    EXPECT_FALSE(entry->mask.isSet(250, 100));
}

TEST(ImageResampling, TheRowWiseBoxFilterMatchesThePlainDefinition) {
    const Image source = patterned(37, 23);
    for (const auto& [w, h] : {std::pair{10, 7}, std::pair{37, 23}, std::pair{5, 19}, std::pair{50, 40}}) {
        const Image result = source.resampleBox(w, h);
        const float sx = 37.0f / static_cast<float>(w);
        const float sy = 23.0f / static_cast<float>(h);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const long x0 = std::min<long>(std::lround(x * sx), 36);
                const long x1 = std::clamp<long>(std::lround(x0 + sx), x0 + 1, 37);
                const long y0 = std::min<long>(std::lround(y * sy), 22);
                const long y1 = std::clamp<long>(std::lround(y0 + sy), y0 + 1, 23);
                double sum[3] = {0, 0, 0};
                for (long j = y0; j < y1; ++j)
                    for (long i = x0; i < x1; ++i) {
                        const Rgb c = source.pixel(static_cast<int>(i), static_cast<int>(j));
                        sum[0] += c.red;
                        sum[1] += c.green;
                        sum[2] += c.blue;
                    }
                const double count = static_cast<double>((x1 - x0) * (y1 - y0));
                const Rgb expected{static_cast<unsigned char>(std::lround(sum[0] / count)),
                                   static_cast<unsigned char>(std::lround(sum[1] / count)),
                                   static_cast<unsigned char>(std::lround(sum[2] / count))};
                ASSERT_EQ(result.pixel(x, y), expected) << w << "x" << h << " at " << x << ", " << y;
            }
        }
    }
}

}  // namespace
