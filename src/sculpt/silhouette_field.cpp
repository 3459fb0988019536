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

void SilhouetteField::build(const SilhouetteGrid& grid, FieldReach reach) {
    values_.assign(static_cast<std::size_t>(kSide) * kSide, 0);
    hasSilhouette_ = false;
    box_ = GridBox{1.0f, 1.0f, 0.0f, 0.0f};
    float minI = kSide, minJ = kSide, maxI = -1.0f, maxJ = -1.0f;
    // Which cells count as inside, as a byte per cell (the grid's
    // surroundings are outside).
    std::vector<unsigned char> insideCells(static_cast<std::size_t>(kSide) * kSide, 0);
    for (int i = 0; i < kSide; ++i) {
        for (int j = 0; j < kSide; ++j) {
            const int cell = grid.cell(i, j);
            if (reach == FieldReach::InsideCells) {
                insideCells[index(i, j)] = cell == GridInside;
                continue;
            }
            if (cell == GridOutside) continue;
            for (int di = -1; di <= 1; ++di)
                for (int dj = -1; dj <= 1; ++dj)
                    if (i + di >= 0 && j + dj >= 0 && i + di < kSide && j + dj < kSide)
                        insideCells[index(i + di, j + dj)] = 1;
        }
    }
    auto inside = [&](int i, int j) {
        return i >= 0 && j >= 0 && i < kSide && j < kSide && insideCells[index(i, j)] != 0;
    };

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
    collectChanges();
}

void SilhouetteField::collectChanges() {
    // Along every line of cells (rows: i varies; columns: j varies), where
    // the kind changes; cells beyond the grid are outside, so index kSide
    // closes every line.
    auto collect = [this](bool rows, std::vector<std::int16_t>& changes, std::vector<int>& starts) {
        changes.clear();
        starts.assign(kSide + 1, 0);
        for (int line = 0; line < kSide; ++line) {
            starts[static_cast<size_t>(line)] = static_cast<int>(changes.size());
            bool previous = false;
            for (int k = 0; k <= kSide; ++k) {
                const bool now = k < kSide && values_[rows ? index(k, line) : index(line, k)] > 0;
                if (now != previous) changes.push_back(static_cast<std::int16_t>(k));
                previous = now;
            }
        }
        starts[kSide] = static_cast<int>(changes.size());
    };
    collect(true, rowChanges_, rowStarts_);
    collect(false, columnChanges_, columnStarts_);
}

float SilhouetteField::nextChange(const std::vector<std::int16_t>& changes, const std::vector<int>& starts, int line,
                                  int at, bool upwards) {
    constexpr float kNone = 3.0e38f;
    if (line < 0 || line >= kSide) return upwards ? kNone : -kNone;
    const auto first = changes.begin() + starts[static_cast<size_t>(line)];
    const auto last = changes.begin() + starts[static_cast<size_t>(line) + 1];
    if (upwards) {
        // The first change above `at`: cells change - 1 and change differ.
        const auto found = std::upper_bound(first, last, static_cast<std::int16_t>(std::clamp(at, -1, kSide)));
        return found == last ? kNone : static_cast<float>(*found) - 0.5f;
    }
    // The last change at or below `at`.
    const auto found = std::upper_bound(first, last, static_cast<std::int16_t>(std::clamp(at, -1, kSide)));
    return found == first ? -kNone : static_cast<float>(*(found - 1)) - 0.5f;
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
    const float dx = direction.x;
    const float dy = direction.y;
    const float speed = std::max(std::fabs(dx), std::fabs(dy));
    // The cell of a point: floor(x + 0.5), computed on shifted values so
    // that the truncation never meets a negative number (the box keeps the
    // walk within a cell or two of the grid).
    constexpr float kShift = 8.0f;
    auto cellAt = [](float coordinate) { return static_cast<int>(coordinate + (0.5f + kShift)) - static_cast<int>(kShift); };
    // +d inside, -d outside; the grid's surroundings are outside, one away.
    auto valueAt = [this](int i, int j) -> int {
        if (static_cast<unsigned>(i) >= static_cast<unsigned>(kSide) || static_cast<unsigned>(j) >= static_cast<unsigned>(kSide))
            return -1;
        return values_[index(i, j)];
    };
    float px = origin.x + dx * s0;
    float py = origin.y + dy * s0;
    int i = cellAt(px);
    int j = cellAt(py);
    int value = valueAt(i, j);
    bool inside = value > 0;
    // A line that stays within one cell (or runs along the viewing axis).
    if (speed * (s1 - s0) < 1.0e-6f) {
        if (inside) appendInterval(out, s0, s1);
        return;
    }
    const float perCell = 1.0f / speed;
    const float inverseX = dx != 0.0f ? 1.0f / dx : 0.0f;
    const float inverseY = dy != 0.0f ? 1.0f / dy : 0.0f;
    const float halfX = dx > 0.0f ? 0.5f : -0.5f;
    const float halfY = dy > 0.0f ? 0.5f : -0.5f;
    constexpr float kNever = 3.0e38f;
    const bool alongRows = std::fabs(dx) >= std::fabs(dy);
    // Nudge past a cell boundary by a thousandth of a cell.
    const float nudge = 1.0e-3f * perCell;
    float begin = s0;
    float s = s0;
    // Every iteration moves at least to the next cell boundary, and a line
    // L cells long (chessboard) crosses at most 2L boundaries; a stride may
    // end just before one. The bound only guards against arithmetic
    // surprises.
    const long long maxSteps = static_cast<long long>(speed * (s1 - s0)) * 4 + 64;
    long long step = 0;
    for (; step < maxSteps; ++step) {
        const int d = value > 0 ? value : -value;
        float next;
        float boundary;
        // Along the line of cells the walk mostly follows, the kind stays
        // until the next change or until the walk leaves that line.
        float toChange;
        float toOtherLine;
        if (alongRows) {
            const float change = nextChange(rowChanges_, rowStarts_, j, i, dx > 0.0f);
            toChange = (change - px) * inverseX;
            toOtherLine = dy != 0.0f ? (static_cast<float>(j) + halfY - py) * inverseY : kNever;
        } else {
            const float change = nextChange(columnChanges_, columnStarts_, i, j, dy > 0.0f);
            toChange = (change - py) * inverseY;
            toOtherLine = dx != 0.0f ? (static_cast<float>(i) + halfX - px) * inverseX : kNever;
        }
        boundary = s + std::max(std::min(toChange, toOtherLine), 0.0f);
        next = boundary + nudge;
        // Far from the rim a stride of the distance is longer and as safe.
        if (d >= 2 && s + static_cast<float>(d - 1) * perCell > next) {
            next = s + static_cast<float>(d - 1) * perCell;
            boundary = next;
        }
        if (next >= s1) break;
        s = next;
        px = origin.x + dx * s;
        py = origin.y + dy * s;
        i = cellAt(px);
        j = cellAt(py);
        value = valueAt(i, j);
        const bool nowInside = value > 0;
        if (nowInside == inside) continue;
        if (inside) appendInterval(out, begin, boundary);
        begin = boundary;
        inside = nowInside;
    }
    walkSteps_.fetch_add(step + 1, std::memory_order_relaxed);
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
    const auto a = clipping.projectPoint(from);
    const auto b = clipping.projectPoint(to);
    if (!a || !b) return;
    // The depth along the clipping's axis is linear along the segment: keep
    // the part within the slab.
    const float half = projection.halfDepth();
    if (!clipAxis(a->t, b->t - a->t, -half, half, s0, s1)) return;
    IntervalList pieces;
    if (!clipping.placement().fovSet) {
        // Without perspective the picture path is linear along the segment
        // too.
        const D3DXVECTOR2 ca = cellPoint(*a);
        field.insideIntervals(ca, cellPoint(*b) - ca, s0, s1, out);
        return;
    }
    const auto first = clipping.projectPoint(from + (to - from) * s0);
    const auto last = clipping.projectPoint(from + (to - from) * s1);
    if (!first || !last) return;
    walkPiece(clipping, field, from, to, s0, s1, cellPoint(*first), cellPoint(*last), 0, pieces);
    for (const ParameterInterval& interval : pieces) appendInterval(out, interval.begin, interval.end);
}
