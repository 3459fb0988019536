// ParallelRunner: runs numbered pieces of work on a fixed number of threads.
//
// Work is cut into chunks by the caller (a chunk count that does not depend
// on the number of threads), each chunk writes only its own output, and the
// caller joins the outputs in chunk order. So whatever the number of threads,
// the result is the same, bit for bit.
//
//   ParallelRunner runner(threads);          // 0: one per core
//   runner.forEachChunk(chunks, [&](std::size_t chunk) { ... });
//
// The calling thread takes part in the work; the others are started once and
// wait between calls. A runner is used by one thread at a time.
#pragma once

#include "core/large_pages.h"
#include "core/uninitialised_allocator.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

class ParallelRunner {
public:
    // `threads` <= 0 takes one thread per core (at least one).
    explicit ParallelRunner(int threads = 0);
    ~ParallelRunner();
    ParallelRunner(const ParallelRunner&) = delete;
    ParallelRunner& operator=(const ParallelRunner&) = delete;

    int threads() const { return static_cast<int>(workers_.size()) + 1; }

    // Calls work(chunk) once for every chunk 0 .. chunks - 1, spread over the
    // threads, and returns when all are done. Chunks are handed out in order
    // but may finish in any order.
    void forEachChunk(std::size_t chunks, const std::function<void(std::size_t)>& work);

    // The threads the machine offers (at least one).
    static int coreCount();

private:
    void workerLoop();
    void takeChunks();

    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const std::function<void(std::size_t)>* work_ = nullptr;
    std::size_t chunks_ = 0;
    std::size_t next_ = 0;
    std::size_t finished_ = 0;
    std::size_t generation_ = 0;
    int busy_ = 0;
    bool stopping_ = false;
};

// runner->forEachChunk(chunks, work), or every chunk in order on the calling
// thread when there is no runner.
inline void forEachChunkOn(ParallelRunner* runner, std::size_t chunks, const std::function<void(std::size_t)>& work) {
    if (runner != nullptr) {
        runner->forEachChunk(chunks, work);
    } else {
        for (std::size_t chunk = 0; chunk < chunks; ++chunk) work(chunk);
    }
}

// Splits `count` items into chunks of `chunkSize` (the last may be shorter):
// chunk c covers [begin(c), end(c)).
struct ChunkPlan {
    std::size_t count = 0;
    std::size_t chunkSize = 1;

    std::size_t chunks() const { return count == 0 ? 0 : (count + chunkSize - 1) / chunkSize; }
    std::size_t begin(std::size_t chunk) const { return chunk * chunkSize; }
    std::size_t end(std::size_t chunk) const {
        const std::size_t e = (chunk + 1) * chunkSize;
        return e < count ? e : count;
    }
};

// `count` copies of a value, written on the runner's threads: large tables
// are filled in a fraction of the time, each thread writing its own pages
// first. For items that need no destruction.
template <typename Item>
class FilledArray {
    static_assert(std::is_trivially_destructible_v<Item>);

public:
    FilledArray() = default;
    FilledArray(std::size_t count, const Item& value, ParallelRunner& runner)
        : items_(static_cast<Item*>(::operator new(count * sizeof(Item), std::align_val_t{alignof(Item)}))),
          count_(count) {
        adviseLargePages(items_.get(), count * sizeof(Item));
        const ChunkPlan plan{count, kItemsPerChunk};
        runner.forEachChunk(plan.chunks(), [&](std::size_t chunk) {
            std::uninitialized_fill(items_.get() + plan.begin(chunk), items_.get() + plan.end(chunk), value);
        });
    }

    std::size_t size() const { return count_; }
    Item& operator[](std::size_t i) { return items_.get()[i]; }
    const Item& operator[](std::size_t i) const { return items_.get()[i]; }

private:
    static constexpr std::size_t kItemsPerChunk = 65536;
    struct Free {
        void operator()(Item* items) const { ::operator delete(items, std::align_val_t{alignof(Item)}); }
    };
    std::unique_ptr<Item, Free> items_;
    std::size_t count_ = 0;
};

// A vector of trivial items whose resize() leaves new items unwritten, for
// tables written in full before they are read: no clearing pass, and the
// pages are first touched by whichever threads fill them.
template <typename Item>
using UninitialisedVector = std::vector<Item, UninitialisedAllocator<Item>>;

// The indices i < count for which keep(i) holds, in increasing order,
// looked for on the runner's threads (each chunk counts its own, then
// writes them at its place). keep must only read.
template <typename Keep>
std::vector<std::uint32_t> indicesWhere(std::size_t count, Keep&& keep, ParallelRunner& runner) {
    const ChunkPlan plan{count, 65536};
    std::vector<std::size_t> firsts(plan.chunks() + 1, 0);
    runner.forEachChunk(plan.chunks(), [&](std::size_t chunk) {
        std::size_t kept = 0;
        for (std::size_t i = plan.begin(chunk); i < plan.end(chunk); ++i) kept += keep(static_cast<std::uint32_t>(i)) ? 1 : 0;
        firsts[chunk + 1] = kept;
    });
    for (std::size_t chunk = 0; chunk < plan.chunks(); ++chunk) firsts[chunk + 1] += firsts[chunk];
    std::vector<std::uint32_t> indices(firsts.back());
    runner.forEachChunk(plan.chunks(), [&](std::size_t chunk) {
        std::size_t at = firsts[chunk];
        for (std::size_t i = plan.begin(chunk); i < plan.end(chunk); ++i) {
            if (keep(static_cast<std::uint32_t>(i))) indices[at++] = static_cast<std::uint32_t>(i);
        }
    });
    return indices;
}
