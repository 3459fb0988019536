// Image entries, loading a picture into an entry, and the image list.
#include "image/image_entry.h"

#include "image/border.h"
#include "render/image_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testsupport::TempDir;

String path(const TempDir& dir, const char* name) { return String(dir.file(name).c_str()); }

// Writes a w by h PNG, colour (x, y, 50) and, when `withAlpha`, alpha 255 in
// a centred disc of radius r and 0 elsewhere.
void writePicture(const String& file, int w, int h, bool withAlpha, int r = 0) {
    RgbaImage rgba;
    rgba.width = w;
    rgba.height = h;
    rgba.hasAlpha = withAlpha;
    rgba.pixels.resize(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &rgba.pixels[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = static_cast<unsigned char>(x);
            p[1] = static_cast<unsigned char>(y);
            p[2] = 50;
            int dx = x - w / 2, dy = y - h / 2;
            long long distance = static_cast<long long>(dx) * dx + static_cast<long long>(dy) * dy;
            p[3] = !withAlpha || distance <= static_cast<long long>(r) * r ? 255 : 0;
        }
    }
    String error;
    ASSERT_TRUE(encodeImageFile(file, rgba, error)) << error.text();
}

int countSet(const Image& mask) {
    int count = 0;
    for (int y = 0; y < mask.height(); ++y) {
        for (int x = 0; x < mask.width(); ++x) count += mask.isSet(x, y) ? 1 : 0;
    }
    return count;
}

std::unique_ptr<ImageEntry> plainEntry(const char* name) {
    auto entry = std::make_unique<ImageEntry>(Image(), makeWorkingCopy(Image(100, 80, Rgb{1, 2, 3})), Image());
    entry->setName(name);
    return entry;
}

TEST(ImageEntry, MissingMaskIsMadeFromTheWorkingCopy) {
    Image working = makeWorkingCopy(Image(600, 400, Rgb{9, 9, 9}));
    working.rotationCentre = ImagePoint{30.0f, 40.0f};
    ImageEntry entry(Image(), std::move(working), Image());
    EXPECT_FALSE(entry.hasBiggerImage());
    ASSERT_EQ(entry.mask.width(), 512);
    ASSERT_EQ(entry.mask.height(), 512);
    EXPECT_EQ(countSet(entry.mask), 0);
    EXPECT_EQ(entry.mask.marginBottom, 171);
    EXPECT_FLOAT_EQ(entry.mask.area.bottom, 341.0f);
    EXPECT_FLOAT_EQ(entry.mask.rotationCentre.y, 40.0f);
    EXPECT_FLOAT_EQ(entry.cutOut.bottom, 341.0f);
    EXPECT_FLOAT_EQ(entry.cutOut.right, 512.0f);
    EXPECT_FLOAT_EQ(entry.cutOut.left, 0.0f);
    ASSERT_NE(entry.border, nullptr);
    EXPECT_EQ(entry.border->mask(), &entry.mask);
    EXPECT_TRUE(entry.border->outline().empty());
}

TEST(ImageEntry, GivenMaskIsTracedAndWrongSizesAreFitted) {
    Image mask(512, 512);
    for (int y = 100; y < 200; ++y) {
        for (int x = 100; x < 200; ++x) mask.setPixel(x, y, Rgb{255, 255, 255});
    }
    ImageEntry traced(Image(), Image(512, 512), std::move(mask));
    EXPECT_FALSE(traced.border->outline().empty());

    Image small(20, 10, Rgb{7, 7, 7});
    ImageEntry fitted(Image(), makeWorkingCopy(Image(300, 300)), std::move(small));
    ASSERT_EQ(fitted.mask.width(), 512);
    EXPECT_EQ(fitted.mask.marginRight, 212);
    EXPECT_TRUE(fitted.mask.isSet(19, 9));
    EXPECT_FALSE(fitted.mask.isSet(20, 9));

    ImageEntry empty{Image(), Image(), Image()};
    EXPECT_EQ(empty.workingCopy.width(), 512);
    EXPECT_EQ(empty.mask.width(), 512);
}

class RecordingTextures : public EntryTextures {
public:
    explicit RecordingTextures(std::vector<std::string>& log) : log_(log) {}
    void pictureChanged(const Image& image) override { log_.push_back("picture " + std::to_string(image.width())); }
    void maskChanged(const Image& mask) override { log_.push_back("mask " + std::to_string(mask.marginBottom)); }

private:
    std::vector<std::string>& log_;
};

TEST(ImageEntry, TexturesAreOptionalAndToldAboutBothImages) {
    auto entry = plainEntry("1");
    entry->refreshTextures();  // without textures nothing happens
    std::vector<std::string> log;
    entry->textures = std::make_unique<RecordingTextures>(log);
    entry->refreshTextures();
    EXPECT_EQ(log, (std::vector<std::string>{"picture 512", "mask 432"}));
}

TEST(LoadPicture, AlphaBecomesAOneValueMaskWithClearedFrame) {
    TempDir dir;
    writePicture(path(dir, "photo.png"), 1024, 768, true, 300);
    String error("untouched");
    auto entry = loadPictureIntoEntry(path(dir, "photo.png"), 7, 90, &error);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(error.length(), 0);
    EXPECT_TRUE(entry->name().equals("7"));
    EXPECT_TRUE(entry->mask.name().equals("7"));

    ASSERT_EQ(entry->biggerImage.width(), 1024);
    EXPECT_EQ(entry->biggerImage.pixel(1000, 700), (Rgb{1000 % 256, 700 % 256, 50}));
    EXPECT_EQ(entry->biggerImage.marginBottom, 128);
    EXPECT_FLOAT_EQ(entry->biggerImage.area.bottom, 768.0f - 128.0f);
    EXPECT_FLOAT_EQ(entry->biggerImage.rotationCentre.x, 512.0f);

    EXPECT_EQ(entry->workingCopy.width(), 512);
    EXPECT_EQ(entry->workingCopy.marginRight, 0);
    EXPECT_EQ(entry->workingCopy.marginBottom, 128);
    EXPECT_EQ(entry->workingCopy.pixel(5, 400), kCanvasMarginColour);

    ASSERT_TRUE(entry->hasAlphaSource());
    EXPECT_EQ(entry->alphaSource.width(), 1024);
    EXPECT_EQ(entry->mask.marginBottom, 128);
    // The disc of radius 300 scales to 150 around (256, 192).
    EXPECT_EQ(entry->mask.pixel(256, 192), (Rgb{90, 90, 90}));
    EXPECT_EQ(entry->mask.pixel(256, 50), (Rgb{90, 90, 90}));
    EXPECT_FALSE(entry->mask.isSet(256, 30));
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            Rgb p = entry->mask.pixel(x, y);
            ASSERT_TRUE(p == (Rgb{0, 0, 0}) || p == (Rgb{90, 90, 90})) << x << "," << y;
        }
    }
    EXPECT_FALSE(entry->border->outline().empty());
}

TEST(LoadPicture, FullAlphaStillLeavesTheFrameAndMarginsUnset) {
    TempDir dir;
    writePicture(path(dir, "full.png"), 600, 400, true, 100000);
    auto entry = loadPictureIntoEntry(path(dir, "full.png"), 1, 255);
    EXPECT_EQ(entry->workingCopy.height() - entry->workingCopy.marginBottom, 341);
    EXPECT_EQ(countSet(entry->mask), 510 * 339);
    EXPECT_FALSE(entry->mask.isSet(0, 100));
    EXPECT_FALSE(entry->mask.isSet(511, 100));
    EXPECT_FALSE(entry->mask.isSet(100, 340));
    EXPECT_TRUE(entry->mask.isSet(510, 339));
}

TEST(LoadPicture, NoAlphaGivesAnEmptyMaskAndBadFilesStillGiveAnEntry) {
    TempDir dir;
    writePicture(path(dir, "plain.png"), 200, 100, false);
    auto plain = loadPictureIntoEntry(path(dir, "plain.png"), 2, 255);
    EXPECT_FALSE(plain->hasAlphaSource());
    EXPECT_EQ(countSet(plain->mask), 0);
    EXPECT_EQ(plain->workingCopy.marginRight, 312);
    EXPECT_EQ(plain->workingCopy.pixel(199, 99), (Rgb{199, 99, 50}));

    String error;
    auto missing = loadPictureIntoEntry(path(dir, "missing.bmp"), 3, 255, &error);
    ASSERT_NE(missing, nullptr);
    EXPECT_GT(error.length(), 0);
    EXPECT_EQ(missing->workingCopy.width(), 512);
    EXPECT_EQ(missing->workingCopy.pixel(0, 0), (Rgb{255, 0, 0}));
    EXPECT_TRUE(missing->name().equals("3"));
}

class RecordingListener : public ImageListListener {
public:
    void entryAdded(int index, ImageEntry& entry) override { log.push_back("add " + std::to_string(index) + " " + entry.name().str()); }
    void entryRemoved(int index, ImageEntry&) override { log.push_back("remove " + std::to_string(index)); }
    void entriesSwapped(int a, int b) override { log.push_back("swap " + std::to_string(a) + " " + std::to_string(b)); }
    void selectionChanged(int index) override { log.push_back("select " + std::to_string(index)); }
    std::vector<std::string> log;
};

TEST(ImageList, LoadCounterNamesImagesInLoadOrder) {
    TempDir dir;
    writePicture(path(dir, "a.png"), 10, 10, false);
    ImageList list;
    EXPECT_EQ(list.loadPicture(path(dir, "a.png"), 255), 0);
    EXPECT_EQ(list.loadPicture(path(dir, "missing.png"), 255), 1);
    EXPECT_EQ(list.nextImageNumber(), 3);  // e.g. a clone
    EXPECT_EQ(list.loadPicture(path(dir, "a.png"), 255), 2);
    EXPECT_TRUE(list.entry(0)->name().equals("1"));
    EXPECT_TRUE(list.entry(1)->name().equals("2"));
    EXPECT_TRUE(list.entry(2)->name().equals("4"));

    list.clear();
    EXPECT_EQ(list.slotCount(), 0);
    list.loadPicture(path(dir, "a.png"), 255);
    EXPECT_TRUE(list.entry(0)->name().equals("5"));
}

TEST(ImageList, RemovingLeavesAGapAndMovesSkipIt) {
    ImageList list;
    RecordingListener listener;
    list.addListener(&listener);
    for (const char* name : {"a", "b", "c", "d"}) list.append(plainEntry(name));
    EXPECT_EQ(list.append(nullptr), -1);

    ASSERT_TRUE(list.select(2));
    ASSERT_TRUE(list.remove(1));
    EXPECT_EQ(list.slotCount(), 4);
    EXPECT_EQ(list.imageCount(), 3);
    EXPECT_EQ(list.entry(1), nullptr);
    EXPECT_EQ(list.entry(99), nullptr);
    EXPECT_EQ(list.entry(-1), nullptr);
    EXPECT_FALSE(list.remove(1));
    EXPECT_FALSE(list.select(1));
    EXPECT_EQ(list.selectedIndex(), 2);

    // "c" moves up across the gap and the selection follows it.
    EXPECT_TRUE(list.moveUp(2));
    EXPECT_TRUE(list.entry(0)->name().equals("c"));
    EXPECT_TRUE(list.entry(2)->name().equals("a"));
    EXPECT_EQ(list.selectedIndex(), 0);
    EXPECT_FALSE(list.canMoveUp(0));
    EXPECT_FALSE(list.moveUp(0));
    EXPECT_TRUE(list.moveDown(2));
    EXPECT_TRUE(list.entry(3)->name().equals("a"));
    EXPECT_FALSE(list.canMoveDown(3));
    EXPECT_FALSE(list.moveDown(1));

    // Removing the selected entry clears the selection.
    EXPECT_TRUE(list.remove(0));
    EXPECT_EQ(list.selectedIndex(), -1);
    EXPECT_EQ(list.selected(), nullptr);

    EXPECT_EQ(listener.log, (std::vector<std::string>{"add 0 a", "add 1 b", "add 2 c", "add 3 d", "select 2",
                                                      "remove 1", "swap 2 0", "swap 2 3", "select -1", "remove 0"}));
    list.removeListener(&listener);
    list.clear();
    EXPECT_EQ(listener.log.size(), 10u);
}

TEST(ImageList, MarkersAndMaskValueReachEveryEntry) {
    ImageList list;
    list.append(plainEntry("a"));
    list.append(plainEntry("b"));
    list.entry(0)->mask.setPixel(10, 10, Rgb{5, 5, 5});
    list.entry(1)->mask.setPixel(20, 20, Rgb{200, 0, 0});
    list.setMaskValueOfAll(77);
    EXPECT_EQ(list.entry(0)->mask.pixel(10, 10), (Rgb{77, 77, 77}));
    EXPECT_EQ(list.entry(1)->mask.pixel(20, 20), (Rgb{77, 77, 77}));
    EXPECT_EQ(list.entry(1)->mask.pixel(21, 20), (Rgb{0, 0, 0}));
    EXPECT_TRUE(list.entry(1)->changed);

    EXPECT_TRUE(list.setMarkers(1, true, false));
    EXPECT_TRUE(list.entry(1)->usedForSculpting);
    EXPECT_FALSE(list.entry(1)->usedForTexturing);
    EXPECT_FALSE(list.setMarkers(5, true, true));
}

}  // namespace
