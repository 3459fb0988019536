#include "sculpt/octree_carving.h"

#include "sculpt/clipping.h"

#include <algorithm>
#include <cmath>

LevelTables::LevelTables() {
    const float root3 = std::sqrt(3.0f);
    float size = 2048.0f;
    for (int level = 0; level < kLevels; ++level) {
        edge[level] = size;
        half[level] = size * 0.5f;
        quarter[level] = size * 0.25f;
        radius[level] = 1.2f * root3 * half[level];
        size *= 0.5f;
    }
}

bool isCellSettled(std::span<Clipping* const> sculptList, const D3DXVECTOR3& centre) {
    bool settled = true;
    for (const Clipping* clipping : sculptList) {
        const int answer = clipping->classifyCell(centre);
        const bool adding = clipping->flags().addingvoxels;
        if (adding && answer == CellOutside) {
            return true;
        }
        if (!adding && answer == CellInside) {
            return true;
        }
        if (answer == CellPartial) {
            settled = false;
        }
    }
    return settled;
}

bool isFaceOutside(std::span<Clipping* const> sculptList, const D3DXVECTOR3& p1, const D3DXVECTOR3& p2,
                   const D3DXVECTOR3& p3, const D3DXVECTOR3& p4) {
    for (const Clipping* clipping : sculptList) {
        const bool in1 = clipping->isPointInside(p1);
        const bool in2 = clipping->isPointInside(p2);
        const bool in3 = clipping->isPointInside(p3);
        const bool in4 = clipping->isPointInside(p4);
        if (clipping->flags().addingvoxels) {
            if (!(in1 && in2 && in3 && in4)) {
                return true;
            }
        } else if (in1 && in2 && in3 && in4) {
            return true;
        }
    }
    return false;
}

namespace {

// Bit of a child / corner index for each axis, and the sides towards the
// negative and the positive end of that axis.
struct AxisSides {
    int bit;
    int negative;
    int positive;
};
constexpr AxisSides kAxes[3] = {
    {1, SideMinusX, SidePlusX},
    {2, SideMinusZ, SidePlusZ},
    {4, SideMinusY, SidePlusY},
};

// The answer of isCellSettled, asking first the clipping that removed the
// previous cube (`lastRemover`, updated). Whether a cube is settled does not
// depend on the order of the questions, only how many are asked: neighbouring
// cubes are mostly removed by the same picture.
bool isCellSettledAskingRemoverFirst(std::span<Clipping* const> sculptList, const D3DXVECTOR3& centre,
                                     std::size_t& lastRemover, std::size_t& questions) {
    bool settled = true;
    const std::size_t count = sculptList.size();
    for (std::size_t n = 0; n < count; ++n) {
        const std::size_t i = (lastRemover + n) % count;
        const Clipping* clipping = sculptList[i];
        const int answer = clipping->classifyCell(centre);
        ++questions;
        const bool adding = clipping->flags().addingvoxels;
        if ((adding && answer == CellOutside) || (!adding && answer == CellInside)) {
            lastRemover = i;
            return true;
        }
        if (answer == CellPartial) {
            settled = false;
        }
    }
    return settled;
}

void link(OctreeNode& node, int side, OctreeNode& neighbour, int oppositeSide) {
    node.neighbours[side] = &neighbour;
    neighbour.neighbours[oppositeSide] = &node;
}

}  // namespace

OctreeNode* OctreeCarver::makeNode(RecordPool<OctreeNode, 8192>& pool, const D3DXVECTOR3& centre) {
    OctreeNode* node = pool.acquire();
    *node = OctreeNode{};
    node->centre = centre;
    return node;
}

void OctreeCarver::linkSiblings(OctreeNode& parent) {
    for (int k = 0; k < 8; ++k) {
        OctreeNode* child = parent.children[k];
        if (child == nullptr) {
            continue;
        }
        for (const AxisSides& axis : kAxes) {
            // Only from the negative child, so each pair is linked once.
            if ((k & axis.bit) != 0) {
                continue;
            }
            OctreeNode* sibling = parent.children[k | axis.bit];
            if (sibling != nullptr) {
                link(*child, axis.positive, *sibling, axis.negative);
            }
        }
    }
}

void OctreeCarver::linkToNeighbourChildren(OctreeNode& parent) {
    for (int k = 0; k < 8; ++k) {
        OctreeNode* child = parent.children[k];
        if (child == nullptr) {
            continue;
        }
        for (const AxisSides& axis : kAxes) {
            // The child's face on the parent's boundary along this axis.
            const bool positive = (k & axis.bit) != 0;
            const int side = positive ? axis.positive : axis.negative;
            const OctreeNode* neighbour = parent.neighbours[side];
            if (neighbour == nullptr) {
                continue;
            }
            OctreeNode* facing = neighbour->children[k ^ axis.bit];
            if (facing != nullptr) {
                link(*child, side, *facing, positive ? axis.negative : axis.positive);
            }
        }
    }
}

OctreeNode* OctreeCarver::splitLevel(OctreeNode* current, RecordPool<OctreeNode, 8192>& pool, float quarter,
                                     std::span<Clipping* const> sculptList, std::size_t& kept) {
    OctreeNode* next = nullptr;
    kept = 0;
    for (OctreeNode* node = current; node != nullptr; node = node->next) {
        for (int k = 0; k < 8; ++k) {
            const D3DXVECTOR3 centre(node->centre.x + quarter * static_cast<float>(childSignX(k)),
                                     node->centre.y + quarter * static_cast<float>(childSignY(k)),
                                     node->centre.z + quarter * static_cast<float>(childSignZ(k)));
            if (isCellSettledAskingRemoverFirst(sculptList, centre, lastRemover_, cellTests_)) {
                continue;
            }
            OctreeNode* child = makeNode(pool, centre);
            node->children[k] = child;
            child->next = next;
            next = child;
            ++kept;
        }
        linkSiblings(*node);
        linkToNeighbourChildren(*node);
    }
    return next;
}

void OctreeCarver::carve(int depth, std::span<Clipping* const> sculptList, const LevelTables& tables,
                         const CarveLevelCallback& onLevel) {
    depth = std::clamp(depth, 0, LevelTables::kLevels - 1);
    pools_[0].reset();
    pools_[1].reset();
    cellsPerLevel_.assign(1, 1);
    cellTests_ = 0;
    lastRemover_ = 0;
    OctreeNode* current = makeNode(pools_[0], D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    int currentPool = 0;
    for (int level = 0; level < depth; ++level) {
        if (onLevel) {
            onLevel(level + 1);
        }
        for (Clipping* clipping : sculptList) {
            clipping->setCarvingLevel(level + 1, tables.radius[level + 1]);
        }
        const int nextPool = 1 - currentPool;
        std::size_t kept = 0;
        OctreeNode* next = splitLevel(current, pools_[nextPool], tables.quarter[level], sculptList, kept);
        pools_[currentPool].reset();
        current = next;
        currentPool = nextPool;
        cellsPerLevel_.push_back(kept);
    }
    finest_ = current;
}
