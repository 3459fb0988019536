// Smoothing: relaxes every vertex of the sculpt mesh towards the mean of its
// edge neighbours, pass after pass; then the clean-up of mesh_repair keeps
// the surface valid (vertices that came to lie on each other are merged,
// moves that folded the surface through itself are undone).
#pragma once

#include "sculpt/run_control.h"

class SculptMesh;

// Runs `passes` smoothing passes over `mesh` (nothing at all when `passes`
// is 0 or less). Each pass visits the vertices in slot order and moves each
// one to the mean of the other ends of its edges; positions change in place,
// so a vertex already sees the new positions of the vertices before it.
// Vertices without edges stay put. Every 30th pass (pass 0 included)
// reports "Sculpturing - Smoothing mesh - Pass %d" at (p / passes) * 15 + 60.
// Afterwards the mesh is repaired (with `cellEdge`, the run's finest cube
// edge, as its scale) and its normals and curvatures recomputed. False when
// the control asked to stop.
bool smoothMesh(SculptMesh& mesh, int passes, float cellEdge, const RunControl& control);
