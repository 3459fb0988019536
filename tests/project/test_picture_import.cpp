// Pictures and masks in and out of the workspace: export names, the dialogs
// of every command, the alpha channel as mask and undecodable files.
#include "project/picture_import.h"

#include "project/project_file.h"

#include "image/border.h"
#include "image/image_entry.h"
#include "render/image_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using testsupport::TempDir;

// Records what a command showed.
struct RecordingStatus : StatusSink {
    std::vector<std::string> statuses;
    std::vector<float> progress;
    std::vector<std::string> refusals;
    int frames = 0;
    int keyClears = 0;
    bool busy = false;
    int busyStarts = 0;

    void setStatus(const String& text) override { statuses.push_back(text.str()); }
    void setProgress(float percent) override { progress.push_back(percent); }
    void setBusy(bool value) override {
        if (value && !busy) ++busyStarts;
        busy = value;
    }
    void drawFrame() override { ++frames; }
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

// Writes a w by h picture (colour from `colour`, alpha from `alpha` when
// given) through the picture encoder.
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
            p[0] = c.red;
            p[1] = c.green;
            p[2] = c.blue;
            p[3] = alpha ? alpha(x, y) : 255;
        }
    }
    String error;
    ASSERT_TRUE(encodeImageFile(file, rgba, error)) << error.text();
}

Rgb gradient(int x, int y) { return Rgb{static_cast<unsigned char>(x), static_cast<unsigned char>(y), 50}; }
Rgb black(int, int) { return Rgb{0, 0, 0}; }

// 255 inside the disc of radius r around (cx, cy), else 0.
std::function<unsigned char(int, int)> disc(int cx, int cy, int r) {
    return [=](int x, int y) -> unsigned char {
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r ? 255 : 0;
    };
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
    for (int y = 0; y < mask.height(); ++y) {
        for (int x = 0; x < mask.width(); ++x) count += mask.isSet(x, y) ? 1 : 0;
    }
    return count;
}

// Adds a plain 200 by 100 picture (no alpha) to the list and returns its slot.
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
    // A type the save dialogs do not offer falls back to the first.
    EXPECT_STREQ(extensionOfSaveFilter(7), ".bmp");
    EXPECT_STREQ(extensionOfSaveFilter(-1), ".bmp");

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

TEST(PictureImport, LoadImagesNamesByTheLoadCounterAndReportsProgress) {
    TempDir dir;
    Workspace w;
    const String a = path(dir, "a.png");
    const String b = path(dir, "b.png");
    writePicture(a, 1024, 768, gradient, disc(512, 384, 200));
    writePicture(b, 300, 200, gradient);
    w.dialogs.answerOpenFiles({a, b});

    const PictureLoadReport report = loadImagesCommand(w.images, w.ui, 77);
    EXPECT_EQ(report.loaded, 2);
    EXPECT_TRUE(report.failures.empty());
    ASSERT_EQ(w.dialogs.calls().size(), 1u);
    EXPECT_STREQ(w.dialogs.calls()[0].caption.text(), "Load Images");
    EXPECT_TRUE(w.dialogs.calls()[0].cursorVisible);
    EXPECT_EQ(w.dialogs.calls()[0].filters.size(), 8u);
    EXPECT_FALSE(w.dialogs.cursorVisible());
    EXPECT_EQ(w.status.statuses, (std::vector<std::string>{"Load image " + a.str(), "Load image " + b.str()}));
    EXPECT_EQ(w.status.progress, (std::vector<float>{0.0f, 0.0f, 50.0f}));
    EXPECT_FALSE(w.status.busy);

    ASSERT_EQ(w.images.imageCount(), 2);
    EXPECT_STREQ(w.images.entry(0)->name().text(), "1");
    EXPECT_STREQ(w.images.entry(1)->name().text(), "2");

    // The alpha channel became the mask: value v inside the disc, the frame
    // and the margins clear. 1024 x 768 is scaled to 512 x 384.
    const ImageEntry& first = *w.images.entry(0);
    EXPECT_EQ(first.workingCopy.marginBottom, 128);
    EXPECT_EQ(first.mask.marginBottom, 128);
    EXPECT_EQ(first.mask.pixel(256, 192), (Rgb{77, 77, 77}));
    EXPECT_FALSE(first.mask.isSet(10, 10));
    for (int x = 0; x < 512; ++x) EXPECT_FALSE(first.mask.isSet(x, 383)) << x;
    EXPECT_FALSE(first.mask.isSet(256, 400));
    // A picture without alpha gets an all-unset mask.
    EXPECT_EQ(countSet(w.images.entry(1)->mask), 0);

    // Cancelling loads nothing; the counter is untouched.
    w.dialogs.answerCancel();
    EXPECT_EQ(loadImagesCommand(w.images, w.ui, 77).loaded, 0);
    EXPECT_EQ(w.images.imageCount(), 2);
    EXPECT_EQ(w.images.imageCounter(), 2);
}

TEST(PictureImport, UndecodablePictureGivesThePlaceholderAndAReason) {
    TempDir dir;
    Workspace w;
    const String junk = path(dir, "junk.png");
    ASSERT_TRUE(testsupport::writeText(junk.str(), "this is not a picture"));
    const String good = path(dir, "good.png");
    writePicture(good, 64, 64, gradient);

    const PictureLoadReport report = loadPictures(w.images, {junk, path(dir, "missing.jpg"), good}, 200, w.status);
    EXPECT_EQ(report.loaded, 3);
    ASSERT_EQ(report.failures.size(), 2u);
    EXPECT_EQ(report.failures[0].str().rfind(junk.str() + ": ", 0), 0u) << report.failures[0].text();
    ASSERT_EQ(w.images.imageCount(), 3);
    const ImageEntry& placeholder = *w.images.entry(0);
    EXPECT_EQ(placeholder.workingCopy.pixel(10, 10), (Rgb{255, 0, 0}));
    EXPECT_EQ(countSet(placeholder.mask), 0);
    EXPECT_STREQ(w.images.entry(2)->name().text(), "3");
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
    const DialogCall& call = w.dialogs.calls()[0];
    EXPECT_STREQ(call.caption.text(), "Save Images");
    EXPECT_EQ(call.initialFilter, 0);
    EXPECT_EQ(call.filters.size(), 7u);
    EXPECT_TRUE(call.cursorVisible);

    EXPECT_TRUE(testsupport::fileExists(dir.file("pic1.png")));
    EXPECT_FALSE(testsupport::fileExists(dir.file("pic2.png")));
    EXPECT_TRUE(testsupport::fileExists(dir.file("pic3.png")));
    EXPECT_EQ(w.status.statuses, (std::vector<std::string>{"Save image " + dir.file("pic1.png"),
                                                           "Save image " + dir.file("pic3.png")}));
    EXPECT_EQ(w.status.progress, (std::vector<float>{0.0f, 100.0f / 3.0f * 2.0f}));
    EXPECT_FALSE(w.status.busy);

    // The whole canvas with the mask as alpha; the margin pixel was cleared
    // in the mask itself too.
    const RgbaImage saved = decoded(path(dir, "pic1.png"));
    ASSERT_EQ(saved.width, 512);
    ASSERT_EQ(saved.height, 512);
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
    const RgbaImage jpeg = decoded(path(dir, "pic.bmp.jpg"));
    EXPECT_EQ(jpeg.width, 512);
    EXPECT_EQ(w.status.statuses.back(), "Save Image " + dir.file("pic.bmp.jpg"));

    w.dialogs.answerSaveFile(path(dir, "mask"), 0);
    EXPECT_EQ(saveMaskCommand(w.images, w.ui), CommandResult::Done);
    EXPECT_STREQ(w.dialogs.calls().back().caption.text(), "Save Mask (Color Channel)");
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
    EXPECT_EQ(w.status.refusals, (std::vector<std::string>{"No image loaded which should be saved.",
                                                           "No image loaded for which the mask should be saved."}));
    EXPECT_TRUE(w.dialogs.calls().empty());

    addPlainImage(w, dir, "a.png");
    w.status.refusals.clear();
    EXPECT_EQ(saveImageCommand(w.images, w.ui), CommandResult::Refused);
    EXPECT_EQ(loadMaskCommand(w.images, w.ui, MaskChannel::Colour, 9), CommandResult::Refused);
    EXPECT_EQ(loadMaskCommand(w.images, w.ui, MaskChannel::Alpha, 9), CommandResult::Refused);
    EXPECT_EQ(w.status.refusals,
              (std::vector<std::string>{"No image selected which should be saved.",
                                        "No image selected for whcih the mask should be loaded.",
                                        "No image selected for which the mask should be loaded."}));
    EXPECT_TRUE(w.dialogs.calls().empty());

    w.images.select(0);
    const std::vector<std::function<CommandResult()>> commands = {
        [&] { return saveImagesCommand(w.images, w.ui); },
        [&] { return saveImageCommand(w.images, w.ui); },
        [&] { return saveMaskCommand(w.images, w.ui); },
        [&] { return loadMaskCommand(w.images, w.ui, MaskChannel::Colour, 9); },
        [&] { return loadMaskCommand(w.images, w.ui, MaskChannel::Alpha, 9); },
    };
    w.status.statuses.clear();
    for (const auto& command : commands) {
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
    for (int y = 10; y < 20; ++y) {
        for (int x = 10; x < 20; ++x) entry.mask.setPixel(x, y, Rgb{200, 200, 200});
    }
    const int before = countSet(entry.mask);

    // Colour channel: a white disc on black, the same shape as the image.
    const String colourFile = path(dir, "disc.png");
    writePicture(colourFile, 200, 100, [](int x, int y) {
        return (x - 120) * (x - 120) + (y - 50) * (y - 50) <= 400 ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
    });
    w.dialogs.answerOpenFile(colourFile);
    EXPECT_EQ(loadMaskCommand(w.images, w.ui, MaskChannel::Colour, 60), CommandResult::Done);
    EXPECT_STREQ(w.dialogs.calls().back().caption.text(), "Load Mask (Color Channel)");
    EXPECT_EQ(w.dialogs.calls().back().filters.size(), 8u);
    EXPECT_EQ(w.status.statuses.back(), "Load Mask " + colourFile.str() + " (Color Channel)...");
    EXPECT_EQ(entry.mask.pixel(120, 50), (Rgb{60, 60, 60}));
    EXPECT_EQ(entry.mask.pixel(15, 15), (Rgb{200, 200, 200}));
    EXPECT_GT(countSet(entry.mask), before + 1000);
    EXPECT_TRUE(entry.changed);
    EXPECT_TRUE(entry.border->isChangedFor2D());
    const int afterColour = countSet(entry.mask);

    // An all-black picture of another shape adds nothing, not even where its
    // own canvas margin falls inside the picture.
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
    EXPECT_STREQ(w.dialogs.calls().back().caption.text(), "Load Mask (Alpha Channel)");
    EXPECT_EQ(w.status.statuses.back(), "Load Mask " + alphaFile.str() + " (Alpha Channel)...");
    EXPECT_EQ(entry.mask.pixel(40, 60), (Rgb{33, 33, 33}));
    EXPECT_EQ(entry.mask.pixel(120, 50), (Rgb{60, 60, 60}));
    EXPECT_EQ(entry.mask.pixel(15, 15), (Rgb{200, 200, 200}));
    // The frame and the margins stay clear.
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

    w.dialogs.answerOpenFile(junk);
    EXPECT_EQ(loadMaskCommand(w.images, w.ui, MaskChannel::Colour, 60), CommandResult::Failed);
    ASSERT_EQ(w.dialogs.calls().back().kind, DialogKind::MessageBox);
    EXPECT_NE(w.dialogs.calls().back().text.str().find(junk.str()), std::string::npos);
    // A picture without alpha has no alpha mask to give.
    w.dialogs.answerOpenFile(opaque);
    EXPECT_EQ(loadMaskCommand(w.images, w.ui, MaskChannel::Alpha, 60), CommandResult::Failed);
    EXPECT_EQ(w.dialogs.calls().back().kind, DialogKind::MessageBox);
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
