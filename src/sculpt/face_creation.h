// Face creation: the finest kept cubes of the octree become a closed triangle
// mesh. Every cube face that has no kept neighbour and lies outside the
// object (isFaceOutside) becomes a quad of two triangles facing out of the
// cube.
//
// Cube corners are shared between the cubes around them, one vertex per
// surface sheet through the corner: where two cubes touch only along an edge
// or at a corner, or where two empty pockets meet at a corner, the surface
// would pass through one point twice, so each sheet gets its own copy of the
// vertex, moved a thirty-second of a cube edge towards the middle of its own
// faces. The mesh is then a closed 2-manifold with no two vertices in one
// place, and each cube keeps its own copy of an edge it shares with a cube
// it touches along that edge only. Where the two cubes are also joined
// through other cubes at both ends of that edge, no copies can keep the
// surface closed; one of the two empty cubes beside the edge is filled
// instead.
//
// The cubes are sorted into rows along x; every cube finds its 26 neighbours
// by sweeping the nine rows around its own, so the work and the memory grow
// with the number of cubes. Rows are handed to the threads in chunks and the
// chunks' results joined in order, so the mesh does not depend on the number
// of threads: vertices come in the order of the sorted corners, triangles in
// the order of the sorted cubes, faces of a cube in the order +z, -z, -x, +x,
// +y, -y.
#pragma once

#include "sculpt/octree_carving.h"
#include "sculpt/run_control.h"
#include "sculpt/sculpt_mesh.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class SculptClipping;

class FaceCreation {
public:
    FaceCreation() = default;
    FaceCreation(const FaceCreation&) = delete;
    FaceCreation& operator=(const FaceCreation&) = delete;

    // Corner orders (E, F, G, H) of the six faces in the order they are
    // tried, +z, -z, -x, +x, +y, -y; a quad E, F, G, H becomes the triangles
    // (E, F, G) and (F, H, G).
    static constexpr int kFaceCount = 6;
    static const int kFaceCorners[kFaceCount][4];

    // How far a split vertex moves off its corner, in cube edges.
    static constexpr float kSplitOffset = 1.0f / 32.0f;

    // Replaces the mesh's vertices, triangles and edges by the outer faces of
    // the cubes `cells` (keys of level `depth`, any order, no duplicates),
    // tested against `sculptList`; computes the face normals, vertex normals
    // and curvatures. `insideMarks` (optional, one per cube) marks the
    // clippings (bit i: sculpt list entry i) that see a cube wholly inside,
    // as carving found (OctreeCarver::finestInsideMarks); their corner tests
    // are answered from it. Returns false, leaving the mesh empty, when the
    // control asked to stop.
    bool createFaces(std::span<const CellKey> cells, int depth, const LevelTables& tables,
                     std::span<const SculptClipping* const> sculptList, SculptMesh& mesh, const RunControl& control,
                     std::span<const std::uint64_t> insideMarks = {});
    // The same, taking the cubes over: `cells` and `insideMarks` are freed
    // (left empty) as soon as the cubes are copied into rows, so that a fine
    // depth holds one copy of its cubes at a time.
    bool createFaces(std::vector<CellKey>&& cells, int depth, const LevelTables& tables,
                     std::span<const SculptClipping* const> sculptList, SculptMesh& mesh, const RunControl& control,
                     std::vector<std::uint64_t>&& insideMarks);

    // The same from cubes in row order: `rowKeys` are the row keys
    // (rowKeyOf, row_order.h) of level `depth` in increasing order, as
    // OctreeCarver gives them with FinestOrder::Rows. Both vectors are taken
    // over.
    bool createFacesFromRows(std::vector<std::uint64_t>&& rowKeys, int depth, const LevelTables& tables,
                             std::span<const SculptClipping* const> sculptList, SculptMesh& mesh,
                             const RunControl& control, std::vector<std::uint64_t>&& insideMarks);

    // Corners of the last run where the surface splits (more than one
    // vertex at one corner).
    std::size_t splitCorners() const { return splitCorners_; }
    // Peak bytes of the working arrays of the last run.
    std::size_t memoryBytes() const { return memoryBytes_; }
    // Empty cubes the last run filled beside edges where two cubes touched.
    std::size_t filledCubes() const { return filledCubes_; }

private:
    // createFaces(), calling `releaseInput` once the cubes are copied.
    bool createFaces(std::span<const CellKey> cells, int depth, const LevelTables& tables,
                     std::span<const SculptClipping* const> sculptList, SculptMesh& mesh, const RunControl& control,
                     std::span<const std::uint64_t> insideMarks, const std::function<void()>& releaseInput);
    // The surface of the cubes `keys` (row keys, sorted) and their marks,
    // with empty cubes filled where two cubes would share an edge alone.
    bool surfaceOfRows(std::vector<std::uint64_t>& keys, std::vector<std::uint64_t>& inside, int depth,
                       const LevelTables& tables, std::span<const SculptClipping* const> sculptList, SculptMesh& mesh,
                       const RunControl& control);
    // One surface of the cubes `keys` (row keys, sorted).
    bool makeSurface(const std::vector<std::uint64_t>& keys, const std::vector<std::uint64_t>& insideMarks, int depth,
                     const LevelTables& tables,
                     std::span<const SculptClipping* const> sculptList, SculptMesh& mesh, const RunControl& control);

    std::size_t splitCorners_ = 0;
    std::size_t memoryBytes_ = 0;
    std::size_t filledCubes_ = 0;
};
