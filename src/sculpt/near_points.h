// NearPoints: which points of a set lie within a small distance of each
// other, or of a given place, without comparing every pair. The points are
// sorted into cubic cells at least that distance wide; two points within
// reach of each other lie in the same or in neighbouring cells.
#pragma once

#include "core/math3d.h"
#include "sculpt/parallel.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

class NearPoints {
public:
    // Points `ids` (indices into `positions`; all of them when empty) with
    // `reach` > 0. Points with a coordinate that is not finite take no
    // part. The positions are read now; later changes are not seen. With a
    // runner the points are sorted into cells on its threads (the same
    // cells and order).
    NearPoints(std::span<const D3DXVECTOR3> positions, std::span<const std::uint32_t> ids, float reach,
               ParallelRunner* runner = nullptr);

    // Calls visit(a, b) once for every two points within reach of each
    // other (|a - b| <= reach), a and b their indices.
    template <typename Visit>
    void forEachPair(Visit&& visit) const;
    // The same for the pairs whose first point is entry `begin` .. `end` - 1
    // of the points taking part (entryCount()), in the same order: a split
    // of the entries into ranges splits forEachPair's calls in order.
    template <typename Visit>
    void forEachPairFrom(std::size_t begin, std::size_t end, Visit&& visit) const;
    std::size_t entryCount() const { return entries_.size(); }

    // Calls visit(id) for every point within reach of `place`.
    template <typename Visit>
    void forEachNear(const D3DXVECTOR3& place, Visit&& visit) const;

private:
    struct Entry {
        std::uint64_t cell;
        std::uint32_t id;
        D3DXVECTOR3 position;
    };
    static constexpr int kBits = 21;

    bool cellOf(const D3DXVECTOR3& p, std::int64_t q[3]) const;
    static std::uint64_t key(std::int64_t x, std::int64_t y, std::int64_t z) {
        return (static_cast<std::uint64_t>(x) << (2 * kBits)) | (static_cast<std::uint64_t>(y) << kBits) |
               static_cast<std::uint64_t>(z);
    }
    bool within(const D3DXVECTOR3& a, const D3DXVECTOR3& b) const {
        const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
        return dx * dx + dy * dy + dz * dz <= reach2_;
    }
    // The first entry at or after `cell`.
    std::size_t lowerBound(std::uint64_t cell) const;

    float reach2_;
    bool hasCells_ = false;
    float cell_ = 1.0f;
    D3DXVECTOR3 origin_;
    UninitialisedVector<Entry> entries_;
};

template <typename Visit>
void NearPoints::forEachPair(Visit&& visit) const {
    forEachPairFrom(0, entries_.size(), visit);
}

template <typename Visit>
void NearPoints::forEachPairFrom(std::size_t begin, std::size_t end, Visit&& visit) const {
    // In cell order, the cells after a cell among its 26 neighbours form five
    // runs of consecutive keys: (x, y, z + 1), (x, y + 1, z - 1 .. z + 1) and
    // (x + 1, y + d, z - 1 .. z + 1) for d = -1, 0, 1. Their starts only grow
    // with the cell (every cell has two spare cells on either side), so one
    // cursor per run walks the entries once, starting where the first
    // entry's runs start.
    static constexpr int kRuns = 5;
    static constexpr int kDx[kRuns] = {0, 0, 1, 1, 1};
    static constexpr int kDy[kRuns] = {0, 1, -1, 0, 1};
    const std::uint64_t mask = (std::uint64_t{1} << kBits) - 1;
    end = std::min(end, entries_.size());
    // The first and last key of run r after `cell`.
    const auto runOf = [&](std::uint64_t cell, int r, std::uint64_t& first, std::uint64_t& last) {
        const std::int64_t x = static_cast<std::int64_t>(cell >> (2 * kBits)) + kDx[r];
        const std::int64_t y = static_cast<std::int64_t>((cell >> kBits) & mask) + kDy[r];
        const std::int64_t z = static_cast<std::int64_t>(cell & mask);
        first = key(x, y, r == 0 ? z + 1 : z - 1);
        last = key(x, y, z + 1);
    };
    std::size_t cursor[kRuns] = {0, 0, 0, 0, 0};
    for (int r = 0; r < kRuns && begin < end; ++r) {
        std::uint64_t first = 0, last = 0;
        runOf(entries_[begin].cell, r, first, last);
        cursor[r] = lowerBound(first);
    }
    for (std::size_t i = begin; i < end; ++i) {
        const Entry& a = entries_[i];
        for (std::size_t j = i + 1; j < entries_.size() && entries_[j].cell == a.cell; ++j) {
            if (within(a.position, entries_[j].position)) visit(a.id, entries_[j].id);
        }
        for (int r = 0; r < kRuns; ++r) {
            std::uint64_t first = 0, last = 0;
            runOf(a.cell, r, first, last);
            std::size_t& at = cursor[r];
            while (at < entries_.size() && entries_[at].cell < first) ++at;
            for (std::size_t j = at; j < entries_.size() && entries_[j].cell <= last; ++j) {
                if (within(a.position, entries_[j].position)) visit(a.id, entries_[j].id);
            }
        }
    }
}

template <typename Visit>
void NearPoints::forEachNear(const D3DXVECTOR3& place, Visit&& visit) const {
    std::int64_t q[3];
    if (!cellOf(place, q)) return;
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            const std::uint64_t last = key(q[0] + dx, q[1] + dy, q[2] + 1);
            for (std::size_t j = lowerBound(key(q[0] + dx, q[1] + dy, q[2] - 1));
                 j < entries_.size() && entries_[j].cell <= last; ++j) {
                if (within(place, entries_[j].position)) visit(entries_[j].id);
            }
        }
    }
}
