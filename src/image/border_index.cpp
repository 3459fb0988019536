// Border: the quadtree index over the outline and the queries that use it.
#include "image/border.h"

#include <algorithm>
#include <bit>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstdio>

namespace {

constexpr float kCanvas = 512.0f;
// Search radius, in nodes of the search node's depth, of a node's nearby list.
constexpr int kNearbyReach = 2;
// Start of the nearest-vertex search (squared distance).
constexpr float kFarAway = 100000.0f * 100000.0f;

int sideCount(int depth) { return 1 << depth; }

std::size_t levelIndex(int depth, int column, int row) {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(sideCount(depth)) + static_cast<std::size_t>(column);
}

// A coordinate forced into [0, 512]; anything that is not a number becomes 0.
float clampToCanvas(float v) {
    if (!(v >= 0.0f)) {
        return 0.0f;
    }
    return v > kCanvas ? kCanvas : v;
}

// Rounds to the nearest integer (halves away from zero); false for values far
// outside the canvas or not numbers at all.
bool roundToCell(float v, int& cell) {
    if (!(v > -1.0e6f && v < 1.0e6f)) {
        return false;
    }
    cell = static_cast<int>(roundHalfAwayFromZero(v));
    return true;
}

float sideOf(float x, float y, const OutlineHit& hit) { return (x - hit.point.x) * hit.normal.x + (y - hit.point.y) * hit.normal.y; }

// The sharpening queries' answers once the nearest outline point is in
// `hit`: not at least kSideTolerance outside (kept silhouettes), at least
// kSideTolerance inside (removed ones).
bool notOutsideOutline(float x, float y, const OutlineHit& hit) { return sideOf(x, y, hit) > -Border::kSideTolerance; }
bool insideOutline(float x, float y, const OutlineHit& hit) { return sideOf(x, y, hit) >= Border::kSideTolerance; }

}  // namespace

// --- building -------------------------------------------------------------------------

void Border::clearIndex() {
    nodePool_.forEach([this](BorderQuadNode& node) {
        levels_[static_cast<std::size_t>(node.depth)][levelIndex(node.depth, node.column, node.row)] = nullptr;
    });
    nodePool_.reset();
    root_ = nullptr;
    searchSquares_.assign(levelIndex(kSearchDepth, 0, sideCount(kSearchDepth)) / 64, 0);
}

BorderQuadNode* Border::nodeAt(int depth, int column, int row) const {
    if (depth < 0 || depth > kLeafDepth) {
        return nullptr;
    }
    const int side = sideCount(depth);
    if (column < 0 || column >= side || row < 0 || row >= side) {
        return nullptr;
    }
    return levels_[static_cast<std::size_t>(depth)][levelIndex(depth, column, row)];
}

// A fresh node at the given place, registered in its level and linked to its
// parent (when the parent exists).
BorderQuadNode* Border::makeNode(int depth, int column, int row) {
    BorderQuadNode* node = nodePool_.acquire();
    const float size = kCanvas / static_cast<float>(sideCount(depth));
    node->quadrant = (row & 1) * 2 + (column & 1);
    node->depth = depth;
    node->column = column;
    node->row = row;
    node->left = static_cast<float>(column) * size;
    node->right = node->left + size;
    node->bottom = static_cast<float>(row) * size;
    node->top = node->bottom + size;
    node->children.fill(nullptr);
    node->sideNeighbours.fill(nullptr);
    node->nearby.clear();
    node->directNearby = 0;
    node->vertices.clear();
    node->holdsVertices = false;
    node->madeAsNeighbour = false;
    node->parent = depth > 0 ? nodeAt(depth - 1, column / 2, row / 2) : nullptr;
    if (node->parent != nullptr) {
        node->parent->children[static_cast<std::size_t>(node->quadrant)] = node;
    }
    levels_[static_cast<std::size_t>(depth)][levelIndex(depth, column, row)] = node;
    return node;
}

// Gives each quarter of the node the node's vertices that lie in it; only the
// quarters that receive vertices are made here, and appended to `made`.
void Border::splitNode(BorderQuadNode* node, std::vector<BorderQuadNode*>& made) {
    const float middleX = 0.5f * (node->left + node->right);
    const float middleY = 0.5f * (node->bottom + node->top);
    for (int quadrant = 0; quadrant < 4; ++quadrant) {
        const bool rightHalf = (quadrant & 1) != 0;
        const bool topHalf = (quadrant & 2) != 0;
        BorderQuadNode* child = nullptr;
        for (BorderVertex* v : node->vertices) {
            const float x = v->position.x;
            const float y = v->position.y;
            const bool inX = rightHalf ? x >= middleX : x <= middleX;
            const bool inY = topHalf ? y >= middleY : y <= middleY;
            if (!inX || !inY) {
                continue;
            }
            if (child == nullptr) {
                child = makeNode(node->depth + 1, node->column * 2 + (quadrant & 1), node->row * 2 + (quadrant >> 1));
                child->holdsVertices = true;
                made.push_back(child);
            }
            child->vertices.push_back(v);
        }
    }
}

// Makes the side and corner neighbours of a vertex-holding node that do not
// exist yet, empty and marked as made for a neighbour.
void Border::makeMissingNeighbours(const BorderQuadNode* node) {
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int column = node->column + dx;
            const int row = node->row + dy;
            const int side = sideCount(node->depth);
            if ((dx == 0 && dy == 0) || column < 0 || column >= side || row < 0 || row >= side) {
                continue;
            }
            if (nodeAt(node->depth, column, row) == nullptr) {
                makeNode(node->depth, column, row)->madeAsNeighbour = true;
            }
        }
    }
}

void Border::fillNearby(BorderQuadNode* node) {
    node->sideNeighbours = {nodeAt(node->depth, node->column - 1, node->row), nodeAt(node->depth, node->column + 1, node->row),
                            nodeAt(node->depth, node->column, node->row - 1), nodeAt(node->depth, node->column, node->row + 1)};
    // All four quarters of a vertex-holding node exist (each is a neighbour of
    // a quarter that holds vertices), so a search never ends in such a node
    // above the leaves and it needs no list.
    if (node->holdsVertices && node->depth < kLeafDepth && node != root_) {
        return;
    }
    for (int reach = 1; reach <= kNearbyReach; ++reach) {
        for (int dy = -reach; dy <= reach; ++dy) {
            for (int dx = -reach; dx <= reach; ++dx) {
                const int ring = std::max(std::abs(dx), std::abs(dy));
                if (reach > 1 && ring < reach) {
                    continue;  // taken with a smaller reach
                }
                BorderQuadNode* other = nodeAt(node->depth, node->column + dx, node->row + dy);
                if (other != nullptr && other->holdsVertices) {
                    node->nearby.push_back(other);
                }
            }
        }
        if (reach == 1) {
            node->directNearby = static_cast<int>(node->nearby.size());
        }
    }
}

void Border::buildIndex() {
    clearIndex();
    if (levels_[0].empty()) {
        for (int depth = 0; depth <= kLeafDepth; ++depth) {
            levels_[static_cast<std::size_t>(depth)].assign(levelIndex(depth, 0, sideCount(depth)), nullptr);
        }
    }
    root_ = makeNode(0, 0, 0);
    root_->vertices = outline_;
    root_->holdsVertices = !outline_.empty();

    // Breadth first: the vertex-holding nodes, depth by depth.
    std::vector<BorderQuadNode*> holding;
    if (root_->holdsVertices) {
        holding.push_back(root_);
    }
    for (std::size_t i = 0; i < holding.size(); ++i) {
        BorderQuadNode* node = holding[i];
        if (node->depth >= kLeafDepth) {
            continue;
        }
        splitNode(node, holding);
    }
    // Parents come before their children in `holding`, so the neighbours of a
    // node's parent exist when the node's own neighbours are made.
    for (const BorderQuadNode* node : holding) {
        makeMissingNeighbours(node);
    }
    nodePool_.forEach([this](BorderQuadNode& node) {
        fillNearby(&node);
        if (node.depth >= kSearchDepth) {
            const int shift = node.depth - kSearchDepth;
            const std::size_t square = levelIndex(kSearchDepth, node.column >> shift, node.row >> shift);
            searchSquares_[square / 64] |= std::uint64_t{1} << (square % 64);
        }
    });
}

bool Border::farFromOutline(float x, float y) const {
    if (root_ == nullptr || !(x >= 0.0f && x <= kCanvas && y >= 0.0f && y <= kCanvas)) {
        return false;
    }
    // The leaves whose closed squares hold the point: one, or two on either
    // side of a leaf edge the point lies on. Every node holding the point
    // holds one of these leaves.
    constexpr int kLeaves = 1 << kLeafDepth;
    constexpr float kLeavesPerUnit = static_cast<float>(kLeaves) / kCanvas;
    const auto leafRange = [](float v, int& first, int& last) {
        const float leaf = v * kLeavesPerUnit;
        const int below = static_cast<int>(leaf);  // leaf >= 0: truncation is floor
        last = std::min(below, kLeaves - 1);
        first = static_cast<float>(below) == leaf && below > 0 ? below - 1 : last;
    };
    int column0 = 0;
    int column1 = 0;
    int row0 = 0;
    int row1 = 0;
    leafRange(x, column0, column1);
    leafRange(y, row0, row1);
    constexpr int shift = kLeafDepth - kSearchDepth;
    for (int row = row0 >> shift; row <= row1 >> shift; ++row) {
        for (int column = column0 >> shift; column <= column1 >> shift; ++column) {
            const std::size_t square = levelIndex(kSearchDepth, column, row);
            if ((searchSquares_[square / 64] >> (square % 64) & 1u) != 0) {
                return false;
            }
        }
    }
    return true;
}

// --- searches ------------------------------------------------------------------------

namespace {

// Where a point lies along one axis of the leaves: the leaf columns (or rows)
// on its two sides (the same one inside a leaf), and the depth whose nodes
// have the point on their middle line (-1: none).
struct LeafSides {
    int low = 0;
    int high = 0;
    int split = -1;
};

LeafSides leafSidesOf(float leaf, int leaves, int leafDepth) {
    const int below = static_cast<int>(leaf);  // leaf >= 0: truncation is floor
    if (static_cast<float>(below) != leaf) {
        return {below, below, -1};
    }
    if (below == 0) {
        return {0, 0, -1};
    }
    if (below >= leaves) {
        return {leaves - 1, leaves - 1, -1};
    }
    // A whole number m * 2^k (m odd) is the middle line of the nodes 2^(k+1)
    // leaves wide.
    return {below - 1, below, leafDepth - 1 - std::countr_zero(static_cast<unsigned>(below))};
}

}  // namespace

const BorderQuadNode* Border::madeNodeOver(int depth, int leafColumn, int leafRow) const {
    if (depth == 0) {
        return root_;
    }
    const int shift = kLeafDepth - depth;
    const BorderQuadNode* node =
        levels_[static_cast<std::size_t>(depth)][levelIndex(depth, leafColumn >> shift, leafRow >> shift)];
    return node != nullptr && (node->holdsVertices || node->madeAsNeighbour) ? node : nullptr;
}

const BorderQuadNode* Border::deepestMadeOver(int leafColumn, int leafRow, int deepest) const {
    for (int depth = deepest; depth > 0; --depth) {
        if (const BorderQuadNode* node = madeNodeOver(depth, leafColumn, leafRow)) {
            return node;
        }
    }
    return root_;
}

// A walk down from the root would take, at each node, the first child in
// quadrant order that contains the point (and is made). Below the levels
// where the point lies on a node's middle line, only one child contains it,
// and every node's parent is made before it; so the walk's end follows from
// the level tables: the deepest made node over the leaf on the side the
// walk chose at those levels.
const BorderQuadNode* Border::findSearchNode(float x, float y) const {
    if (root_ == nullptr) {
        return nullptr;
    }
    constexpr int kLeaves = 1 << kLeafDepth;
    constexpr float kLeavesPerUnit = static_cast<float>(kLeaves) / kCanvas;
    const float leafX = x * kLeavesPerUnit;
    const float leafY = y * kLeavesPerUnit;
    if (!(leafX >= 0.0f && leafX <= static_cast<float>(kLeaves) && leafY >= 0.0f &&
          leafY <= static_cast<float>(kLeaves))) {
        return root_;  // no child holds a point off the canvas
    }
    const LeafSides across = leafSidesOf(leafX, kLeaves, kLeafDepth);
    const LeafSides up = leafSidesOf(leafY, kLeaves, kLeafDepth);
    // The first side in quadrant order: below before above, left before right.
    int column = across.low;
    int row = up.low;
    for (int split = 0; split < kLeafDepth; ++split) {
        const bool splitsAcross = across.split == split;
        const bool splitsUp = up.split == split;
        if (!splitsAcross && !splitsUp) {
            continue;
        }
        if (madeNodeOver(split, column, row) == nullptr) {
            return deepestMadeOver(column, row, split - 1);
        }
        const int rows[2] = {up.low, splitsUp ? up.high : row};
        const int columns[2] = {across.low, splitsAcross ? across.high : column};
        bool taken = false;
        for (int r = 0; r < (splitsUp ? 2 : 1) && !taken; ++r) {
            for (int c = 0; c < (splitsAcross ? 2 : 1) && !taken; ++c) {
                const int leafColumn = splitsAcross ? columns[c] : column;
                const int leafRow = splitsUp ? rows[r] : row;
                if (madeNodeOver(split + 1, leafColumn, leafRow) != nullptr) {
                    column = leafColumn;
                    row = leafRow;
                    taken = true;
                }
            }
        }
        if (!taken) {
            return madeNodeOver(split, column, row);
        }
    }
    return deepestMadeOver(column, row, kLeafDepth);
}

namespace {

// The squared distance a search measures from (x, y) to the vertex.
float squaredDistanceTo(const BorderVertex& v, float x, float y) {
    const float dx = x - v.position.x;
    const float dy = y - v.position.y;
    return dx * dx + dy * dy;
}

}  // namespace

// The nearest vertex among the vertices of the node's nearby list, then the
// nearest of its edges where the point projects onto them.
bool Border::searchNearest(const BorderQuadNode* node, float x, float y, OutlineHit& hit) const {
    const BorderVertex* nearest = nullptr;
    float best = kFarAway;
    auto scan = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            for (const BorderVertex* v : node->nearby[i]->vertices) {
                const float distance = squaredDistanceTo(*v, x, y);
                if (distance < best) {
                    best = distance;
                    nearest = v;
                }
            }
        }
    };
    // Nothing beyond the direct neighbours lies nearer than one node width to
    // a point inside the node, so the outer ring is needed only when the best
    // vertex so far is farther than that.
    const std::size_t direct = static_cast<std::size_t>(node->directNearby);
    scan(0, direct);
    const float width = node->right - node->left;
    if (nearest == nullptr || best > width * width) {
        scan(direct, node->nearby.size());
    }
    if (nearest == nullptr) {
        return false;
    }
    hitFromNearest(*nearest, x, y, hit);
    return true;
}

void Border::hitFromNearest(const BorderVertex& vertex, float x, float y, OutlineHit& hit) {
    const BorderVertex* nearest = &vertex;
    float best = squaredDistanceTo(vertex, x, y);
    hit.vertex = nearest;
    hit.point = D3DXVECTOR3(nearest->position.x, nearest->position.y, 0.0f);
    hit.normal = nearest->normal;

    // The two chain edges first; a vertex where two regions touch at a corner
    // has two more, whose chain links were overwritten by the other region,
    // and they are found through the neighbours' own links.
    std::array<std::array<const BorderVertex*, 2>, 4> edges{};
    int edgeCount = 0;
    edges[static_cast<std::size_t>(edgeCount++)] = {nearest->previous, nearest};
    edges[static_cast<std::size_t>(edgeCount++)] = {nearest, nearest->next};
    if (nearest->neighbourCount > 2) {
        for (int i = 0; i < nearest->neighbourCount; ++i) {
            const BorderVertex* n = nearest->neighbours[static_cast<std::size_t>(i)];
            if (n == nearest->previous || n == nearest->next || edgeCount == 4) {
                continue;
            }
            if (n->next == nearest) {
                edges[static_cast<std::size_t>(edgeCount++)] = {n, nearest};
            } else if (n->previous == nearest) {
                edges[static_cast<std::size_t>(edgeCount++)] = {nearest, n};
            }
        }
    }
    for (int e = 0; e < edgeCount; ++e) {
        const BorderVertex* a = edges[static_cast<std::size_t>(e)][0];
        const BorderVertex* b = edges[static_cast<std::size_t>(e)][1];
        if (a == nullptr || b == nullptr) {
            continue;
        }
        const float ex = b->position.x - a->position.x;
        const float ey = b->position.y - a->position.y;
        const float length2 = ex * ex + ey * ey;
        if (!(length2 > 0.0f)) {
            continue;
        }
        const float t = ((x - a->position.x) * ex + (y - a->position.y) * ey) / length2;
        if (t < 0.0f || t > 1.0f) {
            continue;
        }
        const float px = a->position.x + t * ex;
        const float py = a->position.y + t * ey;
        const float distance = (x - px) * (x - px) + (y - py) * (y - py);
        if (distance < best) {
            best = distance;
            const float length = std::sqrt(length2);
            hit.point = D3DXVECTOR3(px, py, 0.0f);
            hit.normal = D3DXVECTOR3(ey / length, -ex / length, 0.0f);
        }
    }
}

bool Border::gridSaysInside(float x, float y) const {
    int i = 0;
    int j = 0;
    if (!roundToCell(x, i) || !roundToCell(y, j)) {
        return false;
    }
    if (i < 0 || i >= 512 || j < 0 || j >= 512 || owner_ == nullptr) {
        return false;
    }
    return owner_->silhouetteCell(i, j) == 2;
}

bool Border::isInsideOutline(float x, float y) const {
    if (farFromOutline(x, y)) {
        return gridSaysInside(x, y);
    }
    const BorderQuadNode* node = findSearchNode(x, y);
    if (node == nullptr || node->depth < kSearchDepth) {
        return gridSaysInside(x, y);
    }
    OutlineHit hit;
    if (!searchNearest(node, x, y, hit)) {
        std::puts("no nearest edge found shoudl not get in here");
        return false;
    }
    return sideOf(x, y, hit) > 0.0f;
}

bool Border::nearestOutlinePoint(const D3DXVECTOR3& point, D3DXVECTOR3& nearest, OutlineHit* hit) const {
    const float x = clampToCanvas(point.x);
    const float y = clampToCanvas(point.y);
    nearest = D3DXVECTOR3(x, y, point.z);
    const BorderQuadNode* node = findSearchNode(x, y);
    if (node == nullptr) {
        return false;
    }
    OutlineHit found;
    found.point = nearest;
    const bool searched = searchNearest(node, x, y, found);
    if (hit != nullptr) {
        *hit = found;
        hit->point.z = point.z;
    }
    if (!searched) {
        return true;
    }
    nearest = D3DXVECTOR3(found.point.x, found.point.y, point.z);
    return sideOf(x, y, found) > 0.0f;
}

bool Border::nearestOutlinePointOutside(float x, float y, OutlineHit& hit) const {
    x = clampToCanvas(x);
    y = clampToCanvas(y);
    hit = OutlineHit{};
    hit.point = D3DXVECTOR3(x, y, 0.0f);
    if (farFromOutline(x, y) && gridSaysInside(x, y)) {
        return true;
    }
    const BorderQuadNode* node = findSearchNode(x, y);
    if (node == nullptr) {
        return true;
    }
    if (node->depth < kSearchDepth) {
        int i = 0;
        int j = 0;
        roundToCell(x, i);
        roundToCell(y, j);
        if (i < 0 || i >= 512 || j < 0 || j >= 512 || gridSaysInside(x, y)) {
            return true;
        }
    }
    if (!searchNearest(node, x, y, hit)) {
        return true;
    }
    return notOutsideOutline(x, y, hit);
}

bool Border::nearestOutlinePointOutsideAgain(float x, float y, const BorderVertex& nearest, OutlineHit& hit) const {
    x = clampToCanvas(x);
    y = clampToCanvas(y);
    hitFromNearest(nearest, x, y, hit);
    return notOutsideOutline(x, y, hit);
}

bool Border::nearestOutlinePointInsideAgain(float x, float y, const BorderVertex& nearest, OutlineHit& hit) const {
    hitFromNearest(nearest, x, y, hit);
    return insideOutline(x, y, hit);
}

bool Border::nearestOutlinePointInside(float x, float y, float depth, OutlineHit& hit) const {
    hit = OutlineHit{};
    hit.point = D3DXVECTOR3(x, y, 0.0f);
    const bool far = farFromOutline(x, y);
    const BorderQuadNode* node = far ? nullptr : findSearchNode(x, y);
    if (!far && node == nullptr) {
        return false;
    }
    if (far || node->depth < kSearchDepth) {
        if (!gridSaysInside(x, y)) {
            return false;
        }
        const bool nearFarFace = std::fabs(depth - farFace_) <= farFace_ - farInner_;
        const bool nearNearFace = std::fabs(depth - nearFace_) <= nearInner_ - nearFace_;
        return nearFarFace || nearNearFace;
    }
    if (!searchNearest(node, x, y, hit)) {
        hit.point = D3DXVECTOR3(x, y, 0.0f);
        return false;
    }
    return insideOutline(x, y, hit);
}
