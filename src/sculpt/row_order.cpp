#include "sculpt/row_order.h"

#include "sculpt/radix_sort.h"

#include <algorithm>

// The cells come in octree key order: they are dealt out into slabs of one
// z, then each slab is sorted on its own, small enough to stay in the
// cache, the slabs on every core.
void sortIntoRows(std::span<const CellKey> cells, std::span<const std::uint64_t> insideMarks, int bits,
                  ParallelRunner& runner, const std::function<void()>& releaseInput, std::vector<std::uint64_t>& keys,
                  std::vector<std::uint64_t>& inside) {
    const std::size_t slabs = std::size_t{1} << bits;
    // Up to 64 chunks, fewer where their counts of every slab would grow
    // large (fine depths have many slabs).
    const std::size_t chunksAtMost = std::clamp<std::size_t>((std::size_t{1} << 24) / slabs, 1, 64);
    const ChunkPlan plan{cells.size(),
                         std::max<std::size_t>(65536, (cells.size() + chunksAtMost - 1) / chunksAtMost)};
    const std::size_t chunks = plan.chunks();
    const auto rowKey = [&](std::size_t i) {
        std::uint32_t x = 0, y = 0, z = 0;
        cellPosition(cells[i], x, y, z);
        return rowKeyOf(x, y, z, bits);
    };
    // Cubes of each slab in each chunk, then where each chunk's share of a
    // slab begins: slab by slab, chunk by chunk, so that the order within a
    // slab is the cells' order.
    std::vector<std::uint32_t> at(chunks * slabs, 0);
    runner.forEachChunk(chunks, [&](std::size_t chunk) {
        std::uint32_t* counts = &at[chunk * slabs];
        for (std::size_t i = plan.begin(chunk); i < plan.end(chunk); ++i) ++counts[rowKey(i) >> (2 * bits)];
    });
    std::vector<std::uint32_t> slabBegin(slabs + 1, 0);
    std::uint32_t total = 0;
    for (std::size_t z = 0; z < slabs; ++z) {
        slabBegin[z] = total;
        for (std::size_t chunk = 0; chunk < chunks; ++chunk) {
            const std::uint32_t count = at[chunk * slabs + z];
            at[chunk * slabs + z] = total;
            total += count;
        }
    }
    slabBegin[slabs] = total;
    keys.resize(cells.size());
    inside.resize(cells.size());
    runner.forEachChunk(chunks, [&](std::size_t chunk) {
        std::uint32_t* next = &at[chunk * slabs];
        for (std::size_t i = plan.begin(chunk); i < plan.end(chunk); ++i) {
            const std::uint64_t key = rowKey(i);
            const std::uint32_t to = next[key >> (2 * bits)]++;
            keys[to] = key;
            inside[to] = i < insideMarks.size() ? insideMarks[i] : 0;
        }
    });
    std::vector<std::uint32_t>().swap(at);
    releaseInput();
    const ChunkPlan slabPlan{slabs, 16};
    runner.forEachChunk(slabPlan.chunks(), [&](std::size_t chunk) {
        std::vector<RowCube> slab;
        std::vector<RowCube> buffer;
        for (std::size_t z = slabPlan.begin(chunk); z < slabPlan.end(chunk); ++z) {
            slab.clear();
            for (std::size_t i = slabBegin[z]; i < slabBegin[z + 1]; ++i) slab.push_back(RowCube{keys[i], inside[i]});
            radixSortBy(std::span<RowCube>(slab), 2 * bits, [](const RowCube& cube) { return cube.key; }, buffer);
            for (std::size_t i = slabBegin[z]; i < slabBegin[z + 1]; ++i) {
                keys[i] = slab[i - slabBegin[z]].key;
                inside[i] = slab[i - slabBegin[z]].inside;
            }
        }
    });
}
