// "plastora import": pictures in, a project out, and clear exits for every
// kind of bad input.
#include "app/command_import.h"

#include "image/image_entry.h"
#include "project/project_file.h"
#include "render/image_file.h"
#include "support/command_capture.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

using testsupport::CommandRun;
using testsupport::TempDir;

CommandRun runImport(std::vector<std::string> arguments) {
    return testsupport::runCommand(runImportCommand, "import", std::move(arguments));
}

// A w by h PNG; with `alpha` the left half is opaque and the rest clear.
std::string writePicture(const TempDir& dir, const std::string& name, int w, int h, bool alpha) {
    RgbaImage rgba;
    rgba.width = w;
    rgba.height = h;
    rgba.hasAlpha = alpha;
    rgba.pixels.assign(static_cast<size_t>(w) * h * 4, 200);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            rgba.pixels[(static_cast<size_t>(y) * w + x) * 4 + 3] = !alpha || x < w / 2 ? 255 : 0;
        }
    }
    String error;
    EXPECT_TRUE(encodeImageFile(String(dir.file(name).c_str()), rgba, error)) << error.text();
    return dir.file(name);
}

size_t fileCount(const TempDir& dir) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir.path()), {}));
}

TEST(ImportCommand, WritesAProjectThatLoadsBack) {
    TempDir dir;
    const std::string a = writePicture(dir, "a.png", 800, 600, true);
    const std::string b = writePicture(dir, "b.png", 120, 90, false);
    const CommandRun run = runImport({a, "-o", dir.file("head"), b});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Imported 2 pictures into " + dir.file("head.qz") + "\n");
    EXPECT_NE(run.err.find("Load image " + b), std::string::npos) << run.err;

    ImageList images;
    ProjectSettings settings;
    StatusSink quiet;
    const ProjectLoadReport report = loadProject(String(dir.file("head.qz").c_str()), images, settings, quiet);
    EXPECT_TRUE(report.problems.empty());
    ASSERT_EQ(images.imageCount(), 2);
    // 800 x 600 became 512 x 384 with the left half of the alpha as mask.
    const ImageEntry& first = *images.entry(0);
    EXPECT_EQ(first.workingCopy.marginBottom, 128);
    EXPECT_TRUE(first.mask.isSet(100, 100));
    EXPECT_FALSE(first.mask.isSet(400, 100));
    EXPECT_FALSE(images.entry(1)->mask.isSet(50, 50));
}

TEST(ImportCommand, UnreadablePicturesAndFoldersWriteNothing) {
    TempDir dir;
    const std::string good = writePicture(dir, "good.png", 40, 40, false);
    ASSERT_TRUE(testsupport::writeText(dir.file("bad.png"), "not a picture"));
    const size_t before = fileCount(dir);

    CommandRun run = runImport({good, dir.file("bad.png"), dir.file("gone.jpg"), "-o", dir.file("p.qz")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("bad.png"), std::string::npos);
    EXPECT_NE(run.err.find("gone.jpg"), std::string::npos);
    EXPECT_EQ(fileCount(dir), before);

    run = runImport({good, "-o", dir.file("no/such/folder/p.qz")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("does not exist"), std::string::npos) << run.err;

    std::filesystem::create_directory(dir.file("taken.qz"));
    run = runImport({good, "-o", dir.file("taken.qz")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(fileCount(dir), before + 1);
}

TEST(ImportCommand, BadArgumentsShowTheUsage) {
    TempDir dir;
    const std::string good = writePicture(dir, "good.png", 40, 40, false);
    const std::vector<std::vector<std::string>> bad = {
        {good}, {"-o", dir.file("p.qz")}, {good, "-o"}, {good, "--bogus", "-o", dir.file("p.qz")},
        {good, "-o", dir.file("p.qz"), "-o", dir.file("q.qz")},
    };
    for (const auto& arguments : bad) {
        const CommandRun run = runImport(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find("usage: plastora import"), std::string::npos);
    }
    const CommandRun help = runImport({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("usage: plastora import"), std::string::npos);
    EXPECT_EQ(fileCount(dir), 1u);
}

}  // namespace
