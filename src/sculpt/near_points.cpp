#include "sculpt/near_points.h"

#include "sculpt/radix_sort.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

bool finite(const D3DXVECTOR3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

}  // namespace

NearPoints::NearPoints(std::span<const D3DXVECTOR3> positions, std::span<const std::uint32_t> ids, float reach,
                       ParallelRunner* runner)
    : reach2_(reach * reach) {
    const auto idAt = [&](std::size_t i) { return ids.empty() ? static_cast<std::uint32_t>(i) : ids[i]; };
    const std::size_t count = ids.empty() ? positions.size() : ids.size();
    const ChunkPlan plan{count, 65536};
    const auto forEachChunk = [&](const std::function<void(std::size_t)>& work) {
        forEachChunkOn(runner, plan.chunks(), work);
    };
    // The box around the finite points, a part per chunk.
    struct Bounds {
        D3DXVECTOR3 low, high;
        bool any = false;
    };
    std::vector<Bounds> parts(plan.chunks());
    forEachChunk([&](std::size_t chunk) {
        Bounds& b = parts[chunk];
        for (std::size_t i = plan.begin(chunk); i < plan.end(chunk); ++i) {
            const D3DXVECTOR3& p = positions[idAt(i)];
            if (!finite(p)) continue;
            b.low = b.any ? D3DXVECTOR3(std::min(b.low.x, p.x), std::min(b.low.y, p.y), std::min(b.low.z, p.z)) : p;
            b.high = b.any ? D3DXVECTOR3(std::max(b.high.x, p.x), std::max(b.high.y, p.y), std::max(b.high.z, p.z)) : p;
            b.any = true;
        }
    });
    D3DXVECTOR3 low(0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 high(0.0f, 0.0f, 0.0f);
    bool any = false;
    for (const Bounds& b : parts) {
        if (!b.any) continue;
        low = any ? D3DXVECTOR3(std::min(low.x, b.low.x), std::min(low.y, b.low.y), std::min(low.z, b.low.z)) : b.low;
        high = any ? D3DXVECTOR3(std::max(high.x, b.high.x), std::max(high.y, b.high.y), std::max(high.z, b.high.z))
                   : b.high;
        any = true;
    }
    if (!any) return;
    // Cells a little wider than the reach (so that rounding never puts two
    // points within reach two cells apart), and wide enough for the extent
    // to fit the bits of a key with two spare cells on either side.
    const float extent = std::max({high.x - low.x, high.y - low.y, high.z - low.z});
    cell_ = std::max({reach * 1.001f, extent / static_cast<float>((1 << kBits) - 8), 1e-30f});
    origin_ = low - D3DXVECTOR3(2.0f * cell_, 2.0f * cell_, 2.0f * cell_);
    hasCells_ = true;
    // Points without a cell are marked and dropped before the sort.
    constexpr std::uint64_t kNoCell = ~std::uint64_t{0};
    entries_.resize(count);
    forEachChunk([&](std::size_t chunk) {
        for (std::size_t i = plan.begin(chunk); i < plan.end(chunk); ++i) {
            const std::uint32_t id = idAt(i);
            std::int64_t q[3];
            entries_[i] = cellOf(positions[id], q) ? Entry{key(q[0], q[1], q[2]), id, positions[id]}
                                                   : Entry{kNoCell, id, positions[id]};
        }
    });
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.cell == kNoCell; }),
                   entries_.end());
    const auto cellOfEntry = [](const Entry& e) { return e.cell; };
    UninitialisedVector<Entry> buffer;
    if (runner != nullptr) {
        radixSortBy(std::span<Entry>(entries_), 3 * kBits, cellOfEntry, buffer, *runner);
    } else {
        radixSortBy(std::span<Entry>(entries_), 3 * kBits, cellOfEntry, buffer);
    }
}

bool NearPoints::cellOf(const D3DXVECTOR3& p, std::int64_t q[3]) const {
    if (!hasCells_ || !finite(p)) return false;
    const float coordinates[3] = {p.x - origin_.x, p.y - origin_.y, p.z - origin_.z};
    for (int k = 0; k < 3; ++k) {
        const double c = std::floor(static_cast<double>(coordinates[k]) / static_cast<double>(cell_));
        // Beyond the cells next to the occupied ones nothing is within reach.
        if (!(c >= 1.0 && c <= static_cast<double>((1 << kBits) - 2))) return false;
        q[k] = static_cast<std::int64_t>(c);
    }
    return true;
}

std::size_t NearPoints::lowerBound(std::uint64_t cell) const {
    return static_cast<std::size_t>(
        std::lower_bound(entries_.begin(), entries_.end(), cell,
                         [](const Entry& e, std::uint64_t value) { return e.cell < value; }) -
        entries_.begin());
}
