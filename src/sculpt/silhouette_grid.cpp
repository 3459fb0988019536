#include "sculpt/silhouette_grid.h"

#include "image/image.h"

#include <algorithm>

namespace {

int clampExtent(int extent) { return std::clamp(extent, 0, SilhouetteGrid::kMaxExtent); }

}  // namespace

SilhouetteGrid::SilhouetteGrid()
    : cells_(static_cast<std::size_t>(kSide) * kSide, GridOutside),
      rimSums_(static_cast<std::size_t>(kSide + 1) * (kSide + 1), 0),
      insideSums_(static_cast<std::size_t>(kSide + 1) * (kSide + 1), 0) {
    clear();
}

void SilhouetteGrid::clear() {
    std::fill(cells_.begin(), cells_.end(), GridOutside);
    std::fill(rimSums_.begin(), rimSums_.end(), 0u);
    std::fill(insideSums_.begin(), insideSums_.end(), 0u);
    extentI_ = 0;
    extentJ_ = 0;
    count_ = 0;
    box_ = GridBox{1.0f, 1.0f, 0.0f, 0.0f};
}

void SilhouetteGrid::build(const Image& mask, const OutlineInsideTest& insideOutline) {
    clear();
    if (!mask.isValid()) {
        return;
    }
    extentI_ = clampExtent(kMaxExtent - mask.marginRight);
    extentJ_ = clampExtent(kMaxExtent - mask.marginBottom);
    // The box starts inverted so that the first cell sets it.
    box_ = GridBox{static_cast<float>(extentI_), static_cast<float>(extentJ_), 0.0f, 0.0f};

    markMaskPixels(mask);
    if (insideOutline) {
        markCellsInsideOutline(mask, insideOutline);
    }
    findRim();
    finishBox();
    buildSums();
}

void SilhouetteGrid::buildSums() {
    const std::size_t stride = kSide + 1;
    for (int i = 0; i < kSide; ++i) {
        std::uint32_t rimRow = 0;
        std::uint32_t insideRow = 0;
        for (int j = 0; j < kSide; ++j) {
            const std::int32_t value = at(i, j);
            rimRow += value == GridBorder ? 1u : 0u;
            insideRow += value == GridInside ? 1u : 0u;
            const std::size_t here = static_cast<std::size_t>(i + 1) * stride + static_cast<std::size_t>(j + 1);
            const std::size_t above = static_cast<std::size_t>(i) * stride + static_cast<std::size_t>(j + 1);
            rimSums_[here] = rimSums_[above] + rimRow;
            insideSums_[here] = insideSums_[above] + insideRow;
        }
    }
}

// Step 2: set mask pixels are inside.
void SilhouetteGrid::markMaskPixels(const Image& mask) {
    for (int y = 0; y < extentJ_; ++y) {
        for (int x = 0; x < extentI_; ++x) {
            if (mask.isSet(x, y)) {
                const int i = extentI_ - x;
                const int j = extentJ_ - y;
                at(i, j) = GridInside;
                widenBox(i, j);
                ++count_;
            }
        }
    }
}

// Step 3: unset pixels that the smoothed outline reaches into join the
// silhouette. They hold GridBorder until the rim is found, so the outline's
// fallback (which reads GridInside) sees only the mask's own pixels.
void SilhouetteGrid::markCellsInsideOutline(const Image& mask, const OutlineInsideTest& insideOutline) {
    for (int y = 0; y < extentJ_; ++y) {
        for (int x = 0; x < extentI_; ++x) {
            if (mask.isSet(x, y)) {
                continue;
            }
            const int i = extentI_ - x;
            const int j = extentJ_ - y;
            if (cellTouchesInsideOutline(i, j, insideOutline)) {
                at(i, j) = GridBorder;
                widenBox(i, j);
                ++count_;
            }
        }
    }
}

// The cell covers [i + 1, i + 2] x [j + 1, j + 2] in outline coordinates.
bool SilhouetteGrid::cellTouchesInsideOutline(int i, int j, const OutlineInsideTest& insideOutline) const {
    const float near_i = static_cast<float>(i + 1);
    const float far_i = static_cast<float>(i + 2);
    const float near_j = static_cast<float>(j + 1);
    const float far_j = static_cast<float>(j + 2);
    return insideOutline(far_i, far_j) || insideOutline(far_i, near_j) || insideOutline(near_i, near_j) ||
           insideOutline(near_i, far_j);
}

// Steps 4 and 5: every silhouette cell becomes inside, then those on the
// grid's edge or next to an outside cell become the rim.
void SilhouetteGrid::findRim() {
    for (auto& value : cells_) {
        if (value == GridBorder) {
            value = GridInside;
        }
    }
    for (int i = 0; i < kSide; ++i) {
        for (int j = 0; j < kSide; ++j) {
            if (at(i, j) != GridInside) {
                continue;
            }
            const bool touchesOutside = onEdge(i, j) || cell(i - 1, j) == GridOutside ||
                                        cell(i + 1, j) == GridOutside || cell(i, j - 1) == GridOutside ||
                                        cell(i, j + 1) == GridOutside;
            if (touchesOutside) {
                at(i, j) = GridBorder;
            }
        }
    }
}

void SilhouetteGrid::widenBox(int i, int j) {
    box_.minI = std::min(box_.minI, static_cast<float>(i));
    box_.minJ = std::min(box_.minJ, static_cast<float>(j));
    box_.maxI = std::max(box_.maxI, static_cast<float>(i));
    box_.maxJ = std::max(box_.maxJ, static_cast<float>(j));
}

// Step 6: one cell of margin so that the rim lies inside the box.
void SilhouetteGrid::finishBox() {
    if (count_ == 0) {
        box_ = GridBox{1.0f, 1.0f, 0.0f, 0.0f};
        return;
    }
    const float maxI = static_cast<float>(extentI_);
    const float maxJ = static_cast<float>(extentJ_);
    box_.minI = std::clamp(box_.minI - 1.0f, 0.0f, maxI);
    box_.minJ = std::clamp(box_.minJ - 1.0f, 0.0f, maxJ);
    box_.maxI = std::clamp(box_.maxI + 1.0f, 0.0f, maxI);
    box_.maxJ = std::clamp(box_.maxJ + 1.0f, 0.0f, maxJ);
}
