// From turntable photographs to a textured .glb on the command line alone:
// the sample object rendered from 8 directions 20 degrees above the
// turntable, "plastora import --turntable --elevation 20", then "plastora
// sculpt -o x.glb". The model must reproduce every silhouette, be closed and
// oriented, carry the photographs' colours on the right sides, and the
// placed project must survive a load and save unchanged.
#include "app/command_import.h"
#include "app/command_sculpt.h"

#include "image/image_entry.h"
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

constexpr int kViews = 8;
constexpr float kElevation = 20.0f;

// The model's vertex in the program's own (left-handed) frame.
D3DXVECTOR3 programFrame(const std::array<float, 3>& p) { return {p[0], p[1], -p[2]}; }

struct Edges {
    // Directed edges without a reverse used as often.
    int openOrMisoriented = 0;
    double volume = 0.0;
};

// Welds by position and checks every directed edge against its reverse.
Edges edgesOf(const GlbMesh& mesh) {
    std::map<std::tuple<float, float, float>, int> welded;
    std::vector<int> id(mesh.positions.size());
    for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
        const auto& p = mesh.positions[i];
        id[i] = welded.emplace(std::make_tuple(p[0], p[1], p[2]), static_cast<int>(welded.size())).first->second;
    }
    std::map<std::pair<int, int>, int> directed;
    Edges edges;
    for (std::size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
        const auto& a = mesh.positions[mesh.indices[t]];
        const auto& b = mesh.positions[mesh.indices[t + 1]];
        const auto& c = mesh.positions[mesh.indices[t + 2]];
        edges.volume += (a[0] * (b[1] * c[2] - b[2] * c[1]) + a[1] * (b[2] * c[0] - b[0] * c[2]) +
                         a[2] * (b[0] * c[1] - b[1] * c[0])) / 6.0;
        for (int k = 0; k < 3; ++k) ++directed[{id[mesh.indices[t + k]], id[mesh.indices[t + (k + 1) % 3]]}];
    }
    // Closed and consistently oriented: each directed edge is met by its
    // reverse as often as it is used (twice where two parts of the surface
    // touch along an edge).
    for (const auto& [edge, count] : directed) {
        const auto reverse = directed.find({edge.second, edge.first});
        if (reverse == directed.end() || reverse->second != count) ++edges.openOrMisoriented;
    }
    return edges;
}

// The model's silhouette in the picture of `clipping`: every pixel whose
// centre falls inside a projected triangle.
std::vector<bool> silhouette(const GlbMesh& mesh, const Clipping& clipping, const Image& mask) {
    const int side = mask.width();
    const int usableX = 510 - mask.marginRight;
    const int usableY = 510 - mask.marginBottom;
    std::vector<bool> covered(static_cast<std::size_t>(side) * side, false);
    std::vector<std::array<float, 2>> projected(mesh.positions.size());
    for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
        const std::optional<ClipPoint> p = clipping.projectPoint(programFrame(mesh.positions[i]));
        projected[i] = p ? std::array<float, 2>{p->u, p->w} : std::array<float, 2>{-1e9f, -1e9f};
    }
    for (std::size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
        const auto& a = projected[mesh.indices[t]];
        const auto& b = projected[mesh.indices[t + 1]];
        const auto& c = projected[mesh.indices[t + 2]];
        const float area = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
        if (std::fabs(area) < 1e-9f) continue;
        const float low[2] = {std::min({a[0], b[0], c[0]}), std::min({a[1], b[1], c[1]})};
        const float high[2] = {std::max({a[0], b[0], c[0]}), std::max({a[1], b[1], c[1]})};
        // Grid cell i = round(u - 1.5) is pixel x = usableX - i.
        for (int y = 0; y < side; ++y) {
            const float w = static_cast<float>(usableY - y) + 1.5f;
            if (w < low[1] || w > high[1]) continue;
            for (int x = 0; x < side; ++x) {
                const float u = static_cast<float>(usableX - x) + 1.5f;
                if (u < low[0] || u > high[0]) continue;
                const float e0 = (b[0] - a[0]) * (w - a[1]) - (b[1] - a[1]) * (u - a[0]);
                const float e1 = (c[0] - b[0]) * (w - b[1]) - (c[1] - b[1]) * (u - b[0]);
                const float e2 = (a[0] - c[0]) * (w - c[1]) - (a[1] - c[1]) * (u - c[0]);
                if ((e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0)) {
                    covered[static_cast<std::size_t>(y) * side + x] = true;
                }
            }
        }
    }
    return covered;
}

double intersectionOverUnion(const std::vector<bool>& model, const Image& mask) {
    long long both = 0, either = 0;
    for (int y = 0; y < mask.height(); ++y) {
        for (int x = 0; x < mask.width(); ++x) {
            const bool a = model[static_cast<std::size_t>(y) * mask.width() + x];
            const bool b = mask.isSet(x, y);
            both += a && b;
            either += a || b;
        }
    }
    return either == 0 ? 0.0 : static_cast<double>(both) / static_cast<double>(either);
}

struct Rgbf {
    float r, g, b;
};

Rgbf textureAt(const GlbMesh& mesh, float u, float v) {
    const int x = std::clamp(static_cast<int>(u * mesh.texture.width), 0, mesh.texture.width - 1);
    const int y = std::clamp(static_cast<int>(v * mesh.texture.height), 0, mesh.texture.height - 1);
    const unsigned char* p = &mesh.texture.pixels[(static_cast<std::size_t>(y) * mesh.texture.width + x) * 4];
    return {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
}

// The share of the triangles whose centroid satisfies `where` that show a
// texture colour satisfying `looks`; -1 when there are none.
template <typename Where, typename Looks>
double shareLooking(const GlbMesh& mesh, Where where, Looks looks) {
    int inside = 0, matching = 0;
    for (std::size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
        D3DXVECTOR3 centre(0, 0, 0);
        float u = 0.0f, v = 0.0f;
        for (int k = 0; k < 3; ++k) {
            const std::uint32_t i = mesh.indices[t + k];
            centre += programFrame(mesh.positions[i]) * (1.0f / 3.0f);
            u += mesh.uvs[i][0] / 3.0f;
            v += mesh.uvs[i][1] / 3.0f;
        }
        if (!where(centre)) continue;
        ++inside;
        matching += looks(textureAt(mesh, u, v)) ? 1 : 0;
    }
    return inside == 0 ? -1.0 : static_cast<double>(matching) / inside;
}

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
    const auto yellow = [](const Rgbf& c) { return c.g > 50 && c.r >= 0.8f * c.g && c.b < 0.55f * c.g; };
    const auto red = [](const Rgbf& c) { return c.r > c.g + 40 && c.r > c.b + 40; };
    const auto blue = [](const Rgbf& c) { return c.b > c.r + 30 && c.b > c.g; };
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
