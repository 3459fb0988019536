// UninitialisedAllocator: for vectors of trivial items that are written
// before they are read. resize() leaves new items as they are (a buffer a
// decoder or a parallel loop is about to fill is not cleared first); values
// given explicitly (assign, push_back, resize with a value) work as usual.
// Large blocks ask for large pages (adviseLargePages).
#pragma once

#include "core/large_pages.h"

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
    using value_type = T;
    template <typename U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <typename U>
    UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
    T* allocate(std::size_t count) {
        T* block = std::allocator<T>::allocate(count);
        adviseLargePages(block, count * sizeof(T));
        return block;
    }
    template <typename U>
    void construct(U* place) noexcept {
        ::new (static_cast<void*>(place)) U;
    }
    template <typename U, typename... Arguments>
    void construct(U* place, Arguments&&... arguments) {
        ::new (static_cast<void*>(place)) U(std::forward<Arguments>(arguments)...);
    }
};
