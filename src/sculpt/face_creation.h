// Face creation: the finest kept cubes of the octree become a closed triangle
// mesh. Every cube face that has no kept neighbour and lies outside the
// object (isFaceOutside) becomes a quad of two triangles facing out of the
// cube. Cube corners are shared between the cubes around them through the
// neighbour links, so the mesh is connected without any search for duplicate
// vertices.
#pragma once

#include "image/record_pool.h"
#include "sculpt/octree_carving.h"
#include "sculpt/sculpt_mesh.h"

#include <span>

// The eight corner vertices of a finest node, in child order (see
// childSignX/Y/Z).
struct CornerTable {
    SculptVertex* corners[8] = {};
};

class FaceCreation {
public:
    FaceCreation() = default;
    FaceCreation(const FaceCreation&) = delete;
    FaceCreation& operator=(const FaceCreation&) = delete;

    // Corner orders (E, F, G, H) of the six faces in the order they are
    // tried: +z, -z, -x, +x, +y, -y, and the neighbour side of each.
    static constexpr int kFaceCount = 6;
    static const int kFaceSides[kFaceCount];
    static const int kFaceCorners[kFaceCount][4];

    // Empties the mesh's vertices and triangles, gives every node of
    // `finestList` a fresh corner table and adds the outer faces of every
    // node (cube half edge `half`) tested against `sculptList`. The corner
    // tables stay linked to the nodes until the next createFaces().
    void createFaces(OctreeNode* finestList, float half, std::span<Clipping* const> sculptList, SculptMesh& mesh);

    // Corner k of `node`: the node's own when set; otherwise a new vertex
    // at centre + half * (signs of k), stored in every finest node around
    // that point that is reachable from `node` through face neighbours of
    // the cubes around it.
    SculptVertex* makeCorner(OctreeNode& node, int k, float half, SculptMesh& mesh);

private:
    RecordPool<CornerTable, 8192> cornerPool_;
};
