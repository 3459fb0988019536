#include "sculpt/sharpening.h"

#include "image/border.h"
#include "image/image_entry.h"
#include "sculpt/clipping.h"
#include "sculpt/sculpt_mesh.h"
#include "sculpt/smoothing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr int kPassesPerReport = 30;
// A removing clipping moves a vertex only by more than this in some
// coordinate of its frame.
constexpr float kRemovingMoveThreshold = 0.001f;

// One clipping as sharpening sees it.
struct SharpeningClipping {
    const ClippingProjection* projection = nullptr;
    Border* border = nullptr;
    bool adding = true;
    SlabPlanes planes;
};

// What sharpening keeps for each vertex slot.
struct VertexState {
    // The vertex in the frame of clipping `scratchOwner` (-1: none yet).
    ClipPoint scratch;
    int scratchOwner = -1;
    // The anchor owning the nearest outline vertex of the last border search,
    // and that vertex's direction from it.
    const BorderVertex* anchor = nullptr;
    int side = 0;
    // Cleared by a move; set again for the vertices kept on the active list.
    bool active = false;
};

bool differsNoticeably(const ClipPoint& a, const ClipPoint& b) {
    return std::fabs(a.t - b.t) > kRemovingMoveThreshold || std::fabs(a.w - b.w) > kRemovingMoveThreshold ||
           std::fabs(a.u - b.u) > kRemovingMoveThreshold;
}

class Sharpener {
public:
    Sharpener(SculptMesh& mesh, SculptProgress* progress) : mesh_(mesh), progress_(progress) {}

    void setUp(std::span<Clipping* const> sculptList, float cellRadius) {
        const float margin = slabMarginOf(cellRadius);
        for (Clipping* clipping : sculptList) {
            if (clipping == nullptr || !clipping->flags().participateinsharpening) {
                continue;
            }
            Border* border = clipping->entry().border.get();
            const ClippingProjection& projection = clipping->projection();
            if (border == nullptr || !projection.isUsable()) {
                continue;
            }
            SharpeningClipping entry{&projection, border, clipping->flags().addingvoxels,
                                     slabPlanesOf(projection.depth(), margin)};
            border->setSlabPlanes(entry.planes.farFace, entry.planes.farInner, entry.planes.nearFace,
                                  entry.planes.nearInner);
            clippings_.push_back(entry);
        }
        states_.assign(static_cast<std::size_t>(mesh_.vertices().count()), VertexState{});
    }

    void run(int passes) {
        activateEveryVertex();
        for (int pass = 0; pass < passes; ++pass) {
            if (pass % kPassesPerReport == 0) {
                report("Sculpturing - Sharpening mesh create sides - Pass %d", pass, passes, 40.0f);
            }
            runPass(false);
        }
        activateEveryVertex();
        for (int pass = 0; pass < passes; ++pass) {
            report("Sculpturing - Sharpening mesh create edges - Pass %d", pass, passes, 50.0f);
            runPass(true);
        }
    }

private:
    void report(const char* format, int pass, int passes, float base) const {
        if (progress_ == nullptr) {
            return;
        }
        char caption[96];
        std::snprintf(caption, sizeof caption, format, pass);
        progress_->step(caption, static_cast<float>(pass) / static_cast<float>(passes) * 10.0f + base);
    }

    VertexState& state(int slot) { return states_[static_cast<std::size_t>(slot)]; }
    SculptVertex& vertex(int slot) { return *mesh_.vertices()[slot]; }

    // The slot of `v` when it is a live vertex of this mesh; -1 otherwise.
    int slotOf(const SculptVertex* v) const {
        if (v == nullptr || v->index < 0 || v->index >= static_cast<int>(states_.size()) ||
            mesh_.vertices()[v->index] != v) {
            return -1;
        }
        return v->index;
    }

    void activateEveryVertex() {
        active_.clear();
        for (int slot = 0; slot < static_cast<int>(states_.size()); ++slot) {
            if (mesh_.vertices()[slot] != nullptr) {
                active_.push_back(slot);
                state(slot).active = true;
            }
        }
    }

    void runPass(bool withEdgeStep) {
        for (int k = 0; k < static_cast<int>(clippings_.size()); ++k) {
            if (withEdgeStep) {
                for (int slot : active_) {
                    state(slot).anchor = nullptr;
                }
            }
            for (int slot : active_) {
                applyRule(slot, k);
            }
            if (withEdgeStep) {
                for (int slot : active_) {
                    if (state(slot).anchor != nullptr) {
                        edgeStep(slot, k);
                    }
                }
            }
        }
        keepMovedVertices();
    }

    // Keeps the vertices that moved in this pass, in list order.
    void keepMovedVertices() {
        std::size_t kept = 0;
        for (int slot : active_) {
            if (!state(slot).active) {
                state(slot).active = true;
                active_[kept++] = slot;
            }
        }
        active_.resize(kept);
    }

    // Projects the vertex into clipping k; false when it has no image there.
    bool project(int slot, int k) {
        const std::optional<ClipPoint> p = clippings_[static_cast<std::size_t>(k)].projection->projectPoint(vertex(slot).position);
        if (!p) {
            return false;
        }
        state(slot).scratch = *p;
        state(slot).scratchOwner = k;
        return true;
    }

    // Moves the vertex to the world point of `target` in clipping k and marks
    // it moved; nothing happens when the target has no finite world point.
    void moveTo(int slot, int k, const ClipPoint& target) {
        const std::optional<D3DXVECTOR3> world = clippings_[static_cast<std::size_t>(k)].projection->unprojectPoint(target);
        if (!world) {
            return;
        }
        VertexState& s = state(slot);
        vertex(slot).position = *world;
        s.scratch = target;
        s.scratchOwner = k;
        s.active = false;
    }

    void remember(int slot, const OutlineHit& hit) {
        state(slot).anchor = hit.anchor();
        state(slot).side = hit.direction();
    }

    void applyRule(int slot, int k) {
        if (!project(slot, k)) {
            return;
        }
        if (clippings_[static_cast<std::size_t>(k)].adding) {
            applyAddingRule(slot, k);
        } else {
            applyRemovingRule(slot, k);
        }
    }

    // Outside the silhouette: onto the nearest outline point, depth clamped
    // into the slab. Inside: only the depth is clamped.
    void applyAddingRule(int slot, int k) {
        const SharpeningClipping& c = clippings_[static_cast<std::size_t>(k)];
        const ClipPoint p = state(slot).scratch;
        OutlineHit hit;
        const bool inside = c.border->nearestOutlinePointOutside(p.u, p.w, hit);
        remember(slot, hit);
        if (!inside) {
            moveTo(slot, k, ClipPoint{std::clamp(p.t, c.planes.nearFace, c.planes.farFace), hit.point.y, hit.point.x});
        } else if (p.t > c.planes.farFace) {
            moveTo(slot, k, ClipPoint{c.planes.farFace, p.w, p.u});
        } else if (p.t < c.planes.nearFace) {
            moveTo(slot, k, ClipPoint{c.planes.nearFace, p.w, p.u});
        }
    }

    // Inside a removed silhouette and within the slab: onto a slab face near
    // it, onto the outline, or both.
    void applyRemovingRule(int slot, int k) {
        const SharpeningClipping& c = clippings_[static_cast<std::size_t>(k)];
        const SlabPlanes& s = c.planes;
        const ClipPoint p = state(slot).scratch;
        OutlineHit hit;
        const bool inside = c.border->nearestOutlinePointInside(p.u, p.w, p.t, hit);
        remember(slot, hit);
        if (!inside || p.t < s.nearFace || p.t >= s.farFace) {
            return;
        }
        const float w = hit.point.y;
        const float u = hit.point.x;
        ClipPoint target{p.t, w, u};
        if (p.t > s.farInner) {
            target = ClipPoint{s.farFace, p.w, p.u};
        } else if (p.t < s.nearInner) {
            target = ClipPoint{s.nearFace, p.w, p.u};
        } else if (p.t > s.farInner2 && p.t < s.farInner) {
            target = ClipPoint{s.farFace, w, u};
        } else if (p.t > s.nearInner && p.t < s.nearInner2) {
            target = ClipPoint{s.nearFace, w, u};
        }
        if (differsNoticeably(target, p)) {
            moveTo(slot, k, target);
        }
    }

    // Neighbours that reached V's anchor from its other side meet V on it.
    void edgeStep(int slot, int k) {
        const BorderVertex* anchor = state(slot).anchor;
        const int side = state(slot).side;
        bool movedSelf = false;
        for (const VertexConnection* edge : vertex(slot).edges) {
            if (edge == nullptr) {
                continue;
            }
            const int other = slotOf(edge->other(&vertex(slot)));
            if (other < 0 || other == slot || state(other).anchor != anchor || state(other).side == side) {
                continue;
            }
            if (!movedSelf) {
                moveOntoAnchor(slot, k, *anchor);
                movedSelf = true;
            }
            moveOntoAnchor(other, k, *anchor);
        }
    }

    // Keeps the vertex's depth in clipping k and moves it onto the anchor.
    void moveOntoAnchor(int slot, int k, const BorderVertex& anchor) {
        // A neighbour's scratch may stem from another clipping when it last
        // moved there; its depth must be this clipping's.
        if (state(slot).scratchOwner != k && !project(slot, k)) {
            return;
        }
        moveTo(slot, k, ClipPoint{state(slot).scratch.t, anchor.position.y, anchor.position.x});
    }

    SculptMesh& mesh_;
    SculptProgress* progress_;
    std::vector<SharpeningClipping> clippings_;
    std::vector<VertexState> states_;
    std::vector<int> active_;
};

}  // namespace

SlabPlanes slabPlanesOf(float depth, float margin) {
    const float half = depth / 2.0f;
    return SlabPlanes{half, half - margin, half - 2.0f * margin, -half, -half + margin, -half + 2.0f * margin};
}

float slabMarginOf(float cellRadius) { return 2.4f * cellRadius; }

void sharpenMesh(SculptMesh& mesh, int passes, std::span<Clipping* const> sculptList, float cellRadius,
                 SculptProgress* progress) {
    if (passes <= 0) {
        return;
    }
    Sharpener sharpener(mesh, progress);
    sharpener.setUp(sculptList, cellRadius);
    sharpener.run(passes);
    recomputeNormals(mesh);
}

void sharpenStage(SculptMesh& mesh, int passes, const SculptStageContext& context) {
    sharpenMesh(mesh, passes, context.sculptList, context.cellRadius, context.progress);
}
