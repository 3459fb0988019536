#include "sculpt/parallel.h"

#include <algorithm>

int ParallelRunner::coreCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

ParallelRunner::ParallelRunner(int threads) {
    const int count = threads <= 0 ? coreCount() : threads;
    workers_.reserve(static_cast<std::size_t>(count - 1));
    for (int i = 1; i < count; ++i) {
        workers_.emplace_back([this] { workerLoop(); });
    }
}

ParallelRunner::~ParallelRunner() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

// Takes chunks until none is left; called with the mutex free.
void ParallelRunner::takeChunks() {
    for (;;) {
        std::size_t chunk = 0;
        const std::function<void(std::size_t)>* work = nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (work_ == nullptr || next_ >= chunks_) return;
            chunk = next_++;
            work = work_;
        }
        (*work)(chunk);
        std::lock_guard<std::mutex> lock(mutex_);
        if (++finished_ == chunks_) done_.notify_all();
    }
}

void ParallelRunner::workerLoop() {
    std::size_t seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
            ++busy_;
        }
        takeChunks();
        std::lock_guard<std::mutex> lock(mutex_);
        if (--busy_ == 0) done_.notify_all();
    }
}

void ParallelRunner::forEachChunk(std::size_t chunks, const std::function<void(std::size_t)>& work) {
    if (chunks == 0) return;
    if (workers_.empty() || chunks == 1) {
        for (std::size_t c = 0; c < chunks; ++c) work(c);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        work_ = &work;
        chunks_ = chunks;
        next_ = 0;
        finished_ = 0;
        ++generation_;
    }
    wake_.notify_all();
    takeChunks();
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return finished_ == chunks_ && busy_ == 0; });
    work_ = nullptr;
}
