// The carved mesh against visual hulls computed here by point sampling:
// it must be a closed, outward-facing envelope that encloses the hull and
// stays within three finest cells of it, in space and in every picture.
#include "mesh_checks.h"
#include "sculpt/sculpture.h"
#include "synthetic_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace {

using synthetic::Vec3;

constexpr int kDepth = 7;

struct Carved {
    explicit Carved(const synthetic::Scene& scene) : sculpture(settings()) {
        SilentProgress progress;
        const std::vector<Clipping*> clippings = scene.clippings();
        EXPECT_TRUE(sculpture.execute(clippings, progress));
    }
    static SculptSettings settings() {
        SculptSettings s;
        s.depth = kDepth;
        return s;
    }
    double cell() const { return sculpture.cellEdge(); }
    Sculpture sculpture;
};

void expectClosedAndOutward(const Carved& carved) {
    const SculptMesh& mesh = carved.sculpture.mesh();
    ASSERT_GT(mesh.objectInfo().triangles, 0);
    const MeshValidity v = meshchecks::validityOf(mesh, true);
    EXPECT_TRUE(v.isValid()) << "not shared by two " << v.edgesNotSharedByTwo << ", unbalanced " << v.unbalancedEdges
                             << ", coincident " << v.coincidentVertices << ", crossing " << v.selfIntersections;
    EXPECT_GT(mesh.signedVolume(), 0.0);
}

// Encloses at least 99 % of the hull samples, with every sample's winding
// 0 or 1, and no vertex farther than three cells from the hull.
void expectEnvelope(const synthetic::Scene& scene, const Carved& carved, double extent) {
    const SculptMesh& mesh = carved.sculpture.mesh();
    const double cell = carved.cell();
    const meshchecks::HullSamples samples = meshchecks::sampleHull(scene, cell * 0.5, extent);
    ASSERT_GT(samples.points.size(), 1000u);
    const meshchecks::Containment containment(mesh, cell);
    std::size_t inside = 0;
    std::size_t oddWinding = 0;
    for (const Vec3& p : samples.points) {
        const int w = containment.winding(p);
        inside += w == 1 ? 1 : 0;
        oddWinding += (w != 0 && w != 1) ? 1 : 0;
    }
    EXPECT_EQ(oddWinding, 0u);
    const double enclosed = static_cast<double>(inside) / static_cast<double>(samples.points.size());
    EXPECT_GE(enclosed, 0.99);
    const double hullVolume = static_cast<double>(samples.points.size()) * std::pow(samples.step, 3);
    // The samples find the hull's boundary only to within half a diagonal of
    // their grid.
    const double limit = 3.0 * cell + 0.5 * std::sqrt(3.0) * samples.step;
    const double standOff = meshchecks::largestStandOff(mesh, samples, limit);
    EXPECT_LE(standOff, limit);
    std::printf("enclosed %.4f, largest stand-off %.1f (cell %.0f), excess volume %.1f %%\n", enclosed, standOff,
                cell, 100.0 * (mesh.signedVolume() - hullVolume) / hullVolume);
}

// Projected into each picture the mesh covers the silhouette and no vertex
// falls farther than three cells from it.
void expectPicturesCovered(const synthetic::Scene& scene, const Carved& carved) {
    const SculptMesh& mesh = carved.sculpture.mesh();
    const double limitPixels = 3.0 * carved.cell() / scene.pixelSize();
    for (int v = 0; v < static_cast<int>(scene.views().size()); ++v) {
        const std::vector<double> distance = scene.silhouetteDistance(v);
        std::vector<unsigned char> covered(static_cast<std::size_t>(synthetic::kUsable * synthetic::kUsable), 0);
        double farthest = 0.0;
        for (std::uint32_t i = 0; i < mesh.triangleSlots(); ++i) {
            if (!mesh.isTriangle(i)) continue;
            const MeshCreationTriangle& t = mesh.triangle(i);
            double x[3], y[3], depth;
            for (int k = 0; k < 3; ++k) {
                const D3DXVECTOR3& c = mesh.position(t.corner(k));
                scene.project(v, Vec3{c.x, c.y, c.z}, x[k], y[k], depth);
                const int px = std::clamp(static_cast<int>(std::floor(x[k])), 0, synthetic::kUsable - 1);
                const int py = std::clamp(static_cast<int>(std::floor(y[k])), 0, synthetic::kUsable - 1);
                farthest = std::max(farthest, distance[static_cast<std::size_t>(py * synthetic::kUsable + px)]);
            }
            // Mark the pixel centres inside the projected triangle.
            const int x0 = std::max(0, static_cast<int>(std::floor(std::min({x[0], x[1], x[2]}))));
            const int x1 = std::min(synthetic::kUsable - 1, static_cast<int>(std::ceil(std::max({x[0], x[1], x[2]}))));
            const int y0 = std::max(0, static_cast<int>(std::floor(std::min({y[0], y[1], y[2]}))));
            const int y1 = std::min(synthetic::kUsable - 1, static_cast<int>(std::ceil(std::max({y[0], y[1], y[2]}))));
            for (int py = y0; py <= y1; ++py) {
                for (int px = x0; px <= x1; ++px) {
                    const double cx = px + 0.5, cy = py + 0.5;
                    const double d1 = (x[1] - x[0]) * (cy - y[0]) - (y[1] - y[0]) * (cx - x[0]);
                    const double d2 = (x[2] - x[1]) * (cy - y[1]) - (y[2] - y[1]) * (cx - x[1]);
                    const double d3 = (x[0] - x[2]) * (cy - y[2]) - (y[0] - y[2]) * (cx - x[2]);
                    if ((d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0)) {
                        covered[static_cast<std::size_t>(py * synthetic::kUsable + px)] = 1;
                    }
                }
            }
        }
        int uncovered = 0;
        for (int py = 0; py < synthetic::kUsable; ++py) {
            for (int px = 0; px < synthetic::kUsable; ++px) {
                if (scene.silhouetteAt(v, px, py) && !covered[static_cast<std::size_t>(py * synthetic::kUsable + px)]) {
                    ++uncovered;
                }
            }
        }
        EXPECT_EQ(uncovered, 0) << "view " << v;
        // One pixel more for the vertex's own pixel.
        EXPECT_LE(farthest, limitPixels + 1.0) << "view " << v;
    }
}

TEST(SculptAccuracy, SphereFromThreeAxesIsATightClosedEnvelope) {
    const synthetic::Scene scene(synthetic::sphere(),
                                 {synthetic::View{0, 0}, synthetic::View{90, 0}, synthetic::View{0, 90}});
    const Carved carved(scene);
    expectClosedAndOutward(carved);
    expectEnvelope(scene, carved, 440.0);
    expectPicturesCovered(scene, carved);
}

TEST(SculptAccuracy, SlabFacesCutTheSphere) {
    // The first picture's slab is only 500 deep: the hull is the sphere cut
    // flat at x = -250 and x = 250.
    const synthetic::Scene scene(synthetic::sphere(),
                                 {synthetic::View{0, 0, 500.0}, synthetic::View{90, 0}, synthetic::View{0, 90}});
    const Carved carved(scene);
    expectClosedAndOutward(carved);
    expectEnvelope(scene, carved, 440.0);
    float largestX = 0.0f;
    const SculptMesh& mesh = carved.sculpture.mesh();
    for (std::uint32_t i = 0; i < mesh.vertexSlots(); ++i) {
        if (mesh.isVertex(i)) largestX = std::max(largestX, std::abs(mesh.position(i).x));
    }
    EXPECT_LE(largestX, 250.0 + 3.0 * carved.cell());
    EXPECT_GE(largestX, 250.0);
}

TEST(SculptAccuracy, RingWithPostFromSixDirectionsKeepsItsHole) {
    const synthetic::Scene scene(synthetic::ringWithPost(), synthetic::sixViews());
    const Carved carved(scene);
    expectClosedAndOutward(carved);
    expectEnvelope(scene, carved, 440.0);
    expectPicturesCovered(scene, carved);
    // The hole in the middle stays open: the ray up the Y axis meets no face.
    const meshchecks::Containment containment(carved.sculpture.mesh(), carved.cell());
    EXPECT_EQ(containment.winding(Vec3{-150.3, 0.1, 0.2}), 0);
    EXPECT_EQ(containment.winding(Vec3{0.3, 0.1, 0.2}), 0);
}

}  // namespace
