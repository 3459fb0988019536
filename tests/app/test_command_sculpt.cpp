// "plastora sculpt": a project in, a mesh out, and clear exits for bad
// arguments and for projects that cannot be sculpted.
#include "app/command_sculpt.h"

#include "image/image_entry.h"
#include "project/clipping_elements.h"
#include "project/project_file.h"
#include "sculpt/mesh_export.h"
#include "sculpt/sculpture.h"
#include "support/command_capture.h"
#include "support/disc_views.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using testsupport::CommandRun;
using testsupport::TempDir;

CommandRun runSculpt(std::vector<std::string> arguments) {
    return testsupport::runCommand(runSculptCommand, "sculpt", std::move(arguments));
}

// A project of two pictures of a disc seen from the front and the side; with
// `enabled` false neither takes part.
std::string writeDiscProject(const TempDir& dir, bool enabled, bool emptyMasks = false) {
    ImageList images;
    ClippingTable clippings(images);
    testsupport::addDiscViews(images, clippings, enabled, emptyMasks);
    ProjectSettings settings;
    settings.voxelsize = 5;
    settings.sharpening = 0;
    settings.smoothing = 0;
    StatusSink quiet;
    const ProjectSaveResult saved = saveProject(String(dir.file("disc.qz").c_str()), images, settings, quiet, &clippings);
    EXPECT_TRUE(saved.saved) << saved.error.text();
    return dir.file("disc.qz");
}

int countLines(const std::string& text, const std::string& prefix) {
    std::istringstream in(text);
    std::string line;
    int count = 0;
    while (std::getline(in, line)) count += line.rfind(prefix, 0) == 0 ? 1 : 0;
    return count;
}

}  // namespace

TEST(CommandSculpt, BadArgumentsPrintTheUsageAndExit2) {
    TempDir dir;
    const std::string project = writeDiscProject(dir, true);
    const std::string out = dir.file("out.obj");
    const std::vector<std::vector<std::string>> cases = {
        {},
        {project},
        {"-o", out},
        {project, "-o"},
        {project, "-o", dir.file("out.OBJ")},
        {project, "-o", dir.file("out.STL")},
        {project, "-o", dir.file("out.gltf")},
        {project, "-o", out, "--texture", "skin.png", "--no-texture"},
        {project, "-o", out, "-o", out},
        {project, project, "-o", out},
        {project, "-o", out, "--voxel-size", "abc"},
        {project, "-o", out, "--voxel-size", "13"},
        {project, "-o", out, "--voxel-size", "4.5"},
        {project, "-o", out, "--sharpening", "-1"},
        {project, "-o", out, "--smoothing", "51"},
        {project, "-o", out, "--simplification", "1.5"},
        {project, "-o", out, "--normal-participation", "nan"},
        {project, "-o", out, "--texture", "skin.gif"},
        {project, "-o", out, "--bogus"},
    };
    for (const auto& arguments : cases) {
        const CommandRun run = runSculpt(arguments);
        EXPECT_EQ(run.exitCode, 2) << testing::PrintToString(arguments);
        EXPECT_NE(run.err.find("usage: plastora sculpt"), std::string::npos);
        EXPECT_TRUE(run.out.empty());
    }
    EXPECT_FALSE(testsupport::fileExists(out));
}

TEST(CommandSculpt, SculptsTheProjectThroughEveryStage) {
    TempDir dir;
    const std::string project = writeDiscProject(dir, true);
    const std::string out = dir.file("disc.obj");
    const CommandRun run = runSculpt({project, "-o", out, "--sharpening", "3", "--simplification", "0.5",
                                      "--texture", dir.file("skin.png")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::smatch match;
    ASSERT_TRUE(std::regex_match(run.out, match,
                                 std::regex("vertices=(\\d+) triangles=(\\d+) seconds=[0-9.]+ carve=[0-9.]+ "
                                            "faces=[0-9.]+ sharpen=[0-9.]+ smooth=[0-9.]+ simplify=[0-9.]+ "
                                            "texture=[0-9.]+\n")))
        << run.out;
    const std::string text = testsupport::readText(out);
    EXPECT_EQ(countLines(text, "v "), std::stoi(match[1]));
    EXPECT_EQ(countLines(text, "f "), std::stoi(match[2]));
    EXPECT_GT(std::stoi(match[2]), 100);
    // Sharpening runs: its passes are reported, nothing is skipped.
    EXPECT_EQ(run.err.find("sharpening: not available"), std::string::npos);
    EXPECT_NE(run.err.find("Sculpturing - Sharpening mesh create edges - Pass 2"), std::string::npos);
    EXPECT_NE(run.err.find("Sculpturing - Simplification - Initialisation"), std::string::npos);
    EXPECT_EQ(run.err.find("not available"), std::string::npos);
    // Texturing runs: the atlas is a PNG, the OBJ has coordinates and names it.
    const std::vector<unsigned char> skin = testsupport::readBytes(dir.file("skin.png"));
    ASSERT_GE(skin.size(), 4u);
    EXPECT_EQ(skin[1], 'P');
    EXPECT_EQ(countLines(text, "vt "), 3 * std::stoi(match[2]));
    EXPECT_NE(testsupport::readText(dir.file("disc.mtl")).find("map_Kd skin.png"), std::string::npos);
    // The project asks for no smoothing: nothing said about it.
    EXPECT_EQ(run.err.find("smoothing:"), std::string::npos);
    EXPECT_NE(run.err.find("Sculpturing - Creating Octree Depth 5"), std::string::npos);

    // A finer voxel size from the command line gives more triangles; VRML works too.
    const CommandRun finer = runSculpt({project, "-o", dir.file("disc.wrl"), "--voxel-size", "6"});
    ASSERT_EQ(finer.exitCode, 0) << finer.err;
    ASSERT_TRUE(std::regex_search(finer.out, match, std::regex("triangles=(\\d+)")));
    EXPECT_GT(std::stoi(match[1]), countLines(text, "f "));
    EXPECT_EQ(testsupport::readText(dir.file("disc.wrl")).rfind("#VRML V2.0 utf8", 0), 0u);
}

TEST(CommandSculpt, GlbAndPlyCarryTheTextureThemselvesStlNone) {
    TempDir dir;
    const std::string project = writeDiscProject(dir, true);
    struct Case {
        const char* file;
        std::vector<std::string> options;
        bool textured;
    };
    const Case cases[] = {
        {"disc.glb", {}, true},
        {"plain.glb", {"--no-texture"}, false},
        {"disc.ply", {}, true},
        {"disc.stl", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::vector<std::string> arguments = {project, "-o", dir.file(c.file), "--quiet"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const CommandRun run = runSculpt(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(run.err.empty()) << run.err;  // --quiet
        const std::string text = testsupport::readText(dir.file(c.file));
        if (std::string(c.file).ends_with(".glb")) {
            EXPECT_EQ(text.find("TEXCOORD_0") != std::string::npos, c.textured);
            EXPECT_EQ(text.find("image/png") != std::string::npos, c.textured);
        } else if (std::string(c.file).ends_with(".ply")) {
            EXPECT_EQ(text.find("property uchar red") != std::string::npos, c.textured);
        }
        EXPECT_FALSE(run.out.empty());
    }
    // No texture file was asked for, so none was written.
    EXPECT_FALSE(testsupport::fileExists(dir.file("disc.mtl")));
}

TEST(CommandSculpt, UnreadableOrIdleProjectsExit1WithoutOutput) {
    TempDir dir;
    const std::string out = dir.file("out.obj");
    CommandRun run = runSculpt({dir.file("missing.qz"), "-o", out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("could not be read"), std::string::npos);

    ASSERT_TRUE(testsupport::writeText(dir.file("other.qz"), "<Something></Something>"));
    run = runSculpt({dir.file("other.qz"), "-o", out});
    EXPECT_EQ(run.exitCode, 1);

    TempDir idle;
    run = runSculpt({writeDiscProject(idle, false), "-o", out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("nothing to sculpt"), std::string::npos);

    TempDir empty;
    run = runSculpt({writeDiscProject(empty, true, true), "-o", out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("empty mask"), std::string::npos);

    TempDir damaged;
    const std::string project = writeDiscProject(damaged, true);
    std::string text = testsupport::readText(project);
    text.replace(text.find("x=1500.000000"), 13, "x=-3");
    text.replace(text.find("x=1500.000000"), 13, "x=nan");
    ASSERT_TRUE(testsupport::writeText(project, text));
    run = runSculpt({project, "-o", out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("placement is unusable"), std::string::npos);

    run = runSculpt({writeDiscProject(damaged, true), "-o", dir.file("no/such/folder/out.obj")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.empty());
    EXPECT_FALSE(testsupport::fileExists(out));
}

TEST(CommandSculpt, TheCommandWritesTheMeshAWorkerRunMakesFromTheSameProject) {
    TempDir dir;
    const std::string project = writeDiscProject(dir, true);
    const std::string out = dir.file("disc.obj");
    const CommandRun run = runSculpt({project, "-o", out, "--voxel-size", "7", "--sharpening", "5", "--smoothing", "2",
                                      "--simplification", "0.3", "--normal-participation", "4"});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    // The same project and settings run on a worker with two threads, as the
    // program's window runs it, written the same way.
    ImageList images;
    ClippingTable clippings(images);
    ProjectSettings stored;
    StatusSink quiet;
    ASSERT_TRUE(loadProject(String(project.c_str()), images, stored, quiet, &clippings).opened);
    std::vector<Clipping*> list;
    for (int i = 0; i < clippings.slotCount(); ++i) list.push_back(clippings.clipping(i));
    SculptSettings settings;
    settings.depth = 7;
    settings.sharpeningPasses = 5;
    settings.smoothingPasses = 2;
    settings.simplification = 0.3f;
    settings.normalParticipation = 4.0f;
    settings.threads = 2;
    Sculpture sculpture(settings);
    ASSERT_TRUE(sculpture.prepare(list));
    SilentProgress progress;
    RunOutcome outcome = RunOutcome::Cancelled;
    std::thread worker([&] { outcome = sculpture.run(progress); });
    worker.join();
    ASSERT_EQ(outcome, RunOutcome::Finished);
    const std::string again = dir.file("again.obj");
    ASSERT_TRUE(exportMesh(exportMeshOf(sculpture.mesh(), false), String(again.c_str()), MeshFormat::Obj).written);
    EXPECT_EQ(testsupport::readText(out), testsupport::readText(again));
}
