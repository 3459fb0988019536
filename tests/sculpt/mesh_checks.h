// Checks of a sculpt mesh: validity, point containment by ray crossing, and
// hull sampling against a synthetic scene.
#pragma once

#include "sculpt/mesh_validity.h"
#include "sculpt/sculpt_mesh.h"
#include "synthetic_scene.h"

#include <cmath>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

namespace meshchecks {

// The validity of the mesh's live triangles (see checkMeshValidity).
inline MeshValidity validityOf(const SculptMesh& mesh, bool withCrossings = false) {
    std::vector<MeshTriangle> triangles;
    for (std::uint32_t t = 0; t < mesh.triangleSlots(); ++t) {
        if (!mesh.isTriangle(t)) continue;
        const MeshCreationTriangle& tri = mesh.triangle(t);
        triangles.push_back({tri.e, tri.f, tri.g});
    }
    // Removed vertex slots are dropped: only live ones are checked for
    // coincidence.
    std::vector<D3DXVECTOR3> positions = mesh.positions();
    std::vector<std::uint32_t> renumber(positions.size(), 0);
    std::vector<D3DXVECTOR3> live;
    for (std::uint32_t v = 0; v < mesh.vertexSlots(); ++v) {
        if (!mesh.isVertex(v)) continue;
        renumber[v] = static_cast<std::uint32_t>(live.size());
        live.push_back(positions[v]);
    }
    for (MeshTriangle& t : triangles) {
        for (std::uint32_t& c : t) c = renumber[c];
    }
    return checkMeshValidity(live, triangles, withCrossings);
}

// Containment by counting signed crossings of a ray along +x with the
// triangles (which, before any reshaping, lie on the lattice of cube faces
// of edge `cell`).
class Containment {
public:
    Containment(const SculptMesh& mesh, double cell) : cell_(cell) {
        for (std::uint32_t i = 0; i < mesh.triangleSlots(); ++i) {
            if (!mesh.isTriangle(i) || std::abs(mesh.faceNormal(i).x) < 0.5f) continue;
            const MeshCreationTriangle& t = mesh.triangle(i);
            Flat flat{mesh.position(t.e), mesh.position(t.f), mesh.position(t.g), mesh.faceNormal(i).x};
            const double cy = (flat.e.y + flat.f.y + flat.g.y) / 3.0;
            const double cz = (flat.e.z + flat.f.z + flat.g.z) / 3.0;
            buckets_[key(cy, cz)].push_back(flat);
        }
    }
    // Signed number of faces crossed leaving towards +x: 1 inside, 0 outside.
    int winding(const synthetic::Vec3& p) const {
        const auto found = buckets_.find(key(p.y, p.z));
        if (found == buckets_.end()) return 0;
        int sum = 0;
        for (const Flat& t : found->second) {
            if (t.e.x <= p.x || !covers(t, p.y, p.z)) continue;
            sum += t.normalX > 0.0f ? 1 : -1;
        }
        return sum;
    }

private:
    std::int64_t key(double y, double z) const {
        return (static_cast<std::int64_t>(std::floor(y / cell_)) + (1 << 20)) * (1 << 22) +
               static_cast<std::int64_t>(std::floor(z / cell_)) + (1 << 20);
    }
    // A triangle facing along x: its corners and the sign of its normal.
    struct Flat {
        D3DXVECTOR3 e, f, g;
        float normalX;
    };
    static bool covers(const Flat& t, double y, double z) {
        const double ay = t.e.y, az = t.e.z;
        const double by = t.f.y, bz = t.f.z;
        const double cy = t.g.y, cz = t.g.z;
        const double d1 = (by - ay) * (z - az) - (bz - az) * (y - ay);
        const double d2 = (cy - by) * (z - bz) - (cz - bz) * (y - by);
        const double d3 = (ay - cy) * (z - cz) - (az - cz) * (y - cy);
        return (d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0);
    }
    double cell_;
    std::unordered_map<std::int64_t, std::vector<Flat>> buckets_;
};

// Hull samples on a jittered grid of spacing `step` over the cube of half
// side `extent` about the origin.
struct HullSamples {
    double step = 0.0;
    std::vector<synthetic::Vec3> points;
};

inline HullSamples sampleHull(const synthetic::Scene& scene, double step, double extent) {
    HullSamples samples;
    samples.step = step;
    // Irrational offsets keep the samples off the lattice of cube faces.
    const double jitter[3] = {0.3183098861837907, 0.4142135623730951, 0.2360679774997897};
    const int n = static_cast<int>(2.0 * extent / step);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < n; ++k) {
                const synthetic::Vec3 p{-extent + (i + jitter[0]) * step, -extent + (j + jitter[1]) * step,
                                        -extent + (k + jitter[2]) * step};
                if (scene.insideHull(p)) samples.points.push_back(p);
            }
    return samples;
}

// Largest distance (world units) from a mesh vertex to the nearest hull
// sample, searched within `limit`; returns more than `limit` when some
// vertex has no sample that close.
inline double largestStandOff(const SculptMesh& mesh, const HullSamples& samples, double limit) {
    const double s = limit / 3.0;
    std::unordered_map<std::int64_t, std::vector<synthetic::Vec3>> grid;
    auto cellOf = [s](double v) { return static_cast<std::int64_t>(std::floor(v / s)) + (1 << 15); };
    auto key = [](std::int64_t a, std::int64_t b, std::int64_t c) { return (a << 34) | (b << 17) | c; };
    for (const auto& p : samples.points) grid[key(cellOf(p.x), cellOf(p.y), cellOf(p.z))].push_back(p);
    const int reach = 3;
    double worst = 0.0;
    for (std::uint32_t i = 0; i < mesh.vertexSlots(); ++i) {
        if (!mesh.isVertex(i)) continue;
        const D3DXVECTOR3& position = mesh.position(i);
        double best = limit * 2.0;
        const std::int64_t cx = cellOf(position.x), cy = cellOf(position.y), cz = cellOf(position.z);
        for (int dx = -reach; dx <= reach; ++dx)
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dz = -reach; dz <= reach; ++dz) {
                    const auto found = grid.find(key(cx + dx, cy + dy, cz + dz));
                    if (found == grid.end()) continue;
                    for (const auto& p : found->second) {
                        const double ex = p.x - position.x, ey = p.y - position.y, ez = p.z - position.z;
                        best = std::min(best, std::sqrt(ex * ex + ey * ey + ez * ez));
                    }
                }
        worst = std::max(worst, best);
    }
    return worst;
}

}  // namespace meshchecks
