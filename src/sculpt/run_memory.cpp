#include "sculpt/run_memory.h"

#include "core/large_pages.h"

#include <climits>
#include <cstdlib>
#include <mutex>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// The allocator's settings are the process's: runs overlapping in time share
// them, and the last to end puts the usual ones back.
std::mutex runsMutex;
int runsInProgress = 0;

#if defined(__GLIBC__)
// The allocator's usual settings: large blocks mapped on their own (and
// unmapped when freed), free memory at the top of the heap given back
// beyond 128 KiB.
constexpr int kUsualMappedBlocks = 65536;
constexpr int kUsualTrimThreshold = 128 * 1024;

// The heap a run grows into, backed by large pages where the system grants
// them: a block this large is taken (address space only, nothing written),
// advised, and freed at once; the run's blocks are then cut from it. Well
// below the trim threshold, so the heap keeps it until the last run ends.
constexpr std::size_t kLargePageHeap = std::size_t{1} << 30;

void keepFreedMemory() {
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
#if !defined(__SANITIZE_ADDRESS__)
    // (A sanitizer's allocator maps every block on its own, and would mark
    // the whole block in its shadow memory.)
    void* heap = std::malloc(kLargePageHeap);
    adviseLargePages(heap, kLargePageHeap);
    std::free(heap);
#endif
}

void returnFreedMemory() {
    mallopt(M_MMAP_MAX, kUsualMappedBlocks);
    mallopt(M_TRIM_THRESHOLD, kUsualTrimThreshold);
    malloc_trim(0);
}
#else
void keepFreedMemory() {}
void returnFreedMemory() {}
#endif

}  // namespace

RunMemory::RunMemory() {
    const std::lock_guard<std::mutex> lock(runsMutex);
    if (runsInProgress++ == 0) keepFreedMemory();
}

RunMemory::~RunMemory() {
    const std::lock_guard<std::mutex> lock(runsMutex);
    if (--runsInProgress == 0) returnFreedMemory();
}
