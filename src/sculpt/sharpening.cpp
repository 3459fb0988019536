#include "sculpt/sharpening.h"

#include "image/border.h"
#include "sculpt/mesh_repair.h"
#include "sculpt/sculpt_mesh.h"
#include "sculpt/sculpt_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace {

constexpr int kPassesPerReport = 30;
// A removing clipping moves a vertex only by more than this in some
// coordinate of its frame.
constexpr float kRemovingMoveThreshold = 0.001f;
// Picture units: a vertex this close to an outline lies on it.
constexpr float kOnOutline = 0.01f;
// Picture units: how far inside an outline a vertex may stop short of it and
// still be put onto it (the rim of the silhouette grid is one cell wide, the
// outline smoothing moves the outline by up to 1.5).
constexpr float kPushBand = 2.5f;
// Picture units: the edge step moves vertices within this of their anchor's
// outline.
constexpr float kAnchorDistance = 0.5f;
// Vertices per chunk of parallel work.
constexpr std::size_t kVerticesPerChunk = 4096;
// Vertices a pass without the edge step takes through every clipping at once.
constexpr std::size_t kVerticesPerBlock = 256;
// Rounds of relaxing the vertices of triangles the passes turned over.
constexpr int kUntangleRounds = 8;

// One clipping as sharpening sees it.
struct SharpeningClipping {
    const ClippingProjection* projection = nullptr;
    Border* border = nullptr;
    bool adding = true;
    SlabPlanes planes;
    // How far (picture units) an anchor may lie from two neighbours that
    // meet on it.
    float anchorReach = 0.0f;
};

// What sharpening keeps for each vertex slot.
struct VertexState {
    // The vertex in the frame of clipping `scratchOwner` (-1: none yet).
    ClipPoint scratch;
    int scratchOwner = -1;
    // The anchor owning the nearest outline vertex of the last border search,
    // that vertex's direction from it, and the vertex's distance from the
    // outline.
    const BorderVertex* anchor = nullptr;
    int side = 0;
    float outlineDistance = 0.0f;
    // Cleared by a move; set again for the vertices kept on the active list.
    bool active = false;
    // This pass: the vertex lies on some outline or slab face, or inside a
    // removed silhouette; else the nearest outline it lies just within.
    bool onHull = false;
    bool blocked = false;
    float insideDistance = 0.0f;
    int insideClipping = -1;
    ClipPoint insideTarget;
};

bool differsNoticeably(const ClipPoint& a, const ClipPoint& b) {
    return std::fabs(a.t - b.t) > kRemovingMoveThreshold || std::fabs(a.w - b.w) > kRemovingMoveThreshold ||
           std::fabs(a.u - b.u) > kRemovingMoveThreshold;
}

class Sharpener {
public:
    Sharpener(SculptMesh& mesh, const RunControl& control, const SharpeningOptions& options)
        : mesh_(mesh), control_(control), options_(options) {}

    void setUp(std::span<SculptClipping* const> sculptList, float cellRadius) {
        const float margin = slabMarginOf(cellRadius);
        // The cube edge of the run, from the bounding radius 1.2 * sqrt(3) * half.
        const float cellEdge = cellRadius / (1.2f * std::sqrt(3.0f)) * 2.0f;
        // The outlines are traced and indexed each on a thread of its own.
        control_.runner.forEachChunk(sculptList.size(), [&](std::size_t i) {
            SculptClipping* clipping = sculptList[i];
            if (clipping != nullptr && clipping->flags().participateinsharpening) clipping->prepareBorder();
        });
        for (SculptClipping* clipping : sculptList) {
            if (clipping == nullptr || !clipping->flags().participateinsharpening) continue;
            Border* border = clipping->border();
            const ClippingProjection& projection = clipping->projection();
            if (border == nullptr || !projection.isUsable()) continue;
            SharpeningClipping entry{&projection, border, clipping->flags().addingvoxels,
                                     slabPlanesOf(projection.depth(), margin), 0.0f};
            border->setSlabPlanes(entry.planes.farFace, entry.planes.farInner, entry.planes.nearFace,
                                  entry.planes.nearInner);
            entry.anchorReach = 1.0f + 1.5f * cellEdge / projection.smallerPixelSize();
            clippings_.push_back(entry);
        }
        states_ = FilledArray<VertexState>(mesh_.vertexSlots(), VertexState{}, control_.runner);
        moves_ = FilledArray<std::uint32_t>(mesh_.vertexSlots(), 0, control_.runner);
        found_ = FilledArray<std::uint32_t>(mesh_.vertexSlots() * clippings_.size(), kNothingFound, control_.runner);
        neighbours_ = mesh_.neighbourLists(control_.runner);
        carvedNormals_.resize(mesh_.triangleSlots());
        // The carved surface's direction at each triangle: the mean of its
        // corners' vertex normals, which follow the staircase's overall slope
        // rather than the single step the triangle lies on.
        forEachTriangle([this](std::uint32_t t) {
            const MeshCreationTriangle& tri = mesh_.triangle(t);
            carvedNormals_[t] = mesh_.normal(tri.e) + mesh_.normal(tri.f) + mesh_.normal(tri.g);
        });
        float smallestPixel = std::numeric_limits<float>::infinity();
        for (const SharpeningClipping& c : clippings_) smallestPixel = std::min(smallestPixel, c.projection->smallerPixelSize());
        untangleBand_ = std::isfinite(smallestPixel) ? std::max(kPushBand, 1.5f * cellEdge / smallestPixel) : kPushBand;
        flatArea_ = 1e-3f * cellEdge * cellEdge;
    }

    // Where the passes turned triangles over (a stair-stepped surface pulled
    // onto a curved outline does: a step towards the curve's centre turns
    // away from it), the vertices around them move to the middle of their
    // neighbours and are put back onto the hull, round after round, until
    // no triangle faces the other way from the carved face it came from.
    bool untangle(int rounds) {
        pushBand_ = untangleBand_;
        // 1: corner of a turned triangle, 2: neighbour of one; 0 elsewhere.
        std::vector<std::uint8_t> flagged(mesh_.vertexSlots(), 0);
        // The vertices placed in the last round (none before the first, when
        // every triangle is looked at). Only triangles around them can have
        // turned since: the others were looked at with their corners where
        // they are, and were not turned, or their corners would have been
        // placed.
        std::vector<std::uint8_t> placed;
        std::vector<std::uint32_t> flaggedList;
        std::vector<D3DXVECTOR3> targets;
        const ChunkPlan plan{mesh_.triangleSlots(), kVerticesPerChunk * 4};
        std::vector<std::vector<std::uint32_t>> turnedCorners(plan.chunks());
        for (int round = 0; round < rounds; ++round) {
            if (control_.stopRequested()) return false;
            control_.runner.forEachChunk(plan.chunks(), [&](std::size_t chunk) {
                std::vector<std::uint32_t>& corners = turnedCorners[chunk];
                corners.clear();
                for (std::size_t slot = plan.begin(chunk); slot < plan.end(chunk); ++slot) {
                    const auto t = static_cast<std::uint32_t>(slot);
                    if (!mesh_.isTriangle(t)) continue;
                    const MeshCreationTriangle& tri = mesh_.triangle(t);
                    if (!placed.empty() && placed[tri.e] == 0 && placed[tri.f] == 0 && placed[tri.g] == 0) continue;
                    if (isTurned(t)) corners.insert(corners.end(), {tri.e, tri.f, tri.g});
                }
            });
            for (std::uint32_t v : flaggedList) flagged[v] = 0;
            flaggedList.clear();
            for (const std::vector<std::uint32_t>& corners : turnedCorners) {
                for (std::uint32_t v : corners) {
                    if (flagged[v] != 0) continue;
                    flagged[v] = 1;
                    flaggedList.push_back(v);
                }
            }
            const std::size_t cornerCount = flaggedList.size();
            for (std::size_t i = 0; i < cornerCount; ++i) {
                for (std::uint32_t w : neighbours_.of(flaggedList[i])) {
                    if (flagged[w] != 0) continue;
                    flagged[w] = 2;
                    flaggedList.push_back(w);
                }
            }
            active_.clear();
            for (std::uint32_t v : flaggedList) {
                if (mesh_.isVertex(v)) active_.push_back(v);
            }
            std::sort(active_.begin(), active_.end());
            if (active_.empty()) break;
            if (options_.skipUnchanged) {
                placed.assign(mesh_.vertexSlots(), 0);
                for (std::uint32_t v : active_) placed[v] = 1;
            }
            // Every target from the places before the round, then every move.
            targets.resize(active_.size());
            const ChunkPlan activeChunks = activePlan();
            control_.runner.forEachChunk(activeChunks.chunks(), [&](std::size_t chunk) {
                for (std::size_t i = activeChunks.begin(chunk); i < activeChunks.end(chunk); ++i) {
                    const std::uint32_t v = active_[i];
                    D3DXVECTOR3 sum(0.0f, 0.0f, 0.0f);
                    int count = 0;
                    for (std::uint32_t w : neighbours_.of(v)) {
                        sum += mesh_.position(w);
                        ++count;
                    }
                    targets[i] = count > 0 ? sum * (1.0f / static_cast<float>(count)) : mesh_.position(v);
                }
            });
            control_.runner.forEachChunk(activeChunks.chunks(), [&](std::size_t chunk) {
                for (std::size_t i = activeChunks.begin(chunk); i < activeChunks.end(chunk); ++i) place(active_[i], targets[i]);
            });
            for (int settle = 0; settle < 3; ++settle) {
                for (std::uint32_t slot : active_) state(slot).active = true;
                if (!runPass(false)) return false;
            }
        }
        pushBand_ = kPushBand;
        return true;
    }

    bool run(int passes) {
        activateEveryVertex();
        for (int pass = 0; pass < passes; ++pass) {
            if (pass % kPassesPerReport == 0) {
                report("Sculpturing - Sharpening mesh create sides - Pass %d", pass, passes, 40.0f);
            }
            if (!runPass(false)) return false;
        }
        activateEveryVertex();
        for (int pass = 0; pass < passes; ++pass) {
            report("Sculpturing - Sharpening mesh create edges - Pass %d", pass, passes, 50.0f);
            if (!runPass(true)) return false;
        }
        return true;
    }

private:
    void report(const char* format, int pass, int passes, float base) const {
        char caption[96];
        std::snprintf(caption, sizeof caption, format, pass);
        control_.step(caption, static_cast<float>(pass) / static_cast<float>(passes) * 10.0f + base);
    }

    VertexState& state(std::uint32_t slot) { return states_[slot]; }

    // Every live vertex active and on the list, in slot order.
    void activateEveryVertex() {
        active_ = mesh_.liveVertices(control_.runner);
        forActive([this](std::uint32_t slot) { state(slot).active = true; });
    }

    // Calls work(t) for every live triangle, spread over the threads.
    template <typename Work>
    void forEachTriangle(Work&& work) {
        const ChunkPlan plan{mesh_.triangleSlots(), kVerticesPerChunk * 4};
        control_.runner.forEachChunk(plan.chunks(), [&](std::size_t chunk) {
            for (std::size_t t = plan.begin(chunk); t < plan.end(chunk); ++t) {
                if (mesh_.isTriangle(static_cast<std::uint32_t>(t))) work(static_cast<std::uint32_t>(t));
            }
        });
    }

    // Calls work(slot) for every active vertex, spread over the threads.
    // False when a stop was asked for.
    template <typename Work>
    bool forActive(Work&& work) {
        return forActiveChunks([&](std::size_t, std::uint32_t slot) { work(slot); });
    }

    // The same with work(chunk, slot): the active list is cut into the
    // chunks of activePlan(), each taken by one thread.
    template <typename Work>
    bool forActiveChunks(Work&& work) {
        const ChunkPlan plan = activePlan();
        control_.runner.forEachChunk(plan.chunks(), [&](std::size_t chunk) {
            if (control_.stopRequested()) return;
            for (std::size_t i = plan.begin(chunk); i < plan.end(chunk); ++i) work(chunk, active_[i]);
        });
        return !control_.stopRequested();
    }
    ChunkPlan activePlan() const { return ChunkPlan{active_.size(), kVerticesPerChunk}; }

    bool runPass(bool withEdgeStep) {
        // What a pass finds out starts afresh, just before the first rule.
        const auto startPass = [this](std::uint32_t slot) {
            VertexState& s = state(slot);
            s.onHull = false;
            s.blocked = false;
            s.insideClipping = -1;
            s.insideDistance = std::numeric_limits<float>::infinity();
        };
        // Without the edge step a vertex's rules read and change nothing but
        // its own state and place, so the vertices go through every clipping
        // and the end of the pass a block at a time, their states staying in
        // the cache (and a block's searches in one outline near each other).
        if (!withEdgeStep) {
            const ChunkPlan plan = activePlan();
            std::vector<std::size_t> kept(plan.chunks(), 0);
            control_.runner.forEachChunk(plan.chunks(), [&](std::size_t chunk) {
                if (control_.stopRequested()) return;
                for (std::size_t from = plan.begin(chunk); from < plan.end(chunk); from += kVerticesPerBlock) {
                    const std::size_t to = std::min(from + kVerticesPerBlock, plan.end(chunk));
                    for (std::size_t i = from; i < to; ++i) startPass(active_[i]);
                    for (int k = 0; k < static_cast<int>(clippings_.size()); ++k) {
                        for (std::size_t i = from; i < to; ++i) applyRule(active_[i], k);
                    }
                    for (std::size_t i = from; i < to; ++i) endPass(active_[i], plan.begin(chunk), kept[chunk]);
                }
            });
            if (control_.stopRequested()) return false;
            keepMovedVertices(kept);
            return true;
        }
        if (clippings_.empty() && !forActive(startPass)) return false;
        // The vertices each chunk found on an outline, which the edge step
        // looks at in list order (it moves vertices, but changes no one's
        // anchor or distance to it).
        onOutline_.resize(activePlan().chunks());
        for (int k = 0; k < static_cast<int>(clippings_.size()); ++k) {
            for (std::vector<std::uint32_t>& found : onOutline_) found.clear();
            if (!forActiveChunks([&](std::size_t chunk, std::uint32_t slot) {
                    if (k == 0) startPass(slot);
                    applyRule(slot, k);
                    if (!withEdgeStep) return;
                    const VertexState& s = state(slot);
                    if (s.anchor != nullptr && !(s.outlineDistance > kAnchorDistance)) onOutline_[chunk].push_back(slot);
                })) {
                return false;
            }
            if (withEdgeStep) {
                for (const std::vector<std::uint32_t>& found : onOutline_) {
                    for (std::uint32_t slot : found) edgeStep(slot, k);
                }
            }
        }
        // Each chunk keeps its vertices that moved in this pass at the front
        // of its part of the list; the parts are then joined.
        const ChunkPlan plan = activePlan();
        std::vector<std::size_t> kept(plan.chunks(), 0);
        if (!forActiveChunks([&](std::size_t chunk, std::uint32_t slot) { endPass(slot, plan.begin(chunk), kept[chunk]); })) {
            return false;
        }
        keepMovedVertices(kept);
        return true;
    }

    // The end of a pass for one vertex of the chunk whose part of the active
    // list starts at `first`: onto the outline it lies just within, and kept
    // at the front of that part (`kept` of them so far) when it moved.
    void endPass(std::uint32_t slot, std::size_t first, std::size_t& kept) {
        pushOntoOutline(slot);
        VertexState& s = state(slot);
        if (s.active) return;
        s.active = true;
        active_[first + kept++] = slot;
    }

    // Joins the moved vertices each chunk of the list kept at its front.
    void keepMovedVertices(const std::vector<std::size_t>& kept) {
        const ChunkPlan plan = activePlan();
        std::size_t joined = 0;
        for (std::size_t chunk = 0; chunk < plan.chunks(); ++chunk) {
            const auto first = active_.begin() + static_cast<std::ptrdiff_t>(plan.begin(chunk));
            std::copy(first, first + static_cast<std::ptrdiff_t>(kept[chunk]),
                      active_.begin() + static_cast<std::ptrdiff_t>(joined));
            joined += kept[chunk];
        }
        active_.resize(joined);
    }

    const SharpeningClipping& clipping(int k) const { return clippings_[static_cast<std::size_t>(k)]; }

    // Projects the vertex into clipping k; false when it has no image there.
    bool project(std::uint32_t slot, int k) {
        VertexState& s = state(slot);
        if (!clipping(k).projection->projectPoint(mesh_.position(slot), s.scratch)) return false;
        s.scratchOwner = k;
        return true;
    }

    // Moves the vertex to the world point of `target` in clipping k and marks
    // it moved; nothing happens when the target has no finite world point.
    void moveTo(std::uint32_t slot, int k, const ClipPoint& target) {
        D3DXVECTOR3 world;
        if (!clipping(k).projection->unprojectPoint(target, world)) return;
        VertexState& s = state(slot);
        place(slot, world);
        s.scratch = target;
        s.scratchOwner = k;
        s.active = false;
    }

    void remember(std::uint32_t slot, const OutlineHit& hit, const ClipPoint& p) {
        VertexState& s = state(slot);
        s.anchor = hit.anchor();
        s.side = hit.direction();
        s.outlineDistance = hit.vertex != nullptr ? std::hypot(hit.point.x - p.u, hit.point.y - p.w)
                                                  : std::numeric_limits<float>::infinity();
    }

    // Puts the vertex at `position`; every move is counted, and what the
    // rules found out about the vertex where it was is forgotten.
    void place(std::uint32_t slot, const D3DXVECTOR3& position) {
        mesh_.position(slot) = position;
        ++moves_[slot];
        std::uint32_t* found = &found_[foundIndex(slot, 0)];
        std::fill(found, found + clippings_.size(), kNothingFound);
    }

    std::size_t foundIndex(std::uint32_t slot, int k) const {
        return static_cast<std::size_t>(slot) * clippings_.size() + static_cast<std::size_t>(k);
    }

    void applyRule(std::uint32_t slot, int k) {
        std::uint32_t& found = found_[foundIndex(slot, k)];
        if (found == kNothingToDo) {
            // Where the rule last found the vertex far from the outline and
            // had nothing to do, it would find the same again.
            remember(slot, OutlineHit{}, state(slot).scratch);
            return;
        }
        if (!project(slot, k)) return;
        // Where the vertex has not moved since the rule's last search, the
        // search would settle on the same outline vertex again.
        const std::vector<BorderVertex*>& outline = clipping(k).border->outline();
        const BorderVertex* known = found >= kFirstOutlineVertex ? outline[found - kFirstOutlineVertex] : nullptr;
        const std::uint32_t movesBefore = moves_[slot];
        OutlineHit hit;
        const bool nothingToDo =
            clipping(k).adding ? applyAddingRule(slot, k, known, hit) : applyRemovingRule(slot, k, known, hit);
        // A move has forgotten everything already.
        if (!options_.skipUnchanged || moves_[slot] != movesBefore) return;
        if (nothingToDo) {
            found = kNothingToDo;
        } else if (hit.vertex != nullptr) {
            found = kFirstOutlineVertex + static_cast<std::uint32_t>(hit.vertex->outlineIndex);
        }
    }

    // The outline point nearest the vertex's place p in clipping k, as
    // Border::nearestOutlinePointOutside or ...Inside finds it; `known` is the
    // outline vertex an earlier search from p settled on, or null.
    bool outsideSearch(int k, const ClipPoint& p, const BorderVertex* known, OutlineHit& hit) const {
        const Border& border = *clipping(k).border;
        return known != nullptr ? border.nearestOutlinePointOutsideAgain(p.u, p.w, *known, hit)
                                : border.nearestOutlinePointOutside(p.u, p.w, hit);
    }
    bool insideSearch(int k, const ClipPoint& p, const BorderVertex* known, OutlineHit& hit) const {
        const Border& border = *clipping(k).border;
        return known != nullptr ? border.nearestOutlinePointInsideAgain(p.u, p.w, *known, hit)
                                : border.nearestOutlinePointInside(p.u, p.w, p.t, hit);
    }

    // Outside the silhouette: onto the nearest outline point, depth clamped
    // into the slab. Inside: only the depth is clamped; a vertex just within
    // the outline is noted for pushOntoOutline(). True when the vertex lies
    // far from the outline and the rule changed nothing but what it
    // remembers of the search (`hit`).
    bool applyAddingRule(std::uint32_t slot, int k, const BorderVertex* known, OutlineHit& hit) {
        const SharpeningClipping& c = clipping(k);
        VertexState& s = state(slot);
        const ClipPoint p = s.scratch;
        const bool inside = outsideSearch(k, p, known, hit);
        remember(slot, hit, p);
        if (!inside) {
            moveTo(slot, k, ClipPoint{std::clamp(p.t, c.planes.nearFace, c.planes.farFace), hit.point.y, hit.point.x});
            s.outlineDistance = 0.0f;
        } else if (p.t > c.planes.farFace) {
            moveTo(slot, k, ClipPoint{c.planes.farFace, p.w, p.u});
        } else if (p.t < c.planes.nearFace) {
            moveTo(slot, k, ClipPoint{c.planes.nearFace, p.w, p.u});
        } else {
            const bool onFace = p.t >= c.planes.farFace - kOnOutline || p.t <= c.planes.nearFace + kOnOutline;
            if (s.outlineDistance <= kOnOutline || onFace) {
                s.onHull = true;
            } else if (s.outlineDistance < s.insideDistance) {
                s.insideDistance = s.outlineDistance;
                s.insideClipping = k;
                s.insideTarget = ClipPoint{p.t, hit.point.y, hit.point.x};
            } else {
                return hit.vertex == nullptr;
            }
        }
        return false;
    }

    // Inside a removed silhouette and within the slab: onto a slab face near
    // it, onto the outline, or both. True as for the adding rule.
    bool applyRemovingRule(std::uint32_t slot, int k, const BorderVertex* known, OutlineHit& hit) {
        const SharpeningClipping& c = clipping(k);
        const SlabPlanes& planes = c.planes;
        const ClipPoint p = state(slot).scratch;
        const bool inside = insideSearch(k, p, known, hit);
        remember(slot, hit, p);
        if (!inside || p.t < planes.nearFace || p.t >= planes.farFace) return hit.vertex == nullptr;
        state(slot).blocked = true;
        const float w = hit.point.y;
        const float u = hit.point.x;
        ClipPoint target{p.t, w, u};
        if (p.t > planes.farInner) {
            target = ClipPoint{planes.farFace, p.w, p.u};
        } else if (p.t < planes.nearInner) {
            target = ClipPoint{planes.nearFace, p.w, p.u};
        } else if (p.t > planes.farInner2 && p.t < planes.farInner) {
            target = ClipPoint{planes.farFace, w, u};
        } else if (p.t > planes.nearInner && p.t < planes.nearInner2) {
            target = ClipPoint{planes.nearFace, w, u};
        }
        if (differsNoticeably(target, p)) moveTo(slot, k, target);
        return false;
    }

    // A vertex that stayed where it was through the whole pass, inside every
    // silhouette but just within one outline: onto that outline.
    void pushOntoOutline(std::uint32_t slot) {
        VertexState& s = state(slot);
        if (!s.active || s.onHull || s.blocked || s.insideClipping < 0 || s.insideDistance > pushBand_) return;
        moveTo(slot, s.insideClipping, s.insideTarget);
    }

    // Neighbours on the outline that reached V's anchor from its other side
    // meet V on it, when the anchor lies next to both.
    void edgeStep(std::uint32_t slot, int k) {
        const VertexState& s = state(slot);
        const BorderVertex* anchor = s.anchor;
        const float reach = clipping(k).anchorReach;
        if (s.outlineDistance > kAnchorDistance || !nearAnchor(slot, k, *anchor, reach)) return;
        const int side = s.side;
        bool movedSelf = false;
        for (std::uint32_t other : neighbours_.of(slot)) {
            const VertexState& o = state(other);
            if (!mesh_.isVertex(other) || o.anchor != anchor || o.side == side || o.outlineDistance > kAnchorDistance ||
                !nearAnchor(other, k, *anchor, reach)) {
                continue;
            }
            if (!movedSelf) {
                moveOntoAnchor(slot, k, *anchor);
                movedSelf = true;
            }
            moveOntoAnchor(other, k, *anchor);
        }
    }

    // Whether the vertex's picture position in clipping k lies within
    // `reach` of the anchor.
    bool nearAnchor(std::uint32_t slot, int k, const BorderVertex& anchor, float reach) {
        if (state(slot).scratchOwner != k && !project(slot, k)) return false;
        const ClipPoint& p = state(slot).scratch;
        return std::hypot(anchor.position.x - p.u, anchor.position.y - p.w) <= reach;
    }

    // Keeps the vertex's depth in clipping k and moves it onto the anchor.
    void moveOntoAnchor(std::uint32_t slot, int k, const BorderVertex& anchor) {
        // A neighbour's scratch may stem from another clipping when it last
        // moved there; its depth must be this clipping's.
        if (state(slot).scratchOwner != k && !project(slot, k)) return;
        moveTo(slot, k, ClipPoint{state(slot).scratch.t, anchor.position.y, anchor.position.x});
    }

    SculptMesh& mesh_;
    const RunControl& control_;
    const SharpeningOptions options_;
    std::vector<SharpeningClipping> clippings_;
    FilledArray<VertexState> states_;
    // How often each vertex moved.
    FilledArray<std::uint32_t> moves_;
    // Per vertex and clipping (foundIndex), what the clipping's rule found
    // out since the vertex last moved: nothing, that it lies far from the
    // outline with nothing to do, or the outline vertex its search settled
    // on (kFirstOutlineVertex + its place in the outline list).
    static constexpr std::uint32_t kNothingFound = 0;
    static constexpr std::uint32_t kNothingToDo = 1;
    static constexpr std::uint32_t kFirstOutlineVertex = 2;
    FilledArray<std::uint32_t> found_;
    // Whether triangle t faces away from the carved face it came from, or
    // has lost its area.
    bool isTurned(std::uint32_t t) const {
        const MeshCreationTriangle& tri = mesh_.triangle(t);
        const D3DXVECTOR3 e = mesh_.position(tri.e);
        const D3DXVECTOR3 eg = mesh_.position(tri.g) - e;
        const D3DXVECTOR3 ef = mesh_.position(tri.f) - e;
        D3DXVECTOR3 cross;
        D3DXVec3Cross(&cross, &eg, &ef);
        return D3DXVec3Dot(&cross, &carvedNormals_[t]) <= 0.0f || D3DXVec3Length(&cross) <= 2.0f * flatArea_;
    }

    std::vector<std::uint32_t> active_;
    std::vector<std::vector<std::uint32_t>> onOutline_;
    VertexLists neighbours_;
    // Written for every live triangle, the only ones read.
    UninitialisedVector<D3DXVECTOR3> carvedNormals_;
    float pushBand_ = kPushBand;
    float untangleBand_ = kPushBand;
    float flatArea_ = 0.0f;
};

}  // namespace

SlabPlanes slabPlanesOf(float depth, float margin) {
    const float half = depth / 2.0f;
    return SlabPlanes{half, half - margin, half - 2.0f * margin, -half, -half + margin, -half + 2.0f * margin};
}

float slabMarginOf(float cellRadius) { return 2.4f * cellRadius; }

bool sharpenMesh(SculptMesh& mesh, int passes, std::span<SculptClipping* const> sculptList, float cellRadius,
                 const RunControl& control, const SharpeningOptions& options) {
    if (passes <= 0) return true;
    const MeshBeforeStage before = MeshBeforeStage::of(mesh);
    {
        Sharpener sharpener(mesh, control, options);
        sharpener.setUp(sculptList, cellRadius);
        if (!sharpener.run(passes)) return false;
        if (!sharpener.untangle(kUntangleRounds)) return false;
    }
    const float cellEdge = cellRadius / (1.2f * std::sqrt(3.0f)) * 2.0f;
    return repairMesh(mesh, before, cellEdge, control);
}
