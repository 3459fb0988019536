// Collision lines and decals: what lets a user see at a glance whether the
// placed pictures agree.
//
// Every picture's silhouette is swept along its viewing axis through its
// slab; the object must lie inside all of them. A ray through a point of one
// picture's outline (a silhouette ray) must therefore touch the object, and
// with it the inside of every other picture's swept silhouette.
//
//  - Collision lines: for every outline ray of a shown picture (every n-th
//    outline vertex, n the line spacing), the parts of the ray that lie
//    inside the swept silhouettes of all other pictures are drawn. Where the
//    placements agree the lines trace the object's rims in 3D; where a
//    picture is misplaced its rays miss the others and its lines vanish. The
//    share of rays that found the others is the picture's agreement.
//  - Decals on borders: every q x q block of a picture that holds mask
//    pixels is laid, as a small piece of the picture, where its ray first
//    enters the other pictures' silhouettes: the picture glued onto the
//    other pictures' borders, giving a first impression of the object.
//
// Pictures that remove voxels count the other way round (the object lies
// outside their swept silhouette). Only clippings that take part in
// sculpting shape the others' rays. Everything is recomputed only when
// invalidated (a placement, flag, picture or quality changed), never per
// frame. While one clipping (the focus, the one being transformed) moves,
// the other pictures' rays keep what the rest of the pictures told them and
// only ask the focus again.
#pragma once

#include "core/configuration.h"
#include "core/math3d.h"
#include "sculpt/clipping_node.h"
#include "sculpt/object_rays.h"

#include <cstddef>
#include <map>
#include <vector>

struct CollisionSettings {
    // "Render Collision Lines", "Render Collision Lines Back" (lines stay
    // visible behind other things), "Collision Lines With Borders".
    bool lines = true;
    bool linesBehind = false;
    bool linesWithBorders = true;
    // Every n-th outline vertex casts a line.
    int lineSpacing = 1;
    ColourBytes lineColour{255, 255, 0};
    // "Render Decals", "Decals On Borders", the block side in pixels.
    bool decals = false;
    bool decalsOnBorders = true;
    int decalQuality = 8;
    // "Collision Lines With Object", "Decals On Object": the sculpted object
    // cuts the lines too, and the decals are glued onto it.
    bool linesWithObject = false;
    bool decalsOnObject = false;

    bool operator==(const CollisionSettings&) const = default;
};

// The collision settings of `settings` with the given line spacing.
CollisionSettings collisionSettingsOf(const Settings& settings, int lineSpacing);

// Rays cast by one recomputation (for benchmarks and tests).
struct CollisionCounts {
    int lineRays = 0;
    int lineRaysMeeting = 0;
    int decalRays = 0;
    int decals = 0;
};

class CollisionDisplay {
public:
    // The nodes of the shown clippings (not owned; they must stay alive
    // until the next setNodes). Invalidates.
    void setNodes(std::vector<ClippingNode*> nodes);
    const std::vector<ClippingNode*>& nodes() const { return nodes_; }
    // Takes new settings; invalidates when they differ.
    void setSettings(const CollisionSettings& settings);
    const CollisionSettings& settings() const { return settings_; }
    // The sculpted object the lines and decals meet when their settings
    // say so (not owned; null for none, which is also what a hidden object
    // gives). Invalidates when it changes.
    void setObject(const ObjectRays* object);
    const ObjectRays* object() const { return object_; }
    // Something the lines or decals depend on changed.
    void invalidate() { valid_ = false; }
    bool isValid() const { return valid_ && focusValid_; }
    // The clipping being transformed (may be null); a change invalidates.
    void setFocus(const ClippingNode* focus);
    const ClippingNode* focus() const { return focus_; }
    // Only the focus's placement changed since the last refresh.
    void focusMoved() { focusValid_ = false; }

    // Recomputes the lines and decals of every node when invalid (each
    // node's collision lines and decal layer are replaced). True when it
    // recomputed.
    bool refresh();

    // The share (0..1) of `node`'s outline rays that met every other
    // picture, as of the last refresh; -1 when there was nothing to meet or
    // the node was not judged.
    float agreement(const ClippingNode* node) const;
    const CollisionCounts& counts() const { return counts_; }

    // Distances along the ray (origin, unit direction), within `length`, at
    // which it crosses the swept silhouette of a shown sculpting clipping
    // other than `except`, in increasing order (for snapping).
    std::vector<float> bordersAlong(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float length,
                                    const ClippingNode* except) const;

    // The lines go into two line sets: every kThinning-th ray in the first,
    // the rest in the second, which is only worth drawing up close.
    static constexpr int kThinning = 6;

    // The largest number of decal blocks of one picture; a quality too fine
    // for it is coarsened until the blocks fit the layer.
    static constexpr int kMaxDecals = ClippingLayer::kCapacity / 4;
    // At most this many threads help the calling one judge the rays.
    static constexpr size_t kMaxHelpers = 3;

private:
    // One ray through a picture point across the slab: where it runs, what
    // the other pictures but the focus leave of it, and what is left in the
    // end.
    struct Ray {
        float u = 0.0f;
        float w = 0.0f;
        D3DXVECTOR3 from;
        D3DXVECTOR3 to;
        // The ray could be placed (its picture's projection is usable).
        bool placed = false;
        // The ray reaches another picture at all.
        bool judged = false;
        IntervalList withoutFocus;
        IntervalList result;
    };
    // What a node casts, kept while its picture and the settings stay.
    struct Cast {
        unsigned revision = 0;
        int lineSpacing = 0;
        std::vector<std::vector<OutlineSample>> lineSamples;
        int decalQuality = 0;
        bool decalsTakeMask = true;
        // Decal blocks in picture pixels (top left corner) and their side.
        std::vector<D3DXVECTOR2> blocks;
        int blockSide = 0;
        std::vector<Ray> lineRays;
        std::vector<Ray> decalRays;
        // The samples or blocks changed since the rays were placed.
        bool raysStale = true;
    };

    Cast& castOf(ClippingNode& node);
    void sampleBlocks(const ClippingNode& node, Cast& cast, bool takesMask);
    // The rays through the line samples and the decal blocks, placed anew.
    void placeRays(const ClippingNode& node, Cast& cast, bool lines, bool decals) const;
    // Narrows `result` (parts of the segment from `from` (0) to `to` (1)) to
    // what lies inside `other`; false when nothing is left.
    static bool narrowBy(const ClippingNode& other, const D3DXVECTOR3& from, const D3DXVECTOR3& to,
                         IntervalList& result);
    // What the object leaves of `result`; false when nothing is left.
    bool narrowByObject(const D3DXVECTOR3& from, const D3DXVECTOR3& to, IntervalList& result) const;
    // Everything the other pictures (with `borders`) and the object (with
    // `withObject`) leave of `ray` of `node`, into `out`; with `skipFocus`
    // the focus is left out.
    void insideOthers(const ClippingNode& node, const Ray& ray, bool skipFocus, bool borders, bool withObject,
                      IntervalList& out) const;
    bool shapesOthers(const ClippingNode& node) const;
    bool anyOtherShapes(const ClippingNode& node) const;
    // A stretch of one node's rays to judge against the other pictures
    // (`borders`) and the object (`withObject`): with `focusOnly` they only
    // ask the focus again.
    struct JudgeJob {
        const ClippingNode* node = nullptr;
        std::vector<Ray>* rays = nullptr;
        bool focusOnly = false;
        size_t begin = 0;
        size_t end = 0;
        bool borders = true;
        bool withObject = false;
    };
    void judge(const JudgeJob& job) const;
    // Judges every job, the rays spread over the cores when there are many
    // (each ray only writes its own result, every clipping and the object
    // are only read).
    void judgeAll(const std::vector<JudgeJob>& jobs) const;
    void showLines(ClippingNode& node, const Cast& cast);
    void showDecals(ClippingNode& node, const Cast& cast);

    std::vector<ClippingNode*> nodes_;
    CollisionSettings settings_;
    const ClippingNode* focus_ = nullptr;
    const ObjectRays* object_ = nullptr;
    bool valid_ = false;
    bool focusValid_ = true;
    std::map<const ClippingNode*, Cast> casts_;
    std::map<const ClippingNode*, float> agreement_;
    CollisionCounts counts_;
};
