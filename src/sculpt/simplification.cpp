#include "sculpt/simplification.h"

#include "sculpt/fan_lists.h"
#include "sculpt/mesh_repair.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

// --- ordered edge set ------------------------------------------------------------------------

void OrderedEdgeSet::siftUp(std::size_t slot, Entry entry) {
    while (slot > 0) {
        const std::size_t parent = (slot - 1) / 2;
        if (!before(entry, entries_[parent])) break;
        place(slot, entries_[parent]);
        slot = parent;
    }
    place(slot, entry);
}

void OrderedEdgeSet::siftDown(std::size_t slot, Entry entry) {
    const std::size_t count = entries_.size();
    for (;;) {
        std::size_t child = 2 * slot + 1;
        if (child >= count) break;
        if (child + 1 < count && before(entries_[child + 1], entries_[child])) ++child;
        if (!before(entries_[child], entry)) break;
        place(slot, entries_[child]);
        slot = child;
    }
    place(slot, entry);
}

void OrderedEdgeSet::insert(std::uint32_t edge, float cost) {
    if (edge >= slotOf_.size()) slotOf_.resize(edge + 1, kNotInSet);
    const Entry entry{std::isnan(cost) ? std::numeric_limits<float>::infinity() : cost, edge, nextSequence_++};
    entries_.push_back(entry);
    siftUp(entries_.size() - 1, entry);
}

void OrderedEdgeSet::erase(std::uint32_t edge) {
    if (edge >= slotOf_.size() || slotOf_[edge] == kNotInSet) return;
    const std::size_t slot = slotOf_[edge];
    slotOf_[edge] = kNotInSet;
    const Entry last = entries_.back();
    entries_.pop_back();
    if (slot == entries_.size()) return;
    if (slot > 0 && before(last, entries_[(slot - 1) / 2])) {
        siftUp(slot, last);
    } else {
        siftDown(slot, last);
    }
}

void OrderedEdgeSet::rekey(std::uint32_t edge, float cost) {
    if (edge >= slotOf_.size() || slotOf_[edge] == kNotInSet) {
        insert(edge, cost);
        return;
    }
    const std::size_t slot = slotOf_[edge];
    const Entry entry{std::isnan(cost) ? std::numeric_limits<float>::infinity() : cost, edge, nextSequence_++};
    // The new key is later than the old one among equal costs: it moves up
    // only when its cost is smaller than its parent's.
    if (slot > 0 && before(entry, entries_[(slot - 1) / 2])) {
        siftUp(slot, entry);
    } else {
        siftDown(slot, entry);
    }
}

void OrderedEdgeSet::assign(const std::vector<std::uint32_t>& edges, const std::vector<float>& costs) {
    entries_.clear();
    std::fill(slotOf_.begin(), slotOf_.end(), kNotInSet);
    entries_.reserve(edges.size());
    for (std::uint32_t edge : edges) {
        if (edge >= slotOf_.size()) slotOf_.resize(edge + 1, kNotInSet);
        const float cost = costs[edge];
        entries_.push_back(Entry{std::isnan(cost) ? std::numeric_limits<float>::infinity() : cost, edge,
                                 nextSequence_++});
    }
    // Heapify: keys are distinct (sequence numbers), so the heap's order of
    // removal equals that of one-by-one insertion.
    for (std::size_t i = entries_.size() / 2; i-- > 0;) siftDown(i, entries_[i]);
    for (std::size_t i = 0; i < entries_.size(); ++i) slotOf_[entries_[i].edge] = static_cast<std::uint32_t>(i);
}

// --- cost ---------------------------------------------------------------------------------------

float edgeCost(const SculptMesh& mesh, const VertexConnection& edge, float normalParticipation) {
    const D3DXVECTOR3 d = mesh.position(edge.a) - mesh.position(edge.b);
    return D3DXVec3Length(&d) *
           ((mesh.curvature(edge.a) + mesh.curvature(edge.b)) * normalParticipation + 1.0f);
}

// --- collapse ----------------------------------------------------------------------------------

namespace {

// Steps between two looks at the stop request.
constexpr int kStepsPerCheck = 256;

bool isFinite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

class Collapser {
public:
    Collapser(SculptMesh& mesh, float normalParticipation, float flatArea)
        : mesh_(mesh), w_(normalParticipation), flatArea_(flatArea), set_(mesh.edgeSlots()) {
        fans_.build(mesh_, 4);
        edgesAt_.buildEdges(mesh_, 4);
        costs_.assign(mesh_.edgeSlots(), 0.0f);
        std::vector<std::uint32_t> live;
        live.reserve(mesh_.edgeSlots());
        for (std::uint32_t i = 0; i < mesh_.edgeSlots(); ++i) {
            if (!mesh_.isEdge(i)) continue;
            costs_[i] = edgeCost(mesh_, mesh_.edge(i), w_);
            live.push_back(i);
        }
        set_.assign(live, costs_);
        mark_.assign(mesh_.vertexSlots(), 0);
    }

    OrderedEdgeSet& set() { return set_; }

    // Collapses edge `e` (end a into end b). False, with the edge taken out
    // of the set but left valid, when the collapse would tear or fold the
    // surface or leave a triangle without area. The edge comes back into
    // the set when a later collapse re-keys it.
    bool collapse(std::uint32_t e) {
        const VertexConnection edge = mesh_.edge(e);
        const std::uint32_t keep = edge.b;
        const std::uint32_t gone = edge.a;
        const D3DXVECTOR3 midpoint = (mesh_.position(keep) + mesh_.position(gone)) * 0.5f;
        if (!isFinite(midpoint) || !keepsSurface(keep, gone) || !keepsShape(keep, gone, midpoint)) {
            set_.erase(e);
            return false;
        }
        mesh_.position(keep) = midpoint;
        mesh_.removeVertex(gone);
        removeSharedTriangles();
        handOverEdges(keep, gone);
        handOverTriangles(keep, gone);
        refreshAround(keep);
        rekeyEdges(keep);
        return true;
    }

    int trianglesRemoved() const { return trianglesRemoved_; }

private:
    std::uint32_t otherEnd(std::uint32_t e, std::uint32_t v) const { return mesh_.edge(e).other(v); }

    // The only vertices next to both ends are the far corners of the edge's
    // own triangles (else the surface would be pinched), there are at most
    // two such triangles, and neither far corner nor the kept end is left
    // with fewer than three edges (else two triangles would lie on each
    // other).
    bool keepsSurface(std::uint32_t keep, std::uint32_t gone) {
        shared_.clear();
        for (std::uint32_t t : fans_.of(gone)) {
            if (mesh_.triangle(t).has(keep)) shared_.push_back(t);
        }
        if (shared_.size() > 2) return false;
        ++stamp_;
        if (stamp_ == 0) {
            std::fill(mark_.begin(), mark_.end(), 0);
            stamp_ = 1;
        }
        for (std::uint32_t e : edgesAt_.of(keep)) mark_[otherEnd(e, keep)] = stamp_;
        int common = 0;
        const int goneDegree = static_cast<int>(edgesAt_.size(gone));
        for (std::uint32_t e : edgesAt_.of(gone)) {
            const std::uint32_t other = otherEnd(e, gone);
            if (other != keep && mark_[other] == stamp_) ++common;
        }
        if (common != static_cast<int>(shared_.size())) return false;
        for (std::uint32_t t : shared_) {
            const MeshCreationTriangle& tri = mesh_.triangle(t);
            const std::uint32_t far = tri.e != keep && tri.e != gone ? tri.e : (tri.f != keep && tri.f != gone ? tri.f : tri.g);
            if (edgesAt_.size(far) <= 3) return false;
        }
        const int keptDegree = static_cast<int>(edgesAt_.size(keep)) + goneDegree - 2 - common;
        return shared_.empty() || keptDegree >= 3;
    }

    bool isShared(std::uint32_t t) const { return std::find(shared_.begin(), shared_.end(), t) != shared_.end(); }

    // Every triangle left around the two ends keeps an area and does not turn
    // over once both ends sit at the midpoint.
    bool keepsShape(std::uint32_t keep, std::uint32_t gone, const D3DXVECTOR3& midpoint) const {
        for (std::uint32_t end : {keep, gone}) {
            for (std::uint32_t t : fans_.of(end)) {
                if (isShared(t)) continue;
                const MeshCreationTriangle& tri = mesh_.triangle(t);
                const auto at = [&](std::uint32_t v) { return v == keep || v == gone ? midpoint : mesh_.position(v); };
                const D3DXVECTOR3 e = at(tri.e);
                const D3DXVECTOR3 eg = at(tri.g) - e;
                const D3DXVECTOR3 ef = at(tri.f) - e;
                D3DXVECTOR3 cross;
                D3DXVec3Cross(&cross, &eg, &ef);
                const float doubleArea = D3DXVec3Length(&cross);
                if (!(doubleArea > 2.0f * flatArea_) || !std::isfinite(doubleArea)) return false;
                if (D3DXVec3Dot(&cross, &mesh_.faceNormal(t)) <= 0.0f) return false;
            }
        }
        return true;
    }

    // The edge's triangles leave the array and their corners' fans.
    void removeSharedTriangles() {
        for (std::uint32_t t : shared_) {
            const MeshCreationTriangle tri = mesh_.triangle(t);
            fans_.remove(tri.e, t);
            fans_.remove(tri.f, t);
            fans_.remove(tri.g, t);
            mesh_.removeTriangle(t);
            ++trianglesRemoved_;
        }
    }

    // Every edge gone-O becomes keep-O, unless O is keep or keep already
    // reaches O: then it is dropped (and leaves O's list).
    void handOverEdges(std::uint32_t keep, std::uint32_t gone) {
        ++stamp_;
        for (std::uint32_t e : edgesAt_.of(keep)) mark_[otherEnd(e, keep)] = stamp_;
        scratch_.assign(edgesAt_.of(gone).begin(), edgesAt_.of(gone).end());
        for (std::uint32_t e : scratch_) {
            const std::uint32_t other = otherEnd(e, gone);
            if (other == keep || mark_[other] == stamp_) {
                set_.erase(e);
                edgesAt_.remove(other, e);
                mesh_.removeEdge(e);
            } else {
                mesh_.edge(e) = VertexConnection{keep, other};
                edgesAt_.add(keep, e);
            }
        }
        edgesAt_.clear(gone);
    }

    // The triangles of the gone end pass to the kept one.
    void handOverTriangles(std::uint32_t keep, std::uint32_t gone) {
        scratch_.assign(fans_.of(gone).begin(), fans_.of(gone).end());
        for (std::uint32_t t : scratch_) {
            MeshCreationTriangle& tri = mesh_.triangle(t);
            if (tri.e == gone) tri.e = keep;
            if (tri.f == gone) tri.f = keep;
            if (tri.g == gone) tri.g = keep;
            fans_.add(keep, t);
        }
        fans_.clear(gone);
    }

    // Face normals of the kept end's triangles, then vertex normals and
    // curvatures of their corners.
    void refreshAround(std::uint32_t keep) {
        touched_.clear();
        ++stamp_;
        for (std::uint32_t t : fans_.of(keep)) {
            mesh_.computeFaceNormal(t);
            const MeshCreationTriangle& tri = mesh_.triangle(t);
            for (int k = 0; k < 3; ++k) {
                const std::uint32_t v = tri.corner(k);
                if (mark_[v] != stamp_) {
                    mark_[v] = stamp_;
                    touched_.push_back(v);
                }
            }
        }
        for (std::uint32_t v : touched_) {
            D3DXVECTOR3 sum(0.0f, 0.0f, 0.0f);
            for (std::uint32_t t : fans_.of(v)) sum += mesh_.faceNormal(t);
            D3DXVECTOR3 normal;
            D3DXVec3Normalize(&normal, &sum);
            mesh_.setNormal(v, normal);
        }
        for (std::uint32_t v : touched_) {
            float sum = 0.0f;
            int count = 0;
            for (std::uint32_t e : edgesAt_.of(v)) {
                const std::uint32_t other = otherEnd(e, v);
                sum += (1.0f - D3DXVec3Dot(&mesh_.normal(v), &mesh_.normal(other))) * 0.5f;
                ++count;
            }
            mesh_.setCurvature(v, count > 1 ? sum / static_cast<float>(count) : sum);
        }
    }

    void rekeyEdges(std::uint32_t keep) {
        for (std::uint32_t e : edgesAt_.of(keep)) {
            costs_[e] = edgeCost(mesh_, mesh_.edge(e), w_);
            set_.rekey(e, costs_[e]);
        }
    }

    SculptMesh& mesh_;
    float w_;
    float flatArea_;
    OrderedEdgeSet set_;
    FanLists fans_;
    FanLists edgesAt_;
    std::vector<float> costs_;
    std::vector<std::uint32_t> mark_;
    std::uint32_t stamp_ = 0;
    std::vector<std::uint32_t> shared_;
    std::vector<std::uint32_t> touched_;
    // A copy of a list that changes while it is walked.
    std::vector<std::uint32_t> scratch_;
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

// The mean length of the live edges.
float meanEdgeLength(const SculptMesh& mesh) {
    double sum = 0.0;
    std::size_t count = 0;
    for (std::uint32_t i = 0; i < mesh.edgeSlots(); ++i) {
        if (!mesh.isEdge(i)) continue;
        const D3DXVECTOR3 d = mesh.position(mesh.edge(i).a) - mesh.position(mesh.edge(i).b);
        const float length = D3DXVec3Length(&d);
        if (std::isfinite(length)) {
            sum += length;
            ++count;
        }
    }
    return count > 0 ? static_cast<float>(sum / static_cast<double>(count)) : 0.0f;
}

}  // namespace

SimplificationResult simplify(SculptMesh& mesh, const SimplificationSettings& settings, const RunControl& control) {
    const float amount = std::clamp(finiteOr(settings.amount, 0.0f), 0.0f, 1.0f);
    const float w = finiteOr(settings.normalParticipation, 0.0f);
    const int vertexCount = static_cast<int>(mesh.vertexSlots());
    SimplificationResult result;
    result.steps = static_cast<int>(static_cast<float>(vertexCount) * amount);
    const int progressEvery = static_cast<int>(static_cast<float>(mesh.edgeSlots()) * 0.04f);

    control.step("Sculpturing - Simplification - Initialisation", 65.0f);
    if (!settings.normalsCurrent) mesh.computeNormalsAndCurvature();
    if (result.steps == 0) return result;
    const float edge = meanEdgeLength(mesh);
    Collapser collapser(mesh, w, kFlatArea * edge * edge);
    OrderedEdgeSet& set = collapser.set();
    for (int step = 0; step < result.steps; ++step) {
        if (step % kStepsPerCheck == 0 && control.stopRequested()) {
            result.stopped = true;
            break;
        }
        if (progressEvery == 0 || step % progressEvery == 0) {
            control.step(removingCaption(result.steps, vertexCount, step),
                         static_cast<float>(step) / static_cast<float>(result.steps) * 15.0f + 70.0f);
        }
        // The cheapest collapsible edge; refused edges leave the set.
        while (!set.empty()) {
            if (collapser.collapse(set.first())) {
                ++result.verticesRemoved;
                break;
            }
            ++result.collapsesRefused;
        }
    }
    result.trianglesRemoved = collapser.trianglesRemoved();
    return result;
}
