#include "sculpt/triangle_bins.h"

#include <cmath>
#include <limits>

namespace {

// Triangles per chunk of work on the threads.
constexpr std::size_t kTrianglesPerChunk = 16384;
// The grid has at most this many cells, so that a cell number fits 32 bits.
constexpr double kMostCells = 2147483648.0;
// Slabs of cells the entries are sorted in, at most.
constexpr std::uint32_t kMostSlabs = 1024;

double centreOf(const TriangleBox& box, int axis) {
    return 0.5 * (static_cast<double>(box.low[axis]) + static_cast<double>(box.high[axis]));
}

double halfExtentOf(const TriangleBox& box, int axis) {
    return 0.5 * (static_cast<double>(box.high[axis]) - static_cast<double>(box.low[axis]));
}

// Sorts `cells` and drops repeats.
void sortedOnce(std::vector<std::uint32_t>& cells) {
    std::sort(cells.begin(), cells.end());
    cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
}

}  // namespace

bool triangleBoxOf(std::span<const D3DXVECTOR3> positions, const MeshTriangle& t, TriangleBox& box) {
    for (std::uint32_t corner : t) {
        if (corner >= positions.size()) return false;
        const D3DXVECTOR3& p = positions[corner];
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
    }
    const D3DXVECTOR3& a = positions[t[0]];
    const D3DXVECTOR3& b = positions[t[1]];
    const D3DXVECTOR3& c = positions[t[2]];
    box = TriangleBox{{std::min({a.x, b.x, c.x}), std::min({a.y, b.y, c.y}), std::min({a.z, b.z, c.z})},
                      {std::max({a.x, b.x, c.x}), std::max({a.y, b.y, c.y}), std::max({a.z, b.z, c.z})}};
    return true;
}

TriangleBins::TriangleBins(std::span<const D3DXVECTOR3> positions, std::span<const MeshTriangle> triangles,
                           ParallelRunner* runner) {
    const ChunkPlan plan{triangles.size(), kTrianglesPerChunk};
    // First the typical size and where the centres lie.
    struct alignas(64) Extent {
        double sizeSum = 0.0;
        std::size_t counted = 0;
        double low[3] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
                         std::numeric_limits<double>::infinity()};
        double high[3] = {-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity()};
    };
    std::vector<Extent> extents(plan.chunks());
    forEachChunkOn(runner, plan.chunks(), [&](std::size_t chunk) {
        Extent& e = extents[chunk];
        for (std::size_t i = plan.begin(chunk); i < plan.end(chunk); ++i) {
            TriangleBox box;
            if (!triangleBoxOf(positions, triangles[i], box)) continue;
            double size = 0.0;
            for (int axis = 0; axis < 3; ++axis) {
                size = std::max(size, 2.0 * halfExtentOf(box, axis));
                e.low[axis] = std::min(e.low[axis], centreOf(box, axis));
                e.high[axis] = std::max(e.high[axis], centreOf(box, axis));
            }
            e.sizeSum += size;
            ++e.counted;
        }
    });
    Extent all;
    for (const Extent& e : extents) {
        all.sizeSum += e.sizeSum;
        all.counted += e.counted;
        for (int axis = 0; axis < 3; ++axis) {
            all.low[axis] = std::min(all.low[axis], e.low[axis]);
            all.high[axis] = std::max(all.high[axis], e.high[axis]);
        }
    }
    if (all.counted == 0) return;
    double span = 0.0;
    for (int axis = 0; axis < 3; ++axis) span = std::max(span, all.high[axis] - all.low[axis]);
    // Cells twice a typical triangle wide, fewer where the grid would
    // otherwise need more cells than a 32-bit number counts.
    cell_ = std::max(2.0 * all.sizeSum / static_cast<double>(all.counted), 1e-6 * std::max(span, 1.0));
    for (;;) {
        double cells = 1.0;
        for (int axis = 0; axis < 3; ++axis) cells *= std::floor((all.high[axis] - all.low[axis]) / cell_) + 1.0;
        if (cells <= kMostCells) break;
        cell_ *= std::cbrt(cells / kMostCells) * 1.01;
    }
    for (int axis = 0; axis < 3; ++axis) {
        origin_[axis] = all.low[axis];
        counts_[axis] = static_cast<std::uint32_t>(std::floor((all.high[axis] - origin_[axis]) / cell_)) + 1;
    }
    const auto indexOf = [this](double value, int axis) {
        const double at = std::floor((value - origin_[axis]) / cell_);
        return static_cast<std::uint32_t>(std::clamp(at, 0.0, static_cast<double>(counts_[axis] - 1)));
    };
    // Then each triangle into its cell, or among the loose ones (those in
    // triangle order).
    const auto place = [&](std::size_t chunk, auto&& binned, auto&& loose) {
        for (std::size_t i = plan.begin(chunk); i < plan.end(chunk); ++i) {
            TriangleBox box;
            if (!triangleBoxOf(positions, triangles[i], box)) continue;
            const auto t = static_cast<std::uint32_t>(i);
            if (halfExtentOf(box, 0) > cell_ || halfExtentOf(box, 1) > cell_ || halfExtentOf(box, 2) > cell_) {
                loose(t);
                continue;
            }
            const std::uint32_t x = indexOf(centreOf(box, 0), 0);
            const std::uint32_t y = indexOf(centreOf(box, 1), 1);
            const std::uint32_t z = indexOf(centreOf(box, 2), 2);
            binned(Entry{(x * counts_[1] + y) * counts_[2] + z, t});
        }
    };
    // The entries go straight into slabs of cells along the first axis
    // (every cell of a slab numbered below those of the next), counted per
    // chunk and slab and then written in chunk order; each slab is then
    // sorted on its own. No second copy of the entries is needed.
    int shift = 0;
    while (((counts_[0] - 1) >> shift) >= kMostSlabs) ++shift;
    const std::size_t slabs = ((counts_[0] - 1) >> shift) + 1;
    const std::uint32_t perColumn = counts_[1] * counts_[2];
    const auto slabOf = [&](const Entry& e) { return static_cast<std::size_t>((e.cell / perColumn) >> shift); };
    std::vector<std::uint32_t> slabCounts(plan.chunks() * slabs, 0);
    std::vector<std::size_t> looseBase(plan.chunks() + 1, 0);
    forEachChunkOn(runner, plan.chunks(), [&](std::size_t chunk) {
        std::uint32_t* counts = slabCounts.data() + chunk * slabs;
        place(chunk, [&](const Entry& e) { ++counts[slabOf(e)]; }, [&](std::uint32_t) { ++looseBase[chunk + 1]; });
    });
    // Where each chunk's entries of each slab begin, and where each slab does.
    std::vector<std::size_t> slabStart(slabs + 1, 0);
    std::vector<std::size_t> writeAt(plan.chunks() * slabs, 0);
    std::size_t placed = 0;
    for (std::size_t slab = 0; slab < slabs; ++slab) {
        slabStart[slab] = placed;
        for (std::size_t chunk = 0; chunk < plan.chunks(); ++chunk) {
            writeAt[chunk * slabs + slab] = placed;
            placed += slabCounts[chunk * slabs + slab];
        }
    }
    slabStart[slabs] = placed;
    std::vector<std::uint32_t>().swap(slabCounts);
    for (std::size_t chunk = 0; chunk < plan.chunks(); ++chunk) looseBase[chunk + 1] += looseBase[chunk];
    entries_.resize(placed);
    loose_.resize(looseBase.back());
    forEachChunkOn(runner, plan.chunks(), [&](std::size_t chunk) {
        std::size_t* at = writeAt.data() + chunk * slabs;
        std::uint32_t* looseOne = loose_.data() + looseBase[chunk];
        place(chunk, [&](const Entry& e) { entries_[at[slabOf(e)]++] = e; }, [&](std::uint32_t t) { *looseOne++ = t; });
    });
    const ChunkPlan slabPlan{slabs, std::max<std::size_t>(1, slabs / 64)};
    forEachChunkOn(runner, slabPlan.chunks(), [&](std::size_t chunk) {
        for (std::size_t slab = slabPlan.begin(chunk); slab < slabPlan.end(chunk); ++slab) {
            std::sort(entries_.begin() + static_cast<std::ptrdiff_t>(slabStart[slab]),
                      entries_.begin() + static_cast<std::ptrdiff_t>(slabStart[slab + 1]),
                      [](const Entry& a, const Entry& b) { return a.cell != b.cell ? a.cell < b.cell : a.triangle < b.triangle; });
        }
    });
}

bool TriangleBins::cellsNear(std::span<const TriangleBox> boxes, std::vector<std::uint32_t>& cells) const {
    cells.clear();
    if (entries_.empty()) return true;
    // A box's cells: those whose centres lie within one cell of it.
    const auto range = [this](const TriangleBox& box, int axis, std::uint32_t& first, std::uint32_t& last) {
        const double from = std::floor((static_cast<double>(box.low[axis]) - origin_[axis]) / cell_) - 1.0;
        const double to = std::floor((static_cast<double>(box.high[axis]) - origin_[axis]) / cell_) + 1.0;
        const double top = static_cast<double>(counts_[axis] - 1);
        if (!(to >= 0.0 && from <= top)) return false;
        first = static_cast<std::uint32_t>(std::max(from, 0.0));
        last = static_cast<std::uint32_t>(std::min(to, top));
        return true;
    };
    // Repeats are dropped whenever the list has grown well beyond its
    // size after the last time.
    std::size_t unique = 0;
    // Beyond this many cells (repeats included) visiting every entry is cheaper.
    const double most = 2.0 * static_cast<double>(entries_.size()) + 4096.0;
    for (const TriangleBox& box : boxes) {
        std::uint32_t first[3], last[3];
        if (!range(box, 0, first[0], last[0]) || !range(box, 1, first[1], last[1]) || !range(box, 2, first[2], last[2])) {
            continue;
        }
        const double many = (last[0] - first[0] + 1.0) * (last[1] - first[1] + 1.0) * (last[2] - first[2] + 1.0);
        if (static_cast<double>(cells.size()) + many > most) {
            // Boxes near each other share most of their cells.
            sortedOnce(cells);
            if (static_cast<double>(cells.size()) + many > most) return false;
        }
        for (std::uint32_t x = first[0]; x <= last[0]; ++x)
            for (std::uint32_t y = first[1]; y <= last[1]; ++y)
                for (std::uint32_t z = first[2]; z <= last[2]; ++z) cells.push_back((x * counts_[1] + y) * counts_[2] + z);
        if (cells.size() > 2 * unique + 65536) {
            sortedOnce(cells);
            unique = cells.size();
        }
    }
    sortedOnce(cells);
    return cells.size() <= entries_.size();
}
