// Pictures and masks in and out: export names, dialogs, alpha as mask, bad files.
#include "project/picture_import.h"

#include "project/clipping_elements.h"
#include "project/project_file.h"

#include "image/border.h"
#include "image/image_entry.h"
#include "render/image_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using testsupport::TempDir;

struct RecordingStatus : StatusSink {
    std::vector<std::string> statuses;
    std::vector<float> progress;
    std::vector<std::string> refusals;
    int keyClears = 0;
    bool busy = false;

    void setStatus(const String& text) override { statuses.push_back(text.str()); }
    void setProgress(float percent) override { progress.push_back(percent); }
    void setBusy(bool value) override { busy = value; }
    void refuse(const String& text) override { refusals.push_back(text.str()); }
    void clearKeyTable() override { ++keyClears; }
};

struct Workspace {
    ImageList images;
    ScriptedDialogs dialogs;
    RecordingStatus status;
    CommandUi ui{dialogs, dialogs, status};
};

String path(const TempDir& dir, const std::string& name) { return String(dir.file(name).c_str()); }

// Encodes a w by h picture; with `alpha` given it has an alpha channel.
void writePicture(const String& file, int w, int h, const std::function<Rgb(int, int)>& colour,
                  const std::function<unsigned char(int, int)>& alpha = nullptr) {
    RgbaImage rgba;
    rgba.width = w;
    rgba.height = h;
    rgba.hasAlpha = static_cast<bool>(alpha);
    rgba.pixels.resize(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &rgba.pixels[(static_cast<size_t>(y) * w + x) * 4];
            const Rgb c = colour(x, y);
            p[0] = c.red, p[1] = c.green, p[2] = c.blue, p[3] = alpha ? alpha(x, y) : 255;
        }
    }
    String error;
    ASSERT_TRUE(encodeImageFile(file, rgba, error)) << error.text();
}

Rgb gradient(int x, int y) { return Rgb{static_cast<unsigned char>(x), static_cast<unsigned char>(y), 50}; }
Rgb black(int, int) { return Rgb{0, 0, 0}; }

std::function<unsigned char(int, int)> disc(int cx, int cy, int r) {
    return [=](int x, int y) -> unsigned char { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r ? 255 : 0; };
}

RgbaImage decoded(const String& file) {
    RgbaImage image;
    String error;
    EXPECT_TRUE(decodeImageFile(file, image, error)) << file.text() << ": " << error.text();
    return image;
}

unsigned char alphaAt(const RgbaImage& image, int x, int y) {
    return image.pixels[(static_cast<size_t>(y) * image.width + x) * 4 + 3];
}

int countSet(const Image& mask) {
    int count = 0;
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x) count += mask.isSet(x, y) ? 1 : 0;
    return count;
}

// Adds a plain 200 by 100 picture without alpha; returns its slot.
int addPlainImage(Workspace& w, const TempDir& dir, const std::string& name) {
    const String file = path(dir, name);
    writePicture(file, 200, 100, gradient);
    return loadOnePicture(w.images, file, 100, w.status);
}

TEST(PictureNames, ExtensionOfTheChosenTypeIsAppendedAfterAnyTypedOne) {
    EXPECT_STREQ(exportFileName("/d/pic.bmp", 3).text(), "/d/pic.bmp.jpg");
    EXPECT_STREQ(exportFileName("/d/pic", 0).text(), "/d/pic.bmp");
    EXPECT_STREQ(exportFileName("/d/pic.PNG", 4).text(), "/d/pic.PNG.png");
    EXPECT_STREQ(numberedExportFileName("/d/pic", 2, 4).text(), "/d/pic2.png");
    EXPECT_STREQ(numberedExportFileName("/d/pic.tga", 10, 6).text(), "/d/pic.tga10.tga");
    EXPECT_STREQ(extensionOfSaveFilter(7), ".bmp");  // unknown type: the first

    const std::vector<FileFilter>& save = pictureSaveFilters();
    const std::vector<FileFilter>& open = pictureOpenFilters();
    ASSERT_EQ(save.size(), 7u);
    ASSERT_EQ(open.size(), 8u);
    const char* names[] = {"Bmp", "Dds", "Dib", "Jpg", "Png", "Ppm", "Tga"};
    const char* patterns[] = {"*.bmp;", "*.dds;", "*.dib;", "*.jpg;", "*.png;", "*.ppm;", "*.tga;"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_STREQ(save[i].description.text(), names[i]);
        EXPECT_STREQ(save[i].patterns.text(), patterns[i]);
        EXPECT_STREQ(open[i + 1].description.text(), names[i]);
    }
    EXPECT_STREQ(open[0].description.text(), "All supported formats");
    EXPECT_STREQ(open[0].patterns.text(), "*.bmp;*.dds;*.dib;*.hdr;*.jpg;*.pfm;*.png;*.ppm;*.tga");
}

TEST(PictureImport, PicturesReadWithTheirClippingsJoinTheTableInTheirOrder) {
    TempDir dir;
    Workspace w;
    ClippingTable clippings(w.images);
    const String plain = path(dir, "plain.png");
    const String masked = path(dir, "masked.png");
    const String junk = path(dir, "junk.png");
    writePicture(plain, 300, 200, gradient);
    writePicture(masked, 1024, 768, gradient, disc(512, 384, 200));
    ASSERT_TRUE(testsupport::writeText(junk.str(), "this is not a picture"));
    w.dialogs.answerOpenFiles({plain, junk, masked});
    w.dialogs.answerMessage(MessageAnswer::Ok);

    const PictureLoadReport report = loadImagesCommand(w.images, w.ui, 77, &clippings);
    EXPECT_EQ(report.loaded, 2);
    ASSERT_EQ(report.failures.size(), 1u);
    ASSERT_EQ(w.images.imageCount(), 2);
    ASSERT_EQ(clippings.slotCount(), 2);
    for (int slot = 0; slot < 2; ++slot) {
        ASSERT_NE(clippings.clipping(slot), nullptr) << slot;
        EXPECT_EQ(&clippings.clipping(slot)->entry(), w.images.entry(slot)) << slot;
        EXPECT_FALSE(clippings.clipping(slot)->isOutOfDate()) << slot;
    }
    // In the order chosen: the plain picture first (no mask, no silhouette),
    // then the one whose alpha channel gave its mask and silhouette.
    EXPECT_EQ(w.images.entry(0)->workingCopy.marginBottom, 512 - 200);
    EXPECT_FALSE(clippings.clipping(0)->grid().hasSilhouette());
    EXPECT_TRUE(clippings.clipping(1)->grid().hasSilhouette());
}

TEST(PictureImport, LoadImagesNamesByTheLoadCounterAndReportsProgress) {
    TempDir dir;
    Workspace w;
    const String a = path(dir, "a.png");
    const String b = path(dir, "b.png");
    writePicture(a, 1024, 768, gradient, disc(512, 384, 200));
    writePicture(b, 300, 200, gradient);
    w.dialogs.answerOpenFiles({a, b});

    const PictureLoadReport report = loadImagesCommand(w.images, w.ui, 77);
    EXPECT_TRUE(report.loaded == 2 && report.failures.empty());
    ASSERT_EQ(w.dialogs.calls().size(), 1u);
    EXPECT_STREQ(w.dialogs.calls()[0].caption.text(), "Load Images");
    EXPECT_EQ(w.dialogs.calls()[0].filters.size(), 8u);
    // The progress never goes back, passes each picture's start and ends full.
    ASSERT_FALSE(w.status.progress.empty());
    EXPECT_TRUE(std::is_sorted(w.status.progress.begin(), w.status.progress.end()));
    EXPECT_EQ(w.status.progress.front(), 0.0f);
    EXPECT_NE(std::find(w.status.progress.begin(), w.status.progress.end(), 50.0f), w.status.progress.end());
    EXPECT_EQ(w.status.progress.back(), 100.0f);
    EXPECT_FALSE(w.status.busy);

    ASSERT_EQ(w.images.imageCount(), 2);
    EXPECT_STREQ(w.images.entry(1)->name().text(), "2");

    // Alpha became the mask (value v), frame and margins clear; scaled to 512 x 384.
    const ImageEntry& first = *w.images.entry(0);
    EXPECT_EQ(first.mask.marginBottom, 128);
    EXPECT_EQ(first.mask.pixel(256, 192), (Rgb{77, 77, 77}));
    EXPECT_FALSE(first.mask.isSet(10, 10));
    for (int x = 0; x < 512; ++x) EXPECT_FALSE(first.mask.isSet(x, 383)) << x;
    EXPECT_FALSE(first.mask.isSet(256, 400));
    EXPECT_EQ(countSet(w.images.entry(1)->mask), 0);  // no alpha

    w.dialogs.answerCancel();
    EXPECT_EQ(loadImagesCommand(w.images, w.ui, 77).loaded, 0);
    EXPECT_EQ(w.images.imageCounter(), 2);

    // Undecodable, missing and oversized files add nothing; each is named with
    // its reason, in one message box.
    const String junk = path(dir, "junk.png");
    ASSERT_TRUE(testsupport::writeText(junk.str(), "this is not a picture"));
    const String huge = path(dir, "huge.ppm");
    ASSERT_TRUE(testsupport::writeText(huge.str(), "P6\n20000 20000\n255\n"));
    w.dialogs.answerOpenFiles({junk, path(dir, "missing.jpg"), huge, b});
    w.dialogs.answerMessage(MessageAnswer::Ok);
    const PictureLoadReport bad = loadImagesCommand(w.images, w.ui, 200);
    EXPECT_EQ(bad.loaded, 1);
    ASSERT_EQ(bad.failures.size(), 3u);
    EXPECT_EQ(bad.failures[0].str().rfind(junk.str() + ": ", 0), 0u) << bad.failures[0].text();
    ASSERT_EQ(w.images.imageCount(), 3);
    EXPECT_STREQ(w.images.entry(2)->name().text(), "3");
    const DialogCall& box = w.dialogs.calls().back();
    EXPECT_STREQ(box.caption.text(), "Load Images");
    for (const String* file : {&junk, &huge}) EXPECT_NE(box.text.str().find(file->str()), std::string::npos) << box.text.text();
}

TEST(PictureExport, SaveImagesNumbersBySlotAndWritesTheMaskAsAlpha) {
    TempDir dir;
    Workspace w;
    for (const char* name : {"a.png", "b.png", "c.png"}) addPlainImage(w, dir, name);
    ImageEntry& first = *w.images.entry(0);
    first.mask.setPixel(20, 20, Rgb{90, 90, 90});
    first.mask.setPixel(20, 150, Rgb{90, 90, 90});  // in the margin (picture height 100)
    w.images.remove(1);

    const String chosen = path(dir, "pic");
    w.dialogs.answerSaveFile(chosen, 4);
    EXPECT_EQ(saveImagesCommand(w.images, w.ui), CommandResult::Done);
    ASSERT_EQ(w.dialogs.calls().size(), 1u);
    EXPECT_STREQ(w.dialogs.calls()[0].caption.text(), "Save Images");
    EXPECT_EQ(w.dialogs.calls()[0].filters.size(), 7u);
    EXPECT_FALSE(testsupport::fileExists(dir.file("pic2.png")));
    EXPECT_EQ(w.status.statuses, (std::vector<std::string>{"Save image " + dir.file("pic1.png"),
                                                           "Save image " + dir.file("pic3.png")}));
    EXPECT_EQ(w.status.progress, (std::vector<float>{0.0f, 100.0f / 3.0f * 2.0f}));

    // Whole canvas, mask as alpha; the margin pixel is cleared in the mask too.
    const RgbaImage saved = decoded(path(dir, "pic1.png"));
    ASSERT_EQ(saved.width * saved.height, 512 * 512);
    EXPECT_EQ(alphaAt(saved, 20, 20), 90);
    EXPECT_EQ(alphaAt(saved, 21, 20), 0);
    EXPECT_EQ(alphaAt(saved, 20, 150), 0);
    EXPECT_FALSE(first.mask.isSet(20, 150));
    EXPECT_EQ(saved.pixels[(20 * 512 + 30) * 4], 30);  // red of the gradient
}

TEST(PictureExport, SaveImageAndSaveMaskUseTheChosenTypeAfterTheTypedName) {
    TempDir dir;
    Workspace w;
    w.images.select(addPlainImage(w, dir, "a.png"));
    ImageEntry& entry = *w.images.selected();
    for (int x = 10; x < 40; ++x) entry.mask.setPixel(x, 30, Rgb{150, 150, 150});

    w.dialogs.answerSaveFile(path(dir, "pic.bmp"), 3);
    EXPECT_EQ(saveImageCommand(w.images, w.ui), CommandResult::Done);
    EXPECT_STREQ(w.dialogs.calls().back().caption.text(), "Save Image");
    EXPECT_FALSE(testsupport::fileExists(dir.file("pic.bmp")));
    EXPECT_EQ(decoded(path(dir, "pic.bmp.jpg")).width, 512);
    EXPECT_EQ(w.status.statuses.back(), "Save Image " + dir.file("pic.bmp.jpg"));

    w.dialogs.answerSaveFile(path(dir, "mask"), 0);
    EXPECT_EQ(saveMaskCommand(w.images, w.ui), CommandResult::Done);
    EXPECT_EQ(w.status.statuses.back(), "Save Mask " + dir.file("mask.bmp") + " (Color Channel)...");
    const Image mask(path(dir, "mask.bmp"));
    ASSERT_TRUE(mask.isValid());
    EXPECT_TRUE(mask.equals(entry.mask));
}

TEST(PictureExport, CancelledAndRefusedCommandsWriteNothing) {
    TempDir dir;
    Workspace w;
    EXPECT_EQ(saveImagesCommand(w.images, w.ui), CommandResult::Refused);
    EXPECT_EQ(saveMaskCommand(w.images, w.ui), CommandResult::Refused);
    addPlainImage(w, dir, "a.png");  // loaded but not selected
    EXPECT_EQ(saveImageCommand(w.images, w.ui), CommandResult::Refused);
    EXPECT_EQ(loadMaskCommand(w.images, w.ui, MaskChannel::Colour, 9), CommandResult::Refused);
    EXPECT_EQ(loadMaskCommand(w.images, w.ui, MaskChannel::Alpha, 9), CommandResult::Refused);
    EXPECT_EQ(w.status.refusals.size(), 5u);
    EXPECT_TRUE(w.dialogs.calls().empty());

    w.images.select(0);
    w.status.statuses.clear();
    for (const auto& command : std::vector<std::function<CommandResult()>>{
             [&] { return saveImagesCommand(w.images, w.ui); }, [&] { return saveImageCommand(w.images, w.ui); },
             [&] { return saveMaskCommand(w.images, w.ui); },
             [&] { return loadMaskCommand(w.images, w.ui, MaskChannel::Colour, 9); },
             [&] { return loadMaskCommand(w.images, w.ui, MaskChannel::Alpha, 9); }}) {
        w.dialogs.answerCancel();
        EXPECT_EQ(command(), CommandResult::Cancelled);
        EXPECT_FALSE(w.dialogs.cursorVisible());
    }
    EXPECT_EQ(w.dialogs.calls().size(), 5u);
    EXPECT_EQ(w.status.keyClears, 5);
    EXPECT_TRUE(w.status.statuses.empty());
    EXPECT_EQ(countSet(w.images.entry(0)->mask), 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // a.png alone
}

TEST(MaskImport, LoadingAMaskOnlyAddsPixelsOfTheMaskValue) {
    TempDir dir;
    Workspace w;
    w.images.select(addPlainImage(w, dir, "a.png"));
    ImageEntry& entry = *w.images.selected();
    for (int y = 10; y < 20; ++y)
        for (int x = 10; x < 20; ++x) entry.mask.setPixel(x, y, Rgb{200, 200, 200});
    const int before = countSet(entry.mask);

    // Colour channel: a white disc on black.
    const String colourFile = path(dir, "disc.png");
    writePicture(colourFile, 200, 100, [](int x, int y) {
        return (x - 120) * (x - 120) + (y - 50) * (y - 50) <= 400 ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
    });
    w.dialogs.answerOpenFile(colourFile);
    EXPECT_EQ(loadMaskCommand(w.images, w.ui, MaskChannel::Colour, 60), CommandResult::Done);
    EXPECT_STREQ(w.dialogs.calls().back().caption.text(), "Load Mask (Color Channel)");
    EXPECT_EQ(w.status.statuses.back(), "Load Mask " + colourFile.str() + " (Color Channel)...");
    EXPECT_EQ(entry.mask.pixel(120, 50), (Rgb{60, 60, 60}));
    EXPECT_EQ(entry.mask.pixel(15, 15), (Rgb{200, 200, 200}));
    EXPECT_GT(countSet(entry.mask), before + 1000);
    EXPECT_TRUE(entry.changed && entry.border->isChangedFor2D());
    const int afterColour = countSet(entry.mask);

    // All black, another shape: adds nothing, not even in its own margin.
    const String blackFile = path(dir, "black.png");
    writePicture(blackFile, 100, 200, black);
    w.dialogs.answerOpenFile(blackFile);
    EXPECT_EQ(loadMaskCommand(w.images, w.ui, MaskChannel::Colour, 60), CommandResult::Done);
    EXPECT_EQ(countSet(entry.mask), afterColour);

    // Alpha channel: a disc elsewhere, value v; the old pixels stay.
    const String alphaFile = path(dir, "alpha.png");
    writePicture(alphaFile, 200, 100, black, disc(40, 60, 15));
    w.dialogs.answerOpenFile(alphaFile);
    EXPECT_EQ(loadMaskCommand(w.images, w.ui, MaskChannel::Alpha, 33), CommandResult::Done);
    EXPECT_EQ(w.status.statuses.back(), "Load Mask " + alphaFile.str() + " (Alpha Channel)...");
    EXPECT_EQ(entry.mask.pixel(40, 60), (Rgb{33, 33, 33}));
    EXPECT_EQ(entry.mask.pixel(120, 50), (Rgb{60, 60, 60}));
    EXPECT_EQ(entry.mask.pixel(15, 15), (Rgb{200, 200, 200}));
    for (int x = 0; x < 512; ++x) EXPECT_FALSE(entry.mask.isSet(x, 99)) << x;
    EXPECT_FALSE(entry.mask.isSet(0, 70));
}

TEST(MaskImport, UnusableMaskFilesLeaveTheMaskAndSaySo) {
    TempDir dir;
    Workspace w;
    w.images.select(addPlainImage(w, dir, "a.png"));
    ImageEntry& entry = *w.images.selected();
    entry.mask.setPixel(50, 50, Rgb{10, 10, 10});

    const String junk = path(dir, "junk.png");
    ASSERT_TRUE(testsupport::writeText(junk.str(), "garbage"));
    const String opaque = path(dir, "opaque.png");
    writePicture(opaque, 200, 100, [](int, int) { return Rgb{255, 255, 255}; });

    for (auto [file, channel] : {std::pair{junk, MaskChannel::Colour}, {opaque, MaskChannel::Alpha}}) {
        w.dialogs.answerOpenFile(file);
        EXPECT_EQ(loadMaskCommand(w.images, w.ui, channel, 60), CommandResult::Failed) << file.text();
        ASSERT_EQ(w.dialogs.calls().back().kind, DialogKind::MessageBox);
        EXPECT_NE(w.dialogs.calls().back().text.str().find(file.str()), std::string::npos);
    }
    EXPECT_EQ(countSet(entry.mask), 1);
    EXPECT_FALSE(entry.changed);
}

TEST(DroppedFiles, ProjectsAndPicturesOpenOtherNamesAreRefused) {
    TempDir dir;
    Workspace w;
    ProjectSettings settings;
    const String picture = path(dir, "a.png");
    writePicture(picture, 50, 40, gradient);

    EXPECT_TRUE(openDroppedFile(picture, w.images, settings, w.ui, 100));
    EXPECT_EQ(w.images.imageCount(), 1);
    EXPECT_FALSE(w.status.busy);

    const String upper = path(dir, "b.PNG");
    writePicture(upper, 50, 40, gradient);
    EXPECT_FALSE(openDroppedFile(upper, w.images, settings, w.ui, 100));
    ASSERT_EQ(w.dialogs.calls().size(), 1u);
    EXPECT_STREQ(w.dialogs.calls()[0].caption.text(), "Filetype unknown");
    EXPECT_EQ(w.dialogs.calls()[0].text.str(), "Plastora can't handle the file: " + upper.str());
    EXPECT_EQ(w.status.keyClears, 1);

    const ProjectSaveResult saved = saveProject(path(dir, "p"), w.images, settings, w.status);
    ASSERT_TRUE(saved.saved) << saved.error.text();
    EXPECT_TRUE(openDroppedFile(saved.projectPath, w.images, settings, w.ui, 100));
    EXPECT_EQ(w.images.imageCount(), 2);
}

}  // namespace
