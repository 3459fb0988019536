// Smoothing: relaxes every vertex of the sculpt mesh towards the mean of its
// edge neighbours, pass after pass, without touching the connectivity.
#pragma once

#include "sculpt/sculpture.h"

class SculptMesh;

// Runs `passes` smoothing passes over `mesh` (nothing at all when `passes`
// is 0 or less). The number of vertex slots is taken once, before the first
// pass, so records appended meanwhile are left alone. Each pass visits the
// non-null vertices in array order and moves each one to the mean of the
// other ends of its edges; positions change in place, so a vertex already
// sees the new positions of the vertices before it. Vertices without edges
// stay put. Every 30th pass (pass 0 included) reports
// "Sculpturing - Smoothing mesh - Pass %d" at (p / passes) * 15 + 60 to
// `progress` (may be null). Afterwards the face normals, vertex normals and
// curvatures are recomputed.
void smoothMesh(SculptMesh& mesh, int passes, SculptProgress* progress);

// The smoothing stage for SculptStages.
void smoothStage(SculptMesh& mesh, int passes, const SculptStageContext& context);

// Recomputes the face normal of every non-null triangle, then the vertex
// normals and curvatures: the shading after vertices moved.
void recomputeNormals(SculptMesh& mesh);
