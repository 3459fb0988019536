#include "sculpt/mesh_validity.h"

#include "sculpt/near_points.h"
#include "sculpt/radix_sort.h"

#include <algorithm>
#include <cmath>

namespace {

struct Vec {
    double x, y, z;
};

Vec toVec(const D3DXVECTOR3& p) { return Vec{p.x, p.y, p.z}; }
Vec operator-(const Vec& a, const Vec& b) { return Vec{a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec cross(const Vec& a, const Vec& b) { return Vec{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(const Vec& a, const Vec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double length(const Vec& a) { return std::sqrt(dot(a, a)); }

// Sign of the volume of the tetrahedron (a, b, c, d).
double orient(const Vec& a, const Vec& b, const Vec& c, const Vec& d) { return dot(cross(b - a, c - a), d - a); }

int sign(double value) { return value > 0.0 ? 1 : (value < 0.0 ? -1 : 0); }

bool usable(const MeshTriangle& t, std::size_t vertexCount) {
    return t[0] < vertexCount && t[1] < vertexCount && t[2] < vertexCount && t[0] != t[1] && t[1] != t[2] &&
           t[0] != t[2];
}

// --- edges -------------------------------------------------------------------------------

void checkEdges(std::span<const MeshTriangle> triangles, std::size_t vertexCount, MeshValidity& v) {
    // Key: smaller index, larger index; value bit: whether it runs from
    // smaller to larger.
    std::vector<std::uint64_t> keys;
    keys.reserve(triangles.size() * 3);
    for (const MeshTriangle& t : triangles) {
        if (!usable(t, vertexCount)) continue;
        for (int k = 0; k < 3; ++k) {
            const std::uint64_t a = t[static_cast<std::size_t>(k)];
            const std::uint64_t b = t[static_cast<std::size_t>((k + 1) % 3)];
            keys.push_back(a < b ? (a << 33) | (b << 1) | 1u : (b << 33) | (a << 1));
        }
    }
    std::sort(keys.begin(), keys.end());
    for (std::size_t i = 0; i < keys.size();) {
        std::size_t j = i;
        int forward = 0;
        int backward = 0;
        while (j < keys.size() && (keys[j] >> 1) == (keys[i] >> 1)) {
            ((keys[j] & 1u) != 0 ? forward : backward) += 1;
            ++j;
        }
        const int uses = forward + backward;
        if (uses != 2) ++v.edgesNotSharedByTwo;
        if (uses == 4) ++v.edgesSharedByFour;
        if (forward != backward) ++v.unbalancedEdges;
        i = j;
    }
}

// --- vertices ----------------------------------------------------------------------------

// Each vertex's triangles must form one closed fan: the edges opposite the
// vertex (its link) make a single cycle.
void checkFans(std::span<const MeshTriangle> triangles, std::size_t vertexCount, MeshValidity& v) {
    std::vector<std::uint32_t> start(vertexCount + 1, 0);
    for (const MeshTriangle& t : triangles) {
        if (!usable(t, vertexCount)) continue;
        for (std::uint32_t c : t) ++start[c + 1];
    }
    for (std::size_t i = 0; i < vertexCount; ++i) start[i + 1] += start[i];
    // The link edge (other two corners) of each triangle at each corner.
    std::vector<std::array<std::uint32_t, 2>> link(start[vertexCount]);
    std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
    for (const MeshTriangle& t : triangles) {
        if (!usable(t, vertexCount)) continue;
        for (int k = 0; k < 3; ++k) {
            link[fill[t[static_cast<std::size_t>(k)]]++] = {t[static_cast<std::size_t>((k + 1) % 3)],
                                                             t[static_cast<std::size_t>((k + 2) % 3)]};
        }
    }
    std::vector<std::array<std::uint32_t, 2>> edges;
    for (std::size_t vertex = 0; vertex < vertexCount; ++vertex) {
        const std::uint32_t first = start[vertex];
        const std::uint32_t last = start[vertex + 1];
        if (first == last) {
            ++v.unusedVertices;
            continue;
        }
        edges.assign(link.begin() + first, link.begin() + last);
        // Walk the cycle from the first link edge, following a -> b.
        std::size_t walked = 1;
        std::uint32_t at = edges[0][1];
        const std::uint32_t home = edges[0][0];
        std::vector<bool> used(edges.size(), false);
        used[0] = true;
        bool closed = false;
        while (walked <= edges.size()) {
            if (at == home) {
                closed = true;
                break;
            }
            std::size_t next = edges.size();
            for (std::size_t e = 0; e < edges.size(); ++e) {
                if (!used[e] && edges[e][0] == at) {
                    next = e;
                    break;
                }
            }
            if (next == edges.size()) break;
            used[next] = true;
            at = edges[next][1];
            ++walked;
        }
        if (!closed || walked != edges.size()) ++v.nonManifoldVertices;
    }
}

void checkCoincidence(std::span<const D3DXVECTOR3> positions, double tolerance, MeshValidity& v) {
    // Each vertex lying on one before it counts once.
    std::vector<std::uint8_t> onEarlier(positions.size(), 0);
    const NearPoints near(positions, {}, static_cast<float>(tolerance > 1e-12 ? tolerance : 1e-12));
    near.forEachPair([&](std::uint32_t a, std::uint32_t b) { onEarlier[std::max(a, b)] = 1; });
    for (std::uint8_t mark : onEarlier) v.coincidentVertices += mark;
}

// --- crossing triangles -------------------------------------------------------------------

// True when the closed segment pq meets the closed triangle abc (not in its
// plane).
bool segmentMeetsTriangle(const Vec& p, const Vec& q, const Vec& a, const Vec& b, const Vec& c) {
    const int sp = sign(orient(a, b, c, p));
    const int sq = sign(orient(a, b, c, q));
    if (sp * sq >= 0) return false;  // one side, or touching the plane
    const int s1 = sign(orient(p, q, a, b));
    const int s2 = sign(orient(p, q, b, c));
    const int s3 = sign(orient(p, q, c, a));
    return (s1 > 0 && s2 > 0 && s3 > 0) || (s1 < 0 && s2 < 0 && s3 < 0);
}

// 2D helpers for triangles in one plane, dropping the axis `drop`.
struct Flat {
    double u, v;
};
Flat flatten(const Vec& p, int drop) {
    if (drop == 0) return Flat{p.y, p.z};
    if (drop == 1) return Flat{p.z, p.x};
    return Flat{p.x, p.y};
}
double orient2(const Flat& a, const Flat& b, const Flat& c) { return (b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u); }

bool strictlyInside(const Flat& p, const Flat& a, const Flat& b, const Flat& c) {
    const double d1 = orient2(a, b, p), d2 = orient2(b, c, p), d3 = orient2(c, a, p);
    return (d1 > 0 && d2 > 0 && d3 > 0) || (d1 < 0 && d2 < 0 && d3 < 0);
}

bool segmentsCrossProperly(const Flat& a, const Flat& b, const Flat& c, const Flat& d) {
    const double d1 = orient2(a, b, c), d2 = orient2(a, b, d), d3 = orient2(c, d, a), d4 = orient2(c, d, b);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

bool coplanarOverlap(const Vec t[3], const Vec s[3]) {
    const Vec n = cross(t[1] - t[0], t[2] - t[0]);
    const double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    const int drop = ax >= ay && ax >= az ? 0 : (ay >= az ? 1 : 2);
    Flat a[3], b[3];
    for (int k = 0; k < 3; ++k) {
        a[k] = flatten(t[k], drop);
        b[k] = flatten(s[k], drop);
    }
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (segmentsCrossProperly(a[i], a[(i + 1) % 3], b[j], b[(j + 1) % 3])) return true;
    for (int k = 0; k < 3; ++k) {
        if (strictlyInside(a[k], b[0], b[1], b[2]) || strictlyInside(b[k], a[0], a[1], a[2])) return true;
    }
    return false;
}

bool trianglesCross(const Vec t[3], const Vec s[3]) {
    const int s0 = sign(orient(t[0], t[1], t[2], s[0]));
    const int s1 = sign(orient(t[0], t[1], t[2], s[1]));
    const int s2 = sign(orient(t[0], t[1], t[2], s[2]));
    if (s0 == 0 && s1 == 0 && s2 == 0) return coplanarOverlap(t, s);
    if ((s0 > 0 && s1 > 0 && s2 > 0) || (s0 < 0 && s1 < 0 && s2 < 0)) return false;
    for (int k = 0; k < 3; ++k) {
        if (segmentMeetsTriangle(s[k], s[(k + 1) % 3], t[0], t[1], t[2])) return true;
        if (segmentMeetsTriangle(t[k], t[(k + 1) % 3], s[0], s[1], s[2])) return true;
    }
    return false;
}

// Triangles sharing one corner cross when the edge opposite the shared
// corner of either meets the other.
bool cornerSharersCross(const Vec t[3], int tShared, const Vec s[3], int sShared) {
    const Vec& ta = t[(tShared + 1) % 3];
    const Vec& tb = t[(tShared + 2) % 3];
    const Vec& sa = s[(sShared + 1) % 3];
    const Vec& sb = s[(sShared + 2) % 3];
    return segmentMeetsTriangle(ta, tb, s[0], s[1], s[2]) || segmentMeetsTriangle(sa, sb, t[0], t[1], t[2]);
}

// Triangles sharing an edge fold onto each other when the other's far corner
// lies in the plane on the same side of the edge.
bool edgeSharersFold(const Vec t[3], int tFar, const Vec s[3], int sFar) {
    const Vec& a = t[(tFar + 1) % 3];
    const Vec& b = t[(tFar + 2) % 3];
    const Vec nt = cross(b - a, t[tFar] - a);
    const double lengthT = length(nt);
    if (!(lengthT > 0.0)) return false;
    const double height = dot(nt, s[sFar] - a) / lengthT;
    const double edge = length(b - a);
    if (std::fabs(height) > 1e-9 * edge * edge + 1e-12) return false;
    // Same side of the edge within the plane.
    const Vec towardsT = cross(nt, b - a);
    return dot(towardsT, t[tFar] - a) * dot(towardsT, s[sFar] - a) > 0.0;
}

struct Box {
    Vec low, high;
};

bool crossingPair(std::span<const D3DXVECTOR3> positions, const MeshTriangle& x, const MeshTriangle& y) {
    int sharedX[3] = {-1, -1, -1};
    int shared = 0;
    int xShared = -1, yShared = -1;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (x[static_cast<std::size_t>(i)] == y[static_cast<std::size_t>(j)]) {
                sharedX[i] = j;
                ++shared;
                xShared = i;
                yShared = j;
            }
        }
    }
    const Vec t[3] = {toVec(positions[x[0]]), toVec(positions[x[1]]), toVec(positions[x[2]])};
    const Vec s[3] = {toVec(positions[y[0]]), toVec(positions[y[1]]), toVec(positions[y[2]])};
    if (shared == 0) return trianglesCross(t, s);
    if (shared == 1) return cornerSharersCross(t, xShared, s, yShared);
    if (shared == 2) {
        int tFar = 0;
        while (sharedX[tFar] >= 0) ++tFar;
        int sFar = 0;
        while (y[static_cast<std::size_t>(sFar)] == x[0] || y[static_cast<std::size_t>(sFar)] == x[1] ||
               y[static_cast<std::size_t>(sFar)] == x[2]) {
            ++sFar;
        }
        return edgeSharersFold(t, tFar, s, sFar);
    }
    return false;
}

}  // namespace

namespace {

// Triangles (or entries) per chunk where the crossing search prepares them
// on several threads.
constexpr std::size_t kPreparedPerChunk = 4096;

struct CellEntry {
    std::uint64_t cell;
    std::uint32_t candidate;
};

// The box around triangle t, its axes in the order z, y, x; false when t has
// a corner out of range or not finite. The search keys its cells with the
// box's first axis first, so the cells come in the order in which the sculpt
// mesh lists its triangles (row by row along x), and a cell's triangles lie
// near each other in memory.
bool boxOf(std::span<const D3DXVECTOR3> positions, const MeshTriangle& t, Box& box) {
    if (!usable(t, positions.size())) return false;
    const Vec a = toVec(positions[t[0]]), b = toVec(positions[t[1]]), c = toVec(positions[t[2]]);
    if (!(std::isfinite(a.x + a.y + a.z) && std::isfinite(b.x + b.y + b.z) && std::isfinite(c.x + c.y + c.z))) {
        return false;
    }
    box = Box{Vec{std::min({a.z, b.z, c.z}), std::min({a.y, b.y, c.y}), std::min({a.x, b.x, c.x})},
              Vec{std::max({a.z, b.z, c.z}), std::max({a.y, b.y, c.y}), std::max({a.x, b.x, c.x})}};
    return true;
}

}  // namespace

std::vector<std::array<std::uint32_t, 2>> findSelfIntersections(std::span<const D3DXVECTOR3> positions,
                                                                std::span<const MeshTriangle> triangles,
                                                                const CrossingSearch& search) {
    std::vector<std::array<std::uint32_t, 2>> pairs;
    const std::vector<std::uint8_t>* focus = search.focus;
    const auto looked = [focus](std::uint32_t i) { return focus == nullptr || (*focus)[i] != 0; };
    // The preparation goes on the runner's threads, in chunks of triangles
    // whose results are joined in chunk order.
    const auto forEachChunk = [&search](std::size_t chunks, const std::function<void(std::size_t)>& work) {
        forEachChunkOn(search.runner, chunks, work);
    };
    const ChunkPlan trianglePlan{triangles.size(), kPreparedPerChunk};
    // The box around the triangles looked at and the mean of their boxes'
    // diagonals, summed chunk by chunk.
    struct alignas(64) Extent {
        double edgeSum = 0.0;
        std::size_t counted = 0;
        Box all{Vec{1e300, 1e300, 1e300}, Vec{-1e300, -1e300, -1e300}};
    };
    std::vector<Extent> extents(trianglePlan.chunks());
    const auto widen = [](Box& all, const Box& box) {
        all.low = Vec{std::min(all.low.x, box.low.x), std::min(all.low.y, box.low.y), std::min(all.low.z, box.low.z)};
        all.high = Vec{std::max(all.high.x, box.high.x), std::max(all.high.y, box.high.y), std::max(all.high.z, box.high.z)};
    };
    forEachChunk(trianglePlan.chunks(), [&](std::size_t chunk) {
        Extent& e = extents[chunk];
        for (std::size_t t = trianglePlan.begin(chunk); t < trianglePlan.end(chunk); ++t) {
            const auto i = static_cast<std::uint32_t>(t);
            Box box;
            if (!looked(i) || !boxOf(positions, triangles[i], box)) continue;
            e.edgeSum += length(box.high - box.low);
            ++e.counted;
            widen(e.all, box);
        }
    });
    double edgeSum = 0.0;
    std::size_t counted = 0;
    Box all = Extent{}.all;
    for (const Extent& e : extents) {
        edgeSum += e.edgeSum;
        counted += e.counted;
        widen(all, e.all);
    }
    if (counted == 0) return pairs;
    // Cells about twice a typical triangle across keep the entries per
    // triangle few and the pairs per cell small.
    const double cell = std::max(2.0 * edgeSum / static_cast<double>(counted), 1e-9);
    // With a focus, only triangles near the focused ones take part: those
    // whose boxes reach into the region the focused boxes span, one cell
    // wider, and into a cell a focused box touches.
    const Vec low{all.low.x - cell, all.low.y - cell, all.low.z - cell};
    const Vec high{all.high.x + cell, all.high.y + cell, all.high.z + cell};
    const auto index = [&](double value, double from) {
        return static_cast<std::uint32_t>(std::max(0.0, std::floor((value - from) / cell)));
    };
    const std::uint64_t nx = index(high.x, low.x) + 1;
    const std::uint64_t ny = index(high.y, low.y) + 1;
    const std::uint64_t nz = index(high.z, low.z) + 1;
    std::vector<std::uint8_t> near;
    if (focus != nullptr) {
        near.assign(nx * ny * nz, 0);
        for (std::uint32_t i = 0; i < triangles.size(); ++i) {
            Box b;
            if (!looked(i) || !boxOf(positions, triangles[i], b)) continue;
            for (std::uint64_t x = index(b.low.x, low.x); x <= index(b.high.x, low.x); ++x)
                for (std::uint64_t y = index(b.low.y, low.y); y <= index(b.high.y, low.y); ++y)
                    for (std::uint64_t z = index(b.low.z, low.z); z <= index(b.high.z, low.z); ++z)
                        near[(x * ny + y) * nz + z] = 1;
        }
    }
    // The cells a triangle's box covers.
    struct Cells {
        std::uint32_t x0, y0, z0, x1, y1, z1;
    };
    const auto cellsOf = [&](const Box& b) {
        return Cells{index(b.low.x, low.x), index(b.low.y, low.y), index(b.low.z, low.z),
                     std::min<std::uint32_t>(index(b.high.x, low.x), static_cast<std::uint32_t>(nx - 1)),
                     std::min<std::uint32_t>(index(b.high.y, low.y), static_cast<std::uint32_t>(ny - 1)),
                     std::min<std::uint32_t>(index(b.high.z, low.z), static_cast<std::uint32_t>(nz - 1))};
    };
    // Only the triangles taking part are kept, so that a search around a
    // few moved vertices costs memory for those alone; of each, the columns
    // of cells (along the box's first axis) it reaches. The entries each
    // column of cells will hold are counted, and the reaches starting and
    // ending in each column, so that the search can go band by band and
    // knows how much of each band every chunk holds.
    struct Reach {
        std::uint32_t triangle, x0, x1;
    };
    struct alignas(64) ReachPart {
        std::vector<Reach> reaches;
        std::vector<std::uint64_t> columnEntries;
        std::vector<std::uint32_t> startsIn;
        std::vector<std::uint32_t> endsIn;
    };
    std::vector<ReachPart> reachParts(trianglePlan.chunks());
    forEachChunk(trianglePlan.chunks(), [&](std::size_t chunk) {
        ReachPart& part = reachParts[chunk];
        part.columnEntries.assign(nx, 0);
        part.startsIn.assign(nx, 0);
        part.endsIn.assign(nx, 0);
        for (std::size_t t = trianglePlan.begin(chunk); t < trianglePlan.end(chunk); ++t) {
            const auto i = static_cast<std::uint32_t>(t);
            Box b;
            if (!boxOf(positions, triangles[i], b)) continue;
            if (b.high.x < low.x || b.low.x > high.x || b.high.y < low.y || b.low.y > high.y || b.high.z < low.z ||
                b.low.z > high.z) {
                continue;
            }
            const Cells c = cellsOf(b);
            bool wanted = looked(i);
            for (std::uint32_t x = c.x0; x <= c.x1 && !wanted; ++x)
                for (std::uint32_t y = c.y0; y <= c.y1 && !wanted; ++y)
                    for (std::uint32_t z = c.z0; z <= c.z1 && !wanted; ++z) wanted = near[(x * ny + y) * nz + z] != 0;
            if (!wanted) continue;
            part.reaches.push_back(Reach{i, c.x0, c.x1});
            ++part.startsIn[c.x0];
            ++part.endsIn[c.x1];
            const std::uint64_t perColumn = std::uint64_t{c.y1 - c.y0 + 1} * (c.z1 - c.z0 + 1);
            for (std::uint32_t x = c.x0; x <= c.x1; ++x) part.columnEntries[x] += perColumn;
        }
    });
    std::vector<std::uint64_t> columnEntries(nx, 0);
    for (const ReachPart& part : reachParts) {
        for (std::uint64_t x = 0; x < nx; ++x) columnEntries[x] += part.columnEntries[x];
    }
    // Bands of columns, in cell order, each holding about
    // search.entriesPerBand entries: the pairs come out in the same order as
    // from one band, with the working memory of one band.
    struct Band {
        std::uint32_t start, end;
    };
    std::vector<Band> bands;
    for (std::uint32_t bandStart = 0; bandStart < nx;) {
        std::uint32_t bandEnd = bandStart;
        std::uint64_t bandEntries = columnEntries[bandStart];
        while (bandEnd + 1 < nx && bandEntries + columnEntries[bandEnd + 1] <= search.entriesPerBand) {
            bandEntries += columnEntries[++bandEnd];
        }
        bands.push_back(Band{bandStart, bandEnd});
        bandStart = bandEnd + 1;
    }
    // Each chunk's share of each band: its reaches into the band (those
    // starting in or before its last column less those ending before its
    // first) and their entries there.
    struct Share {
        std::uint64_t candidates = 0;
        std::uint64_t entries = 0;
    };
    std::vector<std::vector<Share>> shares(reachParts.size(), std::vector<Share>(bands.size()));
    forEachChunk(reachParts.size(), [&](std::size_t chunk) {
        ReachPart& part = reachParts[chunk];
        // Reaches starting and ending up to the column looked at, and those
        // ending before the band's first column.
        std::uint64_t startedBy = 0;
        std::uint64_t endedBefore = 0;
        std::size_t band = 0;
        std::uint64_t endedBeforeBand = 0;
        for (std::uint32_t x = 0; x < nx; ++x) {
            if (x == bands[band].start) endedBeforeBand = endedBefore;
            startedBy += part.startsIn[x];
            endedBefore += part.endsIn[x];
            shares[chunk][band].entries += part.columnEntries[x];
            if (x == bands[band].end) {
                shares[chunk][band].candidates = startedBy - endedBeforeBand;
                ++band;
            }
        }
        std::vector<std::uint64_t>().swap(part.columnEntries);
        std::vector<std::uint32_t>().swap(part.startsIn);
        std::vector<std::uint32_t>().swap(part.endsIn);
    });
    int bits = 1;
    while (bits < 64 && (std::uint64_t{1} << bits) < nx * ny * nz) ++bits;
    // What the pair tests read of a triangle taking part in a band: its box,
    // corners, normal (only when neighbours facing alike are skipped) and
    // the first cell it touches.
    struct Candidate {
        float low[3];
        float high[3];
        std::uint32_t corners[3];
        std::uint32_t triangle;
        float normal[3];
        std::uint32_t firstCell[3];
    };
    // Working space kept from band to band; every element read is written
    // first, so none is cleared (emptied before it is sized for a band, it
    // never copies the last band's items when it grows).
    UninitialisedVector<Candidate> candidates;
    UninitialisedVector<CellEntry> entries;
    UninitialisedVector<CellEntry> sortBuffer;
    const std::size_t reachChunks = reachParts.size();
    std::vector<std::size_t> candidateBase(reachChunks + 1, 0);
    std::vector<std::size_t> entryBase(reachChunks + 1, 0);
    // Calls visit(triangle, box, cells) for each reach of the chunk that
    // reaches into the band.
    const auto forBandReaches = [&](std::size_t chunk, std::uint32_t bandStart, std::uint32_t bandEnd, auto&& visit) {
        for (const Reach& reach : reachParts[chunk].reaches) {
            if (reach.x1 < bandStart || reach.x0 > bandEnd) continue;
            Box b;
            boxOf(positions, triangles[reach.triangle], b);
            visit(reach.triangle, b, cellsOf(b));
        }
    };
    // Searches the cells of the band's columns and appends their pairs;
    // true once search.limit pairs are found.
    const auto searchBand = [&](std::size_t band) {
        const std::uint32_t bandStart = bands[band].start;
        const std::uint32_t bandEnd = bands[band].end;
        // The band's triangles and their cells in reach order, written
        // straight to their places.
        for (std::size_t c = 0; c < reachChunks; ++c) {
            candidateBase[c + 1] = candidateBase[c] + shares[c][band].candidates;
            entryBase[c + 1] = entryBase[c] + shares[c][band].entries;
        }
        const std::size_t entryCount = entryBase.back();
        candidates.clear();
        candidates.resize(candidateBase.back());
        entries.clear();
        entries.resize(entryCount);
        forEachChunk(reachChunks, [&](std::size_t chunk) {
            auto candidate = static_cast<std::uint32_t>(candidateBase[chunk]);
            CellEntry* entry = entries.data() + entryBase[chunk];
            forBandReaches(chunk, bandStart, bandEnd, [&](std::uint32_t t, const Box& b, const Cells& c) {
                Candidate& k = candidates.data()[candidate];
                k.low[0] = static_cast<float>(b.low.x);
                k.low[1] = static_cast<float>(b.low.y);
                k.low[2] = static_cast<float>(b.low.z);
                k.high[0] = static_cast<float>(b.high.x);
                k.high[1] = static_cast<float>(b.high.y);
                k.high[2] = static_cast<float>(b.high.z);
                k.corners[0] = triangles[t][0];
                k.corners[1] = triangles[t][1];
                k.corners[2] = triangles[t][2];
                k.triangle = t;
                if (!search.exhaustive) {
                    const Vec a = toVec(positions[triangles[t][0]]);
                    const Vec normal =
                        cross(toVec(positions[triangles[t][1]]) - a, toVec(positions[triangles[t][2]]) - a);
                    k.normal[0] = static_cast<float>(normal.x);
                    k.normal[1] = static_cast<float>(normal.y);
                    k.normal[2] = static_cast<float>(normal.z);
                }
                k.firstCell[0] = c.x0;
                k.firstCell[1] = c.y0;
                k.firstCell[2] = c.z0;
                for (std::uint32_t x = std::max(c.x0, bandStart); x <= std::min(c.x1, bandEnd); ++x)
                    for (std::uint32_t y = c.y0; y <= c.y1; ++y)
                        for (std::uint32_t z = c.z0; z <= c.z1; ++z) {
                            *entry++ = CellEntry{(x * ny + y) * nz + z, candidate};
                        }
                ++candidate;
            });
        });
        const std::span<CellEntry> sorted(entries.data(), entryCount);
        const auto cellOf = [](const CellEntry& e) { return e.cell; };
        if (search.runner != nullptr) {
            radixSortBy(sorted, bits, cellOf, sortBuffer, *search.runner);
        } else {
            radixSortBy(sorted, bits, cellOf, sortBuffer);
        }
        // Each part of the sorted entries takes the cells that start in it
        // (the last of them may run on past its end), so the parts' pairs
        // joined in order come in cell order.
        const ChunkPlan plan{entryCount, std::max<std::size_t>(search.entriesPerPart, 1)};
        std::vector<std::vector<std::array<std::uint32_t, 2>>> found(plan.chunks());
        const auto testChunk = [&](std::size_t chunk) {
            std::vector<std::array<std::uint32_t, 2>>& out = found[chunk];
            // A cell's triangles side by side, so that the pair tests read
            // them from the cache.
            std::vector<Candidate> cell;
            std::size_t next = plan.begin(chunk);
            while (next > 0 && next < plan.end(chunk) && sorted[next].cell == sorted[next - 1].cell) ++next;
            while (next < plan.end(chunk)) {
                const std::uint64_t here = sorted[next].cell;
                cell.clear();
                for (; next < entryCount && sorted[next].cell == here; ++next) {
                    cell.push_back(candidates.data()[sorted[next].candidate]);
                }
                const std::size_t count = cell.size();
                for (std::size_t a = 0; a < count; ++a) {
                    const Candidate& pa = cell[a];
                    const bool focusA = focus == nullptr || (*focus)[pa.triangle] != 0;
                    for (std::size_t b = a + 1; b < count; ++b) {
                        const Candidate& pb = cell[b];
                        if (pa.high[0] < pb.low[0] || pb.high[0] < pa.low[0] || pa.high[1] < pb.low[1] ||
                            pb.high[1] < pa.low[1] || pa.high[2] < pb.low[2] || pb.high[2] < pa.low[2]) {
                            continue;
                        }
                        if (!focusA && (*focus)[pb.triangle] == 0) continue;
                        // Each pair is tested in the first cell both boxes touch.
                        const std::uint64_t firstShared =
                            (std::uint64_t{std::max(pa.firstCell[0], pb.firstCell[0])} * ny +
                             std::max(pa.firstCell[1], pb.firstCell[1])) * nz +
                            std::max(pa.firstCell[2], pb.firstCell[2]);
                        if (firstShared != here) continue;
                        if (!search.exhaustive) {
                            int shared = 0;
                            for (std::uint32_t p : pa.corners)
                                for (std::uint32_t q : pb.corners) shared += p == q ? 1 : 0;
                            if (shared > 0) {
                                // Neighbours that face alike cannot cross unless a
                                // triangle between them is turned over, which its
                                // own neighbours show.
                                const auto dotOf = [](const float* u, const float* v) {
                                    return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
                                };
                                const float d = dotOf(pa.normal, pb.normal);
                                const float na = dotOf(pa.normal, pa.normal);
                                const float nb = dotOf(pb.normal, pb.normal);
                                if (d >= 0.0f && (shared == 2 || d * d > 0.25f * na * nb)) continue;
                            }
                        }
                        const std::uint32_t x = pa.triangle;
                        const std::uint32_t y = pb.triangle;
                        if (crossingPair(positions, triangles[x], triangles[y])) {
                            out.push_back({std::min(x, y), std::max(x, y)});
                        }
                    }
                }
            }
        };
        forEachChunk(plan.chunks(), testChunk);
        for (const auto& list : found) {
            for (const auto& pair : list) {
                if (pairs.size() >= search.limit) return true;
                pairs.push_back(pair);
            }
        }
        return false;
    };
    for (std::size_t band = 0; band < bands.size(); ++band) {
        if (searchBand(band)) return pairs;
    }
    return pairs;
}

MeshValidity checkMeshValidity(std::span<const D3DXVECTOR3> positions, std::span<const MeshTriangle> triangles,
                               bool withSelfIntersections) {
    MeshValidity v;
    v.vertices = static_cast<int>(positions.size());
    v.triangles = static_cast<int>(triangles.size());
    double edgeSum = 0.0;
    std::size_t edgeCount = 0;
    for (const MeshTriangle& t : triangles) {
        if (!usable(t, positions.size())) {
            ++v.brokenTriangles;
            continue;
        }
        const Vec a = toVec(positions[t[0]]), b = toVec(positions[t[1]]), c = toVec(positions[t[2]]);
        edgeSum += length(b - a) + length(c - b) + length(a - c);
        edgeCount += 3;
        // (G - E) x (F - E) points out: the volume sums E . (G x F).
        v.signedVolume += dot(a, cross(c, b)) / 6.0;
    }
    v.typicalEdge = edgeCount > 0 ? edgeSum / static_cast<double>(edgeCount) : 0.0;
    const double minimumArea = MeshValidity::kZeroArea * v.typicalEdge * v.typicalEdge;
    for (const MeshTriangle& t : triangles) {
        if (!usable(t, positions.size())) continue;
        const Vec a = toVec(positions[t[0]]), b = toVec(positions[t[1]]), c = toVec(positions[t[2]]);
        const double area = 0.5 * length(cross(b - a, c - a));
        if (!(area > minimumArea)) ++v.zeroAreaTriangles;
    }
    checkEdges(triangles, positions.size(), v);
    checkFans(triangles, positions.size(), v);
    checkCoincidence(positions, MeshValidity::kCoincidence * v.typicalEdge, v);
    if (withSelfIntersections) {
        v.selfIntersections = static_cast<int>(findSelfIntersections(positions, triangles, CrossingSearch{}).size());
    }
    return v;
}
