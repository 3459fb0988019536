// Border: the outline of an image's mask.
//
// Vertices sit on the corners of the mask's pixels and are linked into closed
// chains, smoothed, and indexed by a quadtree so that the sculpting code can
// ask whether a point lies inside the outline and where the nearest outline
// point is.
//
// Outline coordinates. With W = mask width - marginRight and H = mask height -
// marginBottom (both at most 512), the pixel corner (cx, cy) of the image
// (cx to the right, cy downward; corner (x, y) is the top left corner of pixel
// (x, y)) has the outline position (W - cx, H - cy): the outline is the
// picture turned by 180 degrees. Every position, rectangle and query point of
// this class is in outline coordinates. The corner's slot number is
// (W - cx) * 513 + (H - cy).
//
// Vertices live in a 513 by 513 grid of slots. A vertex once made stays in its
// slot across rebuilds (keeping its smoothing mode and selection) and is only
// reset, so a corner that leaves the outline and comes back keeps its mode.
//
// Smoothing modes: kModeFree (0) smooths without limit, kModeLimited (1)
// smooths while the vertex stays within the maximum distance of where tracing
// put it, kModeFixed (2) never moves. New vertices are kModeLimited.
#pragma once

#include "core/math3d.h"
#include "core/string.h"
#include "image/record_pool.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

class Image;

// What a border needs from the clipping of its image: the clipping's
// silhouette grid answers inside tests far from the outline, and whether the
// clipping adds voxels decides which corners become anchors.
class BorderOwner {
public:
    virtual ~BorderOwner() = default;
    // The clipping's `addingvoxels` flag.
    virtual bool addingVoxels() const = 0;
    // Cell (i, j) of the silhouette grid (0 outside, 1 rim, 2 inside), for
    // 0 <= i, j <= 512. The border never asks outside that range.
    virtual int silhouetteCell(int i, int j) const = 0;
};

// Told when the border cleaned its mask ahead of a rebuild, so that whatever
// shows the mask (the mask texture's alpha) can be refreshed.
class BorderListener {
public:
    virtual ~BorderListener() = default;
    virtual void maskCleaned(const Image& mask) { (void)mask; }
};

// One outline vertex (a pixel corner).
struct BorderVertex {
    // Belongs to the current outline.
    bool made = false;
    // Chain links; an outline is walked from previous to next. Either may be
    // null where the chain runs into pixels that are not traced.
    BorderVertex* previous = nullptr;
    BorderVertex* next = nullptr;
    // The vertices joined to this one by outline edges, no duplicates: two,
    // or four where two regions touch at a corner.
    std::array<BorderVertex*, 4> neighbours{};
    int neighbourCount = 0;
    // Where tracing put the vertex.
    D3DXVECTOR2 start;
    // After smoothing; z is 0.
    D3DXVECTOR3 position;
    // Unit normal in the outline plane pointing into the masked region; z 0.
    D3DXVECTOR3 normal;
    // Reached the maximum distance during the current smoothing.
    bool stopped = false;
    // Used while collecting polygons.
    bool visited = false;
    // Selected by the user.
    bool selected = false;
    // The vertex is an anchor.
    bool boundary = false;
    int mode = 1;
    // Claim made by the anchor walk: the anchor that owns this vertex, and
    // the direction the walk came from it (1 along previous links, 0 along
    // next links).
    BorderVertex* ownerAnchor = nullptr;
    unsigned char direction = 0;
    // Slot number of the vertex.
    int slot = -1;
    // Place in the outline list while the vertex is made.
    int outlineIndex = -1;
};

// One node of the quadtree over the outline vertices. Bounds are in outline
// coordinates with y growing upward: the root is left 0, right 512, bottom 0,
// top 512. Quadrants: 0 bottom left, 1 bottom right, 2 top left, 3 top right.
struct BorderQuadNode {
    int quadrant = 0;
    float top = 0.0f;
    float left = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
    int depth = 0;
    // Column and row among the nodes of the same depth.
    int column = 0;
    int row = 0;
    BorderQuadNode* parent = nullptr;
    std::array<BorderQuadNode*, 4> children{};
    // Side neighbours of the same depth: left, right, below, above.
    std::array<BorderQuadNode*, 4> sideNeighbours{};
    // Vertex-holding nodes of the same depth around this one (itself
    // included when it holds vertices): first the node and its direct side
    // and corner neighbours (`directNearby` entries), then the ring of nodes
    // beyond them.
    std::vector<BorderQuadNode*> nearby;
    int directNearby = 0;
    // Outline vertices whose current position lies inside the bounds, edges
    // inclusive.
    std::vector<BorderVertex*> vertices;
    bool holdsVertices = false;
    bool madeAsNeighbour = false;

    // True when (x, y) lies inside the bounds, edges inclusive.
    bool contains(float x, float y) const { return x >= left && x <= right && y >= bottom && y <= top; }
};

// Result of an outline search.
struct OutlineHit {
    // The nearest outline point: the nearest vertex or the nearer projection
    // onto one of its two edges. z is the query's z (0 for 2D queries).
    D3DXVECTOR3 point;
    // The outline normal there (pointing into the masked region).
    D3DXVECTOR3 normal;
    // The nearest vertex; null when the search found none.
    const BorderVertex* vertex = nullptr;

    // The anchor that claimed the nearest vertex, or null.
    const BorderVertex* anchor() const { return vertex != nullptr ? vertex->ownerAnchor : nullptr; }
    // The nearest vertex's direction from its anchor (1 along previous links,
    // 0 along next links); 0 without a vertex.
    int direction() const { return vertex != nullptr ? vertex->direction : 0; }
};

class Border {
public:
    static constexpr int kSlotsPerSide = 513;
    static constexpr int kSlotCount = kSlotsPerSide * kSlotsPerSide;
    static constexpr int kModeFree = 0;
    static constexpr int kModeLimited = 1;
    static constexpr int kModeFixed = 2;
    // Passes when the configuration sets none, and the most accepted.
    static constexpr int kDefaultPasses = 10;
    static constexpr int kMaxPasses = 1000;
    static constexpr float kDefaultMaxDistance = 1.5f;
    // The largest maximum distance accepted (the canvas side).
    static constexpr float kMaxMaxDistance = 512.0f;
    // Depth of the quadtree's leaves, and the depth a search node must reach
    // for a vertex search (a square of 2 by 2 outline units or less).
    static constexpr int kLeafDepth = 9;
    static constexpr int kSearchDepth = 8;
    // How far from a vertex a click still picks it, in outline units.
    static constexpr float kPickRadius = 3.0f;
    // How far a point must lie from the outline for the sharpening searches
    // to call it outside or inside.
    static constexpr float kSideTolerance = 0.0001f;

    Border();
    ~Border();
    Border(const Border&) = delete;
    Border& operator=(const Border&) = delete;

    // --- making and rebuilding -------------------------------------------------

    // Takes `mask` (not owned; it must outlive the border or be replaced by
    // another make), sets the defaults (`passes` smoothing passes, clamped to
    // 0 .. kMaxPasses; maximum distance 1.5; every slot empty) and rebuilds.
    // A null or invalid mask gives an empty border.
    void make(Image* mask, int passes = kDefaultPasses);

    // Traces, links and smooths the outline of the mask as it is now, computes
    // normals, anchors and polygons, and rebuilds the quadtree index so that
    // queries never see a stale one. Modes and selections stay with their
    // slots. The mask is read, never changed. Marks the border changed for 3D,
    // since the clipping's silhouette depends on the outline.
    void rebuild();

    // Rebuilds the quadtree index over the current outline. rebuild() already
    // does this; calling it again is harmless.
    void buildIndex();

    // --- changed masks -----------------------------------------------------------

    // Marks the border as changed for 2D and for 3D. Called on every mask edit;
    // nothing is rebuilt until update(). The 3D flag is the clipping's to
    // clear once it has caught up with the outline.
    void markChanged();
    bool isChangedFor2D() const { return changedFor2D_; }
    bool isChangedFor3D() const { return changedFor3D_; }
    void clearChangedFor3D() { changedFor3D_ = false; }

    // When the border is marked changed for 2D, first cleans the mask (clears
    // its frame and margins, removes isolated pixels) and tells the listener;
    // then rebuilds and clears the changed-for-2D flag.
    void update();

    // Clears, in place, every set pixel of the mask's area (1 <= x < right - 1,
    // 1 <= y < bottom - 1) that has fewer than 3 set pixels among its 8
    // neighbours, again and again until nothing more is cleared. Returns the
    // number of pixels cleared.
    static int removeIsolatedPixels(Image& mask);

    // --- settings ------------------------------------------------------------------

    // Stores the number of passes (clamped to 0 .. kMaxPasses) and rebuilds.
    void setPasses(int passes);
    int passes() const { return passes_; }

    // Stores the maximum smoothing distance and rebuilds. A value that is not
    // a finite number in 0 .. kMaxMaxDistance is refused (false, nothing
    // changes).
    bool setMaxDistance(float distance);
    float maxDistance() const { return maxDistance_; }

    // A tolerance of 0.01 outline units, kept with the border.
    float tolerance() const { return tolerance_; }

    // The clipping of the same image; null until it links itself. The owner
    // must unlink itself (setOwner(nullptr)) before it dies.
    void setOwner(BorderOwner* owner) { owner_ = owner; }
    BorderOwner* owner() const { return owner_; }

    // Told when update() cleans the mask; may be null. Not owned.
    void setListener(BorderListener* listener) { listener_ = listener; }

    // The slab planes of the clipping (far face, far face minus e, near face,
    // near face plus e), used by nearestOutlinePointInside.
    void setSlabPlanes(float farFace, float farInner, float nearFace, float nearInner);

    // --- selection and modes ----------------------------------------------------------

    // Clears every vertex's selected flag.
    void clearSelection();
    // Clears the selection, then selects the outline vertex nearest to (x, y)
    // when it lies within `radius`. Returns it, or null.
    const BorderVertex* selectVertexAt(float x, float y, float radius = kPickRadius);
    // Selects every outline vertex whose current position lies inside the
    // rectangle spanned by the two corners (edges inclusive, in either order)
    // and deselects every other vertex. Returns the number selected.
    int selectVerticesInRect(float x0, float y0, float x1, float y1);
    // Number of selected vertices of the current outline.
    int selectedCount() const;
    // The slots of the selected vertices of the current outline, and a way
    // to select exactly those again (slots without a vertex are ignored).
    std::vector<int> selectedSlots() const;
    void selectSlots(const std::vector<int>& slots);
    // The mode shared by every selected outline vertex; -1 when none is
    // selected or their modes differ.
    int selectedMode() const;
    // Sets the mode of every selected vertex and rebuilds. A mode outside
    // 0 .. 2 is refused (false, nothing changes).
    bool setMode(int mode);

    // --- project content -----------------------------------------------------------------

    // The border file: the maximum distance, then for every slot in slot order
    // (513 lines of 513 entries) "0 " for an empty slot or "1 " and the mode.
    std::string serialise() const;
    // Writes serialise() to `path` through a temporary file. False on failure
    // (logged); the old file is then untouched.
    bool write(const String& path) const;

    // Empties every slot, reads the file and rebuilds. Whatever the file holds,
    // the border ends up traced from the mask: a missing or unreadable file
    // leaves every slot empty, a damaged or short one keeps the slots read
    // before the damage, trailing data after the last slot is ignored. True
    // only when the whole content was read.
    bool read(const String& path);
    // As read(), from bytes in memory.
    bool readFrom(const unsigned char* bytes, std::size_t count);

    // As loading, from another border: the same maximum distance and a vertex
    // with the same mode in every slot that holds one there; then rebuilds.
    void copyFrom(const Border& source);

    // What a border is made of besides its mask: the smoothing settings and
    // the mode of every slot that holds a vertex (-1 for an empty slot). A
    // border made from an equal mask with the same recipe has the same
    // outline, anchors and answers, so a copy for another thread can be
    // rebuilt there from a copy of the mask.
    struct Recipe {
        int passes = kDefaultPasses;
        float maxDistance = kDefaultMaxDistance;
        std::vector<signed char> slotModes;
    };
    Recipe recipe() const;
    // Takes `mask` (not owned, as make()), applies `recipe` and rebuilds. A
    // recipe whose mode list is not one entry per slot leaves every slot
    // empty.
    void makeFromRecipe(Image* mask, const Recipe& recipe);

    // --- queries (outline coordinates) --------------------------------------------------

    // True when (x, y) lies inside the outline: on the inner side of the
    // nearest outline edge, or, where no vertex lies within a leaf of the
    // point, where the owner's silhouette grid holds 2 at the rounded point.
    // Without owner those far points are outside.
    bool isInsideOutline(float x, float y) const;

    // Nearest outline point of `point` (x, y clamped into 0 .. 512, z kept).
    // True when the point lies on the inner side, or when no vertex was found
    // (then `nearest` is the clamped point). False without an index.
    bool nearestOutlinePoint(const D3DXVECTOR3& point, D3DXVECTOR3& nearest, OutlineHit* hit = nullptr) const;

    // For sharpening a kept silhouette. The point is clamped into 0 .. 512.
    // False, with the nearest outline point in `hit`, when the point lies at
    // least kSideTolerance outside the outline; true otherwise. Far from the
    // outline (no search node of depth 8 or more) a point on an inside cell of
    // the grid, or beyond the grid, answers true at once.
    bool nearestOutlinePointOutside(float x, float y, OutlineHit& hit) const;

    // For sharpening a removed silhouette; the point is not clamped. True,
    // with the nearest outline point in `hit`, when the point lies at least
    // kSideTolerance inside the outline. Far from the outline: true, with the
    // point itself, when the grid marks the point inside and `depth` lies
    // within e of a slab face (see setSlabPlanes); false otherwise.
    bool nearestOutlinePointInside(float x, float y, float depth, OutlineHit& hit) const;

    // The same answers without the search, for a caller that asks about the
    // same point again: `nearest` is the hit.vertex an earlier call with
    // exactly these arguments returned (not null). The outline must not have
    // been rebuilt since.
    bool nearestOutlinePointOutsideAgain(float x, float y, const BorderVertex& nearest, OutlineHit& hit) const;
    bool nearestOutlinePointInsideAgain(float x, float y, const BorderVertex& nearest, OutlineHit& hit) const;

    // --- contents ------------------------------------------------------------------------

    // The mask the border was made from (may be null) and its size.
    const Image* mask() const { return mask_; }
    int maskWidth() const { return maskWidth_; }
    int maskHeight() const { return maskHeight_; }
    // W and H of the outline coordinates (0 without mask).
    int effectiveWidth() const { return width_; }
    int effectiveHeight() const { return height_; }

    // The vertices of the current outline, in the order tracing made them.
    const std::vector<BorderVertex*>& outline() const { return outline_; }
    // The anchors, in the order they were taken.
    const std::vector<BorderVertex*>& anchors() const { return anchors_; }
    // Closed polygons; each lists its vertices and repeats the first at the end.
    const std::vector<std::vector<BorderVertex*>>& polygons() const { return polygons_; }

    static int slotNumber(int outlineX, int outlineY) { return outlineX * kSlotsPerSide + outlineY; }
    // The vertex in a slot, made or not; null for an empty slot or a slot
    // number outside 0 .. kSlotCount - 1.
    const BorderVertex* vertexInSlot(int slot) const;
    // The vertex at the outline position (x, y), or null.
    const BorderVertex* vertexAt(int outlineX, int outlineY) const;

    // The quadtree root; null before the first index.
    const BorderQuadNode* indexRoot() const { return root_; }
    // The deepest node on the way down from the root whose bounds contain the
    // point and that holds vertices or was made as a neighbour (the root when
    // no child qualifies); null without an index.
    const BorderQuadNode* findSearchNode(float x, float y) const;

private:
    // Rebuild steps.
    void resetVertices();
    void readMask(std::vector<unsigned char>& set) const;
    void trace(const std::vector<unsigned char>& set);
    void link(const std::vector<unsigned char>& set);
    void smooth();
    std::vector<std::vector<BorderVertex*>> joinedGroups() const;
    void computeNormals();
    void collectAnchors();
    void walkAnchors();
    void collectPolygons();

    // Vertex slots.
    BorderVertex* vertexInSlot(int slot);
    BorderVertex* makeVertex(int slot);
    void emptySlots();

    // Index.
    void clearIndex();
    BorderQuadNode* makeNode(int depth, int column, int row);
    BorderQuadNode* nodeAt(int depth, int column, int row) const;
    void splitNode(BorderQuadNode* node, std::vector<BorderQuadNode*>& made);
    void makeMissingNeighbours(const BorderQuadNode* node);
    void fillNearby(BorderQuadNode* node);

    // Searches.
    bool searchNearest(const BorderQuadNode* node, float x, float y, OutlineHit& hit) const;
    // The hit of a search from (x, y) that found `vertex` nearest: the
    // vertex, or the nearer projection onto one of its edges.
    static void hitFromNearest(const BorderVertex& vertex, float x, float y, OutlineHit& hit);
    // The made node of `depth` over a leaf (the root at depth 0), or null;
    // the deepest made node over a leaf down to `deepest`.
    const BorderQuadNode* madeNodeOver(int depth, int leafColumn, int leafRow) const;
    const BorderQuadNode* deepestMadeOver(int leafColumn, int leafRow, int deepest) const;
    // True when the search node of (x, y) certainly lies above the search
    // depth, so that the silhouette grid answers without a search: no node
    // of the search depth is made on a square of the leaves around the point.
    bool farFromOutline(float x, float y) const;
    bool gridSaysInside(float x, float y) const;

    // Parsing the border file; true when every slot was read.
    bool parseContent(const unsigned char* bytes, std::size_t count);

    Image* mask_ = nullptr;
    int maskWidth_ = 0;
    int maskHeight_ = 0;
    int width_ = 0;
    int height_ = 0;
    int passes_ = kDefaultPasses;
    float maxDistance_ = kDefaultMaxDistance;
    float tolerance_ = 0.01f;
    BorderOwner* owner_ = nullptr;
    BorderListener* listener_ = nullptr;
    bool changedFor2D_ = false;
    bool changedFor3D_ = false;

    float farFace_ = 0.0f;
    float farInner_ = 0.0f;
    float nearFace_ = 0.0f;
    float nearInner_ = 0.0f;

    std::vector<BorderVertex*> slots_;
    std::vector<BorderVertex*> outline_;
    std::vector<BorderVertex*> anchors_;
    std::vector<std::vector<BorderVertex*>> polygons_;
    RecordPool<BorderVertex> vertexPool_;

    BorderQuadNode* root_ = nullptr;
    RecordPool<BorderQuadNode> nodePool_;
    // Per depth, the nodes by row * (1 << depth) + column; allocated on the
    // first index.
    std::array<std::vector<BorderQuadNode*>, kLeafDepth + 1> levels_;
    // One bit per square of the search depth (row by row): set where a node
    // of that depth or deeper is made. Read by farFromOutline().
    std::vector<std::uint64_t> searchSquares_;
};
