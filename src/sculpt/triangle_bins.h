// TriangleBins: the triangles of a mesh sorted into cells by where their
// boxes lie, so that the ones whose boxes may reach a given box are found
// without looking at every triangle. The repair searches for crossings
// again and again around the few vertices it moved; these bins keep that
// search from walking the whole mesh each time.
#pragma once

#include "core/math3d.h"
#include "sculpt/mesh_validity.h"
#include "sculpt/parallel.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

// An axis-aligned box.
struct TriangleBox {
    float low[3];
    float high[3];
};

// The box around triangle `t`; false when a corner is out of range or has a
// coordinate that is not finite (such triangles cross nothing).
bool triangleBoxOf(std::span<const D3DXVECTOR3> positions, const MeshTriangle& t, TriangleBox& box);

class TriangleBins {
public:
    // Bins `triangles` (corners indexing `positions`) by their boxes as they
    // are now; later moves are not seen. Triangles without a box (see
    // triangleBoxOf) are left out. With a runner the boxes are taken and
    // sorted on its threads.
    TriangleBins(std::span<const D3DXVECTOR3> positions, std::span<const MeshTriangle> triangles,
                 ParallelRunner* runner = nullptr);

    // Calls visit(i) once for every binned triangle i whose box, as it was
    // when binned, may overlap one of `boxes` (every triangle whose box does
    // is visited; some others may be): the loose ones first, then the others
    // cell by cell.
    template <typename Visit>
    void forEachNear(std::span<const TriangleBox> boxes, Visit&& visit) const;

    std::size_t binned() const { return entries_.size() + loose_.size(); }

private:
    struct Entry {
        std::uint32_t cell;
        std::uint32_t triangle;
    };

    // The cells (sorted, without repeats) that boxes reaching `boxes` can
    // have their centres in; false when they are more than the bins hold
    // entries, and every triangle should be visited instead.
    bool cellsNear(std::span<const TriangleBox> boxes, std::vector<std::uint32_t>& cells) const;

    // Cells `cell_` wide from `origin_`, `counts_` along each axis. A binned
    // triangle lies in the cell of its box's centre, and its box reaches no
    // farther than one cell from that centre along any axis; larger ones
    // are `loose_`, visited for every query.
    double origin_[3] = {0.0, 0.0, 0.0};
    double cell_ = 1.0;
    std::uint32_t counts_[3] = {0, 0, 0};
    std::vector<Entry> entries_;
    std::vector<std::uint32_t> loose_;
};

template <typename Visit>
void TriangleBins::forEachNear(std::span<const TriangleBox> boxes, Visit&& visit) const {
    for (std::uint32_t t : loose_) visit(t);
    std::vector<std::uint32_t> cells;
    if (!cellsNear(boxes, cells)) {
        for (const Entry& e : entries_) visit(e.triangle);
        return;
    }
    auto from = entries_.begin();
    for (std::uint32_t cell : cells) {
        from = std::lower_bound(from, entries_.end(), cell, [](const Entry& e, std::uint32_t c) { return e.cell < c; });
        for (; from != entries_.end() && from->cell == cell; ++from) visit(from->triangle);
    }
}
