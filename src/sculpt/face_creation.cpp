#include "sculpt/face_creation.h"

#include "sculpt/clipping.h"

#include <cstdint>

const int FaceCreation::kFaceSides[kFaceCount] = {SidePlusZ, SideMinusZ, SideMinusX, SidePlusX, SidePlusY, SideMinusY};

const int FaceCreation::kFaceCorners[kFaceCount][4] = {
    {3, 2, 7, 6},  // +z
    {0, 1, 4, 5},  // -z
    {2, 0, 6, 4},  // -x
    {1, 3, 5, 7},  // +x
    {4, 5, 6, 7},  // +y
    {2, 3, 0, 1},  // -y
};

namespace {

// Corner / child index bit of each axis and the sides towards its negative
// and positive end.
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

D3DXVECTOR3 cornerPosition(const OctreeNode& node, int k, float half) {
    return D3DXVECTOR3(node.centre.x + half * static_cast<float>(childSignX(k)),
                       node.centre.y + half * static_cast<float>(childSignY(k)),
                       node.centre.z + half * static_cast<float>(childSignZ(k)));
}

// Which clippings hold the vertex inside, asked once per vertex.
std::uint64_t insideMask(SculptVertex& vertex, std::span<Clipping* const> sculptList) {
    if (!vertex.insideKnown) {
        std::uint64_t mask = 0;
        for (std::size_t i = 0; i < sculptList.size(); ++i) {
            if (sculptList[i]->isPointInside(vertex.position)) {
                mask |= std::uint64_t{1} << i;
            }
        }
        vertex.insideMask = mask;
        vertex.insideKnown = true;
    }
    return vertex.insideMask;
}

// isFaceOutside of the four corners, answered from the corners' memos; the
// same answer, with each point projected only once however many faces use it.
bool isQuadOutside(SculptVertex* const corners[4], std::span<Clipping* const> sculptList) {
    if (sculptList.size() > 64) {
        return isFaceOutside(sculptList, corners[0]->position, corners[1]->position, corners[2]->position,
                             corners[3]->position);
    }
    std::uint64_t all = ~std::uint64_t{0};
    for (int c = 0; c < 4; ++c) {
        all &= insideMask(*corners[c], sculptList);
    }
    for (std::size_t i = 0; i < sculptList.size(); ++i) {
        const bool allInside = ((all >> i) & 1u) != 0;
        if (sculptList[i]->flags().addingvoxels ? !allInside : allInside) {
            return true;
        }
    }
    return false;
}

}  // namespace

SculptVertex* FaceCreation::makeCorner(OctreeNode& node, int k, float half, SculptMesh& mesh) {
    SculptVertex*& own = node.corners->corners[k];
    if (own != nullptr) {
        return own;
    }
    // The (up to) eight cubes around the corner form a 2x2x2 block; a block
    // position is the set of axes along which the cube lies across the
    // corner from `node`, so the cube at position m holds the point as its
    // corner k ^ m. Every kept cube of the block that can be reached from
    // `node` through face neighbours inside the block shares the vertex.
    OctreeNode* block[8] = {};
    int queue[8];
    int queued = 0;
    block[0] = &node;
    queue[queued++] = 0;
    for (int at = 0; at < queued; ++at) {
        const int m = queue[at];
        for (const AxisSides& axis : kAxes) {
            const int m2 = m ^ axis.bit;
            if (block[m2] != nullptr) {
                continue;
            }
            // Towards the corner when the cube is on the node's side of it,
            // back otherwise.
            const bool towardsPositive = ((k & axis.bit) != 0) != ((m & axis.bit) != 0);
            OctreeNode* neighbour = block[m]->neighbours[towardsPositive ? axis.positive : axis.negative];
            if (neighbour != nullptr && neighbour->corners != nullptr) {
                block[m2] = neighbour;
                queue[queued++] = m2;
            }
        }
    }
    SculptVertex* vertex = mesh.makeVertex(cornerPosition(node, k, half));
    for (int i = 0; i < queued; ++i) {
        block[queue[i]]->corners->corners[k ^ queue[i]] = vertex;
    }
    return vertex;
}

void FaceCreation::createFaces(OctreeNode* finestList, float half, std::span<Clipping* const> sculptList,
                               SculptMesh& mesh) {
    cornerPool_.reset();
    mesh.clearVerticesAndTriangles();
    for (OctreeNode* node = finestList; node != nullptr; node = node->next) {
        CornerTable* table = cornerPool_.acquire();
        *table = CornerTable{};
        node->corners = table;
    }
    for (OctreeNode* node = finestList; node != nullptr; node = node->next) {
        for (int face = 0; face < kFaceCount; ++face) {
            if (node->neighbours[kFaceSides[face]] != nullptr) {
                continue;
            }
            const int* order = kFaceCorners[face];
            SculptVertex* const corners[4] = {
                makeCorner(*node, order[0], half, mesh), makeCorner(*node, order[1], half, mesh),
                makeCorner(*node, order[2], half, mesh), makeCorner(*node, order[3], half, mesh)};
            if (isQuadOutside(corners, sculptList)) {
                mesh.addQuad(corners[0], corners[1], corners[2], corners[3]);
            }
        }
    }
}
