// Row order of the cubes of one level, the order face creation walks them
// in: row by row along x, the rows of a slab of one z by y, the slabs by z.
#pragma once

#include "sculpt/octree_carving.h"
#include "sculpt/parallel.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// The row key (z << 2 bits) | (y << bits) | x of the cube (x, y, z) of a
// level whose coordinates fit in `bits` bits; row keys in increasing order
// are the row order.
inline std::uint64_t rowKeyOf(std::uint32_t x, std::uint32_t y, std::uint32_t z, int bits) {
    return (std::uint64_t{z} << (2 * bits)) | (std::uint64_t{y} << bits) | x;
}

// A cube in row order and the clippings that see it wholly inside.
struct RowCube {
    std::uint64_t key;
    std::uint64_t inside;
};

// Fills `keys` with the row keys of `cells` (octree keys of a level whose
// coordinates fit in `bits` bits, no duplicates) in increasing order, and
// `inside` with their marks from `insideMarks` (0 where it has none) beside
// them. Calls `releaseInput` once `cells` and `insideMarks` are no longer
// read. Runs on the runner's threads; the result does not depend on them.
void sortIntoRows(std::span<const CellKey> cells, std::span<const std::uint64_t> insideMarks, int bits,
                  ParallelRunner& runner, const std::function<void()>& releaseInput, std::vector<std::uint64_t>& keys,
                  std::vector<std::uint64_t>& inside);
