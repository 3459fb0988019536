// Simplification: the last stage of a sculpting run. It computes the face
// normals, vertex normals and curvatures of the whole mesh (always, even
// when nothing is removed) and then thins the mesh by edge collapses,
// cheapest edge first. An edge costs its length, raised by the curvature at
// its two ends weighted by the "Normal partic:" setting, so flat regions lose
// vertices first and creases keep theirs.
//
//   SimplificationSettings settings{0.5f, 10.0f};
//   SimplificationResult result = simplify(mesh, settings, progress);
//
// Removed vertices and triangles leave null entries in their arrays; removed
// edges are marked invalid and stay in the edge array.
#pragma once

#include "sculpt/sculpt_mesh.h"
#include "sculpt/sculpture.h"

#include <cstdint>
#include <vector>

// The edges ordered by cost, smallest first; edges of equal cost stay in the
// order they were (re)inserted. Every edge in the set records its place in
// the edge's `orderedSetPosition`, so it can be erased or re-keyed directly.
//
// Implemented as an indexed binary heap keyed by (cost, insertion number):
// the insertion number makes every key distinct, so the heap's minimum is
// exactly the first element of a multiset ordered by cost with ties in
// insertion order, while first/insert/erase cost O(1)/O(log n)/O(log n)
// without a node allocation per edge.
class OrderedEdgeSet {
public:
    OrderedEdgeSet() = default;
    OrderedEdgeSet(const OrderedEdgeSet&) = delete;
    OrderedEdgeSet& operator=(const OrderedEdgeSet&) = delete;
    // Forgets every edge still in the set (their stored positions cleared).
    ~OrderedEdgeSet();

    // Adds `edge` keyed by its current cost, after every edge of equal cost
    // already present. A non-finite cost sorts last. The edge must not be in
    // the set.
    void insert(VertexConnection* edge);
    // Takes `edge` out through its stored position; nothing when it is not in
    // the set.
    void erase(VertexConnection* edge);
    // True when `edge` is in the set.
    static bool contains(const VertexConnection* edge);
    // The cheapest edge (the earliest inserted among equals); null when empty.
    VertexConnection* first() const { return entries_.empty() ? nullptr : entries_.front().edge; }
    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }
    // Empties the set (stored positions cleared), keeping the storage.
    void clear();
    // Room for `count` edges without growing.
    void reserve(std::size_t count) { entries_.reserve(count); }

private:
    struct Entry {
        float cost;
        std::uint64_t sequence;
        VertexConnection* edge;
    };
    static bool before(const Entry& x, const Entry& y) {
        return x.cost < y.cost || (x.cost == y.cost && x.sequence < y.sequence);
    }
    void place(std::size_t slot, const Entry& entry);
    void siftUp(std::size_t slot, Entry entry);
    void siftDown(std::size_t slot, Entry entry);

    std::vector<Entry> entries_;
    std::uint64_t nextSequence_ = 0;
};

// The user's settings for one run.
struct SimplificationSettings {
    // 0 = no simplification .. 1 = one collapse step per vertex ("Simplification:").
    // Brought into 0 .. 1 (a non-finite value counts as 0).
    float amount = 0.0f;
    // Weight of the ends' curvature in the edge cost ("Normal partic:"); a
    // non-finite value counts as 0.
    float normalParticipation = 0.0f;
};

// What a run did.
struct SimplificationResult {
    // Collapse steps planned: trunc(vertex count x amount).
    int steps = 0;
    // Vertices removed (one per collapse made).
    int verticesRemoved = 0;
    // Triangles removed with them.
    int trianglesRemoved = 0;
    // Edges passed over because collapsing them would tear or fold the
    // surface (a pinch between the two ends, or a vertex left with fewer than
    // three edges) or flatten a remaining triangle to no area.
    int collapsesRefused = 0;
};

// cost(E) = |Pa - Pb| x ((ca + cb) x w + 1), with P the end positions, c the
// ends' curvatures and w the normal participation.
float edgeCost(const VertexConnection& edge, float normalParticipation);

// Face normals of every non-null triangle, then vertex normals, then
// curvatures of every non-null vertex.
void computeAllNormalsAndCurvatures(SculptMesh& mesh);

// The simplification stage. Reports "Sculpturing - Simplification -
// Initialisation" at 65 %, computes every normal and curvature, orders the
// valid edges by cost and runs trunc(N_v x amount) collapse steps (N_v the
// vertex array's count). Each step collapses the cheapest edge that can be
// collapsed without tearing the surface or leaving a triangle without area
// (an edge with a non-finite end never collapses): its end b is kept and moved to the
// midpoint, its end a and the two triangles of the edge are removed, a's
// edges and triangles pass to b, and only the normals, curvatures and edge
// costs around b are refreshed. Every trunc(N_e x 0.04) steps (N_e the edge
// array's count; every step when that is 0) it reports "Sculpturing -
// Simplification - Removing %d vertices from %d vertices. %d vertices
// removed" at 70 + 15 x step / steps %. Steps left once no edge is
// collapsible do nothing.
SimplificationResult simplify(SculptMesh& mesh, const SimplificationSettings& settings, SculptProgress& progress);
