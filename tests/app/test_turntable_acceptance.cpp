// From turntable photographs to a textured .glb on the command line alone:
// the sample object rendered from 8 directions 20 degrees above the
// turntable, "plastora import --turntable --elevation 20", then "plastora
// sculpt -o x.glb". The model must reproduce every silhouette, be closed and
// oriented, carry the photographs' colours on the right sides, and the
// placed project must survive a load and save unchanged.
#include "app/command_import.h"
#include "app/command_sculpt.h"

#include "image/image_entry.h"
#include "mesh_checks.h"
#include "project/clipping_elements.h"
#include "project/project_file.h"
#include "sample_project.h"
#include "support/command_capture.h"
#include "support/glb_reader.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using testsupport::GlbMesh;
using testsupport::TempDir;
using namespace meshchecks;

constexpr int kViews = 8;
constexpr float kElevation = 20.0f;

std::vector<std::string> sortedFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(TurntableAcceptance, PhotographsBecomeATexturedGlbThatReproducesThem) {
    TempDir dir;
    std::string error;
    ASSERT_TRUE(sample::writeTurntablePictures(dir.file("photos"), kViews, kElevation, error)) << error;
    std::vector<std::string> import;
    for (const std::string& name : sortedFiles(dir.file("photos"))) import.push_back(dir.file("photos/" + name));
    ASSERT_EQ(import.size(), static_cast<std::size_t>(kViews));
    const std::string project = dir.file("mug.qz");
    for (const char* option : {"-o", project.c_str(), "--turntable", "--elevation", "20", "--quiet"}) {
        import.push_back(option);
    }
    const testsupport::CommandRun imported = testsupport::runCommand(runImportCommand, "import", import);
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_TRUE(imported.err.empty()) << imported.err;  // --quiet

    const std::string model = dir.file("x.glb");
    const testsupport::CommandRun sculpted = testsupport::runCommand(
        runSculptCommand, "sculpt", {project, "-o", model, "--voxel-size", "8", "--quiet"});
    ASSERT_EQ(sculpted.exitCode, 0) << sculpted.err;

    GlbMesh mesh;
    ASSERT_TRUE(testsupport::readGlb(model, mesh, error)) << error;
    ASSERT_GT(mesh.indices.size(), 3000u);
    ASSERT_EQ(mesh.uvs.size(), mesh.positions.size());
    ASSERT_GT(mesh.texture.width, 0);

    const Edges edges = edgesOf(mesh);
    EXPECT_EQ(edges.openOrMisoriented, 0);
    EXPECT_GT(edges.volume, 0.0);

    // The placed project: every picture where the turntable put it.
    ImageList images;
    ClippingTable clippings(images);
    ProjectSettings settings;
    StatusSink quiet;
    ASSERT_TRUE(loadProject(String(project.c_str()), images, settings, quiet, &clippings).opened);
    ASSERT_EQ(images.imageCount(), kViews);
    for (int k = 0; k < kViews; ++k) {
        SCOPED_TRACE(k);
        const Clipping& clipping = *clippings.clipping(k);
        EXPECT_FLOAT_EQ(clipping.placement().angle, 45.0f * static_cast<float>(k));
        EXPECT_FLOAT_EQ(clipping.placement().angleheight, -kElevation);
        const double iou = intersectionOverUnion(silhouette(mesh, clipping, images.entry(k)->mask), images.entry(k)->mask);
        EXPECT_GE(iou, 0.9);
    }

    // Colours on the right sides. The model is 1 / 1.5 of the rendered size
    // (the pictures were taken at 1.5 world units per pixel, the turntable
    // places them at 1).
    expectMugColours(mesh, 1.0f / 1.5f);

    // Loading the placed project and saving it elsewhere changes nothing.
    std::filesystem::create_directory(dir.file("again"));
    ASSERT_TRUE(saveProject(String(dir.file("again/mug.qz").c_str()), images, settings, quiet, &clippings).saved);
    for (const std::string& name : sortedFiles(dir.file("again"))) {
        SCOPED_TRACE(name);
        EXPECT_EQ(testsupport::readBytes(dir.file("again/" + name)), testsupport::readBytes(dir.file(name)));
    }
    EXPECT_EQ(sortedFiles(dir.file("again")).size(), 1u + 3u * kViews);
}
