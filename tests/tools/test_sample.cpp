// The bundled sample project: it loads with all its pictures placed, and
// sculpting it gives a closed mesh that casts the pictures' silhouettes.
#include "sample_object.h"
#include "sample_project.h"

#include "image/image_entry.h"
#include "project/clipping_elements.h"
#include "project/project_file.h"
#include "sculpt/mesh_export.h"
#include "sculpt/sculpture.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace {

std::string samplePath() { return testsupport::appDir() + "/data/sample/sample.qz"; }

struct LoadedSample {
    ImageList images;
    ClippingTable clippings{images};
    ProjectSettings settings;
    ProjectLoadReport report;

    LoadedSample() {
        StatusSink quiet;
        report = loadProject(String(samplePath().c_str()), images, settings, quiet, &clippings);
    }
    std::vector<Clipping*> list() const {
        std::vector<Clipping*> all;
        for (int i = 0; i < clippings.slotCount(); ++i) all.push_back(clippings.clipping(i));
        return all;
    }
};

// Fills the grid cells whose centres lie inside the triangle (a, b, c) given
// in grid coordinates (i, j).
void fillTriangle(std::vector<char>& cells, const float (&a)[2], const float (&b)[2], const float (&c)[2]) {
    const int i0 = std::max(0, static_cast<int>(std::floor(std::min({a[0], b[0], c[0]}))));
    const int i1 = std::min(512, static_cast<int>(std::ceil(std::max({a[0], b[0], c[0]}))));
    const int j0 = std::max(0, static_cast<int>(std::floor(std::min({a[1], b[1], c[1]}))));
    const int j1 = std::min(512, static_cast<int>(std::ceil(std::max({a[1], b[1], c[1]}))));
    const auto edge = [](const float (&p)[2], const float (&q)[2], float x, float y) {
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0]);
    };
    for (int i = i0; i <= i1; ++i) {
        for (int j = j0; j <= j1; ++j) {
            const float x = static_cast<float>(i);
            const float y = static_cast<float>(j);
            const float e0 = edge(a, b, x, y), e1 = edge(b, c, x, y), e2 = edge(c, a, x, y);
            if ((e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0)) cells[i * 513 + j] = 1;
        }
    }
}

// Intersection over union of the mesh's shadow in the clipping's grid and
// the silhouette.
double silhouetteOverlap(const ExportMesh& mesh, const Clipping& clipping) {
    std::vector<char> shadow(513 * 513, 0);
    for (const auto& triangle : mesh.triangles) {
        float corners[3][2];
        for (int k = 0; k < 3; ++k) {
            const auto point = clipping.projectPoint(mesh.positions[triangle.corner[k]]);
            if (!point) return 0.0;
            corners[k][0] = point->u - 1.5f;
            corners[k][1] = point->w - 1.5f;
        }
        fillTriangle(shadow, corners[0], corners[1], corners[2]);
    }
    int both = 0;
    int either = 0;
    for (int i = 0; i < 513; ++i) {
        for (int j = 0; j < 513; ++j) {
            const bool mask = clipping.grid().cell(i, j) != 0;
            const bool cast = shadow[i * 513 + j] != 0;
            both += mask && cast;
            either += mask || cast;
        }
    }
    return either == 0 ? 0.0 : static_cast<double>(both) / either;
}

}  // namespace

TEST(SampleProject, LoadsEveryPictureWithItsPlacement) {
    LoadedSample sample;
    ASSERT_TRUE(sample.report.opened) << samplePath();
    EXPECT_TRUE(sample.report.problems.empty()) << describeLoadProblems(sample.report).text();
    EXPECT_TRUE(sample.clippings.problems().empty());
    const std::vector<sample::View> views = sample::sampleViews();
    ASSERT_GE(views.size(), 6u);
    ASSERT_LE(views.size(), 8u);
    ASSERT_EQ(sample.images.imageCount(), static_cast<int>(views.size()));
    EXPECT_FLOAT_EQ(sample.settings.voxelsize, sample::kSampleVoxelSize);
    for (std::size_t i = 0; i < views.size(); ++i) {
        SCOPED_TRACE(i);
        const Clipping* clipping = sample.clippings.clipping(static_cast<int>(i));
        ASSERT_NE(clipping, nullptr);
        EXPECT_TRUE(clipping->isReadyForSculpting());
        EXPECT_FLOAT_EQ(clipping->placement().angle, views[i].angle);
        EXPECT_FLOAT_EQ(clipping->placement().angleheight, views[i].angleheight);
        EXPECT_FLOAT_EQ(clipping->placement().scaling.y, sample::kUnitsPerPixel);
        // The object fills a good part of the picture but never touches its edge.
        const GridBox& box = clipping->grid().boundingBox();
        EXPECT_GT(box.maxI - box.minI, 200.0f);
        EXPECT_GT(box.minI, 2.0f);
        EXPECT_LT(box.maxI, 508.0f);
        EXPECT_TRUE(sample.images.entry(static_cast<int>(i))->usedForSculpting);
    }
}

TEST(SampleProject, SculptingGivesAClosedMeshCastingThePictures) {
    LoadedSample sample;
    ASSERT_TRUE(sample.report.opened);
    SculptSettings settings;
    settings.depth = static_cast<int>(sample::kSampleVoxelSize);
    Sculpture run(settings);
    SilentProgress progress;
    const std::vector<Clipping*> list = sample.list();
    ASSERT_TRUE(run.execute(list, progress));
    const ExportMesh mesh = exportMeshOf(run.mesh(), false);
    ASSERT_GT(mesh.triangles.size(), 1000u);

    // Closed: every edge is shared by exactly two triangles, once each way.
    std::map<std::pair<std::uint32_t, std::uint32_t>, int> edges;
    for (const auto& t : mesh.triangles) {
        for (int k = 0; k < 3; ++k) ++edges[{t.corner[k], t.corner[(k + 1) % 3]}];
    }
    int open = 0;
    for (const auto& [edge, count] : edges) {
        if (count != 1 || edges.count({edge.second, edge.first}) == 0) ++open;
    }
    EXPECT_EQ(open, 0);
    EXPECT_GT(signedVolumeLeftHanded(mesh), 0.0);

    for (int i = 0; i < static_cast<int>(list.size()); ++i) {
        SCOPED_TRACE(i);
        const double overlap = silhouetteOverlap(mesh, *list[static_cast<std::size_t>(i)]);
        EXPECT_GE(overlap, 0.8);
    }
}

TEST(SampleProject, ObjectLooksTheSameFromEveryPictureItWasTakenFrom) {
    // Each picture's alpha is exactly where the object is: its middle pixel
    // row crosses the mug, its corners are empty.
    for (const sample::View& view : sample::sampleViews()) {
        const sample::Picture picture = sample::renderView(view);
        EXPECT_EQ(picture.alpha[0], 0);
        EXPECT_EQ(picture.alpha.back(), 0);
        EXPECT_EQ(picture.alpha[256 * 512 + 256], 255);
    }
}
