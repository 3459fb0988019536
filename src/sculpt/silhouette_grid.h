// SilhouetteGrid: a clipping's mask as a fixed 513 by 513 array of cells, so
// that every silhouette question of the sculpting code is an array look-up.
//
// Cell (i, j), i the column and j the row (0 .. 512 each), stands for mask
// pixel (x, y) = (W' - i, H' - j) with W' = 510 - marginRight and
// H' = 510 - marginBottom: the grid is the picture turned by 180 degrees, like
// the border's outline coordinates. In those outline coordinates cell (i, j)
// covers [i + 1, i + 2] x [j + 1, j + 2], so a point (u, w) of the image plane
// falls on cell (round(u - 1.5), round(w - 1.5)).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class Image;

// What a cell holds.
enum GridCell : std::int32_t {
    GridOutside = 0,
    // A silhouette cell that touches the outside (the rim).
    GridBorder = 1,
    GridInside = 2,
};

// Answers whether a point in outline coordinates lies inside the smoothed
// outline (normally the border's isInsideOutline).
using OutlineInsideTest = std::function<bool(float x, float y)>;

// The silhouette's bounding box in grid coordinates, edges inclusive. Empty
// when min exceeds max.
struct GridBox {
    float minI = 0.0f;
    float minJ = 0.0f;
    float maxI = 0.0f;
    float maxJ = 0.0f;

    bool isEmpty() const { return minI > maxI || minJ > maxJ; }
};

class SilhouetteGrid {
public:
    static constexpr int kSide = 513;
    // The largest usable extent W' (and H'): the canvas side minus two.
    static constexpr int kMaxExtent = 510;

    // An empty grid: every cell outside, no silhouette.
    SilhouetteGrid();

    // Rebuilds the grid from `mask`:
    //  1. every cell outside; W' = 510 - marginRight, H' = 510 - marginBottom
    //     (clamped into 0 .. 510 so that odd margins never index outside);
    //  2. every set pixel (x, y), 0 <= x < W', 0 <= y < H', makes its cell
    //     inside;
    //  3. every unset pixel of that range whose cell has a corner strictly
    //     inside the smoothed outline (`insideOutline`, asked at the cell's
    //     four corners in outline coordinates) becomes part of the
    //     silhouette; the test may read this grid while it is built (cells
    //     from step 2 already hold GridInside);
    //  4. every silhouette cell on the grid's edge or with a direct neighbour
    //     outside becomes GridBorder, all others GridInside;
    //  5. the bounding box of the silhouette cells is grown by one on every
    //     side and clamped to [0, W'] x [0, H'].
    // An invalid mask gives an empty grid. `insideOutline` may be empty (no
    // step 3).
    void build(const Image& mask, const OutlineInsideTest& insideOutline);

    // Every cell outside, no silhouette, empty box.
    void clear();

    // The cell (i, j); GridOutside for any index outside 0 .. 512. Inline:
    // carving asks this millions of times.
    int cell(int i, int j) const {
        if (i < 0 || j < 0 || i >= kSide || j >= kSide) return GridOutside;
        return cells_[static_cast<std::size_t>(i) * kSide + static_cast<std::size_t>(j)];
    }

    // How many rim and inside cells the rectangle of columns i0 .. i1 and
    // rows j0 .. j1 (inclusive, within 0 .. 512) holds; from running sums
    // made by build(), so the answer costs the same for any rectangle.
    struct RectCounts {
        std::uint32_t rim = 0;
        std::uint32_t inside = 0;
    };
    RectCounts countsIn(int i0, int i1, int j0, int j1) const {
        return RectCounts{boxSum(rimSums_, i0, i1, j0, j1), boxSum(insideSums_, i0, i1, j0, j1)};
    }

    // True when at least one cell is not outside.
    bool hasSilhouette() const { return count_ != 0; }
    // Number of cells that are not outside.
    int count() const { return count_; }
    // The grown and clamped bounding box of the silhouette; empty when there
    // is no silhouette.
    const GridBox& boundingBox() const { return box_; }
    // W' and H' of the last build.
    int extentI() const { return extentI_; }
    int extentJ() const { return extentJ_; }

private:
    static bool onEdge(int i, int j) { return i == 0 || j == 0 || i == kSide - 1 || j == kSide - 1; }
    std::int32_t& at(int i, int j) { return cells_[static_cast<std::size_t>(i) * kSide + static_cast<std::size_t>(j)]; }
    void markMaskPixels(const Image& mask);
    void markCellsInsideOutline(const Image& mask, const OutlineInsideTest& insideOutline);
    bool cellTouchesInsideOutline(int i, int j, const OutlineInsideTest& insideOutline) const;
    void findRim();
    void widenBox(int i, int j);
    void finishBox();
    void buildSums();
    // Sum over the rectangle from a table of (kSide + 1)^2 running sums.
    static std::uint32_t boxSum(const std::vector<std::uint32_t>& sums, int i0, int i1, int j0, int j1) {
        const auto at = [&sums](int i, int j) {
            return sums[static_cast<std::size_t>(i) * (kSide + 1) + static_cast<std::size_t>(j)];
        };
        return at(i1 + 1, j1 + 1) - at(i0, j1 + 1) - at(i1 + 1, j0) + at(i0, j0);
    }

    std::vector<std::int32_t> cells_;
    // Running sums of rim and inside cells: entry (i, j) counts the cells
    // (i', j') with i' < i and j' < j.
    std::vector<std::uint32_t> rimSums_;
    std::vector<std::uint32_t> insideSums_;
    int extentI_ = 0;
    int extentJ_ = 0;
    int count_ = 0;
    GridBox box_;
};
