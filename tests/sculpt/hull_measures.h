// How closely a sculpt mesh hugs the visual hull of a synthetic scene: the
// overlap of its projection with each silhouette, and its volume against the
// hull's volume found by point counting.
#pragma once

#include "sculpt/sculpt_mesh.h"
#include "synthetic_scene.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace hullmeasures {

// What the mesh is measured against: the pictures' mask pixels, or the
// traced and smoothed outlines that carving and sharpening work with (the
// scene must keep its outlines).
enum class Reference { Masks, Outlines };

inline bool silhouetteHas(const synthetic::Scene& scene, int v, int px, int py, Reference reference) {
    return reference == Reference::Masks ? scene.silhouetteAt(v, px, py) : scene.insideOutline(v, px + 0.5, py + 0.5);
}

// Pixels of view `v` whose centre the projection of some mesh triangle covers.
inline std::vector<unsigned char> coveredPixels(const synthetic::Scene& scene, const SculptMesh& mesh, int v) {
    constexpr int n = synthetic::kUsable;
    std::vector<unsigned char> covered(static_cast<std::size_t>(n * n), 0);
    for (std::uint32_t i = 0; i < mesh.triangleSlots(); ++i) {
        if (!mesh.isTriangle(i)) continue;
        const MeshCreationTriangle& t = mesh.triangle(i);
        double x[3], y[3], depth;
        for (int k = 0; k < 3; ++k) {
            const D3DXVECTOR3& p = mesh.position(t.corner(k));
            scene.project(v, synthetic::Vec3{p.x, p.y, p.z}, x[k], y[k], depth);
        }
        const int x0 = std::max(0, static_cast<int>(std::floor(std::min({x[0], x[1], x[2]}))));
        const int x1 = std::min(n - 1, static_cast<int>(std::ceil(std::max({x[0], x[1], x[2]}))));
        const int y0 = std::max(0, static_cast<int>(std::floor(std::min({y[0], y[1], y[2]}))));
        const int y1 = std::min(n - 1, static_cast<int>(std::ceil(std::max({y[0], y[1], y[2]}))));
        for (int py = y0; py <= y1; ++py) {
            for (int px = x0; px <= x1; ++px) {
                const double cx = px + 0.5, cy = py + 0.5;
                const double d1 = (x[1] - x[0]) * (cy - y[0]) - (y[1] - y[0]) * (cx - x[0]);
                const double d2 = (x[2] - x[1]) * (cy - y[1]) - (y[2] - y[1]) * (cx - x[1]);
                const double d3 = (x[0] - x[2]) * (cy - y[2]) - (y[0] - y[2]) * (cx - x[2]);
                if ((d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0)) {
                    covered[static_cast<std::size_t>(py * n + px)] = 1;
                }
            }
        }
    }
    return covered;
}

// Intersection over union of view v's silhouette and the mesh's projection.
inline double silhouetteIoU(const synthetic::Scene& scene, const SculptMesh& mesh, int v,
                            Reference reference = Reference::Masks) {
    const std::vector<unsigned char> covered = coveredPixels(scene, mesh, v);
    std::size_t both = 0, either = 0;
    for (int py = 0; py < synthetic::kUsable; ++py) {
        for (int px = 0; px < synthetic::kUsable; ++px) {
            const bool s = silhouetteHas(scene, v, px, py, reference);
            const bool m = covered[static_cast<std::size_t>(py * synthetic::kUsable + px)] != 0;
            both += (s && m) ? 1 : 0;
            either += (s || m) ? 1 : 0;
        }
    }
    return either == 0 ? 1.0 : static_cast<double>(both) / static_cast<double>(either);
}

// The smallest IoU over all views.
inline double worstSilhouetteIoU(const synthetic::Scene& scene, const SculptMesh& mesh,
                                 Reference reference = Reference::Masks) {
    double worst = 1.0;
    for (int v = 0; v < static_cast<int>(scene.views().size()); ++v) {
        worst = std::min(worst, silhouetteIoU(scene, mesh, v, reference));
    }
    return worst;
}

// Volume of the visual hull by counting jittered grid points of spacing
// `step` inside the cube of half side `extent`.
inline double hullVolume(const synthetic::Scene& scene, double step, double extent,
                         Reference reference = Reference::Masks) {
    const double jitter[3] = {0.3183098861837907, 0.4142135623730951, 0.2360679774997897};
    const int n = static_cast<int>(2.0 * extent / step);
    std::size_t inside = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < n; ++k) {
                const synthetic::Vec3 p{-extent + (i + jitter[0]) * step, -extent + (j + jitter[1]) * step,
                                        -extent + (k + jitter[2]) * step};
                inside += (reference == Reference::Masks ? scene.insideHull(p) : scene.insideOutlineHull(p)) ? 1 : 0;
            }
    return static_cast<double>(inside) * step * step * step;
}

}  // namespace hullmeasures
