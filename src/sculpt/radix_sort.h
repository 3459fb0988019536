// A stable least-significant-digit radix sort of items by an unsigned key of
// `bits` bits, in as few passes of up to 16-bit digits as the key needs.
#pragma once

#include "sculpt/parallel.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

// Sorts `items` by keyOf(item) (std::uint64_t, below 2^bits); items with
// equal keys keep their order. `buffer` is working space, resized as needed
// (callers sorting many small runs keep one); every place of it is written
// before it is read, so a buffer whose allocator leaves new items unwritten
// saves clearing it.
template <typename Item, typename KeyOf, typename Allocator>
void radixSortBy(std::span<Item> items, int bits, KeyOf keyOf, std::vector<Item, Allocator>& buffer) {
    if (items.size() < 2 || bits <= 0) return;
    if (buffer.size() < items.size()) buffer.resize(items.size());
    const int passes = (bits + 15) / 16;
    const int digit = (bits + passes - 1) / passes;
    const std::uint64_t mask = (std::uint64_t{1} << digit) - 1;
    std::vector<std::uint32_t> counts((std::size_t{1} << digit) + 1);
    Item* from = items.data();
    Item* to = buffer.data();
    for (int shift = 0; shift < bits; shift += digit) {
        std::fill(counts.begin(), counts.end(), 0u);
        for (std::size_t i = 0; i < items.size(); ++i) ++counts[((keyOf(from[i]) >> shift) & mask) + 1];
        for (std::size_t i = 1; i < counts.size(); ++i) counts[i] += counts[i - 1];
        for (std::size_t i = 0; i < items.size(); ++i) to[counts[(keyOf(from[i]) >> shift) & mask]++] = from[i];
        std::swap(from, to);
    }
    if (from != items.data()) std::copy(from, from + items.size(), items.data());
}

template <typename Item, typename KeyOf>
void radixSortBy(std::vector<Item>& items, int bits, KeyOf keyOf) {
    std::vector<Item> buffer;
    radixSortBy(std::span<Item>(items), bits, keyOf, buffer);
}

// The same sort on the runner's threads: each pass counts the digits of one
// part of the items per thread and then places each part's items behind
// those of the parts before it, so the order is the one sortBy gives.
template <typename Item, typename KeyOf, typename Allocator>
void radixSortBy(std::span<Item> items, int bits, KeyOf keyOf, std::vector<Item, Allocator>& buffer,
                 ParallelRunner& runner) {
    constexpr std::size_t kLeastPerPart = 65536;
    const std::size_t parts =
        std::clamp<std::size_t>(items.size() / kLeastPerPart, 1, static_cast<std::size_t>(runner.threads()));
    if (parts == 1 || bits <= 0) {
        radixSortBy(items, bits, keyOf, buffer);
        return;
    }
    if (buffer.size() < items.size()) buffer.resize(items.size());
    const int passes = (bits + 15) / 16;
    const int digit = (bits + passes - 1) / passes;
    const std::uint64_t mask = (std::uint64_t{1} << digit) - 1;
    const std::size_t buckets = std::size_t{1} << digit;
    const ChunkPlan plan{items.size(), (items.size() + parts - 1) / parts};
    std::vector<std::vector<std::uint32_t>> next(parts, std::vector<std::uint32_t>(buckets));
    Item* from = items.data();
    Item* to = buffer.data();
    for (int shift = 0; shift < bits; shift += digit) {
        runner.forEachChunk(parts, [&](std::size_t part) {
            std::vector<std::uint32_t>& counts = next[part];
            std::fill(counts.begin(), counts.end(), 0u);
            for (std::size_t i = plan.begin(part); i < plan.end(part); ++i) ++counts[(keyOf(from[i]) >> shift) & mask];
        });
        std::uint32_t placed = 0;
        for (std::size_t bucket = 0; bucket < buckets; ++bucket) {
            for (std::size_t part = 0; part < parts; ++part) {
                const std::uint32_t count = next[part][bucket];
                next[part][bucket] = placed;
                placed += count;
            }
        }
        runner.forEachChunk(parts, [&](std::size_t part) {
            std::vector<std::uint32_t>& at = next[part];
            for (std::size_t i = plan.begin(part); i < plan.end(part); ++i) {
                to[at[(keyOf(from[i]) >> shift) & mask]++] = from[i];
            }
        });
        std::swap(from, to);
    }
    if (from != items.data()) std::copy(from, from + items.size(), items.data());
}
