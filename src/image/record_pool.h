// RecordPool: hands out records of one type in blocks of a fixed size and
// never frees them one by one. reset() makes the pool hand out the same
// records again, in the same order, so a structure that is rebuilt often
// reuses its memory (and the capacity of any containers inside the records).
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

template <typename T, std::size_t BlockSize = 1000>
class RecordPool {
public:
    RecordPool() = default;
    RecordPool(const RecordPool&) = delete;
    RecordPool& operator=(const RecordPool&) = delete;

    // The next record. A reused record keeps whatever it held last time; the
    // caller re-initialises it. The address stays valid until the pool dies.
    T* acquire() {
        if (used_ == blocks_.size() * BlockSize) {
            blocks_.push_back(std::make_unique<T[]>(BlockSize));
        }
        T* record = &blocks_[used_ / BlockSize][used_ % BlockSize];
        ++used_;
        return record;
    }

    // Hands out the same records again from the first one.
    void reset() { used_ = 0; }

    // Number of records handed out since the last reset.
    std::size_t used() const { return used_; }

    // Calls f(T&) for every record handed out since the last reset, in the
    // order they were handed out.
    template <typename F>
    void forEach(F&& f) {
        for (std::size_t i = 0; i < used_; ++i) {
            f(blocks_[i / BlockSize][i % BlockSize]);
        }
    }
    template <typename F>
    void forEach(F&& f) const {
        for (std::size_t i = 0; i < used_; ++i) {
            f(static_cast<const T&>(blocks_[i / BlockSize][i % BlockSize]));
        }
    }

private:
    std::vector<std::unique_ptr<T[]>> blocks_;
    std::size_t used_ = 0;
};
