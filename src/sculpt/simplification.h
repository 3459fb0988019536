// Simplification: the last stage of a sculpting run. It computes the face
// normals, vertex normals and curvatures of the whole mesh (always, even
// when nothing is removed) and then thins the mesh by edge collapses,
// cheapest edge first. An edge costs its length, raised by the curvature at
// its two ends weighted by the "Normal partic:" setting, so flat regions lose
// vertices first and creases keep theirs.
//
//   SimplificationResult result = simplify(mesh, {0.5f, 10.0f}, control);
//
// Removed vertices and triangles leave removed slots in their arrays;
// removed edges are marked invalid and stay in the edge array.
#pragma once

#include "sculpt/run_control.h"
#include "sculpt/sculpt_mesh.h"

#include <cstdint>
#include <vector>

// The edges ordered by cost, smallest first; edges of equal cost stay in the
// order they were (re)inserted. Every edge records its place, so it can be
// erased or re-keyed directly.
//
// An indexed binary heap keyed by (cost, insertion number): the insertion
// number makes every key distinct, so the heap's minimum is exactly the
// first element of a multiset ordered by cost with ties in insertion order,
// while first/insert/erase cost O(1)/O(log n)/O(log n) without an
// allocation per edge.
class OrderedEdgeSet {
public:
    // Room for edges 0 .. edgeCount - 1, none in the set.
    explicit OrderedEdgeSet(std::size_t edgeCount = 0) : slotOf_(edgeCount, kNotInSet) {}

    // Adds edge `edge` with `cost`, after every edge of equal cost already
    // present. A NaN cost sorts last. The edge must not be in the set.
    void insert(std::uint32_t edge, float cost);
    // Takes `edge` out; nothing when it is not in the set.
    void erase(std::uint32_t edge);
    // Gives `edge` the new `cost`, after every edge of equal cost already
    // present: the same as erase(edge) then insert(edge, cost), in one move.
    void rekey(std::uint32_t edge, float cost);
    bool contains(std::uint32_t edge) const { return slotOf_[edge] != kNotInSet; }
    // The cheapest edge (the earliest inserted among equals); kNoIndex when
    // empty.
    std::uint32_t first() const { return entries_.empty() ? kNoIndex : entries_.front().edge; }
    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }
    // Builds the set at once from `edges` with their costs, inserted in
    // that order (the same set as inserting them one by one).
    void assign(const std::vector<std::uint32_t>& edges, const std::vector<float>& costs);

private:
    static constexpr std::uint32_t kNotInSet = 0xFFFFFFFFu;
    struct Entry {
        float cost;
        std::uint32_t edge;
        std::uint64_t sequence;
    };
    static bool before(const Entry& x, const Entry& y) {
        return x.cost < y.cost || (x.cost == y.cost && x.sequence < y.sequence);
    }
    void place(std::size_t slot, const Entry& entry) {
        entries_[slot] = entry;
        slotOf_[entry.edge] = static_cast<std::uint32_t>(slot);
    }
    void siftUp(std::size_t slot, Entry entry);
    void siftDown(std::size_t slot, Entry entry);

    std::vector<Entry> entries_;
    std::vector<std::uint32_t> slotOf_;
    std::uint64_t nextSequence_ = 0;
};

// The user's settings for one run.
struct SimplificationSettings {
    // 0 = no simplification .. 1 = one collapse step per vertex slot
    // ("Simplification:"). Brought into 0 .. 1 (a non-finite value counts as
    // 0).
    float amount = 0.0f;
    // Weight of the ends' curvature in the edge cost ("Normal partic:"); a
    // non-finite value counts as 0.
    float normalParticipation = 0.0f;
    // True when the mesh's face normals, vertex normals and curvatures are
    // those of its present shape (every sculpting stage leaves them so);
    // otherwise the run computes them first.
    bool normalsCurrent = false;
};

// What a run did.
struct SimplificationResult {
    // Collapse steps planned: trunc(vertex slots x amount).
    int steps = 0;
    // Vertices removed (one per collapse made).
    int verticesRemoved = 0;
    // Triangles removed with them.
    int trianglesRemoved = 0;
    // Edges passed over because collapsing them would tear or fold the
    // surface (a pinch between the two ends, a vertex left with fewer than
    // three edges, a triangle turned over) or flatten a remaining triangle.
    int collapsesRefused = 0;
    // The control asked to stop before the end.
    bool stopped = false;
};

// cost(E) = |Pa - Pb| x ((ca + cb) x w + 1), with P the end positions, c the
// ends' curvatures and w the normal participation.
float edgeCost(const SculptMesh& mesh, const VertexConnection& edge, float normalParticipation);

// The simplification stage. Reports "Sculpturing - Simplification -
// Initialisation" at 65 %, computes every normal and curvature, orders the
// live edges by cost and runs trunc(N_v x amount) collapse steps (N_v the
// number of vertex slots). Each step collapses the cheapest edge that can be
// collapsed without tearing the surface, turning a triangle over or leaving
// a triangle without area (an edge with a non-finite end never collapses):
// its end b is kept and moved to the midpoint, its end a and the two
// triangles of the edge are removed, a's edges and triangles pass to b, and
// only the normals, curvatures and edge costs around b are refreshed. Every
// trunc(N_e x 0.04) steps (N_e the number of edge slots; every step when
// that is 0) it reports "Sculpturing - Simplification - Removing %d vertices
// from %d vertices. %d vertices removed" at 70 + 15 x step / steps %. Steps
// left once no edge is collapsible do nothing.
SimplificationResult simplify(SculptMesh& mesh, const SimplificationSettings& settings, const RunControl& control);
