#include "sculpt/face_creation.h"

#include "sculpt/row_order.h"
#include "sculpt/sculpt_scene.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>

const int FaceCreation::kFaceCorners[kFaceCount][4] = {
    {3, 2, 7, 6},  // +z
    {0, 1, 4, 5},  // -z
    {2, 0, 6, 4},  // -x
    {1, 3, 5, 7},  // +x
    {4, 5, 6, 7},  // +y
    {2, 3, 0, 1},  // -y
};

namespace {

// --- the block of eight cubes around a corner -------------------------------------------------
//
// Block positions use the bits of corner indices: 1 along x, 2 along z, 4
// along y, a set bit on the positive side of the corner. Corner k of a cube
// is the corner whose block holds that cube at position k ^ 7.

constexpr int kFaceOffset[FaceCreation::kFaceCount][3] = {
    {0, 0, 1}, {0, 0, -1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};

constexpr int bitX(int m) { return m & 1; }
constexpr int bitZ(int m) { return (m >> 1) & 1; }
constexpr int bitY(int m) { return (m >> 2) & 1; }

// Bit of the 3 x 3 x 3 neighbourhood mask for the offset (dx, dy, dz).
constexpr int neighbourBit(int dx, int dy, int dz) { return (dz + 1) * 9 + (dy + 1) * 3 + (dx + 1); }

// Order of block positions in the sorted cubes (z first, then y, then x).
constexpr int rowRank(int m) { return bitZ(m) * 4 + bitY(m) * 2 + bitX(m); }

// The face (0 .. 5) of the cube at block position m towards its block
// neighbour across `axisBit`.
constexpr int faceToward(int m, int axisBit) {
    if (axisBit == 1) return bitX(m) == 0 ? 3 : 2;
    if (axisBit == 2) return bitZ(m) == 0 ? 0 : 1;
    return bitY(m) == 0 ? 4 : 5;
}

struct BlockTables {
    // neighbourBit of the cube at block position m, seen from the cube whose
    // corner k the block is around.
    int bit[8][8];
    // The first block position in row order among the set bits of an
    // occupancy; -1 for none.
    int owner[256];
    // For an occupancy: the faces between kept and missing cubes (bit
    // axis * 4 + index of the negative-side position among the four), and
    // whether the surface there may need more than one sheet: the kept
    // cubes, or the missing ones, fall apart within the block, or two kept
    // cubes touch along a half-edge only.
    std::uint16_t boundary[256];
    bool ambiguous[256];

    BlockTables() {
        for (int k = 0; k < 8; ++k) {
            const int self = k ^ 7;
            for (int m = 0; m < 8; ++m) {
                bit[k][m] = neighbourBit(bitX(m) - bitX(self), bitY(m) - bitY(self), bitZ(m) - bitZ(self));
            }
        }
        for (int occupancy = 0; occupancy < 256; ++occupancy) {
            int best = -1;
            for (int m = 0; m < 8; ++m) {
                if ((occupancy >> m & 1) != 0 && (best < 0 || rowRank(m) < rowRank(best))) best = m;
            }
            owner[occupancy] = best;
            boundary[occupancy] = 0;
            for (int a = 0; a < 3; ++a) {
                for (int m = 0; m < 8; ++m) {
                    if ((m & kAxisBit[a]) != 0) continue;
                    const bool low = (occupancy >> m & 1) != 0;
                    const bool high = (occupancy >> (m | kAxisBit[a]) & 1) != 0;
                    if (low != high) boundary[occupancy] = static_cast<std::uint16_t>(boundary[occupancy] | 1u << faceBit(m, a));
                }
            }
            ambiguous[occupancy] = !faceConnected(occupancy) || !faceConnected(~occupancy & 0xFF) || hasDiagonal(occupancy);
        }
    }

    static constexpr int kAxisBit[3] = {1, 2, 4};
    // Bit of the face between m (negative side) and m | axis bit.
    static int faceBit(int m, int a) {
        const int rest = m & ~kAxisBit[a];
        // The two other axes' bits of `rest`, packed.
        int index = 0;
        int shift = 0;
        for (int b = 0; b < 3; ++b) {
            if (b == a) continue;
            if ((rest & kAxisBit[b]) != 0) index |= 1 << shift;
            ++shift;
        }
        return a * 4 + index;
    }
    // Whether the positions in `set` are joined through shared faces.
    static bool faceConnected(int set) {
        if (set == 0) return true;
        int seen = set & -set;
        for (bool grown = true; grown;) {
            grown = false;
            for (int m = 0; m < 8; ++m) {
                if ((seen >> m & 1) == 0) continue;
                for (int bit : {1, 2, 4}) {
                    const int n = m ^ bit;
                    if ((set >> n & 1) != 0 && (seen >> n & 1) == 0) {
                        seen |= 1 << n;
                        grown = true;
                    }
                }
            }
        }
        return seen == set;
    }
    // Whether two kept positions face each other diagonally across a
    // half-edge with both positions beside them missing.
    static bool hasDiagonal(int set) {
        for (int m = 0; m < 8; ++m) {
            for (int pair : {3, 5, 6}) {
                const int n = m ^ pair;
                if ((set >> m & 1) == 0 || (set >> n & 1) == 0) continue;
                const int beside1 = m ^ (pair & -pair);
                const int beside2 = n ^ (pair & -pair);
                if ((set >> beside1 & 1) == 0 && (set >> beside2 & 1) == 0) return true;
            }
        }
        return false;
    }
};

const BlockTables& blockTables() {
    static const BlockTables tables;
    return tables;
}

// The occupancy of the block around corner k of a cube, from the cube's
// neighbourhood mask: the block is a 2 x 2 x 2 part of the 3 x 3 x 3
// neighbourhood, read as four pairs of bits along x.
int blockOccupancy(std::uint32_t around, int k) {
    const int self = k ^ 7;
    const int low = (1 - bitZ(self)) * 9 + (1 - bitY(self)) * 3 + (1 - bitX(self));
    return static_cast<int>((around >> low & 3u) | (around >> (low + 9) & 3u) << 2 | (around >> (low + 3) & 3u) << 4 |
                            (around >> (low + 12) & 3u) << 6);
}

// The number of set bits of a byte.
std::uint32_t bitsSet(std::uint8_t byte) {
    static const auto table = [] {
        std::array<std::uint8_t, 256> counts{};
        for (int i = 1; i < 256; ++i) counts[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i & 1) + counts[static_cast<std::size_t>(i >> 1)]);
        return counts;
    }();
    return table[byte];
}

// The corners of a cube whose block it leads in row order, from the
// occupancy of each corner's block.
std::uint8_t ownedCorners(const std::uint8_t occupancy[8]) {
    const BlockTables& tables = blockTables();
    std::uint8_t owned = 0;
    for (int k = 0; k < 8; ++k) {
        if (tables.owner[occupancy[k]] == (k ^ 7)) owned = static_cast<std::uint8_t>(owned | 1 << k);
    }
    return owned;
}

// The surface sheets through one corner. Faces of the block are numbered
// axis * 8 + m0 (axis 0 x, 1 z, 2 y; m0 the block position on the negative
// side). Faces meeting along a half-edge of the block are joined: the two
// faces of one cube always, and two faces of different cubes when they are
// the only two there. Where four faces meet (two cubes touching along the
// edge only) each cube keeps its own pair, so the cubes stay apart.
struct Sheets {
    int count = 0;
    // Sheet of each block position (-1 for none).
    int of[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    // Sum of the centres of each sheet's faces, relative to the corner, in
    // half cube edges.
    D3DXVECTOR3 centreSum[4];
};

constexpr int kAxisBits[3] = {1, 2, 4};

Sheets findSheets(int occupancy, const std::uint8_t emitted[8]) {
    Sheets sheets;
    const BlockTables& tables = blockTables();
    if (!tables.ambiguous[occupancy]) {
        // Every boundary face shown: one sheet; none: no sheet.
        std::uint16_t shown = 0;
        for (int a = 0; a < 3; ++a) {
            for (int m = 0; m < 8; ++m) {
                if ((m & kAxisBits[a]) != 0) continue;
                const int high = m | kAxisBits[a];
                const int lowKept = (occupancy >> m) & 1;
                const int highKept = (occupancy >> high) & 1;
                if (lowKept == highKept) continue;
                const int kept = lowKept != 0 ? m : high;
                if (((emitted[kept] >> faceToward(kept, kAxisBits[a])) & 1) != 0) {
                    shown = static_cast<std::uint16_t>(shown | (1u << BlockTables::faceBit(m, a)));
                }
            }
        }
        if (shown == 0) return sheets;
        if (shown == tables.boundary[occupancy]) {
            sheets.count = 1;
            for (int m = 0; m < 8; ++m) {
                if ((occupancy >> m & 1) != 0) sheets.of[m] = 0;
            }
            return sheets;
        }
    }
    int parent[24];
    bool present[24] = {};
    for (int i = 0; i < 24; ++i) parent[i] = i;
    const auto find = [&parent](int i) {
        while (parent[i] != i) i = parent[i] = parent[parent[i]];
        return i;
    };
    const auto join = [&](int a, int b) {
        a = find(a);
        b = find(b);
        if (a != b) parent[std::max(a, b)] = std::min(a, b);
    };
    const auto kept = [occupancy](int m) { return (occupancy >> m & 1) != 0; };
    // The face between m and its neighbour across axis a, and whether the
    // kept cube there shows it.
    const auto faceId = [](int m, int a) { return a * 8 + (m & ~kAxisBits[a]); };
    const auto shown = [&](int m, int a) {
        const int m0 = m & ~kAxisBits[a];
        const int m1 = m0 | kAxisBits[a];
        if (kept(m0) && !kept(m1)) return (emitted[m0] >> faceToward(m0, kAxisBits[a]) & 1) != 0;
        if (kept(m1) && !kept(m0)) return (emitted[m1] >> faceToward(m1, kAxisBits[a]) & 1) != 0;
        return false;
    };
    for (int a = 0; a < 3; ++a) {
        for (int m = 0; m < 8; ++m) {
            if ((m & kAxisBits[a]) == 0) present[a * 8 + m] = shown(m, a);
        }
    }
    // Every half-edge: the four cubes on one side of an axis, and the four
    // faces among them across the two other axes.
    for (int a = 0; a < 3; ++a) {
        const int b = (a + 1) % 3;
        const int c = (a + 2) % 3;
        for (int side = 0; side < 2; ++side) {
            int cycle[4];
            int count = 0;
            for (int m = 0; m < 8; ++m) {
                if (((m & kAxisBits[a]) != 0) != (side != 0)) continue;
                if (kept(m)) {
                    const int fb = faceId(m, b);
                    const int fc = faceId(m, c);
                    if (present[fb] && present[fc]) join(fb, fc);
                }
                for (int other : {b, c}) {
                    const int f = faceId(m, other);
                    if ((m & kAxisBits[other]) == 0 && present[f]) cycle[count++] = f;
                }
            }
            if (count == 2) join(cycle[0], cycle[1]);
        }
    }
    int label[24];
    for (int& l : label) l = -1;
    for (int f = 0; f < 24; ++f) {
        if (!present[f]) continue;
        const int root = find(f);
        if (label[root] < 0) label[root] = sheets.count < 4 ? sheets.count++ : 3;
        const int sheet = label[root];
        const int a = f / 8;
        const int m0 = f % 8;
        const float sx = bitX(m0) != 0 ? 1.0f : -1.0f;
        const float sy = bitY(m0) != 0 ? 1.0f : -1.0f;
        const float sz = bitZ(m0) != 0 ? 1.0f : -1.0f;
        sheets.centreSum[sheet] += a == 0 ? D3DXVECTOR3(0.0f, sy, sz) : (a == 1 ? D3DXVECTOR3(sx, sy, 0.0f)
                                                                               : D3DXVECTOR3(sx, 0.0f, sz));
    }
    for (int m = 0; m < 8; ++m) {
        if (!kept(m)) continue;
        for (int a = 0; a < 3; ++a) {
            const int f = faceId(m, a);
            if (present[f] && shown(m, a)) {
                sheets.of[m] = label[find(f)];
                break;
            }
        }
    }
    return sheets;
}

// --- sorted cubes and rows ----------------------------------------------------------------------

struct Row {
    std::uint64_t id;  // z << bits | y
    std::uint32_t begin;
    std::uint32_t end;
};

// Walks the cubes of a run of rows in order and finds, for each, the cubes of
// its 3 x 3 x 3 neighbourhood through one cursor per neighbouring row.
class NeighbourSweep {
public:
    NeighbourSweep(const std::vector<std::uint64_t>& keys, const std::vector<Row>& rows, int bits)
        : keys_(keys), rows_(rows), bits_(bits), mask_((std::uint64_t{1} << bits) - 1) {}

    // Prepares for the cubes of row r (rows must come in increasing order).
    void startRow(std::size_t r) {
        const std::uint64_t id = rows_[r].id;
        const std::int64_t z = static_cast<std::int64_t>(id >> bits_);
        const std::int64_t y = static_cast<std::int64_t>(id & mask_);
        const std::int64_t limit = static_cast<std::int64_t>(mask_);
        for (int dz = -1; dz <= 1; ++dz) {
            for (int dy = -1; dy <= 1; ++dy) {
                const int slot = (dz + 1) * 3 + (dy + 1);
                RowCursor& cursor = cursors_[slot];
                cursor.valid = false;
                cursor.windowSet = false;
                if (z + dz < 0 || z + dz > limit || y + dy < 0 || y + dy > limit) continue;
                const std::uint64_t target = (static_cast<std::uint64_t>(z + dz) << bits_) | static_cast<std::uint64_t>(y + dy);
                if (!rowStarted_[slot] || rowAt_[slot] >= rows_.size() || rows_[rowAt_[slot]].id > target) {
                    rowAt_[slot] = static_cast<std::size_t>(
                        std::lower_bound(rows_.begin(), rows_.end(), target,
                                         [](const Row& row, std::uint64_t value) { return row.id < value; }) -
                        rows_.begin());
                    rowStarted_[slot] = true;
                }
                while (rowAt_[slot] < rows_.size() && rows_[rowAt_[slot]].id < target) ++rowAt_[slot];
                if (rowAt_[slot] < rows_.size() && rows_[rowAt_[slot]].id == target) {
                    cursor.valid = true;
                    cursor.at = rows_[rowAt_[slot]].begin;
                    cursor.end = rows_[rowAt_[slot]].end;
                }
            }
        }
    }

    // Fills index[neighbourBit] with the cube indices around cube i (-1 where
    // none) and returns the neighbourhood mask. Cubes of a row must come in
    // increasing order.
    std::uint32_t around(std::size_t i, std::int32_t index[27]) {
        const std::int64_t x = static_cast<std::int64_t>(keys_[i] & mask_);
        std::uint32_t bitsSet = 0;
        for (int slot = 0; slot < 9; ++slot) {
            const int dz = slot / 3 - 1;
            const int dy = slot % 3 - 1;
            RowCursor& cursor = cursors_[slot];
            for (int dx = -1; dx <= 1; ++dx) index[neighbourBit(dx, dy, dz)] = -1;
            if (!cursor.valid) continue;
            while (cursor.at < cursor.end && static_cast<std::int64_t>(keys_[cursor.at] & mask_) < x - 1) ++cursor.at;
            for (std::uint32_t j = cursor.at; j < cursor.end; ++j) {
                const std::int64_t nx = static_cast<std::int64_t>(keys_[j] & mask_);
                if (nx > x + 1) break;
                const int bit = neighbourBit(static_cast<int>(nx - x), dy, dz);
                index[bit] = static_cast<std::int32_t>(j);
                bitsSet |= 1u << bit;
            }
        }
        return bitsSet;
    }

    // The neighbourhood mask alone (as around()). Each neighbouring row is
    // read through a window of 64 places along x, filled again only when
    // the cube's three places leave it, so that a run of cubes costs a
    // shift a row. A sweep uses either this or around(), not both.
    std::uint32_t maskAround(std::size_t i) {
        const std::int64_t first = static_cast<std::int64_t>(keys_[i] & mask_) - 1;
        std::uint32_t bitsSet = 0;
        for (int slot = 0; slot < 9; ++slot) {
            RowCursor& cursor = cursors_[slot];
            if (!cursor.valid) continue;
            if (!cursor.windowSet || first < cursor.windowBase || first + 2 > cursor.windowBase + 63) {
                fillWindow(cursor, first);
            }
            // Bits of (dx, dy, dz) are slot * 3 + dx + 1 (neighbourBit).
            bitsSet |= static_cast<std::uint32_t>((cursor.window >> (first - cursor.windowBase)) & 7u) << (slot * 3);
        }
        return bitsSet;
    }

private:
    struct RowCursor {
        bool valid = false;
        std::uint32_t at = 0;
        std::uint32_t end = 0;
        // maskAround's window: bit b is the row's cube at windowBase + b.
        bool windowSet = false;
        std::int64_t windowBase = 0;
        std::uint64_t window = 0;
    };

    // The window of the row from `base` on; the cursor moves past the cubes
    // before it (bases only grow along a row).
    void fillWindow(RowCursor& cursor, std::int64_t base) {
        while (cursor.at < cursor.end && static_cast<std::int64_t>(keys_[cursor.at] & mask_) < base) ++cursor.at;
        cursor.window = 0;
        for (std::uint32_t j = cursor.at; j < cursor.end; ++j) {
            const std::int64_t offset = static_cast<std::int64_t>(keys_[j] & mask_) - base;
            if (offset >= 64) break;
            cursor.window |= std::uint64_t{1} << offset;
        }
        cursor.windowBase = base;
        cursor.windowSet = true;
    }
    const std::vector<std::uint64_t>& keys_;
    const std::vector<Row>& rows_;
    int bits_;
    std::uint64_t mask_;
    RowCursor cursors_[9];
    std::size_t rowAt_[9] = {};
    bool rowStarted_[9] = {};
};

constexpr std::size_t kRowsPerChunk = 256;

// Gives the memory of every vector back.
template <typename... Vectors>
void freeVectors(Vectors&... vectors) {
    (Vectors().swap(vectors), ...);
}


}  // namespace

namespace {

// The four cubes around the lattice edge between `a` and `b` (lattice points
// of cubes of edge `edge` on the level's grid), as row keys, when the edge
// runs along an axis: the two cubes on each side in the other two axes.
bool cubesAroundEdge(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float edge, int bits, std::uint64_t out[4]) {
    const D3DXVECTOR3 d = b - a;
    const float lengths[3] = {std::fabs(d.x), std::fabs(d.y), std::fabs(d.z)};
    int axis = -1;
    for (int k = 0; k < 3; ++k) {
        if (lengths[k] > 0.5f * edge) {
            if (axis >= 0) return false;
            axis = k;
        }
    }
    if (axis < 0) return false;
    // The cube index below a lattice coordinate c is (c + 1024) / edge - 1.
    const D3DXVECTOR3 middle = (a + b) * 0.5f;
    const float coordinate[3] = {middle.x, middle.y, middle.z};
    std::int64_t low[3];
    for (int k = 0; k < 3; ++k) {
        low[k] = static_cast<std::int64_t>(std::floor((coordinate[k] + 1024.0f) / edge + 0.5f)) - 1;
    }
    const std::int64_t limit = (std::int64_t{1} << bits) - 1;
    int n = 0;
    for (int p = 0; p < 2; ++p) {
        for (int q = 0; q < 2; ++q) {
            std::int64_t c[3] = {low[0], low[1], low[2]};
            const int other1 = (axis + 1) % 3;
            const int other2 = (axis + 2) % 3;
            c[axis] = static_cast<std::int64_t>(std::floor((coordinate[axis] + 1024.0f) / edge));
            c[other1] += p;
            c[other2] += q;
            for (std::int64_t v : c) {
                if (v < 0 || v > limit) return false;
            }
            out[n++] = (static_cast<std::uint64_t>(c[2]) << (2 * bits)) | (static_cast<std::uint64_t>(c[1]) << bits) |
                       static_cast<std::uint64_t>(c[0]);
        }
    }
    return true;
}

}  // namespace

bool FaceCreation::createFaces(std::span<const CellKey> cells, int depth, const LevelTables& tables,
                               std::span<const SculptClipping* const> sculptList, SculptMesh& mesh,
                               const RunControl& control, std::span<const std::uint64_t> insideMarks) {
    return createFaces(cells, depth, tables, sculptList, mesh, control, insideMarks, [] {});
}

bool FaceCreation::createFaces(std::vector<CellKey>&& cells, int depth, const LevelTables& tables,
                               std::span<const SculptClipping* const> sculptList, SculptMesh& mesh,
                               const RunControl& control, std::vector<std::uint64_t>&& insideMarks) {
    return createFaces(std::span<const CellKey>(cells), depth, tables, sculptList, mesh, control,
                       std::span<const std::uint64_t>(insideMarks), [&] { freeVectors(cells, insideMarks); });
}

bool FaceCreation::createFaces(std::span<const CellKey> cells, int depth, const LevelTables& tables,
                               std::span<const SculptClipping* const> sculptList, SculptMesh& mesh,
                               const RunControl& control, std::span<const std::uint64_t> insideMarks,
                               const std::function<void()>& releaseInput) {
    std::vector<std::uint64_t> keys;
    std::vector<std::uint64_t> inside;
    sortIntoRows(cells, insideMarks, std::max(depth, 1), control.runner, releaseInput, keys, inside);
    return surfaceOfRows(keys, inside, depth, tables, sculptList, mesh, control);
}

bool FaceCreation::createFacesFromRows(std::vector<std::uint64_t>&& rowKeys, int depth, const LevelTables& tables,
                                       std::span<const SculptClipping* const> sculptList, SculptMesh& mesh,
                                       const RunControl& control, std::vector<std::uint64_t>&& insideMarks) {
    std::vector<std::uint64_t> keys = std::move(rowKeys);
    std::vector<std::uint64_t> inside = std::move(insideMarks);
    inside.resize(keys.size(), 0);
    return surfaceOfRows(keys, inside, depth, tables, sculptList, mesh, control);
}

bool FaceCreation::surfaceOfRows(std::vector<std::uint64_t>& keys, std::vector<std::uint64_t>& inside, int depth,
                                 const LevelTables& tables, std::span<const SculptClipping* const> sculptList,
                                 SculptMesh& mesh, const RunControl& control) {
    mesh.clear();
    splitCorners_ = 0;
    memoryBytes_ = 0;
    filledCubes_ = 0;
    if (keys.empty()) return !control.stopRequested();
    const int bits = std::max(depth, 1);
    // Two cubes touching along an edge, joined through other cubes at both
    // ends of it, would leave that edge with four triangles whatever the
    // corners' copies: one of the two empty cubes beside the edge is filled
    // and the surface made again.
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (!makeSurface(keys, inside, depth, tables, sculptList, mesh, control)) return false;
        std::vector<std::uint64_t> fills;
        for (const auto& [a, b] : mesh.overusedEdges()) {
            std::uint64_t around[4];
            if (!cubesAroundEdge(mesh.position(a), mesh.position(b), tables.edge[depth], bits, around)) continue;
            for (std::uint64_t key : around) {
                if (!std::binary_search(keys.begin(), keys.end(), key)) {
                    fills.push_back(key);
                    break;
                }
            }
        }
        if (fills.empty()) break;
        std::sort(fills.begin(), fills.end());
        fills.erase(std::unique(fills.begin(), fills.end()), fills.end());
        filledCubes_ += fills.size();
        for (std::uint64_t key : fills) {
            const auto at = std::lower_bound(keys.begin(), keys.end(), key);
            inside.insert(inside.begin() + (at - keys.begin()), 0);
            keys.insert(at, key);
        }
    }
    return !control.stopRequested();
}

bool FaceCreation::makeSurface(const std::vector<std::uint64_t>& keys, const std::vector<std::uint64_t>& insideMarks,
                               int depth, const LevelTables& tables,
                               std::span<const SculptClipping* const> sculptList, SculptMesh& mesh,
                               const RunControl& control) {
    mesh.clear();
    splitCorners_ = 0;
    const int bits = std::max(depth, 1);
    const std::uint64_t mask = (std::uint64_t{1} << bits) - 1;
    const float half = tables.half[depth];
    std::vector<Row> rows;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::uint64_t id = keys[i] >> bits;
        if (rows.empty() || rows.back().id != id) rows.push_back(Row{id, static_cast<std::uint32_t>(i), 0});
        rows.back().end = static_cast<std::uint32_t>(i + 1);
    }
    const ChunkPlan plan{rows.size(), kRowsPerChunk};
    const std::size_t chunks = plan.chunks();
    // Visits the cubes of a chunk that `wanted` asks for, with their
    // neighbourhoods. Most cubes lie inside the shell of kept cubes and
    // show nothing: the later steps pass them over.
    const auto cubesOf = [&](std::size_t chunk, auto&& wanted, auto&& visit) {
        NeighbourSweep sweep(keys, rows, bits);
        std::int32_t index[27];
        for (std::size_t r = plan.begin(chunk); r < plan.end(chunk); ++r) {
            sweep.startRow(r);
            for (std::uint32_t i = rows[r].begin; i < rows[r].end; ++i) {
                if (!wanted(i)) continue;
                const std::uint32_t around = sweep.around(i, index);
                visit(i, around, index);
            }
        }
    };
    // Visits every cube of a chunk with its neighbourhood mask alone.
    const auto masksOf = [&](std::size_t chunk, auto&& visit) {
        NeighbourSweep sweep(keys, rows, bits);
        for (std::size_t r = plan.begin(chunk); r < plan.end(chunk); ++r) {
            sweep.startRow(r);
            for (std::uint32_t i = rows[r].begin; i < rows[r].end; ++i) visit(i, sweep.maskAround(i));
        }
    };
    const auto positionOf = [&](std::uint32_t i, int k) {
        const std::uint64_t key = keys[i];
        const D3DXVECTOR3 centre = cellCentre(static_cast<std::uint32_t>(key & mask),
                                              static_cast<std::uint32_t>((key >> bits) & mask),
                                              static_cast<std::uint32_t>(key >> (2 * bits)), depth, tables);
        return D3DXVECTOR3(centre.x + half * static_cast<float>(childSignX(k)),
                           centre.y + half * static_cast<float>(childSignY(k)),
                           centre.z + half * static_cast<float>(childSignZ(k)));
    };

    // 1. Neighbourhoods and the corners each cube leads.
    // The corners each cube leads, and those of them amid eight kept cubes
    // (no face's corners). A corner's block is read from the neighbourhood
    // mask wherever it is needed.
    // Every cube's place in these tables is written before it is read; the
    // corners' tables further down are cleared chunk by chunk, each by the
    // thread that fills it first.
    UninitialisedVector<std::uint8_t> owned(keys.size());
    UninitialisedVector<std::uint8_t> ownedAmidKept(keys.size());
    // The faces (bit f) whose neighbour across is missing.
    UninitialisedVector<std::uint8_t> open(keys.size());
    UninitialisedVector<std::uint32_t> ownedBase(keys.size());
    // The faces each cube shows (step 3).
    UninitialisedVector<std::uint8_t> emitted(keys.size());
    std::vector<std::uint32_t> chunkCounts(chunks + 1, 0);
    control.runner.forEachChunk(chunks, [&](std::size_t chunk) {
        if (control.stopRequested()) return;
        std::uint32_t count = 0;
        masksOf(chunk, [&](std::uint32_t i, std::uint32_t around) {
            std::uint8_t blocks[8];
            std::uint8_t full = 0;
            for (int k = 0; k < 8; ++k) {
                blocks[k] = static_cast<std::uint8_t>(blockOccupancy(around, k));
                if (blocks[k] == 0xFF) full = static_cast<std::uint8_t>(full | 1 << k);
            }
            owned[i] = ownedCorners(blocks);
            ownedAmidKept[i] = static_cast<std::uint8_t>(full & owned[i]);
            count += bitsSet(owned[i]);
            std::uint8_t missing = 0;
            for (int f = 0; f < kFaceCount; ++f) {
                if ((around >> neighbourBit(kFaceOffset[f][0], kFaceOffset[f][1], kFaceOffset[f][2]) & 1u) == 0) {
                    missing = static_cast<std::uint8_t>(missing | 1 << f);
                }
            }
            open[i] = missing;
            emitted[i] = 0;
        });
        chunkCounts[chunk + 1] = count;
    });
    if (control.stopRequested()) return false;
    for (std::size_t c = 0; c < chunks; ++c) chunkCounts[c + 1] += chunkCounts[c];
    const std::size_t pointCount = chunkCounts[chunks];
    const std::size_t words = std::max<std::size_t>(1, (sculptList.size() + 63) / 64);
    UninitialisedVector<std::uint64_t> inside(pointCount * words);
    // Whether a corner lies on a shown face (step 3), its sheets (step 4).
    UninitialisedVector<std::uint8_t> onSurface(pointCount);
    UninitialisedVector<std::uint8_t> sheetCount(pointCount);
    UninitialisedVector<std::uint16_t> sheetOf(pointCount);
    const auto pointOf = [&](std::uint32_t around, int k, const std::int32_t* index) -> std::uint32_t {
        const int occupancy = blockOccupancy(around, k);
        const int leader = blockTables().owner[occupancy];
        const std::uint32_t cube = static_cast<std::uint32_t>(index[blockTables().bit[k][leader]]);
        const int leaderCorner = leader ^ 7;
        return ownedBase[cube] +
               bitsSet(static_cast<std::uint8_t>(owned[cube] & ((1u << leaderCorner) - 1)));
    };

    // 2. Which clippings hold each corner inside, asked once per corner.
    control.runner.forEachChunk(chunks, [&](std::size_t chunk) {
        if (control.stopRequested()) return;
        std::uint32_t point = chunkCounts[chunk];
        const std::size_t firstPoint = chunkCounts[chunk];
        const std::size_t endPoint = chunkCounts[chunk + 1];
        const auto clear = [](auto& table, std::size_t from, std::size_t to) {
            std::fill(table.data() + from, table.data() + to, 0);
        };
        clear(inside, firstPoint * words, endPoint * words);
        clear(onSurface, firstPoint, endPoint);
        clear(sheetCount, firstPoint, endPoint);
        clear(sheetOf, firstPoint, endPoint);
        for (std::size_t r = plan.begin(chunk); r < plan.end(chunk); ++r) {
            for (std::uint32_t i = rows[r].begin; i < rows[r].end; ++i) {
                ownedBase[i] = point;
                for (unsigned lead = owned[i]; lead != 0; lead &= lead - 1) {
                    const int k = std::countr_zero(lead);
                    // A corner amid eight kept cubes is no face's corner.
                    if ((ownedAmidKept[i] >> k & 1) != 0) {
                        ++point;
                        continue;
                    }
                    const D3DXVECTOR3 p = positionOf(i, k);
                    std::uint64_t* bitsOut = &inside[static_cast<std::size_t>(point) * words];
                    // Clippings that see the whole cube inside see its
                    // corners inside.
                    const std::uint64_t known = insideMarks[i];
                    bitsOut[0] |= known;
                    for (std::size_t c = 0; c < sculptList.size(); ++c) {
                        if (c < 64 && (known >> c & 1u) != 0) continue;
                        if (sculptList[c]->isPointInside(p)) bitsOut[c / 64] |= std::uint64_t{1} << (c % 64);
                    }
                    ++point;
                }
            }
        }
    });
    if (control.stopRequested()) return false;

    // 3. The faces each cube shows: no kept neighbour and outside the object.
    std::vector<std::uint64_t> adding(words, 0), removing(words, 0);
    for (std::size_t c = 0; c < sculptList.size(); ++c) {
        (sculptList[c]->flags().addingvoxels ? adding : removing)[c / 64] |= std::uint64_t{1} << (c % 64);
    }
    // onSurface is written by every cube that shows a face at the corner,
    // so by several threads (always the same value).
    std::vector<std::uint32_t> chunkFaces(chunks + 1, 0);
    const auto hasOpenFace = [&](std::uint32_t i) { return open[i] != 0; };
    std::array<std::uint8_t, 64> openFaceCorners{};
    for (unsigned faces = 0; faces < 64; ++faces) {
        for (int f = 0; f < kFaceCount; ++f) {
            if ((faces >> f & 1) == 0) continue;
            for (int c = 0; c < 4; ++c) {
                openFaceCorners[faces] = static_cast<std::uint8_t>(openFaceCorners[faces] | 1 << kFaceCorners[f][c]);
            }
        }
    }
    control.runner.forEachChunk(chunks, [&](std::size_t chunk) {
        if (control.stopRequested()) return;
        std::uint32_t faces = 0;
        std::vector<std::uint64_t> all(words);
        cubesOf(chunk, hasOpenFace, [&](std::uint32_t i, std::uint32_t around, const std::int32_t* index) {
            // The corners of the open faces only.
            std::uint32_t points[8];
            for (unsigned corners = openFaceCorners[open[i]]; corners != 0; corners &= corners - 1) {
                const int k = std::countr_zero(corners);
                points[k] = pointOf(around, k, index);
            }
            std::uint8_t shown = 0;
            for (int f = 0; f < kFaceCount; ++f) {
                if ((open[i] >> f & 1) == 0) continue;
                std::fill(all.begin(), all.end(), ~std::uint64_t{0});
                for (int c = 0; c < 4; ++c) {
                    const std::uint32_t point = points[kFaceCorners[f][c]];
                    for (std::size_t w = 0; w < words; ++w) all[w] &= inside[static_cast<std::size_t>(point) * words + w];
                }
                bool outside = false;
                for (std::size_t w = 0; w < words && !outside; ++w) {
                    outside = (all[w] & adding[w]) != adding[w] || (all[w] & removing[w]) != 0;
                }
                if (outside) {
                    shown = static_cast<std::uint8_t>(shown | 1 << f);
                    ++faces;
                    for (int c = 0; c < 4; ++c) {
                        std::atomic_ref<std::uint8_t>(onSurface[points[kFaceCorners[f][c]]])
                            .store(1, std::memory_order_relaxed);
                    }
                }
            }
            emitted[i] = shown;
        });
        chunkFaces[chunk + 1] = faces;
    });
    if (control.stopRequested()) return false;
    for (std::size_t c = 0; c < chunks; ++c) chunkFaces[c + 1] += chunkFaces[c];
    freeVectors(inside);

    // 4. Sheets at every corner and the vertices they need; where a corner
    // splits, the copies' places (their vertex numbers are known only
    // once every corner is counted).
    struct SplitCopy {
        std::uint32_t point;
        std::uint32_t sheet;
        D3DXVECTOR3 position;
    };
    std::vector<std::vector<SplitCopy>> splits(chunks);
    std::vector<std::uint32_t> chunkVertices(chunks + 1, 0);
    const float splitOffset = kSplitOffset * tables.edge[depth];
    // A cube is visited when a corner it leads lies on a shown face; other
    // corners have no sheet.
    const auto leadsSurfaceCorner = [&](std::uint32_t i) {
        const std::uint32_t count = bitsSet(owned[i]);
        for (std::uint32_t p = ownedBase[i]; p < ownedBase[i] + count; ++p) {
            if (onSurface[p] != 0) return true;
        }
        return false;
    };
    control.runner.forEachChunk(chunks, [&](std::size_t chunk) {
        if (control.stopRequested()) return;
        splits[chunk].clear();
        std::uint32_t vertices = 0;
        cubesOf(chunk, leadsSurfaceCorner, [&](std::uint32_t i, std::uint32_t around, const std::int32_t* index) {
            std::uint32_t point = ownedBase[i];
            for (unsigned lead = owned[i]; lead != 0; lead &= lead - 1) {
                const int k = std::countr_zero(lead);
                if (onSurface[point] == 0) {
                    ++point;
                    continue;
                }
                const int occupancy = blockOccupancy(around, k);
                std::uint8_t shownInBlock[8] = {};
                for (int m = 0; m < 8; ++m) {
                    if ((occupancy >> m & 1) != 0) {
                        shownInBlock[m] = emitted[static_cast<std::size_t>(index[blockTables().bit[k][m]])];
                    }
                }
                const Sheets sheets = findSheets(occupancy, shownInBlock);
                sheetCount[point] = static_cast<std::uint8_t>(sheets.count);
                vertices += static_cast<std::uint32_t>(sheets.count);
                std::uint16_t packed = 0;
                for (int m = 0; m < 8; ++m) {
                    if (sheets.of[m] > 0) packed = static_cast<std::uint16_t>(packed | sheets.of[m] << (2 * m));
                }
                sheetOf[point] = packed;
                if (sheets.count > 1) {
                    const D3DXVECTOR3 corner = positionOf(i, k);
                    for (int c = 0; c < sheets.count; ++c) {
                        D3DXVECTOR3 direction;
                        D3DXVec3Normalize(&direction, &sheets.centreSum[c]);
                        splits[chunk].push_back(
                            SplitCopy{point, static_cast<std::uint32_t>(c), corner + direction * splitOffset});
                    }
                }
                ++point;
            }
        });
        chunkVertices[chunk + 1] = vertices;
    });
    if (control.stopRequested()) return false;
    // Each corner's first vertex: the chunks' first vertices, then every
    // corner's within its chunk.
    for (std::size_t c = 0; c < chunks; ++c) chunkVertices[c + 1] += chunkVertices[c];
    UninitialisedVector<std::uint32_t> vertexBase(pointCount + 1);
    control.runner.forEachChunk(chunks, [&](std::size_t chunk) {
        std::uint32_t base = chunkVertices[chunk];
        for (std::size_t p = chunkCounts[chunk]; p < chunkCounts[chunk + 1]; ++p) {
            vertexBase[p] = base;
            base += sheetCount[p];
        }
    });
    vertexBase[pointCount] = chunkVertices[chunks];

    // 5. Vertices (each corner's, in corner order) and triangles (each
    // cube's, in cube order).
    std::vector<D3DXVECTOR3> positions(vertexBase[pointCount]);
    std::vector<MeshCreationTriangle> triangles(static_cast<std::size_t>(chunkFaces[chunks]) * 2);
    control.runner.forEachChunk(chunks, [&](std::size_t chunk) {
        if (control.stopRequested()) return;
        std::size_t triangle = static_cast<std::size_t>(chunkFaces[chunk]) * 2;
        for (std::size_t r = plan.begin(chunk); r < plan.end(chunk); ++r) {
            for (std::uint32_t i = rows[r].begin; i < rows[r].end; ++i) {
                std::uint32_t point = ownedBase[i];
                for (unsigned lead = owned[i]; lead != 0; lead &= lead - 1) {
                    const int k = std::countr_zero(lead);
                    if (sheetCount[point] == 1) positions[vertexBase[point]] = positionOf(i, k);
                    ++point;
                }
            }
        }
        const auto showsFaces = [&](std::uint32_t i) { return emitted[i] != 0; };
        cubesOf(chunk, showsFaces, [&](std::uint32_t i, std::uint32_t around, const std::int32_t* index) {
            for (int f = 0; f < kFaceCount; ++f) {
                if ((emitted[i] >> f & 1) == 0) continue;
                std::uint32_t v[4];
                for (int c = 0; c < 4; ++c) {
                    const int k = kFaceCorners[f][c];
                    const std::uint32_t p = pointOf(around, k, index);
                    v[c] = vertexBase[p] + ((sheetOf[p] >> (2 * (k ^ 7))) & 3u);
                }
                triangles[triangle++] = MeshCreationTriangle{v[0], v[1], v[2]};
                triangles[triangle++] = MeshCreationTriangle{v[1], v[3], v[2]};
            }
        });
        for (const SplitCopy& copy : splits[chunk]) positions[vertexBase[copy.point] + copy.sheet] = copy.position;
    });
    if (control.stopRequested()) return false;
    for (const auto& list : splits) {
        for (const SplitCopy& copy : list) splitCorners_ += copy.sheet == 0 ? 1 : 0;
    }
    memoryBytes_ = keys.capacity() * 8 + rows.capacity() * sizeof(Row) + ownedAmidKept.capacity() +
                   owned.capacity() + open.capacity() + ownedBase.capacity() * 4 + emitted.capacity() +
                   onSurface.capacity() + sheetCount.capacity() + sheetOf.capacity() * 2 + vertexBase.capacity() * 4 +
                   positions.capacity() * sizeof(D3DXVECTOR3) +
                   triangles.capacity() * sizeof(MeshCreationTriangle);
    // The mesh builds its edges next: the cubes' working arrays go first.
    freeVectors(rows, ownedAmidKept, owned, open, ownedBase, emitted, onSurface, sheetCount, sheetOf, vertexBase, splits);
    mesh.assign(std::move(positions), std::move(triangles), control.runner);
    return !control.stopRequested();
}
