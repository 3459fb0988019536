#include "sculpt/silhouette_field.h"

#include "sculpt/clipping.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr std::int16_t kFar = std::numeric_limits<std::int16_t>::max();

// Appends [begin, end] to `out`, merging it with the last interval when they
// touch.
void appendInterval(IntervalList& out, float begin, float end) {
    if (end < begin) return;
    if (!out.empty() && begin <= out.back().end) {
        out.back().end = std::max(out.back().end, end);
        return;
    }
    out.push_back(ParameterInterval{begin, end});
}

// Cuts [s0, s1] down to the parameters where origin + s * direction lies in
// [low, high] along one axis. False when nothing is left.
bool clipAxis(float origin, float direction, float low, float high, float& s0, float& s1) {
    if (direction == 0.0f) return origin >= low && origin <= high;
    float a = (low - origin) / direction;
    float b = (high - origin) / direction;
    if (a > b) std::swap(a, b);
    s0 = std::max(s0, a);
    s1 = std::min(s1, b);
    return s0 <= s1;
}

int cellOf(float coordinate) { return static_cast<int>(std::floor(coordinate + 0.5f)); }

}  // namespace

void intersectIntervals(const IntervalList& a, const IntervalList& b, IntervalList& out) {
    out.clear();
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const float begin = std::max(a[i].begin, b[j].begin);
        const float end = std::min(a[i].end, b[j].end);
        if (begin <= end) out.push_back(ParameterInterval{begin, end});
        if (a[i].end < b[j].end) {
            ++i;
        } else {
            ++j;
        }
    }
}

void complementIntervals(const IntervalList& list, float begin, float end, IntervalList& out) {
    out.clear();
    float from = begin;
    for (const ParameterInterval& interval : list) {
        if (interval.begin > from) appendInterval(out, from, std::min(interval.begin, end));
        from = std::max(from, interval.end);
        if (from >= end) return;
    }
    if (from < end) appendInterval(out, from, end);
}

void SilhouetteField::build(const SilhouetteGrid& grid) {
    values_.assign(static_cast<std::size_t>(kSide) * kSide, 0);
    hasSilhouette_ = false;
    box_ = GridBox{1.0f, 1.0f, 0.0f, 0.0f};
    float minI = kSide, minJ = kSide, maxI = -1.0f, maxJ = -1.0f;
    auto inside = [&](int i, int j) { return grid.cell(i, j) == GridInside; };

    // Cells next to the other kind (the grid's surroundings count as outside)
    // are 1 away; the rest start far and are filled in by two passes.
    for (int i = 0; i < kSide; ++i) {
        for (int j = 0; j < kSide; ++j) {
            const bool in = inside(i, j);
            bool border = false;
            for (int di = -1; di <= 1 && !border; ++di)
                for (int dj = -1; dj <= 1 && !border; ++dj)
                    if ((di != 0 || dj != 0) && inside(i + di, j + dj) != in) border = true;
            values_[index(i, j)] = border ? 1 : kFar;
            if (in) {
                hasSilhouette_ = true;
                minI = std::min(minI, static_cast<float>(i));
                maxI = std::max(maxI, static_cast<float>(i));
                minJ = std::min(minJ, static_cast<float>(j));
                maxJ = std::max(maxJ, static_cast<float>(j));
            }
        }
    }
    auto relax = [&](int i, int j, int ni, int nj) {
        if (ni < 0 || nj < 0 || ni >= kSide || nj >= kSide) return;
        std::int16_t& value = values_[index(i, j)];
        const std::int16_t next = values_[index(ni, nj)];
        if (next != kFar && next + 1 < value) value = static_cast<std::int16_t>(next + 1);
    };
    for (int i = 0; i < kSide; ++i) {
        for (int j = 0; j < kSide; ++j) {
            relax(i, j, i - 1, j - 1);
            relax(i, j, i - 1, j);
            relax(i, j, i - 1, j + 1);
            relax(i, j, i, j - 1);
        }
    }
    for (int i = kSide - 1; i >= 0; --i) {
        for (int j = kSide - 1; j >= 0; --j) {
            relax(i, j, i + 1, j + 1);
            relax(i, j, i + 1, j);
            relax(i, j, i + 1, j - 1);
            relax(i, j, i, j + 1);
        }
    }
    // Without any inside cell nothing is near the other kind.
    for (int i = 0; i < kSide; ++i)
        for (int j = 0; j < kSide; ++j) {
            std::int16_t& value = values_[index(i, j)];
            if (inside(i, j)) continue;
            value = static_cast<std::int16_t>(-value);
        }
    if (hasSilhouette_) box_ = GridBox{minI - 1.0f, minJ - 1.0f, maxI + 1.0f, maxJ + 1.0f};
}

void SilhouetteField::insideIntervals(const D3DXVECTOR2& origin, const D3DXVECTOR2& direction, float s0, float s1,
                                      IntervalList& out) const {
    if (!hasSilhouette_ || !(s0 <= s1)) return;
    if (!std::isfinite(origin.x) || !std::isfinite(origin.y) || !std::isfinite(direction.x) ||
        !std::isfinite(direction.y))
        return;
    // Only the box can hold inside cells.
    if (!clipAxis(origin.x, direction.x, box_.minI - 0.5f, box_.maxI + 0.5f, s0, s1)) return;
    if (!clipAxis(origin.y, direction.y, box_.minJ - 0.5f, box_.maxJ + 0.5f, s0, s1)) return;
    walk(origin, direction, s0, s1, out);
}

void SilhouetteField::walk(const D3DXVECTOR2& origin, const D3DXVECTOR2& direction, float s0, float s1,
                           IntervalList& out) const {
    const float speed = std::max(std::fabs(direction.x), std::fabs(direction.y));
    auto positionAt = [&](float s) { return D3DXVECTOR2(origin.x + direction.x * s, origin.y + direction.y * s); };
    D3DXVECTOR2 p = positionAt(s0);
    int i = cellOf(p.x);
    int j = cellOf(p.y);
    bool inside = isInside(i, j);
    // A line that stays within one cell (or runs along the viewing axis).
    if (speed * (s1 - s0) < 1.0e-6f) {
        if (inside) appendInterval(out, s0, s1);
        return;
    }
    float begin = s0;
    float s = s0;
    // Nudge past a cell boundary by a thousandth of a cell.
    const float nudge = 1.0e-3f / speed;
    // Every iteration moves at least to the next cell boundary, and a line
    // L cells long (chessboard) crosses at most 2L boundaries; a stride may
    // end just before one. The bound only guards against arithmetic
    // surprises.
    const long long maxSteps = static_cast<long long>(speed * (s1 - s0)) * 4 + 64;
    for (long long step = 0; step < maxSteps; ++step) {
        ++walkSteps_;
        const int d = distance(i, j);
        float next;
        float boundary;
        if (d >= 2) {
            next = s + static_cast<float>(d - 1) / speed;
            boundary = next;
        } else {
            float toBoundary = std::numeric_limits<float>::infinity();
            if (direction.x > 0.0f) toBoundary = std::min(toBoundary, (static_cast<float>(i) + 0.5f - p.x) / direction.x);
            if (direction.x < 0.0f) toBoundary = std::min(toBoundary, (static_cast<float>(i) - 0.5f - p.x) / direction.x);
            if (direction.y > 0.0f) toBoundary = std::min(toBoundary, (static_cast<float>(j) + 0.5f - p.y) / direction.y);
            if (direction.y < 0.0f) toBoundary = std::min(toBoundary, (static_cast<float>(j) - 0.5f - p.y) / direction.y);
            boundary = s + std::max(toBoundary, 0.0f);
            next = boundary + nudge;
        }
        if (next >= s1) break;
        s = next;
        p = positionAt(s);
        i = cellOf(p.x);
        j = cellOf(p.y);
        const bool nowInside = isInside(i, j);
        if (nowInside == inside) continue;
        if (inside) appendInterval(out, begin, boundary);
        begin = boundary;
        inside = nowInside;
    }
    if (inside) appendInterval(out, begin, s1);
}

namespace {

// Cell coordinates of a projected point.
D3DXVECTOR2 cellPoint(const ClipPoint& p) { return D3DXVECTOR2(p.u - 1.5f, p.w - 1.5f); }

// Walks [sa, sb] of the segment through the field, splitting it where the
// perspective bends its picture path by more than a quarter cell.
void walkPiece(const Clipping& clipping, const SilhouetteField& field, const D3DXVECTOR3& from,
               const D3DXVECTOR3& to, float sa, float sb, const D3DXVECTOR2& ca, const D3DXVECTOR2& cb, int depth,
               IntervalList& out) {
    if (clipping.placement().fovSet && depth < 12 && sb - sa > 1.0e-6f) {
        const float sm = 0.5f * (sa + sb);
        const auto mid = clipping.projectPoint(from + (to - from) * sm);
        if (mid) {
            const D3DXVECTOR2 cm = cellPoint(*mid);
            const D3DXVECTOR2 straight = (ca + cb) * 0.5f;
            if (std::max(std::fabs(cm.x - straight.x), std::fabs(cm.y - straight.y)) > 0.25f) {
                walkPiece(clipping, field, from, to, sa, sm, ca, cm, depth + 1, out);
                walkPiece(clipping, field, from, to, sm, sb, cm, cb, depth + 1, out);
                return;
            }
        }
    }
    const float span = sb - sa;
    if (span <= 0.0f) {
        if (field.isInside(cellOf(ca.x), cellOf(ca.y))) appendInterval(out, sa, sb);
        return;
    }
    // c(s) = ca + (s - sa) / span * (cb - ca), written as origin + s * direction.
    const D3DXVECTOR2 direction = (cb - ca) / span;
    const D3DXVECTOR2 origin = ca - direction * sa;
    field.insideIntervals(origin, direction, sa, sb, out);
}

}  // namespace

void sweptInsideIntervals(const Clipping& clipping, const SilhouetteField& field, const D3DXVECTOR3& from,
                          const D3DXVECTOR3& to, float s0, float s1, IntervalList& out) {
    const ClippingProjection& projection = clipping.projection();
    if (!projection.isUsable() || !field.hasSilhouette() || !(s0 <= s1)) return;
    // The depth along the clipping's axis is linear along the segment: keep
    // the part within the slab.
    const float t0 = clipping.localOffset(from).x;
    const float t1 = clipping.localOffset(to).x;
    const float half = projection.halfDepth();
    if (!clipAxis(t0, t1 - t0, -half, half, s0, s1)) return;
    const auto a = clipping.projectPoint(from + (to - from) * s0);
    const auto b = clipping.projectPoint(from + (to - from) * s1);
    if (!a || !b) return;
    IntervalList pieces;
    walkPiece(clipping, field, from, to, s0, s1, cellPoint(*a), cellPoint(*b), 0, pieces);
    for (const ParameterInterval& interval : pieces) appendInterval(out, interval.begin, interval.end);
}
