// Octree carving: silhouette intersection on an octree that keeps only the
// cubes the object's surface may pass through.
//
// The root cube (edge 2048, centred on the world origin) is split level by
// level. A child is dropped as soon as one clipping proves it empty (or one
// removing clipping proves it wholly removed), and also when every clipping
// sees it wholly solid; it is kept for refinement while some clipping sees it
// cut by a silhouette rim or a slab face. Only two levels exist at any time:
// their nodes live in two pools that alternate by level and are recycled by
// resetting, never freed one by one. Kept children are linked to their kept
// face neighbours of the same level, which face creation uses to share cube
// corners.
#pragma once

#include "core/math3d.h"
#include "image/record_pool.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

class Clipping;
struct CornerTable;

// Sides of a node, in the order of its neighbour links.
enum NodeSide : int {
    SideMinusZ = 0,
    SidePlusZ = 1,
    SideMinusX = 2,
    SidePlusX = 3,
    SidePlusY = 4,
    SideMinusY = 5,
};

// Sign (-1 or +1) of child / corner k (0..7) along x, y and z:
// (-,-,-), (+,-,-), (-,-,+), (+,-,+), (-,+,-), (+,+,-), (-,+,+), (+,+,+).
inline constexpr int childSignX(int k) { return (k & 1) ? 1 : -1; }
inline constexpr int childSignZ(int k) { return (k & 2) ? 1 : -1; }
inline constexpr int childSignY(int k) { return (k & 4) ? 1 : -1; }

// The level size tables, index = octree level 0 .. 49.
struct LevelTables {
    static constexpr int kLevels = 50;
    // edge[L] = 2048 / 2^L
    float edge[kLevels];
    // edge[L] / 2
    float half[kLevels];
    // edge[L] / 4: from a cube's centre to its children's centres
    float quarter[kLevels];
    // 1.2 * sqrt(3) * half[L]: circumscribed radius with a 20 % margin
    float radius[kLevels];

    LevelTables();
};

// A kept cube of the octree.
struct OctreeNode {
    D3DXVECTOR3 centre;
    // Next node in its level's list.
    OctreeNode* next = nullptr;
    // Kept face neighbours of the same level, in NodeSide order.
    OctreeNode* neighbours[6] = {};
    // Child k at centre + quarter * (signs of k).
    OctreeNode* children[8] = {};
    // Filled by face creation.
    CornerTable* corners = nullptr;
};

// True when the cube at `centre` needs no refinement. Over `sculptList` in
// order, with classifyCell at each clipping's current carving radius: an
// adding clipping that sees the cube wholly outside, or a removing clipping
// that sees it wholly inside, settles it at once; otherwise the cube is
// settled unless some clipping sees it partially.
bool isCellSettled(std::span<Clipping* const> sculptList, const D3DXVECTOR3& centre);

// True when the quad p1..p4 lies outside the object: some adding clipping has
// one of the points outside its silhouette (isPointInside), or some removing
// clipping has all four inside.
bool isFaceOutside(std::span<Clipping* const> sculptList, const D3DXVECTOR3& p1, const D3DXVECTOR3& p2,
                   const D3DXVECTOR3& p3, const D3DXVECTOR3& p4);

// Called once per level before it is carved, with the level number (1 .. d).
using CarveLevelCallback = std::function<void(int level)>;

class OctreeCarver {
public:
    OctreeCarver() = default;
    OctreeCarver(const OctreeCarver&) = delete;
    OctreeCarver& operator=(const OctreeCarver&) = delete;

    // Carves to depth `depth` (clamped into 0 .. LevelTables::kLevels - 1)
    // over `sculptList`: every clipping gets each level's carving level and
    // radius before that level is tested. Depth 0 (or less) leaves the root
    // alone as the finest list, untested. `onLevel` (optional) is called
    // before each level with its number.
    void carve(int depth, std::span<Clipping* const> sculptList, const LevelTables& tables,
               const CarveLevelCallback& onLevel = {});

    // The kept nodes of the finest level (a list through `next`); null when
    // nothing was kept. Valid until the next carve().
    OctreeNode* finestList() const { return finest_; }
    // Number of nodes in the finest list.
    std::size_t finestCount() const { return cellsPerLevel_.empty() ? 0 : cellsPerLevel_.back(); }
    // Kept nodes per level: [0] the root (1), [L] level L.
    const std::vector<std::size_t>& cellsPerLevel() const { return cellsPerLevel_; }
    // Number of classifyCell questions asked by the last carve().
    std::size_t cellTests() const { return cellTests_; }

private:
    OctreeNode* makeNode(RecordPool<OctreeNode, 8192>& pool, const D3DXVECTOR3& centre);
    OctreeNode* splitLevel(OctreeNode* current, RecordPool<OctreeNode, 8192>& pool, float quarter,
                           std::span<Clipping* const> sculptList, std::size_t& kept);
    static void linkSiblings(OctreeNode& parent);
    static void linkToNeighbourChildren(OctreeNode& parent);

    RecordPool<OctreeNode, 8192> pools_[2];
    OctreeNode* finest_ = nullptr;
    std::vector<std::size_t> cellsPerLevel_;
    std::size_t cellTests_ = 0;
    std::size_t lastRemover_ = 0;
};
