// Sharpening: pulls the stair-stepped sculpt mesh onto the silhouettes'
// outlines and onto the faces of the clipping slabs, so that the mesh follows
// the pictures exactly where they see it. Only vertex positions change, apart
// from the clean-up at the end.
//
// Two phases of `passes` passes each. The sides phase applies every
// clipping's rule to every vertex still moving: an adding clipping pulls a
// vertex that lies outside its silhouette onto the nearest outline point and
// clamps the depth into the slab; a removing clipping pushes a vertex that
// lies inside its silhouette onto the outline or onto a slab face. A vertex
// that no rule moved but that lies inside every silhouette, just within the
// outline of one of them (the carved cubes stop one grid cell short of the
// outline there), is put onto that outline, so that the surface reaches the
// silhouettes everywhere. The edges phase does the same and then lets two
// neighbours that reached one outline anchor from its two sides meet on it,
// which turns anchors into sharp edges running along the depth; only
// neighbours on the outline next to the anchor do, never vertices that would
// jump along the outline. After every pass only the vertices that moved in it
// stay on the active list.
//
// Many vertices land on one outline point where the hull has an edge or a
// corner; the clean-up afterwards (mesh_repair) merges vertices that came to
// lie on each other, removes the triangles that collapsed with them and
// undoes moves that folded the surface through itself, so the mesh stays a
// valid closed surface.
#pragma once

#include "sculpt/run_control.h"

#include <span>

class SculptClipping;
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
// planes (e from `cellRadius`) handed to their border first. Progress:
// "Sculpturing - Sharpening mesh create sides - Pass %d" at
// (p / passes) * 10 + 40 on every 30th sides pass, and "Sculpturing -
// Sharpening mesh create edges - Pass %d" at (p / passes) * 10 + 50 on every
// edges pass. A vertex moves only to a finite point. Afterwards the mesh is
// cleaned up (see above) and its normals and curvatures recomputed. False
// when the control asked to stop (the mesh is then half done).
// How sharpenMesh works; the defaults are the program's.
struct SharpeningOptions {
    // What cannot have changed is not looked at again: a clipping's rule
    // that found a vertex far from the outline with nothing to do would find
    // the same until the vertex moves, a search from where the vertex was
    // last searched from would settle on the same outline vertex, and the
    // untangling looks for turned triangles only around the vertices it
    // moved. Off: everything is looked
    // at afresh each time (slower; the mesh is the same).
    bool skipUnchanged = true;
};

bool sharpenMesh(SculptMesh& mesh, int passes, std::span<SculptClipping* const> sculptList, float cellRadius,
                 const RunControl& control, const SharpeningOptions& options = {});
