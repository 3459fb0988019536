// The symmetric Hausdorff distance between two triangle meshes, estimated
// from points on each surface (corners, edge midpoints and centroids) and
// their exact distances to the other surface.
#pragma once

#include "core/math3d.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_map>
#include <vector>

namespace hausdorff {

struct Mesh {
    std::vector<D3DXVECTOR3> positions;
    std::vector<std::array<std::uint32_t, 3>> triangles;
};

struct P {
    double x, y, z;
};
inline P toP(const D3DXVECTOR3& v) { return P{v.x, v.y, v.z}; }
inline P operator-(P a, P b) { return P{a.x - b.x, a.y - b.y, a.z - b.z}; }
inline P operator+(P a, P b) { return P{a.x + b.x, a.y + b.y, a.z + b.z}; }
inline P operator*(P a, double s) { return P{a.x * s, a.y * s, a.z * s}; }
inline double dot(P a, P b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The closest point of triangle abc to p (after Ericson, Real-Time Collision
// Detection, 5.1.5).
inline P closestOnTriangle(P p, P a, P b, P c) {
    const P ab = b - a, ac = c - a, ap = p - a;
    const double d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0 && d2 <= 0) return a;
    const P bp = p - b;
    const double d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0 && d4 <= d3) return b;
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0) return a + ab * (d1 / (d1 - d3));
    const P cp = p - c;
    const double d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0 && d5 <= d6) return c;
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0) return a + ac * (d2 / (d2 - d6));
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0) return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
    const double denom = 1.0 / (va + vb + vc);
    return a + ab * (vb * denom) + ac * (vc * denom);
}

// Distances from points to one mesh's surface through a grid of its
// triangles.
class SurfaceDistance {
public:
    explicit SurfaceDistance(const Mesh& mesh) : mesh_(mesh) {
        double sum = 0.0;
        for (const auto& t : mesh.triangles) {
            const P a = toP(mesh.positions[t[0]]), b = toP(mesh.positions[t[1]]);
            sum += std::sqrt(dot(b - a, b - a));
        }
        cell_ = std::max(2.0 * sum / std::max<std::size_t>(1, mesh.triangles.size()), 1e-6);
        for (std::uint32_t i = 0; i < mesh.triangles.size(); ++i) {
            P low{1e300, 1e300, 1e300}, high{-1e300, -1e300, -1e300};
            for (std::uint32_t c : mesh.triangles[i]) {
                const P p = toP(mesh.positions[c]);
                low = P{std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
                high = P{std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
            }
            for (std::int64_t x = index(low.x); x <= index(high.x); ++x)
                for (std::int64_t y = index(low.y); y <= index(high.y); ++y)
                    for (std::int64_t z = index(low.z); z <= index(high.z); ++z) cells_[key(x, y, z)].push_back(i);
        }
    }

    double to(P p) const {
        double best = std::numeric_limits<double>::infinity();
        const std::int64_t cx = index(p.x), cy = index(p.y), cz = index(p.z);
        for (std::int64_t r = 0; r < 64; ++r) {
            for (std::int64_t x = cx - r; x <= cx + r; ++x)
                for (std::int64_t y = cy - r; y <= cy + r; ++y)
                    for (std::int64_t z = cz - r; z <= cz + r; ++z) {
                        if (std::max({std::llabs(x - cx), std::llabs(y - cy), std::llabs(z - cz)}) != r) continue;
                        const auto found = cells_.find(key(x, y, z));
                        if (found == cells_.end()) continue;
                        for (std::uint32_t i : found->second) {
                            const auto& t = mesh_.triangles[i];
                            const P q = closestOnTriangle(p, toP(mesh_.positions[t[0]]), toP(mesh_.positions[t[1]]),
                                                          toP(mesh_.positions[t[2]]));
                            best = std::min(best, std::sqrt(dot(q - p, q - p)));
                        }
                    }
            // Everything nearer than r cells has been seen.
            if (best <= static_cast<double>(r) * cell_) break;
        }
        return best;
    }

private:
    std::int64_t index(double v) const { return static_cast<std::int64_t>(std::floor(v / cell_)); }
    static std::uint64_t key(std::int64_t x, std::int64_t y, std::int64_t z) {
        return (static_cast<std::uint64_t>(x & 0x1FFFFF) << 42) | (static_cast<std::uint64_t>(y & 0x1FFFFF) << 21) |
               static_cast<std::uint64_t>(z & 0x1FFFFF);
    }
    const Mesh& mesh_;
    double cell_ = 1.0;
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> cells_;
};

// The largest distance from points of `from` (corners, edge midpoints,
// centroids) to the surface of `to`.
inline double oneSided(const Mesh& from, const Mesh& to) {
    const SurfaceDistance distance(to);
    double worst = 0.0;
    for (const auto& t : from.triangles) {
        const P a = toP(from.positions[t[0]]), b = toP(from.positions[t[1]]), c = toP(from.positions[t[2]]);
        for (P p : {a, (a + b) * 0.5, (a + b + c) * (1.0 / 3.0), (b + c) * 0.5, (c + a) * 0.5}) {
            worst = std::max(worst, distance.to(p));
        }
    }
    return worst;
}

inline double symmetric(const Mesh& a, const Mesh& b) { return std::max(oneSided(a, b), oneSided(b, a)); }

}  // namespace hausdorff
