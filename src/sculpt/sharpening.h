// Sharpening: pulls the stair-stepped sculpt mesh onto the silhouettes'
// outlines and onto the faces of the clipping slabs, so that the mesh follows
// the pictures exactly where they see it. Only vertex positions change.
//
// Two phases of `passes` passes each. The sides phase applies every
// clipping's rule to every vertex still moving: an adding clipping pulls a
// vertex that lies outside its silhouette onto the nearest outline point and
// clamps the depth into the slab; a removing clipping pushes a vertex that
// lies inside its silhouette onto the outline or onto a slab face. The edges
// phase does the same and then lets neighbours that reached one outline
// anchor from its two sides meet on it, which turns anchors into sharp edges
// running along the depth. After every pass only the vertices that moved in
// it stay on the active list.
#pragma once

#include "sculpt/sculpture.h"

#include <span>

class Clipping;
class SculptMesh;

// The depth planes of one clipping's slab, in its depth coordinate t: the
// far face, one and two margins inside it, the near face, one and two
// margins inside it.
struct SlabPlanes {
    float farFace = 0.0f;
    float farInner = 0.0f;
    float farInner2 = 0.0f;
    float nearFace = 0.0f;
    float nearInner = 0.0f;
    float nearInner2 = 0.0f;
};

// The planes of a slab `depth` deep with the margin `margin`: far face
// depth / 2, near face -depth / 2, the inner planes 1 and 2 margins inside.
SlabPlanes slabPlanesOf(float depth, float margin);

// The margin e of the slab planes for a run whose finest cubes have the
// bounding radius `cellRadius`: 2.4 times that radius.
float slabMarginOf(float cellRadius);

// Sharpens `mesh` against the clippings of `sculptList` with `passes`
// passes per phase; nothing at all happens when `passes` is 0 or less.
// Clippings without a border, without a usable projection or with
// `participateinsharpening` off are left out; the others get their slab
// planes (e from `cellRadius`) handed to their border first. Progress goes
// to `progress` (may be null): "Sculpturing - Sharpening mesh create sides -
// Pass %d" at (p / passes) * 10 + 40 on every 30th sides pass, and
// "Sculpturing - Sharpening mesh create edges - Pass %d" at
// (p / passes) * 10 + 50 on every edges pass. A vertex moves only to a finite
// point. Afterwards the face normals, vertex normals and curvatures are
// recomputed.
void sharpenMesh(SculptMesh& mesh, int passes, std::span<Clipping* const> sculptList, float cellRadius,
                 SculptProgress* progress);

// The sharpening stage for SculptStages.
void sharpenStage(SculptMesh& mesh, int passes, const SculptStageContext& context);
