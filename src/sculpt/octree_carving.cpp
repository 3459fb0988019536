#include "sculpt/octree_carving.h"

#include "sculpt/row_order.h"
#include "sculpt/sculpt_scene.h"

#include <algorithm>
#include <cmath>

LevelTables::LevelTables() {
    const float root3 = std::sqrt(3.0f);
    float size = 2048.0f;
    for (int level = 0; level < kLevels; ++level) {
        edge[level] = size;
        half[level] = size * 0.5f;
        quarter[level] = size * 0.25f;
        radius[level] = 1.2f * root3 * half[level];
        size *= 0.5f;
    }
}

// --- keys ---------------------------------------------------------------------------------

namespace {

// The 21 low bits of v spread to every third bit.
std::uint64_t spread(std::uint64_t v) {
    v &= 0x1FFFFF;
    v = (v | (v << 32)) & 0x1F00000000FFFFull;
    v = (v | (v << 16)) & 0x1F0000FF0000FFull;
    v = (v | (v << 8)) & 0x100F00F00F00F00Full;
    v = (v | (v << 4)) & 0x10C30C30C30C30C3ull;
    v = (v | (v << 2)) & 0x1249249249249249ull;
    return v;
}

std::uint32_t gather(std::uint64_t v) {
    v &= 0x1249249249249249ull;
    v = (v | (v >> 2)) & 0x10C30C30C30C30C3ull;
    v = (v | (v >> 4)) & 0x100F00F00F00F00Full;
    v = (v | (v >> 8)) & 0x1F0000FF0000FFull;
    v = (v | (v >> 16)) & 0x1F00000000FFFFull;
    v = (v | (v >> 32)) & 0x1FFFFF;
    return static_cast<std::uint32_t>(v);
}

}  // namespace

CellKey cellKeyOf(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return (spread(x) << 2) | (spread(y) << 1) | spread(z);
}

void cellPosition(CellKey key, std::uint32_t& x, std::uint32_t& y, std::uint32_t& z) {
    x = gather(key >> 2);
    y = gather(key >> 1);
    z = gather(key);
}

D3DXVECTOR3 cellCentre(std::uint32_t x, std::uint32_t y, std::uint32_t z, int level, const LevelTables& tables) {
    const double edge = tables.edge[level];
    return D3DXVECTOR3(static_cast<float>(-1024.0 + (x + 0.5) * edge), static_cast<float>(-1024.0 + (y + 0.5) * edge),
                       static_cast<float>(-1024.0 + (z + 0.5) * edge));
}

// --- tests ----------------------------------------------------------------------------------

bool isCellSettled(std::span<const SculptClipping* const> sculptList, const D3DXVECTOR3& centre, float radius) {
    bool settled = true;
    for (const SculptClipping* clipping : sculptList) {
        const int answer = clipping->classifyCell(centre, radius);
        const bool adding = clipping->flags().addingvoxels;
        if (adding && answer == CellOutside) {
            return true;
        }
        if (!adding && answer == CellInside) {
            return true;
        }
        if (answer == CellPartial) {
            settled = false;
        }
    }
    return settled;
}

bool isFaceOutside(std::span<const SculptClipping* const> sculptList, const D3DXVECTOR3& p1, const D3DXVECTOR3& p2,
                   const D3DXVECTOR3& p3, const D3DXVECTOR3& p4) {
    for (const SculptClipping* clipping : sculptList) {
        const bool in1 = clipping->isPointInside(p1);
        const bool in2 = clipping->isPointInside(p2);
        const bool in3 = clipping->isPointInside(p3);
        const bool in4 = clipping->isPointInside(p4);
        if (clipping->flags().addingvoxels) {
            if (!(in1 && in2 && in3 && in4)) {
                return true;
            }
        } else if (in1 && in2 && in3 && in4) {
            return true;
        }
    }
    return false;
}

namespace {

// Parents per chunk of a level: enough work to be worth a hand-over, small
// enough that a stop request is seen within a few milliseconds.
constexpr std::size_t kParentsPerChunk = 1024;

// What one chunk of a level made. Each on cache lines of its own: the
// threads fill neighbouring chunks at the same time.
struct alignas(64) ChunkOutput {
    std::vector<CellKey> kept;
    std::vector<std::uint64_t> inside;
    std::size_t tests = 0;

    // Empties the output for a new level, with room for `children` cubes.
    void start(std::size_t children) {
        kept.clear();
        inside.clear();
        tests = 0;
        kept.reserve(children);
        inside.reserve(children);
    }
};

// isCellSettled asking first the clipping that removed the previous cube
// (`lastRemover`, updated). Whether a cube is settled does not depend on the
// order of the questions, only how many are asked: neighbouring cubes are
// mostly removed by the same picture.
//
// `known` marks the clippings that see the cube's parent wholly inside
// (without a field of view): the child's picture box and depth range lie
// within its parent's (its bounding sphere does, and rounding keeps the
// order), so they see the child wholly inside too and need not be asked.
// `inside` receives the same marks for the child.
bool settledAskingRemoverFirst(std::span<const SculptClipping* const> list, const D3DXVECTOR3& centre, float radius,
                               std::uint64_t known, std::uint64_t& inside, std::size_t& lastRemover,
                               std::size_t& tests) {
    bool settled = true;
    inside = known;
    const std::size_t count = list.size();
    for (std::size_t n = 0; n < count; ++n) {
        const std::size_t i = (lastRemover + n) % count;
        if (i < 64 && (known >> i & 1u) != 0) continue;
        const SculptClipping* clipping = list[i];
        const int answer = clipping->classifyCell(centre, radius);
        ++tests;
        const bool adding = clipping->flags().addingvoxels;
        if ((adding && answer == CellOutside) || (!adding && answer == CellInside)) {
            lastRemover = i;
            return true;
        }
        if (answer == CellPartial) {
            settled = false;
        } else if (answer == CellInside && i < 64 && !clipping->projection().hasPerspective()) {
            inside |= std::uint64_t{1} << i;
        }
    }
    return settled;
}

// Tests children of one level, asking first the clipping that removed the
// last one, and keeps the unsettled ones in a chunk's output.
struct ChildTester {
    std::span<const SculptClipping* const> list;
    const LevelTables& tables;
    int level;
    std::size_t lastRemover = 0;
    std::size_t tests = 0;

    // The child (x, y, z) of a parent with inside marks `known`, kept under
    // `key` when it is not settled.
    void test(std::uint32_t x, std::uint32_t y, std::uint32_t z, std::uint64_t known, std::uint64_t key,
              ChunkOutput& out) {
        const D3DXVECTOR3 centre = cellCentre(x, y, z, level, tables);
        std::uint64_t inside = 0;
        if (!settledAskingRemoverFirst(list, centre, tables.radius[level], known, inside, lastRemover, tests)) {
            out.kept.push_back(key);
            out.inside.push_back(inside);
        }
    }
};

// The parents of one slab of one z, rows [begin, end) of their row list.
struct ParentSlab {
    std::uint32_t z;
    std::size_t begin;
    std::size_t end;
};

// Carves level `level` from the parents `parentCells` (level - 1, octree
// keys) and their marks, which it frees, into `outputs`, the children as
// row keys in row order. The parents are sorted into rows; each slab of
// them gives two slabs of children, z = 2 z' and 2 z' + 1, each row two
// rows, each parent two children along x: walked so, the children come in
// row order. One slab of children a chunk.
void carveLevelInRows(int level, std::vector<CellKey>& parentCells, std::vector<std::uint64_t>& parentCellMarks,
                      std::span<const SculptClipping* const> sculptList, const LevelTables& tables,
                      const RunControl& control, std::vector<ChunkOutput>& outputs) {
    const int parentLevel = level - 1;
    const int parentBits = std::max(parentLevel, 1);
    const std::uint64_t mask = (std::uint64_t{1} << parentBits) - 1;
    std::vector<std::uint64_t> parents;
    std::vector<std::uint64_t> parentMarks;
    sortIntoRows(parentCells, parentCellMarks, parentBits, control.runner,
                 [&] {
                     std::vector<CellKey>().swap(parentCells);
                     std::vector<std::uint64_t>().swap(parentCellMarks);
                 },
                 parents, parentMarks);
    // Rows of parents (one y in one slab), then slabs of rows.
    std::vector<std::size_t> rowStarts;
    for (std::size_t p = 0; p < parents.size(); ++p) {
        if (p == 0 || (parents[p] >> parentBits) != (parents[p - 1] >> parentBits)) rowStarts.push_back(p);
    }
    rowStarts.push_back(parents.size());
    std::vector<ParentSlab> slabs;
    for (std::size_t r = 0; r + 1 < rowStarts.size(); ++r) {
        const auto z = static_cast<std::uint32_t>(parents[rowStarts[r]] >> (2 * parentBits));
        if (slabs.empty() || slabs.back().z != z) slabs.push_back(ParentSlab{z, r, r});
        slabs.back().end = r + 1;
    }
    outputs.resize(2 * slabs.size());
    control.runner.forEachChunk(outputs.size(), [&](std::size_t chunk) {
        ChunkOutput& out = outputs[chunk];
        const ParentSlab& slab = slabs[chunk / 2];
        // Four children a parent in each slab of children.
        out.start(control.stopRequested() ? 0 : 4 * (rowStarts[slab.end] - rowStarts[slab.begin]));
        if (control.stopRequested()) return;
        const std::uint32_t z = 2 * slab.z + static_cast<std::uint32_t>(chunk % 2);
        ChildTester children{sculptList, tables, level};
        for (std::size_t r = slab.begin; r < slab.end; ++r) {
            const auto parentY = static_cast<std::uint32_t>((parents[rowStarts[r]] >> parentBits) & mask);
            for (std::uint32_t y = 2 * parentY; y < 2 * parentY + 2; ++y) {
                for (std::size_t p = rowStarts[r]; p < rowStarts[r + 1]; ++p) {
                    const auto parentX = static_cast<std::uint32_t>(parents[p] & mask);
                    for (std::uint32_t x = 2 * parentX; x < 2 * parentX + 2; ++x) {
                        children.test(x, y, z, parentMarks[p], rowKeyOf(x, y, z, level), out);
                    }
                }
            }
        }
        out.tests = children.tests;
    });
}

}  // namespace

bool OctreeCarver::carve(int depth, std::span<const SculptClipping* const> sculptList, const LevelTables& tables,
                         const RunControl& control, const CarveLevelCallback& onLevel, FinestOrder order) {
    depth_ = std::clamp(depth, 0, kMaxCarvingDepth);
    finestInRows_ = order == FinestOrder::Rows;
    cellsPerLevel_.assign(1, 1);
    cellTests_ = 0;
    int current = 0;
    levels_[current].assign(1, CellKey{0});
    insideMarks_[current].assign(1, 0);
    std::vector<ChunkOutput> outputs;
    for (int level = 0; level < depth_; ++level) {
        if (onLevel) onLevel(level + 1);
        const int next = 1 - current;
        const std::vector<CellKey>& parents = levels_[current];
        const std::vector<std::uint64_t>& parentMarks = insideMarks_[current];
        if (order == FinestOrder::Rows && level + 1 == depth_) {
            carveLevelInRows(depth_, levels_[current], insideMarks_[current], sculptList, tables, control, outputs);
        } else {
            const ChunkPlan plan{parents.size(), kParentsPerChunk};
            outputs.resize(plan.chunks());
            control.runner.forEachChunk(plan.chunks(), [&](std::size_t chunk) {
                ChunkOutput& out = outputs[chunk];
                // At most eight children a parent: no growing on the way.
                out.start(control.stopRequested() ? 0 : 8 * (plan.end(chunk) - plan.begin(chunk)));
                if (control.stopRequested()) return;
                ChildTester children{sculptList, tables, level + 1};
                for (std::size_t p = plan.begin(chunk); p < plan.end(chunk); ++p) {
                    std::uint32_t x = 0, y = 0, z = 0;
                    cellPosition(parents[p], x, y, z);
                    // Children in key order: x, y, z bits of the child make the
                    // key's last three bits.
                    for (std::uint32_t bits = 0; bits < 8; ++bits) {
                        children.test(2 * x + ((bits >> 2) & 1u), 2 * y + ((bits >> 1) & 1u), 2 * z + (bits & 1u),
                                      parentMarks[p], (parents[p] << 3) | bits, out);
                    }
                }
                out.tests = children.tests;
            });
        }
        if (control.stopRequested()) {
            levels_[0].clear();
            levels_[1].clear();
            insideMarks_[0].clear();
            insideMarks_[1].clear();
            finestBuffer_ = 0;
            return false;
        }
        // The chunks' cubes one after the other, copied on every core.
        std::vector<std::size_t> offsets(outputs.size() + 1, 0);
        for (std::size_t chunk = 0; chunk < outputs.size(); ++chunk) {
            offsets[chunk + 1] = offsets[chunk] + outputs[chunk].kept.size();
            cellTests_ += outputs[chunk].tests;
        }
        const std::size_t total = offsets.back();
        std::vector<CellKey>& children = levels_[next];
        std::vector<std::uint64_t>& marks = insideMarks_[next];
        children.resize(total);
        marks.resize(total);
        control.runner.forEachChunk(outputs.size(), [&](std::size_t chunk) {
            const ChunkOutput& out = outputs[chunk];
            std::copy(out.kept.begin(), out.kept.end(), children.begin() + static_cast<std::ptrdiff_t>(offsets[chunk]));
            std::copy(out.inside.begin(), out.inside.end(), marks.begin() + static_cast<std::ptrdiff_t>(offsets[chunk]));
        });
        levels_[current].clear();
        insideMarks_[current].clear();
        current = next;
        cellsPerLevel_.push_back(total);
    }
    finestBuffer_ = current;
    return true;
}

void OctreeCarver::takeFinest(std::vector<CellKey>& cells, std::vector<std::uint64_t>& insideMarks) {
    cells = std::move(levels_[finestBuffer_]);
    insideMarks = std::move(insideMarks_[finestBuffer_]);
    for (int buffer = 0; buffer < 2; ++buffer) {
        std::vector<CellKey>().swap(levels_[buffer]);
        std::vector<std::uint64_t>().swap(insideMarks_[buffer]);
    }
}
