// The screenshot comparison the GUI tests rely on: tolerance per channel,
// the allowed share of differing pixels, the difference picture and the
// baseline update mode.
#include "support/screenshot_compare.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

using testsupport::ImageTolerance;
using testsupport::TempDir;

RgbaImage flat(int width, int height, unsigned char grey) {
    RgbaImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<size_t>(width * height * 4), grey);
    for (size_t i = 3; i < image.pixels.size(); i += 4) image.pixels[i] = 255;
    return image;
}

void setPixel(RgbaImage& image, int x, int y, unsigned char red) {
    image.pixels[(static_cast<size_t>(y) * image.width + x) * 4] = red;
}

bool write(const std::string& path, const RgbaImage& image) {
    String error;
    return encodeImageFile(String(path.c_str()), image, error);
}

TEST(ScreenshotCompare, CountsPixelsBeyondTheToleranceAgainstTheAllowedShare) {
    const RgbaImage expected = flat(10, 10, 100);
    RgbaImage actual = expected;
    EXPECT_TRUE(testsupport::compareImages(expected, actual, ImageTolerance{0, 0.0}).matches);

    setPixel(actual, 1, 0, 108);  // within a tolerance of 8
    setPixel(actual, 3, 2, 200);  // beyond it
    const auto strict = testsupport::compareImages(expected, actual, ImageTolerance{8, 0.005});
    EXPECT_FALSE(strict.matches);
    EXPECT_EQ(strict.differingPixels, 1);
    EXPECT_EQ(strict.largestDifference, 100);
    EXPECT_NE(strict.reason.find("1 of 100 pixels"), std::string::npos) << strict.reason;
    EXPECT_NE(strict.reason.find("first at 3,2"), std::string::npos) << strict.reason;
    EXPECT_TRUE(testsupport::compareImages(expected, actual, ImageTolerance{8, 0.01}).matches);
    EXPECT_EQ(testsupport::compareImages(expected, actual, ImageTolerance{7, 0.5}).differingPixels, 2);

    const auto sized = testsupport::compareImages(expected, flat(10, 11, 100), ImageTolerance{255, 1.0});
    EXPECT_FALSE(sized.matches);
    EXPECT_NE(sized.reason.find("expected 10x10, actual 10x11"), std::string::npos);
    RgbaImage broken = expected;
    broken.pixels.pop_back();
    EXPECT_FALSE(testsupport::compareImages(expected, broken, ImageTolerance{255, 1.0}).matches);
}

TEST(ScreenshotCompare, AMismatchOfFilesLeavesADifferencePictureBesideTheActualOne) {
    TempDir dir;
    RgbaImage actual = flat(4, 4, 50);
    setPixel(actual, 2, 1, 250);
    ASSERT_TRUE(write(dir.file("expected.png"), flat(4, 4, 50)));
    ASSERT_TRUE(write(dir.file("shot.png"), actual));

    const auto result = testsupport::compareImageFiles(dir.file("expected.png"), dir.file("shot.png"), ImageTolerance{});
    EXPECT_FALSE(result.matches);
    EXPECT_NE(result.reason.find(dir.file("shot.diff.png")), std::string::npos) << result.reason;
    RgbaImage diff;
    String error;
    ASSERT_TRUE(decodeImageFile(String(dir.file("shot.diff.png").c_str()), diff, error));
    const unsigned char* marked = &diff.pixels[(1 * 4 + 2) * 4];
    EXPECT_EQ(marked[0], 255);
    EXPECT_EQ(marked[1], 0);
    EXPECT_GT(diff.pixels[1], 100);  // a matching pixel: faded grey, not red

    EXPECT_FALSE(testsupport::compareImageFiles(dir.file("missing.png"), dir.file("shot.png"), ImageTolerance{}).matches);
}

TEST(ScreenshotCompare, BaselinesAreMissingUntilTheUpdateModeWritesThem) {
    TempDir source;
    TempDir shots;
    ASSERT_TRUE(write(shots.file("a.png"), flat(3, 3, 10)));
    ASSERT_TRUE(write(shots.file("b.png"), flat(3, 3, 200)));
    setenv("PLASTORA_SOURCE_DIR", source.path().c_str(), 1);
    unsetenv("PLASTORA_UPDATE_BASELINES");

    const auto missing = testsupport::compareWithBaseline("a.png", shots.file("a.png"), ImageTolerance{});
    EXPECT_FALSE(missing.matches);
    EXPECT_NE(missing.reason.find("PLASTORA_UPDATE_BASELINES=1"), std::string::npos);

    setenv("PLASTORA_UPDATE_BASELINES", "1", 1);
    EXPECT_TRUE(testsupport::compareWithBaseline("a.png", shots.file("a.png"), ImageTolerance{}).matches);
    unsetenv("PLASTORA_UPDATE_BASELINES");
    EXPECT_TRUE(std::filesystem::exists(source.path() + "/tests/baselines/a.png"));
    EXPECT_TRUE(testsupport::compareWithBaseline("a.png", shots.file("a.png"), ImageTolerance{}).matches);
    EXPECT_FALSE(testsupport::compareWithBaseline("a.png", shots.file("b.png"), ImageTolerance{}).matches);
}

}  // namespace
