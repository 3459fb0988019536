// FanLists: for every vertex of a sculpt mesh, the triangles around it, kept
// up to date while triangles are re-cornered, added and removed (edge
// collapses and flips).
//
// All lists share one buffer; each has a little room to grow, and a list that
// runs out of room moves to the end of the buffer with twice the room, so an
// edit costs no allocation per vertex and memory stays a few words per
// vertex.
#pragma once

#include "sculpt/sculpt_mesh.h"

#include <cstdint>
#include <span>
#include <vector>

class FanLists {
public:
    // The live triangles around every vertex slot of `mesh`, in triangle
    // order, each list with `room` spare places.
    void build(const SculptMesh& mesh, std::uint32_t room = 2);
    // The same, gathered on the runner's threads.
    void build(const SculptMesh& mesh, ParallelRunner& runner, std::uint32_t room = 2);
    // The live edges at every vertex slot of `mesh`, in edge order.
    void buildEdges(const SculptMesh& mesh, std::uint32_t room = 2);

    std::span<const std::uint32_t> of(std::uint32_t v) const {
        return {items_.data() + start_[v], items_.data() + start_[v] + count_[v]};
    }
    std::uint32_t size(std::uint32_t v) const { return count_[v]; }
    // Appends `t` to v's list.
    void add(std::uint32_t v, std::uint32_t t);
    // Takes `t` out of v's list (the others keep their order); nothing when
    // it is not there.
    void remove(std::uint32_t v, std::uint32_t t);
    // Empties v's list.
    void clear(std::uint32_t v) { count_[v] = 0; }
    std::size_t memoryBytes() const {
        return (start_.capacity() + count_.capacity() + room_.capacity() + items_.capacity()) * sizeof(std::uint32_t);
    }

private:
    // Sizes the lists from count_ (each `room` larger) and empties them.
    void layOut(std::uint32_t room);

    // Places beyond a list's count are never read: they need no clearing.
    UninitialisedVector<std::uint32_t> start_;
    UninitialisedVector<std::uint32_t> count_;
    UninitialisedVector<std::uint32_t> room_;
    UninitialisedVector<std::uint32_t> items_;
};
