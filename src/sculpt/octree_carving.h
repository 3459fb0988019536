// Octree carving: silhouette intersection on an octree that keeps only the
// cubes the object's surface may pass through.
//
// The root cube (edge 2048, centred on the world origin) is split level by
// level. A child is dropped as soon as one clipping proves it empty (or one
// removing clipping proves it wholly removed), and also when every clipping
// sees it wholly solid; it is kept for refinement while some clipping sees it
// cut by a silhouette rim or a slab face.
//
// A kept cube is stored as its cell key alone: the cube's integer position
// (x, y, z) in the level's grid of 2^L cubes per side, bits interleaved, so
// that a level is a sorted array of 8-byte keys and memory follows the
// surface. Only two levels exist at any time, in two buffers that alternate
// by level and are reused from run to run until takeFinest() hands the
// finest level over and frees them. Each level is
// tested in chunks on every thread; the chunks' kept children are joined in
// key order, so the result does not depend on the number of threads.
#pragma once

#include "core/math3d.h"
#include "sculpt/run_control.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class SculptClipping;

// The level size tables, index = octree level 0 .. 49.
struct LevelTables {
    static constexpr int kLevels = 50;
    // edge[L] = 2048 / 2^L
    float edge[kLevels];
    // edge[L] / 2
    float half[kLevels];
    // edge[L] / 4: from a cube's centre to its children's centres
    float quarter[kLevels];
    // 1.2 * sqrt(3) * half[L]: circumscribed radius with a 20 % margin
    float radius[kLevels];

    LevelTables();
};

// The deepest level carving goes to: keys hold 3 x 20 bits, and below that
// the cubes are smaller than the float positions can tell apart.
inline constexpr int kMaxCarvingDepth = 20;

// A cube of one level: x, y and z (each below 2^L) interleaved, x in the
// highest bit of every triple, so that children follow their parent's order.
using CellKey = std::uint64_t;

CellKey cellKeyOf(std::uint32_t x, std::uint32_t y, std::uint32_t z);
void cellPosition(CellKey key, std::uint32_t& x, std::uint32_t& y, std::uint32_t& z);
// The centre of the cube at integer position (x, y, z) of level `level`:
// -1024 + (index + 0.5) * edge[level] on each axis (exactly the sum of the
// quarter steps that lead there from the root).
D3DXVECTOR3 cellCentre(std::uint32_t x, std::uint32_t y, std::uint32_t z, int level, const LevelTables& tables);

// Sign (-1 or +1) of child / corner k (0..7) along x, y and z:
// (-,-,-), (+,-,-), (-,-,+), (+,-,+), (-,+,-), (+,+,-), (-,+,+), (+,+,+).
inline constexpr int childSignX(int k) { return (k & 1) ? 1 : -1; }
inline constexpr int childSignZ(int k) { return (k & 2) ? 1 : -1; }
inline constexpr int childSignY(int k) { return (k & 4) ? 1 : -1; }

// True when the cube at `centre` with bounding radius `radius` needs no
// refinement. Over `sculptList` in order: an adding clipping that sees the
// cube wholly outside, or a removing clipping that sees it wholly inside,
// settles it at once; otherwise the cube is settled unless some clipping
// sees it partially.
bool isCellSettled(std::span<const SculptClipping* const> sculptList, const D3DXVECTOR3& centre, float radius);

// True when the quad p1..p4 lies outside the object: some adding clipping has
// one of the points outside its silhouette (isPointInside), or some removing
// clipping has all four inside.
bool isFaceOutside(std::span<const SculptClipping* const> sculptList, const D3DXVECTOR3& p1, const D3DXVECTOR3& p2,
                   const D3DXVECTOR3& p3, const D3DXVECTOR3& p4);

// Called once per level before it is carved, with the level number (1 .. d).
using CarveLevelCallback = std::function<void(int level)>;

// The order of the finest level's cubes: octree keys in key order, or row
// keys (rowKeyOf, row_order.h) in row order, the order face creation needs.
enum class FinestOrder { Keys, Rows };

class OctreeCarver {
public:
    OctreeCarver() = default;
    OctreeCarver(const OctreeCarver&) = delete;
    OctreeCarver& operator=(const OctreeCarver&) = delete;

    // Carves to depth `depth` (clamped into 0 .. kMaxCarvingDepth) over
    // `sculptList`. Depth 0 (or less) leaves the root alone as the finest
    // level, untested. `onLevel` (optional) is called before each level with
    // its number. Returns false, with the finest level left empty, when the
    // control asked to stop. The finest level comes in `order`: the same
    // cubes with the same marks either way.
    bool carve(int depth, std::span<const SculptClipping* const> sculptList, const LevelTables& tables,
               const RunControl& control, const CarveLevelCallback& onLevel = {},
               FinestOrder order = FinestOrder::Keys);

    // The kept cubes of the finest level, in the order carve() was asked
    // for (octree keys in key order, or row keys of level depth() in row
    // order; finestInRows() tells which). Valid until the next carve().
    const std::vector<CellKey>& finestCells() const { return levels_[finestBuffer_]; }
    // For each finest cube, the clippings (bit i: sculpt list entry i, for
    // the first 64) that see it wholly inside without a field of view.
    const std::vector<std::uint64_t>& finestInsideMarks() const { return insideMarks_[finestBuffer_]; }
    int depth() const { return depth_; }
    bool finestInRows() const { return finestInRows_; }
    std::size_t finestCount() const { return finestCells().size(); }
    // Kept cubes per level: [0] the root (1), [L] level L.
    const std::vector<std::size_t>& cellsPerLevel() const { return cellsPerLevel_; }
    // Moves the finest level (finestCells() and finestInsideMarks()) into
    // `cells` and `insideMarks` and frees both level buffers, so that what
    // comes next holds the only copy of the cubes. The counts stay.
    void takeFinest(std::vector<CellKey>& cells, std::vector<std::uint64_t>& insideMarks);
    // Number of classifyCell questions asked by the last carve().
    std::size_t cellTests() const { return cellTests_; }
    // Bytes held by the two level buffers.
    std::size_t memoryBytes() const {
        return (levels_[0].capacity() + levels_[1].capacity()) * sizeof(CellKey) +
               (insideMarks_[0].capacity() + insideMarks_[1].capacity()) * sizeof(std::uint64_t);
    }

private:
    std::vector<CellKey> levels_[2];
    // Per kept cube, the clippings (bit i: sculpt list entry i) that see it
    // wholly inside.
    std::vector<std::uint64_t> insideMarks_[2];
    int finestBuffer_ = 0;
    int depth_ = 0;
    bool finestInRows_ = false;
    std::vector<std::size_t> cellsPerLevel_;
    std::size_t cellTests_ = 0;
};
