#include "sculpt/near_points.h"

#include "sculpt/radix_sort.h"

#include <algorithm>
#include <cmath>

namespace {

bool finite(const D3DXVECTOR3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

}  // namespace

NearPoints::NearPoints(std::span<const D3DXVECTOR3> positions, std::span<const std::uint32_t> ids, float reach)
    : reach2_(reach * reach) {
    const auto idAt = [&](std::size_t i) { return ids.empty() ? static_cast<std::uint32_t>(i) : ids[i]; };
    const std::size_t count = ids.empty() ? positions.size() : ids.size();
    D3DXVECTOR3 low(0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 high(0.0f, 0.0f, 0.0f);
    bool any = false;
    for (std::size_t i = 0; i < count; ++i) {
        const D3DXVECTOR3& p = positions[idAt(i)];
        if (!finite(p)) continue;
        low = any ? D3DXVECTOR3(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)) : p;
        high = any ? D3DXVECTOR3(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)) : p;
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
    entries_.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t id = idAt(i);
        std::int64_t q[3];
        if (cellOf(positions[id], q)) entries_.push_back(Entry{key(q[0], q[1], q[2]), id, positions[id]});
    }
    radixSortBy(entries_, 3 * kBits, [](const Entry& e) { return e.cell; });
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
