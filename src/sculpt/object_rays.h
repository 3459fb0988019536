// ObjectRays: the sculpted object as rays see it. A bounding-volume
// hierarchy over its triangles answers, for a segment, where the segment
// runs inside the (closed) object: what the collision lines and decals "with
// the object" need, for thousands of segments each time a placement moves.
// Built once per object (on a worker thread if need be); read-only after.
#pragma once

#include "core/math3d.h"
#include "render/scene/mesh_repr.h"
#include "sculpt/silhouette_field.h"

#include <cstdint>
#include <span>
#include <vector>

class ObjectRays {
public:
    ObjectRays() = default;
    // The hierarchy over the triangles' corner positions; triangles with a
    // corner that is not a number are left out.
    explicit ObjectRays(std::span<const MeshReprTriangle> triangles);

    bool isEmpty() const { return triangles_.empty(); }
    int triangleCount() const { return static_cast<int>(triangles_.size()); }

    // The parameters s (0 at `from`, 1 at `to`) of every crossing of the
    // segment with a triangle, in increasing order.
    void crossings(const D3DXVECTOR3& from, const D3DXVECTOR3& to, std::vector<float>& out) const;

    // The parts of the segment within [low, high] that lie inside the
    // object, as increasing intervals of s, into `out`. Inside is told by
    // counting crossings from `from`, which is taken to be outside; an odd
    // last crossing (a segment that ends inside) runs to `high`.
    void insideIntervals(const D3DXVECTOR3& from, const D3DXVECTOR3& to, float low, float high,
                         IntervalList& out) const;

private:
    struct Triangle {
        D3DXVECTOR3 a, b, c;
    };
    struct Node {
        D3DXVECTOR3 low, high;
        // A leaf holds triangles [first, first + count); an inner node's
        // children are nodes `first` and `first + 1` (count 0).
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };

    // Fills node `node` for triangles [begin, end) and, when it splits, its
    // two children (appended together).
    void build(std::uint32_t node, std::uint32_t begin, std::uint32_t end, std::vector<D3DXVECTOR3>& centres);

    std::vector<Triangle> triangles_;
    std::vector<Node> nodes_;
};
