// Project file: round trips, loading beside other images, damage, failed saves.
#include "project/project_file.h"

#include "project/clipping_data.h"
#include "project/platform_dialogs.h"

#include "core/xml.h"
#include "image/border.h"
#include "image/image_entry.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using testsupport::TempDir;

struct RecordingStatus : StatusSink {
    std::vector<std::string> statuses;
    std::vector<float> progress;
    std::vector<std::string> refusals;
    bool busy = false;

    void setStatus(const String& text) override { statuses.push_back(text.str()); }
    void setProgress(float percent) override { progress.push_back(percent); }
    void setBusy(bool value) override { busy = value; }
    void refuse(const String& text) override { refusals.push_back(text.str()); }
};

String path(const TempDir& dir, const std::string& name) { return String(dir.file(name).c_str()); }

// Appends pattern pictures with a filled rectangle in each mask.
void addPatternImages(ImageList& images, int count) {
    for (int i = 0; i < count; ++i) {
        const int w = 300 + 40 * i, h = 200 + 30 * i, seed = i + 3;
        Image picture(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                picture.setPixel(x, y, Rgb{static_cast<unsigned char>(x + seed),
                                           static_cast<unsigned char>(y * seed), static_cast<unsigned char>(seed)});
        Image mask(Image::kCanvasSide, Image::kCanvasSide);
        for (int y = 20; y < h / 2; ++y)
            for (int x = 30; x < w / 2; ++x) mask.setPixel(x, y, Rgb{150, 150, 150});
        auto entry = std::make_unique<ImageEntry>(Image(), makeWorkingCopy(picture), std::move(mask));
        entry->setName(String().append(images.nextImageNumber()));
        images.append(std::move(entry));
    }
}

std::string fileText(const TempDir& dir, const std::string& name) { return testsupport::readText(dir.file(name)); }

ProjectLoadReport loadText(const TempDir& dir, const std::string& xml, ImageList& images, ProjectSettings& settings) {
    EXPECT_TRUE(testsupport::writeText(dir.file("p.qz"), xml));
    RecordingStatus status;
    return loadProject(path(dir, "p.qz"), images, settings, status);
}

bool mentions(const ProjectLoadReport& report, const std::string& part) {
    for (const String& line : report.problems)
        if (line.str().find(part) != std::string::npos) return true;
    return false;
}

// Saves `images` as p.qz in `dir`.
void savePattern(const TempDir& dir, ImageList& images) {
    RecordingStatus status;
    ASSERT_TRUE(saveProject(path(dir, "p.qz"), images, ProjectSettings{}, status).saved);
}

TEST(ProjectNames, FolderExtensionAndStagingName) {
    EXPECT_STREQ(projectFolder("/home/u/p.qz").text(), "/home/u/");
    EXPECT_STREQ(projectFolder("p.qz").text(), "");
    EXPECT_STREQ(projectFileName("/d/head").text(), "/d/head.qz");
    EXPECT_STREQ(projectFileName("/d/head.qz").text(), "/d/head.qz");
    EXPECT_STREQ(projectFileName("/d/head.QZ").text(), "/d/head.QZ.qz");
    EXPECT_STRNE(stagingFileName("/d/image0.bmp").text(), "/d/image0.bmp");
    EXPECT_STREQ(projectFolder(stagingFileName("/d/image0.bmp")).text(), "/d/");
}

TEST(ProjectFile, SaveAndLoadKeepEveryField) {
    TempDir dir;
    ImageList images;
    addPatternImages(images, 3);
    images.remove(1);  // a gap keeps the numbers of the others
    ImageEntry& first = *images.entry(0);
    first.workingCopy.rotationCentre = ImagePoint{123.25f, 45.5f};
    ASSERT_GT(first.border->selectVerticesInRect(0, 0, 512, 512), 0);
    ASSERT_TRUE(first.border->setMode(Border::kModeFixed));
    ASSERT_TRUE(first.border->setMaxDistance(2.5f));
    const ProjectSettings settings{12.7f, 30.2f, -0.5f};

    RecordingStatus status;
    const ProjectSaveResult saved = saveProject(path(dir, "head"), images, settings, status);
    ASSERT_TRUE(saved.saved) << saved.error.text();
    EXPECT_EQ(saved.projectPath.str(), dir.file("head.qz"));
    for (const char* name : {"image0.bmp", "mask0.bmp", "border0.brd", "image2.bmp", "mask2.bmp", "border2.brd"})
        EXPECT_TRUE(testsupport::fileExists(dir.file(name))) << name;
    EXPECT_FALSE(testsupport::fileExists(dir.file("image1.bmp")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 7);
    EXPECT_EQ(status.statuses.size(), 8u);
    EXPECT_FALSE(status.busy);

    XmlDocument document;
    ASSERT_TRUE(document.parse(saved.projectPath));
    const XmlNode& root = *document.root();
    EXPECT_STREQ(root.name().text(), "Plastora");
    ASSERT_EQ(root.childCount(), 3);
    EXPECT_STREQ(root.child(0)->findChild("voxelsize")->text().text(), "12");
    const XmlNode& entry = *root.child(2);
    EXPECT_STREQ(entry.attribute(0).name.text(), "imagename");
    EXPECT_STREQ(entry.attribute(1).value.text(), "mask2.bmp");
    ASSERT_EQ(entry.childCount(), 3);
    EXPECT_STREQ(entry.child(0)->attribute(1).value.text(), "252");  // 512 - 260
    EXPECT_STREQ(entry.child(2)->text().text(), "border2.brd");

    ImageList loaded;
    ProjectSettings read;
    status = RecordingStatus{};
    const ProjectLoadReport report = loadProject(saved.projectPath, loaded, read, status);
    EXPECT_TRUE(report.opened && report.problems.empty());
    EXPECT_EQ(read.voxelsize, 12.0f);
    EXPECT_EQ(read.sharpening, 30.0f);
    EXPECT_EQ(read.smoothing, 0.0f);
    EXPECT_EQ(status.progress, (std::vector<float>{0.0f, 0.0f, 100.0f / 3.0f, 200.0f / 3.0f}));
    ASSERT_EQ(loaded.slotCount(), 2);
    const int sources[] = {0, 2};
    for (int i = 0; i < 2; ++i) {
        const ImageEntry& original = *images.entry(sources[i]);
        const ImageEntry& copy = *loaded.entry(i);
        EXPECT_TRUE(copy.workingCopy.equals(original.workingCopy)) << i;
        EXPECT_TRUE(copy.mask.equals(original.mask)) << i;
        EXPECT_EQ(copy.workingCopy.marginRight, original.workingCopy.marginRight);
        EXPECT_EQ(copy.mask.marginBottom, original.workingCopy.marginBottom);
        EXPECT_EQ(copy.workingCopy.area.right, original.workingCopy.area.right);
        EXPECT_EQ(copy.border->serialise(), original.border->serialise()) << i;
    }
    EXPECT_EQ(loaded.entry(0)->workingCopy.rotationCentre.x, 123.25f);
    EXPECT_EQ(loaded.entry(0)->workingCopy.rotationCentre.y, 45.5f);
    EXPECT_EQ(loaded.entry(0)->border->maxDistance(), 2.5f);
}

TEST(ProjectFile, LoadingAddsAfterTheImagesAlreadyThere) {
    TempDir dir;
    ImageList images;
    addPatternImages(images, 2);
    savePattern(dir, images);
    std::string text = fileText(dir, "p.qz");
    ProjectSettings settings;
    EXPECT_EQ(loadText(dir, text, images, settings).imagesAdded, 2);
    ASSERT_EQ(images.imageCount(), 4);
    EXPECT_TRUE(images.entry(2)->workingCopy.equals(images.entry(0)->workingCopy));
    EXPECT_STREQ(images.entry(2)->name().text(), "3");
    EXPECT_STREQ(images.entry(3)->name().text(), "4");

    // Truncated after the first entry: the entries before the cut load.
    text.resize(text.rfind("<entry"));
    ImageList loaded;
    const ProjectLoadReport report = loadText(dir, text, loaded, settings);
    EXPECT_TRUE(report.opened);
    EXPECT_EQ(report.imagesAdded, 1);
    EXPECT_TRUE(loaded.entry(0)->workingCopy.equals(images.entry(0)->workingCopy));
}

TEST(ProjectFile, MissingCompanionFilesLoadWhatIsThere) {
    TempDir dir;
    ImageList images;
    addPatternImages(images, 2);
    savePattern(dir, images);
    std::filesystem::remove(dir.file("image0.bmp"));
    std::filesystem::remove(dir.file("border0.brd"));
    ASSERT_TRUE(testsupport::writeText(dir.file("mask1.bmp"), "BM broken"));

    ImageList loaded;
    ProjectSettings settings;
    RecordingStatus status;
    const ProjectLoadReport report = loadProject(path(dir, "p.qz"), loaded, settings, status);
    EXPECT_TRUE(report.opened);
    for (const char* name : {"image0.bmp", "border0.brd", "mask1.bmp"}) EXPECT_TRUE(mentions(report, name)) << name;
    ASSERT_EQ(loaded.imageCount(), 2);
    // Missing picture: black canvas, stored margins, its mask; broken mask: empty.
    const ImageEntry& first = *loaded.entry(0);
    EXPECT_EQ(first.workingCopy.pixel(5, 5), (Rgb{0, 0, 0}));
    EXPECT_EQ(first.workingCopy.marginRight, images.entry(0)->workingCopy.marginRight);
    EXPECT_TRUE(first.mask.equals(images.entry(0)->mask));
    EXPECT_FALSE(first.border->outline().empty());
    const ImageEntry& second = *loaded.entry(1);
    EXPECT_TRUE(second.workingCopy.equals(images.entry(1)->workingCopy));
    EXPECT_FALSE(second.mask.isSet(40, 40));
    EXPECT_FALSE(describeLoadProblems(report).str().empty());
}

TEST(ProjectFile, DamagedValuesAreReportedAndReplaced) {
    TempDir dir;
    ImageList images;
    ProjectSettings settings{4.0f, 5.0f, 6.0f};
    const ProjectLoadReport report = loadText(dir,
                                              "<Plastora>\n"
                                              "<config><voxelsize>abc</voxelsize><sharpening>7</sharpening>"
                                              "<smoothing>-3</smoothing><other>1</other></config>\n"
                                              "<entry imagename=image0.bmp maskname=mask0.bmp>"
                                              "<rotationcenter x=10.5 y=20.25></rotationcenter>"
                                              "<border right=100 bottom=50></border></entry>\n"
                                              "<entry imagename=../secret.bmp maskname=/etc/mask.bmp>"
                                              "<border right=99999 bottom=x></border>"
                                              "<rotationcenter x=nan y=1e30></rotationcenter></entry>\n"
                                              "<something/>\n"
                                              "</Plastora>\n",
                                              images, settings);
    EXPECT_TRUE(report.opened);
    EXPECT_EQ(report.imagesAdded, 2);
    EXPECT_EQ(settings.voxelsize, 4.0f);
    EXPECT_EQ(settings.sharpening, 7.0f);
    EXPECT_EQ(settings.smoothing, 6.0f);
    for (const char* part : {"voxelsize", "smoothing", "../secret.bmp", "/etc/mask.bmp"})
        EXPECT_TRUE(mentions(report, part)) << part;

    const Image& first = images.entry(0)->workingCopy;
    EXPECT_EQ(first.marginRight, 100);
    EXPECT_EQ(first.marginBottom, 50);
    EXPECT_EQ(first.area.right, 412.0f);
    EXPECT_EQ(first.rotationCentre.x, 10.5f);
    EXPECT_EQ(first.rotationCentre.y, 20.25f);
    const Image& second = images.entry(1)->workingCopy;
    EXPECT_EQ(second.marginRight + second.marginBottom, 0);
    EXPECT_EQ(second.rotationCentre.x, 256.0f);
}

TEST(ProjectFile, UnreadableOrForeignFilesLoadNothing) {
    TempDir dir;
    ImageList images;
    ProjectSettings settings;
    RecordingStatus status;
    ProjectLoadReport report = loadProject(path(dir, "none.qz"), images, settings, status);
    EXPECT_FALSE(report.opened || report.problems.empty() || status.busy);
    for (const std::string& content : {std::string("\x01\x02garbage<<>>"), std::string(),
                                       std::string("<config><voxelsize>3</voxelsize></config>")}) {
        report = loadText(dir, content, images, settings);
        EXPECT_FALSE(report.opened || report.problems.empty()) << content;
    }
    EXPECT_EQ(images.slotCount(), 0);
    EXPECT_EQ(settings.voxelsize, ProjectSettings{}.voxelsize);
}

TEST(ProjectFile, TooManyImagesAreLeftOutWithAMessage) {
    std::string xml = "<Plastora>";
    for (int i = 0; i < 5; ++i) xml += "<entry imagename=a.bmp maskname=b.bmp></entry>";
    xml += "</Plastora>";
    ImageList images;
    ProjectSettings settings;
    RecordingStatus status;
    const ProjectLoadReport report =
        loadProjectFromMemory(reinterpret_cast<const unsigned char*>(xml.data()), xml.size(), "/nonexistent/", images,
                              settings, status, nullptr, 3);
    EXPECT_EQ(images.imageCount(), 3);
    EXPECT_TRUE(mentions(report, "2 more were left out"));
}

TEST(ProjectFile, AFailedSaveLeavesThePreviousProjectIntact) {
    TempDir dir;
    ImageList images;
    addPatternImages(images, 1);
    savePattern(dir, images);
    std::vector<std::vector<unsigned char>> before;
    for (const char* name : {"p.qz", "image0.bmp", "border0.brd"}) before.push_back(testsupport::readBytes(dir.file(name)));

    // Change the first image; the second image's mask cannot be written.
    images.entry(0)->workingCopy.fill(Rgb{9, 9, 9});
    images.entry(0)->mask.fill(Rgb{0, 0, 0});
    images.entry(0)->border->rebuild();
    addPatternImages(images, 1);
    std::filesystem::create_directory(stagingFileName(path(dir, "mask1.bmp")).str());
    std::filesystem::create_directory(stagingFileName(path(dir, "mask1.bmp")).str() + "/x");

    RecordingStatus status;
    const ProjectSaveResult result = saveProject(path(dir, "p.qz"), images, ProjectSettings{}, status);
    EXPECT_FALSE(result.saved);
    EXPECT_NE(result.error.str().find("mask1.bmp"), std::string::npos) << result.error.text();
    int i = 0;
    for (const char* name : {"p.qz", "image0.bmp", "border0.brd"})
        EXPECT_EQ(testsupport::readBytes(dir.file(name)), before[i++]) << name;
    EXPECT_FALSE(testsupport::fileExists(dir.file("image1.bmp")));
    for (const char* name : {"image0.bmp", "image1.bmp"})
        EXPECT_FALSE(testsupport::fileExists(stagingFileName(path(dir, name)).str())) << name;
    EXPECT_FALSE(status.busy);
}

struct FakeClippings : ClippingData {
    std::vector<std::string> calls;
    std::vector<int> readIndices;

    void beginSave() override { calls.emplace_back("beginSave"); }
    void endSave() override { calls.emplace_back("endSave"); }
    void endLoad() override { calls.emplace_back("endLoad"); }
    void writeClipping(const ImageList&, int index, XmlNode& entry) override {
        entry.addChild(String("texturestrength"), String().append(index * 10 + 7));
    }
    void readClipping(ImageList& images, int index, const XmlNode& entry) override {
        const XmlNode* strength = entry.findChild("texturestrength");
        readIndices.push_back(strength != nullptr ? std::atoi(strength->text().text()) : -1);
        images.setMarkers(index, true, false);
    }
};

TEST(ProjectFile, ClippingElementsGoThroughTheHook) {
    TempDir dir;
    ImageList images;
    addPatternImages(images, 2);
    FakeClippings clippings;
    RecordingStatus status;
    ASSERT_TRUE(saveProject(path(dir, "p.qz"), images, ProjectSettings{}, status, &clippings).saved);
    EXPECT_EQ(clippings.calls, (std::vector<std::string>{"beginSave", "endSave"}));
    EXPECT_NE(fileText(dir, "p.qz").find("<texturestrength>17</texturestrength>"), std::string::npos);

    ImageList loaded;
    addPatternImages(loaded, 1);
    ProjectSettings settings;
    loadProject(path(dir, "p.qz"), loaded, settings, status, &clippings);
    EXPECT_EQ(clippings.readIndices, (std::vector<int>{7, 17}));
    EXPECT_EQ(clippings.calls.back(), "endLoad");
    EXPECT_TRUE(!loaded.entry(0)->usedForSculpting && loaded.entry(2)->usedForSculpting);
    ImageList plain;  // without a hook the clipping elements are ignored
    EXPECT_TRUE(loadProject(path(dir, "p.qz"), plain, settings, status).problems.empty());
}

TEST(ProjectCommands, DialogsRefusalsAndMessages) {
    TempDir dir;
    ImageList images;
    ProjectSettings settings;
    ScriptedDialogs dialogs;
    RecordingStatus status;
    CommandUi ui{dialogs, dialogs, status};

    EXPECT_FALSE(saveProjectCommand(images, settings, ui));
    EXPECT_EQ(status.refusals.size(), 1u);
    EXPECT_TRUE(dialogs.calls().empty());

    addPatternImages(images, 1);
    dialogs.answerCancel();
    EXPECT_FALSE(saveProjectCommand(images, settings, ui));
    dialogs.answerSaveFile(path(dir, "head"), 0);
    EXPECT_TRUE(saveProjectCommand(images, settings, ui));
    ASSERT_EQ(dialogs.calls().size(), 2u);
    EXPECT_STREQ(dialogs.calls()[1].caption.text(), "Save Project");
    ASSERT_EQ(dialogs.calls()[1].filters.size(), 1u);
    EXPECT_STREQ(dialogs.calls()[1].filters[0].patterns.text(), "*.qz");
    EXPECT_TRUE(testsupport::fileExists(dir.file("head.qz")));

    std::filesystem::remove(dir.file("mask0.bmp"));
    dialogs.answerOpenFile(path(dir, "head.qz"));
    EXPECT_TRUE(loadProjectCommand(images, settings, ui));
    EXPECT_EQ(images.imageCount(), 2);
    ASSERT_EQ(dialogs.calls().size(), 4u);
    EXPECT_EQ(dialogs.calls()[3].kind, DialogKind::MessageBox);
    EXPECT_NE(dialogs.calls()[3].text.str().find("mask0.bmp"), std::string::npos);
    EXPECT_FALSE(dialogs.cursorVisible());

    dialogs.answerCancel();
    EXPECT_FALSE(loadProjectCommand(images, settings, ui));
    EXPECT_EQ(images.imageCount(), 2);
}

}  // namespace
