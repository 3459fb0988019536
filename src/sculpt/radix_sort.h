// A stable least-significant-digit radix sort of items by an unsigned key of
// `bits` bits, in as few passes of up to 16-bit digits as the key needs.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

// Sorts `items` by keyOf(item) (std::uint64_t, below 2^bits); items with
// equal keys keep their order. `buffer` is working space, resized as needed
// (callers sorting many small runs keep one).
template <typename Item, typename KeyOf>
void radixSortBy(std::span<Item> items, int bits, KeyOf keyOf, std::vector<Item>& buffer) {
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
