// Large pages: asking the system to back a large block with 2 MiB pages
// instead of 4 KiB ones, which means far fewer page faults when the block is
// first written and far fewer missed address translations when it is read
// all over. Only a request: a block works the same whether or not it is
// granted, and systems without it ignore it.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

// Asks for large pages for the whole 2 MiB pages inside [block, block +
// bytes); blocks under 4 MiB are left alone.
inline void adviseLargePages(void* block, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    if (block == nullptr || bytes < 2 * kLargePage) return;
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t last = (start + bytes) & ~(kLargePage - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}
