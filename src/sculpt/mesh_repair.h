// Mesh repair: after a stage moved vertices (sharpening, smoothing), make the
// mesh a valid closed surface again.
//
// A stage only moves vertices, so the surface stays closed and manifold;
// what a move can spoil is geometry: triangles that cross each other,
// vertices that come to lie on another vertex, triangles that lose their
// area.
//  1. The vertices of crossing triangles, and vertices lying on a vertex they
//     share no triangle with, take back a twentieth of what is left of their
//     move, round after round (all of it after some forty rounds).
//  2. Vertices that came to lie on a neighbour are merged, removing the two
//     triangles that collapsed with them, and a triangle whose corner came to
//     lie on its opposite edge has that edge flipped. Neither moves the
//     surface, and an edge is merged only where the surface stays a closed
//     manifold.
//  3. Whatever still offends (flat triangles among them) takes its moves
//     back as in 1.
// The mesh before the stage was valid, so taking moves back ends there at
// the latest; should the rounds run out first, the whole stage is undone.
// Afterwards the edges, normals and curvatures are made again.
#pragma once

#include "core/math3d.h"
#include "sculpt/run_control.h"
#include "sculpt/sculpt_mesh.h"

#include <vector>

// What a repair did.
struct RepairReport {
    // Times a vertex took back part of its move.
    int undone = 0;
    // Edges merged or flipped.
    int edits = 0;
    // The whole stage was undone.
    bool restored = false;
};

// The mesh before a stage (positions and triangle corners), taken before
// it moves anything.
struct MeshBeforeStage {
    std::vector<D3DXVECTOR3> positions;
    std::vector<std::uint32_t> corners;

    static MeshBeforeStage of(const SculptMesh& mesh);
};

// Repairs `mesh` after a stage that only moved vertices, `before` being the
// mesh before it; `cellEdge` the finest cube edge of the run, the scale of
// what counts as one place and as a flat triangle. False when the control
// asked to stop (the mesh is then left as the stage made it).
bool repairMesh(SculptMesh& mesh, const MeshBeforeStage& before, float cellEdge, const RunControl& control,
                RepairReport* report = nullptr);

// Below these (times the cube edge, and its square) two vertices count as one
// place and a triangle as flat; well above what the validity check calls
// coincident and zero-area.
inline constexpr float kMergeLength = 1e-3f;
inline constexpr float kFlatArea = 1e-5f;
