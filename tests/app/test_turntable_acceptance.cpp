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
    // places them at 1). The yellow handle sticks out towards +x, the red
    // body's far side is at -x, the blue saucer lies below. The texturing
    // paints what each picture sees of the carved hull, which is larger than
    // the mug where no silhouette cuts it, so the shares are compared side
    // against side rather than demanded whole.
    const float s = 1.0f / 1.5f;
    const auto yellow = looksYellow;
    const auto red = looksRed;
    const auto blue = looksBlue;
    const auto handleSide = [&](const D3DXVECTOR3& p) { return p.x > 200.0f * s && std::fabs(p.y) < 60.0f * s; };
    const auto otherSide = [&](const D3DXVECTOR3& p) { return p.x < -150.0f * s && std::fabs(p.y) < 60.0f * s; };
    const auto low = [&](const D3DXVECTOR3& p) {
        return p.y < -150.0f * s && std::hypot(p.x + 34.0f * s, p.z) > 180.0f * s;
    };
    const auto high = [&](const D3DXVECTOR3& p) { return p.y > 100.0f * s; };
    EXPECT_GE(shareLooking(mesh, handleSide, yellow), 0.45);
    EXPECT_LE(shareLooking(mesh, otherSide, yellow), 0.05);
    EXPECT_GE(shareLooking(mesh, otherSide, red), 0.6);
    EXPECT_LE(shareLooking(mesh, handleSide, red), 0.4);
    EXPECT_GE(shareLooking(mesh, low, blue), 0.1);
    EXPECT_LE(shareLooking(mesh, high, blue), 0.02);

    // Loading the placed project and saving it elsewhere changes nothing.
    std::filesystem::create_directory(dir.file("again"));
    ASSERT_TRUE(saveProject(String(dir.file("again/mug.qz").c_str()), images, settings, quiet, &clippings).saved);
    for (const std::string& name : sortedFiles(dir.file("again"))) {
        SCOPED_TRACE(name);
        EXPECT_EQ(testsupport::readBytes(dir.file("again/" + name)), testsupport::readBytes(dir.file(name)));
    }
    EXPECT_EQ(sortedFiles(dir.file("again")).size(), 1u + 3u * kViews);
}
