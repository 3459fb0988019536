#include "sculpt/octree_carving.h"

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

}  // namespace

bool OctreeCarver::carve(int depth, std::span<const SculptClipping* const> sculptList, const LevelTables& tables,
                         const RunControl& control, const CarveLevelCallback& onLevel) {
    depth_ = std::clamp(depth, 0, kMaxCarvingDepth);
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
        const ChunkPlan plan{parents.size(), kParentsPerChunk};
        outputs.resize(plan.chunks());
        const float radius = tables.radius[level + 1];
        const int childLevel = level + 1;
        control.runner.forEachChunk(plan.chunks(), [&](std::size_t chunk) {
            ChunkOutput& out = outputs[chunk];
            out.kept.clear();
            out.inside.clear();
            out.tests = 0;
            if (control.stopRequested()) return;
            // At most eight children a parent: no growing on the way.
            out.kept.reserve(8 * (plan.end(chunk) - plan.begin(chunk)));
            out.inside.reserve(8 * (plan.end(chunk) - plan.begin(chunk)));
            std::size_t lastRemover = 0;
            std::size_t tests = 0;
            for (std::size_t p = plan.begin(chunk); p < plan.end(chunk); ++p) {
                std::uint32_t x = 0, y = 0, z = 0;
                cellPosition(parents[p], x, y, z);
                // Children in key order: x, y, z bits of the child make the
                // key's last three bits.
                for (std::uint32_t bits = 0; bits < 8; ++bits) {
                    const std::uint32_t cx = 2 * x + ((bits >> 2) & 1u);
                    const std::uint32_t cy = 2 * y + ((bits >> 1) & 1u);
                    const std::uint32_t cz = 2 * z + (bits & 1u);
                    const D3DXVECTOR3 centre = cellCentre(cx, cy, cz, childLevel, tables);
                    std::uint64_t inside = 0;
                    if (!settledAskingRemoverFirst(sculptList, centre, radius, parentMarks[p], inside, lastRemover,
                                                   tests)) {
                        out.kept.push_back((parents[p] << 3) | bits);
                        out.inside.push_back(inside);
                    }
                }
            }
            out.tests = tests;
        });
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
