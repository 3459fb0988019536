// Independent checks of a carved sculpt mesh: edge topology, point
// containment by ray crossing, and hull sampling against a synthetic scene.
#pragma once

#include "sculpt/sculpt_mesh.h"
#include "synthetic_scene.h"

#include <cmath>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

namespace meshchecks {

// How the triangles meet along their edges.
struct Topology {
    int edges = 0;
    // Edges used by a number of triangles other than two.
    int edgesNotShardByTwo = 0;
    // Of those, the ones used by four triangles where cubes touch along an
    // edge only.
    int edgesSharedByFour = 0;
    // Directed edges whose reverse is not used equally often (inconsistent
    // orientation or an open edge).
    int unbalancedDirectedEdges = 0;
};

inline Topology topology(const SculptMesh& mesh) {
    std::map<std::pair<const SculptVertex*, const SculptVertex*>, int> directed;
    for (int i = 0; i < mesh.triangles().count(); ++i) {
        const MeshCreationTriangle* t = mesh.triangles()[i];
        if (t == nullptr) continue;
        const SculptVertex* c[3] = {t->e, t->g, t->f};
        for (int k = 0; k < 3; ++k) ++directed[{c[k], c[(k + 1) % 3]}];
    }
    Topology result;
    std::map<std::pair<const SculptVertex*, const SculptVertex*>, int> undirected;
    for (const auto& [edge, count] : directed) {
        const auto reverse = directed.find({edge.second, edge.first});
        const int back = reverse == directed.end() ? 0 : reverse->second;
        if (back != count) ++result.unbalancedDirectedEdges;
        const auto key = edge.first < edge.second ? edge : std::make_pair(edge.second, edge.first);
        undirected[key] += count;
    }
    for (const auto& [edge, count] : undirected) {
        ++result.edges;
        if (count != 2) ++result.edgesNotShardByTwo;
        if (count == 4) ++result.edgesSharedByFour;
    }
    return result;
}

// Containment by counting signed crossings of a ray along +x with the
// triangles (which, before any reshaping, lie on the lattice of cube faces
// of edge `cell`).
class Containment {
public:
    Containment(const SculptMesh& mesh, double cell) : cell_(cell) {
        for (int i = 0; i < mesh.triangles().count(); ++i) {
            const MeshCreationTriangle* t = mesh.triangles()[i];
            if (t == nullptr || std::abs(t->normal.x) < 0.5f) continue;
            const double cy = (t->e->position.y + t->f->position.y + t->g->position.y) / 3.0;
            const double cz = (t->e->position.z + t->f->position.z + t->g->position.z) / 3.0;
            buckets_[key(cy, cz)].push_back(t);
        }
    }
    // Signed number of faces crossed leaving towards +x: 1 inside, 0 outside.
    int winding(const synthetic::Vec3& p) const {
        const auto found = buckets_.find(key(p.y, p.z));
        if (found == buckets_.end()) return 0;
        int sum = 0;
        for (const MeshCreationTriangle* t : found->second) {
            if (t->e->position.x <= p.x || !covers(*t, p.y, p.z)) continue;
            sum += t->normal.x > 0.0f ? 1 : -1;
        }
        return sum;
    }

private:
    std::int64_t key(double y, double z) const {
        return (static_cast<std::int64_t>(std::floor(y / cell_)) + (1 << 20)) * (1 << 22) +
               static_cast<std::int64_t>(std::floor(z / cell_)) + (1 << 20);
    }
    static bool covers(const MeshCreationTriangle& t, double y, double z) {
        const double ay = t.e->position.y, az = t.e->position.z;
        const double by = t.f->position.y, bz = t.f->position.z;
        const double cy = t.g->position.y, cz = t.g->position.z;
        const double d1 = (by - ay) * (z - az) - (bz - az) * (y - ay);
        const double d2 = (cy - by) * (z - bz) - (cz - bz) * (y - by);
        const double d3 = (ay - cy) * (z - cz) - (az - cz) * (y - cy);
        return (d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0);
    }
    double cell_;
    std::unordered_map<std::int64_t, std::vector<const MeshCreationTriangle*>> buckets_;
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
    for (int i = 0; i < mesh.vertices().count(); ++i) {
        const SculptVertex* v = mesh.vertices()[i];
        if (v == nullptr) continue;
        double best = limit * 2.0;
        const std::int64_t cx = cellOf(v->position.x), cy = cellOf(v->position.y), cz = cellOf(v->position.z);
        for (int dx = -reach; dx <= reach; ++dx)
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dz = -reach; dz <= reach; ++dz) {
                    const auto found = grid.find(key(cx + dx, cy + dy, cz + dz));
                    if (found == grid.end()) continue;
                    for (const auto& p : found->second) {
                        const double ex = p.x - v->position.x, ey = p.y - v->position.y, ez = p.z - v->position.z;
                        best = std::min(best, std::sqrt(ex * ex + ey * ey + ez * ez));
                    }
                }
        worst = std::max(worst, best);
    }
    return worst;
}

}  // namespace meshchecks
