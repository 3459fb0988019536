#include "sculpt/object_rays.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

constexpr std::uint32_t kLeafTriangles = 4;
// Crossings closer than this (in s) are one: a segment through an edge or a
// corner meets every triangle there.
constexpr float kSameCrossing = 1e-6f;

bool isFinite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

D3DXVECTOR3 lower(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
}

D3DXVECTOR3 upper(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
}

float component(const D3DXVECTOR3& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

// Whether the segment from + s * d, s in [0, 1], meets the box.
bool segmentMeetsBox(const D3DXVECTOR3& from, const D3DXVECTOR3& inverse, const D3DXVECTOR3& low,
                     const D3DXVECTOR3& high) {
    float enter = 0.0f;
    float leave = 1.0f;
    for (int axis = 0; axis < 3; ++axis) {
        const float origin = component(from, axis);
        const float inv = component(inverse, axis);
        float t0 = (component(low, axis) - origin) * inv;
        float t1 = (component(high, axis) - origin) * inv;
        if (std::isnan(t0) || std::isnan(t1)) {
            // Parallel to the slab: inside it or not at all.
            if (origin < component(low, axis) || origin > component(high, axis)) return false;
            continue;
        }
        if (t0 > t1) std::swap(t0, t1);
        enter = std::max(enter, t0);
        leave = std::min(leave, t1);
        if (enter > leave) return false;
    }
    return true;
}

// The parameter of the segment's crossing with the triangle, either side
// (Möller and Trumbore); false when it misses or lies outside [0, 1].
bool crossing(const D3DXVECTOR3& from, const D3DXVECTOR3& d, const D3DXVECTOR3& a, const D3DXVECTOR3& b,
              const D3DXVECTOR3& c, float& s) {
    const D3DXVECTOR3 e1 = b - a;
    const D3DXVECTOR3 e2 = c - a;
    D3DXVECTOR3 p;
    D3DXVec3Cross(&p, &d, &e2);
    const float det = D3DXVec3Dot(&e1, &p);
    if (std::fabs(det) < 1e-12f) return false;
    const float inv = 1.0f / det;
    const D3DXVECTOR3 t = from - a;
    const float u = D3DXVec3Dot(&t, &p) * inv;
    if (u < 0.0f || u > 1.0f) return false;
    D3DXVECTOR3 q;
    D3DXVec3Cross(&q, &t, &e1);
    const float v = D3DXVec3Dot(&d, &q) * inv;
    if (v < 0.0f || u + v > 1.0f) return false;
    s = D3DXVec3Dot(&e2, &q) * inv;
    return s >= 0.0f && s <= 1.0f;
}

}  // namespace

ObjectRays::ObjectRays(std::span<const MeshReprTriangle> triangles) {
    triangles_.reserve(triangles.size());
    for (const MeshReprTriangle& t : triangles) {
        const Triangle corners{t.corners[0].position, t.corners[1].position, t.corners[2].position};
        if (isFinite(corners.a) && isFinite(corners.b) && isFinite(corners.c)) triangles_.push_back(corners);
    }
    if (triangles_.empty()) return;
    std::vector<D3DXVECTOR3> centres(triangles_.size());
    for (std::size_t i = 0; i < triangles_.size(); ++i)
        centres[i] = (triangles_[i].a + triangles_[i].b + triangles_[i].c) / 3.0f;
    nodes_.reserve(2 * triangles_.size() / kLeafTriangles + 1);
    nodes_.emplace_back();
    build(0, 0, static_cast<std::uint32_t>(triangles_.size()), centres);
}

void ObjectRays::build(std::uint32_t node, std::uint32_t begin, std::uint32_t end, std::vector<D3DXVECTOR3>& centres) {
    D3DXVECTOR3 low = triangles_[begin].a;
    D3DXVECTOR3 high = low;
    D3DXVECTOR3 centreLow = centres[begin];
    D3DXVECTOR3 centreHigh = centreLow;
    for (std::uint32_t i = begin; i < end; ++i) {
        for (const D3DXVECTOR3* p : {&triangles_[i].a, &triangles_[i].b, &triangles_[i].c}) {
            low = lower(low, *p);
            high = upper(high, *p);
        }
        centreLow = lower(centreLow, centres[i]);
        centreHigh = upper(centreHigh, centres[i]);
    }
    nodes_[node].low = low;
    nodes_[node].high = high;
    if (end - begin <= kLeafTriangles) {
        nodes_[node].first = begin;
        nodes_[node].count = end - begin;
        return;
    }
    // Split at the median of the centres along their longest extent,
    // moving triangles and centres together.
    const D3DXVECTOR3 extent = centreHigh - centreLow;
    const int axis = extent.x >= extent.y && extent.x >= extent.z ? 0 : extent.y >= extent.z ? 1 : 2;
    const std::uint32_t middle = begin + (end - begin) / 2;
    std::vector<std::uint32_t> order(end - begin);
    std::iota(order.begin(), order.end(), begin);
    std::nth_element(order.begin(), order.begin() + (middle - begin), order.end(),
                     [&](std::uint32_t x, std::uint32_t y) {
                         return component(centres[x], axis) < component(centres[y], axis);
                     });
    std::vector<Triangle> triangles(order.size());
    std::vector<D3DXVECTOR3> moved(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        triangles[k] = triangles_[order[k]];
        moved[k] = centres[order[k]];
    }
    std::copy(triangles.begin(), triangles.end(), triangles_.begin() + begin);
    std::copy(moved.begin(), moved.end(), centres.begin() + begin);

    const auto children = static_cast<std::uint32_t>(nodes_.size());
    nodes_[node].first = children;
    nodes_[node].count = 0;
    nodes_.resize(nodes_.size() + 2);
    build(children, begin, middle, centres);
    build(children + 1, middle, end, centres);
}

void ObjectRays::crossings(const D3DXVECTOR3& from, const D3DXVECTOR3& to, std::vector<float>& out) const {
    out.clear();
    if (nodes_.empty()) return;
    const D3DXVECTOR3 d = to - from;
    const D3DXVECTOR3 inverse(1.0f / d.x, 1.0f / d.y, 1.0f / d.z);
    std::uint32_t stack[64];
    int depth = 0;
    stack[depth++] = 0;
    while (depth > 0) {
        const Node& node = nodes_[stack[--depth]];
        if (!segmentMeetsBox(from, inverse, node.low, node.high)) continue;
        if (node.count > 0) {
            for (std::uint32_t i = node.first; i < node.first + node.count; ++i) {
                float s = 0.0f;
                if (crossing(from, d, triangles_[i].a, triangles_[i].b, triangles_[i].c, s)) out.push_back(s);
            }
            continue;
        }
        if (depth + 2 > 64) continue;  // deeper than any balanced tree of this size
        stack[depth++] = node.first;
        stack[depth++] = node.first + 1;
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end(), [](float a, float b) { return b - a < kSameCrossing; }), out.end());
}

void ObjectRays::insideIntervals(const D3DXVECTOR3& from, const D3DXVECTOR3& to, float low, float high,
                                 IntervalList& out) const {
    out.clear();
    thread_local std::vector<float> hits;
    crossings(from, to, hits);
    for (std::size_t k = 0; k < hits.size(); k += 2) {
        const float enter = std::max(hits[k], low);
        const float leave = std::min(k + 1 < hits.size() ? hits[k + 1] : high, high);
        if (enter < leave) out.push_back(ParameterInterval{enter, leave});
    }
}
