// Mesh validity: whether a triangle mesh is what printing, repair and game
// tools accept without complaint, a closed, consistently oriented 2-manifold
// without degenerate parts.
//
//   MeshValidity v = checkMeshValidity(positions, triangles);
//   if (!v.isValid()) ... v.zeroAreaTriangles, v.coincidentVertices ...
//
// The checks work on plain index triples so that they serve the sculpt mesh,
// the export mesh and files read back alike.
#pragma once

#include "core/math3d.h"
#include "sculpt/parallel.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

using MeshTriangle = std::array<std::uint32_t, 3>;

struct MeshValidity {
    int vertices = 0;
    int triangles = 0;
    // Triangles with a corner index beyond the positions, or a corner used
    // twice.
    int brokenTriangles = 0;
    // Undirected edges used by a number of triangles other than two, and of
    // those the ones used by four.
    int edgesNotSharedByTwo = 0;
    int edgesSharedByFour = 0;
    // Directed edges used more than once, or without the reverse edge: the
    // orientation is inconsistent or the surface is open there.
    int unbalancedEdges = 0;
    // Vertices whose triangles do not form one closed fan (two surface
    // sheets meeting at a point), and vertices used by no triangle.
    int nonManifoldVertices = 0;
    int unusedVertices = 0;
    // Triangles whose area is not above kZeroArea times the square of the
    // mesh's typical edge length.
    int zeroAreaTriangles = 0;
    // Vertices at the same position as an earlier vertex (within
    // kCoincidence times the typical edge length).
    int coincidentVertices = 0;
    // Pairs of triangles that cross each other (only when asked for):
    // triangles sharing no corner whose interiors meet, triangles sharing a
    // corner where the far edge of one passes through the other, and
    // triangles sharing an edge that fold onto each other. Mere touching
    // (a corner lying exactly on another triangle) is not counted.
    int selfIntersections = 0;
    // Mean edge length the tolerances are measured in.
    double typicalEdge = 0.0;
    // Volume enclosed, positive when the faces point outwards (by the
    // program's convention: normal (G - E) x (F - E) for a triangle E, F, G).
    double signedVolume = 0.0;

    // Relative tolerances.
    static constexpr double kZeroArea = 1e-6;
    static constexpr double kCoincidence = 1e-5;

    bool isValid() const {
        return brokenTriangles == 0 && edgesNotSharedByTwo == 0 && unbalancedEdges == 0 && nonManifoldVertices == 0 &&
               zeroAreaTriangles == 0 && coincidentVertices == 0 && selfIntersections == 0;
    }
};

// Checks `triangles` over `positions`. Unused vertices are counted but do not
// make the mesh invalid. `withSelfIntersections` adds the (costlier) search
// for crossing triangles: two triangles that share no corner and intersect,
// or two triangles that share an edge and fold onto each other.
MeshValidity checkMeshValidity(std::span<const D3DXVECTOR3> positions, std::span<const MeshTriangle> triangles,
                               bool withSelfIntersections = false);

// How findSelfIntersections searches.
struct CrossingSearch {
    // Test every pair of neighbouring triangles; otherwise skip neighbours
    // that face alike (sharing an edge and facing the same side, or sharing
    // a corner within 60 degrees), which cannot cross unless a triangle
    // turned over between them, whose own pairs are tested.
    bool exhaustive = true;
    std::size_t limit = SIZE_MAX;
    // One flag per triangle, or null: only pairs with at least one flagged
    // triangle are tested (and only triangles near flagged ones looked at).
    const std::vector<std::uint8_t>* focus = nullptr;
    // Threads to search on; null: the calling thread.
    ParallelRunner* runner = nullptr;
    // The search goes through the space in bands, each holding about this
    // many (triangle, cell) entries, so that its memory stays that of one
    // band however large the mesh (some 70 bytes an entry). The pairs are
    // the same whatever the bands.
    std::uint64_t entriesPerBand = std::uint64_t{1} << 20;
    // A band's pair tests go in parts of about this many entries, each on
    // one thread; the pairs are the same whatever the parts.
    std::size_t entriesPerPart = 65536;
};

// The pairs (first < second) of triangles that cross each other, as counted
// by checkMeshValidity, in a fixed order whatever the threads.
std::vector<std::array<std::uint32_t, 2>> findSelfIntersections(std::span<const D3DXVECTOR3> positions,
                                                                std::span<const MeshTriangle> triangles,
                                                                const CrossingSearch& search = {});
