// SilhouetteField: a clipping's silhouette grid with, for every cell, the
// chessboard distance to the nearest cell of the other kind, so that a line
// can be walked across the silhouette in big safe strides and cell by cell
// only near the rim.
//
// Which cells count as inside is chosen when the field is built: exactly the
// cells the projection's point test calls inside (GridInside; the rim is
// outside), or, for showing how pictures meet, every silhouette cell and
// its neighbours, so that a line grazing a rim within a pixel still meets
// the silhouette. Lines are
// given in cell coordinates: cell (i, j) covers [i - 0.5, i + 0.5] x
// [j - 0.5, j + 0.5], i.e. picture point (u, w) sits at (u - 1.5, w - 1.5).
//
// The swept test (sweptInsideIntervals) walks a 3D segment through a placed
// clipping: the parts of the segment that lie inside the clipping's
// silhouette swept through its slab. This is what the transformation mode's
// collision lines, decals and snapping ask of the other images.
#pragma once

#include <atomic>
#include "core/math3d.h"
#include "sculpt/silhouette_grid.h"

#include <cstdint>
#include <vector>

class Clipping;

// Closed parameter intervals [begin, end], sorted and disjoint.
struct ParameterInterval {
    float begin = 0.0f;
    float end = 0.0f;
};
using IntervalList = std::vector<ParameterInterval>;

// The intervals common to `a` and `b`, written to `out` (which may be
// neither input).
void intersectIntervals(const IntervalList& a, const IntervalList& b, IntervalList& out);
// The complement of `list` within [begin, end].
void complementIntervals(const IntervalList& list, float begin, float end, IntervalList& out);

// Which cells of the grid a field calls inside.
enum class FieldReach {
    // The cells holding GridInside, as the point test of the projection.
    InsideCells,
    // Every cell of the silhouette (rim included) and the cells touching one.
    NearSilhouette,
};

class SilhouetteField {
public:
    // An empty field: every cell outside.
    SilhouetteField() = default;

    // Rebuilds the field from `grid` (two raster passes).
    void build(const SilhouetteGrid& grid, FieldReach reach = FieldReach::InsideCells);

    // True when cell (i, j) is inside; false outside the grid.
    bool isInside(int i, int j) const {
        if (i < 0 || j < 0 || i >= kSide || j >= kSide) return false;
        return values_[index(i, j)] > 0;
    }
    // Chessboard distance from cell (i, j) to the nearest cell of the other
    // kind (at least 1); cells outside the grid answer 1.
    int distance(int i, int j) const {
        if (i < 0 || j < 0 || i >= kSide || j >= kSide || values_.empty()) return 1;
        const int value = values_[index(i, j)];
        return value > 0 ? value : -value;
    }
    bool hasSilhouette() const { return hasSilhouette_; }
    // The cells that hold inside cells, grown by one; empty without any.
    const GridBox& box() const { return box_; }

    // Appends to `out` the parts of [s0, s1] where the line
    // p(s) = origin + s * direction (cell coordinates) runs over inside
    // cells, as intervals of s. Transitions are found to the cell boundary.
    void insideIntervals(const D3DXVECTOR2& origin, const D3DXVECTOR2& direction, float s0, float s1,
                         IntervalList& out) const;

    // Cell steps taken by insideIntervals since the field was made (for
    // tests and benchmarks).
    long long walkSteps() const { return walkSteps_.load(std::memory_order_relaxed); }

private:
    static constexpr int kSide = SilhouetteGrid::kSide;
    static std::size_t index(int i, int j) { return static_cast<std::size_t>(i) * kSide + static_cast<std::size_t>(j); }
    // The walk of insideIntervals after clipping to the box.
    void walk(const D3DXVECTOR2& origin, const D3DXVECTOR2& direction, float s0, float s1, IntervalList& out) const;
    // The coordinate of the next change of kind from cell `at` of a line of
    // cells, walking up (`upwards`) or down: the boundary between the two
    // cells, or +-infinity when the kind never changes.
    static float nextChange(const std::vector<std::int16_t>& changes, const std::vector<int>& starts, int line, int at,
                            bool upwards);
    void collectChanges();

    // Per cell: +d inside, -d outside, d the distance to the other kind.
    std::vector<std::int16_t> values_;
    // Where the kind changes along each row (column indices i: cells i - 1
    // and i differ) and along each column (row indices), CSR style: the
    // changes of row j are rowChanges_[rowStarts_[j] .. rowStarts_[j + 1]).
    std::vector<std::int16_t> rowChanges_;
    std::vector<int> rowStarts_;
    std::vector<std::int16_t> columnChanges_;
    std::vector<int> columnStarts_;
    GridBox box_{1.0f, 1.0f, 0.0f, 0.0f};
    bool hasSilhouette_ = false;
    // Counted by walks that may run on several threads at once.
    mutable std::atomic<long long> walkSteps_{0};
};

// Appends to `out` the parts of the segment from `from` (s = 0) to `to`
// (s = 1), restricted to [s0, s1], that lie inside `clipping`'s silhouette
// swept through its slab (faces included), using `field` (built from the
// clipping's grid). An unusable projection gives nothing. With the field of
// view on, the segment's path through the picture is followed piecewise
// within a quarter cell.
void sweptInsideIntervals(const Clipping& clipping, const SilhouetteField& field, const D3DXVECTOR3& from,
                          const D3DXVECTOR3& to, float s0, float s1, IntervalList& out);
