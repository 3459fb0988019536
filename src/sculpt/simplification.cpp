#include "sculpt/simplification.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

// --- ordered edge set ------------------------------------------------------------------------

namespace {

// An edge in the set keeps its heap slot + 1 in the first word of its
// position; null means "not in the set".
constexpr std::size_t kNotInSet = 0;

std::size_t storedSlot(const VertexConnection* edge) {
    return static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(edge->orderedSetPosition[0]));
}

void storeSlot(VertexConnection* edge, std::size_t slotPlusOne) {
    edge->orderedSetPosition[0] = reinterpret_cast<void*>(static_cast<std::uintptr_t>(slotPlusOne));
    edge->orderedSetPosition[1] = nullptr;
}

}  // namespace

OrderedEdgeSet::~OrderedEdgeSet() { clear(); }

bool OrderedEdgeSet::contains(const VertexConnection* edge) { return storedSlot(edge) != kNotInSet; }

void OrderedEdgeSet::clear() {
    for (const Entry& entry : entries_) {
        storeSlot(entry.edge, kNotInSet);
    }
    entries_.clear();
}

void OrderedEdgeSet::place(std::size_t slot, const Entry& entry) {
    entries_[slot] = entry;
    storeSlot(entry.edge, slot + 1);
}

void OrderedEdgeSet::siftUp(std::size_t slot, Entry entry) {
    while (slot > 0) {
        const std::size_t parent = (slot - 1) / 2;
        if (!before(entry, entries_[parent])) {
            break;
        }
        place(slot, entries_[parent]);
        slot = parent;
    }
    place(slot, entry);
}

void OrderedEdgeSet::siftDown(std::size_t slot, Entry entry) {
    const std::size_t count = entries_.size();
    for (;;) {
        std::size_t child = 2 * slot + 1;
        if (child >= count) {
            break;
        }
        if (child + 1 < count && before(entries_[child + 1], entries_[child])) {
            ++child;
        }
        if (!before(entries_[child], entry)) {
            break;
        }
        place(slot, entries_[child]);
        slot = child;
    }
    place(slot, entry);
}

void OrderedEdgeSet::insert(VertexConnection* edge) {
    const float cost = std::isnan(edge->cost) ? std::numeric_limits<float>::infinity() : edge->cost;
    const Entry entry{cost, nextSequence_++, edge};
    entries_.push_back(entry);
    siftUp(entries_.size() - 1, entry);
}

void OrderedEdgeSet::erase(VertexConnection* edge) {
    const std::size_t slotPlusOne = storedSlot(edge);
    if (slotPlusOne == kNotInSet) {
        return;
    }
    const std::size_t slot = slotPlusOne - 1;
    storeSlot(edge, kNotInSet);
    const Entry last = entries_.back();
    entries_.pop_back();
    if (slot == entries_.size()) {
        return;
    }
    if (slot > 0 && before(last, entries_[(slot - 1) / 2])) {
        siftUp(slot, last);
    } else {
        siftDown(slot, last);
    }
}

// --- cost, normals -----------------------------------------------------------------------------

float edgeCost(const VertexConnection& edge, float normalParticipation) {
    const D3DXVECTOR3 d = edge.a->position - edge.b->position;
    return D3DXVec3Length(&d) * ((edge.a->curvature + edge.b->curvature) * normalParticipation + 1.0f);
}

void computeAllNormalsAndCurvatures(SculptMesh& mesh) {
    GrowableArray<MeshCreationTriangle*>& triangles = mesh.triangles();
    for (int i = 0; i < triangles.count(); ++i) {
        if (triangles[i] != nullptr) {
            SculptMesh::computeFaceNormal(*triangles[i]);
        }
    }
    mesh.computeNormalsAndCurvature();
}

// --- collapse ----------------------------------------------------------------------------------

namespace {

bool hasCorner(const MeshCreationTriangle* triangle, const SculptVertex* vertex) {
    return triangle->e == vertex || triangle->f == vertex || triangle->g == vertex;
}

// The corner of `triangle` that is neither `x` nor `y`.
SculptVertex* thirdCorner(const MeshCreationTriangle* triangle, const SculptVertex* x, const SculptVertex* y) {
    if (triangle->e != x && triangle->e != y) return triangle->e;
    if (triangle->f != x && triangle->f != y) return triangle->f;
    return triangle->g;
}

bool hasValidEdgeTo(const SculptVertex* vertex, const SculptVertex* other) {
    for (const VertexConnection* edge : vertex->edges) {
        if (edge != nullptr && edge->valid && (edge->a == other || edge->b == other)) {
            return true;
        }
    }
    return false;
}

int validEdgeCount(const SculptVertex* vertex) {
    int count = 0;
    for (const VertexConnection* edge : vertex->edges) {
        if (edge != nullptr && edge->valid) {
            ++count;
        }
    }
    return count;
}

template <typename T>
void eraseValue(std::vector<T*>& list, const T* value) {
    std::erase(list, value);
}

template <typename T>
void pushDistinct(std::vector<T*>& list, T* value) {
    if (std::find(list.begin(), list.end(), value) == list.end()) {
        list.push_back(value);
    }
}

// Scratch lists reused by every collapse of a run.
struct CollapseScratch {
    std::vector<MeshCreationTriangle*> shared;
    std::vector<SculptVertex*> neighbours;
    std::vector<SculptVertex*> touched;
};

// Whether collapsing R into K keeps a closed, manifold surface manifold: the
// only vertices adjacent to both ends are the far corners of the edge's own
// triangles (otherwise the surface would be pinched), there are at most two
// such triangles, and neither far corner nor K is left with fewer than three
// edges (otherwise two triangles would fold onto each other).
bool collapseKeepsSurface(const SculptVertex* keep, const SculptVertex* removed, CollapseScratch& scratch) {
    scratch.shared.clear();
    for (MeshCreationTriangle* triangle : removed->triangles) {
        if (triangle != nullptr && hasCorner(triangle, keep)) {
            pushDistinct(scratch.shared, triangle);
        }
    }
    if (scratch.shared.size() > 2) {
        return false;
    }
    int common = 0;
    int removedDegree = 0;
    for (const VertexConnection* edge : removed->edges) {
        if (edge == nullptr || !edge->valid) continue;
        ++removedDegree;
        const SculptVertex* other = edge->other(removed);
        if (other != keep && other != removed && other != nullptr && hasValidEdgeTo(keep, other)) {
            ++common;
        }
    }
    if (common != static_cast<int>(scratch.shared.size())) {
        return false;
    }
    for (const MeshCreationTriangle* triangle : scratch.shared) {
        if (validEdgeCount(thirdCorner(triangle, keep, removed)) <= 3) {
            return false;
        }
    }
    const int keptDegree = validEdgeCount(keep) + removedDegree - 2 - common;
    return scratch.shared.empty() || keptDegree >= 3;
}

bool isShared(const MeshCreationTriangle* triangle, const CollapseScratch& scratch) {
    return std::find(scratch.shared.begin(), scratch.shared.end(), triangle) != scratch.shared.end();
}

// Whether every triangle left around the two ends keeps a finite, non-zero
// area once both ends sit at `midpoint`.
bool trianglesKeepTheirArea(const SculptVertex* keep, const SculptVertex* removed, const D3DXVECTOR3& midpoint,
                            const CollapseScratch& scratch) {
    const auto at = [&](const SculptVertex* v) { return v == keep || v == removed ? midpoint : v->position; };
    for (const SculptVertex* end : {keep, removed}) {
        for (const MeshCreationTriangle* triangle : end->triangles) {
            if (triangle == nullptr || isShared(triangle, scratch)) continue;
            const D3DXVECTOR3 e = at(triangle->e);
            const D3DXVECTOR3 ef = at(triangle->f) - e;
            const D3DXVECTOR3 eg = at(triangle->g) - e;
            D3DXVECTOR3 cross;
            D3DXVec3Cross(&cross, &eg, &ef);
            const float area = D3DXVec3Length(&cross);
            if (!(area > 0.0f) || !std::isfinite(area)) return false;
        }
    }
    return true;
}

class Collapser {
public:
    Collapser(SculptMesh& mesh, OrderedEdgeSet& set, float normalParticipation)
        : mesh_(mesh), set_(set), w_(normalParticipation) {}

    // Collapses `edge` (end a into end b). False, with the edge taken out of
    // the set but left valid, when the collapse would tear the surface or
    // leave a triangle without area. The edge comes back into the set when a
    // later collapse re-keys it.
    bool collapse(VertexConnection* edge) {
        SculptVertex* keep = edge->b;
        SculptVertex* removed = edge->a;
        const D3DXVECTOR3 midpoint = (keep->position + removed->position) * 0.5f;
        if (!collapseKeepsSurface(keep, removed, scratch_) ||
            !trianglesKeepTheirArea(keep, removed, midpoint, scratch_)) {
            set_.erase(edge);
            return false;
        }
        keep->position = midpoint;
        mesh_.removeVertex(removed->index);
        removeSharedTriangles();
        handOverEdges(keep, removed);
        handOverTriangles(keep, removed);
        forgetRemovedVertex(removed);
        refreshAround(keep);
        rekeyEdges(keep);
        return true;
    }

    int trianglesRemoved() const { return trianglesRemoved_; }

private:
    // The triangles of the edge (found by collapseKeepsSurface) leave the
    // array and their corners' lists.
    void removeSharedTriangles() {
        for (MeshCreationTriangle* triangle : scratch_.shared) {
            mesh_.removeTriangle(triangle->index);
            eraseValue(triangle->e->triangles, triangle);
            eraseValue(triangle->f->triangles, triangle);
            eraseValue(triangle->g->triangles, triangle);
            ++trianglesRemoved_;
        }
    }

    // Every valid edge R-O becomes K-O, unless O is K or K already reaches O:
    // then it is dropped.
    void handOverEdges(SculptVertex* keep, SculptVertex* removed) {
        scratch_.neighbours.clear();
        for (VertexConnection* edge : removed->edges) {
            if (edge == nullptr) continue;
            SculptVertex* other = edge->other(removed);
            if (other != nullptr && other != removed) pushDistinct(scratch_.neighbours, other);
            if (!edge->valid || (edge->a == removed && edge->b == removed)) continue;
            if (other == keep || other == nullptr || hasValidEdgeTo(keep, other)) {
                set_.erase(edge);
                edge->valid = false;
            } else {
                edge->b = keep;
                edge->a = other;
                keep->edges.push_back(edge);
            }
        }
    }

    // R's triangles pass to K.
    static void handOverTriangles(SculptVertex* keep, SculptVertex* removed) {
        for (MeshCreationTriangle* triangle : removed->triangles) {
            if (triangle == nullptr) continue;
            if (!hasCorner(triangle, keep)) keep->triangles.push_back(triangle);
            if (triangle->e == removed) triangle->e = keep;
            if (triangle->f == removed) triangle->f = keep;
            if (triangle->g == removed) triangle->g = keep;
        }
    }

    // No list of R's former neighbours keeps an edge that still ends at R.
    void forgetRemovedVertex(SculptVertex* removed) {
        for (SculptVertex* neighbour : scratch_.neighbours) {
            std::erase_if(neighbour->edges, [removed](const VertexConnection* edge) {
                return edge == nullptr || edge->a == removed || edge->b == removed;
            });
        }
        removed->edges.clear();
        removed->triangles.clear();
    }

    // Face normals of K's triangles, then vertex normals and curvatures of
    // their corners.
    void refreshAround(SculptVertex* keep) {
        scratch_.touched.clear();
        for (MeshCreationTriangle* triangle : keep->triangles) {
            if (triangle == nullptr) continue;
            SculptMesh::computeFaceNormal(*triangle);
            pushDistinct(scratch_.touched, triangle->e);
            pushDistinct(scratch_.touched, triangle->f);
            pushDistinct(scratch_.touched, triangle->g);
        }
        for (SculptVertex* vertex : scratch_.touched) SculptMesh::computeVertexNormal(*vertex);
        for (SculptVertex* vertex : scratch_.touched) SculptMesh::computeCurvature(*vertex);
    }

    void rekeyEdges(SculptVertex* keep) {
        for (VertexConnection* edge : keep->edges) {
            if (edge == nullptr || !edge->valid) continue;
            edge->cost = edgeCost(*edge, w_);
            set_.erase(edge);
            set_.insert(edge);
        }
    }

    SculptMesh& mesh_;
    OrderedEdgeSet& set_;
    float w_;
    CollapseScratch scratch_;
    int trianglesRemoved_ = 0;
};

float finiteOr(float value, float fallback) { return std::isfinite(value) ? value : fallback; }

std::string removingCaption(int steps, int vertexCount, int removed) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "Sculpturing - Simplification - Removing %d vertices from %d vertices. %d vertices removed", steps,
                  vertexCount, removed);
    return text;
}

void fillEdgeSet(SculptMesh& mesh, OrderedEdgeSet& set, float w) {
    GrowableArray<VertexConnection*>& edges = mesh.edges();
    set.reserve(static_cast<std::size_t>(edges.count()));
    for (int i = 0; i < edges.count(); ++i) {
        VertexConnection* edge = edges[i];
        if (edge == nullptr || !edge->valid) continue;
        edge->cost = edgeCost(*edge, w);
        storeSlot(edge, kNotInSet);
        set.insert(edge);
    }
}

// The cheapest edge that can be collapsed is collapsed; refused edges leave
// the set on the way. False when the set runs empty first.
bool collapseCheapest(OrderedEdgeSet& set, Collapser& collapser, SimplificationResult& result) {
    while (VertexConnection* edge = set.first()) {
        if (collapser.collapse(edge)) {
            ++result.verticesRemoved;
            return true;
        }
        ++result.collapsesRefused;
    }
    return false;
}

}  // namespace

SimplificationResult simplify(SculptMesh& mesh, const SimplificationSettings& settings, SculptProgress& progress) {
    const float amount = std::clamp(finiteOr(settings.amount, 0.0f), 0.0f, 1.0f);
    const float w = finiteOr(settings.normalParticipation, 0.0f);
    const int vertexCount = mesh.vertices().count();
    SimplificationResult result;
    result.steps = static_cast<int>(static_cast<float>(vertexCount) * amount);
    const int progressEvery = static_cast<int>(static_cast<float>(mesh.edges().count()) * 0.04f);

    progress.step("Sculpturing - Simplification - Initialisation", 65.0f);
    computeAllNormalsAndCurvatures(mesh);
    if (result.steps == 0) {
        return result;
    }
    OrderedEdgeSet set;
    fillEdgeSet(mesh, set, w);
    Collapser collapser(mesh, set, w);
    for (int step = 0; step < result.steps; ++step) {
        if (progressEvery == 0 || step % progressEvery == 0) {
            progress.step(removingCaption(result.steps, vertexCount, step),
                          static_cast<float>(step) / static_cast<float>(result.steps) * 15.0f + 70.0f);
        }
        if (set.empty()) continue;
        collapseCheapest(set, collapser, result);
    }
    result.trianglesRemoved = collapser.trianglesRemoved();
    return result;
}
