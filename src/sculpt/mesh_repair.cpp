#include "sculpt/mesh_repair.h"

#include "sculpt/fan_lists.h"
#include "sculpt/mesh_validity.h"
#include "sculpt/near_points.h"
#include "sculpt/sculpt_mesh.h"
#include "sculpt/triangle_bins.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>

namespace {

// Rounds of taking back a share of what is left of the offenders' moves;
// after them offenders go back all the way at once, and after kLastRound
// rounds the whole stage is undone. A small share: a crossing usually goes
// with a small part of the move, and the rest of it is what brought the
// vertex onto the silhouettes.
constexpr int kUndoRounds = 40;
constexpr float kTakeBackShare = 0.05f;
constexpr int kLastRound = 96;
// Repairs tried, each with more vertices back where they were, before the
// whole stage is undone.
constexpr int kRepairAttempts = 4;
// Triangles, and vertices, per chunk of work on the threads.
constexpr std::size_t kTrianglesPerChunk = 16384;
constexpr std::size_t kVerticesPerChunk = 16384;
// Searches around moved vertices that look through the whole mesh before an
// offence finder bins the triangles (most repairs need one or two).
constexpr int kSearchesBeforeBins = 3;

float lengthOf(const D3DXVECTOR3& v) { return D3DXVec3Length(&v); }

float areaOf(const SculptMesh& mesh, const MeshCreationTriangle& t) {
    const D3DXVECTOR3 ef = mesh.position(t.f) - mesh.position(t.e);
    const D3DXVECTOR3 eg = mesh.position(t.g) - mesh.position(t.e);
    D3DXVECTOR3 cross;
    D3DXVec3Cross(&cross, &ef, &eg);
    return 0.5f * lengthOf(cross);
}

// Merges vertices that came to lie on each other along an edge (removing the
// two triangles that collapsed with them) and flips the long edge of a
// triangle whose third corner came to lie on it. Both leave the surface where
// it is and keep it closed and manifold: an edge is merged only where its two
// ends share exactly the neighbours of its two triangles.
class Repairer {
public:
    Repairer(SculptMesh& mesh, float mergeLength, float flatArea, ParallelRunner& runner)
        : mesh_(mesh), mergeLength_(mergeLength), flatArea_(flatArea), runner_(runner) {
        fans_.build(mesh_, runner_);
    }

    // Works through the flawed triangles; returns the number of edits.
    int run() {
        // The flawed triangles, looked for on every thread.
        std::vector<std::uint8_t> flawed(mesh_.triangleSlots(), 0);
        const ChunkPlan plan{mesh_.triangleSlots(), kTrianglesPerChunk};
        runner_.forEachChunk(plan.chunks(), [&](std::size_t chunk) {
            for (std::size_t t = plan.begin(chunk); t < plan.end(chunk); ++t) {
                const auto slot = static_cast<std::uint32_t>(t);
                if (mesh_.isTriangle(slot) && isFlawed(slot)) flawed[t] = 1;
            }
        });
        std::vector<std::uint32_t> work;
        for (std::uint32_t t = 0; t < mesh_.triangleSlots(); ++t) {
            if (flawed[t] != 0) work.push_back(t);
        }
        int edits = 0;
        // Every edit can flaw its neighbours; a bounded number of sweeps.
        for (int sweep = 0; sweep < 8 && !work.empty(); ++sweep) {
            std::vector<std::uint32_t> next;
            for (std::uint32_t t : work) {
                if (!mesh_.isTriangle(t) || !isFlawed(t)) continue;
                if (fix(t)) {
                    ++edits;
                } else {
                    next.push_back(t);
                }
            }
            if (next.size() == work.size()) break;
            work.swap(next);
        }
        return edits;
    }

    const FanLists& fans() const { return fans_; }
    // The corners of every triangle an edit changed (with repeats).
    const std::vector<std::uint32_t>& touched() const { return touched_; }

    // Takes back every edit run() made: the triangles and vertices are as
    // they were before it (the positions it never changes).
    void undo() {
        for (auto it = earlier_.rbegin(); it != earlier_.rend(); ++it) {
            mesh_.setTriangle(it->triangle, it->corners[0], it->corners[1], it->corners[2]);
        }
        for (std::uint32_t v : goneVertices_) mesh_.reviveVertex(v);
        earlier_.clear();
        goneVertices_.clear();
    }

private:
    bool isFlawed(std::uint32_t t) const {
        const MeshCreationTriangle& tri = mesh_.triangle(t);
        return shortestEdge(tri) <= mergeLength_ || !(areaOf(mesh_, tri) > flatArea_);
    }

    float edgeLength(std::uint32_t a, std::uint32_t b) const { return lengthOf(mesh_.position(a) - mesh_.position(b)); }

    float shortestEdge(const MeshCreationTriangle& t) const {
        return std::min({edgeLength(t.e, t.f), edgeLength(t.f, t.g), edgeLength(t.g, t.e)});
    }

    bool fix(std::uint32_t t) {
        const MeshCreationTriangle tri = mesh_.triangle(t);
        int shortest = 0;
        int longest = 0;
        float least = edgeLength(tri.corner(0), tri.corner(1));
        float most = least;
        for (int k = 1; k < 3; ++k) {
            const float length = edgeLength(tri.corner(k), tri.corner((k + 1) % 3));
            if (length < least) {
                least = length;
                shortest = k;
            }
            if (length > most) {
                most = length;
                longest = k;
            }
        }
        if (least <= mergeLength_) {
            const std::uint32_t a = tri.corner(shortest);
            const std::uint32_t b = tri.corner((shortest + 1) % 3);
            return collapse(std::min(a, b), std::max(a, b));
        }
        return flip(t, longest);
    }

    // The corners around v (its neighbours).
    void neighboursOf(std::uint32_t v, std::vector<std::uint32_t>& out) const {
        out.clear();
        for (std::uint32_t t : fans_.of(v)) {
            const MeshCreationTriangle& tri = mesh_.triangle(t);
            for (int k = 0; k < 3; ++k) {
                const std::uint32_t w = tri.corner(k);
                if (w != v && std::find(out.begin(), out.end(), w) == out.end()) out.push_back(w);
            }
        }
    }

    // Merges `gone` into `kept` (which keeps its position) when the surface
    // stays a closed manifold.
    bool collapse(std::uint32_t kept, std::uint32_t gone) {
        std::vector<std::uint32_t> shared;
        for (std::uint32_t t : fans_.of(gone)) {
            if (mesh_.triangle(t).has(kept)) shared.push_back(t);
        }
        if (shared.size() != 2) return false;
        neighboursOf(kept, keptNeighbours_);
        neighboursOf(gone, goneNeighbours_);
        int common = 0;
        for (std::uint32_t w : goneNeighbours_) {
            if (w == kept || std::find(keptNeighbours_.begin(), keptNeighbours_.end(), w) == keptNeighbours_.end()) {
                continue;
            }
            ++common;
            // Each far corner of the edge's triangles loses a neighbour; with
            // three it would be left with two triangles lying on each other.
            bool farCorner = false;
            for (std::uint32_t t : shared) farCorner = farCorner || mesh_.triangle(t).has(w);
            if (!farCorner || fans_.size(w) <= 3) return false;
        }
        if (common != 2 || static_cast<int>(keptNeighbours_.size() + goneNeighbours_.size()) - 4 < 3) return false;
        for (std::uint32_t t : shared) {
            const MeshCreationTriangle tri = mesh_.triangle(t);
            for (int k = 0; k < 3; ++k) fans_.remove(tri.corner(k), t);
            remember(t);
            mesh_.removeTriangle(t);
        }
        const std::vector<std::uint32_t> moved(fans_.of(gone).begin(), fans_.of(gone).end());
        for (std::uint32_t t : moved) {
            MeshCreationTriangle tri = mesh_.triangle(t);
            if (tri.e == gone) tri.e = kept;
            if (tri.f == gone) tri.f = kept;
            if (tri.g == gone) tri.g = kept;
            remember(t);
            mesh_.setTriangle(t, tri.e, tri.f, tri.g);
            fans_.add(kept, t);
            touched_.insert(touched_.end(), {tri.e, tri.f, tri.g});
        }
        fans_.clear(gone);
        mesh_.removeVertex(gone);
        goneVertices_.push_back(gone);
        return true;
    }

    // Flips edge `k` (corners k, k + 1) of triangle t with the triangle on
    // its other side, when the new edge is not there yet.
    bool flip(std::uint32_t t, int k) {
        const MeshCreationTriangle tri = mesh_.triangle(t);
        const std::uint32_t p = tri.corner(k);
        const std::uint32_t q = tri.corner((k + 1) % 3);
        const std::uint32_t c = tri.corner((k + 2) % 3);
        std::uint32_t other = kNoIndex;
        for (std::uint32_t s : fans_.of(p)) {
            if (s == t || !mesh_.triangle(s).has(q)) continue;
            if (other != kNoIndex) return false;
            other = s;
        }
        if (other == kNoIndex) return false;
        const MeshCreationTriangle& o = mesh_.triangle(other);
        const std::uint32_t d = o.e != p && o.e != q ? o.e : (o.f != p && o.f != q ? o.f : o.g);
        if (d == c) return false;
        neighboursOf(c, keptNeighbours_);
        if (std::find(keptNeighbours_.begin(), keptNeighbours_.end(), d) != keptNeighbours_.end()) return false;
        // t runs p -> q -> c, the other q -> p -> d; the new pair p -> d -> c
        // and d -> q -> c keeps the orientation.
        remember(t);
        remember(other);
        mesh_.setTriangle(t, p, d, c);
        mesh_.setTriangle(other, d, q, c);
        touched_.insert(touched_.end(), {p, q, c, d});
        fans_.remove(q, t);
        fans_.add(d, t);
        fans_.remove(p, other);
        fans_.add(c, other);
        return true;
    }

    // Notes triangle t's corners before an edit changes them.
    void remember(std::uint32_t t) {
        const MeshCreationTriangle& tri = mesh_.triangle(t);
        earlier_.push_back(Earlier{t, {tri.e, tri.f, tri.g}});
    }

    struct Earlier {
        std::uint32_t triangle;
        std::uint32_t corners[3];
    };

    SculptMesh& mesh_;
    float mergeLength_;
    float flatArea_;
    ParallelRunner& runner_;
    FanLists fans_;
    std::vector<Earlier> earlier_;
    std::vector<std::uint32_t> goneVertices_;
    std::vector<std::uint32_t> keptNeighbours_;
    std::vector<std::uint32_t> goneNeighbours_;
    std::vector<std::uint32_t> touched_;
};

// Finds what offends after a stage: crossing triangles, vertices lying on a
// vertex they share no triangle with, and (when asked) flattened triangles
// (no area, or corners on each other). The first search looks at the whole
// mesh; later ones only around the vertices moved since, which is all that
// can have changed. The connectivity must not change meanwhile, and every
// vertex moved must be named in a later search.
class OffenceFinder {
public:
    OffenceFinder(const SculptMesh& mesh, float tolerance, float flatArea, const RunControl& control)
        : mesh_(mesh),
          tolerance_(tolerance),
          flatArea_(flatArea),
          control_(control),
          frozen_(mesh.positions(), mesh.liveVertices(control.runner), tolerance, &control.runner) {
        fans_.build(mesh_, control.runner);
        // The live triangles in slot order, and each slot's place among them.
        const std::vector<std::uint32_t> live = mesh_.liveTriangles(control.runner);
        listIndex_.resize(mesh_.triangleSlots());
        triangles_.resize(live.size());
        const ChunkPlan slots{mesh_.triangleSlots(), kTrianglesPerChunk};
        control.runner.forEachChunk(slots.chunks(), [&](std::size_t chunk) {
            for (std::size_t t = slots.begin(chunk); t < slots.end(chunk); ++t) {
                if (!mesh_.isTriangle(static_cast<std::uint32_t>(t))) listIndex_[t] = kNoIndex;
            }
        });
        const ChunkPlan places{live.size(), kTrianglesPerChunk};
        control.runner.forEachChunk(places.chunks(), [&](std::size_t chunk) {
            for (std::size_t i = places.begin(chunk); i < places.end(chunk); ++i) {
                const MeshCreationTriangle& tri = mesh_.triangle(live[i]);
                listIndex_[live[i]] = static_cast<std::uint32_t>(i);
                triangles_[i] = {tri.e, tri.f, tri.g};
            }
        });
        moved_.assign(mesh_.vertexSlots(), 0);
    }

    // The offending vertices (with repeats): everywhere when `moved` is
    // null, else only where vertices in `moved` could have changed things
    // (vertices whose triangles changed count as moved). `withFlat`: flat
    // triangles offend too; `everyFlat`: they are looked for everywhere even
    // so.
    std::vector<std::uint32_t> find(const std::vector<std::uint32_t>* moved, bool withFlat, bool everyFlat = false) {
        std::vector<std::uint32_t> offenders;
        std::vector<std::uint8_t> focus;
        std::vector<std::uint32_t> focused;
        if (moved != nullptr) {
            focus.assign(triangles_.size(), 0);
            for (std::uint32_t v : *moved) {
                moved_[v] = 1;
                for (std::uint32_t t : fans_.of(v)) {
                    const std::uint32_t i = listIndex_[t];
                    if (focus[i] == 0) focused.push_back(i);
                    focus[i] = 1;
                    if (bins_ && staleBox_[i] == 0) {
                        staleBox_[i] = 1;
                        staleList_.push_back(i);
                    }
                }
            }
        }
        for (const auto& pair : crossingPairs(moved != nullptr ? &focus : nullptr, focused)) {
            for (std::uint32_t i : pair) {
                for (std::uint32_t v : triangles_[i]) offenders.push_back(v);
            }
        }
        if (withFlat) {
            // Looked at on every thread, collected in list order.
            std::vector<std::uint8_t> flat(triangles_.size(), 0);
            const ChunkPlan plan{triangles_.size(), kTrianglesPerChunk};
            control_.runner.forEachChunk(plan.chunks(), [&](std::size_t chunk) {
                for (std::size_t i = plan.begin(chunk); i < plan.end(chunk); ++i) {
                    if ((moved == nullptr || everyFlat || focus[i] != 0) && isFlat(triangles_[i])) flat[i] = 1;
                }
            });
            for (std::size_t i = 0; i < triangles_.size(); ++i) {
                if (flat[i] != 0) offenders.insert(offenders.end(), triangles_[i].begin(), triangles_[i].end());
            }
        }
        if (moved == nullptr) {
            touchingAll(offenders);
        } else {
            touchingAround(*moved, offenders);
        }
        return offenders;
    }

private:
    // The crossing pairs (indices into triangles_): over the whole mesh
    // without a focus, else those with a focused triangle (`focused` lists
    // them).
    std::vector<std::array<std::uint32_t, 2>> crossingPairs(const std::vector<std::uint8_t>* focus,
                                                            const std::vector<std::uint32_t>& focused) {
        CrossingSearch search;
        // Over the whole mesh, neighbours facing alike are passed over
        // (they cross only around a triangle turned between them, which is
        // found). Around the vertices moved since, every pair is tested: a
        // move taken back by a small share can leave two such neighbours
        // crossing after the turned triangle between them has been mended.
        search.exhaustive = focus != nullptr;
        search.runner = &control_.runner;
        search.focus = focus;
        if (focus == nullptr) return findSelfIntersections(mesh_.positions(), triangles_, search);
        // The first searches around moved vertices look through the whole
        // mesh for triangles near them; when more follow, the triangles are
        // binned once, and only those binned near the focused ones (and
        // those moved since the binning) take part.
        if (!bins_ && ++focusedSearches_ >= kSearchesBeforeBins) {
            bins_.emplace(mesh_.positions(), triangles_, &control_.runner);
            staleBox_.assign(triangles_.size(), 0);
        }
        if (!bins_) return findSelfIntersections(mesh_.positions(), triangles_, search);
        std::vector<TriangleBox> focusBoxes;
        for (std::uint32_t i : focused) {
            TriangleBox box;
            if (triangleBoxOf(mesh_.positions(), triangles_[i], box)) focusBoxes.push_back(box);
        }
        std::vector<std::uint32_t> taking = staleList_;
        bins_->forEachNear(focusBoxes, [&](std::uint32_t i) {
            if (staleBox_[i] == 0) taking.push_back(i);
        });
        std::sort(taking.begin(), taking.end());
        std::vector<MeshTriangle> near(taking.size());
        std::vector<std::uint8_t> nearFocus(taking.size());
        for (std::size_t k = 0; k < taking.size(); ++k) {
            near[k] = triangles_[taking[k]];
            nearFocus[k] = (*focus)[taking[k]];
        }
        search.focus = &nearFocus;
        std::vector<std::array<std::uint32_t, 2>> pairs = findSelfIntersections(mesh_.positions(), near, search);
        for (auto& pair : pairs) pair = {taking[pair[0]], taking[pair[1]]};
        return pairs;
    }

    bool isFlat(const MeshTriangle& t) const {
        const D3DXVECTOR3& a = mesh_.position(t[0]);
        const D3DXVECTOR3& b = mesh_.position(t[1]);
        const D3DXVECTOR3& c = mesh_.position(t[2]);
        const float shortest = std::min({lengthOf(a - b), lengthOf(b - c), lengthOf(c - a)});
        const D3DXVECTOR3 ab = b - a;
        const D3DXVECTOR3 ac = c - a;
        D3DXVECTOR3 cross;
        D3DXVec3Cross(&cross, &ab, &ac);
        return shortest <= tolerance_ || !(0.5f * lengthOf(cross) > flatArea_);
    }

    // Whether v and w are corners of one triangle.
    bool shareTriangle(std::uint32_t v, std::uint32_t w) const {
        for (std::uint32_t t : fans_.of(v)) {
            if (mesh_.triangle(t).has(w)) return true;
        }
        return false;
    }

    void touching(std::uint32_t v, std::uint32_t w, std::vector<std::uint32_t>& out) const {
        if (v == w || lengthOf(mesh_.position(v) - mesh_.position(w)) > tolerance_ || shareTriangle(v, w)) return;
        out.push_back(v);
        out.push_back(w);
    }

    // Every two vertices within reach of each other, looked at on every
    // thread and collected in the order of one walk over the pairs.
    void touchingAll(std::vector<std::uint32_t>& out) const {
        const ChunkPlan plan{frozen_.entryCount(), kVerticesPerChunk};
        std::vector<std::vector<std::uint32_t>> found(plan.chunks());
        control_.runner.forEachChunk(plan.chunks(), [&](std::size_t chunk) {
            frozen_.forEachPairFrom(plan.begin(chunk), plan.end(chunk),
                                    [&](std::uint32_t v, std::uint32_t w) { touching(v, w, found[chunk]); });
        });
        for (const std::vector<std::uint32_t>& pairs : found) out.insert(out.end(), pairs.begin(), pairs.end());
    }

    // The moved vertices against every vertex near their new places: the
    // unmoved ones where they were found, the moved ones among themselves.
    void touchingAround(const std::vector<std::uint32_t>& moved, std::vector<std::uint32_t>& out) const {
        std::vector<std::uint32_t> movedEver;
        for (std::uint32_t v = 0; v < moved_.size(); ++v) {
            if (moved_[v] != 0 && mesh_.isVertex(v)) movedEver.push_back(v);
        }
        const NearPoints movedNear(mesh_.positions(), movedEver, tolerance_);
        for (std::uint32_t v : moved) {
            const D3DXVECTOR3& place = mesh_.position(v);
            frozen_.forEachNear(place, [&](std::uint32_t w) {
                if (moved_[w] == 0) touching(v, w, out);
            });
            movedNear.forEachNear(place, [&](std::uint32_t w) { touching(v, w, out); });
        }
    }

    const SculptMesh& mesh_;
    float tolerance_;
    float flatArea_;
    const RunControl& control_;
    FanLists fans_;
    UninitialisedVector<MeshTriangle> triangles_;
    UninitialisedVector<std::uint32_t> listIndex_;
    // The vertices where they were when the finder was made.
    NearPoints frozen_;
    std::vector<std::uint8_t> moved_;
    // Searches around moved vertices so far, and once there have been
    // kSearchesBeforeBins of them, the triangles binned where they were
    // then; staleBox_ marks (and staleList_ lists) those moved since.
    int focusedSearches_ = 0;
    std::optional<TriangleBins> bins_;
    std::vector<std::uint8_t> staleBox_;
    std::vector<std::uint32_t> staleList_;
};

}  // namespace

namespace {

// Puts the whole mesh back as it was before the stage.
void restore(SculptMesh& mesh, const MeshBeforeStage& before) {
    mesh.positions() = before.positions;
    std::vector<std::uint8_t> used(mesh.vertexSlots(), 0);
    for (std::uint32_t t = 0; t < mesh.triangleSlots(); ++t) {
        const std::uint32_t* c = &before.corners[3 * static_cast<std::size_t>(t)];
        if (c[0] == kNoIndex) {
            mesh.removeTriangle(t);
            continue;
        }
        mesh.setTriangle(t, c[0], c[1], c[2]);
        used[c[0]] = used[c[1]] = used[c[2]] = 1;
    }
    for (std::uint32_t v = 0; v < mesh.vertexSlots(); ++v) {
        if (used[v] != 0) {
            mesh.reviveVertex(v);
        } else {
            mesh.removeVertex(v);
        }
    }
}

// The live vertices among `vertices`, sorted, without repeats.
std::vector<std::uint32_t> liveOnes(const SculptMesh& mesh, std::vector<std::uint32_t> vertices) {
    std::sort(vertices.begin(), vertices.end());
    vertices.erase(std::unique(vertices.begin(), vertices.end()), vertices.end());
    vertices.erase(std::remove_if(vertices.begin(), vertices.end(), [&](std::uint32_t v) { return !mesh.isVertex(v); }),
                   vertices.end());
    return vertices;
}

// `vertices` and every corner of a triangle one of them is a corner of.
std::vector<std::uint32_t> withNeighbours(const SculptMesh& mesh, const std::vector<std::uint32_t>& vertices) {
    std::vector<std::uint8_t> chosen(mesh.vertexSlots(), 0);
    for (std::uint32_t v : vertices) chosen[v] = 1;
    std::vector<std::uint32_t> out = vertices;
    for (std::uint32_t t = 0; t < mesh.triangleSlots(); ++t) {
        if (!mesh.isTriangle(t)) continue;
        const MeshCreationTriangle& tri = mesh.triangle(t);
        if (chosen[tri.e] != 0 || chosen[tri.f] != 0 || chosen[tri.g] != 0) out.insert(out.end(), {tri.e, tri.f, tri.g});
    }
    return out;
}

// Takes back part of the moves of offending vertices, round after round,
// until nothing offends (true), or false when the rounds run out or what
// offends has nothing left to take back (`stuck`: the last offenders).
// Taking a move back can make a neighbour offend in turn, so after the first
// rounds offenders go back all the way at once: that ends within a few
// rounds where small shares would take many more. `withFlat`: flattened
// triangles offend too. `changed`: only these vertices (and their triangles)
// can offend by crossing or touching, the rest of the mesh is known not to;
// null when anything can.
bool takeBackOffenders(OffenceFinder& finder, SculptMesh& mesh, const MeshBeforeStage& before,
                       const std::vector<D3DXVECTOR3>& after, std::vector<float>& along, bool withFlat,
                       const std::vector<std::uint32_t>* changed, RepairReport& report, const RunControl& control,
                       std::vector<std::uint32_t>& stuck) {
    std::vector<std::uint32_t> moved;
    stuck.clear();
    for (int round = 0; round < kLastRound; ++round) {
        if (control.stopRequested()) return false;
        std::vector<std::uint32_t> offenders =
            round == 0 ? finder.find(changed, withFlat, true) : finder.find(&moved, withFlat);
        if (offenders.empty()) return true;
        std::sort(offenders.begin(), offenders.end());
        offenders.erase(std::unique(offenders.begin(), offenders.end()), offenders.end());
        const bool allTheWay = round >= kUndoRounds;
        bool tookBack = false;
        moved.clear();
        for (std::uint32_t v : offenders) {
            if (!mesh.isVertex(v)) continue;
            tookBack = tookBack || along[v] > 0.0f;
            along[v] = allTheWay ? 0.0f : along[v] * (1.0f - kTakeBackShare);
            mesh.position(v) = before.positions[v] + (after[v] - before.positions[v]) * along[v];
            moved.push_back(v);
        }
        // Offending where they were before the stage: no round can help.
        if (!tookBack || round + 1 == kLastRound) {
            stuck = moved;
            return false;
        }
        report.undone += static_cast<int>(moved.size());
    }
    return false;
}

}  // namespace

MeshBeforeStage MeshBeforeStage::of(const SculptMesh& mesh) {
    MeshBeforeStage before;
    before.positions = mesh.positions();
    before.corners.resize(static_cast<std::size_t>(mesh.triangleSlots()) * 3);
    for (std::uint32_t t = 0; t < mesh.triangleSlots(); ++t) {
        const MeshCreationTriangle& tri = mesh.triangle(t);
        before.corners[3 * static_cast<std::size_t>(t)] = tri.e;
        before.corners[3 * static_cast<std::size_t>(t) + 1] = tri.f;
        before.corners[3 * static_cast<std::size_t>(t) + 2] = tri.g;
    }
    return before;
}

bool repairMesh(SculptMesh& mesh, const MeshBeforeStage& before, float cellEdge, const RunControl& control,
                RepairReport* reportOut) {
    RepairReport report;
    const float mergeLength = kMergeLength * cellEdge;
    const float flatArea = kFlatArea * cellEdge * cellEdge;
    // How far along its move each vertex stays: 1 all the way, 0 back where
    // it was. Offenders go back a share of what is left each round, and all
    // the way after kUndoRounds rounds, so the rounds end at the latest with
    // the mesh as it was before the stage, which was valid.
    const std::vector<D3DXVECTOR3> after = mesh.positions();
    std::vector<float> along(mesh.vertexSlots(), 1.0f);
    // Crossings first, while the connectivity is the stage's own; then the
    // flattened triangles are mended without moving the surface, and what
    // still offends takes its moves back.
    std::vector<std::uint32_t> stuck;
    std::optional<OffenceFinder> finder(std::in_place, mesh, mergeLength, flatArea, control);
    bool settled = takeBackOffenders(*finder, mesh, before, after, along, false, nullptr, report, control, stuck);
    for (int attempt = 0; settled; ++attempt) {
        // Positions follow `along` until the repair: these give them back.
        const std::vector<float> alongUnrepaired = along;
        Repairer repairer(mesh, mergeLength, flatArea, control.runner);
        const int edits = repairer.run();
        // The rest of the mesh no longer crosses or touches itself: only
        // where the repairer changed triangles can it again.
        std::vector<std::uint32_t> changed = liveOnes(mesh, repairer.touched());
        // The finder has followed every move since it was made; only a
        // repair that edited triangles needs a new one.
        if (edits > 0) finder.emplace(mesh, mergeLength, flatArea, control);
        if (takeBackOffenders(*finder, mesh, before, after, along, true, &changed, report, control, stuck)) {
            report.edits += edits;
            break;
        }
        // A repair can leave triangles crossing where their corners are
        // back where they were. Without that repair, those corners and
        // their neighbours go back before the stage, where nothing was
        // flat, and the repair is tried again.
        if (stuck.empty() || attempt + 1 == kRepairAttempts || control.stopRequested()) {
            settled = false;
            break;
        }
        repairer.undo();
        along = alongUnrepaired;
        const std::vector<std::uint32_t> home = liveOnes(mesh, withNeighbours(mesh, stuck));
        for (std::uint32_t v : home) along[v] = 0.0f;
        for (std::uint32_t v = 0; v < mesh.vertexSlots(); ++v) {
            mesh.position(v) = along[v] == 1.0f ? after[v] : before.positions[v] + (after[v] - before.positions[v]) * along[v];
        }
        finder.emplace(mesh, mergeLength, flatArea, control);
        settled = takeBackOffenders(*finder, mesh, before, after, along, false, &home, report, control, stuck);
    }
    if (control.stopRequested()) return false;
    if (!settled) {
        restore(mesh, before);
        report.restored = true;
    }
    const VertexLists around = mesh.triangleLists(control.runner);
    mesh.buildEdges(around, control.runner);
    mesh.computeNormalsAndCurvature(around, control.runner);
    if (reportOut != nullptr) *reportOut = report;
    return true;
}
